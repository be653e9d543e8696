#pragma once
// zv318ctl backup DIR | restore DIR: the whole instrument into a new backup folder inside DIR,
// and a backup folder's plans back into the instrument (--yes answers the question a backup
// of another instrument asks).

#include <filesystem>
#include <string>
#include <vector>

#include "app/terminal_feedback.h"
#include "link/link.h"
#include "texts/language_table.h"

namespace zv318 {

// `args` starts with "backup" or "restore". Returns the exit status: 0 done, 1 ended with a
// message or failed (or answered No), 2 usage, 3 instrument not connected.
int BackupCommand(Link& link, TerminalFeedback& feedback, const LanguageTable& table,
                  const std::filesystem::path& programFolder, const std::vector<std::string>& args);

}  // namespace zv318
