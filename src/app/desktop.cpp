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

bool OpenLink(const QString& url)
{
    if (g_opener)
        return g_opener(url);
    const QUrl u(url);
    if (u.scheme() != QLatin1String("http") && u.scheme() != QLatin1String("https")
        && u.scheme() != QLatin1String("mailto"))
        return false;
    return QDesktopServices::openUrl(u);
}

void SetDocumentOpener(std::function<bool(const QString&)> opener) { g_opener = std::move(opener); }

} // namespace Desktop
