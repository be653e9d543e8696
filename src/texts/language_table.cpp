#include "texts/language_table.h"

namespace zv318 {

const std::string& LanguageTable::entry(int n) const {
    static const std::string empty;
    if (n >= 0 && n < kLanguageEntries) return entries_[n];
    if (n >= kExtraEntryFirst && n < kExtraEntryEnd) return extra_[n - kExtraEntryFirst];
    return empty;
}

void LanguageTable::set(int n, std::string text) {
    if (n >= 0 && n < kLanguageEntries) entries_[n] = std::move(text);
    else if (n >= kExtraEntryFirst && n < kExtraEntryEnd) extra_[n - kExtraEntryFirst] = std::move(text);
}

void LanguageTable::clear() {
    for (auto& e : entries_) e.clear();
    for (auto& e : extra_) e.clear();
}

namespace {

struct CatalogueRow {
    int entry;
    bool withNumber;  // the text is followed by ": " and the message number
};

// Message numbers 1 to 31 and the language entry that gives each one's text.
constexpr CatalogueRow kCatalogue[32] = {
    {0, false},                                                               // 0: none
    {60, false}, {61, false}, {62, true},  {63, true},  {64, true},  {65, true},   // 1-6
    {67, false}, {69, false}, {70, false}, {71, true},  {12, false}, {46, false},  // 7-12
    {40, false}, {75, false}, {26, false}, {24, false}, {78, false}, {92, false},  // 13-18
    {103, false}, {104, false}, {105, false}, {109, false}, {76, false},           // 19-23
    {118, false}, {89, false}, {85, false}, {124, false}, {120, false},            // 24-28
    {84, false}, {3, false}, {106, false},                                         // 29-31
};

constexpr int kNegativeMessageEntry = 68;

}  // namespace

int MessageText(const LanguageTable& table, int n, std::string& text) {
    if (n < 0) {
        text = table.entry(kNegativeMessageEntry) + ": " + std::to_string(n);
        return n;
    }
    if (n >= kExtraMessageFirst && n <= kExtraMessageLast) {
        text = table.entry(kExtraEntryFirst + n);
        return n;
    }
    if (n == 0 || n > 31) return 0;
    const CatalogueRow& row = kCatalogue[n];
    text = table.entry(row.entry);
    if (row.withNumber) text += ": " + std::to_string(n);
    return n;
}

bool MessageIsError(int n) { return n == -91; }

bool MessageIsWarning(int n) { return n == 2; }

std::string FillIn(std::string text, const std::vector<std::string>& values) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t n = i + 1 < text.size() ? static_cast<std::size_t>(text[i + 1] - '1') : 9;
        if (text[i] == '%' && n < 9 && n < values.size()) {
            out += values[n];
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace zv318
