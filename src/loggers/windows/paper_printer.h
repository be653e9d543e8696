#pragma once
// The system printer for the logger commands: the print dialog once per run, one print job
// per logger titled with its name; and the print preview of the open logger. When the dialog
// chose "Print to file", every logger of the run goes into that one file, each from a page of
// its own (one job per logger would leave only the last in the file).

#include <QPainter>
#include <QPrinter>

#include "loggers/logger_procedures.h"

class QWidget;

namespace zv318 {

class PaperLoggerPrinter : public LoggerPrinter {
public:
    explicit PaperLoggerPrinter(QWidget* dialogParent);
    ~PaperLoggerPrinter() override;
    bool choosePrinter() override;
    void SetPrintTitle(const std::string& title) override;
    int PrintTextFile(const std::filesystem::path& file) override;
    [[nodiscard]] QPrinter& printer() { return printer_; }

private:
    QWidget* parent_;
    QPrinter printer_;
    QPainter toFile_;  // active from the first logger printed to a file to the end of the run
};

// Writes the open logger's print text and shows its pages in a print preview window, from
// which they may be printed.
void PreviewLogger(LoggerProcedures& procedures, QWidget* parent);

}  // namespace zv318
