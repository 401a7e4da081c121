// NightjarPro: the program block. Prepares the process, creates the windows
// and runs until the main window closes.
//
// For tests only: with NIGHTJARPRO_CLOSE_AFTER_START=1 in the environment the
// main window is closed through its normal close path as soon as its first
// activation has finished, so a test can check a whole start and close. The
// start-up and close steps are then written to the error output, and the
// windows named in NIGHTJARPRO_SHOW_BEFORE_CLOSE (separated by ",") are
// shown first, the close coming from inside a modal dialog.

#include "app/frm_alv.h"
#include "app/settings/key_engine.h"
#include "app/systeme.h"
#include "app/startup.h"
#include "app/ui/event_boundary.h"
#include "platform/clock.h"

#include <QApplication>
#include <QDialog>
#include <cstdio>
#include <QTimer>

int main(int argc, char** argv)
{
    platform::settleLocalTimeZone();
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    Startup::PrepareProcess();
    Startup::CreateWindows();
    Startup::LoadJoystickCalibration();

    // The main window's close ends the program whatever else is open: a
    // plain quit would first ask every other window to close, and one that
    // refuses (or a dialog's own event loop) would keep the process alive.
    QObject::connect(FRM_Alv, &TForm::formClosed, &app, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    if (qEnvironmentVariable("NIGHTJARPRO_CLOSE_AFTER_START") == QLatin1String("1")) {
        FRM_Alv->StepObserver = [](const QString& step) {
            std::fprintf(stderr, "step: %s\n", qPrintable(step));
            if (step != QLatin1String("StartupFinished"))
                return;
            const QStringList others =
                qEnvironmentVariable("NIGHTJARPRO_SHOW_BEFORE_CLOSE").split(QLatin1Char(','), Qt::SkipEmptyParts);
            if (others.isEmpty()) {
                QMetaObject::invokeMethod(FRM_Alv, &QWidget::close, Qt::QueuedConnection);
                return;
            }
            for (const QString& name : others)
                Systeme::ShowFormOnScreen(Settings::FindWindow(name.trimmed()));
            QMetaObject::invokeMethod(
                FRM_Alv,
                [] {
                    QDialog dialog(FRM_Alv);
                    dialog.setWindowTitle(QStringLiteral("NightjarPro"));
                    QMetaObject::invokeMethod(FRM_Alv, &QWidget::close, Qt::QueuedConnection);
                    dialog.exec();
                },
                Qt::QueuedConnection);
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
