// "Report…" on the Archive page: the selected loggers' site report names the instrument the
// archive kept with each; with nothing selected it says so and asks for nothing.

#include <QPushButton>
#include <QTableView>
#include <cstdlib>

#include "archive/archive_keeper.h"
#include "archive/page_settle.h"
#include "archive/windows/archive_model.h"
#include "archive/windows/archive_page.h"
#include "loggers/logger_fixture.h"
#include "loggers/windows/report_dialog.h"
#include "texts/language_file.h"
#include "windows/modal_watcher.h"

namespace zv318::testing {
namespace {

using archiveReport = LoggerScenario;

TEST_F(archiveReport, ArchivePageReportNamesTheKeptInstrument) {
    LanguageTable english;
    ASSERT_TRUE(ReadLanguageFile(fs::path("Languages") / "English.lng", english).opened);
    ArchiveKeeper keeper{ArchiveLocationFor(PathToText(folder.path / "a.sqlite"), {}), feedback,
                         english, {}};
    const OpenLogger roof{"RADIO", "ROOF", "TV1", "01/02/2013", "10:20:30", "45 dBuV", {},
                          {{"C1", "474.0000", "8.0000", "50.0 dBuV"},
                           {"C2", "482.0000", "8.0000", "40.0 dBuV"}}};
    ASSERT_TRUE(keeper.archive()->Keep(LoggerFileText(roof), roof,
                                       InstrumentIdentity{"SN0042", "ZV-318", "IO-2.10", "V1.20"}));
    ArchivePage page{keeper, folder.path};
    page.applyTranslation(english);
    page.reportFeedback = [this] { return &feedback; };
    page.show();
    Settle(page);
    ASSERT_EQ(page.Model->rowCount(), 1);

    page.ReportClick();  // nothing selected
    Settle(page);
    EXPECT_EQ(feedback.messages, std::vector<int>{kMessageReportWithoutLoggers});

    page.Table->selectRow(0);
    feedback.files = {(folder.path / "site.pdf").string()};
    ModalWatcher watcher([](QWidget* modal) {
        auto* dialog = qobject_cast<ReportDialog*>(modal);
        ASSERT_TRUE(dialog);
        dialog->MakeReport->click();
    });
    page.ReportButton->click();
    Settle(page);
    EXPECT_EQ(watcher.seen, 1);
    ASSERT_EQ(std::system(("pdftotext -layout '" + (folder.path / "site.pdf").string() + "'").c_str()),
              0);
    const std::string text = ReadBytes(folder.path / "site.txt");
    for (const char* expected :
         {"ZV-318, serial number SN0042, IO Interface version IO-2.10, instrument version V1.20",
          "Logger ROOF", "Channels below the threshold: 1 of 2"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << '\n' << text;
}

}  // namespace
}  // namespace zv318::testing
