// Both firmware updates against the simulated IO Interface loader and instrument, which record
// every report they receive.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "firmware/firmware_fixture.h"

namespace zv318::testing {
namespace {

using Strings = std::vector<std::string>;

const std::string kValidImage = ":02100000AABB89\r\n:00000001FF\r\n";

std::int32_t AddressOf(const Report& r) {
    return r[2] | r[3] << 8 | r[4] << 16 | r[5] << 24;
}

// ---- the IO Interface update ------------------------------------------------------------

struct IoCase {
    const char* what;
    std::string image;
    std::vector<std::int32_t> blocks;  // block addresses in the order sent
    int rangeMaximum;
};

std::vector<std::int32_t> BlocksUpTo(std::int32_t last) {
    std::vector<std::int32_t> blocks;
    for (std::int32_t a = 0x1040; a <= last; a += 64) blocks.push_back(a);
    blocks.push_back(0x1000);
    return blocks;
}

using firmwareIoUpdate = FirmwareTest;

TEST_F(firmwareIoUpdate, ProgramsTheLoaderAsTheImageSays) {
    const std::vector<int> sixteen(16, 0x5A);
    const IoCase cases[] = {
        {"the end mark on a block boundary: that block is sent too",
         HexRecord(0, 0x1000, sixteen) + HexRecord(0, 0x1040, {1, 2, 3, 4, 5, 6, 7, 8}) +
             HexRecord(0, 0x1070, sixteen) + HexRecord(1, 0, {}),
         {0x1040, 0x1080, 0x1000},
         0x80},
        {"data below 0x1040: only the block at 0x1000",
         HexRecord(0, 0x1000, sixteen) + HexRecord(0, 0x1020, sixteen) + HexRecord(1, 0, {}),
         {0x1000},
         0x30},
        {"a record that ends the image: blocks stop at its last byte",
         HexRecord(0, 0x1000, sixteen) + HexRecord(4, 0, {0, 1}) + HexRecord(0, 0xFFF0, sixteen) +
             HexRecord(1, 0, {}),
         BlocksUpTo(0x1FFC0), 0x1FFFF - 0x1000},
        {"every byte from 0x1000 to 0x1FFFF", FullIntelHexImage(), BlocksUpTo(0x1FFC0),
         0x1FFF0 - 0x1000},
    };
    for (const IoCase& c : cases) {
        SCOPED_TRACE(c.what);
        instrument = sim::Instrument::Empty();
        feedback = RecordingFeedback();
        sleeper = CountingSleeper();
        questions.clear();
        update.startupArgument = Write("io.hex", c.image);

        EXPECT_EQ(update.Actualitzar("IO-2.10"), UpdateOutcome::Done);

        const std::vector<Report> sent = LoaderReports();
        ASSERT_EQ(sent.size(), 1 + 123 + 2 * c.blocks.size() + 1);
        EXPECT_EQ(HexBytes(std::span(sent.front()).first(2)), "00 08");
        EXPECT_EQ(sent.front()[7], 1);
        for (int page = 4; page <= 126; ++page) {
            ASSERT_EQ(sent[page - 3][1], 0x04);
            ASSERT_EQ(sent[page - 3][7], page);
        }
        const MemoryImage image = LoadMemoryImage(c.image);
        for (std::size_t b = 0; b < c.blocks.size(); ++b) {
            const Report& first = sent[124 + 2 * b];
            const Report& second = sent[125 + 2 * b];
            ASSERT_EQ(first[1], 0x05);
            ASSERT_EQ(second[1], 0x06);
            ASSERT_EQ(AddressOf(first), c.blocks[b]);
            ASSERT_EQ(AddressOf(second), c.blocks[b]);  // the buffer keeps it
            ASSERT_TRUE(std::equal(first.begin() + 7, first.begin() + 39,
                                   image.bytes.begin() + c.blocks[b]));
            ASSERT_TRUE(std::equal(second.begin() + 7, second.begin() + 39,
                                   image.bytes.begin() + c.blocks[b] + 32));
        }
        EXPECT_EQ(sent.back()[1], 0x08);
        EXPECT_EQ(sent.back()[7], 0);
        // The loader holds the image in every block written.
        const std::vector<std::uint8_t> memory = instrument.loaderMemory();
        for (std::int32_t a : c.blocks)
            ASSERT_TRUE(
                std::equal(memory.begin() + a, memory.begin() + a + 64, image.bytes.begin() + a))
                << a;
        EXPECT_FALSE(instrument.loaderMode());

        EXPECT_EQ(sleeper.rounds, 40);
        EXPECT_EQ(sleeper.totalMs, 4000);
        ASSERT_EQ(questions.size(), 1u);
        EXPECT_EQ(questions[0].questionEntry, 47);
        EXPECT_EQ(questions[0].currentVersion, "E50IO-2.10");
        EXPECT_EQ(questions[0].image, (folder / "Version" / "io.hex").string());
        const RecordingProgress& p = feedback.progressWindow;
        EXPECT_EQ(p.caption, "E74");
        Strings stages;  // the loader's countdown apart (TheBarCountsDownTheLoadersStart)
        std::copy_if(p.statuses.begin(), p.statuses.end(), std::back_inserter(stages),
                     [](const std::string& s) { return !s.starts_with("wait "); });
        EXPECT_EQ(stages, (Strings{"E53", "E54", "E55"}));
        EXPECT_EQ(p.notes, (Strings{"E57", "E29"}));
        EXPECT_EQ(p.max, c.rangeMaximum);
        EXPECT_TRUE(p.okEnabled);
        EXPECT_TRUE(p.barVisible);
        EXPECT_EQ(feedback.busyChanges, (std::vector<bool>{true, false}));
        EXPECT_TRUE(feedback.messages.empty());
        EXPECT_TRUE(update.startupArgument.empty());
        EXPECT_TRUE(feedback.fileRequests.empty());  // the argument replaces the dialog
    }
}

TEST_F(firmwareIoUpdate, TheBlockAt0x1040AsItTravels) {
    std::vector<int> low, high;  // 32 bytes a record: a line holds at most 99 characters
    for (int i = 0; i < 32; ++i) low.push_back(0x80 + i), high.push_back(0xA0 + i);
    update.startupArgument = Write(
        "io.hex", HexRecord(0, 0x1040, low) + HexRecord(0, 0x1060, high) + HexRecord(1, 0, {}));
    ASSERT_EQ(update.Actualitzar("x"), UpdateOutcome::Done);
    const std::vector<Report> sent = LoaderReports();
    EXPECT_EQ(HexBytes(std::span(sent[124]).first(6)), "00 05 40 10 00 00");
    EXPECT_EQ(HexBytes(std::span(sent[124]).subspan(7, 4)), "80 81 82 83");
    EXPECT_EQ(HexBytes(std::span(sent[125]).first(6)), "00 06 40 10 00 00");
    EXPECT_EQ(HexBytes(std::span(sent[125]).subspan(7, 4)), "A0 A1 A2 A3");
}

struct EndCase {
    const char* what;
    std::function<void(firmwareIoUpdate&)> prepare;
    UpdateOutcome outcome;
    std::vector<int> messages;
    bool argumentKept;
};

TEST_F(firmwareIoUpdate, EndsBeforeSendingWhenItMust) {
    const auto Image = [](std::string bytes) {
        return [bytes](firmwareIoUpdate& t) { t.update.startupArgument = t.Write("i.hex", bytes); };
    };
    const std::string full = FullIntelHexImage();
    const std::string cut = full.substr(0, full.find("\r\n", full.size() / 2) + 2);
    const EndCase cases[] = {
        {"instrument absent",
         [](firmwareIoUpdate& t) { t.bus.setPlugged(false); },
         UpdateOutcome::NotConnected,
         {7},
         true},
        {"extension in capitals",
         [](firmwareIoUpdate& t) { t.update.startupArgument = t.Write("io.HEX", kValidImage); },
         UpdateOutcome::Refused,
         {11},
         false},
        {"a missing file",
         [](firmwareIoUpdate& t) { t.update.startupArgument = (t.folder / "m.hex").string(); },
         UpdateOutcome::Refused,
         {1},
         false},
        {"a FIFO",
         [](firmwareIoUpdate& t) {
             t.update.startupArgument = (t.folder / "Version" / "fifo.hex").string();
             ASSERT_EQ(::mkfifo(t.update.startupArgument.c_str(), 0600), 0);
         },
         UpdateOutcome::Refused,
         {200},
         false},
        {"larger than any image: refused unread",
         [](firmwareIoUpdate& t) {
             std::filesystem::resize_file(t.update.startupArgument, kImageFileMaxBytes + 1);
         },
         UpdateOutcome::Refused,
         {201},
         false},
        // Images that are not whole: each would erase the interface and leave it empty.
        {"a failed check",
         Image(":02100000AABB88\r\n:00000001FF\r\n"),
         UpdateOutcome::Refused,
         {2},
         false},
        {"an empty file", Image(""), UpdateOutcome::Refused, {2}, false},
        {"a data byte taken out, its checksum still right",
         Image(":03100000AABB88\r\n:00000001FF\r\n"),
         UpdateOutcome::Refused,
         {2},
         false},
        {"the end record alone", Image(HexRecord(1, 0, {})), UpdateOutcome::Refused, {2}, false},
        {"cut short, as a broken download leaves it",
         Image(cut),
         UpdateOutcome::Refused,
         {2},
         false},
        {"the person answers No",
         [](firmwareIoUpdate& t) { t.confirmAnswer = false; },
         UpdateOutcome::Cancelled,
         {},
         true},
    };
    for (const EndCase& c : cases) {
        SCOPED_TRACE(c.what);
        bus.setPlugged(true);
        instrument = sim::Instrument::Empty();
        feedback = RecordingFeedback();
        confirmAnswer = true;
        update.startupArgument = Write("io.hex", kValidImage);
        c.prepare(*this);
        const std::string before = update.startupArgument;

        EXPECT_EQ(update.Actualitzar("x"), c.outcome);
        EXPECT_TRUE(instrument.received.empty());
        EXPECT_EQ(feedback.messages, c.messages);
        EXPECT_EQ(feedback.progressWindow.showCount, 0);
        EXPECT_EQ(update.startupArgument, c.argumentKept ? before : "");
        EXPECT_EQ(feedback.busyChanges.size() % 2, 0u);
    }

    // Without an argument the dialog opens in the image folder; a cancel ends the update.
    feedback = RecordingFeedback();
    update.startupArgument.clear();
    EXPECT_EQ(update.Actualitzar("x"), UpdateOutcome::Cancelled);
    ASSERT_EQ(feedback.fileRequests.size(), 1u);
    EXPECT_EQ(feedback.fileRequests[0].startFolder, (folder / "Version").string() + "/");
    EXPECT_TRUE(instrument.received.empty());
}

TEST_F(firmwareIoUpdate, AFailedWriteStopsEverythingAndKeepsTheArgument) {
    // At the loader-mode report, at the first erase, at an erase half-way, at a block half-way.
    for (int writes : {0, 1, 60, 130}) {
        SCOPED_TRACE(writes);
        bus.setPlugged(true);
        instrument = sim::Instrument::Empty();
        feedback = RecordingFeedback();
        update.startupArgument = Write("io.hex", FullIntelHexImage());
        bus.unplugAfter(writes);

        EXPECT_EQ(update.Actualitzar("x"), UpdateOutcome::Failed);
        const std::vector<Report> sent = LoaderReports();
        EXPECT_EQ(sent.size(), static_cast<std::size_t>(writes));
        for (const Report& r : sent) EXPECT_FALSE(r[1] == 0x08 && r[7] == 0);  // never left
        const RecordingProgress& p = feedback.progressWindow;
        EXPECT_EQ(p.status, "E58");
        EXPECT_FALSE(p.barVisible);
        EXPECT_TRUE(p.okEnabled);
        // The working note gives way to what was cut and what to do next: before the first
        // erase nothing was touched; after it the interface waits in its loader, and the note
        // says how far programming came (the loader mode and 123 erases precede the blocks).
        const int blocksSent = std::max(0, (writes - 124) / 2);
        const std::string cut =
            writes == 0 ? "untouched"
                        : "cut " + std::to_string(blocksSent * 64) + "/" + std::to_string(p.max);
        EXPECT_EQ(p.notes, (Strings{"E57", cut}));
        // The note is the one message: no box saying the interface is not connected.
        EXPECT_TRUE(feedback.messages.empty());
        EXPECT_EQ(feedback.busyChanges, (std::vector<bool>{true, false}));
        EXPECT_FALSE(update.startupArgument.empty());
    }
}

TEST_F(firmwareIoUpdate, TheBarCountsDownTheLoadersStart) {
    update.startupArgument = Write("io.hex", kValidImage);
    ASSERT_EQ(update.Actualitzar("x"), UpdateOutcome::Done);
    const Strings& statuses = feedback.progressWindow.statuses;
    // Between "starting" and "programming": 40 rounds of 100 ms, the seconds left in each.
    const auto from = std::find(statuses.begin(), statuses.end(), "E53");
    const auto to = std::find(statuses.begin(), statuses.end(), "E54");
    ASSERT_NE(from, statuses.end());
    ASSERT_NE(to, statuses.end());
    Strings countdown(from + 1, to);
    Strings expected;
    for (int s = 4; s >= 1; --s) expected.insert(expected.end(), 10, "wait " + std::to_string(s));
    EXPECT_EQ(countdown, expected);
    EXPECT_EQ(sleeper.totalMs, 4000);
}

TEST_F(firmwareIoUpdate, ADamagedImageNamesItsFirstBadLine) {
    const std::string data = HexRecord(0, 0x1000, {1, 2});
    const std::string end = HexRecord(1, 0, {});
    const std::pair<std::string, std::string> cases[] = {
        {data + ":02100000AABB88\r\n" + end, "bad 2: :02100000AABB88"},
        {data + "\n" + end, "bad 2: "},  // an empty line, LF ends
        {"junk\r\n" + data + end, "bad 1: junk"},
        {data + end + data, "bad 3: " + data.substr(0, data.size() - 2)},  // after the end
        {data + "\x01\x1b[2J\r\n" + end, "bad 2: ??[2J"},                  // no control characters
        {data + ":" + std::string(120, 'A') + "\r\n" + end,
         "bad 2: :" + std::string(59, 'A') + "…"},
        {data, "no end"},
        {"", "no end"},
        {HexRecord(0, 0x1000, {}) + end, "no data"},
        // Data the loader would not program, or two records for one address: refused, never
        // dropped or overwritten while the rest is programmed.
        {HexRecord(0, 0x0800, {1}) + end, "bad 1: " + HexRecord(0, 0x0800, {1}).substr(0, 13)},
        {data + HexRecord(0, 0x1001, {9}) + end,
         "bad 2: " + HexRecord(0, 0x1001, {9}).substr(0, 13)},
    };
    for (const auto& [image, detail] : cases) {
        SCOPED_TRACE(detail);
        feedback = RecordingFeedback();
        update.startupArgument = Write("io.hex", image);
        EXPECT_EQ(update.Actualitzar("x"), UpdateOutcome::Refused);
        EXPECT_EQ(feedback.messages, std::vector<int>{2});
        EXPECT_EQ(feedback.notices, Strings{detail});
        EXPECT_TRUE(instrument.received.empty());
    }
}

// ---- the instrument update --------------------------------------------------------------

const std::string kTwoLines = "S1041000AA41\r\nS9030000FC\r\n";

struct ZvCase {
    const char* what;
    std::string image;
    std::function<void(sim::Instrument&)> prepare;
    UpdateOutcome outcome;
    Strings commands;
    std::vector<int> messages;
    long waitedMs;
    int position;  // of the bar at the end (its maximum is the file's size)
};

Strings Erases(int upTo = 7) {
    Strings e;
    for (int n = 2; n <= upTo; ++n) e.push_back("*FE" + std::to_string(n));
    return e;
}

Strings Join(std::initializer_list<Strings> parts) {
    Strings all;
    for (const Strings& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

using firmwareInstrumentUpdate = FirmwareTest;

TEST_F(firmwareInstrumentUpdate, SendsTheImageRecordByRecord) {
    const Strings six1(6, "*SXS1"), six9(6, "*SXS9");
    const ZvCase cases[] = {
        {"two records",
         kTwoLines,
         [](sim::Instrument&) {},
         UpdateOutcome::Done,
         Join({{"*RS2"}, Erases(), {"*SXS1", "*SXS9", "*RS0"}}),
         {},
         2200,
         26},
        {"a record refused five times, then accepted",
         kTwoLines,
         [](sim::Instrument& i) { i.refuseRecord[1] = 5; },
         UpdateOutcome::Done,
         Join({{"*RS2"}, Erases(), six1, {"*SXS9", "*RS0"}}),
         {},
         2200 + 5 * 500,
         26},
        {"a record refused six times stops the transfer",
         kTwoLines,
         [](sim::Instrument& i) { i.refuseRecord[2] = 6; },
         UpdateOutcome::Failed,
         Join({{"*RS2"}, Erases(), {"*SXS1"}, six9}),
         {},
         2200 + 5 * 500,
         14},
        {"an erase reply of 2 goes on",
         kTwoLines,
         [](sim::Instrument& i) { i.statusFor["*FE3"] = 2; },
         UpdateOutcome::Done,
         Join({{"*RS2"}, Erases(), {"*SXS1", "*SXS9", "*RS0"}}),
         {8},
         2200,
         26},
        {"an erase reply of 0",
         kTwoLines,
         [](sim::Instrument& i) { i.statusFor["*FE4"] = 0; },
         UpdateOutcome::Failed,
         Join({{"*RS2"}, Erases(4)}),
         {},
         2000,
         0},
        {"an erase reply of 3",
         kTwoLines,
         [](sim::Instrument& i) { i.statusFor["*FE2"] = 3; },
         UpdateOutcome::Failed,
         Join({{"*RS2"}, Erases(2)}),
         {},
         2000,
         0},
        {"*RS2 refused",
         kTwoLines,
         [](sim::Instrument& i) { i.statusFor["*RS2"] = 0; },
         UpdateOutcome::Failed,
         {"*RS2"},
         {},
         0,
         0},
        {"*RS0 refused",
         kTwoLines,
         [](sim::Instrument& i) { i.statusFor["*RS0"] = 0; },
         UpdateOutcome::Failed,
         Join({{"*RS2"}, Erases(), {"*SXS1", "*SXS9", "*RS0"}}),
         {},
         2200,
         26},
    };
    for (const ZvCase& c : cases) {
        SCOPED_TRACE(c.what);
        instrument = sim::Instrument::Empty();
        c.prepare(instrument);
        feedback = RecordingFeedback();
        feedback.files = {Write("new.zv318", c.image)};
        sleeper = CountingSleeper();
        questions.clear();

        EXPECT_EQ(update.ActualitzarZV318("V1.20"), c.outcome);
        EXPECT_EQ(instrument.commands(), c.commands);
        EXPECT_EQ(feedback.messages, c.messages);
        EXPECT_EQ(sleeper.totalMs, c.waitedMs);
        EXPECT_EQ(sleeper.rounds, c.waitedMs / 10);
        ASSERT_EQ(questions.size(), 1u);
        EXPECT_EQ(questions[0].questionEntry, 49);
        EXPECT_EQ(questions[0].currentVersion, "E48V1.20");
        const RecordingProgress& p = feedback.progressWindow;
        EXPECT_EQ(p.caption, "E73");
        EXPECT_EQ(p.max, static_cast<int>(c.image.size()));
        EXPECT_EQ(p.pos, c.position);
        EXPECT_TRUE(p.okEnabled);
        EXPECT_EQ(feedback.busyChanges, (std::vector<bool>{true, false}));
        const bool done = c.outcome == UpdateOutcome::Done;
        EXPECT_EQ(p.status, done ? "E55" : "E58");
        // A failure says what it left: before the first erase, the firmware untouched.
        const bool erased =
            std::find(c.commands.begin(), c.commands.end(), "*FE2") != c.commands.end();
        EXPECT_EQ(p.note, done     ? "E29"
                          : erased ? "zv cut " + std::to_string(p.pos) + "/" + std::to_string(p.max)
                                   : "zv untouched");
        EXPECT_EQ(p.barVisible, done);
        if (done) {
            EXPECT_EQ(instrument.firmwareRecords.size(), 2u);
        }
        EXPECT_FALSE(done && instrument.bootMode());
    }
}

TEST_F(firmwareInstrumentUpdate, TheDataRecordReport) {
    feedback.files = {Write("new.zv318", "S1030000FC\r\n" + kTwoLines)};
    ASSERT_EQ(update.ActualitzarZV318("x"), UpdateOutcome::Done);
    const Report& record = instrument.received.at(7);  // after *RS2 and six erases
    EXPECT_EQ(HexBytes(std::span(record).first(14)), "00 03 17 2A 53 58 53 31 03 00 00 FC 0D 00");
    ASSERT_EQ(instrument.firmwareRecords.size(), 3u);
    EXPECT_EQ(HexBytes(instrument.firmwareRecords[0]), "2A 53 58 53 31 03 00 00 FC");
}

TEST_F(firmwareInstrumentUpdate, RefusesAFileBeforeSendingAnything) {
    // A cut-off image: the first 65 of 130 records, no S9.
    std::string cut;
    for (int k = 0; k < 65; ++k) {
        char record[32];
        std::snprintf(record, sizeof record, "S1041%03XAA%02X\r\n", k,
                      0xFF - (0x04 + 0x10 + k + 0xAA) % 256);
        cut += record;
    }
    // The file, its bytes, the message, and for message 2 the image's first fault.
    const std::tuple<const char*, std::string, int, const char*> files[] = {
        {"bad.ZV318", kTwoLines, 11, ""},
        {"checksum.zv318", "S1030000FC\r\nS1030000FD\r\n" + kTwoLines, 2, "bad 2: S1030000FD"},
        {"count.zv318", "S1030000FC\r\nS1050000FC\r\n" + kTwoLines, 2, "bad 2: S1050000FC"},
        {"blank line.zv318", "S1041000AA41\r\n\r\nS9030000FC\r\n", 2, "bad 2: "},
        {"empty.zv318", "", 2, "no end"},
        {"cut.zv318", cut, 2, "no end"},
        {"foreign.zv318", "X1041000AA41\r\n" + kTwoLines, 2, "bad 1: X1041000AA41"},
        {"no data.zv318", "S1030000FC\r\nS9030000FC\r\n", 2, "no data"},
        {"after the end.zv318", kTwoLines + "S1041000AA41\r\n", 2, "bad 3: S1041000AA41"},
        // The count record says one data record more than the file holds: a line is missing.
        {"stated count.zv318", "S1041000AA41\r\nS5030002FA\r\nS9030000FC\r\n", 2,
         "bad 2: S5030002FA"},
        {"twice.zv318", "S1041000AA41\r\nS1041000BB30\r\nS9030000FC\r\n", 2, "bad 2: S1041000BB30"},
        {"reserved.zv318", "S1041000AA41\r\nS403000000FC\r\nS9030000FC\r\n", 2,
         "bad 2: S403000000FC"},
        {"missing.zv318", "", 1, ""},
    };
    for (const auto& [name, bytes, message, fault] : files) {
        SCOPED_TRACE(name);
        feedback = RecordingFeedback();
        feedback.files = {message == 1 ? (folder / name).string() : Write(name, bytes)};
        EXPECT_EQ(update.ActualitzarZV318("x"), UpdateOutcome::Refused);
        EXPECT_EQ(feedback.messages, std::vector<int>{message});
        EXPECT_EQ(feedback.notices, message == 2 ? Strings{fault} : Strings{});
        EXPECT_TRUE(instrument.received.empty());
        EXPECT_TRUE(questions.empty());
        EXPECT_EQ(feedback.progressWindow.showCount, 0);
    }

    // A cancelled dialog keeps the file chosen before it.
    feedback = RecordingFeedback();
    const std::string good = Write("good.zv318", kTwoLines);
    feedback.files = {good};
    confirmAnswer = false;
    EXPECT_EQ(update.ActualitzarZV318("x"), UpdateOutcome::Cancelled);
    feedback.files.clear();
    EXPECT_EQ(update.ActualitzarZV318("x"), UpdateOutcome::Cancelled);
    ASSERT_EQ(questions.size(), 2u);
    EXPECT_EQ(questions[1].image, good);
    EXPECT_EQ(feedback.fileRequests[1].proposedName, "good.zv318");
    EXPECT_TRUE(instrument.received.empty());
}

TEST_F(firmwareInstrumentUpdate, AnInstrumentVanishingHalfWay) {
    // At "*RS2", at the third erase, at the first record.
    for (int writes : {0, 3, 7}) {
        SCOPED_TRACE(writes);
        bus.setPlugged(true);
        instrument = sim::Instrument::Empty();
        feedback = RecordingFeedback();
        feedback.files = {Write("new.zv318", kTwoLines)};
        bus.unplugAfter(writes);

        EXPECT_EQ(update.ActualitzarZV318("x"), UpdateOutcome::Failed);
        EXPECT_EQ(instrument.received.size(), static_cast<std::size_t>(writes));
        // What to do is said once, by the note; never "not connected" before it.
        EXPECT_TRUE(feedback.messages.empty());
        const RecordingProgress& p = feedback.progressWindow;
        EXPECT_EQ(p.status, "E58");
        EXPECT_TRUE(p.okEnabled);
        EXPECT_FALSE(p.barVisible);
        // Before the first erase the instrument keeps its firmware; after it, nothing whole.
        EXPECT_EQ(p.note,
                  writes == 0 ? "zv untouched" : "zv cut 0/" + std::to_string(kTwoLines.size()));
        EXPECT_EQ(feedback.busyChanges, (std::vector<bool>{true, false}));
    }
}

}  // namespace
}  // namespace zv318::testing
