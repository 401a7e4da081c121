#include "platform/camera_device.h"

#include "platform/simulated_camera.h"
#include "platform/fake_v4l2.h"
#include "platform/v4l2_camera.h"

namespace platform {

int bytesPerPixel(PixelFormat format)
{
    return format == PixelFormat::Mono8 ? 1 : 3;
}

bool FrameView::isComplete() const
{
    if (width <= 0 || height <= 0 || !data)
        return false;
    const std::ptrdiff_t row = static_cast<std::ptrdiff_t>(width) * bytesPerPixel(format);
    if (stride < row)
        return false;
    const auto needed = static_cast<std::size_t>(stride) * static_cast<std::size_t>(height - 1)
                        + static_cast<std::size_t>(row);
    return size >= needed;
}

void CameraTable::add(CameraDeviceInfo info, Factory factory)
{
    entries_.emplace_back(std::move(info), std::move(factory));
}

void CameraTable::clear()
{
    entries_.clear();
}

std::vector<CameraDeviceInfo> CameraTable::devices() const
{
    std::vector<CameraDeviceInfo> out;
    out.reserve(entries_.size());
    for (const auto& e : entries_)
        out.push_back(e.first);
    return out;
}

std::unique_ptr<CameraDevice> CameraTable::create(int index)
{
    if (index < 0 || index >= static_cast<int>(entries_.size()) || !entries_[index].second)
        return nullptr;
    return entries_[index].second();
}

namespace {

CameraTable& systemGrabTable()
{
    static CameraTable table = [] {
        CameraTable t;
        t.add({QStringLiteral("Simulateur ciel etoile"), QStringLiteral("1.0")}, [] {
            StarFieldSettings settings;
            ApplySimulatedMountEnvironment(settings);
            return std::make_unique<SimulatedCamera>(settings);
        });
        // A colour sensor without its colours rebuilt: the raw RGGB mosaic.
        t.add({QStringLiteral("Simulateur ciel etoile RGGB"), QStringLiteral("1.0")}, [] {
            StarFieldSettings settings;
            settings.bayer = true;
            ApplySimulatedMountEnvironment(settings);
            return std::make_unique<SimulatedCamera>(settings);
        });
        return t;
    }();
    return table;
}

// The V4L2 capture nodes; with NJ_FAKE_WEBCAM set in the environment, the
// demo webcam of the fake V4L2 layer instead (never listed otherwise).
CameraFamily& systemStreamFamily()
{
    if (qEnvironmentVariableIsSet("NJ_FAKE_WEBCAM")) {
        static FakeV4l2 fake({FakeV4l2::webcam(QStringLiteral("/dev/video-fake"), QStringLiteral("Webcam de démonstration"))});
        static V4l2Family family(fake);
        return family;
    }
    static V4l2Family family(systemV4l2());
    return family;
}

CameraFamily* g_grab = nullptr;
CameraFamily* g_stream = nullptr;

} // namespace

CameraFamily& grabCameras() { return g_grab ? *g_grab : systemGrabTable(); }
void setGrabCameras(CameraFamily* family) { g_grab = family; }
CameraFamily& streamCameras() { return g_stream ? *g_stream : systemStreamFamily(); }
void setStreamCameras(CameraFamily* family) { g_stream = family; }

} // namespace platform
