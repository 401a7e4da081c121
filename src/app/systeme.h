#pragma once
// System services: showing a window inside the screen, and opening or
// closing the port access that the long-exposure and parallel guide lines
// need.

#include <QList>
#include <QMargins>
#include <QRect>
#include <QSize>
#include <functional>
#include <optional>

class QWidget;

// True while the port access is open; every direct port write checks it.
extern bool PortDriverOpen;

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
// frame the window manager draws is taken as it is once known.
void PlaceOnScreen(QWidget* window, QPoint frameTopLeft);

// Restores a minimised window, fits it inside the screen when it is larger
// (FitInsideScreen), puts it with its whole frame on the screen where it was
// asked to be (PlaceOnScreen), or at its first place when it has none yet
// (PlaceFirst), shows it and brings it to the front. A window too tall for
// the room below the place asked for is brought up no further than the
// first row below the main window's menu bar and page tabs and, too tall
// for the room there, made as tall as it, the size it opens with at its
// first place; shown at a stored place for the first time since the program
// started, a window has that size wherever its place is; asked to be at a
// place off the screen, it goes below the main window's menu bar and page
// tabs where it fits there. A plain window stands in front of the window that stays
// on top it was opened from (KeepInFrontOf) and of every window on top
// that would cover it, where it shows, where it is put afterwards and each
// time the user clicks it, while they are shown. While a box or a dialog
// waits for its answer, the window opens behind it and the box or dialog
// keeps the keyboard. A window that waits for its own answer (modal) opens
// in front with the keyboard, centred on the window it belongs to the first
// time, whole on the screen.
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
// Windows shown together, as those left open at the last exit come back at
// start-up: while one lives, the windows ShowFormOnScreen shows are noted;
// once it ends, each plain window among them stands in front of every
// window kept on top that would cover it, those shown after it included,
// as if all had shown at once, and the plain windows are brought above
// those windows in the order they showed (not while a box or a dialog
// waits for its answer). Nested, the outermost one ends the batch.
class ShownTogether {
public:
    ShownTogether();
    ~ShownTogether();
    ShownTogether(const ShownTogether&) = delete;
    ShownTogether& operator=(const ShownTogether&) = delete;
};

// A plain window opened from one that stays on top would open under it: it
// stands in front of its opener, in the opener's layer, whatever is clicked
// in the opener, for as long as both are shown, and in front of the other
// windows on top that would cover it, however they come forward (clicked,
// raised or given the keyboard by the program). Once the windows it stands
// in front of are hidden (closed or minimised), or it is, it is a plain window
// again, which a click on another window covers, never kept above other
// programs' windows; one minimised, it stays on the screen rather than go
// with it, and minimised itself, it goes alone. Nothing changes for other
// openers.
void KeepInFrontOf(QWidget* form, QWidget* opener);

// What a window's first place must leave clear, in screen pixels.
struct FirstPlaceRoom {
    QRect area;              // the screen's free area
    QRect main;              // the main window's frame (empty: none)
    QRect menuBar;           // its menu bar
    QList<QRect> topBars;    // its page tabs and the bar beside them
    QList<QRect> toolBars;   // its tool bars
    QList<QRect> taken;      // the frames of the windows shown, or placed and not shown yet
    QList<QRect> onTop;      // those of them kept on top, which would cover it
    std::optional<int> left; // the frame's left edge, when it is given
};
// Where the frame of a window with no place of its own goes, the first
// found of: beside the main window, covering no other window; over the main
// window, leaving its bars and the other windows uncovered; at a corner no
// other window has (24 pixels apart, from the top left down the diagonal),
// leaving uncovered the main window's bars, else its menu bar and page
// tabs; the same at a corner another window has; at a corner no other
// window has, leaving uncovered its menu bar, else anything; the same at a
// corner another window has; the screen's top left corner.
// Each of these is first looked for clear of the windows kept on top, then
// anywhere. The frame lies whole in the area wherever it fits there.
QPoint FirstPlace(QSize frame, const FirstPlaceRoom& room);
// A window without a stored place: it takes its first place when PlaceFirst
// or ShowFormOnScreen next places it.
void NeedsFirstPlace(QWidget* window);
bool WaitsForFirstPlace(const QWidget* window);
// Gives a window the size the settings stored for it, which it keeps where
// it shows at its stored place (rather than the size it opens with at its
// first place).
void ResizeAsStored(QWidget* window, QSize size);
// Puts a window waiting for its first place there, among the windows shown
// or placed before it; a window shown, or put somewhere by PlaceWindow, is
// left where it is. A window too tall for the room below the main window's
// menu bar and page tabs, where that room holds most of it, is made as tall
// as that room there, its controls scrolling.
void PlaceFirst(QWidget* window);
// Gives a hidden window its first place with its frame's left edge at
// `left` (a window that belongs at the main window's edge).
void PlaceFirstAt(QWidget* window, int left);

// Makes a window larger than the screen's free area (panels and docks left
// out) fit inside it, frame included: a main window's content then scrolls
// in it, and on each side where it was too large its frame starts at that
// area's edge, so its title bar, close box and every control can be
// reached. A window that fits is left as it is, where it is.
void FitInsideScreen(QWidget* window);

// The largest client size with which the window's whole frame fits inside
// the screen's free area.
QSize RoomInsideScreen(const QWidget* window);

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

// Opens the port access once and sets PortDriverOpen. Every device that
// could not be opened (with what to do about permissions) is listed in the
// message window. Returns the new flag.
bool OpenPortDriver();
// Releases the port access and clears PortDriverOpen.
void ClosePortDriver();

} // namespace Systeme
