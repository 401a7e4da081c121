#include "app/helpers/str_helpers.h"

namespace StrHelpers {
namespace {

constexpr QChar kQuote = u'"';
constexpr QChar kBlank = u' ';

} // namespace

QString RemoveChar(const QString& s, QChar c)
{
    QString out = s;
    out.remove(c);
    return out;
}

QString CollapseSpaces(const QString& s)
{
    QString out;
    out.reserve(s.size());
    for (const QChar ch : s) {
        if (ch == kBlank && out.endsWith(kBlank))
            continue;
        out += ch;
    }
    return out;
}

QString RemoveFileExt(const QString& s)
{
    for (qsizetype i = s.size() - 1; i >= 0; --i) {
        const QChar ch = s[i];
        if (ch == u'.')
            return s.left(i);
        if (ch == u'\\' || ch == u'/' || ch == u':')
            break;
    }
    return s;
}

QString PadLeft(const QString& s, QChar c, int n)
{
    return s.size() >= n ? s : QString(n - s.size(), c) + s;
}

QString PadRight(const QString& s, QChar c, int n)
{
    return s.size() >= n ? s : s + QString(n - s.size(), c);
}

int CountFields(const QString& s, QChar sep)
{
    if (s.isEmpty())
        return 0;
    int count = 1;
    bool quoted = false;
    for (qsizetype i = 0; i + 1 < s.size(); ++i) {
        if (s[i] == kQuote)
            quoted = !quoted;
        else if (s[i] == sep && !quoted)
            ++count;
    }
    return count;
}

QString ExtractField(const QString& s, QChar sep, int n)
{
    const int wanted = n < 1 ? 1 : n;
    int field = 1;
    bool quoted = false;
    qsizetype start = 0;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == kQuote) {
            quoted = !quoted;
        } else if (s[i] == sep && !quoted) {
            if (field == wanted)
                return s.mid(start, i - start);
            ++field;
            start = i + 1;
        }
    }
    return field == wanted ? s.mid(start) : QString();
}

QString ExtractFieldStr(const QString& s, int n, const QString& sep)
{
    if (sep.isEmpty())
        return n <= 1 ? s : QString();
    return ExtractField(s, sep[0], n);
}

QString ExtractCommandWord(const QString& line)
{
    qsizetype i = 0;
    while (i < line.size() && line[i] == kBlank)
        ++i;
    QString word;
    int slashes = 0;
    for (; i < line.size(); ++i) {
        const QChar ch = line[i];
        if (ch == u'(' || ch == kBlank)
            break;
        if (ch == u':') {
            if (word.isEmpty())
                word += ch;   // ":" opening the line is the whole word
            break;
        }
        word += ch;
        if (ch == u'/' && ++slashes == 2)
            break;
    }
    return word;
}

QString ExtractParenArgs(const QString& line)
{
    const qsizetype open = line.indexOf(u'(');
    if (open < 0)
        return {};
    bool quoted = false;
    for (qsizetype i = open + 1; i < line.size(); ++i) {
        if (line[i] == kQuote)
            quoted = !quoted;
        else if (line[i] == u')' && !quoted)
            return line.mid(open + 1, i - open - 1);
    }
    return line.mid(open + 1);
}

bool IsDigitChar(const QString& s)
{
    return !s.isEmpty() && ((s[0] >= u'0' && s[0] <= u'9') || s[0] == u'.');
}

bool IsLetterChar(const QString& s)
{
    if (s.isEmpty())
        return false;
    const QChar c = s[0];
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_';
}

bool IsArithOperator(const QString& s)
{
    return !s.isEmpty() && QStringView(u"*+-/").contains(s[0]);
}

bool IsComparisonChar(const QString& s)
{
    return !s.isEmpty() && QStringView(u"<=>").contains(s[0]);
}

bool IsNumber(const QString& s)
{
    qsizetype i = s.startsWith(u'-') ? 1 : 0;
    bool digit = false;
    bool point = false;
    for (; i < s.size(); ++i) {
        if (s[i] >= u'0' && s[i] <= u'9') {
            digit = true;
        } else if (s[i] == u'.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return digit;
}

} // namespace StrHelpers
