#include "platform/plugin_library.h"

#include <gtest/gtest.h>

#include <QLibrary>
#include <QString>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

QString fake(const char* name)
{
    return QStringLiteral(NJ_TEST_PLUGIN_DIR "/") + QLatin1String(name) + QStringLiteral(".so");
}

struct Frames {
    std::mutex m;
    std::condition_variable cv;
    int count = 0;
    std::vector<std::uint8_t> last;
    int width = 0;
    static void receive(std::int32_t, const nj_frame* f, void* user)
    {
        auto* self = static_cast<Frames*>(user);
        std::lock_guard lock(self->m);
        ++self->count;
        self->width = f->width;
        self->last.assign(f->data, f->data + f->size);
        self->cv.notify_all();
    }
    void waitFor(int n)
    {
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return count >= n; });
    }
    int seen()
    {
        std::lock_guard lock(m);
        return count;
    }
};

// Row of the guide star, the bright star that starts in the middle of the
// 640 x 480 BGR frame and drifts 1.5 pixels a second to the right and 0.4
// down: looked for within 20 pixels of where the drift and the mount's
// expected move (`movedY`) have taken it after `age_s`. The box follows the
// star, so its neighbours, which keep their places around it, stay in or
// out of it however long the test took to get there.
double guideStarRow(const std::vector<std::uint8_t>& px, double age_s, double movedY)
{
    const int cx = 320 + int(std::lround(1.5 * age_s));
    const int cy = 240 + int(std::lround(0.4 * age_s + movedY));
    double sum = 0, sy = 0;
    for (int y = std::max(0, cy - 20); y < std::min(480, cy + 20); ++y)
        for (int x = std::max(0, cx - 20); x < std::min(640, cx + 20); ++x) {
            const double v = px[(y * 640 + x) * 3 + 1];
            if (v > 150) {
                sum += v;
                sy += v * y;
            }
        }
    return sum > 0 ? sy / sum : -1;
}

} // namespace

TEST(PluginLibrary, LoadsOnlyPluginsOfItsVersionAndNamesWhatIsMissing)
{
    using S = platform::PluginLibrary::Status;
    platform::PluginLibrary none(QStringLiteral(NJ_TEST_PLUGIN_DIR "/NJ_Absent.so"));
    EXPECT_EQ(none.load(), S::LoadFailed);

    platform::PluginLibrary noDevice(fake("NJ_NoDevice"));
    EXPECT_EQ(noDevice.load(), S::NotAPlugin);

    platform::PluginLibrary old(fake("NJ_OldAbi"));
    EXPECT_EQ(old.load(), S::Refused);
    EXPECT_TRUE(old.missingEntryPoint().isEmpty());
    EXPECT_EQ(old.abiVersion(), 0u);

    platform::PluginLibrary noConnect(fake("NJ_NoConnect"));
    ASSERT_EQ(noConnect.load(), S::Ready);
    platform::PluginCameraApi api;
    EXPECT_FALSE(noConnect.bindCamera(api));
    EXPECT_EQ(noConnect.status(), S::Refused);
    EXPECT_EQ(noConnect.missingEntryPoint(), QStringLiteral("camera_connect"));
    EXPECT_EQ(api.camera_create, nullptr) << "a refused table is left empty";

    platform::PluginLibrary both(fake("NJ_Both"));
    ASSERT_EQ(both.load(), S::Ready);
    EXPECT_EQ(both.capabilities(), 5);
    EXPECT_EQ(both.friendlyName(), QStringLiteral("Fake 3"));
    platform::PluginGuiderApi guider;
    EXPECT_TRUE(both.bindGuider(guider));
    EXPECT_NE(guider.autoguide_move, nullptr);
    EXPECT_EQ(guider.autoguide_showhandpad, nullptr) << "optional and absent";
}

// The simulator plug-in end to end: its cameras stream on their own thread,
// stop for good, take long exposures, and its guider moves the sky.
TEST(SimulatorPluginThread, StreamsExposesAndGuides)
{
    platform::PluginLibrary lib(QStringLiteral(NJ_SIMULATOR_PLUGIN));
    ASSERT_EQ(lib.load(), platform::PluginLibrary::Status::Ready);
    EXPECT_EQ(lib.capabilities(), NJ_CAP_CAMERA | NJ_CAP_AUTOGUIDER);
    platform::PluginCameraApi cam;
    platform::PluginGuiderApi guide;
    ASSERT_TRUE(lib.bindCamera(cam));
    ASSERT_TRUE(lib.bindGuider(guide));

    std::vector<std::pair<int, QString>> cameras;
    auto collect = [](void* user, std::int32_t id, const char* name) {
        static_cast<std::vector<std::pair<int, QString>>*>(user)->emplace_back(id, QString::fromUtf8(name));
    };
    EXPECT_EQ(cam.camera_enum("", collect, &cameras), 2);
    ASSERT_EQ(cameras.size(), 2u);

    using Clock = std::chrono::steady_clock;
    const auto seconds = [](Clock::duration d) { return std::chrono::duration<double>(d).count(); };
    const Clock::time_point created = Clock::now();
    const std::int32_t h = cam.camera_create(cameras[0].first, "x", "", 0);
    ASSERT_NE(h, 0);
    ASSERT_EQ(cam.camera_connect(h), 0);
    EXPECT_EQ(cam.camera_getproperty(h, NJ_PROP_FULL_WIDTH), 640.0);
    EXPECT_GE(cam.camera_getmaxexposure(h), 1000);

    Frames video, snaps;
    cam.camera_setvideostreamcallback(h, &Frames::receive, &video);
    cam.camera_setsnapshotcallback(h, &Frames::receive, &snaps);
    cam.camera_start_video(h);
    video.waitFor(3);
    cam.camera_stop_video(h);
    int stoppedAt;
    {
        std::lock_guard lock(video.m);
        stoppedAt = video.count;
        EXPECT_EQ(video.width, 640);
    }

    cam.camera_startexposure(h, 200, 1);   // 20 ms
    snaps.waitFor(1);
    {
        std::lock_guard lock(video.m);
        EXPECT_EQ(video.count, stoppedAt) << "no video frame after camera_stop_video";
    }

    // Hold north for a second: the guide star climbs (rows decrease) at 6
    // pixels a second for the time held, and sinks with the sky's drift of
    // 0.4 pixel a second between the two frames. This runs on the
    // simulator's stepped time: a busy machine (the sanitizers' runs, many
    // tests side by side) stretches neither the time held nor the time
    // between the frames.
    QLibrary stepped(QStringLiteral(NJ_SIMULATOR_PLUGIN));
    const auto manualClock = reinterpret_cast<void (*)(std::int32_t)>(stepped.resolve("nj_simulator_manual_clock"));
    const auto advance = reinterpret_cast<void (*)(std::int32_t, std::int32_t)>(stepped.resolve("nj_simulator_advance_ms"));
    ASSERT_TRUE(manualClock && advance);
    const std::int32_t g = guide.autoguide_create(1, "g", "", 0);
    ASSERT_EQ(guide.autoguide_connect(g), 0);
    manualClock(1);
    const double steppedFrom = seconds(Clock::now() - created);
    int steppedMs = 0;
    // The frame of one exposure of one video frame's worth of light, handed
    // over on this thread as the stepped time passes its end; and its age.
    auto download = [&](std::vector<std::uint8_t>& into) {
        const int seen = snaps.seen();
        cam.camera_startexposure(h, 330, 1);
        advance(40, 0);
        steppedMs += 40;
        snaps.waitFor(seen + 1);
        cam.camera_getimage(h);
        cam.camera_readasbitmap(
            h, [](std::int32_t, const nj_frame* f, void* u) {
                static_cast<std::vector<std::uint8_t>*>(u)->assign(f->data, f->data + f->size);
            },
            &into);
        return steppedFrom + steppedMs / 1000.0;
    };
    std::vector<std::uint8_t> before, after;
    const double beforeAge = download(before);
    guide.autoguide_move(g, NJ_GUIDE_NORTH);
    advance(1000, 0);
    steppedMs += 1000;
    guide.autoguide_stop(g, NJ_GUIDE_NORTH);
    const double afterAge = download(after);
    manualClock(0);

    const double rowBefore = guideStarRow(before, beforeAge, 0);
    const double rowAfter = guideStarRow(after, afterAge, -6);
    ASSERT_GT(rowBefore, 0);
    ASSERT_GT(rowAfter, 0);
    // The seeing trembles the whole field by 0.4 pixel (one deviation) from
    // frame to frame: about 0.6 between the two.
    EXPECT_NEAR(rowAfter - rowBefore, -6 * 1.0 + 0.4 * (afterAge - beforeAge), 2.0) << "at " << beforeAge << " s";

    guide.autoguide_free(g);
    cam.camera_disconnect(h);
    cam.camera_free(h);
}
