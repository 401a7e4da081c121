#include "kernels/result_rows.h"

#include <algorithm>

namespace kernels::rows {

namespace {

constexpr int kLimit = 65280;

inline int flatWord(double factor, int v)
{
    constexpr double magic = 6755399441055744.0;
    double x = (factor * v - 0.5 + magic) - magic;
    x = 0.0 < x ? x : 0.0;   // NaN gives 0
    x = x < double(kLimit) ? x : double(kLimit);
    return int(x);
}

} // namespace

void addRowPortable(const AddRow& row)
{
    std::uint16_t* P = row.sum;
    const std::uint8_t* f = row.frame;
    const std::uint8_t* s = row.subtract;
    const int subPixels = s ? std::min(row.subPixels, row.pixels) : 0;
    for (int c = 0; c < row.pixels; ++c, P += 4, f += 3) {
        int a0 = f[0], a1 = f[1], a2 = f[2];
        if (c < subPixels) {
            a0 -= s[3 * c];
            a1 -= s[3 * c + 1];
            a2 -= s[3 * c + 2];
        }
        if (row.zero) {
            P[3] = 0;
        } else {
            a0 += P[0];
            a1 += P[1];
            a2 += P[2];
        }
        P[0] = std::uint16_t(std::clamp(a0, 0, kLimit));
        P[1] = std::uint16_t(std::clamp(a1, 0, kLimit));
        P[2] = std::uint16_t(std::clamp(a2, 0, kLimit));
    }
}

namespace {

// Up to kChunk pixels from pixel `from`: the words after the dark go to a
// flat array with their flat factors, so that the flat division, the store
// and the fold below are plain loops the compiler vectorises.
constexpr int kChunk = 128;

template <bool Dark, bool Flat>
void correctChunk(const CorrectRow& row, int from, int n, int& lo, int& hi)
{
    std::int32_t q[3 * kChunk];
    double factor[3 * kChunk];
    const std::uint16_t* p = row.sum + 4 * from;
    for (int c = 0; c < n; ++c, p += 4) {
        for (int k = 0; k < 3; ++k) {
            int v = p[k];
            if constexpr (Dark) {
                const std::size_t at = std::size_t(4 * (from + c) + k);
                if (row.amounts) {
                    v -= std::min(v, int(row.amounts[at]));
                } else {
                    const std::uint16_t d = row.dark[at];
                    v -= std::min(v, row.darkTable ? int(row.darkTable[d])
                                                   : darkAmount(d, row.darkLevel, row.darkRatio));
                }
            }
            q[3 * c + k] = v;
            if constexpr (Flat) {
                const std::uint16_t F = row.flat[4 * (from + c) + k];
                const double* table = row.flatFactors[k];
                factor[3 * c + k] = table ? table[F] : F <= 1 ? row.means[k] : row.means[k] / F;
            }
        }
    }
    if constexpr (Flat)
        for (int i = 0; i < 3 * n; ++i)
            q[i] = flatWord(factor[i], q[i]);
    std::uint16_t* o = row.out + 4 * from;
    for (int c = 0; c < n; ++c, o += 4) {
        o[0] = std::uint16_t(q[3 * c]);
        o[1] = std::uint16_t(q[3 * c + 1]);
        o[2] = std::uint16_t(q[3 * c + 2]);
    }
    int mn = lo, mx = hi;
    for (int i = 0; i < 3 * n; ++i) {
        mn = q[i] < mn ? q[i] : mn;
        mx = q[i] > mx ? q[i] : mx;
    }
    lo = mn;
    hi = mx;
}

template <bool Dark, bool Flat>
void correctChunks(const CorrectRow& row, int& lo, int& hi)
{
    for (int from = 0; from < row.pixels; from += kChunk)
        correctChunk<Dark, Flat>(row, from, std::min(kChunk, row.pixels - from), lo, hi);
}

} // namespace

void correctRowPortable(const CorrectRow& row, Extremes& e)
{
    int lo = e.min, hi = e.max;
    const bool dark = row.dark || row.amounts;
    if (dark && row.flat)
        correctChunks<true, true>(row, lo, hi);
    else if (dark)
        correctChunks<true, false>(row, lo, hi);
    else if (row.flat)
        correctChunks<false, true>(row, lo, hi);
    else
        correctChunks<false, false>(row, lo, hi);
    e.min = lo;
    e.max = hi;
}

void addCorrectRowPortable(const AddRow& add, const CorrectRow& row, Extremes& e)
{
    addRowPortable(add);
    correctRowPortable(row, e);
}

void darkAmountsRowPortable(const std::uint16_t* dark, std::uint16_t* amounts, int pixels, double level,
                            double ratio)
{
    for (int c = 0; c < pixels; ++c, dark += 4, amounts += 4) {
        for (int k = 0; k < 3; ++k)
            amounts[k] = std::uint16_t(darkAmount(dark[k], level, ratio));
        amounts[3] = 0;
    }
}

void foldPixelsPortable(const std::uint16_t* row, int pixels, Extremes& e)
{
    int lo = e.min, hi = e.max;
    for (int c = 0; c < pixels; ++c, row += 4) {
        lo = std::min({lo, int(row[0]), int(row[1]), int(row[2])});
        hi = std::max({hi, int(row[0]), int(row[1]), int(row[2])});
    }
    e.min = lo;
    e.max = hi;
}

} // namespace kernels::rows
