#include "kernels/jpeg_measure.h"

#include "kernels/jpeg_errors.h"

#include <algorithm>
#include <csetjmp>
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

namespace kernels {

namespace {

constexpr std::size_t kChunk = 16384;

// Destination that counts the bytes and reuses one buffer.
struct CountingDestination {
    jpeg_destination_mgr pub{};
    JOCTET buffer[kChunk];
    std::int64_t count = 0;
};

void initDestination(j_compress_ptr cinfo)
{
    auto* d = reinterpret_cast<CountingDestination*>(cinfo->dest);
    d->pub.next_output_byte = d->buffer;
    d->pub.free_in_buffer = kChunk;
}

boolean emptyOutputBuffer(j_compress_ptr cinfo)
{
    auto* d = reinterpret_cast<CountingDestination*>(cinfo->dest);
    d->count += std::int64_t(kChunk);
    d->pub.next_output_byte = d->buffer;
    d->pub.free_in_buffer = kChunk;
    return TRUE;
}

void termDestination(j_compress_ptr cinfo)
{
    auto* d = reinterpret_cast<CountingDestination*>(cinfo->dest);
    d->count += std::int64_t(kChunk - d->pub.free_in_buffer);
}

} // namespace

std::int64_t JpegCompressedSize(const Bitmap24& bitmap, const Rect& rect, int quality)
{
    const int left = std::max(rect.left, 0), top = std::max(rect.top, 0);
    const int right = std::min(rect.right, bitmap.width()), bottom = std::min(rect.bottom, bitmap.height());
    if (right <= left || bottom <= top)
        return 0;

    // Everything the jump may skip lives before setjmp and is not changed after.
    jpeg_compress_struct cinfo{};
    JpegErrors err;
    CountingDestination dest;
    cinfo.err = InstallJpegErrors(err);
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        return 0;
    }
    jpeg_create_compress(&cinfo);
    dest.pub.init_destination = initDestination;
    dest.pub.empty_output_buffer = emptyOutputBuffer;
    dest.pub.term_destination = termDestination;
    cinfo.dest = &dest.pub;
    cinfo.image_width = JDIMENSION(right - left);
    cinfo.image_height = JDIMENSION(bottom - top);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, std::clamp(quality, 0, 100), TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = top + int(cinfo.next_scanline);
        JSAMPROW row = const_cast<JSAMPROW>(bitmap.scanLine(y) + std::ptrdiff_t(left) * 3);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    const std::int64_t size = dest.count;
    jpeg_destroy_compress(&cinfo);
    return size;
}

} // namespace kernels
