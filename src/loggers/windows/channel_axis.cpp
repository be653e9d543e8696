#include "loggers/windows/channel_axis.h"

#include <QCategoryAxis>
#include <QChart>
#include <QFontMetrics>
#include <algorithm>
#include <set>

#include "loggers/chart_scale.h"

namespace zv318 {

ChannelAxisLabels::ChannelAxisLabels(QChart* chart, QCategoryAxis* axis)
    : QObject(chart), chart_(chart), axis_(axis) {
    axis_->setLabelsPosition(QCategoryAxis::AxisLabelsPositionCenter);
    axis_->setStartValue(-0.5);
    connect(chart_, &QChart::plotAreaChanged, this, [this](const QRectF& area) {
        if (names_.isEmpty() || area.width() <= 10) return;
        const auto bars = static_cast<std::size_t>(names_.size());
        if (ChannelLabelStep(area.width(), bars, widest_) != step_) relabel(area.width());
    });
}

void ChannelAxisLabels::setNames(QStringList names, double plotWidth) {
    names_ = std::move(names);
    for (qsizetype k = 0; k < names_.size(); ++k)
        if (names_[k].isEmpty()) names_[k] = QString::number(k + 1);
    const QFontMetrics metrics(axis_->labelsFont());
    widest_ = 0;
    for (const QString& name : names_) widest_ = std::max(widest_, metrics.horizontalAdvance(name));
    axis_->setRange(-0.5, static_cast<double>(std::max<qsizetype>(names_.size(), 1)) - 0.5);
    const double laidOut = chart_->plotArea().width();
    relabel(laidOut > 10 ? laidOut : plotWidth);
}

void ChannelAxisLabels::relabel(double plotWidth) {
    for (const QString& label : axis_->categoriesLabels()) axis_->remove(label);
    const int n = static_cast<int>(names_.size());
    step_ = 0;
    if (n == 0) return;
    const QFontMetrics metrics(axis_->labelsFont());
    const double perBar = plotWidth / n;
    step_ = ChannelLabelStep(plotWidth, static_cast<std::size_t>(n), widest_);
    std::set<QString> used;
    for (int first = 0; first < n; first += step_) {
        const int last = std::min(first + step_, n) - 1;
        QString label = names_[first + (last - first) / 2];  // the middle bar's
        // A last stretch too short for its name stays without one.
        if ((last - first + 1) * perBar < metrics.horizontalAdvance(label) + 4) break;
        // The axis keys its labels by text: a name seen before gets an invisible mark.
        while (used.contains(label)) label += QChar(0x200B);
        used.insert(label);
        axis_->append(label, last + 0.5);
    }
}

}  // namespace zv318
