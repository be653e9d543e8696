// The firmware updates from the main window: the start-up argument, the menu items, the
// confirmation dialog, and the other commands held back while an update runs.

#include <QMenu>
#include <QPushButton>

#include "firmware/firmware_update.h"
#include "main_window_fixture.h"
#include "windows/modal_watcher.h"

namespace zv318::testing {
namespace {

// Sleeps nothing; lets the test look at the window in the middle of the update.
class PeekingSleeper : public Sleeper {
public:
    void sleepMs(int) override {
        if (onSleep) onSleep();
    }
    std::function<void()> onSleep;
};

const std::string kImage = ":10100000000102030405060708090A0B0C0D0E0F68\r\n:00000001FF\r\n";

class mainwindowFirmware : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        std::filesystem::create_directories(folder / "Version");
        WriteFile("Version/io 2.3.hex", kImage);
        WriteFile("Version/zv 1.3.zv318", "S1041000AA41\r\nS9030000FC\r\n");
    }

    // The confirmation dialog, answered with SI or NO; what it showed is kept.
    ModalWatcher Answer(bool yes) {
        return ModalWatcher([this, yes](QWidget* modal) {
            auto* dialog = qobject_cast<TConfUpgr*>(modal);
            ASSERT_NE(dialog, nullptr);
            shown.push_back({dialog->Confirm->text(), dialog->VersioActual->text(),
                             dialog->VersionTo->toolTip(), dialog->NO->isDefault()});
            (yes ? dialog->SI : dialog->NO)->click();
        });
    }

    [[nodiscard]] int LoaderEntries() const {
        int n = 0;
        for (const Report& r : instrument.received) n += r[1] == 0x08 && r[7] == 1;
        return n;
    }

    struct Shown {
        QString confirm, version, image;
        bool noIsDefault;
    };
    std::vector<Shown> shown;
    PeekingSleeper sleeper;
};

TEST_F(mainwindowFirmware, AStartUpArgumentRunsTheIoUpdateOnceAfterTheFirstRefresh) {
    const std::string image = (folder / "Version" / "io 2.3.hex").string();
    Create();
    form->setFirmwareSleeper(&sleeper);
    form->setStartupArgument(image);
    {
        ModalWatcher no = Answer(false);
        form->show();
        form->AlExecutar();
    }
    // Refused: nothing sent, the argument kept; the menu item then goes straight to the
    // same file, without a dialog.
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].confirm, Entry(47));
    EXPECT_EQ(shown[0].version, Entry(50) + "IO-2.10");
    EXPECT_EQ(shown[0].image, QString::fromStdString(image));
    EXPECT_TRUE(shown[0].noIsDefault);
    EXPECT_EQ(LoaderEntries(), 0);
    EXPECT_EQ(form->startupArgument(), image);
    EXPECT_EQ(StatusRefreshes(), 1);  // the update came after the refresh

    // With the argument still pending, the instrument update asks about its own image.
    const std::string zv = (folder / "Version" / "zv 1.3.zv318").string();
    feedback.files = {zv};
    {
        ModalWatcher no = Answer(false);
        form->KORVEL521->trigger();
    }
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].confirm, Entry(49));
    EXPECT_EQ(shown[1].image, QString::fromStdString(zv));
    EXPECT_EQ(form->startupArgument(), image);
    feedback.fileRequests.clear();

    bool busyDuringPause = false, otherCommandsOff = false;
    sleeper.onSleep = [&] {
        busyDuringPause = form->busy();
        otherCommandsOff =
            !form->ChannelPlan->ReceiveBut->isEnabled() && !form->Actualizar1->menuAction()->isEnabled();
    };
    {
        ModalWatcher yes = Answer(true);
        form->Firmware1->trigger();
    }
    EXPECT_TRUE(feedback.fileRequests.empty());
    EXPECT_EQ(LoaderEntries(), 1);
    const std::vector<std::uint8_t> memory = instrument.loaderMemory();
    EXPECT_EQ(HexBytes(std::span(memory).subspan(0x1000, 4)), "00 01 02 03");
    EXPECT_TRUE(form->startupArgument().empty());
    EXPECT_TRUE(busyDuringPause);
    EXPECT_TRUE(otherCommandsOff);
    EXPECT_FALSE(form->busy());
    EXPECT_TRUE(form->ChannelPlan->ReceiveBut->isEnabled());
    EXPECT_EQ(feedback.progressWindow.status, Entry(55).toStdString());
}

TEST_F(mainwindowFirmware, AStartUpArgumentThatIsNoHexImage) {
    // With the instrument absent: message 7, the argument kept. Present: message 11, emptied.
    const std::string other = (folder / "Version" / "zv 1.3.zv318").string();
    bus.setPlugged(false);
    Create();
    form->setFirmwareSleeper(&sleeper);
    form->setStartupArgument(other);
    form->AlExecutar();
    EXPECT_EQ(feedback.messages, std::vector<int>{7});
    EXPECT_EQ(form->startupArgument(), other);

    bus.setPlugged(true);
    form->Firmware1->trigger();
    EXPECT_EQ(feedback.messages, (std::vector<int>{7, 11}));
    EXPECT_TRUE(form->startupArgument().empty());
    EXPECT_EQ(LoaderEntries(), 0);
}

TEST_F(mainwindowFirmware, TheInstrumentUpdateAndAnInstrumentVanishingInIt) {
    Start();
    form->setFirmwareSleeper(&sleeper);
    const std::string image = (folder / "Version" / "zv 1.3.zv318").string();
    feedback.files = {image};
    {
        ModalWatcher yes = Answer(true);
        form->KORVEL521->trigger();
    }
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].confirm, Entry(49));
    EXPECT_EQ(shown[0].version, Entry(48) + "V1.20");
    EXPECT_EQ(shown[0].image, QString::fromStdString(image));
    ASSERT_EQ(instrument.firmwareRecords.size(), 2u);
    EXPECT_TRUE(feedback.messages.empty());

    // Again with the same file (the dialog cancelled keeps it); the cable comes out at the
    // first record. A message, no success, and the window usable again.
    bus.unplugAfter(7);
    {
        ModalWatcher yes = Answer(true);
        form->KORVEL521->trigger();
    }
    EXPECT_EQ(shown.size(), 2u);
    // One message, which says what to do: the note names the command to run again, and no
    // "not connected" box contradicts it.
    EXPECT_TRUE(feedback.messages.empty());
    const QString again = QString(Entry(5) + " > " + Entry(11)).remove('&');
    EXPECT_TRUE(QString::fromStdString(feedback.progressWindow.note).contains(again))
        << feedback.progressWindow.note;
    EXPECT_EQ(feedback.progressWindow.status, Entry(58).toStdString());
    EXPECT_TRUE(feedback.progressWindow.okEnabled);
    EXPECT_FALSE(form->busy());
    EXPECT_TRUE(form->Actualizar1->menuAction()->isEnabled());
    EXPECT_TRUE(form->ChannelPlan->ReceiveBut->isEnabled());
}

}  // namespace
}  // namespace zv318::testing
