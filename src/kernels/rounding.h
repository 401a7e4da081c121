#pragma once
// Rounding as the filters and numeric controls do it: to the nearest integer,
// halves to the even neighbour (the processor's default rounding mode).

#include <cmath>
#include <cstdint>

namespace kernels {

inline double roundHalfEven(double v) { return std::nearbyint(v); }

inline std::int64_t roundHalfEvenToInt(double v) { return static_cast<std::int64_t>(std::nearbyint(v)); }

} // namespace kernels
