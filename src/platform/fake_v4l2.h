#pragma once
// A V4L2 layer of our own, for tests and for the demo device the program
// lists on an explicit opt-in: scripted nodes with formats, controls (with
// auto/manual pairs), a moving test pattern, and faults to inject.

#include "platform/v4l2_io.h"

#include <QString>
#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <vector>

namespace platform {

class FakeV4l2 final : public V4l2Io {
public:
    struct Control {
        std::int32_t min = 0;
        std::int32_t max = 0;
        std::int32_t step = 1;
        std::int32_t value = 0;
        std::uint32_t autoId = 0;        // the auto control that must be off for this one to take a value
        std::int32_t autoOnValue = 1;    // that auto control's "automatic" value
    };
    struct Size {
        int width = 0;
        int height = 0;
    };
    struct Node {
        QString path;
        QString card = QStringLiteral("Fake camera");
        bool metadata = false;               // a metadata node, not a capture node
        std::vector<std::uint32_t> fourccs;  // offered pixel formats (BGR24 as libv4l2 gives it)
        std::vector<Size> sizes{{320, 240}, {640, 480}, {1280, 960}};
        std::map<std::uint32_t, Control> controls;
        int openError = 0;                   // errno of open (EACCES, EBUSY, ENOENT)
        Size grantedOverride{};              // a size granted whatever is asked (0 x 0: nearest)
        Size refusedRequest{};               // a size whose request fails with EINVAL
    };

    // A colour webcam with the usual controls and auto/manual pairs.
    static Node webcam(const QString& path, const QString& card);

    explicit FakeV4l2(std::vector<Node> nodes = {});
    std::vector<Node>& nodeTable() { return nodes_; }

    QStringList nodes() const override;
    int open(const QString& path, int flags) override;
    int close(int fd) override;
    int ioctl(int fd, unsigned long request, void* arg) override;
    void* mmap(std::size_t length, int prot, int flags, int fd, std::int64_t offset) override;
    int munmap(void* addr, std::size_t length) override;
    int poll(int fd, int timeout_ms) override;

    // Faults of the running stream.
    std::atomic<bool> unplugged{false};   // poll and dequeue fail with ENODEV
    std::atomic<bool> stalled{false};     // no frame comes
    std::atomic<int> frameBytesDelta{0};  // bytesused = frame size + delta (negative: short frames)
    // Frames are ready at once (benchmarks) instead of at the granted rate.
    bool instantFrames = false;

    // What the fake saw.
    int openDescriptors() const;
    int mappedBuffers() const;
    bool streaming(const QString& path) const;
    std::int32_t controlValue(const QString& path, std::uint32_t id) const;
    std::uint64_t framesServed() const { return served_; }

private:
    struct Open {
        int node = -1;
        std::uint32_t fourcc = 0;
        Size size{640, 480};
        std::uint32_t interval100ns = 333333;
        bool streaming = false;
        std::vector<std::vector<std::uint8_t>> buffers;
        std::vector<bool> queued;
        std::vector<int> barAt;   // the bar's column in each buffer
        std::uint32_t frame = 0;
        std::int64_t lastFrame_ns = 0;
        int nextQueued = 0;
    };
    Open* find(int fd);
    void paint(Open& o, std::size_t index);
    int fail(int err);

    mutable std::mutex mutex_;
    std::vector<Node> nodes_;
    std::map<int, Open> open_;
    int nextFd_ = 100;
    int mapped_ = 0;
    std::atomic<std::uint64_t> served_{0};
};

} // namespace platform
