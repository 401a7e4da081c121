#include "app/ui/window_first_place.h"

#include "app/ui/window_front.h"
#include "app/ui/window_placement.h"

#include <QAction>
#include <QApplication>
#include <QLayout>
#include <QMainWindow>
#include <QMenuBar>
#include <QRegion>
#include <QTabBar>
#include <QTabWidget>
#include <QVariant>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <span>
#include <vector>

namespace Systeme {
namespace {
// A window waiting for its first place, and one given it.
const char* const kFirstPlaceWaits = "nj_first_place_waits";
const char* const kFirstPlaceGiven = "nj_first_place_given";
// A window the show path has shown once.
const char* const kShownOnce = "nj_shown_once";
// A window the user put where it is.
const char* const kUserPlace = "nj_user_place";
// A window given the size the settings stored for it.
const char* const kSizeStored = "nj_size_stored";
constexpr int kPlaceStep = 8; // the first places tried side by side, apart
// The height of a frame's top kept partly in sight of the windows kept on
// top, so that it can be grabbed and moved.
constexpr int kTitleInSight = 20;

// The main window's frame, bars and the frames of the other windows; with
// `opener`, the window that opens it.
FirstPlaceRoom roomFor(const QWidget* window, const QWidget* opener = nullptr)
{
    FirstPlaceRoom room;
    room.area = ScreenArea();
    QWidget* main = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (IsMainWindow(w))
            main = w;
    }
    if (main && main->isVisible()) {
        room.main = FrameOf(main);
        const QMargins frame = ExpectedFrame(main);
        const QPoint client = room.main.topLeft() + QPoint(frame.left(), frame.top());
        const auto bar = [&](QWidget* w) -> std::optional<QRect> {
            if (w && w->isVisibleTo(main) && !w->size().isEmpty())
                return QRect(client + w->mapTo(main, QPoint(0, 0)), w->size());
            return std::nullopt;
        };
        // The menu bar's titles: what lies right of them is free room.
        if (auto* menus = main->findChild<QMenuBar*>(QStringLiteral("MainMenu1")); auto r = bar(menus)) {
            QRect titles;
            for (QAction* a : menus->actions()) {
                if (a->isVisible())
                    titles |= menus->actionGeometry(a);
            }
            room.menuBar = titles.isEmpty() ? *r : QRect(r->topLeft(), QSize(titles.right() + 1, r->height()));
        }
        // The page tabs' row, across the pages.
        if (auto* pages = main->findChild<QTabWidget*>(QStringLiteral("PGC_Main"))) {
            if (auto r = bar(pages->tabBar()))
                room.topBars << QRect(r->topLeft(), QSize(std::max(r->width(), pages->width()), r->height()));
        }
        if (auto r = bar(main->findChild<QWidget*>(QStringLiteral("TLB_Status"))))
            room.topBars << *r;
        for (const char* name : {"PNL_Toolbar_Beginner", "PNL_Toolbar_Expert"}) {
            if (auto r = bar(main->findChild<QWidget*>(QLatin1String(name))))
                room.toolBars << *r;
        }
    }
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w == window || w == main || !w->isWindow() || w->windowType() == Qt::Popup
            || w->windowType() == Qt::ToolTip)
            continue;
        // Shown, or placed and not shown yet (a window the user closed
        // leaves its corner free).
        if ((w->isVisible() && !w->isMinimized())
            || (w->property(kFirstPlaceGiven).toBool() && !w->property(kShownOnce).toBool()))
            room.taken << FrameOf(w);
        // A window kept on top would cover a plain window opened under it.
        if (w->isVisible() && !w->isMinimized() && !KeptOnTop(window) && KeptOnTop(w))
            room.onTop << FrameOf(w);
    }
    // One kept on top would cover the window that opens it.
    if (opener && opener != window && !IsMainWindow(opener) && KeptOnTop(window) && opener->isVisible()
        && !opener->isMinimized())
        room.opener = FrameOf(opener);
    return room;
}
} // namespace

QPoint FirstPlace(QSize frame, const FirstPlaceRoom& room)
{
    const QRect& area = room.area;
    constexpr int kStep = kPlaceStep;
    constexpr int kCascade = 24; // one window's corner from the next one's
    using Test = std::function<bool(const QRect&)>;
    const auto clearOf = [](const QRect& r, const QList<QRect>& others) {
        return std::none_of(others.begin(), others.end(), [&](const QRect& o) { return r.intersects(o); });
    };
    const auto cornerFree = [&](QPoint p) {
        return std::none_of(room.taken.begin(), room.taken.end(), [&](const QRect& t) {
            return std::abs(t.x() - p.x()) < kCascade && std::abs(t.y() - p.y()) < kCascade;
        });
    };
    // The places of the area, `step` apart, where the whole frame fits.
    const auto places = [&](int step) {
        std::vector<QPoint> list;
        for (int y = area.top(); y + frame.height() <= area.bottom() + 1; y += step) {
            if (room.left) {
                list.emplace_back(std::max(area.left(), std::min(*room.left, area.right() + 1 - frame.width())), y);
                continue;
            }
            for (int x = area.left(); x + frame.width() <= area.right() + 1; x += step)
                list.emplace_back(x, y);
        }
        return list;
    };
    // The first place, row after row, that `ok` takes.
    const auto scan = [&](const Test& ok) -> std::optional<QPoint> {
        for (const QPoint& p : places(kStep)) {
            if (ok(QRect(p, frame)))
                return p;
        }
        return std::nullopt;
    };
    // The free corner that `ok` takes nearest the diagonal down and right
    // from the first place it takes, a window's title bar below the last;
    // with `anyCorner`, the first of them, free or not.
    const auto cascade = [&](const Test& ok, bool anyCorner = false) -> std::optional<QPoint> {
        std::vector<QPoint> list;
        for (const QPoint& p : places(kStep)) {
            if (ok(QRect(p, frame)))
                list.push_back(p);
        }
        if (list.empty())
            return std::nullopt;
        const QPoint first = list.front();
        std::stable_sort(list.begin(), list.end(), [&](const QPoint& a, const QPoint& b) {
            const QPoint da = (a - first) / kCascade, db = (b - first) / kCascade;
            const int offA = std::abs(da.x() - da.y()), offB = std::abs(db.x() - db.y());
            return offA != offB ? offA < offB : da.x() + da.y() < db.x() + db.y();
        });
        if (anyCorner)
            return list.front();
        for (const QPoint& p : list) {
            if (cornerFree(p))
                return p;
        }
        return std::nullopt;
    };

    const QList<QRect> top = QList<QRect>{room.menuBar} + room.topBars;
    const QList<QRect> bars = top + room.toolBars;
    const Test tests[] = {
        [&](const QRect& r) { return !room.main.isEmpty() && !r.intersects(room.main) && clearOf(r, room.taken); },
        [&](const QRect& r) { return clearOf(r, bars) && clearOf(r, room.taken); },
    };
    const Test corners[] = {
        [&](const QRect& r) { return clearOf(r, bars); },
        [&](const QRect& r) { return clearOf(r, top); },
        [&](const QRect& r) { return !r.intersects(room.menuBar); },
        [](const QRect&) { return true; },
    };
    // Each clear of the windows kept on top first, which would cover it.
    const auto clearOfOnTop = [&](const Test& ok) -> Test {
        return [&, ok](const QRect& r) { return clearOf(r, room.onTop) && ok(r); };
    };
    // Where no place is clear of them, a plain window still opens where
    // they leave most of it in sight, its title bar partly, before it is
    // put where they would hide it whole (the goto dialog opened from the
    // chart on a small screen).
    QRegion onTop;
    for (const QRect& r : room.onTop)
        onTop += r;
    const auto inSight = [&](const QRect& r) {
        if (clearOf(r, room.onTop))
            return qint64(r.width()) * r.height();
        const QRegion left = QRegion(r).subtracted(onTop);
        qint64 shown = 0;
        for (const QRect& part : left)
            shown += qint64(part.width()) * part.height();
        const QRegion title = QRegion(QRect(r.topLeft(), QSize(r.width(), kTitleInSight))).subtracted(onTop);
        const bool titleShows = std::any_of(title.begin(), title.end(),
                                            [](const QRect& part) { return part.width() >= kTitleInSight * 2; });
        return titleShows ? shown : qint64(0);
    };
    // Places `ok` takes where at least half the frame is in sight.
    const auto halfInSight = [&](const Test& ok) -> Test {
        return [&, ok](const QRect& r) { return ok(r) && inSight(r) * 2 >= qint64(r.width()) * r.height(); };
    };
    // The place `ok` takes that leaves most in sight; with `anyCorner`, at
    // a corner another window has too.
    const auto mostInSight = [&](const Test& ok, bool anyCorner) -> std::optional<QPoint> {
        std::optional<QPoint> best;
        qint64 bestShown = 0;
        for (const QPoint& p : places(kStep)) {
            const QRect r(p, frame);
            if (const qint64 shown = (anyCorner || cornerFree(p)) && ok(r) ? inSight(r) : 0; shown > bestShown) {
                best = p;
                bestShown = shown;
            }
        }
        return best;
    };
    for (const Test& ok : tests) {
        if (!room.onTop.isEmpty()) {
            if (auto p = scan(clearOfOnTop(ok)))
                return *p;
        }
        if (auto p = scan(ok))
            return *p;
    }
    // A corner of its own first; with every corner below the menu bar and
    // page tabs taken (many windows open on a small screen), on one of them
    // rather than over those bars.
    const std::pair<int, bool> order[] = {{0, false}, {1, false}, {0, true}, {1, true},
                                          {2, false}, {3, false}, {2, true}, {3, true}};
    // Clear of the window it is opened from, which would otherwise hide it
    // as soon as the user works in it, rather than clear of the tool bars.
    if (!room.opener.isEmpty()) {
        const auto clearOfOpener = [&](const Test& ok) -> Test {
            return [&, ok](const QRect& r) { return !r.intersects(room.opener) && ok(r); };
        };
        for (const auto& [test, anyCorner] : std::span(order, 4)) {
            if (auto p = cascade(clearOfOpener(corners[test]), anyCorner))
                return *p;
        }
    }
    if (room.onTop.isEmpty()) {
        for (const auto& [test, anyCorner] : order) {
            if (auto p = cascade(corners[test], anyCorner))
                return *p;
        }
    } else {
        // The corners in the order above; at each, clear of the windows
        // kept on top, else where they leave at least half of it in sight,
        // else where they leave most of it, its title bar partly.
        for (const auto& [test, anyCorner] : order) {
            const Test& ok = corners[test];
            if (auto p = cascade(clearOfOnTop(ok), anyCorner))
                return *p;
            if (auto p = cascade(halfInSight(ok), anyCorner))
                return *p;
            if (auto p = mostInSight(ok, anyCorner))
                return *p;
        }
        for (const auto& [test, anyCorner] : order) {
            if (auto p = cascade(corners[test], anyCorner))
                return *p;
        }
    }
    return KeepFrameInside(QRect(room.left ? QPoint(*room.left, area.top()) : area.topLeft(), frame), area);
}

void NeedsFirstPlace(QWidget* window)
{
    if (!window)
        return;
    window->setProperty(kFirstPlaceWaits, true);
    ForgetUserPlace(window);
}

bool WaitsForFirstPlace(const QWidget* window) { return window && window->property(kFirstPlaceWaits).toBool(); }

void ResizeAsStored(QWidget* window, QSize size)
{
    if (!window)
        return;
    window->resize(size);
    window->setProperty(kSizeStored, true);
}

namespace {
// Gives a window its size once shown: what its layout needs, at least, in
// the style's fonts and margins.
void sizeAsShown(QWidget* window)
{
    window->ensurePolished();
    if (window->layout())
        window->layout()->activate();
    window->resize(window->size().expandedTo(window->minimumSizeHint()));
}

// The main window's menu bar and page tabs.
QList<QRect> topBarsOf(const FirstPlaceRoom& room) { return QList<QRect>{room.menuBar} + room.topBars; }

// The first row of places below the main window's menu bar and page tabs.
int belowTopBars(const FirstPlaceRoom& room)
{
    int bottom = room.area.top();
    for (const QRect& r : topBarsOf(room))
        bottom = std::max(bottom, r.bottom() + 1);
    return room.area.top() + (bottom - room.area.top() + kPlaceStep - 1) / kPlaceStep * kPlaceStep;
}

// True when a window's frame at `at` would cover the main window's menu bar
// or page tabs.
bool coversTopBars(const QWidget* window, QPoint at, const QMargins& frame, const FirstPlaceRoom& room)
{
    const QRect r(at, window->size().grownBy(frame));
    const QList<QRect> top = topBarsOf(room);
    return std::any_of(top.begin(), top.end(), [&](const QRect& b) { return r.intersects(b); });
}

// A window too tall for the room below `top` (its frame's top edge), where
// that room holds most of it, is made as tall as that room, its controls
// scrolling. True when it was.
bool makeTallBelow(QWidget* window, int top, const QMargins& frame, const QRect& area)
{
    const int below = area.bottom() + 1 - top - frame.top() - frame.bottom();
    if (!qobject_cast<QMainWindow*>(window) || window->height() <= below || below * 4 < window->height() * 3)
        return false;
    MakeTall(window, below);
    return true;
}

// The room with the main window and its bars where the main window opens in
// a fresh program folder; with `onlyLower`, only when they stand lower than
// that (they stay where they are when higher).
FirstPlaceRoom withMainAsFresh(FirstPlaceRoom room, bool onlyLower)
{
    if (room.main.isEmpty())
        return room;
    const QPoint fresh = MainWindowDefaultCorner();
    const int up = room.main.top() - KeepFrameInside(QRect(fresh, room.main.size()), room.area).y();
    if (up == 0 || (onlyLower && up < 0))
        return room;
    room.main.translate(0, -up);
    room.menuBar.translate(0, -up);
    for (QList<QRect>* bars : {&room.topBars, &room.toolBars}) {
        for (QRect& r : *bars)
            r.translate(0, -up);
    }
    return room;
}

// Gives a window the size it opens with at its first place, and returns
// that place.
QPoint sizeAtFirstPlace(QWidget* window, const FirstPlaceRoom& room, const QMargins& frame)
{
    sizeAsShown(window);
    QPoint at = FirstPlace(window->size().grownBy(frame), room);
    // Too tall for the room below the main window's menu bar and page tabs,
    // it would cover them: where that room holds most of it, it is made as
    // tall as that room, its controls scrolling.
    if (coversTopBars(window, at, frame, room)) {
        const QSize kept = window->size();
        const QSize keptMinimum = window->minimumSize();
        if (makeTallBelow(window, belowTopBars(room), frame, room.area)) {
            at = FirstPlace(window->size().grownBy(frame), room);
            if (coversTopBars(window, at, frame, room)) {
                window->setMinimumSize(keptMinimum);
                window->resize(kept);
                at = FirstPlace(window->size().grownBy(frame), room);
            }
        }
    }
    return at;
}

void placeFirstNow(QWidget* window, const QWidget* opener, std::optional<int> left = std::nullopt)
{
    window->setProperty(kFirstPlaceWaits, QVariant());
    window->setProperty(kFirstPlaceGiven, true);
    ForgetUserPlace(window);
    FirstPlaceRoom room = roomFor(window, opener);
    room.left = left;
    PlaceOnScreen(window, sizeAtFirstPlace(window, room, ExpectedFrame(window)));
}

} // namespace

// A window shown again, at the place it was asked to be (its stored place,
// or where it was), comes back whole on the screen as the user left it.
// Shown for the first time since the program started (left open at the
// last exit, or opened again), it has the size it opens with at its first
// place, wherever its place is: the size it had when it was closed; one the
// settings gave its stored size keeps that size. A window too tall for the
// room below that place would be pushed up over the main window's menu bar
// and page tabs: as at its first place, it is made as tall as the room
// below its place, or else below the bars, where that room holds most of
// it, and stays there. One asked to be at a place off the screen goes below
// the bars where it fits.
void PlaceAgain(QWidget* window)
{
    const FirstPlaceRoom room = roomFor(window);
    const QMargins frame = ExpectedFrame(window);
    if (window->property(kShownOnce).toBool() || window->property(kSizeStored).toBool()) {
        sizeAsShown(window);
    } else {
        // (As it opens in a fresh program folder, whatever else is open.
        // The main window moved down since the window opened would make it
        // shorter than it was, wherever its place: it is sized below the
        // bars of the main window where a fresh program folder puts it, and
        // made shorter below the bars where they now are only where its
        // place is below them, below.)
        FirstPlaceRoom alone = withMainAsFresh(room, true);
        alone.taken.clear();
        alone.onTop.clear();
        const QSize kept = window->size();
        const QSize keptMinimum = window->minimumSize();
        sizeAtFirstPlace(window, alone, frame);
        // The main window moved up since the window opened would make it
        // taller than it was: pushed up from its place to stay whole, it
        // would come back neither where nor as it was closed. Where the size
        // it opens with below the bars of the main window where a fresh
        // program folder puts it lets it stay at the place asked, it takes
        // that size (the one it had, opened there), at that place.
        const std::optional<QPoint> askedAt = AskedPlace(window);
        const auto placeAsked = [&] {
            return askedAt ? PlaceInsideScreen(QRect(*askedAt, window->size().grownBy(frame)), ScreenSize())
                           : FrameCorner(window);
        };
        const auto staysAt = [&](QPoint p) {
            return p.y() + window->size().grownBy(frame).height() <= room.area.bottom() + 1;
        };
        FirstPlaceRoom fresh = withMainAsFresh(room, false);
        if (!staysAt(placeAsked()) && fresh.main != alone.main) {
            const QSize sized = window->size();
            const QSize sizedMinimum = window->minimumSize();
            fresh.taken.clear();
            fresh.onTop.clear();
            window->setMinimumSize(keptMinimum);
            window->resize(kept);
            sizeAtFirstPlace(window, fresh, frame);
            if (staysAt(placeAsked())) {
                window->move(placeAsked());
            } else {
                window->setMinimumSize(sizedMinimum);
                window->resize(sized);
            }
        }
    }
    QPoint at = FrameCorner(window);
    const QPoint inside = KeepFrameInside(QRect(at, window->size().grownBy(frame)), room.area);
    // A place asked for that leaves part of the frame off the screen (stored
    // negative, or on a larger screen) was nobody's choice where the frame
    // lands once brought onto it: it goes below the main window's menu bar
    // and page tabs, at its size, where it fits there. A place the user
    // chose, over the main window's bars or anywhere else, is kept.
    const std::optional<QPoint> asked = AskedPlace(window);
    const int below = belowTopBars(room);
    const auto fitsBelow = [&] { return below + window->size().grownBy(frame).height() <= room.area.bottom() + 1; };
    if (asked && !room.area.contains(QRect(*asked, window->size().grownBy(frame)))
        && coversTopBars(window, inside, frame, room) && fitsBelow()) {
        at = QPoint(inside.x(), below);
    } else if (!coversTopBars(window, at, frame, room) && coversTopBars(window, inside, frame, room)) {
        for (const int top : {at.y(), below}) {
            if (top >= room.area.top() && makeTallBelow(window, top, frame, room.area)) {
                at.setY(top);
                break;
            }
        }
    }
    PlaceOnScreen(window, at);
}

// A hidden window going back below the main window's menu bar and page tabs
// where its whole frame does not fit below that place is first brought up
// as far as it takes to fit, no higher than the first row below the bars:
// one too tall for that room is then made as tall as it (by FitInsideScreen
// or PlaceAgain), the size it opens with, whether shown again in the same
// run or after a restart, rather than kept lower and made shorter still.
void BringUpBelowBars(QWidget* window)
{
    const FirstPlaceRoom room = roomFor(window);
    const QList<QRect> bars = topBarsOf(room);
    if (std::all_of(bars.begin(), bars.end(), [](const QRect& b) { return b.isEmpty(); }))
        return;
    // (The frame it is kept whole on the screen with.)
    const QMargins frame = KnownFrame(window);
    QPoint at = FrameCorner(window);
    const int below = belowTopBars(room);
    if (at.y() <= below || coversTopBars(window, at, frame, room))
        return;
    const int frameHeight = window->size().expandedTo(window->minimumSizeHint()).grownBy(frame).height();
    at.setY(std::max(below, std::min(at.y(), room.area.bottom() + 1 - frameHeight)));
    if (at != FrameCorner(window))
        window->move(at);
}

void PlaceFirstAt(QWidget* window, int left)
{
    if (window && !window->isVisible())
        placeFirstNow(window, nullptr, left);
}

void PlaceFirst(QWidget* window)
{
    if (!WaitsForFirstPlace(window))
        return;
    // Shown already, it is where it is.
    if (window->isVisible())
        window->setProperty(kFirstPlaceWaits, QVariant());
    else
        placeFirstNow(window, nullptr);
}

void PlaceFirstNow(QWidget* window, const QWidget* opener) { placeFirstNow(window, opener); }

void NoteShownOnce(QWidget* window) { window->setProperty(kShownOnce, true); }

void ForgetFirstPlace(QWidget* window)
{
    if (window)
        window->setProperty(kFirstPlaceWaits, QVariant());
}

bool HasFirstPlace(const QWidget* window) { return window && window->property(kFirstPlaceGiven).toBool(); }

void NoteUserPlace(QWidget* window)
{
    if (window)
        window->setProperty(kUserPlace, true);
}

void ForgetUserPlace(QWidget* window)
{
    if (window)
        window->setProperty(kUserPlace, QVariant());
}

bool HasUserPlace(const QWidget* window) { return window && window->property(kUserPlace).toBool(); }

bool StoredAsUsersPlace(const QWidget* window)
{
    return window && (HasUserPlace(window) || window->isVisible());
}

} // namespace Systeme
