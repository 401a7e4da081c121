#pragma once
// The focus aids that follow the sharpness measure: a sounded verdict
// ("TOP" at best, "OUI" better, "NON" worse), three trend lamps in the
// display tool and the FWHM window, and the history graph of the last 128
// measures.

#include "kernels/raster.h"

#include <cstdint>

class QWidget;

namespace Align_V {

// Lamp and graph colours.
constexpr kernels::Colour kLampSilver = 0xC0C0C0;
constexpr kernels::Colour kLampOrange = 58623;

void PlayFocusSound(bool smallerIsBetter, double worst, double best, double current, double previous);
void UpdateFocusIndicators(std::uint8_t graphLargerIsBetter, bool smallerIsBetter, double worst, double best,
                           double current, double previous);
void DrawFocusHistory(std::uint8_t graphLargerIsBetter, std::int32_t colour, double worst, double best,
                      double current);

// Gives a panel (a label used as a lamp or indicator) its background colour.
void SetPanelColour(QWidget* panel, kernels::Colour colour);
// The background colour of such a panel.
kernels::Colour PanelColour(const QWidget* panel);

} // namespace Align_V
