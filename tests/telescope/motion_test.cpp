#include "mount_fixture.h"

#include "app/controls/num_inp.h"
#include "app/frm_alv.h"
#include "app/startup.h"
#include "capture/plugin_mgr.h"
#include "platform/com_io.h"
#include "telescope/frm_com_trafic.h"
#include "telescope/frm_prg_suivi.h"
#include "telescope/guide_plugin.h"
#include "telescope/guide_protocols.h"
#include "telescope/mount_state.h"
#include "telescope/prg_suivi.h"
#include "telescope/sim/simulated_telescope.h"
#include "support/program/held_key_settle.h"
#include "support/x11_keyboard.h"

#include <QApplication>
#include <QKeyEvent>
#include <QRadioButton>
#include <functional>

using namespace Prg_Suivi;

namespace {

QStringList g_pluginCalls;
// Named apart from the C library's connect() and friends: the Alpaca tests
// of this program open real sockets.
std::int32_t fakeCreate(std::int32_t, const char*, const char*, std::int32_t) { return 9; }
std::int32_t fakeConnect(std::int32_t) { return 0; }
void fakeDisconnect(std::int32_t h) { g_pluginCalls << QStringLiteral("disconnect %1").arg(h); }
void fakeRelease(std::int32_t h) { g_pluginCalls << QStringLiteral("free %1").arg(h); }
void fakeMove(std::int32_t, std::int32_t d) { g_pluginCalls << QStringLiteral("move %1").arg(d); }
void fakeStop(std::int32_t, std::int32_t d) { g_pluginCalls << QStringLiteral("stop %1").arg(d); }
const TGuidePluginTable kTable{.autoguide_create = fakeCreate,
                               .autoguide_connect = fakeConnect,
                               .autoguide_disconnect = fakeDisconnect,
                               .autoguide_free = fakeRelease,
                               .autoguide_move = fakeMove,
                               .autoguide_stop = fakeStop};

// The outputs of the Venner shift register, from the writes to the serial
// port's registers: DTR is shifted in on each rising RTS edge and the outputs
// take the register when the break line rises.
std::uint8_t vennerOutputs(const platform::SimulatedPortAccess& ports, std::uint16_t base)
{
    std::uint8_t mcr = 0, lcr = 0, shift = 0, outputs = 0;
    for (const auto& w : ports.writes()) {
        if (w.address == base + GuideProtocol::kModemControl) {
            if (!(mcr & GuideProtocol::kRtsBit) && (w.value & GuideProtocol::kRtsBit))
                shift = std::uint8_t(shift << 1 | (w.value & GuideProtocol::kDtrBit));
            mcr = w.value;
        } else if (w.address == base + GuideProtocol::kLineControl) {
            if (!(lcr & GuideProtocol::kBreakBit) && (w.value & GuideProtocol::kBreakBit))
                outputs = shift;
            lcr = w.value;
        }
    }
    return outputs;
}

} // namespace

TEST_F(MountTest, DistancesBecomePulsesWithBacklashAndInertia)
{
    pref().RDB_Mount_LX200->setChecked(true);
    ASSERT_TRUE(ConnectMount());
    MotorSpeeds.North = 10;
    LastDecDirection = dirSouth;
    pref().TNI_Jeu_Dec->SetValue(200);
    pref().RDB_Pourcent_Inertie_Dec->setChecked(true);
    pref().SPED_Pourcent_Inertie_Dec->setValue(20);
    StartMotion(dirNorth, false, true, 5);
    EXPECT_TRUE(FRM_Prg_Suivi->TMR_Suivi_Dec->isActive());
    EXPECT_EQ(FRM_Prg_Suivi->TMR_Suivi_Dec->interval(), 560);   // trunc(0.8 x (500 + 200))
    EXPECT_EQ(mount.commands(), QList<QByteArray>{":Mn#"});

    // Already moving north: nothing is sent and no timer armed.
    FRM_Prg_Suivi->TMR_Suivi_Dec->stop();
    StartMotion(dirNorth, false, true, 5);
    EXPECT_EQ(mount.commands().size(), 1);
    EXPECT_FALSE(FRM_Prg_Suivi->TMR_Suivi_Dec->isActive());

    // A motor speed of 0 counts as 0.1"/s; the GOTO inversion box swaps east and west.
    pref().CKB_GOTO_InverseAD->setChecked(true);
    MotorSpeeds.West = 0;
    StartMotion(dirEast, false, false, 1);
    EXPECT_EQ(mount.commands().last(), QByteArray(":Mw#"));
    EXPECT_EQ(FRM_Prg_Suivi->TMR_Suivi_AD->interval(), 10000);

    // Guiding with ":Mgxyyyy#": the command carries 9999, the timer the whole length.
    MotionSource = 1;
    pref().RDB_Mgxyyyy->setChecked(true);
    StartMotion(dirSouth, true, false, 12000);
    EXPECT_EQ(mount.commands().last(), QByteArray(":Mgs9999#"));
    EXPECT_EQ(FRM_Prg_Suivi->TMR_Suivi_Dec->interval(), 12000);

    StartMotion(dirSouth, true, true, 0);   // nothing to do
    EXPECT_EQ(mount.commands().last(), QByteArray(":Mgs9999#"));

    // Once nothing else moves it, the mount moves at its guide rate for the
    // pulse's length of its clock, not at once.
    constexpr double guideRate = Telescope::SimulatedLx200Mount::kGuideRate;
    StopMount();
    const double dec0 = mount.dec();
    StartMotion(dirSouth, true, false, 2000);
    ASSERT_EQ(mount.commands().last(), QByteArray(":Mgs2000#"));
    const double started = mount.dec();
    clock.advanceMs(1000);
    mount.pump();
    EXPECT_NEAR(mount.dec(), started - guideRate, 1e-6) << "under way";
    clock.advanceMs(3000);
    mount.pump();
    EXPECT_NEAR(mount.dec(), dec0 - 2 * guideRate, 1e-6) << "ended";
}

TEST_F(MountTest, MarrickSendsLongPulsesInPiecesAsEachEnds)
{
    pref().RDB_Autoguide_Marrick->setChecked(true);
    pref().SPED_Impulsions_Maxi->setValue(945);
    QTimer* timer = FRM_Prg_Suivi->TMR_Suivi_Dec;
    StartMotion(dirNorth, true, false, 2000);
    sleeper.sleepMs(0);
    EXPECT_EQ(mount.received(), QByteArray(1, char(63 * 4 + 2)));
    EXPECT_EQ(timer->interval(), 945);
    FRM_Prg_Suivi->TMR_Suivi_DecTimer();
    sleeper.sleepMs(0);
    EXPECT_EQ(mount.received(), QByteArray(2, char(63 * 4 + 2)));
    EXPECT_EQ(timer->interval(), 945);
    FRM_Prg_Suivi->TMR_Suivi_DecTimer();
    sleeper.sleepMs(0);
    EXPECT_EQ(mount.received().right(1), QByteArray(1, char(7 * 4 + 2)));   // 110 ms
    EXPECT_EQ(timer->interval(), 110);
    FRM_Prg_Suivi->TMR_Suivi_DecTimer();
    sleeper.sleepMs(0);
    EXPECT_EQ(mount.received().size(), 3);
    EXPECT_FALSE(timer->isActive());
    EXPECT_EQ(MovingFlags[dirNorth], 0);
    EXPECT_TRUE(FRM_ComTrafic->Memo_Historique_Comm->toPlainText().contains(QStringLiteral("      COM3 : 4645 \"FE\"")));
}

// Every interface that was started is stopped by the end of its pulse and by
// the release of a held move: no interface is left moving.
TEST_F(MountTest, PulsesAndReleasesStopEveryInterface)
{
    GuidePlugin::SetProvider([](int) { return TGuidePluginChoice{QStringLiteral("Sim"), 1, &kTable}; });
    pref().CBX_Autoguide_Plugin->addItem(QStringLiteral("Sim:guider"));
    pref().CBX_AG_PortSerie->setCurrentIndex(0);   // "$03F8(COM1)": registers for Venner
    platform::com_io::SetDevicePath(1, mount.devicePath());
    const auto lastOf = [this](const QByteArray& on, const QByteArray& off) {
        const QByteArray r = mount.received();
        return r.lastIndexOf(on) > r.lastIndexOf(off);
    };
    struct Kind {
        QRadioButton* radio;
        std::function<bool(std::uint8_t)> isOn;
    };
    const Kind kinds[] = {
        {pref().RDB_Autoguide_Quillon, [this](std::uint8_t d) {
             const int bits[] = {6, 7, 4, 5};   // pins 8, 9, 6, 7
             return (ports.peek(0x378) >> bits[d] & 1) != 0;
         }},
        {pref().RDB_Autoguide_Venner,
         [this](std::uint8_t d) { return vennerOutputs(ports, 0x3F8) == 1 << GuideProtocol::VennerOutput(d); }},
        {pref().RDB_Autoguide_KitsRus108, [lastOf](std::uint8_t d) {
             const char* relays[] = {"3", "4", "1", "2"};
             return lastOf(QByteArray("N") + relays[d], QByteArray("F") + relays[d]);
         }},
        {pref().RDB_Autoguide_Plugin, [](std::uint8_t d) {
             return g_pluginCalls.lastIndexOf(QStringLiteral("move %1").arg(d))
                    > g_pluginCalls.lastIndexOf(QStringLiteral("stop %1").arg(d));
         }},
    };
    for (const Kind& k : kinds) {
        SCOPED_TRACE(k.radio->objectName().toStdString());
        k.radio->setChecked(true);
        StartMotion(dirNorth, true, false, 500);
        EXPECT_TRUE(k.isOn(dirNorth));
        ASSERT_TRUE(FRM_Prg_Suivi->TMR_Suivi_Dec->isActive());
        FRM_Prg_Suivi->TMR_Suivi_DecTimer();
        EXPECT_FALSE(k.isOn(dirNorth)) << "the pulse timer stopped the interface";
        EXPECT_FALSE(FRM_Prg_Suivi->TMR_Suivi_Dec->isActive());

        StartMotion(dirWest, false, true, kUntilStopped);
        EXPECT_TRUE(k.isOn(dirWest));
        StopMountDirection(dirWest);
        EXPECT_FALSE(k.isOn(dirWest)) << "the release stopped the interface";
        EXPECT_EQ(MovingFlags, (std::array<std::uint8_t, 4>{}));
        DisconnectGuidePort();
    }

    // Marrick: a held move is sent piece after piece until the release.
    pref().RDB_Autoguide_Marrick->setChecked(true);
    mount.clearRecords();
    StartMotion(dirEast, false, true, kUntilStopped);
    EXPECT_EQ(FRM_Prg_Suivi->TMR_Suivi_AD->interval(), 175);   // 0.9 x 195
    FRM_Prg_Suivi->TMR_Suivi_ADTimer();
    sleeper.sleepMs(0);
    EXPECT_EQ(mount.received(), QByteArray(2, char(13 * 4 + 1)));
    StopMountDirection(dirEast);
    FRM_Prg_Suivi->TMR_Suivi_ADTimer();
    sleeper.sleepMs(0);
    EXPECT_EQ(mount.received().size(), 2) << "no piece after the release";
    EXPECT_FALSE(FRM_Prg_Suivi->TMR_Suivi_AD->isActive());
}

// A line or relay is released as it was asserted, even when its setting
// was changed in the Preferences while the move ran.
TEST_F(MountTest, AStopReleasesTheLineAndRelayTheStartUsed)
{
    pref().RDB_Autoguide_Quillon->setChecked(true);
    StartMotion(dirWest, false, true, kUntilStopped);
    ASSERT_NE(ports.peek(0x378) & 0x20, 0) << "west on pin 7";
    pref().TNI_Bit_Ouest->SetValue(9);
    StopMountDirection(dirWest);
    EXPECT_EQ(ports.peek(0x378), 0) << "pin 7 released, pin 9 untouched";
    DisconnectGuidePort();

    pref().RDB_Autoguide_KitsRus108->setChecked(true);
    StartMotion(dirNorth, true, false, 500);
    pref().TNI_Relay_KitsRus_N->SetValue(4);
    FRM_Prg_Suivi->TMR_Suivi_DecTimer();
    sleeper.sleepMs(0);
    EXPECT_TRUE(mount.received().endsWith("N3F3")) << mount.received().toStdString();
}

TEST_F(MountTest, VennerStartsLeaveExactlyOneOutputOn)
{
    pref().RDB_Autoguide_Venner->setChecked(true);
    pref().CBX_AG_PortSerie->setCurrentIndex(1);   // "$02F8(COM2)"
    ASSERT_TRUE(ConnectGuidePort());
    EXPECT_EQ(vennerOutputs(ports, 0x2F8), 0);
    for (std::uint8_t d : {dirWest, dirEast, dirNorth, dirSouth}) {
        StartMotion(d, true, false, 100);
        EXPECT_EQ(vennerOutputs(ports, 0x2F8), 1 << GuideProtocol::VennerOutput(d)) << int(d);
    }
    EXPECT_EQ(GuideProtocol::VennerOutput(dirWest), 0);
    EXPECT_EQ(GuideProtocol::VennerOutput(dirSouth), 3);
    // Each line change is written three times, 2 ms apart.
    EXPECT_GE(std::count(sleeper.waits.begin(), sleeper.waits.end(), 2), 100);
}

TEST_F(MountTest, AscomMovesAndPulsesGoThroughTheBridge)
{
    Telescope::SimulatedTelescope telescope;
    pref().RDB_Mount_ASCOM->setChecked(true);
    MountConnectClick();
    ASSERT_TRUE(telescope.connected);
    StartMotion(dirNorth, false, true, kUntilStopped);
    EXPECT_EQ(telescope.axisRate[1], 3.0) << "north moves the secondary axis at the default rate";
    StopMountDirection(dirNorth);
    EXPECT_EQ(telescope.axisRate[1], 0.0);
    StartMotion(dirEast, true, false, 2000);
    ASSERT_EQ(telescope.pulses.size(), 1u);
    EXPECT_EQ(telescope.pulses[0].direction, dirEast);
    EXPECT_EQ(telescope.pulses[0].duration_ms, 945);
    EXPECT_EQ(FRM_Prg_Suivi->TMR_Suivi_AD->interval(), 945);
}

TEST_F(MountTest, TheCommandWindowStopsTheMountWhenTheProgramEnds)
{
    pref().RDB_Mount_LX200->setChecked(true);
    pref().RDB_Focus_LX200->setChecked(true);
    ASSERT_TRUE(ConnectMount());
    StartMotion(dirNorth, false, true, kUntilStopped);
    StartMotion(dirEast, false, true, kUntilStopped);
    StartFocuser(0, false);
    Startup::DestroyWindows();
    EXPECT_EQ(mount.commands(), (QList<QByteArray>{":Mn#", ":Me#", ":FS#", ":F-#", ":Qe#", ":Qn#", ":FQ#"}));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(MountTest, ArrowKeyMovesStopOnReleaseAndWhenTheWindowLosesTheKeyboard)
{
    pref().RDB_Mount_LX200->setChecked(true);
    ASSERT_TRUE(ConnectMount());
    const auto key = [](QEvent::Type type, int k) {
        QKeyEvent e(type, k, Qt::NoModifier);
        QApplication::sendEvent(FRM_Prg_Suivi, &e);
    };
    // Only the guiding inversion box is ticked: a guide correction between
    // the press and the release must not turn the release into a stop of
    // the other direction.
    pref().CKB_GUIDE_InverseAD->setChecked(true);
    key(QEvent::KeyPress, Qt::Key_Left);
    MotionSource = 1;
    key(QEvent::KeyRelease, Qt::Key_Left);
    EXPECT_EQ(mount.commands(), (QList<QByteArray>{":Me#", ":Qe#"}));

    // The release of a key held while another window takes the keyboard
    // never reaches this window: the move stops when the keyboard goes.
    mount.clearRecords();
    key(QEvent::KeyPress, Qt::Key_Up);
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(FRM_Prg_Suivi, &deactivate);
    EXPECT_EQ(mount.commands(), (QList<QByteArray>{":Mn#", ":Qn#"}));
    EXPECT_EQ(MovingFlags, (std::array<std::uint8_t, 4>{}));
    key(QEvent::KeyRelease, Qt::Key_Up);   // a late release changes nothing
    EXPECT_EQ(mount.commands().size(), 2);
    EXPECT_TRUE(reports.isEmpty()) << reports.join('\n').toStdString();
}

// Under X11 a held arrow key repeats as release+press pairs, flagged as
// auto-repeat or not: the mount gets one start and one stop. A real release
// followed at once by a new press stops and starts again.
TEST_F(MountTest, HeldArrowKeyInTheCommandWindowStartsOneMoveAndStopsOnce)
{
    pref().RDB_Mount_LX200->setChecked(true);
    ASSERT_TRUE(ConnectMount());
    mount.clearRecords();
    const testsupport::LongKeySettle longSettle;
    testsupport::X11Keyboard keyboard;
    const auto runOut = [&] {
        testsupport::RunOutHeldKeys();
        ASSERT_TRUE(settle());
    };

    keyboard.hold(FRM_Prg_Suivi, Qt::Key_Left, 23, [](int i) { return i % 4 == 1 || i == 10; });
    runOut();
    EXPECT_EQ(mount.commands(), (QList<QByteArray>{":Me#", ":Qe#"}));
    EXPECT_EQ(MovingFlags, (std::array<std::uint8_t, 4>{}));

    mount.clearRecords();
    keyboard.advance(500);
    keyboard.tap(FRM_Prg_Suivi, Qt::Key_Up, 120);
    keyboard.advance(25);
    keyboard.tap(FRM_Prg_Suivi, Qt::Key_Up, 120);
    runOut();
    EXPECT_EQ(mount.commands(), (QList<QByteArray>{":Mn#", ":Qn#", ":Mn#", ":Qn#"}));
    EXPECT_EQ(MovingFlags, (std::array<std::uint8_t, 4>{}));
    EXPECT_TRUE(reports.isEmpty()) << reports.join('\n').toStdString();
}

// The main window's close shuts the port driver and unloads the plug-ins:
// every move is stopped before, while the lines can still be written.
TEST_F(MountTest, TheMainWindowsCloseStopsMovesWhileTheLinksAreUp)
{
    pref().RDB_Autoguide_Quillon->setChecked(true);
    StartMotion(dirWest, false, true, kUntilStopped);
    ASSERT_NE(ports.peek(0x378) & 0x20, 0) << "west (pin 7) asserted";
    EXPECT_TRUE(FRM_Alv->close());
    EXPECT_EQ(ports.peek(0x378) & 0x20, 0) << "west released before the ports closed";
    EXPECT_EQ(MovingFlags, (std::array<std::uint8_t, 4>{}));
}

TEST_F(MountTest, UnloadingThePlugInsFirstLetsGoOfTheirGuider)
{
    GuidePlugin::SetProvider([](int) { return TGuidePluginChoice{QStringLiteral("Sim"), 1, &kTable}; });
    pref().CBX_Autoguide_Plugin->addItem(QStringLiteral("Sim:guider"));
    pref().RDB_Autoguide_Plugin->setChecked(true);
    g_pluginCalls.clear();
    StartMotion(dirWest, false, true, kUntilStopped);
    ASSERT_EQ(g_pluginCalls, QStringList{"move 3"});

    TPluginMgr manager(FRM_Alv, 255u, dir.filePath(QStringLiteral("Plugins")));
    manager.UnloadAll();
    EXPECT_EQ(g_pluginCalls, (QStringList{"move 3", "stop 3", "disconnect 9", "free 9"}));
    EXPECT_EQ(GuidePlugin::Instance.handle, 0);
    EXPECT_EQ(GuidePlugin::Instance.choice.table, nullptr) << "no table into an unloaded library is kept";
    StopMountDirection(dirWest);   // nothing reaches the unloaded library
    EXPECT_EQ(g_pluginCalls.size(), 4);
}
