#pragma once
// Message boxes on screen as the program shows them (one box per cause at a
// time), answered as a user answers them: a click on the box's first button
// while it waits, the window the box came over given the keyboard back by
// the window manager a moment after the box has gone. Installed for its
// lifetime in place of the message service in force, with the guard the
// program installs along with its on-screen boxes. Header only: for the
// test programs that link the program.

#include "app/ui/press_guard.h"
#include "app/ui/same_cause_guard.h"
#include "app/ui/widget_message_service.h"
#include "platform/message_service.h"

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

    ScreenBoxes()
    {
        app::InstallPressGuard();
        platform::setMessageService(&guard_);
    }
    ~ScreenBoxes() { platform::setMessageService(previous_); }
    ScreenBoxes(const ScreenBoxes&) = delete;
    ScreenBoxes& operator=(const ScreenBoxes&) = delete;

private:
    struct Answered final : platform::MessageService {
        explicit Answered(QStringList& texts) : texts(texts) {}
        platform::MsgResult show(const platform::Message& m) override
        {
            texts << m.text;
            std::function<void()> answer = [&answer] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (!box)
                    return QTimer::singleShot(5, answer);
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
        app::WidgetMessageService screen;
    };

    platform::MessageService* previous_ = &platform::messages();
    Answered answered_{texts};
    app::SameCauseGuard guard_{answered_};
};

} // namespace testsupport
