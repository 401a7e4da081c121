#pragma once
// The pixel passes of the result rendering: adding a frame into a deep plane
// with the dark and flat corrections into plane 5, turning plane 5 into the
// 24-bit result through the thresholds, tone curve and colour mixer, and the
// luminance transfer. The program's rendering routine decides what to run
// and with which settings; everything here works on plain buffers and sizes
// it is given, clipped to the planes and bitmaps.
//
// Result pixel (c, r) covers the binning x binning block of frame pixels
// starting at (c x binning, r x binning).

#include "kernels/bitmap24.h"
#include "kernels/deep_planes.h"
#include "kernels/raster.h"

#include <array>
#include <cstdint>
#include <vector>

namespace kernels {

class RowPool;
struct DisplayJob;

// Lowest and highest word folded by a pass.
struct LevelStats {
    std::int64_t min = 0;
    std::int64_t max = 0;
};

// What one accumulation pass does (steps of the result rendering that touch
// the planes). Sizes are clipped by the pass to the planes and the frames.
struct AccumulateJob {
    int width = 0;                    // result pixels
    int height = 0;
    int binning = 1;                  // 1 or 2 (anything else counts as 1)
    int kind = 0;                     // plane of the sum: 0 image, 1 dark, 2 flat
    const Bitmap24* frame = nullptr;  // added when set
    const Bitmap24* subtract = nullptr;   // subtracted when set (oldest frame of the loop)

    // Plane 5 := the sum, whole pixels, and the sum is folded into the stats
    // (no dark level and no flat).
    bool plainCopy = false;
    // Plane 5 := the corrected sum (words 0 to 2) and the corrected words are
    // folded into the stats.
    bool correct = false;

    // Dark: subtracted, or used to find hot pixels with darkSmart.
    bool dark = false;
    bool darkSmart = false;
    double darkLevel = 0;             // > 0
    double darkRatio = 0;             // frames of the sum per dark frame
    std::int32_t darkFrames = 0;      // frames of the dark (> 0)
    std::int32_t maxLevel = 255;      // largest sum of one frame at one result pixel
    int darkRadius = 1;               // hot-pixel neighbourhood
    Rect zone;                        // where the zone lies in the result (result pixels)

    // Flat division.
    bool flat = false;
    std::array<double, 3> flatMeans{};

    // Rows split across this pool when set (the hot-pixel correction runs
    // on the calling thread); the words and extremes are the same.
    RowPool* pool = nullptr;

    // When set, each row written to plane 5 also goes through the display
    // pass into displayInto while it is in the cache: the bytes
    // DisplayPass(planes, *display, *displayInto) gives after the pass. It is
    // done, and *displayed set, only when the pass writes every word the
    // display reads (plane 5 built, no hot-pixel correction, the display's
    // clipped size within the pass's); otherwise *displayed is false and
    // the caller runs the display pass itself.
    const DisplayJob* display = nullptr;
    Bitmap24* displayInto = nullptr;
    bool* displayed = nullptr;
};

// Tables reused from call to call so that a pass allocates nothing once
// they have been built.
class ResultTables {
public:
    // Dark word -> amount the dark subtracts, for the dark level and ratio.
    const std::uint16_t* darkAmounts(double darkLevel, double darkRatio);
    // The amounts the dark plane (1) of planes subtracts at each word of its
    // top-left width x height pixels, for the level and ratio, as a plane
    // of the same layout (rows of DeepPlanes::kRowWords words); nullptr
    // while there is none for these. It is made when the same dark (plane
    // 1 unchanged since), size, level and ratio are asked for twice running,
    // and kept while they hold: a dark applied frame after frame is worked
    // out once. A ratio new at every frame (a running sum) gets none; the
    // pass works the amounts out itself. Rows split across pool when set.
    const std::uint16_t* darkAmountPlane(const DeepPlanes& planes, int width, int height, double darkLevel,
                                         double darkRatio, RowPool* pool);
    // Dark word -> amount the dark subtracts, for the level and ratio,
    // built over the span of the words 0 to 2 that the dark plane (1) of
    // planes holds at its top-left width x height pixels. The span is found
    // once per dark (plane 1 unchanged since), so that a ratio new at every
    // frame (a running sum) costs a few thousand amounts rather than one
    // per word. Entries outside the span may hold anything. nullptr when
    // the plane is not there.
    const std::uint16_t* darkAmountSpan(const DeepPlanes& planes, int width, int height, double darkLevel,
                                        double darkRatio);
    // Word -> 1 when a dark sum of darkFrames frames marks a hot pixel.
    const std::uint8_t* hotPixels(double darkLevel, std::int32_t darkFrames, std::int32_t maxLevel);
    // Channel k, flat word F -> factor of the flat division.
    const double* flatFactors(int channel, const std::array<double, 3>& means);
    // Word of plane 5 -> displayed level, for the low threshold, the range
    // and the tone curve (nullptr: none).
    const std::uint8_t* levels(std::uint16_t low, std::int32_t range, const std::int32_t* toneCurve);

private:
    std::vector<std::uint16_t> darkAmounts_;
    double darkAmountsLevel_ = -1, darkAmountsRatio_ = -1;
    struct AmountKey {
        const DeepPlanes* planes = nullptr;
        std::uint64_t darkGeneration = 0;
        int width = 0, height = 0;
        double level = 0, ratio = 0;
        bool operator==(const AmountKey&) const = default;
    };
    std::vector<std::uint16_t> amountPlane_;
    AmountKey amountPlaneKey_;    // what amountPlane_ holds (planes null: nothing)
    AmountKey amountAsked_;       // what was asked for last
    struct SpanKey {
        const DeepPlanes* planes = nullptr;
        std::uint64_t darkGeneration = 0;
        int width = 0, height = 0;
        bool operator==(const SpanKey&) const = default;
    };
    SpanKey spanKey_;             // the dark the span below was found in (planes null: none)
    int spanLow_ = 0, spanHigh_ = -1;
    std::vector<std::uint16_t> spanAmounts_;
    double builtLevel_ = -1, builtRatio_ = -1;
    int builtLow_ = 0, builtHigh_ = -1;   // entries built
    std::vector<std::uint8_t> hot_;
    double hotLevel_ = -1;
    std::int32_t hotFrames_ = -1, hotMax_ = -1;
    std::vector<double> flat_;
    std::array<double, 3> flatMeans_{};
    bool flatBuilt_ = false;
    std::vector<std::uint8_t> levels_;
    std::uint16_t levelsLow_ = 0;
    std::int32_t levelsRange_ = 0;
    bool levelsBuilt_ = false;
    const std::int32_t* levelsCurve_ = nullptr;
    std::array<std::int32_t, 256> levelsCurveCopy_{};
};

// Adds (and subtracts) the frames into plane job.kind, each word limited to
// 0 .. 65280, and builds plane 5 as the job says; the words written to plane
// 5 are folded into stats (which the caller has reset). False when the
// planes are missing. The rows are walked once: each row of the sum is
// added to and corrected into plane 5 while it is in the cache.
bool Accumulate(DeepPlanes& planes, const AccumulateJob& job, ResultTables& tables, LevelStats& stats);

// Folds words 0 to 2 of the top-left width x height pixels of plane `plane`
// into stats, as Accumulate folds the words it writes to plane 5. Clipped
// to the planes; nothing when they are missing.
void FoldPlane(const DeepPlanes& planes, int plane, int width, int height, LevelStats& stats);

// The row loops of Accumulate and DisplayPass run on the processor's
// vector units (AVX2) when it has them, else portably; both routes give the
// same words and bytes. With PassRoute::Portable (or CloneRoute::Portable,
// kernels/clone_route.h) the portable loops run whatever the processor (to
// compare the routes). Set it while no pass runs.
enum class PassRoute { Best, Portable };
void SetPassRoute(PassRoute route);
// True when PassRoute::Best runs the vector loops on this processor.
bool VectorRouteAvailable();

// A colour mixer output: Enabled, then the weights of red, green and blue
// and a multiplier.
struct ChannelMix {
    std::uint8_t Enabled = 0;
    double WeightR = 0;
    double WeightG = 0;
    double WeightB = 0;
    double Multiplier = 1.0;
};

struct DisplayJob {
    int width = 0;
    int height = 0;
    const std::uint8_t* levels = nullptr;   // from ResultTables::levels
    // Set when levels is ResultTables::levels(low, range, nullptr), the
    // plain stretch: the vector route works the levels out rather than
    // looking them up.
    bool plainStretch = false;
    std::uint16_t low = 0;
    std::int32_t range = 1;
    bool grey = false;
    bool showRed = true, showGreen = true, showBlue = true;
    ChannelMix mixRed, mixGreen, mixBlue;
    double saturation = 1.0;
    RowPool* pool = nullptr;   // rows split across it when set
    // When set, each row shown is also written to the same row of this
    // bitmap (of the result's size), in place of a copy afterwards.
    Bitmap24* copyInto = nullptr;
};

// Plane 5 -> result bitmap, over job.width x job.height clipped to both.
void DisplayPass(const DeepPlanes& planes, const DisplayJob& job, Bitmap24& result);

// Rewrites every pixel by its luminance: mode 1 standard weights, 2 the
// given weights, 3 the given weights without the brightest-channel scaling;
// other modes leave the bitmap alone.
void LuminanceTransfer(Bitmap24& bitmap, int mode, double weightRed, double weightGreen, double weightBlue);

} // namespace kernels
