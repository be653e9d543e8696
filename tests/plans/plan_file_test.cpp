// The Hz / MHz conversions, the plan grid and the plan file reader and writer.

#include <clocale>
#include <cstdlib>
#include <limits>

#include "plan_fixture.h"
#include "plans/plan_model.h"

namespace zv318::testing {
namespace {

constexpr std::int32_t kMax32 = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin32 = std::numeric_limits<std::int32_t>::min();

TEST(plansHzText, FormatsFourDecimalsWithAPoint) {
    EXPECT_EQ(HzToMHzText(50'000'000), "50.0000");
    EXPECT_EQ(HzToMHzText(3'000), "0.0030");
    EXPECT_EQ(HzToMHzText(14'999'900), "14.9999");
    EXPECT_EQ(HzToMHzText(1'020'000'000), "1020.0000");
    EXPECT_EQ(HzToMHzText(0), "0.0000");
    EXPECT_EQ(HzToMHzText(-2'500), "-0.0025");
}

TEST(plansHzText, ReadsTheLeadingNumberLikeAtof) {
    const std::pair<const char*, std::int32_t> cases[] = {
        {"14.9999", 14'999'900},
        {"abc", 0},
        {"", 0},
        {"  50.0000", 50'000'000},
        {"+2.5", 2'500'000},
        {"-0.003", -3'000},
        {"12.5MHz", 12'500'000},
        {"1,5", 1'000'000},
        {".5", 500'000},
        {"1e2", 100'000'000},
        {"1e", 1'000'000},
        {"0x10", 16'000'000},
        {"0.0000009", 0},
        {"-0.0000009", 0},
        {"2147.483647", kMax32},
        // beyond the 32-bit range: clamped, never undefined
        {"99999", kMax32},
        {"-99999", kMin32},
        {"1e400", kMax32},
        {"-1e400", kMin32},
        {"1e-400", 0},
        {"0.000000000000000000000000000000000000000000000000000000000000000000000"
         "00000000000000000000000000000000000000000000000000000000000000000000000"
         "00000000000000000000000000000000000000000000000000000000000000000000000"
         "00000000000000000000000000000000000000000000000000000000000000000000000"
         "0000000000000000000000000000000000000000000000000000000000000001",
         0},
        {"inf", kMax32},
        {"nan", 0},
    };
    for (auto [text, hz] : cases) EXPECT_EQ(MHzTextToHz(text), hz) << '"' << text << '"';
}

// What the grid shows comes back as the value it stands for: a plan opened and saved again
// keeps every frequency and bandwidth to the hertz.
TEST(plansHzText, EveryShownValueReadsBackWhole) {
    EXPECT_EQ(MHzTextToHz("1.0050"), 1005000);
    EXPECT_EQ(MHzTextToHz("0.0030"), 3000);
    int wrong = 0;
    for (std::int64_t hz = 0; hz <= 60000000; hz += 100)
        if (MHzTextToHz(HzToMHzText(hz)) != hz && ++wrong < 5) ADD_FAILURE() << hz;
    for (std::int64_t hz = 1019000000; hz <= 1020000000; hz += 100)
        if (MHzTextToHz(HzToMHzText(hz)) != hz && ++wrong < 5) ADD_FAILURE() << hz;
    EXPECT_EQ(wrong, 0);
    // A genuine fraction of a hertz is still cut toward zero.
    EXPECT_EQ(MHzTextToHz("1.0000005"), 1000000);
    EXPECT_EQ(MHzTextToHz("-1.0000005"), -1000000);
}

// A C locale whose decimal separator is a comma: installed, or compiled for the test.
bool UseCommaLocale() {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "es_ES.UTF-8", "fr_FR.UTF-8", "de-DE",
                             "German_Germany.1252"})
        if (std::setlocale(LC_NUMERIC, name)) return true;
    // Made once beside the test program, for every later run.
    std::error_code ec;
    static const fs::path built = fs::read_symlink("/proc/self/exe", ec).parent_path() / "locales";
    setenv("LOCPATH", built.string().c_str(), 1);
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) return true;  // made by an earlier run
    fs::create_directories(built);
    const std::string command =
        "localedef -i de_DE -f UTF-8 '" + built.string() + "/de_DE.UTF-8' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return false;
    return std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
}

TEST(plansHzText, IgnoresTheProcessLocale) {
    ASSERT_TRUE(UseCommaLocale()) << "no locale with a decimal comma (scripts/setup installs "
                                     "`locales` and makes de_DE.UTF-8)";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    const bool comma = std::string(probe) == "1,5";
    const std::string text = HzToMHzText(14'999'900);
    const std::int32_t hz = MHzTextToHz("14.9999");
    const std::int32_t commaHz = MHzTextToHz("14,9999");
    std::setlocale(LC_NUMERIC, "C");
    ASSERT_TRUE(comma) << "the locale did not take effect";
    EXPECT_EQ(text, "14.9999");
    EXPECT_EQ(hz, 14'999'900);
    EXPECT_EQ(commaHz, 14'000'000);
}

TEST(plansGrid, NewPlansAndBounds) {
    PlanGrid radio = PlanGrid::NewPlan(kRadioPlan);
    EXPECT_EQ(radio.typeLabel(), "RADIO");
    EXPECT_EQ(radio.planName(), "NEW");
    ASSERT_EQ(radio.rowCount(), 1);
    EXPECT_EQ(radio.cell(1, 0) + radio.cell(1, 1) + "|" + radio.cell(1, 2) + "|" +
                  radio.cell(1, 3) + "|" + radio.cell(1, 4),
              "1CH1|50.0000|0.0030|OFF");
    EXPECT_EQ(radio.InactiveRows(), (std::vector<std::uint8_t>{0, 1}));
    PlanGrid plc = PlanGrid::NewPlan(kPlcPlan);
    EXPECT_EQ(plc.cell(1, 2) + " " + plc.cell(1, 3), "2.0000 1.0000");
    // The header row and cells outside the grid hold nothing and take nothing.
    radio.setCell(0, 1, "x");
    radio.setCell(2, 1, "x");
    radio.setCell(1, 5, "x");
    EXPECT_EQ(radio.cell(0, 1) + radio.cell(2, 1) + radio.cell(1, 5), "");
    radio.setFlag(7, true);
    EXPECT_FALSE(radio.flag(7));

    // Named in the person's language only with a word the instrument takes as it stands.
    const std::pair<std::string, std::string> words[] = {
        {"NEU", "NEU"}, {"NUEVO", "NUEVO"}, {"PLAN2", "PLAN2"}, {"", "NEW"},   {"NOUVEAU", "NEW"},
        {"Neu", "NEW"}, {"NÃO", "NEW"},     {"NE U", "NEW"},    {"N;1", "NEW"}};
    for (const auto& [word, name] : words)
        EXPECT_EQ(PlanGrid::NewPlan(kPlcPlan, NewPlanNameFrom(word)).planName(), name) << word;
}

// ---- writer --------------------------------------------------------------------------------

class plansFile : public ::testing::Test {
protected:
    int read(const std::string& bytes) {
        return ReadChannelPlanFile(WriteBytes(folder.path / "p.c318", bytes), grid, feedback);
    }
    TempFolder folder;
    RecordingFeedback feedback;
    PlanGrid grid;
};

TEST_F(plansFile, WritesNewPlansByteForByte) {
    EXPECT_EQ(DesaCanalitzacio(PlanGrid::NewPlan(kRadioPlan), folder.path / "r.c318", feedback), 0);
    EXPECT_EQ(ReadBytes(folder.path / "r.c318"), "1\r\nNEW\r\n1\r\n0,CH1,50000000,3000,OFF");
    EXPECT_EQ(DesaCanalitzacio(PlanGrid::NewPlan(kPlcPlan), folder.path / "p.c318", feedback), 0);
    EXPECT_EQ(ReadBytes(folder.path / "p.c318"), "2\r\nNEW\r\n1\r\n0,CH1,2000000,1000000,OFF");
    EXPECT_TRUE(feedback.messages.empty());
}

TEST_F(plansFile, WritesCellsAsHzWithTheRowAsIndex) {
    grid = PlanGrid::NewPlan(kRadioPlan);
    grid.setPlanName("A%d");
    grid.setRowCount(3);
    const char* rows[][5] = {{"7", "X", "474.0000", "14.9999", "ON"},
                             {"", "Y", "abc", "abc", "OFF"}};
    for (int r = 2; r <= 3; ++r)
        for (int c = 0; c < 5; ++c) grid.setCell(r, c, rows[r - 2][c]);
    ASSERT_EQ(DesaCanalitzacio(grid, folder.path / "a.c318", feedback), 0);
    EXPECT_EQ(
        ReadBytes(folder.path / "a.c318"),
        "1\r\nA%d\r\n3\r\n0,CH1,50000000,3000,OFF\r\n1,X,474000000,14999900,ON\r\n2,Y,0,0,OFF");
    grid.setRowCount(0);
    ASSERT_EQ(DesaCanalitzacio(grid, folder.path / "a.c318", feedback), 0);
    EXPECT_EQ(ReadBytes(folder.path / "a.c318"), "1\r\nA%d\r\n0");
}

TEST_F(plansFile, RefusesWhatCannotBeWritten) {
    const fs::path target = WriteBytes(folder.path / "keep.c318", "old");
    grid = PlanGrid::NewPlan(kPlcPlan);
    grid.setRowCount(151);
    EXPECT_EQ(DesaCanalitzacio(grid, target, feedback), -15);
    grid.setRowCount(150);
    grid.setTypeLabel("TV");
    EXPECT_EQ(DesaCanalitzacio(grid, target, feedback), -9);
    EXPECT_EQ(DesaCanalitzacio(grid, "", feedback), -11);
    grid.setTypeLabel("PLC");
    EXPECT_EQ(DesaCanalitzacio(grid, folder.path / "no-such-folder" / "x.c318", feedback), -14);
    // A channel line longer than the reader takes would make a file the program then refuses.
    grid.setCell(1, PlanGrid::kNameColumn, std::string(195, 'N'));
    EXPECT_EQ(DesaCanalitzacio(grid, target, feedback), -14);
    grid.setCell(1, PlanGrid::kNameColumn, "C1");
    EXPECT_EQ(feedback.messages, (std::vector<int>{18, 25, 18, 18}));
    EXPECT_EQ(ReadBytes(target), "old");
    grid.setCell(150, 4, "ON");
    EXPECT_EQ(DesaCanalitzacio(grid, target, feedback), 0);  // 150 channels are allowed
}

// ---- reader --------------------------------------------------------------------------------

TEST_F(plansFile, ReadsTheExampleWithCrLfOrLf) {
    for (const char* bytes : {"1\r\nTV1\r\n2\r\n0,CH1,50000000,3000,OFF\r\n1,CH2,50500000,3000,ON",
                              "1\nTV1\n2\n0,CH1,50000000,3000,OFF\n1,CH2,50500000,3000,ON\n"}) {
        ASSERT_EQ(read(bytes), 0);
        EXPECT_EQ(grid.typeLabel() + " " + grid.planName(), "RADIO TV1");
        EXPECT_EQ(grid.fileLabel(), (folder.path / "p.c318").string());
        ASSERT_EQ(grid.rowCount(), 2);
        std::string cells;
        for (int r = 1; r <= 2; ++r)
            for (int c = 0; c < 5; ++c) cells += grid.cell(r, c) + "|";
        EXPECT_EQ(cells, "1|CH1|50.0000|0.0030|OFF|2|CH2|50.5000|0.0030|ON|");
        EXPECT_EQ(grid.InactiveRows(), (std::vector<std::uint8_t>{0, 1, 0}));
    }
    ASSERT_EQ(DesaCanalitzacio(grid, folder.path / "back.c318", feedback), 0);
    EXPECT_EQ(ReadBytes(folder.path / "back.c318"),
              "1\r\nTV1\r\n2\r\n0,CH1,50000000,3000,OFF\r\n1,CH2,50500000,3000,ON");
    EXPECT_TRUE(feedback.messages.empty());
}

TEST_F(plansFile, ChecksEveryLimitAtAndPastItsBound) {
    struct Case {
        int type;
        std::int64_t freq, bw;
        int code;
    };
    const Case cases[] = {
        {1, 50'000'000, 3'000, 0},       {1, 1'020'000'000, 14'999'900, 0},
        {1, 49'999'999, 3'000, 1022},    {1, 1'020'000'001, 3'000, 1022},
        {1, 50'000'000, 2'999, 1023},    {1, 50'000'000, 14'999'901, 1023},
        {2, 2'000'000, 1'000'000, 0},    {2, 50'000'000, 12'000'000, 0},
        {2, 1'999'999, 1'000'000, 1022}, {2, 50'000'001, 1'000'000, 1022},
        {2, 2'000'000, 999'999, 1023},   {2, 2'000'000, 12'000'001, 1023},
    };
    for (const Case& c : cases) {
        feedback.messages.clear();
        const std::string line =
            "0,A," + std::to_string(c.freq) + "," + std::to_string(c.bw) + ",ON";
        EXPECT_EQ(read(PlanText(c.type, "L", {line})), c.code) << line;
        EXPECT_EQ(feedback.messages, c.code ? std::vector<int>{14} : std::vector<int>{}) << line;
    }
}

TEST_F(plansFile, IndicesStatesAndCounts) {
    auto lines = [](int n) {
        std::vector<std::string> v;
        for (int i = 0; i < n; ++i)
            v.push_back(std::to_string(i) + ",C," + std::to_string(60'000'000 + i) + ",3000,ON");
        return v;
    };
    EXPECT_EQ(read(PlanText(1, "P", lines(150))), 0);
    EXPECT_EQ(grid.rowCount(), 150);
    EXPECT_EQ(read(PlanText(1, "P", lines(151))), 151'020);
    EXPECT_EQ(read(PlanText(1, "P", {"1,C,60000000,3000,ON"})), 1020);
    EXPECT_EQ(read(PlanText(1, "P", {"0,C,60000000,3000,ON", "2,C,60000001,3000,ON"})), 2020);
    EXPECT_EQ(read(PlanText(1, "P", lines(2), 3)), 3020);  // announces 3, holds 2
    // Announces fewer than it holds: the line past the count is refused, not dropped.
    EXPECT_EQ(read(PlanText(1, "P", lines(3), 2)), 3020);
    EXPECT_EQ(read(PlanText(1, "P", lines(1), 0)), 1020);
    EXPECT_EQ(read(PlanText(1, "P", {}, 1)), 1020);
    EXPECT_EQ(read(PlanText(1, "P", {"0,C,60000000,3000,On"})), 1026);
    EXPECT_EQ(read(PlanText(1, "P", {"0,C,60000000,3000,ON "})), 1026);
    EXPECT_EQ(read(PlanText(1, "P", {"0," + std::string(200, 'N') + ",60000000,3000,ON"})), 1022);
    EXPECT_EQ(read(PlanText(1, "P",
                            {"0,C\x7f"
                             "D,60000000,3000,ON"})),
              1021);  // a control character
    EXPECT_EQ(feedback.messages, std::vector<int>(11, 14));
    feedback.messages.clear();

    EXPECT_EQ(read(PlanText(1, "P", lines(2)) + "\r\n\r\n"), 0);  // empty lines may close it
    EXPECT_EQ(grid.rowCount(), 2);
    EXPECT_EQ(read("1\r\nEMPTY\r\n0"), 0);
    EXPECT_EQ(grid.rowCount(), 0);
    EXPECT_EQ(read(PlanText(2, "MY TV", {"0,C,3000000,1000000,OFF"})), 0);
    EXPECT_EQ(grid.planName(), "MY TV");  // a name with a blank is read whole
    EXPECT_EQ(grid.typeLabel(), "PLC");
    EXPECT_EQ(read("3\r\nX\r\n0"), 50);
    EXPECT_EQ(grid.typeLabel(), "PLC");  // left as it was
    EXPECT_EQ(read("1\r\nX\r\n-1"), 52);
    EXPECT_EQ(read("1\r\nX"), 52);
    EXPECT_EQ(read("1\r\nX\r\n2000000000"), 1020);  // a huge count ends at the first absent line
    EXPECT_EQ(feedback.messages, std::vector<int>(4, 14));
}

TEST_F(plansFile, OpensFromTheDialogOrFromTheProgramFolder) {
    PlanList list;
    list.add("TV1 (RADIO)");
    list.add("GONE (PLC)");
    PlanFiles files(feedback, list, folder.path);
    const fs::path good =
        WriteBytes(folder.path / "good.c318", PlanText(1, "G", {"0,C,60000000,3000,ON"}));
    WriteBytes(folder.path / "good.C318", "1\r\nG\r\n0");
    feedback.files = {std::nullopt, (folder.path / "good.C318").string(),
                      (folder.path / "missing.c318").string(), good.string()};
    EXPECT_EQ(files.OpenChannelPlanFile(-1, grid), -1);
    EXPECT_EQ(files.OpenChannelPlanFile(-1, grid), 12);
    EXPECT_EQ(files.OpenChannelPlanFile(-1, grid), 13);
    EXPECT_EQ(files.OpenChannelPlanFile(-1, grid), 0);
    EXPECT_EQ(feedback.messages, (std::vector<int>{11, 1}));
    EXPECT_EQ(feedback.fileRequests.at(0).kind, FileRequest::EditPlan);
    EXPECT_EQ(grid.fileLabel(), good.string());
    EXPECT_EQ(files.chosenFile(), good.string());

    feedback.messages.clear();
    WriteBytes(folder.path / "TV1 (RADIO).temp", PlanText(1, "TV1", {"0,C,70000000,3000,OFF"}));
    EXPECT_EQ(files.OpenChannelPlanFile(0, grid), 0);
    EXPECT_EQ(grid.cell(1, 2), "70.0000");
    EXPECT_EQ(grid.fileLabel(), (folder.path / "TV1 (RADIO).temp").string());
    EXPECT_EQ(files.OpenChannelPlanFile(1, grid), 14);
    EXPECT_EQ(files.OpenChannelPlanFile(2, grid), 14);
    EXPECT_TRUE(feedback.messages.empty());  // a missing copy fails silently
}

}  // namespace
}  // namespace zv318::testing
