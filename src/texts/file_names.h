#pragma once
// Names from outside (the instrument, a file, a CSV, a rename) made into one file name: what
// the program joins to a folder never leads out of it, never hides itself and never names a
// device.

#include <cstddef>
#include <string>
#include <string_view>

namespace zv318 {

inline constexpr std::size_t kMaxSafeFileName = 64;  // bytes

// One path component every system takes, no longer than kMaxSafeFileName bytes:
// - a path separator, a character no file name can hold (: * ? " < > |) and a control
//   character are written as "%" and two hexadecimal digits ("A/B" -> "A%2FB");
// - so are a leading dot or blank and a trailing dot or blank (".." -> "%2E%2E");
// - a "%" that two hexadecimal digits follow is written "%25", so the name can always be told
//   back and two names never become one file (a lone "%" stays as it is);
// - the first character of a device name of Windows (CON, NUL, COM1, LPT1 ..., with or
//   without an extension) is written the same way;
// - the empty name becomes "_";
// - a longer result is cut at a character, never inside an escape or a UTF-8 sequence; only
//   there may two names share a result.
// A name that needs none of this comes back unchanged.
[[nodiscard]] std::string SafeFileName(std::string_view name);

}  // namespace zv318
