#include "platform/port_access_linux.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <linux/ppdev.h>
#include <deque>
#include <map>
#include <sys/ioctl.h>
#include <termios.h>

using namespace platform;

namespace {

// Devices as the kernel shows them: ppdev requests on parallel ports, modem
// and break requests on serial lines, anything else refused.
class FakeDeviceIo final : public PortDeviceIo {
public:
    struct Device {
        QString path;
        bool open = true, claimed = false, breakOn = false;
        unsigned char data = 0, control = 0, status = 0x78;
        int lines = 0;
    };
    std::map<QString, int> openErrors;   // path -> errno
    std::deque<Device> devices;          // index = handle
    std::vector<unsigned long> requests;

    int openDevice(const QString& path) override
    {
        if (openErrors.count(path))
            return -openErrors[path];
        devices.push_back({path});
        return int(devices.size()) - 1;
    }
    void closeDevice(int handle) override { devices.at(handle).open = false; }
    int control(int handle, unsigned long request, void* arg) override
    {
        requests.push_back(request);
        Device& d = devices.at(handle);
        auto* byte = static_cast<unsigned char*>(arg);
        auto* lines = static_cast<int*>(arg);
        if (d.path.contains(QLatin1String("parport"))) {
            switch (request) {
            case PPCLAIM: d.claimed = true; return 0;
            case PPRELEASE: d.claimed = false; return 0;
            }
            if (!d.claimed)
                return -EINVAL;
            switch (request) {
            case PPWDATA: d.data = *byte; return 0;
            case PPRDATA: *byte = d.data; return 0;
            case PPRSTATUS: *byte = d.status; return 0;
            case PPWCONTROL: d.control = *byte; return 0;
            case PPRCONTROL: *byte = d.control; return 0;
            }
            return -ENOTTY;
        }
        switch (request) {
        case TIOCMGET: *lines = d.lines; return 0;
        case TIOCMSET: d.lines = *lines; return 0;
        case TIOCSBRK: d.breakOn = true; return 0;
        case TIOCCBRK: d.breakOn = false; return 0;
        }
        return -ENOTTY;
    }
};

LinuxPortAccess makePorts(FakeDeviceIo& io, std::vector<PortDevice> devices, bool named = true)
{
    return LinuxPortAccess([devices, named] { return PortMap{devices, {}, named}; }, io);
}

const QString kParport0 = QStringLiteral("/dev/parport0");
const QString kTtyS0 = QStringLiteral("/dev/ttyS0");

} // namespace

TEST(LinuxPortAccess, ParallelRegistersGoThroughPpdevAfterClaimingThePort)
{
    FakeDeviceIo io;
    auto ports = makePorts(io, {{0x378, kParport0, PortKind::Parallel}});
    QStringList problems;
    ASSERT_TRUE(ports.open(problems));

    EXPECT_TRUE(ports.write(0x378, 0xA5));
    EXPECT_TRUE(ports.write(0x37A, 0x0B));
    EXPECT_EQ(io.devices[0].data, 0xA5);
    EXPECT_EQ(io.devices[0].control, 0x0B);
    io.devices[0].status = 0x5F;
    EXPECT_EQ(ports.read(0x379), 0x5F);
    EXPECT_TRUE(ports.write(0x37B, 0x42));   // extended register: kept, not sent
    EXPECT_EQ(ports.read(0x37B), 0x42);
    EXPECT_FALSE(ports.write(0x380, 1));     // past the port's registers

    EXPECT_TRUE(ports.open(problems));       // already open: nothing reopened
    EXPECT_EQ(io.devices.size(), 1u);

    ports.close();
    EXPECT_FALSE(io.devices[0].claimed);
    EXPECT_FALSE(io.devices[0].open);
    EXPECT_FALSE(ports.write(0x378, 0));
}

TEST(LinuxPortAccess, SerialRegistersBecomeModemLineAndBreakRequests)
{
    FakeDeviceIo io;
    auto ports = makePorts(io, {{0x3F8, kTtyS0, PortKind::Serial}});
    QStringList problems;
    ASSERT_TRUE(ports.open(problems));
    FakeDeviceIo::Device& line = io.devices[0];
    line.lines = TIOCM_LE;   // a line the register does not own

    EXPECT_TRUE(ports.write(0x3FC, 0x0B));   // OUT2 | RTS | DTR
    EXPECT_EQ(line.lines, TIOCM_LE | TIOCM_DTR | TIOCM_RTS);
    EXPECT_EQ(ports.read(0x3FC), 0x0B);
    EXPECT_TRUE(ports.write(0x3FC, 0x0A));   // DTR off, OUT2 kept in the register
    EXPECT_EQ(line.lines, TIOCM_LE | TIOCM_RTS);
    EXPECT_EQ(ports.read(0x3FC), 0x0A);

    EXPECT_TRUE(ports.write(0x3FB, 0x43));
    EXPECT_TRUE(line.breakOn);
    EXPECT_TRUE(ports.write(0x3FB, 0x03));
    EXPECT_FALSE(line.breakOn);

    line.lines = TIOCM_CTS | TIOCM_RI | TIOCM_RTS;
    EXPECT_EQ(ports.read(0x3FE), 0x50);
    line.lines = TIOCM_DSR | TIOCM_CD;
    EXPECT_EQ(ports.read(0x3FE), 0xA0);

    const auto before = io.requests.size();
    EXPECT_TRUE(ports.write(0x3F8, 'x'));    // data register: kept, nothing sent
    EXPECT_EQ(io.requests.size(), before);
    EXPECT_EQ(ports.read(0x3F8), 'x');
}

TEST(LinuxPortAccess, UnopenedDevicesAreReportedAndTheirWritesSkipped)
{
    FakeDeviceIo io;
    io.openErrors[kParport0] = EACCES;
    io.openErrors[QStringLiteral("/dev/ttyS1")] = EACCES;
    io.openErrors[QStringLiteral("/dev/parport1")] = ENOENT;
    auto ports = makePorts(io, {{0x378, kParport0, PortKind::Parallel},
                                {0x2F8, QStringLiteral("/dev/ttyS1"), PortKind::Serial},
                                {0x278, QStringLiteral("/dev/parport1"), PortKind::Parallel},
                                {0x3F8, kTtyS0, PortKind::Serial}});
    QStringList problems;
    EXPECT_TRUE(ports.open(problems));       // ttyS0 is usable
    ASSERT_EQ(problems.size(), 3);
    EXPECT_TRUE(problems[0].contains(QLatin1String("/dev/parport0 (port 0378)")));
    EXPECT_TRUE(problems[0].contains(QLatin1String("groupe lp")));
    EXPECT_TRUE(problems[1].contains(QLatin1String("groupe dialout")));
    EXPECT_TRUE(problems[2].contains(QLatin1String("ppdev")));

    const auto before = io.requests.size();
    EXPECT_FALSE(ports.write(0x378, 0xFF));
    EXPECT_FALSE(ports.write(0x2FC, 0x03));
    EXPECT_EQ(io.requests.size(), before);

    auto none = makePorts(io, {{0x378, kParport0, PortKind::Parallel}});
    EXPECT_FALSE(none.open(problems));
    EXPECT_FALSE(none.isOpen());

    // Ports of the standard map that the machine lacks are not reported;
    // refused ones still are.
    QStringList standardProblems;
    auto standard = makePorts(io, {{0x278, QStringLiteral("/dev/parport1"), PortKind::Parallel},
                                   {0x378, kParport0, PortKind::Parallel}},
                              false);
    EXPECT_FALSE(standard.open(standardProblems));
    ASSERT_EQ(standardProblems.size(), 1);
    EXPECT_TRUE(standardProblems[0].contains(QLatin1String("groupe lp")));
}

TEST(PortMap, FileEntriesReplaceTheStandardMapAndFaultyLinesAreReported)
{
    const PortMap map = parsePortMap(QStringLiteral("# guide box\r\n"
                                                    "$2F8=/dev/ttyUSB0\r\n"
                                                    "0x378 = /dev/parport1\r\n"
                                                    "\r\n"
                                                    "zz=/dev/ttyS0\r\n"
                                                    "037C=/dev/ttyS3\r\n"));
    ASSERT_EQ(map.devices.size(), 2u);
    EXPECT_EQ(map.devices[0].base, 0x2F8);
    EXPECT_EQ(map.devices[1].path, QStringLiteral("/dev/parport1"));
    EXPECT_EQ(map.devices[1].kind, PortKind::Parallel);
    ASSERT_EQ(map.problems.size(), 2);
    EXPECT_TRUE(map.problems[0].contains(QLatin1String("ligne 5")));
    EXPECT_TRUE(map.problems[1].contains(QLatin1String("ligne 6")));

    QTemporaryDir dir;
    EXPECT_EQ(loadPortMap(dir.path()).devices.size(), 7u);   // no file: the standard map
}
