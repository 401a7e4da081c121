#pragma once
// Cameras. One interface for every device the program takes frames from, and
// the two families it enumerates itself:
//
//   grab family    single-frame devices, polled by the slot's frame timer
//                  (the Video for Windows kind, source kind 0); at most
//                  kMaxGrabDevices are listed. The simulated star-field camera
//                  is registered here.
//   stream family  devices that stream on their own thread (the WDM kind,
//                  source kind 1). The system enumeration comes with the
//                  V4L2 backend; until then the family is empty unless a test
//                  or the program installs one.
//
// Plug-in cameras (kind 3) are enumerated by the plug-in manager through the
// plug-in libraries (plugin_library.h).

#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace platform {

enum class PixelFormat : std::uint8_t {
    Bgr24 = 0,   // blue, green, red
    Mono8 = 1,   // grey levels, or a raw Bayer mosaic
};

int bytesPerPixel(PixelFormat format);

// A frame owned by someone else: rows top-down, `stride` bytes apart, `size`
// bytes readable at `data`. Valid only during the call that hands it over.
struct FrameView {
    int width = 0;
    int height = 0;
    std::ptrdiff_t stride = 0;
    PixelFormat format = PixelFormat::Bgr24;
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;

    // True when the size is positive, the stride holds a row and `size`
    // covers every row. Short or malformed frames are skipped, never read.
    bool isComplete() const;
};

struct CameraFormat {
    int width = 0;       // 0 = not known
    int height = 0;
    int bitCount = 24;   // bits a pixel of the delivered frames (24 or 8)
};

class CameraDevice {
public:
    using FrameCallback = std::function<void(const FrameView&)>;

    virtual ~CameraDevice() = default;

    virtual bool open() = 0;
    // Stops a running stream and releases the device.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    virtual CameraFormat format() const = 0;
    // False (format unchanged) when the device does not offer it.
    virtual bool setFormat(const CameraFormat& format) = 0;

    // Takes one frame and hands it to `sink` on the calling thread before
    // returning. False when no frame could be taken.
    virtual bool grabFrame(const FrameCallback& sink) = 0;

    // Streams frames to `callback` on the device's own thread, about
    // `frameRate` a second (0: the device's own rate).
    virtual bool startStream(FrameCallback callback, double frameRate = 0) = 0;
    // After it returns the callback is never called again. Must not be
    // called from inside the callback.
    virtual void stopStream() = 0;
};

struct CameraDeviceInfo {
    QString name;
    QString version;
};

// One family of devices, listed in a stable order.
class CameraFamily {
public:
    virtual ~CameraFamily() = default;
    virtual std::vector<CameraDeviceInfo> devices() const = 0;
    // A new device object for entry `index` of devices(); nullptr when there
    // is no such device (any more).
    virtual std::unique_ptr<CameraDevice> create(int index) = 0;
};

// A family made of registered entries: every device is listed in one table
// with a factory, and nothing else needs to know it.
class CameraTable final : public CameraFamily {
public:
    using Factory = std::function<std::unique_ptr<CameraDevice>()>;
    void add(CameraDeviceInfo info, Factory factory);
    void clear();
    std::vector<CameraDeviceInfo> devices() const override;
    std::unique_ptr<CameraDevice> create(int index) override;

private:
    std::vector<std::pair<CameraDeviceInfo, Factory>> entries_;
};

constexpr int kMaxGrabDevices = 10;

// The families in force; nullptr restores the system ones. The system grab
// family holds the simulated star-field camera.
CameraFamily& grabCameras();
void setGrabCameras(CameraFamily* family);
CameraFamily& streamCameras();
void setStreamCameras(CameraFamily* family);

} // namespace platform
