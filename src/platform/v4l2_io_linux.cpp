#include "platform/v4l2_io.h"

#include <QDir>
#include <algorithm>
#include <cerrno>
#include <libv4l2.h>
#include <poll.h>
#include <sys/mman.h>

namespace platform {
namespace {

class LibV4l2Io final : public V4l2Io {
public:
    QStringList nodes() const override
    {
        const QStringList names = QDir(QStringLiteral("/dev")).entryList({QStringLiteral("video*")}, QDir::System);
        std::vector<std::pair<int, QString>> numbered;
        for (const QString& n : names) {
            bool ok = false;
            const int k = n.mid(5).toInt(&ok);
            if (ok)
                numbered.emplace_back(k, QStringLiteral("/dev/") + n);
        }
        std::sort(numbered.begin(), numbered.end());
        QStringList out;
        for (const auto& [k, path] : numbered)
            out << path;
        return out;
    }
    int open(const QString& path, int flags) override { return v4l2_open(path.toLocal8Bit().constData(), flags); }
    int close(int fd) override { return v4l2_close(fd); }
    int ioctl(int fd, unsigned long request, void* arg) override
    {
        int r;
        do
            r = v4l2_ioctl(fd, request, arg);
        while (r == -1 && errno == EINTR);
        return r;
    }
    void* mmap(std::size_t length, int prot, int flags, int fd, std::int64_t offset) override
    {
        return v4l2_mmap(nullptr, length, prot, flags, fd, offset);
    }
    int munmap(void* addr, std::size_t length) override { return v4l2_munmap(addr, length); }
    int poll(int fd, int timeout_ms) override
    {
        pollfd p{fd, POLLIN, 0};
        int r;
        do
            r = ::poll(&p, 1, timeout_ms);
        while (r == -1 && errno == EINTR);
        if (r > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL)) && !(p.revents & POLLIN)) {
            errno = ENODEV;
            return -1;
        }
        return r;
    }
};

} // namespace

V4l2Io& systemV4l2()
{
    static LibV4l2Io io;
    return io;
}

} // namespace platform
