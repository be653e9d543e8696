#pragma once
// The archive's work beside the window: one thread with its own connection (Qt SQL lets a
// connection be used only by the thread that opened it), where every query and change of the
// Archive page runs, so that the window's thread never waits on the archive. Work is queued and
// runs in order; its result comes back on the thread of the object that asked, and is dropped
// when that object is gone by then.

#include <QObject>
#include <QPointer>
#include <QThread>
#include <functional>
#include <memory>
#include <utility>

#include "archive/archive.h"

namespace zv318 {

class ArchiveWorker : public QObject {
    Q_OBJECT
public:
    explicit ArchiveWorker(ArchiveLocation where, QObject* parent = nullptr);
    // Waits for the work under way, then closes the connection in its own thread.
    ~ArchiveWorker() override;

    // Another place, or the same opened again: opened by the next work, after what is queued.
    void setLocation(ArchiveLocation where);

    // Runs `work` on the worker's thread with the archive (nullptr when it cannot be used),
    // then `done` with its result on the window's thread, unless `context` is gone by then.
    template <class Result>
    void post(std::function<Result(Archive*)> work, QObject* context,
              std::function<void(Result)> done) {
        started();
        QPointer<QObject> guard(context);
        QMetaObject::invokeMethod(
            host_,
            [this, work = std::move(work), guard, done = std::move(done)] {
                auto result = std::make_shared<Result>(work(opened()));
                QMetaObject::invokeMethod(
                    this,
                    [this, guard, done, result] {
                        if (guard && done) done(std::move(*result));
                        finished();
                    },
                    Qt::QueuedConnection);
            },
            Qt::QueuedConnection);
    }

    // Work queued or under way.
    [[nodiscard]] bool busy() const { return queued_ > 0; }

signals:
    // The worker began or ended a stretch of work (the page shows it is busy).
    void busyChanged(bool busy);
    // What opening the archive had to tell (its notice, what it concerns), once per opening.
    void notice(int message, const QString& detail);

private:
    // On the worker's thread: the archive, opened at first use.
    Archive* opened();
    void started();
    void finished();

    QThread thread_;
    QObject* host_;          // lives in thread_: what runs there is queued to it
    ArchiveLocation where_;  // used in thread_ only
    std::unique_ptr<Archive> archive_;
    bool open_ = false;
    int queued_ = 0;
};

}  // namespace zv318
