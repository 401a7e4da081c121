#pragma once
// The guiding offset file: lines "x,y" of signed integers that the guiding
// adds to its target in turn, cycling.

#include <QString>
#include <array>
#include <cstdint>

struct TGuideOffsetPair {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

struct TGuideOffsetTable {
    static constexpr int kCapacity = 1280;
    std::array<TGuideOffsetPair, kCapacity> pairs{};
    std::int32_t count = 0;
    std::int32_t position = 0;   // users take pairs at position mod count + 1, from 1
};

extern TGuideOffsetTable GuideOffsetTable;

namespace Preferences {

// Reads the offset file (relative names are in the program directory). A
// line holding "//", without "," or ending with "," is skipped; otherwise
// the texts before and after the first "," are the pair, each 0 when it is
// not a number. Only the first 1,280 pairs are kept (a note says so).
// Returns false, leaving the table as it was, when the file cannot be read
// or holds no usable line.
bool LoadGuideOffsetFile(const QString& fileName);

} // namespace Preferences
