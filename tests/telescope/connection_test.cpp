#include "mount_fixture.h"

#include "app/settings.h"

#include "app/ui/event_boundary.h"
#include "platform/com_io.h"
#include "telescope/frm_com_trafic.h"
#include "telescope/frm_raquette.h"
#include "telescope/guide_plugin.h"
#include "telescope/mount_state.h"
#include "telescope/prg_suivi.h"
#include "telescope/sim/simulated_telescope.h"

#include <QRadioButton>

namespace com_io = platform::com_io;
using namespace Prg_Suivi;

namespace {

struct PluginLog {
    QStringList calls;
    std::int32_t handle = 7;
    std::int32_t connectResult = 0;
};
PluginLog* g_plugin = nullptr;

extern "C" {
std::int32_t fakeCreate(std::int32_t id, const char* name, const char* folder, std::int32_t)
{
    g_plugin->calls << QStringLiteral("create %1 %2 %3").arg(id).arg(QString::fromUtf8(name)).arg(QString::fromUtf8(folder).endsWith(QStringLiteral("Plugins/")));
    return g_plugin->handle;
}
std::int32_t fakeConnect(std::int32_t h)
{
    g_plugin->calls << QStringLiteral("connect %1").arg(h);
    return g_plugin->connectResult;
}
void fakeDisconnect(std::int32_t h) { g_plugin->calls << QStringLiteral("disconnect %1").arg(h); }
void fakeFree(std::int32_t h) { g_plugin->calls << QStringLiteral("free %1").arg(h); }
void fakeMove(std::int32_t h, std::int32_t d) { g_plugin->calls << QStringLiteral("move %1 %2").arg(h).arg(d); }
void fakeStop(std::int32_t h, std::int32_t d) { g_plugin->calls << QStringLiteral("stop %1 %2").arg(h).arg(d); }
}

const TGuidePluginTable kFakeTable{.autoguide_create = fakeCreate,
                                   .autoguide_connect = fakeConnect,
                                   .autoguide_disconnect = fakeDisconnect,
                                   .autoguide_free = fakeFree,
                                   .autoguide_move = fakeMove,
                                   .autoguide_stop = fakeStop};

} // namespace

TEST_F(MountTest, Lx200MountAndFocuserOnOnePortShareChannelOne)
{
    pref().RDB_Mount_LX200->setChecked(true);
    pref().RDB_Focus_LX200->setChecked(true);
    ASSERT_TRUE(ConnectMount());
    EXPECT_FALSE(pref().BTN_Mount_Connecter->isEnabled());
    EXPECT_TRUE(pref().BTN_Mount_Deconnecter->isEnabled());
    EXPECT_FALSE(pref().RDB_Mount_LX200->isEnabled());
    EXPECT_EQ(FocuserChannel(), 1);
    ASSERT_TRUE(ConnectFocuser());
    EXPECT_FALSE(com_io::channel(2).open) << "the focuser did not open the port again";
    EXPECT_TRUE(pref().BTN_In->isEnabled());
    // No other interface can be chosen under the connection, whose port
    // "Deconnecter" must close.
    const QList<QRadioButton*> focuserChoices{pref().RDB_Focus_Aucun,  pref().RDB_Focus_LX200,   pref().RDB_Focus_Quillon,
                                              pref().RDB_Focus_Venner, pref().RDB_Focus_Plugin,  pref().RDB_Focus_Kitsrus,
                                              pref().RDB_Focus_ASCOM};
    for (QRadioButton* choice : focuserChoices)
        EXPECT_FALSE(choice->isEnabled()) << choice->objectName().toStdString();

    StartFocuser(1, true);
    EXPECT_EQ(mount.commands(), (QList<QByteArray>{":FF#", ":F+#"}));

    // The focuser's "Deconnecter" also disconnects the mount; what still
    // moves on the shared port is stopped before the port closes.
    StartMotion(dirNorth, false, true, kUntilStopped);
    mount.clearRecords();
    pref().BTN_Focus_Deconnecter->click();
    EXPECT_EQ(mount.commands(), (QList<QByteArray>{":FQ#", ":Qn#"}));
    EXPECT_TRUE(reports.isEmpty()) << reports.join('\n').toStdString();
    EXPECT_FALSE(com_io::channel(1).open);
    EXPECT_TRUE(pref().BTN_Mount_Connecter->isEnabled());
    EXPECT_TRUE(pref().BTN_Focus_Connecter->isEnabled());
    EXPECT_FALSE(pref().BTN_In->isEnabled());
    for (QRadioButton* choice : focuserChoices)
        EXPECT_TRUE(choice->isEnabled()) << choice->objectName().toStdString();
}

TEST_F(MountTest, TextCommandsGetTheirLineEndingsTrafficLineAndPause)
{
    pref().RDB_Mount_LX200->setChecked(true);
    ASSERT_TRUE(ConnectMount());
    pref().CKB_CR->setChecked(true);
    pref().CKB_LF->setChecked(true);
    pref().CKB_Historique_Comm->setChecked(true);
    pref().SPED_Delai_Serie->setValue(35);
    sleeper.waits.clear();
    SendMountCommand(":Q#");
    EXPECT_EQ(mount.received(), QByteArray(":Q#\r\n"));
    EXPECT_EQ(sleeper.waits, std::vector<std::int64_t>{35});
    EXPECT_TRUE(FRM_ComTrafic->Memo_Historique_Comm->toPlainText().startsWith(QStringLiteral("COM3 : 3A51230D0A \":Q#")));
}

TEST_F(MountTest, MountAndGuidePortConnectionsFollowTheirOwnChoice)
{
    pref().RDB_Mount_LX200->setChecked(true);
    pref().RDB_Autoguide_Quillon->setChecked(true);
    ASSERT_TRUE(ConnectMount());
    EXPECT_TRUE(com_io::channel(1).open) << "the LX200 mount's port is opened although the guide port is Quillon";
    ASSERT_TRUE(ConnectGuidePort());
    EXPECT_FALSE(pref().BTN_Autoguide_Connecter->isEnabled());
    SendMountCommand(":GR#");
    EXPECT_EQ(mount.commands(), QList<QByteArray>{":GR#"});

    DisconnectGuidePort();
    EXPECT_TRUE(pref().BTN_Autoguide_Connecter->isEnabled());
    EXPECT_TRUE(com_io::channel(1).open) << "the mount stays connected";
    DisconnectMount();
    EXPECT_FALSE(com_io::channel(1).open);
    EXPECT_TRUE(pref().RDB_Mount_LX200->isEnabled());
}

TEST_F(MountTest, EveryGuideInterfaceConnectsAndDisconnects)
{
    GuidePlugin::SetProvider([](int) { return TGuidePluginChoice{QStringLiteral("Sim"), 4, &kFakeTable}; });
    PluginLog log;
    g_plugin = &log;
    Telescope::SimulatedTelescope telescope;
    // Every other interface choice stops the bridge; the ASCOM one starts it.
    Settings::RegisterHandler(QStringLiteral("AscomBridge.Start"), [&] { AscomBridge::Install(&telescope); });
    pref().CBX_AG_PortParallele->setCurrentIndex(0);
    pref().CBX_Autoguide_Plugin->addItem(QStringLiteral("Sim:guider"));
    QRadioButton* kinds[] = {pref().RDB_Autoguide_LX200,  pref().RDB_Autoguide_Marrick, pref().RDB_Autoguide_KitsRus108,
                             pref().RDB_Autoguide_Quillon, pref().RDB_Autoguide_Plugin, pref().RDB_Autoguide_ASCOM};
    const int channels[] = {1, 3, 5, 0, 0, 0};
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(kinds[i]->objectName().toStdString());
        kinds[i]->setChecked(true);
        ASSERT_TRUE(ConnectGuidePort());
        EXPECT_FALSE(pref().BTN_Autoguide_Connecter->isEnabled());
        EXPECT_TRUE(pref().BTN_Autoguide_Nord->isEnabled());
        if (channels[i]) {
            EXPECT_TRUE(com_io::channel(std::uint8_t(channels[i])).open);
        }
        AutoConnectGuidePort();   // connected: nothing happens
        DisconnectGuidePort();
        EXPECT_TRUE(pref().BTN_Autoguide_Connecter->isEnabled());
        EXPECT_FALSE(pref().BTN_Autoguide_Deconnecter->isEnabled());
        if (channels[i]) {
            EXPECT_FALSE(com_io::channel(std::uint8_t(channels[i])).open);
        }
    }
    // The plug-in was created once, reported success, and was freed.
    EXPECT_EQ(log.calls, (QStringList{"create 4 Sim 1", "connect 7", "disconnect 7", "free 7"}));
    EXPECT_EQ(telescope.count(AscomBridge::rqConnect), 1);
    EXPECT_EQ(telescope.count(AscomBridge::rqDisconnect), 1);
    Settings::UnregisterHandler(QStringLiteral("AscomBridge.Start"));
    g_plugin = nullptr;
}

// A plug-in guider that cannot be made or refuses its connection: told
// once, freed, and the guide page stays as it was; none chosen is told too.
TEST_F(MountTest, APluginGuiderThatRefusesItsConnectionIsToldAndFreed)
{
    std::optional<TGuidePluginChoice> offered = TGuidePluginChoice{QStringLiteral("Sim"), 4, &kFakeTable};
    GuidePlugin::SetProvider([&](int) { return offered; });
    PluginLog log;
    g_plugin = &log;
    pref().CBX_Autoguide_Plugin->addItem(QStringLiteral("Sim:guider"));
    pref().RDB_Autoguide_Plugin->setChecked(true);
    log.connectResult = 3;
    EXPECT_FALSE(ConnectGuidePort());
    EXPECT_EQ(log.calls.join(u',').toStdString(), "create 4 Sim 1,connect 7,free 7");
    EXPECT_EQ(GuidePlugin::Instance.handle, 0);
    log.handle = 0;
    EXPECT_FALSE(ConnectGuidePort());
    offered.reset();
    EXPECT_FALSE(ConnectGuidePort());
    ASSERT_EQ(boxes.texts().size(), 3) << boxes.texts().join(u'\n').toStdString();
    EXPECT_TRUE(boxes.texts()[0].contains(QStringLiteral("code 3")));
    EXPECT_TRUE(boxes.texts()[1].contains(QStringLiteral("Sim")));
    EXPECT_TRUE(pref().BTN_Autoguide_Connecter->isEnabled());
    EXPECT_FALSE(pref().BTN_Autoguide_Nord->isEnabled());

    // Accepted: connected until let go.
    offered = TGuidePluginChoice{QStringLiteral("Sim"), 4, &kFakeTable};
    log = {};
    ASSERT_TRUE(ConnectGuidePort());
    EXPECT_TRUE(pref().BTN_Autoguide_Nord->isEnabled());
    DisconnectGuidePort();
    EXPECT_EQ(log.calls.join(u',').toStdString(), "create 4 Sim 1,connect 7,disconnect 7,free 7");
    g_plugin = nullptr;
}

TEST_F(MountTest, VennerNeedsAPortWithRegisters)
{
    pref().RDB_Autoguide_Venner->setChecked(true);
    EXPECT_FALSE(ConnectGuidePort()) << "\"      COM3\" has no register address";
    EXPECT_TRUE(ports.writes().empty()) << "no port touched";
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.texts()[0].contains(QStringLiteral("COM3"))) << boxes.texts()[0].toStdString();
    EXPECT_TRUE(pref().BTN_Autoguide_Connecter->isEnabled());

    pref().CBX_AG_PortSerie->setCurrentIndex(0);   // "$03F8(COM1)"
    ASSERT_TRUE(ConnectGuidePort());
    ASSERT_FALSE(ports.writes().empty());
    EXPECT_EQ(ports.writes().front().address, 0x3FC);
    EXPECT_EQ(ports.peek(0x3FB) & 0x40, 0x40) << "the initialisation ends with the outputs latched";
}

TEST_F(MountTest, BadSettingsAndFailuresReachTheUserAndChangeNothing)
{
    pref().RDB_Mount_LX200->setChecked(true);
    pref().CBX_AG_Vitesse->addItem(QStringLiteral("96OO"));
    pref().CBX_AG_Vitesse->setCurrentIndex(pref().CBX_AG_Vitesse->count() - 1);
    EXPECT_FALSE(ConnectMount());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.texts()[0].contains(QStringLiteral("96OO")));
    EXPECT_FALSE(com_io::channel(1).open);
    pref().CBX_AG_Vitesse->setCurrentIndex(pref().CBX_AG_Vitesse->findText(QStringLiteral("9600")));

    // A port that cannot be opened: the error reaches the user, each time
    // "Connecter" asks, and the buttons stay as they were.
    pref().BTN_Mount_Deconnecter->setEnabled(false);
    com_io::SetDevicePath(3, dir.filePath(QStringLiteral("no-such-tty")));
    for (std::size_t press = 2; press <= 3; ++press) {
        ASSERT_TRUE(app::runGuarded(QStringLiteral("BTN_Mount_Connecter"), [] { MountConnectClick(); }));
        ASSERT_EQ(boxes.shown.size(), press);
        EXPECT_TRUE(boxes.texts().back().contains(QStringLiteral("open_com, erreur = 2")))
            << boxes.texts().back().toStdString();
        EXPECT_TRUE(boxes.texts().back().contains(QStringLiteral("no-such-tty")));
    }
    EXPECT_TRUE(reports.isEmpty()) << reports.join('\n').toStdString();
    EXPECT_TRUE(pref().BTN_Mount_Connecter->isEnabled());
    EXPECT_TRUE(pref().RDB_Mount_LX200->isEnabled());
    EXPECT_FALSE(pref().BTN_Mount_Deconnecter->isEnabled());
    EXPECT_FALSE(com_io::channel(1).open);

    // A port above COM20 connects nothing, without a message.
    pref().CBX_AG_PortSerie->addItem(QStringLiteral("      COM21"));
    pref().CBX_AG_PortSerie->setCurrentIndex(pref().CBX_AG_PortSerie->count() - 1);
    EXPECT_FALSE(ConnectMount());
    EXPECT_EQ(boxes.shown.size(), 3u);

    // A write on a link that went away.
    com_io::SetDevicePath(3, mount.devicePath());
    pref().CBX_AG_PortSerie->setCurrentIndex(pref().CBX_AG_PortSerie->findText(QStringLiteral("      COM3")));
    ASSERT_TRUE(ConnectMount());
    com_io::close_com(1);
    app::runGuarded(QStringLiteral("BTN_N"), [] { StartMotion(dirNorth, false, true, kUntilStopped); });
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports[0].contains(QStringLiteral("put_string, erreur = 9"))) << reports[0].toStdString();
}

TEST_F(MountTest, ConnectButtonsSelectTheHandPadRate)
{
    pref().RDB_Mount_LX200->setChecked(true);
    FRM_Raquette->CBX_Rate->clear();
    FRM_Raquette->CBX_Rate->addItems({"Slew", "Find", "Cntr", "Guide"});
    FRM_Raquette->CBX_Rate->setCurrentIndex(3);
    MountConnectClick();
    EXPECT_EQ(mount.commands(), QList<QByteArray>{":RG#"}) << "the fourth entry selects the guide rate";

    // Commands connect by themselves (and the connection selects the rate).
    DisconnectMount();
    mount.clearRecords();
    SelectSlewRate(3);
    EXPECT_EQ(mount.commands(), (QList<QByteArray>{":RG#", ":RS#"}));
    EXPECT_FALSE(pref().BTN_Mount_Connecter->isEnabled());
}
