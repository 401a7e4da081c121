#include "platform/remote_server.h"

#include "platform/platform_texts.h"
#include "platform/remote_socket.h"

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include <exception>
#include <memory>

namespace platform::remote {

// One client: its reader, its deadline, and whether a request of it waits or
// runs (then nothing more is read from it until the reply is sent).
class Connection : public QObject {
public:
    Connection(RemoteServer* server, QLocalSocket* socket)
        : QObject(socket), server_(server), socket_(socket)
    {
        deadline_.setSingleShot(true);
        connect(&deadline_, &QTimer::timeout, this, [this] { refuse(QStringLiteral("timeout")); });
        connect(socket_, &QLocalSocket::readyRead, this, &Connection::read);
        connect(socket_, &QLocalSocket::disconnected, socket_, &QObject::deleteLater);
        deadline_.start(server_->timeout_ms_);
    }

    void read()
    {
        if (pending_)
            return;
        const QByteArray bytes = socket_->read(kMaxHeaderBytes + kMaxMacroBytes - reader_.buffered());
        if (!bytes.isEmpty() && !deadline_.isActive())
            deadline_.start(server_->timeout_ms_);
        switch (reader_.feed(bytes)) {
        case RequestReader::Status::NeedMore:
            if (socket_->bytesAvailable() > 0 && reader_.buffered() < kMaxHeaderBytes + kMaxMacroBytes)
                QTimer::singleShot(0, this, &Connection::read);
            break;
        case RequestReader::Status::Bad: refuse(reader_.error()); break;
        case RequestReader::Status::Ready:
            deadline_.stop();
            pending_ = true;
            server_->enqueue(this, reader_.take());
            break;
        }
    }

    void reply(const QByteArray& bytes)
    {
        socket_->write(bytes);
        socket_->flush();
        pending_ = false;
        deadline_.start(server_->timeout_ms_);
        // The next request may already be here.
        if (reader_.buffered() > 0 || socket_->bytesAvailable() > 0)
            QTimer::singleShot(0, this, &Connection::read);
    }

    void refuse(const QString& reason)
    {
        deadline_.stop();
        socket_->write(NackReply(reason));
        socket_->flush();
        socket_->disconnectFromServer();
    }

private:
    RemoteServer* server_;
    QLocalSocket* socket_;
    RequestReader reader_;
    QTimer deadline_;
    bool pending_ = false;
};

RemoteServer::RemoteServer(Executor executor, QObject* parent) : QObject(parent), executor_(std::move(executor))
{
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    server_->setMaxPendingConnections(kMaxConnections);
    connect(server_, &QLocalServer::newConnection, this, &RemoteServer::accept);
}

RemoteServer::~RemoteServer() { close(); }

bool RemoteServer::isListening() const { return server_->isListening(); }

void RemoteServer::close()
{
    if (server_->isListening())
        server_->close();   // removes the socket file
}

RemoteServer::Start RemoteServer::listen(const QString& service, QString* note)
{
    QString error;
    path_ = SocketPath(service, true, &error);
    if (path_.isEmpty()) {
        if (note)
            *note = error;
        return Start::Refused;
    }
    if (QFile::exists(path_) || IsSocketFile(path_)) {
        if (!IsSocketFile(path_)) {
            if (note)
                *note = platform::text(platform::PlatformText::MSG_Prise_Invalide).arg(path_);
            return Start::Refused;
        }
        QLocalSocket probe;
        probe.connectToServer(path_);
        if (probe.waitForConnected(1000)) {
            probe.disconnectFromServer();
            if (note)
                *note = path_;
            return Start::AnotherInstance;
        }
        QLocalServer::removeServer(path_);   // stale: nothing answers on it
    }
    if (!server_->listen(path_)) {
        if (note)
            *note = QStringLiteral("%1 : %2").arg(path_, server_->errorString());
        return Start::Refused;
    }
    RestrictToOwner(path_);
    return Start::Listening;
}

void RemoteServer::accept()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        const std::optional<unsigned> peer = PeerUid(socket->socketDescriptor());
        if (!peer || *peer != OwnUid()) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        if (connections_ >= kMaxConnections) {
            socket->write(NackReply(QStringLiteral("too many connections")));
            socket->flush();
            socket->disconnectFromServer();
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            if (socket->state() == QLocalSocket::UnconnectedState)
                socket->deleteLater();
            continue;
        }
        socket->setReadBufferSize(kMaxHeaderBytes + kMaxMacroBytes);
        ++connections_;
        connect(socket, &QObject::destroyed, this, [this] {
            --connections_;
            emit connectionClosed();
        });
        new Connection(this, socket);
        emit connectionOpened();
    }
}

void RemoteServer::enqueue(Connection* c, const Request& r)
{
    // Reading the item changes nothing: answered at once, whatever runs.
    if (r.kind == Request::Kind::Request) {
        serve(c, r);
        return;
    }
    queue_.emplace_back(c, r);
    // Never inside the event loop of a statement under way (a modal box).
    if (unanswered_ == 0)
        QTimer::singleShot(0, this, &RemoteServer::pump);
}

void RemoteServer::pump()
{
    while (unanswered_ == 0 && !queue_.empty()) {
        const auto [connection, request] = queue_.front();
        queue_.pop_front();
        serve(connection, request);
    }
}

void RemoteServer::serve(const QPointer<Connection>& connection, const Request& request)
{
    auto answered = std::make_shared<bool>(false);
    ++unanswered_;
    const Answer answer = [this, connection, answered](const QByteArray& bytes) {
        if (*answered)
            return;
        *answered = true;
        --unanswered_;
        if (connection)
            connection->reply(bytes);
        // The next requests' turn, also while the rest of this one runs
        // (the box of a refused statement waits for the user).
        if (unanswered_ == 0 && !queue_.empty())
            QTimer::singleShot(0, this, &RemoteServer::pump);
    };
    // Whatever the executor does, the request is answered: a request left
    // unanswered would hold every later one.
    QByteArray reply;
    try {
        reply = executor_(request, answer);
    } catch (const std::exception& e) {
        reply = NackReply(QString::fromUtf8(e.what()));
    } catch (...) {
        reply = NackReply(QStringLiteral("internal error"));
    }
    answer(reply);
}

} // namespace platform::remote
