// The windows from the keyboard: every menu of every window and every page's buttons and
// captions have keys of their own in every shipped language, F10 opens the menu bar, Enter on
// the plan list opens the plan, in the logger table Tab walks the cells, Space turns a row's
// mark and Enter opens its logger, and Tab crosses the Archive page as one reads it.
#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSet>
#include <numeric>
#include <QTableWidget>

#include "archive/windows/team_archive.h"
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
    CreateWithArchive(true);
    // The archive's items come before Exit, which stays last.
    EXPECT_EQ(form->Archivo1->actions().last(), form->Salir1);
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

// Keys handed out together: a caption whose first free letter another needs more takes its
// next one, a doubled "&" stays an "&", the language file's own key is kept, and only a caption
// whose letters are all taken stays without one.
TEST(mainwindowMnemonics, EveryCaptionGetsAKeyWhenSomeChoiceGivesEachOne) {
    QString taken = QStringLiteral("s");
    const QStringList keyed =
        WithMnemonics({"Sea", "E", "A&&B", "&Open", "Sob", "&Other", "&Sun"}, taken);
    EXPECT_EQ(keyed, QStringList({"Se&a", "&E", "A&&&B", "&Open", "Sob", "O&ther", "S&un"}));
    EXPECT_EQ(taken, QStringLiteral("saebotu"));
}

// The Alt keys of one page: every button and every caption of a field, each a key of its own
// that the menu bar's keys leave free. Returns what has none or shares one.
std::vector<std::string> KeylessControls(QWidget* page, QString keys) {
    std::vector<std::string> keyless;
    auto take = [&](const QString& caption) {
        const QChar key = MnemonicOf(caption);
        if (key.isNull() || keys.contains(key))
            keyless.push_back(caption.toStdString());
        else
            keys.append(key);
    };
    for (QAbstractButton* b : page->findChildren<QAbstractButton*>())
        if (b->isVisibleTo(page) && !b->text().isEmpty()) take(b->text());
    for (QLabel* l : page->findChildren<QLabel*>())
        if (l->isVisibleTo(page) && l->buddy()) take(l->text());
    return keyless;
}

TEST_F(mainwindowKeyboard, EveryPageHasItsOwnAltKeysInEveryLanguage) {
    CreateWithArchive(true);
    for (const std::string& language : ListLanguages(folder)) {
        ChooseLanguage(*form, language);
        QString menuKeys;
        for (const QAction* menu : form->MainMenu1->actions()) menuKeys.append(MnemonicOf(menu->text()));
        for (int p = 0; p < form->PageControl->count(); ++p) {
            form->PageControl->setCurrentIndex(p);
            QCoreApplication::processEvents();
            EXPECT_EQ(KeylessControls(form->PageControl->widget(p), menuKeys),
                      std::vector<std::string>{})
                << language << " page " << p;
        }
    }
}

// Tab from the page's first field reaches every field and button in the order one reads them:
// row by row from the top, left to right within a row.
TEST_F(mainwindowKeyboard, TabCrossesTheArchivePageAsOneReadsIt) {
    CreateWithArchive(true);
    form->PageControl->setCurrentWidget(archivePage);
    QCoreApplication::processEvents();
    std::vector<QWidget*> walked;
    QWidget* at = archivePage->FilterEdit;
    do {
        QWidget* target = at->focusProxy() ? at->focusProxy() : at;
        if (archivePage->isAncestorOf(at) && at->isVisibleTo(archivePage) && at->isEnabled() &&
            (at->focusPolicy() & Qt::TabFocus) && !at->focusProxy() &&
            (walked.empty() || walked.back() != target))
            walked.push_back(target);
        at = at->nextInFocusChain();
    } while (at != archivePage->FilterEdit && walked.size() < 100);
    const auto place = [this](QWidget* w) {
        return QRect(w->mapTo(archivePage, QPoint(0, 0)), w->size());
    };
    std::vector<std::string> outOfOrder;
    for (std::size_t k = 1; k < walked.size(); ++k) {
        const QRect before = place(walked[k - 1]), next = place(walked[k]);
        const bool sameRow = next.top() < before.bottom() && before.top() < next.bottom();
        const bool below = next.top() >= before.center().y();
        if (sameRow ? next.left() <= before.left() : !below)
            outOfOrder.push_back(walked[k - 1]->objectName().toStdString() + " then " +
                                 walked[k]->objectName().toStdString());
    }
    EXPECT_EQ(outOfOrder, std::vector<std::string>{});
    for (QWidget* w : {static_cast<QWidget*>(archivePage->FilterEdit),
                       static_cast<QWidget*>(archivePage->Table),
                       static_cast<QWidget*>(archivePage->ImportButton),
                       static_cast<QWidget*>(archivePage->CheckButton)})
        EXPECT_NE(std::find(walked.begin(), walked.end(), w), walked.end())
            << w->objectName().toStdString();
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
    // Tab walks every cell of a row, then on to the next row's first (a Tab the grid did not
    // take would leave it, its current cell unchanged).
    grid->setFocus();
    grid->setCurrentCell(0, 0);
    for (int c = 1; c <= grid->columnCount(); ++c) {
        QTest::keyClick(grid, Qt::Key_Tab);
        EXPECT_EQ(grid->currentRow() * grid->columnCount() + grid->currentColumn(), c);
    }
    grid->setCurrentCell(1, 1);
    const QString before = grid->item(1, 4)->text();
    QTest::keyClick(grid, Qt::Key_Space);
    EXPECT_NE(grid->item(1, 4)->text(), before);
    QTest::keyClick(grid, Qt::Key_Space);
    EXPECT_EQ(grid->item(1, 4)->text(), before);
    QString viewed;
    std::vector<int> walked;  // the viewer's records grid: the cells Tab reaches
    ModalWatcher watcher([&](QWidget* modal) {
        if (modal == windows.loggerWindow) {
            viewed = windows.loggerWindow->LoggerNameLabel->text();
            QTableWidget* records = windows.loggerWindow->TaulaRegistre;
            records->setFocus();
            records->setCurrentCell(0, 0);
            for (int c = 1; c <= records->columnCount(); ++c) {
                QTest::keyClick(records, Qt::Key_Tab);
                walked.push_back(records->currentRow() * records->columnCount() +
                                 records->currentColumn());
            }
        }
        modal->close();
    });
    QTest::keyClick(grid, Qt::Key_Return);
    ASSERT_TRUE(WaitUntil([&] { return !viewed.isEmpty(); }));
    EXPECT_EQ(viewed, "LOBBY");
    std::vector<int> everyCell(walked.size());
    std::iota(everyCell.begin(), everyCell.end(), 1);
    EXPECT_EQ(walked, everyCell);
    EXPECT_TRUE(feedback.messages.empty());
}

}  // namespace
}  // namespace zv318::testing
