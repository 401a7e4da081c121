#include "app/ui/held_keys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>

namespace app {

HeldKeyFilter::HeldKeyFilter(QWidget* window, std::function<bool(int key)> keys)
    : QObject(window), window_(window), keys_(std::move(keys))
{
}

// The widget that gets a key first: the one with the keyboard, or the window
// when no control of it has the keyboard. The same event is offered again
// to every parent while it propagates; only its first receiver counts.
bool HeldKeyFilter::firstReceiver(const QWidget* w) const
{
    const QWidget* focus = QApplication::focusWidget();
    return w == focus || ((!focus || focus->window() != window_) && w == window_);
}

bool HeldKeyFilter::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (watched == window_ && (type == QEvent::WindowDeactivate || type == QEvent::Hide)) {
        releasePending();
        held_.clear();
        return false;
    }
    if ((type != QEvent::KeyPress && type != QEvent::KeyRelease) || event == delivering_ || !watched->isWidgetType())
        return false;
    auto* k = static_cast<QKeyEvent*>(event);
    const int key = k->key();
    if (!keys_(key))
        return false;
    auto* w = static_cast<QWidget*>(watched);
    if (w->window() != window_) {
        // The key went up over another window: the hold here has ended.
        if (type == QEvent::KeyRelease && !k->isAutoRepeat() && held_.contains(key)) {
            if (pending_.contains(key))
                deliverRelease(key);
            held_.remove(key);
        }
        return false;
    }
    if (!firstReceiver(w))
        return false;

    if (type == QEvent::KeyPress) {
        if (const auto p = pending_.constFind(key); p != pending_.cend()) {
            if (p->timestamp == k->timestamp()) {
                pending_.remove(key);   // the press of a repeat: the hold goes on
                return true;
            }
            deliverRelease(key);        // a real release, then a new press
        } else if (held_.contains(key) || k->isAutoRepeat()) {
            return true;
        }
        held_.insert(key);
        return false;
    }

    // A release.
    if (k->isAutoRepeat() || !held_.contains(key))
        return k->isAutoRepeat();
    if (k->timestamp() == 0) {
        // Not from the window system (made by code): nothing to pair it with.
        held_.remove(key);
        return false;
    }
    Pending p;
    p.timestamp = k->timestamp();
    p.modifiers = int(k->modifiers());
    p.scanCode = k->nativeScanCode();
    p.virtualKey = k->nativeVirtualKey();
    p.nativeModifiers = k->nativeModifiers();
    p.text = k->text();
    p.serial = ++serial_;
    pending_.insert(key, p);
    QTimer::singleShot(settle_ms, this, [this, key, serial = p.serial] {
        if (const auto q = pending_.constFind(key); q != pending_.cend() && q->serial == serial)
            deliverRelease(key);
    });
    return true;
}

void HeldKeyFilter::deliverRelease(int key)
{
    const Pending p = pending_.take(key);
    held_.remove(key);
    QWidget* focus = QApplication::focusWidget();
    QWidget* target = focus && focus->window() == window_ ? focus : window_;
    QKeyEvent release(QEvent::KeyRelease, key, Qt::KeyboardModifiers(p.modifiers), p.scanCode, p.virtualKey,
                      p.nativeModifiers, p.text);
    release.setTimestamp(p.timestamp);
    const QEvent* outer = delivering_;
    delivering_ = &release;
    QApplication::sendEvent(target, &release);
    delivering_ = outer;
}

void HeldKeyFilter::releasePending()
{
    const QList<int> keys = pending_.keys();
    for (const int key : keys)
        deliverRelease(key);
}

} // namespace app
