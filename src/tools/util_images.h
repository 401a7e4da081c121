#pragma once
// Shared state and routines of the image tool that the frame pipeline uses:
// the convolution kernel, the filter frame counter, the colour mixer
// records, the sequence clock, and the helpers the result rendering calls.

#include "kernels/bitmap24.h"
#include "kernels/convolution.h"
#include "kernels/nj_bitmap.h"
#include "kernels/result_passes.h"
#include "kernels/wavelet.h"

#include <cstdint>
#include <memory>

namespace Util_Images {

// The kernel of the convolution filters (rebuilt from the kernel window).
extern kernels::Filtres2::ConvolutionKernel ConvolutionKernel;
// New frames counted modulo the filter frequency; 0 at start.
extern std::int32_t FilterFrameCounter;

// Rebuilds ConvolutionKernel from the grid of the kernel window; the
// kernel stays as it is while that window has no grid.
void KernelFromGrid();

// Radial brightness correction of the shadow around stars, in place.
// The correction itself comes with the image tool's star work; until then
// the bitmap is left as it is.
void FishEyeAttenuation(kernels::Bitmap24& bitmap, std::int32_t minThreshold, std::int32_t maxThreshold,
                        double linearity, double radiusRatio, std::int32_t maxStarSize);

// Shows X, Y and the colour bytes of a pixel of view 1 (source of the
// current camera) or 3 (result) in the information window.
void ShowPixelValues(int source, int x, int y);

} // namespace Util_Images

// The wavelet filter's work image, made when the wavelet filter is chosen and
// freed when another filter is (the filter itself is WaveletModule,
// imaging/wavelet_module.h).
extern std::unique_ptr<kernels::TNJBitmap> WaveletWorkBitmap;

// Colour mixer outputs and the luminance channel of the image tool.
extern kernels::ChannelMix ChannelMixR, ChannelMixG, ChannelMixB, LuminanceMix;

// The two time stamps of the image tool's capture sequence (running while
// SequenceSaving is set), on the monotonic clock: the sequence runs across
// midnight.
struct TSequenceClock {
    std::int64_t now_ms = 0;
    std::int64_t next_ms = 0;
};
extern TSequenceClock SequenceClock;

// ---- Level controls, result refresh, tool-bar glyphs (util_images_levels.cpp)

#include <initializer_list>

class QAbstractButton;
class QAction;
class QString;

namespace Util_Images {

// Enables or disables the threshold, colour, channel and curve controls of
// the "Seuils" page together.
void EnableLevelControls(bool enabled);
// Disables them unless they are in use: addition on, "Forcer" checked, or
// one of the given menu items (2x2 binning, long exposure) checked.
void DisableLevelControlsUnlessUsed(std::initializer_list<const QAction*> items);
// Re-renders the result after a setting change and processes the current
// frame again (not while an addition runs: that would add the frame a
// second time); nothing until a source has set up the frame geometry.
void RefreshResultImage();
// Copies the result view over the full-screen view when that is on.
void CopyResultToFullScreen();
// Loads a tool-bar button's glyph from the icons folder of the
// preferences. A file that is missing or unreadable leaves the glyph as it
// was; returns whether it was loaded.
bool SetButtonGlyph(QAbstractButton* button, const QString& fileName);

} // namespace Util_Images
