#include "platform/com_io.h"
#include "platform/com_io_linux_baud.h"
#include "platform/pseudo_terminal.h"
#include "support/fakes.h"
#include "support/temp_program_dir.h"

#include <QDir>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <tuple>
#include <vector>

namespace com_io = platform::com_io;
using platform::PseudoTerminal;

namespace {

class ComIo : public ::testing::Test {
protected:
    void TearDown() override
    {
        com_io::close_all();
        com_io::ClearDevicePaths();
    }
    static int openDescriptors() { return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size()); }

    testsupport::TempProgramDir dir;
    testsupport::FakeSleeper sleeper;
};

template <class F>
QString exComMessage(F f)
{
    try {
        f();
    } catch (const com_io::ExCom& e) {
        return e.message();
    }
    return QStringLiteral("no ExCom");
}

} // namespace

TEST_F(ComIo, ChannelsOnOnePortShareItAndCloseTogether)
{
    PseudoTerminal a, b;
    ASSERT_TRUE(a.isOpen() && b.isOpen()) << a.error().toStdString();
    com_io::SetDevicePath(3, a.slavePath());
    dir.writeFile(QStringLiteral("comports.map"), "# test map\nCOM4 = " + b.slavePath().toUtf8() + "\n");
    EXPECT_EQ(com_io::DevicePath(4), b.slavePath()) << "the map file names COM4";
    EXPECT_EQ(com_io::DevicePath(5), QStringLiteral("/dev/ttyS4")) << "unmapped ports keep the standard device";

    const int before = openDescriptors();
    ASSERT_TRUE(com_io::open_com(1, QStringLiteral("COM3")));
    ASSERT_TRUE(com_io::open_com(2, QStringLiteral("COM3")));
    EXPECT_EQ(openDescriptors(), before + 1) << "the port is opened once";
    EXPECT_EQ(com_io::channel(1).handle, com_io::channel(2).handle);
    EXPECT_EQ(com_io::find_channel(3), 1);
    com_io::put_string(2, ":GR#");
    EXPECT_EQ(a.readAvailable(), QByteArray(":GR#"));

    // A channel moved to another port lets the old one go only when nobody
    // else uses it.
    ASSERT_TRUE(com_io::open_com(1, QStringLiteral("COM4")));
    EXPECT_TRUE(com_io::channel(2).open);
    com_io::put_byte(2, 0x2A);
    EXPECT_EQ(a.readAvailable(), QByteArray("*"));
    ASSERT_TRUE(com_io::open_com(5, QStringLiteral("COM3")));
    ASSERT_TRUE(com_io::open_com(2, QStringLiteral("COM4")));
    ASSERT_TRUE(com_io::open_com(5, QStringLiteral("COM4")));
    EXPECT_EQ(openDescriptors(), before + 1) << "COM3 was closed when its last channel left it";

    // Letting go of one channel leaves the port to those still on it.
    ASSERT_TRUE(com_io::open_com(8, QStringLiteral("COM4")));
    com_io::release_com(8);
    EXPECT_FALSE(com_io::channel(8).open);
    com_io::put_byte(2, 0x2B);
    EXPECT_EQ(b.readAvailable(), QByteArray("+"));
    EXPECT_EQ(openDescriptors(), before + 1);

    // Closing one channel closes the port for every channel on it.
    com_io::close_com(2);
    for (std::uint8_t ch : {1, 2, 5})
        EXPECT_FALSE(com_io::channel(ch).open) << int(ch);
    EXPECT_EQ(openDescriptors(), before);
    EXPECT_TRUE(com_io::open_com(1, QStringLiteral("COM4"))) << "the device can be opened again";
}

TEST_F(ComIo, PortNamesOutOfRangeOpenNothing)
{
    EXPECT_EQ(com_io::PortNumber(QStringLiteral("COM12")), 12);
    EXPECT_EQ(com_io::PortNumber(QStringLiteral("COMx")), 99);
    EXPECT_FALSE(com_io::open_com(1, QStringLiteral("COM21")));
    EXPECT_FALSE(com_io::open_com(1, QStringLiteral("COMx")));
    EXPECT_FALSE(com_io::open_com(11, QStringLiteral("COM1")));
    EXPECT_FALSE(com_io::channel(1).open);
}

TEST_F(ComIo, ReadsWaitForTheAnswerAndTakeAtMost256Bytes)
{
    PseudoTerminal mount;
    com_io::SetDevicePath(2, mount.slavePath());
    ASSERT_TRUE(com_io::open_com(1, QStringLiteral("COM2")));
    EXPECT_EQ(com_io::get_string(1), QByteArray());
    EXPECT_EQ(sleeper.waits, std::vector<std::int64_t>{200});

    const QByteArray reply(300, 'x');
    ASSERT_TRUE(mount.write(reply));
    EXPECT_EQ(com_io::get_string(1).size(), 256);
    EXPECT_EQ(com_io::get_string(1).size(), 44) << "the rest stays queued for the next read";
    EXPECT_EQ(com_io::get_string(7), QByteArray()) << "a closed channel reads nothing";

    // Bytes still on their way when earlier ones are already waiting are read too.
    ASSERT_TRUE(mount.write("11"));
    pollfd p{com_io::channel(1).handle, POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 0), 1);
    ASSERT_TRUE(mount.write("0"));
    EXPECT_EQ(com_io::get_string(1), QByteArray("110"));
}

TEST_F(ComIo, StaleBytesAreDroppedAndAVanishedDeviceFails)
{
    PseudoTerminal mount;
    com_io::SetDevicePath(2, mount.slavePath());
    ASSERT_TRUE(com_io::open_com(1, QStringLiteral("COM2")));
    ASSERT_TRUE(mount.write(QByteArray(600, 's')));   // more than one read takes
    pollfd p{com_io::channel(1).handle, POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 1000), 1);
    com_io::discard_input(1);
    ASSERT_TRUE(mount.write("+45*30#"));
    ASSERT_EQ(poll(&p, 1, 1000), 1);
    EXPECT_EQ(com_io::read_available(1), QByteArray("+45*30#")) << "nothing waited for, nothing stale";
    EXPECT_TRUE(sleeper.waits.empty());

    mount.hangUp();
    EXPECT_TRUE(exComMessage([] { com_io::put_string(1, ":GR#"); }).startsWith(QLatin1String("put_string, erreur = ")));
    EXPECT_TRUE(exComMessage([] { com_io::read_available(1); }).startsWith(QLatin1String("get_string, erreur = ")));
}

TEST_F(ComIo, FailuresCarryTheOperationAndTheSystemCode)
{
    EXPECT_EQ(exComMessage([] { com_io::put_string(1, ":Q#"); }), QStringLiteral("put_string, erreur = 9"));
    EXPECT_EQ(exComMessage([] { com_io::put_byte(1, 1); }), QStringLiteral("put_byte, erreur = 9"));

    com_io::SetDevicePath(6, dir.filePath(QStringLiteral("absent/ttyUSB0")));
    try {
        com_io::open_com(1, QStringLiteral("COM6"));
        ADD_FAILURE() << "a missing device opened";
    } catch (const com_io::ExCom& e) {
        EXPECT_EQ(e.message(), QStringLiteral("open_com, erreur = 2"));
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains(QStringLiteral("absent/ttyUSB0"))) << e.what();
    }
    dir.writeFile(QStringLiteral("notatty"), "x");
    com_io::SetDevicePath(6, dir.filePath(QStringLiteral("notatty")));
    EXPECT_EQ(exComMessage([] { com_io::open_com(1, QStringLiteral("COM6")); }), QStringLiteral("open_com, erreur = 25"));
    EXPECT_FALSE(com_io::channel(1).open) << "a failed open leaves the channel closed";
}

TEST_F(ComIo, LineSettingsChangeOnlyWhatIsAsked)
{
    PseudoTerminal mount;
    com_io::SetDevicePath(1, mount.slavePath());
    ASSERT_TRUE(com_io::open_com(1, QStringLiteral("COM1")));
    const int fd = com_io::channel(1).handle;
    termios t{};
    ASSERT_EQ(tcgetattr(fd, &t), 0);
    t.c_iflag |= IXON | IXOFF;   // flow control as the driver had it
    ASSERT_EQ(tcsetattr(fd, TCSANOW, &t), 0);

    com_io::set_com(1, 9600, com_io::EvenParity, 7, com_io::TwoStopBits);
    com_io::set_timeout(1, 1000, 100);
    com_io::set_buf(1, 4096, 4096);
    ASSERT_EQ(tcgetattr(fd, &t), 0);
    // (A pseudo-terminal keeps eight data bits without parity whatever is set.)
    EXPECT_EQ(cfgetospeed(&t), speed_t(B9600));
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    EXPECT_TRUE((t.c_iflag & IXON) && (t.c_iflag & IXOFF));
    EXPECT_EQ(t.c_cc[VSTART], 17);
    EXPECT_EQ(t.c_cc[VSTOP], 19);
    // Every rate the Preferences offer is set, those without a constant of
    // their own too.
    for (const int baud : {2400, 14400, 56000, 57600, 128000, 256000}) {
        EXPECT_EQ(exComMessage([baud] { com_io::set_com(1, baud, 0, 8, 0); }), QStringLiteral("no ExCom")) << baud;
        EXPECT_EQ(com_io::detail::ReadBaudRate(fd), baud);
    }
    EXPECT_EQ(exComMessage([] { com_io::set_com(1, 0, 0, 8, 0); }), QStringLiteral("set_com, erreur = 22"));
    EXPECT_EQ(exComMessage([] { com_io::set_com(3, 9600, 0, 8, 0); }), QStringLiteral("get_com, erreur = 9"));
}

TEST_F(ComIo, VirtualDevicesComeFromTheirFactory)
{
    PseudoTerminal sim;
    int made = 0;
    com_io::RegisterVirtualDevice(QStringLiteral("TESTSIM"), [&] {
        ++made;
        return sim.slavePath();
    });
    dir.writeFile(QStringLiteral("comports.map"), "COM9=testsim\r\n");
    ASSERT_TRUE(com_io::open_com(10, QStringLiteral("COM9")));
    com_io::put_string(10, "N1\r\n");
    EXPECT_EQ(sim.readAvailable(), QByteArray("N1\r\n"));
    EXPECT_EQ(made, 1);
    com_io::RegisterVirtualDevice(QStringLiteral("TESTSIM"), [] { return QString(); });
    com_io::close_com(10);
    EXPECT_EQ(exComMessage([] { com_io::open_com(10, QStringLiteral("COM9")); }), QStringLiteral("open_com, erreur = 19"));
}

// RTS and DTR switch on the channel's port; a closed channel or a line the
// device cannot switch (a pseudo-terminal has no modem lines) fails with the
// operation's name, never silently.
TEST_F(ComIo, ModemLinesSwitchOnTheChannelsPortOrFail)
{
    EXPECT_EQ(exComMessage([] { com_io::set_modem_line(10, com_io::ModemLine::Rts, true); }),
              QStringLiteral("set_modem_line, erreur = 9"));
    PseudoTerminal pty;
    ASSERT_TRUE(pty.isOpen());
    com_io::SetDevicePath(3, pty.slavePath());
    ASSERT_TRUE(com_io::open_com(10, QStringLiteral("COM3")));
    EXPECT_TRUE(exComMessage([] { com_io::set_modem_line(10, com_io::ModemLine::Dtr, true); })
                    .startsWith(QStringLiteral("set_modem_line, erreur = ")));

    std::vector<std::tuple<int, com_io::ModemLine, bool>> seen;
    com_io::SetModemLineObserver([&](std::uint8_t port, com_io::ModemLine line, bool on) { seen.emplace_back(port, line, on); });
    com_io::set_modem_line(10, com_io::ModemLine::Rts, false);
    com_io::SetModemLineObserver({});
    EXPECT_EQ(seen, (std::vector<std::tuple<int, com_io::ModemLine, bool>>{{3, com_io::ModemLine::Rts, false}}));
}
