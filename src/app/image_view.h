#pragma once
// An image view of the program's windows: holds its picture as a 24-bit
// bitmap that the frame pipeline copies and draws into, and paints it over
// the control without letting the toolkit erase the background first.

#include "kernels/bitmap24.h"

#include <QImage>
#include <QWidget>

class TImageView : public QWidget {
    Q_OBJECT
public:
    explicit TImageView(QWidget* parent = nullptr);

    // Gives the view the control style of the image views: opaque, so the
    // toolkit never erases the background before painting.
    void SetOpaqueStyle();

    // The picture bitmap. After drawing into it, call Changed().
    kernels::Bitmap24& Bitmap() { return bitmap_; }
    const kernels::Bitmap24& Bitmap() const { return bitmap_; }
    // Sets the picture's size; pixels are kept when the size does not change.
    void SetPictureSize(int width, int height);
    // Asks for a repaint of the picture.
    void Changed() { update(); }

    // Replaces the picture by a copy of an image.
    void SetPicture(const QImage& picture);
    // A copy of the picture.
    QImage Picture() const;
    // Clears the picture to black (sized to the control when it has none).
    void Clear();

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    kernels::Bitmap24 bitmap_;
};
