#include "kernels/debayer.h"

#include "kernels/clone_route.h"
#include "kernels/row_pool.h"

#include <algorithm>
#include <cstring>

#include <cstddef>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define NJ_DEBAYER_AVX2 1
#endif

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

// The byte (blue 0, green 1, red 2) that carries a site's own colour. Every
// output byte reads only sites of its own colour, so the rebuild works from
// one byte a site: a row of samples.
constexpr int ownByte(Site s) { return s == Red ? 2 : s == Blue ? 0 : 1; }

// The five values a pixel's bytes are made of, from the samples around it.
enum Term : std::uint8_t { Own, LeftRight, UpDown, Sides, Diagonals };

// Terms of blue, green, red at a site: at a red site red is its own sample,
// green the mean of the four side neighbours and blue the mean of the four
// diagonals (blue sites the other way round); a green site takes the colour
// of its row from left and right and the other colour from above and below.
constexpr Term kTerms[4][3] = {
    {Diagonals, Sides, Own},      // Red
    {Own, Sides, Diagonals},      // Blue
    {UpDown, Own, LeftRight},     // GreenRedRow
    {LeftRight, Own, UpDown},     // GreenBlueRow
};

// One row's sites: odd columns (the first inner pixel, x = 1) and even ones.
struct RowSites {
    Site odd, even;
};

RowSites rowSites(const Site* s, int y)
{
    const Site* p = s + 2 * (y & 1);
    return {p[1], p[0]};
}

// --- the copy for any processor ---

void sampleRowPortable(const std::uint8_t* __restrict src, std::uint8_t* __restrict plane, int from, int width,
                       RowSites sites)
{
    const int e = ownByte(sites.even), o = ownByte(sites.odd);
    for (int x = from; x < width; ++x)
        plane[x] = src[3 * x + ((x & 1) ? o : e)];
}

inline unsigned termValue(Term t, unsigned own, unsigned lr, unsigned ud, unsigned diag)
{
    switch (t) {
    case Own:
        return own;
    case LeftRight:
        return lr >> 1;
    case UpDown:
        return ud >> 1;
    case Sides:
        return (lr + ud) >> 2;
    case Diagonals:
        break;
    }
    return diag >> 2;
}

// Output pixels from .. width - 2 of a row; u, m and d are the samples of the
// rows above, at and below it.
void siteRowPortable(const std::uint8_t* __restrict u, const std::uint8_t* __restrict m,
                     const std::uint8_t* __restrict d, std::uint8_t* __restrict out, int from, int width,
                     RowSites sites)
{
    for (int x = from; x < width - 1; ++x) {
        const unsigned own = m[x];
        const unsigned lr = unsigned(m[x - 1]) + m[x + 1];
        const unsigned ud = unsigned(u[x]) + d[x];
        const unsigned diag = unsigned(u[x - 1]) + u[x + 1] + d[x - 1] + d[x + 1];
        const Term* t = kTerms[(x & 1) ? sites.odd : sites.even];
        for (int c = 0; c < 3; ++c)
            out[3 * x + c] = static_cast<std::uint8_t>(termValue(t[c], own, lr, ud, diag));
    }
}

// --- the AVX2 copy: 16 pixels a step, the same sums in 16-bit lanes ---

#ifdef NJ_DEBAYER_AVX2

// Shuffle masks of one row kind.
struct RowMasks {
    __m128i sample[3];    // pick each pixel's own byte out of 48 source bytes
    __m128i oddLanes;     // lanes of odd columns (the step starts at an odd x)
    std::uint8_t oddTerm[3], evenTerm[3];
};

// Spreads blue, green and red planes of 16 pixels into 48 interleaved bytes.
struct Interleave {
    __m128i spread[3][3];   // [output vector][channel]
};

void buildMasks(RowSites sites, RowMasks& r)
{
    alignas(16) std::uint8_t m[3][16];
    // Sample steps start at even x.
    for (int v = 0; v < 3; ++v)
        for (int k = 0; k < 16; ++k) {
            const int index = 3 * k + ((k & 1) ? ownByte(sites.odd) : ownByte(sites.even)) - 16 * v;
            m[v][k] = (index >= 0 && index < 16) ? std::uint8_t(index) : 0x80;
        }
    for (int v = 0; v < 3; ++v)
        r.sample[v] = _mm_load_si128(reinterpret_cast<const __m128i*>(m[v]));
    alignas(16) std::uint8_t odd[16];
    for (int k = 0; k < 16; ++k)
        odd[k] = (k & 1) ? 0 : 0xff;
    r.oddLanes = _mm_load_si128(reinterpret_cast<const __m128i*>(odd));
    for (int c = 0; c < 3; ++c) {
        r.oddTerm[c] = kTerms[sites.odd][c];
        r.evenTerm[c] = kTerms[sites.even][c];
    }
}

void buildInterleave(Interleave& r)
{
    alignas(16) std::uint8_t m[16];
    for (int v = 0; v < 3; ++v)
        for (int c = 0; c < 3; ++c) {
            for (int k = 0; k < 16; ++k) {
                const int n = 16 * v + k;
                m[k] = (n % 3 == c) ? std::uint8_t(n / 3) : 0x80;
            }
            r.spread[v][c] = _mm_load_si128(reinterpret_cast<const __m128i*>(m));
        }
}

__attribute__((target("avx2"))) inline __m256i widen(const std::uint8_t* p)
{
    return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}

__attribute__((target("avx2"))) inline __m128i narrow(__m256i v)
{
    return _mm_packus_epi16(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
}

__attribute__((target("avx2"))) void sampleRowAvx2(const std::uint8_t* src, std::uint8_t* plane, int width,
                                                   const RowMasks& masks, RowSites sites)
{
    int x = 0;
    for (; x + 16 <= width; x += 16) {
        const std::uint8_t* s = src + 3 * x;
        const __m128i a = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s)), masks.sample[0]);
        const __m128i b = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 16)), masks.sample[1]);
        const __m128i c = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 32)), masks.sample[2]);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(plane + x), _mm_or_si128(_mm_or_si128(a, b), c));
    }
    sampleRowPortable(src, plane, x, width, sites);
}

__attribute__((target("avx2"))) void siteRowAvx2(const std::uint8_t* u, const std::uint8_t* m, const std::uint8_t* d,
                                                 std::uint8_t* out, int width, const RowMasks& masks,
                                                 const Interleave& il, RowSites sites)
{
    int x = 1;
    // A step reads samples x - 1 .. x + 16 and writes pixels x .. x + 15,
    // the last of which must be an inner one.
    for (; x + 17 <= width; x += 16) {
        const __m256i ml = widen(m + x - 1), mr = widen(m + x + 1);
        const __m256i ul = widen(u + x - 1), ur = widen(u + x + 1);
        const __m256i dl = widen(d + x - 1), dr = widen(d + x + 1);
        const __m256i lr = _mm256_add_epi16(ml, mr);
        const __m256i ud = _mm256_add_epi16(widen(u + x), widen(d + x));
        const __m256i dg = _mm256_add_epi16(_mm256_add_epi16(ul, ur), _mm256_add_epi16(dl, dr));
        __m128i term[5];
        term[Own] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(m + x));
        term[LeftRight] = narrow(_mm256_srli_epi16(lr, 1));
        term[UpDown] = narrow(_mm256_srli_epi16(ud, 1));
        term[Sides] = narrow(_mm256_srli_epi16(_mm256_add_epi16(lr, ud), 2));
        term[Diagonals] = narrow(_mm256_srli_epi16(dg, 2));
        __m128i channel[3];
        for (int c = 0; c < 3; ++c)
            channel[c] = _mm_blendv_epi8(term[masks.evenTerm[c]], term[masks.oddTerm[c]], masks.oddLanes);
        std::uint8_t* o = out + 3 * x;
        for (int v = 0; v < 3; ++v) {
            const __m128i bytes = _mm_or_si128(
                _mm_or_si128(_mm_shuffle_epi8(channel[0], il.spread[v][0]), _mm_shuffle_epi8(channel[1], il.spread[v][1])),
                _mm_shuffle_epi8(channel[2], il.spread[v][2]));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 16 * v), bytes);
        }
    }
    // The wide registers are left clear before the plain loop, which the
    // compiler may reach by a jump that skips the clearing on return.
    _mm256_zeroupper();
    siteRowPortable(u, m, d, out, x, width, sites);
}

#endif

// Output rows firstRow .. endRow - 1 (all inner rows). planes holds three
// rows of samples, reused as the rows move down: row y + 1 is sampled before
// row y is written. above and below, when given, are the samples of rows
// firstRow - 1 and endRow taken before any row was written (other threads
// may have written those rows of an in-place frame since).
// A source's rows: three bytes a pixel (samples picked out of them) or one
// (the samples themselves, read where they lie).
struct Rows {
    const std::uint8_t* data;
    std::ptrdiff_t stride;
    int width, bytesPerPixel;
    const std::uint8_t* row(int y) const { return data + std::ptrdiff_t(y) * stride; }
};

Rows rowsOf(const Bitmap24& b)
{
    return {b.scanLine(0), b.stride(), b.width(), 3};
}

void rebuildRows(const Rows& src, Bitmap24& dst, const Site* s, std::uint8_t* planes, int firstRow, int endRow,
                 const std::uint8_t* above, const std::uint8_t* below)
{
    const int w = src.width;
    // The samples of the rows above, at and below the row being written, and
    // the planes that may hold them.
    const std::uint8_t* rows[3];
    std::uint8_t* plane[3] = {planes, planes + w, planes + 2 * w};
    const auto take = [&](int k, int y, const std::uint8_t* saved, auto&& sample) {
        if (saved) {
            rows[k] = saved;
        } else if (src.bytesPerPixel == 1) {
            rows[k] = src.row(y);
        } else {
            sample(src.row(y), plane[k], y);
            rows[k] = plane[k];
        }
    };
    const auto rowLoop = [&](auto&& sample, auto&& sites) {
        take(0, firstRow - 1, above, sample);
        take(1, firstRow, nullptr, sample);
        for (int y = firstRow; y < endRow; ++y) {
            take(2, y + 1, y + 1 == endRow ? below : nullptr, sample);
            sites(rows[0], rows[1], rows[2], dst.scanLine(y), y);
            const std::uint8_t* first = rows[0];
            rows[0] = rows[1], rows[1] = rows[2], rows[2] = first;
            std::uint8_t* firstPlane = plane[0];
            plane[0] = plane[1], plane[1] = plane[2], plane[2] = firstPlane;
        }
    };
#ifdef NJ_DEBAYER_AVX2
    if (detail::UseAvx2Clone()) {
        RowMasks masks[2];
        buildMasks(rowSites(s, 0), masks[0]);
        buildMasks(rowSites(s, 1), masks[1]);
        Interleave il;
        buildInterleave(il);
        rowLoop([&](const std::uint8_t* in, std::uint8_t* plane,
                    int y) { sampleRowAvx2(in, plane, w, masks[y & 1], rowSites(s, y)); },
                [&](const std::uint8_t* u, const std::uint8_t* m, const std::uint8_t* d, std::uint8_t* out, int y) {
                    siteRowAvx2(u, m, d, out, w, masks[y & 1], il, rowSites(s, y));
                });
        return;
    }
#endif
    rowLoop([&](const std::uint8_t* in, std::uint8_t* plane, int y) { sampleRowPortable(in, plane, 0, w, rowSites(s, y)); },
            [&](const std::uint8_t* u, const std::uint8_t* m, const std::uint8_t* d, std::uint8_t* out, int y) {
                siteRowPortable(u, m, d, out, 1, w, rowSites(s, y));
            });
}

// Three rows of samples for the calling thread, kept for the next frame.
std::uint8_t* threadPlanes(int width)
{
    thread_local std::vector<std::uint8_t> planes;
    const std::size_t need = std::size_t(3) * std::size_t(width);
    if (planes.size() < need)
        planes.resize(need);
    return planes.data();
}

// The samples of source row y (of a bitmap: three bytes a pixel).
void sampleRow(const Bitmap24& src, const Site* s, int y, std::uint8_t* plane)
{
#ifdef NJ_DEBAYER_AVX2
    if (detail::UseAvx2Clone()) {
        RowMasks masks;
        buildMasks(rowSites(s, y), masks);
        sampleRowAvx2(src.scanLine(y), plane, src.width(), masks, rowSites(s, y));
        return;
    }
#endif
    sampleRowPortable(src.scanLine(y), plane, 0, src.width(), rowSites(s, y));
}

// Rows a thread of the pool takes at a time.
constexpr int kPieceRows = 32;

// The inner rows of a source that is not the destination, on the pool when
// it splits them.
void rebuildSeparate(const Rows& rows, int inner, Bitmap24& destination, const Site* sites, RowPool* pool)
{
    const int w = rows.width;
    if (!pool || pool->Parts(inner) <= 1) {
        rebuildRows(rows, destination, sites, threadPlanes(w), 1, inner + 1, nullptr, nullptr);
        return;
    }
    pool->RunShared(inner, kPieceRows, [&](int first, int end) {
        rebuildRows(rows, destination, sites, threadPlanes(w), first + 1, end + 1, nullptr, nullptr);
    });
}

} // namespace

void DebayerFrame(const Bitmap24& source, Bitmap24& destination, int mode, RowPool* pool)
{
    destination.resize(source.width(), source.height());
    if (mode < 1 || mode > 4 || source.width() < 3 || source.height() < 3)
        return;
    const Site* sites = kSites[mode - 1];
    const int w = source.width(), inner = source.height() - 2;
    const Rows rows = rowsOf(source);
    if (&source != &destination) {
        rebuildSeparate(rows, inner, destination, sites, pool);
        return;
    }
    if (!pool || pool->Parts(inner) <= 1) {
        rebuildRows(rows, destination, sites, threadPlanes(w), 1, inner + 1, nullptr, nullptr);
        return;
    }
    // In place, a band's first and last rows read rows its neighbours write:
    // their samples are taken before any band starts.
    const int parts = pool->Parts(inner);
    thread_local std::vector<std::uint8_t> edges;
    if (edges.size() < std::size_t(2 * parts) * std::size_t(w))
        edges.resize(std::size_t(2 * parts) * std::size_t(w));
    // Worker threads see their own thread_local: they get the rows by pointer.
    std::uint8_t* const edgeRows = edges.data();
    const auto bandOf = [&](int part, int& first, int& end) {
        first = 1 + int(std::int64_t(inner) * part / parts);
        end = 1 + int(std::int64_t(inner) * (part + 1) / parts);
    };
    for (int part = 0; part < parts; ++part) {
        int first, end;
        bandOf(part, first, end);
        sampleRow(source, sites, first - 1, edgeRows + std::ptrdiff_t(w) * (2 * part));
        sampleRow(source, sites, end, edgeRows + std::ptrdiff_t(w) * (2 * part + 1));
    }
    pool->Run(inner, [&](int part, int, int) {
        int first, end;
        bandOf(part, first, end);
        const std::uint8_t* pair = edgeRows + std::ptrdiff_t(w) * (2 * part);
        rebuildRows(rows, destination, sites, threadPlanes(w), first, end, pair, pair + w);
    });
}

void DebayerFrame(const MosaicRows& source, Bitmap24& destination, int mode, RowPool* pool)
{
    destination.resize(source.width, source.height);
    if (mode < 1 || mode > 4 || source.width < 3 || source.height < 3 || !source.data
        || (source.bytesPerPixel != 1 && source.bytesPerPixel != 3)
        || source.stride < std::ptrdiff_t(source.width) * source.bytesPerPixel)
        return;
    rebuildSeparate({source.data, source.stride, source.width, source.bytesPerPixel}, source.height - 2, destination,
                    kSites[mode - 1], pool);
}

void DebayerFrame(const Bitmap24& source, Bitmap24& destination, int mode)
{
    DebayerFrame(source, destination, mode, nullptr);
}

} // namespace kernels
