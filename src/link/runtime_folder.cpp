#include "link/runtime_folder.h"

#include <cstdlib>
#include <string>

#ifndef _WIN32
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace zv318 {

namespace fs = std::filesystem;

#ifdef _WIN32

bool IsPersonalFolder(const fs::path&) {
    return false;
}

std::optional<fs::path> PersonalRuntimeFolder() {
    return std::nullopt;
}

#else

bool IsPersonalFolder(const fs::path& folder) {
    if (folder.empty() || !folder.is_absolute()) return false;
    struct stat st {};
    return ::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & 07777) == 0700;
}

std::optional<fs::path> PersonalRuntimeFolder() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && IsPersonalFolder(runtime))
        return fs::path(runtime);
    // As Qt names the folder it makes in place of a missing one.
    const char* tmp = std::getenv("TMPDIR");
    const fs::path temporary = tmp && *tmp ? fs::path(tmp) : fs::path("/tmp");
    const struct passwd* user = ::getpwuid(::geteuid());
    const std::string name = user && user->pw_name && *user->pw_name ? std::string(user->pw_name)
                                                                     : std::to_string(::geteuid());
    const fs::path folder = temporary / ("runtime-" + name);
    (void)::mkdir(folder.c_str(), 0700);  // made first by another user: judged below
    if (IsPersonalFolder(folder)) return folder;
    return std::nullopt;
}

#endif

}  // namespace zv318
