#include "app/ctl_archive_server.h"

#include <iostream>

#include "archive/archive_server.h"

namespace zv318 {

namespace {
constexpr int kDone = 0, kFailed = 1;
}

int ArchiveInit(TerminalFeedback& feedback, const LanguageTable& table,
                const ArchiveLocation& where) {
    Archive archive;
    archive.Open(where, Archive::Schema::Create);
    if (archive.notice() != 0)
        feedback.showNotice(ArchiveNotice(table, archive.notice(), archive.detail()));
    if (archive.state() != Archive::State::Ready) return kFailed;
    std::cout << "archive ready: schema version " << archive.schemaVersion() << " at "
              << TerminalText(where.describe()) << '\n';
    return kDone;
}

int ArchiveSync(TerminalFeedback& feedback, const LanguageTable& table,
                const ArchiveLocation& where) {
    const SyncResult r = SyncPending(where);
    if (r.sent.added + r.sent.alreadyThere > 0 || r.notice == 0)
        std::cout << "sent " << r.sent.added << " logger(s) to the team archive ("
                  << r.sent.alreadyThere << " already there), " << r.left << " still pending\n";
    if (r.notice != 0) {
        feedback.showNotice(ArchiveNotice(table, r.notice, r.detail));
        if (r.left > 0)
            feedback.showNotice(
                ArchiveNotice(table, kMessageArchivePending, std::to_string(r.left)));
        return kFailed;
    }
    return kDone;
}

void TellPending(TerminalFeedback& feedback, const LanguageTable& table, Archive& archive,
                 const ArchiveLocation& where) {
    const int pending =
        archive.offline() ? archive.PendingCount().value_or(0) : PendingLoggers(where);
    if (pending > 0)
        feedback.showNotice(ArchiveNotice(table, kMessageArchivePending, std::to_string(pending)));
}

}  // namespace zv318
