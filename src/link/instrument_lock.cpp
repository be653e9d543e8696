#include "link/instrument_lock.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include <cwchar>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace zv318 {

namespace {

constexpr int kPollMs = 20;
constexpr std::size_t kMaxNameBytes = 64;

bool Expired(std::chrono::steady_clock::time_point until) {
    return std::chrono::steady_clock::now() >= until;
}

}  // namespace

#ifdef _WIN32

namespace {

// A mutex of the person's own session: only programs of that session can make or open it, and
// the system frees it when its holder ends (the next owner sees it abandoned and takes it).
class MutexLock : public InstrumentLock {
public:
    MutexLock(std::string instrument, HANDLE mutex)
        : InstrumentLock(std::move(instrument)), mutex_(mutex) {}
    ~MutexLock() override {
        ::ReleaseMutex(mutex_);
        ::CloseHandle(mutex_);
    }

private:
    HANDLE mutex_;
};

std::wstring MutexName(const std::string& target) {
    // Backslashes are not allowed in a kernel object's name: the interface path is hashed.
    std::uint64_t hash = 1469598103934665603ull;
    for (unsigned char c : target) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    wchar_t name[64];
    std::swprintf(name, 64, L"Local\\zv318-%016llx", static_cast<unsigned long long>(hash));
    return name;
}

}  // namespace

LockAttempt TakeNodeLock(const std::string& target, LockNode, int waitMs) {
    LockAttempt attempt;
    attempt.target = target;
    HANDLE mutex = ::CreateMutexW(nullptr, FALSE, MutexName(target).c_str());
    if (!mutex) {
        attempt.outcome =
            ::GetLastError() == ERROR_ACCESS_DENIED ? LockOutcome::NoAccess : LockOutcome::Failed;
        attempt.reason = "error " + std::to_string(::GetLastError());
        return attempt;
    }
    const DWORD waited = ::WaitForSingleObject(mutex, static_cast<DWORD>(waitMs));
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
        attempt.lock = std::make_unique<MutexLock>(target, mutex);
        return attempt;
    }
    ::CloseHandle(mutex);
    attempt.outcome = waited == WAIT_TIMEOUT ? LockOutcome::Busy : LockOutcome::Failed;
    return attempt;
}

LockHolder HolderOf(int) {
    return {};
}

bool ProcessMayWrite(long, const std::string&) {
    return false;
}

LockAttempt TakeLockInFolder(const std::string& folder, const std::string& name, int) {
    LockAttempt attempt;
    attempt.target = folder + "\\" + name;
    attempt.outcome = LockOutcome::Failed;
    attempt.reason = "no lock files here";
    return attempt;
}

#else

namespace {

class DescriptorLock : public InstrumentLock {
public:
    DescriptorLock(std::string instrument, int fd)
        : InstrumentLock(std::move(instrument)), fd_(fd) {}
    ~DescriptorLock() override { ::close(fd_); }

private:
    int fd_;
};

// The process's own name, as the kernel keeps it.
std::string ProcessName(long process) {
    std::ifstream comm("/proc/" + std::to_string(process) + "/comm", std::ios::binary);
    std::string name;
    if (!comm || !std::getline(comm, name)) return {};
    if (name.size() > kMaxNameBytes) name.resize(kMaxNameBytes);
    return name;
}

}  // namespace

LockHolder HolderOf(int descriptor) {
    struct stat st {};
    if (::fstat(descriptor, &st) != 0) return {};
    std::ifstream table("/proc/locks");
    std::string line;
    while (std::getline(table, line)) {
        // "1: FLOCK  ADVISORY  WRITE 4165 00:19:1207 0 EOF"; waiters are marked "->".
        std::istringstream fields(line);
        std::string number, kind, mode, access, node;
        long process = 0;
        if (!(fields >> number >> kind) || kind == "->" || kind != "FLOCK") continue;
        if (!(fields >> mode >> access >> process >> node)) continue;
        unsigned devMajor = 0, devMinor = 0;
        unsigned long long inode = 0;
        if (std::sscanf(node.c_str(), "%x:%x:%llu", &devMajor, &devMinor, &inode) != 3) continue;
        if (devMajor != major(st.st_dev) || devMinor != minor(st.st_dev) || inode != st.st_ino)
            continue;
        // A process of another namespace shows as 0 (or an open-file lock as -1): not named.
        if (process <= 0) continue;
        LockHolder holder;
        holder.process = process;
        holder.program = ProcessName(process);
        return holder;
    }
    return {};
}

bool ProcessMayWrite(long process, const std::string& path) {
    if (process <= 0) return false;
    std::ifstream status("/proc/" + std::to_string(process) + "/status");
    std::string line;
    long uid = -1, gid = -1;
    std::vector<long> groups;
    while (std::getline(status, line)) {
        // "Uid:\treal\teffective\tsaved\tfilesystem": access is checked with the last.
        std::istringstream fields(line);
        std::string key;
        fields >> key;
        long value[4] = {-1, -1, -1, -1};
        if (key == "Uid:" || key == "Gid:") {
            for (long& v : value) fields >> v;
            (key == "Uid:" ? uid : gid) = value[3];
        } else if (key == "Groups:") {
            for (long g; fields >> g;) groups.push_back(g);
        }
    }
    struct stat st {};
    if (uid < 0 || gid < 0 || ::stat(path.c_str(), &st) != 0) return false;
    if (uid == 0) return true;
    if (static_cast<uid_t>(uid) == st.st_uid) return (st.st_mode & S_IWUSR) != 0;
    const bool member =
        static_cast<gid_t>(gid) == st.st_gid ||
        std::find(groups.begin(), groups.end(), static_cast<long>(st.st_gid)) != groups.end();
    return (st.st_mode & (member ? S_IWGRP : S_IWOTH)) != 0;
}

namespace {

// Locks the open `fd` (of `attempt.target`), waiting at most `waitMs` for a holder to let go;
// `fd` is kept by the lock taken, else closed.
LockAttempt LockDescriptor(LockAttempt attempt, int fd, int waitMs) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            attempt.lock = std::make_unique<DescriptorLock>(attempt.target, fd);
            return attempt;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            attempt.outcome = LockOutcome::Failed;
            attempt.reason = std::strerror(errno);
            ::close(fd);
            return attempt;
        }
        if (Expired(until)) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
    }
    attempt.outcome = LockOutcome::Busy;
    attempt.holder = HolderOf(fd);
    ::close(fd);
    return attempt;
}

}  // namespace

LockAttempt TakeLockInFolder(const std::string& folder, const std::string& name, int waitMs) {
    LockAttempt attempt;
    attempt.target = folder + "/" + name;
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    const int fd =
        dir < 0 ? -1
                : ::openat(dir, name.c_str(),
                           O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600);
    const int error = errno;
    if (dir >= 0) ::close(dir);
    if (fd < 0) {
        attempt.outcome = LockOutcome::Failed;
        attempt.reason = std::strerror(error);
        return attempt;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        ::close(fd);
        attempt.outcome = LockOutcome::Failed;
        attempt.reason = "not a file of this user";
        return attempt;
    }
    return LockDescriptor(std::move(attempt), fd, waitMs);
}

LockAttempt TakeNodeLock(const std::string& target, LockNode kind, int waitMs) {
    LockAttempt attempt;
    attempt.target = target;
    // Without blocking: a FIFO planted in the node's place must not hold the open.
    const int flags =
        kind == LockNode::Folder ? O_RDONLY | O_DIRECTORY : O_RDWR | O_NONBLOCK | O_NOCTTY;
    const int fd = ::open(target.c_str(), flags | O_CLOEXEC);
    if (fd < 0) {
        attempt.outcome =
            errno == EACCES || errno == EPERM ? LockOutcome::NoAccess : LockOutcome::Failed;
        attempt.reason = std::strerror(errno);
        return attempt;
    }
    struct stat st {};
    const bool right = ::fstat(fd, &st) == 0 &&
                       (kind == LockNode::Folder ? S_ISDIR(st.st_mode) : S_ISCHR(st.st_mode));
    if (!right) {
        ::close(fd);
        attempt.outcome = LockOutcome::Failed;
        attempt.reason = kind == LockNode::Folder ? "not a folder" : "not a device";
        return attempt;
    }
    return LockDescriptor(std::move(attempt), fd, waitMs);
}

#endif

}  // namespace zv318
