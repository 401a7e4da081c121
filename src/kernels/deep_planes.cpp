#include "kernels/deep_planes.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

#include <sys/mman.h>

namespace kernels {

namespace {
constexpr std::size_t kBytes = DeepPlanes::kPlaneWords * DeepPlanes::kPlanes * sizeof(std::uint16_t);

// Generations are drawn from one count for every set of planes, so that
// planes made where others were freed never repeat one of theirs.
std::atomic<std::uint64_t> changes{0};

std::uint64_t nextGeneration()
{
    return changes.fetch_add(1, std::memory_order_relaxed) + 1;
}
}

DeepPlanes::DeepPlanes()
{
    // Anonymous memory: zero pages, committed only when written. The
    // passes walk four planes at once, so large pages spare the address
    // translations.
    void* p = mmap(nullptr, kBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        return;
    madvise(p, kBytes, MADV_HUGEPAGE);
    memory_ = static_cast<std::uint16_t*>(p);
}

DeepPlanes::~DeepPlanes()
{
    if (memory_)
        munmap(memory_, kBytes);
}

std::uint16_t* DeepPlanes::base(int plane) const
{
    if (!memory_ || plane < 0 || plane >= kPlanes)
        return nullptr;
    return memory_ + std::size_t(plane) * kPlaneWords;
}

void DeepPlanes::mark(int plane, int width, int height)
{
    generation_[plane] = nextGeneration();
    Extent& e = written_[plane];
    e.width = std::max(e.width, width);
    e.height = std::max(e.height, height);
}

void DeepPlanes::zeroOutside(int plane, int width, int height) const
{
    std::uint16_t* b = base(plane);
    const Extent e = written_[plane];
    for (int y = 0; y < e.height; ++y) {
        std::uint16_t* r = b + std::ptrdiff_t(y) * kRowWords;
        if (y >= height) {
            std::memset(r, 0, std::size_t(e.width) * kWordsPerPixel * sizeof(std::uint16_t));
        } else if (e.width > width) {
            std::memset(r + std::ptrdiff_t(width) * kWordsPerPixel, 0,
                        std::size_t(e.width - width) * kWordsPerPixel * sizeof(std::uint16_t));
        }
    }
}

void DeepPlanes::applyPendingClear(int plane) const
{
    if (!pendingClear_[plane])
        return;
    zeroOutside(plane, 0, 0);
    written_[plane] = {};
    pendingClear_[plane] = false;
}

std::uint16_t* DeepPlanes::pixel(int plane, int x, int y)
{
    std::uint16_t* r = row(plane, y);
    if (!r || x < 0 || x >= kSide)
        return nullptr;
    mark(plane, x + 1, y + 1);
    return r + std::ptrdiff_t(x) * kWordsPerPixel;
}

const std::uint16_t* DeepPlanes::pixel(int plane, int x, int y) const
{
    const std::uint16_t* r = row(plane, y);
    if (!r || x < 0 || x >= kSide)
        return nullptr;
    return r + std::ptrdiff_t(x) * kWordsPerPixel;
}

std::uint16_t* DeepPlanes::row(int plane, int y)
{
    std::uint16_t* b = base(plane);
    if (!b || y < 0 || y >= kSide)
        return nullptr;
    applyPendingClear(plane);
    // A writer may touch the whole row.
    mark(plane, kSide, y + 1);
    return b + std::ptrdiff_t(y) * kRowWords;
}

const std::uint16_t* DeepPlanes::row(int plane, int y) const
{
    const std::uint16_t* b = base(plane);
    if (!b || y < 0 || y >= kSide)
        return nullptr;
    applyPendingClear(plane);
    return b + std::ptrdiff_t(y) * kRowWords;
}

DeepPlanes::Region DeepPlanes::region(int plane, int width, int height)
{
    std::uint16_t* b = base(plane);
    width = std::clamp(width, 0, kSide);
    height = std::clamp(height, 0, kSide);
    if (!b || width == 0 || height == 0)
        return {};
    applyPendingClear(plane);
    mark(plane, width, height);
    return {b, width, height};
}

DeepPlanes::ConstRegion DeepPlanes::region(int plane, int width, int height) const
{
    const std::uint16_t* b = base(plane);
    width = std::clamp(width, 0, kSide);
    height = std::clamp(height, 0, kSide);
    if (!b || width == 0 || height == 0)
        return {};
    applyPendingClear(plane);
    return {b, width, height};
}

DeepPlanes::Region DeepPlanes::overwrite(int plane, int width, int height)
{
    std::uint16_t* b = base(plane);
    width = std::clamp(width, 0, kSide);
    height = std::clamp(height, 0, kSide);
    if (!b || width == 0 || height == 0)
        return {};
    const bool zero = pendingClear_[plane];
    if (zero) {
        zeroOutside(plane, width, height);
        written_[plane] = {};
        pendingClear_[plane] = false;
    }
    mark(plane, width, height);
    return {b, width, height, zero};
}

void DeepPlanes::clear(int plane)
{
    if (!base(plane))
        return;
    generation_[plane] = nextGeneration();
    pendingClear_[plane] = written_[plane].width > 0 && written_[plane].height > 0;
    if (!pendingClear_[plane])
        written_[plane] = {};
}

std::uint64_t DeepPlanes::generation(int plane) const
{
    return plane >= 0 && plane < kPlanes ? generation_[plane] : 0;
}

void DeepPlanes::clearAll()
{
    for (int p = 0; p < kPlanes; ++p)
        clear(p);
}

} // namespace kernels
