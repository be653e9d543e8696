#pragma once
// A logger's chart painted on any device (the report's pages), as the viewer's chart shows it:
// the legend above, one bar per record whose power is a number, the bars below the threshold
// in the warning colour, the threshold line, the power axis in the logger's unit with its
// ticks, the channel names under the bars (thinned as the viewer thins them) and the note that
// counts the records left out. The scale comes from the rules the viewer uses.

#include <QRectF>

#include "loggers/logger_csv.h"
#include "texts/language_table.h"

class QPainter;

namespace zv318 {

// Paints the chart of `logger` inside `area` (device units); `point` is one typographic point
// in device units, which sizes the fonts, the lines and the gaps.
void PaintLoggerChart(QPainter& painter, const QRectF& area, const OpenLogger& logger,
                      const LoggerChartData& data, const LanguageTable& table, double point);

}  // namespace zv318
