#include "texts/text_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace zv318 {

namespace {

int SystemClose(int fd) {
#ifdef _WIN32
    return ::_close(fd);
#else
    return ::close(fd);
#endif
}

CloseCall g_close = SystemClose;

// One open file descriptor, closed once: by close() (whose result counts) or at the end.
struct Descriptor {
    int fd = -1;
    ~Descriptor() {
        if (fd >= 0) (void)close();
    }
    bool close() {
        const bool closed = g_close(fd) == 0;
        fd = -1;
        return closed;
    }
};

// Every byte written, however the system splits the write; false at the first failure
// (disk full, quota, file size limit).
bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
#ifdef _WIN32
        const unsigned chunk = static_cast<unsigned>(std::min<std::size_t>(bytes.size(), 1u << 30));
        const int n = ::_write(fd, bytes.data(), chunk);
#else
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
#endif
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

int SystemSync(int fd) {
#ifdef _WIN32
    return ::_commit(fd);
#else
    return ::fsync(fd);
#endif
}

SyncCall g_sync = SystemSync;

// The bytes on the disk itself, not only in the system's cache.
bool SyncToDisk(int fd) {
    int r;
    do r = g_sync(fd);
    while (r != 0 && errno == EINTR);
    return r == 0;
}

WriteFailure FailureOf(int error) {
    switch (error) {
        case ENOSPC:
#ifdef EDQUOT
        case EDQUOT:
#endif
            return WriteFailure::DiskFull;
        case EFBIG:
            return WriteFailure::FileTooLarge;
        default:
            return WriteFailure::Other;
    }
}

}  // namespace

void IgnoreFileSizeSignal() {
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

void SetSyncCallForTesting(SyncCall call) {
    g_sync = call ? call : SystemSync;
}

void SetCloseCallForTesting(CloseCall call) {
    g_close = call ? call : SystemClose;
}

int WriteFailureMessage(WriteFailure why) {
    switch (why) {
        case WriteFailure::DiskFull:
            return 543;
        case WriteFailure::FileTooLarge:
            return 544;
        case WriteFailure::NotAFile:
            return 832;
        case WriteFailure::Other:
            break;
    }
    return 0;
}

bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                         WriteFailure* why) {
    namespace fs = std::filesystem;
    // Only a regular file or a new name is ever replaced: a device node, a FIFO, a socket or a
    // folder (or a link to one) stays, whoever runs the program. Asked again right before the
    // rename.
    const auto notAFile = [&path] {
        std::error_code ec;
        const fs::file_status status = fs::status(path, ec);
        return fs::exists(status) && !fs::is_regular_file(status);
    };
    if (notAFile()) {
        if (why) *why = WriteFailure::NotAFile;
        return false;
    }
    std::random_device rd;
    fs::path temp = path;
    temp += ".tmp" + std::to_string(rd() % 1000000);
    // Each step is checked: a write cut half-way, a sync or close that reports a late error
    // (a full disk, a network folder) or a failed rename leaves the previous file as it was.
    Descriptor file;
#ifdef _WIN32
    file.fd = ::_wopen(temp.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                       _S_IREAD | _S_IWRITE);
#else
    file.fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
#endif
    const auto fail = [why](int error) {
        if (why) *why = FailureOf(error);
        return false;
    };
    if (file.fd < 0) return fail(errno);
    std::error_code ec;
    const bool written = WriteAll(file.fd, bytes) && SyncToDisk(file.fd);
    int error = errno;
    const bool closed = file.close();
    if (written && !closed) error = errno;
    if (!closed || !written) {
        fs::remove(temp, ec);
        return fail(error);
    }
    if (notAFile()) {
        fs::remove(temp, ec);
        if (why) *why = WriteFailure::NotAFile;
        return false;
    }
    fs::rename(temp, path, ec);
    if (ec) {
        fs::remove(temp, ec);
        return fail(ec.value());
    }
    return true;
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path, std::size_t maxBytes,
                                         ReadRefusal* why) {
    auto refuse = [why](ReadRefusal r) -> std::optional<std::string> {
        if (why) *why = r;
        return std::nullopt;
    };
#ifdef _WIN32
    const int fd = _wopen(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (fd < 0) return refuse(ReadRefusal::CannotOpen);
    struct FdCloser {
        int fd;
        ~FdCloser() { _close(fd); }
    } closer{fd};
    struct _stat64 st {};
    if (_fstat64(fd, &st) != 0) return refuse(ReadRefusal::CannotOpen);
    if ((st.st_mode & _S_IFMT) == _S_IFDIR) return refuse(ReadRefusal::CannotOpen);
    if ((st.st_mode & _S_IFMT) != _S_IFREG) return refuse(ReadRefusal::NotRegularFile);
#else
    // Non-blocking, so that opening a FIFO with no writer does not wait for one.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return refuse(ReadRefusal::CannotOpen);
    struct FdCloser {
        int fd;
        ~FdCloser() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0) return refuse(ReadRefusal::CannotOpen);
    if (S_ISDIR(st.st_mode)) return refuse(ReadRefusal::CannotOpen);
    if (!S_ISREG(st.st_mode)) return refuse(ReadRefusal::NotRegularFile);
#endif
    if (st.st_size < 0 || static_cast<std::uint64_t>(st.st_size) > maxBytes)
        return refuse(ReadRefusal::TooLarge);
    std::string data;
    data.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
#ifdef _WIN32
        const int n = _read(fd, buffer, sizeof buffer);
#else
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
#endif
        if (n < 0) return refuse(ReadRefusal::CannotOpen);
        if (n == 0) break;
        data.append(buffer, static_cast<std::size_t>(n));
        // The file grew while it was read: judge what it holds now.
        if (data.size() > maxBytes) return refuse(ReadRefusal::TooLarge);
    }
    return data;
}

int ReadRefusalMessage(ReadRefusal why) {
    switch (why) {
        case ReadRefusal::NotRegularFile:
            return 295;
        case ReadRefusal::TooLarge:
            return 296;
        case ReadRefusal::CannotOpen:
            break;
    }
    return 1;
}

std::string JoinCrLf(const std::vector<std::string>& lines, bool finalLineEnd) {
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i) out += "\r\n";
        out += lines[i];
    }
    if (finalLineEnd && !lines.empty()) out += "\r\n";
    return out;
}

std::optional<std::string> LineReader::next(std::size_t bufferSize) {
    if (pos_ >= text_.size() || bufferSize < 2) return std::nullopt;
    std::string piece;
    while (pos_ < text_.size() && piece.size() < bufferSize - 1) {
        char c = text_[pos_];
        if (c == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n') {
            ++pos_;  // CR LF reads as one line end
            continue;
        }
        piece.push_back(c);
        ++pos_;
        if (c == '\n') break;
    }
    return piece;
}

void LineReader::skipLine() {
    while (pos_ < text_.size()) {
        if (text_[pos_++] == '\n') break;
    }
}

std::optional<std::string> LineReader::word() {
    while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
    if (pos_ >= text_.size()) return std::nullopt;
    std::string w;
    while (pos_ < text_.size() && !std::isspace(static_cast<unsigned char>(text_[pos_])))
        w.push_back(text_[pos_++]);
    return w;
}

std::string WithoutLineEnd(std::string line) {
    if (!line.empty() && line.back() == '\n') line.pop_back();
    while (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

namespace {

bool IsValidUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        auto c = static_cast<unsigned char>(s[i]);
        std::size_t len = c < 0x80                   ? 1
                          : (c >= 0xC2 && c <= 0xDF) ? 2
                          : (c & 0xF0) == 0xE0       ? 3
                          : (c >= 0xF0 && c <= 0xF4) ? 4
                                                     : 0;
        if (len == 0 || i + len > s.size()) return false;
        for (std::size_t k = 1; k < len; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += len;
    }
    return true;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// Windows-1252 characters 0x80 to 0x9F; the rest of the upper half is Latin-1.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

std::optional<std::string> PercentDecoded(std::string_view text) {
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        const int high = i + 2 < text.size() ? digit(text[i + 1]) : -1;
        const int low = high >= 0 ? digit(text[i + 2]) : -1;
        if (low < 0) return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

std::string DecodeUtf8OrWindows1252(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    if (IsValidUtf8(bytes)) return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (char ch : bytes) {
        auto c = static_cast<unsigned char>(ch);
        if (c < 0x80)
            out.push_back(ch);
        else if (c < 0xA0)
            AppendUtf8(out, kCp1252High[c - 0x80]);
        else
            AppendUtf8(out, c);
    }
    return out;
}

std::string PathToText(const std::filesystem::path& path) {
#ifdef _WIN32
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
#else
    return path.native();
#endif
}

std::filesystem::path PathFromText(std::string_view text) {
#ifdef _WIN32
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
#else
    return std::filesystem::path(std::string(text));
#endif
}

}  // namespace zv318
