// The Archive page over a small archive: built at its first show, its reads on the archive's
// worker (the table fills when the worker answers, a page of rows at a time as the view
// scrolls, the count from COUNT(*)), the filter line read once typing pauses, a double click
// hands the logger to the viewer, Delete asks with No as the default, the check item is kept in
// the person's settings file and stops the keeping, Check tells its verdict.

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include "archive/archive_keeper.h"
#include "archive/windows/archive_model.h"
#include "archive/windows/archive_page.h"
#include "archive/page_settle.h"
#include "loggers/logger_fixture.h"
#include "texts/user_settings.h"

namespace zv318::testing {
namespace {

class archivePage : public LoggerScenario {
protected:
    archivePage() {
        for (int n = 1450; n < 1650; ++n) language.set(n, "E" + std::to_string(n));
        for (const char* name : {"ROOF", "LOBBY", "ROOFTOP"}) Keep(name);
        page.applyTranslation(language);
    }
    void Keep(const std::string& name) {
        OpenLogger lg{"RADIO", name, "TV1", "01/02/2013", "10:20:30", "45 dBuV", {},
                      {{"C1", "474.0000", "8.0000", "50.0 dBuV"}}};
        (void)keeper.archive()->Keep(LoggerFileText(lg), lg, std::nullopt);
    }
    // Answers the next modal box with `button` once it shows (the worker's answer may come
    // first), noting which button was the default and the box's text.
    void Answer(QMessageBox::StandardButton button, int triesLeft = 500) {
        QTimer::singleShot(10, [this, button, triesLeft] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) {
                ASSERT_GT(triesLeft, 0) << "no box";
                Answer(button, triesLeft - 1);
                return;
            }
            defaultWasNo = box->defaultButton() == box->button(QMessageBox::No);
            boxText = box->text().toStdString();
            box->button(button)->click();
        });
    }
    int rows() { return page.Model->rowCount(); }

    ArchiveKeeper keeper{ArchiveLocationFor(PathToText(folder.path / "a.sqlite"), {}), feedback,
                         language, {}};
    ArchivePage page{keeper, folder.path};
    bool defaultWasNo = false;
    std::string boxText;
};

TEST_F(archivePage, FiltersOpenDeleteAndTheSwitch) {
    EXPECT_EQ(page.Table, nullptr);  // not built before it shows
    page.show();
    Settle(page);
    ASSERT_NE(page.Table, nullptr);
    EXPECT_EQ(rows(), 3);
    EXPECT_EQ(page.CountLabel->text(), "E1501 3");

    // Typing runs the filter once it pauses, not at each key.
    QTest::keyClicks(page.FilterEdit, "roo");
    EXPECT_EQ(rows(), 3);
    page.FilterEdit->setText("roof");
    Settle(page);
    ASSERT_EQ(rows(), 2);
    EXPECT_EQ(page.CountLabel->text(), "E1501 2");

    std::optional<OpenLogger> opened;
    QObject::connect(&page, &ArchivePage::openLogger,
                     [&opened](const OpenLogger& lg) { opened = lg; });
    page.Table->sortByColumn(0, Qt::DescendingOrder);  // sorted by the archive
    Settle(page);
    EXPECT_EQ(page.Model->loggerAt(0)->name, "ROOFTOP");
    emit page.Table->doubleClicked(page.Model->index(0, 0));
    Settle(page);
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->name, "ROOFTOP");
    EXPECT_EQ(opened->records.at(0).power, "50.0 dBuV");

    page.Table->selectRow(0);
    Answer(QMessageBox::No);
    page.DeleteClick();
    EXPECT_TRUE(defaultWasNo);
    Settle(page);
    EXPECT_EQ(rows(), 2);
    page.Table->selectRow(0);
    Answer(QMessageBox::Yes);
    page.DeleteClick();
    Settle(page);
    page.FilterEdit->clear();
    Settle(page);
    EXPECT_EQ(rows(), 2);

    // Off: kept in settings.txt, and a download adds nothing.
    page.keepAction()->setChecked(false);
    EXPECT_FALSE(UserSettings::Load(UserSettings::FileIn(folder.path)).flag("archive.enabled", true));
    ReceiveRadio({{0, SimLogger("NEW", 2)}});
    ASSERT_EQ(procedures.LoadLogger(1), kLoggerLoaded);
    page.Refresh();
    Settle(page);
    EXPECT_EQ(rows(), 2);
    ArchivePage again{keeper, folder.path};
    EXPECT_FALSE(again.keepAction()->isChecked());

    // Check: the whole file read on the worker, its verdict in a box.
    Answer(QMessageBox::Ok);
    page.CheckButton->click();
    Settle(page);
    EXPECT_EQ(boxText, "E1622");
}

// More loggers than a page of rows: the view holds what it showed, and scrolling to the end
// fetches the rest; the count is every logger's from the start.
TEST_F(archivePage, RowsFetchedAsTheViewScrolls) {
    const int total = ArchiveTableModel::kPageRows * 2 + 7;
    for (int k = 3; k < total; ++k) Keep("L" + std::to_string(k));
    page.resize(600, 400);
    page.show();
    Settle(page);
    EXPECT_EQ(rows(), ArchiveTableModel::kPageRows);
    EXPECT_EQ(page.CountLabel->text(), "E1501 " + QString::number(total));
    for (int k = 0; k < 5 && rows() < total; ++k) {
        page.Table->scrollToBottom();
        Settle(page);
    }
    EXPECT_EQ(rows(), total);
    EXPECT_EQ(page.Model->loggerAt(total - 1)->name, "L" + std::to_string(total - 1));
}

}  // namespace
}  // namespace zv318::testing
