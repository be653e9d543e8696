#pragma once
// zv318ctl's archive commands: the measurement archive from a terminal.

#include <filesystem>
#include <string>
#include <vector>

#include "app/terminal_feedback.h"
#include "texts/language_table.h"

namespace zv318 {

// "archive list|show|export|import|compare|trend|delete ..."; the archive is the one
// ZV318_ARCHIVE names (archive.sqlite in `userFolder` by default). The exit status: 0 done,
// 1 failed (a message said why), 2 usage.
int ArchiveCommand(TerminalFeedback& feedback, const LanguageTable& table,
                   const std::filesystem::path& userFolder, const std::vector<std::string>& args);

extern const char kArchiveUsage[];

}  // namespace zv318
