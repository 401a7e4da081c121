#pragma once
// System services: showing a window so that it can be seen (the show path,
// its placement and front order live in app/ui: window_front.h,
// window_placement.h and window_first_place.h), and opening or closing the
// port access that the long-exposure and parallel guide lines need.

#include "app/ui/window_first_place.h"
#include "app/ui/window_front.h"
#include "app/ui/window_placement.h"

// True while the port access is open; every direct port write checks it.
extern bool PortDriverOpen;

namespace Systeme {

// Opens the port access once and sets PortDriverOpen. Every device that
// could not be opened (with what to do about permissions) is listed in the
// message window. Returns the new flag.
bool OpenPortDriver();
// Releases the port access and clears PortDriverOpen.
void ClosePortDriver();

} // namespace Systeme
