#include "platform/frame_handover.h"
#include "platform/simulated_camera.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <thread>
#include <vector>

namespace {

platform::FrameView bgr(const std::vector<std::uint8_t>& px, int w, int h, std::ptrdiff_t stride)
{
    return {w, h, stride, platform::PixelFormat::Bgr24, px.data(), px.size()};
}

} // namespace

TEST(FrameHandOver, TakesOnlyCompleteFramesOfTheArmedSource)
{
    platform::FrameHandOver h;
    int notes = 0;
    // Two rows of 2 pixels, stride 8 (two padding bytes a row).
    std::vector<std::uint8_t> px = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
    EXPECT_FALSE(h.deliver(5, bgr(px, 2, 2, 8))) << "not armed";

    h.arm(5, [&] { ++notes; });
    EXPECT_FALSE(h.deliver(6, bgr(px, 2, 2, 8))) << "another camera";
    EXPECT_FALSE(h.deliver(5, {2, 2, 8, platform::PixelFormat::Bgr24, px.data(), 13})) << "short frame";
    EXPECT_FALSE(h.deliver(5, bgr(px, 2, 2, 5))) << "stride shorter than a row";
    EXPECT_EQ(notes, 0);

    ASSERT_TRUE(h.deliver(5, bgr(px, 2, 2, 8)));
    px[0] = 99;   // the device reuses its memory at once
    EXPECT_TRUE(h.deliver(5, bgr(px, 2, 2, 8)));
    EXPECT_EQ(notes, 1) << "one announcement while one is pending";
    std::vector<std::uint8_t> seen;
    EXPECT_TRUE(h.take([&](const platform::FrameView& f) {
        EXPECT_EQ(f.stride, 6);
        seen.assign(f.data, f.data + f.size);
    }));
    EXPECT_EQ(seen, (std::vector<std::uint8_t>{99, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12})) << "latest frame, rows packed";
    EXPECT_FALSE(h.pending());

    h.disarm();
    EXPECT_FALSE(h.deliver(5, bgr(px, 2, 2, 8))) << "a late frame after the stop";
    EXPECT_EQ(notes, 1);
}

// A device thread delivers as fast as it can while the consumer drains the
// announcements like the user-interface thread does: there is never more
// than one announcement waiting, and the consumer ends with the last frame.
TEST(FrameHandOverThread, NeverMoreThanOnePendingAnnouncement)
{
    platform::FrameHandOver h;
    std::mutex m;
    std::condition_variable cv;
    int queued = 0, maxQueued = 0;
    bool done = false;
    h.arm(1, [&] {
        std::lock_guard lock(m);
        maxQueued = std::max(maxQueued, ++queued);
        cv.notify_one();
    });

    constexpr int kFrames = 3000;
    std::thread device([&] {
        std::vector<std::uint8_t> px(4 * 3 * 4);
        for (int i = 1; i <= kFrames; ++i) {
            px[0] = static_cast<std::uint8_t>(i & 0xFF);
            h.deliver(1, bgr(px, 4, 4, 12));
        }
        std::lock_guard lock(m);
        done = true;
        cv.notify_one();
    });

    int takes = 0, last = -1;
    for (;;) {
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return queued > 0 || done; });
        if (queued == 0 && done)
            break;
        --queued;
        lock.unlock();
        if (h.take([&](const platform::FrameView& f) { last = f.data[0]; }))
            ++takes;
    }
    device.join();
    EXPECT_EQ(maxQueued, 1);
    EXPECT_EQ(h.framesDelivered(), static_cast<std::uint64_t>(kFrames));
    EXPECT_EQ(h.announcements(), static_cast<std::uint64_t>(takes));
    EXPECT_EQ(last, kFrames & 0xFF);
}

// The simulated camera streams on its own thread into a hand-over; after the
// hand-over is disarmed no announcement is made, though frames keep coming.
TEST(FrameHandOverThread, DisarmStopsAnnouncementsOfARunningStream)
{
    platform::StarFieldSettings s;
    s.width = 64;
    s.height = 48;
    platform::SimulatedCamera cam(s);
    ASSERT_TRUE(cam.open());
    platform::FrameHandOver h;
    std::atomic<int> notes{0}, frames{0};
    std::mutex m;
    std::condition_variable cv;
    h.arm(7, [&] { ++notes; });
    const auto caller = std::this_thread::get_id();
    std::atomic<bool> ownThread{true};
    ASSERT_TRUE(cam.startStream(
        [&](const platform::FrameView& f) {
            ownThread = ownThread && std::this_thread::get_id() != caller;
            h.deliver(7, f);
            ++frames;
            cv.notify_all();
        },
        500));
    auto waitFrames = [&](int n) {
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return frames >= n; });
    };
    waitFrames(3);
    EXPECT_GE(notes.load(), 1);
    h.disarm();
    const int before = notes;
    const int seen = frames;
    waitFrames(seen + 3);
    cam.stopStream();
    EXPECT_EQ(notes.load(), before);
    EXPECT_TRUE(ownThread) << "frames come on the camera's own thread";
}
