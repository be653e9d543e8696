// Every signal that would end zv318ctl, at every phase that must not be cut, run as the two
// programs they are: the signal comes once the simulator has taken the phase's first report
// (a report takes it a little while, as a real instrument's do), the phase runs to its end,
// and the program stops then with 128 + the signal. The simulator's state after each run
// shows nothing cut: the IO Interface out of its loader with every block, the instrument out
// of its boot mode with every record, every plan whole. The desktop program closes its window on
// the same signals.
#include <gtest/gtest.h>

#include <fcntl.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <functional>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/ctl_support.h"
#include "firmware/hex_images.h"
#include "firmware/images.h"
#include "texts/text_file.h"

namespace zv318::testing {
namespace {

const int kSignals[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGPIPE};

// What the simulator's state file says of the modes, the plans and the flash.
struct State {
    bool loader = true, boot = true;
    std::vector<std::string> plans;  // "radio NAME CHANNELS FIRST LAST"
    std::vector<std::pair<std::size_t, std::string>> blocks;
    std::size_t records = 0;
};

State ReadState(const fs::path& file) {
    State s;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string kind, rest;
        words >> kind;
        std::getline(words >> std::ws, rest);
        if (kind == "loader") s.loader = rest == "1";
        if (kind == "boot") s.boot = rest == "1";
        if (kind == "plan") s.plans.push_back(rest);
        if (kind == "record") ++s.records;
        if (kind == "flash") {
            std::istringstream block(rest);
            std::string address, bytes;
            block >> address >> bytes;
            s.blocks.emplace_back(std::stoul(address, nullptr, 16), bytes);
        }
    }
    return s;
}

// An instrument image of `count` data records of 16 bytes.
std::string InstrumentImage(int count) {
    auto record = [](const char* type, std::vector<int> bytes) {
        int sum = static_cast<int>(bytes.size()) + 1;
        char text[8];
        std::string line = type;
        std::snprintf(text, sizeof text, "%02X", sum);
        line += text;
        for (int b : bytes) {
            std::snprintf(text, sizeof text, "%02X", b);
            line += text;
            sum += b;
        }
        std::snprintf(text, sizeof text, "%02X", 0xFF - (sum & 0xFF));
        return line + text + "\r\n";
    };
    std::string image = "S00F000068656C6C6F202020202000003C\r\n";
    for (int k = 0; k < count; ++k) {
        std::vector<int> bytes{(k * 16) >> 8, (k * 16) & 0xFF};
        for (int b = 0; b < 16; ++b) bytes.push_back((k + b) & 0xFF);
        image += record("S1", bytes);
    }
    return image + record("S5", {count >> 8, count & 0xFF}) + "S9030000FC\r\n";
}

std::string PlanOf(int channels) {
    std::vector<std::string> lines{"1", "BIG", std::to_string(channels)};
    for (int c = 0; c < channels; ++c)
        lines.push_back(std::to_string(c) + ",N" + std::to_string(c) + "," +
                        std::to_string(200'000'000 + c * 1'000'000) + ",200000,ON");
    return JoinCrLf(lines);
}

struct Phase {
    const char* what;
    // Readies the run (files, earlier commands) and gives the command's words.
    std::function<std::string(const fs::path& home, const std::string& env)> prepare;
    std::regex started;  // in the simulator's trace: the phase's first report
    // What the instrument must hold afterwards, given what it held before.
    std::function<void(const State& before, const State& after)> check;
};

std::string Said(const fs::path& file) {
    std::ifstream in(file);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs the phase once per signal, each against a simulator of its own.
void EverySignalWaitsForThePhase(const Phase& phase) {
    for (int signal : kSignals) {
        SCOPED_TRACE(std::string(phase.what) + ", signal " + std::to_string(signal));
        const fs::path home =
            fs::temp_directory_path() /
            ("zv318-ctl-sig-" + std::to_string(getpid()) + "-" + std::to_string(signal));
        fs::remove_all(home);
        fs::create_directories(home);
        const fs::path trace = home / "sim.trace", state = home / "state.txt",
                       out = home / "ctl.out";
        State before;
        {
            SimProcess untouched({"--state", state.string()});
            untouched.stop();
            before = ReadState(state);
        }
        SimProcess sim(
            {"--state", state.string(), "--trace", trace.string(), "--report-delay-us", "300"});
        const std::string env = sim.envWithHome(home);
        const std::string args = phase.prepare(home, env);
        const std::size_t from = fs::exists(trace) ? fs::file_size(trace) : 0;
        const pid_t ctl = StartCtl(env, "--yes " + args, out);
        ASSERT_GE(ctl, 0);
        bool started = false;
        for (int i = 0; i < 2000 && !started; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            const std::string received = Said(trace);
            started =
                received.size() > from && std::regex_search(received.substr(from), phase.started);
        }
        EXPECT_TRUE(started);
        ::kill(ctl, signal);
        int status = 0;
        ASSERT_EQ(waitpid(ctl, &status, 0), ctl);
        const std::string said = Said(out);
        ASSERT_TRUE(WIFEXITED(status)) << said;  // never ended by the signal itself
        EXPECT_EQ(WEXITSTATUS(status), 128 + signal) << said;
        // Held in the phase, and said what was done once it ended.
        EXPECT_NE(said.find("message 283:"), std::string::npos) << said;
        EXPECT_TRUE(said.find("message 281:") != std::string::npos ||
                    said.find("message 280:") != std::string::npos)
            << said;
        sim.stop();
        const State after = ReadState(state);
        EXPECT_FALSE(after.loader);
        EXPECT_FALSE(after.boot);
        phase.check(before, after);
        fs::remove_all(home);
    }
}

const std::regex kEraseOfPlans("2A45500D");  // "*EP" and its carriage return

TEST(Zv318ctlSignals, AnIoUpdateEndsWholeWhateverTheSignal) {
    const std::string io = FullIntelHexImage();
    EverySignalWaitsForThePhase(
        {"IO update",
         [&io](const fs::path& home, const std::string&) {
             EXPECT_TRUE(WriteFileAtomically(home / "full.hex", io));
             return "firmware io '" + (home / "full.hex").string() + "'";
         },
         std::regex("0008[0-9A-F]{10}01"),  // the loader's switch on
         [&io](const State&, const State& after) {
             const MemoryImage image = LoadMemoryImage(io);
             EXPECT_EQ(after.blocks.size(), std::size_t{(0x20000 - 0x1000) / 64});
             for (const auto& [address, bytes] : after.blocks) {
                 std::string expected;
                 char hex[4];
                 for (std::size_t k = 0; k < 64; ++k) {
                     std::snprintf(hex, sizeof hex, "%02X", image.bytes[address + k]);
                     expected += hex;
                 }
                 EXPECT_EQ(bytes, expected) << std::hex << address;
             }
         }});
}

TEST(Zv318ctlSignals, AnInstrumentUpdateEndsWholeWhateverTheSignal) {
    constexpr int kRecords = 300;
    EverySignalWaitsForThePhase(
        {"instrument update",
         [](const fs::path& home, const std::string&) {
             EXPECT_TRUE(WriteFileAtomically(home / "new.zv318", InstrumentImage(kRecords)));
             return "firmware instrument '" + (home / "new.zv318").string() + "'";
         },
         std::regex("2A5253320D"),  // "*RS2"
         [](const State&, const State& after) {
             EXPECT_EQ(after.records, std::size_t{kRecords + 3});  // with S0, S5 and S9
         }});
}

TEST(Zv318ctlSignals, APlanSentEndsWholeWhateverTheSignal) {
    EverySignalWaitsForThePhase(
        {"plan send",
         [](const fs::path& home, const std::string&) {
             EXPECT_TRUE(WriteFileAtomically(home / "big.c318", PlanOf(150)));
             return "plans send '" + (home / "big.c318").string() + "'";
         },
         std::regex("2A504E"),  // "*PN": the count raised
         [](const State& before, const State& after) {
             std::vector<std::string> expected = before.plans;
             const auto radioEnd =
                 std::find_if(expected.begin(), expected.end(),
                              [](const std::string& p) { return p.starts_with("plc "); });
             expected.insert(radioEnd, "radio BIG 150 200000000 349000000");
             EXPECT_EQ(after.plans, expected);
         }});
}

TEST(Zv318ctlSignals, ADeletionsRewriteEndsWholeWhateverTheSignal) {
    EverySignalWaitsForThePhase({"delete's rewrite",
                                 [](const fs::path&, const std::string&) {
                                     return std::string("plans delete 'FM (RADIO)'");
                                 },
                                 kEraseOfPlans,
                                 [](const State& before, const State& after) {
                                     std::vector<std::string> expected;
                                     for (const std::string& p : before.plans)
                                         if (!p.starts_with("radio FM ")) expected.push_back(p);
                                     EXPECT_EQ(after.plans, expected);
                                 }});
}

TEST(Zv318ctlSignals, ARestoreEndsWholeWhateverTheSignal) {
    EverySignalWaitsForThePhase(
        {"restore",
         [](const fs::path& home, const std::string& env) {
             const CtlRun backup = RunCtl(env, "backup '" + home.string() + "/backups'");
             EXPECT_EQ(backup.status, 0) << backup.out;
             const fs::path saved = fs::directory_iterator(home / "backups")->path();
             return "restore '" + saved.string() + "'";
         },
         kEraseOfPlans,
         [](const State& before, const State& after) { EXPECT_EQ(after.plans, before.plans); }});
}

// The desktop program takes SIGINT, SIGTERM, SIGHUP and SIGQUIT as a window close: its windows'
// places are kept, and it ends with 128 + the signal; a SIGPIPE ends nothing.
TEST(Zv318Signals, TheDesktopProgramClosesItsWindowOnEverySignal) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        SCOPED_TRACE(signal);
        const fs::path home =
            fs::temp_directory_path() / ("zv318-gui-sig-" + std::to_string(getpid()));
        fs::remove_all(home);
        fs::create_directories(home);
        const fs::path trace = home / "trace.txt";
        const std::string command =
            "exec env QT_QPA_PLATFORM=offscreen ZV318_ARCHIVE=off ZV318_HOME='" + home.string() +
            "' '" ZV318_GUI_PATH "' --demo --trace '" + trace.string() + "'";
        const pid_t gui = fork();
        ASSERT_GE(gui, 0);
        if (gui == 0) {
            const int fd = ::open("/dev/null", O_WRONLY);
            ::dup2(fd, 1);
            ::dup2(fd, 2);
            ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        // Up once it has spoken with the simulated instrument (its signals are held before).
        for (int i = 0; i < 3000 && !(fs::exists(trace) && fs::file_size(trace) > 0); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_TRUE(fs::exists(trace));
        ::kill(gui, SIGPIPE);
        ::kill(gui, signal);
        int status = 0;
        pid_t ended = 0;
        for (int i = 0; i < 3000 && ended == 0; ++i) {
            ended = ::waitpid(gui, &status, WNOHANG);
            if (ended == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        if (ended == 0) End(gui);
        ASSERT_EQ(ended, gui) << "still running";
        ASSERT_TRUE(WIFEXITED(status)) << "ended by the signal itself";
        EXPECT_EQ(WEXITSTATUS(status), 128 + signal);
        std::ifstream settings(home / "settings.txt");
        const std::string kept{std::istreambuf_iterator<char>(settings), {}};
        EXPECT_NE(kept.find("window.main="), std::string::npos) << kept;
        fs::remove_all(home);
    }
}

}  // namespace
}  // namespace zv318::testing
