#include "camera_road_fixture.h"

#include "app/frm_alv.h"
#include "scripting/frm_script.h"
#include "scripting/script_language.h"
#include "scripting/scripts.h"
#include "tools/frm_tool_images.h"

#include <QDir>
#include <QPlainTextEdit>
#include <QTimer>

class ImageCommandsOnACamera : public CameraRoad {};

TEST_F(ImageCommandsOnACamera, AScriptSavesFiveFramesOfTheSimulatedCameraAndStopsIt)
{
    const QString folder = dir.path() + QStringLiteral("/m42");
    ASSERT_TRUE(QDir().mkpath(folder));
    answerDriverDialog(0);
    FRM_Script->Memo_Script->setPlainText(QStringLiteral("camera(1,start)\nimage.sequence.prefix(\"%1/m42_\")\n"
                                                         "image.sequence.for(5,images)\nimage.sequence(startwait)\n"
                                                         "camera(1,stop)")
                                              .arg(folder));
    FRM_Script->MNU_ExecuterDuDebutClick(FRM_Script->MNU_ExecuterDuDebut);
    for (int i = 0; i < 500 && Scripts::ScriptRunning; ++i) {
        if (FRM_Script->TMR_Script->isActive())
            FRM_Script->TMR_ScriptTimer();
        else if (FRM_Alv->Timer_Cam1->isActive())
            FRM_Alv->Timer_Cam1Timer();   // a frame of the camera
    }
    EXPECT_FALSE(Scripts::ScriptRunning);
    // The sequencer's count rule ends a burst once the count is passed: the
    // start's own image and five more.
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 6) << QDir(folder).entryList(QDir::Files).join(u' ').toStdString();
    EXPECT_FALSE(FRM_Alv->Timer_Cam1->isActive());
    QString online = QStringLiteral("%cam1_online");
    ASSERT_TRUE(Scripts::SystemVariable(online));
    EXPECT_EQ(online, QStringLiteral("0"));
    EXPECT_TRUE(messageText().isEmpty()) << messageText().toStdString();
}
