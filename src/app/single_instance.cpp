#include "app/single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>
#include <memory>

#include "texts/qt_path.h"

#ifdef _WIN32
#include <QProcessEnvironment>
#endif

namespace zv318 {

namespace {

// A knock holds a kind and a path; anything longer is no knock of ours.
constexpr qint64 kMaxKnockBytes = 64 * 1024;

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
    // The person's runtime folder (Qt makes a private one when the session has none).
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    name_ = QDir(runtime).filePath(QStringLiteral("zv318-desktop-") + key);
#endif
}

bool SingleInstance::AskRunningOne(const HandedFile& file, int timeoutMs) const {
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

bool SingleInstance::Listen(std::function<void(const HandedFile&)> onStart) {
    // Only this user may knock; a socket left by a program that crashed is taken over (no
    // program answered on it a moment ago).
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_.listen(name_)) {
        QLocalServer::removeServer(name_);
        if (!server_.listen(name_)) return false;
    }
    QObject::connect(
        &server_, &QLocalServer::newConnection, &server_, [this, onStart = std::move(onStart)] {
            while (QLocalSocket* knock = server_.nextPendingConnection()) {
                auto received = std::make_shared<QByteArray>();
                QObject::connect(knock, &QLocalSocket::readyRead, knock, [knock, received] {
                    received->append(knock->readAll());
                    if (received->size() > kMaxKnockBytes) knock->abort();
                });
                QObject::connect(knock, &QLocalSocket::disconnected, knock,
                                 [knock, received, onStart] {
                                     received->append(knock->readAll());
                                     if (received->size() <= kMaxKnockBytes)
                                         onStart(ParseKnock(*received));
                                     knock->deleteLater();
                                 });
            }
        });
    return true;
}

}  // namespace zv318
