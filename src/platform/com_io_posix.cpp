#include "platform/com_io.h"

#include "platform/clock.h"
#include "platform/com_io_linux_baud.h"
#include "platform/paths.h"
#include "platform/platform_texts.h"

#include <QFile>
#include <QHash>
#include <QMap>

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace platform::com_io {
namespace {

std::array<Channel, kChannelCount + 1> g_channels;   // index 0 unused
QMap<int, QString> g_devicePaths;
QHash<QString, std::function<QString()>> g_virtualDevices;   // upper-case names
std::function<void(std::uint8_t, ModemLine, bool)> g_modemLineObserver;

// A write that cannot go out within this time fails instead of blocking the
// program (a line held by flow control, a device that went away).
constexpr int kWriteWait_ms = 2000;

bool valid(std::uint8_t ch) { return ch >= 1 && ch <= kChannelCount; }

Channel& openChannel(std::uint8_t ch, const char* operation)
{
    if (!valid(ch) || !g_channels[ch].open)
        throw ExCom(QString::fromLatin1(operation), EBADF,
                    platform::text(platform::PlatformText::MSG_Com_Aucun_Port).arg(ch));
    return g_channels[ch];
}

[[noreturn]] void fail(const char* operation, int error, const Channel& c)
{
    throw ExCom(QString::fromLatin1(operation), error, c.device + QStringLiteral(" : ") + qt_error_string(error));
}

QString mapFileEntry(int port)
{
    const QString file = findFileNoCase(programDir(), QStringLiteral("comports.map"));
    if (file.isEmpty())
        return {};
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')) || line.startsWith(QLatin1Char(';')))
            continue;
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        const QString name = line.left(eq).trimmed();
        if (name.startsWith(QLatin1String("COM"), Qt::CaseInsensitive) && PortNumber(name.toUpper()) == port)
            return line.mid(eq + 1).trimmed();
    }
    return {};
}

void clearChannel(Channel& c) { c = Channel{}; }

void closeHandle(int handle)
{
    ioctl(handle, TIOCNXCL);   // later opens of the same device must succeed
    ::close(handle);
}

// Releases channel ch: its port is closed unless another channel shares it.
void releaseChannel(std::uint8_t ch)
{
    Channel& c = g_channels[ch];
    if (!c.open)
        return;
    bool shared = false;
    for (int i = 1; i <= kChannelCount; ++i)
        shared = shared || (i != ch && g_channels[i].open && g_channels[i].handle == c.handle);
    if (!shared)
        closeHandle(c.handle);
    clearChannel(c);
}

int openDevice(const QString& path)
{
    Channel probe;
    probe.device = path;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        fail("open_com", errno, probe);
    termios t{};
    if (tcgetattr(fd, &t) != 0) {
        const int error = errno;
        ::close(fd);
        throw ExCom(QStringLiteral("open_com"), error,
                    path + platform::text(platform::PlatformText::MSG_Com_Pas_Port_Serie));
    }
    if (ioctl(fd, TIOCEXCL) != 0) {
        const int error = errno;
        ::close(fd);
        fail("open_com", error, probe);
    }
    // Bytes pass unchanged in both directions; flow control, speed and
    // framing stay as the driver had them until set_com.
    t.c_iflag &= ~tcflag_t(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL);
    t.c_oflag &= ~tcflag_t(OPOST);
    t.c_lflag &= ~tcflag_t(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    if (tcsetattr(fd, TCSANOW, &t) != 0) {
        const int error = errno;
        closeHandle(fd);
        fail("open_com", error, probe);
    }
    return fd;
}

speed_t speedOf(int baud)
{
    switch (baud) {
    case 50: return B50;
    case 75: return B75;
    case 110: return B110;
    case 134: return B134;
    case 150: return B150;
    case 200: return B200;
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 1800: return B1800;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    case 460800: return B460800;
    case 921600: return B921600;
    default: return B0;
    }
}

tcflag_t sizeOf(int dataBits)
{
    switch (dataBits) {
    case 5: return CS5;
    case 6: return CS6;
    case 7: return CS7;
    case 8: return CS8;
    default: return 0;
    }
}

} // namespace

ExCom::ExCom(const QString& operation, int code, const QString& detail)
    : std::runtime_error(QString(operation + platform::text(platform::PlatformText::MSG_Com_Erreur) + QString::number(code)
                                 + (detail.isEmpty() ? QString() : QStringLiteral(" (") + detail + QLatin1Char(')')))
                             .toStdString()),
      operation_(operation), code_(code), detail_(detail),
      message_(operation + platform::text(platform::PlatformText::MSG_Com_Erreur) + QString::number(code))
{
}

Channel channel(std::uint8_t ch) { return valid(ch) ? g_channels[ch] : Channel{}; }

int PortNumber(const QString& name)
{
    bool ok = false;
    const int n = name.mid(3).toInt(&ok);
    return ok ? n : 99;
}

QString DevicePath(int port)
{
    QString path = g_devicePaths.value(port);
    if (path.isEmpty())
        path = mapFileEntry(port);
    if (path.isEmpty())
        return QStringLiteral("/dev/ttyS%1").arg(port - 1);
    const auto factory = g_virtualDevices.constFind(path.toUpper());
    if (factory != g_virtualDevices.constEnd())
        return (*factory)();
    return path;
}

void SetDevicePath(int port, const QString& path)
{
    if (path.isEmpty())
        g_devicePaths.remove(port);
    else
        g_devicePaths.insert(port, path);
}

void ClearDevicePaths() { g_devicePaths.clear(); }

void RegisterVirtualDevice(const QString& name, std::function<QString()> factory)
{
    g_virtualDevices.insert(name.toUpper(), std::move(factory));
}

void set_modem_line(std::uint8_t ch, ModemLine line, bool on)
{
    const Channel& c = openChannel(ch, "set_modem_line");
    if (g_modemLineObserver) {
        g_modemLineObserver(c.port, line, on);
        return;
    }
    int bits = line == ModemLine::Rts ? TIOCM_RTS : TIOCM_DTR;
    if (::ioctl(c.handle, on ? TIOCMBIS : TIOCMBIC, &bits) != 0)
        fail("set_modem_line", errno, c);
}

void SetModemLineObserver(std::function<void(std::uint8_t port, ModemLine line, bool on)> observer)
{
    g_modemLineObserver = std::move(observer);
}

std::uint8_t find_channel(std::uint8_t port)
{
    for (int i = 1; i <= kChannelCount; ++i)
        if (g_channels[i].open && g_channels[i].port == port)
            return std::uint8_t(i);
    return 0;
}

bool open_com(std::uint8_t ch, const QString& name)
{
    if (!valid(ch))
        return false;
    const int n = PortNumber(name);
    if (n < 1 || n > kMaxPortNumber)
        return false;
    Channel& c = g_channels[ch];
    if (c.open && c.port == n)
        return true;
    releaseChannel(ch);

    if (const std::uint8_t other = find_channel(std::uint8_t(n))) {
        c = g_channels[other];
        return true;
    }
    const QString path = DevicePath(n);
    if (path.isEmpty())
        throw ExCom(QStringLiteral("open_com"), ENODEV, name + platform::text(platform::PlatformText::MSG_Com_Indisponible));
    // Two port names mapped to one device share it too.
    for (int i = 1; i <= kChannelCount; ++i) {
        if (g_channels[i].open && g_channels[i].device == path) {
            c = g_channels[i];
            c.port = std::uint8_t(n);
            return true;
        }
    }
    const int fd = openDevice(path);
    c.handle = fd;
    c.port = std::uint8_t(n);
    c.open = true;
    c.device = path;
    return true;
}

void set_buf(std::uint8_t ch, int inputSize, int outputSize)
{
    openChannel(ch, "set_buf");
    if (inputSize < 0 || outputSize < 0)
        throw ExCom(QStringLiteral("set_buf"), EINVAL);
}

void set_com(std::uint8_t ch, int baud, int parity, int dataBits, int stopBits)
{
    Channel& c = openChannel(ch, "get_com");
    termios t{};
    if (tcgetattr(c.handle, &t) != 0)
        fail("get_com", errno, c);
    const speed_t speed = speedOf(baud);
    const tcflag_t size = sizeOf(dataBits);
    // A rate with no constant of its own is set afterwards, exactly.
    if (speed == B0 && baud <= 0)
        throw ExCom(QStringLiteral("set_com"), EINVAL,
                    c.device + platform::text(platform::PlatformText::MSG_Com_Vitesse).arg(baud));
    if (size == 0)
        throw ExCom(QStringLiteral("set_com"), EINVAL,
                    c.device + platform::text(platform::PlatformText::MSG_Com_Bits).arg(dataBits));
    if (speed != B0) {
        cfsetispeed(&t, speed);
        cfsetospeed(&t, speed);
    }
    t.c_cflag = (t.c_cflag & ~tcflag_t(CSIZE)) | size;
    t.c_cflag &= ~tcflag_t(PARENB | PARODD | CMSPAR);
    switch (parity) {
    case OddParity: t.c_cflag |= PARENB | PARODD; break;
    case EvenParity: t.c_cflag |= PARENB; break;
    case MarkParity: t.c_cflag |= PARENB | PARODD | CMSPAR; break;
    default: break;
    }
    // Linux has no one-and-a-half stop bits; two is the nearest.
    if (stopBits == OneStopBit)
        t.c_cflag &= ~tcflag_t(CSTOPB);
    else
        t.c_cflag |= CSTOPB;
    t.c_cc[VSTART] = 17;
    t.c_cc[VSTOP] = 19;
    if (tcsetattr(c.handle, TCSANOW, &t) != 0)
        fail("set_com", errno, c);
    if (speed == B0) {
        if (const int error = detail::SetAnyBaudRate(c.handle, baud))
            throw ExCom(QStringLiteral("set_com"), error,
                        c.device + platform::text(platform::PlatformText::MSG_Com_Vitesse).arg(baud));
    }
}

void set_timeout(std::uint8_t ch, int readInterval_ms, int readTotalConstant_ms)
{
    openChannel(ch, "set_timeout");
    if (readInterval_ms < 0 || readTotalConstant_ms < 0)
        throw ExCom(QStringLiteral("set_timeout"), EINVAL);
}

void put_string(std::uint8_t ch, const QByteArray& text)
{
    Channel& c = openChannel(ch, "put_string");
    qsizetype done = 0;
    const std::int64_t deadline = clock().monotonicMs() + kWriteWait_ms;
    while (done < text.size()) {
        const ssize_t n = ::write(c.handle, text.constData() + done, size_t(text.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            fail("put_string", errno, c);
        const std::int64_t left = deadline - clock().monotonicMs();
        pollfd p{c.handle, POLLOUT, 0};
        if (left <= 0 || ::poll(&p, 1, int(left)) <= 0)
            fail("put_string", EAGAIN, c);
    }
}

void put_byte(std::uint8_t ch, std::uint8_t value)
{
    Channel& c = openChannel(ch, "put_byte");
    ssize_t n;
    do
        n = ::write(c.handle, &value, 1);
    while (n < 0 && errno == EINTR);
    if (n != 1)
        fail("put_byte", n < 0 ? errno : EIO, c);
}

QByteArray get_string(std::uint8_t ch)
{
    sleeper().sleepMs(kAnswerWait_ms);
    return read_available(ch);
}

QByteArray read_available(std::uint8_t ch)
{
    if (!valid(ch) || !g_channels[ch].open)
        return {};
    Channel& c = g_channels[ch];
    // Reading until the driver has nothing more also takes in what was still
    // on its way when the first read was made.
    char buffer[kReadBufferSize];
    qsizetype total = 0;
    while (total < kReadBufferSize) {
        const ssize_t n = ::read(c.handle, buffer + total, size_t(kReadBufferSize - total));
        if (n > 0) {
            total += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            fail("get_string", errno, c);
        // Nothing to read: a line that hung up (its device went away) says
        // so to poll; a quiet one does not.
        pollfd p{c.handle, POLLIN, 0};
        if (n == 0 && total == 0 && ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)))
            fail("get_string", EIO, c);
        break;
    }
    return QByteArray(buffer, total);
}

void discard_input(std::uint8_t ch)
{
    if (!valid(ch) || !g_channels[ch].open)
        return;
    tcflush(g_channels[ch].handle, TCIFLUSH);
    while (read_available(ch).size() == kReadBufferSize) {
    }
}


void close_com(std::uint8_t ch)
{
    if (!valid(ch) || !g_channels[ch].open)
        return;
    const int handle = g_channels[ch].handle;
    for (int i = 1; i <= kChannelCount; ++i)
        if (g_channels[i].open && g_channels[i].handle == handle)
            clearChannel(g_channels[i]);
    closeHandle(handle);
}

void release_com(std::uint8_t ch)
{
    if (valid(ch))
        releaseChannel(ch);
}

void close_all()
{
    for (int i = 1; i <= kChannelCount; ++i)
        close_com(std::uint8_t(i));
}

} // namespace platform::com_io
