// The comparison picture's description (".ovl"): any bytes give a
// description without fault; a size accepted for drawing has a known unit,
// no negative side, not both sides 0, and finite metres; a picture found to
// fit never asks for more than 4096 half pixels on screen, whatever the
// distance and the image scale.

#include "fuzz_check.h"
#include "platform/ini_document.h"
#include "tools/util_mesure.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const double scale = in.ConsumeFloatingPoint<double>();
    const double distance = in.ConsumeFloatingPoint<double>();
    const std::string rest = in.ConsumeRemainingBytesAsString();

    platform::IniDocument ini;
    ini.setBytes(QByteArray(rest.data(), qsizetype(rest.size())));
    const Util_Mesure::OverlayDescription d = Util_Mesure::ReadOverlayDescription(ini);
    const auto metres = Util_Mesure::OverlaySizeInMetres(d);
    if (!metres)
        return 0;
    const QString detail = QStringLiteral("unit %1 dx %2 dy %3").arg(d.unit).arg(d.dx).arg(d.dy);
    NJ_FUZZ_CHECK(d.unit >= 0 && d.unit <= 3, detail);
    NJ_FUZZ_CHECK(d.dx >= 0 && d.dy >= 0 && (d.dx > 0 || d.dy > 0), detail);
    NJ_FUZZ_CHECK(std::isfinite(double(metres->dx)) && std::isfinite(double(metres->dy)), detail);

    const Util_Mesure::OverlayFit fit = Util_Mesure::FitOverlay(metres->dx, metres->dy, distance, scale);
    if (fit.fits) {
        NJ_FUZZ_CHECK(fit.halfWidth >= 0 && fit.halfWidth <= 4096, detail);
        NJ_FUZZ_CHECK(fit.halfHeight >= 0 && fit.halfHeight <= 4096, detail);
        NJ_FUZZ_CHECK(!fit.tooLarge, detail);
    }
    return 0;
}
