#include "app/terminal_feedback.h"

#include <algorithm>
#include <cstdio>
#include <iostream>

#if defined(__unix__) || defined(__APPLE__)
#include <unistd.h>
#endif

namespace zv318 {

namespace {

bool StderrIsTerminal() {
#if defined(__unix__) || defined(__APPLE__)
    return isatty(2) != 0;
#else
    return false;
#endif
}

// The length of the UTF-8 sequence starting at `at`, or 0 when the bytes there are no UTF-8.
std::size_t Utf8Length(std::string_view s, std::size_t at) {
    const auto c = static_cast<unsigned char>(s[at]);
    const std::size_t len = c < 0x80                   ? 1
                            : (c >= 0xC2 && c <= 0xDF) ? 2
                            : (c & 0xF0) == 0xE0       ? 3
                            : (c >= 0xF0 && c <= 0xF4) ? 4
                                                       : 0;
    if (len == 0 || at + len > s.size()) return 0;
    for (std::size_t k = 1; k < len; ++k)
        if ((static_cast<unsigned char>(s[at + k]) & 0xC0) != 0x80) return 0;
    return len;
}

}  // namespace

std::string TerminalText(std::string_view text, bool keepLineBreaks) {
    std::string out;
    out.reserve(text.size());
    char escape[8];
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t len = Utf8Length(text, i);
        if (len == 0 || (c < 0x20 && !(keepLineBreaks && c == '\n')) || c == 0x7F) {
            std::snprintf(escape, sizeof escape, "\\x%02X", c);
            out += escape;
            ++i;
            continue;
        }
        // U+0080 to U+009F: the C1 controls, CSI (U+009B) among them.
        if (len == 2 && c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0) {
            std::snprintf(escape, sizeof escape, "\\u%04X",
                          static_cast<unsigned char>(text[i + 1]));
            out += escape;
        } else {
            out.append(text.substr(i, len));
        }
        i += len;
    }
    return out;
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

std::optional<std::string> TerminalFeedback::chooseFile(const FileRequest&) {
    if (files_.empty()) return std::nullopt;
    std::string f = files_.front();
    files_.pop_front();
    return f;
}

}  // namespace zv318
