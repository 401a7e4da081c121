#pragma once
// A mouse press moves the focus before it reaches the control under the
// mouse. When leaving the control that had the focus opens a message box or
// a dialog (a field refusing its entry, an exit handler asking a question),
// the box takes the release while it is on screen, and the press reaches its
// control only once the box is closed: a button would be drawn down with no
// release to come, a press-and-hold button would start a move that nothing
// stops, and a release that does come later (the box answered from the
// keyboard, the mouse still held) would run a click the user made before
// reading the box.
//
// Such a press is the field's, not the control's: it never reaches its
// control, nor do its moves, a double-click that follows it, its context
// menu or its release. A field that refuses its entry on such a press keeps
// the press even when no box window came (the same box already on screen,
// a message service without windows). Only the window of the press is
// concerned; a press anywhere after it, or a move with no mouse button held
// (its release went to the box), ends the taking.

#include <QtGlobal>

class QAbstractButton;
class QObject;
class QWidget;

namespace app {

// Watches every focus change a press makes (once; installWidgetServices and
// the first window install it, the calls below do as well).
void InstallPressGuard();

// Called while a press moves the focus (from the focus-out of the control
// it leaves): that press, which has not reached its control yet, is taken.
void TakePressOnItsWay(QWidget* window);

// The press being delivered was kept from its control already: what
// follows of it is taken too.
void TakeRestOfPress(QWidget* window);

// A button that stops what moves (the mount, the focuser, a goto, a
// script) acts on the user's press whatever a field of its window holds,
// before the field left says anything (a refusal, a question), and once
// only: its press and release are then taken, as above. A speed button
// (one that takes no focus) marked so leaves the field and its entry alone.
void MarkStopButton(QAbstractButton* button);
bool IsStopButton(const QObject* control);

// How many message boxes and dialogs that wait for their answer have come
// on screen so far: a change across a call tells that it opened one.
quint64 BoxesShown();

} // namespace app
