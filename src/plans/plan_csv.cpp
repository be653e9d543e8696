#include "plans/plan_csv.h"

#include <algorithm>
#include <map>
#include <vector>

#include "texts/csv.h"
#include "texts/fields.h"
#include "texts/text_file.h"

namespace zv318 {

namespace {

constexpr const char* kColumns[] = {"channel", "name", "frequency_mhz", "bandwidth_mhz", "state"};

std::string Lower(std::string_view text) {
    std::string lower(TrimCsvBlanks(text));
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

std::string Upper(std::string_view text) {
    std::string upper(TrimCsvBlanks(text));
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

// The text of a number field with "." as its decimal mark: a "," is one only when the file is
// separated by ";". Nothing when it is not a plain decimal number ("50.0 MHz", "1e3",
// "474.0.25", "").
std::optional<std::string> NumberField(std::string_view field, char separator) {
    if (separator != ';' && field.find(',') != std::string_view::npos) return std::nullopt;
    return TypedMHzText(TrimCsvBlanks(field));
}

class Refusal {
public:
    Refusal(const LanguageTable& table, Feedback& feedback) : table_(table), feedback_(feedback) {}
    // Shows the message and the notice naming the line; the import's result code.
    int at(int line, int message) const {
        feedback_.showMessage(message);
        std::string notice = table_.entry(kEntryRefusedCsvLine);
        if (notice.empty()) notice = "Line %1 of the CSV file is refused; nothing was imported.";
        feedback_.showNotice(FillIn(notice, {std::to_string(line)}));
        return 1000 * line + message;
    }

private:
    const LanguageTable& table_;
    Feedback& feedback_;
};

const std::string& FieldAt(const CsvRecord& record, int column) {
    static const std::string kEmpty;
    if (column < 0 || static_cast<std::size_t>(column) >= record.fields.size()) return kEmpty;
    return record.fields[static_cast<std::size_t>(column)];
}

}  // namespace

std::optional<std::string> PlanCsvText(const PlanGrid& grid) {
    if (TypeFromLabel(grid.typeLabel()) == 0) return std::nullopt;
    // Names go out so that no spreadsheet runs them as formulas (CsvRow); the import gives
    // them back.
    std::string text = CsvRow({"field", "value"}) + CsvRow({"type", grid.typeLabel()}) +
                       CsvRow({"name", grid.planName()}) + "\r\n";
    text += CsvRow({std::begin(kColumns), std::end(kColumns)});
    for (int r = 1; r <= grid.rowCount(); ++r) {
        text += CsvRow({std::to_string(r), grid.cell(r, PlanGrid::kNameColumn),
                        HzToMHzText(CellToHz(grid.cell(r, PlanGrid::kFrequencyColumn))),
                        HzToMHzText(CellToHz(grid.cell(r, PlanGrid::kBandwidthColumn))),
                        grid.cell(r, PlanGrid::kStateColumn)});
    }
    return text;
}

int WritePlanCsv(const PlanGrid& grid, const std::filesystem::path& file, Feedback& feedback) {
    std::optional<std::string> text = PlanCsvText(grid);
    if (!text) {
        feedback.showMessage(25);
        return kCsvBadTypeLabel;
    }
    WriteFailure why = WriteFailure::Other;
    if (!WriteFileAtomically(file, *text, &why)) {
        feedback.showMessage(kMessageCsvNotWritten);
        if (const int cause = WriteFailureMessage(why)) feedback.showMessage(cause);
        return kCsvCannotCreate;
    }
    return kCsvWritten;
}

int ReadPlanCsv(std::string_view text, int type, const LanguageTable& table, Feedback& feedback,
                PlanGrid& grid) {
    const Refusal refuse(table, feedback);
    const CsvTable csv = ReadCsv(text);
    std::vector<const CsvRecord*> records;
    for (const CsvRecord& record : csv.records)
        if (!record.blank()) records.push_back(&record);
    // A quote never closed swallows the rest of the file: whatever was read before it is
    // not the whole plan.
    if (csv.unclosedQuoteLine != 0) return refuse.at(csv.unclosedQuoteLine, kMessageBadCsv);

    std::size_t next = 0;
    std::string name = "NEW";
    std::string longName;  // the name as the file holds it, when it was longer than a name is
    // The field table: "field,value" and its rows, up to the column header row (the first
    // row with a "frequency_mhz" field).
    auto isColumnHeader = [](const CsvRecord& record) {
        return std::any_of(record.fields.begin(), record.fields.end(),
                           [](const std::string& f) { return Lower(f) == "frequency_mhz"; });
    };
    const CsvRecord* first = records.empty() ? nullptr : records.front();
    if (first && Lower(FieldAt(*first, 0)) == "field" && Lower(FieldAt(*first, 1)) == "value") {
        for (++next; next < records.size() && !isColumnHeader(*records[next]); ++next) {
            const CsvRecord& row = *records[next];
            const std::string key = Lower(FieldAt(row, 0));
            const std::string value = CsvTextFromSafe(FieldAt(row, 1));
            if (key == "type") {
                type = TypeFromLabel(Upper(value));
                if (type == 0) return refuse.at(row.line, 25);
            } else if (key == "name") {
                if (const int refusal = PlanNameRefusal(value)) return refuse.at(row.line, refusal);
                // Shortened as the rename dialog takes a name, by characters (never inside
                // one), and the person is told.
                name = std::string(FirstCharacters(value, kMaxPlanNameLength));
                longName = name == value ? std::string{} : value;
            }
        }
    }
    if (next >= records.size()) {
        feedback.showMessage(kMessageNotAPlanCsv);
        return kCsvNotAPlan;
    }

    // The column header row, in any order of the columns.
    std::map<std::string, int> at;
    const CsvRecord& header = *records[next++];
    for (std::size_t k = 0; k < header.fields.size(); ++k)
        at.emplace(Lower(header.fields[k]), static_cast<int>(k));
    for (const char* needed : {"name", "frequency_mhz", "bandwidth_mhz", "state"}) {
        if (!at.contains(needed)) {
            feedback.showMessage(kMessageNotAPlanCsv);
            return kCsvNotAPlan;
        }
    }
    const int nameAt = at["name"], frequencyAt = at["frequency_mhz"],
              bandwidthAt = at["bandwidth_mhz"], stateAt = at["state"];
    const std::size_t count = records.size() - next;
    if (count == 0) {
        feedback.showMessage(kMessageNotAPlanCsv);
        return kCsvNotAPlan;
    }

    PlanGrid read = PlanGrid::NewPlan(type);
    if (!LimitsFor(type)) return refuse.at(header.line, 25);
    read.setPlanName(name);
    read.setFileLabel("");
    read.setRowCount(0);
    std::vector<int> lines;  // the CSV line of each row as read
    for (; next < records.size(); ++next) {
        const CsvRecord& record = *records[next];
        const int r = read.rowCount() + 1;
        if (r > kMaxFileChannels) return refuse.at(record.line, 24);
        read.setRowCount(r);
        lines.push_back(record.line);
        read.setCell(r, PlanGrid::kRowColumn, std::to_string(r));
        read.setCell(r, PlanGrid::kNameColumn, CsvTextFromSafe(FieldAt(record, nameAt)));
        const std::optional<std::string> frequency =
            NumberField(FieldAt(record, frequencyAt), csv.separator);
        if (!frequency) return refuse.at(record.line, 20);
        read.setCell(r, PlanGrid::kFrequencyColumn, *frequency);
        const std::optional<std::string> bandwidth =
            NumberField(FieldAt(record, bandwidthAt), csv.separator);
        if (!bandwidth) return refuse.at(record.line, 21);
        read.setCell(r, PlanGrid::kBandwidthColumn, *bandwidth);
        const std::string state = Upper(FieldAt(record, stateAt));
        read.setCell(r, PlanGrid::kStateColumn,
                     state == "ON" || state == "OFF" ? state : FieldAt(record, stateAt));
        if (const GridFault fault = ComprovaFila(read, r))
            return refuse.at(record.line, fault.message);
        // The grid shows what a save would write.
        for (int column : {PlanGrid::kFrequencyColumn, PlanGrid::kBandwidthColumn})
            read.setCell(r, column, HzToMHzText(MHzTextToHz(read.cell(r, column))));
    }
    // The editor's sort; two channels on one frequency name the later of their lines.
    if (const GridFault fault = MiraSiPotsDesar(read)) {
        const std::string& equal = read.cell(fault.row, PlanGrid::kFrequencyColumn);
        int line = 0;
        bool seen = false;
        for (const CsvRecord* record : records) {
            if (record->line < lines.front()) continue;
            const std::optional<std::string> f =
                NumberField(FieldAt(*record, frequencyAt), csv.separator);
            if (!f || HzToMHzText(MHzTextToHz(*f)) != equal) continue;
            if (seen) {
                line = record->line;
                break;
            }
            seen = true;
        }
        return refuse.at(line, fault.message);
    }
    grid = std::move(read);
    if (!longName.empty()) {
        std::string notice = table.entry(kEntryPlanNameShortened);
        if (notice.empty())
            notice =
                "The channel plan name \"%1\" is longer than %2 characters; the plan was "
                "named \"%3\".";
        feedback.showNotice(
            FillIn(notice, {longName, std::to_string(kMaxPlanNameLength), grid.planName()}));
    }
    return kCsvRead;
}

int ReadPlanCsvFile(const std::filesystem::path& file, int type, const LanguageTable& table,
                    Feedback& feedback, PlanGrid& grid) {
    ReadRefusal why{};
    std::optional<std::string> text = ReadWholeFile(file, kCsvFileMaxBytes, &why);
    if (!text) {
        feedback.showMessage(ReadRefusalMessage(why));
        return kCsvUnreadable;
    }
    return ReadPlanCsv(*text, type, table, feedback, grid);
}

int ExportPlanCsv(PlanEditorSession& session, Feedback& feedback) {
    if (!session.MayBeSaved()) return 1;
    std::optional<std::string> chosen =
        feedback.chooseFile(FileRequest{FileRequest::ExportCsv,
                                        {},
                                        session.plan().planName() + ".csv",
                                        {session.CurrentPlanFile()}});
    if (!chosen || chosen->empty()) return 1;
    const int result = WritePlanCsv(session.plan(), *chosen, feedback);
    if (result == kCsvWritten) feedback.fileWritten(*chosen);
    return result;
}

int ImportPlanCsv(PlanEditorSession& session, const LanguageTable& table, Feedback& feedback) {
    if (!feedback.askYesNo(79, 37)) return kCsvCancelled;
    std::optional<std::string> chosen =
        feedback.chooseFile(FileRequest{FileRequest::ImportCsv, {}, {}, {}});
    if (!chosen) return kCsvCancelled;
    PlanGrid read;
    const int result =
        ReadPlanCsvFile(*chosen, TypeFromLabel(session.plan().typeLabel()), table, feedback, read);
    if (result == kCsvRead) session.TakePlan(std::move(read));
    return result;
}

}  // namespace zv318
