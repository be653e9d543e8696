#include "app/single_instance.h"

#include <QLocalSocket>

#ifdef _WIN32
#include <QProcessEnvironment>
#else
#include <unistd.h>
#endif

namespace zv318 {

SingleInstance::SingleInstance() {
#ifdef _WIN32
    const QString user = QProcessEnvironment::systemEnvironment().value(QStringLiteral("USERNAME"));
#else
    const QString user = QString::number(::getuid());
#endif
    name_ = QStringLiteral("zv318-desktop-") + user;
}

bool SingleInstance::AskRunningOne(int timeoutMs) const {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(timeoutMs)) return false;
    socket.write("front\n");
    const bool asked = socket.waitForBytesWritten(timeoutMs);
    socket.disconnectFromServer();
    return asked;
}

bool SingleInstance::Listen(std::function<void()> toFront) {
    // Only this user may knock; a socket left by a program that crashed is taken over (no
    // program answered on it a moment ago).
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_.listen(name_)) {
        QLocalServer::removeServer(name_);
        if (!server_.listen(name_)) return false;
    }
    QObject::connect(
        &server_, &QLocalServer::newConnection, &server_, [this, toFront = std::move(toFront)] {
            while (QLocalSocket* knock = server_.nextPendingConnection()) {
                QObject::connect(knock, &QLocalSocket::disconnected, knock, &QObject::deleteLater);
                toFront();
            }
        });
    return true;
}

}  // namespace zv318
