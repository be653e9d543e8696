#include "archive/archive_report.h"

#include <algorithm>

namespace zv318 {

std::optional<std::vector<ReportLogger>> ReportLoggersFromArchive(
    Archive& archive, const std::vector<std::int64_t>& ids, std::int64_t* missing) {
    const std::vector<InstrumentIdentity> instruments = archive.Instruments();
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
                             [&](const InstrumentIdentity& f) { return f.serial == *found->serial; });
            if (facts != instruments.end())
                entry.instrument =
                    *facts;
            else
                entry.instrument = InstrumentIdentity{*found->serial, "ZV-318", {}, {}};
        }
        loggers.push_back(std::move(entry));
    }
    return loggers;
}

}  // namespace zv318
