#include "kernels/fish_eye.h"

#include "kernels/rounding.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kernels {

namespace {

inline int grey(const std::uint8_t* p) { return (int(p[0]) + p[1] + p[2]) / 3; }

struct RowCorrector {
    const std::uint8_t* src;   // row of the copy
    std::uint8_t* dst;         // row of the bitmap
    int width;
    const FishEyeSettings& s;

    // Ramp over columns `first` .. `last` walked in the direction `step`,
    // from the outside pixel `outside` towards the edge pixel `edge`.
    void ramp(int start, int count, int step, int outside, int edge, int E) const
    {
        const std::uint8_t* o = src + 3 * outside;
        const std::uint8_t* e = src + 3 * edge;
        const double span = std::pow(double(E + 1), s.linearity);
        double slope[3];
        for (int c = 0; c < 3; ++c)
            slope[c] = (double(e[c]) - double(o[c])) / span;
        int x = start;
        for (int k = 1; k <= count; ++k, x += step) {
            if (grey(src + 3 * x) >= s.minDetect)
                continue;
            const double f = std::pow(double(k), s.linearity);
            for (int c = 0; c < 3; ++c)
                dst[3 * x + c] = std::uint8_t(int(o[c]) + int(roundHalfEvenToInt(f * slope[c])));
        }
    }

    // The run of r pixels that ended at column x - 1.
    void correct(int x, int r) const
    {
        if (x == 0)
            return;   // the run ended on the row above: no edge pixel here
        const int E = int(roundHalfEvenToInt(double(r) * s.radiusRatio + 0.5)) + 1;
        const int S = std::max(0, x - r);
        const int L = std::max(0, x - r - E);
        if (L < S)
            ramp(L, S - L, 1, std::max(L - 1, 0), S, E);
        const int R = std::min(x + E - 1, width - 2);
        if (R >= x)
            ramp(R, R - x + 1, -1, R + 1, x - 1, E);
    }
};

} // namespace

void FishEyeAttenuation(Bitmap24& bitmap, const FishEyeSettings& settings, Bitmap24& copy)
{
    const int w = bitmap.width(), h = bitmap.height();
    if (w <= 0 || h <= 1)
        return;
    if (copy.width() != w || copy.height() != h)
        if (!copy.resize(w, h))
            return;
    std::memcpy(copy.bits(), bitmap.bits(), bitmap.byteCount());

    int run = 0;
    for (int y = 0; y < h - 1; ++y) {
        const RowCorrector row{copy.scanLine(y), bitmap.scanLine(y), w, settings};
        const std::uint8_t* p = row.src;
        for (int x = 0; x < w; ++x, p += 3) {
            if (grey(p) >= settings.maxDetect) {
                ++run;
                continue;
            }
            if (run > 2 && run < settings.maxStarRadius)
                row.correct(x, run);
            run = 0;
        }
    }
}

} // namespace kernels
