#include "archive/windows/archive_views.h"
#include "texts/windows/window_growth.h"

#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineSeries>
#include <QListWidget>
#include <QMessageBox>
#include <QPen>
#include <QPushButton>
#include <QScatterSeries>
#include <QSplitter>
#include <QTableWidget>
#include <QValueAxis>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <iterator>

#include "archive/page_rules.h"
#include "loggers/windows/channel_axis.h"
#include "plans/plan_model.h"
#include "texts/output_path.h"
#include "texts/qt_path.h"
#include "texts/text_file.h"

namespace zv318 {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The threshold line's name (%1 the value, %2 the unit) and the marks below it.
constexpr int kThresholdEntry = 1696;
constexpr int kBelowThresholdEntry = 1489;

QTableWidgetItem* Cell(const QString& text, bool number = false) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    if (number) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

QString Number(const std::optional<double>& v, int decimals = -1) {
    if (!v) return {};
    return decimals < 0 ? QString::number(*v) : QString::number(*v, 'f', decimals);
}

// Powers below the logger's threshold are marked red in the tables and the charts.
const QColor kBelowColour(200, 30, 30);
// A compared channel's two bars share this much of its width, A left of the middle, B right.
constexpr double kComparedBarWidth = 0.6;

bool Below(const std::optional<double>& power, const std::optional<double>& threshold) {
    return power && threshold && *power < *threshold;
}

QTableWidgetItem* PowerCell(const QString& text, bool below) {
    QTableWidgetItem* item = Cell(text, true);
    if (below) {
        item->setForeground(kBelowColour);
        QFont bold = item->font();
        bold.setBold(true);
        item->setFont(bold);
    }
    return item;
}

// The table's columns as wide as their contents, and all wider in proportion when the window
// has more room: the table fills the window's width.
void FitColumns(QTableWidget* table) {
    table->resizeColumnsToContents();
    std::vector<int> widths(static_cast<std::size_t>(table->columnCount()));
    for (std::size_t c = 0; c < widths.size(); ++c)
        widths[c] = table->columnWidth(static_cast<int>(c));
    StretchColumns(table, std::move(widths));
}

// The marks of the values below their threshold, in the warning colour, on a bar's top or a
// trend's point.
QScatterSeries* BelowThresholdMarks(const QString& name) {
    auto* marks = new QScatterSeries;
    marks->setObjectName("BelowThreshold");
    marks->setName(name);
    marks->setColor(kBelowColour);
    marks->setBorderColor(Qt::white);
    marks->setMarkerShape(QScatterSeries::MarkerShapeTriangle);
    marks->setMarkerSize(11);
    return marks;
}

// The marks on the chart when there are any (no empty legend entry otherwise).
void AddMarks(QChart* chart, QScatterSeries* marks, QAbstractAxis* x, QAbstractAxis* y) {
    if (marks->count() == 0) {
        delete marks;
        return;
    }
    chart->addSeries(marks);
    marks->attachAxis(x);
    marks->attachAxis(y);
}

QString Caption(const ArchivedLogger& lg) {
    return Q(lg.name) + "  " + Q(lg.measuredAt.value_or("")).replace('T', ' ');
}

// The y axis around the values shown, with a little room above and below; bars stand on 0,
// so a bar chart's axis reaches 0 and has no room beyond it.
QValueAxis* PowerAxis(double low, double high, const QString& title, bool bars = false) {
    auto* axis = new QValueAxis;
    if (low > high) low = high = 0;
    if (bars) {
        low = std::min(low, 0.0);
        high = std::max(high, 0.0);
    }
    const double margin = std::max(1.0, (high - low) * 0.1);
    axis->setRange(std::floor(bars && low == 0 ? 0 : low - margin),
                   std::ceil(bars && high == 0 ? 0 : high + margin));
    axis->applyNiceNumbers();
    axis->setTitleText(title);
    return axis;
}

}  // namespace

ArchiveAnalysisWindow::ArchiveAnalysisWindow(const LanguageTable& table, QWidget* parent)
    : QDialog(parent), table_(table) {
    setObjectName("ArchiveAnalysisWindow");
    resize(900, 640);
    RememberPlace(this, "analysis");
    ChartView = new QChartView(new QChart, this);
    ChartView->setRenderHint(QPainter::Antialiasing);
    ChartView->setMinimumHeight(300);
    Table = new QTableWidget(this);
    Table->verticalHeader()->setVisible(false);
    Table->setSelectionBehavior(QAbstractItemView::SelectRows);
    Channels = new QListWidget(this);
    Channels->setMaximumWidth(140);
    Channels->hide();
    auto* save = new QPushButton(text(1499), this);
    auto* close = new QPushButton(text(1503), this);
    connect(save, &QPushButton::clicked, this, &ArchiveAnalysisWindow::SaveCsvClick);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(ChartView);
    split->addWidget(Table);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    auto* middle = new QHBoxLayout;
    middle->addWidget(Channels);
    middle->addWidget(split, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(save);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(middle, 1);
    layout->addLayout(buttons);

    chooseCsvFile = [this](const QString& proposed) {
        return QFileDialog::getSaveFileName(this, text(1499), proposed, "CSV (*.csv)", nullptr,
                                            QFileDialog::DontConfirmOverwrite);
    };
}

QString ArchiveAnalysisWindow::text(int entry) const { return Q(table_.entry(entry)); }

void ArchiveAnalysisWindow::ShowComparison(const Comparison& c) {
    setWindowTitle(text(1492) + ": " + Caption(c.loggerA) + "  /  " + Caption(c.loggerB));
    csv_ = ComparisonCsv(c);
    proposed_ = Q(c.loggerA.name + "-" + c.loggerB.name + ".csv");

    auto* a = new QBarSet("A: " + Caption(c.loggerA));
    auto* b = new QBarSet("B: " + Caption(c.loggerB));
    QStringList names;
    double low = 0, high = 0;
    bool any = false;
    for (const ComparedChannel& r : c.rows) {
        names << Q(r.channel);
        *a << r.a.value_or(0);
        *b << r.b.value_or(0);
        for (const std::optional<double>& v : {r.a, r.b})
            if (v) {
                low = any ? std::min(low, *v) : *v;
                high = any ? std::max(high, *v) : *v;
                any = true;
            }
    }
    for (const std::optional<double>& t : {c.loggerA.threshold, c.loggerB.threshold})
        if (t) {
            low = any ? std::min(low, *t) : *t;
            high = any ? std::max(high, *t) : *t;
            any = true;
        }
    auto* series = new QBarSeries;
    series->setBarWidth(kComparedBarWidth);
    series->append(a);
    series->append(b);
    QChart* chart = ChartView->chart();
    chart->addSeries(series);
    // The channel names, thinned to what the plot's width holds (a QCategoryAxis on the bars'
    // places 0, 1, 2…).
    auto* x = new QCategoryAxis;
    x->setObjectName("ChannelAxis");
    QValueAxis* y = PowerAxis(low, high, Q(c.loggerA.unit), true);
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(x);
    series->attachAxis(y);
    auto* labels = new ChannelAxisLabels(chart, x);
    labels->setNames(names, std::max(50, ChartView->width() - 100));
    // A bar below its logger's threshold keeps its logger's colour and carries a mark on its top,
    // as the trend marks its points.
    auto* below = BelowThresholdMarks(text(kBelowThresholdEntry));
    int index = 0;
    for (const ComparedChannel& r : c.rows) {
        if (Below(r.a, c.loggerA.threshold)) below->append(index - kComparedBarWidth / 4, *r.a);
        if (Below(r.b, c.loggerB.threshold)) below->append(index + kComparedBarWidth / 4, *r.b);
        ++index;
    }
    // One line per threshold (one when both loggers have the same).
    const double left = -0.5, right = static_cast<double>(c.rows.size()) - 0.5;
    if (c.loggerA.threshold) addThresholdLine(*c.loggerA.threshold, Q(c.loggerA.unit), left, right, x, y);
    if (c.loggerB.threshold && c.loggerB.threshold != c.loggerA.threshold)
        addThresholdLine(*c.loggerB.threshold, Q(c.loggerB.unit), left, right, x, y);
    AddMarks(chart, below, x, y);
    chart->legend()->setAlignment(Qt::AlignBottom);

    Table->setColumnCount(5);
    Table->setHorizontalHeaderLabels({text(1494), text(1495), text(1496), text(1497), text(1498)});
    Table->setRowCount(static_cast<int>(c.rows.size()));
    int row = 0;
    for (const ComparedChannel& r : c.rows) {
        Table->setItem(row, 0, Cell(Q(r.channel)));
        Table->setItem(row, 1, Cell(Q(HzToMHzText(r.frequencyHz)), true));
        Table->setItem(row, 2, PowerCell(Q(r.powerA.value_or("")), Below(r.a, c.loggerA.threshold)));
        Table->setItem(row, 3, PowerCell(Q(r.powerB.value_or("")), Below(r.b, c.loggerB.threshold)));
        QTableWidgetItem* d = Cell(Number(r.difference, 2), true);
        if (r.difference && *r.difference < 0) d->setForeground(QColor(180, 30, 30));
        Table->setItem(row, 4, d);
        ++row;
    }
    FitColumns(Table);
}

void ArchiveAnalysisWindow::ShowTrend(
    const Trend& trend, const std::vector<std::string>& allChannels,
    TrendRecompute recompute) {
    setWindowTitle(text(1493) + ": " + Q(trend.reference.name) + " (" + Q(trend.reference.type) +
                   ")");
    proposed_ = Q(trend.reference.name + "-trend.csv");
    recompute_ = std::move(recompute);
    Channels->show();
    allChannels_ = allChannels;
    {
        QSignalBlocker quiet(Channels);
        for (const std::string& ch : allChannels) {
            auto* item = new QListWidgetItem(Q(ch), Channels);
            bool chosen = false;
            for (const TrendSeries& s : trend.series) chosen = chosen || s.channel == ch;
            item->setCheckState(chosen ? Qt::Checked : Qt::Unchecked);
        }
    }
    connect(Channels, &QListWidget::itemChanged, this, [this] {
        std::vector<std::string> chosen;
        for (int k = 0; k < Channels->count(); ++k)
            if (Channels->item(k)->checkState() == Qt::Checked)
                chosen.push_back(Channels->item(k)->text().toStdString());
        if (chosen.empty() || !recompute_) return;
        // Read beside the window; drawn when it comes.
        recompute_(chosen, [this](const Trend& t) { fillTrend(t); });
    });
    fillTrend(trend);
}

void ArchiveAnalysisWindow::fillTrend(const Trend& trend) {
    csv_ = TrendCsv(trend);
    QChart* chart = ChartView->chart();
    chart->removeAllSeries();
    for (QAbstractAxis* axis : chart->axes()) chart->removeAxis(axis);
    auto* x = new QDateTimeAxis;
    x->setFormat("yyyy-MM-dd");
    x->setTitleText(text(1502));
    double low = 0, high = 0;
    bool any = false;
    std::vector<QLineSeries*> lines;
    for (const TrendSeries& s : trend.series) {
        auto* line = new QLineSeries;
        line->setName(Q(s.channel) + " " + Q(HzToMHzText(s.frequencyHz)) + " MHz");
        line->setPointsVisible(true);
        // A channel's colour follows its place among all channels, not among those ticked.
        const auto at = std::find(allChannels_.begin(), allChannels_.end(), s.channel);
        line->setColor(ChannelColour(static_cast<std::size_t>(at - allChannels_.begin())));
        lines.push_back(line);
    }
    const std::optional<double> threshold = trend.reference.threshold;
    auto* below = BelowThresholdMarks(text(kBelowThresholdEntry));
    for (const TrendLogger& lg : trend.loggers) {
        const QDateTime when = QDateTime::fromString(Q(lg.measuredAt), Qt::ISODate);
        for (std::size_t s = 0; s < lines.size(); ++s) {
            if (!lg.power[s]) continue;
            lines[s]->append(static_cast<qreal>(when.toMSecsSinceEpoch()), *lg.power[s]);
            if (Below(lg.power[s], threshold))
                below->append(static_cast<qreal>(when.toMSecsSinceEpoch()), *lg.power[s]);
            low = any ? std::min(low, *lg.power[s]) : *lg.power[s];
            high = any ? std::max(high, *lg.power[s]) : *lg.power[s];
            any = true;
        }
    }
    if (threshold && any) {
        low = std::min(low, *threshold);
        high = std::max(high, *threshold);
    }
    QValueAxis* y = PowerAxis(low, high, text(1504) + " (" + Q(trend.reference.unit) + ")");
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    for (QLineSeries* line : lines) {
        chart->addSeries(line);
        line->attachAxis(x);
        line->attachAxis(y);
    }
    if (!trend.loggers.empty()) {
        const QDateTime first =
            QDateTime::fromString(Q(trend.loggers.front().measuredAt), Qt::ISODate).addDays(-1);
        const QDateTime last =
            QDateTime::fromString(Q(trend.loggers.back().measuredAt), Qt::ISODate).addDays(1);
        x->setRange(first, last);
        if (threshold)
            addThresholdLine(*threshold, Q(trend.reference.unit),
                             static_cast<double>(first.toMSecsSinceEpoch()),
                             static_cast<double>(last.toMSecsSinceEpoch()), x, y);
    }
    AddMarks(chart, below, x, y);
    chart->legend()->setAlignment(Qt::AlignBottom);

    Table->clear();
    Table->setColumnCount(static_cast<int>(trend.series.size()) + 1);
    QStringList headings{text(1502)};
    for (const TrendSeries& s : trend.series)
        headings << Q(s.channel) + "\n" + Q(HzToMHzText(s.frequencyHz));
    Table->setHorizontalHeaderLabels(headings);
    Table->setRowCount(static_cast<int>(trend.loggers.size()));
    int row = 0;
    for (const TrendLogger& lg : trend.loggers) {
        Table->setItem(row, 0, Cell(Q(lg.measuredAt).replace('T', ' ')));
        // Every power with one decimal, so the column reads evenly.
        for (std::size_t s = 0; s < lg.power.size(); ++s)
            Table->setItem(row, static_cast<int>(s) + 1,
                           PowerCell(Number(lg.power[s], 1), Below(lg.power[s], threshold)));
        ++row;
    }
    FitColumns(Table);
}

void ArchiveAnalysisWindow::addThresholdLine(double threshold, const QString& unit, double fromX,
                                              double toX, QAbstractAxis* x, QAbstractAxis* y) {
    auto* line = new QLineSeries;
    line->setName(text(kThresholdEntry).arg(QString::number(threshold), unit));
    QPen pen(QColor(90, 90, 90));
    pen.setStyle(Qt::DashLine);
    pen.setWidth(2);
    line->setPen(pen);
    line->append(fromX, threshold);
    line->append(toX, threshold);
    ChartView->chart()->addSeries(line);
    line->attachAxis(x);
    line->attachAxis(y);
}

QColor ArchiveAnalysisWindow::ChannelColour(std::size_t channelIndex) {
    static const QColor kColours[] = {{31, 119, 180}, {255, 127, 14}, {44, 160, 44},
                                      {148, 103, 189}, {140, 86, 75}, {227, 119, 194},
                                      {127, 127, 127}, {188, 189, 34}, {23, 190, 207},
                                      {0, 0, 128}};
    return kColours[channelIndex % std::size(kColours)];
}

void ArchiveAnalysisWindow::SaveCsvClick() {
    // The rule of every output first (never the archive's files, never a device or a FIFO),
    // then one question before a file is replaced; a refused or kept file brings the dialog
    // back.
    const auto mayReplace = [this] {
        return QMessageBox::question(this, text(1471), text(kReplaceFileQuestion),
                                     QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::No) == QMessageBox::Yes;
    };
    QString file;
    const auto refuse = [this, &file](int message) {
        std::string said;
        (void)MessageText(table_, message, said);
        QMessageBox::warning(this, text(1471), Q(said) + "\n" + file);
    };
    for (QString proposed = proposed_;; proposed = file) {
        const QString chosen = chooseCsvFile(proposed);
        if (chosen.isEmpty()) return;
        file = QString::fromStdString(WithCsvExtension(chosen.toStdString()));
        if (MayWriteOutput(PathFromQString(file), {}, false, mayReplace, refuse)) break;
    }
    if (!WriteFileAtomically(PathFromQString(file), csv_)) {
        QMessageBox::warning(this, text(1471), text(1459));
        return;
    }
    if (fileWritten) fileWritten(PathToText(PathFromQString(file)));
}

}  // namespace zv318
