// Colour values of night-colour scheme files: whatever the text, a value read
// is a plain colour or the saved colour of an existing index, and it reads
// back as itself once written.

#include "app/helpers/scheme_colour.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = QString::fromLatin1(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<std::int32_t> v = SchemeColour::Parse(text);
    if (!v)
        return 0;
    NJ_FUZZ_CHECK(*v >= 0 ? *v <= 0xFFFFFF : (*v & 0xFF) < SchemeColour::kIndexCount,
                  QStringLiteral("\"%1\" gives %2").arg(text).arg(*v));
    NJ_FUZZ_CHECK(SchemeColour::Parse(QString::number(*v)) == v, QStringLiteral("%1 does not read back").arg(*v));
    return 0;
}
