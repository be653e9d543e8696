#include "backup/windows/backup_commands.h"

#include "backup/backup.h"
#include "link/feedback.h"
#include "link/link.h"
#include "plans/plan_procedures.h"
#include "texts/language_table.h"
#include "texts/text_file.h"

namespace zv318 {

namespace {

// The folder the person chooses, starting in the program's folder; none when cancelled.
std::optional<std::filesystem::path> ChooseFolder(PageHost& host, Feedback& feedback,
                                                  FileRequest::Kind kind) {
    FileRequest request;
    request.kind = kind;
    request.startFolder = PathToText(host.programFolder());
    const std::optional<std::string> folder = feedback.chooseFile(request);
    if (!folder) return std::nullopt;
    return PathFromText(*folder);
}

}  // namespace

void BackupCommands::Copiadeseguridad1Click() {
    Feedback* feedback = host_.feedback();
    if (!feedback) return;
    host_.runCommand([this, feedback] {
        const auto folder = ChooseFolder(host_, *feedback, FileRequest::BackupFolder);
        if (!folder) return;
        InstrumentBackup backup(host_.link(), *feedback, host_.languageTable());
        (void)backup.Backup(*folder);
    });
}

void BackupCommands::Restaurarplanes1Click() {
    PlanProcedures* plans = plans_();
    if (!plans) return;
    Feedback* feedback = host_.feedback();
    host_.runCommand([this, plans, feedback] {
        const auto folder = ChooseFolder(host_, *feedback, FileRequest::RestoreFolder);
        if (!folder) return;
        // The main window's own plan procedures: the list shows the plans read back.
        InstrumentBackup backup(host_.link(), *feedback, host_.languageTable());
        (void)backup.RestorePlans(*folder, *plans, planList_());
    });
}

}  // namespace zv318
