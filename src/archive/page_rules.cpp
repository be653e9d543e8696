#include "archive/page_rules.h"

#include <array>
#include <cctype>
#include <cstdio>

namespace zv318 {

namespace {

bool LeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

bool RealDay(int y, int m, int d) {
    static constexpr std::array<int, 12> kDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (y < 1970 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
    return d <= kDays[static_cast<std::size_t>(m - 1)] + (m == 2 && LeapYear(y) ? 1 : 0);
}

// The text as numbers and the one separator between them: "2025-06-01" → {2025, 6, 1}.
bool ThreeNumbers(std::string_view text, int (&numbers)[3], int (&digits)[3]) {
    char separator = 0;
    int k = 0;
    numbers[0] = numbers[1] = numbers[2] = 0;
    digits[0] = digits[1] = digits[2] = 0;
    for (char c : text) {
        if (std::isdigit(static_cast<unsigned char>(c))) {
            if (digits[k] == 4) return false;
            numbers[k] = numbers[k] * 10 + (c - '0');
            ++digits[k];
        } else if ((c == '-' || c == '/' || c == '.') && (separator == 0 || c == separator)) {
            if (k == 2 || digits[k] == 0) return false;
            separator = c;
            ++k;
        } else {
            return false;
        }
    }
    return k == 2 && digits[2] > 0;
}

}  // namespace

DateBound ParseDateBound(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    if (text.empty()) return {true, std::nullopt};
    int n[3], digits[3];
    if (!ThreeNumbers(text, n, digits)) return {false, std::nullopt};
    int y = 0, m = 0, d = 0;
    if (digits[0] == 4 && digits[1] <= 2 && digits[2] <= 2) {
        y = n[0], m = n[1], d = n[2];  // year first
    } else if (digits[2] == 4 && digits[0] <= 2 && digits[1] <= 2) {
        d = n[0], m = n[1], y = n[2];  // day first
    } else {
        return {false, std::nullopt};
    }
    if (!RealDay(y, m, d)) return {false, std::nullopt};
    char day[40];  // room for any int the compiler can imagine; RealDay keeps them to 10 characters
    std::snprintf(day, sizeof day, "%04d-%02d-%02d", y, m, d);
    return {true, std::string(day)};
}

std::string WithCsvExtension(std::string chosen) {
    auto lower = [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); };
    const bool hasIt = chosen.size() >= 4 && chosen[chosen.size() - 4] == '.' &&
                       lower(chosen[chosen.size() - 3]) == 'c' &&
                       lower(chosen[chosen.size() - 2]) == 's' &&
                       lower(chosen[chosen.size() - 1]) == 'v';
    if (!hasIt && !chosen.empty()) chosen += ".csv";
    return chosen;
}

std::string DeleteQuestion(const LanguageTable& table, const std::vector<std::string>& names) {
    return FillIn(table.entry(kDeleteQuestionEntry),
                  {std::to_string(names.size()), NamedLoggers(names, kDeleteNamesShown)});
}

std::string NamedLoggers(const std::vector<std::string>& names, std::size_t shown) {
    std::string text;
    for (std::size_t i = 0; i < names.size() && i < shown; ++i) {
        if (i > 0) text += ", ";
        text += names[i];
    }
    if (names.size() > shown) text += ", … (+" + std::to_string(names.size() - shown) + ")";
    return text;
}

}  // namespace zv318
