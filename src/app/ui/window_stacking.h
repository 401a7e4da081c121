#pragma once
// How a window stands among the others, told to the window system as the
// window is: kept above the plain windows or not, and standing in front of
// another window while both are shown. Neither gives the window a new
// native window, so a shown window stays shown, where it is, at its size and
// in its state (changing Qt's window flags would hide it and make it anew).

#include <QList>
#include <Qt>

class QWidget;

namespace app {

// Sets or clears one hint of a window's flags: Qt::WindowStaysOnTopHint
// keeps it above every plain window, Qt::FramelessWindowHint takes its
// border and title bar away.
void SetWindowHint(QWidget& window, Qt::WindowType hint, bool on);

// Tells the window manager that `window` stands in front of `owner`: in
// owner's layer, above it, whatever is clicked in the owner; null ends it.
// Qt tells the window manager nothing of the kind for a plain window and
// clears it each time the window shows: call it again once the window is
// shown.
void SetStandsInFrontOf(QWidget& window, QWidget* owner);

// Those of `windows` the window manager stacks, bottom to top, as it says
// it stacks them (the stacking list it keeps on the root window); empty
// where it says nothing (no window manager telling it, another platform).
QList<QWidget*> StackedByWindowManager(const QList<QWidget*>& windows);

} // namespace app
