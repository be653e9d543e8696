// The socket-folder bus: against small peers served in this process, and end to end against
// the zv318-sim program.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "link/link.h"
#include "link/queries.h"
#include "link/scripted_bus.h"
#include "link/socket_bus.h"

namespace zv318 {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

long long MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (fs::temp_directory_path() / "zv318-sock-XXXXXX").string();
        path = ::mkdtemp(pattern.data()) ? pattern : "";
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    std::string operator/(const std::string& name) const { return path + "/" + name; }
    std::string path;
};

sockaddr_un AddressOf(const std::string& path) {
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::strncpy(a.sun_path, path.c_str(), sizeof a.sun_path - 1);
    return a;
}

// A socket bound at `path` (nobody accepts on it unless `listening`).
int BoundSocket(const std::string& path, bool listening) {
    int fd = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
    sockaddr_un a = AddressOf(path);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) < 0) return -1;
    if (listening && ::listen(fd, 4) < 0) return -1;
    return fd;
}

// An interface served by a thread of this process: it sends its product string to each client
// and then, for every report it gets, does what its mode says.
class Peer {
public:
    enum class Mode {
        Answer,  // replies "?NS" + the product with a carriage return
        Short,   // the same reply as 64 bytes without the report ID
        Silent,  // never replies
        HangUp,  // closes the connection on the first report
        Sized,   // answers every report with a message of `replySize` bytes
        Mute,    // accepts, but never sends its product string nor anything else
    };

    Peer(std::string path, std::string product, Mode mode, std::size_t replySize = 0)
        : path_(std::move(path)), product_(std::move(product)), mode_(mode), replySize_(replySize) {
        listener_ = BoundSocket(path_, true);
        if (::pipe(stop_) == 0 && listener_ >= 0) thread_ = std::thread([this] { run(); });
    }
    ~Peer() {
        if (thread_.joinable()) {
            (void)!::write(stop_[1], "x", 1);
            thread_.join();
        }
        ::close(stop_[0]);
        ::close(stop_[1]);
        if (listener_ >= 0) ::close(listener_);
        ::unlink(path_.c_str());
    }
    int reportsReceived() const { return reports_; }

private:
    void run() {
        std::vector<int> clients;
        for (;;) {
            std::vector<pollfd> fds{{stop_[0], POLLIN, 0}, {listener_, POLLIN, 0}};
            for (int c : clients) fds.push_back({c, POLLIN, 0});
            if (::poll(fds.data(), fds.size(), -1) < 0) continue;
            if (fds[0].revents) break;
            if (fds[1].revents) {
                int c = ::accept(listener_, nullptr, nullptr);
                if (c >= 0) {
                    if (mode_ != Mode::Mute)
                        ::send(c, product_.data(), product_.size(), MSG_NOSIGNAL);
                    clients.push_back(c);
                }
            }
            for (std::size_t i = 2; i < fds.size(); ++i) {
                if (!fds[i].revents) continue;
                std::uint8_t buffer[80];
                ssize_t n = ::recv(fds[i].fd, buffer, sizeof buffer, 0);
                if (n <= 0 || mode_ == Mode::HangUp) {
                    ::close(fds[i].fd);
                    std::erase(clients, fds[i].fd);
                    if (n > 0) ++reports_;
                    continue;
                }
                ++reports_;
                Report reply = testing::ReplyWith(5, "?NS" + product_ + "\r");
                if (mode_ == Mode::Answer) ::send(fds[i].fd, reply.data(), 65, MSG_NOSIGNAL);
                if (mode_ == Mode::Short) ::send(fds[i].fd, reply.data() + 1, 64, MSG_NOSIGNAL);
                if (mode_ == Mode::Sized) {
                    // 64 bytes stand for a report without its ID, as HID reads deliver them.
                    std::vector<std::uint8_t> sized(replySize_, 0);
                    const std::size_t from = replySize_ == 64 ? 1 : 0;
                    std::copy_n(reply.begin() + from, std::min(replySize_, reply.size() - from),
                                sized.begin());
                    ::send(fds[i].fd, sized.data(), sized.size(), MSG_NOSIGNAL);
                }
            }
        }
        for (int c : clients) ::close(c);
    }

    std::string path_, product_;
    Mode mode_;
    std::size_t replySize_;
    int listener_ = -1;
    int stop_[2] = {-1, -1};
    std::atomic<int> reports_{0};
    std::thread thread_;
};

class linkSocketBus : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(folder.path.empty()); }
    TempFolder folder;
};

TEST_F(linkSocketBus, EverySocketInTheFolderIsAnInterfaceInNameOrder) {
    Peer b(folder / "b.sock", "ZV-318", Peer::Mode::Answer);
    Peer a(folder / "a.sock", "ZV-318 ", Peer::Mode::Answer);
    Peer c(folder / "c", "zv-318", Peer::Mode::Answer);
    { std::ofstream(folder / "0-not-a-socket.txt") << "x"; }
    fs::create_directory(folder / "0-folder");

    SocketBus bus(folder.path);
    std::vector<InterfaceInfo> list = bus.enumerate();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].path, folder / "a.sock");
    EXPECT_EQ(list[1].path, folder / "b.sock");
    EXPECT_EQ(list[2].path, folder / "c");

    OpenResult opened = bus.open(list[0].path);
    ASSERT_TRUE(opened.transport);
    EXPECT_EQ(opened.transport->productString(), "ZV-318 ");

    Link link(bus);
    ASSERT_TRUE(link.FindInstrument());
    EXPECT_EQ(link.ProductName(), "ZV-318");
    EXPECT_EQ(link.SendQuery("*?NS"), "?NSZV-318\r");
    EXPECT_EQ(b.reportsReceived(), 1);
    EXPECT_EQ(a.reportsReceived(), 0);
}

TEST_F(linkSocketBus, MissingFolderOrSocketIsNotFound) {
    EXPECT_TRUE(SocketBus(folder / "absent").enumerate().empty());
    SocketBus bus(folder.path);
    EXPECT_EQ(bus.open(folder / "absent.sock").error, OpenError::NotFound);

    // A socket left behind by a peer that is gone: the connection is refused.
    int stale = BoundSocket(folder / "stale.sock", false);
    ASSERT_GE(stale, 0);
    OpenResult result = bus.open(folder / "stale.sock");
    EXPECT_FALSE(result.transport);
    EXPECT_EQ(result.error, OpenError::NotFound);
    ::close(stale);
}

TEST_F(linkSocketBus, SocketWeMayNotConnectToIsPermissionDenied) {
    int fd = BoundSocket(folder / "locked.sock", true);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::chmod((folder / "locked.sock").c_str(), 0600), 0);
    ASSERT_EQ(::chmod(folder.path.c_str(), 0711), 0);
    auto attempt = [&] { return SocketBus(folder.path).open(folder / "locked.sock").error; };
    if (::geteuid() != 0) {
        ASSERT_EQ(::chmod((folder / "locked.sock").c_str(), 0), 0);
        EXPECT_EQ(attempt(), OpenError::PermissionDenied);
    } else {
        // Root connects anywhere: try as an ordinary user in a child process.
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
            ::_exit(attempt() == OpenError::PermissionDenied ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    ::close(fd);
}

// Peers that do not keep the protocol: the search and the exchanges end in bounded time with
// "no instrument" or an empty reply, never a crash or a wait without end.
TEST_F(linkSocketBus, HostileProductStringsAreNotTheInstrument) {
    struct Case {
        const char* what;
        std::string product;
        Peer::Mode mode;
    };
    const Case cases[] = {
        {"an empty product message", "", Peer::Mode::Answer},
        {"a product of 4,000 bytes", std::string(4000, 'Z'), Peer::Mode::Answer},
        {"invalid UTF-8", "ZV-318\xff\xfe", Peer::Mode::Answer},
        {"a peer that never sends its product", "ZV-318", Peer::Mode::Mute},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Peer peer(folder / "hostile.sock", c.product, c.mode);
        SocketBus bus(folder.path, 300);
        Link link(bus);
        auto start = Clock::now();
        EXPECT_FALSE(link.FindInstrument());
        EXPECT_LT(MillisecondsSince(start), 1500);
    }
}

TEST_F(linkSocketBus, RepliesOfTheWrongSizeAreNoReply) {
    for (std::size_t size : {0u, 1u, 64u, 66u, 4096u}) {
        SCOPED_TRACE(size);
        Peer peer(folder / "sized.sock", "ZV-318", Peer::Mode::Sized, size);
        SocketBus bus(folder.path, 300);
        Link link(bus);
        link.setTimeoutMs(300);
        ASSERT_TRUE(link.FindInstrument());
        auto start = Clock::now();
        // 64 bytes are a report without its ID (the transport puts it back); every other size
        // is not a report.
        EXPECT_EQ(link.SendQuery("*?NS"), size == 64 ? "?NSZV-318\r" : "");
        EXPECT_EQ(link.IsOpen(), size == 64);
        EXPECT_LT(MillisecondsSince(start), 1500);
    }
}

TEST_F(linkSocketBus, ACrowdedFolderStillFindsTheInstrumentInBoundedTime) {
    std::vector<int> refused;  // 200 sockets left behind by peers that are gone
    for (int i = 0; i < 200; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "a%03d.sock", i);
        refused.push_back(BoundSocket(folder / name, false));
        ASSERT_GE(refused.back(), 0);
    }
    std::ofstream(folder / "b-regular-file") << "not a socket";
    fs::create_symlink(folder / "c-loop", folder / "c-loop");
    // A listener that never accepts and whose queue is already full: a blocking connect to it
    // would wait for ever.
    int full = BoundSocket(folder / "d-full.sock", false);
    ASSERT_GE(full, 0);
    ASSERT_EQ(::listen(full, 0), 0);
    std::vector<int> queued;
    for (int i = 0; i < 4; ++i) {
        int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK, 0);
        sockaddr_un a = AddressOf(folder / "d-full.sock");
        if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
            ::close(fd);
            break;
        }
        queued.push_back(fd);
    }
    Peer instrument(folder / "z-instrument.sock", "ZV-318", Peer::Mode::Answer);

    SocketBus bus(folder.path, 300);
    Link link(bus);
    auto start = Clock::now();
    ASSERT_TRUE(link.FindInstrument());
    EXPECT_LT(MillisecondsSince(start), 3000);
    EXPECT_EQ(link.SendQuery("*?NS"), "?NSZV-318\r");
    for (int fd : refused) ::close(fd);
    for (int fd : queued) ::close(fd);
    ::close(full);
}

TEST_F(linkSocketBus, ReportsWithoutTheReportIdGetItInFront) {
    Peer peer(folder / "short.sock", "ZV-318", Peer::Mode::Short);
    SocketBus bus(folder.path);
    Link link(bus);
    link.setTimeoutMs(2000);
    ASSERT_TRUE(link.FindInstrument());
    EXPECT_EQ(GetSerial(link), "ZV-318");
}

TEST_F(linkSocketBus, SilentPeerTimesOut) {
    Peer peer(folder / "silent.sock", "ZV-318", Peer::Mode::Silent);
    SocketBus bus(folder.path);
    Link link(bus);
    link.setTimeoutMs(200);

    ASSERT_TRUE(link.FindInstrument());
    auto start = Clock::now();
    EXPECT_EQ(link.SendQuery("*?NS"), "");
    long long ms = MillisecondsSince(start);
    EXPECT_GE(ms, 180);
    EXPECT_LT(ms, 1500);
    EXPECT_FALSE(link.IsOpen());

    start = Clock::now();
    EXPECT_EQ(link.SendCommand("*EC01"), 0);
    EXPECT_EQ(GetChannelPlanQuantity(link), 0);  // closed after the silence: nothing sent
    EXPECT_LT(MillisecondsSince(start), 1500);
    EXPECT_EQ(peer.reportsReceived(), 2);
}

TEST_F(linkSocketBus, TimeOutFromTheEnvironment) {
    Peer peer(folder / "silent.sock", "ZV-318", Peer::Mode::Silent);
    ::setenv("ZV318_TIMEOUT_MS", "300", 1);
    SocketBus bus(folder.path);
    Link link(bus);
    ::unsetenv("ZV318_TIMEOUT_MS");

    ASSERT_TRUE(link.FindInstrument());
    auto start = Clock::now();
    EXPECT_EQ(GetSerial(link), "");
    long long ms = MillisecondsSince(start);
    EXPECT_GE(ms, 280);
    EXPECT_LT(ms, 1500);
}

TEST_F(linkSocketBus, PeerThatHangsUpFailsAtOnce) {
    Peer peer(folder / "gone.sock", "ZV-318", Peer::Mode::HangUp);
    SocketBus bus(folder.path);
    Link link(bus);
    link.setTimeoutMs(5000);
    ASSERT_TRUE(link.FindInstrument());
    auto start = Clock::now();
    EXPECT_EQ(link.SendQuery("*?NS"), "");
    EXPECT_LT(MillisecondsSince(start), 2000);
    EXPECT_FALSE(link.IsOpen());

    // A write on a connection the peer has closed fails.
    OpenResult opened = bus.open(folder / "gone.sock");
    ASSERT_TRUE(opened.transport);
    EXPECT_TRUE(opened.transport->write(Report{}));
    for (int i = 0; i < 200 && peer.reportsReceived() < 2; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(peer.reportsReceived(), 2);
    EXPECT_FALSE(opened.transport->write(Report{}));
    EXPECT_FALSE(opened.transport->read(2000));
}

TEST_F(linkSocketBus, FolderFromTheEnvironment) {
    ::setenv("ZV318_HID_SOCKETS", "/run/zv318", 1);
    EXPECT_EQ(SocketFolderFromEnvironment(), "/run/zv318");
    ::setenv("ZV318_HID_SOCKETS", "", 1);
    EXPECT_EQ(SocketFolderFromEnvironment(), std::nullopt);
    ::unsetenv("ZV318_HID_SOCKETS");
    EXPECT_EQ(SocketFolderFromEnvironment(), std::nullopt);
}

// ---- against the zv318-sim program ----------------------------------------------------

#ifdef ZV318_SIM_PATH

// zv318-sim run as a child process; ready once it has printed "listening on PATH".
class SimProcess {
public:
    explicit SimProcess(std::vector<std::string> args) {
        args.insert(args.begin(), ZV318_SIM_PATH);
        int out[2];
        if (::pipe(out) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], 1);
            ::close(out[0]);
            ::close(out[1]);
            std::vector<char*> argv;
            for (std::string& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        // Wait up to 10 s for the first line.
        auto start = Clock::now();
        char c;
        while (MillisecondsSince(start) < 10000) {
            pollfd p{out[0], POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0) continue;
            if (::read(out[0], &c, 1) != 1 || c == '\n') break;
            line_ += c;
        }
        ::close(out[0]);
    }
    ~SimProcess() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    const std::string& line() const { return line_; }
    // Asks it to end with SIGTERM; its exit status, or -1.
    int stop() {
        if (pid_ <= 0) return -1;
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    std::string line_;
};

TEST_F(linkSocketBus, EndToEndAgainstTheSimulatorProgram) {
    SimProcess sim({"--socket-dir", folder.path});
    ASSERT_EQ(sim.line(), "listening on " + (folder / "zv318.sock"));

    SocketBus bus(folder.path);
    Link link(bus);
    link.setTimeoutMs(5000);
    ASSERT_TRUE(link.FindInstrument());
    EXPECT_EQ(link.ProductName(), "ZV-318");
    EXPECT_EQ(GetSerial(link), "00012345");
    EXPECT_EQ(GetIOVersion(link), "IO-2.10");
    EXPECT_EQ(GetZVVersion(link), "V1.20");

    // Every SendCommand reconnects; the instrument keeps its state across connections.
    EXPECT_EQ(link.SendCommand("*EC01"), 1);
    EXPECT_EQ(GetChannelPlanQuantity(link), 3);
    EXPECT_EQ(GetChannelPlanName(link, 1), "FM");
    EXPECT_EQ(GetChannelQuantity(link, 1), 7);
    EXPECT_EQ(GetChannel(link, 1, 0), "#F1&88100000&200000&128");
    EXPECT_EQ(link.SendQuery("*PN02"), "OK\r");
    ASSERT_TRUE(link.FindInstrument());
    EXPECT_EQ(GetChannelPlanQuantity(link), 2);

    // The simulator ends on SIGTERM and takes its socket with it.
    EXPECT_EQ(sim.stop(), 0);
    EXPECT_FALSE(fs::exists(folder / "zv318.sock"));
    auto start = Clock::now();
    EXPECT_EQ(GetSerial(link), "");
    EXPECT_LT(MillisecondsSince(start), 2000);
    EXPECT_FALSE(link.FindInstrument());
}

TEST_F(linkSocketBus, SimulatorOptionsNameProductAndEmpty) {
    SimProcess other({"--socket-dir", folder.path, "--name", "a.sock", "--product", "ZV-318X"});
    SimProcess empty({"--socket-dir", folder.path, "--name", "b.sock", "--empty"});
    ASSERT_EQ(other.line(), "listening on " + (folder / "a.sock"));
    ASSERT_EQ(empty.line(), "listening on " + (folder / "b.sock"));

    SocketBus bus(folder.path);
    ASSERT_EQ(bus.enumerate().size(), 2u);
    Link link(bus);
    link.setTimeoutMs(5000);
    EXPECT_EQ(link.SendCommand("*EC01"), 1);
    EXPECT_EQ(GetChannelPlanQuantity(link), 0);
    EXPECT_EQ(link.SendCommand("*EC02"), 1);
    EXPECT_EQ(GetChannelPlanQuantity(link), 0);

    // A second simulator on a name in use refuses to start.
    SimProcess clash({"--socket-dir", folder.path, "--name", "b.sock"});
    EXPECT_EQ(clash.line(), "");
    EXPECT_EQ(clash.stop(), 1);
    EXPECT_EQ(GetChannelPlanQuantity(link), 0);  // the first one still serves
}

#endif

}  // namespace
}  // namespace zv318
