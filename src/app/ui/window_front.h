#pragma once
// The one way windows show, and which of them stands in front. Every window
// but the main one shows through ShowFormOnScreen: whole on the screen, at
// its place or at a first place the program chooses (window_placement.h,
// window_first_place.h), then brought to the front. Windows kept on top
// (Qt::WindowStaysOnTopHint) stand above every plain window, whatever is
// shown, clicked or restored after them; among them, the one last shown,
// clicked or given a line stands in front. A plain window never holds
// itself above one of them. Boxes and dialogs that wait for their answer
// stand in front of everything (KeepInFrontOfEveryWindow).

#include <QList>
#include <QStringList>
#include <QtGlobal>

class QWidget;

namespace Systeme {

// Restores a minimised window, fits it inside the screen when it is larger
// (FitInsideScreen), puts it with its whole frame on the screen where it was
// asked to be (PlaceAgain: a place the user chose is kept, one off the
// screen corrected), or at its first place when it has none yet
// (PlaceFirstNow, clear of the window it is opened from where it is kept on
// top itself), shows it and brings it to the front of its layer: in front of
// the plain windows for a plain window, which stays under the windows kept
// on top, and in front of every window for one kept on top. While a box or
// a dialog waits for its answer, the window opens behind it and the box or
// dialog keeps the keyboard. A window that waits for its own answer (modal)
// opens in front of every window, those kept on top included
// (KeepInFrontOfEveryWindow), with the keyboard, centred on the window it
// belongs to the first time, whole on the screen.
void ShowFormOnScreen(QWidget* form);
// The one way every window but the main one shows: a window class hands its
// setVisible(true) here, which shows a hidden window through
// ShowFormOnScreen (and returns true), so show(), setVisible(true),
// showNormal() and a dialog's exec() all take that path. False when there
// is nothing to do here: the caller goes on with its own setVisible.
bool ShowThroughPath(QWidget* window, bool visible);
// True while ShowFormOnScreen is showing that window.
bool ShowingThroughPath(const QWidget* window);
// The shows ShowFormOnScreen has made so far, and the windows it showed
// after `count` of them, each once in the order of its last show, those
// still shown only.
quint64 ShowCount();
QList<QWidget*> ShownSince(quint64 count);
// The program's main window, which places itself from the settings.
bool IsMainWindow(const QWidget* window);
// A window kept above every plain window.
bool KeptOnTop(const QWidget* window);

// The program's windows on the screen (shown and not minimised, boxes that
// wait for their answer left out), bottom to top: as the window manager
// stacks them where it tells, else as the program brought them forward
// (the window shown, raised or activated last in front of its layer), the
// plain windows under those kept on top.
QList<QWidget*> StackingOrder();
// Their names, bottom to top, as the settings store them.
QStringList StackingNames();
// Puts the windows named (bottom to top) that the layout brought back
// (`restored`) in that order once the window manager has them on the
// screen: each in front of the ones before it in its layer (the plain
// windows stay under those kept on top). The other windows shown, before
// (a start-up note, a box) or meanwhile, stand in front of them all in the
// order they showed. Names of windows not shown are passed over. The front
// one gets the keyboard, unless a window shown meanwhile or a box that
// waits for its answer has it; a window shown before them takes it back.
void RestoreStacking(const QStringList& names, const QList<QWidget*>& restored);

} // namespace Systeme
