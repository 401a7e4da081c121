// The image tool's stacking controls (integration, dark, flat, selection)
// and level controls, driven as the user and the scripts drive them, with
// frames going through the frame pipeline.

#include "imaging/pipeline_fixture.h"

#include "app/frm_alv.h"
#include "app/frm_pref.h"
#include "app/systeme.h"
#include "imaging/display_helpers.h"
#include "imaging/overlays.h"
#include "imaging/pipeline_state.h"
#include "imaging/process_frame.h"
#include "platform/memory_status.h"
#include "scripting/frm_script.h"
#include "scripting/scripts.h"
#include "support/user_input.h"
#include "telescope/frm_tool_suivi.h"
#include "tools/frm_full_screen.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_images.h"
#include "tools/util_images.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <QImage>

namespace {

class StackingControls : public PipelineTest {
protected:
    void TearDown() override
    {
        platform::setMeminfoPath({});
        PipelineTest::TearDown();
    }
    // n frames of one colour (level, 2 x level, 3 x level) through the frame pipeline.
    void addFrames(int n, std::uint8_t level)
    {
        setFrame(testsupport::uniformBitmap(640, 480, level, std::uint8_t(2 * level), std::uint8_t(3 * level)));
        for (int i = 0; i < n; ++i)
            processFrame();
    }
    // The state table: integration box checked; box, start, stop, reset enabled.
    std::string state() const
    {
        std::string s(1, t->CKB_Integration->isChecked() ? '1' : '0');
        for (QWidget* w : std::initializer_list<QWidget*>{t->CKB_Integration, t->BTN_Demarrer_Add, t->BTN_Arreter_Add,
                                                           t->BTN_Reset_Add})
            s += w->isEnabled() ? '1' : '0';
        return s;
    }
    void setMemory(const char* available_kB)
    {
        dir.writeFile(QStringLiteral("meminfo"), QByteArray("MemTotal: 1000000 kB\nMemAvailable: ") + available_kB + " kB\n");
        platform::setMeminfoPath(dir.filePath(QStringLiteral("meminfo")));
    }
    TFRM_Tool_Images*& t = FRM_Tool_Images;
};

// The current level waits on the integration, as integration(startwait) leaves it.
void scriptWaitsOnTheIntegration()
{
    TScript& s = Scripts::CurrentScript();
    s.Lines = QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")};
    s.LineCount = 3;
    s.CurrentLine = 1;
    s.Pass = 2;
    Scripts::ScriptRunning = true;
    Scripts::BeginWait(Scripts::WaitIntegration);
}

} // namespace

TEST_F(StackingControls, OffReadyRunningAndTheStartOnlyFromReady)
{
    EXPECT_EQ(state(), "01000");   // Off: start and stop change nothing
    EXPECT_FALSE(t->BTN_Demarrer_AddClick());
    t->BTN_Arreter_AddClick();
    EXPECT_EQ(state(), "01000");

    t->CKB_Integration->setChecked(true);
    EXPECT_EQ(state(), "11101");   // Ready
    addFrames(2, 9);
    EXPECT_EQ(AdditionFrameCount[0], 0);
    t->SPED_Nb_Bitmap->setValue(0);   // no frame limit
    ASSERT_TRUE(t->BTN_Demarrer_AddClick());
    EXPECT_EQ(state(), "10010");   // Running
    EXPECT_FALSE(t->BTN_Demarrer_AddClick());
    addFrames(3, 9);
    EXPECT_EQ(AdditionFrameCount[0], 3);
    t->BTN_Arreter_AddClick();
    EXPECT_EQ(state(), "11101");
    t->CKB_Integration->setChecked(false);
    EXPECT_EQ(state(), "01000");

    // A script waiting on a start that cannot happen ends with an error
    // naming its argument instead of waiting for ever.
    scriptWaitsOnTheIntegration();
    EXPECT_FALSE(t->BTN_Demarrer_AddClick());
    EXPECT_FALSE(Scripts::WaitIntegration || Scripts::ScriptRunning);
    ASSERT_FALSE(boxes.shown.empty());
    EXPECT_TRUE(boxes.shown.back().text.endsWith(QStringLiteral("startwait")));
}

TEST_F(StackingControls, StopResumesAScriptWaitingOnTheIntegration)
{
    t->CKB_Integration->setChecked(true);
    ASSERT_TRUE(t->BTN_Demarrer_AddClick());
    scriptWaitsOnTheIntegration();
    t->BTN_Arreter_AddClick();
    EXPECT_FALSE(Scripts::WaitIntegration);
    EXPECT_EQ(Scripts::CurrentScript().State, Scripts::StateRunning);
    EXPECT_TRUE(FRM_Script->TMR_Script->isActive());
    EXPECT_EQ(FRM_Script->TMR_Script->interval(), 50);
}

TEST_F(StackingControls, DarkAndFlatBuildsStopResetAndKeepTheirResults)
{
    t->CKB_Integration->setChecked(true);
    t->RDB_Dark->setChecked(true);
    t->SPED_Nb_Bitmap->setValue(10);
    ASSERT_TRUE(t->BTN_Demarrer_AddClick());
    EXPECT_FALSE(FRM_Tool_Suivi->CKB_Suivi->isEnabled());
    addFrames(9, 20);
    EXPECT_EQ(state(), "10010");
    addFrames(1, 20);   // the tenth stops it and computes the means
    EXPECT_EQ(state(), "11101");
    EXPECT_EQ(DarkMeanMax, 60);
    EXPECT_EQ(DarkMeanMin, 20);
    EXPECT_TRUE(FRM_Tool_Suivi->CKB_Suivi->isEnabled());
    // Reset in dark mode clears only the dark; a stop with no frame keeps
    // the means.
    DeepImagePlanes().pixel(0, 5, 5)[0] = 77;
    t->BTN_Reset_AddClick();
    EXPECT_EQ(DeepImagePlanes().pixel(1, 5, 5)[0], 0);
    EXPECT_EQ(DeepImagePlanes().pixel(0, 5, 5)[0], 77);
    DarkMeanMax = 7;
    ASSERT_TRUE(t->BTN_Demarrer_AddClick());
    t->BTN_Arreter_AddClick();
    EXPECT_EQ(DarkMeanMax, 7);

    // A flat: its frame count, "Appliquer", and its means over the frame.
    t->RDB_Flat->setChecked(true);
    t->SPED_Nb_Bitmap->setValue(0);
    ASSERT_TRUE(t->BTN_Demarrer_AddClick());
    addFrames(3, 10);
    t->BTN_Arreter_AddClick();
    EXPECT_EQ(t->TNI_MaxFlat->Value(), 3);
    EXPECT_TRUE(t->CKB_Active_Flat->isEnabled());
    EXPECT_EQ(FlatChannelMeans, (std::array<double, 3>{30, 60, 90}));
    t->BTN_Reset_AddClick();
    EXPECT_EQ(DeepImagePlanes().pixel(0, 5, 5)[0], 77);
    EXPECT_FALSE(t->CKB_Active_Flat->isEnabled());
    EXPECT_FALSE(t->CKB_Active_Flat->isChecked());   // a cleared flat is not applied
    // A stop before any flat frame keeps the flat there was.
    ASSERT_TRUE(t->BTN_Demarrer_AddClick());
    t->BTN_Arreter_AddClick();
    EXPECT_EQ(FlatChannelMeans, (std::array<double, 3>{30, 60, 90}));
    EXPECT_FALSE(t->CKB_Active_Flat->isEnabled());
    EXPECT_FALSE(t->CKB_Active_Flat->isChecked()) << "no flat to apply";
    t->RDB_Unique->setChecked(true);
    t->BTN_Reset_AddClick();
    EXPECT_EQ(DeepImagePlanes().pixel(0, 5, 5)[0], 0);

    // The flat mode looked at, with no flat made, applies none: once
    // integration is off, the frames are shown as they come, not through
    // an empty flat.
    ASSERT_NO_FATAL_FAILURE(testsupport::click(t->RDB_Flat));
    ASSERT_TRUE(t->RDB_Flat->isChecked());
    EXPECT_FALSE(t->CKB_Active_Flat->isChecked());
    ASSERT_NO_FATAL_FAILURE(testsupport::click(t->CKB_Integration));
    ASSERT_FALSE(t->CKB_Integration->isChecked());
    addFrames(1, 20);
    const std::uint8_t* shown = FRM_Alv->Image3->Bitmap().scanLine(10) + 3 * 10;
    EXPECT_EQ(std::vector<int>(shown, shown + 3), (std::vector<int>{20, 40, 60}));
}

TEST_F(StackingControls, RollingRingFromStartToStopWithinTheMemoryBudget)
{
    auto* a = FRM_Tool_Affichage;
    a->SCB_Taille_ZAffich->setMaximum(1600);
    a->SCB_Taille_ZAffich->setValue(1500);
    t->CKB_Integration->setChecked(true);
    t->RDB_Boucle->setChecked(true);
    EXPECT_EQ(a->SCB_Taille_ZAffich->maximum(), 1280);
    EXPECT_EQ(a->SCB_Taille_ZAffichV->maximum(), 1024);
    EXPECT_EQ(a->SCB_Taille_ZAffich->value(), 1280);
    a->SCB_Taille_ZAffich->setValue(320);

    // 0 frames start as 1: a ring of 2 bitmaps of 320 x 257.
    t->SPED_Nb_Bitmap->setValue(0);
    ASSERT_TRUE(t->BTN_Demarrer_AddClick());
    EXPECT_EQ(t->SPED_Nb_Bitmap->value(), 1);
    EXPECT_EQ(FrameRingCount, 2);
    EXPECT_EQ(FrameRing[2]->height(), 257);
    // A stop frees exactly the ring, and with the permanent display it does
    // not render again; a second stop finds nothing to do.
    PermanentDisplay = true;
    kernels::fillRect(FRM_Alv->Image3->Bitmap(), {0, 0, 4, 4}, Align_V::kRed);
    t->BTN_Arreter_AddClick();
    EXPECT_FALSE(FrameRingAllocated);
    EXPECT_TRUE(FrameRing.empty());
    EXPECT_EQ(kernels::pixel(FRM_Alv->Image3->Bitmap(), 1, 1), Align_V::kRed);
    t->BTN_Arreter_AddClick();
    EXPECT_EQ(state(), "11101");

    // 999,990 frames with room for 8 bitmaps: the ring stops at the budget,
    // says so once, and the count shows what was made.
    setMemory("264100");
    t->SPED_Nb_Bitmap->setValue(999990);
    ASSERT_TRUE(t->BTN_Demarrer_AddClick());
    EXPECT_EQ(FrameRingCount, 8);
    EXPECT_EQ(t->SPED_Nb_Bitmap->value(), 7);
    EXPECT_EQ(RingSize, 8);
    EXPECT_EQ(boxes.shown.size(), 1u);
    PermanentDisplay = false;
    t->BTN_Arreter_AddClick();
    EXPECT_NE(kernels::pixel(FRM_Alv->Image3->Bitmap(), 1, 1), Align_V::kRed);   // rendered again
    // Room for one bitmap is no ring: the start does not happen.
    setMemory("262500");
    EXPECT_FALSE(t->BTN_Demarrer_AddClick());
    EXPECT_EQ(state(), "11101");
    EXPECT_FALSE(FrameRingAllocated);
}

// The level group (thresholds, colour and channels, curves) is of use only
// while frames are processed for it: it starts disabled and comes with a
// stack, 2x2 binning, a long exposure or "Forcer", each as the user asks.
TEST_F(StackingControls, LevelControlsStartDisabledAndComeWhenTheFramesNeedThem)
{
    const std::initializer_list<QWidget*> group = {
        t->TNI_Seuil_MinMin, t->TNI_Seuil_MinMax, t->TNI_Seuil_MaxMin, t->TNI_Seuil_MaxMax, t->TNI_Seuil_Min,
        t->TNI_Seuil_Max, t->SCB_Minimum, t->SCB_Maximum, t->RDB_NB, t->RDB_Couleur, t->CKB_Seuils_Evol, t->CKB_L,
        t->CKB_Red, t->CKB_Green, t->CKB_Blue, t->PNL_EQZ, t->CKB_Equal, t->BTN_Reset_equal, t->TRKB_EQ1,
        t->TRKB_EQ9, t->CKB_EQ5, t->BTN_Reset_EQU1, t->BTN_Reset_EQU9};
    // The names of the group's controls that are in the other state.
    auto notIn = [&group](bool on) {
        QStringList names;
        for (QWidget* w : group)
            if (w->isEnabled() != on)
                names << w->objectName();
        return names.join(u' ').toStdString();
    };
    EXPECT_EQ(notIn(false), "");
    FRM_Alv->FormActivate();   // a first start with no settings file
    EXPECT_EQ(notIn(false), "");

    Systeme::ShowFormOnScreen(t);
    // On the box itself: the widget may stretch well beyond its text.
    auto click = [this](QCheckBox* box, QWidget* page) {
        t->PGC_Images->setCurrentWidget(page);
        QStyleOptionButton option;
        option.initFrom(box);
        const QRect indicator = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
        QTest::mouseClick(box, Qt::LeftButton, {}, indicator.center());
    };
    click(t->CKB_utiliser_seuils, t->TBS_Seuils);
    ASSERT_TRUE(t->CKB_utiliser_seuils->isChecked());
    EXPECT_EQ(notIn(true), "");
    click(t->CKB_utiliser_seuils, t->TBS_Seuils);
    EXPECT_EQ(notIn(false), "");

    click(t->CKB_Integration, t->TBS_Integration);
    ASSERT_TRUE(t->CKB_Integration->isChecked());
    EXPECT_EQ(notIn(true), "");
    click(t->CKB_Integration, t->TBS_Integration);
    EXPECT_EQ(notIn(false), "");

    FRM_Alv->MNU_Cam1_Binning_2x2->trigger();
    EXPECT_EQ(notIn(true), "");
    FRM_Alv->MNU_Cam1_Binning_1x1->trigger();
    EXPECT_EQ(notIn(false), "");

    FRM_Pref->CKB_VestaMod->click();   // a camera modified for long exposures
    ASSERT_TRUE(FRM_Alv->MNU_Cam2_Poselongue->isEnabled());
    FRM_Alv->MNU_Cam2_Poselongue->trigger();
    EXPECT_EQ(notIn(true), "");
    FRM_Alv->MNU_Cam2_Image->trigger();
    EXPECT_EQ(notIn(false), "");
}

TEST_F(StackingControls, LevelControlsAndThresholds)
{
    auto* alv = FRM_Alv;
    Util_Images::EnableLevelControls(false);
    for (QWidget* w : std::initializer_list<QWidget*>{t->TNI_Seuil_MinMin, t->SCB_Minimum, t->RDB_NB, t->CKB_Seuils_Evol,
                                                       t->PNL_EQZ, t->TRKB_EQ9, t->CKB_EQ5, t->BTN_Reset_EQU1})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_TRUE(t->CKB_utiliser_seuils->isEnabled() && t->CKB_Inverse->isEnabled() && t->SCB_Saturation->isEnabled());
    // 1x1 on one camera while the other is in long exposure keeps them.
    alv->MNU_Cam2_Poselongue->setChecked(true);
    alv->MNU_Cam1_Binning_2x2Click();
    alv->MNU_Cam1_Binning_1x1Click();
    EXPECT_TRUE(t->SCB_Minimum->isEnabled());
    alv->MNU_Cam2_Poselongue->setChecked(false);
    alv->MNU_Cam1_Binning_1x1Click();
    EXPECT_FALSE(t->SCB_Minimum->isEnabled());

    // "Seuils Auto" with a lower level limit of 0: a scroll divides by
    // 0.001, a typed value by 1; a typed odd value lands one lower.
    ZoneResetPending = 1;
    t->TNI_Min->SetValue(0);
    t->SCB_Minimum->setSliderPosition(500);   // as a drag of the thumb
    EXPECT_DOUBLE_EQ(AutoThresholdLowFactor, 500000);
    EXPECT_EQ(t->TNI_Seuil_Min->Value(), 500);
    auto type = [](TCustomNumInp* input, const char* text) {
        input->setText(QString::fromLatin1(text));
        input->DoExit();
    };
    type(t->TNI_Seuil_Min, "500");
    EXPECT_DOUBLE_EQ(AutoThresholdLowFactor, 500);
    type(t->TNI_Seuil_Min, "301");
    EXPECT_EQ(t->SCB_Minimum->value(), 300);
    type(t->TNI_Seuil_Min, "300");
    EXPECT_EQ(t->SCB_Minimum->value(), 300);
    t->SCB_Minimum->setValue(1000);   // from code: no scroll handler
    EXPECT_DOUBLE_EQ(AutoThresholdLowFactor, 300);

    // Switching "Seuils Auto" on resets the ratios once the main window is up.
    t->CKB_Seuils_Evol->setChecked(false);
    t->CKB_Seuils_Evol->setChecked(true);
    EXPECT_DOUBLE_EQ(AutoThresholdLowFactor, 300);
    alv->FirstActivationDone = true;
    t->CKB_Seuils_Evol->setChecked(false);
    t->CKB_Seuils_Evol->setChecked(true);
    EXPECT_DOUBLE_EQ(AutoThresholdLowFactor, 1.0);

    // Bounds apply on Enter or on leaving, not on another key.
    t->TNI_Seuil_MinMin->setText(QStringLiteral("100"));
    t->TNI_Seuil_MinMinKeyUp(65);
    EXPECT_EQ(t->SCB_Minimum->minimum(), 0);
    t->TNI_Seuil_MinMinKeyUp(13);
    EXPECT_EQ(t->SCB_Minimum->minimum(), 100);
    type(t->TNI_Seuil_MaxMax, "30000");
    EXPECT_EQ(t->SCB_Maximum->maximum(), 30000);
}

TEST_F(StackingControls, GlyphOfTheIntegrationButton)
{
    const auto picture = [] {
        return FRM_Alv->SPDB_Integration->icon().pixmap(16, 16).toImage().convertToFormat(QImage::Format_RGB32);
    };
    const auto runScript = [](const char* line) {
        FRM_Script->Memo_Script->setPlainText(QString::fromLatin1(line));
        FRM_Script->MNU_ExecuterDuDebutClick(FRM_Script->MNU_ExecuterDuDebut);
        for (int tick = 0; tick < 10 && FRM_Script->TMR_Script->isActive(); ++tick)
            FRM_Script->TMR_ScriptTimer();
    };
    // Without glyph files the button's own picture shows the state, by a
    // script as by the box, and comes back plain once off.
    const QImage plain = picture();
    runScript("integration(on)");
    ASSERT_TRUE(t->CKB_Integration->isChecked());
    EXPECT_TRUE(picture() != plain);
    runScript("integration(off)");
    EXPECT_TRUE(picture() == plain);

    // The "on" glyph is loaded (the file name's case does not matter); a
    // missing or unreadable "off" file gives the plain picture back, not
    // the "on" glyph.
    QImage icon(16, 16, QImage::Format_RGB888);
    icon.fill(Qt::green);
    QDir().mkpath(dir.filePath(QStringLiteral("Icons")));
    ASSERT_TRUE(icon.save(dir.filePath(QStringLiteral("Icons/integration_I.bmp")), "BMP"));
    t->CKB_Integration->setChecked(true);
    EXPECT_EQ(QColor(picture().pixel(8, 8)), QColor(Qt::green));
    t->CKB_Integration->setChecked(false);
    EXPECT_TRUE(picture() == plain);
    dir.writeFile(QStringLiteral("Icons/Integration.bmp"), "BM not a picture");
    t->CKB_Integration->setChecked(true);
    t->CKB_Integration->setChecked(false);
    EXPECT_TRUE(picture() == plain);
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join(u'|').toStdString();
}

// A stack of the camera's frames that ended by itself stays on "Resultat"
// when the display zone is narrowed by a click on the width bar's arrow,
// drawn again at the new width (its automatic thresholds taken anew), while
// the camera goes on; the full-screen view, opened after the end, shows it
// too, and a save of the result after processing writes it. So it does,
// whole, once a smaller frame has left the zone over the frame's corner,
// and once the camera's stop (which ends the integration) is followed by
// another narrowing.
TEST_F(StackingControls, AnEndedStackStaysShownAndSavedWhenTheZoneNarrows)
{
    const auto saveAfterProcessing = [this](const QString& prefix) {
        t->EDT_Nom_Image->setText(dir.filePath(prefix));
        if (!t->RDB_Images_Apres_Traitement->isChecked())
            testsupport::click(t->RDB_Images_Apres_Traitement);
        testsupport::click(t->BTN_Enregistrer_Image);
        const QStringList saved = QDir(dir.path()).entryList({prefix + QStringLiteral("*.bmp")});
        return saved.size() == 1 ? QImage(dir.filePath(saved.front())) : QImage();
    };
    ASSERT_NO_FATAL_FAILURE(startStarFieldCamera());
    ASSERT_NO_FATAL_FAILURE(stackCameraFrames(10));
    testsupport::click(shownTwin(FRM_Alv->SPDB_PleinEcran, FRM_Alv->SPDB_PleinEcran_B));
    QCoreApplication::processEvents();   // the window comes on screen
    const QImage stacked = FRM_Alv->Image3->Picture();
    ASSERT_FALSE(allBlack(FRM_Alv->Image3->Bitmap()));
    EXPECT_TRUE(fullScreenShowsTheResult()) << "opened after the end";

    testsupport::clickScrollBar(FRM_Tool_Affichage->SCB_Taille_ZAffich, QStyle::SC_ScrollBarSubLine);
    cameraFrames(2);
    const QImage shown = FRM_Alv->Image3->Picture();
    EXPECT_EQ(shown.size(), QSize(stacked.width() - 1, stacked.height()));
    EXPECT_FALSE(allBlack(FRM_Alv->Image3->Bitmap()));
    EXPECT_TRUE(fullScreenShowsTheResult());

    EXPECT_EQ(saveAfterProcessing(QStringLiteral("m13_")).convertToFormat(shown.format()), shown);

    // The options the image tool draws the result again for, with no frame
    // to follow: a flat made, then not applied, then the single image again.
    testsupport::click(t->RDB_Flat);
    ASSERT_NO_FATAL_FAILURE(stackCameraFrames(10));
    ASSERT_TRUE(t->CKB_Active_Flat->isChecked());
    const QImage flat = FRM_Alv->Image3->Picture();
    testsupport::click(t->CKB_Active_Flat);
    QCoreApplication::processEvents();
    EXPECT_NE(FRM_Alv->Image3->Picture(), flat);
    EXPECT_TRUE(fullScreenShowsTheResult()) << "the flat not applied";
    testsupport::click(t->RDB_Unique);
    QCoreApplication::processEvents();
    EXPECT_FALSE(allBlack(FRM_Alv->Image3->Bitmap())) << "the single image again";
    EXPECT_TRUE(fullScreenShowsTheResult()) << "the single image again";

    // A rolling sum with the whole dark taken off, stopped: a narrower zone
    // cuts it, with the dark taken off as it was shown.
    testsupport::click(t->RDB_Dark);
    ASSERT_NO_FATAL_FAILURE(stackCameraFrames(10));
    while (t->SCB_Seuil_dark->value() > 0)
        testsupport::clickScrollBar(t->SCB_Seuil_dark, QStyle::SC_ScrollBarSubPage);
    testsupport::click(t->RDB_Boucle);
    testsupport::click(t->BTN_Demarrer_Add);
    cameraFrames(4);
    testsupport::click(t->BTN_Arreter_Add);
    // (The camera's own timer may add a frame while the clicks are handled.)
    ASSERT_GE(RingFilled, 4);
    const QImage rolled = FRM_Alv->Image3->Picture();
    testsupport::clickScrollBar(FRM_Tool_Affichage->SCB_Taille_ZAffich, QStyle::SC_ScrollBarSubLine);
    EXPECT_TRUE(FRM_Alv->Image3->Picture() == rolled.copy(0, 0, rolled.width() - 1, rolled.height()))
        << "the rolling sum cut";
    testsupport::click(t->RDB_Unique);

    chooseCameraFormat(320, 240);
    for (int i = 0; i < 4; ++i)
        testsupport::clickScrollBar(FRM_Tool_Affichage->SCB_Taille_ZAffich, QStyle::SC_ScrollBarSubLine);
    cameraFrames(1);
    const QImage smallerFrame = FRM_Alv->Image3->Picture();
    ASSERT_FALSE(allBlack(FRM_Alv->Image3->Bitmap())) << "a smaller frame";
    EXPECT_EQ(saveAfterProcessing(QStringLiteral("m27_")).convertToFormat(smallerFrame.format()), smallerFrame)
        << "a smaller frame";

    FRM_Alv->MNU_Cam1_Arreter->trigger();
    ASSERT_FALSE(t->CKB_Integration->isChecked()) << "the camera's stop ends the integration";
    testsupport::clickScrollBar(FRM_Tool_Affichage->SCB_Taille_ZAffich, QStyle::SC_ScrollBarSubLine);
    const QImage afterStop = FRM_Alv->Image3->Picture();
    EXPECT_EQ(afterStop.size(), QSize(smallerFrame.width() - 1, smallerFrame.height()));
    EXPECT_FALSE(allBlack(FRM_Alv->Image3->Bitmap())) << "the camera stopped";
    EXPECT_TRUE(fullScreenShowsTheResult()) << "the camera stopped";
    EXPECT_EQ(saveAfterProcessing(QStringLiteral("m57_")).convertToFormat(afterStop.format()), afterStop)
        << "the camera stopped";
}
