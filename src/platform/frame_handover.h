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
//
// Armed with the layout its consumer keeps frames in, the hand-over stores
// each frame in that layout (top-left corner, three bytes a pixel, 8-bit
// levels widened to all three) and takeBuffer() gives the consumer the very
// buffer that holds it, taking the consumer's old one in exchange: one copy
// a frame from the device to the consumer. Outside the frame such a buffer
// is black whenever the frame size changed (and after arm()), so no part of
// an earlier, larger frame lingers there.
//
// A frame larger than the layout cannot be stored in it: it is refused, but
// never silently. It is kept packed as it came, its size is kept
// (refusedSize()) and it is announced like a frame, so that the consumer
// learns of it on its own thread, gives its bitmap the camera's size, passes
// the new layout on with relayout() and may still copy that frame.

#include "platform/camera_device.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace platform {

// A consumer's frame buffer: `height` rows of `stride` bytes holding at
// least `width` pixels of three bytes each.
struct FrameLayout {
    int width = 0;
    int height = 0;
    std::ptrdiff_t stride = 0;

    bool isValid() const { return width > 0 && height > 0 && stride >= std::ptrdiff_t(width) * 3; }
    std::size_t bytes() const { return isValid() ? std::size_t(stride) * std::size_t(height) : 0; }
    bool operator==(const FrameLayout&) const = default;
};

class FrameHandOver {
public:
    using Notifier = std::function<void()>;
    using Reader = std::function<void(const FrameView&)>;
    // Given the frame, the layout it is stored in and the buffer holding it;
    // returns true after swapping that buffer with one of the same size.
    using Exchanger = std::function<bool(const FrameView&, const FrameLayout&, std::vector<std::uint8_t>&)>;

    // Accepts frames of `source` from now on, stored in `layout` when it is
    // valid (frames larger than it are then refused, kept packed), else
    // packed as they come. The pending mark and any buffered frame are
    // dropped.
    void arm(std::intptr_t source, Notifier notifier, FrameLayout layout = {});
    // Stores the frames from now on in `layout` (the consumer's bitmap took
    // another size) and forgets the refused size. A frame still buffered
    // stays, handed to the consumer with the layout it was stored in.
    void relayout(FrameLayout layout);
    FrameLayout layout() const;
    void disarm();
    bool armed() const;

    // Device thread. True when the frame was buffered (in the layout, when
    // there is one).
    bool deliver(std::intptr_t source, const FrameView& frame);

    // User-interface thread, on the announcement: clears the pending mark
    // and, when a frame is buffered and `read` is given, hands it to `read`
    // under the lock. True when `read` saw a frame.
    bool take(const Reader& read);
    // Like take(), for a hand-over armed with a layout: `exchange` is given
    // the layout the frame was stored in (not valid for a frame kept packed)
    // and may take the buffer itself (returning true), after which no frame
    // is buffered until the next delivery. True when `exchange` took the
    // buffer.
    bool takeBuffer(const Exchanger& exchange);

    bool pending() const;
    // Frames buffered and announcements made since the last arm().
    std::uint64_t framesDelivered() const;
    std::uint64_t announcements() const;

    // The size of the last frame refused as larger than the layout, since the
    // last arm() or relayout(); 0 x 0 when none was.
    struct Size {
        int width = 0;
        int height = 0;
        bool isEmpty() const { return width <= 0 || height <= 0; }
        bool operator==(const Size&) const = default;
    };
    Size refusedSize() const;
    // Frames refused as larger than the layout since the last arm().
    std::uint64_t framesRefused() const;

private:
    void storeInLayout(const FrameView& frame);
    void storePacked(const FrameView& frame);
    void announceLocked();

    mutable std::mutex mutex_;
    bool armed_ = false;
    std::intptr_t source_ = 0;
    Notifier notifier_;
    bool pending_ = false;
    bool hasFrame_ = false;
    FrameView frame_;                  // describes buffer_
    std::vector<std::uint8_t> buffer_;
    FrameLayout layout_;
    FrameLayout stored_;               // the layout frame_ is stored in; not valid when packed
    // Frame size of the last delivery, and the buffers known black outside
    // a frame of that size.
    int lastWidth_ = -1;
    int lastHeight_ = -1;
    const std::uint8_t* clean_[2] = {nullptr, nullptr};
    std::uint64_t delivered_ = 0;
    std::uint64_t announced_ = 0;
    std::uint64_t refused_ = 0;
    Size refusedSize_;
};

} // namespace platform
