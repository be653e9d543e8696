// The logger index against the simulator, and the logger table's rows and marking rules.
#include "loggers/logger_fixture.h"

namespace zv318::testing {
namespace {

TEST(loggersIndex, PresenceCharactersMarkSixSlotsEachWithoutBitsSixAndSeven) {
    struct Case {
        std::string flags;  // the nine flag characters
        std::vector<int> slots;
    };
    const Case cases[] = {
        {std::string(9, '\x40'), {}},
        {std::string(9, '\xC0'), {}},                       // bits 6 and 7 mark nothing
        {std::string(8, '\x40') + "\x7F", {48, 49}},        // ninth: bits 0 and 1 only
        {"\x40\x41\x40\x40\x40\x40\x40\x60\x40", {6, 47}},  // second bit 0, eighth bit 5
        {"\x7F\x40", {0, 1, 2, 3, 4, 5}},                   // a short reply
    };
    for (const Case& c : cases) {
        LoggerPresence presence = PresenceFromReply("?LT" + c.flags);
        std::vector<int> slots;
        for (int s = 0; s < kLoggerSlots; ++s)
            if (presence[static_cast<std::size_t>(s)]) slots.push_back(s);
        EXPECT_EQ(slots, c.slots) << HexBytes(
            std::span(reinterpret_cast<const std::uint8_t*>(c.flags.data()), c.flags.size()));
    }
}

TEST(loggersIndex, HeaderTailSplitsAtAmpersands) {
    const std::string head = "?HL07 10:20:30 01/02/2013 ";
    LoggerHeader full = HeaderFromReply(head + "A1&P2&12&U&-50\rjunk");
    EXPECT_EQ(full.slot, 7);
    EXPECT_EQ(full.time, "10:20:30");
    EXPECT_EQ(full.date, "01/02/2013");
    EXPECT_EQ(full.name, "A1");
    EXPECT_EQ(full.planName, "P2");
    EXPECT_EQ(full.recordCount, 12);
    EXPECT_EQ(full.levelUnit, "U");
    EXPECT_EQ(full.threshold, -50);

    LoggerHeader bare = HeaderFromReply(head + "-35xyz");
    EXPECT_EQ(bare.name, "");
    EXPECT_EQ(bare.planName, "");
    EXPECT_EQ(bare.levelUnit, "");
    EXPECT_EQ(bare.recordCount, kUnreadableRecordCount);  // no count at all: no number
    EXPECT_EQ(bare.threshold, -35);

    // Names longer than any fixed field are held whole.
    const std::string longName(40, 'N');
    EXPECT_EQ(HeaderFromReply(head + longName + "&P&1&dBm&0").name, longName);
}

TEST_F(loggersScenario, ReceptionAsksOneHeaderPerUsedSlotInOrder) {
    instrument.logger(sim::kRadio, 47) = SimLogger("LAST", 2);
    instrument.logger(sim::kRadio, 6) = SimLogger("SIX", 3, "dBuV", 40);
    instrument.logger(sim::kPlc, 9) = SimLogger("OTHER", 1);
    ASSERT_EQ(procedures.ReceiveLoggers(kRadioLogger), LoggerOutcome::Done);
    EXPECT_EQ(commands(), (std::vector<std::string>{"*EC01", "*?LT", "*?HL06", "*?HL47"}));
    EXPECT_EQ(procedures.CurrentLoggerType(), kRadioLogger);
    const LoggerIndexEntry& six = procedures.entry(6);
    EXPECT_EQ(six.present, 1);
    EXPECT_EQ(six.number, 6);
    EXPECT_EQ(six.name, "SIX");
    EXPECT_EQ(six.planName, "TV1");
    EXPECT_EQ(six.recordCount, 3);
    EXPECT_EQ(six.threshold, 40);
    EXPECT_EQ(six.levelUnit, "dBuV");
    EXPECT_EQ(six.time, "10:20:30");
    EXPECT_EQ(six.date, "01-02-2013");
    const LoggerIndexEntry& empty = procedures.entry(7);
    EXPECT_EQ(empty.present, 0);
    EXPECT_EQ(empty.number, 7);
    EXPECT_EQ(empty.name, "--------");
    EXPECT_EQ(empty.planName, "----");
    EXPECT_EQ(empty.levelUnit, "----");
    EXPECT_EQ(procedures.table().ListedLoggerCount(), 2);
    EXPECT_TRUE(feedback.messages.empty());
}

TEST_F(loggersScenario, HeaderRepliesNamingOtherSlotsFillThoseOrNothing) {
    ReceiveRadio({{3, SimLogger("KEEP", 1)}, {5, SimLogger("ASKED", 1)}});
    // Slot 5's reply names slot 2 (read before it, as empty); slot 3's names slot 99.
    instrument.textFor["*?HL05"] = "?HL02 11:11:11 02/02/2014 MOVED&P&4&dBm&-60";
    instrument.textFor["*?HL03"] = "?HL99 11:11:11 02/02/2014 FAR&P&4&dBm&-60";
    ASSERT_EQ(procedures.ReceiveLoggers(kRadioLogger), LoggerOutcome::Done);
    EXPECT_EQ(procedures.entry(2).name, "MOVED");
    EXPECT_EQ(procedures.entry(2).recordCount, 4);
    EXPECT_EQ(procedures.table().LoggerRowMap(1), 2);
    EXPECT_EQ(procedures.entry(5).name, "ASKED");  // kept from the earlier reception
    EXPECT_EQ(procedures.entry(3).name, "KEEP");
    for (int s = 0; s < kLoggerSlots; ++s) EXPECT_NE(procedures.entry(s).name, "FAR");
}

TEST_F(loggersScenario, TableListsPresentSlotsAndMapsRowsToThem) {
    ReceiveRadio({{41, SimLogger("L41", 1)}, {3, SimLogger("L3", 1)}, {10, SimLogger("L10", 1)}});
    const LoggerTable& t = procedures.table();
    const char* names[] = {"L3", "L10", "L41"};
    for (int r = 1; r <= 3; ++r) {
        EXPECT_EQ(t.cell(r, 0), std::to_string(r));
        EXPECT_EQ(t.cell(r, 1), names[r - 1]);
        EXPECT_EQ(t.cell(r, 2), "10:20:30");
        EXPECT_EQ(t.cell(r, 3), "01-02-2013");
        EXPECT_EQ(t.cell(r, 4), "NO");
    }
    EXPECT_EQ(t.LoggerRowMap(1), 3);
    EXPECT_EQ(t.LoggerRowMap(2), 10);
    EXPECT_EQ(t.LoggerRowMap(3), 41);
    EXPECT_EQ(t.LoggerRowMap(4), -1);
    EXPECT_EQ(t.cell(4, 0), "");
    EXPECT_TRUE(t.listingCommandsEnabled());
}

TEST_F(loggersScenario, FailedOrEmptyReceptionsLeaveNothingToLoad) {
    ReceiveRadio({{3, SimLogger("L3", 2)}});
    LoggerTable& t = procedures.table();
    t.LoggerIndexMouseUp(1, 1, true);

    // Unplugged: message 7, the index kept, the table forgotten, the commands taken away.
    bus.setPlugged(false);
    EXPECT_EQ(procedures.ReceiveLoggers(kPlcLogger), LoggerOutcome::NotConnected);
    EXPECT_EQ(feedback.messages, std::vector<int>{7});
    EXPECT_EQ(procedures.CurrentLoggerType(), kRadioLogger);
    EXPECT_EQ(procedures.entry(3).name, "L3");
    EXPECT_EQ(t.ListedLoggerCount(), 0);
    EXPECT_EQ(t.LoggerRowMap(1), -1);
    EXPECT_FALSE(t.listingCommandsEnabled());
    EXPECT_EQ(procedures.LoggerIndexDblClick(), 0);

    // No PLC logger: message 29 and still nothing listed.
    bus.setPlugged(true);
    feedback.messages.clear();
    EXPECT_EQ(procedures.ReceiveLoggers(kPlcLogger), LoggerOutcome::Done);
    EXPECT_EQ(feedback.messages, std::vector<int>{29});
    EXPECT_EQ(procedures.CurrentLoggerType(), kPlcLogger);
    EXPECT_FALSE(t.listingCommandsEnabled());
    EXPECT_EQ(procedures.entry(3).present, 0);
}

TEST_F(loggersScenario, MarksFollowLeftReleasesOnColumnFourAndTheHeading) {
    ReceiveRadio({{1, SimLogger("A", 1)}, {2, SimLogger("B", 1)}, {3, SimLogger("C", 1)}});
    LoggerTable& t = procedures.table();
    auto marks = [&t] { return t.cell(1, 4) + t.cell(2, 4) + t.cell(3, 4); };
    struct Step {
        int column, row;
        bool left;
        std::string after;
    };
    const Step steps[] = {
        {4, 0, true, "YESYESYES"},  // heading, none YES: all YES
        {4, 0, true, "NONONO"},     // again: all NO
        {4, 2, false, "NONONO"},    // right button: nothing
        {3, 2, true, "NONONO"},     // another column: nothing
        {4, 2, true, "NOYESNO"},    // toggles the row
        {4, 0, true, "NONONO"},     // one YES: all NO
        {4, 7, true, "NONONO"},     // an empty row stays empty
    };
    for (const Step& s : steps) {
        t.LoggerIndexMouseUp(s.column, s.row, s.left);
        EXPECT_EQ(marks(), s.after) << s.column << "," << s.row;
        EXPECT_EQ(t.clickedColumn(), s.column);
        EXPECT_EQ(t.clickedRow(), s.row);
    }
    EXPECT_EQ(t.cell(7, 4), "");
    EXPECT_TRUE(t.LoggerIndexSelectCell(1, 1));
    EXPECT_FALSE(t.LoggerIndexSelectCell(0, 1));
    EXPECT_FALSE(t.LoggerIndexSelectCell(1, 0));
    EXPECT_FALSE(t.LoggerIndexSelectCell(1, 4));
}

TEST_F(loggersScenario, DoubleClickOpensOnlyListedRowsOutsideTheMarkColumn) {
    ReceiveRadio({{1, SimLogger("A", 2)}, {2, SimLogger("B", 1)}});
    LoggerTable& t = procedures.table();
    EXPECT_EQ(procedures.LoggerIndexDblClick(), 0);  // no release yet: row 0
    struct Case {
        int column, row, result;
    };
    const Case cases[] = {
        {1, 0, 0}, {4, 1, 0}, {1, 3, 0}, {2, 2, kLoggerLoaded}, {0, 1, kLoggerLoaded}};
    for (const Case& c : cases) {
        instrument.clearReceived();
        t.LoggerIndexMouseUp(c.column, c.row, true);
        EXPECT_EQ(procedures.LoggerIndexDblClick(), c.result) << c.column << "," << c.row;
        EXPECT_EQ(commands().empty(), c.result == 0);
    }
    EXPECT_EQ(procedures.logger().name, "A");
    EXPECT_TRUE(feedback.messages.empty());
}

}  // namespace
}  // namespace zv318::testing
