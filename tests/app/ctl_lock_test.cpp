// Two programs on one instrument, as a technician meets them: while another program holds the
// instrument, zv318ctl is refused within a second with exit status 4, naming the holder, before
// it has touched the instrument (not even connected); an IO Interface update under way ends
// whole. Nothing another user can plant or hold keeps the person from their instrument.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/prctl.h>
#include <sys/stat.h>

#include <cctype>
#include <cstdlib>
#include <fstream>

#include "app/ctl_support.h"
#include "firmware/hex_images.h"
#include "link/instrument_lock.h"
#include "texts/text_file.h"

namespace zv318::testing {
namespace {

using Clock = std::chrono::steady_clock;

int Count(const std::string& text, const std::string& part) {
    int n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

TEST(Zv318ctl, AnInstrumentHeldByAnotherProgramIsRefusedBeforeItIsTouched) {
    SimProcess sim;
    const std::string env = sim.envWithHome(sim.folder() / "home");
    const pid_t holder = HoldElsewhere(sim.folder(), "zv318");
    ASSERT_GT(holder, 0);

    const Clock::time_point start = Clock::now();
    const CtlRun refused = RunCtl(env, "status");
    // It gives up after its short wait, not when the holder ends (which is never here);
    // the bound leaves a busy machine time to start the program.
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(refused.status, 4) << refused.out;
    EXPECT_NE(refused.out.find("zv318 (process " + std::to_string(holder) + ")"), std::string::npos)
        << refused.out;
    EXPECT_EQ(Count(sim.log(), "connected"), 0) << sim.log();

    // However the holder ends, the instrument is free again.
    End(holder);
    const CtlRun freed = RunCtl(env, "status");
    EXPECT_EQ(freed.status, 0) << freed.out;
    EXPECT_GE(Count(sim.log(), "connected"), 1) << sim.log();
}

TEST(Zv318ctl, ASecondProgramDuringAnIoUpdateIsRefusedAndTheUpdateEndsWhole) {
    const fs::path home =
        fs::temp_directory_path() / ("zv318-ctl-lock-" + std::to_string(getpid()));
    fs::create_directories(home);
    SimProcess sim({"--state", (home / "state.txt").string()});
    const std::string env = sim.envWithHome(home);
    const std::string io = FullIntelHexImage();
    ASSERT_TRUE(WriteFileAtomically(home / "full.hex", io));

    const pid_t update = fork();
    if (update == 0) {
        setenv("ZV318_TIMEOUT_MS", "1000", 1);
        setenv("ZV318_HID_SOCKETS", sim.folder().c_str(), 1);
        setenv("ZV318_HOME", home.c_str(), 1);
        if (!freopen((home / "update.txt").c_str(), "w", stdout) || dup2(1, 2) < 0) _exit(126);
        execl(ZV318_CTL_PATH, "zv318ctl", "--yes", "firmware", "io", (home / "full.hex").c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    for (int i = 0; i < 500 && Count(sim.log(), "connected") == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_GE(Count(sim.log(), "connected"), 1) << sim.log();

    const Clock::time_point start = Clock::now();
    const CtlRun refused = RunCtl(env, "status");
    const auto took = Clock::now() - start;
    // The program gives up after its short wait; the bound leaves a machine busy with the
    // rest of the suite time to start it (by hand the refusal takes under 1 s).
    EXPECT_LT(took, std::chrono::seconds(3));
    EXPECT_EQ(refused.status, 4) << refused.out;
    EXPECT_NE(refused.out.find("zv318ctl (process"), std::string::npos) << refused.out;

    int status = -1;
    ASSERT_EQ(waitpid(update, &status, 0), update);
    std::ifstream out(home / "update.txt");
    EXPECT_EQ(WEXITSTATUS(status), 0) << std::string(std::istreambuf_iterator<char>(out), {});
    // Only the update ever reached the simulator (it connects anew for its searches).
    const std::string log = sim.log();
    EXPECT_EQ(Count(log, "connected"), Count(log, "(process " + std::to_string(update) + ")"))
        << log;
    // Once the update has ended, the instrument is free; its image went in whole.
    const CtlRun after = RunCtl(env, "status");
    EXPECT_EQ(after.status, 0) << after.out;
    sim.stop();
    std::ifstream state(home / "state.txt");
    std::string line;
    int blocks = 0;
    while (std::getline(state, line)) blocks += line.starts_with("flash ") ? 1 : 0;
    EXPECT_EQ(blocks, (0x20000 - 0x1000) / 64);
    fs::remove_all(home);
    std::printf("second status refused after %lld ms\n",
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(took).count()));
}

// Where an earlier lock of this program kept its file: "zv318-", the instrument's name made
// readable, a hash of it; in the machine's lock folders or the temporary folder.
std::string EarlierLockName(const std::string& instrument) {
    std::string readable;
    for (char c : instrument) {
        if (readable.size() == 80) break;
        const bool plain = std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-';
        readable.push_back(plain ? c : '_');
    }
    std::uint64_t hash = 1469598103934665603ull;
    for (unsigned char c : instrument) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char hex[20];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return "zv318-" + readable + "-" + hex + ".lock";
}

TEST(Zv318ctl, NothingAnotherUserPlantsOrHoldsKeepsThePersonFromTheInstrument) {
    SimProcess sim;
    const std::string env = sim.envWithHome(sim.folder() / "home");
    const std::string name =
        EarlierLockName(fs::weakly_canonical(sim.folder() / "zv318.sock").string());
    const passwd* nobody = getpwnam("nobody");
    const bool root = geteuid() == 0 && nobody;

    const fs::path places[] = {"/run/lock", "/var/lock", fs::temp_directory_path(), sim.folder()};
    const char* kinds[] = {"FIFO", "link", "private file", "stranger's file"};
    for (const fs::path& place : places) {
        if (access(place.c_str(), W_OK) != 0) continue;
        for (const std::string kind : kinds) {
            if (kind == "stranger's file" && !root) continue;
            const fs::path planted = place / name;
            std::error_code ec;
            fs::remove(planted, ec);
            if (kind == "FIFO") {
                ASSERT_EQ(mkfifo(planted.c_str(), 0666), 0) << planted;
            } else if (kind == "link") {
                fs::create_symlink(sim.log_path(), planted);
            } else {
                std::ofstream(planted) << "evil\x1b[2J 1\n";
                ASSERT_EQ(chmod(planted.c_str(), 0600), 0);
                if (kind == "stranger's file") {
                    ASSERT_EQ(chown(planted.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
                }
            }
            const CtlRun run = RunCtl(env, "status");
            EXPECT_EQ(run.status, 0) << kind << " in " << place << ": " << run.out;
            fs::remove(planted, ec);
        }
    }

    // A stranger may read the socket folder, and so lock it, but may not connect to the
    // instrument: its lock keeps nobody out.
    if (!root) GTEST_SKIP() << "another user's process needs root to start";
    ASSERT_EQ(chmod(sim.folder().c_str(), 0755), 0);
    ASSERT_EQ(chmod((sim.folder() / "zv318.sock").c_str(), 0755), 0);
    const pid_t stranger = HoldElsewhere(sim.folder(), "stranger", true);
    ASSERT_GT(stranger, 0);
    const CtlRun run = RunCtl(env, "status");
    EXPECT_EQ(run.status, 0) << run.out;
    End(stranger);
}

}  // namespace
}  // namespace zv318::testing
