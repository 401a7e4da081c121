// The Windows code pages other than 1252, converted with the C library's
// iconv (glibc ships every one of them).

#include "platform/codepage.h"

#include <cerrno>
#include <iconv.h>

namespace platform {
namespace {

bool isSingleByte(int codePage) { return (codePage >= 1250 && codePage <= 1258) || codePage == 874; }

bool isKnown(int codePage)
{
    return isSingleByte(codePage) || codePage == 932 || codePage == 936 || codePage == 949
        || codePage == 950;
}

QByteArray iconvName(int codePage) { return "CP" + QByteArray::number(codePage); }

// One iconv conversion descriptor, closed on scope exit.
class Converter {
public:
    Converter(const QByteArray& to, const QByteArray& from) : cd_(iconv_open(to.constData(), from.constData())) {}
    ~Converter()
    {
        if (ok())
            iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts as much of [*in, *in + *inLeft) as it can into out, which
    // grows as needed. Returns 0 when everything was converted, else the
    // errno that stopped it (EILSEQ or EINVAL), with *in at the bad input.
    int convert(char** in, size_t* inLeft, QByteArray& out)
    {
        for (;;) {
            const qsizetype used = out.size();
            const size_t room = static_cast<size_t>(*inLeft) * 4 + 64;
            out.resize(used + static_cast<qsizetype>(room));
            char* dst = out.data() + used;
            size_t dstLeft = room;
            const size_t rc = iconv(cd_, in, inLeft, &dst, &dstLeft);
            const int err = rc == static_cast<size_t>(-1) ? errno : 0;
            out.resize(used + static_cast<qsizetype>(room - dstLeft));
            if (err == E2BIG)
                continue;
            if (err != 0)
                return err;
            // Flush whatever a stateful page still holds back.
            for (;;) {
                const qsizetype at = out.size();
                out.resize(at + 64);
                dst = out.data() + at;
                dstLeft = 64;
                const size_t frc = iconv(cd_, nullptr, nullptr, &dst, &dstLeft);
                out.resize(at + static_cast<qsizetype>(64 - dstLeft));
                if (frc != static_cast<size_t>(-1) || errno != E2BIG)
                    return 0;
            }
        }
    }

private:
    iconv_t cd_;
};

} // namespace

bool isCodePageSupported(int codePage)
{
    if (codePage == 1252)
        return true;
    if (!isKnown(codePage))
        return false;
    return Converter("UTF-8", iconvName(codePage)).ok();
}

QString decodeCodePage(int codePage, const QByteArray& bytes, bool* supported)
{
    if (supported)
        *supported = true;
    if (codePage == 1252)
        return fromCp1252(bytes);
    Converter conv("UTF-16LE", iconvName(codePage));
    if (!isKnown(codePage) || !conv.ok()) {
        if (supported)
            *supported = false;
        return fromCp1252(bytes);
    }
    QString text;
    QByteArray utf16;
    char* in = const_cast<char*>(bytes.constData());
    size_t left = static_cast<size_t>(bytes.size());
    auto flush = [&] {
        text.append(QStringView(reinterpret_cast<const char16_t*>(utf16.constData()), utf16.size() / 2));
        utf16.clear();
    };
    while (conv.convert(&in, &left, utf16) != 0) {
        flush();
        const auto b = static_cast<unsigned char>(*in);
        text.append(isSingleByte(codePage) ? QChar(b) : QChar(QChar::ReplacementCharacter));
        ++in;
        --left;
    }
    flush();
    return text;
}

QByteArray encodeCodePage(int codePage, const QString& text, bool* supported)
{
    if (supported)
        *supported = true;
    if (codePage == 1252)
        return toCp1252(text);
    Converter conv(iconvName(codePage), "UTF-16LE");
    if (!isKnown(codePage) || !conv.ok()) {
        if (supported)
            *supported = false;
        return toCp1252(text);
    }
    QByteArray out;
    char* in = reinterpret_cast<char*>(const_cast<QChar*>(text.constData()));
    size_t left = static_cast<size_t>(text.size()) * 2;
    while (conv.convert(&in, &left, out) != 0) {
        // Skip the unconvertible character (both halves of a surrogate pair).
        out.append('?');
        const char16_t c = *reinterpret_cast<const char16_t*>(in);
        const size_t step = (QChar::isHighSurrogate(c) && left >= 4) ? 4 : 2;
        in += step;
        left -= step;
    }
    return out;
}

} // namespace platform
