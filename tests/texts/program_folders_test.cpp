// Where the program reads and writes: the build or unpacked folder, an installed layout, a
// read-only copy, and ZV318_HOME moving the person's files of them all.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "texts/program_folders.h"

namespace zv318 {
namespace {

namespace fs = std::filesystem;

class textsProgramFolders : public ::testing::Test {
protected:
    void SetUp() override {
        ::unsetenv("ZV318_HOME");
        root = fs::temp_directory_path() / ("zv318-folders-" + std::to_string(::getpid()));
        fs::remove_all(root);
        fs::create_directories(root);
    }
    void TearDown() override {
        ::unsetenv("ZV318_HOME");
        fs::permissions(root, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(root);
    }
    fs::path root;
};

TEST_F(textsProgramFolders, EachLayoutReadsAndWritesWhereItShould) {
    const fs::path user = root / "home" / ".local" / "share" / "zv318";

    // A build or unpacked folder with its data beside the program: everything there.
    fs::create_directories(root / "build" / "bin" / "Languages");
    ProgramFolders build = DecideProgramFolders(root / "build" / "bin", user);
    EXPECT_EQ(build.data, root / "build" / "bin");
    EXPECT_EQ(build.user, root / "build" / "bin");
    EXPECT_TRUE(PrepareUserFolder(build));
    EXPECT_FALSE(fs::exists(user));

    // Installed under any prefix: data from PREFIX/share/zv318, writes to the user's folder.
    fs::create_directories(root / "opt" / "bin");
    fs::create_directories(root / "opt" / "share" / "zv318" / "Languages");
    ProgramFolders installed = DecideProgramFolders(root / "opt" / "bin", user);
    EXPECT_EQ(installed.data, root / "opt" / "share" / "zv318");
    EXPECT_EQ(installed.user, user);
    EXPECT_TRUE(PrepareUserFolder(installed));
    EXPECT_TRUE(fs::is_directory(user / "Loggers"));

    // ZV318_HOME moves the person's files only: the shipped data stays the program's own.
    ::setenv("ZV318_HOME", (root / "elsewhere").c_str(), 1);
    const std::pair<fs::path, fs::path> dataOf[] = {
        {root / "build" / "bin", root / "build" / "bin"},
        {root / "opt" / "bin", root / "opt" / "share" / "zv318"}};
    for (const auto& [exe, data] : dataOf) {
        ProgramFolders home = DecideProgramFolders(exe, user);
        EXPECT_EQ(home.data, data);
        EXPECT_EQ(home.user, root / "elsewhere");
    }
}

TEST_F(textsProgramFolders, AReadOnlyCopyWritesToTheUsersFolder) {
    const fs::path copy = root / "cdrom";
    fs::create_directories(copy / "Languages");
    const fs::path user = root / "user";
    fs::permissions(copy, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                              fs::perms::group_exec | fs::perms::others_read |
                              fs::perms::others_exec);
    fs::permissions(root, fs::perms::all);
    auto decide = [&] {
        ProgramFolders f = DecideProgramFolders(copy, user);
        return f.data == copy && f.user == user;
    };
    if (::geteuid() != 0) {
        EXPECT_TRUE(decide());
        return;
    }
    // Root writes anywhere: ask as an ordinary user in a child process.
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
        ::_exit(decide() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

// `check` as an ordinary user: root writes anywhere, so it is asked in a child process.
bool AsOrdinaryUser(const std::function<bool()>& check) {
    if (::geteuid() != 0) return check();
    pid_t pid = ::fork();
    if (pid < 0) return false;
    if (pid == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
        ::_exit(check() ? 0 : 1);
    }
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return false;
    return WEXITSTATUS(status) == 0;
}

TEST_F(textsProgramFolders, AUserFolderThatCannotBeWrittenIsToldNotTakenForReady) {
    // ZV318_HOME on a folder the person may only read, and a user folder under one.
    const fs::path locked = root / "locked";
    fs::create_directories(locked / "Loggers");
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                                fs::perms::others_exec);
    fs::permissions(root, fs::perms::all);
    EXPECT_TRUE(AsOrdinaryUser([&] { return !PrepareUserFolder(ProgramFolders(locked)); }));
    EXPECT_TRUE(AsOrdinaryUser(
        [&] { return !PrepareUserFolder(ProgramFolders(root / "data", locked / "zv318")); }));
    // A writable one is ready, and leaves no probe file behind.
    const fs::path open = root / "open";
    fs::create_directories(open);
    fs::permissions(open, fs::perms::all);
    EXPECT_TRUE(AsOrdinaryUser([&] { return PrepareUserFolder(ProgramFolders(open)); }));
    EXPECT_TRUE(fs::is_empty(open));
    // A folder not there yet (a new ZV318_HOME) is made, and ready.
    EXPECT_TRUE(
        AsOrdinaryUser([&] { return PrepareUserFolder(ProgramFolders(open / "new" / "home")); }));
    EXPECT_TRUE(fs::is_directory(open / "new" / "home"));
    fs::permissions(locked, fs::perms::owner_all, fs::perm_options::add);
}

}  // namespace
}  // namespace zv318
