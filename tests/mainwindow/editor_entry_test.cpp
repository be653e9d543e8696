// The main window's ways into the plan editor: a ".c318" file, a new RADIO or PLC plan, and a
// double click on an instrument plan of the list, each showing the editor modally.
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>

#include "main_window_fixture.h"
#include "plans/plan_procedures.h"
#include "windows/modal_watcher.h"

namespace zv318::testing {
namespace {

// What the editor showed when it came up, before it was closed (the close question is answered
// No by the feedback).
struct Shown {
    QString name, type, file;
    int rows = 0;
    QString firstFrequency;
};

class mainwindowEditor : public MainWindowTest {
protected:
    // Runs `action`, takes down what the modal editor shows and closes it; nothing when the
    // editor never came up.
    std::optional<Shown> Editing(const std::function<void()>& action) {
        std::optional<Shown> shown;
        ModalWatcher watcher([&](QWidget* modal) {
            if (modal != windows.editor) return;
            TEditor* e = windows.editor;
            shown =
                Shown{e->ChPlanNameLabel->text(), e->Tipus->text(), e->FileNameLabel->text(),
                      e->TaulaCanals->rowCount(),
                      e->TaulaCanals->item(0, 2) ? e->TaulaCanals->item(0, 2)->text() : QString()};
            feedback.threeWay = {Answer::No};
            e->close();
        });
        action();
        return shown;
    }
};

TEST_F(mainwindowEditor, NewPlansAndPlanFilesOpenTheEditor) {
    Start();
    std::optional<Shown> radio = Editing([this] { form->ChannelPlan->NewRBut->click(); });
    ASSERT_TRUE(radio);
    EXPECT_EQ(radio->name, "NEW");
    EXPECT_EQ(radio->type, "RADIO");
    EXPECT_EQ(radio->rows, 1);
    EXPECT_EQ(radio->firstFrequency, "50.0000");
    std::optional<Shown> plc = Editing([this] { form->ChannelPlan->NewPBut->click(); });
    ASSERT_TRUE(plc);
    EXPECT_EQ(plc->type, "PLC");
    EXPECT_EQ(plc->firstFrequency, "2.0000");
    // Nothing changed in either plan: the editor closed without a question.
    EXPECT_TRUE(feedback.questions.empty());

    WriteFile("tv.c318", "1\r\nTV1\r\n2\r\n0,A,474000000,8000000,ON\r\n1,B,482000000,8000000,OFF");
    feedback.files = {(folder / "tv.c318").string()};
    std::optional<Shown> file = Editing([this] { form->ChannelPlan->EditBut->click(); });
    ASSERT_TRUE(file);
    EXPECT_EQ(file->name, "TV1");
    EXPECT_EQ(file->rows, 2);
    EXPECT_EQ(file->file.toStdString(), (folder / "tv.c318").string());
    // A refused file leaves the editor closed.
    feedback.files = {(folder / "tv.txt").string()};
    EXPECT_FALSE(Editing([this] { form->ChannelPlan->EditBut->click(); }));
    EXPECT_EQ(feedback.messages, std::vector<int>{11});
}

TEST_F(mainwindowEditor, DoubleClickOnTheListOpensTheSelectedPlansCopy) {
    Start();
    form->ChannelPlan->ReceiveBut->click();
    ASSERT_GE(form->ChannelPlan->Llista->count(), 2);
    instrument.clearReceived();
    const sim::Plan& second = instrument.plans(sim::kRadio).at(1);

    QListWidgetItem* item = form->ChannelPlan->Llista->item(1);
    const QPoint at = form->ChannelPlan->Llista->visualItemRect(item).center();
    std::optional<Shown> shown = Editing([&] {
        QTest::mouseClick(form->ChannelPlan->Llista->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(form->ChannelPlan->Llista->viewport(), Qt::LeftButton, {}, at);
    });
    EXPECT_EQ(instrument.commands(), (std::vector<std::string>{"*EC01", "*?PN", "*EC02", "*?PN"}));
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->name.toStdString(), second.name);
    EXPECT_EQ(shown->rows, static_cast<int>(second.channels.size()));

    // Nothing selected: the exchanges and nothing more.
    form->ChannelPlan->Llista->clearSelection();
    instrument.clearReceived();
    EXPECT_FALSE(Editing([this] { form->ChannelPlan->LlistaDblClick(); }));
    EXPECT_EQ(instrument.commands().size(), 4u);

    // A reading that stops its RADIO plans at a channel out of range writes no copy of the
    // plans after it: the second plan is said to need a new reading and is not opened.
    instrument.plans(sim::kRadio).at(0).channels.at(0).frequency = 1;
    form->ChannelPlan->ReceiveBut->click();
    ASSERT_GE(form->ChannelPlan->Llista->count(), 2);
    form->ChannelPlan->Llista->setCurrentRow(1);
    feedback.messages.clear();
    EXPECT_FALSE(Editing([this] { form->ChannelPlan->LlistaDblClick(); }));
    EXPECT_EQ(feedback.messages, std::vector<int>{kOutdatedCopyMessage});
}

}  // namespace
}  // namespace zv318::testing
