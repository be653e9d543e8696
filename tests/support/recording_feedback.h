#pragma once
// A Feedback for tests: answers questions and file choices from a script and keeps every
// message number, notice and progress text a procedure shows.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "link/feedback.h"
#include "texts/language_table.h"

namespace zv318::testing {

class RecordingProgress : public ProgressWindow {
public:
    void setCaption(const std::string& text) override { caption = text; }
    void setStatus(const std::string& text) override {
        status = text;
        statuses.push_back(text);
    }
    void setNote(const std::string& text) override {
        note = text;
        notes.push_back(text);
    }
    void setNoteWidth(int pixels) override { noteWidth = pixels; }
    void setRange(int minimum, int maximum) override {
        min = minimum;
        max = maximum;
    }
    void setPosition(int p) override { pos = p; }
    int position() const override { return pos; }
    int maximum() const override { return max; }
    void setBarVisible(bool visible) override { barVisible = visible; }
    void setOkEnabled(bool enabled) override { okEnabled = enabled; }
    void show() override {
        shown = true;
        ++showCount;
    }

    std::string caption, status, note;
    std::vector<std::string> statuses, notes;
    int noteWidth = 0, min = 0, max = 100, pos = 0, showCount = 0;
    bool barVisible = true, okEnabled = true, shown = false;
};

class RecordingFeedback : public Feedback {
public:
    void showMessage(int number) override {
        // As a message box does: a number without a message shows nothing.
        if (number != 0 && number <= kExtraMessageLast) {
            messages.push_back(number);
            statusAtMessage.push_back(progressWindow.status);
        }
    }
    void showNotice(const std::string& text) override { notices.push_back(text); }
    void showNoticeWithDetails(const std::string& text, const std::string& details) override {
        notices.push_back(text);
        noticeDetails.push_back(details);
    }
    void fileWritten(const std::string& path) override { written.push_back(path); }
    bool askYesNo(int textEntry, int captionEntry) override {
        questions.push_back({textEntry, captionEntry});
        bool yes = answers.empty() ? defaultAnswer : answers.front();
        if (!answers.empty()) answers.pop_front();
        return yes;
    }
    bool askYesNoText(const std::string& text, int captionEntry) override {
        questionTexts.push_back(text);
        return askYesNo(0, captionEntry);
    }
        Answer askYesNoCancel(int textEntry, int captionEntry) override {
        questions.push_back({textEntry, captionEntry});
        Answer a = threeWay.empty() ? Answer::Cancel : threeWay.front();
        if (!threeWay.empty()) threeWay.pop_front();
        return a;
    }
    std::optional<std::string> chooseFile(const FileRequest& request) override {
        fileRequests.push_back(request);
        if (files.empty()) return std::nullopt;
        std::optional<std::string> f = files.front();
        files.pop_front();
        return f;
    }
    ProgressWindow& progress() override { return progressWindow; }
    void processEvents() override { ++eventRounds; }
    void setBusy(bool busy) override { busyChanges.push_back(busy); }

    struct Question {
        int text, caption;
    };
    std::vector<int> messages;
    std::vector<std::string> statusAtMessage;  // the progress window's status as each showed
    std::vector<std::string> notices;
    std::vector<std::string> noticeDetails;  // the details of the notices that had a part of them
    std::vector<std::string> written;  // the files fileWritten named, in order
    std::vector<Question> questions;
    std::vector<std::string> questionTexts;  // the texts of askYesNoText, in order
    std::deque<bool> answers;  // answers to askYesNo, in order; then defaultAnswer
    bool defaultAnswer = true;
    std::deque<Answer> threeWay;
    std::deque<std::optional<std::string>> files;  // answers to chooseFile; empty: cancelled
    std::vector<FileRequest> fileRequests;
    std::vector<bool> busyChanges;
    RecordingProgress progressWindow;
    int eventRounds = 0;
};

}  // namespace zv318::testing
