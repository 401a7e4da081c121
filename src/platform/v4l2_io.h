#pragma once
// The calls the stream-device backend makes into V4L2, behind one seam:
// the system implementation goes through libv4l2 (which converts the
// device's own pixel formats to BGR24), tests and the opt-in demo device
// put a fake in its place.

#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>

namespace platform {

class V4l2Io {
public:
    virtual ~V4l2Io() = default;
    // Paths of the video nodes, in node order (/dev/video0, /dev/video1, ...).
    virtual QStringList nodes() const = 0;
    // As the system calls: -1 with errno set on failure.
    virtual int open(const QString& path, int flags) = 0;
    virtual int close(int fd) = 0;
    virtual int ioctl(int fd, unsigned long request, void* arg) = 0;
    virtual void* mmap(std::size_t length, int prot, int flags, int fd, std::int64_t offset) = 0;
    virtual int munmap(void* addr, std::size_t length) = 0;
    // Waits until a buffer can be dequeued: > 0 ready, 0 timed out, -1 error.
    virtual int poll(int fd, int timeout_ms) = 0;
};

// libv4l2 over the system's /dev/video nodes.
V4l2Io& systemV4l2();

} // namespace platform
