#include "app/helpers/num_text.h"

namespace NumText {
namespace {

int digitValue(QChar ch)
{
    const char16_t u = ch.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// Value of the digits of S in base 2 or 16; no value when S is empty, holds
// another character or overflows 64 bits.
std::optional<std::uint64_t> parseDigits(QStringView s, int base)
{
    if (s.isEmpty())
        return std::nullopt;
    const int bitsPerDigit = base == 16 ? 4 : 1;
    std::uint64_t value = 0;
    for (const QChar ch : s) {
        const int digit = digitValue(ch);
        if (digit < 0 || digit >= base || (value >> (64 - bitsPerDigit)) != 0)
            return std::nullopt;
        value = (value << bitsPerDigit) | static_cast<std::uint64_t>(digit);
    }
    return value;
}

} // namespace

std::uint64_t IntPower(std::uint8_t base, std::uint8_t exp)
{
    std::uint64_t result = 1;
    for (int i = 0; i < exp; ++i)
        result *= base;
    return result;
}

std::optional<std::uint64_t> HexToInt(const QString& s)
{
    QStringView text = QStringView(s).trimmed();
    if (text.startsWith(u'$'))
        text = text.mid(1);
    return parseDigits(text, 16);
}

QString IntToBin(std::uint32_t v)
{
    QString bits = QString::number(v, 2);
    return bits.size() >= 8 ? bits : QString(8 - bits.size(), u'0') + bits;
}

std::optional<std::uint64_t> BinToInt(const QString& s)
{
    return parseDigits(s, 2);
}

} // namespace NumText
