#include "mount_fixture.h"

#include "telescope/alpaca/alpaca_bridge.h"
#include "telescope/alpaca/alpaca_chooser.h"
#include "telescope/alpaca/alpaca_http.h"
#include "telescope/alpaca/alpaca_protocol.h"
#include "telescope/frm_raquette.h"
#include "telescope/mount_state.h"
#include "telescope/prg_suivi.h"
#include "telescope/sim/alpaca_simulator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTcpSocket>
#include <QThread>
#include <cmath>
#include <functional>

using namespace AscomBridge;
using Telescope::AlpacaSimulator;

namespace {

QStringList names(const std::vector<RateRef>& rates)
{
    QStringList out;
    for (const RateRef& r : rates)
        out << r->Name;
    return out;
}

// Lets queued status reports of the worker reach this thread.
void drainEvents()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

// Lets the interface thread take the bridge's answers until pred holds (or
// timeout_ms).
bool waitUntil(const std::function<bool()>& pred, int timeout_ms = 5000)
{
    QElapsedTimer t;
    t.start();
    while (!pred() && t.elapsed() < timeout_ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return pred();
}

// Waits until the simulator saw `count` calls of a member (or 3 s).
bool waitForCalls(const AlpacaSimulator& sim, const QString& prefix, int count)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 3000) {
        if (sim.calls().filter(prefix).size() >= count)
            return true;
        QThread::msleep(5);
    }
    return false;
}

class AlpacaBridgeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        AscomSharedData = {};
        Alpaca::AlpacaBridge::Sources sources;
        sources.address = [this] { return address; };
        sources.rateEntries = [] {
            return Alpaca::ReadRateEntries("[AxisRates]\r\nLent=0.5\r\nRapide=4\r\nTrop=5\r\nabc=abc\r\nNeg=-1\r\n");
        };
        sources.status = [this](const Alpaca::AlpacaBridge::Status& s) { statuses.push_back(s); };
        bridge = std::make_unique<Alpaca::AlpacaBridge>(sources);
    }
    void TearDown() override
    {
        bridge.reset();
        AscomSharedData = {};
    }
    bool connect()
    {
        Signal(rqConnect);
        const bool ok = bridge->WaitDataSet(kConnectWait_ms) && AscomSharedData.Connected;
        drainEvents();
        if (!ok && !statuses.empty())
            ADD_FAILURE() << statuses.back().error.toStdString();
        return ok;
    }
    void Signal(int request) { bridge->Signal(request); }
    bool Ask(int request, int wait_ms = 2000)
    {
        bridge->Signal(request);
        return bridge->WaitDataSet(wait_ms);
    }

    AlpacaSimulator sim;
    QString address = QStringLiteral("127.0.0.1:%1/0").arg(sim.port());
    std::vector<Alpaca::AlpacaBridge::Status> statuses;
    std::unique_ptr<Alpaca::AlpacaBridge> bridge;
};

} // namespace

TEST(AlpacaProtocol, AddressesRepliesAndRatesAreReadStrictly)
{
    const auto a = Alpaca::ParseDeviceAddress(QStringLiteral(" 192.168.1.20:11111/2 "));
    ASSERT_TRUE(a);
    EXPECT_EQ(a->memberUrl(QStringLiteral("moveaxis")), QStringLiteral("http://192.168.1.20:11111/api/v1/telescope/2/moveaxis"));
    for (const char* bad : {"ASCOM.Simulator.Telescope", "host:0/1", "host:70000/1", "host:11111", ""})
        EXPECT_FALSE(Alpaca::ParseDeviceAddress(QString::fromLatin1(bad))) << bad;

    EXPECT_TRUE(Alpaca::ParseReply(R"({"Value":1.5,"ErrorNumber":0})", true).ok);
    EXPECT_FALSE(Alpaca::ParseReply(R"({"ErrorNumber":0})", true).ok) << "a read without a value";
    EXPECT_TRUE(Alpaca::ParseReply(R"({"ErrorNumber":0})", false).ok);
    const auto refused = Alpaca::ParseReply(R"({"ErrorNumber":1031,"ErrorMessage":"non"})", false);
    EXPECT_FALSE(refused.ok);
    EXPECT_TRUE(refused.error.contains(QStringLiteral("1031")));
    EXPECT_FALSE(Alpaca::ParseReply("<html>", true).ok);
    EXPECT_EQ(Alpaca::ParseDiscoveryReply(R"({"AlpacaPort":11111})"), quint16(11111));
    EXPECT_FALSE(Alpaca::ParseDiscoveryReply(R"({"AlpacaPort":0})"));

    // Named rates: equal to the fastest axis enters, faster not, "abc" reads
    // as 0, negative rates are left out; no movable axis takes only zeros.
    const auto entries = Alpaca::ReadRateEntries("[AxisRates]\r\nA=1\r\nB=2.5\r\nC=2.6\r\nD=abc\r\nE=-1\r\n");
    EXPECT_EQ(names(Alpaca::RatesWithin(entries, 2.5)), (QStringList{"A", "B", "D"}));
    EXPECT_EQ(names(Alpaca::RatesWithin(entries, 0)), QStringList{"D"});
    EXPECT_TRUE(Alpaca::RatesWithin(Alpaca::ReadRateEntries(""), 3).empty());
}

TEST_F(AlpacaBridgeTest, RequestsReachTheDriverWithTheirOwnInputs)
{
    ASSERT_TRUE(sim.listening());
    // Gated before the connection: nothing is called, no answer counts.
    AscomSharedData.TargetRightAscension = 3;
    Signal(rqSyncToCoordinates);
    EXPECT_FALSE(Ask(rqGetRightAscension, 500));

    ASSERT_TRUE(connect());
    EXPECT_EQ(names(AscomSharedData.AxisRates[0]), (QStringList{"Lent", "Rapide", "abc"}));
    EXPECT_EQ(AscomSharedData.MaxAxisRate, 4.0);
    EXPECT_TRUE(sim.calls().filter(QStringLiteral("synctocoordinates")).isEmpty());

    // North +Maximum on axis 1, south -, east - on axis 0; each request
    // keeps the inputs it was signalled with.
    AscomSharedData.CurrentRate = {AscomSharedData.AxisRates[0][0], AscomSharedData.AxisRates[1][1]};
    int sent = 0;
    for (std::uint8_t d : {dirNorth, dirSouth, dirEast}) {
        AscomSharedData.Direction = d;
        Signal(rqMoveAxis);
        ASSERT_TRUE(waitForCalls(sim, QStringLiteral("PUT moveaxis"), ++sent));
    }
    // Two releases in a row: two stops.
    AscomSharedData.Direction = dirNorth;
    Signal(rqStopAxis);
    Signal(rqStopAxis);
    ASSERT_TRUE(waitForCalls(sim, QStringLiteral("PUT moveaxis"), 5));
    const QStringList moves = sim.calls().filter(QStringLiteral("PUT moveaxis"));
    EXPECT_EQ(moves, (QStringList{"PUT moveaxis Axis=1&Rate=4", "PUT moveaxis Axis=1&Rate=-4",
                                  "PUT moveaxis Axis=0&Rate=-0.5", "PUT moveaxis Axis=1&Rate=0",
                                  "PUT moveaxis Axis=1&Rate=0"}));

    // Without asynchronous slews the synchronous one is used.
    sim.update([](AlpacaSimulator::State& s) {
        s.canSlewAsync = false;
        s.slewRate = 1000;
    });
    ASSERT_TRUE(connect());
    AscomSharedData.TargetRightAscension = 5;
    AscomSharedData.TargetDeclination = 10;
    Signal(rqSlewToCoordinatesAsync);
    Signal(rqSyncToCoordinates);
    ASSERT_TRUE(waitForCalls(sim, QStringLiteral("PUT synctocoordinates"), 1));
    ASSERT_TRUE(Ask(rqGetRightAscension));
    EXPECT_EQ(sim.calls().filter(QStringLiteral("PUT slew")),
              QStringList{"PUT slewtocoordinates RightAscension=5&Declination=10"});
    EXPECT_EQ(AscomSharedData.RightAscension, 5.0);
}

TEST_F(AlpacaBridgeTest, AFailureIsToldAndLaterRequestsStillReachTheDriver)
{
    ASSERT_TRUE(connect());
    AscomSharedData.CurrentRate = {AscomSharedData.AxisRates[0][1], AscomSharedData.AxisRates[1][1]};
    AscomSharedData.RightAscension = 7;

    // A read that fails while the west axis moves: the record keeps its
    // position, the panel says why, the connection and the move stay.
    AscomSharedData.Direction = dirWest;
    Signal(rqMoveAxis);
    ASSERT_TRUE(waitForCalls(sim, QStringLiteral("PUT moveaxis Axis=0&Rate=4"), 1));
    sim.update([](AlpacaSimulator::State& s) {
        s.failMember = QStringLiteral("rightascension");
        s.failCount = 1;
    });
    EXPECT_FALSE(Ask(rqGetRightAscension));
    EXPECT_EQ(AscomSharedData.RightAscension, 7.0);
    EXPECT_EQ(AscomSharedData.Connected, 1);
    EXPECT_EQ(sim.state().axisRate[0], 4.0);
    drainEvents();
    ASSERT_FALSE(statuses.empty());
    EXPECT_FALSE(statuses.back().ok);
    EXPECT_TRUE(statuses.back().error.contains(QStringLiteral("rightascension")));
    // The next read is served again and clears the error.
    EXPECT_TRUE(Ask(rqGetRightAscension));
    drainEvents();
    EXPECT_TRUE(statuses.back().ok);

    // A refused move stops its axis.
    sim.update([](AlpacaSimulator::State& s) {
        s.failMember = QStringLiteral("moveaxis");
        s.failCount = 1;
    });
    AscomSharedData.Direction = dirNorth;
    Signal(rqMoveAxis);
    ASSERT_TRUE(waitForCalls(sim, QStringLiteral("PUT moveaxis Axis=1&Rate=0"), 1));

    // A release after a failure still stops its axis.
    sim.update([](AlpacaSimulator::State& s) { s.axisRate[1] = 4; });
    AscomSharedData.Direction = dirNorth;
    Signal(rqStopAxis);
    ASSERT_TRUE(waitForCalls(sim, QStringLiteral("PUT moveaxis Axis=1&Rate=0"), 2));
    EXPECT_EQ(sim.state().axisRate[1], 0.0);

    // A driver that hangs: the requester waits no longer than it asked.
    ASSERT_TRUE(connect());
    sim.update([](AlpacaSimulator::State& s) { s.hang = true; });
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(Ask(rqGetDeclination, kAnswerWait_ms));
    EXPECT_LT(t.elapsed(), 2000);
    sim.update([](AlpacaSimulator::State& s) { s.hang = false; });

    // Ending the bridge stops what still moves.
    bridge.reset();
    SetUp();
    ASSERT_TRUE(connect());
    AscomSharedData.CurrentRate = {AscomSharedData.AxisRates[0][0], AscomSharedData.AxisRates[1][0]};
    AscomSharedData.Direction = dirSouth;
    Signal(rqMoveAxis);
    ASSERT_TRUE(waitForCalls(sim, QStringLiteral("PUT moveaxis Axis=1&Rate=-0.5"), 1));
    EXPECT_TRUE(bridge->Stop(kStopWait_ms));
    EXPECT_EQ(sim.state().axisRate[1], 0.0);
}

TEST_F(MountTest, AlpacaTelescopeFoundByDiscoveryIsDrivenFromTheHandPad)
{
    AlpacaSimulator sim(0, 0);
    ASSERT_TRUE(sim.listening());
    ASSERT_NE(sim.discoveryPort(), 0);
    dir.writeFile(QStringLiteral("ASComRates.ini"), "[AxisRates]\r\nLent=0.5\r\nRapide=2\r\n");
    Alpaca::DiscoveryPorts = {sim.discoveryPort()};
    Alpaca::DiscoveryBroadcast = false;
    QStringList offered;
    Alpaca::SetChooserDialog([&](const QStringList& entries, const QString&) -> std::optional<QString> {
        offered = entries;
        return entries.value(0);
    });
    pref().RDB_Mount_ASCOM->setChecked(true);
    Alpaca::ChooseTelescope();
    const QString address = QStringLiteral("127.0.0.1:%1/0").arg(sim.port());
    ASSERT_TRUE(waitUntil([&] { return !offered.isEmpty() && pref().BTN_Mount_Connecter->isEnabled(); }));
    ASSERT_EQ(offered, QStringList{address + QStringLiteral(" – Simulateur Alpaca")});
    EXPECT_EQ(pref().EDT_ASCOM_Telescope->text(), address);
    EXPECT_TRUE(pref().BTN_Mount_Connecter->isEnabled());
    EXPECT_TRUE(pref().BTN_ASCOM_Configurer->isEnabled());

    // Connected through the Preferences: the hand pad lists the rates.
    Prg_Suivi::MountConnectClick();
    ASSERT_TRUE(waitUntil([] { return FRM_Raquette->CBX_Rate->count() == 2; }));
    ASSERT_TRUE(AscomSharedData.Connected);
    FRM_Raquette->CBX_Rate->setCurrentIndex(1);
    FRM_Raquette->CBX_RateChange();

    // "W" held: the mount moves west at the chosen rate; the release stops it.
    FRM_Raquette->DirectionDown(dirWest);
    ASSERT_TRUE(waitForCalls(sim, QStringLiteral("PUT moveaxis Axis=0&Rate=2"), 1));
    QThread::msleep(300);
    FRM_Raquette->DirectionUp(dirWest);
    ASSERT_TRUE(waitForCalls(sim, QStringLiteral("PUT moveaxis Axis=0&Rate=0"), 1));
    const double ra = sim.state().raHours;
    EXPECT_LT(ra, 24.0);
    EXPECT_GT(ra, 23.9) << "west lowers the right ascension from 0 h";
    FRM_Raquette->BTN_Position_ActuelleClick();
    ASSERT_TRUE(waitUntil([&] { return std::abs(TelescopeRA - ra * 54000) < 1; }));
    EXPECT_FALSE(FRM_Raquette->EDT_Position_Actuelle_AD->text().isEmpty());

    // Cancelling the choice: no telescope, both connect buttons off.
    Alpaca::SetChooserDialog([&](const QStringList& entries, const QString&) -> std::optional<QString> {
        offered = entries;
        return std::nullopt;
    });
    offered.clear();
    Alpaca::ChooseTelescope();
    ASSERT_TRUE(waitUntil([&] { return !offered.isEmpty() && pref().BTN_Choose->isEnabled(); }));
    EXPECT_TRUE(pref().EDT_ASCOM_Telescope->text().isEmpty());
    EXPECT_FALSE(pref().BTN_Mount_Connecter->isEnabled());
    EXPECT_FALSE(pref().BTN_Mount_Deconnecter->isEnabled());
    EXPECT_TRUE(pref().BTN_ASCOM_Configurer->isEnabled());
    Alpaca::SetChooserDialog({});
    Alpaca::DiscoveryPorts = {Alpaca::kDiscoveryPort};
    Alpaca::DiscoveryBroadcast = true;
    StopBridge();
    EXPECT_EQ(sim.state().axisRate[0], 0.0);
}

// The shipped simulator answers as a telescope does, to the program's own
// calls: its refusals carry the device's error numbers (not connected,
// not implemented, a value out of range, a target never set) and a
// request it cannot read is an HTTP 400; a slew takes its time, shows
// through the position and "slewing", and ends with an abort; a
// synchronous slew answers once it has arrived; MoveAxis counts as a slew
// and an abort ends it too; a pulse moves at the guide rate for its length.
TEST(AlpacaSimulatorDevice, AnswersAsATelescopeDoes)
{
    AlpacaSimulator sim(0, -1);
    ASSERT_TRUE(sim.listening());
    const auto call = [&](const char* method, const char* member, const QByteArray& form = {}) {
        const bool put = qstrcmp(method, "PUT") == 0;
        QString path = QStringLiteral("/api/v1/telescope/0/") + QLatin1String(member);
        if (!put && !form.isEmpty())
            path += u'?' + QString::fromLatin1(form);
        return Alpaca::HttpCall(QStringLiteral("127.0.0.1"), sim.port(), method, path, put ? form : QByteArray(), 60000,
                                !put);
    };
    // 0 accepted, the ErrorNumber of a refusal, 400 for an HTTP 400.
    const auto answer = [&](const char* method, const char* member, const QByteArray& form = {}) {
        const Alpaca::Reply r = call(method, member, form);
        if (r.ok)
            return 0;
        if (r.errorNumber)
            return r.errorNumber;
        return r.error.contains(QStringLiteral("HTTP 400")) ? 400 : -1;
    };
    const auto number = [&](const char* member) { return Alpaca::NumberOf(call("GET", member).value).value_or(-1000); };
    const auto flag = [&](const char* member) { return Alpaca::BoolOf(call("GET", member).value); };

    // Not connected: only "connected" and "name" answer.
    EXPECT_EQ(answer("GET", "rightascension"), 0x407);
    EXPECT_EQ(answer("PUT", "slewtocoordinatesasync", "RightAscension=1&Declination=1"), 0x407);
    EXPECT_EQ(answer("GET", "name"), 0);
    EXPECT_EQ(answer("PUT", "connected", "Connected=yes"), 400);
    EXPECT_FALSE(sim.state().connected);
    ASSERT_EQ(answer("PUT", "connected", "Connected=True"), 0);

    // Requests it cannot read, and the wrong method, change nothing.
    EXPECT_EQ(answer("PUT", "moveaxis", "Axis=0"), 400);
    EXPECT_EQ(answer("PUT", "slewtocoordinatesasync", "RightAscension=abc&Declination=10"), 400);
    EXPECT_EQ(answer("GET", "slewtocoordinatesasync", "RightAscension=3&Declination=10"), 400);
    EXPECT_EQ(answer("PUT", "rightascension", "RightAscension=3"), 400);
    EXPECT_EQ(sim.state().raHours, 0.0);
    EXPECT_FALSE(sim.state().slewing);

    // Values out of range, a target never set.
    EXPECT_EQ(answer("PUT", "slewtocoordinatesasync", "RightAscension=24&Declination=0"), 0x401);
    EXPECT_EQ(answer("PUT", "synctocoordinates", "RightAscension=1&Declination=-90.5"), 0x401);
    EXPECT_EQ(answer("PUT", "targetdeclination", "TargetDeclination=91"), 0x401);
    EXPECT_EQ(answer("PUT", "moveaxis", "Axis=2&Rate=1"), 0x401);
    EXPECT_EQ(answer("PUT", "pulseguide", "Direction=4&Duration=100"), 0x401);
    EXPECT_EQ(answer("GET", "targetrightascension"), 0x40B);
    EXPECT_EQ(answer("PUT", "slewtotargetasync"), 0x40B);
    EXPECT_FALSE(sim.state().slewing);

    // What it says it cannot do, it refuses as not implemented.
    sim.update([](AlpacaSimulator::State& s) { s.canSlewAsync = s.canSync = s.canPulseGuide = false; });
    EXPECT_EQ(answer("PUT", "slewtocoordinatesasync", "RightAscension=1&Declination=1"), 0x400);
    EXPECT_EQ(answer("PUT", "synctocoordinates", "RightAscension=1&Declination=1"), 0x400);
    EXPECT_EQ(answer("PUT", "pulseguide", "Direction=0&Duration=100"), 0x400);
    EXPECT_EQ(sim.state().raHours, 0.0);
    // It tracks at the sidereal rate alone: the offset rates read 0 and
    // cannot be set, which is no request it cannot read.
    EXPECT_EQ(answer("PUT", "rightascensionrate", "RightAscensionRate=0.5"), 0x400);
    EXPECT_EQ(answer("PUT", "declinationrate", "DeclinationRate=-1"), 0x400);
    EXPECT_EQ(answer("PUT", "declinationrate", "DeclinationRate=abc"), 400);
    EXPECT_EQ(number("rightascensionrate"), 0);
    sim.update([](AlpacaSimulator::State& s) { s.canSlewAsync = s.canSync = s.canPulseGuide = true; });

    // A slew under way, seen through the position, ended by an abort where
    // it is; the target stays the slew's.
    sim.update([](AlpacaSimulator::State& s) { s.slewRate = 1; });
    ASSERT_EQ(answer("PUT", "slewtocoordinatesasync", "RightAscension=6&Declination=60"), 0);
    EXPECT_EQ(flag("slewing"), true);
    ASSERT_TRUE(waitUntil([&] { return number("declination") > 0; }));
    EXPECT_GT(number("rightascension"), 0);
    EXPECT_LT(number("rightascension"), 6);
    EXPECT_LT(number("declination"), 60);
    EXPECT_EQ(answer("PUT", "abortslew"), 0);
    EXPECT_EQ(flag("slewing"), false);
    const double stoppedAt = number("declination");
    EXPECT_LT(stoppedAt, 60);
    EXPECT_EQ(number("targetrightascension"), 6);

    // A synchronous slew answers on arrival; so does one to the target set.
    sim.update([](AlpacaSimulator::State& s) { s.slewRate = 40; });
    ASSERT_EQ(answer("PUT", "slewtocoordinates", "RightAscension=23&Declination=-10"), 0);
    EXPECT_EQ(number("rightascension"), 23);
    EXPECT_EQ(number("declination"), -10);
    EXPECT_EQ(flag("slewing"), false);
    ASSERT_EQ(answer("PUT", "targetrightascension", "TargetRightAscension=1.5"), 0);
    ASSERT_EQ(answer("PUT", "targetdeclination", "TargetDeclination=5"), 0);
    ASSERT_EQ(answer("PUT", "slewtotarget"), 0);
    EXPECT_EQ(number("rightascension"), 1.5);
    EXPECT_EQ(number("declination"), 5);

    // MoveAxis slews until an abort ends it.
    ASSERT_EQ(answer("PUT", "moveaxis", "Axis=1&Rate=2"), 0);
    EXPECT_EQ(flag("slewing"), true);
    ASSERT_EQ(answer("PUT", "abortslew"), 0);
    EXPECT_EQ(sim.state().axisRate[1], 0.0);
    EXPECT_EQ(flag("slewing"), false);

    // A pulse north: guiding while it lasts, its length at the guide rate.
    sim.update([](AlpacaSimulator::State& s) { s.guideRate = 2; });
    const double dec0 = number("declination");
    ASSERT_EQ(answer("PUT", "pulseguide", "Direction=0&Duration=1500"), 0);
    EXPECT_EQ(flag("ispulseguiding"), true);
    EXPECT_EQ(flag("slewing"), false);
    ASSERT_TRUE(waitUntil([&] { return flag("ispulseguiding") == false; }));
    EXPECT_NEAR(number("declination"), dec0 + 3, 1e-9);

    // On one connection: two requests sent in pieces and back to back are
    // answered in turn; a body length it cannot frame (one that would take
    // the request back over itself) gets a 400 and the connection ends,
    // while other connections are still served.
    QTcpSocket raw;
    raw.connectToHost(QHostAddress::LocalHost, sim.port());
    ASSERT_TRUE(raw.waitForConnected(5000));
    QByteArray got;
    const auto readUntil = [&](const std::function<bool()>& done) {
        return waitUntil([&] {
            raw.waitForReadyRead(20);
            got += raw.readAll();
            return done();
        });
    };
    const QByteArray put = "PUT /api/v1/telescope/0/targetdeclination HTTP/1.1\r\nContent-Length: 20\r\n\r\n"
                           "TargetDeclination=12";
    const QByteArray get = "GET /api/v1/telescope/0/targetdeclination HTTP/1.1\r\n\r\n";
    raw.write(put.left(30));
    raw.flush();
    QThread::msleep(50);
    raw.write(put.mid(30) + get);
    ASSERT_TRUE(readUntil([&] { return got.count("HTTP/1.1 200") == 2 && got.endsWith('}'); })) << got.constData();
    EXPECT_TRUE(got.contains("\"Value\":12")) << got.constData();
    // The telescope's setup page, which "Configurer" opens in a browser.
    got.clear();
    raw.write("GET /setup/v1/telescope/0/setup HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    ASSERT_TRUE(readUntil([&] { return got.contains("</html>") || got.contains("not found"); })) << got.constData();
    EXPECT_TRUE(got.startsWith("HTTP/1.1 200")) << got.constData();
    EXPECT_TRUE(got.contains("Content-Type: text/html")) << got.constData();
    got.clear();
    const QByteArray head = "GET /api/v1/telescope/0/name HTTP/1.1\r\nContent-Length: -";
    // The length read back from the end of its own headers: end + 4 - length = 0.
    const QByteArray back = QByteArray::number(head.size() + 6);
    ASSERT_EQ(back.size(), 2);
    raw.write(head + back + "\r\n\r\n");
    EXPECT_TRUE(readUntil([&] { return got.startsWith("HTTP/1.1 400") && raw.state() == QAbstractSocket::UnconnectedState; }))
        << got.constData();
    EXPECT_EQ(number("targetdeclination"), 12);
}

// The simulator's own program as a user starts it: asked for help, it says
// how to start it and ends; given an argument it does not know, it says so
// with the same usage and fails; neither serves anything. Given ports, it
// serves the telescope until it is stopped.
TEST(AlpacaSimulatorProgram, TellsItsUsageAndServesOnlyWhenGivenPorts)
{
    struct Run {
        bool ended = false;
        int code = -1;
        QString out, err;
    };
    const auto run = [](const QStringList& args) {
        QProcess p;
        p.start(QStringLiteral(NJ_ALPACA_SIM), args);
        Run r;
        r.ended = p.waitForStarted() && p.waitForFinished(30000);
        if (!r.ended) {
            p.kill();
            p.waitForFinished();
        }
        r.code = p.exitCode();
        r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
        r.err = QString::fromLocal8Bit(p.readAllStandardError());
        return r;
    };
    const QString usage = QStringLiteral("Usage: nj-alpaca-sim [PORT [DISCOVERY-PORT]]\n");
    const QString serving = QStringLiteral("nj-alpaca-sim: telescope 127.0.0.1:");
    for (const char* help : {"--help", "-h"}) {
        const Run r = run({QString::fromLatin1(help)});
        ASSERT_TRUE(r.ended) << help << ": it went on serving";
        EXPECT_EQ(r.code, 0) << help;
        EXPECT_TRUE(r.out.startsWith(usage)) << r.out.toStdString();
        EXPECT_FALSE(r.out.contains(serving)) << help;
    }
    for (const QStringList& args : {QStringList{"--port=1"}, QStringList{"abc"}, QStringList{"70000"},
                                    QStringList{"-1"}, QStringList{"0", "0", "0"},
                                    QStringList{"-qmljsdebugger=port:1", "0", "0"}}) {
        const Run r = run(args);
        const std::string what = args.join(u' ').toStdString();
        ASSERT_TRUE(r.ended) << what << ": it went on serving";
        EXPECT_NE(r.code, 0) << what;
        EXPECT_TRUE(r.err.contains(usage)) << what << ": " << r.err.toStdString();
        EXPECT_FALSE(r.out.contains(serving)) << what;
    }

    // Free ports: the telescope answers on the port it names.
    QProcess p;
    p.start(QStringLiteral(NJ_ALPACA_SIM), {QStringLiteral("0"), QStringLiteral("0")});
    ASSERT_TRUE(p.waitForReadyRead(30000));
    const QString line = QString::fromLocal8Bit(p.readLine());
    ASSERT_TRUE(line.startsWith(serving)) << line.toStdString();
    const quint16 port = quint16(line.mid(serving.size()).section(u'/', 0, 0).toUInt());
    AscomSharedData = {};
    Alpaca::AlpacaBridge::Sources sources;
    sources.address = [port] { return QStringLiteral("127.0.0.1:%1/0").arg(port); };
    Alpaca::AlpacaBridge bridge(sources);
    bridge.Signal(rqConnect);
    EXPECT_TRUE(bridge.WaitDataSet(kConnectWait_ms) && AscomSharedData.Connected);
    bridge.Signal(rqDisconnect);
    bridge.WaitDataSet(kConnectWait_ms);
    AscomSharedData = {};
    p.kill();
    p.waitForFinished();
}
