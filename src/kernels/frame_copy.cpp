#include "kernels/frame_copy.h"

#include <cstring>

namespace kernels {

bool CopyFrameToBitmap(const platform::FrameView& frame, Bitmap24& dst)
{
    if (!frame.isComplete())
        return false;
    if (dst.isEmpty() && !dst.resize(frame.width, frame.height))
        return false;
    if (frame.width > dst.width() || frame.height > dst.height())
        return false;
    const auto row = static_cast<std::size_t>(frame.width) * 3;
    for (int y = 0; y < frame.height; ++y) {
        const std::uint8_t* src = frame.data + y * frame.stride;
        std::uint8_t* out = dst.scanLine(y);
        if (frame.format == platform::PixelFormat::Bgr24) {
            std::memcpy(out, src, row);
        } else {
            for (int x = 0; x < frame.width; ++x)
                out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = src[x];
        }
    }
    return true;
}

platform::FrameLayout LayoutOf(const Bitmap24& bitmap)
{
    return {bitmap.width(), bitmap.height(), bitmap.stride()};
}

bool TakeFrame(platform::FrameHandOver& handOver, Bitmap24& dst)
{
    bool taken = false;
    handOver.takeBuffer([&](const platform::FrameView& frame, const platform::FrameLayout& layout,
                            std::vector<std::uint8_t>& buffer) {
        if (layout.isValid() && dst.exchangePixels(buffer, layout.width, layout.height, layout.stride)) {
            taken = true;
            return true;
        }
        taken = CopyFrameToBitmap(frame, dst);
        return false;
    });
    return taken;
}

} // namespace kernels
