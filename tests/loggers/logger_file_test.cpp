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

    // Mode 3: the dialog proposes name + extension; the extension is added unless there, and
    // the path it makes is asked about when it holds another logger.
    feedback.files = {(folder.path / "a.lograd").string(), (folder.path / "b").string(),
                      std::nullopt};
    EXPECT_EQ(procedures.WriteLogger(3), kLoggerWritten);
    EXPECT_EQ(procedures.WriteLogger(3), kLoggerWritten);
    EXPECT_EQ(procedures.WriteLogger(3), kLoggerWritten);  // cancelled: nothing written
    EXPECT_EQ(feedback.fileRequests.at(0).proposedName, "L1.lograd");
    EXPECT_EQ(ReadBytes(folder.path / "a.lograd"), kTwoRecordsFile);
    EXPECT_EQ(ReadBytes(folder.path / "b.lograd"), kTwoRecordsFile);
    EXPECT_EQ(procedures.logger().fileName, (folder.path / "b.lograd").string());
    WriteBytes(folder.path / "b.lograd", "other");
    feedback.files = {(folder.path / "b").string()};
    feedback.answers = {false};
    EXPECT_EQ(procedures.WriteLogger(3), kLoggerNotOverwritten);
    EXPECT_EQ(ReadBytes(folder.path / "b.lograd"), "other");
    ASSERT_EQ(feedback.questions.size(), 1u);

    // Mode 4: in the chosen folder, the chosen name without its extension, "_", the logger's
    // name and the extension. The same logger already there is left alone; another one is
    // replaced only on "Yes".
    fs::create_directories(folder.path / "data.old");
    procedures.saveAllAsPath = (folder.path / "data.old" / "MyLoggers.lograd").string();
    ASSERT_EQ(procedures.WriteLogger(4), kLoggerWritten);
    const fs::path cut = folder.path / "data.old" / "MyLoggers_L1.lograd";
    EXPECT_EQ(ReadBytes(cut), kTwoRecordsFile);
    EXPECT_EQ(procedures.WriteLogger(4), kLoggerWritten);
    EXPECT_EQ(feedback.questions.size(), 1u);
    WriteBytes(cut, "old");
    feedback.answers = {false, true};
    EXPECT_EQ(procedures.WriteLogger(4), kLoggerNotOverwritten);
    EXPECT_EQ(ReadBytes(cut), "old");
    EXPECT_EQ(procedures.WriteLogger(4), kLoggerWritten);
    EXPECT_EQ(ReadBytes(cut), kTwoRecordsFile);
    ASSERT_EQ(feedback.questions.size(), 3u);
    EXPECT_EQ(feedback.questions[2].text, 13);
    EXPECT_EQ(feedback.questions[2].caption, 37);
    EXPECT_TRUE(feedback.messages.empty());

    // No record: the count is the last line, without a line end.
    procedures.logger().records.clear();
    procedures.logger().typeText = "PLC";
    ASSERT_EQ(procedures.WriteLogger(2), kLoggerWritten);
    EXPECT_EQ(ReadBytes(loggers() / "L1.logplc"),
              "PLC\r\nL1\r\nTV1\r\n01/02/2013\r\n10:20:30\r\n-50 dBm\r\n0");

    // A missing "Loggers" folder is made on first use (a new user folder is empty).
    fs::remove_all(loggers());
    ASSERT_EQ(procedures.WriteLogger(2), kLoggerWritten);
    EXPECT_TRUE(fs::exists(loggers() / "L1.logplc"));

    // Refusals: an unknown type (25, -9) and a folder that cannot be made (18, -20).
    procedures.logger().typeText = "TV";
    EXPECT_EQ(procedures.WriteLogger(2), kLoggerBadType);
    procedures.logger().typeText = "RADIO";
    fs::remove_all(loggers());
    WriteBytes(loggers(), "a file where the folder would be");
    EXPECT_EQ(procedures.WriteLogger(2), kLoggerCannotCreate);
    EXPECT_EQ(feedback.messages, (std::vector<int>{25, 18}));
    fs::remove(loggers());
}

TEST(loggersFile, ModeFourPathKeepsTheChosenFolder) {
    EXPECT_EQ(SaveAllAsFilePath("/home/tec/data.old/MyLoggers.lograd", "L1", kRadioPlan),
              "/home/tec/data.old/MyLoggers_L1.lograd");
    EXPECT_EQ(SaveAllAsFilePath("/home/tec/.local/share/zv318/Loggers", "L1", kRadioPlan),
              "/home/tec/.local/share/zv318/Loggers_L1.lograd");
    EXPECT_EQ(SaveAllAsFilePath("/home/tec/MyLoggers", "P", kPlcPlan),
              "/home/tec/MyLoggers_P.logplc");
    EXPECT_EQ(SaveAllAsFilePath("site.x.lograd", "P", kPlcPlan), "site.x_P.logplc");
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
        // A count that disagrees with the lines under it: never records dropped unseen.
        {"count2of3.lograd",
         JoinCrLf({"RADIO", "N", "P", "D", "T", "0", "2", "0,C,50000000,3000,1",
                   "1,C,50000100,3000,2", "2,C,50000200,3000,3"}),
         3020,
         {26, 26}},
        {"count0of1.lograd",
         JoinCrLf({"RADIO", "N", "P", "D", "T", "0", "0", "0,C,50000000,3000,1"}),
         1020,
         {26, 26}},
        {"count3x.lograd",
         JoinCrLf({"RADIO", "N", "P", "D", "T", "0", "1x", "0,C,50000000,3000,1"}),
         kLoggerFileTooManyRecords,
         {26}},
        {"freqO.lograd",
         JoinCrLf({"RADIO", "N", "P", "D", "T", "0", "1", "0,C,5000000O,3000,1"}),
         1022,
         {26, 26}},
        {"power.lograd",
         JoinCrLf({"RADIO", "N", "P", "D", "T", "0", "1", "0,C,50000000,3000,57,4 dBuV"}),
         1024,
         {26, 26}},
        {"threshold.lograd",
         JoinCrLf({"RADIO", "N", "P", "D", "T", "45x", "1", "0,C,50000000,3000,1"}),
         kLoggerFileBadHeader,
         {26}},
        {"gap.lograd",
         JoinCrLf(
             {"RADIO", "N", "P", "D", "T", "0", "2", "0,C,50000000,3000,1", "2,C,50000100,3000,2"}),
         2020,
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
    // A name in the instrument's single-byte encoding reads as the same text in UTF-8, as the
    // archive keeps it and its search finds it.
    OpenLogger latin;
    ASSERT_EQ(ParseLoggerText(JoinCrLf({"RADIO", "Caf\xE9", "P\xC9", "D", "T", "45 dB\xB5V", "1",
                                        "0,\xC9"
                                        "1,50000000,3000,1 dB\xB5V"}),
                              latin),
              kLoggerFileRead);
    EXPECT_EQ(latin.name, "Café");
    EXPECT_EQ(latin.planName, "PÉ");
    EXPECT_EQ(latin.records.at(0).channel, "É1");
    EXPECT_EQ(latin.thresholdText, "45 dBµV");

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

    // A folder name with a dot keeps its files.
    fs::create_directories(folder.path / "my.dir");
    feedback.files = {(folder.path / "my.dir" / "run.x.y").string()};
    EXPECT_EQ(procedures.SaveLogAsButClick(), LoggerOutcome::Done);
    EXPECT_TRUE(fs::exists(folder.path / "my.dir" / "run.x_A.lograd"));
    EXPECT_TRUE(fs::exists(folder.path / "my.dir" / "run.x_B.lograd"));
    // The notice names the folder.
    EXPECT_EQ(feedback.notices,
              std::vector<std::string>{"E113\n\n" + (folder.path / "my.dir").string()});
    // A file that cannot be written: message 18 once, and the run ends there.
    feedback.messages.clear();
    feedback.files = {(folder.path / "none" / "run").string()};
    EXPECT_EQ(procedures.SaveLogAsButClick(), LoggerOutcome::Failed);
    EXPECT_EQ(feedback.messages, std::vector<int>{18});
    EXPECT_EQ(feedback.notices.back(), (folder.path / "none" / "run_A.lograd").string());

    EXPECT_EQ(procedures.SaveLogButClick(), LoggerOutcome::Done);
    EXPECT_EQ(ReadBytes(loggers() / "B.lograd"),
              "RADIO\r\nB\r\nTV1\r\n01-02-2013\r\n10:20:30\r\n-50 dBm\r\n1\r\n"
              "0,C0,474000000,8000000,-40.0 dBm");
    EXPECT_TRUE(fs::exists(loggers() / "A.lograd"));

    // With a file where the folder would be, the first file that cannot be written ends the
    // run failed, named, and no "saved" notice follows.
    fs::remove_all(loggers());
    WriteBytes(loggers(), "a file where the folder would be");
    feedback.messages.clear();
    feedback.notices.clear();
    EXPECT_EQ(procedures.SaveLogButClick(), LoggerOutcome::Failed);
    EXPECT_EQ(feedback.messages, std::vector<int>{18});
    EXPECT_EQ(feedback.notices, std::vector<std::string>{(loggers() / "A.lograd").string()});
}

// Names and texts from outside through "Save loggers" (mode 2): where each file lands, and
// that what was saved reads back as the same logger; what a file cannot carry is refused.
TEST_F(loggersScenario, OutsideNamesStayInTheFolderAndReadBack) {
    struct Case {
        std::string name, plan, channel, frequency, file;  // file "": refused (message 220)
    };
    const std::string longName(200, 'N');
    const Case cases[] = {
        {"../../X", "TV1", "C21", "474.0000", "%2E.%2F..%2FX.lograd"},
        {"/tmp/ABS", "TV1", "C21", "474.0000", "%2Ftmp%2FABS.lograd"},
        {"", "TV1", "C21", "474.0000", "_.lograd"},
        {"SPACE NAME", "MY PLAN", "C 21", "474.0000", "SPACE NAME.lograd"},
        {"A\x07"
         "B",
         "TV1", "C21", "474.0000", ""},  // no file of ours holds a control character
        {"CON", "TV1", "C21", "474.0000", "%43ON.lograd"},
        {longName, longName, "C21", "474.0000", std::string(64, 'N') + ".lograd"},
        {"LINE\nEND", "TV1", "C21", "474.0000", ""},
        {"COMMA", "TV1", "C,21", "474.0000", ""},
        {"LOW", "TV1", "C21", "40.0000", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.empty() ? c.name : c.file);
        fs::remove_all(loggers());
        fs::create_directories(loggers());
        feedback.messages.clear();
        procedures.logger() = {
            "RADIO",    c.name,    c.plan, "01/02/2013",
            "10:20:30", "-50 dBm", "",     {{c.channel, c.frequency, "8.0000", "-45.2 dBm"}}};
        const OpenLogger saved = procedures.logger();
        const int written = procedures.WriteLogger(2);
        std::vector<fs::path> landed;
        for (const auto& f : fs::recursive_directory_iterator(folder.path))
            if (f.is_regular_file()) landed.push_back(f.path());
        if (c.file.empty()) {
            EXPECT_EQ(written, kLoggerUnreadable);
            EXPECT_EQ(feedback.messages, std::vector<int>{kLoggerNotReadable});
            EXPECT_TRUE(landed.empty());
            continue;
        }
        ASSERT_EQ(written, kLoggerWritten);
        ASSERT_EQ(landed, std::vector<fs::path>{loggers() / c.file});
        OpenLogger back;
        ASSERT_EQ(ReadLoggerFileAt(landed[0], back, feedback), kLoggerFileRead);
        EXPECT_EQ(back.name, saved.name);
        EXPECT_EQ(back.planName, saved.planName);
        ASSERT_EQ(back.records.size(), 1u);
        EXPECT_EQ(back.records[0].channel, saved.records[0].channel);
        EXPECT_TRUE(feedback.messages.empty());
    }
}

// Loggers of one name: within a run the later gets its slot; a run again leaves equal files
// alone and replaces another logger's file only on "Yes".
TEST_F(loggersScenario, SavedLoggersAreNeverOverwrittenUnseen) {
    ReceiveRadio({{2, SimLogger("ROOF", 2)}, {7, SimLogger("roof", 1)}, {9, SimLogger("ROOF", 3)}});
    std::vector<std::string> saved;
    procedures.onSaved = [&saved](const std::string& path) { saved.push_back(path); };
    EXPECT_EQ(procedures.SaveLogButClick(), LoggerOutcome::Done);
    const fs::path first = loggers() / "ROOF.lograd", second = loggers() / "roof (RADIO 07).lograd",
                   third = loggers() / "ROOF (RADIO 09).lograd";
    EXPECT_EQ(saved, (std::vector<std::string>{first.string(), second.string(), third.string()}));
    const std::string firstBytes = ReadBytes(first);
    EXPECT_TRUE(
        firstBytes.ends_with("\r\n2\r\n0,C0,474000000,8000000,-40.0 dBm\r\n"
                             "1,C1,482000000,8000000,-40.1 dBm"));
    EXPECT_TRUE(ReadBytes(third).find("\r\n3\r\n") != std::string::npos);

    // Once more: the same loggers, nothing asked.
    EXPECT_EQ(procedures.SaveLogButClick(), LoggerOutcome::Done);
    EXPECT_TRUE(feedback.questions.empty());

    // Slot 2 now holds another ROOF measurement: asked, "No" keeps the file.
    instrument.logger(sim::kRadio, 2)->records[0].power = "-50.0";
    feedback.answers = {false};
    EXPECT_EQ(procedures.SaveLogButClick(), LoggerOutcome::Cancelled);
    ASSERT_EQ(feedback.questions.size(), 1u);
    EXPECT_EQ(feedback.questions[0].text, 13);
    EXPECT_EQ(ReadBytes(first), firstBytes);
    feedback.answers = {true};
    EXPECT_EQ(procedures.SaveLogButClick(), LoggerOutcome::Done);
    EXPECT_NE(ReadBytes(first).find("0,C0,474000000,8000000,-50.0 dBm"), std::string::npos);
    EXPECT_EQ(feedback.questions.size(), 2u);
}

}  // namespace
}  // namespace zv318::testing
