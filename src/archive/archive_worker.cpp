#include "archive/archive_worker.h"

#include <QDateTime>
#include <QThread>
#include <algorithm>

namespace zv318 {

// Everything the worker's thread uses: it outlives the ArchiveWorker when closing cannot wait.
struct ArchiveWorker::Impl {
    QThread thread;
    QObject* host = new QObject;  // lives in `thread`: what runs there is queued to it
    QObject relay;                // lives in the window's thread: answers come through it
    ArchiveLocation where;        // used in `thread` only, as the rest below
    Archive::Integrity integrity = Archive::Integrity::CheckWhenDue;
    std::unique_ptr<Archive> archive;
    bool open = false;
};

ArchiveWorker::ArchiveWorker(ArchiveLocation where, QObject* parent,
                             Archive::Integrity integrity, OnClose onClose)
    : QObject(parent), impl_(new Impl), onClose_(onClose) {
    impl_->where = std::move(where);
    impl_->integrity = integrity;
    impl_->thread.setObjectName("archive");
    impl_->host->moveToThread(&impl_->thread);
    impl_->thread.start();
}

void ArchiveWorker::beginClose() {
    if (closingSince_ >= 0) return;
    closingSince_ = QDateTime::currentMSecsSinceEpoch();
    Impl* impl = impl_;
    // After the work queued before it: the connection ends in the thread that opened it.
    QMetaObject::invokeMethod(
        impl->host,
        [impl] {
            impl->archive.reset();
            impl->host->deleteLater();
            impl->thread.quit();
        },
        Qt::QueuedConnection);
}

ArchiveWorker::~ArchiveWorker() {
    beginClose();
    if (onClose_ == OnClose::FinishAll) {
        impl_->thread.wait();
        delete impl_;
        return;
    }
    const qint64 left = kWaitOnCloseMs - (QDateTime::currentMSecsSinceEpoch() - closingSince_);
    if (impl_->thread.wait(static_cast<unsigned long>(std::max<qint64>(0, left)))) delete impl_;
    // Else the work under way ends by itself (a server's time-out) and the thread with it.
}

void ArchiveWorker::setLocation(ArchiveLocation where) {
    Impl* impl = impl_;
    QMetaObject::invokeMethod(
        impl->host,
        [impl, where = std::move(where)] {
            impl->archive.reset();
            impl->where = where;
            impl->open = false;
        },
        Qt::QueuedConnection);
}

void ArchiveWorker::enqueue(std::function<std::function<void()>(Archive*)> job) {
    if (queued_++ == 0) emit busyChanged(true);
    Impl* impl = impl_;
    QPointer<ArchiveWorker> self(this);
    QMetaObject::invokeMethod(
        impl->host,
        [impl, self, job = std::move(job)] {
            Archive* archive = nullptr;
            if (!impl->where.off()) {
                if (!impl->open) {
                    impl->open = true;
                    impl->archive = std::make_unique<Archive>();
                    impl->archive->Open(impl->where, Archive::Schema::Use, impl->integrity);
                    if (const int message = impl->archive->notice(); message != 0) {
                        const QString detail = QString::fromStdString(impl->archive->detail());
                        QMetaObject::invokeMethod(
                            &impl->relay,
                            [self, message, detail] {
                                if (self) emit self->notice(message, detail);
                            },
                            Qt::QueuedConnection);
                    }
                }
                if (impl->archive->usable()) archive = impl->archive.get();
            }
            std::function<void()> answer = job(archive);
            QMetaObject::invokeMethod(
                &impl->relay,
                [self, answer = std::move(answer)] {
                    if (!self) return;
                    answer();
                    if (self) self->finished();
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

void ArchiveWorker::finished() {
    if (--queued_ == 0) emit busyChanged(false);
}

}  // namespace zv318
