// Numbers as the settings file and the port fields write them: every number
// written as text reads back as itself (floats to their 15 significant
// digits), and any text that reads as a number reads the same once written
// again.

#include "app/helpers/num_text.h"
#include "fuzz_check.h"
#include "platform/ini_document.h"

#include <cmath>
#include <cstring>

namespace {

const QString kSec = QStringLiteral("S");
const QString kKey = QStringLiteral("K");

void floatReadsBack(double v)
{
    platform::IniDocument doc;
    doc.writeFloat(kSec, kKey, v);
    const double r = doc.readFloat(kSec, kKey, std::nan(""));
    const QString written = doc.readString(kSec, kKey, {});
    NJ_FUZZ_CHECK(std::isfinite(r), QStringLiteral("%1 written as \"%2\" does not read back").arg(v, 0, 'g', 17).arg(written));
    NJ_FUZZ_CHECK(std::fabs(r - v) <= std::fabs(v) * 1e-14,
                  QStringLiteral("%1 reads back as %2 (\"%3\")").arg(v, 0, 'g', 17).arg(r, 0, 'g', 17).arg(written));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const auto u64 = in.ConsumeIntegral<std::uint64_t>();
    const auto i64 = in.ConsumeIntegral<std::int64_t>();
    const auto i32 = in.ConsumeIntegral<std::int32_t>();
    double d;
    const auto bits = in.ConsumeIntegral<std::uint64_t>();
    std::memcpy(&d, &bits, sizeof d);
    const std::string raw = in.ConsumeRemainingBytesAsString();
    const QString text = QString::fromLatin1(raw.data(), qsizetype(raw.size()));

    // Hexadecimal and binary texts.
    NJ_FUZZ_CHECK(NumText::HexToInt(QString::number(u64, 16)) == u64, QString::number(u64));
    NJ_FUZZ_CHECK(NumText::HexToInt(u'$' + QString::number(u64, 16).toUpper()) == u64, QString::number(u64));
    NJ_FUZZ_CHECK(NumText::BinToInt(QString::number(u64, 2)) == u64, QString::number(u64));
    const QString bin = NumText::IntToBin(std::uint32_t(u64));
    NJ_FUZZ_CHECK(bin.size() >= 8 && NumText::BinToInt(bin) == std::uint32_t(u64), bin);
    if (const auto h = NumText::HexToInt(text))
        NJ_FUZZ_CHECK(NumText::HexToInt(QString::number(*h, 16)) == h, text);
    if (const auto b = NumText::BinToInt(text))
        NJ_FUZZ_CHECK(NumText::BinToInt(QString::number(*b, 2)) == b, text);

    // Integers of the settings file.
    NJ_FUZZ_CHECK(platform::parseIniInteger(QString::number(i64)) == i64, QString::number(i64));
    if (const auto v = platform::parseIniInteger(text))
        NJ_FUZZ_CHECK(platform::parseIniInteger(QString::number(*v)) == v, text);
    platform::IniDocument doc;
    doc.writeInteger(kSec, kKey, i32);
    NJ_FUZZ_CHECK(doc.readInteger(kSec, kKey, i32 == 0 ? 1 : 0) == i32, QString::number(i32));

    // Floats of the settings file.
    if (std::isfinite(d))
        floatReadsBack(d);
    doc.writeString(kSec, kKey, text);
    const double fromText = doc.readFloat(kSec, kKey, std::nan(""));
    if (!std::isnan(fromText)) {
        NJ_FUZZ_CHECK(std::isfinite(fromText), text);
        floatReadsBack(fromText);
    }
    return 0;
}
