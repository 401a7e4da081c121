#pragma once
// A box or a dialog that waits for its answer takes only the keys pressed
// while it is on screen. A key already down when it came (the Enter that
// answered the dialog before it, held a moment) goes on sending repeats and
// a last release; without this guard a repeated Enter would answer the new
// box before the user ever saw it.
//
// X11 delivers a held key as one press, then pairs of release + press, then
// one release. Qt marks the pairs as auto-repeated when it recognises them;
// when it does not, the pair still carries one time stamp for both events,
// which no hand can do. A press counts as the user's when it is neither.

#include <QHash>
#include <QObject>
#include <QPointer>

class QKeyEvent;
class QWidget;

namespace app {

class ModalKeyGuard final : public QObject {
    Q_OBJECT
public:
    explicit ModalKeyGuard(QObject* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct KeyState {
        bool pressedHere = false;   // the key's last real press came in this window
        bool releasedLast = false;  // its last event was a release ...
        quint64 releaseTime = 0;    // ... at this time stamp
    };
    // The modal window a key event goes to, when it reaches it first (its
    // focus widget, or the window itself): nullptr for every other event.
    QWidget* modalTarget(QObject* watched) const;
    bool isRepeat(const QKeyEvent& key) const;

    QPointer<QWidget> window_;
    QHash<int, KeyState> keys_;
};

} // namespace app
