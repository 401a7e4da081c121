#pragma once
// The custom-function marker of a script: a line holding "@Menu(caption)".

#include <QString>

class QIODevice;

namespace Align_V {

// The caption of the first line of a text file that holds marker (letter
// case ignored): the text between the line's first "(" and its matching
// ")", where a ")" inside double quotes does not close. Empty when the file
// cannot be read, holds no such line or the line has no closing ")". Lines
// longer than a megabyte are looked at in pieces of that size.
QString FindMenuMarker(const QString& fileName, const QString& marker);
// The same from an open device, read to its end or to that line.
QString FindMenuMarkerIn(QIODevice& device, const QString& marker);
// The text between the first "(" of a line and its matching ")"; empty
// without one.
QString CaptionBetweenParentheses(const QString& line);

} // namespace Align_V
