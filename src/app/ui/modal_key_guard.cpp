#include "app/ui/modal_key_guard.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace app {

ModalKeyGuard::ModalKeyGuard(QObject* parent) : QObject(parent) {}

QWidget* ModalKeyGuard::modalTarget(QObject* watched) const
{
    auto* widget = qobject_cast<QWidget*>(watched);
    QWidget* modal = QApplication::activeModalWidget();
    if (!widget || !modal || widget->window() != modal)
        return nullptr;
    // A key event goes to the focus widget first, then up through its
    // parents: it is looked at once, where it arrives.
    QWidget* focus = QApplication::focusWidget();
    const bool arrival = focus && focus->window() == modal ? widget == focus : widget == modal;
    return arrival ? modal : nullptr;
}

bool ModalKeyGuard::isRepeat(const QKeyEvent& key) const
{
    if (key.isAutoRepeat())
        return true;
    const auto it = keys_.constFind(key.key());
    return it != keys_.constEnd() && it->releasedLast && key.timestamp() != 0 && it->releaseTime == key.timestamp();
}

bool ModalKeyGuard::restOfAnswer(QEvent::Type type, QKeyEvent& key)
{
    const auto it = answered_.find(key.key());
    if (it == answered_.end())
        return false;
    KeyState& state = *it;
    switch (type) {
    case QEvent::KeyRelease:
        state.releasedLast = true;
        state.releaseTime = key.timestamp();
        return true;
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride: {
        const quint64 time = key.timestamp();
        const bool repeat = key.isAutoRepeat() || (state.releasedLast && time != 0 && state.releaseTime == time);
        if (!repeat) {
            answered_.erase(it);   // pressed anew: the user's
            return false;
        }
        if (type == QEvent::KeyPress)
            state.releasedLast = false;
        return true;
    }
    default:
        return false;
    }
}

void ModalKeyGuard::modalShown(QWidget* modal)
{
    shownDuring_.insert(modal, lastPress_);
}

void ModalKeyGuard::modalHidden(QWidget* modal)
{
    interrupted_ = shownDuring_.take(modal);
}

bool ModalKeyGuard::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if ((type == QEvent::Show || type == QEvent::Hide) && watched->isWidgetType()) {
        auto* w = static_cast<QWidget*>(watched);
        // The windows install their own key filters as they are made: a
        // window shown puts this one back in front of them, so that it sees
        // every key before a window's handler can open a box on it.
        if (type == QEvent::Show && w->isWindow() && qApp)
            qApp->installEventFilter(this);
        if (w->isWindow() && w->isModal()) {
            if (type == QEvent::Show)
                modalShown(w);
            else
                modalHidden(w);
        }
    }
    if (type == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (watched->isWidgetType() && interrupted_.time != 0 && event == interrupted_.event
            && key->key() == interrupted_.key && key->timestamp() == interrupted_.time) {
            event->accept();
            return true;
        }
        interrupted_ = {};
        lastPress_ = {event, key->key(), key->timestamp()};
    } else if (type == QEvent::KeyRelease) {
        interrupted_ = {};
    }
    if (type == QEvent::Hide && watched == window_) {
        // A key pressed in it and not yet released closed it: what is left
        // of that key belongs to no window.
        bool answeredByKey = false;
        for (auto it = keys_.cbegin(); it != keys_.cend(); ++it)
            if (it->pressedHere && !it->releasedLast) {
                answered_.insert(it.key(), KeyState{});
                answeredByKey = true;
            }
        if (answeredByKey && qApp)
            qApp->installEventFilter(this);   // in front of every other filter
        // Shown again (a dialog is reused), it starts afresh.
        window_ = nullptr;
        keys_.clear();
        return false;
    }
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
        return false;
    if (!answered_.isEmpty() && watched->isWidgetType()
        && restOfAnswer(type, *static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    QWidget* window = modalTarget(watched);
    if (!window)
        return false;
    if (window != window_) {
        // Another box, or the same one shown again: nothing pressed before
        // it counts as pressed in it.
        window_ = window;
        keys_.clear();
    }
    auto* key = static_cast<QKeyEvent*>(event);
    KeyState& state = keys_[key->key()];
    bool keep = state.pressedHere;
    switch (type) {
    case QEvent::ShortcutOverride:
        // Asked before the press itself: a press that will be dropped must
        // not run a shortcut either.
        keep = keep || !isRepeat(*key);
        if (!keep) {
            key->accept();
            return true;
        }
        return false;
    case QEvent::KeyPress:
        if (!isRepeat(*key))
            state.pressedHere = keep = true;
        state.releasedLast = false;
        break;
    default:   // the release
        state.releasedLast = true;
        state.releaseTime = key->timestamp();
        break;
    }
    if (keep)
        return false;
    key->accept();
    return true;
}

} // namespace app
