#include "platform/remote_protocol.h"

#include <QList>
#include <QStringDecoder>

#include <algorithm>

namespace platform::remote {
namespace {

// A decimal count without sign or blanks; -1 when it is none or too large.
int parseCount(const QByteArray& text, int max)
{
    if (text.isEmpty() || text.size() > 6)
        return -1;
    int n = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return -1;
        n = n * 10 + (c - '0');
    }
    return n <= max ? n : -1;
}

bool decodeUtf8(const QByteArray& bytes, QString& text)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    text = decoder(bytes);
    return !decoder.hasError();
}

} // namespace

RequestReader::Status RequestReader::bad(const QString& reason)
{
    error_ = reason;
    return Status::Bad;
}

RequestReader::Status RequestReader::feed(const QByteArray& bytes)
{
    if (!error_.isEmpty())
        return Status::Bad;
    // Beyond one whole request nothing is kept: the rest waits in the socket.
    buffer_ += bytes;
    return status();
}

RequestReader::Status RequestReader::status()
{
    if (!error_.isEmpty())
        return Status::Bad;
    if (isReady_)
        return Status::Ready;
    const int lf = buffer_.indexOf('\n');
    if (lf < 0) {
        if (buffer_.size() >= kMaxHeaderBytes)
            return bad(QStringLiteral("header too long"));
        return Status::NeedMore;
    }
    if (lf + 1 > kMaxHeaderBytes)
        return bad(QStringLiteral("header too long"));
    QByteArray header = buffer_.left(lf);
    if (header.endsWith('\r'))
        header.chop(1);
    const QList<QByteArray> words = header.split(' ');
    if (words.size() != 3)
        return bad(QStringLiteral("malformed header"));
    QString topic;
    if (!decodeUtf8(words[1], topic))
        return bad(QStringLiteral("invalid UTF-8"));
    if (words[0] != "EXECUTE" && words[0] != "REQUEST")
        return bad(QStringLiteral("unknown command"));
    if (topic.compare(kTopic, Qt::CaseInsensitive) != 0)
        return bad(QStringLiteral("unknown topic"));

    Request r;
    if (words[0] == "REQUEST") {
        if (!decodeUtf8(words[2], r.item))
            return bad(QStringLiteral("invalid UTF-8"));
        if (r.item.compare(kItem, Qt::CaseInsensitive) != 0)
            return bad(QStringLiteral("unknown item"));
        r.kind = Request::Kind::Request;
        consumed_ = lf + 1;
    } else {
        const int n = parseCount(words[2], kMaxMacroBytes);
        if (n < 0)
            return bad(QStringLiteral("bad or too large macro length"));
        if (buffer_.size() < lf + 1 + n)
            return Status::NeedMore;
        if (!decodeUtf8(buffer_.mid(lf + 1, n), r.macro))
            return bad(QStringLiteral("invalid UTF-8"));
        r.kind = Request::Kind::Execute;
        consumed_ = lf + 1 + n;
    }
    ready_ = r;
    isReady_ = true;
    return Status::Ready;
}

Request RequestReader::take()
{
    Request r = ready_;
    buffer_.remove(0, consumed_);
    ready_ = Request();
    consumed_ = 0;
    isReady_ = false;
    return r;
}

QByteArray AckReply() { return QByteArrayLiteral("ACK\n"); }

QByteArray DataReply(const QByteArray& data) { return "DATA " + QByteArray::number(data.size()) + '\n' + data; }

QByteArray NackReply(const QString& reason)
{
    QString oneLine = reason;
    oneLine.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    QByteArray text = oneLine.toUtf8();
    if (text.size() > kMaxReasonBytes) {
        // Cut before a character, never inside one.
        int cut = kMaxReasonBytes;
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
            --cut;
        text.truncate(cut);
    }
    return "NACK " + text + '\n';
}

QByteArray ExecuteRequest(const QString& macro)
{
    const QByteArray body = macro.toUtf8();
    return "EXECUTE " + kTopic.toUtf8() + ' ' + QByteArray::number(body.size()) + '\n' + body;
}

QByteArray RequestRequest(const QString& item) { return "REQUEST " + kTopic.toUtf8() + ' ' + item.toUtf8() + '\n'; }

Reply ParseReply(const QByteArray& bytes)
{
    Reply r;
    const int lf = bytes.indexOf('\n');
    if (lf < 0) {
        // A refusal's reason (the program's error text) may be longer than
        // a header.
        const int longest = bytes.startsWith("NACK ") ? kMaxReasonBytes + 6 : kMaxHeaderBytes;
        if (bytes.size() >= longest)
            r.kind = Reply::Kind::Bad;
        return r;
    }
    const QByteArray line = bytes.left(lf);
    if (line == "ACK") {
        r.kind = Reply::Kind::Ack;
    } else if (line.startsWith("NACK ") || line == "NACK") {
        r.kind = Reply::Kind::Nack;
        r.reason = QString::fromUtf8(line.mid(5));
    } else if (line.startsWith("DATA ")) {
        const int n = parseCount(line.mid(5), kMaxMacroBytes);
        if (n < 0)
            r.kind = Reply::Kind::Bad;
        else if (bytes.size() >= lf + 1 + n) {
            r.kind = Reply::Kind::Data;
            r.data = bytes.mid(lf + 1, n);
        }
    } else {
        r.kind = Reply::Kind::Bad;
    }
    return r;
}

QString ServiceName(const QString& programPath)
{
    QString name = programPath;
    const int slash = std::max(name.lastIndexOf(QLatin1Char('/')), name.lastIndexOf(QLatin1Char('\\')));
    name = name.mid(slash + 1);
    const int dot = name.indexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

} // namespace platform::remote
