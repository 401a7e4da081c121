#include "telescope/alpaca/alpaca_chooser.h"

#include "app/desktop.h"
#include "app/frm_pref.h"
#include "app/settings.h"
#include "platform/paths.h"
#include "telescope/alpaca/alpaca_bridge.h"
#include "telescope/alpaca/alpaca_http.h"
#include "telescope/frm_raquette.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QInputDialog>
#include <QNetworkDatagram>
#include <QTimer>
#include <QUdpSocket>

namespace Alpaca {

quint16 DiscoveryPort = kDiscoveryPort;

namespace {

ChooserDialog g_dialog;

std::optional<QString> askOnScreen(const QStringList& entries, const QString& current)
{
    bool ok = false;
    const QString text = QInputDialog::getItem(FRM_Pref, QStringLiteral("Choix du télescope"),
                                               QStringLiteral("Télescope Alpaca (hôte:port/N) :"),
                                               entries.isEmpty() ? QStringList{current} : entries, 0, true, &ok);
    return ok ? std::optional<QString>(text) : std::nullopt;
}

void showStatus(const AlpacaBridge::Status& status)
{
    AscomBridge::AscomSharedData.Connected = status.connected ? 1 : 0;
    if (!FRM_Pref)
        return;
    FRM_Pref->LBL_Error_Ascom->setText(status.ok ? QString() : status.error);
    FRM_Pref->PNL_ASCOM_Status->setAutoFillBackground(true);
    QPalette p = FRM_Pref->PNL_ASCOM_Status->palette();
    p.setColor(QPalette::Window, status.ok ? QColor(0, 255, 0) : QColor(255, 0, 0));
    FRM_Pref->PNL_ASCOM_Status->setPalette(p);
}

QList<QPair<QString, QString>> rateEntries()
{
    const QString path = platform::findFileNoCase(platform::programDir(), QStringLiteral("ASComRates.ini"));
    QFile f(path);
    if (path.isEmpty() || !f.open(QIODevice::ReadOnly))
        return {};
    return ReadRateEntries(f.read(1 << 20));
}

} // namespace

void SetChooserDialog(ChooserDialog dialog) { g_dialog = std::move(dialog); }

QStringList Discover(quint16 discoveryPort, int timeout_ms)
{
    QUdpSocket socket;
    if (!socket.bind(QHostAddress::AnyIPv4, 0))
        return {};
    for (const QHostAddress& to : {QHostAddress(QHostAddress::Broadcast), QHostAddress(QHostAddress::LocalHost)})
        socket.writeDatagram(DiscoveryProbe, to, discoveryPort);
    QList<QPair<QString, quint16>> servers;
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&socket, &QUdpSocket::readyRead, &loop, &QEventLoop::quit);
    tick.start(20);
    while (clock.elapsed() < timeout_ms) {
        while (socket.hasPendingDatagrams()) {
            const QNetworkDatagram d = socket.receiveDatagram(1024);
            QHostAddress host(d.senderAddress().toIPv4Address());
            if (const auto port = ParseDiscoveryReply(d.data()); port && !servers.contains({host.toString(), *port}))
                servers.append({host.toString(), *port});
        }
        loop.exec();
    }
    QStringList out;
    for (const auto& [host, port] : servers) {
        const Reply r = HttpCall(host, port, "GET", QStringLiteral("/management/v1/configureddevices"), {},
                                 std::max(100, timeout_ms), true);
        for (const auto& [name, number] : ConfiguredTelescopes(r.value))
            out << QStringLiteral("%1:%2/%3 - %4").arg(host).arg(port).arg(number).arg(name);
    }
    return out;
}

void StartBridge()
{
    if (FRM_Raquette)
        FRM_Raquette->DisableLX200Controls();
    if (!dynamic_cast<AlpacaBridge*>(AscomBridge::Installed())) {
        AlpacaBridge::Sources sources;
        sources.address = [] { return FRM_Pref ? FRM_Pref->EDT_ASCOM_Telescope->text() : QString(); };
        sources.rateEntries = rateEntries;
        sources.status = showStatus;
        AscomBridge::InstallOwned(std::make_unique<AlpacaBridge>(std::move(sources)));
    }
    AscomBridge::Signal(AscomBridge::rqActiver);
    if (FRM_Pref)
        FRM_Pref->BTN_Mount_Connecter->setEnabled(true);
    if (FRM_Raquette)
        FRM_Raquette->EnableAscomControls(true);
}

void ChooseTelescope()
{
    if (!FRM_Pref)
        return;
    TFRM_Pref& p = *FRM_Pref;
    const QStringList found = Discover(DiscoveryPort, 500);
    const auto choice = (g_dialog ? g_dialog : askOnScreen)(found, p.EDT_ASCOM_Telescope->text());
    // "host:port/N - name": the address is the part before the name.
    const QString address = choice ? choice->section(QStringLiteral(" - "), 0, 0).trimmed() : QString();
    p.EDT_ASCOM_Telescope->setText(address);
    bool connected = false;
    if (!address.isEmpty()) {
        if (!AscomBridge::Running())
            StartBridge();
        connected = AscomBridge::Ask(AscomBridge::rqChoose, AscomBridge::kConnectWait_ms)
                    && AscomBridge::AscomSharedData.Connected;
        if (!ParseDeviceAddress(address))
            showStatus({false, QStringLiteral("« %1 » n'est pas une adresse Alpaca hôte:port/N").arg(address), false});
    }
    p.BTN_Mount_Connecter->setEnabled(connected);
    p.BTN_Mount_Deconnecter->setEnabled(false);
    p.BTN_ASCOM_Configurer->setEnabled(true);
}

void ConfigureTelescope()
{
    const auto address = FRM_Pref ? ParseDeviceAddress(FRM_Pref->EDT_ASCOM_Telescope->text()) : std::nullopt;
    if (address)
        Desktop::OpenLink(address->setupUrl());
}

void RegisterHandlers()
{
    Settings::RegisterHandler(QStringLiteral("AscomBridge.Start"), StartBridge);
    Settings::RegisterHandler(QStringLiteral("AscomBridge.Stop"), [] { AscomBridge::StopBridge(); });
    Settings::RegisterHandler(QStringLiteral("AscomBridge.Choose"), ChooseTelescope);
    Settings::RegisterHandler(QStringLiteral("AscomBridge.Configure"), ConfigureTelescope);
}

} // namespace Alpaca
