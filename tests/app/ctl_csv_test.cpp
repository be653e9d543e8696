// zv318ctl's CSV commands as a technician runs them, each a process of its own.
#include <gtest/gtest.h>

#include <string>

#include "app/ctl_support.h"
#include "texts/text_file.h"

namespace zv318::testing {
namespace {

TEST(Zv318ctl, PlansToCsvAndBack) {
    const fs::path home = fs::temp_directory_path() / ("zv318-ctl-csv-" + std::to_string(getpid()));
    fs::remove_all(home);
    fs::create_directories(home / "Languages");
    fs::copy_file(fs::path(ZV318_LANGUAGES_DIR) / "English.lng", home / "Languages/English.lng");
    const std::string env = "ZV318_HOME='" + home.string() + "'";
    const std::string plan =
        "1\r\nTV1\r\n2\r\n0,C1,50000000,3000,ON\r\n1,\"Q\",474123500,8000000,OFF";
    ASSERT_TRUE(WriteFileAtomically(home / "tv1.c318", plan));
    const std::string csv =
        "field,value\r\ntype,RADIO\r\nname,TV1\r\n\r\nchannel,name,frequency_mhz,bandwidth_mhz,"
        "state\r\n1,C1,50.0000,0.0030,ON\r\n2,\"\"\"Q\"\"\",474.1235,8.0000,OFF\r\n";

    const CtlRun shown = RunCtl(env, "plans csv '" + (home / "tv1.c318").string() + "'");
    EXPECT_EQ(shown.status, 0) << shown.out;
    EXPECT_EQ(shown.out, csv);
    const fs::path out = home / "tv1.csv";
    const CtlRun written =
        RunCtl(env, "plans csv '" + (home / "tv1.c318").string() + "' -o '" + out.string() + "'");
    EXPECT_EQ(written.status, 0) << written.out;
    EXPECT_EQ(ReadWholeFile(out).value_or(""), csv);

    const fs::path back = home / "back.c318";
    const CtlRun imported = RunCtl(
        env, "plans from-csv '" + out.string() + "' --type radio -o '" + back.string() + "'");
    EXPECT_EQ(imported.status, 0) << imported.out;
    EXPECT_EQ(ReadWholeFile(back).value_or(""), plan);

    // The other type, and a frequency out of range: refused, nothing written.
    const fs::path refused = home / "refused.c318";
    const CtlRun other = RunCtl(
        env, "plans from-csv '" + out.string() + "' --type plc -o '" + refused.string() + "'");
    EXPECT_EQ(other.status, 1) << other.out;
    EXPECT_NE(other.out.find("message 142: "), std::string::npos) << other.out;
    std::string bad = csv;
    bad.replace(bad.find("474.1235"), 8, "1020.5");
    ASSERT_TRUE(WriteFileAtomically(home / "bad.csv", bad));
    const CtlRun badRun = RunCtl(env, "plans from-csv '" + (home / "bad.csv").string() +
                                          "' --type radio -o '" + refused.string() + "'");
    EXPECT_EQ(badRun.status, 1) << badRun.out;
    EXPECT_NE(badRun.out.find("message 20: "), std::string::npos) << badRun.out;
    EXPECT_NE(badRun.out.find("Line 7 of the CSV file is refused"), std::string::npos)
        << badRun.out;
    EXPECT_FALSE(fs::exists(refused));
    EXPECT_EQ(RunCtl(env, "plans from-csv '" + out.string() + "' -o x.c318").status, 2);
    fs::remove_all(home);
}

}  // namespace
}  // namespace zv318::testing

namespace zv318::testing {
namespace {

TEST(Zv318ctl, LoggersToCsvFromAFileAndFromTheSimulatorProcess) {
    const fs::path home =
        fs::temp_directory_path() / ("zv318-ctl-lcsv-" + std::to_string(getpid()));
    fs::remove_all(home);
    SimProcess sim;
    const std::string env = sim.envWithHome(home);

    ASSERT_TRUE(
        WriteFileAtomically(home / "L1.lograd",
                            "RADIO\r\nL1\r\nTV1\r\n01/02/2013\r\n10:20:30\r\n-50 dBm\r\n2\r\n"
                            "0,C1,474123456,8000000,-45.2 dBm\r\n1,\"Q\",50000000,3000,-120 dBm"));
    const CtlRun file = RunCtl(env, "loggers csv '" + (home / "L1.lograd").string() + "'");
    EXPECT_EQ(file.status, 0) << file.out;
    EXPECT_EQ(file.out,
              "field,value\r\ntype,RADIO\r\nname,L1\r\nplan,TV1\r\ndate,01/02/2013\r\n"
              "time,10:20:30\r\nthreshold,-50\r\nunit,dBm\r\n\r\n"
              "channel,frequency_mhz,bandwidth_mhz,power,unit\r\n"
              "C1,474.1235,8.0000,-45.2,dBm\r\n\"\"\"Q\"\"\",50.0000,0.0030,-120,dBm\r\n");

    // Row 1 of the RADIO table: the demo's 40-record logger, downloaded.
    const fs::path out = home / "roof.csv";
    const CtlRun row = RunCtl(env, "loggers csv radio 1 -o '" + out.string() + "'");
    EXPECT_EQ(row.status, 0) << row.out;
    const std::string csv = ReadWholeFile(out).value_or("");
    EXPECT_TRUE(csv.starts_with("field,value\r\ntype,RADIO\r\nname,ROOF1\r\n")) << csv;
    const std::string heading = "\r\n\r\nchannel,frequency_mhz,bandwidth_mhz,power,unit\r\n";
    const std::size_t table = csv.find(heading);
    ASSERT_NE(table, std::string::npos) << csv;
    std::size_t rows = 0;
    for (std::size_t at = table + heading.size(); (at = csv.find("\r\n", at)) != std::string::npos;
         at += 2)
        ++rows;
    EXPECT_EQ(rows, 40u) << csv;

    EXPECT_EQ(RunCtl(env, "loggers csv radio 9 -o '" + out.string() + "'").status, 1);
    EXPECT_EQ(RunCtl(env, "loggers csv radio 1").status, 2);
    sim.stop();
    EXPECT_EQ(RunCtl(env, "loggers csv radio 1 -o '" + out.string() + "'").status, 3);
    fs::remove_all(home);
}

}  // namespace
}  // namespace zv318::testing
