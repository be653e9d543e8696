#include "loggers/logger_csv.h"

#include <charconv>
#include <cmath>

#include "texts/csv.h"
#include "texts/text_file.h"

namespace zv318 {

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

std::string LoggerCsvText(const OpenLogger& logger) {
    const ValueAndUnit threshold = SplitValueAndUnit(logger.thresholdText);
    std::string text = CsvRow({"field", "value"}) + CsvRow({"type", logger.typeText}) +
                       CsvRow({"name", logger.name}) + CsvRow({"plan", logger.planName}) +
                       CsvRow({"date", logger.date}) + CsvRow({"time", logger.time}) +
                       CsvRow({"threshold", threshold.value}) + CsvRow({"unit", threshold.unit}) +
                       "\r\n";
    text += CsvRow({"channel", "frequency_mhz", "bandwidth_mhz", "power", "unit"});
    for (const LoggerRecordRow& r : logger.records) {
        const ValueAndUnit power = SplitValueAndUnit(r.power);
        text += CsvRow({r.channel, r.frequency, r.bandwidth, power.value, power.unit});
    }
    return text;
}

int WriteLoggerCsv(const OpenLogger& logger, const std::filesystem::path& file,
                   Feedback& feedback) {
    WriteFailure why = WriteFailure::Other;
    if (!WriteFileAtomically(file, LoggerCsvText(logger), &why)) {
        feedback.showMessage(kMessageLoggerCsvNotWritten);
        if (const int cause = WriteFailureMessage(why)) feedback.showMessage(cause);
        return kLoggerCsvCannotCreate;
    }
    return kLoggerCsvWritten;
}

int ExportLoggerCsv(const OpenLogger& logger, Feedback& feedback) {
    std::optional<std::string> chosen =
        feedback.chooseFile(
            FileRequest{FileRequest::ExportCsv, {}, logger.name + ".csv", {logger.fileName}});
    if (!chosen || chosen->empty()) return kLoggerCsvCancelled;
    const int result = WriteLoggerCsv(logger, *chosen, feedback);
    if (result == kLoggerCsvWritten) feedback.fileWritten(*chosen);
    return result;
}

LoggerChartData ChartData(const OpenLogger& logger) {
    LoggerChartData data;
    const ValueAndUnit threshold = SplitValueAndUnit(logger.thresholdText);
    data.threshold = NumericValue(threshold.value);
    data.unit = threshold.unit;
    int record = 0;
    for (const LoggerRecordRow& r : logger.records) {
        ++record;
        const ValueAndUnit power = SplitValueAndUnit(r.power);
        const std::optional<double> value = NumericValue(power.value);
        if (!value) {
            ++data.skipped;
            continue;
        }
        if (data.unit.empty()) data.unit = power.unit;
        data.bars.push_back(
            {record, r.channel, *value, data.threshold && *value < *data.threshold});
    }
    return data;
}

}  // namespace zv318
