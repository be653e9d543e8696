#pragma once
// The archive's work beside the window: one thread with its own connection (Qt SQL lets a
// connection be used only by the thread that opened it), where every query and change of the
// Archive page runs, so that the window's thread never waits on the archive. Work is queued and
// runs in order; its result comes back on the thread of the object that asked, and is dropped
// when that object is gone by then.

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <utility>

#include "archive/archive.h"

namespace zv318 {

class ArchiveWorker : public QObject {
    Q_OBJECT
public:
    // How long closing waits for the work under way (a server that does not answer is given up
    // on: the work ends by itself at its time-out).
    static constexpr int kWaitOnCloseMs = 2000;

    // How closing treats the work still queued: the page's reads are given up on after
    // kWaitOnCloseMs; the loggers handed over to be kept are each kept before the worker ends
    // (every step of theirs ends at its own time-out).
    enum class OnClose { GiveUp, FinishAll };

    // `integrity`: whether opening runs a due check of the whole file (the page's worker) or
    // leaves it to another connection (the keeper's).
    explicit ArchiveWorker(ArchiveLocation where, QObject* parent = nullptr,
                           Archive::Integrity integrity = Archive::Integrity::CheckWhenDue,
                           OnClose onClose = OnClose::GiveUp);
    // Waits for the work under way (see OnClose), then closes the connection in its own
    // thread.
    ~ArchiveWorker() override;

    // Starts closing (after the work queued so far); the destructor then waits only for what is
    // left of kWaitOnCloseMs, so that closing a page waits once for everything it runs.
    void beginClose();

    // Another place, or the same opened again: opened by the next work, after what is queued.
    void setLocation(ArchiveLocation where);

    // Runs `work` on the worker's thread with the archive (nullptr when it cannot be used),
    // then `done` with its result on the window's thread, unless `context` is gone by then.
    template <class Result>
    void post(std::function<Result(Archive*)> work, QObject* context,
              std::function<void(Result)> done) {
        QPointer<QObject> guard(context);
        enqueue([work = std::move(work), guard,
                 done = std::move(done)](Archive* a) -> std::function<void()> {
            auto result = std::make_shared<Result>(work(a));
            return [guard, done, result] {
                if (guard && done) done(std::move(*result));
            };
        });
    }

    // Work queued or under way.
    [[nodiscard]] bool busy() const { return queued_ > 0; }

signals:
    // The worker began or ended a stretch of work (the page shows it is busy).
    void busyChanged(bool busy);
    // What opening the archive had to tell (its notice, what it concerns), once per opening.
    void notice(int message, const QString& detail);

private:
    struct Impl;
    // Runs `job` on the worker's thread; what it returns runs on the window's thread.
    void enqueue(std::function<std::function<void()>(Archive*)> job);
    void finished();

    Impl* impl_;  // left to end by itself when closing cannot wait for it
    OnClose onClose_;
    int queued_ = 0;
    qint64 closingSince_ = -1;  // ms on the steady clock; -1: not closing
};

}  // namespace zv318
