#pragma once
// Where the measurement archive lives, decided in one place from ZV318_ARCHIVE:
//   unset or empty      archive.sqlite in the user's data folder (beside Loggers/)
//   "off"               no archive
//   a path              that SQLite file
//   "postgresql://…"    a team archive on a PostgreSQL server (through Qt's QPSQL driver)

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace zv318 {

inline constexpr char kArchiveFileName[] = "archive.sqlite";
// The key of settings.txt (the Archive page's setting) read when ZV318_ARCHIVE is not set.
inline constexpr char kArchiveSettingKey[] = "archive";

struct ArchiveLocation {
    enum Kind { Off, SqliteFile, PostgreSql };
    Kind kind = SqliteFile;
    std::filesystem::path file;  // SqliteFile; PostgreSql: the local archive used offline
    std::string url;             // PostgreSql: the URL as given

    [[nodiscard]] bool off() const { return kind == Off; }
    // What a person reads in a notice: the file or the URL without its password.
    [[nodiscard]] std::string describe() const;
    // The files on this computer that hold the archive (the SQLite file, the local one beside
    // a team server, with their journals and sessions folder): what no command may write its
    // output over.
    [[nodiscard]] std::vector<std::string> localFiles() const;
};

// `setting`: the value of ZV318_ARCHIVE (nothing when unset).
[[nodiscard]] ArchiveLocation ArchiveLocationFor(const std::optional<std::string>& setting,
                                                 const std::filesystem::path& userFolder);
// The same from the environment, else from the user's settings file.
[[nodiscard]] ArchiveLocation ArchiveLocationFromEnvironment(const std::filesystem::path& userFolder);
// What no output of the program may go to: the local files of the archive in use and of the
// one in the user's folder (kept there whether the archive is on, off or elsewhere).
[[nodiscard]] std::vector<std::string> ArchiveFilesToProtect(
    const std::filesystem::path& userFolder);

}  // namespace zv318
