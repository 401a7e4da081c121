#include "app/systeme.h"

#include "app/frm_message.h"
#include "app/ui/widget_message_service.h"
#include "app/ui/window_stacking.h"
#include "platform/port_access.h"

#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QEvent>
#include <QLayout>
#include <QMainWindow>
#include <QMenuBar>
#include <QMoveEvent>
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
#include <deque>
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
// A window ShowFormOnScreen has shown once.
const char* const kShownOnce = "nj_shown_once";
// A window given the size the settings stored for it.
const char* const kSizeStored = "nj_size_stored";
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
            steady_ = 0;
            look_.start();
        }
        return false;
    }

private:
    static constexpr int kLooks = 40;      // 2 s of looks after it shows or grows
    static constexpr int kSteadyLooks = 4; // whole that long: done

    void lookAt()
    {
        if (!window_->isVisible()
            || (window_->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized))) {
            look_.stop();
            return;
        }
        // While the frame placer puts it where it was asked to be (a few
        // seconds at most), it is left to it.
        if (window_->findChild<QObject*>(QLatin1String(kFramePlacerName), Qt::FindDirectChildrenOnly))
            return;
        if (++looks_ > kLooks) {
            look_.stop();
            return;
        }
        const QMargins frame = drawnFrame(window_);
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
        PlaceOnScreen(window_, frameCorner(window_));
    }

    QWidget* window_;
    QTimer look_;
    int looks_ = 0;
    int steady_ = 0;
};

void keepOnScreen(QWidget* window)
{
    if (!window->findChild<ScreenKeeper*>(QLatin1String(kScreenKeeperName), Qt::FindDirectChildrenOnly))
        new ScreenKeeper(window);
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
    if (at != window->pos())
        PlaceWindow(window, at);
}

void PlaceWindow(QWidget* window, QPoint frameTopLeft)
{
    if (!window)
        return;
    // Put somewhere on purpose, it has its place.
    window->setProperty(kFirstPlaceWaits, QVariant());
    window->setProperty(kAskedPlace, QVariant());
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
    placeFrame(window, PlaceInsideScreen(QRect(frameTopLeft, window->size().grownBy(knownFrame(window))), ScreenSize()),
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

namespace {

// A window's frame as it is or will be.
QRect frameOf(const QWidget* w) { return QRect(frameCorner(w), w->size().grownBy(expectedFrame(w))); }

// ---- Windows standing in front of the windows kept on top

const char* const kFrontKeeperName = "nj_front_keeper";

class FrontKeeper;

FrontKeeper* frontKeeper(const QWidget* form)
{
    return form ? form->findChild<FrontKeeper*>(QLatin1String(kFrontKeeperName), Qt::FindDirectChildrenOnly)
                : nullptr;
}

// Every window's keeper, to choose their owners again when one changes.
QList<QPointer<FrontKeeper>>& frontKeepers()
{
    static QList<QPointer<FrontKeeper>> list;
    return list;
}

bool keptInFront(const QWidget* w);

// A window standing above the plain windows: shown, not waiting for its
// answer, kept on top or standing in front of a window kept on top.
bool shownOnTop(const QWidget* w)
{
    return w && w->isVisible() && !w->isMinimized() && w->windowType() != Qt::Popup
           && w->windowType() != Qt::ToolTip && w->windowModality() == Qt::NonModal
           && (w->windowFlags().testFlag(Qt::WindowStaysOnTopHint) || keptInFront(w));
}

// A plain window that may stand in front of the windows kept on top: not
// the main window (the others stand above it), not one that waits for its
// answer (it stands in front of every window by itself). A dialog that
// waits for no answer (the About box) is such a window too: the window
// manager keeps it with the plain windows, under those kept on top.
bool mayStandInFront(const QWidget* w)
{
    return w && w->isWindow() && !IsMainWindow(w) && !w->windowFlags().testFlag(Qt::WindowStaysOnTopHint)
           && w->windowModality() == Qt::NonModal
           && (w->windowType() == Qt::Window || w->windowType() == Qt::Tool || w->windowType() == Qt::Dialog);
}

// Keeps a plain window in front of the windows kept on top it stands in
// front of, while it is shown: the one it was opened from, and every one
// that would cover it where it shows, where it is put afterwards and where
// the user clicks it. The window manager is told one of them as its owner,
// the first of them still shown on top: the window then lives in their
// layer, above that one whatever is clicked in it, and is brought above
// the others as it shows or is clicked and as one of them comes forward.
// When that one hides the next one is told; one it is moved away from is
// left (not the one it was opened from); when none is left, or the window
// hides, it is a plain window again (with the owner it has of its own, if
// any). Qt clears what the window manager was told each time the window
// shows, so it is told again once the window is shown.
class FrontKeeper final : public QObject {
public:
    explicit FrontKeeper(QWidget* form) : QObject(form), form_(form)
    {
        setObjectName(QLatin1String(kFrontKeeperName));
        form->installEventFilter(this);
        frontKeepers().append(this);
        // Where it comes to be put, or is clicked, it looks again at what
        // would cover it, once the events of the moment are handled.
        again_.setSingleShot(true);
        again_.setInterval(0);
        QObject::connect(&again_, &QTimer::timeout, this, [this] { lookAgain(); });
        comeBack_.setInterval(50);
        QObject::connect(&comeBack_, &QTimer::timeout, this, [this] { lookComeBack(); });
    }
    ~FrontKeeper() override { frontKeepers().removeAll(QPointer<FrontKeeper>(this)); }

    QWidget* owner() const { return owner_; }

    // Stands in front of `over` too; `first`: the window it was opened
    // from, which it is told first.
    void add(QWidget* over, bool first)
    {
        if (!over || over == form_)
            return;
        const QPointer<QWidget> member(over);
        if (first)
            opener_ = over;
        if (members_.contains(member)) {
            // The window it was opened from is told first; the others keep
            // their turn.
            if (first) {
                members_.removeAll(member);
                members_.prepend(member);
            }
            return;
        }
        if (first)
            members_.prepend(member);
        else
            members_.append(member);
        over->installEventFilter(this);
    }

    // Adds the windows on top that would cover it where it is; with
    // `mended`, drops those that would cover it no more (but the window it
    // was opened from).
    void addThoseOver(bool mended = false);

    // Tells the window manager the owner it has now; `again` tells it even
    // when it did not change (the window has just shown). True when it
    // changed.
    bool apply(bool again = false)
    {
        QWidget* owner = nullptr;
        for (const QPointer<QWidget>& m : std::as_const(members_)) {
            if (m && shownOnTop(m) && (owner = keptOnTopUnder(m)))
                break;
        }
        const bool changed = owner != owner_;
        if (changed && !owner_ && form_->windowHandle())
            own_ = form_->windowHandle()->transientParent();
        if (changed || (again && owner))
            app::SetStandsInFrontOf(*form_, owner ? owner : ownOwner());
        owner_ = owner;
        return changed;
    }

    bool eventFilter(QObject* watched, QEvent* e) override;

    // The window kept on top under `w`: itself, or the one it stands in
    // front of. A window standing in front of another that stands in front
    // of one kept on top is told that one: both live in its layer, the
    // later shown or clicked above, and no chain of owners is made.
    static QWidget* keptOnTopUnder(QWidget* w)
    {
        if (w->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
            return w;
        const FrontKeeper* k = frontKeeper(w);
        return k ? k->owner() : nullptr;
    }

private:
    // The window it belongs to of its own (the player the main window's),
    // told again once it stands in front of none.
    QWidget* ownOwner() const
    {
        if (!own_)
            return nullptr;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w != form_ && w->windowHandle() == own_)
                return w;
        }
        return nullptr;
    }

    void drop(QObject* member)
    {
        member->removeEventFilter(this);
        members_.removeAll(QPointer<QWidget>(static_cast<QWidget*>(member)));
    }

    // Looks again at the windows on top that would cover it.
    void lookAgain();

    // One of the windows kept on top it stands in front of came forward
    // (clicked, raised or given the keyboard, as a running script does with
    // its own window and the windows it shows at each statement): it comes
    // in front of it again, as it stays in front of the one it is told, and
    // so do the other windows standing in front of that one, in the order
    // they came forward, so that the one shown or clicked last stays in
    // front of those shown or clicked before it.
    void inFrontAgainOf(const QWidget* over);

    // True when it comes in front again of `over`, come forward.
    bool comesInFrontOf(const QWidget* over) const;

    // A window manager minimises a window and the windows that stand in
    // front of it together, whichever of them the user minimised (it tells
    // the program the same either way): minimised a moment after or before
    // one of `over` (those it stood in front of) was, one of the two went
    // by the user's hand or the program's, the other along with it, and
    // comes back where it was. The program knows the one it minimises
    // itself; the user clicks the minimise button on the title bar of the
    // one meant, where the pointer still lies as the manager minimises
    // them. This one meant, it stays minimised, a plain window again, and
    // the windows it stood in front of are shown again; else it is shown
    // again, a plain window, unless the window it belongs to of its own
    // is minimised too.
    void comeBackIfMinimisedWith(const QList<QPointer<QWidget>>& over)
    {
        if (!comeBack_.isActive())
            meant_ = minimisedByProgram_ ? minimisedByProgram_ == form_ : onTitleBar(form_, QCursor::pos());
        for (const QPointer<QWidget>& m : over) {
            if (m && !minimisedWith_.contains(m))
                minimisedWith_.append(m);
        }
        comeBackLooks_ = 0;
        comeBack_.start();
    }

    void lookComeBack()
    {
        constexpr int kLooks = 10; // 0.5 s: the manager minimises them at once
        const bool withOne = std::any_of(minimisedWith_.begin(), minimisedWith_.end(),
                                         [](const QPointer<QWidget>& m) { return m && m->isMinimized(); });
        const QWidget* own = ownOwner();
        const bool ownMinimised = own && own->isMinimized();
        const bool back = form_->isMinimized() && withOne && !ownMinimised;
        if (back && meant_) {
            for (const QPointer<QWidget>& m : std::as_const(minimisedWith_)) {
                if (m && m->isMinimized())
                    m->setWindowState(m->windowState() & ~Qt::WindowMinimized);
            }
        } else if (back) {
            form_->setWindowState(form_->windowState() & ~Qt::WindowMinimized);
            again_.start();
        }
        if (back || ownMinimised || ++comeBackLooks_ >= kLooks) {
            comeBack_.stop();
            minimisedWith_.clear();
            minimisedByProgram_ = nullptr;
        }
    }

    // True when `at` lies on the title bar of `w`'s frame.
    static bool onTitleBar(const QWidget* w, QPoint at)
    {
        const QRect frame = frameOf(w);
        return QRect(frame.topLeft(), QSize(frame.width(), expectedFrame(w).top())).contains(at);
    }

    // Numbers each window's coming forward (shown or given the keyboard).
    static quint64 forwardCount()
    {
        static quint64 count = 0;
        return ++count;
    }

    QWidget* form_;
    QList<QPointer<QWidget>> members_;
    QPointer<QWidget> owner_;
    // When it last came forward.
    quint64 forward_ = 0;
    QPointer<QWidget> opener_;
    QPointer<QWindow> own_;
    QTimer again_;
    QTimer comeBack_;
    int comeBackLooks_ = 0;
    QList<QPointer<QWidget>> minimisedWith_;
    // The window among it and those it stands in front of that the program
    // minimised last, while it stays minimised.
    QPointer<QWidget> minimisedByProgram_;
    // It is the one minimised by hand or by the program.
    bool meant_ = false;
};

// Chooses every window's owner again, one having changed (a window it
// stood in front of may stand on top no more).
void chooseOwnersAgain()
{
    static bool choosing = false;
    if (choosing)
        return;
    choosing = true;
    for (int round = 0; round < 8; ++round) {
        bool changed = false;
        for (const QPointer<FrontKeeper>& k : QList<QPointer<FrontKeeper>>(frontKeepers())) {
            if (k && k->apply())
                changed = true;
        }
        if (!changed)
            break;
    }
    choosing = false;
}

bool keptInFront(const QWidget* w)
{
    const FrontKeeper* k = frontKeeper(w);
    return k && k->owner();
}

// The windows on top that would cover `form` where it is, the one that
// covers most first.
QList<QWidget*> onTopOver(const QWidget* form)
{
    const QRect at(frameCorner(form), form->size().grownBy(expectedFrame(form)));
    QList<std::pair<qint64, QWidget*>> over;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w == form || !shownOnTop(w))
            continue;
        const QRect common = at.intersected(frameOf(w));
        if (!common.isEmpty())
            over.append({qint64(common.width()) * common.height(), w});
    }
    std::stable_sort(over.begin(), over.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    QList<QWidget*> list;
    for (const auto& o : over)
        list << o.second;
    return list;
}

void FrontKeeper::addThoseOver(bool mended)
{
    const QList<QWidget*> over = onTopOver(form_);
    if (mended) {
        for (const QPointer<QWidget>& m : QList<QPointer<QWidget>>(members_)) {
            if (m && m != opener_ && !over.contains(m.data()))
                drop(m);
        }
    }
    for (QWidget* w : over)
        add(w, false);
}

void FrontKeeper::lookAgain()
{
    if (!form_->isVisible() || form_->isMinimized() || ShowingThroughPath(form_))
        return;
    const bool hadOwner = owner_;
    addThoseOver(true);
    if (apply())
        chooseOwnersAgain();
    // Told now, the window manager puts it just above that one: the
    // window the user is in comes above the others too (a box waiting for
    // its answer stays in front).
    if (!hadOwner && owner_ && form_->isActiveWindow() && !QApplication::activeModalWidget())
        form_->raise();
}

bool FrontKeeper::eventFilter(QObject* watched, QEvent* e)
{
    // Minimised by the program, a window is told it as the program asks,
    // before the window manager minimises it; by the manager, afterwards.
    if (e->type() == QEvent::WindowStateChange && watched->isWidgetType()) {
        auto* w = static_cast<QWidget*>(watched);
        if (!e->spontaneous() && w->isMinimized())
            minimisedByProgram_ = w;
        else if (minimisedByProgram_ == w && !w->isMinimized())
            minimisedByProgram_ = nullptr;
    }
    if (watched == form_) {
        switch (e->type()) {
        case QEvent::Hide:
            // Minimised by the window manager with the window it stood in
            // front of, it comes back as the plain window it is again, or
            // that one does.
            if (form_->isMinimized())
                comeBackIfMinimisedWith(QList<QPointer<QWidget>>(members_));
            // Hidden (closed or minimised): a plain window again.
            for (const QPointer<QWidget>& m : QList<QPointer<QWidget>>(members_)) {
                if (m)
                    drop(m);
            }
            members_.clear();
            opener_ = nullptr;
            if (apply())
                chooseOwnersAgain();
            break;
        case QEvent::Show:
            forward_ = forwardCount();
            QTimer::singleShot(0, this, [this] {
                if (form_->isVisible())
                    apply(true);
            });
            break;
        case QEvent::WindowActivate:
            forward_ = forwardCount();
            [[fallthrough]];
        case QEvent::Move:
        case QEvent::Resize:
            if (form_->isVisible())
                again_.start();
            break;
        default:
            break;
        }
    } else if (e->type() == QEvent::Hide && members_.contains(QPointer<QWidget>(static_cast<QWidget*>(watched)))) {
        // One it stood in front of hidden: the next one, or none.
        if (static_cast<QWidget*>(watched)->isMinimized())
            comeBackIfMinimisedWith({QPointer<QWidget>(static_cast<QWidget*>(watched))});
        drop(watched);
        if (apply())
            chooseOwnersAgain();
    } else if ((e->type() == QEvent::WindowActivate || e->type() == QEvent::ZOrderChange)
               && members_.contains(QPointer<QWidget>(static_cast<QWidget*>(watched)))) {
        inFrontAgainOf(static_cast<QWidget*>(watched));
    }
    return false;
}

bool FrontKeeper::comesInFrontOf(const QWidget* over) const
{
    // Only of a window kept on top: two plain windows standing in front of
    // each other would raise each other without end, and the user brings
    // either forward with a click.
    return form_->isVisible() && !form_->isMinimized() && !ShowingThroughPath(form_)
           && !QApplication::activeModalWidget() && over->windowFlags().testFlag(Qt::WindowStaysOnTopHint)
           && members_.contains(QPointer<QWidget>(const_cast<QWidget*>(over)))
           && frameOf(form_).intersects(frameOf(over));
}

void FrontKeeper::inFrontAgainOf(const QWidget* over)
{
    if (!comesInFrontOf(over))
        return;
    // (Each of them hears of `over` and raises them all the same way.)
    QList<FrontKeeper*> again;
    for (const QPointer<FrontKeeper>& k : std::as_const(frontKeepers())) {
        if (k && k->comesInFrontOf(over))
            again << k.data();
    }
    std::stable_sort(again.begin(), again.end(),
                     [](const FrontKeeper* a, const FrontKeeper* b) { return a->forward_ < b->forward_; });
    for (FrontKeeper* k : std::as_const(again)) {
        if (k->apply())
            chooseOwnersAgain();
    }
    for (FrontKeeper* k : std::as_const(again)) {
        if (k->owner_)
            k->form_->raise();
    }
}

FrontKeeper* keeperFor(QWidget* form)
{
    if (FrontKeeper* k = frontKeeper(form))
        return k;
    return new FrontKeeper(form);
}

// Makes `form` stand in front of every window on top that would cover it
// where it is.
void standInFrontOfThoseOver(QWidget* form)
{
    if (!mayStandInFront(form))
        return;
    FrontKeeper* keeper = keeperFor(form);
    keeper->addThoseOver();
    if (keeper->apply())
        chooseOwnersAgain();
}

// Tells the window manager at once, the window being shown.
void keepInFrontNow(QWidget* form)
{
    if (FrontKeeper* keeper = frontKeeper(form))
        keeper->apply(true);
}
} // namespace

namespace {
// The windows shown while windows are shown together, in the order they
// showed, and how many batches are open.
QList<QPointer<QWidget>>& shownTogether()
{
    static QList<QPointer<QWidget>> list;
    return list;
}
int& togetherDepth()
{
    static int depth = 0;
    return depth;
}

// Brings the plain windows shown together that stand in front of windows
// kept on top above those, in the order they showed, once the window
// manager has framed every window shown: it stacks each window as it maps
// it, the last one shown above the others.
void raiseWhenFramed(const QList<QPointer<QWidget>>& shown, int looks)
{
    constexpr int kLooks = 60; // 3 s at most
    const bool framed = std::all_of(shown.begin(), shown.end(), [](const QPointer<QWidget>& w) {
        return !w || !w->isVisible() || w->isMinimized() || !drawnFrame(w).isNull();
    });
    if (!framed && looks < kLooks) {
        QTimer::singleShot(50, qApp, [shown, looks] { raiseWhenFramed(shown, looks + 1); });
        return;
    }
    // A box or a dialog waiting for its answer stays in front.
    if (QApplication::activeModalWidget())
        return;
    for (const QPointer<QWidget>& w : shown) {
        if (w && w->isVisible() && !w->isMinimized() && keptInFront(w)) {
            keepInFrontNow(w);
            w->raise();
        }
    }
}
} // namespace

ShownTogether::ShownTogether() { ++togetherDepth(); }

ShownTogether::~ShownTogether()
{
    if (--togetherDepth() > 0)
        return;
    QList<QPointer<QWidget>> shown;
    shown.swap(shownTogether());
    // Those shown after a plain window cover it too.
    for (const QPointer<QWidget>& w : std::as_const(shown)) {
        if (w && w->isVisible() && !w->isMinimized())
            standInFrontOfThoseOver(w);
    }
    raiseWhenFramed(shown, 0);
}

void KeepInFrontOf(QWidget* form, QWidget* opener)
{
    if (!form || !opener)
        return;
    opener = opener->window();
    if (opener == form || !mayStandInFront(form) || !shownOnTop(opener))
        return;
    FrontKeeper* keeper = keeperFor(form);
    keeper->add(opener, true);
    if (keeper->apply())
        chooseOwnersAgain();
}

namespace {

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
        // Shown, or placed and not shown yet (a window the user closed
        // leaves its corner free).
        if ((w->isVisible() && !w->isMinimized())
            || (w->property(kFirstPlaceGiven).toBool() && !w->property(kShownOnce).toBool()))
            room.taken << frameOf(w);
        // A window kept on top, or standing in front of one, would cover a
        // plain window opened under it (not one that stands in front of it).
        if (w->isVisible() && !w->isMinimized() && !window->windowFlags().testFlag(Qt::WindowStaysOnTopHint)
            && !keptInFront(window)
            && (w->windowFlags().testFlag(Qt::WindowStaysOnTopHint) || keptInFront(w)))
            room.onTop << frameOf(w);
    }
    return room;
}
} // namespace

namespace {
constexpr int kPlaceStep = 8; // the first places tried side by side, apart
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
    for (const auto& [test, anyCorner] : order) {
        const Test& ok = corners[test];
        if (!room.onTop.isEmpty()) {
            if (auto p = cascade(clearOfOnTop(ok), anyCorner))
                return *p;
        }
        if (auto p = cascade(ok, anyCorner))
            return *p;
    }
    return KeepFrameInside(QRect(room.left ? QPoint(*room.left, area.top()) : area.topLeft(), frame), area);
}

void NeedsFirstPlace(QWidget* window)
{
    if (window)
        window->setProperty(kFirstPlaceWaits, true);
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
// Makes a window `height` tall (its client), its controls scrolling when
// they need more, with room beside them for the scroll bar.
void makeTall(QWidget* window, int height)
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
    makeTall(window, below);
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

void placeFirstNow(QWidget* window, std::optional<int> left = std::nullopt)
{
    window->setProperty(kFirstPlaceWaits, QVariant());
    window->setProperty(kFirstPlaceGiven, true);
    FirstPlaceRoom room = roomFor(window);
    room.left = left;
    PlaceOnScreen(window, sizeAtFirstPlace(window, room, expectedFrame(window)));
}

// Puts a hidden window back where it was asked to be (its stored place, or
// where it was), whole on the screen. Shown for the first time since the
// program started (left open at the last exit, or opened again), it has the
// size it opens with at its first place, wherever its place is: the size it
// had when it was closed; one the settings gave its stored size keeps that
// size. A window too tall for the room below that place
// would be pushed up over the main window's menu bar and page tabs: as at
// its first place, it is made as tall as the room below its place, or else
// below the bars, where that room holds most of it, and stays there. One
// asked to be at a place off the screen, or with its top edge on the bars of
// a main window moved down since it was stored, goes below the bars where
// it fits.
void placeAgain(QWidget* window)
{
    const FirstPlaceRoom room = roomFor(window);
    const QMargins frame = expectedFrame(window);
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
        const QVariant askedAt = window->property(kAskedPlace);
        const auto placeAsked = [&] {
            return askedAt.isValid()
                       ? PlaceInsideScreen(QRect(askedAt.toPoint(), window->size().grownBy(frame)), ScreenSize())
                       : frameCorner(window);
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
    QPoint at = frameCorner(window);
    const QPoint inside = KeepFrameInside(QRect(at, window->size().grownBy(frame)), room.area);
    // A place asked for that leaves part of the frame off the screen (stored
    // negative, or on a larger screen) was nobody's choice where the frame
    // lands once brought onto it; nor was a stored place whose top edge lies
    // on the bars, below the main window's top: it was below the bars where
    // the main window stood when it was stored, and the main window has
    // moved down since. It goes below the bars, at its size, where it fits
    // there, or made as tall as the room there where that room holds most
    // of it. (One put over the bars from above, its title bar clear of
    // them, stays: the user put it there.)
    const QVariant asked = window->property(kAskedPlace);
    const int below = belowTopBars(room);
    const auto fitsBelow = [&] { return below + window->size().grownBy(frame).height() <= room.area.bottom() + 1; };
    const bool onTheBars = asked.isValid() && !room.main.isEmpty() && asked.toPoint().y() > room.main.top()
                           && asked.toPoint().y() < below;
    if (asked.isValid()
        && (!room.area.contains(QRect(asked.toPoint(), window->size().grownBy(frame))) || onTheBars)
        && coversTopBars(window, inside, frame, room)
        && (fitsBelow() || (onTheBars && makeTallBelow(window, below, frame, room.area)))) {
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
// or placeAgain), the size it opens with, whether shown again in the same
// run or after a restart, rather than kept lower and made shorter still.
void bringUpBelowBars(QWidget* window)
{
    const FirstPlaceRoom room = roomFor(window);
    const QList<QRect> bars = topBarsOf(room);
    if (std::all_of(bars.begin(), bars.end(), [](const QRect& b) { return b.isEmpty(); }))
        return;
    // (The frame it is kept whole on the screen with.)
    const QMargins frame = knownFrame(window);
    QPoint at = frameCorner(window);
    const int below = belowTopBars(room);
    if (at.y() <= below || coversTopBars(window, at, frame, room))
        return;
    const int frameHeight = window->size().expandedTo(window->minimumSizeHint()).grownBy(frame).height();
    at.setY(std::max(below, std::min(at.y(), room.area.bottom() + 1 - frameHeight)));
    if (at != frameCorner(window))
        window->move(at);
}
} // namespace

void PlaceFirstAt(QWidget* window, int left)
{
    if (window && !window->isVisible())
        placeFirstNow(window, left);
}

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

namespace {
// The windows ShowFormOnScreen is showing now (one may open another as it
// shows).
QList<const QWidget*>& showing()
{
    static QList<const QWidget*> list;
    return list;
}

// The window `window` stands in front of: the one its window system parent
// names, else its parent's window.
QWidget* ownerOf(const QWidget* window)
{
    if (const QWindow* handle = window->windowHandle(); handle && handle->transientParent()) {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w != window && w->windowHandle() == handle->transientParent())
                return w;
        }
    }
    QWidget* parent = window->parentWidget();
    return parent ? parent->window() : nullptr;
}

// Where a window that waits for its answer opens: its frame centred on the
// window it belongs to, else on the screen's free area.
QPoint centredOnOwner(QWidget* window)
{
    window->ensurePolished();
    if (window->layout())
        window->layout()->activate();
    const QSize frame = window->size().expandedTo(window->minimumSizeHint()).grownBy(expectedFrame(window));
    const QWidget* owner = ownerOf(window);
    const QRect over = owner && owner->isVisible() && !owner->isMinimized() ? frameOf(owner) : ScreenArea();
    return over.center() - QPoint(frame.width() / 2, frame.height() / 2);
}

} // namespace

bool IsMainWindow(const QWidget* window) { return window && window->objectName() == QLatin1String("FRM_Alv"); }

bool ShowingThroughPath(const QWidget* window) { return showing().contains(window); }

namespace {
quint64 g_showCount = 0;
// The last show of each window, with its number, in the order of the shows.
std::deque<std::pair<quint64, QPointer<QWidget>>>& lastShows()
{
    static std::deque<std::pair<quint64, QPointer<QWidget>>> shows;
    return shows;
}
void noteShow(QWidget* form)
{
    std::deque<std::pair<quint64, QPointer<QWidget>>>& shows = lastShows();
    std::erase_if(shows, [form](const auto& s) { return !s.second || s.second == form; });
    shows.emplace_back(++g_showCount, form);
}
} // namespace

quint64 ShowCount() { return g_showCount; }

QList<QWidget*> ShownSince(quint64 count)
{
    QList<QWidget*> shown;
    for (const auto& [n, w] : lastShows()) {
        if (n > count && w && w->isVisible())
            shown.append(w.data());
    }
    return shown;
}

bool ShowThroughPath(QWidget* window, bool visible)
{
    if (!visible || !window || !window->isWindow() || window->isVisible() || ShowingThroughPath(window)
        || IsMainWindow(window) || window->windowType() == Qt::Popup || window->windowType() == Qt::ToolTip
        // Shown minimised, it takes no room on the screen yet.
        || window->windowState().testFlag(Qt::WindowMinimized))
        return false;
    ShowFormOnScreen(window);
    return true;
}

void ShowFormOnScreen(QWidget* form)
{
    if (!form)
        return;
    if (form->isMinimized())
        form->setWindowState(form->windowState() & ~Qt::WindowMinimized);
    // A window that waits for its answer opens in front of its owner with
    // the keyboard, centred on it unless it was put somewhere before.
    const bool answers = form->windowModality() != Qt::NonModal;
    // A box or a dialog waiting for its answer (the window a key released
    // in it, a remote statement or a timer shows meanwhile) stays in front
    // with the keyboard: the window is not made one of its windows, which
    // would stand above it and take the keys, and opens behind it.
    QWidget* waiting = answers ? nullptr : QApplication::activeModalWidget();
    if (waiting == form)
        waiting = nullptr;
    // Opened from a window that stays on top, it stands in front of it.
    KeepInFrontOf(form, waiting ? nullptr : QApplication::activeWindow());
    const bool hidden = !form->isVisible();
    const bool placed = form->testAttribute(Qt::WA_Moved) || form->property(kFirstPlaceGiven).toBool();
    // A window that never had a place takes its first place.
    const bool first = hidden && !answers && !IsMainWindow(form) && (WaitsForFirstPlace(form) || !placed);
    // One that had a place goes back where it was asked to be.
    const bool again = hidden && !answers && !first && !IsMainWindow(form);
    if (const QVariant asked = form->property(kAskedPlace); again && asked.isValid())
        form->move(PlaceInsideScreen(QRect(asked.toPoint(), form->size().grownBy(knownFrame(form))), ScreenSize()));
    if (again)
        bringUpBelowBars(form);
    // A dialog centres itself on its owner as it shows (Qt's own rule).
    const bool centresItself = hidden && answers && !placed && qobject_cast<QDialog*>(form);
    FitInsideScreen(form);
    if (first)
        placeFirstNow(form);
    else if (again)
        placeAgain(form);
    else if (hidden && answers && !placed && !centresItself)
        PlaceOnScreen(form, centredOnOwner(form));
    else if (!centresItself)
        PlaceOnScreen(form, frameCorner(form));
    form->setProperty(kAskedPlace, QVariant());
    // It stands in front of every window on top that would cover it where
    // it is put, while both are shown.
    standInFrontOfThoseOver(form);
    keepOnScreen(form);
    form->setProperty(kShownOnce, true);
    showing().append(form);
    form->show();
    showing().removeOne(form);
    if (togetherDepth() > 0 && !shownTogether().contains(QPointer<QWidget>(form)))
        shownTogether().append(form);
    noteShow(form);
    if (centresItself)
        PlaceOnScreen(form, frameCorner(form));
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
