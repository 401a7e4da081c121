// The kernel of the image tool's rings reaching the rendered frame.

#include "pipeline_fixture.h"

#include "app/frm_alv.h"
#include "app/settings.h"
#include "imaging/pipeline_state.h"
#include "imaging/result_render.h"
#include "kernels/raster.h"
#include "kernels/convolution.h"
#include "tools/frm_tool_images.h"
#include "tools/util_images.h"

TEST_F(PipelineTest, RingLevelsFilterTheRenderedZone)
{
    auto* t = FRM_Tool_Images;
    t->CKB_Seuils_Evol->setChecked(false);
    t->SCB_Minimum->setValue(0);
    t->SCB_Maximum->setValue(256);
    const kernels::Bitmap24 sky = field.render();
    kernels::bitBlt(*ZoneBitmap, 0, 0, sky.width(), sky.height(), sky, 0, 0, kernels::RasterOp::SrcCopy);
    Align_V::RenderResult(0, 1, 0, 1);
    const kernels::Bitmap24 plain = *ResultBitmap;

    t->RDB_9x9->click();
    t->CKB_Diviseur_Auto->setChecked(true);
    t->TNI_Set_3->SetValue(-50);
    ASSERT_TRUE(Settings::RunHandler(QStringLiteral("FRM_Tool_Images.TNI_Set_3Exit")));
    EXPECT_EQ(t->SCB_Set_3->value(), -50);
    EXPECT_EQ(Util_Images::ConvolutionKernel.Divisor, 600);
    t->CKB_Filtre->setChecked(true);
    Align_V::RenderResult(0, 0, 0, 1);   // the same frame again, filtered

    kernels::Filtres2::KernelCoefficients k{};
    for (int r = 3; r <= 5; ++r)
        for (int c = 3; c <= 5; ++c)
            k[std::size_t(r * 9 + c)] = -50;
    k[40] = 1000;
    kernels::Bitmap24 expected = plain;
    kernels::Filtres2::Convolve9x9(expected, k, 600);
    EXPECT_TRUE(kernels::SamePixels(*ResultBitmap, expected));
    EXPECT_FALSE(kernels::SamePixels(plain, expected));
}
