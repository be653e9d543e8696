// The "Loggers" tab and the logger viewer over the simulated instrument: what the grid shows,
// clicks on it, one command at a time, the viewer's contents and the rename.

#include <QHeaderView>
#include <QLineEdit>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QTableWidget>

#include "loggers/logger_procedures.h"
#include "main_window_fixture.h"
#include "windows/modal_watcher.h"

namespace zv318::testing {
namespace {

// Notes the main window's commands each time a procedure shows the hourglass or asks for a file.
class WatchingFeedback : public RecordingFeedback {
public:
    void setBusy(bool busy) override {
        RecordingFeedback::setBusy(busy);
        if (busy && onWork) onWork();
    }
    std::optional<std::string> chooseFile(const FileRequest& request) override {
        if (onWork) onWork();
        return RecordingFeedback::chooseFile(request);
    }
    std::function<void()> onWork;
};

class mainwindowLoggers : public MainWindowTest {
protected:
    void StartLoggers() {
        Start();
        form->setFeedback(&watching);
        std::filesystem::create_directories(folder / "Loggers");
    }
    QTableWidget* grid() const { return form->Loggers->LoggerIndex; }
    // A mouse release over a cell of logger row `row` (1-50) or over a heading (row 0).
    void Release(int column, int row, Qt::MouseButton button = Qt::LeftButton) {
        if (row == 0) {
            QHeaderView* header = grid()->horizontalHeader();
            QPoint at(header->sectionViewportPosition(column) + 5, header->height() / 2);
            QTest::mouseClick(header->viewport(), button, {}, at);
        } else {
            QRect cell = grid()->visualItemRect(grid()->item(row - 1, column));
            QTest::mouseClick(grid()->viewport(), button, {}, cell.center());
        }
    }
    void DoubleClick(int column, int row) {
        Release(column, row);
        QRect cell = grid()->visualItemRect(grid()->item(row - 1, column));
        QTest::mouseDClick(grid()->viewport(), Qt::LeftButton, {}, cell.center());
    }
    QString Cell(int row, int column) const { return grid()->item(row - 1, column)->text(); }

    WatchingFeedback watching;
};

TEST_F(mainwindowLoggers, ReceptionListsMarksAndOpensTheDemoLoggers) {
    StartLoggers();
    EXPECT_FALSE(form->Loggers->SaveLogBut->isEnabled());
    form->Loggers->ReceiveRLogBut->click();
    // The demo instrument's RADIO loggers, in slot order.
    EXPECT_EQ(Cell(1, 0), "1");
    EXPECT_EQ(Cell(1, 1), "ROOF1");
    EXPECT_EQ(Cell(1, 2), "09:15:02");
    EXPECT_EQ(Cell(1, 3), "14-03-2013");
    EXPECT_EQ(Cell(2, 1), "LOBBY");
    EXPECT_EQ(Cell(4, 1), "LASTSLOT");
    EXPECT_EQ(Cell(5, 1), "");
    for (QPushButton* b : {form->Loggers->PrintSelBut, form->Loggers->SaveLogAsBut, form->Loggers->SaveLogBut})
        EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();

    // Marks: the heading of column 4 toggles them all, a right click changes nothing.
    Release(4, 0);
    EXPECT_EQ(Cell(3, 4), "YES");
    Release(4, 2, Qt::RightButton);
    EXPECT_EQ(Cell(2, 4), "YES");
    Release(4, 2);
    EXPECT_EQ(Cell(2, 4), "NO");
    Release(4, 0);
    EXPECT_EQ(Cell(1, 4), "NO");
    EXPECT_EQ(Cell(2, 4), "NO");

    // In every language the marks read in its own words (the grid already listed changes with
    // the language), the ones its texts tell the person to set.
    Release(4, 2);
    for (QAction* language : form->Idioma1->actions()) {
        SCOPED_TRACE(language->objectName().toStdString());
        language->trigger();
        EXPECT_EQ(Cell(2, 4), Entry(1890));
        EXPECT_EQ(Cell(1, 4), Entry(1891));
        Release(4, 1);
        EXPECT_EQ(Cell(1, 4), Entry(1890));
        Release(4, 1);
    }
    for (QAction* language : form->Idioma1->actions())
        if (language->objectName() == QStringLiteral("Language_English")) language->trigger();
    Release(4, 2);

    // A double-click on row 1 downloads ROOF1 and shows it in the viewer.
    int records = -1;
    QString name, threshold, power;
    ModalWatcher viewerWatch([&](QWidget* modal) {
        auto* viewer = qobject_cast<TZVLoggerWindow*>(modal);
        if (!viewer) {
            modal->close();
            return;
        }
        records = viewer->TaulaRegistre->rowCount();
        name = viewer->LoggerNameLabel->text();
        threshold = viewer->LlindarEdit->text();
        power = viewer->TaulaRegistre->item(0, 4)->text();
        viewer->close();
    });
    DoubleClick(1, 1);
    ASSERT_TRUE(WaitUntil([&] { return records >= 0; }));
    EXPECT_EQ(records, 40);
    EXPECT_EQ(name, "ROOF1");
    EXPECT_EQ(threshold, "45 dBuV");
    EXPECT_TRUE(power.endsWith(" dBuV")) << power.toStdString();
    EXPECT_TRUE(watching.messages.empty());
}

TEST_F(mainwindowLoggers, OtherCommandsWaitWhileLoggersAreSaved) {
    StartLoggers();
    form->Loggers->ReceivePLogBut->click();
    ASSERT_EQ(Cell(1, 1), "MAIN");
    std::vector<bool> others;
    watching.onWork = [&] {
        for (QWidget* w :
             {static_cast<QWidget*>(form->ChannelPlan->ReceiveBut), static_cast<QWidget*>(form->Loggers->ReceiveRLogBut),
              static_cast<QWidget*>(form->Loggers->SaveLogBut), static_cast<QWidget*>(form->Loggers->LoggerIndex)})
            others.push_back(w->isEnabled());
    };
    watching.files = {(folder / "run.logplc").string()};
    form->Loggers->SaveLogAsBut->click();
    ASSERT_FALSE(others.empty());
    EXPECT_EQ(std::count(others.begin(), others.end(), true), 0);
    EXPECT_TRUE(std::filesystem::exists(folder / "run_MAIN.logplc"));
    EXPECT_TRUE(std::filesystem::exists(folder / "run_PANEL2.logplc"));
    EXPECT_TRUE(form->Loggers->SaveLogBut->isEnabled());
    EXPECT_TRUE(form->ChannelPlan->ReceiveBut->isEnabled());
}

TEST_F(mainwindowLoggers, SilentRecordReplyGivesMessageSevenAndNoViewer) {
    StartLoggers();
    form->Loggers->ReceiveRLogBut->click();
    link.setTimeoutMs(200);
    instrument.silentFrom = static_cast<int>(instrument.received.size()) + 1;
    int viewers = 0;
    ModalWatcher watch([&](QWidget* modal) {
        viewers += qobject_cast<TZVLoggerWindow*>(modal) != nullptr;
        modal->close();
    });
    DoubleClick(1, 2);
    QTest::qWait(100);
    EXPECT_EQ(viewers, 0);
    EXPECT_EQ(watching.messages, std::vector<int>{7});
    EXPECT_FALSE(form->busy());
    EXPECT_TRUE(form->Loggers->OpenLogBut->isEnabled());
    EXPECT_EQ(Cell(2, 1), "LOBBY");
}

TEST_F(mainwindowLoggers, ViewerRenamesWithinTwelveCharactersWithoutBlanks) {
    StartLoggers();
    form->Loggers->ReceiveRLogBut->click();
    LoggerProcedures& loggers = *form->Loggers->loggerProcedures();
    ASSERT_EQ(loggers.LoadLogger(3), kLoggerLoaded);  // EMPTY: no records
    TZVLoggerWindow& viewer = *windows.loggerWindow;
    viewer.setProcedures(&loggers, windows.dialog, &form->languageTable());
    viewer.ShowLogger(loggers.logger());
    EXPECT_EQ(viewer.TaulaRegistre->rowCount(), 0);

    // The rename dialog answers in turn: cancelled, refused (a blank), then 15 characters.
    std::deque<std::optional<QString>> answers = {std::nullopt, QStringLiteral("A B"),
                                                  QStringLiteral("ABCDEFGHIJKLMNO")};
    std::vector<QString> proposed;
    QTimer answerer;
    bool answering = false;
    QObject::connect(windows.dialog, &QDialog::finished, [&] { answering = false; });
    QObject::connect(&answerer, &QTimer::timeout, [&] {
        if (answering || !windows.dialog->isVisible() || answers.empty()) return;
        answering = true;
        proposed.push_back(windows.dialog->Edit1->text());
        std::optional<QString> a = answers.front();
        answers.pop_front();
        if (!a) return windows.dialog->reject();
        windows.dialog->Edit1->setText(*a);
        windows.dialog->OKBut->click();
    });
    answerer.start(10);
    viewer.LoggerNameLabelClick();
    EXPECT_EQ(loggers.logger().name, "EMPTY");
    viewer.LoggerNameLabelClick();
    answerer.stop();
    EXPECT_EQ(proposed, (std::vector<QString>{"EMPTY", "EMPTY", "EMPTY"}));
    EXPECT_EQ(watching.messages, std::vector<int>{120});
    EXPECT_EQ(loggers.logger().name, "ABCDEFGHIJKL");
    EXPECT_EQ(viewer.LoggerNameLabel->text(), "ABCDEFGHIJKL");

    // "Save logger" proposes the new name.
    watching.files = {(folder / "Loggers" / "renamed").string()};
    viewer.Savelogger1->trigger();
    EXPECT_EQ(watching.fileRequests.back().proposedName, "ABCDEFGHIJKL.lograd");
    EXPECT_NE(ReadFile("Loggers/renamed.lograd").find("\r\nABCDEFGHIJKL\r\n"), std::string::npos);
    EXPECT_EQ(viewer.FileNameLabel->text().toStdString(),
              (folder / "Loggers" / "renamed.lograd").string());
}

TEST_F(mainwindowLoggers, PreviewShowsThePagesOfTheOpenLogger) {
    StartLoggers();
    form->Loggers->ReceiveRLogBut->click();
    LoggerProcedures& loggers = *form->Loggers->loggerProcedures();
    ASSERT_EQ(loggers.LoadLogger(1), kLoggerLoaded);
    TZVLoggerWindow& viewer = *windows.loggerWindow;
    viewer.setProcedures(&loggers, windows.dialog, &form->languageTable());
    int pages = -1;
    QString title;
    ModalWatcher watch([&](QWidget* modal) {
        if (auto* preview = qobject_cast<QPrintPreviewDialog*>(modal)) {
            if (auto* widget = preview->findChild<QPrintPreviewWidget*>()) {
                (void)WaitUntil([&] { return widget->pageCount() > 0; });
                pages = widget->pageCount();
            }
            title = preview->windowTitle();
        }
        modal->close();
    });
    viewer.Previewlogger1->trigger();
    EXPECT_EQ(pages, 1);
    EXPECT_EQ(title, "ROOF1");
    EXPECT_TRUE(ReadFile("Loggers/print.temp").starts_with("RADIO LOGGER\r\n"));
    EXPECT_TRUE(watching.messages.empty());
}

}  // namespace
}  // namespace zv318::testing
