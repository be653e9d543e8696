// The main window's commands: the plan buttons through the plan procedures, one command at a
// time with the others disabled, the menus, and the about window's hidden functions.

#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include "main_window_fixture.h"
#include "plans/windows/plan_list_widget.h"

namespace zv318::testing {
namespace {

// Notes what the window looks like each time a procedure lets events run.
class SnoopingFeedback : public RecordingFeedback {
public:
    void processEvents() override {
        RecordingFeedback::processEvents();
        if (onEvents) onEvents();
    }
    std::function<void()> onEvents;
};

struct CommandStates {
    std::map<std::string, bool> controls;
    std::map<std::string, bool> menus;
};

CommandStates StatesOf(const TForm1& f) {
    CommandStates s;
    for (QWidget* w : {static_cast<QWidget*>(f.ChannelPlan->ReceiveBut), static_cast<QWidget*>(f.ChannelPlan->EditBut),
                       static_cast<QWidget*>(f.ChannelPlan->NewRBut), static_cast<QWidget*>(f.ChannelPlan->NewPBut),
                       static_cast<QWidget*>(f.ChannelPlan->DelSelBut), static_cast<QWidget*>(f.ChannelPlan->LoadBut),
                       static_cast<QWidget*>(f.ChannelPlan->Llista), static_cast<QWidget*>(f.Loggers->ReceiveRLogBut),
                       static_cast<QWidget*>(f.Loggers->ReceivePLogBut), static_cast<QWidget*>(f.Loggers->OpenLogBut),
                       static_cast<QWidget*>(f.Loggers->PrintSelBut), static_cast<QWidget*>(f.Loggers->SaveLogAsBut),
                       static_cast<QWidget*>(f.Loggers->SaveLogBut), static_cast<QWidget*>(f.Loggers->LoggerIndex)})
        s.controls[w->objectName().toStdString()] = w->isEnabled();
    for (QMenu* m : {f.Archivo1, f.Idioma1, f.Actualizar1, f.Ayuda1})
        s.menus[m->objectName().toStdString()] = m->menuAction()->isEnabled();
    return s;
}

std::vector<std::string> ListEntries(const QListWidget* list) {
    std::vector<std::string> entries;
    for (int i = 0; i < list->count(); ++i) entries.push_back(list->item(i)->text().toStdString());
    return entries;
}

class mainwindowCommands : public MainWindowTest {
protected:
    void StartSnooping() {
        Start();
        form->setFeedback(&snoop);
        snoop.onEvents = [this] {
            if (!during) during = StatesOf(*form);
        };
    }
    SnoopingFeedback snoop;
    std::optional<CommandStates> during;
};

TEST_F(mainwindowCommands, ReadingThePlansDisablesEveryOtherCommandUntilItEnds) {
    StartSnooping();
    form->ChannelPlan->ReceiveBut->click();

    // The instrument's plans, RADIO first.
    std::vector<std::string> expected;
    for (const sim::Plan& p : instrument.plans(sim::kRadio)) expected.push_back(p.name + " (RADIO)");
    for (const sim::Plan& p : instrument.plans(sim::kPlc)) expected.push_back(p.name + " (PLC)");
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(ListEntries(form->ChannelPlan->Llista), expected);
    EXPECT_TRUE(std::filesystem::exists(folder / (expected[0] + ".temp")));

    ASSERT_TRUE(during.has_value()) << "the procedure never let events run";
    for (const auto& [name, enabled] : during->controls) EXPECT_FALSE(enabled) << name;
    for (const auto& [name, enabled] : during->menus) EXPECT_FALSE(enabled) << name;

    // At the end each control has the state it should have now.
    CommandStates after = StatesOf(*form);
    for (const char* on : {"ReceiveBut", "EditBut", "NewRBut", "NewPBut", "DelSelBut", "LoadBut",
                           "Llista", "ReceiveRLogBut", "ReceivePLogBut", "OpenLogBut",
                           "LoggerIndex"})
        EXPECT_TRUE(after.controls[on]) << on;
    for (const char* off : {"PrintSelBut", "SaveLogAsBut", "SaveLogBut"})
        EXPECT_FALSE(after.controls[off]) << off;
    for (const auto& [name, enabled] : after.menus) EXPECT_TRUE(enabled) << name;
    EXPECT_FALSE(form->busy());
}

TEST_F(mainwindowCommands, DeletingUsesTheSelectionOfTheList) {
    Start();
    form->ChannelPlan->ReceiveBut->click();
    ASSERT_GE(form->ChannelPlan->Llista->count(), 2);
    const std::string first = instrument.plans(sim::kRadio).at(0).name;
    const std::size_t radioBefore = instrument.plans(sim::kRadio).size();
    form->ChannelPlan->Llista->item(0)->setSelected(true);
    feedback.answers = {true};

    form->ChannelPlan->DelSelBut->click();

    EXPECT_EQ(instrument.plans(sim::kRadio).size(), radioBefore - 1);
    for (const sim::Plan& p : instrument.plans(sim::kRadio)) EXPECT_NE(p.name, first);
    const std::vector<std::string> listed = ListEntries(form->ChannelPlan->Llista);
    EXPECT_EQ(std::count(listed.begin(), listed.end(), first + " (RADIO)"), 0);
    EXPECT_TRUE(form->ChannelPlan->DelSelBut->isEnabled());
}

TEST_F(mainwindowCommands, LoadingAsksForAFileAndACancelSendsNothing) {
    Start();
    form->ChannelPlan->ReceiveBut->click();
    instrument.clearReceived();
    form->ChannelPlan->LoadBut->click();
    ASSERT_EQ(feedback.fileRequests.size(), 1u);
    EXPECT_EQ(feedback.fileRequests[0].kind, FileRequest::LoadPlan);
    EXPECT_TRUE(instrument.commands().empty());
    EXPECT_TRUE(form->ChannelPlan->LoadBut->isEnabled());
}

TEST_F(mainwindowCommands, OneCommandAtATime) {
    Start();
    int inner = 0;
    bool nested = true;
    form->runCommand([&] { nested = form->runCommand([&] { ++inner; }); });
    EXPECT_FALSE(nested);
    EXPECT_EQ(inner, 0);

    // A click that arrives while a command runs does nothing: the button is disabled.
    form->runCommand([&] {
        form->ChannelPlan->ReceiveBut->click();
        EXPECT_EQ(form->ChannelPlan->Llista->count(), 0);
    });
    EXPECT_EQ(instrument.commands().size(), 3u);  // only the start-up's status queries
}

TEST_F(mainwindowCommands, AStateSetDuringACommandAppliesAtItsEnd) {
    Start();
    form->runCommand([&] {
        // As a logger listing enables its buttons in the middle of its command.
        form->Loggers->PrintSelBut->setEnabled(true);
        form->setCommandEnabled(form->Loggers->SaveLogBut, true);
        EXPECT_FALSE(form->Loggers->PrintSelBut->isEnabled());
        EXPECT_FALSE(form->Loggers->SaveLogBut->isEnabled());
    });
    EXPECT_TRUE(form->Loggers->PrintSelBut->isEnabled());
    EXPECT_TRUE(form->Loggers->SaveLogBut->isEnabled());
    EXPECT_FALSE(form->Loggers->SaveLogAsBut->isEnabled());

    // An exception that ends a command gives the controls back as well.
    EXPECT_THROW(form->runCommand([] { throw std::runtime_error("stop"); }), std::runtime_error);
    EXPECT_FALSE(form->busy());
    EXPECT_TRUE(form->ChannelPlan->ReceiveBut->isEnabled());
    EXPECT_TRUE(form->Archivo1->menuAction()->isEnabled());
}

TEST_F(mainwindowCommands, TheWindowStaysWhileACommandRuns) {
    Start();
    bool closedDuring = true;
    form->runCommand([&] { closedDuring = form->close(); });
    EXPECT_FALSE(closedDuring);
    EXPECT_TRUE(form->isVisible());
}

TEST_F(mainwindowCommands, ExitClosesTheWindowAndTheDeviceHandle) {
    Start();
    ASSERT_TRUE(link.IsOpen());
    form->Salir1->trigger();
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(bus.openCount(), 0);
}

TEST_F(mainwindowCommands, SettingTheClockUsesTheSerialNumberShown) {
    Start();
    form->Puestaenhora1->trigger();
    EXPECT_EQ(instrument.clock().size(), 19u);
    EXPECT_TRUE(feedback.messages.empty());  // the stream was found again with SN's text
}

TEST_F(mainwindowCommands, FirmwareMenuItemsRunTheirHooksAsCommands) {
    Start();
    std::vector<std::string> calls;
    form->firmwareIoUpdate = [&] {
        calls.push_back("io");
        EXPECT_TRUE(form->busy());
    };
    form->instrumentUpdate = [&] { calls.push_back("instrument"); };
    form->Firmware1->trigger();
    form->KORVEL521->trigger();
    EXPECT_EQ(calls, (std::vector<std::string>{"io", "instrument"}));
}

TEST_F(mainwindowCommands, AboutWindowsOpenModally) {
    Start();
    QWidget* shown = nullptr;
    auto closeModal = [&] {
        QTimer::singleShot(50, [&] {
            shown = QApplication::activeModalWidget();
            if (shown) shown->close();
        });
    };
    closeModal();
    form->SobreKORVEL52->trigger();
    EXPECT_EQ(shown, windows.aboutKorvel);

    shown = nullptr;
    closeModal();
    form->SobreControlador->trigger();
    EXPECT_EQ(shown, windows.aboutController);

    // The hidden command window, asked for from the about window.
    shown = nullptr;
    closeModal();
    emit windows.aboutKorvel->hiddenCommandRequested();
    EXPECT_EQ(shown, windows.oculta);
}

TEST_F(mainwindowCommands, TheHiddenEraseEmptiesTheInstrumentAndTheList) {
    Start();
    form->ChannelPlan->ReceiveBut->click();
    ASSERT_GT(form->ChannelPlan->Llista->count(), 0);
    feedback.answers = {true};
    emit windows.aboutKorvel->hiddenEraseRequested();
    EXPECT_TRUE(instrument.plans(sim::kRadio).empty());
    EXPECT_TRUE(instrument.plans(sim::kPlc).empty());
    EXPECT_EQ(form->ChannelPlan->Llista->count(), 0);
    ASSERT_EQ(feedback.questions.size(), 1u);
    EXPECT_EQ(feedback.questions[0].text, 39);
    EXPECT_EQ(feedback.questions[0].caption, 37);
}

TEST(mainwindowLlista, KeepsTheInstrumentsBytesWhateverIsShown) {
    QListWidget list;
    int enabled = 0;
    LlistaPlanList plans(list, [&] { ++enabled; });
    const std::string latin1 = std::string("Ca") + char(0xF1) + "o (RADIO)";  // Windows-1252
    plans.add("TV1 (RADIO)");
    plans.add(latin1);
    ASSERT_EQ(plans.count(), 2);
    EXPECT_EQ(list.item(1)->text(), QStringLiteral("Ca\u00F1o (RADIO)"));
    EXPECT_EQ(plans.entry(1), latin1);  // the ".temp" copy is named by these bytes
    EXPECT_EQ(plans.entry(2), "");

    list.setSelectionMode(QAbstractItemView::ExtendedSelection);
    list.item(1)->setSelected(true);
    EXPECT_FALSE(plans.isSelected(0));
    EXPECT_TRUE(plans.isSelected(1));
    EXPECT_FALSE(plans.isSelected(5));

    plans.enablePlanCommands();
    EXPECT_EQ(enabled, 1);
    plans.clear();
    EXPECT_EQ(list.count(), 0);
}

}  // namespace
}  // namespace zv318::testing
