#include "capture/frame_messages.h"

#include "app/frm_alv.h"

#include <QCoreApplication>
#include <array>

namespace FrameMessages {
namespace {
std::array<QEvent::Type, 3> g_types{QEvent::None, QEvent::None, QEvent::None};
}

QEvent::Type RegisterFrameMessage(int slot)
{
    if (slot != 1 && slot != 2)
        return QEvent::None;
    if (g_types[slot] == QEvent::None)
        g_types[slot] = static_cast<QEvent::Type>(QEvent::registerEventType());
    return g_types[slot];
}

QEvent::Type FrameMessage(int slot)
{
    return (slot == 1 || slot == 2) ? g_types[slot] : QEvent::None;
}

std::function<void()> Poster(int slot)
{
    // The window and the type are read now, on the user-interface thread;
    // the slot is stopped (and its hand-over disarmed) before the window goes.
    QObject* target = FRM_Alv;
    const QEvent::Type type = RegisterFrameMessage(slot);
    return [target, type] {
        if (target)
            QCoreApplication::postEvent(target, new QEvent(type));
    };
}

} // namespace FrameMessages
