#pragma once
// Where a window's frame lies on the screen: the screen's size and free
// area, a frame put at a point once the window manager has drawn it, a
// place pulled back onto the screen, a window fitted inside the screen and
// kept whole on it while it is shown. The show path (window_front.h) and
// the first places (window_first_place.h) build on it. A window once placed
// here is watched: a move or a resize the user makes through the window
// manager, not the answer to one the program asked for, makes its place
// the user's (NoteUserPlace).

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <functional>
#include <optional>

class QWidget;

namespace Systeme {

// Where a window of that geometry (its frame's corner and outer size) goes
// so that it can be seen on a screen of that size: pulled back when its left
// or top lies within 10 pixels of the far edge or beyond, and to 0 when it
// ends left of or above 10 pixels.
QPoint PlaceInsideScreen(const QRect& window, const QSize& screen);

// Where a window goes so that the whole of its frame lies inside `area`
// (the screen's free area): `frame` is the frame's rectangle, its corner
// the window's Left and Top, its size the client's with the frame's edges
// added. A frame past an edge is brought back to that edge; one larger
// than the area starts at the area's left or top edge, where its title bar
// and its window menu can be reached.
QPoint KeepFrameInside(const QRect& frame, const QRect& area);

// Puts a top-level window's frame, title bar included, with its top-left
// corner at `frameTopLeft`, so that the window's Left and Top read back
// that point. A window whose frame the window manager has not drawn yet
// (never shown, or shown a moment ago) is put back there once the frame is
// known, so it neither opens under the screen's top edge nor creeps by the
// frame's size from one start to the next.
void PlaceWindow(QWidget* window, QPoint frameTopLeft);
// Puts a window at a place asked for (a stored position, or where it was)
// on the screen: pulled back when nearly off it (PlaceInsideScreen), then
// with its whole frame inside the screen's free area (KeepFrameInside); the
// frame the window manager draws is taken as it is once known. A hidden
// window keeps the place asked for (AskedPlace) until it shows.
void PlaceOnScreen(QWidget* window, QPoint frameTopLeft);
// Where a hidden window was asked to be by PlaceOnScreen, before it was
// brought onto the screen; none once it was put elsewhere or has shown.
std::optional<QPoint> AskedPlace(const QWidget* window);
void ForgetAskedPlace(QWidget* window);
// True while a window put somewhere waits for the window manager to frame
// it there (a move the window manager makes meanwhile is not the user's).
bool BeingPlaced(const QWidget* window);

// Makes a window larger than the screen's free area (panels and docks left
// out) fit inside it, frame included: a main window's content then scrolls
// in it, and on each side where it was too large its frame starts at that
// area's edge, so its title bar, close box and every control can be
// reached. A window that fits is left as it is, where it is.
void FitInsideScreen(QWidget* window);
// Makes a window `height` tall (its client), its controls scrolling when
// they need more, with room beside them for the scroll bar.
void MakeTall(QWidget* window, int height);
// The size MakeTall would give it, the window left as it is.
QSize SizeMadeTall(QWidget* window, int height);

// The largest client size with which the window's whole frame fits inside
// the screen's free area.
QSize RoomInsideScreen(const QWidget* window);

// Keeps a shown window whole on the screen once the window manager has
// framed it, and when it grows while shown (a panel shown in it, a longer
// text): the frame is brought back inside the screen's free area, and a
// window grown larger than that area is fitted inside it.
void KeepOnScreen(QWidget* window);

// The frame the window manager draws around a window: its own once drawn,
// else that of another framed window (KnownFrame: else none;
// ExpectedFrame: else a generous guess).
QMargins KnownFrame(const QWidget* window);
QMargins ExpectedFrame(const QWidget* window);
// Where a window's frame has its corner: where a shown window is being put,
// while it is (PlaceWindow, PlaceOnScreen); else as the window system
// reports it once the frame is drawn, else where the window was put.
QPoint FrameCorner(const QWidget* window);
// A window's frame as it is or will be.
QRect FrameOf(const QWidget* window);

// The screen size used by ShowFormOnScreen; tests replace it. An empty
// function restores the primary screen's size.
void SetScreenSizeProvider(std::function<QSize()> provider);
QSize ScreenSize();
// The part of the screen windows may take: the primary screen's free area,
// or the whole of the size a test gave.
QRect ScreenArea();
// Where the main window's frame goes without a stored place (as in a fresh
// program folder): centred for 800 x 600 on the screen.
QPoint MainWindowDefaultCorner();

} // namespace Systeme
