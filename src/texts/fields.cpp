#include "texts/fields.h"

#include <charconv>
#include <limits>

#include "texts/text_file.h"

namespace zv318 {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The digits of a text, every one of them a digit, as a number no larger than `max`.
std::optional<std::int64_t> Digits(std::string_view digits, std::int64_t max) {
    if (digits.empty()) return std::nullopt;
    std::int64_t value = 0;
    for (char c : digits) {
        if (!IsDigit(c)) return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > max) return std::nullopt;
    }
    return value;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The length of the UTF-8 sequence that starts at `at`, or 0 when none does.
std::size_t Utf8SequenceAt(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 0;
    if (lead < 0x80)
        return 1;
    else if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    else
        return 0;
    if (at + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k)
        if ((static_cast<unsigned char>(text[at + k]) & 0xC0) != 0x80) return 0;
    return length;
}

}  // namespace

std::optional<std::int64_t> DecimalField(std::string_view text, std::int64_t min,
                                         std::int64_t max) {
    const bool negative = !text.empty() && text.front() == '-';
    if (negative) {
        if (min >= 0) return std::nullopt;
        text.remove_prefix(1);
    }
    // A leading zero is never written, and "-0" neither.
    if (text.size() > 1 && text.front() == '0') return std::nullopt;
    if (negative && text == "0") return std::nullopt;
    // The magnitude may reach one past the largest value for the most negative one.
    const std::int64_t bound = negative ? (min == std::numeric_limits<std::int64_t>::min()
                                               ? std::numeric_limits<std::int64_t>::max()
                                               : -min)
                                        : max;
    if (bound < 0) return std::nullopt;
    const std::optional<std::int64_t> magnitude = Digits(text, bound);
    if (!magnitude) return std::nullopt;
    const std::int64_t value = negative ? -*magnitude : *magnitude;
    if (value < min || value > max) return std::nullopt;
    return value;
}

std::optional<std::int64_t> DigitsField(std::string_view text, std::int64_t max) {
    return Digits(text, max);
}

std::optional<std::int32_t> HertzField(std::string_view text) {
    const std::optional<std::int64_t> hz =
        DecimalField(text, 0, std::numeric_limits<std::int32_t>::max());
    if (!hz) return std::nullopt;
    return static_cast<std::int32_t>(*hz);
}

std::optional<double> PowerField(std::string_view text) {
    if (text.empty() || text.size() > kMaxPowerLength) return std::nullopt;
    std::string_view rest = text;
    const bool negative = rest.front() == '-';
    if (negative) rest.remove_prefix(1);
    const std::size_t point = rest.find('.');
    const std::string_view whole = rest.substr(0, point);
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view{} : rest.substr(point + 1);
    if (whole.empty() || (point != std::string_view::npos && fraction.empty())) return std::nullopt;
    const auto allDigits = [](std::string_view digits) {
        for (char c : digits)
            if (!IsDigit(c)) return false;
        return true;
    };
    if (!allDigits(whole) || !allDigits(fraction)) return std::nullopt;
    // The text is now a plain decimal number: std::from_chars reads it to the nearest double
    // and never looks at the locale.
    double value = 0;
    const auto [end, ec] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (ec != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::string FixedText(double value, int decimals) {
    char buf[64];
    const auto [end, ec] =
        std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    if (ec != std::errc{}) return "nan";
    return std::string(buf, end);
}

std::optional<std::uint8_t> HexPairField(std::string_view text, std::size_t at) {
    if (at + 2 > text.size()) return std::nullopt;
    const int high = HexDigit(text[at]), low = HexDigit(text[at + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    return static_cast<std::uint8_t>(high * 16 + low);
}

std::optional<std::uint32_t> HexField(std::string_view text, std::size_t at, int pairs) {
    if (pairs < 1 || pairs > 4) return std::nullopt;
    std::uint32_t value = 0;
    for (int k = 0; k < pairs; ++k) {
        const std::optional<std::uint8_t> byte =
            HexPairField(text, at + 2 * static_cast<std::size_t>(k));
        if (!byte) return std::nullopt;
        value = (value << 8) | *byte;
    }
    return value;
}

NameFault CheckNameField(std::string_view name, const NameRule& rule) {
    if (name.find_first_not_of(' ') == std::string_view::npos)
        return name.empty() && rule.mayBeEmpty ? NameFault::None : NameFault::Empty;
    for (char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) return NameFault::ControlCharacter;
    }
    for (char c : name)
        if (rule.forbidden.find(c) != std::string_view::npos) return NameFault::Forbidden;
    if (name.front() == ' ' || name.back() == ' ') return NameFault::Blank;
    if (!rule.innerBlanks && name.find(' ') != std::string_view::npos) return NameFault::Blank;
    if (CharacterCount(name) > rule.maxCharacters) return NameFault::TooLong;
    return NameFault::None;
}

std::size_t CharacterCount(std::string_view text) {
    std::size_t characters = 0;
    for (std::size_t at = 0; at < text.size(); ++characters) {
        const std::size_t length = Utf8SequenceAt(text, at);
        at += length == 0 ? 1 : length;
    }
    return characters;
}

std::string_view FirstCharacters(std::string_view text, std::size_t characters) {
    std::size_t at = 0;
    for (std::size_t taken = 0; at < text.size() && taken < characters; ++taken) {
        const std::size_t length = Utf8SequenceAt(text, at);
        at += length == 0 ? 1 : length;
    }
    return text.substr(0, at);
}

std::string InstrumentText(std::string_view bytes) {
    return DecodeUtf8OrWindows1252(bytes);
}

}  // namespace zv318
