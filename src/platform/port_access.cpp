#include "platform/port_access.h"

namespace platform {
namespace {

PortAccess* g_portAccess = nullptr;

} // namespace

PortAccess& portAccess() { return g_portAccess ? *g_portAccess : systemPortAccess(); }
void setPortAccess(PortAccess* access) { g_portAccess = access; }

} // namespace platform
