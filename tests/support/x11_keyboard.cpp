#include "support/x11_keyboard.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QKeyEvent>

namespace testsupport {

void X11Keyboard::send(QWidget* target, QEvent::Type type, int key, Qt::KeyboardModifiers modifiers, bool repeat)
{
    QKeyEvent e(type, key, modifiers, QString(), repeat);
    e.setTimestamp(now_);
    QApplication::sendEvent(target, &e);
}

void X11Keyboard::press(QWidget* target, int key, Qt::KeyboardModifiers modifiers)
{
    send(target, QEvent::KeyPress, key, modifiers, false);
}

void X11Keyboard::release(QWidget* target, int key, Qt::KeyboardModifiers modifiers)
{
    send(target, QEvent::KeyRelease, key, modifiers, false);
}

void X11Keyboard::tap(QWidget* target, int key, int held_ms, Qt::KeyboardModifiers modifiers)
{
    press(target, key, modifiers);
    advance(held_ms);
    release(target, key, modifiers);
}

void X11Keyboard::hold(QWidget* target, int key, int repeats, const std::function<bool(int)>& flagged,
                       const std::function<void()>& eachRepeat, Qt::KeyboardModifiers modifiers)
{
    press(target, key, modifiers);
    int unflagged = 0;
    for (int i = 0; i < repeats; ++i) {
        advance(kRepeat_ms);
        runEvents(1);
        if (eachRepeat)
            eachRepeat();
        const bool flag = flagged(i);
        send(target, QEvent::KeyRelease, key, modifiers, flag);
        if (!flag && unflagged++ % 2 == 1)
            runEvents(5);   // the press read a little after its release
        send(target, QEvent::KeyPress, key, modifiers, flag);
    }
    advance(kRepeat_ms);
    if (eachRepeat)
        eachRepeat();
    release(target, key, modifiers);
}

void X11Keyboard::runEvents(int ms)
{
    const QDeadlineTimer until(ms);
    do
        QApplication::processEvents(QEventLoop::AllEvents, 1);
    while (!until.hasExpired());
}

} // namespace testsupport
