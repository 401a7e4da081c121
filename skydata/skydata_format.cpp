#include "skydata_format.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace skydata {

namespace {

// Writes `text` into `line` from column `from` (1-based).
void put(std::string& line, int from, const std::string& text)
{
    const std::size_t at = std::size_t(from - 1);
    if (line.size() < at + text.size())
        line.resize(at + text.size(), ' ');
    line.replace(at, text.size(), text);
}

// A fixed-point number right-aligned in a field of `width` characters, with
// "." whatever the locale; blank when the value does not fit or is unknown.
std::string field(double v, int decimals, int width)
{
    const std::string blank(std::size_t(width), ' ');
    if (!std::isfinite(v))
        return blank;
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, decimals);
    const std::string text(buffer, end);
    if (ec != std::errc() || int(text.size()) > width)
        return blank;
    return std::string(std::size_t(width) - text.size(), ' ') + text;
}

std::string twoDigits(long long v)
{
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "%02lld", v);
    return buffer;
}

std::string ascii(std::string s)
{
    for (char& c : s)
        if (static_cast<unsigned char>(c) > 126 || static_cast<unsigned char>(c) < 32)
            c = '?';
    return s;
}

std::string trim(const std::string& s)
{
    const auto b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos)
        return {};
    const auto e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

bool isPlainUgc(const std::string& s)
{
    if (s.rfind("UGC ", 0) != 0 || s.size() == 4)
        return false;
    for (std::size_t i = 4; i < s.size(); ++i)
        if (s[i] < '0' || s[i] > '9')
            return false;
    return true;
}

} // namespace

std::optional<BrightStar> ParseBrightStarLine(const std::string& line)
{
    const auto q1 = line.find('"');
    const auto q2 = q1 == std::string::npos ? q1 : line.find('"', q1 + 1);
    if (line.empty() || line[0] == '#' || q2 == std::string::npos)
        return std::nullopt;
    BrightStar s;
    std::istringstream head(line.substr(0, q1));
    std::istringstream tail(line.substr(q2 + 1));
    if (!(head >> s.dec_deg >> s.ra_hours >> s.magnitude) || !(tail >> s.hr >> s.hd >> s.sao))
        return std::nullopt;
    s.name = line.substr(q1 + 1, q2 - q1 - 1);
    s.name.resize(10, ' ');
    return s;
}

std::string StarRAText(double ra_hours)
{
    long long tenths = std::llround(ra_hours * 36000.0) % 864000;
    if (tenths < 0)
        tenths += 864000;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%02lld%02lld%02lld.%lld", tenths / 36000, tenths / 600 % 60, tenths / 10 % 60,
                  tenths % 10);
    return buffer;
}

std::string StarDecText(double dec_deg)
{
    const long long total = std::llround(std::fabs(dec_deg) * 3600.0);
    const char sign = dec_deg < 0 && total > 0 ? '-' : '+';
    return std::string(1, sign) + twoDigits(total / 3600) + twoDigits(total / 60 % 60) + twoDigits(total % 60);
}

std::string StarLine(int hr, const BrightStar* star)
{
    std::string line(107, ' ');
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%4d", hr);
    put(line, 1, buffer);
    if (!star)
        return line;
    put(line, 5, ascii(star->name).substr(0, 10));
    std::snprintf(buffer, sizeof buffer, "%6d", star->hd);
    put(line, 26, buffer);
    if (star->sao != 0) {
        std::snprintf(buffer, sizeof buffer, "%6d", star->sao);
        put(line, 32, buffer);
    }
    put(line, 76, StarRAText(star->ra_hours));
    put(line, 84, StarDecText(star->dec_deg));
    put(line, 103, field(star->magnitude, 2, 5));
    return line;
}

std::string DeepSkyTypeCode(const DeepSkyObject& object)
{
    switch (object.type) {
    case 8: return "GALXY";
    case 3: return "OPNCL";
    case 0: return "*";
    case 5: return "NB";
    case 17: return "D*";
    case 4: return "GLOCL";
    case 6: return "PLNNB";
    case 13: return "ASTER";
    case 14: return "GALCL";
    case 7: return "SNREM";
    case 255: return object.name == "M 73" ? "?" : "";   // duplicates and non-existent objects
    default: return "";
    }
}

std::string IdentifierWithoutZeros(const std::string& identifier)
{
    std::size_t i = 0;
    while (i < identifier.size() && !(identifier[i] >= '0' && identifier[i] <= '9'))
        ++i;
    std::string prefix = trim(identifier.substr(0, i));
    std::size_t j = i;
    while (j + 1 < identifier.size() && identifier[j] == '0' && identifier[j + 1] >= '0' && identifier[j + 1] <= '9')
        ++j;
    return i == identifier.size() ? identifier : prefix + " " + identifier.substr(j);
}

std::string DeepSkyLine(const DeepSkyObject& o)
{
    const std::string type = DeepSkyTypeCode(o);
    if (type.empty())
        return {};
    const bool messier = o.name.rfind("M ", 0) == 0;
    std::string name = messier && !o.catalogIdentifier.empty() ? IdentifierWithoutZeros(o.catalogIdentifier) : o.name;
    std::string other;
    if (messier) {
        other = o.name;
    } else {
        std::stringstream parts(o.longName);
        std::string part;
        while (std::getline(parts, part, ',')) {
            part = trim(part);
            if (isPlainUgc(part)) {
                other = part;
                break;
            }
        }
    }
    std::string line(139, ' ');
    put(line, 2, ascii(name).substr(0, 16));
    put(line, 21, ascii(other).substr(0, 18));
    put(line, 42, type);

    long long tenths = std::llround(o.ra_deg / 15.0 * 600.0) % 14400;
    if (tenths < 0)
        tenths += 14400;
    char buffer[32];
    put(line, 56, twoDigits(tenths / 600));
    std::snprintf(buffer, sizeof buffer, "%02lld.%lld", tenths % 600 / 10, tenths % 10);
    put(line, 59, buffer);
    const long long arcmin = std::llround(std::fabs(o.dec_deg) * 60.0);
    put(line, 66, std::string(1, o.dec_deg < 0 && arcmin > 0 ? '-' : '+') + twoDigits(arcmin / 60));
    put(line, 70, twoDigits(arcmin % 60));
    put(line, 75, field(o.magnitude, 1, 4));
    if (std::isfinite(o.majorAxis)) {
        put(line, 102, field(o.majorAxis, 2, 6));
        put(line, 108, "m");
    }
    if (std::isfinite(o.minorAxis)) {
        put(line, 113, field(o.minorAxis, 2, 6));
        put(line, 119, "m");
    }
    if (std::isfinite(o.positionAngle))
        put(line, 123, field(o.positionAngle, 0, 3));
    return line;
}

std::vector<std::string> ConstellationLines(const std::string& figures, const std::map<int, BrightStar>& byHd,
                                            std::vector<int>& missingHd)
{
    std::vector<std::string> out;
    std::istringstream in(figures);
    std::string line;
    bool western = false;
    std::string constellation;
    const BrightStar* current = nullptr;
    while (std::getline(in, line)) {
        line = trim(line);
        if (line.rfind("C ", 0) == 0) {
            western = line == "C Western";
            continue;
        }
        if (!western || line.empty())
            continue;
        if (line[0] == '#') {
            const std::string name = trim(line.substr(1));
            if (!name.empty())
                constellation = name;
            continue;
        }
        if ((line[0] != 'M' && line[0] != 'D') || line.size() < 3)
            continue;
        const int hd = std::atoi(line.c_str() + 2);
        const auto found = byHd.find(hd);
        if (found == byHd.end()) {
            missingHd.push_back(hd);
            current = nullptr;
            continue;
        }
        const BrightStar* star = &found->second;
        if (line[0] == 'D' && current) {
            char buffer[128];
            std::snprintf(buffer, sizeof buffer, "%s,%lld,%lld,%lld,%lld", ascii(constellation).c_str(),
                          std::llround(current->ra_hours * 1000), std::llround(current->dec_deg * 100),
                          std::llround(star->ra_hours * 1000), std::llround(star->dec_deg * 100));
            out.emplace_back(buffer);
        }
        current = star;
    }
    return out;
}

} // namespace skydata
