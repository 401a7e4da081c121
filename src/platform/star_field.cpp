#include "platform/star_field.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>
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

StarField::StarField(const StarFieldSettings& settings) : s_(settings), sky_(std::make_shared<Sky>())
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

// The noise of a frame is read from the table at an offset of up to
// kNoiseSpan pixels that changes from frame to frame.
constexpr std::size_t kNoiseSpan = 65521;

struct StarField::Sky {
    std::once_flag drawn;
    std::vector<float> grain;         // noise, levels, one value a pixel (the same in every channel)
    std::vector<std::uint8_t> bytes;  // the sky with its noise, rounded, bytesPerPixel() a pixel
};

const StarField::Sky& StarField::sky() const
{
    std::call_once(sky_->drawn, [this] {
        const std::size_t n = static_cast<std::size_t>(s_.width) * static_cast<std::size_t>(s_.height) + kNoiseSpan;
        const auto bpp = static_cast<std::size_t>(bytesPerPixel());
        sky_->grain.assign(n, 0.0f);
        if (s_.noise != 0) {
            Noise noise(s_.seed * 2654435761u + 1);
            for (auto& g : sky_->grain)
                g = static_cast<float>(s_.noise * noise.normal());
        }
        sky_->bytes.resize(n * bpp);
        const double background = s_.background;
        std::uint8_t* out = sky_->bytes.data();
        for (std::size_t i = 0; i < n; ++i, out += bpp) {
            const auto v = static_cast<std::uint8_t>(std::clamp(std::lround(background + sky_->grain[i]), 0L, 255L));
            for (std::size_t k = 0; k < bpp; ++k)
                out[k] = v;
        }
    });
    return *sky_;
}

void StarField::render(std::int64_t frame, double t_s, double offsetX, double offsetY, double gain, std::uint8_t* dst,
                       std::ptrdiff_t stride, int width, int height) const
{
    const int W = width < 0 ? s_.width : std::min(width, s_.width);
    const int H = height < 0 ? s_.height : std::min(height, s_.height);
    if (W <= 0 || H <= 0)
        return;
    const auto frame32 = static_cast<std::uint32_t>(frame);
    const Sky& sky = this->sky();
    const int bpp = bytesPerPixel();

    // The sky and its noise: rows of the tables from this frame's offset.
    std::uint32_t h = (s_.seed * 2654435761u) ^ (frame32 * 0x9E3779B9u);
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    const std::size_t offset = h % kNoiseSpan;
    const auto rowPixels = static_cast<std::size_t>(s_.width);
    for (int y = 0; y < H; ++y)
        std::memcpy(dst + y * stride, sky.bytes.data() + (offset + static_cast<std::size_t>(y) * rowPixels) * bpp,
                    static_cast<std::size_t>(W) * static_cast<std::size_t>(bpp));

    // The seeing moves the whole field a little from one frame to the next.
    double jx = 0, jy = 0;
    if (s_.tremble_px > 0) {
        Noise t(s_.seed ^ (frame32 * 0x9E3779B9u) ^ 0x5EE1u);
        jx = s_.tremble_px * t.normal();
        jy = s_.tremble_px * t.normal();
    }

    // Each star lights the pixels of its patch only. A pixel gets the sky
    // plus the light of every star whose patch holds it (summed in the
    // stars' order, whichever patch writes it), then its noise.
    const double sigma = std::max(s_.fwhm, 0.1) / 2.3548;
    const double twoSigma2 = 2 * sigma * sigma;
    const int reach = static_cast<int>(std::ceil(4 * sigma));
    struct Patch {
        double x, y, peak;
        int x0, x1, y0, y1;   // inclusive, inside the frame; empty when x0 > x1 or y0 > y1
        const Star* star;
    };
    std::vector<Patch> patches;
    patches.reserve(stars_.size());
    for (std::size_t i = 0; i < stars_.size(); ++i) {
        Patch p;
        position(i, t_s, offsetX + jx, offsetY + jy, p.x, p.y);
        p.peak = stars_[i].peak * gain;
        p.star = &stars_[i];
        p.x0 = std::max(0, static_cast<int>(p.x) - reach);
        p.x1 = std::min(W - 1, static_cast<int>(p.x) + reach);
        p.y0 = std::max(0, static_cast<int>(p.y) - reach);
        p.y1 = std::min(H - 1, static_cast<int>(p.y) + reach);
        if (p.x0 <= p.x1 && p.y0 <= p.y1)
            patches.push_back(p);
    }
    const int planes = s_.colour && !s_.bayer ? 3 : 1;
    const double background = s_.background;
    auto toByte = [](double v) { return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L)); };
    std::vector<const Patch*> near;
    for (const Patch& p : patches) {
        near.clear();
        for (const Patch& q : patches)
            if (q.x0 <= p.x1 && p.x0 <= q.x1 && q.y0 <= p.y1 && p.y0 <= q.y1)
                near.push_back(&q);
        for (int y = p.y0; y <= p.y1; ++y) {
            std::uint8_t* row = dst + y * stride;
            const float* grain = sky.grain.data() + offset + static_cast<std::size_t>(y) * rowPixels;
            for (int x = p.x0; x <= p.x1; ++x) {
                double light[3] = {background, background, background};
                for (const Patch* q : near) {
                    if (x < q->x0 || x > q->x1 || y < q->y0 || y > q->y1)
                        continue;
                    const double r2 = (x - q->x) * (x - q->x) + (y - q->y) * (y - q->y);
                    const double level = q->peak * std::exp(-r2 / twoSigma2);
                    const Star& st = *q->star;
                    if (planes == 3) {
                        light[0] += level * st.b;
                        light[1] += level * st.g;
                        light[2] += level * st.r;
                    } else if (s_.bayer && s_.colour) {
                        // RGGB: red on even rows and columns, blue on odd ones.
                        light[0] += level * ((y % 2 == 0) ? (x % 2 == 0 ? st.r : st.g) : (x % 2 == 0 ? st.g : st.b));
                    } else {
                        light[0] += level;
                    }
                }
                const double g = grain[x];
                if (bpp == 1) {
                    row[x] = toByte(light[0] + g);
                } else if (planes == 3) {
                    row[3 * x] = toByte(light[0] + g);
                    row[3 * x + 1] = toByte(light[1] + g);
                    row[3 * x + 2] = toByte(light[2] + g);
                } else {
                    row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = toByte(light[0] + g);
                }
            }
        }
    }
}

} // namespace platform
