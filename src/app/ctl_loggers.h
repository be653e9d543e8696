#pragma once
// zv318ctl's logger commands:
//   loggers list radio|plc                      receive the index; print the logger table
//   loggers save radio|plc [ROW...] [--as PATH] "Save loggers" / "Save loggers as"
//   loggers show FILE                           a logger file's header and records
//   loggers print radio|plc ROW... --pdf OUT    the loggers of those rows, one PDF, each
//   loggers print FILE --pdf OUT                logger starting on a page of its own

#include <filesystem>
#include <string>
#include <vector>

#include "app/terminal_feedback.h"
#include "link/link.h"
#include "texts/language_table.h"

namespace zv318 {

// `args` starts with "loggers". The exit status: 0 done, 1 ended with a message or failed,
// 2 usage, 3 instrument not connected.
int LoggersCommand(Link& link, TerminalFeedback& feedback, const LanguageTable& table,
                   const std::filesystem::path& programFolder,
                   const std::vector<std::string>& args);

// The usage lines of these commands.
extern const char kLoggersUsage[];

}  // namespace zv318
