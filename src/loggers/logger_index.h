#pragma once
// The instrument's logger index (50 slots per type, read one type at a time) and the logger
// table of the main window: its cells, the row-to-slot map and the marking rules. The
// "Loggers" tab shows a LoggerTable; zv318ctl and the tests use it as it is.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace zv318 {

inline constexpr int kLoggerSlots = 50;
inline constexpr int kRadioLogger = 1;  // "*EC01"
inline constexpr int kPlcLogger = 2;    // "*EC02"

struct LoggerIndexEntry {
    std::uint8_t present = 0;
    int number = 255;  // the slot number once a reception has filled the entry
    std::string date = "--/--/--";
    std::string time = "--:--:--";
    std::string name = "--------";
    std::string planName = "----";
    std::int32_t recordCount = 0;
    std::int32_t threshold = 0;
    std::string levelUnit = "----";
};

// The placeholders of an empty slot.
[[nodiscard]] LoggerIndexEntry EmptyLoggerEntry(int slot);
// The threshold as a downloaded logger keeps it: the number, a blank, the level unit.
[[nodiscard]] std::string ThresholdText(const LoggerIndexEntry& entry);

using LoggerPresence = std::array<bool, kLoggerSlots>;

// The "*?LT" reply text (from report byte 5): characters 3 to 11 carry six slot bits each;
// bits 6 and 7 mean nothing, and of the ninth character only bits 0 and 1 count.
[[nodiscard]] LoggerPresence PresenceFromReply(std::string_view reply);

// A "*?HL" reply read as the index reads it. `slot` is what the reply's two digits say, which
// may be any number (a reply naming a slot outside 0-49 must not be stored).
inline constexpr std::int32_t kUnreadableRecordCount = -1;
struct LoggerHeader {
    int slot = -1;
    std::string time, date, name, planName, levelUnit;
    std::int32_t recordCount = 0;
    std::int32_t threshold = 0;
};
// The reply text (from report byte 5) is cut at its first carriage return; the tail from
// position 26 is split at "&" into name, plan name, record count, level unit and threshold.
// A record count that is not a decimal number ("abc", "12x", nothing) reads as
// kUnreadableRecordCount, which no logger can hold.
[[nodiscard]] LoggerHeader HeaderFromReply(std::string_view reply);

// "*?HLss" and "*?HDsskkk".
[[nodiscard]] std::string LoggerHeaderCommand(int slot);
[[nodiscard]] std::string LoggerRecordCommand(int slot, int record);

// The logger table: a heading row 0 and 50 logger rows, five columns (row number, name, time,
// date, mark), with the state the main window keeps beside it.
class LoggerTable {
public:
    static constexpr int kRows = kLoggerSlots + 1;
    static constexpr int kColumns = 5;
    static constexpr int kMarkColumn = 4;

    LoggerTable();

    [[nodiscard]] const std::string& cell(int row, int column) const;
    // The heading row holds no text of its own: the window draws its headings.

    // ClearLoggerList: empties the logger rows and forgets the row map and the listed count,
    // and takes away the commands that need a listing, so nothing stale can be loaded.
    void ClearLoggerList();
    // ListLoggers: the present entries in slot order, marked "NO". Returns the listed count;
    // the commands that need a listing are given when it is above 0.
    int ListLoggers(const std::array<LoggerIndexEntry, kLoggerSlots>& index);

    // The slot shown in `row`, or -1.
    [[nodiscard]] int LoggerRowMap(int row) const;
    [[nodiscard]] int ListedLoggerCount() const { return listed_; }
    // Whether "Print selected loggers", "Save loggers as" and "Save loggers" may run.
    [[nodiscard]] bool listingCommandsEnabled() const { return listingCommands_; }

    // LoggerIndexSelectCell: only cells of column and row 1 or more that hold text.
    [[nodiscard]] bool LoggerIndexSelectCell(int column, int row) const;
    // LoggerIndexMouseUp: keeps the clicked cell; a left-button release on column 4 toggles the
    // row's mark, or on the heading sets every listed mark to "NO" when any reads "YES", else
    // to "YES". True when a mark changed.
    bool LoggerIndexMouseUp(int column, int row, bool leftButton);
    // The row a double-click opens (by the clicked cell), or 0 for none.
    [[nodiscard]] int DoubleClickRow() const;
    [[nodiscard]] int clickedColumn() const { return clickedColumn_; }
    [[nodiscard]] int clickedRow() const { return clickedRow_; }

    // Rows 1, 2, ... while column 4 is not empty: what the save and print commands walk.
    [[nodiscard]] int RowsWithMark() const;
    [[nodiscard]] bool Marked(int row) const { return cell(row, kMarkColumn) == "YES"; }

private:
    std::array<std::array<std::string, kColumns>, kRows> cells_;
    std::array<int, kRows> rowMap_;
    int listed_ = 0;
    bool listingCommands_ = false;
    int clickedColumn_ = 0, clickedRow_ = 0;
};

}  // namespace zv318
