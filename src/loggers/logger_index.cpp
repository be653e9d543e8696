#include "loggers/logger_index.h"

#include <cstdio>

#include "link/report.h"
#include "texts/fields.h"

namespace zv318 {

LoggerIndexEntry EmptyLoggerEntry(int slot) {
    LoggerIndexEntry entry;
    entry.number = slot;
    return entry;
}

std::string ThresholdText(const LoggerIndexEntry& entry) {
    return std::to_string(entry.threshold) + " " + entry.levelUnit;
}

LoggerPresence PresenceFromReply(std::string_view reply) {
    LoggerPresence presence{};
    for (int i = 0; i < 9; ++i) {
        const std::size_t at = 3 + static_cast<std::size_t>(i);
        if (at >= reply.size()) break;
        const auto flags = static_cast<unsigned char>(reply[at]);
        const int bits = i == 8 ? 2 : 6;
        for (int k = 0; k < bits; ++k)
            if (flags & (1u << k))
                presence[static_cast<std::size_t>(6) * static_cast<std::size_t>(i) +
                         static_cast<std::size_t>(k)] = true;
    }
    return presence;
}

namespace {

// Characters `count` from `from`, as far as the text goes.
std::string Part(std::string_view text, std::size_t from, std::size_t count) {
    if (from >= text.size()) return {};
    return std::string(text.substr(from, count));
}

// One "&" step: the text before the first "&", and the text after it. Without "&", the field
// is empty and the text is carried on unchanged.
std::string TakeField(std::string_view& rest) {
    const std::size_t amp = rest.find('&');
    if (amp == std::string_view::npos) return {};
    std::string field(rest.substr(0, amp));
    rest.remove_prefix(amp + 1);
    return field;
}

// A count as the instrument writes it: decimal digits, blanks around them allowed.
std::int32_t CountValue(std::string_view field) {
    while (!field.empty() && field.front() == ' ') field.remove_prefix(1);
    while (!field.empty() && field.back() == ' ') field.remove_suffix(1);
    if (field.empty() || field.size() > 9 ||
        field.find_first_not_of("0123456789") != std::string_view::npos)
        return kUnreadableRecordCount;
    return AtoL(field);
}

std::string Digits(int value, int width) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*d", width, value);
    return buf;
}

}  // namespace

LoggerHeader HeaderFromReply(std::string_view reply) {
    const std::size_t cr = reply.find('\r');
    if (cr != std::string_view::npos) reply = reply.substr(0, cr);

    LoggerHeader header;
    // A reply too short for its digits names no slot.
    if (reply.size() >= 5) header.slot = 10 * (reply[3] - '0') + (reply[4] - '0');
    header.time = Part(reply, 6, 8);
    header.date = Part(reply, 15, 10);
    std::string_view rest = reply.size() > 26 ? reply.substr(26) : std::string_view{};
    // Names and the unit in the instrument's encoding, as its logger files have them.
    header.name = InstrumentText(TakeField(rest));
    header.planName = InstrumentText(TakeField(rest));
    header.recordCount = CountValue(TakeField(rest));
    header.levelUnit = InstrumentText(TakeField(rest));
    header.threshold = AtoL(rest);
    return header;
}

std::string LoggerHeaderCommand(int slot) {
    return "*?HL" + Digits(slot, 2);
}

std::string LoggerRecordCommand(int slot, int record) {
    return "*?HD" + Digits(slot, 2) + Digits(record, 3);
}

// ---- the logger table --------------------------------------------------------------------

LoggerTable::LoggerTable() {
    rowMap_.fill(-1);
}

const std::string& LoggerTable::cell(int row, int column) const {
    static const std::string none;
    if (row < 0 || row >= kRows || column < 0 || column >= kColumns) return none;
    return cells_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

void LoggerTable::ClearLoggerList() {
    for (int r = 1; r < kRows; ++r)
        for (std::string& c : cells_[static_cast<std::size_t>(r)]) c.clear();
    rowMap_.fill(-1);
    listed_ = 0;
    listingCommands_ = false;
}

int LoggerTable::ListLoggers(const std::array<LoggerIndexEntry, kLoggerSlots>& index) {
    rowMap_.fill(-1);
    int r = 1;
    for (int slot = 0; slot < kLoggerSlots; ++slot) {
        const LoggerIndexEntry& e = index[static_cast<std::size_t>(slot)];
        if (!e.present) continue;
        cells_[static_cast<std::size_t>(r)] = {std::to_string(r), e.name, e.time, e.date, "NO"};
        rowMap_[static_cast<std::size_t>(r)] = slot;
        ++r;
    }
    listed_ = r - 1;
    if (listed_ > 0) listingCommands_ = true;
    return listed_;
}

int LoggerTable::LoggerRowMap(int row) const {
    return row >= 0 && row < kRows ? rowMap_[static_cast<std::size_t>(row)] : -1;
}

bool LoggerTable::LoggerIndexSelectCell(int column, int row) const {
    return column >= 1 && row >= 1 && !cell(row, column).empty();
}

bool LoggerTable::LoggerIndexMouseUp(int column, int row, bool leftButton) {
    clickedColumn_ = column;
    clickedRow_ = row;
    if (!leftButton || column != kMarkColumn || row < 0 || row >= kRows) return false;
    if (row >= 1) {
        std::string& mark = cells_[static_cast<std::size_t>(row)][kMarkColumn];
        if (mark == "YES")
            mark = "NO";
        else if (mark == "NO")
            mark = "YES";
        else
            return false;
        return true;
    }
    const int rows = RowsWithMark();
    if (rows == 0) return false;
    bool anyYes = false;
    for (int r = 1; r <= rows; ++r) anyYes = anyYes || Marked(r);
    for (int r = 1; r <= rows; ++r)
        cells_[static_cast<std::size_t>(r)][kMarkColumn] = anyYes ? "NO" : "YES";
    return true;
}

int LoggerTable::DoubleClickRow() const {
    if (clickedRow_ <= 0 || clickedRow_ > listed_ || clickedColumn_ == kMarkColumn) return 0;
    return clickedRow_;
}

int LoggerTable::RowsWithMark() const {
    int r = 1;
    while (r < kRows && !cell(r, kMarkColumn).empty()) ++r;
    return r - 1;
}

}  // namespace zv318
