#pragma once
// Requests read off an HTTP/1.1 connection, one at a time as they complete:
// a request line and headers up to the empty line, then as many bytes of
// body as its Content-Length says. A length that is not a plain decimal
// number, or larger than a request may be, or headers that never end, make
// the connection unreadable: nothing of it can be trusted to frame the next
// request.

#include <QByteArray>

namespace Telescope {

struct HttpRequest {
    QByteArray method;
    QByteArray target;
    QByteArray body;
};

enum class HttpTake { Incomplete, Request, Unreadable };

// The most a request's headers or body may hold.
constexpr qsizetype kHttpRequestLimit = 1 << 20;

// Takes the first whole request off the front of buffer into out
// (Request); leaves buffer as it is when the request is not all there yet
// (Incomplete) or can never be read (Unreadable).
HttpTake TakeHttpRequest(QByteArray& buffer, HttpRequest& out);

} // namespace Telescope
