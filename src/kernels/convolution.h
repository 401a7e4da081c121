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
#include <cstddef>
#include <cstdint>
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

// The framed copy of the image that a filter reads while it writes the
// bitmap. Kept between calls and reallocated only when a larger frame is
// needed, so filtering frame after frame allocates nothing.
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

    // Makes room for a frame of width x height pixels with a border of k
    // pixels; returns its first row (nullptr when memory is short) and its
    // row length in bytes.
    std::uint8_t* prepare(int width, int height, int k, std::ptrdiff_t& stride);

private:
    std::vector<std::uint8_t> frame_;
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

} // namespace kernels::Filtres2
