// The editor's grid rules and commands without a window: the automatic frequency, the sort, the
// row checks and the choice of a cell; saving, the close question and loading with the file
// bytes they write; the list double-click against the simulator; a plan made in the editor
// travelling to the instrument and back.

#include <gtest/gtest.h>

#include <functional>

#include "plans/plan_editor.h"
#include "plans/plan_fixture.h"

namespace zv318::testing {
namespace {

// A grid of the type with one row per (name, MHz text, bandwidth text, state).
struct Row {
    std::string name, frequency, bandwidth, state;
};
PlanGrid Grid(int type, const std::vector<Row>& rows) {
    PlanGrid grid = PlanGrid::NewPlan(type);
    grid.setRowCount(static_cast<int>(rows.size()));
    for (int r = 1; r <= grid.rowCount(); ++r) {
        const Row& row = rows[static_cast<std::size_t>(r - 1)];
        grid.setCell(r, PlanGrid::kRowColumn, std::to_string(r));
        grid.setCell(r, PlanGrid::kNameColumn, row.name);
        grid.setCell(r, PlanGrid::kFrequencyColumn, row.frequency);
        grid.setCell(r, PlanGrid::kBandwidthColumn, row.bandwidth);
        grid.setCell(r, PlanGrid::kStateColumn, row.state);
        grid.setFlag(r, row.state == "OFF");
    }
    return grid;
}

std::vector<Row> RadioRows(std::initializer_list<const char*> frequencies) {
    std::vector<Row> rows;
    for (const char* f : frequencies) rows.push_back({"C", f, "0.2000", "ON"});
    return rows;
}

std::vector<std::string> Column(const PlanGrid& grid, int column) {
    std::vector<std::string> cells;
    for (int r = 1; r <= grid.rowCount(); ++r) cells.push_back(grid.cell(r, column));
    return cells;
}

TEST(PlanEditorRules, InsertChannelGivesTheAutomaticFrequency) {
    struct Case {
        std::vector<Row> rows;
        int below;
        const char* expected;
    } cases[] = {
        {RadioRows({"474.0000"}), 1, "474.5000"},    // one channel: +0.5 MHz
        {RadioRows({"1019.8000"}), 1, "1020.0000"},  // ... but never above fmax
        {RadioRows({"100.0000", "108.0000", "110.0000"}), 2,
         "109.0000"},                                             // spacing too far: midpoint
        {RadioRows({"106.0000", "108.0000"}), 2, "110.0000"},     // below the last: spacing
        {RadioRows({"100.0000", "101.0000"}), 1, "100.5000"},     // below row 1: midpoint
        {RadioRows({"1000.0000", "1015.0000"}), 2, "1020.0000"},  // spacing beyond fmax
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        PlanGrid grid = Grid(kRadioPlan, c.rows);
        grid.setCell(c.below, PlanGrid::kStateColumn, "OFF");
        grid.setFlag(c.below, true);
        ASSERT_FALSE(InsertChannel(grid, c.below));
        const int added = c.below + 1;
        ASSERT_EQ(grid.rowCount(), static_cast<int>(c.rows.size()) + 1);
        EXPECT_EQ(grid.cell(added, PlanGrid::kFrequencyColumn), c.expected);
        // The new row takes the bandwidth and state of the row above, no name.
        EXPECT_EQ(grid.cell(added, PlanGrid::kNameColumn), "");
        EXPECT_EQ(grid.cell(added, PlanGrid::kBandwidthColumn), "0.2000");
        EXPECT_EQ(grid.cell(added, PlanGrid::kStateColumn), "OFF");
        EXPECT_TRUE(grid.flag(added));
        // The rows below moved down and every row is numbered.
        for (int r = added + 1; r <= grid.rowCount(); ++r)
            EXPECT_EQ(grid.cell(r, PlanGrid::kFrequencyColumn),
                      c.rows[static_cast<std::size_t>(r - 2)].frequency);
        for (int r = 1; r <= grid.rowCount(); ++r)
            EXPECT_EQ(grid.cell(r, PlanGrid::kRowColumn), std::to_string(r));
    }
}

TEST(PlanEditorRules, ChannelCountLimitsAndDeletion) {
    // 149 channels refuse another with message 24 and stay as they are.
    std::vector<Row> rows;
    for (int k = 0; k < 149; ++k)
        rows.push_back({"", HzToMHzText(60'000'000 + 100'000 * k), "1.0000", "ON"});
    PlanGrid full = Grid(kRadioPlan, rows);
    EXPECT_EQ(InsertChannel(full, 3), (GridFault{24, 3, 0}));
    EXPECT_EQ(full.rowCount(), 149);
    // A type other than RADIO or PLC has no highest frequency: message 25.
    PlanGrid untyped = Grid(kRadioPlan, RadioRows({"100.0000"}));
    untyped.setTypeLabel("TV");
    EXPECT_EQ(InsertChannel(untyped, 1).message, 25);
    EXPECT_EQ(untyped.rowCount(), 1);

    // Deleting the only channel does nothing; deleting a middle one closes the gap.
    PlanGrid one = Grid(kRadioPlan, RadioRows({"100.0000"}));
    DeleteChannel(one, 1);
    EXPECT_EQ(one.rowCount(), 1);
    EXPECT_EQ(one.cell(1, PlanGrid::kFrequencyColumn), "100.0000");
    PlanGrid three = Grid(kRadioPlan, RadioRows({"100.0000", "200.0000", "300.0000"}));
    DeleteChannel(three, 2);
    EXPECT_EQ(Column(three, PlanGrid::kFrequencyColumn),
              (std::vector<std::string>{"100.0000", "300.0000"}));
    EXPECT_EQ(Column(three, PlanGrid::kRowColumn), (std::vector<std::string>{"1", "2"}));
}

TEST(PlanEditorRules, SortMovesWholeChannelsAndStopsAtEqualFrequencies) {
    PlanGrid grid = Grid(kRadioPlan, {{"A", "300.0000", "1.0000", "OFF"},
                                      {"B", "100.0000", "2.0000", "ON"},
                                      {"C", "200.0000", "3.0000", "OFF"}});
    EXPECT_FALSE(SortChannels(grid));
    EXPECT_EQ(Column(grid, PlanGrid::kNameColumn), (std::vector<std::string>{"B", "C", "A"}));
    EXPECT_EQ(Column(grid, PlanGrid::kFrequencyColumn),
              (std::vector<std::string>{"100.0000", "200.0000", "300.0000"}));
    EXPECT_EQ(Column(grid, PlanGrid::kBandwidthColumn),
              (std::vector<std::string>{"2.0000", "3.0000", "1.0000"}));
    EXPECT_EQ(Column(grid, PlanGrid::kStateColumn), (std::vector<std::string>{"ON", "OFF", "OFF"}));
    EXPECT_EQ(grid.InactiveRows(), (std::vector<std::uint8_t>{0, 0, 1, 1}));
    EXPECT_EQ(Column(grid, PlanGrid::kRowColumn), (std::vector<std::string>{"1", "2", "3"}));

    // 300 200 100 200: the passes bring the two 200s together at row 3 and stop there, the
    // moves made so far kept.
    PlanGrid equal = Grid(kRadioPlan, RadioRows({"300.0000", "200.0000", "100.0000", "200.0000"}));
    EXPECT_EQ(Ordena(equal), 3);
    EXPECT_EQ(Column(equal, PlanGrid::kFrequencyColumn),
              (std::vector<std::string>{"100.0000", "200.0000", "200.0000", "300.0000"}));
    EXPECT_EQ(SortChannels(equal), (GridFault{23, 3, PlanGrid::kFrequencyColumn}));
    EXPECT_EQ(MiraSiPotsDesar(equal), (GridFault{23, 3, PlanGrid::kFrequencyColumn}));

    std::vector<Row> many;
    for (int k = 0; k < 151; ++k)
        many.push_back({"", HzToMHzText(60'000'000 + 100'000 * k), "1.0000", "ON"});
    PlanGrid tooMany = Grid(kRadioPlan, many);
    EXPECT_EQ(Ordena(tooMany), -200);
    EXPECT_EQ(MiraSiPotsDesar(tooMany).message, 24);
    EXPECT_EQ(SortChannels(tooMany).message, 23);
}

TEST(PlanEditorRules, RowChecksAndTheChoiceOfACell) {
    struct Case {
        int type;
        Row row;
        GridFault expected;
    } cases[] = {
        {kRadioPlan, {"ABCD", "50.0000", "0.0030", "ON"}, {}},
        {kRadioPlan, {"ABCDE", "100.0000", "1.0000", "ON"}, {19, 1, 1}},
        {kRadioPlan, {"A,B", "100.0000", "1.0000", "ON"}, {112, 1, 1}},
        {kRadioPlan, {"A\rB", "100.0000", "1.0000", "ON"}, {250, 1, 1}},
        {kRadioPlan, {std::string("A\0B", 3), "100.0000", "1.0000", "ON"}, {250, 1, 1}},
        {kRadioPlan, {"A", " 476,5 ", "1,5", "ON"}, {}},  // a decimal comma, as typed
        {kRadioPlan, {"A", "474.0.25", "1.0000", "ON"}, {20, 1, 2}},
        {kPlcPlan, {"A", "10.0000", "1,0,5", "ON"}, {21, 1, 3}},
        {kRadioPlan, {"A", "49.9999", "1.0000", "ON"}, {20, 1, 2}},
        {kRadioPlan, {"A", "1020.0001", "1.0000", "ON"}, {20, 1, 2}},
        {kPlcPlan, {"A", "10.0000", "12.0001", "ON"}, {21, 1, 3}},
        {kPlcPlan, {"A", "10.0000", "12.0000", "On"}, {22, 1, 4}},
        {kPlcPlan, {"A", "10.0000", "12.0000", ""}, {22, 1, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row.name + " " + c.row.frequency + " " + c.row.bandwidth);
        EXPECT_EQ(ComprovaFila(Grid(c.type, {c.row}), 1), c.expected);
    }
    // What is typed is stored in the grid's own form, and saved as that many hertz.
    PlanGrid typed = Grid(kRadioPlan, RadioRows({"100.0000"}));
    TakeTypedCell(typed, 1, PlanGrid::kFrequencyColumn, "476,5");
    TakeTypedCell(typed, 1, PlanGrid::kBandwidthColumn, "8,25");
    EXPECT_EQ(typed.cell(1, PlanGrid::kFrequencyColumn), "476.5000");
    EXPECT_EQ(ChannelPlanText(typed).value_or("").substr(ChannelPlanText(typed)->rfind('\n') + 1),
              "0,C,476500000,8250000,ON");
    TakeTypedCell(typed, 1, PlanGrid::kFrequencyColumn, "474.0.25");
    EXPECT_EQ(typed.cell(1, PlanGrid::kFrequencyColumn), "474.0.25");  // for the check to refuse

    PlanGrid untyped = Grid(kRadioPlan, RadioRows({"100.0000"}));
    untyped.setTypeLabel("");
    EXPECT_EQ(ComprovaFila(untyped, 1).message, 25);

    // A failing row being left refuses every cell; the row numbers are never chosen; a click
    // on a state cell turns it (twice: back again) and the keyboard may stand on it.
    PlanGrid grid = Grid(
        kRadioPlan, {{"ABCDE", "100.0000", "1.0000", "ON"}, {"B", "200.0000", "1.0000", "ON"}});
    CellChoiceResult left = TaulaCanalsSelectCell(grid, 1, 2, 2, true);
    EXPECT_EQ(left.choice, CellChoice::Refused);
    EXPECT_EQ(left.fault, (GridFault{19, 1, 1}));
    EXPECT_EQ(TaulaCanalsSelectCell(grid, 0, 2, 2, true).choice, CellChoice::Allowed);
    EXPECT_EQ(TaulaCanalsSelectCell(grid, 2, 2, 0, true).choice, CellChoice::Refused);
    EXPECT_EQ(TaulaCanalsSelectCell(grid, 2, 2, 4, true).choice, CellChoice::Toggled);
    EXPECT_EQ(grid.cell(2, PlanGrid::kStateColumn), "OFF");
    EXPECT_TRUE(grid.flag(2));
    EXPECT_EQ(TaulaCanalsSelectCell(grid, 2, 2, 4, true).choice, CellChoice::Toggled);
    EXPECT_EQ(grid.cell(2, PlanGrid::kStateColumn), "ON");
    EXPECT_FALSE(grid.flag(2));
    EXPECT_EQ(TaulaCanalsSelectCell(grid, 2, 2, 4, false).choice, CellChoice::Allowed);
    EXPECT_EQ(grid.cell(2, PlanGrid::kStateColumn), "ON");

    SetAllStates(grid, false);
    EXPECT_EQ(Column(grid, PlanGrid::kStateColumn), (std::vector<std::string>{"OFF", "OFF"}));
    EXPECT_EQ(grid.InactiveRows(), (std::vector<std::uint8_t>{0, 1, 1}));
    SetAllStates(grid, true);
    EXPECT_EQ(grid.InactiveRows(), (std::vector<std::uint8_t>{0, 0, 0}));

    EXPECT_EQ(PlanNameRefusal(""), kMessageEmptyPlanName);
    EXPECT_EQ(PlanNameRefusal("A B"), kMessageBlankInPlanName);
    EXPECT_EQ(PlanNameRefusal("TV1\t"), kMessageBlankInPlanName);
    EXPECT_EQ(PlanNameRefusal(std::string("T\0V", 3)), kMessageNameNotAFileName);
    EXPECT_EQ(PlanNameRefusal("A/B"), kMessageNameNotAFileName);
    EXPECT_EQ(PlanNameRefusal("TV."), kMessageNameNotAFileName);
    EXPECT_EQ(PlanNameRefusal("ABCDE"), 0);
    // "&" separates the fields of the logger headers that quote the plan's name.
    EXPECT_EQ(PlanNameRefusal("A&B"), kMessageAmpersandInPlanName);
}

// ---- the commands ----------------------------------------------------------------------------

class PlanEditorCommands : public PlanScenario {
protected:
    fs::path file(const std::string& name) const { return folder.path / name; }

    PlanFiles files{feedback, list, folder.path};
    PlanEditorSession session{feedback, files};
};

TEST_F(PlanEditorCommands, SaveAndSaveAsChooseTheFileAndWriteIt) {
    const std::string newPlan = "1\r\nNEW\r\n1\r\n0,CH1,50000000,3000,OFF";
    ASSERT_TRUE(session.NewChannelPlan(false, true));
    EXPECT_TRUE(feedback.questions.empty());

    // The first save of a run asks where, proposing the plan name.
    feedback.files = {std::nullopt};
    EXPECT_EQ(session.DesaCanalitzacio(false), 1);
    ASSERT_EQ(feedback.fileRequests.size(), 1u);
    EXPECT_EQ(feedback.fileRequests[0].kind, FileRequest::SavePlan);
    EXPECT_EQ(feedback.fileRequests[0].proposedName, "NEW.c318");
    EXPECT_TRUE(session.CurrentPlanFile().empty());

    const std::string first = file("first.c318").string();
    feedback.files = {first};
    EXPECT_TRUE(session.Save(false));
    EXPECT_EQ(ReadBytes(first), newPlan);
    EXPECT_EQ(session.CurrentPlanFile(), first);

    // Save writes to the same file without asking; Save As proposes the file chosen before.
    session.plan().setCell(1, PlanGrid::kNameColumn, "X");
    EXPECT_TRUE(session.Save(false));
    EXPECT_EQ(feedback.fileRequests.size(), 2u);
    EXPECT_EQ(ReadBytes(first), "1\r\nNEW\r\n1\r\n0,X,50000000,3000,OFF");
    // A name without extension gets ".c318"; the label then names the file Save writes.
    const std::string second = file("second.c318").string();
    feedback.files = {file("second").string()};
    EXPECT_TRUE(session.Save(true));
    EXPECT_EQ(feedback.fileRequests.back().proposedName, first);
    EXPECT_EQ(session.CurrentPlanFile(), second);
    EXPECT_EQ(ReadBytes(second), "1\r\nNEW\r\n1\r\n0,X,50000000,3000,OFF");
    EXPECT_EQ(session.plan().planName(), "NEW");
    EXPECT_EQ(session.plan().fileLabel(), second);

    // Equal frequencies refuse the save with message 23 and write nothing.
    session.plan() = PlanGrid::NewPlan(kRadioPlan);
    ASSERT_FALSE(InsertChannel(session.plan(), 1));
    session.plan().setCell(2, PlanGrid::kFrequencyColumn, "50.0000");
    feedback.messages.clear();
    std::vector<GridFault> marked;
    session.markCell = [&](const GridFault& f) { marked.push_back(f); };
    EXPECT_FALSE(session.Save(false));
    EXPECT_EQ(feedback.messages, std::vector<int>{23});
    EXPECT_EQ(marked, (std::vector<GridFault>{{23, 2, 2}}));
    EXPECT_EQ(ReadBytes(second), "1\r\nNEW\r\n1\r\n0,X,50000000,3000,OFF");

    // A save that cannot write shows message 18 and keeps the plan.
    session.plan().setCell(2, PlanGrid::kFrequencyColumn, "60.0000");
    feedback.messages.clear();
    feedback.files = {file("missing-folder/plan.c318").string()};
    EXPECT_FALSE(session.Save(true));
    EXPECT_EQ(feedback.messages, std::vector<int>{18});
    EXPECT_EQ(session.plan().rowCount(), 2);
    EXPECT_FALSE(fs::exists(file("missing-folder")));
}

TEST_F(PlanEditorCommands, OpeningSetsTheFileAndANewPlanForgetsIt) {
    // A file of 150 channels opens and saves back byte for byte.
    std::vector<std::string> lines;
    for (int k = 0; k < 150; ++k)
        lines.push_back(std::to_string(k) + ",C" + std::to_string(k % 100) + "," +
                        std::to_string(60'000'000 + 100'000 * k) + ",3000," +
                        (k % 3 ? "ON" : "OFF"));
    const std::string text = PlanText(kRadioPlan, "BIG", lines);
    const fs::path big = WriteBytes(file("big.c318"), text);
    feedback.files = {big.string()};
    ASSERT_EQ(session.OpenChannelPlanFile(-1), kPlanRead);
    EXPECT_EQ(session.CurrentPlanFile(), big.string());
    EXPECT_EQ(session.plan().rowCount(), 150);
    EXPECT_EQ(InsertChannel(session.plan(), 150).message, 24);
    fs::remove(big);
    EXPECT_TRUE(session.Save(false));
    EXPECT_EQ(ReadBytes(big), text);

    // A new plan is never saved over the file of the plan before it without the dialog.
    ASSERT_TRUE(session.NewChannelPlan(true, false));
    EXPECT_EQ(feedback.questions.back().text, 79);
    EXPECT_EQ(feedback.questions.back().caption, 37);
    EXPECT_TRUE(session.CurrentPlanFile().empty());
    feedback.files = {std::nullopt};
    EXPECT_FALSE(session.Save(false));
    EXPECT_EQ(feedback.fileRequests.back().kind, FileRequest::SavePlan);
    EXPECT_EQ(ReadBytes(big), text);

    // Declining the question keeps the plan.
    feedback.answers = {false};
    session.plan().setPlanName("KEEP");
    EXPECT_FALSE(session.NewChannelPlan(true, true));
    EXPECT_EQ(session.plan().planName(), "KEEP");
    EXPECT_EQ(session.plan().typeLabel(), "PLC");
}

TEST_F(PlanEditorCommands, CloseQuestionAndLoadPaths) {
    ASSERT_TRUE(session.NewChannelPlan(false, true));
    const std::string saved = file("close.c318").string();

    // Nothing changed since the plan was made: the window closes without a question; a
    // change undone is no change.
    EXPECT_TRUE(session.FormCloseQuery());
    session.plan().setCell(1, PlanGrid::kNameColumn, "CH9");
    session.plan().setCell(1, PlanGrid::kNameColumn, "CH1");
    EXPECT_TRUE(session.FormCloseQuery());
    EXPECT_TRUE(feedback.questions.empty());
    // Each kind of change asks: a cell, a flag, the name.
    for (const std::function<void(PlanGrid&)>& change :
         std::vector<std::function<void(PlanGrid&)>>{
             [](PlanGrid& g) { g.setCell(1, PlanGrid::kFrequencyColumn, "51.0000"); },
             [](PlanGrid& g) { g.setFlag(1, !g.flag(1)); },
             [](PlanGrid& g) { g.setPlanName("OTHER"); },
             [](PlanGrid& g) { g.setRowCount(2); }}) {
        ASSERT_TRUE(session.NewChannelPlan(false, true));
        change(session.plan());
        feedback.threeWay = {Answer::No};
        const std::size_t asked = feedback.questions.size();
        EXPECT_TRUE(session.FormCloseQuery());
        EXPECT_EQ(feedback.questions.size(), asked + 1);
    }
    ASSERT_TRUE(session.NewChannelPlan(false, true));
    session.plan().setPlanName("ASK");

    feedback.threeWay = {Answer::Cancel};
    EXPECT_FALSE(session.FormCloseQuery());
    EXPECT_EQ(feedback.questions.back().text, 117);
    feedback.threeWay = {Answer::No};
    EXPECT_TRUE(session.FormCloseQuery());
    EXPECT_TRUE(feedback.fileRequests.empty());

    // Yes with a failing row: the message, and the window stays.
    session.plan().setCell(1, PlanGrid::kNameColumn, "TOOLONG");
    feedback.threeWay = {Answer::Yes};
    EXPECT_FALSE(session.FormCloseQuery());
    EXPECT_EQ(feedback.messages, std::vector<int>{19});
    EXPECT_TRUE(feedback.fileRequests.empty());
    // Yes with a cancelled Save As: stays, silently.
    session.plan().setCell(1, PlanGrid::kNameColumn, "CH1");
    feedback.threeWay = {Answer::Yes};
    feedback.files = {std::nullopt};
    EXPECT_FALSE(session.FormCloseQuery());
    // Yes and a file: written, the window closes.
    feedback.threeWay = {Answer::Yes};
    feedback.files = {saved};
    EXPECT_TRUE(session.FormCloseQuery());
    EXPECT_EQ(ReadBytes(saved), "1\r\nASK\r\n1\r\n0,CH1,50000000,3000,OFF");
    // Saved: closing asks nothing more.
    const std::size_t asked = feedback.questions.size();
    EXPECT_TRUE(session.FormCloseQuery());
    EXPECT_EQ(feedback.questions.size(), asked);

    // Load: No keeps the editor open without a dialog; Yes and a cancelled dialog closes it;
    // Yes and a plan file keeps it open with that plan.
    const std::size_t requests = feedback.fileRequests.size();
    feedback.answers = {false};
    EXPECT_TRUE(session.Loadchannelplan());
    EXPECT_EQ(feedback.fileRequests.size(), requests);
    feedback.answers = {true};
    feedback.files = {std::nullopt};
    EXPECT_FALSE(session.Loadchannelplan());
    EXPECT_EQ(feedback.fileRequests.back().kind, FileRequest::EditPlan);
    const fs::path other =
        WriteBytes(file("other.c318"), PlanText(kPlcPlan, "P1", {"0,A,3000000,1000000,ON"}));
    feedback.answers = {true};
    feedback.files = {other.string()};
    EXPECT_TRUE(session.Loadchannelplan());
    EXPECT_EQ(session.plan().planName(), "P1");
    EXPECT_EQ(session.CurrentPlanFile(), other.string());
    feedback.answers = {true};
    feedback.files = {file("plan.txt").string()};
    EXPECT_FALSE(session.Loadchannelplan());
    EXPECT_EQ(feedback.messages.back(), 11);
}

TEST_F(PlanEditorCommands, ListDoubleClickAsksForThePlansAndOpensTheSelectedCopy) {
    // No plans: the two selections and counts, nothing else.
    std::optional<int> position = PlanToEdit(link, feedback, list);
    EXPECT_FALSE(position);
    EXPECT_EQ(commands(), (std::vector<std::string>{"*EC01", "*?PN", "*EC02", "*?PN"}));

    instrument.plans(sim::kRadio) = {Radio("TV1", 3), Radio("TV2", 2)};
    instrument.plans(sim::kPlc) = {Plc("P1", 4)};
    ReadFirst();
    // Nothing selected: nothing.
    EXPECT_FALSE(PlanToEdit(link, feedback, list));
    instrument.clearReceived();

    list.select(2);
    position = PlanToEdit(link, feedback, list);
    EXPECT_EQ(commands(), (std::vector<std::string>{"*EC01", "*?PN", "*EC02", "*?PN"}));
    ASSERT_EQ(position, 2);
    EXPECT_EQ(list.entry(2), "P1 (PLC)");
    ASSERT_EQ(session.OpenChannelPlanFile(*position), kPlanRead);
    EXPECT_EQ(session.plan().planName(), "P1");
    EXPECT_EQ(session.plan().typeLabel(), "PLC");
    EXPECT_EQ(session.plan().rowCount(), 4);
    // An instrument copy is never the file "Save channel plan" writes to.
    EXPECT_TRUE(session.CurrentPlanFile().empty());
    EXPECT_TRUE(feedback.messages.empty());

    bus.setPlugged(false);
    EXPECT_FALSE(PlanToEdit(link, feedback, list));
    EXPECT_EQ(feedback.messages, std::vector<int>{7});
}

TEST_F(PlanEditorCommands, APlanMadeInTheEditorTravelsToTheInstrumentAndBackUnchanged) {
    ASSERT_TRUE(session.NewChannelPlan(false, true));
    PlanGrid& plan = session.plan();
    plan.setPlanName("TV9");
    plan.setCell(1, PlanGrid::kFrequencyColumn, "474.0000");
    plan.setCell(1, PlanGrid::kBandwidthColumn, "8.0000");
    for (int r = 1; r <= 11; ++r) ASSERT_FALSE(InsertChannel(plan, r));
    for (int r = 1; r <= plan.rowCount(); ++r)
        plan.setCell(r, PlanGrid::kNameColumn, "C" + std::to_string(21 + r));
    ToggleState(plan, 3);
    ToggleState(plan, 1);
    plan.setCell(5, PlanGrid::kFrequencyColumn, "862.1234");
    const fs::path saved = file("tv9.c318");
    feedback.files = {saved.string()};
    ASSERT_TRUE(session.Save(true));

    EXPECT_EQ(procedures.LoadPlanFile(saved), PlanOutcome::Done);
    ASSERT_EQ(instrument.plans(sim::kRadio).size(), 1u);
    ASSERT_EQ(procedures.ReceiveButClick(), PlanOutcome::Done);
    EXPECT_EQ(ReadBytes(copy("TV9 (RADIO)")), ReadBytes(saved));
    EXPECT_EQ(ReadBytes(saved).substr(0, 14), "1\r\nTV9\r\n12\r\n0,");
    EXPECT_TRUE(feedback.messages.empty());
}

}  // namespace
}  // namespace zv318::testing
