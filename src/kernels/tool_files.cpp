#include "kernels/tool_files.h"

namespace kernels::ToolFiles {

namespace {

void put32(std::uint8_t* p, std::int32_t v)
{
    const auto u = std::uint32_t(v);
    p[0] = std::uint8_t(u);
    p[1] = std::uint8_t(u >> 8);
    p[2] = std::uint8_t(u >> 16);
    p[3] = std::uint8_t(u >> 24);
}

std::int32_t get32(const std::uint8_t* p)
{
    return std::int32_t(std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16
                        | std::uint32_t(p[3]) << 24);
}

} // namespace

std::array<std::uint8_t, kKernelFileSize> encodeKernel(const Filtres2::ConvolutionKernel& kernel)
{
    std::array<std::uint8_t, kKernelFileSize> out{};
    for (int i = 0; i < 3; ++i)
        out[std::size_t(i)] = std::uint8_t(kernel.Tag[std::size_t(i)]);
    out[3] = kernel.Size;
    for (std::size_t i = 0; i < 81; ++i)
        put32(out.data() + 4 + 4 * i, kernel.Coefficients[i]);
    put32(out.data() + 328, kernel.Divisor);
    return out;
}

std::optional<Filtres2::ConvolutionKernel> decodeKernel(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < kKernelFileSize)
        return std::nullopt;
    Filtres2::ConvolutionKernel k;
    for (std::size_t i = 0; i < 3; ++i)
        k.Tag[i] = char(bytes[i]);
    k.Size = bytes[3];
    for (std::size_t i = 0; i < 81; ++i)
        k.Coefficients[i] = get32(bytes.data() + 4 + 4 * i);
    k.Divisor = get32(bytes.data() + 328);
    return k;
}

std::array<std::uint8_t, kCurveFileSize> encodeCurves(const CurveRecord& record)
{
    std::array<std::uint8_t, kCurveFileSize> out{};
    out[0] = 'C';
    out[1] = 'R';
    out[2] = 'V';
    for (std::size_t i = 0; i < 9; ++i) {
        put32(out.data() + 3 + 4 * i, record.Positions[i]);
        out[39 + i] = record.Active[i] ? 1 : 0;
    }
    return out;
}

std::optional<CurveRecord> decodeCurves(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < kCurveFileSize || bytes[0] != 'C' || bytes[1] != 'R' || bytes[2] != 'V')
        return std::nullopt;
    CurveRecord r;
    for (std::size_t i = 0; i < 9; ++i) {
        r.Positions[i] = get32(bytes.data() + 3 + 4 * i);
        r.Active[i] = bytes[39 + i] ? 1 : 0;
    }
    return r;
}

} // namespace kernels::ToolFiles
