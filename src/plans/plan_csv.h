#pragma once
// A channel plan as CSV, for the spreadsheet a technician writes reports in, and back.
//
// The text (CR LF after every row) is a small table of the plan's own fields, a blank line,
// then one row per channel:
//     field,value
//     type,RADIO
//     name,TV1
//
//     channel,name,frequency_mhz,bandwidth_mhz,state
//     1,CH1,50.0000,0.0030,OFF
// `channel` is the row number, frequencies and bandwidths are MHz with four decimals and "."
// as the decimal mark, whatever the locale. An import takes the columns in any order (only
// `name`, `frequency_mhz`, `bandwidth_mhz` and `state` are needed), the field table when it is
// there, ";" as the separator with "." or "," as the decimal mark, a byte order mark, and any
// case of ON / OFF; every row passes the editor's own row check and sort.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "link/feedback.h"
#include "plans/plan_editor.h"
#include "plans/plan_model.h"
#include "texts/language_table.h"

namespace zv318 {

// The program's own messages of the plan CSV.
inline constexpr int kMessageNotAPlanCsv = 140;    // no column header row, or no channel row
inline constexpr int kMessageBadCsv = 141;         // a quoted field is never closed
inline constexpr int kMessageOtherPlanType = 142;  // the file's plan is of the other type
inline constexpr int kMessageCsvNotWritten = 143;  // a CSV file cannot be written
// The notice that names the refused line of a CSV file ("%1" is the line number).
inline constexpr int kEntryRefusedCsvLine = 1150;
// The notice that a plan name longer than a name may be was shortened ("%1" the name in the
// file, "%2" the most characters, "%3" the name taken).
inline constexpr int kEntryPlanNameShortened = 1826;

// Result codes of the CSV import: 0 read; the dialog cancelled; the file cannot be opened
// (message 1); not a plan CSV (message 140); 1000 × line + the number of the message shown
// for the refused line of the CSV text (19 to 25, 110, 111, 112, 141).
inline constexpr int kCsvRead = 0;
inline constexpr int kCsvCancelled = -1;
inline constexpr int kCsvUnreadable = 13;
inline constexpr int kCsvNotAPlan = 140;

// Result codes of the CSV export.
inline constexpr int kCsvWritten = 0;
inline constexpr int kCsvBadTypeLabel = -9;
inline constexpr int kCsvCannotCreate = -14;

// The CSV text of a plan, its frequencies and bandwidths as a save would write them; nothing
// when the type label is neither RADIO nor PLC.
[[nodiscard]] std::optional<std::string> PlanCsvText(const PlanGrid& grid);
// Writes the CSV text atomically: 0, -9 (message 25) or -14 (message 143).
[[nodiscard]] int WritePlanCsv(const PlanGrid& grid, const std::filesystem::path& file,
                               Feedback& feedback);

// Reads a CSV text into `grid` whole, or not at all: on the first refused row the message of
// the editor's row check and a notice naming the CSV line (entry 1150) are shown and `grid`
// is left as it was. The plan's type is the field table's `type`, else `type`; its name the
// table's `name` as the rename dialog takes it, else "NEW".
[[nodiscard]] int ReadPlanCsv(std::string_view text, int type, const LanguageTable& table,
                              Feedback& feedback, PlanGrid& grid);
// The same from a file (message 1 and 13 when it cannot be opened); the file label becomes
// empty, since the plan has no plan file yet.
[[nodiscard]] int ReadPlanCsvFile(const std::filesystem::path& file, int type,
                                  const LanguageTable& table, Feedback& feedback, PlanGrid& grid);

// The editor's "Export CSV…": the save check, then a file chosen through the feedback
// (proposed: the plan name and ".csv"). The writer's code; 1 when the check failed or the
// dialog was cancelled.
int ExportPlanCsv(PlanEditorSession& session, Feedback& feedback);
// The editor's "Import CSV…": the question of entry 79, a file chosen through the feedback,
// then the reader with the editor's type; the plan read becomes the editor's plan, saved
// through the Save As dialog. The reader's code; kCsvCancelled when declined or cancelled.
int ImportPlanCsv(PlanEditorSession& session, const LanguageTable& table, Feedback& feedback);

}  // namespace zv318
