#include "archive/archive_sessions.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <unistd.h>
#endif

#include "texts/text_file.h"

namespace zv318 {

namespace fs = std::filesystem;

namespace {

constexpr char kCheckMark[] = "check";

std::string HostName() {
#ifdef _WIN32
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof name;
    return GetComputerNameA(name, &size) ? std::string(name, size) : "host";
#else
    char name[256] = {};
    return ::gethostname(name, sizeof name - 1) == 0 ? std::string(name) : "host";
#endif
}

long ProcessId() {
#ifdef _WIN32
    return static_cast<long>(GetCurrentProcessId());
#else
    return static_cast<long>(::getpid());
#endif
}

bool Running(long pid) {
#ifdef _WIN32
    HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (!h) return GetLastError() == ERROR_ACCESS_DENIED;
    DWORD code = 0;
    const bool alive = GetExitCodeProcess(h, &code) && code == STILL_ACTIVE;
    CloseHandle(h);
    return alive;
#else
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
#endif
}

// "HOST PID N": the process and its own number of the connection.
bool ParseEntry(const std::string& name, std::string& host, long& pid) {
    const std::size_t last = name.rfind(' ');
    if (last == std::string::npos || last == 0) return false;
    const std::size_t middle = name.rfind(' ', last - 1);
    if (middle == std::string::npos) return false;
    host = name.substr(0, middle);
    const std::string digits = name.substr(middle + 1, last - middle - 1);
    if (digits.empty() || digits.size() > 10 || digits.find_first_not_of("0123456789") != std::string::npos)
        return false;
    pid = std::stol(digits);
    return true;
}

}  // namespace

ArchiveSessions::ArchiveSessions(const fs::path& archiveFile)
    : folder_(archiveFile.parent_path() / (archiveFile.filename().string() + ".sessions")) {}

ArchiveSessions::~ArchiveSessions() {
    std::error_code ec;
    if (!entry_.empty()) fs::remove(entry_, ec);
}

bool ArchiveSessions::Begin(bool enter) {
    static std::atomic<int> serial{0};
    std::error_code ec;
    fs::create_directories(folder_, ec);
    bool due = fs::exists(folder_ / kCheckMark, ec);
    const std::string host = HostName();
    for (fs::directory_iterator it(folder_, ec), end; !ec && it != end; it.increment(ec)) {
        std::string entryHost;
        long pid = 0;
        if (!ParseEntry(it->path().filename().string(), entryHost, pid)) continue;
        // Another computer's processes cannot be asked: their entries are theirs to clear.
        if (entryHost != host || Running(pid)) continue;
        due = true;
        std::error_code gone;
        fs::remove(it->path(), gone);
    }
    if (due) CheckDue();
    if (!enter) return due;
    entry_ = folder_ / (host + ' ' + std::to_string(ProcessId()) + ' ' + std::to_string(++serial));
    if (!WriteFileAtomically(entry_, {})) entry_.clear();  // a read-only place: nothing to clear
    return due;
}

void ArchiveSessions::CheckDue() {
    std::error_code ec;
    if (!fs::exists(folder_ / kCheckMark, ec)) (void)WriteFileAtomically(folder_ / kCheckMark, {});
}

void ArchiveSessions::Checked() {
    std::error_code ec;
    fs::remove(folder_ / kCheckMark, ec);
}

}  // namespace zv318
