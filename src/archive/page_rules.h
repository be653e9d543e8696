#pragma once
// The rules under the Archive page's controls, free of any window: what a typed date bound
// means, the file name a "Save CSV…" writes, and what a deletion's question names.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "texts/language_table.h"

namespace zv318 {

// A date typed as a filter's bound.
struct DateBound {
    bool valid = true;         // false: the text is no date (the filter keeps its last bound)
    std::optional<std::string> day;  // "YYYY-MM-DD"; nothing: no bound (an empty field)
};

// "2025-06-01", "2025/06/01", "2025.06.01" and the day first ("01/06/2025", "1.6.2025",
// "01-06-2025"); blanks around it are ignored; an empty text is no bound. A day that does not
// exist (2025-02-30) or a year outside 1970-9999 is not valid.
[[nodiscard]] DateBound ParseDateBound(std::string_view text);

// The name a CSV is written to: `chosen` with ".csv" added unless it ends so (in any case).
[[nodiscard]] std::string WithCsvExtension(std::string chosen);

// What a deletion's question names: the loggers' names, at most `shown` of them, then "…" and
// how many more (the count of all comes apart, in the question's own words).
[[nodiscard]] std::string NamedLoggers(const std::vector<std::string>& names, std::size_t shown);

// The question before loggers leave the archive, the same on the page and in zv318ctl: how
// many (%1) and which (%2, the first few names).
inline constexpr int kDeleteQuestionEntry = 1695;
inline constexpr std::size_t kDeleteNamesShown = 5;
[[nodiscard]] std::string DeleteQuestion(const LanguageTable& table,
                                         const std::vector<std::string>& names);

}  // namespace zv318
