#include "loggers/windows/paper_printer.h"

#include <QPrintDialog>
#include <QPrintPreviewDialog>

#include "loggers/print_text.h"

namespace zv318 {

PaperLoggerPrinter::PaperLoggerPrinter(QWidget* dialogParent)
    : parent_(dialogParent), printer_(QPrinter::HighResolution) {}

bool PaperLoggerPrinter::choosePrinter() {
    QPrintDialog dialog(&printer_, parent_);
    dialog.setObjectName(QStringLiteral("Imprimir"));
    return dialog.exec() == QDialog::Accepted;
}

void PaperLoggerPrinter::SetPrintTitle(const std::string& title) {
    printer_.setDocName(QString::fromStdString(title));
}

PaperLoggerPrinter::~PaperLoggerPrinter() {
    if (toFile_.isActive()) toFile_.end();
}

int PaperLoggerPrinter::PrintTextFile(const std::filesystem::path& file) {
    if (printer_.outputFileName().isEmpty()) return zv318::PrintTextFile(printer_, file);
    if (toFile_.isActive())
        printer_.newPage();
    else if (!toFile_.begin(&printer_))
        return 0;
    return PrintTextPages(printer_, toFile_, file);
}

void PreviewLogger(LoggerProcedures& procedures, QWidget* parent) {
    if (procedures.WriteLogger(1) != kLoggerWritten) {
        procedures.feedback().showMessage(26);
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QString::fromStdString(procedures.logger().name));
    QPrintPreviewDialog preview(&printer, parent);
    preview.setObjectName(QStringLiteral("LoggerPreview"));
    preview.setWindowTitle(QString::fromStdString(procedures.logger().name));
    const std::filesystem::path text = procedures.PrintTextPath();
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&text](QPrinter* target) { (void)zv318::PrintTextFile(*target, text); });
    preview.resize(900, 700);
    preview.exec();
}

}  // namespace zv318
