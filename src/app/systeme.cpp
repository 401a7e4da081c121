#include "app/systeme.h"

#include "app/frm_message.h"
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

// Watches a window until the window manager has framed it, then moves it
// once so that the frame's corner is where it was asked to be, and goes.
// A frame drawn around a client that stays where it is brings no move
// event: once shown, the window is looked at for a while as well.
class FramePlacer final : public QObject {
public:
    FramePlacer(QWidget* window, QPoint wanted) : QObject(window), window_(window), wanted_(wanted)
    {
        setObjectName(QLatin1String(kFramePlacerName));
        window->installEventFilter(this);
        look_.setInterval(50);
        QObject::connect(&look_, &QTimer::timeout, this, [this] {
            if (!tryPlace() && ++looks_ >= kLooks)
                look_.stop();
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
            tryPlace();
        return false;
    }

private:
    static constexpr int kLooks = 60;

    bool tryPlace()
    {
        if (done_ || !window_->isVisible() || window_->frameGeometry() == window_->geometry())
            return done_;
        done_ = true;
        look_.stop();
        window_->removeEventFilter(this);
        if (window_->pos() != wanted_)
            window_->move(wanted_);
        deleteLater();
        return true;
    }

    QWidget* window_;
    QPoint wanted_;
    QTimer look_;
    int looks_ = 0;
    bool done_ = false;
};

bool frameKnown(const QWidget* w)
{
    return w->isVisible() && w->frameGeometry() != w->geometry();
}

QMargins frameMargins(const QWidget* w)
{
    const QRect f = w->frameGeometry();
    const QRect g = w->geometry();
    return {g.left() - f.left(), g.top() - f.top(), f.right() - g.right(), f.bottom() - g.bottom()};
}

// The frame the window manager draws around `window`: its own once drawn,
// else that of another framed window, else a generous guess.
QMargins expectedFrame(const QWidget* window)
{
    if (frameKnown(window))
        return frameMargins(window);
    for (const QWidget* other : QApplication::topLevelWidgets())
        if (other != window && other->isWindow() && frameKnown(other))
            return frameMargins(other);
    return {4, 30, 4, 4};
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

void FitInsideScreen(QWidget* window)
{
    if (!window || !window->isWindow())
        return;
    const QRect area = ScreenArea();
    const QMargins frame = expectedFrame(window);
    const QSize room(std::max(1, area.width() - frame.left() - frame.right()),
                     std::max(1, area.height() - frame.top() - frame.bottom()));
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
    const auto placers = window->findChildren<QObject*>(QLatin1String(kFramePlacerName), Qt::FindDirectChildrenOnly);
    for (QObject* old : placers) {
        window->removeEventFilter(old);
        old->setObjectName(QString());
        old->deleteLater();
    }
    window->move(frameTopLeft);
    if (!frameKnown(window))
        new FramePlacer(window, frameTopLeft);
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
    KeepInFrontOf(form, QApplication::activeWindow());
    FitInsideScreen(form);
    PlaceWindow(form, PlaceInsideScreen(QRect(form->pos(), form->size()), ScreenSize()));
    form->show();
    // What the window fills in as it shows may make it larger.
    FitInsideScreen(form);
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
