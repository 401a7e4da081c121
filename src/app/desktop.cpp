#include "app/desktop.h"

#include "platform/message_service.h"
#include "translation/translated_texts.h"

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

bool OpenLinkOrSay(const QString& url, const QString& cause)
{
    if (OpenLink(url))
        return true;
    platform::messages().show({TranslatedTexts.MSG_Ouverture_Sans_Programme.arg(url),
                               platform::MsgKind::Warning, platform::MsgButtons::Ok, cause, {}});
    return false;
}

void SetDocumentOpener(std::function<bool(const QString&)> opener) { g_opener = std::move(opener); }

} // namespace Desktop
