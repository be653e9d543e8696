// zv318ctl: the program's procedures from a terminal, so a technician can script a fleet and
// every capability can be checked without a screen.
//
// Exit status: 0 done, 1 the operation ended with a message or failed, 2 usage,
// 3 instrument not connected, 4 the instrument is in use by another program, 5 the instrument's
// lock cannot be taken for another reason, 128 + the signal (129 SIGHUP, 130 SIGINT, 131 SIGQUIT,
// 141 SIGPIPE, 143 SIGTERM) stopped by the signal at a safe point.

#include <unistd.h>
#include <csignal>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "app/ctl_archive.h"
#include "app/ctl_backup.h"
#include "app/ctl_csv.h"
#include "app/ctl_firmware.h"
#include "app/ctl_loggers.h"
#include "app/ctl_pull.h"
#ifdef ZV318_CTL_SPLIT
#include "app/ctl_pdf_program.h"
#endif
#include "app/ctl_report.h"
#include "app/device_choice.h"
#include "app/terminal_feedback.h"
#include "archive/archive_keeper.h"
#include "archive/archive_location.h"
#include "link/interrupts.h"
#include "link/link.h"
#include "link/queries.h"
#include "plans/plan_list.h"
#include "plans/plan_model.h"
#include "plans/plan_procedures.h"
#include "shell/clock.h"
#include "shell/service.h"
#include "shell/startup.h"
#include "texts/language_file.h"
#include "texts/output_path.h"
#include "texts/program_folders.h"
#include "texts/text_file.h"

namespace fs = std::filesystem;
using namespace zv318;

// Here rather than with the report commands: a zv318ctl that hands them to zv318ctl-pdf lists
// them too.
const char zv318::kReportUsage[] =
    "  loggers report FILE... --pdf OUT [--site NAME] [--customer TEXT] [--address TEXT]\n"
    "                 [--notes TEXT] [--technician TEXT] [--company TEXT] [--logo FILE]\n"
    "                              the site report of logger files as a PDF\n"
    "  archive report ID... --pdf OUT [the same options]\n"
    "                              the site report of archived loggers, with their instrument\n";

namespace {

constexpr int kDone = 0, kFailed = 1, kUsage = 2, kNotConnected = 3, kInUse = 4, kLockFailed = 5;

const char kUsageText[] =
    "usage: zv318ctl [--demo] [--yes] [--language NAME] [--trace FILE] COMMAND\n"
    "  status                      the connection status box as text\n"
    "  plans read                  read the instrument's channel plans (list + .temp copies)\n"
    "  plans send FILE             load the channel plan FILE into the instrument\n"
    "  plans delete \"NAME (RADIO)\" ...\n"
    "                              read the plans, then delete those list entries\n"
    "  plans check FILE            check a plan file as sending does; print the result code\n"
    "  loggers list|save|show|print|report ...\n"
    "                              the logger commands (--help lists them)\n"
    "  archive list|show|export|import|compare|trend|delete|report|pull ...\n"
    "                              the measurement archive (--help lists the commands)\n"
    "  clock set                   set the instrument's clock to this computer's time\n"
    "  firmware io FILE.hex        update the IO Interface with FILE (asks; --yes answers)\n"
    "  firmware instrument FILE.zv318\n"
    "                              update the ZV-318 itself with FILE (asks; --yes answers)\n"
    "  backup DIR                  every plan and logger into a new backup folder in DIR\n"
    "  restore DIR                 the plans of the backup folder DIR back (asks; --yes)\n"
    "  raw \"COMMAND\"               send one command as typed and print the reply\n"
    "The instrument comes from --demo (built-in simulator), ZV318_HID_SOCKETS, or USB.\n"
    "--trace FILE (or ZV318_TRACE) appends every report sent and received to FILE.\n"
    "Exit status: 0 done, 1 ended with a message or failed, 2 usage, 3 not connected,\n"
    "4 the instrument is in use by another program (named on stderr), 5 the instrument's\n"
    "lock cannot be taken for another reason (said on stderr), 128 + the signal (129\n"
    "SIGHUP, 130 SIGINT, 131 SIGQUIT, 141 SIGPIPE, 143 SIGTERM) stopped by the signal: a\n"
    "step that must not be cut (an update, a channel plan's writing) always ends first,\n"
    "and the message says what was done.\n";

#if defined(ZV318_CTL_SPLIT) && !defined(ZV318_CTL_WRITES_PDF)
// The folder of this program's own file, every link resolved; empty when it cannot be known.
fs::path OwnFolder() {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec || !self.is_absolute() ? fs::path() : self.parent_path();
}
#endif

// Where the program's data lives: beside the executable unless ZV318_HOME says otherwise
// (zv318ctl-pdf installed apart takes zv318ctl's folder).
fs::path ExecutableFolder(const char* argv0) {
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (ec) self = fs::absolute(argv0, ec);
#ifdef ZV318_CTL_SPLIT
    return ProgramFolderOf(self.parent_path());
#else
    return self.parent_path();
#endif
}

struct Context {
    LanguageTable table;
    ProgramFolders folders;  // data read from .data, files written to .user
    DeviceChoice device;
    std::unique_ptr<TerminalFeedback> feedback;
    std::unique_ptr<Link> link;
};

std::string Entry(const Context& c, int n, const std::string& fallback) {
    const std::string& e = c.table.entry(n);
    return e.empty() ? fallback : e;
}

int NotConnected(Context& c, bool permissionDenied) {
    std::cout << Entry(c, 15, "ZV-318 not connected") << '\n';
    if (permissionDenied) std::cerr << PermissionHint() << '\n';
    return kNotConnected;
}

int NotConnected(Context& c) {
    return NotConnected(c, c.link->PermissionDenied());
}

int Status(Context& c) {
    ConnectionInfo info = ReadConnectionInfo(*c.link);
    if (!info.found) return NotConnected(c, info.permissionDenied);
    std::cout << Entry(c, 14, "ZV-318 connected") << '\n'
              << Entry(c, 16, "Model:") << ' ' << TerminalText(info.instrument.model) << '\n'
              << Entry(c, 17, "Serial Number:") << ' ' << TerminalText(info.instrument.serial)
              << '\n'
              << Entry(c, 18, "IO Interface Version:") << ' '
              << TerminalText(info.instrument.ioVersion) << '\n'
              << Entry(c, 32, "ZV-318 Version:") << ' '
              << TerminalText(info.instrument.instrumentVersion) << '\n';
    return c.link->IsOpen() ? kDone : kFailed;
}

int Raw(Context& c, const std::string& command) {
    if (!c.link->FindInstrument()) return NotConnected(c);
    RawCommandResult r = RawCommand(*c.link, command);
    if (!r.sent) {
        std::cerr << r.reason << '\n';
        return kFailed;
    }
    std::string reply = r.reply;
    while (!reply.empty() && (reply.back() == '\r' || reply.back() == '\n')) reply.pop_back();
    std::cout << TerminalText(reply) << '\n';
    return c.link->IsOpen() ? kDone : kFailed;
}

int ClockSet(Context& c) {
    if (!c.link->FindInstrument()) return NotConnected(c);
    // The re-synchronisation compares with the serial number the status box would show.
    std::string serial = GetSerial(*c.link);
    if (!Puestaenhora1Click(*c.link, *c.feedback, serial)) return kFailed;
    std::cout << "clock set\n";
    return kDone;
}

int FromOutcome(PlanOutcome outcome) {
    switch (outcome) {
        case PlanOutcome::Done:
            return kDone;
        case PlanOutcome::NotConnected:
            return kNotConnected;
        case PlanOutcome::Cancelled:
        case PlanOutcome::Failed:
            break;
    }
    return kFailed;
}

void PrintList(const PlanList& list) {
    for (const std::string& entry : list.entries) std::cout << TerminalText(entry) << '\n';
}

// "plans read | send FILE | delete ENTRY... | check FILE"
int PlansCommand(Context& c, const std::vector<std::string>& args) {
    const std::string& what = args[1];
    if (what == "check" && args.size() == 3) {
        // The very check sending runs, with its message and note.
        const PlanFileCheck check = CheckPlanFile(args[2], c.table);
        if (check.message) c.feedback->showMessage(check.message);
        if (!check.note.empty()) std::cerr << check.note << '\n';
        if (const std::string notice = RefusedLineNotice(check, c.table); !notice.empty())
            std::cerr << notice << '\n';
        std::cout << check.code << '\n';
        return check.accepted() ? kDone : kFailed;
    }
    PlanList list;
    PlanProcedures plans(*c.link, *c.feedback, c.table, list, c.folders.user);
    if (what == "read" && args.size() == 2) {
        PlanOutcome outcome = plans.ReceiveButClick();
        PrintList(list);
        return FromOutcome(outcome);
    }
    if (what == "send" && args.size() == 3) {
        PlanOutcome outcome = plans.LoadPlanFile(args[2]);
        if (outcome == PlanOutcome::Done) PrintList(list);
        return FromOutcome(outcome);
    }
    if (what == "delete" && args.size() >= 3) {
        // A fresh reading, then the named entries selected as a person would in the list.
        PlanOutcome read = plans.ReceiveButClick();
        if (read != PlanOutcome::Done) return FromOutcome(read);
        for (std::size_t k = 2; k < args.size(); ++k) {
            auto it = std::find(list.entries.begin(), list.entries.end(), args[k]);
            if (it == list.entries.end()) {
                std::cerr << "no plan \"" << TerminalText(args[k])
                          << "\" in the instrument; it holds:\n";
                for (const std::string& entry : list.entries)
                    std::cerr << "  " << TerminalText(entry) << '\n';
                return kFailed;
            }
            list.select(static_cast<int>(it - list.entries.begin()));
        }
        PlanOutcome outcome = plans.DelSelButClick();
        if (outcome == PlanOutcome::Done) PrintList(list);
        return FromOutcome(outcome);
    }
    std::cerr << kUsageText;
    return kUsage;
}

// The signals held while a command runs: each stops it at its next safe point, never inside a
// phase that must not be cut.
constexpr int kHeldSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE};

// The interrupt notes, made before the handler may need them: it can only write.
std::string g_heldNote, g_againNote;

void OnInterrupt(int signal) {
    const bool inPhase = InUncuttablePhase();
    RequestInterrupt(signal);
    if (inPhase) {
        const std::string& note = InterruptCount() == 1 ? g_heldNote : g_againNote;
        (void)!::write(STDERR_FILENO, note.data(), note.size());
    } else if (InterruptCount() > 1) {
        ::_exit(128 + InterruptSignal());  // a second one where nothing must be finished
    }
}

void HoldInterrupts(const LanguageTable& table) {
    auto note = [&](int message) {
        std::string text;
        if (MessageText(table, message, text) == 0) text = "interrupt received";
        return "\nmessage " + std::to_string(message) + ": " + text + "\n";
    };
    g_heldNote = note(kMessageInterruptHeld);
    g_againNote = note(kMessageInterruptAgain);
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    // Every signal that would end the program: Ctrl+C, a kill, the terminal or SSH session
    // closed, Ctrl+\, and a write to a pipe whose reader has gone (`zv318ctl ... | head -1`).
    for (int signal : kHeldSignals) sigaddset(&action.sa_mask, signal);
    for (int signal : kHeldSignals) ::sigaction(signal, &action, nullptr);
}

// The commands that talk to the instrument; the others work on files alone.
bool NeedsInstrument(const std::vector<std::string>& args) {
    const std::string& command = args[0];
    const std::string what = args.size() > 1 ? args[1] : std::string{};
    if (command == "plans") return what == "read" || what == "send" || what == "delete";
    if (command == "loggers") {
        if (what == "list" || what == "save") return true;
        return args.size() > 2 && (args[2] == "radio" || args[2] == "plc");
    }
    return command != "help";
}

// Refused the instrument: in use by another program (4), or its lock failed (5).
int InUse(Context& c) {
    const LockAttempt& refusal = *c.link->Refusal();
    std::cerr << InstrumentInUseText(refusal, c.table) << '\n';
    return refusal.outcome == LockOutcome::Busy ? kInUse : kLockFailed;
}

int RunCommand(Context& c, const std::vector<std::string>& args) {
    const std::string& command = args[0];
    if (command == "status" && args.size() == 1) return Status(c);
    if (command == "raw" && args.size() == 2) return Raw(c, args[1]);
    if (command == "clock" && args.size() == 2 && args[1] == "set") return ClockSet(c);
    if (IsArchivePullCommand(args))
        return ArchivePullCommand(*c.link, *c.feedback, c.table, c.folders.user, args);
    if (IsCsvCommand(args)) return CsvCommand(*c.link, *c.feedback, c.table, c.folders.user, args);
    if (command == "plans" && args.size() >= 2) return PlansCommand(c, args);
    if (command == "backup" || command == "restore")
        return BackupCommand(*c.link, *c.feedback, c.table, c.folders.user, args);
    if (command == "firmware")
        return FirmwareCommand(*c.link, *c.feedback, c.table, c.folders.data, args);
#ifdef ZV318_CTL_WRITES_PDF
    if (command == "loggers" && args.size() >= 2 && args[1] == "report")
        return LoggersReportCommand(*c.feedback, c.table, c.folders.user, args);
#endif
    if (command == "loggers")
        return LoggersCommand(*c.link, *c.feedback, c.table, c.folders.user, args);
    std::cerr << "unknown command: " << command << '\n' << kUsageText;
    return kUsage;
}

// The whole command over one link and one hold of the instrument's lock; an interrupt stops it
// at its next safe point.
int RunHeld(Context& c, const std::vector<std::string>& args) {
    HoldInterrupts(c.table);
    c.link->setStopOnInterrupt(true);
    int status = kFailed;
    try {
        status = RunCommand(c, args);
    } catch (const Interrupted&) {
        c.feedback->showMessage(kMessageStoppedBefore);
    }
    if (InterruptRequested()) {
        // What was under way ended whole; the procedure's message said what was left undone.
        if (status == kDone) c.feedback->showMessage(kMessageUpdateFinished);
        return 128 + InterruptSignal();
    }
    if (status != kDone && c.link->Refusal()) return InUse(c);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    IgnoreFileSizeSignal();
    bool demo = false, yes = false;
    std::string language, trace;
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--demo") {
            demo = true;
        } else if (a == "--yes") {
            yes = true;
        } else if (a == "--language" && i + 1 < argc) {
            language = argv[++i];
        } else if (a == "--trace" && i + 1 < argc) {
            trace = argv[++i];
        } else if (a == "--help" || a == "-h") {
            std::cout << kUsageText << kLoggersUsage << kReportUsage << kCsvUsage << kArchiveUsage;
            return kDone;
        } else if (a.starts_with("--") && args.empty()) {
            std::cerr << "unknown option " << a << '\n' << kUsageText;
            return kUsage;
        } else {
            args.push_back(a);
        }
    }
    if (args.empty()) {
        std::cerr << kUsageText;
        return kUsage;
    }
#if defined(ZV318_CTL_SPLIT) && !defined(ZV318_CTL_WRITES_PDF)
    // Before anything is read or held: zv318ctl-pdf runs the command in this process's place.
    if (WritesPdf(args)) return RunPdfProgram(OwnFolder(), argv);
#endif

    Context c;
    c.folders = DecideProgramFolders(ExecutableFolder(argv[0]));
    // No output of any command, nor the trace, goes over the archive's files.
    ProtectFromOutput(ArchiveFilesToProtect(c.folders.user));
    if (!PrepareUserFolder(c.folders))
        std::cerr << "note: the folder " << c.folders.user << " cannot be made or written\n";
    int configRefusal = 0;
    if (language.empty()) language = ConfiguredLanguage(c.folders, {}, &configRefusal);
    LanguageLoad load = ReadLanguageOverDefault(c.folders, language, c.table);
    // A FIFO, a device or a huge file in place of config.txt or the language file: the
    // verdict every reader gives, naming the file.
    const auto refused = [&c](int message, const fs::path& file) {
        TerminalFeedback(c.table, false).showFileMessage(message, PathToText(file));
    };
    if (configRefusal) refused(configRefusal, c.folders.user / "config.txt");
    if (!load.opened && load.refusal)
        refused(load.refusal, LanguageFilePath(c.folders, language));
    else if (!load.opened)
        std::cerr << "note: the language file " << LanguageFilePath(c.folders, language)
                  << " cannot be opened; the texts of " << kDefaultLanguage << " are used\n";
    else if (!load.notice.empty())
        std::cerr << load.notice << '\n';
    c.feedback = std::make_unique<TerminalFeedback>(c.table, yes);

#ifdef ZV318_CTL_WRITES_PDF
    if (args[0] == "archive" && args.size() >= 2 && args[1] == "report")
        return ArchiveReportCommand(*c.feedback, c.table, c.folders.user, args);
#endif
    // The archive's commands work on the archive alone (no device is looked for); pull talks
    // to the instrument too.
    if (args[0] == "archive" && !IsArchivePullCommand(args))
        return ArchiveCommand(*c.feedback, c.table, c.folders.user, args);

    c.device = ChooseDevice(demo);
    trace = TraceFile(trace);
    // A trace that cannot be written is said once, and the command goes on without it. The
    // words of the command may name its inputs, which the trace never goes over.
    if (const int refusal = TraceReports(c.device, trace, 0, args)) {
        c.feedback->showFileMessage(refusal, trace);
        if (refusal != kMessageTraceLost) c.feedback->showMessage(kMessageTraceLost);
    } else if (c.device.tracer) {
        c.device.tracer->onFileLost(
            [&c, trace] { c.feedback->showFileMessage(kMessageTraceLost, trace); });
    }
    if (c.device.kind == DeviceChoice::SocketFolder && !fs::is_directory(c.device.socketFolder))
        std::cerr << "ZV318_HID_SOCKETS names a folder that does not exist: "
                  << c.device.socketFolder << '\n';
    c.link = std::make_unique<Link>(*c.device.bus, c.feedback.get());
    // The instrument is held before anything else is made ready: a program refused ends at once.
    c.link->setLockOwner("zv318ctl");
    if (NeedsInstrument(args)) {
        const Link::ClaimResult claim = c.link->Claim();
        if (claim == Link::ClaimResult::Refused || claim == Link::ClaimResult::LockFailed)
            return InUse(c);
    }
    // Every logger a command downloads or reads goes into the archive (unless ZV318_ARCHIVE=off).
    ArchiveKeeper keeper(ArchiveLocationFromEnvironment(c.folders.user), *c.feedback, c.table,
                         InstrumentIdentityOf(*c.link));
    return RunHeld(c, args);
}
