#include "texts/csv.h"

namespace zv318 {

std::string CsvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

std::string CsvRow(const std::vector<std::string>& fields) {
    std::string row;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) row += ',';
        row += CsvField(CsvNumberText(fields[i]) ? fields[i] : CsvSafeText(fields[i]));
    }
    row += "\r\n";
    return row;
}

bool CsvNumberText(std::string_view text) {
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view part = point == std::string_view::npos ? "0" : text.substr(point + 1);
    const auto digits = [](std::string_view d) {
        return !d.empty() && d.find_first_not_of("0123456789") == std::string_view::npos;
    };
    return digits(whole) && digits(part);
}

namespace {

bool NeedsFormulaGuard(std::string_view text) {
    if (text.empty()) return false;
    if (std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos) return true;
    return text.front() == '\'' && NeedsFormulaGuard(text.substr(1));
}

}  // namespace

std::string CsvSafeText(std::string_view text) {
    return NeedsFormulaGuard(text) ? "'" + std::string(text) : std::string(text);
}

std::string CsvTextFromSafe(std::string_view field) {
    if (field.starts_with('\'') && NeedsFormulaGuard(field.substr(1))) field.remove_prefix(1);
    return std::string(field);
}

std::string_view TrimCsvBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

bool CsvRecord::blank() const {
    for (const std::string& field : fields)
        if (!TrimCsvBlanks(field).empty()) return false;
    return true;
}

namespace {

// ";" when the first line with something on it holds a ";" and no "," outside quotes.
char SeparatorOf(std::string_view text) {
    bool quoted = false, semicolon = false, comma = false, seen = false;
    for (char c : text) {
        if (c == '"') quoted = !quoted;
        if (quoted) continue;
        if (c == '\n' || c == '\r') {
            if (seen) break;
            continue;
        }
        if (c != ' ' && c != '\t') seen = true;
        if (c == ';') semicolon = true;
        if (c == ',') comma = true;
    }
    return semicolon && !comma ? ';' : ',';
}

}  // namespace

CsvTable ReadCsv(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    CsvTable table;
    table.separator = SeparatorOf(text);
    const char sep = table.separator;

    int line = 1;
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        CsvRecord record;
        record.line = line;
        std::string field;
        bool endOfRecord = false;
        while (!endOfRecord) {
            if (i < n && text[i] == '"') {
                // A quoted field: up to the quote that is not doubled; line breaks are data.
                const int opened = line;
                ++i;
                bool closed = false;
                while (i < n) {
                    const char c = text[i++];
                    if (c == '"') {
                        if (i < n && text[i] == '"') {
                            field += '"';
                            ++i;
                            continue;
                        }
                        closed = true;
                        break;
                    }
                    if (c == '\n') ++line;
                    field += c;
                }
                if (!closed) {
                    table.unclosedQuoteLine = opened;
                    return table;
                }
            }
            // The unquoted part (all of an unquoted field; what follows a closing quote).
            while (i < n && text[i] != sep && text[i] != '\r' && text[i] != '\n')
                field += text[i++];
            record.fields.push_back(std::move(field));
            field.clear();
            if (i >= n) {
                endOfRecord = true;
            } else if (text[i] == sep) {
                ++i;
            } else {
                if (text[i] == '\r') ++i;
                if (i < n && text[i] == '\n') ++i;
                ++line;
                endOfRecord = true;
            }
        }
        table.records.push_back(std::move(record));
    }
    return table;
}

}  // namespace zv318
