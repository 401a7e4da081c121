#pragma once
// Message boxes on screen as the program shows them (one box per cause at a
// time), answered as a user answers them: a click on the box's first button
// while it waits, or a key pressed in it (Return, Escape) as X11 delivers
// it, the box closing on the press and the release going a moment later to
// whatever has the keyboard then; the window the box came over given the
// keyboard back by the window manager a moment after the box has gone.
// Installed for its lifetime in place of the message service in force, with
// the guards the program installs along with its on-screen boxes. Header
// only: for the test programs that link the program.

#include "app/ui/modal_key_guard.h"
#include "app/ui/press_guard.h"
#include "app/ui/same_cause_guard.h"
#include "app/ui/widget_message_service.h"
#include "platform/message_service.h"
#include "support/x11_keyboard.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <functional>

namespace testsupport {

class ScreenBoxes {
public:
    // The texts of the boxes that came on screen.
    QStringList texts;

    // key: 0 to answer with a click, else the key that answers, pressed on
    // `keyboard` (the test's own, so that one server time runs through all
    // keys). A box that keeps coming back is answered with a click from its
    // fifth showing, so that a test of it ends.
    explicit ScreenBoxes(int key = 0, X11Keyboard* keyboard = nullptr) : answered_(texts, key, keyboard)
    {
        app::InstallPressGuard();
        static app::ModalKeyGuard* keys = nullptr;
        if (!keys) {
            keys = new app::ModalKeyGuard(qApp);
            qApp->installEventFilter(keys);
        }
        platform::setMessageService(&guard_);
    }
    ~ScreenBoxes() { platform::setMessageService(previous_); }
    ScreenBoxes(const ScreenBoxes&) = delete;
    ScreenBoxes& operator=(const ScreenBoxes&) = delete;

private:
    struct Answered final : platform::MessageService {
        Answered(QStringList& texts, int key, X11Keyboard* keyboard)
            : texts(texts), key(key), keyboard(keyboard ? *keyboard : own)
        {
        }
        platform::MsgResult show(const platform::Message& m) override
        {
            texts << m.text;
            const bool byKey = key != 0 && texts.size() < 5;
            std::function<void()> answer = [&answer, byKey, this] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (!box)
                    return QTimer::singleShot(5, answer);
                if (byKey) {
                    keyboard.advance(300);
                    QWidget* focus = QApplication::focusWidget();
                    keyboard.press(focus && focus->window() == box ? focus : box, key);
                    if (box->isVisible()) {
                        // The key did not answer it: told, and clicked away.
                        texts << QStringLiteral("(not answered by the key)");
                        box->buttons().first()->click();
                        return;
                    }
                    // Released once the window manager has given the
                    // keyboard back, where it is then.
                    QTimer::singleShot(60, [this] {
                        keyboard.advance(90);
                        QWidget* target = QApplication::focusWidget();
                        if (!target)
                            target = QApplication::activeWindow();
                        if (target)
                            keyboard.release(target, key);
                    });
                    return;
                }
                QAbstractButton* button = box->buttons().first();
                QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
            };
            QTimer::singleShot(0, answer);
            QPointer<QWidget> before = QApplication::activeWindow();
            const platform::MsgResult result = screen.show(m);
            QTimer::singleShot(20, [before] {
                if (before)
                    QApplication::setActiveWindow(before);
            });
            return result;
        }
        QStringList& texts;
        const int key;
        X11Keyboard own;
        X11Keyboard& keyboard;
        app::WidgetMessageService screen;
    };

    platform::MessageService* previous_ = &platform::messages();
    Answered answered_;
    app::SameCauseGuard guard_{answered_};
};

} // namespace testsupport
