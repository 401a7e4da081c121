#pragma once
// What is drawn over the views: the outline of the display zone, the
// markers of the tracked stars, the reticle with its circles, scale and
// orientation cross, the comparison picture, the time and level texts; and
// the routines that clear the views and bitmaps to black.

#include "kernels/bitmap24.h"
#include "kernels/raster.h"

#include <QString>
#include <QSize>
#include <QStringList>
#include <QVector>
#include <cstdint>
#include <cstdlib>

class QFont;

namespace Align_V {

// Colour values (red in the low byte).
constexpr kernels::Colour kRed = 255;
constexpr kernels::Colour kGreen = 65280;
constexpr kernels::Colour kOlive = 32896;

// A solid copy pen of width 1: lines leave out their end point, as the
// views' pens do; pixels outside the bitmap are skipped.
class SolidPen {
public:
    SolidPen(kernels::Bitmap24& target, kernels::Colour colour) : target_(target), colour_(colour) {}
    void moveTo(std::int64_t x, std::int64_t y)
    {
        x_ = x;
        y_ = y;
    }
    void lineTo(std::int64_t x, std::int64_t y)
    {
        line(x_, y_, x, y);
        x_ = x;
        y_ = y;
    }
    void line(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1)
    {
        const std::int64_t dx = std::llabs(x1 - x0), dy = std::llabs(y1 - y0);
        const std::int64_t sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
        std::int64_t err = dx - dy;
        // Long lines only need their part inside the bitmap; the walk is
        // bounded by the line's length, which callers keep small.
        while (x0 != x1 || y0 != y1) {
            plot(x0, y0);
            const std::int64_t e2 = 2 * err;
            if (e2 > -dy) {
                err -= dy;
                x0 += sx;
            }
            if (e2 < dx) {
                err += dx;
                y0 += sy;
            }
        }
    }
    void plot(std::int64_t x, std::int64_t y)
    {
        if (x >= 0 && y >= 0 && x < target_.width() && y < target_.height())
            kernels::setPixel(target_, int(x), int(y), colour_);
    }

private:
    kernels::Bitmap24& target_;
    kernels::Colour colour_;
    std::int64_t x_ = 0, y_ = 0;
};

// Fills the bitmap white and draws the dotted not-xor olive outline of rect
// (right and bottom exclusive). Pen widths other than 1 draw width 1.
void DrawZoneRect(kernels::Bitmap24& bitmap, const kernels::Rect& rect, std::int32_t penWidth);

// Merges the outline bitmap DrawZoneRect drew around srcRect onto dstRect of
// `view` (MergePaint, white leaves the view alone), as stretchBlt does over
// the whole of dstRect; at the same size only the outline's four edges are
// walked.
void MergeZoneOutline(kernels::Bitmap24& view, const kernels::Rect& dstRect, const kernels::Bitmap24& outline,
                      const kernels::Rect& srcRect);

// The marker of a zone around (x, y): shape 0 square, 1 circle, other none;
// centre mark 0 cross, 1 single pixel, other none. Outlines only.
void DrawZoneMarker(kernels::Bitmap24& canvas, std::int32_t x, std::int32_t y, std::int32_t halfSize,
                    kernels::Colour colour, std::uint8_t shape, std::uint8_t centreMark);

// The scale of the reticle for an image scale (seconds of arc per pixel)
// and a frame width: the circle step in seconds of arc, and each circle's
// radius in pixels with its label. A scale that is not a positive number
// gives no circles; circles beyond any view are left out.
struct ReticleScale {
    double pixelsPerArcsec = 0;
    int stepArcsec = 0;
    QVector<int> radii;
    QStringList labels;
};
ReticleScale ComputeReticleScale(double sampling, int frameWidth);

// Draws the reticle into the overlay bitmap at (x, y).
void DrawReticle(std::int32_t x, std::int32_t y, bool showCross, double sampling, double orientation,
                 bool showCircles, std::uint8_t slot);
// Draws the measurement window's comparison picture so that its reference
// point lands on (x, y); a picture without pixels is skipped.
void DrawOverlayPicture(std::int32_t x, std::int32_t y);

void ClearImage1();
void ClearImage2();
void ClearImage3();
void ClearOverlay();
void ClearSlotBitmap(int slot, int index);

// Text of the views: drawn with its top-left corner at (x, y), background
// left as it is.
void TextOut(kernels::Bitmap24& bitmap, int x, int y, const QString& text, kernels::Colour colour);
// Width and height of a text as TextOut draws it.
QSize TextExtent(const QString& text);
// The font of the views' texts.
QFont ViewFont();

} // namespace Align_V
