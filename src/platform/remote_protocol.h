#pragma once
// The remote-control protocol: what another program of the same user sends
// to run script statements, and what it gets back. Plain bytes, no socket:
// the socket layer (remote_server.h) and the command-line client use this.
//
//   EXECUTE <topic> <n> LF, then n bytes of UTF-8 statements (lines ended by
//   CR LF, LF or CR)                        -> ACK LF, once every line ran;
//                                              NACK <reason> LF as soon as a
//                                              line is refused, the reason
//                                              being the program's error text
//                                              (the lines after it do not run)
//   REQUEST <topic> <item> LF               -> DATA <n> LF, then n bytes
//   anything else                           -> NACK <reason> LF, and the
//                                              connection closes
//
// One request at a time per connection; a connection may send several in
// turn, also after a refused line. Topic and item names compare without
// regard to letter case.

#include <QByteArray>
#include <QString>

#include <functional>

namespace platform::remote {

constexpr int kMaxHeaderBytes = 256;       // the header line with its LF
constexpr int kMaxMacroBytes = 65536;
constexpr int kMaxReasonBytes = 4096;      // a refusal's reason, cut beyond
constexpr int kMaxConnections = 16;
constexpr int kRequestTimeout_ms = 10000;  // to complete a request once begun
constexpr int kClientConnectTimeout_ms = 5000;

inline const QString kTopic = QStringLiteral("DDELink");
inline const QString kItem = QStringLiteral("DDEServerItem");

struct Request {
    enum class Kind { Execute, Request };
    Kind kind = Kind::Execute;
    QString macro;   // Execute: the statements
    QString item;    // Request: the item's name as sent
};

// Reads the requests of one connection from the bytes as they arrive.
class RequestReader {
public:
    enum class Status { NeedMore, Ready, Bad };

    // Adds bytes and tells what the buffer now holds.
    Status feed(const QByteArray& bytes);
    // What the buffer holds, without adding bytes.
    Status status();
    // The complete request (after Ready); the bytes after it stay for the
    // next one.
    Request take();
    // Why the request was refused (after Bad).
    const QString& error() const { return error_; }
    // Bytes received and not yet taken.
    int buffered() const { return static_cast<int>(buffer_.size()); }

private:
    Status bad(const QString& reason);

    QByteArray buffer_;
    Request ready_;
    int consumed_ = 0;   // bytes of the ready request
    bool isReady_ = false;
    QString error_;
};

// Sends the reply to the request under way before its executor returns (a
// refused statement, whose box then waits for the user); later calls do
// nothing.
using Answer = std::function<void(const QByteArray&)>;

// Replies.
QByteArray AckReply();
QByteArray DataReply(const QByteArray& data);
// The reason on one line (line breaks become blanks), at most
// kMaxReasonBytes of it.
QByteArray NackReply(const QString& reason);

// Requests, as the client sends them.
QByteArray ExecuteRequest(const QString& macro);
QByteArray RequestRequest(const QString& item);

// A reply read by the client.
struct Reply {
    enum class Kind { Incomplete, Ack, Data, Nack, Bad };
    Kind kind = Kind::Incomplete;
    QByteArray data;   // Data
    QString reason;    // Nack
};
Reply ParseReply(const QByteArray& bytes);

// The service of a program: its file name without folder, cut before its
// first "." ("/opt/nj/nightjarpro.bin" -> "nightjarpro").
QString ServiceName(const QString& programPath);

} // namespace platform::remote
