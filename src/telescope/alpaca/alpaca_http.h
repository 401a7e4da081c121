#pragma once
// One Alpaca call over its own connection, on the calling (worker) thread:
// connect, send, read the response, all within one deadline.

#include "telescope/alpaca/alpaca_protocol.h"

namespace Alpaca {

Reply HttpCall(const QString& host, quint16 port, const QByteArray& method, const QString& pathAndQuery,
               const QByteArray& body, int timeout_ms, bool needValue);

} // namespace Alpaca
