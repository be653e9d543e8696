#pragma once
// The simulated ZV-318 with its IO Interface and the IO Interface's loader. It answers every
// report the program sends with one report in the layout the program relies on (the loader's
// reports get none), keeps real state, and records every report it receives.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "link/report.h"

namespace zv318::sim {

struct Channel {
    int index = 0;  // the index the program sent (gaps allowed)
    std::string name;
    std::int32_t frequency = 0;  // Hz
    std::int32_t bandwidth = 0;  // Hz
    int flags = 0;               // 128 or more: ON
};

struct Plan {
    std::string name;
    std::vector<Channel> channels;
    int announcedChannels = 0;  // the count of the last "*CW0" for this plan
};

struct LoggerRecord {
    std::string channel;
    std::int32_t frequency = 0;
    std::int32_t bandwidth = 0;
    std::string power;  // as the instrument prints it, e.g. "-45.2"
};

struct Logger {
    std::string time;  // 8 characters, hh:mm:ss
    std::string date;  // 10 characters, dd/mm/yyyy
    std::string name;
    std::string planName;
    std::string levelUnit;  // e.g. "dBm"
    int threshold = 0;
    std::vector<LoggerRecord> records;
};

// A logger of `records` records: channel "Ck", 474 MHz + 8 MHz × (k mod 60), 8 MHz wide,
// power -40.0 - k/10 (as the instrument prints it), taken at 10:20:30 on 01-02-2013 (dated as
// the clock is set) with plan "TV1".
[[nodiscard]] Logger SampleLogger(const std::string& name, int records,
                                  const std::string& unit = "dBm", int threshold = -50);

inline constexpr int kRadio = 1;
inline constexpr int kPlc = 2;
inline constexpr int kMaxPlans = 10;
inline constexpr int kLoggerSlots = 50;

// Who holds the simulated instrument, as the real one's lock would tell: one program (or test)
// at a time on this instrument, whatever bus reaches it, and never a lock shared with any
// other instrument, so that runs on unrelated instruments never wait for each other.
struct Holding {
    std::mutex mutex;
    bool held = false;
    std::string program;
};

// The instrument's own Holding: a copy of an instrument is another instrument, free.
class HoldingSlot {
public:
    HoldingSlot() : state(std::make_shared<Holding>()) {}
    HoldingSlot(const HoldingSlot&) : HoldingSlot() {}
    HoldingSlot& operator=(const HoldingSlot&) { return *this; }
    std::shared_ptr<Holding> state;
};

class Instrument {
public:
    // A realistic instrument: a few RADIO and PLC plans and loggers.
    Instrument();
    // An instrument with no plans and no loggers.
    static Instrument Empty();

    // One output report in; the reply, or nothing (loader reports, silence, unplugged).
    [[nodiscard]] std::optional<Report> handle(const Report& out);

    // ---- state -------------------------------------------------------------------------
    std::vector<Plan>& plans(int type);  // type kRadio or kPlc
    const std::vector<Plan>& plans(int type) const;
    std::optional<Logger>& logger(int type, int slot);  // slots 0-49
    const std::optional<Logger>& logger(int type, int slot) const;
    int selectedType() const { return selectedType_; }
    bool bootMode() const { return bootMode_; }            // after "*RS2", until "*RS0"
    bool planWriteMode() const { return planWriteMode_; }  // "*PM01" until "*PM00"
    const std::string& clock() const { return clock_; }    // the last "*SK" text
    std::string serial = "00012345";
    std::string ioVersion = "IO-2.10";
    std::string zvVersion = "V1.20";
    // Instrument firmware: the data records accepted since the last "*FE" erase.
    std::vector<std::vector<std::uint8_t>> firmwareRecords;
    std::set<int> erasedSectors;  // digits of "*FE"
    // IO Interface loader.
    bool loaderMode() const { return loaderMode_; }
    std::set<int> erasedPages;                                 // pages of the 0x04 reports
    std::map<std::uint32_t, std::vector<std::uint8_t>> flash;  // 64-byte blocks by address
    // The loader's flash from 0x00000 to 0x1FFFF as one memory: 0xFF where nothing was written.
    [[nodiscard]] std::vector<std::uint8_t> loaderMemory() const;

    // ---- what it received --------------------------------------------------------------
    std::vector<Report> received;  // every report, in order
    // The text commands received (codes 22 to 25), e.g. "*EC01", "*?PN"; code 20 as "<IOV>";
    // loader reports as "<LOADER 08>" and so on. Code 23 records appear as "*SXS" and their
    // type character (their bytes are in firmwareRecords); other codes as "<CODE nn>".
    [[nodiscard]] std::vector<std::string> commands() const;
    // The command text of one output report, as commands() lists it.
    [[nodiscard]] static std::string CommandOf(const Report& out);
    void clearReceived() { received.clear(); }

    // ---- behaviour the tests can set ---------------------------------------------------
    // No reply from exchange number n on (counted from 1 over all received reports).
    std::optional<int> silentFrom;
    // With silentFrom: only this many exchanges go unanswered, then it answers again.
    std::optional<int> silentFor;
    // Commands answered as usual but not carried out, by how they begin ("*PN": the plan
    // count never changes, so a plan sent is never taken).
    std::set<std::string> ignored;
    // Logger slots whose header states this record count instead of the number of records
    // the logger holds (a damaged header), whatever the type selected.
    std::map<int, std::string> statedCounts;
    // Answer this status byte (code 22/23/24) to this exact command text.
    std::map<std::string, std::uint8_t> statusFor;
    // Refuse (status 2) the k-th data record (counted from 1) this many times.
    std::map<int, int> refuseRecord;
    // Answer this reply text (from byte 5) to this exact query text instead of the real one.
    std::map<std::string, std::string> textFor;
    // Called with each report's number (counted from 1, as silentFrom) as it arrives, before it
    // is carried out: what happens at the PC while the instrument works (an interrupt, say).
    std::function<void(int)> onReport;

    HoldingSlot holding;

private:
    Report reply(const Report& out);
    Report statusReply(std::uint8_t status) const;
    Report textReply(const std::string& text) const;
    std::string answerQuery(const std::string& command);
    std::uint8_t answerCommand(const std::string& command);
    std::uint8_t planCommand(const std::string& command);
    std::uint8_t acceptRecord(const Report& out);
    std::uint8_t erase(const std::string& command);
    void loaderReport(const Report& out);
    std::string channelReply(const std::string& command) const;
    std::string headerReply(const std::string& command) const;
    std::string recordReply(const std::string& command) const;
    std::string presenceReply() const;

    std::vector<Plan> radio_, plc_;
    std::optional<Logger> radioLoggers_[kLoggerSlots], plcLoggers_[kLoggerSlots];
    int selectedType_ = kRadio;
    bool bootMode_ = false;
    bool loaderMode_ = false;
    std::string clock_;
    int recordCount_ = 0;  // data records received, for refuseRecord
    bool planWriteMode_ = false;
    bool clearRecordsOnErase_ = false;  // set by "*RS2": the next "*FE" starts a new image
    std::map<int, int> refused_;        // refusals so far, by record number
};

}  // namespace zv318::sim
