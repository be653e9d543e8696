#pragma once
// The channel names under a chart's bars as the person sees them: each on a stretch of bars as
// wide as itself at least (so none is cut to "…" and no two overlap), and some shown at all.

#include <QCategoryAxis>
#include <QChart>
#include <QFontMetrics>
#include <string>
#include <vector>

namespace zv318::testing {

// The names that do not fit their stretch of `bars` bars; "no names" when there are bars but
// no name under them.
inline std::vector<std::string> CutChannelNames(const QChart& chart, int bars) {
    std::vector<std::string> cut;
    auto* axis = qobject_cast<QCategoryAxis*>(chart.axes(Qt::Horizontal).value(0));
    if (!axis) return {"no channel axis"};
    const double perBar = chart.plotArea().width() / std::max(bars, 1);
    const QFontMetrics metrics(axis->labelsFont());
    double start = axis->startValue();
    for (const QString& label : axis->categoriesLabels()) {
        const double end = axis->endValue(label);
        if ((end - start) * perBar < metrics.horizontalAdvance(label)) cut.push_back(label.toStdString());
        start = end;
    }
    if (bars > 0 && axis->categoriesLabels().isEmpty()) cut.push_back("no names");
    return cut;
}

}  // namespace zv318::testing
