#include "shell/windows/window_feedback.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>
#include <vector>

#include "texts/output_path.h"
#include "texts/qt_path.h"
#include "texts/text_file.h"

namespace zv318 {

namespace {

// While a box or dialog waits for the person: the arrow instead of a command's hourglass, and
// the dialog above every other window (the progress window stays on top of the rest).
class Attention {
public:
    explicit Attention(QWidget& dialog) {
        QApplication::setOverrideCursor(Qt::ArrowCursor);
        QWidget* parent = dialog.parentWidget();
        if (parent && parent->isVisible() && (parent->windowFlags() & Qt::WindowStaysOnTopHint))
            dialog.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    }
    ~Attention() { QApplication::restoreOverrideCursor(); }
    Attention(const Attention&) = delete;
    Attention& operator=(const Attention&) = delete;
};

int Run(QDialog& dialog) {
    const Attention attention(dialog);
    return dialog.exec();
}

}  // namespace

void ShowMessageNumber(const LanguageTable& table, int n, QWidget* parent,
                       const std::string& file) {
    std::string text;
    if (MessageText(table, n, text) == 0) return;
    if (!file.empty()) text += "\n\n" + file;
    const QMessageBox::Icon icon = MessageIsError(n)     ? QMessageBox::Critical
                                   : MessageIsWarning(n) ? QMessageBox::Warning
                                                         : QMessageBox::Information;
    QMessageBox box(icon, QString::fromStdString(table.entry(kMessageCaptionEntry)),
                    QString::fromStdString(text), QMessageBox::Ok, parent);
    box.setWindowModality(Qt::ApplicationModal);
    Run(box);
}

WindowFeedback::WindowFeedback(const LanguageTable& table, TUpdatingFORM& progress,
                               QWidget* dialogParent)
    : table_(table), progress_(progress), parent_(dialogParent) {}

QString WindowFeedback::text(int entry) const {
    return QString::fromStdString(table_.entry(entry));
}

QWidget* WindowFeedback::owner() const {
    // A box opened while the progress window shows belongs to it: it stands above it.
    return progress_.isVisible() ? &progress_ : parent_;
}

void WindowFeedback::showMessage(int number) {
    if (number == kNotConnectedMessage && beforeNotConnected) beforeNotConnected();
    ShowMessageNumber(table_, number, owner());
}

void WindowFeedback::showFileMessage(int number, const std::string& file) {
    ShowMessageNumber(table_, number, owner(), file);
}

void WindowFeedback::showNotice(const std::string& notice) {
    showNoticeWithDetails(notice, {});
}

void WindowFeedback::showNoticeWithDetails(const std::string& notice, const std::string& details) {
    QMessageBox box(QMessageBox::Warning, text(kMessageCaptionEntry),
                    QString::fromStdString(notice), QMessageBox::Ok, owner());
    box.setDetailedText(QString::fromStdString(details));
    box.setWindowModality(Qt::ApplicationModal);
    Run(box);
}

void WindowFeedback::showInformation(const std::string& text, const std::string& caption) {
    QMessageBox box(QMessageBox::Information, QString::fromStdString(caption),
                    QString::fromStdString(text), QMessageBox::Ok, owner());
    box.setWindowModality(Qt::ApplicationModal);
    Run(box);
}

void WindowFeedback::fileWritten(const std::string& path) {
    const QString file = QStringFromPath(PathFromText(path));
    QMessageBox box(QMessageBox::Information, text(kMessageCaptionEntry),
                    text(kWrittenEntry).arg(QDir::toNativeSeparators(file)), QMessageBox::Close,
                    owner());
    box.setObjectName(QStringLiteral("FileWritten"));
    box.setWindowModality(Qt::ApplicationModal);
    QPushButton* open = box.addButton(text(kOpenEntry), QMessageBox::ActionRole);
    QPushButton* folder = box.addButton(text(kShowFolderEntry), QMessageBox::ActionRole);
    open->setObjectName(QStringLiteral("OpenFile"));
    folder->setObjectName(QStringLiteral("ShowInFolder"));
    box.setDefaultButton(open);
    Run(box);
    QString target;
    if (box.clickedButton() == open)
        target = file;
    else if (box.clickedButton() == folder)
        target = QFileInfo(file).absolutePath();
    // Where this computer has no program for it the button must not seem to do nothing.
    if (!target.isEmpty() && !QDesktopServices::openUrl(QUrl::fromLocalFile(target)))
        showNotice(text(kEntryNoProgramOpens).arg(QDir::toNativeSeparators(target)).toStdString());
}

bool WindowFeedback::askYesNo(int textEntry, int captionEntry) {
    return askYesNoText(table_.entry(textEntry), captionEntry);
}

bool WindowFeedback::askYesNoText(const std::string& question, int captionEntry) {
    QMessageBox box(QMessageBox::Question, text(captionEntry), QString::fromStdString(question),
                    QMessageBox::Yes | QMessageBox::No, owner());
    box.setWindowModality(Qt::ApplicationModal);
    // Every Yes/No question asks before something is erased or rewritten: Enter never says Yes.
    box.setDefaultButton(QMessageBox::No);
    return Run(box) == QMessageBox::Yes;
}

Answer WindowFeedback::askYesNoCancel(int textEntry, int captionEntry) {
    QMessageBox box(QMessageBox::Question, text(captionEntry), text(textEntry),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, owner());
    box.setWindowModality(Qt::ApplicationModal);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (Run(box)) {
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        default:
            return Answer::Cancel;
    }
}

namespace {

// A name filter: the language entry of its name and its patterns.
struct Filter {
    int entry;
    const char* patterns;
};

// The file kinds' names (entries 1322-1329) and the dialogs' titles (1330-1342).
constexpr Filter kAll{1323, "*"};
constexpr Filter kPlans{1322, "*.c318"};
constexpr Filter kLoggers{1326, "*.lograd *.logplc"};
constexpr Filter kCsv{1327, "*.csv"};

struct DialogKind {
    bool save;
    int titleEntry;
    std::vector<Filter> filters;
    bool folder = false;  // an existing folder is chosen, not a file
};

DialogKind KindOf(FileRequest::Kind kind) {
    switch (kind) {
        case FileRequest::LoadPlan:
            return {false, 1330, {kAll}};
        case FileRequest::EditPlan:
            return {false, 1331, {kPlans}};
        case FileRequest::SavePlan:
            return {true, 1332, {kPlans}};
        case FileRequest::FirmwareImage:
            return {false, 1333, {{1324, "*.hex"}}};
        case FileRequest::InstrumentImage:
            return {false, 1334, {{1325, "*.zv318"}}};
        case FileRequest::OpenLogger:
            return {false, 1335, {kLoggers}};
        case FileRequest::SaveLogger:
            return {true, 1336, {kLoggers}};
        case FileRequest::SaveAllLoggers:
            return {true, 1337, {kLoggers}};
        case FileRequest::ExportCsv:
            return {true, 1338, {kCsv}};
        case FileRequest::ImportCsv:
            return {false, 1339, {kCsv, kAll}};
        case FileRequest::SaveChart:
            return {true, 1340, {{1328, "*.png"}, {1329, "*.pdf"}}};
        case FileRequest::SaveReport:
            return {true, 1446, {{1329, "*.pdf"}}};
        case FileRequest::BackupFolder:
            return {false, 1341, {}, true};
        case FileRequest::RestoreFolder:
            return {false, 1342, {}, true};
    }
    return {false, 1330, {kAll}};
}

}  // namespace

std::optional<std::string> WindowFeedback::chooseFile(const FileRequest& request) {
    const DialogKind kind = KindOf(request.kind);
    QFileDialog dialog(owner());
    dialog.setAcceptMode(kind.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(kind.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // A save dialog does not ask itself before replacing a file: the program's own rule comes
    // first (never a command's input, the archive or a device), then its one question.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, kind.save);
    dialog.setWindowTitle(text(kind.titleEntry));
    QStringList filters;
    for (const Filter& f : kind.filters)
        filters << QStringLiteral("%1 (%2)").arg(text(f.entry), QLatin1String(f.patterns));
    dialog.setNameFilters(filters);
    if (kind.folder) {
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly, true);
    }
    // A file of one kind gets its extension when the person types a name without one (the
    // dialog then asks about the file of that full name): "roof1" is written as "roof1.csv".
    if (kind.save && kind.filters.size() == 1) {
        const QString pattern = QLatin1String(kind.filters.front().patterns);
        if (pattern.startsWith(QLatin1String("*.")) && !pattern.contains(QLatin1Char(' ')))
            dialog.setDefaultSuffix(pattern.mid(2));
    }
    if (!request.startFolder.empty())
        dialog.setDirectory(QStringFromPath(PathFromText(request.startFolder)));
    if (!request.proposedName.empty())
        dialog.selectFile(QStringFromPath(PathFromText(request.proposedName)));
    // A file refused, or one the person chose not to replace, brings the dialog back for
    // another name, as a dialog's own question does.
    for (;;) {
        if (Run(dialog) != QDialog::Accepted) return std::nullopt;
        const QStringList chosen = dialog.selectedFiles();
        if (chosen.isEmpty()) return std::nullopt;
        const std::filesystem::path path = PathFromQString(chosen.first());
        if (!kind.save || kind.folder || MayWriteOutputAsking(*this, path, request.inputs))
            return PathToText(path);
    }
}

ProgressWindow& WindowFeedback::progress() {
    return progress_;
}

void WindowFeedback::processEvents() {
    QCoreApplication::processEvents();
}

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
