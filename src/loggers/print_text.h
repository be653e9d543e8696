#pragma once
// Printing a print text ("print.temp") line by line on any paged device: a printer (the print
// dialog's, the preview's) or a PDF writer (zv318ctl, the tests). Qt Gui only, no widgets.
//
// The layout: a fixed-pitch font of 10 points; lines one font height apart from x = 80 and
// y = 80 device pixels; a new page when a line's y would pass the page height minus 160.
// Each line loses its last character (its line end; on the final line the "#" mark).

#include <QString>
#include <filesystem>
#include <memory>
#include <string>

#include "loggers/logger_procedures.h"

class QPagedPaintDevice;
class QPainter;
class QPdfWriter;
class QSaveFile;

namespace zv318 {

inline constexpr int kPrintLeft = 80;
inline constexpr int kPrintTop = 80;
inline constexpr int kPrintBottomMargin = 160;
inline constexpr std::size_t kPrintReadBuffer = 150;  // at most 149 characters per read

// Prints the file as one job on the device (a painter begun and ended here): 1, or 0 when the
// file cannot be opened (the job then ends without a line).
int PrintTextFile(QPagedPaintDevice& device, const std::filesystem::path& file);
// The pages of one job painted with a painter already begun on the device, starting at the
// top of its current page.
int PrintTextPages(QPagedPaintDevice& device, QPainter& painter, const std::filesystem::path& file);

// Prints every job into one PDF file, each job starting on a page of its own; the document
// takes the first job's title. The dialog is never shown (there is nothing to choose).
class PdfLoggerPrinter : public LoggerPrinter {
public:
    explicit PdfLoggerPrinter(const std::filesystem::path& output);
    ~PdfLoggerPrinter() override;
    bool choosePrinter() override { return true; }
    void SetPrintTitle(const std::string& title) override;
    int PrintTextFile(const std::filesystem::path& file) override;
    // Ends the document and puts it in place when `keep`; otherwise (and when the printer is
    // destroyed unfinished) the output is left as it was. False when nothing was put in place.
    bool finish(bool keep = true);
    [[nodiscard]] int jobs() const { return jobs_; }

private:
    QString output_;
    std::unique_ptr<QSaveFile> file_;
    std::unique_ptr<QPdfWriter> writer_;
    std::unique_ptr<QPainter> painter_;
    std::string title_;
    int jobs_ = 0;
    bool failed_ = false;
};

}  // namespace zv318
