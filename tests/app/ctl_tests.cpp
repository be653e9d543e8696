// zv318ctl as a technician runs it: a real second process serving the simulated instrument
// on a socket folder, and the tool talking to it through ZV318_HID_SOCKETS.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

namespace fs = std::filesystem;

namespace {

struct Run {
    int status = -1;
    std::string out;  // stdout and stderr together
};

Run RunCtl(const std::string& env, const std::string& args) {
    std::string command = env + " '" ZV318_CTL_PATH "' " + args + " 2>&1";
    Run r;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return r;
    std::array<char, 512> buf;
    while (size_t n = fread(buf.data(), 1, buf.size(), p)) r.out.append(buf.data(), n);
    int s = pclose(p);
    r.status = WIFEXITED(s) ? WEXITSTATUS(s) : -1;
    return r;
}

// zv318-sim serving one instrument in a temporary folder for the length of a test.
class SimProcess {
public:
    SimProcess() {
        folder_ = fs::temp_directory_path() / ("zv318-ctl-" + std::to_string(getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        pid_ = fork();
        if (pid_ == 0) {
            execl(ZV318_SIM_PATH, ZV318_SIM_PATH, "--socket-dir", folder_.c_str(), nullptr);
            _exit(127);
        }
        for (int i = 0; i < 200 && !fs::exists(folder_ / "zv318.sock"); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ~SimProcess() {
        stop();
        fs::remove_all(folder_);
    }
    void stop() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }
    std::string env() const {
        return "ZV318_TIMEOUT_MS=1000 ZV318_HID_SOCKETS='" + folder_.string() + "'";
    }

private:
    fs::path folder_;
    pid_t pid_ = -1;
};

}  // namespace

TEST(Zv318ctl, StatusThroughTheSocketFolder) {
    SimProcess sim;
    Run r = RunCtl(sim.env(), "status");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("ZV-318 connected"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Model: ZV-318"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Serial Number: 00012345"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("IO Interface Version: IO-2.10"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("ZV-318 Version: V1.20"), std::string::npos) << r.out;

    // The simulator gone, the same folder holds no instrument.
    sim.stop();
    Run gone = RunCtl(sim.env(), "status");
    EXPECT_EQ(gone.status, 3) << gone.out;
    EXPECT_NE(gone.out.find("not connected"), std::string::npos) << gone.out;
}

TEST(Zv318ctl, NoInstrumentAtAll) {
    fs::path empty = fs::temp_directory_path() / ("zv318-ctl-empty-" + std::to_string(getpid()));
    fs::create_directories(empty);
    Run r = RunCtl("ZV318_HID_SOCKETS='" + empty.string() + "'", "status");
    EXPECT_EQ(r.status, 3) << r.out;
    Run raw = RunCtl("ZV318_HID_SOCKETS='" + empty.string() + "'", "raw '*?NS'");
    EXPECT_EQ(raw.status, 3) << raw.out;
    fs::remove_all(empty);
}

TEST(Zv318ctl, RawCommandAndItsLimit) {
    SimProcess sim;
    Run r = RunCtl(sim.env(), "raw '*?NS'");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out, "?NS00012345\n");
    Run tooLong = RunCtl(sim.env(), "raw '" + std::string(61, 'A') + "'");
    EXPECT_EQ(tooLong.status, 1) << tooLong.out;
    EXPECT_NE(tooLong.out.find("60"), std::string::npos) << tooLong.out;
}

TEST(Zv318ctl, ClockAndUsageOnTheDemoInstrument) {
    Run clock = RunCtl("", "--demo clock set");
    EXPECT_EQ(clock.status, 0) << clock.out;
    Run usage = RunCtl("", "--demo frobnicate");
    EXPECT_EQ(usage.status, 2) << usage.out;
    Run none = RunCtl("", "");
    EXPECT_EQ(none.status, 2) << none.out;
}
