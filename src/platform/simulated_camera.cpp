#include "platform/simulated_camera.h"

#include "platform/clock.h"

#include <chrono>
#include <cmath>

namespace platform {

namespace {

std::mutex& offsetMutex()
{
    static std::mutex m;
    return m;
}

SimulatedMountOffsetSource& offsetSource()
{
    static SimulatedMountOffsetSource source;
    return source;
}

} // namespace

void setSimulatedMountOffset(SimulatedMountOffsetSource source)
{
    std::lock_guard lock(offsetMutex());
    offsetSource() = std::move(source);
}

void simulatedMountOffset(double& x, double& y)
{
    x = y = 0;
    std::lock_guard lock(offsetMutex());
    if (offsetSource())
        offsetSource()(x, y);
    if (!std::isfinite(x) || !std::isfinite(y))
        x = y = 0;
}

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
    stopDrawingAhead();
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
    stopDrawingAhead();
    field_ = StarField(next);
    return true;
}

FrameView SimulatedCamera::renderInto(std::vector<std::uint8_t>& buffer, std::int64_t frame, double t_s) const
{
    buffer.resize(field_.frameBytes());
    double x, y;
    simulatedMountOffset(x, y);
    field_.render(frame, t_s, x, y, 1.0, buffer.data(), field_.minStride());
    return describe(buffer);
}

FrameView SimulatedCamera::describe(const std::vector<std::uint8_t>& buffer) const
{
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
    {
        std::unique_lock lock(aheadMutex_);
        if (aheadOrdered_ || aheadReady_) {
            // The frame ordered at the last grab; when grabs come faster
            // than frames are drawn, the rest of its drawing is waited for.
            aheadWake_.wait(lock, [this] { return aheadReady_; });
            grabBuffer_.swap(ahead_);
            aheadReady_ = false;
        } else {
            lock.unlock();
            renderInto(grabBuffer_, n, t_s);   // the first grab
            lock.lock();
        }
        // The next frame, for when the next grab is expected.
        const double expected = lastGrab_s_ >= 0 ? t_s + (t_s - lastGrab_s_) : t_s;
        lastGrab_s_ = t_s;
        aheadFrame_ = n + 1;
        aheadTime_s_ = expected;
        aheadOrdered_ = true;
        if (!aheadThread_.joinable()) {
            aheadStop_ = false;
            aheadThread_ = std::thread([this] { drawAheadLoop(); });
        }
    }
    aheadWake_.notify_all();
    sink(describe(grabBuffer_));
    return true;
}

void SimulatedCamera::drawAheadLoop()
{
    std::vector<std::uint8_t> buffer;
    for (;;) {
        std::int64_t frame;
        double t_s;
        {
            std::unique_lock lock(aheadMutex_);
            aheadWake_.wait(lock, [this] { return aheadStop_ || aheadOrdered_; });
            if (aheadStop_)
                return;
            frame = aheadFrame_;
            t_s = aheadTime_s_;
        }
        renderInto(buffer, frame, t_s);
        {
            std::lock_guard lock(aheadMutex_);
            ahead_.swap(buffer);
            aheadOrdered_ = false;
            aheadReady_ = true;
        }
        aheadWake_.notify_all();
    }
}

void SimulatedCamera::stopDrawingAhead()
{
    {
        std::lock_guard lock(aheadMutex_);
        if (!aheadThread_.joinable())
            return;
        aheadStop_ = true;
    }
    aheadWake_.notify_all();
    aheadThread_.join();
    std::lock_guard lock(aheadMutex_);
    aheadOrdered_ = aheadReady_ = false;
    lastGrab_s_ = -1;
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
