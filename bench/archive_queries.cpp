// The measurement archive at the size a busy technician reaches in years: 100,000 loggers of
// 150 records (15 million records), 100 sites of 1,000 loggers each. `list` with a filter must
// answer under 200 ms, a trend over the 1,000 loggers of one site under 100 ms. Opening (with
// its integrity check) is measured too.
//
// The archive is generated once into the temporary folder and kept for later runs
// (zv318-bench-archive-N.sqlite; ZV318_BENCH_LOGGERS=N for another size): generating it takes
// minutes. The generation time and the file's size per logger are printed.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/archive.h"
#include "archive/archive_analysis.h"

namespace {

using namespace zv318;
namespace fs = std::filesystem;

constexpr int kSites = 100;

int LoggerCount() {
    const char* n = std::getenv("ZV318_BENCH_LOGGERS");
    return n ? std::max(kSites, std::atoi(n)) : 100'000;
}

fs::path ArchiveFile() {
    return fs::temp_directory_path() /
           ("zv318-bench-archive-" + std::to_string(LoggerCount()) + ".sqlite");
}

std::string SiteName(int site) {
    char name[16];
    std::snprintf(name, sizeof name, "SITE%03d", site);
    return name;
}

// Logger j of a site: one a day from 1 January 2020, 150 channels, powers that drift.
OpenLogger SiteLogger(int site, int j) {
    const int day = j % 28 + 1, month = j / 28 % 12 + 1, year = 2020 + j / 336;
    char date[16], time[16];
    std::snprintf(date, sizeof date, "%02d/%02d/%04d", day, month, year);
    std::snprintf(time, sizeof time, "%02d:%02d:00", 8 + site % 10, site % 60);
    OpenLogger lg{"RADIO", SiteName(site), "TV" + std::to_string(site % 7), date, time,
                  "45 dBuV", {}, {}};
    lg.records.reserve(150);
    for (int k = 0; k < 150; ++k) {
        char power[32], mhz[32];
        std::snprintf(power, sizeof power, "%.1f dBuV", 30 + (k * 7 + j * 3 + site) % 400 / 10.0);
        std::snprintf(mhz, sizeof mhz, "%.4f", 47.0 + 5.0 * k);
        lg.records.push_back({"C" + std::to_string(k), mhz, "8.0000", power});
    }
    return lg;
}

bool Generate(const fs::path& file, int count) {
    for (const char* end : {"", "-wal", "-shm"}) fs::remove(file.string() + end);
    const fs::path partial = file.string() + ".part";
    for (const char* end : {"", "-wal", "-shm"}) fs::remove(partial.string() + end);
    const auto start = std::chrono::steady_clock::now();
    {
        Archive archive;
        if (archive.Open(ArchiveLocationFor(partial.string(), {})) != Archive::State::Ready)
            return false;
        const int perSite = count / kSites;
        const InstrumentIdentity zv{"00012345", "ZV-318", "IO-2.10", "V1.20"};
        // A thousand loggers a transaction: the same rows as one keep each, written in far
        // fewer commits.
        for (int j = 0; j < perSite; j += 10) {
            std::vector<OpenLogger> loggers;
            std::vector<std::string> bytes;
            for (int jj = j; jj < std::min(perSite, j + 10); ++jj)
                for (int site = 0; site < kSites; ++site) {
                    loggers.push_back(SiteLogger(site, jj));
                    bytes.push_back(LoggerFileText(loggers.back()));
                }
            std::vector<Archive::ToKeep> batch;
            for (std::size_t k = 0; k < loggers.size(); ++k)
                batch.push_back({bytes[k], &loggers[k], zv, static_cast<int>(k % 50), {}});
            if (!archive.KeepAll(batch)) {
                std::fprintf(stderr, "generation failed: %s\n", archive.detail().c_str());
                return false;
            }
        }
    }
    for (const char* end : {"-wal", "-shm"}) fs::remove(partial.string() + end);
    fs::rename(partial, file);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::fprintf(stderr, "generated %d loggers in %.0f s\n", count, seconds);
    return true;
}

Archive& Opened() {
    // Never destroyed: Qt SQL's own statics end before a static archive would.
    static Archive& archive = *new Archive;
    static bool done = false;
    if (!done) {
        done = true;
        const fs::path file = ArchiveFile();
        if (!fs::exists(file) && !Generate(file, LoggerCount())) std::exit(1);
        archive.Open(ArchiveLocationFor(file.string(), {}));
        std::fprintf(stderr, "%s: %d loggers, %.0f MB, %.1f kB per 150-record logger\n",
                     file.c_str(), LoggerCount(), fs::file_size(file) / 1e6,
                     fs::file_size(file) / 1e3 / LoggerCount());
    }
    return archive;
}

// `list` with a filter; the counter is how many loggers it found.
void BM_List(benchmark::State& state, const ArchiveFilter& f) {
    Archive& a = Opened();
    std::size_t n = 0;
    for (auto _ : state) n = a.List(f).size();
    state.counters["rows"] = static_cast<double>(n);
}
// The 1,000 loggers of one site.
BENCHMARK_CAPTURE(BM_List, ByName, ArchiveFilter{"site042", {}, {}, {}, {}, {}})
    ->Unit(benchmark::kMillisecond);
// A month of one type whose name or plan holds a text (392 loggers).
BENCHMARK_CAPTURE(BM_List, ByTextTypeAndMonth,
                  ArchiveFilter{{}, "tv3", "RADIO", "2021-03-01", "2021-03-31", {}})
    ->Unit(benchmark::kMillisecond);
// Ten sites by a part of their name (10,000 loggers).
BENCHMARK_CAPTURE(BM_List, ByText, ArchiveFilter{{}, "site07", {}, {}, {}, {}})
    ->Unit(benchmark::kMillisecond);
// No filter: all 100,000.
BENCHMARK_CAPTURE(BM_List, Everything, ArchiveFilter{})->Unit(benchmark::kMillisecond);

void BM_TrendThreeChannels(benchmark::State& state) {
    Archive& a = Opened();
    std::size_t n = 0;
    for (auto _ : state) n = TrendOf(a, 1, {"C1", "C50", "C100"})->loggers.size();
    state.counters["loggers"] = static_cast<double>(n);
}
BENCHMARK(BM_TrendThreeChannels)->Unit(benchmark::kMillisecond);

void BM_TrendAllChannels(benchmark::State& state) {
    Archive& a = Opened();
    std::size_t n = 0;
    for (auto _ : state) n = TrendOf(a, 1)->loggers.size();
    state.counters["loggers"] = static_cast<double>(n);
}
BENCHMARK(BM_TrendAllChannels)->Unit(benchmark::kMillisecond);

void BM_OpenWithIntegrityCheck(benchmark::State& state) {
    (void)Opened();
    for (auto _ : state) {
        Archive again;
        if (again.Open(ArchiveLocationFor(ArchiveFile().string(), {})) != Archive::State::Ready)
            state.SkipWithError("not opened");
    }
}
BENCHMARK(BM_OpenWithIntegrityCheck)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
