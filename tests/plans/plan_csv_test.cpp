// A channel plan to CSV and back: the bytes written, the bytes of the plan file an import
// gives, and the refusal of a whole file at its first bad row.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plans/plan_csv.h"
#include "plans/plan_fixture.h"

namespace zv318::testing {
namespace {

LanguageTable LineTable() {
    LanguageTable table;
    table.set(kEntryRefusedCsvLine, "refused line %1");
    table.set(kEntryPlanNameShortened, "shortened %1 %2 %3");
    return table;
}

TEST(plansCsv, ExportsByteForByteAndImportsBackToTheSamePlanFile) {
    struct Case {
        const char* name;
        std::string planFile;
        std::string csv;
    };
    const std::vector<Case> cases = {
        {"a plan name with a comma, a channel name with a quote, an empty name",
         "1\r\nA,B\r\n3\r\n0,C\"1,50000000,3000,ON\r\n1,X,474123500,8000000,OFF\r\n"
         "2,,1020000000,14999900,ON",
         "field,value\r\ntype,RADIO\r\nname,\"A,B\"\r\n\r\n"
         "channel,name,frequency_mhz,bandwidth_mhz,state\r\n"
         "1,\"C\"\"1\",50.0000,0.0030,ON\r\n2,X,474.1235,8.0000,OFF\r\n"
         "3,,1020.0000,14.9999,ON\r\n"},
        {"a PLC plan", "2\r\nP1\r\n2\r\n0,L1,2000000,1000000,OFF\r\n1,L2,50000000,12000000,ON",
         "field,value\r\ntype,PLC\r\nname,P1\r\n\r\n"
         "channel,name,frequency_mhz,bandwidth_mhz,state\r\n"
         "1,L1,2.0000,1.0000,OFF\r\n2,L2,50.0000,12.0000,ON\r\n"},
        {"names a spreadsheet would run as formulas, and one that only looks guarded",
         "1\r\n=1+2\r\n4\r\n0,=A1,50000000,3000,ON\r\n1,'=x,60000000,3000,ON\r\n"
         "2,'AB,70000000,3000,ON\r\n3,@S,80000000,3000,ON",
         "field,value\r\ntype,RADIO\r\nname,'=1+2\r\n\r\n"
         "channel,name,frequency_mhz,bandwidth_mhz,state\r\n"
         "1,'=A1,50.0000,0.0030,ON\r\n2,''=x,60.0000,0.0030,ON\r\n3,'AB,70.0000,0.0030,ON\r\n"
         "4,'@S,80.0000,0.0030,ON\r\n"},
    };
    const LanguageTable table = LineTable();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingFeedback feedback;
        PlanGrid plan;
        ASSERT_EQ(ReadChannelPlan(c.planFile, "", plan, feedback), kPlanRead);
        TempFolder folder;
        ASSERT_EQ(WritePlanCsv(plan, folder.path / "plan.csv", feedback), kCsvWritten);
        EXPECT_EQ(ReadBytes(folder.path / "plan.csv"), c.csv);

        // The import's type argument yields to the field table's.
        PlanGrid back;
        ASSERT_EQ(ReadPlanCsvFile(folder.path / "plan.csv", 0, table, feedback, back), kCsvRead);
        EXPECT_EQ(ChannelPlanText(back).value_or(""), c.planFile);
        EXPECT_TRUE(feedback.messages.empty());
    }
}

TEST(plansCsv, ImportsAWholeFileOrNothing) {
    std::string tooMany = "name,frequency_mhz,bandwidth_mhz,state\r\n";
    for (int k = 0; k < 151; ++k) tooMany += "C," + std::to_string(100 + k) + ",1,ON\r\n";

    struct Case {
        const char* name;
        std::string csv;
        int type;
        int code;
        std::vector<int> messages;
        std::string notice;    // "" for none
        std::string planFile;  // "" when the grid must stay as it was
    };
    const std::string table5 =
        "field,value\r\ntype,RADIO\r\nname,TV1\r\n\r\n"
        "channel,name,frequency_mhz,bandwidth_mhz,state\r\n";
    const std::vector<Case> cases = {
        {"a Spanish spreadsheet: byte order mark, \";\", decimal commas, columns in any order",
         "\xEF\xBB\xBF"
         "field;value\r\ntype;RADIO\r\nname;TV1\r\n\r\n"
         "state;bandwidth_mhz;frequency_mhz;name;channel\r\n"
         "on;0,0030;50,5;CH1;1\r\nOFF;8;474,1235;CH2;2\r\n",
         kPlcPlan,
         kCsvRead,
         {},
         "",
         "1\r\nTV1\r\n2\r\n0,CH1,50500000,3000,ON\r\n1,CH2,474123500,8000000,OFF"},
        {"\";\" with decimal points, empty rows, no field table, LF line ends: sorted, named NEW",
         "name;frequency_mhz;bandwidth_mhz;state\nB;60.25;0.2;On\n;;;\nA;55;0.2;off\n;;;\n",
         kRadioPlan,
         kCsvRead,
         {},
         "",
         "1\r\nNEW\r\n2\r\n0,A,55000000,200000,OFF\r\n1,B,60250000,200000,ON"},
        {"a frequency out of range on line 7",
         table5 + "1,C1,50,0.003,ON\r\n2,C2,1020.0001,0.003,ON\r\n",
         kPlcPlan,
         7020,
         {20},
         "refused line 7",
         ""},
        {"a bandwidth that is not a plain number",
         table5 + "1,C1,50,3 kHz,ON\r\n",
         kPlcPlan,
         6021,
         {21},
         "refused line 6",
         ""},
        {"a channel name of 5 characters",
         table5 + "1,CHAN1,50,0.003,ON\r\n",
         kPlcPlan,
         6019,
         {19},
         "refused line 6",
         ""},
        {"a state that is neither ON nor OFF",
         table5 + "1,C1,50,0.003,yes\r\n",
         kPlcPlan,
         6022,
         {22},
         "refused line 6",
         ""},
        {"two channels on one frequency: the later line",
         "name,frequency_mhz,bandwidth_mhz,state\r\nA,60,1,ON\r\nB,55,1,ON\r\nC,60.0000,1,ON\r\n",
         kRadioPlan,
         4023,
         {23},
         "refused line 4",
         ""},
        {"151 channels", tooMany, kRadioPlan, 152024, {24}, "refused line 152", ""},
        {"a channel name with a line break",
         table5 + "1,C1,50,0.003,ON\r\n2,\"C\r\n2\",60,0.003,ON\r\n",
         kPlcPlan,
         7250,
         {250},
         "refused line 7",
         ""},
        {"a frequency with two decimal points",
         table5 + "1,C1,474.0.25,0.003,ON\r\n",
         kPlcPlan,
         6020,
         {20},
         "refused line 6",
         ""},
        {"a quoted decimal comma where the comma separates the fields",
         table5 + "1,C1,\"4,5\",0.003,ON\r\n",
         kPlcPlan,
         6020,
         {20},
         "refused line 6",
         ""},
        {"a quote never closed",
         table5 + "1,\"C1,50,0.003,ON\r\n",
         kPlcPlan,
         6141,
         {141},
         "refused line 6",
         ""},
        {"an unknown plan type",
         "field,value\r\ntype,FM\r\n\r\nname,frequency_mhz\r\n",
         kRadioPlan,
         2025,
         {25},
         "refused line 2",
         ""},
        {"a plan name with a blank",
         "field,value\r\nname,T 1\r\n",
         kRadioPlan,
         2111,
         {111},
         "refused line 2",
         ""},
        {"a plan name holding the logger header's separator",
         "field,value\r\nname,T&1\r\n",
         kRadioPlan,
         2542,
         {542},
         "refused line 2",
         ""},
        // A name longer than a plan name is shortened by characters, never inside one, and
        // the person is told.
        {"a plan name longer than its field, in UTF-8",
         "field,value\r\nname,\xC3\x89T\xC3\x89\xC3\x89\xC3\x89X\r\n\r\n"
         "name,frequency_mhz,bandwidth_mhz,state\r\nA,60,1,ON\r\n",
         kRadioPlan,
         kCsvRead,
         {},
         "shortened \xC3\x89T\xC3\x89\xC3\x89\xC3\x89X 5 \xC3\x89T\xC3\x89\xC3\x89\xC3\x89",
         "1\r\n\xC3\x89T\xC3\x89\xC3\x89\xC3\x89\r\n1\r\n0,A,60000000,1000000,ON"},
        {"no state column",
         "name,frequency_mhz,bandwidth_mhz\r\nA,60,1\r\n",
         kRadioPlan,
         kCsvNotAPlan,
         {140},
         "",
         ""},
        {"a header row and no channel",
         "name,frequency_mhz,bandwidth_mhz,state\r\n",
         kRadioPlan,
         kCsvNotAPlan,
         {140},
         "",
         ""},
    };
    const LanguageTable table = LineTable();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingFeedback feedback;
        PlanGrid grid = PlanGrid::NewPlan(kPlcPlan);
        grid.setPlanName("KEEP");
        const std::string before = ChannelPlanText(grid).value();
        EXPECT_EQ(ReadPlanCsv(c.csv, c.type, table, feedback, grid), c.code);
        EXPECT_EQ(feedback.messages, c.messages);
        EXPECT_EQ(feedback.notices,
                  c.notice.empty() ? std::vector<std::string>{} : std::vector{c.notice});
        EXPECT_EQ(ChannelPlanText(grid).value_or(""), c.planFile.empty() ? before : c.planFile);
    }
}

}  // namespace
}  // namespace zv318::testing

namespace zv318::testing {
namespace {

// The editor's "Import CSV…" and "Export CSV…" on the plan in the editor.
TEST(plansCsv, TheEditorsImportAndExport) {
    const std::string opened = "1\r\nTV1\r\n1\r\n0,C1,60000000,3000,ON";
    const std::string good =
        "name;frequency_mhz;bandwidth_mhz;state\r\nB;60,5;1;ON\r\nA;55;1;OFF\r\n";
    const std::string bad =
        "name,frequency_mhz,bandwidth_mhz,state\r\nB,60,1,ON\r\nA,9999,1,ON\r\n";
    struct Case {
        const char* name;
        bool yes;
        std::optional<std::string> csv;  // nothing: the dialog cancelled
        int result;
        std::vector<int> messages;
        std::string plan;  // the editor's plan afterwards
    };
    const std::vector<Case> cases = {
        {"declined", false, good, kCsvCancelled, {}, opened},
        {"dialog cancelled", true, std::nullopt, kCsvCancelled, {}, opened},
        {"a row refused", true, bad, 3020, {20}, opened},
        {"read, sorted, the editor's type",
         true,
         good,
         kCsvRead,
         {},
         "1\r\nNEW\r\n2\r\n0,A,55000000,1000000,OFF\r\n1,B,60500000,1000000,ON"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        RecordingFeedback feedback;
        PlanList list;
        PlanFiles files{feedback, list, folder.path};
        PlanEditorSession session{feedback, files};
        ASSERT_EQ(session.OpenPlanFile(WriteBytes(folder.path / "tv1.c318", opened)), kPlanRead);
        feedback.answers = {c.yes};
        if (c.csv) feedback.files.push_back(WriteBytes(folder.path / "in.csv", *c.csv).string());
        EXPECT_EQ(ImportPlanCsv(session, LanguageTable{}, feedback), c.result);
        EXPECT_EQ(feedback.messages, c.messages);
        EXPECT_EQ(ChannelPlanText(session.plan()).value_or(""), c.plan);
        // An imported plan is never saved over the file opened before it.
        EXPECT_EQ(session.CurrentPlanFile().empty(), c.result == kCsvRead);
    }

    // Export: the save check first (it sorts), then the file proposed under the plan's name.
    TempFolder folder;
    RecordingFeedback feedback;
    PlanList list;
    PlanFiles files{feedback, list, folder.path};
    PlanEditorSession session{feedback, files};
    ASSERT_EQ(session.OpenPlanFile(
                  WriteBytes(folder.path / "tv1.c318",
                             "1\r\nTV1\r\n2\r\n0,C2,70000000,3000,ON\r\n1,C1,60000000,3000,OFF")),
              kPlanRead);
    feedback.files.push_back((folder.path / "tv1.csv").string());
    EXPECT_EQ(ExportPlanCsv(session, feedback), kCsvWritten);
    EXPECT_EQ(feedback.fileRequests.back().proposedName, "TV1.csv");
    EXPECT_EQ(ReadBytes(folder.path / "tv1.csv"),
              "field,value\r\ntype,RADIO\r\nname,TV1\r\n\r\n"
              "channel,name,frequency_mhz,bandwidth_mhz,state\r\n"
              "1,C1,60.0000,0.0030,OFF\r\n2,C2,70.0000,0.0030,ON\r\n");
    session.plan().setCell(1, PlanGrid::kNameColumn, "TOOLONG");
    const std::size_t requests = feedback.fileRequests.size();
    EXPECT_EQ(ExportPlanCsv(session, feedback), 1);
    EXPECT_EQ(feedback.messages, std::vector<int>{19});
    EXPECT_EQ(feedback.fileRequests.size(), requests);
}

}  // namespace
}  // namespace zv318::testing
