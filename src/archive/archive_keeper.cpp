#include "archive/archive_keeper.h"

#include "link/queries.h"

namespace zv318 {

ArchiveKeeper::ArchiveKeeper(ArchiveLocation where, Feedback& feedback,
                             const LanguageTable& language,
                             std::function<std::optional<InstrumentFacts>()> instrument)
    : where_(std::move(where)),
      feedback_(feedback),
      language_(language),
      instrument_(std::move(instrument)) {
    SetLoggerObserver(this);
}

ArchiveKeeper::~ArchiveKeeper() { SetLoggerObserver(nullptr); }

void ArchiveKeeper::Tell(int message, const std::string& detail) {
    // One notice per run: a failing archive must not bury the person in boxes.
    if (told_) return;
    told_ = true;
    feedback_.showNotice(ArchiveNotice(language_, message, detail));
}

Archive* ArchiveKeeper::archive() {
    if (where_.off()) return nullptr;
    if (!opened_) {
        opened_ = true;
        archive_ = std::make_unique<Archive>();
        archive_->Open(where_);
        if (archive_->notice() != 0) Tell(archive_->notice(), archive_->detail());
    }
    return archive_->usable() ? archive_.get() : nullptr;
}

void ArchiveKeeper::setLocation(ArchiveLocation where) {
    where_ = std::move(where);
    archive_.reset();
    opened_ = told_ = false;
}

void ArchiveKeeper::Keep(const std::string& bytes, const OpenLogger& logger,
                         const std::optional<InstrumentFacts>& instrument, int slot) {
    if (!enabled()) return;
    Archive* a = archive();
    if (!a || a->state() != Archive::State::Ready) return;  // told when it was opened
    const std::optional<Archive::Kept> kept = a->Keep(bytes, logger, instrument, slot);
    if (!kept) {
        Tell(kMessageArchiveNotKept, logger.name + ": " + a->detail());
        return;
    }
    if (kept->notice != 0) Tell(kept->notice, a->detail());  // kept here, to be sent
    if (kept->added) ++added_;
}

void ArchiveKeeper::LoggerDownloaded(const OpenLogger& logger, int slot) {
    if (!enabled()) return;
    Keep(LoggerFileText(logger), logger, instrument_ ? instrument_() : std::nullopt, slot);
}

void ArchiveKeeper::LoggerFileRead(const std::filesystem::path&, const std::string& bytes,
                                   const OpenLogger& logger) {
    Keep(bytes, logger, std::nullopt, -1);
}

std::function<std::optional<InstrumentFacts>()> InstrumentFactsOf(Link& link) {
    auto known = std::make_shared<InstrumentFacts>();
    return [&link, known]() -> std::optional<InstrumentFacts> {
        if (!link.IsOpen()) return std::nullopt;
        const std::string serial = GetSerialForRecords(link);
        if (serial.empty()) return std::nullopt;
        if (serial != known->serial)
            *known = {serial, link.ProductName(), GetIOVersion(link), GetZVVersion(link)};
        return *known;
    };
}

}  // namespace zv318
