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

// A split shown with a fixed number of decimals rounds its seconds first and
// carries: no field or text reads 60, whichever window shows it.
TEST(CalcHelpers, RoundedSplitsCarryASixtyIntoTheMinutesAndOn)
{
    const auto dms = [](double d, double m, double s) { return d * 3600 + m * 60 + s; };
    // Two decimals, as the coordinate inputs and read-outs show them.
    EXPECT_EQ(ArcsecToDMSRounded(dms(33, 1, 59.999), 2), (Sexagesimal{33, 2, 0}));
    EXPECT_EQ(ArcsecToDMSRounded(dms(33, 1, 59.995), 2), (Sexagesimal{33, 2, 0}));
    EXPECT_EQ(ArcsecToDMSRounded(dms(33, 1, 59.994), 2), (Sexagesimal{33, 1, 59.99}));
    EXPECT_EQ(ArcsecToDMSRounded(dms(33, 59, 59.999), 2), (Sexagesimal{34, 0, 0}));
    EXPECT_EQ(ArcsecToDMSRounded(dms(12, 34, 56.5), 2), (Sexagesimal{12, 34, 56.5}));
    // South: the sign stays on the first non-zero part of the rounded split.
    EXPECT_EQ(ArcsecToDMSRounded(-dms(33, 1, 59.999), 2), (Sexagesimal{-33, 2, 0}));
    EXPECT_EQ(ArcsecToDMSRounded(-dms(0, 0, 59.999), 2), (Sexagesimal{0, -1, 0}));
    EXPECT_EQ(ArcsecToDMSRounded(-dms(0, 59, 59.999), 2), (Sexagesimal{-1, 0, 0}));
    EXPECT_EQ(ArcsecToDMSRounded(-30, 2), (Sexagesimal{0, 0, -30}));
    EXPECT_EQ(ArcsecToDMSRounded(-3630, 2), (Sexagesimal{-1, 0, 30}));
    const Sexagesimal zero = ArcsecToDMSRounded(-0.001, 2);
    EXPECT_EQ(zero, (Sexagesimal{0, 0, 0}));
    EXPECT_FALSE(std::signbit(zero.seconds)) << "a value that rounds to zero is not south";
    // A declination never beyond the pole.
    EXPECT_EQ(ArcsecToDMSRounded(dms(89, 59, 59.999), 2), (Sexagesimal{90, 0, 0}));
    EXPECT_EQ(ArcsecToDMSRounded(-dms(89, 59, 59.999), 2), (Sexagesimal{-90, 0, 0}));
    // Other decimals: whole seconds, tenths.
    EXPECT_EQ(ArcsecToDMSRounded(dms(45, 59, 59.6), 0), (Sexagesimal{46, 0, 0}));
    EXPECT_EQ(ArcsecToDMSRounded(dms(45, 59, 59.4), 0), (Sexagesimal{45, 59, 59}));

    // Right ascension: 24 h wraps to 0 h, and a value off the day comes into it.
    const auto hms = [](double h, double m, double s) { return (h * 3600 + m * 60 + s) * 15; };
    EXPECT_EQ(ArcsecToHMSRounded(hms(18, 53, 35.999), 2), (Sexagesimal{18, 53, 36}));
    EXPECT_EQ(ArcsecToHMSRounded(hms(10, 59, 59.996), 2), (Sexagesimal{11, 0, 0}));
    EXPECT_EQ(ArcsecToHMSRounded(hms(23, 59, 59.999), 2), (Sexagesimal{0, 0, 0}));
    EXPECT_EQ(ArcsecToHMSRounded(hms(23, 59, 59.994), 2), (Sexagesimal{23, 59, 59.99}));
    EXPECT_EQ(ArcsecToHMSRounded(hms(24, 0, 0), 2), (Sexagesimal{0, 0, 0}));
    EXPECT_EQ(ArcsecToHMSRounded(-hms(1, 0, 0), 2), (Sexagesimal{23, 0, 0}));
    EXPECT_EQ(ArcsecToHMSRounded(hms(10, 59, 59.96), 1), (Sexagesimal{11, 0, 0}));
    // Through radians and back, as the catalogues give positions: 33 deg 2'
    // exactly, not 33 deg 1' 59.99999...".
    const double m57Dec = dms(33, 2, 0) * std::numbers::pi / 648000;
    EXPECT_EQ(RadToDMSRounded(m57Dec, 2), (Sexagesimal{33, 2, 0}));
    EXPECT_EQ(RadToHMSRounded(std::numbers::pi, 2), (Sexagesimal{12, 0, 0}));
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
    EXPECT_EQ(DecToStr(-(33 * 3600 + 59 * 60 + 59.999)), "-34" + deg + "  0' 0.00\"");
    EXPECT_EQ(DecToStr(-59.999), " -0" + deg + "  1' 0.00\"");
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
