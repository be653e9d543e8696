#include "archive/server_password.h"

#include <qt6keychain/keychain.h>

#include <QAbstractEventDispatcher>
#include <QEventLoop>
#include <QThread>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "archive/archive_server.h"

namespace zv318 {

namespace {

// The keyring's name for the program's entries (the Secret Service's "server" attribute, the
// Credential Store's target prefix).
constexpr char kKeyringService[] = "ZV-318 Software team archive";
constexpr int kLibpqPort = 5432;

// QtKeychain starts its jobs one at a time through an object of its own, made in the thread of
// the process's first job and told there when each job ends; the Secret Service's answers come
// through that thread's GLib context. So every job of the process runs on this one thread,
// whichever thread asks, and the asker waits with a time-out of its own. Nothing here goes
// through Qt's posted events: zv318ctl has no application object, without which a thread's
// events are never delivered. The thread runs its own queue of work and its event dispatcher
// (the GLib context the keyring's answers come through).
class KeyringThread final : public QThread {
public:
    static KeyringThread& Get() {
        // Never destroyed: a job the keyring never answers outlives any asker.
        static KeyringThread* thread = [] {
            auto* t = new KeyringThread;
            t->start();
            return t;
        }();
        return *thread;
    }
    void post(std::function<void()> work) {
        {
            const std::lock_guard lock(mutex_);
            work_.push_back(std::move(work));
        }
        wake();
    }

private:
    // Work posted before the thread runs is taken by its first round.
    void wake() {
        const std::lock_guard lock(mutex_);
        if (events_) events_->wakeUp();
    }
    void run() override {
        QAbstractEventDispatcher* events = QAbstractEventDispatcher::instance();
        {
            const std::lock_guard lock(mutex_);
            events_ = events;
        }
        for (;;) {
            std::vector<std::function<void()>> work;
            {
                const std::lock_guard lock(mutex_);
                work.swap(work_);
            }
            for (auto& w : work) w();
            if (work.empty()) events->processEvents(QEventLoop::WaitForMoreEvents);
        }
    }
    std::mutex mutex_;
    std::vector<std::function<void()>> work_;
    QAbstractEventDispatcher* events_ = nullptr;
};

struct Waiting {
    std::mutex mutex;
    std::condition_variable answered;
    bool done = false;
    KeyringAnswer answer;
};

KeyringAnswer Run(std::function<QKeychain::Job*()> make, std::chrono::milliseconds timeout) {
    auto waiting = std::make_shared<Waiting>();
    KeyringThread::Get().post([waiting, make = std::move(make)] {
        QKeychain::Job* job = make();
        job->setInsecureFallback(false);  // nothing in a file, ever
        // Deleted by the next round of the thread's work, once its end is told.
        job->setAutoDelete(false);
        QObject::connect(job, &QKeychain::Job::finished, job, [waiting](QKeychain::Job* j) {
            KeyringThread::Get().post([j] { delete j; });
            KeyringAnswer a;
            switch (j->error()) {
                case QKeychain::NoError:
                    a.outcome = KeyringAnswer::Done;
                    if (const auto* read = qobject_cast<QKeychain::ReadPasswordJob*>(j))
                        a.password = read->textData().toStdString();
                    break;
                case QKeychain::EntryNotFound:
                    a.outcome = KeyringAnswer::NoEntry;
                    break;
                default:
                    a.outcome = KeyringAnswer::NoKeyring;
                    a.why = j->errorString().toStdString();
                    break;
            }
            const std::lock_guard lock(waiting->mutex);
            waiting->answer = std::move(a);
            waiting->done = true;
            waiting->answered.notify_all();
        });
        // Job::start() would post its start as an event; the start itself, here and now.
        QMetaObject::invokeMethod(job, "doStart", Qt::DirectConnection);
    });
    std::unique_lock lock(waiting->mutex);
    if (!waiting->answered.wait_for(lock, timeout, [&] { return waiting->done; }))
        return {KeyringAnswer::NoKeyring,
                {},
                "the keyring did not answer within " +
                    std::to_string(std::chrono::ceil<std::chrono::seconds>(timeout).count()) +
                    " s"};
    return waiting->answer;
}

}  // namespace

std::string PasswordEntry(const ServerAddress& address) {
    const std::string host =
        address.host.find(':') != std::string::npos ? "[" + address.host + "]" : address.host;
    return address.user + "@" + host + ":" +
           std::to_string(address.port > 0 ? address.port : kLibpqPort) + "/" + address.database;
}

KeyringAnswer ReadServerPassword(const std::string& entry, std::chrono::milliseconds timeout) {
    return Run(
        [entry] {
            auto* job = new QKeychain::ReadPasswordJob(kKeyringService);
            job->setKey(QString::fromStdString(entry));
            return job;
        },
        timeout);
}

KeyringAnswer KeepServerPassword(const std::string& entry, const std::string& password,
                                 std::chrono::milliseconds timeout) {
    return Run(
        [entry, password] {
            auto* job = new QKeychain::WritePasswordJob(kKeyringService);
            job->setKey(QString::fromStdString(entry));
            job->setTextData(QString::fromStdString(password));
            return job;
        },
        timeout);
}

KeyringAnswer ForgetServerPassword(const std::string& entry, std::chrono::milliseconds timeout) {
    return Run(
        [entry] {
            auto* job = new QKeychain::DeletePasswordJob(kKeyringService);
            job->setKey(QString::fromStdString(entry));
            return job;
        },
        timeout);
}

}  // namespace zv318
