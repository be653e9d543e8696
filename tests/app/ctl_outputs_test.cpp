// One rule for every file zv318ctl writes, run as a technician runs it: every writer (-o, --pdf,
// --trace) against every kind of place it must never write over, each a process of its own
// with a time-out, so a FIFO can never hang the test.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>

#include <string>
#include <vector>

#include "app/ctl_support.h"
#include "texts/text_file.h"

namespace zv318::testing {
namespace {

const char kLogger[] =
    "RADIO\r\nL1\r\nTV1\r\n01/02/2013\r\n10:20:30\r\n-50 dBm\r\n2\r\n"
    "0,C1,474123456,8000000,-45.2 dBm\r\n1,C2,50000000,3000,-120 dBm";
const char kPlan[] = "1\r\nTV1\r\n1\r\n0,C1,50000000,3000,ON";

// What stands at a place, to see that a refused write left it alone.
std::string Kind(const fs::path& p) {
    struct stat st {};
    if (::lstat(p.c_str(), &st) != 0) return "none";
    if (S_ISFIFO(st.st_mode)) return "fifo";
    if (S_ISSOCK(st.st_mode)) return "socket";
    if (S_ISDIR(st.st_mode)) return "folder";
    if (S_ISCHR(st.st_mode)) return "device";
    return "file " + ReadWholeFile(p, 1 << 24).value_or("?").substr(0, 16);
}

bool MakeSocket(const fs::path& p) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", p.c_str());
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return bound;
}

class Outputs : public ::testing::Test {
protected:
    void SetUp() override {
        fs::remove_all(home);
        fs::create_directories(home / "Languages");
        fs::copy_file(fs::path(ZV318_LANGUAGES_DIR) / "English.lng",
                      home / "Languages" / "English.lng");
        ASSERT_TRUE(WriteFileAtomically(home / "L1.lograd", kLogger));
        ASSERT_TRUE(WriteFileAtomically(home / "tv1.c318", kPlan));
        ASSERT_TRUE(WriteFileAtomically(home / "tv1.csv",
                                        "field,value\r\ntype,RADIO\r\nname,TV1\r\n\r\n"
                                        "channel,name,frequency_mhz,bandwidth_mhz,state\r\n"
                                        "1,C1,50.0000,0.0030,ON\r\n"));
        // The archive, holding the logger: a logger read is kept.
        const CtlRun kept = Run("loggers csv '" + Path("L1.lograd") + "'");
        ASSERT_EQ(kept.status, 0) << kept.out;
        ASSERT_TRUE(fs::exists(home / "archive.sqlite"));
        ASSERT_EQ(::mkfifo((home / "fifo").c_str(), 0600), 0);
        ASSERT_TRUE(MakeSocket(home / "socket"));
        fs::create_directories(home / "folder");
        // A device of the test's own where it may make one (as root, whom nothing else stops):
        // a rule that failed would replace only that.
        device = ::mknod((home / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0
                     ? Path("null")
                     : std::string("/dev/null");
    }
    void TearDown() override { fs::remove_all(home); }

    std::string Path(const std::string& name) const { return (home / name).string(); }
    // Within its time-out: a writer that waited on a FIFO would end with 124.
    CtlRun Run(const std::string& args, const std::string& env = {}) const {
        return RunCtl("ZV318_HOME='" + home.string() + "' " + env + " timeout 20", "--yes " + args);
    }
    // The archive still opens and lists its one logger.
    void ExpectArchiveWhole() const {
        const CtlRun list = Run("archive list");
        EXPECT_EQ(list.status, 0) << list.out;
        EXPECT_NE(list.out.find("L1"), std::string::npos) << list.out;
    }

    fs::path home = fs::temp_directory_path() / ("zv318-ctl-out-" + std::to_string(getpid()));
    std::string device;
};

TEST_F(Outputs, NoWriterGoesOverTheArchiveAnInputOrAnythingButARegularFile) {
    struct Writer {
        const char* what;
        std::string args;   // before the place
        std::string input;  // the writer's own input, a place of its own
    };
    const std::vector<Writer> writers = {
        {"loggers csv -o", "loggers csv '" + Path("L1.lograd") + "' -o ", "L1.lograd"},
        {"plans csv -o", "plans csv '" + Path("tv1.c318") + "' -o ", "tv1.c318"},
        {"plans from-csv -o", "plans from-csv '" + Path("tv1.csv") + "' --type radio -o ",
         "tv1.csv"},
        {"loggers print --pdf", "loggers print '" + Path("L1.lograd") + "' --pdf ", "L1.lograd"},
        {"loggers report --pdf", "loggers report '" + Path("L1.lograd") + "' --pdf ", "L1.lograd"},
    };
    struct Place {
        const char* what;
        std::string path;  // "" for the writer's own input
        int message;
    };
    const std::vector<Place> places = {
        {"the archive", Path("archive.sqlite"), 831},
        {"the archive's -wal", Path("archive.sqlite-wal"), 831},
        {"the archive's -shm", Path("archive.sqlite-shm"), 831},
        {"inside the archive's sessions folder", Path("archive.sqlite.sessions") + "/x", 831},
        {"the archive spelt another way", Path("folder") + "/../archive.sqlite", 831},
        {"a FIFO", Path("fifo"), 832},
        {"a socket", Path("socket"), 832},
        {"a folder", Path("folder"), 832},
        {"a device", device, 832},
        {"its own input", "", 540},
    };
    for (const Writer& writer : writers)
        for (const Place& place : places) {
            const std::string path = place.path.empty() ? Path(writer.input) : place.path;
            SCOPED_TRACE(std::string(writer.what) + " over " + place.what);
            const std::string before = Kind(path);
            const CtlRun run = Run(writer.args + "'" + path + "'");
            EXPECT_EQ(run.status, 1) << run.out;
            EXPECT_NE(run.out.find("message " + std::to_string(place.message) + ":"),
                      std::string::npos)
                << run.out;
            EXPECT_EQ(Kind(path), before);
        }
    ExpectArchiveWhole();
}

// --trace follows the same rule; a trace that cannot be written is said once, and the command
// goes on to its own end.
TEST_F(Outputs, ATraceThatCannotBeWrittenIsSaidOnceAndTheCommandGoesOn) {
    SimProcess sim;
    const std::string env =
        "ZV318_TIMEOUT_MS=10000 ZV318_HID_SOCKETS='" + sim.folder().string() + "'";
    struct Row {
        const char* what;
        std::string path;
        int message;  // 0: traced
    };
    const std::vector<Row> rows = {
        {"the archive", Path("archive.sqlite"), 831},
        {"a FIFO without a reader", Path("fifo"), 832},
        {"a device", "/dev/full", 832},
        {"a folder", Path("folder"), 832},
        {"a new file", Path("trace.txt"), 0},
        {"the same trace again, appended", Path("trace.txt"), 0},
    };
    std::size_t traced = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string before = Kind(row.path);
        const CtlRun run = Run("--trace '" + row.path + "' status", env);
        EXPECT_EQ(run.status, 0) << run.out;
        EXPECT_NE(run.out.find("ZV-318 connected"), std::string::npos) << run.out;
        if (row.message == 0) {
            EXPECT_EQ(run.out.find("message "), std::string::npos) << run.out;
            const std::size_t size = fs::file_size(row.path);
            EXPECT_GT(size, traced);  // appended to, never replaced
            traced = size;
            continue;
        }
        EXPECT_NE(run.out.find("message " + std::to_string(row.message) + ":"), std::string::npos)
            << run.out;
        const std::size_t lost = run.out.find("message 833:");
        EXPECT_NE(lost, std::string::npos) << run.out;
        EXPECT_EQ(run.out.find("message 833:", lost + 1), std::string::npos) << run.out;
        EXPECT_EQ(Kind(row.path), before);
    }
    ExpectArchiveWhole();
}

}  // namespace
}  // namespace zv318::testing
