#pragma once
// The numbered texts of the interface: entries 0 to 135, empty until a language file sets
// them. Every text that a window's design does not fix is read from here by number.

#include <array>
#include <string>

namespace zv318 {

inline constexpr int kLanguageEntries = 136;

class LanguageTable {
public:
    // Entry n, or the empty text for an entry never set or outside 0-135.
    [[nodiscard]] const std::string& entry(int n) const;
    // Sets entry n; numbers outside 0-135 are ignored.
    void set(int n, std::string text);
    void clear();

private:
    std::array<std::string, kLanguageEntries> entries_;
};

// The text of a numbered message (1-31 or negative): returns n and sets `text`, or returns 0
// and leaves `text` untouched when n has no message.
int MessageText(const LanguageTable& table, int n, std::string& text);
// Messages shown with the error icon rather than the information icon.
[[nodiscard]] bool MessageIsError(int n);
// The caption of every message box.
inline constexpr int kMessageCaptionEntry = 66;

}  // namespace zv318
