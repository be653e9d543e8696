#pragma once
// Comma-separated values as spreadsheets exchange them: fields joined by a separator, rows
// ended by CR LF, a field quoted (its quotes doubled) when it holds the separator, a quote or
// a line break. The reader also takes LF line ends, a UTF-8 byte order mark and ";" as the
// separator (what a spreadsheet writes where "," is the decimal mark).

#include <string>
#include <string_view>
#include <vector>

namespace zv318 {

// One field as written between commas: quoted when it holds a comma, a quote, CR or LF.
[[nodiscard]] std::string CsvField(std::string_view text);
// The fields joined by commas and the row's CR LF: a number goes as it is, every other field
// through CsvSafeText (no spreadsheet runs it as a formula; the reader gives it back with
// CsvTextFromSafe), then CsvField. Every CSV the program writes is made of these rows.
[[nodiscard]] std::string CsvRow(const std::vector<std::string>& fields);

// One record of a CSV text and the line of the text it starts on (counted from 1).
struct CsvRecord {
    int line = 0;
    std::vector<std::string> fields;
    // A line with nothing but separators and blanks on it (spreadsheets write ",,,," for an
    // empty row).
    [[nodiscard]] bool blank() const;
};

struct CsvTable {
    char separator = ',';
    std::vector<CsvRecord> records;
    // The line of a quoted field that is never closed (0 when the text is well formed); the
    // records before it are kept.
    int unclosedQuoteLine = 0;
};

// A number as the program writes one: an optional sign, digits, an optional "." and digits.
[[nodiscard]] bool CsvNumberText(std::string_view text);

// Reads a CSV text. The separator is ";" when the first line that is not blank holds a ";"
// and no "," outside quotes, "," otherwise. A byte order mark at the start is skipped.
[[nodiscard]] CsvTable ReadCsv(std::string_view text);

// A text field (a name) as written for a spreadsheet: a text a spreadsheet would run as a
// formula (beginning with "=", "+", "-", "@", a tab or a CR) gets a "'" in front, and so does a
// text that would otherwise read back as such a field ("'=A1"). Numbers are not passed here.
[[nodiscard]] std::string CsvSafeText(std::string_view text);
// The text a field written by CsvSafeText stands for: the "'" in front of it removed.
[[nodiscard]] std::string CsvTextFromSafe(std::string_view field);

// The text with blanks and tabs removed at both ends.
[[nodiscard]] std::string_view TrimCsvBlanks(std::string_view text);

}  // namespace zv318
