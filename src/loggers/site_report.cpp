#include "loggers/site_report.h"

#include <QBuffer>
#include <QDate>
#include <QFontMetricsF>
#include <QImage>
#include <QLocale>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QTextLayout>
#include <algorithm>
#include <functional>
#include <set>

#include "loggers/chart_scale.h"
#include "loggers/report_chart.h"
#include "texts/qt_path.h"
#include "texts/text_file.h"
#include "texts/version.h"

namespace zv318 {

std::string SiteKey(const std::string& site, const char* field) {
    return "report.site." + site + "." + field;
}

ReportPeople ReportPeopleFrom(const UserSettings& settings, std::string site) {
    ReportPeople people;
    people.technician = settings.text(kTechnicianKey);
    people.company = settings.text(kCompanyKey);
    people.logoFile = settings.text(kLogoKey);
    if (site.empty()) site = settings.text(kLastSiteKey);
    people.site = site;
    if (site.empty()) return people;
    people.customer = settings.text(SiteKey(site, "customer"));
    people.siteAddress = settings.text(SiteKey(site, "address"));
    people.notes = settings.text(SiteKey(site, "notes"));
    return people;
}

std::vector<std::string> RememberedSites(const UserSettings& settings) {
    static constexpr std::string_view prefix = "report.site.";
    std::set<std::string> sites;
    for (const auto& [key, value] : settings.all()) {
        if (!key.starts_with(prefix)) continue;
        for (std::string_view field : {".customer", ".address", ".notes"})
            if (key.ends_with(field) && key.size() > prefix.size() + field.size())
                sites.insert(key.substr(prefix.size(), key.size() - prefix.size() - field.size()));
    }
    return {sites.begin(), sites.end()};
}

void RememberReportPeople(UserSettings& settings, const ReportPeople& people) {
    settings.set(kTechnicianKey, people.technician);
    settings.set(kCompanyKey, people.company);
    settings.set(kLogoKey, people.logoFile);
    settings.set(kLastSiteKey, people.site);
    if (people.site.empty()) return;
    settings.set(SiteKey(people.site, "customer"), people.customer);
    settings.set(SiteKey(people.site, "address"), people.siteAddress);
    settings.set(SiteKey(people.site, "notes"), people.notes);
}

std::string ReportDate(const QDate& date, const LanguageTable& table) {
    const std::string& format = table.entry(kDateFormatEntry);
    if (format.empty()) return date.toString(Qt::ISODate).toStdString();
    return QLocale(QString::fromStdString(table.entry(kLanguageCodeEntry)))
        .toString(date, QString::fromStdString(format))
        .toStdString();
}

QPageSize::PageSizeId ReportPageFor(const QLocale& locale) {
    static const std::set<QLocale::Territory> letter{
        QLocale::UnitedStates, QLocale::Canada,     QLocale::Mexico,   QLocale::Philippines,
        QLocale::Chile,        QLocale::Colombia,   QLocale::Venezuela, QLocale::PuertoRico,
        QLocale::Guatemala,    QLocale::CostaRica,  QLocale::Panama,   QLocale::ElSalvador,
        QLocale::Nicaragua,    QLocale::DominicanRepublic};
    return letter.contains(locale.territory()) ? QPageSize::Letter : QPageSize::A4;
}

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// The lines `text` takes at `width`: broken at blanks, a word longer than a line broken
// anywhere, its own line breaks (LF or CR LF) kept.
QStringList WrappedLines(const QString& text, const QFont& font, QPaintDevice* device,
                         double width) {
    QStringList lines;
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    for (QString paragraph : text.split(QLatin1Char('\n'))) {
        if (paragraph.endsWith(QLatin1Char('\r'))) paragraph.chop(1);
        if (paragraph.isEmpty()) {
            lines << QString();
            continue;
        }
        QTextLayout layout(paragraph, font, device);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            lines << paragraph.mid(line.textStart(), line.textLength());
        }
        layout.endLayout();
    }
    return lines;
}

// The report laid out as pages of painting steps before anything is painted, so that every
// foot knows the page count.
class Layout {
public:
    using Step = std::function<void(QPainter&)>;

    Layout(QPdfWriter& writer, const LanguageTable& table) : writer_(writer), table_(table) {
        const double dpi = writer.resolution();
        mm_ = dpi / 25.4;
        const QSizeF page = writer.pageLayout().fullRectPixels(writer.resolution()).size();
        left_ = 18 * mm_;
        right_ = page.width() - 18 * mm_;
        top_ = 15 * mm_;
        foot_ = page.height() - 12 * mm_;
        bottom_ = foot_ - 8 * mm_;
        body_.setPointSizeF(9);
        // No ligatures: "fi" stays two letters for whoever copies or searches the text.
        body_.setStyleStrategy(QFont::PreferNoShaping);
        bold_ = body_;
        bold_.setBold(true);
        heading_ = bold_;
        heading_.setPointSizeF(12);
        title_ = bold_;
        title_.setPointSizeF(18);
        pages_.emplace_back();
        y_ = top_;
    }

    QString text(int entry) const { return Q(table_.entry(entry)); }
    const LanguageTable& table() const { return table_; }
    QPaintDevice* device() const { return &writer_; }
    double mm() const { return mm_; }
    double width() const { return right_ - left_; }
    double lineHeight(const QFont& font) const {
        return QFontMetricsF(font, &writer_).height() * 1.25;
    }

    void newPage() {
        pages_.emplace_back();
        y_ = top_;
    }
    bool needsPage(double height) const { return y_ + height > bottom_ && y_ > top_; }
    // A band `height` high across the text's width, behind what the line holds.
    void shade(double height, QColor colour) {
        const QRectF band(left_ - 1.5 * mm_, y_ - 0.1 * height, width() + 3 * mm_, height);
        add([=](QPainter& p) { p.fillRect(band, colour); });
    }
    // A new page unless `height` more fits on this one.
    void need(double height) {
        if (needsPage(height)) newPage();
    }
    void space(double height) { y_ += height; }
    void add(Step step) { pages_.back().push_back(std::move(step)); }

    // One line of text at x (from the left edge) on the current line; the line is not ended.
    void put(double x, const QString& text, const QFont& font, QColor colour = Qt::black,
             double width = 0, bool right = false) {
        const QFontMetricsF metrics(font, &writer_);
        QString shown = width > 0 ? metrics.elidedText(text, Qt::ElideRight, width) : text;
        double at = left_ + x;
        if (right) at += width - metrics.horizontalAdvance(shown);
        const QPointF where(at, y_ + metrics.ascent());
        add([=](QPainter& p) {
            p.setFont(font);
            p.setPen(colour);
            p.drawText(where, shown);
        });
    }
    void endLine(const QFont& font) { y_ += lineHeight(font); }
    // "Label: value" with the value wrapped to the width; several lines where it holds breaks.
    // A value that fits a page stays on one; a longer one flows on to the next pages, line by
    // line, and nothing runs into the foot.
    void field(const QString& label, const std::string& value) {
        if (value.empty()) return;
        const QFontMetricsF metrics(body_, &writer_);
        const double indent = 32 * mm_;
        const QStringList lines = WrappedLines(Q(value), body_, &writer_, width() - indent);
        const double step = metrics.lineSpacing();
        need(std::min(std::max(step * lines.size(), lineHeight(body_)), bottom_ - top_));
        put(0, label, bold_);
        const double start = y_;
        for (const QString& line : lines) {
            if (y_ + step > bottom_ && y_ > top_) newPage();
            put(indent, line, body_);
            y_ += step;
        }
        y_ = std::max(y_ + 0.25 * lineHeight(body_), start + lineHeight(body_));
    }
    void block(double height, Step step) {
        need(height);
        const QRectF rect(left_, y_, width(), height);
        add([rect, step = std::move(step)](QPainter& p) {
            p.save();
            p.translate(rect.topLeft());
            step(p);
            p.restore();
        });
        y_ += height;
    }
    // A picture at x from the left edge, its top on the current line.
    void image(double x, QSizeF size, const QImage& picture) {
        const QRectF where(left_ + x, y_, size.width(), size.height());
        add([where, picture](QPainter& p) { p.drawImage(where, picture); });
    }
    void rule(QColor colour, double thickness) {
        const QRectF line(left_, y_, width(), thickness);
        add([=](QPainter& p) { p.fillRect(line, colour); });
    }

    // Paints every page with its foot.
    bool paint(const std::string& date) {
        QPainter painter;
        if (!painter.begin(&writer_)) return false;
        const int count = static_cast<int>(pages_.size());
        const QFontMetricsF metrics(body_, &writer_);
        for (int k = 0; k < count; ++k) {
            if (k > 0 && !writer_.newPage()) return false;
            for (const Step& step : pages_[static_cast<std::size_t>(k)]) step(painter);
            painter.setFont(body_);
            painter.setPen(QColor(90, 90, 90));
            painter.fillRect(QRectF(left_, foot_ - 2 * mm_, width(), 0.2 * mm_), Qt::gray);
            const double baseline = foot_ + metrics.ascent();
            const QString who = QString::fromUtf8(kSoftwareVersionText);
            painter.drawText(QPointF(left_, baseline), who);
            const QString when = text(1427).arg(Q(date));
            painter.drawText(
                QPointF(left_ + (width() - metrics.horizontalAdvance(when)) / 2, baseline), when);
            const QString page = text(kReportPageEntry).arg(k + 1).arg(count);
            painter.drawText(QPointF(right_ - metrics.horizontalAdvance(page), baseline), page);
        }
        return painter.end();
    }
    int pages() const { return static_cast<int>(pages_.size()); }

    QFont body_, bold_, heading_, title_;

private:
    QPdfWriter& writer_;
    const LanguageTable& table_;
    double mm_ = 1;
    double left_ = 0, right_ = 0, top_ = 0, bottom_ = 0, foot_ = 0;
    double y_ = 0;
    std::vector<std::vector<Step>> pages_;
};

std::string InstrumentText(const LanguageTable& table, const InstrumentIdentity& i) {
    if (i.ioVersion.empty() && i.instrumentVersion.empty())
        return Q(table.entry(1445)).arg(Q(i.model), Q(i.serial)).toStdString();
    return Q(table.entry(1417))
        .arg(Q(i.model), Q(i.serial), Q(i.ioVersion), Q(i.instrumentVersion))
        .toStdString();
}

// Each instrument the loggers were measured with, once.
std::vector<InstrumentIdentity> Instruments(const std::vector<ReportLogger>& loggers) {
    std::vector<InstrumentIdentity> seen;
    for (const ReportLogger& r : loggers)
        if (r.instrument && std::find(seen.begin(), seen.end(), *r.instrument) == seen.end())
            seen.push_back(*r.instrument);
    return seen;
}

void LayOutHeader(Layout& l, const std::vector<ReportLogger>& loggers, const ReportPeople& people,
                  const QImage& logo) {
    const double logoHeight = 16 * l.mm();
    double logoWidth = 0;
    if (!logo.isNull()) {
        logoWidth = std::min(60 * l.mm(), logoHeight * logo.width() / logo.height());
        l.image(l.width() - logoWidth, QSizeF(logoWidth, logoHeight), logo);
    }
    l.put(0, l.text(kReportTitleEntry), l.title_, Qt::black, l.width() - logoWidth - 4 * l.mm());
    l.space(std::max(logoHeight, l.lineHeight(l.title_)) + l.mm());
    l.rule(QColor(kChartBarRgb.r, kChartBarRgb.g, kChartBarRgb.b), 0.6 * l.mm());
    l.space(3 * l.mm());
    l.field(l.text(1411), people.technician);
    l.field(l.text(1412), people.company);
    l.field(l.text(1413), people.customer);
    l.field(l.text(1414), people.site);
    l.field(l.text(1415), people.siteAddress);
    l.field(l.text(1416), people.notes);
    for (const InstrumentIdentity& i : Instruments(loggers))
        l.field(l.text(1418), InstrumentText(l.table(), i));
    l.space(3 * l.mm());
}

// The table's columns: heading entry, right-aligned; their places come from what they hold.
struct Column {
    int entry;
    bool right;
    double x = 0, width = 0;
};

QString ResultText(const Layout& l, int verdict) {
    return verdict < 0 ? l.text(1430) : l.text(verdict ? 1156 : 1157);
}

// Each column as wide as its heading and its widest cell, the gaps between them even; when
// that is wider than the page, the channel names give way (they are cut with an ellipsis).
std::vector<Column> PlaceColumns(const Layout& l, const std::vector<ReportLogger>& loggers) {
    std::vector<Column> columns{{1421, false}, {1422, true}, {1423, true},
                                {1424, true},  {1425, false}, {1429, false}};
    const QFontMetricsF body(l.body_, l.device()), bold(l.bold_, l.device());
    for (Column& c : columns) c.width = bold.horizontalAdvance(l.text(c.entry));
    for (int verdict : {-1, 0, 1})
        columns[5].width = std::max(columns[5].width, body.horizontalAdvance(ResultText(l, verdict)));
    for (const ReportLogger& r : loggers)
        for (const LoggerRecordRow& row : r.logger.records) {
            const ValueAndUnit power = SplitValueAndUnit(row.power);
            const QString cells[] = {Q(row.channel), Q(row.frequency), Q(row.bandwidth),
                                     Q(power.value), Q(power.unit)};
            for (std::size_t c = 0; c < 5; ++c)
                columns[c].width = std::max(columns[c].width, body.horizontalAdvance(cells[c]));
        }
    double total = 0;
    for (const Column& c : columns) total += c.width;
    const double minGap = 3 * l.mm();
    const double over = total + minGap * 5 - l.width();
    if (over > 0) columns[0].width = std::max(12 * l.mm(), columns[0].width - over);
    total = 0;
    for (const Column& c : columns) total += c.width;
    const double gap = std::clamp((l.width() - total) / 5, minGap, 8 * l.mm());
    double x = 0;
    for (Column& c : columns) {
        c.x = x;
        x += c.width + gap;
    }
    return columns;
}

void ColumnHeadings(Layout& l, const std::vector<Column>& columns) {
    l.need(2 * l.lineHeight(l.bold_));
    for (const Column& c : columns)
        l.put(c.x, l.text(c.entry), l.bold_, Qt::black, c.width, c.right);
    l.endLine(l.bold_);
    l.rule(Qt::black, 0.25 * l.mm());
    l.space(0.8 * l.mm());
}

// `ownInstrument`: the logger names its instrument (the header lists several).
void LayOutLogger(Layout& l, const ReportLogger& entry, const std::vector<Column>& columns,
                  bool ownInstrument) {
    const OpenLogger& lg = entry.logger;
    const LoggerChartData data = ChartData(lg);
    const double chartHeight = 78 * l.mm();
    l.need(l.lineHeight(l.heading_) + 2 * l.lineHeight(l.body_) +
           (lg.records.empty() ? 0 : chartHeight + 3 * l.lineHeight(l.body_)));
    l.space(2 * l.mm());
    l.put(0, l.text(1419).arg(Q(lg.name)), l.heading_);
    l.endLine(l.heading_);
    l.put(0, l.text(1420).arg(Q(lg.planName), Q(lg.date), Q(lg.time), Q(lg.thresholdText)),
          l.body_);
    l.endLine(l.body_);
    if (entry.instrument && ownInstrument) {
        l.put(0, l.text(1418) + " " + Q(InstrumentText(l.table(), *entry.instrument)), l.body_);
        l.endLine(l.body_);
    }
    if (lg.records.empty()) {
        l.put(0, l.text(1431), l.body_);
        l.endLine(l.body_);
    } else {
        l.space(l.mm());
        const LanguageTable& table = l.table();
        const double point = l.mm() * 25.4 / 72.0;
        l.block(chartHeight, [lg, data, &table, width = l.width(), chartHeight,
                              point](QPainter& p) {
            PaintLoggerChart(p, QRectF(0, 0, width, chartHeight), lg, data, table, point);
        });
        l.space(3 * l.mm());
    }

    // The records: each row's result from the chart's own judgement of its bar.
    std::vector<int> verdict(lg.records.size(), -1);  // -1 no result, 0 at or above, 1 below
    int below = 0;
    if (data.threshold)
        for (const ChartBar& bar : data.bars) {
            verdict[static_cast<std::size_t>(bar.record - 1)] = bar.belowThreshold ? 1 : 0;
            below += bar.belowThreshold ? 1 : 0;
        }
    if (!lg.records.empty()) ColumnHeadings(l, columns);
    const QColor warning(kChartWarningRgb.r, kChartWarningRgb.g, kChartWarningRgb.b);
    const double row = l.lineHeight(l.body_);
    for (std::size_t i = 0; i < lg.records.size(); ++i) {
        if (l.needsPage(row)) {
            l.newPage();
            ColumnHeadings(l, columns);
        }
        const LoggerRecordRow& r = lg.records[i];
        const ValueAndUnit power = SplitValueAndUnit(r.power);
        const QString cells[] = {Q(r.channel),   Q(r.frequency),  Q(r.bandwidth),
                                 Q(power.value), Q(power.unit), ResultText(l, verdict[i])};
        if (i % 2 == 1) l.shade(row, QColor(242, 242, 242));
        for (std::size_t c = 0; c < columns.size(); ++c)
            l.put(columns[c].x, cells[c], l.body_,
                  c == 5 && verdict[i] == 1 ? warning : QColor(Qt::black), columns[c].width,
                  columns[c].right);
        l.endLine(l.body_);
    }
    l.space(l.mm());
    l.need(l.lineHeight(l.bold_));
    l.put(0, l.text(kReportSummaryEntry).arg(below).arg(lg.records.size()), l.bold_);
    l.endLine(l.bold_);
    l.space(4 * l.mm());
}

}  // namespace

std::string SiteReportPdf(const std::vector<ReportLogger>& loggers, const ReportPeople& people,
                          const LanguageTable& table, const ReportOptions& options, int* pages,
                          bool* logoUnreadable) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly)) return {};
    QImage logo;
    if (!people.logoFile.empty()) {
        const auto data = ReadWholeFile(PathFromText(people.logoFile), kLogoFileMaxBytes);
        if (data)
            logo = QImage::fromData(reinterpret_cast<const uchar*>(data->data()),
                                    static_cast<int>(data->size()));
        if (logoUnreadable) *logoUnreadable = logo.isNull() || logo.height() == 0;
        if (logo.height() == 0) logo = QImage();
    }
    const std::string date =
        options.date.empty() ? ReportDate(QDate::currentDate(), table) : options.date;
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(300);
        writer.setPageSize(QPageSize(options.page));
        writer.setPageOrientation(QPageLayout::Portrait);
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setTitle(Q(table.entry(kReportTitleEntry) +
                          (people.site.empty() ? "" : " — " + people.site)));
        writer.setCreator(QString::fromUtf8(kSoftwareVersionText));
        Layout layout(writer, table);
        LayOutHeader(layout, loggers, people, logo);
        const std::vector<Column> columns = PlaceColumns(layout, loggers);
        const bool severalInstruments = Instruments(loggers).size() > 1;
        for (const ReportLogger& logger : loggers)
            LayOutLogger(layout, logger, columns, severalInstruments);
        if (!layout.paint(date)) return {};
        if (pages) *pages = layout.pages();
    }
    return bytes.toStdString();
}

int WriteSiteReport(const std::vector<ReportLogger>& loggers, const ReportPeople& people,
                    const LanguageTable& table, const std::filesystem::path& output,
                    Feedback& feedback, const ReportOptions& options) {
    if (loggers.empty()) {
        feedback.showMessage(kMessageReportWithoutLoggers);
        return kReportNoLoggers;
    }
    bool logoUnreadable = false;
    const std::string pdf = SiteReportPdf(loggers, people, table, options, nullptr,
                                          &logoUnreadable);
    if (logoUnreadable) feedback.showMessage(kMessageReportLogoUnreadable);
    WriteFailure why = WriteFailure::Other;
    if (pdf.empty() || !WriteFileAtomically(output, pdf, &why)) {
        feedback.showMessage(kMessageReportNotWritten);
        if (const int cause = WriteFailureMessage(why)) feedback.showMessage(cause);
        return kReportNotWritten;
    }
    return kReportWritten;
}

}  // namespace zv318
