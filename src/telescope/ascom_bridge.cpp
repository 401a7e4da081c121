#include "telescope/ascom_bridge.h"

namespace AscomBridge {
namespace {

Bridge* g_bridge = nullptr;

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
bool Running() { return g_bridge != nullptr; }

void Signal(int request)
{
    if (g_bridge)
        g_bridge->Signal(request);
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
    g_bridge->Signal(rqFin);
    g_bridge = nullptr;
}

} // namespace AscomBridge
