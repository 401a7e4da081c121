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

// Armed with its consumer's layout, the hand-over copies each frame once,
// into that layout, and gives the consumer the buffer itself in exchange for
// the consumer's old one. Grey frames are widened; frames larger than the
// layout are refused; outside the frame the buffer is black after every
// change of frame size, whatever the consumer left in the buffer it gave.
TEST(FrameHandOver, ALayoutHandsTheFrameBufferOverInExchangeForTheConsumers)
{
    platform::FrameHandOver h;
    const platform::FrameLayout layout{4, 3, 16};
    int notes = 0;
    h.arm(3, [&] { ++notes; }, layout);
    std::vector<std::uint8_t> mine(layout.bytes(), 0xEE);   // the consumer's picture

    auto exchange = [&](const std::uint8_t** frameData = nullptr) {
        return h.takeBuffer([&](const platform::FrameView& f, const platform::FrameLayout& l,
                                std::vector<std::uint8_t>& buffer) {
            EXPECT_EQ(l, layout);
            EXPECT_EQ(f.stride, 16);
            EXPECT_EQ(f.format, platform::PixelFormat::Bgr24);
            EXPECT_EQ(f.data, buffer.data()) << "the frame is the buffer handed over";
            if (frameData)
                *frameData = f.data;
            buffer.swap(mine);
            return true;
        });
    };

    // A 2 x 2 colour frame with padded rows.
    std::vector<std::uint8_t> px = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
    EXPECT_FALSE(h.deliver(3, bgr(px, 5, 1, 15))) << "wider than the layout";
    EXPECT_FALSE(h.deliver(3, bgr(std::vector<std::uint8_t>(48), 1, 4, 3))) << "taller than the layout";
    ASSERT_TRUE(h.deliver(3, bgr(px, 2, 2, 8)));
    const std::uint8_t* handed = nullptr;
    ASSERT_TRUE(exchange(&handed));
    EXPECT_EQ(mine.data(), handed) << "no second copy: the consumer holds the delivered buffer";
    std::vector<std::uint8_t> expected(48, 0);
    const std::uint8_t rows[2][6] = {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}};
    for (int y = 0; y < 2; ++y)
        std::copy(rows[y], rows[y] + 6, expected.begin() + 16 * y);
    EXPECT_EQ(mine, expected);
    EXPECT_FALSE(exchange()) << "the frame went to the consumer; nothing is left to take";
    EXPECT_FALSE(h.take([](const platform::FrameView&) {}));

    // The same size again lands in the consumer's old buffer: its frame
    // area is overwritten, and it was made black outside when first used.
    px[0] = 50;
    ASSERT_TRUE(h.deliver(3, bgr(px, 2, 2, 8)));
    ASSERT_TRUE(exchange());
    expected[0] = 50;
    EXPECT_EQ(mine, expected);

    // A grey frame of the full layout, then a smaller one: in both buffers
    // nothing of the large frame stays outside the small one.
    const std::vector<std::uint8_t> grey = {9, 8, 7, 6, 5, 4, 3, 2, 1, 9, 8, 7};
    ASSERT_TRUE(h.deliver(3, {4, 3, 4, platform::PixelFormat::Mono8, grey.data(), grey.size()}));
    ASSERT_TRUE(exchange());
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(mine[std::size_t(16 * y + 3 * x + c)], grey[std::size_t(4 * y + x)]) << x << "," << y;
    for (int round = 0; round < 2; ++round) {
        std::fill(mine.begin(), mine.end(), std::uint8_t(0xEE));   // whatever the consumer drew
        ASSERT_TRUE(h.deliver(3, bgr(px, 2, 2, 8)));
        ASSERT_TRUE(exchange());
        EXPECT_EQ(mine, expected) << "round " << round;
    }
    EXPECT_EQ(notes, 5);
}

// A frame larger than the layout is refused from the layout but not lost
// without a word: it is announced with its size and kept as it came, so the
// consumer can take the camera's new size, copy that very frame, and pass
// the new layout on; the frames after it are then stored in that layout.
TEST(FrameHandOver, AFrameLargerThanTheLayoutIsToldWithItsSizeAndTheNewLayoutTakesTheNext)
{
    platform::FrameHandOver h;
    const platform::FrameLayout small{2, 2, 8};
    int notes = 0;
    h.arm(4, [&] { ++notes; }, small);
    EXPECT_TRUE(h.refusedSize().isEmpty());

    // A 3 x 2 frame, rows packed.
    const std::vector<std::uint8_t> big = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
    EXPECT_FALSE(h.deliver(4, bgr(big, 3, 2, 9))) << "not stored in the layout";
    EXPECT_EQ(notes, 1) << "announced all the same";
    EXPECT_EQ(h.refusedSize(), (platform::FrameHandOver::Size{3, 2}));
    EXPECT_EQ(h.framesRefused(), 1u);

    // The consumer grows to the frame's size and copies the frame as it came.
    const platform::FrameLayout grown{3, 2, 12};
    h.relayout(grown);
    EXPECT_EQ(h.layout(), grown);
    EXPECT_TRUE(h.refusedSize().isEmpty());
    std::vector<std::uint8_t> copied;
    EXPECT_FALSE(h.takeBuffer([&](const platform::FrameView& f, const platform::FrameLayout& stored,
                                  std::vector<std::uint8_t>&) {
        EXPECT_FALSE(stored.isValid()) << "kept packed, not in a layout";
        for (int y = 0; y < f.height; ++y)
            copied.insert(copied.end(), f.data + y * f.stride, f.data + y * f.stride + 3 * f.width);
        return false;
    }));
    EXPECT_EQ(copied, big);

    // The next frame of that size is stored in the new layout and exchanged.
    std::vector<std::uint8_t> mine(grown.bytes(), 0xEE);
    ASSERT_TRUE(h.deliver(4, bgr(big, 3, 2, 9)));
    EXPECT_EQ(notes, 2);
    ASSERT_TRUE(h.takeBuffer([&](const platform::FrameView& f, const platform::FrameLayout& stored,
                                 std::vector<std::uint8_t>& buffer) {
        EXPECT_EQ(stored, grown);
        EXPECT_EQ(f.stride, 12);
        buffer.swap(mine);
        return true;
    }));
    const std::vector<std::uint8_t> laid = {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 10, 11, 12, 13, 14, 15, 16, 17, 18, 0, 0, 0};
    EXPECT_EQ(mine, laid);
    EXPECT_EQ(h.framesRefused(), 1u);

    // A frame stored in one layout and taken after the next keeps its own.
    const std::vector<std::uint8_t> two = {9, 9, 9, 8, 8, 8, 0, 0, 7, 7, 7, 6, 6, 6, 0, 0};
    h.relayout(small);
    ASSERT_TRUE(h.deliver(4, bgr(two, 2, 2, 8)));
    h.relayout(grown);
    EXPECT_FALSE(h.takeBuffer([&](const platform::FrameView& f, const platform::FrameLayout& stored,
                                  std::vector<std::uint8_t>&) {
        EXPECT_EQ(stored, small);
        EXPECT_EQ(f.stride, 8);
        EXPECT_EQ(f.data[8], 7);
        return false;
    }));
}

// A device thread streams numbered frames (the number in the first two
// bytes, every other byte derived from it) while the consumer takes them by
// exchange and scribbles over what it holds: each frame arrives whole and
// newer than the one before, and the last one is the last delivered.
TEST(FrameHandOverThread, ExchangedFramesArriveWholeAndInOrder)
{
    platform::FrameHandOver h;
    const platform::FrameLayout layout{64, 48, 200};
    std::mutex m;
    std::condition_variable cv;
    int queued = 0;
    bool done = false;
    h.arm(1, [&] {
        std::lock_guard lock(m);
        ++queued;
        cv.notify_one();
    }, layout);

    constexpr int kFrames = 600;
    std::thread device([&] {
        std::vector<std::uint8_t> px(64 * 48 * 3);
        for (int i = 1; i <= kFrames; ++i) {
            std::fill(px.begin(), px.end(), std::uint8_t(i % 251));
            px[0] = std::uint8_t(i & 0xFF);
            px[1] = std::uint8_t(i >> 8);
            h.deliver(1, bgr(px, 64, 48, 64 * 3));
        }
        std::lock_guard lock(m);
        done = true;
        cv.notify_one();
    });

    std::vector<std::uint8_t> mine(layout.bytes());
    int last = 0, torn = 0, backwards = 0, taken = 0;
    auto takeOne = [&] {
        h.takeBuffer([&](const platform::FrameView& f, const platform::FrameLayout&, std::vector<std::uint8_t>& b) {
            b.swap(mine);
            const int n = mine[0] | mine[1] << 8;
            for (int y = 0; y < f.height; ++y)
                for (int x = y == 0 ? 2 : 0; x < f.width * 3; ++x)
                    torn += mine[std::size_t(y * 200 + x)] != n % 251;
            backwards += n <= last;
            last = n;
            ++taken;
            return true;
        });
        std::fill(mine.begin(), mine.end(), std::uint8_t(0xFF));
    };
    for (;;) {
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return queued > 0 || done; });
        if (queued == 0 && done)
            break;
        queued = 0;
        lock.unlock();
        takeOne();
    }
    device.join();
    takeOne();
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(backwards, 0);
    EXPECT_GT(taken, 0);
    EXPECT_EQ(last, kFrames);
}
