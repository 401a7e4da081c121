#include "platform/frame_handover.h"

#include <cstring>

namespace platform {

void FrameHandOver::arm(std::intptr_t source, Notifier notifier)
{
    std::lock_guard lock(mutex_);
    armed_ = true;
    source_ = source;
    notifier_ = std::move(notifier);
    pending_ = false;
    hasFrame_ = false;
    delivered_ = 0;
    announced_ = 0;
}

void FrameHandOver::disarm()
{
    std::lock_guard lock(mutex_);
    armed_ = false;
    notifier_ = nullptr;
}

bool FrameHandOver::armed() const
{
    std::lock_guard lock(mutex_);
    return armed_;
}

bool FrameHandOver::deliver(std::intptr_t source, const FrameView& frame)
{
    if (!frame.isComplete())
        return false;
    std::lock_guard lock(mutex_);
    if (!armed_ || source != source_)
        return false;
    // Rows are packed; the buffer keeps its capacity from frame to frame.
    const std::ptrdiff_t row = static_cast<std::ptrdiff_t>(frame.width) * bytesPerPixel(frame.format);
    buffer_.resize(static_cast<std::size_t>(row) * static_cast<std::size_t>(frame.height));
    for (int y = 0; y < frame.height; ++y)
        std::memcpy(buffer_.data() + y * row, frame.data + y * frame.stride, static_cast<std::size_t>(row));
    frame_ = FrameView{frame.width, frame.height, row, frame.format, buffer_.data(), buffer_.size()};
    hasFrame_ = true;
    ++delivered_;
    if (!pending_) {
        pending_ = true;
        ++announced_;
        if (notifier_)
            notifier_();
    }
    return true;
}

bool FrameHandOver::take(const Reader& read)
{
    std::lock_guard lock(mutex_);
    pending_ = false;
    if (!hasFrame_ || !read)
        return false;
    read(frame_);
    return true;
}

bool FrameHandOver::pending() const
{
    std::lock_guard lock(mutex_);
    return pending_;
}

std::uint64_t FrameHandOver::framesDelivered() const
{
    std::lock_guard lock(mutex_);
    return delivered_;
}

std::uint64_t FrameHandOver::announcements() const
{
    std::lock_guard lock(mutex_);
    return announced_;
}

} // namespace platform
