#include "translation/language_file.h"

#include "app/helpers/str_helpers.h"
#include "platform/codepage.h"

#include <QFile>
#include <QFileInfo>

#include <limits>

namespace Translation {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

QByteArrayView trimmed(QByteArrayView v)
{
    while (!v.isEmpty() && isBlank(v.front()))
        v = v.sliced(1);
    while (!v.isEmpty() && isBlank(v.back()))
        v.chop(1);
    return v;
}

// Names compare without regard to ASCII letter case; the 8-bit letters of a
// code page are left as they are, since their case depends on the page.
QByteArray folded(QByteArrayView name)
{
    QByteArray out(name.data(), name.size());
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + ('a' - 'A'));
    }
    return out;
}

QByteArray foldedKey(QAnyStringView key)
{
    // Keys are ASCII; anything else is kept as Latin-1 so it never matches
    // by accident.
    return folded(key.toString().toLatin1());
}

} // namespace

LanguageFile::LanguageFile(const QString& path, const QString& section)
{
    if (path.isEmpty() || QFileInfo(path).isDir())
        return;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return;
    parse(f.readAll(), section);
}

void LanguageFile::parse(const QByteArray& bytes, const QString& section)
{
    values_.clear();
    hasSection_ = false;
    QByteArrayView text(bytes);
    utf8_ = text.startsWith("\xEF\xBB\xBF");
    if (utf8_)
        text = text.sliced(3);
    // The section name as the file spells it: UTF-8 files in UTF-8, the
    // others in CP1252 (section headers are read before the code page is
    // known).
    const QByteArray wanted = folded(utf8_ ? section.toUtf8() : platform::toCp1252(section));

    bool inSection = false;
    qsizetype pos = 0;
    const qsizetype n = text.size();
    while (pos < n) {
        qsizetype end = pos;
        while (end < n && text[end] != '\n' && text[end] != '\r')
            ++end;
        const QByteArrayView line = trimmed(text.sliced(pos, end - pos));
        pos = end + 1;
        if (end + 1 < n && text[end] == '\r' && text[end + 1] == '\n')
            ++pos;

        if (line.startsWith('[')) {
            if (hasSection_)
                break;  // the first section of that name is the only one read
            qsizetype close = line.indexOf(']');
            if (close < 0)
                close = line.size();
            inSection = folded(trimmed(line.sliced(1, close - 1))) == wanted;
            hasSection_ = inSection;
            continue;
        }
        if (!inSection)
            continue;
        const qsizetype eq = line.indexOf('=');
        if (eq < 0)
            continue;
        const QByteArray key = folded(trimmed(line.first(eq)));
        if (key.isEmpty() || values_.contains(key))
            continue;  // first occurrence wins
        QByteArrayView value = trimmed(line.sliced(eq + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.sliced(1, value.size() - 2);
        values_.insert(key, value.toByteArray());
    }
}

std::optional<QString> LanguageFile::value(QAnyStringView key) const
{
    const auto it = values_.constFind(foldedKey(key));
    if (it == values_.constEnd())
        return std::nullopt;
    QString text = utf8_ ? QString::fromUtf8(*it) : platform::decodeCodePage(codePage_, *it);
    if (text.size() > MaxValueLength)
        text.truncate(MaxValueLength);
    return text;
}

QString LanguageFile::read(QAnyStringView key, const QString& defaultValue) const
{
    std::optional<QString> v = value(key);
    return v ? std::move(*v) : defaultValue;
}

int parseCharset(const QString& value)
{
    constexpr int fallback = 1;
    const QString field = StrHelpers::ExtractFieldStr(value, 1, QStringLiteral(";"));
    qsizetype i = 0;
    const qsizetype n = field.size();
    while (i < n && field[i] == u' ')
        ++i;
    bool negative = false;
    if (i < n && (field[i] == u'+' || field[i] == u'-')) {
        negative = field[i] == u'-';
        ++i;
    }
    int base = 10;
    if (i < n && (field[i] == u'$' || field[i] == u'x' || field[i] == u'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < n && field[i] == u'0' && (field[i + 1] == u'x' || field[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    if (i >= n)
        return fallback;
    std::uint64_t number = 0;
    for (; i < n; ++i) {
        const int digit = QChar(field[i]).isDigit() && field[i].unicode() < 128 ? field[i].unicode() - u'0'
                          : base == 16 && field[i].toLower() >= u'a' && field[i].toLower() <= u'f'
                              ? field[i].toLower().unicode() - u'a' + 10
                              : -1;
        if (digit < 0)
            return fallback;
        number = number * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
        if (number > 0xFFFFFFFFull)
            return fallback;
    }
    if (base == 16) {
        // Hex digits give the 32 bits of the number ("$FFFFFFFF" is -1).
        const auto bits = static_cast<std::uint32_t>(number);
        return static_cast<std::int32_t>(negative ? 0u - bits : bits);
    }
    const std::int64_t signedNumber = negative ? -static_cast<std::int64_t>(number) : static_cast<std::int64_t>(number);
    if (signedNumber > std::numeric_limits<std::int32_t>::max() || signedNumber < std::numeric_limits<std::int32_t>::min())
        return fallback;
    return static_cast<int>(signedNumber);
}

int codePageOfCharset(int charset)
{
    switch (charset & 0xFF) {
    case 238: return 1250;
    case 204: return 1251;
    case 161: return 1253;
    case 162: return 1254;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 163: return 1258;
    case 222: return 874;
    case 128: return 932;
    case 134: return 936;
    case 129: return 949;
    case 136: return 950;
    default: return 1252;
    }
}

} // namespace Translation
