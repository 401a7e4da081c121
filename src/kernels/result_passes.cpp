#include "kernels/result_passes.h"

#include "kernels/clone_route.h"
#include "kernels/result_rows.h"
#include "kernels/row_pool.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <mutex>
#include <optional>

namespace kernels {

namespace {

constexpr int kLimit = DeepPlanes::kLevelLimit;
constexpr std::ptrdiff_t kRowWords = DeepPlanes::kRowWords;
// Rows a thread of the pool takes at a time: small enough that a thread the
// rest of the machine slows down holds the pass up by little, large enough
// that taking them costs nothing worth counting.
constexpr int kPieceRows = 16;

// Round to nearest, halves to even (the default rounding mode), for
// |x| < 2^51: adding and taking back 1.5 x 2^52 leaves the rounded value.
inline double roundEven(double x)
{
    constexpr double magic = 6755399441055744.0;
    return (x + magic) - magic;
}

// A correction result limited as the passes store it: 0 for NaN or below.
// Branch-free: max(0, NaN) is 0 as written here.
inline int clampWord(double v)
{
    v = 0.0 < v ? v : 0.0;
    v = v < double(kLimit) ? v : double(kLimit);
    return int(v);
}

void foldInto(const rows::Extremes& e, LevelStats& s)
{
    if (e.max < 0)
        return;
    s.min = std::min<std::int64_t>(s.min, e.min);
    s.max = std::max<std::int64_t>(s.max, e.max);
}

// The clipped sizes of a job: result pixels that lie inside the planes and,
// when a frame is added, whose whole block lies inside it.
void clipJob(const AccumulateJob& job, int B, int& W, int& H)
{
    W = std::clamp(job.width, 0, DeepPlanes::kSide);
    H = std::clamp(job.height, 0, DeepPlanes::kSide);
    if (job.frame) {
        W = std::min(W, job.frame->width() / B);
        H = std::min(H, job.frame->height() / B);
    }
}

// Adds the 2 x 2 frame blocks of one result row (frame rows y and y + 1)
// into the row of the sum plane; the first subCols blocks also take away
// those of the oldest frame of a loop.
void addRow2(std::uint16_t* P, bool zero, int W, const Bitmap24* frame, const Bitmap24* sub, int subCols, int y)
{
    const std::uint8_t* f0 = frame->scanLine(y);
    const std::uint8_t* f1 = frame->scanLine(y + 1);
    const std::uint8_t* s0 = sub ? sub->scanLine(y) : nullptr;
    const std::uint8_t* s1 = sub ? sub->scanLine(y + 1) : nullptr;
    if (!s0 || !s1)
        subCols = 0;
    for (int c = 0; c < W; ++c, P += 4) {
        const int x = c * 6;
        int a0 = f0[x] + f0[x + 3] + f1[x] + f1[x + 3];
        int a1 = f0[x + 1] + f0[x + 4] + f1[x + 1] + f1[x + 4];
        int a2 = f0[x + 2] + f0[x + 5] + f1[x + 2] + f1[x + 5];
        if (c < subCols) {
            a0 -= s0[x] + s0[x + 3] + s1[x] + s1[x + 3];
            a1 -= s0[x + 1] + s0[x + 4] + s1[x + 1] + s1[x + 4];
            a2 -= s0[x + 2] + s0[x + 5] + s1[x + 2] + s1[x + 5];
        }
        if (!zero) {
            a0 += P[0];
            a1 += P[1];
            a2 += P[2];
        } else {
            P[3] = 0;
        }
        P[0] = std::uint16_t(std::clamp(a0, 0, kLimit));
        P[1] = std::uint16_t(std::clamp(a1, 0, kLimit));
        P[2] = std::uint16_t(std::clamp(a2, 0, kLimit));
    }
}

bool hasAvx2()
{
    static const bool avx2 = __builtin_cpu_supports("avx2");
    return avx2;
}

// The row loops of one route.
struct RowRoute {
    void (*add)(const rows::AddRow&);
    void (*correct)(const rows::CorrectRow&, rows::Extremes&);
    void (*fold)(const std::uint16_t*, int, rows::Extremes&);
    void (*amounts)(const std::uint16_t*, std::uint16_t*, int, double, double);
    void (*addCorrect)(const rows::AddRow&, const rows::CorrectRow&, rows::Extremes&);
};
constexpr RowRoute kPortableRoute{rows::addRowPortable, rows::correctRowPortable, rows::foldPixelsPortable,
                                  rows::darkAmountsRowPortable, rows::addCorrectRowPortable};
constexpr RowRoute kAvx2Route{rows::addRowAvx2, rows::correctRowAvx2, rows::foldPixelsAvx2,
                              rows::darkAmountsRowAvx2, rows::addCorrectRowAvx2};

std::atomic<bool> portableOnly{false};

// The portable loops run when either switch asks for them: this file's own
// or the one of the kernels with an AVX2 copy.
const RowRoute& rowRoute()
{
    return !portableOnly.load(std::memory_order_relaxed) && hasAvx2() && detail::UseAvx2Clone() ? kAvx2Route
                                                                                                 : kPortableRoute;
}

// The tables of the corrections.
struct Corrector {
    const double* flat[3] = {nullptr, nullptr, nullptr};

    // The flat division of one pixel's words 0 to 2, in place.
    void applyFlat(int q[3], const std::uint16_t* F) const
    {
        if (!F)
            return;
        for (int k = 0; k < 3; ++k)
            q[k] = clampWord(roundEven(flat[k][F[k]] * q[k] - 0.5));
    }
};

// Sum of word k over the border of the rectangle of columns left..right
// and rows top..bottom of the sum plane.
std::int64_t borderSum(const DeepPlanes::Region& P, int k, int left, int top, int right, int bottom)
{
    if (left > right || top > bottom)
        return 0;
    std::int64_t sum = 0;
    const std::uint16_t* rt = P.row(top);
    for (int x = left; x <= right; ++x)
        sum += rt[x * 4 + k];
    if (bottom > top) {
        const std::uint16_t* rb = P.row(bottom);
        for (int x = left; x <= right; ++x)
            sum += rb[x * 4 + k];
    }
    for (int y = top + 1; y < bottom; ++y) {
        const std::uint16_t* r = P.row(y);
        sum += r[left * 4 + k];
        if (right > left)
            sum += r[right * 4 + k];
    }
    return sum;
}

// One row of the display pass: plane 5 words -> result bytes, as the job
// says. Rows are independent, so they can be shown in any order, right
// after each is corrected.
class DisplayRows {
public:
    explicit DisplayRows(const DisplayJob& job, const Bitmap24& result)
        : job_(job), L_(job.levels)
    {
        if (job.copyInto && job.copyInto->width() == result.width() && job.copyInto->height() == result.height())
            copy_ = job.copyInto;
        const bool mixed = job.mixRed.Enabled || job.mixGreen.Enabled || job.mixBlue.Enabled;
        plainColour_ = !job.grey && !mixed && job.saturation == 1.0;
        shown_ = int(job.showRed) + int(job.showGreen) + int(job.showBlue);
        mb_ = job.showBlue ? 0xFF : 0;
        mg_ = job.showGreen ? 0xFF : 0;
        mr_ = job.showRed ? 0xFF : 0;
        stretchOnVectors_ = plainColour_ && job.plainStretch && &rowRoute() == &kAvx2Route;
    }

    // Row r of plane 5 (width pixels) into row r of result.
    void row(const std::uint16_t* s, Bitmap24& result, int r, int width) const
    {
        std::uint8_t* o = result.scanLine(r);
        std::uint8_t* copy = copy_ ? copy_->scanLine(r) : nullptr;
        // The pixels the vector loop wrote to both rows, then the others.
        const int both = bytes(s, o, copy, width);
        if (copy)
            std::memcpy(copy + 3 * both, o + 3 * both, std::size_t(width - both) * 3);
    }

private:
    // Returns the pixels written to copy as well (from the start).
    int bytes(const std::uint16_t* s, std::uint8_t* o, std::uint8_t* copy, int width) const
    {
        const std::uint8_t* L = L_;
        if (plainColour_) {
            // The usual case, on its own loop: one load, three table
            // look-ups and one store a pixel. The store's fourth byte is the
            // next pixel's first, written again by the next turn.
            const std::uint32_t mask = mb_ | std::uint32_t(mg_) << 8 | std::uint32_t(mr_) << 16;
            int c = 0;
            if (stretchOnVectors_) {
                c = rows::stretchRowAvx2(s, o, copy, width, job_.low, job_.range, mask);
                s += 4 * c;
                o += 3 * c;
            }
            const int both = c;
            for (; c + 1 < width; ++c, s += 4, o += 3) {
                std::uint64_t w;
                std::memcpy(&w, s, 8);
                const std::uint32_t v = L[w & 0xFFFF] | std::uint32_t(L[(w >> 16) & 0xFFFF]) << 8
                                        | std::uint32_t(L[(w >> 32) & 0xFFFF]) << 16;
                const std::uint32_t bytes = v & mask;
                std::memcpy(o, &bytes, 4);
            }
            if (c < width) {
                o[0] = L[s[0]] & mb_;
                o[1] = L[s[1]] & mg_;
                o[2] = L[s[2]] & mr_;
            }
            return both;
        }
        const DisplayJob& job = job_;
        auto toByte = [](double v) -> std::uint8_t {
            if (!(v > 0))
                return 0;
            if (v > 255)
                return 255;
            return std::uint8_t(std::nearbyint(v));
        };
        auto mix = [](const ChannelMix& m, double own, double red, double green, double blue) {
            if (!m.Enabled)
                return own;
            return (red * m.WeightR + green * m.WeightG + blue * m.WeightB) * m.Multiplier;
        };
        for (int c = 0; c < width; ++c, s += 4, o += 3) {
            const std::uint8_t lb = L[s[0]], lg = L[s[1]], lr = L[s[2]];
            if (job.grey) {
                int sum = 0;
                if (job.showRed)
                    sum += lr;
                if (job.showGreen)
                    sum += lg;
                if (job.showBlue)
                    sum += lb;
                const std::uint8_t v = shown_ ? std::uint8_t(std::min(255, sum / shown_)) : 0;
                o[0] = o[1] = o[2] = v;
            } else {
                double vr = mix(job.mixRed, lr, lr, lg, lb);
                double vg = mix(job.mixGreen, lg, lr, lg, lb);
                double vb = mix(job.mixBlue, lb, lr, lg, lb);
                if (job.saturation != 1.0) {
                    const double mean = (vr + vg + vb) / 3;
                    vr = (vr - mean) * job.saturation + mean;
                    vg = (vg - mean) * job.saturation + mean;
                    vb = (vb - mean) * job.saturation + mean;
                }
                o[0] = job.showBlue ? toByte(vb) : 0;
                o[1] = job.showGreen ? toByte(vg) : 0;
                o[2] = job.showRed ? toByte(vr) : 0;
            }
        }
        return 0;
    }

    const DisplayJob& job_;
    const std::uint8_t* L_;
    Bitmap24* copy_ = nullptr;
    bool plainColour_ = false;
    bool stretchOnVectors_ = false;
    int shown_ = 0;
    std::uint8_t mb_ = 0, mg_ = 0, mr_ = 0;
};

} // namespace

const std::uint16_t* ResultTables::darkAmounts(double darkLevel, double darkRatio)
{
    if (darkAmounts_.size() != 65536 || darkLevel != darkAmountsLevel_ || darkRatio != darkAmountsRatio_) {
        darkAmounts_.resize(65536);
        for (int d = 0; d < 65536; ++d)
            darkAmounts_[std::size_t(d)] = std::uint16_t(rows::darkAmount(std::uint16_t(d), darkLevel, darkRatio));
        darkAmountsLevel_ = darkLevel;
        darkAmountsRatio_ = darkRatio;
    }
    return darkAmounts_.data();
}

const std::uint16_t* ResultTables::darkAmountPlane(const DeepPlanes& planes, int width, int height, double darkLevel,
                                                   double darkRatio, RowPool* pool)
{
    const AmountKey key{&planes, planes.generation(1), width, height, darkLevel, darkRatio};
    if (key == amountPlaneKey_ && key.planes)
        return amountPlane_.data();
    const bool again = key == amountAsked_;
    amountAsked_ = key;
    const DeepPlanes::ConstRegion D = planes.region(1, width, height);
    if (!again || !D)
        return nullptr;
    amountPlaneKey_ = {};
    amountPlane_.resize(std::size_t(D.height) * std::size_t(DeepPlanes::kRowWords));
    std::uint16_t* A = amountPlane_.data();
    const RowRoute& route = rowRoute();
    auto rowsOf = [&](int first, int end) {
        for (int r = first; r < end; ++r)
            route.amounts(D.row(r), A + std::ptrdiff_t(r) * DeepPlanes::kRowWords, D.width, darkLevel, darkRatio);
    };
    if (pool)
        pool->RunShared(D.height, kPieceRows, [r = &rowsOf](int first, int end) { (*r)(first, end); });
    else
        rowsOf(0, D.height);
    amountPlaneKey_ = key;
    return A;
}

const std::uint16_t* ResultTables::darkAmountSpan(const DeepPlanes& planes, int width, int height, double darkLevel,
                                                  double darkRatio)
{
    const DeepPlanes::ConstRegion D = planes.region(1, width, height);
    if (!D)
        return nullptr;
    const SpanKey key{&planes, planes.generation(1), width, height};
    if (!(key == spanKey_)) {
        // The lowest and highest word of the dark, once per dark.
        int lo = 65535, hi = 0;
        for (int r = 0; r < D.height; ++r) {
            const std::uint16_t* d = D.row(r);
            for (int c = 0; c < 4 * D.width; c += 4) {
                lo = std::min({lo, int(d[c]), int(d[c + 1]), int(d[c + 2])});
                hi = std::max({hi, int(d[c]), int(d[c + 1]), int(d[c + 2])});
            }
        }
        spanKey_ = key;
        spanLow_ = lo;
        spanHigh_ = hi;
    }
    spanAmounts_.resize(65536);
    if (darkLevel != builtLevel_ || darkRatio != builtRatio_ || spanLow_ < builtLow_ || spanHigh_ > builtHigh_) {
        std::uint16_t* t = spanAmounts_.data();
        for (int d = spanLow_; d <= spanHigh_; ++d)
            t[d] = std::uint16_t(rows::darkAmount(std::uint16_t(d), darkLevel, darkRatio));
        builtLevel_ = darkLevel;
        builtRatio_ = darkRatio;
        builtLow_ = spanLow_;
        builtHigh_ = spanHigh_;
    }
    return spanAmounts_.data();
}

const std::uint8_t* ResultTables::hotPixels(double darkLevel, std::int32_t darkFrames, std::int32_t maxLevel)
{
    if (hot_.size() != 65536 || darkLevel != hotLevel_ || darkFrames != hotFrames_ || maxLevel != hotMax_) {
        hot_.resize(65536);
        const double frames = darkFrames > 0 ? darkFrames : 1;
        const double limit = maxLevel - darkLevel;
        for (int d = 0; d < 65536; ++d)
            hot_[std::size_t(d)] = roundEven(d / frames - 0.5) > limit ? 1 : 0;
        hotLevel_ = darkLevel;
        hotFrames_ = darkFrames;
        hotMax_ = maxLevel;
    }
    return hot_.data();
}

const double* ResultTables::flatFactors(int channel, const std::array<double, 3>& means)
{
    // Compared bit for bit, so that means that are no numbers are not taken
    // for new ones on every call.
    if (!flatBuilt_ || flat_.size() != 3 * 65536 || std::memcmp(means.data(), flatMeans_.data(), sizeof means) != 0) {
        flat_.resize(3 * 65536);
        for (int k = 0; k < 3; ++k) {
            double* t = flat_.data() + std::size_t(k) * 65536;
            // A flat word of 0 or 1 multiplies by the mean instead of dividing.
            t[0] = t[1] = means[std::size_t(k)];
            for (int f = 2; f < 65536; ++f)
                t[f] = means[std::size_t(k)] / f;
        }
        flatMeans_ = means;
        flatBuilt_ = true;
    }
    return flat_.data() + std::size_t(std::clamp(channel, 0, 2)) * 65536;
}

const std::uint8_t* ResultTables::levels(std::uint16_t low, std::int32_t range, const std::int32_t* toneCurve)
{
    range = std::max<std::int32_t>(range, 1);
    const bool sameCurve = toneCurve == levelsCurve_
                           && (!toneCurve || std::equal(toneCurve, toneCurve + 256, levelsCurveCopy_.begin()));
    if (levelsBuilt_ && levels_.size() == 65536 && low == levelsLow_ && range == levelsRange_ && sameCurve)
        return levels_.data();
    levels_.resize(65536);
    auto level = [toneCurve](int v) {
        if (!toneCurve)
            return std::uint8_t(v);
        return std::uint8_t(std::clamp(v + toneCurve[v], 0, 255));
    };
    // Words up to the low threshold show level 0; above it, word w shows
    // t = (w - low) x 256 div range until t reaches 255. The words of one t
    // are a run: offsets o from low with o x 256 < (t + 1) x range, that is
    // o <= ceil((t + 1) x range / 256) - 1.
    std::uint8_t* L = levels_.data();
    std::memset(L, level(0), std::size_t(low) + 1);
    std::int64_t w = std::int64_t(low) + 1;
    for (int t = 0; t < 255 && w < 65536; ++t) {
        const std::int64_t lastOffset = ((std::int64_t(t) + 1) * range + 255) / 256 - 1;
        const std::int64_t last = std::min<std::int64_t>(std::int64_t(low) + lastOffset, 65535);
        if (last >= w) {
            std::memset(L + w, level(t), std::size_t(last - w + 1));
            w = last + 1;
        }
    }
    if (w < 65536)
        std::memset(L + w, level(255), std::size_t(65536 - w));
    levelsLow_ = low;
    levelsRange_ = range;
    levelsCurve_ = toneCurve;
    if (toneCurve)
        std::copy(toneCurve, toneCurve + 256, levelsCurveCopy_.begin());
    levelsBuilt_ = true;
    return levels_.data();
}

void FoldPlane(const DeepPlanes& planes, int plane, int width, int height, LevelStats& stats)
{
    if (!planes.isAllocated() || plane < 0 || plane > 5)
        return;
    const DeepPlanes::ConstRegion region = planes.region(plane, std::max(width, 0), std::max(height, 0));
    if (!region)
        return;
    const RowRoute& route = rowRoute();
    rows::Extremes fold;
    for (int r = 0; r < region.height; ++r)
        route.fold(region.row(r), region.width, fold);
    foldInto(fold, stats);
}

bool Accumulate(DeepPlanes& planes, const AccumulateJob& job, ResultTables& tables, LevelStats& stats)
{
    if (job.displayed)
        *job.displayed = false;
    if (!planes.isAllocated() || job.kind < 0 || job.kind > 2)
        return false;
    const int B = job.binning == 2 ? 2 : 1;
    int W, H;
    clipJob(job, B, W, H);
    if (W <= 0 || H <= 0)
        return true;

    const bool smart = job.correct && job.dark && job.darkSmart;
    // The display pass row by row behind the correction, when every word it
    // reads is written here.
    std::optional<DisplayRows> show;
    int showWidth = 0, showHeight = 0;
    if (job.display && job.displayInto && job.displayed && job.display->levels && (job.plainCopy || job.correct)
        && !smart) {
        const DeepPlanes::ConstRegion shown =
            static_cast<const DeepPlanes&>(planes).region(5, std::min(job.display->width, job.displayInto->width()),
                                                          std::min(job.display->height, job.displayInto->height()));
        if (shown && shown.width <= W && shown.height <= H) {
            show.emplace(*job.display, *job.displayInto);
            showWidth = shown.width;
            showHeight = shown.height;
        }
    }
    DeepPlanes::Region P = job.frame ? planes.overwrite(job.kind, W, H) : planes.region(job.kind, W, H);
    DeepPlanes::Region out;
    if (job.plainCopy || job.correct)
        out = planes.region(5, W, H);
    DeepPlanes::ConstRegion D, F;
    if (job.correct && job.dark)
        D = static_cast<const DeepPlanes&>(planes).region(1, W, H);
    const RowRoute& route = rowRoute();
    // The flat factors are looked up (a division per word would cost more
    // than the rest of the correction).
    Corrector corr;
    if (job.correct && job.flat) {
        F = static_cast<const DeepPlanes&>(planes).region(2, W, H);
        for (int k = 0; k < 3; ++k)
            corr.flat[k] = tables.flatFactors(k, job.flatMeans);
    }
    const bool flatOn = job.correct && job.flat;
    int subCols = 0;
    if (job.subtract) {
        subCols = std::min(W, job.subtract->width() / B);
        if (job.subtract->height() / B <= 0)
            subCols = 0;
    }
    const int subRows = job.subtract ? std::min(H, job.subtract->height() / B) : 0;

    // One walk down the rows: each row of the sum is added to, then
    // corrected into plane 5 while it is still in the cache.
    rows::CorrectRow cr;
    cr.pixels = W;
    cr.darkLevel = job.darkLevel;
    cr.darkRatio = job.darkRatio;
    for (int k = 0; k < 3; ++k) {
        cr.means[k] = job.flatMeans[std::size_t(k)];
        cr.flatFactors[k] = corr.flat[k];
    }
    // A dark applied frame after frame has its amounts worked out once;
    // otherwise the portable loops look them up in a table of every word.
    const std::uint16_t* amounts = nullptr;
    if (job.correct && job.dark && !smart) {
        amounts = tables.darkAmountPlane(planes, W, H, job.darkLevel, job.darkRatio, job.pool);
        if (!amounts && &route == &kPortableRoute)
            cr.darkTable = tables.darkAmounts(job.darkLevel, job.darkRatio);
        // Otherwise the vector loops look them up over the dark's span of
        // words: cheaper than working them out, and built for a few
        // thousand words rather than all.
        if (!amounts && &route == &kAvx2Route)
            cr.darkSpan = tables.darkAmountSpan(planes, W, H, job.darkLevel, job.darkRatio);
    }
    rows::Extremes fold;
    // Rows in pieces across the pool (when given), taken by whichever
    // thread is free; each piece folds its own extremes, combined into the
    // pass's as it ends.
    auto rowsOf = [&](int first, int end, rows::Extremes& e) {
        rows::CorrectRow row = cr;
        for (int r = first; r < end; ++r) {
            std::uint16_t* pr = P.row(r);
            // A frame added and corrected without binning: both in one
            // walk along the row.
            const bool addAndCorrect = job.frame && B == 1 && job.correct && !job.plainCopy && !smart;
            rows::AddRow a;
            if (job.frame) {
                const Bitmap24* sub = r < subRows ? job.subtract : nullptr;
                if (B == 1) {
                    a.sum = pr;
                    a.frame = job.frame->scanLine(r);
                    a.subtract = sub ? sub->scanLine(r) : nullptr;
                    a.pixels = W;
                    a.subPixels = a.subtract ? subCols : 0;
                    a.zero = P.zero;
                    if (!addAndCorrect)
                        route.add(a);
                } else {
                    addRow2(pr, P.zero, W, job.frame, sub, subCols, r * 2);
                }
            }
            if (smart)
                continue;   // corrected below, once the whole sum is there
            if (job.plainCopy) {
                std::memcpy(out.row(r), pr, std::size_t(W) * 4 * sizeof(std::uint16_t));
                route.fold(pr, W, e);
            } else if (job.correct) {
                row.sum = pr;
                row.out = out.row(r);
                row.dark = job.dark ? D.row(r) : nullptr;
                row.amounts = amounts ? amounts + std::ptrdiff_t(r) * DeepPlanes::kRowWords : nullptr;
                row.flat = flatOn ? F.row(r) : nullptr;
                row.nextRow = r + 1 < end ? DeepPlanes::kRowWords : 0;
                if (addAndCorrect)
                    route.addCorrect(a, row, e);
                else
                    route.correct(row, e);
            }
            if (show && r < showHeight)
                show->row(out.row(r), *job.displayInto, r, showWidth);
        }
    };
    if (job.pool && !smart && job.pool->Parts(H) > 1) {
        // Captured through one pointer: the piece is wrapped without
        // allocating.
        struct {
            decltype(rowsOf)& rows;
            rows::Extremes& fold;
            std::mutex combine;
        } shared{rowsOf, fold, {}};
        job.pool->RunShared(H, kPieceRows, [s = &shared](int first, int end) {
            rows::Extremes e;
            s->rows(first, end, e);
            if (e.max < 0)
                return;
            const std::lock_guard lock(s->combine);
            s->fold.min = std::min(s->fold.min, e.min);
            s->fold.max = std::max(s->fold.max, e.max);
        });
    } else {
        rowsOf(0, H, fold);
    }

    if (smart) {
        // Hot pixels take the mean of the border of their neighbourhood,
        // bounded by the zone and the rendered size.
        const std::uint8_t* hot = tables.hotPixels(job.darkLevel, job.darkFrames, job.maxLevel);
        const int Rd = std::max(job.darkRadius, 1);
        const std::int64_t divisor = 8 * std::int64_t(Rd) + 2;
        const int zl = std::max(job.zone.left, 0), zt = std::max(job.zone.top, 0);
        const int zr = std::min(job.zone.right - 1, W - 1), zb = std::min(job.zone.bottom - 1, H - 1);
        for (int r = 0; r < H; ++r) {
            const std::uint16_t* pr = P.row(r);
            const std::uint16_t* dr = D.row(r);
            const std::uint16_t* fr = F ? F.row(r) : nullptr;
            std::uint16_t* o = out.row(r);
            for (int c = 0; c < W; ++c) {
                int q[3] = {pr[c * 4], pr[c * 4 + 1], pr[c * 4 + 2]};
                for (int k = 0; k < 3; ++k) {
                    if (!hot[dr[c * 4 + k]])
                        continue;
                    const std::int64_t sum = borderSum(P, k, std::max(zl, c - Rd), std::max(zt, r - Rd),
                                                       std::min(zr, c + Rd + 1), std::min(zb, r + Rd));
                    q[k] = int(std::min<std::int64_t>(sum / divisor, kLimit));
                }
                corr.applyFlat(q, fr ? fr + c * 4 : nullptr);
                for (int k = 0; k < 3; ++k) {
                    o[c * 4 + k] = std::uint16_t(q[k]);
                    fold.min = std::min(fold.min, q[k]);
                    fold.max = std::max(fold.max, q[k]);
                }
            }
        }
    }
    foldInto(fold, stats);
    if (show)
        *job.displayed = true;
    return true;
}

void SetPassRoute(PassRoute route)
{
    portableOnly.store(route == PassRoute::Portable, std::memory_order_relaxed);
}

bool VectorRouteAvailable()
{
    return hasAvx2();
}

void DisplayPass(const DeepPlanes& planes, const DisplayJob& job, Bitmap24& result)
{
    if (!job.levels)
        return;
    const int W = std::min(job.width, result.width());
    const int H = std::min(job.height, result.height());
    const DeepPlanes::ConstRegion src = planes.region(5, W, H);
    if (!src)
        return;
    const DisplayRows rows(job, result);
    auto rowsOf = [&](int first, int end) {
        for (int r = first; r < end; ++r)
            rows.row(src.row(r), result, r, src.width);
    };
    if (job.pool)
        job.pool->RunShared(src.height, kPieceRows, [r = &rowsOf](int first, int end) { (*r)(first, end); });
    else
        rowsOf(0, src.height);
}

void LuminanceTransfer(Bitmap24& bitmap, int mode, double weightRed, double weightGreen, double weightBlue)
{
    if (mode < 1 || mode > 3)
        return;
    for (int y = 0; y < bitmap.height(); ++y) {
        std::uint8_t* p = bitmap.scanLine(y);
        for (int x = 0; x < bitmap.width(); ++x, p += 3) {
            const double B = p[0], G = p[1], R = p[2];
            double L;
            if (mode == 1)
                L = 0.3 * R + 0.59 * G + 0.11 * B;
            else
                L = std::min(255.0, R * weightRed + G * weightGreen + B * weightBlue);
            if (!(L > 0))
                L = 0;
            double M = std::max({R, G, B});
            if (M < 1)
                M = 1;
            const double div = mode == 3 ? 256.0 : M;
            for (int k = 0; k < 3; ++k)
                p[k] = std::uint8_t(std::nearbyint(std::min(255.0, p[k] / div * L)));
        }
    }
}

} // namespace kernels
