#pragma once
// Rewriting a file the user keeps (settings, scripts, codec choice): the
// bytes go to a temporary file beside it, which replaces the file only when
// every byte was written. A full disk or a refused folder leaves the old file
// whole.

#include <QByteArray>
#include <QString>

namespace platform {

// False, with the reason, when the file could not be written.
bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* error);

} // namespace platform
