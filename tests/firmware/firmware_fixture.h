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

// One Intel HEX record with its checksum and CR LF: ":LLAAAATT<data>CC".
inline std::string HexRecord(int type, int offset, const std::vector<int>& data) {
    int sum = static_cast<int>(data.size()) + (offset >> 8) + (offset & 0xFF) + type;
    char pair[16];
    std::snprintf(pair, sizeof pair, ":%02X%04X%02X", static_cast<int>(data.size()), offset, type);
    std::string line = pair;
    for (int b : data) {
        std::snprintf(pair, sizeof pair, "%02X", b);
        line += pair;
        sum += b;
    }
    std::snprintf(pair, sizeof pair, "%02X\r\n", (256 - sum % 256) % 256);
    return line + pair;
}

// An Intel HEX image whose every byte from 0x1000 to 0x1FFFF is filled (16-byte records),
// byte a holding (a * 7 + a / 256) & 0xFF.
inline std::string FullIntelHexImage() {
    std::string text;
    for (int a = 0x1000; a < 0x20000; a += 16) {
        if (a == 0x10000) text += HexRecord(4, 0, {0x00, 0x01});
        std::vector<int> data;
        for (int i = 0; i < 16; ++i) data.push_back(((a + i) * 7 + (a + i) / 256) & 0xFF);
        text += HexRecord(0, a & 0xFFFF, data);
    }
    return text + HexRecord(1, 0, {});
}

class FirmwareTest : public ::testing::Test {
public:
    void SetUp() override {
        for (int n = 0; n < kLanguageEntries; ++n) table.set(n, "E" + std::to_string(n));
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
