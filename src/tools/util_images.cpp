#include "tools/util_images.h"

#include "app/frm_alv.h"
#include "capture/camera_slots.h"
#include "imaging/pipeline_state.h"
#include "tools/frm_info.h"

namespace Util_Images {

kernels::Filtres2::ConvolutionKernel ConvolutionKernel;
std::int32_t FilterFrameCounter = 0;

void ShowPixelValues(int source, int x, int y)
{
    if (!FRM_Info)
        return;
    FRM_Info->EDT_X->setText(QString::number(x));
    FRM_Info->EDT_Y->setText(QString::number(y));
    const kernels::Bitmap24* bitmap = nullptr;
    if (source == 1 && (CurrentCameraSlot == 1 || CurrentCameraSlot == 2))
        bitmap = SlotBitmaps[CurrentCameraSlot][0].get();
    else if (source == 3 && FRM_Alv)
        bitmap = &FRM_Alv->Image3->Bitmap();
    if (!bitmap || !bitmap->contains(x, y))
        return;
    const std::uint8_t* p = bitmap->scanLine(y) + std::ptrdiff_t(x) * 3;
    FRM_Info->EDT_R->setText(QString::number(p[2]));
    FRM_Info->EDT_V->setText(QString::number(p[1]));
    FRM_Info->EDT_B->setText(QString::number(p[0]));
}

} // namespace Util_Images

// Red output from its pad's start position: pure red.
kernels::ChannelMix ChannelMixR{0, 1.0, 0.0, 0.0, 1.0};
kernels::ChannelMix ChannelMixG{0, 0.0, 1.0, 0.0, 1.0};
kernels::ChannelMix ChannelMixB{0, 0.0, 0.0, 1.0, 1.0};
// Luminance pad's start position (64, 42).
kernels::ChannelMix LuminanceMix{0, 0.34375, 0.328125, 0.328125, 1.0};
std::unique_ptr<kernels::TNJBitmap> WaveletWorkBitmap;
TSequenceClock SequenceClock;
