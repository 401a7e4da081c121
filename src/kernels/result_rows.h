#pragma once
// Row loops of the result passes, in two routes that give the same words
// bit for bit: a portable one and one for processors with AVX2. The passes
// pick one at run time (result_passes.cpp); the vector route lives in
// result_rows_avx2.cpp, whose functions are compiled for AVX2 only.
//
// A row of a deep plane is four 16-bit words a pixel (blue, green, red and
// a fourth word the passes keep as it is); a frame row is three bytes a
// pixel (blue, green, red).

#include <cstdint>

namespace kernels::rows {

// Adds one frame row (and takes away one row of the oldest frame of a loop)
// into a row of the sum plane, without binning: word k of pixel c becomes
// the word (0 when zero is set) plus byte k of the frame minus byte k of the
// subtracted frame (for c < subPixels), limited to 0 .. 65280. With zero
// set the fourth word becomes 0; otherwise it is left alone.
struct AddRow {
    std::uint16_t* sum = nullptr;
    const std::uint8_t* frame = nullptr;
    const std::uint8_t* subtract = nullptr;   // may be null
    int pixels = 0;
    int subPixels = 0;
    bool zero = false;
};

// The dark and flat corrections of one row into plane 5 (words 0 to 2; the
// fourth word of plane 5 is left as it was), with the words written folded
// into lo and hi:
//   dark (when given): v := P - min(P, d), d = Round(D x level x ratio - 0.5)
//     limited to 0 .. 65535 (or d read from amounts);
//   flat (when given): v := Round(f x v - 0.5) limited to 0 .. 65280, where
//     f = mean / F, or the mean itself when F is 0 or 1.
// Round is to the nearest integer, halves to even, in double precision
// exactly as written (no fused multiply-add).
struct CorrectRow {
    const std::uint16_t* sum = nullptr;
    const std::uint16_t* dark = nullptr;   // null: no dark
    // The dark amounts of this row already worked out (darkAmountsRow* of
    // the dark row, same layout), or null to work them out from dark.
    const std::uint16_t* amounts = nullptr;
    const std::uint16_t* flat = nullptr;   // null: no flat
    std::uint16_t* out = nullptr;
    int pixels = 0;
    // Words from a pixel to the one below it when the next row follows (the
    // vector route asks for it on the way), else 0.
    std::ptrdiff_t nextRow = 0;
    double darkLevel = 0;
    double darkRatio = 0;
    double means[3] = {0, 0, 0};
    // Dark word -> dark amount (darkAmount below) for the level and ratio,
    // as ResultTables::darkAmounts builds it; the portable route looks the
    // amounts up when given (the vector route uses darkSpan below).
    const std::uint16_t* darkTable = nullptr;
    // The same amounts over the dark's span of words, as
    // ResultTables::darkAmountSpan builds them: entry d holds darkAmount(d)
    // for every word 0 to 2 of the dark row (other entries may hold
    // anything). The vector route looks the amounts up there when given
    // rather than working them out.
    const std::uint16_t* darkSpan = nullptr;
    // Per channel, flat word -> factor (mean / F, the mean for 0 and 1), as
    // ResultTables::flatFactors builds them; required by the vector route
    // with a flat. The portable route divides when they are null, with the
    // same result.
    const double* flatFactors[3] = {nullptr, nullptr, nullptr};
};

// Running extremes of the words folded so far; max < 0 while none was.
struct Extremes {
    int min = 0x7fffffff;
    int max = -1;
};

void addRowPortable(const AddRow& row);
void correctRowPortable(const CorrectRow& row, Extremes& e);
// addRow then correctRow of the same row (the correction's sum is the
// row added): the vector route does both in one walk, keeping the sum in
// registers between them.
void addCorrectRowPortable(const AddRow& add, const CorrectRow& row, Extremes& e);
// Folds words 0 to 2 of each pixel of a plane row.
void foldPixelsPortable(const std::uint16_t* row, int pixels, Extremes& e);

// Words 0 to 2 of each pixel of amounts := darkAmount of the dark row's
// words for the level and ratio; the fourth word := 0.
void darkAmountsRowPortable(const std::uint16_t* dark, std::uint16_t* amounts, int pixels, double level,
                            double ratio);

// The same with AVX2; callable only when the processor has it.
void addRowAvx2(const AddRow& row);
void correctRowAvx2(const CorrectRow& row, Extremes& e);
void addCorrectRowAvx2(const AddRow& add, const CorrectRow& row, Extremes& e);
void foldPixelsAvx2(const std::uint16_t* row, int pixels, Extremes& e);
void darkAmountsRowAvx2(const std::uint16_t* dark, std::uint16_t* amounts, int pixels, double level, double ratio);

// The displayed bytes of one row of plane 5 through the plain stretch of
// the thresholds (no tone curve): byte k of pixel c := 0 when word k is at
// most low, else min(255, (word - low) x 256 div range), kept where byte k
// of mask is set (blue, green, red). Equal to the look-up in
// ResultTables::levels(low, range, nullptr). The same bytes go to copy as
// well when it is not null. Returns the pixels done from the start of the
// row; the rest is the caller's (the vector loop stops short of the end, as
// its stores reach past the pixels they finish).
int stretchRowAvx2(const std::uint16_t* words, std::uint8_t* out, std::uint8_t* copy, int pixels, std::uint16_t low,
                   std::int32_t range, std::uint32_t mask);

// The dark amount of one word, as both routes compute it.
inline int darkAmount(std::uint16_t d, double level, double ratio)
{
    constexpr double magic = 6755399441055744.0;   // 1.5 x 2^52: rounds halves to even
    const double v = (d * level * ratio - 0.5 + magic) - magic;
    return !(v > 0) ? 0 : v > 65535 ? 65535 : int(v);
}

} // namespace kernels::rows
