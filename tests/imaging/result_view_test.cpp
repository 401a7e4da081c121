#include "pipeline_fixture.h"

#include "app/frm_alv.h"
#include "imaging/pipeline_state.h"
#include "kernels/raster.h"

#include <QCoreApplication>
#include <QImage>
#include <QTabWidget>

namespace {

// Colour of the result pixel (rx, ry) that the plain display takes from `frame`.
std::uint32_t expectedPixel(const kernels::Bitmap24& frame, int rx, int ry)
{
    return kernels::pixel(frame, DisplayZoneRect.left + rx - ZoneImageRect.left,
                          DisplayZoneRect.top + ry - ZoneImageRect.top);
}

std::uint32_t colourOf(const QImage& image, int x, int y)
{
    const QRgb c = image.pixel(x, y);
    return std::uint32_t(qRed(c)) | std::uint32_t(qGreen(c)) << 8 | std::uint32_t(qBlue(c)) << 16;
}

} // namespace

// The plain display draws the result view at each frame only while the view
// shows. Hidden, the view is drawn when it is shown again or its picture is
// read, from the last frame processed: never an older one.
TEST_F(PipelineTest, AHiddenResultViewIsDrawnWhenShownOrReadAndNeverStale)
{
    FRM_Alv->resize(800, 600);
    FRM_Alv->show();
    FRM_Alv->PGC_Main->setCurrentWidget(FRM_Alv->TBS_Source1);
    QCoreApplication::processEvents();
    TImageView* result = FRM_Alv->Image3;
    ASSERT_FALSE(result->isVisible());

    const kernels::Bitmap24 first = field.render();
    kernels::Bitmap24 second = first;
    for (int y = 0; y < second.height(); ++y)
        for (int x = 0; x < second.width() * 3; ++x)
            second.scanLine(y)[x] ^= 0x55;
    const int rx = 10, ry = 20;
    ASSERT_NE(expectedPixel(first, rx, ry), expectedPixel(second, rx, ry));

    setFrame(first);
    processFrame();
    EXPECT_TRUE(result->FillWaiting()) << "nothing drawn into a hidden view";
    setFrame(second);
    processFrame();

    // Shown again, the view paints the last frame.
    FRM_Alv->PGC_Main->setCurrentWidget(FRM_Alv->TBS_Resultat);
    ASSERT_TRUE(result->isVisible());
    const QImage shown = result->grab().toImage();
    EXPECT_FALSE(result->FillWaiting());
    EXPECT_EQ(colourOf(shown, rx, ry), expectedPixel(second, rx, ry));

    // While it shows, each frame is drawn at once.
    setFrame(first);
    processFrame();
    EXPECT_FALSE(result->FillWaiting());
    EXPECT_EQ(colourOf(result->grab().toImage(), rx, ry), expectedPixel(first, rx, ry));

    // Hidden again: whoever reads the result (a save, a measure) gets the
    // last frame too.
    FRM_Alv->PGC_Main->setCurrentWidget(FRM_Alv->TBS_Source1);
    setFrame(second);
    processFrame();
    EXPECT_TRUE(result->FillWaiting());
    EXPECT_EQ(kernels::pixel(result->Bitmap(), rx, ry), expectedPixel(second, rx, ry));
    EXPECT_FALSE(result->FillWaiting());
    FRM_Alv->hide();
}
