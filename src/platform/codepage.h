#pragma once
// Text encodings of the files the program shares with existing users.
// Settings, scripts, reports and logs are Windows code page 1252; language
// files may name another Windows code page.

#include <QByteArray>
#include <QString>

namespace platform {

QString fromCp1252(const QByteArray& bytes);
// Characters with no CP1252 byte become "?".
QByteArray toCp1252(const QString& text);

} // namespace platform
