#pragma once
// For tests of what comes in front: a window kept on top that raises itself
// (the script window's part), registered as the front window, and another
// window, the one the user works in. Header only: for the test programs
// that link the program.

#include "app/ui/widget_message_service.h"

#include <QTest>
#include <QWidget>

namespace testsupport {

struct FrontWindows {
    QWidget front;
    QWidget other;

    FrontWindows()
    {
        front.setWindowFlag(Qt::WindowStaysOnTopHint, true);
        front.show();
        app::SetFrontWindow(&front);
        other.show();
    }
    ~FrontWindows() { app::SetFrontWindow(nullptr); }
    FrontWindows(const FrontWindows&) = delete;
    FrontWindows& operator=(const FrontWindows&) = delete;

    // The user clicks into the other window.
    void workInOther()
    {
        other.activateWindow();
        (void)QTest::qWaitForWindowActive(&other);
    }
};

} // namespace testsupport
