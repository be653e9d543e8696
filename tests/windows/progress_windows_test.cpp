// The progress window as its users drive it (begin, work, end, failure) and the update
// confirmation dialog.
#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "firmware/windows/conf_upgr.h"
#include "firmware/windows/updating_form.h"
#include "texts/language_file.h"
#include "texts/language_table.h"

namespace {

// The first step of every user of the window.
void Begin(zv318::ProgressWindow& window, int maximum) {
    window.setRange(0, maximum);
    window.setPosition(0);
    window.setBarVisible(true);
    window.setOkEnabled(false);
    window.setCaption("Reading");
    window.setStatus("Starting");
    window.setNoteWidth(295);
    window.setNote("Do not disconnect");
    window.show();
}

TEST(windows_ProgressWindow, CannotBeClosedWhileTheWorkRuns) {
    TUpdatingFORM form;
    Begin(form, 40);
    ASSERT_TRUE(form.isVisible());
    EXPECT_FALSE(form.OutUpd->isEnabled());
    EXPECT_FALSE(form.close());
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_TRUE(form.isVisible());

    for (int step = 0; step < 10; ++step) form.advance(4);
    EXPECT_EQ(form.Progres->value(), 40);
    EXPECT_FALSE(form.OutUpd->isEnabled());

    form.setOkEnabled(true);
    form.setStatus("Finished");
    ASSERT_TRUE(form.OutUpd->isEnabled());
    QTest::mouseClick(form.OutUpd, Qt::LeftButton);
    EXPECT_FALSE(form.isVisible());
}

TEST(windows_ProgressWindow, NextBeginAfterAFailureShowsTheBarAtZero) {
    TUpdatingFORM form;
    Begin(form, 100);
    form.setPosition(63);
    // A failed update hides the bar and lets the user close the window.
    form.setStatus("Update failed");
    form.setBarVisible(false);
    form.setOkEnabled(true);
    EXPECT_TRUE(form.close());

    Begin(form, 250);
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.Progres->isVisible());
    EXPECT_EQ(form.Progres->value(), 0);
    EXPECT_EQ(form.position(), 0);
    EXPECT_EQ(form.maximum(), 250);
    EXPECT_FALSE(form.OutUpd->isEnabled());
    EXPECT_EQ(form.windowTitle(), "Reading");
    EXPECT_EQ(form.Status->text(), "Starting");
    form.setOkEnabled(true);
    form.close();
}

// A failure's note says what was cut and what to do next, in place of "do not disconnect":
// however long it is, it stays readable above the button, in the window.
TEST(windows_ProgressWindow, AFailureNoteFitsAboveTheButton) {
    zv318::LanguageTable english;
    (void)zv318::ReadLanguageText(std::string(zv318::BuiltInEnglishText()), english);
    TUpdatingFORM form;
    form.applyTranslation(english);
    Begin(form, 126975);
    form.setPosition(4096);
    const QSize working = form.size();
    EXPECT_EQ(working, QSize(325, 144));  // as designed while the work runs

    const std::string notes[] = {
        english.entry(1681),
        zv318::FillIn(english.entry(1682), {"4096", "126975"}),
        zv318::FillIn(english.entry(1684), {"1200", "84000"}),
        std::string(600, 'x') + " " + std::string(300, 'y'),
    };
    // The longest status line of the shipped words ("Update failed…" in German) above the note.
    const std::string statuses[] = {english.entry(58),
                                    "Aktualisierung fehlgeschlagen. Klicken Sie auf OK und "
                                    "versuchen Sie es erneut."};
    for (const std::string& note : notes) for (const std::string& status : statuses) {
        SCOPED_TRACE(note + " / " + status);
        form.setStatus(status);
        QLabel* line = form.Status;
        EXPECT_GE(line->height(), line->heightForWidth(line->width()));
        EXPECT_LE(line->geometry().bottom(), form.Panel1->y());
        form.setBarVisible(false);
        form.setNote(note);
        form.setOkEnabled(true);
        QLabel* label = form.DoNotDisconnect;
        EXPECT_EQ(label->text().toStdString(), note);
        EXPECT_GE(label->height(), label->heightForWidth(label->width()));
        EXPECT_TRUE(form.Panel1->geometry().contains(label->geometry().translated(form.Panel1->pos())));
        EXPECT_GE(form.OutUpd->y(), form.Panel1->geometry().bottom());
        EXPECT_LE(form.OutUpd->geometry().bottom(), form.height());
        EXPECT_FALSE(form.Progres->isVisibleTo(&form));
    }
    // Pictures to look at: ZV318_PROGRESS_GRABS=DIR keeps the failed update's window.
    form.setStatus(english.entry(58));
    form.setNote(notes[1]);
    if (const char* dir = std::getenv("ZV318_PROGRESS_GRABS"))
        form.grab().save(QString("%1/update-failed.png").arg(dir));

    // The next use starts from the window as designed.
    Begin(form, 100);
    EXPECT_EQ(form.size(), working);
    EXPECT_TRUE(form.Progres->isVisibleTo(&form));
    EXPECT_EQ(form.Progres->y(), 88);
    form.setOkEnabled(true);
    form.close();
}

TEST(windows_ProgressWindow, PositionStaysWithinTheRange) {
    TUpdatingFORM form;
    form.setRange(0, 10);
    form.setPosition(7);
    // A narrower range keeps the bar at its end rather than losing the position.
    form.setRange(0, 5);
    EXPECT_EQ(form.position(), 5);
    form.advance(3);
    EXPECT_EQ(form.position(), 5);
    form.setPosition(-4);
    EXPECT_EQ(form.position(), 0);
    form.setRange(0, 20);
    form.advance();
    EXPECT_EQ(form.position(), 1);
    form.moveToEnd();
    EXPECT_EQ(form.position(), 20);
}

TEST(windows_ConfirmUpdate, ShowsTheImageItIsGivenReadablyAboveTheButtons) {
    TConfUpgr dialog;
    const QString name = "ZV-318 firmware V1.30 for the field units (second release).zv318";
    const QString folder =
        "/home/technician" + QString("/downloads from the service site").repeated(8);
    dialog.setImage(folder + "/" + name);
    dialog.open();
    QStringList lines = dialog.VersionTo->text().split('\n');
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], name);
    EXPECT_TRUE(lines[1].startsWith("/home/technician/")) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].endsWith("service site")) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].contains(QChar(0x2026)));
    EXPECT_EQ(dialog.VersionTo->toolTip(), folder + "/" + name);
    const QFontMetrics metrics = dialog.VersionTo->fontMetrics();
    for (const QString& line : lines)
        EXPECT_LE(metrics.horizontalAdvance(line), dialog.VersionTo->width());
    EXPECT_LT(dialog.VersionTo->geometry().bottom(), dialog.SI->y());
    EXPECT_LE(dialog.VersionTo->geometry().right(), dialog.width());
    EXPECT_LE(dialog.SI->geometry().bottom(), dialog.height());
    dialog.reject();

    // Each showing shows the image given last: a short path whole, the design's size kept.
    dialog.setImage("/tmp/io_v210.hex");
    dialog.open();
    EXPECT_EQ(dialog.VersionTo->text(), "io_v210.hex\n/tmp");
    EXPECT_EQ(dialog.size(), QSize(627, 160));
    dialog.reject();
}

TEST(windows_ConfirmUpdate, SiAcceptsAndNoRejects) {
    TConfUpgr dialog;
    dialog.open();
    QTest::mouseClick(dialog.SI, Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());

    dialog.open();
    QTest::mouseClick(dialog.NO, Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);

    dialog.open();
    dialog.close();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST(windows_ConfirmUpdate, QuestionAndVersionSetBeforeShowingAreNotCut) {
    TConfUpgr dialog;
    dialog.Confirm->setText(
        "Do you really want to update the firmware of the ZV-318 with the version below?");
    dialog.VersioActual->setText("Current ZV-318 version: V1.20 (build 2013-11-04)");
    dialog.open();
    EXPECT_GE(dialog.Confirm->width(), dialog.Confirm->sizeHint().width());
    EXPECT_GE(dialog.VersioActual->width(), dialog.VersioActual->sizeHint().width());
    dialog.reject();
}

}  // namespace

namespace {

// WCAG's relative luminance of a colour and the contrast of two.
double Luminance(const QColor& c) {
    const auto linear = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

double Contrast(const QColor& a, const QColor& b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

}  // namespace

// Every text of the confirmation reads on its green, the red version line too (bright red on
// that green is about 2:1, and alike to a red-green colour-blind eye).
TEST(windows_ConfirmUpdate, EveryTextReadsOnTheGreen) {
    TConfUpgr dialog;
    const QColor green = dialog.palette().color(QPalette::Window);
    EXPECT_EQ(green, QColor(112, 208, 112));
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
        const QColor text = label->palette().color(QPalette::WindowText);
        EXPECT_GE(Contrast(text, green), 4.5)
            << label->objectName().toStdString() << " " << text.name().toStdString();
    }
    EXPECT_GT(dialog.VersioActual->palette().color(QPalette::WindowText).red(), 100);  // red
}
