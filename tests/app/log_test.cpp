#include "app/log.h"
#include "support/fakes.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class LogTest : public ::testing::Test {
protected:
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    QTemporaryDir dir;
    testsupport::FakeClock clock{QDateTime(QDate(2026, 12, 6), QTime(23, 59, 59, 7))};
};

} // namespace

TEST_F(LogTest, EachModeWritesItsHeaderAndTimeColumn)
{
    {
        auto log = TLog::Create(path("m0.log"), LogTimeMode::None);
        ASSERT_TRUE(log);
        log->Add(QStringLiteral("été;1"));
        // Written at once, before the log is closed.
        EXPECT_EQ(contents(path("m0.log")), QByteArray("\xE9t\xE9;1\r\n"));
    }
    {
        auto log = TLog::Create(path("m1.log"), LogTimeMode::FromMidnight, QStringLiteral("X;Y"));
        clock.setWall(QDateTime(QDate(2026, 12, 7), QTime(0, 0, 1, 500)));
        log->Add(QStringLiteral("a"));
        EXPECT_EQ(contents(path("m1.log")), QByteArray("Real-Time(ms) from midnight);X;Y\r\n1500;a\r\n"));
    }
    {
        clock.setWall(QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7, 7)));
        auto log = TLog::Create(path("m2.log"), LogTimeMode::DateTime);
        log->Add(QStringLiteral("b"));
        EXPECT_EQ(contents(path("m2.log")),
                  QByteArray("Date-Time(dd/mm/yyyy HH:MM:SS.SSSS);\r\n04/03/2026 05:06:07.007;b\r\n"));
    }
}

TEST_F(LogTest, ElapsedModesStepAcrossMidnight)
{
    auto fromStart = TLog::Create(path("m3.log"), LogTimeMode::FromStart);
    auto fromLast = TLog::Create(path("m4.log"), LogTimeMode::FromLast, QStringLiteral("dx;dy"));
    ASSERT_TRUE(fromStart && fromLast);
    clock.advanceMs(500);
    fromStart->Add(QStringLiteral("1"));
    fromLast->Add(QStringLiteral("1"));
    clock.advanceMs(1000);   // now past midnight
    fromStart->Add(QStringLiteral("2"));
    fromLast->Add(QStringLiteral("2"));
    clock.advanceMs(86'400'000);
    fromStart->Add(QStringLiteral("3"));
    fromLast->Add(QStringLiteral("3"));
    EXPECT_EQ(contents(path("m3.log")),
              QByteArray("Time from beginning(ms);\r\n500;1\r\n1500;2\r\n86401500;3\r\n"));
    EXPECT_EQ(contents(path("m4.log")),
              QByteArray("Time from last frame(ms);dx;dy\r\n500;1\r\n1000;2\r\n86400000;3\r\n"));
}

TEST_F(LogTest, CreationFailureIsReportedAndGivesNoLog)
{
    testsupport::RecordingMessageService messages;
    ASSERT_TRUE(QFile(path("file")).open(QIODevice::WriteOnly));
    // A regular file cannot be a parent folder, even for root.
    const QString bad = path("file") + QStringLiteral("/x.log");
    EXPECT_EQ(TLog::Create(bad, LogTimeMode::FromStart), nullptr);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("Impossible de créer le fichier journal : ") + bad);
    EXPECT_EQ(messages.shown[0].kind, platform::MsgKind::Error);
    // Mode 0 without a header starts empty.
    EXPECT_TRUE(TLog::Create(path("ok.log"), LogTimeMode::None));
    EXPECT_EQ(contents(path("ok.log")), QByteArray());
}
