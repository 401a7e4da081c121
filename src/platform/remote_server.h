#pragma once
// The remote-control server: a local socket of the user's own (mode 0600)
// that reads requests (remote_protocol.h) and hands each complete one to the
// program's executor on the interface thread.
//
// Statements run one request at a time, in the order the requests became
// complete: while one is under way (a statement may show a modal box or
// dialog, which runs a nested event loop), the others wait and never run
// inside it. A request is over once it is answered: a refused statement is
// answered at once (Answer), and the requests after it run while its box
// still waits for the user. A request for the item changes nothing and is
// answered as soon as it arrives, whatever runs. A connection whose peer is
// another user is closed unread; beyond kMaxConnections, or when a request
// is not complete kRequestTimeout_ms after its first byte (or after the
// connection or the last reply), the connection gets a NACK and closes.
// A request a client abandons half-way never runs; one that arrived whole
// runs even when its client has gone.

#include "platform/remote_protocol.h"

#include <QObject>
#include <QPointer>

#include <deque>
#include <functional>

class QLocalServer;
class QLocalSocket;

namespace platform::remote {

class Connection;

class RemoteServer : public QObject {
    Q_OBJECT
public:
    // The reply bytes for a request, unless it was answered earlier through
    // answerNow; runs on the interface thread.
    using Executor = std::function<QByteArray(const Request&, const Answer& answerNow)>;

    explicit RemoteServer(Executor executor, QObject* parent = nullptr);
    ~RemoteServer() override;

    enum class Start { Listening, AnotherInstance, Refused };
    // Listens on the service's socket. A stale socket file (nothing
    // answers) is replaced; a live one is left alone. note tells why when
    // the server does not listen.
    Start listen(const QString& service, QString* note);
    void close();
    bool isListening() const;
    QString socketPath() const { return path_; }

    // Tests shorten the time a request may take to arrive.
    void setRequestTimeout(int ms) { timeout_ms_ = ms; }
    int connectionCount() const { return connections_; }

signals:
    void connectionOpened();
    void connectionClosed();

private:
    friend class Connection;
    void accept();
    void enqueue(Connection* c, const Request& r);
    void pump();
    void serve(const QPointer<Connection>& connection, const Request& request);

    Executor executor_;
    QLocalServer* server_ = nullptr;
    QString path_;
    int connections_ = 0;
    int timeout_ms_ = kRequestTimeout_ms;
    std::deque<std::pair<QPointer<Connection>, Request>> queue_;
    int unanswered_ = 0;   // requests under way and not yet answered
};

} // namespace platform::remote
