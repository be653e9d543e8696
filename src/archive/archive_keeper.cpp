#include "archive/archive_keeper.h"

#include "link/queries.h"

namespace zv318 {

ArchiveKeeper::ArchiveKeeper(ArchiveLocation where, Feedback& feedback,
                             const LanguageTable& language,
                             std::function<std::optional<InstrumentIdentity>()> instrument)
    : where_(std::move(where)),
      feedback_(feedback),
      language_(language),
      instrument_(std::move(instrument)) {
    SetLoggerObserver(this);
}

ArchiveKeeper::~ArchiveKeeper() {
    SetLoggerObserver(nullptr);
    finish();
}

void ArchiveKeeper::keepInBackground() {
    if (worker_) return;
    archive_.reset();
    opened_ = false;
    answers_ = std::make_unique<QObject>();
    // The window's thread never reads the whole file: a due check is the page's worker's.
    worker_ = std::make_unique<ArchiveWorker>(where_, nullptr, Archive::Integrity::Defer,
                                              ArchiveWorker::OnClose::FinishAll);
    QObject::connect(worker_.get(), &ArchiveWorker::notice, answers_.get(),
                     [this](int message, const QString& detail) {
                         Tell(message, detail.toStdString());
                     });
}

void ArchiveKeeper::finish() {
    if (!worker_) return;
    answers_.reset();  // nothing is told any more
    worker_.reset();   // waits for every logger handed over
}

void ArchiveKeeper::Tell(int message, const std::string& detail) {
    // One notice per run: a failing archive must not bury the person in boxes.
    if (told_) return;
    told_ = true;
    const NoticeParts parts = ArchiveNoticeParts(language_, message, detail);
    feedback_.showNoticeWithDetails(parts.text, parts.details);
}

Archive* ArchiveKeeper::archive() {
    if (where_.off() || worker_) return nullptr;
    if (!opened_) {
        opened_ = true;
        archive_ = std::make_unique<Archive>();
        // The window's thread never reads the whole file: a due check is the worker's.
        archive_->Open(where_, Archive::Schema::Use, Archive::Integrity::Defer);
        if (archive_->notice() != 0) Tell(archive_->notice(), archive_->detail());
    }
    return archive_->usable() ? archive_.get() : nullptr;
}

void ArchiveKeeper::setLocation(ArchiveLocation where) {
    where_ = std::move(where);
    archive_.reset();
    opened_ = told_ = false;
    // After the loggers handed over before it, which go where they were meant to.
    if (worker_) worker_->setLocation(where_);
}

void ArchiveKeeper::Settle(const std::optional<Archive::Kept>& kept, const std::string& name,
                           const std::string& detail) {
    if (!kept) {
        Tell(kMessageArchiveNotKept, name + ": " + detail);
        return;
    }
    if (kept->notice != 0) Tell(kept->notice, detail);  // kept here, to be sent
    if (kept->added) noteAdded(1);
}

void ArchiveKeeper::noteAdded(int count) {
    if (count <= 0) return;
    added_ += count;
    if (addedListener_) addedListener_();
}

void ArchiveKeeper::Keep(const std::string& bytes, const OpenLogger& logger,
                         const std::optional<InstrumentIdentity>& instrument, int slot) {
    if (!enabled()) return;
    struct Outcome {
        bool tried = false;  // the archive could be used (else its opening told why)
        std::optional<Archive::Kept> kept;
        std::string detail;
    };
    run<Outcome>(
        [bytes, logger, instrument, slot](Archive* a) {
            Outcome o;
            if (!a || a->state() != Archive::State::Ready) return o;
            o.tried = true;
            o.kept = a->Keep(bytes, logger, instrument, slot);
            o.detail = a->detail();
            return o;
        },
        answers_.get(), [this, name = logger.name](const Outcome& o) {
            if (o.tried) Settle(o.kept, name, o.detail);
        });
}

void ArchiveKeeper::LoggerDownloaded(const OpenLogger& logger, int slot) {
    if (!enabled()) return;
    Keep(LoggerFileText(logger), logger, instrument_ ? instrument_() : std::nullopt, slot);
}

void ArchiveKeeper::LoggerFileRead(const std::filesystem::path&, const std::string& bytes,
                                   const OpenLogger& logger) {
    Keep(bytes, logger, std::nullopt, -1);
}

std::function<std::optional<InstrumentIdentity>()> InstrumentIdentityOf(Link& link) {
    auto known = std::make_shared<InstrumentIdentity>();
    return [&link, known]() -> std::optional<InstrumentIdentity> {
        if (!link.IsOpen()) return std::nullopt;
        const std::string serial = GetSerialForRecords(link);
        if (serial.empty()) return std::nullopt;
        if (serial != known->serial)
            *known = {serial, link.ProductName(), GetIOVersion(link), GetZVVersion(link)};
        return *known;
    };
}

}  // namespace zv318
