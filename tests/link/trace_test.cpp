// The protocol trace: what crosses the link, line by line, in the order it crossed.

#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "link/link.h"
#include "link/queries.h"
#include "link/trace.h"
#include "sim/bus.h"
#include "sim/instrument.h"

namespace zv318 {
namespace {

namespace fs = std::filesystem;

std::string Hex(const Report& r) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string s;
    for (std::uint8_t b : r) {
        s.push_back(kHex[b >> 4]);
        s.push_back(kHex[b & 0x0F]);
    }
    return s;
}

std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

TEST(linkTrace, HoldsExactlyWhatCrossedInOrderWithRisingTimes) {
    sim::Instrument instrument;
    sim::SimBus simBus(instrument);
    Tracer tracer;
    const fs::path file = fs::temp_directory_path() / ("zv318-trace-" + std::to_string(::getpid()));
    fs::remove(file);
    ASSERT_TRUE(tracer.appendTo(file));
    TracingBus bus(simBus, tracer);
    Link link(bus);

    ASSERT_TRUE(link.FindInstrument());
    (void)GetSerial(link);
    (void)GetIOVersion(link);
    (void)GetChannel(link, 0, 7);  // "*?CF03007"-like query of a plan channel
    ASSERT_EQ(link.SendCommand("*EC01"), 1);

    std::vector<std::string> lines = tracer.lines();
    ASSERT_EQ(lines.size(), 2 * instrument.received.size());
    long long previous = -1;
    std::size_t out = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::vector<std::string> w = Words(lines[i]);
        ASSERT_GE(w.size(), 3u) << lines[i];
        const long long us = std::stoll(w[0]);
        EXPECT_GE(us, previous);
        previous = us;
        // Each report out is followed by its reply in.
        EXPECT_EQ(w[1], i % 2 == 0 ? "OUT" : "IN") << lines[i];
        if (w[1] == "OUT") {
            EXPECT_EQ(w[2], Hex(instrument.received[out++])) << lines[i];
        }
        EXPECT_EQ(w[2].size(), 130u);
    }
    EXPECT_EQ(Words(lines[0]).back(), "*?NS");
    EXPECT_EQ(Words(lines[1]).back(), "?NS" + instrument.serial);
    EXPECT_EQ(Words(lines.end()[-2]).back(), "*EC01");

    // The file holds the same lines, each ended by CR LF.
    tracer.closeFile();
    std::ifstream in(file, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    std::string expected;
    for (const std::string& l : lines) expected += l + "\r\n";
    EXPECT_EQ(bytes, expected);
    in.close();
    fs::remove(file);
}

TEST(linkTrace, MemoryKeepsOnlyTheLastReportsAndBinaryReportsShowNoText) {
    Tracer tracer(3);
    Report text{};
    text[1] = 3;
    text[2] = 25;
    const std::string command = "*?PN\r";
    std::copy(command.begin(), command.end(), text.begin() + 3);
    Report loader{};
    loader[1] = 5;
    loader[3] = '*';  // binary data that happens to start like a command
    tracer.record(TraceDirection::Out, text);
    tracer.record(TraceDirection::Out, loader);
    tracer.record(TraceDirection::Out, text);
    tracer.record(TraceDirection::In, loader);
    std::vector<std::string> lines = tracer.lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(Words(lines[0]).size(), 3u);  // the loader report: no text
    EXPECT_EQ(Words(lines[1]).back(), "*?PN");
    EXPECT_EQ(Words(lines[2])[1], "IN");
}

}  // namespace
}  // namespace zv318
