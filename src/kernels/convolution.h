#pragma once
// Integer convolution filters of sizes 3x3 to 9x9 on the 24-bit result
// bitmap, in place.
//
// A filter of size n uses the centre n x n square of a 9 x 9 row-major
// coefficient matrix (coefficient (r, c) is element 9 r + c, centre (4, 4)).
// Row 4 - k (k = (n - 1) / 2) weighs the image row k above the pixel and
// column 4 - k the column k to its left: the matrix is not flipped. Red,
// green and blue are filtered separately; pixels beyond the edges repeat the
// nearest edge pixel. Each channel becomes sum x (1.0 / divisor) computed in
// double, 0 below 0, 255 above 255, otherwise rounded to the nearest integer
// with ties to even. Sums are exact for any coefficients (64-bit), the
// divisor is taken whole, and a divisor of 0 counts as 1.

#include "kernels/bitmap24.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace kernels {
class RowPool;
}

namespace kernels::Filtres2 {

using KernelCoefficients = std::array<std::int32_t, 81>;

// The kernel record kept by the image tool, the same as a ".flt" file: 332
// bytes, little-endian, packed: Tag (three letters, "DCV" for a
// deconvolution kernel), Size (the active size 3, 5, 7 or 9), the 81
// coefficients (int32 each), Divisor (int32). The filters read neither Tag
// nor Size.
struct ConvolutionKernel {
    std::array<char, 3> Tag{'D', 'C', 'V'};
    std::uint8_t Size = 9;
    KernelCoefficients Coefficients{};
    std::int32_t Divisor = 1;
};
inline constexpr std::size_t kConvolutionKernelStoredSize = 332;

// The working rows of the filters: framed copies of the image rows a filter
// reads while it writes the bitmap, and the rows held back along the seams
// between the pieces of a pooled filtering. Kept between calls and
// reallocated only when more are needed, so filtering frame after frame
// allocates nothing.
class ConvolutionScratch {
public:
    // Which row routine filters: the fastest the processor offers (the
    // baseline vector one under CloneRoute::Portable), the baseline vector
    // one, or the portable one. All give the same numbers; the choice exists
    // so each can be checked on any machine.
    enum class Route { Fastest, Baseline, Portable };
    void setRoute(Route route) { route_ = route; }
    Route route() const { return route_; }

    // Splits the rows of each filtering across the pool's threads (none: the
    // calling thread alone); the bytes out are the same either way. The pool
    // is the caller's and must outlive its use here.
    void setPool(RowPool* pool) { pool_ = pool; }
    RowPool* pool() const { return pool_; }

    struct Buffers {
        int pieces = 1;                 // the rows cut into pieces: piece i has rows
        const int* firstRows = nullptr; // firstRows[i] .. firstRows[i + 1] - 1
        std::uint8_t* work = nullptr;   // per part, partBytes for its 3k + 1 framed rows
        std::ptrdiff_t partBytes = 0;
        std::ptrdiff_t stride = 0;      // bytes of a framed row
        std::uint8_t* held = nullptr;   // per seam, 2k rows of width x 3 bytes
        std::atomic<std::uint8_t>* seams = nullptr;
    };
    // Cuts the height rows into pieces of `longest` rows, shorter towards the
    // end down to `shortest`, for filtering by up to `threads` threads, and
    // makes room for that with framed rows of width pixels and a border of k
    // pixels; false when memory is short.
    bool prepare(int width, int height, int k, int threads, int longest, int shortest, Buffers& buffers);

private:
    std::vector<int> firstRows_;
    std::vector<std::uint8_t> work_;
    std::unique_ptr<std::uint8_t[]> held_;
    std::size_t heldCapacity_ = 0;
    std::unique_ptr<std::atomic<std::uint8_t>[]> seams_;
    std::size_t seamCapacity_ = 0;
    Route route_ = Route::Fastest;
    RowPool* pool_ = nullptr;
};

void Convolve3x3(Bitmap24& bitmap, const KernelCoefficients& coefficients, std::int64_t divisor);
void Convolve5x5(Bitmap24& bitmap, const KernelCoefficients& coefficients, std::int64_t divisor);
void Convolve7x7(Bitmap24& bitmap, const KernelCoefficients& coefficients, std::int64_t divisor);
void Convolve9x9(Bitmap24& bitmap, const KernelCoefficients& coefficients, std::int64_t divisor);

// The same with an explicit scratch; the overloads above use one kept per
// thread.
void Convolve3x3(Bitmap24& bitmap, const KernelCoefficients& coefficients, std::int64_t divisor, ConvolutionScratch& scratch);
void Convolve5x5(Bitmap24& bitmap, const KernelCoefficients& coefficients, std::int64_t divisor, ConvolutionScratch& scratch);
void Convolve7x7(Bitmap24& bitmap, const KernelCoefficients& coefficients, std::int64_t divisor, ConvolutionScratch& scratch);
void Convolve9x9(Bitmap24& bitmap, const KernelCoefficients& coefficients, std::int64_t divisor, ConvolutionScratch& scratch);

namespace detail {
// Filters with a kernel of size n as the pool does, but on the calling thread
// alone: the rows cut into pieces of pieceRows rows or more (at least n - 1),
// done in the given order of piece numbers, each listed once, from 0 to
// height / max(pieceRows, n - 1) - 1. On the pool the pieces run in whatever
// order its threads reach them; this checks any order gives the same bytes.
void ConvolveInPieces(int n, Bitmap24& bitmap, const KernelCoefficients& coefficients, std::int64_t divisor,
                      ConvolutionScratch& scratch, int pieceRows, const std::vector<int>& order);
} // namespace detail

} // namespace kernels::Filtres2
