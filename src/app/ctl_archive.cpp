#include "app/ctl_archive.h"

#include <QString>
#include <cstdio>
#include <iostream>

#include "app/ctl_archive_server.h"
#include "archive/archive.h"
#include "archive/archive_analysis.h"
#include "archive/archive_location.h"
#include "archive/page_rules.h"
#include "loggers/logger_csv.h"
#include "plans/plan_model.h"
#include "texts/output_path.h"
#include "texts/text_file.h"

namespace zv318 {

const char kArchiveUsage[] =
    "  archive list [--name TEXT] [--type radio|plc] [--since YYYY-MM-DD] [--until YYYY-MM-DD]\n"
    "               [--serial S] [--json]   the archived loggers\n"
    "  archive show ID             an archived logger's header and records\n"
    "  archive export ID -o FILE   .lograd/.logplc: the logger file's exact bytes; .csv: as CSV\n"
    "  archive import FILE...      logger files into the archive\n"
    "  archive compare ID ID [-o FILE.csv]\n"
    "                              two loggers channel by channel (B - A)\n"
    "  archive trend ID [--channel NAME]... [-o FILE.csv]\n"
    "                              the channels' power over every logger of ID's name and type\n"
    "  archive delete ID...        remove loggers from the archive (asks; --yes answers)\n"
    "  archive check               the whole file's integrity check (SQLite)\n"
    "  archive init                make or migrate the archive's tables (the owner, once)\n"
    "  archive sync                send the loggers kept here while the server was away\n"
    "  archive pull [--json]       keep the plugged instrument's loggers the archive lacks;\n"
    "                              print what was kept (exit 0 also when nothing was new)\n"
    "ZV318_ARCHIVE: unset = archive.sqlite in the user's data folder, off = no archive,\n"
    "a path = that SQLite file, postgresql://USER@HOST[:PORT]/DBNAME[?sslmode=...] = the\n"
    "team archive on a PostgreSQL server (the password from ~/.pgpass, PGPASSWORD or the\n"
    "service file, never in the address).\n";

namespace {

constexpr int kDone = 0, kFailed = 1, kUsage = 2;
constexpr int kArchiveCaption = 1471;

int Usage(const std::string& why) {
    std::cerr << why << '\n' << kArchiveUsage;
    return kUsage;
}

std::optional<std::int64_t> Id(const std::string& text) {
    if (text.empty() || text.size() > 18 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return std::stoll(text);
}

struct Options {
    std::vector<std::string> positional;
    std::vector<std::string> channels;
    ArchiveFilter filter;
    std::string out;
    bool json = false;
    std::string bad;
};

Options Parse(const std::vector<std::string>& args) {
    Options o;
    for (std::size_t i = 2; i < args.size(); ++i) {
        const std::string& w = args[i];
        const bool valued = i + 1 < args.size();
        if (w == "--json") {
            o.json = true;
        } else if (valued && (w == "-o" || w == "--name" || w == "--since" || w == "--until" ||
                              w == "--serial" || w == "--channel" || w == "--type")) {
            const std::string& v = args[++i];
            if (w == "-o") o.out = v;
            if (w == "--name") o.filter.name = v;
            if (w == "--since") o.filter.since = v;
            if (w == "--until") o.filter.until = v;
            if (w == "--serial") o.filter.serial = v;
            if (w == "--channel") o.channels.push_back(v);
            if (w == "--type") {
                if (v == "radio")
                    o.filter.type = "RADIO";
                else if (v == "plc")
                    o.filter.type = "PLC";
                else
                    o.bad = "--type radio|plc expected";
            }
        } else if (w.starts_with("--") || w == "-o") {
            o.bad = "unexpected option " + w;
        } else {
            o.positional.push_back(w);
        }
    }
    for (const std::string* day : {&o.filter.since, &o.filter.until}) {
        const std::string& d = *day;
        if (!d.empty() &&
            (d.size() != 10 ||
             !MeasuredAt(d.substr(8, 2) + "/" + d.substr(5, 2) + "/" + d.substr(0, 4), "00:00:00")))
            o.bad = "a day is written YYYY-MM-DD: " + d;
    }
    return o;
}

// A JSON string: what is no UTF-8 becomes U+FFFD (as Qt reads it), quotes, backslashes and
// control characters escaped, everything else as it is.
void AppendJsonString(std::string& out, const std::string& text) {
    const std::string utf8 = QString::fromStdString(text).toStdString();
    out += '"';
    for (const char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
            out += escaped;
        } else {
            out += c;
        }
    }
    out += '"';
}

void AppendJsonField(std::string& out, const char* key, const std::string& value,
                     bool last = false) {
    out += "        \"";
    out += key;
    out += "\": ";
    out += value;
    out += last ? "\n" : ",\n";
}

std::string JsonText(const std::string& text) {
    std::string out;
    AppendJsonString(out, text);
    return out;
}

std::string JsonText(const std::optional<std::string>& text) {
    return text ? JsonText(*text) : std::string("null");
}

// One logger as an object of the list, its keys in order, indented as a JSON writer lays out an
// array's members.
std::string JsonListObject(const ArchivedLogger& a) {
    std::string out = "    {\n";
    AppendJsonField(out, "archived_at", JsonText(a.archivedAt));
    AppendJsonField(out, "below_threshold", std::to_string(a.belowThreshold));
    AppendJsonField(out, "id", std::to_string(a.id));
    AppendJsonField(out, "measured_at", JsonText(a.measuredAt));
    AppendJsonField(out, "name", JsonText(a.name));
    AppendJsonField(out, "pending", a.pending ? "true" : "false");
    AppendJsonField(out, "plan", JsonText(a.plan));
    AppendJsonField(out, "records", std::to_string(a.records));
    AppendJsonField(out, "serial", JsonText(a.serial));
    AppendJsonField(out, "type", JsonText(a.type), true);
    out += "    }";
    return out;
}

// The list written as it is read, one logger at a time: the memory stays flat whatever the
// archive's size. `undated`: how many of them have no date.
bool PrintList(Archive& archive, const ArchiveFilter& filter, bool json, long& undated) {
    if (json) {
        const char* separator = "\n";
        std::fputs("[", stdout);
        const bool read = archive.ForEach(filter, [&separator, &undated](const ArchivedLogger& a) {
            undated += a.measuredAt ? 0 : 1;
            std::fputs(separator, stdout);
            std::fputs(JsonListObject(a).c_str(), stdout);
            separator = ",\n";
        });
        std::fputs("\n]\n", stdout);
        std::fflush(stdout);
        return read;
    }
    std::printf("%6s  %-12s %-5s %-12s %-19s %7s %5s  %s\n", "ID", "NAME", "TYPE", "PLAN",
                "MEASURED", "RECORDS", "BELOW", "SERIAL");
    const bool read = archive.ForEach(filter, [&undated](const ArchivedLogger& a) {
        undated += a.measuredAt ? 0 : 1;
        std::printf("%6lld  %-12s %-5s %-12s %-19s %7d %5d  %s\n", static_cast<long long>(a.id),
                    TerminalText(a.name).c_str(), TerminalText(a.type).c_str(),
                    TerminalText(a.plan).c_str(), TerminalText(a.measuredAt.value_or("-")).c_str(),
                    a.records, a.belowThreshold, TerminalText(a.serial.value_or("-")).c_str());
    });
    std::fflush(stdout);
    return read;
}

void PrintLogger(const ArchivedLogger& a, const std::vector<ArchivedRecord>& records) {
    std::cout << "id:          " << a.id << '\n'
              << "type:        " << TerminalText(a.type) << '\n'
              << "name:        " << TerminalText(a.name) << '\n'
              << "plan:        " << TerminalText(a.plan) << '\n'
              << "measured at: " << TerminalText(a.measuredAt.value_or("-")) << '\n'
              << "threshold:   " << (a.threshold ? std::to_string(*a.threshold) : std::string("-"))
              << ' ' << TerminalText(a.unit) << '\n'
              << "records:     " << a.records << " (" << a.belowThreshold
              << " below the threshold)\n"
              << "instrument:  " << TerminalText(a.serial.value_or("-"))
              << (a.slot >= 0 ? " slot " + std::to_string(a.slot) : std::string()) << '\n'
              << "source:      " << TerminalText(a.source) << '\n'
              << "archived at: " << a.archivedAt << '\n'
              << "sha256:      " << a.sha256 << '\n';
    for (const ArchivedRecord& r : records)
        std::printf("%4d  %-8s %12s MHz %10s MHz  %s\n", r.index + 1,
                    TerminalText(r.channel).c_str(), HzToMHzText(r.frequencyHz).c_str(),
                    HzToMHzText(r.bandwidthHz).c_str(), TerminalText(r.powerText).c_str());
    std::fflush(stdout);
}

// The text to a file (atomically) or to the standard output.
int Deliver(const std::string& text, const std::string& out, Feedback& feedback) {
    if (out.empty()) {
        PrintData(text);
        return kDone;
    }
    WriteFailure why = WriteFailure::Other;
    if (!WriteFileAtomically(PathFromText(out), text, &why)) {
        feedback.showMessage(kMessageArchiveNotWritten);
        if (const int cause = WriteFailureMessage(why)) feedback.showMessage(cause);
        return kFailed;
    }
    return kDone;
}

int Export(Archive& archive, std::int64_t id, const std::string& out, Feedback& feedback) {
    const int type = LoggerTypeOfPath(out);
    const bool csv = out.ends_with(".csv");
    if (type == 0 && !csv) return Usage("export: the file ends in .lograd, .logplc or .csv");
    const std::optional<ArchivedLogger> found = archive.Find(id);
    if (!found) {
        feedback.showMessage(kMessageArchiveNoSuchLogger);
        return kFailed;
    }
    if (csv) {
        const std::optional<OpenLogger> logger = archive.Logger(id);
        if (!logger) return kFailed;
        return WriteLoggerCsv(*logger, PathFromText(out), feedback) == kLoggerCsvWritten ? kDone
                                                                                         : kFailed;
    }
    if (LoggerExtension(type) != (found->type == "PLC" ? ".logplc" : ".lograd"))
        return Usage("export: a " + found->type + " logger is written to a " +
                     (found->type == "PLC" ? ".logplc" : ".lograd") + " file");
    const std::optional<std::string> bytes = archive.Bytes(id);
    return bytes ? Deliver(*bytes, out, feedback) : kFailed;
}

int Import(Archive& archive, const std::vector<std::string>& files, TerminalFeedback& feedback,
           const LanguageTable& table) {
    int status = kDone;
    for (const std::string& file : files) {
        int read = 0;
        ReadRefusal refusal = ReadRefusal::CannotOpen;
        const std::optional<Archive::Kept> kept =
            archive.ImportFile(PathFromText(file), &read, &refusal);
        if (kept) {
            std::cout << (kept->added ? "archived " : "already archived ") << TerminalText(file)
                      << " as " << kept->id
                      << (kept->notice != 0 || archive.offline() ? " here, to be sent" : "")
                      << '\n';
            if (kept->notice != 0)
                feedback.showNotice(ArchiveNotice(table, kept->notice, archive.detail()));
            continue;
        }
        status = kFailed;
        // The disk is full: said once, and the files after it are not tried.
        if (archive.diskFull()) {
            feedback.showMessage(WriteFailureMessage(WriteFailure::DiskFull));
            feedback.showNotice(ArchiveNotice(table, kMessageArchiveNotKept, file));
            break;
        }
        // A FIFO, a device or a file too large for a logger: the verdict every reader gives.
        if (read == kLoggerFileUnreadable && refusal != ReadRefusal::CannotOpen) {
            feedback.showFileMessage(ReadRefusalMessage(refusal), file);
            continue;
        }
        const int message =
            read == kLoggerFileRead ? kMessageArchiveNotKept : kMessageArchiveNotLoggerFile;
        feedback.showNotice(ArchiveNotice(
            table, message,
            file + (read == kLoggerFileRead ? ": " + archive.detail() : std::string())));
    }
    return status;
}

void PrintComparison(const Comparison& c) {
    std::printf("A: %lld %s %s   B: %lld %s %s\n", static_cast<long long>(c.loggerA.id),
                TerminalText(c.loggerA.name).c_str(),
                TerminalText(c.loggerA.measuredAt.value_or("-")).c_str(),
                static_cast<long long>(c.loggerB.id), TerminalText(c.loggerB.name).c_str(),
                TerminalText(c.loggerB.measuredAt.value_or("-")).c_str());
    std::printf("%-8s %12s %10s %10s %10s\n", "CHANNEL", "MHZ", "A", "B", "B-A");
    for (const ComparedChannel& r : c.rows)
        std::printf("%-8s %12s %10s %10s %10s\n", TerminalText(r.channel).c_str(),
                    HzToMHzText(r.frequencyHz).c_str(),
                    TerminalText(r.powerA.value_or("-")).c_str(),
                    TerminalText(r.powerB.value_or("-")).c_str(),
                    r.difference ? DifferenceText(r.difference).c_str() : "-");
    std::fflush(stdout);
}

}  // namespace

int ArchiveCommand(TerminalFeedback& feedback, const LanguageTable& table,
                   const std::filesystem::path& userFolder, const std::vector<std::string>& args) {
    if (args.size() < 2) return Usage("archive: a command expected");
    const std::string& what = args[1];
    const Options o = Parse(args);
    if (!o.bad.empty()) return Usage(o.bad);
    const std::size_t n = o.positional.size();
    const bool known = (what == "list" && n == 0) || (what == "show" && n == 1) ||
                       (what == "export" && n == 1 && !o.out.empty()) ||
                       (what == "import" && n >= 1) || (what == "compare" && n == 2) ||
                       (what == "trend" && n == 1) || (what == "delete" && n >= 1) ||
                       ((what == "init" || what == "sync" || what == "check") && n == 0);
    if (!known) return Usage("archive: unknown command or arguments");
    std::vector<std::int64_t> ids;
    if (what != "import")
        for (const std::string& p : o.positional) {
            const std::optional<std::int64_t> id = Id(p);
            if (!id) return Usage("not an archive id: " + p);
            ids.push_back(*id);
        }

    const ArchiveLocation where = ArchiveLocationFromEnvironment(userFolder);
    if (what == "init") return ArchiveInit(feedback, table, where);
    if (what == "sync") return ArchiveSync(feedback, table, where);
    Archive archive;
    const bool changes = what == "import" || what == "delete";
    archive.Open(where, Archive::Schema::Use, Archive::Integrity::CheckWhenDue,
                 changes ? Archive::Purpose::Change : Archive::Purpose::Read);
    if (archive.notice() != 0)
        feedback.showNotice(ArchiveNotice(table, archive.notice(), archive.detail()));
    if (!archive.usable()) return kFailed;
    // export, compare and trend -o: never over the archive's own files, never over another
    // file without the question.
    if (!o.out.empty() && !MayWriteOutputAsking(feedback, PathFromText(o.out), where.localFiles()))
        return kFailed;

    if (what == "list") {
        long undated = 0;
        const bool read = PrintList(archive, o.filter, o.json, undated);
        if (!read) {
            const bool server = where.kind == ArchiveLocation::PostgreSql && !archive.offline();
            feedback.showNotice(
                ArchiveNotice(table, server ? kMessageArchiveRefused : kMessageArchiveUnavailable,
                              archive.detail()));
            return kFailed;
        }
        if (undated > 0)
            feedback.showNotice(
                ArchiveNotice(table, kMessageArchiveUndated, std::to_string(undated)));
        TellPending(feedback, table, archive, where);
        // The team archive refused: what is listed is this PC's only, and the person must act.
        return archive.refused() ? kFailed : kDone;
    }
    if (what == "import") {
        // Every logger is in this PC's archive; those the team server did not take wait, and
        // the run says how many.
        const int status = Import(archive, o.positional, feedback, table);
        TellPending(feedback, table, archive, where);
        return status;
    }
    if (what == "check") {
        const std::string damage = archive.Check();
        if (!damage.empty()) {
            feedback.showNotice(ArchiveNotice(table, kMessageArchiveDamaged, damage));
            return kFailed;
        }
        std::cout << "archive sound: " << TerminalText(where.describe()) << '\n';
        return kDone;
    }
    if (what == "export") return Export(archive, ids[0], o.out, feedback);
    if (what == "delete") {
        // The question says how many loggers go and which (an ID the archive lacks by its
        // number).
        std::vector<std::string> names;
        for (const std::int64_t id : ids) {
            const std::optional<ArchivedLogger> lg = archive.Find(id);
            names.push_back(lg ? lg->name : "#" + std::to_string(id));
        }
        if (!feedback.askYesNoText(DeleteQuestion(table, names), kArchiveCaption)) return kFailed;
        const std::optional<int> removed = archive.Delete(ids);
        if (!removed) {
            feedback.showNotice(ArchiveNotice(table, kMessageArchiveReadOnly, archive.detail()));
            return kFailed;
        }
        std::cout << "deleted " << *removed << " logger(s)\n";
        return *removed == static_cast<int>(ids.size()) ? kDone : kFailed;
    }
    if (what == "show") {
        const std::optional<ArchivedLogger> a = archive.Find(ids[0]);
        if (!a) {
            feedback.showMessage(kMessageArchiveNoSuchLogger);
            return kFailed;
        }
        PrintLogger(*a, archive.Records(ids[0]));
        return kDone;
    }
    if (what == "compare") {
        const std::optional<Comparison> c = Compare(archive, ids[0], ids[1]);
        if (!c) {
            feedback.showMessage(kMessageArchiveNoSuchLogger);
            return kFailed;
        }
        if (o.out.empty()) {
            PrintComparison(*c);
            return kDone;
        }
        return Deliver(ComparisonCsv(*c), o.out, feedback);
    }
    const std::optional<Trend> t = TrendOf(archive, ids[0], o.channels);
    if (!t) {
        feedback.showMessage(kMessageArchiveNoSuchLogger);
        return kFailed;
    }
    return Deliver(TrendCsv(*t), o.out, feedback);
}

}  // namespace zv318
