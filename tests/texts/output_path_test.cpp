// The one rule for every output path: never one of the command's own inputs (by identity,
// whatever the spelling), never an existing file without the question.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "texts/output_path.h"
#include "texts/text_file.h"

namespace fs = std::filesystem;
using namespace zv318;

namespace {

// Answers the question as scripted and keeps what it was asked and told.
struct Person {
    bool answer = false;
    int asked = 0;
    std::vector<int> messages;
    bool askYesNo(int text, int caption) {
        EXPECT_EQ(text, kReplaceFileQuestion);
        EXPECT_EQ(caption, kReplaceFileCaption);
        ++asked;
        return answer;
    }
    void showFileMessage(int message, const std::string&) { messages.push_back(message); }
};

}  // namespace

TEST(OutputPath, NeverOverItsInputAndNeverOverAFileWithoutTheQuestion) {
    const fs::path dir = fs::temp_directory_path() / "zv318-output-path";
    fs::remove_all(dir);
    fs::create_directories(dir / "sub");
    ASSERT_TRUE(WriteFileAtomically(dir / "in.c318", "input"));
    ASSERT_TRUE(WriteFileAtomically(dir / "other.csv", "other"));
    fs::create_hard_link(dir / "in.c318", dir / "hard.c318");
    fs::create_symlink(dir / "in.c318", dir / "soft.c318");
    const std::string in = PathToText(dir / "in.c318");
    struct Row {
        const char* what;
        fs::path output;
        bool replaceAsked;
        bool answer;
        bool allowed;
        int asked;
        std::vector<int> messages;
    };
    const Row rows[] = {
        {"the input itself", dir / "in.c318", false, true, false, 0, {kMessageOutputIsInput}},
        {"the input spelt another way", dir / "sub" / ".." / "." / "in.c318", false, true, false,
         0, {kMessageOutputIsInput}},
        {"a hard link to the input", dir / "hard.c318", false, true, false, 0,
         {kMessageOutputIsInput}},
        {"a symbolic link to the input", dir / "soft.c318", true, true, false, 0,
         {kMessageOutputIsInput}},
        {"another file, the person says no", dir / "other.csv", false, false, false, 1, {}},
        {"another file, the person says yes", dir / "other.csv", false, true, true, 1, {}},
        {"another file the save dialog asked about", dir / "other.csv", true, false, true, 0, {}},
        {"a new file", dir / "new.csv", false, false, true, 0, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Person person;
        person.answer = row.answer;
        EXPECT_EQ(MayWriteOutputAsking(person, row.output, {in, ""}, row.replaceAsked),
                  row.allowed);
        EXPECT_EQ(person.asked, row.asked);
        EXPECT_EQ(person.messages, row.messages);
    }
    EXPECT_EQ(ReadWholeFile(dir / "in.c318"), "input");
    fs::remove_all(dir);
}
