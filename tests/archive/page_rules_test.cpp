// The rules under the Archive page: typed date bounds, the ".csv" of a saved CSV, and the
// names a deletion's question gives.

#include <gtest/gtest.h>

#include "archive/page_rules.h"

namespace zv318 {
namespace {

TEST(archivePageRules, ADateBoundIsADayNoBoundOrNotADate) {
    const struct {
        const char* typed;
        bool valid;
        const char* day;  // nullptr: no bound
    } cases[] = {
        {"2025-06-01", true, "2025-06-01"}, {"2025/06/01", true, "2025-06-01"},
        {"2025.06.01", true, "2025-06-01"}, {"2025-6-1", true, "2025-06-01"},
        {"01/06/2025", true, "2025-06-01"}, {"1.6.2025", true, "2025-06-01"},
        {"01-06-2025", true, "2025-06-01"}, {"  2025-06-01\t", true, "2025-06-01"},
        {"2024-02-29", true, "2024-02-29"}, {"2000-02-29", true, "2000-02-29"},
        {"", true, nullptr},                {"   ", true, nullptr},
        {"2025-02-29", false, nullptr},     {"1900-02-29", false, nullptr},
        {"2025-13-01", false, nullptr},     {"2025-00-10", false, nullptr},
        {"2025-04-31", false, nullptr},     {"2025-06-00", false, nullptr},
        {"2025-06", false, nullptr},        {"2025-06-01-02", false, nullptr},
        {"2025-06/01", false, nullptr},     {"20250601", false, nullptr},
        {"25-06-01", false, nullptr},       {"1969-12-31", false, nullptr},
        {"2025--06-01", false, nullptr},    {"2025-06-01T10:00", false, nullptr},
        {"June 1 2025", false, nullptr},    {"99999-01-01", false, nullptr},
        {"2025-006-01", false, nullptr},    {"-2025-06-01", false, nullptr},
    };
    for (const auto& c : cases) {
        const DateBound bound = ParseDateBound(c.typed);
        EXPECT_EQ(bound.valid, c.valid) << '"' << c.typed << '"';
        EXPECT_EQ(bound.day, c.day ? std::optional<std::string>(c.day) : std::nullopt)
            << '"' << c.typed << '"';
    }
}

TEST(archivePageRules, ASavedCsvEndsInCsv) {
    const std::pair<const char*, const char*> cases[] = {
        {"/home/t/compare", "/home/t/compare.csv"},
        {"/home/t/compare.csv", "/home/t/compare.csv"},
        {"/home/t/compare.CSV", "/home/t/compare.CSV"},
        {"/home/t/trend.txt", "/home/t/trend.txt.csv"},
        {"/home/t/my.csv.data", "/home/t/my.csv.data.csv"},
        {"/home/t/csv", "/home/t/csv.csv"},
        {"C:\\Sites\\mast 3", "C:\\Sites\\mast 3.csv"},
        {"", ""},  // no file chosen stays none
    };
    for (const auto& [chosen, written] : cases) EXPECT_EQ(WithCsvExtension(chosen), written);
}

TEST(archivePageRules, ADeletionNamesWhatItDeletes) {
    EXPECT_EQ(NamedLoggers({"MAST1"}, 5), "MAST1");
    EXPECT_EQ(NamedLoggers({"A", "B", "C"}, 5), "A, B, C");
    EXPECT_EQ(NamedLoggers({"A", "B", "C", "D", "E", "F", "G"}, 5), "A, B, C, D, E, … (+2)");
    EXPECT_EQ(NamedLoggers({}, 5), "");
}

}  // namespace
}  // namespace zv318
