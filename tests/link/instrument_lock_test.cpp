// The instrument's lock: on the instrument's own node, held by one program, named while held
// and freed when its holder lets go; refused at once on what is no instrument node; never held
// against the person at the desk by one who may not open the instrument.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/environment_setting.h"
#include "link/instrument_lock.h"
#include "link/link.h"
#include "link/socket_bus.h"
#include "sim/bus.h"
#include "sim/instrument.h"

namespace zv318 {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Scratch {
    fs::path path;
    Scratch() {
        std::string pattern = (fs::temp_directory_path() / "zv318-lock-XXXXXX").string();
        path = ::mkdtemp(pattern.data()) ? pattern : "";
    }
    ~Scratch() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

// Another process that runs `take` (its answer: 1 taken, 0 not) under the name `name`, and
// ends (letting go of what it holds) when told.
class Elsewhere {
public:
    Elsewhere(const char* name, std::function<bool()> take) {
        if (::pipe(answer_) != 0 || ::pipe(order_) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::prctl(PR_SET_NAME, name);
            const char got = take() ? 1 : 0;
            (void)!::write(answer_[1], &got, 1);
            char order = 0;
            if (::read(order_[0], &order, 1) == 1) {
                std::this_thread::sleep_for(std::chrono::milliseconds(order));
                ::_exit(got ? 0 : 1);  // ends with whatever it held
            }
            ::_exit(2);
        }
        char got = 0;
        taken_ = ::read(answer_[0], &got, 1) == 1 && got == 1;
    }
    ~Elsewhere() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        for (int fd : {answer_[0], answer_[1], order_[0], order_[1]}) ::close(fd);
    }
    // Ends after `ms` milliseconds (at most 127).
    void letGoAfter(char ms) { (void)!::write(order_[1], &ms, 1); }
    [[nodiscard]] bool taken() const { return taken_; }
    [[nodiscard]] long pid() const { return pid_; }

private:
    int answer_[2] = {-1, -1}, order_[2] = {-1, -1};
    pid_t pid_ = -1;
    bool taken_ = false;
};

// The child's lock lives as long as the child: taken by a lock attempt that is never freed.
std::function<bool()> Holds(const fs::path& target, LockNode kind) {
    return [target, kind] {
        LockAttempt a = TakeNodeLock(target.string(), kind, 0);
        return a.lock.release() != nullptr;
    };
}

bool BecomeNobody() {
    const passwd* nobody = ::getpwnam("nobody");
    return nobody && ::setgroups(0, nullptr) == 0 && ::setgid(nobody->pw_gid) == 0 &&
           ::setuid(nobody->pw_uid) == 0;
}

TEST(InstrumentLock, AHolderIsNamedWhileItHoldsAndLetsTheWaitingOneInWhenItLetsGo) {
    Scratch instrument, other;
    // A holder whose name carries a terminal escape.
    Elsewhere holder("hold\x1b[2J", Holds(instrument.path, LockNode::Folder));
    ASSERT_TRUE(holder.taken());

    LockAttempt refused = TakeNodeLock(instrument.path.string(), LockNode::Folder, 0);
    EXPECT_EQ(refused.outcome, LockOutcome::Busy);
    EXPECT_FALSE(refused.lock);
    EXPECT_EQ(refused.holder.process, holder.pid());
    EXPECT_EQ(refused.holder.program, "hold\x1b[2J");  // escaped where it is shown

    // Another instrument's lock is free, and names nobody though a lock is held elsewhere.
    const int fd = ::open(other.path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    EXPECT_EQ(HolderOf(fd).process, 0);
    EXPECT_EQ(HolderOf(fd).program, "");
    ::close(fd);

    // A holder that lets go within the wait lets the waiting program in, when it lets go.
    const Clock::time_point start = Clock::now();
    holder.letGoAfter(120);
    LockAttempt waited = TakeNodeLock(instrument.path.string(), LockNode::Folder, kLockWaitMs);
    const auto took = Clock::now() - start;
    EXPECT_EQ(waited.outcome, LockOutcome::Taken);
    EXPECT_TRUE(waited.lock);
    EXPECT_GE(took, std::chrono::milliseconds(100));
    EXPECT_LT(took, std::chrono::milliseconds(kLockWaitMs));

    // Held here, then let go: a released lock names nobody.
    const int mine = ::open(instrument.path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    EXPECT_EQ(HolderOf(mine).process, static_cast<long>(::getpid()));
    waited.lock.reset();
    EXPECT_EQ(HolderOf(mine).process, 0);
    ::close(mine);
}

TEST(InstrumentLock, WhatIsNoInstrumentNodeIsRefusedAtOnce) {
    Scratch s;
    const fs::path file = s.path / "file", fifo = s.path / "fifo", link = s.path / "link",
                   socket = s.path / "socket";
    std::ofstream(file) << "zv318ctl 1\n";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_symlink(fifo, link);
    const int listener = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socket.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    const struct {
        const char* what;
        fs::path target;
        LockNode kind;
    } cases[] = {
        {"a plain file", file, LockNode::Device},
        {"a FIFO", fifo, LockNode::Device},
        {"a link to a FIFO", link, LockNode::Device},
        {"a socket", socket, LockNode::Device},
        {"a folder", s.path, LockNode::Device},
        {"nothing", s.path / "gone", LockNode::Device},
        {"a FIFO as folder", fifo, LockNode::Folder},
        {"a file as folder", file, LockNode::Folder},
    };
    for (const auto& c : cases) {
        const Clock::time_point start = Clock::now();
        LockAttempt a = TakeNodeLock(c.target.string(), c.kind, kLockWaitMs);
        EXPECT_EQ(a.outcome, LockOutcome::Failed) << c.what;
        EXPECT_FALSE(a.lock) << c.what;
        EXPECT_FALSE(a.reason.empty()) << c.what;
        EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(100)) << c.what;
    }
    ::close(listener);
}

// A device node of our own (the hidraw node's stand-in): root may make one.
bool MakeNode(const fs::path& node) {
    return ::mknod(node.c_str(), S_IFCHR | 0600, ::makedev(1, 3)) == 0;
}

TEST(InstrumentLock, ADeviceNodeIsOneLockByAnyNameAndOnlyForWhoMayOpenIt) {
    Scratch s;
    const fs::path node = s.path / "hidraw7", alias = s.path / "alias";
    if (!MakeNode(node)) GTEST_SKIP() << "device nodes cannot be made here";
    fs::create_symlink(node, alias);

    LockAttempt held = TakeNodeLock(node.string(), LockNode::Device, 0);
    ASSERT_EQ(held.outcome, LockOutcome::Taken) << held.reason;
    // The same node by another name: the same lock.
    LockAttempt again = TakeNodeLock(alias.string(), LockNode::Device, 0);
    EXPECT_EQ(again.outcome, LockOutcome::Busy);
    EXPECT_EQ(again.holder.process, static_cast<long>(::getpid()));
    held.lock.reset();

    // Another user may open neither the node (0600) nor a private folder (0700): no lock.
    ASSERT_EQ(::chmod(s.path.c_str(), 0711), 0);
    const fs::path privateFolder = s.path / "private";
    fs::create_directory(privateFolder);
    ASSERT_EQ(::chmod(privateFolder.c_str(), 0700), 0);
    Elsewhere stranger("stranger", [&] {
        if (!BecomeNobody()) return true;  // reported as taken: the test fails below
        return TakeNodeLock(node.string(), LockNode::Device, 0).outcome == LockOutcome::Taken ||
               TakeNodeLock(privateFolder.string(), LockNode::Folder, 0).outcome ==
                   LockOutcome::Taken;
    });
    EXPECT_FALSE(stranger.taken());
    EXPECT_EQ(TakeNodeLock(node.string(), LockNode::Device, 0).outcome, LockOutcome::Taken);
}

using Setting = testing::EnvironmentSetting;

// The socket folder's lock, when a user who may not connect to the socket holds the folder:
// that hold keeps none of the person's programs from the instrument, yet they still exclude
// each other. A hold is never taken for no lock: without a runtime folder of the person's own
// to keep their lock in, the stranger's hold stands.
TEST(InstrumentLock, AFolderHeldByOneWhoMayNotConnectKeepsNobodyFromTheSocket) {
    Scratch s, runtime, shared;
    if (::geteuid() != 0) GTEST_SKIP() << "another user's process needs root to start";
    ASSERT_EQ(::chmod(s.path.c_str(), 0755), 0);
    ASSERT_EQ(::chmod(runtime.path.c_str(), 0700), 0);
    const fs::path socket = s.path / "zv318.sock";
    const int listener = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socket.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::chmod(socket.c_str(), 0755), 0);

    // Anyone may read the folder, so anyone may lock it.
    Elsewhere stranger("stranger", [&] {
        return BecomeNobody() && TakeNodeLock(s.path.string(), LockNode::Folder, 0).lock.release();
    });
    ASSERT_TRUE(stranger.taken());
    SocketBus bus(s.path.string());
    {
        const Setting own("XDG_RUNTIME_DIR", runtime.path.string());
        const Clock::time_point start = Clock::now();
        LockAttempt first = bus.takeLock(socket.string(), "zv318ctl", kLockWaitMs);
        EXPECT_EQ(first.outcome, LockOutcome::Taken);  // the stranger cannot connect: not counted
        ASSERT_TRUE(first.lock) << "taken, and held";
        EXPECT_EQ(first.lock->instrument(), bus.lockName(socket.string()));
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
        // The person's second program waits for the first, not for the stranger.
        LockAttempt second = bus.takeLock(socket.string(), "zv318ctl", 0);
        EXPECT_EQ(second.outcome, LockOutcome::Busy);
        EXPECT_FALSE(second.lock);
        EXPECT_EQ(second.holder.process, static_cast<long>(::getpid()));
        first.lock.reset();
        EXPECT_EQ(bus.takeLock(socket.string(), "zv318ctl", 0).outcome, LockOutcome::Taken);
    }
    {
        // No runtime folder of the person's own: the runtime folder open to others, and the
        // temporary folder's runtime-USER made by another user first.
        ASSERT_EQ(::chmod(runtime.path.c_str(), 0755), 0);
        const Setting own("XDG_RUNTIME_DIR", runtime.path.string());
        const Setting temporary("TMPDIR", shared.path.string());
        const fs::path planted = shared.path / ("runtime-" + std::string(::getpwuid(0)->pw_name));
        fs::create_directory(planted);
        ASSERT_EQ(::chown(planted.c_str(), ::getpwnam("nobody")->pw_uid, 0), 0);
        ASSERT_EQ(::chmod(planted.c_str(), 0700), 0);
        LockAttempt refused = bus.takeLock(socket.string(), "zv318ctl", 0);
        EXPECT_EQ(refused.outcome, LockOutcome::Busy);
        EXPECT_FALSE(refused.lock);
        EXPECT_EQ(refused.holder.process, stranger.pid());
        ASSERT_EQ(::chmod(runtime.path.c_str(), 0700), 0);
    }
    {
        // Once the stranger may connect too, its lock counts.
        const Setting own("XDG_RUNTIME_DIR", runtime.path.string());
        ASSERT_EQ(::chmod(socket.c_str(), 0777), 0);
        LockAttempt refused = bus.takeLock(socket.string(), "zv318ctl", 0);
        EXPECT_EQ(refused.outcome, LockOutcome::Busy);
        EXPECT_FALSE(refused.lock);
        EXPECT_EQ(refused.holder.process, stranger.pid());
    }
    ::close(listener);
}

// Whose lock counts is whose process may write the socket: the owner by the owner's bit, a
// member of the socket's group (by its own group or one of its others) by the group's, anyone
// else by the others'. Modes that open the group and the others differently tell them apart.
TEST(InstrumentLock, WhoMayWriteGoesByTheOwnersTheGroupsOrTheOthersBit) {
    Scratch s;
    if (::geteuid() != 0) GTEST_SKIP() << "another user's process needs root to start";
    constexpr gid_t kGroup = 4242;
    constexpr uid_t kPerson = 65534;
    auto becomes = [](gid_t main, std::vector<gid_t> others) {
        return [main, others] {
            return ::setgroups(others.size(), others.data()) == 0 && ::setgid(main) == 0 &&
                   ::setuid(kPerson) == 0;
        };
    };
    Elsewhere byMainGroup("member", becomes(kGroup, {})),
        byOtherGroup("member", becomes(65534, {100, kGroup})),
        stranger("stranger", becomes(65534, {100}));
    ASSERT_TRUE(byMainGroup.taken() && byOtherGroup.taken() && stranger.taken());
    const fs::path file = s.path / "zv318.sock";
    std::ofstream(file).put('\n');

    const struct {
        mode_t mode;
        uid_t owner;
        bool member, other;  // whether a member of the group, and a stranger, may write (all
                             // three are the owner where the owner is the person)
    } cases[] = {
        {0775, 0, true, false},        {0757, 0, false, true},      {0755, 0, false, false},
        {0777, 0, true, true},         {0770, 0, true, false},      {0707, 0, false, true},
        {0577, kPerson, false, false}, {0200, kPerson, true, true},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(::chown(file.c_str(), c.owner, kGroup), 0);
        ASSERT_EQ(::chmod(file.c_str(), c.mode), 0);
        const std::string what = "mode 0" + std::to_string(c.mode >> 6) +
                                 std::to_string((c.mode >> 3) & 7) + std::to_string(c.mode & 7);
        EXPECT_EQ(ProcessMayWrite(byMainGroup.pid(), file.string()), c.member) << what;
        EXPECT_EQ(ProcessMayWrite(byOtherGroup.pid(), file.string()), c.member) << what;
        EXPECT_EQ(ProcessMayWrite(stranger.pid(), file.string()), c.other) << what;
        EXPECT_TRUE(ProcessMayWrite(::getpid(), file.string())) << what << ": root writes";
    }
    EXPECT_FALSE(ProcessMayWrite(0, file.string()));

    // A person who may not open the node is told so, not that the lock failed.
    ASSERT_EQ(::chmod(file.c_str(), 0600), 0);
    ASSERT_EQ(::chown(file.c_str(), 0, 0), 0);
    Elsewhere refused("stranger", [&] {
        return BecomeNobody() &&
               TakeNodeLock(file.string(), LockNode::Device, 0).outcome == LockOutcome::NoAccess;
    });
    EXPECT_TRUE(refused.taken());
}

TEST(InstrumentLock, TwoLinksOnOneSimulatedInstrumentExcludeEachOtherAndNoOther) {
    sim::Instrument instrument, unrelated;
    sim::SimBus busA(instrument), busB(instrument), busC(unrelated);
    Link first(busA), second(busB), third(busC);
    first.setLockOwner("first");
    second.setLockOwner("second");
    third.setLockOwner("third");

    ASSERT_EQ(first.Claim(), Link::ClaimResult::Held);
    const std::size_t received = instrument.received.size();
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(second.Claim(), Link::ClaimResult::Refused);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
    ASSERT_TRUE(second.Refusal());
    EXPECT_EQ(second.Refusal()->holder.program, "first");
    EXPECT_EQ(busB.openCount(), 0);  // refused before anything was opened
    EXPECT_EQ(instrument.received.size(), received);
    EXPECT_EQ(third.Claim(), Link::ClaimResult::Held);

    // Let go within the wait: the waiting one gets in.
    second.Release();
    std::thread letGo([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        first.Release();
    });
    EXPECT_EQ(second.Claim(), Link::ClaimResult::Held);
    letGo.join();
}

}  // namespace
}  // namespace zv318
