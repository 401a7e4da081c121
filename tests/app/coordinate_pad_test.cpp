// The coordinate pad and its repeating arrow buttons.

#include "app/controls/coord_pad.h"

#include <QTest>
#include <QTimer>
#include <QScrollArea>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

struct Recorder {
    QStringList calls;
    void attach(TcpCoord& pad)
    {
        pad.OnXCoordChange = [this](TcpCoord*, int x, int y) { calls << QStringLiteral("X %1 %2").arg(x).arg(y); };
        pad.OnYCoordChange = [this](TcpCoord*, int x, int y) { calls << QStringLiteral("Y %1 %2").arg(x).arg(y); };
        pad.OnCoordChange = [this](TcpCoord*, int x, int y) { calls << QStringLiteral("C %1 %2").arg(x).arg(y); };
    }
};

} // namespace

TEST(CoordinatePad, GeometryFollowsTheRangeAndStaysInsideItsParent)
{
    TcpCoord pad;
    EXPECT_EQ(pad.ThumbText(), QStringLiteral("50×50"));
    EXPECT_DOUBLE_EQ(pad.CellWidth(), 2);
    EXPECT_EQ(pad.width(), 230);
    EXPECT_EQ(pad.height(), 230);
    EXPECT_DOUBLE_EQ(pad.ThumbCentre().x(), 49 * 2 + 1 + 15);

    // A pad under 30 pixels keeps cells of one pixel.
    pad.SetPadSize(20, 10);
    EXPECT_DOUBLE_EQ(pad.CellWidth(), 1);
    EXPECT_EQ(pad.width(), 130);

    // Pan and tilt of a camera: far more steps than pixels.
    QWidget parent;
    parent.resize(400, 300);
    auto* wide = new TcpCoord(&parent);
    wide->SetRanges(-36000, 36000, -100, 100);
    wide->SetPadSize(200, 200);
    EXPECT_EQ(wide->width(), 200) << "the size asked, not the parent's";
    EXPECT_EQ(wide->height(), 231) << "201 steps still fit at a pixel each";
    wide->SetCoordinates(0, 0);
    EXPECT_NEAR(wide->ThumbCentre().x(), 100, 1);
    wide->SetCoordinates(36000, 0);
    EXPECT_NEAR(wide->ThumbCentre().x(), 185, 1);
    // The mouse maps back in proportion.
    QTest::mouseClick(wide, Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_NEAR(wide->XCoordinate(), 0, 500);
}

// A pad placed by its window's design, as the window sets its ranges before
// it shows: the design's size is the size asked, the pad stays whole in the
// window wherever it stands, and small ranges keep cells of whole pixels.
TEST(CoordinatePad, APadKeepsItsDesignSizeWholeInItsWindow)
{
    QWidget window;
    window.resize(670, 500);
    auto* panTilt = new TcpCoord(&window);
    panTilt->setGeometry(105, 392, 140, 100);
    panTilt->SetRanges(-36000, 36000, -36000, 36000);
    auto* low = new TcpCoord(&window);
    low->setGeometry(300, 440, 100, 100);
    low->SetRanges(-36000, 36000, -36000, 36000);
    auto* mixer = new TcpCoord(&window);
    mixer->SetRanges(0, 64, 0, 32);
    mixer->SetPadSize(64, 32);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(panTilt->geometry(), QRect(105, 392, 140, 100));
    EXPECT_EQ(low->geometry(), QRect(300, 440, 100, 60)) << "cut to the room below it";
    EXPECT_EQ(mixer->size(), QSize(95, 63));
    EXPECT_DOUBLE_EQ(mixer->CellWidth(), 1);

    // A pad in a scrolled page with 40 pixels left below its top edge: the
    // page scrolls, the pad keeps a pixel per step, its lowest row a click.
    QWidget small;
    auto* scroll = new QScrollArea(&small);
    scroll->setWidgetResizable(true);
    auto* page = new QWidget;
    auto* rows = new QVBoxLayout(page);
    rows->addSpacing(100);
    auto* scrolled = new TcpCoord(page);
    rows->addWidget(scrolled);
    rows->addStretch();
    scrolled->SetRanges(0, 64, 0, 32);
    scroll->setWidget(page);
    scroll->resize(300, 400);
    small.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&small));
    small.resize(300, scrolled->mapTo(&small, QPoint(0, 0)).y() + 40);
    scroll->resize(small.size());
    ASSERT_EQ(small.height() - scrolled->mapTo(&small, QPoint(0, 0)).y(), 40);
    scrolled->SetPadSize(64, 32);   // as its window asks again when activated
    EXPECT_EQ(scrolled->size(), QSize(95, 63));
    scroll->ensureWidgetVisible(scrolled, 0, 0);
    QTest::mouseClick(scrolled, Qt::LeftButton, {}, QPoint(15, 63 - 16));
    EXPECT_EQ(scrolled->YCoordinate(), 32);
}

TEST(CoordinatePad, StepsAndRangesKeepThePointOnTheGrid)
{
    TcpCoord pad;
    pad.SetXStep(3);
    EXPECT_EQ(pad.Xmax(), 100);
    pad.SetXStep(7);
    EXPECT_EQ(pad.Xmax(), 99);
    pad.SetXStep(0);
    EXPECT_EQ(pad.XStep(), 7);
    pad.SetXStep(-2);   // takes the range's direction
    EXPECT_EQ(pad.XStep(), 2);

    // Xmin above Xmax: a falling range, the step falls too.
    TcpCoord falling;
    falling.SetRanges(100, 1, 1, 100);
    EXPECT_EQ(falling.XStep(), -1);
    EXPECT_EQ(falling.XCoordinate(), 50);
    falling.SetCoordinates(500, 50);
    EXPECT_EQ(falling.XCoordinate(), 100);
    falling.SetXmin(40);   // 50 is out of 40..1 now
    EXPECT_EQ(falling.XCoordinate(), 40);
}

TEST(CoordinatePad, WritersTestThePadsOwnRangeAndNotifyXThenCoord)
{
    TcpCoord pad;
    Recorder r;
    r.attach(pad);
    pad.SetRanges(-200, 1000, -100, 100);
    pad.SetXCoordinate(300);
    EXPECT_EQ(pad.XCoordinate(), 300);
    pad.SetYCoordinate(-50);
    EXPECT_EQ(pad.YCoordinate(), -50);
    pad.SetXCoordinate(1001);
    EXPECT_EQ(pad.XCoordinate(), 300);
    EXPECT_EQ(r.calls, (QStringList{"X 300 50", "C 300 50", "Y 300 -50", "C 300 -50"}));

    // Through the properties the settings use.
    r.calls.clear();
    pad.setProperty("XCoordinate", 10);
    EXPECT_EQ(pad.property("XCoordinate").toInt(), 10);
    pad.SetCoordinates(5000, 5000);
    EXPECT_EQ(r.calls, (QStringList{"X 10 -50", "C 10 -50", "X 1000 -50", "C 1000 -50", "Y 1000 100", "C 1000 100"}));
    pad.SetCoordinates(1000, 100);
    EXPECT_EQ(r.calls.size(), 6);
}

TEST(CoordinatePad, KeysMouseAndHeldArrowsMoveThePoint)
{
    TcpCoord pad;
    pad.show();
    QTest::keyClick(&pad, Qt::Key_Right);
    QTest::keyClick(&pad, Qt::Key_PageUp);
    EXPECT_EQ(pad.XCoordinate(), 51);
    EXPECT_EQ(pad.YCoordinate(), 49);
    QTest::keyClick(&pad, Qt::Key_3, Qt::KeypadModifier);
    EXPECT_EQ(pad.XCoordinate(), 52);
    EXPECT_EQ(pad.YCoordinate(), 50);
    QTest::keyClick(&pad, Qt::Key_Home);
    EXPECT_EQ(pad.XCoordinate(), 1);
    QTest::keyClick(&pad, Qt::Key_End);
    EXPECT_EQ(pad.YCoordinate(), 100);

    // x = Xmin + ((px - 15) div cell) * step, with cells of 2 pixels.
    QTest::mouseClick(&pad, Qt::LeftButton, {}, QPoint(15 + 2 * 20 + 1, 15 + 2 * 9));
    EXPECT_EQ(pad.XCoordinate(), 21);
    EXPECT_EQ(pad.YCoordinate(), 10);

    // A short click moves once; a held arrow after 400 ms, then every 100.
    TcpSpeedButton* right = pad.RightButton();
    QTest::mouseClick(right, Qt::LeftButton);
    EXPECT_EQ(pad.XCoordinate(), 22);
    QTest::mousePress(right, Qt::LeftButton);
    ASSERT_NE(right->RepeatTimer(), nullptr);
    EXPECT_TRUE(right->RepeatTimer()->isActive());
    EXPECT_EQ(right->RepeatTimer()->interval(), 400);
    EXPECT_EQ(pad.XCoordinate(), 22);
    right->RepeatTick();
    EXPECT_EQ(pad.XCoordinate(), 23);
    EXPECT_EQ(right->RepeatTimer()->interval(), 100);
    right->RepeatTick();
    EXPECT_EQ(pad.XCoordinate(), 24);
    QTest::mouseRelease(right, Qt::LeftButton);
    EXPECT_EQ(pad.XCoordinate(), 24);
    EXPECT_FALSE(right->RepeatTimer()->isActive());
}
