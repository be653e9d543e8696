#include "link/instrument_lock.h"

#include <chrono>
#include <cstdlib>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace zv318 {

namespace {

constexpr int kPollMs = 50;
constexpr std::size_t kReadableNameChars = 80;
constexpr std::size_t kMaxHolderBytes = 256;

std::uint64_t Fnv1a(const std::string& text) {
    std::uint64_t hash = 1469598103934665603ull;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return hash;
}

std::filesystem::path LockFolder() {
    if (const char* env = std::getenv(kLockFolderVariable); env && *env) return env;
#ifdef _WIN32
    // The folder every user of the machine may write to.
    if (const char* shared = std::getenv("ProgramData"); shared && *shared) return shared;
    std::error_code ec;
    return std::filesystem::temp_directory_path(ec);
#else
    // Sticky folders every user may create files in; the lock file itself is made 0666.
    for (const char* folder : {"/run/lock", "/var/lock"})
        if (::access(folder, W_OK | X_OK) == 0) return folder;
    return "/tmp";
#endif
}

bool Expired(std::chrono::steady_clock::time_point until) {
    return std::chrono::steady_clock::now() >= until;
}

}  // namespace

std::filesystem::path LockFilePath(const std::string& instrument) {
    std::string readable;
    for (char c : instrument) {
        if (readable.size() == kReadableNameChars) break;
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '.' || c == '-';
        readable.push_back(plain ? c : '_');
    }
    char hash[20];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(Fnv1a(instrument)));
    return LockFolder() / ("zv318-" + readable + "-" + hash + ".lock");
}

std::string HolderText(const std::string& program, long process) {
    return program + " " + std::to_string(process) + "\n";
}

LockHolder ParseHolder(const std::string& text) {
    LockHolder holder;
    std::string line = text.substr(0, text.find('\n'));
    const std::size_t blank = line.rfind(' ');
    if (blank == std::string::npos || blank == 0) return holder;
    char* end = nullptr;
    const long process = std::strtol(line.c_str() + blank + 1, &end, 10);
    if (process <= 0 || !end || *end != '\0') return holder;
    holder.program = line.substr(0, blank);
    holder.process = process;
    return holder;
}

#ifdef _WIN32

InstrumentLock::~InstrumentLock() {
    ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

namespace {

LockHolder ReadHolder(const std::filesystem::path& file) {
    HANDLE h = ::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return {};
    char buffer[kMaxHolderBytes];
    DWORD got = 0;
    const BOOL ok = ::ReadFile(h, buffer, sizeof buffer, &got, nullptr);
    ::CloseHandle(h);
    return ok ? ParseHolder(std::string(buffer, got)) : LockHolder{};
}

}  // namespace

LockAttempt TakeInstrumentLock(const std::string& instrument, const std::string& program,
                               int waitMs) {
    LockAttempt attempt;
    attempt.file = LockFilePath(instrument);
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        // Opened without write sharing: a second opener is refused until this handle closes.
        HANDLE h = ::CreateFileW(attempt.file.c_str(), GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            const std::string text =
                HolderText(program, static_cast<long>(::GetCurrentProcessId()));
            DWORD written = 0;
            ::SetEndOfFile(h);
            (void)::WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
            attempt.lock =
                std::make_unique<InstrumentLock>(instrument, reinterpret_cast<std::intptr_t>(h));
            return attempt;
        }
        if (::GetLastError() != ERROR_SHARING_VIOLATION) {
            attempt.unusable = true;
            return attempt;
        }
        if (Expired(until)) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
    }
    attempt.holder = ReadHolder(attempt.file);
    return attempt;
}

#else

InstrumentLock::~InstrumentLock() {
    const int fd = static_cast<int>(handle_);
    // The next holder writes its own name; an empty file meanwhile names nobody.
    (void)!::ftruncate(fd, 0);
    ::close(fd);
}

namespace {

// Opens the lock file without following a link and without O_CREAT on a file that exists (in a
// sticky folder the kernel may refuse O_CREAT on another user's file), creating it when it is
// missing. Read-only when another user's file may not be written: flock needs no write access.
int OpenLockFile(const std::filesystem::path& file, bool& writable) {
    constexpr int kFlags = O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    for (int round = 0; round < 3; ++round) {
        writable = true;
        int fd = ::open(file.c_str(), O_RDWR | kFlags);
        if (fd < 0 && errno == EACCES) {
            writable = false;
            fd = ::open(file.c_str(), O_RDONLY | kFlags);
        }
        if (fd >= 0) {
            struct stat st {};
            if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) return fd;
            ::close(fd);
            return -1;
        }
        if (errno != ENOENT) return -1;
        writable = true;
        fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_EXCL | kFlags, 0666);
        if (fd >= 0) {
            (void)::fchmod(fd, 0666);  // whatever the umask: every user locks the same file
            return fd;
        }
        if (errno != EEXIST) return -1;
    }
    return -1;
}

LockHolder ReadHolder(int fd) {
    char buffer[kMaxHolderBytes];
    const ssize_t got = ::pread(fd, buffer, sizeof buffer, 0);
    return got > 0 ? ParseHolder(std::string(buffer, static_cast<std::size_t>(got))) : LockHolder{};
}

}  // namespace

LockAttempt TakeInstrumentLock(const std::string& instrument, const std::string& program,
                               int waitMs) {
    LockAttempt attempt;
    attempt.file = LockFilePath(instrument);
    bool writable = false;
    const int fd = OpenLockFile(attempt.file, writable);
    if (fd < 0) {
        attempt.unusable = true;
        return attempt;
    }
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            if (writable) {
                const std::string text = HolderText(program, static_cast<long>(::getpid()));
                (void)!::ftruncate(fd, 0);
                (void)!::pwrite(fd, text.data(), text.size(), 0);
            }
            attempt.lock = std::make_unique<InstrumentLock>(instrument, fd);
            return attempt;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            ::close(fd);
            attempt.unusable = true;
            return attempt;
        }
        if (Expired(until)) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
    }
    attempt.holder = ReadHolder(fd);
    ::close(fd);
    return attempt;
}

#endif

}  // namespace zv318
