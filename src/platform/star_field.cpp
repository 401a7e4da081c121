#include "platform/star_field.h"

#include <algorithm>
#include <cmath>

namespace platform {
namespace {

// SplitMix64: small, fast and the same on every platform.
struct Random {
    std::uint64_t state;
    explicit Random(std::uint64_t seed) : state(seed) {}
    std::uint64_t next()
    {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double uniform() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
    // Approximately normal (sum of four uniforms), mean 0, deviation 1.
    double normal() { return (uniform() + uniform() + uniform() + uniform() - 2.0) * 1.7320508075688772; }
};

std::uint64_t mix(std::uint64_t a, std::uint64_t b)
{
    Random r(a ^ (b * 0xD1B54A32D192ED03ull));
    return r.next();
}

double wrap(double v, double size)
{
    v = std::fmod(v, size);
    return v < 0 ? v + size : v;
}

std::uint8_t clampByte(double v)
{
    return static_cast<std::uint8_t>(v <= 0 ? 0 : v >= 255 ? 255 : v + 0.5);
}

// Star colours from blue-white to orange.
constexpr double kTints[][3] = {{0.80, 0.90, 1.00}, {1.00, 1.00, 1.00}, {1.00, 0.95, 0.80}, {1.00, 0.82, 0.60}};

} // namespace

StarField::StarField(const StarFieldSettings& settings) : s_(settings)
{
    s_.width = std::max(1, s_.width);
    s_.height = std::max(1, s_.height);
    s_.starCount = std::max(0, s_.starCount);
    Random r(mix(s_.seed, 0x5354415253ull));
    stars_.reserve(static_cast<std::size_t>(s_.starCount));
    for (int i = 0; i < s_.starCount; ++i) {
        Star st;
        st.x = r.uniform() * s_.width;
        st.y = r.uniform() * s_.height;
        // Few bright stars, many faint ones; the first is the guide star.
        const double u = r.uniform();
        st.peak = i == 0 ? s_.maxPeak + 15.0 : s_.minPeak + (s_.maxPeak - s_.minPeak) * u * u * u;
        const auto& tint = kTints[s_.colour ? r.next() % 4 : 1];
        st.r = tint[0];
        st.g = tint[1];
        st.b = tint[2];
        stars_.push_back(st);
    }
    if (!stars_.empty()) {
        // The guide star near the middle, so it stays in view for a while.
        stars_[0].x = s_.width * 0.5;
        stars_[0].y = s_.height * 0.5;
    }
}

void StarField::position(std::size_t i, double t_s, double offsetX, double offsetY, double& x, double& y) const
{
    const Star& st = stars_.at(i);
    x = wrap(st.x + s_.driftX_pxPerS * t_s + offsetX, s_.width);
    y = wrap(st.y + s_.driftY_pxPerS * t_s + offsetY, s_.height);
}

void StarField::render(std::int64_t frame, double t_s, double offsetX, double offsetY, double gain, std::uint8_t* dst,
                       std::ptrdiff_t stride) const
{
    const int w = s_.width, h = s_.height, bpp = bytesPerPixel();
    Random r(mix(s_.seed, static_cast<std::uint64_t>(frame) + 1));

    // Background and noise: one noise value a pixel (grey noise in colour).
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = dst + y * stride;
        for (int x = 0; x < w; ++x) {
            const std::uint8_t v = clampByte(s_.background + s_.noise * r.normal());
            for (int c = 0; c < bpp; ++c)
                row[x * bpp + c] = v;
        }
    }

    // The seeing moves the whole field a little from one frame to the next.
    const double tremble = s_.tremble_px < 0 ? s_.seeing_px / 3.0 : s_.tremble_px;
    const double jx = tremble * r.normal(), jy = tremble * r.normal();
    const double sigma = std::max(0.3, s_.seeing_px);
    const int radius = static_cast<int>(std::ceil(3.0 * sigma));
    std::vector<double> gx(2 * radius + 1), gy(2 * radius + 1);

    for (std::size_t i = 0; i < stars_.size(); ++i) {
        double cx, cy;
        position(i, t_s, offsetX + jx, offsetY + jy, cx, cy);
        const int ix = static_cast<int>(std::floor(cx)), iy = static_cast<int>(std::floor(cy));
        for (int k = -radius; k <= radius; ++k) {
            const double dx = ix + k + 0.5 - cx, dy = iy + k + 0.5 - cy;
            gx[k + radius] = std::exp(-dx * dx / (2 * sigma * sigma));
            gy[k + radius] = std::exp(-dy * dy / (2 * sigma * sigma));
        }
        const Star& st = stars_[i];
        const double peak = st.peak * gain;
        for (int ky = -radius; ky <= radius; ++ky) {
            const int y = iy + ky;
            if (y < 0 || y >= h)
                continue;
            std::uint8_t* row = dst + y * stride;
            for (int kx = -radius; kx <= radius; ++kx) {
                const int x = ix + kx;
                if (x < 0 || x >= w)
                    continue;
                const double level = peak * gx[kx + radius] * gy[ky + radius];
                if (level < 0.5)
                    continue;
                std::uint8_t* p = row + x * bpp;
                if (s_.bayer) {
                    // RGGB: red on even rows and columns, blue on odd ones.
                    const double tint = (y % 2 == 0) ? (x % 2 == 0 ? st.r : st.g) : (x % 2 == 0 ? st.g : st.b);
                    p[0] = clampByte(p[0] + level * tint);
                } else {
                    p[0] = clampByte(p[0] + level * st.b);
                    p[1] = clampByte(p[1] + level * st.g);
                    p[2] = clampByte(p[2] + level * st.r);
                }
            }
        }
    }
}

} // namespace platform
