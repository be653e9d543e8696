#pragma once
// Archived loggers as the site report takes them: each with the instrument it was measured
// with, as the archive knows it (a logger read from a file has none).

#include <cstdint>
#include <optional>
#include <vector>

#include "archive/archive.h"
#include "loggers/site_report.h"

namespace zv318 {

// The loggers `ids` in that order; nothing when one is not in the archive (its id then goes
// to `missing`).
[[nodiscard]] std::optional<std::vector<ReportLogger>> ReportLoggersFromArchive(
    Archive& archive, const std::vector<std::int64_t>& ids, std::int64_t* missing = nullptr);

}  // namespace zv318
