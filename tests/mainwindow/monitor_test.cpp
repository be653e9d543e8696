// The connection monitor: a device-change notice refreshes the status box 1200 ms later, a
// burst of notices gives one refresh, and an unplug empties what belonged to the instrument.

#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTimer>

#include "main_window_fixture.h"
#include "plans/plan_list.h"

namespace zv318::testing {
namespace {

using mainwindowMonitor = MainWindowTest;

TEST_F(mainwindowMonitor, APlugNoticeRefreshesTheBoxAbout1200msLater) {
    bus.setPlugged(false);
    Start();
    ASSERT_EQ(form->CStatus->Connexio->text(), Entry(15));
    QSignalSpy refreshed(form.get(), &TForm1::connectionStatusRefreshed);
    // When the first refresh came, from the notice: a busy machine may bring it late, never
    // early.
    QElapsedTimer clock;
    qint64 refreshedAfter = -1;
    QObject::connect(form.get(), &TForm1::connectionStatusRefreshed, form.get(), [&] {
        if (refreshedAfter < 0) refreshedAfter = clock.elapsed();
    });

    bus.setPlugged(true);
    clock.start();
    watcher.notifyChange();
    EXPECT_TRUE(form->Timer2->isActive());
    EXPECT_EQ(form->Timer2->interval(), 1200);
    EXPECT_EQ(form->CStatus->Connexio->text(), Entry(15));

    ASSERT_TRUE(WaitUntil([&] { return refreshed.count() > 0; }));
    EXPECT_GE(refreshedAfter, 1100);  // nothing before the delay (a coarse timer may be 5% early)
    EXPECT_EQ(form->CStatus->Connexio->text(), Entry(14));
    EXPECT_EQ(form->CStatus->SN->text(), QStringLiteral("00012345"));
    EXPECT_TRUE(form->ChannelPlan->ReceiveBut->isEnabled());
    EXPECT_FALSE(form->Timer2->isActive());
}

TEST_F(mainwindowMonitor, ABurstOfNoticesGivesOneRefresh) {
    Start();
    const int before = StatusRefreshes();
    QSignalSpy refreshed(form.get(), &TForm1::connectionStatusRefreshed);

    // Notices 400 ms apart while the first one's delay runs: none starts the delay again (a
    // restarted timer would have its whole 1200 ms before it, give or take the 5% a coarse
    // timer may move; one left running has at most 1260 - 400).
    watcher.notifyChange();
    int notices = 1;
    for (int i = 0; i < 2; ++i) {
        QTest::qWait(400);
        if (!form->Timer2->isActive()) break;  // a busy machine let the delay run out
        watcher.notifyChange();
        ++notices;
        EXPECT_LE(form->Timer2->remainingTime(), 1000) << "notice " << notices;
    }
    EXPECT_GE(notices, 2);
    ASSERT_TRUE(WaitUntil([&] { return refreshed.count() > 0; }));
    // One refresh, and no timer left that would bring another.
    EXPECT_EQ(refreshed.count(), 1);
    EXPECT_FALSE(form->Timer2->isActive());
    EXPECT_EQ(StatusRefreshes() - before, 1);

    // A later notice is a new burst.
    watcher.notifyChange();
    ASSERT_TRUE(WaitUntil([&] { return refreshed.count() == 2; }));
    EXPECT_EQ(StatusRefreshes() - before, 2);
}

TEST_F(mainwindowMonitor, UnpluggingEmptiesThePlanListAndTheLoggerTable) {
    Start();
    // As after a reading of the plans and of the loggers.
    form->planList().add("TV1 (RADIO)");
    form->planList().add("P1 (PLC)");
    form->planList().enablePlanCommands();
    ASSERT_TRUE(form->ChannelPlan->DelSelBut->isEnabled());
    QTableWidget* grid = form->Loggers->LoggerIndex;
    form->Loggers->ReceiveRLogButClick();
    ASSERT_FALSE(grid->item(0, 1)->text().isEmpty());
    ASSERT_TRUE(form->Loggers->SaveLogBut->isEnabled());
    const QString heading = grid->horizontalHeaderItem(1)->text();
    QSignalSpy refreshed(form.get(), &TForm1::connectionStatusRefreshed);

    bus.setPlugged(false);
    watcher.notifyChange();
    ASSERT_TRUE(WaitUntil([&] { return refreshed.count() > 0; }));

    EXPECT_EQ(form->CStatus->Connexio->text(), Entry(15));
    EXPECT_EQ(form->ChannelPlan->Llista->count(), 0);
    for (QWidget* w : {static_cast<QWidget*>(form->ChannelPlan->ReceiveBut),
                       static_cast<QWidget*>(form->ChannelPlan->DelSelBut),
                       static_cast<QWidget*>(form->ChannelPlan->LoadBut), static_cast<QWidget*>(form->ChannelPlan->Llista)})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    // The logger rows are emptied and forgotten; the headings stay.
    for (int r = 0; r < 50; ++r)
        for (int c = 0; c <= 4; ++c) ASSERT_TRUE(grid->item(r, c)->text().isEmpty()) << r << c;
    EXPECT_EQ(grid->horizontalHeaderItem(1)->text(), heading);
    EXPECT_FALSE(form->Loggers->SaveLogBut->isEnabled());

    // Plugged in again: ReceiveBut comes back, the list waits for a reading.
    bus.setPlugged(true);
    watcher.notifyChange();
    ASSERT_TRUE(WaitUntil([&] { return refreshed.count() == 2; }));
    EXPECT_TRUE(form->ChannelPlan->ReceiveBut->isEnabled());
    EXPECT_FALSE(form->ChannelPlan->DelSelBut->isEnabled());
    EXPECT_FALSE(form->ChannelPlan->Llista->isEnabled());
}

TEST_F(mainwindowMonitor, ARefreshDueDuringACommandWaitsForItsEnd) {
    Start();
    QSignalSpy refreshed(form.get(), &TForm1::connectionStatusRefreshed);
    const int before = StatusRefreshes();
    bool ran = form->runCommand([&] {
        bus.setPlugged(false);
        watcher.notifyChange();
        // The command lets events run until the monitor's delay is over.
        EXPECT_TRUE(WaitUntil([&] { return !form->Timer2->isActive(); }));
        EXPECT_EQ(refreshed.count(), 0);
        EXPECT_EQ(form->CStatus->Connexio->text(), Entry(14));
    });
    ASSERT_TRUE(ran);
    EXPECT_EQ(refreshed.count(), 1);
    EXPECT_EQ(form->CStatus->Connexio->text(), Entry(15));
    EXPECT_FALSE(form->ChannelPlan->ReceiveBut->isEnabled());
    EXPECT_EQ(StatusRefreshes(), before);  // nothing was found to ask
}

TEST(mainwindowFolderWatcher, ASocketAppearingOrLeavingIsANotice) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    FolderDeviceWatcher watcher(dir.path());
    ASSERT_TRUE(watcher.start());
    QSignalSpy changed(&watcher, &DeviceWatcher::deviceChanged);

    QFile socket(dir.filePath(QStringLiteral("zv318-0")));
    ASSERT_TRUE(socket.open(QIODevice::WriteOnly));
    socket.close();
    ASSERT_TRUE(WaitUntil([&] { return changed.count() > 0; }));

    const int afterPlug = changed.count();
    ASSERT_TRUE(socket.remove());
    ASSERT_TRUE(WaitUntil([&] { return changed.count() > afterPlug; }));
}

// Unplugged while the status box is being refreshed: the refresh ends as "not connected",
// whichever query the cable came out at, until the next plug event.
TEST_F(mainwindowMonitor, ARefreshThatLosesTheInstrumentEndsNotConnected) {
    Start();
    for (int queriesBefore : {0, 1, 2}) {  // the serial number, the IO and the ZV version
        SCOPED_TRACE(queriesBefore);
        bus.setPlugged(true);
        form->ConnectionStatus();
        ASSERT_TRUE(form->connected());
        bus.unplugAfter(queriesBefore);
        form->ConnectionStatus();
        EXPECT_FALSE(form->connected());
        EXPECT_EQ(form->CStatus->Connexio->text(), Entry(15));
        EXPECT_TRUE(SamePicture(form->CStatus->Usb, folder / "Images" / "Nousb.bmp"));
        for (QLabel* value : {form->CStatus->Mod, form->CStatus->SN, form->CStatus->IOV, form->CStatus->ZVV})
            EXPECT_TRUE(value->text().isEmpty()) << value->objectName().toStdString();
        for (QWidget* w :
             {static_cast<QWidget*>(form->ChannelPlan->ReceiveBut), static_cast<QWidget*>(form->ChannelPlan->DelSelBut),
              static_cast<QWidget*>(form->ChannelPlan->LoadBut)})
            EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    }
}

// A device notice that comes while a refresh runs is not lost: one more refresh follows.
TEST_F(mainwindowMonitor, ANoticeDuringARefreshGivesOneMoreRefresh) {
    Start();
    QSignalSpy refreshed(form.get(), &TForm1::connectionStatusRefreshed);
    // The notice arrives while the refresh lets the window repaint, and the instrument goes.
    QTimer::singleShot(0, form.get(), [this] {
        bus.setPlugged(false);
        watcher.notifyChange();
    });
    form->ConnectionStatus();
    ASSERT_EQ(refreshed.count(), 1);
    // Gone, and seen to be gone by the refresh the notice brought; plugged in again, the
    // next notice finds it.
    ASSERT_TRUE(WaitUntil([&] { return refreshed.count() == 2; }));
    EXPECT_FALSE(form->connected());
    bus.setPlugged(true);
    watcher.notifyChange();
    ASSERT_TRUE(WaitUntil([&] { return refreshed.count() == 3; }));
    EXPECT_TRUE(form->connected());
    EXPECT_TRUE(form->ChannelPlan->ReceiveBut->isEnabled());
}

}  // namespace
}  // namespace zv318::testing
