// The first start's language: the system's locale names it until the person picks one.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "texts/first_language.h"

namespace zv318 {
namespace {

TEST(textsFirstLanguage, TheLocalesLanguageNamesTheFile) {
    const struct {
        const char* locale;
        const char* language;
    } cases[] = {
        {"es_ES.UTF-8", "Spanish"}, {"es_MX", "Spanish"},     {"es", "Spanish"},
        {"ES_es.utf8", "Spanish"},  {"ca_ES@valencia", "Catalan"}, {"ca_AD.UTF-8", "Catalan"},
        {"ca-ES", "Catalan"},       {"en_GB.UTF-8", "English"}, {"de_DE.UTF-8", "German"},
        {"C", "English"},           {"C.UTF-8", "English"},     {"POSIX", "English"},
        {"", "English"},            {"cat", "English"},         {"e", "English"},
        {"_ES", "English"},         {"es\r\n", "English"},
        {"fr_FR.UTF-8", "French"},  {"fr_CA", "French"},       {"de_AT.UTF-8", "German"},
        {"de_CH", "German"},        {"it_IT.UTF-8", "Italian"}, {"it_CH", "Italian"},
        {"pt_PT.UTF-8", "Portuguese"}, {"pt_BR", "Portuguese"}, {"nl_NL.UTF-8", "English"},
    };
    for (const auto& c : cases) EXPECT_EQ(LanguageForLocale(c.locale), c.language) << c.locale;
}

TEST(textsFirstLanguage, LcAllThenLcMessagesThenLang) {
    struct Saved {
        const char* name;
        std::string value;
        bool set;
    } saved[] = {{"LC_ALL", {}, false}, {"LC_MESSAGES", {}, false}, {"LANG", {}, false}};
    for (Saved& s : saved)
        if (const char* v = std::getenv(s.name)) s = {s.name, v, true};

    const struct {
        const char *all, *messages, *lang, *expected;
    } cases[] = {
        {nullptr, nullptr, "ca_ES.UTF-8", "ca_ES.UTF-8"},
        {nullptr, "es_ES.UTF-8", "ca_ES.UTF-8", "es_ES.UTF-8"},
        {"en_US.UTF-8", "es_ES.UTF-8", "ca_ES.UTF-8", "en_US.UTF-8"},
        {"", "", "es_ES", "es_ES"},  // set but empty counts as not set
        {nullptr, nullptr, nullptr, ""},
    };
    for (const auto& c : cases) {
        const char* values[] = {c.all, c.messages, c.lang};
        for (int i = 0; i < 3; ++i)
            values[i] ? ::setenv(saved[i].name, values[i], 1) : ::unsetenv(saved[i].name);
        EXPECT_EQ(MessagesLocaleName(), c.expected);
    }
    for (const Saved& s : saved)
        s.set ? ::setenv(s.name, s.value.c_str(), 1) : ::unsetenv(s.name);
}

}  // namespace
}  // namespace zv318
