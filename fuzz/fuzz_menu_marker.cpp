// Custom-function markers: the block-by-block search over the bytes finds
// the same caption as a plain line-by-line reading of the decoded text, and
// a caption is always part of one line of that text.

#include "app/helpers/menu_marker.h"
#include "fuzz_check.h"
#include "platform/codepage.h"

#include <QBuffer>

namespace {

// The first line holding the marker, read the plain way.
QString reference(const QByteArray& bytes, const QString& marker)
{
    for (QString line : platform::fromCp1252(bytes).split(u'\n')) {
        while (line.endsWith(u'\r'))
            line.chop(1);
        if (line.toLower().contains(marker.toLower()))
            return Align_V::CaptionBetweenParentheses(line);
    }
    return {};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer device(&bytes);
    device.open(QIODevice::ReadOnly);
    const QString marker = QStringLiteral("@Menu");
    const QString caption = Align_V::FindMenuMarkerIn(device, marker);
    NJ_FUZZ_CHECK(caption == reference(bytes, marker), QStringLiteral("caption \"%1\"").arg(caption));
    NJ_FUZZ_CHECK(!caption.contains(u'\n'), caption);
    NJ_FUZZ_CHECK(caption.isEmpty() || platform::fromCp1252(bytes).contains(u'(' + caption + u')'), caption);
    return 0;
}
