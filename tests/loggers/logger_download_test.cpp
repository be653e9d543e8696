// Downloading a listed logger into the open logger through the simulator.
#include <chrono>
#include <clocale>

#include "loggers/logger_fixture.h"
#include "texts/fields.h"

namespace zv318::testing {
namespace {

TEST(loggersDownload, RecordCommandsAndRepliesReadAsTheInstrumentWritesThem) {
    EXPECT_EQ(LoggerRecordCommand(12, 7), "*?HD12007");
    EXPECT_EQ(LoggerRecordCommand(3, 12), "*?HD03012");
    const std::optional<LoggerRecordReply> r = RecordFromReply("x&C1&474000000&8000000&-45.2");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->channel, "C1");
    EXPECT_EQ(r->frequency, 474'000'000);
    EXPECT_EQ(r->bandwidth, 8'000'000);
    EXPECT_EQ(r->power, "-45.2");
    // A name longer than the instrument's own field is held whole.
    const std::optional<LoggerRecordReply> wide =
        RecordFromReply("HD&LONGNAME&50000000&3000&-12.5");
    ASSERT_TRUE(wide);
    EXPECT_EQ(wide->channel, "LONGNAME");
    // Every field holds exactly what the instrument writes there, or the record is refused:
    // never a number read up to the first character it does not like, never a field made up.
    for (const char* damaged :
         {"HD&C9&abc", "HD&C9&474000000&8000000", "HD&C9&474000000&8000000&-45.2&1",
          "HD&C9&47400000O&8000000&-45.2", "HD&C9&474000000MHz&8000000&-45.2",
          "HD&C9& 474000000&8000000&-45.2", "HD&C9&474000000&8000000&57,4",
          "HD&C9&474000000&8000000&", "HD&C9&474000000&8000000&-123.456789012",
          "HD&C9&474000000&8000000&1e3", "HD&C,9&474000000&8000000&-45.2",
          "HD&C\t9&474000000&8000000&-45.2", "HD&C9&-474000000&8000000&-45.2",
          "HD&C9&0474000000&8000000&-45.2", "HD&C9&9999999999&8000000&-45.2"})
        EXPECT_FALSE(RecordFromReply(damaged)) << damaged;
}

// The desktop program runs with the person's locale set; in a decimal-comma locale the built-in
// instrument still writes its powers as an instrument does, and a download keeps them as
// numbers.
TEST_F(loggersScenario, PowersStayNumbersInADecimalCommaLocale) {
    const std::string held = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "no de_DE.UTF-8 locale here";
    const sim::Instrument demo;
    int powers = 0;
    for (int type : {sim::kRadio, sim::kPlc})
        for (int slot = 0; slot < kLoggerSlots; ++slot)
            if (const std::optional<sim::Logger>& lg = demo.logger(type, slot))
                for (const sim::LoggerRecord& r : lg->records) {
                    EXPECT_TRUE(PowerField(r.power)) << r.power;
                    ++powers;
                }
    EXPECT_GT(powers, 0);
    ReceiveRadio({{12, SimLogger("ROOF", 3, "dBuV", 45)}});
    ASSERT_EQ(procedures.LoadLogger(1), kLoggerLoaded);
    const LoggerReadings readings = ReadingsOf(procedures.logger());
    for (const LoggerReadings::Record& r : readings.records) EXPECT_TRUE(r.power) << r.powerValue;
    EXPECT_EQ(procedures.logger().records.at(1).power, "-40.1 dBuV");
    std::setlocale(LC_ALL, held.c_str());
}

TEST_F(loggersScenario, DownloadFillsTheOpenLoggerFromTheListedRow) {
    sim::Logger lg = SimLogger("ROOF", 3, "dBuV", 45);
    lg.records[1] = {"C1", 474'123'456, 8'000'000, "-45.2"};
    ReceiveRadio({{5, SimLogger("OTHER", 1)}, {12, lg}});
    // A plan reading in between leaves the instrument on PLC; the download selects RADIO again.
    ASSERT_EQ(link.SendCommand("*EC02"), 1);
    instrument.clearReceived();

    ASSERT_EQ(procedures.LoadLogger(2), kLoggerLoaded);
    EXPECT_EQ(commands(),
              (std::vector<std::string>{"*EC01", "*?HD12000", "*?HD12001", "*?HD12002"}));
    const OpenLogger& open = procedures.logger();
    EXPECT_EQ(open.typeText, "RADIO");
    EXPECT_EQ(open.name, "ROOF");
    EXPECT_EQ(open.planName, "TV1");
    EXPECT_EQ(open.date, "01-02-2013");
    EXPECT_EQ(open.time, "10:20:30");
    EXPECT_EQ(open.thresholdText, "45 dBuV");
    EXPECT_EQ(open.fileName, "");
    ASSERT_EQ(open.records.size(), 3u);
    EXPECT_EQ(open.records[1].channel, "C1");
    EXPECT_EQ(open.records[1].frequency, "474.1235");
    EXPECT_EQ(open.records[1].bandwidth, "8.0000");
    EXPECT_EQ(open.records[1].power, "-45.2 dBuV");
    EXPECT_EQ(feedback.busyChanges, (std::vector<bool>{true, false}));

    // Written back to a file, 474.1235 MHz is 474123500 Hz.
    ASSERT_EQ(procedures.WriteLogger(2), kLoggerWritten);
    EXPECT_NE(ReadBytes(loggers() / "ROOF.lograd").find("\r\n1,C1,474123500,8000000,-45.2 dBuV"),
              std::string::npos);
}

TEST_F(loggersScenario, LoggerWithoutRecordsLoadsEmpty) {
    ReceiveRadio({{0, SimLogger("NONE", 0)}});
    EXPECT_EQ(procedures.LoadLogger(1), kLoggerLoaded);
    EXPECT_TRUE(procedures.logger().records.empty());
    EXPECT_EQ(commands(), std::vector<std::string>{"*EC01"});
}

TEST_F(loggersScenario, SilentRecordReplyEndsWithMessageSevenWithinTheTimeOut) {
    ReceiveRadio({{4, SimLogger("OLD", 1)}, {9, SimLogger("MUTE", 20)}});
    ASSERT_EQ(procedures.LoadLogger(1), kLoggerLoaded);
    link.setTimeoutMs(200);
    instrument.silentFrom = static_cast<int>(instrument.received.size()) + 3;  // record 2

    procedures.table().LoggerIndexMouseUp(1, 2, true);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(procedures.LoggerIndexDblClick(), kLoggerLost);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(feedback.messages, std::vector<int>{7});
    EXPECT_EQ(procedures.logger().name, "OLD");  // the open logger is not half replaced
    EXPECT_EQ(procedures.table().ListedLoggerCount(), 2);
    EXPECT_TRUE(procedures.table().listingCommandsEnabled());

    // Back again: the same row downloads.
    instrument.silentFrom.reset();
    feedback.messages.clear();
    EXPECT_EQ(procedures.LoggerIndexDblClick(), kLoggerLoaded);
    EXPECT_EQ(procedures.logger().records.size(), 20u);
}

// A damaged header (a record count no logger can hold or no number at all, a reply cut short
// before its name, plan or unit): refused with a message before any record is asked for; a
// save run saves the others and ends as a failure, with no file for the damaged one.
TEST_F(loggersScenario, DamagedHeaderIsRefusedBeforeTheDownload) {
    const std::string head = "?HL03 10:20:30 01/02/2013 ";
    const struct {
        const char* what;
        std::string count;  // the count the header states, when set
        std::string reply;  // the whole header reply, when set
    } cases[] = {
        {"a count past any field", "99999999999", ""},
        {"151 records", "151", ""},
        {"a negative count", "-1", ""},
        {"a count that is no number", "abc", ""},
        {"digits then letters", "12x", ""},
        {"an empty count", "", ""},
        {"no name", "", head + "&TV1&2&dBm&-50"},
        {"no plan", "", head + "BAD&&2&dBm&-50"},
        {"no unit", "", head + "BAD&TV1&2&&-50"},
        {"cut after the name", "", head + "BAD&"},
        {"cut before any field", "", head},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        instrument.statedCounts.clear();
        instrument.textFor.clear();
        if (c.reply.empty())
            instrument.statedCounts[3] = c.count;
        else
            instrument.textFor["*?HL03"] = c.reply;
        feedback.messages.clear();
        ReceiveRadio({{3, SimLogger("BAD", 2)}, {8, SimLogger("GOOD", 1)}});
        EXPECT_EQ(procedures.LoadLogger(1), kLoggerDamaged);
        EXPECT_EQ(feedback.messages, std::vector<int>{kDamagedLoggerHeader});
        EXPECT_TRUE(commands().empty());

        feedback.messages.clear();
        instrument.clearReceived();
        EXPECT_EQ(procedures.SaveLogButClick(), LoggerOutcome::Failed);
        EXPECT_EQ(feedback.messages, std::vector<int>{kDamagedLoggerHeader});
        EXPECT_EQ(commands(), (std::vector<std::string>{"*EC01", "*?HD08000"}));
        EXPECT_EQ(std::distance(fs::directory_iterator(loggers()), fs::directory_iterator()), 1);
        EXPECT_TRUE(fs::exists(loggers() / "GOOD.lograd"));
        fs::remove(loggers() / "GOOD.lograd");
    }
    // Blanks around the digits are still the instrument's count.
    EXPECT_EQ(HeaderFromReply(head + "A&P& 2 &dBm&0").recordCount, 2);
}

}  // namespace
}  // namespace zv318::testing
