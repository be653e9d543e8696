// The one rule for every output path: never one of the command's own inputs (by identity,
// whatever the spelling), never an existing file without the question.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>

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

// The places no output ever goes to, whoever runs the program: the protected files (the
// archive, its journals whether they exist yet or not, anything in its sessions folder) and
// whatever is not a regular file, a link to one included. A dangling link is a new name.
TEST(OutputPath, NeverOverTheArchiveNorOverWhatIsNoRegularFile) {
    const fs::path dir = fs::temp_directory_path() / "zv318-output-places";
    fs::remove_all(dir);
    fs::create_directories(dir / "archive.sqlite.sessions");
    fs::create_directories(dir / "folder");
    ASSERT_TRUE(WriteFileAtomically(dir / "archive.sqlite", "archive"));
    ASSERT_TRUE(WriteFileAtomically(dir / "other.csv", "other"));
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    // A device of the test's own where it may make one (as root, whom nothing else stops): a
    // rule that failed would replace only that.
    const fs::path device = ::mknod((dir / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0
                                ? dir / "null"
                                : fs::path("/dev/null");
    fs::create_symlink(device, dir / "to-device");
    fs::create_symlink(dir / "archive.sqlite", dir / "to-archive");
    fs::create_symlink(dir / "nowhere", dir / "dangling");
    const std::string archive = PathToText(dir / "archive.sqlite");
    ProtectFromOutput({archive, archive + "-wal", archive + "-shm", archive + ".sessions"});
    struct Row {
        const char* what;
        fs::path output;
        OutputPlace place;
    };
    const Row rows[] = {
        {"the archive", dir / "archive.sqlite", OutputPlace::Archive},
        {"the archive spelt another way", dir / "folder" / ".." / "archive.sqlite",
         OutputPlace::Archive},
        {"a link to the archive", dir / "to-archive", OutputPlace::Archive},
        {"its -wal, not made yet", dir / "archive.sqlite-wal", OutputPlace::Archive},
        {"its -shm, not made yet", dir / "archive.sqlite-shm", OutputPlace::Archive},
        {"in its sessions folder", dir / "archive.sqlite.sessions" / "entry", OutputPlace::Archive},
        {"a FIFO", dir / "fifo", OutputPlace::NotAFile},
        {"a device", device, OutputPlace::NotAFile},
        {"a link to a device", dir / "to-device", OutputPlace::NotAFile},
        {"a folder", dir / "folder", OutputPlace::NotAFile},
        {"a dangling link", dir / "dangling", OutputPlace::New},
        {"another file", dir / "other.csv", OutputPlace::Existing},
        {"a new name", dir / "new.csv", OutputPlace::New},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(JudgeOutputPath(row.output, {}), row.place);
        Person person;
        person.answer = true;
        const bool refused = OutputRefusalMessage(row.place) != 0;
        EXPECT_EQ(MayWriteOutputAsking(person, row.output, {}), !refused);
        EXPECT_EQ(person.messages,
                  refused ? std::vector<int>{OutputRefusalMessage(row.place)} : std::vector<int>{});
        // The writer below the rule never replaces what is no regular file either.
        if (row.place == OutputPlace::NotAFile) {
            WriteFailure why = WriteFailure::Other;
            EXPECT_FALSE(WriteFileAtomically(row.output, "x", &why));
            EXPECT_EQ(why, WriteFailure::NotAFile);
        }
    }
    EXPECT_TRUE(fs::is_fifo(dir / "fifo"));
    EXPECT_EQ(ReadWholeFile(dir / "archive.sqlite"), "archive");
    ProtectFromOutput({});
    fs::remove_all(dir);
}
