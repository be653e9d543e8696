// The viewer's chart, looked at as a person does: the picture of the chart tab, read pixel by
// pixel at the bars and at the threshold line.
#include <gtest/gtest.h>

#include <QApplication>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QValueAxis>
#include <QTabWidget>
#include <string>
#include <vector>

#include "loggers/logger_fixture.h"
#include "loggers/windows/logger_chart.h"
#include "loggers/windows/logger_window.h"
#include "support/channel_labels.h"

namespace zv318::testing {
namespace {

OpenLogger Logger(std::string name, std::string threshold, std::vector<std::string> powers) {
    OpenLogger lg{"RADIO",    std::move(name),      "TV1", "14/03/2013",
                  "09:15:02", std::move(threshold), "",    {}};
    int k = 0;
    for (std::string& power : powers) {
        lg.records.push_back({"C" + std::to_string(21 + k),
                              HzToMHzText(474'000'000 + 8'000'000 * k), "8.0000",
                              std::move(power)});
        ++k;
    }
    return lg;
}

// The demo's 40-record RADIO logger, downloaded from the simulated instrument as the viewer
// gets it.
OpenLogger DemoRadioLogger() {
    sim::Instrument instrument;
    sim::SimBus bus{instrument};
    RecordingFeedback feedback;
    Link link{bus, &feedback};
    LanguageTable language;
    TempFolder folder;
    LoggerProcedures procedures{link, feedback, language, folder.path};
    EXPECT_EQ(procedures.ReceiveLoggers(kRadioLogger), LoggerOutcome::Done);
    EXPECT_EQ(procedures.LoadLogger(1), kLoggerLoaded);
    return procedures.logger();
}

bool Dark(QRgb pixel) {
    return qRed(pixel) < 90 && qGreen(pixel) < 90 && qBlue(pixel) < 90;
}

TEST(loggersChart, BarsThresholdLineAndWarningColourOnThePicture) {
    std::vector<std::string> many;
    for (int k = 0; k < 150; ++k) many.push_back(std::to_string(30 + (k * 7) % 30) + " dBuV");
    struct Case {
        const char* name;
        OpenLogger logger;
        int skipped;
    };
    const std::vector<Case> cases = {
        {"the demo RADIO logger", DemoRadioLogger(), 0},
        {"a dBm logger with a marker: the strongest bar is the tallest",
         Logger("LOBBY", "-50 dBm", {"-45.0 dBm", "---- dBm", "-62.5 dBm", "-30 dBm"}), 1},
        {"150 records", Logger("FULL", "45 dBuV", many), 0},
        {"bars far above the threshold: the axis reaches down to its line",
         Logger("FAR", "-60 dBm", {"-40 dBm", "-35 dBm", "-30 dBm"}), 0},
        {"no records", Logger("EMPTY", "35 dBuV", {}), 0},
    };
    LanguageTable language;
    language.set(1153, "left out: %1");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TZVLoggerWindow viewer;
        viewer.applyTranslation(language);
        viewer.ShowLogger(c.logger);
        viewer.Vistes->setCurrentWidget(viewer.Grafic);
        viewer.show();
        for (int round = 0; round < 3; ++round) QApplication::processEvents();
        LoggerChart& chart = *viewer.Grafic;
        QChart& qchart = *chart.chart();
        QChartView& view = *chart.view();
        const QImage picture = view.viewport()->grab().toImage();
        // The pixel of a power on the axis shown, at a bar's place.
        const QValueAxis& power = *chart.powerAxis();
        auto pixelAt = [&](double x, double y) {
            const QRectF plot = qchart.plotArea();
            const double px = qchart.mapToPosition(QPointF(x, 0), qchart.series().value(0)).x();
            const double py =
                plot.bottom() - (y - power.min()) / (power.max() - power.min()) * plot.height();
            const QPoint p = view.mapFromScene(qchart.mapToScene(QPointF(px, py)));
            return std::pair{p, picture.pixel(p)};
        };
        EXPECT_TRUE(qchart.title().startsWith(QString::fromStdString(c.logger.name)));
        const double threshold = std::stod(c.logger.thresholdText);
        EXPECT_LT(power.min(), threshold);
        EXPECT_GT(power.max(), threshold);
        int bar = 0;
        for (const LoggerRecordRow& r : c.logger.records) {
            char* end = nullptr;
            const double value = std::strtod(r.power.c_str(), &end);
            if (end != r.power.c_str() && (*end == ' ' || *end == '\0')) {
                const QColor expected =
                    value < threshold ? LoggerChart::kWarningColour : LoggerChart::kBarColour;
                // Coloured from the bottom of the axis up to the power, not above it.
                const double span = power.max() - power.min();
                // (The threshold line may cross the bar there: a few pixels are looked at.)
                for (double y : {power.min() + span * 0.02, value - span * 0.03}) {
                    const QPoint where = pixelAt(bar, y).first;
                    bool coloured = false;
                    for (int dy = -3; dy <= 3; ++dy)
                        coloured = coloured ||
                                   QColor(picture.pixel(where.x(), where.y() + dy)) == expected;
                    EXPECT_TRUE(coloured) << "bar " << bar << " at " << where.x() << ","
                                          << where.y() << ": " << r.power;
                }
                EXPECT_NE(QColor(pixelAt(bar, value + span * 0.03).second), expected) << r.power;
                ++bar;
            }
        }
        EXPECT_EQ(chart.barsAbove()->count(), bar);
        EXPECT_EQ(chart.barsBelow()->count(), bar);
        EXPECT_EQ(chart.note()->isVisible(), c.skipped > 0);
        if (c.skipped > 0) {
            EXPECT_EQ(chart.note()->text(), QString("left out: %1").arg(c.skipped));
        }

        // No records: a text says so, without a line across an empty plot.
        EXPECT_EQ(chart.emptyText().isEmpty(), bar > 0);
        EXPECT_EQ(chart.thresholdLine() == nullptr, bar == 0);
        // The line at the threshold's height, across the plot; nothing dark a little off it.
        for (double x : {-0.45, (bar - 1) / 2.0}) {
            if (bar == 0) break;
            const auto [where, pixel] = pixelAt(x, threshold);
            bool line = false;
            for (int dy = -1; dy <= 1; ++dy)
                line = line || Dark(picture.pixel(where.x(), where.y() + dy));
            EXPECT_TRUE(line) << "at " << where.x() << "," << where.y();
            EXPECT_FALSE(Dark(picture.pixel(where.x(), where.y() - 6)));
            EXPECT_FALSE(Dark(picture.pixel(where.x(), where.y() + 6)));
        }

        // Channel names thinned: each label has room for itself on its stretch of bars.
        EXPECT_EQ(CutChannelNames(qchart, bar), std::vector<std::string>{});
    }
}

// Grown, the viewer keeps the date, time, mode and threshold at its right edge above the grid's
// (never adrift mid-window), and the grid takes the room.
TEST(loggersChart, TheViewersFieldsFollowItsRightEdgeAsItGrows) {
    TZVLoggerWindow viewer;
    viewer.ShowLogger(Logger("LOBBY", "45 dBuV", {"50.0 dBuV"}));
    viewer.show();
    for (const QSize size : {QSize(792, 600), QSize(1300, 900)}) {
        viewer.resize(size);
        QApplication::processEvents();
        const QWidget& client = *viewer.Vistes->parentWidget();
        for (const QWidget* field : {static_cast<QWidget*>(viewer.DataEdit),
                                     static_cast<QWidget*>(viewer.LlindarEdit)}) {
            EXPECT_LE(field->geometry().right(), viewer.Vistes->geometry().right());
            EXPECT_GE(field->geometry().right(), viewer.Vistes->geometry().right() - 40)
                << size.width();
        }
        EXPECT_EQ(viewer.Vistes->width(), client.width() - 32);
    }
}

TEST(loggersChart, HoverLinesAndSavedPictures) {
    LoggerChart chart;
    chart.resize(760, 310);
    chart.ShowLogger(Logger("LOBBY", "-50 dBm", {"-45.0 dBm", "----", "-62.5 dBm"}));
    chart.show();
    QApplication::processEvents();
    // The second bar is the third record: the marker has no bar.
    EXPECT_EQ(chart.recordLine(1), "3  C23  490.0000  8.0000  -62.5 dBm");
    EXPECT_EQ(chart.recordLine(2), "");

    TempFolder folder;
    ASSERT_TRUE(chart.SaveChart(folder.path / "chart"));
    EXPECT_EQ(QImage(QString::fromStdString((folder.path / "chart.png").string())).size(),
              chart.view()->size());
    ASSERT_TRUE(chart.SaveChart(folder.path / "chart.pdf"));
    EXPECT_TRUE(ReadBytes(folder.path / "chart.pdf").starts_with("%PDF"));
    EXPECT_FALSE(chart.SaveChart(folder.path / "none" / "chart.png"));
}

}  // namespace
}  // namespace zv318::testing
