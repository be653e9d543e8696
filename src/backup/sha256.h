#pragma once
// SHA-256 of a byte string, for the manifest of a backup.

#include <string>
#include <string_view>

namespace zv318 {

// The digest as 64 lowercase hexadecimal digits.
[[nodiscard]] std::string Sha256Hex(std::string_view bytes);

}  // namespace zv318
