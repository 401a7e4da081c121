// nightjarpro-dde: runs script statements in the running program of the same
// user, or reads its item.
//
//   nightjarpro-dde [--service NAME] execute LINE...   one statement a line
//   nightjarpro-dde [--service NAME] request ITEM
//
// Exit status: 0 on ACK (every statement ran) or DATA (the item's text is
// printed); 1 on NACK, the reason on standard error: a refused statement's
// error text (the lines after it did not run) or why the request was
// refused; 2 when no server answers within 5 s, the connection ends before
// the reply, the reply cannot be read, or on a usage error.

#include "platform/remote_protocol.h"
#include "platform/remote_socket.h"

#include <QCoreApplication>
#include <QLocalSocket>

#include <cstdio>

namespace {

namespace remote = platform::remote;

int usage()
{
    std::fputs("usage: nightjarpro-dde [--service NAME] execute LINE... | request ITEM\n", stderr);
    return 2;
}

int noServer(const QString& why)
{
    std::fprintf(stderr, "nightjarpro-dde: no server answers: %s\n", qPrintable(why));
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QString service = QStringLiteral("nightjarpro");
    if (args.size() >= 2 && args[0] == QLatin1String("--service")) {
        service = args[1];
        args = args.mid(2);
    }
    if (args.size() < 2 || service.isEmpty())
        return usage();
    QByteArray request;
    if (args[0] == QLatin1String("execute"))
        request = remote::ExecuteRequest(args.mid(1).join(QStringLiteral("\r\n")));
    else if (args[0] == QLatin1String("request") && args.size() == 2)
        request = remote::RequestRequest(args[1]);
    else
        return usage();

    QString error;
    const QString path = remote::SocketPath(service, false, &error);
    if (path.isEmpty())
        return noServer(error);
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(remote::kClientConnectTimeout_ms))
        return noServer(path + QStringLiteral(" : ") + socket.errorString());
    socket.write(request);
    if (!socket.waitForBytesWritten(remote::kClientConnectTimeout_ms))
        return noServer(socket.errorString());

    // The reply comes once every statement ran, or at once when one is
    // refused; a statement may wait for the user (an input dialog), so there
    // is no limit while the server lives.
    QByteArray received;
    for (;;) {
        const remote::Reply reply = remote::ParseReply(received);
        switch (reply.kind) {
        case remote::Reply::Kind::Ack: return 0;
        case remote::Reply::Kind::Data:
            std::fwrite(reply.data.constData(), 1, static_cast<size_t>(reply.data.size()), stdout);
            std::fputc('\n', stdout);
            return 0;
        case remote::Reply::Kind::Nack:
            std::fprintf(stderr, "nightjarpro-dde: refused: %s\n", qPrintable(reply.reason));
            return 1;
        case remote::Reply::Kind::Bad: return noServer(QStringLiteral("unreadable reply"));
        case remote::Reply::Kind::Incomplete: break;
        }
        if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(-1)) {
            received += socket.readAll();
            if (remote::ParseReply(received).kind != remote::Reply::Kind::Incomplete)
                continue;
            return noServer(QStringLiteral("the server closed the connection"));
        }
        received += socket.readAll();
    }
}
