#include "loggers/logger_file.h"

#include <cctype>

#include "link/report.h"
#include "loggers/logger_observer.h"
#include "plans/plan_model.h"
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

std::string SaveAllAsFilePath(std::string_view chosen, std::string_view name, int type) {
    return std::string(chosen.substr(0, chosen.find('.'))) + "_" + std::string(name) +
           LoggerExtension(type);
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

int ReadLoggerFileAt(const std::filesystem::path& path, OpenLogger& logger, Feedback& feedback) {
    if (LoggerTypeOfPath(path.string()) == 0) return kNotALoggerFile;
    ReadRefusal why{};
    std::optional<std::string> bytes = ReadWholeFile(path, kLoggerFileMaxBytes, &why);
    if (!bytes) {
        feedback.showMessage(ReadRefusalMessage(why));
        return kLoggerFileUnreadable;
    }
    logger.fileName = path.string();
    const int result = ReadLoggerText(*bytes, logger, feedback);
    if (result == kLoggerFileRead) TellLoggerFileRead(path, *bytes, logger);
    return result;
}

int ReadLoggerText(std::string bytes, OpenLogger& logger, Feedback& feedback) {
    LineReader reader(std::move(bytes));
    // Header values are held whole, however long.
    std::string words[5];
    for (std::string& w : words) w = reader.word().value_or("");
    reader.skipLine();
    const std::string threshold = WithoutLineEnd(reader.next(std::string::npos).value_or(""));
    const std::optional<std::string> countWord = reader.word();
    const std::int32_t count = countWord ? AtoL(*countWord) : -1;
    // A count that is missing or negative holds no records a file could carry either.
    if (count < 0 || count > kMaxLoggerRecords) return kLoggerFileTooManyRecords;

    logger.typeText = words[0];
    logger.name = words[1];
    logger.planName = words[2];
    logger.date = words[3];
    logger.time = words[4];
    logger.thresholdText = threshold;
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
        if (code != 0) {
            feedback.showMessage(26);
            return r * 1000 + code;
        }
    }
    return kLoggerFileRead;
}

}  // namespace zv318
