#include "platform/codepage.h"

#include <array>

namespace platform {
namespace {

// Bytes 0x80..0x9F of CP1252; 0 marks the five bytes with no character,
// which are read as the C1 control of the same value.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

} // namespace

QString fromCp1252(const QByteArray& bytes)
{
    QString out;
    out.resize(bytes.size());
    QChar* d = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        char16_t c = b;
        if (b >= 0x80 && b <= 0x9F && kHigh[b - 0x80] != 0)
            c = kHigh[b - 0x80];
        d[i] = QChar(c);
    }
    return out;
}

QByteArray toCp1252(const QString& text)
{
    QByteArray out;
    out.reserve(text.size());
    for (const QChar qc : text) {
        const char16_t c = qc.unicode();
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF) || (c >= 0x80 && c <= 0x9F && kHigh[c - 0x80] == 0)) {
            out.append(static_cast<char>(c));
            continue;
        }
        char mapped = '?';
        for (std::size_t i = 0; i < kHigh.size(); ++i) {
            if (kHigh[i] == c && c != 0) {
                mapped = static_cast<char>(0x80 + i);
                break;
            }
        }
        out.append(mapped);
    }
    return out;
}

} // namespace platform
