// zv318ctl against what comes from outside, as a new user and as a hostile one would try it:
// outputs named after inputs, a new empty user folder, damaged logger headers, names that hold
// terminal controls, and files that are no files where the program reads its own.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "app/ctl_support.h"
#include "firmware/hex_images.h"
#include "texts/text_file.h"

namespace zv318::testing {
namespace {

std::string Bytes(const fs::path& p) {
    return ReadWholeFile(p).value_or("<missing>");
}

std::string Quoted(const fs::path& p) {
    return "'" + p.string() + "'";
}

fs::path FreshFolder(const char* what) {
    const fs::path dir = fs::temp_directory_path() / (what + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

// No command writes over its own input (by identity, not by spelling), and none replaces an
// existing, different file without --yes.
TEST(Zv318ctlOutside, NoCommandWritesOverItsInputOrAnotherFileUnasked) {
    const fs::path home = FreshFolder("zv318-ctl-out-");
    const std::string env = "ZV318_HOME=" + Quoted(home);
    const std::string plan = "1\r\nTV1\r\n1\r\n0,C1,50000000,3000,ON";
    const std::string logger =
        "RADIO\r\nL1\r\nTV1\r\n01/02/2013\r\n10:20:30\r\n-50 dBm\r\n1\r\n"
        "0,C1,474123456,8000000,-45.2 dBm";
    const std::string csv = "channel,name,frequency_mhz,bandwidth_mhz,state\r\n1,C1,50,0.003,ON";
    ASSERT_TRUE(WriteFileAtomically(home / "P.c318", plan));
    ASSERT_TRUE(WriteFileAtomically(home / "X.lograd", logger));
    ASSERT_TRUE(WriteFileAtomically(home / "C.csv", csv));
    fs::create_hard_link(home / "X.lograd", home / "same.lograd");
    // Two loggers in the archive, from the demo instrument.
    ASSERT_EQ(RunCtl(env, "--demo loggers save radio").status, 0);
    ASSERT_TRUE(fs::exists(home / "archive.sqlite"));
    const fs::path p = home / "P.c318", x = home / "X.lograd", c = home / "C.csv";
    const fs::path other = home / "other.csv";
    struct Row {
        const char* what;
        std::string args;
        fs::path untouched;  // empty: the archive, which each opening may tidy
        int status;
        const char* said;
    };
    const Row rows[] = {
        {"plans csv P -o P", "plans csv " + Quoted(p) + " -o " + Quoted(p), p, 1, "message 540:"},
        {"the same spelt through a folder",
         "plans csv " + Quoted(p) + " -o " + Quoted(home / "Loggers" / ".." / "P.c318"), p, 1,
         "message 540:"},
        {"plans from-csv C -o C", "plans from-csv " + Quoted(c) + " --type radio -o " + Quoted(c),
         c, 1, "message 540:"},
        {"loggers csv X -o X", "loggers csv " + Quoted(x) + " -o " + Quoted(x), x, 1,
         "message 540:"},
        {"loggers csv X -o a hard link of X",
         "loggers csv " + Quoted(x) + " -o " + Quoted(home / "same.lograd"), x, 1, "message 540:"},
        {"loggers report X --pdf X", "loggers report " + Quoted(x) + " --pdf " + Quoted(x), x, 1,
         "message 540:"},
        {"loggers print X --pdf X", "loggers print " + Quoted(x) + " --pdf " + Quoted(x), x, 1,
         "message 540:"},
        {"archive export over the archive",
         "archive export 1 -o " + Quoted(home / "archive.sqlite"),
         {},
         1,
         "message 540:"},
        {"archive report over the archive",
         "archive report 1 --pdf " + Quoted(home / "archive.sqlite"),
         {},
         1,
         "message 540:"},
        // Another file that is there: asked, answered no without --yes.
        {"plans csv over another file", "plans csv " + Quoted(p) + " -o " + Quoted(other), other, 1,
         "replace it? -> no"},
        {"archive export over another file", "archive export 1 -o " + Quoted(other), other, 1,
         "replace it? -> no"},
        {"archive compare over another file", "archive compare 1 2 -o " + Quoted(other), other, 1,
         "replace it? -> no"},
        {"archive trend over another file", "archive trend 1 -o " + Quoted(other), other, 1,
         "replace it? -> no"},
        {"loggers csv over another file", "loggers csv " + Quoted(x) + " -o " + Quoted(other),
         other, 1, "replace it? -> no"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ASSERT_TRUE(WriteFileAtomically(other, "other"));
        const std::string before = row.untouched.empty() ? "" : Bytes(row.untouched);
        const CtlRun r = RunCtl(env, row.args);
        EXPECT_EQ(r.status, row.status) << r.out;
        EXPECT_NE(r.out.find(row.said), std::string::npos) << r.out;
        if (!row.untouched.empty()) {
            EXPECT_EQ(Bytes(row.untouched), before);
        }
    }
    EXPECT_EQ(Bytes(p), plan);
    EXPECT_EQ(Bytes(x), logger);
    EXPECT_EQ(Bytes(c), csv);
    // The archive is still the archive, with the demo's four loggers.
    const CtlRun list = RunCtl(env, "archive list --json");
    EXPECT_EQ(list.status, 0) << list.out;
    EXPECT_NE(list.out.find("\"name\": \"LASTSLOT\""), std::string::npos) << list.out;
    // With --yes the other file is replaced.
    const CtlRun yes = RunCtl(env, "--yes plans csv " + Quoted(p) + " -o " + Quoted(other));
    EXPECT_EQ(yes.status, 0) << yes.out;
    EXPECT_TRUE(Bytes(other).starts_with("field,value\r\ntype,RADIO")) << Bytes(other);
    fs::remove_all(home);
}

// A new, empty user folder: "Loggers" is made on first use and every logger is saved.
TEST(Zv318ctlOutside, ANewEmptyUserFolderSavesEveryLogger) {
    const fs::path home = FreshFolder("zv318-ctl-new-");
    const CtlRun save = RunCtl("ZV318_HOME=" + Quoted(home), "--demo loggers save radio");
    EXPECT_EQ(save.status, 0) << save.out;
    for (const char* name : {"ROOF1", "LOBBY", "EMPTY", "LASTSLOT"})
        EXPECT_TRUE(fs::exists(home / "Loggers" / (std::string(name) + ".lograd"))) << name;
    EXPECT_EQ(save.out.find("message 18"), std::string::npos) << save.out;
    fs::remove_all(home);
}

// A record count that is no number, from a real second process: message 221, the other
// loggers saved, the run Failed; a name holding terminal controls is printed escaped.
TEST(Zv318ctlOutside, DamagedHeadersAndNamesThatHoldTerminalControls) {
    SimProcess sim({"--header-count", "3:abc", "--logger", "radio:5:2:EVIL\x1b[2J\x9b"});
    const fs::path home = FreshFolder("zv318-ctl-hdr-");
    const std::string env = sim.envWithHome(home) + " ZV318_ARCHIVE=off";
    const CtlRun save = RunCtl(env, "loggers save radio");
    EXPECT_EQ(save.status, 1) << save.out;
    EXPECT_NE(save.out.find("message 221: "), std::string::npos) << save.out;
    EXPECT_FALSE(fs::exists(home / "Loggers" / "LOBBY.lograd"));
    EXPECT_TRUE(fs::exists(home / "Loggers" / "ROOF1.lograd"));
    EXPECT_TRUE(fs::exists(home / "Loggers" / "LASTSLOT.lograd"));

    const CtlRun list = RunCtl(env, "loggers list radio");
    EXPECT_EQ(list.status, 0) << list.out;
    // The name read in the instrument's single-byte encoding: 0x9B there is "›", no control.
    EXPECT_NE(list.out.find("EVIL\\x1B[2J\u203A"), std::string::npos) << list.out;
    EXPECT_EQ(list.out.find('\x1b'), std::string::npos);
    fs::remove_all(home);
}

// A FIFO where the program reads a file of its own: the same verdict (295) from every reader,
// and never a wait for a writer.
TEST(Zv318ctlOutside, AFifoGetsTheSameVerdictFromEveryReader) {
    const fs::path home = FreshFolder("zv318-ctl-fifo-");
    fs::create_directories(home / "Languages");
    fs::create_directories(home / "backup");
    for (const fs::path& f : {home / "config.txt", home / "Languages" / "Odd.lng",
                              home / "in.lograd", home / "backup" / "manifest.txt"})
        ASSERT_EQ(::mkfifo(f.c_str(), 0600), 0) << f;
    const std::string env = "ZV318_HOME=" + Quoted(home);
    const struct {
        const char* what;
        std::string args;
        const char* file;
    } rows[] = {
        {"config.txt", "--demo status", "config.txt"},
        {"a language file", "--demo --language Odd status", "Odd.lng"},
        {"archive import", "archive import " + Quoted(home / "in.lograd"), "in.lograd"},
        {"a backup's manifest", "--demo restore " + Quoted(home / "backup"), nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const CtlRun r = RunCtl("timeout 10 env " + env, row.args);
        EXPECT_NE(r.out.find("message 295: "), std::string::npos) << r.out;
        if (row.file) {
            EXPECT_NE(r.out.find(row.file), std::string::npos) << r.out;
        }
    }
    fs::remove_all(home);
}

// A disk that fills up during an import: said once as "the disk is full", the files after it
// not tried, rather than a line per file of what the database said after the failure. The
// disk is a small tmpfs in a user namespace of its own.
TEST(Zv318ctlOutside, AFullDiskIsNamedOnce) {
    if (std::system("unshare -rm true >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "no user namespace to mount a small disk in";
    const fs::path dir = FreshFolder("zv318-ctl-full-");
    const fs::path disk = dir / "disk";
    fs::create_directories(disk);
    std::string files;
    for (int k = 1; k <= 150; ++k) {
        const fs::path f = dir / ("L" + std::to_string(1000 + k) + ".lograd");
        ASSERT_TRUE(WriteFileAtomically(
            f,
            "RADIO\r\nL" + std::to_string(k) +
                "\r\nTV1\r\n01/02/2013\r\n10:20:30\r\n-50 dBm\r\n1\r\n0,C1,474123456,8000000,-4" +
                std::to_string(k % 10) + ".5 dBm"));
        files += " " + Quoted(f);
    }
    const std::string inside = "unshare -rm sh -c 'mount -t tmpfs -o size=600k tmpfs " +
                               disk.string() + " && exec env ZV318_HOME=" + disk.string() +
                               " \"$@\"' sh";
    const CtlRun r = RunCtl(inside, "archive import" + files);
    EXPECT_EQ(r.status, 1) << r.out;
    std::size_t said = 0;
    for (std::size_t at = r.out.find("message 543: "); at != std::string::npos;
         at = r.out.find("message 543: ", at + 1))
        ++said;
    EXPECT_EQ(said, 1u) << r.out;
    EXPECT_NE(r.out.find("archived "), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("rollback"), std::string::npos) << r.out;
    fs::remove_all(dir);
}

// Every text from outside that zv318ctl prints reaches the terminal through one escaping path:
// names, versions, serials, file names, a lock holder's name and CSV shown on a terminal. The
// instrument says the same hostile text everywhere it can (an ESC sequence, a lone 8-bit CSI,
// a C1 control and a right-to-left override): no command lets any of it through raw.
TEST(Zv318ctlOutside, NoOutsideTextReachesTheTerminalRaw) {
    const std::string hostile = "\x1b[2J\x9b\xc2\x85\xe2\x80\xaeX";
    // No plan or logger file holds a C0 control (such a plan or logger is refused before a
    // file of it is written or read), so their names carry the C1 control and the override.
    const std::string inPlan = "EV\xc2\x85\xe2\x80\xaeX", inLogger = "LOG\xc2\x85\xe2\x80\xaeX";
    SimProcess sim({"--serial", "S" + hostile, "--io-version", "IO" + hostile, "--zv-version",
                    "V" + hostile, "--plan-name", inPlan, "--logger", "radio:5:2:" + inLogger});
    const fs::path home = FreshFolder("zv318-ctl-raw-");
    const std::string env = sim.envWithHome(home);
    const std::string io = FullIntelHexImage();
    ASSERT_TRUE(WriteFileAtomically(home / "io.hex", io));
    ASSERT_TRUE(
        WriteFileAtomically(home / "new.zv318",
                            "S00F000068656C6C6F202020202000003C\r\n"
                            "S1130000285F245F2212226A000424290008237C2A\r\nS9030000FC\r\n"));
    // A plan file and a logger file of the instrument's, as the instrument named them.
    ASSERT_EQ(RunCtl(env, "plans read").status, 0);
    ASSERT_EQ(RunCtl(env, "loggers save radio").status, 0);
    fs::path plan, logger;
    for (const auto& entry : fs::recursive_directory_iterator(home)) {
        const std::string bytes = Bytes(entry.path());
        if (entry.path().extension() == ".temp" && bytes.find(inPlan) != std::string::npos)
            plan = entry.path();
        if (entry.path().extension() == ".lograd" && bytes.find(inLogger) != std::string::npos)
            logger = entry.path();
    }
    ASSERT_FALSE(plan.empty());
    ASSERT_FALSE(logger.empty());
    // A backup whose first plan file was damaged afterwards: the restore names it.
    ASSERT_EQ(RunCtl(env, "backup " + Quoted(home / "backups")).status, 0);
    fs::path damaged;
    for (const auto& entry : fs::recursive_directory_iterator(home / "backups"))
        if (entry.path().extension() == ".c318" && damaged.empty()) damaged = entry.path();
    ASSERT_FALSE(damaged.empty());
    std::ofstream(damaged, std::ios::app) << "\r\nx";
    const std::string ctl = std::string("'") + ZV318_CTL_PATH + "'";
    const struct {
        const char* what;
        std::string env, args;
        bool tty;
    } rows[] = {
        {"status: serial and versions", env, "status", false},
        {"plans read: plan names", env, "plans read", false},
        {"plans delete: the names it holds", env, "plans delete 'NONE (RADIO)'", false},
        {"loggers list: logger names", env, "loggers list radio", false},
        {"firmware io: the version asked about", env, "firmware io " + Quoted(home / "io.hex"),
         false},
        {"firmware instrument: the version asked about", env,
         "firmware instrument " + Quoted(home / "new.zv318"), false},
        {"archive pull: the serial", env, "archive pull", false},
        {"archive list: names kept", env, "archive list", false},
        {"restore: the refused file's name", env, "restore " + Quoted(damaged.parent_path()),
         false},
        {"loggers csv to a terminal", env, "loggers csv " + Quoted(logger), true},
        {"plans csv to a terminal", env, "plans csv " + Quoted(plan), true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const CtlRun r =
            row.tty ? RunProgram("", "/usr/bin/script",
                                 "-qec \"" + row.env + " " + ctl + " " + row.args + "\" /dev/null")
                    : RunCtl(row.env, row.args);
        for (const std::string raw : {"\x1b", "\x9b", "\xc2\x85", "\xe2\x80\xae"}) {
            EXPECT_EQ(r.out.find(raw), std::string::npos) << r.out;
        }
        EXPECT_NE(r.out.find("\\u202E"), std::string::npos) << r.out;
    }

    // A lock holder's name, from the kernel's table.
    const pid_t holder = HoldElsewhere(sim.folder(), "h\x9b\xe2\x80\xae\x1b[2J");
    ASSERT_GT(holder, 0);
    const CtlRun held = RunCtl(env, "status");
    End(holder);
    EXPECT_EQ(held.status, 4) << held.out;
    for (const std::string raw : {"\x1b", "\x9b", "\xe2\x80\xae"}) {
        EXPECT_EQ(held.out.find(raw), std::string::npos) << held.out;
    }
    EXPECT_NE(held.out.find("h\\x9B\\u202E\\x1B[2J"), std::string::npos) << held.out;
    fs::remove_all(home);
}

}  // namespace
}  // namespace zv318::testing
