// New loggers kept on plug-in in the desktop program: the question asked once, the run in the
// background as the window's commands, a person's command served between two loggers, an
// unplug during the run, and the kept loggers shown on the Archive page.

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <set>

#include "archive/archive_keeper.h"
#include "archive/windows/archive_model.h"
#include "archive/windows/archive_page.h"
#include "archive/windows/logger_pull_run.h"
#include "mainwindow/main_window_fixture.h"
#include "shell/windows/archive_tab.h"
#include "texts/qt_path.h"
#include "texts/user_settings.h"

namespace zv318::testing {
namespace {

class mainwindowPull : public MainWindowTest {
protected:
    void StartWithArchive() {
        CreateWithArchive(false);
        page = archivePage;
        run = pullRun;
        QObject::connect(run, &LoggerPullRun::finished, [this] { ++runsEnded; });
        form->show();
        form->AlExecutar();
    }
    void Allow(bool on) {
        ASSERT_TRUE(UpdateUserSettings(UserSettings::FileIn(folder),
                                       [on](UserSettings& s) { s.setFlag(kPullSettingKey, on); }));
    }
    std::optional<std::string> Setting() const {
        return UserSettings::Load(UserSettings::FileIn(folder)).value(kPullSettingKey);
    }
    // Unplugs and plugs the instrument in again, each seen by the connection monitor.
    void Replug() {
        bus.setPlugged(false);
        watcher.notifyChange();
        ASSERT_TRUE(WaitUntil([this] { return !form->connected(); }, 5000));
        bus.setPlugged(true);
        watcher.notifyChange();
        ASSERT_TRUE(WaitUntil([this] { return form->connected(); }, 5000));
    }
    bool WaitForRun(int ended) {
        return WaitUntil([this, ended] { return runsEnded >= ended && !run->running(); }, 20000);
    }
    // The archive as another connection reads it, once the keeper's thread has kept all it
    // was handed.
    std::vector<ArchivedLogger> ArchivedLoggers() {
        if (!WaitUntil([this] { return !keeper->keeping(); }, 10000)) return {};
        Archive archive;
        if (archive.Open(ArchiveLocationFor(PathToText(folder / "archive.sqlite"), folder)) !=
            Archive::State::Ready)
            return {};
        return archive.List();
    }
    int Archived() { return static_cast<int>(ArchivedLoggers().size()); }
    // The taken whose first record was asked for, in order.
    std::vector<std::string> Downloads() const {
        std::vector<std::string> taken;
        for (const std::string& c : instrument.commands())
            if (c.starts_with("*?HD") && c.ends_with("000")) taken.push_back(c.substr(4, 2));
        return taken;
    }

    ArchivePage* page = nullptr;
    LoggerPullRun* run = nullptr;
    int runsEnded = 0;
};

TEST_F(mainwindowPull, AskedOnceAtTheFirstPlugInThenRunsAtEveryPlugIn) {
    feedback.answers = {true};
    StartWithArchive();
    ASSERT_TRUE(WaitForRun(1));
    ASSERT_EQ(feedback.questions.size(), 1u);
    EXPECT_EQ(feedback.questions[0].text, kPullQuestionEntry);
    EXPECT_EQ(Setting(), "1");
    EXPECT_TRUE(run->pullAction()->isChecked());
    // The simulator's six loggers, each downloaded once; the one without records asks for none.
    EXPECT_EQ(Archived(), 6);
    EXPECT_EQ(Downloads().size(), 5u);
    PullNotice& notice = *run->notice();
    EXPECT_TRUE(notice.isVisible());
    EXPECT_EQ(notice.Text->text(),
              Entry(1774).arg(6).arg(QString::fromStdString(instrument.serial)));
    EXPECT_TRUE(notice.ShowButton->isVisible());
    EXPECT_FALSE(notice.StopButton->isVisible());
    // Nothing went to the Loggers folder.
    EXPECT_FALSE(std::filesystem::exists(folder / "Loggers") &&
                 !std::filesystem::is_empty(folder / "Loggers"));

    // "Show in the archive": the Archive page with those loggers selected.
    QTest::mouseClick(notice.ShowButton, Qt::LeftButton);
    EXPECT_EQ(form->PageControl->currentWidget(), page);
    // The page reads on its worker: the rows are there once it is idle.
    ASSERT_TRUE(WaitUntil([this] { return !page->busy(); }));
    QCoreApplication::processEvents();
    std::vector<std::int64_t> shown = page->SelectedIds(), kept = run->keptIds();
    std::sort(shown.begin(), shown.end());
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(shown, kept);

    // Plugged in again: no question, nothing new, nothing downloaded, nothing to tell.
    instrument.clearReceived();
    Replug();
    ASSERT_TRUE(WaitForRun(2));
    EXPECT_EQ(feedback.questions.size(), 1u);
    EXPECT_TRUE(Downloads().empty());
    EXPECT_FALSE(notice.isVisible());

    // Switched off in the File menu: a plug-in reads nothing.
    run->pullAction()->setChecked(false);
    EXPECT_EQ(Setting(), "0");
    instrument.clearReceived();
    Replug();
    QTest::qWait(300);
    EXPECT_EQ(runsEnded, 2);
    for (const std::string& c : instrument.commands()) EXPECT_FALSE(c.starts_with("*?LT")) << c;
}

TEST_F(mainwindowPull, LoggersKeptWhileTheArchivePageShowsAppearOnIt) {
    Allow(true);
    StartWithArchive();
    // The person looks at the archive while the run keeps the simulator's six loggers.
    form->PageControl->setCurrentWidget(page);
    ASSERT_TRUE(WaitForRun(1));
    EXPECT_TRUE(WaitUntil([this] { return page->Model->rowCount() == 6; }))
        << page->Model->rowCount() << " rows";
}

TEST_F(mainwindowPull, NoIsTheDefaultAndIsKeptToo) {
    feedback.defaultAnswer = false;
    StartWithArchive();
    QTest::qWait(300);
    ASSERT_EQ(feedback.questions.size(), 1u);
    EXPECT_EQ(Setting(), "0");
    EXPECT_FALSE(run->running());
    EXPECT_EQ(runsEnded, 0);
    Replug();
    QTest::qWait(300);
    EXPECT_EQ(feedback.questions.size(), 1u);
    EXPECT_TRUE(Downloads().empty());
}

TEST_F(mainwindowPull, ACommandStartedDuringTheRunWaitsForAtMostOneLogger) {
    Allow(true);
    // When the first logger's first record is asked for, the person presses "Read equipment's
    // channel plans" (its click reaches the window when the window next takes input).
    std::optional<std::size_t> pressedAt;
    instrument.onReport = [&](int) {
        if (pressedAt || Downloads().empty()) return;
        pressedAt = instrument.commands().size() - 1;
        QMetaObject::invokeMethod(form->ChannelPlan->ReceiveBut, "click", Qt::QueuedConnection);
    };
    StartWithArchive();
    ASSERT_TRUE(WaitForRun(1));
    ASSERT_TRUE(pressedAt);
    const std::vector<std::string> commands = instrument.commands();
    std::size_t served = commands.size();
    for (std::size_t i = *pressedAt; i < commands.size(); ++i)
        if (commands[i].starts_with("*?P")) {
            served = i;
            break;
        }
    ASSERT_LT(served, commands.size()) << "the plans were never read";
    // Between the press and the reading: the records of the one logger under way, no other.
    std::set<std::string> taken;
    for (std::size_t i = *pressedAt; i < served; ++i)
        if (commands[i].starts_with("*?HD")) taken.insert(commands[i].substr(4, 2));
    EXPECT_EQ(taken.size(), 1u);
    EXPECT_TRUE(form->ChannelPlan->Llista->count() > 0);
    // The run went on after it and kept every logger.
    EXPECT_EQ(Archived(), 6);
}

TEST_F(mainwindowPull, StopEndsTheRunAfterTheLoggerUnderWay) {
    Allow(true);
    bool pressed = false;
    instrument.onReport = [&](int) {
        if (pressed || Downloads().empty()) return;
        pressed = true;
        QMetaObject::invokeMethod(run->notice()->StopButton, "click", Qt::QueuedConnection);
    };
    StartWithArchive();
    ASSERT_TRUE(WaitForRun(1));
    // The logger under way was kept whole; no other record was asked for.
    EXPECT_EQ(Archived(), 1);
    EXPECT_EQ(Downloads().size(), 1u);
    EXPECT_EQ(run->notice()->Text->text(),
              Entry(1777).arg(1).arg(6).arg(QString::fromStdString(instrument.serial)));
    // The next plug-in takes the rest.
    instrument.onReport = nullptr;
    Replug();
    ASSERT_TRUE(WaitForRun(2));
    EXPECT_EQ(Archived(), 6);
}

TEST_F(mainwindowPull, AnUnplugDuringTheRunIsToldAndLeavesOnlyWholeLoggers) {
    Allow(true);
    instrument.logger(sim::kRadio, 5) = sim::SampleLogger("LONG", 150);
    instrument.onReport = [&](int) {
        // Unplugged in the middle of the long logger.
        for (const std::string& c : instrument.commands())
            if (c == "*?HD05070") {
                bus.setPlugged(false);
                return;
            }
    };
    StartWithArchive();
    ASSERT_TRUE(WaitForRun(1));
    PullNotice& notice = *run->notice();
    ASSERT_TRUE(notice.isVisible());
    const int kept = static_cast<int>(run->keptIds().size());
    EXPECT_EQ(notice.Text->text(), Entry(1776)
                                       .arg(QString::fromStdString(instrument.serial))
                                       .arg(kept)
                                       .arg(7));
    const std::vector<ArchivedLogger> archived = ArchivedLoggers();
    EXPECT_EQ(static_cast<int>(archived.size()), kept);
    for (const ArchivedLogger& lg : archived) EXPECT_NE(lg.name, "LONG");
}

}  // namespace
}  // namespace zv318::testing
