#include "app/ui/press_guard.h"

#include <QAbstractButton>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <QWidget>

namespace app {
namespace {

class PressGuard final : public QObject {
public:
    // A press is moving the focus out of a control of window: it has not
    // reached its own control yet. take: it will not.
    void leaving(QWidget* window, bool take)
    {
        if (!window)
            return;
        if (state_ != State::Leaving || window_ != window) {
            level_ = loopLevel();
            take_ = false;
        }
        state_ = State::Leaving;
        window_ = window;
        take_ = take_ || take;
        expireLater(0);
    }

    quint64 boxesShown() const { return boxesShown_; }

    void restOfPress(QWidget* window)
    {
        if (!window)
            return;
        state_ = State::Rest;
        window_ = window;
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::FocusOut:
            if (static_cast<QFocusEvent*>(event)->reason() == Qt::MouseFocusReason && watched->isWidgetType()) {
                QWidget* window = static_cast<QWidget*>(watched)->window();
                // Clicks inside a box opened on the way are the box's own.
                if (state_ == State::Leaving && window != window_ && loopLevel() > level_)
                    return false;
                leaving(window, false);
                // The press goes to the control taking the focus. A stop
                // acts now; the press itself then goes no further.
                auto* stop = qobject_cast<QAbstractButton*>(QApplication::focusWidget());
                if (stop && stop != watched && stop->window() == window && stop->isEnabled() && IsStopButton(stop)) {
                    take_ = true;
                    stop->click();
                }
            }
            return false;
        case QEvent::Show:
            if (watched->isWidgetType()) {
                auto* w = static_cast<QWidget*>(watched);
                if (w->isWindow() && w->windowModality() != Qt::NonModal) {
                    ++boxesShown_;
                    // A box or a dialog comes while the press is on its way.
                    if (state_ == State::Leaving && w != window_)
                        take_ = true;
                }
            }
            return false;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseMove:
        case QEvent::ContextMenu:
            break;
        default:
            return false;
        }
        if (state_ == State::Idle || !watched->isWidgetType())
            return false;
        if (!window_) {
            state_ = State::Idle;
            return false;
        }
        const bool here = static_cast<QWidget*>(watched)->window() == window_;
        const QEvent::Type type = event->type();
        if (type == QEvent::ContextMenu) {
            // The menu of the right button's press; the menu key's passes.
            if (state_ != State::Rest || !here
                || static_cast<QContextMenuEvent*>(event)->reason() != QContextMenuEvent::Mouse)
                return false;
            event->accept();
            return true;
        }
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (state_ == State::Leaving) {
            // Events of the box itself go by; the press comes to the window.
            if (!here || (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick))
                return false;
            if (!take_) {
                state_ = State::Idle;
                return false;
            }
            state_ = State::Rest;
            event->accept();
            return true;
        }
        // The rest of a taken press.
        if (type == QEvent::MouseButtonPress || !here
            || (type == QEvent::MouseMove && mouse->buttons() == Qt::NoButton)) {
            // A new press, or its release went elsewhere (to the box).
            state_ = State::Idle;
            return false;
        }
        if (type == QEvent::MouseButtonRelease && mouse->buttons() == Qt::NoButton)
            state_ = State::Idle;
        event->accept();
        return true;
    }

private:
    enum class State { Idle, Leaving, Rest };

    static int loopLevel() { return QThread::currentThread()->loopLevel(); }

    // The press follows within the same delivery, after any box opened on
    // the way has closed: once the event loop of the focus change runs
    // again, no press is on its way any more (a focus moved from code has
    // none behind it).
    void expireLater(int ms)
    {
        const quint64 generation = ++generation_;
        QTimer::singleShot(ms, this, [this, generation] {
            if (generation != generation_ || state_ != State::Leaving)
                return;
            if (loopLevel() > level_)
                return expireLater(20);   // a box is still on screen
            state_ = State::Idle;
        });
    }

    State state_ = State::Idle;
    QPointer<QWidget> window_;
    bool take_ = false;
    int level_ = 0;
    quint64 generation_ = 0;
    quint64 boxesShown_ = 0;
};

constexpr const char* kStopButton = "stopButton";

PressGuard* guard()
{
    static QPointer<PressGuard> instance;
    if (!instance && qApp) {
        instance = new PressGuard;
        instance->setParent(qApp);
        qApp->installEventFilter(instance);
    }
    return instance;
}

} // namespace

void InstallPressGuard() { guard(); }

void TakePressOnItsWay(QWidget* window)
{
    if (PressGuard* g = guard())
        g->leaving(window ? window->window() : nullptr, true);
}

void MarkStopButton(QAbstractButton* button)
{
    if (!button)
        return;
    button->setProperty(kStopButton, true);
}

bool IsStopButton(const QObject* control) { return control && control->property(kStopButton).toBool(); }

quint64 BoxesShown()
{
    PressGuard* g = guard();
    return g ? g->boxesShown() : 0;
}

void TakeRestOfPress(QWidget* window)
{
    if (PressGuard* g = guard())
        g->restOfPress(window ? window->window() : nullptr);
}

} // namespace app
