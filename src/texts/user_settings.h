#pragma once
// The person's own settings, kept apart from "config.txt" (whose one-line layout other copies of
// the program read): a small text file "settings.txt" in the user folder, one "key=value" per
// line, CR LF, written whole and atomically. Any part of the program may keep a value here under
// a key of its own ("report.technician", "archive.enabled", ...).
//
// Keys and values are any UTF-8 text: a backslash, a line break and (in a key) "=" are written
// as "\\", "\n", "\r" and "\=", so a note of several lines or a site called "A=B" reads back the
// same. Lines the reader does not understand (no "=") are skipped; the last of two equal keys
// holds.

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace zv318 {

inline constexpr char kUserSettingsFileName[] = "settings.txt";
inline constexpr std::size_t kUserSettingsMaxBytes = std::size_t{1024} * 1024;

class UserSettings {
public:
    UserSettings() = default;
    // The settings of `file`; empty (not an error) when it does not exist or cannot be read.
    static UserSettings Load(const std::filesystem::path& file);
    // The settings file of the user folder.
    static std::filesystem::path FileIn(const std::filesystem::path& userFolder) {
        return userFolder / kUserSettingsFileName;
    }

    [[nodiscard]] std::optional<std::string> value(std::string_view key) const;
    [[nodiscard]] std::string text(std::string_view key, std::string_view fallback = {}) const;
    [[nodiscard]] bool flag(std::string_view key, bool fallback) const;
    // An empty value removes the key, so the file keeps only what was set.
    void set(std::string_view key, std::string_view value);
    void setFlag(std::string_view key, bool on) { set(key, on ? "1" : "0"); }
    void remove(std::string_view key);
    [[nodiscard]] const std::map<std::string, std::string, std::less<>>& all() const {
        return values_;
    }

    // The file's bytes: keys in order, CR LF after every line.
    [[nodiscard]] std::string serialise() const;
    static UserSettings Parse(std::string_view bytes);
    // Writes the file atomically (making its folder when missing); false when it cannot.
    [[nodiscard]] bool save(const std::filesystem::path& file) const;

private:
    std::map<std::string, std::string, std::less<>> values_;
};

// Reads the file, applies `change` and writes it back, so that two parts of the program that
// keep different keys never undo each other's last change with an older copy.
[[nodiscard]] bool UpdateUserSettings(const std::filesystem::path& file,
                                      const std::function<void(UserSettings&)>& change);

}  // namespace zv318
