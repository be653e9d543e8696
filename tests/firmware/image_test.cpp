// Intel HEX images: the whole-image check and the loader into the memory image; instrument
// image lines: the data record, the line check and the whole-image check.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "firmware/firmware_fixture.h"
#include "firmware/images.h"
#include "link/report.h"

namespace zv318::testing {
namespace {

std::string Lines(const std::vector<std::string>& records) {
    std::string text;
    for (const std::string& r : records) text += r;
    return text;
}

std::vector<int> Bytes(int count, int first) {
    std::vector<int> v;
    for (int i = 0; i < count; ++i) v.push_back((first + i) & 0xFF);
    return v;
}

const std::string kExample = ":02100000AABB89\r\n:020000040001F9\r\n:00000001FF\r\n";

struct HexCase {
    const char* what;
    std::string text;
    bool passes;
    std::int32_t endMark;
    std::vector<std::pair<std::int32_t, int>> stored;  // address, byte
};

TEST(firmwareImages, CheckAndLoaderOnIntelHexFiles) {
    std::vector<std::string> contiguous;
    for (int a = 0x1000; a < 0x2000; a += 16) contiguous.push_back(HexRecord(0, a, Bytes(16, a)));
    std::vector<std::string> gaps = {HexRecord(0, 0x1000, Bytes(16, 1)),
                                     HexRecord(0, 0x1100, Bytes(8, 2)),
                                     HexRecord(0, 0x1200, Bytes(4, 3))};
    const std::string longRecord = HexRecord(0, 0x1000, Bytes(48, 0));  // 107 characters

    const std::string end = HexRecord(1, 0, {});
    const std::string full = FullIntelHexImage();
    // A broken download: the file stops at a line end, here just before 0x10000.
    const std::string cut = full.substr(0, full.find(HexRecord(4, 0, {0, 1})));

    // `passes`: the image is whole, so programming it leaves firmware in the interface.
    const HexCase cases[] = {
        {"the three-line example", kExample, true, 0x10000, {{0x1000, 0xAA}, {0x1001, 0xBB}}},
        {"its first line alone: no end record",
         ":02100000AABB89\r\n",
         false,
         0x1002,
         {{0x1000, 0xAA}}},
        {"a changed checksum", ":02100000AABB88\r\n:00000001FF\r\n", false, 0x1002, {}},
        // The format allows either case; a digit is never read as 0.
        {"lower-case digits",
         ":02100000aabb89\r\n:00000001ff\r\n",
         true,
         0x1002,
         {{0x1000, 0xAA}, {0x1001, 0xBB}}},
        {"a letter O for a zero", ":02100000AABB89\r\n:O0000001FF\r\n", false, 0x1002, {}},
        {"a record without its colon", ":02100000AABB89\r\n;00000001FF\r\n", false, 0x1002, {}},
        {"a blank among the digits", ":02100000AA BB89\r\n:00000001FF\r\n", false, 0x1002, {}},
        {"empty lines after the end record", kExample + "\r\n\n", true, 0x10000, {{0x1000, 0xAA}}},
        {"an empty line before the end record",
         ":02100000AABB89\r\n\r\n" + end,
         false,
         0x1002,
         {{0x1001, 0xBB}}},
        {"LF line ends", ":02100000AABB89\n:00000001FF\n", true, 0x1002, {{0x1001, 0xBB}}},
        {"no lines at all", "", false, 0, {}},
        {"the end record alone", end, false, 0, {}},
        {"only a record of no bytes at 0x1000",
         Lines({HexRecord(0, 0x1000, {}), end}),
         false,
         0x1000,
         {}},
        {"type 2", Lines({HexRecord(2, 0, {0, 0})}), false, 0, {}},
        {"type 3", Lines({HexRecord(3, 0, {0, 0, 0, 0})}), false, 0, {}},
        {"type 5", Lines({HexRecord(5, 0, {0, 0, 0, 0})}), false, 0, {}},
        // The buffer takes 99 characters: the record's tail comes as a line of its own, and
        // its characters read as fields move the mark.
        {"a line longer than the buffer",
         Lines({longRecord, end}),
         false,
         0xE3C7,
         {{0x102C, 44}, {0x102D, 0}}},
        {"data below 0x1000 only: nothing the loader stores",
         Lines({HexRecord(0, 0x0800, {1, 2, 3, 4}), end}),
         false,
         0x804,
         {{0x800, 0}}},
        // Data the loader would not program is refused, never dropped while the rest is
        // programmed; the loader itself still skips such a record whole.
        {"a record ending past 0x20000 is refused",
         Lines({HexRecord(0, 0x1000, {5}), HexRecord(4, 0, {0, 1}),
                HexRecord(0, 0xFFF8, Bytes(16, 0x40)), end}),
         false,
         0x1FFFF,
         {{0x1000, 5}, {0x1FFF8, 0}, {0x1FFFF, 0}}},
        {"a record starting past 0x1FFFF only",
         Lines({HexRecord(4, 0, {0, 5}), HexRecord(0, 0x10, {9}), end}),
         false,
         0x1FFFF,
         {}},
        {"contiguous 16-byte records",
         Lines(contiguous) + end,
         true,
         0x1FF0,
         {{0x1000, 0x00}, {0x1FFF, 0xFF}, {0x1A5C, 0x5C}}},
        {"records with gaps", Lines(gaps) + end, true, 0x1204, {{0x1100, 2}, {0x1203, 6}}},
        {"cut short: the loader stops at the end of the file",
         cut,
         false,
         0xFFF0,
         {{0xFFFF, (0xFFFF * 7 + 0xFF) & 0xFF}, {0x10000, 0}}},
        {"two end records", kExample + end, false, 0x10000, {{0x1001, 0xBB}}},
        // Lines that hold more or fewer bytes than their count says, their sums still right.
        {"a data byte taken out: the checksum would be stored as data",
         ":03100000AABB88\r\n:00000001FF\r\n",
         false,
         0x1003,
         {{0x1002, 0x88}}},
        {"a byte too many",
         ":02100000AA00BB89\r\n:00000001FF\r\n",
         false,
         0x1002,
         {{0x1001, 0x00}}},
        {"a NUL after the checksum",
         std::string(":02100000AABB89") + '\0' + "\r\n:00000001FF\r\n",
         false,
         0x1002,
         {{0x1001, 0xBB}}},
        {"an end record that carries data",
         ":02100000AABB89\r\n" + HexRecord(1, 0, {0x12}),
         false,
         0x1002,
         {{0x1001, 0xBB}}},
        {"an address record without its address",
         Lines({HexRecord(0, 0x1000, {5}), HexRecord(4, 0, {}), end}),
         false,
         0x1001,
         {{0x1000, 5}}},
        {"data below 0x1000 beside data the loader stores",
         Lines({HexRecord(0, 0x0FFF, {1}), HexRecord(0, 0x1000, {2}), end}),
         false,
         0x1000,
         {}},
        {"a record across 0x1000",
         Lines({HexRecord(0, 0x0FFE, {1, 2, 3, 4}), end}),
         false,
         0x1002,
         {}},
        {"data after an extended address of 0xFFFF",
         Lines(
             {HexRecord(0, 0x1000, {2}), HexRecord(4, 0, {0xFF, 0xFF}), HexRecord(0, 0, {1}), end}),
         false,
         0x1FFFF,
         {}},
        {"two records for one address",
         Lines({HexRecord(0, 0x1000, {1, 2}), HexRecord(0, 0x1001, {3}), end}),
         false,
         0x1002,
         {}},
        {"records after the end-of-file record are not loaded",
         Lines({end, HexRecord(0, 0x1000, {7})}),
         false,
         0,
         {{0x1000, 0}}},
    };
    for (const HexCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ProvaCheckSum(c.text), c.passes);
        const MemoryImage image = LoadMemoryImage(c.text);
        EXPECT_EQ(image.endMark, c.endMark);
        for (auto [address, value] : c.stored) EXPECT_EQ(image.bytes.at(address), value) << address;
        for (std::int32_t a = 0; a < kFirstLoadedAddress; ++a) ASSERT_EQ(image.bytes[a], 0);
    }
}

TEST(firmwareImages, InstrumentLinesAndTheirCheck) {
    const InstrumentRecord r = DecodeInstrumentLine("S1030000FC");
    EXPECT_EQ(HexBytes(r.bytes), "2A 53 58 53 31 03 00 00 FC");
    EXPECT_EQ(r.lineLength, 10);
    // Either case of a digit is the same byte: what is sent is what the file says.
    EXPECT_EQ(HexBytes(DecodeInstrumentLine("S1030000fc").bytes), "2A 53 58 53 31 03 00 00 FC");

    std::string n54 = "S136";  // count 0x36 = 54: two address bytes, 51 data bytes, checksum
    int sum = 0x36;
    for (int k = 0; k < 53; ++k) n54 += "01", sum += 1;
    char cc[4];
    std::snprintf(cc, sizeof cc, "%02X", 0xFF - sum % 256);
    n54 += cc;
    std::string n55 = "S137" + std::string(n54.begin() + 4, n54.end() - 2) + "01";
    std::snprintf(cc, sizeof cc, "%02X", 0xFF - (sum + 2) % 256);
    n55 += cc;

    const std::pair<std::string, bool> lines[] = {
        {"S1030000FC", true},
        {"S00F000068656C6C6F202020202000003C", true},
        {"S9030000FC", true},
        {n54, true},
        {"S1030000FD", false},    // checksum wrong
        {"S1030000FB", false},    // and wrong by another amount
        {"S1040000FC", false},    // the count promises more bytes than the line holds
        {"S1030000FC00", false},  // and fewer
        {n55, false},             // too long for one report, checksum right
        {"S1030000fc", true},
        {"S1030000FO", false},  // a letter O is no digit
        {"S10300 0FC", false},
        {"S403000000FC", false},      // S4 is no record type of the format
        {"S1020000", false},          // an S1 record without its address
        {"S9050000000000FA", false},  // an S9 record with a 4-byte address
        {"S5030000FC", true},         // a count record of no data records
        {"X1030000FC", false},        // not an S-record, its sums right
        {"S:030000FC", false},
        {"", false},
    };
    for (const auto& [line, sound] : lines) EXPECT_EQ(InstrumentLineIsSound(line), sound) << line;

    EXPECT_EQ(InstrumentImageLines("S1030000FC\r\nS9030000FC\r\n"),
              (std::vector<std::string>{"S1030000FC", "S9030000FC"}));
}

TEST(firmwareImages, OnlyAWholeInstrumentImageGivesRecords) {
    const std::string head = "S00F000068656C6C6F202020202000003C\r\n";
    const std::string data = "S1041000AA41\r\n", noData = "S1030000FC\r\n";
    const std::string s2 = "S2050100005A9F\r\n", s3 = "S30601000000A553\r\n";
    const std::string s9 = "S9030000FC\r\n", s8 = "S804000000FB\r\n", s7 = "S70500000000FA\r\n";
    const std::pair<std::string, int> images[] = {
        // the image, its records (0: not whole)
        {head + noData + data + s9, 4},
        {data + s9 + "\r\n\n", 2},  // empty lines after the terminator are not records
        {s2 + s8, 2},
        {s3 + s7, 2},
        {"", 0},
        {s9, 0},
        {head + noData + s9, 0},  // data records without data
        {head + data, 0},         // cut off before its terminator
        {data + s9 + data, 0},    // a record after the terminator
        {data + s9 + s9, 0},      // and a second terminator
        {data + s8 + s9, 0},
        {data + "\r\n" + s9, 0},  // an empty line inside
        {data + "X9030000FC\r\n", 0},
        {data + "S9030000FD\r\n", 0},
    };
    for (const auto& [text, records] : images) {
        SCOPED_TRACE(text);
        const std::optional<std::vector<std::string>> whole = WholeInstrumentImage(text);
        ASSERT_EQ(whole.has_value(), records > 0);
        if (whole) {
            EXPECT_EQ(whole->size(), static_cast<std::size_t>(records));
        }
    }
}

}  // namespace
}  // namespace zv318::testing
