#pragma once
// Bytes of a fixed pseudo-random sequence, the same for the same seed: inputs
// that reach every value of a byte, for comparing two routes of a kernel.

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

namespace testsupport {

inline std::vector<std::uint8_t> RandomBytes(std::size_t bytes, std::uint32_t seed)
{
    std::mt19937 random(seed);
    std::vector<std::uint8_t> v(bytes);
    for (auto& b : v)
        b = std::uint8_t(random());
    return v;
}

} // namespace testsupport
