#include "texts/terminal_text.h"

#include <cstdint>
#include <cstdio>

namespace zv318 {

namespace {

// The length of the UTF-8 sequence starting at `at`, or 0 when the bytes there are no UTF-8
// (overlong forms, surrogates and code points past U+10FFFF included).
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
    if (len > 2) {
        const auto second = static_cast<unsigned char>(s[at + 1]);
        if ((c == 0xE0 && second < 0xA0) || (c == 0xED && second >= 0xA0) ||
            (c == 0xF0 && second < 0x90) || (c == 0xF4 && second >= 0x90))
            return 0;
    }
    return len;
}

std::uint32_t CodePoint(std::string_view s, std::size_t at, std::size_t len) {
    const auto c = static_cast<unsigned char>(s[at]);
    std::uint32_t code = len == 1 ? c : len == 2 ? c & 0x1Fu : len == 3 ? c & 0x0Fu : c & 0x07u;
    for (std::size_t k = 1; k < len; ++k)
        code = (code << 6) | (static_cast<unsigned char>(s[at + k]) & 0x3Fu);
    return code;
}

// The C1 controls and the controls that change the direction text is shown in.
bool HiddenControl(std::uint32_t code) {
    return (code >= 0x80 && code <= 0x9F) || code == 0x061C || code == 0x200E || code == 0x200F ||
           (code >= 0x202A && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069);
}

}  // namespace

std::string TerminalText(std::string_view text, bool keepLineBreaks) {
    std::string out;
    out.reserve(text.size());
    char escape[8];
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (keepLineBreaks && (c == '\n' || (c == '\r' && text.substr(i + 1, 1) == "\n"))) {
            const std::size_t len = c == '\r' ? 2 : 1;
            out.append(text.substr(i, len));
            i += len;
            continue;
        }
        const std::size_t len = Utf8Length(text, i);
        if (len == 0 || c < 0x20 || c == 0x7F) {
            std::snprintf(escape, sizeof escape, "\\x%02X", c);
            out += escape;
            ++i;
            continue;
        }
        if (const std::uint32_t code = CodePoint(text, i, len); HiddenControl(code)) {
            std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(code));
            out += escape;
        } else {
            out.append(text.substr(i, len));
        }
        i += len;
    }
    return out;
}

}  // namespace zv318
