#include "archive/archive_location.h"

#include <cstdlib>

#include "archive/archive_server.h"
#include "texts/text_file.h"
#include "texts/user_settings.h"

namespace zv318 {

std::vector<std::string> ArchiveLocation::localFiles() const {
    if (file.empty()) return {};
    const std::string base = PathToText(file);
    // The sessions folder beside it (archive_sessions.cpp) holds the program's own marks.
    return {base, base + "-wal", base + "-shm", base + "-journal", base + ".sessions"};
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

std::vector<std::string> ArchiveFilesToProtect(const std::filesystem::path& userFolder) {
    std::vector<std::string> files = ArchiveLocationFromEnvironment(userFolder).localFiles();
    for (std::string& file : ArchiveLocationFor(std::nullopt, userFolder).localFiles())
        files.push_back(std::move(file));
    return files;
}

}  // namespace zv318
