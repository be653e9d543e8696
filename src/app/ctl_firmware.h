#pragma once
// zv318ctl firmware io FILE.hex | firmware instrument FILE.zv318: the firmware updates the
// menu items run, with the file given on the command line and --yes for the confirmation.

#include <filesystem>
#include <string>
#include <vector>

#include "app/terminal_feedback.h"
#include "link/link.h"
#include "texts/language_table.h"

namespace zv318 {

// `args` starts with "firmware". Returns the exit status: 0 done, 1 ended with a message or
// failed (or answered No), 2 usage, 3 instrument not connected or gone during the update.
int FirmwareCommand(Link& link, TerminalFeedback& feedback, const LanguageTable& table,
                    const std::filesystem::path& programFolder,
                    const std::vector<std::string>& args);

}  // namespace zv318
