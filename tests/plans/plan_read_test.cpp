// Reading the instrument's plans into the list and the ".temp" copies.

#include "plan_fixture.h"

namespace zv318::testing {
namespace {

TEST(plansChannelReply, BecomesTheTailOfAChannelLine) {
    RecordingFeedback fb;
    EXPECT_EQ(ChannelReplyToLine("#CH1&50000000&3000&128", 1, fb), ",CH1,50000000,3000,ON");
    EXPECT_EQ(ChannelReplyToLine("xA B&1020000000&14999900&127", 1, fb),
              ",A B,1020000000,14999900,OFF");
    EXPECT_EQ(ChannelReplyToLine("#L&2000000&12000000&0", 2, fb), ",L,2000000,12000000,OFF");
    EXPECT_TRUE(fb.messages.empty());
    for (const char* bad : {"#A&49999999&3000&0", "#A&50000000&2999&0", "#A&50000000&3000",
                            "#A&x&3000&0", "#A50000000", "", "#A&50000000&3000&x"})
        EXPECT_EQ(ChannelReplyToLine(bad, 1, fb), "error") << bad;
    EXPECT_EQ(ChannelReplyToLine("#L&2000000&12000001&0", 2, fb), "error");
    EXPECT_EQ(fb.messages, std::vector<int>(8, 13));
    fb.messages.clear();
    EXPECT_EQ(ChannelReplyToLine("#CH1&50000000&3000&128", 3, fb), "error");
    EXPECT_EQ(fb.messages, std::vector<int>{25});
}

using plansReading = PlanScenario;

TEST_F(plansReading, AnEmptyInstrumentEnablesTheListAndWritesNothing) {
    EXPECT_EQ(procedures.ReceiveButClick(), PlanOutcome::Done);
    EXPECT_EQ(commands(), (std::vector<std::string>{"*EC01", "*?PN", "*EC02", "*?PN"}));
    EXPECT_TRUE(list.enabled);
    EXPECT_TRUE(list.entries.empty());
    EXPECT_TRUE(fs::is_empty(folder.path));
    EXPECT_EQ(progress().showCount, 0);
}

TEST_F(plansReading, ListsRadioThenPlcAndWritesEachCopy) {
    instrument.plans(sim::kRadio) = {Radio("A", 2), Radio("B", 1)};
    instrument.plans(sim::kPlc) = {Plc("C", 1)};
    list.add("stale (RADIO)");
    EXPECT_EQ(procedures.ReceiveButClick(), PlanOutcome::Done);
    EXPECT_EQ(commands(), (std::vector<std::string>{
                              "*EC01", "*?PN",      "*?CS00", "*?CS01",    "*?PN",      "*?CU0",
                              "*?CU1", "*?CS00",    "*?CU0",  "*?CF00000", "*?CF00001", "*?CS01",
                              "*?CU1", "*?CF01000", "*EC02",  "*?PN",      "*?CS00",    "*?PN",
                              "*?CU0", "*?CS00",    "*?CU0",  "*?CF00000"}));
    EXPECT_EQ(list.entries, (std::vector<std::string>{"A (RADIO)", "B (RADIO)", "C (PLC)"}));
    EXPECT_EQ(ReadBytes(copy("A (RADIO)")),
              "1\r\nA\r\n2\r\n0,C0,100000000,200000,OFF\r\n1,C1,101000000,200000,ON");
    EXPECT_EQ(ReadBytes(copy("B (RADIO)")), "1\r\nB\r\n1\r\n0,C0,100000000,200000,OFF");
    EXPECT_EQ(ReadBytes(copy("C (PLC)")), "2\r\nC\r\n1\r\n0,C0,3000000,2000000,OFF");
    EXPECT_FALSE(fs::exists(fs::current_path() / "A (RADIO).temp"));  // never the working folder
    EXPECT_EQ(progress().caption, "E45");
    EXPECT_EQ(progress().statuses, (std::vector<std::string>{"E53", "E55", "E53", "E55"}));
    EXPECT_EQ(progress().note, "E29");
    EXPECT_EQ(progress().noteWidth, 295);
    EXPECT_EQ(progress().pos, progress().max);
    EXPECT_TRUE(progress().okEnabled);
    EXPECT_TRUE(feedback.messages.empty());

    // A second reading overwrites the copies and rebuilds the list.
    instrument.plans(sim::kRadio)[0].channels.resize(1);
    EXPECT_EQ(procedures.ReceiveButClick(), PlanOutcome::Done);
    EXPECT_EQ(ReadBytes(copy("A (RADIO)")), "1\r\nA\r\n1\r\n0,C0,100000000,200000,OFF");
    EXPECT_EQ(list.entries.size(), 3u);
}

TEST_F(plansReading, AChannelOutOfRangeStopsItsTypeOnly) {
    instrument.plans(sim::kRadio) = {Radio("A", 3), Radio("B", 1)};
    instrument.plans(sim::kRadio)[0].channels[2].frequency = 49'999'999;
    instrument.plans(sim::kPlc) = {Plc("C", 2)};
    WriteBytes(copy("B (RADIO)"), "old");
    EXPECT_EQ(procedures.ReceiveButClick(), PlanOutcome::Failed);
    EXPECT_EQ(feedback.messages, std::vector<int>{13});
    EXPECT_EQ(feedback.statusAtMessage, std::vector<std::string>{"E55"});
    EXPECT_EQ(ReadBytes(copy("A (RADIO)")),
              "1\r\nA\r\n3\r\n0,C0,100000000,200000,OFF\r\n1,C1,101000000,200000,ON");
    // B is listed but not read: its copy from an earlier reading goes, and neither A's copy,
    // cut short, nor B's counts as the reading's.
    EXPECT_FALSE(fs::exists(copy("B (RADIO)")));
    EXPECT_EQ(list.entries, (std::vector<std::string>{"A (RADIO)", "B (RADIO)", "C (PLC)"}));
    EXPECT_EQ(procedures.LatestReadingCopy(0), std::nullopt);
    EXPECT_EQ(procedures.LatestReadingCopy(1), std::nullopt);
    EXPECT_EQ(procedures.LatestReadingCopy(2), copy("C (PLC)"));
    EXPECT_EQ(ReadBytes(copy("C (PLC)")).substr(0, 8), "2\r\nC\r\n2\r");
    EXPECT_TRUE(progress().okEnabled);
    EXPECT_EQ(procedures.SaveChannelPlans(3), -30);
    EXPECT_EQ(feedback.messages.back(), 25);
}

TEST_F(plansReading, NamesThatCannotBeFileNamesGetEscapedCopiesAndFailedCopiesAreSkipped) {
    instrument.plans(sim::kRadio) = {Radio("A/B", 1), Radio("C:%", 1), Radio("D", 1)};
    instrument.plans(sim::kPlc) = {Plc("E", 1)};
    EXPECT_EQ(procedures.ReceiveButClick(), PlanOutcome::Done);
    EXPECT_EQ(ReadBytes(folder.path / "A%2FB (RADIO).temp").substr(0, 9), "1\r\nA/B\r\n1");
    EXPECT_EQ(procedures.LatestReadingCopy(1), folder.path / "C%3A% (RADIO).temp");
    EXPECT_TRUE(fs::exists(copy("D (RADIO)")));
    EXPECT_TRUE(fs::exists(copy("E (PLC)")));
    EXPECT_EQ(list.entries.size(), 4u);

    // The first copy that cannot be written ends the reading failed, naming the file.
    PlanProcedures nowhere(link, feedback, language, list, folder.path / "absent");
    feedback.messages.clear();
    EXPECT_EQ(nowhere.ReceiveButClick(), PlanOutcome::Failed);
    EXPECT_EQ(feedback.messages, std::vector<int>{18});
    const std::string first = (folder.path / "absent" / "A%2FB (RADIO).temp").string();
    EXPECT_EQ(feedback.notices, std::vector<std::string>{first});
    EXPECT_EQ(progress().note, first);
    EXPECT_EQ(list.entries.size(), 3u);
    EXPECT_EQ(nowhere.LatestReadingCopy(0), std::nullopt);
}

TEST_F(plansReading, AnInstrumentThatVanishesEndsTheReading) {
    instrument.plans(sim::kRadio) = {Radio("A", 20)};
    instrument.plans(sim::kPlc) = {Plc("C", 2)};
    const int total = static_cast<int>(ReadingCommands(instrument).size());
    for (int after : {1, 4, 12, total - 1}) {
        feedback.messages.clear();
        const int shows = progress().showCount;
        progress().okEnabled = false;
        bus.setPlugged(true);
        bus.unplugAfter(after);
        EXPECT_EQ(procedures.ReceiveButClick(), PlanOutcome::NotConnected) << after;
        EXPECT_EQ(feedback.messages, std::vector<int>{7}) << after;
        EXPECT_TRUE(progress().okEnabled || progress().showCount == shows) << after;
    }
    bus.setPlugged(true);
    instrument.silentFrom = static_cast<int>(instrument.received.size()) + 8;
    feedback.messages.clear();
    EXPECT_EQ(procedures.ReceiveButClick(), PlanOutcome::NotConnected);
    EXPECT_EQ(feedback.messages, std::vector<int>{7});
    bus.setPlugged(false);
    EXPECT_EQ(procedures.ReceiveButClick(), PlanOutcome::NotConnected);
}

}  // namespace
}  // namespace zv318::testing
