// Deep-sky catalogue lines ("SAC72.dat"): a line makes a record or is
// counted as bad, never both; names are stored without blanks within their
// lengths, the type in lower case, every number finite; and a line written
// by the sky-data converter reads back as the values it was written from.

#include "catalogue_lines.h"
#include "fuzz_check.h"
#include "skydata_format.h"

#include <algorithm>
#include <cmath>

namespace {

void readBack(FuzzedDataProvider& in)
{
    skydata::DeepSkyObject o;
    static const int types[] = {0, 3, 4, 5, 6, 7, 8, 13, 14, 17};
    o.type = types[in.ConsumeIntegralInRange(0, 9)];
    o.ra_deg = in.ConsumeFloatingPointInRange(0.0, 359.99);
    o.dec_deg = in.ConsumeFloatingPointInRange(-90.0, 90.0);
    o.magnitude = in.ConsumeFloatingPointInRange(-1.0, 30.0);
    o.majorAxis = in.ConsumeFloatingPointInRange(0.0, 900.0);
    o.minorAxis = in.ConsumeFloatingPointInRange(0.0, 900.0);
    o.positionAngle = in.ConsumeIntegralInRange(0, 179);
    o.name = "NGC " + std::to_string(in.ConsumeIntegralInRange(1, 7840));
    const std::string line = skydata::DeepSkyLine(o);
    const auto back = Sky::ParseDeepSkyLine(line);
    const QString shown = QString::fromStdString(line);
    NJ_FUZZ_CHECK(back.has_value(), shown);
    double dra = std::fabs(back->ra - o.ra_deg * 3600);
    dra = std::min(dra, 1296000 - dra);
    NJ_FUZZ_CHECK(dra <= 45 + 1e-6, shown);   // tenths of a minute of time
    NJ_FUZZ_CHECK(std::fabs(back->dec - o.dec_deg * 3600) <= 30 + 1e-6, shown);   // arcminutes
    NJ_FUZZ_CHECK(std::fabs(back->magnitude - o.magnitude) <= 0.05 + 1e-9, shown);
    NJ_FUZZ_CHECK(std::fabs(back->size1 - o.majorAxis) <= 0.005 + 1e-9, shown);
    NJ_FUZZ_CHECK(back->positionAngle == std::uint16_t(o.positionAngle), shown);
    NJ_FUZZ_CHECK(back->name == "NGC" + o.name.substr(4), shown);
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
    std::vector<Sky::DeepSkyRecord> table;
    const Sky::LoadReport report = Sky::ReadDeepSky(bytes, table);
    const int lines = int(fuzz::catalogueLines(bytes).size());
    NJ_FUZZ_CHECK(int(table.size()) <= Sky::kDeepSkyCapacity, QString());
    if (!report.tooManyLines)
        NJ_FUZZ_CHECK(int(table.size()) + report.badLines == lines, QString::number(lines));
    for (const Sky::DeepSkyRecord& r : table) {
        const QString shown = QString::fromStdString(r.name);
        NJ_FUZZ_CHECK(r.name.size() <= 16 && r.name.find(' ') == std::string::npos, shown);
        NJ_FUZZ_CHECK(r.otherName.size() <= 8 && r.otherName.find(' ') == std::string::npos, shown);
        NJ_FUZZ_CHECK(r.type.size() <= 5 && std::none_of(r.type.begin(), r.type.end(),
                                                         [](char c) { return c >= 'A' && c <= 'Z'; }),
                      shown);
        NJ_FUZZ_CHECK(std::isfinite(r.ra) && std::isfinite(r.dec) && std::isfinite(r.magnitude)
                          && std::isfinite(r.size1) && std::isfinite(r.size2),
                      shown);
    }
    return 0;
}
