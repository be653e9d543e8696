// Keeping a downloaded 150-record logger in the measurement archive, as the download hook does
// (the file's bytes and SHA-256, the logger row, 150 record rows, one committed transaction in
// a WAL-mode SQLite file): it must stay under 5 ms, so a save-all run never waits for it.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "archive/archive.h"

namespace {

using namespace zv318;

OpenLogger Logger150(long long serial) {
    OpenLogger lg{"RADIO", "ROOF", "TV1", "01/02/2013", "10:20:30", "45 dBuV", {}, {}};
    for (int k = 0; k < 150; ++k) {
        char power[32];
        // The serial makes each logger's bytes its own: every keep adds a logger.
        std::snprintf(power, sizeof power, "%.1f dBuV", 30 + (k + serial) % 400 / 10.0);
        char mhz[32];
        std::snprintf(mhz, sizeof mhz, "%.4f", 47.0 + 5.0 * k);
        lg.records.push_back({"C" + std::to_string(k), mhz, "8.0000", power});
    }
    lg.name = "ROOF" + std::to_string(serial % 100000);
    return lg;
}

void BM_KeepLogger150(benchmark::State& state) {
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / "zv318-bench-keep.sqlite";
    for (const char* end : {"", "-wal", "-shm"})
        std::filesystem::remove(file.string() + end);
    {
        Archive archive;
        if (archive.Open(ArchiveLocationFor(file.string(), {})) != Archive::State::Ready) {
            state.SkipWithError(archive.detail().c_str());
            return;
        }
        long long n = 0;
        for (auto _ : state) {
            state.PauseTiming();
            const OpenLogger lg = Logger150(n++);
            state.ResumeTiming();
            const std::string bytes = LoggerFileText(lg);
            auto kept = archive.Keep(bytes, lg, InstrumentIdentity{"00012345", "ZV-318", "1", "2"}, 3);
            if (!kept || !kept->added) state.SkipWithError("not kept");
        }
        state.counters["loggers"] = static_cast<double>(n);
    }
    for (const char* end : {"", "-wal", "-shm"})
        std::filesystem::remove(file.string() + end);
}
BENCHMARK(BM_KeepLogger150)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
