// The about windows' hidden Alt clicks, their pictures, the hidden command window and the
// rename dialog.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "link/link.h"
#include "link/trace.h"
#include "modal_watcher.h"
#include "plans/windows/dialog.h"
#include "shell/windows/about_windows.h"
#include "shell/windows/oculta.h"
#include "sim/bus.h"
#include "sim/instrument.h"
#include "support/recording_feedback.h"
#include "texts/output_path.h"
#include "texts/qt_path.h"
#include "texts/text_file.h"

#include <sys/stat.h>

namespace {

std::filesystem::path ProgramFolder() {
    return QCoreApplication::applicationDirPath().toStdString();
}

TEST(windows_AboutInstrument, AddressLinesActOnlyWithAltHeld) {
    TAboutKORVEL52 about(ProgramFolder());
    about.show();
    QSignalSpy command(&about, &TAboutKORVEL52::hiddenCommandRequested);
    QSignalSpy erase(&about, &TAboutKORVEL52::hiddenEraseRequested);

    QTest::mouseClick(about.StaticText2, Qt::LeftButton);
    QTest::mouseClick(about.StaticText3, Qt::LeftButton);
    QTest::mouseClick(about.StaticText2, Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(command.count(), 0);
    EXPECT_EQ(erase.count(), 0);

    QTest::mouseClick(about.StaticText2, Qt::LeftButton, Qt::AltModifier);
    EXPECT_EQ(command.count(), 1);
    EXPECT_EQ(erase.count(), 0);

    QTest::mouseClick(about.StaticText3, Qt::LeftButton, Qt::AltModifier);
    EXPECT_EQ(command.count(), 1);
    EXPECT_EQ(erase.count(), 1);

    // Alt with another button is not a click on the line.
    QTest::mouseClick(about.StaticText3, Qt::RightButton, Qt::AltModifier);
    EXPECT_EQ(erase.count(), 1);

    // The click after an Alt click, without Alt, does nothing again.
    QTest::mouseClick(about.StaticText2, Qt::LeftButton);
    EXPECT_EQ(command.count(), 1);
    about.close();
}

// Only the left Alt key opens the functions; the right one (AltGr) sets the same modifier.
TEST(windows_AboutInstrument, OnlyTheLeftAltKeyOpensTheHiddenFunctions) {
    TAboutKORVEL52 about(ProgramFolder());
    about.show();
    QSignalSpy command(&about, &TAboutKORVEL52::hiddenCommandRequested);
    auto key = [&](QEvent::Type type, quint32 nativeKey) {
        // As the key reaches the window: at the focused button, passed on to the window.
        QKeyEvent event(type, Qt::Key_Alt, type == QEvent::KeyPress ? Qt::AltModifier : Qt::NoModifier,
                        0, nativeKey, 0);
        QCoreApplication::sendEvent(about.Button1, &event);
    };
    struct Step {
        QEvent::Type type;
        quint32 nativeKey;  // X11 / Wayland key symbol
        int opened;         // hidden command requests after an Alt click that follows
    };
    const Step steps[] = {
        {QEvent::KeyPress, 0xFFEA, 0},    // right Alt held
        {QEvent::KeyRelease, 0xFFEA, 0},  //
        {QEvent::KeyPress, 0xFE03, 0},    // AltGr as ISO_Level3_Shift
        {QEvent::KeyRelease, 0xFE03, 0},  //
        {QEvent::KeyPress, 0xFFE9, 1},    // left Alt held
        {QEvent::KeyRelease, 0xFFE9, 1},  // released: the modifier alone does nothing more
        {QEvent::KeyPress, 0xFFE9, 2},    //
        {QEvent::KeyPress, 0xFFEA, 3},    // both held: the left one counts
    };
    for (const Step& s : steps) {
        key(s.type, s.nativeKey);
        QTest::mouseClick(about.StaticText2, Qt::LeftButton, Qt::AltModifier);
        EXPECT_EQ(command.count(), s.opened) << std::hex << s.nativeKey;
    }
    about.close();
}

TEST(windows_AboutInstrument, Button1Closes) {
    TAboutKORVEL52 about(ProgramFolder());
    about.open();
    QTest::mouseClick(about.Button1, Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

TEST(windows_AboutWindows, PicturesComeFromTheProgramFolderAndMayBeMissing) {
    // The build copies Images/ beside the test binary.
    TAboutKORVEL52 about(ProgramFolder());
    EXPECT_FALSE(about.Logo->pixmap().isNull());
    EXPECT_FALSE(about.InstrumentPicture->pixmap().isNull());
    TAboutController controller(ProgramFolder());
    EXPECT_FALSE(controller.Logo->pixmap().isNull());

    const std::filesystem::path nowhere = "/nonexistent/zv318";
    TAboutKORVEL52 bare(nowhere);
    EXPECT_TRUE(bare.Logo->pixmap().isNull());
    EXPECT_TRUE(bare.InstrumentPicture->pixmap().isNull());
    TAboutController bareController(nowhere);
    EXPECT_TRUE(bareController.Logo->pixmap().isNull());
    EXPECT_EQ(bareController.VersioControllerLabel->text(), "ZV-318 Software v1.2");
}

class windows_HiddenCommandWindow : public ::testing::Test {
protected:
    zv318::sim::Instrument instrument;
    zv318::sim::SimBus bus{instrument};
    zv318::testing::RecordingFeedback feedback;
    zv318::Link link{bus, &feedback};
    TOculta window{link};

    void SetUp() override { ASSERT_TRUE(link.FindInstrument()); }
};

TEST_F(windows_HiddenCommandWindow, SendsTheCommandAndShowsTheReply) {
    window.Edit1->setText("*?NS");
    QTest::mouseClick(window.EnvPregBut, Qt::LeftButton);
    EXPECT_EQ(instrument.commands(), std::vector<std::string>{"*?NS"});
    ASSERT_EQ(instrument.received.size(), 1u);
    EXPECT_EQ(instrument.received[0][2], 25);
    EXPECT_EQ(window.Edit2->text().toStdString(), "?NS" + instrument.serial);
}

// The hidden command window over the simulated instrument, its exchanges traced.
class windows_HiddenCommandWindowTrace : public ::testing::Test {
protected:
    zv318::sim::Instrument instrument;
    zv318::sim::SimBus simBus{instrument};
    zv318::Tracer tracer;
    zv318::TracingBus bus{simBus, tracer};
    zv318::Link link{bus};
    TOculta window{link};
};

TEST_F(windows_HiddenCommandWindowTrace, SavesTheReportsTheTraceKeeps) {
    EXPECT_FALSE(window.SaveTraceBut->isEnabled());  // no trace: nothing to save
    window.setTracer(&tracer);
    EXPECT_TRUE(window.SaveTraceBut->isEnabled());
    ASSERT_TRUE(link.FindInstrument());
    window.Edit1->setText("*?NS");
    QTest::mouseClick(window.EnvPregBut, Qt::LeftButton);

    const QString file = QDir::temp().filePath(QStringLiteral("zv318-oculta-trace.txt"));
    ASSERT_TRUE(window.SaveTrace(file));
    std::string expected;
    for (const std::string& line : tracer.lines()) expected += line + "\r\n";
    EXPECT_EQ(zv318::ReadWholeFile(zv318::PathFromQString(file)), expected);
    EXPECT_NE(expected.find(" OUT "), std::string::npos);
    EXPECT_NE(expected.find("*?NS\r\n"), std::string::npos);
    QFile::remove(file);
    EXPECT_FALSE(window.SaveTrace(QStringLiteral("/nonexistent-folder/trace.txt")));
}

// "Save trace..." follows the rule of every output: the archive and what is no regular file
// are refused with their message, and left as they were.
TEST_F(windows_HiddenCommandWindowTrace, SaveTraceNeverGoesOverTheArchiveNorAFifo) {
    window.setTracer(&tracer);
    zv318::LanguageTable table;
    table.set(1831, "ARCHIVE REFUSED");
    table.set(1832, "NOT A FILE");
    window.applyTranslation(table);

    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / "zv318-oculta-places";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    ASSERT_TRUE(zv318::WriteFileAtomically(dir / "archive.sqlite", "archive"));
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    zv318::ProtectFromOutput({zv318::PathToText(dir / "archive.sqlite")});
    const std::pair<std::filesystem::path, std::string> rows[] = {
        {dir / "archive.sqlite", "ARCHIVE REFUSED"},
        {dir / "fifo", "NOT A FILE"},
        {dir / "trace.txt", ""},
    };
    for (const auto& [place, said] : rows) {
        SCOPED_TRACE(place.string());
        window.chooseTraceFile = [&place = place] { return zv318::QStringFromPath(place); };
        QString shown;
        zv318::testing::ModalWatcher answer([&shown](QWidget* modal) {
            if (auto* box = qobject_cast<QMessageBox*>(modal)) shown = box->text();
            QMetaObject::invokeMethod(modal, "reject", Qt::QueuedConnection);
        });
        QTest::mouseClick(window.SaveTraceBut, Qt::LeftButton);
        EXPECT_EQ(shown.contains(QString::fromStdString(said)) && !said.empty(), !said.empty())
            << shown.toStdString();
    }
    EXPECT_EQ(zv318::ReadWholeFile(dir / "archive.sqlite"), "archive");
    EXPECT_TRUE(std::filesystem::is_fifo(dir / "fifo"));
    EXPECT_TRUE(std::filesystem::is_regular_file(dir / "trace.txt"));
    zv318::ProtectFromOutput({});
    std::filesystem::remove_all(dir);
}

TEST_F(windows_HiddenCommandWindow, AnUnpluggedInstrumentIsSaidToBeNotConnected) {
    zv318::LanguageTable table;
    table.set(15, "ZV-318 no conectado");
    window.applyTranslation(table);
    bus.setPlugged(false);
    window.Edit1->setText("*?NS");
    QTest::mouseClick(window.EnvPregBut, Qt::LeftButton);
    EXPECT_EQ(window.Edit2->text(), "ZV-318 no conectado");
    // Plugged in again, the window stays on its handle: the next try says so too, until a
    // search (the main window's refresh) opens a new one.
    bus.setPlugged(true);
    QTest::mouseClick(window.EnvPregBut, Qt::LeftButton);
    EXPECT_EQ(window.Edit2->text(), "ZV-318 no conectado");
    ASSERT_TRUE(link.FindInstrument());
    QTest::mouseClick(window.EnvPregBut, Qt::LeftButton);
    EXPECT_EQ(window.Edit2->text().toStdString(), "?NS" + instrument.serial);
}

TEST_F(windows_HiddenCommandWindow, EnterInEdit1SendsOnce) {
    window.show();
    window.Edit1->setFocus();
    window.Edit1->setText("*?VE");
    QTest::keyClick(window.Edit1, Qt::Key_Return);
    EXPECT_EQ(instrument.commands(), std::vector<std::string>{"*?VE"});
    EXPECT_TRUE(window.isVisible());
    window.close();
}

TEST_F(windows_HiddenCommandWindow, RefusesAnOverlongCommandAndSaysWhy) {
    window.Edit1->setText(QString("*?NS") + QString(57, 'X'));  // 61 characters
    QTest::mouseClick(window.EnvPregBut, Qt::LeftButton);
    EXPECT_TRUE(instrument.received.empty());
    EXPECT_TRUE(window.Edit2->text().contains("60")) << window.Edit2->text().toStdString();

    window.Edit1->setText(QString("*?NS") + QString(56, 'X'));  // 60 characters
    QTest::mouseClick(window.EnvPregBut, Qt::LeftButton);
    EXPECT_EQ(instrument.received.size(), 1u);
}

TEST(windows_RenameDialog, OkAcceptsAndClosingRejects) {
    TDialog dialog;
    dialog.open();
    dialog.Edit1->setText("ABCDEFG");
    QTest::mouseClick(dialog.OKBut, Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    dialog.open();
    dialog.close();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

}  // namespace
