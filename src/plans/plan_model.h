#pragma once
// The channel plan: its limits per plan type, the Hz / MHz text conversions, the grid the
// editor shows, and the plan file layout with its reader and writer.
//
// A plan file is text with CR LF line ends:
//     type code ("1" RADIO, "2" PLC)
//     plan name
//     channel count N
//     N channel lines "i,name,frequencyHz,bandwidthHz,ON|OFF", i = 0 .. N-1
// with no line end after the last line.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/feedback.h"
#include "plans/plan_list.h"
#include "texts/fields.h"
#include "texts/text_file.h"

namespace zv318 {

// ---- plan types and their limits ---------------------------------------------------------

inline constexpr int kRadioPlan = 1;  // selected in the instrument with "*EC01"
inline constexpr int kPlcPlan = 2;    // "*EC02"
inline constexpr int kMaxPlansPerType = 10;
// The file reader takes channel indices 0 to 149; the writer refuses more than 150 channels.
inline constexpr int kMaxFileChannels = 150;
// The payload check of a plan being sent takes indices up to 150.
inline constexpr int kMaxPayloadIndex = 150;
// Channel lines are read as a C line reader with a buffer of 199 bytes reads them.
inline constexpr std::size_t kChannelLineBuffer = 199;

struct PlanLimits {
    std::int32_t lowestFrequency, highestFrequency;  // Hz, inclusive
    std::int32_t lowestBandwidth, highestBandwidth;  // Hz, inclusive
    std::int32_t firstFrequency, firstBandwidth;     // the one channel of a new plan
    [[nodiscard]] bool frequencyFits(std::int64_t hz) const {
        return hz >= lowestFrequency && hz <= highestFrequency;
    }
    [[nodiscard]] bool bandwidthFits(std::int64_t hz) const {
        return hz >= lowestBandwidth && hz <= highestBandwidth;
    }
};

inline constexpr PlanLimits kRadioLimits{50'000'000, 1'020'000'000, 3'000,
                                         14'999'900, 50'000'000,    3'000};
inline constexpr PlanLimits kPlcLimits{2'000'000,  50'000'000, 1'000'000,
                                       12'000'000, 2'000'000,  1'000'000};

// The limits of type 1 or 2; nothing for any other type.
[[nodiscard]] std::optional<PlanLimits> LimitsFor(int type);
// "RADIO", "PLC", or "" for any other type.
[[nodiscard]] std::string TypeLabelFor(int type);
// 1 for "RADIO", 2 for "PLC", 0 for anything else.
[[nodiscard]] int TypeFromLabel(std::string_view label);
// " (RADIO)" or " (PLC)": what follows a plan name in the instrument plan list.
[[nodiscard]] std::string ListSuffixFor(int type);

// ---- Hz and MHz text ---------------------------------------------------------------------

// hz × 0.000001 with "%.4f": 50000000 → "50.0000", 3000 → "0.0030". Always "." as the
// decimal point, whatever the locale.
[[nodiscard]] std::string HzToMHzText(std::int64_t hz);
// The leading decimal number of the text (atof rules, in the C locale whatever the process
// locale is) × 1,000,000, truncated toward zero: "14.9999" → 14999900, "abc" → 0. Values
// beyond the 32-bit range are clamped to it; "nan" gives 0.
[[nodiscard]] std::int32_t MHzTextToHz(std::string_view text);
// A MHz value as a person types it (the editor's cells, a CSV field): blanks around it, a sign,
// digits with at most one decimal separator, "." or "," (what Spanish and Catalan users type).
// The text with "." as its separator; nothing for anything else ("474.0.25", "474 MHz", "").
[[nodiscard]] std::optional<std::string> TypedMHzText(std::string_view text);
// The hertz of a cell of the grid: its typed value when it is one, else MHzTextToHz of the text
// as it stands (what the row check then refuses).
[[nodiscard]] std::int32_t CellToHz(std::string_view text);

// True when the text holds a byte below 0x20 or 0x7F. The instrument stops reading a command at
// such a byte and a line break splits a file line, so no plan or channel name may hold one.
[[nodiscard]] bool HoldsControlCharacter(std::string_view text);

// ---- the grid ----------------------------------------------------------------------------

// The plan as the editor holds it: a type label, a name, a file label and one row of five
// texts per channel with the `InactiveRows` flag of each row. Rows are numbered as the grid
// shows them: row 0 is the header row and holds no data, channel rows are 1 to rowCount().
// A new plan's name, and the language entry of its word in the person's language: taken only
// when the instrument takes it as it stands (one to five capital letters or digits).
inline constexpr char kNewPlanName[] = "NEW";
inline constexpr int kNewPlanNameEntry = 1893;
[[nodiscard]] std::string NewPlanNameFrom(const std::string& word);

class PlanGrid {
public:
    static constexpr int kColumns = 5;
    enum Column : int {
        kRowColumn = 0,        // row number 1 to N
        kNameColumn = 1,       // channel name
        kFrequencyColumn = 2,  // MHz text
        kBandwidthColumn = 3,  // MHz text
        kStateColumn = 4,      // "ON" or "OFF"
    };

    // A new plan of type 1 or 2: name "NEW" (or `name`, the language's word for it), empty
    // file label, one channel "CH1" at the type's first frequency and bandwidth, "OFF" with its
    // flag set.
    [[nodiscard]] static PlanGrid NewPlan(int type, const std::string& name = kNewPlanName);

    [[nodiscard]] const std::string& typeLabel() const { return typeLabel_; }  // Tipus
    void setTypeLabel(std::string text) { typeLabel_ = std::move(text); }
    [[nodiscard]] const std::string& planName() const { return planName_; }  // ChPlanNameLabel
    void setPlanName(std::string text) { planName_ = std::move(text); }
    [[nodiscard]] const std::string& fileLabel() const { return fileLabel_; }  // FileNameLabel
    void setFileLabel(std::string text) { fileLabel_ = std::move(text); }

    // Number of channel rows (the header row not counted).
    [[nodiscard]] int rowCount() const { return static_cast<int>(rows_.size()); }
    // Rows added are empty with flag 0; rows removed go from the end. Negative counts give 0.
    void setRowCount(int channels);
    // The text of a cell; "" for the header row and anything outside the grid.
    [[nodiscard]] const std::string& cell(int row, int column) const;
    // Ignored outside rows 1 to rowCount() and columns 0 to 4.
    void setCell(int row, int column, std::string text);
    // The `InactiveRows` flag of a row: true when the channel is OFF.
    [[nodiscard]] bool flag(int row) const;
    void setFlag(int row, bool inactive);
    // All flags by grid row, index 0 being the header row (always 0).
    [[nodiscard]] std::vector<std::uint8_t> InactiveRows() const;

private:
    struct Row {
        std::string cells[kColumns];
        bool inactive = false;
    };
    [[nodiscard]] bool holds(int row) const { return row >= 1 && row <= rowCount(); }

    std::string typeLabel_, planName_, fileLabel_;
    std::vector<Row> rows_;
};

// ---- files -------------------------------------------------------------------------------

// Result codes of the reader.
inline constexpr int kPlanRead = 0;
inline constexpr int kPlanDialogCancelled = -1;
inline constexpr int kPlanWrongExtension = 12;
inline constexpr int kPlanFileUnreadable = 13;
inline constexpr int kPlanCopyUnreadable = 14;
inline constexpr int kPlanBadType = 50;
// The header ends before the channel count line, or the count is negative.
inline constexpr int kPlanBadCount = 52;
// More channel lines announced than a plan holds (150).
inline constexpr int kPlanTooManyLines = 53;
// A plan name no file of ours holds: empty or blanks alone, blanks at its ends, a control
// character, an "&" (which separates the fields of the instrument's replies) or too long.
inline constexpr int kPlanBadName = 54;
// Codes of a bad channel line r (r counted from 1): 1000 × r + one of these.
inline constexpr int kBadIndex = 20;
inline constexpr int kBadChannelName = 21;  // a control character in the channel's name
inline constexpr int kBadFrequency = 22;
inline constexpr int kBadBandwidth = 23;
inline constexpr int kBadState = 26;

// Result codes of the writer.
inline constexpr int kPlanWritten = 0;
inline constexpr int kPlanBadTypeLabel = -9;
inline constexpr int kPlanNoFileName = -11;
inline constexpr int kPlanCannotCreate = -14;
inline constexpr int kPlanTooManyChannels = -15;

// The longest plan name a file holds: what the instrument's name command carries.
inline constexpr std::size_t kMaxPlanFileNameLength = 55;
// What line 2 of a plan file may hold (the editor's rename is stricter: one word of at most 5
// characters).
inline constexpr NameRule kPlanFileNameRule{kMaxPlanFileNameLength, false, "&", true};
[[nodiscard]] bool PlanNameFitsFile(std::string_view name);

// The first three lines of a plan file, each field held exactly as the writer writes it.
struct PlanFileHeader {
    int type = 0;              // line 1: "1" or "2"; 0 for anything else
    std::string name;          // line 2, whole
    std::optional<int> count;  // line 3, a count; nothing when it is missing or no count
};
// Reads the three header lines; the reader is then at the first channel line.
[[nodiscard]] PlanFileHeader ReadPlanFileHeader(LineReader& reader);
// The next channel line as the plan procedures read it (at most 198 characters, without its
// line end); nothing at the end of the text.
[[nodiscard]] std::optional<std::string> ReadChannelLine(LineReader& reader);
// After the channel lines the count announced: true when nothing but empty lines is left. A
// channel line past the count means the count line disagrees with the file, and a plan taken on
// the count alone would lose channels without a word.
[[nodiscard]] bool OnlyEmptyLinesLeft(LineReader& reader);

// The fields of a channel line "i,name,freq,bw,state": the texts between the commas; the
// state is the rest of the line. Missing fields are empty.
struct ChannelLineFields {
    std::string_view index, name, frequency, bandwidth, state;
};
[[nodiscard]] ChannelLineFields SplitChannelLine(std::string_view line);

// Reads plan file text into the grid with every check: 0, 50, 52 or 1000 × row + 20 / 22 /
// 23 / 26, showing message 14 on every failure. Once the type is known the file label
// becomes `fileLabel`. The rows read before a failure stay in the grid.
[[nodiscard]] int ReadChannelPlan(std::string text, const std::string& fileLabel, PlanGrid& grid,
                                  Feedback& feedback);
// Opens a file and reads it as above (message 1 and 13 when it cannot be opened); the file
// label becomes the path. No extension test: what `zv318ctl plans check` uses.
[[nodiscard]] int ReadChannelPlanFile(const std::filesystem::path& file, PlanGrid& grid,
                                      Feedback& feedback);

// The bytes of the plan file of a grid: cells 2 and 3 through CellToHz, the index of row r
// always r - 1. Nothing when the type label is neither "RADIO" nor "PLC".
[[nodiscard]] std::optional<std::string> ChannelPlanText(const PlanGrid& grid);

// True when every line of a plan text is short enough for the reader to take whole: a plan the
// program writes is always one it reads back.
[[nodiscard]] bool PlanTextFitsReader(std::string_view text);

// The writing part of the editor's save: checks the grid (more than 150 channels: message 18
// and -15; a type label other than RADIO or PLC: message 25 and -9), then writes the file
// atomically (failure: message 18 and -14). An empty path gives -11 with no message.
[[nodiscard]] int DesaCanalitzacio(const PlanGrid& grid, const std::filesystem::path& file,
                                   Feedback& feedback);

// The files of the editor: plan files chosen by the person and the ".temp" copies of the
// instrument's plans, which live in the program folder.
class PlanFiles {
public:
    PlanFiles(Feedback& feedback, const PlanListView& list, std::filesystem::path programFolder);

    // source < 0: a ".c318" file chosen through the feedback (-1 cancelled; message 11 and 12
    // for another extension; message 1 and 13 when it cannot be opened). source >= 0: the
    // ".temp" copy of list entry `source` (14, silently, when it cannot be opened). Then
    // ReadChannelPlan. The file label shows the chosen path, or the copy's path.
    [[nodiscard]] int OpenChannelPlanFile(int source, PlanGrid& grid);

    // The path last chosen through the dialog ("" before the first choice).
    [[nodiscard]] const std::string& chosenFile() const { return chosenFile_; }
    [[nodiscard]] const std::filesystem::path& programFolder() const { return programFolder_; }

private:
    Feedback& feedback_;
    const PlanListView& list_;
    std::filesystem::path programFolder_;
    std::string chosenFile_;
};

// ---- plan names as file names ------------------------------------------------------------

// What keeps a plan name from being a file name on Linux or Windows: one of / \ : * ? " < > |,
// a control character, or a dot or blank at its end.
struct FileNameFault {
    char character = 0;
    bool atEnd = false;  // a trailing dot or blank
};
// The first fault of a name; nothing when the name can be a file name everywhere. Sending a
// plan and renaming one in the editor refuse a name with a fault.
[[nodiscard]] std::optional<FileNameFault> FindFileNameFault(std::string_view name);
// The character of a fault as the person is told it: "'/'", "0x07" for a control character.
[[nodiscard]] std::string ShownFaultCharacter(const FileNameFault& fault);

// The ".temp" copies of a plan list, one per list position, in the program folder. Each is
// named by SafeFileName of its entry ("TV1 (RADIO).temp"), unless an earlier position already
// took that name (two plans alike in name, or alike once escaped and cut, or alike but for
// letter case, which some file systems take for one name): that copy is told apart by its
// position, "TV1 (RADIO) ~2.temp". A position's name depends only on the entries up to it, so
// a list read part by part names its copies as the whole list does.
[[nodiscard]] std::vector<std::filesystem::path> CopyPathsFor(
    const std::filesystem::path& programFolder, const std::vector<std::string>& listEntries);
// The copy of list position `position`; nothing for a position outside the list.
[[nodiscard]] std::optional<std::filesystem::path> CopyPathAt(
    const std::filesystem::path& programFolder, const PlanListView& list, int position);

}  // namespace zv318
