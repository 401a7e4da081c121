#pragma once
// Numbers as hexadecimal and binary text: port addresses ("$0378") and the
// bit patterns shown by the Preferences dialog.

#include <QString>
#include <cstdint>
#include <optional>

namespace NumText {

// Base raised to Exp (1 for Exp 0). Results beyond 64 bits wrap around.
std::uint64_t IntPower(std::uint8_t base, std::uint8_t exp);

// Hexadecimal text with an optional leading "$" ("$0378" gives 0x378).
// Surrounding blanks are ignored and the letters may be of either case.
// Text that is not hexadecimal (empty, "$" alone, another character, more
// than 16 digits) gives no value, so a bad setting never becomes address 0.
std::optional<std::uint64_t> HexToInt(const QString& s);

// Binary digits of V, most significant first, left-padded with "0" to at
// least 8 digits (5 gives "00000101").
QString IntToBin(std::uint32_t v);

// Binary digit text to its value; no value for empty text, another
// character or more than 64 digits.
std::optional<std::uint64_t> BinToInt(const QString& s);

} // namespace NumText
