#include "app/single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QThread>
#include <memory>
#include <optional>

#include "link/instrument_lock.h"
#include "link/runtime_folder.h"
#include "texts/qt_path.h"
#include "texts/text_file.h"

#ifdef _WIN32
#include <QProcessEnvironment>
#endif

namespace zv318 {

namespace {

// A knock holds a kind and a path; anything longer is no knock of ours.
constexpr qint64 kMaxKnockBytes = qint64{64} * 1024;

QByteArray KindWord(HandedFile::Kind kind) {
    switch (kind) {
        case HandedFile::Plan:
            return "plan";
        case HandedFile::Image:
            return "image";
        case HandedFile::None:
            break;
    }
    return "front";
}

// "KIND\nPATH": the path may hold any character but the end of the message ends it.
HandedFile ParseKnock(const QByteArray& knock) {
    HandedFile file;
    const qsizetype end = knock.indexOf('\n');
    const QByteArray kind = end < 0 ? knock : knock.left(end);
    file.path = end < 0 ? QString() : QString::fromUtf8(knock.mid(end + 1));
    if (file.path.isEmpty() || !QDir::isAbsolutePath(file.path)) return {};
    if (kind == "plan") file.kind = HandedFile::Plan;
    if (kind == "image") file.kind = HandedFile::Image;
    if (file.kind == HandedFile::None) file.path.clear();
    return file;
}

}  // namespace

SingleInstance::SingleInstance(const std::filesystem::path& dataFolder, const std::string& mode) {
    std::error_code ec;
    std::filesystem::path folder = std::filesystem::weakly_canonical(dataFolder, ec);
    if (ec) folder = dataFolder;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(QStringFromPath(folder).toUtf8());
    hash.addData(QByteArrayView("\n", 1));
    hash.addData(QByteArray::fromStdString(mode));
    const QString key = QString::fromLatin1(hash.result().toHex().left(16));
#ifdef _WIN32
    // Pipe names are the session's own.
    const QString user = QProcessEnvironment::systemEnvironment().value(QStringLiteral("USERNAME"));
    name_ = QStringLiteral("zv318-desktop-") + user + QLatin1Char('-') + key;
#else
    // Only in a runtime folder checked to be the person's own; never a bare name, which Qt
    // would place in the shared temporary folder.
    if (const std::optional<std::filesystem::path> runtime = PersonalRuntimeFolder()) {
        lockFolder_ = QStringFromPath(*runtime);
        lockName_ = QStringLiteral("zv318-desktop-") + key + QStringLiteral(".lock");
        name_ = QDir(lockFolder_).filePath(QStringLiteral("zv318-desktop-") + key);
    }
#endif
}

SingleInstance::~SingleInstance() = default;

SingleInstance::Claim SingleInstance::ClaimName() {
    if (ours_) return Claim::Ours;
    if (name_.isEmpty()) return Claim::Unavailable;
#ifndef _WIN32
    LockAttempt attempt =
        TakeLockInFolder(PathToText(PathFromQString(lockFolder_)), lockName_.toStdString(), 0);
    if (attempt.outcome == LockOutcome::Busy) return Claim::Elsewhere;
    if (attempt.outcome != LockOutcome::Taken) return Claim::Unavailable;
    lock_ = std::move(attempt.lock);
    // Holding the lock, no running program listens on the socket: one left by a program that
    // ended is taken over.
    QLocalServer::removeServer(name_);
#endif
    if (!listen()) {
        lock_.reset();
        return Claim::Elsewhere;
    }
    ours_ = true;
    return Claim::Ours;
}

bool SingleInstance::HandOn(const HandedFile& file, int timeoutMs) {
    if (name_.isEmpty()) return false;
    // The one holding the name may still be on its way to listening.
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        if (knock(file, 1000)) return true;
        if (ClaimName() == Claim::Ours || clock.elapsed() >= timeoutMs) return false;
        QThread::msleep(50);
    }
}

bool SingleInstance::knock(const HandedFile& file, int timeoutMs) const {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(timeoutMs)) return false;
    QByteArray knock = KindWord(file.kind);
    if (file.kind != HandedFile::None) knock += '\n' + file.path.toUtf8();
    socket.write(knock);
    if (!socket.waitForBytesWritten(timeoutMs) && socket.bytesToWrite() > 0) return false;
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(timeoutMs);
    return true;
}

void SingleInstance::Listen(std::function<void(const HandedFile&)> onStart) {
    onStart_ = std::move(onStart);
    std::vector<HandedFile> early;
    early.swap(early_);
    for (const HandedFile& file : early) onStart_(file);
}

void SingleInstance::arrived(const HandedFile& file) {
    if (onStart_)
        onStart_(file);
    else
        early_.push_back(file);
}

bool SingleInstance::listen() {
    // Only this user may knock.
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_.listen(name_)) return false;
    QObject::connect(&server_, &QLocalServer::newConnection, &server_, [this] {
        while (QLocalSocket* knock = server_.nextPendingConnection()) {
            auto received = std::make_shared<QByteArray>();
            QObject::connect(knock, &QLocalSocket::readyRead, knock, [knock, received] {
                received->append(knock->readAll());
                if (received->size() > kMaxKnockBytes) knock->abort();
            });
            QObject::connect(knock, &QLocalSocket::disconnected, knock, [this, knock, received] {
                received->append(knock->readAll());
                if (received->size() <= kMaxKnockBytes) arrived(ParseKnock(*received));
                knock->deleteLater();
            });
        }
    });
    return true;
}

QString NoSingleInstanceNote(SingleInstance::Claim claim) {
    const QString why =
        claim == SingleInstance::Claim::Unavailable
            ? QStringLiteral(
                  "no runtime folder of this user's own was found (XDG_RUNTIME_DIR, "
                  "or runtime-USER in the temporary folder, owned by this user with "
                  "mode 0700)")
            : QStringLiteral("the program already running did not answer");
    return QStringLiteral(
               "zv318: %1: this window runs on its own, and nothing a later start is "
               "given is handed on to it.")
        .arg(why);
}

}  // namespace zv318
