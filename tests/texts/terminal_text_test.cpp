// The one escaping path of texts from outside: whatever bytes come in, what goes out holds no
// control a terminal acts on, no byte that is no UTF-8 and no control that turns the text's
// direction; printable text passes unchanged.

#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "texts/terminal_text.h"

namespace zv318 {
namespace {

// The code points of well-formed UTF-8 `text`, or false when it is not.
bool Decode(const std::string& text, std::vector<std::uint32_t>& codes) {
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const int len = c < 0x80                ? 1
                        : c >= 0xC2 && c < 0xE0 ? 2
                        : c >= 0xE0 && c < 0xF0 ? 3
                        : c >= 0xF0 && c < 0xF5 ? 4
                                                : 0;
        if (len == 0 || i + len > text.size()) return false;
        std::uint32_t code = len == 1 ? c : c & (0x7F >> len);
        for (int k = 1; k < len; ++k) {
            const auto b = static_cast<unsigned char>(text[i + k]);
            if ((b & 0xC0) != 0x80) return false;
            code = (code << 6) | (b & 0x3F);
        }
        const std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < least[len] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        codes.push_back(code);
        i += len;
    }
    return true;
}

bool Steers(std::uint32_t code) {
    return code < 0x20 || (code >= 0x7F && code <= 0x9F) || code == 0x061C || code == 0x200E ||
           code == 0x200F || (code >= 0x202A && code <= 0x202E) ||
           (code >= 0x2066 && code <= 0x2069);
}

TEST(TerminalText, WhatComesOutIsWellFormedAndSteersNothing) {
    std::mt19937 random(318);
    // Bytes drawn mostly from where the trouble lies: controls, lead and continuation bytes,
    // and the pieces of the bidirectional controls.
    const std::string pieces[] = {
        "\x1b",     "\x9b",     "\xc2",     "\x85",         "\xe2\x80",         "\xae",
        "\xa7",     "\xe2\x81", "\xd8\x9c", "\xed\xa0\x80", "\xf4\x90\x80\x80", "a",
        "\xc3\xa9", "\n",       "\r",       "\x7f",         "\xe2\x82\xac",     "\xf0\x9f\x98\x80"};
    for (int round = 0; round < 20000; ++round) {
        std::string in;
        const int n = static_cast<int>(random() % 12);
        for (int k = 0; k < n; ++k) in += pieces[random() % std::size(pieces)];
        for (const bool lines : {false, true}) {
            const std::string out = TerminalText(in, lines);
            std::vector<std::uint32_t> codes;
            ASSERT_TRUE(Decode(out, codes)) << in;
            for (std::size_t k = 0; k < codes.size(); ++k) {
                if (lines && codes[k] == '\n') continue;
                if (lines && codes[k] == '\r' && k + 1 < codes.size() && codes[k + 1] == '\n')
                    continue;
                ASSERT_FALSE(Steers(codes[k])) << in << " -> " << out;
            }
            // Printable well-formed text passes as it is.
            std::vector<std::uint32_t> inCodes;
            bool printable = Decode(in, inCodes);
            for (const std::uint32_t c : inCodes) printable = printable && !Steers(c);
            if (printable) {
                ASSERT_EQ(out, in);
            }
        }
    }
}

TEST(TerminalText, EachKindOfControlHasItsEscape) {
    const struct {
        std::string in, out;
    } cases[] = {
        {"\x1b[2J", "\\x1B[2J"},
        {"\x9b", "\\x9B"},
        {"\xc2\x9b", "\\u009B"},
        {"\xc2\x85", "\\u0085"},
        {"a\xe2\x80\xae"
         "b",
         "a\\u202Eb"},
        {"\xe2\x81\xa6", "\\u2066"},
        {"\xd8\x9c", "\\u061C"},
        {"\xe2\x80\x8f", "\\u200F"},
        {"\xed\xa0\x80", "\\xED\\xA0\\x80"},
        {"a\r\nb", "a\\x0D\\x0Ab"},
    };
    for (const auto& c : cases) EXPECT_EQ(TerminalText(c.in), c.out) << c.in;
    EXPECT_EQ(TerminalText("a\r\nb\nc\rd", true), "a\r\nb\nc\\x0Dd");
}

}  // namespace
}  // namespace zv318
