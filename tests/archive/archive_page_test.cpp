// The Archive page over a small archive: the filters narrow the table, a double click hands the
// logger to the viewer, Delete asks with No as the default, the check item is kept in the
// person's settings file and stops the keeping.

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include "archive/archive_keeper.h"
#include "archive/windows/archive_page.h"
#include "loggers/logger_fixture.h"
#include "texts/user_settings.h"

namespace zv318::testing {
namespace {

class archivePage : public LoggerScenario {
protected:
    archivePage() {
        for (int n = 1450; n < 1510; ++n) language.set(n, "E" + std::to_string(n));
        for (const char* name : {"ROOF", "LOBBY", "ROOFTOP"}) {
            OpenLogger lg{"RADIO", name, "TV1", "01/02/2013", "10:20:30", "45 dBuV", {},
                          {{"C1", "474.0000", "8.0000", "50.0 dBuV"}}};
            (void)keeper.archive()->Keep(LoggerFileText(lg), lg, std::nullopt);
        }
        page.applyTranslation(language);
    }
    // Answers the next modal box with `button`, noting which button was the default.
    void Answer(QMessageBox::StandardButton button) {
        QTimer::singleShot(0, [this, button] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            defaultWasNo = box->defaultButton() == box->button(QMessageBox::No);
            box->button(button)->click();
        });
    }

    ArchiveKeeper keeper{ArchiveLocationFor(PathToText(folder.path / "a.sqlite"), {}), feedback,
                         language, {}};
    ArchivePage page{keeper, folder.path};
    bool defaultWasNo = false;
};

TEST_F(archivePage, FiltersOpenDeleteAndTheSwitch) {
    EXPECT_EQ(page.Table->rowCount(), 3);
    page.FilterEdit->setText("roof");
    ASSERT_EQ(page.Table->rowCount(), 2);

    std::optional<OpenLogger> opened;
    QObject::connect(&page, &ArchivePage::openLogger,
                     [&opened](const OpenLogger& lg) { opened = lg; });
    page.Table->sortItems(0);
    emit page.Table->cellDoubleClicked(1, 0);
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->name, "ROOFTOP");
    EXPECT_EQ(opened->records.at(0).power, "50.0 dBuV");

    page.Table->selectRow(0);
    Answer(QMessageBox::No);
    page.DeleteClick();
    EXPECT_TRUE(defaultWasNo);
    EXPECT_EQ(page.Table->rowCount(), 2);
    page.Table->selectRow(0);
    Answer(QMessageBox::Yes);
    page.DeleteClick();
    page.FilterEdit->clear();
    EXPECT_EQ(page.Table->rowCount(), 2);

    // Off: kept in settings.txt, and a download adds nothing.
    page.keepAction()->setChecked(false);
    EXPECT_FALSE(UserSettings::Load(UserSettings::FileIn(folder.path)).flag("archive.enabled", true));
    ReceiveRadio({{0, SimLogger("NEW", 2)}});
    ASSERT_EQ(procedures.LoadLogger(1), kLoggerLoaded);
    page.Refresh();
    EXPECT_EQ(page.Table->rowCount(), 2);
    ArchivePage again{keeper, folder.path};
    EXPECT_FALSE(again.keepAction()->isChecked());
}

}  // namespace
}  // namespace zv318::testing
