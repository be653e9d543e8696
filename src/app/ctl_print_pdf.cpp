#include "app/ctl_print_pdf.h"

#include <iostream>

#include "app/gui_application.h"
#include "loggers/print_text.h"
#include "texts/terminal_text.h"

namespace zv318 {

LoggerOutcome PrintLoggersToPdf(LoggerProcedures& loggers, bool marked, const std::string& out) {
    GuiApplication gui;
    PdfLoggerPrinter pdf(out);
    const LoggerOutcome outcome =
        marked ? loggers.PrintSelButClick(pdf) : loggers.Printlogger1Click(pdf);
    const bool finished = outcome == LoggerOutcome::Done;
    if (!pdf.finish(finished) && finished) {
        std::cerr << "the PDF " << TerminalText(out) << " could not be written\n";
        return LoggerOutcome::Failed;
    }
    if (finished)
        std::cout << "printed " << pdf.jobs() << " logger(s) to " << TerminalText(out) << '\n';
    return outcome;
}

}  // namespace zv318
