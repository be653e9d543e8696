#include "firmware/windows/firmware_commands.h"

#include <QLabel>

#include "firmware/firmware_update.h"
#include "firmware/windows/conf_upgr.h"
#include "link/feedback.h"
#include "link/link.h"
#include "texts/language_table.h"
#include "texts/qt_path.h"

namespace zv318 {

void FirmwareCommands::Actualitzar(const std::string& ioVersionShown) {
    run(true, ioVersionShown);
}

void FirmwareCommands::ActualitzarZV318(const std::string& zvVersionShown) {
    run(false, zvVersionShown);
}

void FirmwareCommands::run(bool ioInterface, const std::string& versionShown) {
    Feedback* feedback = host_.feedback();
    if (!feedback) return;
    static ThreadSleeper threadSleeper;
    FirmwareUpdate update(host_.link(), *feedback, host_.languageTable(), host_.dataFolder(),
                          sleeper_ ? *sleeper_ : threadSleeper);
    update.startupArgument = startupArgument_;
    update.dialogFile = dialogFile_;
    update.confirm = [this, &update](const UpdateQuestion& question) {
        return confirmUpdate(question, update);
    };
    if (ioInterface)
        (void)update.Actualitzar(versionShown);
    else
        (void)update.ActualitzarZV318(versionShown);
    startupArgument_ = update.startupArgument;
    dialogFile_ = update.dialogFile;
    if (confUpgr_) confUpgr_->setStartupArgument(QStringFromPath(startupArgument_));
}

bool FirmwareCommands::confirmUpdate(const UpdateQuestion& question, const FirmwareUpdate& update) {
    if (!confUpgr_) return host_.feedback()->askYesNo(question.questionEntry, 33);
    confUpgr_->Confirm->setText(
        QString::fromStdString(host_.languageTable().entry(question.questionEntry)));
    confUpgr_->VersioActual->setText(QString::fromStdString(question.currentVersion));
    confUpgr_->setStartupArgument(QStringFromPath(update.startupArgument));
    confUpgr_->setDialogFile(QStringFromPath(update.dialogFile));
    return confUpgr_->exec() == QDialog::Accepted;
}

}  // namespace zv318
