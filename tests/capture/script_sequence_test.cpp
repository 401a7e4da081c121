#include "camera_road_fixture.h"

#include "app/frm_alv.h"
#include "imaging/pipeline_state.h"
#include "scripting/frm_script.h"
#include "scripting/script_language.h"
#include "scripting/scripts.h"
#include "tools/frm_tool_images.h"
#include "app/controls/num_inp.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTimer>
#include <QtEndian>
#include <cstdlib>
#include <functional>

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
    // Five images asked, five written: the start's own save is the first.
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 5) << QDir(folder).entryList(QDir::Files).join(u' ').toStdString();
    EXPECT_FALSE(FRM_Alv->Timer_Cam1->isActive());
    QString online = QStringLiteral("%cam1_online");
    ASSERT_TRUE(Scripts::SystemVariable(online));
    EXPECT_EQ(online, QStringLiteral("0"));
    EXPECT_TRUE(messageText().isEmpty()) << messageText().toStdString();
}

namespace {

// Runs the script as the program does while the camera streams: a frame of
// the camera every round, and the script's statement when its clock is due.
// Stops once the script has stopped or waits for more than `frames` frames.
void runWithFrames(int frames, std::function<void()> everyFrame = {})
{
    for (int i = 0; i < frames && Scripts::ScriptRunning; ++i) {
        if (FRM_Alv->Timer_Cam1->isActive()) {
            FRM_Alv->Timer_Cam1Timer();
            if (everyFrame)
                everyFrame();
        }
        if (FRM_Script->TMR_Script->isActive())
            FRM_Script->TMR_ScriptTimer();
    }
}

bool runControlsIdle()
{
    return FRM_Script->MNU_Executer->menuAction()->isEnabled() && !FRM_Script->MNU_Arreter->isEnabled()
           && !FRM_Script->MNU_Pause->isEnabled();
}

} // namespace

// The sequencer paused by a script (or left paused by the user) and then
// started by it: the start lets pause up, the sequence of three images ends
// by itself, and the script waiting for it goes on to its last line.
TEST_F(ImageCommandsOnACamera, AScriptThatPausedTheSequencerStartsItAndGoesOnAtItsEnd)
{
    const QString folder = dir.path() + QStringLiteral("/m13");
    ASSERT_TRUE(QDir().mkpath(folder));
    answerDriverDialog(0);
    FRM_Script->Memo_Script->setPlainText(QStringLiteral("camera(1,start)\nimage.sequence.prefix(\"%1/m13_\")\n"
                                                         "image.sequence(pause)\nimage.sequence.for(3,images)\n"
                                                         "image.sequence(startwait)\ncamera(1,stop)")
                                              .arg(folder));
    FRM_Script->MNU_ExecuterDuDebutClick(FRM_Script->MNU_ExecuterDuDebut);
    runWithFrames(500);
    EXPECT_FALSE(Scripts::ScriptRunning) << "the script still waits for the sequence";
    EXPECT_FALSE(SequenceSaving);
    EXPECT_FALSE(FRM_Tool_Images->BTN_Pause_sauv->isChecked());
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 3) << QDir(folder).entryList(QDir::Files).join(u' ').toStdString();
    EXPECT_FALSE(FRM_Alv->Timer_Cam1->isActive()) << "camera(1,stop) ran";
    EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join(u'|').toStdString();
}

// A sequence a script waits for that ends because a file cannot be written
// (the third, or the very first) stops the script with it: the failure's one
// box, and the statement after the wait never runs as after a sequence that
// ran its course.
TEST_F(ImageCommandsOnACamera, AScriptWaitingForASequenceThatCannotWriteStopsWithIt)
{
    const QString folder = dir.path() + QStringLiteral("/m57");
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/full"), folder + QStringLiteral("/m57_3.bmp")));
    for (const QString& prefix : {folder + QStringLiteral("/m57_"), folder + QStringLiteral("/m57_3.bmp/in_")}) {
        SCOPED_TRACE(prefix.toStdString());
        boxes.clear();
        answerDriverDialog(0);
        FRM_Script->Memo_Script->setPlainText(QStringLiteral("camera(1,start)\nimage.sequence.prefix(\"%1\")\n"
                                                             "image.sequence.currentnumber(1)\n"
                                                             "image.sequence.for(5,images)\nimage.sequence(startwait)\n"
                                                             "camera(1,stop)")
                                                  .arg(prefix));
        FRM_Script->MNU_ExecuterDuDebutClick(FRM_Script->MNU_ExecuterDuDebut);
        runWithFrames(200);
        EXPECT_FALSE(Scripts::ScriptRunning);
        EXPECT_FALSE(SequenceSaving);
        EXPECT_EQ(boxes.texts().size(), 1) << boxes.texts().join(u'|').toStdString();
        EXPECT_TRUE(runControlsIdle());
        EXPECT_TRUE(FRM_Tool_Images->BTN_Demarrer_Sauv->isEnabled()) << "a new sequence can start";
        EXPECT_TRUE(FRM_Alv->Timer_Cam1->isActive()) << "the line after the wait ran";
        FRM_Alv->MNU_Cam1_ArreterClick();
    }
    EXPECT_EQ(QDir(folder).entryList({QStringLiteral("*.bmp")}, QDir::Files),
              (QStringList{QStringLiteral("m57_1.bmp"), QStringLiteral("m57_2.bmp")}));
}

TEST_F(ImageCommandsOnACamera, ScriptErrorsShowTheirBoxAndStopWhileTheCameraStreams)
{
    const QString folder = dir.path() + QStringLiteral("/scripts/");
    ASSERT_TRUE(QDir().mkpath(folder));
    struct Case {
        const char* line;
        QString box;
    };
    const Case cases[] = {
        {"image.sequence.filetype(jpg)", QStringLiteral("Line 2 : jpg")},
        {"nosuchcommand(absolute)", QStringLiteral("Error, Line 2 : Unknown Command")},
    };
    for (const bool fromFile : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.line) + (fromFile ? " from a file" : " from the editor"));
            boxes.clear();
            answerDriverDialog(0);
            const QString text = QStringLiteral("camera(1,start)\n%1\ncamera(1,stop)").arg(QLatin1String(c.line));
            if (fromFile) {
                // As a function button or the start-up script runs a file.
                QFile f(folder + QStringLiteral("night.txt"));
                ASSERT_TRUE(f.open(QIODevice::WriteOnly));
                f.write(text.toLatin1());
                f.close();
                FRM_Script->Memo_Script->clear();
                Scripts::RunScriptFile(f.fileName());
            } else {
                FRM_Script->Memo_Script->setPlainText(text);
                FRM_Script->MNU_ExecuterDuDebutClick(FRM_Script->MNU_ExecuterDuDebut);
            }
            runWithFrames(200);
            EXPECT_EQ(boxes.texts(), QStringList{c.box});
            EXPECT_FALSE(Scripts::ScriptRunning);
            EXPECT_EQ(Scripts::CurrentLevel, 0);
            EXPECT_TRUE(runControlsIdle());
            EXPECT_TRUE(FRM_Alv->Timer_Cam1->isActive()) << "stopped at the failing line";
            FRM_Alv->MNU_Cam1_ArreterClick();
        }
    }
}

TEST_F(ImageCommandsOnACamera, IntegrationStartwaitWaitsForTheEndOfItsStackWhileTheCameraStreams)
{
    answerDriverDialog(0);
    const QString saved = dir.path() + QStringLiteral("/stack.bmp");
    FRM_Script->Memo_Script->setPlainText(QStringLiteral("camera(1,start)\nintegration(on)\nintegration.type(dark)\n"
                                                         "integration.count(10)\nintegration(startwait)\n"
                                                         "integration.type(unique)\nintegration.count(20)\n"
                                                         "integration(startwait)\nimage.name(\"%1\")\nimage.save\n"
                                                         "camera(1,stop)")
                                              .arg(saved));
    FRM_Script->MNU_ExecuterDuDebutClick(FRM_Script->MNU_ExecuterDuDebut);
    int framesWhenSaved = -1;
    runWithFrames(600, [&] {
        if (framesWhenSaved < 0 && QFileInfo::exists(saved))
            framesWhenSaved = AdditionFrameCount[0];
    });
    EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join(u'|').toStdString();
    EXPECT_FALSE(Scripts::ScriptRunning);
    EXPECT_EQ(AdditionFrameCount[1], 10);
    EXPECT_EQ(AdditionFrameCount[0], 20);
    EXPECT_TRUE(QFileInfo::exists(saved));
    EXPECT_EQ(framesWhenSaved, 20) << "saved once the stack had all its frames";
}

TEST_F(ImageCommandsOnACamera, APictureSavedBeforeProcessingHoldsTheZoneAtItsOwnSize)
{
    answerDriverDialog(0);
    FRM_Alv->MNU_Cam1_DemarrerClick();
    ASSERT_TRUE(FRM_Alv->Timer_Cam1->isActive());
    FRM_Tool_Images->CKB_utiliser_seuils->setChecked(true);
    FRM_Tool_Images->RDB_Images_Avant_Traitement->setChecked(true);
    FRM_Tool_Images->CKB_Enreg_Params->setChecked(true);
    FRM_Tool_Images->EDT_Nom_Image->setText(dir.filePath(QStringLiteral("zone")));
    for (int i = 0; i < 3; ++i)
        FRM_Alv->Timer_Cam1Timer();
    const int width = DisplayZoneRect.right - DisplayZoneRect.left;
    const int height = DisplayZoneRect.bottom - DisplayZoneRect.top;
    ASSERT_GT(width, 0);
    ASSERT_GT(height, 0);
    FRM_Tool_Images->BTN_Enregistrer_ImageClick();
    const QStringList bmps = QDir(dir.path()).entryList({QStringLiteral("zone*.bmp")}, QDir::Files);
    ASSERT_EQ(bmps.size(), 1);
    QFile bmp(dir.filePath(bmps.front()));
    ASSERT_TRUE(bmp.open(QIODevice::ReadOnly));
    const QByteArray header = bmp.read(26);
    EXPECT_EQ(qFromLittleEndian<qint32>(header.constData() + 18), width);
    EXPECT_EQ(std::abs(qFromLittleEndian<qint32>(header.constData() + 22)), height) << "not squashed";
    // The report states the size that was saved.
    QFile par(dir.filePath(QFileInfo(bmps.front()).completeBaseName() + QStringLiteral(".par")));
    ASSERT_TRUE(par.open(QIODevice::ReadOnly));
    EXPECT_TRUE(par.readAll().contains(QStringLiteral("%1 x %2 pixels").arg(width).arg(height).toLatin1()));
    FRM_Alv->MNU_Cam1_ArreterClick();
    EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join(u'|').toStdString();
}
