// The IO Interface update of a full image (every byte from 0x1000 to 0x1FFFF filled) through
// the in-process simulator, the 4 s pause made zero. The time per report of the whole update,
// less the simulator's own time for the same reports, is the program's work: it must stay well
// under 20 µs per report (a USB frame is 1 ms).
//
//   build/bin/io_update --benchmark_counters_tabular=true

#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>

#include "firmware/firmware_update.h"
#include "firmware/hex_images.h"
#include "link/link.h"
#include "sim/bus.h"
#include "sim/instrument.h"
#include "support/recording_feedback.h"
#include "texts/language_table.h"
#include "texts/text_file.h"

namespace {

namespace fs = std::filesystem;
using namespace zv318;

class NoSleep : public Sleeper {
public:
    void sleepMs(int) override {}
};

struct ImageFile {
    ImageFile() {
        folder = fs::temp_directory_path() /
                 ("zv318-bench-io-" + std::to_string(std::random_device{}()));
        fs::create_directories(folder);
        path = (folder / "full.hex").string();
        if (!WriteFileAtomically(path, zv318::testing::FullIntelHexImage())) std::abort();
    }
    ~ImageFile() {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
    fs::path folder;
    std::string path;
};

// The whole update: file read and check, loader reports through the link and the simulator.
void BM_IoUpdateFullImage(benchmark::State& state) {
    ImageFile file;
    LanguageTable table;
    NoSleep sleeper;
    std::size_t reports = 0;
    for (auto _ : state) {
        state.PauseTiming();
        sim::Instrument instrument = sim::Instrument::Empty();
        sim::SimBus bus(instrument);
        zv318::testing::RecordingFeedback feedback;
        Link link(bus, &feedback);
        FirmwareUpdate update(link, feedback, table, file.folder, sleeper);
        update.confirm = [](const UpdateQuestion&) { return true; };
        update.startupArgument = file.path;
        state.ResumeTiming();

        if (update.Actualitzar("IO") != UpdateOutcome::Done) state.SkipWithError("update failed");

        state.PauseTiming();
        reports = instrument.received.size();
        state.ResumeTiming();
    }
    state.counters["reports"] = static_cast<double>(reports);
    state.counters["per_report"] = benchmark::Counter(
        static_cast<double>(reports),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_IoUpdateFullImage)->Unit(benchmark::kMillisecond)->UseRealTime();

// The simulator's share: the same reports handed straight to a fresh simulated loader.
void BM_SimulatorAloneForTheSameReports(benchmark::State& state) {
    ImageFile file;
    LanguageTable table;
    NoSleep sleeper;
    sim::Instrument recorder = sim::Instrument::Empty();
    {
        sim::SimBus bus(recorder);
        zv318::testing::RecordingFeedback feedback;
        Link link(bus, &feedback);
        FirmwareUpdate update(link, feedback, table, file.folder, sleeper);
        update.confirm = [](const UpdateQuestion&) { return true; };
        update.startupArgument = file.path;
        (void)update.Actualitzar("IO");
    }
    const std::vector<Report> reports = recorder.received;
    for (auto _ : state) {
        sim::Instrument instrument = sim::Instrument::Empty();
        for (const Report& r : reports) benchmark::DoNotOptimize(instrument.handle(r));
    }
    state.counters["per_report"] = benchmark::Counter(
        static_cast<double>(reports.size()),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_SimulatorAloneForTheSameReports)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
