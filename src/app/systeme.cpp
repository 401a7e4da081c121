#include "app/systeme.h"

#include "app/frm_message.h"
#include "app/ui/widget_message_service.h"
#include "app/ui/window_stacking.h"
#include "platform/port_access.h"

#include <QApplication>
#include <QEvent>
#include <QLayout>
#include <QMainWindow>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cstdlib>
#include <optional>
#include <vector>

bool PortDriverOpen = false;

namespace Systeme {
namespace {
std::function<QSize()> g_screenSize;

const char* const kFramePlacerName = "nj_frame_placer";
// A window waiting for its first place, and one given it.
const char* const kFirstPlaceWaits = "nj_first_place_waits";
const char* const kFirstPlaceGiven = "nj_first_place_given";

// The frame the window manager has drawn around a shown window, as the
// window system reports it; none while it has not drawn one. The widget's
// own frame geometry is not asked: it is only brought up to date by a move,
// and a window the manager maps exactly where the program first put its
// client never moves.
QMargins drawnFrame(const QWidget* w)
{
    if (!w->isVisible() || !w->windowHandle() || !w->windowHandle()->handle())
        return {};
    return w->windowHandle()->frameMargins();
}

// The frame a window will have: its own once drawn, else that of another
// framed window, else none.
QMargins knownFrame(const QWidget* window)
{
    if (const QMargins own = drawnFrame(window); !own.isNull())
        return own;
    for (const QWidget* other : QApplication::topLevelWidgets()) {
        if (other == window || !other->isWindow())
            continue;
        if (const QMargins frame = drawnFrame(other); !frame.isNull())
            return frame;
    }
    return {};
}

// Where the frame's corner goes: `wanted` as it is, or brought so that the
// whole frame lies inside the screen's free area.
QPoint frameTarget(const QWidget* window, QPoint wanted, const QMargins& frame, bool keepInside)
{
    if (!keepInside)
        return wanted;
    return KeepFrameInside(QRect(wanted, window->size().grownBy(frame)), ScreenArea());
}

// Where a window's frame has its corner: as the window system reports it
// once the frame is drawn, else where the window was put.
QPoint frameCorner(const QWidget* w)
{
    if (!drawnFrame(w).isNull())
        return w->windowHandle()->framePosition();
    return w->pos();
}

// Puts the client where the frame's corner comes at `frameTopLeft`.
void putClient(QWidget* window, QPoint frameTopLeft, const QMargins& frame)
{
    window->setGeometry(QRect(frameTopLeft + QPoint(frame.left(), frame.top()), window->size()));
}

// Watches a window until the window manager has framed it, then moves it so
// that the frame's corner is where it was asked to be (and, for a window
// placed on the screen, so that the whole frame is on it), and goes once the
// frame has been seen there for a moment: the window system reports where it
// asked the window to be until the window manager's answer comes. A frame
// drawn around a client that stays where it is brings no move event: once
// shown, the window is looked at for a while as well.
class FramePlacer final : public QObject {
public:
    FramePlacer(QWidget* window, QPoint wanted, bool keepInside)
        : QObject(window), window_(window), wanted_(wanted), keepInside_(keepInside)
    {
        setObjectName(QLatin1String(kFramePlacerName));
        window->installEventFilter(this);
        look_.setInterval(50);
        QObject::connect(&look_, &QTimer::timeout, this, [this] {
            if (!tryPlace(true) && ++looks_ >= kLooks)
                finish();
        });
        if (window->isVisible())
            look_.start();
    }

    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (watched != window_)
            return false;
        if (e->type() == QEvent::Show) {
            looks_ = 0;
            look_.start();
        }
        if (e->type() == QEvent::Move || e->type() == QEvent::Show || e->type() == QEvent::Resize)
            tryPlace(false);
        return false;
    }

private:
    static constexpr int kLooks = 60;       // 3 s of looks after the window shows
    static constexpr int kSteadyLooks = 3;  // in place that long: the manager agrees
    static constexpr int kMoves = 5;        // never more moves than that

    bool tryPlace(bool look)
    {
        if (done_)
            return true;
        const QMargins frame = drawnFrame(window_);
        if (frame.isNull())
            return false;
        const QPoint target = frameTarget(window_, wanted_, frame, keepInside_);
        if (window_->windowHandle()->framePosition() != target) {
            steady_ = 0;
            if (moves_++ < kMoves)
                putClient(window_, target, frame);
            return false;
        }
        if (look && ++steady_ >= kSteadyLooks) {
            finish();
            return true;
        }
        return false;
    }

    void finish()
    {
        done_ = true;
        look_.stop();
        window_->removeEventFilter(this);
        deleteLater();
    }

    QWidget* window_;
    QPoint wanted_;
    bool keepInside_;
    QTimer look_;
    int looks_ = 0;
    int steady_ = 0;
    int moves_ = 0;
    bool done_ = false;
};

void placeFrame(QWidget* window, QPoint frameTopLeft, bool keepInside)
{
    const auto placers = window->findChildren<QObject*>(QLatin1String(kFramePlacerName), Qt::FindDirectChildrenOnly);
    for (QObject* old : placers) {
        window->removeEventFilter(old);
        old->setObjectName(QString());
        old->deleteLater();
    }
    const QMargins frame = drawnFrame(window);
    if (!frame.isNull()) {
        putClient(window, frameTarget(window, frameTopLeft, frame, keepInside), frame);
        return;
    }
    // Not framed yet: its Left and Top are the frame's corner (what is
    // stored of a window never shown reads them back as they were put),
    // with the frame of the other windows; once the window manager has
    // framed it, the watch puts it where that corner asks.
    window->move(frameTarget(window, frameTopLeft, knownFrame(window), keepInside));
    new FramePlacer(window, frameTopLeft, keepInside);
}

// The frame the window manager draws around `window`: its own once drawn,
// else that of another framed window, else a generous guess.
QMargins expectedFrame(const QWidget* window)
{
    const QMargins known = knownFrame(window);
    return known.isNull() ? QMargins(4, 30, 4, 4) : known;
}

const char* const kFitScrollName = "nj_fit_scroll";

// Moves a main window's content into a scroll area, once, so that the window
// can be smaller than its content.
void scrollContent(QMainWindow* window)
{
    QWidget* content = window->centralWidget();
    if (!content || content->objectName() == QLatin1String(kFitScrollName))
        return;
    // Content without a layout keeps its controls where they are: its
    // present size is what it needs.
    if (!content->layout())
        content->setMinimumSize(content->size());
    auto* scroll = new QScrollArea;
    scroll->setObjectName(QLatin1String(kFitScrollName));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    window->takeCentralWidget();
    scroll->setWidget(content);
    window->setCentralWidget(scroll);
}

const char* const kFrontKeeperName = "nj_front_keeper";

// Keeps a window in front of the window that stays on top it was opened
// from, while both are shown; as soon as either hides, the window is a plain
// one again. Qt clears what the window manager was told each time the window
// shows, so it is told again once the window is shown.
class FrontKeeper final : public QObject {
public:
    FrontKeeper(QWidget* form, QWidget* opener) : QObject(form), form_(form), opener_(opener)
    {
        setObjectName(QLatin1String(kFrontKeeperName));
        form->installEventFilter(this);
        opener->installEventFilter(this);
        apply();
    }

    void apply()
    {
        if (opener_ && opener_->isVisible())
            app::SetStandsInFrontOf(*form_, opener_);
    }

    void end()
    {
        form_->removeEventFilter(this);
        if (opener_)
            opener_->removeEventFilter(this);
        app::SetStandsInFrontOf(*form_, nullptr);
        setObjectName(QString());
        deleteLater();
    }

    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (e->type() == QEvent::Hide && (watched == form_ || watched == opener_)) {
            end();
        } else if (watched == form_ && e->type() == QEvent::Show) {
            QTimer::singleShot(0, this, [this] {
                if (form_->isVisible())
                    apply();
            });
        }
        return false;
    }

private:
    QWidget* form_;
    QPointer<QWidget> opener_;
};

FrontKeeper* frontKeeper(QWidget* form)
{
    return form->findChild<FrontKeeper*>(QLatin1String(kFrontKeeperName), Qt::FindDirectChildrenOnly);
}

void endFrontKeeper(QWidget* form)
{
    if (FrontKeeper* old = frontKeeper(form))
        old->end();
}

// Tells the window manager at once, the window being shown.
void keepInFrontNow(QWidget* form)
{
    if (FrontKeeper* keeper = frontKeeper(form))
        keeper->apply();
}
} // namespace

QSize RoomInsideScreen(const QWidget* window)
{
    const QRect area = ScreenArea();
    const QMargins frame = expectedFrame(window);
    return {std::max(1, area.width() - frame.left() - frame.right()),
            std::max(1, area.height() - frame.top() - frame.bottom())};
}

void FitInsideScreen(QWidget* window)
{
    if (!window || !window->isWindow())
        return;
    const QRect area = ScreenArea();
    const QMargins frame = expectedFrame(window);
    const QSize room = RoomInsideScreen(window);
    const QSize needed = window->size().expandedTo(window->minimumSizeHint()).expandedTo(window->minimumSize());
    // One fitted before that the user or a stored place left hanging over
    // an edge is fitted again.
    const auto* main = qobject_cast<const QMainWindow*>(window);
    const bool scrolls = main && main->centralWidget()
                         && main->centralWidget()->objectName() == QLatin1String(kFitScrollName);
    const QPoint pos = window->pos();
    const bool tooWide = needed.width() > room.width()
                         || (scrolls && pos.x() + frame.left() + needed.width() + frame.right() > area.right() + 1);
    const bool tooTall = needed.height() > room.height()
                         || (scrolls && pos.y() + frame.top() + needed.height() + frame.bottom() > area.bottom() + 1);
    if (!tooWide && !tooTall)
        return;
    if (auto* main = qobject_cast<QMainWindow*>(window)) {
        scrollContent(main);
        if (main->layout())
            main->layout()->activate();
    }
    // Where it was too large, its frame keeps its place when that lies in
    // the first half of the area (a stored place comes back exactly) and
    // starts at the area's edge otherwise; it then ends at the far edge.
    QPoint at = window->pos();
    const auto keeps = [](int start, int first, int length) { return start >= first && start - first <= length / 2; };
    if (tooWide && !keeps(at.x(), area.left(), area.width()))
        at.setX(area.left());
    if (tooTall && !keeps(at.y(), area.top(), area.height()))
        at.setY(area.top());
    const int wideRoom = std::max(1, area.right() + 1 - at.x() - frame.left() - frame.right());
    const int tallRoom = std::max(1, area.bottom() + 1 - at.y() - frame.top() - frame.bottom());
    // What scrolls one way needs room for the bar of the other.
    const int bar = window->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, window);
    QSize size(tooWide ? wideRoom : std::min(room.width(), needed.width() + (tooTall ? bar : 0)),
               tooTall ? tallRoom : std::min(room.height(), needed.height() + (tooWide ? bar : 0)));
    window->setMinimumSize(window->minimumSize().boundedTo(size));
    window->resize(size);
    if (at != window->pos())
        PlaceWindow(window, at);
}

void PlaceWindow(QWidget* window, QPoint frameTopLeft)
{
    if (!window)
        return;
    // Put somewhere on purpose, it has its place.
    window->setProperty(kFirstPlaceWaits, QVariant());
    placeFrame(window, frameTopLeft, false);
}

void PlaceOnScreen(QWidget* window, QPoint frameTopLeft)
{
    // A window's Width and Height there are its frame's.
    if (window)
        placeFrame(window,
                   PlaceInsideScreen(QRect(frameTopLeft, window->size().grownBy(knownFrame(window))), ScreenSize()),
                   true);
}

QPoint KeepFrameInside(const QRect& frame, const QRect& area)
{
    QPoint at = frame.topLeft();
    at.setX(std::max(area.left(), std::min(at.x(), area.right() + 1 - frame.width())));
    at.setY(std::max(area.top(), std::min(at.y(), area.bottom() + 1 - frame.height())));
    return at;
}

QPoint PlaceInsideScreen(const QRect& window, const QSize& screen)
{
    int left = window.x();
    int top = window.y();
    const int w = window.width();
    const int h = window.height();
    if (left > screen.width() - 10)
        left = std::max(0, screen.width() - 1 - w);
    if (top > screen.height() - 10)
        top = std::max(0, screen.height() - 1 - h);
    if (left + w - 1 < 10)
        left = 0;
    if (top + h - 1 < 10)
        top = 0;
    return {left, top};
}

void SetScreenSizeProvider(std::function<QSize()> provider) { g_screenSize = std::move(provider); }

QSize ScreenSize()
{
    if (g_screenSize)
        return g_screenSize();
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().size() : QSize(1024, 768);
}

QRect ScreenArea()
{
    if (g_screenSize)
        return {QPoint(0, 0), g_screenSize()};
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
}

void KeepInFrontOf(QWidget* form, QWidget* opener)
{
    if (!form || !opener)
        return;
    opener = opener->window();
    // Tool windows and dialogs are the window system's own owned windows.
    if (opener == form || !opener->isVisible() || !opener->windowFlags().testFlag(Qt::WindowStaysOnTopHint)
        || form->windowType() != Qt::Window)
        return;
    endFrontKeeper(form);
    new FrontKeeper(form, opener);
}

namespace {

// A window's frame as it is or will be.
QRect frameOf(const QWidget* w) { return QRect(frameCorner(w), w->size().grownBy(expectedFrame(w))); }

// The main window's frame, bars and the frames of the other windows.
FirstPlaceRoom roomFor(const QWidget* window)
{
    FirstPlaceRoom room;
    room.area = ScreenArea();
    QWidget* main = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QLatin1String("FRM_Alv"))
            main = w;
    }
    if (main && main->isVisible()) {
        room.main = frameOf(main);
        const QMargins frame = expectedFrame(main);
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
        if ((w->isVisible() && !w->isMinimized()) || w->property(kFirstPlaceGiven).toBool())
            room.taken << frameOf(w);
    }
    return room;
}
} // namespace

QPoint FirstPlace(QSize frame, const FirstPlaceRoom& room)
{
    const QRect& area = room.area;
    constexpr int kStep = 8;     // the places tried side by side, apart
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
    // from the first place it takes, a window's title bar below the last.
    const auto cascade = [&](const Test& ok) -> std::optional<QPoint> {
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
    for (const Test& ok : tests) {
        if (auto p = scan(ok))
            return *p;
    }
    const Test corners[] = {
        [&](const QRect& r) { return clearOf(r, bars); },
        [&](const QRect& r) { return clearOf(r, top); },
        [&](const QRect& r) { return !r.intersects(room.menuBar); },
        [](const QRect&) { return true; },
    };
    for (const Test& ok : corners) {
        if (auto p = cascade(ok))
            return *p;
    }
    return KeepFrameInside(QRect(area.topLeft(), frame), area);
}

void NeedsFirstPlace(QWidget* window)
{
    if (window)
        window->setProperty(kFirstPlaceWaits, true);
}

bool WaitsForFirstPlace(const QWidget* window) { return window && window->property(kFirstPlaceWaits).toBool(); }

namespace {
void placeFirstNow(QWidget* window)
{
    window->setProperty(kFirstPlaceWaits, QVariant());
    window->setProperty(kFirstPlaceGiven, true);
    // Its size once shown: what its layout needs, at least.
    const QSize size = window->size().expandedTo(window->minimumSizeHint());
    PlaceOnScreen(window, FirstPlace(size.grownBy(expectedFrame(window)), roomFor(window)));
}
} // namespace

void PlaceFirst(QWidget* window)
{
    if (!WaitsForFirstPlace(window))
        return;
    // Shown already, it is where it is.
    if (window->isVisible())
        window->setProperty(kFirstPlaceWaits, QVariant());
    else
        placeFirstNow(window);
}

void ShowFormOnScreen(QWidget* form)
{
    if (!form)
        return;
    if (form->isMinimized())
        form->setWindowState(form->windowState() & ~Qt::WindowMinimized);
    // A box or a dialog waiting for its answer (the window a key released
    // in it, a remote statement or a timer shows meanwhile) stays in front
    // with the keyboard: the window is not made one of its windows, which
    // would stand above it and take the keys, and opens behind it.
    QWidget* waiting = QApplication::activeModalWidget();
    if (waiting == form)
        waiting = nullptr;
    KeepInFrontOf(form, waiting ? nullptr : QApplication::activeWindow());
    const bool first = WaitsForFirstPlace(form) && !form->isVisible();
    FitInsideScreen(form);
    if (first)
        placeFirstNow(form);
    else
        PlaceOnScreen(form, frameCorner(form));
    form->show();
    keepInFrontNow(form);
    // What the window fills in as it shows may make it larger.
    FitInsideScreen(form);
    if (waiting) {
        app::TakeKeyboard(*waiting);
        return;
    }
    form->raise();
    form->activateWindow();
}

bool OpenPortDriver()
{
    QStringList problems;
    PortDriverOpen = platform::portAccess().open(problems);
    if (!problems.isEmpty())
        Msg::ShowMessageText(false, problems.join(QStringLiteral("\r\n")));
    return PortDriverOpen;
}

void ClosePortDriver()
{
    platform::portAccess().close();
    PortDriverOpen = false;
}

} // namespace Systeme
