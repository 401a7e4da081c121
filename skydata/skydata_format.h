#pragma once
// The fixed-column lines of the sky chart's catalogue files, built from the
// Bright Star Catalogue, the OpenNGC database and the constellation figures.
// Plain C++: the converter nj-skydata and the tests use it.

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace skydata {

// One line of the Bright Star Catalogue file: Dec RA Mag "Name" HR HD SAO.
struct BrightStar {
    double dec_deg = 0;
    double ra_hours = 0;
    double magnitude = 0;
    std::string name;   // 10 characters
    int hr = 0;
    int hd = 0;
    int sao = 0;
};
// Empty for a comment, a blank line or a line of another shape.
std::optional<BrightStar> ParseBrightStarLine(const std::string& line);

// One deep-sky object of the OpenNGC table; NaN where the table has NULL.
struct DeepSkyObject {
    int type = 0;
    double ra_deg = 0;
    double dec_deg = 0;
    double magnitude = 0;
    std::string name;                // "M 42", "NGC 224"
    std::string longName;            // "Great Orion Nebula, Orion Nebula, NGC 1976"
    std::string catalogIdentifier;   // "NGC1976"
    double majorAxis = 0;
    double minorAxis = 0;
    double positionAngle = 0;
};

// "hhmmss.s" and "+ddmmss", rounded once with the carry taken up.
std::string StarRAText(double ra_hours);
std::string StarDecText(double dec_deg);
// The star line for HR `hr`; a null star gives the line of an absent number.
std::string StarLine(int hr, const BrightStar* star);

// The type code of an OpenNGC type; empty for objects left out.
std::string DeepSkyTypeCode(const DeepSkyObject& object);
// "NGC0224" -> "NGC 224".
std::string IdentifierWithoutZeros(const std::string& identifier);
// The deep-sky line; empty when the object is left out.
std::string DeepSkyLine(const DeepSkyObject& object);

// The constellation-line file's lines from the constellation figures text
// (set "C Western" only) and the stars by HD number. `missingHd` receives
// the HD numbers not found.
std::vector<std::string> ConstellationLines(const std::string& figures, const std::map<int, BrightStar>& byHd,
                                            std::vector<int>& missingHd);

} // namespace skydata
