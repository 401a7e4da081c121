#include "pipeline_fixture.h"

#include "app/frm_alv.h"
#include "imaging/display_helpers.h"
#include "imaging/overlays.h"
#include "imaging/pipeline_state.h"
#include "imaging/result_render.h"
#include "platform/memory_status.h"
#include "tools/frm_tool_images.h"
#include "tools/util_images.h"

using testsupport::uniformBitmap;

namespace {

void setZone(std::uint8_t v)
{
    const kernels::Bitmap24 b = uniformBitmap(kSlotBitmapSize, kSlotBitmapSize, v, v, v);
    kernels::bitBlt(*ZoneBitmap, 0, 0, b.width(), b.height(), b, 0, 0, kernels::RasterOp::SrcCopy);
}

std::uint16_t word(int plane, int x = 10, int y = 10, int k = 0)
{
    return DeepImagePlanes().pixel(plane, x, y)[k];
}

// Thresholds fixed so that a word shows as its own level.
void identityLevels()
{
    auto* t = FRM_Tool_Images;
    t->CKB_Seuils_Evol->setChecked(false);
    t->SCB_Minimum->setValue(0);
    t->SCB_Maximum->setValue(256);
}

// An addition under way, as the image tool's start leaves it.
void startAddition()
{
    auto* t = FRM_Tool_Images;
    t->CKB_Integration->setChecked(true);
    t->BTN_Demarrer_Add->setEnabled(false);
    t->BTN_Arreter_Add->setEnabled(true);
}

} // namespace

TEST_F(PipelineTest, AdditionCountsLevelsAndStopsAtTheFrameLimit)
{
    auto* t = FRM_Tool_Images;
    setZone(255);
    for (int i = 0; i < 257; ++i)
        Align_V::RenderResult(0, 1, 0, 1);
    EXPECT_EQ(word(0), 65280);
    EXPECT_EQ(word(5, 319, 255, 2), 65280);
    EXPECT_EQ(t->EDT_NBCaps->text(), QStringLiteral("257"));
    EXPECT_EQ(t->TNI_Max->Value(), 65280);
    // Automatic thresholds follow the highest level.
    EXPECT_EQ(t->SCB_Maximum->value(), 65280);
    t->CKB_Inverse->setChecked(true);
    Align_V::RenderResult(0, 0, 0, 1);
    EXPECT_EQ(t->TNI_Max->Value(), 0);

    // Display 0: counts and statistics only, the view stays as it was.
    DeepImagePlanes().clear(0);
    t->CKB_Inverse->setChecked(false);
    Align_V::ClearImage3();
    setZone(40);
    Align_V::RenderResult(0, 1, 1, 0);
    EXPECT_EQ(t->EDT_NBCaps->text(), QStringLiteral("1"));
    EXPECT_EQ(t->TNI_Max->Value(), 40);
    EXPECT_EQ(at(FRM_Alv->Image3->Bitmap(), 5, 5), 0u);

    // SPED_Nb_Bitmap = 10 stops a running addition at its tenth frame.
    startAddition();
    t->SPED_Nb_Bitmap->setValue(10);
    for (int i = 2; i <= 9; ++i)
        Align_V::RenderResult(0, 1, 0, 1);
    EXPECT_FALSE(t->BTN_Demarrer_Add->isEnabled());
    Align_V::RenderResult(0, 1, 0, 1);
    EXPECT_TRUE(t->BTN_Demarrer_Add->isEnabled());
    EXPECT_FALSE(t->BTN_Arreter_Add->isEnabled());
}

TEST_F(PipelineTest, LoopAdditionHoldsTheLastFramesOfItsRing)
{
    auto* t = FRM_Tool_Images;
    t->RDB_Boucle->setChecked(true);
    // Without a ring nothing is rendered, and that is said once.
    setZone(1);
    Align_V::RenderResult(0, 1, 0, 1);
    Align_V::RenderResult(0, 1, 0, 1);
    EXPECT_EQ(reports.size(), 1);
    EXPECT_EQ(word(0), 0);

    ASSERT_EQ(Align_V::AllocFrameRing(4, 320, 257, 24), 4);
    RingSize = 4;   // three frames of the loop
    for (std::uint8_t v = 1; v <= 5; ++v) {
        setZone(v);
        Align_V::RenderResult(0, 1, 0, 1);
    }
    EXPECT_EQ(RingFilled, 3);
    EXPECT_EQ(t->EDT_NBCaps->text(), QStringLiteral("3"));
    EXPECT_EQ(word(0), 3 + 4 + 5);
    // A ring length past what was allocated is capped at it.
    RingSize = 999991;
    setZone(6);
    Align_V::RenderResult(0, 1, 0, 1);
    EXPECT_EQ(word(0), 4 + 5 + 6);
    EXPECT_EQ(reports.size(), 1);
}

TEST_F(PipelineTest, FilterFrequencyThreeShowsEveryThirdNewFrame)
{
    auto* t = FRM_Tool_Images;
    identityLevels();
    t->CKB_Filtre->setChecked(true);
    t->SPED_Frequence_Filtre->setValue(3);
    Util_Images::ConvolutionKernel.Coefficients[40] = 1;   // centre only: the image as it is
    Util_Images::ConvolutionKernel.Divisor = 1;
    // The view is read as any reader reads it: through the view, each time.
    const auto shown = [] { return FRM_Alv->Image3->Bitmap().scanLine(5)[15]; };
    setZone(10);
    const int expected[] = {10, 10, 10, 40, 40, 40, 70};
    for (int frame = 1; frame <= 7; ++frame) {
        Align_V::RenderResult(0, 1, 0, 1);
        EXPECT_EQ(shown(), expected[frame - 1]) << "frame " << frame;
    }
    // A re-render without a new frame is always filtered and shown.
    setZone(0);
    Align_V::RenderResult(0, 0, 0, 1);
    EXPECT_EQ(shown(), 70);
}

TEST_F(PipelineTest, DarkAndFlatCorrectionsReachPlaneFiveAndTheView)
{
    auto* t = FRM_Tool_Images;
    identityLevels();
    // A dark of 30 over 2 frames, taken away in proportion to the frames summed.
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 320; ++x)
            DeepImagePlanes().pixel(1, x, y)[1] = 30;
    AdditionFrameCount[1] = 2;
    t->TNI_MaxDark->SetValue(100);
    setZone(50);
    Align_V::RenderResult(0, 1, 0, 1);
    Align_V::RenderResult(0, 1, 0, 1);
    EXPECT_EQ(word(5, 10, 10, 1), 100 - 30);
    EXPECT_EQ(word(5, 10, 10, 0), 100);
    EXPECT_EQ(FRM_Alv->Image3->Bitmap().scanLine(10)[10 * 3 + 1], 70);

    // A negative dark level counts as none: plane 5 is the sum itself.
    t->TNI_MaxDark->SetMin(-100);
    t->TNI_MaxDark->SetValue(-5);
    Align_V::RenderResult(0, 1, 0, 1);
    EXPECT_EQ(word(5, 10, 10, 1), 150);
    EXPECT_EQ(t->TNI_Min->Value(), 150);

    // Building a flat turns its application on.
    t->TNI_MaxDark->SetValue(0);
    Align_V::RenderResult(2, 1, 1, 1);
    EXPECT_TRUE(t->CKB_Active_Flat->isChecked());
}

TEST_F(PipelineTest, TheResultNeverOutgrowsThePlanesAndBinningHalvesIt)
{
    identityLevels();
    setResultSize(3000, 2000);
    setZone(2);
    Align_V::RenderResult(0, 1, 1, 1);
    EXPECT_EQ(ResultBitmap->width(), 1280);
    EXPECT_EQ(ResultBitmap->height(), 1280);
    EXPECT_EQ(word(5, 1279, 1279), 2);

    // 2 x 2 binning: each result pixel sums a block of four.
    DeepImagePlanes().clearAll();
    FRM_Alv->MNU_Cam1_Binning_2x2->setChecked(true);
    setResultSize(160, 128);
    Align_V::RenderResult(0, 1, 1, 1);
    EXPECT_EQ(word(0, 159, 127), 8);
    EXPECT_EQ(word(0, 160, 128), 0);
    EXPECT_EQ(FRM_Tool_Images->TNI_Min->Value(), 8);
}

TEST_F(PipelineTest, SaturationStopActsOnARunningAdditionOnly)
{
    auto* t = FRM_Tool_Images;
    t->CKB_Stop_Satur->setChecked(true);
    t->SPED_Satur_Limit->setValue(0);
    setZone(9);
    t->BTN_Demarrer_Add->setEnabled(false);   // no addition: the check box is off
    Align_V::RenderResult(0, 1, 1, 1);
    EXPECT_FALSE(t->BTN_Demarrer_Add->isEnabled());
    startAddition();
    Align_V::RenderResult(0, 1, 0, 1);
    EXPECT_TRUE(t->BTN_Demarrer_Add->isEnabled());
}
