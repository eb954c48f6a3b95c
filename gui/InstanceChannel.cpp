#include "gui/InstanceChannel.h"

#include "app/InstanceHandOver.h"

#include <QFile>
#include <QLocalSocket>
#include <QTimer>

namespace {

constexpr char Acknowledged = 'k';
// A connection that sends no complete message in this time is dropped.
constexpr int ReceiveTimeoutMs = 10000;

} // namespace

InstanceChannel::InstanceChannel(QString name, QObject* parent) : QObject(parent), name_(std::move(name)) {
    // Other users must not hand files to this user's program.
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (server_.hasPendingConnections())
            TakeConnection();
    });
}

InstanceChannel::THandOver InstanceChannel::HandOver(const QString& name, const QStringList& paths,
                                                     int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(timeoutMs))
        return THandOver::NoInstance; // no socket, or a dead program's: nobody accepts
    std::vector<std::string> files;
    for (const QString& path : paths)
        files.push_back(QFile::encodeName(path).toStdString());
    const std::string message = EncodeHandOver(files);
    socket.write(message.data(), static_cast<qint64>(message.size()));
    if (!socket.waitForBytesWritten(timeoutMs))
        return THandOver::NoAnswer;
    while (socket.bytesAvailable() == 0) {
        if (!socket.waitForReadyRead(timeoutMs))
            return THandOver::NoAnswer;
    }
    char answer = 0;
    return socket.getChar(&answer) && answer == Acknowledged ? THandOver::Delivered : THandOver::NoAnswer;
}

bool InstanceChannel::Listen() {
    if (server_.listen(name_))
        return true;
    if (server_.serverError() != QAbstractSocket::AddressInUseError)
        return false;
    // HandOver found nobody behind the file: a program that died left it.
    QLocalServer::removeServer(name_);
    return server_.listen(name_);
}

void InstanceChannel::TakeConnection() {
    QLocalSocket* socket = server_.nextPendingConnection();
    if (socket == nullptr)
        return;
    auto buffer = std::make_shared<std::string>();
    QTimer::singleShot(ReceiveTimeoutMs, socket, &QLocalSocket::abort);
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket, buffer] {
        const QByteArray data = socket->readAll();
        buffer->append(data.constData(), static_cast<size_t>(data.size()));
        const std::optional<std::vector<std::string>> files = DecodeHandOver(*buffer);
        if (!files)
            return;
        QObject::disconnect(socket, &QLocalSocket::readyRead, this, nullptr); // one message per start
        socket->write(&Acknowledged, 1);
        socket->flush();
        socket->disconnectFromServer();
        QStringList paths;
        for (const std::string& file : *files)
            paths << QFile::decodeName(QByteArray::fromStdString(file));
        emit PathsArrived(paths);
    });
}
