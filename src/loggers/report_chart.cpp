#include "loggers/report_chart.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "loggers/chart_scale.h"

namespace zv318 {

namespace {

QColor Colour(ChartRgb rgb) {
    return QColor(rgb.r, rgb.g, rgb.b);
}

QString Entry(const LanguageTable& table, int n) {
    return QString::fromStdString(table.entry(n));
}

// A number on the power axis: as few decimals as the step needs.
QString TickText(double value, double step) {
    const int decimals = step >= 1 ? 0 : std::min(3, static_cast<int>(std::ceil(-std::log10(step))));
    if (std::fabs(value) < step * 1e-6) value = 0;
    return QString::number(value, 'f', decimals);
}

}  // namespace

void PaintLoggerChart(QPainter& painter, const QRectF& area, const OpenLogger& logger,
                      const LoggerChartData& data, const LanguageTable& table, double point) {
    painter.save();
    QFont font = painter.font();
    font.setPointSizeF(7.5);
    font.setBold(false);
    painter.setFont(font);
    const QFontMetricsF metrics(font, painter.device());
    const double line = metrics.height();
    const ChartScale scale = ScaleChart(data);

    // The legend: a swatch and its text for each series, on one row above the plot.
    struct Item {
        QColor colour;
        QString text;
        bool isLine;
    };
    std::vector<Item> legend{{Colour(kChartBarRgb), Entry(table, 1157), false},
                             {Colour(kChartWarningRgb), Entry(table, 1156), false}};
    if (data.threshold) {
        const ValueAndUnit threshold = SplitValueAndUnit(logger.thresholdText);
        legend.push_back({Colour(kChartThresholdRgb),
                          Entry(table, 1152)
                              .arg(QString::fromStdString(threshold.value + " " + threshold.unit)
                                       .trimmed()),
                          true});
    }
    double x = area.left() + 40 * point;
    for (const Item& item : legend) {
        const QRectF swatch(x, area.top() + line * 0.25, line * 0.8, line * 0.5);
        if (item.isLine)
            painter.fillRect(QRectF(swatch.left(), swatch.center().y() - point, swatch.width(),
                                    2 * point),
                             item.colour);
        else
            painter.fillRect(swatch, item.colour);
        x += swatch.width() + 3 * point;
        painter.setPen(Qt::black);
        painter.drawText(QPointF(x, area.top() + metrics.ascent()), item.text);
        x += metrics.horizontalAdvance(item.text) + 12 * point;
    }

    // The plot: room on the left for the ticks and the axis title, below for names and title.
    const QString skippedNote =
        data.skipped > 0 ? Entry(table, 1153).arg(data.skipped) : QString();
    double widestTick = 0;
    for (int i = 0; i < scale.ticks; ++i)
        widestTick = std::max(widestTick, metrics.horizontalAdvance(
                                              TickText(scale.low + i * scale.step, scale.step)));
    const double left = area.left() + line * 1.4 + widestTick + 4 * point;
    const double bottom = area.bottom() - line * 2.4 - (skippedNote.isEmpty() ? 0 : line * 1.2);
    const QRectF plot(left, area.top() + line * 1.6, area.right() - left - 4 * point,
                      bottom - area.top() - line * 1.6);
    auto yOf = [&](double value) {
        return plot.bottom() - (value - scale.low) / (scale.high - scale.low) * plot.height();
    };

    // Grid lines and tick labels of the power axis.
    QPen grid(QColor(215, 215, 215));
    grid.setWidthF(0.5 * point);
    for (int i = 0; i < scale.ticks; ++i) {
        const double value = scale.low + i * scale.step;
        const double y = yOf(value);
        painter.setPen(grid);
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter.setPen(Qt::black);
        const QString text = TickText(value, scale.step);
        painter.drawText(QPointF(plot.left() - 3 * point - metrics.horizontalAdvance(text),
                                 y + metrics.ascent() / 2 - point),
                         text);
    }
    painter.save();
    painter.translate(area.left() + metrics.ascent(), plot.center().y());
    painter.rotate(-90);
    const QString powerTitle = Entry(table, 1151).arg(QString::fromStdString(data.unit));
    painter.drawText(QPointF(-metrics.horizontalAdvance(powerTitle) / 2, 0), powerTitle);
    painter.restore();

    // The bars, from the base the viewer's bars start at, in record order.
    const std::size_t n = data.bars.size();
    const double perBar = plot.width() / static_cast<double>(std::max<std::size_t>(n, 1));
    const double base = yOf(scale.base);
    for (std::size_t i = 0; i < n; ++i) {
        const ChartBar& bar = data.bars[i];
        const double top = yOf(bar.power);
        const QRectF rect(plot.left() + (static_cast<double>(i) + 0.1) * perBar,
                          std::min(top, base), perBar * 0.8, std::fabs(base - top));
        painter.fillRect(rect, Colour(bar.belowThreshold ? kChartWarningRgb : kChartBarRgb));
    }
    if (data.threshold) {
        QPen pen(Colour(kChartThresholdRgb));
        pen.setWidthF(1.5 * point);
        painter.setPen(pen);
        const double y = yOf(*data.threshold);
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
    }
    QPen axis(Qt::black);
    axis.setWidthF(0.75 * point);
    painter.setPen(axis);
    painter.drawLine(plot.bottomLeft(), plot.bottomRight());
    painter.drawLine(plot.bottomLeft(), plot.topLeft());

    // The channel names, one per stretch of bars wide enough for the widest.
    painter.setPen(Qt::black);
    if (n > 0) {
        double widest = 0;
        for (const ChartBar& bar : data.bars)
            widest = std::max(widest,
                              metrics.horizontalAdvance(QString::fromStdString(bar.channel)));
        // The viewer measures in screen pixels, its gap 12 of them: the same gap here.
        const int step = ChannelLabelStep(plot.width() / point, n, widest / point);
        for (std::size_t first = 0; first < n; first += static_cast<std::size_t>(step)) {
            const std::size_t last = std::min(first + static_cast<std::size_t>(step), n) - 1;
            const ChartBar& bar = data.bars[first + (last - first) / 2];
            const QString label = bar.channel.empty() ? QString::number(bar.record)
                                                      : QString::fromStdString(bar.channel);
            const double width = metrics.horizontalAdvance(label);
            if (static_cast<double>(last - first + 1) * perBar < width + 4 * point) break;
            const double centre =
                plot.left() + (static_cast<double>(first + last) / 2 + 0.5) * perBar;
            painter.drawText(QPointF(centre - width / 2, plot.bottom() + line), label);
        }
        const QString channelTitle = Entry(table, 1154);
        painter.drawText(QPointF(plot.center().x() - metrics.horizontalAdvance(channelTitle) / 2,
                                 plot.bottom() + line * 2.2),
                         channelTitle);
    }
    if (!skippedNote.isEmpty())
        painter.drawText(QPointF(area.left(), area.bottom() - metrics.descent()), skippedNote);
    painter.restore();
}

}  // namespace zv318
