// The clock report, byte for byte, and the re-synchronisation that follows it, against the
// simulated instrument.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "link/link.h"
#include "shell/clock.h"
#include "shell/service.h"
#include "sim/bus.h"
#include "sim/instrument.h"
#include "support/recording_feedback.h"

namespace zv318 {
namespace {

std::string Bytes(const Report& report, std::size_t from, std::size_t count) {
    return std::string(report.begin() + from, report.begin() + from + count);
}

TEST(clock_Report, CarriesTheTimeWithoutCarriageReturn) {
    struct Case {
        int y, mo, d, h, mi, s;
        const char* text;
    };
    const Case cases[] = {
        {2013, 12, 31, 23, 59, 59, "23:59:59/31-12-2013"},
        {2014, 1, 1, 0, 0, 0, "00:00:00/01-01-2014"},
        {2013, 3, 3, 9, 5, 7, "09:05:07/03-03-2013"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::string text = ClockText(c.y, c.mo, c.d, c.h, c.mi, c.s);
        EXPECT_EQ(text, c.text);
        const Report report = BuildClockReport(text);
        EXPECT_EQ(report[0], 0x00);
        EXPECT_EQ(report[1], 0x03);
        EXPECT_EQ(report[2], 22);
        EXPECT_EQ(Bytes(report, 3, 3), "*SK");
        EXPECT_EQ(Bytes(report, 6, 19), c.text);
        EXPECT_EQ(report[25], 0x00);
        // The text is followed directly by the zero byte: no carriage return anywhere.
        EXPECT_EQ(std::count(report.begin(), report.begin() + 26, 0x0D), 0)
            << HexBytes(std::span(report).first(26));
    }
}

TEST(clock_Report, AnOverlongTextStopsBeforeTheTerminatingZero) {
    const Report report = BuildClockReport("23:59:59/31-12-2013 and more");
    EXPECT_EQ(Bytes(report, 6, 19), "23:59:59/31-12-2013");
    EXPECT_EQ(report[25], 0x00);
}

class clock_Sync : public ::testing::Test {
protected:
    sim::Instrument instrument;
    sim::SimBus bus{instrument};
    testing::RecordingFeedback feedback;
    Link link{bus, &feedback};

    long queries() const {
        auto commands = instrument.commands();
        return std::count(commands.begin(), commands.end(), "*?NS");
    }
};

TEST_F(clock_Sync, SendClockWritesTheLocalTimeAndReadsNothing) {
    ASSERT_TRUE(link.FindInstrument());
    ASSERT_TRUE(SendClock(link));
    ASSERT_EQ(instrument.commands().size(), 1u);
    EXPECT_TRUE(std::regex_match(instrument.clock(),
                                 std::regex(R"(\d\d:\d\d:\d\d/\d\d-\d\d-\d{4})")))
        << instrument.clock();
    const Report& sent = instrument.received.front();
    EXPECT_EQ(sent[2], 22);
    EXPECT_EQ(sent[25], 0x00);
}

TEST_F(clock_Sync, TheClockReplyIsDiscardedSoEveryLaterExchangeReadsItsOwnReply) {
    ASSERT_TRUE(link.FindInstrument());
    ASSERT_TRUE(SendClock(link));  // the instrument answers it; nobody reads that reply
    EXPECT_EQ(SyncAfterClock(link, instrument.serial), 0);
    EXPECT_EQ(queries(), 1);
    // A raw command on the same handle, as the service window sends it, reads its own reply.
    EXPECT_EQ(RawCommand(link, "*?VE").reply, "?VEZV-318" + instrument.zvVersion + "\r");
    EXPECT_EQ(link.SendQuery("*?PN"), "?PN" + std::to_string(instrument.plans(sim::kRadio).size()) + "\r");
}

TEST_F(clock_Sync, AStreamInStepNeedsNoRepetition) {
    ASSERT_TRUE(link.FindInstrument());
    EXPECT_EQ(SyncAfterClock(link, instrument.serial), 0);
    EXPECT_EQ(queries(), 1);
}

TEST_F(clock_Sync, TheComparisonCoversNSAndTheWholeLabel) {
    ASSERT_TRUE(link.FindInstrument());
    // A label that is only the start of the serial number never matches, nor an empty one.
    EXPECT_EQ(SyncAfterClock(link, instrument.serial.substr(0, 7)), -1);
    EXPECT_EQ(SyncAfterClock(link, ""), -1);
}

TEST_F(clock_Sync, ALabelThatNeverMatchesGivesUpAfterTwentyRepetitions) {
    ASSERT_TRUE(link.FindInstrument());
    EXPECT_EQ(SyncAfterClock(link, "99999999"), -1);
    EXPECT_EQ(queries(), 1 + kMaxSyncRepetitions);
}

TEST_F(clock_Sync, ASilentInstrumentEndsTheWaitAtOnce) {
    ASSERT_TRUE(link.FindInstrument());
    link.setTimeoutMs(10);
    instrument.silentFrom = 2;
    ASSERT_TRUE(SendClock(link));
    // The first "*?NS" reads nothing, which closes the link and ends the wait.
    EXPECT_EQ(SyncAfterClock(link, instrument.serial), -1);
    EXPECT_EQ(queries(), 1);
    EXPECT_FALSE(link.IsOpen());
}

TEST_F(clock_Sync, MenuCommandSetsTheClockUnderTheHourglass) {
    const std::optional<std::string> set = Puestaenhora1Click(link, feedback, instrument.serial);
    EXPECT_TRUE(feedback.messages.empty());
    EXPECT_EQ(feedback.busyChanges, (std::vector<bool>{true, false}));
    ASSERT_TRUE(set);  // the confirmation names what the instrument holds
    EXPECT_EQ(*set, instrument.clock());
    const auto commands = instrument.commands();
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_TRUE(commands[0].starts_with("*SK"));
}

TEST_F(clock_Sync, MenuCommandReportsAStreamNeverFoundAgain) {
    EXPECT_FALSE(Puestaenhora1Click(link, feedback, "00000000"));
    EXPECT_EQ(feedback.messages, std::vector<int>{7});
    EXPECT_EQ(feedback.busyChanges, (std::vector<bool>{true, false}));
    EXPECT_EQ(queries(), 1 + kMaxSyncRepetitions);
}

TEST_F(clock_Sync, MenuCommandWithoutInstrumentSendsNothing) {
    bus.clearInterfaces();
    Puestaenhora1Click(link, feedback, instrument.serial);
    EXPECT_EQ(feedback.messages, std::vector<int>{7});
    EXPECT_TRUE(feedback.busyChanges.empty());
    EXPECT_TRUE(instrument.received.empty());
}

}  // namespace
}  // namespace zv318
