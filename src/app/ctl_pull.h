#pragma once
// zv318ctl archive pull [--json]: keeps the loggers of the plugged instrument that the archive
// does not hold yet, and prints what it kept (for a udev rule, cron or a script).

#include <filesystem>
#include <string>
#include <vector>

#include "app/terminal_feedback.h"
#include "link/link.h"
#include "texts/language_table.h"

namespace zv318 {

[[nodiscard]] bool IsArchivePullCommand(const std::vector<std::string>& args);

// The exit status: 0 done (also when nothing was new), 1 ended with a message (the instrument
// lost half-way, the archive refusing a logger), 2 usage, 3 instrument not connected.
int ArchivePullCommand(Link& link, TerminalFeedback& feedback, const LanguageTable& table,
                       const std::filesystem::path& userFolder,
                       const std::vector<std::string>& args);

}  // namespace zv318
