#include "archive/archive_location.h"

#include <cstdlib>

#include "archive/archive_server.h"
#include "texts/text_file.h"
#include "texts/user_settings.h"

namespace zv318 {

std::vector<std::string> ArchiveLocation::localFiles() const {
    if (file.empty()) return {};
    const std::string base = PathToText(file);
    return {base, base + "-wal", base + "-shm", base + "-journal"};
}

std::string ArchiveLocation::describe() const {
    switch (kind) {
        case Off:
            return "off";
        case SqliteFile:
            return PathToText(file);
        case PostgreSql:
            break;
    }
    return DescribeServerAddress(url);
}

ArchiveLocation ArchiveLocationFor(const std::optional<std::string>& setting,
                                   const std::filesystem::path& userFolder) {
    ArchiveLocation where;
    if (!setting || setting->empty()) {
        where.file = userFolder / kArchiveFileName;
    } else if (*setting == "off") {
        where.kind = ArchiveLocation::Off;
    } else if (setting->starts_with("postgresql://") || setting->starts_with("postgres://")) {
        where.kind = ArchiveLocation::PostgreSql;
        where.url = *setting;
        // Where the loggers wait while the server cannot be reached.
        where.file = userFolder / kArchiveFileName;
    } else {
        where.file = PathFromText(*setting);
    }
    return where;
}

ArchiveLocation ArchiveLocationFromEnvironment(const std::filesystem::path& userFolder) {
    const char* value = std::getenv("ZV318_ARCHIVE");
    if (value) return ArchiveLocationFor(std::string(value), userFolder);
    // Else the Archive page's setting.
    return ArchiveLocationFor(UserSettings::Load(UserSettings::FileIn(userFolder)).value(kArchiveSettingKey),
                              userFolder);
}

}  // namespace zv318
