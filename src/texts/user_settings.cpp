#include "texts/user_settings.h"

#include <system_error>

#include "texts/text_file.h"

namespace zv318 {
namespace {

std::string Escape(std::string_view text, bool isKey) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '=':
            if (isKey) out += "\\=";
            else out += c;
            break;
        default: out += c;
        }
    }
    return out;
}

std::string Unescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char next = text[++i];
        out += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
    }
    return out;
}

// The first "=" not written as "\=".
std::size_t KeyEnd(std::string_view line) {
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\\') ++i;
        else if (line[i] == '=') return i;
    }
    return std::string_view::npos;
}

}  // namespace

UserSettings UserSettings::Parse(std::string_view bytes) {
    UserSettings settings;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos) end = bytes.size();
        std::string_view line = bytes.substr(start, end - start);
        while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        start = end + 1;
        const std::size_t eq = KeyEnd(line);
        if (eq == std::string_view::npos || eq == 0) continue;
        settings.set(Unescape(line.substr(0, eq)), Unescape(line.substr(eq + 1)));
    }
    return settings;
}

UserSettings UserSettings::Load(const std::filesystem::path& file) {
    const auto bytes = ReadWholeFile(file, kUserSettingsMaxBytes);
    if (!bytes) return {};
    return Parse(DecodeUtf8OrWindows1252(*bytes));
}

std::optional<std::string> UserSettings::value(std::string_view key) const {
    const auto it = values_.find(key);
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

std::string UserSettings::text(std::string_view key, std::string_view fallback) const {
    const auto found = value(key);
    return found ? *found : std::string(fallback);
}

bool UserSettings::flag(std::string_view key, bool fallback) const {
    const auto found = value(key);
    if (!found) return fallback;
    if (*found == "1" || *found == "true" || *found == "yes" || *found == "on") return true;
    if (*found == "0" || *found == "false" || *found == "no" || *found == "off") return false;
    return fallback;
}

void UserSettings::set(std::string_view key, std::string_view value) {
    if (key.empty()) return;
    if (value.empty()) {
        remove(key);
        return;
    }
    values_.insert_or_assign(std::string(key), std::string(value));
}

void UserSettings::remove(std::string_view key) {
    const auto it = values_.find(key);
    if (it != values_.end()) values_.erase(it);
}

std::string UserSettings::serialise() const {
    std::string out;
    for (const auto& [key, value] : values_) {
        out += Escape(key, true);
        out += '=';
        out += Escape(value, false);
        out += "\r\n";
    }
    return out;
}

bool UserSettings::save(const std::filesystem::path& file) const {
    std::error_code ec;
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ec);
    return WriteFileAtomically(file, serialise());
}

bool UpdateUserSettings(const std::filesystem::path& file,
                        const std::function<void(UserSettings&)>& change) {
    UserSettings settings = UserSettings::Load(file);
    change(settings);
    return settings.save(file);
}

}  // namespace zv318
