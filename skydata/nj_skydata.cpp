// nj-skydata OUTDIR [SOURCEDIR]
//
// Writes the sky chart's catalogues "Catalog.dat", "SAC72.dat" and
// "Conlines.dat" into OUTDIR from the three source files that
// scripts/install-deps.sh extracts from the Debian packages xplanet and
// kstars-data into SOURCEDIR (default: the build's sky-data cache):
//   usr/share/xplanet/stars/BSC
//   usr/share/kstars/OpenNGC.kscat
//   usr/share/kstars/clines.dat
// Each file is written to a temporary name and renamed, ASCII with CRLF.

#include "skydata_format.h"

#include <sqlite3.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <limits>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#ifndef NJ_SKYDATA_CACHE
#define NJ_SKYDATA_CACHE "build/skydata-cache"
#endif

namespace fs = std::filesystem;
using namespace skydata;

namespace {

const char* const kInstallHint = "run scripts/install-deps.sh to fetch the sky data";

struct Failure {
    std::string what;
};

std::string readAll(const fs::path& path, const char* package)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw Failure{"missing " + path.string() + " (Debian package " + package + "): " + kInstallHint};
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeLines(const fs::path& path, const std::vector<std::string>& lines)
{
    const fs::path temp = path.string() + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        for (const std::string& line : lines)
            out << line << "\r\n";
        out.flush();
        if (!out)
            throw Failure{"cannot write " + temp.string()};
    }
    fs::rename(temp, path);
}

std::map<int, BrightStar> readStars(const fs::path& bsc)
{
    const std::string text = readAll(bsc, "xplanet");
    std::map<int, BrightStar> byHr;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.find_first_not_of(' ') == std::string::npos || line[0] == '#')
            continue;
        const auto star = ParseBrightStarLine(line);
        if (!star || star->hr < 1 || star->hr > 99999)
            throw Failure{bsc.string() + " line " + std::to_string(number) + " has an unknown shape (package xplanet): "
                          + kInstallHint};
        byHr[star->hr] = *star;
    }
    if (byHr.empty())
        throw Failure{bsc.string() + " holds no star (package xplanet): " + kInstallHint};
    return byHr;
}

double column(sqlite3_stmt* st, int i)
{
    return sqlite3_column_type(st, i) == SQLITE_NULL ? std::numeric_limits<double>::quiet_NaN()
                                                     : sqlite3_column_double(st, i);
}

std::string text(sqlite3_stmt* st, int i)
{
    const unsigned char* t = sqlite3_column_text(st, i);
    return t ? reinterpret_cast<const char*>(t) : "";
}

std::vector<std::string> readDeepSky(const fs::path& kscat)
{
    if (!fs::exists(kscat))
        throw Failure{"missing " + kscat.string() + " (Debian package kstars-data): " + kInstallHint};
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(kscat.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        throw Failure{"cannot open " + kscat.string() + " (package kstars-data): " + kInstallHint};
    }
    sqlite3_stmt* st = nullptr;
    const char* sql = "SELECT type, ra, dec, magnitude, name, long_name, catalog_identifier, major_axis, minor_axis, "
                      "position_angle FROM cat ORDER BY rowid";
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) {
        const std::string why = sqlite3_errmsg(db);
        sqlite3_close(db);
        throw Failure{kscat.string() + " has an unknown shape (" + why + ", package kstars-data): " + kInstallHint};
    }
    std::vector<std::string> lines;
    while (sqlite3_step(st) == SQLITE_ROW) {
        DeepSkyObject o;
        o.type = sqlite3_column_int(st, 0);
        o.ra_deg = sqlite3_column_double(st, 1);
        o.dec_deg = sqlite3_column_double(st, 2);
        o.magnitude = column(st, 3);
        o.name = text(st, 4);
        o.longName = text(st, 5);
        o.catalogIdentifier = text(st, 6);
        o.majorAxis = column(st, 7);
        o.minorAxis = column(st, 8);
        o.positionAngle = column(st, 9);
        std::string line = DeepSkyLine(o);
        if (!line.empty())
            lines.push_back(std::move(line));
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    if (lines.empty())
        throw Failure{kscat.string() + " holds no object (package kstars-data): " + kInstallHint};
    return lines;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::cerr << "usage: nj-skydata OUTDIR [SOURCEDIR]\n";
        return 2;
    }
    const fs::path out = argv[1];
    const fs::path source = argc == 3 ? fs::path(argv[2]) : fs::path(NJ_SKYDATA_CACHE);
    try {
        fs::create_directories(out);
        const std::map<int, BrightStar> byHr = readStars(source / "usr/share/xplanet/stars/BSC");
        std::map<int, BrightStar> byHd;
        std::vector<std::string> stars;
        const int last = byHr.rbegin()->first;
        for (int hr = 1; hr <= last; ++hr) {
            const auto found = byHr.find(hr);
            stars.push_back(StarLine(hr, found == byHr.end() ? nullptr : &found->second));
            if (found != byHr.end())
                byHd.emplace(found->second.hd, found->second);
        }
        const std::vector<std::string> deepSky = readDeepSky(source / "usr/share/kstars/OpenNGC.kscat");
        std::vector<int> missing;
        const std::vector<std::string> lines
            = ConstellationLines(readAll(source / "usr/share/kstars/clines.dat", "kstars-data"), byHd, missing);
        if (lines.empty() || !missing.empty())
            throw Failure{"clines.dat names stars missing from the star catalogue (package kstars-data): "
                          + std::string(kInstallHint)};
        writeLines(out / "Catalog.dat", stars);
        writeLines(out / "SAC72.dat", deepSky);
        writeLines(out / "Conlines.dat", lines);
        std::cout << "nj-skydata: " << stars.size() << " stars, " << deepSky.size() << " deep-sky objects, "
                  << lines.size() << " constellation segments in " << out.string() << "\n";
    } catch (const Failure& f) {
        std::cerr << "nj-skydata: " << f.what << "\n";
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "nj-skydata: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
