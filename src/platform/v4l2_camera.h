#pragma once
// Stream-family cameras over V4L2: the capture nodes of the system (metadata
// and output nodes are left out), each listed under its card name, streaming
// mapped buffers on their own thread. Frames come as BGR24 (libv4l2
// converts); a device that offers only grey levels (GREY, Y16) gives grey.

#include "platform/camera_device.h"
#include "platform/v4l2_io.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

namespace platform {

class V4l2Camera final : public CameraDevice {
public:
    V4l2Camera(V4l2Io& io, QString path);
    ~V4l2Camera() override;

    bool open() override;
    void close() override;
    bool isOpen() const override { return fd_ >= 0; }
    CameraFormat format() const override;
    // Asks for the nearest size the device offers; false when it refuses
    // every format or grants a size of 0.
    bool setFormat(const CameraFormat& format) override;
    bool grabFrame(const FrameCallback&) override { return false; }
    bool startStream(FrameCallback callback, double frameRate = 0) override;
    void stopStream() override;
    bool streaming() const { return thread_.joinable(); }

    // The errno of the last failure (0 none), and what it means for a user,
    // naming the node.
    int lastError() const { return lastErrno_; }
    QString errorText() const;
    const QString& path() const { return path_; }

    // A size the device lists for a pixel format it offers.
    struct FormatEntry {
        std::uint32_t fourcc = 0;
        QString description;
        int width = 0;
        int height = 0;
    };
    std::vector<FormatEntry> formats() const;
    // Chooses the pixel format of the next start (0: BGR24 when offered).
    void setPixelFormat(std::uint32_t fourcc) { requestedFourcc_ = fourcc; }
    std::uint32_t pixelFormat() const { return fourcc_; }
    // The frame interval granted, in 100 ns units (0: unknown).
    std::int64_t frameInterval() const { return interval100ns_; }

    struct Control {
        bool present = false;
        std::int32_t min = 0;
        std::int32_t max = 0;
        std::int32_t step = 1;
        std::int32_t value = 0;
    };
    // An absent control reads present = false, 0..0.
    Control control(std::uint32_t id) const;
    // Sends a value; false when the device refuses it. `readBack` gets the
    // value the device holds afterwards.
    bool setControl(std::uint32_t id, std::int32_t value, std::int32_t* readBack = nullptr);
    bool hasControls() const;

    // Called once on the stream thread when the device fails mid-stream
    // (unplugged: ENODEV) or stalls (ETIMEDOUT); the stream then ends.
    void setStreamLost(std::function<void(int error)> handler) { streamLost_ = std::move(handler); }
    // How long the stream may deliver nothing before it counts as stalled
    // (at least three frame intervals; 0: never).
    void setStallTimeout(int ms) { stallTimeout_ms_ = ms; }

private:
    struct Buffer {
        void* data = nullptr;
        std::size_t length = 0;
    };
    bool fail(int err);
    // The pixel formats offered, with their descriptions.
    std::vector<std::pair<std::uint32_t, QString>> pixelFormats() const;
    bool negotiate(int width, int height);
    void applyFrameRate(double frameRate);
    void releaseBuffers();
    void run();

    V4l2Io& io_;
    QString path_;
    int fd_ = -1;
    std::atomic<int> lastErrno_{0};
    CameraFormat format_{0, 0, 24};
    std::uint32_t fourcc_ = 0;
    std::uint32_t requestedFourcc_ = 0;
    std::uint32_t bytesPerLine_ = 0;
    std::int64_t interval100ns_ = 0;
    std::vector<Buffer> buffers_;
    std::vector<std::uint8_t> grey_;   // Y16 frames reduced to 8 bits, sized once per start
    FrameCallback callback_;
    std::function<void(int)> streamLost_;
    int stallTimeout_ms_ = 5000;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// The capture nodes of `io` under their card names.
class V4l2Family final : public CameraFamily {
public:
    explicit V4l2Family(V4l2Io& io) : io_(io) {}
    std::vector<CameraDeviceInfo> devices() const override;
    std::unique_ptr<CameraDevice> create(int index) override;

private:
    QStringList captureNodes(std::vector<CameraDeviceInfo>* infos) const;
    V4l2Io& io_;
};

} // namespace platform
