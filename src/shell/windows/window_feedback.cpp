#include "shell/windows/window_feedback.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>

#include "texts/qt_path.h"
#include "texts/text_file.h"

namespace zv318 {

void ShowMessageNumber(const LanguageTable& table, int n, QWidget* parent,
                       const std::string& file) {
    std::string text;
    if (MessageText(table, n, text) == 0) return;
    if (!file.empty()) text += "\n\n" + file;
    QMessageBox box(MessageIsError(n) ? QMessageBox::Critical : QMessageBox::Information,
                    QString::fromStdString(table.entry(kMessageCaptionEntry)),
                    QString::fromStdString(text), QMessageBox::Ok, parent);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

WindowFeedback::WindowFeedback(const LanguageTable& table, TUpdatingFORM& progress,
                               QWidget* dialogParent)
    : table_(table), progress_(progress), parent_(dialogParent) {}

QString WindowFeedback::text(int entry) const {
    return QString::fromStdString(table_.entry(entry));
}

void WindowFeedback::showMessage(int number) { ShowMessageNumber(table_, number, parent_); }

void WindowFeedback::showFileMessage(int number, const std::string& file) {
    ShowMessageNumber(table_, number, parent_, file);
}

void WindowFeedback::showNotice(const std::string& notice) {
    QMessageBox box(QMessageBox::Warning, text(kMessageCaptionEntry),
                    QString::fromStdString(notice), QMessageBox::Ok, parent_);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

void WindowFeedback::showInformation(const std::string& text, const std::string& caption) {
    QMessageBox box(QMessageBox::Information, QString::fromStdString(caption),
                    QString::fromStdString(text), QMessageBox::Ok, parent_);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

bool WindowFeedback::askYesNo(int textEntry, int captionEntry) {
    return askYesNoText(table_.entry(textEntry), captionEntry);
}

bool WindowFeedback::askYesNoText(const std::string& question, int captionEntry) {
    QMessageBox box(QMessageBox::Question, text(captionEntry), QString::fromStdString(question),
                    QMessageBox::Yes | QMessageBox::No, parent_);
    box.setWindowModality(Qt::ApplicationModal);
    // Every Yes/No question asks before something is erased or rewritten: Enter never says Yes.
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

Answer WindowFeedback::askYesNoCancel(int textEntry, int captionEntry) {
    QMessageBox box(QMessageBox::Question, text(captionEntry), text(textEntry),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent_);
    box.setWindowModality(Qt::ApplicationModal);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        default:
            return Answer::Cancel;
    }
}

namespace {

struct DialogKind {
    bool save;
    const char* filter;
    bool folder = false;  // an existing folder is chosen, not a file
};

DialogKind KindOf(FileRequest::Kind kind) {
    switch (kind) {
        case FileRequest::LoadPlan:
            return {false, "All files (*)"};
        case FileRequest::EditPlan:
            return {false, "Channel plans (*.c318)"};
        case FileRequest::SavePlan:
            return {true, "Channel plans (*.c318)"};
        case FileRequest::FirmwareImage:
            return {false, "Firmware images (*.hex *.zv318)"};
        case FileRequest::OpenLogger:
            return {false, "Logger files (*.lograd *.logplc)"};
        case FileRequest::SaveLogger:
        case FileRequest::SaveAllLoggers:
            return {true, "Logger files (*.lograd *.logplc)"};
        case FileRequest::ExportCsv:
            return {true, "CSV files (*.csv)"};
        case FileRequest::ImportCsv:
            return {false, "CSV files (*.csv);;All files (*)"};
        case FileRequest::SaveChart:
            return {true, "PNG pictures (*.png);;PDF documents (*.pdf)"};
        case FileRequest::SaveReport:
            return {true, "PDF documents (*.pdf)"};
        case FileRequest::BackupFolder:
        case FileRequest::RestoreFolder:
            return {false, "", true};
    }
    return {false, "All files (*)"};
}

}  // namespace

std::optional<std::string> WindowFeedback::chooseFile(const FileRequest& request) {
    const DialogKind kind = KindOf(request.kind);
    QFileDialog dialog(parent_);
    dialog.setAcceptMode(kind.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(kind.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // Save dialogs ask before overwriting an existing file (QFileDialog's default, kept).
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    dialog.setNameFilter(kind.filter);
    if (kind.folder) {
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly, true);
    }
    if (!request.startFolder.empty())
        dialog.setDirectory(QStringFromPath(PathFromText(request.startFolder)));
    if (!request.proposedName.empty())
        dialog.selectFile(QStringFromPath(PathFromText(request.proposedName)));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return std::nullopt;
    return PathToText(PathFromQString(chosen.first()));
}

ProgressWindow& WindowFeedback::progress() { return progress_; }

void WindowFeedback::processEvents() { QCoreApplication::processEvents(); }

void WindowFeedback::setBusy(bool busy) {
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ++busyDepth_;
    } else if (busyDepth_ > 0) {
        QApplication::restoreOverrideCursor();
        --busyDepth_;
    }
}

}  // namespace zv318
