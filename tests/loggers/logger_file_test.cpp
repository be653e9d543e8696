// Logger files: the bytes each mode writes, reading them back with every check, the paths of
// the save commands.
#include "loggers/logger_fixture.h"

namespace zv318::testing {
namespace {

OpenLogger TwoRecords() {
    OpenLogger lg;
    lg.typeText = "RADIO";
    lg.name = "L1";
    lg.planName = "TV1";
    lg.date = "01/02/2013";
    lg.time = "10:20:30";
    lg.thresholdText = "-50 dBm";
    lg.records = {{"C21", "474.0000", "8.0000", "-45.2 dBm"},
                  {"C22", "482.1235", "0.0030", "-61.0 dBm"}};
    return lg;
}

const char kTwoRecordsFile[] =
    "RADIO\r\nL1\r\nTV1\r\n01/02/2013\r\n10:20:30\r\n-50 dBm\r\n2\r\n"
    "0,C21,474000000,8000000,-45.2 dBm\r\n1,C22,482123500,3000,-61.0 dBm";

// A file of `count` lines "k,Ck,freq,bw,P" under a header of this type.
std::string FileText(const std::string& type, int count, const std::string& frequency,
                     const std::string& bandwidth) {
    std::vector<std::string> lines{
        type, "N", "P", "01/01/2013", "00:00:00", "0 dBm", std::to_string(count)};
    for (int k = 0; k < count; ++k)
        lines.push_back(std::to_string(k) + ",C," + frequency + "," + bandwidth + ",-1.0 dBm");
    return JoinCrLf(lines);
}

TEST_F(loggersScenario, EachSaveModeWritesTheLayoutWhereItSays) {
    procedures.logger() = TwoRecords();
    // Mode 2: "Loggers" under the name.
    ASSERT_EQ(procedures.WriteLogger(2), kLoggerWritten);
    EXPECT_EQ(ReadBytes(loggers() / "L1.lograd"), kTwoRecordsFile);
    EXPECT_EQ(procedures.logger().fileName, (loggers() / "L1.lograd").string());

    // Mode 3: the dialog proposes name + extension; the extension is added unless there.
    feedback.files = {(folder.path / "a.lograd").string(), (folder.path / "b").string(),
                      std::nullopt};
    EXPECT_EQ(procedures.WriteLogger(3), kLoggerWritten);
    EXPECT_EQ(procedures.WriteLogger(3), kLoggerWritten);
    EXPECT_EQ(procedures.WriteLogger(3), kLoggerWritten);  // cancelled: nothing written
    EXPECT_EQ(feedback.fileRequests.at(0).proposedName, "L1.lograd");
    EXPECT_EQ(ReadBytes(folder.path / "a.lograd"), kTwoRecordsFile);
    EXPECT_EQ(ReadBytes(folder.path / "b.lograd"), kTwoRecordsFile);
    EXPECT_EQ(procedures.logger().fileName, (folder.path / "b.lograd").string());

    // Mode 4: cut at the first "." of the whole path, then "_", the name and the extension;
    // an existing file is replaced only on "Yes".
    fs::create_directories(folder.path / "data.old");
    procedures.saveAllAsPath = (folder.path / "data.old" / "MyLoggers.lograd").string();
    ASSERT_EQ(procedures.WriteLogger(4), kLoggerWritten);
    const fs::path cut = folder.path / "data_L1.lograd";
    EXPECT_EQ(ReadBytes(cut), kTwoRecordsFile);
    EXPECT_TRUE(feedback.questions.empty());
    WriteBytes(cut, "old");
    feedback.answers = {false};
    EXPECT_EQ(procedures.WriteLogger(4), kLoggerNotOverwritten);
    EXPECT_EQ(ReadBytes(cut), "old");
    ASSERT_EQ(feedback.questions.size(), 1u);
    EXPECT_EQ(feedback.questions[0].text, 13);
    EXPECT_EQ(feedback.questions[0].caption, 37);
    EXPECT_TRUE(feedback.messages.empty());

    // No record: the count is the last line, without a line end.
    procedures.logger().records.clear();
    procedures.logger().typeText = "PLC";
    ASSERT_EQ(procedures.WriteLogger(2), kLoggerWritten);
    EXPECT_EQ(ReadBytes(loggers() / "L1.logplc"),
              "PLC\r\nL1\r\nTV1\r\n01/02/2013\r\n10:20:30\r\n-50 dBm\r\n0");

    // Refusals: an unknown type (25, -9) and a missing folder (18, -20).
    procedures.logger().typeText = "TV";
    EXPECT_EQ(procedures.WriteLogger(2), kLoggerBadType);
    procedures.logger().typeText = "RADIO";
    fs::remove_all(loggers());
    EXPECT_EQ(procedures.WriteLogger(2), kLoggerCannotCreate);
    EXPECT_EQ(feedback.messages, (std::vector<int>{25, 18}));
}

TEST(loggersFile, ModeFourPathIsCutAtTheFirstDotOfTheWholePath) {
    EXPECT_EQ(SaveAllAsFilePath("C:\\data.old\\MyLoggers.lograd", "L1", kRadioPlan),
              "C:\\data_L1.lograd");
    EXPECT_EQ(SaveAllAsFilePath("/home/tec/data.old/MyLoggers.lograd", "L1", kRadioPlan),
              "/home/tec/data_L1.lograd");
    EXPECT_EQ(SaveAllAsFilePath("/home/tec/MyLoggers", "P", kPlcPlan),
              "/home/tec/MyLoggers_P.logplc");
}

TEST_F(loggersScenario, FilesReadBackWithEveryCheck) {
    struct Case {
        std::string name, text;
        int result;
        std::vector<int> messages;
    };
    const Case cases[] = {
        {"two.lograd", kTwoRecordsFile, kLoggerFileRead, {}},
        {"full.lograd", FileText("RADIO", 150, "50000000", "3000"), kLoggerFileRead, {}},
        {"over.lograd",
         FileText("RADIO", 151, "50000000", "3000"),
         kLoggerFileTooManyRecords,
         {26}},
        {"top.lograd", FileText("RADIO", 1, "1020000000", "14999900"), kLoggerFileRead, {}},
        {"low.lograd", FileText("RADIO", 1, "49999999", "3000"), 1022, {26, 26}},
        {"wide.lograd", FileText("RADIO", 1, "50000000", "14999901"), 1023, {26, 26}},
        {"plc.logplc", FileText("PLC", 1, "50000000", "1000000"), kLoggerFileRead, {}},
        {"plclow.logplc", FileText("PLC", 1, "2000000", "12000000"), kLoggerFileRead, {}},
        {"plcbw.logplc", FileText("PLC", 1, "2000000", "999999"), 1023, {26, 26}},
        {"plcfreq.logplc", FileText("PLC", 2, "50000001", "1000000"), 1022, {26, 26}},
        {"type.lograd", FileText("TV", 1, "50000000", "3000"), kLoggerFileBadType, {26}},
        {"CAPS.LOGRAD", kTwoRecordsFile, kNotALoggerFile, {11}},
        {"index.lograd",
         JoinCrLf({"RADIO", "N", "P", "D", "T", "0", "1", "150,C,50000000,3000,x"}),
         1020,
         {26, 26}},
    };
    for (const Case& c : cases) {
        const fs::path file = WriteBytes(folder.path / c.name, c.text);
        feedback.messages.clear();
        feedback.files = {file.string()};
        EXPECT_EQ(procedures.LoadLogger(-1), c.result) << c.name;
        EXPECT_EQ(feedback.messages, c.messages) << c.name;
    }
    // The full file kept every row, the last one index 149.
    feedback.files = {(folder.path / "full.lograd").string()};
    ASSERT_EQ(procedures.LoadLogger(-1), kLoggerFileRead);
    const OpenLogger& full = procedures.logger();
    ASSERT_EQ(full.records.size(), 150u);
    EXPECT_EQ(full.records[149].frequency, "50.0000");
    EXPECT_EQ(full.records[149].bandwidth, "0.0030");
    EXPECT_EQ(full.records[149].power, "-1.0 dBm");
    EXPECT_EQ(full.thresholdText, "0 dBm");
    EXPECT_EQ(full.fileName, (folder.path / "full.lograd").string());

    // What a save wrote reads back as it was, and writes the same bytes again.
    feedback.files = {(folder.path / "two.lograd").string()};
    ASSERT_EQ(procedures.LoadLogger(-1), kLoggerFileRead);
    const OpenLogger expected = TwoRecords();
    EXPECT_EQ(procedures.logger().records.size(), 2u);
    EXPECT_EQ(procedures.logger().records[1].frequency, expected.records[1].frequency);
    EXPECT_EQ(procedures.logger().thresholdText, expected.thresholdText);
    EXPECT_EQ(LoggerFileText(procedures.logger()), kTwoRecordsFile);
    // Cancelled: nothing.
    feedback.messages.clear();
    EXPECT_EQ(procedures.LoadLogger(-1), kLoggerFileCancelled);
    EXPECT_TRUE(feedback.messages.empty());
}

TEST_F(loggersScenario, SaveAllRunsDownloadEveryListedLogger) {
    ReceiveRadio({{2, SimLogger("A", 2)}, {7, SimLogger("B", 1)}});
    procedures.table().LoggerIndexMouseUp(4, 1, true);  // marks do not matter to saving

    // "Save loggers as" cancelled: the first logger downloaded, nothing written, no message.
    EXPECT_EQ(procedures.SaveLogAsButClick(), LoggerOutcome::Cancelled);
    EXPECT_EQ(commands(), (std::vector<std::string>{"*EC01", "*?HD02000", "*?HD02001"}));
    EXPECT_EQ(feedback.fileRequests.back().proposedName, "MyLoggers");
    EXPECT_TRUE(fs::is_empty(loggers()));
    EXPECT_TRUE(feedback.messages.empty());
    EXPECT_TRUE(feedback.notices.empty());

    feedback.files = {(folder.path / "run.x.y").string()};
    EXPECT_EQ(procedures.SaveLogAsButClick(), LoggerOutcome::Done);
    EXPECT_TRUE(fs::exists(folder.path / "run_A.lograd"));
    EXPECT_TRUE(fs::exists(folder.path / "run_B.lograd"));
    EXPECT_EQ(feedback.notices, std::vector<std::string>{"E113"});

    EXPECT_EQ(procedures.SaveLogButClick(), LoggerOutcome::Done);
    EXPECT_EQ(ReadBytes(loggers() / "B.lograd"),
              "RADIO\r\nB\r\nTV1\r\n01/02/2013\r\n10:20:30\r\n-50 dBm\r\n1\r\n"
              "0,C0,474000000,8000000,-40.0 dBm");
    EXPECT_TRUE(fs::exists(loggers() / "A.lograd"));

    // Without the folder, the first file that cannot be written ends the run failed, named,
    // and no "saved" notice follows.
    fs::remove_all(loggers());
    feedback.messages.clear();
    feedback.notices.clear();
    EXPECT_EQ(procedures.SaveLogButClick(), LoggerOutcome::Failed);
    EXPECT_EQ(feedback.messages, std::vector<int>{18});
    EXPECT_EQ(feedback.notices, std::vector<std::string>{(loggers() / "A.lograd").string()});
}

}  // namespace
}  // namespace zv318::testing
