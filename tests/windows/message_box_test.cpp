// Message boxes, questions and file dialogs of the windows' Feedback: the texts and captions
// from the language table, the icons, and the boxes that must not appear at all.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCursor>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <stdexcept>

#include <sys/stat.h>

#include "modal_watcher.h"
#include "shell/windows/application.h"
#include "shell/windows/window_feedback.h"
#include "texts/output_path.h"
#include "texts/qt_path.h"
#include "texts/text_file.h"

namespace zv318 {
namespace {

using testing::ModalWatcher;

LanguageTable NumberedTable() {
    LanguageTable table;
    for (int n = 0; n < kLanguageEntries; ++n) table.set(n, "E" + std::to_string(n));
    return table;
}

struct Box {
    QString text, caption;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
};

// Runs `action`; every message box it opens is recorded and answered with `press`.
std::vector<Box> Boxes(const std::function<void()>& action,
                       QMessageBox::StandardButton press = QMessageBox::Ok) {
    std::vector<Box> boxes;
    ModalWatcher watcher([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (!box) {
            modal->close();
            return;
        }
        boxes.push_back({box->text(), box->windowTitle(), box->icon(), box->standardButtons()});
        if (QAbstractButton* button = box->button(press))
            button->click();
        else
            box->done(QMessageBox::Cancel);
    });
    action();
    return boxes;
}

class windows_Messages : public ::testing::Test {
protected:
    LanguageTable table = NumberedTable();
    TUpdatingFORM progressWindow;
    WindowFeedback feedback{table, progressWindow, nullptr};
};

// While the progress window shows, every box and dialog belongs to it and stays on top as it
// does, is the active window, and shows the arrow; message 7 comes after the window was told.
TEST_F(windows_Messages, BoxesStandAboveTheProgressWindow) {
    progressWindow.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&progressWindow));
    QApplication::setOverrideCursor(Qt::WaitCursor);  // a command runs
    int told = 0;
    feedback.beforeNotConnected = [&told] { ++told; };
    struct Seen {
        QWidget* parent = nullptr;
        bool onTop = false, active = false, arrow = false;
        int toldBefore = -1;
    };
    std::vector<Seen> seen;
    ModalWatcher watcher([&](QWidget* modal) {
        // A busy machine may take seconds to activate it; the wait ends once it is the active
        // window (the very condition checked below, which qWaitForWindowActive is not: it
        // gives up at once on a widget whose window is not yet made).
        (void)QTest::qWaitFor([modal] { return QApplication::activeWindow() == modal; }, 20000);
        seen.push_back({modal->parentWidget(),
                        modal->windowFlags().testFlag(Qt::WindowStaysOnTopHint),
                        QApplication::activeWindow() == modal,
                        QApplication::overrideCursor() &&
                            QApplication::overrideCursor()->shape() == Qt::ArrowCursor,
                        told});
        modal->close();
    });
    feedback.showMessage(7);
    feedback.showMessage(26);
    (void)feedback.askYesNo(38, 37);
    (void)feedback.chooseFile({FileRequest::EditPlan, "", "", {}});
    ASSERT_EQ(seen.size(), 4u);
    for (const Seen& s : seen) {
        EXPECT_EQ(s.parent, &progressWindow);
        EXPECT_TRUE(s.onTop);
        EXPECT_TRUE(s.active);
        EXPECT_TRUE(s.arrow);
    }
    EXPECT_EQ(seen[0].toldBefore, 1);  // the status box changed before message 7 showed
    EXPECT_EQ(told, 1);                // and only for message 7
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);  // back to the command's
    QApplication::restoreOverrideCursor();

    // Without the progress window the boxes belong to the window given.
    progressWindow.hide();
    seen.clear();
    feedback.showMessage(26);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].parent, nullptr);
    EXPECT_FALSE(seen[0].onTop);
}

TEST_F(windows_Messages, TextCaptionAndIconComeFromTheCatalogue) {
    struct Case {
        int number;
        const char* text;
        QMessageBox::Icon icon;
    };
    const Case cases[] = {
        {7, "E67", QMessageBox::Information},
        {4, "E63: 4", QMessageBox::Information},
        {31, "E106", QMessageBox::Information},
        {-5, "E68: -5", QMessageBox::Information},
        {-91, "E68: -91", QMessageBox::Critical},
        {2, "E61", QMessageBox::Warning},  // a damaged image: nothing was sent, a warning
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number);
        auto boxes = Boxes([&] { feedback.showMessage(c.number); });
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, c.text);
        EXPECT_EQ(boxes[0].caption, "E66");
        EXPECT_EQ(boxes[0].icon, c.icon);
        EXPECT_EQ(boxes[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }
}

TEST_F(windows_Messages, NumbersWithoutAMessageShowNoBox) {
    for (int n : {0, 32, 1000}) {
        SCOPED_TRACE(n);
        EXPECT_TRUE(Boxes([&] { feedback.showMessage(n); }).empty());
        EXPECT_TRUE(Boxes([&] { ShowMessageNumber(table, n, nullptr); }).empty());
    }
}

TEST_F(windows_Messages, AnEmptyEntryStillShowsTheBox) {
    LanguageTable empty;
    auto boxes = Boxes([&] { ShowMessageNumber(empty, 7, nullptr); });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "");
    EXPECT_EQ(boxes[0].caption, "");
}

TEST_F(windows_Messages, QuestionsUseTheEntriesAndReturnTheAnswer) {
    bool answer = false;
    auto boxes = Boxes([&] { answer = feedback.askYesNo(39, 37); }, QMessageBox::Yes);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(answer);
    EXPECT_EQ(boxes[0].text, "E39");
    EXPECT_EQ(boxes[0].caption, "E37");
    EXPECT_EQ(boxes[0].icon, QMessageBox::Question);
    EXPECT_EQ(boxes[0].buttons, QMessageBox::Yes | QMessageBox::No);

    Boxes([&] { answer = feedback.askYesNo(39, 37); }, QMessageBox::No);
    EXPECT_FALSE(answer);

    for (auto [press, expected] :
         {std::pair{QMessageBox::Yes, Answer::Yes}, std::pair{QMessageBox::No, Answer::No},
          std::pair{QMessageBox::Cancel, Answer::Cancel}}) {
        Answer got{};
        boxes = Boxes([&] { got = feedback.askYesNoCancel(117, 37); }, press);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, "E117");
        EXPECT_EQ(boxes[0].buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        EXPECT_EQ(got, expected);
    }
}

// Yes/No questions ask before erasing or rewriting: Enter (or Return) answers No.
TEST_F(windows_Messages, EnterNeverAnswersYes) {
    for (int key : {Qt::Key_Return, Qt::Key_Enter}) {
        bool answered = false;
        bool answer = true;
        ModalWatcher watcher([&](QWidget* modal) {
            answered = true;
            QTest::keyClick(modal, static_cast<Qt::Key>(key));
        });
        answer = feedback.askYesNo(38, 37);
        EXPECT_TRUE(answered);
        EXPECT_FALSE(answer) << key;
    }
}

// An error escaping a window handler is shown in a box, and the program goes on.
TEST_F(windows_Messages, AnErrorEscapingAHandlerIsShownAndTheProgramGoesOn) {
    QPushButton button;
    int clicks = 0;
    bool fail = true;
    QObject::connect(&button, &QPushButton::clicked, [&] {
        ++clicks;
        if (fail) throw std::runtime_error("The plan list could not be built.");
    });
    std::vector<Box> boxes = Boxes([&] {
        // What the program's application does with every event it delivers.
        EXPECT_FALSE(DeliverShowingErrors([&] {
            button.click();
            return true;
        }));
    });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "The plan list could not be built.");
    EXPECT_EQ(boxes[0].caption, "ZV-318 Software");
    EXPECT_EQ(boxes[0].icon, QMessageBox::Critical);
    fail = false;
    EXPECT_TRUE(DeliverShowingErrors([&] {
        button.click();
        return true;
    }));
    EXPECT_EQ(clicks, 2);
}

TEST_F(windows_Messages, NoticeIsAWarningWithTheMessageCaption) {
    auto boxes = Boxes([&] { feedback.showNotice("Line 3 of English.lng is faulty"); });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Line 3 of English.lng is faulty");
    EXPECT_EQ(boxes[0].caption, "E66");
    EXPECT_EQ(boxes[0].icon, QMessageBox::Warning);
}

// A database's own words wait in the box's "Details" part, under the technician's sentence.
TEST_F(windows_Messages, NoticeKeepsTheServersWordsInItsDetails) {
    QString text, details;
    ModalWatcher watcher([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        text = box->text();
        details = box->detailedText();
        box->accept();
    });
    feedback.showNoticeWithDetails("The team server knows no user tech.",
                                   "FATAL:  role \"tech\" does not exist");
    EXPECT_EQ(text, "The team server knows no user tech.");
    EXPECT_EQ(details, "FATAL:  role \"tech\" does not exist");
}

TEST_F(windows_Messages, InformationCarriesItsOwnCaption) {
    auto boxes = Boxes([&] { feedback.showInformation("E113", "E112"); });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "E113");
    EXPECT_EQ(boxes[0].caption, "E112");
    EXPECT_EQ(boxes[0].icon, QMessageBox::Information);
}

TEST_F(windows_Messages, BusyCursorIsSetAndRestoredInPairs) {
    ASSERT_EQ(QApplication::overrideCursor(), nullptr);
    feedback.setBusy(true);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    feedback.setBusy(false);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // A restore without a matching hourglass leaves someone else's cursor alone.
    QApplication::setOverrideCursor(Qt::CrossCursor);
    feedback.setBusy(false);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::CrossCursor);
    QApplication::restoreOverrideCursor();
}

// ---- file dialogs -----------------------------------------------------------------------

struct DialogSeen {
    QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
    QStringList filters;
    QString directory;
    QStringList selected;
    bool confirmsOverwrite = false;
    int dialogs = 0;  // how often the dialog showed: a refused file brings it back
    int overwriteQuestions = 0;
    QStringList refusals;  // the boxes without Yes: what refused the file
};

// Runs chooseFile; the file dialog is recorded, then given `file` and accepted (or
// cancelled when `file` is empty); shown again, it is cancelled. An overwrite question is
// answered Yes.
std::optional<std::string> Choose(WindowFeedback& feedback, const FileRequest& request,
                                  const QString& file, DialogSeen& seen) {
    ModalWatcher watcher([&](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            if (QAbstractButton* yes = box->button(QMessageBox::Yes)) {
                ++seen.overwriteQuestions;
                yes->click();
            } else {
                seen.refusals << box->text();
                box->accept();
            }
            return;
        }
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (!dialog) {
            modal->close();
            return;
        }
        seen.mode = dialog->acceptMode();
        seen.filters = dialog->nameFilters();
        seen.directory = dialog->directory().absolutePath();
        seen.selected = dialog->selectedFiles();
        seen.confirmsOverwrite = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
        if (file.isEmpty() || ++seen.dialogs > 1) {
            dialog->reject();
            return;
        }
        // Queued: accepting may ask the overwrite question in a modal loop of its own. The
        // name goes into the dialog's name field, as a person would type it.
        QTimer::singleShot(0, dialog, [dialog, file] {
            if (auto* name = dialog->findChild<QLineEdit*>("fileNameEdit"))
                name->setText(file);
            else
                dialog->selectFile(file);
            static_cast<QDialog*>(dialog)->accept();  // QFileDialog::accept, virtually
        });
    });
    return feedback.chooseFile(request);
}

TEST_F(windows_Messages, OpenDialogsFilterByKind) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    struct Case {
        FileRequest::Kind kind;
        QString filterHolds;
        QString file;
        QString filterLacks = QStringLiteral("(*)");
    };
    for (const Case& c : {Case{FileRequest::EditPlan, "*.c318", "RADIO1.c318"},
                          Case{FileRequest::FirmwareImage, "(*.hex)", "io_v210.hex", "zv318"},
                          Case{FileRequest::InstrumentImage, "(*.zv318)", "zv_v3.zv318", "hex"},
                          Case{FileRequest::OpenLogger, "*.lograd *.logplc", "LOG1.logplc"}}) {
        SCOPED_TRACE(c.kind);
        const QString file = dir.filePath(c.file);
        QFile(file).open(QIODevice::WriteOnly);
        DialogSeen seen;
        auto chosen = Choose(feedback, {c.kind, dir.path().toStdString(), "", {}}, file, seen);
        EXPECT_EQ(seen.mode, QFileDialog::AcceptOpen);
        ASSERT_EQ(seen.filters.size(), 1);
        EXPECT_TRUE(seen.filters[0].contains(c.filterHolds)) << seen.filters[0].toStdString();
        EXPECT_FALSE(seen.filters[0].contains(c.filterLacks)) << seen.filters[0].toStdString();
        EXPECT_EQ(seen.directory, QDir(dir.path()).absolutePath());
        ASSERT_TRUE(chosen.has_value());
        EXPECT_EQ(*chosen, file.toStdString());
    }
}

// A folder under an accented user name crosses to the dialog and back whole.
TEST_F(windows_Messages, AccentedFoldersCrossTheDialogWhole) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString accented = dir.path() + QStringLiteral("/N\u00faria/Canalitzacions");
    ASSERT_TRUE(QDir().mkpath(accented));
    const QString file = accented + QStringLiteral("/Pla r\u00e0dio.c318");
    QFile(file).open(QIODevice::WriteOnly);
    DialogSeen seen;
    const std::filesystem::path folder = PathFromQString(accented);
    auto chosen = Choose(feedback, {FileRequest::EditPlan, PathToText(folder), "", {}}, file, seen);
    EXPECT_EQ(seen.directory, QDir(accented).absolutePath());
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(PathFromText(*chosen),
              folder / PathFromQString(QStringLiteral("Pla r\u00e0dio.c318")));
    EXPECT_TRUE(std::filesystem::exists(PathFromText(*chosen)));
}

TEST_F(windows_Messages, CancelledDialogGivesNothing) {
    DialogSeen seen;
    EXPECT_FALSE(
        Choose(feedback, {FileRequest::LoadPlan, "", "", {}}, QString(), seen).has_value());
}

TEST_F(windows_Messages, SaveDialogProposesTheNameAndAsksBeforeOverwriting) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString existing = dir.filePath("NEW.c318");
    QFile(existing).open(QIODevice::WriteOnly);

    DialogSeen seen;
    auto chosen =
        Choose(feedback, {FileRequest::SavePlan, dir.path().toStdString(), "NEW.c318", {}},
               existing, seen);
    EXPECT_EQ(seen.mode, QFileDialog::AcceptSave);
    EXPECT_FALSE(seen.confirmsOverwrite);  // the program's own question, after its rule
    ASSERT_EQ(seen.selected.size(), 1);
    EXPECT_EQ(seen.selected[0], existing);
    EXPECT_EQ(seen.overwriteQuestions, 1);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(*chosen, existing.toStdString());

    DialogSeen logger;
    auto fresh =
        Choose(feedback, {FileRequest::SaveLogger, dir.path().toStdString(), "LOG1.lograd", {}},
               dir.filePath("LOG1.lograd"), logger);
    EXPECT_EQ(logger.mode, QFileDialog::AcceptSave);
    EXPECT_EQ(logger.overwriteQuestions, 0);
    ASSERT_TRUE(fresh.has_value());
    EXPECT_EQ(*fresh, dir.filePath("LOG1.lograd").toStdString());
}

// Every save dialog of the program keeps one rule: never the archive or its files, never what
// is no regular file, never the command's own input (each refused with its message, before any
// question, the dialog shown again), and a name typed without the one extension of its kind
// gets it.
TEST_F(windows_Messages, EverySaveDialogKeepsTheOutputRule) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::filesystem::path folder = PathFromQString(dir.path());
    ASSERT_TRUE(WriteFileAtomically(folder / "archive.sqlite", "archive"));
    ASSERT_TRUE(WriteFileAtomically(folder / "input.c318", "input"));
    ASSERT_EQ(::mkfifo((folder / "pipe.fifo").c_str(), 0600), 0);
    ProtectFromOutput({PathToText(folder / "archive.sqlite")});
    table.set(kExtraEntryFirst + kMessageOutputIsArchive, "ARCHIVE REFUSED");
    table.set(kExtraEntryFirst + kMessageOutputNotAFile, "NOT A FILE");
    table.set(kExtraEntryFirst + kMessageOutputIsInput, "INPUT REFUSED");
    struct Kind {
        FileRequest::Kind kind;
        const char* extension;  // added to a bare name; nullptr for a kind of several
    };
    for (const Kind& k :
         {Kind{FileRequest::SavePlan, ".c318"}, Kind{FileRequest::SaveLogger, nullptr},
          Kind{FileRequest::SaveAllLoggers, nullptr}, Kind{FileRequest::ExportCsv, ".csv"},
          Kind{FileRequest::SaveChart, nullptr}, Kind{FileRequest::SaveReport, ".pdf"}}) {
        SCOPED_TRACE(k.kind);
        // The command's own input, an existing file: refused without a question first.
        const std::string input = PathToText(folder / "input.c318");
        const std::pair<QString, QString> refused[] = {
            {QStringFromPath(folder / "archive.sqlite"), "ARCHIVE REFUSED"},
            {QStringFromPath(folder / "pipe.fifo"), "NOT A FILE"},
            {QString::fromStdString(input), "INPUT REFUSED"}};
        for (const auto& [file, said] : refused) {
            SCOPED_TRACE(file.toStdString());
            DialogSeen seen;
            EXPECT_FALSE(
                Choose(feedback, {k.kind, PathToText(folder), "", {input}}, file, seen))
                << file.toStdString();
            // Asked nothing, told once, and the dialog back for another name.
            EXPECT_EQ(seen.overwriteQuestions, 0);
            ASSERT_EQ(seen.refusals.size(), 1) << file.toStdString();
            EXPECT_TRUE(seen.refusals[0].contains(said)) << seen.refusals[0].toStdString();
            EXPECT_EQ(seen.dialogs, 2);
        }
        DialogSeen bare;
        const std::optional<std::string> chosen =
            Choose(feedback, {k.kind, PathToText(folder), "", {}}, dir.filePath("roof1"), bare);
        ASSERT_TRUE(chosen);
        EXPECT_EQ(PathFromText(*chosen).filename().string(),
                  std::string("roof1") + (k.extension ? k.extension : ""));
    }
    EXPECT_EQ(ReadWholeFile(folder / "archive.sqlite"), "archive");
    EXPECT_TRUE(std::filesystem::is_fifo(folder / "pipe.fifo"));
    ProtectFromOutput({});
}

}  // namespace
}  // namespace zv318
