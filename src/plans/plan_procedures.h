#pragma once
// Reading the instrument's channel plans into the plan list and ".temp" copies, sending a plan
// file to the instrument as a new plan, and deleting plans by rewriting the kept ones. The
// same object runs under the main window, under zv318ctl and under the tests.

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/feedback.h"
#include "link/link.h"
#include "plans/plan_list.h"
#include "plans/plan_model.h"
#include "texts/language_table.h"

namespace zv318 {

// How a plan operation ended, for callers that need more than the messages already shown
// (zv318ctl's exit status, the tests).
enum class PlanOutcome {
    Done,          // finished without a message
    Cancelled,     // the person cancelled the dialog or answered No; nothing was sent
    NotConnected,  // message 7: the instrument was not found or vanished on the way
    Failed,        // ended with another message
};

// The channel line tail ",name,frequency,bandwidth,ON|OFF" of a channel reply
// ("#name&Hz&Hz&flags", the first character carries no data), or "error" after message 13
// (a value missing or outside the type's limits) or message 25 (a type other than 1 or 2).
[[nodiscard]] std::string ChannelReplyToLine(std::string_view reply, int type, Feedback& feedback);
// The same without a message: 0 with the tail in `tail`, or the message that refuses the reply.
[[nodiscard]] int ChannelReplyTail(std::string_view reply, int type, std::string& tail);

// Turns the channel lines of one plan into the payloads of "*CF0" commands:
// "iii&name&frequency&bandwidth&128|0". A refused line gives "error" and two digits after
// message 14 (message 25 for error00):
//   00 type not 1 or 2           01 index outside 0-150      02 index not above the last one
//   03 RADIO frequency out of range                          04 PLC frequency out of range
//   05 frequency not above the last one                      06 RADIO bandwidth out of range
//   07 PLC bandwidth out of range                            08 state neither "ON" nor "OFF"
//   09 a name holding "&" or a control character, or too long for the command (the payload
//      has room for 55 characters)
class LineToChannelPayload {
public:
    explicit LineToChannelPayload(Feedback& feedback) : feedback_(&feedback) {}
    // A converter that only ever runs Quietly.
    LineToChannelPayload() = default;

    // `first` is true for the first channel line of a plan: it starts the plan afresh.
    [[nodiscard]] std::string operator()(std::string_view line, bool first, int type);
    // The same without a message: what a whole-file check uses before it tells anything.
    [[nodiscard]] std::string Quietly(std::string_view line, bool first, int type);

    // What the previous accepted line held; indices and frequencies must rise strictly.
    int LastSentIndex = -1;
    std::int32_t LastSentFrequency = 0;

private:
    Feedback* feedback_ = nullptr;
};

// True for what LineToChannelPayload gives for a refused line.
[[nodiscard]] inline bool IsPayloadError(std::string_view payload) {
    return payload.starts_with("error");
}

// The longest "*CF0" payload and plan name a command report has room for.
inline constexpr std::size_t kMaxPayloadLength = 55;
inline constexpr std::size_t kMaxSentNameLength = kMaxPlanFileNameLength;

// ---- checking a plan file before it is sent ----------------------------------------------

// A plan file checked line by line and ready to send.
struct PreparedPlan {
    int type = 0;
    std::string name;
    int count = 0;
    std::vector<std::string> payloads;
};

// Result codes of the check are the reader's kPlanFileUnreadable, kPlanBadType, kPlanBadCount,
// kPlanTooManyLines (more than 150 channels) and kPlanBadName (also for a name that cannot be
// a file name), and for a refused channel line c (counted from 0): 1000 × (c + 1) + the
// payload error number (1 to 9).

struct PlanFileCheck {
    int code = 0;     // 0: the plan can be sent
    int message = 0;  // the message that tells the refusal: 1, 13 or 14; 0 when accepted
    // What the progress window's note says about a refused line ("Error 05.3") or name (the
    // character no file name can hold); empty for the other refusals.
    std::string note;
    int line = 0;       // the file's line that is refused (1 the type, 2 the name, 3 the count)
    PreparedPlan plan;  // complete when accepted
    [[nodiscard]] bool accepted() const { return code == 0; }
};

// The notice that names the refused line of a plan file ("Line 4 of the plan file is refused;
// nothing was sent."), or "" when the refusal names no line.
inline constexpr int kEntryRefusedPlanLine = 1827;
[[nodiscard]] std::string RefusedLineNotice(const PlanFileCheck& check,
                                            const LanguageTable& language);

// The one check of a plan file, for sending it and for `zv318ctl plans check`: header, name
// and every channel line as "*CF0" payloads. Shows nothing; the caller tells `message`.
// `language` gives the note's words for a name fault (entries 1000, 1001).
[[nodiscard]] PlanFileCheck CheckPlanText(std::string text, const LanguageTable& language);
[[nodiscard]] PlanFileCheck CheckPlanFile(const std::filesystem::path& file,
                                          const LanguageTable& language);
// True when two checked plans hold the same type, name and channels in the same order (the
// channels' indices aside): a plan read back against the plan sent.
[[nodiscard]] bool SamePlan(const PreparedPlan& a, const PreparedPlan& b);

// The instrument did not take a plan sent whole: the plan read back differs from the file.
inline constexpr int kSendNotTakenWholeMessage = 251;

// The list entry's copy is not one the latest reading wrote whole: read the plans again.
inline constexpr int kOutdatedCopyMessage = 100;
// Two plans a deletion keeps have one copy file between them; followed by their entries.
inline constexpr int kSharedCopyMessage = 830;

class PlanProcedures {
public:
    PlanProcedures(Link& link, Feedback& feedback, const LanguageTable& language,
                   PlanListView& list, std::filesystem::path programFolder);

    // "Read equipment's channel plans": lists the RADIO and then the PLC plans and writes a
    // ".temp" copy of each in the program folder.
    PlanOutcome ReceiveButClick();
    // Stores the copies of every plan of the type the instrument is switched to: -1 when every
    // plan's channels were converted, the number of the plan at whose channel the conversion
    // failed (or the instrument vanished), -30 for a type other than 1 or 2.
    int SaveChannelPlans(int type);

    // "Load channel plan": asks for a file in the program folder and sends it as a new plan.
    PlanOutcome LoadButClick();
    // The same with the file already chosen (zv318ctl plans send FILE).
    PlanOutcome LoadPlanFile(const std::filesystem::path& file);

    // "Delete selected channel plans": erases both types and rewrites the plans not selected
    // in the list from their copies, once every copy has been read and checked.
    PlanOutcome DelSelButClick();

    // Erases both plan types and writes `plans` in their order, each as the next plan of its
    // type, then reads the plans again (what a restore of a backup does). Every plan has passed
    // CheckPlanText; more than ten of a type are refused (message 25) before anything is sent.
    PlanOutcome RewritePlans(const std::vector<PreparedPlan>& plans);

    [[nodiscard]] const std::filesystem::path& programFolder() const { return programFolder_; }

    // With true, a reading goes on past a plan whose channel cannot be converted, without a
    // message: that plan gets no whole copy (LatestReadingCopy says so), and the reading ends
    // Failed. What a backup needs, which keeps every plan that can be read.
    void setReadEveryPlan(bool every) { readEveryPlan_ = every; }

    // The ".temp" copy of list entry `index` when the latest reading wrote it whole; nothing
    // for a copy that reading did not write: an earlier reading's, one whose write failed, one
    // of a plan after the channel at which its type stopped, or one cut short. A deletion
    // keeps plans only from such copies; the editor opens a list entry's copy only then.
    [[nodiscard]] std::optional<std::filesystem::path> LatestReadingCopy(int index) const;

private:
    PlanOutcome SendPlanFile(const std::filesystem::path& file);
    // True when the latest reading holds `sent` as it was sent.
    [[nodiscard]] bool ReadBackMatches(const PreparedPlan& sent) const;
    // The writing part of a deletion and of RewritePlans, in the progress window they began.
    PlanOutcome WritePlans(const std::vector<PreparedPlan>& plans);
    // False as soon as the link is lost: nothing more is sent then.
    [[nodiscard]] bool SendPlan(int planNumber, const PreparedPlan& plan);
    // Each is false when the link is lost on the way.
    [[nodiscard]] bool SelectType(int type);
    [[nodiscard]] bool Send(const std::string& command);
    [[nodiscard]] bool ErasePlans();
    // Ends the progress window stopped (with `note`), then shows `message`.
    PlanOutcome Refuse(int message, const std::optional<std::string>& note = std::nullopt);
    // Forgets the copies of the listed plans that the reading just ended did not write.
    void RemoveUnwrittenCopies();
    [[nodiscard]] int PlanCount();
    [[nodiscard]] int ChannelCount(int plan);
    [[nodiscard]] bool Lost() const { return !link_.IsOpen(); }
    [[nodiscard]] bool WriteCopy(const std::optional<std::filesystem::path>& copy,
                                 const std::string& text);

    void BeginProgress(int captionEntry, int maximum);
    void EndProgress(int statusEntry, const std::optional<std::string>& note = std::nullopt);
    PlanOutcome EndLost();
    [[nodiscard]] const std::string& Entry(int n) const { return language_.entry(n); }

    Link& link_;
    Feedback& feedback_;
    const LanguageTable& language_;
    PlanListView& list_;
    std::filesystem::path programFolder_;
    bool copyFailed_ = false;  // a copy could not be written during the last reading
    bool readEveryPlan_ = false;
    // The copies the latest reading wrote, whole or cut short, by list position, with the
    // entry listed there then.
    struct ReadingCopy {
        std::string entry;
        std::filesystem::path file;
    };
    std::map<int, ReadingCopy> written_, whole_;
};

}  // namespace zv318
