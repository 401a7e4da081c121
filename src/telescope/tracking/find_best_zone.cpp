#include "telescope/tracking/find_best_zone.h"

#include "kernels/jpeg_measure.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace Align_V {

namespace {

// Stretches the qw x qh block at (x0, y0) of src over the top-left w x h
// of dst (nearest pixel). A source row that serves several rows is
// stretched once and copied.
void stretchCopy(const kernels::Bitmap24& src, int x0, int y0, int qw, int qh, kernels::Bitmap24& dst, int w, int h)
{
    // The source column of each target column, in bytes; grows only.
    static thread_local std::vector<int> columns;
    if (columns.size() < std::size_t(w))
        columns.resize(std::size_t(w));
    for (int x = 0; x < w; ++x)
        columns[std::size_t(x)] = 3 * std::clamp(x0 + int(std::int64_t(x) * qw / w), 0, src.width() - 1);
    const int* col = columns.data();
    int previousRow = -1;
    const std::uint8_t* previousOut = nullptr;
    for (int y = 0; y < h; ++y) {
        const int sy = std::clamp(y0 + int(std::int64_t(y) * qh / h), 0, src.height() - 1);
        std::uint8_t* out = dst.scanLine(y);
        if (sy == previousRow) {
            std::memcpy(out, previousOut, std::size_t(w) * 3);
            continue;
        }
        const std::uint8_t* in = src.scanLine(sy);
        for (int x = 0; x < w; ++x) {
            const std::uint8_t* p = in + col[x];
            out[3 * x] = p[0];
            out[3 * x + 1] = p[1];
            out[3 * x + 2] = p[2];
        }
        previousRow = sy;
        previousOut = out;
    }
}

} // namespace

std::optional<QPoint> FindBestZoneCentre(const kernels::Bitmap24& frame, int width, int height, int quality)
{
    width = std::min(width, frame.width());
    height = std::min(height, frame.height());
    if (width <= 0 || height <= 0)
        return std::nullopt;
    static thread_local kernels::Bitmap24 scratch;
    int cx = width / 2;
    int cy = height / 2;
    int w = width;
    int h = height;
    while (w > 40) {
        w /= 2;
        h /= 2;
        const int qw = w / 2;
        const int qh = h / 2;
        // A wide, short frame runs out of rows first.
        if (qw <= 0 || qh <= 0)
            break;
        // Grows only: a smaller round reuses the bitmap of the first.
        if (scratch.width() < w || scratch.height() < h)
            scratch.resize(std::max(w, scratch.width()), std::max(h, scratch.height()));
        const int ox = cx - qw;
        const int oy = cy - qh;
        std::int64_t best = 0;
        for (int j = 0; j < 2; ++j) {
            for (int i = 0; i < 2; ++i) {
                const int x0 = ox + i * qw;
                const int y0 = oy + j * qh;
                stretchCopy(frame, x0, y0, qw, qh, scratch, w, h);
                const std::int64_t size = kernels::JpegCompressedSize(scratch, kernels::Rect{0, 0, w, h}, quality);
                // A later quarter wins a tie.
                if (size >= best) {
                    cx = x0 + qw / 2;
                    cy = y0 + qh / 2;
                    best = size;
                }
            }
        }
    }
    return QPoint(cx, cy);
}

} // namespace Align_V
