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
//
// The other way round, a key that answered a box (Enter, Escape: the box
// closes on the press) goes up in whatever window has the keyboard next.
// Its release, and the repeats of the key still held, are the end of the
// answer, not a key of that window: they are kept from it until the key is
// pressed again. Otherwise the window's own key-up (the hand pad's Enter
// takes the focus off its fields) would act on them, and a field that
// refuses its entry on being left would open the same box again.
//
// A box opened while a key press was handled (Return in a field whose entry
// is refused on leaving it) is answered inside that handling; the press
// then goes on to the field's parents as if nothing had happened, once the
// window has lost its focus to the box. It is stopped there: it was the
// user's press before the box, not one for the window after it.

#include <QEvent>
#include <QHash>
#include <QObject>
#include <QPointer>

class QKeyEvent;
class QWidget;

namespace app {

class ModalKeyGuard final : public QObject {
    Q_OBJECT
public:
    // Installed on the application; it puts itself back in front of the
    // application's other filters whenever a box closes on a key, so that
    // the rest of that key reaches none of them.
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
    // True when the event is the rest of a key that answered a box (kept
    // from every window); a new press of the key ends it.
    bool restOfAnswer(QEvent::Type type, QKeyEvent& key);

    // A key press being handled: the event itself, its key and its time stamp.
    struct Press {
        const QEvent* event = nullptr;
        int key = 0;
        quint64 time = 0;
    };
    // Boxes and dialogs that wait for their answer, shown while a press
    // was handled, with that press.
    void modalShown(QWidget* modal);
    void modalHidden(QWidget* modal);

    QPointer<QWidget> window_;
    QHash<int, KeyState> keys_;
    Press lastPress_;
    QHash<const QWidget*, Press> shownDuring_;
    // The press a box was shown during, once the box is gone.
    Press interrupted_;
    // Keys that a box closed on, still down, with the state of their last event.
    QHash<int, KeyState> answered_;
};

} // namespace app
