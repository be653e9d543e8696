#pragma once
// Where the program reads its shipped data and where it writes. Run from its build or unpacked
// folder, both are that folder, as always. Installed (PREFIX/bin beside PREFIX/share/zv318),
// the shipped data ("Images", "Languages", "Version") is read from PREFIX/share/zv318, found
// relative to the executable so a relocated prefix works, and what the program writes
// ("config.txt", the ".temp" plan copies, "Loggers") goes to the user's data folder, made on
// first use; so does an unpacked copy on a read-only medium. ZV318_HOME moves only what the
// program writes (the person's files); its shipped data is always read from its own folder.

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace zv318 {

struct ProgramFolders {
    ProgramFolders() = default;
    // One folder for everything: the program's own folder, as always (and in the tests).
    ProgramFolders(std::filesystem::path both) : data(both), user(std::move(both)) {}
    ProgramFolders(std::filesystem::path readFrom, std::filesystem::path writeTo)
        : data(std::move(readFrom)), user(std::move(writeTo)) {}

    std::filesystem::path data;  // Images, Languages, Version: read only
    std::filesystem::path user;  // config.txt, the .temp copies, Loggers, the person's languages
    [[nodiscard]] bool separate() const { return data != user; }
};

// The user's own data folder for the program: $XDG_DATA_HOME/zv318 or ~/.local/share/zv318
// (%APPDATA%\zv318 on Windows, ~/Library/Application Support/zv318 on macOS).
[[nodiscard]] std::filesystem::path UserDataFolder();

// The one decision. `executableFolder`: the folder of the running program;
// `userDataFolder`: where an installed program writes (UserDataFolder() outside the tests).
[[nodiscard]] ProgramFolders DecideProgramFolders(const std::filesystem::path& executableFolder,
                                                  const std::filesystem::path& userDataFolder);
// The same with the user's real data folder.
[[nodiscard]] ProgramFolders DecideProgramFolders(const std::filesystem::path& executableFolder);

// Makes the user folder and its "Loggers" folder when they are separate from the data; false
// when they cannot be made or the user folder cannot be written.
[[nodiscard]] bool PrepareUserFolder(const ProgramFolders& folders);

}  // namespace zv318
