#include "backup/windows/backup_commands.h"

#include "backup/backup.h"
#include "link/feedback.h"
#include "link/link.h"
#include "plans/plan_procedures.h"
#include "texts/language_table.h"
#include "texts/text_file.h"

namespace zv318 {

void BackupCommands::Copiadeseguridad1Click() {
    Feedback* feedback = host_.feedback();
    if (!feedback) return;
    host_.runCommand([this, feedback] {
        FileRequest request;
        request.kind = FileRequest::BackupFolder;
        request.startFolder = PathToText(host_.programFolder());
        const std::optional<std::string> dir = feedback->chooseFile(request);
        if (!dir) return;
        InstrumentBackup backup(host_.link(), *feedback, host_.languageTable());
        (void)backup.Backup(PathFromText(*dir));
    });
}

void BackupCommands::Restaurarplanes1Click() {
    PlanProcedures* plans = plans_();
    if (!plans) return;
    Feedback* feedback = host_.feedback();
    host_.runCommand([this, plans, feedback] {
        FileRequest request;
        request.kind = FileRequest::RestoreFolder;
        request.startFolder = PathToText(host_.programFolder());
        const std::optional<std::string> folder = feedback->chooseFile(request);
        if (!folder) return;
        InstrumentBackup backup(host_.link(), *feedback, host_.languageTable());
        (void)backup.RestorePlans(PathFromText(*folder), *plans, planList_());
    });
}

}  // namespace zv318
