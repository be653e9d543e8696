// The windows from the keyboard: every menu of every window has a key of its own in every
// shipped language, F10 opens the menu bar, Enter on the plan list opens the plan, and in the
// logger table Space turns a row's mark and Enter opens its logger.
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSet>
#include <QTableWidget>

#include "main_window_fixture.h"
#include "texts/language_file.h"
#include "texts/menu_caption.h"
#include "windows/modal_watcher.h"

namespace zv318::testing {
namespace {

using mainwindowKeyboard = MainWindowTest;

// The language of the file `name` ("Spanish"), as its menu item chooses it.
void ChooseLanguage(TForm1& form, const std::string& name) {
    for (QAction* item : form.Idioma1->actions())
        if (item->data().toString().toStdString() == name) item->trigger();
    ASSERT_EQ(form.currentLanguage(), name);
}

// Each item of `actions` has a mnemonic no other item there has; with `entries`, its caption
// is one of them as written (the key comes from the language file, not from the fallback).
void ExpectOwnKeys(const QList<QAction*>& actions, const QSet<QString>* entries,
                   const std::string& where) {
    QString keys;
    for (const QAction* a : actions) {
        if (a->isSeparator() || a->text().isEmpty()) continue;
        const QChar key = MnemonicOf(a->text());
        EXPECT_FALSE(key.isNull()) << where << ": " << a->text().toStdString();
        EXPECT_FALSE(keys.contains(key)) << where << ": " << a->text().toStdString();
        keys.append(key);
        if (entries) {
            EXPECT_TRUE(entries->contains(a->text())) << where << ": " << a->text().toStdString();
        }
    }
}

TEST_F(mainwindowKeyboard, EveryMenuOfEveryWindowHasItsOwnKeysInEveryLanguage) {
    Start();
    for (const std::string& language : ListLanguages(folder)) {
        ChooseLanguage(*form, language);
        QSet<QString> entries;
        for (int n = 0; n < kExtraEntryEnd; ++n)
            if (IsLanguageEntry(n)) entries.insert(Entry(n));
        for (QWidget* window : {static_cast<QWidget*>(form.get()),
                                static_cast<QWidget*>(windows.editor),
                                static_cast<QWidget*>(windows.loggerWindow)}) {
            const std::string name = language + (" " + window->objectName().toStdString());
            const QList<QMenuBar*> bars = window->findChildren<QMenuBar*>();
            ASSERT_FALSE(bars.isEmpty()) << name;
            for (const QMenuBar* bar : bars) ExpectOwnKeys(bar->actions(), &entries, name);
            for (const QMenu* menu : window->findChildren<QMenu*>()) {
                // The language menu lists the files by name, with keys of their own.
                const bool files = menu == form->Idioma1;
                ExpectOwnKeys(menu->actions(), files ? nullptr : &entries,
                              name + " " + menu->objectName().toStdString());
            }
        }
    }
}

TEST_F(mainwindowKeyboard, F10EnterAndSpaceReachTheMenusTheListAndTheLoggers) {
    Start();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QTest::keyClick(form.get(), Qt::Key_F10);
    EXPECT_EQ(form->MainMenu1->activeAction(), form->Archivo1->menuAction());
    form->Archivo1->close();

    // Enter on the plan list opens the current plan in the editor.
    form->ChannelPlan->ReceiveBut->click();
    ASSERT_GE(form->ChannelPlan->Llista->count(), 2);
    form->ChannelPlan->Llista->setCurrentRow(1);
    QString edited;
    {
        ModalWatcher watcher([&](QWidget* modal) {
            if (modal == windows.editor) edited = windows.editor->ChPlanNameLabel->text();
            feedback.threeWay = {Answer::No};
            modal->close();
        });
        QTest::keyClick(form->ChannelPlan->Llista, Qt::Key_Return);
    }
    EXPECT_EQ(edited.toStdString(), instrument.plans(sim::kRadio).at(1).name);

    // Space turns the current logger row's mark, Enter opens its logger.
    std::filesystem::create_directories(folder / "Loggers");
    form->Loggers->ReceiveRLogBut->click();
    QTableWidget* grid = form->Loggers->LoggerIndex;
    ASSERT_EQ(grid->item(1, 1)->text(), "LOBBY");
    grid->setCurrentCell(1, 1);
    const QString before = grid->item(1, 4)->text();
    QTest::keyClick(grid, Qt::Key_Space);
    EXPECT_NE(grid->item(1, 4)->text(), before);
    QTest::keyClick(grid, Qt::Key_Space);
    EXPECT_EQ(grid->item(1, 4)->text(), before);
    QString viewed;
    ModalWatcher watcher([&](QWidget* modal) {
        if (modal == windows.loggerWindow) viewed = windows.loggerWindow->LoggerNameLabel->text();
        modal->close();
    });
    QTest::keyClick(grid, Qt::Key_Return);
    ASSERT_TRUE(WaitUntil([&] { return !viewed.isEmpty(); }));
    EXPECT_EQ(viewed, "LOBBY");
    EXPECT_TRUE(feedback.messages.empty());
}

}  // namespace
}  // namespace zv318::testing
