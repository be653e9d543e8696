#pragma once
// The loggers the archive benchmarks keep: as the instrument records them and the program's own
// reader accepts them (RADIO channels from 50 MHz, 150 records, powers that drift), so that
// what is measured is what a technician's archive holds.

#include <cstdio>
#include <string>

#include "loggers/logger_file.h"

namespace zv318::bench {

inline constexpr int kSites = 100;

inline std::string SiteName(int site) {
    char name[16];
    std::snprintf(name, sizeof name, "SITE%03d", site);
    return name;
}

// Logger j of a site: one a day from 1 January 2020, 150 channels 8 MHz apart from 474 MHz
// (the last at 1666 MHz would be past the RADIO band: they wrap at 858 MHz), powers that drift.
inline OpenLogger SiteLogger(int site, int j) {
    const int day = j % 28 + 1, month = j / 28 % 12 + 1, year = 2020 + j / 336;
    char date[16], time[16];
    std::snprintf(date, sizeof date, "%02d/%02d/%04d", day, month, year);
    std::snprintf(time, sizeof time, "%02d:%02d:00", 8 + site % 10, site % 60);
    OpenLogger lg{"RADIO", SiteName(site), "TV" + std::to_string(site % 7), date, time,
                  "45 dBuV", {}, {}};
    lg.records.reserve(kMaxLoggerRecords);
    for (int k = 0; k < kMaxLoggerRecords; ++k) {
        char power[32], mhz[32];
        std::snprintf(power, sizeof power, "%.1f dBuV", 30 + (k * 7 + j * 3 + site) % 400 / 10.0);
        std::snprintf(mhz, sizeof mhz, "%.4f", 474.0 + 8.0 * (k % 49));
        lg.records.push_back({"C" + std::to_string(k), mhz, "8.0000", power});
    }
    return lg;
}

// True when the program's reader takes the logger's file back as it is.
inline bool ReaderAccepts(const OpenLogger& lg) {
    OpenLogger back;
    return ParseLoggerText(LoggerFileText(lg), back) == kLoggerFileRead &&
           LoggerFileReadsBack(LoggerFileText(lg), lg);
}

}  // namespace zv318::bench
