#pragma once
// The simulated star-field camera, a device of the grab family: each grab
// hands over the sky at the time of the grab (monotonic clock since open),
// and a stream renders frame after frame on the camera's own thread at its
// frame rate. With the Bayer setting it delivers one-byte mosaic frames.
//
// Grabs never draw on the grabbing thread (the interface thread) once the
// first frame is out: each grab hands over the frame drawn ahead on the
// camera's drawing thread, for the time the grab was expected at, and orders
// the next one.

#include "platform/camera_device.h"
#include "platform/star_field.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace platform {

// Where the program's simulated mount has carried the sky since it started,
// in pixels of the simulated cameras: the built-in simulated cameras add it
// to their field's drift, so that guiding on them closes its loop. Called
// from the cameras' drawing threads; the source must be safe there.
using SimulatedMountOffsetSource = std::function<void(double& x, double& y)>;
// Sets the source, or clears it with an empty one (the sky stays where its
// drift puts it). Returns once no drawing thread uses the previous source.
void setSimulatedMountOffset(SimulatedMountOffsetSource source);
// The offset now: (0, 0) without a source.
void simulatedMountOffset(double& x, double& y);

class SimulatedCamera final : public CameraDevice {
public:
    explicit SimulatedCamera(const StarFieldSettings& settings = {});
    ~SimulatedCamera() override;

    bool open() override;
    void close() override;
    bool isOpen() const override { return open_; }
    CameraFormat format() const override;
    // Any size from 1 x 1 to 4096 x 4096; the bit count must match the
    // mosaic setting (8 with it, 24 without). Refused while streaming.
    bool setFormat(const CameraFormat& format) override;
    bool grabFrame(const FrameCallback& sink) override;
    bool startStream(FrameCallback callback, double frameRate = 0) override;
    void stopStream() override;

    const StarField& field() const { return field_; }
    // Frames rendered so far (grabs and stream).
    std::int64_t framesRendered() const;

private:
    void streamLoop(FrameCallback callback, double frameRate);
    FrameView renderInto(std::vector<std::uint8_t>& buffer, std::int64_t frame, double t_s) const;
    FrameView describe(const std::vector<std::uint8_t>& buffer) const;
    void drawAheadLoop();
    void stopDrawingAhead();

    StarField field_;
    bool open_ = false;
    std::int64_t openedAt_ms_ = 0;
    std::int64_t grabCount_ = 0;
    std::vector<std::uint8_t> grabBuffer_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool stopRequested_ = false;
    std::int64_t streamCount_ = 0;
    std::thread thread_;

    // The frame drawn ahead for the next grab.
    std::mutex aheadMutex_;
    std::condition_variable aheadWake_;
    bool aheadStop_ = false;
    bool aheadOrdered_ = false;   // the drawing thread has a frame to draw
    bool aheadReady_ = false;     // ahead_ holds the frame ordered
    std::int64_t aheadFrame_ = 0;
    double aheadTime_s_ = 0;
    double lastGrab_s_ = -1;
    std::vector<std::uint8_t> ahead_;
    std::thread aheadThread_;
};

} // namespace platform
