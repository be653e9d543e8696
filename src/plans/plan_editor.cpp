#include "plans/plan_editor.h"

#include <algorithm>
#include <cstdint>

#include "link/queries.h"
#include "texts/text_file.h"

namespace zv318 {

namespace {

constexpr int kSortTooManyRows = -200;

std::int64_t FrequencyOf(const PlanGrid& grid, int row) {
    return CellToHz(grid.cell(row, PlanGrid::kFrequencyColumn));
}

// The hertz of a typed number that fits `fits`; nothing for a text that is no number or does not.
template <typename Fits>
std::optional<std::int32_t> FittingHz(const std::string& cell, Fits fits) {
    const std::optional<std::string> typed = TypedMHzText(cell);
    if (!typed) return std::nullopt;
    const std::int32_t hz = MHzTextToHz(*typed);
    if (!fits(hz)) return std::nullopt;
    return hz;
}

void SwapRows(PlanGrid& grid, int a, int b) {
    for (int column = PlanGrid::kNameColumn; column <= PlanGrid::kStateColumn; ++column) {
        std::string held = grid.cell(a, column);
        grid.setCell(a, column, grid.cell(b, column));
        grid.setCell(b, column, std::move(held));
    }
    const bool flag = grid.flag(a);
    grid.setFlag(a, grid.flag(b));
    grid.setFlag(b, flag);
}

void NumberRows(PlanGrid& grid) {
    for (int r = 1; r <= grid.rowCount(); ++r)
        grid.setCell(r, PlanGrid::kRowColumn, std::to_string(r));
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

// ---- the grid rules --------------------------------------------------------------------------

GridFault ComprovaFila(const PlanGrid& grid, int row) {
    const std::optional<PlanLimits> limits = LimitsFor(TypeFromLabel(grid.typeLabel()));
    if (!limits) return {25, row, 0};
    const std::string& name = grid.cell(row, PlanGrid::kNameColumn);
    if (name.size() > kMaxChannelNameLength) return {19, row, PlanGrid::kNameColumn};
    if (name.find(',') != std::string::npos)
        return {kMessageCommaInChannelName, row, PlanGrid::kNameColumn};
    if (HoldsControlCharacter(name)) return {kMessageControlInChannelName, row, PlanGrid::kNameColumn};
    const auto frequencyFits = [&](std::int64_t hz) { return limits->frequencyFits(hz); };
    const auto bandwidthFits = [&](std::int64_t hz) { return limits->bandwidthFits(hz); };
    if (!FittingHz(grid.cell(row, PlanGrid::kFrequencyColumn), frequencyFits))
        return {20, row, PlanGrid::kFrequencyColumn};
    if (!FittingHz(grid.cell(row, PlanGrid::kBandwidthColumn), bandwidthFits))
        return {21, row, PlanGrid::kBandwidthColumn};
    const std::string& state = grid.cell(row, PlanGrid::kStateColumn);
    if (state != "ON" && state != "OFF") return {22, row, PlanGrid::kStateColumn};
    return {};
}

void TakeTypedCell(PlanGrid& grid, int row, int column, std::string text) {
    const std::optional<PlanLimits> limits = LimitsFor(TypeFromLabel(grid.typeLabel()));
    std::optional<std::int32_t> hz;
    if (limits && column == PlanGrid::kFrequencyColumn)
        hz = FittingHz(text, [&](std::int64_t v) { return limits->frequencyFits(v); });
    else if (limits && column == PlanGrid::kBandwidthColumn)
        hz = FittingHz(text, [&](std::int64_t v) { return limits->bandwidthFits(v); });
    grid.setCell(row, column, hz ? HzToMHzText(*hz) : std::move(text));
}

GridFault Repassa(const PlanGrid& grid) {
    for (int r = 1; r <= grid.rowCount(); ++r)
        if (GridFault fault = ComprovaFila(grid, r)) return fault;
    return {};
}

int Ordena(PlanGrid& grid) {
    const int n = grid.rowCount();
    if (n > kMaxFileChannels) return kSortTooManyRows;
    bool swapped = true;
    while (swapped) {
        swapped = false;
        for (int k = 2; k <= n; ++k) {
            const std::int64_t above = FrequencyOf(grid, k - 1), here = FrequencyOf(grid, k);
            if (here == above) return k;
            if (here < above) {
                SwapRows(grid, k - 1, k);
                swapped = true;
            }
        }
    }
    for (int r = 1; r <= n; ++r) grid.setFlag(r, grid.cell(r, PlanGrid::kStateColumn) != "ON");
    return 0;
}

GridFault MiraSiPotsDesar(PlanGrid& grid) {
    const int sorted = Ordena(grid);
    if (sorted == kSortTooManyRows) return {24, 0, 0};
    if (sorted != 0) return {23, sorted, PlanGrid::kFrequencyColumn};
    return Repassa(grid);
}

GridFault SortChannels(PlanGrid& grid) {
    const int sorted = Ordena(grid);
    if (sorted == 0) return {};
    return {23, sorted > 0 ? sorted : 0, sorted > 0 ? PlanGrid::kFrequencyColumn : 0};
}

void CopiaCanal(PlanGrid& grid, int source, int target) {
    for (int column = PlanGrid::kNameColumn; column <= PlanGrid::kStateColumn; ++column)
        grid.setCell(target, column, grid.cell(source, column));
    grid.setFlag(target, grid.flag(source));
}

GridFault InsertChannel(PlanGrid& grid, int row) {
    const int before = grid.rowCount();
    if (row < 1 || row > before) return {};
    if (before >= kMaxInsertableChannels) return {24, row, 0};
    const std::optional<PlanLimits> limits = LimitsFor(TypeFromLabel(grid.typeLabel()));
    if (!limits) return {25, row, 0};
    const std::int64_t fmax = limits->highestFrequency;

    grid.setRowCount(before + 1);
    const int added = row + 1;
    for (int r = before + 1; r > added; --r) CopiaCanal(grid, r - 1, r);
    for (int column = PlanGrid::kNameColumn; column <= PlanGrid::kStateColumn; ++column)
        grid.setCell(added, column, "");

    if (!grid.cell(row, PlanGrid::kFrequencyColumn).empty()) {
        const std::int64_t cur = FrequencyOf(grid, row);
        const std::int64_t prev = FrequencyOf(grid, row - 1);
        const std::int64_t next = FrequencyOf(grid, row + 2);
        std::int64_t frequency;
        if (before == 1) {
            frequency = cur + 500'000 < fmax ? cur + 500'000 : fmax;
        } else if (row == 1) {
            frequency = cur + (next - cur) / 2;
        } else {
            const std::int64_t spaced = cur + (cur - prev);
            const bool last = added == grid.rowCount();
            frequency = spaced < next || last ? spaced : cur + (next - cur) / 2;
        }
        if (frequency > fmax) frequency = fmax;
        grid.setCell(added, PlanGrid::kFrequencyColumn, HzToMHzText(frequency));
    }
    grid.setCell(added, PlanGrid::kBandwidthColumn, grid.cell(row, PlanGrid::kBandwidthColumn));
    grid.setCell(added, PlanGrid::kStateColumn, grid.cell(row, PlanGrid::kStateColumn));
    grid.setFlag(added, grid.flag(row));
    NumberRows(grid);
    return {};
}

void DeleteChannel(PlanGrid& grid, int row) {
    const int n = grid.rowCount();
    if (n <= 1 || row < 1 || row > n) return;
    for (int r = row; r < n; ++r) CopiaCanal(grid, r + 1, r);
    grid.setRowCount(n - 1);
    NumberRows(grid);
}

void ToggleState(PlanGrid& grid, int row) {
    const bool off = grid.cell(row, PlanGrid::kStateColumn) == "ON";
    grid.setCell(row, PlanGrid::kStateColumn, off ? "OFF" : "ON");
    grid.setFlag(row, off);
}

void SetAllStates(PlanGrid& grid, bool active) {
    for (int r = 1; r <= grid.rowCount(); ++r) {
        grid.setCell(r, PlanGrid::kStateColumn, active ? "ON" : "OFF");
        grid.setFlag(r, !active);
    }
}

CellChoiceResult TaulaCanalsSelectCell(PlanGrid& grid, int leftRow, int row, int column,
                                       bool toggleState) {
    if (leftRow >= 1 && leftRow <= grid.rowCount())
        if (GridFault fault = ComprovaFila(grid, leftRow)) return {CellChoice::Refused, fault};
    if (column == PlanGrid::kRowColumn || row < 1 || row > grid.rowCount()) return {};
    if (column == PlanGrid::kStateColumn && toggleState) {
        ToggleState(grid, row);
        return {CellChoice::Toggled, {}};
    }
    return {CellChoice::Allowed, {}};
}

int PlanNameRefusal(std::string_view name) {
    if (name.empty()) return kMessageEmptyPlanName;
    for (char c : name)
        if (IsBlank(c)) return kMessageBlankInPlanName;
    if (name.find('&') != std::string_view::npos) return kMessageAmpersandInPlanName;
    // Sending refuses such a name: the copies of the instrument's plans are named after them.
    if (FindFileNameFault(name)) return kMessageNameNotAFileName;
    return 0;
}

// ---- the editor's commands -----------------------------------------------------------------

namespace {

// Everything of a plan a save would write or a person would miss: type, name, cells, flags.
std::string GridContent(const PlanGrid& grid) {
    std::string content = grid.typeLabel() + '\n' + grid.planName() + '\n';
    for (int row = 1; row <= grid.rowCount(); ++row) {
        for (int column = 1; column < PlanGrid::kColumns; ++column)
            content += grid.cell(row, column) + '\t';
        content += grid.flag(row) ? "1\n" : "0\n";
    }
    return content;
}

}  // namespace

PlanEditorSession::PlanEditorSession(Feedback& feedback, PlanFiles& files)
    : feedback_(feedback), files_(files) {}

void PlanEditorSession::Keep() { keptContent_ = GridContent(plan_); }

bool PlanEditorSession::Changed() const {
    return keptContent_.empty() || keptContent_ != GridContent(plan_);
}

bool PlanEditorSession::NewChannelPlan(bool askFirst, bool radio, const std::string& name) {
    if (askFirst && !feedback_.askYesNo(79, 37)) return false;
    plan_ = PlanGrid::NewPlan(radio ? kRadioPlan : kPlcPlan, name);
    currentPlanFile_.clear();
    Keep();
    return true;
}

int PlanEditorSession::OpenChannelPlanFile(int source) {
    const int result = files_.OpenChannelPlanFile(source, plan_);
    if (result == kPlanDialogCancelled) return result;
    // Only a plan file the person chose is saved back to where it came from; a copy of an
    // instrument plan, or a plan that failed to read, is saved through the Save As dialog.
    if (result == kPlanRead && source < 0)
        currentPlanFile_ = files_.chosenFile();
    else
        currentPlanFile_.clear();
    if (result == kPlanRead) Keep();
    else keptContent_.clear();  // what a failed reading left is not a plan on disk
    return result;
}

int PlanEditorSession::OpenPlanFile(const std::filesystem::path& file) {
    if (!file.string().ends_with(".c318")) {
        feedback_.showMessage(11);
        return kPlanWrongExtension;
    }
    const int result = ReadChannelPlanFile(file, plan_, feedback_);
    if (result == kPlanRead) {
        currentPlanFile_ = file.string();
        Keep();
    } else {
        currentPlanFile_.clear();
        keptContent_.clear();
    }
    return result;
}

void PlanEditorSession::TakePlan(PlanGrid plan) {
    plan_ = std::move(plan);
    currentPlanFile_.clear();
    keptContent_.clear();
}

bool PlanEditorSession::Loadchannelplan() {
    if (!feedback_.askYesNo(79, 37)) return true;
    return OpenChannelPlanFile(-1) == kPlanRead;
}

void PlanEditorSession::Marca(const GridFault& fault) {
    feedback_.showMessage(fault.message);
    if (markCell) markCell(fault);
}

bool PlanEditorSession::MayBeSaved() {
    if (GridFault fault = MiraSiPotsDesar(plan_)) {
        Marca(fault);
        return false;
    }
    return true;
}

int PlanEditorSession::DesaCanalitzacio(bool saveAs) {
    if (!saveAs && !currentPlanFile_.empty())
        return zv318::DesaCanalitzacio(plan_, currentPlanFile_, feedback_);
    if (saveDialogName_.empty()) saveDialogName_ = plan_.planName() + ".c318";
    std::optional<std::string> chosen =
        feedback_.chooseFile(FileRequest{FileRequest::SavePlan, {}, saveDialogName_, {}});
    if (!chosen) return 1;
    // A name without extension gets ".c318": Edit and Load list only plan files.
    if (!chosen->empty() && PathFromText(*chosen).extension().empty()) *chosen += ".c318";
    currentPlanFile_ = *chosen;
    if (chosen->empty()) return kPlanNoFileName;
    saveDialogName_ = *chosen;
    const int written = zv318::DesaCanalitzacio(plan_, currentPlanFile_, feedback_);
    // The label names the file Ctrl+S now writes.
    if (written == kPlanWritten) plan_.setFileLabel(currentPlanFile_);
    return written;
}

bool PlanEditorSession::Save(bool saveAs) {
    const bool saved = MayBeSaved() && DesaCanalitzacio(saveAs) == kPlanWritten;
    if (saved) Keep();
    return saved;
}

bool PlanEditorSession::FormCloseQuery() {
    // Nothing to lose: the window closes without a question.
    if (!Changed()) return true;
    switch (feedback_.askYesNoCancel(117, 37)) {
        case Answer::Cancel:
            return false;
        case Answer::No:
            return true;
        case Answer::Yes:
            return Save(false);
    }
    return false;
}

// ---- the main window's list ----------------------------------------------------------------

std::optional<int> PlanToEdit(Link& link, Feedback& feedback, const PlanListView& list) {
    if (!link.FindInstrument()) {
        feedback.showMessage(7);
        return std::nullopt;
    }
    std::int64_t total = 0;
    for (const char* select : {"*EC01", "*EC02"}) {
        (void)link.SendQuery(select);
        total += GetChannelPlanQuantity(link);
        if (!link.IsOpen()) {
            feedback.showMessage(7);
            return std::nullopt;
        }
    }
    if (total <= 0) return std::nullopt;
    const int last = static_cast<int>(std::min<std::int64_t>(total, list.count()));
    for (int position = 0; position < last; ++position)
        if (list.isSelected(position)) return position;
    return std::nullopt;
}

}  // namespace zv318
