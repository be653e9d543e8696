#include "loggers/logger_file.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "link/report.h"
#include "loggers/logger_observer.h"
#include "plans/plan_model.h"
#include "texts/csv.h"
#include "texts/text_file.h"

namespace zv318 {

std::string LoggerExtension(int type) {
    if (type == kRadioPlan) return ".lograd";
    if (type == kPlcPlan) return ".logplc";
    return {};
}

int LoggerTypeOfPath(std::string_view path) {
    if (path.size() < 7) return 0;
    const std::string_view tail = path.substr(path.size() - 7);
    if (tail == ".lograd") return kRadioPlan;
    if (tail == ".logplc") return kPlcPlan;
    return 0;
}

std::optional<std::string> LoggerNameFromRename(std::string text) {
    // Cut by characters, not bytes: a UTF-8 character is never split.
    std::size_t characters = 0, end = 0;
    while (end < text.size() && characters < kMaxLoggerNameLength) {
        const auto lead = static_cast<unsigned char>(text[end]);
        end += lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        ++characters;
    }
    text.resize(std::min(end, text.size()));
    if (text.empty()) return std::nullopt;
    for (char c : text)
        if (std::isspace(static_cast<unsigned char>(c)) || c == '/' || c == '\\')
            return std::nullopt;
    return text;
}

std::filesystem::path SaveAllAsFilePath(const std::filesystem::path& chosen,
                                        std::string_view stem, int type) {
    std::string base = PathToText(chosen.filename());
    // A dot that starts the name ("." files) is part of the name, not an extension.
    const std::size_t dot = base.rfind('.');
    if (dot != std::string::npos && dot > 0) base.resize(dot);
    return chosen.parent_path() / PathFromText(base + "_" + std::string(stem) + LoggerExtension(type));
}

std::string LoggerSlotTag(int type, int slot) {
    char tag[32];
    std::snprintf(tag, sizeof tag, " (%s %02d)", TypeLabelFor(type).c_str(), slot);
    return tag;
}

namespace {

// The text after the first "&", or nothing when there is none.
std::optional<std::string_view> After(std::string_view text) {
    const std::size_t amp = text.find('&');
    if (amp == std::string_view::npos) return std::nullopt;
    return text.substr(amp + 1);
}

// A formatted scan of one decimal integer: blanks, sign, digits. The text after it.
std::optional<std::int32_t> ScanInt(std::string_view& text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    std::size_t digits = i + (i < text.size() && (text[i] == '-' || text[i] == '+'));
    std::size_t end = digits;
    while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
    if (end == digits) return std::nullopt;
    std::int32_t value = AtoL(text.substr(0, end));
    text.remove_prefix(end);
    return value;
}

std::string Padded(std::string text, std::size_t width, bool fill) {
    if (fill) text.append(15, ' ');
    if (text.size() > width) text.resize(width);
    return text;
}

}  // namespace

LoggerRecordReply RecordFromReply(std::string_view text) {
    LoggerRecordReply record;
    const std::optional<std::string_view> afterLead = After(text);
    if (!afterLead) return record;
    const std::size_t amp = afterLead->find('&');
    record.channel = std::string(afterLead->substr(0, amp));
    if (amp == std::string_view::npos) return record;
    std::string_view numbers = afterLead->substr(amp + 1);

    // "%d&%d&"
    std::string_view scan = numbers;
    if (std::optional<std::int32_t> f = ScanInt(scan)) {
        record.frequency = *f;
        if (!scan.empty() && scan.front() == '&') {
            scan.remove_prefix(1);
            if (std::optional<std::int32_t> b = ScanInt(scan)) record.bandwidth = *b;
        }
    }
    // Past the frequency and bandwidth fields: the rest is the power.
    if (std::optional<std::string_view> one = After(numbers))
        if (std::optional<std::string_view> two = After(*one)) record.power = std::string(*two);
    return record;
}

std::string LoggerFileText(const OpenLogger& logger) {
    std::vector<std::string> lines{logger.typeText,
                                   logger.name,
                                   logger.planName,
                                   logger.date,
                                   logger.time,
                                   logger.thresholdText,
                                   std::to_string(logger.records.size())};
    int index = 0;
    for (const LoggerRecordRow& r : logger.records) {
        lines.push_back(std::to_string(index++) + "," + r.channel + "," +
                        std::to_string(MHzTextToHz(r.frequency)) + "," +
                        std::to_string(MHzTextToHz(r.bandwidth)) + "," + r.power);
    }
    return JoinCrLf(lines);
}

std::string LoggerPrintText(const OpenLogger& logger) {
    static const char kHeading[] = "CHANNEL      FREQUENCY      BANDWITH      POWER";
    const std::string crlf = "\r\n";
    std::string text = logger.typeText + " LOGGER" + crlf + crlf;
    text += "Logger name:       " + logger.name + crlf;
    text += "Channel plan name: " + logger.planName + crlf;
    text += "Logger date:       " + logger.date + crlf;
    text += "Logger time:       " + logger.time + crlf;
    text += "Threshold:         " + logger.thresholdText + crlf;
    const std::string six(6, ' ');
    for (std::size_t j = 1; j <= logger.records.size(); ++j) {
        const LoggerRecordRow& r = logger.records[j - 1];
        text += crlf;
        if (j == 1 || j == 72) ((text += crlf) += kHeading) += crlf;
        text += Padded(r.channel, 7, true);
        text += Padded(six + r.frequency, 15, true);
        text += Padded(six + r.bandwidth, 14, true);
        text += Padded(six + r.power, 16, false);
    }
    text += "#";
    return text;
}

int ParseLoggerText(std::string text, OpenLogger& logger) {
    LineReader reader(std::move(text));
    // Type, name, plan name, date, time and threshold: one value a line, held whole.
    std::string header[6];
    for (std::string& value : header) value = WithoutLineEnd(reader.next(std::string::npos).value_or(""));
    const std::optional<std::string> countWord = reader.word();
    const std::int32_t count = countWord ? AtoL(*countWord) : -1;
    // A count that is missing or negative holds no records a file could carry either.
    if (count < 0 || count > kMaxLoggerRecords) return kLoggerFileTooManyRecords;

    logger.typeText = header[0];
    logger.name = header[1];
    logger.planName = header[2];
    logger.date = header[3];
    logger.time = header[4];
    logger.thresholdText = header[5];
    const int type = TypeFromLabel(logger.typeText);
    const std::optional<PlanLimits> limits = LimitsFor(type);
    if (!limits) return kLoggerFileBadType;

    logger.records.assign(static_cast<std::size_t>(count), LoggerRecordRow{});
    reader.skipLine();
    for (int r = 1; r <= count; ++r) {
        const std::string line = WithoutLineEnd(reader.next(std::string::npos).value_or(""));
        const ChannelLineFields f = SplitChannelLine(line);
        int code = 0;
        const std::int32_t index = AtoL(f.index);
        const std::int32_t frequency = AtoL(f.frequency);
        const std::int32_t bandwidth = AtoL(f.bandwidth);
        if (index < 0 || index >= kMaxLoggerRecords)
            code = kBadRecordIndex;
        else if (!limits->frequencyFits(frequency))
            code = kBadRecordFrequency;
        else if (!limits->bandwidthFits(bandwidth))
            code = kBadRecordBandwidth;
        LoggerRecordRow& row = logger.records[static_cast<std::size_t>(r - 1)];
        if (code == 0 || code > kBadRecordIndex) row.channel = std::string(f.name);
        if (code == 0 || code > kBadRecordFrequency) row.frequency = HzToMHzText(frequency);
        if (code == 0) {
            row.bandwidth = HzToMHzText(bandwidth);
            row.power = std::string(f.state);
        }
        if (code != 0) return r * 1000 + code;
    }
    return kLoggerFileRead;
}

bool LoggerFileReadsBack(const std::string& text, const OpenLogger& logger) {
    OpenLogger back;
    if (ParseLoggerText(text, back) != kLoggerFileRead) return false;
    const auto sameRecord = [](const LoggerRecordRow& a, const LoggerRecordRow& b) {
        return a.channel == b.channel && MHzTextToHz(a.frequency) == MHzTextToHz(b.frequency) &&
               MHzTextToHz(a.bandwidth) == MHzTextToHz(b.bandwidth) && a.power == b.power;
    };
    return back.typeText == logger.typeText && back.name == logger.name &&
           back.planName == logger.planName && back.date == logger.date &&
           back.time == logger.time && back.thresholdText == logger.thresholdText &&
           std::equal(back.records.begin(), back.records.end(), logger.records.begin(),
                      logger.records.end(), sameRecord);
}

int ReadLoggerFileAt(const std::filesystem::path& path, OpenLogger& logger, Feedback& feedback) {
    if (LoggerTypeOfPath(path.string()) == 0) return kNotALoggerFile;
    ReadRefusal why{};
    std::optional<std::string> bytes = ReadWholeFile(path, kLoggerFileMaxBytes, &why);
    if (!bytes) {
        feedback.showMessage(ReadRefusalMessage(why));
        return kLoggerFileUnreadable;
    }
    logger.fileName = path.string();
    const int result = ParseLoggerText(*bytes, logger);
    if (result > kLoggerFileRead) feedback.showMessage(26);  // a bad record line
    if (result == kLoggerFileRead) TellLoggerFileRead(path, *bytes, logger);
    return result;
}

ValueAndUnit SplitValueAndUnit(std::string_view text) {
    text = TrimCsvBlanks(text);
    const std::size_t blank = text.find_first_of(" \t");
    if (blank == std::string_view::npos) return {std::string(text), {}};
    return {std::string(text.substr(0, blank)), std::string(TrimCsvBlanks(text.substr(blank)))};
}

std::optional<double> NumericValue(std::string_view text) {
    text = TrimCsvBlanks(text);
    if (text.starts_with('+')) text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    double value = 0;
    // std::from_chars never looks at the locale; the whole text must be the number.
    const auto [end, ec] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (ec != std::errc{} || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

LoggerReadings ReadingsOf(const OpenLogger& logger) {
    LoggerReadings out;
    const ValueAndUnit threshold = SplitValueAndUnit(logger.thresholdText);
    out.threshold = NumericValue(threshold.value);
    out.thresholdUnit = threshold.unit;
    out.unit = threshold.unit;
    out.records.reserve(logger.records.size());
    for (const LoggerRecordRow& row : logger.records) {
        ValueAndUnit power = SplitValueAndUnit(row.power);
        LoggerReadings::Record r;
        r.power = NumericValue(power.value);
        r.powerValue = std::move(power.value);
        r.powerUnit = std::move(power.unit);
        r.frequencyHz = MHzTextToHz(row.frequency);
        r.bandwidthHz = MHzTextToHz(row.bandwidth);
        r.belowThreshold = r.power && out.threshold && *r.power < *out.threshold;
        if (r.power && out.unit.empty()) out.unit = r.powerUnit;
        out.belowThreshold += r.belowThreshold ? 1 : 0;
        out.records.push_back(std::move(r));
    }
    return out;
}

}  // namespace zv318
