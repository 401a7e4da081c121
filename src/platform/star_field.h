#pragma once
// A simulated sky seen through a telescope: a deterministic field of
// Gaussian stars on a noisy background that drifts (the mount's tracking
// error), trembles with the seeing and follows the mount's guiding moves;
// optionally in colour and seen through a Bayer mosaic. The same settings and
// seed give the same frames, byte for byte; successive frames differ (drift,
// tremble, noise).
//
// The one star-field generator of the program: the simulated camera, the
// simulator plug-in and the test frames (tests/support/star_field.h) all
// render with it. Plain C++ without Qt.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace platform {

struct StarFieldSettings {
    int width = 640;
    int height = 480;
    double frameRate = 30.0;        // frames a second of the simulated camera
    std::uint32_t seed = 1;
    int starCount = 60;
    int background = 14;            // sky level, 0..255
    double noise = 5.0;             // standard deviation of the background noise, levels
    double fwhm = 3.0;              // star width at half maximum, pixels
    int minPeak = 25;               // peak above the sky of the faintest star
    int maxPeak = 215;              // ... and of the brightest
    double driftX_pxPerS = 1.5;     // field drift in pixels a second
    double driftY_pxPerS = 0.4;
    double tremble_px = 0.4;        // deviation of the seeing's tremble of the whole field from frame to frame
    // The periodic error of the simulated mount's right-ascension drive: the
    // field swings along X by amplitude x sin(2 pi t / period). None when
    // either is 0.
    double periodicError_px = 0;
    double periodicPeriod_s = 0;
    bool guideStar = true;          // the first star is a bright one (maxPeak + 15) in the middle
    bool wrap = true;               // a star leaving the frame comes back at the other edge
    bool colour = true;             // stars from blue-white to orange; false: white
    bool bayer = false;             // RGGB mosaic, one byte a pixel
};

class StarField {
public:
    struct Star {
        double x = 0;      // position at time 0; pixel centres are at whole coordinates
        double y = 0;
        double peak = 0;   // peak level above the sky
        double r = 1, g = 1, b = 1;   // colour
    };

    explicit StarField(const StarFieldSettings& settings = {});

    const StarFieldSettings& settings() const { return s_; }
    const std::vector<Star>& stars() const { return stars_; }
    int bytesPerPixel() const { return s_.bayer ? 1 : 3; }
    std::ptrdiff_t minStride() const { return static_cast<std::ptrdiff_t>(s_.width) * bytesPerPixel(); }
    std::size_t frameBytes() const { return static_cast<std::size_t>(minStride()) * static_cast<std::size_t>(s_.height); }

    // Renders frame number `frame` taken at `t_s` seconds after the start.
    // `offsetX`, `offsetY` move the whole field (the mount's guiding moves);
    // `gain` scales the star light (long exposures gather more). Writes the
    // top-left `width` x `height` pixels (default and at most the settings'
    // size) of `dst`, rows `stride` bytes apart.
    void render(std::int64_t frame, double t_s, double offsetX, double offsetY, double gain, std::uint8_t* dst,
                std::ptrdiff_t stride, int width = -1, int height = -1) const;

    // Where star `i` is drawn at t_s with those offsets, before the tremble
    // of the frame (wrapped into the frame when the settings wrap).
    void position(std::size_t i, double t_s, double offsetX, double offsetY, double& x, double& y) const;

    // The periodic error's offset along X at t_s seconds.
    double periodicOffset(double t_s) const;

private:
    // The background noise and the sky drawn once, the first time a frame is
    // rendered; each frame reads them from its own offset. Shared by copies
    // of the field (same settings, same tables).
    struct Sky;
    const Sky& sky() const;

    StarFieldSettings s_;
    std::vector<Star> stars_;
    std::shared_ptr<Sky> sky_;
};

// Takes the simulated mount's periodic error from the environment variable
// NJ_SIM_PERIODIC_ERROR, "amplitude_px,period_s" (e.g. "8,120"), when it is
// set and holds two numbers; the settings are left as they are otherwise.
void ApplySimulatedMountEnvironment(StarFieldSettings& settings);

} // namespace platform
