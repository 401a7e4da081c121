#include "pipeline_fixture.h"
#include <cstring>

#include "app/frm_alv.h"
#include "capture/camera_slots.h"
#include "imaging/overlays.h"
#include "imaging/pipeline_state.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_mesures.h"

using kernels::Rect;

namespace {
constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kOliveOnWhite = 0x008080;
} // namespace

TEST(Overlays, ZoneOutlineAndMarkersPixelByPixel)
{
    kernels::Bitmap24 b(20, 12);
    Align_V::DrawZoneRect(b, {2, 3, 9, 8}, 1);
    // White with a dotted olive outline inside the exclusive rectangle.
    EXPECT_EQ(kernels::pixel(b, 0, 0), kWhite);
    EXPECT_EQ(kernels::pixel(b, 2, 3), kOliveOnWhite);
    EXPECT_EQ(kernels::pixel(b, 3, 3), kWhite);
    EXPECT_EQ(kernels::pixel(b, 4, 3), kOliveOnWhite);
    EXPECT_EQ(kernels::pixel(b, 8, 3), kOliveOnWhite);
    EXPECT_EQ(kernels::pixel(b, 9, 3), kWhite);   // right is exclusive
    EXPECT_EQ(kernels::pixel(b, 2, 8), kWhite);   // bottom is exclusive
    EXPECT_EQ(kernels::pixel(b, 5, 5), kWhite);
    int olive = 0;
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 20; ++x)
            olive += kernels::pixel(b, x, y) == kOliveOnWhite;
    EXPECT_EQ(olive, 10);   // every other pixel of the 20 of the outline

    // Square marker with its cross: half size 3 around (10, 6).
    kernels::Bitmap24 m(20, 12);
    Align_V::DrawZoneMarker(m, 10, 6, 3, Align_V::kRed, 0, 0);
    EXPECT_EQ(kernels::pixel(m, 7, 3), Align_V::kRed);
    EXPECT_EQ(kernels::pixel(m, 12, 8), Align_V::kRed);   // (X + n - 1, Y + n - 1)
    EXPECT_EQ(kernels::pixel(m, 13, 9), 0u);
    EXPECT_EQ(kernels::pixel(m, 10, 6), Align_V::kRed);   // the diagonals cross
    EXPECT_EQ(kernels::pixel(m, 12, 4), Align_V::kRed);   // second diagonal from (X + c - 1, Y - c)
    EXPECT_EQ(kernels::pixel(m, 9, 5), Align_V::kRed);
    kernels::Bitmap24 p(20, 12);
    Align_V::DrawZoneMarker(p, 10, 6, 3, Align_V::kGreen, 7, 1);
    EXPECT_EQ(kernels::pixel(p, 10, 6), Align_V::kGreen);
    EXPECT_EQ(kernels::pixel(p, 7, 3), 0u);
    // Markers off the bitmap draw what is inside and nothing else.
    Align_V::DrawZoneMarker(p, -100000, 5, 1 << 20, Align_V::kRed, 0, 0);
}

TEST(Overlays, ReticleScaleCirclesAndLabels)
{
    // 2 seconds of arc per pixel: a circle every minute of arc, 30 pixels apart.
    auto s = Align_V::ComputeReticleScale(2.0, 640);
    EXPECT_EQ(s.stepArcsec, 60);
    ASSERT_GE(s.radii.size(), 3);
    EXPECT_EQ(s.radii[0], 30);
    EXPECT_EQ(s.radii[2], 90);
    EXPECT_EQ(s.labels.mid(0, 3), (QStringList{"1'", "2'", "3'"}));
    EXPECT_EQ(s.radii.size(), 21);   // 1280" of frame
    // 0.25 second of arc per pixel: every 10", 40 pixels apart.
    s = Align_V::ComputeReticleScale(0.25, 640);
    EXPECT_EQ(s.stepArcsec, 10);
    EXPECT_EQ(s.radii.mid(0, 2), (QVector<int>{40, 80}));
    EXPECT_EQ(s.labels.mid(0, 2), (QStringList{"10\"", "20\""}));
    EXPECT_EQ(Align_V::ComputeReticleScale(1.0 / 40, 640).stepArcsec, 1);   // 40 px per second of arc
    // Degrees for coarse scales.
    s = Align_V::ComputeReticleScale(100.0, 640);
    EXPECT_EQ(s.stepArcsec, 3600);
    EXPECT_EQ(s.labels.value(0), QString("1") + QChar(0x00B0));
    // No scale, or a huge one, costs nothing and draws nothing useless.
    EXPECT_TRUE(Align_V::ComputeReticleScale(0, 640).radii.isEmpty());
    EXPECT_TRUE(Align_V::ComputeReticleScale(-2, 640).radii.isEmpty());
    EXPECT_LE(Align_V::ComputeReticleScale(1e9, 640).radii.size(), 641);
    EXPECT_LE(Align_V::ComputeReticleScale(1e-9, 640).radii.size(), 2049);
}

TEST_F(PipelineTest, ReticleOverlayPictureAndFrameSize)
{
    // The reticle's circles land on the overlay at their radius.
    Align_V::ClearOverlay();
    Align_V::DrawReticle(400, 300, false, 2.0, 0, true, 1);
    const kernels::Bitmap24& o = OverlayBitmap->bitmap;
    auto litNear = [&o](int x, int y) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (kernels::pixel(o, x + dx, y + dy) == Align_V::kRed)
                    return true;
        return false;
    };
    EXPECT_TRUE(litNear(400, 270));
    EXPECT_TRUE(litNear(340, 300));
    EXPECT_FALSE(litNear(400, 285));
    // With the cross, the first axis runs through the centre.
    Align_V::DrawReticle(400, 300, true, 2.0, 0, false, 1);
    EXPECT_EQ(kernels::pixel(o, 500, 300), Align_V::kRed);

    // A comparison picture of size 0 is skipped; another lands on its
    // reference point.
    Align_V::ClearOverlay();
    TOverlayPictureRecord& rec = FRM_Tool_Mesures->OverlayPictureRecord;
    Align_V::DrawOverlayPicture(100, 100);
    rec.Picture = testsupport::uniformBitmap(4, 4, 0, 0, 200);
    rec.CX = rec.CY = 2;
    rec.HalfWidth = rec.HalfHeight = 4;   // drawn twice its size
    Align_V::DrawOverlayPicture(100, 100);
    EXPECT_EQ(kernels::pixel(o, 96, 96), 200u);
    EXPECT_EQ(kernels::pixel(o, 103, 103), 200u);
    EXPECT_EQ(kernels::pixel(o, 104, 104), 0u);
    // At a scale that is not whole the reference point keeps its pixel: the
    // picture starts one scaled pixel (cut to whole pixels) before it.
    Align_V::ClearOverlay();
    rec.Picture = testsupport::uniformBitmap(3, 3, 0, 0, 200);
    rec.CX = rec.CY = 1;
    rec.HalfWidth = rec.HalfHeight = 2;   // 4/3 of its size
    Align_V::DrawOverlayPicture(100, 100);
    EXPECT_EQ(kernels::pixel(o, 98, 100), 0u);
    EXPECT_EQ(kernels::pixel(o, 100, 98), 0u);
    EXPECT_EQ(kernels::pixel(o, 99, 99), 200u);
    EXPECT_EQ(kernels::pixel(o, 101, 101), 200u);
    EXPECT_EQ(kernels::pixel(o, 102, 102), 0u);

    // A new frame size smaller than the tracked star's position brings the
    // star d + 1 pixels inside, d following the detection zone that the
    // frame limits.
    FRM_Alv->Timer_Cam1->start(1000);
    TrackedStarPos = {600, 400};
    CameraSlots[1].width = 320;
    CameraSlots[1].height = 240;
    FRM_Alv->SetSourceDimensions(1);
    EXPECT_EQ(TrackedStarPos, QPoint(320 - 20 - 1, 240 - 20 - 1));
    EXPECT_EQ(FRM_Alv->Image1->Bitmap().width(), 320);
    EXPECT_EQ(FRM_Tool_Affichage->SCB_Taille_ZAffich->maximum(), 320);
    CameraSlots[1].width = 8;
    CameraSlots[1].height = 6;
    FRM_Alv->SetSourceDimensions(1);
    EXPECT_EQ(FRM_Tool_Affichage->SCB_Taille_ZDetect->value(), 8);
    EXPECT_EQ(TrackedStarPos, QPoint(8 - 4 - 1, 6 - 4 - 1));
    FRM_Alv->Timer_Cam1->stop();
}

TEST(Overlays, CircleMarkerIsARingInsideItsBox)
{
    kernels::Bitmap24 b(40, 40);
    Align_V::DrawZoneMarker(b, 20, 20, 8, Align_V::kGreen, 1, 1);
    EXPECT_EQ(kernels::pixel(b, 12, 19), Align_V::kGreen);   // left edge of the box
    EXPECT_EQ(kernels::pixel(b, 27, 20), Align_V::kGreen);   // right edge, x + n - 1
    EXPECT_EQ(kernels::pixel(b, 28, 20), 0u);
    EXPECT_EQ(kernels::pixel(b, 12, 12), 0u);                // the box's corner stays clear
    EXPECT_EQ(kernels::pixel(b, 16, 20), 0u);                // inside the ring
    EXPECT_EQ(kernels::pixel(b, 20, 20), Align_V::kGreen);   // the centre point
}

// The zone outline merged edge by edge leaves the view as the merge over the
// whole zone does: zones inside, on and past the view's edges, thin ones,
// and another size (stretched over the whole zone).
TEST(Overlays, ZoneOutlineMergedByItsEdgesMatchesTheWholeMerge)
{
    kernels::Bitmap24 base(37, 23);
    for (int y = 0; y < base.height(); ++y)
        for (int x = 0; x < base.width() * 3; ++x)
            base.scanLine(y)[x] = std::uint8_t((x * 29 + y * 71) & 0xFF);
    kernels::Bitmap24 outline(37, 23);
    const Rect zones[] = {{3, 4, 20, 15}, {0, 0, 37, 23}, {-5, -3, 12, 9}, {30, 18, 45, 30}, {5, 5, 6, 19},
                          {5, 5, 19, 6}, {5, 5, 6, 6}, {8, 2, 10, 4}};
    const Rect places[] = {{3, 4, 20, 15}, {0, 0, 37, 23}, {10, 6, 27, 17}, {-4, -2, 11, 10}, {20, 10, 21, 24},
                           {1, 1, 15, 2}, {36, 22, 37, 23}, {2, 3, 4, 5}};
    for (const Rect& zone : zones)
        for (const Rect& place : places) {
            Align_V::DrawZoneRect(outline, zone, 1);
            kernels::Bitmap24 whole = base, edges = base;
            kernels::stretchBlt(whole, place, outline, zone, kernels::RasterOp::MergePaint);
            Align_V::MergeZoneOutline(edges, place, outline, zone);
            for (int y = 0; y < base.height(); ++y)
                ASSERT_EQ(0, std::memcmp(whole.scanLine(y), edges.scanLine(y), std::size_t(base.width()) * 3))
                    << zone.left << "," << zone.top << " -> " << place.left << "," << place.top << " row " << y;
        }
}
