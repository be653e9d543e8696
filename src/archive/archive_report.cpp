#include "archive/archive_report.h"

#include <algorithm>

namespace zv318 {

std::optional<std::vector<ReportLogger>> ReportLoggersFromArchive(
    Archive& archive, const std::vector<std::int64_t>& ids, std::int64_t* missing) {
    const std::vector<InstrumentFacts> instruments = archive.Instruments();
    std::vector<ReportLogger> loggers;
    for (std::int64_t id : ids) {
        const std::optional<ArchivedLogger> found = archive.Find(id);
        std::optional<OpenLogger> logger = found ? archive.Logger(id) : std::nullopt;
        if (!logger) {
            if (missing) *missing = id;
            return std::nullopt;
        }
        ReportLogger entry{std::move(*logger), {}};
        if (found->serial) {
            const auto facts =
                std::find_if(instruments.begin(), instruments.end(),
                             [&](const InstrumentFacts& f) { return f.serial == *found->serial; });
            if (facts != instruments.end())
                entry.instrument =
                    ReportInstrument{facts->model, facts->serial, facts->ioVersion, facts->zvVersion};
            else
                entry.instrument = ReportInstrument{"ZV-318", *found->serial, {}, {}};
        }
        loggers.push_back(std::move(entry));
    }
    return loggers;
}

}  // namespace zv318
