#pragma once
// One press and one release for a key held down, whatever the keyboard's
// auto-repeat sends meanwhile.
//
// Under X11 a held key repeats as release+press pairs. Qt flags the pair as
// auto-repeat only when the press is already queued when it reads the
// release, which often it is not: a window that starts a move on the press
// and stops it on the release would stop and restart the mount at every
// repeat. This filter, installed on the application for one window, lets
// the first press of a key through and keeps the repeats away:
//   - a press of a key already held is a repeat (flagged or not);
//   - a release flagged as a repeat is dropped;
//   - any other release is held back for a short settle time: a press of
//     the same key with the same time stamp (the X server stamps both
//     halves of a repeat alike) within that time makes it a repeat; a press
//     with another time stamp (a real release and a quick new press) lets
//     the release through first, then the press; when nothing comes the
//     release goes through at the end of the settle time, to the control
//     that has the keyboard (or the window). A release without a time stamp
//     does not come from the window system but from code: it goes through
//     at once.
// The window losing the keyboard or being hidden lets every held-back
// release through at once, so that what a press started always stops.
// Repeats of a key the window never saw pressed are dropped too.

#include <QHash>
#include <QSet>
#include <QObject>
#include <QString>
#include <functional>

class QKeyEvent;
class QWidget;

namespace app {

class HeldKeyFilter final : public QObject {
public:
    // The time a release waits for the press of a repeat, ms; settle_ms is
    // the one in force (a test that cannot count on its thread running
    // when it should lengthens it).
    static constexpr int kSettle_ms = 40;
    static inline int settle_ms = kSettle_ms;

    // keys: the key codes this filter looks after (others pass untouched).
    // The filter is owned by the window; it must be installed on the
    // application after the windows' key preview, so that it runs first.
    HeldKeyFilter(QWidget* window, std::function<bool(int key)> keys);

    bool eventFilter(QObject* watched, QEvent* event) override;

    // Lets every held-back release through now.
    void releasePending();

private:
    struct Pending {
        unsigned long long timestamp = 0;
        int modifiers = 0;
        quint32 scanCode = 0, virtualKey = 0, nativeModifiers = 0;
        QString text;
        int serial = 0;
    };
    bool firstReceiver(const QWidget* w) const;
    void deliverRelease(int key);

    QWidget* window_;
    std::function<bool(int)> keys_;
    // Keys whose press went through and whose release has not (yet).
    QSet<int> held_;
    QHash<int, Pending> pending_;
    int serial_ = 0;
    // The release this filter is sending on, which it lets through.
    const QEvent* delivering_ = nullptr;
};

} // namespace app
