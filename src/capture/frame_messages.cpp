#include "capture/frame_messages.h"

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

} // namespace FrameMessages
