#include "app/ui/window_first_place.h"

#include "app/ui/window_front.h"
#include "app/ui/window_placement.h"

#include <QAction>
#include <QApplication>
#include <QLayout>
#include <QMainWindow>
#include <QMenuBar>
#include <QTabBar>
#include <QTabWidget>
#include <QVariant>
#include <QWidget>
#include <algorithm>
#include <array>
#include <compare>
#include <cstdlib>
#include <functional>
#include <limits>
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
// A window at the first place the program found for it among the windows
// open then, and put nowhere else on purpose since.
const char* const kFirstPlaceAgain = "nj_first_place_again";
// A window given the size the settings stored for it.
const char* const kSizeStored = "nj_size_stored";
constexpr int kPlaceStep = 8; // the first places tried side by side, apart

// The main window's frame, bars and the frames of the other windows; with
// `opener`, the window that opens it.
FirstPlaceRoom roomFor(const QWidget* window, const QWidget* opener = nullptr)
{
    FirstPlaceRoom room;
    room.area = ScreenArea();
    room.title = ExpectedFrame(window).top();
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

// The pixels of `r` that none of `covers` lies over.
qint64 uncovered(const QRect& r, const QList<QRect>& covers)
{
    std::vector<QRect> parts;
    for (const QRect& c : covers) {
        if (const QRect part = r & c; !part.isEmpty())
            parts.push_back(part);
    }
    qint64 covered = 0;
    if (!parts.empty()) {
        // Column strips between the parts' edges, each covered by the rows
        // of the parts that span it.
        std::vector<int> xs;
        for (const QRect& part : parts)
            xs.insert(xs.end(), {part.left(), part.right() + 1});
        std::sort(xs.begin(), xs.end());
        xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
        std::vector<std::pair<int, int>> rows;
        for (size_t i = 0; i + 1 < xs.size(); ++i) {
            rows.clear();
            for (const QRect& part : parts) {
                if (part.left() <= xs[i] && part.right() + 1 >= xs[i + 1])
                    rows.emplace_back(part.top(), part.bottom() + 1);
            }
            std::sort(rows.begin(), rows.end());
            int end = std::numeric_limits<int>::min();
            qint64 height = 0;
            for (const auto& [top, bottom] : rows) {
                height += std::max(0, bottom - std::max(top, end));
                end = std::max(end, bottom);
            }
            covered += height * (xs[i + 1] - xs[i]);
        }
    }
    return qint64(r.width()) * r.height() - covered;
}

// The widest run of columns of `band` that none of `covers` lies over, from
// its top row to its bottom row.
int widestUncoveredRun(const QRect& band, const QList<QRect>& covers)
{
    std::vector<std::pair<int, int>> hidden;
    for (const QRect& c : covers) {
        if (const QRect part = band & c; !part.isEmpty())
            hidden.emplace_back(part.left(), part.right() + 1);
    }
    std::sort(hidden.begin(), hidden.end());
    int widest = 0;
    int from = band.left();
    for (const auto& [left, right] : hidden) {
        widest = std::max(widest, left - from);
        from = std::max(from, right);
    }
    return std::max(widest, band.right() + 1 - from);
}

// What the windows kept on top leave in sight of a frame: whether the user
// can take it by its title bar (a third of its width at least, uncovered
// from the top of the frame to the bottom of its title bar), then how many
// of its pixels show. The larger is the better place.
struct Sight {
    bool titleShows = false;
    qint64 shown = 0;
    auto operator<=>(const Sight&) const = default;
};
Sight sightOf(const QRect& r, const FirstPlaceRoom& room)
{
    const QRect title(r.topLeft(), QSize(r.width(), std::min(r.height(), std::max(1, room.title))));
    return {widestUncoveredRun(title, room.onTop) * 3 >= r.width(), uncovered(r, room.onTop)};
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
    // The places of the area, `kStep` apart, where the whole frame fits;
    // with windows kept on top open, also those against their edges and
    // against the area's far edges, where the most of it may show; and the
    // place asked for, brought inside the area.
    const auto positions = [&](int from, int last, int size, auto edges, std::optional<int> asked) {
        std::vector<int> list;
        for (int v = from; v <= last; v += kStep)
            list.push_back(v);
        if (from > last || (room.onTop.isEmpty() && !asked))
            return list;
        if (asked)
            list.push_back(std::clamp(*asked, from, last));
        if (!room.onTop.isEmpty())
            list.push_back(last);
        for (const QRect& o : room.onTop) {
            for (const int v : edges(o, size)) {
                if (v >= from && v <= last)
                    list.push_back(v);
            }
        }
        std::sort(list.begin(), list.end());
        list.erase(std::unique(list.begin(), list.end()), list.end());
        return list;
    };
    const std::vector<int> rows = positions(
        area.top(), area.bottom() + 1 - frame.height(), frame.height(),
        [](const QRect& o, int h) { return std::array{o.top() - h, o.bottom() + 1}; },
        room.near ? std::optional(room.near->y()) : std::nullopt);
    const std::vector<int> columns =
        room.left ? std::vector<int>{std::max(area.left(), std::min(*room.left, area.right() + 1 - frame.width()))}
                  : positions(
                        area.left(), area.right() + 1 - frame.width(), frame.width(),
                        [](const QRect& o, int w) { return std::array{o.left() - w, o.right() + 1}; },
                        room.near ? std::optional(room.near->x()) : std::nullopt);
    std::vector<QPoint> places;
    for (const int y : rows) {
        for (const int x : columns)
            places.emplace_back(x, y);
    }
    // The first place, row after row, that `ok` takes.
    const auto scan = [&](const Test& ok) -> std::optional<QPoint> {
        for (const QPoint& p : places) {
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
        for (const QPoint& p : places) {
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
    // A corner of its own first; with every corner below the menu bar and
    // page tabs taken (many windows open on a small screen), on one of them
    // rather than over those bars.
    const std::pair<int, bool> order[] = {{0, false}, {1, false}, {0, true}, {1, true},
                                          {2, false}, {3, false}, {2, true}, {3, true}};
    // Windows kept on top would cover a plain window opened under them: it
    // goes where they leave the most of it in sight, its title bar within
    // reach first (whole where the screen has room clear of them), and
    // among those places as it goes with nothing on top, clear of the main
    // window's bars where that costs nothing in sight.
    Test inSight = [](const QRect&) { return true; };
    if (!room.onTop.isEmpty() && !places.empty()) {
        Sight best;
        for (const QPoint& p : places)
            best = std::max(best, sightOf(QRect(p, frame), room));
        inSight = [&room, best](const QRect& r) { return sightOf(r, room) == best; };
    }
    const auto seen = [&](const Test& ok) -> Test { return [&, ok](const QRect& r) { return ok(r) && inSight(r); }; };
    // A place asked for: there where the most shows there, else the
    // nearest place where it does.
    if (room.near) {
        std::optional<QPoint> nearest;
        qint64 shortest = 0;
        for (const QPoint& p : places) {
            const QPoint d = p - *room.near;
            if (const qint64 far = qint64(d.x()) * d.x() + qint64(d.y()) * d.y();
                (!nearest || far < shortest) && inSight(QRect(p, frame))) {
                nearest = p;
                shortest = far;
            }
        }
        if (nearest)
            return *nearest;
    }
    for (const Test& ok : tests) {
        if (auto p = scan(seen(ok)))
            return *p;
    }
    // Clear of the window it is opened from, which would otherwise hide it
    // as soon as the user works in it, rather than clear of the tool bars.
    if (!room.opener.isEmpty()) {
        const auto clearOfOpener = [&](const Test& ok) -> Test {
            return [&, ok](const QRect& r) { return !r.intersects(room.opener) && ok(r); };
        };
        for (const auto& [test, anyCorner] : std::span(order, 4)) {
            if (auto p = cascade(seen(clearOfOpener(corners[test])), anyCorner))
                return *p;
        }
    }
    for (const auto& [test, anyCorner] : order) {
        if (auto p = cascade(seen(corners[test]), anyCorner))
            return *p;
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

// True when the frame of a window of that size at `at` would cover the main
// window's menu bar or page tabs.
bool coversTopBars(QSize size, QPoint at, const QMargins& frame, const FirstPlaceRoom& room)
{
    const QRect r(at, size.grownBy(frame));
    const QList<QRect> top = topBarsOf(room);
    return std::any_of(top.begin(), top.end(), [&](const QRect& b) { return r.intersects(b); });
}

// The height of a window's client that is as tall as the room below `top`
// (its frame's top edge), when the window is too tall for that room and the
// room holds most of it: made that tall, its controls scroll.
std::optional<int> tallBelow(const QWidget* window, int top, const QMargins& frame, const QRect& area)
{
    const int below = area.bottom() + 1 - top - frame.top() - frame.bottom();
    if (!qobject_cast<const QMainWindow*>(window) || window->height() <= below || below * 4 < window->height() * 3)
        return std::nullopt;
    return below;
}

// Makes a window as tall as the room below `top` where tallBelow says so.
// True when it was.
bool makeTallBelow(QWidget* window, int top, const QMargins& frame, const QRect& area)
{
    const std::optional<int> below = tallBelow(window, top, frame, area);
    if (below)
        MakeTall(window, *below);
    return below.has_value();
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
// that place. The size is the one it opens with alone, whatever other
// windows are open (they choose its place only): left open at the close,
// it comes back at that size where it was (PlaceAgain).
QPoint sizeAtFirstPlace(QWidget* window, const FirstPlaceRoom& room, const QMargins& frame)
{
    sizeAsShown(window);
    FirstPlaceRoom alone = room;
    alone.taken.clear();
    alone.onTop.clear();
    alone.opener = QRect();
    // Too tall for the room below the main window's menu bar and page tabs,
    // it would cover them: where that room holds most of it, it is made as
    // tall as that room, its controls scrolling (only where that leaves them
    // uncovered: a window made tall keeps its controls in a scroll area).
    const int below = belowTopBars(alone);
    const std::optional<int> tall = tallBelow(window, below, frame, alone.area);
    if (tall && coversTopBars(window->size(), FirstPlace(window->size().grownBy(frame), alone), frame, alone)) {
        const QSize tallSize = SizeMadeTall(window, *tall);
        if (!coversTopBars(tallSize, FirstPlace(tallSize.grownBy(frame), alone), frame, alone)) {
            const QSize kept = window->size();
            const QSize keptMinimum = window->minimumSize();
            makeTallBelow(window, below, frame, alone.area);
            if (coversTopBars(window->size(), FirstPlace(window->size().grownBy(frame), alone), frame, alone)) {
                window->setMinimumSize(keptMinimum);
                window->resize(kept);
            }
        }
    }
    return FirstPlace(window->size().grownBy(frame), room);
}

void placeFirstNow(QWidget* window, const QWidget* opener, std::optional<int> left = std::nullopt)
{
    window->setProperty(kFirstPlaceWaits, QVariant());
    window->setProperty(kFirstPlaceGiven, true);
    ForgetUserPlace(window);
    FirstPlaceRoom room = roomFor(window, opener);
    room.left = left;
    PlaceOnScreen(window, sizeAtFirstPlace(window, room, ExpectedFrame(window)));
    // (One that belongs at the main window's edge keeps that place.)
    window->setProperty(kFirstPlaceAgain, left ? QVariant() : QVariant(true));
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
        && coversTopBars(window->size(), inside, frame, room) && fitsBelow()) {
        at = QPoint(inside.x(), below);
    } else if (!coversTopBars(window->size(), at, frame, room) && coversTopBars(window->size(), inside, frame, room)) {
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
    if (at.y() <= below || coversTopBars(window->size(), at, frame, room))
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

void PlaceInSight(QWidget* window, const std::function<QPoint(QSize frame)>& asked)
{
    if (!window)
        return;
    // Put there on purpose: no first place, nor a first place again.
    ForgetFirstPlace(window);
    KeepPlaceGiven(window);
    // At the size it shows with, in the frame it will have (that of the
    // other windows until its own is drawn).
    if (!window->isVisible())
        sizeAsShown(window);
    const QSize frame = window->size().grownBy(ExpectedFrame(window));
    QPoint at = asked(frame);
    FirstPlaceRoom room = roomFor(window);
    if (!room.onTop.isEmpty()) {
        room.near = KeepFrameInside(QRect(at, frame), room.area);
        at = FirstPlace(frame, room);
    }
    PlaceOnScreen(window, at);
}

void NoteShownOnce(QWidget* window) { window->setProperty(kShownOnce, true); }

void ForgetFirstPlace(QWidget* window)
{
    if (window)
        window->setProperty(kFirstPlaceWaits, QVariant());
}

bool HasFirstPlace(const QWidget* window) { return window && window->property(kFirstPlaceGiven).toBool(); }

void KeepPlaceGiven(QWidget* window)
{
    if (window)
        window->setProperty(kFirstPlaceAgain, QVariant());
}

bool TakesFirstPlaceAgain(const QWidget* window)
{
    return window && window->property(kFirstPlaceAgain).toBool() && !HasUserPlace(window);
}

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
