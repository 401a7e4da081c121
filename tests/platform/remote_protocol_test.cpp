// The remote-control protocol: requests read from bytes as they arrive,
// refusals with a reason, replies as the client reads them.

#include "platform/remote_protocol.h"
#include "platform/text_lines.h"

#include <gtest/gtest.h>

using namespace platform::remote;
using Status = RequestReader::Status;

TEST(RemoteControl, RequestsAreReadWholeFromAnyChunkingAndInTurn)
{
    const QByteArray macro = "TEST.LOG(\xc3\xa9t\xc3\xa9)\r\nwait(1)\nwait(2)\rwait(3)";
    const QByteArray stream = "EXECUTE DDELink " + QByteArray::number(macro.size()) + "\n" + macro
                              + "REQUEST ddelink ddeserveritem\n";
    RequestReader reader;
    int readyAt = -1;
    for (int i = 0; i < stream.size() && readyAt < 0; ++i) {
        if (reader.feed(stream.mid(i, 1)) == Status::Ready)
            readyAt = i;
    }
    EXPECT_EQ(readyAt, stream.indexOf("REQUEST") - 1);
    const Request first = reader.take();
    EXPECT_EQ(first.kind, Request::Kind::Execute);
    EXPECT_EQ(platform::SplitLines(first.macro),
              (QStringList{QStringLiteral("TEST.LOG(été)"), QStringLiteral("wait(1)"), QStringLiteral("wait(2)"),
                           QStringLiteral("wait(3)")}));

    EXPECT_EQ(reader.feed(stream.mid(readyAt + 1)), Status::Ready);
    EXPECT_EQ(reader.take().kind, Request::Kind::Request);
    EXPECT_EQ(reader.status(), Status::NeedMore);
    EXPECT_EQ(reader.buffered(), 0);

    // What the client builds is what the server reads.
    RequestReader again;
    EXPECT_EQ(again.feed(ExecuteRequest(QStringLiteral("a\r\nb")) + RequestRequest(kItem)), Status::Ready);
    EXPECT_EQ(again.take().macro, QStringLiteral("a\r\nb"));
    EXPECT_EQ(again.status(), Status::Ready);
    EXPECT_EQ(again.take().item, kItem);
    EXPECT_EQ(platform::SplitLines(QString()), QStringList());
    EXPECT_EQ(platform::SplitLines(QStringLiteral("a\n\nb\r\n")), (QStringList{QStringLiteral("a"), QString(), QStringLiteral("b")}));
}

TEST(RemoteControl, BadRequestsAreRefusedWithAReasonAndNothingAfterThem)
{
    const struct {
        QByteArray bytes;
        const char* reason;
    } cases[] = {
        {QByteArray(300, 'A'), "header too long"},
        {"EXECUTE DDELink " + QByteArray(250, '0') + "1\n", "header too long"},
        {"EXECUTE DDELink 65537\n", "bad or too large macro length"},
        {"EXECUTE DDELink -1\n", "bad or too large macro length"},
        {"EXECUTE DDELink +5\nhello", "bad or too large macro length"},
        {"EXECUTE DDELink 5 6\n", "malformed header"},
        {"\n", "malformed header"},
        {"POKE DDELink x\n", "unknown command"},
        {"execute DDELink 1\nx", "unknown command"},
        {"EXECUTE Autre 1\nx", "unknown topic"},
        {"REQUEST DDELink Autre\n", "unknown item"},
        {"EXECUTE DDELink 2\n\xc3\x28", "invalid UTF-8"},
        {"REQUEST DDELink \xff\n", "invalid UTF-8"},
    };
    for (const auto& c : cases) {
        RequestReader reader;
        EXPECT_EQ(reader.feed(c.bytes), Status::Bad) << c.bytes.left(40).constData();
        EXPECT_EQ(reader.error(), QString::fromLatin1(c.reason)) << c.bytes.left(40).constData();
        EXPECT_EQ(reader.feed("REQUEST DDELink DDEServerItem\n"), Status::Bad);
    }
    // The largest macro is accepted; a truncated one only waits.
    RequestReader reader;
    EXPECT_EQ(reader.feed("EXECUTE DDELink 65536\n" + QByteArray(65535, 'a')), Status::NeedMore);
    EXPECT_EQ(reader.feed("a"), Status::Ready);
    EXPECT_EQ(reader.take().macro.size(), 65536);
}

TEST(RemoteControl, RepliesAndServiceNames)
{
    EXPECT_EQ(ParseReply(AckReply()).kind, Reply::Kind::Ack);
    const Reply data = ParseReply(DataReply("toto"));
    EXPECT_EQ(DataReply("toto"), QByteArray("DATA 4\ntoto"));
    EXPECT_EQ(data.kind, Reply::Kind::Data);
    EXPECT_EQ(data.data, QByteArray("toto"));
    EXPECT_EQ(ParseReply("DATA 4\ntot").kind, Reply::Kind::Incomplete);
    EXPECT_EQ(ParseReply("AC").kind, Reply::Kind::Incomplete);
    const Reply nack = ParseReply(NackReply(QStringLiteral("two\nlines")));
    EXPECT_EQ(nack.kind, Reply::Kind::Nack);
    EXPECT_EQ(nack.reason, QStringLiteral("two lines"));
    EXPECT_EQ(ParseReply("HELLO\n").kind, Reply::Kind::Bad);

    // A refusal carrying a long error text (a path) is read whole, also when
    // it arrives in pieces; a text beyond the longest reason is cut before a
    // character, never inside one.
    const QString path = QStringLiteral("Line 1 : File not found : /") + QString(400, QChar(0xe9));
    const QByteArray longRefusal = NackReply(path);
    EXPECT_EQ(ParseReply(longRefusal.left(600)).kind, Reply::Kind::Incomplete);
    EXPECT_EQ(ParseReply(longRefusal).reason, path);
    EXPECT_EQ(ParseReply(NackReply(QStringLiteral("x") + QString(3000, QChar(0xe9)))).reason,
              QStringLiteral("x") + QString(2047, QChar(0xe9)));
    EXPECT_EQ(ParseReply("NACK " + QByteArray(kMaxReasonBytes + 1, 'x')).kind, Reply::Kind::Bad);

    EXPECT_EQ(ServiceName(QStringLiteral("/opt/nj/nightjarpro")), QStringLiteral("nightjarpro"));
    EXPECT_EQ(ServiceName(QStringLiteral("C:\\nj\\NightjarPro.v2.exe")), QStringLiteral("NightjarPro"));
}
