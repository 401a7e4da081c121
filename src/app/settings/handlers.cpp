// The step observer and the handlers of other windows that loading runs.

#include "app/settings.h"
#include "app/settings/key_engine.h"
#include "app/ui/event_boundary.h"

#include <QHash>
#include <QMetaMethod>
#include <QWidget>

namespace Settings {
namespace {

StepObserver& observer()
{
    static StepObserver o;
    return o;
}

QHash<QString, std::function<void()>>& handlers()
{
    static QHash<QString, std::function<void()>> h;
    return h;
}

// A slot or Q_INVOKABLE method without arguments of that name on the window.
bool invokeByName(const QString& qualified)
{
    const qsizetype dot = qualified.indexOf(u'.');
    if (dot <= 0)
        return false;
    QWidget* window = FindWindow(qualified.left(dot));
    if (!window)
        return false;
    const QByteArray signature = qualified.mid(dot + 1).toLatin1() + "()";
    const int index = window->metaObject()->indexOfMethod(signature.constData());
    if (index < 0)
        return false;
    const QMetaMethod method = window->metaObject()->method(index);
    app::runGuarded(qualified, [&] { method.invoke(window, Qt::DirectConnection); });
    return true;
}

} // namespace

void SetStepObserver(StepObserver o) { observer() = std::move(o); }

void NotifyStep(const QString& name)
{
    if (observer())
        observer()(name);
}

void RegisterHandler(const QString& name, std::function<void()> handler)
{
    if (handler)
        handlers().insert(name, std::move(handler));
    else
        handlers().remove(name);
}

void UnregisterHandler(const QString& name) { handlers().remove(name); }

bool RunHandler(const QString& name)
{
    NotifyStep(name);
    const auto it = handlers().constFind(name);
    if (it != handlers().constEnd()) {
        const std::function<void()> h = *it;   // a handler may unregister itself
        app::runGuarded(name, h);
        return true;
    }
    return invokeByName(name);
}

} // namespace Settings
