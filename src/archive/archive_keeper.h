#pragma once
// What puts every logger the program comes to know into the archive: the observer the
// program sets for the logger procedures. The archive is opened at the first logger; a
// failure to keep one is told once as a notice and never fails the download or the save.
// The terminal keeps each logger as it comes; the desktop program hands them to a thread of
// the keeper's own (keepInBackground), so the window never waits on the archive, not even on
// a team archive's server that does not answer.

#include <QObject>
#include <functional>
#include <memory>
#include <optional>

#include "archive/archive.h"
#include "archive/archive_worker.h"
#include "link/feedback.h"
#include "link/link.h"
#include "loggers/logger_observer.h"

namespace zv318 {

class ArchiveKeeper : public LoggerObserver {
public:
    // `instrument`: the facts of the instrument a download came from, asked at each download
    // (nothing when they cannot be read; the logger is then kept without a serial).
    ArchiveKeeper(ArchiveLocation where, Feedback& feedback, const LanguageTable& language,
                  std::function<std::optional<InstrumentIdentity>()> instrument);
    ~ArchiveKeeper() override;

    void LoggerDownloaded(const OpenLogger& logger, int slot) override;
    void LoggerFileRead(const std::filesystem::path& path, const std::string& bytes,
                        const OpenLogger& logger) override;

    // Switched off (the menu's check item): nothing is kept until it is switched on.
    void setEnabled(bool on) { enabled_ = on; }
    [[nodiscard]] bool enabled() const { return enabled_ && !where_.off(); }
    // From now on the archive is opened, and every logger kept, on the keeper's own thread:
    // a logger is handed over and the download goes on. Every logger handed over is kept
    // before the keeper ends (finish() or its destruction waits for them).
    void keepInBackground();
    // Loggers handed over whose keeping has not been told back yet.
    [[nodiscard]] bool keeping() const { return worker_ && worker_->busy(); }
    // Waits until every logger handed over is kept (or refused); what they had to tell is
    // dropped (the window is going).
    void finish();

    // Runs `work` with the keeper's archive (nothing when it cannot be used): in the
    // background, after the loggers handed over before it, and `done` with its result on the
    // window's thread unless `context` is gone by then; otherwise both at once.
    template <class Result>
    void run(std::function<Result(Archive*)> work, QObject* context,
             std::function<void(Result)> done) {
        if (worker_) {
            worker_->post<Result>(std::move(work), context, std::move(done));
            return;
        }
        Result result = work(enabled() ? archive() : nullptr);
        if (done) done(std::move(result));
    }

    // The loggers added since the start (not those kept before).
    [[nodiscard]] int added() const { return added_; }
    // Told on the window's thread each time a logger is added (the Archive page reads again).
    void setAddedListener(std::function<void()> listener) { addedListener_ = std::move(listener); }
    // Loggers added through run() (the plug-in pull's): counted and told as the keeper's own.
    void noteAdded(int count);
    // The archive, opened on first use; nothing when it cannot be used (told once). Not in
    // the background: the archive is then the keeper's thread's alone (use run()).
    [[nodiscard]] Archive* archive();
    [[nodiscard]] const ArchiveLocation& location() const { return where_; }
    // Another place (the Archive page's setting), or the same opened again (the team archive's
    // server answers again): opened at the next use, its notice told again.
    void setLocation(ArchiveLocation where);

    // Tells a notice of the archive (once a run, as its opening does).
    void TellOnce(int message, const std::string& detail) { Tell(message, detail); }

private:
    void Keep(const std::string& bytes, const OpenLogger& logger,
              const std::optional<InstrumentIdentity>& instrument, int slot);
    void Tell(int message, const std::string& detail);
    // What keeping one logger had to tell, on the window's thread.
    void Settle(const std::optional<Archive::Kept>& kept, const std::string& name,
                const std::string& detail);

    ArchiveLocation where_;
    Feedback& feedback_;
    const LanguageTable& language_;
    std::function<std::optional<InstrumentIdentity>()> instrument_;
    std::function<void()> addedListener_;
    std::unique_ptr<Archive> archive_;
    std::unique_ptr<QObject> answers_;  // the background's answers come to it
    std::unique_ptr<ArchiveWorker> worker_;
    bool opened_ = false, told_ = false, enabled_ = true;
    int added_ = 0;
};

// The facts of the instrument on `link`: its serial number asked at each call (one exchange),
// the model and both versions only when the serial is new to this run.
[[nodiscard]] std::function<std::optional<InstrumentIdentity>()> InstrumentIdentityOf(Link& link);

}  // namespace zv318
