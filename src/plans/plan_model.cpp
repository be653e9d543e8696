#include "plans/plan_model.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <set>

#include "link/report.h"
#include "texts/file_names.h"

namespace zv318 {

// ---- plan types --------------------------------------------------------------------------

std::optional<PlanLimits> LimitsFor(int type) {
    if (type == kRadioPlan) return kRadioLimits;
    if (type == kPlcPlan) return kPlcLimits;
    return std::nullopt;
}

std::string TypeLabelFor(int type) {
    if (type == kRadioPlan) return "RADIO";
    if (type == kPlcPlan) return "PLC";
    return {};
}

int TypeFromLabel(std::string_view label) {
    if (label == "RADIO") return kRadioPlan;
    if (label == "PLC") return kPlcPlan;
    return 0;
}

std::string ListSuffixFor(int type) {
    if (type == kRadioPlan) return " (RADIO)";
    if (type == kPlcPlan) return " (PLC)";
    return {};
}

// ---- Hz and MHz text ---------------------------------------------------------------------

std::string HzToMHzText(std::int64_t hz) {
    // The product in extended precision, then rounded to double before formatting, so the
    // text agrees with what the instrument's own software always showed. std::to_chars never
    // looks at the locale: the decimal point stays "." even after a GUI set LC_NUMERIC.
    const double mhz =
        static_cast<double>(static_cast<long double>(hz) * static_cast<long double>(0.000001));
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, mhz, std::chars_format::fixed, 4);
    if (ec != std::errc{}) return "0.0000";
    return std::string(buf, end);
}

namespace {

bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// For a decimal number that did not fit a double: true when it is too large, false when it
// is too small. The decimal exponent of its first significant digit decides.
bool DecimalIsHuge(std::string_view number) {
    long long exponent = 0;
    std::size_t i = 0;
    bool seenDigit = false;
    long long position = 0;  // digits before the point, less leading zeros
    while (i < number.size() && IsDigit(number[i])) {
        if (number[i] != '0' || seenDigit) {
            seenDigit = true;
            ++position;
        }
        ++i;
    }
    if (i < number.size() && number[i] == '.') {
        ++i;
        while (i < number.size() && IsDigit(number[i])) {
            if (!seenDigit) {
                if (number[i] != '0')
                    seenDigit = true;
                else
                    --position;
            }
            ++i;
        }
    }
    if (i < number.size() && (number[i] == 'e' || number[i] == 'E')) {
        ++i;
        bool negative = false;
        if (i < number.size() && (number[i] == '+' || number[i] == '-'))
            negative = number[i++] == '-';
        while (i < number.size() && IsDigit(number[i])) {
            exponent = std::min<long long>(exponent * 10 + (number[i] - '0'), 1'000'000'000);
            ++i;
        }
        if (negative) exponent = -exponent;
    }
    return position + exponent > 0;
}

// The leading number of a text as atof reads it in the C locale: blanks, a sign, then a
// decimal or "0x" hexadecimal number, "inf" or "nan"; no number gives 0.
double LeadingNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsCSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    std::string_view rest = text.substr(i);

    double value = 0.0;
    std::from_chars_result r{};
    bool hex = rest.size() > 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X') &&
               (IsHexDigit(rest[2]) || (rest[2] == '.' && rest.size() > 3 && IsHexDigit(rest[3])));
    if (hex) {
        std::string_view digits = rest.substr(2);
        r = std::from_chars(digits.data(), digits.data() + digits.size(), value,
                            std::chars_format::hex);
        if (r.ec == std::errc::result_out_of_range) {
            std::string_view used(digits.data(), static_cast<std::size_t>(r.ptr - digits.data()));
            value = used.find("p-") != std::string_view::npos ||
                            used.find("P-") != std::string_view::npos
                        ? 0.0
                        : std::numeric_limits<double>::infinity();
        }
    } else {
        r = std::from_chars(rest.data(), rest.data() + rest.size(), value,
                            std::chars_format::general);
        if (r.ec == std::errc::result_out_of_range) {
            std::string_view used(rest.data(), static_cast<std::size_t>(r.ptr - rest.data()));
            value = DecimalIsHuge(used) ? std::numeric_limits<double>::infinity() : 0.0;
        }
    }
    if (r.ec == std::errc::invalid_argument) return 0.0;
    return negative ? -value : value;
}

}  // namespace

std::int32_t MHzTextToHz(std::string_view text) {
    const double hz =
        static_cast<double>(static_cast<long double>(LeadingNumber(text)) * 1000000.0L);
    if (std::isnan(hz)) return 0;
    // Truncation toward zero; what lies beyond the 32-bit range is clamped to it.
    if (hz >= 2147483648.0) return std::numeric_limits<std::int32_t>::max();
    if (hz <= -2147483649.0) return std::numeric_limits<std::int32_t>::min();
    // A text the grid shows ("1.0050") must give back the whole number of hertz it stands for:
    // the product of a decimal fraction in binary can fall a hair short (1004999.9999999999),
    // which truncation alone would turn into 1 Hz less. Only such representation error is
    // rounded away; a genuine fraction of a hertz is still cut toward zero.
    const double nearest = std::round(hz);
    if (std::fabs(hz - nearest) < 1e-6) return static_cast<std::int32_t>(nearest);
    return static_cast<std::int32_t>(hz);
}

std::optional<std::string> TypedMHzText(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    std::string number(text);
    std::size_t i = !number.empty() && (number[0] == '+' || number[0] == '-') ? 1 : 0;
    bool digits = false, separator = false;
    for (; i < number.size(); ++i) {
        char& c = number[i];
        if (IsDigit(c)) {
            digits = true;
        } else if ((c == '.' || c == ',') && !separator) {
            separator = true;
            c = '.';
        } else {
            return std::nullopt;
        }
    }
    if (!digits) return std::nullopt;
    return number;
}

std::int32_t CellToHz(std::string_view text) {
    const std::optional<std::string> typed = TypedMHzText(text);
    return MHzTextToHz(typed ? std::string_view(*typed) : text);
}

bool HoldsControlCharacter(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7F;
    });
}

// ---- the grid ----------------------------------------------------------------------------

std::string NewPlanNameFrom(const std::string& word) {
    const bool taken = !word.empty() && word.size() <= 5 &&
                       std::all_of(word.begin(), word.end(), [](char c) {
                           return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
                       });
    return taken ? word : std::string(kNewPlanName);
}

PlanGrid PlanGrid::NewPlan(int type, const std::string& name) {
    PlanGrid grid;
    const std::optional<PlanLimits> limits = LimitsFor(type);
    grid.setTypeLabel(TypeLabelFor(type));
    grid.setPlanName(name);
    grid.setRowCount(1);
    grid.setCell(1, kRowColumn, "1");
    grid.setCell(1, kNameColumn, "CH1");
    if (limits) {
        grid.setCell(1, kFrequencyColumn, HzToMHzText(limits->firstFrequency));
        grid.setCell(1, kBandwidthColumn, HzToMHzText(limits->firstBandwidth));
    }
    grid.setCell(1, kStateColumn, "OFF");
    grid.setFlag(1, true);
    return grid;
}

void PlanGrid::setRowCount(int channels) {
    rows_.resize(static_cast<std::size_t>(std::max(channels, 0)));
}

const std::string& PlanGrid::cell(int row, int column) const {
    static const std::string kEmpty;
    if (!holds(row) || column < 0 || column >= kColumns) return kEmpty;
    return rows_[static_cast<std::size_t>(row - 1)].cells[column];
}

void PlanGrid::setCell(int row, int column, std::string text) {
    if (!holds(row) || column < 0 || column >= kColumns) return;
    rows_[static_cast<std::size_t>(row - 1)].cells[column] = std::move(text);
}

bool PlanGrid::flag(int row) const {
    return holds(row) && rows_[static_cast<std::size_t>(row - 1)].inactive;
}

void PlanGrid::setFlag(int row, bool inactive) {
    if (holds(row)) rows_[static_cast<std::size_t>(row - 1)].inactive = inactive;
}

std::vector<std::uint8_t> PlanGrid::InactiveRows() const {
    std::vector<std::uint8_t> flags(rows_.size() + 1, 0);
    for (std::size_t i = 0; i < rows_.size(); ++i) flags[i + 1] = rows_[i].inactive ? 1 : 0;
    return flags;
}

// ---- reading -----------------------------------------------------------------------------

namespace {

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsCSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsCSpace(text.back())) text.remove_suffix(1);
    return text;
}

// The whole of the next line, without its line end.
std::optional<std::string> WholeLine(LineReader& reader) {
    std::optional<std::string> line = reader.next(std::numeric_limits<std::size_t>::max());
    if (!line) return std::nullopt;
    return WithoutLineEnd(std::move(*line));
}

}  // namespace

bool PlanNameFitsFile(std::string_view name) {
    return CheckNameField(name, kPlanFileNameRule) == NameFault::None;
}

PlanFileHeader ReadPlanFileHeader(LineReader& reader) {
    PlanFileHeader header;
    std::optional<std::string> typeLine = WholeLine(reader);
    if (typeLine)
        header.type = static_cast<int>(DecimalField(*typeLine, kRadioPlan, kPlcPlan).value_or(0));
    std::optional<std::string> nameLine = WholeLine(reader);
    if (!nameLine) return header;
    header.name = std::move(*nameLine);
    if (std::optional<std::string> countLine = WholeLine(reader)) {
        if (const std::optional<std::int64_t> count =
                DecimalField(*countLine, 0, std::numeric_limits<std::int32_t>::max()))
            header.count = static_cast<int>(*count);
    }
    return header;
}

std::optional<std::string> ReadChannelLine(LineReader& reader) {
    std::optional<std::string> line = reader.next(kChannelLineBuffer);
    if (!line) return std::nullopt;
    return WithoutLineEnd(std::move(*line));
}

bool OnlyEmptyLinesLeft(LineReader& reader) {
    while (std::optional<std::string> line = ReadChannelLine(reader))
        if (!TrimBlanks(*line).empty()) return false;
    return true;
}

ChannelLineFields SplitChannelLine(std::string_view line) {
    ChannelLineFields f;
    std::string_view* fields[] = {&f.index, &f.name, &f.frequency, &f.bandwidth};
    for (std::string_view* field : fields) {
        std::size_t comma = line.find(',');
        if (comma == std::string_view::npos) {
            *field = line;
            return f;  // the fields after it stay empty
        }
        *field = line.substr(0, comma);
        line.remove_prefix(comma + 1);
    }
    f.state = line;
    return f;
}

int ReadChannelPlan(std::string text, const std::string& fileLabel, PlanGrid& grid,
                    Feedback& feedback) {
    LineReader reader(std::move(text));
    const PlanFileHeader header = ReadPlanFileHeader(reader);
    const std::optional<PlanLimits> limits = LimitsFor(header.type);
    if (!limits) {
        feedback.showMessage(14);
        return kPlanBadType;
    }
    grid.setTypeLabel(TypeLabelFor(header.type));
    if (!PlanNameFitsFile(header.name)) {
        feedback.showMessage(14);
        return kPlanBadName;
    }
    if (!header.count) {
        feedback.showMessage(14);
        return kPlanBadCount;
    }
    const int n = *header.count;
    grid.setPlanName(header.name);
    grid.setFileLabel(fileLabel);
    // Row r must hold index r - 1 and indices stop at 149, so row 151 is the last that can
    // be reached: a larger count never needs more rows than that.
    grid.setRowCount(0);
    grid.setRowCount(std::min(n, kMaxFileChannels + 1));

    auto fail = [&](int row, int code) {
        feedback.showMessage(14);
        return 1000 * row + code;
    };
    int previous = -1;
    for (int r = 1; r <= n; ++r) {
        std::optional<std::string> line = ReadChannelLine(reader);
        if (!line) return fail(r, kBadIndex);
        const ChannelLineFields f = SplitChannelLine(*line);

        const std::optional<std::int64_t> index = DecimalField(f.index, 0, kMaxFileChannels - 1);
        if (!index || *index != previous + 1) return fail(r, kBadIndex);
        previous = static_cast<int>(*index);
        grid.setCell(r, PlanGrid::kRowColumn, std::to_string(r));

        if (HoldsControlCharacter(f.name)) return fail(r, kBadChannelName);
        grid.setCell(r, PlanGrid::kNameColumn, std::string(f.name));

        const std::optional<std::int32_t> frequency = HertzField(f.frequency);
        if (!frequency || !limits->frequencyFits(*frequency)) return fail(r, kBadFrequency);
        grid.setCell(r, PlanGrid::kFrequencyColumn, HzToMHzText(*frequency));

        const std::optional<std::int32_t> bandwidth = HertzField(f.bandwidth);
        if (!bandwidth || !limits->bandwidthFits(*bandwidth)) return fail(r, kBadBandwidth);
        grid.setCell(r, PlanGrid::kBandwidthColumn, HzToMHzText(*bandwidth));

        if (f.state != "ON" && f.state != "OFF") return fail(r, kBadState);
        grid.setFlag(r, f.state == "OFF");
        grid.setCell(r, PlanGrid::kStateColumn, std::string(f.state));
    }
    if (!OnlyEmptyLinesLeft(reader)) return fail(n + 1, kBadIndex);
    return kPlanRead;
}

int ReadChannelPlanFile(const std::filesystem::path& file, PlanGrid& grid, Feedback& feedback) {
    ReadRefusal why{};
    std::optional<std::string> text = ReadWholeFile(file, kPlanFileMaxBytes, &why);
    if (!text) {
        feedback.showMessage(ReadRefusalMessage(why));
        return kPlanFileUnreadable;
    }
    return ReadChannelPlan(std::move(*text), PathToText(file), grid, feedback);
}

// ---- writing -----------------------------------------------------------------------------

std::optional<std::string> ChannelPlanText(const PlanGrid& grid) {
    const int type = TypeFromLabel(grid.typeLabel());
    if (type == 0) return std::nullopt;
    const int n = grid.rowCount();
    std::string text = std::to_string(type) + "\r\n" + grid.planName() + "\r\n" + std::to_string(n);
    for (int r = 1; r <= n; ++r) {
        text += "\r\n";
        text += std::to_string(r - 1);
        text += ',';
        text += grid.cell(r, PlanGrid::kNameColumn);
        text += ',';
        text += std::to_string(CellToHz(grid.cell(r, PlanGrid::kFrequencyColumn)));
        text += ',';
        text += std::to_string(CellToHz(grid.cell(r, PlanGrid::kBandwidthColumn)));
        text += ',';
        text += grid.cell(r, PlanGrid::kStateColumn);
    }
    return text;
}

bool PlanTextFitsReader(std::string_view text) {
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        // The reader's piece holds the line with its CR LF: at most the buffer less one.
        if (end - start + 2 > kChannelLineBuffer - 1) return false;
        start = end + 2;
    }
    return true;
}

int DesaCanalitzacio(const PlanGrid& grid, const std::filesystem::path& file, Feedback& feedback) {
    if (file.empty()) return kPlanNoFileName;
    if (grid.rowCount() > kMaxFileChannels) {
        feedback.showMessage(18);
        return kPlanTooManyChannels;
    }
    std::optional<std::string> text = ChannelPlanText(grid);
    if (!text) {
        feedback.showMessage(25);
        return kPlanBadTypeLabel;
    }
    // A line too long to be read back (a very long channel name from another file) would make
    // a file the program then refuses: nothing is written.
    WriteFailure why = WriteFailure::Other;
    if (!PlanTextFitsReader(*text) || !WriteFileAtomically(file, *text, &why)) {
        feedback.showMessage(18);
        if (const int cause = WriteFailureMessage(why)) feedback.showMessage(cause);
        return kPlanCannotCreate;
    }
    return kPlanWritten;
}

// ---- the editor's files ------------------------------------------------------------------

namespace {

bool CannotBeInFileName(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7F ||
           std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos;
}

}  // namespace

std::optional<FileNameFault> FindFileNameFault(std::string_view name) {
    for (char c : name)
        if (CannotBeInFileName(c)) return FileNameFault{c, false};
    if (!name.empty() && (name.back() == '.' || name.back() == ' '))
        return FileNameFault{name.back(), true};
    return std::nullopt;
}

std::string ShownFaultCharacter(const FileNameFault& fault) {
    const auto u = static_cast<unsigned char>(fault.character);
    if (u < 0x20 || u == 0x7F) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "0x%02X", u);
        return buf;
    }
    return std::string("'") + fault.character + "'";
}

std::vector<std::filesystem::path> CopyPathsFor(const std::filesystem::path& programFolder,
                                                const std::vector<std::string>& listEntries) {
    // Names compared without letter case: a folder on a case-blind file system holds one file
    // for "tv1 (RADIO).temp" and "TV1 (RADIO).temp".
    auto folded = [](std::string name) {
        for (char& c : name)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return name;
    };
    std::set<std::string> taken;
    std::vector<std::filesystem::path> paths;
    paths.reserve(listEntries.size());
    for (std::size_t k = 0; k < listEntries.size(); ++k) {
        // A name is a file name in the program folder, never a way out of it.
        const std::string base = SafeFileName(listEntries[k]);
        std::string name = base + ".temp";
        // The position, then a further number in the unlikely case that a cut name of another
        // plan happens to read the same.
        for (int further = 0; !taken.insert(folded(name)).second; ++further)
            name = base + " ~" + std::to_string(k + 1) +
                   (further > 0 ? "." + std::to_string(further) : std::string{}) + ".temp";
        paths.push_back(programFolder / std::filesystem::path(name));
    }
    return paths;
}

std::optional<std::filesystem::path> CopyPathAt(const std::filesystem::path& programFolder,
                                                const PlanListView& list, int position) {
    if (position < 0 || position >= list.count()) return std::nullopt;
    std::vector<std::string> entries;
    entries.reserve(static_cast<std::size_t>(position) + 1);
    for (int k = 0; k <= position; ++k) entries.push_back(list.entry(k));
    return CopyPathsFor(programFolder, entries).back();
}

PlanFiles::PlanFiles(Feedback& feedback, const PlanListView& list,
                     std::filesystem::path programFolder)
    : feedback_(feedback), list_(list), programFolder_(std::move(programFolder)) {}

int PlanFiles::OpenChannelPlanFile(int source, PlanGrid& grid) {
    if (source < 0) {
        std::optional<std::string> chosen =
            feedback_.chooseFile(FileRequest{FileRequest::EditPlan, {}, {}, {}});
        if (!chosen) return kPlanDialogCancelled;
        chosenFile_ = *chosen;
        if (!chosenFile_.ends_with(".c318")) {
            feedback_.showMessage(11);
            return kPlanWrongExtension;
        }
        return ReadChannelPlanFile(PathFromText(chosenFile_), grid, feedback_);
    }
    // The copy of that very position: two plans alike in name have copies of their own.
    std::optional<std::filesystem::path> copy = CopyPathAt(programFolder_, list_, source);
    if (!copy) return kPlanCopyUnreadable;
    std::optional<std::string> text = ReadWholeFile(*copy, kPlanFileMaxBytes);
    if (!text) return kPlanCopyUnreadable;
    return ReadChannelPlan(std::move(*text), PathToText(*copy), grid, feedback_);
}

}  // namespace zv318
