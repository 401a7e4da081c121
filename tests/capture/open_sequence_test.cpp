// The mosaic page's unit also opens picture sequences: "Ouvrir sequence"
// shows the sequence chooser and plays the chosen files; the beginner tool
// bar's open button opens pictures.

#include "camera_road_fixture.h"

#include "app/frm_alv.h"
#include "app/settings.h"
#include "capture/camera_slots.h"
#include "capture/file_sources.h"
#include "capture/frm_chargeseq.h"
#include "capture/frm_play_control.h"
#include "imaging/pipeline_state.h"
#include "kernels/image_files.h"
#include "scripting/frm_script.h"
#include "scripting/scripts.h"
#include "support/star_field.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

namespace {

class MosaicPage : public CameraRoad {
protected:
    void SetUp() override
    {
        CameraRoad::SetUp();
        platform::setSleeper(&sleeper);
        for (int n : {9, 10, 11, 8})
            ASSERT_TRUE(kernels::ImageFiles::WriteBmp24(dir.filePath(QStringLiteral("s%1.bmp").arg(n)), frame(n)));
    }
    void TearDown() override
    {
        Scripts::StopAll();
        PlayCount = PlayPosition = 0;
        PlayKind = 0;
        PlayListIsPictures = 1;
        platform::setSleeper(nullptr);
        CameraRoad::TearDown();
    }

    static kernels::Bitmap24 frame(int mark)
    {
        testsupport::StarField f({.width = 64, .height = 48, .seed = 2, .stars = 3});
        kernels::Bitmap24 b = f.render(0, 0, std::uint32_t(mark));
        b.scanLine(0)[0] = std::uint8_t(mark);
        return b;
    }

    // The chooser, once it is up: files first to last, then OK (or Cancel).
    void answerChooser(bool ok)
    {
        auto* poll = new QTimer(qApp);
        QObject::connect(poll, &QTimer::timeout, poll, [this, poll, ok] {
            if (!FRM_Chargeseq->isVisible())
                return;
            poll->stop();
            poll->deleteLater();
            if (!ok)
                return FRM_Chargeseq->BTN_AnnulerClick();
            FRM_Chargeseq->EDT_Sequence_Premier->setText(dir.filePath(QStringLiteral("s8.bmp")));
            FRM_Chargeseq->EDT_Sequence_Dernier->setText(dir.filePath(QStringLiteral("s11.bmp")));
            FRM_Chargeseq->BTN_OKClick();
        });
        poll->start(5);
    }

    // A script at level 0 in the given state.
    static void script(std::uint8_t state)
    {
        Scripts::CurrentLevel = 0;
        TScript& s = Scripts::CurrentScript();
        s.Lines = QStringList{QStringLiteral("wait(10000)"), QStringLiteral("wait(10)")};
        s.LineCount = 2;
        s.Pass = 2;
        Scripts::ScriptRunning = true;
        s.State = state;
        FRM_Script->TMR_Script->stop();
    }

    testsupport::RecordingDialogService dialogs;
    testsupport::FakeSleeper sleeper;
};

} // namespace

TEST_F(MosaicPage, OpeningASequencePlaysItsFilesInOrderFromTheFirst)
{
    FRM_PlayControl->SCB_PlayControl->setMaximum(50);
    FRM_PlayControl->SCB_PlayControl->setValue(30);
    PlayerActive = 0;
    answerChooser(true);
    FRM_Alv->MNU_Ouvrirsequence->trigger();
    EXPECT_EQ(PlayerActive, 1);
    ASSERT_EQ(PlayList->size(), 4);
    EXPECT_TRUE(PlayList->first().endsWith(QStringLiteral("s8.bmp")));
    EXPECT_TRUE(PlayList->last().endsWith(QStringLiteral("s11.bmp")));
    EXPECT_EQ(FRM_PlayControl->SCB_PlayControl->maximum(), 4);
    EXPECT_EQ(FRM_PlayControl->SCB_PlayControl->value(), 0);
    EXPECT_EQ(double(FRM_PlayControl->TNI_NbFrames->Value()), 4);
    EXPECT_EQ(PlayKind, 0);
    EXPECT_EQ(SlotBitmaps[1][0]->scanLine(0)[0], 8) << "the source started on the first file";
    EXPECT_TRUE(boxes.shown.empty()) << messageText().toStdString();
}

TEST_F(MosaicPage, OpeningASequenceResumesOnlyAScriptThatWaitsAndACancelStopsAScript)
{
    // A script in the middle of a wait(...) is not cut short.
    script(Scripts::StateRunning);
    answerChooser(true);
    ASSERT_TRUE(Settings::RunHandler(QStringLiteral("FRM_Alv.MNU_OuvrirsequenceClick")));
    EXPECT_TRUE(Scripts::ScriptRunning);
    EXPECT_FALSE(FRM_Script->TMR_Script->isActive());
    // A paused one stays paused.
    script(Scripts::StatePaused);
    answerChooser(true);
    FRM_Alv->MNU_OuvrirsequenceClick();
    EXPECT_EQ(Scripts::CurrentScript().State, Scripts::StatePaused);
    EXPECT_FALSE(FRM_Script->TMR_Script->isActive());
    // A script waiting for the sequence goes on.
    script(Scripts::StateRunning);
    Scripts::BeginWait();
    answerChooser(true);
    FRM_Alv->MNU_OuvrirsequenceClick();
    EXPECT_EQ(Scripts::CurrentScript().State, Scripts::StateRunning);
    EXPECT_TRUE(FRM_Script->TMR_Script->isActive());

    // Cancel while a script runs: the script stops.
    script(Scripts::StateRunning);
    answerChooser(false);
    FRM_Alv->MNU_OuvrirsequenceClick();
    EXPECT_FALSE(Scripts::ScriptRunning);
}

TEST_F(MosaicPage, TheBeginnersOpenButtonOpensPicturesAndPopsUp)
{
    dialogs.openManyAnswers = {QStringList{dir.filePath(QStringLiteral("s10.bmp"))}};
    FRM_Alv->SPDB_Ouvrir_B->click();
    EXPECT_FALSE(FRM_Alv->SPDB_Ouvrir_B->isChecked());
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(PlayerActive, 1);
    EXPECT_EQ(SlotBitmaps[1][0]->scanLine(0)[0], 10);
}

// With the built-in camera running, a sequence that lists nothing (first
// and last chosen the wrong way round), a cancelled chooser or a chooser
// whose names make no sequence leaves the camera running: nothing is stopped
// for them, and the view goes on with the camera's frames.
TEST_F(MosaicPage, AnEmptyOrRefusedSequenceLeavesTheRunningCameraRunning)
{
    answerDriverDialog(0);
    ASSERT_TRUE(chooseMenuItem(FRM_Alv->MNU_Camera1, FRM_Alv->MNU_Cam1_Demarrer));
    ASSERT_TRUE(Scripts::Cam1Online) << messageText().toStdString();
    auto cameraRuns = [] {
        if (!Scripts::Cam1Online || !GrabDevices[1] || PlayerActive || !FRM_Alv->Timer_Cam1->isActive())
            return false;
        const int before = FrameCounters[1];
        QElapsedTimer t;
        t.start();
        while (FrameCounters[1] < before + 2 && t.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return FrameCounters[1] >= before + 2;
    };
    ASSERT_TRUE(cameraRuns());

    // The user picks the files with the chooser's "..." buttons and presses
    // OK (or Annuler) with the mouse.
    auto useChooser = [this](const QString& first, const QString& last, bool ok) {
        dialogs.openAnswers = {dir.filePath(first), dir.filePath(last)};
        auto* poll = new QTimer(qApp);
        QObject::connect(poll, &QTimer::timeout, poll, [poll, ok] {
            TFRM_Chargeseq* c = FRM_Chargeseq;
            if (!c->isVisible())
                return;
            poll->stop();
            poll->deleteLater();
            QTest::mouseClick(c->SPDB_Sequence_Premier, Qt::LeftButton);
            QTest::mouseClick(c->SPDB_Sequence_Dernier, Qt::LeftButton);
            QTest::mouseClick(ok ? c->BTN_OK : c->BTN_Annuler, Qt::LeftButton);
            if (c->isVisible())   // the names made no sequence: the user gives up
                QTest::mouseClick(c->BTN_Annuler, Qt::LeftButton);
        });
        poll->start(5);
        return chooseMenuItem(FRM_Alv->MNU_Fichier, FRM_Alv->MNU_Ouvrirsequence);
    };

    ASSERT_TRUE(useChooser(QStringLiteral("s11.bmp"), QStringLiteral("s8.bmp"), true));
    EXPECT_TRUE(messageText().contains(QStringLiteral("Aucune image à lire"))) << messageText().toStdString();
    EXPECT_TRUE(cameraRuns()) << "an empty sequence stopped the camera";

    ASSERT_TRUE(useChooser(QStringLiteral("s8.bmp"), QStringLiteral("s11.bmp"), false));
    EXPECT_TRUE(cameraRuns()) << "a cancelled chooser stopped the camera";

    ASSERT_TRUE(kernels::ImageFiles::WriteBmp24(dir.filePath(QStringLiteral("autre3.bmp")), frame(3)));
    ASSERT_TRUE(useChooser(QStringLiteral("s8.bmp"), QStringLiteral("autre3.bmp"), true));
    EXPECT_FALSE(boxes.shown.empty()) << "the chooser tells why the names make no sequence";
    EXPECT_TRUE(cameraRuns()) << "a refused sequence stopped the camera";

    // A sequence that can be played replaces the camera, as asked.
    ASSERT_TRUE(useChooser(QStringLiteral("s8.bmp"), QStringLiteral("s11.bmp"), true));
    EXPECT_EQ(PlayerActive, 1);
    EXPECT_FALSE(Scripts::Cam1Online);
    EXPECT_EQ(SlotBitmaps[1][0]->scanLine(0)[0], 8);
}

// A picture sequence chosen while a film plays, then given up, leaves the
// film playing as a film.
TEST_F(MosaicPage, AChooserGivenUpLeavesAPlayingFilmAsItWas)
{
    const QString film = dir.filePath(QStringLiteral("film.avi"));
    ASSERT_TRUE(writeFilm(film, {frame(21), frame(22), frame(23)}));
    dialogs.openManyAnswers = {QStringList{film}};
    ASSERT_TRUE(chooseMenuItem(FRM_Alv->MNU_Ouvrir, FRM_Alv->MNU_Ouvrir_Image));
    ASSERT_EQ(PlayerActive, 1);
    ASSERT_EQ(PlayListIsPictures, 0);

    dialogs.openAnswers = {dir.filePath(QStringLiteral("s8.bmp"))};
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, poll, [poll] {
        if (!FRM_Chargeseq->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        QTest::mouseClick(FRM_Chargeseq->SPDB_Sequence_Premier, Qt::LeftButton);
        QTest::mouseClick(FRM_Chargeseq->BTN_Annuler, Qt::LeftButton);
    });
    poll->start(5);
    ASSERT_TRUE(chooseMenuItem(FRM_Alv->MNU_Fichier, FRM_Alv->MNU_Ouvrirsequence));
    EXPECT_EQ(PlayListIsPictures, 0);
    EXPECT_EQ(PlayList->size(), 1);
    // The next frame is the film's second.
    FRM_PlayControl->show();
    QTest::mouseClick(FRM_PlayControl->SPDB_Forw1, Qt::LeftButton);
    QElapsedTimer t;
    t.start();
    while (PlayPosition != 1 && t.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(PlayPosition, 1);
    EXPECT_EQ(SlotBitmaps[1][0]->scanLine(0)[0], 22);
    EXPECT_EQ(PlayerActive, 1) << messageText().toStdString();
    EXPECT_TRUE(boxes.shown.empty()) << messageText().toStdString();
}
