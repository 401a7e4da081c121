#pragma once
// Direct port I/O of the long-exposure lines and the parallel and serial
// guide interfaces, through the port-access service (platform/port_access.h).
// PortDriverOpen (app/systeme.h) says whether the ports may be used.
//
// The line helpers that assert or release one bit with its active level are
// GuideProtocol::AssertLine and ReleaseLine (telescope/guide_protocols.h).
// The program's copy of the parallel guide port's registers is
// ParallelPortShadow (capture/camera_slots.h): [0] data, [2] control.

#include <QString>
#include <cstdint>

extern std::uint8_t LongExposurePortShadow;

namespace Align_V {

// Writes the byte with no check and no log; true when the port took it.
bool PortOut(std::uint16_t port, std::uint8_t value);

// While the ports are open: writes the byte and logs "AAAA : bbbbbbbb" in the
// traffic window (0x378 and 5 give "0378 : 00000101"). Otherwise nothing is
// written or logged. The tag only names the caller. True when the byte
// reached the port: false while the ports are shut, for an address of no
// open device, or when the device refused it.
bool PortWrite(std::uint16_t port, std::uint8_t value, const QString& tag);

// Reads the register. While the ports are not open the value last written to
// that address is returned instead, and the message window says so once.
std::uint8_t PortRead(std::uint16_t port);

// A port address as the port lists write it: the hexadecimal number at the
// start of the text, with or without "$" or "0x" ("378", "$0378 (LPT1)",
// "0x378"), at most four digits, followed by nothing, a blank or "(". 0 when
// the text is no address.
std::uint16_t PortAddressFromText(const QString& text);

// Puts the long-exposure port (when the camera modification is on) and the
// parallel guide port (when a Quillon interface is chosen) at rest.
void InitVestaPort();
void InitQuillonPort();

} // namespace Align_V
