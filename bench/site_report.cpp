// The site report of 20 loggers of 150 records each (3,000 records): laid out, charted and
// written as a PDF in memory. It must stay under 2 s.

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <cstdio>
#include <string>
#include <vector>

#include "loggers/site_report.h"
#include "texts/language_file.h"

namespace {

using namespace zv318;

std::vector<ReportLogger> TwentyLoggers() {
    std::vector<ReportLogger> loggers;
    for (int l = 0; l < 20; ++l) {
        OpenLogger lg{"RADIO", "SITE" + std::to_string(l), "TV1", "14/03/2013", "09:15:02",
                      "45 dBuV", {}, {}};
        for (int k = 0; k < 150; ++k) {
            char frequency[16], power[24];
            std::snprintf(frequency, sizeof frequency, "%.4f", 50.0 + 6.5 * k);
            std::snprintf(power, sizeof power, "%.1f dBuV", 30 + (k * 7 + l) % 40 + 0.5);
            lg.records.push_back({"C" + std::to_string(k + 1), frequency, "8.0000", power});
        }
        loggers.push_back({std::move(lg), InstrumentIdentity{"SN004711", "ZV-318", "2.3", "1.9"}});
    }
    return loggers;
}

void BM_SiteReportOfTwentyLoggers(benchmark::State& state) {
    const std::vector<ReportLogger> loggers = TwentyLoggers();
    LanguageTable english;
    (void)ReadLanguageFile(ZV318_LANGUAGES_DIR "/English.lng", english);
    const ReportPeople people{"Ana Pérez", "Korvel Telecom", "", "Roof A", "ACME Ltd",
                              "Av. Diagonal 1", "Amplifier replaced."};
    int pages = 0;
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string pdf = SiteReportPdf(loggers, people, english, {}, &pages);
        bytes = pdf.size();
        benchmark::DoNotOptimize(pdf.data());
    }
    state.counters["pages"] = pages;
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_SiteReportOfTwentyLoggers)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
