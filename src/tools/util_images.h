#pragma once
// Shared state and routines of the image tool that the frame pipeline uses:
// the convolution kernel, the filter frame counter, the colour mixer
// records, the sequence clock, and the helpers the result rendering calls.

#include "kernels/bitmap24.h"
#include "kernels/convolution.h"
#include "kernels/equalizer.h"
#include "kernels/image_files.h"
#include "kernels/nj_bitmap.h"
#include "kernels/raster.h"
#include "kernels/result_passes.h"
#include "kernels/wavelet.h"

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>

namespace Util_Images {

// The kernel of the convolution filters (rebuilt from the kernel window).
extern kernels::Filtres2::ConvolutionKernel ConvolutionKernel;
// New frames counted modulo the filter frequency; 0 at start.
extern std::int32_t FilterFrameCounter;

// While false, a change of a ring level rewrites the grid only (the reset
// buttons clear it while they set several levels).
extern bool KernelAutoRebuild;

// Rebuilds ConvolutionKernel from the 9 x 9 grid of the kernel window
// (cells that are not 32-bit integers count 0) and the checked size. With
// "Auto" the centre is set first (1000 while the active square sums to 1 or
// more, else raised until it sums to 0) and the divisor is then the sum of
// the active square, taken in 64 bits (1 when it is below 1, at most the
// largest 32-bit value), shown in SPED_Diviseur. It never renders: the
// render pass calls it. The kernel stays as it is while there is no grid.
void KernelFromGrid();
// Copies the centre squares of the 9 x 9 grid into the 7 x 7, 5 x 5 and 3 x 3.
void CopyKernelCentres();
// Writes round(TNI_Set_k) into ring k of the 9 x 9 grid; with
// KernelAutoRebuild the kernel is rebuilt and, while the filter is on, the
// result re-rendered.
void ApplyKernelLevel(int k);
// The ".flt" files. Reading takes a whole record or nothing (a short file,
// a folder or an unreadable file is told and changes nothing); writing goes
// through a temporary file. Both tell a failure and return false.
bool ReadKernelFile(const QString& fileName);
bool WriteKernelFile(const QString& fileName);

// The curves page: points from the track bars and boxes, the curve built,
// the track bars of switched-off points moved onto it, the result
// re-rendered.
void ApplyCurves();
// The ".crv" files: a foreign or short file is refused with
// MSG_NOT_CRV_FILE and changes nothing; writing goes through a temporary
// file and a failure is told. Both return whether they did their work.
bool ReadCurvesFile(const QString& fileName);
bool WriteCurvesFile(const QString& fileName);
// The curve built from the points (its LUT is the tone curve).
kernels::Equalizer::EqualizerCurve& Equalizer();

// The luminance channel from its pad, CKB_L and the LRGB type.
void UpdateLuminanceMix();

// Correction of the shadow around stars, in place (kernels/fish_eye.h); the
// working copy is kept between calls.
void FishEyeAttenuation(kernels::Bitmap24& bitmap, std::int32_t minThreshold, std::int32_t maxThreshold,
                        double linearity, double radiusRatio, std::int32_t maxStarSize);

// Shows X and Y, then the colour bytes of a pixel of view 1 (source of the
// current camera) or 3 (result) in the information window. A pixel outside
// the bitmap, or another view, leaves the colour read-outs as they were.
void ShowPixelValues(int source, int x, int y);

// ---- capture files ---------------------------------------------------------
//
// Every file the image tool saves is named from the prefix EDT_Nom_Image (a
// folder and a name, "\" or "/" separated) and an image number; callers
// append ".bmp", ".jpg", ".png", ".tif", ".avi" or ".par".

// A save or report that could not be written; the text names the file.
class SaveError : public std::runtime_error {
public:
    explicit SaveError(const QString& text) : std::runtime_error(text.toStdString()), text_(text) {}
    const QString& text() const { return text_; }

private:
    QString text_;
};

// The capture base name: the prefix, then with CKB_Longueur_Fixe `number`
// padded with zeros to the width TNI_Longueur_Sequence (never cut; zeros go in
// front of a minus sign), else the integer part of TNI_Num_Suffixe (number is
// not used); with CKB_Duree_Exposition "-D" and the last long exposure in
// whole seconds.
QString BuildCaptureFileName(std::int32_t number);
// The integer part (toward zero) of TNI_Num_Suffixe.
std::int32_t CurrentImageNumber();
// The prefix without a trailing ".bmp", ".avi" or ".jpg" (letter case
// ignored); the same texts elsewhere in it (a folder "nuit.avi") stay.
QString StripImageExtension(const QString& prefix);
// Free kilobytes of the file system holding the prefix's folder (the
// nearest folder that exists; the current one for a bare name); none when
// the query fails.
std::optional<std::int64_t> FreeDiskSpaceKB(const QString& prefix);
// Shows FreeDiskSpaceKB of the prefix in EDT_FreeDiskSpaceMb (0 when it
// cannot be read); an empty prefix leaves the read-out as it was.
void ShowFreeDiskSpace();

// The part of plane 5 that the render pass wrote, width by height clipped to
// what it wrote and to the plane.
kernels::Deep16Image ResultPlaneImage(int width, int height);
// The part area of it (clipped to what the render pass wrote).
kernels::Deep16Image ResultPlaneImage(const kernels::Rect& area);
// zlib level of the 16-bit PNG files: the fastest, so that sequences keep up.
constexpr int kPngZlibLevel = 1;
// 16-bit RGB files of plane 5 (ResultPlaneImage), or of a picture given;
// throw SaveError on failure, an empty picture included.
void WritePng16(int width, int height, const QString& fileName);
void WriteTiff16(int width, int height, const QString& fileName);
void WritePng16(const kernels::Deep16Image& picture, const QString& fileName);
void WriteTiff16(const kernels::Deep16Image& picture, const QString& fileName);

// ---- capture report (".par") ------------------------------------------------
//
// CP1252 text with CR LF line ends: a settings block of labelled lines, and
// in single-file mode (CKB_Un_seul_fichier) a list of the images saved.

// Set by the start of a single-file sequence; the next report writes the
// settings block and the list heading, then clears it.
extern bool ReportHeaderPending;

// Creates (or empties) the report file of a single-file sequence; throws
// SaveError when it cannot be created.
void OpenReportFile(const QString& fileName);
void CloseReportFile();
bool ReportFileOpen();
// The next single-file report without an open file is told again (once per
// sequence; the sequencer's start calls it).
void ResetReportWarnings();

// Writes the report of one saved image (isImageFile) or video frame. In
// per-image mode fileName is created with the settings block; in single-file
// mode one list line is appended to the sequence's file (and the settings
// block first while ReportHeaderPending). Without an open sequence file the
// line is skipped and that is told once. Throws SaveError when a write fails
// (what was written before stays).
void WriteCaptureReport(bool isImageFile, const QString& fileName, std::int32_t number);
// The date and time text of the report: "dd/MM/yyyy hh:mm:ss" then "." and
// the milliseconds; the time of day is left out at exactly midnight.
QString ReportDateTimeText(const QDateTime& when);

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
class TFRM_Tool_Images;

namespace Util_Images {

// Enables or disables the threshold, colour, channel and curve controls of
// the "Seuils" page together (of the image tool window, or of the window
// given). They start disabled: a stack, 2x2 binning, a long exposure or
// "Forcer" gives them.
void EnableLevelControls(bool enabled);
void EnableLevelControls(TFRM_Tool_Images& window, bool enabled);
// Disables them unless they are in use: addition on, "Forcer" checked, or
// one of the given menu items (2x2 binning, long exposure) checked.
void DisableLevelControlsUnlessUsed(std::initializer_list<const QAction*> items);
// Re-renders the result after a setting change and processes the current
// frame again (not while an addition runs: that would add the frame a
// second time); nothing until a source has set up the frame geometry.
void RefreshResultImage();
// Shows on the tool-bar buttons whether the state they command is on: the
// glyph file `name` + "_I.bmp" while it is, `name` + ".bmp" while it is not,
// from the icons folder of the preferences (or from `folder`), file names
// found whatever their letter case. Where that file is missing or unreadable
// a button shows its own picture, lit while the state is on, and nothing is
// told: the files are the user's to add.
void ShowButtonState(std::initializer_list<QAbstractButton*> buttons, const QString& name, bool on,
                     const QString& folder = {});

} // namespace Util_Images
