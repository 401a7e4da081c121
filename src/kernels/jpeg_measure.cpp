#include "kernels/jpeg_measure.h"

#include "kernels/jpeg_errors.h"

#include <algorithm>
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

namespace kernels {

namespace {

constexpr std::size_t kChunk = 16384;
// The coder's SIMD routines want 32-byte alignment and rows padded to
// 64-byte multiples (they may read up to the padding).
constexpr std::size_t kAlign = 64;

std::size_t roundUp(std::size_t n, std::size_t to)
{
    return (n + to - 1) / to * to;
}

// Destination that counts the bytes and reuses one buffer.
struct CountingDestination {
    jpeg_destination_mgr pub{};
    JOCTET buffer[kChunk];
    std::int64_t count = 0;
};

void initDestination(j_compress_ptr cinfo)
{
    auto* d = reinterpret_cast<CountingDestination*>(cinfo->dest);
    d->count = 0;
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

// The memory of one image's compression (the coder's image pool) comes
// from an arena that is emptied, not freed, when the image ends. The
// first image grows it in blocks; at its end the blocks become one block
// of their total size, so an image of the same or a smaller size asks the
// heap for nothing. The permanent pool (tables, component records) stays
// with the coder's own manager: it is filled once, by the first image.
class ImageArena {
public:
    ~ImageArena()
    {
        for (Block& b : blocks_)
            std::free(b.base);
    }

    void* take(std::size_t size)
    {
        size = roundUp(std::max<std::size_t>(size, 1), kAlign);
        if (blocks_.empty() || blocks_.back().used + size > blocks_.back().size)
            if (!grow(size))
                return nullptr;
        Block& b = blocks_.back();
        void* p = static_cast<char*>(b.base) + b.used;
        b.used += size;
        return p;
    }

    // Empties the arena, merging its blocks into one for the next image.
    void reset()
    {
        if (blocks_.size() > 1) {
            std::size_t total = 0;
            for (Block& b : blocks_) {
                total += b.size;
                std::free(b.base);
            }
            blocks_.clear();
            if (void* p = std::aligned_alloc(kAlign, roundUp(total, kAlign)))
                blocks_.push_back(Block{p, roundUp(total, kAlign), 0});
        }
        for (Block& b : blocks_)
            b.used = 0;
    }

private:
    struct Block {
        void* base = nullptr;
        std::size_t size = 0;
        std::size_t used = 0;
    };

    bool grow(std::size_t atLeast)
    {
        const std::size_t size = roundUp(std::max<std::size_t>(atLeast, std::size_t(1) << 18), kAlign);
        void* p = std::aligned_alloc(kAlign, size);
        if (!p)
            return false;
        if (blocks_.capacity() == blocks_.size())
            blocks_.reserve(blocks_.size() + 8);
        blocks_.push_back(Block{p, size, 0});
        return true;
    }

    std::vector<Block> blocks_;
};

// The coder's own methods kept for the permanent pool, and the arena.
struct ArenaMemory {
    jpeg_memory_mgr original{};
    ImageArena arena;
};

ArenaMemory& memoryOf(j_common_ptr cinfo)
{
    return *static_cast<ArenaMemory*>(cinfo->client_data);
}

void* arenaTake(j_common_ptr cinfo, std::size_t size)
{
    void* p = memoryOf(cinfo).arena.take(size);
    if (!p)
        ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
    return p;
}

void* allocSmall(j_common_ptr cinfo, int pool, std::size_t size)
{
    if (pool != JPOOL_IMAGE)
        return memoryOf(cinfo).original.alloc_small(cinfo, pool, size);
    return arenaTake(cinfo, size);
}

void* allocLarge(j_common_ptr cinfo, int pool, std::size_t size)
{
    if (pool != JPOOL_IMAGE)
        return memoryOf(cinfo).original.alloc_large(cinfo, pool, size);
    return arenaTake(cinfo, size);
}

JSAMPARRAY allocSarray(j_common_ptr cinfo, int pool, JDIMENSION samplesPerRow, JDIMENSION rows)
{
    if (pool != JPOOL_IMAGE)
        return memoryOf(cinfo).original.alloc_sarray(cinfo, pool, samplesPerRow, rows);
    const std::size_t rowBytes = roundUp(std::size_t(samplesPerRow) * sizeof(JSAMPLE), kAlign);
    auto* result = static_cast<JSAMPARRAY>(arenaTake(cinfo, std::size_t(rows) * sizeof(JSAMPROW)));
    auto* data = static_cast<JSAMPLE*>(arenaTake(cinfo, std::size_t(rows) * rowBytes));
    for (JDIMENSION r = 0; r < rows; ++r)
        result[r] = data + std::size_t(r) * rowBytes / sizeof(JSAMPLE);
    return result;
}

JBLOCKARRAY allocBarray(j_common_ptr cinfo, int pool, JDIMENSION blocksPerRow, JDIMENSION rows)
{
    if (pool != JPOOL_IMAGE)
        return memoryOf(cinfo).original.alloc_barray(cinfo, pool, blocksPerRow, rows);
    auto* result = static_cast<JBLOCKARRAY>(arenaTake(cinfo, std::size_t(rows) * sizeof(JBLOCKROW)));
    auto* data = static_cast<JBLOCK*>(arenaTake(cinfo, std::size_t(rows) * blocksPerRow * sizeof(JBLOCK)));
    for (JDIMENSION r = 0; r < rows; ++r)
        result[r] = data + std::size_t(r) * blocksPerRow;
    return result;
}

void freePool(j_common_ptr cinfo, int pool)
{
    ArenaMemory& m = memoryOf(cinfo);
    if (pool == JPOOL_IMAGE)
        m.arena.reset();
    m.original.free_pool(cinfo, pool);
}

// One baseline coder per thread, made on the first measure and kept: its
// tables are set up once and its image memory comes from the arena.
class Coder {
public:
    Coder()
    {
        cinfo_.err = InstallJpegErrors(errors_);
        if (setjmp(errors_.jump))
            return;
        jpeg_create_compress(&cinfo_);
        memory_.original = *cinfo_.mem;
        cinfo_.client_data = &memory_;
        cinfo_.mem->alloc_small = allocSmall;
        cinfo_.mem->alloc_large = allocLarge;
        cinfo_.mem->alloc_sarray = allocSarray;
        cinfo_.mem->alloc_barray = allocBarray;
        cinfo_.mem->free_pool = freePool;
        dest_.pub.init_destination = initDestination;
        dest_.pub.empty_output_buffer = emptyOutputBuffer;
        dest_.pub.term_destination = termDestination;
        cinfo_.dest = &dest_.pub;
        ready_ = true;
    }

    ~Coder()
    {
        if (ready_)
            jpeg_destroy_compress(&cinfo_);
    }

    Coder(const Coder&) = delete;
    Coder& operator=(const Coder&) = delete;

    std::int64_t measure(const Bitmap24& bitmap, int left, int top, int width, int height, int quality)
    {
        if (!ready_)
            return 0;
        // Nothing the jump may skip is a local changed after setjmp.
        if (setjmp(errors_.jump)) {
            jpeg_abort_compress(&cinfo_);
            return 0;
        }
        cinfo_.image_width = JDIMENSION(width);
        cinfo_.image_height = JDIMENSION(height);
        cinfo_.input_components = 3;
        cinfo_.in_color_space = JCS_EXT_BGR;
        jpeg_set_defaults(&cinfo_);
        jpeg_set_quality(&cinfo_, std::clamp(quality, 0, 100), TRUE);
        jpeg_start_compress(&cinfo_, TRUE);
        while (cinfo_.next_scanline < cinfo_.image_height) {
            const int y = top + int(cinfo_.next_scanline);
            JSAMPROW row = const_cast<JSAMPROW>(bitmap.scanLine(y) + std::ptrdiff_t(left) * 3);
            jpeg_write_scanlines(&cinfo_, &row, 1);
        }
        jpeg_finish_compress(&cinfo_);
        return dest_.count;
    }

private:
    jpeg_compress_struct cinfo_{};
    JpegErrors errors_;
    CountingDestination dest_;
    ArenaMemory memory_;
    bool ready_ = false;
};

} // namespace

std::int64_t JpegCompressedSize(const Bitmap24& bitmap, const Rect& rect, int quality)
{
    const int left = std::max(rect.left, 0), top = std::max(rect.top, 0);
    const int right = std::min(rect.right, bitmap.width()), bottom = std::min(rect.bottom, bitmap.height());
    if (right <= left || bottom <= top)
        return 0;
    static thread_local Coder coder;
    return coder.measure(bitmap, left, top, right - left, bottom - top, quality);
}

} // namespace kernels
