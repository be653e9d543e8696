#include "sim/instrument.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <stdexcept>

#include "texts/fields.h"

namespace zv318::sim {

namespace {

constexpr std::uint8_t kCR = 0x0D;
constexpr std::uint8_t kLoaderMode = 0x08;
constexpr std::uint8_t kLoaderErase = 0x04;
constexpr std::uint8_t kLoaderFirstHalf = 0x05;
constexpr std::uint8_t kLoaderSecondHalf = 0x06;
constexpr std::uint32_t kFlashPageSize = 1024;  // page 4 starts at 0x1000
constexpr std::size_t kFlashBlockSize = 64;
constexpr std::size_t kMaxReplyText = kReportSize - kQueryTextOffset - 1;  // room for the CR
constexpr std::size_t kMaxChannels = 151;  // channel indices 0 to 150

bool AllDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The value of a run of decimal digits, or -1 when the text is not one.
int Number(std::string_view text) {
    if (!AllDigits(text) || text.size() > 9) return -1;
    int value = 0;
    for (char c : text) value = value * 10 + (c - '0');
    return value;
}

std::vector<std::string_view> SplitAmpersands(std::string_view text) {
    std::vector<std::string_view> fields;
    for (;;) {
        std::size_t amp = text.find('&');
        fields.push_back(text.substr(0, amp));
        if (amp == std::string_view::npos) return fields;
        text.remove_prefix(amp + 1);
    }
}

bool IsClockText(std::string_view text) {
    // hh:mm:ss/dd-mm-yyyy
    static constexpr std::string_view kPattern = "99:99:99/99-99-9999";
    if (text.size() != kPattern.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        bool digit = text[i] >= '0' && text[i] <= '9';
        if (kPattern[i] == '9' ? !digit : text[i] != kPattern[i]) return false;
    }
    return true;
}

std::string TwoDigits(int value) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", value);
    return buf;
}

Channel MakeChannel(int index, std::string name, std::int32_t hz, std::int32_t bw, bool on) {
    return Channel{index, std::move(name), hz, bw, on ? 128 : 0};
}

// UHF television channels 21 to 69: 474 MHz to 858 MHz, 8 MHz apart.
Plan TelevisionPlan() {
    Plan plan{"TV1", {}};
    for (int ch = 21; ch <= 69; ++ch) {
        int index = ch - 21;
        plan.channels.push_back(MakeChannel(index, "C" + std::to_string(ch),
                                            474'000'000 + 8'000'000 * index, 8'000'000,
                                            ch % 7 != 3));  // a few channels switched off
    }
    return plan;
}

Plan FmPlan() {
    Plan plan{"FM", {}};
    const std::int32_t stations[] = {88'100'000,  90'500'000,  94'300'000, 98'700'000,
                                     101'200'000, 104'600'000, 107'800'000};
    int index = 0;
    for (std::int32_t hz : stations) {
        plan.channels.push_back(
            MakeChannel(index, "F" + std::to_string(index + 1), hz, 200'000, index != 4));
        ++index;
    }
    return plan;
}

Plan DabPlan() {
    Plan plan{"DAB", {}};
    plan.channels = {MakeChannel(0, "5C", 178'352'000, 1'536'000, true),
                     MakeChannel(1, "11D", 222'064'000, 1'536'000, true),
                     MakeChannel(3, "12B", 225'648'000, 1'536'000, false)};  // index gap
    return plan;
}

Plan PowerLinePlan() {
    Plan plan{"PLC1", {}};
    plan.channels = {MakeChannel(0, "L1", 3'000'000, 2'000'000, true),
                     MakeChannel(1, "L2", 7'500'000, 5'000'000, true),
                     MakeChannel(2, "L3", 15'000'000, 10'000'000, false),
                     MakeChannel(3, "L4", 25'000'000, 12'000'000, true)};
    return plan;
}

Plan HomeNetworkPlan() {
    Plan plan{"GHN", {}};
    plan.channels = {MakeChannel(0, "G1", 2'000'000, 1'000'000, true),
                     MakeChannel(1, "G2", 12'000'000, 8'000'000, true),
                     MakeChannel(2, "G3", 30'000'000, 12'000'000, true),
                     MakeChannel(3, "G4", 50'000'000, 12'000'000, false)};
    return plan;
}

// Records taken along a plan's channels, with powers falling off from `top` dB.
std::vector<LoggerRecord> RecordsAlong(const Plan& plan, std::size_t count, double top) {
    std::vector<LoggerRecord> records;
    for (std::size_t i = 0; i < count && i < plan.channels.size(); ++i) {
        const Channel& c = plan.channels[i];
        records.push_back({c.name.substr(0, 3), c.frequency, c.bandwidth,
                           FixedText(top - 1.7 * static_cast<double>(i % 9), 1)});
    }
    return records;
}

// Records of a survey along a plan's channels: levels scattered around the threshold, as a
// roof antenna sees strong and weak multiplexes, some above it and some below.
std::vector<LoggerRecord> SurveyAlong(const Plan& plan, std::size_t count, int threshold) {
    static const double kOffsets[] = {12.4, -3.1, 25.0, 8.7,  -7.9, 17.3, 4.2,  -12.6,
                                      21.8, 0.6,  -1.4, 14.9, 9.5,  -5.2, 19.1, 2.7};
    std::vector<LoggerRecord> records;
    for (std::size_t i = 0; i < count && i < plan.channels.size(); ++i) {
        const Channel& c = plan.channels[i];
        const double level = threshold + kOffsets[i % std::size(kOffsets)] -
                             0.3 * std::floor(static_cast<double>(i) / 16.0);
        records.push_back({c.name.substr(0, 3), c.frequency, c.bandwidth, FixedText(level, 1)});
    }
    return records;
}

Logger MakeLogger(std::string time, std::string date, std::string name, const Plan& plan,
                  std::string unit, int threshold, std::size_t records, double top) {
    Logger logger;
    logger.time = std::move(time);
    logger.date = std::move(date);
    logger.name = std::move(name);
    logger.planName = plan.name;
    logger.levelUnit = std::move(unit);
    logger.threshold = threshold;
    logger.records = RecordsAlong(plan, records, top);
    return logger;
}

}  // namespace

Instrument::Instrument()
    : radio_{TelevisionPlan(), FmPlan(), DabPlan()}, plc_{PowerLinePlan(), HomeNetworkPlan()} {
    radioLoggers_[0] = MakeLogger("09:15:02", "14-03-2013", "ROOF1", radio_[0], "dBuV", 45, 0, 0);
    radioLoggers_[0]->records = SurveyAlong(radio_[0], 40, 45);
    radioLoggers_[3] =
        MakeLogger("11:42:37", "14-03-2013", "LOBBY", radio_[1], "dBm", -60, 5, -38.5);
    radioLoggers_[17] = MakeLogger("16:05:59", "02-04-2013", "EMPTY", radio_[0], "dBuV", 35, 0, 0);
    radioLoggers_[49] =
        MakeLogger("23:59:59", "31-12-2013", "LASTSLOT", radio_[2], "dBm", -75, 3, -52.0);
    plcLoggers_[1] = MakeLogger("08:00:00", "20-05-2013", "MAIN", plc_[0], "dBuV", 30, 4, 55.3);
    plcLoggers_[20] = MakeLogger("13:30:12", "21-05-2013", "PANEL2", plc_[1], "dBm", -70, 2, -61.2);
}

Instrument Instrument::Empty() {
    Instrument instrument;
    instrument.radio_.clear();
    instrument.plc_.clear();
    for (int slot = 0; slot < kLoggerSlots; ++slot) {
        instrument.radioLoggers_[slot].reset();
        instrument.plcLoggers_[slot].reset();
    }
    return instrument;
}

std::vector<Plan>& Instrument::plans(int type) {
    if (type == kRadio) return radio_;
    if (type == kPlc) return plc_;
    throw std::invalid_argument("plan type " + std::to_string(type));
}

const std::vector<Plan>& Instrument::plans(int type) const {
    return const_cast<Instrument*>(this)->plans(type);
}

std::optional<Logger>& Instrument::logger(int type, int slot) {
    if (slot < 0 || slot >= kLoggerSlots) throw std::out_of_range("slot " + std::to_string(slot));
    if (type == kRadio) return radioLoggers_[slot];
    if (type == kPlc) return plcLoggers_[slot];
    throw std::invalid_argument("logger type " + std::to_string(type));
}

const std::optional<Logger>& Instrument::logger(int type, int slot) const {
    return const_cast<Instrument*>(this)->logger(type, slot);
}

// ---- what it received ---------------------------------------------------------------

std::string Instrument::CommandOf(const Report& out) {
    char buf[16];
    if (out[1] != 3) {
        std::snprintf(buf, sizeof buf, "<LOADER %02X>", out[1]);
        return buf;
    }
    switch (out[2]) {
        case kCodeIOVersion:
            return "<IOV>";
        case kCodeBlock:
            // The record's bytes may hold CR and zero; only its head is text.
            return std::string(out.begin() + 3, out.begin() + 8);
        case kCodeCommand:
        case kCodeErase:
        case kCodeQuery: {
            std::string text;
            for (std::size_t i = 3; i < kReportSize && out[i] != kCR && out[i] != 0; ++i)
                text.push_back(static_cast<char>(out[i]));
            return text;
        }
        default:
            std::snprintf(buf, sizeof buf, "<CODE %d>", out[2]);
            return buf;
    }
}

std::vector<std::string> Instrument::commands() const {
    std::vector<std::string> list;
    list.reserve(received.size());
    for (const Report& r : received) list.push_back(CommandOf(r));
    return list;
}

// ---- the exchange ---------------------------------------------------------------------

std::optional<Report> Instrument::handle(const Report& out) {
    received.push_back(out);
    const int n = static_cast<int>(received.size());
    if (onReport) onReport(n);
    if (silentFrom && n >= *silentFrom && (!silentFor || n < *silentFrom + *silentFor))
        return std::nullopt;
    if (out[1] != 3) {
        loaderReport(out);  // the loader acknowledges nothing
        return std::nullopt;
    }
    return reply(out);
}

Report Instrument::reply(const Report& out) {
    const std::uint8_t code = out[2];
    if (code == kCodeIOVersion) {
        Report in{};
        std::size_t n = std::min(ioVersion.size(), kReportSize - 4);
        std::copy_n(ioVersion.begin(), n, in.begin() + 3);
        return in;
    }
    if (code == kCodeQuery) {
        const std::string command = CommandOf(out);
        if (auto it = textFor.find(command); it != textFor.end()) return textReply(it->second);
        return textReply(answerQuery(command));
    }
    if (code != kCodeCommand && code != kCodeBlock && code != kCodeErase) return statusReply(0);

    const std::string command = CommandOf(out);
    auto act = [&]() -> std::uint8_t {
        if (code == kCodeBlock) return acceptRecord(out);
        if (code == kCodeErase) return erase(command);
        return answerCommand(command);
    };
    if (auto forced = statusFor.find(command); forced != statusFor.end()) {
        // A refused command changes nothing; an accepted one does what it says.
        if (forced->second == 1) (void)act();
        return statusReply(forced->second);
    }
    return statusReply(act());
}

Report Instrument::statusReply(std::uint8_t status) const {
    Report in{};
    in[kStatusByte] = status;
    return in;
}

Report Instrument::textReply(const std::string& text) const {
    Report in{};
    if (text.empty()) return in;
    std::size_t n = std::min(text.size(), kMaxReplyText);
    std::copy_n(text.begin(), n, in.begin() + kQueryTextOffset);
    in[kQueryTextOffset + n] = kCR;
    return in;
}

// ---- commands ---------------------------------------------------------------------------

std::uint8_t Instrument::answerCommand(const std::string& command) {
    for (const std::string& start : ignored)
        if (command.starts_with(start)) return 1;
    if (command == "*EC01" || command == "*EC02") {
        selectedType_ = command.back() - '0';
        return 1;
    }
    if (command == "*EP") {
        plans(selectedType_).clear();
        return 1;
    }
    if (command.starts_with("*SK")) {
        std::string text = command.substr(3);
        if (!IsClockText(text)) return 2;
        clock_ = text;
        return 1;
    }
    if (command == "*RS2") {
        bootMode_ = true;
        clearRecordsOnErase_ = true;
        return 1;
    }
    if (command == "*RS0") {
        bootMode_ = false;
        return 1;
    }
    return planCommand(command);
}

std::uint8_t Instrument::planCommand(const std::string& command) {
    std::vector<Plan>& list = plans(selectedType_);
    auto planAt = [&](char digit) -> Plan* {
        int p = digit - '0';
        return (p >= 0 && p <= 9 && p < static_cast<int>(list.size())) ? &list[p] : nullptr;
    };

    if (command == "*PM01" || command == "*PM00") {
        planWriteMode_ = command.back() == '1';
        return 1;
    }
    if (command.starts_with("*PN") && command.size() == 5) {
        int count = Number(std::string_view(command).substr(3));
        if (count < 0 || count > kMaxPlans) return 0;
        list.resize(count);  // new plans have no name and no channels
        return 1;
    }
    if (command.starts_with("*CS0") && command.size() >= 5) {
        Plan* plan = planAt(command[4]);
        if (!plan) return 0;
        plan->name = command.substr(5);
        return 1;
    }
    if (command.starts_with("*CW0") && command.size() == 8) {
        Plan* plan = planAt(command[4]);
        int count = Number(std::string_view(command).substr(5));
        if (!plan || count < 0) return 0;
        plan->channels.clear();
        plan->announcedChannels = count;
        return 1;
    }
    if (command.starts_with("*CF0") && command.size() >= 5) {
        // *CF0 p iii&name&freq&bw&flags
        Plan* plan = planAt(command[4]);
        if (!plan || plan->channels.size() >= kMaxChannels) return 0;
        std::vector<std::string_view> f = SplitAmpersands(std::string_view(command).substr(5));
        if (f.size() != 5) return 0;
        int index = Number(f[0]);
        if (index < 0) return 0;
        auto integer = [](std::string_view text) -> std::optional<std::int32_t> {
            if (text.starts_with('-') && AllDigits(text.substr(1))) return AtoL(text);
            if (!AllDigits(text)) return std::nullopt;
            return AtoL(text);
        };
        auto hz = integer(f[2]), bw = integer(f[3]), flags = integer(f[4]);
        if (!hz || !bw || !flags) return 0;
        plan->channels.push_back(Channel{index, std::string(f[1]), *hz, *bw, *flags});
        return 1;
    }
    return 0;
}

std::uint8_t Instrument::erase(const std::string& command) {
    if (command.size() != 4 || !command.starts_with("*FE") || !AllDigits(command.substr(3)))
        return 0;
    if (clearRecordsOnErase_) {
        firmwareRecords.clear();
        recordCount_ = 0;
        refused_.clear();
        clearRecordsOnErase_ = false;
    }
    erasedSectors.insert(command[3] - '0');
    return 1;
}

std::uint8_t Instrument::acceptRecord(const Report& out) {
    // *SXS, the type character, the byte count n, n bytes; then CR and 0.
    static constexpr std::string_view kHead = "*SXS";
    if (!std::equal(kHead.begin(), kHead.end(), out.begin() + 3)) return 0;
    std::size_t n = out[8];
    if (9 + n + 1 >= kReportSize || out[9 + n] != kCR) return 0;
    int number = recordCount_ + 1;
    if (auto r = refuseRecord.find(number);
        r != refuseRecord.end() && refused_[number] < r->second) {
        ++refused_[number];
        return 2;
    }
    firmwareRecords.emplace_back(out.begin() + 3, out.begin() + 9 + n);
    ++recordCount_;
    return 1;
}

// ---- queries ----------------------------------------------------------------------------

std::string Instrument::answerQuery(const std::string& command) {
    if (!command.starts_with("*?")) {
        // Write commands sent as queries (the raw command window, the plan transfers).
        return answerCommand(command) == 1 ? "OK" : "";
    }
    const std::string echo = command.substr(1, 3);  // "?NS", "?CF" ...
    const std::string_view args =
        std::string_view(command).substr(std::min<std::size_t>(4, command.size()));
    const std::vector<Plan>& list = plans(selectedType_);

    if (command == "*?VE") return echo + (bootMode_ ? " BOOT V1.0" : "ZV-318" + zvVersion);
    if (command == "*?NS") return echo + serial;
    if (command == "*?PN") return echo + std::to_string(list.size());
    if (command.starts_with("*?CS")) {
        // *?CS0p
        int p = args.size() == 2 && args[0] == '0' ? Number(args.substr(1)) : -1;
        return echo + (p >= 0 && p < static_cast<int>(list.size()) ? list[p].name : "");
    }
    if (command.starts_with("*?CU")) {
        int p = args.size() <= 2 ? Number(args) : -1;
        return echo + (p >= 0 && p < static_cast<int>(list.size())
                           ? std::to_string(list[p].channels.size())
                           : "");
    }
    if (command.starts_with("*?CF")) return echo + channelReply(command);
    if (command == "*?LT") return echo + presenceReply();
    if (command.starts_with("*?HL")) return echo + headerReply(command);
    if (command.starts_with("*?HD")) return echo + recordReply(command);
    return "";
}

std::string Instrument::channelReply(const std::string& command) const {
    // *?CF pp ccc -> one leading character, name&Hz&Hz&flags
    if (command.size() != 9) return "";
    int p = Number(std::string_view(command).substr(4, 2));
    int c = Number(std::string_view(command).substr(6, 3));
    const std::vector<Plan>& list = plans(selectedType_);
    if (p < 0 || c < 0 || p >= static_cast<int>(list.size())) return "";
    const std::vector<Channel>& channels = list[p].channels;
    if (c >= static_cast<int>(channels.size())) return "";
    const Channel& ch = channels[c];
    return "#" + ch.name + "&" + std::to_string(ch.frequency) + "&" + std::to_string(ch.bandwidth) +
           "&" + std::to_string(ch.flags);
}

Logger SampleLogger(const std::string& name, int records, const std::string& unit, int threshold) {
    Logger lg{"10:20:30", "01-02-2013", name, "TV1", unit, threshold, {}};
    for (int k = 0; k < records; ++k) {
        lg.records.push_back({"C" + std::to_string(k % 100), 474'000'000 + 8'000'000 * (k % 60),
                              8'000'000, FixedText(-40.0 - k / 10.0, 1)});
    }
    return lg;
}

std::string Instrument::presenceReply() const {
    // Nine characters of six slot bits each; bit 6 keeps a flag from being 0 or CR.
    std::string flags(9, '\x40');
    for (int slot = 0; slot < kLoggerSlots; ++slot)
        if (logger(selectedType_, slot))
            flags[slot / 6] = static_cast<char>(flags[slot / 6] | (1 << (slot % 6)));
    return flags;
}

std::string Instrument::headerReply(const std::string& command) const {
    // *?HL ss -> ss, time, date and name&plan&count&unit&threshold, with one separator
    // character between the first three.
    if (command.size() != 6) return "";
    int slot = Number(std::string_view(command).substr(4, 2));
    if (slot < 0 || slot >= kLoggerSlots) return "";
    const std::optional<Logger>& lg = logger(selectedType_, slot);
    if (!lg) return "";
    return TwoDigits(slot) + " " + lg->time + " " + lg->date + " " + lg->name + "&" + lg->planName +
           "&" +
           (statedCounts.contains(slot) ? statedCounts.at(slot)
                                        : std::to_string(lg->records.size())) +
           "&" + lg->levelUnit + "&" + std::to_string(lg->threshold);
}

std::string Instrument::recordReply(const std::string& command) const {
    // *?HD ss kkk -> &channel&Hz&Hz&power (the echo before the first "&" is the leading field)
    if (command.size() != 9) return "";
    int slot = Number(std::string_view(command).substr(4, 2));
    int k = Number(std::string_view(command).substr(6, 3));
    if (slot < 0 || slot >= kLoggerSlots || k < 0) return "";
    const std::optional<Logger>& lg = logger(selectedType_, slot);
    if (!lg || k >= static_cast<int>(lg->records.size())) return "";
    const LoggerRecord& r = lg->records[k];
    return "&" + r.channel + "&" + std::to_string(r.frequency) + "&" + std::to_string(r.bandwidth) +
           "&" + r.power;
}

// ---- the IO Interface loader ------------------------------------------------------------

std::vector<std::uint8_t> Instrument::loaderMemory() const {
    constexpr std::size_t kLoaderMemorySize = 0x20000;
    std::vector<std::uint8_t> memory(kLoaderMemorySize, 0xFF);
    for (const auto& [address, block] : flash)
        for (std::size_t i = 0; i < block.size() && address + i < kLoaderMemorySize; ++i)
            memory[address + i] = block[i];
    return memory;
}

void Instrument::loaderReport(const Report& out) {
    const std::uint8_t command = out[1];
    if (command == kLoaderMode) {
        if (out[7] == 1) loaderMode_ = true;
        if (out[7] == 0) loaderMode_ = false;
        return;
    }
    if (!loaderMode_) return;  // outside the loader these reports mean nothing
    if (command == kLoaderErase) {
        int page = out[7];
        erasedPages.insert(page);
        std::uint32_t from = static_cast<std::uint32_t>(page) * kFlashPageSize;
        flash.erase(flash.lower_bound(from), flash.lower_bound(from + kFlashPageSize));
        return;
    }
    if (command == kLoaderFirstHalf || command == kLoaderSecondHalf) {
        std::uint32_t address =
            static_cast<std::uint32_t>(out[2]) | static_cast<std::uint32_t>(out[3]) << 8 |
            static_cast<std::uint32_t>(out[4]) << 16 | static_cast<std::uint32_t>(out[5]) << 24;
        std::vector<std::uint8_t>& block = flash[address];
        block.resize(kFlashBlockSize, 0xFF);  // erased flash reads 0xFF
        std::size_t half = command == kLoaderFirstHalf ? 0 : kFlashBlockSize / 2;
        std::copy_n(out.begin() + 7, kFlashBlockSize / 2, block.begin() + half);
    }
}

}  // namespace zv318::sim
