#pragma once
// The small settings files of the image tool that users exchange: kernel
// files ".flt" (the 332-byte ConvolutionKernel record) and curve files
// ".crv" (48 bytes). Both are little-endian and packed; encoding and
// decoding are byte exact, so a record read back is the record written.

#include "kernels/convolution.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace kernels::ToolFiles {

inline constexpr std::size_t kKernelFileSize = Filtres2::kConvolutionKernelStoredSize;   // 332
inline constexpr std::size_t kCurveFileSize = 48;

// Tag (3 bytes), Size (1), 81 int32 row-major (324), Divisor int32 (4).
std::array<std::uint8_t, kKernelFileSize> encodeKernel(const Filtres2::ConvolutionKernel& kernel);
// The first record of the bytes; none when there are fewer than 332. The
// tag is not examined (every kind of kernel file is read).
std::optional<Filtres2::ConvolutionKernel> decodeKernel(std::span<const std::uint8_t> bytes);

// The nine track-bar positions and the nine check boxes of the curves page.
struct CurveRecord {
    std::array<std::int32_t, 9> Positions{};
    std::array<std::uint8_t, 9> Active{};
    bool operator==(const CurveRecord&) const = default;
};

// "CRV", nine int32 at offsets 3, 7, ..., 35, nine bytes at 39..47.
std::array<std::uint8_t, kCurveFileSize> encodeCurves(const CurveRecord& record);
// None unless there are at least 48 bytes beginning with "CRV". A check box
// byte other than 0 counts as checked (1).
std::optional<CurveRecord> decodeCurves(std::span<const std::uint8_t> bytes);

} // namespace kernels::ToolFiles
