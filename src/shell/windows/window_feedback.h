#pragma once
// The Feedback of the windows: message boxes, questions and file dialogs on the screen, and
// TUpdatingFORM as the progress window.

#include <QString>
#include <functional>

#include "firmware/windows/updating_form.h"
#include "link/feedback.h"
#include "texts/language_table.h"

class QWidget;

namespace zv318 {

// Shows numbered message n in a modal box: the catalogue text, caption entry 66, one OK
// button, the error icon for -91 and the information icon otherwise. Nothing for 0 and
// numbers above 31.
// `file`, when given, is named on a line of its own below the text.
void ShowMessageNumber(const LanguageTable& table, int n, QWidget* parent = nullptr,
                       const std::string& file = {});

class WindowFeedback : public Feedback {
public:
    WindowFeedback(const LanguageTable& table, TUpdatingFORM& progress, QWidget* dialogParent);

    void showMessage(int number) override;
    void showFileMessage(int number, const std::string& file) override;
    void showNotice(const std::string& notice) override;
    void showNoticeWithDetails(const std::string& notice, const std::string& details) override;
    void showInformation(const std::string& text, const std::string& caption) override;
    // Names the file, with "Open" and "Show in folder" (the desktop's own programs).
    void fileWritten(const std::string& path) override;
    [[nodiscard]] bool askYesNo(int textEntry, int captionEntry) override;
    [[nodiscard]] Answer askYesNoCancel(int textEntry, int captionEntry) override;
    [[nodiscard]] bool askYesNoText(const std::string& question, int captionEntry) override;
    [[nodiscard]] std::optional<std::string> chooseFile(const FileRequest& request) override;
    ProgressWindow& progress() override;
    void processEvents() override;
    void setBusy(bool busy) override;

    void setDialogParent(QWidget* parent) { parent_ = parent; }

    // Runs before message 7 ("not connected") shows, so that the window agrees with it.
    std::function<void()> beforeNotConnected;

private:
    static constexpr int kNotConnectedMessage = 7;
    // A written file's notice (%1 the file) and its two buttons.
    static constexpr int kWrittenEntry = 1692;
    static constexpr int kOpenEntry = 1693;
    static constexpr int kShowFolderEntry = 1694;
    [[nodiscard]] QString text(int entry) const;
    // The window the boxes and dialogs belong to: the progress window while it shows.
    [[nodiscard]] QWidget* owner() const;

    const LanguageTable& table_;
    TUpdatingFORM& progress_;
    QWidget* parent_;
    int busyDepth_ = 0;
};

}  // namespace zv318
