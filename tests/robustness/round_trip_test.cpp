// Every reader of outside files, over thousands of seeded damages of valid files: each damaged
// file is refused, or read and written again it is itself (tests/support/round_trip.h). A
// failure prints the seed, the damages and the file, so it can be run again alone.

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <sstream>

#include "firmware/hex_images.h"
#include "support/round_trip.h"
#include "texts/text_file.h"

namespace zv318::testing {
namespace {

constexpr int kDamagedFilesPerReader = 12000;

// The characters a damage puts in: digits and hex letters of both cases, the layouts' own
// separators, blanks and line ends, and what looks like a digit but is not.
constexpr std::string_view kNasty = "0123456789ABCDEFabcdefO lZ,;&=\t\r\n-.+:%'\"\x80\xE9\xC3";

class Damage {
public:
    explicit Damage(std::uint32_t seed) : random_(seed) {}

    // One to three damages of the text; `said` tells which.
    std::string apply(std::string text, std::string& said) {
        const int damages = pick(1, 3);
        for (int d = 0; d < damages; ++d) text = once(std::move(text), said);
        return text;
    }

private:
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
    char nasty() {
        return kNasty[static_cast<std::size_t>(pick(0, static_cast<int>(kNasty.size()) - 1))];
    }

    std::string once(std::string text, std::string& said) {
        const std::size_t at =
            text.empty() ? 0 : static_cast<std::size_t>(pick(0, static_cast<int>(text.size()) - 1));
        std::vector<std::string> lines = SplitKeepingEnds(text);
        const std::size_t line =
            lines.empty() ? 0
                          : static_cast<std::size_t>(pick(0, static_cast<int>(lines.size()) - 1));
        switch (pick(0, 6)) {
            case 0:
                if (text.empty()) break;
                text[at] = pick(0, 9) == 0 ? static_cast<char>(pick(0, 255)) : nasty();
                said += "changed byte " + std::to_string(at) + "; ";
                return text;
            case 1:
                text.insert(at, 1, nasty());
                said += "inserted at " + std::to_string(at) + "; ";
                return text;
            case 2:
                if (text.empty()) break;
                text.erase(at, 1);
                said += "removed byte " + std::to_string(at) + "; ";
                return text;
            case 3:
                if (lines.empty()) break;
                lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(line));
                said += "dropped line " + std::to_string(line + 1) + "; ";
                return Concat(lines);
            case 4:
                if (lines.empty()) break;
                lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(line), lines[line]);
                said += "doubled line " + std::to_string(line + 1) + "; ";
                return Concat(lines);
            case 5: {
                if (lines.size() < 2) break;
                const std::size_t other =
                    static_cast<std::size_t>(pick(0, static_cast<int>(lines.size()) - 1));
                std::swap(lines[line], lines[other]);
                said += "swapped lines " + std::to_string(line + 1) + " and " +
                        std::to_string(other + 1) + "; ";
                return Concat(lines);
            }
            default: {
                // A field emptied: the text between two separators of the line.
                if (lines.empty()) break;
                std::string& l = lines[line];
                const std::size_t from = l.find_first_of(
                    ",&\t=;:", static_cast<std::size_t>(pick(0, static_cast<int>(l.size()))));
                if (from == std::string::npos) break;
                std::size_t to = l.find_first_of(",&\t=;\r\n", from + 1);
                if (to == std::string::npos) to = l.size();
                l.erase(from + 1, to - from - 1);
                said += "emptied a field of line " + std::to_string(line + 1) + "; ";
                return Concat(lines);
            }
        }
        said += "left as it was; ";
        return text;
    }

    static std::vector<std::string> SplitKeepingEnds(const std::string& text) {
        std::vector<std::string> lines;
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = text.find('\n', start);
            end = end == std::string::npos ? text.size() : end + 1;
            lines.push_back(text.substr(start, end - start));
            start = end;
        }
        return lines;
    }
    static std::string Concat(const std::vector<std::string>& lines) {
        std::string out;
        for (const std::string& l : lines) out += l;
        return out;
    }

    std::mt19937 random_;
};

std::string Shown(std::string_view text) {
    std::ostringstream out;
    for (unsigned char c : text) {
        if (c == '\n' || (c >= 0x20 && c < 0x7F && c != '\\'))
            out << c;
        else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out << buf;
        }
    }
    return out.str();
}

using Oracle = std::function<std::string(std::string_view)>;

// The valid files themselves hold, then every damaged one.
void HoldsOverDamage(const std::vector<std::string>& valid, const Oracle& oracle,
                     std::uint32_t firstSeed) {
    for (const std::string& file : valid) {
        const std::string broke = oracle(file);
        ASSERT_EQ(broke, "") << "a valid file:\n" << Shown(file);
    }
    int changed = 0;
    for (int k = 0; k < kDamagedFilesPerReader; ++k) {
        const std::uint32_t seed = firstSeed + static_cast<std::uint32_t>(k);
        Damage damage(seed);
        std::string said;
        const std::string& from = valid[seed % valid.size()];
        const std::string damaged = damage.apply(from, said);
        const std::string broke = oracle(damaged);
        ASSERT_EQ(broke, "") << "seed " << seed << " (valid file " << seed % valid.size() << ": "
                             << said << ")\n--- the damaged file\n"
                             << Shown(damaged);
        changed += damaged != from;
    }
    // A generator that mostly left the files as they were would prove nothing.
    EXPECT_GT(changed, kDamagedFilesPerReader * 9 / 10);
}

// ---- the valid files ---------------------------------------------------------------------

std::vector<std::string> ValidPlanFiles() {
    return {"1\r\nTV1\r\n2\r\n0,CH1,50000000,3000,OFF\r\n1,CH2,50500000,3000,ON",
            "2\r\nGHN\r\n3\r\n0,G1,2000000,1000000,ON\r\n1,G2,12000000,8000000,ON\r\n"
            "2,G3,50000000,12000000,OFF",
            "1\r\nEMPTY\r\n0", "1\r\nSAT 2\r\n1\r\n0,C&1,474123456,14999900,ON",
            "1\r\nCafé\r\n1\r\n0,É1,1020000000,8000000,OFF"};
}

std::vector<std::string> ValidLoggerFiles() {
    return {
        "RADIO\r\nROOF\r\nTV1\r\n01-02-2013\r\n10:20:30\r\n45 dBuV\r\n3\r\n"
        "0,C1,474000000,8000000,-45.2 dBuV\r\n1,C2,482000000,8000000,57.4 dBuV\r\n"
        "2,C3,490000000,8000000,0 dBuV",
        "PLC\r\nHOUSE 2\r\nGHN\r\n2026-12-09\r\n08:00:00\r\n-50 \r\n2\r\n"
        "0,G1,2000000,1000000,12.5 \r\n1,G2,12000000,8000000,-3",
        "RADIO\r\nEMPTY\r\nTV1\r\n01-02-2013\r\n10:20:30\r\n45 dBuV\r\n0",
        "RADIO\r\nSal\xF3n\r\nTV\xC9\r\n01-02-2013\r\n10:20:30\r\n45 dB\xB5V\r\n1\r\n"
        "0,C\xC9"
        "1,474000000,8000000,-45.2 dB\xB5V"};
}

std::vector<std::string> ValidPlanCsvFiles() {
    std::vector<std::string> files;
    for (const std::string& plan : ValidPlanFiles()) {
        PlanGrid grid;
        roundtrip::Silent silent;
        if (ReadChannelPlan(plan, "file", grid, silent) != kPlanRead || grid.rowCount() == 0)
            continue;
        if (std::optional<std::string> csv = PlanCsvText(grid)) files.push_back(*csv);
    }
    files.push_back("channel;name;frequency_mhz;bandwidth_mhz;state\r\n1;A;474,0000;8,0000;on\r\n");
    return files;
}

std::vector<std::string> ValidHexImages() {
    std::string small = HexRecord(0, 0x1000, {0xAA, 0xBB, 0x01}) + HexRecord(4, 0, {0x00, 0x01}) +
                        HexRecord(0, 0xFFF0, {1, 2, 3, 4}) + HexRecord(1, 0, {});
    std::string lower = small;
    for (char& c : lower)
        if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
    std::string several;
    for (int a = 0x1000; a < 0x1100; a += 16)
        several += HexRecord(0, a, {a & 0xFF, 1, 2, 3, 4, 5, 6, 7});
    return {small, lower, several + HexRecord(1, 0, {})};
}

std::string SRecord(char type, const std::vector<int>& bytes) {
    int sum = static_cast<int>(bytes.size()) + 1;
    char pair[8];
    std::snprintf(pair, sizeof pair, "S%c%02X", type, static_cast<int>(bytes.size()) + 1);
    std::string line = pair;
    for (int b : bytes) {
        std::snprintf(pair, sizeof pair, "%02X", b);
        line += pair;
        sum += b;
    }
    std::snprintf(pair, sizeof pair, "%02X\r\n", 0xFF - sum % 256);
    return line + pair;
}

std::vector<std::string> ValidInstrumentImages() {
    const std::string s1 = SRecord('0', {0, 0, 'Z', 'V'}) + SRecord('1', {0x10, 0x00, 1, 2, 3}) +
                           SRecord('1', {0x10, 0x03, 4, 5}) + SRecord('5', {0, 2}) +
                           SRecord('9', {0x10, 0x00});
    const std::string s3 = SRecord('3', {0, 1, 0, 0, 9, 8, 7}) + SRecord('3', {0, 1, 0, 3, 6}) +
                           SRecord('7', {0, 1, 0, 0});
    return {s1, s3};
}

std::vector<std::string> ValidManifests() {
    Manifest m;
    m.instrument.serial = "00012345";
    m.instrument.ioVersion = "IO-2.10";
    m.instrument.instrumentVersion = "V1.20";
    m.date = "2026-12-07";
    m.time = "22:55:01";
    m.files.push_back({std::string(64, 'a'), false, 1, 0, "TV1 (RADIO).c318", "TV1"});
    m.files.push_back({{}, false, 2, 9, {}, "F%M"});
    m.files.push_back({std::string(64, '0'), true, 1, 49, "ROOF.lograd", "RO\tOF"});
    return {ManifestText(m)};
}

TEST(readersRoundTrip, EveryDamagedFileIsRefusedOrReadsBackAsItself) {
    struct Reader {
        const char* name;
        std::vector<std::string> valid;
        Oracle oracle;
    };
    const Reader readers[] = {
        {"plan file", ValidPlanFiles(), roundtrip::CheckPlanFile},
        {"logger file", ValidLoggerFiles(), roundtrip::CheckLoggerFile},
        {"plan CSV", ValidPlanCsvFiles(), roundtrip::CheckPlanCsv},
        {"Intel HEX", ValidHexImages(), roundtrip::CheckHexImage},
        {"S-records", ValidInstrumentImages(), roundtrip::CheckInstrumentImage},
        {"backup manifest", ValidManifests(), roundtrip::CheckManifest},
    };
    std::uint32_t seed = 1;
    for (const Reader& reader : readers) {
        SCOPED_TRACE(reader.name);
        HoldsOverDamage(reader.valid, reader.oracle, seed);
        seed += 1'000'000;
    }
}

}  // namespace
}  // namespace zv318::testing
