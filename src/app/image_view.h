#pragma once
// An image view of the main window: paints its picture over the whole
// control without letting the toolkit erase the background first.

#include <QImage>
#include <QWidget>

class TImageView : public QWidget {
    Q_OBJECT
public:
    explicit TImageView(QWidget* parent = nullptr);

    // Gives the view the control style of the image views: opaque, so the
    // toolkit never erases the background before painting.
    void SetOpaqueStyle();

    void SetPicture(const QImage& picture);
    const QImage& Picture() const { return picture_; }
    // Clears the picture to black.
    void Clear();

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QImage picture_;
};
