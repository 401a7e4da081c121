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
    auto* a = FRM_Tool_Affichage;
    // Defaults: 320, ratio "Ecran" (1.25), 1x1, a 640 x 480 frame.
    setResultSize(10, 10);
    FRM_Alv->SCB_Taille_ZAffichChange();
    EXPECT_EQ(resultSize(), QSize(320, 256));
    EXPECT_EQ(ResultBitmap->width(), 320);
    EXPECT_EQ(FRM_Alv->Image3->size(), QSize(320, 256));
    EXPECT_EQ(FRM_Tool_Images->EDT_Taille_Fichier->text(), QStringLiteral("246128"));   // 320 x 256 x 3 + 368
    const kernels::Rect zone = DisplayZoneRect;
    FRM_Alv->SCB_Taille_ZAffichChange();
    EXPECT_EQ(resultSize(), QSize(320, 256));
    EXPECT_EQ(DisplayZoneRect.left, zone.left);
    EXPECT_EQ(DisplayZoneRect.bottom, zone.bottom);

    // 2x2: half the zone, the height at most half the frame.
    FRM_Alv->MNU_Cam1_Binning_2x2Click();
    EXPECT_EQ(resultSize(), QSize(160, 128));
    a->SCB_Taille_ZAffich->setMaximum(1600);
    a->SCB_Taille_ZAffich->setValue(1600);
    FRM_Alv->SCB_Taille_ZAffichChange();
    EXPECT_EQ(resultSize(), QSize(320, 240));   // not 800 wide: it reads twice its width from the frame
    FRM_Alv->MNU_Cam1_Binning_1x1Click();
    EXPECT_EQ(resultSize(), QSize(640, 480));

    // Z / R rounds halves to even; a zone of 0 still gives a picture.
    EXPECT_EQ(Align_V::ComputeZoneSize(1, false, 481, 2.0, 1), QSize(481, 240));
    EXPECT_EQ(Align_V::ComputeZoneSize(1, false, 483, 2.0, 1), QSize(483, 242));
    EXPECT_EQ(Align_V::ComputeZoneSize(1, false, 0, 1.25, 1), QSize(1, 1));
    EXPECT_EQ(Align_V::ComputeZoneSize(1, false, 320, std::nan(""), 2), QSize(160, 160));
    // Two cameras side by side double the width, never past the planes.
    CameraSlots[1].recordLayout = 1;
    EXPECT_EQ(Align_V::ComputeZoneSize(1, true, 800, 1.25, 1), QSize(1280, 640));
    EXPECT_EQ(Align_V::ComputeZoneSize(1, true, 1600, 1.25, 2), QSize(320, 240));
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
    EXPECT_EQ(a->SCB_Taille_ZAffich->value(), 640);
    EXPECT_EQ(a->SCB_Taille_ZAffichV->value(), 480);
    EXPECT_TRUE(FRM_PlayControl->BTN_Ajouter->isEnabled());

    t->CKB_Integration->setChecked(false);
    EXPECT_TRUE(t->RDB_Unique->isChecked());
    EXPECT_FALSE(FRM_PlayControl->BTN_Ajouter->isEnabled());
    EXPECT_TRUE(a->SCB_Taille_ZAffich->isEnabled());
    EXPECT_FALSE(a->SCB_Taille_ZAffichV->isEnabled());   // only with the free ratio
    EXPECT_EQ(a->SCB_Taille_ZAffich->maximum(), 640);
}

TEST_F(PipelineTest, LoopStackOfTheSimulatedCameraWithADarkLowersTheNoise)
{
    auto* t = FRM_Tool_Images;
    platform::StarFieldSettings sky;
    sky.seed = 11;
    sky.starCount = 25;
    sky.background = 40;
    sky.noise = 6;
    sky.driftX_pxPerS = sky.driftY_pxPerS = sky.tremble_px = 0;
    platform::StarFieldSettings dark = sky;
    dark.starCount = 0;
    dark.guideStar = false;
    dark.background = 10;
    dark.noise = 2;
    platform::SimulatedCamera camera(sky), darkCamera(dark);
    ASSERT_TRUE(camera.open() && darkCamera.open());
    auto frame = [this](platform::SimulatedCamera& c) {
        c.grabFrame([](const platform::FrameView& f) {
            for (int y = 0; y < f.height; ++y)
                std::copy_n(f.data + y * f.stride, f.width * 3, SlotBitmaps[1][0]->scanLine(y));
        });
        processFrame();
    };

    // The dark: ten frames of the capped camera over the whole frame.
    t->CKB_Visu_PermanenteClick();
    t->CKB_Integration->setChecked(true);
    t->RDB_Dark->setChecked(true);
    t->SPED_Nb_Bitmap->setValue(10);
    ASSERT_TRUE(t->BTN_Demarrer_AddClick());
    for (int i = 0; i < 10; ++i)
        frame(darkCamera);
    ASSERT_TRUE(t->BTN_Demarrer_Add->isEnabled());   // stopped by itself
    EXPECT_NEAR(DarkMeanMax, 10, 10);
    t->SCB_Seuil_dark->setValue(0);   // subtract all of it

    // A rolling stack of 16 frames of a 320-pixel zone.
    t->RDB_Boucle->setChecked(true);
    FRM_Tool_Affichage->SCB_Taille_ZAffich->setValue(320);
    FRM_Alv->SCB_Taille_ZAffichChange();
    t->SPED_Nb_Bitmap->setValue(16);
    ASSERT_TRUE(t->BTN_Demarrer_AddClick());

    // A 24 x 24 patch of the result at least 20 pixels from every star.
    QPoint patch(-1, -1);
    for (int r = 0; r + 24 <= 256 && patch.x() < 0; r += 24)
        for (int c = 0; c + 24 <= 320 && patch.x() < 0; c += 24) {
            const double cx = c + 12 + DisplayZoneRect.left, cy = r + 12 + DisplayZoneRect.top;
            if (std::none_of(camera.field().stars().begin(), camera.field().stars().end(),
                             [&](const auto& s) { return std::hypot(s.x - cx, s.y - cy) < 32; }))
                patch = QPoint(c, r);
        }
    ASSERT_GE(patch.x(), 0);
    // Standard deviation and mean of the green words per frame.
    auto noise = [&](double& mean) {
        double sum = 0, sq = 0;
        for (int r = patch.y(); r < patch.y() + 24; ++r)
            for (int c = patch.x(); c < patch.x() + 24; ++c) {
                const double v = DeepImagePlanes().pixel(5, c, r)[1] / double(RingFilled);
                sum += v, sq += v * v;
            }
        mean = sum / 576;
        return std::sqrt(sq / 576 - mean * mean);
    };
    std::vector<double> stddev;
    for (int n = 1; n <= 16; ++n) {
        frame(camera);
        if (n == 1 || n == 4 || n == 16) {
            double mean = 0;
            stddev.push_back(noise(mean));
            EXPECT_NEAR(mean, 30, 2) << n;   // sky less dark
        }
    }
    EXPECT_EQ(RingFilled, 16);
    EXPECT_GT(stddev[0], 1.6 * stddev[1]);
    EXPECT_GT(stddev[1], 1.3 * stddev[2]);
}
