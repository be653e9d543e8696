// zv318ctl as a technician runs it: a real second process serving the simulated instrument
// on a socket folder, and the tool talking to it through ZV318_HID_SOCKETS.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "app/ctl_support.h"

TEST(Zv318ctl, StatusThroughTheSocketFolder) {
    SimProcess sim;
    // The folder is littered as a long-used machine's may be: 200 sockets whose peers are
    // gone, a regular file and a symbolic link that points at itself, all named before the
    // instrument's socket.
    for (int i = 0; i < 200; ++i) {
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::snprintf(a.sun_path, sizeof a.sun_path, "%s/a%03d.sock", sim.folder().c_str(), i);
        int fd = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        ::close(fd);
    }
    std::ofstream(sim.folder() / "b-regular-file") << "not a socket";
    fs::create_symlink(sim.folder() / "c-loop", sim.folder() / "c-loop");

    auto start = std::chrono::steady_clock::now();
    CtlRun r = RunCtl(sim.env(), "status");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("ZV-318 connected"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Model: ZV-318"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Serial Number: 00012345"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("IO Interface Version: IO-2.10"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("ZV-318 Version: V1.20"), std::string::npos) << r.out;

    // The simulator gone, the same folder holds no instrument.
    sim.stop();
    CtlRun gone = RunCtl(sim.env(), "status");
    EXPECT_EQ(gone.status, 3) << gone.out;
    EXPECT_NE(gone.out.find("not connected"), std::string::npos) << gone.out;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST(Zv318ctl, NoInstrumentAtAll) {
    fs::path empty = fs::temp_directory_path() / ("zv318-ctl-empty-" + std::to_string(getpid()));
    fs::create_directories(empty);
    CtlRun r = RunCtl("ZV318_HID_SOCKETS='" + empty.string() + "'", "status");
    EXPECT_EQ(r.status, 3) << r.out;
    CtlRun raw = RunCtl("ZV318_HID_SOCKETS='" + empty.string() + "'", "raw '*?NS'");
    EXPECT_EQ(raw.status, 3) << raw.out;
    fs::remove_all(empty);
    // A folder that is not there is named as such.
    CtlRun missing = RunCtl("ZV318_HID_SOCKETS='" + empty.string() + "'", "status");
    EXPECT_EQ(missing.status, 3) << missing.out;
    EXPECT_NE(missing.out.find("does not exist: " + empty.string()), std::string::npos)
        << missing.out;
}

TEST(Zv318ctl, RawCommandAndItsLimit) {
    SimProcess sim;
    CtlRun r = RunCtl(sim.env(), "raw '*?NS'");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out, "?NS00012345\n");
    CtlRun tooLong = RunCtl(sim.env(), "raw '" + std::string(61, 'A') + "'");
    EXPECT_EQ(tooLong.status, 1) << tooLong.out;
    EXPECT_NE(tooLong.out.find("60"), std::string::npos) << tooLong.out;
}

TEST(Zv318ctl, ClockAndUsageOnTheDemoInstrument) {
    CtlRun clock = RunCtl("", "--demo clock set");
    EXPECT_EQ(clock.status, 0) << clock.out;
    CtlRun usage = RunCtl("", "--demo frobnicate");
    EXPECT_EQ(usage.status, 2) << usage.out;
    EXPECT_NE(usage.out.find("unknown command: frobnicate"), std::string::npos) << usage.out;
    CtlRun none = RunCtl("", "");
    EXPECT_EQ(none.status, 2) << none.out;
}

namespace {

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

}  // namespace

// Every "plans" command through the socket folder, each run a process of its own: the
// instrument keeps what one run sent for the next.
TEST(Zv318ctl, PlansReadSendCheckAndDeleteThroughTheSocketFolder) {
    SimProcess sim;
    fs::path home = fs::temp_directory_path() / ("zv318-ctl-home-" + std::to_string(getpid()));
    fs::remove_all(home);
    std::string env = sim.envWithHome(home);

    CtlRun read = RunCtl(env, "plans read");
    ASSERT_EQ(read.status, 0) << read.out;
    EXPECT_NE(read.out.find("TV1 (RADIO)"), std::string::npos) << read.out;
    ASSERT_TRUE(fs::exists(home / "TV1 (RADIO).temp"));
    EXPECT_TRUE(ReadFile(home / "TV1 (RADIO).temp").starts_with("1\r\nTV1\r\n"));

    const fs::path plan = home / "NEW.c318";
    std::ofstream(plan, std::ios::binary)
        << "1\r\nNEW\r\n2\r\n0,CH1,50000000,3000,OFF\r\n1,CH2,50500000,3000,ON";
    CtlRun check = RunCtl(env, "plans check '" + plan.string() + "'");
    EXPECT_EQ(check.status, 0) << check.out;
    EXPECT_EQ(check.out, "0\n");

    CtlRun send = RunCtl(env, "plans send '" + plan.string() + "'");
    ASSERT_EQ(send.status, 0) << send.out;
    EXPECT_NE(send.out.find("NEW (RADIO)"), std::string::npos) << send.out;
    EXPECT_EQ(ReadFile(home / "NEW (RADIO).temp"),
              "1\r\nNEW\r\n2\r\n0,CH1,50000000,3000,OFF\r\n1,CH2,50500000,3000,ON");

    // The same name again is refused (message 31) and changes nothing.
    CtlRun again = RunCtl(env, "plans send '" + plan.string() + "'");
    EXPECT_EQ(again.status, 1) << again.out;
    EXPECT_NE(again.out.find("message 31"), std::string::npos) << again.out;

    // Deleting asks first: without --yes nothing goes.
    CtlRun no = RunCtl(env, "plans delete 'NEW (RADIO)'");
    EXPECT_EQ(no.status, 1) << no.out;
    CtlRun del = RunCtl(env, "--yes plans delete 'NEW (RADIO)'");
    ASSERT_EQ(del.status, 0) << del.out;
    EXPECT_EQ(del.out.find("NEW (RADIO)"), std::string::npos) << del.out;
    EXPECT_NE(del.out.find("TV1 (RADIO)"), std::string::npos) << del.out;
    CtlRun unknown = RunCtl(env, "--yes plans delete 'NOPE (RADIO)'");
    EXPECT_EQ(unknown.status, 1) << unknown.out;

    // Bad files: check and send give the same verdict, and a send writes nothing.
    const CtlRun before = RunCtl(env, "plans read");
    struct Bad {
        std::string bytes, code, message;
    };
    const Bad bads[] = {
        {"1\r\nBAD\r\n1\r\n0,CH1,49999999,3000,OFF", "1003", "message 14"},
        {"1\r\n" + std::string(56, 'N') + "\r\n1\r\n0,CH1,50000000,3000,OFF", "54", "message 14"},
        {"1\r\nA:B\r\n1\r\n0,CH1,50000000,3000,OFF", "54", "message 14"},
        {"", "50", "message 13"},
        {std::string("\x01\xff\0binary", 9), "50", "message 13"},
    };
    for (const Bad& b : bads) {
        const fs::path bad = home / "BAD.c318";
        std::ofstream(bad, std::ios::binary) << b.bytes;
        CtlRun badCheck = RunCtl(env, "plans check '" + bad.string() + "'");
        EXPECT_EQ(badCheck.status, 1);
        EXPECT_NE(badCheck.out.find(b.code + "\n"), std::string::npos) << badCheck.out;
        EXPECT_NE(badCheck.out.find(b.message), std::string::npos) << badCheck.out;
        CtlRun badSend = RunCtl(env, "plans send '" + bad.string() + "'");
        EXPECT_EQ(badSend.status, 1) << badSend.out;
        EXPECT_NE(badSend.out.find(b.message), std::string::npos) << badSend.out;
        CtlRun after = RunCtl(env, "plans read");
        EXPECT_EQ(after.out, before.out) << "a refused file must leave the plans as they were";
    }

    fs::remove_all(home);
}

TEST(Zv318ctl, TraceHoldsExactlyTheReportsTheSimulatorReceived) {
    const fs::path dir = fs::temp_directory_path() / ("zv318-trace-" + std::to_string(getpid()));
    fs::create_directories(dir);
    ::setenv("ZV318_TRACE", (dir / "sim.trace").c_str(), 1);  // the simulator's, by environment
    SimProcess sim;
    ::unsetenv("ZV318_TRACE");
    CtlRun r = RunCtl(sim.env(), "--trace '" + (dir / "ctl.trace").string() + "' status");
    ASSERT_EQ(r.status, 0) << r.out;
    sim.stop();

    // Each side's "OUT" lines (direction, then the 65 bytes in hex), in order.
    auto outReports = [](const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        std::vector<std::string> reports;
        long long previous = -1;
        for (std::string line; std::getline(in, line);) {
            EXPECT_TRUE(line.ends_with("\r")) << line;
            std::istringstream words(line);
            long long us = -1;
            std::string direction, hex;
            words >> us >> direction >> hex;
            EXPECT_GE(us, previous) << line;
            previous = us;
            if (direction == "OUT") reports.push_back(hex);
        }
        return reports;
    };
    std::vector<std::string> sent = outReports(dir / "ctl.trace");
    std::vector<std::string> received = outReports(dir / "sim.trace");
    EXPECT_EQ(sent.size(), 3u);  // the serial number and both versions
    EXPECT_EQ(sent, received);
    fs::remove_all(dir);
}

namespace {

int Pages(const std::string& pdfText) {
    return static_cast<int>(std::count(pdfText.begin(), pdfText.end(), '\f'));
}

std::string PdfText(const fs::path& pdf) {
    const fs::path text = pdf.string() + ".txt";
    const std::string command = "pdftotext -layout '" + pdf.string() + "' '" + text.string() + "'";
    if (std::system(command.c_str()) != 0) return "<pdftotext failed>";
    return ReadFile(text);
}

}  // namespace

// The logger commands through the socket folder, each run a process of its own, against the
// simulator's own loggers.
TEST(Zv318ctl, LoggersListSaveShowAndPrintThroughTheSocketFolder) {
    SimProcess sim;
    fs::path home = fs::temp_directory_path() / ("zv318-ctl-loggers-" + std::to_string(getpid()));
    fs::remove_all(home);
    std::string env = sim.envWithHome(home);
    fs::create_directories(home / "Loggers");

    CtlRun list = RunCtl(env, "loggers list radio");
    ASSERT_EQ(list.status, 0) << list.out;
    EXPECT_NE(list.out.find("4    49   LASTSLOT     23:59:59 31-12-2013 DAB            3  -75 dBm"),
              std::string::npos)
        << list.out;
    EXPECT_NE(list.out.find("1    0    ROOF1"), std::string::npos) << list.out;

    // Row 4 into "Loggers" under its name, byte for byte; then rows 4 and 2 "as" a base name.
    CtlRun save = RunCtl(env, "loggers save radio 4");
    ASSERT_EQ(save.status, 0) << save.out;
    const std::string lastSlot =
        "RADIO\r\nLASTSLOT\r\nDAB\r\n31-12-2013\r\n23:59:59\r\n-75 dBm\r\n3\r\n"
        "0,5C,178352000,1536000,-52.0 dBm\r\n1,11D,222064000,1536000,-53.7 dBm\r\n"
        "2,12B,225648000,1536000,-55.4 dBm";
    EXPECT_EQ(ReadFile(home / "Loggers" / "LASTSLOT.lograd"), lastSlot);
    CtlRun as = RunCtl(env, "loggers save radio 4 2 --as '" + (home / "site.lograd").string() + "'");
    ASSERT_EQ(as.status, 0) << as.out;
    EXPECT_EQ(ReadFile(home / "site_LASTSLOT.lograd"), lastSlot);
    EXPECT_TRUE(ReadFile(home / "site_LOBBY.lograd").starts_with("RADIO\r\nLOBBY\r\nFM\r\n"));
    // Again: the same logger is left as it is; another one is replaced only with --yes.
    CtlRun same = RunCtl(env, "loggers save radio 4 --as '" + (home / "site").string() + "'");
    EXPECT_EQ(same.status, 0) << same.out;
    std::ofstream(home / "site_LASTSLOT.lograd", std::ios::binary) << "other";
    CtlRun keep = RunCtl(env, "loggers save radio 4 --as '" + (home / "site").string() + "'");
    EXPECT_EQ(keep.status, 1) << keep.out;
    EXPECT_EQ(ReadFile(home / "site_LASTSLOT.lograd"), "other");
    CtlRun yes = RunCtl(env, "--yes loggers save radio 4 --as '" + (home / "site").string() + "'");
    EXPECT_EQ(yes.status, 0) << yes.out;
    EXPECT_EQ(ReadFile(home / "site_LASTSLOT.lograd"), lastSlot);
    CtlRun all = RunCtl(env, "loggers save plc");
    ASSERT_EQ(all.status, 0) << all.out;
    EXPECT_TRUE(fs::exists(home / "Loggers" / "MAIN.logplc"));
    EXPECT_TRUE(fs::exists(home / "Loggers" / "PANEL2.logplc"));
    EXPECT_EQ(RunCtl(env, "loggers save radio 9").status, 1);

    CtlRun show = RunCtl(env, "loggers show '" + (home / "Loggers" / "LASTSLOT.lograd").string() + "'");
    ASSERT_EQ(show.status, 0) << show.out;
    EXPECT_NE(show.out.find("   3  12B      225.6480 MHz     1.5360 MHz  -55.4 dBm"),
              std::string::npos)
        << show.out;
    CtlRun caps = RunCtl(env, "loggers show '" + (home / "X.LOGRAD").string() + "'");
    EXPECT_EQ(caps.status, 1);
    EXPECT_NE(caps.out.find("message 11"), std::string::npos) << caps.out;

    // Two loggers into one PDF, each from a page of its own; the "#" never printed.
    const fs::path pdf = home / "two.pdf";
    CtlRun print = RunCtl(env, "loggers print radio 1 4 --pdf '" + pdf.string() + "'");
    ASSERT_EQ(print.status, 0) << print.out;
    const std::string text = PdfText(pdf);
    EXPECT_EQ(Pages(text), 2) << text;
    EXPECT_NE(text.find("Logger name:       ROOF1"), std::string::npos) << text;
    EXPECT_NE(text.find("Logger name:       LASTSLOT"), std::string::npos) << text;
    EXPECT_LT(text.find("ROOF1"), text.find('\f'));
    EXPECT_EQ(text.find('#'), std::string::npos) << text;
    const fs::path file = home / "file.pdf";
    CtlRun fromFile = RunCtl(env, "loggers print '" + (home / "site_LOBBY.lograd").string() +
                                      "' --pdf '" + file.string() + "'");
    ASSERT_EQ(fromFile.status, 0) << fromFile.out;
    EXPECT_NE(PdfText(file).find("Logger name:       LOBBY"), std::string::npos);

    sim.stop();
    EXPECT_EQ(RunCtl(env, "loggers list plc").status, 3);
    fs::remove_all(home);
}

// An empty program folder (no Languages/, no Loggers/): the built-in English texts speak.
// Plan files that are no files end at once with the message that says so; a print leaves
// stderr to the program's own words; a row number past any int is named as such.
TEST(Zv318ctl, AnEmptyProgramFolderAndFilesThatAreNotFiles) {
    const fs::path home =
        fs::temp_directory_path() / ("zv318-ctl-home-" + std::to_string(getpid()));
    fs::remove_all(home);
    fs::create_directories(home);
    const fs::path odd = fs::temp_directory_path() / ("zv318-ctl-odd-" + std::to_string(getpid()));
    fs::remove_all(odd);
    fs::create_directories(odd);
    ASSERT_EQ(::mkfifo((odd / "fifo.c318").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", odd / "zero.c318");
    const std::string env = "env -u XDG_RUNTIME_DIR ZV318_HOME='" + home.string() + "'";

    for (const char* name : {"fifo.c318", "zero.c318"}) {
        const auto start = std::chrono::steady_clock::now();
        CtlRun r = RunCtl(env, "plans check '" + (odd / name).string() + "'");
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << name;
        EXPECT_EQ(r.status, 1) << r.out;
        EXPECT_NE(r.out.find("message 295: The file is not a regular file"), std::string::npos)
            << r.out;
    }

    fs::create_directories(home / "Loggers");
    const std::string pdf = (odd / "p.pdf").string();
    CtlRun print = RunCtl(env, "--demo loggers print radio 1 --pdf '" + pdf + "'");
    EXPECT_EQ(print.status, 0) << print.out;
    EXPECT_EQ(print.out, "printed 1 logger(s) to " + pdf + "\n");

    CtlRun huge = RunCtl(env, "--demo loggers save radio 99999999999999999999");
    EXPECT_EQ(huge.status, 2) << huge.out;
    EXPECT_TRUE(huge.out.starts_with("row 99999999999999999999 is out of range\n")) << huge.out;
    fs::remove_all(home);
    fs::remove_all(odd);
}
