// What goes out on the wire, byte for byte, and what the link makes of the replies.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/link.h"
#include "link/queries.h"
#include "link/scripted_bus.h"
#include "sim/bus.h"
#include "sim/instrument.h"
#include "support/recording_feedback.h"

namespace zv318 {
namespace {

using testing::ReplyWith;
using testing::ScriptedBus;
using testing::StatusReply;

std::vector<std::uint8_t> Head(const Report& r, std::size_t n) {
    return {r.begin(), r.begin() + n};
}

// Link over the simulator, already connected; each test reads what the instrument received.
class linkReportBytes : public ::testing::Test {
protected:
    void SetUp() override {
        link.setFeedback(&feedback);
        ASSERT_TRUE(link.FindInstrument());
        instrument.clearReceived();
    }
    const Report& last() const { return instrument.received.back(); }

    sim::Instrument instrument;
    sim::SimBus bus{instrument};
    testing::RecordingFeedback feedback;
    Link link{bus};
};

TEST_F(linkReportBytes, QueryCommandEraseAndVersionReports) {
    (void)link.SendQuery("*?PN");
    EXPECT_EQ(HexBytes(Head(last(), 9)), "00 03 19 2A 3F 50 4E 0D 00");

    EXPECT_EQ(link.SendErase(3), 1);
    EXPECT_EQ(HexBytes(Head(last(), 9)), "00 03 18 2A 46 45 33 0D 00");

    EXPECT_EQ(link.SendCommand("*EC02"), 1);
    EXPECT_EQ(HexBytes(Head(last(), 10)), "00 03 16 2A 45 43 30 32 0D 00");

    (void)GetIOVersion(link);
    EXPECT_EQ(HexBytes(Head(last(), 3)), "00 03 14");

    link.ErasePlans();
    EXPECT_EQ(HexBytes(Head(last(), 7)), "00 03 16 2A 45 50 0D");
}

TEST_F(linkReportBytes, FirmwareRecordCarriesItsBytesAsValues) {
    ASSERT_EQ(link.SendCommand("*RS2"), 1);
    // Line S1030000FC: "*SXS", type '1', count 3, the bytes 00 00 FC.
    const std::vector<std::uint8_t> record = {'*', 'S', 'X', 'S', '1', 0x03, 0x00, 0x00, 0xFC};
    EXPECT_EQ(link.SendBlock(record), 1);
    EXPECT_EQ(HexBytes(Head(last(), 14)), "00 03 17 2A 53 58 53 31 03 00 00 FC 0D 00");
    ASSERT_EQ(instrument.firmwareRecords.size(), 1u);
    EXPECT_EQ(instrument.firmwareRecords[0], record);
}

TEST_F(linkReportBytes, TypedQueriesSendTheirCommandTexts) {
    EXPECT_EQ(ChannelPlanNameCommand(3), "*?CS03");
    EXPECT_EQ(ChannelQuantityCommand(3), "*?CU3");
    EXPECT_EQ(ChannelQuantityCommand(12), "*?CU12");
    EXPECT_EQ(ChannelCommand(3, 7), "*?CF03007");
    EXPECT_EQ(ChannelCommand(12, 145), "*?CF12145");

    (void)GetZVVersion(link);
    (void)GetSerial(link);
    (void)GetChannelPlanQuantity(link);
    (void)GetChannelPlanName(link, 3);
    (void)GetChannelQuantity(link, 3);
    (void)GetChannel(link, 5, 42);
    (void)GetChannel(link, 0, 999);
    EXPECT_EQ(instrument.commands(), (std::vector<std::string>{"*?VE", "*?NS", "*?PN", "*?CS03",
                                                               "*?CU3", "*?CF05042", "*?CF00999"}));
    for (const Report& r : instrument.received) EXPECT_EQ(r[2], kCodeQuery);
}

TEST_F(linkReportBytes, OutOfRangeIndicesSendNothing) {
    EXPECT_EQ(GetChannelPlanName(link, 10), "error");
    EXPECT_TRUE(feedback.messages.empty());

    EXPECT_EQ(GetChannel(link, 0, 1000), "error");
    EXPECT_EQ(feedback.messages, std::vector<int>{12});
    EXPECT_EQ(GetChannel(link, 100, 0), "error");
    EXPECT_EQ(GetChannel(link, -1, 0), "error");
    EXPECT_EQ(GetChannel(link, 0, -1), "error");
    EXPECT_EQ(feedback.messages, (std::vector<int>{12, 12, 12, 12}));

    EXPECT_TRUE(instrument.received.empty());
}

TEST_F(linkReportBytes, CommandsBeyondSixtyCharactersAreNotSent) {
    const std::string sixty = "*CS00" + std::string(55, 'A');
    const std::string sixtyOne = sixty + "A";

    EXPECT_EQ(link.SendQuery(sixtyOne), "");
    EXPECT_EQ(link.SendCommand(sixtyOne), 0);
    EXPECT_TRUE(instrument.received.empty());

    (void)link.SendQuery(sixty);
    ASSERT_EQ(instrument.received.size(), 1u);
    EXPECT_EQ(last()[63], 0x0D);
    EXPECT_EQ(last()[64], 0x00);
    EXPECT_EQ(instrument.commands().back(), sixty);
}

// ---- reading replies ------------------------------------------------------------------

class linkReplyText : public ::testing::Test {
protected:
    void SetUp() override {
        link.setFeedback(&feedback);
        ASSERT_TRUE(link.FindInstrument());
    }
    ScriptedBus bus;
    testing::RecordingFeedback feedback;
    Link link{bus};
};

TEST_F(linkReplyText, QueryTextRunsFromByteFiveToTheFirstZeroWithItsCarriageReturn) {
    bus.answer(ReplyWith(5, "ABCDEF\r"));
    EXPECT_EQ(link.SendQuery("*?XX"), "ABCDEF\r");

    // SendQuery does not cut at the carriage return; the typed queries do.
    bus.answer(ReplyWith(5, "?PN3\rJUNK"));
    EXPECT_EQ(link.SendQuery("*?PN"), "?PN3\rJUNK");
    bus.answer(ReplyWith(5, "?PN3\r7"));
    EXPECT_EQ(GetChannelPlanQuantity(link), 3);

    bus.answer(ReplyWith(5, "ABCDEF\r"));
    EXPECT_EQ(GetSerial(link), "DEF");

    // A carriage return before byte 8 leaves nothing.
    bus.answer(ReplyWith(5, "?\rNS12345"));
    EXPECT_EQ(GetSerial(link), "");
}

TEST_F(linkReplyText, ReplyWithoutCarriageReturnEndsAtByte64) {
    Report full{};
    for (std::size_t i = 1; i < kReportSize; ++i) full[i] = static_cast<std::uint8_t>('A' + i % 26);
    bus.answer(full);
    std::string text = link.SendQuery("*?NS");
    EXPECT_EQ(text.size(), 60u);
    EXPECT_EQ(text.front(), static_cast<char>(full[5]));
    EXPECT_EQ(text.back(), static_cast<char>(full[64]));

    bus.answer(full);
    std::string serial = GetSerial(link);
    EXPECT_EQ(serial.size(), 57u);
    EXPECT_EQ(serial.front(), static_cast<char>(full[8]));

    bus.answer(full);
    EXPECT_EQ(GetIOVersion(link).size(), 62u);
}

TEST_F(linkReplyText, EmptyRepliesGiveEmptyTextsAndZero) {
    for (int i = 0; i < 8; ++i) bus.answer(Report{});
    EXPECT_EQ(link.SendQuery("*?NS"), "");
    EXPECT_EQ(GetSerial(link), "");
    EXPECT_EQ(GetZVVersion(link), "");
    EXPECT_EQ(GetChannelPlanQuantity(link), 0);
    EXPECT_EQ(GetChannelPlanName(link, 0), "");
    EXPECT_EQ(GetChannelQuantity(link, 0), 0);
    EXPECT_EQ(GetChannel(link, 0, 0), "");
    EXPECT_EQ(GetIOVersion(link), "");
    EXPECT_TRUE(feedback.messages.empty());
}

TEST_F(linkReplyText, IntegerValuesReadLikeAtol) {
    const std::pair<const char*, int> cases[] = {
        {"?PN  12abc\r", 12}, {"?PNx5\r", 0}, {"?PN-3\r", -3}, {"?PN+7\r", 7}, {"?PN\r", 0}};
    for (auto [reply, expected] : cases) {
        bus.answer(ReplyWith(5, reply));
        EXPECT_EQ(GetChannelPlanQuantity(link), expected) << reply;
    }
    bus.answer(ReplyWith(5, "?CU150\r"));
    EXPECT_EQ(GetChannelQuantity(link, 4), 150);
}

TEST_F(linkReplyText, InstrumentVersionForms) {
    bus.answer(ReplyWith(5, "?VEZV-318V1.20\r"));
    EXPECT_EQ(GetZVVersion(link), "V1.20");
    bus.answer(ReplyWith(5, "?VE BOOT V1.0\r"));
    EXPECT_EQ(GetZVVersion(link), "BOOT V1.0");
    bus.answer(ReplyWith(5, "?VEZV-31\r"));
    EXPECT_EQ(GetZVVersion(link), "ZV-31");
    bus.answer(ReplyWith(5, "?VEBOOT\r"));
    EXPECT_EQ(GetZVVersion(link), "BOOT");
}

TEST_F(linkReplyText, IOVersionStartsAtByteThreeAndKeepsCarriageReturns) {
    bus.answer(ReplyWith(3, "IO\r2.1"));
    EXPECT_EQ(GetIOVersion(link), "IO\r2.1");
}

TEST_F(linkReplyText, StatusBytesAsEachExchangePassesThem) {
    bus.answer(StatusReply(7));
    EXPECT_EQ(link.SendCommand("*EC01"), 7);

    const std::vector<std::uint8_t> record = {'*', 'S', 'X', 'S', '1', 0};
    const std::pair<std::uint8_t, int> block[] = {{1, 1}, {2, 2}, {3, 3}, {4, 0}, {0, 0}};
    for (auto [status, expected] : block) {
        bus.answer(StatusReply(status));
        EXPECT_EQ(link.SendBlock(record), expected) << int(status);
    }

    bus.answer(StatusReply(1));
    EXPECT_EQ(link.SendErase(2), 1);
    EXPECT_TRUE(feedback.messages.empty());
    bus.answer(StatusReply(2));
    EXPECT_EQ(link.SendErase(3), 2);
    EXPECT_EQ(feedback.messages, std::vector<int>{8});
    bus.answer(StatusReply(5));
    EXPECT_EQ(link.SendErase(4), 0);
    EXPECT_EQ(feedback.messages, std::vector<int>{8});
    bus.answer(StatusReply(0));
    EXPECT_EQ(link.SendErase(5), 0);
    EXPECT_EQ(feedback.messages, (std::vector<int>{8, 7}));
}

TEST_F(linkReplyText, RecordWhoseCountRunsPastTheReportIsRefused) {
    std::vector<std::uint8_t> record = {'*', 'S', 'X', 'S', '1', 60};
    record.resize(66, 0x11);
    EXPECT_EQ(link.SendBlock(record), 0);
    record[5] = 20;  // claims 20 bytes, holds 60: sends the 26 it names
    bus.answer(StatusReply(1));
    EXPECT_EQ(link.SendBlock(record), 1);
    ASSERT_EQ(bus.written().size(), 1u);
    EXPECT_EQ(bus.written()[0][3 + 26], 0x0D);
}

}  // namespace
}  // namespace zv318
