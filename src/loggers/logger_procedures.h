#pragma once
// The logger procedures: receiving the index of one logger type, downloading a listed logger
// into the open logger, reading and writing logger files, and the commands of the logger
// table ("Save loggers", "Save loggers as", "Print selected loggers"). The same object runs
// under the main window, under zv318ctl and under the tests.

#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "link/feedback.h"
#include "link/link.h"
#include "loggers/logger_file.h"
#include "loggers/logger_index.h"
#include "texts/language_table.h"

namespace zv318 {

enum class LoggerOutcome {
    Done,          // finished (messages such as 29 or 18 may have been shown on the way)
    Cancelled,     // the person cancelled a dialog or declined to overwrite
    NotConnected,  // message 7: the instrument was not found or stopped answering
    Failed,        // ended with another message
};

// Results of LoadLoggerFromInstrument besides 1 (loaded) and -1 (failed).
inline constexpr int kLoggerLoaded = 1;
inline constexpr int kLoggerLoadFailed = -1;
// The instrument did not answer a record query (message 7 shown).
inline constexpr int kLoggerLost = -7;
// The header is damaged: a record count outside 0-150 or no number, an empty name, plan or unit
// (message kDamagedLoggerHeader shown). Nothing was asked of the instrument.
inline constexpr int kLoggerDamaged = -2;

// Results of WriteLogger.
inline constexpr int kLoggerWritten = 0;
inline constexpr int kLoggerNotOverwritten = 1;
inline constexpr int kLoggerBadType = -9;
inline constexpr int kLoggerCannotCreate = -20;
// The logger holds what a logger file cannot carry (message kLoggerNotReadable shown).
inline constexpr int kLoggerUnreadable = -21;

// The program's own messages of the logger files.
inline constexpr int kLoggerNotReadable = 220;
inline constexpr int kDamagedLoggerHeader = 221;
inline constexpr int kSavedFolderEntry = 1222;  // "The files are in this folder:"

// What prints a text file: the print dialog and the printer (Qt PrintSupport in the window,
// a PDF for zv318ctl and the tests).
class LoggerPrinter {
public:
    virtual ~LoggerPrinter() = default;
    // The print dialog; false when cancelled.
    [[nodiscard]] virtual bool choosePrinter() = 0;
    virtual void SetPrintTitle(const std::string& title) = 0;
    // Prints the file as one job: 1, or 0 when the file cannot be opened.
    [[nodiscard]] virtual int PrintTextFile(const std::filesystem::path& file) = 0;
};

class LoggerProcedures {
public:
    LoggerProcedures(Link& link, Feedback& feedback, const LanguageTable& language,
                     std::filesystem::path programFolder);

    // ---- the index (receptions) -------------------------------------------------------
    // "Receive RADIO loggers" (1) / "Receive PLC loggers" (2): clears the table, selects the
    // type, reads the presence flags and the used slots' headers, lists them. When the
    // instrument is absent or stops answering, message 7 and the index keeps its contents.
    LoggerOutcome ReceiveLoggers(int type);
    void ReadLoggerPresence();
    void ReadLoggerHeader(int slot);

    [[nodiscard]] const LoggerIndexEntry& entry(int slot) const;
    [[nodiscard]] int CurrentLoggerType() const { return currentType_; }
    [[nodiscard]] const LoggerPresence& presence() const { return presence_; }
    [[nodiscard]] LoggerTable& table() { return table_; }
    [[nodiscard]] const LoggerTable& table() const { return table_; }

    // ---- the open logger --------------------------------------------------------------
    [[nodiscard]] OpenLogger& logger() { return logger_; }
    [[nodiscard]] const OpenLogger& logger() const { return logger_; }
    // -1: a logger file chosen by the person (-16 shows message 11; another failure message
    // 26); a table row: a fresh download of that listed logger. The result code.
    int LoadLogger(int source);
    // 1 loaded, -1 failed (message 25 for a type other than 1 or 2), -7 no answer (message 7).
    int LoadLoggerFromInstrument(int row, int type);
    // The same download into `loaded`, leaving the open logger and the archive alone (a
    // logger the caller keeps itself): the same results.
    int DownloadLogger(int row, int type, OpenLogger& loaded);
    // One "*?HD" exchange: 0 and the record; 1 without an exchange for a slot of 50 or more;
    // 2 when no reply came.
    int ReadLoggerRecord(int slot, int record, LoggerRecordReply& out);
    // The open dialog and the reader: 0 cancelled, 1 read, or a failure code.
    int ReadLoggerFile();

    // 1 print text, 2 into "Loggers" under the name, 3 through the save dialog, 4 one file of
    // a save-all-as run on `saveAllAsPath`. 0, 1 (not overwritten), -9, -20 or -21.
    // The name becomes one safe file name (SafeFileName). A file that would not read back as
    // the logger is not written (-21). An existing file of the same bytes is left as it is;
    // one of other content is replaced only after the overwrite question (entry 13), asked
    // in mode 3 only when the dialog did not ask about that very path.
    int WriteLogger(int mode);
    std::string saveAllAsPath;  // the path chosen in the save-all-as dialog
    [[nodiscard]] std::filesystem::path PrintTextPath() const;
    [[nodiscard]] std::filesystem::path LoggersFolder() const { return programFolder_ / "Loggers"; }

    // ---- the table's commands ---------------------------------------------------------
    // The row a double-click opens, downloaded: kLoggerLoaded when the viewer is to be shown;
    // 0 when the click opens nothing.
    int LoggerIndexDblClick();
    // "Save loggers": every listed logger into "Loggers"; the closing notice (113, 112) names
    // the folder. Two loggers of one name in a run get their slot added to the later one's
    // name (LoggerSlotTag). A logger that fails (a damaged header, a file not written) is
    // reported and the run goes on; the run is then Failed (Cancelled when overwriting was
    // only declined).
    LoggerOutcome SaveLogButClick();
    // "Save loggers as": the first logger downloaded, then the base name asked for.
    LoggerOutcome SaveLogAsButClick();
    // The same runs over the listed rows given, in that order (zv318ctl's ROW arguments).
    LoggerOutcome SaveLoggers(const std::vector<int>& rows);
    LoggerOutcome SaveLoggersAs(const std::vector<int>& rows);
    // Told the path of every file a save run writes.
    std::function<void(const std::string&)> onSaved;
    // The viewer's "Print logger".
    LoggerOutcome Printlogger1Click(LoggerPrinter& printer);
    // "Print selected loggers": every row marked "YES", each as a job of its own.
    LoggerOutcome PrintSelButClick(LoggerPrinter& printer);

    [[nodiscard]] const std::filesystem::path& programFolder() const { return programFolder_; }
    [[nodiscard]] Feedback& feedback() { return feedback_; }
    [[nodiscard]] Link& link() { return link_; }

private:
    [[nodiscard]] bool SelectType(int type);
    struct SavePlace {
        std::filesystem::path path;
        bool overwriteAsked = false;  // the save dialog already asked about this path
    };
    [[nodiscard]] std::optional<SavePlace> SavePath(int mode, int type);
    // False when the person declines to replace a file of other content.
    [[nodiscard]] bool MayReplace(const SavePlace& place);
    // The file stem of the logger just loaded from `row` in a run: its safe name, with its
    // slot added when an earlier logger of the run took that name.
    [[nodiscard]] std::string RunStem(int row, std::vector<std::string>& taken) const;
    // The end of a save run over these per-logger results.
    LoggerOutcome RunOutcome(const std::vector<int>& results, const std::filesystem::path& folder);
    // Message 26 unless the download already said the instrument was lost.
    LoggerOutcome LoadFailed(int code);
    void FinishedNotice(const std::filesystem::path& folder);
    [[nodiscard]] std::vector<int> ListedRows() const;

    Link& link_;
    Feedback& feedback_;
    const LanguageTable& language_;
    std::filesystem::path programFolder_;
    std::array<LoggerIndexEntry, kLoggerSlots> index_;
    LoggerPresence presence_{};
    int currentType_ = -1;
    LoggerTable table_;
    OpenLogger logger_;
    std::optional<std::string> stemInRun_;  // the file stem of modes 2 and 4 during a run
};

}  // namespace zv318
