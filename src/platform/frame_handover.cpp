#include "platform/frame_handover.h"

#include <cstring>

namespace platform {

void FrameHandOver::arm(std::intptr_t source, Notifier notifier, FrameLayout layout)
{
    std::lock_guard lock(mutex_);
    armed_ = true;
    source_ = source;
    notifier_ = std::move(notifier);
    pending_ = false;
    hasFrame_ = false;
    layout_ = layout.isValid() ? layout : FrameLayout{};
    lastWidth_ = lastHeight_ = -1;
    clean_[0] = clean_[1] = nullptr;
    delivered_ = 0;
    announced_ = 0;
    refused_ = 0;
    refusedSize_ = {};
}

void FrameHandOver::relayout(FrameLayout layout)
{
    std::lock_guard lock(mutex_);
    const FrameLayout wanted = layout.isValid() ? layout : FrameLayout{};
    if (wanted == layout_)
        return;
    layout_ = wanted;
    lastWidth_ = lastHeight_ = -1;
    clean_[0] = clean_[1] = nullptr;
    refusedSize_ = {};
}

FrameLayout FrameHandOver::layout() const
{
    std::lock_guard lock(mutex_);
    return layout_;
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
    if (layout_.isValid()) {
        if (frame.width > layout_.width || frame.height > layout_.height) {
            // Told to the consumer, which decides what the camera's new size
            // becomes; the frame waits, packed, for a consumer that can copy it.
            ++refused_;
            refusedSize_ = {frame.width, frame.height};
            storePacked(frame);
            hasFrame_ = true;
            announceLocked();
            return false;
        }
        storeInLayout(frame);
    } else {
        storePacked(frame);
    }
    hasFrame_ = true;
    ++delivered_;
    announceLocked();
    return true;
}

void FrameHandOver::announceLocked()
{
    if (pending_)
        return;
    pending_ = true;
    ++announced_;
    if (notifier_)
        notifier_();
}

void FrameHandOver::storePacked(const FrameView& frame)
{
    // Rows are packed; the buffer keeps its capacity from frame to frame.
    const std::ptrdiff_t row = static_cast<std::ptrdiff_t>(frame.width) * bytesPerPixel(frame.format);
    buffer_.resize(static_cast<std::size_t>(row) * static_cast<std::size_t>(frame.height));
    for (int y = 0; y < frame.height; ++y)
        std::memcpy(buffer_.data() + y * row, frame.data + y * frame.stride, static_cast<std::size_t>(row));
    frame_ = FrameView{frame.width, frame.height, row, frame.format, buffer_.data(), buffer_.size()};
    stored_ = {};
    // Whatever the buffer held outside a frame is gone.
    clean_[0] = clean_[1] = nullptr;
}

void FrameHandOver::storeInLayout(const FrameView& frame)
{
    if (frame.width != lastWidth_ || frame.height != lastHeight_) {
        lastWidth_ = frame.width;
        lastHeight_ = frame.height;
        clean_[0] = clean_[1] = nullptr;
    }
    const std::size_t bytes = layout_.bytes();
    if (buffer_.size() != bytes) {
        buffer_.assign(bytes, 0);
    } else if (buffer_.data() != clean_[0] && buffer_.data() != clean_[1]) {
        std::memset(buffer_.data(), 0, bytes);
    }
    if (buffer_.data() != clean_[0] && buffer_.data() != clean_[1]) {
        clean_[1] = clean_[0];
        clean_[0] = buffer_.data();
    }
    const auto row = static_cast<std::size_t>(frame.width) * 3;
    for (int y = 0; y < frame.height; ++y) {
        const std::uint8_t* from = frame.data + y * frame.stride;
        std::uint8_t* to = buffer_.data() + y * layout_.stride;
        if (frame.format == PixelFormat::Bgr24) {
            std::memcpy(to, from, row);
        } else {
            for (int x = 0; x < frame.width; ++x, to += 3)
                to[0] = to[1] = to[2] = from[x];
        }
    }
    frame_ = FrameView{frame.width, frame.height, layout_.stride, PixelFormat::Bgr24, buffer_.data(), buffer_.size()};
    stored_ = layout_;
}

bool FrameHandOver::takeBuffer(const Exchanger& exchange)
{
    std::lock_guard lock(mutex_);
    pending_ = false;
    if (!hasFrame_ || !exchange)
        return false;
    const std::size_t size = buffer_.size();
    if (!exchange(frame_, stored_, buffer_))
        return false;
    // The consumer owns the frame now; what came back is only storage.
    hasFrame_ = false;
    if (buffer_.size() != size)
        buffer_.clear();
    frame_ = FrameView{};
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

FrameHandOver::Size FrameHandOver::refusedSize() const
{
    std::lock_guard lock(mutex_);
    return refusedSize_;
}

std::uint64_t FrameHandOver::framesRefused() const
{
    std::lock_guard lock(mutex_);
    return refused_;
}

} // namespace platform
