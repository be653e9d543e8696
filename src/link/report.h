#pragma once
// The 65-byte HID reports the IO Interface understands, and the pure code that builds and
// decodes them. Bytes are numbered as the reports travel: byte 0 is the report ID (0).

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace zv318 {

inline constexpr std::size_t kReportSize = 65;
using Report = std::array<std::uint8_t, kReportSize>;

// Report codes (byte 2 of an output report whose byte 1 is 3).
enum ReportCode : std::uint8_t {
    kCodeIOVersion = 20,  // no payload; the reply carries the IO Interface version from byte 3
    kCodeCommand = 22,    // text command; the reply's byte 3 is the status byte
    kCodeBlock = 23,      // instrument firmware record; status byte
    kCodeErase = 24,      // "*FE" + digit; status byte
    kCodeQuery = 25,      // text command; the reply text starts at byte 5
};

// A text command fits when it leaves room for its carriage return and terminating zero.
inline constexpr std::size_t kMaxCommandLength = 60;

// Offsets of reply texts in an input report.
inline constexpr std::size_t kQueryTextOffset = 5;   // what SendQuery returns
inline constexpr std::size_t kValueOffset = 8;       // typed queries
inline constexpr std::size_t kRecordTextOffset = 6;  // logger record download
inline constexpr std::size_t kStatusByte = 3;

// Byte 0 = 0, byte 1 = 3, byte 2 = code, the command from byte 3, then CR and 0.
// Nothing when the command is longer than 60 characters.
[[nodiscard]] std::optional<Report> BuildTextReport(std::uint8_t code, std::string_view command);

// A report with code 20 and no payload.
[[nodiscard]] Report BuildIOVersionReport();

// The text of a reply from `offset` up to the first zero byte, never past byte 64.
[[nodiscard]] std::string TextFrom(const Report& reply, std::size_t offset);

// The reading of a query reply: every byte from the first carriage return on becomes zero,
// then the text from `offset` up to the first zero byte.
[[nodiscard]] std::string QueryValue(const Report& reply, std::size_t offset);

// The standard library's atol on a text: blanks, optional sign, digits; no digits give 0.
// Values beyond the 32-bit range are clamped rather than wrapped.
[[nodiscard]] std::int32_t AtoL(std::string_view text);

// Hex dump "00 03 19 ..." of the first `count` bytes, for messages and test failures.
[[nodiscard]] std::string HexBytes(std::span<const std::uint8_t> bytes);

}  // namespace zv318
