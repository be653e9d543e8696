#pragma once
// The oracle every reader of outside files answers to: a file is refused, or what the reader
// took from it, written again by the program's own writer, is the file itself. Only what the
// format leaves open may differ: LF for CR LF, line ends after the last line, the case of
// hexadecimal digits, the encoding of a logger's texts (read as the instrument's), and the
// 100 Hz a plan's editor keeps of a frequency. Each check gives "" when the oracle holds and
// says what broke otherwise. The property tests and the fuzz targets share it.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "backup/manifest.h"
#include "firmware/images.h"
#include "fuzz/fuzz_support.h"
#include "loggers/logger_file.h"
#include "plans/plan_csv.h"
#include "plans/plan_model.h"
#include "plans/plan_procedures.h"
#include "texts/csv.h"
#include "texts/fields.h"
#include "texts/language_table.h"

namespace zv318::roundtrip {

using Silent = fuzz::QuietFeedback;

// The lines of a text with CR LF and LF alike, the empty lines at its end left out. A CR
// inside a line stays in it.
inline std::vector<std::string> Lines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string line(text.substr(start, end - start));
        // CRs end a line before its LF (a file through two text-mode copies has two), and at the
        // very end of the text (a CR LF cut short).
        while (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    return lines;
}

inline std::string Join(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& l : lines) out += l + "\n";
    return out;
}

inline std::string Differs(std::string_view what, const std::string& expected,
                           const std::string& got) {
    return std::string(what) + ": read and written again it differs.\n--- expected\n" + expected +
           "\n--- written\n" + got;
}

// ---- plan files ----------------------------------------------------------------------------

// The hertz of a channel or record line's fields 2 and 3 as the editor and a logger keep them:
// as MHz text of four decimals, 100 Hz.
inline std::string EditorResolution(const std::string& line) {
    std::vector<std::string> f;
    std::size_t start = 0;
    for (std::size_t comma; (comma = line.find(',', start)) != std::string::npos && f.size() < 4;
         start = comma + 1)
        f.push_back(line.substr(start, comma - start));
    f.push_back(line.substr(start));
    if (f.size() != 5) return line;
    for (int k : {2, 3}) {
        const std::optional<std::int32_t> hz = HertzField(f[static_cast<std::size_t>(k)]);
        if (hz) f[static_cast<std::size_t>(k)] = std::to_string(MHzTextToHz(HzToMHzText(*hz)));
    }
    return f[0] + "," + f[1] + "," + f[2] + "," + f[3] + "," + f[4];
}

inline std::string CheckPlanFile(std::string_view text) {
    Silent silent;
    PlanGrid grid;
    const int read = ReadChannelPlan(std::string(text), "file", grid, silent);
    // Sending and the editor judge a file alike: what the send accepts, the editor opens.
    LanguageTable table;
    if (CheckPlanText(std::string(text), table).accepted() && read != kPlanRead)
        return "the send accepts a plan file the editor refuses with " + std::to_string(read);
    if (read != kPlanRead) return {};
    const std::optional<std::string> written = ChannelPlanText(grid);
    if (!written) return "a plan read has no type label";
    std::vector<std::string> expected = Lines(text);
    for (std::size_t k = 3; k < expected.size(); ++k) expected[k] = EditorResolution(expected[k]);
    const std::string got = Join(Lines(*written));
    return Join(expected) == got ? std::string{} : Differs("plan file", Join(expected), got);
}

// ---- logger files --------------------------------------------------------------------------

inline std::string CheckLoggerFile(std::string_view text) {
    OpenLogger logger;
    if (ParseLoggerText(std::string(text), logger) != kLoggerFileRead) return {};
    // The texts were read in the instrument's encoding: the file says the same in UTF-8.
    // The records' hertz as a logger keeps them: as MHz text of four decimals.
    std::vector<std::string> lines = Lines(InstrumentText(text));
    for (std::size_t k = 7; k < lines.size(); ++k) lines[k] = EditorResolution(lines[k]);
    const std::string expected = Join(lines);
    const std::string got = Join(Lines(LoggerFileText(logger)));
    return expected == got ? std::string{} : Differs("logger file", expected, got);
}

// ---- plan CSV ------------------------------------------------------------------------------

// A CSV import takes many spellings of one plan (columns in any order, ";", a decimal comma),
// so its oracle is what no spelling allows: a row of the file lost, a name cut inside a
// character, or a plan that does not read back as itself from the CSV the program writes.
inline std::string CheckPlanCsv(std::string_view text) {
    Silent silent;
    LanguageTable table;
    PlanGrid grid;
    if (ReadPlanCsv(text, kRadioPlan, table, silent, grid) != kCsvRead) return {};
    const CsvTable csv = ReadCsv(text);
    std::size_t rows = 0;
    bool afterHeader = false;
    for (const CsvRecord& record : csv.records) {
        if (record.blank()) continue;
        if (afterHeader) ++rows;
        if (std::any_of(record.fields.begin(), record.fields.end(), [](const std::string& f) {
                std::string lower(TrimCsvBlanks(f));
                std::transform(lower.begin(), lower.end(), lower.begin(),
                               [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
                return lower == "frequency_mhz";
            }))
            afterHeader = true;
    }
    if (static_cast<std::size_t>(grid.rowCount()) != rows)
        return "the CSV holds " + std::to_string(rows) + " channel rows, the plan read " +
               std::to_string(grid.rowCount());
    const std::optional<std::string> written = PlanCsvText(grid);
    if (!written) return "a plan read from CSV has no type label";
    // A name of a file in UTF-8 stays UTF-8: nothing is cut inside a character.
    const std::string_view body = text.starts_with("\xEF\xBB\xBF") ? text.substr(3) : text;
    if (InstrumentText(body) == body && InstrumentText(grid.planName()) != grid.planName())
        return "the plan name read is no longer UTF-8: " + grid.planName();
    PlanGrid again;
    if (ReadPlanCsv(*written, kRadioPlan, table, silent, again) != kCsvRead)
        return "the CSV the program writes is refused by its reader:\n" + *written;
    const std::optional<std::string> rewritten = PlanCsvText(again);
    return rewritten == written ? std::string{} : Differs("plan CSV", *written, *rewritten);
}

// ---- firmware images -----------------------------------------------------------------------

inline std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

inline std::string HexPairs(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    char pair[3];
    for (std::uint8_t b : bytes) {
        std::snprintf(pair, sizeof pair, "%02X", b);
        out += pair;
    }
    return out;
}

// An IO Interface image accepted is programmed whole: the memory image holds every data byte
// of every record at its address and nothing else, and every record, written again from what
// was read of it, is its line.
inline std::string CheckHexImage(std::string_view text) {
    const std::string image(text);
    if (HexImageFault(image)) return {};
    const MemoryImage memory = LoadMemoryImage(image);
    std::vector<std::uint8_t> expected(kMemoryImageSize, 0);
    std::uint32_t upper = 0;
    for (const std::string& line : Lines(text)) {
        std::vector<std::uint8_t> bytes;
        for (std::size_t at = 1; at + 2 <= line.size(); at += 2)
            bytes.push_back(static_cast<std::uint8_t>(HexFieldValue(line, at, 2)));
        if (":" + HexPairs(bytes) != Upper(line)) return "a record read as other bytes: " + line;
        const int count = bytes[0], type = bytes[3];
        const std::uint32_t address = upper * 65536 + bytes[1] * 256u + bytes[2];
        if (type == 4) upper = bytes[4] * 256u + bytes[5];
        if (type == 1) break;
        if (type != 0) continue;
        for (int k = 0; k < count; ++k) {
            if (address + k >= expected.size()) return "data past the image accepted: " + line;
            expected[address + static_cast<std::uint32_t>(k)] =
                bytes[4 + static_cast<std::size_t>(k)];
        }
    }
    if (expected != memory.bytes) return "the memory image is not the file's data";
    return {};
}

// An instrument image accepted is sent as it stands: each record sent is its line's bytes.
inline std::string CheckInstrumentImage(std::string_view text) {
    const std::optional<std::vector<std::string>> records = WholeInstrumentImage(std::string(text));
    if (!records) return {};
    const std::vector<std::string> lines = Lines(text);
    if (records->size() != lines.size()) return "records left out or added";
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const InstrumentRecord r = DecodeInstrumentLine((*records)[k]);
        const std::vector<std::uint8_t> sent(r.bytes.begin() + 5, r.bytes.end());
        const std::string again =
            "S" + std::string(1, static_cast<char>(r.bytes[4])) + HexPairs(sent);
        if (again != Upper(lines[k]))
            return Differs("instrument image record", Upper(lines[k]), again);
    }
    return {};
}

// ---- backup manifests ----------------------------------------------------------------------

inline std::string CheckManifest(std::string_view text) {
    const std::optional<Manifest> manifest = ParseManifest(text);
    if (!manifest) return {};
    const std::string expected = Join(Lines(text));
    const std::string got = Join(Lines(ManifestText(*manifest)));
    return expected == got ? std::string{} : Differs("manifest", expected, got);
}

}  // namespace zv318::roundtrip
