#pragma once
// An image view of the program's windows: holds its picture as a 24-bit
// bitmap that the frame pipeline copies and draws into, and paints it over
// the control without letting the toolkit erase the background first.
//
// The picture is painted from a copy in the screen's own format (32 bits a
// pixel), made at the first paint after the bitmap was handed out for
// writing (Bitmap()) or changed through the view, so a picture is converted
// once per frame however often it is painted.
//
// A picture drawn every frame can be given as a fill (Fill()): it is drawn at
// once while the view is shown, else only when the picture is next used
// (painted, read or written through the view), so a view nobody looks at
// costs nothing per frame yet never shows or hands out an older picture.

#include "kernels/bitmap24.h"

#include <QImage>
#include <QWidget>

#include <cstdint>
#include <functional>

class TImageView : public QWidget {
    Q_OBJECT
public:
    explicit TImageView(QWidget* parent = nullptr);

    // Gives the view the control style of the image views: opaque, so the
    // toolkit never erases the background before painting.
    void SetOpaqueStyle();

    // The picture bitmap. After drawing into it, call Changed().
    kernels::Bitmap24& Bitmap()
    {
        RunWaitingFill();
        stale_ = true;
        return bitmap_;
    }
    const kernels::Bitmap24& Bitmap() const
    {
        RunWaitingFill();
        return bitmap_;
    }
    // Draws the picture with `fill` (which draws through Bitmap()): now when
    // the view is visible, else at the picture's next use. A fill still
    // waiting is dropped, so `fill` must draw all that the last one did.
    void Fill(std::function<void()> fill);
    // True while a fill waits for the picture's next use.
    bool FillWaiting() const { return bool(waitingFill_); }
    // The picture's size, without drawing a waiting fill (a fill never
    // changes it).
    QSize PictureSize() const { return {bitmap_.width(), bitmap_.height()}; }
    // Sets the picture's size; pixels are kept when the size does not change.
    void SetPictureSize(int width, int height);
    // Asks for a repaint of the picture.
    void Changed()
    {
        stale_ = true;
        update();
        pictureChanged();
    }
    // How many times the picture has changed (drawn, resized, replaced,
    // cleared, or given a fill to draw).
    std::uint64_t Changes() const { return changes_; }

signals:
    // The picture changed (see Changes()).
    void PictureChanged();

public:
    // Replaces the picture by a copy of an image.
    void SetPicture(const QImage& picture);
    // A copy of the picture.
    QImage Picture() const;
    // Clears the picture to black (sized to the control when it has none).
    void Clear();

protected:
    void paintEvent(QPaintEvent* e) override;

    // The picture in the screen's format as the next paint shows it.
    const QImage& ScreenPicture();

private:
    void RunWaitingFill() const;
    void pictureChanged()
    {
        ++changes_;
        emit PictureChanged();
    }

    mutable std::function<void()> waitingFill_;
    kernels::Bitmap24 bitmap_;
    QImage screen_;        // bitmap_ as 0xffRRGGBB words
    bool stale_ = true;    // screen_ may differ from bitmap_
    std::uint64_t changes_ = 0;
};

namespace app {
// Bytes blue, green, red of `pixels` pixels -> words 0xffRRGGBB.
void Bgr24ToRgb32(const std::uint8_t* from, std::uint32_t* to, int pixels);
void Bgr24ToRgb32Portable(const std::uint8_t* from, std::uint32_t* to, int pixels);
} // namespace app
