#pragma once
// A firmware update scenario: the simulated instrument with its IO Interface loader on the
// in-process bus, a recording feedback, a language table whose entry n reads "E<n>", a sleeper
// that only counts, and a folder for the image files.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "firmware/firmware_update.h"
#include "firmware/hex_images.h"
#include "firmware/images.h"
#include "link/link.h"
#include "sim/bus.h"
#include "sim/instrument.h"
#include "support/recording_feedback.h"
#include "texts/language_table.h"
#include "texts/text_file.h"

namespace zv318::testing {

// Counts the waits instead of sleeping.
class CountingSleeper : public Sleeper {
public:
    void sleepMs(int ms) override {
        ++rounds;
        totalMs += ms;
    }
    int rounds = 0;
    long totalMs = 0;
};

class FirmwareTest : public ::testing::Test {
public:
    void SetUp() override {
        for (int n = 0; n < kLanguageEntries; ++n) table.set(n, "E" + std::to_string(n));
        // What a cut update leaves, the countdown to the loader, a damaged image's fault.
        for (const auto& [n, text] : {std::pair<int, const char*>{1681, "untouched"},
                                      {1682, "cut %1/%2"},
                                      {1683, "zv untouched"},
                                      {1684, "zv cut %1/%2"},
                                      {1685, "wait %1"},
                                      {1686, "bad %1: %2"},
                                      {1687, "no end"},
                                      {1688, "no data"}})
            table.set(n, text);
        std::filesystem::create_directories(folder / "Version");
        update.confirm = [this](const UpdateQuestion& q) {
            questions.push_back(q);
            return confirmAnswer;
        };
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }

    std::string Write(const std::string& name, const std::string& bytes) {
        const std::filesystem::path p = folder / "Version" / name;
        EXPECT_TRUE(WriteFileAtomically(p, bytes));
        return p.string();
    }

    // The loader reports the simulator received (byte 1 not 3), in order.
    [[nodiscard]] std::vector<Report> LoaderReports() const {
        std::vector<Report> loader;
        for (const Report& r : instrument.received)
            if (r[1] != 3) loader.push_back(r);
        return loader;
    }

    sim::Instrument instrument = sim::Instrument::Empty();
    sim::SimBus bus{instrument};
    RecordingFeedback feedback;
    Link link{bus, &feedback};
    LanguageTable table;
    CountingSleeper sleeper;
    std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                   ("zv318-firmware-" + std::to_string(std::random_device{}()));
    FirmwareUpdate update{link, feedback, table, folder, sleeper};
    std::vector<UpdateQuestion> questions;
    bool confirmAnswer = true;
};

}  // namespace zv318::testing
