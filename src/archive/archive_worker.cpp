#include "archive/archive_worker.h"

namespace zv318 {

ArchiveWorker::ArchiveWorker(ArchiveLocation where, QObject* parent)
    : QObject(parent), host_(new QObject), where_(std::move(where)) {
    thread_.setObjectName("archive");
    host_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, host_, &QObject::deleteLater);
    thread_.start();
}

ArchiveWorker::~ArchiveWorker() {
    // After the work queued before it: the connection ends in the thread that opened it.
    QMetaObject::invokeMethod(
        host_, [this] { archive_.reset(); }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
}

void ArchiveWorker::setLocation(ArchiveLocation where) {
    QMetaObject::invokeMethod(
        host_,
        [this, where = std::move(where)] {
            archive_.reset();
            where_ = where;
            open_ = false;
        },
        Qt::QueuedConnection);
}

Archive* ArchiveWorker::opened() {
    if (where_.off()) return nullptr;
    if (!open_) {
        open_ = true;
        archive_ = std::make_unique<Archive>();
        archive_->Open(where_);
        if (archive_->notice() != 0) {
            const int message = archive_->notice();
            const QString detail = QString::fromStdString(archive_->detail());
            QMetaObject::invokeMethod(
                this, [this, message, detail] { emit notice(message, detail); },
                Qt::QueuedConnection);
        }
    }
    return archive_->usable() ? archive_.get() : nullptr;
}

void ArchiveWorker::started() {
    if (queued_++ == 0) emit busyChanged(true);
}

void ArchiveWorker::finished() {
    if (--queued_ == 0) emit busyChanged(false);
}

}  // namespace zv318
