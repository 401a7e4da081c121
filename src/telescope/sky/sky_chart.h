#pragma once
// The sky chart: an azimuthal equidistant map around a chosen centre, east
// to the left and north up, with deep-sky symbols, stars, constellation
// lines, a coordinate grid, the goto dialog's origin and destination, the
// planner's fields and a grid of camera fields.
//
// Chart state: the centre and field width in radians; the goto points in
// seconds of arc, 99 meaning unset. They live in section "Carte" of the
// settings file.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace Sky {

inline constexpr double kUnset = 99;

extern double ChartCentreRA;     // radians
extern double ChartCentreDec;    // radians
extern double ChartFieldWidth;   // radians across the chart's width
extern double GotoOriginRA, GotoOriginDec;             // arcseconds
extern double GotoDestinationRA, GotoDestinationDec;   // arcseconds
extern double GotoCurrentRA, GotoCurrentDec;           // the goto dialog's current object
inline bool OriginSet() { return GotoOriginRA != kUnset && GotoOriginDec != kUnset; }
inline bool DestinationSet() { return GotoDestinationRA != kUnset && GotoDestinationDec != kUnset; }

// ---- Projection --------------------------------------------------------

struct PlanePoint {
    double x = 0;
    double y = 0;
};
struct SkyPoint {
    double ra = 0;   // radians, [0, 2 pi]
    double dec = 0;
};

// Forward projection; callers pass both right ascensions negated (east to
// the left). The antipode of the centre has no image: NaN.
PlanePoint SkyToChart(double ra0, double dec0, double ra, double dec);
// Inverse projection for the centre as it is; the caller passes -x.
SkyPoint ChartToSky(double ra0, double dec0, double x, double y);

// The linear map between the chart plane and the image's pixels.
struct ChartScale {
    double xScale = 1, xOffset = 0, yScale = -1, yOffset = 0;
    int width = 0, height = 0;
};
ChartScale SetupChartScale(int left, int top, int right, int bottom, double fieldWidth);
// Empty for a plane point that is not finite or far outside any image.
std::optional<QPoint> ChartToPixel(const ChartScale& s, PlanePoint p);
PlanePoint PixelToChart(const ChartScale& s, int x, int y);
// Sky position (radians) of an image pixel for the current chart centre.
SkyPoint PixelToSky(const ChartScale& s, int x, int y);
// Pixel of a sky position (radians) for the current chart centre.
std::optional<QPoint> SkyToPixel(const ChartScale& s, double ra, double dec);

// Great-circle distance, arcseconds in and out.
double AngularDistance(double ra1, double dec1, double ra2, double dec2);

int StarLevel(double magnitude);
int DeepSkyLevel(double magnitude);
// A stored colour (red in the low byte) scaled by level / 256.
int ScaleColour(int colour, int level);

// The field's centre and four corners on the sky (radians) for a camera
// field whose centre lies (dx, dy) radians from the chart centre on the
// chart (x to the right, y down), the whole turned about the chart centre
// by `rotation` radians; half sizes in radians. Nothing is rounded to the
// chart's pixels, so fields keep their spacing at any chart scale.
std::array<SkyPoint, 5> MosaicFieldCorners(double dx, double dy, double rotation, double halfHeight, double halfWidth);

// A number with at most two decimals and no trailing zeros ("0.##"):
// 4 -> "4", -1.46 -> "-1.46", 90.5 -> "90.5".
QString ShortNumber(double v);

// ---- Drawing ------------------------------------------------------------

enum class DeepSkyKind { Galaxy, Planetary, ClusterNebula, Nebula, OpenCluster, GalaxyCluster, Globular, Others, None };
DeepSkyKind KindOfType(const std::string& lowerType);

struct MagnitudeRange {
    double faint = 99;    // the "MagMin" control
    double bright = -30;  // the "MagMax" control
    bool contains(double m) const { return bright <= m && m <= faint; }
};

struct KindSettings {
    bool show = true;
    MagnitudeRange range;
    int colour = 0xFFFFFF;
    bool label = false;
    MagnitudeRange labelRange;
};

struct PlannerField {
    QString name;
    double centreRa = 0, centreDec = 0;   // radians
    std::array<double, 8> corners{};      // four (ra, dec) pairs, radians
};

struct CameraGrid {
    int nx = 0, ny = 0;
    double widthPx = 0, heightPx = 0;       // camera pixels
    double overlapX = 0, overlapY = 0;
    double sampling = 0;                    // arcseconds per camera pixel
    double orientation = 0;                 // degrees
};

struct ChartSettings {
    bool stars = true;
    MagnitudeRange starRange{8, -30};
    bool starLabels = false;
    MagnitudeRange starLabelRange{2, -30};
    bool constellations = true;
    int constellationColour = 0x808080;
    bool grid = true;
    double gridRaStep = 15, gridDecStep = 10;   // degrees
    int gridColour = 0x404040;
    std::array<KindSettings, 8> kinds{};
    bool galaxyE = true, galaxyS = true, galaxySB = true, galaxyIr = true;
    std::array<bool, 6> planetaryClasses{true, true, true, true, true, true};
    QFont starFont, objectFont;
    QString originCaption = QStringLiteral("Origine");
    QString destinationCaption = QStringLiteral("Destination");
    std::vector<PlannerField> planner;
    CameraGrid cameraGrid;
};

// Draws the whole chart into `image` (its size is the chart's) from the
// loaded catalogues and the chart state.
void RenderChart(QImage& image, const ChartSettings& settings);

// Reads the chart settings from the Preferences dialog, the goto dialog,
// the planner and the measurement tool (defaults for a window not there).
ChartSettings CurrentChartSettings();

// Recomputes and redraws the chart window's picture and its status panels;
// loads the catalogues first when needed.
void RedrawChart();

// The scale of the chart window's last redraw.
extern ChartScale LastScale;

// ---- Camera-field grid --------------------------------------------------

// One field of the camera-field grid, radians: centre RA, centre Dec, the RA
// of corners 1 to 4, then their Dec.
struct MosaicFieldRecord {
    std::array<double, 10> v{};
    double centreRa() const { return v[0]; }
    double centreDec() const { return v[1]; }
    double cornerRa(int i) const { return v[std::size_t(1 + i)]; }    // i = 1..4
    double cornerDec(int i) const { return v[std::size_t(5 + i)]; }   // i = 1..4
};
inline constexpr int kMaxMosaicTiles = 16;
// Indexed [x][y] from 1 (index 0 unused), x the column of the grid.
using MosaicFieldGrid = std::array<std::array<MosaicFieldRecord, kMaxMosaicTiles + 1>, kMaxMosaicTiles + 1>;
extern MosaicFieldGrid MosaicFieldTable;
// The tile counts of the grid last computed; 0 when it could not be (no
// tiles asked for, or no image scale known).
extern std::uint8_t MosaicTilesX, MosaicTilesY;

// Computes the camera-field grid around the chart centre into
// MosaicFieldTable, MosaicTilesX and MosaicTilesY: neighbouring fields are
// one step (field size less overlap) apart on the sky, whatever the chart's
// size or scale, shown or not. Calls `each` (when given) with every field,
// column i and row j from 1.
void ComputeMosaicFields(const CameraGrid& grid,
                         const std::function<void(int i, int j, const std::array<SkyPoint, 5>&)>& each = {});

} // namespace Sky
