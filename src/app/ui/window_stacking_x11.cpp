// X11: WM_TRANSIENT_FOR is written on the shown window itself; other
// platforms (the offscreen one of the tests) keep Qt's transient parent only.

#include "app/ui/window_stacking.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <xcb/xcb.h>

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

} // namespace app
