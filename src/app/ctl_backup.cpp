#include "app/ctl_backup.h"

#include <iostream>

#include "backup/backup.h"
#include "texts/text_file.h"

namespace zv318 {

namespace {

constexpr int kDone = 0, kFailed = 1, kUsage = 2, kNotConnected = 3;

const char kBackupUsage[] = "usage: zv318ctl backup DIR | [--yes] restore DIR\n";

// One line per file: what it holds and where it was on the instrument.
void PrintFile(const BackupFile& f) {
    std::cout << (f.type == 1 ? "RADIO" : "PLC") << (f.logger ? " logger " : " plan ") << f.number
              << ": " << TerminalText(f.original) << " -> " << TerminalText(f.file) << '\n';
}

int ExitStatus(BackupOutcome outcome) {
    switch (outcome) {
        case BackupOutcome::Done:
            return kDone;
        case BackupOutcome::NotConnected:
            return kNotConnected;
        case BackupOutcome::Incomplete:
        case BackupOutcome::Cancelled:
        case BackupOutcome::Failed:
            break;
    }
    return kFailed;
}

}  // namespace

int BackupCommand(Link& link, TerminalFeedback& feedback, const LanguageTable& table,
                  const std::filesystem::path& programFolder,
                  const std::vector<std::string>& args) {
    if (args.size() != 2) {
        std::cerr << kBackupUsage;
        return kUsage;
    }
    InstrumentBackup backup(link, feedback, table);
    backup.onFile = PrintFile;
    if (args[0] == "backup") {
        const BackupOutcome outcome = backup.Backup(PathFromText(args[1]));
        if (outcome == BackupOutcome::Done || outcome == BackupOutcome::Incomplete)
            std::cout << PathToText(backup.folder()) << '\n';
        return ExitStatus(outcome);
    }
    // The plans' list and copies as "Read equipment's channel plans" would leave them.
    PlanList list;
    PlanProcedures plans(link, feedback, table, list, programFolder);
    const BackupOutcome outcome = backup.RestorePlans(PathFromText(args[1]), plans, list);
    if (outcome == BackupOutcome::Done)
        for (const std::string& entry : list.entries) std::cout << TerminalText(entry) << '\n';
    // The terminal shows no progress note: the file a refusal names is told here.
    if (outcome == BackupOutcome::Failed && !backup.refusedFile().empty())
        std::cerr << "refused: " << TerminalText(backup.refusedFile()) << '\n';
    return ExitStatus(outcome);
}

}  // namespace zv318
