#include "app/helpers/calc_helpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <type_traits>

using namespace CalcHelpers;

TEST(CalcHelpers, SexagesimalSplitsCarryTheSignOnTheFirstNonZeroPart)
{
    EXPECT_EQ(ArcsecToDMS(-3630), (Sexagesimal{-1, 0, 30}));
    EXPECT_EQ(ArcsecToDMS(-30), (Sexagesimal{0, 0, -30}));
    EXPECT_EQ(ArcsecToDMS(-90), (Sexagesimal{0, -1, 30}));
    EXPECT_EQ(ArcsecToDMS(45296.5), (Sexagesimal{12, 34, 56.5}));
    EXPECT_EQ(ArcsecToHMS(54000 * 5 + 34 * 900 + 32 * 15), (Sexagesimal{5, 34, 32}));
    EXPECT_NEAR(RadToHMS(std::numbers::pi).units, 12, 1e-9);

    EXPECT_EQ(HMSToArcsec(1, 0, 0), 54000);
    // Every split converts back, the sign on the minutes included.
    for (double x : {-3630.0, -90.0, -30.0, 0.0, 45296.5, -1296000.0 / 4}) {
        const Sexagesimal p = ArcsecToDMS(x);
        EXPECT_DOUBLE_EQ(DMSToArcsec(p.units, p.minutes, p.seconds), x) << x;
        const Sexagesimal h = ArcsecToHMS(x);
        EXPECT_DOUBLE_EQ(HMSToArcsec(h.units, h.minutes, h.seconds), x) << x;
    }
}

TEST(CalcHelpers, CoordinateTexts)
{
    const QString deg = QString(QChar(0x00B0));
    EXPECT_EQ(DecToStr(45296.5), " 12" + deg + " 34' 56.50\"");
    EXPECT_EQ(DecToStr(-3630), " -1" + deg + "  0' 30.00\"");
    // Between -1 and 0 degrees the minus sign is still shown.
    EXPECT_EQ(DecToStr(-1830), " -0" + deg + " 30' 30.00\"");
    EXPECT_EQ(DecToStr(-5), " -0" + deg + "  0' 5.00\"");
    EXPECT_EQ(DecToStr(119.999), "  0" + deg + "  2' 0.00\"");
    EXPECT_EQ(RAToStr(54000 * 5 + 34 * 900 + 32 * 15), "  5h 34m 32.00s");
    EXPECT_EQ(RAToStr(23.99999916 * 54000), "  0h  0m 0.00s") << "a hair below 24 h is the day's start";
    EXPECT_EQ(RAToStr(23.9999 * 54000), " 23h 59m 59.64s");
}

TEST(CalcHelpers, AnglesDirectionsAndClamps)
{
    EXPECT_DOUBLE_EQ(AddAngles(350, 20), 10);
    EXPECT_DOUBLE_EQ(AddAngles(10, -30), 340);

    EXPECT_DOUBLE_EQ(DriftDirection(0, 1, 1), 90);
    EXPECT_DOUBLE_EQ(DriftDirection(0, -1, 1), 270);
    EXPECT_DOUBLE_EQ(DriftDirection(1, 0, 1), 0);
    EXPECT_DOUBLE_EQ(DriftDirection(-1, 0, 1), 180);
    EXPECT_NEAR(DriftDirection(1, 1, std::sqrt(2.0)), 45, 1e-12);
    EXPECT_NEAR(DriftDirection(1, -1, std::sqrt(2.0)), 315, 1e-12);
    EXPECT_EQ(DriftDirection(0, 0, 0), 0);

    EXPECT_EQ(ArcCos(1 + 1e-15), 0);
    EXPECT_DOUBLE_EQ(ArcCos(-1.0000001), std::numbers::pi);
    EXPECT_DOUBLE_EQ(ArcSin(1.0000001), std::numbers::pi / 2);
}

TEST(CalcHelpers, SamplingFromFocalLengthAndPixelSize)
{
    // 5.6 micrometre pixels at 2000 mm: 0.5775 seconds of arc per pixel.
    EXPECT_NEAR(RadToArcsec(AngularSize(Millimetres(2000), Micrometres(5.6))), 0.5775, 5e-5);
    // The units are distinct types: neither a bare number nor the other unit converts.
    static_assert(!std::is_convertible_v<double, Millimetres>);
    static_assert(!std::is_convertible_v<Micrometres, Millimetres>);
    static_assert(!std::is_invocable_v<decltype(AngularSize), Micrometres, Millimetres>);
    EXPECT_NEAR(static_cast<double>(Product3(2000, 2, 0.5)), 2000, 1e-12);
}
