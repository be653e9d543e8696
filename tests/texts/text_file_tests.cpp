// Writing files whole through a temporary file, and reading lines as a C line reader does.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "texts/text_file.h"

namespace fs = std::filesystem;
using namespace zv318;

TEST(AtomicWrite, ReplacesTheFileAndLeavesNoTemporaryBehind) {
    fs::path dir = fs::temp_directory_path() / "zv318-atomic";
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::path file = dir / "plan.c318";
    ASSERT_TRUE(WriteFileAtomically(file, "old"));
    ASSERT_TRUE(WriteFileAtomically(file, "1\r\nNEW"));
    EXPECT_EQ(ReadWholeFile(file), "1\r\nNEW");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
    fs::remove_all(dir);
}

TEST(AtomicWrite, AFailedWriteKeepsThePreviousFile) {
    fs::path dir = fs::temp_directory_path() / "zv318-atomic-fail";
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::path file = dir / "keep.txt";
    ASSERT_TRUE(WriteFileAtomically(file, "precious"));
    // A target that is a folder cannot be replaced: the write fails and nothing is lost.
    fs::create_directories(dir / "folder");
    std::ofstream(dir / "folder" / "inside") << "x";
    EXPECT_FALSE(WriteFileAtomically(dir / "folder", "data"));
    EXPECT_FALSE(WriteFileAtomically(dir / "missing" / "file.txt", "data"));
    EXPECT_EQ(ReadWholeFile(file), "precious");
    // The rename over the folder failed after the temporary file was written: it is gone too.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);

    // A sync that fails (the disk reports a late error) fails the write as well.
    // So does a close that reports one (a network folder, a quota counted at the close): the
    // late error is what the write reports, and the previous file stays.
    const struct {
        const char* what;
        SyncCall sync;
        CloseCall close;
        WriteFailure why;
    } lateErrors[] = {
        {"sync",
         [](int) {
             errno = EIO;
             return -1;
         },
         nullptr, WriteFailure::Other},
        {"close", nullptr,
         [](int fd) {
             (void)::close(fd);
             errno = EDQUOT;
             return -1;
         },
         WriteFailure::DiskFull},
        {"close", nullptr,
         [](int fd) {
             (void)::close(fd);
             errno = EIO;
             return -1;
         },
         WriteFailure::Other},
    };
    for (const auto& late : lateErrors) {
        SetSyncCallForTesting(late.sync);
        SetCloseCallForTesting(late.close);
        WriteFailure why =
            late.why == WriteFailure::Other ? WriteFailure::DiskFull : WriteFailure::Other;
        const bool written = WriteFileAtomically(file, "replaced", &why);
        SetSyncCallForTesting(nullptr);
        SetCloseCallForTesting(nullptr);
        EXPECT_FALSE(written) << late.what;
        EXPECT_EQ(why, late.why) << late.what;
        EXPECT_EQ(ReadWholeFile(file), "precious") << late.what;
        EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2)
            << late.what;
    }
    fs::remove_all(dir);
}

// A write that fails after its first bytes (a full disk, a quota, a file size limit): in a
// child process whose files may not grow past 100 bytes, SIGXFSZ ignored so that write()
// reports the error.
TEST(AtomicWrite, AWriteCutHalfWayKeepsThePreviousFileAndLeavesNoTemporary) {
    fs::path dir = fs::temp_directory_path() / "zv318-atomic-cut";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path file = dir / "plan.c318";
    ASSERT_TRUE(WriteFileAtomically(file, "precious"));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // As every main() of the program does.
        IgnoreFileSizeSignal();
        const rlimit limit{100, 100};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        WriteFailure why = WriteFailure::Other;
        if (WriteFileAtomically(file, std::string(200000, 'x'), &why)) _exit(1);
        _exit(WriteFailureMessage(why) == 544 ? 0 : 2);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status)) << "killed by a signal";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: reported as written; 2: the cause not named";
    EXPECT_EQ(ReadWholeFile(file), "precious");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
    fs::remove_all(dir);
}

// Files from outside: only a regular file no larger than its kind is read, and a FIFO or a
// device never blocks or floods the reader.
TEST(BoundedRead, RefusesWhatIsNotASmallRegularFile) {
    fs::path dir = fs::temp_directory_path() / "zv318-bounded-read";
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::ofstream(dir / "small", std::ios::binary) << "12345";
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", dir / "zero");
    fs::create_symlink(dir / "small", dir / "link-to-small");
    struct Row {
        const char* name;
        std::size_t max;
        std::optional<std::string> expected;
        ReadRefusal why;
    };
    const Row rows[] = {
        {"small", 5, "12345", ReadRefusal::CannotOpen},
        {"link-to-small", 5, "12345", ReadRefusal::CannotOpen},
        {"small", 4, std::nullopt, ReadRefusal::TooLarge},
        {"fifo", 100, std::nullopt, ReadRefusal::NotRegularFile},
        {"zero", 100, std::nullopt, ReadRefusal::NotRegularFile},
        {"missing", 100, std::nullopt, ReadRefusal::CannotOpen},
        {".", 100, std::nullopt, ReadRefusal::CannotOpen},
        // Its size reads 0 before it is read: it grows past the limit while it is read.
        {"/proc/self/maps", 16, std::nullopt, ReadRefusal::TooLarge},
    };
    for (const Row& row : rows) {
        ReadRefusal why = ReadRefusal::CannotOpen;
        EXPECT_EQ(ReadWholeFile(dir / row.name, row.max, &why), row.expected) << row.name;
        if (!row.expected) {
            EXPECT_EQ(why, row.why) << row.name;
        }
    }
    fs::remove_all(dir);
}

TEST(LineReader, PiecesLineEndsAndWords) {
    LineReader r("1\r\nTV1 rest\r\n3\r\n" + std::string(10, 'x') + "\nlast");
    EXPECT_EQ(r.next(200), "1\n");
    EXPECT_EQ(r.word(), "TV1");
    r.skipLine();
    EXPECT_EQ(r.next(200), "3\n");
    EXPECT_EQ(r.next(5), "xxxx");  // a buffer of 5 holds 4 characters
    EXPECT_EQ(r.next(200), "xxxxxx\n");
    EXPECT_EQ(r.next(200), "last");
    EXPECT_FALSE(r.next(200).has_value());
    EXPECT_TRUE(r.atEnd());
}

TEST(LineReader, JoinCrLfPutsNoLineEndAfterTheLast) {
    EXPECT_EQ(JoinCrLf({"1", "NEW", "1"}), "1\r\nNEW\r\n1");
    EXPECT_EQ(JoinCrLf({"a"}, true), "a\r\n");
    EXPECT_EQ(WithoutLineEnd("abc\r\n"), "abc");
    EXPECT_EQ(WithoutLineEnd("abc"), "abc");
}

