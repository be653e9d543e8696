#include "app/ctl_csv.h"

#include <iostream>
#include <optional>

#include "plans/plan_csv.h"
#include "plans/plan_model.h"

namespace zv318 {

const char kCsvUsage[] =
    "  plans csv FILE.c318 [-o OUT.csv]\n"
    "                              a channel plan file as CSV (standard output without -o)\n"
    "  plans from-csv IN.csv --type radio|plc -o FILE.c318\n"
    "                              a channel plan file from CSV, every row checked\n";

namespace {

constexpr int kDone = 0, kFailed = 1, kUsage = 2;

// The arguments after the command words: positional ones, and the value of each option.
struct Arguments {
    std::vector<std::string> positional;
    std::optional<std::string> out, type;
    bool bad = false;
};

Arguments Parse(const std::vector<std::string>& args, std::size_t from) {
    Arguments a;
    for (std::size_t k = from; k < args.size(); ++k) {
        std::optional<std::string>* option = args[k] == "-o"       ? &a.out
                                             : args[k] == "--type" ? &a.type
                                                                   : nullptr;
        if (!option) {
            a.positional.push_back(args[k]);
        } else if (k + 1 >= args.size() || *option) {
            a.bad = true;
        } else {
            *option = args[++k];
        }
    }
    return a;
}

int Usage() {
    std::cerr << "usage: zv318ctl\n" << kCsvUsage;
    return kUsage;
}

// The CSV text on the standard output without -o.
int Print(const std::string& text) {
    std::cout << text << std::flush;
    return std::cout ? kDone : kFailed;
}

int PlanToCsv(TerminalFeedback& feedback, const Arguments& a) {
    if (a.type || a.positional.size() != 1) return Usage();
    PlanGrid grid;
    if (ReadChannelPlanFile(a.positional[0], grid, feedback) != kPlanRead) return kFailed;
    std::optional<std::string> text = PlanCsvText(grid);
    if (!text) return kFailed;
    if (!a.out) return Print(*text);
    return WritePlanCsv(grid, *a.out, feedback) == kCsvWritten ? kDone : kFailed;
}

int PlanFromCsv(TerminalFeedback& feedback, const LanguageTable& table, const Arguments& a) {
    if (a.positional.size() != 1 || !a.out || !a.type) return Usage();
    const int type = *a.type == "radio" ? kRadioPlan : *a.type == "plc" ? kPlcPlan : 0;
    if (type == 0) return Usage();
    PlanGrid grid;
    if (ReadPlanCsvFile(a.positional[0], type, table, feedback, grid) != kCsvRead) return kFailed;
    // A field table that names the other type: the plan is not what was asked for.
    if (TypeFromLabel(grid.typeLabel()) != type) {
        feedback.showMessage(kMessageOtherPlanType);
        return kFailed;
    }
    return DesaCanalitzacio(grid, *a.out, feedback) == kPlanWritten ? kDone : kFailed;
}

}  // namespace

bool IsCsvCommand(const std::vector<std::string>& args) {
    return args.size() >= 2 && args[0] == "plans" && (args[1] == "csv" || args[1] == "from-csv");
}

int CsvCommand(Link& /*link*/, TerminalFeedback& feedback, const LanguageTable& table,
               const std::filesystem::path& /*programFolder*/,
               const std::vector<std::string>& args) {
    if (!IsCsvCommand(args)) return Usage();
    const Arguments a = Parse(args, 2);
    if (a.bad) return Usage();
    if (args[1] == "csv") return PlanToCsv(feedback, a);
    return PlanFromCsv(feedback, table, a);
}

}  // namespace zv318
