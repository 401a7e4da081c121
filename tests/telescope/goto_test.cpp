#include "mount_fixture.h"

#include "app/frm_message.h"
#include "scripting/frm_script.h"
#include "scripting/scripts.h"
#include "telescope/frm_object_action.h"
#include "telescope/frm_prg_suivi.h"
#include "telescope/mount_state.h"
#include "telescope/sky/sky_chart.h"
#include "telescope/prg_suivi.h"
#include "telescope/lx200_protocol.h"
#include "telescope/mount_conversation.h"
#include "telescope/sim/mount_simulator_device.h"
#include "telescope/sim/simulated_telescope.h"
#include "translation/translated_texts.h"

#include <QRadioButton>
#include <QThread>
#include <numbers>

using namespace Prg_Suivi;

namespace {

constexpr double hms(double h, double m, double s) { return (h * 3600 + m * 60 + s) * 15; }
constexpr double dms(double d, double m, double s) { return d * 3600 + m * 60 + s; }

} // namespace

TEST_F(MountTest, Lx200GotoRunsUntilThePollSeesItsEnd)
{
    Translation::ResetTexts();
    pref().RDB_Mount_LX200->setChecked(true);
    ASSERT_TRUE(ConnectMount());
    pref().SPED_Rafraichissement_Carte->setValue(0);   // no refresh asked: the goto still polls
    pref().CKB_Fin_GOTO_Afficher_Message->setChecked(true);
    startWaitingScript(Scripts::GotoRunning);

    QByteArray replies;
    EXPECT_TRUE(GotoCoordinates(hms(5, 30, 0), -dms(0, 30, 0), [&](const QByteArray& r) { replies = r; }));
    ASSERT_TRUE(settle());
    EXPECT_EQ(mount.commands(), (QList<QByteArray>{":Q#", ":Sr 05:30:00#", ":Sd -00:30:00#", ":MS#"}));
    EXPECT_EQ(replies, QByteArray("110"));
    EXPECT_TRUE(Scripts::GotoRunning);
    QTimer* poll = FRM_Prg_Suivi->TMR_ScopePosition;
    ASSERT_TRUE(poll->isActive());
    EXPECT_EQ(poll->interval(), 1000);

    // Under way: the position is read, the goto goes on.
    clock.advanceMs(500);
    FRM_Prg_Suivi->TMR_ScopePositionTimer();
    ASSERT_TRUE(settle());
    EXPECT_TRUE(poll->isActive());
    EXPECT_GT(TelescopeRA, 0);
    EXPECT_LT(TelescopeRA, hms(5, 30, 0));
    EXPECT_FALSE(scriptResumed());

    // A press of the hand pad skips one poll.
    HandPadMoving = 1;
    mount.clearRecords();
    FRM_Prg_Suivi->TMR_ScopePositionTimer();
    EXPECT_TRUE(mount.commands().isEmpty());
    EXPECT_EQ(HandPadMoving, 0);

    clock.advanceMs(60000);
    FRM_Prg_Suivi->TMR_ScopePositionTimer();
    ASSERT_TRUE(settle());
    EXPECT_EQ(mount.commands(), (QList<QByteArray>{":D#", ":GR#", ":GD#"}));
    EXPECT_FALSE(poll->isActive());
    EXPECT_FALSE(Scripts::GotoRunning);
    EXPECT_EQ(TelescopeRA, hms(5, 30, 0));
    EXPECT_EQ(TelescopeDec, -dms(0, 30, 0));
    EXPECT_DOUBLE_EQ(Sky::GotoOriginRA, hms(5, 30, 0));
    EXPECT_TRUE(FRM_Message->isVisible());
    EXPECT_TRUE(scriptResumed());
}

TEST_F(MountTest, TheEndOfAGotoPlaysItsSoundThroughTheSoundService)
{
    testsupport::RecordingSoundService sounds;
    dir.writeFile(QStringLiteral("Sounds/fin.wav"), QByteArray("RIFF\x04\x00\x00\x00WAVE", 12));
    pref().RDB_Mount_LX200->setChecked(true);
    ASSERT_TRUE(ConnectMount());
    pref().EDT_Fin_GOTO_Son_a_jouer->setText(QStringLiteral("Sounds\\fin.wav"));
    pref().CKB_Fin_Goto_Jouer_un_son->setChecked(true);
    ASSERT_TRUE(pref().CKB_Fin_Goto_Jouer_un_son->isChecked());

    EXPECT_TRUE(GotoCoordinates(hms(5, 30, 0), -dms(0, 30, 0), nullptr));
    ASSERT_TRUE(settle());
    clock.advanceMs(500);
    FRM_Prg_Suivi->TMR_ScopePositionTimer();
    ASSERT_TRUE(settle());
    EXPECT_TRUE(sounds.playedFiles.isEmpty()) << "nothing plays while the goto runs";
    clock.advanceMs(60000);
    FRM_Prg_Suivi->TMR_ScopePositionTimer();
    ASSERT_TRUE(settle());
    EXPECT_EQ(sounds.playedFiles, QStringList{dir.filePath(QStringLiteral("Sounds/fin.wav"))});
}

TEST_F(MountTest, AbortAndSyncOnAnLx200Mount)
{
    pref().RDB_Mount_LX200->setChecked(true);
    ASSERT_TRUE(ConnectMount());
    GotoCoordinates(hms(10, 0, 0), dms(20, 0, 0));
    ASSERT_TRUE(settle());
    mount.clearRecords();
    AbortGoto();
    EXPECT_EQ(mount.commands(), QList<QByteArray>{":Q#"});
    EXPECT_FALSE(mount.slewing());
    EXPECT_FALSE(FRM_Prg_Suivi->TMR_ScopePosition->isActive());
    EXPECT_FALSE(Scripts::GotoRunning);

    mount.clearRecords();
    libraryWithM31();
    QByteArray reply;
    SyncOnObject("M 31", [&](const QByteArray& r) { reply = r; });
    ASSERT_TRUE(settle());
    EXPECT_EQ(reply, QByteArray("Coordonnees synchronisees#"));
    EXPECT_EQ(mount.commands(), (QList<QByteArray>{":Q#", ":LM 31#", ":CM#"}));
    EXPECT_NEAR(mount.ra(), hms(0, 42, 42), 1e-6);
    EXPECT_NEAR(mount.dec(), dms(41, 16, 0), 1e-6);

    // An object the mount does not know: no sync, on anything.
    SyncOnObject("M 32", [&](const QByteArray& r) { reply = r; });
    ASSERT_TRUE(settle());
    EXPECT_EQ(reply, QByteArray("M 32 absent du catalogue#"));
    EXPECT_NEAR(mount.ra(), hms(0, 42, 42), 1e-6);
    EXPECT_NEAR(mount.dec(), dms(41, 16, 0), 1e-6);
}

TEST_F(MountTest, AWaitingScriptGoesOnOnlyWhenNoGotoRuns)
{
    pref().RDB_Autoguide_Quillon->setChecked(true);
    startWaitingScript(Scripts::WaitMove);
    Scripts::GotoRunning = true;
    StartMotion(dirNorth, true, false, 300);
    FRM_Prg_Suivi->TMR_Suivi_DecTimer();
    EXPECT_FALSE(scriptResumed());
    EXPECT_TRUE(Scripts::WaitMove);

    Scripts::GotoRunning = false;
    StartMotion(dirNorth, true, false, 300);
    FRM_Prg_Suivi->TMR_Suivi_DecTimer();
    EXPECT_TRUE(scriptResumed());
    EXPECT_FALSE(Scripts::WaitMove);
}

TEST_F(MountTest, RelativeMovesAreEstimatedFromTheMotorSpeeds)
{
    pref().RDB_Autoguide_Quillon->setChecked(true);
    MotorSpeeds.East = 15;
    Scripts::GotoRunning = true;
    TelescopeRA = 1296000 - 5;
    MovingFlags[dirEast] = 1;
    LastRADirection = dirEast;
    RemainingRA = 5000;
    LastPollMs = clock.monotonicMs() - 500;
    RAStartMs = LastPollMs;
    PollPosition();
    EXPECT_EQ(TelescopeRA, 3) << "7.5 rounds to 8 and the angle wraps at 360 degrees";
    EXPECT_EQ(RemainingRA, 4500);
    EXPECT_EQ(FRM_Prg_Suivi->TMR_ScopePosition->isActive(), false);
}

TEST_F(MountTest, AscomGotoReadsThePositionAndEndsWithTheSlew)
{
    Telescope::SimulatedTelescope telescope;
    pref().RDB_Mount_ASCOM->setChecked(true);
    ASSERT_TRUE(ConnectMount());
    telescope.raHours = 1;
    GotoCoordinates(hms(6, 0, 0), dms(45, 0, 0));
    EXPECT_EQ(AscomBridge::AscomSharedData.TargetRightAscension, 6.0);
    EXPECT_EQ(AscomBridge::AscomSharedData.TargetDeclination, 45.0);
    PollPosition();
    EXPECT_EQ(TelescopeRA, hms(1, 0, 0));
    EXPECT_TRUE(Scripts::GotoRunning);

    // A driver that does not answer leaves everything as it was.
    telescope.answers = false;
    clock.advanceMs(telescope.slewDuration_ms);
    PollPosition();
    EXPECT_EQ(TelescopeRA, hms(1, 0, 0));
    EXPECT_TRUE(Scripts::GotoRunning);

    telescope.answers = true;
    PollPosition();
    EXPECT_DOUBLE_EQ(TelescopeRA, hms(6, 0, 0));
    EXPECT_DOUBLE_EQ(TelescopeDec, dms(45, 0, 0));
    EXPECT_FALSE(Scripts::GotoRunning);
    EXPECT_FALSE(FRM_Prg_Suivi->TMR_ScopePosition->isActive());
}

// The simulated mount on COM20 answers on its own thread, in the precision
// it was left in.
TEST_F(MountTest, TheSimulatorPortOfTheComMapAnswersOnItsOwnThread)
{
    dir.writeFile(QStringLiteral("comports.map"), "# the simulated mount\nCOM20=SIM\n");
    pref().RDB_Mount_LX200->setChecked(true);
    pref().CBX_AG_PortSerie->setCurrentIndex(pref().CBX_AG_PortSerie->findText(QStringLiteral("      COM20")));
    ASSERT_TRUE(ConnectMount());
    ASSERT_NE(Telescope::MountSimulator(), nullptr);
    QByteArray reply;
    Converse({{Lx200::GetDecCommand}}, [&](const RunResult& r) { reply = r.replies.value(0); });
    ASSERT_TRUE(settle());
    EXPECT_EQ(reply, QByteArray("+00*00#"));

    // ":U#" toggles it to long precision and back, as the coordinate
    // replies show.
    Telescope::MountSimulator()->setPosition(hms(5, 35, 17), -dms(5, 23, 28));
    QList<QByteArray> replies;
    const auto read = [&] {
        Converse({{":U#"}, {Lx200::GetRACommand}, {Lx200::GetDecCommand}}, [&](const RunResult& r) { replies = r.replies; });
        EXPECT_TRUE(settle());
        return replies;
    };
    EXPECT_EQ(read(), (QList<QByteArray>{"05:35:17#", "-05*23'28#"}));
    EXPECT_EQ(read(), (QList<QByteArray>{"05:35.2#", "-05*23#"}));

    // It knows its sky: on 6 December at 21 h UT, 14 h -30 degrees is under
    // its horizon and a goto there is refused with the mount's reason, as
    // the user reads it; half a day later it has risen and the mount goes.
    Translation::ResetTexts();
    pref().CKB_Fin_GOTO_Afficher_Message->setChecked(false);
    FRM_Message->MEMO_Message->clear();
    Telescope::MountSimulator()->setPosition(hms(2, 0, 0), dms(60, 0, 0));
    QByteArray slewReply;
    GotoCoordinates(hms(14, 0, 0), -dms(30, 0, 0), [&](const QByteArray& r) { slewReply = r; });
    ASSERT_TRUE(settle());
    EXPECT_FALSE(Scripts::GotoRunning);
    EXPECT_FALSE(Telescope::MountSimulator()->slewing());
    EXPECT_EQ(Telescope::MountSimulator()->ra(), hms(2, 0, 0));
    EXPECT_TRUE(FRM_Message->MEMO_Message->toPlainText().contains(
        QStringLiteral("Goto refusé par la monture : Objet sous l'horizon")))
        << FRM_Message->MEMO_Message->toPlainText().toStdString();
    clock.setWall(clock.wallNow().addSecs(12 * 3600));
    GotoCoordinates(hms(14, 0, 0), -dms(30, 0, 0), [&](const QByteArray& r) { slewReply = r; });
    ASSERT_TRUE(settle());
    EXPECT_TRUE(slewReply.endsWith('0')) << slewReply.constData();
    EXPECT_TRUE(Telescope::MountSimulator()->slewing());
    AbortGoto();
    ASSERT_TRUE(settle());
    DisconnectMount();
}

// A goto whose mount is disconnected under way cannot end by itself: the
// poll of a closed line hears nothing.
TEST_F(MountTest, DisconnectingTheMountEndsItsGotoAndGivesTheGotoDialogBack)
{
    Translation::ResetTexts();
    pref().RDB_Mount_LX200->setChecked(true);
    ASSERT_TRUE(ConnectMount());
    TFRM_ObjectAction& d = *FRM_ObjectAction;
    d.TNI_RaH->SetValue(5);
    d.TNI_DecD->SetValue(-5);
    d.TNI_RaHExit();   // as the inputs' exit takes them
    d.TNI_DecDExit();
    d.RDB_Absolu->setChecked(true);
    d.SPDB_Devient_Destination->click();
    startWaitingScript(Scripts::GotoRunning);
    ASSERT_TRUE(d.BTN_Goto->isEnabled());
    d.BTN_Goto->click();
    ASSERT_TRUE(settle());
    QTimer* poll = FRM_Prg_Suivi->TMR_ScopePosition;
    ASSERT_TRUE(poll->isActive());

    mount.clearRecords();
    pref().BTN_Mount_Deconnecter->click();
    EXPECT_EQ(mount.commands(), QList<QByteArray>{":Q#"}) << "the mount is not left slewing";
    EXPECT_FALSE(mount.slewing());
    EXPECT_FALSE(Scripts::GotoRunning);
    EXPECT_FALSE(poll->isActive());
    EXPECT_TRUE(d.BTN_Goto->isEnabled());
    EXPECT_FALSE(d.BTN_Abort->isEnabled());
    EXPECT_TRUE(FRM_Message->MEMO_Message->toPlainText().contains(QStringLiteral("déconnectée")));
    EXPECT_FALSE(Scripts::ScriptRunning) << "the script waiting for the goto gets the error";

    // Disconnected before the mount even answered the goto.
    ASSERT_TRUE(ConnectMount());
    EXPECT_TRUE(GotoCoordinates(hms(6, 0, 0), dms(10, 0, 0)));
    DisconnectMount();
    EXPECT_FALSE(Scripts::GotoRunning);
    settle();
    EXPECT_FALSE(poll->isActive());

    // A goto flag with neither the mount's goto nor a move under way:
    // nothing to end.
    ASSERT_TRUE(ConnectMount());
    Scripts::GotoRunning = true;
    DisconnectMount();
    EXPECT_TRUE(Scripts::GotoRunning);
    Scripts::GotoRunning = false;
}
