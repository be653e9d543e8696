#include "backup/manifest.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>

#include "loggers/logger_index.h"
#include "plans/plan_model.h"
#include "texts/fields.h"
#include "texts/text_file.h"

namespace zv318 {

namespace {

constexpr std::string_view kFirstLine = "ZV-318 backup";
constexpr std::string_view kUnreadable = "unreadable";

std::string Escaped(std::string_view text) {
    std::string out;
    for (unsigned char c : text) {
        if (c == '%' || c < 0x20 || c == 0x7f) {
            char buf[4];
            std::snprintf(buf, sizeof buf, "%%%02X", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string_view::npos) return parts;
        start = end + 1;
    }
}

bool IsSha256(std::string_view text) {
    return text.size() == 64 && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

// A value as Escaped writes it: "%" and two upper-case digits for "%" and the control
// characters only, so the value read is the one text that could have been written there.
std::optional<std::string> Unescaped(std::string_view text) {
    std::optional<std::string> value = PercentDecoded(text);
    if (!value || Escaped(*value) != text) return std::nullopt;
    return value;
}

const std::array<std::string_view, 6> kHeaderKeys{
    "Serial number", "IO Interface version", "ZV-318 version", "Date", "Time", "File"};

}  // namespace

bool IsBackupFileName(std::string_view name) {
    if (name.empty() || name.front() == '.') return false;
    return std::none_of(name.begin(), name.end(), [](unsigned char c) {
        return c < 0x20 || c == 0x7f || c == '/' || c == '\\' || c == ':';
    });
}

std::string ManifestText(const Manifest& m) {
    std::vector<std::string> lines{std::string(kFirstLine),
                                   "Serial number=" + Escaped(m.instrument.serial),
                                   "IO Interface version=" + Escaped(m.instrument.ioVersion),
                                   "ZV-318 version=" + Escaped(m.instrument.instrumentVersion),
                                   "Date=" + Escaped(m.date),
                                   "Time=" + Escaped(m.time)};
    for (const BackupFile& f : m.files)
        lines.push_back("File=" + (f.unreadable() ? std::string(kUnreadable) : f.sha256) + '\t' +
                        (f.logger ? "logger" : "plan") + '\t' + (f.type == 1 ? "RADIO" : "PLC") +
                        '\t' + std::to_string(f.number) + '\t' + Escaped(f.file) + '\t' +
                        Escaped(f.original));
    return JoinCrLf(lines, true);
}

std::optional<Manifest> ParseManifest(std::string_view text) {
    std::vector<std::string_view> lines = Split(text, '\n');
    if (!lines.empty() && lines.back().empty()) lines.pop_back();
    for (std::string_view& line : lines)
        if (line.ends_with('\r')) line.remove_suffix(1);
    if (lines.size() < 6 || lines[0] != kFirstLine) return std::nullopt;

    Manifest m;
    std::array<std::string*, 5> header{&m.instrument.serial, &m.instrument.ioVersion,
                                       &m.instrument.instrumentVersion, &m.date, &m.time};
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::size_t eq = lines[i].find('=');
        if (eq == std::string_view::npos) return std::nullopt;
        const std::string_view key = lines[i].substr(0, eq), value = lines[i].substr(eq + 1);
        // The five header lines in their order, then only file lines.
        const std::size_t expected = std::min<std::size_t>(i - 1, 5);
        if (key != kHeaderKeys[expected]) return std::nullopt;
        if (expected < 5) {
            std::optional<std::string> v = Unescaped(value);
            if (!v) return std::nullopt;
            *header[expected] = std::move(*v);
            continue;
        }
        const std::vector<std::string_view> f = Split(value, '\t');
        if (f.size() != 6) return std::nullopt;
        BackupFile file;
        // An unreadable entry is a plan with no file; every other entry has a hash and a file.
        const bool unreadable = f[0] == kUnreadable;
        if (unreadable ? f[1] != "plan" || !f[4].empty() : !IsSha256(f[0]) || f[4].empty())
            return std::nullopt;
        if (!unreadable) file.sha256 = std::string(f[0]);
        if (f[1] != "plan" && f[1] != "logger") return std::nullopt;
        file.logger = f[1] == "logger";
        if (f[2] != "RADIO" && f[2] != "PLC") return std::nullopt;
        file.type = f[2] == "RADIO" ? 1 : 2;
        // A plan's number within its type (0 to 9) or a logger's slot (0 to 49).
        const std::optional<std::int64_t> number =
            DecimalField(f[3], 0, file.logger ? kLoggerSlots - 1 : kMaxPlansPerType - 1);
        std::optional<std::string> name = Unescaped(f[4]), original = Unescaped(f[5]);
        if (!number || !name || !original) return std::nullopt;
        file.number = static_cast<int>(*number);
        file.file = std::move(*name);
        file.original = std::move(*original);
        m.files.push_back(std::move(file));
    }
    return m;
}

}  // namespace zv318
