#pragma once
// Direct port writes of the long-exposure lines and the parallel guide
// interfaces, through the port-access service. Writes happen only while
// the port access is open (PortDriverOpen).

#include <QString>
#include <cstdint>

extern std::uint8_t LongExposurePortShadow;

namespace Align_V {

// Writes the byte and logs "AAAA : bbbbbbbb" in the traffic window; does
// nothing while the ports are closed. The tag only names the caller.
void PortWrite(std::uint16_t port, std::uint8_t value, const QString& tag);

// Reads one register; 0 while the ports are closed.
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
