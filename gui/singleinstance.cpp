#include "singleinstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalSocket>

namespace {

// The socket name is per settings folder (as the lock is), so test runs with their own
// folders never meet a user's editor.
QString serverNameFor(const QString& folder) {
    const QByteArray key = QDir(folder).canonicalPath().toUtf8();
    return "MidiTonvela-" +
           QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(16));
}

}  // namespace

SingleInstance::SingleInstance(const QString& settingsFolder, QObject* parent)
    : QObject(parent),
      lock_(QDir(settingsFolder).filePath("MidiTonvela.lock")),
      serverName_(serverNameFor(settingsFolder)) {
    lock_.setStaleLockTime(0);  // a lock is stale only when its process is gone
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::onConnection);
}

SingleInstance::~SingleInstance() {
    server_.close();
    if (lock_.isLocked()) lock_.unlock();
}

bool SingleInstance::acquire() {
    if (!lock_.tryLock(0)) return false;
    // We hold the lock, so a socket left by a crashed instance can go.
    QLocalServer::removeServer(serverName_);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    server_.listen(serverName_);
    return true;
}

bool SingleInstance::sendToRunning(const QString& path, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(serverName_);
    if (!socket.waitForConnected(timeoutMs)) return false;
    socket.write(path.toUtf8() + '\n');
    if (!socket.waitForBytesWritten(timeoutMs)) return false;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(timeoutMs)) return false;
    }
    return socket.readLine().trimmed() == "ok";
}

void SingleInstance::onConnection() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) return;
            const QString path = QString::fromUtf8(socket->readLine()).trimmed();
            socket->write("ok\n");
            socket->flush();
            if (!path.isEmpty()) Q_EMIT fileReceived(path);
        });
    }
}
