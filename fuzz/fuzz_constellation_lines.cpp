// Constellation-line file ("Conlines.dat"): a line makes a segment or is
// counted as bad, the table never outgrows its capacity, and every segment
// holds finite radians equal to the numbers of its line.

#include "catalogue_lines.h"
#include "fuzz_check.h"

#include <cmath>
#include <numbers>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    std::vector<Sky::ConstellationSegment> table;
    const Sky::LoadReport report = Sky::ReadConstellationLines(bytes, table);
    const int lines = int(fuzz::catalogueLines(bytes).size());
    NJ_FUZZ_CHECK(int(table.size()) <= Sky::kConstellationCapacity, QString());
    if (!report.tooManyLines)
        NJ_FUZZ_CHECK(int(table.size()) + report.badLines == lines, QString::number(lines));
    for (const Sky::ConstellationSegment& s : table)
        NJ_FUZZ_CHECK(std::isfinite(s.ra1) && std::isfinite(s.dec1) && std::isfinite(s.ra2) && std::isfinite(s.dec2),
                      QString());

    // A line of four plain numbers reads back as them.
    if (size >= 8) {
        FuzzedDataProvider in(data, size);
        const int v[4] = {in.ConsumeIntegralInRange(0, 24000), in.ConsumeIntegralInRange(-9000, 9000),
                          in.ConsumeIntegralInRange(0, 24000), in.ConsumeIntegralInRange(-9000, 9000)};
        const QByteArray line = QByteArray("Orion,") + QByteArray::number(v[0]) + ',' + QByteArray::number(v[1]) + ','
                              + QByteArray::number(v[2]) + ',' + QByteArray::number(v[3]);
        const auto s = Sky::ParseConstellationLine(line.toStdString());
        constexpr double deg = std::numbers::pi / 180;
        NJ_FUZZ_CHECK(s && std::fabs(s->ra1 - v[0] / 1000.0 * 15 * deg) < 1e-12
                          && std::fabs(s->dec2 - v[3] / 100.0 * deg) < 1e-12,
                      QString::fromLatin1(line));
    }
    return 0;
}
