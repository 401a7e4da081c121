#pragma once
// The requester side of the telescope-driver bridge. The bridge serves
// numbered requests for one telescope driver (ASCOM); a requester writes the
// request's inputs into AscomSharedData, signals the request, and, where it
// needs an answer, waits a bounded time for "data_set" and reads the answer
// from the same record. The bridge behind this interface is the driver
// worker, or, in tests, the simulated telescope (sim/simulated_telescope.h).
//
// User-interface thread.

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace AscomBridge {

// Request numbers; RequestName gives the request's name.
enum Request : int {
    rqFin = 0, rqChoose, rqActiver, rqConnect, rqDisconnect, rqAbortSlew, rqSetupDialog, rqPulseGuide,
    rqSlewToCoordinates, rqSlewToCoordinatesAsync, rqSyncToCoordinates, rqSlewToTarget, rqSlewToTargetAsync,
    rqMoveAxis, rqStopAxis, rqSetConnected, rqGetConnected, rqGetDeclination, rqGetRightAscension, rqGetSlewing,
    rqSetTracking, rqGetTracking, rqSetTargetDeclination, rqGetTargetDeclination, rqSetTargetRightAscension,
    rqGetTargetRightAscension, rqSetGuideRateDeclination, rqGetGuideRateDeclination,
    rqSetGuideRateRightAscension, rqGetGuideRateRightAscension, rqSetRightAscensionRate,
    rqGetRightAscensionRate, rqSetDeclinationRate, rqGetDeclinationRate, rqCanFindHome, rqCanMoveAxis,
    rqCanPark, rqCanPulseGuide, rqCanSetDeclinationRate, rqCanSetGuideRates, rqCanSetPark, rqCanSetPierSide,
    rqCanSetRightAscensionRate, rqCanSetTracking, rqCanSlew, rqCanSlewAltAz, rqCanSlewAltAzAsync,
    rqCanSlewAsync, rqCanSync, rqCanSyncAltAz, rqCanUnpark, rqGetName,
    kRequestCount
};
QString RequestName(int request);

// A named axis rate in degrees per second; Maximum is what a move uses.
struct TASCOMRate {
    QString Name;
    double Rate = 0;
    double Minimum = 0;
    double Maximum = 0;
};
using RateRef = std::shared_ptr<TASCOMRate>;

// The record shared by requesters and the bridge.
struct TASCOM_CMD {
    std::int32_t PulseDuration = 0;   // ms, input of pulseguide
    std::uint8_t Connected = 0;
    QString Name;
    double Declination = 0;           // degrees
    double RightAscension = 0;        // hours
    std::uint8_t Slewing = 0;
    double TargetDeclination = 0;     // degrees
    double TargetRightAscension = 0;  // hours
    double RightAscensionRate = 0;
    double DeclinationRate = 0;
    double MaxAxisRate = 0;
    std::uint8_t Axis = 0;            // 0 primary (right ascension), 1 secondary
    std::uint8_t Direction = 0;       // direction code 0 N, 1 S, 2 E, 3 W
    std::array<std::vector<RateRef>, 3> AxisRates;
    std::array<RateRef, 2> CurrentRate;
    std::uint8_t CanPulseGuide = 0;
    std::uint8_t CanSlew = 0;
    std::uint8_t CanSlewAsync = 0;
};
extern TASCOM_CMD AscomSharedData;

// Whether a request is answered ("data_set").
bool HasAnswer(int request);

// What became of one request: served (for a request with an answer, its
// answer is in AscomSharedData), or not; error says why a driver call failed
// (empty when the request was only gated or dropped).
struct Outcome {
    bool served = false;
    QString error;
    // Never sent, or given up: a stop, an abort or a disconnection went
    // before it (or came while a connection ran), or the bridge ended.
    bool dropped = false;
};
using Done = std::function<void(const Outcome&)>;

// Axis and sign of a direction code: north 1 +, south 1 -, east 0 -, west 0 +.
// False for any other code.
bool AxisOfDirection(std::uint8_t direction, std::uint8_t& axis, int& sign);

class Bridge {
public:
    virtual ~Bridge() = default;
    // Hands the request over; returns at once.
    virtual void Signal(int request) = 0;
    // Waits at most timeout_ms for "data_set"; true when it came, and then
    // it is reset.
    virtual bool WaitDataSet(int timeout_ms) = 0;
    // Hands the request over and returns at once; done (may be empty) runs
    // on the interface thread once the request has been served or dropped.
    // A bridge that serves on the calling thread calls it before returning.
    virtual void Request(int request, Done done)
    {
        Signal(request);
        Outcome outcome;
        outcome.served = !HasAnswer(request) || WaitDataSet(0);
        if (done)
            done(outcome);
    }
    // Whether the telescope is chosen among the devices found on the network
    // ("AscomBridge.Choose") rather than by the bridge's own chooser.
    virtual bool ChoosesByDiscovery() const { return false; }
    // Ends the bridge ("fin"); false when it did not end within timeout_ms.
    virtual bool Finish(int timeout_ms)
    {
        (void)timeout_ms;
        Signal(rqFin);
        return true;
    }
};

// The bridge in force, null while none runs.
Bridge* Installed();
void Install(Bridge* bridge);
// Installs a bridge the program owns; StopBridge ends and frees it.
void InstallOwned(std::unique_ptr<Bridge> bridge);
bool Running();

// How long requesters wait for an answer: a read, and a connection or
// disconnection (which may start the driver).
inline constexpr int kAnswerWait_ms = 100;
inline constexpr int kConnectWait_ms = 30000;
// How long ending the bridge may take: it first stops what still moves.
inline constexpr int kStopWait_ms = 5000;

// Signals a request; nothing while no bridge runs.
void Signal(int request);
// Hands a request over without waiting; done runs on the interface thread
// when it has been served or dropped (at once, not served, while no bridge
// runs).
void Request(int request, Done done);
// Signals a request and waits for its answer; false when no bridge runs or
// no answer came in time.
bool Ask(int request, int timeout_ms);
// Ends the bridge: "fin", at most kStopWait_ms, and forgets it. An owned
// bridge that does not end in time is left to end on its own.
void StopBridge();

} // namespace AscomBridge
