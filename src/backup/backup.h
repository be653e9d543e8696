#pragma once
// The whole instrument in one folder, and its plans back: a backup reads every RADIO and PLC
// plan (and every logger) into a new folder with a manifest; a restore checks every plan file
// of such a folder against the manifest and as a plan to send, then erases the instrument's
// plans, writes the backup's in their order and reads them back. The same object runs under
// the main window, under zv318ctl and under the tests.

#include <filesystem>
#include <functional>
#include <string>

#include "backup/manifest.h"
#include "link/feedback.h"
#include "link/link.h"
#include "plans/plan_list.h"
#include "plans/plan_procedures.h"
#include "texts/language_table.h"

namespace zv318 {

enum class BackupOutcome {
    Done,          // finished; the folder is complete, or the plans were restored and match
    Incomplete,    // the folder was made without the plans that could not be read (named)
    Cancelled,     // the person answered No; nothing was changed
    NotConnected,  // message 7: the instrument was not found or vanished on the way
    Failed,        // ended with another message
};

class InstrumentBackup {
public:
    InstrumentBackup(Link& link, Feedback& feedback, const LanguageTable& language);

    // Reads everything the instrument holds into a new folder "ZV318-SERIAL-YYYYMMDD-hhmmss"
    // inside `dir` (made when missing). A plan that cannot be read is left out, recorded in the
    // manifest as unreadable and named at the end (Incomplete); everything else is kept. The files are gathered in a hidden folder beside it,
    // which becomes the backup folder by one rename once everything was read; a failure
    // removes it, so no folder that looks complete is ever left half-filled.
    BackupOutcome Backup(const std::filesystem::path& dir);
    // The folder the last successful Backup made.
    [[nodiscard]] const std::filesystem::path& folder() const { return folder_; }

    // Sends the plans of the backup folder back: every plan file is read, checked against its
    // manifest hash and line by line as a plan to send, before anything is erased; a backup
    // of another instrument asks first. The folder must hold exactly the files its manifest
    // names. Then the person is asked, with the number of plans of each type to be erased and
    // written and the plans the backup lacks; on Yes `plans` erases both plan types, writes the
    // backup's plans in their order and reads them again into `list` (its list); every plan
    // read back must be the backup's file, byte for byte. Loggers stay in the folder
    // (message 149 says so).
    BackupOutcome RestorePlans(const std::filesystem::path& folder, PlanProcedures& plans,
                               const PlanListView& list);
    // The number of plans the last restore wrote and read back identical.
    [[nodiscard]] int restoredPlans() const { return restored_; }
    // The file (or what else) the last restore refused, as its progress note names it.
    [[nodiscard]] const std::string& refusedFile() const { return refused_; }

    // Told every file as it is put in a backup, or checked and written by a restore.
    std::function<void(const BackupFile&)> onFile;

private:
    // False after message 145 when the file cannot be written.
    [[nodiscard]] bool AddFile(const std::filesystem::path& stage, BackupFile file,
                               const std::string& bytes, Manifest& manifest);
    [[nodiscard]] std::string UniqueName(const std::string& stem, const std::string& suffix);
    // Ends the progress window stopped, with the file's name as its note, then shows `message`.
    BackupOutcome Refuse(int message, const std::string& note);
    [[nodiscard]] bool Lost() const { return !link_.IsOpen(); }
    [[nodiscard]] const std::string& Entry(int n) const { return language_.entry(n); }

    Link& link_;
    Feedback& feedback_;
    const LanguageTable& language_;
    std::filesystem::path folder_;
    int restored_ = 0;
    std::string refused_;
    std::vector<std::string> taken_;  // file names in the backup so far, in capitals
};

}  // namespace zv318
