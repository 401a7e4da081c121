#include "platform/port_access_linux.h"
#include "platform/paths.h"
#include "platform/platform_texts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace platform {
namespace {

// Bits of the serial registers that reach the device.
constexpr std::uint8_t kMcrDtr = 0x01;
constexpr std::uint8_t kMcrRts = 0x02;
constexpr std::uint8_t kLcrBreak = 0x40;
constexpr int kLineControl = 3;
constexpr int kModemControl = 4;
constexpr int kModemStatus = 6;

QString hex4(std::uint16_t address)
{
    return QStringLiteral("%1").arg(address, 4, 16, QLatin1Char('0')).toUpper();
}

QString where(const PortDevice& device)
{
    return QStringLiteral("Ports: %1 (port %2)").arg(device.path, hex4(device.base));
}

QString openFailure(const PortDevice& device, int error)
{
    const bool parallel = device.kind == PortKind::Parallel;
    switch (error) {
    case EACCES:
    case EPERM: {
        const QString group = parallel ? QStringLiteral("lp") : QStringLiteral("dialout");
        return where(device)
            + platform::text(platform::PlatformText::MSG_Ports_Acces_Refuse)
                  .arg(group);
    }
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case EIO:
        return where(device)
            + (parallel ? platform::text(platform::PlatformText::MSG_Ports_Parallele_Absent)
                        : platform::text(platform::PlatformText::MSG_Ports_Serie_Absent));
    case EBUSY:
        return where(device) + platform::text(platform::PlatformText::MSG_Ports_Occupe);
    default:
        return where(device) + platform::text(platform::PlatformText::MSG_Ports_Ouverture_Impossible).arg(qt_error_string(error));
    }
}

std::uint8_t mcrFromLines(int lines)
{
    return std::uint8_t(((lines & TIOCM_DTR) ? kMcrDtr : 0) | ((lines & TIOCM_RTS) ? kMcrRts : 0));
}

std::uint8_t msrFromLines(int lines)
{
    return std::uint8_t(((lines & TIOCM_CTS) ? 0x10 : 0) | ((lines & TIOCM_DSR) ? 0x20 : 0)
                        | ((lines & TIOCM_RI) ? 0x40 : 0) | ((lines & TIOCM_CD) ? 0x80 : 0));
}

class SystemPortDeviceIo final : public PortDeviceIo {
public:
    int openDevice(const QString& path) override
    {
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        return fd >= 0 ? fd : -errno;
    }
    void closeDevice(int handle) override { ::close(handle); }
    int control(int handle, unsigned long request, void* argument) override
    {
        return ::ioctl(handle, request, argument) < 0 ? -errno : 0;
    }
};

} // namespace

std::vector<PortDevice> standardPortMap()
{
    return {
        {0x378, QStringLiteral("/dev/parport0"), PortKind::Parallel},
        {0x278, QStringLiteral("/dev/parport1"), PortKind::Parallel},
        {0x3BC, QStringLiteral("/dev/parport2"), PortKind::Parallel},
        {0x3F8, QStringLiteral("/dev/ttyS0"), PortKind::Serial},
        {0x2F8, QStringLiteral("/dev/ttyS1"), PortKind::Serial},
        {0x3E8, QStringLiteral("/dev/ttyS2"), PortKind::Serial},
        {0x2E8, QStringLiteral("/dev/ttyS3"), PortKind::Serial},
    };
}

PortMap parsePortMap(const QString& text)
{
    PortMap map;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')) || line.startsWith(QLatin1Char(';')))
            continue;
        const QString lineRef = platform::text(platform::PlatformText::MSG_Ports_Ligne_Map).arg(i + 1);
        const int eq = line.indexOf(QLatin1Char('='));
        QString address = eq > 0 ? line.left(eq).trimmed() : QString();
        const QString path = eq > 0 ? line.mid(eq + 1).trimmed() : QString();
        if (address.startsWith(QLatin1Char('$')))
            address.remove(0, 1);
        else if (address.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
            address.remove(0, 2);
        bool ok = false;
        const uint base = address.size() <= 4 ? address.toUInt(&ok, 16) : 0;
        if (!ok || path.isEmpty()) {
            map.problems << lineRef + platform::text(platform::PlatformText::MSG_Ports_Ligne_Ignoree).arg(line);
            continue;
        }
        bool overlaps = false;
        for (const PortDevice& d : map.devices) {
            if (base < uint(d.base) + kPortRegisterCount && d.base < base + kPortRegisterCount) {
                map.problems << lineRef + platform::text(platform::PlatformText::MSG_Ports_Recouvrement)
                                              .arg(hex4(std::uint16_t(base)), hex4(d.base), d.path);
                overlaps = true;
                break;
            }
        }
        if (overlaps)
            continue;
        const bool parallel = QFileInfo(path).fileName().startsWith(QLatin1String("parport"));
        map.devices.push_back({std::uint16_t(base), path, parallel ? PortKind::Parallel : PortKind::Serial});
    }
    return map;
}

PortMap loadPortMap(const QString& directory)
{
    QFile file(QDir(directory).filePath(QStringLiteral("ports.map")));
    if (!file.exists())
        return {standardPortMap(), {}, false};
    if (!file.open(QIODevice::ReadOnly)) {
        PortMap map;
        map.problems << platform::text(platform::PlatformText::MSG_Ports_Map_Illisible).arg(file.fileName(), file.errorString());
        return map;
    }
    PortMap map = parsePortMap(QString::fromUtf8(file.readAll()));
    map.named = true;
    return map;
}

PortDeviceIo& systemPortDeviceIo()
{
    static SystemPortDeviceIo io;
    return io;
}

PortAccess& systemPortAccess()
{
    static LinuxPortAccess access([] { return loadPortMap(programDir()); }, systemPortDeviceIo());
    return access;
}

LinuxPortAccess::LinuxPortAccess(std::function<PortMap()> mapSource, PortDeviceIo& io)
    : mapSource_(std::move(mapSource)), io_(io)
{
}

LinuxPortAccess::~LinuxPortAccess() { close(); }

bool LinuxPortAccess::open(QStringList& problems)
{
    if (isOpen())
        return true;
    const PortMap map = mapSource_();
    problems += map.problems;
    if (map.devices.empty())
        problems << platform::text(platform::PlatformText::MSG_Ports_Aucune_Adresse);
    for (const PortDevice& device : map.devices)
        openOne(device, map.named, problems);
    return isOpen();
}

bool LinuxPortAccess::openOne(const PortDevice& device, bool named, QStringList& problems)
{
    const int handle = io_.openDevice(device.path);
    if (handle < 0) {
        const int error = -handle;
        const bool absent = error == ENOENT || error == ENODEV || error == ENXIO;
        if (named || !absent)
            problems << openFailure(device, error);
        return false;
    }
    OpenDevice d{device, handle, {}};
    if (device.kind == PortKind::Parallel) {
        // The port is claimed for the whole session so that every later
        // register access is a single request.
        const int r = io_.control(handle, PPCLAIM, nullptr);
        if (r < 0) {
            problems << where(device) + platform::text(platform::PlatformText::MSG_Ports_Reservation).arg(qt_error_string(-r));
            io_.closeDevice(handle);
            return false;
        }
    } else {
        // Reading the modem lines also proves that the device is a serial line.
        int lines = 0;
        const int r = io_.control(handle, TIOCMGET, &lines);
        if (r < 0) {
            problems << where(device)
                    + (r == -ENOTTY || r == -EINVAL
                           ? platform::text(platform::PlatformText::MSG_Ports_Pas_Ligne_Serie)
                           : platform::text(platform::PlatformText::MSG_Ports_Lignes_Illisibles).arg(qt_error_string(-r)));
            io_.closeDevice(handle);
            return false;
        }
        d.shadow[kModemControl] = mcrFromLines(lines);
    }
    devices_.push_back(d);
    return true;
}

void LinuxPortAccess::close()
{
    for (const OpenDevice& d : devices_) {
        if (d.device.kind == PortKind::Parallel)
            io_.control(d.handle, PPRELEASE, nullptr);
        io_.closeDevice(d.handle);
    }
    devices_.clear();
}

bool LinuxPortAccess::serves(std::uint16_t address) const
{
    int offset = 0;
    return const_cast<LinuxPortAccess*>(this)->find(address, offset) != nullptr;
}

LinuxPortAccess::OpenDevice* LinuxPortAccess::find(std::uint16_t address, int& offset)
{
    for (OpenDevice& d : devices_) {
        const int o = int(address) - int(d.device.base);
        if (o >= 0 && o < kPortRegisterCount) {
            offset = o;
            return &d;
        }
    }
    return nullptr;
}

bool LinuxPortAccess::write(std::uint16_t address, std::uint8_t value)
{
    int offset = 0;
    OpenDevice* d = find(address, offset);
    if (!d)
        return false;
    const bool ok = d->device.kind == PortKind::Parallel ? writeParallel(*d, offset, value)
                                                         : writeSerial(*d, offset, value);
    if (ok)
        d->shadow[offset] = value;
    return ok;
}

std::uint8_t LinuxPortAccess::read(std::uint16_t address)
{
    int offset = 0;
    OpenDevice* d = find(address, offset);
    if (!d)
        return 0xFF;
    return d->device.kind == PortKind::Parallel ? readParallel(*d, offset) : readSerial(*d, offset);
}

bool LinuxPortAccess::writeParallel(OpenDevice& d, int offset, std::uint8_t value)
{
    unsigned char v = value;
    switch (offset) {
    case 0:
        return io_.control(d.handle, PPWDATA, &v) == 0;
    case 2:
        return io_.control(d.handle, PPWCONTROL, &v) == 0;
    default:   // status is read-only; the extended registers are only kept
        return true;
    }
}

std::uint8_t LinuxPortAccess::readParallel(OpenDevice& d, int offset)
{
    unsigned long request = 0;
    switch (offset) {
    case 0: request = PPRDATA; break;
    case 1: request = PPRSTATUS; break;
    case 2: request = PPRCONTROL; break;
    default: return d.shadow[offset];
    }
    unsigned char v = 0;
    return io_.control(d.handle, request, &v) == 0 ? v : d.shadow[offset];
}

bool LinuxPortAccess::writeSerial(OpenDevice& d, int offset, std::uint8_t value)
{
    switch (offset) {
    case kModemControl: {
        // Only DTR and RTS reach the line; the other modem lines keep their state.
        int lines = 0;
        if (io_.control(d.handle, TIOCMGET, &lines) != 0)
            return false;
        lines &= ~(TIOCM_DTR | TIOCM_RTS);
        if (value & kMcrDtr)
            lines |= TIOCM_DTR;
        if (value & kMcrRts)
            lines |= TIOCM_RTS;
        return io_.control(d.handle, TIOCMSET, &lines) == 0;
    }
    case kLineControl:
        return io_.control(d.handle, (value & kLcrBreak) ? TIOCSBRK : TIOCCBRK, nullptr) == 0;
    default:
        return true;
    }
}

std::uint8_t LinuxPortAccess::readSerial(OpenDevice& d, int offset)
{
    if (offset != kModemControl && offset != kModemStatus)
        return d.shadow[offset];
    int lines = 0;
    if (io_.control(d.handle, TIOCMGET, &lines) != 0)
        return d.shadow[offset];
    if (offset == kModemStatus)
        return msrFromLines(lines);
    return std::uint8_t((d.shadow[offset] & ~(kMcrDtr | kMcrRts)) | mcrFromLines(lines));
}

} // namespace platform
