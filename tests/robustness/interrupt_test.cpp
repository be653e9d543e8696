// An interrupt that comes in the middle of a write: the signal is raised from the simulator's
// handler as it takes a chosen report, the way Ctrl+C comes while the instrument works. A phase
// that must not be cut runs to its end, the procedure stops there and says so, and the
// instrument holds whole plans and a whole image; an interrupt before the phase sends nothing
// that changes the instrument.

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <functional>
#include <string>
#include <vector>

#include "backup/backup.h"
#include "firmware/firmware_update.h"
#include "firmware/hex_images.h"
#include "link/interrupts.h"
#include "plans/plan_fixture.h"

namespace zv318::testing {
namespace {

class NoSleep : public Sleeper {
public:
    void sleepMs(int) override {}
};

// Each plan as a line: its name, its channels' count and every channel.
std::vector<std::string> Plans(const sim::Instrument& instrument) {
    std::vector<std::string> lines;
    for (int type : {sim::kRadio, sim::kPlc})
        for (const sim::Plan& plan : instrument.plans(type)) {
            std::string line = plan.name + " " + std::to_string(plan.channels.size());
            for (const sim::Channel& c : plan.channels)
                line += " " + c.name + "," + std::to_string(c.frequency) + "," +
                        std::to_string(c.bandwidth) + "," + std::to_string(c.flags >= 128);
            lines.push_back(line);
        }
    return lines;
}

class Interrupt : public PlanScenario {
protected:
    void SetUp() override {
        ClearInterrupts();
        previous_ = std::signal(SIGINT, [](int signal) { RequestInterrupt(signal); });
        instrument.plans(sim::kRadio) = {Radio("TV1", 150), Radio("FM", 120)};
        instrument.plans(sim::kPlc) = {Plc("HOME", 30)};
    }
    void TearDown() override {
        std::signal(SIGINT, previous_);
        ClearInterrupts();
    }
    // SIGINT as the instrument takes the report numbered `at` (from 1) from now on.
    void InterruptAt(int at) {
        instrument.clearReceived();
        instrument.onReport = [at](int n) {
            if (n == at) std::raise(SIGINT);
        };
    }

    int LastMessage() const { return feedback.messages.empty() ? 0 : feedback.messages.back(); }

    NoSleep sleeper;
    FirmwareUpdate update{link, feedback, language, folder.path, sleeper};

private:
    void (*previous_)(int) = SIG_DFL;
};

TEST_F(Interrupt, DuringAPhaseThatMustNotBeCutWaitsForItsEnd) {
    struct Row {
        const char* name;
        std::function<void()> run;
    };
    const std::vector<Row> rows = {
        // A restore erases every plan and writes them all back: the signal comes a few
        // channels into the first plan; a second one in the middle of the second plan.
        {"restore",
         [this] {
             InstrumentBackup backup(link, feedback, language);
             ASSERT_EQ(backup.Backup(folder.path / "backups"), BackupOutcome::Done);
             const std::vector<std::string> before = Plans(instrument);
             instrument.plans(sim::kRadio).pop_back();
             InterruptAt(20);
             const auto inner = instrument.onReport;
             instrument.onReport = [inner](int n) {
                 inner(n);
                 if (n == 200) std::raise(SIGINT);
             };
             const fs::path saved = fs::directory_iterator(folder.path / "backups")->path();
             EXPECT_EQ(backup.RestorePlans(saved, procedures, list), BackupOutcome::Failed);
             EXPECT_EQ(InterruptCount(), 2);
             EXPECT_EQ(Plans(instrument), before);
             // Stopped right after the closing "*PM01": the plans were not read back.
             EXPECT_EQ(commands().back(), "*PM01");
             EXPECT_EQ(LastMessage(), kMessageStoppedWritten);
         }},
        {"send",
         [this] {
             std::vector<std::string> lines;
             for (int c = 0; c < 60; ++c)
                 lines.push_back(std::to_string(c) + ",N" + std::to_string(c) + "," +
                                 std::to_string(200'000'000 + c * 1'000'000) + ",200000,ON");
             WriteBytes(folder.path / "new.c318", PlanText(1, "NEW", lines));
             InterruptAt(30);
             EXPECT_EQ(procedures.LoadPlanFile(folder.path / "new.c318"), PlanOutcome::Failed);
             ASSERT_EQ(instrument.plans(sim::kRadio).size(), 3u);
             EXPECT_EQ(instrument.plans(sim::kRadio)[2].channels.size(), 60u);
             EXPECT_EQ(commands().back().substr(0, 4), "*CF0");
             EXPECT_EQ(LastMessage(), kMessageStoppedWritten);
         }},
        // In the middle of the loader's page erases: the whole image still goes in, the block
        // at 0x1000 last, and the loader is told to leave.
        {"IO update",
         [this] {
             const std::string hex = FullIntelHexImage();
             WriteBytes(folder.path / "io.hex", hex);
             update.startupArgument = (folder.path / "io.hex").string();
             update.confirm = [](const UpdateQuestion&) { return true; };
             InterruptAt(60);
             EXPECT_EQ(update.Actualitzar("IO-2.10"), UpdateOutcome::Done);
             const std::vector<std::uint8_t> memory = instrument.loaderMemory();
             const MemoryImage image = LoadMemoryImage(hex);
             EXPECT_TRUE(std::equal(memory.begin() + kFirstBlock, memory.end(),
                                    image.bytes.begin() + kFirstBlock));
             const std::vector<Report>& sent = instrument.received;
             ASSERT_GE(sent.size(), 3u);
             EXPECT_EQ(sent.back()[1], kLoaderMode);
             EXPECT_EQ(sent.back()[7], 0x00);
             EXPECT_EQ(sent[sent.size() - 2][1], kLoaderSecondHalf);
             EXPECT_EQ(sent[sent.size() - 2][3], 0x10);  // address 0x1000, low byte first
             EXPECT_FALSE(instrument.loaderMode());
         }},
    };
    // As zv318ctl runs them: an exchange outside a phase after an interrupt is not made.
    link.setStopOnInterrupt(true);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ClearInterrupts();
        feedback.messages.clear();
        row.run();
        EXPECT_TRUE(InterruptRequested());
        EXPECT_FALSE(InUncuttablePhase());
    }
}

// As the windows run them: the procedure looks at the interrupt before it erases.
TEST_F(Interrupt, BeforeThePhaseNothingIsErased) {
    ReadFirst();
    const std::vector<std::string> before = Plans(instrument);
    list.select(0);
    InterruptAt(1);  // with the first count query of the deletion
    EXPECT_EQ(procedures.DelSelButClick(), PlanOutcome::Failed);
    EXPECT_EQ(Plans(instrument), before);
    for (const std::string& command : commands()) EXPECT_NE(command, "*EP");
    EXPECT_EQ(LastMessage(), kMessageStoppedBefore);
}

}  // namespace
}  // namespace zv318::testing
