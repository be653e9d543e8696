// Receiving a full logger index (50 used slots: one presence and 50 header queries) and
// downloading a 150-record logger through the in-process simulator. The time per exchange,
// less the simulator's own time for the same reports, is the program's work: it must stay
// well under 20 µs per exchange (a USB frame is 1 ms).

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "link/link.h"
#include "loggers/logger_procedures.h"
#include "sim/bus.h"
#include "sim/instrument.h"
#include "support/recording_feedback.h"
#include "texts/language_table.h"

namespace {

using namespace zv318;

sim::Instrument FullIndex() {
    sim::Instrument inst = sim::Instrument::Empty();
    for (int slot = 0; slot < sim::kLoggerSlots; ++slot) {
        sim::Logger lg{"12:00:00", "01/01/2014", "LOG" + std::to_string(slot), "TV1", "dBuV", 40,
                       {}};
        const int records = slot == 0 ? 150 : 5;
        for (int k = 0; k < records; ++k)
            lg.records.push_back({"C" + std::to_string(k % 100), 50'000'000 + 5'000'000 * k,
                                  8'000'000, std::to_string(30 + k % 40) + ".5"});
        inst.logger(sim::kRadio, slot) = std::move(lg);
    }
    return inst;
}

struct Scenario {
    sim::Instrument instrument = FullIndex();
    sim::SimBus bus{instrument};
    testing::RecordingFeedback feedback;
    Link link{bus, &feedback};
    LanguageTable language;
    LoggerProcedures procedures{link, feedback, language, std::filesystem::temp_directory_path()};
};

void CountExchanges(benchmark::State& state, std::size_t exchanges) {
    state.counters["exchanges"] = static_cast<double>(exchanges);
    state.counters["per_exchange"] =
        benchmark::Counter(static_cast<double>(exchanges) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_ReceiveFullIndex(benchmark::State& state) {
    Scenario s;
    std::size_t exchanges = 0;
    for (auto _ : state) {
        const LoggerOutcome outcome = s.procedures.ReceiveLoggers(kRadioLogger);
        state.PauseTiming();
        if (outcome != LoggerOutcome::Done || s.procedures.table().ListedLoggerCount() != 50) {
            state.SkipWithError("the reception did not list 50 loggers");
            break;
        }
        exchanges = s.instrument.received.size();
        s.instrument.clearReceived();
        state.ResumeTiming();
    }
    CountExchanges(state, exchanges);
}
BENCHMARK(BM_ReceiveFullIndex)->Unit(benchmark::kMicrosecond);

void BM_Download150Records(benchmark::State& state) {
    Scenario s;
    (void)s.procedures.ReceiveLoggers(kRadioLogger);
    s.instrument.clearReceived();
    std::size_t exchanges = 0;
    for (auto _ : state) {
        const int result = s.procedures.LoadLogger(1);
        state.PauseTiming();
        if (result != kLoggerLoaded || s.procedures.logger().records.size() != 150) {
            state.SkipWithError("the download did not bring 150 records");
            break;
        }
        exchanges = s.instrument.received.size();
        s.instrument.clearReceived();
        s.feedback.busyChanges.clear();
        state.ResumeTiming();
    }
    CountExchanges(state, exchanges);
}
BENCHMARK(BM_Download150Records)->Unit(benchmark::kMicrosecond);

// The simulator alone answering the very reports of one reception and one download.
void BM_SimulatorAlone(benchmark::State& state) {
    Scenario s;
    (void)s.procedures.ReceiveLoggers(kRadioLogger);
    (void)s.procedures.LoadLogger(1);
    const std::vector<zv318::Report> reports = s.instrument.received;
    for (auto _ : state) {
        for (const zv318::Report& r : reports) benchmark::DoNotOptimize(s.instrument.handle(r));
        state.PauseTiming();
        s.instrument.clearReceived();
        state.ResumeTiming();
    }
    CountExchanges(state, reports.size());
}
BENCHMARK(BM_SimulatorAlone)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
