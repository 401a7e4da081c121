// Motion detection and the lost-star actions: the comparison with the
// reference, the reference window, the action windows and the actions.

#include "pipeline_fixture.h"

#include "app/frm_alv.h"
#include "app/frm_pref.h"
#include "app/settings.h"
#include "app/ui/long_timer.h"
#include "capture/camera_slots.h"
#include "imaging/display_zone.h"
#include "imaging/focus_aids.h"
#include "imaging/frame_helpers.h"
#include "imaging/overlays.h"
#include "imaging/pipeline_state.h"
#include "kernels/raster.h"
#include "scripting/scripts.h"
#include "support/user_input.h"
#include "telescope/frm_detect_mvt.h"
#include "telescope/frm_img_ref.h"
#include "telescope/frm_prg_action.h"
#include "telescope/frm_prg_action_ls.h"
#include "telescope/frm_tool_suivi.h"
#include "tools/frm_tool_images.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QScrollBar>
#include <QTest>
#include <functional>

namespace {

class MotionDetection : public PipelineTest {
protected:
    void SetUp() override
    {
        PipelineTest::SetUp();
        FRM_Pref->EDT_Repertoire_Scripts->setText(dir.filePath(QStringLiteral("Scripts")) + QLatin1Char('/'));
        // A flat grey frame and a 100 x 100 zone placed at the top left of
        // a 100 x 100 result.
        grey = kernels::Bitmap24(640, 480);
        kernels::fillRect(grey, kernels::boundsOf(grey), kernels::rgbColour(50, 50, 50));
        setFrame(grey);
        setResultSize(100, 100);
        DisplayZoneRect = {200, 100, 300, 200};
        ZoneImageRect = {0, 0, 100, 100};
        Align_V::DefineMotionReference();
    }
    void TearDown() override
    {
        Settings::UnregisterHandler(QStringLiteral("FRM_Alv.CKB_Longuepose_ActiveClick"));
        PipelineTest::TearDown();
    }
    // Changes `pixels` pixels of the zone by `step` on red.
    void change(int pixels, int step)
    {
        for (int i = 0; i < pixels; ++i)
            kernels::setPixel(*SlotBitmaps[1][0], 200 + i % 100, 100 + i / 100, kernels::rgbColour(50 + step, 50, 50));
    }
    // Detection on the star field's zone, its action saving once to `name`
    // (the boxes ticked as the user does).
    void detectAndSave(const QString& name)
    {
        FRM_Tool_Images->EDT_Nom_Image->setText(name);
        FRM_Tool_Images->RDB_Une_Fois->setChecked(true);
        TrackedStarPos = DisplayZoneCenter = QPoint(320, 240);
        Align_V::ComputeDisplayZone(1);
        setResultSize(320, 256);
        setFrame(field.render());
        auto* d = FRM_Detect_Mvt;
        d->CKB_Detection_Mvt->setEnabled(true);
        testsupport::click(d->CKB_Detection_Mvt);
        d->SCB_Seuil_Detection_Niveau->setValue(20);
        d->SCB_Seuil_Detection_Nbre->setValue(10);
        testsupport::click(d->CKB_Detection_Action);
        testsupport::click(FRM_Prg_Action->CKB_Action_Sauvegarder);
        ASSERT_TRUE(FRM_Prg_Action->CKB_Action_Sauvegarder->isChecked());
    }
    // The star field shifted by `shift` pixels, through the frame routine
    // and the saving.
    void shiftedFrame(double shift, std::uint32_t n)
    {
        setFrame(field.render(shift, 0, n));
        if (processFrame())
            FRM_Tool_Images->SaveFrameHook();
    }
    QString writeFile(const QString& relative)
    {
        QDir().mkpath(QFileInfo(dir.filePath(relative)).path());
        QFile f(dir.filePath(relative));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("wait(100000)\r\n");
        return dir.filePath(relative);
    }

    kernels::Bitmap24 grey;
    testsupport::RecordingDialogService dialogs;
};

bool compare(int level, int count, std::int32_t& percent, std::int64_t& sum)
{
    return Align_V::MotionCompare(level, count, percent, sum);
}

} // namespace

TEST_F(MotionDetection, TheComparisonCountsPixelsBeyondThreeTimesTheLevel)
{
    std::int32_t percent = -1;
    std::int64_t sum = -1;
    EXPECT_FALSE(compare(10, 1, percent, sum));
    EXPECT_EQ(percent, 0);
    EXPECT_EQ(sum, 0);
    EXPECT_EQ(MotionCurrent->width(), 100);

    change(1, 30);
    EXPECT_FALSE(compare(10, 0, percent, sum));
    EXPECT_EQ(sum, 30);
    change(1, 31);
    EXPECT_TRUE(compare(10, 0, percent, sum));
    EXPECT_EQ(percent, 1);

    // Count 100 on 10000 pixels: more than 100 changed pixels.
    change(100, 40);
    EXPECT_FALSE(compare(10, 100, percent, sum));
    EXPECT_EQ(percent, 100);
    change(101, 40);
    EXPECT_TRUE(compare(10, 100, percent, sum));
    change(10000, 40);
    EXPECT_FALSE(compare(10, 10000, percent, sum)) << "all pixels never exceed all pixels";
    EXPECT_EQ(percent, 10000);
    EXPECT_EQ(sum, 400000);

    // Nothing to compare with: no motion, no division by zero.
    MotionReference->resize(0, 0);
    EXPECT_FALSE(compare(10, 1, percent, sum));
    EXPECT_EQ(percent, 0);
    DisplayZoneRect = {};
    Align_V::DefineMotionReference();
    EXPECT_FALSE(compare(10, 1, percent, sum));
}

TEST_F(MotionDetection, TheReferenceWindowDefinesNowOrEveryPeriod)
{
    auto* d = FRM_Detect_Mvt;
    EXPECT_EQ(Align_V::PanelColour(d->PNL_ImageRefLoaded), Align_V::kGreen);
    Align_V::InvalidateMotionReference();
    EXPECT_EQ(Align_V::PanelColour(d->PNL_ImageRefLoaded), Align_V::kRed);
    EXPECT_FALSE(MotionReferenceSet);

    // Slot 2 current: its frame is the reference.
    CameraSlots[2].width = 640;
    CameraSlots[2].height = 480;
    kernels::Bitmap24 bright(640, 480);
    kernels::fillRect(bright, kernels::boundsOf(bright), kernels::rgbColour(200, 10, 10));
    setFrame(bright, 2);
    CurrentCameraSlot = 2;
    setResultSize(80, 60);
    FRM_ImgRef->BTN_Def_ImgRef_Manuel->click();
    EXPECT_TRUE(MotionReferenceSet);
    EXPECT_EQ(MotionReference->width(), 80);
    EXPECT_EQ(MotionReference->height(), 60);
    EXPECT_EQ(at(*MotionReference, 10, 10), kernels::rgbColour(200, 10, 10));
    CurrentCameraSlot = 1;
    // A result view not sized yet: the reference holds the zone.
    setResultSize(0, 0);
    Align_V::DefineMotionReference();
    EXPECT_EQ(MotionReference->width(), 100);
    setResultSize(100, 100);

    // A new unit redefines at once.
    MotionReferenceSet = 0;
    FRM_ImgRef->CBX_UniteChange();
    EXPECT_TRUE(MotionReferenceSet);
    EXPECT_EQ(at(*MotionReference, 10, 10), kernels::rgbColour(50, 50, 50));

    // Every 5 minutes while automatic.
    FRM_ImgRef->CKB_Def_ImgRef_Auto->setChecked(true);
    FRM_ImgRef->SPED_Definir_toutes_les->setValue(5);
    FRM_ImgRef->CBX_Unite->setCurrentIndex(1);
    MotionReferenceSet = 0;
    FRM_ImgRef->BTN_OkClick();
    EXPECT_TRUE(MotionReferenceSet);
    EXPECT_EQ(FRM_ImgRef->TMR_ImgRef->interval(), 300'000);
    MotionReferenceSet = 0;
    clock.advanceMs(299'999);
    FRM_ImgRef->TMR_ImgRef->poll();
    EXPECT_FALSE(MotionReferenceSet);
    clock.advanceMs(1);
    FRM_ImgRef->TMR_ImgRef->poll();
    EXPECT_TRUE(MotionReferenceSet);
    // 1000 hours do not overflow.
    FRM_ImgRef->SPED_Definir_toutes_les->setValue(1000);
    FRM_ImgRef->CBX_Unite->setCurrentIndex(2);
    FRM_ImgRef->BTN_OkClick();
    EXPECT_EQ(FRM_ImgRef->TMR_ImgRef->interval(), std::int64_t(3'600'000'000));
    FRM_ImgRef->CKB_Def_ImgRef_Auto->setChecked(false);
    EXPECT_FALSE(FRM_ImgRef->TMR_ImgRef->isEnabled());
}

TEST_F(MotionDetection, TheSwitchEnablesTheControlsAndTheBrightnessConditionFiltersFrames)
{
    auto* d = FRM_Detect_Mvt;
    EXPECT_FALSE(d->TNI_Seuil_Detection_Niveau->isEnabled());
    MotionReferenceSet = 0;
    d->CKB_Detection_Mvt->setChecked(true);
    EXPECT_TRUE(d->TNI_Seuil_Detection_Niveau->isEnabled());
    EXPECT_TRUE(d->CKB_Detection_Action->isEnabled());
    EXPECT_TRUE(MotionReferenceSet) << "switching on defines the reference";
    d->SCB_Seuil_Detection_Niveau->setValue(10);
    d->SCB_Seuil_Detection_Nbre->setValue(100);
    EXPECT_EQ(double(d->TNI_Seuil_Detection_Niveau->Value()), 10);
    EXPECT_EQ(double(d->TNI_Seuil_Detection_Nbre->Value()), 100);

    // The display zone of the pipeline, then a darker zone.
    Align_V::DefineMotionReference();
    kernels::Bitmap24 dark(640, 480);
    kernels::fillRect(dark, kernels::boundsOf(dark), kernels::rgbColour(20, 20, 20));
    setFrame(dark);
    d->RDB_PlusClair->setChecked(true);
    d->CKB_Detection_Action->setChecked(true);
    FRM_Prg_Action->CKB_Action_Sauvegarder->setChecked(true);
    EXPECT_EQ(processFrame(), 0);
    EXPECT_EQ(double(d->TNI_Diff_actuel->Value()), 10000);
    EXPECT_FALSE(SequenceSaving) << "no action for a darker zone";
    d->RDB_PlusFonce->setChecked(true);
    FRM_Prg_Action->CKB_Action_Sauvegarder->setChecked(false);
    EXPECT_EQ(processFrame(), 1);

    // Thresholds at 0: every frame is kept, untested.
    d->SCB_Seuil_Detection_Niveau->setValue(0);
    setFrame(grey);
    EXPECT_EQ(processFrame(), 1);

    d->CKB_Detection_Mvt->setChecked(false);
    EXPECT_FALSE(d->BTN_ImageRef->isEnabled());
}

TEST_F(MotionDetection, ActionsStartOnlyWhatCanStartAndNeverRepeatALastingOne)
{
    TFRM_Prg_Action& a = *FRM_Prg_Action;
    // A long exposure that cannot start leaves detection free.
    a.CKB_Action_Pose_longue->setChecked(true);
    Align_V::RunMotionActions();
    EXPECT_EQ(MotionFired, 0);
    int exposures = 0;
    Settings::RegisterHandler(QStringLiteral("FRM_Alv.CKB_Longuepose_ActiveClick"), [&] { ++exposures; });
    Align_V::RunMotionActions();
    EXPECT_EQ(MotionFired, 1);
    EXPECT_EQ(exposures, 1);
    a.CKB_Action_Pose_longue->setChecked(false);

    // A sound: missing, told once; playing, not restarted.
    a.EDT_Son_a_jouer->setText(QStringLiteral("Sounds/absent.wav"));
    a.CKB_Jouer_un_son->setChecked(true);
    EXPECT_FALSE(a.CKB_Jouer_un_son->isChecked()) << "a missing file unchecks the box";
    a.CKB_Jouer_un_son->blockSignals(true);
    a.CKB_Jouer_un_son->setChecked(true);
    a.CKB_Jouer_un_son->blockSignals(false);
    Align_V::RunMotionActions();
    Align_V::RunMotionActions();
    EXPECT_EQ(reports.size(), 1);
    const QString wav = writeFile(QStringLiteral("Sounds/alarme.wav"));
    a.EDT_Son_a_jouer->setText(wav);
    sounds.stillPlaying = true;
    Align_V::RunMotionActions();
    Align_V::RunMotionActions();
    EXPECT_EQ(sounds.playedFiles, QStringList{wav});
    sounds.stillPlaying = false;
    Align_V::RunMotionActions();
    EXPECT_EQ(sounds.playedFiles.size(), 2);
    a.CKB_Jouer_un_son->setChecked(false);

    // A script still running is not started again on the next frame.
    writeFile(QStringLiteral("Scripts/alerte.txt"));
    a.EDT_Action_Detect_Script->setText(QStringLiteral("alerte.txt"));
    a.CKB_Action_Detect_Script->setChecked(true);
    Align_V::RunMotionActions();
    ASSERT_TRUE(Scripts::ScriptRunning);
    const int level = Scripts::CurrentLevel;
    for (int i = 0; i < 10; ++i)
        Align_V::RunMotionActions();
    EXPECT_EQ(Scripts::CurrentLevel, level);
    a.EDT_Action_Detect_Script->setText(QStringLiteral("absent.txt"));
    Scripts::StopAll();
    Align_V::RunMotionActions();
    Align_V::RunMotionActions();
    EXPECT_EQ(reports.size(), 2) << reports.join('\n').toStdString();
}

TEST_F(MotionDetection, StoppingDetectionKeepsTheActionsSequenceAndTheTimerRestartsIt)
{
    FRM_Tool_Images->EDT_Nom_Image->setText(dir.filePath(QStringLiteral("mvt")));
    ResultPlaneSize = QSize(16, 16);
    auto* d = FRM_Detect_Mvt;
    TFRM_Prg_Action& a = *FRM_Prg_Action;
    d->CKB_Detection_Mvt->setEnabled(true);
    d->CKB_Detection_Mvt->setChecked(true);
    a.CKB_Action_Sauvegarder->setChecked(true);
    a.CKB_Stop_Detecting->setChecked(true);
    a.CKB_Restart_Detecting->setChecked(true);
    Align_V::RunMotionActions();
    ASSERT_TRUE(SequenceSaving);
    EXPECT_EQ(MotionFired, 1);
    EXPECT_FALSE(d->CKB_Detection_Mvt->isChecked());
    EXPECT_TRUE(SequenceSaving) << "the detection's own switch-off keeps its sequence";
    EXPECT_TRUE(a.TMR_Restart_Detecting->isActive());
    EXPECT_EQ(a.TMR_Restart_Detecting->interval(), 3000);

    MotionReferenceSet = 0;
    a.TMR_Restart_DetectingTimer();
    EXPECT_FALSE(a.TMR_Restart_Detecting->isActive());
    EXPECT_TRUE(d->CKB_Detection_Mvt->isChecked());
    EXPECT_TRUE(MotionReferenceSet) << "a new reference";

    // The user's switch-off stops the sequence; its end frees detection.
    d->CKB_Detection_Mvt->setChecked(false);
    EXPECT_FALSE(SequenceSaving);
    EXPECT_EQ(MotionFired, 0);

    // During the pause the user unticks "Reprise au bout de", or switches
    // detection on and off again: detection stays off when the pause ends.
    // A pause longer than the user's clicks take however loaded the machine;
    // its end then runs as the timer runs it.
    a.SPED_Restart_Detecting->setValue(600000);
    const std::pair<const char*, std::function<void()>> choices[] = {
        {"Reprise unticked", [&] { testsupport::click(a.CKB_Restart_Detecting); }},
        {"Activer on and off", [&] {
             testsupport::click(d->CKB_Detection_Mvt);
             testsupport::click(d->CKB_Detection_Mvt);
         }},
    };
    for (const auto& [name, choice] : choices) {
        a.CKB_Restart_Detecting->setChecked(true);
        d->CKB_Detection_Mvt->setChecked(true);
        Align_V::RunMotionActions();
        ASSERT_TRUE(a.TMR_Restart_Detecting->isActive()) << name;
        choice();
        if (a.TMR_Restart_Detecting->isActive())
            a.TMR_Restart_DetectingTimer();
        EXPECT_FALSE(d->CKB_Detection_Mvt->isChecked()) << name;
        FRM_Tool_Images->BTN_Arreter_SauvClick();
    }
}

TEST_F(MotionDetection, AShiftedStarFieldStartsSavingAndNothingIsTestedUntilItEnds)
{
    ASSERT_NO_FATAL_FAILURE(detectAndSave(dir.filePath(QStringLiteral("mvt"))));
    auto* d = FRM_Detect_Mvt;
    const auto frame = [&](double shift, std::uint32_t n) { shiftedFrame(shift, n); };
    frame(0, 1);
    EXPECT_FALSE(SequenceSaving) << "the sky has not moved " << double(d->TNI_Diff_actuel->Value());
    frame(5, 2);
    ASSERT_TRUE(SequenceSaving) << double(d->TNI_Diff_actuel->Value());
    EXPECT_EQ(MotionFired, 1);
    const double measured = double(d->TNI_Diff_actuel->Value());
    EXPECT_GT(measured, 10);
    for (std::uint32_t n = 3; n < 6; ++n)
        frame(n % 2 ? 0 : 5, n);
    EXPECT_EQ(double(d->TNI_Diff_actuel->Value()), measured) << "no test while the sequence runs";
    FRM_Tool_Images->BTN_Arreter_SauvClick();
    EXPECT_FALSE(QDir(dir.path()).entryList({QStringLiteral("mvt*")}, QDir::Files).isEmpty())
        << QDir(dir.path()).entryList().join(' ').toStdString() << boxes.texts().join('\n').toStdString() << SaveFramesEnabled;
    EXPECT_EQ(MotionFired, 0);
    frame(0, 7);
    EXPECT_LT(double(d->TNI_Diff_actuel->Value()), measured);

    // The saving box unticked while the saving it started runs: once the
    // user stops that saving, frames are tested again.
    frame(5, 8);
    ASSERT_TRUE(SequenceSaving);
    const double again = double(d->TNI_Diff_actuel->Value());
    testsupport::click(FRM_Prg_Action->CKB_Action_Sauvegarder);
    ASSERT_FALSE(FRM_Prg_Action->CKB_Action_Sauvegarder->isChecked());
    testsupport::click(FRM_Tool_Images->BTN_Arreter_Sauv);
    ASSERT_FALSE(SequenceSaving);
    frame(0, 9);
    EXPECT_LT(double(d->TNI_Diff_actuel->Value()), again) << "detection held for a saving that ended";
}

TEST_F(MotionDetection, LostStarActionsStopGuidingAndRestartItOnlyThen)
{
    TFRM_PRG_Action_LS& l = *FRM_PRG_Action_LS;
    FRM_Tool_Suivi->CKB_Suivi->setChecked(true);
    l.CKB_Restart_Guiding->setChecked(true);
    Align_V::RunLostStarActions();
    EXPECT_FALSE(l.TMR_Restart_Guiding->isActive()) << "guiding was not stopped";
    l.CKB_Stop_Guiding->setChecked(true);
    l.SPED_Restart_Guiding->setValue(0);
    Align_V::RunLostStarActions();
    EXPECT_FALSE(FRM_Tool_Suivi->CKB_Suivi->isChecked());
    EXPECT_TRUE(l.TMR_Restart_Guiding->isActive());
    EXPECT_EQ(l.TMR_Restart_Guiding->interval(), 1);
    l.TMR_Restart_GuidingTimer();
    EXPECT_TRUE(FRM_Tool_Suivi->CKB_Suivi->isChecked());
    EXPECT_FALSE(l.TMR_Restart_Guiding->isActive());

    // During the pause the user unticks "Reprise au bout de", or switches
    // tracking on and off again: tracking stays off when the pause ends.
    // A pause longer than the user's clicks take however loaded the machine;
    // its end then runs as the timer runs it.
    l.SPED_Restart_Guiding->setValue(600000);
    const std::pair<const char*, std::function<void()>> choices[] = {
        {"Reprise unticked", [&] { testsupport::click(l.CKB_Restart_Guiding); }},
        {"Suivi on and off", [&] {
             testsupport::click(FRM_Tool_Suivi->CKB_Suivi);
             testsupport::click(FRM_Tool_Suivi->CKB_Suivi);
         }},
    };
    for (const auto& [name, choice] : choices) {
        l.CKB_Restart_Guiding->setChecked(true);
        FRM_Tool_Suivi->CKB_Suivi->setChecked(true);
        Align_V::RunLostStarActions();
        ASSERT_TRUE(l.TMR_Restart_Guiding->isActive()) << name;
        choice();
        if (l.TMR_Restart_Guiding->isActive())
            l.TMR_Restart_GuidingTimer();
        EXPECT_FALSE(FRM_Tool_Suivi->CKB_Suivi->isChecked()) << name;
    }

    // The script box needs a script in the scripts folder.
    l.EDT_Lost_Star_Script->setText(QStringLiteral("perdu.txt"));
    l.CKB_Lost_Star_ExecuteScript->setChecked(true);
    EXPECT_FALSE(l.CKB_Lost_Star_ExecuteScript->isChecked());
    writeFile(QStringLiteral("Scripts/perdu.txt"));
    l.CKB_Lost_Star_ExecuteScript->setChecked(true);
    EXPECT_TRUE(l.CKB_Lost_Star_ExecuteScript->isChecked());

    // Choosing files: the sound from the sounds folder when empty, the
    // script's name without its folder; a cancel with no sound unchecks.
    dialogs.openAnswers = {std::nullopt, dir.filePath(QStringLiteral("Scripts/autre.txt"))};
    l.CKB_Jouer_un_son->blockSignals(true);
    l.CKB_Jouer_un_son->setChecked(true);
    l.CKB_Jouer_un_son->blockSignals(false);
    l.BTN_ChargeSon->click();
    EXPECT_FALSE(l.CKB_Jouer_un_son->isChecked());
    EXPECT_EQ(dialogs.requests.at(0).directory, FRM_Pref->SoundsFolder());
    l.BBTN_Lost_Star_Script->click();
    EXPECT_EQ(l.EDT_Lost_Star_Script->text(), QStringLiteral("autre.txt"));
    EXPECT_EQ(dialogs.requests.at(1).filter, QStringLiteral("Text (*.txt)"));
}

// As the user meets it: a box clicked before its file exists is refused,
// at every click; once the file is there the next click ticks it and the
// loss of the star plays the sound and runs the script.
TEST_F(MotionDetection, LostStarBoxesClickedAgainAfterARefusalRunTheirActions)
{
    TFRM_PRG_Action_LS& l = *FRM_PRG_Action_LS;
    l.show();
    const auto click = [](QCheckBox* box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2)); };
    const QString wav = dir.filePath(QStringLiteral("Sounds/perte.wav"));
    l.EDT_Son_a_jouer->setText(wav);
    l.EDT_Lost_Star_Script->setText(QStringLiteral("perdu.txt"));
    for (int attempt = 1; attempt <= 2; ++attempt) {
        click(l.CKB_Jouer_un_son);
        click(l.CKB_Lost_Star_ExecuteScript);
        EXPECT_FALSE(l.CKB_Jouer_un_son->isChecked()) << "click " << attempt;
        EXPECT_FALSE(l.CKB_Lost_Star_ExecuteScript->isChecked()) << "click " << attempt;
    }

    writeFile(QStringLiteral("Sounds/perte.wav"));
    writeFile(QStringLiteral("Scripts/perdu.txt"));
    click(l.CKB_Jouer_un_son);
    click(l.CKB_Lost_Star_ExecuteScript);
    EXPECT_TRUE(l.CKB_Jouer_un_son->isChecked());
    EXPECT_TRUE(l.CKB_Lost_Star_ExecuteScript->isChecked());
    Align_V::RunLostStarActions();
    EXPECT_EQ(sounds.playedFiles, QStringList{wav});
    EXPECT_TRUE(Scripts::ScriptRunning);
    Scripts::StopAll();
    l.hide();
}

// A detection comes back on every frame that differs from the reference: a
// saving action whose folder cannot be written tells it once in the message
// window, no box on each frame, and saves at the next detection once the
// folder is there.
TEST_F(MotionDetection, ASavingActionIntoAFolderThatCannotBeWrittenIsToldOnce)
{
    ASSERT_NO_FATAL_FAILURE(detectAndSave(dir.filePath(QStringLiteral("absent/mvt"))));
    shiftedFrame(0, 1);
    for (std::uint32_t n = 2; n < 8; ++n)
        shiftedFrame(5, n);
    EXPECT_FALSE(SequenceSaving);
    EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join('\n').toStdString();
    ASSERT_EQ(reports.size(), 1) << reports.join('\n').toStdString();
    EXPECT_TRUE(reports.front().contains(QStringLiteral("absent"))) << reports.front().toStdString();

    QDir(dir.path()).mkdir(QStringLiteral("absent"));
    shiftedFrame(5, 8);
    EXPECT_TRUE(SequenceSaving);
    FRM_Tool_Images->BTN_Arreter_SauvClick();
    EXPECT_FALSE(QDir(dir.filePath(QStringLiteral("absent"))).entryList(QDir::Files).isEmpty());
    EXPECT_EQ(reports.size(), 1);
}
