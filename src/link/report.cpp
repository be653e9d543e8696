#include "link/report.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <limits>

namespace zv318 {

std::optional<Report> BuildTextReport(std::uint8_t code, std::string_view command) {
    if (command.size() > kMaxCommandLength) return std::nullopt;
    Report r{};
    r[0] = 0;
    r[1] = 3;
    r[2] = code;
    std::copy(command.begin(), command.end(), r.begin() + 3);
    r[3 + command.size()] = 0x0D;
    r[4 + command.size()] = 0x00;
    return r;
}

Report BuildIOVersionReport() {
    Report r{};
    r[1] = 3;
    r[2] = kCodeIOVersion;
    return r;
}

std::string TextFrom(const Report& reply, std::size_t offset) {
    std::string text;
    for (std::size_t i = offset; i < kReportSize && reply[i] != 0; ++i)
        text.push_back(static_cast<char>(reply[i]));
    return text;
}

std::string QueryValue(const Report& reply, std::size_t offset) {
    Report cut = reply;
    auto cr = std::find(cut.begin(), cut.end(), std::uint8_t{0x0D});
    std::fill(cr, cut.end(), std::uint8_t{0});
    return TextFrom(cut, offset);
}

std::int32_t AtoL(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    constexpr long long limit = static_cast<long long>(std::numeric_limits<std::int32_t>::max()) + 1;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        value = std::min(value * 10 + (text[i] - '0'), limit);
        ++i;
    }
    if (negative) value = -value;
    value = std::clamp<long long>(value, std::numeric_limits<std::int32_t>::min(),
                                  std::numeric_limits<std::int32_t>::max());
    return static_cast<std::int32_t>(value);
}

std::string HexBytes(std::span<const std::uint8_t> bytes) {
    std::string out;
    char buf[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buf, sizeof buf, i ? " %02X" : "%02X", bytes[i]);
        out += buf;
    }
    return out;
}

}  // namespace zv318
