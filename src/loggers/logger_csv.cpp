#include "loggers/logger_csv.h"

#include "texts/csv.h"
#include "texts/text_file.h"

namespace zv318 {

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
    const LoggerReadings readings = ReadingsOf(logger);
    LoggerChartData data;
    data.threshold = readings.threshold;
    data.unit = readings.unit;
    int record = 0;
    for (std::size_t k = 0; k < readings.records.size(); ++k) {
        ++record;
        const LoggerReadings::Record& r = readings.records[k];
        if (!r.power) {
            ++data.skipped;
            continue;
        }
        data.bars.push_back({record, logger.records[k].channel, *r.power, r.belowThreshold});
    }
    return data;
}

}  // namespace zv318
