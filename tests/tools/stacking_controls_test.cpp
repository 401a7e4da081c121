// The image tool's stacking controls (integration, dark, flat, selection)
// and level controls, driven as the user and the scripts drive them, with
// frames going through the frame pipeline.

#include "app/frm_alv.h"
#include "app/startup.h"
#include "capture/camera_slots.h"
#include "imaging/display_helpers.h"
#include "imaging/display_zone.h"
#include "imaging/overlays.h"
#include "imaging/pipeline_state.h"
#include "imaging/process_frame.h"
#include "platform/memory_status.h"
#include "platform/port_access.h"
#include "platform/port_access_sim.h"
#include "scripting/frm_script.h"
#include "scripting/scripts.h"
#include "support/fakes.h"
#include "support/star_field.h"
#include "support/temp_program_dir.h"
#include "telescope/frm_tool_suivi.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_images.h"
#include "tools/util_images.h"
#include "translation/translated_texts.h"

#include <QDir>
#include <QIcon>
#include <QImage>
#include <gtest/gtest.h>

namespace {

class StackingControls : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::setPortAccess(&ports);
        Startup::CreateWindows();
        Translation::ResetTexts();
        Align_V::CreateMissingSlotBitmaps();
        Align_V::CreateMissingWorkBitmaps();
        Align_V::ResetPipelineStartValues();
        DeepImagePlanes().clearAll();
        CameraSlots[1].width = 640;
        CameraSlots[1].height = 480;
        CurrentCameraSlot = GuideSourceSlot = 1;
        PipelineActive = 1;
        ZoneResetPending = 0;
        TrackedStarPos = PreviousTrackedStarPos = DisplayZoneCenter = QPoint(320, 240);
        DisplayZoneOffset = PreviousDisplayZoneOffset = QPoint(0, 0);
        FRM_Alv->SCB_Taille_ZAffichChange();
        t = FRM_Tool_Images;
    }
    void TearDown() override
    {
        if (FrameRingAllocated)
            Align_V::FreeFrameRing(FrameRingCount);
        FrameRingCount = 0;
        platform::setMeminfoPath({});
        Scripts::StopAll();
        Startup::DestroyWindows();
        ZoneResetPending = 1;
        platform::setPortAccess(nullptr);
    }
    // n frames of one colour through the frame pipeline.
    void addFrames(int n, std::uint8_t blue, std::uint8_t green, std::uint8_t red)
    {
        const kernels::Bitmap24 f = testsupport::uniformBitmap(640, 480, blue, green, red);
        kernels::bitBlt(*SlotBitmaps[1][0], 0, 0, 640, 480, f, 0, 0, kernels::RasterOp::SrcCopy);
        for (int i = 0; i < n; ++i) {
            std::uint8_t keep = 0;
            Align_V::ProcessFrame(1, keep, 1);
        }
    }
    // The Off / Ready / Running table: integration box checked and enabled,
    // then start, stop, reset enabled.
    std::string state() const
    {
        std::string s(1, t->CKB_Integration->isChecked() ? '1' : '0');
        for (QWidget* w : std::initializer_list<QWidget*>{t->CKB_Integration, t->BTN_Demarrer_Add, t->BTN_Arreter_Add,
                                                           t->BTN_Reset_Add})
            s += w->isEnabled() ? '1' : '0';
        return s;
    }

    testsupport::TempProgramDir dir;
    testsupport::RecordingMessageService boxes;
    testsupport::FakeClock clock;
    platform::SimulatedPortAccess ports;
    TFRM_Tool_Images* t = nullptr;
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
    EXPECT_EQ(state(), "01000");   // Off
    EXPECT_FALSE(t->BTN_Demarrer_AddClick());
    t->BTN_Arreter_AddClick();   // harmless
    EXPECT_EQ(state(), "01000");

    t->CKB_Integration->setChecked(true);
    EXPECT_EQ(state(), "11101");   // Ready
    EXPECT_TRUE(t->SCB_Maximum->isEnabled());
    EXPECT_FALSE(FRM_Alv->MNU_Cam1_Binning->menuAction()->isEnabled());
    addFrames(2, 9, 9, 9);
    EXPECT_EQ(AdditionFrameCount[0], 0);   // nothing added while ready

    t->SPED_Nb_Bitmap->setValue(0);   // no frame limit
    ASSERT_TRUE(t->BTN_Demarrer_AddClick());
    EXPECT_EQ(state(), "10010");   // Running
    EXPECT_FALSE(t->BTN_Demarrer_AddClick());
    addFrames(3, 9, 9, 9);
    EXPECT_EQ(AdditionFrameCount[0], 3);
    t->BTN_Arreter_AddClick();
    EXPECT_EQ(state(), "11101");

    t->CKB_Integration->setChecked(false);
    EXPECT_EQ(state(), "01000");
    EXPECT_FALSE(t->SCB_Maximum->isEnabled());
    EXPECT_TRUE(FRM_Alv->MNU_Cam1_Binning->menuAction()->isEnabled());

    // A script waiting on a start that cannot happen ends with an error
    // naming its argument instead of waiting for ever.
    scriptWaitsOnTheIntegration();
    EXPECT_FALSE(t->BTN_Demarrer_AddClick());
    EXPECT_FALSE(Scripts::WaitIntegration);
    EXPECT_FALSE(Scripts::ScriptRunning);
    ASSERT_FALSE(boxes.shown.empty());
    EXPECT_TRUE(boxes.shown.back().text.endsWith(QStringLiteral("startwait")));
}

TEST_F(StackingControls, DarkAndFlatBuildsStopResetAndKeepTheirResults)
{
    t->CKB_Integration->setChecked(true);
    t->RDB_Dark->setChecked(true);
    t->SPED_Nb_Bitmap->setValue(10);
    ASSERT_TRUE(t->BTN_Demarrer_AddClick());
    EXPECT_FALSE(FRM_Tool_Suivi->CKB_Suivi->isEnabled());
    addFrames(9, 20, 20, 20);
    EXPECT_TRUE(t->BTN_Arreter_Add->isEnabled());
    addFrames(1, 20, 20, 20);   // the tenth stops it
    EXPECT_TRUE(t->BTN_Demarrer_Add->isEnabled());
    EXPECT_EQ(AdditionFrameCount[1], 10);
    EXPECT_EQ(DarkMeanMax, 20);
    EXPECT_EQ(DarkMeanMin, 20);
    EXPECT_EQ(t->SCB_Seuil_dark->value(), 100);
    EXPECT_TRUE(FRM_Tool_Suivi->CKB_Suivi->isEnabled());
    // Reset in dark mode clears only the dark; a stop with no frame then
    // keeps the means it finds.
    DeepImagePlanes().pixel(0, 5, 5)[0] = 77;
    DeepImagePlanes().pixel(2, 5, 5)[0] = 88;
    t->BTN_Reset_AddClick();
    EXPECT_EQ(DeepImagePlanes().pixel(1, 5, 5)[0], 0);
    EXPECT_EQ(DeepImagePlanes().pixel(0, 5, 5)[0], 77);
    DarkMeanMax = 7;
    ASSERT_TRUE(t->BTN_Demarrer_AddClick());
    t->BTN_Arreter_AddClick();
    EXPECT_EQ(DarkMeanMax, 7);

    // A flat: its frame count, "Appliquer", and its means over the frame.
    t->RDB_Flat->setChecked(true);
    t->BTN_Reset_AddClick();
    EXPECT_EQ(DeepImagePlanes().pixel(0, 5, 5)[0], 77);
    t->SPED_Nb_Bitmap->setValue(0);
    ASSERT_TRUE(t->BTN_Demarrer_AddClick());
    addFrames(3, 10, 20, 30);
    EXPECT_TRUE(t->BTN_Arreter_Add->isEnabled());   // no limit
    t->BTN_Arreter_AddClick();
    EXPECT_EQ(t->TNI_MaxFlat->Value(), 3);
    EXPECT_TRUE(t->CKB_Active_Flat->isEnabled());
    EXPECT_EQ(FlatChannelMeans, (std::array<double, 3>{30, 60, 90}));
    t->BTN_Reset_AddClick();
    EXPECT_FALSE(t->CKB_Active_Flat->isEnabled());
    EXPECT_FALSE(t->CKB_Active_Flat->isChecked());
    EXPECT_EQ(t->TNI_MaxFlat->Value(), 0);
    // A stop before any flat frame keeps the flat there was.
    ASSERT_TRUE(t->BTN_Demarrer_AddClick());
    t->BTN_Arreter_AddClick();
    EXPECT_EQ(FlatChannelMeans, (std::array<double, 3>{30, 60, 90}));
    EXPECT_FALSE(t->CKB_Active_Flat->isEnabled());

    t->RDB_Unique->setChecked(true);
    t->BTN_Reset_AddClick();
    EXPECT_EQ(DeepImagePlanes().pixel(0, 5, 5)[0], 0);
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
    EXPECT_EQ(RingSize, 2);
    EXPECT_EQ(FrameRing[2]->height(), 257);
    // A stop frees exactly the ring; a second stop finds nothing to do.
    PermanentDisplay = true;
    kernels::fillRect(FRM_Alv->Image3->Bitmap(), {0, 0, 4, 4}, Align_V::kRed);
    t->BTN_Arreter_AddClick();
    EXPECT_FALSE(FrameRingAllocated);
    EXPECT_EQ(FrameRingCount, 0);
    EXPECT_TRUE(FrameRing.empty());
    EXPECT_EQ(kernels::pixel(FRM_Alv->Image3->Bitmap(), 1, 1), Align_V::kRed);   // not re-rendered
    t->BTN_Arreter_AddClick();
    EXPECT_EQ(state(), "11101");

    // 999,990 frames on a machine with room for 8 bitmaps: the ring stops
    // at the budget, says so once, and the count shows what was made.
    dir.writeFile(QStringLiteral("meminfo"), "MemTotal: 1000000 kB\nMemAvailable: 264100 kB\n");
    platform::setMeminfoPath(dir.filePath(QStringLiteral("meminfo")));
    t->SPED_Nb_Bitmap->setValue(999990);
    ASSERT_TRUE(t->BTN_Demarrer_AddClick());
    EXPECT_EQ(FrameRingCount, 8);
    EXPECT_EQ(t->SPED_Nb_Bitmap->value(), 7);
    EXPECT_EQ(RingSize, 8);
    EXPECT_EQ(boxes.shown.size(), 1u);
    PermanentDisplay = false;
    t->BTN_Arreter_AddClick();
    EXPECT_NE(kernels::pixel(FRM_Alv->Image3->Bitmap(), 1, 1), Align_V::kRed);   // re-rendered
    // Room for one bitmap only is no ring: the start does not happen.
    dir.writeFile(QStringLiteral("meminfo"), "MemTotal: 1000000 kB\nMemAvailable: 262500 kB\n");
    EXPECT_FALSE(t->BTN_Demarrer_AddClick());
    EXPECT_EQ(state(), "11101");
    EXPECT_FALSE(FrameRingAllocated);
}

TEST_F(StackingControls, StopResumesAScriptWaitingOnTheIntegration)
{
    t->CKB_Integration->setChecked(true);
    ASSERT_TRUE(t->BTN_Demarrer_AddClick());
    t->BTN_Arreter_AddClick();
    EXPECT_FALSE(FRM_Script->TMR_Script->isActive());   // no script: nothing else

    ASSERT_TRUE(t->BTN_Demarrer_AddClick());
    scriptWaitsOnTheIntegration();
    t->BTN_Arreter_AddClick();
    EXPECT_FALSE(Scripts::WaitIntegration);
    EXPECT_EQ(Scripts::CurrentScript().State, Scripts::StateRunning);
    EXPECT_TRUE(FRM_Script->TMR_Script->isActive());
    EXPECT_EQ(FRM_Script->TMR_Script->interval(), 50);
}

TEST_F(StackingControls, LevelControlsAndThresholds)
{
    auto* alv = FRM_Alv;
    Util_Images::EnableLevelControls(false);
    for (QWidget* w : std::initializer_list<QWidget*>{t->TNI_Seuil_MinMin, t->SCB_Minimum, t->RDB_NB, t->CKB_Seuils_Evol,
                                                       t->CKB_Blue, t->PNL_EQZ, t->TRKB_EQ9, t->CKB_EQ5, t->BTN_Reset_EQU1})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    for (QWidget* w : std::initializer_list<QWidget*>{t->CKB_utiliser_seuils, t->CKB_Inverse, t->SCB_Saturation})
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
    // 1x1 on one camera while the other is in long exposure keeps them.
    alv->MNU_Cam2_Poselongue->setChecked(true);
    alv->MNU_Cam1_Binning_2x2Click();
    EXPECT_TRUE(t->SCB_Minimum->isEnabled());
    alv->MNU_Cam1_Binning_1x1Click();
    EXPECT_TRUE(t->SCB_Minimum->isEnabled());
    alv->MNU_Cam2_Poselongue->setChecked(false);
    alv->MNU_Cam1_Binning_1x1Click();
    EXPECT_FALSE(t->SCB_Minimum->isEnabled());

    // "Seuils Auto" with a lower level limit of 0: a scroll divides by
    // 0.001, a typed value by 1.
    ZoneResetPending = 1;
    t->TNI_Min->SetValue(0);
    t->SCB_Minimum->setSliderPosition(500);   // as a drag of the thumb
    EXPECT_DOUBLE_EQ(AutoThresholdLowFactor, 500000);
    EXPECT_EQ(t->TNI_Seuil_Min->Value(), 500);
    t->TNI_Seuil_Min->setText(QStringLiteral("500"));
    t->TNI_Seuil_Min->DoExit();
    EXPECT_DOUBLE_EQ(AutoThresholdLowFactor, 500);
    t->TNI_Seuil_Min->setText(QStringLiteral("301"));
    t->TNI_Seuil_Min->DoExit();
    EXPECT_EQ(t->SCB_Minimum->value(), 300);
    t->TNI_Seuil_Min->setText(QStringLiteral("300"));
    t->TNI_Seuil_Min->DoExit();
    EXPECT_EQ(t->SCB_Minimum->value(), 300);
    EXPECT_DOUBLE_EQ(AutoThresholdLowFactor, 300);
    t->SCB_Minimum->setValue(1000);   // from code: no scroll handler
    EXPECT_DOUBLE_EQ(AutoThresholdLowFactor, 300);

    // Switching "Seuils Auto" on resets the ratios, once the main window is up.
    t->CKB_Seuils_Evol->setChecked(false);
    t->CKB_Seuils_Evol->setChecked(true);
    EXPECT_DOUBLE_EQ(AutoThresholdLowFactor, 300);
    alv->FirstActivationDone = true;
    t->CKB_Seuils_Evol->setChecked(false);
    t->CKB_Seuils_Evol->setChecked(true);
    EXPECT_DOUBLE_EQ(AutoThresholdLowFactor, 1.0);

    // Bounds: applied on leaving or on Enter, not on other keys.
    t->TNI_Seuil_MinMin->setText(QStringLiteral("100"));
    t->TNI_Seuil_MinMinKeyUp(65);
    EXPECT_EQ(t->SCB_Minimum->minimum(), 0);
    t->TNI_Seuil_MinMinKeyUp(13);
    EXPECT_EQ(t->SCB_Minimum->minimum(), 100);
    t->TNI_Seuil_MaxMax->setText(QStringLiteral("30000"));
    t->TNI_Seuil_MaxMax->DoExit();
    EXPECT_EQ(t->SCB_Maximum->maximum(), 30000);
}

TEST_F(StackingControls, SelectionAndToolBarGlyphs)
{
    auto* a = FRM_Tool_Affichage;
    a->CKB_MAP->setEnabled(true);
    t->CKB_Nonvide->setChecked(true);
    EXPECT_EQ(t->SCB_Selection->maximum(), 768);
    t->CKB_Selection->setChecked(true);
    EXPECT_FALSE(t->CKB_Nonvide->isChecked());
    EXPECT_FALSE(a->CKB_MAP->isEnabled());
    EXPECT_EQ(t->SCB_Selection->maximum(), 9999999);
    t->SCB_Selection->setValue(50);
    EXPECT_EQ(t->TNI_Seuil_Selection->Value(), 50);
    QualityHistory.sum = 12;
    t->BTN_Reset_SelectionClick();
    EXPECT_EQ(t->SCB_Selection->value(), 0);
    EXPECT_EQ(t->TNI_Seuil_Selection->Value(), 0);
    EXPECT_EQ(t->TNI_Pire_Qualite->Value(), 9999999);
    EXPECT_EQ(QualityHistory.sum, 0);

    // The "on" glyph is loaded; a missing "off" file leaves it in place.
    QImage icon(16, 16, QImage::Format_RGB888);
    icon.fill(Qt::green);
    QDir().mkpath(dir.filePath(QStringLiteral("Icons")));
    ASSERT_TRUE(icon.save(dir.filePath(QStringLiteral("Icons/integration_I.bmp")), "BMP"));
    t->CKB_Integration->setChecked(true);
    const qint64 key = FRM_Alv->SPDB_Integration->icon().cacheKey();
    EXPECT_FALSE(FRM_Alv->SPDB_Integration->icon().isNull());
    t->CKB_Integration->setChecked(false);
    EXPECT_EQ(FRM_Alv->SPDB_Integration->icon().cacheKey(), key);
}
