// The simulated instrument: its state after the commands the procedures send, the replies
// the procedures decode, its loader, and the pairing of reports and replies.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "link/link.h"
#include "link/queries.h"
#include "sim/bus.h"
#include "sim/instrument.h"
#include "support/recording_feedback.h"

namespace zv318 {
namespace {

using sim::kPlc;
using sim::kRadio;

class simInstrument : public ::testing::Test {
protected:
    void SetUp() override {
        link.setFeedback(&feedback);
        ASSERT_TRUE(link.FindInstrument());
    }
    // A code-25 exchange straight on the instrument; the reply report.
    Report query(const std::string& command) {
        std::optional<Report> reply = instrument.handle(*BuildTextReport(kCodeQuery, command));
        EXPECT_TRUE(reply) << command;
        return reply.value_or(Report{});
    }

    sim::Instrument instrument;
    sim::SimBus bus{instrument};
    testing::RecordingFeedback feedback;
    Link link{bus};
};

// The groups below share the fixture.
class simPlans : public simInstrument {};
class simLoggers : public simInstrument {};
class simFirmware : public simInstrument {};
class simLoader : public simInstrument {};
class simStream : public simInstrument {};

// ---- the seeded instrument ------------------------------------------------------------

void ExpectPlansWithinLimits(const std::vector<sim::Plan>& plans, int type) {
    const bool radio = type == kRadio;
    const std::int32_t fLow = radio ? 50'000'000 : 2'000'000;
    const std::int32_t fHigh = radio ? 1'020'000'000 : 50'000'000;
    const std::int32_t bLow = radio ? 3'000 : 1'000'000;
    const std::int32_t bHigh = radio ? 14'999'900 : 12'000'000;
    for (const sim::Plan& plan : plans) {
        EXPECT_FALSE(plan.name.empty());
        EXPECT_LE(plan.name.size(), 5u) << plan.name;
        EXPECT_FALSE(plan.channels.empty()) << plan.name;
        std::int32_t previousHz = 0;
        int previousIndex = -1;
        for (const sim::Channel& c : plan.channels) {
            EXPECT_LE(c.name.size(), 4u) << plan.name << " " << c.name;
            EXPECT_EQ(c.name.find_first_of(",& "), std::string::npos) << c.name;
            EXPECT_GE(c.frequency, fLow) << c.name;
            EXPECT_LE(c.frequency, fHigh) << c.name;
            EXPECT_GE(c.bandwidth, bLow) << c.name;
            EXPECT_LE(c.bandwidth, bHigh) << c.name;
            EXPECT_GT(c.frequency, previousHz) << plan.name << " " << c.name;
            EXPECT_GT(c.index, previousIndex) << plan.name << " " << c.name;
            EXPECT_TRUE(c.flags == 0 || c.flags == 128);
            previousHz = c.frequency;
            previousIndex = c.index;
        }
    }
}

TEST_F(simInstrument, SeedIsARealisticInstrument) {
    ASSERT_GE(instrument.plans(kRadio).size(), 2u);
    ASSERT_GE(instrument.plans(kPlc).size(), 1u);
    ExpectPlansWithinLimits(instrument.plans(kRadio), kRadio);
    ExpectPlansWithinLimits(instrument.plans(kPlc), kPlc);

    int loggers = 0, withoutRecords = 0;
    std::set<int> types;
    for (int type : {kRadio, kPlc}) {
        for (int slot = 0; slot < sim::kLoggerSlots; ++slot) {
            const std::optional<sim::Logger>& lg = instrument.logger(type, slot);
            if (!lg) continue;
            ++loggers;
            types.insert(type);
            withoutRecords += lg->records.empty();
            EXPECT_LE(lg->name.size(), 8u);
            ASSERT_EQ(lg->time.size(), 8u);
            EXPECT_EQ(lg->time[2], ':');
            EXPECT_EQ(lg->time[5], ':');
            ASSERT_EQ(lg->date.size(), 10u);  // as the clock is set: dd-mm-yyyy
            EXPECT_EQ(lg->date[2], '-');
            EXPECT_EQ(lg->date[5], '-');
            EXPECT_TRUE(lg->levelUnit == "dBm" || lg->levelUnit == "dBuV") << lg->levelUnit;
            for (const sim::LoggerRecord& r : lg->records) EXPECT_LE(r.channel.size(), 3u);
        }
    }
    EXPECT_GE(loggers, 4);
    EXPECT_EQ(types.size(), 2u);
    EXPECT_GE(withoutRecords, 1);
    EXPECT_TRUE(instrument.logger(kRadio, 49) || instrument.logger(kPlc, 49));

    sim::Instrument empty = sim::Instrument::Empty();
    EXPECT_TRUE(empty.plans(kRadio).empty());
    EXPECT_TRUE(empty.plans(kPlc).empty());
    EXPECT_EQ(QueryValue(*empty.handle(*BuildTextReport(kCodeQuery, "*?LT")), 8),
              std::string(9, '\x40'));
}

// ---- writing plans ----------------------------------------------------------------------

TEST_F(simPlans, PlanWritingLeavesTheSentPlan) {
    ASSERT_EQ(link.SendCommand("*EC01"), 1);
    const std::vector<sim::Plan> plcBefore = instrument.plans(kPlc);
    EXPECT_EQ(link.SendQuery("*PM01"), "OK\r");
    EXPECT_TRUE(instrument.planWriteMode());
    EXPECT_EQ(link.SendQuery("*PN04"), "OK\r");
    ASSERT_EQ(instrument.plans(kRadio).size(), 4u);
    EXPECT_EQ(instrument.plans(kRadio)[3].name, "");
    EXPECT_EQ(link.SendQuery("*CS03NEW"), "OK\r");
    EXPECT_EQ(link.SendQuery("*CW03003"), "OK\r");
    EXPECT_EQ(link.SendQuery("*CF03000&CH1&50000000&3000&0"), "OK\r");
    EXPECT_EQ(link.SendQuery("*CF03002&CH2&50500000&3000&128"), "OK\r");
    EXPECT_EQ(link.SendQuery("*CF03150&LAST&1020000000&14999900&128"), "OK\r");

    const sim::Plan& plan = instrument.plans(kRadio)[3];
    EXPECT_EQ(plan.name, "NEW");
    EXPECT_EQ(plan.announcedChannels, 3);
    ASSERT_EQ(plan.channels.size(), 3u);
    EXPECT_EQ(plan.channels[1].index, 2);
    EXPECT_EQ(plan.channels[1].name, "CH2");
    EXPECT_EQ(plan.channels[1].frequency, 50'500'000);
    EXPECT_EQ(plan.channels[1].bandwidth, 3'000);
    EXPECT_EQ(plan.channels[1].flags, 128);
    EXPECT_EQ(plan.channels[2].index, 150);
    EXPECT_EQ(plan.channels[2].frequency, 1'020'000'000);

    // What the instrument tells afterwards is what was sent.
    EXPECT_EQ(GetChannelPlanQuantity(link), 4);
    EXPECT_EQ(GetChannelPlanName(link, 3), "NEW");
    EXPECT_EQ(GetChannelQuantity(link, 3), 3);
    EXPECT_EQ(GetChannel(link, 3, 0).substr(1), "CH1&50000000&3000&0");

    // Rewriting the channel count starts the list afresh; the PLC plans never changed.
    EXPECT_EQ(link.SendQuery("*CW03001"), "OK\r");
    EXPECT_TRUE(instrument.plans(kRadio)[3].channels.empty());
    EXPECT_EQ(instrument.plans(kPlc).size(), plcBefore.size());
    EXPECT_EQ(instrument.plans(kPlc)[0].name, plcBefore[0].name);
}

TEST_F(simPlans, PlanCountShrinksAndRefusesImpossibleCommands) {
    ASSERT_EQ(link.SendCommand("*EC01"), 1);
    EXPECT_EQ(link.SendQuery("*PN01"), "OK\r");
    ASSERT_EQ(instrument.plans(kRadio).size(), 1u);
    EXPECT_EQ(instrument.plans(kRadio)[0].name, "TV1");

    // Refused: more than ten plans, plans that do not exist, malformed channels.
    EXPECT_EQ(link.SendQuery("*PN11"), "");
    EXPECT_EQ(link.SendQuery("*CS05X"), "");
    EXPECT_EQ(link.SendQuery("*CW01002"), "");
    EXPECT_EQ(link.SendQuery("*CF01000&A&50000000&3000&0"), "");
    EXPECT_EQ(link.SendQuery("*CF00000&A&50000000&3000"), "");
    EXPECT_EQ(link.SendQuery("*CF00xyz&A&50000000&3000&0"), "");
    ASSERT_EQ(instrument.plans(kRadio).size(), 1u);
    EXPECT_EQ(instrument.plans(kRadio)[0].channels.size(), 49u);

    EXPECT_EQ(link.SendQuery("*PN10"), "OK\r");
    EXPECT_EQ(instrument.plans(kRadio).size(), 10u);
    EXPECT_EQ(link.SendQuery("*CS09LAST"), "OK\r");
    EXPECT_EQ(GetChannelPlanName(link, 9), "LAST");
}

TEST_F(simPlans, ErasePlansClearsOnlyTheSelectedType) {
    const std::size_t radio = instrument.plans(kRadio).size();
    ASSERT_EQ(link.SendCommand("*EC02"), 1);
    EXPECT_EQ(link.SendQuery("*PM00"), "OK\r");
    EXPECT_FALSE(instrument.planWriteMode());
    ASSERT_TRUE(link.FindInstrument());
    link.ErasePlans();
    EXPECT_TRUE(link.IsOpen());  // answered: the pairing holds
    EXPECT_TRUE(instrument.plans(kPlc).empty());
    EXPECT_EQ(instrument.plans(kRadio).size(), radio);
    EXPECT_EQ(GetChannelPlanQuantity(link), 0);

    // The type selection also arrives as a query (the raw command window sends it so).
    EXPECT_EQ(link.SendQuery("*EC01"), "OK\r");
    EXPECT_EQ(instrument.selectedType(), kRadio);
    EXPECT_EQ(GetChannelPlanQuantity(link), static_cast<int>(radio));
}

// ---- loggers ----------------------------------------------------------------------------

// The slots the "*?LT" reply marks, decoded as the logger index does.
std::set<int> SlotsIn(const Report& reply) {
    std::set<int> slots;
    for (int i = 0; i < 9; ++i)
        for (int k = 0; k < 6; ++k)
            if (reply[8 + i] & (1 << k) && 6 * i + k < sim::kLoggerSlots) slots.insert(6 * i + k);
    return slots;
}

std::set<int> Used(const sim::Instrument& instrument, int type) {
    std::set<int> slots;
    for (int s = 0; s < sim::kLoggerSlots; ++s)
        if (instrument.logger(type, s)) slots.insert(s);
    return slots;
}

TEST_F(simLoggers, PresenceFlagsNameTheUsedSlotsOfTheSelectedType) {
    ASSERT_EQ(link.SendCommand("*EC01"), 1);
    Report radio = query("*?LT");
    EXPECT_EQ(SlotsIn(radio), Used(instrument, kRadio));
    EXPECT_TRUE(SlotsIn(radio).contains(49));
    for (int i = 8; i <= 16; ++i) {
        EXPECT_NE(radio[i], 0);
        EXPECT_NE(radio[i], 0x0D);
    }
    EXPECT_EQ(radio[17], 0x0D);

    ASSERT_EQ(link.SendCommand("*EC02"), 1);
    EXPECT_EQ(SlotsIn(query("*?LT")), Used(instrument, kPlc));

    // Slots 6 and 47 alone: bit 0 of the second character, bit 5 of the eighth.
    instrument = sim::Instrument::Empty();
    instrument.logger(kRadio, 6) = sim::Logger{};
    instrument.logger(kRadio, 47) = sim::Logger{};
    Report two = query("*?LT");
    EXPECT_EQ(two[8 + 1], 0x41);
    EXPECT_EQ(two[8 + 7], 0x60);
    EXPECT_EQ(SlotsIn(two), (std::set<int>{6, 47}));
}

TEST_F(simLoggers, LoggerHeaderAndRecordsDecode) {
    ASSERT_EQ(link.SendCommand("*EC01"), 1);
    const sim::Logger& lg = *instrument.logger(kRadio, 49);
    ASSERT_GE(lg.records.size(), 3u);

    std::string header = QueryValue(query("*?HL49"), 5);
    ASSERT_GE(header.size(), 27u);
    EXPECT_EQ(header.substr(3, 2), "49");
    EXPECT_EQ(header.substr(6, 8), lg.time);
    EXPECT_EQ(header.substr(15, 10), lg.date);
    EXPECT_EQ(header.substr(26), lg.name + "&" + lg.planName + "&" +
                                     std::to_string(lg.records.size()) + "&" + lg.levelUnit + "&" +
                                     std::to_string(lg.threshold));

    // Record k of slot s: the text from byte 6 is a leading field, then the record.
    const sim::LoggerRecord& r = lg.records[2];
    std::string record = QueryValue(query("*?HD49002"), kRecordTextOffset);
    EXPECT_EQ(record.substr(record.find('&')), "&" + r.channel + "&" + std::to_string(r.frequency) +
                                                   "&" + std::to_string(r.bandwidth) + "&" +
                                                   r.power);
    EXPECT_EQ(query("*?HD49002")[5], '?');

    // Past the last record, an empty slot, the other type's slot: no value.
    EXPECT_EQ(
        QueryValue(query("*?HD49" + std::string("00") + std::to_string(lg.records.size())), 8), "");
    EXPECT_EQ(QueryValue(query("*?HL05"), 8), "");
    EXPECT_EQ(QueryValue(query("*?HL01"), 8), "");  // a PLC slot
    ASSERT_EQ(link.SendCommand("*EC02"), 1);
    EXPECT_EQ(QueryValue(query("*?HL01"), 8).substr(0, 2), "01");
}

// ---- instrument firmware ---------------------------------------------------------------

std::vector<std::uint8_t> Record(char type, std::vector<std::uint8_t> bytes) {
    std::vector<std::uint8_t> r = {'*',
                                   'S',
                                   'X',
                                   'S',
                                   static_cast<std::uint8_t>(type),
                                   static_cast<std::uint8_t>(bytes.size())};
    for (std::uint8_t b : bytes) r.push_back(b);
    return r;
}

TEST_F(simFirmware, FirmwareUpdateStoresTheRecords) {
    instrument.firmwareRecords.push_back({1, 2, 3});  // left from an earlier image
    ASSERT_EQ(link.SendCommand("*RS2"), 1);
    EXPECT_TRUE(instrument.bootMode());
    EXPECT_EQ(GetZVVersion(link), "BOOT V1.0");
    for (int d = 2; d <= 7; ++d) EXPECT_EQ(link.SendErase(d), 1);
    EXPECT_EQ(instrument.erasedSectors, (std::set<int>{2, 3, 4, 5, 6, 7}));
    EXPECT_TRUE(instrument.firmwareRecords.empty());

    // Bytes that look like a carriage return or a zero travel as values.
    const auto first = Record('0', {0x00, 0x00, 0x0D, 0x48});
    const auto second = Record('3', {0x00, 0x00, 0xFC});
    EXPECT_EQ(link.SendBlock(first), 1);
    EXPECT_EQ(link.SendBlock(second), 1);
    EXPECT_EQ(instrument.firmwareRecords, (std::vector<std::vector<std::uint8_t>>{first, second}));
    EXPECT_EQ(instrument.commands().back(), "*SXS3");

    ASSERT_EQ(link.SendCommand("*RS0"), 1);
    EXPECT_FALSE(instrument.bootMode());
    EXPECT_EQ(GetZVVersion(link), "V1.20");
    EXPECT_TRUE(feedback.messages.empty());
}

TEST_F(simFirmware, RefusedRecordsAndCommands) {
    instrument.refuseRecord[2] = 2;
    instrument.statusFor["*FE4"] = 2;
    instrument.statusFor["*RS0"] = 0;
    ASSERT_EQ(link.SendCommand("*RS2"), 1);
    EXPECT_EQ(link.SendErase(3), 1);
    EXPECT_EQ(link.SendErase(4), 2);
    EXPECT_EQ(feedback.messages, std::vector<int>{8});
    EXPECT_EQ(instrument.erasedSectors, std::set<int>{3});  // a refused erase erases nothing

    const auto a = Record('1', {0x10}), b = Record('1', {0x20});
    EXPECT_EQ(link.SendBlock(a), 1);
    EXPECT_EQ(link.SendBlock(b), 2);
    EXPECT_EQ(link.SendBlock(b), 2);
    EXPECT_EQ(link.SendBlock(b), 1);
    EXPECT_EQ(link.SendBlock(Record('1', {0x30})), 1);
    EXPECT_EQ(instrument.firmwareRecords.size(), 3u);

    EXPECT_EQ(link.SendCommand("*RS0"), 0);
    EXPECT_TRUE(instrument.bootMode());

    // A new update counts its records from 1 again.
    ASSERT_EQ(link.SendCommand("*RS2"), 1);
    EXPECT_EQ(link.SendErase(2), 1);
    EXPECT_EQ(link.SendBlock(a), 1);
    EXPECT_EQ(link.SendBlock(b), 2);
}

// ---- the IO Interface loader -----------------------------------------------------------

Report LoaderReport(std::uint8_t command, std::uint32_t address = 0, std::uint8_t param = 0,
                    std::uint8_t fill = 0) {
    Report r{};
    r[1] = command;
    for (int i = 0; i < 4; ++i) r[2 + i] = static_cast<std::uint8_t>(address >> (8 * i));
    r[7] = param;
    if (command == 0x05 || command == 0x06)
        for (int i = 0; i < 32; ++i) r[7 + i] = static_cast<std::uint8_t>(fill + i);
    return r;
}

TEST_F(simLoader, LoaderReportsGetNoReplyAndFillFlash) {
    sim::SimBus direct(instrument);
    OpenResult opened = direct.open(direct.enumerate().at(0).path);
    ASSERT_TRUE(opened.transport);
    Transport& t = *opened.transport;
    auto send = [&](const Report& r) {
        ASSERT_TRUE(t.write(r));
        EXPECT_FALSE(t.read(0)) << "the loader answered report " << int(r[1]);
    };

    send(LoaderReport(0x05, 0x1040, 0, 0x80));  // before loader mode: ignored
    EXPECT_TRUE(instrument.flash.empty());

    send(LoaderReport(0x08, 0, 1));
    EXPECT_TRUE(instrument.loaderMode());
    for (int page = 4; page <= 126; ++page) send(LoaderReport(0x04, 0, page));
    EXPECT_EQ(instrument.erasedPages.size(), 123u);
    EXPECT_EQ(*instrument.erasedPages.begin(), 4);
    EXPECT_EQ(*instrument.erasedPages.rbegin(), 126);

    send(LoaderReport(0x05, 0x1040, 0, 0x40));
    send(LoaderReport(0x06, 0x1040, 0, 0x60));
    send(LoaderReport(0x05, 0x1000, 0, 0x00));
    send(LoaderReport(0x06, 0x1000, 0, 0x20));
    ASSERT_EQ(instrument.flash.size(), 2u);
    std::vector<std::uint8_t> expected(64);
    for (int i = 0; i < 64; ++i) expected[i] = static_cast<std::uint8_t>(0x40 + i);
    EXPECT_EQ(instrument.flash.at(0x1040), expected);
    for (int i = 0; i < 64; ++i) expected[i] = static_cast<std::uint8_t>(i);
    EXPECT_EQ(instrument.flash.at(0x1000), expected);

    // Erasing page 4 (0x1000-0x13FF) takes both blocks away.
    send(LoaderReport(0x04, 0, 4));
    EXPECT_TRUE(instrument.flash.empty());

    send(LoaderReport(0x08, 0, 0));
    EXPECT_FALSE(instrument.loaderMode());
    EXPECT_EQ(instrument.commands().front(), "<LOADER 05>");
    EXPECT_EQ(instrument.commands().back(), "<LOADER 08>");

    // The text commands are still answered one for one afterwards.
    EXPECT_EQ(GetSerial(link), instrument.serial);
}

// ---- pairing of reports and replies ---------------------------------------------------

TEST_F(simStream, ClockReplyStaysInTheStream) {
    Report clock{};
    clock[1] = 3;
    clock[2] = kCodeCommand;
    const std::string text = "*SK09:05:07/03-03-2013";
    std::copy(text.begin(), text.end(), clock.begin() + 3);  // then 0, no carriage return
    // On a handle of its own: the clock report is answered like every other, and the reply
    // waits in the stream until somebody reads it.
    OpenResult opened = bus.open(bus.enumerate().front().path);
    ASSERT_TRUE(opened.transport && opened.transport->write(clock));
    EXPECT_EQ(instrument.clock(), "09:05:07/03-03-2013");
    EXPECT_EQ(instrument.commands().back(), text);
    const std::optional<Report> reply = opened.transport->read(0);
    ASSERT_TRUE(reply);
    EXPECT_EQ((*reply)[kStatusByte], 1);
    EXPECT_FALSE(opened.transport->read(0));

    // A malformed clock is refused and changes nothing.
    EXPECT_EQ(link.SendCommand("*SK9:05:07/03-03-2013"), 2);
    EXPECT_EQ(instrument.clock(), "09:05:07/03-03-2013");
}

TEST_F(simStream, UnknownReportsStillGetOneReply) {
    EXPECT_EQ(link.SendCommand("*ZZ"), 0);
    EXPECT_EQ(link.SendQuery("*?ZZ"), "");
    Report odd{};
    odd[1] = 3;
    odd[2] = 21;
    std::optional<Report> reply = link.Exchange(odd);
    ASSERT_TRUE(reply);
    EXPECT_EQ((*reply)[3], 0);
    EXPECT_EQ(link.SendQuery("*?NS"), "?NS" + instrument.serial + "\r");
    EXPECT_EQ(GetIOVersion(link), instrument.ioVersion);
    EXPECT_EQ(instrument.commands(),
              (std::vector<std::string>{"*ZZ", "*?ZZ", "<CODE 21>", "*?NS", "<IOV>"}));
}

TEST_F(simStream, SilenceCountsEveryReceivedReport) {
    instrument.silentFrom = 4;
    ASSERT_TRUE(link.WriteReport(LoaderReport(0x08, 0, 0)));  // report 1, never answered
    EXPECT_EQ(GetSerial(link), instrument.serial);            // 2
    EXPECT_EQ(GetChannelPlanQuantity(link), 3);               // 3
    EXPECT_EQ(GetChannelPlanName(link, 0), "");               // 4: silent
    EXPECT_EQ(instrument.received.size(), 4u);
}

}  // namespace
}  // namespace zv318
