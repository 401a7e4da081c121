#pragma once
// Port registers on Linux. Each port base address maps to a device:
//  - parallel ports (ppdev, /dev/parportN): base+0 data, base+1 status,
//    base+2 control, through the ppdev requests after claiming the port;
//  - serial ports (/dev/ttyS*, /dev/ttyUSB*, ...): base+4 modem control
//    (bit 0 DTR, bit 1 RTS) and base+6 modem status (bits 4..7 CTS, DSR, RI,
//    DCD) through the modem-line requests, base+3 line control bit 6 (break)
//    through the break requests.
// The other registers of the eight at each base keep the last byte written
// and read it back, without reaching the device.
//
// The map is "ports.map" in the program directory when it exists, one entry
// a line, "0378=/dev/parport0" (hexadecimal base, optionally written $378 or
// 0x378; lines starting with # or ; are comments). A device whose file name
// starts with "parport" is a parallel port, any other a serial line. The file
// replaces the standard map, which is:
//   0378, 0278, 03BC -> /dev/parport0, 1, 2
//   03F8, 02F8, 03E8, 02E8 -> /dev/ttyS0, 1, 2, 3

#include "platform/port_access.h"

#include <QString>
#include <array>
#include <functional>
#include <vector>

namespace platform {

enum class PortKind { Parallel, Serial };

struct PortDevice {
    std::uint16_t base = 0;
    QString path;
    PortKind kind = PortKind::Serial;
};

struct PortMap {
    std::vector<PortDevice> devices;
    QStringList problems;   // faulty lines of the map file, one each
    // True when the ports were named by the user (a map file). Ports of the
    // standard map that this machine does not have are then not worth a
    // message at every start; a named port that is absent is.
    bool named = false;
};

// Each base owns this many consecutive addresses.
inline constexpr int kPortRegisterCount = 8;

std::vector<PortDevice> standardPortMap();
// Reads the text of a map file. Faulty lines and bases whose registers
// overlap an earlier entry are left out and reported.
PortMap parsePortMap(const QString& text);
// "ports.map" of `directory`, or the standard map when there is no such file.
PortMap loadPortMap(const QString& directory);

// The system calls of the backend, replaceable so that the translation from
// registers to device requests can be checked without hardware.
class PortDeviceIo {
public:
    virtual ~PortDeviceIo() = default;
    // Opens for reading and writing, without becoming the controlling
    // terminal and without waiting for a carrier. A handle >= 0, or -errno.
    virtual int openDevice(const QString& path) = 0;
    virtual void closeDevice(int handle) = 0;
    // One ioctl; `argument` is null for requests that take none. 0 or -errno.
    virtual int control(int handle, unsigned long request, void* argument) = 0;
};

PortDeviceIo& systemPortDeviceIo();

class LinuxPortAccess final : public PortAccess {
public:
    // `mapSource` is asked for the map at each open().
    LinuxPortAccess(std::function<PortMap()> mapSource, PortDeviceIo& io);
    ~LinuxPortAccess() override;
    LinuxPortAccess(const LinuxPortAccess&) = delete;
    LinuxPortAccess& operator=(const LinuxPortAccess&) = delete;

    bool open(QStringList& problems) override;
    bool isOpen() const override { return !devices_.empty(); }
    bool write(std::uint16_t address, std::uint8_t value) override;
    bool serves(std::uint16_t address) const override;
    std::uint8_t read(std::uint16_t address) override;
    void close() override;

private:
    struct OpenDevice {
        PortDevice device;
        int handle = -1;
        std::array<std::uint8_t, kPortRegisterCount> shadow{};
    };

    OpenDevice* find(std::uint16_t address, int& offset);
    bool openOne(const PortDevice& device, bool named, QStringList& problems);
    bool writeParallel(OpenDevice& d, int offset, std::uint8_t value);
    bool writeSerial(OpenDevice& d, int offset, std::uint8_t value);
    std::uint8_t readParallel(OpenDevice& d, int offset);
    std::uint8_t readSerial(OpenDevice& d, int offset);

    std::function<PortMap()> mapSource_;
    PortDeviceIo& io_;
    std::vector<OpenDevice> devices_;
};

} // namespace platform
