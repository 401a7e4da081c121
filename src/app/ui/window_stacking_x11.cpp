// X11: WM_TRANSIENT_FOR is written on the shown window itself, and the
// stacking is read off the window manager's list on the root window; other
// platforms (the offscreen one of the tests) keep Qt's transient parent only
// and have no stacking told.

#include "app/ui/window_stacking.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace app {

void SetWindowHint(QWidget& window, Qt::WindowType hint, bool on)
{
    if (window.windowFlags().testFlag(hint) == on)
        return;
    const Qt::WindowFlags flags = on ? window.windowFlags() | hint : window.windowFlags() & ~hint;
    QWindow* handle = window.windowHandle();
    if (!handle || !handle->handle()) {
        // No native window yet: nothing to make anew.
        window.setWindowFlags(flags);
        return;
    }
    // The window system changes the window it has.
    window.overrideWindowFlags(flags);
    handle->setFlags(flags);
}

void SetStandsInFrontOf(QWidget& window, QWidget* owner)
{
    if (owner)
        owner = owner->window();
    if (owner == &window)
        owner = nullptr;
    if (!window.windowHandle() && !owner)
        return;
    window.winId();
    QWindow* ownerHandle = nullptr;
    if (owner) {
        owner->winId();
        ownerHandle = owner->windowHandle();
    }
    window.windowHandle()->setTransientParent(ownerHandle);

    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    // A hidden window is told by Qt as it shows (it clears the hint).
    if (!connection || !window.isVisible())
        return;
    const auto id = xcb_window_t(window.winId());
    if (ownerHandle) {
        const auto ownerId = xcb_window_t(owner->winId());
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, 32,
                            1, &ownerId);
    } else {
        xcb_delete_property(connection, id, XCB_ATOM_WM_TRANSIENT_FOR);
    }
    xcb_flush(connection);
}

namespace {
// The reply of an xcb request, freed with it.
template <class T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;
template <class T>
Reply<T> reply(T* r)
{
    return Reply<T>(r, &std::free);
}
} // namespace

QList<QWidget*> StackedByWindowManager(const QList<QWidget*>& windows)
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return {};
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    static const char kList[] = "_NET_CLIENT_LIST_STACKING";
    const auto atom = reply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 1, sizeof(kList) - 1, kList), nullptr));
    if (!screen || !atom || atom->atom == XCB_ATOM_NONE)
        return {};
    const auto list = reply(xcb_get_property_reply(
        connection,
        xcb_get_property(connection, 0, screen->root, atom->atom, XCB_ATOM_WINDOW, 0, 1u << 16), nullptr));
    if (!list || list->format != 32 || list->type != XCB_ATOM_WINDOW)
        return {};
    const auto* ids = static_cast<const xcb_window_t*>(xcb_get_property_value(list.get()));
    const int count = xcb_get_property_value_length(list.get()) / int(sizeof(xcb_window_t));
    QList<QWidget*> stacked;
    for (int i = 0; i < count; ++i) {
        for (QWidget* w : windows) {
            if (w && w->internalWinId() && xcb_window_t(w->internalWinId()) == ids[i] && !stacked.contains(w))
                stacked.append(w);
        }
    }
    return stacked;
}

} // namespace app
