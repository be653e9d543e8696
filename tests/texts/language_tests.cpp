// The language table, the message catalogue, language files and config.txt.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

#include "texts/language_file.h"
#include "texts/language_table.h"
#include "texts/text_file.h"

namespace fs = std::filesystem;
using namespace zv318;

namespace {

class TempFolder {
public:
    TempFolder() {
        path_ =
            fs::temp_directory_path() /
            ("zv318-shell-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(path_);
        fs::create_directories(path_ / "Languages");
    }
    ~TempFolder() { fs::remove_all(path_); }
    const fs::path& path() const { return path_; }
    void write(const fs::path& relative, const std::string& bytes) const {
        std::ofstream(path_ / relative, std::ios::binary) << bytes;
    }

private:
    fs::path path_;
};

LanguageTable Numbered() {
    LanguageTable t;
    for (int n = 0; n < kLanguageEntries; ++n) t.set(n, "E" + std::to_string(n));
    return t;
}

}  // namespace

TEST(MessageCatalogue, EntriesAndNumberedForms) {
    LanguageTable t = Numbered();
    std::string text;
    EXPECT_EQ(MessageText(t, 7, text), 7);
    EXPECT_EQ(text, "E67");
    EXPECT_EQ(MessageText(t, 4, text), 4);
    EXPECT_EQ(text, "E63: 4");
    EXPECT_EQ(MessageText(t, 10, text), 10);
    EXPECT_EQ(text, "E71: 10");
    EXPECT_EQ(MessageText(t, 30, text), 30);
    EXPECT_EQ(text, "E3");
    EXPECT_EQ(MessageText(t, 31, text), 31);
    EXPECT_EQ(text, "E106");
    EXPECT_EQ(MessageText(t, -5, text), -5);
    EXPECT_EQ(text, "E68: -5");
    EXPECT_EQ(MessageText(t, -91, text), -91);
    EXPECT_EQ(text, "E68: -91");
    EXPECT_TRUE(MessageIsError(-91));
    EXPECT_FALSE(MessageIsError(-5));
    EXPECT_FALSE(MessageIsError(7));
}

TEST(MessageCatalogue, NoTextForZeroAndAbove31AndEmptyEntries) {
    LanguageTable t = Numbered();
    std::string text = "untouched";
    EXPECT_EQ(MessageText(t, 0, text), 0);
    EXPECT_EQ(MessageText(t, 32, text), 0);
    EXPECT_EQ(text, "untouched");
    LanguageTable empty;
    EXPECT_EQ(MessageText(empty, 7, text), 7);
    EXPECT_EQ(text, "");
}

TEST(LanguageTable, OnlyTheInstrumentsAndTheProgramsOwnRangesAreKept) {
    LanguageTable t;
    for (int n : {-1, 136, 999, 2000}) t.set(n, "x");
    t.set(135, "last");
    t.set(1000, "own first");
    t.set(1999, "own last");
    EXPECT_EQ(t.entry(135), "last");
    EXPECT_EQ(t.entry(1000), "own first");
    EXPECT_EQ(t.entry(1999), "own last");
    for (int n : {-1, 136, 999, 2000}) EXPECT_EQ(t.entry(n), "") << n;
    // The program's own messages 100-999 read entries 1100-1999, without their number.
    std::string text;
    EXPECT_EQ(MessageText(t, 999, text), 999);
    EXPECT_EQ(text, "own last");
    EXPECT_EQ(MessageText(t, 1000, text), 0);
    t.clear();
    EXPECT_EQ(t.entry(1000), "");
}

TEST(LanguageFile, LineRules) {
    LanguageTable t;
    auto r = ReadLanguageText(
        "Caption,31=ZV-318 Software\r\n"
        "a=b,5=c\r\n"  // label holding "=": the text starts after the first "="
        "Msg,67=Text, with commas = and equals\r\n"
        "no comma here\r\n"
        "Big,136=ignored\r\n"
        "Own,1042=the program's own\r\n"
        "Past,2000=ignored\r\n"
        "Neg,-1=ignored\r\n"
        "Blank, 12 =spaced number\r\n",
        t);
    EXPECT_TRUE(r.opened);
    EXPECT_TRUE(r.problems.empty());
    EXPECT_EQ(t.entry(31), "ZV-318 Software");
    EXPECT_EQ(t.entry(5), "b,5=c");
    EXPECT_EQ(t.entry(67), "Text, with commas = and equals");
    EXPECT_EQ(t.entry(12), "spaced number");
    EXPECT_EQ(t.entry(1042), "the program's own");
    EXPECT_EQ(t.entry(0), "");
}

TEST(LanguageFile, BadLinesAreSkippedAndReportedWithTheirLineNumbers) {
    LanguageTable t;
    auto r = ReadLanguageText("A,1=one\nB,x2=bad\nC,3 only comma\nD,4=four\n", t);
    ASSERT_EQ(r.problems.size(), 2u);
    EXPECT_EQ(r.problems[0].line, 2);
    EXPECT_EQ(r.problems[1].line, 3);
    // Reading goes on past them.
    EXPECT_EQ(t.entry(1), "one");
    EXPECT_EQ(t.entry(4), "four");
    std::string text = DescribeProblems("Languages/X.lng", r.problems);
    EXPECT_NE(text.find("X.lng"), std::string::npos);
    EXPECT_NE(text.find("line 2"), std::string::npos);
    EXPECT_NE(text.find("line 3"), std::string::npos);
}

TEST(LanguageFile, LongLinesAreReadAsSeveralLines) {
    LanguageTable t;
    // 199 characters fit one line; the rest is read as a line of its own.
    std::string first = "L,7=" + std::string(195, 'a');  // 199 characters
    std::string line = first + "X,8=tail";
    ReadLanguageText(line + "\r\nM,9=next\r\n", t);
    EXPECT_EQ(t.entry(7), std::string(195, 'a'));
    EXPECT_EQ(t.entry(8), "tail");
    EXPECT_EQ(t.entry(9), "next");
}

TEST(LanguageFile, LfOnlyAndNoFinalLineBreak) {
    LanguageTable t;
    ReadLanguageText("A,1=one\nB,2=two", t);
    EXPECT_EQ(t.entry(1), "one");
    EXPECT_EQ(t.entry(2), "two");
}

TEST(LanguageFile, Windows1252AndUtf8Accents) {
    LanguageTable t;
    ReadLanguageText("A,1=Versi\xF3 actual\r\nB,2=Configuraci\xF3n \x80\r\n", t);
    EXPECT_EQ(t.entry(1), "Versi\xC3\xB3 actual");
    EXPECT_EQ(t.entry(2), "Configuraci\xC3\xB3n \xE2\x82\xAC");
    LanguageTable u;
    ReadLanguageText(
        "\xEF\xBB\xBF"
        "A,1=Versi\xC3\xB3\r\n",
        u);
    EXPECT_EQ(u.entry(1), "Versi\xC3\xB3");
}

TEST(LanguageFile, SwitchingKeepsEntriesTheNewFileDoesNotSet) {
    TempFolder dir;
    dir.write("Languages/First.lng", "A,50=fifty\r\nA,1=one\r\n");
    dir.write("Languages/Second.lng", "A,1=uno\r\n");
    LanguageTable t;
    EXPECT_TRUE(ReadLanguageFile(LanguageFilePath(dir.path(), "First"), t).opened);
    EXPECT_TRUE(ReadLanguageFile(LanguageFilePath(dir.path(), "Second"), t).opened);
    EXPECT_EQ(t.entry(1), "uno");
    EXPECT_EQ(t.entry(50), "fifty");
    EXPECT_FALSE(ReadLanguageFile(LanguageFilePath(dir.path(), "Missing"), t).opened);
}

TEST(LanguageFile, ListsLngFilesOnly) {
    TempFolder dir;
    dir.write("Languages/Spanish.lng", "");
    dir.write("Languages/English.lng", "");
    dir.write("Languages/English.bmp", "");
    fs::create_directories(dir.path() / "Languages" / "Folder.lng");
    EXPECT_EQ(ListLanguages(dir.path()), (std::vector<std::string>{"English", "Spanish"}));
    // Installed: the person's own languages beside the shipped ones, and theirs win a name.
    const fs::path user = dir.path() / "home";
    fs::create_directories(user / "Languages");
    dir.write("home/Languages/Euskara.lng", "");
    dir.write("home/Languages/English.lng", "");
    const ProgramFolders installed{dir.path(), user};
    EXPECT_EQ(ListLanguages(installed),
              (std::vector<std::string>{"English", "Euskara", "Spanish"}));
    EXPECT_EQ(LanguageFilePath(installed, "English"), user / "Languages" / "English.lng");
    EXPECT_EQ(LanguageFilePath(installed, "Spanish"), dir.path() / "Languages" / "Spanish.lng");
    EXPECT_EQ(FlagPath(installed, "English"), dir.path() / "Languages" / "English.bmp");

    // The built-in language stays offered when no file is left, so a language can be chosen.
    fs::remove_all(dir.path() / "Languages");
    EXPECT_EQ(ListLanguages(dir.path()), std::vector<std::string>{"English"});
}

TEST(ConfigFile, NameOnlyAndAHandEditedLineBreak) {
    TempFolder dir;
    EXPECT_FALSE(ReadConfigLanguage(dir.path()).has_value());
    ASSERT_TRUE(WriteConfigLanguage(dir.path(), "Catalan"));
    EXPECT_EQ(ReadWholeFile(dir.path() / "config.txt"), "Catalan");
    EXPECT_EQ(ReadConfigLanguage(dir.path()), "Catalan");
    dir.write("config.txt", "Spanish\r\nmore\r\n");
    EXPECT_EQ(ReadConfigLanguage(dir.path()), "Spanish");
    dir.write("config.txt", "Spanish\n");
    EXPECT_EQ(ReadConfigLanguage(dir.path()), "Spanish");
    // At most 19 characters come back.
    dir.write("config.txt", "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    EXPECT_EQ(ReadConfigLanguage(dir.path()), "ABCDEFGHIJKLMNOPQRS");
}

// ---- the shipped language files: one word per thing -----------------------------------------

namespace {

struct ShippedLine {
    std::string kind;  // the label before the comma: "Menu", "Tab", "Msg"...
    int entry;
    std::string text;
};

std::vector<ShippedLine> ShippedLines(const std::string& language) {
    std::ifstream in(fs::path("Languages") / (language + ".lng"), std::ios::binary);
    std::vector<ShippedLine> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::size_t comma = line.find(','), eq = line.find('=');
        if (comma == std::string::npos || eq == std::string::npos || eq < comma) continue;
        lines.push_back({line.substr(0, comma), std::atoi(line.c_str() + comma + 1),
                         line.substr(eq + 1)});
    }
    return lines;
}

// A caption as read: without its key mark and its "…", in lower case.
std::string AsRead(std::string caption) {
    std::string read;
    for (char c : caption)
        if (c != '&') read += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const std::string tail : {"…", "..."})
        if (read.size() >= tail.size() && read.ends_with(tail)) read.resize(read.size() - tail.size());
    return read;
}

}  // namespace

TEST(ShippedLanguages, NoTextNamesTwoDifferentMenusOrTabs) {
    for (const std::string language :
         {"English", "Spanish", "Catalan", "French", "German", "Italian", "Portuguese"}) {
        const std::vector<ShippedLine> lines = ShippedLines(language);
        ASSERT_GT(lines.size(), 100u) << language;
        std::map<std::string, int> captions;  // caption as read -> its entry
        for (const ShippedLine& l : lines) {
            if (l.kind != "Menu" && l.kind != "Tab") continue;
            const auto [at, added] = captions.emplace(AsRead(l.text), l.entry);
            EXPECT_TRUE(added) << language << ": \"" << l.text << "\" is entry " << at->second
                               << " and entry " << l.entry;
        }
    }
}
