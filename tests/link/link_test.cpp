// Finding the instrument among the interfaces, and what the link does when the instrument is
// silent or goes away.

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

// ---- FindInstrument -------------------------------------------------------------------

class linkFindInstrument : public ::testing::Test {
protected:
    sim::Instrument instrument;
    sim::SimBus bus{instrument};
    Link link{bus};
};

TEST_F(linkFindInstrument, OnlyTheExactProductStringMatchesAndTheFirstOpenableWins) {
    sim::Instrument trailingBlank, lowerCase, second;
    bus.clearInterfaces();
    bus.addInterface("ZV-318 ", true, &trailingBlank);
    bus.addInterface("zv-318", true, &lowerCase);
    bus.addInterface("ZV-318", false);  // held by another program
    bus.addInterface("Keyboard", true);
    bus.addInterface("ZV-318", true, &instrument);
    bus.addInterface("ZV-318", true, &second);

    ASSERT_TRUE(link.FindInstrument());
    EXPECT_EQ(link.ProductName(), "ZV-318");
    EXPECT_FALSE(link.PermissionDenied());
    EXPECT_EQ(bus.openCount(), 1);  // the non-matching handles were closed again

    EXPECT_EQ(GetSerial(link), instrument.serial);
    EXPECT_EQ(instrument.received.size(), 1u);
    EXPECT_TRUE(trailingBlank.received.empty());
    EXPECT_TRUE(lowerCase.received.empty());
    EXPECT_TRUE(second.received.empty());
}

TEST_F(linkFindInstrument, AbsentInstrument) {
    bus.clearInterfaces();
    EXPECT_FALSE(link.FindInstrument());
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(link.ProductName(), "");

    bus.addInterface("ZV-318 ", true, &instrument);
    bus.addInterface("ZV-318", false);
    EXPECT_FALSE(link.FindInstrument());
    EXPECT_EQ(bus.openCount(), 0);

    // SendCommand searches first and writes nothing when the search fails.
    EXPECT_EQ(link.SendCommand("*EC01"), 0);
    EXPECT_TRUE(instrument.received.empty());
}

TEST_F(linkFindInstrument, RepeatedSearchesKeepOneHandle) {
    ASSERT_TRUE(link.FindInstrument());
    ASSERT_TRUE(link.FindInstrument());
    EXPECT_EQ(bus.openCount(), 1);
    // SendCommand searches afresh every time, and still leaves one handle.
    EXPECT_EQ(link.SendCommand("*EC01"), 1);
    EXPECT_EQ(link.SendCommand("*EC02"), 1);
    EXPECT_EQ(bus.openCount(), 1);
    EXPECT_EQ(instrument.selectedType(), sim::kPlc);
    link.Close();
    EXPECT_EQ(bus.openCount(), 0);
}

TEST_F(linkFindInstrument, FailedSearchAfterSuccessClosesTheHandleAndKeepsTheName) {
    ASSERT_TRUE(link.FindInstrument());
    bus.setPlugged(false);
    EXPECT_FALSE(link.FindInstrument());
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(bus.openCount(), 0);
    EXPECT_EQ(link.ProductName(), "ZV-318");
    EXPECT_EQ(link.SendQuery("*?NS"), "");
    EXPECT_TRUE(instrument.received.empty());

    bus.setPlugged(true);
    EXPECT_TRUE(link.FindInstrument());
    EXPECT_EQ(GetSerial(link), instrument.serial);
}

TEST_F(linkFindInstrument, PermissionFlagOnlyForTheInstrumentsOwnName) {
    bus.clearInterfaces();
    bus.addInterface("Mouse", false, nullptr, true);
    EXPECT_FALSE(link.FindInstrument());
    EXPECT_FALSE(link.PermissionDenied());

    bus.addInterface("ZV-318", false, nullptr, false);  // cannot open, for another reason
    EXPECT_FALSE(link.FindInstrument());
    EXPECT_FALSE(link.PermissionDenied());

    bus.addInterface("ZV-318", false, &instrument, true);
    EXPECT_FALSE(link.FindInstrument());
    EXPECT_TRUE(link.PermissionDenied());

    // Once the rule is in place the next search finds it and the flag goes.
    bus.clearInterfaces();
    bus.addInterface("ZV-318", true, &instrument);
    EXPECT_TRUE(link.FindInstrument());
    EXPECT_FALSE(link.PermissionDenied());
}

TEST_F(linkFindInstrument, FreshHandleSeesOnlyRepliesToItsOwnWrites) {
    ASSERT_TRUE(link.FindInstrument());
    // A report whose reply is never read leaves that reply in this handle's stream...
    ASSERT_TRUE(link.WriteReport(*BuildTextReport(kCodeQuery, "*?PN")));
    // ...and a new search opens a handle that does not see it.
    ASSERT_TRUE(link.FindInstrument());
    EXPECT_EQ(GetSerial(link), instrument.serial);
}

// ---- time-outs and failures -----------------------------------------------------------

class linkTimeout : public ::testing::Test {
protected:
    void SetUp() override {
        link.setFeedback(&feedback);
        ASSERT_TRUE(link.FindInstrument());
    }
    sim::Instrument instrument;
    sim::SimBus bus{instrument};
    testing::RecordingFeedback feedback;
    Link link{bus};
};

TEST_F(linkTimeout, SilentInstrumentGivesStatusZeroAndEmptyTexts) {
    instrument.silentFrom = 1;
    const std::vector<std::uint8_t> record = {'*', 'S', 'X', 'S', '1', 0};

    EXPECT_EQ(link.SendCommand("*EC01"), 0);
    ASSERT_TRUE(link.FindInstrument());
    EXPECT_EQ(link.SendQuery("*?NS"), "");
    ASSERT_TRUE(link.FindInstrument());
    EXPECT_EQ(link.SendBlock(record), 0);
    ASSERT_TRUE(link.FindInstrument());
    EXPECT_EQ(link.SendErase(2), 0);
    EXPECT_EQ(feedback.messages, std::vector<int>{7});
    ASSERT_TRUE(link.FindInstrument());
    link.ErasePlans();
    EXPECT_FALSE(link.IsOpen());

    auto again = [&] { return link.FindInstrument(); };
    ASSERT_TRUE(again());
    EXPECT_EQ(GetIOVersion(link), "");
    ASSERT_TRUE(again());
    EXPECT_EQ(GetZVVersion(link), "");
    ASSERT_TRUE(again());
    EXPECT_EQ(GetSerial(link), "");
    ASSERT_TRUE(again());
    EXPECT_EQ(GetChannelPlanQuantity(link), 0);
    ASSERT_TRUE(again());
    EXPECT_EQ(GetChannelPlanName(link, 0), "");
    ASSERT_TRUE(again());
    EXPECT_EQ(GetChannelQuantity(link, 0), 0);
    ASSERT_TRUE(again());
    EXPECT_EQ(GetChannel(link, 0, 0), "");
    EXPECT_EQ(instrument.received.size(), 12u);  // each operation wrote its one report
}

TEST_F(linkTimeout, AfterASilenceTheHandleIsClosedUntilTheNextSearch) {
    instrument.silentFrom = 3;
    EXPECT_EQ(GetSerial(link), instrument.serial);
    EXPECT_EQ(GetChannelPlanQuantity(link), 3);
    EXPECT_EQ(GetChannelPlanName(link, 0), "");
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(bus.openCount(), 0);

    // Nothing more is written until the device is searched again.
    EXPECT_EQ(GetChannelPlanName(link, 1), "");
    EXPECT_EQ(link.SendQuery("*?NS"), "");
    EXPECT_EQ(instrument.received.size(), 3u);
}

TEST_F(linkTimeout, UnplugAfterSomeExchanges) {
    bus.unplugAfter(2);
    EXPECT_EQ(GetSerial(link), instrument.serial);
    EXPECT_EQ(GetChannelPlanQuantity(link), 3);
    EXPECT_EQ(GetChannelPlanName(link, 0), "");
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(instrument.received.size(), 2u);

    EXPECT_FALSE(bus.plugged());
    EXPECT_FALSE(link.FindInstrument());
    EXPECT_EQ(link.SendCommand("*EC01"), 0);

    bus.setPlugged(true);
    ASSERT_TRUE(link.FindInstrument());
    EXPECT_EQ(GetChannelPlanName(link, 0), "TV1");
}

TEST_F(linkTimeout, HandleOpenedBeforeAnUnplugStaysDead) {
    sim::SimBus other(instrument);
    OpenResult opened = other.open(other.enumerate().at(0).path);
    ASSERT_TRUE(opened.transport);
    other.setPlugged(false);
    other.setPlugged(true);
    EXPECT_FALSE(opened.transport->write(*BuildTextReport(kCodeQuery, "*?NS")));
    EXPECT_FALSE(opened.transport->read(0));
}

TEST(linkTimeoutLength, EraseAndRestartWaitTenTimesLonger) {
    testing::ScriptedBus bus;
    Link link(bus);
    link.setTimeoutMs(120);
    for (int i = 0; i < 8; ++i) bus.answer(testing::StatusReply(1));

    ASSERT_TRUE(link.FindInstrument());
    (void)link.SendQuery("*?NS");
    (void)link.SendErase(4);
    link.ErasePlans();
    (void)link.SendCommand("*RS2");
    (void)link.SendCommand("*RS0");
    (void)link.SendCommand("*EC01");
    (void)link.SendQuery("*FE2");
    EXPECT_EQ(bus.script->readTimeouts, (std::vector<int>{120, 1200, 1200, 1200, 1200, 120, 1200}));
}

}  // namespace
}  // namespace zv318
