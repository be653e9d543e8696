#include "texts/program_folders.h"

#include <cstdlib>
#include <fstream>
#include <system_error>

#if defined(__unix__) || defined(__APPLE__)
#include <unistd.h>
#endif

namespace zv318 {

namespace fs = std::filesystem;

namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string{};
}

// Whether the program may write into `folder`: tried for real (permissions alone do not tell
// on a read-only mount), with a file that is removed at once.
bool Writable(const fs::path& folder) {
#if defined(__unix__) || defined(__APPLE__)
    if (::access(folder.c_str(), W_OK) != 0) return false;
#endif
    const fs::path probe = folder / ".zv318-write-test";
    {
        std::ofstream out(probe, std::ios::binary);
        if (!out) return false;
    }
    std::error_code ignored;
    fs::remove(probe, ignored);
    return true;
}

}  // namespace

fs::path UserDataFolder() {
#ifdef _WIN32
    if (std::string appData = Environment("APPDATA"); !appData.empty())
        return fs::path(appData) / "zv318";
#elif defined(__APPLE__)
    if (std::string home = Environment("HOME"); !home.empty())
        return fs::path(home) / "Library" / "Application Support" / "zv318";
#else
    if (std::string xdg = Environment("XDG_DATA_HOME"); !xdg.empty() && fs::path(xdg).is_absolute())
        return fs::path(xdg) / "zv318";
    if (std::string home = Environment("HOME"); !home.empty())
        return fs::path(home) / ".local" / "share" / "zv318";
#endif
    return fs::temp_directory_path() / "zv318";
}

namespace {

// Where the program's own data lies and where it writes, ZV318_HOME aside.
ProgramFolders Decide(const fs::path& executableFolder, const fs::path& userDataFolder) {
    std::error_code ec;
    // Installed: PREFIX/bin beside PREFIX/share/zv318, with no data folders of its own. Told by
    // the layout, not by permissions, so that it holds for root too.
    const fs::path shared = executableFolder.parent_path() / "share" / "zv318";
    if (fs::is_directory(shared, ec) && !fs::is_directory(executableFolder / "Languages", ec))
        return {shared, userDataFolder};
    if (Writable(executableFolder)) return {executableFolder, executableFolder};
    return {executableFolder, userDataFolder};  // an unpacked copy on a read-only medium
}

}  // namespace

ProgramFolders DecideProgramFolders(const fs::path& executableFolder,
                                    const fs::path& userDataFolder) {
    ProgramFolders folders = Decide(executableFolder, userDataFolder);
    // ZV318_HOME moves the person's files only: the pictures, languages, guide and firmware
    // images still come from the program's own data folder.
    if (std::string home = Environment("ZV318_HOME"); !home.empty()) folders.user = home;
    return folders;
}

ProgramFolders DecideProgramFolders(const fs::path& executableFolder) {
    return DecideProgramFolders(executableFolder, UserDataFolder());
}

bool PrepareUserFolder(const ProgramFolders& folders) {
    std::error_code ec;
    // A ZV318_HOME that names a folder not made yet is made, as the person asked for it.
    fs::create_directories(folders.user, ec);
    if (folders.separate()) {
        fs::create_directories(folders.user / "Loggers", ec);
        if (!fs::is_directory(folders.user / "Loggers", ec)) return false;
    }
    // ZV318_HOME may name a folder the person can only read.
    return Writable(folders.user);
}

}  // namespace zv318
