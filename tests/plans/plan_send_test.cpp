// Sending a plan file to the instrument: the channel payloads and the whole exchange.

#include <functional>
#include <sstream>

#include "plan_fixture.h"

namespace zv318::testing {
namespace {

TEST(plansPayload, ConvertsTheLinesOfOnePlan) {
    RecordingFeedback fb;
    LineToChannelPayload pay(fb);
    EXPECT_EQ(pay("0,CH1,50000000,3000,OFF", true, 1), "000&CH1&50000000&3000&0");
    EXPECT_EQ(pay("1,X,50000001,3000,ON", false, 1), "001&X&50000001&3000&128");
    for (int i = 2; i < 150; ++i)
        ASSERT_FALSE(IsPayloadError(
            pay(std::to_string(i) + ",Z," + std::to_string(50000000 + i) + ",3000,ON", false, 1)));
    EXPECT_EQ(pay("150,Y,1020000000,14999900,ON", false, 1), "150&Y&1020000000&14999900&128");
    // The first line of the next plan starts afresh.
    EXPECT_EQ(pay("0,L,2000000,12000000,OFF", true, 2), "000&L&2000000&12000000&0");
    EXPECT_TRUE(fb.messages.empty());
}

TEST(plansPayload, RefusesLinesThatBreakTheRules) {
    const std::string ok = "0,A,60000000,3000,ON";
    struct Case {
        std::string before, line;
        int type;
        std::string error;
    };
    const Case cases[] = {
        {"", "151,A,60000000,3000,ON", 1, "error01"},
        {"", "-1,A,60000000,3000,ON", 1, "error01"},
        {ok, "0,B,60000001,3000,ON", 1, "error02"},
        {"", "0,A,49999999,3000,ON", 1, "error03"},
        {"", "0,A,1020000001,3000,ON", 1, "error03"},
        {"", "0,A,1999999,1000000,ON", 2, "error04"},
        {"", "0,A,50000001,1000000,ON", 2, "error04"},
        {ok, "1,B,60000000,3000,ON", 1, "error05"},
        {ok, "1,B,59999999,3000,ON", 1, "error05"},
        {"", "0,A,60000000,2999,ON", 1, "error06"},
        {"", "0,A,60000000,14999901,ON", 1, "error06"},
        {"", "0,A,3000000,999999,ON", 2, "error07"},
        {"", "0,A,3000000,12000001,ON", 2, "error07"},
        {"", "0,A,60000000,3000,On", 1, "error08"},
        {"", "0,A,60000000,3000,ON ", 1, "error08"},
        {"", "", 1, "error03"},
        {"", "", 2, "error04"},
        {"", "0,A&B,60000000,3000,ON", 1, "error09"},
        {"", "0," + std::string(40, 'N') + ",60000000,3000,ON", 1, "error09"},
    };
    for (const Case& c : cases) {
        RecordingFeedback fb;
        LineToChannelPayload pay(fb);
        if (!c.before.empty()) {
            ASSERT_FALSE(IsPayloadError(pay(c.before, true, c.type)));
        }
        EXPECT_EQ(pay(c.line, c.before.empty(), c.type), c.error) << c.line;
        EXPECT_EQ(fb.messages, std::vector<int>{14}) << c.line;
    }
    RecordingFeedback fb;
    LineToChannelPayload pay(fb);
    EXPECT_EQ(pay(ok, true, 3), "error00");
    EXPECT_EQ(fb.messages, std::vector<int>{25});
}

std::string Dump(const sim::Instrument& inst) {
    std::ostringstream out;
    for (int type : {sim::kRadio, sim::kPlc})
        for (const sim::Plan& p : inst.plans(type)) {
            out << type << ':' << p.name << '[';
            for (const sim::Channel& c : p.channels)
                out << c.index << ',' << c.name << ',' << c.frequency << ',' << c.bandwidth << ','
                    << c.flags << ';';
            out << ']';
        }
    return out.str();
}

std::vector<std::string> Lines(int n, int step = 1) {
    std::vector<std::string> v;
    for (int i = 0; i < n; ++i)
        v.push_back(std::to_string(i * step) + ",C" + std::to_string(i) + "," +
                    std::to_string(60'000'000 + 1000 * i) + ",3000," + (i % 2 ? "ON" : "OFF"));
    return v;
}

class plansSending : public PlanScenario {
protected:
    PlanOutcome send(const std::string& bytes) {
        feedback.files = {WriteBytes(folder.path / "plan.c318", bytes).string()};
        instrument.clearReceived();
        feedback.messages.clear();
        feedback.statusAtMessage.clear();
        return procedures.LoadButClick();
    }
};

TEST_F(plansSending, AddsThePlanAndReadsThePlansAgain) {
    instrument.plans(sim::kPlc) = {Plc("P", 1)};
    EXPECT_EQ(send("1\r\nTV1\r\n2\r\n0,CH1,50000000,3000,OFF\r\n1,CH2,50500000,3000,ON"),
              PlanOutcome::Done);
    EXPECT_EQ(commands(),
              Concat({"*EC01", "*?PN", "*PM01", "*PN01", "*CS00TV1", "*CW00002",
                      "*CF00000&CH1&50000000&3000&0", "*CF00001&CH2&50500000&3000&128", "*?PN"},
                     ReadingCommands(instrument)));
    EXPECT_EQ(Dump(instrument),
              "1:TV1[0,CH1,50000000,3000,0;1,CH2,50500000,3000,128;]2:P[0,C0,3000000,2000000,0;]");
    EXPECT_EQ(list.entries, (std::vector<std::string>{"TV1 (RADIO)", "P (PLC)"}));
    EXPECT_EQ(feedback.fileRequests.at(0).kind, FileRequest::LoadPlan);
    EXPECT_EQ(feedback.fileRequests.at(0).startFolder, folder.path.string());
    EXPECT_EQ(progress().statuses.at(1), "E55");
    EXPECT_TRUE(feedback.messages.empty());
}

TEST_F(plansSending, NinePlansBecomeTenAndTenAreTheMost) {
    for (int i = 0; i < 9; ++i)
        instrument.plans(sim::kRadio).push_back(Radio("R" + std::to_string(i), 1));
    EXPECT_EQ(send(PlanText(1, "X", Lines(1))), PlanOutcome::Done);
    std::vector<std::string> c = commands();
    EXPECT_EQ(std::vector<std::string>(c.begin() + 11, c.begin() + 15),
              (std::vector<std::string>{"*PM01", "*PN10", "*CS09X", "*CW09001"}));
    EXPECT_EQ(instrument.plans(sim::kRadio).at(9).name, "X");
    EXPECT_EQ(send(PlanText(1, "Y", Lines(1))), PlanOutcome::Failed);
    EXPECT_EQ(feedback.messages, std::vector<int>{16});
    EXPECT_EQ(commands(), (std::vector<std::string>{"*EC01", "*?PN"}));
}

TEST_F(plansSending, IndicesAndCountsGoOutAsThreeDigits) {
    EXPECT_EQ(send(PlanText(
                  2, "G",
                  {"0,A,3000000,1000000,ON", "1,B,4000000,1000000,ON", "2,C,5000000,1000000,ON"})),
              PlanOutcome::Done);
    const std::vector<std::string> c = commands();
    EXPECT_EQ(std::vector<std::string>(c.begin() + 5, c.begin() + 9),
              (std::vector<std::string>{"*CW00003", "*CF00000&A&3000000&1000000&128",
                                        "*CF00001&B&4000000&1000000&128",
                                        "*CF00002&C&5000000&1000000&128"}));
    // Indices with gaps are no file of ours, and the editor refuses them: never sent either.
    EXPECT_EQ(send(PlanText(1, "I", {"0,A,60000000,3000,ON", "2,B,70000000,3000,ON"})),
              PlanOutcome::Failed);
    EXPECT_EQ(progress().note, "Error 02.1");
    EXPECT_EQ(send(PlanText(1, "I", Lines(2))), PlanOutcome::Done);
    int plan = 1;
    for (int n : {7, 42, 150}) {
        EXPECT_EQ(send(PlanText(1, "N" + std::to_string(n), Lines(n))), PlanOutcome::Done);
        char cw[16];
        std::snprintf(cw, sizeof cw, "*CW0%d%03d", plan, n);
        EXPECT_EQ(commands().at(3 + plan + 2), cw);
        EXPECT_EQ(instrument.plans(sim::kRadio).at(plan++).channels.size(),
                  static_cast<std::size_t>(n));
    }
}

TEST_F(plansSending, ARefusedLineLeavesTheInstrumentUntouched) {
    instrument.plans(sim::kRadio) = {Radio("R", 2)};
    instrument.plans(sim::kPlc) = {Plc("P", 2)};
    const std::string before = Dump(instrument);
    list.add("kept");
    struct Case {
        std::string file, note;
    };
    const Case cases[] = {
        {PlanText(1, "T", {"0,A,60000000,3000,ON", "1,B,61000000,3000,ON", "1,C,62000000,3000,ON"}),
         "Error 02.2"},
        {PlanText(1, "T", {"0,A,60000000,3000,ON", "1,B,60000000,3000,ON"}), "Error 05.1"},
        {PlanText(1, "T", {"0,A,60000000,2999,ON"}), "Error 06.0"},
        {PlanText(2, "T", {"0,A,3000000,1000000,ON", "1,A,4000000,12000001,ON"}), "Error 07.1"},
        {PlanText(1, "T", Lines(2), 3), "Error 02.2"},
        // Announces 2 and holds 3: nothing sent, rather than 2 of the 3.
        {PlanText(1, "T", Lines(3), 2), "Error 02.2"},
        {PlanText(1, "T", {}, 1), "Error 03.0"},
        {PlanText(2, "T", {}, 1), "Error 04.0"},
        {PlanText(1, "T", {"0,A,60000000,3000,On"}), "Error 08.0"},
        // The instrument would stop reading the command at a CR or a NUL in a channel name.
        {PlanText(1, "T", {"0,A\rB,60000000,3000,ON"}), "Error 09.0"},
        {PlanText(1, "T", {"0,A,60000000,3000,ON", std::string("1,A\0B,61000000,3000,ON", 23)}),
         "Error 09.1"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(send(c.file), PlanOutcome::Failed) << c.note;
        EXPECT_EQ(feedback.messages, std::vector<int>{14}) << c.note;
        // The window shows how it ended before the message box opens over it.
        EXPECT_EQ(feedback.statusAtMessage, std::vector<std::string>{"E40"}) << c.note;
        EXPECT_EQ(progress().note, c.note);
        EXPECT_EQ(progress().caption + progress().status, "E25E40");
        EXPECT_TRUE(progress().okEnabled);
        EXPECT_FALSE(progress().barVisible);  // a stopped transfer shows no full bar
        EXPECT_TRUE(commands().empty()) << c.note;
        EXPECT_EQ(Dump(instrument), before);
        EXPECT_EQ(list.entries, std::vector<std::string>{"kept"});
    }
}

// A field holds exactly what the program's own writer puts there, or the file is refused by
// every reader of plan files alike, with the line named, and nothing is sent.
TEST_F(plansSending, AFieldNoWriterOfOursWritesIsRefusedByEveryReader) {
    instrument.plans(sim::kRadio) = {Radio("R", 2)};
    const std::string before = Dump(instrument);
    language.set(kEntryRefusedPlanLine, "line %1");
    const std::string ok = "0,A,60000000,3000,ON";
    const std::pair<std::string, std::string> files[] = {
        {PlanText(1, "T", {"0,A,50000000O,3000,ON"}), "line 4"},  // a letter O for a zero
        {PlanText(1, "T", {"0,A,482000000MHz,3000,ON"}), "line 4"},
        {PlanText(1, "T", {"0,A,60000000,3000x,ON"}), "line 4"},
        {PlanText(1, "T", {"0,A, 60000000,3000,ON"}), "line 4"},
        {PlanText(1, "T", {"0,A,+60000000,3000,ON"}), "line 4"},
        {PlanText(1, "T", {"00,A,60000000,3000,ON"}), "line 4"},
        {PlanText(1, "T", {ok, "1x,B,61000000,3000,ON"}), "line 5"},
        {"1\r\nT\r\n2abc\r\n" + ok, "line 3"},
        {"1x\r\nT\r\n1\r\n" + ok, "line 1"},
        {PlanText(1, "", {ok}), "line 2"},
        {PlanText(1, "   ", {ok}), "line 2"},
        {PlanText(1, "A&B", {ok}), "line 2"},
        {PlanText(1, " T", {ok}), "line 2"},
    };
    for (const auto& [file, line] : files) {
        SCOPED_TRACE(file);
        feedback.notices.clear();
        EXPECT_EQ(send(file), PlanOutcome::Failed);
        EXPECT_EQ(feedback.notices, std::vector<std::string>{line});
        EXPECT_TRUE(commands().empty());
        EXPECT_EQ(Dump(instrument), before);
        PlanGrid grid;
        EXPECT_NE(ReadChannelPlan(file, "f", grid, feedback), kPlanRead);
    }
}

TEST_F(plansSending, ARepeatedNameLeavesThePlanCountAsItWas) {
    instrument.plans(sim::kRadio) = {Radio("A", 1), Radio("TV1", 1)};
    EXPECT_EQ(send(PlanText(1, "TV1", Lines(1))), PlanOutcome::Failed);
    EXPECT_EQ(feedback.messages, std::vector<int>{31});
    EXPECT_EQ(commands(), (std::vector<std::string>{"*EC01", "*?PN", "*?CS00", "*?CS01"}));
    EXPECT_EQ(instrument.plans(sim::kRadio).size(), 2u);
}

TEST_F(plansSending, FilesThatCannotBecomeAPlanSendNothing) {
    EXPECT_EQ(send("3\r\nX\r\n0"), PlanOutcome::Failed);
    EXPECT_EQ(feedback.messages, std::vector<int>{13});
    EXPECT_EQ(send("1\r\nX\r\n-4"), PlanOutcome::Failed);
    EXPECT_EQ(send(PlanText(1, std::string(56, 'N'), Lines(1))), PlanOutcome::Failed);
    EXPECT_EQ(feedback.messages, std::vector<int>{14});
    // 151 channels with indices 0 to 150: more than a plan holds.
    EXPECT_EQ(send(PlanText(1, "X", Lines(151))), PlanOutcome::Failed);
    EXPECT_EQ(feedback.messages, std::vector<int>{14});
    EXPECT_EQ(CheckPlanText(PlanText(1, "X", Lines(151)), language).code, kPlanTooManyLines);
    EXPECT_TRUE(commands().empty());
    EXPECT_EQ(procedures.LoadPlanFile(folder.path / "absent.c318"), PlanOutcome::Failed);
    EXPECT_EQ(feedback.messages, (std::vector<int>{14, 1}));
    feedback.files.clear();
    EXPECT_EQ(procedures.LoadButClick(), PlanOutcome::Cancelled);
    EXPECT_TRUE(commands().empty());
    bus.setPlugged(false);
    feedback.fileRequests.clear();
    EXPECT_EQ(send(PlanText(1, "X", Lines(1))), PlanOutcome::NotConnected);
    EXPECT_EQ(feedback.messages, std::vector<int>{7});
    EXPECT_TRUE(feedback.fileRequests.empty());
}

TEST_F(plansSending, ANameThatCannotBeAFileNameIsRefusedSayingWhichCharacter) {
    language.set(1000, "Name:");
    language.set(1001, "at the end");
    struct Case {
        std::string name, note;
    };
    const Case cases[] = {
        {"A/B", "Name: '/'"},    {"A\\B", "Name: '\\'"},
        {"A:B", "Name: ':'"},    {"A*", "Name: '*'"},
        {"?", "Name: '?'"},      {"\"Q\"", "Name: '\"'"},
        {"<A>", "Name: '<'"},    {"A|B", "Name: '|'"},
        {"A\x07", "Name: 0x07"}, {"AB.", "Name: '.' at the end"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(send(PlanText(1, c.name, Lines(1))), PlanOutcome::Failed) << c.name;
        EXPECT_EQ(feedback.messages, std::vector<int>{14}) << c.name;
        EXPECT_EQ(progress().statuses.back() + " " + progress().note, "E40 " + c.note);
        EXPECT_TRUE(commands().empty()) << c.name;
    }
    // zv318ctl plans check gives the same verdict through the same check.
    const PlanFileCheck check = CheckPlanText(PlanText(1, "A/B", Lines(1)), language);
    EXPECT_EQ(check.code * 100 + check.message, kPlanBadName * 100 + 14);
    EXPECT_EQ(check.note, "Name: '/'");
}

TEST_F(plansSending, APlanTheInstrumentDoesNotTakeEndsWithMessage25) {
    instrument.plans(sim::kRadio) = {Radio("A", 1)};
    instrument.ignored = {"*PN"};
    EXPECT_EQ(send(PlanText(1, "X", Lines(2))), PlanOutcome::Failed);
    EXPECT_EQ(feedback.messages, std::vector<int>{25});
    EXPECT_EQ(instrument.plans(sim::kRadio).size(), 1u);
    EXPECT_EQ(list.entries, std::vector<std::string>{"A (RADIO)"});  // read again

    // Nor does one whose count rose by two: another plan came with it.
    instrument.ignored.clear();
    bool added = false;
    instrument.onReport = [&](int) {
        std::vector<sim::Plan>& radio = instrument.plans(sim::kRadio);
        if (added || radio.size() < 2 || radio.back().channels.size() < 2) return;
        radio.push_back(Radio("B", 1));
        added = true;
    };
    EXPECT_EQ(send(PlanText(1, "X", Lines(2))), PlanOutcome::Failed);
    instrument.onReport = nullptr;
    EXPECT_TRUE(added);
    EXPECT_EQ(feedback.messages, std::vector<int>{25});
}

TEST_F(plansSending, APlanReadBackShortOfAChannelEndsWithItsMessage) {
    instrument.ignored = {"*CF00001"};  // channel 1 of the first plan is dropped
    EXPECT_EQ(send(PlanText(1, "X", Lines(3))), PlanOutcome::Failed);
    EXPECT_EQ(feedback.messages, std::vector<int>{kSendNotTakenWholeMessage});
    EXPECT_EQ(instrument.plans(sim::kRadio).at(0).channels.size(), 2u);
    instrument.ignored.clear();
    EXPECT_EQ(send(PlanText(1, "Y", Lines(3))), PlanOutcome::Done);
    EXPECT_TRUE(feedback.messages.empty());

    // All its channels there, yet not the file's plan: the instrument changed it as it stored
    // it, and the plan count rose by one all the same.
    struct Change {
        const char* what;
        std::function<void(sim::Plan&)> apply;
    };
    const Change changes[] = {
        {"a channel on another frequency", [](sim::Plan& p) { p.channels[1].frequency += 8000; }},
        {"a channel under another name", [](sim::Plan& p) { p.channels[2].name = "C9"; }},
        {"the plan under another name", [](sim::Plan& p) { p.name = "Q"; }},
    };
    for (const Change& c : changes) {
        instrument.plans(sim::kRadio) = {Radio("A", 1)};
        bool changed = false;
        instrument.onReport = [&](int) {
            std::vector<sim::Plan>& radio = instrument.plans(sim::kRadio);
            if (changed || radio.size() < 2 || radio.back().channels.size() < 3) return;
            c.apply(radio.back());
            changed = true;
        };
        EXPECT_EQ(send(PlanText(1, "Z", Lines(3))), PlanOutcome::Failed) << c.what;
        EXPECT_TRUE(changed) << c.what;
        EXPECT_EQ(instrument.plans(sim::kRadio).size(), 2u) << c.what;
        EXPECT_EQ(feedback.messages, std::vector<int>{kSendNotTakenWholeMessage}) << c.what;
    }
    instrument.onReport = nullptr;
}

TEST_F(plansSending, AnInstrumentThatVanishesMidPlanEndsWithMessage7) {
    feedback.files = {WriteBytes(folder.path / "plan.c318", PlanText(1, "V", Lines(20))).string()};
    bus.unplugAfter(10);
    EXPECT_EQ(procedures.LoadButClick(), PlanOutcome::NotConnected);
    EXPECT_EQ(feedback.messages, std::vector<int>{7});
    EXPECT_EQ(progress().status, "E67");
    EXPECT_TRUE(progress().okEnabled);
}

}  // namespace
}  // namespace zv318::testing
