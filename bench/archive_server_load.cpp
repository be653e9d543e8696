// One technician's program archiving loggers into the team archive, as the download hook does
// (one logger, one transaction): `archive_server_load URL FIRST COUNT` keeps the loggers FIRST
// to FIRST + COUNT - 1 (each 40 records, its bytes its own), then prints
// "added A skipped S failed F ms T". bench/archive_server_load.sh runs eight at once.

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <string>

#include "archive/archive.h"

namespace {

using namespace zv318;

OpenLogger Site(int n) {
    OpenLogger lg{"RADIO", "SITE" + std::to_string(n), "TV1", "01/02/2013", "10:20:30",
                  "45 dBuV", {}, {}};
    for (int k = 0; k < 40; ++k) {
        char power[32], mhz[32];
        std::snprintf(power, sizeof power, "%.1f dBuV", 30 + (k * 7 + n) % 400 / 10.0);
        std::snprintf(mhz, sizeof mhz, "%.4f", 474.0 + 8.0 * k);
        lg.records.push_back({"C" + std::to_string(k), mhz, "8.0000", power});
    }
    return lg;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s URL FIRST COUNT\n", argv[0]);
        return 2;
    }
    const int first = std::stoi(argv[2]), count = std::stoi(argv[3]);
    const auto start = std::chrono::steady_clock::now();
    Archive archive;
    if (archive.Open(ArchiveLocationFor(std::string(argv[1]), {})) != Archive::State::Ready ||
        archive.offline()) {
        std::fprintf(stderr, "%s\n", archive.detail().c_str());
        return 1;
    }
    const InstrumentIdentity instrument{"00012345", "ZV-318", "1.0", "2.0"};
    int added = 0, skipped = 0, failed = 0;
    for (int n = first; n < first + count; ++n) {
        const OpenLogger lg = Site(n);
        const std::optional<Archive::Kept> kept =
            archive.Keep(LoggerFileText(lg), lg, instrument, n % 10);
        if (!kept) {
            ++failed;
            std::fprintf(stderr, "%s\n", archive.detail().c_str());
        } else {
            ++(kept->added ? added : skipped);
        }
    }
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    std::printf("added %d skipped %d failed %d ms %lld\n", added, skipped, failed,
                static_cast<long long>(ms));
    return failed == 0 ? 0 : 1;
}
