#include "mount_fixture.h"

#include "app/startup.h"
#include "app/systeme.h"
#include "app/ui/event_boundary.h"
#include "platform/com_io.h"
#include "platform/port_access.h"
#include "scripting/frm_script.h"
#include "scripting/scripts.h"
#include "support/program/fresh_process.h"
#include "telescope/ascom_bridge.h"
#include "telescope/guide_plugin.h"
#include "telescope/mount_conversation.h"
#include "telescope/prg_suivi.h"
#include "telescope/sky/catalogues.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <QRadioButton>
#include <QCheckBox>
#include <QStackedWidget>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTabWidget>
#include <QTest>

namespace {

bool bringOnScreen(QWidget* control)
{
    for (QWidget* child = control, *parent = control->parentWidget(); parent; child = parent, parent = parent->parentWidget()) {
        if (auto* stack = qobject_cast<QStackedWidget*>(parent)) {
            if (auto* tabs = qobject_cast<QTabWidget*>(stack->parentWidget()))
                tabs->setCurrentWidget(child);
            else
                stack->setCurrentWidget(child);
        }
    }
    QWidget* window = control->window();
    window->show();
    window->raise();
    QCoreApplication::processEvents();
    if (!control->isVisible())
        ADD_FAILURE() << control->objectName().toStdString() << " is not on screen";
    return control->isVisible();
}

// Where a user aims: the box of a radio button or check box, the middle of
// anything else.
QPoint aimAt(QWidget* control)
{
    const bool radio = qobject_cast<QRadioButton*>(control) != nullptr;
    if (!radio && !qobject_cast<QCheckBox*>(control))
        return control->rect().center();
    QStyleOptionButton option;
    option.initFrom(control);
    return control->style()
        ->subElementRect(radio ? QStyle::SE_RadioButtonIndicator : QStyle::SE_CheckBoxIndicator, &option, control)
        .center();
}

} // namespace

bool clickOnScreen(QWidget* control)
{
    if (!bringOnScreen(control))
        return false;
    QTest::mouseClick(control, Qt::LeftButton, {}, aimAt(control));
    return true;
}

bool pressOnScreen(QWidget* control)
{
    if (!bringOnScreen(control))
        return false;
    QTest::mousePress(control, Qt::LeftButton, {}, aimAt(control));
    return true;
}

bool releaseOnScreen(QWidget* control)
{
    QTest::mouseRelease(control, Qt::LeftButton, {}, aimAt(control));
    return true;
}

void startWaitingScript(bool& waitFlag)
{
    Scripts::CurrentLevel = 0;
    TScript& s = Scripts::CurrentScript();
    s.Lines = QStringList{QStringLiteral("goto.execute"), QStringLiteral("wait(10)")};
    s.LineCount = 2;
    s.CurrentLine = 0;   // on its goto, whatever ran before
    s.Pass = 2;
    Scripts::ScriptRunning = true;
    Scripts::BeginWait(waitFlag);
    FRM_Script->TMR_Script->stop();
}

bool scriptResumed()
{
    return Scripts::CurrentScript().State == Scripts::StateRunning && FRM_Script->TMR_Script->isActive();
}

PumpingSleeper::PumpingSleeper(testsupport::FakeClock& clock, std::function<void()> pump)
    : clock_(clock), pump_(std::move(pump))
{
    platform::setSleeper(this);
}

PumpingSleeper::~PumpingSleeper() { platform::setSleeper(nullptr); }

bool PumpingSleeper::sleepMs(std::int64_t duration_ms)
{
    if (duration_ms < 0)
        return false;
    waits.push_back(duration_ms);
    clock_.advanceMs(duration_ms);
    pump_();
    return true;
}

void MountTest::SetUp()
{
    testsupport::StartAsAFreshProcess();
    ASSERT_TRUE(mount.isOpen()) << mount.error().toStdString();
    // The evening of the clock's start in universal time, whatever the
    // machine's zone: the simulated mounts' sky, and so which gotos their
    // horizon lets through, is the same everywhere.
    clock.setWall(QDateTime(clock.wallNow().date(), clock.wallNow().time(), Qt::UTC));
    platform::setPortAccess(&ports);
    Startup::CreateWindows();
    app::setErrorSink([this](const QString& report) { reports << report; });
    app::resetReportedCauses();
    Prg_Suivi::ResetMotionState();
    Prg_Suivi::Conversation().cancelAll();
    Prg_Suivi::Conversation().setReplyTimeout(Prg_Suivi::MountConversation::kDefaultReplyTimeout_ms);
    ASSERT_TRUE(Systeme::OpenPortDriver());
    platform::com_io::SetDevicePath(3, mount.devicePath());
    pref().CBX_AG_PortSerie->setCurrentIndex(pref().CBX_AG_PortSerie->findText(QStringLiteral("      COM3")));
    pref().CBX_AG_Focus_PortSerie->setCurrentIndex(pref().CBX_AG_PortSerie->currentIndex());
    pref().CBX_AG_Vitesse->setCurrentIndex(pref().CBX_AG_Vitesse->findText(QStringLiteral("9600")));
    pref().CBX_AG_Focus_Vitesse->setCurrentIndex(pref().CBX_AG_Vitesse->currentIndex());
    ASSERT_NE(pref().CBX_AG_PortSerie->currentIndex(), -1);
}

void MountTest::TearDown()
{
    Prg_Suivi::Conversation().cancelAll();
    Startup::DestroyWindows();
    app::setErrorSink({});
    platform::com_io::close_all();
    platform::com_io::ClearDevicePaths();
    AscomBridge::Install(nullptr);
    AscomBridge::AscomSharedData = {};
    GuidePlugin::SetProvider({});
    Prg_Suivi::ResetMotionState();
    Prg_Suivi::Hooks = {};
    Scripts::StopAll();
    Systeme::ClosePortDriver();
    platform::setPortAccess(nullptr);
}

void MountTest::chooseMount(QRadioButton* mount) { mount->setChecked(true); }
void MountTest::chooseGuide(QRadioButton* guide) { guide->setChecked(true); }

void MountTest::libraryWithM31()
{
    const auto m31 = Sky::ParseDeepSkyLine(" NGC 224            M 31                 GALXY         00 42.7   +41 16    4.4"
                                           "                       177.83m     69.66m    35");
    ASSERT_TRUE(m31);
    mount.useDeepSkyCatalogue({*m31});
}

bool MountTest::settle(int timeout_ms)
{
    QElapsedTimer t;
    t.start();
    while (!Prg_Suivi::Conversation().idle()) {
        if (t.elapsed() > timeout_ms)
            return false;
        mount.pump();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}
