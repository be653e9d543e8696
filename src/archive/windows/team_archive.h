#pragma once
// The Archive page's part for the team archive on a PostgreSQL server: the "Server..." setting
// (the address kept in settings.txt, never a password), how many loggers wait on this PC, and
// their sending in the background once the server answers again.

#include <QObject>
#include <QString>
#include <QTimer>
#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QWidget;

#include "archive/server_password.h"
#include "texts/language_table.h"

class QPushButton;
class QWidget;

namespace zv318 {

// The "Server…" question's texts.
struct ServerQuestion {
    QString caption, label;
    QString passwordLabel;
    QString passwordKept;  // the password field's hint when the keyring holds one already
    QString noKeyring;     // no keyring service runs: how to use ~/.pgpass instead
};
// The answer: the address, and the password typed (empty: the one kept stays).
struct ServerAnswer {
    QString address, password;
};
// The "Server…" question: the team archive's address, typed under its explanation (wrapped to
// the main window's width), and the password for the keyring; nothing when cancelled. Whether
// a keyring runs, and holds a password for `current`, is asked beside the window: the dialog
// shows it when the answer comes.
[[nodiscard]] std::optional<ServerAnswer> AskServerAddress(QWidget* parent,
                                                           const ServerQuestion& question,
                                                           const QString& current);

class ArchiveKeeper;

class TeamArchiveControls : public QObject {
    Q_OBJECT
public:
    TeamArchiveControls(ArchiveKeeper& keeper, std::filesystem::path userFolder, QWidget* parent);
    // Waits for a send under way at most kSyncWaitOnCloseMs; one still running then goes on
    // by itself (a logger it had not sent yet stays pending) and tells nothing.
    ~TeamArchiveControls() override;
    static constexpr int kSyncWaitOnCloseMs = 2000;

    void applyTranslation(const LanguageTable& table);
    // "Waiting to be sent to the team archive: N", empty when nothing waits; below it why they
    // wait, in the words of the archive's notice, when that is known.
    [[nodiscard]] QString pendingText(int waiting) const;
    // Why the loggers wait (an archive notice and what it concerns): the page's own archive
    // found the server refusing or away, or the last send failed. Forgotten when a send goes
    // through, nothing waits any more or the address changes.
    void setCause(int notice, std::string detail);
    [[nodiscard]] bool hasCause() const { return cause_ != 0; }
    // Sends the waiting loggers in the background (every half minute by itself; whether any
    // wait is asked there too); when the server took them the keeper works on the server again
    // and changed() is emitted.
    void TrySync();
    [[nodiscard]] bool syncing() const { return busy_; }

    QPushButton* ServerButton;
    // How the address is asked and a message shown (dialogs; the tests answer themselves).
    std::function<std::optional<ServerAnswer>(const ServerQuestion& question,
                                              const QString& current)>
        askAddress;
    std::function<void(const QString& caption, const QString& text)> tell;

signals:
    void changed();
    // The cause of the waiting changed (a send failed, or found nothing to send).
    void causeChanged();

private:
    void ServerClick();
    // The setting takes effect (after the password typed with it is kept, or could not be).
    void UseSetting();
    void PasswordKept(const KeyringAnswer& answer);
    [[nodiscard]] QString text(int entry) const;

    ArchiveKeeper& keeper_;
    std::filesystem::path userFolder_;
    const LanguageTable* table_ = nullptr;
    QTimer timer_;
    struct Run;
    std::shared_ptr<Run> run_;  // the send under way, shared with its thread
    std::atomic<bool> busy_{false};
    int cause_ = 0;
    std::string causeDetail_;
};

// Sends left running by a closed window: the program waits for none of them, but ends without
// its global destructors while one is still using the databases.
[[nodiscard]] int SendsStillRunning();

}  // namespace zv318
