// Both firmware updates as a technician runs them: zv318ctl against zv318-sim, two processes
// talking through a socket folder; the simulator writes what its loader and instrument hold.
#include <gtest/gtest.h>

#include <fcntl.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/ctl_support.h"
#include "firmware/firmware_fixture.h"
#include "firmware/images.h"

namespace zv318::testing {
namespace {

std::vector<std::uint8_t> FromHex(const std::string& text) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
    return bytes;
}

// What the simulator's state file holds: the IO Interface's flash blocks (address -> 64
// bytes) and the records the instrument took, in order.
struct SimState {
    std::vector<std::pair<std::size_t, std::vector<std::uint8_t>>> blocks;
    std::vector<std::vector<std::uint8_t>> records;
};

SimState ReadSimState(const fs::path& state) {
    SimState s;
    std::ifstream in(state);
    std::string kind, address, bytes;
    while (in >> kind) {
        if (kind == "flash") {
            in >> address >> bytes;
            s.blocks.emplace_back(std::stoul(address, nullptr, 16), FromHex(bytes));
        } else if (kind == "record") {
            in >> bytes;
            s.records.push_back(FromHex(bytes));
        } else {
            std::getline(in, bytes);  // the modes and the plans
        }
    }
    return s;
}

// Each update waits as a real instrument needs (the loader's 4 s, the restart's 2 s): the two
// are tests of their own, so that a parallel run waits for both at once.
TEST(Zv318ctl, IoFirmwareUpdateAgainstTheSimulatorProcess) {
    const fs::path home = fs::temp_directory_path() / ("zv318-ctl-fw-" + std::to_string(getpid()));
    const fs::path state = home / "state.txt";
    fs::create_directories(home);
    SimProcess sim({"--state", state.string()});
    const std::string env = sim.envWithHome(home);

    const std::string io = FullIntelHexImage();
    ASSERT_TRUE(WriteFileAtomically(home / "full.hex", io));

    // Without --yes the question is answered No: nothing is sent.
    CtlRun no = RunCtl(env, "firmware io '" + (home / "full.hex").string() + "'");
    EXPECT_EQ(no.status, 1) << no.out;
    EXPECT_NE(no.out.find("Current IO Interface version: IO-2.10"), std::string::npos) << no.out;

    CtlRun ioRun = RunCtl(env, "--yes firmware io '" + (home / "full.hex").string() + "'");
    EXPECT_EQ(ioRun.status, 0) << ioRun.out;
    // Refused before anything is sent: the state below holds only the update above.
    ASSERT_TRUE(WriteFileAtomically(home / "end.hex", HexRecord(1, 0, {})));
    // A data byte taken out of a record whose checksum still adds up.
    ASSERT_TRUE(WriteFileAtomically(home / "short.hex", ":03100000AABB88\r\n:00000001FF\r\n"));
    const std::pair<std::string, const char*> refused[] = {
        {"io '" + (home / "end.hex").string() + "'", "message 2:"},
        {"io '" + (home / "short.hex").string() + "'", "message 2:"},
        {"io '" + (home / "missing.hex").string() + "'", "message 1:"},
    };
    for (const auto& [args, message] : refused) {
        CtlRun r = RunCtl(env, "--yes firmware " + args);
        EXPECT_EQ(r.status, 1) << r.out;
        EXPECT_NE(r.out.find(message), std::string::npos) << r.out;
    }
    sim.stop();

    const MemoryImage image = LoadMemoryImage(io);
    const SimState got = ReadSimState(state);
    for (const auto& [address, bytes] : got.blocks) {
        ASSERT_LT(address + 64, image.bytes.size() + 1);
        EXPECT_EQ(bytes, std::vector<std::uint8_t>(image.bytes.begin() + address,
                                                   image.bytes.begin() + address + 64))
            << std::hex << address;
    }
    EXPECT_EQ(got.blocks.size(), std::size_t{(0x20000 - 0x1000) / 64});  // every block of the image
    EXPECT_TRUE(got.records.empty());
    fs::remove_all(home);
}

TEST(Zv318ctl, InstrumentFirmwareUpdateAgainstTheSimulatorProcess) {
    const fs::path home = fs::temp_directory_path() / ("zv318-ctl-fw-" + std::to_string(getpid()));
    const fs::path state = home / "state.txt";
    fs::create_directories(home);
    SimProcess sim({"--state", state.string()});
    const std::string env = sim.envWithHome(home);

    const std::vector<std::string> lines = {
        "S00F000068656C6C6F202020202000003C", "S1130000285F245F2212226A000424290008237C2A",
        "S11300100002000800082629001853812341001813", "S5030002FA", "S9030000FC"};
    std::string zv;
    for (const std::string& l : lines) zv += l + "\r\n";
    ASSERT_TRUE(WriteFileAtomically(home / "new.zv318", zv));

    CtlRun zvRun = RunCtl(env, "--yes firmware instrument '" + (home / "new.zv318").string() + "'");
    EXPECT_EQ(zvRun.status, 0) << zvRun.out;
    // Refused before anything is sent: the state below holds only the update above.
    ASSERT_TRUE(WriteFileAtomically(home / "cut.zv318", zv.substr(0, zv.rfind("S9"))));
    ASSERT_TRUE(WriteFileAtomically(home / "full.hex", FullIntelHexImage()));
    const std::pair<std::string, const char*> refused[] = {
        {"instrument '" + (home / "full.hex").string() + "'", "message 11:"},
        {"instrument '" + (home / "cut.zv318").string() + "'", "message 2:"},
    };
    for (const auto& [args, message] : refused) {
        CtlRun r = RunCtl(env, "--yes firmware " + args);
        EXPECT_EQ(r.status, 1) << r.out;
        EXPECT_NE(r.out.find(message), std::string::npos) << r.out;
    }
    sim.stop();

    const SimState got = ReadSimState(state);
    EXPECT_TRUE(got.blocks.empty());
    ASSERT_EQ(got.records.size(), lines.size());
    for (std::size_t k = 0; k < lines.size(); ++k)
        EXPECT_EQ(got.records[k], DecodeInstrumentLine(lines[k]).bytes) << lines[k];
    fs::remove_all(home);
}

// The instrument goes away while the instrument update waits after "*RS2": exit 3, as every
// command without an instrument.
TEST(Zv318ctl, FirmwareUpdateWhoseInstrumentVanishes) {
    const fs::path home =
        fs::temp_directory_path() / ("zv318-ctl-gone-" + std::to_string(getpid()));
    fs::create_directories(home);
    const fs::path trace = home / "sim.trace";
    SimProcess sim({"--trace", trace.string()});
    const std::string env = sim.envWithHome(home);
    ASSERT_TRUE(WriteFileAtomically(home / "new.zv318", "S1041000AA41\r\nS9030000FC\r\n"));

    CtlRun run;
    std::thread ctl([&] {
        run = RunCtl(env, "--yes firmware instrument '" + (home / "new.zv318").string() + "'");
    });
    const std::string rs2 = "2A5253320D";  // "*RS2" and its carriage return
    bool started = false;
    for (int i = 0; i < 1000 && !started; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::ifstream in(trace);
        const std::string received(std::istreambuf_iterator<char>(in), {});
        started = received.find(rs2) != std::string::npos;
    }
    sim.stop();
    ctl.join();
    ASSERT_TRUE(started);
    EXPECT_EQ(run.status, 3) << run.out;
    // Told once what to do, not "not connected" first: the cut note names the command to run.
    EXPECT_EQ(run.out.find("message 7:"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("run Update > ZV-318 again"), std::string::npos) << run.out;
    fs::remove_all(home);
}

// Two interrupts inside the IO Interface update, from the loader's switch on: zv318ctl's own
// handler says the first is held and the second too, the update runs to its end, and the
// program says so; it is never killed half-way.
TEST(Zv318ctl, InterruptsInsideAnUpdateAreHeldUntilItsEnd) {
    const fs::path home = fs::temp_directory_path() / ("zv318-ctl-int-" + std::to_string(getpid()));
    fs::create_directories(home);
    const fs::path trace = home / "sim.trace", out = home / "ctl.out";
    SimProcess sim({"--trace", trace.string()});
    ASSERT_TRUE(WriteFileAtomically(home / "i.hex", FullIntelHexImage()));
    const pid_t ctl = StartCtl(sim.envWithHome(home),
                               "--yes firmware io '" + (home / "i.hex").string() + "'", out);
    ASSERT_GE(ctl, 0);
    // The loader's switch on (report 0x08, parameter 1): the update's phase has begun.
    const std::regex loaderOn("0008[0-9A-F]{10}01");
    bool started = false;
    for (int i = 0; i < 1000 && !started; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::ifstream in(trace);
        const std::string received(std::istreambuf_iterator<char>(in), {});
        started = std::regex_search(received, loaderOn);
    }
    EXPECT_TRUE(started);
    ::kill(ctl, SIGINT);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ::kill(ctl, SIGINT);
    int status = 0;
    ASSERT_EQ(waitpid(ctl, &status, 0), ctl);
    std::ifstream in(out);
    const std::string said(std::istreambuf_iterator<char>(in), {});
    EXPECT_TRUE(WIFEXITED(status)) << said;
    EXPECT_LT(said.find("message 283:"), said.find("message 284:")) << said;
    EXPECT_NE(said.find("message 284:"), std::string::npos) << said;
    EXPECT_NE(said.find("message 281:"), std::string::npos) << said;
    fs::remove_all(home);
}

}  // namespace
}  // namespace zv318::testing
