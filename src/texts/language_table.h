#pragma once
// The numbered texts of the interface: entries 0 to 135, empty until a language file sets
// them. Every text that a window's design does not fix is read from here by number.
// Entries 1000 to 1999 hold the texts of what this program adds to the instrument's own
// (menus, windows and messages beyond it); a language file sets them the same way.

#include <array>
#include <string>
#include <vector>

namespace zv318 {

inline constexpr int kLanguageEntries = 136;
// The program's own entries: 1000-1099 captions and labels, 1100-1999 the texts of the
// program's own messages 100-999 (message n reads entry 1000 + n) and further captions.
inline constexpr int kExtraEntryFirst = 1000;
inline constexpr int kExtraEntryEnd = 2000;
inline constexpr int kExtraMessageFirst = 100;
inline constexpr int kExtraMessageLast = 999;
// The notice that no program of this computer opens a file or folder ("%1"): said wherever an
// "Open" of the program hands a file to the desktop.
inline constexpr int kEntryNoProgramOpens = 1828;

// True for the numbers a language file may set: 0-135 and 1000-1999.
[[nodiscard]] constexpr bool IsLanguageEntry(long long n) {
    return (n >= 0 && n < kLanguageEntries) || (n >= kExtraEntryFirst && n < kExtraEntryEnd);
}

class LanguageTable {
public:
    // Entry n, or the empty text for an entry never set or not a language entry.
    [[nodiscard]] const std::string& entry(int n) const;
    // Sets entry n; numbers that are not language entries are ignored.
    void set(int n, std::string text);
    void clear();

private:
    std::array<std::string, kLanguageEntries> entries_;
    std::array<std::string, kExtraEntryEnd - kExtraEntryFirst> extra_;
};

// The text of a numbered message (1-31, the program's own 100-999, or negative): returns n and sets `text`, or returns 0
// and leaves `text` untouched when n has no message.
int MessageText(const LanguageTable& table, int n, std::string& text);
// The text with "%1", "%2" ... replaced by the values in their order (a mark without a value
// stays as it is).
[[nodiscard]] std::string FillIn(std::string text, const std::vector<std::string>& values);

// Messages shown with the error icon rather than the information icon.
[[nodiscard]] bool MessageIsError(int n);
// Messages shown with the warning icon: a damaged firmware image.
[[nodiscard]] bool MessageIsWarning(int n);
// The caption of every message box.
inline constexpr int kMessageCaptionEntry = 66;
// The language's code ("en", "fr", "pt"): its locale, and the name of Qt's own translations.
inline constexpr int kLanguageCodeEntry = 1343;
// How the language writes a date, as a Qt date format ("dd.MM.yyyy"); empty: YYYY-MM-DD.
inline constexpr int kDateFormatEntry = 1900;

}  // namespace zv318
