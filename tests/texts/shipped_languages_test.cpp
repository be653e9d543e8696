// Every language file that ships: each entry of English translated and not empty, the same
// "%n" marks, lines the reader takes whole, and one word for one thing in each language.
// (That the texts fit their controls and the menus keep their own keys is checked on the
// windows themselves, in the main window's tests.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "texts/language_file.h"
#include "texts/language_table.h"
#include "texts/text_file.h"

namespace {

namespace fs = std::filesystem;
using namespace zv318;

// The tests run in the build's program folder, where the shipped "Languages" is copied.
fs::path Shipped() { return LanguageFolder(fs::current_path()); }

struct Line {
    int number = 0;
    std::string label;  // the word before the comma: Menu, Tab, Msg...
    std::string text;
};

struct LanguageFile {
    std::string name;
    std::string bytes;
    std::map<int, Line> entries;
    std::vector<int> setTwice;  // a later line wins: the earlier text is never seen
};

// The entries as the file writes them: which numbers it sets, with their labels.
LanguageFile Load(const std::string& name) {
    LanguageFile file{name, ReadWholeFile(Shipped() / PathFromText(name + ".lng")).value_or(""), {}, {}};
    std::size_t at = 0;
    while (at < file.bytes.size()) {
        std::size_t end = file.bytes.find('\n', at);
        if (end == std::string::npos) end = file.bytes.size();
        const std::string line = WithoutLineEnd(file.bytes.substr(at, end - at));
        at = end + 1;
        const std::size_t comma = line.find(',');
        const std::size_t equals = line.find('=', comma);
        if (comma == std::string::npos || equals == std::string::npos) continue;
        const int number = std::stoi(line.substr(comma + 1, equals - comma - 1));
        if (file.entries.contains(number)) file.setTwice.push_back(number);
        file.entries[number] = {number, line.substr(0, comma), line.substr(line.find('=') + 1)};
    }
    return file;
}

std::vector<std::string> ShippedNames() {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(Shipped()))
        if (e.path().extension() == ".lng") names.push_back(PathToText(e.path().stem()));
    std::sort(names.begin(), names.end());
    return names;
}

// "%1", "%2"... in their order of appearance, sorted: a translation may reorder them.
std::multiset<std::string> Marks(const std::string& text) {
    std::multiset<std::string> marks;
    for (std::size_t i = 0; i + 1 < text.size(); ++i)
        if (text[i] == '%' && text[i + 1] >= '1' && text[i + 1] <= '9') marks.insert(text.substr(i, 2));
    return marks;
}

std::size_t CodePoints(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

TEST(ShippedLanguages, EveryLanguageNamesItselfAndHasItsFlag) {
    const std::map<std::string, std::string> ownNames{
        {"English", "English"}, {"Spanish", "Español"},  {"Catalan", "Català"},
        {"French", "Français"}, {"German", "Deutsch"},   {"Italian", "Italiano"},
        {"Portuguese", "Português"}};
    const std::vector<std::string> names = ShippedNames();
    EXPECT_EQ(names.size(), ownNames.size());
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(fs::is_regular_file(FlagPath(fs::current_path(), name)));
        ASSERT_TRUE(ownNames.contains(name));
        EXPECT_EQ(Load(name).entries[0].text, ownNames.at(name));
        // config.txt gives back at most this many characters of the name.
        EXPECT_LE(CodePoints(name), kLanguageNameLength);
    }
}

// What the reader cuts or skips is lost for the person: every line must reach it whole.
TEST(ShippedLanguages, EveryLineIsReadWhole) {
    for (const std::string& name : ShippedNames()) {
        SCOPED_TRACE(name);
        const LanguageFile file = Load(name);
        ASSERT_FALSE(file.bytes.empty());
        EXPECT_EQ(DecodeUtf8OrWindows1252(file.bytes), file.bytes) << "not UTF-8";
        LanguageTable table;
        const LanguageFileResult read = ReadLanguageText(file.bytes, table);
        EXPECT_TRUE(read.problems.empty());
        EXPECT_EQ(file.setTwice, std::vector<int>{});
        std::size_t at = 0;
        int lineNumber = 1;
        while (at < file.bytes.size()) {
            const std::size_t end = file.bytes.find('\n', at);
            ASSERT_NE(end, std::string::npos) << "line " << lineNumber << " has no line end";
            EXPECT_TRUE(end > at && file.bytes[end - 1] == '\r') << "line " << lineNumber;
            EXPECT_LE(CodePoints(file.bytes.substr(at, end - at - 1)), kLanguageLineBuffer - 1)
                << "line " << lineNumber;
            at = end + 1;
            ++lineNumber;
        }
        for (const auto& [n, line] : file.entries) {
            EXPECT_TRUE(IsLanguageEntry(n)) << n;
            EXPECT_EQ(table.entry(n), line.text) << n;
        }
    }
}

TEST(ShippedLanguages, EveryEntryOfEnglishIsTranslatedWithItsMarks) {
    const LanguageFile english = Load(kBuiltInLanguage);
    ASSERT_GT(english.entries.size(), 300u);
    for (const std::string& name : ShippedNames()) {
        if (name == kBuiltInLanguage) continue;
        SCOPED_TRACE(name);
        const LanguageFile file = Load(name);
        for (const auto& [n, line] : english.entries) {
            const auto it = file.entries.find(n);
            if (it == file.entries.end()) {
                ADD_FAILURE() << "entry " << n << " is missing";
                continue;
            }
            const std::string& text = it->second.text;
            EXPECT_NE(text.find_first_not_of(' '), std::string::npos) << "entry " << n << " is empty";
            EXPECT_EQ(Marks(text), Marks(line.text)) << "entry " << n << ": " << text;
            // Texts followed by a value ("Current version: " + number) keep their blank.
            EXPECT_EQ(text.ends_with(' '), line.text.ends_with(' ')) << "entry " << n;
            // A menu key only where English has one: a caption shown elsewhere has none.
            EXPECT_EQ(text.find('&') != std::string::npos, line.text.find('&') != std::string::npos)
                << "entry " << n << ": " << text;
            EXPECT_EQ(it->second.label, line.label) << "entry " << n;
        }
        for (const auto& [n, line] : file.entries)
            EXPECT_TRUE(english.entries.contains(n)) << "entry " << n << " is not in English";
    }
}

// One word for one thing: where English names the thing, the translation names it with the
// language's own word for it (a stem, in lower case), never with a synonym.
TEST(ShippedLanguages, OneWordForOneThing) {
    struct Term {
        const char* english;
        std::vector<std::string> stems;  // one of them must appear
    };
    const std::map<std::string, std::vector<Term>> words{
        {"Spanish",
         {{"logger", {"registro"}},
          {"channel plan", {"plan"}},
          {"threshold", {"umbral"}},
          {"backup", {"copia"}},
          {"archive", {"históric", "archivad"}},
          {"io interface", {"io interface"}}}},
        {"Catalan",
         {{"logger", {"registre"}},
          {"channel plan", {"pla"}},
          {"threshold", {"llindar"}},
          {"backup", {"còpia"}},
          {"archive", {"arxiu", "arxivat"}},
          {"io interface", {"io interface"}}}},
        {"French",
         {{"logger", {"journ"}},
          {"channel plan", {"plan"}},
          {"threshold", {"seuil"}},
          {"backup", {"sauvegard"}},
          {"archive", {"archiv"}},
          {"firmware", {"firmware"}},
          {"io interface", {"io interface"}}}},
        {"German",
         {{"logger", {"logger"}},
          {"channel plan", {"plan", "plän"}},
          {"threshold", {"schwellwert"}},
          {"backup", {"sicherung"}},
          {"archive", {"archiv"}},
          {"firmware", {"firmware"}},
          {"io interface", {"io interface"}}}},
        {"Italian",
         {{"logger", {"registrazion"}},
          {"channel plan", {"pian"}},
          {"threshold", {"soglia"}},
          {"backup", {"backup"}},
          {"archive", {"archivi"}},
          {"firmware", {"firmware"}},
          {"io interface", {"io interface"}}}},
        {"Portuguese",
         {{"logger", {"registo"}},
          {"channel plan", {"plano"}},
          {"threshold", {"limiar"}},
          {"backup", {"cópia"}},
          {"archive", {"arquiv"}},
          {"firmware", {"firmware"}},
          {"io interface", {"io interface"}}}},
    };
    // The words a language does not use, because another word names that thing (Spanish: a
    // logger is a "registro", a file an "archivo", the archive the "histórico").
    const std::map<std::string, std::vector<std::string>> avoided{
        {"Spanish", {"logger", "fichero"}}, {"Catalan", {"logger"}}};
    for (const auto& [name, bad] : avoided)
        for (const auto& [n, line] : Load(name).entries)
            for (const std::string& word : bad)
                EXPECT_EQ(Lower(line.text).find(word), std::string::npos)
                    << name << " entry " << n << ": " << line.text;
    const LanguageFile english = Load(kBuiltInLanguage);
    for (const auto& [name, terms] : words) {
        SCOPED_TRACE(name);
        const LanguageFile file = Load(name);
        ASSERT_FALSE(file.entries.empty());
        for (const auto& [n, line] : english.entries) {
            const std::string translated = Lower(file.entries.at(n).text);
            for (const Term& term : terms) {
                if (Lower(line.text).find(term.english) == std::string::npos) continue;
                EXPECT_TRUE(std::any_of(term.stems.begin(), term.stems.end(),
                                        [&](const std::string& stem) {
                                            return translated.find(stem) != std::string::npos;
                                        }))
                    << "entry " << n << " names the " << term.english << " otherwise: " << translated;
            }
        }
    }
}

}  // namespace

namespace {

// A date's fields as a text writes them: each run of letters by its length, the month's "MM"
// as M, the separators as they stand ("dd.MM.yyyy" and "TT.MM.JJJJ" alike give "2.M.4").
std::string DateShape(const std::string& text) {
    std::string shape;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t run = i;
        while (run < text.size() && std::isalpha(static_cast<unsigned char>(text[run]))) ++run;
        if (run == i) {
            shape += text[i++];
            continue;
        }
        shape += text.substr(i, run - i) == "MM" ? std::string("M") : std::to_string(run - i);
        i = run;
    }
    return shape;
}

std::string WithoutKeyMark(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '&'), text.end());
    return text;
}

}  // namespace

// Words that name another part of the program say it as that part says itself: a text's menu
// hint is the menus' own path, the Selected column's marks are the ones the texts tell the
// person to set, the date fields' placeholder follows the language's date format, and a new
// plan's name is one the instrument takes (at most five capital letters).
TEST(ShippedLanguages, WordsAgreeWithWhatTheyName) {
    for (const std::string& name : ShippedNames()) {
        SCOPED_TRACE(name);
        const LanguageFile file = Load(name);
        const auto entry = [&file](int n) {
            const auto it = file.entries.find(n);
            return it == file.entries.end() ? std::string() : it->second.text;
        };
        struct MenuHint {
            int text, menu, item;
        };
        for (const MenuHint& h : {MenuHint{1771, 1, 1770}, MenuHint{1684, 5, 11}}) {
            const std::string path = WithoutKeyMark(entry(h.menu) + " > " + entry(h.item));
            EXPECT_NE(entry(h.text).find(path), std::string::npos)
                << "entry " << h.text << " lacks " << path << ": " << entry(h.text);
        }
        const std::string yes = entry(1890), no = entry(1891);
        EXPECT_FALSE(yes.empty());
        EXPECT_FALSE(no.empty());
        EXPECT_NE(yes, no);
        for (int n : {3, 1825})
            EXPECT_NE(entry(n).find(yes), std::string::npos) << "entry " << n << ": " << entry(n);
        EXPECT_EQ(DateShape(entry(1892)), DateShape(entry(1900))) << entry(1892);
        const std::string plan = entry(1893);
        const auto capital = [](char c) { return c >= 'A' && c <= 'Z'; };
        EXPECT_TRUE(!plan.empty() && plan.size() <= 5 &&
                    std::all_of(plan.begin(), plan.end(), capital))
            << plan;
    }
}
