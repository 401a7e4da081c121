#pragma once
// A simulated sky seen through a telescope: a deterministic field of stars
// that drifts (the mount's tracking error), trembles with the seeing, and
// sits on a noisy background; optionally seen through a Bayer colour mosaic.
// The same seed and settings give the same frames, byte for byte, so tests
// can rely on them; successive frames differ (drift, seeing, noise).
//
// Plain C++ without Qt: the simulated camera and the simulator plug-in both
// render with it.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

struct StarFieldSettings {
    int width = 640;
    int height = 480;
    double frameRate = 30.0;        // frames a second of the simulated camera
    std::uint64_t seed = 1;
    int starCount = 60;
    double driftX_pxPerS = 1.5;     // field drift in pixels a second
    double driftY_pxPerS = 0.4;
    double seeing_px = 1.3;         // star image sigma
    double tremble_px = -1;         // deviation of the field's tremble from frame to frame; < 0: a third of the seeing
    double noise = 5.0;             // standard deviation of the background noise, grey levels
    int background = 14;            // sky level
    int minPeak = 25;               // peak above the sky of the faintest star
    int maxPeak = 215;              // ... and of the brightest; the first star (the guide star) is at maxPeak + 15
    bool colour = true;             // stars from blue-white to orange; false: white
    bool bayer = false;             // RGGB mosaic, one byte a pixel
};

class StarField {
public:
    struct Star {
        double x = 0;      // position at time 0
        double y = 0;
        double peak = 0;   // peak level of the star image
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
    // `gain` scales the star light (long exposures gather more). `dst` holds
    // height rows of `stride` bytes (stride >= minStride()).
    void render(std::int64_t frame, double t_s, double offsetX, double offsetY, double gain, std::uint8_t* dst,
                std::ptrdiff_t stride) const;

    // Where star `i` is drawn at t_s with those offsets, before the seeing
    // tremble of the frame; wrapped into the frame.
    void position(std::size_t i, double t_s, double offsetX, double offsetY, double& x, double& y) const;

private:
    StarFieldSettings s_;
    std::vector<Star> stars_;
};

} // namespace platform
