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
// SetLevel6Weight. This layer has no widgets: the program layer pairs a
// TWavelet with its window (see imaging/wavelet_module.h).
//
// The decomposition works the image in tiles, one per thread (the whole
// image inline): bands of whole rows, or strips of columns for an image
// not much taller than the rows bands would share. Each tile is worked
// through all the levels from its top row to its bottom one, keeping only
// the rows still needed in small rings, so that no working image goes
// through memory: only the input and the planes do. A tile also works the
// rows or columns its neighbours need from it (up to 63 on each side for
// six levels), which keeps the tiles independent; the tiles at the image's
// edges are larger, so that all have about the same work. The
// recombination shares out the rows by pieces.

#include "kernels/nj_bitmap.h"
#include "kernels/threads.h"

#include <array>
#include <cstdint>
#include <memory>

namespace kernels {

class Bitmap24;

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
    // thread the work runs through the pool, which is kept for the next
    // call; its workers linger 0.2 ms after a run, so that the next run of
    // a series finds them awake. Returns false when memory runs out: with no planes left to apply
    // when the working rows cannot be had, or with the levels before the
    // first plane that cannot be.
    bool Decompose(const Bitmap24& source, int levels);
    // Destination := source plus each plane of the last decomposition times
    // its gain, level by level, clamped to 0..255 after each level. Levels
    // whose weight is 0, or whose plane does not have source's size, add
    // nothing. Source and destination may be the same bitmap. Returns false
    // only when destination cannot take source's size. On more than one
    // thread the rows are shared among the workers of the pool.
    bool Recombine(const Bitmap24& source, Bitmap24& destination);
    // Destination := what Decompose(source, levels) and then
    // Recombine(source, destination) give, byte for byte, without making the
    // planes: each plane's row is added to the result as it is made, so no
    // plane goes through memory. The planes and Levels() stay as the last
    // Decompose left them. Source and destination may be the same bitmap.
    // Returns false when memory runs out: a frame sharpened in place is then
    // left as it was, another destination holds source's size but not the
    // result.
    bool Sharpen(const Bitmap24& source, Bitmap24& destination, int levels);

    // The pool of the pooled road: ThreadCount() workers, which run the
    // decomposition's strips and the recombination's bands of rows.
    // CreatePools returns false (and leaves no pool: the work then runs
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
    // Makes the pool when the thread count asks for one (or frees it); the
    // number of parts the work is then split into (1: inline).
    int PrepareParts();
    // Runs the jobs whose blocks 0..parts-1 are filled, on the pool (inline
    // without one) and waits for them.
    void RunJobs(int parts);
    // Gives the decomposition's job blocks 0..parts-1 their tiles of a
    // width x height image for levels levels, strips' edges on multiples of
    // step pixels; own: the weight of a tile's own pixels in its work
    // against those it shares (see tileCost in the source).
    void SplitTiles(int parts, int width, int height, int levels, int step, double own);

    struct Level {
        std::int32_t Weight = 0;
        TNJBitmap Plane;
    };

    int width_ = 640;
    int height_ = 480;
    int levels_ = 0;
    std::array<Level, MaxLevels> planes_;
    // The workers' job blocks and scratch rows, kept between calls.
    struct Workspace;
    std::unique_ptr<Workspace> work_;
};

} // namespace kernels
