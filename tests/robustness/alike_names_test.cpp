// Plans alike in name are kept apart: each list position has a copy of its own, so a reading,
// a deletion of another plan, the editor's open, a backup and its restore each take every plan
// from its own copy. Checked on the simulated instrument's plans after each step.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "backup/backup.h"
#include "plans/plan_fixture.h"
#include "texts/file_names.h"

namespace zv318::testing {
namespace {

// Each plan as its name and channels: what tells two plans alike in name apart.
std::vector<std::string> Plans(const sim::Instrument& instrument) {
    std::vector<std::string> lines;
    for (int type : {sim::kRadio, sim::kPlc})
        for (const sim::Plan& plan : instrument.plans(type)) {
            std::string line = plan.name;
            for (const sim::Channel& c : plan.channels)
                line += " " + c.name + "," + std::to_string(c.frequency);
            lines.push_back(line);
        }
    return lines;
}

// `count` RADIO channels from `base` Hz: each plan of a pair gets channels of its own.
sim::Plan RadioAt(const std::string& name, int count, std::int32_t base) {
    return MakePlan(name, count, base, 200'000);
}

// Two names that escape to the same 60 bytes once cut: "%41" is written "%2541".
std::string Escaped(char last) {
    std::string name;
    for (int k = 0; k < 18; ++k) name += "%41";
    return name + last;
}

struct Pair {
    const char* what;
    std::string first, second;
};

const std::vector<Pair> kPairs = {
    {"alike in name", "TV1", "TV1"},
    {"alike but for letter case", "tv1", "TV1"},
    {"alike once escaped and cut", Escaped('X'), Escaped('Y')},
};

class AlikeNames : public PlanScenario {
protected:
    void Load(const Pair& pair) {
        instrument.plans(sim::kRadio) = {RadioAt(pair.first, 3, 100'000'000),
                                         RadioAt(pair.second, 2, 500'000'000),
                                         RadioAt("THIRD", 1, 900'000'000)};
        instrument.plans(sim::kPlc) = {Plc("P", 2)};
    }
    void Select(const std::string& entry) {
        auto at = std::find(list.entries.begin(), list.entries.end(), entry);
        ASSERT_NE(at, list.entries.end()) << entry;
        list.select(static_cast<int>(at - list.entries.begin()));
    }
};

TEST_F(AlikeNames, EveryPlanKeepsItsOwnChannelsThroughReadDeleteEditAndRestore) {
    for (const Pair& pair : kPairs) {
        SCOPED_TRACE(pair.what);
        const std::string radio = ListSuffixFor(kRadioPlan);
        Load(pair);
        std::vector<std::string> before = Plans(instrument);

        // The reading: one copy per position, each holding its own plan; the first plan of a
        // name keeps the usual copy name.
        ReadFirst();
        std::set<fs::path> copies;
        for (int k = 0; k < list.count(); ++k) {
            const std::optional<fs::path> copy = procedures.LatestReadingCopy(k);
            ASSERT_TRUE(copy) << k;
            copies.insert(*copy);
        }
        EXPECT_EQ(copies.size(), static_cast<std::size_t>(list.count()));
        EXPECT_EQ(procedures.LatestReadingCopy(0)->filename(),
                  SafeFileName(pair.first + radio) + ".temp");

        // The editor opens each position's own plan.
        PlanFiles files{feedback, list, folder.path};
        for (int k : {0, 1}) {
            PlanGrid grid;
            ASSERT_EQ(files.OpenChannelPlanFile(k, grid), kPlanRead) << k;
            EXPECT_EQ(grid.rowCount(), k == 0 ? 3 : 2) << k;
        }

        // Deleting the third plan writes both alike plans back as they were.
        Select("THIRD" + radio);
        ASSERT_EQ(procedures.DelSelButClick(), PlanOutcome::Done);
        before.erase(before.begin() + 2);
        EXPECT_EQ(Plans(instrument), before);

        // A backup, then a restore over a changed instrument: each plan back as it was.
        InstrumentBackup backup(link, feedback, language);
        const fs::path backups = folder.path / ("backups-" + std::to_string(&pair - &kPairs[0]));
        ASSERT_EQ(backup.Backup(backups), BackupOutcome::Done);
        std::swap(instrument.plans(sim::kRadio)[0].channels,
                  instrument.plans(sim::kRadio)[1].channels);
        ASSERT_EQ(backup.RestorePlans(fs::directory_iterator(backups)->path(), procedures, list),
                  BackupOutcome::Done);
        EXPECT_EQ(Plans(instrument), before);
        EXPECT_EQ(backup.restoredPlans(), 3);
        feedback.messages.clear();
    }
}

// Two kept plans whose copies are one file all the same (a file system that takes two names
// for one): the deletion is refused, naming both, before anything is erased.
TEST_F(AlikeNames, CopiesThatAreStillOneFileRefuseTheDeletionBeforeAnyErase) {
    Load(kPairs[0]);
    const std::vector<std::string> before = Plans(instrument);
    ReadFirst();
    const fs::path first = *procedures.LatestReadingCopy(0);
    const fs::path second = *procedures.LatestReadingCopy(1);
    fs::remove(second);
    fs::create_hard_link(first, second);
    Select("THIRD (RADIO)");
    EXPECT_EQ(procedures.DelSelButClick(), PlanOutcome::Failed);
    EXPECT_EQ(feedback.messages, std::vector<int>{kSharedCopyMessage});
    ASSERT_EQ(feedback.notices.size(), 1u);
    EXPECT_EQ(feedback.notices[0], "\"TV1 (RADIO)\", \"TV1 (RADIO)\"");
    for (const std::string& command : commands()) {
        EXPECT_NE(command, "*EP");
        EXPECT_FALSE(command.starts_with("*PN")) << command;
    }
    EXPECT_EQ(Plans(instrument), before);
}

}  // namespace
}  // namespace zv318::testing
