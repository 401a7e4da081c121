#include "kernels/debayer.h"

#include "kernels/clone_route.h"

#include <algorithm>
#include <cstddef>

namespace kernels {

namespace {

// What the sensor sees at a pixel.
enum Site : std::uint8_t { Red, Blue, GreenRedRow, GreenBlueRow };

// Sites per mode (index mode - 1) for x even / y even, x odd / y even,
// x even / y odd, x odd / y odd.
constexpr Site kSites[4][4] = {
    {GreenRedRow, Red, Blue, GreenBlueRow},
    {Red, GreenRedRow, GreenBlueRow, Blue},
    {Blue, GreenBlueRow, GreenRedRow, Red},
    {GreenBlueRow, Blue, Red, GreenRedRow},
};

// Every output byte is one sum shifted right by 2:
//   own x 4 + (left + right) x lr + (above + below) x ud + diagonals x dg
// which gives the own sample (4, 0, 0, 0), the left-right mean (0, 2, 0, 0),
// the above-below mean (0, 0, 2, 0), the mean of the four diagonals
// (0, 0, 0, 1) and of the four side neighbours (0, 1, 1, 0), each exactly as
// its own truncated mean. The weights of a row repeat every two pixels; one
// block holds 16 pixels (48 bytes), so that the weights of a block are the
// same for every block of the row.
constexpr int kBlock = 48;

struct Weights {
    std::uint16_t own, lr, ud, dg;
};

constexpr Weights kOwn{4, 0, 0, 0}, kH{0, 2, 0, 0}, kV{0, 0, 2, 0}, kX{0, 0, 0, 1}, kP{0, 1, 1, 0};

// Bytes blue, green, red of a site.
void siteWeights(Site s, Weights out[3])
{
    switch (s) {
    case Red:
        out[0] = kX, out[1] = kP, out[2] = kOwn;
        break;
    case Blue:
        out[0] = kOwn, out[1] = kP, out[2] = kX;
        break;
    case GreenRedRow:   // red left and right, blue above and below
        out[0] = kV, out[1] = kOwn, out[2] = kH;
        break;
    case GreenBlueRow:  // blue left and right, red above and below
        out[0] = kH, out[1] = kOwn, out[2] = kV;
        break;
    }
}

struct RowWeights {
    alignas(64) std::uint16_t own[kBlock];
    alignas(64) std::uint16_t lr[kBlock];
    alignas(64) std::uint16_t ud[kBlock];
    alignas(64) std::uint16_t dg[kBlock];
};

// Weights of the block bytes of a row whose first inner pixel (x = 1) has
// site `odd` and whose next pixel has site `even`.
void buildRow(Site even, Site odd, RowWeights& r)
{
    Weights w[2][3];
    siteWeights(odd, w[0]);
    siteWeights(even, w[1]);
    for (int j = 0; j < kBlock; ++j) {
        const Weights& k = w[(j / 3) & 1][j % 3];
        r.own[j] = k.own;
        r.lr[j] = k.lr;
        r.ud[j] = k.ud;
        r.dg[j] = k.dg;
    }
}

// One block of n (<= kBlock) bytes; all pointers at the block's first byte.
// The fixed trip count of full blocks lets the compiler keep the whole block
// in vector registers.
template <int N>
[[gnu::always_inline]] inline void blockBytes(const std::uint8_t* __restrict up, const std::uint8_t* __restrict mid,
                       const std::uint8_t* __restrict dn, std::uint8_t* __restrict out, const RowWeights& w,
                       int n = N)
{
    for (int j = 0; j < n; ++j) {
        const std::uint16_t lr = std::uint16_t(mid[j - 3] + mid[j + 3]);
        const std::uint16_t ud = std::uint16_t(up[j] + dn[j]);
        const std::uint16_t dg = std::uint16_t(up[j - 3] + up[j + 3] + dn[j - 3] + dn[j + 3]);
        const std::uint16_t sum =
            std::uint16_t(w.own[j] * mid[j] + w.lr[j] * lr + w.ud[j] * ud + w.dg[j] * dg);
        out[j] = static_cast<std::uint8_t>(sum >> 2);
    }
}

// The row loop, built once for any processor and once for AVX2.
[[gnu::always_inline]] inline void rebuildRowsBody(const Bitmap24& src, Bitmap24& dst, const RowWeights rows[2])
{
    const int w = src.width(), h = src.height();
    const int bytes = 3 * (w - 2);   // inner bytes of a row
    const int full = bytes - bytes % kBlock;
    for (int y = 1; y < h - 1; ++y) {
        const RowWeights& rw = rows[y & 1];
        const std::uint8_t* up = src.scanLine(y - 1) + 3;
        const std::uint8_t* mid = src.scanLine(y) + 3;
        const std::uint8_t* dn = src.scanLine(y + 1) + 3;
        std::uint8_t* out = dst.scanLine(y) + 3;
        int i = 0;
        for (; i < full; i += kBlock)
            blockBytes<kBlock>(up + i, mid + i, dn + i, out + i, rw);
        if (i < bytes)
            blockBytes<kBlock>(up + i, mid + i, dn + i, out + i, rw, bytes - i);
    }
}

void rebuildRowsPortable(const Bitmap24& src, Bitmap24& dst, const RowWeights rows[2])
{
    rebuildRowsBody(src, dst, rows);
}

__attribute__((target("avx2"))) void rebuildRowsAvx2(const Bitmap24& src, Bitmap24& dst, const RowWeights rows[2])
{
    rebuildRowsBody(src, dst, rows);
}

void rebuildRows(const Bitmap24& src, Bitmap24& dst, const RowWeights rows[2])
{
    if (detail::UseAvx2Clone())
        rebuildRowsAvx2(src, dst, rows);
    else
        rebuildRowsPortable(src, dst, rows);
}

} // namespace

void DebayerFrame(const Bitmap24& source, Bitmap24& destination, int mode)
{
    const Bitmap24* src = &source;
    if (src == &destination) {
        // The rebuild reads every source pixel after its neighbours were
        // written: work from a copy, kept for the next frame.
        thread_local Bitmap24 copy;
        copy.resize(source.width(), source.height());
        if (!source.isEmpty())
            std::copy(source.bits(), source.bits() + source.byteCount(), copy.bits());
        src = &copy;
    }
    destination.resize(src->width(), src->height());
    if (mode < 1 || mode > 4 || src->width() < 3 || src->height() < 3)
        return;
    const Site* s = kSites[mode - 1];
    // rows[p] for rows of parity p; x = 1 is odd, its neighbour even.
    RowWeights rows[2];
    buildRow(s[0], s[1], rows[0]);
    buildRow(s[2], s[3], rows[1]);
    rebuildRows(*src, destination, rows);
}

} // namespace kernels
