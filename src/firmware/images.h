#pragma once
// Firmware image files: IO Interface images in the Intel HEX layout (checked line by line, then
// loaded into a memory image) and instrument images in the S-record line layout (each line one
// instrument data record).

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zv318 {

// ---- the hexadecimal field both layouts use ----------------------------------------------

// The n-character field at `position` of `line`: upper-case hexadecimal digits; any other
// character (lower-case letters, a carriage return, the end of the text) counts as 0.
[[nodiscard]] std::int32_t HexFieldValue(std::string_view line, std::size_t position, int n);

// Whether `line` (without its line end) holds exactly what its count says: the two-character
// count field at `countPosition`, then `bytesBesideCount` bytes the count does not include and
// `count` bytes, two characters each, and nothing after them. A byte taken out of a record
// (its checksum may still add up) or anything after the checksum, a NUL included, fails.
[[nodiscard]] bool LineHoldsItsCount(std::string_view line, std::size_t countPosition,
                                     int bytesBesideCount);

// ---- IO Interface images (Intel HEX) -----------------------------------------------------

// Lines are read as a C line reader with this buffer does: a longer line comes in pieces.
inline constexpr std::size_t kHexLineBuffer = 100;
// The memory image covers 0x00000 to 0x1FFFF; the file fills it from 0x01000 on.
inline constexpr std::int32_t kMemoryImageSize = 0x20000;
inline constexpr std::int32_t kFirstLoadedAddress = 0x1000;

// True when `text` is a whole image, one that leaves the IO Interface with firmware once
// programmed: every line up to the end-of-file record starts with ":", has record type 0, 1 or
// 4, holds exactly the bytes its count says and its pairs from character 1 on sum to 0 modulo
// 256; there is exactly one end-of-file record, which carries no data, and nothing after it but empty lines; and at least one data record carries bytes
// the loader stores (lying wholly inside 0x01000 ... 0x1FFFF). An empty file, the end record
// alone or a file cut short before its end record fails.
[[nodiscard]] bool ProvaCheckSum(const std::string& text);

// Why an image is not whole, for the person: its first bad line (numbered from 1, with its
// text), or what the image as a whole lacks.
struct ImageFault {
    enum Kind { BadLine, NoEnd, NoData };
    Kind kind = BadLine;
    int line = 0;      // BadLine: the line's number
    std::string text;  // BadLine: the line as the file has it
};
// Nothing for a whole IO Interface image (ProvaCheckSum's rules), else its first fault.
[[nodiscard]] std::optional<ImageFault> HexImageFault(const std::string& text);

struct MemoryImage {
    std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(kMemoryImageSize, 0);
    // The bound up to which the image is programmed: the highest record start above the
    // previous mark plus that record's count, never beyond the last byte of the image.
    std::int32_t endMark = 0;
};

// Loads the records of `text` until an end-of-file record (type 1) or the end of the text.
// Data records are stored only when they lie wholly inside 0x01000 ... 0x1FFFF.
[[nodiscard]] MemoryImage LoadMemoryImage(const std::string& text);

// ---- instrument images (S-record lines) --------------------------------------------------

// "*SXS", the record type character, the byte count N and the N bytes after it.
inline constexpr std::string_view kDataRecordHead = "*SXS";
// The most bytes after the count that one data-record report can carry.
inline constexpr int kMaxRecordBytes = 54;

struct InstrumentRecord {
    std::vector<std::uint8_t> bytes;  // the instrument data record, N + 6 bytes
    int lineLength = 0;               // characters of the line before its line end
};

// Decodes one line (its line end, CR LF or LF, is not part of the record).
[[nodiscard]] InstrumentRecord DecodeInstrumentLine(std::string_view line);

// The lines of an instrument image, each without its line end.
[[nodiscard]] std::vector<std::string> InstrumentImageLines(const std::string& text);

// Whether a line can be sent as it stands: an S-record ("S0" ... "S9") whose count N fits one
// report (N <= 54), the line holding exactly the count's bytes, and the S-record checksum (the
// ones' complement of the sum of the count, address and data bytes) right. The instrument is
// erased before the first record goes out, so a bad line must be found before anything is sent.
[[nodiscard]] bool InstrumentLineIsSound(std::string_view line);

// The records of a whole instrument image, in order: every line up to the last record sound,
// at least one data record (S1, S2, S3) carrying data bytes, and a terminating S7, S8 or S9 as
// the last record with nothing after it but empty lines. Nothing when the image is not whole
// (empty, cut short before its terminator, a foreign or damaged line).
[[nodiscard]] std::optional<std::vector<std::string>> WholeInstrumentImage(const std::string& text);
// Nothing for a whole instrument image, else its first fault.
[[nodiscard]] std::optional<ImageFault> InstrumentImageFault(const std::string& text);

// ---- file names ----------------------------------------------------------------------------

inline constexpr std::string_view kIoImageExtension = ".hex";
inline constexpr std::string_view kInstrumentImageExtension = ".zv318";

// The name's last characters equal `extension` exactly (an extension in capitals differs).
[[nodiscard]] bool HasImageExtension(std::string_view name, std::string_view extension);

}  // namespace zv318
