#include "app/systeme.h"

#include "app/frm_message.h"
#include "app/ui/widget_message_service.h"
#include "platform/port_access.h"

#include <QApplication>
#include <QEvent>
#include <QLayout>
#include <QMainWindow>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <algorithm>

bool PortDriverOpen = false;

namespace Systeme {
namespace {
std::function<QSize()> g_screenSize;

const char* const kFramePlacerName = "nj_frame_placer";

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
    if (window)
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
    if (!form || !opener || opener == form || !opener->windowFlags().testFlag(Qt::WindowStaysOnTopHint)
        || form->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
        return;
    // Changing the flags hides a shown window and may give it a new native
    // window: the caller shows it again, where it was.
    const QPoint at = form->pos();
    form->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    form->move(at);
    form->winId();
    if (form->windowHandle() && opener->windowHandle())
        form->windowHandle()->setTransientParent(opener->windowHandle());
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
    FitInsideScreen(form);
    PlaceOnScreen(form, frameCorner(form));
    form->show();
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
