#include "telescope/sim/http_request_framing.h"

#include <QList>

namespace Telescope {

namespace {

// A Content-Length value: decimal digits only, within the limit.
bool readLength(const QByteArray& text, qsizetype& length)
{
    if (text.isEmpty() || text.size() > 8)
        return false;
    qsizetype n = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        n = n * 10 + (c - '0');
    }
    if (n > kHttpRequestLimit)
        return false;
    length = n;
    return true;
}

} // namespace

HttpTake TakeHttpRequest(QByteArray& buffer, HttpRequest& out)
{
    const qsizetype end = buffer.indexOf("\r\n\r\n");
    if (end < 0)
        return buffer.size() > kHttpRequestLimit ? HttpTake::Unreadable : HttpTake::Incomplete;
    if (end > kHttpRequestLimit)
        return HttpTake::Unreadable;
    const QList<QByteArray> lines = buffer.left(end).split('\n');
    qsizetype length = 0;
    bool lengthSeen = false;
    for (const QByteArray& l : lines) {
        if (!l.toLower().startsWith("content-length:"))
            continue;
        qsizetype n = 0;
        // Two lengths that differ leave the body's end unknown.
        if (!readLength(l.mid(15).trimmed(), n) || (lengthSeen && n != length))
            return HttpTake::Unreadable;
        length = n;
        lengthSeen = true;
    }
    if (buffer.size() - (end + 4) < length)
        return HttpTake::Incomplete;
    const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
    out.method = first.value(0);
    out.target = first.value(1);
    out.body = buffer.mid(end + 4, length);
    buffer.remove(0, end + 4 + length);
    return HttpTake::Request;
}

} // namespace Telescope
