#pragma once
// Where a window goes when the program chooses its place: the first place
// of a window with no place of its own, clear of the main window's menus
// and bars and of the windows it would be hidden by or would hide, and the
// size a window has where it shows again at a place asked for.

#include <QList>
#include <QRect>
#include <QSize>
#include <functional>
#include <optional>

class QWidget;

namespace Systeme {

// What a window's first place must leave clear, in screen pixels.
struct FirstPlaceRoom {
    QRect area;              // the screen's free area
    QRect main;              // the main window's frame (empty: none)
    QRect menuBar;           // its menu bar
    QList<QRect> topBars;    // its page tabs and the bar beside them
    QList<QRect> toolBars;   // its tool bars
    QList<QRect> taken;      // the frames of the windows shown, or placed and not shown yet
    QList<QRect> onTop;      // those of them kept on top, which would cover it
    QRect opener;            // the window a window kept on top is opened from (empty: none)
    int title = 20;          // the height of the frame's top edge down to the client: its title bar
    std::optional<int> left; // the frame's left edge, when it is given
    std::optional<QPoint> near; // the place the program asks for, when it asks for one
};
// Where the frame of a window with no place of its own goes, the first
// found of: beside the main window, covering no other window; over the main
// window, leaving its bars and the other windows uncovered; at a corner no
// other window has (24 pixels apart, from the top left down the diagonal),
// leaving uncovered the main window's bars, else its menu bar and page
// tabs; the same at a corner another window has; at a corner no other
// window has, leaving uncovered its menu bar, else anything; the same at a
// corner another window has; the screen's top left corner.
// With windows kept on top open (they would cover it), only the places
// where they leave the most of it in sight are looked at: whole where
// the screen has room clear of them, else those where its title bar shows
// (a third of its width at least) and the most of its pixels; among them,
// the first found as above. A window opened from another (`opener`), which
// it would cover, is put clear of it before a corner that leaves the main
// window's tool bars uncovered is looked for: first clear of them as well,
// then of its menu bar and page tabs only. The frame lies whole in the
// area wherever it fits there. A place asked for (`near`) is taken where
// the windows kept on top leave as much in sight there as anywhere, else the
// nearest place where they do.
QPoint FirstPlace(QSize frame, const FirstPlaceRoom& room);

// A window without a stored place: it takes its first place when PlaceFirst
// or ShowFormOnScreen next places it.
void NeedsFirstPlace(QWidget* window);
bool WaitsForFirstPlace(const QWidget* window);
// Put somewhere on purpose (PlaceWindow): it waits for no first place.
void ForgetFirstPlace(QWidget* window);
// True once a window was given its first place.
bool HasFirstPlace(const QWidget* window);
// A window the program gave its first place (PlaceFirst, PlaceFirstNow),
// neither moved by the user nor put elsewhere on purpose since, is where the
// windows open then left it room: hidden and shown again, it takes a first
// place again among the windows open by then. Put somewhere on purpose
// (PlaceWindow, PlaceInSight), it keeps that place.
bool TakesFirstPlaceAgain(const QWidget* window);
void KeepPlaceGiven(QWidget* window);
// The user put the window where it is: moved or resized it through the
// window manager (the watch of window_placement.h tells), or the settings
// hold a place of theirs for it. A first place (NeedsFirstPlace, then
// PlaceFirst, PlaceFirstNow or PlaceFirstAt) is the program's until the
// user moves the window.
void NoteUserPlace(QWidget* window);
void ForgetUserPlace(QWidget* window);
bool HasUserPlace(const QWidget* window);
// The place stored of a window is the user's: one they put it at, or the
// place they leave it open at as the program closes. Any other is the
// program's, and the window takes a first place at the next start.
bool StoredAsUsersPlace(const QWidget* window);
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
// Puts a plain window at the place the program asks for it, `asked` giving
// its frame's corner from the frame's size as it shows (the long-exposure
// window at the main window's left edge, its bottom on the main window's
// bottom), as PlaceOnScreen does, whatever first place it waited for; where
// windows kept on top would cover it more there than elsewhere, at the
// nearest place where they leave the most of it in sight. The show path
// keeps that place.
void PlaceInSight(QWidget* window, const std::function<QPoint(QSize frame)>& asked);

// For the show path (ShowFormOnScreen), a hidden window about to show:
// gives it its first place, clear of `opener` (the window it is opened
// from, or null) as the room asks;
void PlaceFirstNow(QWidget* window, const QWidget* opener);
// puts it back where it was asked to be (its stored place, or where it
// was), at the size it had there, only a place off the screen corrected;
void PlaceAgain(QWidget* window);
// brings one too tall for the room below its place up as far as it takes
// to fit, no higher than the first row below the main window's menu bar
// and page tabs, before it is fitted;
void BringUpBelowBars(QWidget* window);
// and notes that it has shown.
void NoteShownOnce(QWidget* window);

} // namespace Systeme
