#include "pipeline_fixture.h"

#include "app/frm_alv.h"
#include "capture/camera_slots.h"
#include "imaging/display_zone.h"
#include "imaging/pipeline_state.h"
#include "tools/frm_tool_affichage.h"

using Align_V::ComputeZoneGeometry;
using kernels::Rect;

TEST(DisplayZone, GeometryOfTheZoneInTheFrameAndTheResult)
{
    // Zone 100, ratio 1.25: h = 50, v = 40.
    auto g = ComputeZoneGeometry(100, 1.25, {320, 240}, 640, 480, 4.0, true);
    EXPECT_EQ(g.displayZone, (Rect{270, 200, 371, 281}));
    EXPECT_EQ(g.zoneImage, (Rect{0, 0, 101, 81}));
    EXPECT_EQ(g.miniZone, (Rect{67, 50, 92, 70}));
    EXPECT_EQ(g.miniZoneImage, (Rect{0, 0, 25, 20}));
    EXPECT_EQ(g.zoneImageRight, (Rect{101, 0, 202, 81}));
    EXPECT_EQ(g.zoneImageBelow, (Rect{0, 81, 101, 162}));

    // A centre at the corner: the clipped part stays black in the result.
    g = ComputeZoneGeometry(100, 1.25, {0, 0}, 640, 480, 4.0, true);
    EXPECT_EQ(g.displayZone, (Rect{0, 0, 51, 41}));
    EXPECT_EQ(g.zoneImage, (Rect{50, 40, 101, 81}));

    // Far to the left the centre is pulled to 1 - h: columns 0 and 1 remain.
    g = ComputeZoneGeometry(100, 1.25, {-5000, 240}, 640, 480, 4.0, true);
    EXPECT_EQ(g.displayZone, (Rect{0, 200, 2, 281}));
    EXPECT_EQ(g.zoneImage, (Rect{99, 0, 101, 81}));
    // Far above, the pull uses h too: with v < h no row is left.
    g = ComputeZoneGeometry(100, 1.25, {320, -5000}, 640, 480, 4.0, true);
    EXPECT_TRUE(g.displayZone.isEmpty());
    EXPECT_TRUE(g.zoneImage.isEmpty());

    // No frame, no zone; a ratio that is no number counts as 1.
    EXPECT_TRUE(ComputeZoneGeometry(100, 1.25, {0, 0}, 0, 480, 4.0, true).displayZone.isEmpty());
    g = ComputeZoneGeometry(100, std::nan(""), {320, 240}, 640, 480, 0.0, true);
    EXPECT_EQ(g.displayZone, (Rect{270, 190, 371, 291}));
    EXPECT_EQ(g.miniZone, g.displayZone);
}

// A zone wider or taller than the frame, in a result cut to the frame's
// size: the whole frame that way from the result's edge, wherever the
// centre; the other way, and in a result as large as the zone (two cameras
// sharing it), the zone keeps its place.
TEST(DisplayZone, AZoneLargerThanTheFrameInAResultCutToItHoldsTheWholeFrame)
{
    // 640 x 512 ("Ecran") on 640 x 480 and 320 x 256 on 320 x 240.
    for (const QPoint centre : {QPoint{320, 240}, QPoint{100, 450}, QPoint{-5000, -5000}}) {
        auto g = ComputeZoneGeometry(640, 1.25, centre, 640, 480, 4.0, true);
        EXPECT_EQ(g.displayZone, (Rect{0, 0, 640, 480}));
        EXPECT_EQ(g.zoneImage, (Rect{0, 0, 640, 480}));
        EXPECT_EQ(g.miniZoneImage, (Rect{0, 0, 160, 120}));
    }
    EXPECT_EQ(ComputeZoneGeometry(320, 1.25, {300, 230}, 320, 240, 4.0, true).zoneImage, (Rect{0, 0, 320, 240}));
    // Taller only: the columns follow the centre as before.
    auto g = ComputeZoneGeometry(600, 1.25, {100, 400}, 640, 480, 4.0, true);
    EXPECT_EQ(g.displayZone, (Rect{0, 0, 401, 480}));
    EXPECT_EQ(g.zoneImage, (Rect{200, 0, 601, 480}));
    // A result as large as the zone: the frame in its middle, rows below it
    // for the second camera.
    g = ComputeZoneGeometry(640, 1.25, {320, 240}, 640, 480, 4.0, false);
    EXPECT_EQ(g.displayZone, (Rect{0, 0, 640, 480}));
    EXPECT_EQ(g.zoneImage, (Rect{0, 16, 640, 496}));
    EXPECT_EQ(g.zoneImageBelow, (Rect{0, 496, 640, 976}));
}

TEST_F(PipelineTest, DisplayRatioZoneSizeAndDualCapture)
{
    auto* a = FRM_Tool_Affichage;
    EXPECT_EQ(Align_V::GetDisplayRatio(320, 240), 1.25);
    a->RDB_Ratio_Libre->setChecked(true);
    EXPECT_DOUBLE_EQ(Align_V::GetDisplayRatio(320, 240), 320.0 / 240);
    EXPECT_EQ(Align_V::GetDisplayRatio(320, 0), 1.0);

    // The routine reads the display tool's size and the zone centre.
    a->RDB_Ratio_Ecran->setChecked(true);
    a->TNI_Taille_ZAffich->SetValue(100);
    DisplayZoneCenter = {300, 200};
    DisplayZoneOffset = {20, 40};
    Align_V::ComputeDisplayZone(1);
    EXPECT_EQ(DisplayZoneRect, (Rect{270, 200, 371, 281}));
    EXPECT_EQ(MiniZoneRect, (Rect{67, 50, 92, 70}));
    // A zone taller than the frame: the result one camera has, or a binned
    // one, holds the whole frame; two cameras' result holds the whole zone.
    a->SCB_Taille_ZAffich->setValue(640);
    a->TNI_Taille_ZAffich->SetValue(640);
    Align_V::ComputeDisplayZone(1);
    EXPECT_EQ(ZoneImageRect, (Rect{0, 0, 640, 480}));
    a->CKB_DoubleEnreg->setChecked(true);
    Align_V::ComputeDisplayZone(1);
    EXPECT_EQ(ZoneImageRect, (Rect{0, 16, 640, 496}));
    FRM_Alv->MNU_Cam1_Binning_2x2->setChecked(true);
    Align_V::ComputeDisplayZone(1);
    EXPECT_EQ(ZoneImageRect, (Rect{0, 0, 640, 480}));
    FRM_Alv->MNU_Cam1_Binning_2x2->setChecked(false);
    a->CKB_DoubleEnreg->setChecked(false);

    EXPECT_EQ(Align_V::ZoneDisplayWidth(1, false, 800), 640);
    CameraSlots[2].recordLayout = 1;
    EXPECT_EQ(Align_V::ZoneDisplayWidth(1, true, 320), 640);
    EXPECT_EQ(Align_V::ZoneDisplayHeight(1, true, 256), 256);
    CameraSlots[1].recordLayout = 2;
    EXPECT_EQ(Align_V::ZoneDisplayHeight(1, true, 256), 512);
    EXPECT_EQ(Align_V::ZoneDisplayWidth(1, true, 320), 320);
    // Never beyond what the planes and frame bitmaps hold.
    EXPECT_EQ(Align_V::ZoneDisplayHeight(1, true, 1200), 1280);
}
