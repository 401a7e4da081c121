#include "platform/ini_document.h"

#include "platform/atomic_file.h"
#include "platform/codepage.h"

#include <QFileInfo>
#include <QStringDecoder>

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

namespace platform {
namespace {

const QByteArray kBom("\xEF\xBB\xBF");
const QByteArray kBomUtf16Le("\xFF\xFE");
const QByteArray kBomUtf16Be("\xFE\xFF");

QByteArray bomBytes(TextEncoding e)
{
    switch (e) {
    case TextEncoding::Utf8: return kBom;
    case TextEncoding::Utf16Le: return kBomUtf16Le;
    case TextEncoding::Utf16Be: return kBomUtf16Be;
    case TextEncoding::Cp1252: break;
    }
    return {};
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\v' || c == u'\f' || c == QChar(0x1A);
}

QStringView trimmed(QStringView s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.sliced(b, e - b);
}

bool isBlankLine(const QString& text) { return trimmed(text).isEmpty(); }

// Line breaks inside a written name or value would split the line.
QString oneLine(const QString& text)
{
    QString out = text;
    out.replace(u'\r', u' ');
    out.replace(u'\n', u' ');
    return out;
}

// An integer that fits an int, in the syntax of parseIniInteger.
std::optional<int> parseInteger(QStringView s)
{
    const auto v = parseIniInteger(s);
    if (!v || *v < std::numeric_limits<int>::min() || *v > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(*v);
}

std::optional<double> parseFloat(QAnyStringView s)
{
    QByteArray bytes = s.toString().toLatin1();
    const char* b = bytes.constBegin();
    const char* e = bytes.constEnd();
    bool negative = false;
    if (b != e && (*b == '+' || *b == '-')) {
        negative = *b == '-';
        ++b;
    }
    // from_chars would take a second sign, "inf" and "nan"; a number starts
    // with a digit or a point.
    if (b == e || !(std::isdigit(static_cast<unsigned char>(*b)) || *b == '.'))
        return std::nullopt;
    double v = 0;
    const auto [end, ec] = std::from_chars(b, e, v, std::chars_format::general);
    if (ec != std::errc() || end != e || !std::isfinite(v))
        return std::nullopt;
    return negative ? -v : v;
}

QString formatFloat(double v)
{
    if (std::isnan(v))
        return QStringLiteral("NAN");
    if (std::isinf(v))
        return v < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    char buf[64];
    // 15 significant digits, as the files have always held; a value that
    // rounds beyond the largest double at 15 digits gets the shortest text
    // that reads back instead.
    auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15);
    if (!parseFloat(QLatin1StringView(buf, res.ptr - buf)))
        res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general);
    const QString s = QString::fromLatin1(buf, res.ptr - buf);
    const qsizetype e = s.indexOf(u'e');
    if (e < 0)
        return s;
    // "1.5e-05" -> "1.5E-5", "1e+20" -> "1E20"
    const QStringView exp = QStringView(s).sliced(e + 1);
    const bool negExp = exp.startsWith(u'-');
    const int n = exp.sliced(1).toInt();
    return s.left(e) + u'E' + (negExp ? QStringLiteral("-") : QString()) + QString::number(n);
}

} // namespace

QString foldIniName(const QString& name)
{
    QString out = name;
    for (QChar& c : out) {
        const char16_t u = c.unicode();
        if ((u >= u'A' && u <= u'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7))
            c = QChar(static_cast<char16_t>(u + 0x20));
    }
    return out;
}

IniDocument::IniDocument(const QString& path) { load(path); }

void IniDocument::clear()
{
    lines_.clear();
    encoding_ = TextEncoding::Cp1252;
    bom_ = false;
    error_.clear();
    modified_ = false;
    loadFailed_ = false;
    sectionIndex_.reset();
}

bool IniDocument::load(const QString& path)
{
    clear();
    fileName_ = path;
    QFileInfo info(path);
    if (!info.exists())
        return true;
    QFile f(path);
    if (info.isDir() || !f.open(QIODevice::ReadOnly)) {
        error_ = QStringLiteral("Cannot read \"%1\": %2")
                     .arg(path, info.isDir() ? QStringLiteral("it is a folder") : f.errorString());
        loadFailed_ = true;
        return false;
    }
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        error_ = QStringLiteral("Cannot read \"%1\": %2").arg(path, f.errorString());
        loadFailed_ = true;
        return false;
    }
    setBytes(bytes);
    // NUL bytes (a file of zeros left by a crash, a binary file) are no
    // settings text: such a file is reported and never overwritten.
    if (encoding_ != TextEncoding::Utf16Le && encoding_ != TextEncoding::Utf16Be && bytes.contains('\0')) {
        clear();
        error_ = QStringLiteral("\"%1\" is not a settings file (it holds NUL bytes)").arg(path);
        loadFailed_ = true;
        return false;
    }
    return true;
}

void IniDocument::setBytes(const QByteArray& bytes)
{
    const QString keepName = fileName_;
    clear();
    fileName_ = keepName;

    // The encoding is decided once, by the byte-order mark alone: a file
    // without one is CP1252, even when its bytes happen to form UTF-8.
    QByteArrayView body(bytes);
    int unit = 1;
    if (body.startsWith(kBom)) {
        encoding_ = TextEncoding::Utf8;
    } else if (body.startsWith(kBomUtf16Le)) {
        encoding_ = TextEncoding::Utf16Le;
        unit = 2;
    } else if (body.startsWith(kBomUtf16Be)) {
        encoding_ = TextEncoding::Utf16Be;
        unit = 2;
    }
    if (encoding_ != TextEncoding::Cp1252) {
        bom_ = true;
        body = body.sliced(bomBytes(encoding_).size());
    }

    // The character of the code unit at byte i.
    auto at = [&](qsizetype i) -> char16_t {
        if (unit == 1)
            return static_cast<unsigned char>(body[i]);
        const auto a = static_cast<unsigned char>(body[i]), b = static_cast<unsigned char>(body[i + 1]);
        return encoding_ == TextEncoding::Utf16Le ? char16_t(a | (b << 8)) : char16_t((a << 8) | b);
    };
    // A trailing odd byte of a UTF-16 file stays in the last line's bytes.
    const qsizetype units = body.size() - body.size() % unit;
    qsizetype pos = 0;
    while (pos < body.size()) {
        // CR LF, LF and CR alone all end a line.
        qsizetype end = pos;
        while (end < units && at(end) != u'\n' && at(end) != u'\r')
            end += unit;
        if (end >= units)
            end = body.size();
        qsizetype next = end;
        if (end < body.size()) {
            next = end + unit;
            if (at(end) == u'\r' && next < units && at(next) == u'\n')
                next += unit;
        }
        Line line;
        line.raw = body.sliced(pos, end - pos).toByteArray();
        line.eol = body.sliced(end, next - end).toByteArray();
        line.text = decode(line.raw);
        parseLine(line);
        lines_.push_back(std::move(line));
        pos = next;
    }
}

QByteArray IniDocument::toBytes() const
{
    QByteArray out;
    if (bom_)
        out += bomBytes(encoding_);
    for (const Line& l : lines_) {
        out += l.dirty ? encode(l.text) : l.raw;
        out += l.eol;
    }
    return out;
}

QString IniDocument::decode(const QByteArray& raw) const
{
    switch (encoding_) {
    case TextEncoding::Cp1252: return fromCp1252(raw);
    case TextEncoding::Utf8: {
        // A U+FEFF at the start of a line is text, not a byte-order mark.
        QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
        return utf8(raw);
    }
    case TextEncoding::Utf16Le:
    case TextEncoding::Utf16Be: {
        QString out(raw.size() / 2, Qt::Uninitialized);
        for (qsizetype i = 0; i + 1 < raw.size(); i += 2) {
            const auto a = static_cast<unsigned char>(raw[i]), b = static_cast<unsigned char>(raw[i + 1]);
            out[i / 2] = QChar(encoding_ == TextEncoding::Utf16Le ? char16_t(a | (b << 8)) : char16_t((a << 8) | b));
        }
        return out;
    }
    }
    return {};
}

QByteArray IniDocument::encode(const QString& text) const
{
    switch (encoding_) {
    case TextEncoding::Cp1252: return toCp1252(text);
    case TextEncoding::Utf8: return text.toUtf8();
    case TextEncoding::Utf16Le:
    case TextEncoding::Utf16Be: {
        QByteArray out;
        out.reserve(text.size() * 2);
        for (const QChar c : text) {
            const char lo = char(c.unicode() & 0xFF), hi = char(c.unicode() >> 8);
            if (encoding_ == TextEncoding::Utf16Le)
                out.append(lo).append(hi);
            else
                out.append(hi).append(lo);
        }
        return out;
    }
    }
    return {};
}

void IniDocument::makeEncodable(const QString& text)
{
    if (encoding_ != TextEncoding::Cp1252 || fromCp1252(toCp1252(text)) == text)
        return;
    // A letter CP1252 has no byte for ("Ł"): the whole file becomes UTF-8
    // with a byte-order mark rather than lose it to "?".
    for (Line& l : lines_)
        l.dirty = true;
    encoding_ = TextEncoding::Utf8;
    bom_ = true;
}

void IniDocument::parseLine(Line& line) const
{
    line.kind = Kind::Other;
    line.name.clear();
    line.folded.clear();
    const QStringView t = trimmed(line.text);
    if (t.startsWith(u'[')) {
        const qsizetype close = t.lastIndexOf(u']');
        if (close > 0) {
            line.kind = Kind::Section;
            line.name = trimmed(t.sliced(1, close - 1)).toString();
        }
    } else if (!t.startsWith(u';')) {
        const qsizetype eq = line.text.indexOf(u'=');
        if (eq >= 0) {
            const QStringView name = trimmed(QStringView(line.text).first(eq));
            if (!name.isEmpty()) {
                line.kind = Kind::Key;
                line.name = name.toString();
                qsizetype v = eq + 1;
                while (v < line.text.size() && isBlank(line.text[v]))
                    ++v;
                line.valueStart = v;
            }
        }
    }
    if (line.kind != Kind::Other)
        line.folded = foldIniName(line.name);
}

QString IniDocument::valueOf(const Line& line) const
{
    return trimmed(QStringView(line.text).sliced(line.valueStart)).toString();
}

qsizetype IniDocument::findSection(const QString& folded) const
{
    if (!sectionIndex_) {
        sectionIndex_.emplace();
        for (qsizetype i = 0; i < static_cast<qsizetype>(lines_.size()); ++i) {
            const Line& l = lines_[i];
            if (l.kind == Kind::Section && !sectionIndex_->contains(l.folded))
                sectionIndex_->insert(l.folded, i);
        }
    }
    return sectionIndex_->value(folded, -1);
}

qsizetype IniDocument::sectionEnd(qsizetype header) const
{
    qsizetype i = header + 1;
    while (i < static_cast<qsizetype>(lines_.size()) && lines_[i].kind != Kind::Section)
        ++i;
    return i;
}

qsizetype IniDocument::findKey(const QString& section, const QString& key) const
{
    const qsizetype h = findSection(foldIniName(trimmed(section).toString()));
    if (h < 0)
        return -1;
    const QString k = foldIniName(trimmed(key).toString());
    const qsizetype end = sectionEnd(h);
    for (qsizetype i = h + 1; i < end; ++i) {
        if (lines_[i].kind == Kind::Key && lines_[i].folded == k)
            return i;
    }
    return -1;
}

QByteArray IniDocument::defaultEol() const
{
    for (const Line& l : lines_) {
        if (!l.eol.isEmpty())
            return l.eol;
    }
    return encode(QStringLiteral("\r\n"));
}

void IniDocument::insertLine(qsizetype at, const QString& text)
{
    const QByteArray eol = defaultEol();
    // A last line without a line end gets one before anything follows it.
    if (at == static_cast<qsizetype>(lines_.size()) && at > 0 && lines_.back().eol.isEmpty()) {
        lines_.back().eol = eol;
        // A stray odd byte at the end of a UTF-16 file would shift every
        // character after it.
        if (encoding_ != TextEncoding::Cp1252 && encoding_ != TextEncoding::Utf8 && lines_.back().raw.size() % 2)
            lines_.back().dirty = true;
    }
    Line line;
    line.text = text;
    line.eol = eol;
    line.dirty = true;
    parseLine(line);
    lines_.insert(lines_.begin() + at, std::move(line));
    sectionIndex_.reset();
    modified_ = true;
}

void IniDocument::eraseLines(qsizetype from, qsizetype to)
{
    lines_.erase(lines_.begin() + from, lines_.begin() + to);
    sectionIndex_.reset();
    modified_ = true;
}

QString IniDocument::readString(const QString& section, const QString& key, const QString& defaultValue) const
{
    const qsizetype i = findKey(section, key);
    return i < 0 ? defaultValue : valueOf(lines_[i]);
}

int IniDocument::readInteger(const QString& section, const QString& key, int defaultValue) const
{
    const qsizetype i = findKey(section, key);
    if (i < 0)
        return defaultValue;
    return parseInteger(trimmed(QStringView(lines_[i].text).sliced(lines_[i].valueStart))).value_or(defaultValue);
}

bool IniDocument::readBool(const QString& section, const QString& key, bool defaultValue) const
{
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

double IniDocument::readFloat(const QString& section, const QString& key, double defaultValue) const
{
    const qsizetype i = findKey(section, key);
    if (i < 0)
        return defaultValue;
    return parseFloat(trimmed(QStringView(lines_[i].text).sliced(lines_[i].valueStart))).value_or(defaultValue);
}

void IniDocument::writeString(const QString& section, const QString& key, const QString& value)
{
    // Line breaks first, so a name is trimmed as it will be read.
    const QString sec = trimmed(oneLine(section)).toString();
    const QString k = trimmed(oneLine(key)).toString();
    const QString v = oneLine(value);
    if (k.isEmpty())
        return;
    makeEncodable(sec + k + v);
    const qsizetype h = findSection(foldIniName(sec));
    if (h < 0) {
        insertLine(static_cast<qsizetype>(lines_.size()), u'[' + sec + u']');
        insertLine(static_cast<qsizetype>(lines_.size()), k + u'=' + v);
        return;
    }
    const qsizetype i = findKey(sec, k);
    if (i >= 0) {
        Line& l = lines_[i];
        if (valueOf(l) == v)
            return;   // unchanged: keep the line's bytes
        l.text = l.text.left(l.valueStart) + v;
        l.dirty = true;
        modified_ = true;
        return;
    }
    // After the last key line; in a section without keys, before its
    // trailing blank lines.
    const qsizetype end = sectionEnd(h);
    qsizetype at = h + 1;
    bool haveKey = false;
    for (qsizetype j = h + 1; j < end; ++j) {
        if (lines_[j].kind == Kind::Key) {
            at = j + 1;
            haveKey = true;
        }
    }
    if (!haveKey) {
        at = end;
        while (at > h + 1 && isBlankLine(lines_[at - 1].text))
            --at;
    }
    insertLine(at, k + u'=' + v);
}

void IniDocument::writeInteger(const QString& section, const QString& key, int value)
{
    writeString(section, key, QString::number(value));
}

void IniDocument::writeBool(const QString& section, const QString& key, bool value)
{
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void IniDocument::writeFloat(const QString& section, const QString& key, double value)
{
    writeString(section, key, formatFloat(value));
}

bool IniDocument::sectionExists(const QString& section) const { return !readSection(section).isEmpty(); }

bool IniDocument::valueExists(const QString& section, const QString& key) const
{
    return findKey(section, key) >= 0;
}

QStringList IniDocument::readSection(const QString& section) const
{
    QStringList out;
    const qsizetype h = findSection(foldIniName(trimmed(section).toString()));
    if (h < 0)
        return out;
    QStringList seen;
    const qsizetype end = sectionEnd(h);
    for (qsizetype i = h + 1; i < end; ++i) {
        const Line& l = lines_[i];
        if (l.kind == Kind::Key && !seen.contains(l.folded)) {
            seen.append(l.folded);
            out.append(l.name);
        }
    }
    return out;
}

QStringList IniDocument::readSections() const
{
    QStringList out;
    for (qsizetype i = 0; i < static_cast<qsizetype>(lines_.size()); ++i) {
        if (lines_[i].kind == Kind::Section && findSection(lines_[i].folded) == i)
            out.append(lines_[i].name);
    }
    return out;
}

void IniDocument::eraseSection(const QString& section)
{
    const QString folded = foldIniName(trimmed(section).toString());
    for (qsizetype h = findSection(folded); h >= 0; h = findSection(folded))
        eraseLines(h, sectionEnd(h));
}

void IniDocument::deleteKey(const QString& section, const QString& key)
{
    for (qsizetype i = findKey(section, key); i >= 0; i = findKey(section, key))
        eraseLines(i, i + 1);
}

bool IniDocument::writeTo(const QString& path)
{
    error_.clear();
    if (path.isEmpty()) {
        error_ = QStringLiteral("No file name to write the settings to");
        return false;
    }
    QString reason;
    if (!WriteFileAtomically(path, toBytes(), &reason)) {
        error_ = QStringLiteral("Cannot write \"%1\": %2").arg(path, reason);
        return false;
    }
    // What is on disk now is what the lines hold.
    for (Line& l : lines_) {
        if (l.dirty) {
            l.raw = encode(l.text);
            l.dirty = false;
        }
    }
    modified_ = false;
    return true;
}

bool IniDocument::save()
{
    if (loadFailed_) {
        error_ = QStringLiteral("\"%1\" was not read, so it is not overwritten").arg(fileName_);
        return false;
    }
    return writeTo(fileName_);
}

bool IniDocument::saveAs(const QString& path)
{
    if (!writeTo(path))
        return false;
    fileName_ = path;
    loadFailed_ = false;
    return true;
}

std::optional<std::int64_t> parseIniInteger(QStringView text)
{
    const QStringView s = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
        negative = s[i] == u'-';
        ++i;
    }
    int base = 10;
    if (i < s.size() && s[i] == u'$') {
        base = 16;
        ++i;
    } else if (i + 1 < s.size() && s[i] == u'0' && (s[i + 1] == u'x' || s[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    if (i == s.size())
        return std::nullopt;
    std::uint64_t v = 0;
    const std::uint64_t limit = base == 16 ? 0xFFFFFFFFull : static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + 1;
    for (; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        int d;
        if (c >= u'0' && c <= u'9')
            d = c - u'0';
        else if (base == 16 && c >= u'a' && c <= u'f')
            d = c - u'a' + 10;
        else if (base == 16 && c >= u'A' && c <= u'F')
            d = c - u'A' + 10;
        else
            return std::nullopt;
        if (v > (limit - static_cast<std::uint64_t>(d)) / static_cast<std::uint64_t>(base))
            return std::nullopt;
        v = v * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(d);
    }
    if (base == 16) {
        // 32 bits, read as a signed integer ("$FFFFFFFF" is -1).
        const auto bits = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
        return negative ? -static_cast<std::int64_t>(bits) : static_cast<std::int64_t>(bits);
    }
    if (!negative && v > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
        return std::nullopt;
    return negative ? static_cast<std::int64_t>(0 - v) : static_cast<std::int64_t>(v);
}

} // namespace platform
