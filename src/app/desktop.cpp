#include "app/desktop.h"

#include <QDesktopServices>
#include <QUrl>

namespace Desktop {
namespace {
std::function<bool(const QString&)> g_opener;
}

bool OpenDocument(const QString& path)
{
    if (g_opener)
        return g_opener(path);
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void SetDocumentOpener(std::function<bool(const QString&)> opener) { g_opener = std::move(opener); }

} // namespace Desktop
