#include "app/systeme.h"

#include "app/frm_message.h"
#include "platform/port_access.h"

#include <QApplication>
#include <QEvent>
#include <QScreen>
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
} // namespace

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
    PlaceWindow(form, PlaceInsideScreen(QRect(form->pos(), form->size()), ScreenSize()));
    form->show();
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
