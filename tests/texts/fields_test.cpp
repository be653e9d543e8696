// The fields every reader shares: a number is taken exactly within its bounds, a name is judged
// by its rule at every byte and at its length.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "texts/fields.h"

using namespace zv318;

TEST(Fields, ANumberIsTakenExactlyWithinItsBounds) {
    const struct {
        std::int64_t min, max;
    } bounds[] = {{0, 0}, {0, 9}, {0, 149}, {-5, 5}, {-100, -3}, {7, 12}, {0, 2147483647}};
    for (const auto& b : bounds) {
        // Every value at and around both bounds, and around zero.
        std::vector<std::int64_t> values;
        for (std::int64_t d = -3; d <= 3; ++d)
            values.insert(values.end(), {b.min + d, b.max + d, d});
        for (std::int64_t v : values) {
            const bool within = v >= b.min && v <= b.max;
            const std::string text = std::to_string(v);
            EXPECT_EQ(DecimalField(text, b.min, b.max), within ? std::optional(v) : std::nullopt)
                << text << " in " << b.min << "..." << b.max;
            // Never with a leading zero, nor as "-0".
            const std::string padded = v < 0 ? "-0" + std::to_string(-v) : "0" + std::to_string(v);
            EXPECT_EQ(DecimalField(padded, b.min, b.max), std::nullopt) << padded;
            if (v >= 0 && b.min == 0) {
                EXPECT_EQ(DigitsField(text, b.max).has_value(), within) << text;
                EXPECT_EQ(DigitsField("0" + text, b.max).has_value(), within) << "0" << text;
            }
        }
    }
}

TEST(Fields, ANameIsJudgedAtEveryByteAndAtItsLength) {
    const NameRule rule{8, false, ",&", true};
    for (int c = 1; c < 0x80; ++c) {
        const std::string name = std::string("A") + static_cast<char>(c) + "B";
        NameFault expected = NameFault::None;
        if (c < 0x20 || c == 0x7F)
            expected = NameFault::ControlCharacter;
        else if (c == ',' || c == '&')
            expected = NameFault::Forbidden;
        EXPECT_EQ(CheckNameField(name, rule), expected) << "byte " << c;
    }
    for (std::size_t length = 1; length <= 10; ++length)
        EXPECT_EQ(CheckNameField(std::string(length, 'N'), rule),
                  length <= 8 ? NameFault::None : NameFault::TooLong)
            << length;
    // A character of several bytes counts once.
    EXPECT_EQ(CheckNameField("\xc3\x80" + std::string(7, 'N'), rule), NameFault::None);
    EXPECT_EQ(CheckNameField("\xc3\x80" + std::string(8, 'N'), rule), NameFault::TooLong);
}
