#include "archive/archive_analysis.h"

#include <charconv>
#include <cstdio>
#include <map>
#include <set>
#include <utility>

#include "plans/plan_model.h"
#include "texts/csv.h"
#include "texts/fields.h"

namespace zv318 {

std::string DifferenceText(const std::optional<double>& difference) {
    if (!difference) return {};
    const std::string s = FixedText(*difference, 2);
    // "-0.00" reads as a difference where there is none.
    return s == "-0.00" ? "0.00" : s;
}

namespace {

using ChannelKey = std::pair<std::string, std::int64_t>;  // name, frequency

// A power as it was measured: the shortest text that reads back as the same number.
std::string Power(const std::optional<double>& v) {
    if (!v) return {};
    char text[32];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, *v);
    return ec == std::errc{} ? std::string(text, end) : std::string{};
}

}  // namespace

std::optional<Comparison> Compare(Archive& archive, std::int64_t idA, std::int64_t idB) {
    std::optional<ArchivedLogger> a = archive.Find(idA), b = archive.Find(idB);
    if (!a || !b) return std::nullopt;
    Comparison out{*a, *b, {}};
    const std::vector<ArchivedRecord> ra = archive.Records(idA), rb = archive.Records(idB);
    // B's records of each channel and frequency, in record order, taken one by one.
    std::map<ChannelKey, std::vector<std::size_t>> open;
    for (std::size_t k = rb.size(); k-- > 0;) open[{rb[k].channel, rb[k].frequencyHz}].push_back(k);
    std::vector<bool> taken(rb.size(), false);
    const bool sameUnit = a->unit == b->unit;
    for (const ArchivedRecord& r : ra) {
        ComparedChannel row{r.channel, r.frequencyHz, r.powerText, std::nullopt,
                            r.power,   std::nullopt,  std::nullopt};
        std::vector<std::size_t>& candidates = open[{r.channel, r.frequencyHz}];
        if (!candidates.empty()) {
            const ArchivedRecord& m = rb[candidates.back()];
            taken[candidates.back()] = true;
            candidates.pop_back();
            row.powerB = m.powerText;
            row.b = m.power;
            if (sameUnit && row.a && row.b) row.difference = *row.b - *row.a;
        }
        out.rows.push_back(std::move(row));
    }
    for (std::size_t k = 0; k < rb.size(); ++k)
        if (!taken[k])
            out.rows.push_back({rb[k].channel, rb[k].frequencyHz, std::nullopt, rb[k].powerText,
                                std::nullopt, rb[k].power, std::nullopt});
    return out;
}

std::string ComparisonCsv(const Comparison& c) {
    std::string text = CsvRow({"channel", "frequency_mhz", "power_a", "power_b", "difference"});
    for (const ComparedChannel& r : c.rows)
        text += CsvRow({r.channel, HzToMHzText(r.frequencyHz), r.powerA.value_or(""),
                        r.powerB.value_or(""), DifferenceText(r.difference)});
    return text;
}

std::optional<Trend> TrendOf(Archive& archive, std::int64_t referenceId,
                             const std::vector<std::string>& channels) {
    std::optional<ArchivedLogger> reference = archive.Find(referenceId);
    if (!reference) return std::nullopt;
    Trend trend{*reference, {}, {}};
    // The series in the reference's record order, then any other frequency a chosen channel
    // had elsewhere, as it first appears.
    std::map<ChannelKey, std::size_t> column;
    auto seriesOf = [&](const std::string& channel, std::int64_t hz) {
        auto [it, added] = column.try_emplace({channel, hz}, trend.series.size());
        if (added) trend.series.push_back({channel, hz});
        return it->second;
    };
    std::vector<std::string> chosen = channels;
    const std::set<std::string> wanted(channels.begin(), channels.end());
    std::set<std::string> seen;
    for (const ArchivedRecord& r : archive.Records(referenceId)) {
        if (!wanted.empty() && !wanted.contains(r.channel)) continue;
        (void)seriesOf(r.channel, r.frequencyHz);
        if (channels.empty() && seen.insert(r.channel).second) chosen.push_back(r.channel);
    }
    if (chosen.empty()) return trend;
    const std::vector<Archive::TrendRow> rows =
        archive.TrendRows(reference->name, reference->type, chosen);
    std::set<std::pair<std::int64_t, std::size_t>> filled;
    for (const Archive::TrendRow& row : rows) {
        if (trend.loggers.empty() || trend.loggers.back().id != row.loggerId)
            trend.loggers.push_back({row.loggerId, row.measuredAt, {}});
        const std::size_t s = seriesOf(row.channel, row.frequencyHz);
        TrendLogger& lg = trend.loggers.back();
        if (lg.power.size() <= s) lg.power.resize(s + 1);
        // A channel measured twice in one logger: its first record counts.
        if (filled.insert({row.loggerId, s}).second) lg.power[s] = row.power;
    }
    for (TrendLogger& lg : trend.loggers) lg.power.resize(trend.series.size());
    return trend;
}

std::string TrendCsv(const Trend& trend) {
    std::vector<std::string> heading{"measured_at", "id"};
    for (const TrendSeries& s : trend.series)
        heading.push_back(s.channel + " " + HzToMHzText(s.frequencyHz) + " MHz");
    std::string text = CsvRow(heading);
    for (const TrendLogger& lg : trend.loggers) {
        std::vector<std::string> row{lg.measuredAt, std::to_string(lg.id)};
        for (const std::optional<double>& p : lg.power) row.push_back(Power(p));
        text += CsvRow(row);
    }
    return text;
}

}  // namespace zv318
