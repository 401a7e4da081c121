#pragma once
// Lines of a text as a string list holds them: CR LF, LF or CR end a line,
// and a break at the very end opens no further line. Scripts, the script
// editor and remote-control macros split their text this way.

#include <QString>
#include <QStringList>

namespace platform {

QStringList SplitLines(const QString& text);

} // namespace platform
