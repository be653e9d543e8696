#include "app/ctl_loggers.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <set>

#include "loggers/logger_procedures.h"
#include "texts/output_path.h"

#ifdef ZV318_CTL_WRITES_PDF
#include "app/ctl_print_pdf.h"
#endif

namespace zv318 {

const char kLoggersUsage[] =
    "  loggers list radio|plc      receive the logger index; print the logger table\n"
    "  loggers save radio|plc [ROW...] [--as PATH]\n"
    "                              save the listed loggers (all when no ROW is given) into\n"
    "                              Loggers/ under their names, or as PATH_NAME.lograd|.logplc\n"
    "                              (PATH without its extension); a file of other content is\n"
    "                              replaced only with --yes\n"
    "  loggers show FILE           print a logger file's header and records\n"
    "  loggers print radio|plc ROW... --pdf OUT | loggers print FILE --pdf OUT\n"
    "                              print loggers into one PDF, each from a page of its own\n";

namespace {

constexpr int kDone = 0, kFailed = 1, kUsage = 2, kNotConnected = 3;

int Usage(const std::string& why) {
    std::cerr << why << '\n' << kLoggersUsage;
    return kUsage;
}

int TypeOf(const std::string& word) {
    if (word == "radio") return kRadioLogger;
    if (word == "plc") return kPlcLogger;
    return 0;
}

int FromOutcome(LoggerOutcome outcome) {
    switch (outcome) {
        case LoggerOutcome::Done:
            return kDone;
        case LoggerOutcome::NotConnected:
            return kNotConnected;
        default:
            return kFailed;
    }
}

struct Arguments {
    int type = 0;
    std::string file;       // a logger file instead of a type
    std::vector<int> rows;  // as given
    std::string as, pdf;
    bool bad = false;
    std::string why;
};

Arguments Parse(const std::vector<std::string>& args, bool fileAllowed) {
    Arguments a;
    for (std::size_t i = 2; i < args.size(); ++i) {
        const std::string& w = args[i];
        if ((w == "--as" || w == "--pdf") && i + 1 < args.size()) {
            (w == "--as" ? a.as : a.pdf) = args[++i];
        } else if (i == 2 && TypeOf(w) != 0) {
            a.type = TypeOf(w);
        } else if (i == 2 && fileAllowed) {
            a.file = w;
        } else if (i > 2 && !w.empty() && w.find_first_not_of("0123456789") == std::string::npos) {
            int row = 0;
            if (std::from_chars(w.data(), w.data() + w.size(), row).ec != std::errc{}) {
                a.bad = true;
                a.why = "row " + w + " is out of range";
            }
            a.rows.push_back(row);
        } else {
            a.bad = true;
            a.why = "unexpected argument " + w;
        }
    }
    if (a.type == 0 && a.file.empty() && !a.bad) {
        a.bad = true;
        a.why = "radio or plc expected";
    }
    return a;
}

int Receive(LoggerProcedures& loggers, TerminalFeedback& feedback, const LanguageTable& table,
            int type) {
    const LoggerOutcome outcome = loggers.ReceiveLoggers(type);
    if (outcome == LoggerOutcome::NotConnected) {
        const std::string& text = table.entry(15);
        std::cout << (text.empty() ? "ZV-318 not connected" : text) << '\n';
        return kNotConnected;
    }
    if (feedback.showed(29)) return kFailed;
    return FromOutcome(outcome);
}

// The rows given must be listed ones.
bool RowsListed(const LoggerProcedures& loggers, const std::vector<int>& rows) {
    for (int r : rows) {
        if (r < 1 || r > loggers.table().ListedLoggerCount()) {
            std::cerr << "row " << r << " lists no logger (the table lists "
                      << loggers.table().ListedLoggerCount() << ")\n";
            return false;
        }
    }
    return true;
}

void PrintTable(const LoggerProcedures& loggers) {
    std::printf("%-4s %-4s %-12s %-8s %-10s %-8s %7s  %s\n", "ROW", "SLOT", "NAME", "TIME", "DATE",
                "PLAN", "RECORDS", "THRESHOLD");
    const LoggerTable& t = loggers.table();
    for (int r = 1; r <= t.ListedLoggerCount(); ++r) {
        const LoggerIndexEntry& e = loggers.entry(t.LoggerRowMap(r));
        std::printf("%-4d %-4d %-12s %-8s %-10s %-8s %7d  %d %s\n", r, t.LoggerRowMap(r),
                    TerminalText(t.cell(r, 1)).c_str(), TerminalText(t.cell(r, 2)).c_str(),
                    TerminalText(t.cell(r, 3)).c_str(), TerminalText(e.planName).c_str(),
                    static_cast<int>(e.recordCount), static_cast<int>(e.threshold),
                    TerminalText(e.levelUnit).c_str());
    }
    std::fflush(stdout);
}

void PrintLogger(const OpenLogger& lg) {
    std::cout << "type:      " << TerminalText(lg.typeText) << '\n'
              << "name:      " << TerminalText(lg.name) << '\n'
              << "plan:      " << TerminalText(lg.planName) << '\n'
              << "date:      " << TerminalText(lg.date) << '\n'
              << "time:      " << TerminalText(lg.time) << '\n'
              << "threshold: " << TerminalText(lg.thresholdText) << '\n'
              << "records:   " << lg.records.size() << '\n';
    int row = 1;
    for (const LoggerRecordRow& r : lg.records)
        std::printf("%4d  %-6s %10s MHz %10s MHz  %s\n", row++, TerminalText(r.channel).c_str(),
                    TerminalText(r.frequency).c_str(), TerminalText(r.bandwidth).c_str(),
                    TerminalText(r.power).c_str());
    std::fflush(stdout);
}

#ifdef ZV318_CTL_WRITES_PDF
int Print(LoggerProcedures& loggers, TerminalFeedback& feedback, const LanguageTable& table,
          const Arguments& a) {
    if (a.pdf.empty()) return Usage("--pdf OUT expected");
    if (a.file.empty() == a.rows.empty())
        return Usage(a.file.empty() ? "ROW... expected"
                                    : "rows go with radio or plc, not with a file");
    if (!MayWriteOutputAsking(feedback, PathFromText(a.pdf),
                              a.file.empty() ? std::vector<std::string>{}
                                             : std::vector<std::string>{a.file}))
        return kFailed;
    if (!a.file.empty()) {
        const int read = ReadLoggerFileAt(a.file, loggers.logger(), feedback);
        if (read != kLoggerFileRead) {
            feedback.showMessage(read == kNotALoggerFile ? 11 : 26);
            return kFailed;
        }
        return FromOutcome(PrintLoggersToPdf(loggers, false, a.pdf));
    }
    if (int status = Receive(loggers, feedback, table, a.type)) return status;
    if (!RowsListed(loggers, a.rows)) return kFailed;
    // The rows given are marked "YES", as a person marks them in the table.
    for (int r : std::set<int>(a.rows.begin(), a.rows.end()))
        loggers.table().LoggerIndexMouseUp(LoggerTable::kMarkColumn, r, true);
    return FromOutcome(PrintLoggersToPdf(loggers, true, a.pdf));
}
#endif

}  // namespace

int LoggersCommand(Link& link, TerminalFeedback& feedback, const LanguageTable& table,
                   const std::filesystem::path& programFolder,
                   const std::vector<std::string>& args) {
    if (args.size() < 3) return Usage("loggers: a command and its arguments expected");
    const std::string& what = args[1];
    LoggerProcedures loggers(link, feedback, table, programFolder);

    if (what == "show" && args.size() == 3) {
        const int read = ReadLoggerFileAt(args[2], loggers.logger(), feedback);
        if (read != kLoggerFileRead) {
            feedback.showMessage(read == kNotALoggerFile ? 11 : 26);
            std::cout << read << '\n';
            return kFailed;
        }
        PrintLogger(loggers.logger());
        return kDone;
    }
    const Arguments a = Parse(args, what == "print");
    if (a.bad) return Usage(a.why);
    if (what == "list" && a.rows.empty() && a.as.empty() && a.pdf.empty()) {
        const int status = Receive(loggers, feedback, table, a.type);
        if (status == kDone) PrintTable(loggers);
        return status;
    }
    if (what == "save" && a.pdf.empty()) {
        if (int status = Receive(loggers, feedback, table, a.type)) return status;
        if (!RowsListed(loggers, a.rows)) return kFailed;
        std::vector<int> rows = a.rows;
        if (rows.empty())
            for (int r = 1; r <= loggers.table().ListedLoggerCount(); ++r) rows.push_back(r);
        loggers.onSaved = [](const std::string& path) {
            std::cout << "saved " << TerminalText(path) << '\n';
        };
        if (!a.as.empty()) {
            feedback.giveFile(a.as);
            return FromOutcome(loggers.SaveLoggersAs(rows));
        }
        return FromOutcome(loggers.SaveLoggers(rows));
    }
#ifdef ZV318_CTL_WRITES_PDF
    if (what == "print" && a.as.empty()) return Print(loggers, feedback, table, a);
#endif
    return Usage("loggers: unknown command or arguments");
}

}  // namespace zv318
