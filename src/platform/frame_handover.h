#pragma once
// Hands frames from a device's thread to the user-interface thread.
//
// The device thread calls deliver(): the frame is copied, under the lock, into
// a buffer the program owns, so the device may reuse its memory as soon as the
// call returns. The first frame after an announcement was taken runs the
// notifier (which posts one event to the user-interface thread); frames that
// arrive while that announcement is still pending replace the buffered frame
// and announce nothing. So there is never more than one pending announcement,
// and a slow consumer sees the latest frame rather than a backlog.
//
// A hand-over is armed for one source (a camera handle or any token). Frames
// from another source, frames that arrive while it is disarmed (after a stop)
// and incomplete frames are ignored. After disarm() returns, the notifier is
// never run again.

#include "platform/camera_device.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace platform {

class FrameHandOver {
public:
    using Notifier = std::function<void()>;
    using Reader = std::function<void(const FrameView&)>;

    // Accepts frames of `source` from now on. The pending mark and any
    // buffered frame are dropped.
    void arm(std::intptr_t source, Notifier notifier);
    void disarm();
    bool armed() const;

    // Device thread. True when the frame was buffered.
    bool deliver(std::intptr_t source, const FrameView& frame);

    // User-interface thread, on the announcement: clears the pending mark
    // and, when a frame is buffered and `read` is given, hands it to `read`
    // under the lock. True when `read` saw a frame.
    bool take(const Reader& read);

    bool pending() const;
    // Frames buffered and announcements made since the last arm().
    std::uint64_t framesDelivered() const;
    std::uint64_t announcements() const;

private:
    mutable std::mutex mutex_;
    bool armed_ = false;
    std::intptr_t source_ = 0;
    Notifier notifier_;
    bool pending_ = false;
    bool hasFrame_ = false;
    FrameView frame_;                  // describes buffer_
    std::vector<std::uint8_t> buffer_;
    std::uint64_t delivered_ = 0;
    std::uint64_t announced_ = 0;
};

} // namespace platform
