#include "archive/windows/team_archive.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "archive/archive_keeper.h"
#include "archive/archive_server.h"
#include "texts/user_settings.h"
#include "texts/menu_caption.h"

namespace zv318 {

std::optional<ServerAnswer> AskServerAddress(QWidget* parent, const ServerQuestion& question,
                                             const QString& current) {
    // The long explanation wraps, so the dialog stays within the main window at any scale.
    QDialog dialog(parent);
    dialog.setObjectName("ServerDialog");
    dialog.setWindowTitle(question.caption);
    auto* explanation = new QLabel(question.label, &dialog);
    explanation->setWordWrap(true);
    auto* edit = new QLineEdit(current, &dialog);
    edit->setObjectName("ServerAddress");
    auto* passwordLabel = new QLabel(question.passwordLabel, &dialog);
    passwordLabel->setWordWrap(true);
    auto* password = new QLineEdit(&dialog);
    password->setObjectName("ServerPassword");
    password->setEchoMode(QLineEdit::Password);
    passwordLabel->setBuddy(password);
    // Each caption takes the person to its field with a key of its own.
    QString keys;
    const QStringList captions = WithMnemonics({question.label, question.passwordLabel}, keys);
    explanation->setText(captions[0]);
    explanation->setBuddy(edit);
    passwordLabel->setText(captions[1]);
    auto* keyring = new QLabel(&dialog);
    keyring->setObjectName("KeyringNote");
    keyring->setWordWrap(true);
    keyring->setTextInteractionFlags(Qt::TextSelectableByMouse);
    keyring->hide();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(explanation);
    layout->addWidget(edit);
    layout->addWidget(passwordLabel);
    layout->addWidget(password);
    layout->addWidget(keyring);
    layout->addWidget(buttons);
    const int room = parent && parent->window() ? parent->window()->width() : 600;
    const int width = std::max(std::min(room - 40, 560), 300);
    explanation->setMinimumWidth(width - 24);
    dialog.setMaximumWidth(std::max(room - 20, width));
    dialog.adjustSize();
    edit->selectAll();
    // The keyring may take seconds to answer (or never): asked beside the window, its answer
    // shown when it comes, if the dialog is still there. Only the outcome crosses over.
    const ServerAddress address = ParseServerAddress(current.trimmed().toStdString());
    const std::string entry = address.problem == 0 ? PasswordEntry(address) : std::string();
    std::thread([entry, keyringNote = QPointer<QLabel>(keyring),
                 field = QPointer<QLineEdit>(password), question] {
        const KeyringAnswer answer = ReadServerPassword(entry);
        QMetaObject::invokeMethod(
            qApp,
            [keyringNote, field, question, outcome = answer.outcome, why = answer.why] {
                if (!keyringNote || !field) return;
                keyringNote->setProperty("keyringAnswered", true);
                if (outcome == KeyringAnswer::Done)
                    field->setPlaceholderText(question.passwordKept);
                if (outcome != KeyringAnswer::NoKeyring) return;
                // Nowhere to keep it: the field would only lose what is typed there.
                field->setEnabled(false);
                keyringNote->setText(question.noKeyring);
                keyringNote->setToolTip(QString::fromStdString(why));
                keyringNote->show();
                // Grown to hold the note, which came after the dialog took its size.
                keyringNote->window()->adjustSize();
            },
            Qt::QueuedConnection);
    }).detach();
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return ServerAnswer{edit->text(), password->text()};
}

namespace {
constexpr int kServerTip = 1801;
constexpr int kServerButton = 1528, kAddressLabel = 1529, kWaitingLabel = 1530, kTeamCaption = 1531,
              kEnvironmentWins = 1532;
constexpr int kPasswordLabel = 1870, kNoKeyring = 1871, kPasswordKept = 1873;
constexpr int kSyncEveryMs = 30000;
std::atomic<int> abandonedSends{0};
}  // namespace

int SendsStillRunning() {
    return abandonedSends.load();
}

struct TeamArchiveControls::Run {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false, abandoned = false;
};

TeamArchiveControls::TeamArchiveControls(ArchiveKeeper& keeper, std::filesystem::path userFolder,
                                         QWidget* parent)
    : QObject(parent), keeper_(keeper), userFolder_(std::move(userFolder)) {
    ServerButton = new QPushButton(parent);
    ServerButton->setObjectName("ServerButton");
    askAddress = [parent](const ServerQuestion& question,
                          const QString& current) -> std::optional<ServerAnswer> {
        return AskServerAddress(parent, question, current);
    };
    tell = [parent](const QString& caption, const QString& text) {
        QMessageBox::information(parent, caption, text);
    };
    connect(ServerButton, &QPushButton::clicked, this, &TeamArchiveControls::ServerClick);
    connect(&timer_, &QTimer::timeout, this, &TeamArchiveControls::TrySync);
    timer_.start(kSyncEveryMs);
}

TeamArchiveControls::~TeamArchiveControls() {
    if (!run_) return;
    std::unique_lock lock(run_->mutex);
    if (!run_->finished.wait_for(lock, std::chrono::milliseconds(kSyncWaitOnCloseMs),
                                 [this] { return run_->done; })) {
        run_->abandoned = true;
        ++abandonedSends;
    }
}

QString TeamArchiveControls::text(int entry) const {
    return table_ ? QString::fromStdString(table_->entry(entry)) : QString();
}

void TeamArchiveControls::applyTranslation(const LanguageTable& table) {
    table_ = &table;
    ServerButton->setText(text(kServerButton));
    ServerButton->setToolTip(text(kServerTip));
}

QString TeamArchiveControls::pendingText(int waiting) const {
    if (waiting <= 0) return {};
    QString line = text(kWaitingLabel) + ' ' + QString::number(waiting);
    if (cause_ != 0 && table_)
        line += '\n' +
                QString::fromStdString(ArchiveNoticeParts(*table_, cause_, causeDetail_).text);
    return line;
}

void TeamArchiveControls::setCause(int notice, std::string detail) {
    cause_ = notice;
    causeDetail_ = notice != 0 ? std::move(detail) : std::string();
}

void TeamArchiveControls::TrySync() {
    if (busy_ || keeper_.location().kind != ArchiveLocation::PostgreSql) return;
    busy_ = true;
    run_ = std::make_shared<Run>();
    // The connection (up to its time-out) and the sending run beside the window; each
    // archive of the send is opened and used in that thread only. Whatever goes wrong there
    // is a send that did not happen, never the end of the program.
    std::thread([this, run = run_, where = keeper_.location()] {
        bool waiting = true;
        SyncResult result;
        try {
            // Nothing waiting (the local archive is read for it here, never on the window's
            // thread): nothing to connect for.
            waiting = PendingLoggers(where) > 0;
            if (waiting) result = SyncPending(where);
        } catch (...) {
            result.notice = kMessageArchiveUnavailable;
        }
        const bool sent = waiting && result.notice == 0;
        const std::lock_guard lock(run->mutex);
        run->done = true;
        run->finished.notify_all();
        if (run->abandoned) {
            --abandonedSends;
            return;
        }
        // The window still waits for the answer (it cannot go before the lock is released).
        QMetaObject::invokeMethod(
            this,
            [this, sent, waiting, result] {
                busy_ = false;
                if (!sent) {
                    // Why they still wait, as the server answered this send.
                    setCause(waiting ? result.notice : 0, result.detail);
                    emit causeChanged();
                    return;
                }
                setCause(0, {});
                // On the server again: the keeper leaves this PC's archive (asked where the
                // keeper's archive lives, after the loggers handed over to it).
                keeper_.run<bool>([](Archive* a) { return a && a->offline(); }, this,
                                  [this](bool offline) {
                                      if (offline) keeper_.setLocation(keeper_.location());
                                  });
                emit changed();
            },
            Qt::QueuedConnection);
    }).detach();
}

void TeamArchiveControls::ServerClick() {
    const std::filesystem::path settings = UserSettings::FileIn(userFolder_);
    QString offered = QString::fromStdString(UserSettings::Load(settings).text(kArchiveSettingKey));
    const ServerQuestion question{text(kTeamCaption), text(kAddressLabel), text(kPasswordLabel),
                                  text(kPasswordKept), text(kNoKeyring)};
    std::string address, password;
    for (;;) {
        const std::optional<ServerAnswer> answer = askAddress(question, offered);
        if (!answer) return;
        address = answer->address.trimmed().toStdString();
        password = answer->password.toStdString();
        if (address.empty()) break;
        const ArchiveLocation where = ArchiveLocationFor(address, userFolder_);
        const int problem = where.kind == ArchiveLocation::PostgreSql
                                ? ParseServerAddress(address).problem
                                : kMessageArchiveBadAddress;
        if (problem == 0) break;
        // Never stored, and shown without its password; the question comes again with what
        // was typed, to be mended rather than typed anew.
        tell(text(kTeamCaption),
             QString::fromStdString(
                 ArchiveNotice(table_ ? *table_ : LanguageTable(), problem, where.describe())));
        offered = answer->address;
    }
    (void)UpdateUserSettings(settings, [&address](UserSettings& s) {
        if (address.empty())
            s.remove(kArchiveSettingKey);
        else
            s.set(kArchiveSettingKey, address);
    });
    if (address.empty() || password.empty()) {
        UseSetting();
        return;
    }
    // Kept in the keyring beside the window (it may take seconds, or ask to be unlocked); the
    // setting takes effect once the keyring answered, so the first connection has it.
    std::thread([entry = PasswordEntry(ParseServerAddress(address)), password,
                 self = QPointer<TeamArchiveControls>(this)] {
        const KeyringAnswer answer = KeepServerPassword(entry, password);
        QMetaObject::invokeMethod(
            qApp,
            [self, answer] {
                if (self) self->PasswordKept(answer);
            },
            Qt::QueuedConnection);
    }).detach();
}

void TeamArchiveControls::PasswordKept(const KeyringAnswer& answer) {
    if (answer.outcome != KeyringAnswer::Done)
        tell(text(kTeamCaption),
             text(kNoKeyring) +
                 (answer.why.empty() ? QString() : "\n" + QString::fromStdString(answer.why)));
    UseSetting();
}

void TeamArchiveControls::UseSetting() {
    if (std::getenv("ZV318_ARCHIVE")) {
        tell(text(kTeamCaption), text(kEnvironmentWins));
        return;
    }
    keeper_.setLocation(ArchiveLocationFromEnvironment(userFolder_));
    setCause(0, {});
    emit changed();
}

}  // namespace zv318
