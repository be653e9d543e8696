#pragma once
// Text files on disk: written whole to a temporary file and renamed over the target, so a
// failure half-way never destroys the previous file; read whole, with CR LF or LF line ends.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zv318 {

// Why a file was not written, where the person can do something about it.
enum class WriteFailure {
    Other,         // no permission, a folder that is not there, a failed rename ...
    DiskFull,      // no space left on the disk (or over the user's quota)
    FileTooLarge,  // larger than the system lets this program write (its file size limit)
    NotAFile,      // a device, a FIFO, a socket or a folder stands there (links followed)
};
// The message that names the cause (543 the disk is full, 544 the file size limit, 832 not a
// regular file), or 0.
[[nodiscard]] int WriteFailureMessage(WriteFailure why);

// Writes `bytes` exactly as given to `path` through a temporary file beside it, synced to the
// disk before it is renamed over the target. False when any step fails; the previous file is
// then untouched and no temporary file is left; `why` (when given) says what was wrong.
[[nodiscard]] bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                                       WriteFailure* why = nullptr);

// A write past the process's file size limit then fails (EFBIG, told as message 544) instead of
// the signal SIGXFSZ ending the program with the file half-written. Called once by each main().
void IgnoreFileSizeSignal();

// The call that puts a file's bytes on the disk (fsync); the tests put one that fails in its
// place. Nothing restores the system's own.
using SyncCall = int (*)(int fd);
void SetSyncCallForTesting(SyncCall call);

// The call that closes the written file, where a network folder or a quota reports its late
// error; the tests put one that fails in its place. Nothing restores the system's own.
using CloseCall = int (*)(int fd);
void SetCloseCallForTesting(CloseCall call);

// The largest file of each kind the program reads from outside; a full plan or logger file is a
// few kilobytes, a whole firmware image well under a megabyte.
inline constexpr std::size_t kPlanFileMaxBytes = std::size_t{64} * 1024;
inline constexpr std::size_t kLoggerFileMaxBytes = std::size_t{64} * 1024;
inline constexpr std::size_t kLanguageFileMaxBytes = std::size_t{1024} * 1024;
inline constexpr std::size_t kImageFileMaxBytes = std::size_t{16} * 1024 * 1024;
// A plan as CSV from a spreadsheet, which may pad every row with empty columns.
inline constexpr std::size_t kCsvFileMaxBytes = std::size_t{1024} * 1024;
// A backup's manifest: a line per plan and per logger of the instrument.
inline constexpr std::size_t kManifestFileMaxBytes = std::size_t{1024} * 1024;
// config.txt: the name of a language.
inline constexpr std::size_t kConfigFileMaxBytes = std::size_t{4} * 1024;
inline constexpr std::size_t kAnyFileMaxBytes = std::size_t{64} * 1024 * 1024;

// Why a file was not read.
enum class ReadRefusal {
    CannotOpen,      // missing, no permission, a folder
    NotRegularFile,  // a device, a FIFO, a socket (a link is followed to what it names)
    TooLarge,        // larger than the kind of file can be
};

// The message that tells the person why a file was not read: 1 when it could not be opened,
// 295 when it is no regular file, 296 when it is larger than its kind of file can be.
[[nodiscard]] int ReadRefusalMessage(ReadRefusal why);

// The whole file, or nothing when it cannot be opened, is not a regular file or holds more than
// `maxBytes`. The file is opened once and judged on the open descriptor, without blocking on a
// FIFO and without reading more than maxBytes + 1 bytes; `why` (when given) says what was wrong.
[[nodiscard]] std::optional<std::string> ReadWholeFile(const std::filesystem::path& path,
                                                       std::size_t maxBytes = kAnyFileMaxBytes,
                                                       ReadRefusal* why = nullptr);

// Joins lines with CR LF, the line end every file of the program uses; no line end after the
// last line unless `finalLineEnd`.
[[nodiscard]] std::string JoinCrLf(const std::vector<std::string>& lines,
                                   bool finalLineEnd = false);

// Reads text line by line the way a C line reader with a buffer of `bufferSize` bytes does:
// each piece holds at most bufferSize - 1 characters; a longer line comes out as several pieces.
// CR LF counts as one line end; each piece keeps its "\n" when it has one.
class LineReader {
public:
    explicit LineReader(std::string text) : text_(std::move(text)) {}
    // The next piece, or nothing at the end of the text.
    [[nodiscard]] std::optional<std::string> next(std::size_t bufferSize);
    // Skips the rest of the current line (up to and including its line end).
    void skipLine();
    // The next whitespace-delimited word, as a formatted read of a word does.
    [[nodiscard]] std::optional<std::string> word();
    [[nodiscard]] bool atEnd() const { return pos_ >= text_.size(); }

private:
    std::string text_;
    std::size_t pos_ = 0;
};

// Removes one final "\n" and every "\r" before it: a carriage return that ends a line is part of
// its line end, never of the text, so a value read, written with CR LF and read again is the same.
[[nodiscard]] std::string WithoutLineEnd(std::string line);

// "%" and two hexadecimal digits as the byte they name (a manifest's values, an address's
// parts); nothing when a "%" is not followed by two hexadecimal digits.
[[nodiscard]] std::optional<std::string> PercentDecoded(std::string_view text);

// Texts in UTF-8 are kept; anything else is taken as Windows-1252 and converted to UTF-8.
[[nodiscard]] std::string DecodeUtf8OrWindows1252(std::string_view bytes);

// A path carried in a std::string (a file the person chose, a folder a dialog starts in):
// UTF-8 on Windows, whose narrow paths would otherwise take the ANSI code page and lose an
// accented user name; the file system's own bytes elsewhere. Qt strings cross to paths through
// texts/qt_path.h instead.
[[nodiscard]] std::string PathToText(const std::filesystem::path& path);
[[nodiscard]] std::filesystem::path PathFromText(std::string_view text);


}  // namespace zv318
