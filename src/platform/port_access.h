#pragma once
// Registers of the parallel and serial ports, addressed as on a PC's I/O bus:
// $378 is the data register of the first parallel port, $37A its control
// register, $3FC the modem-control register of the first serial port. Guide
// boxes, relay lines and long-exposure webcams are driven by switching these
// lines. The system backend maps the addresses onto the devices of the
// machine; tests and runs without hardware use the simulated register file
// (port_access_sim.h).
//
// User-interface thread only.

#include <QStringList>
#include <cstdint>

namespace platform {

class PortAccess {
public:
    virtual ~PortAccess() = default;

    // Opens the devices behind the port addresses, each once. While already
    // open a further call changes nothing and returns true. Returns true when
    // at least one device is usable; every device that could not be opened
    // and every fault of the address map appends one readable line to
    // `problems`. Nothing is retried.
    virtual bool open(QStringList& problems) = 0;
    virtual bool isOpen() const = 0;

    // Writes one register. Returns false, having written nothing, when the
    // address belongs to no open device or the device refused the request.
    virtual bool write(std::uint16_t address, std::uint8_t value) = 0;

    // Whether an open device answers at the address, nothing written.
    virtual bool serves(std::uint16_t address) const = 0;

    // Reads one register. An address of no open device reads 0xFF, as an
    // empty bus does.
    virtual std::uint8_t read(std::uint16_t address) = 0;

    // Releases the devices; open() may be called again afterwards.
    virtual void close() = 0;
};

// The port access in force; passing nullptr restores the system one.
PortAccess& portAccess();
void setPortAccess(PortAccess* access);

// The backend of this system, created on first use. On Linux its address map
// is "ports.map" in the current directory (the program directory) when that
// file exists, else the standard PC addresses.
PortAccess& systemPortAccess();

} // namespace platform
