#include "loggers/print_text.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <cmath>

#include "texts/qt_path.h"
#include "texts/text_file.h"

namespace zv318 {

namespace {

constexpr int kPrintPointSize = 10;

QFont PrinterFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSize(kPrintPointSize);
    return font;
}

}  // namespace

int PrintTextPages(QPagedPaintDevice& device, QPainter& painter,
                   const std::filesystem::path& file) {
    const int bottom = device.height() - kPrintBottomMargin;
    painter.setFont(PrinterFont());
    // The font's height in device pixels: 10 points at the device's resolution.
    const int lineHeight =
        std::max(1, static_cast<int>(std::lround(kPrintPointSize * device.logicalDpiY() / 72.0)));
    const int ascent = QFontMetrics(painter.font(), &device).ascent();

    std::optional<std::string> bytes = ReadWholeFile(file, kLoggerFileMaxBytes);
    if (!bytes) return 0;
    LineReader reader(std::move(*bytes));
    int i = 0;
    while (std::optional<std::string> line = reader.next(kPrintReadBuffer)) {
        int y = i * lineHeight + kPrintTop;
        if (y > bottom) {
            device.newPage();
            i = 0;
            y = kPrintTop;
        }
        std::string shown = *line;
        if (!shown.empty()) shown.pop_back();
        painter.drawText(kPrintLeft, y + ascent,
                         QString::fromStdString(DecodeUtf8OrWindows1252(shown)));
        ++i;
    }
    return 1;
}

int PrintTextFile(QPagedPaintDevice& device, const std::filesystem::path& file) {
    QPainter painter;
    if (!painter.begin(&device)) return 0;
    const int result = PrintTextPages(device, painter, file);
    painter.end();
    return result;
}

PdfLoggerPrinter::PdfLoggerPrinter(const std::filesystem::path& output)
    : output_(QStringFromPath(output)) {}

PdfLoggerPrinter::~PdfLoggerPrinter() {
    finish(false);
}

void PdfLoggerPrinter::SetPrintTitle(const std::string& title) {
    title_ = title;
}

int PdfLoggerPrinter::PrintTextFile(const std::filesystem::path& file) {
    if (!writer_ && !failed_) {
        // Written beside the output and renamed over it at the end: an interrupted run never
        // leaves part of a PDF where the old one was.
        file_ = std::make_unique<QSaveFile>(output_);
        if (!file_->open(QIODevice::WriteOnly)) {
            failed_ = true;
            return 0;
        }
        writer_ = std::make_unique<QPdfWriter>(file_.get());
        writer_->setResolution(300);
        writer_->setPageLayout(
            QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        writer_->setTitle(QString::fromStdString(title_));
        writer_->setCreator(QStringLiteral("ZV-318 Software"));
        painter_ = std::make_unique<QPainter>();
        if (!painter_->begin(writer_.get())) {
            failed_ = true;
            return 0;
        }
    } else if (failed_) {
        return 0;
    } else {
        writer_->newPage();  // each job on pages of its own
    }
    ++jobs_;
    return PrintTextPages(*writer_, *painter_, file);
}

bool PdfLoggerPrinter::finish(bool keep) {
    const bool ended = painter_ && painter_->isActive() && painter_->end();
    painter_.reset();
    writer_.reset();
    if (!file_) return false;
    const bool written = keep && ended && !failed_ && file_->commit();
    if (!written) file_->cancelWriting();
    file_.reset();
    return written;
}

}  // namespace zv318
