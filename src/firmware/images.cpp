#include "firmware/images.h"

#include <algorithm>
#include <iterator>
#include <map>

#include "texts/fields.h"
#include "texts/text_file.h"

namespace zv318 {

namespace {

// Every character of a record after its first `from` is a hexadecimal digit, in pairs.
bool HexPairsFrom(std::string_view line, std::size_t from) {
    if (line.size() < from || (line.size() - from) % 2 != 0) return false;
    for (std::size_t at = from; at < line.size(); at += 2)
        if (!HexPairField(line, at)) return false;
    return true;
}

constexpr int kDataRecord = 0;
constexpr int kEndOfFileRecord = 1;
constexpr int kExtendedLinearAddress = 4;
// An Intel HEX record's load offset (2 bytes), type and checksum.
constexpr int kRecordBytesBesideData = 4;

std::string WithoutNewline(std::string line) {
    if (!line.empty() && line.back() == '\n') line.pop_back();
    return line;
}

}  // namespace

std::int32_t HexFieldValue(std::string_view line, std::size_t position, int n) {
    // Only lines the image checks passed are decoded: every pair is two hexadecimal digits.
    const std::optional<std::uint32_t> value =
        n % 2 == 0 ? HexField(line, position, n / 2) : std::nullopt;
    return static_cast<std::int32_t>(value.value_or(0));
}

bool LineHoldsItsCount(std::string_view line, std::size_t countPosition, int bytesBesideCount) {
    if (line.size() < countPosition + 2) return false;
    const auto count = static_cast<std::size_t>(HexFieldValue(line, countPosition, 2));
    return line.size() ==
           countPosition + 2 + 2 * (count + static_cast<std::size_t>(bytesBesideCount));
}

std::optional<ImageFault> HexImageFault(const std::string& text) {
    std::int64_t upper = 0;
    bool loadedData = false, ended = false;
    // The bytes of the memory image some record has filled: a second record for one address
    // would overwrite the first without a word.
    std::vector<bool> filled(kMemoryImageSize, false);
    int number = 1;  // the number of the line the next piece starts
    LineReader reader(text);
    while (std::optional<std::string> piece = reader.next(kHexLineBuffer)) {
        const int lineNumber = number;
        if (!piece->empty() && piece->back() == '\n') ++number;
        const std::string line = WithoutNewline(*piece);
        const auto bad = [&] {
            std::string shown = line;
            if (!shown.empty() && shown.back() == '\r') shown.pop_back();
            return ImageFault{ImageFault::BadLine, lineNumber, shown};
        };
        if (ended) {
            if (!line.empty()) return bad();  // a second end record, or records after it
            continue;
        }
        if (line.empty() || line[0] != ':') return bad();
        // Nothing but hexadecimal digits after the colon: no character is taken as 0.
        if (!HexPairsFrom(line, 1) || line.size() < 11) return bad();
        const std::int32_t type = HexFieldValue(line, 7, 2);
        if (type != kDataRecord && type != kEndOfFileRecord && type != kExtendedLinearAddress)
            return bad();
        // The load offset, the type and the checksum besides the data bytes (the reader takes
        // CR LF as one line end, so nothing of the line end is left in the line).
        if (!LineHoldsItsCount(line, 1, kRecordBytesBesideData)) return bad();
        std::int32_t sum = 0;
        for (std::size_t i = 1; i < line.size(); i += 2) sum += HexFieldValue(line, i, 2);
        if (sum % 256 != 0) return bad();
        // The same address arithmetic and the same range as the loader's.
        const std::int32_t count = HexFieldValue(line, 1, 2);
        // The end record carries no data; an address record carries its two address bytes.
        if (type == kEndOfFileRecord && count != 0) return bad();
        if (type == kExtendedLinearAddress && count != 2) return bad();
        const std::int64_t address = upper * 65536 + HexFieldValue(line, 3, 4);
        if (type == kDataRecord && count > 0) {
            // Data the loader would not program (below 0x01000, past 0x1FFFF, across the end)
            // is refused, never dropped while the rest is programmed.
            if (address < kFirstLoadedAddress || address + count > kMemoryImageSize) return bad();
            for (std::int64_t k = address; k < address + count; ++k) {
                if (filled[static_cast<std::size_t>(k)]) return bad();
                filled[static_cast<std::size_t>(k)] = true;
            }
            loadedData = true;
        } else if (type == kExtendedLinearAddress) {
            upper = HexFieldValue(line, 9, 4);
        } else if (type == kEndOfFileRecord) {
            ended = true;
        }
    }
    if (!ended) return ImageFault{ImageFault::NoEnd, 0, {}};
    if (!loadedData) return ImageFault{ImageFault::NoData, 0, {}};
    return std::nullopt;
}

bool ProvaCheckSum(const std::string& text) {
    return !HexImageFault(text).has_value();
}

MemoryImage LoadMemoryImage(const std::string& text) {
    MemoryImage image;
    std::int64_t upper = 0;
    std::int64_t endMark = 0;
    LineReader reader(text);
    // A file without an end-of-file record ends at its last line.
    while (std::optional<std::string> piece = reader.next(kHexLineBuffer)) {
        const std::string& line = *piece;
        const std::int32_t count = HexFieldValue(line, 1, 2);
        const std::int32_t type = HexFieldValue(line, 7, 2);
        const std::int64_t address = upper * 65536 + HexFieldValue(line, 3, 4);
        // The record's start, not its end, is compared with the mark.
        if (address > endMark) endMark = address + count;
        if (type == kDataRecord) {
            if (address >= kFirstLoadedAddress && address + count <= kMemoryImageSize) {
                for (std::int32_t k = 0; k < count; ++k)
                    image.bytes[static_cast<std::size_t>(address + k)] =
                        static_cast<std::uint8_t>(HexFieldValue(line, 9 + 2 * k, 2));
            }
        } else if (type == kExtendedLinearAddress) {
            upper = HexFieldValue(line, 9, 4);
        } else if (type == kEndOfFileRecord) {
            break;
        }
    }
    // Records beyond the image would move the mark past its last byte: nothing beyond it is
    // ever read or programmed.
    image.endMark =
        static_cast<std::int32_t>(std::min<std::int64_t>(endMark, kMemoryImageSize - 1));
    return image;
}

InstrumentRecord DecodeInstrumentLine(std::string_view line) {
    InstrumentRecord record;
    record.lineLength = static_cast<int>(line.size());
    const int count = HexFieldValue(line, 2, 2);
    record.bytes.reserve(static_cast<std::size_t>(count) + 6);
    record.bytes.assign(kDataRecordHead.begin(), kDataRecordHead.end());
    record.bytes.push_back(static_cast<std::uint8_t>(line.size() > 1 ? line[1] : 0));
    record.bytes.push_back(static_cast<std::uint8_t>(count));
    for (int k = 0; k < count; ++k)
        record.bytes.push_back(static_cast<std::uint8_t>(HexFieldValue(line, 4 + 2 * k, 2)));
    return record;
}

std::vector<std::string> InstrumentImageLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

namespace {

// The address bytes of each S-record type; 0 for the reserved type S4, which no image holds.
int AddressBytes(char type) {
    switch (type) {
        case '0':
        case '1':
        case '5':
        case '9':
            return 2;
        case '2':
        case '6':
        case '8':
            return 3;
        case '3':
        case '7':
            return 4;
        default:
            return 0;
    }
}

bool IsDataRecord(char type) {
    return type >= '1' && type <= '3';
}
bool IsCountRecord(char type) {
    return type == '5' || type == '6';
}
bool IsTerminator(char type) {
    return type >= '7' && type <= '9';
}

}  // namespace

bool InstrumentLineIsSound(std::string_view line) {
    if (line.size() < 4 || line[0] != 'S' || line[1] < '0' || line[1] > '9') return false;
    const int addressBytes = AddressBytes(line[1]);
    // Nothing but hexadecimal digits after the type: no character is taken as 0.
    if (addressBytes == 0 || !HexPairsFrom(line, 2)) return false;
    const int count = HexFieldValue(line, 2, 2);
    // The count covers the address, the data and the checksum.
    if (count > kMaxRecordBytes || !LineHoldsItsCount(line, 2, 0)) return false;
    // Every record holds its whole address; only header and data records hold more.
    if (count < addressBytes + 1) return false;
    if ((IsCountRecord(line[1]) || IsTerminator(line[1])) && count != addressBytes + 1)
        return false;
    // The count, the address, the data and the checksum add up to 0xFF.
    int sum = 0;
    for (int k = 0; k <= count; ++k) sum += HexFieldValue(line, 2 + 2 * k, 2);
    return sum % 256 == 0xFF;
}

std::optional<ImageFault> InstrumentImageFault(const std::string& text) {
    std::vector<std::string> records = InstrumentImageLines(text);
    // Empty lines after the terminator are the file's end, not records.
    while (!records.empty() && records.back().empty()) records.pop_back();
    // The bytes each data record fills, by start address: two records for one address would
    // leave the instrument with whichever came last.
    std::map<std::uint64_t, std::uint64_t> filled;
    std::int64_t dataRecords = 0;
    bool carriesData = false;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const std::string& r = records[i];
        const ImageFault bad{ImageFault::BadLine, static_cast<int>(i) + 1, r};
        // A record after the terminator is as wrong as a damaged one.
        if (!InstrumentLineIsSound(r) || (i > 0 && IsTerminator(records[i - 1][1]))) return bad;
        const int addressBytes = AddressBytes(r[1]);
        const std::uint64_t address = HexField(r, 4, addressBytes).value_or(0);
        if (IsDataRecord(r[1])) {
            ++dataRecords;
            const std::uint64_t bytes =
                static_cast<std::uint64_t>(HexFieldValue(r, 2, 2) - addressBytes - 1);
            if (bytes == 0) continue;
            carriesData = true;
            auto next = filled.lower_bound(address);
            if (next != filled.end() && next->first < address + bytes) return bad;
            if (next != filled.begin() && std::prev(next)->second > address) return bad;
            filled.emplace(address, address + bytes);
        } else if (IsCountRecord(r[1]) && static_cast<std::int64_t>(address) != dataRecords) {
            // The count of data records disagrees with the file: a line is missing or left over.
            return bad;
        }
    }
    if (records.empty() || !IsTerminator(records.back()[1]))
        return ImageFault{ImageFault::NoEnd, 0, {}};
    if (!carriesData) return ImageFault{ImageFault::NoData, 0, {}};
    return std::nullopt;
}

std::optional<std::vector<std::string>> WholeInstrumentImage(const std::string& text) {
    if (InstrumentImageFault(text)) return std::nullopt;
    std::vector<std::string> records = InstrumentImageLines(text);
    while (!records.empty() && records.back().empty()) records.pop_back();
    return records;
}

bool HasImageExtension(std::string_view name, std::string_view extension) {
    return name.size() >= extension.size() && name.ends_with(extension);
}

}  // namespace zv318
