#pragma once
// Stand-in for the shared coordinate pad until it lands: a square the user
// clicks or drags in, with an X and a Y coordinate over their own ranges.
// Setting a coordinate that changes runs the change handler, as the pad does.

#include <QWidget>
#include <functional>

class TPanTiltPad : public QWidget {
    Q_OBJECT
public:
    explicit TPanTiltPad(QWidget* parent = nullptr);

    double Xmin = 0, Xmax = 100, Ymin = 0, Ymax = 100;
    double XCoordinate() const { return x_; }
    double YCoordinate() const { return y_; }
    void SetXCoordinate(double x);
    void SetYCoordinate(double y);
    std::function<void()> OnXCoordChange;
    std::function<void()> OnYCoordChange;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;

private:
    void moveTo(const QPointF& p);
    double x_ = 0, y_ = 0;
};
