// Connection and disconnection of the mount, the guide port and the focuser.

#include "telescope/prg_suivi_private.h"

#include "app/frm_alv.h"
#include "app/frm_message.h"
#include "app/frm_pref.h"
#include "app/systeme.h"
#include "app/ui/event_boundary.h"
#include "capture/port_io.h"
#include "imaging/pipeline_state.h"
#include "platform/com_io.h"
#include "platform/message_service.h"
#include "platform/paths.h"
#include "platform/port_access.h"
#include "scripting/scripts.h"
#include "telescope/ascom_bridge.h"
#include "telescope/frm_joy.h"
#include "telescope/frm_raquette.h"
#include "telescope/frm_tool_suivi.h"
#include "telescope/guide_plugin.h"
#include "telescope/mount_state.h"
#include "translation/translated_texts.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <array>
#include <exception>
#include <functional>
#include <memory>
#include <initializer_list>
#include <optional>
#include <utility>
#include <vector>

namespace Prg_Suivi {

namespace com_io = platform::com_io;
using detail::pref;

namespace {

// A connection a command makes by itself before it acts (auto-connect)
// rather than one the user asked for with a "Connecter" or by choosing
// autoguiding.
bool AutomaticConnection = false;
// The failures told since the last connection that succeeded or that the
// user asked for. The commands that connect first may retry at every step
// of something that runs on its own (the stop and restart of guiding
// around a lost star, each correction): the user is told a failure once,
// not once per retry, until a connection succeeds or the user asks for one.
QSet<QString> ToldAutomatically;
// Counts the failures met by connections, told or not: a command whose
// connection failed then fails on the link that is not up, which says
// nothing more.
int FailuresMet = 0;
// The last failure a connection met, told or not.
QString LastFailureMet;
// Why each serial channel is not open: the failure its last connection
// met, kept until a connection opens it. A command that then finds the
// channel unopened says no more than that (detail::raiseIfUnconnected).
std::array<QString, com_io::kChannelCount + 1> Unopened;
// The failures told in a box that is still to come: told by the command
// under way.
QSet<QString> BoxesDue;

struct AutomaticScope {
    bool outer = AutomaticConnection;
    AutomaticScope() { AutomaticConnection = true; }
    ~AutomaticScope() { AutomaticConnection = outer; }
};

// Tells why a connection failed: always when the user asked for it, once
// per failure when a command connected by itself. That one is told once the
// command that met it is over: a box waiting for its OK inside the frame
// routine (a guide correction) would hold the camera's frames until then.
void tellFailure(const QString& text)
{
    ++FailuresMet;
    // Another program's statement that needed the link did not run, however
    // the failure is shown.
    Scripts::RefuseStatement(text);
    LastFailureMet = text;
    if (!AutomaticConnection) {
        // Told now; what runs meanwhile, and retries it, says it no more.
        ToldAutomatically.insert(text);
        platform::showError(text);
        return;
    }
    if (ToldAutomatically.contains(text))
        return;
    ToldAutomatically.insert(text);
    QObject* context = FRM_Pref ? static_cast<QObject*>(FRM_Pref) : QCoreApplication::instance();
    if (!context) {
        platform::showError(text);
        return;
    }
    BoxesDue.insert(text);
    QMetaObject::invokeMethod(context, [text] {
        BoxesDue.remove(text);
        platform::showError(text);
    }, Qt::QueuedConnection);
}

struct SerialSettings {
    QString port;
    int baud = 0;
    int parity = 0;
    int dataBits = 0;
    int stopBits = 0;
};

int parityCode(const QString& text)
{
    if (text == QLatin1String("Paire"))
        return com_io::EvenParity;
    if (text == QLatin1String("Impaire"))
        return com_io::OddParity;
    if (text == QLatin1String("Marque"))
        return com_io::MarkParity;
    return com_io::NoParity;
}

int stopBitsCode(const QString& text)
{
    if (text == QLatin1String("1.5"))
        return com_io::OneAndHalfStopBits;
    if (text == QLatin1String("2"))
        return com_io::TwoStopBits;
    return com_io::OneStopBit;
}

// The settings of the mount's (or the focuser's) serial group; none, after a
// message, when a number is not one.
std::optional<SerialSettings> serialSettings(bool focuser)
{
    TFRM_Pref& p = pref();
    SerialSettings s;
    s.port = (focuser ? p.CBX_AG_Focus_PortSerie : p.CBX_AG_PortSerie)->currentText();
    s.parity = parityCode((focuser ? p.CBX_AG_Focus_Parite : p.CBX_AG_Parite)->currentText());
    s.stopBits = stopBitsCode((focuser ? p.CBX_AG_Focus_StopBits : p.CBX_AG_StopBits)->currentText());
    bool ok = false;
    const QString baud = (focuser ? p.CBX_AG_Focus_Vitesse : p.CBX_AG_Vitesse)->currentText().trimmed();
    s.baud = baud.toInt(&ok);
    if (!ok || s.baud <= 0) {
        tellFailure(TranslatedTexts.MSG_Port_Serie_Vitesse.arg(baud));
        return std::nullopt;
    }
    const QString bits = (focuser ? p.CBX_AG_Focus_Databits : p.CBX_AG_Databits)->currentText().trimmed();
    s.dataBits = bits.toInt(&ok);
    if (!ok) {
        tellFailure(TranslatedTexts.MSG_Port_Serie_Bits.arg(bits));
        return std::nullopt;
    }
    return s;
}

// "COM3" of "      COM3" or "$03F8(COM1)"; empty when the entry names none.
QString comName(const QString& entry)
{
    static const QRegularExpression re(QStringLiteral("COM\\d+"), QRegularExpression::CaseInsensitiveOption);
    return re.match(entry).captured(0).toUpper();
}

// Opens and configures a serial channel. A port above COM20 connects nothing,
// without a message. A device that cannot be opened or set up (missing,
// not a serial line) is told and connects nothing.
bool openSerial(std::uint8_t channel, const SerialSettings& s)
{
    const QString name = comName(s.port);
    if (name.isEmpty()) {
        tellFailure(TranslatedTexts.MSG_Port_Serie_Inconnu.arg(s.port.trimmed()));
        return false;
    }
    const bool wasOpen = com_io::channel(channel).open;
    try {
        if (!com_io::open_com(channel, name))
            return false;
        com_io::set_com(channel, s.baud, s.parity, s.dataBits, s.stopBits);
        com_io::set_timeout(channel, 1000, 100);
        com_io::set_buf(channel, 4096, 4096);
    } catch (const std::exception& e) {
        if (!wasOpen && com_io::channel(channel).open)
            com_io::close_com(channel);
        tellFailure(QString::fromUtf8(e.what()));
        return false;
    }
    return true;
}

// Connects the serial link of the mount's side (focuser: the focuser's
// settings) on its channel; the failure it meets is kept for the channel.
bool connectSerial(std::uint8_t channel, bool focuser)
{
    const int failuresBefore = FailuresMet;
    const auto s = serialSettings(focuser);
    const bool ok = s && openSerial(channel, *s);
    if (channel <= com_io::kChannelCount)
        Unopened[channel] = ok || FailuresMet == failuresBefore ? QString() : LastFailureMet;
    return ok;
}

// The register base of a serial entry ("$03F8(COM1)" gives 0x3F8); 0, after a
// message, for entries without one.
std::uint16_t vennerBase(const QString& entry)
{
    const std::uint16_t base = Align_V::PortAddressFromText(entry);
    if (base == 0)
        tellFailure(TranslatedTexts.MSG_Venner_Sans_Adresse.arg(entry.trimmed()));
    return base;
}

// Whether the mount's or the guide port's page holds the Venner lines that
// the mount's moves go through (detail::VennerBase).
bool vennerMovesHeld();
void stopMovingOn(Interface kind);

// Whether a move runs on the Venner lines.
bool movingOnVenner()
{
    for (std::uint8_t d : {dirEast, dirWest, dirNorth, dirSouth})
        if (detail::moving(d) && detail::startedOn(d) == Interface::Venner)
            return true;
    return false;
}

// The Venner lines of a serial entry, driven through the port layer: the
// entry's register base, reachable there (the program directory's
// "ports.map" says which device answers an address), then the lines put
// at rest. A base that cannot be reached is told and connects nothing.
// A connection of the lines a move runs on leaves them as they are: the
// move goes on and its stop reaches them. The focuser's connection never
// takes away the lines the mount's moves are held on; the mount's or the
// guide port's, naming other lines, stops what moves on the old ones first.
bool connectVenner(const QString& entry, bool movesMount)
{
    const std::uint16_t base = vennerBase(entry);
    if (base == 0)
        return false;
    const std::uint16_t held = vennerMovesHeld() ? detail::VennerBase : 0;
    if (base == held && movingOnVenner())
        return true;
    const auto modemControl = std::uint16_t(base + 4);
    if (!PortDriverOpen || !platform::portAccess().write(modemControl, 0)) {
        tellFailure(TranslatedTexts.MSG_Venner_Registres.arg(entry.trimmed(), QString::number(base, 16).toUpper()));
        return false;
    }
    if (movesMount && held != 0 && base != held)
        stopMovingOn(Interface::Venner);
    detail::VennerBase = base;
    VennerInit();
    if (!movesMount && held != 0)
        detail::VennerBase = held;
    return true;
}

// The Quillon lines of a parallel entry: its address, answered by a device
// of the port layer (the program directory's "ports.map" says which).
// Nothing is written: the lines stay as they are until a move asserts one.
bool connectQuillon(const QString& entry)
{
    const std::uint16_t base = Align_V::PortAddressFromText(entry);
    if (base == 0) {
        tellFailure(TranslatedTexts.MSG_Port_Parallele_Adresse.arg(entry.trimmed()));
        return false;
    }
    if (!PortDriverOpen || !platform::portAccess().serves(base)) {
        tellFailure(TranslatedTexts.MSG_Quillon_Port.arg(entry.trimmed(), QString::number(base, 16).toUpper()));
        return false;
    }
    return true;
}

// One ASCOM connection at a time, whoever asks for it: a "Connecter" of the
// mount or guide page, a command that connects first, autoguiding, or the
// telescope chosen with "...". Whoever asks while one runs waits for its
// outcome. The bridge ends every connection within its own bound, so the
// outcome always comes, and it is the one shown everywhere: the page says
// "en cours" until then, a failure is told by the bridge's status.
bool AscomConnecting = false;
// Numbers the attempts: an outcome of an attempt given up (by a
// disconnection or the bridge's end) finds it changed and does nothing.
std::uint64_t AscomAttempt = 0;
// The bridge the attempt under way was asked of.
AscomBridge::Bridge* AscomAttemptBridge = nullptr;
// Whether only automatic connections wait for the attempt under way.
bool AscomAttemptAutomatic = false;
// Who waits for the attempt under way: the first caller's answer and those
// of later callers that found it running, each with the page that asked.
enum class Asker { Mount, Guide, Chooser };
struct AscomWaiter {
    Asker asker;
    std::function<void(bool connected)> answer;
};
std::vector<AscomWaiter> AscomWaiting;
// A telescope chosen with "..." while another attempt ran: its own attempt
// follows once that one has ended, and is forgotten when it is given up.
std::function<void()> AscomNextChoice;

void showAscomState(const QString& text)
{
    if (!FRM_Pref)
        return;
    FRM_Pref->LBL_Error_Ascom->setText(text);
}

void fillAscomRates()
{
    if (!FRM_Raquette)
        return;
    FRM_Raquette->CBX_Rate->clear();
    for (const AscomBridge::RateRef& rate : AscomBridge::AscomSharedData.AxisRates[0])
        FRM_Raquette->CBX_Rate->addItem(rate->Name);
    if (FRM_Raquette->CBX_Rate->count() > 0)
        FRM_Raquette->CBX_Rate->setCurrentIndex(0);
}

// Ends the attempt under way and gives its outcome to everyone waiting; an
// attempt given up gives them false and drops a choice that waited. The
// moves asked meanwhile are made once the pages have taken the outcome (and
// the rates with it), or refused with a message.
void endAscomAttempt(bool connected, bool givenUp)
{
    if (!AscomConnecting)
        return;
    AscomConnecting = false;
    ++AscomAttempt;
    AscomAttemptBridge = nullptr;
    auto waiting = std::exchange(AscomWaiting, {});
    auto next = std::exchange(AscomNextChoice, {});
    for (auto& waiter : waiting)
        if (waiter.answer)
            app::runGuarded(QStringLiteral("AscomConnection"), [&] { waiter.answer(connected); });
    detail::makePendingMoves(connected && AscomBridge::AscomSharedData.Connected);
    if (next && !givenUp)
        next();
}

// Gives up the attempt under way, if any: its outcome is not waited for.
void giveUpAscomAttempt() { endAscomAttempt(false, true); }

// Starts an attempt with the request (connect, or choose for a telescope
// chosen with "..."), or joins the one under way. answer gets the outcome,
// unless the bridge gave it before this returns: it is then returned (true:
// connected) and answer is not called.
std::optional<bool> askAscomConnection(int request, Asker asker, std::function<void(bool connected)> answer)
{
    if (AscomConnecting) {
        AscomAttemptAutomatic = AscomAttemptAutomatic && AutomaticConnection;
        AscomWaiting.push_back({asker, std::move(answer)});
        return std::nullopt;
    }
    const std::uint64_t number = ++AscomAttempt;
    AscomConnecting = true;
    AscomAttemptAutomatic = AutomaticConnection;
    AscomAttemptBridge = AscomBridge::Installed();
    AscomWaiting = {{asker, std::move(answer)}};
    showAscomState(TranslatedTexts.MSG_Connexion_En_Cours);
    struct Early {
        bool returned = false;
        std::optional<bool> connected;
    };
    auto early = std::make_shared<Early>();
    AscomBridge::Request(request, [number, early](const AscomBridge::Outcome& o) {
        if (number != AscomAttempt || !AscomConnecting)
            return;   // given up already
        if (AscomAttemptBridge != AscomBridge::Installed())
            return giveUpAscomAttempt();   // the bridge has ended
        const bool connected = o.served && AscomBridge::AscomSharedData.Connected;
        if (connected) {
            fillAscomRates();
            showAscomState(QString());
            // A disconnection took it; the connected telescope can be set up.
            if (FRM_Pref)
                FRM_Pref->BTN_ASCOM_Configurer->setEnabled(true);
        } else if (!o.error.isEmpty()) {
            showAscomState(o.error);   // told by the bridge's status
        } else if (o.dropped) {
            showAscomState(QString());
        } else {
            const QString text = TranslatedTexts.MSG_Connexion_Sans_Alpaca;
            showAscomState(text);
            if (TellAscomConnectionFailure(text))
                Msg::ShowMessageText(false, text);
        }
        if (!early->returned) {
            early->connected = connected;   // returned to the caller instead
            AscomWaiting.clear();
        }
        endAscomAttempt(connected, false);
    });
    early->returned = true;
    return early->connected;
}

// Starts the connection; true when the driver is connected already or the
// bridge answered at once. An answer that comes later goes to whenLate, also
// when an attempt was under way already (one attempt at a time). connecter
// is the button that asked: disabled while it waits, as it was after a
// failure.
bool connectAscom(std::function<void(bool connected)> whenLate, QPushButton* connecter, Asker asker)
{
    if (!AscomBridge::Running()) {
        tellFailure(TranslatedTexts.MSG_Pont_ASCOM_Arrete);
        return false;
    }
    if (AscomConnecting && AscomAttemptBridge != AscomBridge::Installed())
        giveUpAscomAttempt();   // asked of a bridge that has ended since
    // The mount and the guide port share the driver: connected once is enough.
    if (!AscomConnecting && AscomBridge::AscomSharedData.Connected)
        return true;
    QPointer<QPushButton> button(connecter);
    const bool connecterWas = connecter && connecter->isEnabled();
    const auto now = askAscomConnection(AscomBridge::rqConnect, asker, [whenLate, button, connecterWas](bool connected) {
        if (!connected && button)
            button->setEnabled(connecterWas);
        if (whenLate)
            whenLate(connected);
    });
    if (now)
        return *now;
    if (connecter)
        connecter->setEnabled(false);
    return false;
}

bool connectPlugin()
{
    GuidePlugin::TInstance& instance = GuidePlugin::Instance;
    if (instance.handle != 0)
        return true;
    const auto choice = GuidePlugin::Choice(pref().CBX_Autoguide_Plugin->currentIndex());
    if (!choice || choice->guiderId == 0 || !choice->table || !choice->table->autoguide_create) {
        tellFailure(TranslatedTexts.MSG_Plugin_Aucun_Guide);
        return false;
    }
    const QByteArray name = choice->name.toUtf8();
    const QByteArray folder = (platform::joinPath(platform::programDir(), QStringLiteral("Plugins")) + '/').toUtf8();
    const std::int32_t handle =
        choice->table->autoguide_create(choice->guiderId, name.constData(), folder.constData(), 0);
    if (handle == 0) {
        tellFailure(TranslatedTexts.MSG_Plugin_Guide_Impossible.arg(choice->name));
        return false;
    }
    // 0 is connected; a guider that refuses is freed, not shown connected.
    const std::int32_t refused = choice->table->autoguide_connect ? choice->table->autoguide_connect(handle) : 0;
    if (refused != 0) {
        if (choice->table->autoguide_free)
            choice->table->autoguide_free(handle);
        tellFailure(TranslatedTexts.MSG_Plugin_Guide_Refuse.arg(choice->name).arg(refused));
        return false;
    }
    instance = {*choice, handle};
    return true;
}

bool connectInterface(Interface kind, std::function<void(bool)> whenLate, QPushButton* connecter, Asker asker)
{
    TFRM_Pref& p = pref();
    switch (kind) {
    case Interface::LX200:
    case Interface::Marrick:
    case Interface::KitsRus:
        return connectSerial(ChannelOf(kind), false);
    case Interface::Quillon:
        return connectQuillon(p.CBX_AG_PortParallele->currentText());
    case Interface::Venner:
        return connectVenner(p.CBX_AG_PortSerie->currentText(), true);
    case Interface::Ascom:
        return connectAscom(std::move(whenLate), connecter, asker);
    case Interface::Plugin:
        return connectPlugin();
    case Interface::None:
        tellFailure(TranslatedTexts.MSG_Aucune_Interface);
        break;
    }
    return false;
}

// Stops what still moves on an interface before its link goes away.
void stopMovingOn(Interface kind)
{
    for (std::uint8_t d : {dirEast, dirWest, dirNorth, dirSouth}) {
        if (!detail::moving(d) || detail::startedOn(d) != kind)
            continue;
        try {
            StopOn(kind, d);
        } catch (const std::exception& e) {
            app::reportOnce(QString::fromUtf8(e.what()));
        }
    }
}

// Closing a channel closes every channel on its port: whatever moves
// through any of them is stopped first, while the port is still open.
void stopWhatSharesPort(std::uint8_t channel)
{
    const com_io::Channel closing = com_io::channel(channel);
    const auto samePort = [&](std::uint8_t other) {
        if (other == 0)
            return false;
        const com_io::Channel c = com_io::channel(other);
        return other == channel || (closing.open && c.open && c.port == closing.port);
    };
    for (const Interface kind : {Interface::LX200, Interface::Marrick, Interface::KitsRus})
        if (samePort(ChannelOf(kind)))
            stopMovingOn(kind);
    if (FocuserKind() == Interface::LX200 && samePort(FocuserChannel()))
        detail::stopFocuserMove();
}

// Closes a page's serial channel and every channel on its port, so the
// pages that share the port go together (goesWith), once what moves through
// them is stopped. The long-exposure lines a camera holds on that port keep
// it open under their exposures.
void closeChannel(std::uint8_t channel)
{
    stopWhatSharesPort(channel);
    const com_io::Channel closing = com_io::channel(channel);
    const com_io::Channel lines = com_io::channel(ComChannel::LongExposure);
    if (!closing.open || !lines.open || lines.handle != closing.handle) {
        com_io::close_com(channel);
        return;
    }
    for (int other = 1; other <= com_io::kChannelCount; ++other) {
        const com_io::Channel c = com_io::channel(std::uint8_t(other));
        if (other != ComChannel::LongExposure && c.open && c.handle == closing.handle)
            com_io::release_com(std::uint8_t(other));
    }
}

bool disconnectInterface(Interface kind)
{
    stopMovingOn(kind);
    switch (kind) {
    case Interface::Ascom: {
        TFRM_Pref& p = pref();
        p.BTN_ASCOM_Configurer->setEnabled(false);
        // The device's address stays open to typing: it is how another
        // telescope is named before the next connection.
        // The window shows the mount disconnected at once; the driver's
        // own disconnection (its stops first) follows in the background,
        // and a connection under way gives up.
        giveUpAscomAttempt();
        if (!AscomBridge::Running())
            return true;
        AscomBridge::AscomSharedData.Connected = 0;
        auto answered = std::make_shared<bool>(false);
        AscomBridge::Request(AscomBridge::rqDisconnect, [answered](const AscomBridge::Outcome& o) {
            *answered = true;
            if (o.error.isEmpty() && !AscomConnecting)
                showAscomState(QString());
        });
        if (!*answered)
            showAscomState(TranslatedTexts.MSG_Deconnexion_En_Cours);
        return true;
    }
    case Interface::Plugin: {
        GuidePlugin::TInstance& instance = GuidePlugin::Instance;
        if (instance.handle != 0 && instance.choice.table) {
            if (instance.choice.table->autoguide_disconnect)
                instance.choice.table->autoguide_disconnect(instance.handle);
            if (instance.choice.table->autoguide_free)
                instance.choice.table->autoguide_free(instance.handle);
        }
        instance.handle = 0;
        return true;
    }
    default:
        if (kind == Interface::LX200)
            detail::Lx200Rate = -1;
        if (const std::uint8_t channel = ChannelOf(kind))
            closeChannel(channel);
        return true;
    }
}

void setEnabled(std::initializer_list<QWidget*> widgets, bool enabled)
{
    for (QWidget* w : widgets)
        w->setEnabled(enabled);
}

// The three pages of the Preferences that connect a link, as bits.
enum Page : unsigned { MountPage = 1, GuidePage = 2, FocuserPage = 4 };
using Pages = unsigned;

// What the pages show: the mount's "Deconnecter", and the guide port's test
// buttons (its "Deconnecter" is switched off by autoguiding), follow their
// connection; so do the focuser's.
bool mountShownConnected() { return pref().BTN_Mount_Deconnecter->isEnabled(); }
bool guideShownConnected() { return pref().BTN_Autoguide_Nord->isEnabled(); }
bool focuserShownConnected() { return pref().BTN_Focus_Deconnecter->isEnabled(); }

bool shownConnected(Page page)
{
    switch (page) {
    case MountPage: return mountShownConnected();
    case GuidePage: return guideShownConnected();
    default: return focuserShownConnected();
    }
}

// The interface the mount's connection opens: the mount's choice, or, with
// no mount chosen, the guide port's interface (a guide box then drives the
// mount's moves).
Interface mountConnectionKind()
{
    const Interface mount = MountKind();
    return mount != Interface::None ? mount : GuideKind();
}

// What a page's connection holds: an interface and its serial channel, and
// whether the mount's moves go through it (the mount's and the guide port's
// links do, the focuser's does not).
struct Link {
    Interface kind = Interface::None;
    std::uint8_t channel = 0;
    bool movesMount = true;
};

Link linkOf(Interface kind) { return {kind, ChannelOf(kind)}; }

Link heldLink(Page page)
{
    switch (page) {
    case MountPage: return linkOf(mountConnectionKind());
    case GuidePage: return linkOf(GuideConnectionKind());
    default: return {FocuserKind(), FocuserChannel(), false};
    }
}

// Whether `other` goes when `closed` is closed: one driver or plug-in
// guider serves every page that uses it, and closing a serial channel
// closes every channel on its port. The Venner and Quillon lines hold
// nothing open, but the mount's moves on them are one: the mount's page and
// the guide port's page that drive them (no mount chosen beside a guide
// box) hold the same lines, and closing either stops what moves on them.
bool goesWith(const Link& closed, const Link& other)
{
    switch (other.kind) {
    case Interface::Ascom:
    case Interface::Plugin:
        return closed.kind == other.kind;
    case Interface::Venner:
    case Interface::Quillon:
        return closed.kind == other.kind && closed.movesMount && other.movesMount;
    case Interface::LX200:
    case Interface::Marrick:
    case Interface::KitsRus: {
        if (closed.channel == 0 || other.channel == 0)
            return false;
        if (closed.channel == other.channel)
            return true;
        const com_io::Channel a = com_io::channel(closed.channel), b = com_io::channel(other.channel);
        return a.open && b.open && a.port == b.port;
    }
    default:
        return false;
    }
}

bool vennerMovesHeld()
{
    for (const Page page : {MountPage, GuidePage})
        if (shownConnected(page) && heldLink(page).kind == Interface::Venner)
            return true;
    return false;
}

bool linkUp(const Link& link)
{
    switch (link.kind) {
    case Interface::Ascom: return AscomBridge::AscomSharedData.Connected && !AscomConnecting;
    case Interface::Plugin: return GuidePlugin::Instance.handle != 0;
    case Interface::LX200:
    case Interface::Marrick:
    case Interface::KitsRus: return link.channel != 0 && com_io::channel(link.channel).open;
    default: return false;
    }
}

// The interface choices a connection holds: the mount's connection holds
// the mount's choices and the guide boxes that would drive its moves, the
// guide port's every guide choice. A choice stays held while either
// connection that holds it is up, and is given back once neither is.
void lockInterfaceChoices()
{
    TFRM_Pref& p = pref();
    const bool mount = mountShownConnected();
    const bool guide = guideShownConnected();
    setEnabled({p.RDB_Mount_Aucun, p.RDB_Mount_ASCOM, p.RDB_Mount_LX200}, !mount);
    setEnabled({p.RDB_Autoguide_Marrick, p.RDB_Autoguide_Venner, p.RDB_Autoguide_Quillon, p.RDB_Autoguide_KitsRus108,
                p.RDB_Autoguide_Plugin},
               !mount && !guide);
    setEnabled({p.RDB_Autoguide_Aucun, p.RDB_Autoguide_ASCOM, p.RDB_Autoguide_LX200}, !guide);
}

// Autoguiding chosen holds the guide port it connected: the page's
// "Deconnecter" stays off however the port comes to be connected.
bool autoguidingChosen() { return FRM_Tool_Suivi && FRM_Tool_Suivi->RDB_Autoguidage->isChecked(); }

void lockGuidePort(bool connected)
{
    if (connected)
        ToldAutomatically.clear();
    TFRM_Pref& p = pref();
    p.BTN_Autoguide_Connecter->setEnabled(!connected);
    setEnabled({p.BTN_Autoguide_Nord, p.BTN_Autoguide_Sud, p.BTN_Autoguide_Est, p.BTN_Autoguide_Ouest,
                p.BTN_Autoguide_Stop},
               connected);
    lockInterfaceChoices();
    FollowAutoguidingChoice();
}

// A link that comes up while autoguiding is chosen, whichever page
// connected it (the mount's, when a correction connects it first): the
// guide port autoguiding holds shows itself connected when it is that link.
void showHeldGuidePort()
{
    if (autoguidingChosen() && !guideShownConnected() && linkUp(heldLink(GuidePage)))
        lockGuidePort(true);
}

void lockMount(bool connected)
{
    if (connected)
        ToldAutomatically.clear();
    TFRM_Pref& p = pref();
    p.BTN_Mount_Connecter->setEnabled(!connected);
    setEnabled({p.BTN_Mount_Deconnecter, p.BTN_Mount_Nord, p.BTN_Mount_Sud, p.BTN_Mount_Est, p.BTN_Mount_Ouest,
                p.BTN_Mount_Stop},
               connected);
    lockInterfaceChoices();
    if (connected)
        showHeldGuidePort();
}

void lockFocuser(bool connected)
{
    if (connected)
        ToldAutomatically.clear();
    TFRM_Pref& p = pref();
    // Every interface choice waits for the disconnection: the one connected
    // is the one "Deconnecter" closes, its port with it.
    setEnabled({p.RDB_Focus_Aucun, p.RDB_Focus_LX200, p.RDB_Focus_Venner, p.RDB_Focus_Quillon, p.RDB_Focus_Plugin,
                p.RDB_Focus_Kitsrus, p.RDB_Focus_ASCOM, p.BTN_Focus_Connecter},
               !connected);
    setEnabled({p.BTN_Focus_Deconnecter, p.BTN_In, p.BTN_Out}, connected);
    if (connected)
        showHeldGuidePort();
}

// The pages a page's disconnection takes down with it: itself, and every
// other page shown connected whose link goes with the one it closes (the
// same driver or plug-in guider, a serial channel on the port it shares).
// Nothing when it is not connected.
Pages pagesClosedBy(Page page)
{
    if (!shownConnected(page))
        return 0;
    Link closed;
    switch (page) {
    case MountPage: closed = linkOf(mountConnectionKind()); break;
    // Without a guide interface the mount keeps the link it lent.
    case GuidePage: closed = linkOf(GuideKind()); break;
    default: closed = heldLink(FocuserPage); break;
    }
    Pages pages = page;
    for (const Page other : {MountPage, GuidePage, FocuserPage})
        if (other != page && shownConnected(other) && goesWith(closed, heldLink(other)))
            pages |= other;
    return pages;
}

// The page whose link the moves of StartMotion (guiding, a relative goto)
// go through, and that they connect first.
Page motionPage() { return MotionUsesMount() ? MountPage : GuidePage; }

// The main window's operation while the motor speeds are learnt: each of its
// steps moves the mount.
constexpr std::uint8_t kLearningRunning = 14;

// What works on its own through the links of these pages and would connect
// one of them again at its next step: guiding's corrections, the learning
// of the motor speeds, the automatic focusing. The text tells what to stop;
// empty when nothing does.
QString inUseBy(Pages pages)
{
    if (const TFRM_Tool_Suivi* s = FRM_Tool_Suivi; s && s->CKB_Suivi->isChecked() && (pages & motionPage())) {
        if (s->RDB_Autoguidage->isChecked())
            return TranslatedTexts.MSG_Deconnexion_Autoguidage;
        if (s->CKB_Recentrage->isChecked())
            return TranslatedTexts.MSG_Deconnexion_Recentrage;
    }
    if (ProcedureState == kLearningRunning && (pages & motionPage()))
        return TranslatedTexts.MSG_Deconnexion_Apprentissage;
    if (FRM_Raquette && FRM_Raquette->AutofocusRunning() && (pages & FocuserPage))
        return TranslatedTexts.MSG_Deconnexion_Autofocus;
    return {};
}

// The pages whose link was closed show themselves disconnected, and their
// next command connects again.
void showClosed(Pages pages)
{
    if (pages & MountPage)
        lockMount(false);
    if (pages & GuidePage)
        lockGuidePort(false);
    if (pages & FocuserPage)
        lockFocuser(false);
}

// A "Deconnecter" that would close a link in use: the user is told what
// uses it, and nothing changes.
bool refusedWhileInUse(Pages pages)
{
    const QString why = inUseBy(pages);
    if (why.isEmpty())
        return false;
    Msg::ShowMessageText(false, why);
    return true;
}

// A goto that goes through a link about to close ends as failed while the
// line is still open.
void endGotosThrough(Pages pages)
{
    EndGotoOfClosedLink((pages & MountPage) != 0, (pages & motionPage()) != 0);
}

struct ConnectingScope {
    ConnectingScope() { detail::Connecting = true; }
    ~ConnectingScope() { detail::Connecting = false; }
};

void afterConnectClick(bool lx200, bool ascom)
{
    if (lx200 && FRM_Raquette) {
        const int position = FRM_Raquette->CBX_Rate->findText(FRM_Raquette->CBX_Rate->currentText());
        if (position >= 0 && position <= 3)
            SelectSlewRate(3 - position);
    }
    if (ascom)
        detail::useChosenAscomRates();
    if (frmJoy) {
        frmJoy->SetJoystickHandler([](std::uint16_t, double, double, double, double) {});
        if (FRM_Raquette)
            frmJoy->Active = FRM_Raquette->CKB_Active_Joystick->isChecked();
    }
}

} // namespace

void detail::forgetToldFailures()
{
    ToldAutomatically.clear();
    LastFailureMet.clear();
    Unopened = {};
    BoxesDue.clear();
}

bool detail::runningAutomatically() { return AutomaticConnection; }

void detail::raiseIfUnconnected(std::uint8_t channel)
{
    if (channel == 0 || channel > com_io::kChannelCount || com_io::channel(channel).open)
        return;
    const QString& why = Unopened[channel];
    if (!why.isEmpty())
        throw app::ToldFailure(why, BoxesDue.contains(why));
}

bool RunAutomatically(const std::function<void()>& command)
{
    const AutomaticScope automatic;
    const int failuresBefore = FailuresMet;
    try {
        command();
        return true;
    } catch (const app::ToldFailure&) {
        // Its link's failure, told once already.
    } catch (const std::exception& e) {
        if (FailuresMet == failuresBefore)
            tellFailure(QString::fromUtf8(e.what()));
    }
    return false;
}

void detail::useChosenAscomRates()
{
    auto& shared = AscomBridge::AscomSharedData;
    const auto fallback = [] { return std::make_shared<AscomBridge::TASCOMRate>(AscomBridge::TASCOMRate{{}, 0, 0, 3.0}); };
    const int index = FRM_Raquette ? FRM_Raquette->CBX_Rate->currentIndex() : -1;
    const bool listed = FRM_Raquette && FRM_Raquette->CBX_Rate->count() > 0;
    for (std::size_t axis = 0; axis < 2; ++axis) {
        if (!listed)
            shared.CurrentRate[axis] = fallback();
        else if (index >= 0 && index < int(shared.AxisRates[axis].size()))
            shared.CurrentRate[axis] = shared.AxisRates[axis][std::size_t(index)];
        else if (!shared.CurrentRate[axis])
            shared.CurrentRate[axis] = fallback();   // a list of another interface's rates
    }
}

// The guide page's "Deconnecter" follows the choice of autoguiding, which
// holds the port, whatever changes it: the tracking window, the hand pad's
// goto, a script, a connection refused.
void FollowAutoguidingChoice()
{
    if (FRM_Pref)
        pref().BTN_Autoguide_Deconnecter->setEnabled(guideShownConnected() && !autoguidingChosen());
}

bool AscomConnectionUnderWay() { return AscomConnecting && AscomAttemptBridge == AscomBridge::Installed(); }

bool TellAscomConnectionFailure(const QString& text)
{
    // One given up meanwhile is nobody's any more: told once, too.
    const bool automatic = !AscomConnecting || AscomAttemptAutomatic;
    if (automatic && ToldAutomatically.contains(text))
        return false;
    ToldAutomatically.insert(text);
    return true;
}

bool ConnectMount()
{
    const bool ok = connectInterface(mountConnectionKind(), [](bool connected) {
        if (connected)
            lockMount(true);
        afterConnectClick(false, connected && MountKind() == Interface::Ascom);
    }, pref().BTN_Mount_Connecter, Asker::Mount);
    if (ok)
        lockMount(true);
    return ok;
}

Interface GuideConnectionKind()
{
    const Interface guide = GuideKind();
    return guide != Interface::None ? guide : MountKind();
}

namespace {

// No guide interface beside a chosen mount: the guide moves go to the mount
// (StartMotion), so the guide port's connection is the mount's link. A link
// the mount's page holds already serves as it is; one opened here shows on
// both pages, and stays the mount's when the guide port lets go of it.
bool connectGuideThroughMount(const std::function<void(bool connected)>& whenAnswered)
{
    if (mountShownConnected()) {
        lockGuidePort(true);
        return true;
    }
    const bool ok = connectInterface(MountKind(), [whenAnswered](bool connected) {
        if (connected) {
            lockMount(true);
            lockGuidePort(true);
        }
        afterConnectClick(false, connected && MountKind() == Interface::Ascom);
        if (whenAnswered)
            whenAnswered(connected);
    }, pref().BTN_Autoguide_Connecter, Asker::Guide);
    if (ok) {
        lockMount(true);
        lockGuidePort(true);
    }
    return ok;
}

} // namespace

bool ConnectGuidePort(std::function<void(bool connected)> whenAnswered)
{
    if (GuideKind() == Interface::None && MountKind() != Interface::None)
        return connectGuideThroughMount(whenAnswered);
    const bool ok = connectInterface(GuideKind(), [whenAnswered](bool connected) {
        if (connected)
            lockGuidePort(true);
        afterConnectClick(false, connected && GuideKind() == Interface::Ascom);
        if (whenAnswered)
            whenAnswered(connected);
    }, pref().BTN_Autoguide_Connecter, Asker::Guide);
    if (ok)
        lockGuidePort(true);
    return ok;
}

bool ConnectFocuser()
{
    TFRM_Pref& p = pref();
    bool ok = false;
    switch (FocuserKind()) {
    case Interface::Quillon:
        ok = connectQuillon(p.CBX_AG_Focus_PortParallele->currentText());
        break;
    case Interface::Venner:
        ok = connectVenner(p.CBX_AG_Focus_PortSerie->currentText(), false);
        break;
    case Interface::LX200:
        ok = connectSerial(FocuserChannel(), true);
        break;
    default:
        // Told to whoever pressed "Connecter"; a focuser command of such a
        // kind does nothing, without asking each time.
        if (!detail::Connecting)
            tellFailure(TranslatedTexts.MSG_Focus_Sans_Interface);
        break;
    }
    if (ok)
        lockFocuser(true);
    return ok;
}

namespace {

// A page that lets go while it is not connected: it stops waiting for the
// ASCOM connection under way (told "not connected"); a connection nobody
// waits for any more is given up. The link of another page stays.
void stopWaitingForAscom(Asker asker)
{
    if (!AscomConnecting)
        return;
    std::vector<AscomWaiter> mine;
    std::erase_if(AscomWaiting, [&](AscomWaiter& w) {
        if (w.asker != asker)
            return false;
        mine.push_back(std::move(w));
        return true;
    });
    if (AscomWaiting.empty() && !AscomNextChoice)
        disconnectInterface(Interface::Ascom);
    for (auto& waiter : mine)
        if (waiter.answer)
            app::runGuarded(QStringLiteral("AscomConnection"), [&] { waiter.answer(false); });
}

} // namespace

void DisconnectMount(bool byFocuser)
{
    const Interface kind = mountConnectionKind();
    if (!mountShownConnected()) {
        if (kind == Interface::Ascom)
            stopWaitingForAscom(Asker::Mount);
        return;
    }
    const Pages closing = pagesClosedBy(MountPage);
    endGotosThrough(closing);
    const bool sharesFocuser = ChannelOf(kind) != 0 && ChannelOf(kind) == FocuserChannel();
    if (sharesFocuser)
        detail::stopFocuserMove();   // while the shared port is open
    if (!disconnectInterface(kind))
        return;
    if (sharesFocuser && !byFocuser)
        DisconnectFocuser(false);
    showClosed(closing);
}

void DisconnectGuidePort(bool byFocuser)
{
    // Without a guide interface of its own the guide port borrowed the
    // mount's link (connectGuideThroughMount): the mount keeps it.
    const Interface kind = GuideKind();
    if (!guideShownConnected()) {
        if (GuideConnectionKind() == Interface::Ascom)
            stopWaitingForAscom(Asker::Guide);
        return;
    }
    const Pages closing = pagesClosedBy(GuidePage);
    endGotosThrough(closing);
    const bool sharesFocuser = ChannelOf(kind) != 0 && ChannelOf(kind) == FocuserChannel();
    if (sharesFocuser)
        detail::stopFocuserMove();
    if (!disconnectInterface(kind))
        return;
    if (sharesFocuser && !byFocuser)
        DisconnectFocuser(false);
    showClosed(closing);
}

void LetGoOfGuidePort()
{
    const Pages closing = pagesClosedBy(GuidePage);
    if ((closing & ~Pages(GuidePage)) != 0 || !inUseBy(closing).isEmpty())
        return;
    DisconnectGuidePort();
}

bool LetGoOfChosenTelescope()
{
    if (!AscomConnecting && !AscomBridge::AscomSharedData.Connected)
        return true;
    // What autoguiding, the re-centring or the autofocus sends through is
    // kept, as "Deconnecter" keeps it.
    if (mountConnectionKind() == Interface::Ascom && mountShownConnected()) {
        if (refusedWhileInUse(pagesClosedBy(MountPage)))
            return false;
        DisconnectMount();
    } else if (GuideKind() == Interface::Ascom && guideShownConnected()) {
        if (refusedWhileInUse(pagesClosedBy(GuidePage)))
            return false;
        DisconnectGuidePort();
    } else {
        disconnectInterface(Interface::Ascom);   // connected by "..." alone
    }
    return true;
}

void ConnectChosenTelescope(std::function<void(bool connected)> answer)
{
    if (AscomConnecting && AscomAttemptBridge != AscomBridge::Installed())
        giveUpAscomAttempt();   // asked of a bridge that has ended since
    if (AscomConnecting) {
        // One attempt at a time: this one follows the attempt under way.
        AscomNextChoice = [answer] { ConnectChosenTelescope(answer); };
        return;
    }
    // The driver is made anew: what it moves is stopped first (the stops go
    // out ahead of the connection), and the pages that held it follow the
    // new one's outcome.
    stopMovingOn(Interface::Ascom);
    const bool mountHeld = mountShownConnected() && mountConnectionKind() == Interface::Ascom;
    const bool guideHeld = guideShownConnected() && GuideKind() == Interface::Ascom;
    const auto outcome = [answer, mountHeld, guideHeld](bool connected) {
        if (!connected && mountHeld)
            lockMount(false);
        if (!connected && guideHeld)
            lockGuidePort(false);
        if (answer)
            answer(connected);
        if (connected && mountHeld) {
            lockMount(true);
            afterConnectClick(false, MountKind() == Interface::Ascom);
        }
    };
    if (const auto now = askAscomConnection(AscomBridge::rqChoose, Asker::Chooser, outcome))
        outcome(*now);
}

void DisconnectFocuser(bool alsoMount)
{
    const Pages closing = pagesClosedBy(FocuserPage);
    endGotosThrough(closing);
    detail::stopFocuserMove();
    // The mount goes first: its moves are stopped while a port it may share
    // with the focuser is still open.
    if (alsoMount)
        DisconnectMount(true);
    if (const std::uint8_t channel = FocuserChannel())
        closeChannel(channel);
    lockFocuser(false);
    showClosed(closing);
}

void ReleaseGuidePlugin()
{
    if (GuidePlugin::Instance.handle != 0)
        disconnectInterface(Interface::Plugin);
    GuidePlugin::Instance = {};
}

namespace {

void connectMountPage()
{
    ConnectingScope scope;
    // The rate goes out only on a link that is up.
    const bool ok = ConnectMount();
    afterConnectClick(ok && MountKind() == Interface::LX200, ok && MountKind() == Interface::Ascom);
}

void connectGuidePage()
{
    ConnectingScope scope;
    const bool ok = ConnectGuidePort();
    const Interface kind = GuideConnectionKind();
    afterConnectClick(ok && kind == Interface::LX200, ok && kind == Interface::Ascom);
}

// The one rule of the connections that commands make first (the moves,
// every stop, the mount's commands, the focuser's): a page connects by
// itself while its "Connecter" is offered and an interface is chosen for
// the link it opens. With none chosen there is nothing to connect and
// nothing to tell: the command acts on nothing. Never from inside a
// connection. What fails is told once however often it is retried
// (tellFailure).
bool connectsByItself(const QPushButton* connecter, Interface kind)
{
    return !detail::Connecting && connecter->isEnabled() && kind != Interface::None;
}

} // namespace

void MountConnectClick()
{
    ToldAutomatically.clear();
    connectMountPage();
}

void GuideConnectClick()
{
    ToldAutomatically.clear();
    connectGuidePage();
}

void MountDisconnectClick()
{
    if (!refusedWhileInUse(pagesClosedBy(MountPage)))
        DisconnectMount();
}

void GuideDisconnectClick()
{
    if (!refusedWhileInUse(pagesClosedBy(GuidePage)))
        DisconnectGuidePort();
}

void FocuserDisconnectClick()
{
    if (!refusedWhileInUse(pagesClosedBy(FocuserPage) | pagesClosedBy(MountPage)))
        DisconnectFocuser(true);
}

void OfferMountConnection(bool offered)
{
    if (FRM_Pref)
        FRM_Pref->BTN_Mount_Connecter->setEnabled(offered && !mountShownConnected());
}

void AutoConnectMount()
{
    if (!FRM_Pref || !connectsByItself(FRM_Pref->BTN_Mount_Connecter, mountConnectionKind()))
        return;
    const AutomaticScope automatic;
    connectMountPage();
}

void AutoConnectGuidePort()
{
    if (!FRM_Pref || !connectsByItself(FRM_Pref->BTN_Autoguide_Connecter, GuideConnectionKind()))
        return;
    const AutomaticScope automatic;
    connectGuidePage();
}

void AutoConnectFocuser()
{
    if (!FRM_Pref || !connectsByItself(FRM_Pref->BTN_Focus_Connecter, FocuserKind()))
        return;
    const AutomaticScope automatic;
    ConnectingScope scope;
    ConnectFocuser();
}

void ConnectMountFirst(std::function<void(bool linked)> then)
{
    const Interface kind = FRM_Pref ? mountConnectionKind() : Interface::None;
    if (kind == Interface::None)
        return then(true);
    const bool attempted = connectsByItself(FRM_Pref->BTN_Mount_Connecter, kind);
    try {
        AutoConnectMount();
    } catch (...) {
        then(false);
        throw;   // told by the event boundary, once per cause
    }
    if (mountShownConnected())
        return then(true);
    if (kind == Interface::Ascom && AscomConnecting) {
        AscomWaiting.push_back({Asker::Mount, [then = std::move(then)](bool connected) {
            // Connected for another page: the mount's page takes the driver too.
            if (connected && !mountShownConnected())
                AutoConnectMount();
            then(connected && mountShownConnected());
        }});
        return;
    }
    if (!attempted) {
        // Its "Connecter" is off (a telescope whose choice was refused):
        // nothing connected it, and the user is told so.
        const AutomaticScope automatic;
        tellFailure(TranslatedTexts.MSG_Monture_Non_Connectee);
    }
    then(false);
}

} // namespace Prg_Suivi
