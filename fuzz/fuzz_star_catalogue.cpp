// Star catalogue lines ("Catalog.dat"): every line keeps its record number
// (a bad line leaves an empty record), the table never outgrows its
// capacity, a filled record holds finite numbers and the name and SAO
// columns as they are; and a line written by the sky-data converter reads
// back as the values it was written from.

#include "catalogue_lines.h"
#include "fuzz_check.h"
#include "skydata_format.h"

#include <algorithm>
#include <cmath>

namespace {

void readBack(FuzzedDataProvider& in)
{
    skydata::BrightStar star;
    star.ra_hours = in.ConsumeFloatingPointInRange(0.0, 23.99);
    star.dec_deg = in.ConsumeFloatingPointInRange(-90.0, 90.0);
    star.magnitude = in.ConsumeFloatingPointInRange(-2.0, 20.0);
    star.hd = in.ConsumeIntegralInRange(1, 999999);
    star.sao = in.ConsumeIntegralInRange(0, 999999);
    star.name = in.ConsumeBytesAsString(10);
    for (char& c : star.name)
        c = char(' ' + (static_cast<unsigned char>(c) % 95));
    star.name.resize(10, ' ');
    const std::string line = skydata::StarLine(in.ConsumeIntegralInRange(1, 9999), &star);
    const auto back = Sky::ParseStarLine(line);
    const QString shown = QString::fromStdString(line);
    NJ_FUZZ_CHECK(back && back->filled, shown);
    double dra = std::fabs(back->ra - star.ra_hours * 54000);
    dra = std::min(dra, 1296000 - dra);   // 24 h is 0 h
    NJ_FUZZ_CHECK(dra <= 0.75 + 1e-6, shown);
    NJ_FUZZ_CHECK(std::fabs(back->dec - star.dec_deg * 3600) <= 0.5 + 1e-6, shown);
    NJ_FUZZ_CHECK(std::fabs(back->magnitude - star.magnitude) <= 0.005 + 1e-9, shown);
    NJ_FUZZ_CHECK(std::string(back->nameText()) == star.name, shown);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    if (in.ConsumeBool()) {
        readBack(in);
        return 0;
    }
    const QByteArray bytes = fuzz::remainingBytes(in);
    std::vector<Sky::StarRecord> table;
    const Sky::LoadReport report = Sky::ReadStars(bytes, table);
    const std::vector<std::string> lines = fuzz::catalogueLines(bytes);
    const int expected = std::min(int(lines.size()), Sky::kStarCapacity);
    NJ_FUZZ_CHECK(int(table.size()) == expected, QString::number(table.size()));
    NJ_FUZZ_CHECK(report.tooManyLines == (int(lines.size()) > Sky::kStarCapacity), QString());
    NJ_FUZZ_CHECK((report.firstBadLine == 0) == (report.badLines == 0) && report.firstBadLine <= expected, QString());
    for (std::size_t i = 0; i < table.size(); ++i) {
        const Sky::StarRecord& r = table[i];
        if (!r.filled)
            continue;
        const QString shown = QString::fromStdString(lines[i]);
        NJ_FUZZ_CHECK(std::isfinite(r.ra) && std::isfinite(r.dec) && std::isfinite(r.magnitude), shown);
        std::string name = lines[i].size() > 4 ? lines[i].substr(4, 10) : std::string();
        name.resize(10, ' ');
        NJ_FUZZ_CHECK(std::string(r.nameText()) == name, shown);
    }
    return 0;
}
