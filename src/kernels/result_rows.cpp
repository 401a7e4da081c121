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

void correctRowPortable(const CorrectRow& row, Extremes& e)
{
    int lo = e.min, hi = e.max;
    for (int c = 0; c < row.pixels; ++c) {
        const std::uint16_t* p = row.sum + 4 * c;
        std::uint16_t* o = row.out + 4 * c;
        for (int k = 0; k < 3; ++k) {
            int v = p[k];
            if (row.dark)
                v -= std::min(v, darkAmount(row.dark[4 * c + k], row.darkLevel, row.darkRatio));
            if (row.flat) {
                const std::uint16_t F = row.flat[4 * c + k];
                const double* table = row.flatFactors[k];
                v = flatWord(table ? table[F] : F <= 1 ? row.means[k] : row.means[k] / F, v);
            }
            o[k] = std::uint16_t(v);
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    }
    e.min = lo;
    e.max = hi;
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
