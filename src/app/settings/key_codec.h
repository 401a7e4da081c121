#pragma once
// How values become the text of the settings file and back.

#include "app/settings/key_table.h"

#include <QString>
#include <cstdint>
#include <optional>

namespace Settings {

// A real value as the integer stored for it: value x scale, truncated toward
// zero or rounded to nearest with ties to even. Truncation first snaps to the
// nearest integer when the product lies within 1e-9 (relative) of it, so a
// value read back from a stored integer is stored as that same integer again
// (2 / 1000 x 1000 gives 1.9999999999 in binary, which must stay 2).
// Results beyond the 64-bit range are clamped to it.
std::int64_t ScaledToStored(long double value, int scale, Rounding rounding);

// The value of a stored integer: stored / scale.
long double StoredToScaled(std::int64_t stored, int scale);

// A stored number: optional blanks and sign, then decimal digits, or "$" /
// "0x" and hexadecimal digits (32 bits, as the toolkit's integer reader).
// No value for anything else, including decimal numbers beyond 64 bits.
std::optional<std::int64_t> ParseStoredInteger(const QString& text);

// A folder as the program keeps it: ending in exactly one separator ("\" when
// the text uses "\" only, else "/"). Empty stays empty.
QString NormaliseFolder(const QString& text);

} // namespace Settings
