#pragma once
// The system printer for the logger commands: the print dialog once per run, one print job
// per logger titled with its name; and the print preview of the open logger.

#include <QPrinter>

#include "loggers/logger_procedures.h"

class QWidget;

namespace zv318 {

class PaperLoggerPrinter : public LoggerPrinter {
public:
    explicit PaperLoggerPrinter(QWidget* dialogParent);
    bool choosePrinter() override;
    void SetPrintTitle(const std::string& title) override;
    int PrintTextFile(const std::filesystem::path& file) override;
    [[nodiscard]] QPrinter& printer() { return printer_; }

private:
    QWidget* parent_;
    QPrinter printer_;
};

// Writes the open logger's print text and shows its pages in a print preview window, from
// which they may be printed.
void PreviewLogger(LoggerProcedures& procedures, QWidget* parent);

}  // namespace zv318
