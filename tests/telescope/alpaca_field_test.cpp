// The Alpaca telescope as devices in the field answer: late, refusing,
// hanging, cutting replies, with keys in another letter case, through the
// program's own windows.

#include "guide_setup.h"
#include "mount_fixture.h"

#include "app/desktop.h"
#include "app/frm_message.h"
#include "app/helpers/calc_helpers.h"
#include "app/settings.h"
#include "app/frm_alv.h"
#include "app/startup.h"
#include "app/systeme.h"
#include "capture/camera_slots.h"
#include "imaging/display_zone.h"
#include "imaging/pipeline_state.h"
#include "imaging/process_frame.h"
#include "support/star_field.h"
#include "telescope/frm_tool_suivi.h"
#include "telescope/sim/alpaca_simulator.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_mesures.h"
#include "translation/translated_texts.h"
#include "scripting/scripts.h"
#include "support/alpaca_peer.h"
#include "support/program/fresh_process.h"
#include "support/screen_boxes.h"
#include "telescope/alpaca/alpaca_bridge.h"
#include "telescope/alpaca/alpaca_chooser.h"
#include "telescope/alpaca/alpaca_protocol.h"
#include "telescope/ascom_bridge.h"
#include "telescope/frm_joy.h"
#include "telescope/frm_object_action.h"
#include "telescope/frm_prg_suivi.h"
#include "telescope/frm_raquette.h"
#include "telescope/mount_state.h"
#include "telescope/prg_suivi.h"
#include "telescope/sky/sky_chart.h"
#include "telescope/tracking/tracking_state.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QElapsedTimer>
#include <QComboBox>
#include <QInputDialog>
#include <QTimer>
#include <QLineEdit>
#include <QTest>
#include <QThread>
#include <cmath>
#include <memory>

using testsupport::AlpacaPeer;

namespace {

bool waitUntil(const std::function<bool()>& pred, int timeout_ms = 8000)
{
    QElapsedTimer t;
    t.start();
    while (!pred() && t.elapsed() < timeout_ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return pred();
}

// Lets whatever is under way settle for ms of real time.
void pumpFor(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
}

bool connected()
{
    return !Prg_Suivi::AscomConnectionUnderWay() && AscomBridge::AscomSharedData.Connected
           && FRM_Pref->BTN_Mount_Deconnecter->isEnabled() && !FRM_Pref->BTN_Mount_Connecter->isEnabled();
}

QString messages() { return FRM_Message ? FRM_Message->MEMO_Message->toPlainText() : QString(); }

// Everything asked of the Alpaca bridge has been answered and applied:
// nothing it was asked can still reach the device or the windows.
bool bridgeIdle()
{
    const auto* bridge = dynamic_cast<const Alpaca::AlpacaBridge*>(AscomBridge::Installed());
    return bridge && bridge->Idle();
}

class AlpacaFieldTest : public MountTest {
protected:
    void SetUp() override
    {
        MountTest::SetUp();
        AscomBridge::AscomSharedData = {};
        Scripts::GotoRunning = false;
    }
    void TearDown() override
    {
        AscomBridge::StopBridge();
        AscomBridge::AscomSharedData = {};
        Scripts::GotoRunning = false;
        Alpaca::SetChooserDialog({});
        Alpaca::DiscoveryPorts = {Alpaca::kDiscoveryPort};
        Alpaca::DiscoveryBroadcast = true;
        MountTest::TearDown();
    }
    // The ASCOM interface chosen with the peer's address, as a user does.
    void choosePeer(const AlpacaPeer& peer)
    {
        pref().EDT_ASCOM_Telescope->setText(peer.address());
        pref().RDB_Mount_ASCOM->click();
        ASSERT_TRUE(AscomBridge::Running());
    }
    // "Connecter" and the wait for its answer.
    bool connect()
    {
        pref().BTN_Mount_Connecter->click();
        return waitUntil([] { return connected(); }, 15000);
    }
    void pressAndRelease(QPushButton* button, int hold_ms = 0)
    {
        emit button->pressed();
        if (hold_ms)
            pumpFor(hold_ms);
        emit button->released();
    }
    void gotoFromTheDialog(double ra_arcsec, double dec_arcsec)
    {
        Sky::GotoDestinationRA = ra_arcsec;
        Sky::GotoDestinationDec = dec_arcsec;
        FRM_ObjectAction->RDB_Absolu->setChecked(true);
        FRM_ObjectAction->BTN_GotoClick();
    }
};

} // namespace

TEST(AlpacaReplies, AnErrorIsAnErrorWhateverTheCaseOfItsKeys)
{
    const auto lower = Alpaca::ParseReply(R"({"value":0,"errornumber":1025,"errormessage":"non"})", true);
    EXPECT_FALSE(lower.ok);
    EXPECT_EQ(lower.errorNumber, 1025);
    const auto mixed = Alpaca::ParseReply(R"({"VALUE":2.5,"errorNumber":0})", true);
    ASSERT_TRUE(mixed.ok);
    EXPECT_EQ(mixed.value.toDouble(), 2.5);

    // A move takes the largest allowed rate not above the chosen one.
    const std::vector<Alpaca::RateRange> ranges{{0.5, 1.0}, {1.5, 2.0}};
    EXPECT_EQ(Alpaca::AllowedRate(ranges, 3.0), 2.0);
    EXPECT_EQ(Alpaca::AllowedRate(ranges, -1.2), -1.0);
    EXPECT_EQ(Alpaca::AllowedRate(ranges, 1.7), 1.7);
    EXPECT_FALSE(Alpaca::AllowedRate(ranges, 0.2)) << "nothing allowed up to it";
    EXPECT_EQ(Alpaca::AllowedRate(ranges, 0), 0.0);
    const auto read = Alpaca::AxisRanges(QJsonDocument::fromJson(R"([{"minimum":0,"maximum":2}])").array());
    ASSERT_TRUE(read && read->size() == 1);
    EXPECT_EQ(read->front().maximum, 2.0);
}

// A goto ends when the device says it no longer slews, however late its
// answers come; the position shown is the device's.
class AlpacaSlowGoto : public AlpacaFieldTest, public ::testing::WithParamInterface<int> {};

TEST_P(AlpacaSlowGoto, EndsWithTheDevicesOwnAnswer)
{
    AlpacaPeer peer;
    peer.configure([](AlpacaPeer::Config& c) { c.slewDuration_ms = 300; });
    choosePeer(peer);
    ASSERT_TRUE(connect());
    peer.configure([](AlpacaPeer::Config& c) { c.delay_ms = GetParam(); });

    gotoFromTheDialog(6 * 54000.0, 45 * 3600.0);
    EXPECT_TRUE(Scripts::GotoRunning);
    EXPECT_EQ(AscomBridge::AscomSharedData.Slewing, 1) << "slewing from the request on";
    EXPECT_FALSE(FRM_ObjectAction->BTN_Goto->isEnabled());
    ASSERT_TRUE(waitUntil([] { return !Scripts::GotoRunning; }, 20000));
    EXPECT_DOUBLE_EQ(TelescopeRA, 6 * 54000.0);
    EXPECT_DOUBLE_EQ(TelescopeDec, 45 * 3600.0);
    EXPECT_TRUE(FRM_ObjectAction->BTN_Goto->isEnabled());
    EXPECT_EQ(peer.callTexts(QStringLiteral("PUT slewtocoordinatesasync")).size(), 1);

    // Polls never pile up: at most one of each read is out at a time.
    const auto calls = peer.calls();
    for (std::size_t i = 0; i + 1 < calls.size(); ++i)
        if (calls[i].member == QLatin1String("slewing")) {
            for (std::size_t j = i + 1; j < calls.size() && calls[j].at_ms < calls[i].at_ms + GetParam(); ++j)
                EXPECT_NE(calls[j].member, QStringLiteral("slewing")) << "a second read while the first was out";
        }

    // "Obtenir Position" shows the device's coordinates.
    peer.setState([](AlpacaPeer::State& s) {
        s.raHours = 2.5;
        s.decDegrees = -10.5;
    });
    FRM_Raquette->BTN_Position_Actuelle->click();
    ASSERT_TRUE(waitUntil([] { return TelescopeDec == -10.5 * 3600 && TelescopeRA == 2.5 * 54000; }, 10000));
    EXPECT_EQ(FRM_Raquette->EDT_Position_Actuelle_Dec->text(), CalcHelpers::DecToStr(-10.5 * 3600));
}

INSTANTIATE_TEST_SUITE_P(ReplyDelays, AlpacaSlowGoto, ::testing::Values(300, 2000));

TEST_F(AlpacaFieldTest, ACoordinateNeverReadIsNeverShown)
{
    AlpacaPeer peer;
    choosePeer(peer);
    ASSERT_TRUE(connect());
    FRM_Raquette->EDT_Position_Actuelle_AD->setText(QStringLiteral("avant"));
    Sky::GotoOriginRA = Sky::GotoOriginDec = 99;
    peer.configure([](AlpacaPeer::Config& c) { c.faults[QStringLiteral("rightascension")] = {0x407}; });
    FRM_Raquette->BTN_Position_Actuelle->click();
    ASSERT_TRUE(waitUntil([] { return TelescopeDec == 20.25 * 3600; }));
    ASSERT_TRUE(waitUntil(bridgeIdle));   // the refused read answered too
    EXPECT_EQ(FRM_Raquette->EDT_Position_Actuelle_AD->text(), QStringLiteral("avant"));
    EXPECT_EQ(Sky::GotoOriginRA, 99.0);
    // The refusal is told with the request it hit.
    EXPECT_TRUE(messages().contains(QStringLiteral("rightascension")));
}

TEST_F(AlpacaFieldTest, StopsGoAheadOfEverythingAndNothingIsLeftMoving)
{
    AlpacaPeer peer;
    choosePeer(peer);
    ASSERT_TRUE(connect());
    peer.configure([](AlpacaPeer::Config& c) { c.delay_ms = 2000; });
    peer.clearCalls();

    // Reads out, then a press and its release at once: the release reaches
    // the device without waiting for them, and the press that was out when
    // it went is stopped again once answered.
    FRM_Prg_Suivi->TMR_ScopePositionTimer();
    ASSERT_TRUE(peer.waitForCalls(QStringLiteral("GET declination"), 1));
    pressAndRelease(FRM_Raquette->BTN_N);
    ASSERT_TRUE(peer.waitForCalls(QStringLiteral("PUT moveaxis Axis=1&Rate=0"), 1, 8000));
    const auto arrival = [&](const QString& text) {
        for (const AlpacaPeer::Call& c : peer.calls())
            if (c.text().startsWith(text))
                return c.at_ms;
        return qint64(-1);
    };
    EXPECT_LT(arrival(QStringLiteral("PUT moveaxis Axis=1&Rate=0")), arrival(QStringLiteral("GET declination")) + 2000)
        << "the release waited for the reads' answers";
    ASSERT_TRUE(waitUntil(bridgeIdle, 15000));
    EXPECT_EQ(peer.state().axisRate[1], 0.0);
    EXPECT_TRUE(messages().isEmpty()) << messages().toStdString();

    // A press whose move has not gone out when its release comes: nothing
    // moves at all.
    peer.configure([](AlpacaPeer::Config& c) { c.delay_ms = 300; });
    Prg_Suivi::AscomSync(3 * 54000.0, 0);   // the ordinary requests are busy
    pressAndRelease(FRM_Raquette->BTN_E);
    ASSERT_TRUE(waitUntil(bridgeIdle));
    EXPECT_EQ(peer.state().axisRate[0], 0.0);
    EXPECT_TRUE(peer.callTexts(QStringLiteral("PUT moveaxis Axis=0&Rate=-2")).isEmpty());

    // Sync and abort reach a slow device in the time of its replies.
    peer.clearCalls();
    FRM_Raquette->RDB_Coords->setChecked(true);
    Sky::GotoOriginRA = Sky::GotoOriginDec = 1000;
    FRM_Raquette->BTN_Sync->click();
    gotoFromTheDialog(3 * 54000.0, 10 * 3600.0);
    FRM_ObjectAction->BTN_AbortClick();
    EXPECT_FALSE(Scripts::GotoRunning);
    ASSERT_TRUE(peer.waitForCalls(QStringLiteral("PUT abortslew"), 1, 8000));
    ASSERT_TRUE(peer.waitForCalls(QStringLiteral("PUT synctocoordinates"), 1, 8000));
    ASSERT_TRUE(waitUntil(bridgeIdle));
    EXPECT_TRUE(peer.callTexts(QStringLiteral("PUT slewto")).isEmpty()) << "the abort did not drop the slew still queued";

    // "Déconnecter" returns at once; the device is told in the background.
    pref().BTN_Mount_Deconnecter->click();
    EXPECT_EQ(pref().LBL_Error_Ascom->text(), TranslatedTexts.MSG_Deconnexion_En_Cours) << "its answer is still to come";
    EXPECT_TRUE(pref().BTN_Mount_Connecter->isEnabled());
    ASSERT_TRUE(peer.waitForCalls(QStringLiteral("PUT connected Connected=false"), 1, 6000));
}

// A full stop during a goto (the pad's "Stop", the Preferences' "Stop") and
// the dialog's Abort abort the device's slew and end the goto: GOTO given
// back on the dialog and the pad, Abort greyed, the goto poll stopped and a
// waiting script resumed.
TEST_F(AlpacaFieldTest, AStopOrAbortDuringAGotoAbortsTheSlewAndEndsTheGoto)
{
    auto owned = std::make_unique<AlpacaPeer>();
    AlpacaPeer& peer = *owned;
    peer.configure([](AlpacaPeer::Config& c) { c.slewDuration_ms = 60000; });
    choosePeer(peer);
    ASSERT_TRUE(connect());
    TFRM_ObjectAction& d = *FRM_ObjectAction;
    const auto startGoto = [&] {
        peer.clearCalls();
        startWaitingScript(Scripts::GotoRunning);
        gotoFromTheDialog(6 * 54000.0, 45 * 3600.0);
        ASSERT_TRUE(waitUntil([&] { return peer.state().slewing; }));
        ASSERT_TRUE(Scripts::GotoRunning);
        ASSERT_FALSE(d.BTN_Goto->isEnabled());
        ASSERT_FALSE(FRM_Raquette->BTN_GOTO->isEnabled());
    };
    const auto endedBy = [&](const char* how) {
        SCOPED_TRACE(how);
        // Before the resumed script's next line runs.
        EXPECT_FALSE(Scripts::GotoRunning);
        EXPECT_TRUE(scriptResumed());
        EXPECT_TRUE(peer.waitForCalls(QStringLiteral("PUT abortslew"), 1, 8000));
        EXPECT_TRUE(waitUntil([&] { return !peer.state().slewing; })) << "the mount goes on to its target";
        EXPECT_TRUE(d.BTN_Goto->isEnabled());
        EXPECT_FALSE(d.BTN_Abort->isEnabled());
        EXPECT_TRUE(FRM_Raquette->BTN_GOTO->isEnabled());
        EXPECT_FALSE(FRM_Prg_Suivi->TMR_ScopePosition->isActive()) << "the goto poll goes on";
        EXPECT_TRUE(messages().isEmpty()) << messages().toStdString();
    };
    ASSERT_NO_FATAL_FAILURE(startGoto());
    ASSERT_TRUE(pressOnScreen(FRM_Raquette->BTN_Stop));
    ASSERT_TRUE(releaseOnScreen(FRM_Raquette->BTN_Stop));
    endedBy("the pad's Stop");

    ASSERT_NO_FATAL_FAILURE(startGoto());
    ASSERT_TRUE(clickOnScreen(pref().BTN_Mount_Stop));
    endedBy("the Preferences' Stop");

    ASSERT_NO_FATAL_FAILURE(startGoto());
    ASSERT_TRUE(clickOnScreen(d.BTN_Abort));
    endedBy("the dialog's Abort");

    // The telescope gone in the middle of a slew: the goto's polls and the
    // abort that ends it all fail for one cause, told once, and the goto
    // ends with its own message.
    ASSERT_NO_FATAL_FAILURE(startGoto());
    owned.reset();
    ASSERT_TRUE(waitUntil([] { return !Scripts::GotoRunning; }, 20000));
    ASSERT_TRUE(waitUntil(bridgeIdle, 20000));   // every failure told
    EXPECT_TRUE(d.BTN_Goto->isEnabled());
    EXPECT_TRUE(FRM_Raquette->BTN_GOTO->isEnabled());
    EXPECT_EQ(messages().count(QStringLiteral("Télescope Alpaca")), 1) << messages().toStdString();
    EXPECT_EQ(messages().count(QStringLiteral("Goto interrompu")), 1) << messages().toStdString();
}

TEST_F(AlpacaFieldTest, AFailureIsToldOnceStopsItsMoveAndLaterRequestsStillGo)
{
    AlpacaPeer peer;
    choosePeer(peer);
    ASSERT_TRUE(connect());

    // A refused move: told once, its axis stopped, the next press served.
    peer.configure([](AlpacaPeer::Config& c) { c.faults[QStringLiteral("moveaxis")] = {0x500, 0, false, false, 1}; });
    emit FRM_Raquette->BTN_E->pressed();
    ASSERT_TRUE(waitUntil([] { return messages().contains(QStringLiteral("moveaxis")); }));
    EXPECT_EQ(messages().count(QStringLiteral("moveaxis")), 1);
    EXPECT_TRUE(peer.waitForCalls(QStringLiteral("PUT moveaxis Axis=0&Rate=0"), 1));
    emit FRM_Raquette->BTN_E->released();
    EXPECT_FALSE(pref().BTN_Mount_Connecter->isEnabled()) << "still connected";
    emit FRM_Raquette->BTN_N->pressed();
    ASSERT_TRUE(peer.waitForCalls(QStringLiteral("PUT moveaxis Axis=1&Rate=2"), 1));
    emit FRM_Raquette->BTN_N->released();

    // A cut reply and a read that hangs: told, and the goto and its abort
    // still reach the device.
    peer.configure([](AlpacaPeer::Config& c) {
        c.faults[QStringLiteral("declination")] = {0, 0, false, true, 1};
        c.faults[QStringLiteral("rightascension")] = {0, 0, true, false, 1};
    });
    FRM_Raquette->BTN_Position_Actuelle->click();
    ASSERT_TRUE(waitUntil([] { return messages().contains(QStringLiteral("declination")); }));
    gotoFromTheDialog(4 * 54000.0, 0);
    ASSERT_TRUE(peer.waitForCalls(QStringLiteral("PUT slewtocoordinatesasync"), 1));
    FRM_ObjectAction->BTN_AbortClick();
    ASSERT_TRUE(peer.waitForCalls(QStringLiteral("PUT abortslew"), 1));

    // A refused slew ends the goto with a message.
    peer.configure([](AlpacaPeer::Config& c) {
        c.faults[QStringLiteral("slewtocoordinatesasync")] = {0x401, 0, false, false, 1};
    });
    gotoFromTheDialog(5 * 54000.0, 0);
    ASSERT_TRUE(waitUntil([] { return !Scripts::GotoRunning; }));
    EXPECT_TRUE(messages().contains(QStringLiteral("Goto impossible")));
    EXPECT_TRUE(FRM_ObjectAction->BTN_Goto->isEnabled());

    // Keys in lower case: a refusal is a refusal.
    peer.configure([](AlpacaPeer::Config& c) {
        c.lowerCaseKeys = true;
        c.faults[QStringLiteral("rightascension")] = {0x407, 0, false, false, 1};
    });
    TelescopeRA = 123;
    FRM_Raquette->BTN_Position_Actuelle->click();
    ASSERT_TRUE(waitUntil([] { return TelescopeDec == 20.25 * 3600; }));
    ASSERT_TRUE(waitUntil(bridgeIdle));
    EXPECT_EQ(TelescopeRA, 123.0);
}

TEST_F(AlpacaFieldTest, MovesUseARateTheDeviceAllows)
{
    AlpacaPeer peer;
    peer.configure([](AlpacaPeer::Config& c) { c.ranges[1] = {{0.0, 0.5}, {1.0, 1.5}}; });
    // No rates file: the hand pad still moves, at the fastest allowed rate.
    choosePeer(peer);
    ASSERT_TRUE(connect());
    EXPECT_EQ(FRM_Raquette->CBX_Rate->count(), 0);
    pressAndRelease(FRM_Raquette->BTN_N, 50);
    ASSERT_TRUE(peer.waitForCalls(QStringLiteral("PUT moveaxis Axis=1&Rate=0"), 1));
    EXPECT_EQ(peer.callTexts(QStringLiteral("PUT moveaxis Axis=1&Rate=1.5")).size(), 1);
    pressAndRelease(FRM_Raquette->BTN_W, 50);
    EXPECT_TRUE(peer.waitForCalls(QStringLiteral("PUT moveaxis Axis=0&Rate=2"), 1));
    EXPECT_EQ(peer.callTexts(QStringLiteral("PUT moveaxis Axis=1&Rate=3")).size(), 0);

    // The shipped rates file: only the rates the device allows are listed.
    pref().BTN_Mount_Deconnecter->click();
    dir.writeFile(QStringLiteral("ASComRates.ini"), "[AxisRates]\r\nGuidage=0.0042\r\nLent=1\r\nPointage=2\r\nRapide=4\r\n");
    ASSERT_TRUE(connect());
    QStringList names;
    for (int i = 0; i < FRM_Raquette->CBX_Rate->count(); ++i)
        names << FRM_Raquette->CBX_Rate->itemText(i);
    EXPECT_EQ(names, (QStringList{"Guidage", "Lent", "Pointage"}));
    // "Lent" (1 °/s) on an axis allowing 0-0.5 and 1-1.5 goes out as 1.
    FRM_Raquette->CBX_Rate->setCurrentIndex(1);
    FRM_Raquette->CBX_RateChange();
    peer.clearCalls();
    pressAndRelease(FRM_Raquette->BTN_S, 50);
    ASSERT_TRUE(peer.waitForCalls(QStringLiteral("PUT moveaxis Axis=1&Rate=0"), 1));
    EXPECT_EQ(peer.callTexts(QStringLiteral("PUT moveaxis Axis=1")).first(), QStringLiteral("PUT moveaxis Axis=1&Rate=-1"));

    // The rate scroll bar's steps do not pile up behind a slow device: a
    // step not sent yet is replaced by the next one.
    peer.configure([](AlpacaPeer::Config& c) { c.delay_ms = 300; });
    Prg_Suivi::AscomSync(3 * 54000.0, 0);   // the ordinary requests are busy
    peer.clearCalls();
    FRM_Raquette->SCB_Rate->setValue(100);
    FRM_Raquette->SCB_Rate->setValue(200);
    ASSERT_TRUE(peer.waitForCalls(QStringLiteral("PUT moveaxis Axis=0"), 1));
    ASSERT_TRUE(waitUntil(bridgeIdle));
    EXPECT_EQ(peer.callTexts(QStringLiteral("PUT moveaxis Axis=0")),
              QStringList{QStringLiteral("PUT moveaxis Axis=0&Rate=%1").arg(Alpaca::FormatNumber(200 / 3600.0))});
    FRM_Raquette->SCB_Rate->setValue(0);
    ASSERT_TRUE(peer.waitForCalls(QStringLiteral("PUT moveaxis Axis=0&Rate=0"), 1));
}

TEST_F(AlpacaFieldTest, ConnectingRunsInTheBackgroundOnceAndWithinItsBound)
{
    AlpacaPeer peer;
    peer.configure([](AlpacaPeer::Config& c) { c.delay_ms = 1000; });
    choosePeer(peer);
    ASSERT_TRUE(waitUntil(bridgeIdle));
    pref().BTN_Mount_Connecter->click();
    EXPECT_FALSE(bridgeIdle()) << "the click waited for the device";
    EXPECT_FALSE(pref().BTN_Mount_Connecter->isEnabled()) << "no second attempt";
    EXPECT_TRUE(pref().LBL_Error_Ascom->text().contains(QStringLiteral("en cours")));
    Prg_Suivi::MountConnectClick();   // an automatic connection meanwhile
    ASSERT_TRUE(waitUntil([] { return connected(); }, 12000));
    EXPECT_EQ(peer.callTexts(QStringLiteral("PUT connected")).size(), 1);
    EXPECT_TRUE(AscomBridge::AscomSharedData.Connected);

    // A device that never answers: a clear message, "Connecter" again.
    pref().BTN_Mount_Deconnecter->click();
    ASSERT_TRUE(peer.waitForCalls(QStringLiteral("PUT connected Connected=false"), 1));
    ASSERT_TRUE(waitUntil(bridgeIdle));
    peer.configure([](AlpacaPeer::Config& c) { c.faults[QStringLiteral("*")] = {0, 0, true, false, -1}; });
    ASSERT_TRUE(pref().BTN_Mount_Connecter->isEnabled());
    pref().BTN_Mount_Connecter->click();
    ASSERT_TRUE(waitUntil([this] { return pref().BTN_Mount_Connecter->isEnabled(); }, 14000));
    EXPECT_FALSE(pref().BTN_Mount_Deconnecter->isEnabled());
    EXPECT_FALSE(pref().LBL_Error_Ascom->text().isEmpty());
    EXPECT_FALSE(AscomBridge::AscomSharedData.Connected);
}

TEST_F(AlpacaFieldTest, AfterADisconnectionAnotherTelescopeIsTypedAndConnected)
{
    AlpacaPeer first, second;
    choosePeer(first);
    ASSERT_TRUE(connect());
    pref().BTN_Mount_Deconnecter->click();
    ASSERT_TRUE(first.waitForCalls(QStringLiteral("PUT connected Connected=false"), 1));
    ASSERT_TRUE(waitUntil([this] { return pref().BTN_Mount_Connecter->isEnabled(); }));
    EXPECT_FALSE(pref().BTN_ASCOM_Configurer->isEnabled());

    QLineEdit* address = pref().EDT_ASCOM_Telescope;
    EXPECT_TRUE(address->isEnabled());
    address->selectAll();
    QTest::keyClicks(address, second.address());
    EXPECT_EQ(address->text(), second.address());
    ASSERT_TRUE(connect());
    EXPECT_EQ(second.callTexts(QStringLiteral("PUT connected Connected=true")).size(), 1);
    EXPECT_TRUE(pref().BTN_ASCOM_Configurer->isEnabled()) << "the connection gives back what the disconnection took";
}

namespace {

// Watches the next chooser shown on screen and answers it with one real key
// typed in it; what it saw on the way.
struct ChooserOnScreen : QObject {
    explicit ChooserOnScreen(Qt::Key answer)
        : key(answer)
    {
        qApp->installEventFilter(this);
        QTimer::singleShot(10, this, &ChooserOnScreen::look);
    }
    bool eventFilter(QObject* obj, QEvent* e) override
    {
        if (e->type() == QEvent::Show && qobject_cast<QInputDialog*>(obj))
            throughPath = Systeme::ShowingThroughPath(static_cast<QWidget*>(obj));
        return false;
    }
    void look()
    {
        auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isActiveWindow()) {
            if (++looks < 800)
                QTimer::singleShot(10, this, &ChooserOnScreen::look);
            return;
        }
        title = dialog->windowTitle();
        inFront = dialog->windowFlags().testFlag(Qt::WindowStaysOnTopHint)
                  && dialog->windowModality() == Qt::ApplicationModal;
        if (auto* combo = dialog->findChild<QComboBox*>())
            for (int i = 0; i < combo->count(); ++i)
                offered << combo->itemText(i);
        QWidget* typedIn = dialog->focusWidget() ? dialog->focusWidget() : dialog;
        QTest::keyClick(typedIn, key);
        goneAfterOneKey = !dialog->isVisible();
        answered = true;
        if (dialog->isVisible())
            dialog->reject();
    }
    Qt::Key key;
    int looks = 0;
    bool throughPath = false, inFront = false, goneAfterOneKey = false, answered = false;
    QString title;
    QStringList offered;
};

} // namespace

TEST_F(AlpacaFieldTest, TheChooserOffersTheTelescopesThatAnswerTheDiscovery)
{
    AlpacaPeer first(true), second(true);
    second.configure([](AlpacaPeer::Config& c) { c.name = QStringLiteral("Seconde monture"); });
    Alpaca::DiscoveryPorts = {first.discoveryPort(), second.discoveryPort()};
    Alpaca::DiscoveryBroadcast = false;
    choosePeer(first);
    pref().EDT_ASCOM_Telescope->clear();
    QStringList offered;
    Alpaca::SetChooserDialog([&](const QStringList& entries, const QString&) -> std::optional<QString> {
        offered = entries;
        return entries.filter(QStringLiteral("Seconde")).value(0);
    });
    pref().BTN_Choose->click();
    EXPECT_FALSE(pref().BTN_Choose->isEnabled()) << "one search at a time";
    ASSERT_TRUE(waitUntil([&] { return !offered.isEmpty(); }));
    QStringList expected{first.address() + QStringLiteral(" – Monture de terrain"),
                         second.address() + QStringLiteral(" – Seconde monture")};
    offered.sort();
    expected.sort();
    EXPECT_EQ(offered, expected);
    EXPECT_EQ(pref().EDT_ASCOM_Telescope->text(), second.address());
    ASSERT_TRUE(second.waitForCalls(QStringLiteral("PUT connected Connected=true"), 1));
    ASSERT_TRUE(waitUntil([this] { return pref().BTN_Mount_Connecter->isEnabled(); }));
    EXPECT_TRUE(first.callTexts(QStringLiteral("PUT")).isEmpty());

    // "Configurer" opens the chosen device's setup page.
    QString opened;
    Desktop::SetDocumentOpener([&](const QString& url) {
        opened = url;
        return true;
    });
    pref().BTN_ASCOM_Configurer->click();
    Desktop::SetDocumentOpener({});
    EXPECT_EQ(opened, QStringLiteral("http://%1/setup/v1/telescope/0/setup").arg(second.address().section(u'/', 0, 0)));
    // With nothing on the machine to open it, a box says so with the address.
    {
        testsupport::ScreenBoxes boxes;
        Desktop::SetDocumentOpener([](const QString&) { return false; });
        ASSERT_TRUE(clickOnScreen(pref().BTN_ASCOM_Configurer));
        Desktop::SetDocumentOpener({});
        ASSERT_EQ(boxes.texts.size(), 1);
        EXPECT_TRUE(boxes.texts[0].contains(opened)) << boxes.texts[0].toStdString();
    }

    // The real chooser, with the tracking window (kept on top) on screen:
    // it shows through the show path, in front of every window, and one
    // Escape, then one Return, typed in it answers it.
    Alpaca::SetChooserDialog({});
    Alpaca::DiscoveryPorts = {second.discoveryPort()};
    Systeme::ShowFormOnScreen(FRM_Tool_Suivi);
    ASSERT_TRUE(FRM_Tool_Suivi->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    for (const int key : {Qt::Key_Escape, Qt::Key_Return}) {
        SCOPED_TRACE(key);
        ChooserOnScreen chooser{Qt::Key(key)};
        ASSERT_TRUE(clickOnScreen(pref().BTN_Choose));
        ASSERT_TRUE(waitUntil([&] { return chooser.answered && pref().BTN_Choose->isEnabled(); }));
        EXPECT_TRUE(chooser.throughPath);
        EXPECT_TRUE(chooser.inFront);
        EXPECT_EQ(chooser.title, QStringLiteral("Choix du télescope"));
        EXPECT_EQ(chooser.offered, QStringList{second.address() + QStringLiteral(" – Seconde monture")});
        EXPECT_TRUE(chooser.goneAfterOneKey);
    }
    // Escape named no telescope; Return took the one offered.
    EXPECT_EQ(pref().EDT_ASCOM_Telescope->text(), second.address());
    ASSERT_TRUE(waitUntil([this] { return pref().BTN_Mount_Connecter->isEnabled(); }));
    FRM_Tool_Suivi->hide();

    // Nothing answers: one clear message, and the address can be typed.
    Alpaca::DiscoveryPorts = {1};
    offered.clear();
    pref().BTN_Choose->click();
    ASSERT_TRUE(waitUntil([this] { return pref().BTN_Choose->isEnabled(); }));
    EXPECT_TRUE(offered.isEmpty());
    EXPECT_EQ(messages().count(QStringLiteral("Aucun télescope Alpaca")), 1);
    EXPECT_FALSE(pref().EDT_ASCOM_Telescope->isReadOnly());
}

namespace {

std::string panelColour() { return FRM_Pref->PNL_ASCOM_Status->palette().color(QPalette::Window).name().toStdString(); }
const std::string kGreen = "#00ff00";
const std::string kRed = "#ff0000";

// A chooser fed by the discovery of one peer, that takes its telescope.
void chooseFirstFound(const AlpacaPeer& peer)
{
    Alpaca::DiscoveryPorts = {peer.discoveryPort()};
    Alpaca::DiscoveryBroadcast = false;
    Alpaca::SetChooserDialog(
        [](const QStringList& entries, const QString&) -> std::optional<QString> { return entries.value(0); });
}

} // namespace

// A device that answers each call in 2 s: a telescope chosen with "..."
// starts the connection, and "Connecter" clicked while it runs (early or
// late in it) waits for it. One connection reaches the device, the panel is
// green, nothing is told, every button says connected, and the hand pad
// then moves the mount. Three rounds, each pressing at another moment.
TEST_F(AlpacaFieldTest, ATelescopeChosenWhileConnecterIsPressedMakesOneConnectionThatTheHandPadDrives)
{
    AlpacaPeer peer(true);
    peer.configure([](AlpacaPeer::Config& c) {
        c.delay_ms = 2000;
        c.delayOf[QStringLiteral("configureddevices")] = 0;
    });
    chooseFirstFound(peer);
    ASSERT_TRUE(clickOnScreen(pref().RDB_Mount_ASCOM));
    ASSERT_TRUE(AscomBridge::Running());
    for (const int pressAfter_ms : {0, 1000, 3500}) {
        SCOPED_TRACE(pressAfter_ms);
        peer.clearCalls();
        FRM_Message->MEMO_Message->clear();
        ASSERT_TRUE(clickOnScreen(pref().BTN_Choose));
        ASSERT_TRUE(waitUntil([&] { return !peer.callTexts(QStringLiteral("PUT connected Connected=true")).isEmpty(); }));
        pumpFor(pressAfter_ms);
        ASSERT_TRUE(clickOnScreen(pref().BTN_Mount_Connecter));
        ASSERT_TRUE(waitUntil([] { return connected(); }, 15000));
        // Whatever the attempt or the click asked has been answered: a
        // second connection would have shown by now.
        ASSERT_TRUE(waitUntil(bridgeIdle, 30000));
        EXPECT_TRUE(connected());
        EXPECT_EQ(panelColour(), kGreen);
        EXPECT_TRUE(pref().LBL_Error_Ascom->text().isEmpty()) << pref().LBL_Error_Ascom->text().toStdString();
        EXPECT_TRUE(pref().BTN_Mount_Nord->isEnabled());
        EXPECT_TRUE(messages().isEmpty()) << messages().toStdString();
        EXPECT_EQ(peer.callTexts(QStringLiteral("PUT connected Connected=true")).size(), 1);

        ASSERT_TRUE(pressOnScreen(FRM_Raquette->BTN_N));
        EXPECT_TRUE(peer.waitForCalls(QStringLiteral("PUT moveaxis Axis=1&Rate=2"), 1, 8000));
        releaseOnScreen(FRM_Raquette->BTN_N);
        EXPECT_TRUE(peer.waitForCalls(QStringLiteral("PUT moveaxis Axis=1&Rate=0"), 1, 8000));

        ASSERT_TRUE(clickOnScreen(pref().BTN_Mount_Deconnecter));
        ASSERT_TRUE(peer.waitForCalls(QStringLiteral("PUT connected Connected=false"), 1, 8000));
        ASSERT_TRUE(waitUntil([this] { return pref().BTN_Choose->isEnabled() && pref().BTN_Mount_Connecter->isEnabled(); }));
    }
}

// A device that never answers its connection, chosen with "..." and
// "Connecter" clicked meanwhile: not connected, red, told once, every
// button saying so. Twice, as the fault came one run in two.
TEST_F(AlpacaFieldTest, ATelescopeThatNeverAnswersItsConnectionEndsNotConnectedRedAndToldOnce)
{
    AlpacaPeer peer(true);
    peer.configure([](AlpacaPeer::Config& c) { c.faults[QStringLiteral("connected")] = {0, 0, true, false, -1}; });
    chooseFirstFound(peer);
    ASSERT_TRUE(clickOnScreen(pref().RDB_Mount_ASCOM));
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        peer.clearCalls();
        FRM_Message->MEMO_Message->clear();
        ASSERT_TRUE(waitUntil([this] { return pref().BTN_Choose->isEnabled(); }));
        ASSERT_TRUE(clickOnScreen(pref().BTN_Choose));
        ASSERT_TRUE(waitUntil([&] { return !peer.callTexts(QStringLiteral("PUT connected Connected=true")).isEmpty(); }));
        ASSERT_TRUE(clickOnScreen(pref().BTN_Mount_Connecter));
        ASSERT_TRUE(waitUntil([] { return !Prg_Suivi::AscomConnectionUnderWay(); }, 15000));
        ASSERT_TRUE(waitUntil(bridgeIdle, 30000));
        EXPECT_FALSE(Prg_Suivi::AscomConnectionUnderWay());
        EXPECT_FALSE(AscomBridge::AscomSharedData.Connected);
        EXPECT_FALSE(pref().BTN_Mount_Deconnecter->isEnabled());
        EXPECT_FALSE(pref().BTN_Mount_Nord->isEnabled());
        EXPECT_EQ(panelColour(), kRed);
        EXPECT_FALSE(pref().LBL_Error_Ascom->text().isEmpty());
        EXPECT_EQ(messages().count(QStringLiteral("connected")), 1) << messages().toStdString();
        EXPECT_EQ(messages().split(u'\n', Qt::SkipEmptyParts).size(), 1) << messages().toStdString();
        EXPECT_EQ(peer.callTexts(QStringLiteral("PUT connected Connected=true")).size(), 1);
    }
}

// A connection that cannot get its turn (a slow synchronous slew holds
// the device's line) ends on its own time, counted from the click: not
// connected, red, told once, "Connecter" back for another try.
TEST_F(AlpacaFieldTest, AConnectionThatNeverGetsItsTurnEndsWithinItsBound)
{
    AlpacaPeer peer;
    peer.configure([](AlpacaPeer::Config& c) {
        c.canSlewAsync = false;
        c.delayOf[QStringLiteral("slewtocoordinates")] = 20000;
    });
    choosePeer(peer);
    ASSERT_TRUE(connect());
    gotoFromTheDialog(6 * 54000.0, 45 * 3600.0);
    ASSERT_TRUE(waitUntil([&] { return !peer.callTexts(QStringLiteral("PUT slewtocoordinates")).isEmpty(); }));
    ASSERT_TRUE(clickOnScreen(pref().BTN_Mount_Deconnecter));
    FRM_Message->MEMO_Message->clear();
    ASSERT_TRUE(clickOnScreen(pref().BTN_Mount_Connecter));
    ASSERT_TRUE(waitUntil([] { return !Prg_Suivi::AscomConnectionUnderWay(); }, 15000));
    EXPECT_TRUE(pref().BTN_Mount_Connecter->isEnabled());
    // Once the slew has ended, the connection given up does not go out late.
    ASSERT_TRUE(waitUntil(bridgeIdle, 40000));
    EXPECT_FALSE(AscomBridge::AscomSharedData.Connected);
    EXPECT_FALSE(peer.state().connected);
    EXPECT_TRUE(pref().BTN_Mount_Connecter->isEnabled());
    EXPECT_FALSE(pref().BTN_Mount_Deconnecter->isEnabled());
    EXPECT_EQ(panelColour(), kRed);
    EXPECT_EQ(messages().split(u'\n', Qt::SkipEmptyParts).size(), 1) << messages().toStdString();
    EXPECT_EQ(peer.callTexts(QStringLiteral("PUT connected Connected=true")).size(), 1) << "only the first one";
}

// The mount and the guide port on one slow device. "Autoguidage" ticked
// starts the connection and "Suivi logiciel" ticked before it has ended
// lets go of the guide port: nobody waits for the connection any more, so
// it gives up, the device is left disconnected and every page and window
// says so. When "Connecter" of the mount started it, the mount's
// connection goes on and holds; only the guide port stops waiting, and
// once connected it lets go of nothing the mount holds.
TEST_F(AlpacaFieldTest, LettingGoOfTheGuidePortWhileTheDeviceConnectsEndsOnlyWhatItAskedFor)
{
    AlpacaPeer peer;
    peer.configure([](AlpacaPeer::Config& c) { c.delay_ms = 1000; });
    pref().EDT_ASCOM_Telescope->setText(peer.address());
    ASSERT_TRUE(clickOnScreen(pref().RDB_Mount_ASCOM));
    ASSERT_TRUE(clickOnScreen(pref().RDB_Autoguide_ASCOM));
    auto* s = FRM_Tool_Suivi;
    const auto connectionOut = [&](int count) {
        return waitUntil([&] { return peer.callTexts(QStringLiteral("PUT connected Connected=true")).size() >= count; });
    };

    ASSERT_TRUE(clickOnScreen(s->RDB_Autoguidage));
    ASSERT_TRUE(connectionOut(1));
    EXPECT_TRUE(s->RDB_Autoguidage->isChecked()) << "waits for the connection under way";
    ASSERT_TRUE(clickOnScreen(s->RDB_Suivi_logiciel));
    EXPECT_FALSE(Prg_Suivi::AscomConnectionUnderWay());
    ASSERT_TRUE(waitUntil(bridgeIdle, 15000));   // the device told it is not connected
    EXPECT_FALSE(peer.state().connected);
    EXPECT_EQ(peer.callTexts(QStringLiteral("PUT connected")).last().toStdString(), "PUT connected Connected=false");
    EXPECT_FALSE(AscomBridge::AscomSharedData.Connected);
    EXPECT_TRUE(pref().BTN_Mount_Connecter->isEnabled());
    EXPECT_FALSE(pref().BTN_Mount_Deconnecter->isEnabled());
    EXPECT_TRUE(pref().BTN_Autoguide_Connecter->isEnabled());
    EXPECT_FALSE(pref().BTN_Autoguide_Nord->isEnabled());
    EXPECT_FALSE(s->RDB_Autoguidage->isChecked());

    ASSERT_TRUE(clickOnScreen(pref().BTN_Mount_Connecter));
    ASSERT_TRUE(connectionOut(2));
    ASSERT_TRUE(clickOnScreen(s->RDB_Autoguidage));
    ASSERT_TRUE(clickOnScreen(s->RDB_Suivi_logiciel));
    EXPECT_FALSE(s->RDB_Autoguidage->isChecked());
    ASSERT_TRUE(waitUntil([] { return connected(); }, 12000));
    ASSERT_TRUE(waitUntil(bridgeIdle));
    EXPECT_TRUE(peer.state().connected);
    EXPECT_EQ(peer.callTexts(QStringLiteral("PUT connected Connected=true")).size(), 2);
    EXPECT_FALSE(pref().BTN_Autoguide_Nord->isEnabled()) << "the guide port did not connect";
    EXPECT_FALSE(s->RDB_Autoguidage->isChecked());

    // Connected, "Suivi logiciel" lets go of nothing the mount's page holds
    // as well: the device stays connected and both pages show it.
    const qsizetype letGo = peer.callTexts(QStringLiteral("PUT connected Connected=false")).size();
    ASSERT_TRUE(clickOnScreen(s->RDB_Autoguidage));
    ASSERT_TRUE(waitUntil([this] { return pref().BTN_Autoguide_Nord->isEnabled(); }));
    ASSERT_TRUE(clickOnScreen(s->RDB_Suivi_logiciel));
    ASSERT_TRUE(waitUntil(bridgeIdle));
    EXPECT_TRUE(peer.state().connected);
    EXPECT_EQ(peer.callTexts(QStringLiteral("PUT connected Connected=false")).size(), letGo);
    EXPECT_TRUE(AscomBridge::AscomSharedData.Connected);
    EXPECT_TRUE(pref().BTN_Mount_Deconnecter->isEnabled());
    EXPECT_TRUE(pref().BTN_Autoguide_Nord->isEnabled());
    EXPECT_TRUE(messages().isEmpty()) << messages().toStdString();
}

// A telescope chosen with "..." while "Connecter" connects the one typed:
// the chosen one's connection follows once the first has ended, and the
// mount page, connected by then, stays connected to it. A choice cancelled
// afterwards names no telescope: the connected one is let go, and every
// button says so.
TEST_F(AlpacaFieldTest, ATelescopeChosenWhileAnotherConnectsFollowsItAndACancelledChoiceLetsItGo)
{
    AlpacaPeer typed, chosen(true);
    typed.configure([](AlpacaPeer::Config& c) { c.delay_ms = 1000; });
    chosen.configure([](AlpacaPeer::Config& c) { c.name = QStringLiteral("Choisie"); });
    chooseFirstFound(chosen);
    choosePeer(typed);
    ASSERT_TRUE(clickOnScreen(pref().BTN_Mount_Connecter));
    ASSERT_TRUE(clickOnScreen(pref().BTN_Choose));
    ASSERT_TRUE(waitUntil([this, &chosen] { return pref().EDT_ASCOM_Telescope->text() == chosen.address(); }));
    EXPECT_TRUE(chosen.callTexts(QStringLiteral("PUT connected")).isEmpty()) << "not while the first one runs";
    ASSERT_TRUE(waitUntil([&] { return !chosen.callTexts(QStringLiteral("PUT connected Connected=true")).isEmpty(); }, 8000));
    ASSERT_TRUE(waitUntil([] { return connected(); }, 8000));
    EXPECT_EQ(typed.callTexts(QStringLiteral("PUT connected Connected=true")).size(), 1);
    EXPECT_EQ(chosen.callTexts(QStringLiteral("PUT connected Connected=true")).size(), 1);
    ASSERT_TRUE(pressOnScreen(FRM_Raquette->BTN_E));
    EXPECT_TRUE(waitUntil([&] { return !chosen.callTexts(QStringLiteral("PUT moveaxis Axis=0&Rate=-2")).isEmpty(); }));
    releaseOnScreen(FRM_Raquette->BTN_E);
    EXPECT_TRUE(waitUntil([&] { return !chosen.callTexts(QStringLiteral("PUT moveaxis Axis=0&Rate=0")).isEmpty(); }));
    EXPECT_TRUE(typed.callTexts(QStringLiteral("PUT moveaxis")).isEmpty());
    EXPECT_TRUE(messages().isEmpty()) << messages().toStdString();

    // While autoguiding sends its pulses through it, a cancelled choice
    // says so and lets nothing go.
    Alpaca::SetChooserDialog([](const QStringList&, const QString&) -> std::optional<QString> { return std::nullopt; });
    auto* s = FRM_Tool_Suivi;
    Systeme::ShowFormOnScreen(s);
    ASSERT_TRUE(clickOnScreen(s->CKB_Suivi));
    ASSERT_TRUE(clickOnScreen(s->RDB_Autoguidage));
    ASSERT_TRUE(s->RDB_Autoguidage->isChecked());
    ASSERT_TRUE(clickOnScreen(pref().BTN_Choose));
    ASSERT_TRUE(waitUntil([] { return messages().contains(TranslatedTexts.MSG_Deconnexion_Autoguidage); }));
    ASSERT_TRUE(waitUntil(bridgeIdle));
    EXPECT_EQ(pref().EDT_ASCOM_Telescope->text(), chosen.address());
    EXPECT_TRUE(chosen.callTexts(QStringLiteral("PUT connected Connected=false")).isEmpty());
    EXPECT_TRUE(AscomBridge::AscomSharedData.Connected);
    EXPECT_TRUE(pref().BTN_Mount_Deconnecter->isEnabled());
    EXPECT_FALSE(pref().BTN_Mount_Connecter->isEnabled());
    ASSERT_TRUE(clickOnScreen(s->CKB_Suivi));
    s->hide();

    ASSERT_TRUE(clickOnScreen(pref().BTN_Choose));
    ASSERT_TRUE(waitUntil([this] { return pref().EDT_ASCOM_Telescope->text().isEmpty(); }));
    ASSERT_TRUE(waitUntil([&] { return !chosen.callTexts(QStringLiteral("PUT connected Connected=false")).isEmpty(); }));
    EXPECT_FALSE(AscomBridge::AscomSharedData.Connected);
    EXPECT_FALSE(pref().BTN_Mount_Deconnecter->isEnabled());
    EXPECT_FALSE(pref().BTN_Mount_Nord->isEnabled());
    EXPECT_FALSE(pref().BTN_Mount_Connecter->isEnabled()) << "no telescope to connect";
    EXPECT_TRUE(pref().RDB_Mount_LX200->isEnabled());
}

TEST_F(AlpacaFieldTest, ADeviceWithoutMoveAxisGetsNoStopAndNoMessage)
{
    AlpacaPeer peer;
    peer.configure([](AlpacaPeer::Config& c) { c.canMoveAxis = {false, false, false}; });
    choosePeer(peer);
    ASSERT_TRUE(connect());
    pressAndRelease(FRM_Raquette->BTN_N, 50);
    FRM_Raquette->BTN_Position_Actuelle->click();
    ASSERT_TRUE(waitUntil([] { return TelescopeDec == 20.25 * 3600; }));
    ASSERT_TRUE(waitUntil(bridgeIdle));
    EXPECT_TRUE(peer.callTexts(QStringLiteral("PUT moveaxis")).isEmpty());
    EXPECT_TRUE(messages().isEmpty()) << messages().toStdString();
}

TEST_F(MountTest, TheTrackingStepsFocusMeasuresDriveTheAutomaticFocusing)
{
    // The program assigns the hook: every SPED_Nb_Mesures-th measure makes
    // a step of the focuser (on the LX200 mount's port here).
    ASSERT_TRUE(TrackingHooks.AutofocusMeasure);
    pref().RDB_Mount_LX200->setChecked(true);
    pref().RDB_Focus_LX200->setChecked(true);
    ASSERT_TRUE(Prg_Suivi::ConnectMount());
    pref().SPED_Nb_Mesures->setValue(3);
    pref().SPED_Tps_Base_Autofocus->setValue(60000);
    pref().TNI_FWHM_Stop->SetValue(2.0);
    FRM_Raquette->RDB_AF_Rapide->setChecked(true);
    FRM_Raquette->BTN_Demarrer_Autofocus->click();
    ASSERT_FALSE(FRM_Raquette->BTN_Demarrer_Autofocus->isEnabled());
    const auto measures = [](double fwhm, int n) {
        for (int i = 0; i < n; ++i)
            TrackingHooks.AutofocusMeasure(fwhm, 3);
    };
    measures(6.0, 2);
    ASSERT_TRUE(settle());
    for (const QByteArray& c : mount.commands())
        EXPECT_FALSE(c.startsWith(":F")) << "two measures are not enough";
    measures(6.0, 1);
    ASSERT_TRUE(settle());
    EXPECT_TRUE(mount.commands().contains(":F-#")) << "inwards first";
    EXPECT_TRUE(FRM_Raquette->TMR_Autofocus->isActive());
    measures(5.0, 5);   // while it moves, measures do nothing
    FRM_Raquette->TMR_AutofocusTimer();
    ASSERT_TRUE(settle());
    EXPECT_TRUE(mount.commands().contains(":FQ#"));
    measures(7.0, 3);   // worse: the other way
    ASSERT_TRUE(settle());
    EXPECT_TRUE(mount.commands().contains(":F+#"));
    FRM_Raquette->TMR_AutofocusTimer();
    measures(1.5, 3);   // the target reached: it stops
    EXPECT_TRUE(FRM_Raquette->BTN_Demarrer_Autofocus->isEnabled());
    EXPECT_FALSE(FRM_Raquette->TMR_Autofocus->isActive());
}

TEST(JoystickAbsent, IsLookedForAboutOnceASecond)
{
    TfrmJoy joy;
    joy.Timer1->stop();
    joy.SetJoystickHandler([](std::uint16_t, double, double, double, double) {});
    joy.Active = true;   // switched on: an off stick is not looked for at all
    joy.DevicePath = QStringLiteral("/nonexistent/js9");
    for (int i = 0; i < 20; ++i)
        joy.Timer1Timer();
    EXPECT_EQ(joy.OpenAttempts, 1);
    joy.DevicePath = QStringLiteral("/nonexistent/js8");   // another device: looked for at once
    joy.Timer1Timer();
    EXPECT_EQ(joy.OpenAttempts, 2);
}

// ---- Autoguiding through an Alpaca telescope ----------------------------------

namespace {

constexpr double kGuideScale = 0.5;   // seconds of arc per pixel
constexpr double kGuideSpeed = 30;    // the mount's guide speed, seconds of arc per second

// The guide camera on slot 1, its star as the tracked star, the optics'
// scale, guide moves of exactly their length; returns the star's place.
QPoint prepareAlpacaGuiding(const testsupport::StarField& field)
{
    Translation::ResetTexts();   // the direction words of the readouts
    const QPoint start(int(std::lround(field.stars()[0].x)), int(std::lround(field.stars()[0].y)));
    aimTheGuideCameraAt(field, start);
    FRM_Tool_Affichage->TNI_Taille_ZDetect->SetValue(40);
    FRM_Tool_Mesures->TNI_Echantillonnage->SetValue(kGuideScale);
    TFRM_Pref& p = *FRM_Pref;
    plainGuideMoves(p);
    p.SPED_Impulsions_Maxi->setValue(p.SPED_Impulsions_Maxi->maximum());
    MotorSpeeds = {kGuideSpeed, kGuideSpeed, kGuideSpeed, kGuideSpeed};
    auto* s = FRM_Tool_Suivi;
    s->RDB_Somax->click();
    s->SPED_Intervalle_Guidage->setValue(1);
    s->SPED_Intervalle_Moy->setValue(1);
    return start;
}

struct GuidingRun {
    double worst = 0;                // farthest the star went from its place, pixels
    QPointF last;                    // the star's last place
    QStringList pulses;              // "PUT pulseguide Direction=3&Duration=166", as sent
};

// Five minutes of a drifting sky (1 and -0.4 pixels a second), a frame each
// 100 ms on the fake clock. Each pulse the program asks for moves the sky
// back for its duration at the guide speed, as the device does.
GuidingRun guideFiveMinutes(testsupport::FakeClock& clock, const testsupport::StarField& field, QPoint start,
                            int frames = 3000)
{
    GuidingRun run;
    const QString names[] = {TranslatedTexts.Txt_Nord, TranslatedTexts.Txt_Sud, TranslatedTexts.Txt_Est,
                             TranslatedTexts.Txt_Ouest};
    std::array<std::int64_t, 2> until{-1, -1};   // end of the pulse on each axis
    std::array<std::uint8_t, 2> towards{};
    double backX = 0, backY = 0;
    const std::int64_t t0 = clock.monotonicMs();
    for (int frame = 0; frame < frames; ++frame) {
        for (int ms = 0; ms < 100; ++ms) {
            clock.advanceMs(1);
            const std::int64_t now = clock.monotonicMs();
            for (std::size_t axis = 0; axis < 2; ++axis) {
                if (now > until[axis])
                    continue;
                const double step = kGuideSpeed / 1000 / kGuideScale;
                switch (towards[axis]) {
                case dirEast: backX += step; break;
                case dirWest: backX -= step; break;
                case dirNorth: backY += step; break;
                default: backY -= step; break;
                }
            }
        }
        const double seconds = double(clock.monotonicMs() - t0) / 1000;
        const double dx = seconds + backX, dy = -0.4 * seconds + backY;
        field.renderInto(*SlotBitmaps[1][0], dx, dy, std::uint32_t(frame));
        run.worst = std::max(run.worst, std::hypot(dx, dy));
        run.last = QPointF(start) + QPointF(dx, dy);
        for (QLineEdit* e : {FRM_Prg_Suivi->EDT_Duree_AD, FRM_Prg_Suivi->EDT_Duree_Dec})
            e->clear();
        std::uint8_t keep = 0;
        Align_V::ProcessFrame(1, keep, 1);
        QCoreApplication::processEvents();
        const std::pair<QLineEdit*, QLineEdit*> axes[] = {{FRM_Prg_Suivi->EDT_Dir_AD, FRM_Prg_Suivi->EDT_Duree_AD},
                                                          {FRM_Prg_Suivi->EDT_Dir_Dec, FRM_Prg_Suivi->EDT_Duree_Dec}};
        for (std::size_t axis = 0; axis < 2; ++axis) {
            const int duration = axes[axis].second->text().toInt();
            if (duration <= 0)
                continue;
            const auto d = std::uint8_t(std::find(std::begin(names), std::end(names), axes[axis].first->text()) - names);
            towards[axis] = d;
            until[axis] = clock.monotonicMs() + duration;
            run.pulses << QStringLiteral("PUT pulseguide Direction=%1&Duration=%2").arg(d).arg(duration);
        }
    }
    return run;
}

// The run held the star within 2 pixels, and every pulse it asked for
// reached the device as it was asked, in order.
void expectHeldAndDelivered(const GuidingRun& run, const std::function<QStringList()>& devicePulses)
{
    EXPECT_LE(run.worst, 2.0) << "the star left its place by " << run.worst << " pixels";
    ASSERT_GT(run.pulses.size(), 100);
    ASSERT_TRUE(waitUntil([&] { return devicePulses().size() >= run.pulses.size(); }, 60000));
    EXPECT_EQ(devicePulses().join('\n').toStdString(), run.pulses.join('\n').toStdString());
}

} // namespace

// An Alpaca telescope that takes 1.5 s to answer its connection, as mount
// and guide port: "Autoguidage" ticked before it answered stays ticked, the
// mount's "Connecter" is left alone. "Suivi logiciel" then lets go of the
// port autoguiding alone held, and "Autoguidage" ticked again connects it
// once more, once. Its pulses then hold the drifting star for five
// simulated minutes, each one reaching the device as it was asked.
TEST_F(AlpacaFieldTest, AutoguidingWaitsForALateDeviceAndHoldsTheDriftingStar)
{
    AlpacaPeer peer;
    peer.configure([](AlpacaPeer::Config& c) { c.delayOf[QStringLiteral("connected")] = 1500; });
    pref().EDT_ASCOM_Telescope->setText(peer.address());
    pref().RDB_Mount_ASCOM->click();
    pref().RDB_Autoguide_ASCOM->click();
    ASSERT_TRUE(AscomBridge::Running());

    const testsupport::StarField field = guideStarSky();
    const QPoint start = prepareAlpacaGuiding(field);
    auto* s = FRM_Tool_Suivi;
    s->CKB_Suivi->click();
    s->RDB_Autoguidage->click();
    EXPECT_TRUE(s->RDB_Autoguidage->isChecked()) << "the answer is still to come";
    EXPECT_TRUE(pref().BTN_Mount_Connecter->isEnabled()) << "the guide port connects, not the mount";
    ASSERT_TRUE(waitUntil([] { return !Prg_Suivi::AscomConnectionUnderWay(); }, 15000));
    ASSERT_TRUE(AscomBridge::AscomSharedData.Connected);
    EXPECT_TRUE(s->RDB_Autoguidage->isChecked());
    EXPECT_TRUE(pref().BTN_Autoguide_Deconnecter->isEnabled() || !pref().BTN_Autoguide_Connecter->isEnabled());
    s->RDB_Suivi_logiciel->click();
    s->RDB_Autoguidage->click();
    EXPECT_TRUE(s->RDB_Autoguidage->isChecked());
    ASSERT_TRUE(waitUntil(bridgeIdle, 15000));
    EXPECT_EQ(peer.callTexts(QStringLiteral("PUT connected")),
              (QStringList{QStringLiteral("PUT connected Connected=true"), QStringLiteral("PUT connected Connected=false"),
                           QStringLiteral("PUT connected Connected=true")}));
    EXPECT_TRUE(s->RDB_Autoguidage->isChecked());
    ASSERT_TRUE(AscomBridge::AscomSharedData.Connected);

    peer.clearCalls();
    const GuidingRun run = guideFiveMinutes(clock, field, start);
    EXPECT_EQ(TrackedStarPos, start) << "autoguiding keeps the zone";
    ASSERT_NO_FATAL_FAILURE(
        expectHeldAndDelivered(run, [&] { return peer.callTexts(QStringLiteral("PUT pulseguide")); }));
    s->CKB_Suivi->click();
    EXPECT_TRUE(messages().isEmpty()) << messages().toStdString();
}

// A device that refuses its connection: "Autoguidage" is unticked again
// once it answered, and the message says why.
TEST_F(AlpacaFieldTest, AutoguidingThroughADeviceThatRefusesItsConnectionIsUntickedWithAMessage)
{
    AlpacaPeer peer;
    peer.configure([](AlpacaPeer::Config& c) {
        c.delay_ms = 300;
        c.faults[QStringLiteral("connected")] = AlpacaPeer::Fault{.errorNumber = 0x407};
    });
    pref().EDT_ASCOM_Telescope->setText(peer.address());
    pref().RDB_Autoguide_ASCOM->click();
    ASSERT_TRUE(AscomBridge::Running());
    auto* s = FRM_Tool_Suivi;
    s->RDB_Autoguidage->click();
    EXPECT_TRUE(s->RDB_Autoguidage->isChecked());
    ASSERT_TRUE(waitUntil([] { return !Prg_Suivi::AscomConnectionUnderWay(); }, 15000));
    EXPECT_FALSE(s->RDB_Autoguidage->isChecked());
    EXPECT_FALSE(messages().isEmpty()) << "the user is told";
    EXPECT_TRUE(pref().BTN_Autoguide_Connecter->isEnabled());
    EXPECT_TRUE(pref().BTN_Mount_Connecter->isEnabled());

    // No guide interface ends the bridge; the device chosen again, on a
    // bridge of its own, refuses again, and the user is told again.
    FRM_Message->MEMO_Message->clear();
    pref().RDB_Autoguide_Aucun->click();
    ASSERT_FALSE(AscomBridge::Running());
    pref().RDB_Autoguide_ASCOM->click();
    ASSERT_TRUE(AscomBridge::Running());
    s->RDB_Autoguidage->click();
    ASSERT_TRUE(waitUntil([] { return !Prg_Suivi::AscomConnectionUnderWay(); }, 15000));
    EXPECT_FALSE(s->RDB_Autoguidage->isChecked());
    EXPECT_FALSE(messages().isEmpty()) << "the user is told again";
}

// The shipped Alpaca simulator as guide port: ticked "Autoguidage" stays
// ticked once it answers, the pulses hold the star as through any device,
// and re-centring brings it to its target.
TEST_F(AlpacaFieldTest, AutoguidingAndRecentringThroughTheShippedAlpacaSimulatorPlaceTheStar)
{
    Telescope::AlpacaSimulator sim;
    ASSERT_TRUE(sim.listening());
    pref().EDT_ASCOM_Telescope->setText(QStringLiteral("127.0.0.1:%1/0").arg(sim.port()));
    pref().RDB_Autoguide_ASCOM->click();
    ASSERT_TRUE(AscomBridge::Running());
    const testsupport::StarField field = guideStarSky();
    const QPoint start = prepareAlpacaGuiding(field);
    auto* s = FRM_Tool_Suivi;
    s->CKB_Suivi->click();
    s->RDB_Autoguidage->click();
    ASSERT_TRUE(waitUntil([] { return !Prg_Suivi::AscomConnectionUnderWay(); }, 15000));
    ASSERT_TRUE(AscomBridge::AscomSharedData.Connected);
    ASSERT_TRUE(s->RDB_Autoguidage->isChecked());
    sim.clearCalls();
    const GuidingRun run = guideFiveMinutes(clock, field, start);
    ASSERT_NO_FATAL_FAILURE(
        expectHeldAndDelivered(run, [&] { return sim.calls().filter(QStringLiteral("PUT pulseguide")); }));

    // Re-centring on the same road: software tracking brings the star to a
    // target 20 pixels left and 8 down of it, and keeps it there.
    s->RDB_Suivi_logiciel->click();
    s->SPED_Intervalle_Guidage->setValue(5);
    s->CKB_Recentrage->click();
    const QPoint target = TrackedStarPos + QPoint(-20, 8);
    RecentreTarget = target;
    const GuidingRun recentred = guideFiveMinutes(clock, field, start, 300);
    EXPECT_LE(QLineF(recentred.last, QPointF(target)).length(), 2.0)
        << recentred.last.x() << "," << recentred.last.y() << " for " << target.x() << "," << target.y();
    s->CKB_Recentrage->click();
    s->CKB_Suivi->click();
    EXPECT_TRUE(messages().isEmpty()) << messages().toStdString();
}

// Re-centring through an Alpaca telescope that cannot be connected, with a
// correction due at every frame: each connects first again, but the user is
// told why once, in the message window, and never that a correction was
// not made; no box. The telescope refuses its connection, cuts its reply,
// or no server answers at all. "Connecter" tells it again.
TEST_F(AlpacaFieldTest, RecentringThroughATelescopeThatCannotBeConnectedTellsWhyOnce)
{
    const testsupport::StarField field = guideStarSky();
    const QPoint start = prepareAlpacaGuiding(field);
    auto* s = FRM_Tool_Suivi;
    s->SPED_Intervalle_Guidage->setValue(1);
    const AlpacaPeer::Fault refused{.errorNumber = 0x407}, cut{.cut = true};
    for (const AlpacaPeer::Fault* fault : {&refused, &cut, static_cast<const AlpacaPeer::Fault*>(nullptr)}) {
        auto peer = std::make_unique<AlpacaPeer>();
        if (fault)
            peer->configure([&](AlpacaPeer::Config& c) { c.faults[QStringLiteral("connected")] = *fault; });
        const QString address = peer->address();
        if (!fault)
            peer.reset();   // nothing listens there any more
        SCOPED_TRACE(address.toStdString());
        FRM_Message->MEMO_Message->clear();
        ASSERT_TRUE(clickOnScreen(pref().RDB_Mount_Aucun));
        pref().EDT_ASCOM_Telescope->setText(address);
        ASSERT_TRUE(clickOnScreen(pref().RDB_Mount_ASCOM));
        ASSERT_TRUE(clickOnScreen(s->RDB_Suivi_logiciel));
        if (!s->CKB_Suivi->isChecked()) {
            ASSERT_TRUE(clickOnScreen(s->CKB_Suivi));
        }
        if (!s->CKB_Recentrage->isChecked()) {
            ASSERT_TRUE(clickOnScreen(s->CKB_Recentrage));
        }
        RecentreTarget = TrackedStarPos + QPoint(-20, 8);
        for (int round = 0; round < 4; ++round) {
            guideFiveMinutes(clock, field, start, 10);
            ASSERT_TRUE(waitUntil([] { return bridgeIdle() && !Prg_Suivi::AscomConnectionUnderWay(); }, 15000));
        }
        if (peer) {   // each round's corrections connected first again
            EXPECT_GE(peer->callTexts(QStringLiteral("PUT connected")).size(), 4);
        }
        ASSERT_EQ(messages().split(u'\n', Qt::SkipEmptyParts).size(), 1) << messages().toStdString();
        EXPECT_TRUE(messages().contains(QStringLiteral("connected : "))) << messages().toStdString();
        EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join(u'|').toStdString();
        EXPECT_FALSE(pref().BTN_Mount_Deconnecter->isEnabled());
    }
    ASSERT_TRUE(clickOnScreen(pref().BTN_Mount_Connecter));
    ASSERT_TRUE(waitUntil([] { return bridgeIdle() && !Prg_Suivi::AscomConnectionUnderWay(); }, 15000));
    EXPECT_EQ(messages().split(u'\n', Qt::SkipEmptyParts).size(), 2) << messages().toStdString();
    ASSERT_TRUE(clickOnScreen(s->CKB_Recentrage));
    ASSERT_TRUE(clickOnScreen(s->CKB_Suivi));
}

// The shipped simulator connected, the program closed with its close box
// and started again (the mount page disconnected): the first press of the
// hand pad's N, held 1.5 s with the mouse, moves it north until the release.
TEST_F(AlpacaFieldTest, TheFirstPressAfterARestartMovesTheShippedSimulator)
{
    Telescope::AlpacaSimulator sim;
    dir.writeFile(QStringLiteral("sports.ini"), "      COM3\r\n");
    dir.writeFile(QStringLiteral("pports.ini"), "$378 (LPT1)\r\n");
    FRM_Alv->FormActivate();
    pref().EDT_ASCOM_Telescope->setText(QStringLiteral("127.0.0.1:%1/0").arg(sim.port()));
    pref().RDB_Mount_ASCOM->click();
    ASSERT_TRUE(connect());
    ASSERT_TRUE(FRM_Alv->close());
    Startup::DestroyWindows();
    testsupport::StartAsAFreshProcess();
    Startup::CreateWindows();
    FRM_Alv->FormActivate();
    ASSERT_TRUE(pref().BTN_Mount_Connecter->isEnabled());
    sim.clearCalls();
    const double decBefore = sim.state().decDegrees;
    ASSERT_TRUE(pressOnScreen(FRM_Raquette->BTN_N));
    ASSERT_TRUE(waitUntil([&] { return !sim.calls().filter(QStringLiteral("PUT moveaxis")).isEmpty(); }, 15000));
    pumpFor(1500);   // held while it moves
    releaseOnScreen(FRM_Raquette->BTN_N);
    ASSERT_TRUE(waitUntil([&] { return sim.calls().contains(QStringLiteral("PUT moveaxis Axis=1&Rate=0")); }));
    EXPECT_EQ(sim.calls().filter(QStringLiteral("PUT moveaxis")),
              (QStringList{QStringLiteral("PUT moveaxis Axis=1&Rate=3"), QStringLiteral("PUT moveaxis Axis=1&Rate=0")}));
    EXPECT_GT(sim.state().decDegrees - decBefore, 1.0) << "3 °/s for most of the press";
    EXPECT_TRUE(messages().isEmpty()) << messages().toStdString();
}

// A device whose connection answers late: a press held meanwhile moves it
// once it has answered; a press released before moves nothing; a press
// whose connection fails is refused with a message.
TEST_F(AlpacaFieldTest, AMoveAskedWhileTheConnectionComesUpIsMadeOnceItAnswersOrRefusedWithAMessage)
{
    AlpacaPeer peer;
    peer.configure([](AlpacaPeer::Config& c) { c.delayOf[QStringLiteral("connected")] = 700; });
    choosePeer(peer);
    const auto moves = [&] { return peer.callTexts(QStringLiteral("PUT moveaxis")).join(u' '); };
    for (int holdThroughTheAnswer = 1; holdThroughTheAnswer >= 0; --holdThroughTheAnswer) {
        ASSERT_TRUE(pressOnScreen(FRM_Raquette->BTN_N));
        ASSERT_TRUE(Prg_Suivi::AscomConnectionUnderWay());
        if (holdThroughTheAnswer) {
            ASSERT_TRUE(waitUntil([&] { return moves().contains(QStringLiteral("Rate=2")); }));
        }
        releaseOnScreen(FRM_Raquette->BTN_N);
        ASSERT_TRUE(waitUntil([&] { return connected() && (!holdThroughTheAnswer || moves().endsWith(QStringLiteral("Rate=0"))); }));
        ASSERT_TRUE(waitUntil(bridgeIdle));   // a move the answer made has reached the device
        EXPECT_EQ(moves().isEmpty(), !holdThroughTheAnswer) << moves().toStdString();
        pref().BTN_Mount_Deconnecter->click();
        ASSERT_TRUE(peer.waitForCalls(QStringLiteral("PUT connected Connected=false"), 1, 6000));
        ASSERT_TRUE(waitUntil(bridgeIdle));
        peer.clearCalls();
    }
    EXPECT_TRUE(messages().isEmpty()) << messages().toStdString();
    peer.configure([](AlpacaPeer::Config& c) { c.faults[QStringLiteral("connected")] = {0x407}; });
    ASSERT_TRUE(pressOnScreen(FRM_Raquette->BTN_S));
    ASSERT_TRUE(waitUntil([] { return !Prg_Suivi::AscomConnectionUnderWay(); }, 12000));
    releaseOnScreen(FRM_Raquette->BTN_S);
    EXPECT_FALSE(moves().contains(QStringLiteral("Rate=-")));
    EXPECT_TRUE(messages().contains(QStringLiteral("Mouvement non fait"))) << messages().toStdString();

    // A device that takes the connection, fails to tell a capability and is
    // slow to be told it is not connected: its refusal is told (and its
    // window takes the hand pad's) before the attempt has ended. The press
    // held meanwhile is refused all the same.
    ASSERT_TRUE(waitUntil(bridgeIdle, 15000));   // the connection the release asked for
    FRM_Message->MEMO_Message->clear();
    peer.configure([](AlpacaPeer::Config& c) {
        c.faults = {{QStringLiteral("canslew"), {0x400}}};
        c.delayOf[QStringLiteral("connected")] = 1000;
    });
    peer.clearCalls();
    FRM_Raquette->activateWindow();   // the user back on the hand pad, as a click there makes it
    ASSERT_TRUE(waitUntil([] { return FRM_Raquette->isActiveWindow(); }));
    ASSERT_TRUE(pressOnScreen(FRM_Raquette->BTN_W));
    ASSERT_TRUE(Prg_Suivi::AscomConnectionUnderWay());
    ASSERT_TRUE(waitUntil([] { return !Prg_Suivi::AscomConnectionUnderWay(); }, 15000));
    releaseOnScreen(FRM_Raquette->BTN_W);
    EXPECT_TRUE(messages().contains(QStringLiteral("canslew"))) << messages().toStdString();
    EXPECT_TRUE(messages().contains(QStringLiteral("Mouvement non fait"))) << messages().toStdString();
    ASSERT_TRUE(waitUntil(bridgeIdle, 15000));
    EXPECT_FALSE(moves().contains(QStringLiteral("Rate=2"))) << moves().toStdString();
}
