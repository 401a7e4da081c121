#pragma once
// The window messages that announce a new frame of camera slot 1 or 2.
// Capture threads post an event of the slot's type to the main window.

#include <QEvent>
#include <functional>

namespace FrameMessages {

// Registers the slot's event type once and returns it.
QEvent::Type RegisterFrameMessage(int slot);
// The registered type of the slot, or QEvent::None before registration.
QEvent::Type FrameMessage(int slot);

// A function that posts the slot's frame message to the main window; safe to
// run on any thread while the main window exists.
std::function<void()> Poster(int slot);

} // namespace FrameMessages
