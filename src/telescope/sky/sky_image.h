#pragma once
// The chart window's picture: shows the chart image at its own size and
// hands mouse moves, releases and wheel steps to the chart window.

#include <QImage>
#include <QWidget>
#include <functional>

class TSkyImage : public QWidget {
    Q_OBJECT
public:
    explicit TSkyImage(QWidget* parent = nullptr);

    QImage& Picture() { return picture_; }

    std::function<void(int x, int y)> onMouseMove;
    std::function<void(Qt::MouseButton button, int x, int y, QPoint global)> onMouseUp;
    std::function<void(int delta)> onWheel;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    QImage picture_;
};
