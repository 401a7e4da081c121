// The conversation with a mount that follows the published command set, on a
// pseudo-terminal whose timing and answers each test sets.

#include "mount_fixture.h"

#include "app/frm_message.h"
#include "platform/com_io.h"
#include "scripting/scripts.h"
#include "support/scripted_mount.h"
#include "telescope/frm_prg_suivi.h"
#include "telescope/mount_conversation.h"
#include "telescope/mount_state.h"
#include "telescope/prg_suivi.h"

#include <QElapsedTimer>
#include <QRadioButton>
#include <QThread>

using namespace Prg_Suivi;
using testsupport::ScriptedMount;

namespace {

constexpr double hms(double h, double m, double s) { return (h * 3600 + m * 60 + s) * 15; }
constexpr double dms(double d, double m, double s) { return d * 3600 + m * 60 + s; }

class ConversationTest : public MountTest {
protected:
    void SetUp() override
    {
        MountTest::SetUp();
        ASSERT_TRUE(scripted.isOpen());
        platform::com_io::SetDevicePath(3, scripted.devicePath());
        pref().RDB_Mount_LX200->setChecked(true);
        pref().CKB_Fin_GOTO_Afficher_Message->setChecked(false);
        ASSERT_TRUE(ConnectMount());
    }

    RunResult converse(QList<Exchange> exchanges)
    {
        RunResult out;
        out.status = RunStatus::Cancelled;
        Converse(std::move(exchanges), [&](const RunResult& r) { out = r; });
        EXPECT_TRUE(settle());
        return out;
    }

    void poll()
    {
        FRM_Prg_Suivi->TMR_ScopePositionTimer();
        ASSERT_TRUE(settle());
    }

    void startGoto()
    {
        GotoCoordinates(hms(5, 30, 0), dms(45, 30, 0));
        ASSERT_TRUE(settle());
    }

    QStringList messageLines() const
    {
        return FRM_Message->MEMO_Message->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    ScriptedMount scripted;
};

} // namespace

TEST_F(ConversationTest, RepliesAreMatchedToTheirOwnCommandLateOrStale)
{
    scripted.setDelay(600);
    RunResult r = converse({{":GR#"}, {":GD#"}});
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.replies, (QList<QByteArray>{"05:30:00#", "+45*30:00#"}));

    // A late answer of an earlier exchange is thrown away, not taken as this one's.
    scripted.setDelay(0);
    scripted.inject("12:00:00#");
    r = converse({{":GD#"}});
    EXPECT_EQ(r.replies, QList<QByteArray>{"+45*30:00#"});

    // No answer: the run ends at that command, which the report names.
    scripted.setMode(ScriptedMount::Mode::Silent);
    Conversation().setReplyTimeout(150);
    scripted.clearRecords();
    r = converse({{":GR#"}, {":GD#"}});
    EXPECT_EQ(r.status, RunStatus::TimedOut);
    EXPECT_EQ(r.command, QByteArray(":GR#"));
    EXPECT_TRUE(r.describe().contains(QLatin1String("COM3"))) << r.describe().toStdString();
    // The mount reads on its own thread, which a busy machine may hold back.
    for (QElapsedTimer t; t.isValid() ? t.elapsed() < 2000 : (t.start(), true);) {
        if (!scripted.commands().isEmpty())
            break;
        QThread::msleep(5);
    }
    EXPECT_EQ(scripted.commands(), QList<QByteArray>{":GR#"});

    // Outside a goto, the same silence is reported once, poll after poll.
    reports.clear();
    poll();
    poll();
    EXPECT_EQ(reports.size(), 1) << reports.join(QLatin1Char('|')).toStdString();
}

TEST_F(ConversationTest, AReplyLaterThanItsBoundIsNeverTakenForTheNextCommands)
{
    // A mount answering in 2 s: the bars request times out at 1.5 s, and its
    // "#" comes while the goto's coordinates are being sent.
    scripted.setReply(":D#", "#");
    scripted.setDelay(2000);
    RunResult r = converse({{":D#"}});
    EXPECT_EQ(r.status, RunStatus::TimedOut);
    // The goto's answers come later than that "#", well within their bound.
    scripted.setDelay(700);
    scripted.clearRecords();
    FRM_Message->BTN_EffacerClick();
    startGoto();
    EXPECT_TRUE(Scripts::GotoRunning) << messageLines().join(u'|').toStdString();
    EXPECT_EQ(scripted.commands(), (QList<QByteArray>{":Q#", ":Sr 05:30:00#", ":Sd +45:30:00#", ":MS#"}));
    EXPECT_TRUE(messageLines().filter(QLatin1String("refus")).isEmpty()) << messageLines().join(u'|').toStdString();

    // A one-character answer takes only its own characters.
    QByteArray buffer("#\x7f" "1");
    Lx200::DropForeignLead(Lx200::ReplyKind::Digit, buffer);
    EXPECT_EQ(buffer, QByteArray("1"));
    buffer = "12:00#";
    Lx200::DropForeignLead(Lx200::ReplyKind::Text, buffer);
    EXPECT_EQ(buffer, QByteArray("12:00#"));
}

TEST_F(ConversationTest, AGotoEndsWhenTheSlewBarsAreGone)
{
    startWaitingScript(Scripts::GotoRunning);
    startGoto();
    EXPECT_EQ(scripted.commands(), (QList<QByteArray>{":Q#", ":Sr 05:30:00#", ":Sd +45:30:00#", ":MS#"}));
    QTimer* timer = FRM_Prg_Suivi->TMR_ScopePosition;
    ASSERT_TRUE(timer->isActive());

    poll();   // bars: still slewing
    EXPECT_TRUE(Scripts::GotoRunning);
    EXPECT_EQ(TelescopeDec, dms(45, 30, 0));
    EXPECT_FALSE(scriptResumed());

    scripted.setReply(":D#", "#");
    poll();
    EXPECT_FALSE(Scripts::GotoRunning);
    EXPECT_FALSE(timer->isActive());
    EXPECT_TRUE(scriptResumed());
}

TEST_F(ConversationTest, ARefusedGotoStartsNothing)
{
    startWaitingScript(Scripts::GotoRunning);
    scripted.setReply(":MS#", "1Below horizon#");
    startGoto();
    EXPECT_FALSE(Scripts::GotoRunning);
    EXPECT_FALSE(FRM_Prg_Suivi->TMR_ScopePosition->isActive());
    EXPECT_EQ(messageLines().filter(QLatin1String("Below horizon")).size(), 1);
    EXPECT_EQ(boxes.texts().filter(QLatin1String("Below horizon")).size(), 1) << "the script's error";
    EXPECT_FALSE(Scripts::ScriptRunning);

    // A coordinate refused: the slew command never goes out.
    scripted.setReply(":MS#", "0");
    scripted.setReply(":Sd", "0");
    scripted.clearRecords();
    startGoto();
    EXPECT_EQ(scripted.commands(), (QList<QByteArray>{":Q#", ":Sr 05:30:00#", ":Sd +45:30:00#"}));
    EXPECT_FALSE(Scripts::GotoRunning);
    EXPECT_EQ(messageLines().filter(QLatin1String(":Sd +45:30:00#")).size(), 1);
}

TEST_F(ConversationTest, AMountThatStopsAnsweringEndsTheGotoAsFailed)
{
    for (const char* how : {"silent", "garbage", "closed"}) {
        SCOPED_TRACE(how);
        Conversation().setReplyTimeout(MountConversation::kDefaultReplyTimeout_ms);
        startWaitingScript(Scripts::GotoRunning);
        startGoto();
        ASSERT_TRUE(Scripts::GotoRunning);
        Conversation().setReplyTimeout(150);
        FRM_Message->BTN_EffacerClick();
        boxes.clear();
        scripted.clearRecords();
        if (how == std::string("silent"))
            scripted.setMode(ScriptedMount::Mode::Silent);
        else if (how == std::string("garbage"))
            scripted.setMode(ScriptedMount::Mode::Garbage);
        else
            scripted.hangUp();

        for (int i = 0; i < kMaxFailedPolls && Scripts::GotoRunning; ++i) {
            EXPECT_EQ(messageLines().size(), 0);
            poll();
        }
        EXPECT_FALSE(Scripts::GotoRunning);
        EXPECT_FALSE(FRM_Prg_Suivi->TMR_ScopePosition->isActive());
        ASSERT_EQ(messageLines().size(), 1);
        EXPECT_TRUE(messageLines()[0].contains(QLatin1String("COM3"))) << messageLines()[0].toStdString();
        EXPECT_EQ(boxes.shown.size(), 1u) << "the waiting script's error";
        if (how != std::string("closed")) {
            for (int i = 0; i < 400 && scripted.commands().last() != ":Q#"; ++i)
                QThread::msleep(5);   // the mount reads on its own thread
            EXPECT_EQ(scripted.commands().last(), QByteArray(":Q#"));
        }
        scripted.setMode(ScriptedMount::Mode::Answer);
    }
}

TEST_F(ConversationTest, AbortAndStopsClearTheStateEvenWhenTheLineFails)
{
    startGoto();
    ASSERT_TRUE(Scripts::GotoRunning);
    scripted.hangUp();

    MovingFlags[dirNorth] = 1;
    EXPECT_THROW(AbortGoto(), platform::com_io::ExCom);
    EXPECT_FALSE(Scripts::GotoRunning);
    EXPECT_EQ(MovingFlags, (std::array<std::uint8_t, 4>{}));
    EXPECT_FALSE(FRM_Prg_Suivi->TMR_ScopePosition->isActive());

    Scripts::GotoRunning = true;
    MovingFlags[dirEast] = 1;
    MovingFlags[dirSouth] = 1;
    EXPECT_THROW(StopMount(), platform::com_io::ExCom);
    EXPECT_FALSE(Scripts::GotoRunning);
    EXPECT_EQ(MovingFlags, (std::array<std::uint8_t, 4>{}));
}
