#pragma once
// Row loops of the per-frame helpers, on 24-bit BGR rows: the motion
// comparison and the running-average blend of the mosaic.

#include <array>
#include <cstdint>

namespace kernels {

// Compares `pixels` pixels of rows a and b by their grey sums (B + G + R):
// adds the signed differences a - b to sum and counts in changed the pixels
// whose difference exceeds threshold in absolute value.
void MotionRowDiff(const std::uint8_t* a, const std::uint8_t* b, int pixels, int threshold, std::int64_t& sum,
                   std::int64_t& changed);

// Paints pure red (B 0, G 0, R 255) each pixel of dst whose pixel in src
// has a channel of threshold or more; other pixels stay as they are.
void MarkSaturatedRow(const std::uint8_t* src, std::uint8_t* dst, int pixels, std::uint8_t threshold);

// The weights of a running average of n frames (n of 0 or less counts as
// 1): keep[v] = v x (1 - 1/n), take[v] = v x 1/n.
struct BlendTables {
    std::array<double, 256> keep{}, take{};
    std::int32_t frames = 1;   // n, at least 1
    explicit BlendTables(std::int32_t n);
};

// Moves each of `bytes` bytes of dst 1/n of the way to src: the nearest
// integer of keep[dst] + take[src], halves to even.
// Runs on the processor's vector units (AVX2) when it has them and the
// clone route allows; the plain loop gives the same bytes.
void BlendRow(std::uint8_t* dst, const std::uint8_t* src, int bytes, const BlendTables& tables);
void BlendRowPortable(std::uint8_t* dst, const std::uint8_t* src, int bytes, const BlendTables& tables);

} // namespace kernels
