#pragma once
// String and field handling shared by every window and by the script engine's
// tokenizer. Positions and field numbers count from 1. "Outside quotes" means
// that each double-quote character toggles a quoted state, and separators met
// while quoted do not count.

#include "platform/paths.h"

#include <QChar>
#include <QString>

namespace StrHelpers {

// S without any occurrence of C.
// Folder and name joined with exactly one separator (the program's one path
// join; "\" and "/" are both accepted).
inline QString JoinPath(const QString& dir, const QString& name) { return platform::joinPath(dir, name); }

QString RemoveChar(const QString& s, QChar c);

// Every run of blanks becomes one blank.
QString CollapseSpaces(const QString& s);

// S without its extension: the last "." of the file-name part and what
// follows it. "Photo.JPG" gives "Photo"; "dir.d/name" stays as it is.
QString RemoveFileExt(const QString& s);

// C prepended (PadLeft) or appended (PadRight) until S has N characters;
// a longer S is returned unchanged.
QString PadLeft(const QString& s, QChar c, int n);
QString PadRight(const QString& s, QChar c, int n);

// Number of fields of S split at Sep outside quotes: 0 for an empty S; a
// separator in last position does not open a field ("a,b," has 2).
int CountFields(const QString& s, QChar sep);

// Field N (from 1) of S split at Sep outside quotes; quote characters stay in
// the field. N of at most 1 gives the first field, a field beyond the last
// gives "".
QString ExtractField(const QString& s, QChar sep, int n);
// The same with the separator as a one-character string; an empty separator
// splits nothing (field 1 is S).
QString ExtractFieldStr(const QString& s, int n, const QString& sep);

// Leading word of a script line: leading blanks skipped, then characters up
// to the first "(" or blank. The word ends right after its second "/" (a
// "//" comment gives "//"), before a ":" met after its first character (a
// label "x:" gives "x"), and a ":" as its first character is the whole word.
QString ExtractCommandWord(const QString& line);

// Text after the first "(" up to the first ")" outside quotes (quotes kept);
// the rest of the line when no ")" closes; "" when there is no "(".
QString ExtractParenArgs(const QString& line);

// Tests on the first character of S; all are false for an empty S.
bool IsDigitChar(const QString& s);        // "0".."9" or "."
bool IsLetterChar(const QString& s);       // "A".."Z", "a".."z" or "_"
bool IsArithOperator(const QString& s);    // "*", "+", "-", "/"
bool IsComparisonChar(const QString& s);   // "<", "=", ">"

// An optional leading "-", then digits with at most one "."; at least one
// digit is required, so "", "-" and "." are not numbers.
bool IsNumber(const QString& s);

} // namespace StrHelpers
