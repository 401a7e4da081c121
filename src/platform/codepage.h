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

// True for the Windows code pages we can convert: 1250..1258 and the East
// Asian pages 874, 932, 936, 949 and 950.
bool isCodePageSupported(int codePage);

// Decodes bytes of a Windows code page. A byte (or byte pair) the page does
// not define becomes U+FFFD, except the undefined single bytes of the 125x
// pages, which are read as the C1 control of the same value (as CP1252 does).
// An unsupported code page is read as CP1252; *supported (when given) then
// says false.
QString decodeCodePage(int codePage, const QByteArray& bytes, bool* supported = nullptr);

// Encodes text in a Windows code page; characters the page cannot hold
// become "?". An unsupported code page is written as CP1252; *supported
// (when given) then says false.
QByteArray encodeCodePage(int codePage, const QString& text, bool* supported = nullptr);

} // namespace platform
