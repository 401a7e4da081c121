#include "script_fixture.h"

#include "app/frm_alv.h"
#include "app/settings.h"
#include "capture/camera_slots.h"
#include "capture/frm_longuepose.h"
#include "capture/frm_play_control.h"
#include "tools/frm_tool_affichage.h"

#include <QAction>
#include <QComboBox>
#include <QScrollBar>
#include <QSpinBox>
#include <QToolButton>

class CameraCommands : public ScriptFixture {};

TEST_F(CameraCommands, BadCameraNumbersAndKeywordsStopWithTheirText)
{
    runScript(QStringLiteral("camera(3,start)"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Line 1 : Cam = 3, (0 < Cam < 3)")});
    EXPECT_FALSE(Scripts::ScriptRunning);
    for (const char* line : {"camera(a,start)", "camera(1.5,stop)", "camera.framerate(0,25)"}) {
        boxes.clear();
        runScript(QString::fromLatin1(line));
        ASSERT_EQ(boxes.texts().size(), 1) << line;
        EXPECT_TRUE(boxes.texts().front().contains(QStringLiteral(", (0 < Cam < 3)"))) << line;
    }
    boxes.clear();
    runScript(QStringLiteral("camera(1,Start)"));   // keyword values are case-sensitive
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Line 1 : Start")});
    // The time is evaluated before the camera is checked.
    boxes.clear();
    runScript(QStringLiteral("camera.refreshtime(3,nothere)"));
    ASSERT_EQ(boxes.texts().size(), 1);
    EXPECT_FALSE(boxes.texts().front().contains(QStringLiteral("Cam =")));
}

TEST_F(CameraCommands, FrameRateAndRefreshTimeSetTheDisplayToolControls)
{
    runScript(QStringLiteral("camera.framerate(2,25)\ncamera.framerate(1,auto)"));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(FRM_Tool_Affichage->CBX_Cam2_IPS->currentText(), QStringLiteral("25"));
    EXPECT_EQ(FRM_Tool_Affichage->CBX_Cam1_IPS->currentText(), QStringLiteral("10"));
    runScript(QStringLiteral("camera.framerate(1,custom)"));
    EXPECT_EQ(FRM_Tool_Affichage->CBX_Cam1_IPS->currentText(), QStringLiteral("Custom"));
    runScript(QStringLiteral("camera.framerate(1,33)"));
    EXPECT_EQ(FRM_Tool_Affichage->CBX_Cam1_IPS->currentIndex(), -1);

    QScrollBar* bar = FRM_Tool_Affichage->SCB_Cam2_Tps_Rafraichissement;
    runScript(QStringLiteral("var(t,integer)\nt:=%1\ncamera.refreshtime(2,t)").arg(bar->minimum() + 1));
    EXPECT_EQ(bar->value(), bar->minimum() + 1);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(CameraCommands, ModeNeedsARunningCameraAndArmsTheNextLineBeforeTheClick)
{
    runScript(QStringLiteral("camera.mode(1,nonsense)"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Camera 1 offline...")});
    EXPECT_FALSE(Scripts::ScriptRunning);

    FRM_Alv->MNU_Cam1_Demarrer->setEnabled(false);   // camera 1 runs
    bool armedAtClick = false;
    int clicks = 0;
    Settings::RegisterHandler(QStringLiteral("FRM_Alv.SPDB_Cam1_ImageClick"), [&] {
        ++clicks;
        armedAtClick = clockArmed();
    });
    boxes.clear();
    setText(QStringLiteral("camera.mode(1,frame)\ntest.log(after)"));
    run();
    const auto intervals = ticks();
    Settings::UnregisterHandler(QStringLiteral("FRM_Alv.SPDB_Cam1_ImageClick"));
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(armedAtClick);
    EXPECT_TRUE(FRM_Alv->SPDB_Cam1_Image->isChecked());
    ASSERT_GE(intervals.size(), 2u);
    EXPECT_EQ(intervals[1], 150);
    EXPECT_EQ(scripttest::logged, QStringList{QStringLiteral("after")});

    runScript(QStringLiteral("camera.role(1,image)"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Line 1 : image")});
}

TEST_F(CameraCommands, LongExposureWaitsAreMarkedFirstAndNeverEndless)
{
    // Unavailable long exposures: an error, not a wait without end, and no
    // start taken for a series that runs.
    runScript(QStringLiteral("longexposure(startwait)\ntest.log(never)"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Line 1 : startwait")});
    EXPECT_FALSE(Scripts::WaitLongExposure);
    EXPECT_FALSE(Scripts::ScriptRunning);
    boxes.clear();
    runScript(QStringLiteral("longexposure(start)\ntest.log(never)"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Line 1 : start")});
    EXPECT_FALSE(Scripts::ScriptRunning);
    EXPECT_TRUE(scripttest::logged.isEmpty());
    EXPECT_TRUE(FRM_Longuepose->BTN_Demarrer_Pose->isEnabled()) << "the window's start stays offered";

    // An end reported during the start itself lets the script go on.
    Settings::RegisterHandler(QStringLiteral("FRM_Longuepose.BTN_Demarrer_PoseClick"),
                              [] { Scripts::ResumeIfWaiting(Scripts::WaitLongExposure); });
    boxes.clear();
    runScript(QStringLiteral("longexposure(startwait)\ntest.log(after)"));
    Settings::UnregisterHandler(QStringLiteral("FRM_Longuepose.BTN_Demarrer_PoseClick"));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(scripttest::logged, QStringList{QStringLiteral("after")});

    // The largest valid length is a value, not a failure; a text is refused.
    runScript(QStringLiteral("longexposure.length(9999999)"));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(FRM_Longuepose->SPED_Vesta_Pose->value(), 9999999);
    runScript(QStringLiteral("longexposure.length(1.5)"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Line 1 : 9999999")});
    boxes.clear();
    runScript(QStringLiteral("longexposure(Start)"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Line 1 : Start")});
}

TEST_F(CameraCommands, PlayerCommandsPressTheTransportButtons)
{
    PlayerActive = 1;   // a file is open
    runScript(QStringLiteral("player.go()"));
    EXPECT_TRUE(FRM_PlayControl->SPDB_FF->isChecked());
    runScript(QStringLiteral("player.go(first)\nplayer.loop(on)"));
    EXPECT_TRUE(FRM_PlayControl->SPDB_REW->isChecked());
    EXPECT_TRUE(FRM_PlayControl->SPDB_Loop->isChecked());
    Scripts::WaitPlayer = true;
    runScript(QStringLiteral("player.play(start,forward)"));
    EXPECT_TRUE(FRM_PlayControl->SPDB_PlayForward->isChecked());
    EXPECT_FALSE(Scripts::WaitPlayer);
    runScript(QStringLiteral("player.step(reverse)\nplayer.stop"));
    EXPECT_TRUE(FRM_PlayControl->SPDB_Stop->isChecked());
    EXPECT_TRUE(boxes.shown.empty());

    for (const auto& [line, text] : {std::pair{"player.go(last)", "last"},
                                     std::pair{"player.play(start,sideways)", "start,sideways"}}) {
        boxes.clear();
        runScript(QString::fromLatin1(line));
        EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Line 1 : ") + QString::fromLatin1(text)}) << line;
        EXPECT_FALSE(Scripts::WaitPlayer) << line;
    }

    // With no file open nothing would move: a transport statement fails,
    // naming itself, and the script goes no further; stop and loop still do.
    PlayerActive = 0;
    for (const char* line : {"player.go()", "player.go(first)", "player.play(start,forward)",
                             "player.play(startwait,reverse)", "player.step(forward)"}) {
        boxes.clear();
        scripttest::logged.clear();
        FRM_PlayControl->Press(FRM_PlayControl->SPDB_Stop);
        runScript(QString::fromLatin1(line) + QStringLiteral("\ntest.log(after)"));
        EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Line 1 : %1 : no file is open").arg(QLatin1String(line))});
        EXPECT_TRUE(scripttest::logged.isEmpty()) << line;
        EXPECT_FALSE(Scripts::ScriptRunning) << line;
        EXPECT_FALSE(Scripts::WaitPlayer) << line;
        EXPECT_TRUE(FRM_PlayControl->SPDB_Stop->isChecked()) << line << ": no button pressed";
    }
    boxes.clear();
    runScript(QStringLiteral("player.stop\nplayer.loop(off)\ntest.log(after)"));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(scripttest::logged, QStringList{QStringLiteral("after")});
}

TEST_F(CameraCommands, CountAndTypeSetTheLongExposureWindowAsTheUserWould)
{
    runScript(QStringLiteral("longexposure.count(12)\nlongexposure.type(dark)"));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(FRM_Longuepose->SPED_Nb_Poses->value(), 12);
    EXPECT_EQ(FRM_Longuepose->CBX_TypePose->currentText(), QStringLiteral("Dark"));
    runScript(QStringLiteral("var(n,integer)\nn:=0\nlongexposure.count(n)\nlongexposure.type(flat)"));
    EXPECT_EQ(FRM_Longuepose->SPED_Nb_Poses->value(), 0) << "no limit";
    EXPECT_EQ(FRM_Longuepose->CBX_TypePose->currentText(), QStringLiteral("Flat"));
    EXPECT_TRUE(boxes.shown.empty());

    for (const auto& [line, text] : {std::pair{"longexposure.count(2.5)", "9999999"},
                                     std::pair{"longexposure.type(Image)", "Image"},
                                     std::pair{"longexposure.type(bias)", "bias"}}) {
        boxes.clear();
        runScript(QString::fromLatin1(line));
        EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Line 1 : ") + QString::fromLatin1(text)}) << line;
    }
    EXPECT_EQ(FRM_Longuepose->CBX_TypePose->currentText(), QStringLiteral("Flat")) << "a refused type changes nothing";
}
