// The open logger as CSV, byte for byte.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "loggers/logger_csv.h"
#include "plans/plan_fixture.h"

namespace zv318::testing {
namespace {

TEST(loggersCsv, WritesTheFieldTableAndOneRowPerRecord) {
    struct Case {
        const char* name;
        OpenLogger logger;
        std::string csv;
    };
    const std::string heading = "\r\nchannel,frequency_mhz,bandwidth_mhz,power,unit\r\n";
    const std::vector<Case> cases = {
        {"a name with a comma, a channel with a quote, a power that is a marker",
         {"RADIO",
          "A,B",
          "TV1",
          "14/03/2013",
          "09:15:02",
          "-50 dBm",
          "/tmp/x.lograd",
          {{"Q\"1", "474.0000", "8.0000", "-45.2 dBm"},
           {"C2", "482.1235", "8.0000", "---- dBm"},
           {"C3", "1020.0000", "14.9999", "52"}}},
         "field,value\r\ntype,RADIO\r\nname,\"A,B\"\r\nplan,TV1\r\ndate,14/03/2013\r\n"
         "time,09:15:02\r\nthreshold,-50\r\nunit,dBm\r\n" +
             heading +
             "\"Q\"\"1\",474.0000,8.0000,-45.2,dBm\r\nC2,482.1235,8.0000,'----,dBm\r\n"
             "C3,1020.0000,14.9999,52,\r\n"},
        {"texts that would start a formula: guarded; numbers, negative ones too, as they are",
         {"RADIO", "=HYPERLINK", "+SUM(A1)", "@cmd", "-1+1", "-50 dBm", "",
          {{"\tC1", "474.0000", "8.0000", "-45.2 dBm"}, {"-C2", "482.0000", "8.0000", "=1+1 dBm"}}},
         "field,value\r\ntype,RADIO\r\nname,'=HYPERLINK\r\nplan,'+SUM(A1)\r\ndate,'@cmd\r\n"
         "time,'-1+1\r\nthreshold,-50\r\nunit,dBm\r\n" +
             heading + "'\tC1,474.0000,8.0000,-45.2,dBm\r\n'-C2,482.0000,8.0000,'=1+1,dBm\r\n"},
        {"a PLC logger of no records",
         {"PLC", "MAIN", "P1", "20/05/2013", "08:00:00", "30 dBuV", "", {}},
         "field,value\r\ntype,PLC\r\nname,MAIN\r\nplan,P1\r\ndate,20/05/2013\r\n"
         "time,08:00:00\r\nthreshold,30\r\nunit,dBuV\r\n" +
             heading},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingFeedback feedback;
        TempFolder folder;
        feedback.files.push_back((folder.path / "out.csv").string());
        EXPECT_EQ(ExportLoggerCsv(c.logger, feedback), kLoggerCsvWritten);
        EXPECT_EQ(feedback.fileRequests.at(0).proposedName, c.logger.name + ".csv");
        EXPECT_EQ(ReadBytes(folder.path / "out.csv"), c.csv);
        EXPECT_TRUE(feedback.messages.empty());
        // A folder that is not there: message 143, nothing claimed.
        EXPECT_EQ(WriteLoggerCsv(c.logger, folder.path / "none" / "out.csv", feedback),
                  kLoggerCsvCannotCreate);
        EXPECT_EQ(feedback.messages, std::vector<int>{143});
    }
}

}  // namespace
}  // namespace zv318::testing
