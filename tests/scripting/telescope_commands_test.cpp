#include "script_fixture.h"

#include "app/frm_alv.h"
#include "app/controls/num_inp.h"
#include "app/frm_pref.h"
#include "app/settings.h"
#include "capture/camera_slots.h"
#include "imaging/pipeline_state.h"
#include "platform/com_io.h"
#include "scripting/frm_script.h"
#include "telescope/frm_object_action.h"
#include "telescope/frm_prg_suivi.h"
#include "telescope/frm_tool_suivi.h"
#include "telescope/mount_conversation.h"
#include "telescope/mount_state.h"
#include "telescope/prg_suivi.h"
#include "telescope/sim/mount_simulator_device.h"
#include "telescope/sim/simulated_lx200_mount.h"
#include "telescope/sky/sky_chart.h"
#include "tools/frm_tool_affichage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QThread>
#include <QTest>
#include <QTimer>

class TelescopeCommands : public ScriptFixture {
protected:
    void SetUp() override
    {
        ScriptFixture::SetUp();
        Sky::GotoOriginRA = Sky::GotoOriginDec = Sky::kUnset;
        Sky::GotoDestinationRA = Sky::GotoDestinationDec = Sky::kUnset;
        FRM_Pref->RDB_Mount_Aucun->setChecked(true);
        FRM_Pref->RDB_Autoguide_Aucun->setChecked(true);
    }
    // Disconnects and stops the simulated mount while the windows are still
    // there.
    void TearDown() override
    {
        Prg_Suivi::Conversation().cancelAll();
        try {
            Prg_Suivi::DisconnectMount();
        } catch (...) {
        }
        Telescope::StopMountSimulator();
        platform::com_io::close_all();
        platform::com_io::ClearDevicePaths();
        Prg_Suivi::ResetMotionState();
        SettingsFilePath.clear();
        ScriptFixture::TearDown();
    }
    // One statement, its error box (or none).
    QStringList errorOf(const QString& line)
    {
        boxes.clear();
        runScript(line);
        return boxes.texts();
    }
    // The program's simulated LX200 mount on COM20 as the mount.
    void useSimulatedMount()
    {
        dir.writeFile(QStringLiteral("comports.map"), "COM20=SIM\n");
        // Its sky at the clock's start in universal time, whatever the
        // machine's zone: the same gotos stand above its horizon everywhere.
        clock.setWall(QDateTime(clock.wallNow().date(), clock.wallNow().time(), Qt::UTC));
        TFRM_Pref& p = *FRM_Pref;
        p.SPED_Delai_Serie->setValue(0);
        p.RDB_Mount_LX200->setChecked(true);
        p.CBX_AG_PortSerie->setCurrentIndex(p.CBX_AG_PortSerie->findText(QStringLiteral("      COM20")));
        ASSERT_NE(p.CBX_AG_PortSerie->currentIndex(), -1);
        MotorSpeeds = {15, 15, 15, 15};
    }
    // Runs the mount's side as time goes by: replies read, the position
    // polled, the fake clock moved on, the script ticked when its clock is
    // armed; until done() or 10 s of real time.
    bool runUntil(const std::function<bool()>& done)
    {
        QElapsedTimer real;
        real.start();
        while (!done()) {
            if (real.elapsed() > 10000)
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            if (Prg_Suivi::Conversation().idle()) {
                clock.advanceMs(250);
                if (FRM_Prg_Suivi->TMR_ScopePosition->isActive())
                    FRM_Prg_Suivi->TMR_ScopePositionTimer();
                if (clockArmed())
                    FRM_Script->TMR_ScriptTimer();
            }
            QThread::msleep(1);
        }
        return true;
    }
};

TEST_F(TelescopeCommands, GotoPositionsAreReadAsWrittenWithoutBlanks)
{
    runScript(QStringLiteral("goto.origin(12h 30m 15.5s,45d10m00s)"));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_DOUBLE_EQ(Sky::GotoOriginRA, 675232.5);
    EXPECT_DOUBLE_EQ(Sky::GotoOriginDec, 162600);
    EXPECT_DOUBLE_EQ(Sky::GotoCurrentRA, 675232.5);   // the dialog's current object too
    EXPECT_FALSE(FRM_ObjectAction->EDT_Origine_Ra->text().isEmpty());   // the dialog's own handler ran

    runScript(QStringLiteral("goto.origin(#100.5,#-3600)"));
    EXPECT_DOUBLE_EQ(Sky::GotoOriginRA, 100.5);
    EXPECT_DOUBLE_EQ(Sky::GotoOriginDec, -3600);

    runScript(QStringLiteral("goto.destination(1h0m0s,-0d30m15s)"));
    EXPECT_DOUBLE_EQ(Sky::GotoDestinationRA, 54000);
    EXPECT_DOUBLE_EQ(Sky::GotoDestinationDec, -1815);
    runScript(QStringLiteral("goto.destination(1h0m0s,-0d00m20s)"));
    EXPECT_DOUBLE_EQ(Sky::GotoDestinationDec, -20);
    runScript(QStringLiteral("goto.destination(0h0m0s,-12d30m0s)"));
    EXPECT_DOUBLE_EQ(Sky::GotoDestinationDec, -45000);
    EXPECT_FALSE(FRM_ObjectAction->EDT_Destination_Dec->text().isEmpty());
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(TelescopeCommands, ABadPositionStopsWithItsFieldsFormatAndStoresNothing)
{
    const QString ra = QStringLiteral(": Bad format, should be : XXhXXmXX.XXs");
    const QString dec = QStringLiteral(": Bad format, should be : XXdXXmXX.XXs");
    const std::pair<const char*, QString> cases[] = {
        {"goto.origin(12h30m,45d0m0s)", QStringLiteral("12h30m") + ra},
        {"goto.origin(12h30m0s,+45d0m0s)", QStringLiteral("+45d0m0s") + dec},
        {"goto.origin(25h0m0s,0d0m0s)", QStringLiteral("25h0m0s") + ra},
        {"goto.origin(-1h0m0s,0d0m0s)", QStringLiteral("-1h0m0s") + ra},
        {"goto.destination(1h0m0s,91d0m0s)", QStringLiteral("91d0m0s") + dec},
        {"goto.destination(#abc,#0)", QStringLiteral("#abc") + ra},
        {"goto.destination(#0,#abc)", QStringLiteral("#abc") + dec},
        {"goto.destination(1h2m3s,4d5m6s7)", QStringLiteral("4d5m6s7") + dec},
        {"goto.destination(1h -2m3s,4d5m6s)", QStringLiteral("1h-2m3s") + ra},
    };
    for (const auto& [line, text] : cases) {
        EXPECT_EQ(errorOf(QString::fromLatin1(line)), QStringList{QStringLiteral("Line 1 : ") + text}) << line;
        EXPECT_FALSE(Scripts::ScriptRunning) << line;
    }
    EXPECT_EQ(Sky::GotoOriginRA, Sky::kUnset);
    EXPECT_EQ(Sky::GotoDestinationRA, Sky::kUnset);
}

TEST_F(TelescopeCommands, ModeAndSpeedProfilesAreChosenAsTheUserWould)
{
    runScript(QStringLiteral("goto.mode(relative)"));
    EXPECT_TRUE(FRM_ObjectAction->RDB_Relatif->isChecked());
    runScript(QStringLiteral("goto.mode(absolute)"));
    EXPECT_TRUE(FRM_ObjectAction->RDB_Absolu->isChecked());
    EXPECT_EQ(errorOf(QStringLiteral("goto.mode(Absolute)")), QStringList{QStringLiteral("Line 1 : Absolute: unknown mode")});

    // Two motor-speed profiles; choosing one loads its speeds.
    TFRM_Pref& p = *FRM_Pref;
    SettingsFilePath = dir.filePath(Settings::kSettingsFileName);
    dir.writeFile(Settings::kSettingsFileName, "[Vitesse_Moteur.Lente]\r\nAG_Vitesse_Est=5000\r\n"
                                               "[Vitesse_Moteur.Rapide]\r\nAG_Vitesse_Est=42000\r\n");
    p.TNI_Vitesse_Est->SetValue(1);
    QComboBox* speeds = p.CBX_Vitesse_Moteur;
    speeds->clear();
    speeds->addItems({QStringLiteral("Lente"), QStringLiteral("Rapide")});
    speeds->setCurrentIndex(0);
    runScript(QStringLiteral("telescope.softspeed(RAPIDE)\ntelescope.hardspeed(3)\ntest.log(on)"));
    EXPECT_EQ(speeds->currentText(), QStringLiteral("Rapide"));
    EXPECT_EQ(double(p.TNI_Vitesse_Est->Value()), 42);
    EXPECT_EQ(scripttest::logged, QStringList{QStringLiteral("on")});   // hardspeed halts nothing
    EXPECT_EQ(errorOf(QStringLiteral("telescope.softspeed(Turbo)")), QStringList{QStringLiteral("Line 1 : turbo")});
}

// With no mount chosen a goto or a move, waited for or not, stops the script
// on its line with the same reason, instead of waiting forever or going on
// as if the mount had moved; a stop has nothing to stop and goes on.
TEST_F(TelescopeCommands, WithNoMountGotosAndMovesStopTheScriptWithTheReason)
{
    Sky::GotoDestinationRA = 1000;
    Sky::GotoDestinationDec = 1000;
    for (const char* line : {"goto.execute", "goto.mode(relative)\ngoto.execute", "goto.move(wait,e,30)",
                             "goto.move(nowait,n,10)"}) {
        boxes.clear();
        runScript(QString::fromLatin1(line) + QStringLiteral("\ntest.log(never)"));
        ASSERT_EQ(boxes.texts().size(), 1) << line;
        EXPECT_TRUE(boxes.texts()[0].endsWith(QStringLiteral(" : No mount chosen in the preferences")))
            << boxes.texts()[0].toStdString();
        EXPECT_FALSE(Scripts::ScriptRunning) << line;
        EXPECT_FALSE(Scripts::GotoRunning) << line;
        EXPECT_FALSE(Scripts::WaitMove) << line;
    }
    EXPECT_TRUE(scripttest::logged.isEmpty());
    runScript(QStringLiteral("goto.stop\ntest.log(on)"));
    EXPECT_EQ(scripttest::logged, QStringList{QStringLiteral("on")});

    // A mount that cannot be reached: the line stops the script, which says
    // why in one box: the port's failure as the line met it, the script's
    // line with it once that failure was told before.
    FRM_Pref->RDB_Mount_LX200->setChecked(true);
    FRM_Pref->CBX_AG_PortSerie->setCurrentIndex(FRM_Pref->CBX_AG_PortSerie->findText(QStringLiteral("      COM5")));
    platform::com_io::SetDevicePath(5, dir.filePath(QStringLiteral("no-such-port")));
    for (const auto& [line, told] : {std::pair{"goto.move(wait,e,30)", "open_com, erreur = 2"},
                                      {"goto.mode(absolute)\ngoto.execute", "Line 2 : open_com, erreur = 2"}}) {
        boxes.clear();
        runScript(QString::fromLatin1(line) + QStringLiteral("\ntest.log(never)"));
        ASSERT_TRUE(runUntil([] { return !Scripts::ScriptRunning; })) << line;
        QCoreApplication::processEvents();
        ASSERT_EQ(boxes.texts().size(), 1) << boxes.texts().join(u'|').toStdString();
        EXPECT_TRUE(boxes.texts()[0].startsWith(QLatin1String(told))) << boxes.texts()[0].toStdString();
        EXPECT_TRUE(boxes.texts()[0].contains(QStringLiteral("no-such-port"))) << boxes.texts()[0].toStdString();
        EXPECT_FALSE(Scripts::ScriptRunning) << line;
        EXPECT_FALSE(Scripts::GotoRunning) << line;
        EXPECT_FALSE(Scripts::WaitMove) << line;
    }
    EXPECT_EQ(scripttest::logged, QStringList{QStringLiteral("on")});
}

TEST_F(TelescopeCommands, BadMoveFieldsStopWithTheirText)
{
    EXPECT_EQ(errorOf(QStringLiteral("goto.move(wait,x,100)")), QStringList{QStringLiteral("Line 1 : x")});
    EXPECT_EQ(Scripts::CurrentScript().State, Scripts::StateStopped);
    EXPECT_EQ(errorOf(QStringLiteral("goto.move(Wait,e,100)")), QStringList{QStringLiteral("Line 1 : Wait")});
    EXPECT_EQ(errorOf(QStringLiteral("goto.move(nowait,E,100)")), QStringList{QStringLiteral("Line 1 : E")});
    // An undeclared amount: the evaluator's message only.
    EXPECT_EQ(errorOf(QStringLiteral("goto.move(nowait,e,far)")).size(), 1);
    EXPECT_FALSE(Scripts::WaitMove);
}

TEST_F(TelescopeCommands, TrackingCommandsSetTheTrackingWindow)
{
    TFRM_Tool_Suivi* t = FRM_Tool_Suivi;
    runScript(QStringLiteral("track.inverse(on)\ntrack.mode(drift)\ntrack.mode.precision(25)"));
    EXPECT_TRUE(t->CKB_Inversion_Video->isChecked());
    EXPECT_TRUE(t->RDB_Derive->isChecked());
    EXPECT_EQ(t->SPED_Correl_Precision->value(), 10);
    runScript(QStringLiteral("track.mode.precision(-3)"));
    EXPECT_EQ(t->SPED_Correl_Precision->value(), std::max(0, t->SPED_Correl_Precision->minimum()));
    t->SPED_Correl_Precision->setValue(4);
    runScript(QStringLiteral("track.mode.precision(1.5)\ntrack.mode(correlation)"));
    EXPECT_EQ(t->SPED_Correl_Precision->value(), 4);   // not an integer: kept
    EXPECT_TRUE(t->RDB_Correlation->isChecked());

    // Values the commands do not know change nothing and the script goes on.
    const bool tracking = t->CKB_Suivi->isChecked();
    runScript(QStringLiteral("track(maybe)\ntrack.mode(none)\ntrack.autoguide(later)\ntrack.inverse(Off)\ntest.log(on)"));
    EXPECT_EQ(t->CKB_Suivi->isChecked(), tracking);
    EXPECT_TRUE(t->RDB_Correlation->isChecked());
    EXPECT_TRUE(t->CKB_Inversion_Video->isChecked());
    EXPECT_EQ(scripttest::logged, QStringList{QStringLiteral("on")});
    EXPECT_TRUE(boxes.shown.empty());

    runScript(QStringLiteral("track.autoguide(stop)\ntrack(off)"));
    EXPECT_TRUE(t->RDB_Suivi_logiciel->isChecked());
    EXPECT_FALSE(t->CKB_Suivi->isChecked());

    QScrollBar* zone = t->SCB_Taille_ZDetect;
    const int size = zone->minimum() + (zone->maximum() - zone->minimum()) / 2;
    runScript(QStringLiteral("track.zone.size(%1)").arg(size));
    EXPECT_EQ(zone->value(), size);
    EXPECT_EQ(int(t->TNI_Taille_ZDetect->Value()), size);
}

TEST_F(TelescopeCommands, ZonePositionsClickOnTheGuidedView)
{
    CameraSlots[1].streamMode = true;   // a live slot takes clicks
    GuideSourceSlot = 1;
    TrackedStarPos = QPoint(10, 10);
    runScript(QStringLiteral("track.zone.position(100,80)"));
    EXPECT_EQ(TrackedStarPos, QPoint(100, 80));
    // Missing fields keep the tracked star's place.
    runScript(QStringLiteral("track.zone.position(,90)"));
    EXPECT_EQ(TrackedStarPos, QPoint(100, 90));

    GuideSourceSlot = 0;   // no guided slot: no click, the script goes on
    runScript(QStringLiteral("track.zone.position(5,5)\ntrack.zone.position.center\ntest.log(on)"));
    EXPECT_EQ(TrackedStarPos, QPoint(100, 90));
    EXPECT_EQ(scripttest::logged, QStringList{QStringLiteral("on")});
    GuideSourceSlot = 1;
    CameraSlots[1].streamMode = false;
    EXPECT_TRUE(boxes.shown.empty());
}

// ---- Through the simulated mount on COM20 -----------------------------------

namespace {

bool sawCommand(const QByteArray& prefix)
{
    for (const QByteArray& c : Telescope::MountSimulator()->commands())
        if (c.startsWith(prefix))
            return true;
    return false;
}

} // namespace

TEST_F(TelescopeCommands, AnAbsoluteGotoGoesOnOnlyAfterTheSlewEnded)
{
    useSimulatedMount();
    setText(QStringLiteral("goto.origin(0h0m0s,0d0m0s)\ngoto.destination(0h20m0s,0d0m0s)\n"
                           "goto.mode(absolute)\ngoto.execute\ntest.log(after)"));
    run();
    // Four statements, the last one starting the goto.
    for (int i = 0; i < 4 && clockArmed(); ++i)
        FRM_Script->TMR_ScriptTimer();
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join(u'|').toStdString();
    ASSERT_TRUE(Scripts::GotoRunning);
    EXPECT_FALSE(clockArmed());   // waits for the slew
    ASSERT_TRUE(runUntil([] { return Telescope::MountSimulator() && sawCommand(":MS#"); }));
    EXPECT_TRUE(sawCommand(":Sr"));
    EXPECT_TRUE(sawCommand(":Sd"));
    EXPECT_TRUE(Telescope::MountSimulator()->slewing());
    EXPECT_TRUE(scripttest::logged.isEmpty());

    ASSERT_TRUE(runUntil([] { return !scripttest::logged.isEmpty(); }));
    EXPECT_FALSE(Telescope::MountSimulator()->slewing());
    EXPECT_FALSE(Scripts::GotoRunning);
    EXPECT_EQ(scripttest::logged, QStringList{QStringLiteral("after")});
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join(u'|').toStdString();
}

TEST_F(TelescopeCommands, AWaitedMoveStartsAndStopsTheMountThenGoesOn)
{
    useSimulatedMount();
    setText(QStringLiteral("goto.move(wait,e,30)\ntest.log(after)"));
    run();
    FRM_Script->TMR_ScriptTimer();
    ASSERT_TRUE(boxes.shown.empty()) << boxes.texts().join(u'|').toStdString();
    EXPECT_TRUE(Scripts::WaitMove);
    EXPECT_EQ(MotionSource, 0);
    EXPECT_FALSE(clockArmed());
    ASSERT_TRUE(FRM_Prg_Suivi->TMR_Suivi_AD->isActive());
    ASSERT_TRUE(runUntil([] { return sawCommand(":Me#"); }));
    EXPECT_FALSE(sawCommand(":Qe#"));

    FRM_Prg_Suivi->TMR_Suivi_ADTimer();   // the pulse has lasted
    ASSERT_TRUE(runUntil([] { return sawCommand(":Qe#"); }));
    ASSERT_TRUE(runUntil([] { return !scripttest::logged.isEmpty(); }));
    EXPECT_FALSE(Scripts::WaitMove);
    EXPECT_EQ(scripttest::logged, QStringList{QStringLiteral("after")});
}

TEST_F(TelescopeCommands, AWaitedMoveThatStartsNothingGoesOn)
{
    useSimulatedMount();
    for (const char* amount : {"0", "-30", "\"abc\""}) {
        scripttest::logged.clear();
        const std::vector<int> intervals =
            runScript(QStringLiteral("goto.move(wait,n,%1)\ntest.log(after)").arg(QLatin1String(amount)), 10);
        EXPECT_TRUE(boxes.shown.empty()) << amount;
        EXPECT_FALSE(Scripts::WaitMove) << amount;
        EXPECT_EQ(scripttest::logged, QStringList{QStringLiteral("after")}) << amount;
        ASSERT_GE(intervals.size(), 2u);
        EXPECT_EQ(intervals[1], 50) << amount;
    }
}

TEST_F(TelescopeCommands, ARelativeGotoToTheOriginItselfEndsAtOnce)
{
    useSimulatedMount();
    runScript(QStringLiteral("goto.origin(1h0m0s,10d0m0s)\ngoto.destination(1h0m0s,10d0m0s)\n"
                             "goto.mode(relative)\ngoto.execute\ntest.log(after)"),
              50);
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join(u'|').toStdString();
    EXPECT_FALSE(Scripts::GotoRunning);
    EXPECT_EQ(scripttest::logged, QStringList{QStringLiteral("after")});
    EXPECT_TRUE(FRM_ObjectAction->BTN_Goto->isEnabled());   // the dialog is ready again
}

// A goto started by the user runs alone: a script's move or goto while it
// runs is refused with its line, nothing reaches the mount, and the goto
// still ends when its slew does, with GOTO given back.
TEST_F(TelescopeCommands, AScriptMovesNorGotosOverARunningGoto)
{
    useSimulatedMount();
    TFRM_ObjectAction& d = *FRM_ObjectAction;
    runScript(QStringLiteral("goto.origin(0h0m0s,0d0m0s)\ngoto.destination(0h20m0s,0d0m0s)\ngoto.mode(absolute)"));
    ASSERT_TRUE(boxes.shown.empty()) << boxes.texts().join(u'|').toStdString();
    d.show();
    QTest::mouseClick(d.BTN_Goto, Qt::LeftButton);
    ASSERT_TRUE(runUntil([] { return Telescope::MountSimulator() && sawCommand(":MS#"); }));
    ASSERT_TRUE(Telescope::MountSimulator()->slewing());
    ASSERT_FALSE(d.BTN_Goto->isEnabled());

    const std::pair<const char*, const char*> refused[] = {
        {"goto.move(nowait,e,30)", "Line 1 : goto.move : a goto is running"},
        {"goto.move(wait,n,30)", "Line 1 : goto.move : a goto is running"},
        {"goto.destination(3h0m0s,10d0m0s)\ngoto.execute", "Line 2 : goto.execute : a goto is already running"},
        {"goto.mode(relative)\ngoto.execute", "Line 2 : goto.execute : a goto is already running"},
    };
    for (const auto& [script, error] : refused) {
        Telescope::MountSimulator()->clearRecords();
        scripttest::logged.clear();
        EXPECT_EQ(errorOf(QString::fromLatin1(script) + QStringLiteral("\ntest.log(never)")),
                  QStringList{QString::fromLatin1(error)});
        EXPECT_TRUE(scripttest::logged.isEmpty()) << script;
        EXPECT_FALSE(Scripts::WaitMove) << script;
        ASSERT_TRUE(Scripts::GotoRunning) << script;
        EXPECT_FALSE(FRM_Prg_Suivi->TMR_Suivi_AD->isActive() || FRM_Prg_Suivi->TMR_Suivi_Dec->isActive()) << script;
        for (const char* sent : {":Me#", ":Mn#", ":Sr", ":MS#"})
            EXPECT_FALSE(sawCommand(sent)) << script << " sent " << sent;
        EXPECT_FALSE(d.BTN_Goto->isEnabled()) << script;
        EXPECT_TRUE(d.BTN_Abort->isEnabled()) << script;
    }
    runScript(QStringLiteral("goto.mode(absolute)"));

    ASSERT_TRUE(runUntil([] { return !Telescope::MountSimulator()->slewing() && !Scripts::GotoRunning; }));
    EXPECT_NEAR(Telescope::MountSimulator()->ra(), 20 * 60 * 15, 1) << "the user's goto went where it was sent";
    EXPECT_TRUE(d.BTN_Goto->isEnabled());
    EXPECT_FALSE(d.BTN_Abort->isEnabled());
    EXPECT_FALSE(FRM_Prg_Suivi->TMR_ScopePosition->isActive());
    d.hide();
}
