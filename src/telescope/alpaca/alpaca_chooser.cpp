#include "telescope/alpaca/alpaca_chooser.h"
#include "platform/platform_texts.h"
#include "translation/translated_texts.h"

#include "app/desktop.h"
#include "app/ui/event_boundary.h"
#include "app/frm_message.h"
#include "app/frm_pref.h"
#include "app/settings.h"
#include "app/ui/widget_message_service.h"
#include "platform/paths.h"
#include "telescope/alpaca/alpaca_bridge.h"
#include "telescope/alpaca/alpaca_http.h"
#include "telescope/frm_raquette.h"
#include "telescope/prg_suivi.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QInputDialog>
#include <QPointer>
#include <QThread>
#include <QNetworkDatagram>
#include <QTimer>
#include <QUdpSocket>

namespace Alpaca {

QList<quint16> DiscoveryPorts{kDiscoveryPort};
bool DiscoveryBroadcast = true;

namespace {

ChooserDialog g_dialog;
// A discovery under way: "..." starts no second one.
bool g_discovering = false;
// The causes of the failures told in the message window since something
// last worked. A failure is "member : cause"; a telescope that has gone
// fails every member it is asked for with one cause, which is told once,
// with the member it hit first. A connection's failures follow the rule of
// every connection instead (Prg_Suivi::TellAscomConnectionFailure), and
// the driver a connection makes anew is not something that worked.
QStringList g_toldCauses;

QString causeOf(const QString& error)
{
    const qsizetype split = error.indexOf(QLatin1String(" : "));
    return split < 0 ? error : error.mid(split + 3);
}

// The choice as a dialog that waits for its answer: in front of every
// window, those kept on top included, and the keyboard given back to the
// window before once answered. The first entry is offered; another may be
// typed.
std::optional<QString> askOnScreen(const QStringList& entries, const QString& current)
{
    const QStringList items = entries.isEmpty() ? QStringList{current} : entries;
    QInputDialog dialog(FRM_Pref);
    dialog.setWindowTitle(TranslatedTexts.MSG_Alpaca_Titre_Choix);
    dialog.setLabelText(TranslatedTexts.MSG_Alpaca_Champ_Choix);
    dialog.setComboBoxItems(items);
    dialog.setTextValue(items.value(0));
    dialog.setComboBoxEditable(true);
    if (app::ExecInFront(dialog) != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

void showStatus(const AlpacaBridge::Status& status)
{
    AscomBridge::AscomSharedData.Connected = status.connected ? 1 : 0;
    if (status.ok) {
        if (!status.ofConnection || status.connected)
            g_toldCauses.clear();
    } else if (status.ofConnection ? Prg_Suivi::TellAscomConnectionFailure(status.error)
                                   : !g_toldCauses.contains(causeOf(status.error))) {
        if (!status.ofConnection)
            g_toldCauses << causeOf(status.error);
        Msg::ShowMessageText(false, TranslatedTexts.MSG_Alpaca_Etat.arg(status.error));
    }
    if (!FRM_Pref)
        return;
    // A connection under way keeps saying so until it has ended.
    if (!status.ok || !Prg_Suivi::AscomConnectionUnderWay())
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

QStringList Discover(const QList<quint16>& discoveryPorts, int timeout_ms, bool broadcast)
{
    QUdpSocket socket;
    if (!socket.bind(broadcast ? QHostAddress(QHostAddress::AnyIPv4) : QHostAddress(QHostAddress::LocalHost), 0))
        return {};
    for (const quint16 port : discoveryPorts) {
        socket.writeDatagram(DiscoveryProbe, QHostAddress(QHostAddress::LocalHost), port);
        if (broadcast)
            socket.writeDatagram(DiscoveryProbe, QHostAddress(QHostAddress::Broadcast), port);
    }
    QList<QPair<QString, quint16>> servers;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeout_ms) {
        socket.waitForReadyRead(int(std::max<qint64>(1, std::min<qint64>(20, timeout_ms - clock.elapsed()))));
        while (socket.hasPendingDatagrams()) {
            const QNetworkDatagram d = socket.receiveDatagram(1024);
            QHostAddress host(d.senderAddress().toIPv4Address());
            if (const auto port = ParseDiscoveryReply(d.data()); port && !servers.contains({host.toString(), *port}))
                servers.append({host.toString(), *port});
        }
    }
    QStringList out;
    for (const auto& [host, port] : servers) {
        const Reply r = HttpCall(host, port, "GET", QStringLiteral("/management/v1/configureddevices"), {},
                                 std::max(100, timeout_ms), true);
        for (const auto& [name, number] : ConfiguredTelescopes(r.value))
            out << QStringLiteral("%1:%2/%3 – %4").arg(host).arg(port).arg(number).arg(name);
    }
    return out;
}

void StartBridge()
{
    if (FRM_Raquette)
        FRM_Raquette->FollowInterfaces();
    if (!dynamic_cast<AlpacaBridge*>(AscomBridge::Installed())) {
        // A bridge started anew tells its first failure, whatever the one
        // before it told.
        g_toldCauses.clear();
        AlpacaBridge::Sources sources;
        sources.address = [] { return FRM_Pref ? FRM_Pref->EDT_ASCOM_Telescope->text() : QString(); };
        sources.rateEntries = rateEntries;
        sources.status = showStatus;
        AscomBridge::InstallOwned(std::make_unique<AlpacaBridge>(std::move(sources)));
    }
    AscomBridge::Signal(AscomBridge::rqActiver);
    Prg_Suivi::OfferMountConnection(true);
    // An LX200 mount keeps its own layout beside an ASCOM focuser or guider.
    if (FRM_Raquette && !TFRM_Raquette::Lx200MountChosen())
        FRM_Raquette->EnableAscomControls(true);
}

namespace {

// What the chooser flow leaves on the Preferences page.
void chooserButtons(bool connected)
{
    if (!FRM_Pref)
        return;
    FRM_Pref->BTN_Mount_Connecter->setEnabled(connected);
    FRM_Pref->BTN_Mount_Deconnecter->setEnabled(false);
    FRM_Pref->BTN_ASCOM_Configurer->setEnabled(true);
}

void offer(const QStringList& found)
{
    g_discovering = false;
    if (!FRM_Pref)
        return;
    TFRM_Pref& p = *FRM_Pref;
    p.BTN_Choose->setEnabled(true);
    // A connection under way keeps saying so.
    if (!Prg_Suivi::AscomConnectionUnderWay())
        p.LBL_Error_Ascom->clear();
    if (found.isEmpty()) {
        const QString text = TranslatedTexts.MSG_Alpaca_Aucun_Reseau;
        p.LBL_Error_Ascom->setText(text);
        Msg::ShowMessageText(false, text);
        return;
    }
    const auto choice = (g_dialog ? g_dialog : askOnScreen)(found, p.EDT_ASCOM_Telescope->text());
    // "host:port/N – name": the address is the part before the name. A
    // cancelled choice names no telescope.
    const QString address =
        choice ? choice->section(QStringLiteral(" – "), 0, 0).section(QStringLiteral(" - "), 0, 0).trimmed() : QString();
    if (address.isEmpty() || !ParseDeviceAddress(address)) {
        // No telescope named: the one held so far is let go, unless
        // something in use sends through it (the user is told what).
        if (!Prg_Suivi::LetGoOfChosenTelescope())
            return;
        p.EDT_ASCOM_Telescope->setText(address);
        if (!address.isEmpty())
            showStatus(
                {false, platform::text(platform::PlatformText::MSG_Alpaca_Adresse).arg(address.left(100)), false});
        chooserButtons(false);
        return;
    }
    p.EDT_ASCOM_Telescope->setText(address);
    if (!AscomBridge::Running())
        StartBridge();
    Prg_Suivi::ConnectChosenTelescope(chooserButtons);
}

} // namespace

void ChooseTelescope()
{
    if (!FRM_Pref || g_discovering)
        return;
    g_discovering = true;
    FRM_Pref->BTN_Choose->setEnabled(false);
    if (!Prg_Suivi::AscomConnectionUnderWay())
        FRM_Pref->LBL_Error_Ascom->setText(TranslatedTexts.MSG_Alpaca_Recherche);
    // The network is asked on a thread of its own: the window stays usable.
    const QList<quint16> ports = DiscoveryPorts;
    const bool broadcast = DiscoveryBroadcast;
    QPointer<QObject> receiver(FRM_Pref);
    QThread* search = QThread::create([ports, broadcast, receiver] {
        const QStringList found = Discover(ports, kDiscoveryWait_ms, broadcast);
        if (receiver)
            QMetaObject::invokeMethod(receiver.data(),
                                      [found] { app::runGuarded(QStringLiteral("BTN_Choose"), [&] { offer(found); }); },
                                      Qt::QueuedConnection);
    });
    QObject::connect(search, &QThread::finished, search, &QObject::deleteLater);
    search->start();
}

void ConfigureTelescope()
{
    const auto address = FRM_Pref ? ParseDeviceAddress(FRM_Pref->EDT_ASCOM_Telescope->text()) : std::nullopt;
    if (address)
        Desktop::OpenLinkOrSay(address->setupUrl(), QStringLiteral("Alpaca.Setup"));
}

void RegisterHandlers()
{
    Settings::RegisterHandler(QStringLiteral("AscomBridge.Start"), StartBridge);
    Settings::RegisterHandler(QStringLiteral("AscomBridge.Stop"), [] { AscomBridge::StopBridge(); });
    Settings::RegisterHandler(QStringLiteral("AscomBridge.Choose"), ChooseTelescope);
    Settings::RegisterHandler(QStringLiteral("AscomBridge.Configure"), ConfigureTelescope);
}

} // namespace Alpaca
