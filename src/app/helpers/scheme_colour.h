#pragma once
// The colour values of a night-colour scheme file, as the panels hold them:
// a plain colour 0x00BBGGRR (0 to 0xFFFFFF) or, negative, the saved system
// colour of the index in its low byte (0 to 28).

#include <QString>
#include <cstdint>
#include <optional>

namespace SchemeColour {

inline constexpr int kIndexCount = 29;

// The stored decimal text as a colour value; none for a text that is not an
// integer, a value beyond 0xFFFFFF or the saved colour of an index that does
// not exist (the caller then uses the table's default).
std::optional<std::int32_t> Parse(const QString& text);

} // namespace SchemeColour
