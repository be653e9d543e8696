#pragma once
// The language of a first start, before the person has picked one: the system's language when a
// language file is shipped for it, else English. The table grows with the language files.

#include <string>
#include <string_view>

namespace zv318 {

// The language file name ("Spanish") for a locale name as the system gives it ("es_ES.UTF-8",
// "ca_ES@valencia", "es"); "English" for any language without a file of its own, and for "C",
// "POSIX" and an empty name.
[[nodiscard]] std::string LanguageForLocale(std::string_view locale);

// The locale that names the language of messages: LC_ALL, else LC_MESSAGES, else LANG (the first
// that is set and not empty); empty when none is.
[[nodiscard]] std::string MessagesLocaleName();

}  // namespace zv318
