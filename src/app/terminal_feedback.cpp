#include "app/terminal_feedback.h"

#include <algorithm>
#include <cstdio>
#include <iostream>

#include "texts/output_path.h"

#if defined(__unix__) || defined(__APPLE__)
#include <unistd.h>
#endif

namespace zv318 {

namespace {

bool IsTerminal(int descriptor) {
#if defined(__unix__) || defined(__APPLE__)
    return isatty(descriptor) != 0;
#else
    (void)descriptor;
    return false;
#endif
}

bool StderrIsTerminal() {
    return IsTerminal(2);
}

}  // namespace

void PrintData(const std::string& text) {
    std::cout << (IsTerminal(1) ? TerminalText(text, true) : text) << std::flush;
}

void TerminalProgress::setStatus(const std::string& text) {
    status_ = text;
    draw();
}

void TerminalProgress::setRange(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = maximum;
    draw();
}

void TerminalProgress::setPosition(int position) {
    position_ = position;
    draw();
}

void TerminalProgress::setOkEnabled(bool enabled) {
    // The OK button comes on at every end: finish the bar's line.
    if (enabled && drawBar_ && drawn_) {
        std::cerr << '\n';
        drawn_ = false;
    }
}

void TerminalProgress::draw() {
    if (!drawBar_ || !shown_ || !visible_) return;
    const int width = 30;
    int span = std::max(1, maximum_ - minimum_);
    int filled = std::clamp((position_ - minimum_) * width / span, 0, width);
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.resize(width, '.');
    std::string label = TerminalText(status_).substr(0, 40);
    std::fprintf(stderr, "\r[%s] %3d%% %-40s", bar.c_str(),
                 std::clamp((position_ - minimum_) * 100 / span, 0, 100), label.c_str());
    std::fflush(stderr);
    drawn_ = true;
}

TerminalFeedback::TerminalFeedback(const LanguageTable& table, bool yes)
    : table_(table), yes_(yes), progress_(StderrIsTerminal()) {}

void TerminalFeedback::showMessage(int number) {
    std::string text;
    if (MessageText(table_, number, text) == 0) return;
    messages_.push_back(number);
    std::cerr << "message " << number << ": " << TerminalText(text) << '\n';
}

void TerminalFeedback::showFileMessage(int number, const std::string& file) {
    showMessage(number);
    std::cerr << "  " << TerminalText(file) << '\n';
}

bool TerminalFeedback::showed(int number) const {
    return std::find(messages_.begin(), messages_.end(), number) != messages_.end();
}

void TerminalFeedback::showNotice(const std::string& text) {
    std::cerr << TerminalText(text, true) << '\n';
}

bool TerminalFeedback::askYesNo(int textEntry, int captionEntry) {
    return askYesNoText(table_.entry(textEntry), captionEntry);
}

bool TerminalFeedback::askYesNoText(const std::string& text, int captionEntry) {
    std::cerr << TerminalText(table_.entry(captionEntry)) << ": " << TerminalText(text)
              << (yes_ ? " -> yes (--yes)\n" : " -> no (give --yes to answer yes)\n");
    return yes_;
}

Answer TerminalFeedback::askYesNoCancel(int textEntry, int captionEntry) {
    return askYesNo(textEntry, captionEntry) ? Answer::Yes : Answer::No;
}

std::optional<std::string> TerminalFeedback::chooseFile(const FileRequest& request) {
    if (files_.empty()) return std::nullopt;
    std::string f = files_.front();
    files_.pop_front();
    // A file given to be written follows the rule of every output, as a save dialog's does.
    const bool save =
        request.kind == FileRequest::SavePlan || request.kind == FileRequest::ExportCsv ||
        request.kind == FileRequest::SaveChart || request.kind == FileRequest::SaveReport;
    if (save && !MayWriteOutputAsking(*this, PathFromText(f), request.inputs)) return std::nullopt;
    return f;
}

}  // namespace zv318
