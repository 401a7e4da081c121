#pragma once
// A colour panel: a framed rectangle filled with one colour, which the user
// clicks to choose another (sky-chart object colours, night colour schemes).
//
// The colour is kept as the program stores colours: red in the low byte,
// green in the second, blue in the third (255 red, 65280 green, 16711680
// blue). A negative value is a system-colour constant of stored schemes; it
// is kept as it is and shown in the palette's window colour.

#include <QFrame>
#include <QtGlobal>

class QColor;

class TColorPanel : public QFrame {
    Q_OBJECT
    Q_PROPERTY(int Color READ Color WRITE setColor)

public:
    explicit TColorPanel(QWidget* parent = nullptr);

    int Color() const { return color_; }
    void setColor(int color);

    // Conversions between the stored form and QColor.
    static QColor toQColor(int color);
    static int fromQColor(const QColor& color);

    QSize sizeHint() const override { return {40, 20}; }

signals:
    // A left click released inside the panel.
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int color_ = 0;
};
