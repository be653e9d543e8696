#pragma once
// The fields of the files and replies the program reads from outside, each kind converted by
// one strict rule: a field holds exactly what our own writer (or the instrument) puts there,
// or it is refused. Nothing here stops at the first character it does not like, takes a
// character it does not know as 0, or drops what it cannot place. Every reader of files and
// replies converts its fields here and keeps no conversion of its own.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zv318 {

// ---- numbers -----------------------------------------------------------------------------

// A decimal integer as the program writes one (std::to_string): a "-" only where the field may
// be negative (min < 0), then digits without a leading zero ("0" itself excepted), nothing
// before or after it; within min ... max. Nothing for anything else ("2abc", " 3", "+3", "07",
// "", "3 ").
[[nodiscard]] std::optional<std::int64_t> DecimalField(std::string_view text, std::int64_t min,
                                                       std::int64_t max);

// A count or number the instrument pads with zeros ("03", "007"): digits only, at least one,
// within 0 ... max.
[[nodiscard]] std::optional<std::int64_t> DigitsField(std::string_view text, std::int64_t max);

// A frequency or bandwidth in hertz as files and the instrument carry it: a DecimalField from 0
// to the largest 32-bit value. Whether it lies within a plan type's limits is the reader's check.
[[nodiscard]] std::optional<std::int32_t> HertzField(std::string_view text);

// The longest power value the instrument writes ("-100.25" and the like).
inline constexpr std::size_t kMaxPowerLength = 11;
// A power as the instrument writes it: an optional "-", digits, and optionally "." followed by
// at least one digit; at most 11 characters. The value; nothing for anything else ("57,4",
// "1e3", "----", " 57.4", "57.").
[[nodiscard]] std::optional<double> PowerField(std::string_view text);

// A number written with `decimals` decimals and "." as the decimal mark whatever the process
// locale is ("%.1f" in the C locale): what the program writes to files, the instrument, the
// archive and the terminal. The C library's printf would follow the locale a GUI has set.
[[nodiscard]] std::string FixedText(double value, int decimals);

// ---- hexadecimal -------------------------------------------------------------------------

// The byte of two hexadecimal digits at `at` (0-9, A-F, a-f); nothing when either is anything
// else or lies past the end of the text.
[[nodiscard]] std::optional<std::uint8_t> HexPairField(std::string_view text, std::size_t at);
// `pairs` such pairs from `at` read as one big-endian number (pairs 1 to 4).
[[nodiscard]] std::optional<std::uint32_t> HexField(std::string_view text, std::size_t at,
                                                    int pairs);

// ---- names -------------------------------------------------------------------------------

// What a name field may hold: its length in characters and the characters it may not hold
// besides the control characters, which no name ever holds.
struct NameRule {
    std::size_t maxCharacters = 0;
    bool mayBeEmpty = false;
    std::string_view forbidden;  // characters the field's layout uses as separators
    bool innerBlanks = true;     // blanks between words
};

enum class NameFault {
    None,
    Empty,             // empty, or blanks alone
    TooLong,           // more characters than the field holds
    ControlCharacter,  // a byte below 0x20, or 0x7F
    Forbidden,         // a character of the rule's forbidden set
    Blank,             // a blank at either end, or inside where the rule allows none
};
[[nodiscard]] NameFault CheckNameField(std::string_view name, const NameRule& rule);

// The characters of a text: UTF-8 sequences count once; any other byte counts as one character.
[[nodiscard]] std::size_t CharacterCount(std::string_view text);
// The first `characters` characters of a text, never cut inside a UTF-8 sequence.
[[nodiscard]] std::string_view FirstCharacters(std::string_view text, std::size_t characters);

// ---- text encodings ----------------------------------------------------------------------

// The instrument's texts (names in its replies and in the files it leads to) as the program
// keeps them: UTF-8 when they are valid UTF-8, else Windows-1252 converted to UTF-8. Decided
// here once, so a name reads as the same text whichever way it came in.
[[nodiscard]] std::string InstrumentText(std::string_view bytes);

}  // namespace zv318
