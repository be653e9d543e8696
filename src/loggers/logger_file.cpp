#include "loggers/logger_file.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "link/report.h"
#include "loggers/logger_observer.h"
#include "plans/plan_model.h"
#include "texts/csv.h"
#include "texts/fields.h"
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

std::filesystem::path SaveAllAsFilePath(const std::filesystem::path& chosen, std::string_view stem,
                                        int type) {
    std::string base = PathToText(chosen.filename());
    // A dot that starts the name ("." files) is part of the name, not an extension.
    const std::size_t dot = base.rfind('.');
    if (dot != std::string::npos && dot > 0) base.resize(dot);
    return chosen.parent_path() /
           PathFromText(base + "_" + std::string(stem) + LoggerExtension(type));
}

std::string LoggerSlotTag(int type, int slot) {
    char tag[32];
    std::snprintf(tag, sizeof tag, " (%s %02d)", TypeLabelFor(type).c_str(), slot);
    return tag;
}

namespace {

std::string Padded(std::string text, std::size_t width, bool fill) {
    if (fill) text.append(15, ' ');
    if (text.size() > width) text.resize(width);
    return text;
}

}  // namespace

std::optional<LoggerRecordReply> RecordFromReply(std::string_view text) {
    // A leading field, then channel&frequency&bandwidth&power and nothing else.
    std::string_view fields[5];
    for (int k = 0; k < 5; ++k) {
        const std::size_t amp = k < 4 ? text.find('&') : text.size();
        if (amp == std::string_view::npos) return std::nullopt;
        fields[k] = text.substr(0, amp);
        text.remove_prefix(k < 4 ? amp + 1 : amp);
    }
    LoggerRecordReply record;
    record.channel = InstrumentText(fields[1]);
    const std::optional<std::int32_t> frequency = HertzField(fields[2]);
    const std::optional<std::int32_t> bandwidth = HertzField(fields[3]);
    // What a logger file could not carry is refused here, not found when the file is read.
    if (!ChannelNameFitsLoggerFile(record.channel) || !frequency || !bandwidth ||
        !PowerField(fields[4]))
        return std::nullopt;
    record.frequency = *frequency;
    record.bandwidth = *bandwidth;
    record.power = std::string(fields[4]);
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

bool ChannelNameFitsLoggerFile(std::string_view name) {
    return !HoldsControlCharacter(name) && name.find(',') == std::string_view::npos;
}

bool ValueAndUnitText(std::string_view text, bool (*value)(std::string_view)) {
    // The value, or the value, one blank and a unit of one word (empty when the instrument
    // gave none): what a download writes.
    const std::size_t blank = text.find(' ');
    const std::string_view unit =
        blank == std::string_view::npos ? std::string_view{} : text.substr(blank + 1);
    return value(text.substr(0, blank)) && !HoldsControlCharacter(unit) &&
           unit.find(' ') == std::string_view::npos;
}

bool ThresholdTextFits(std::string_view text) {
    return ValueAndUnitText(text, [](std::string_view v) {
        return DecimalField(v, std::numeric_limits<std::int32_t>::min(),
                            std::numeric_limits<std::int32_t>::max())
            .has_value();
    });
}

bool PowerTextFits(std::string_view text) {
    return ValueAndUnitText(text, [](std::string_view v) { return PowerField(v).has_value(); });
}

int ParseLoggerText(const std::string& text, OpenLogger& logger) {
    // The file's texts in the instrument's encoding, decided once for the whole file.
    LineReader reader(InstrumentText(text));
    // Type, name, plan name, date, time and threshold: one value a line, held whole.
    std::string header[6];
    for (std::string& value : header)
        value = WithoutLineEnd(reader.next(std::string::npos).value_or(""));
    const std::optional<std::string> countLine = reader.next(std::string::npos);
    const std::optional<std::int64_t> count =
        countLine ? DecimalField(WithoutLineEnd(*countLine), 0, kMaxLoggerRecords) : std::nullopt;
    // A count that is missing or no count holds no records a file could carry either.
    if (!count) return kLoggerFileTooManyRecords;

    logger.typeText = header[0];
    logger.name = header[1];
    logger.planName = header[2];
    logger.date = header[3];
    logger.time = header[4];
    logger.thresholdText = header[5];
    const int type = TypeFromLabel(logger.typeText);
    const std::optional<PlanLimits> limits = LimitsFor(type);
    if (!limits) return kLoggerFileBadType;
    for (int k = 1; k < 5; ++k)
        if (HoldsControlCharacter(header[k])) return kLoggerFileBadHeader;
    if (!ThresholdTextFits(logger.thresholdText)) return kLoggerFileBadHeader;

    const int n = static_cast<int>(*count);
    logger.records.assign(static_cast<std::size_t>(n), LoggerRecordRow{});
    for (int r = 1; r <= n; ++r) {
        const std::string line = WithoutLineEnd(reader.next(std::string::npos).value_or(""));
        const ChannelLineFields f = SplitChannelLine(line);
        const std::optional<std::int64_t> index = DecimalField(f.index, r - 1, r - 1);
        const std::optional<std::int32_t> frequency = HertzField(f.frequency);
        const std::optional<std::int32_t> bandwidth = HertzField(f.bandwidth);
        int code = 0;
        if (!index)
            code = kBadRecordIndex;
        else if (!ChannelNameFitsLoggerFile(f.name))
            code = kBadRecordName;
        else if (!frequency || !limits->frequencyFits(*frequency))
            code = kBadRecordFrequency;
        else if (!bandwidth || !limits->bandwidthFits(*bandwidth))
            code = kBadRecordBandwidth;
        else if (!PowerTextFits(f.state))
            code = kBadRecordPower;
        LoggerRecordRow& row = logger.records[static_cast<std::size_t>(r - 1)];
        if (code == 0 || code > kBadRecordName) row.channel = std::string(f.name);
        if (code == 0 || code > kBadRecordFrequency) row.frequency = HzToMHzText(*frequency);
        if (code == 0 || code > kBadRecordBandwidth) row.bandwidth = HzToMHzText(*bandwidth);
        if (code == 0) row.power = std::string(f.state);
        if (code != 0) return r * 1000 + code;
    }
    // A record line past the count: the count disagrees with the file, and a logger taken on
    // the count alone would lose records without a word.
    while (std::optional<std::string> rest = reader.next(std::string::npos))
        if (!TrimCsvBlanks(WithoutLineEnd(*rest)).empty()) return (n + 1) * 1000 + kBadRecordIndex;
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
