#pragma once
// Keeps the loggers of a plugged instrument that the archive does not hold yet. It reads the
// instrument's serial number and its RADIO and PLC logger indexes, and takes a logger as kept
// only when the archive holds one of that serial that agrees with everything its header says:
// type, slot, name, plan, date, time, record count, threshold and level unit. The others are
// downloaded, each whole before it is kept in one transaction, so a run cut anywhere leaves no
// part of a logger in the archive; one that cannot be downloaded (a damaged header or record)
// is left out, and the run names it at its end. The run goes
// step by step (an index, then one logger a step), so that the window can serve a person's
// command between two steps. Nothing is written to the "Loggers" folder.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "archive/archive.h"
#include "link/feedback.h"
#include "link/link.h"
#include "loggers/logger_procedures.h"

namespace zv318 {

// The question asked once, at the first plug-in with the archive on, and its caption.
inline constexpr int kPullQuestionEntry = 1771;
inline constexpr int kPullCaptionEntry = 1772;

// Heading of the loggers a run left out, then one line each ("RADIO 3 (ROOF): reason").
inline constexpr int kMessagePullSkipped = 592;
// Why a logger was left out: its header (kDamagedLoggerHeader), or a record the instrument sent
// damaged.
inline constexpr int kMessageDamagedRecord = 861;

// One logger of the instrument that the archive lacks.
struct PullItem {
    int type = 0;  // kRadioLogger or kPlcLogger
    int row = 0;   // its row in that type's logger table
    LoggerIndexEntry header;
};

// A logger the run could not download, and the message that says why.
struct PullSkip {
    int type = 0;
    int slot = -1;
    std::string name;  // as the header named it (may be empty: a damaged header)
    int reason = 0;    // kDamagedLoggerHeader or kMessageDamagedRecord
};

// The reason's text, and the whole notice: the heading, then "TYPE SLOT (NAME): reason" a line.
[[nodiscard]] std::string SkipReason(const LanguageTable& table, const PullSkip& skip);
[[nodiscard]] std::string SkippedNotice(const LanguageTable& table,
                                        const std::vector<PullSkip>& skipped);

class LoggerPull {
public:
    // `feedback` gives the run its progress window; the reception's own messages ("no
    // loggers", "not found") are the pull's results instead of boxes.
    LoggerPull(Link& link, Feedback& feedback, const LanguageTable& language);
    ~LoggerPull();

    enum class Step {
        Read,         // an index read, or a logger downloaded and kept
        AlreadyKept,  // a logger downloaded that the archive turned out to hold
        Skipped,      // a damaged header or record: left out (skipped()), the run goes on
        Lost,         // the instrument stopped answering (unplugged): the run ends
        NotKept,      // the archive refused the logger (refusal() says why): the run ends
        NoSerial,     // the instrument did not say its serial number: the run ends
        NoArchive,    // the archive cannot be used (its opening told why): the run ends
    };
    // Each step has two parts. Next() talks to the instrument: the RADIO index (with the
    // serial number), the PLC index, then one logger of those the archive lacks. When it
    // leaves the archive a part (unsettled()), Settle() does it and gives the step's result:
    // the indexes' loggers held by the archive are told apart from the missing ones, a
    // downloaded logger is kept. The desktop program settles on the archive's own thread while
    // the window goes on; nothing else touches the run until then. Nothing once finished().
    Step Next();
    [[nodiscard]] bool unsettled() const { return pending_.has_value(); }
    Step Settle(Archive* archive);
    // Both parts with the archive at hand (the terminal).
    Step Next(Archive& archive);

    [[nodiscard]] bool finished() const;
    // Whether both indexes were read and settled (missing() is then complete).
    [[nodiscard]] bool prepared() const { return indexesRead_ == 2; }

    [[nodiscard]] const std::string& serial() const { return identity_.serial; }
    [[nodiscard]] const std::vector<PullItem>& missing() const { return missing_; }
    // How many listed loggers the archive held already.
    [[nodiscard]] int alreadyKept() const { return alreadyKept_; }
    // The loggers kept by this run, in the order they were kept.
    [[nodiscard]] const std::vector<std::int64_t>& keptIds() const { return kept_; }
    // How many of missing() have been taken (downloaded, skipped or kept).
    [[nodiscard]] int done() const { return static_cast<int>(next_); }
    // The loggers left out so far, in the order they were met.
    [[nodiscard]] const std::vector<PullSkip>& skipped() const { return skipped_; }
    // Every logger the archive lacked was taken and none was left out.
    [[nodiscard]] bool complete() const;
    // Why the archive refused the last logger (Step::NotKept): the logger's name and the
    // archive's words, the detail of the notice kMessageArchiveNotKept.
    [[nodiscard]] const std::string& refusal() const { return refusal_; }

private:
    // What a step left for the archive: an index to tell apart (its type), or a logger to keep.
    struct Pending {
        int indexType = 0;
        std::optional<OpenLogger> logger;
        int slot = -1;
    };
    Step ReadIndex(int type);
    Step PullOne(const PullItem& item);
    Step SettleIndex(Archive& archive, int type);
    Step SettleLogger(Archive& archive, const OpenLogger& logger, int slot);
    [[nodiscard]] bool Held(Archive& archive, const LoggerIndexEntry& header, int type,
                            int slot) const;

    class Quiet;
    Link& link_;
    const LanguageTable* language_ = nullptr;
    std::unique_ptr<Quiet> quiet_;
    std::unique_ptr<LoggerProcedures> loggers_[2];
    InstrumentIdentity identity_;
    std::vector<ArchivedLogger> held_;  // the archive's loggers of this serial
    std::vector<PullItem> missing_;
    std::vector<std::int64_t> kept_;
    std::vector<PullSkip> skipped_;
    std::optional<Pending> pending_;
    std::string refusal_;
    int indexesRead_ = 0;
    int alreadyKept_ = 0;
    std::size_t next_ = 0;
    bool ended_ = false;
};

}  // namespace zv318
