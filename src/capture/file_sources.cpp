#include "capture/file_sources.h"

#include "capture/camera_slots.h"
#include "kernels/picture_files.h"
#include "platform/clock.h"
#include "translation/translated_texts.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <vector>

std::int32_t PlayCount = 0;
std::int32_t PlayPosition = 0;
std::uint8_t PlayKind = 0;
std::uint8_t PlayListIsPictures = 1;
std::uint8_t PlayerSlot = 1;

namespace FileSources {

namespace {

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// -1, 0 or 1 as a is before, equal to or after b.
int naturalCompare(const QString& a, const QString& b)
{
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            const qsizetype si = i, sj = j;
            while (i < a.size() && isDigit(a[i]))
                ++i;
            while (j < b.size() && isDigit(b[j]))
                ++j;
            // Values compare by their digits without the leading zeros.
            qsizetype za = si, zb = sj;
            while (za < i - 1 && a[za] == u'0')
                ++za;
            while (zb < j - 1 && b[zb] == u'0')
                ++zb;
            if (i - za != j - zb)
                return i - za < j - zb ? -1 : 1;
            if (const int c = QStringView(a).mid(za, i - za).compare(QStringView(b).mid(zb, j - zb)))
                return c < 0 ? -1 : 1;
            continue;
        }
        const QChar ca = a[i].toCaseFolded(), cb = b[j].toCaseFolded();
        if (ca != cb)
            return ca < cb ? -1 : 1;
        ++i, ++j;
    }
    if (i < a.size() || j < b.size())
        return i < a.size() ? 1 : -1;
    // Equal but for case or leading zeros: a fixed order all the same.
    const int c = QString::compare(a, b, Qt::CaseInsensitive);
    return c != 0 ? (c < 0 ? -1 : 1) : (a < b ? -1 : (b < a ? 1 : 0));
}

} // namespace

bool NaturalLess(const QString& a, const QString& b) { return naturalCompare(a, b) < 0; }

void SortPlayList(QStringList& list)
{
    std::stable_sort(list.begin(), list.end(), NaturalLess);
    list.erase(std::unique(list.begin(), list.end(),
                           [](const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive) == 0; }),
               list.end());
}

int PictureKindOfName(const QString& fileName)
{
    if (fileName.endsWith(QLatin1String(".avi"), Qt::CaseInsensitive))
        return 0;
    return kernels::PictureFiles::KindOf(fileName) == kernels::PictureFiles::Kind::Other ? -1 : 1;
}

Sequence BuildSequence(const QString& first, const QString& last, QStringList& list)
{
    // The first position where the names differ, moved back to the start of
    // the number it falls in (img1 / img10 differ after "img1").
    const QString& longer = first.size() > last.size() ? first : last;
    const QString& shorter = first.size() > last.size() ? last : first;
    qsizetype i = 0;
    while (i < shorter.size() && first[i] == last[i])
        ++i;
    if (i >= longer.size() - 1 && first == last)
        return Sequence::SameName;
    while (i > 0 && isDigit(first[i - 1]))
        --i;
    // The extension as the shorter name writes it (names are case-sensitive).
    const QFileInfo info(shorter);
    const QString ext = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    auto numberPart = [&](const QString& name) {
        const qsizetype n = name.size() - ext.size() - i;
        if (n <= 0 || !name.endsWith(ext))
            return QString();
        return name.mid(i, n);
    };
    const QString numFirst = numberPart(first), numLast = numberPart(last);
    auto plain = [](const QString& s) { return !s.isEmpty() && std::all_of(s.begin(), s.end(), isDigit); };
    if (!plain(numFirst) || !plain(numLast))
        return Sequence::NotNumbers;
    bool ok1 = false, ok2 = false;
    const qint64 n1 = numFirst.toLongLong(&ok1), n2 = numLast.toLongLong(&ok2);
    if (!ok1 || !ok2 || n1 > INT32_MAX || n2 > INT32_MAX)
        return Sequence::NotNumbers;
    if (n2 - n1 + 1 > kMaxSequenceLength)
        return Sequence::TooMany;
    const QString prefix = first.left(i);
    const bool padded = numFirst.size() == numLast.size();
    QStringList names;
    for (qint64 n = n1; n <= n2; ++n) {
        const QString digits = QString::number(n);
        names << prefix + (padded ? digits.rightJustified(numFirst.size(), u'0') : digits) + ext;
    }
    list = std::move(names);
    return Sequence::Built;
}

bool LoadPictureFile(kernels::Bitmap24& bitmap, const QString& fileName, QString* error)
{
    using namespace kernels::PictureFiles;
    const Kind kind = KindOf(fileName);
    if (kind == Kind::Other)
        return true;
    // One buffer for the file and one bitmap for the picture, kept from
    // frame to frame: the player reads a file every tick.
    thread_local std::vector<std::uint8_t> bytes;
    thread_local kernels::Bitmap24 picture;
    QString reason;
    for (int attempt = 1; attempt <= kReadAttempts; ++attempt) {
        if (attempt > 1)
            platform::sleeper().sleepMs(kRetryPause_ms);
        QFile file(fileName);
        if (!file.open(QIODevice::ReadOnly)) {
            reason = file.errorString();
            continue;
        }
        const qint64 size = file.size();
        if (size <= 0) {
            reason = TranslatedTexts.MSG_Fichier_Vide;
            continue;
        }
        bytes.resize(static_cast<std::size_t>(size));
        if (file.read(reinterpret_cast<char*>(bytes.data()), size) != size) {
            reason = file.errorString();
            continue;
        }
        const Result r = kind == Kind::Bmp ? DecodeBmp(bytes.data(), bytes.size(), picture, &reason)
                                           : DecodeJpeg(bytes.data(), bytes.size(), picture, &reason);
        if (r == Result::Truncated)
            continue;
        if (r == Result::Refused)
            break;
        bitmap.resize(picture.width(), picture.height());
        std::copy(picture.bits(), picture.bits() + picture.byteCount(), bitmap.bits());
        return true;
    }
    if (error)
        *error = TranslatedTexts.MSG_Fichier_Lecture_Impossible.arg(fileName, reason);
    return false;
}

} // namespace FileSources
