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

bool ModalKeyGuard::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::Hide && watched == window_) {
        // Shown again (a dialog is reused), it starts afresh.
        window_ = nullptr;
        keys_.clear();
        return false;
    }
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
        return false;
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
