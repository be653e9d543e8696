// The editor window driven offscreen as a person drives it: clicks on the grid, the keys, the
// pop-up menu, the rename dialog and the close question; colours read from a grab.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <filesystem>

#include "plans/plan_editor.h"
#include "plans/windows/dialog.h"
#include "plans/windows/editor.h"
#include "support/recording_feedback.h"

namespace zv318::testing {
namespace {

class EditorWindow : public ::testing::Test {
protected:
    void SetUp() override {
        for (int n = 0; n < kLanguageEntries; ++n) table.set(n, "E" + std::to_string(n));
        table.set(82, "Frequency (MHz)");
        editor.applyTranslation(table);
        editor.attach(feedback, files, &dialog);
        // A RADIO plan of three channels 100, 101, 102 MHz, all OFF.
        ASSERT_TRUE(editor.session()->NewChannelPlan(false, true));
        PlanGrid& plan = editor.session()->plan();
        plan.setCell(1, PlanGrid::kFrequencyColumn, "100.0000");
        ASSERT_FALSE(InsertChannel(plan, 1));
        ASSERT_FALSE(InsertChannel(plan, 2));
        plan.setCell(2, PlanGrid::kFrequencyColumn, "101.0000");
        plan.setCell(3, PlanGrid::kFrequencyColumn, "102.0000");
        editor.Actualitzar();
        editor.show();
        editor.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&editor));
    }

    QTableWidget* grid() { return editor.TaulaCanals; }
    PlanGrid& plan() { return editor.session()->plan(); }
    QPoint centre(int row, int column) {
        return grid()->visualRect(grid()->model()->index(row - 1, column)).center();
    }
    void click(int row, int column) {
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, centre(row, column));
    }
    void key(Qt::Key k, Qt::KeyboardModifiers modifiers = {}) {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : grid();
        QTest::keyClick(target, k, modifiers);
        QApplication::processEvents();  // Enter in an open cell stores it queued
    }
    std::pair<int, int> current() { return {grid()->currentRow() + 1, grid()->currentColumn()}; }
    // The ground of a cell, read near its right edge, away from its text.
    QColor ground(int row, int column) {
        const QRect cell = grid()->visualRect(grid()->model()->index(row - 1, column));
        const QImage image = grid()->viewport()->grab().toImage();
        return image.pixelColor(cell.right() - 3, cell.center().y());
    }
    // Pictures to look at: ZV318_EDITOR_GRABS=DIR saves the editor as it stands.
    void keepPicture(const char* name) {
        if (const char* dir = std::getenv("ZV318_EDITOR_GRABS"))
            editor.grab().save(QString("%1/%2.png").arg(dir, name));
    }

    LanguageTable table;
    RecordingFeedback feedback;
    PlanList list;
    PlanFiles files{feedback, list, std::filesystem::temp_directory_path()};
    TEditor editor;
    TDialog dialog{&editor};
};

const QColor kLightRed(255, 128, 128);

TEST_F(EditorWindow, StateCellsTurnOnAClickAndOffRowsAreLightRed) {
    EXPECT_EQ(ground(2, PlanGrid::kFrequencyColumn), kLightRed);
    click(2, PlanGrid::kStateColumn);
    EXPECT_EQ(plan().cell(2, PlanGrid::kStateColumn), "ON");
    EXPECT_EQ(grid()->item(1, PlanGrid::kStateColumn)->text(), "ON");
    EXPECT_NE(ground(2, PlanGrid::kFrequencyColumn), kLightRed);
    EXPECT_NE(current().second, PlanGrid::kStateColumn);  // never chosen as a cell
    click(2, PlanGrid::kStateColumn);
    EXPECT_EQ(plan().cell(2, PlanGrid::kStateColumn), "OFF");
    for (int column = 1; column <= 4; ++column) EXPECT_EQ(ground(2, column), kLightRed);
    EXPECT_NE(ground(2, PlanGrid::kRowColumn), kLightRed);
    keepPicture("radio");

    // Column widths from the titles: "Frequency (MHz)" counts by its wider half, and a title
    // narrower than its minimum gets the minimum; the columns share the grid's whole width in
    // those proportions.
    const QFontMetrics metrics(grid()->font());
    table.set(81, "Channelname (of four)");
    editor.applyTranslation(table);
    const double name = metrics.horizontalAdvance("Channelname") + 5;
    EXPECT_GE(grid()->columnWidth(1), name);
    EXPECT_GE(grid()->columnWidth(2), 200);
    EXPECT_NEAR(grid()->columnWidth(1) / double(grid()->columnWidth(2)), name / 200, 0.02);
    EXPECT_GE(grid()->columnWidth(0), 25);
    int columns = 0;
    for (int c = 0; c < grid()->columnCount(); ++c) columns += grid()->columnWidth(c);
    EXPECT_EQ(columns, grid()->viewport()->width());
    EXPECT_EQ(grid()->rowHeight(0), 24);
}

TEST_F(EditorWindow, AFailingRowHoldsTheSelectionAndIsMarked) {
    click(1, PlanGrid::kNameColumn);
    ASSERT_EQ(current(), std::make_pair(1, 1));
    key(Qt::Key_F2);
    QLineEdit* open = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(open, nullptr);
    open->selectAll();
    QTest::keyClicks(open, "ABCDE");
    click(2, PlanGrid::kFrequencyColumn);
    EXPECT_EQ(plan().cell(1, PlanGrid::kNameColumn), "ABCDE");
    EXPECT_EQ(feedback.messages, std::vector<int>{19});
    EXPECT_EQ(current(), std::make_pair(1, 1));
    keepPicture("failing-row");

    // The keys meet the same check, and so does a click beside the grid.
    key(Qt::Key_Down);
    EXPECT_EQ(current(), std::make_pair(1, 1));
    QTest::mouseClick(&editor, Qt::LeftButton, {}, QPoint(editor.width() - 5, editor.height() - 5));
    EXPECT_EQ(feedback.messages, (std::vector<int>{19, 19, 19}));
    // Mended, the row lets the selection go.
    plan().setCell(1, PlanGrid::kNameColumn, "CH1");
    click(3, PlanGrid::kBandwidthColumn);
    EXPECT_EQ(current(), std::make_pair(3, 3));
    EXPECT_EQ(feedback.messages.size(), 3u);
}

TEST_F(EditorWindow, TheKeyboardMovesEditsTurnsInsertsAndDeletes) {
    click(1, PlanGrid::kNameColumn);
    key(Qt::Key_Right);
    EXPECT_EQ(current(), std::make_pair(1, 2));
    key(Qt::Key_Tab);
    key(Qt::Key_Tab);
    EXPECT_EQ(current(), std::make_pair(1, 4));
    key(Qt::Key_Space);
    EXPECT_EQ(plan().cell(1, PlanGrid::kStateColumn), "ON");
    key(Qt::Key_F2);  // the state is never edited as text
    EXPECT_EQ(qobject_cast<QLineEdit*>(QApplication::focusWidget()), nullptr);
    key(Qt::Key_Tab);
    EXPECT_EQ(current(), std::make_pair(2, 1));
    key(Qt::Key_Left);  // the row numbers are never chosen
    EXPECT_EQ(current(), std::make_pair(2, 1));
    key(Qt::Key_Backtab);
    EXPECT_EQ(current(), std::make_pair(1, 4));
    key(Qt::Key_Down);
    key(Qt::Key_Left);
    EXPECT_EQ(current(), std::make_pair(2, 3));

    // F2 opens the cell, Enter stores it, with "," as a decimal separator, and the cell shows
    // what is stored; Tab from an open cell moves on.
    key(Qt::Key_F2);
    QLineEdit* open = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(open, nullptr);
    open->selectAll();
    QTest::keyClicks(open, "0,5");
    key(Qt::Key_Return);
    EXPECT_EQ(plan().cell(2, PlanGrid::kBandwidthColumn), "0.5000");
    EXPECT_EQ(grid()->item(1, PlanGrid::kBandwidthColumn)->text(), "0.5000");
    key(Qt::Key_F2);
    open = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(open, nullptr);
    open->selectAll();
    QTest::keyClicks(open, "1,25");
    key(Qt::Key_Tab);
    EXPECT_EQ(plan().cell(2, PlanGrid::kBandwidthColumn), "1.2500");
    EXPECT_EQ(current(), std::make_pair(2, 4));

    // Insert and Delete act on the current row, as the pop-up does; Delete asks first and a
    // No keeps the row.
    key(Qt::Key_Insert);
    ASSERT_EQ(plan().rowCount(), 4);
    EXPECT_EQ(plan().cell(3, PlanGrid::kFrequencyColumn), "101.5000");
    EXPECT_EQ(grid()->rowCount(), 4);
    feedback.answers = {false, true, true};
    key(Qt::Key_Delete);
    EXPECT_EQ(plan().rowCount(), 4);
    key(Qt::Key_Delete);
    key(Qt::Key_Delete);
    EXPECT_EQ(plan().rowCount(), 2);
    EXPECT_EQ(feedback.questions.size(), 3u);
    EXPECT_EQ(grid()->item(1, PlanGrid::kFrequencyColumn)->text(), "102.0000");
    EXPECT_TRUE(feedback.messages.empty());
}

TEST_F(EditorWindow, TheRowNumberPopUpInsertsAndDeletes) {
    QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, centre(2, PlanGrid::kRowColumn));
    EXPECT_TRUE(editor.popupchannel->isVisible());
    EXPECT_EQ(editor.clickedRow(), 2);
    editor.popupchannel->hide();
    editor.INSERTACANAL->trigger();
    EXPECT_EQ(plan().rowCount(), 4);
    EXPECT_EQ(plan().cell(3, PlanGrid::kFrequencyColumn), "101.5000");
    editor.ESBORRACANAL->trigger();
    EXPECT_EQ(plan().rowCount(), 3);  // row 2 of the pop-up, deleted
    EXPECT_EQ(plan().cell(2, PlanGrid::kFrequencyColumn), "101.5000");
    EXPECT_EQ(plan().cell(3, PlanGrid::kFrequencyColumn), "102.0000");
}

TEST_F(EditorWindow, RenameCutsToFiveAndRefusesEmptyOrBlankNames) {
    struct Case {
        QStringList typed;  // texts entered one after the other, each with OK but the last
        bool cancelAtEnd;   // when the dialog is closed without OK
        std::string name;
        std::vector<int> messages;
    } cases[] = {
        {{"ABCDEFG"}, false, "ABCDE", {}}, {{"AB"}, false, "AB", {}},
        {{"XYZ"}, true, "AB", {}},         {{"", "A B", "TV2"}, false, "TV2", {110, 111}},
        {{"  ", "X"}, true, "TV2", {111}}, {{"T&V", "TV3"}, false, "TV3", {542}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        feedback.messages.clear();
        QString shownCaption, shownPrompt, shownText;
        bool stayedOpen = true;
        QTimer::singleShot(0, &dialog, [&] {
            shownCaption = dialog.windowTitle();
            shownPrompt = dialog.Label1->text();
            shownText = dialog.Edit1->text();
            for (int i = 0; i < c.typed.size(); ++i) {
                dialog.Edit1->setText(c.typed[i]);
                if (c.cancelAtEnd && i + 1 == c.typed.size()) break;
                dialog.OKBut->click();
                if (i + 1 < c.typed.size()) stayedOpen = stayedOpen && dialog.isVisible();
            }
            if (c.cancelAtEnd) dialog.reject();
        });
        const std::string before = plan().planName();
        editor.ChPlanNameLabelClick();
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_TRUE(stayedOpen);
        EXPECT_EQ(shownCaption, "E101");
        EXPECT_EQ(shownPrompt, "E102");
        EXPECT_EQ(shownText.toStdString(), before);
        EXPECT_EQ(plan().planName(), c.name);
        EXPECT_EQ(editor.ChPlanNameLabel->text().toStdString(), c.name);
        EXPECT_EQ(feedback.messages, c.messages);
    }
}

TEST_F(EditorWindow, ClosingAsksAndAFailingRowKeepsTheWindow) {
    plan().setCell(2, PlanGrid::kBandwidthColumn, "20.0000");
    feedback.threeWay = {Answer::Yes};
    editor.Exit1->trigger();
    EXPECT_TRUE(editor.isVisible());
    EXPECT_EQ(feedback.messages, std::vector<int>{21});
    EXPECT_EQ(current(), std::make_pair(2, 3));  // the failing cell is selected
    feedback.threeWay = {Answer::Cancel};
    QTest::keyClick(&editor, Qt::Key_Escape);
    EXPECT_TRUE(editor.isVisible());
    feedback.threeWay = {Answer::No};
    editor.close();
    EXPECT_FALSE(editor.isVisible());
    EXPECT_EQ(feedback.questions.size(), 3u);
    EXPECT_TRUE(feedback.fileRequests.empty());

    // A PLC plan from the menu, after the question.
    feedback.answers = {true};
    editor.Newchannelplan1->trigger();
    EXPECT_EQ(editor.Tipus->text(), "PLC");
    EXPECT_EQ(editor.ChPlanNameLabel->text(), "NEW");
    EXPECT_EQ(grid()->rowCount(), 1);
    EXPECT_EQ(grid()->item(0, PlanGrid::kFrequencyColumn)->text(), "2.0000");
    EXPECT_EQ(grid()->item(0, PlanGrid::kBandwidthColumn)->text(), "1.0000");
    EXPECT_FALSE(editor.isVisible());  // from the menu the window is not shown again
    editor.show();
    keepPicture("plc");

    // "Load channel plan": Yes, then a cancelled file dialog closes the editor (through the
    // close question, answered No).
    feedback.answers = {true};
    feedback.files = {std::nullopt};
    feedback.threeWay = {Answer::No};
    editor.Loadchannelplan1->trigger();
    EXPECT_FALSE(editor.isVisible());
    EXPECT_EQ(feedback.fileRequests.back().kind, FileRequest::EditPlan);
}

}  // namespace
}  // namespace zv318::testing
