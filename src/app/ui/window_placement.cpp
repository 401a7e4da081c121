#include "app/ui/window_placement.h"

#include "app/ui/window_first_place.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLayout>
#include <QMainWindow>
#include <QMoveEvent>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QTimer>
#include <QVariant>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace Systeme {
namespace {
std::function<QSize()> g_screenSize;

const char* const kFramePlacerName = "nj_frame_placer";
// Where a hidden window was asked to be, before it was brought inside the
// screen.
const char* const kAskedPlace = "nj_asked_place";

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

// Brings the window's own Left and Top (what is stored of it, and where it
// shows again once hidden) up to date with the frame the window manager has
// drawn. Qt takes the frame's edges afresh with each move or resize the
// window system reports: one reported before the manager framed the window
// leaves the window without a frame, its Left and Top those of its client,
// until it is moved again, which a window framed where it was put never is.
// The window is told where it is again once its frame is known.
void takeDrawnFrame(QWidget* w)
{
    if (drawnFrame(w).isNull())
        return;
    // (A client whose move or resize the window system has not answered
    // yet is told where it is by that answer.)
    QWindow* handle = w->windowHandle();
    if (w->geometry() != handle->geometry() || w->pos() == handle->framePosition())
        return;
    QMoveEvent told(handle->position(), handle->position());
    QCoreApplication::sendEvent(handle, &told);
}


// Where the frame's corner goes: `wanted` as it is, or brought so that the
// whole frame lies inside the screen's free area.
QPoint frameTarget(const QWidget* window, QPoint wanted, const QMargins& frame, bool keepInside)
{
    if (!keepInside)
        return wanted;
    return KeepFrameInside(QRect(wanted, window->size().grownBy(frame)), ScreenArea());
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
// shown, the window is looked at for a while as well, that while counted
// from the frame the window manager draws (a busy one takes seconds to).
class FramePlacer final : public QObject {
public:
    FramePlacer(QWidget* window, QPoint wanted, bool keepInside)
        : QObject(window), window_(window), wanted_(wanted), keepInside_(keepInside)
    {
        setObjectName(QLatin1String(kFramePlacerName));
        window->installEventFilter(this);
        look_.setInterval(50);
        QObject::connect(&look_, &QTimer::timeout, this, [this] {
            if (tryPlace(true))
                return;
            if (drawnFrame(window_).isNull() ? ++unframedLooks_ >= kUnframedLooks : ++looks_ >= kLooks)
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
            unframedLooks_ = 0;
            look_.start();
        }
        if (e->type() == QEvent::Move || e->type() == QEvent::Show || e->type() == QEvent::Resize)
            tryPlace(false);
        return false;
    }

private:
    static constexpr int kLooks = 60;       // 3 s of looks once the window is framed
    // A minute of looks for a window no window manager frames (none runs).
    static constexpr int kUnframedLooks = 1200;
    static constexpr int kSteadyLooks = 3;  // in place that long: the manager agrees
    static constexpr int kMoves = 5;        // never more moves than that

    bool tryPlace(bool look)
    {
        if (done_)
            return true;
        const QMargins frame = drawnFrame(window_);
        if (frame.isNull())
            return false;
        takeDrawnFrame(window_);
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

public:
    // Where the frame's corner goes.
    QPoint target() const
    {
        const QMargins frame = drawnFrame(window_);
        return frameTarget(window_, wanted_, frame.isNull() ? KnownFrame(window_) : frame, keepInside_);
    }

    // Done: put somewhere else since, or in place.
    void finish()
    {
        done_ = true;
        look_.stop();
        window_->removeEventFilter(this);
        setObjectName(QString());
        deleteLater();
    }

private:
    QWidget* window_;
    QPoint wanted_;
    bool keepInside_;
    QTimer look_;
    int looks_ = 0;
    int unframedLooks_ = 0;
    int steady_ = 0;
    int moves_ = 0;
    bool done_ = false;
};

const char* const kUserMoveWatchName = "nj_user_move_watch";

// Tells a move or a resize the user made through the window manager
// (dragging a window by its title bar or an edge) from the window manager's
// answers to those the program asked for. The program's own come to the
// window at once as events of the program's making, the window manager's
// answers later from the window system, at a place or a size asked a
// moment before (several asked in a row are answered in turn). One from
// the window system at any other place or size is the user's, once the
// window manager has framed the window shown where it was put (it frames a
// window as it shows, moving its client by the frame's edges).
class UserMoveWatch final : public QObject {
public:
    explicit UserMoveWatch(QWidget* window) : QObject(window), window_(window)
    {
        setObjectName(QLatin1String(kUserMoveWatchName));
        window->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (watched != window_ || (e->type() != QEvent::Move && e->type() != QEvent::Resize))
            return false;
        const bool move = e->type() == QEvent::Move;
        const QRect now = window_->geometry();
        if (!e->spontaneous()) {
            if (move)
                remember(places_, now.topLeft());
            else
                remember(sizes_, now.size());
            return false;
        }
        const bool asked = move ? places_.contains(now.topLeft()) : sizes_.contains(now.size());
        if (!asked && !BeingPlaced(window_) && window_->isVisible())
            NoteUserPlace(window_);
        return false;
    }

private:
    static constexpr qsizetype kAsked = 8; // the last places and sizes asked

    template <class T>
    static void remember(QList<T>& list, const T& value)
    {
        list.append(value);
        if (list.size() > kAsked)
            list.removeFirst();
    }

    QWidget* window_;
    QList<QPoint> places_;
    QList<QSize> sizes_;
};

void placeFrame(QWidget* window, QPoint frameTopLeft, bool keepInside)
{
    if (!window->findChild<UserMoveWatch*>(QLatin1String(kUserMoveWatchName), Qt::FindDirectChildrenOnly))
        new UserMoveWatch(window);
    // (One placing it where it was asked to be before looks no more.)
    const auto placers = window->findChildren<FramePlacer*>(QLatin1String(kFramePlacerName), Qt::FindDirectChildrenOnly);
    for (FramePlacer* old : placers)
        old->finish();
    const QMargins frame = drawnFrame(window);
    if (!frame.isNull()) {
        putClient(window, frameTarget(window, frameTopLeft, frame, keepInside), frame);
        return;
    }
    // Not framed yet: its Left and Top are the frame's corner (what is
    // stored of a window never shown reads them back as they were put),
    // with the frame of the other windows; once the window manager has
    // framed it, the watch puts it where that corner asks.
    window->move(frameTarget(window, frameTopLeft, KnownFrame(window), keepInside));
    new FramePlacer(window, frameTopLeft, keepInside);
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

// True when a window's content scrolls in it, since it was fitted.
bool scrollsItsContent(const QWidget* window)
{
    const auto* main = qobject_cast<const QMainWindow*>(window);
    return main && main->centralWidget() && main->centralWidget()->objectName() == QLatin1String(kFitScrollName);
}

// The size a window's layout needs to show the whole of its content
// without scrolling: its bars and edges with what its content needs, for a
// window whose content scrolls. (A hidden window resized has not laid out
// its controls at that size yet: it does so first.)
QSize unscrolledSize(QWidget* window)
{
    if (!scrollsItsContent(window))
        return window->minimumSizeHint();
    if (QLayout* layout = window->layout()) {
        layout->activate();
        layout->setGeometry(window->contentsRect());
    }
    const auto* scroll = static_cast<const QScrollArea*>(static_cast<QMainWindow*>(window)->centralWidget());
    const QWidget* content = scroll->widget();
    if (!content)
        return window->minimumSizeHint();
    return window->size() - scroll->size() + content->minimumSizeHint().expandedTo(content->minimumSize());
}

int scrollBarExtent(const QWidget* window)
{
    return window->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, window);
}

const char* const kScreenKeeperName = "nj_screen_keeper";

// Keeps a window shown through ShowFormOnScreen whole on the screen once
// the window manager has framed it, and when it grows while shown (a panel
// shown in it, a longer text): the frame is brought back inside the screen's
// free area, and a window grown larger than that area is fitted inside it.
class ScreenKeeper final : public QObject {
public:
    explicit ScreenKeeper(QWidget* window) : QObject(window), window_(window)
    {
        setObjectName(QLatin1String(kScreenKeeperName));
        window->installEventFilter(this);
        // The window manager answers a move or a resize a moment later:
        // looked at until the frame has stayed whole for a while.
        look_.setInterval(50);
        QObject::connect(&look_, &QTimer::timeout, this, [this] { lookAt(); });
    }

    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (watched == window_ && (e->type() == QEvent::Resize || e->type() == QEvent::Show) && window_->isVisible()) {
            looks_ = 0;
            unframedLooks_ = 0;
            steady_ = 0;
            look_.start();
        }
        return false;
    }

private:
    static constexpr int kLooks = 40;      // 2 s of looks once framed, after it shows or grows
    static constexpr int kUnframedLooks = 1200; // a minute while no window manager frames it
    static constexpr int kSteadyLooks = 4; // whole that long: done

    void lookAt()
    {
        if (!window_->isVisible()
            || (window_->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized))) {
            look_.stop();
            return;
        }
        // While the frame placer puts it where it was asked to be (until
        // a few seconds after the window manager framed it), it is left
        // to it.
        if (window_->findChild<QObject*>(QLatin1String(kFramePlacerName), Qt::FindDirectChildrenOnly))
            return;
        // (Counted from the frame the window manager draws: a busy one
        // takes seconds to.)
        const QMargins frame = drawnFrame(window_);
        if (frame.isNull() ? ++unframedLooks_ > kUnframedLooks : ++looks_ > kLooks) {
            look_.stop();
            return;
        }
        if (frame.isNull())
            return;
        takeDrawnFrame(window_);
        const QRect area = ScreenArea();
        const QRect at(window_->windowHandle()->framePosition(), window_->size().grownBy(frame));
        if (area.contains(at)) {
            if (++steady_ >= kSteadyLooks)
                look_.stop();
            return;
        }
        steady_ = 0;
        // Moved back whole where it fits; fitted inside where not.
        if (at.width() > area.width() || at.height() > area.height())
            FitInsideScreen(window_);
        PlaceOnScreen(window_, FrameCorner(window_));
    }

    QWidget* window_;
    QTimer look_;
    int looks_ = 0;
    int unframedLooks_ = 0;
    int steady_ = 0;
};


} // namespace

// The frame a window will have: its own once drawn, else that of another
// framed window, else none.
QMargins KnownFrame(const QWidget* window)
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

// The frame the window manager draws around `window`: its own once drawn,
// else that of another framed window, else a generous guess.
QMargins ExpectedFrame(const QWidget* window)
{
    const QMargins known = KnownFrame(window);
    return known.isNull() ? QMargins(4, 30, 4, 4) : known;
}

// Where a window's frame has its corner: as the window system reports it
// once the frame is drawn, else where the window was put.
QPoint FrameCorner(const QWidget* w)
{
    // Shown and being put somewhere, it is where it goes: the window system
    // may still tell where the window manager mapped it a moment before.
    if (const auto* placer = w->findChild<FramePlacer*>(QLatin1String(kFramePlacerName), Qt::FindDirectChildrenOnly);
        placer && w->isVisible())
        return placer->target();
    if (!drawnFrame(w).isNull())
        return w->windowHandle()->framePosition();
    return w->pos();
}

QRect FrameOf(const QWidget* window) { return QRect(FrameCorner(window), window->size().grownBy(ExpectedFrame(window))); }

void KeepOnScreen(QWidget* window)
{
    if (!window->findChild<ScreenKeeper*>(QLatin1String(kScreenKeeperName), Qt::FindDirectChildrenOnly))
        new ScreenKeeper(window);
}

std::optional<QPoint> AskedPlace(const QWidget* window)
{
    const QVariant asked = window ? window->property(kAskedPlace) : QVariant();
    return asked.isValid() ? std::optional<QPoint>(asked.toPoint()) : std::nullopt;
}

void ForgetAskedPlace(QWidget* window)
{
    if (window)
        window->setProperty(kAskedPlace, QVariant());
}

bool BeingPlaced(const QWidget* window)
{
    return window && window->findChild<QObject*>(QLatin1String(kFramePlacerName), Qt::FindDirectChildrenOnly);
}

QSize RoomInsideScreen(const QWidget* window)
{
    const QRect area = ScreenArea();
    const QMargins frame = ExpectedFrame(window);
    return {std::max(1, area.width() - frame.left() - frame.right()),
            std::max(1, area.height() - frame.top() - frame.bottom())};
}

void FitInsideScreen(QWidget* window)
{
    if (!window || !window->isWindow())
        return;
    const QRect area = ScreenArea();
    const QMargins frame = ExpectedFrame(window);
    const QSize room = RoomInsideScreen(window);
    const QSize needed = window->size().expandedTo(window->minimumSizeHint()).expandedTo(window->minimumSize());
    // One fitted before that the user or a stored place left hanging over
    // an edge is fitted again.
    const bool scrolls = scrollsItsContent(window);
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
    // Content that scrolls one way needs room beside it for the bar of the
    // other: the window is as wide (or tall) as its content with that room,
    // at least, however often it is fitted, where its place leaves that room
    // (one the user made shorter than its content keeps its height where
    // it stands, rather than growing past the screen's edge and being
    // pushed up over the main window's bars).
    const QSize unscrolled = unscrolledSize(window);
    const int bar = scrollBarExtent(window);
    QSize size(tooWide ? wideRoom
                       : std::max(needed.width(), std::min(wideRoom, unscrolled.width() + (tooTall ? bar : 0))),
               tooTall ? tallRoom
                       : std::max(needed.height(), std::min(tallRoom, unscrolled.height() + (tooWide ? bar : 0))));
    window->setMinimumSize(window->minimumSize().boundedTo(size));
    window->resize(size);
    // (Fitted, it keeps whatever place it was given.)
    if (at != window->pos()) {
        ForgetFirstPlace(window);
        ForgetAskedPlace(window);
        placeFrame(window, at, false);
    }
}

void MakeTall(QWidget* window, int height)
{
    auto* main = qobject_cast<QMainWindow*>(window);
    if (unscrolledSize(window).height() > height) {
        scrollContent(main);
        window->resize(std::max(window->width(), unscrolledSize(window).width() + scrollBarExtent(window)),
                       window->height());
    }
    window->setMinimumHeight(std::min(window->minimumHeight(), height));
    window->resize(window->width(), height);
}

QSize SizeMadeTall(QWidget* window, int height)
{
    int width = window->width();
    if (const QSize unscrolled = unscrolledSize(window); unscrolled.height() > height)
        width = std::max(width, unscrolled.width() + scrollBarExtent(window));
    return {width, height};
}

void PlaceWindow(QWidget* window, QPoint frameTopLeft)
{
    if (!window)
        return;
    // Put somewhere on purpose, it has its place.
    ForgetFirstPlace(window);
    KeepPlaceGiven(window);
    ForgetAskedPlace(window);
    placeFrame(window, frameTopLeft, false);
}

void PlaceOnScreen(QWidget* window, QPoint frameTopLeft)
{
    if (!window)
        return;
    // A hidden window shows where it was asked to be, the room on the
    // screen then known.
    window->setProperty(kAskedPlace, window->isVisible() ? QVariant() : QVariant(frameTopLeft));
    // A window's Width and Height there are its frame's.
    placeFrame(window, PlaceInsideScreen(QRect(frameTopLeft, window->size().grownBy(KnownFrame(window))), ScreenSize()),
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

QPoint MainWindowDefaultCorner()
{
    const QSize screen = ScreenSize();
    return {std::max(0, (screen.width() - 800) / 2), std::max(0, (screen.height() - 600) / 2)};
}

} // namespace Systeme
