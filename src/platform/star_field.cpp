#include "platform/star_field.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>

namespace platform {
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

double wrapInto(double v, double size)
{
    v = std::fmod(v, size);
    return v < 0 ? v + size : v;
}

// Star colours from blue-white to orange (red, green, blue).
constexpr double kTints[][3] = {{0.80, 0.90, 1.00}, {1.00, 1.00, 1.00}, {1.00, 0.95, 0.80}, {1.00, 0.82, 0.60}};

} // namespace

StarField::StarField(const StarFieldSettings& settings) : s_(settings)
{
    s_.width = std::max(1, s_.width);
    s_.height = std::max(1, s_.height);
    s_.starCount = std::max(0, s_.starCount);
    Noise n(s_.seed);
    stars_.reserve(static_cast<std::size_t>(s_.starCount));
    for (int i = 0; i < s_.starCount; ++i) {
        Star st;
        st.x = n.uniform() * s_.width;
        st.y = n.uniform() * s_.height;
        st.peak = s_.minPeak + n.uniform() * (s_.maxPeak - s_.minPeak);
        if (s_.colour) {
            const auto& tint = kTints[(static_cast<std::uint32_t>(i) * 2654435761u + s_.seed) >> 30];
            st.r = tint[0];
            st.g = tint[1];
            st.b = tint[2];
        }
        stars_.push_back(st);
    }
    if (s_.guideStar && !stars_.empty()) {
        stars_[0].x = s_.width / 2;
        stars_[0].y = s_.height / 2;
        stars_[0].peak = s_.maxPeak + 15.0;
    }
}

void StarField::position(std::size_t i, double t_s, double offsetX, double offsetY, double& x, double& y) const
{
    const Star& st = stars_.at(i);
    x = st.x + s_.driftX_pxPerS * t_s + offsetX;
    if (s_.periodicError_px != 0 && s_.periodicPeriod_s > 0)
        x += periodicOffset(t_s);
    y = st.y + s_.driftY_pxPerS * t_s + offsetY;
    if (s_.wrap) {
        x = wrapInto(x, s_.width);
        y = wrapInto(y, s_.height);
    }
}

double StarField::periodicOffset(double t_s) const
{
    if (s_.periodicError_px == 0 || !(s_.periodicPeriod_s > 0))
        return 0;
    return s_.periodicError_px * std::sin(2 * M_PI * t_s / s_.periodicPeriod_s);
}

void ApplySimulatedMountEnvironment(StarFieldSettings& settings)
{
    const char* text = std::getenv("NJ_SIM_PERIODIC_ERROR");
    if (!text)
        return;
    char* end = nullptr;
    const double amplitude = std::strtod(text, &end);
    if (end == text || *end != ',')
        return;
    const char* second = end + 1;
    const double period = std::strtod(second, &end);
    if (end == second || !std::isfinite(amplitude) || !std::isfinite(period) || period <= 0)
        return;
    settings.periodicError_px = amplitude;
    settings.periodicPeriod_s = period;
}

void StarField::render(std::int64_t frame, double t_s, double offsetX, double offsetY, double gain, std::uint8_t* dst,
                       std::ptrdiff_t stride, int width, int height) const
{
    const int W = width < 0 ? s_.width : std::min(width, s_.width);
    const int H = height < 0 ? s_.height : std::min(height, s_.height);
    if (W <= 0 || H <= 0)
        return;
    const auto frame32 = static_cast<std::uint32_t>(frame);

    // The seeing moves the whole field a little from one frame to the next.
    double jx = 0, jy = 0;
    if (s_.tremble_px > 0) {
        Noise t(s_.seed ^ (frame32 * 0x9E3779B9u) ^ 0x5EE1u);
        jx = s_.tremble_px * t.normal();
        jy = s_.tremble_px * t.normal();
    }

    // Sky plus star light per pixel and channel, summed before the noise;
    // the buffer is kept by the rendering thread from frame to frame.
    const int planes = s_.colour && !s_.bayer ? 3 : 1;
    const std::size_t n = static_cast<std::size_t>(W) * static_cast<std::size_t>(H);
    thread_local std::vector<double> light;
    light.assign(n * static_cast<std::size_t>(planes), static_cast<double>(s_.background));
    const double sigma = std::max(s_.fwhm, 0.1) / 2.3548;
    const int reach = static_cast<int>(std::ceil(4 * sigma));
    for (std::size_t i = 0; i < stars_.size(); ++i) {
        double sx, sy;
        position(i, t_s, offsetX + jx, offsetY + jy, sx, sy);
        const Star& st = stars_[i];
        const double peak = st.peak * gain;
        for (int y = std::max(0, static_cast<int>(sy) - reach); y <= std::min(H - 1, static_cast<int>(sy) + reach); ++y)
            for (int x = std::max(0, static_cast<int>(sx) - reach); x <= std::min(W - 1, static_cast<int>(sx) + reach);
                 ++x) {
                const double r2 = (x - sx) * (x - sx) + (y - sy) * (y - sy);
                const double level = peak * std::exp(-r2 / (2 * sigma * sigma));
                const std::size_t at = static_cast<std::size_t>(y) * static_cast<std::size_t>(W) + static_cast<std::size_t>(x);
                if (planes == 3) {
                    light[at] += level * st.b;
                    light[n + at] += level * st.g;
                    light[2 * n + at] += level * st.r;
                } else if (s_.bayer && s_.colour) {
                    // RGGB: red on even rows and columns, blue on odd ones.
                    light[at] += level * ((y % 2 == 0) ? (x % 2 == 0 ? st.r : st.g) : (x % 2 == 0 ? st.g : st.b));
                } else {
                    light[at] += level;
                }
            }
    }

    // Noise: one value a pixel, the same in every channel.
    Noise noise(s_.seed * 2654435761u + frame32 + 1);
    auto toByte = [](double v) { return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L)); };
    for (int y = 0; y < H; ++y) {
        std::uint8_t* row = dst + y * stride;
        const std::size_t base = static_cast<std::size_t>(y) * static_cast<std::size_t>(W);
        for (int x = 0; x < W; ++x) {
            const double grain = s_.noise * noise.normal();
            const std::size_t at = base + static_cast<std::size_t>(x);
            if (s_.bayer) {
                row[x] = toByte(light[at] + grain);
            } else if (planes == 3) {
                row[3 * x] = toByte(light[at] + grain);
                row[3 * x + 1] = toByte(light[n + at] + grain);
                row[3 * x + 2] = toByte(light[2 * n + at] + grain);
            } else {
                row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = toByte(light[at] + grain);
            }
        }
    }
}

} // namespace platform
