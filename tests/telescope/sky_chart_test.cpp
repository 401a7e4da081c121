// The chart's projection and drawing, checked on the pixels of a chart drawn
// from small catalogues.

#include "telescope/sky/catalogues.h"
#include "telescope/sky/sky_chart.h"

#include <QImage>
#include <gtest/gtest.h>
#include <numbers>

using namespace Sky;

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kDeg = kPi / 180;
constexpr double kArcsecPerDeg = 3600;

class SkyChartTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        StarCatalogue.clear();
        DeepSkyCatalogue.clear();
        ConstellationLines.clear();
        ChartCentreRA = 0;
        ChartCentreDec = 0;
        ChartFieldWidth = 10 * kDeg;
        GotoOriginRA = GotoOriginDec = GotoDestinationRA = GotoDestinationDec = kUnset;
        settings.grid = false;
        settings.constellations = false;
    }
    void TearDown() override { SetUp(); }

    QImage draw()
    {
        QImage image(640, 480, QImage::Format_RGB32);
        RenderChart(image, settings);
        return image;
    }
    // The pixel of a sky position given in degrees.
    QPoint at(double raDeg, double decDeg) { return *SkyToPixel(LastScale, raDeg * kDeg, decDeg * kDeg); }
    static int grey(const QImage& image, QPoint p) { return qGray(image.pixel(p)); }
    static bool anyLit(const QImage& image, QRect box)
    {
        for (int y = box.top(); y <= box.bottom(); ++y)
            for (int x = box.left(); x <= box.right(); ++x)
                if (image.valid(x, y) && (image.pixel(x, y) & 0xFFFFFF) != 0)
                    return true;
        return false;
    }

    StarRecord star(double raDeg, double decDeg, double magnitude)
    {
        StarRecord s;
        s.ra = raDeg * kArcsecPerDeg;
        s.dec = decDeg * kArcsecPerDeg;
        s.magnitude = magnitude;
        s.filled = true;
        s.unit = UnitVector(s.ra, s.dec);
        return s;
    }
    DeepSkyRecord object(const char* type, double raDeg, double decDeg, double magnitude, const char* cls = "")
    {
        DeepSkyRecord d;
        d.name = "NGC1";
        d.type = type;
        d.ra = raDeg * kArcsecPerDeg;
        d.dec = decDeg * kArcsecPerDeg;
        d.magnitude = magnitude;
        d.size1 = d.size2 = 1;
        d.classText = cls;
        d.unit = UnitVector(d.ra, d.dec);
        return d;
    }

    ChartSettings settings;
};

} // namespace

TEST_F(SkyChartTest, TheProjectionPutsTheCentreInTheMiddleEastLeftNorthUpAndInvertsItself)
{
    const ChartScale s = SetupChartScale(0, 0, 640, 480, ChartFieldWidth);
    ChartCentreRA = 1.3;
    ChartCentreDec = 0.4;
    EXPECT_EQ(*SkyToPixel(s, 1.3, 0.4), QPoint(320, 240));
    EXPECT_LT(SkyToPixel(s, 1.31, 0.4)->x(), 320);   // east to the left
    EXPECT_LT(SkyToPixel(s, 1.3, 0.41)->y(), 240);   // north up

    for (double ra0 : {0.0, 1.3, 6.2})
        for (double dec0 : {-1.5, -0.4, 0.0, 0.8, 1.5})
            for (double dra : {-0.9, -0.01, 0.0, 0.3, 2.0})
                for (double ddec : {-0.5, 0.0, 0.05, 0.4}) {
                    const double ra = std::fmod(ra0 + dra + 2 * kPi, 2 * kPi);
                    const double dec = std::clamp(dec0 + ddec, -1.55, 1.55);
                    const PlanePoint p = SkyToChart(-ra0, dec0, -ra, dec);
                    const SkyPoint back = ChartToSky(ra0, dec0, -p.x, p.y);
                    EXPECT_NEAR(back.dec, dec, 1e-6);
                    EXPECT_NEAR(std::remainder(back.ra - ra, 2 * kPi) * std::cos(dec), 0, 1e-6)
                        << ra0 << " " << dec0 << " " << dra << " " << ddec;
                }

    // The antipode and NaN have no pixel.
    EXPECT_FALSE(SkyToPixel(s, 1.3 + kPi, -0.4));
    EXPECT_FALSE(ChartToPixel(s, {std::nan(""), 0}));
    EXPECT_FALSE(ChartToPixel(s, {1e300, 0}));
}

TEST_F(SkyChartTest, DistancesAndLevelsAreTrueAndBounded)
{
    EXPECT_NEAR(AngularDistance(0, 0, 3600 * 15, 0), 54000, 1e-6);   // equal declinations
    EXPECT_NEAR(AngularDistance(1295000, 100, 1000, 100), 2000, 1e-3);   // across RA 0
    EXPECT_EQ(AngularDistance(5000, -3000, 5000, -3000), 0);
    EXPECT_NEAR(AngularDistance(0, 324000, 648000, 324000), 0, 1e-6);   // the pole
    EXPECT_EQ(StarLevel(0), 255);
    EXPECT_EQ(StarLevel(-1.46), 255);
    EXPECT_EQ(StarLevel(8), 0);
    EXPECT_EQ(StarLevel(4), 127);
    EXPECT_EQ(DeepSkyLevel(-1), 255);   // not the low 8 bits of 270
    EXPECT_EQ(DeepSkyLevel(16), 0);
    EXPECT_EQ(ScaleColour(0x01FFFFFF, 128), 0x017F7F7F);
}

TEST_F(SkyChartTest, StarsAreGreyDiscsByMagnitudeAndEmptyRecordsAreNoStars)
{
    // The empty record lies at RA 0, Dec 0: nothing shows there.
    StarCatalogue = {star(1, 0, 0), StarRecord{}, star(2, 1, 8), star(-2, -1, 6)};
    QImage image = draw();
    const QPoint bright = at(1, 0);
    EXPECT_EQ(grey(image, bright), 255);
    EXPECT_EQ(grey(image, bright + QPoint(2, 0)), 255);   // radius 3
    EXPECT_EQ(grey(image, bright + QPoint(5, 0)), 0);
    EXPECT_FALSE(anyLit(image, QRect(at(0, 0) - QPoint(1, 1), QSize(3, 3))));   // no phantom star
    EXPECT_EQ(grey(image, at(2, 1)), 0);                                          // magnitude 8: black
    const int faint = StarLevel(6);
    EXPECT_EQ(grey(image, at(-2, -1)), faint);
    EXPECT_EQ(grey(image, at(-2, -1) + QPoint(1, 0)), 0);   // radius 0: a single pixel

    settings.starRange = {5, -30};   // fainter than 5 is not shown
    image = draw();
    EXPECT_EQ(grey(image, at(-2, -1)), 0);

    // Labels of the stars within the label range, right of the star.
    std::copy_n("  9Alp CMa", 10, StarCatalogue[0].name.begin());
    settings.starLabels = true;
    settings.starLabelRange = {1, -30};
    image = draw();
    EXPECT_TRUE(anyLit(image, QRect(bright + QPoint(6, 0), QSize(60, 14))));
    settings.starLabelRange = {-1, -30};
    image = draw();
    EXPECT_FALSE(anyLit(image, QRect(bright + QPoint(6, 0), QSize(60, 14))));
}

TEST_F(SkyChartTest, TheGridAndConstellationLinesFollowTheirSwitches)
{
    ChartFieldWidth = 40 * kDeg;
    settings.grid = true;
    settings.gridRaStep = 15;
    settings.gridDecStep = 10;
    settings.gridColour = 0x0000FF;   // red, stored with red in the low byte
    QImage image = draw();
    const QPoint north = at(0, 10), east = at(10, 0);
    EXPECT_EQ(image.pixel(north) & 0xFFFFFF, 0xFF0000u);   // the meridian of RA 0
    EXPECT_EQ(image.pixel(east) & 0xFFFFFF, 0xFF0000u);    // the equator
    EXPECT_EQ(image.pixel(at(7, 5)) & 0xFFFFFF, 0u);
    settings.grid = false;
    settings.constellations = true;
    settings.constellationColour = 0x00FF00;
    ConstellationLines = {{-5 * kDeg, -5 * kDeg, 5 * kDeg, 5 * kDeg}};
    image = draw();
    EXPECT_EQ(image.pixel(at(0, 0)) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(image.pixel(north) & 0xFFFFFF, 0u);
}

TEST_F(SkyChartTest, DeepSkyKindsFollowTheirSwitchesClassesAndLevels)
{
    DeepSkyCatalogue = {object("galxy", 1, 1, 99, "SB"), object("gx", -1, 1, 6, "E"), object("nb", 1, -1, 99),
                        object("zz", -1, -1, 6)};
    settings.galaxySB = false;
    QImage image = draw();
    const QPoint sb = at(1, 1), e = at(-1, 1), nb = at(1, -1), unknown = at(-1, -1);
    const QRect around(-12, -12, 25, 25);
    EXPECT_FALSE(anyLit(image, around.translated(sb)));   // SB only with its box
    EXPECT_TRUE(anyLit(image, around.translated(e)));
    EXPECT_FALSE(anyLit(image, around.translated(unknown)));   // an unknown type draws nothing
    // A nebula without magnitude is a rectangle of a = b = 4 at level 20.
    EXPECT_EQ(grey(image, nb + QPoint(4, 0)), 255 * 20 / 256);
    EXPECT_EQ(grey(image, nb + QPoint(0, -4)), 255 * 20 / 256);
    EXPECT_EQ(grey(image, nb), 0);

    settings.galaxySB = true;
    settings.kinds[std::size_t(DeepSkyKind::Galaxy)].range = {5, -30};   // magnitude 6 is too faint
    image = draw();
    EXPECT_TRUE(anyLit(image, around.translated(sb)));   // no magnitude: always shown
    EXPECT_FALSE(anyLit(image, around.translated(e)));
}

TEST_F(SkyChartTest, GotoMarksPlannerFieldsAndCameraFieldsAreDrawnWhereTheyBelong)
{
    GotoOriginRA = 1 * kArcsecPerDeg;
    GotoOriginDec = 0;
    QImage image = draw();
    const QPoint origin = at(1, 0);
    EXPECT_EQ(image.pixel(origin + QPoint(5, 5)) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(image.pixel(origin + QPoint(-5, 5)) & 0xFFFFFF, 0xFF0000u);
    EXPECT_FALSE(anyLit(image, QRect(origin + QPoint(-40, -30), QSize(20, 10))));   // no line to a destination

    // Planner rows: centres 50 and 150 pixels right of the image.
    const double pixelDeg = 10.0 / 640;   // degrees per pixel
    auto field = [&](double offsetPx) {
        PlannerField f;
        f.name = QStringLiteral("F");
        const double raDeg = -(320 + offsetPx) * pixelDeg;   // east is left
        f.centreRa = raDeg * kDeg;
        f.centreDec = 0;
        const double h = 60 * pixelDeg;
        const double c[8] = {raDeg + h, -h, raDeg - h, -h, raDeg - h, h, raDeg + h, h};
        for (int i = 0; i < 8; ++i)
            f.corners[std::size_t(i)] = c[i] * kDeg;
        return f;
    };
    GotoOriginRA = GotoOriginDec = kUnset;
    settings.planner = {field(50)};
    image = draw();
    EXPECT_TRUE(anyLit(image, QRect(620, 150, 20, 180)));   // the near outline reaches into the image
    settings.planner = {field(150)};
    image = draw();
    EXPECT_FALSE(anyLit(image, QRect(0, 0, 640, 480)));

    // Two camera fields side by side, half a step each side of the centre:
    // 100 x 80 chart pixels each, joined at the middle.
    settings.planner.clear();
    settings.cameraGrid = {2, 1, 100, 80, 0, 0, 10 * 3600.0 / 640, 0};
    image = draw();
    std::vector<int> edges;
    for (int x = 0; x < 640; ++x)   // dotted: some rows of a column are lit
        if (anyLit(image, QRect(x, 215, 1, 16)) && (edges.empty() || edges.back() < x - 1))
            edges.push_back(x);
    ASSERT_EQ(edges.size(), 3u);
    EXPECT_NEAR(edges[0], 220, 2);
    EXPECT_NEAR(edges[1], 320, 2);
    EXPECT_NEAR(edges[2], 420, 2);
}

TEST_F(SkyChartTest, TheCameraFieldsAreKeptForThePlannerColumnByRow)
{
    // One camera pixel is one chart pixel: fields of 100 x 80 pixels.
    const double pixelDeg = 10.0 / 640;
    settings.cameraGrid = {3, 2, 100, 80, 0, 0, 10 * 3600.0 / 640, 0};
    draw();
    ASSERT_EQ(MosaicTilesX, 3);
    ASSERT_EQ(MosaicTilesY, 2);
    auto raDeg = [](int x, int y) {
        const double r = MosaicFieldTable[std::size_t(x)][std::size_t(y)].centreRa() / kDeg;
        return r > 180 ? r - 360 : r;
    };
    auto decDeg = [](int x, int y) { return MosaicFieldTable[std::size_t(x)][std::size_t(y)].centreDec() / kDeg; };
    // The middle column is on the chart's centre; east (greater RA) is left.
    EXPECT_NEAR(raDeg(2, 1), 0, 2 * pixelDeg);
    EXPECT_NEAR(raDeg(1, 1), 100 * pixelDeg, 2 * pixelDeg);
    EXPECT_NEAR(raDeg(3, 2), -100 * pixelDeg, 2 * pixelDeg);
    // Two rows, half a field each side of the centre.
    EXPECT_NEAR(std::fabs(decDeg(1, 1)), 40 * pixelDeg, 2 * pixelDeg);
    EXPECT_NEAR(decDeg(1, 1), -decDeg(1, 2), 2 * pixelDeg);
    EXPECT_NEAR(decDeg(3, 1), decDeg(1, 1), 2 * pixelDeg);
    // The corners surround the centre by half a field (to a pixel or two:
    // the corners are whole pixels).
    const MosaicFieldRecord& b1 = MosaicFieldTable[2][1];
    for (int c = 1; c <= 4; ++c) {
        double dRa = b1.cornerRa(c) / kDeg;
        dRa = dRa > 180 ? dRa - 360 : dRa;
        EXPECT_NEAR(std::fabs(dRa), 50 * pixelDeg, 3 * pixelDeg) << c;
        EXPECT_NEAR(std::fabs(b1.cornerDec(c) / kDeg - b1.centreDec() / kDeg), 40 * pixelDeg, 3 * pixelDeg) << c;
    }

    // No image scale: no field can be placed.
    settings.cameraGrid.sampling = 0;
    draw();
    EXPECT_EQ(MosaicTilesX, 0);
    EXPECT_EQ(MosaicTilesY, 0);
    // At most 16 each way.
    settings.cameraGrid = {20, 17, 100, 80, 0, 0, 10 * 3600.0 / 640, 0};
    draw();
    EXPECT_EQ(MosaicTilesX, 16);
    EXPECT_EQ(MosaicTilesY, 16);
}
