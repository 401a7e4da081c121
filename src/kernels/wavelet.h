#pragma once
// Wavelet sharpening at six scales. Decompose splits a 24-bit image into six
// detail planes with an a-trous scheme (a 1-2-1 smoothing with gaps of 1, 2,
// 4, 8, 16 and 32 pixels, rows then columns); each plane is the input minus
// the cumulative smoothing of its level. Recombine adds each plane back with
// its own gain, Weight / 1024. All arithmetic is integer and exact: the same
// image and weights give the same bytes inline or on any number of threads.
//
// The settings window of the filter holds six track bars, one per level
// ("L1" .. "L32"); its change callbacks are SetLevel1Weight ..
// SetLevel6Weight. The window itself belongs to the window layer, which
// creates it beside the TWavelet and connects those callbacks.

#include "kernels/nj_bitmap.h"
#include "kernels/threads.h"

#include <array>
#include <cstdint>

namespace kernels {

class Bitmap24;

// The parameter of one pooled job: one per worker and job kind.
struct WaveletJobBlock {
    const TNJBitmap* Source = nullptr;
    const TNJBitmap* Second = nullptr;   // the subtrahend of the subtraction
    TNJBitmap* Destination = nullptr;
    NJRect Band;
    std::int32_t Step = 1;
};

class TWavelet : public TGenericModule {
public:
    static constexpr int MaxLevels = 6;

    // Six planes of 640 by 480, format 3, weight 0.
    TWavelet();
    ~TWavelet() override;

    // Levels 1..levels get weight 0 and a width x height plane; levels is
    // limited to 0..6. The stored Width and Height stay as they are. Returns
    // false when a plane cannot be allocated (that plane is then 0 by 0).
    bool SetSize(int width, int height, int levels);
    // Levels outside 1..6 are ignored; any int32 weight is accepted.
    void SetWeight(int level, std::int32_t value);
    void SetLevel1Weight(std::int32_t value) { SetWeight(1, value); }
    void SetLevel2Weight(std::int32_t value) { SetWeight(2, value); }
    void SetLevel3Weight(std::int32_t value) { SetWeight(3, value); }
    void SetLevel4Weight(std::int32_t value) { SetWeight(4, value); }
    void SetLevel5Weight(std::int32_t value) { SetWeight(5, value); }
    void SetLevel6Weight(std::int32_t value) { SetWeight(6, value); }

    // Splits source into levels (limited to 0..6) planes. On more than one
    // thread the steps run through three pools, which are kept for the next
    // call. Returns false, with no planes left to apply, when the working
    // images cannot be allocated.
    bool Decompose(const Bitmap24& source, int levels);
    // Destination := source plus each plane of the last decomposition times
    // its gain, level by level, clamped to 0..255 after each level. Levels
    // whose weight is 0, or whose plane does not have source's size, add
    // nothing. Source and destination may be the same bitmap. Returns false
    // only when destination cannot take source's size.
    bool Recombine(const Bitmap24& source, Bitmap24& destination);

    // The three pools of the pooled road, each with ThreadCount() workers.
    // CreatePools returns false (and leaves no pools: the steps then run
    // inline) when a worker thread cannot be started.
    bool CreatePools();
    void FreePools();

    int Width() const { return width_; }
    int Height() const { return height_; }
    int Levels() const { return levels_; }
    std::int32_t Weight(int level) const;
    // The detail plane of a level 1..6 (format 3: blue, green, red in
    // channels 0, 1, 2 as -255..255, channel 3 zero).
    const TNJBitmap& Plane(int level) const;

private:
    enum JobKind { RowsJob, ColumnsJob, SubtractJob, JobKinds };
    // One step over the whole image: inline, or split into one band per
    // worker of the step's pool (rows, columns, rows) and awaited.
    void RunStep(JobKind kind, const TNJBitmap& source, const TNJBitmap* second, TNJBitmap& destination,
                 int step);

    struct Level {
        std::int32_t Weight = 0;
        TNJBitmap Plane;
    };

    int width_ = 640;
    int height_ = 480;
    int levels_ = 0;
    std::array<Level, MaxLevels> planes_;
    // Working images kept between calls, resized only when the size changes.
    TNJBitmap a_, b_, c_;
    std::array<std::array<WaveletJobBlock, MaxThreads>, JobKinds> jobBlocks_;
};

} // namespace kernels
