#pragma once
// A plan scenario: the simulated instrument on the in-process bus, a recording feedback, a
// language table whose entry n reads "E<n>", the plan list and a program folder of its own.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "link/link.h"
#include "plans/plan_list.h"
#include "plans/plan_procedures.h"
#include "texts/language_table.h"
#include "texts/text_file.h"
#include "sim/bus.h"
#include "sim/instrument.h"
#include "support/recording_feedback.h"

namespace zv318::testing {

namespace fs = std::filesystem;

struct TempFolder {
    TempFolder() {
        path =
            fs::temp_directory_path() / ("zv318-plans-" + std::to_string(std::random_device{}()));
        fs::create_directories(path);
    }
    ~TempFolder() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    fs::path path;
};

inline std::string ReadBytes(const fs::path& p) {
    return ReadWholeFile(p).value_or("<missing>");
}

inline fs::path WriteBytes(const fs::path& p, const std::string& bytes) {
    EXPECT_TRUE(WriteFileAtomically(p, bytes));
    return p;
}

// `count` channels from `base` Hz, 1 MHz apart, every second one ON.
inline sim::Plan MakePlan(const std::string& name, int count, std::int32_t base, std::int32_t bw) {
    sim::Plan plan{name, {}};
    for (int k = 0; k < count; ++k)
        plan.channels.push_back(
            {k, "C" + std::to_string(k), base + 1'000'000 * k, bw, k % 2 ? 128 : 0});
    return plan;
}
inline sim::Plan Radio(const std::string& name, int count) {
    return MakePlan(name, count, 100'000'000, 200'000);
}
inline sim::Plan Plc(const std::string& name, int count) {
    return MakePlan(name, count, 3'000'000, 2'000'000);
}

inline std::string Cf(int plan, int channel) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "*?CF%02d%03d", plan, channel);
    return buf;
}

// What a reading of the plans sends to an instrument holding these plans.
inline std::vector<std::string> ReadingCommands(const sim::Instrument& inst) {
    std::vector<std::string> c;
    for (int type : {sim::kRadio, sim::kPlc}) {
        const auto& plans = inst.plans(type);
        c.push_back(type == sim::kRadio ? "*EC01" : "*EC02");
        c.push_back("*?PN");
        if (plans.empty()) continue;
        for (std::size_t j = 0; j < plans.size(); ++j) c.push_back("*?CS0" + std::to_string(j));
        c.push_back("*?PN");
        for (std::size_t i = 0; i < plans.size(); ++i) c.push_back("*?CU" + std::to_string(i));
        for (std::size_t i = 0; i < plans.size(); ++i) {
            c.push_back("*?CS0" + std::to_string(i));
            c.push_back("*?CU" + std::to_string(i));
            for (std::size_t j = 0; j < plans[i].channels.size(); ++j)
                c.push_back(Cf(static_cast<int>(i), static_cast<int>(j)));
        }
    }
    return c;
}

inline std::vector<std::string> Concat(std::vector<std::string> a,
                                       const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Channel lines "i,name,freq,bw,state" joined under a header, CR LF, no final line end.
inline std::string PlanText(int type, const std::string& name,
                            const std::vector<std::string>& lines, int count = -1) {
    std::vector<std::string> all{
        std::to_string(type), name,
        std::to_string(count < 0 ? static_cast<int>(lines.size()) : count)};
    all.insert(all.end(), lines.begin(), lines.end());
    return JoinCrLf(all);
}

class PlanScenario : public ::testing::Test {
protected:
    PlanScenario() {
        for (int n = 0; n < kLanguageEntries; ++n) language.set(n, "E" + std::to_string(n));
    }

    // Reads the instrument's plans, so the list and the copies stem from a reading, then
    // forgets what the instrument received and what was shown.
    void ReadFirst() {
        ASSERT_EQ(procedures.ReceiveButClick(), PlanOutcome::Done);
        instrument.clearReceived();
        feedback.messages.clear();
        feedback.statusAtMessage.clear();
    }
    std::vector<std::string> commands() const { return instrument.commands(); }
    fs::path copy(const std::string& entry) const { return folder.path / (entry + ".temp"); }
    RecordingProgress& progress() { return feedback.progressWindow; }

    sim::Instrument instrument = sim::Instrument::Empty();
    sim::SimBus bus{instrument};
    RecordingFeedback feedback;
    Link link{bus, &feedback};
    LanguageTable language;
    PlanList list;
    TempFolder folder;
    PlanProcedures procedures{link, feedback, language, list, folder.path};
};

}  // namespace zv318::testing
