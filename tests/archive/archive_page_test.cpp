// The Archive page over a small archive: built at its first show, its reads on the archive's
// worker (the table fills when the worker answers, a page of rows at a time as the view
// scrolls, the count from COUNT(*)), the filter line read once typing pauses, a double click
// hands the logger to the viewer, Delete asks with No as the default, the check item is kept in
// the person's settings file and stops the keeping, Check tells its verdict.

#include <QAction>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDate>
#include <QItemSelectionModel>
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
#include "archive/ctl_run.h"
#include "archive/windows/archive_model.h"
#include "archive/windows/archive_page.h"
#include "archive/windows/date_field.h"
#include "archive/page_settle.h"
#include "loggers/logger_fixture.h"
#include "support/wait_until.h"
#include "texts/language_file.h"
#include "texts/text_file.h"
#include "texts/qt_path.h"
#include "texts/user_settings.h"

namespace zv318::testing {
namespace {

class archivePage : public LoggerScenario {
protected:
    archivePage() {
        for (int n = 1450; n < 1650; ++n) language.set(n, "E" + std::to_string(n));
        language.set(1695, "delete (%1): %2");
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
    // Newest first; loggers of one date, the last kept first.
    EXPECT_EQ(page.Model->loggerAt(0)->name, "L" + std::to_string(total - 1));
    EXPECT_EQ(page.Model->loggerAt(total - 1)->name, "ROOF");
}

// As a technician uses the page: dates typed in any form and cleared, newest first and the
// order kept across filters, the Delete key asking by name, one button that clears every filter.
TEST_F(archivePage, DatesOrderDeleteKeyAndClearFilters) {
    for (const auto& [name, date] :
         {std::pair{"JUNE", "01/06/2025"}, std::pair{"JULY", "15/07/2025"}}) {
        OpenLogger lg{"RADIO", name, "TV1", date, "08:00:00", "45 dBuV", {},
                      {{"C1", "474.0000", "8.0000", "50.0 dBuV"}}};
        (void)keeper.archive()->Keep(LoggerFileText(lg), lg, std::nullopt);
    }
    page.show();
    Settle(page);
    auto names = [this] {
        std::vector<std::string> shown;
        for (int r = 0; r < rows(); ++r) shown.push_back(page.Model->loggerAt(r)->name);
        return shown;
    };
    ASSERT_EQ(rows(), 5);
    EXPECT_EQ(names(), (std::vector<std::string>{"JULY", "JUNE", "ROOFTOP", "LOBBY", "ROOF"}));

    // Bounds typed in the forms people type; the "to" day is included; a text that is no date
    // leaves the bound as it was; an empty field is no bound. The order chosen stays.
    page.Table->sortByColumn(ArchiveTableModel::kName, Qt::AscendingOrder);
    const struct {
        const char* from;
        const char* to;
        std::vector<std::string> shown;
    } cases[] = {
        {"2025-06-01", "", {"JULY", "JUNE"}},
        {"2025/06/02", "", {"JULY"}},
        {"", "01.06.2025", {"JUNE", "LOBBY", "ROOF", "ROOFTOP"}},
        {"", "2025-06-31", {"JUNE", "LOBBY", "ROOF", "ROOFTOP"}},  // no such day: as it was
        {"1.2.2013", "2013-02-01", {"LOBBY", "ROOF", "ROOFTOP"}},
        {"", "", {"JULY", "JUNE", "LOBBY", "ROOF", "ROOFTOP"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.from) + " .. " + c.to);
        page.FromEdit->setText(c.from);
        page.ToEdit->setText(c.to);
        Settle(page);
        EXPECT_EQ(names(), c.shown);
    }

    // The calendar opens at today when no date is set, at the date when one is.
    page.FromEdit->openCalendar();
    ASSERT_NE(page.FromEdit->calendar(), nullptr);
    EXPECT_EQ(page.FromEdit->calendar()->selectedDate(), QDate::currentDate());
    page.FromEdit->calendar()->hide();
    page.FromEdit->setText("2025-07-15");
    page.FromEdit->openCalendar();
    EXPECT_EQ(page.FromEdit->calendar()->selectedDate(), QDate(2025, 7, 15));
    page.FromEdit->calendar()->hide();
    Settle(page);
    ASSERT_EQ(names(), std::vector<std::string>{"JULY"});

    // Clear filters: every filter empty, every logger shown.
    page.FilterEdit->setText("J");
    page.TypeBox->setCurrentIndex(1);
    page.ClearFiltersButton->click();
    Settle(page);
    EXPECT_EQ(rows(), 5);
    EXPECT_TRUE(page.FromEdit->text().isEmpty());
    EXPECT_TRUE(page.FilterEdit->text().isEmpty());
    EXPECT_EQ(page.TypeBox->currentIndex(), 0);

    // The Delete key asks as the button does, naming what it deletes; No keeps them all.
    page.Table->selectionModel()->select(
        QItemSelection(page.Model->index(0, 0), page.Model->index(1, 0)),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    Answer(QMessageBox::No);
    QTest::keyClick(page.Table, Qt::Key_Delete);
    EXPECT_EQ(boxText, "delete (2): JULY, JUNE");
    EXPECT_TRUE(defaultWasNo);
    Settle(page);
    EXPECT_EQ(rows(), 5);
}

// The count names the archive it counts; loggers another program keeps in it appear without a
// click (the page watches the file); the date fields write a day as the language does.
TEST_F(archivePage, SaysWhichArchiveFollowsOtherProgramsAndWritesDaysAsTheLanguage) {
    language.set(1894, "THIS PC");
    page.applyTranslation(language);
    page.show();
    Settle(page);
    EXPECT_EQ(page.CountLabel->text(), "THIS PC    E1501 3");

    OpenLogger lg{"RADIO", "MAST", "TV1", "01/02/2013", "10:20:30", "45 dBuV", {},
                  {{"C1", "474.0000", "8.0000", "50.0 dBuV"}}};
    const std::filesystem::path file = WriteBytes(folder.path / "MAST.lograd", LoggerFileText(lg));
    const CtlRun import = RunCtl({"archive", "import", QStringFromPath(file)},
                                 {{"ZV318_ARCHIVE", QStringFromPath(folder.path / "a.sqlite")},
                                  {"ZV318_HOME", QStringFromPath(folder.path)}});
    ASSERT_EQ(import.status, 0) << import.err;
    EXPECT_TRUE(QTest::qWaitFor([this] { return !page.busy() && rows() == 4; }, 10000));
    EXPECT_EQ(page.CountLabel->text(), "THIS PC    E1501 4");

    for (const auto& entry : std::filesystem::directory_iterator("Languages")) {
        if (entry.path().extension() != ".lng") continue;
        SCOPED_TRACE(entry.path().string());
        LanguageTable shipped;
        ASSERT_TRUE(ReadLanguageFile(entry.path(), shipped).opened);
        page.applyTranslation(shipped);
        const QString format = QString::fromStdString(shipped.entry(kDateFormatEntry));
        EXPECT_EQ(page.FromEdit->placeholderText().toStdString(), shipped.entry(1892));
        page.FromEdit->setBound("2025-06-01");
        EXPECT_EQ(page.FromEdit->text(), QDate(2025, 6, 1).toString(format));
        page.FromEdit->setText(QDate(2025, 7, 15).toString(format));  // typed in that order
        EXPECT_EQ(page.FromEdit->bound(), "2025-07-15");
        EXPECT_TRUE(page.CountLabel->text().startsWith(QString::fromStdString(shipped.entry(1894))))
            << page.CountLabel->text().toStdString();
    }
}

// Export keeps the rule of every output before any question: the archive's own file refused
// with its message, an existing file asked about once (No keeps it), and each time the dialog
// comes back until a name may be written.
TEST_F(archivePage, ExportRefusesTheArchiveAsksOnceAndComesBack) {
    page.show();
    Settle(page);
    page.Table->selectRow(0);
    const std::filesystem::path existing = folder.path / "kept.lograd",
                                fresh = folder.path / "fresh.lograd";
    ASSERT_TRUE(WriteFileAtomically(existing, "old"));
    // A name of the export's kind that is the archive under another name.
    std::filesystem::create_symlink(folder.path / "a.sqlite", folder.path / "archive.lograd");
    const std::vector<std::pair<std::filesystem::path, QMessageBox::StandardButton>> offered = {
        {folder.path / "archive.lograd", QMessageBox::Ok},  // refused: the archive itself
        {existing, QMessageBox::No},                  // asked once, kept
        {fresh, QMessageBox::NoButton}};              // written
    std::vector<std::string> boxes;
    std::size_t shown = 0;
    page.chooseSaveFile = [&](const QString&, const QString&) {
        if (shown >= offered.size()) return QString();
        const auto& [file, answer] = offered[shown++];
        if (answer != QMessageBox::NoButton) {
            Answer(answer);
            boxes.emplace_back();
        }
        return QStringFromPath(file);
    };
    page.ExportClick();
    Settle(page);
    ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(fresh); }));
    EXPECT_EQ(shown, offered.size());
    EXPECT_EQ(ReadWholeFile(existing), "old");
    EXPECT_TRUE(ReadWholeFile(fresh).value_or("").starts_with("RADIO\r\n"));
    EXPECT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxText, "E1541");  // the last box: the one question before replacing
}

}  // namespace
}  // namespace zv318::testing
