#include "telescope/ascom_bridge.h"

namespace AscomBridge {
namespace {

Bridge* g_bridge = nullptr;
std::unique_ptr<Bridge> g_owned;

const char* const kNames[kRequestCount] = {
    "fin", "choose", "activer", "connect", "disconnect", "abortslew", "setupdialog", "pulseguide",
    "slewtocoordinates", "slewtocoordinatesasync", "synctocoordinates", "slewtotarget", "slewtotargetasync",
    "moveaxis", "stopaxis", "setconnected", "getconnected", "getdeclination", "getrightascension", "getslewing",
    "settracking", "gettracking", "settargetdeclination", "gettargetdeclination", "settargetrightascension",
    "gettargetrightascension", "setguideratedeclination", "getguideratedeclination",
    "setguideraterightascension", "getguideraterightascension", "setrightascensionrate",
    "getrightascensionrate", "setdeclinationrate", "getdeclinationrate", "canfindhome", "canmoveaxis",
    "canpark", "canpulseguide", "cansetdeclinationrate", "cansetguiderates ", "cansetpark", "cansetpierside",
    "cansetrightascensionrate", "cansettracking", "canslew", "canslewaltaz", "canslewaltazasync",
    "canslewasync", "cansync", "cansyncaltaz", "canunpark", "getname"};

} // namespace

TASCOM_CMD AscomSharedData;

QString RequestName(int request)
{
    return request >= 0 && request < kRequestCount ? QString::fromLatin1(kNames[request]) : QString();
}

bool AxisOfDirection(std::uint8_t direction, std::uint8_t& axis, int& sign)
{
    switch (direction) {
    case 0: axis = 1; sign = 1; return true;
    case 1: axis = 1; sign = -1; return true;
    case 2: axis = 0; sign = -1; return true;
    case 3: axis = 0; sign = 1; return true;
    default: return false;
    }
}

Bridge* Installed() { return g_bridge; }
void Install(Bridge* bridge) { g_bridge = bridge; }

void InstallOwned(std::unique_ptr<Bridge> bridge)
{
    StopBridge();
    g_owned = std::move(bridge);
    g_bridge = g_owned.get();
}
bool Running() { return g_bridge != nullptr; }

void Signal(int request)
{
    if (g_bridge)
        g_bridge->Signal(request);
}

void Request(int request, Done done)
{
    if (g_bridge)
        g_bridge->Request(request, std::move(done));
    else if (done)
        done(Outcome{});
}

bool HasAnswer(int request)
{
    switch (request) {
    case rqChoose: case rqActiver: case rqConnect: case rqDisconnect: case rqSetConnected: case rqGetConnected:
    case rqGetDeclination: case rqGetRightAscension: case rqGetSlewing: case rqSetTargetDeclination:
    case rqGetTargetDeclination: case rqSetTargetRightAscension: case rqGetTargetRightAscension:
    case rqCanPulseGuide: case rqCanSlew: case rqCanSlewAsync: case rqGetName:
        return true;
    default:
        return false;
    }
}

bool Ask(int request, int timeout_ms)
{
    if (!g_bridge)
        return false;
    g_bridge->Signal(request);
    return g_bridge->WaitDataSet(timeout_ms);
}

void StopBridge()
{
    if (!g_bridge)
        return;
    Bridge* bridge = g_bridge;
    g_bridge = nullptr;
    const bool ended = bridge->Finish(kStopWait_ms);
    if (bridge == g_owned.get()) {
        if (ended)
            g_owned.reset();
        else
            (void)g_owned.release();   // its worker still holds it
    }
}

} // namespace AscomBridge
