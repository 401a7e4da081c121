// NightjarPro: the program block. Prepares the process, creates the windows
// and runs until the main window closes.
//
// For tests only: with NIGHTJARPRO_CLOSE_AFTER_START=1 in the environment the
// main window is closed through its normal close path as soon as its first
// activation has finished, so a test can check a whole start and close.

#include "app/frm_alv.h"
#include "app/startup.h"
#include "app/ui/event_boundary.h"
#include "platform/clock.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char** argv)
{
    platform::settleLocalTimeZone();
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    Startup::PrepareProcess();
    Startup::CreateWindows();
    Startup::LoadJoystickCalibration();

    QObject::connect(FRM_Alv, &TForm::formClosed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    if (qEnvironmentVariable("NIGHTJARPRO_CLOSE_AFTER_START") == QLatin1String("1")) {
        FRM_Alv->StepObserver = [](const QString& step) {
            if (step == QLatin1String("StartupFinished"))
                QMetaObject::invokeMethod(FRM_Alv, &QWidget::close, Qt::QueuedConnection);
        };
    }
    FRM_Alv->show();
    // The start-up finishes at the main window's first activation. A window
    // manager may never activate a new window (focus-stealing prevention, or
    // no window manager at all): do not wait for it.
    QTimer::singleShot(200, FRM_Alv, [] {
        if (FRM_Alv->FirstActivationDone)
            return;
        FRM_Alv->activateWindow();
        app::runGuarded(QStringLiteral("FRM_Alv.FormActivate"), [] { FRM_Alv->FormActivate(); });
    });
    const int rc = app.exec();
    Startup::DestroyWindows();
    return rc;
}
