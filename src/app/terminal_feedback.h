#pragma once
// The person at a terminal: messages on stderr as "message N: TEXT", questions answered yes
// with --yes and no otherwise, files given on the command line, a one-line progress bar when
// stderr is a terminal.

#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "link/feedback.h"
#include "texts/language_table.h"
#include "texts/terminal_text.h"

namespace zv318 {

// Data (a CSV) on the standard output: byte for byte into a pipe or a file, as TerminalText
// shows it (line breaks kept) on a terminal.
void PrintData(const std::string& text);

class TerminalProgress : public ProgressWindow {
public:
    explicit TerminalProgress(bool drawBar) : drawBar_(drawBar) {}
    void setCaption(const std::string& text) override { caption_ = text; }
    void setStatus(const std::string& text) override;
    void setNote(const std::string& text) override { note_ = text; }
    void setNoteWidth(int) override {}
    void setRange(int minimum, int maximum) override;
    void setPosition(int position) override;
    int position() const override { return position_; }
    int maximum() const override { return maximum_; }
    void setBarVisible(bool visible) override { visible_ = visible; }
    void setOkEnabled(bool enabled) override;
    void show() override { shown_ = true; }

    [[nodiscard]] const std::string& status() const { return status_; }
    [[nodiscard]] const std::string& note() const { return note_; }
    [[nodiscard]] bool shown() const { return shown_; }

private:
    void draw();
    bool drawBar_;
    bool shown_ = false, visible_ = true, drawn_ = false;
    std::string caption_, status_, note_;
    int minimum_ = 0, maximum_ = 100, position_ = 0;
};

class TerminalFeedback : public Feedback {
public:
    TerminalFeedback(const LanguageTable& table, bool yes);

    void showMessage(int number) override;
    void showFileMessage(int number, const std::string& file) override;
    void showNotice(const std::string& text) override;
    bool askYesNo(int textEntry, int captionEntry) override;
    Answer askYesNoCancel(int textEntry, int captionEntry) override;
    bool askYesNoText(const std::string& text, int captionEntry) override;
    std::optional<std::string> chooseFile(const FileRequest& request) override;
    ProgressWindow& progress() override { return progress_; }
    void processEvents() override {}
    void setBusy(bool) override {}

    // Files the next file choices answer with, in order; none left: cancelled.
    void giveFile(std::string path) { files_.push_back(std::move(path)); }
    [[nodiscard]] const std::vector<int>& messages() const { return messages_; }
    [[nodiscard]] bool showed(int number) const;
    [[nodiscard]] const TerminalProgress& progressWindow() const { return progress_; }

private:
    const LanguageTable& table_;
    bool yes_;
    std::deque<std::string> files_;
    std::vector<int> messages_;
    TerminalProgress progress_;
};

}  // namespace zv318
