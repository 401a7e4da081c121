// The image tool's kernel (".flt") and curve (".crv") files: any bytes are
// either refused or decoded; a decoded record encodes back to exactly the
// bytes it was read from (its first record), and encoding then decoding
// gives the same record.

#include "fuzz_check.h"
#include "kernels/tool_files.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kernels::ToolFiles;
    const std::span<const std::uint8_t> bytes(data, size);
    const QString sizeText = QStringLiteral("%1 bytes").arg(size);

    const auto kernel = decodeKernel(bytes);
    NJ_FUZZ_CHECK(kernel.has_value() == (size >= kKernelFileSize), sizeText);
    if (kernel) {
        const auto back = encodeKernel(*kernel);
        NJ_FUZZ_CHECK(std::equal(back.begin(), back.end(), data), sizeText);
        const auto again = decodeKernel(back);
        NJ_FUZZ_CHECK(again && again->Coefficients == kernel->Coefficients && again->Divisor == kernel->Divisor
                          && again->Size == kernel->Size && again->Tag == kernel->Tag,
                      sizeText);
    }

    const auto curves = decodeCurves(bytes);
    NJ_FUZZ_CHECK(!curves || (size >= kCurveFileSize && data[0] == 'C' && data[1] == 'R' && data[2] == 'V'),
                  sizeText);
    if (curves) {
        const auto back = encodeCurves(*curves);
        // The positions come back byte for byte; the boxes as 0 or 1.
        NJ_FUZZ_CHECK(std::equal(back.begin(), back.begin() + 39, data), sizeText);
        for (std::size_t i = 39; i < kCurveFileSize; ++i)
            NJ_FUZZ_CHECK(back[i] == (data[i] ? 1 : 0), QStringLiteral("box byte %1").arg(i));
        NJ_FUZZ_CHECK(decodeCurves(back) == curves, sizeText);
    }
    return 0;
}
