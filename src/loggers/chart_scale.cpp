#include "loggers/chart_scale.h"

#include <algorithm>
#include <cmath>

namespace zv318 {

namespace {

// The round step (1, 2, 2.5 or 5 times a power of ten) nearest above span / 5.
double NiceStep(double span) {
    const double raw = span / 5;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    for (double f : {1.0, 2.0, 2.5, 5.0, 10.0})
        if (raw <= f * magnitude * 1.0000001) return f * magnitude;
    return 10 * magnitude;
}

}  // namespace

ChartScale ScaleChart(const LoggerChartData& data) {
    double low = data.threshold.value_or(data.bars.empty() ? 0 : data.bars.front().power);
    double high = low;
    for (const ChartBar& bar : data.bars) {
        low = std::min(low, bar.power);
        high = std::max(high, bar.power);
    }
    const double margin = std::max(1.0, (high - low) * 0.1);
    low -= margin;
    high += margin;

    ChartScale scale;
    scale.step = NiceStep(high - low);
    scale.low = std::floor(low / scale.step + 1e-9) * scale.step;
    scale.high = std::ceil(high / scale.step - 1e-9) * scale.step;
    scale.ticks = static_cast<int>(std::lround((scale.high - scale.low) / scale.step)) + 1;
    scale.base = scale.low;
    return scale;
}

int ChannelLabelStep(double plotWidth, std::size_t bars, double widestLabel) {
    const double perBar = plotWidth / static_cast<double>(std::max<std::size_t>(bars, 1));
    const int step = std::max(1, static_cast<int>(std::ceil((widestLabel + 12) / perBar)));
    return step % 2 == 0 ? step + 1 : step;
}

}  // namespace zv318
