#pragma once
// New loggers kept on plug-in, in the desktop program. When an instrument appears and the
// person has allowed it (asked once, at the first plug-in with the archive on; the File menu's
// check item changes it, kept in settings.txt), the loggers the archive lacks are downloaded and
// kept in the background: each step (an index, or one logger) runs as a command of the main
// window, and between two steps the window serves whatever the person started, so a command
// waits for at most the logger being read. A small window shows the progress with "Stop" and,
// at the end, how many loggers were kept with a button that shows them on the Archive page.

#include <QDialog>
#include <QObject>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archive/logger_pull.h"
#include "link/page_host.h"
#include "texts/language_table.h"

class QAction;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace zv318 {

class ArchiveKeeper;

inline constexpr char kPullSettingKey[] = "archive.pull";

// The progress of a run and, at its end, what it kept.
class PullNotice : public QDialog {
    Q_OBJECT

public:
    explicit PullNotice(QWidget* parent = nullptr);
    // Shows `message`, the window growing to hold all its lines (never shrinking while shown,
    // so that it does not jump between two steps).
    void say(const QString& message);

    QLabel* Text;
    QProgressBar* Bar;
    QPushButton* StopButton;
    QPushButton* ShowButton;
    QPushButton* CloseButton;
};

class LoggerPullRun : public QObject {
    Q_OBJECT

public:
    // `userFolder` holds settings.txt; `window` is the main window the notice stands over.
    LoggerPullRun(PageHost& host, ArchiveKeeper& keeper, const std::filesystem::path& userFolder,
                  QWidget* window);
    ~LoggerPullRun() override;

    void applyTranslation(const LanguageTable& table);
    // "Keep new loggers on plug-in": a check item for the File menu.
    [[nodiscard]] QAction* pullAction() const { return action_; }
    [[nodiscard]] PullNotice* notice() const { return notice_; }

    // The status refresh found an instrument it had not found before: asks once, then runs
    // when allowed and the archive keeps loggers.
    void InstrumentAppeared();
    // Starts a run now (nothing when one runs or the archive cannot take loggers).
    void Start();
    [[nodiscard]] bool running() const { return static_cast<bool>(pull_); }
    // Ends the run before its next step.
    void Stop();

    // The serial number and the loggers the last run kept.
    [[nodiscard]] const std::string& serial() const { return serial_; }
    [[nodiscard]] const std::vector<std::int64_t>& keptIds() const { return kept_; }

signals:
    // "Show in the archive".
    void showKept(const QString& serial, const std::vector<std::int64_t>& ids);
    // The run ended (also when nothing was new).
    void finished();

private:
    // A step's part on the instrument, as a command of the window; its part on the archive
    // then runs on the keeper's thread, and Advance() after it.
    void Step();
    void Advance();
    void Finish(int textEntry);
    [[nodiscard]] QString text(int entry) const;

    PageHost& host_;
    ArchiveKeeper& keeper_;
    std::filesystem::path settingsFile_;
    const LanguageTable* table_ = nullptr;
    QAction* action_;
    PullNotice* notice_;
    QTimer* timer_;
    std::shared_ptr<LoggerPull> pull_;  // shared with a part under way on the keeper's thread
    LoggerPull::Step last_ = LoggerPull::Step::Read;
    bool stop_ = false;
    bool settling_ = false;  // the archive's part of a step is under way
    std::string serial_;
    std::vector<std::int64_t> kept_;
};

}  // namespace zv318
