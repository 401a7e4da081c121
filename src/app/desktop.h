#pragma once
// Opening documents and links with the desktop's own viewer (help file,
// README). Tests replace the opener to record what would be opened.

#include <QString>
#include <functional>

namespace Desktop {

// Opens a local file with the desktop's default application; false when
// the desktop could not open it.
bool OpenDocument(const QString& path);

// Opens a web address (http, https) with the desktop's browser; the
// opener replaced in tests gets the address.
bool OpenLink(const QString& url);

// The same for a link the user clicked: where nothing took it, a box says
// so with its address (cause: the box's cause, one box of it at a time).
bool OpenLinkOrSay(const QString& url, const QString& cause);

// Replaces the opener; an empty function restores the desktop's.
void SetDocumentOpener(std::function<bool(const QString&)> opener);

} // namespace Desktop
