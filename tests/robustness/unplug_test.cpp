// Every procedure that talks to the instrument, cut off at every exchange: the instrument
// unplugged before exchange k, or silent from exchange k, for every k the procedure reaches.
// Each run must end within the link's time-outs, end as a failure the person is told about
// (never as a success), leave the program usable (the progress window closable) and leave the
// person's own files as they were.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "backup/backup.h"
#include "firmware/firmware_update.h"
#include "firmware/hex_images.h"
#include "link/link.h"
#include "loggers/logger_procedures.h"
#include "plans/plan_fixture.h"
#include "plans/plan_procedures.h"
#include "shell/clock.h"
#include "shell/service.h"
#include "shell/startup.h"

namespace zv318::testing {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kTimeoutMs = 20;

// The plan scenario, made afresh for each run.
class Cut : public PlanScenario {
public:
    void TestBody() override {}
    using PlanScenario::bus;
    using PlanScenario::feedback;
    using PlanScenario::folder;
    using PlanScenario::instrument;
    using PlanScenario::language;
    using PlanScenario::link;
    using PlanScenario::list;
    using PlanScenario::procedures;
    using PlanScenario::ReadFirst;

    // The logger procedures of this scenario, made on first use and kept for the run.
    LoggerProcedures& loggers() {
        if (!loggers_) loggers_.emplace(link, feedback, language, folder.path);
        return *loggers_;
    }

    // A firmware update whose waits take no time, confirmed.
    FirmwareUpdate& update() {
        update_.confirm = [](const UpdateQuestion&) { return true; };
        return update_;
    }

private:
    class NoSleep : public Sleeper {
    public:
        void sleepMs(int) override {}
    } sleeper_;
    FirmwareUpdate update_{link, feedback, language, folder.path, sleeper_};
    std::optional<LoggerProcedures> loggers_;
};

// One run of a procedure on a fresh scenario; true when it ended as a success.
using Run = std::function<bool(Cut&)>;

struct Procedure {
    const char* name;
    std::function<void(Cut&)> prepare;  // plans, files, a first reading
    Run run;
    // Final exchanges whose loss is no failure: the IO Interface's loader may already have left
    // when the report that tells it to leave goes out; the image is in place by then.
    std::size_t untestedTail = 0;
};

std::map<fs::path, std::string> UserFiles(const fs::path& folder) {
    std::map<fs::path, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file() && entry.path().extension() != ".temp")
            files[entry.path()] = ReadBytes(entry.path());
    return files;
}

void WithPlans(Cut& s) {
    s.instrument.plans(sim::kRadio) = {Radio("TV1", 4), Radio("FM", 3)};
    s.instrument.plans(sim::kPlc) = {Plc("HOME", 2)};
    WriteBytes(s.folder.path / "new.c318",
               PlanText(1, "NEWPLAN", {"0,A,100000000,200000,ON", "1,B,101000000,200000,OFF"}));
}

void ReadThenSelectFirst(Cut& s) {
    WithPlans(s);
    s.ReadFirst();
    s.list.select(0);
}

void WithImages(Cut& s) {
    WithPlans(s);
    fs::create_directories(s.folder.path / "Version");
    std::string hex = HexRecord(0, 0x1000, {0xAA, 0xBB, 0xCC}) +
                      HexRecord(0, 0x1100, {1, 2, 3, 4}) + HexRecord(1, 0, {});
    WriteBytes(s.folder.path / "Version" / "io.hex", hex);
    WriteBytes(s.folder.path / "Version" / "zv.zv318",
               "S00600004844521B\r\nS1030000FC\r\nS1050010AABB85\r\nS9030000FC\r\n");
}

// Prints by checking that the print text can be read: what a printer would be handed.
class CheckingPrinter : public LoggerPrinter {
public:
    bool choosePrinter() override { return true; }
    void SetPrintTitle(const std::string&) override {}
    int PrintTextFile(const std::filesystem::path& file) override {
        return ReadWholeFile(file) ? 1 : 0;
    }
};

// Two RADIO loggers, received and listed, both marked; a "Loggers" folder to save into.
void WithListedLoggers(Cut& s) {
    WithPlans(s);
    for (int slot : {2, 7}) {
        sim::Logger logger{"10:00:00", "01/02/2013", "L" + std::to_string(slot), "TV1", "dBm", -60,
                           {}};
        for (int r = 0; r < 3; ++r)
            logger.records.push_back({"C" + std::to_string(r), 100'000'000 + 1'000'000 * r, 200'000,
                                      "-4" + std::to_string(r) + ".5"});
        s.instrument.logger(sim::kRadio, slot) = logger;
    }
    fs::create_directories(s.folder.path / "Loggers");
    ASSERT_EQ(s.loggers().ReceiveLoggers(sim::kRadio), LoggerOutcome::Done);
    (void)s.loggers().table().LoggerIndexMouseUp(4, 1, true);
    (void)s.loggers().table().LoggerIndexMouseUp(4, 2, true);
    (void)s.loggers().table().LoggerIndexMouseUp(1, 2, true);  // the clicked row: 2
    s.instrument.clearReceived();
    s.feedback.messages.clear();
}

// The plans and one logger, then a backup of them, then the plans changed.
void WithBackup(Cut& s) {
    WithPlans(s);
    s.instrument.logger(sim::kRadio, 2) = sim::Logger{"10:00:00",
                                                      "01/02/2013",
                                                      "ROOF",
                                                      "TV1",
                                                      "dBm",
                                                      -60,
                                                      {{"C0", 100'000'000, 200'000, "-40.0"}}};
    InstrumentBackup backup(s.link, s.feedback, s.language);
    ASSERT_EQ(backup.Backup(s.folder.path / "backups"), BackupOutcome::Done);
    s.instrument.plans(sim::kRadio).pop_back();
    s.instrument.clearReceived();
    s.feedback.messages.clear();
}

fs::path BackupFolderIn(const fs::path& dir) {
    for (const auto& entry : fs::directory_iterator(dir)) return entry.path();
    return {};
}

const std::vector<Procedure>& Procedures() {
    static const std::vector<Procedure> all = {
        {"read plans", WithPlans,
         [](Cut& s) { return s.procedures.ReceiveButClick() == PlanOutcome::Done; }},
        {"send a plan", WithPlans,
         [](Cut& s) {
             return s.procedures.LoadPlanFile(s.folder.path / "new.c318") == PlanOutcome::Done;
         }},
        {"delete a plan", ReadThenSelectFirst,
         [](Cut& s) { return s.procedures.DelSelButClick() == PlanOutcome::Done; }},
        {"status refresh", WithPlans, [](Cut& s) { return ReadConnectionInfo(s.link).found; }},
        {"set the clock", WithPlans,
         [](Cut& s) {
             Puestaenhora1Click(s.link, s.feedback, s.instrument.serial);
             return s.feedback.messages.empty();
         }},
        {"update the IO Interface", WithImages,
         [](Cut& s) {
             s.update().startupArgument = (s.folder.path / "Version" / "io.hex").string();
             return s.update().Actualitzar("IO-2.10") == UpdateOutcome::Done;
         },
         1},
        {"update the instrument", WithImages,
         [](Cut& s) {
             s.feedback.files = {(s.folder.path / "Version" / "zv.zv318").string()};
             return s.update().ActualitzarZV318("V1.20") == UpdateOutcome::Done;
         }},
        {"back up the instrument", WithBackup,
         [](Cut& s) {
             InstrumentBackup backup(s.link, s.feedback, s.language);
             return backup.Backup(s.folder.path / "more") == BackupOutcome::Done;
         }},
        {"restore the plans", WithBackup,
         [](Cut& s) {
             InstrumentBackup backup(s.link, s.feedback, s.language);
             return backup.RestorePlans(BackupFolderIn(s.folder.path / "backups"), s.procedures,
                                        s.list) == BackupOutcome::Done;
         }},
        {"receive the loggers", WithListedLoggers,
         [](Cut& s) { return s.loggers().ReceiveLoggers(sim::kRadio) == LoggerOutcome::Done; }},
        {"download a logger", WithListedLoggers,
         [](Cut& s) { return s.loggers().LoggerIndexDblClick() == kLoggerLoaded; }},
        {"save every logger", WithListedLoggers,
         [](Cut& s) { return s.loggers().SaveLogButClick() == LoggerOutcome::Done; }},
        {"print the marked loggers", WithListedLoggers,
         [](Cut& s) {
             CheckingPrinter printer;
             return s.loggers().PrintSelButClick(printer) == LoggerOutcome::Done;
         }},
        {"erase every plan", WithPlans,
         [](Cut& s) {
             HiddenEraseAction(s.link, s.feedback, s.list);
             return s.feedback.messages.empty();
         }},
    };
    return all;
}

TEST(robustnessUnplug, EveryProcedureCutAtEveryExchange) {
    int runs = 0;
    for (const Procedure& p : Procedures()) {
        // How many exchanges the procedure makes when nothing goes wrong.
        std::size_t exchanges = 0;
        std::vector<bool> replyAwaitedFrom;  // [k]: some text report from exchange k on
        {
            Cut s;
            p.prepare(s);
            s.link.setTimeoutMs(kTimeoutMs);
            const std::size_t before = s.instrument.received.size();
            ASSERT_TRUE(p.run(s)) << p.name << " fails with nothing cut";
            exchanges = s.instrument.received.size() - before;
            // Loader reports get no reply: silence after the last text report changes nothing.
            replyAwaitedFrom.assign(exchanges + 2, false);
            for (std::size_t k = exchanges; k >= 1; --k)
                replyAwaitedFrom[k] =
                    replyAwaitedFrom[k + 1] || s.instrument.received[before + k - 1][1] == 3;
        }
        ASSERT_GT(exchanges, 0u) << p.name;
        for (std::size_t k = 1; k + p.untestedTail <= exchanges; ++k) {
            for (bool silent : {false, true}) {
                if (silent && !replyAwaitedFrom[k]) continue;
                SCOPED_TRACE(std::string(p.name) +
                             (silent ? ", silent from exchange " : ", unplugged before exchange ") +
                             std::to_string(k));
                Cut s;
                p.prepare(s);
                s.link.setTimeoutMs(kTimeoutMs);
                const auto filesBefore = UserFiles(s.folder.path);
                if (silent)
                    s.instrument.silentFrom = static_cast<int>(s.instrument.received.size() + k);
                else
                    s.bus.unplugAfter(static_cast<int>(k - 1));
                const auto start = Clock::now();
                const bool success = p.run(s);
                const auto ms =
                    std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start)
                        .count();
                ++runs;
                EXPECT_FALSE(success);
                EXPECT_LT(ms, 2000) << "ran " << ms << " ms";
                EXPECT_TRUE(s.feedback.progressWindow.okEnabled) << "the progress window stays";
                // Every file that was there is as it was (a logger saved before the cut may
                // have been added beside them).
                const auto filesAfter = UserFiles(s.folder.path);
                for (const auto& [path, bytes] : filesBefore) {
                    auto it = filesAfter.find(path);
                    EXPECT_TRUE(it != filesAfter.end() && it->second == bytes) << path;
                }
            }
        }
    }
    RecordProperty("runs", runs);
    std::printf("%d cut runs\n", runs);
}

}  // namespace
}  // namespace zv318::testing
