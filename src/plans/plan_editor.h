#pragma once
// The editor's rules on the plan grid (row checks, the sort, inserting and deleting channels,
// the state toggle) and its commands (new plans, opening, saving, the close question), free
// of any window: the editor window routes the mouse, the keys and its menus here and shows
// what they report.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "link/feedback.h"
#include "link/link.h"
#include "plans/plan_list.h"
#include "plans/plan_model.h"

namespace zv318 {

// What a rule found wrong: the message to show (0 when nothing is wrong) and the cell at fault
// (row 0 when no single row is to blame).
struct GridFault {
    int message = 0;
    int row = 0;
    int column = 0;
    explicit operator bool() const { return message != 0; }
    bool operator==(const GridFault&) const = default;
};

// The program's own messages of the editor.
inline constexpr int kMessageEmptyPlanName = 110;       // a plan name cannot be empty
inline constexpr int kMessageBlankInPlanName = 111;     // a plan name is one word
inline constexpr int kMessageNameNotAFileName = 101;    // the name could not name its copy
inline constexpr int kMessageCommaInChannelName = 112;  // a comma would split the file line
// A channel name holding a control character (a line break, a tab, a NUL).
inline constexpr int kMessageControlInChannelName = 250;
// A plan name holding "&", which separates the fields of the logger headers that quote it.
inline constexpr int kMessageAmpersandInPlanName = 542;

// The longest plan name the rename dialog keeps.
inline constexpr int kMaxPlanNameLength = 5;
// The longest channel name the row check lets pass (bytes, as the file and the instrument
// hold them).
inline constexpr std::size_t kMaxChannelNameLength = 4;
// Inserting stops at this many channels, so that insertion never builds a plan that cannot be
// saved; a file of 150 channels still opens and saves.
inline constexpr int kMaxInsertableChannels = 149;

// ---- the grid rules --------------------------------------------------------------------------

// Checks one channel row against the limits of the grid's type: 19 (name longer than 4, column
// 1), 112 (a comma in the name, column 1), 250 (a control character in the name, column 1), 20
// (frequency not a number or out of range, column 2), 21 (bandwidth, column 3), 22 (state
// neither "ON" nor "OFF", column 4); 25 when the type label is neither RADIO nor PLC. A number
// may have "," as its decimal separator; "474.0.25" is no number.
[[nodiscard]] GridFault ComprovaFila(const PlanGrid& grid, int row);
// Stores the text a person typed into a cell. A frequency or bandwidth within the type's limits
// is stored in the grid's own form ("476,5" becomes "476.5000"), so the cell shows what a save
// writes; anything else is kept as typed for the row check to refuse.
void TakeTypedCell(PlanGrid& grid, int row, int column, std::string text);
// ComprovaFila for rows 1 to N in order; the first failure.
[[nodiscard]] GridFault Repassa(const PlanGrid& grid);
// Sorts the rows by frequency, columns 1 to 4 and the flags moving together, the row numbers
// staying: 0 when sorted, the row k whose frequency equals row k - 1's (the moves made so far
// stay), -200 for more than 150 rows. At the end every flag follows its state cell.
[[nodiscard]] int Ordena(PlanGrid& grid);
// The check before every save: the sort (24 for too many rows, 23 at the row of an equal
// frequency), then Repassa.
[[nodiscard]] GridFault MiraSiPotsDesar(PlanGrid& grid);
// "Sort channels": the sort; 23 for any failure.
[[nodiscard]] GridFault SortChannels(PlanGrid& grid);
// Copies columns 1 to 4 and the flag of one row to another.
void CopiaCanal(PlanGrid& grid, int source, int target);
// Inserts a channel below `row` with the automatic frequency and the bandwidth and state of
// `row`; 24 when the grid holds 149 channels or more, 25 for a type other than RADIO or PLC.
// Rows outside 1 to N change nothing.
[[nodiscard]] GridFault InsertChannel(PlanGrid& grid, int row);
// Deletes the channel of `row`; nothing when it is the only channel or outside 1 to N.
void DeleteChannel(PlanGrid& grid, int row);
// Turns the state cell of a row: "ON" becomes "OFF" with its flag set, anything else "ON".
void ToggleState(PlanGrid& grid, int row);
// "Active all" (true) / "Unactive all" (false).
void SetAllStates(PlanGrid& grid, bool active);

// How the editor answers the choice of a cell.
enum class CellChoice {
    Refused,  // the row being left fails its check (see the fault), or the row-number column
    Toggled,  // a state cell was clicked: its state turned, the cell itself not chosen
    Allowed,  // the cell may become the current cell
};
struct CellChoiceResult {
    CellChoice choice = CellChoice::Refused;
    GridFault fault;  // why the row being left was refused
};
// TaulaCanalsSelectCell: `leftRow` is the row the person worked on last (checked when it is a
// channel row); column 0 is refused; a state cell toggles when `toggleState` (the mouse) and is
// otherwise allowed (the keyboard moves onto it and toggles it with Space).
[[nodiscard]] CellChoiceResult TaulaCanalsSelectCell(PlanGrid& grid, int leftRow, int row,
                                                     int column, bool toggleState);

// The refusal of a plan name a person types or imports: 110 when empty, 111 when it holds white
// space (the file reader reads the name as one word), 542 when it holds "&" (a logger header
// quoting it would split there); 0 when the name may be taken.
[[nodiscard]] int PlanNameRefusal(std::string_view name);

// ---- the editor's commands -----------------------------------------------------------------

// The plan in the editor with the commands of its File menu and of the main window's entry
// points. One object for the whole run: `CurrentPlanFile` and the save dialog's last name live
// as long as it does.
class PlanEditorSession {
public:
    PlanEditorSession(Feedback& feedback, PlanFiles& files);

    [[nodiscard]] PlanGrid& plan() { return plan_; }
    [[nodiscard]] const PlanGrid& plan() const { return plan_; }

    // The file "Save channel plan" writes to; empty when the next save asks for a file. A plan
    // opened from a ".c318" file sets it to that file, a new plan or an instrument copy empties
    // it, so one plan is never written over another plan's file without the Save As dialog.
    [[nodiscard]] const std::string& CurrentPlanFile() const { return currentPlanFile_; }

    // A new plan of the type (RADIO when `radio`); with `askFirst` only after Yes to the
    // question (entry 79). False when declined.
    bool NewChannelPlan(bool askFirst, bool radio, const std::string& name = kNewPlanName);
    // Reads a plan into the editor: source < 0 from the open dialog, else the ".temp" copy of
    // that list entry. The reader's result code.
    int OpenChannelPlanFile(int source);
    // Reads a plan file named by the caller (the command line): a ".c318" file as from the
    // open dialog (message 11 and 12 for another extension), which becomes the current file.
    int OpenPlanFile(const std::filesystem::path& file);
    // A plan read from elsewhere than a plan file (a CSV import) becomes the editor's plan;
    // its first save asks for a file.
    void TakePlan(PlanGrid plan);
    // "Load channel plan": true when the editor stays open (the question answered No, or a
    // plan read); false when it must close (the dialog cancelled or the file refused).
    bool Loadchannelplan();

    // Whether the plan differs from what was last opened, made new or saved (a plan taken from
    // elsewhere, a CSV import, counts as changed until it is saved).
    [[nodiscard]] bool Changed() const;
    // MiraSiPotsDesar, showing the failure (Marca).
    [[nodiscard]] bool MayBeSaved();
    // The choice of the file and the writing: 0 written, 1 Save As cancelled, -9, -11, -14,
    // -15 as the writer gives them.
    int DesaCanalitzacio(bool saveAs);
    // "Save channel plan" (false) / "Save channel plan as" (true): the check, then the save.
    // True when the file was written.
    bool Save(bool saveAs);
    // The close question (entry 117): true when the window may close.
    bool FormCloseQuery();

    // Shows a fault's message and hands the cell to `markCell` (the window selects it).
    void Marca(const GridFault& fault);
    std::function<void(const GridFault&)> markCell;

private:
    // The plan as last opened, made new or saved (GridContent); empty: never saved.
    std::string keptContent_;
    void Keep();
    Feedback& feedback_;
    PlanFiles& files_;
    PlanGrid plan_ = PlanGrid::NewPlan(kRadioPlan);
    std::string currentPlanFile_;
    std::string saveDialogName_;  // what the save dialog holds: proposed the next time
};

// The main window's double-click on the plan list: selects RADIO and then PLC plans ("*EC01",
// "*EC02", each followed by the plan count) and gives the first selected list position among
// the plans counted; nothing when the instrument holds no plans or no entry is selected.
// Message 7 when the instrument is absent or vanishes.
[[nodiscard]] std::optional<int> PlanToEdit(Link& link, Feedback& feedback,
                                            const PlanListView& list);

}  // namespace zv318
