#include "platform/fake_v4l2.h"
#include "platform/v4l2_camera.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <linux/videodev2.h>
#include <thread>

using platform::FakeV4l2;
using platform::V4l2Camera;

namespace {

template <class Pred>
bool waitFor(Pred done, int ms = 3000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

} // namespace

TEST(V4l2Family, ListsCaptureNodesInNodeOrderUnderTheirCardNames)
{
    FakeV4l2::Node meta = FakeV4l2::webcam("/dev/video1", "Meta");
    meta.metadata = true;
    FakeV4l2::Node locked = FakeV4l2::webcam("/dev/video3", "Locked");
    locked.openError = EACCES;
    FakeV4l2::Node gone = FakeV4l2::webcam("/dev/video4", "Gone");
    gone.openError = ENOENT;
    FakeV4l2 fake({FakeV4l2::webcam("/dev/video0", "Cam A"), meta, FakeV4l2::webcam("/dev/video2", "Cam B"), locked, gone});
    platform::V4l2Family family(fake);
    const auto list = family.devices();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].name, "Cam A");
    EXPECT_EQ(list[1].name, "Cam B");
    EXPECT_EQ(list[2].name, "/dev/video3") << "a node the user may not open shows its path";
    EXPECT_EQ(fake.openDescriptors(), 0);

    auto dev = family.create(2);
    ASSERT_TRUE(dev);
    EXPECT_FALSE(dev->open());
    const QString why = static_cast<V4l2Camera&>(*dev).errorText();
    EXPECT_TRUE(why.contains("/dev/video3") && why.contains("video")) << why.toStdString();
    EXPECT_FALSE(family.create(3));

    FakeV4l2 none;
    EXPECT_TRUE(platform::V4l2Family(none).devices().empty());
}

TEST(V4l2Camera, StreamsTheNearestSizeAndReleasesEverythingOnStop)
{
    FakeV4l2 fake({FakeV4l2::webcam("/dev/video0", "Cam")});
    V4l2Camera cam(fake, "/dev/video0");
    ASSERT_TRUE(cam.open());
    ASSERT_TRUE(cam.setFormat({630, 470, 24}));
    EXPECT_EQ(cam.format().width, 640);
    EXPECT_EQ(cam.format().height, 480);
    std::atomic<int> frames{0};
    std::atomic<int> firstColumnBright{-1};
    ASSERT_TRUE(cam.startStream([&](const platform::FrameView& f) {
        EXPECT_TRUE(f.isComplete());
        EXPECT_EQ(f.format, platform::PixelFormat::Bgr24);
        if (frames == 0)
            firstColumnBright = f.data[4 * 3];
        ++frames;
    }, 60));
    EXPECT_EQ(cam.frameInterval(), 166666);
    EXPECT_TRUE(waitFor([&] { return frames >= 3; }));
    EXPECT_EQ(firstColumnBright, 235) << "the moving bar of the first frame";
    EXPECT_TRUE(fake.streaming("/dev/video0"));
    EXPECT_EQ(fake.mappedBuffers(), 4);
    cam.close();
    EXPECT_FALSE(fake.streaming("/dev/video0"));
    EXPECT_EQ(fake.mappedBuffers(), 0);
    EXPECT_EQ(fake.openDescriptors(), 0);
}

TEST(V4l2Camera, GreyOnlyDevicesGiveGreyAndShortFramesAreSkipped)
{
    for (std::uint32_t fourcc : {V4L2_PIX_FMT_GREY, V4L2_PIX_FMT_Y16}) {
        FakeV4l2::Node n = FakeV4l2::webcam("/dev/video0", "Mono");
        n.fourccs = {fourcc};
        FakeV4l2 fake({n});
        fake.instantFrames = true;
        V4l2Camera cam(fake, "/dev/video0");
        ASSERT_TRUE(cam.open());
        ASSERT_TRUE(cam.setFormat({320, 240, 8}));
        EXPECT_EQ(cam.format().bitCount, 8);
        std::atomic<int> frames{0};
        std::atomic<int> value{0};
        fake.frameBytesDelta = -1;
        ASSERT_TRUE(cam.startStream([&](const platform::FrameView& f) {
            EXPECT_EQ(f.format, platform::PixelFormat::Mono8);
            EXPECT_EQ(f.stride, 320);
            int bright = 0;   // the bar: four columns
            for (int x = 0; x < f.width; ++x)
                bright += f.data[x] == 235;
            value = bright;
            ++frames;
        }));
        EXPECT_TRUE(waitFor([&] { return fake.framesServed() > 5; }));
        EXPECT_EQ(frames, 0) << "short frames are never handed on";
        fake.frameBytesDelta = 100;   // longer than the frame: read up to its last row
        EXPECT_TRUE(waitFor([&] { return frames > 0; }));
        EXPECT_EQ(value, 4);
        cam.close();
    }
}

TEST(V4l2Camera, TellsAnUnpluggedOrStalledStreamOnce)
{
    FakeV4l2 fake({FakeV4l2::webcam("/dev/video0", "Cam")});
    V4l2Camera cam(fake, "/dev/video0");
    ASSERT_TRUE(cam.open());
    std::atomic<int> lost{0}, error{0};
    cam.setStreamLost([&](int e) { ++lost; error = e; });
    cam.setStallTimeout(100);
    ASSERT_TRUE(cam.startStream([](const platform::FrameView&) {}));
    fake.unplugged = true;
    EXPECT_TRUE(waitFor([&] { return lost > 0; }));
    EXPECT_EQ(error, ENODEV);
    EXPECT_TRUE(cam.errorText().contains("/dev/video0"));
    cam.stopStream();
    EXPECT_EQ(fake.mappedBuffers(), 0);

    fake.unplugged = false;
    fake.stalled = true;
    ASSERT_TRUE(cam.startStream([](const platform::FrameView&) {}));
    EXPECT_TRUE(waitFor([&] { return lost > 1; }));
    EXPECT_EQ(error, ETIMEDOUT);
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    EXPECT_EQ(lost, 2);
    cam.close();
}

TEST(V4l2Camera, ReadsAndWritesControls)
{
    FakeV4l2 fake({FakeV4l2::webcam("/dev/video0", "Cam")});
    V4l2Camera cam(fake, "/dev/video0");
    ASSERT_TRUE(cam.open());
    EXPECT_TRUE(cam.hasControls());
    const auto b = cam.control(V4L2_CID_BRIGHTNESS);
    EXPECT_TRUE(b.present);
    EXPECT_EQ(b.max, 255);
    EXPECT_EQ(b.value, 128);
    const auto zoom = cam.control(V4L2_CID_ZOOM_ABSOLUTE);
    EXPECT_FALSE(zoom.present);
    EXPECT_EQ(zoom.min, 0);
    EXPECT_EQ(zoom.max, 0);
    std::int32_t back = -1;
    EXPECT_TRUE(cam.setControl(V4L2_CID_BRIGHTNESS, 200, &back));
    EXPECT_EQ(back, 200);
    EXPECT_EQ(fake.controlValue("/dev/video0", V4L2_CID_BRIGHTNESS), 200);
    EXPECT_FALSE(cam.setControl(V4L2_CID_GAIN, 50, &back)) << "automatic gain holds the value";
    EXPECT_EQ(back, 10);
}
