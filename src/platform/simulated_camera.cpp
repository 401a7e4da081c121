#include "platform/simulated_camera.h"

#include "platform/clock.h"

#include <chrono>

namespace platform {

SimulatedCamera::SimulatedCamera(const StarFieldSettings& settings) : field_(settings) {}

SimulatedCamera::~SimulatedCamera()
{
    close();
}

bool SimulatedCamera::open()
{
    if (!open_) {
        open_ = true;
        openedAt_ms_ = clock().monotonicMs();
        std::lock_guard lock(mutex_);
        grabCount_ = 0;
    }
    return true;
}

void SimulatedCamera::close()
{
    stopStream();
    open_ = false;
}

CameraFormat SimulatedCamera::format() const
{
    const auto& s = field_.settings();
    return {s.width, s.height, s.bayer ? 8 : 24};
}

bool SimulatedCamera::setFormat(const CameraFormat& format)
{
    const auto& s = field_.settings();
    if (thread_.joinable() || format.width < 1 || format.height < 1 || format.width > 4096 || format.height > 4096
        || format.bitCount != (s.bayer ? 8 : 24))
        return false;
    StarFieldSettings next = s;
    next.width = format.width;
    next.height = format.height;
    field_ = StarField(next);
    return true;
}

FrameView SimulatedCamera::renderInto(std::vector<std::uint8_t>& buffer, std::int64_t frame, double t_s) const
{
    buffer.resize(field_.frameBytes());
    field_.render(frame, t_s, 0, 0, 1.0, buffer.data(), field_.minStride());
    const auto& s = field_.settings();
    return FrameView{s.width, s.height, field_.minStride(), s.bayer ? PixelFormat::Mono8 : PixelFormat::Bgr24,
                     buffer.data(), buffer.size()};
}

bool SimulatedCamera::grabFrame(const FrameCallback& sink)
{
    if (!open_ || !sink)
        return false;
    const double t_s = static_cast<double>(clock().monotonicMs() - openedAt_ms_) / 1000.0;
    std::int64_t n;
    {
        std::lock_guard lock(mutex_);
        n = grabCount_++;
    }
    sink(renderInto(grabBuffer_, n, t_s));
    return true;
}

bool SimulatedCamera::startStream(FrameCallback callback, double frameRate)
{
    if (!open_ || !callback || thread_.joinable())
        return false;
    {
        std::lock_guard lock(mutex_);
        stopRequested_ = false;
    }
    const double rate = frameRate > 0 ? frameRate : field_.settings().frameRate;
    thread_ = std::thread([this, cb = std::move(callback), rate] { streamLoop(cb, rate > 0 ? rate : 30.0); });
    return true;
}

void SimulatedCamera::stopStream()
{
    if (!thread_.joinable())
        return;
    {
        std::lock_guard lock(mutex_);
        stopRequested_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

std::int64_t SimulatedCamera::framesRendered() const
{
    std::lock_guard lock(mutex_);
    return grabCount_ + streamCount_;
}

void SimulatedCamera::streamLoop(FrameCallback callback, double frameRate)
{
    // Frames are due on a fixed schedule from the start, so late frames do
    // not push the later ones back and the rate holds over a long run.
    using namespace std::chrono;
    const auto start = steady_clock::now();
    const auto period = duration<double>(1.0 / frameRate);
    std::vector<std::uint8_t> buffer;
    for (std::int64_t n = 0;; ++n) {
        const auto due = start + duration_cast<steady_clock::duration>(period * static_cast<double>(n + 1));
        {
            std::unique_lock lock(mutex_);
            if (wake_.wait_until(lock, due, [this] { return stopRequested_; }))
                return;
            ++streamCount_;
        }
        callback(renderInto(buffer, n, static_cast<double>(n) / frameRate));
    }
}

} // namespace platform
