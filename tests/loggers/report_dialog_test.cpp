// The viewer's "Report…" as a person uses it: the dialog filled in, the PDF written where the
// file dialog says (".pdf" added) naming the instrument the logger was just downloaded from;
// the next time the dialog brings back the site's fields from the settings file.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <cstdlib>

#include "link/queries.h"
#include "loggers/logger_fixture.h"
#include "loggers/windows/logger_window.h"
#include "loggers/windows/report_dialog.h"
#include "texts/language_file.h"
#include "windows/modal_watcher.h"

namespace zv318::testing {
namespace {

TEST_F(loggersScenario, ViewerReportAsksRemembersAndNamesTheInstrument) {
    LanguageTable english;
    ASSERT_TRUE(ReadLanguageFile(fs::path("Languages") / "English.lng", english).opened);
    ReceiveRadio({{0, SimLogger("ROOF1", 6, "dBm", -40)}});
    ASSERT_EQ(procedures.LoadLogger(1), kLoggerLoaded);
    TZVLoggerWindow viewer;
    viewer.setProcedures(&procedures, nullptr, &english);
    viewer.applyTranslation(english);
    viewer.ShowLogger(procedures.logger());
    EXPECT_EQ(viewer.Report1->text(), "&Report…");

    feedback.files = {(folder.path / "roof").string()};
    {
        ModalWatcher watcher([](QWidget* modal) {
            auto* dialog = qobject_cast<ReportDialog*>(modal);
            ASSERT_TRUE(dialog);
            dialog->SiteName->setCurrentText("Roof A");
            dialog->Customer->setText("ACME Ltd");
            dialog->Notes->setPlainText("Mast checked.");
            dialog->Technician->setText("Ana Pérez");
            dialog->MakeReport->click();
        });
        viewer.Report1->trigger();
        EXPECT_EQ(watcher.seen, 1);
    }
    EXPECT_TRUE(feedback.messages.empty());
    const fs::path pdf = folder.path / "roof.pdf";
    ASSERT_EQ(std::system(("pdftotext -layout '" + pdf.string() + "'").c_str()), 0);
    const std::string text = ReadBytes(folder.path / "roof.txt");
    for (const std::string& expected :
         {std::string("Customer:"), std::string("ACME Ltd"), std::string("Ana Pérez"),
          std::string("Mast checked."), "serial number " + GetSerial(link),
          std::string("Channels below the threshold: 5 of 6"), std::string("Page 1 of 1")})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << '\n' << text;

    // Again: the site's fields and the technician come back; cancelled, nothing is asked.
    ModalWatcher again([](QWidget* modal) {
        auto* dialog = qobject_cast<ReportDialog*>(modal);
        ASSERT_TRUE(dialog);
        EXPECT_EQ(dialog->SiteName->currentText(), "Roof A");
        EXPECT_EQ(dialog->Customer->text(), "ACME Ltd");
        EXPECT_EQ(dialog->Notes->toPlainText(), "Mast checked.");
        EXPECT_EQ(dialog->Technician->text(), "Ana Pérez");
        dialog->SiteName->setCurrentText("Elsewhere");  // a new site: the fields stay as typed
        EXPECT_EQ(dialog->Customer->text(), "ACME Ltd");
        dialog->CancelButton->click();
    });
    feedback.files = {(folder.path / "never.pdf").string()};
    viewer.Report1->trigger();
    EXPECT_EQ(again.seen, 1);
    EXPECT_EQ(feedback.files.size(), 1u);
    EXPECT_FALSE(fs::exists(folder.path / "never.pdf"));
}

}  // namespace
}  // namespace zv318::testing
