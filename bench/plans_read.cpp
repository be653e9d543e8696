// Reading a full instrument (10 RADIO and 10 PLC plans of 150 channels) through the
// in-process simulator, copies written to a temporary folder. The time per exchange of the
// whole reading, less the simulator's own time for the same reports, is the program's work:
// it must stay well under 20 µs per exchange.

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>

#include "link/link.h"
#include "plans/plan_list.h"
#include "plans/plan_procedures.h"
#include "texts/language_table.h"
#include "sim/bus.h"
#include "sim/instrument.h"

namespace {

namespace fs = std::filesystem;
using namespace zv318;

class CountingProgress : public ProgressWindow {
public:
    void setCaption(const std::string&) override {}
    void setStatus(const std::string&) override {}
    void setNote(const std::string&) override {}
    void setNoteWidth(int) override {}
    void setRange(int, int maximum) override { max_ = maximum; }
    void setPosition(int p) override { pos_ = p; }
    int position() const override { return pos_; }
    int maximum() const override { return max_; }
    void setBarVisible(bool) override {}
    void setOkEnabled(bool) override {}
    void show() override {}

private:
    int pos_ = 0, max_ = 0;
};

// A feedback whose event rounds do a little work, as a window system's would.
class CountingFeedback : public Feedback {
public:
    void showMessage(int) override { ++messages; }
    void showNotice(const std::string&) override {}
    bool askYesNo(int, int) override { return true; }
    Answer askYesNoCancel(int, int) override { return Answer::Yes; }
    std::optional<std::string> chooseFile(const FileRequest&) override { return std::nullopt; }
    ProgressWindow& progress() override { return progress_; }
    void processEvents() override {
        ++rounds;
        checksum = checksum * 31 + static_cast<unsigned>(progress_.position());
        benchmark::DoNotOptimize(checksum);
    }
    void setBusy(bool) override {}

    int messages = 0;
    long rounds = 0;
    unsigned checksum = 0;

private:
    CountingProgress progress_;
};

sim::Instrument FullInstrument() {
    sim::Instrument inst = sim::Instrument::Empty();
    for (int type : {sim::kRadio, sim::kPlc}) {
        const std::int32_t base = type == sim::kRadio ? 100'000'000 : 2'000'000;
        const std::int32_t step = type == sim::kRadio ? 5'000'000 : 300'000;
        const std::int32_t bw = type == sim::kRadio ? 200'000 : 1'000'000;
        for (int p = 0; p < sim::kMaxPlans; ++p) {
            sim::Plan plan{(type == sim::kRadio ? "R" : "P") + std::to_string(p), {}};
            for (int c = 0; c < 150; ++c)
                plan.channels.push_back(
                    {c, "C" + std::to_string(c), base + step * c, bw, c % 3 ? 128 : 0});
            inst.plans(type).push_back(std::move(plan));
        }
    }
    return inst;
}

struct TempFolder {
    TempFolder()
        : path(fs::temp_directory_path() /
               ("zv318-bench-" + std::to_string(std::random_device{}()))) {
        fs::create_directories(path);
    }
    ~TempFolder() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    fs::path path;
};

void BM_ReadFullInstrument(benchmark::State& state) {
    sim::Instrument instrument = FullInstrument();
    sim::SimBus bus(instrument);
    CountingFeedback feedback;
    Link link(bus, &feedback);
    LanguageTable language;
    PlanList list;
    TempFolder folder;
    PlanProcedures procedures(link, feedback, language, list, folder.path);

    std::size_t exchanges = 0;
    std::chrono::duration<double> wall{};
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const PlanOutcome outcome = procedures.ReceiveButClick();
        wall += std::chrono::steady_clock::now() - start;
        state.PauseTiming();
        if (outcome != PlanOutcome::Done || list.count() != 20 || feedback.messages) {
            state.SkipWithError("the reading did not finish cleanly");
            break;
        }
        exchanges = instrument.received.size();
        instrument.clearReceived();
        state.ResumeTiming();
    }
    state.counters["exchanges"] = static_cast<double>(exchanges);
    state.counters["per_exchange"] =
        benchmark::Counter(static_cast<double>(exchanges) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    // CPU time is the program's and the simulator's work; wall time adds the disk (20 copies
    // written and renamed) and whatever else the machine is doing.
    state.counters["per_exchange_wall_us"] =
        1e6 * wall.count() /
        (static_cast<double>(exchanges) * static_cast<double>(state.iterations()));
    state.counters["event_rounds"] =
        static_cast<double>(feedback.rounds) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ReadFullInstrument)->Unit(benchmark::kMillisecond);

// The simulator alone answering the very reports of one reading: what the reading's time per
// exchange holds that is not the program's.
void BM_SimulatorAlone(benchmark::State& state) {
    sim::Instrument instrument = FullInstrument();
    {
        sim::SimBus bus(instrument);
        CountingFeedback feedback;
        Link link(bus, &feedback);
        LanguageTable language;
        PlanList list;
        TempFolder folder;
        PlanProcedures(link, feedback, language, list, folder.path).ReceiveButClick();
    }
    const std::vector<Report> reports = instrument.received;
    for (auto _ : state) {
        for (const Report& r : reports) benchmark::DoNotOptimize(instrument.handle(r));
        state.PauseTiming();
        instrument.clearReceived();
        state.ResumeTiming();
    }
    state.counters["exchanges"] = static_cast<double>(reports.size());
    state.counters["per_exchange"] = benchmark::Counter(
        static_cast<double>(reports.size()) * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_SimulatorAlone)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
