#pragma once
// The few POSIX calls the tests use, for the Windows build of the tests (forced in with
// -include by packaging/windows): environment, temporary folders, the process number.
#ifdef _WIN32
#include <direct.h>
#include <io.h>
#include <process.h>

#include <cstdlib>
#include <cstring>

inline int setenv(const char* name, const char* value, int overwrite) {
    if (!overwrite && std::getenv(name)) return 0;
    return _putenv_s(name, value);
}
inline int unsetenv(const char* name) { return _putenv_s(name, ""); }
inline char* mkdtemp(char* pattern) {
    if (_mktemp_s(pattern, std::strlen(pattern) + 1) != 0) return nullptr;
    return _mkdir(pattern) == 0 ? pattern : nullptr;
}
inline int getpid() { return _getpid(); }
#endif
