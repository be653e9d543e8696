#pragma once
// The channel names under a chart's bars, one bar per channel at 0, 1, 2…: each name stands
// centred under the middle bar of a stretch of bars wide enough for the widest name and a gap,
// so that names never overlap nor are cut; they are thinned again whenever the plot's width
// changes.

#include <QObject>
#include <QStringList>

class QCategoryAxis;
class QChart;

namespace zv318 {

class ChannelAxisLabels : public QObject {
public:
    // Labels `axis` (a bottom axis of `chart`) and follows the chart's plot area.
    ChannelAxisLabels(QChart* chart, QCategoryAxis* axis);
    // The names of the bars in order (an empty name: the bar's number from 1); the axis then
    // runs from -0.5 to names.size() - 0.5. `plotWidth`: the plot's width until the chart is
    // laid out.
    void setNames(QStringList names, double plotWidth);
    // Bars per name as labelled last (odd).
    [[nodiscard]] int step() const { return step_; }

private:
    void relabel(double plotWidth);

    QChart* chart_;
    QCategoryAxis* axis_;
    QStringList names_;
    int widest_ = 0;
    int step_ = 0;
};

}  // namespace zv318
