#pragma once
// The three read-only catalogues of the sky chart, read from the program
// directory: "Catalog.dat" (bright stars), "SAC72.dat" (deep-sky objects) and
// "Conlines.dat" (constellation line segments). Records are numbered from 1
// (record n is element n - 1); star and deep-sky angles are seconds of arc,
// constellation segments radians.
//
// A line that cannot be read is skipped (a star line still takes its
// number); lines beyond a table's capacity are dropped. Each load reports
// its file once: missing, first bad line, too many lines.

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Sky {

inline constexpr int kStarCapacity = 9500;
inline constexpr int kDeepSkyCapacity = 13230;
// The Western constellation figures need 659 segments.
inline constexpr int kConstellationCapacity = 1000;
// Lines are read into a buffer of this many characters; the rest is cut.
inline constexpr int kLineLength = 255;

struct StarRecord {
    std::array<char, 6> sao{' ', ' ', ' ', ' ', ' ', ' '};           // right-aligned, as in the file
    std::array<char, 10> name{' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
    double magnitude = 0;
    double ra = 0;    // arcseconds
    double dec = 0;   // arcseconds
    // False for a line without magnitude: the record keeps its number but is
    // no star (never drawn, listed or found).
    bool filled = false;
    // The direction as a unit vector (x to RA 0, z to the north pole), for
    // the chart's projection.
    std::array<double, 3> unit{1, 0, 0};

    std::string_view saoText() const { return {sao.data(), sao.size()}; }
    std::string_view nameText() const { return {name.data(), name.size()}; }
    bool hasName() const { return nameText() != std::string_view("          "); }
};

struct DeepSkyRecord {
    std::string name;        // blanks removed, at most 16 characters
    std::string otherName;   // blanks removed, at most 8 characters
    std::string type;        // trimmed, lower case, at most 5 characters
    double magnitude = 99;   // 99: none given
    double size1 = 6;        // arcminutes
    double size2 = 6;
    std::string classText;   // 11 characters as in the file
    std::uint16_t positionAngle = 0;
    double ra = 0;    // arcseconds
    double dec = 0;   // arcseconds
    std::array<double, 3> unit{1, 0, 0};   // as for stars
};

// The unit vector of a position in arcseconds.
std::array<double, 3> UnitVector(double ra_arcsec, double dec_arcsec);

struct ConstellationSegment {
    double ra1 = 0, dec1 = 0, ra2 = 0, dec2 = 0;   // radians
};

extern std::vector<StarRecord> StarCatalogue;
extern std::vector<DeepSkyRecord> DeepSkyCatalogue;
extern std::vector<ConstellationSegment> ConstellationLines;
// Set once the catalogues were read (each file whether found or not); the
// chart window's creation clears it so the next redraw reads them again.
extern bool CataloguesLoaded;
extern bool DeepSkyLoaded;

inline int StarCount() { return int(StarCatalogue.size()); }
inline int DeepSkyCount() { return int(DeepSkyCatalogue.size()); }
inline int ConstellationLineCount() { return int(ConstellationLines.size()); }

// What one load found.
struct LoadReport {
    bool missing = false;
    int records = 0;
    int firstBadLine = 0;    // 1-based, 0 when every line was read
    int badLines = 0;
    bool tooManyLines = false;
    // The message for the message window, empty when all went well.
    QString message(const QString& fileName) const;
};

// Text-to-angle conversions of the readers. Empty results for text that is
// not a number.
std::optional<double> HMSTextToArcsec(std::string_view h, std::string_view m, std::string_view s);
std::optional<double> DMSTextToArcsec(std::string_view d, std::string_view m, std::string_view s);
struct SplitMinutes {
    std::int32_t minutes = 0;
    double seconds = 0;
};
std::optional<SplitMinutes> SplitDecimalMinutes(std::string_view text);
std::string RemoveChar(std::string_view text, char c);

// One line of each file (no line end). A star line with blank magnitude
// columns gives an empty record; nullopt for a line that cannot be read.
std::optional<StarRecord> ParseStarLine(std::string_view line);
std::optional<DeepSkyRecord> ParseDeepSkyLine(std::string_view line);
std::optional<ConstellationSegment> ParseConstellationLine(std::string_view line);

// Whole files held in memory (CRLF or LF lines); the table is cleared first.
LoadReport ReadStars(const QByteArray& bytes, std::vector<StarRecord>& table);
LoadReport ReadDeepSky(const QByteArray& bytes, std::vector<DeepSkyRecord>& table);
LoadReport ReadConstellationLines(const QByteArray& bytes, std::vector<ConstellationSegment>& table);

// The first deep-sky object that has `name` as one whole "/"-separated part
// of its name or of its other name, letter case ignored ("m42" finds
// "NGC1976" by its other name "M42"); null when none has.
const DeepSkyRecord* FindDeepSkyByName(const std::vector<DeepSkyRecord>& table, const QString& name);

// Load from the program directory into the global tables; a problem is
// shown in the message window.
LoadReport LoadStars();
LoadReport LoadDeepSky();
LoadReport LoadConstellationLines();
// All three, in that order; sets CataloguesLoaded.
void LoadCatalogues();

} // namespace Sky
