#pragma once
// The person's own runtime folder: where the desktop program's local socket and the person's
// own locks live. Only a folder this program has checked is the person's own is used: owned by
// the effective user, mode 0700, not a link. No such folder, no folder: a relative or shared
// place (the temporary folder itself) is never used instead.

#include <filesystem>
#include <optional>

namespace zv318 {

// Whether `folder` is the person's own: an absolute path naming a folder (not a link) owned by
// the effective user and open to nobody else (mode 0700).
[[nodiscard]] bool IsPersonalFolder(const std::filesystem::path& folder);

// $XDG_RUNTIME_DIR when it is the person's own; else runtime-USER in the temporary folder
// ($TMPDIR, else /tmp), made when missing, when it is the person's own; else nothing (always
// nothing on Windows, whose pipes and mutexes are the session's own).
[[nodiscard]] std::optional<std::filesystem::path> PersonalRuntimeFolder();

}  // namespace zv318
