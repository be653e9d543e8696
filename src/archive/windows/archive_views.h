#pragma once
// The archive's two analyses in windows of their own: a comparison of two loggers (one chart
// with both, a table channel / power A / power B / difference) and the trend of one logger's
// channels over every archived logger of its name and type (a line chart and a table). Both
// save their table as CSV.

#include <QDialog>
#include <functional>

#include "archive/archive_analysis.h"
#include "texts/language_table.h"

class QAbstractAxis;
class QChartView;
class QColor;
class QListWidget;
class QTableWidget;

namespace zv318 {

class ArchiveAnalysisWindow : public QDialog {
    Q_OBJECT
public:
    ArchiveAnalysisWindow(const LanguageTable& table, QWidget* parent = nullptr);

    void ShowComparison(const Comparison& comparison);
    // The trend's series are the channels; `choose` lists every channel of the reference with
    // the chosen ones ticked, and a change asks `recompute` for the trend of the new choice.
    void ShowTrend(const Trend& trend, const std::vector<std::string>& allChannels,
                   std::function<std::optional<Trend>(const std::vector<std::string>&)> recompute);

    // Where "Save CSV…" writes (a dialog unless set); ".csv" is added when the name lacks it.
    std::function<QString(const QString& proposed)> chooseCsvFile;
    // Told of each CSV written (the program's notice with "Open" and "Show in folder").
    std::function<void(const std::string& file)> fileWritten;
    // The colour of a trend's channel: its own whichever others are ticked.
    [[nodiscard]] static QColor ChannelColour(std::size_t channelIndex);
    [[nodiscard]] const std::string& csv() const { return csv_; }

    QChartView* ChartView;
    QTableWidget* Table;
    QListWidget* Channels;  // the trend's channels; hidden for a comparison

private slots:
    void SaveCsvClick();

private:
    [[nodiscard]] QString text(int entry) const;
    void fillTrend(const Trend& trend);
    // The threshold as a dashed line over the chart's x range, named with its value.
    void addThresholdLine(double threshold, const QString& unit, double fromX, double toX,
                          QAbstractAxis* x, QAbstractAxis* y);

    const LanguageTable& table_;
    std::string csv_;
    QString proposed_;
    std::function<std::optional<Trend>(const std::vector<std::string>&)> recompute_;
    std::vector<std::string> allChannels_;
};

}  // namespace zv318
