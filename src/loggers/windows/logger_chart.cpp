#include "loggers/windows/logger_chart.h"

#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCursor>
#include <QGraphicsSimpleTextItem>
#include <QLabel>
#include <QLineSeries>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QStackedBarSeries>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "loggers/chart_scale.h"
#include "loggers/windows/channel_axis.h"
#include "texts/qt_path.h"

namespace zv318 {

const QColor LoggerChart::kBarColour(kChartBarRgb.r, kChartBarRgb.g, kChartBarRgb.b);
const QColor LoggerChart::kWarningColour(kChartWarningRgb.r, kChartWarningRgb.g,
                                         kChartWarningRgb.b);
const QColor LoggerChart::kThresholdColour(kChartThresholdRgb.r, kChartThresholdRgb.g,
                                           kChartThresholdRgb.b);

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

LoggerChart::LoggerChart(QWidget* parent) : QWidget(parent) {
    setObjectName("LoggerChart");
    chart_ = new QChart;
    chart_->setObjectName("Chart");
    chart_->legend()->setAlignment(Qt::AlignTop);
    chart_->setMargins(QMargins(4, 4, 4, 4));
    view_ = new QChartView(chart_, this);
    view_->setObjectName("ChartView");
    view_->setRenderHint(QPainter::Antialiasing);
    // White round the chart's rounded corners, on screen and in the saved picture.
    view_->setBackgroundBrush(Qt::white);
    note_ = new QLabel(this);
    note_->setObjectName("ChartNote");
    note_->setWordWrap(true);
    note_->hide();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(view_, 1);
    layout->addWidget(note_);
    channels_ = new QCategoryAxis;
    channels_->setObjectName("ChannelAxis");
    channels_->setGridLineVisible(false);
    power_ = new QValueAxis;
    power_->setObjectName("PowerAxis");
    // The bars' heights are their distance from the bottom of the power axis, on an axis of
    // their own that is not shown: a bar rises from the bottom whatever the sign of the unit.
    heights_ = new QValueAxis;
    heights_->setObjectName("BarHeightAxis");
    heights_->setVisible(false);
    chart_->addAxis(channels_, Qt::AlignBottom);
    chart_->addAxis(power_, Qt::AlignLeft);
    chart_->addAxis(heights_, Qt::AlignLeft);
    labels_ = new ChannelAxisLabels(chart_, channels_);
    empty_ = new QGraphicsSimpleTextItem(chart_);
    QFont emptyFont = empty_->font();
    emptyFont.setPixelSize(18);
    empty_->setFont(emptyFont);
    connect(chart_, &QChart::plotAreaChanged, this, &LoggerChart::placeEmptyText);
    rebuild();
}

QString LoggerChart::text(int entry, const char* fallback) const {
    if (table_ && !table_->entry(entry).empty()) return Q(table_->entry(entry));
    return QString::fromUtf8(fallback);
}

void LoggerChart::applyTranslation(const LanguageTable& table) {
    table_ = &table;
    rebuild();
}

void LoggerChart::ShowLogger(const OpenLogger& logger) {
    logger_ = logger;
    data_ = ChartData(logger_);
    rebuild();
}

QString LoggerChart::emptyText() const {
    return empty_->text();
}

QString LoggerChart::recordLine(int bar) const {
    if (bar < 0 || static_cast<std::size_t>(bar) >= data_.bars.size()) return {};
    const int record = data_.bars[static_cast<std::size_t>(bar)].record;
    const LoggerRecordRow& r = logger_.records[static_cast<std::size_t>(record - 1)];
    return QString("%1  %2  %3  %4  %5")
        .arg(record)
        .arg(Q(r.channel), Q(r.frequency), Q(r.bandwidth), Q(r.power));
}

void LoggerChart::rebuild() {
    // The axes stay for the chart's life; only the series are made afresh.
    chart_->removeAllSeries();
    chart_->setTitle(
        text(1155, "%1 (%2 %3)").arg(Q(logger_.name), Q(logger_.date), Q(logger_.time)));
    QFont title = chart_->titleFont();
    title.setPixelSize(16);
    title.setBold(true);
    chart_->setTitleFont(title);

    const int n = static_cast<int>(data_.bars.size());
    // The power axis and where the bars rise from: the rules the report's chart follows too.
    const ChartScale scale = ScaleChart(data_);
    power_->setRange(scale.low, scale.high);
    power_->setTickCount(scale.ticks);
    const double base = scale.base;
    heights_->setRange(0, scale.high - base);

    above_ = new QBarSet(text(1157, "At or above the threshold"));
    below_ = new QBarSet(text(1156, "Below the threshold"));
    above_->setColor(kBarColour);
    above_->setBorderColor(kBarColour);
    below_->setColor(kWarningColour);
    below_->setBorderColor(kWarningColour);
    for (const ChartBar& bar : data_.bars) {
        *above_ << (bar.belowThreshold ? 0.0 : bar.power - base);
        *below_ << (bar.belowThreshold ? bar.power - base : 0.0);
    }
    series_ = new QStackedBarSeries;
    series_->setBarWidth(0.8);
    series_->append(above_);
    series_->append(below_);
    chart_->addSeries(series_);
    connect(series_, &QAbstractBarSeries::hovered, this,
            [this](bool hovered, int index, QBarSet*) { showRecordLine(hovered, index); });

    // A logger of no records shows that, with no axes and no line across an empty plot.
    line_ = nullptr;
    if (data_.threshold && n > 0) {
        const ValueAndUnit threshold = SplitValueAndUnit(logger_.thresholdText);
        line_ = new QLineSeries;
        line_->setName(
            text(1152, "Threshold %1").arg(Q(threshold.value + " " + threshold.unit).trimmed()));
        QPen pen(kThresholdColour);
        pen.setWidth(2);
        line_->setPen(pen);
        line_->append(-0.5, *data_.threshold);
        line_->append(n - 0.5, *data_.threshold);
        chart_->addSeries(line_);
    }
    channels_->setVisible(n > 0);
    power_->setVisible(n > 0);
    chart_->legend()->setVisible(n > 0);
    empty_->setText(n > 0 ? QString() : text(1223, "This logger holds no records."));
    placeEmptyText(chart_->plotArea());

    channels_->setTitleText(text(1154, "Channel"));
    power_->setTitleText(text(1151, "Power (%1)").arg(Q(data_.unit)));
    series_->attachAxis(channels_);
    series_->attachAxis(heights_);
    if (line_) {
        line_->attachAxis(channels_);
        line_->attachAxis(power_);
    }
    labelChannels();

    if (data_.skipped > 0) {
        note_->setText(
            text(1153, "Records left out of the chart, their power not being a number: %1")
                .arg(data_.skipped));
        note_->show();
    } else {
        note_->clear();
        note_->hide();
    }
}

void LoggerChart::labelChannels() {
    if (!channels_) return;
    channels_->setTitleVisible(!data_.bars.empty());
    QStringList names;
    for (const ChartBar& bar : data_.bars)
        names << (bar.channel.empty() ? QString::number(bar.record) : Q(bar.channel));
    // The plot's width once the chart is laid out, an estimate from the view's before.
    labels_->setNames(names, std::max(50, view_->width() - 100));
}

void LoggerChart::placeEmptyText(const QRectF& plot) {
    const QRectF box = empty_->boundingRect();
    empty_->setPos(plot.center() - QPointF(box.width() / 2, box.height() / 2));
}

void LoggerChart::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    labelChannels();
}

void LoggerChart::showRecordLine(bool hovered, int bar) {
    if (hovered)
        QToolTip::showText(QCursor::pos(), recordLine(bar), view_);
    else
        QToolTip::hideText();
}

bool LoggerChart::SaveChart(const std::filesystem::path& file) {
    std::filesystem::path path = file;
    if (!path.has_extension()) path += ".png";
    // Written beside the target and renamed over it: a failure never leaves half a picture.
    QSaveFile out(QStringFromPath(path));
    if (!out.open(QIODevice::WriteOnly)) return false;
    if (path.extension() == ".pdf" || path.extension() == ".PDF") {
        QPdfWriter writer(&out);
        writer.setPageOrientation(QPageLayout::Landscape);
        writer.setTitle(chart_->title());
        QPainter painter;
        if (!painter.begin(&writer)) return false;
        view_->render(&painter);
        if (!painter.end()) return false;
    } else if (!view_->grab().save(&out, "PNG")) {
        return false;
    }
    return out.commit();
}

}  // namespace zv318
