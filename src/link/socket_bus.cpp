#include "link/socket_bus.h"

#include "link/runtime_folder.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>

#if defined(__unix__) || defined(__APPLE__)
#define ZV318_HAVE_UNIX_SOCKETS 1
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#ifndef MSG_NOSIGNAL  // macOS: SO_NOSIGPIPE on the socket instead
#define MSG_NOSIGNAL 0
#endif
#endif

namespace zv318 {

std::optional<std::string> SocketFolderFromEnvironment() {
    const char* folder = std::getenv(kSocketFolderVariable);
    if (!folder || !*folder) return std::nullopt;
    return std::string(folder);
}

SocketBus::SocketBus(std::string folder, int productTimeoutMs)
    : folder_(std::move(folder)), productTimeoutMs_(productTimeoutMs) {}

#ifdef ZV318_HAVE_UNIX_SOCKETS

namespace {

// Waits until `fd` has a message or `timeoutMs` has passed; false on time-out or error.
bool WaitReadable(int fd, int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd p{fd, POLLIN, 0};
        int n = ::poll(&p, 1, static_cast<int>(std::max<long long>(left.count(), 0)));
        if (n > 0) return true;  // a message, or the peer hung up: recv tells which
        if (n == 0) return false;
        if (errno != EINTR) return false;
    }
}

// Receives one whole message; its length, 0 when the peer has closed, -1 on error.
ssize_t ReceiveMessage(int fd, std::uint8_t* buffer, std::size_t size) {
    for (;;) {
        ssize_t n = ::recv(fd, buffer, size, MSG_TRUNC);
        if (n >= 0 || errno != EINTR) return n;
    }
}

class SocketTransport : public Transport {
public:
    explicit SocketTransport(int fd) : fd_(fd) {}
    ~SocketTransport() override { ::close(fd_); }
    SocketTransport(const SocketTransport&) = delete;
    SocketTransport& operator=(const SocketTransport&) = delete;

    // Reads the peer's first message, the product string.
    void receiveProduct(int timeoutMs) {
        if (!WaitReadable(fd_, timeoutMs)) return;
        std::uint8_t buffer[kMaxProductBytes + 1];
        ssize_t n = ReceiveMessage(fd_, buffer, sizeof buffer);
        if (n <= 0 || n > static_cast<ssize_t>(kMaxProductBytes)) {
            broken_ = true;
            return;
        }
        product_ = std::string(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(n));
    }

    bool write(const Report& report) override {
        if (broken_) return false;
        for (;;) {
            ssize_t n = ::send(fd_, report.data(), report.size(), MSG_NOSIGNAL);
            if (n == static_cast<ssize_t>(report.size())) return true;
            if (n < 0 && errno == EINTR) continue;
            broken_ = true;
            return false;
        }
    }

    std::optional<Report> read(int timeoutMs) override {
        if (broken_ || !WaitReadable(fd_, timeoutMs)) return std::nullopt;
        std::uint8_t buffer[kReportSize + 1];
        ssize_t n = ReceiveMessage(fd_, buffer, sizeof buffer);
        Report report{};
        if (n == static_cast<ssize_t>(kReportSize)) {
            std::copy_n(buffer, kReportSize, report.begin());
            return report;
        }
        if (n == static_cast<ssize_t>(kReportSize - 1)) {
            // 64 data bytes without the report ID, as HID reads deliver them.
            std::copy_n(buffer, kReportSize - 1, report.begin() + 1);
            return report;
        }
        broken_ = true;  // closed by the peer, an error, or not a report
        return std::nullopt;
    }

    std::optional<std::string> productString() override { return product_; }

private:
    int fd_;
    bool broken_ = false;
    std::optional<std::string> product_;
};

bool IsSocket(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
}

}  // namespace

std::vector<InterfaceInfo> SocketBus::enumerate() {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder_.c_str())) {
        while (dirent* entry = ::readdir(dir)) {
            std::string name = entry->d_name;
            if (name == "." || name == "..") continue;
            if (IsSocket(folder_ + "/" + name)) names.push_back(std::move(name));
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    std::vector<InterfaceInfo> list;
    list.reserve(names.size());
    for (const std::string& name : names) list.push_back({folder_ + "/" + name, {}});
    return list;
}

OpenResult SocketBus::open(const std::string& path) {
    OpenResult result;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        result.error = OpenError::Other;
        return result;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);

    int fd = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
    if (fd < 0) {
        result.error = OpenError::Other;
        return result;
    }
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
#ifdef SO_NOSIGPIPE
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_NOSIGPIPE, &one, sizeof one);
#endif
    // A listener that never accepts and whose queue is full would hold a blocking connect for
    // ever: connect without blocking (a full queue answers at once) and block afterwards.
    const int flags = ::fcntl(fd, F_GETFL);
    ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    int rc;
    do {
        rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (rc < 0 && errno == EINTR);
    if (rc == 0) ::fcntl(fd, F_SETFL, flags);
    if (rc < 0) {
        int error = errno;
        ::close(fd);
        switch (error) {
            case ENOENT:
            case ECONNREFUSED:
            case ENOTDIR:
                result.error = OpenError::NotFound;
                break;
            case EACCES:
            case EPERM:
                result.error = OpenError::PermissionDenied;
                break;
            default:
                result.error = OpenError::Other;
        }
        return result;
    }
    auto transport = std::make_unique<SocketTransport>(fd);
    transport->receiveProduct(productTimeoutMs_);
    result.transport = std::move(transport);
    result.error = OpenError::None;
    return result;
}

#else  // no Unix sockets: the folder lists nothing

std::vector<InterfaceInfo> SocketBus::enumerate() {
    return {};
}

OpenResult SocketBus::open(const std::string&) {
    OpenResult result;
    result.error = OpenError::NotFound;
    return result;
}

#endif

std::string SocketBus::lockName(const std::string& path) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::error_code ec;
    const std::filesystem::path resolved = std::filesystem::canonical(folder, ec);
    return ec ? folder.string() : resolved.string();
}

namespace {

// Both locks of the socket folder's instrument, let go together.
class PairLock : public InstrumentLock {
public:
    PairLock(std::string instrument, std::unique_ptr<InstrumentLock> own,
             std::unique_ptr<InstrumentLock> folder)
        : InstrumentLock(std::move(instrument)), own_(std::move(own)), folder_(std::move(folder)) {}

private:
    std::unique_ptr<InstrumentLock> own_, folder_;
};

// The name of the person's own lock of the socket folder `folder` (resolved).
std::string OwnLockName(const std::string& folder) {
    std::uint64_t hash = 1469598103934665603ULL;  // FNV-1a
    for (unsigned char c : folder) {
        hash ^= c;
        hash *= 1099511628211ULL;
    }
    char name[40];
    std::snprintf(name, sizeof name, "zv318-instrument-%016llx.lock",
                  static_cast<unsigned long long>(hash));
    return name;
}

}  // namespace

LockAttempt SocketBus::takeLock(const std::string& path, const std::string&, int waitMs) {
    const std::string folder = lockName(path);
    // First the person's own lock, in their own runtime folder: no one else can take it, so
    // whatever another user holds, the person's programs still exclude each other.
    std::unique_ptr<InstrumentLock> own;
    if (const std::optional<std::filesystem::path> runtime = PersonalRuntimeFolder()) {
        LockAttempt mine = TakeLockInFolder(runtime->string(), OwnLockName(folder), waitMs);
        if (mine.outcome != LockOutcome::Taken) return mine;
        own = std::move(mine.lock);
    }
    // Then the folder's, which every user of the instrument shares.
    LockAttempt attempt = TakeNodeLock(folder, LockNode::Folder, waitMs);
    if (attempt.outcome == LockOutcome::Taken) {
        attempt.lock = std::make_unique<PairLock>(folder, std::move(own), std::move(attempt.lock));
        return attempt;
    }
    // Whoever may read the folder can lock it, even one who may not connect to the socket: such
    // a holder cannot be talking to the instrument, so the person's own lock alone stands. With
    // no own lock the folder stays taken: a lock held is never taken for none.
    if (attempt.outcome == LockOutcome::Busy && own && attempt.holder.process > 0 &&
        !ProcessMayWrite(attempt.holder.process, path)) {
        LockAttempt held;
        held.target = attempt.target;
        held.lock = std::make_unique<PairLock>(folder, std::move(own), nullptr);
        return held;
    }
    return attempt;
}

}  // namespace zv318
