#pragma once
// TcpCoord: a two-dimensional pad. A thumb marks a point (X, Y) on an integer
// grid; the mouse, the keyboard and four arrow buttons at the edges (which
// repeat while held) move it. A border of 15 pixels holds the arrows; each
// grid step is a cell of whole pixels, and the pad sizes itself to a whole
// number of cells. Where whole cells would reach past its window's edges
// (a camera's pan and tilt: more steps than pixels), the pad keeps the size
// asked instead, within its window, and the cells are fractions of a pixel
// (positions stay in proportion). A pad in a scrolled page is not held to
// the room left below it on screen: the page scrolls, the pad keeps whole
// cells (up to a screen's size).
//
// TcpSpeedButton: the auto-repeat arrow button. Held, it clicks once after
// InitialPause ms, then every RepeatPause ms; a short click clicks once.

#include <QFrame>
#include <QToolButton>
#include <cstdint>
#include <functional>

class QTimer;

class TcpSpeedButton : public QToolButton {
    Q_OBJECT
public:
    explicit TcpSpeedButton(QWidget* parent = nullptr);

    int InitialPause = 400;
    int RepeatPause = 100;

    // The repeat timer (null before the first press) and one of its ticks;
    // tests tick it themselves.
    QTimer* RepeatTimer() const { return timer_; }
    void RepeatTick();

    // Runs on every click, repeated or not.
    std::function<void()> OnStep;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QTimer* timer_ = nullptr;
    bool repeated_ = false;
};

enum class TCroixstyle { csCross, csCircle, csDiamond, csSquare, csCoordinates };

class TcpCoord : public QFrame {
    Q_OBJECT
    Q_PROPERTY(int XCoordinate READ XCoordinate WRITE SetXCoordinate)
    Q_PROPERTY(int YCoordinate READ YCoordinate WRITE SetYCoordinate)
public:
    explicit TcpCoord(QWidget* parent = nullptr);

    using CoordEvent = std::function<void(TcpCoord* sender, int x, int y)>;
    CoordEvent OnCoordChange;
    CoordEvent OnXCoordChange;
    CoordEvent OnYCoordChange;

    static constexpr int kBorder = 15;

    int Xmin() const { return xmin_; }
    int Xmax() const { return xmax_; }
    int Ymin() const { return ymin_; }
    int Ymax() const { return ymax_; }
    int XStep() const { return xstep_; }
    int YStep() const { return ystep_; }
    int XCoordinate() const { return x_; }
    int YCoordinate() const { return y_; }
    // Pixels per grid step (fractional only when the parent limits the pad).
    double CellWidth() const { return cellW_; }
    double CellHeight() const { return cellH_; }

    // Each range writer puts the far end and the point back on the grid;
    // a point outside the range goes to its start.
    void SetXmin(int v);
    void SetXmax(int v);
    void SetYmin(int v);
    void SetYmax(int v);
    void SetRanges(int xmin, int xmax, int ymin, int ymax);
    // 0 is ignored; the step takes the direction of the range.
    void SetXStep(int v);
    void SetYStep(int v);
    // A value outside the pad's range is ignored; otherwise it is taken and
    // OnXCoordChange (OnYCoordChange) then OnCoordChange run.
    void SetXCoordinate(int v);
    void SetYCoordinate(int v);
    // Both clamped to the range; notifications for what changed.
    void SetCoordinates(int x, int y);
    // Asks for a size; the pad rounds it to whole cells (see above).
    void SetPadSize(int width, int height);

    void SetInitialPause(int ms);
    void SetRepeatPause(int ms);
    void SetFlat(bool flat);

    std::uint32_t ColorZone = 0x808000;      // colours as 0x00BBGGRR
    std::uint32_t ColorCoord = 12634320;
    TCroixstyle ThumbStyle = TCroixstyle::csCoordinates;
    QString CoordFormat = QStringLiteral("[x]×[y]");
    void SetColorZone(std::uint32_t c);
    void SetColorCoord(std::uint32_t c);
    void SetThumbStyle(TCroixstyle style);
    void SetCoordFormat(const QString& format);

    // The text of the coordinates thumb for the current point.
    QString ThumbText() const;
    // The thumb's centre in the pad's pixels.
    QPointF ThumbCentre() const;

    TcpSpeedButton* LeftButton() const { return left_; }
    TcpSpeedButton* RightButton() const { return right_; }
    TcpSpeedButton* UpButton() const { return up_; }
    TcpSpeedButton* DownButton() const { return down_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    void layoutPad();
    void fitCells();
    // Whether the pad lies in the content of a scroll area.
    bool inScrolledPage() const;
    void pointAt(QPoint p);
    void xChanged();
    void yChanged();

    int xmin_ = 1, xmax_ = 100, ymin_ = 1, ymax_ = 100;
    int xstep_ = 1, ystep_ = 1;
    int x_ = 50, y_ = 50;
    double cellW_ = 1, cellH_ = 1;
    int wantW_ = 200, wantH_ = 200;
    QSize laidSize_;   // the size the pad last gave itself
    bool laying_ = false;
    TcpSpeedButton* left_;
    TcpSpeedButton* right_;
    TcpSpeedButton* up_;
    TcpSpeedButton* down_;
};
