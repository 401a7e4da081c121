#pragma once
// The measurement tools' arithmetic: angles and physical sizes, the units of
// the object distance, the bright-object measure of the "Surfaces" page with
// its running mean, and the comparison picture's description file and size
// check. Angles are seconds of arc, image scales seconds of arc per pixel.

#include "kernels/bitmap24.h"

#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace platform {
class IniDocument;
}

namespace Util_Mesure {

// Metres per unit of the distance units: metres, kilometres, astronomical
// units, light-years (of 365 days).
inline constexpr std::array<long double, 4> DistanceUnitFactors{1.0L, 1000.0L, 149598000000.0L,
                                                                9454254955488000.0L};

// The size that an angle spans at a distance: 2 x D x tan(angle / 2), in
// the distance's own unit.
double AngularToLinearSize(double angle, double distance);
// The pixels that an object of a size spans at a distance (same unit) for
// an image scale; +infinity when the scale is not above 0.
double ObjectSizeInPixels(double size, double distance, double scale);
// The distance in metres; 0 for a unit index outside 0..3.
long double DistanceToMetres(int unitIndex, long double distance);

// What the bright-object measure looks at: 0 the surface, 1 the height
// (per column), 2 the width (per row).
enum MeasureMode : std::uint8_t { MeasureSurface = 0, MeasureHeight = 1, MeasureWidth = 2 };

// The per-line sums of the width and height measures, kept between frames
// so that a measure allocates nothing once the largest image was seen.
struct MeasureLineTable {
    std::vector<std::int64_t> sums;
    std::vector<std::int32_t> counts;
};

// Counts the pixels of the image (every row but the last) whose largest
// channel is at least minThreshold and whose smallest is at most
// maxThreshold. In width mode each row's counted pixels give a centre and a
// half extent, whose two ends are painted red when they lie strictly inside
// 0 .. width - 2; height mode does the same per column. Returns the count.
std::int32_t MeasureObjectPixels(kernels::Bitmap24& image, int minThreshold, int maxThreshold, int mode,
                                 MeasureLineTable& table);

// The running mean of the last measures: a ring of at most kSlots values
// whose mean is the sum of the filled slots divided by their number.
struct MeasureHistory {
    static constexpr int kSlots = 200;
    std::array<double, kSlots + 1> values{};   // slots 1..200
    std::int32_t filled = 0;
    std::int32_t index = 0;                    // the newest slot, 0 before any
    std::int32_t oldest = 0;                   // the slot after it
    double sum = 0;

    void reset() { *this = MeasureHistory{}; }
    // Adds a value to a ring of n slots (clamped to 1..kSlots); returns the mean.
    double add(double value, int n);
};

// The comparison picture's description file (".ovl", section "Main"): the
// picture file, the unit index, the physical width and height in that unit
// and the picture point laid on the reticle (absent: the picture's centre).
struct OverlayDescription {
    QString file;
    int unit = 0;
    std::int64_t dx = 0;
    std::int64_t dy = 0;
    std::optional<std::int32_t> cx, cy;
};
OverlayDescription ReadOverlayDescription(const platform::IniDocument& ini);
// The width and height in metres, or nothing when the description cannot
// be used: unit outside 0..3, a negative size, or width and height both 0.
struct OverlaySizeMetres {
    long double dx = 0, dy = 0;
};
std::optional<OverlaySizeMetres> OverlaySizeInMetres(const OverlayDescription& d);

// The picture's half size on screen for sizes in metres, the object
// distance in metres and the image scale. Fits is false when it cannot be
// told (scale or distance not above 0) or when a half size exceeds 4096
// pixels (tooLarge then set).
struct OverlayFit {
    bool fits = false;
    bool tooLarge = false;
    std::int32_t halfWidth = 0, halfHeight = 0;
};
constexpr double kOverlayHalfSizeLimit = 4096;
OverlayFit FitOverlay(long double dxMetres, long double dyMetres, long double distanceMetres, double scale);

// ---- the measurement window's state and routines ---------------------------

// The object distance of the "Distances" page, in metres.
extern long double ObjectDistanceMetres;
extern MeasureHistory History;

// Redraws the current slot's frame, then empties the running mean.
void ResetMeasureHistory();
// Checks the loaded comparison picture against the optics and the distance;
// shows the warning when it is too large. Returns the fit.
bool CheckImageSize();
// Loads a ".ovl" file and its picture into the measurement window's record;
// false when the picture or the sizes cannot be had.
bool LoadOverlayFile(const QString& fileName);

} // namespace Util_Mesure
