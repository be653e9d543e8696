#include "texts/first_language.h"

#include <cctype>
#include <cstdlib>

namespace zv318 {

namespace {

struct LocaleLanguage {
    std::string_view code;  // ISO 639-1, lower case
    const char* file;       // the language file's name, without ".lng"
};

// One line per shipped language file.
constexpr LocaleLanguage kLocaleLanguages[] = {
    {"es", "Spanish"},
    {"ca", "Catalan"},
    {"en", "English"},
    {"fr", "French"},
    {"de", "German"},
    {"it", "Italian"},
    {"pt", "Portuguese"},
};

constexpr const char* kFallback = "English";

}  // namespace

std::string LanguageForLocale(std::string_view locale) {
    // The language is the part before "_", "-", "." or "@": "ca_ES.UTF-8@valencia" → "ca".
    const std::size_t end = locale.find_first_of("_-.@");
    std::string code(locale.substr(0, end));
    for (char& c : code) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const LocaleLanguage& known : kLocaleLanguages)
        if (code == known.code) return known.file;
    return kFallback;
}

std::string MessagesLocaleName() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) return value;
    }
    return {};
}

}  // namespace zv318
