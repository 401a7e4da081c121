#include "support/star_field.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace testsupport {

namespace {

// Normal deviates by Box-Muller over mt19937, the same on every platform.
class Noise {
public:
    explicit Noise(std::uint32_t seed) : rng_(seed) {}
    double uniform() { return (rng_() + 0.5) / 4294967296.0; }
    double normal()
    {
        if (spare_) {
            spare_ = false;
            return second_;
        }
        const double u = uniform(), v = uniform();
        const double r = std::sqrt(-2.0 * std::log(u));
        second_ = r * std::sin(2 * M_PI * v);
        spare_ = true;
        return r * std::cos(2 * M_PI * v);
    }

private:
    std::mt19937 rng_;
    bool spare_ = false;
    double second_ = 0;
};

} // namespace

StarField::StarField(const StarFieldOptions& options) : options_(options)
{
    Noise n(options.seed);
    for (int i = 0; i < options.stars; ++i) {
        Star s;
        s.x = n.uniform() * options.width;
        s.y = n.uniform() * options.height;
        s.peak = options.minPeak + n.uniform() * (options.maxPeak - options.minPeak);
        stars_.push_back(s);
    }
}

kernels::Bitmap24 StarField::render(double dx, double dy, std::uint32_t frame) const
{
    kernels::Bitmap24 b(options_.width, options_.height);
    renderInto(b, dx, dy, frame);
    return b;
}

void StarField::renderInto(kernels::Bitmap24& bitmap, double dx, double dy, std::uint32_t frame) const
{
    const int W = std::min(options_.width, bitmap.width()), H = std::min(options_.height, bitmap.height());
    std::vector<double> level(std::size_t(W) * std::size_t(std::max(H, 0)), double(options_.background));
    const double sigma = std::max(options_.fwhm, 0.1) / 2.3548;
    const int reach = int(std::ceil(4 * sigma));
    for (const Star& s : stars_) {
        const double sx = s.x + dx, sy = s.y + dy;
        for (int y = std::max(0, int(sy) - reach); y <= std::min(H - 1, int(sy) + reach); ++y)
            for (int x = std::max(0, int(sx) - reach); x <= std::min(W - 1, int(sx) + reach); ++x) {
                const double r2 = (x - sx) * (x - sx) + (y - sy) * (y - sy);
                level[std::size_t(y) * std::size_t(W) + std::size_t(x)] += s.peak * std::exp(-r2 / (2 * sigma * sigma));
            }
    }
    Noise n(options_.seed * 2654435761u + frame + 1);
    for (int y = 0; y < H; ++y) {
        std::uint8_t* row = bitmap.scanLine(y);
        for (int x = 0; x < W; ++x) {
            const double v = level[std::size_t(y) * std::size_t(W) + std::size_t(x)] + options_.noise * n.normal();
            const auto byte = std::uint8_t(std::clamp(std::lround(v), 0L, 255L));
            row[x * 3] = row[x * 3 + 1] = row[x * 3 + 2] = byte;
        }
    }
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
