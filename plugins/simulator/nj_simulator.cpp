// NJ_Simulator: a camera and autoguider plug-in without hardware.
//
// Cameras: two simulated star fields (different skies) streaming 30 frames a
// second on their own thread, and long exposures (camera_startexposure) that
// deliver one brighter frame through the snapshot callback when they end.
//
// Autoguider: one simulated mount. While a guide direction is held
// (autoguide_move .. autoguide_stop) the whole sky of every camera of this
// plug-in moves at kGuideRate_pxPerS, so the program's guiding can close the
// loop on the simulated stars.
//
// For tests, two entry points beyond the plug-in contract let the
// simulator's time stand still and move by steps: nj_simulator_manual_clock
// and nj_simulator_advance_ms (see there).

#include "nj_plugin.h"
#include "platform/star_field.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The simulator's time: the steady clock, or, once a test has taken it in
// hand, a time that moves only by nj_simulator_advance_ms.
std::atomic<bool> g_manualClock{false};
std::atomic<Clock::rep> g_manualNow{0};

Clock::time_point now()
{
    return g_manualClock ? Clock::time_point(Clock::duration(g_manualNow.load())) : Clock::now();
}

constexpr double kFrameRate = 30.0;
constexpr double kGuideRate_pxPerS = 6.0;
constexpr int32_t kMaxExposure_ms = 3600 * 1000;

struct CameraModel {
    int32_t id;
    const char* name;
    std::uint64_t seed;
};
constexpr CameraModel kCameras[] = {{1, "Ciel simule 1", 1}, {2, "Ciel simule 2", 7}};

// ---- The simulated mount, shared by every camera ---------------------------

class Mount {
public:
    void move(int direction, bool on)
    {
        std::lock_guard lock(mutex_);
        settle(now());
        if (direction >= 0 && direction < 4)
            moving_[direction] = on;
    }
    // Field offset in pixels now.
    void offset(double& x, double& y)
    {
        std::lock_guard lock(mutex_);
        settle(now());
        x = x_;
        y = y_;
    }

private:
    void settle(Clock::time_point now)
    {
        // Never backwards: a test's stepped time may have run ahead of the
        // steady clock it hands back to.
        const double dt = std::max(0.0, std::chrono::duration<double>(now - last_).count());
        last_ = now;
        const double step = kGuideRate_pxPerS * dt;
        if (moving_[NJ_GUIDE_NORTH])
            y_ -= step;
        if (moving_[NJ_GUIDE_SOUTH])
            y_ += step;
        if (moving_[NJ_GUIDE_EAST])
            x_ -= step;
        if (moving_[NJ_GUIDE_WEST])
            x_ += step;
    }

    std::mutex mutex_;
    Clock::time_point last_ = now();
    bool moving_[4] = {false, false, false, false};
    double x_ = 0, y_ = 0;
};

Mount& mount()
{
    static Mount m;
    return m;
}

// ---- Cameras ----------------------------------------------------------------

class Camera {
public:
    explicit Camera(const CameraModel& model)
        : model_(model), field_([&] {
              platform::StarFieldSettings s;
              s.seed = model.seed;
              s.frameRate = kFrameRate;
              platform::ApplySimulatedMountEnvironment(s);
              return s;
          }())
    {
    }
    ~Camera() { stopThread(); }

    void setVideoCallback(nj_frame_callback cb, void* user)
    {
        std::lock_guard lock(mutex_);
        video_ = {cb, user};
    }
    void setSnapshotCallback(nj_frame_callback cb, void* user)
    {
        std::lock_guard lock(mutex_);
        snapshot_ = {cb, user};
    }
    void startVideo(int32_t handle)
    {
        {
            std::lock_guard lock(mutex_);
            if (!videoOn_)
                nextFrame_ = now() + period();
            videoOn_ = true;
            changed_ = true;
        }
        wake_.notify_all();
        ensureThread(handle);
    }
    void stopVideo()
    {
        std::unique_lock lock(mutex_);
        videoOn_ = false;
        const bool idle = !exposing_;
        lock.unlock();
        if (idle)
            stopThread();
    }
    void startExposure(int32_t handle, double duration_ms)
    {
        {
            std::lock_guard lock(mutex_);
            exposing_ = true;
            exposureMs_ = duration_ms < 1 ? 1 : duration_ms;
            exposureEnd_ = now() + std::chrono::microseconds(static_cast<long long>(exposureMs_ * 1000));
            changed_ = true;
        }
        wake_.notify_all();
        ensureThread(handle);
    }
    void stopExposure()
    {
        std::lock_guard lock(mutex_);
        exposing_ = false;
    }
    bool exposing()
    {
        std::lock_guard lock(mutex_);
        return exposing_;
    }
    void disconnect()
    {
        {
            std::lock_guard lock(mutex_);
            videoOn_ = false;
            exposing_ = false;
        }
        stopThread();
    }
    // The last finished image (an exposure, else the last video frame) for
    // download; rendered now when there is none yet.
    void download()
    {
        std::lock_guard lock(mutex_);
        if (last_.empty())
            renderLocked(last_, 1.0);
        image_ = last_;
    }
    void readImage(int32_t handle, nj_frame_callback sink, void* user)
    {
        std::vector<std::uint8_t> copy;
        {
            std::lock_guard lock(mutex_);
            copy = image_.empty() ? last_ : image_;
        }
        if (copy.empty() || !sink)
            return;
        const nj_frame f = describe(copy);
        sink(handle, &f, user);
    }
    double property(int32_t p)
    {
        std::lock_guard lock(mutex_);
        switch (p) {
        case NJ_PROP_EXPOSURE: return streamExposureMs_;
        case NJ_PROP_BINNING_X:
        case NJ_PROP_BINNING_Y: return 1;
        case NJ_PROP_FULL_WIDTH: return field_.settings().width;
        case NJ_PROP_FULL_HEIGHT: return field_.settings().height;
        default: return 0;
        }
    }
    void setProperty(int32_t p, float v)
    {
        std::lock_guard lock(mutex_);
        if (p == NJ_PROP_EXPOSURE && v > 0)
            streamExposureMs_ = v;
    }
    const char* name() const { return model_.name; }

    // On the calling thread, hands over what falls due by `t` on the
    // stepped clock: the end of an exposure, and with `video` the newest
    // video frame due (those before it are missed, as frames nobody reads).
    void handOverDue(int32_t handle, Clock::time_point t, bool video)
    {
        std::vector<std::uint8_t> frame;
        for (;;) {
            Callback cb;
            {
                std::lock_guard lock(mutex_);
                if (!(exposing_ && t >= exposureEnd_) && !video)
                    return;
                if (!takeDueLocked(t, frame, cb))
                    return;
            }
            if (cb.fn) {
                const nj_frame f = describe(frame);
                cb.fn(handle, &f, cb.user);
            }
        }
    }
    // The clock was taken in hand or given back: the next frame is due one
    // period from now on the clock that runs now, and the thread looks again.
    void resync()
    {
        {
            std::lock_guard lock(mutex_);
            nextFrame_ = now() + period();
            changed_ = true;
        }
        wake_.notify_all();
    }

private:
    struct Callback {
        nj_frame_callback fn = nullptr;
        void* user = nullptr;
    };

    nj_frame describe(const std::vector<std::uint8_t>& pixels) const
    {
        const auto& s = field_.settings();
        return nj_frame{s.width, s.height, static_cast<int32_t>(field_.minStride()), NJ_FORMAT_BGR24, pixels.data(),
                        pixels.size()};
    }

    void renderLocked(std::vector<std::uint8_t>& out, double gain)
    {
        double ox, oy;
        mount().offset(ox, oy);
        out.resize(field_.frameBytes());
        const double t = std::chrono::duration<double>(now() - start_).count();
        field_.render(frame_++, t, ox, oy, gain, out.data(), field_.minStride());
    }

    void ensureThread(int32_t handle)
    {
        std::lock_guard lock(threadMutex_);
        if (thread_.joinable())
            return;
        {
            std::lock_guard l(mutex_);
            stop_ = false;
        }
        thread_ = std::thread([this, handle] { run(handle); });
    }

    void stopThread()
    {
        std::lock_guard lock(threadMutex_);
        if (!thread_.joinable())
            return;
        {
            std::lock_guard l(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }

    static Clock::duration period()
    {
        return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / kFrameRate));
    }

    // Under the lock: renders what is due at `t` into `frame` and gives its
    // callback; false when nothing is. Frames that fell far behind are
    // skipped rather than handed over in a burst.
    bool takeDueLocked(Clock::time_point t, std::vector<std::uint8_t>& frame, Callback& cb)
    {
        if (exposing_ && t >= exposureEnd_) {
            exposing_ = false;
            renderLocked(frame, exposureMs_ / (1000.0 / kFrameRate));
            last_ = frame;
            cb = snapshot_;
            return true;
        }
        if (videoOn_ && t >= nextFrame_) {
            nextFrame_ += period();
            if (nextFrame_ < t)
                nextFrame_ = t + period();
            renderLocked(frame, 1.0);
            last_ = frame;
            cb = video_;
            return true;
        }
        return false;
    }

    void run(int32_t handle)
    {
        std::vector<std::uint8_t> frame;
        for (;;) {
            Callback cb;
            {
                std::unique_lock lock(mutex_);
                if (g_manualClock) {
                    // Stepped time: nj_simulator_advance_ms hands the frames over.
                    wake_.wait(lock, [this] { return stop_ || changed_; });
                } else {
                    auto due = nextFrame_;
                    if (exposing_ && (!videoOn_ || exposureEnd_ < due))
                        due = exposureEnd_;
                    if (!videoOn_ && !exposing_)
                        due = Clock::now() + std::chrono::seconds(1);
                    wake_.wait_until(lock, due, [this] { return stop_ || changed_; });
                }
                if (stop_)
                    return;
                changed_ = false;
                if (g_manualClock || !takeDueLocked(Clock::now(), frame, cb))
                    continue;
            }
            if (cb.fn) {
                const nj_frame f = describe(frame);
                cb.fn(handle, &f, cb.user);
            }
        }
    }

    CameraModel model_;
    platform::StarField field_;
    Clock::time_point start_ = now();

    std::mutex threadMutex_;   // guards thread_ (start and stop from the program)
    std::thread thread_;

    std::mutex mutex_;         // everything below, shared with the thread
    std::condition_variable wake_;
    bool stop_ = false;
    bool changed_ = false;   // video or exposure started: recompute the next event
    bool videoOn_ = false;
    bool exposing_ = false;
    double exposureMs_ = 0;
    double streamExposureMs_ = 1000.0 / kFrameRate;
    Clock::time_point exposureEnd_;
    Clock::time_point nextFrame_;
    std::int64_t frame_ = 0;
    Callback video_, snapshot_;
    std::vector<std::uint8_t> last_, image_;
};

struct Registry {
    std::mutex mutex;
    std::map<int32_t, std::shared_ptr<Camera>> cameras;
    std::map<int32_t, bool> guiders;
    int32_t nextHandle = 1;
};

Registry& registry()
{
    static Registry r;
    return r;
}

std::shared_ptr<Camera> camera(int32_t handle)
{
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    const auto it = r.cameras.find(handle);
    return it == r.cameras.end() ? nullptr : it->second;
}

std::vector<std::pair<int32_t, std::shared_ptr<Camera>>> allCameras()
{
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    return {r.cameras.begin(), r.cameras.end()};
}

} // namespace

extern "C" {

NJ_PLUGIN_EXPORT uint32_t nj_plugin_abi_version(void) { return NJ_PLUGIN_ABI_VERSION; }
NJ_PLUGIN_EXPORT uint16_t device_getcapabilities(void) { return NJ_CAP_CAMERA | NJ_CAP_AUTOGUIDER; }
NJ_PLUGIN_EXPORT const char* device_getfriendlyname(void) { return "Simulateur NightjarPro"; }

NJ_PLUGIN_EXPORT int32_t camera_enum(const char*, nj_enum_callback add, void* user)
{
    for (const auto& m : kCameras)
        if (add)
            add(user, m.id, m.name);
    return static_cast<int32_t>(std::size(kCameras));
}

NJ_PLUGIN_EXPORT int32_t camera_create(int32_t camera_id, const char*, const char*, int32_t)
{
    for (const auto& m : kCameras) {
        if (m.id != camera_id)
            continue;
        auto& r = registry();
        std::lock_guard lock(r.mutex);
        const int32_t h = r.nextHandle++;
        r.cameras[h] = std::make_shared<Camera>(m);
        return h;
    }
    return 0;
}

NJ_PLUGIN_EXPORT int32_t camera_connect(int32_t handle) { return camera(handle) ? 0 : 1; }

NJ_PLUGIN_EXPORT void camera_disconnect(int32_t handle)
{
    if (auto c = camera(handle))
        c->disconnect();
}

NJ_PLUGIN_EXPORT void camera_free(int32_t handle)
{
    std::shared_ptr<Camera> c;
    {
        auto& r = registry();
        std::lock_guard lock(r.mutex);
        const auto it = r.cameras.find(handle);
        if (it == r.cameras.end())
            return;
        c = it->second;
        r.cameras.erase(it);
    }
    c->disconnect();
}

NJ_PLUGIN_EXPORT void camera_setvideostreamcallback(int32_t handle, nj_frame_callback callback, void* user)
{
    if (auto c = camera(handle))
        c->setVideoCallback(callback, user);
}

NJ_PLUGIN_EXPORT void camera_setsnapshotcallback(int32_t handle, nj_frame_callback callback, void* user)
{
    if (auto c = camera(handle))
        c->setSnapshotCallback(callback, user);
}

NJ_PLUGIN_EXPORT void camera_init_video(int32_t) {}

NJ_PLUGIN_EXPORT void camera_start_video(int32_t handle)
{
    if (auto c = camera(handle))
        c->startVideo(handle);
}

NJ_PLUGIN_EXPORT void camera_stop_video(int32_t handle)
{
    if (auto c = camera(handle))
        c->stopVideo();
}

NJ_PLUGIN_EXPORT int32_t camera_getmaxexposure(int32_t) { return kMaxExposure_ms; }
NJ_PLUGIN_EXPORT int32_t camera_getminexposure(int32_t) { return 1; }

NJ_PLUGIN_EXPORT double camera_getproperty(int32_t handle, int32_t property)
{
    auto c = camera(handle);
    return c ? c->property(property) : 0.0;
}

NJ_PLUGIN_EXPORT void camera_setproperty(int32_t handle, int32_t property, float value)
{
    if (auto c = camera(handle))
        c->setProperty(property, value);
}

NJ_PLUGIN_EXPORT void camera_startexposure(int32_t handle, int32_t duration_ms10, int32_t)
{
    if (auto c = camera(handle))
        c->startExposure(handle, duration_ms10 / 10.0);
}

NJ_PLUGIN_EXPORT int32_t camera_isexposing(int32_t handle)
{
    auto c = camera(handle);
    return c && c->exposing() ? 1 : 0;
}

NJ_PLUGIN_EXPORT void camera_stopexposure(int32_t handle)
{
    if (auto c = camera(handle))
        c->stopExposure();
}

NJ_PLUGIN_EXPORT void camera_getimage(int32_t handle)
{
    if (auto c = camera(handle))
        c->download();
}

NJ_PLUGIN_EXPORT void camera_readasbitmap(int32_t handle, nj_frame_callback sink, void* user)
{
    if (auto c = camera(handle))
        c->readImage(handle, sink, user);
}

NJ_PLUGIN_EXPORT int32_t camera_iscolor(int32_t) { return 1; }
NJ_PLUGIN_EXPORT int32_t camera_bitsperpixel(int32_t) { return 24; }

NJ_PLUGIN_EXPORT const char* camera_getname(int32_t handle)
{
    auto c = camera(handle);
    return c ? c->name() : "";
}

NJ_PLUGIN_EXPORT const char* camera_getmodel(int32_t) { return "Simulateur"; }

NJ_PLUGIN_EXPORT int32_t autoguide_enum(const char*, nj_enum_callback add, void* user)
{
    if (add)
        add(user, 1, "Monture simulee");
    return 1;
}

NJ_PLUGIN_EXPORT int32_t autoguide_create(int32_t guider_id, const char*, const char*, int32_t)
{
    if (guider_id != 1)
        return 0;
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    const int32_t h = r.nextHandle++;
    r.guiders[h] = false;
    return h;
}

NJ_PLUGIN_EXPORT int32_t autoguide_connect(int32_t handle)
{
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    const auto it = r.guiders.find(handle);
    if (it == r.guiders.end())
        return 1;
    it->second = true;
    return 0;
}

NJ_PLUGIN_EXPORT void autoguide_disconnect(int32_t handle)
{
    for (int d = 0; d < 4; ++d)
        mount().move(d, false);
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    const auto it = r.guiders.find(handle);
    if (it != r.guiders.end())
        it->second = false;
}

NJ_PLUGIN_EXPORT void autoguide_free(int32_t handle)
{
    autoguide_disconnect(handle);
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    r.guiders.erase(handle);
}

NJ_PLUGIN_EXPORT void autoguide_move(int32_t handle, int32_t direction)
{
    auto& r = registry();
    {
        std::lock_guard lock(r.mutex);
        const auto it = r.guiders.find(handle);
        if (it == r.guiders.end() || !it->second)
            return;
    }
    mount().move(direction, true);
}

NJ_PLUGIN_EXPORT void autoguide_stop(int32_t, int32_t direction)
{
    // A stop always stops, connected or not: the mount is never left moving.
    mount().move(direction, false);
}

// ---- For tests: stepped time -------------------------------------------------

// Not part of the plug-in contract. With `on`, the simulator's time (sky
// drift, guide moves, exposures, video frames) stands still from now and
// moves only by nj_simulator_advance_ms; the cameras' threads hand nothing
// over meanwhile. Off gives the steady clock back.
NJ_PLUGIN_EXPORT void nj_simulator_manual_clock(int32_t on)
{
    if (on) {
        g_manualNow = Clock::now().time_since_epoch().count();
        g_manualClock = true;
    } else {
        g_manualClock = false;
    }
    for (const auto& [handle, c] : allCameras())
        c->resync();
}

// Moves the stepped time on by `ms` and hands over, on the calling thread,
// the exposures that end meanwhile and, with `video`, each streaming
// camera's newest frame due (the others are missed: a test chooses its
// frame rate by the steps it hands frames over at).
NJ_PLUGIN_EXPORT void nj_simulator_advance_ms(int32_t ms, int32_t video)
{
    if (!g_manualClock || ms < 0)
        return;
    g_manualNow += std::chrono::duration_cast<Clock::duration>(std::chrono::milliseconds(ms)).count();
    const Clock::time_point t = now();
    for (const auto& [handle, c] : allCameras())
        c->handOverDue(handle, t, video != 0);
}

} // extern "C"
