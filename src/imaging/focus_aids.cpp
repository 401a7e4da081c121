#include "imaging/focus_aids.h"

#include "app/frm_pref.h"
#include "imaging/overlays.h"
#include "imaging/pipeline_state.h"
#include "platform/sound_service.h"
#include "tools/frm_fwhm.h"
#include "tools/frm_tool_affichage.h"
#include "translation/translated_texts.h"

#include <QPalette>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace Align_V {

namespace {

bool atBest(double best, double current)
{
    return double(FocusTolerance) * best >= std::fabs(current - best);
}

double tolerance(double worst, double best)
{
    return double(FocusSensitivity) * std::fabs(best - worst);
}

void setLamps(kernels::Colour red, kernels::Colour orange, kernels::Colour green)
{
    if (FRM_FWHM) {
        SetPanelColour(FRM_FWHM->PNL_Rouge, red);
        SetPanelColour(FRM_FWHM->PNL_Orange, orange);
        SetPanelColour(FRM_FWHM->PNL_Vert, green);
    }
    if (FRM_Tool_Affichage) {
        SetPanelColour(FRM_Tool_Affichage->PNL_Rouge, red);
        SetPanelColour(FRM_Tool_Affichage->PNL_Orange, orange);
        SetPanelColour(FRM_Tool_Affichage->PNL_Vert, green);
    }
}

} // namespace

void SetPanelColour(QWidget* panel, kernels::Colour colour)
{
    if (!panel)
        return;
    const QColor c(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
    if (panel->autoFillBackground() && panel->palette().color(QPalette::Window) == c)
        return;
    QPalette pal = panel->palette();
    pal.setColor(QPalette::Window, c);
    panel->setPalette(pal);
    panel->setAutoFillBackground(true);
}

kernels::Colour PanelColour(const QWidget* panel)
{
    if (!panel)
        return 0;
    const QColor c = panel->palette().color(QPalette::Window);
    return kernels::rgbColour(std::uint8_t(c.red()), std::uint8_t(c.green()), std::uint8_t(c.blue()));
}

void PlayFocusSound(bool smallerIsBetter, double worst, double best, double current, double previous)
{
    const double tol = tolerance(worst, best);
    if (atBest(best, current)) {
        platform::sound().playResource(TranslatedTexts.Txt_TOP);
        return;
    }
    const bool better = smallerIsBetter ? previous > current + tol : current > previous + tol;
    const bool worse = smallerIsBetter ? current > previous + tol : previous > current + tol;
    if (worse)
        platform::sound().playResource(TranslatedTexts.Txt_NON);
    else if (better)
        platform::sound().playResource(TranslatedTexts.Txt_OUI);
}

void UpdateFocusIndicators(std::uint8_t graphLargerIsBetter, bool smallerIsBetter, double worst, double best,
                           double current, double previous)
{
    const double tol = tolerance(worst, best);
    // Neither better nor worse: the lamps stay and the graph keeps the colour
    // of the last measure.
    std::int32_t colour = FocusHistory[128].Colour;
    if (atBest(best, current)) {
        setLamps(kLampSilver, kLampSilver, kGreen);
        colour = std::int32_t(kGreen);
    } else if (smallerIsBetter ? previous > current + tol : current > previous + tol) {
        setLamps(kLampSilver, kLampOrange, kLampSilver);
        colour = std::int32_t(kLampOrange);
    } else if (smallerIsBetter ? current > previous + tol : previous > current + tol) {
        setLamps(kRed, kLampSilver, kLampSilver);
        colour = std::int32_t(kRed);
    }
    DrawFocusHistory(graphLargerIsBetter, colour, worst, best, current);
}

void DrawFocusHistory(std::uint8_t graphLargerIsBetter, std::int32_t colour, double worst, double best,
                      double current)
{
    const double range = std::max(0.1, std::fabs(worst - best));
    best = std::max(0.1, best);
    current = std::max(0.1, current);
    for (int i = 1; i <= 127; ++i)
        FocusHistory[std::size_t(i)] = FocusHistory[std::size_t(i) + 1];
    if (FRM_FWHM) {
        TImageView* view = FRM_FWHM->IMG_HistFWHM;
        view->SetPictureSize(128, 128);
        kernels::Bitmap24& bmp = view->Bitmap();
        kernels::fillRect(bmp, kernels::boundsOf(bmp), kernels::kBlack);
        for (int i = 2; i <= 127; ++i) {
            const TFocusHistoryEntry& e = FocusHistory[std::size_t(i)];
            const double v = graphLargerIsBetter == 0 ? 128 / range * (e.Value - best) : 128 / range * (best - e.Value);
            if (!std::isfinite(v))
                continue;
            // Values far off the graph are drawn at its edge.
            const int y = int(std::clamp(std::trunc(v), -1.0, 128.0));
            for (int row = std::max(y + 1, 0); row < 128; ++row)
                kernels::setPixel(bmp, i, row, kernels::Colour(e.Colour));
        }
        view->Changed();
    }
    FocusHistory[128] = {current, colour};
}

} // namespace Align_V
