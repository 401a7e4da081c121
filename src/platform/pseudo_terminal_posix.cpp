#include "platform/pseudo_terminal.h"

#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace platform {
namespace {

void makeRaw(int fd)
{
    termios t{};
    if (tcgetattr(fd, &t) != 0)
        return;
    cfmakeraw(&t);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    tcsetattr(fd, TCSANOW, &t);
}

} // namespace

PseudoTerminal::PseudoTerminal()
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0) {
        error_ = QStringLiteral("pseudo-terminal : %1").arg(qt_error_string(errno));
        return;
    }
    char name[128] = {};
    if (grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, name, sizeof name) != 0) {
        error_ = QStringLiteral("pseudo-terminal : %1").arg(qt_error_string(errno));
        ::close(master);
        return;
    }
    const int keeper = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (keeper < 0) {
        error_ = QStringLiteral("pseudo-terminal %1 : %2").arg(QString::fromLocal8Bit(name), qt_error_string(errno));
        ::close(master);
        return;
    }
    makeRaw(keeper);
    makeRaw(master);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    master_ = master;
    keeper_ = keeper;
    slavePath_ = QString::fromLocal8Bit(name);
}

PseudoTerminal::~PseudoTerminal()
{
    if (keeper_ >= 0)
        ::close(keeper_);
    if (master_ >= 0)
        ::close(master_);
}

void PseudoTerminal::hangUp()
{
    if (master_ >= 0)
        ::close(master_);
    master_ = -1;
}

QByteArray PseudoTerminal::readAvailable()
{
    QByteArray out;
    if (master_ < 0)
        return out;
    // The poll completes pending transfers from the slave side.
    pollfd p{master_, POLLIN, 0};
    if (::poll(&p, 1, 0) <= 0 || !(p.revents & POLLIN))
        return out;
    char buf[512];
    for (;;) {
        const ssize_t n = ::read(master_, buf, sizeof buf);
        if (n <= 0)
            break;
        out.append(buf, n);
    }
    return out;
}

bool PseudoTerminal::waitReadable(int timeout_ms)
{
    if (master_ < 0)
        return false;
    pollfd p{master_, POLLIN, 0};
    return ::poll(&p, 1, timeout_ms) > 0 && (p.revents & POLLIN);
}

bool PseudoTerminal::write(const QByteArray& bytes)
{
    if (master_ < 0)
        return false;
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

} // namespace platform
