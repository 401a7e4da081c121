// The equalizer's tone curve: any points and any count build a curve without
// fault in bounded time; for points the sliders can give, every level of the
// curve and every slider position lies within the reach of the curve's
// control points (a Bezier curve never leaves their hull).

#include "fuzz_check.h"
#include "kernels/equalizer.h"
#include "platform/message_service.h"

#include <algorithm>

namespace {

class Silent : public platform::MessageService {
public:
    platform::MsgResult show(const platform::Message&) override { return platform::MsgResult::Ok; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kernels::Equalizer;
    static Silent silent;
    platform::setMessageService(&silent);
    FuzzedDataProvider in(data, size);
    const bool sliders = in.ConsumeBool();
    EqualizerCurve curve;
    for (int p = 0; p < kPointCount; ++p) {
        EqualizerPoint& point = curve.Points[std::size_t(p)];
        if (sliders) {
            // Input levels 0, 32, ..., 224, 255; outputs 0..255; the ends switched on.
            point.X = p == 8 ? 255 : std::min(p * 32, 255);
            point.Y = in.ConsumeIntegralInRange(0, 255);
            point.Active = p == 0 || p == 8 || (p < 8 && in.ConsumeBool()) ? 1 : 0;
        } else {
            point.X = in.ConsumeIntegral<std::int32_t>();
            point.Y = in.ConsumeIntegral<std::int32_t>();
            point.Active = in.ConsumeIntegral<std::uint8_t>();
        }
    }
    if (sliders)
        curve.Points[9] = {};
    const int count = sliders ? 10 : in.ConsumeIntegralInRange(-2, 40);
    BuildEqualizerCurve(curve, count);
    if (!sliders)
        return 0;

    int anchors = 0;
    for (const EqualizerPoint& p : curve.Points)
        anchors += p.Active != 0;
    const int used = 3 * (anchors - 1) + 1;
    std::int32_t low = 0, high = 0;
    for (int i = 0; i < used; ++i) {
        low = std::min(low, curve.Bezier[std::size_t(i)].Y);
        high = std::max(high, curve.Bezier[std::size_t(i)].Y);
    }
    for (int x = 0; x < 256; ++x)
        NJ_FUZZ_CHECK(curve.LUT[std::size_t(x)] >= low && curve.LUT[std::size_t(x)] <= high,
                      QStringLiteral("level %1 is %2, outside %3..%4").arg(x).arg(curve.LUT[std::size_t(x)]).arg(low).arg(high));
    for (const auto& s : curve.SliderPositions)
        if (s)
            NJ_FUZZ_CHECK(*s >= 255 - high && *s <= 255 - low, QString::number(*s));
    return 0;
}
