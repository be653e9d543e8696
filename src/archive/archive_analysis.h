#pragma once
// What the archive tells beyond one logger: two loggers compared channel by channel, and the
// power of a site's channels over every archived logger of the same name and type.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "archive/archive.h"

namespace zv318 {

// Two loggers side by side: the channels matched by name and frequency (the n-th record of a
// channel and frequency in A with the n-th in B), in A's record order, then the records only
// B holds. The difference is B - A, when both powers are numbers in the same unit.
struct ComparedChannel {
    std::string channel;
    std::int64_t frequencyHz = 0;
    std::optional<std::string> powerA, powerB;  // the texts; nothing where a logger lacks it
    std::optional<double> a, b, difference;
};
struct Comparison {
    ArchivedLogger loggerA, loggerB;
    std::vector<ComparedChannel> rows;
};
[[nodiscard]] std::optional<Comparison> Compare(Archive& archive, std::int64_t idA,
                                                std::int64_t idB);
// channel,frequency_mhz,power_a,power_b,difference (a heading row, then one row per channel).
[[nodiscard]] std::string ComparisonCsv(const Comparison& comparison);
// A difference as the CSV and the terminal write it: two decimals, never "-0.00"; nothing
// when a power is missing.
[[nodiscard]] std::string DifferenceText(const std::optional<double>& difference);

// The power of the chosen channels (all of the reference logger's when none is chosen) across
// every archived logger of the reference's name and type that has a date, oldest first.
struct TrendSeries {
    std::string channel;
    std::int64_t frequencyHz = 0;
};
struct TrendLogger {
    std::int64_t id = 0;
    std::string measuredAt;
    // One value per series (nothing where the logger has no such channel or no number).
    std::vector<std::optional<double>> power;
};
struct Trend {
    ArchivedLogger reference;
    std::vector<TrendSeries> series;
    std::vector<TrendLogger> loggers;
};
[[nodiscard]] std::optional<Trend> TrendOf(Archive& archive, std::int64_t referenceId,
                                           const std::vector<std::string>& channels = {});
// measured_at,id, then one column per series "CHANNEL FREQUENCY MHz"; a row per logger.
[[nodiscard]] std::string TrendCsv(const Trend& trend);

}  // namespace zv318
