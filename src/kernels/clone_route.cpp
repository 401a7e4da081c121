#include "kernels/clone_route.h"

#include <atomic>

namespace kernels {

namespace {
std::atomic<bool> portableOnly{false};
} // namespace

void SetCloneRoute(CloneRoute route) { portableOnly.store(route == CloneRoute::Portable, std::memory_order_relaxed); }

bool Avx2CloneAvailable()
{
#if defined(__x86_64__) || defined(__i386__)
    static const bool avx2 = __builtin_cpu_supports("avx2");
    return avx2;
#else
    return false;
#endif
}

namespace detail {
bool UseAvx2Clone() { return !portableOnly.load(std::memory_order_relaxed) && Avx2CloneAvailable(); }
} // namespace detail

} // namespace kernels
