#pragma once
// The open logger (the one the viewer shows, saves and prints), the record reply of the
// instrument, and the logger files ".lograd" / ".logplc" with the print text "print.temp".
//
// A logger file is text with CR LF line ends and none after the last line:
//     type text ("RADIO" or "PLC"), name, plan name, date, time, threshold text,
//     record count N, then N lines "index,channel,frequencyHz,bandwidthHz,power"
// (index 0 to N-1). Names and texts are written as they stand, one header value a line, and a
// reader takes each header line whole, so a name with blanks reads back as it was. What a file
// cannot carry (a line end in a name, a comma in a channel name, a record outside the type's
// range) is found before anything is written: see LoggerFileReadsBack.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/feedback.h"

namespace zv318 {

inline constexpr int kMaxLoggerRecords = 150;  // a file holds records 0 to 149
inline constexpr std::size_t kMaxLoggerNameLength = 12;
inline constexpr char kPrintTextName[] = "print.temp";

struct LoggerRecordRow {
    std::string channel;
    std::string frequency;  // MHz text, "%.4f"
    std::string bandwidth;  // MHz text
    std::string power;      // power, a blank and the level unit (from a file: as it stands)
};

struct OpenLogger {
    std::string typeText;  // "RADIO" or "PLC"
    std::string name;
    std::string planName;
    std::string date;
    std::string time;
    std::string thresholdText;
    std::string fileName;                  // empty after a download
    std::vector<LoggerRecordRow> records;  // row r of the viewer's grid is records[r - 1]
};

// The name a rename gives: the text cut to its first 12 characters; nothing (refused) when it
// is empty or holds white space or a path separator, since the name becomes a file name and a
// header word of the logger files.
[[nodiscard]] std::optional<std::string> LoggerNameFromRename(std::string text);

// ".lograd" for type 1, ".logplc" for type 2, "" otherwise.
[[nodiscard]] std::string LoggerExtension(int type);
// 1 or 2 when the last seven characters of the path are exactly ".lograd" or ".logplc".
[[nodiscard]] int LoggerTypeOfPath(std::string_view path);

// The file of one logger in a save-all-as run: in the chosen file's folder, the chosen file
// name without its extension, then "_", the logger's file stem and the type's extension.
[[nodiscard]] std::filesystem::path SaveAllAsFilePath(const std::filesystem::path& chosen,
                                                      std::string_view stem, int type);
// " (RADIO 07)": what follows a logger's name in a file name when another logger of the same
// name is already in that folder.
[[nodiscard]] std::string LoggerSlotTag(int type, int slot);

// A record reply's text from report byte 6 (cut at the carriage return): a leading field,
// then channel&frequency&bandwidth&power. Channel names and powers are held whole.
struct LoggerRecordReply {
    std::string channel;
    std::int32_t frequency = 0;  // Hz
    std::int32_t bandwidth = 0;  // Hz
    std::string power;
};
// Nothing when the reply is not that: a field missing or left over, a number that is not one,
// a power the instrument does not write, a channel name a logger file could not carry.
[[nodiscard]] std::optional<LoggerRecordReply> RecordFromReply(std::string_view text);

// What a logger file's fields may hold, the rules its reader keeps and a download meets:
// a channel name without a comma or a control character; a threshold text of a whole number
// and a power text of a power as the instrument writes it, each optionally followed by one
// blank and a unit of one word.
[[nodiscard]] bool ChannelNameFitsLoggerFile(std::string_view name);
[[nodiscard]] bool ThresholdTextFits(std::string_view text);
[[nodiscard]] bool PowerTextFits(std::string_view text);

// The bytes of the logger file of modes 2 to 4 (frequencies back to hertz).
[[nodiscard]] std::string LoggerFileText(const OpenLogger& logger);
// The print text of mode 1: header lines, headings before records 1 and 72, a final "#".
[[nodiscard]] std::string LoggerPrintText(const OpenLogger& logger);

// ---- the values a logger's texts hold ----------------------------------------------------

// A power or threshold text: the value before its first blank and the unit after it (both
// without surrounding blanks); the whole text is the value when it holds no blank.
struct ValueAndUnit {
    std::string value, unit;
};
[[nodiscard]] ValueAndUnit SplitValueAndUnit(std::string_view text);
// The value of such a text as a number ("-45.2", "52"), "." as the decimal mark; nothing for
// a marker the instrument may send instead ("----", ">80", "LOW").
[[nodiscard]] std::optional<double> NumericValue(std::string_view text);

// A logger's texts read into numbers once, for everything that computes with them (the chart,
// the report, the archive): the threshold, and per record its power and its hertz as the
// logger file writes them.
struct LoggerReadings {
    struct Record {
        std::string powerValue, powerUnit;
        std::optional<double> power;  // nothing when the power text is no number
        std::int32_t frequencyHz = 0, bandwidthHz = 0;
        bool belowThreshold = false;
    };
    std::optional<double> threshold;  // nothing when the threshold text is not a number
    std::string thresholdUnit;
    std::string unit;  // the threshold's unit, else the first numeric power's
    std::vector<Record> records;
    int belowThreshold = 0;  // records whose power lies below the threshold
};
[[nodiscard]] LoggerReadings ReadingsOf(const OpenLogger& logger);

// Result codes of ReadLoggerFile.
inline constexpr int kLoggerFileCancelled = 0;
inline constexpr int kLoggerFileRead = 1;
inline constexpr int kLoggerFileUnreadable = -12;
inline constexpr int kLoggerFileTooManyRecords = -14;
inline constexpr int kLoggerFileBadType = -15;
inline constexpr int kNotALoggerFile = -16;
// A header text holds a control character, or the threshold text is not a threshold.
inline constexpr int kLoggerFileBadHeader = -17;
inline constexpr int kBadRecordIndex = 20;
inline constexpr int kBadRecordName = 21;
inline constexpr int kBadRecordFrequency = 22;
inline constexpr int kBadRecordBandwidth = 23;
inline constexpr int kBadRecordPower = 24;

// The layout above read from the text, without messages: kLoggerFileRead or the failure code
// (-14 for a count line that is no count from 0 to 150, -15, -17, row × 1000 + 20 / 21 / 22 /
// 23 / 24; a record line past the count fails as row count + 1 with 20). Each field holds
// exactly what the writer writes there; the texts are read in the instrument's encoding.
[[nodiscard]] int ParseLoggerText(const std::string& text, OpenLogger& logger);
// True when the file text reads back as this logger: its header texts and every record (the
// frequency and bandwidth as the same hertz).
[[nodiscard]] bool LoggerFileReadsBack(const std::string& text, const OpenLogger& logger);

// Reads a logger file into `logger`: the extension test (-16), the file (message 1 and -12),
// then the layout above: -14 for a count outside 0-150, -15 for an unknown type text, and
// row × 1000 + 20 / 22 / 23 (after message 26) for a bad record line. The rows read before
// a failure stay filled; the file name becomes the path once the file is open.
[[nodiscard]] int ReadLoggerFileAt(const std::filesystem::path& path, OpenLogger& logger,
                                   Feedback& feedback);

}  // namespace zv318
