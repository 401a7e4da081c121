// A held key reaches a window as one press and one release, however the X
// server's repeats arrive; real releases still get through.

#include "app/form.h"
#include "app/ui/held_keys.h"
#include "support/program/held_key_settle.h"
#include "support/x11_keyboard.h"

#include <QApplication>
#include <QKeyEvent>
#include <gtest/gtest.h>

namespace {

class KeyWindow : public TForm {
public:
    KeyWindow()
    {
        KeyPreview = true;
        qApp->installEventFilter(new app::HeldKeyFilter(this, [](int key) { return key == Qt::Key_Left || key == Qt::Key_Up; }));
    }
    void FormKeyDown(int& key, Qt::KeyboardModifiers) override { seen << QStringLiteral("down %1").arg(key); }
    void FormKeyUp(int& key, Qt::KeyboardModifiers) override { seen << QStringLiteral("up %1").arg(key); }
    QStringList seen;
};

QString down(int key) { return QStringLiteral("down %1").arg(key); }
QString up(int key) { return QStringLiteral("up %1").arg(key); }

void settle() { testsupport::RunOutHeldKeys(); }

} // namespace

TEST(HeldKeys, AHeldKeyIsOnePressAndOneReleaseAndRealReleasesGetThrough)
{
    const testsupport::LongKeySettle longSettle;
    KeyWindow w;
    testsupport::X11Keyboard keyboard;
    const int left = Qt::Key_Left, up_ = Qt::Key_Up;

    // Held 0.9 s: 22 repeats, flagged or not as Qt happened to see them.
    keyboard.hold(&w, left, 22, [](int i) { return i % 3 == 0 || i == 7; });
    EXPECT_EQ(w.seen, QStringList{down(left)}) << "the final release waits for a press that would make it a repeat";
    settle();
    EXPECT_EQ(w.seen, (QStringList{down(left), up(left)}));

    // A quick real release and a new press (other stamps): both get through,
    // the release first, even while it is still held back.
    w.seen.clear();
    keyboard.advance(200);
    keyboard.press(&w, up_);
    keyboard.advance(90);
    keyboard.release(&w, up_);
    keyboard.advance(20);
    keyboard.press(&w, up_);
    EXPECT_EQ(w.seen, (QStringList{down(up_), up(up_), down(up_)}));
    keyboard.advance(60);
    keyboard.release(&w, up_);
    settle();
    EXPECT_EQ(w.seen, (QStringList{down(up_), up(up_), down(up_), up(up_)}));

    // The window losing the keyboard lets a held-back release through at once.
    w.seen.clear();
    keyboard.advance(200);
    keyboard.press(&w, left);
    keyboard.advance(300);
    keyboard.release(&w, left);
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(&w, &deactivate);
    EXPECT_EQ(w.seen, (QStringList{down(left), up(left)}));

    // Repeats of a key pressed before the window had the keyboard are
    // dropped; keys the filter does not look after pass untouched.
    w.seen.clear();
    QKeyEvent repeat(QEvent::KeyPress, left, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(&w, &repeat);
    keyboard.hold(&w, Qt::Key_A, 2, [](int) { return true; });
    EXPECT_EQ(w.seen, (QStringList{down(Qt::Key_A), up(Qt::Key_A), down(Qt::Key_A), up(Qt::Key_A), down(Qt::Key_A),
                                   up(Qt::Key_A)}));
}
