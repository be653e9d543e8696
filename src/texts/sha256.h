#pragma once
// SHA-256 of a byte string: the manifest of a backup, the identity of an archived logger.

#include <string>
#include <string_view>

namespace zv318 {

// The digest as 64 lowercase hexadecimal digits.
[[nodiscard]] std::string Sha256Hex(std::string_view bytes);

}  // namespace zv318
