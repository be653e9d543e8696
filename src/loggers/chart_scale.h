#pragma once
// The scaling rules of a logger's chart, shared by the viewer's chart and the report's so
// that both draw the same axis, the same bars and the same channel names: the power axis's
// range and ticks, where the bars start, and how many bars each channel name stands for.

#include <cstddef>

#include "loggers/logger_csv.h"

namespace zv318 {

// The colours of the bars at or above the threshold, of those below it, and of the line.
struct ChartRgb {
    int r, g, b;
};
inline constexpr ChartRgb kChartBarRgb{40, 110, 190};
inline constexpr ChartRgb kChartWarningRgb{220, 60, 30};
inline constexpr ChartRgb kChartThresholdRgb{20, 20, 20};

struct ChartScale {
    double low = 0, high = 1;  // the power axis, on round numbers
    double step = 1;           // between two ticks
    int ticks = 2;             // ticks from low to high, both included
    double base = 0;           // where every bar starts (the bottom of the axis)
};

// The axis spans the powers and the threshold with a margin of 10 % of their span (at least 1
// unit) on both sides, rounded out to a tick step of 1, 2, 2.5 or 5 times a power of ten (about
// five steps); the bars rise from the bottom of the axis, so the strongest signal has the
// longest bar whatever the unit's sign (dBm).
[[nodiscard]] ChartScale ScaleChart(const LoggerChartData& data);

// Bars per channel name on a plot `plotWidth` wide holding `bars` bars whose widest name is
// `widestLabel` wide (same unit): enough for the name and a gap of 12, always odd so that the
// name stands under the middle bar of its stretch.
[[nodiscard]] int ChannelLabelStep(double plotWidth, std::size_t bars, double widestLabel);

}  // namespace zv318
