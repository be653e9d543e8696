#include "archive/sqlite_locks.h"

#include <sqlite3.h>

#if defined(__linux__)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <map>
#include <mutex>
#include <utility>
#include <vector>
#endif

namespace zv318 {

#if defined(__linux__) && defined(F_OFD_SETLK)

namespace {

using File = std::pair<dev_t, ino_t>;

// SQLite's descriptors of each regular file it has open, all of one open file description.
std::mutex registryMutex;
std::map<File, std::vector<int>> descriptorsOf;
std::map<int, File> fileOf;

// A file SQLite opens to read only is opened for writing as well where the process may write
// it: the one description of the file is then one a later connection that writes can share.
int OpenDescription(const char* path, int flags, int mode) {
    if ((flags & O_ACCMODE) == O_RDONLY) {
        const int fd = ::open(path, (flags & ~O_ACCMODE) | O_RDWR, static_cast<mode_t>(mode));
        if (fd >= 0) return fd;
    }
    return ::open(path, flags, static_cast<mode_t>(mode));
}

int Open(const char* path, int flags, int mode) {
    const int fd = OpenDescription(path, flags, mode);
    if (fd < 0) return fd;
    struct stat st{};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return fd;
    const File file{st.st_dev, st.st_ino};
    const std::lock_guard lock(registryMutex);
    std::vector<int>& fds = descriptorsOf[file];
    int mine = fd;
    if (!fds.empty()) {
        // Open already: a duplicate of the description SQLite's locks are on. Closing the
        // new descriptor drops no lock (the locks are the description's, not the process's).
        const int first = fds.front();
        const int access = ::fcntl(first, F_GETFL) & O_ACCMODE;
        ::close(fd);
        if (access == O_RDONLY && (flags & O_ACCMODE) != O_RDONLY) {
            // Read-only so far: SQLite goes on read-only, as for a file it cannot write.
            errno = EACCES;
            return -1;
        }
        mine = ::fcntl(first, (flags & O_CLOEXEC) ? F_DUPFD_CLOEXEC : F_DUPFD, 3);
        if (mine < 0) return -1;
    }
    fds.push_back(mine);
    fileOf[mine] = file;
    return mine;
}

int Close(int fd) {
    {
        const std::lock_guard lock(registryMutex);
        if (const auto it = fileOf.find(fd); it != fileOf.end()) {
            std::vector<int>& fds = descriptorsOf[it->second];
            fds.erase(std::remove(fds.begin(), fds.end(), fd), fds.end());
            if (fds.empty()) descriptorsOf.erase(it->second);
            fileOf.erase(it);
        }
    }
    return ::close(fd);
}

int Fcntl(int fd, int op, ...) {
    va_list args;
    va_start(args, op);
    void* arg = va_arg(args, void*);
    va_end(args);
    int ofd = 0;
    switch (op) {
        case F_SETLK:
            ofd = F_OFD_SETLK;
            break;
        case F_SETLKW:
            ofd = F_OFD_SETLKW;
            break;
        case F_GETLK:
            ofd = F_OFD_GETLK;
            break;
        default:
            return ::fcntl(fd, op, arg);
    }
    auto* lock = static_cast<struct flock*>(arg);
    lock->l_pid = 0;  // required of description locks
    return ::fcntl(fd, ofd, lock);
}

bool Install() {
    if (sqlite3_initialize() != SQLITE_OK) return false;
    sqlite3_vfs* unix = sqlite3_vfs_find("unix");
    if (!unix || unix->iVersion < 3 || !unix->xSetSystemCall) return false;
    // The three calls are shared by every "unix" VFS of the library.
    return unix->xSetSystemCall(unix, "open", reinterpret_cast<sqlite3_syscall_ptr>(&Open)) ==
               SQLITE_OK &&
           unix->xSetSystemCall(unix, "close", reinterpret_cast<sqlite3_syscall_ptr>(&Close)) ==
               SQLITE_OK &&
           unix->xSetSystemCall(unix, "fcntl", reinterpret_cast<sqlite3_syscall_ptr>(&Fcntl)) ==
               SQLITE_OK;
}

}  // namespace

bool UseDescriptionLocks() {
    static const bool installed = Install();
    return installed;
}

#else

bool UseDescriptionLocks() { return false; }

#endif

}  // namespace zv318
