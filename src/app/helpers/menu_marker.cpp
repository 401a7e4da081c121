#include "app/helpers/menu_marker.h"

#include "platform/codepage.h"

#include <QFile>

#include <algorithm>
#include <cstring>
#include <optional>

namespace Align_V {
namespace {

// A line longer than this is read in pieces of this size.
constexpr qint64 kMaxLinePiece = 1 << 20;

// Whether bytes hold an ASCII lower-case needle, ASCII letters of any case.
bool containsNoCase(const QByteArray& bytes, const QByteArray& needle)
{
    if (needle.isEmpty())
        return true;
    const char first = needle.front();
    const char firstUpper = char(QChar::toUpper(uchar(first)));
    const char* p = bytes.constData();
    const char* end = p + bytes.size();
    while (end - p >= needle.size()) {
        const char* a = static_cast<const char*>(std::memchr(p, first, size_t(end - p)));
        const char* b = first == firstUpper ? nullptr : static_cast<const char*>(std::memchr(p, firstUpper, size_t(end - p)));
        const char* hit = !a ? b : !b ? a : std::min(a, b);
        if (!hit || end - hit < needle.size())
            return false;
        if (qstrnicmp(hit, needle.constData(), size_t(needle.size())) == 0)
            return true;
        p = hit + 1;
    }
    return false;
}

} // namespace

QString CaptionBetweenParentheses(const QString& line)
{
    const qsizetype open = line.indexOf(u'(');
    if (open < 0)
        return {};
    int depth = 0;
    bool quoted = false;
    for (qsizetype i = open; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (c == u'"')
            quoted = !quoted;
        else if (!quoted && c == u'(')
            ++depth;
        else if (!quoted && c == u')' && --depth == 0)
            return line.mid(open + 1, i - open - 1);
    }
    return {};
}

QString FindMenuMarkerIn(QIODevice& file, const QString& marker)
{
    if (marker.isEmpty() || !file.isReadable())
        return {};
    const QString wanted = marker.toLower();
    // An ASCII marker is looked for in the bytes first: long files are
    // only decoded where it occurs.
    const QByteArray wantedBytes = wanted.toLatin1();
    const bool ascii = QString::fromLatin1(wantedBytes) == wanted
                       && std::all_of(wantedBytes.begin(), wantedBytes.end(), [](char c) { return uchar(c) < 0x80; });
    // The caption of a line holding the marker, or nothing.
    auto caption = [&](const QByteArray& bytes) -> std::optional<QString> {
        if (ascii && !containsNoCase(bytes, wantedBytes))
            return std::nullopt;
        QString line = platform::fromCp1252(bytes);
        while (line.endsWith(u'\r'))
            line.chop(1);
        if (!line.toLower().contains(wanted))
            return std::nullopt;
        return CaptionBetweenParentheses(line);
    };
    // Read in blocks and split into lines; a line longer than a block is
    // looked at in pieces of that size.
    QByteArray pending;
    for (;;) {
        // No block larger than what is left: small scripts cost small reads.
        const QByteArray block = file.read(std::clamp<qint64>(file.bytesAvailable(), 4096, kMaxLinePiece));
        pending += block;
        qsizetype start = 0;
        while (const char* nl = static_cast<const char*>(
                   std::memchr(pending.constData() + start, '\n', size_t(pending.size() - start)))) {
            const qsizetype end = nl - pending.constData();
            if (const auto found = caption(pending.mid(start, end - start)))
                return *found;
            start = end + 1;
        }
        pending.remove(0, start);
        if (block.isEmpty() || pending.size() >= kMaxLinePiece) {
            if (const auto found = caption(pending))
                return *found;
            pending.clear();
        }
        if (block.isEmpty())
            return {};
    }
}

QString FindMenuMarker(const QString& fileName, const QString& marker)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return FindMenuMarkerIn(file, marker);
}

} // namespace Align_V
