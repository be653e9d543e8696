#include "archive/logger_pull.h"

#include "link/queries.h"
#include "plans/plan_model.h"

namespace zv318 {

// The reception's and the download's messages are the pull's results, not boxes: a run in the
// background says what it did once, at its end.
class LoggerPull::Quiet : public Feedback {
public:
    explicit Quiet(Feedback& screen) : screen_(screen) {}
    void showMessage(int) override {}
    void showNotice(const std::string&) override {}
    bool askYesNo(int, int) override { return false; }
    Answer askYesNoCancel(int, int) override { return Answer::Cancel; }
    std::optional<std::string> chooseFile(const FileRequest&) override { return std::nullopt; }
    ProgressWindow& progress() override { return screen_.progress(); }
    void processEvents() override { screen_.processEvents(); }
    void setBusy(bool) override {}

private:
    Feedback& screen_;
};

LoggerPull::LoggerPull(Link& link, Feedback& feedback, const LanguageTable& language)
    : link_(link), language_(&language), quiet_(std::make_unique<Quiet>(feedback)) {
    for (auto& procedures : loggers_)
        procedures =
            std::make_unique<LoggerProcedures>(link, *quiet_, language, std::filesystem::path());
}

LoggerPull::~LoggerPull() = default;

std::string SkipReason(const LanguageTable& table, const PullSkip& skip) {
    return table.entry(kExtraEntryFirst + skip.reason);
}

std::string SkippedNotice(const LanguageTable& table, const std::vector<PullSkip>& skipped) {
    if (skipped.empty()) return {};
    std::string text = table.entry(kExtraEntryFirst + kMessagePullSkipped);
    for (const PullSkip& skip : skipped) {
        text += "\n" + TypeLabelFor(skip.type) + " " + std::to_string(skip.slot);
        if (!skip.name.empty()) text += " (" + skip.name + ")";
        text += ": " + SkipReason(table, skip);
    }
    return text;
}

bool LoggerPull::complete() const {
    // A run ends early only when something stopped it (an unplug, a refusal).
    return prepared() && !ended_ && !pending_ && next_ >= missing_.size() && skipped_.empty();
}

bool LoggerPull::finished() const {
    return !pending_ && (ended_ || (prepared() && next_ >= missing_.size()));
}

LoggerPull::Step LoggerPull::Next() {
    if (finished() || pending_) return Step::Lost;
    if (indexesRead_ < 2) {
        const Step step = ReadIndex(indexesRead_ == 0 ? kRadioLogger : kPlcLogger);
        if (step != Step::Read) ended_ = true;
        return step;
    }
    const Step step = PullOne(missing_[next_++]);
    if (step == Step::Lost) ended_ = true;
    return step;
}

LoggerPull::Step LoggerPull::Next(Archive& archive) {
    const Step step = Next();
    return pending_ ? Settle(&archive) : step;
}

LoggerPull::Step LoggerPull::Settle(Archive* archive) {
    if (!pending_) return Step::Read;
    const Pending pending = std::move(*pending_);
    pending_.reset();
    if (!archive || archive->state() != Archive::State::Ready) {
        ended_ = true;
        return Step::NoArchive;
    }
    const Step step = pending.logger ? SettleLogger(*archive, *pending.logger, pending.slot)
                                     : SettleIndex(*archive, pending.indexType);
    if (step == Step::NotKept) ended_ = true;
    return step;
}

LoggerPull::Step LoggerPull::ReadIndex(int type) {
    if (type == kRadioLogger) {
        if (!link_.FindInstrument()) return Step::Lost;
        const std::optional<InstrumentIdentity> who = QueryInstrumentIdentity(link_);
        if (!link_.IsOpen()) return Step::Lost;
        if (!who) return Step::NoSerial;
        identity_ = *who;
    }
    if (loggers_[type - 1]->ReceiveLoggers(type) != LoggerOutcome::Done) return Step::Lost;
    pending_ = Pending{type, std::nullopt, -1};
    return Step::Read;
}

LoggerPull::Step LoggerPull::SettleIndex(Archive& archive, int type) {
    if (type == kRadioLogger) {
        ArchiveFilter mine;
        mine.serial = identity_.serial;
        held_ = archive.List(mine);
    }
    LoggerProcedures& loggers = *loggers_[type - 1];
    const LoggerTable& table = loggers.table();
    for (int row = 1; row <= table.ListedLoggerCount(); ++row) {
        const int slot = table.LoggerRowMap(row);
        const LoggerIndexEntry& header = loggers.entry(slot);
        if (Held(archive, header, type, slot))
            ++alreadyKept_;
        else
            missing_.push_back({type, row, header});
    }
    ++indexesRead_;
    return Step::Read;
}

bool LoggerPull::Held(Archive& archive, const LoggerIndexEntry& header, int type, int slot) const {
    const std::string typeText = TypeLabelFor(type);
    const std::optional<std::string> measured = MeasuredAt(header.date, header.time);
    // The threshold and its unit as the archive reads them from a kept logger of this header.
    OpenLogger asKept;
    asKept.thresholdText = ThresholdText(header);
    const LoggerReadings level = ReadingsOf(asKept);
    for (const ArchivedLogger& a : held_) {
        if (a.type != typeText || a.slot != slot || a.name != header.name ||
            a.plan != header.planName || a.records != header.recordCount || a.unit != level.unit ||
            a.threshold != level.threshold)
            continue;
        if (measured || a.measuredAt) {
            if (a.measuredAt == measured) return true;
            continue;
        }
        // A date the archive cannot read as one: the texts as the instrument sent them.
        const std::optional<OpenLogger> kept = archive.Logger(a.id);
        if (kept && kept->date == header.date && kept->time == header.time) return true;
    }
    return false;
}

LoggerPull::Step LoggerPull::PullOne(const PullItem& item) {
    OpenLogger logger;
    LoggerProcedures& loggers = *loggers_[item.type - 1];
    const int loaded = loggers.DownloadLogger(item.row, item.type, logger);
    if (loaded == kLoggerLost) return Step::Lost;
    if (loaded != kLoggerLoaded) {
        // A listed row of a known type: what fails is the header, or else a record.
        skipped_.push_back(
            {item.type, loggers.table().LoggerRowMap(item.row), item.header.name,
             loaded == kLoggerDamaged ? kDamagedLoggerHeader : kMessageDamagedRecord});
        return Step::Skipped;
    }
    pending_ = Pending{0, std::move(logger), loggers.table().LoggerRowMap(item.row)};
    return Step::Read;
}

LoggerPull::Step LoggerPull::SettleLogger(Archive& archive, const OpenLogger& logger, int slot) {
    const std::optional<Archive::Kept> kept =
        archive.Keep(LoggerFileText(logger), logger, identity_, slot);
    if (!kept) {
        refusal_ = logger.name + ": " + archive.detail();
        return Step::NotKept;
    }
    if (!kept->added) return Step::AlreadyKept;
    kept_.push_back(kept->id);
    return Step::Read;
}

}  // namespace zv318
