#include "support/star_field.h"

#include <algorithm>

namespace testsupport {

namespace {

platform::StarFieldSettings settingsOf(const StarFieldOptions& o)
{
    platform::StarFieldSettings s;
    s.width = o.width;
    s.height = o.height;
    s.seed = o.seed;
    s.starCount = o.stars;
    s.background = o.background;
    s.noise = o.noise;
    s.fwhm = o.fwhm;
    s.minPeak = o.minPeak;
    s.maxPeak = o.maxPeak;
    s.driftX_pxPerS = s.driftY_pxPerS = 0;
    s.tremble_px = 0;
    s.guideStar = false;
    s.wrap = false;
    s.colour = false;
    s.periodicError_px = o.periodicError_px;
    s.periodicPeriod_s = o.periodicPeriod_s;
    return s;
}

} // namespace

StarField::StarField(const StarFieldOptions& options) : options_(options), field_(settingsOf(options))
{
    for (const auto& s : field_.stars())
        stars_.push_back({s.x, s.y, s.peak});
}

kernels::Bitmap24 StarField::render(double dx, double dy, std::uint32_t frame, double t_s) const
{
    kernels::Bitmap24 b(options_.width, options_.height);
    renderInto(b, dx, dy, frame, t_s);
    return b;
}

void StarField::renderInto(kernels::Bitmap24& bitmap, double dx, double dy, std::uint32_t frame, double t_s) const
{
    field_.render(frame, t_s, dx, dy, 1.0, bitmap.bits(), bitmap.stride(), std::min(options_.width, bitmap.width()),
                  std::min(options_.height, bitmap.height()));
}

kernels::Bitmap24 uniformBitmap(int width, int height, std::uint8_t blue, std::uint8_t green, std::uint8_t red)
{
    kernels::Bitmap24 b(width, height);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = b.scanLine(y);
        for (int x = 0; x < width; ++x) {
            row[x * 3] = blue;
            row[x * 3 + 1] = green;
            row[x * 3 + 2] = red;
        }
    }
    return b;
}

} // namespace testsupport
