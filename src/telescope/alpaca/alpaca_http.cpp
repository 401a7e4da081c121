#include "telescope/alpaca/alpaca_http.h"

#include "platform/platform_texts.h"

#include <QDeadlineTimer>
#include <QHostAddress>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace Alpaca {
namespace {

// A socket closed when it goes out of scope.
struct Fd {
    int fd = -1;
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// Waits for the socket to be ready for events until the deadline; false on
// time-out or error.
bool waitFor(int fd, short events, const QDeadlineTimer& deadline)
{
    for (;;) {
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, int(std::max<qint64>(0, deadline.remainingTime())));
        if (n > 0)
            return true;
        if (n == 0 || errno != EINTR)
            return false;
    }
}

} // namespace

Reply HttpCall(const QString& host, quint16 port, const QByteArray& method, const QString& pathAndQuery,
               const QByteArray& body, int timeout_ms, bool needValue)
{
    const QDeadlineTimer deadline(timeout_ms);
    auto failed = [&](const QString& why) { return Reply{false, {}, 0, why}; };
    const QHostAddress address(host == QLatin1String("localhost") ? QStringLiteral("127.0.0.1") : host);
    if (address.protocol() != QAbstractSocket::IPv4Protocol)
        return failed(platform::text(platform::PlatformText::MSG_Alpaca_Adresse_IPv4).arg(host));
    Fd s{::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0)};
    if (s.fd < 0)
        return failed(QString::fromLocal8Bit(std::strerror(errno)));
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(address.toIPv4Address());
    if (::connect(s.fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0 && errno != EINPROGRESS)
        return failed(platform::text(platform::PlatformText::MSG_Alpaca_Pas_De_Connexion).arg(host).arg(port).arg(QString::fromLocal8Bit(std::strerror(errno))));
    if (!waitFor(s.fd, POLLOUT, deadline))
        return failed(platform::text(platform::PlatformText::MSG_Alpaca_Connexion_Delai).arg(host).arg(port));
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(s.fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0)
        return failed(platform::text(platform::PlatformText::MSG_Alpaca_Pas_De_Connexion).arg(host).arg(port).arg(QString::fromLocal8Bit(std::strerror(error))));

    const QByteArray request = HttpRequest(method, pathAndQuery, host, port, body);
    qsizetype sent = 0;
    while (sent < request.size()) {
        const ssize_t n = ::send(s.fd, request.constData() + sent, size_t(request.size() - sent), MSG_NOSIGNAL);
        if (n > 0) {
            sent += n;
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return failed(platform::text(platform::PlatformText::MSG_Alpaca_Requete_Non_Envoyee).arg(QString::fromLocal8Bit(std::strerror(errno))));
        } else if (!waitFor(s.fd, POLLOUT, deadline)) {
            return failed(platform::text(platform::PlatformText::MSG_Alpaca_Delai).arg(timeout_ms));
        }
    }
    QByteArray buffer;
    char chunk[4096];
    for (;;) {
        bool closed = false;
        const ssize_t n = ::recv(s.fd, chunk, sizeof chunk, 0);
        if (n > 0)
            buffer.append(chunk, n);
        else if (n == 0)
            closed = true;
        else if (errno != EAGAIN && errno != EINTR)
            return failed(platform::text(platform::PlatformText::MSG_Alpaca_Reponse_Non_Recue).arg(QString::fromLocal8Bit(std::strerror(errno))));
        const HttpResponse r = ParseHttpResponse(buffer, closed);
        if (r.complete) {
            if (r.status != 200)
                return failed(r.status ? platform::text(platform::PlatformText::MSG_Alpaca_Reponse_HTTP).arg(r.status) : platform::text(platform::PlatformText::MSG_Alpaca_Reponse_HTTP_Illisible));
            return ParseReply(r.body, needValue);
        }
        if (closed)
            return failed(platform::text(platform::PlatformText::MSG_Alpaca_Connexion_Fermee));
        if (n <= 0 && !waitFor(s.fd, POLLIN, deadline))
            return failed(platform::text(platform::PlatformText::MSG_Alpaca_Delai).arg(timeout_ms));
    }
}

} // namespace Alpaca
