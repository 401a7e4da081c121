#pragma once
// Key events as an X11 server hands them to the program. Every event carries
// the server's time stamp (ms). A held key repeats as release+press pairs,
// both halves with one stamp; Qt flags a pair as auto-repeat only when it
// finds the press already queued as it reads the release, so some pairs come
// flagged and others not, and the press of an unflagged pair may come a few
// milliseconds after its release.

#include <QEvent>
#include <QWidget>
#include <cstdint>
#include <functional>

namespace testsupport {

class X11Keyboard {
public:
    // The repeat period of the X server's default rate (25 a second), ms.
    static constexpr int kRepeat_ms = 40;

    explicit X11Keyboard(std::uint64_t server_ms = 500000) : now_(server_ms) {}

    // Events go to target (the control with the keyboard, or the window).
    void press(QWidget* target, int key, Qt::KeyboardModifiers modifiers = {});
    void release(QWidget* target, int key, Qt::KeyboardModifiers modifiers = {});
    // A short press: the key goes up held_ms after it went down, before the
    // keyboard repeats it.
    void tap(QWidget* target, int key, int held_ms, Qt::KeyboardModifiers modifiers = {});
    // The key held: its press, `repeats` release+press pairs kRepeat_ms
    // apart, then its release. Pair i is flagged as auto-repeat when
    // flagged(i); unflagged pairs alternate between a press right behind its
    // release and one a few milliseconds late. eachRepeat runs before every
    // pair and before the release (to move a fake clock along).
    void hold(QWidget* target, int key, int repeats, const std::function<bool(int)>& flagged,
              const std::function<void()>& eachRepeat = {}, Qt::KeyboardModifiers modifiers = {});
    // Server time passes.
    void advance(int ms) { now_ += std::uint64_t(ms); }
    // Runs the program's event loop for ms of real time.
    static void runEvents(int ms);

private:
    void send(QWidget* target, QEvent::Type type, int key, Qt::KeyboardModifiers modifiers, bool repeat);
    std::uint64_t now_;
};

} // namespace testsupport
