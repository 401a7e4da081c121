#pragma once
// A seeded synthetic star field: Gaussian stars on a flat background with
// Gaussian noise, as a camera would deliver it. The same options and seed
// always give the same bytes, so tests can compare frames and follow stars.
// It is the program's own generator (platform/star_field.h) with white stars
// that do not drift, tremble or wrap.
//
//   testsupport::StarField field({.width = 640, .height = 480, .seed = 7, .stars = 40});
//   kernels::Bitmap24 frame = field.render();            // first frame
//   kernels::Bitmap24 next = field.render(1.5, -0.5, 2);  // drifted, new noise

#include "kernels/bitmap24.h"
#include "platform/star_field.h"

#include <cstdint>
#include <vector>

namespace testsupport {

struct StarFieldOptions {
    int width = 640;
    int height = 480;
    std::uint32_t seed = 1;
    int stars = 40;
    int background = 20;          // level of the sky, 0..255
    double noise = 3.0;           // standard deviation of the noise, levels
    double fwhm = 3.0;            // star width at half maximum, pixels
    int minPeak = 40;             // peak above the background of the faintest star
    int maxPeak = 230;            // ... and of the brightest
    double periodicError_px = 0;  // the mount's periodic error along X (see platform::StarFieldSettings)
    double periodicPeriod_s = 0;
};

class StarField {
public:
    struct Star {
        double x = 0;
        double y = 0;
        double peak = 0;
    };

    explicit StarField(const StarFieldOptions& options);

    // The field shifted by (dx, dy) pixels, with the noise of frame number
    // `frame` (each frame number has its own noise), `t_s` seconds after the
    // start (only the periodic error moves with the time).
    kernels::Bitmap24 render(double dx = 0, double dy = 0, std::uint32_t frame = 0, double t_s = 0) const;
    // The same into an existing bitmap (its size is kept; the field is drawn
    // in its top-left width x height part).
    void renderInto(kernels::Bitmap24& bitmap, double dx = 0, double dy = 0, std::uint32_t frame = 0,
                    double t_s = 0) const;
    // The periodic error's offset along X at t_s.
    double periodicOffset(double t_s) const { return field_.periodicOffset(t_s); }

    const std::vector<Star>& stars() const { return stars_; }
    const StarFieldOptions& options() const { return options_; }

private:
    StarFieldOptions options_;
    platform::StarField field_;
    std::vector<Star> stars_;
};

// A bitmap of one colour (bytes blue, green, red).
kernels::Bitmap24 uniformBitmap(int width, int height, std::uint8_t blue, std::uint8_t green, std::uint8_t red);

} // namespace testsupport
