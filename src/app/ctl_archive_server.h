#pragma once
// zv318ctl's commands for the team archive on a server: `archive init` (the tables made or
// migrated, by the owner) and `archive sync` (the loggers kept on this PC while the server
// could not be reached, sent to it).

#include "app/terminal_feedback.h"
#include "archive/archive.h"
#include "texts/language_table.h"

namespace zv318 {

// The exit status: 0 done, 1 failed (a message said why).
int ArchiveInit(TerminalFeedback& feedback, const LanguageTable& table, const ArchiveLocation& where);
int ArchiveSync(TerminalFeedback& feedback, const LanguageTable& table, const ArchiveLocation& where);
// Tells how many loggers wait on this PC for the team archive, when any do.
void TellPending(TerminalFeedback& feedback, const LanguageTable& table, Archive& archive,
                 const ArchiveLocation& where);

}  // namespace zv318
