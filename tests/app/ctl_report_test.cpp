// zv318ctl loggers report: a logger file of five records, two below the threshold, gives a
// one-page report naming every channel; the person's settings and the site's remembered fields
// fill the header; a file that cannot be read leaves an earlier report as it was.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/ctl_support.h"

namespace {

std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(Zv318ctl, LoggersReportOfAFileWithTheSettingsAndTheSite) {
    const fs::path home = fs::temp_directory_path() / ("zv318-ctl-report-" + std::to_string(getpid()));
    fs::remove_all(home);
    fs::create_directories(home / "Languages");
    fs::copy_file(fs::path(ZV318_LANGUAGES_DIR) / "English.lng", home / "Languages" / "English.lng");
    const std::string env = "ZV318_HOME='" + home.string() + "'";
    std::ofstream(home / "settings.txt", std::ios::binary)
        << "report.technician=Ana Pérez\r\nreport.site.Roof A.customer=ACME Ltd\r\n";
    std::ofstream(home / "L.lograd", std::ios::binary)
        << "RADIO\r\nROOF1\r\nTV1\r\n14/03/2013\r\n09:15:02\r\n45 dBuV\r\n5\r\n"
           "0,C21,474000000,8000000,57.4 dBuV\r\n1,C22,482000000,8000000,41.0 dBuV\r\n"
           "2,C23,490000000,8000000,52.5 dBuV\r\n3,C24,498000000,8000000,38.2 dBuV\r\n"
           "4,C25,506000000,8000000,45.0 dBuV";

    const fs::path pdf = home / "r.pdf";
    const CtlRun run = RunCtl(env, "loggers report '" + (home / "L.lograd").string() + "' --pdf '" +
                                       pdf.string() + "' --site 'Roof A'");
    ASSERT_EQ(run.status, 0) << run.out;
    ASSERT_EQ(std::system(("pdftotext -layout '" + pdf.string() + "'").c_str()), 0);
    const std::string text = Slurp(home / "r.txt");
    for (const char* expected :
         {"C21", "C22", "C23", "C24", "C25", "Channels below the threshold: 2 of 5", "Page 1 of 1",
          "Technician:", "Ana Pérez", "ACME Ltd", "Roof A"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << '\n' << text;
    EXPECT_EQ(text.find('\f'), text.rfind('\f')) << "one page";

    // An unreadable logger file: the report is not made and the earlier one stays whole.
    const std::string before = Slurp(pdf);
    const CtlRun missing = RunCtl(env, "loggers report '" + (home / "none.lograd").string() +
                                           "' --pdf '" + pdf.string() + "'");
    EXPECT_EQ(missing.status, 1) << missing.out;
    EXPECT_EQ(Slurp(pdf), before);
    EXPECT_EQ(RunCtl(env, "loggers report '" + (home / "L.lograd").string() + "'").status, 2);
    fs::remove_all(home);
}

// From the archive: loggers downloaded from zv318-sim, reported with the instrument's serial
// and the count below the threshold the archive itself keeps.
TEST(Zv318ctl, ArchiveReportNamesTheInstrument) {
    SimProcess sim;
    const fs::path home =
        fs::temp_directory_path() / ("zv318-ctl-archive-report-" + std::to_string(getpid()));
    fs::remove_all(home);
    fs::create_directories(home / "Loggers");
    const std::string env = sim.envWithHome(home);
    ASSERT_EQ(RunCtl(env, "loggers save radio").status, 0);
    const CtlRun list = RunCtl(env, "archive list");
    const std::size_t roof = list.out.find("ROOF1");
    ASSERT_NE(roof, std::string::npos) << list.out;
    std::istringstream row(list.out.substr(roof));
    std::string name, type, plan, measured, serial;
    int records = 0, below = 0;
    row >> name >> type >> plan >> measured >> records >> below >> serial;

    const fs::path pdf = home / "a.pdf";
    const CtlRun run = RunCtl(env, "archive report 1 2 --pdf '" + pdf.string() + "'");
    ASSERT_EQ(run.status, 0) << run.out;
    ASSERT_EQ(std::system(("pdftotext -layout '" + pdf.string() + "'").c_str()), 0);
    const std::string text = Slurp(home / "a.txt");
    EXPECT_NE(text.find("ZV-318, serial number " + serial), std::string::npos) << text;
    EXPECT_NE(text.find("Channels below the threshold: " + std::to_string(below) + " of " +
                        std::to_string(records)),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("Logger LOBBY"), std::string::npos);
    const CtlRun none = RunCtl(env, "archive report 99 --pdf '" + pdf.string() + "'");
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.out.find("message 456"), std::string::npos) << none.out;
    fs::remove_all(home);
}

}  // namespace
