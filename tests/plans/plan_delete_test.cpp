// Deleting plans: both types erased, the kept plans rewritten from their copies.

#include <algorithm>
#include <functional>
#include <sstream>

#include "plan_fixture.h"

namespace zv318::testing {
namespace {

std::string Dump(const std::vector<sim::Plan>& plans) {
    std::ostringstream out;
    for (const sim::Plan& p : plans) {
        out << p.name << '[';
        for (const sim::Channel& c : p.channels)
            out << c.index << ',' << c.name << ',' << c.frequency << ',' << c.bandwidth << ','
                << c.flags << ';';
        out << ']';
    }
    return out.str();
}

class plansDeleting : public PlanScenario {
protected:
    void SetUp() override {
        instrument.plans(sim::kRadio) = {Radio("A", 2), Radio("B", 1), Radio("C", 3)};
        instrument.plans(sim::kPlc) = {Plc("D", 2), Plc("E", 1)};
    }
    PlanOutcome remove(const std::vector<std::string>& entries) {
        ReadFirst();
        for (const std::string& e : entries) {
            auto at = std::find(list.entries.begin(), list.entries.end(), e);
            EXPECT_NE(at, list.entries.end()) << e;
            list.select(static_cast<int>(at - list.entries.begin()));
        }
        return procedures.DelSelButClick();
    }
    // The commands that rewrite `plan` as plan `number` of its type.
    static std::vector<std::string> Rewrite(int type, int number, const sim::Plan& plan) {
        std::vector<std::string> c{type == 1 ? "*EC01" : "*EC02",
                                   "*CS0" + std::to_string(number) + plan.name};
        char buf[64];
        std::snprintf(buf, sizeof buf, "*CW0%d%03zu", number, plan.channels.size());
        c.push_back(buf);
        for (const sim::Channel& ch : plan.channels) {
            std::snprintf(buf, sizeof buf, "*CF0%d%03d&%s&%d&%d&%d", number, ch.index,
                          ch.name.c_str(), ch.frequency, ch.bandwidth, ch.flags);
            c.push_back(buf);
        }
        return c;
    }
    const std::vector<std::string> kCounts{"*EC01", "*?PN", "*EC02", "*?PN"};
    const std::vector<std::string> kErase{"*EC01", "*PM00", "*EP", "*EC02", "*PM00", "*EP"};
};

TEST_F(plansDeleting, TheOnlyRadioPlanGoesWhileThePlcPlansStay) {
    instrument.plans(sim::kRadio) = {Radio("A", 2)};
    const std::vector<sim::Plan> plc = instrument.plans(sim::kPlc);
    EXPECT_EQ(remove({"A (RADIO)"}), PlanOutcome::Done);
    std::vector<std::string> expected = Concat(kCounts, kErase);
    expected = Concat(expected, {"*EC01", "*PN00", "*EC02", "*PN02"});
    expected = Concat(Concat(expected, Rewrite(2, 0, plc[0])), Rewrite(2, 1, plc[1]));
    expected.push_back("*PM01");
    EXPECT_EQ(commands(), Concat(expected, ReadingCommands(instrument)));
    EXPECT_TRUE(instrument.plans(sim::kRadio).empty());
    EXPECT_EQ(Dump(instrument.plans(sim::kPlc)), Dump(plc));
    EXPECT_EQ(list.entries, (std::vector<std::string>{"D (PLC)", "E (PLC)"}));
    EXPECT_TRUE(feedback.messages.empty());
    EXPECT_EQ(feedback.questions.at(0).text * 100 + feedback.questions.at(0).caption, 3837);
}

TEST_F(plansDeleting, TenKeptRadioPlansAreCountedAsTen) {
    instrument.plans(sim::kRadio).clear();
    for (int i = 0; i < 10; ++i)
        instrument.plans(sim::kRadio).push_back(Radio("R" + std::to_string(i), 2));
    const std::string radio = Dump(instrument.plans(sim::kRadio));
    EXPECT_EQ(remove({"E (PLC)"}), PlanOutcome::Done);
    const std::vector<std::string> c = commands();
    EXPECT_EQ(std::vector<std::string>(c.begin() + 10, c.begin() + 14),
              (std::vector<std::string>{"*EC01", "*PN10", "*EC02", "*PN01"}));
    EXPECT_EQ(Dump(instrument.plans(sim::kRadio)), radio);
    EXPECT_EQ(Dump(instrument.plans(sim::kPlc)), Dump({Plc("D", 2)}));
}

TEST_F(plansDeleting, KeptPlansMoveUpWithinTheirType) {
    const std::vector<sim::Plan> radio = instrument.plans(sim::kRadio),
                                 plc = instrument.plans(sim::kPlc);
    EXPECT_EQ(remove({"B (RADIO)"}), PlanOutcome::Done);
    std::vector<std::string> names;
    for (const std::string& c : commands())
        if (c.starts_with("*CS0")) names.push_back(c);
    EXPECT_EQ(names, (std::vector<std::string>{"*CS00A", "*CS01C", "*CS00D", "*CS01E"}));
    EXPECT_EQ(Dump(instrument.plans(sim::kRadio)), Dump({radio[0], radio[2]}));
    EXPECT_EQ(Dump(instrument.plans(sim::kPlc)), Dump(plc));
}

TEST_F(plansDeleting, EverythingSelectedErasesBothTypes) {
    EXPECT_EQ(remove({"A (RADIO)", "B (RADIO)", "C (RADIO)", "D (PLC)", "E (PLC)"}),
              PlanOutcome::Done);
    EXPECT_EQ(commands(),
              Concat(Concat(Concat(kCounts, kErase), {"*EC01", "*PN00", "*EC02", "*PN00", "*PM01"}),
                     {"*EC01", "*?PN", "*EC02", "*?PN"}));
    EXPECT_EQ(progress().max, 0);
    EXPECT_TRUE(list.entries.empty());
}

TEST_F(plansDeleting, NoOrNothingSelectedChangesNothing) {
    feedback.answers = {false};
    EXPECT_EQ(remove({"A (RADIO)"}), PlanOutcome::Cancelled);
    EXPECT_TRUE(commands().empty());
    EXPECT_EQ(remove({}), PlanOutcome::Failed);
    EXPECT_EQ(feedback.messages, std::vector<int>{17});
    EXPECT_EQ(commands(), kCounts);
}

TEST_F(plansDeleting, AMissingOrRefusedCopyStopsBeforeAnythingIsErased) {
    const std::string before =
        Dump(instrument.plans(sim::kRadio)) + Dump(instrument.plans(sim::kPlc));
    struct Case {
        std::string copy;  // new content of C's copy; empty: the copy is gone
        int message;
        std::string note;
    };
    const Case cases[] = {
        {"", 13, "C (RADIO).temp"},
        {PlanText(1, "C", {"0,X,60000000,3000,ON", "1,Y,60000000,3000,ON"}), 14, "Error 05.C.1"},
        {PlanText(1, "C", {"0,X,60000000,3000,ON"}, 2), 14, "Error 02.C.1"},
        {PlanText(7, "C", {"0,X,60000000,3000,ON"}), 25, "C (RADIO).temp"},
    };
    for (const Case& c : cases) {
        feedback.messages.clear();
        ReadFirst();
        if (c.copy.empty())
            fs::remove(copy("C (RADIO)"));
        else
            WriteBytes(copy("C (RADIO)"), c.copy);
        list.select(1);
        EXPECT_EQ(procedures.DelSelButClick(), PlanOutcome::Failed) << c.note;
        EXPECT_EQ(feedback.messages, std::vector<int>{c.message}) << c.note;
        EXPECT_EQ(feedback.statusAtMessage, std::vector<std::string>{"E40"}) << c.note;
        EXPECT_EQ(commands(), kCounts) << c.note;
        EXPECT_EQ(Dump(instrument.plans(sim::kRadio)) + Dump(instrument.plans(sim::kPlc)), before);
        EXPECT_EQ(list.entries.size(), 5u);
        EXPECT_EQ(progress().status + " " + progress().note, "E40 " + c.note);
        EXPECT_TRUE(progress().okEnabled);
    }
}

TEST_F(plansDeleting, AListThatNoLongerMatchesIsReadAgain) {
    ReadFirst();
    instrument.plans(sim::kPlc).push_back(Plc("F", 1));
    list.select(0);
    EXPECT_EQ(procedures.DelSelButClick(), PlanOutcome::Failed);
    EXPECT_EQ(feedback.messages, std::vector<int>{25});
    EXPECT_EQ(commands(), Concat(kCounts, ReadingCommands(instrument)));
    EXPECT_EQ(list.entries.back(), "F (PLC)");
    EXPECT_EQ(instrument.plans(sim::kRadio).size() + instrument.plans(sim::kPlc).size(), 6u);
}

TEST_F(plansDeleting, AnInstrumentThatVanishesMidRewriteEndsWithMessage7) {
    ReadFirst();
    list.select(0);
    bus.unplugAfter(16);
    EXPECT_EQ(procedures.DelSelButClick(), PlanOutcome::NotConnected);
    EXPECT_EQ(feedback.messages, std::vector<int>{7});
    EXPECT_EQ(progress().status, "E67");
    EXPECT_TRUE(progress().okEnabled);
}

// A deletion rewrites the kept plans only from copies the latest reading wrote whole; any
// other copy may hold older plans than the instrument's, so it refuses, erases nothing and
// reads the plans again.
TEST_F(plansDeleting, ACopyTheLatestReadingDidNotWriteIsNeverRewritten) {
    struct Case {
        const char* what;
        std::function<void()> after;  // run after a first complete reading
    };
    const Case cases[] = {
        {"a channel out of range stops RADIO before B and C",
         [&] {
             instrument.plans(sim::kRadio)[1].channels[0].name = "NEW";
             instrument.plans(sim::kRadio)[0].channels[1].frequency = 49'999'999;
             EXPECT_EQ(procedures.ReceiveButClick(), PlanOutcome::Failed);
         }},
        {"the instrument vanishes while the PLC plans are read",
         [&] {
             instrument.plans(sim::kPlc)[0].channels[0].name = "NEW";
             // The cable comes out at the first channel query of the PLC plans.
             const std::vector<std::string> reading = ReadingCommands(instrument);
             const auto plc = std::find(reading.begin(), reading.end(), "*EC02");
             const auto channel = std::find(plc, reading.end(), Cf(0, 0));
             bus.unplugAfter(static_cast<int>(channel - reading.begin()));
             EXPECT_EQ(procedures.ReceiveButClick(), PlanOutcome::NotConnected);
             bus.setPlugged(true);
             EXPECT_EQ(list.entries.size(), 5u);
         }},
        {"an entry renamed in the list (no type)", [&] { list.entries[3] = "D"; }},
    };
    for (const Case& c : cases) {
        instrument.plans(sim::kRadio) = {Radio("A", 2), Radio("B", 1), Radio("C", 3)};
        instrument.plans(sim::kPlc) = {Plc("D", 2), Plc("E", 1)};
        ReadFirst();
        c.after();
        const std::string before =
            Dump(instrument.plans(sim::kRadio)) + Dump(instrument.plans(sim::kPlc));
        instrument.clearReceived();
        feedback.messages.clear();
        list.select(0);
        EXPECT_EQ(procedures.DelSelButClick(), PlanOutcome::Failed) << c.what;
        EXPECT_EQ(feedback.messages.at(0), 25) << c.what;
        const std::vector<std::string> sent = commands();
        EXPECT_EQ(std::vector<std::string>(sent.begin(), sent.begin() + 4), kCounts) << c.what;
        for (const char* write : {"*PM00", "*EP", "*PN", "*CS0", "*CF0"})
            EXPECT_TRUE(std::none_of(sent.begin(), sent.end(),
                                     [&](const std::string& s) { return s.starts_with(write); }))
                << c.what << ' ' << write;
        EXPECT_EQ(Dump(instrument.plans(sim::kRadio)) + Dump(instrument.plans(sim::kPlc)), before)
            << c.what;
        EXPECT_EQ(list.entries.size(), 5u) << c.what;  // read again
    }
}

TEST_F(plansDeleting, KeptPlansThatCannotAllBeRewrittenEraseNothing) {
    // Eleven kept plans of one type: ten RADIO plans and a PLC entry whose copy holds a RADIO
    // plan.
    instrument.plans(sim::kRadio).clear();
    for (int i = 0; i < 10; ++i)
        instrument.plans(sim::kRadio).push_back(Radio("R" + std::to_string(i), 1));
    ReadFirst();
    WriteBytes(copy("E (PLC)"), PlanText(1, "E", {"0,X,60000000,3000,ON"}));
    const std::string before =
        Dump(instrument.plans(sim::kRadio)) + Dump(instrument.plans(sim::kPlc));
    list.select(10);
    EXPECT_EQ(procedures.DelSelButClick(), PlanOutcome::Failed);
    EXPECT_EQ(feedback.messages, std::vector<int>{25});
    EXPECT_EQ(commands(), kCounts);
    EXPECT_EQ(Dump(instrument.plans(sim::kRadio)) + Dump(instrument.plans(sim::kPlc)), before);
    EXPECT_EQ(feedback.statusAtMessage, std::vector<std::string>{"E40"});
}

// Each step that writes is checked: a link lost at any of them ends the deletion there with
// message 7, even when the next step's search would find the instrument again.
TEST_F(plansDeleting, ALinkLostAtAnyWritingStepEndsWithMessage7) {
    // The commands after the four count queries: both erasures, the counts, the first plan.
    const std::vector<std::string> steps{"*EC01", "*PM00",  "*EP",     "*EC02", "*PM00",
                                         "*EP",   "*EC01",  "*PN02",   "*EC02", "*PN02",
                                         "*EC01", "*CS00A", "*CW00002"};
    for (std::size_t k = 0; k < steps.size(); ++k) {
        instrument.plans(sim::kRadio) = {Radio("A", 2), Radio("B", 1), Radio("C", 3)};
        instrument.plans(sim::kPlc) = {Plc("D", 2), Plc("E", 1)};
        ReadFirst();
        list.select(2);
        instrument.silentFrom = static_cast<int>(kCounts.size() + k + 1);
        instrument.silentFor = 1;
        EXPECT_EQ(procedures.DelSelButClick(), PlanOutcome::NotConnected) << steps[k];
        EXPECT_EQ(feedback.messages, std::vector<int>{7}) << steps[k];
        EXPECT_EQ(commands().back(), steps[k]);  // nothing after the lost step
        EXPECT_EQ(feedback.statusAtMessage, std::vector<std::string>{"E67"}) << steps[k];
        instrument.silentFrom.reset();
        feedback.statusAtMessage.clear();
    }
}

}  // namespace
}  // namespace zv318::testing
