#include "app/ui/window_log.h"

#include "app/systeme.h"

#include <QApplication>
#include <QShowEvent>
#include <QFile>
#include <QWidget>

namespace app {
namespace {

const QString& logPath()
{
    static const QString path = qEnvironmentVariable("NIGHTJARPRO_WINDOW_LOG");
    return path;
}

void writeLine(const QString& line)
{
    QFile f(logPath());
    if (f.open(QIODevice::WriteOnly | QIODevice::Append))
        f.write((line + QLatin1Char('\n')).toUtf8());
}

// The windows a user may meet: not menus, tool tips or the desktop.
bool isUserWindow(const QWidget* w)
{
    if (!w->isWindow())
        return false;
    switch (w->windowType()) {
    case Qt::Popup: case Qt::ToolTip: case Qt::Desktop: case Qt::SplashScreen: case Qt::SubWindow: return false;
    default: return true;
    }
}

QString nameOf(const QWidget* w)
{
    return w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName();
}

class ShowWatch final : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* obj, QEvent* e) override
    {
        if (e->type() != QEvent::Show || !obj->isWidgetType())
            return false;
        auto* w = static_cast<QWidget*>(obj);
        if (!isUserWindow(w) || e->spontaneous())
            return false;
        writeLine(QStringLiteral("shown : %1 : %2 : %3 : %4 : %5")
                      .arg(nameOf(w))
                      .arg(quint64(w->winId()))
                      .arg(Systeme::IsMainWindow(w)          ? QStringLiteral("main")
                           : Systeme::ShowingThroughPath(w) ? QStringLiteral("path")
                                                            : QStringLiteral("outside"))
                      .arg(w->windowModality() != Qt::NonModal ? QStringLiteral("modal") : QStringLiteral("plain"))
                      .arg(w->windowTitle()));
        return false;
    }
};

} // namespace

void InstallWindowLog()
{
    static bool installed = false;
    if (installed || logPath().isEmpty() || !qApp)
        return;
    installed = true;
    qApp->installEventFilter(new ShowWatch(qApp));
}

void LogWindowInventory()
{
    if (logPath().isEmpty())
        return;
    for (const QWidget* w : QApplication::topLevelWidgets()) {
        if (isUserWindow(w))
            writeLine(QStringLiteral("window : %1 : %2").arg(nameOf(w), w->windowTitle()));
    }
}

} // namespace app
