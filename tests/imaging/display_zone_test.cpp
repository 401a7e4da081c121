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
    auto g = ComputeZoneGeometry(100, 1.25, {320, 240}, 640, 480, 4.0);
    EXPECT_EQ(g.displayZone, (Rect{270, 200, 371, 281}));
    EXPECT_EQ(g.zoneImage, (Rect{0, 0, 101, 81}));
    EXPECT_EQ(g.miniZone, (Rect{67, 50, 92, 70}));
    EXPECT_EQ(g.miniZoneImage, (Rect{0, 0, 25, 20}));
    EXPECT_EQ(g.zoneImageRight, (Rect{101, 0, 202, 81}));
    EXPECT_EQ(g.zoneImageBelow, (Rect{0, 81, 101, 162}));

    // A centre at the corner: the clipped part stays black in the result.
    g = ComputeZoneGeometry(100, 1.25, {0, 0}, 640, 480, 4.0);
    EXPECT_EQ(g.displayZone, (Rect{0, 0, 51, 41}));
    EXPECT_EQ(g.zoneImage, (Rect{50, 40, 101, 81}));

    // Far to the left the centre is pulled to 1 - h: columns 0 and 1 remain.
    g = ComputeZoneGeometry(100, 1.25, {-5000, 240}, 640, 480, 4.0);
    EXPECT_EQ(g.displayZone, (Rect{0, 200, 2, 281}));
    EXPECT_EQ(g.zoneImage, (Rect{99, 0, 101, 81}));
    // Far above, the pull uses h too: with v < h no row is left.
    g = ComputeZoneGeometry(100, 1.25, {320, -5000}, 640, 480, 4.0);
    EXPECT_TRUE(g.displayZone.isEmpty());
    EXPECT_TRUE(g.zoneImage.isEmpty());

    // No frame, no zone; a ratio that is no number counts as 1.
    EXPECT_TRUE(ComputeZoneGeometry(100, 1.25, {0, 0}, 0, 480, 4.0).displayZone.isEmpty());
    g = ComputeZoneGeometry(100, std::nan(""), {320, 240}, 640, 480, 0.0);
    EXPECT_EQ(g.displayZone, (Rect{270, 190, 371, 291}));
    EXPECT_EQ(g.miniZone, g.displayZone);
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
