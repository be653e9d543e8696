#include "app/ctl_csv.h"

#include <iostream>
#include <optional>

#include "loggers/logger_csv.h"
#include "loggers/logger_procedures.h"
#include "plans/plan_csv.h"
#include "plans/plan_model.h"
#include "texts/fields.h"
#include "texts/output_path.h"

namespace zv318 {

const char kCsvUsage[] =
    "  loggers csv FILE.lograd|FILE.logplc [-o OUT.csv]\n"
    "  loggers csv radio|plc ROW -o OUT.csv\n"
    "                              a logger (a file, or row ROW of the instrument's table) as CSV\n"
    "  plans csv FILE.c318 [-o OUT.csv]\n"
    "                              a channel plan file as CSV (standard output without -o)\n"
    "  plans from-csv IN.csv --type radio|plc -o FILE.c318\n"
    "                              a channel plan file from CSV, every row checked\n";

namespace {

constexpr int kDone = 0, kFailed = 1, kUsage = 2, kNotConnected = 3;

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
    PrintData(text);
    return std::cout ? kDone : kFailed;
}

// -o OUT, when given, may be written: never over the command's own input, never over another
// file without the question.
bool OutputAllowed(TerminalFeedback& feedback, const Arguments& a,
                   const std::vector<std::string>& inputs) {
    return !a.out || MayWriteOutputAsking(feedback, PathFromText(*a.out), inputs);
}

int PlanToCsv(TerminalFeedback& feedback, const Arguments& a) {
    if (a.type || a.positional.size() != 1) return Usage();
    if (!OutputAllowed(feedback, a, a.positional)) return kFailed;
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
    if (!OutputAllowed(feedback, a, a.positional)) return kFailed;
    PlanGrid grid;
    if (ReadPlanCsvFile(a.positional[0], type, table, feedback, grid) != kCsvRead) return kFailed;
    // A field table that names the other type: the plan is not what was asked for.
    if (TypeFromLabel(grid.typeLabel()) != type) {
        feedback.showMessage(kMessageOtherPlanType);
        return kFailed;
    }
    return DesaCanalitzacio(grid, *a.out, feedback) == kPlanWritten ? kDone : kFailed;
}

// A logger file, or a listed logger downloaded from the instrument, as CSV.
int LoggerToCsv(Link& link, TerminalFeedback& feedback, const LanguageTable& table,
                const std::filesystem::path& programFolder, const Arguments& a) {
    if (a.type) return Usage();
    LoggerProcedures loggers(link, feedback, table, programFolder);
    if (a.positional.size() == 1) {
        const int read = ReadLoggerFileAt(a.positional[0], loggers.logger(), feedback);
        if (read != kLoggerFileRead) {
            feedback.showMessage(read == kNotALoggerFile ? 11 : 26);
            return kFailed;
        }
    } else if (a.positional.size() == 2 && a.out) {
        const std::string& word = a.positional[0];
        const int type = word == "radio" ? kRadioPlan : word == "plc" ? kPlcPlan : 0;
        const std::optional<std::int64_t> listed = DigitsField(a.positional[1], 999);
        if (type == 0 || !listed) return Usage();
        const int row = static_cast<int>(*listed);
        const LoggerOutcome received = loggers.ReceiveLoggers(type);
        if (received == LoggerOutcome::NotConnected) return kNotConnected;
        if (received != LoggerOutcome::Done || feedback.showed(29)) return kFailed;
        if (row < 1 || row > loggers.table().ListedLoggerCount()) {
            std::cerr << "row " << row << " lists no logger (the table lists "
                      << loggers.table().ListedLoggerCount() << ")\n";
            return kFailed;
        }
        const int loaded = loggers.LoadLogger(row);
        if (loaded == kLoggerLost) return kNotConnected;
        if (loaded != kLoggerLoaded) {
            feedback.showMessage(26);
            return kFailed;
        }
    } else {
        return Usage();
    }
    if (!a.out) return Print(LoggerCsvText(loggers.logger()));
    // A file's logger: the file is the input; a listed logger has none on this computer.
    if (!OutputAllowed(feedback, a,
                       a.positional.size() == 1 ? a.positional : std::vector<std::string>{}))
        return kFailed;
    return WriteLoggerCsv(loggers.logger(), *a.out, feedback) == kLoggerCsvWritten ? kDone
                                                                                   : kFailed;
}

}  // namespace

bool IsCsvCommand(const std::vector<std::string>& args) {
    if (args.size() < 2) return false;
    return (args[0] == "plans" && (args[1] == "csv" || args[1] == "from-csv")) ||
           (args[0] == "loggers" && args[1] == "csv");
}

int CsvCommand(Link& link, TerminalFeedback& feedback, const LanguageTable& table,
               const std::filesystem::path& programFolder, const std::vector<std::string>& args) {
    if (!IsCsvCommand(args)) return Usage();
    const Arguments a = Parse(args, 2);
    if (a.bad) return Usage();
    if (args[0] == "loggers") return LoggerToCsv(link, feedback, table, programFolder, a);
    if (args[1] == "csv") return PlanToCsv(feedback, a);
    return PlanFromCsv(feedback, table, a);
}

}  // namespace zv318
