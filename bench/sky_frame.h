#pragma once
// A frame that looks like a night-sky capture: a dark, noisy background with
// forty bright stars, the same for the same seed.

#include "kernels/bitmap24.h"

#include <algorithm>
#include <random>

inline kernels::Bitmap24 SkyFrame(int width, int height, unsigned seed = 42)
{
    kernels::Bitmap24 b(width, height);
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(20.0, 4.0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width * 3; ++x)
            b.scanLine(y)[x] = static_cast<std::uint8_t>(std::clamp(noise(random), 0.0, 255.0));
    std::uniform_int_distribution<int> px(4, width - 5), py(4, height - 5);
    for (int star = 0; star < 40; ++star) {
        const int cx = px(random), cy = py(random);
        for (int dy = -3; dy <= 3; ++dy)
            for (int dx = -3; dx <= 3; ++dx) {
                const int level = 255 - 30 * (dx * dx + dy * dy);
                if (level > 0)
                    std::fill_n(b.scanLine(cy + dy) + 3 * (cx + dx), 3, static_cast<std::uint8_t>(level));
            }
    }
    return b;
}
