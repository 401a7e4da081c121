#include "telescope/tracking/focus_measure.h"

#include "app/frm_pref.h"
#include "imaging/focus_aids.h"
#include "imaging/overlays.h"
#include "kernels/raster.h"
#include "telescope/track_step.h"
#include "telescope/tracking/guide_log.h"
#include "telescope/tracking/tracking_state.h"
#include "tools/frm_fwhm.h"
#include "tools/frm_tool_affichage.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace Align_V {

namespace {

double numValue(const TCustomNumInp* input)
{
    const double v = double(input->Value());
    return std::isfinite(v) ? v : 0.0;
}

void setNum(TCustomNumInp* input, double value)
{
    if (input && std::isfinite(value))
        input->SetValue(std::clamp<long double>(value, input->Min(), input->Max()));
}

// A solid line from (x0, y0) to (x1, y1), its end point left out.
void solidLine(kernels::Bitmap24& b, int x0, int y0, int x1, int y1, kernels::Colour colour)
{
    const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    while (x0 != x1 || y0 != y1) {
        kernels::setPixel(b, x0, y0, colour);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

} // namespace

void DrawStarProfile(std::uint8_t Slot, std::int32_t X, std::int32_t Y, std::uint8_t Index, std::int32_t Half)
{
    if (!FRM_FWHM)
        return;
    TImageView* image = FRM_FWHM->IMG_FWHM;
    image->SetPictureSize(128, 128);
    kernels::Bitmap24& b = image->Bitmap();
    kernels::fillRect(b, kernels::boundsOf(b), kernels::kBlack);
    const kernels::guide::FrameView frame = SourceFrame(Slot, Index, false);
    if (Half > 0 && Y >= 0 && Y < frame.height()) {
        const double step = 128.0 / (2.0 * Half);
        bool first = true;
        int px = 0, py = 0;
        for (std::int32_t x = X - Half, k = 1; x <= X + Half; ++x, ++k) {
            if (x < 0 || x >= frame.width())
                continue;
            const int nx = int(k * step);
            const int ny = 128 - int(kernels::guide::greyOf(frame.pixel(x, Y)) * 0.5);
            if (!first)
                solidLine(b, px, py, nx, ny, kRed);
            first = false;
            px = nx;
            py = ny;
        }
    }
    image->Changed();
}

void FocusMeasure(std::uint8_t slot, std::int32_t X, std::int32_t Y, std::int32_t halfW, std::int32_t zoneSum)
{
    auto* a = FRM_Tool_Affichage;
    if (!a)
        return;
    TFwhmHistory& h = FwhmHistory;
    const int N = std::clamp(FRM_Pref ? FRM_Pref->SPED_Nb_Mesures->value() : 10, 2, TFwhmHistory::kSlots - 1);
    h.index = std::uint16_t(h.index % N + 1);
    h.oldest = std::uint16_t(h.index % N + 1);
    h.samples[h.index] = 2 * std::sqrt(ZoneBrightCount / std::numbers::pi);
    // The sum of the N slots in use: the mean of the last N measures.
    h.sum = 0;
    for (int i = 1; i <= N; ++i)
        h.sum += h.samples[std::size_t(i)];
    h.previous = numValue(a->TNI_FWHM);
    const double fwhm = h.sum / N;
    setNum(a->TNI_FWHM, fwhm);
    if (h.index == N)
        h.full = 1;

    if (h.full) {
        if (a->CKB_Save_FWHM->isChecked() && FwhmLog) {
            const double D = numValue(a->TNI_Taille_ZDetect);
            FwhmLog->Add(GuideLogText::FwhmLine(fwhm, zoneSum, ZoneLevelMax, a->SPED_Seuil_MAP->value(), ZoneBrightCount,
                                                a->SCB_Taille_ZDetect->value(), std::int64_t(std::trunc(D * D)),
                                                ZoneMeanLevel));
        }
        if (fwhm < numValue(a->TNI_Meilleur_FWHM))
            setNum(a->TNI_Meilleur_FWHM, fwhm);
        if (fwhm > numValue(a->TNI_Pire_FWHM))
            setNum(a->TNI_Pire_FWHM, fwhm);
        if (TrackingHooks.AutofocusMeasure)
            TrackingHooks.AutofocusMeasure(fwhm, N);
    }

    const double best = numValue(a->TNI_Meilleur_FWHM), worst = numValue(a->TNI_Pire_FWHM);
    if (FRM_FWHM)
        setNum(FRM_FWHM->TNI_GROS_FWHM, fwhm);
    UpdateFocusIndicators(0, true, worst, best, fwhm, h.previous);
    DrawStarProfile(slot, X, Y, 0, halfW);
    if (a->CKB_Son_MAP->isChecked())
        PlayFocusSound(true, worst, best, fwhm, h.previous);
}

} // namespace Align_V
