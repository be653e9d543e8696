#pragma once
// The open logger as CSV, for the spreadsheet a technician writes reports in, and the values
// its chart shows.
//
// The text (CR LF after every row) is a small table of the logger's own fields, a blank line,
// then one row per record in record order:
//     field,value
//     type,RADIO
//     name,ROOF1
//     plan,TV1
//     date,14/03/2013
//     time,09:15:02
//     threshold,45
//     unit,dBuV
//
//     channel,frequency_mhz,bandwidth_mhz,power,unit
//     C1,474.0000,8.0000,52.5,dBuV
// Frequencies and bandwidths are the MHz texts the viewer shows (four decimals, "."); a power
// text and the threshold text are split at their first blank into the value and the unit.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/feedback.h"
#include "loggers/logger_file.h"

namespace zv318 {

// The program's own message when a CSV file cannot be written.
inline constexpr int kMessageLoggerCsvNotWritten = 143;
// The program's own message when the chart cannot be saved.
inline constexpr int kMessageChartNotSaved = 144;

// Result codes of the CSV export.
inline constexpr int kLoggerCsvWritten = 0;
inline constexpr int kLoggerCsvCancelled = 1;
inline constexpr int kLoggerCsvCannotCreate = -14;

[[nodiscard]] std::string LoggerCsvText(const OpenLogger& logger);
// Writes the CSV text atomically: 0, or -14 after message 143.
[[nodiscard]] int WriteLoggerCsv(const OpenLogger& logger, const std::filesystem::path& file,
                                 Feedback& feedback);
// The viewer's "Export CSV…": a file chosen through the feedback (proposed: the logger's name
// and ".csv"), then the writer; 1 when the dialog was cancelled.
int ExportLoggerCsv(const OpenLogger& logger, Feedback& feedback);

// What the chart of a logger shows: one bar per record whose power is a number, in record
// order, and how many records were left out.
struct ChartBar {
    int record = 0;  // row number in the viewer, from 1
    std::string channel;
    double power = 0;
    bool belowThreshold = false;
};
struct LoggerChartData {
    std::vector<ChartBar> bars;
    int skipped = 0;                  // records whose power is not a number
    std::optional<double> threshold;  // nothing when the threshold text is not a number
    std::string unit;                 // the threshold's unit, else the first power's
};
[[nodiscard]] LoggerChartData ChartData(const OpenLogger& logger);

}  // namespace zv318
