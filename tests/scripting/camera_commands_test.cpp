#include "script_fixture.h"

#include "app/frm_alv.h"
#include "app/settings.h"
#include "tools/frm_tool_affichage.h"

#include <QAction>
#include <QComboBox>
#include <QScrollBar>
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
