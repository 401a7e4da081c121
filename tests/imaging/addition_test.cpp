// The main window's side of the addition: the result size for the display
// zone, the flat's channel means, the integration switch, and a loop stack
// of the simulated camera with a dark.

#include "pipeline_fixture.h"

#include "app/frm_alv.h"
#include "capture/camera_slots.h"
#include "capture/frm_play_control.h"
#include "imaging/addition.h"
#include "imaging/pipeline_state.h"
#include "platform/simulated_camera.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_images.h"

#include <cmath>

namespace {

QSize resultSize()
{
    return {FRM_Alv->Image3->Bitmap().width(), FRM_Alv->Image3->Bitmap().height()};
}

} // namespace

TEST_F(PipelineTest, ResultSizeFollowsTheZoneAndFitsTheFrameAndThePlanes)
{
    // Defaults: 320, ratio "Ecran" (1.25), 1x1, a 640 x 480 frame; twice
    // gives the same.
    for (int i = 0; i < 2; ++i) {
        FRM_Alv->SCB_Taille_ZAffichChange();
        EXPECT_EQ(resultSize(), QSize(320, 256));
        EXPECT_EQ(FRM_Alv->Image3->size(), QSize(320, 256));
        EXPECT_EQ(FRM_Tool_Images->EDT_Taille_Fichier->text(), QStringLiteral("246128"));   // w x h x 3 + 368
    }
    // 2x2: half the zone, the height at most half the frame; a zone of 1600
    // is not 800 wide, which would read past the frame bitmaps.
    FRM_Alv->MNU_Cam1_Binning_2x2Click();
    EXPECT_EQ(resultSize(), QSize(160, 128));
    FRM_Tool_Affichage->SCB_Taille_ZAffich->setMaximum(1600);
    FRM_Tool_Affichage->SCB_Taille_ZAffich->setValue(1600);
    FRM_Alv->SCB_Taille_ZAffichChange();
    EXPECT_EQ(resultSize(), QSize(320, 240));
    FRM_Alv->MNU_Cam1_Binning_1x1Click();
    EXPECT_EQ(resultSize(), QSize(640, 480));
    EXPECT_EQ(ResultBitmap->width(), 640);

    // Z / R rounds halves to even; bad zones and ratios still give a picture.
    EXPECT_EQ(Align_V::ComputeZoneSize(1, false, 481, 2.0, 1), QSize(481, 240));
    EXPECT_EQ(Align_V::ComputeZoneSize(1, false, 483, 2.0, 1), QSize(483, 242));
    EXPECT_EQ(Align_V::ComputeZoneSize(1, false, 0, 1.25, 1), QSize(1, 1));
    EXPECT_EQ(Align_V::ComputeZoneSize(1, false, 320, std::nan(""), 2), QSize(160, 160));
    // Two cameras side by side double the width, never past the planes.
    CameraSlots[1].recordLayout = 1;
    EXPECT_EQ(Align_V::ComputeZoneSize(1, true, 800, 1.25, 1), QSize(1280, 640));
}

TEST_F(PipelineTest, FlatMeansAreTakenOverTheRenderedFlat)
{
    // A flat of 1000, 2000, 3000 over the 640 x 480 it was rendered on, and
    // nothing beyond: the means are those levels, not 0.19 of them.
    setResultSize(640, 480);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            std::uint16_t* p = DeepImagePlanes().pixel(2, x, y);
            p[0] = 1000, p[1] = 2000, p[2] = 3000;
        }
    std::array<double, 3> means{};
    Align_V::ComputeChannelMeans(means);
    EXPECT_EQ(means, (std::array<double, 3>{1000, 2000, 3000}));
    setResultSize(320, 256);
    Align_V::ComputeChannelMeans(means);
    EXPECT_EQ(means, (std::array<double, 3>{1000, 2000, 3000}));
    setResultSize(0, 0);
    Align_V::ComputeChannelMeans(means);
    EXPECT_EQ(means, (std::array<double, 3>{1.0, 1.0, 1.0}));
}

TEST_F(PipelineTest, IntegrationSwitchCentresDarkAndFlatAndGivesTheZoneBack)
{
    auto* t = FRM_Tool_Images;
    auto* a = FRM_Tool_Affichage;
    t->CKB_Integration->setChecked(true);
    t->RDB_Flat->setChecked(true);
    TrackedStarPos = QPoint(100, 50);
    DisplayZoneOffset = QPoint(7, 3);
    FRM_Alv->CKB_IntegrationClick();
    EXPECT_EQ(TrackedStarPos, QPoint(320, 240));
    EXPECT_EQ(PreviousTrackedStarPos, QPoint(100, 50));
    EXPECT_EQ(DisplayZoneOffset, QPoint(0, 0));
    EXPECT_EQ(PreviousDisplayZoneOffset, QPoint(7, 3));
    EXPECT_FALSE(a->SCB_Taille_ZAffich->isEnabled());
    EXPECT_TRUE(FRM_PlayControl->BTN_Ajouter->isEnabled());

    t->CKB_Integration->setChecked(false);
    EXPECT_TRUE(t->RDB_Unique->isChecked());
    EXPECT_FALSE(FRM_PlayControl->BTN_Ajouter->isEnabled());
    EXPECT_TRUE(a->SCB_Taille_ZAffich->isEnabled());
    EXPECT_FALSE(a->SCB_Taille_ZAffichV->isEnabled());   // only with the free ratio
}

TEST_F(PipelineTest, LoopStackOfTheSimulatedCameraWithADarkLowersTheNoise)
{
    auto* t = FRM_Tool_Images;
    platform::StarFieldSettings sky;   // still: no drift, no tremble
    sky.seed = 11, sky.background = 40, sky.noise = 6;
    sky.driftX_pxPerS = sky.driftY_pxPerS = sky.tremble_px = 0;
    platform::StarFieldSettings capped = sky;   // the dark: no star, a lower level
    capped.starCount = 0, capped.guideStar = false, capped.background = 10, capped.noise = 2;
    platform::SimulatedCamera camera(sky), darkCamera(capped);
    ASSERT_TRUE(camera.open() && darkCamera.open());
    auto frames = [this](platform::SimulatedCamera& c, int n) {
        for (int i = 0; i < n; ++i) {
            c.grabFrame([](const platform::FrameView& f) {
                for (int y = 0; y < f.height; ++y)
                    std::copy_n(f.data + y * f.stride, f.width * 3, SlotBitmaps[1][0]->scanLine(y));
            });
            processFrame();
        }
    };
    t->CKB_Visu_PermanenteClick();
    t->CKB_Integration->setChecked(true);
    t->RDB_Dark->setChecked(true);
    t->SPED_Nb_Bitmap->setValue(10);
    ASSERT_TRUE(t->BTN_Demarrer_AddClick());
    frames(darkCamera, 10);
    ASSERT_TRUE(t->BTN_Demarrer_Add->isEnabled());   // the tenth frame stopped it
    t->SCB_Seuil_dark->setValue(0);                   // subtract the whole dark

    // A rolling stack of 16 frames of a 320-pixel zone; the noise of a
    // 24 x 24 patch at least 32 pixels from every star, per frame.
    t->RDB_Boucle->setChecked(true);
    int width = 320;
    FRM_Tool_Affichage->SCB_Taille_ZAffichScroll(nullptr, 4, width);
    t->SPED_Nb_Bitmap->setValue(16);
    ASSERT_TRUE(t->BTN_Demarrer_AddClick());
    QPoint patch(-1, -1);
    for (int i = 0; i < 130 && patch.x() < 0; ++i) {
        const QPoint p(i % 13 * 24, i / 13 * 24);
        const QPointF centre(p.x() + 12 + DisplayZoneRect.left, p.y() + 12 + DisplayZoneRect.top);
        if (std::none_of(camera.field().stars().begin(), camera.field().stars().end(),
                         [&](const auto& s) { return std::hypot(s.x - centre.x(), s.y - centre.y()) < 32; }))
            patch = p;
    }
    ASSERT_GE(patch.x(), 0);
    std::vector<double> noise;
    for (int n : {1, 3, 12}) {
        frames(camera, n);
        double sum = 0, sq = 0;
        for (int r = patch.y(); r < patch.y() + 24; ++r)
            for (int c = patch.x(); c < patch.x() + 24; ++c) {
                const double v = DeepImagePlanes().pixel(5, c, r)[1] / double(RingFilled);
                sum += v, sq += v * v;
            }
        EXPECT_NEAR(sum / 576, 30, 2) << RingFilled;   // sky less dark
        noise.push_back(std::sqrt(sq / 576 - sum * sum / 576 / 576));
    }
    EXPECT_EQ(RingFilled, 16);
    EXPECT_GT(noise[0], 1.6 * noise[1]);   // 1 frame against 4
    EXPECT_GT(noise[1], 1.3 * noise[2]);   // 4 against 16
}
