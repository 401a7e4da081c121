#pragma once
// A captioned speed button whose caption wraps onto more lines when the
// button is narrower than the caption, instead of being cut at both ends.
// It is as tall as its wrapped caption needs at the width its layout gives
// it (height for width), and never narrower than the caption's longest word.
// The caption itself (text()) stays as set: only its drawing wraps.

#include <QToolButton>

class TWordWrapButton : public QToolButton {
    Q_OBJECT
public:
    explicit TWordWrapButton(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;

    // The part of the button the caption is drawn in: the button less its
    // frame, and a space's width left and right.
    QRect CaptionRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool wraps() const;
    int frameWidth() const;
    // Room left and right of the caption: a space on each side, as a tool
    // button's size hint gives it.
    int sidePadding() const;
};
