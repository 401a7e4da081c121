// The step observer and the handlers of other windows that loading runs.

#include "app/frm_pref.h"
#include "app/night_colors.h"
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

// Handlers of the Preferences dialog that loading runs by name.
std::function<void()> builtin(const QString& name)
{
    using Method = void (TFRM_Pref::*)();
    static const QHash<QString, Method> pref = {
        {QStringLiteral("FRM_Pref.RDB_WM_BeginnerClick"), &TFRM_Pref::RDB_WM_BeginnerClick},
        {QStringLiteral("FRM_Pref.RDB_WM_ExpertClick"), &TFRM_Pref::RDB_WM_ExpertClick},
        {QStringLiteral("FRM_Pref.RDB_Onglets_Menu_En_HautClick"), &TFRM_Pref::RDB_Onglets_Menu_En_HautClick},
        {QStringLiteral("FRM_Pref.RDB_Onglets_Menu_En_BasClick"), &TFRM_Pref::RDB_Onglets_Menu_En_BasClick},
        {QStringLiteral("FRM_Pref.RDB_CarreClick"), &TFRM_Pref::RDB_CarreClick},
        {QStringLiteral("FRM_Pref.RDB_CercleClick"), &TFRM_Pref::RDB_CercleClick},
        {QStringLiteral("FRM_Pref.RDB_CroixClick"), &TFRM_Pref::RDB_CroixClick},
        {QStringLiteral("FRM_Pref.RDB_PointClick"), &TFRM_Pref::RDB_PointClick},
        {QStringLiteral("FRM_Pref.CKB_VestaModClick"), &TFRM_Pref::CKB_VestaModClick},
        {QStringLiteral("FRM_Pref.RDB_Autoguide_PluginClick"), &TFRM_Pref::RDB_Autoguide_PluginClick},
    };
    if (name == QLatin1String("Preferences.ApplyLongExposureSettings"))
        return [] { Preferences::ApplyLongExposureSettings(); };
    if (name == QLatin1String("NightColors.ReadNightColors"))
        return [] { NightColors::ReadNightColors(); };
    if (name == QLatin1String("NightColors.ApplyNightColors"))
        return [] { NightColors::ApplyNightColors(); };
    if (name == QLatin1String("NightColors.RestoreSystemColors"))
        return [] { NightColors::RestoreSystemColors(); };
    if (name == QLatin1String("Preferences.ApplyMotorSpeeds"))
        return [] { Preferences::ApplyMotorSpeeds(); };
    const auto it = pref.constFind(name);
    if (it == pref.constEnd())
        return {};
    // Only the dialog itself, not a window merely named like it.
    auto* window = qobject_cast<TFRM_Pref*>(FindWindow(QStringLiteral("FRM_Pref")));
    if (!window)
        return {};
    return [window, m = *it] { (window->*m)(); };
}

// A slot or Q_INVOKABLE method without arguments of that name on the window.
struct NamedMethod {
    QWidget* window = nullptr;
    QMetaMethod method;
};

NamedMethod findByName(const QString& qualified)
{
    const qsizetype dot = qualified.indexOf(u'.');
    if (dot <= 0)
        return {};
    QWidget* window = FindWindow(qualified.left(dot));
    if (!window)
        return {};
    const QByteArray signature = qualified.mid(dot + 1).toLatin1() + "()";
    const int index = window->metaObject()->indexOfMethod(signature.constData());
    if (index < 0)
        return {};
    return {window, window->metaObject()->method(index)};
}

bool invokeByName(const QString& qualified)
{
    const NamedMethod found = findByName(qualified);
    if (!found.window)
        return false;
    app::runGuarded(qualified, [&] { found.method.invoke(found.window, Qt::DirectConnection); });
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

bool HasHandler(const QString& name)
{
    return handlers().contains(name) || builtin(name) || findByName(name).window;
}

bool RunHandler(const QString& name)
{
    NotifyStep(name);
    const auto it = handlers().constFind(name);
    if (it != handlers().constEnd()) {
        const std::function<void()> h = *it;   // a handler may unregister itself
        app::runGuarded(name, h);
        return true;
    }
    if (const std::function<void()> h = builtin(name)) {
        app::runGuarded(name, h);
        return true;
    }
    return invokeByName(name);
}

} // namespace Settings
