#pragma once
// The six deep-image planes of the frame pipeline: 1281 by 1281 pixels of
// four unsigned 16-bit words each (blue, green, red and a fourth word that is
// never written). Plane 0 holds the running sum of the addition, plane 1 the
// dark, plane 2 the flat, plane 5 the 16-bit result; 3 and 4 are unused.
//
// Every reader and writer goes through this class, which lays the pixels out
// row after row: pixel (x, y) of a plane is element y x 1281 + x. Nothing
// else knows the layout.
//
// Clearing is lazy: clear() only remembers that the written part of the
// plane must read as zero. A pass that is about to overwrite a region whole
// (overwrite()) then zeroes only what lies outside that region; any other
// access zeroes the remembered part first. Either way the plane reads as if
// it had been filled with zeros.

#include <cstddef>
#include <cstdint>

namespace kernels {

class DeepPlanes {
public:
    static constexpr int kSide = 1281;
    static constexpr int kPlanes = 6;
    static constexpr int kWordsPerPixel = 4;
    static constexpr std::ptrdiff_t kRowWords = std::ptrdiff_t(kSide) * kWordsPerPixel;
    static constexpr std::size_t kPlaneWords = std::size_t(kSide) * kSide * kWordsPerPixel;
    static constexpr std::size_t kPlaneBytes = kPlaneWords * sizeof(std::uint16_t);   // 13,127,688
    // Sums are limited to 255 x 256.
    static constexpr std::uint16_t kLevelLimit = 65280;

    // A part of a plane: rows of rowWords() words, width by height pixels
    // from the top-left corner. Empty (null base) when nothing is available.
    struct Region {
        std::uint16_t* base = nullptr;
        int width = 0;
        int height = 0;
        // Set by overwrite() after a clear: the memory of the region is stale
        // and must be taken as zeros; the pass writes each pixel before it
        // reads it.
        bool zero = false;
        std::uint16_t* row(int y) const { return base + std::ptrdiff_t(y) * kRowWords; }
        explicit operator bool() const { return base != nullptr; }
    };
    struct ConstRegion {
        const std::uint16_t* base = nullptr;
        int width = 0;
        int height = 0;
        const std::uint16_t* row(int y) const { return base + std::ptrdiff_t(y) * kRowWords; }
        explicit operator bool() const { return base != nullptr; }
    };

    // Reserves the six planes, zero-filled (the memory is committed as it
    // is first written). isAllocated() tells whether that succeeded.
    DeepPlanes();
    ~DeepPlanes();
    DeepPlanes(const DeepPlanes&) = delete;
    DeepPlanes& operator=(const DeepPlanes&) = delete;

    bool isAllocated() const { return memory_ != nullptr; }

    // The four words of pixel (x, y) of a plane; nullptr outside the plane,
    // for a plane number outside 0..5 or when the planes are missing.
    std::uint16_t* pixel(int plane, int x, int y);
    const std::uint16_t* pixel(int plane, int x, int y) const;

    // Row y of a plane (pixel x at word 4x); nullptr outside.
    std::uint16_t* row(int plane, int y);
    const std::uint16_t* row(int plane, int y) const;

    // The top-left width by height pixels, clipped to the plane, for a pass
    // that reads and writes them.
    Region region(int plane, int width, int height);
    ConstRegion region(int plane, int width, int height) const;
    // The same for a pass that writes every pixel of the region: a pending
    // clear is applied to the rest of the plane only, and the region comes
    // back with zero set so that the pass takes its old words as zeros.
    Region overwrite(int plane, int width, int height);

    // The plane reads as zeros from now on.
    void clear(int plane);
    void clearAll();

    // Changes each time the plane may have changed: at every access that
    // can write it (pixel, row, region and overwrite without const) and
    // every clear; never the same for two changes, whatever the planes. What
    // is derived from a plane is still good while its generation is the one
    // it was derived at. 0 for a plane outside 0..5 or never changed.
    std::uint64_t generation(int plane) const;

private:
    // Rows and columns of a plane that may hold non-zero words.
    struct Extent {
        int width = 0;
        int height = 0;
    };
    std::uint16_t* base(int plane) const;
    void mark(int plane, int width, int height);
    void applyPendingClear(int plane) const;
    void zeroOutside(int plane, int width, int height) const;

    std::uint16_t* memory_ = nullptr;
    mutable Extent written_[kPlanes];
    mutable bool pendingClear_[kPlanes] = {};
    std::uint64_t generation_[kPlanes] = {};
};

} // namespace kernels
