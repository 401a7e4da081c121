// The frame helpers: saturation map, histogram, mosaic tile and its
// countdown, the recording indicator.

#include "pipeline_fixture.h"

#include "app/controls/num_inp.h"
#include "app/frm_alv.h"
#include "capture/camera_slots.h"
#include "imaging/frame_helpers.h"
#include "imaging/pipeline_state.h"
#include "kernels/raster.h"
#include "tools/frm_info.h"

#include <QLabel>
#include <QScrollBar>
#include <QSpinBox>

namespace {

using FrameHelpers = PipelineTest;

constexpr kernels::Colour kWhite = kernels::kWhite;

// Pixels of a colour in column x of the plot.
int inColumn(const kernels::Bitmap24& plot, int x, kernels::Colour colour)
{
    int n = 0;
    for (int y = 0; y < plot.height(); ++y)
        n += kernels::pixel(plot, x, y) == colour;
    return n;
}

} // namespace

TEST_F(FrameHelpers, SaturatedPixelsTurnRedInsideTheFrameOnly)
{
    kernels::Bitmap24 frame(640, 480);
    kernels::setPixel(frame, 10, 10, kernels::rgbColour(255, 0, 0));
    kernels::setPixel(frame, 11, 10, kernels::rgbColour(0, 0, 255));
    kernels::setPixel(frame, 12, 10, kernels::rgbColour(254, 254, 254));
    setFrame(frame);
    kernels::setPixel(*SlotBitmaps[1][0], 700, 10, kernels::kWhite);   // outside the frame's size
    kernels::fillRect(*SaturationBitmap, kernels::boundsOf(*SaturationBitmap), kernels::kBlack);
    Align_V::MarkSaturatedPixels(255);
    EXPECT_EQ(at(*SaturationBitmap, 10, 10), 255u);
    EXPECT_EQ(at(*SaturationBitmap, 11, 10), 255u);
    EXPECT_EQ(at(*SaturationBitmap, 12, 10), 0u);
    EXPECT_EQ(at(*SaturationBitmap, 700, 10), 0u);
    Align_V::MarkSaturatedPixels(254);
    EXPECT_EQ(at(*SaturationBitmap, 12, 10), 255u);
}

TEST_F(FrameHelpers, HistogramCurvesLevelsAndScale)
{
    TFRM_Info& info = *FRM_Info;
    // A grey frame: one bin per channel, white curves.
    kernels::Bitmap24 grey(640, 480);
    kernels::fillRect(grey, kernels::boundsOf(grey), kernels::rgbColour(100, 100, 100));
    setFrame(grey);
    info.SCB_Scale_Histo->setValue(200);
    info.EDT_R->setText(QStringLiteral("abc"));
    info.EDT_V->setText(QStringLiteral("30"));
    info.EDT_B->setText(QStringLiteral("40"));
    info.CKB_Satur->setChecked(true);
    info.TNI_Seuil_Satur->SetValue(250.7);
    Align_V::DrawHistogram();
    EXPECT_EQ(HistogramRed[100], 640 * 480);
    EXPECT_EQ(HistogramGreen[99], 0);
    EXPECT_EQ(info.SCB_Scale_Histo->maximum(), 640 * 480);
    EXPECT_EQ(info.LBL_YMax->text(), QString::number(640 * 480 * 100 / 200));
    const kernels::Bitmap24& plot = info.Img_Histogramme->Bitmap();
    ASSERT_EQ(plot.width(), 256);
    EXPECT_EQ(kernels::pixel(plot, 50, 100), kWhite);
    EXPECT_EQ(kernels::pixel(plot, 99, 60), kWhite) << "the curve rises to the full bin";
    // The pointed pixel's green and blue levels; "abc" draws no red line.
    EXPECT_EQ(inColumn(plot, 30, 32768), 99);
    EXPECT_EQ(inColumn(plot, 40, 16711680), 99);
    EXPECT_EQ(inColumn(plot, 0, 255) + inColumn(plot, 1, 255), 0);
    // The saturation threshold: a dotted line, every other pixel inverted.
    EXPECT_GE(inColumn(plot, 250, kWhite), 45);

    // A coloured frame: coloured curves.
    kernels::fillRect(*SlotBitmaps[1][0], {0, 0, 640, 240}, kernels::rgbColour(0, 50, 200));
    Align_V::DrawHistogram();
    EXPECT_EQ(HistogramRed[0], 640 * 240);
    EXPECT_EQ(inColumn(info.Img_Histogramme->Bitmap(), 0, kWhite), 0);

    // A tiny frame keeps the scale's minimum; an empty one divides nothing.
    CameraSlots[1].width = CameraSlots[1].height = 8;
    Align_V::DrawHistogram();
    EXPECT_EQ(info.SCB_Scale_Histo->maximum(), 100);
    CameraSlots[1].width = 0;
    Align_V::DrawHistogram();
    EXPECT_EQ(info.LBL_YMax->text(), QStringLiteral("0"));
}

TEST_F(FrameHelpers, MosaicTilesBlendAtTheirPlaceAndTheCountdownEndsOnce)
{
    auto* count = new QSpinBox(FRM_Alv);
    count->setObjectName(QStringLiteral("SPED_Mosaic_NbCompo"));
    count->setRange(0, 100);
    auto* duration = new QSpinBox(FRM_Alv);
    duration->setObjectName(QStringLiteral("SPED_Mosaique_Duree"));
    auto* timer = new TNumInp(FRM_Alv);
    timer->setObjectName(QStringLiteral("TNI_Mosaique_Timer"));
    timer->SetMax(1e9);
    FRM_Alv->IMG_Mosaic->SetPictureSize(200, 200);
    kernels::Bitmap24& mosaic = FRM_Alv->IMG_Mosaic->Bitmap();
    kernels::fillRect(mosaic, kernels::boundsOf(mosaic), kernels::kBlack);

    kernels::Bitmap24 tile(11, 7);
    kernels::fillRect(tile, kernels::boundsOf(tile), kWhite);
    MosaicTileCentre = {50, 50};
    count->setValue(0);   // counts as 1: the tile replaces what was there
    Align_V::PlaceMosaicTile(tile, 11, 7);
    // Halves 6 and 4 (rounded), right and bottom from the size.
    EXPECT_EQ(at(mosaic, 44, 46), kWhite);
    EXPECT_EQ(at(mosaic, 54, 52), kWhite);
    EXPECT_EQ(at(mosaic, 55, 50), 0u);
    EXPECT_EQ(at(mosaic, 43, 50), 0u);
    EXPECT_EQ(at(mosaic, 50, 53), 0u);
    MosaicTileCentre = {150, 150};
    count->setValue(4);
    Align_V::PlaceMosaicTile(tile, 11, 7);
    EXPECT_EQ(at(mosaic, 150, 150), kernels::rgbColour(64, 64, 64));

    // The countdown, frames several seconds apart.
    duration->setValue(10);
    FRM_Alv->CKB_Mosaique_Active->setChecked(true);
    MosaicCountdownRunning = 1;
    MosaicEnd_ms = clock.monotonicMs() + 5500;
    Align_V::PlaceMosaicTile(tile, 11, 7);
    EXPECT_EQ(double(timer->Value()), 5);
    clock.advanceMs(7000);
    Align_V::PlaceMosaicTile(tile, 11, 7);
    EXPECT_EQ(double(timer->Value()), 0);
    EXPECT_FALSE(FRM_Alv->CKB_Mosaique_Active->isChecked());
    FRM_Alv->CKB_Mosaique_Active->setChecked(true);
    clock.advanceMs(200);
    Align_V::PlaceMosaicTile(tile, 11, 7);
    EXPECT_TRUE(FRM_Alv->CKB_Mosaique_Active->isChecked()) << "once per initialisation";

    FRM_Alv->LBL_Rec->show();
    Align_V::HideRecIndicator();
    EXPECT_TRUE(FRM_Alv->LBL_Rec->isHidden());
}
