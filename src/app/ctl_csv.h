#pragma once
// zv318ctl's CSV commands, for the spreadsheet a technician writes reports in:
//   plans csv FILE.c318 [-o OUT.csv]                      a plan file as CSV
//   plans from-csv IN.csv --type radio|plc -o FILE.c318   a plan file from CSV
//   loggers csv FILE.lograd|FILE.logplc [-o OUT.csv]       a logger file as CSV
//   loggers csv radio|plc ROW -o OUT.csv                   a listed logger, downloaded, as CSV

#include <filesystem>
#include <string>
#include <vector>

#include "app/terminal_feedback.h"
#include "link/link.h"
#include "texts/language_table.h"

namespace zv318 {

// True for the argument lists CsvCommand takes ("plans csv", "plans from-csv", "loggers csv").
[[nodiscard]] bool IsCsvCommand(const std::vector<std::string>& args);

// Runs one of the commands above; without -o the CSV goes to the standard output. The exit
// status: 0 done, 1 ended with a message or failed, 2 usage, 3 instrument not connected.
int CsvCommand(Link& link, TerminalFeedback& feedback, const LanguageTable& table,
               const std::filesystem::path& programFolder, const std::vector<std::string>& args);

// The usage lines of these commands.
extern const char kCsvUsage[];

}  // namespace zv318
