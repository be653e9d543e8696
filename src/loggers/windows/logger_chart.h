#pragma once
// The chart of the open logger: one bar per record whose power is a number, in record order,
// rising from the bottom of the power axis (which spans the powers and the threshold),
// the channel names under the bars (thinned when they would overlap), the power on the
// vertical axis in the logger's unit, the threshold as a horizontal line, the bars below it
// in a warning colour, the logger's name and date as the title; a note under the chart counts
// the records whose power is not a number. Hovering a bar shows its record line.

#include <QColor>
#include <QString>
#include <QWidget>
#include <filesystem>
#include <vector>

#include "loggers/logger_csv.h"
#include "loggers/logger_file.h"
#include "texts/language_table.h"

class QBarSet;
class QCategoryAxis;
class QChart;
class QChartView;
class QGraphicsSimpleTextItem;
class QLabel;
class QLineSeries;
class QStackedBarSeries;
class QValueAxis;

namespace zv318 {

class ChannelAxisLabels;

class LoggerChart : public QWidget {
    Q_OBJECT

public:
    // The colours of the bars at or above the threshold, of those below it, and of the line.
    static const QColor kBarColour;
    static const QColor kWarningColour;
    static const QColor kThresholdColour;

    explicit LoggerChart(QWidget* parent = nullptr);

    // Titles, axis titles, legend and note from entries 1151 to 1157 (English when unset).
    void applyTranslation(const LanguageTable& table);
    // Shows a logger (a logger of no records: its title and a text saying it holds none).
    void ShowLogger(const OpenLogger& logger);

    // "Save chart as…": a PDF when the path ends in ".pdf", a PNG otherwise (".png" added
    // when the path has no extension). False when the file cannot be written.
    [[nodiscard]] bool SaveChart(const std::filesystem::path& file);

    // The record line a bar shows when hovered: row, channel, frequency, bandwidth, power.
    [[nodiscard]] QString recordLine(int bar) const;
    [[nodiscard]] const LoggerChartData& data() const { return data_; }
    [[nodiscard]] QChart* chart() const { return chart_; }
    [[nodiscard]] QChartView* view() const { return view_; }
    [[nodiscard]] QLabel* note() const { return note_; }
    // The two sets of the bars: at or above the threshold, below it (zero where the other set
    // holds the bar).
    [[nodiscard]] QBarSet* barsAbove() const { return above_; }
    [[nodiscard]] QBarSet* barsBelow() const { return below_; }
    [[nodiscard]] QLineSeries* thresholdLine() const { return line_; }
    // The power axis shown; the bars stand on its bottom.
    [[nodiscard]] QValueAxis* powerAxis() const { return power_; }
    // "This logger holds no records." in the middle of the plot; empty for any other logger.
    [[nodiscard]] QString emptyText() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    [[nodiscard]] QString text(int entry, const char* fallback) const;
    void rebuild();
    void labelChannels();
    void showRecordLine(bool hovered, int bar);
    void placeEmptyText(const QRectF& plot);

    const LanguageTable* table_ = nullptr;
    OpenLogger logger_;
    LoggerChartData data_;
    QChart* chart_;
    QChartView* view_;
    QLabel* note_;
    QStackedBarSeries* series_ = nullptr;
    QBarSet* above_ = nullptr;
    QBarSet* below_ = nullptr;
    QLineSeries* line_ = nullptr;
    QCategoryAxis* channels_ = nullptr;
    QValueAxis* power_ = nullptr;
    QValueAxis* heights_ = nullptr;  // the bars' distance from the bottom of power_
    QGraphicsSimpleTextItem* empty_ = nullptr;
    ChannelAxisLabels* labels_ = nullptr;  // the channel names under the bars
};

}  // namespace zv318
