#pragma once
// What puts every logger the program comes to know into the archive: the observer the
// program sets for the logger procedures. The archive is opened at the first logger; a
// failure to keep one is told once as a notice and never fails the download or the save.

#include <functional>
#include <memory>
#include <optional>

#include "archive/archive.h"
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
    // The loggers added since the start (not those kept before).
    [[nodiscard]] int added() const { return added_; }
    // The archive, opened on first use; nothing when it cannot be used (told once).
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

    ArchiveLocation where_;
    Feedback& feedback_;
    const LanguageTable& language_;
    std::function<std::optional<InstrumentIdentity>()> instrument_;
    std::unique_ptr<Archive> archive_;
    bool opened_ = false, told_ = false, enabled_ = true;
    int added_ = 0;
};

// The facts of the instrument on `link`: its serial number asked at each call (one exchange),
// the model and both versions only when the serial is new to this run.
[[nodiscard]] std::function<std::optional<InstrumentIdentity>()> InstrumentIdentityOf(Link& link);

}  // namespace zv318
