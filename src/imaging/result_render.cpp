#include "imaging/result_render.h"

#include "app/frm_alv.h"
#include "app/frm_pref.h"
#include "app/ui/event_boundary.h"
#include "capture/camera_slots.h"
#include "imaging/named_control.h"
#include "imaging/overlays.h"
#include "imaging/pipeline_state.h"
#include "imaging/readout_refresh.h"
#include "imaging/wavelet_module.h"
#include "kernels/convolution.h"
#include "kernels/result_passes.h"
#include "kernels/row_pool.h"
#include "platform/clock.h"
#include "tools/frm_ressources.h"
#include "tools/frm_tool_images.h"
#include "tools/util_images.h"
#include "translation/translated_texts.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <stdexcept>
#include <thread>

namespace Align_V {

namespace {

using i64 = std::int64_t;

kernels::ResultTables& tables()
{
    static kernels::ResultTables t;
    return t;
}

// The rows of the result passes are split across this pool (made on the
// interface thread, at its first use).
std::unique_ptr<kernels::RowPool>& rowPool()
{
    static std::unique_ptr<kernels::RowPool> pool;
    return pool;
}

int& rowThreads()
{
    static int n = std::clamp(int(std::thread::hardware_concurrency()), 1, 4);
    return n;
}

kernels::RowPool* passPool()
{
    auto& pool = rowPool();
    if (rowThreads() <= 1)
        return nullptr;
    if (!pool || pool->Threads() != rowThreads())
        pool = std::make_unique<kernels::RowPool>(rowThreads());
    return pool.get();
}

double num(const TCustomNumInp* input)
{
    const double v = double(input->Value());
    return std::isfinite(v) ? v : 0.0;
}

std::int32_t clamp32(i64 v)
{
    return std::int32_t(std::clamp<i64>(v, INT32_MIN, INT32_MAX));
}

// Sets a numeric input from code, within its range (a value it would refuse
// is brought into it rather than shown as an error every frame). The value
// is stored at once; its text follows the read-out refresh.
void setNum(TCustomNumInp* input, double value)
{
    pipeline::ReadoutRefresh::instance().setValue(input,
                                                  std::clamp<long double>(value, input->Min(), input->Max()));
}

void showCount(std::int32_t n)
{
    auto& refresh = pipeline::ReadoutRefresh::instance();
    refresh.setNumber(FRM_Tool_Images->EDT_NBCaps, n);
    refresh.setNumber(FRM_Tool_Images->EDT_Decompte, n);
}

// Phase timings go to the resources window while it is on screen.
void showTiming(QLineEdit* edit, std::int64_t ms)
{
    if (FRM_Ressources && FRM_Ressources->isVisible())
        pipeline::ReadoutRefresh::instance().setNumber(edit, ms);
}

bool additionRunning()
{
    const auto* t = FRM_Tool_Images;
    return t->CKB_Integration->isChecked() && !t->BTN_Demarrer_Add->isEnabled();
}

void autoThreshold(double level, double factor, TCustomNumInp* limitInput, QScrollBar* bar, TCustomNumInp* input)
{
    if (!std::isfinite(factor))
        factor = 1.0;
    const double v = std::trunc(std::max(level, 0.001) * factor);
    const std::int32_t t = std::int32_t(std::clamp(v, 0.0, double(kAdditionLevelLimit)));
    if (num(limitInput) < t) {
        setNum(limitInput, std::min<double>(kAdditionLevelLimit, 2.0 * t));
        bar->setMaximum(std::int32_t(std::trunc(num(limitInput))));
    }
    pipeline::ReadoutRefresh::instance().setPosition(bar, t);
    setNum(input, t);
}

// Step 11's thresholds: the low one and the range above it (at least 1).
std::uint16_t thresholdLow()
{
    return std::uint16_t(pipeline::ReadoutRefresh::instance().position(FRM_Tool_Images->SCB_Minimum));
}

std::int32_t thresholdRange()
{
    const auto& refresh = pipeline::ReadoutRefresh::instance();
    const std::int32_t range = std::abs(refresh.position(FRM_Tool_Images->SCB_Maximum) - std::int32_t(thresholdLow()));
    return range == 0 ? 1 : range;
}

// The display pass for the thresholds and the colour settings as they
// stand; the tone curve's levels come from the shared tables.
kernels::DisplayJob displayJob(int width, int height, std::uint16_t low, std::int32_t range, double saturation)
{
    auto* t = FRM_Tool_Images;
    kernels::DisplayJob dj;
    dj.width = width;
    dj.height = height;
    dj.levels = tables().levels(low, range, ToneCurveActive ? ToneCurve : nullptr);
    dj.plainStretch = !(ToneCurveActive && ToneCurve);
    dj.low = low;
    dj.range = range;
    dj.grey = t->RDB_NB->isChecked();
    dj.showRed = t->CKB_Red->isChecked();
    dj.showGreen = t->CKB_Green->isChecked();
    dj.showBlue = t->CKB_Blue->isChecked();
    dj.mixRed = ChannelMixR;
    dj.mixGreen = ChannelMixG;
    dj.mixBlue = ChannelMixB;
    dj.saturation = saturation;
    dj.pool = passPool();
    // Nothing drawn on the result before it is shown (luminance, filter,
    // time stamp): the pass writes the view's rows as it goes rather than
    // the result being copied there afterwards. A hidden view is copied
    // into only when next used.
    TImageView* shown = FRM_Alv->Image3;
    if (!shown->isVisible() || shown->PictureSize() != QSize(width, height) || t->CKB_L->isChecked()
        || t->CKB_Filtre->isChecked() || (FRM_Pref && FRM_Pref->CKB_DateHeure->isChecked()))
        return dj;
    kernels::Bitmap24& view = shown->Bitmap();
    if (&view != ResultBitmap.get())
        dj.copyInto = &view;
    return dj;
}

bool sameMix(const kernels::ChannelMix& a, const kernels::ChannelMix& b)
{
    return a.Enabled == b.Enabled && a.WeightR == b.WeightR && a.WeightG == b.WeightG && a.WeightB == b.WeightB
           && a.Multiplier == b.Multiplier;
}

// The tone curve as it stands (all zeros when none is on).
std::array<std::int32_t, 256> toneCurveNow()
{
    std::array<std::int32_t, 256> c{};
    if (ToneCurveActive && ToneCurve)
        std::copy(ToneCurve, ToneCurve + 256, c.begin());
    return c;
}

// True when two display passes give the same bytes from the same plane
// (their level tables built for the same curve).
bool sameDisplay(const kernels::DisplayJob& a, const kernels::DisplayJob& b)
{
    return a.width == b.width && a.height == b.height && a.levels == b.levels && a.plainStretch == b.plainStretch
           && a.low == b.low && a.range == b.range && a.grey == b.grey && a.showRed == b.showRed
           && a.showGreen == b.showGreen && a.showBlue == b.showBlue && sameMix(a.mixRed, b.mixRed)
           && sameMix(a.mixGreen, b.mixGreen) && sameMix(a.mixBlue, b.mixBlue) && a.saturation == b.saturation
           && a.copyInto == b.copyInto;
}

void runFilter(kernels::Bitmap24& bitmap, int passes)
{
    auto* t = FRM_Tool_Images;
    for (int n = 0; n < std::max(passes, 1); ++n) {
        if (t->RDB_Deconvolution->isChecked()) {
            Util_Images::KernelFromGrid();
            const auto& k = Util_Images::ConvolutionKernel;
            // The filter's rows are split across the passes' pool, as the
            // result passes are; its buffers are kept from frame to frame.
            static kernels::Filtres2::ConvolutionScratch scratch;
            scratch.setPool(passPool());
            if (t->RDB_3x3->isChecked())
                kernels::Filtres2::Convolve3x3(bitmap, k.Coefficients, k.Divisor, scratch);
            else if (t->RDB_5x5->isChecked())
                kernels::Filtres2::Convolve5x5(bitmap, k.Coefficients, k.Divisor, scratch);
            else if (t->RDB_7x7->isChecked())
                kernels::Filtres2::Convolve7x7(bitmap, k.Coefficients, k.Divisor, scratch);
            else if (t->RDB_9x9->isChecked())
                kernels::Filtres2::Convolve9x9(bitmap, k.Coefficients, k.Divisor, scratch);
        } else if (t->RDB_Ondelettes->isChecked()) {
            if (!WaveletModule)
                return;
            kernels::TWavelet& wavelet = WaveletModule->Wavelet();
            QScrollBar* const weights[6] = {t->SCB_Wavelet1, t->SCB_Wavelet2, t->SCB_Wavelet3,
                                            t->SCB_Wavelet4, t->SCB_Wavelet5, t->SCB_Wavelet6};
            if (wavelet.Width() != bitmap.width() || wavelet.Height() != bitmap.height()
                || wavelet.Levels() != 6)
                wavelet.SetSize(bitmap.width(), bitmap.height(), 6);
            for (int level = 1; level <= 6; ++level)
                wavelet.SetWeight(level, weights[level - 1]->value());
            // The planes' rows are added as they are made: none goes
            // through memory.
            if (!wavelet.Sharpen(bitmap, bitmap, 6))
                throw std::runtime_error("wavelet working rows cannot be allocated");
        }
    }
}

// The result copied into its view.
void showResult()
{
    if (!FRM_Alv || !ResultBitmap)
        return;
    kernels::bitBlt(FRM_Alv->Image3->Bitmap(), 0, 0, ResultBitmap->width(), ResultBitmap->height(), *ResultBitmap, 0,
                    0, kernels::RasterOp::SrcCopy, passPool());
    FRM_Alv->Image3->Changed();
}

// Steps 1 to 19; returns true when the addition is to be stopped.
bool render(std::uint8_t kind, std::uint8_t newFrame, std::uint8_t firstFrame, std::uint8_t display)
{
    auto* t = FRM_Tool_Images;
    auto& clock = platform::clock();
    const i64 start_ms = clock.monotonicMs();
    bool stop = false;

    // 1. Options.
    const int B = CurrentBinning();
    const std::int32_t maxLevel = 256 * B * B - 1;
    double darkLevel = t->RDB_Dark_Smart->isChecked() ? num(t->TNI_MaxDark) * (2.56 * B * B - 0.01)
                                                       : num(t->TNI_MaxDark) / 100;
    // A negative dark level means no dark, as 0 does.
    darkLevel = std::max(darkLevel, 0.0);
    const bool flatOn = t->CKB_Active_Flat->isChecked();
    const double s = t->SCB_Saturation->value() / 100.0;
    const double saturation = s > 0 ? s * s : s;
    // The result fits the planes and the frames it is made from.
    const QSize viewSize = FRM_Alv->Image3->PictureSize();
    const int W = std::clamp(viewSize.width(), 0, std::min(kernels::DeepPlanes::kSide, ZoneBitmap->width() / B));
    const int H = std::clamp(viewSize.height(), 0, std::min(kernels::DeepPlanes::kSide, ZoneBitmap->height() / B));
    const bool loop = t->RDB_Boucle->isChecked();
    const bool loopNew = loop && newFrame;

    // 2. Loop ring.
    bool ringFull = false;
    std::int32_t ringLength = RingSize;
    if (loopNew) {
        // Never past what was allocated; a ring too short to hold a frame
        // and the one to take away is no ring.
        ringLength = FrameRingAllocated ? std::min<std::int32_t>(RingSize, FrameRingCount) : 0;
        ringLength = std::min<std::int32_t>(ringLength, std::int32_t(FrameRing.size()) - 1);
        if (ringLength < 2) {
            app::reportOnce(QStringLiteral("RenderResult: ") + TranslatedTexts.MSG_Buffer_Missing);
            return false;
        }
        RingHead = RingHead % ringLength + 1;
        RingTail = RingHead % ringLength + 1;
        kernels::Bitmap24* head = FrameRing[std::size_t(RingHead)].get();
        if (!head || !FrameRing[std::size_t(RingTail)]) {
            app::reportOnce(QStringLiteral("RenderResult: ") + TranslatedTexts.MSG_Buffer_Missing);
            return false;
        }
        kernels::bitBlt(*head, 0, 0, head->width(), head->height(), *ZoneBitmap, 0, 0, kernels::RasterOp::SrcCopy);
        ringFull = ringLength - 1 <= RingFilled;
    }

    // 3. Frame count.
    if (newFrame) {
        if (firstFrame) {
            AdditionFrameCount[kind] = 1;
            showCount(1);
        } else if (loop) {
            if (RingFilled < ringLength - 1)
                ++RingFilled;
            showCount(RingFilled);
        } else {
            AdditionFrameCount[kind] = clamp32(i64(AdditionFrameCount[kind]) + 1);
            showCount(AdditionFrameCount[kind]);
            const int limit = t->SPED_Nb_Bitmap->value();
            if (limit > 0 && limit <= AdditionFrameCount[kind])
                stop = true;
        }
    }

    // The image sum holds the frames of the loop window or of the single
    // image, whichever added to it last: drawn again with no new frame, it
    // counts as many frames as when it was last shown (for its levels and
    // the dark taken off), whatever the integration page shows since.
    if (newFrame && kind == 0)
        ImageSumFrames = loop ? RingFilled : AdditionFrameCount[0];
    const std::int32_t imageFrames = kind == 0 ? ImageSumFrames : AdditionFrameCount[0];

    // 4. Statistics reset.
    AdditionMin[kind] = clamp32(i64(maxLevel) * (kind == 0 ? imageFrames : loop ? RingFilled : AdditionFrameCount[kind]));
    AdditionMax[kind] = 0;

    // 5 to 7. Addition and corrections.
    // A frame the filter skips leaves the view as it was while the result
    // is drawn over: a copy still waiting is made before that.
    if (display && t->CKB_Filtre->isChecked())
        FRM_Alv->Image3->Bitmap();
    kernels::DeepPlanes& planes = DeepImagePlanes();
    if (!planes.isAllocated()) {
        app::reportOnce(QStringLiteral("RenderResult: ") + TranslatedTexts.MSG_Planes_Missing);
        return stop;
    }
    // A stack drawn again with no new frame keeps the levels of all its
    // pixels, whatever part of it the view shows: the pass runs over the
    // whole stack (the plane holds it all, from its top-left corner) and the
    // display takes the view's part of it. Narrowed, it is cut as it stood
    // rather than stretched again to the extremes of the part left.
    const bool stackRedrawn = !newFrame && ResultHoldsStack;
    constexpr int side = kernels::DeepPlanes::kSide;
    const QSize stackSize = stackRedrawn ? ResultStackSize.boundedTo(QSize(side, side)) : QSize(W, H);
    const int passW = std::max(W, stackSize.width());
    const int passH = std::max(H, stackSize.height());
    kernels::AccumulateJob job;
    job.width = passW;
    job.height = passH;
    job.binning = B;
    job.kind = kind;
    job.frame = newFrame ? ZoneBitmap.get() : nullptr;
    job.subtract = loopNew && ringFull ? FrameRing[std::size_t(RingTail)].get() : nullptr;
    job.plainCopy = darkLevel == 0 && !flatOn;
    job.correct = display && (darkLevel > 0 || flatOn);
    job.dark = darkLevel > 0 && kind != 1 && AdditionFrameCount[1] > 0;
    job.darkSmart = t->RDB_Dark_Smart->isChecked();
    job.darkLevel = darkLevel;
    job.darkRatio = double(imageFrames) / std::max(AdditionFrameCount[1], 1);
    job.darkFrames = AdditionFrameCount[1];
    job.maxLevel = maxLevel;
    job.darkRadius = t->SPED_RDark->value();
    job.zone = {ZoneImageRect.left / B, ZoneImageRect.top / B, (ZoneImageRect.right + B - 1) / B,
                (ZoneImageRect.bottom + B - 1) / B};
    job.flat = flatOn && kind != 2;
    job.flatMeans = FlatChannelMeans;
    kernels::LevelStats stats{AdditionMin[kind], AdditionMax[kind]};
    job.pool = passPool();
    // Thresholds set by hand: the display pass runs behind the correction,
    // each row while it is in the cache (should anything below still move
    // them, it runs again afterwards). Automatic ones follow this pass's
    // extremes, so the display waits for them.
    kernels::DisplayJob shownJob;
    std::array<std::int32_t, 256> shownCurve{};
    bool displayed = false;
    if (display && !t->CKB_Seuils_Evol->isChecked()) {
        shownCurve = toneCurveNow();
        if (ResultBitmap->width() != W || ResultBitmap->height() != H)
            ResultBitmap->resize(W, H);
        shownJob = displayJob(W, H, thresholdLow(), thresholdRange(), saturation);
        job.display = &shownJob;
        job.displayInto = ResultBitmap.get();
        job.displayed = &displayed;
    }
    kernels::Accumulate(planes, job, tables(), stats);
    // A stack drawn again in a view larger than it was added at is padded
    // with black that is none of its pixels: its levels (and the thresholds
    // that follow them) come from its own pixels, so it looks as it did.
    if (stackRedrawn && (job.plainCopy || job.correct)) {
        const int w = std::min(passW, stackSize.width()), h = std::min(passH, stackSize.height());
        if (w > 0 && h > 0 && (w < passW || h < passH)) {
            stats = {AdditionMin[kind], AdditionMax[kind]};
            kernels::FoldPlane(planes, 5, w, h, stats);
        }
    }
    if (job.plainCopy || job.correct)
        ResultPlaneSize = QSize(W, H);
    AdditionMin[kind] = clamp32(stats.min);
    AdditionMax[kind] = clamp32(stats.max);
    const i64 added_ms = clock.monotonicMs();
    showTiming(FRM_Ressources ? FRM_Ressources->EDT_Temps_addition : nullptr, added_ms - start_ms);

    // 8. Level read-out.
    if (t->CKB_Inverse->isChecked()) {
        setNum(t->TNI_Max, kAdditionLevelLimit - double(AdditionMax[kind]));
        setNum(t->TNI_Min, kAdditionLevelLimit - double(AdditionMin[kind]));
    } else {
        setNum(t->TNI_Max, AdditionMax[kind]);
        setNum(t->TNI_Min, AdditionMin[kind]);
    }

    // 9. Automatic thresholds.
    if (t->CKB_Seuils_Evol->isChecked()) {
        autoThreshold(num(t->TNI_Max), AutoThresholdHighFactor, t->TNI_Seuil_MaxMax, t->SCB_Maximum, t->TNI_Seuil_Max);
        autoThreshold(num(t->TNI_Min), AutoThresholdLowFactor, t->TNI_Seuil_MinMax, t->SCB_Minimum, t->TNI_Seuil_Min);
    }
    // 10. A flat just built is applied to what follows. The flat drawn again
    // with no frame (its mode chosen, a stop) is no flat made: an empty one
    // would turn every picture after it black.
    if (kind == 2 && newFrame)
        t->CKB_Active_Flat->setChecked(true);
    // 11. Thresholds.
    const std::uint16_t low = thresholdLow();
    const std::int32_t range = thresholdRange();
    const i64 levels_ms = clock.monotonicMs();
    showTiming(FRM_Ressources ? FRM_Ressources->EDT_Temps_Dark_Flat : nullptr, levels_ms - added_ms);

    // 12. Counts and statistics only.
    if (!display)
        return stop;

    // 13, 14. Display pass.
    if (ResultBitmap->width() != W || ResultBitmap->height() != H)
        ResultBitmap->resize(W, H);
    const kernels::DisplayJob dj = displayJob(W, H, low, range, saturation);
    if (!displayed || !sameDisplay(dj, shownJob) || toneCurveNow() != shownCurve)
        kernels::DisplayPass(planes, dj, *ResultBitmap);
    const i64 shown_ms = clock.monotonicMs();
    showTiming(FRM_Ressources ? FRM_Ressources->EDT_Temps_Copie : nullptr, shown_ms - levels_ms);

    // 15. Luminance.
    if (t->CKB_L->isChecked()) {
        const std::uint8_t mode = t->RDB_LRGB_Adaptative_HC->isChecked() ? 3
                                  : t->RDB_LRGB_Adaptative->isChecked()  ? 2
                                  : t->RDB_LRGB_Std->isChecked()         ? 1
                                                                          : 0;
        LuminanceTransfer(*ResultBitmap, mode, LuminanceMix.WeightR, LuminanceMix.WeightG, LuminanceMix.WeightB);
    }

    // 16. Filter: every so many new frames; the others are not shown.
    if (t->CKB_Filtre->isChecked()) {
        const std::int32_t frequency = std::max(t->SPED_Frequence_Filtre->value(), 1);
        Util_Images::FilterFrameCounter = Util_Images::FilterFrameCounter % frequency + 1;
        if (Util_Images::FilterFrameCounter != 1 && newFrame)
            return stop;
        runFilter(*ResultBitmap, t->SPED_Repete_Filtre->value());
    }

    // 17. Time stamp.
    if (FRM_Pref && FRM_Pref->CKB_DateHeure->isChecked()) {
        const QString text = FrameStampText(CurrentCameraSlot);
        const QSize ext = TextExtent(text);
        TextOut(*ResultBitmap, ResultBitmap->width() - ext.width() - 1, ResultBitmap->height() - ext.height(), text,
                kRed);
    }

    // 18. Show (unless the display pass wrote the view already).
    if (dj.copyInto)
        FRM_Alv->Image3->Changed();
    else
        FRM_Alv->Image3->Fill(showResult);
    showTiming(FRM_Ressources ? FRM_Ressources->EDT_Temps_BitBlt : nullptr, clock.monotonicMs() - shown_ms);
    return stop;
}

} // namespace

kernels::RowPool* ResultRowPool()
{
    return passPool();
}

void SetResultThreads(int threads)
{
    rowThreads() = std::clamp(threads, 1, kernels::TGenericModule::MaxThreads);
}

int CurrentBinning()
{
    if (!FRM_Alv)
        return 1;
    QAction* twoByTwo = CurrentCameraSlot == 2 ? FRM_Alv->MNU_Cam2_Binning_2x2 : FRM_Alv->MNU_Cam1_Binning_2x2;
    return twoByTwo->isChecked() ? 2 : 1;
}

void RenderResult(std::uint8_t kind, std::uint8_t newFrame, std::uint8_t firstFrame, std::uint8_t display)
{
    if (!FRM_Tool_Images || !FRM_Alv || !ZoneBitmap || !ResultBitmap)
        return;
    ResultOverlaid = false;
    if (kind > 2)
        kind = 0;
    if (display)
        ResultStackKind = kind;
    bool stop = false;
    struct Args {
        std::uint8_t kind, newFrame, firstFrame, display;
        bool* stop;
    } args{kind, newFrame, firstFrame, display, &stop};
    app::runGuarded(QStringLiteral("RenderResult"),
                    [a = &args] { *a->stop = render(a->kind, a->newFrame, a->firstFrame, a->display); });

    // 20. The frame limit and the saturation limit stop a running addition
    // once the frame is rendered.
    auto* t = FRM_Tool_Images;
    if (t->CKB_Stop_Satur->isChecked() && num(t->TNI_Max) > t->SPED_Satur_Limit->value())
        stop = true;
    if (stop && additionRunning()) {
        t->BTN_Arreter_AddClick();
        // The figures the addition ended on are shown at once.
        pipeline::ReadoutRefresh::instance().flush();
    }
}

void LuminanceTransfer(kernels::Bitmap24& bitmap, std::uint8_t mode, double weightRed, double weightGreen,
                       double weightBlue)
{
    kernels::LuminanceTransfer(bitmap, mode, weightRed, weightGreen, weightBlue);
}

} // namespace Align_V
