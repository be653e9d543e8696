#include "firmware/windows/firmware_commands.h"

#include <QLabel>

#include "firmware/firmware_update.h"
#include "firmware/windows/conf_upgr.h"
#include "link/feedback.h"
#include "link/link.h"
#include "texts/language_table.h"
#include "texts/qt_path.h"
#include "texts/text_file.h"

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
    update.confirm = [this](const UpdateQuestion& question) { return confirmUpdate(question); };
    if (ioInterface)
        (void)update.Actualitzar(versionShown);
    else
        (void)update.ActualitzarZV318(versionShown);
    startupArgument_ = update.startupArgument;
    dialogFile_ = update.dialogFile;
}

bool FirmwareCommands::confirmUpdate(const UpdateQuestion& question) {
    if (!confUpgr_) return host_.feedback()->askYesNo(question.questionEntry, 33);
    confUpgr_->Confirm->setText(
        QString::fromStdString(host_.languageTable().entry(question.questionEntry)));
    confUpgr_->VersioActual->setText(QString::fromStdString(question.currentVersion));
    // The image of the update that asks, never another one still pending.
    confUpgr_->setImage(QStringFromPath(PathFromText(question.image)));
    return confUpgr_->exec() == QDialog::Accepted;
}

}  // namespace zv318
