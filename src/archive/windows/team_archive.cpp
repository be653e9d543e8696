#include "archive/windows/team_archive.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
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

namespace zv318 {

std::optional<QString> AskServerAddress(QWidget* parent, const QString& caption,
                                        const QString& label, const QString& current) {
    // The long explanation wraps, so the dialog stays within the main window at any scale.
    QDialog dialog(parent);
    dialog.setObjectName("ServerDialog");
    dialog.setWindowTitle(caption);
    auto* explanation = new QLabel(label, &dialog);
    explanation->setWordWrap(true);
    auto* edit = new QLineEdit(current, &dialog);
    edit->setObjectName("ServerAddress");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(explanation);
    layout->addWidget(edit);
    layout->addWidget(buttons);
    const int room = parent && parent->window() ? parent->window()->width() : 600;
    const int width = std::max(std::min(room - 40, 560), 300);
    explanation->setMinimumWidth(width - 24);
    dialog.setMaximumWidth(std::max(room - 20, width));
    dialog.adjustSize();
    edit->selectAll();
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return edit->text();
}

namespace {
constexpr int kServerTip = 1801;
constexpr int kServerButton = 1528, kAddressLabel = 1529, kWaitingLabel = 1530, kTeamCaption = 1531,
              kEnvironmentWins = 1532;
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
    askAddress = [parent](const QString& caption, const QString& label,
                          const QString& current) -> std::optional<QString> {
        return AskServerAddress(parent, caption, label, current);
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
        line += '\n' + QString::fromStdString(ArchiveNotice(*table_, cause_, causeDetail_));
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
    std::string address;
    for (;;) {
        const std::optional<QString> answer =
            askAddress(text(kTeamCaption), text(kAddressLabel), offered);
        if (!answer) return;
        address = answer->trimmed().toStdString();
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
        offered = *answer;
    }
    (void)UpdateUserSettings(settings, [&address](UserSettings& s) {
        if (address.empty())
            s.remove(kArchiveSettingKey);
        else
            s.set(kArchiveSettingKey, address);
    });
    if (std::getenv("ZV318_ARCHIVE")) {
        tell(text(kTeamCaption), text(kEnvironmentWins));
        return;
    }
    keeper_.setLocation(ArchiveLocationFromEnvironment(userFolder_));
    setCause(0, {});
    emit changed();
}

}  // namespace zv318
