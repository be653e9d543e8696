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

// Results of WriteLogger.
inline constexpr int kLoggerWritten = 0;
inline constexpr int kLoggerNotOverwritten = 1;
inline constexpr int kLoggerBadType = -9;
inline constexpr int kLoggerCannotCreate = -20;

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
    // One "*?HD" exchange: 0 and the record; 1 without an exchange for a slot of 50 or more;
    // 2 when no reply came.
    int ReadLoggerRecord(int slot, int record, LoggerRecordReply& out);
    // The open dialog and the reader: 0 cancelled, 1 read, or a failure code.
    int ReadLoggerFile();

    // 1 print text, 2 into "Loggers" under the name, 3 through the save dialog, 4 one file of
    // a save-all-as run on `saveAllAsPath`. 0, 1 (not overwritten), -9 or -20.
    int WriteLogger(int mode);
    std::string saveAllAsPath;  // the path chosen in the save-all-as dialog
    [[nodiscard]] std::filesystem::path PrintTextPath() const;
    [[nodiscard]] std::filesystem::path LoggersFolder() const { return programFolder_ / "Loggers"; }

    // ---- the table's commands ---------------------------------------------------------
    // The row a double-click opens, downloaded: kLoggerLoaded when the viewer is to be shown;
    // 0 when the click opens nothing.
    int LoggerIndexDblClick();
    // "Save loggers": every listed logger into "Loggers"; the closing notice (113, 112).
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
    [[nodiscard]] std::optional<std::filesystem::path> SavePath(int mode, int type);
    // Message 26 unless the download already said the instrument was lost.
    LoggerOutcome LoadFailed(int code);
    void FinishedNotice();
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
};

}  // namespace zv318
