#include "texts/file_names.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <vector>

namespace zv318 {

namespace {

bool NeverInFileName(unsigned char c) {
    return c < 0x20 || c == 0x7F ||
           std::string_view("/\\:*?\"<>|").find(static_cast<char>(c)) != std::string_view::npos;
}

bool IsHex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

std::string Escape(unsigned char c) {
    char buf[4];
    std::snprintf(buf, sizeof buf, "%%%02X", c);
    return buf;
}

// CON, PRN, AUX, NUL, COM1-9 and LPT1-9, before the first dot and any blanks before it.
bool IsDeviceName(std::string_view name) {
    std::string stem(name.substr(0, name.find('.')));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    std::transform(stem.begin(), stem.end(), stem.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL" ||
           (stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT")) &&
            stem[3] >= '1' && stem[3] <= '9');
}

bool DotOrBlank(std::string_view piece) { return piece == "." || piece == " "; }

}  // namespace

std::string SafeFileName(std::string_view name) {
    if (name.empty()) return "_";
    // One piece per character of the name, as it is to be written.
    std::vector<std::string> pieces;
    for (std::size_t i = 0; i < name.size();) {
        const auto c = static_cast<unsigned char>(name[i]);
        std::size_t length = 1;
        if (c >= 0xC0) {  // a UTF-8 sequence stays whole
            while (i + length < name.size() &&
                   (static_cast<unsigned char>(name[i + length]) & 0xC0) == 0x80)
                ++length;
        }
        const bool readsAsEscape =
            c == '%' && i + 2 < name.size() && IsHex(name[i + 1]) && IsHex(name[i + 2]);
        pieces.push_back(NeverInFileName(c) || readsAsEscape
                             ? Escape(c)
                             : std::string(name.substr(i, length)));
        i += length;
    }
    if (DotOrBlank(pieces.front()) || IsDeviceName(name))
        pieces.front() = Escape(static_cast<unsigned char>(name.front()));

    std::string out;
    std::size_t kept = 0;
    while (kept < pieces.size() && out.size() + pieces[kept].size() <= kMaxSafeFileName)
        out += pieces[kept++];
    // The last character kept must not be a dot or a blank, which some systems drop.
    while (kept > 0 && DotOrBlank(pieces[kept - 1])) {
        out.pop_back();
        const auto last = static_cast<unsigned char>(pieces[--kept][0]);
        if (out.size() + 3 <= kMaxSafeFileName) return out + Escape(last);
    }
    return out;
}

}  // namespace zv318
