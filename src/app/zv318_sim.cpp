// zv318-sim: serves one simulated ZV-318 on a Unix socket, so that the program (with
// ZV318_HID_SOCKETS=DIR) or any other client can talk to it as to the real IO Interface.
//
//   zv318-sim --socket-dir DIR [--name NAME] [--product TEXT] [--empty] [--state FILE]
//             [--trace FILE] [--logger radio|plc:SLOT:RECORDS[:STATED]:NAME ...]
//             [--header-count SLOT:TEXT ...] [--reply QUERY:TEXT ...]
//
// Each client that connects gets the product string as its first message and then one reply
// report for each report it sends (the loader's reports get none); stdout says "client N
// connected (process P)" for each. Clients may come and go at
// any time; the instrument keeps its state for as long as the program runs.

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <csignal>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "link/report.h"
#include "link/socket_bus.h"
#include "link/trace.h"
#include "sim/instrument.h"
#include "texts/fields.h"

#ifndef MSG_NOSIGNAL  // SIGPIPE is ignored below anyway
#define MSG_NOSIGNAL 0
#endif

namespace {

int g_wakeWrite = -1;  // the write end of the self-pipe that a signal pokes
int g_reportDelayUs = 0;  // how long the instrument takes over each report

void OnSignal(int) {
    if (g_wakeWrite >= 0) {
        char c = 1;
        (void)!::write(g_wakeWrite, &c, 1);
    }
}

struct Options {
    std::string folder;
    std::string name = "zv318.sock";
    std::string product = "ZV-318";
    bool empty = false;
    std::string stateFile;  // where to write the firmware the instrument holds, at the end
    std::string trace;
    std::vector<std::string> loggers;  // --logger specifications
    std::vector<std::string> counts;   // --header-count specifications
    std::vector<std::string> replies;  // --reply specifications
    // What the instrument says of itself, and the name its first RADIO plan goes by (empty:
    // the simulator's own).
    std::string serial, ioVersion, zvVersion;
    std::vector<std::string> planNames;  // the RADIO plans' names, in order
};

void Usage(std::FILE* to) {
    std::fputs(
        "usage: zv318-sim --socket-dir DIR [--name NAME] [--product TEXT] [--empty]\n"
        "                 [--state FILE] [--trace FILE]\n"
        "  Serves a simulated ZV-318 on the Unix socket DIR/NAME (default zv318.sock).\n"
        "  --product TEXT  the product string the interface reports (default ZV-318)\n"
        "  --empty         an instrument without plans and loggers\n"
        "  --state FILE    at the end, write the IO Interface loader's flash blocks\n"
        "                  (\"flash ADDRESS BYTES\") and the instrument's firmware records\n"
        "                  (\"record BYTES\") to FILE, in hexadecimal, then whether the\n"
        "                  loader and the boot mode are on (\"loader 0|1\", \"boot 0|1\") and\n"
        "                  each plan (\"plan radio|plc NAME CHANNELS FIRST_HZ LAST_HZ\")\n"
        "  --trace FILE    append every report received and sent to FILE (or ZV318_TRACE)\n"
        "  --logger radio|plc:SLOT:RECORDS[:STATED]:NAME\n"
        "                  put a logger of RECORDS sample records named NAME in SLOT (0-49); its\n"
        "                  header states STATED records when given (a damaged header)\n"
        "  --header-count SLOT:TEXT\n"
        "                  the header of SLOT states TEXT as its record count, whatever it is\n"
        "  --reply QUERY:TEXT\n"
        "                  answer the query QUERY (\"*?HD03001\") with the reply text TEXT, its "
        "echo\n"
        "                  included (\"?HD&C1&474000000&8000000&-41.0\"): a damaged record,\n"
        "                  another header\n"
        "  --serial TEXT, --io-version TEXT, --zv-version TEXT\n"
        "                  what the instrument answers for its serial number and versions\n"
        "  --report-delay-us N\n"
        "                  take N microseconds over each report, as a slow instrument does\n"
        "  --plan-name TEXT\n"
        "                  the name of the instrument's first RADIO plan; given again, of the\n"
        "                  second, and so on (names alike are taken as they are)\n",
        to);
}

// 0 = run, otherwise the exit status.
int Parse(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= argc) return false;
            into = argv[++i];
            return true;
        };
        bool ok = true;
        if (arg == "--socket-dir") {
            ok = value(options.folder);
        } else if (arg == "--name") {
            ok = value(options.name);
        } else if (arg == "--product") {
            ok = value(options.product);
        } else if (arg == "--state") {
            ok = value(options.stateFile);
        } else if (arg == "--trace") {
            ok = value(options.trace);
        } else if (arg == "--logger") {
            std::string spec;
            ok = value(spec);
            options.loggers.push_back(spec);
        } else if (arg == "--header-count") {
            std::string spec;
            ok = value(spec);
            options.counts.push_back(spec);
        } else if (arg == "--reply") {
            std::string spec;
            ok = value(spec);
            options.replies.push_back(spec);
        } else if (arg == "--serial") {
            ok = value(options.serial);
        } else if (arg == "--io-version") {
            ok = value(options.ioVersion);
        } else if (arg == "--zv-version") {
            ok = value(options.zvVersion);
        } else if (arg == "--plan-name") {
            std::string name;
            ok = value(name);
            options.planNames.push_back(name);
        } else if (arg == "--report-delay-us") {
            std::string us;
            const std::optional<std::int64_t> delay =
                value(us) ? zv318::DigitsField(us, 9999999) : std::nullopt;
            ok = delay.has_value();
            if (ok) g_reportDelayUs = static_cast<int>(*delay);
        } else if (arg == "--empty") {
            options.empty = true;
        } else if (arg == "--help" || arg == "-h") {
            Usage(stdout);
            return -1;
        } else {
            ok = false;
        }
        if (!ok) {
            Usage(stderr);
            return 2;
        }
    }
    if (options.folder.empty() || options.name.empty() ||
        options.name.find('/') != std::string::npos) {
        Usage(stderr);
        return 2;
    }
    if (options.product.size() > zv318::kMaxProductBytes) {
        std::fprintf(stderr, "zv318-sim: the product string may hold at most %zu bytes\n",
                     zv318::kMaxProductBytes);
        return 2;
    }
    return 0;
}

// "radio:3:5:ROOF" or "plc:7:2:99999999999:BAD": the name is the rest after the numbers.
bool AddLogger(zv318::sim::Instrument& instrument, const std::string& spec) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (fields.size() < 4) {
        const std::size_t colon = spec.find(':', start);
        if (colon == std::string::npos) break;
        fields.push_back(spec.substr(start, colon - start));
        start = colon + 1;
    }
    const std::string name = spec.substr(start);
    const auto number = [](const std::string& text) { return zv318::DigitsField(text, 999); };
    const std::optional<std::int64_t> slot = fields.size() >= 3 ? number(fields[1]) : std::nullopt;
    const std::optional<std::int64_t> records = fields.size() >= 3 ? number(fields[2]) : std::nullopt;
    if (!slot || !records) return false;
    // A fourth number is the stated count; otherwise it belongs to the name.
    std::optional<std::string> stated;
    std::string loggerName = name;
    if (fields.size() == 4) {
        if (number(fields[3]).has_value())
            stated = fields[3];
        else
            loggerName = fields[3] + ":" + name;
    }
    const int type = fields[0] == "radio" ? zv318::sim::kRadio
                     : fields[0] == "plc" ? zv318::sim::kPlc
                                          : 0;
    if (type == 0 || *slot >= zv318::sim::kLoggerSlots) return false;
    const int at = static_cast<int>(*slot);
    instrument.logger(type, at) = zv318::sim::SampleLogger(loggerName, static_cast<int>(*records));
    if (stated) instrument.statedCounts[at] = *stated;
    return true;
}

// "4:abc": the header of slot 4 states "abc" as its record count.
bool StateCount(zv318::sim::Instrument& instrument, const std::string& spec) {
    const std::size_t colon = spec.find(':');
    const std::string slot = spec.substr(0, colon);
    const std::optional<std::int64_t> at =
        zv318::DigitsField(slot, zv318::sim::kLoggerSlots - 1);
    if (colon == std::string::npos || !at) return false;
    instrument.statedCounts[static_cast<int>(*at)] = spec.substr(colon + 1);
    return true;
}

bool SomeoneListens(const sockaddr_un& address) {
    int fd = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
    if (fd < 0) return false;
    bool alive = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return alive;
}

int Listen(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        std::fprintf(stderr, "zv318-sim: socket path too long: %s\n", path.c_str());
        return -1;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);

    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode) || SomeoneListens(address)) {
            std::fprintf(stderr, "zv318-sim: %s is in use\n", path.c_str());
            return -1;
        }
        ::unlink(path.c_str());  // left behind by a simulator that did not end cleanly
    }
    int fd = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
    if (fd >= 0) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) < 0 ||
        ::listen(fd, 8) < 0) {
        std::fprintf(stderr, "zv318-sim: cannot listen on %s: %s\n", path.c_str(),
                     std::strerror(errno));
        if (fd >= 0) ::close(fd);
        return -1;
    }
    return fd;
}

// One message from a client: a report to answer, or false when the client is gone.
bool Serve(int client, zv318::sim::Instrument& instrument, zv318::Tracer* tracer) {
    std::uint8_t buffer[zv318::kReportSize + 1];
    ssize_t n;
    do {
        n = ::recv(client, buffer, sizeof buffer, MSG_TRUNC);
    } while (n < 0 && errno == EINTR);
    zv318::Report report{};
    if (n == static_cast<ssize_t>(zv318::kReportSize)) {
        std::copy_n(buffer, zv318::kReportSize, report.begin());
    } else if (n == static_cast<ssize_t>(zv318::kReportSize - 1)) {
        std::copy_n(buffer, zv318::kReportSize - 1, report.begin() + 1);  // without report ID
    } else {
        return false;  // closed, failed, or not a report
    }
    if (tracer) tracer->record(zv318::TraceDirection::Out, report);
    if (g_reportDelayUs > 0) ::usleep(static_cast<useconds_t>(g_reportDelayUs));
    if (std::optional<zv318::Report> reply = instrument.handle(report)) {
        if (::send(client, reply->data(), reply->size(), MSG_NOSIGNAL) !=
            static_cast<ssize_t>(reply->size()))
            return false;
        if (tracer) tracer->record(zv318::TraceDirection::In, *reply);
    }
    return true;
}

// " (process N)" for a client whose process the system tells, else nothing.
std::string ClientProcess(int client) {
#ifdef SO_PEERCRED
    ucred peer{};
    socklen_t size = sizeof peer;
    if (::getsockopt(client, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.pid > 0)
        return " (process " + std::to_string(peer.pid) + ")";
#else
    (void)client;
#endif
    return {};
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    char pair[4];
    for (std::uint8_t b : bytes) {
        std::snprintf(pair, sizeof pair, "%02X", b);
        text += pair;
    }
    return text;
}

bool WriteState(const std::string& file, const zv318::sim::Instrument& instrument) {
    std::FILE* out = std::fopen(file.c_str(), "w");
    if (!out) return false;
    for (const auto& [address, block] : instrument.flash)
        std::fprintf(out, "flash %06X %s\n", address, Hex(block).c_str());
    for (const std::vector<std::uint8_t>& record : instrument.firmwareRecords)
        std::fprintf(out, "record %s\n", Hex(record).c_str());
    std::fprintf(out, "loader %d\nboot %d\n", instrument.loaderMode() ? 1 : 0,
                 instrument.bootMode() ? 1 : 0);
    for (int type : {zv318::sim::kRadio, zv318::sim::kPlc})
        for (const zv318::sim::Plan& plan : instrument.plans(type))
            std::fprintf(
                out, "plan %s %s %zu %d %d\n", type == zv318::sim::kRadio ? "radio" : "plc",
                plan.name.c_str(), plan.channels.size(),
                plan.channels.empty() ? 0 : static_cast<int>(plan.channels.front().frequency),
                plan.channels.empty() ? 0 : static_cast<int>(plan.channels.back().frequency));
    return std::fclose(out) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (int status = Parse(argc, argv, options)) return status < 0 ? 0 : status;

    int wake[2];
    if (::pipe(wake) < 0) {
        std::perror("zv318-sim: pipe");
        return 1;
    }
    g_wakeWrite = wake[1];
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    ::signal(SIGPIPE, SIG_IGN);

    // Traced from the PC's side: "OUT" is what the simulator received, "IN" what it answered.
    zv318::Tracer tracer(0);
    if (options.trace.empty())
        if (const char* env = std::getenv(zv318::kTraceVariable)) options.trace = env;
    if (!options.trace.empty() && !tracer.appendTo(options.trace)) {
        std::fprintf(stderr, "zv318-sim: cannot write the trace file %s\n", options.trace.c_str());
        return 1;
    }

    const std::string path = options.folder + "/" + options.name;
    int listener = Listen(path);
    if (listener < 0) return 1;

    zv318::sim::Instrument instrument =
        options.empty ? zv318::sim::Instrument::Empty() : zv318::sim::Instrument();
    for (const std::string& spec : options.loggers)
        if (!AddLogger(instrument, spec)) {
            std::fprintf(stderr, "zv318-sim: --logger %s: radio|plc:SLOT:RECORDS[:STATED]:NAME\n",
                         spec.c_str());
            return 2;
        }
    for (const std::string& spec : options.counts)
        if (!StateCount(instrument, spec)) {
            std::fprintf(stderr, "zv318-sim: --header-count %s: SLOT:TEXT\n", spec.c_str());
            return 2;
        }
    for (const std::string& spec : options.replies) {
        const std::size_t colon = spec.find(':');
        if (colon == std::string::npos || !spec.starts_with("*?")) {
            std::fprintf(stderr, "zv318-sim: --reply %s: QUERY:TEXT\n", spec.c_str());
            return 2;
        }
        instrument.textFor[spec.substr(0, colon)] = spec.substr(colon + 1);
    }
    if (!options.serial.empty()) instrument.serial = options.serial;
    if (!options.ioVersion.empty()) instrument.ioVersion = options.ioVersion;
    if (!options.zvVersion.empty()) instrument.zvVersion = options.zvVersion;
    std::vector<zv318::sim::Plan>& radio = instrument.plans(zv318::sim::kRadio);
    for (std::size_t k = 0; k < options.planNames.size() && k < radio.size(); ++k)
        if (!options.planNames[k].empty()) radio[k].name = options.planNames[k];

    std::printf("listening on %s\n", path.c_str());
    std::fflush(stdout);

    std::vector<int> clients;
    int connections = 0;
    bool running = true;
    while (running) {
        std::vector<pollfd> fds{{wake[0], POLLIN, 0}, {listener, POLLIN, 0}};
        for (int c : clients) fds.push_back({c, POLLIN, 0});
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) continue;
            std::perror("zv318-sim: poll");
            break;
        }
        if (fds[0].revents) running = false;
        if (fds[1].revents & POLLIN) {
            int client = ::accept(listener, nullptr, nullptr);
            if (client >= 0) {
                ::fcntl(client, F_SETFD, FD_CLOEXEC);
                if (::send(client, options.product.data(), options.product.size(), MSG_NOSIGNAL) <
                    0)
                    ::close(client);
                else {
                    clients.push_back(client);
                    // The log tells every program that reached the instrument, even one that
                    // then sends nothing.
                    std::printf("client %d connected%s\n", ++connections,
                                ClientProcess(client).c_str());
                    std::fflush(stdout);
                }
            }
        }
        for (std::size_t i = 2; i < fds.size(); ++i) {
            if (!fds[i].revents) continue;
            if (!Serve(fds[i].fd, instrument, options.trace.empty() ? nullptr : &tracer)) {
                ::close(fds[i].fd);
                clients.erase(std::find(clients.begin(), clients.end(), fds[i].fd));
            }
        }
        // The instrument remembers what it received; a long session needs no history.
        if (instrument.received.size() > 100000) instrument.clearReceived();
    }

    // What the clients sent before the end is carried out first: the state written below then
    // holds every report an update sent, even one sent just before the signal.
    for (int c : clients) {
        ::fcntl(c, F_SETFL, ::fcntl(c, F_GETFL) | O_NONBLOCK);
        while (Serve(c, instrument, options.trace.empty() ? nullptr : &tracer)) {
        }
        ::close(c);
    }
    ::close(listener);
    ::unlink(path.c_str());
    if (!options.stateFile.empty() && !WriteState(options.stateFile, instrument)) {
        std::fprintf(stderr, "zv318-sim: cannot write %s\n", options.stateFile.c_str());
        return 1;
    }
    return 0;
}
