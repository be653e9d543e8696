// Every CSV row the program writes: read back field for field, and no text a spreadsheet would
// run as a formula.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "texts/csv.h"

namespace zv318::testing {
namespace {

// Fields made of the characters that matter to a spreadsheet and to the CSV form: formula
// starts, the guard itself, separators, quotes, line breaks, digits, signs and points.
TEST(csvRows, EveryFieldReadsBackAndNoTextStartsAFormula) {
    const std::string alphabet = "=+-@\t\r\n'\",;.0123456789aZ ";
    std::mt19937 random(45);
    for (int round = 0; round < 3000; ++round) {
        std::vector<std::string> fields(1 + random() % 5);
        for (std::string& f : fields) {
            const std::size_t length = random() % 6;
            for (std::size_t k = 0; k < length; ++k) f += alphabet[random() % alphabet.size()];
        }
        // A first row with a comma: the reader takes "," as the separator.
        const CsvTable table = ReadCsv(CsvRow({"a", "b"}) + CsvRow(fields));
        ASSERT_EQ(table.unclosedQuoteLine, 0);
        ASSERT_EQ(table.records.size(), 2u);
        const std::vector<std::string>& read = table.records[1].fields;
        ASSERT_EQ(read.size(), fields.size());
        for (std::size_t k = 0; k < fields.size(); ++k) {
            SCOPED_TRACE("field [" + fields[k] + "]");
            EXPECT_EQ(CsvTextFromSafe(read[k]), fields[k]);
            // What a spreadsheet sees: a number, or a text that starts no formula.
            const std::string& cell = read[k];
            if (!cell.empty() && std::string("=+-@\t\r").find(cell.front()) != std::string::npos) {
                EXPECT_TRUE(CsvNumberText(cell)) << cell;
            }
        }
    }
}

}  // namespace
}  // namespace zv318::testing
