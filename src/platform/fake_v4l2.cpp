#include "platform/fake_v4l2.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <linux/videodev2.h>
#include <sys/mman.h>
#include <thread>

namespace platform {
namespace {

std::int64_t now_ns()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int bytesOf(std::uint32_t fourcc)
{
    return fourcc == V4L2_PIX_FMT_BGR24 ? 3 : fourcc == V4L2_PIX_FMT_Y16 ? 2 : 1;
}

const char* describe(std::uint32_t fourcc)
{
    switch (fourcc) {
    case V4L2_PIX_FMT_BGR24: return "BGR24";
    case V4L2_PIX_FMT_GREY: return "Y800";
    case V4L2_PIX_FMT_Y16: return "Y16 ";
    default: return "?";
    }
}

} // namespace

FakeV4l2::Node FakeV4l2::webcam(const QString& path, const QString& card)
{
    Node n;
    n.path = path;
    n.card = card;
    n.fourccs = {V4L2_PIX_FMT_BGR24};
    n.controls = {
        {V4L2_CID_BRIGHTNESS, {0, 255, 1, 128}},
        {V4L2_CID_CONTRAST, {0, 255, 1, 32}},
        {V4L2_CID_SATURATION, {0, 255, 1, 64}},
        {V4L2_CID_HUE, {-180, 180, 1, 0}},
        {V4L2_CID_GAMMA, {72, 500, 1, 100}},
        {V4L2_CID_SHARPNESS, {0, 7, 1, 2}},
        {V4L2_CID_AUTOGAIN, {0, 1, 1, 1}},
        {V4L2_CID_GAIN, {0, 100, 1, 10, V4L2_CID_AUTOGAIN, 1}},
        {V4L2_CID_AUTO_WHITE_BALANCE, {0, 1, 1, 1}},
        {V4L2_CID_WHITE_BALANCE_TEMPERATURE, {2800, 6500, 10, 4600, V4L2_CID_AUTO_WHITE_BALANCE, 1}},
        {V4L2_CID_PAN_ABSOLUTE, {-36000, 36000, 3600, 0}},
        {V4L2_CID_TILT_ABSOLUTE, {-36000, 36000, 3600, 0}},
        {V4L2_CID_EXPOSURE_AUTO, {0, 3, 1, V4L2_EXPOSURE_APERTURE_PRIORITY}},
        {V4L2_CID_EXPOSURE_ABSOLUTE, {3, 2047, 1, 250, V4L2_CID_EXPOSURE_AUTO, V4L2_EXPOSURE_APERTURE_PRIORITY}},
    };
    return n;
}

FakeV4l2::FakeV4l2(std::vector<Node> nodes) : nodes_(std::move(nodes)) {}

int FakeV4l2::fail(int err)
{
    errno = err;
    return -1;
}

QStringList FakeV4l2::nodes() const
{
    std::lock_guard lock(mutex_);
    QStringList out;
    for (const Node& n : nodes_)
        out << n.path;
    return out;
}

FakeV4l2::Open* FakeV4l2::find(int fd)
{
    const auto it = open_.find(fd);
    return it == open_.end() ? nullptr : &it->second;
}

int FakeV4l2::open(const QString& path, int)
{
    std::lock_guard lock(mutex_);
    for (std::size_t i = 0; i < nodes_.size(); ++i) {
        if (nodes_[i].path != path)
            continue;
        if (nodes_[i].openError)
            return fail(nodes_[i].openError);
        Open o;
        o.node = static_cast<int>(i);
        o.fourcc = nodes_[i].fourccs.empty() ? 0 : nodes_[i].fourccs.front();
        const int fd = nextFd_++;
        open_[fd] = std::move(o);
        return fd;
    }
    return fail(ENOENT);
}

int FakeV4l2::close(int fd)
{
    std::lock_guard lock(mutex_);
    return open_.erase(fd) ? 0 : fail(EBADF);
}

void FakeV4l2::paint(Open& o, std::size_t index)
{
    std::vector<std::uint8_t>& buf = o.buffers[index];
    // A bright bar that moves four columns a frame over a dark ground:
    // only the columns that change are written.
    const int w = o.size.width, h = o.size.height, bpp = bytesOf(o.fourcc);
    const std::size_t stride = static_cast<std::size_t>(w) * bpp;
    const int was = o.barAt[index];
    ++o.frame;
    const int now = static_cast<int>((o.frame * 4u) % static_cast<std::uint32_t>(w));
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = buf.data() + y * stride;
        std::memset(row + static_cast<std::size_t>(was) * bpp, 16, std::min(4, w - was) * bpp);
        std::memset(row + static_cast<std::size_t>(now) * bpp, 235, std::min(4, w - now) * bpp);
    }
    o.barAt[index] = now;
}

int FakeV4l2::ioctl(int fd, unsigned long request, void* arg)
{
    std::lock_guard lock(mutex_);
    Open* o = find(fd);
    if (!o)
        return fail(EBADF);
    Node& n = nodes_[o->node];
    switch (request) {
    case VIDIOC_QUERYCAP: {
        auto* c = static_cast<v4l2_capability*>(arg);
        *c = {};
        std::strncpy(reinterpret_cast<char*>(c->driver), "fake", sizeof c->driver - 1);
        std::strncpy(reinterpret_cast<char*>(c->card), n.card.toUtf8().constData(), sizeof c->card - 1);
        c->device_caps = n.metadata ? (V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING)
                                    : (V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING);
        c->capabilities = c->device_caps | V4L2_CAP_DEVICE_CAPS;
        return 0;
    }
    case VIDIOC_ENUM_FMT: {
        auto* d = static_cast<v4l2_fmtdesc*>(arg);
        if (n.metadata || d->index >= n.fourccs.size())
            return fail(EINVAL);
        d->pixelformat = n.fourccs[d->index];
        std::strncpy(reinterpret_cast<char*>(d->description), describe(d->pixelformat), sizeof d->description - 1);
        return 0;
    }
    case VIDIOC_ENUM_FRAMESIZES: {
        auto* s = static_cast<v4l2_frmsizeenum*>(arg);
        if (s->index >= n.sizes.size()
            || std::find(n.fourccs.begin(), n.fourccs.end(), s->pixel_format) == n.fourccs.end())
            return fail(EINVAL);
        s->type = V4L2_FRMSIZE_TYPE_DISCRETE;
        s->discrete.width = static_cast<std::uint32_t>(n.sizes[s->index].width);
        s->discrete.height = static_cast<std::uint32_t>(n.sizes[s->index].height);
        return 0;
    }
    case VIDIOC_G_FMT:
    case VIDIOC_S_FMT: {
        auto* f = static_cast<v4l2_format*>(arg);
        if (n.metadata)
            return fail(EINVAL);
        if (request == VIDIOC_S_FMT) {
            if (o->streaming)
                return fail(EBUSY);
            if (int(f->fmt.pix.width) == n.refusedRequest.width && int(f->fmt.pix.height) == n.refusedRequest.height
                && n.refusedRequest.width > 0)
                return fail(EINVAL);
            if (std::find(n.fourccs.begin(), n.fourccs.end(), f->fmt.pix.pixelformat) != n.fourccs.end())
                o->fourcc = f->fmt.pix.pixelformat;
            Size best = n.sizes.empty() ? Size{} : n.sizes.front();
            long bestDistance = LONG_MAX;
            for (const Size& s : n.sizes) {
                const long d = std::labs(long(s.width) - long(f->fmt.pix.width))
                               + std::labs(long(s.height) - long(f->fmt.pix.height));
                if (d < bestDistance) {
                    bestDistance = d;
                    best = s;
                }
            }
            o->size = n.grantedOverride.width || n.grantedOverride.height ? n.grantedOverride : best;
        }
        f->fmt.pix.width = static_cast<std::uint32_t>(o->size.width);
        f->fmt.pix.height = static_cast<std::uint32_t>(o->size.height);
        f->fmt.pix.pixelformat = o->fourcc;
        f->fmt.pix.bytesperline = static_cast<std::uint32_t>(o->size.width * bytesOf(o->fourcc));
        f->fmt.pix.sizeimage = f->fmt.pix.bytesperline * static_cast<std::uint32_t>(o->size.height);
        return 0;
    }
    case VIDIOC_S_PARM:
    case VIDIOC_G_PARM: {
        auto* p = static_cast<v4l2_streamparm*>(arg);
        auto& t = p->parm.capture.timeperframe;
        if (request == VIDIOC_S_PARM && t.denominator > 0)   // 1 to 60 frames a second
            o->interval100ns = static_cast<std::uint32_t>(
                std::clamp<std::uint64_t>(std::uint64_t(t.numerator) * 10000000 / t.denominator, 166666, 10000000));
        t.numerator = o->interval100ns;
        t.denominator = 10000000;
        p->parm.capture.capability = V4L2_CAP_TIMEPERFRAME;
        return 0;
    }
    case VIDIOC_REQBUFS: {
        auto* r = static_cast<v4l2_requestbuffers*>(arg);
        if (r->memory != V4L2_MEMORY_MMAP)
            return fail(EINVAL);
        if (r->count > 0 && mapped_ > 0)
            return fail(EBUSY);
        const std::size_t bytes = static_cast<std::size_t>(o->size.width) * o->size.height * bytesOf(o->fourcc);
        o->buffers.assign(r->count, std::vector<std::uint8_t>(bytes + 4096, 16));
        o->queued.assign(r->count, false);
        o->barAt.assign(r->count, 0);
        o->nextQueued = 0;
        return 0;
    }
    case VIDIOC_QUERYBUF:
    case VIDIOC_QBUF: {
        auto* b = static_cast<v4l2_buffer*>(arg);
        if (b->index >= o->buffers.size())
            return fail(EINVAL);
        b->length = static_cast<std::uint32_t>(o->buffers[b->index].size());
        b->m.offset = b->index * 0x100000u;
        if (request == VIDIOC_QBUF)
            o->queued[b->index] = true;
        return 0;
    }
    case VIDIOC_DQBUF: {
        auto* b = static_cast<v4l2_buffer*>(arg);
        if (unplugged)
            return fail(ENODEV);
        if (!o->streaming)
            return fail(EINVAL);
        for (std::size_t k = 0; k < o->queued.size(); ++k) {
            const std::size_t i = (o->nextQueued + k) % o->queued.size();
            if (!o->queued[i])
                continue;
            o->queued[i] = false;
            o->nextQueued = static_cast<int>((i + 1) % o->queued.size());
            paint(*o, i);
            const long full = static_cast<long>(o->size.width) * o->size.height * bytesOf(o->fourcc);
            b->index = static_cast<std::uint32_t>(i);
            b->bytesused = static_cast<std::uint32_t>(std::clamp<long>(full + frameBytesDelta, 0, long(o->buffers[i].size())));
            b->sequence = o->frame;
            o->lastFrame_ns = now_ns();
            ++served_;
            return 0;
        }
        return fail(EAGAIN);
    }
    case VIDIOC_STREAMON:
        o->streaming = true;
        o->lastFrame_ns = now_ns();
        return 0;
    case VIDIOC_STREAMOFF:
        o->streaming = false;
        std::fill(o->queued.begin(), o->queued.end(), false);
        return 0;
    case VIDIOC_QUERYCTRL: {
        auto* q = static_cast<v4l2_queryctrl*>(arg);
        if (q->id & V4L2_CTRL_FLAG_NEXT_CTRL) {
            const auto it = n.controls.upper_bound(q->id & ~V4L2_CTRL_FLAG_NEXT_CTRL);
            if (it == n.controls.end())
                return fail(EINVAL);
            q->id = it->first;
        }
        const auto it = n.controls.find(q->id);
        if (it == n.controls.end())
            return fail(EINVAL);
        q->minimum = it->second.min;
        q->maximum = it->second.max;
        q->step = it->second.step;
        q->default_value = it->second.value;
        q->flags = 0;
        return 0;
    }
    case VIDIOC_G_CTRL:
    case VIDIOC_S_CTRL: {
        auto* c = static_cast<v4l2_control*>(arg);
        const auto it = n.controls.find(c->id);
        if (it == n.controls.end())
            return fail(EINVAL);
        Control& ctl = it->second;
        if (request == VIDIOC_G_CTRL) {
            c->value = ctl.value;
            return 0;
        }
        if (ctl.autoId) {
            const auto a = n.controls.find(ctl.autoId);
            if (a != n.controls.end() && a->second.value == ctl.autoOnValue)
                return fail(EBUSY);   // the automatic mode holds the value
        }
        if (c->value < ctl.min || c->value > ctl.max)
            return fail(ERANGE);
        ctl.value = c->value;
        return 0;
    }
    default:
        return fail(ENOTTY);
    }
}

void* FakeV4l2::mmap(std::size_t length, int, int, int fd, std::int64_t offset)
{
    std::lock_guard lock(mutex_);
    Open* o = find(fd);
    const std::size_t index = static_cast<std::size_t>(offset / 0x100000);
    if (!o || index >= o->buffers.size() || length > o->buffers[index].size()) {
        errno = EINVAL;
        return MAP_FAILED;
    }
    ++mapped_;
    return o->buffers[index].data();
}

int FakeV4l2::munmap(void*, std::size_t)
{
    std::lock_guard lock(mutex_);
    if (mapped_ == 0)
        return fail(EINVAL);
    --mapped_;
    return 0;
}

int FakeV4l2::poll(int fd, int timeout_ms)
{
    const std::int64_t deadline = now_ns() + std::int64_t(timeout_ms) * 1000000;
    for (;;) {
        std::int64_t due = 0;
        {
            std::lock_guard lock(mutex_);
            Open* o = find(fd);
            if (!o)
                return fail(EBADF);
            if (unplugged)
                return fail(ENODEV);
            const bool anyQueued = std::find(o->queued.begin(), o->queued.end(), true) != o->queued.end();
            if (o->streaming && anyQueued && !stalled) {
                if (instantFrames)
                    return 1;
                due = o->lastFrame_ns + std::int64_t(o->interval100ns) * 100;
                if (now_ns() >= due)
                    return 1;
            }
        }
        const std::int64_t t = now_ns();
        if (t >= deadline)
            return 0;
        const std::int64_t wait = std::min<std::int64_t>(deadline - t, due > t ? due - t : 2000000);
        std::this_thread::sleep_for(std::chrono::nanoseconds(wait));
    }
}

int FakeV4l2::openDescriptors() const
{
    std::lock_guard lock(mutex_);
    return static_cast<int>(open_.size());
}

int FakeV4l2::mappedBuffers() const
{
    std::lock_guard lock(mutex_);
    return mapped_;
}

bool FakeV4l2::streaming(const QString& path) const
{
    std::lock_guard lock(mutex_);
    for (const auto& [fd, o] : open_)
        if (nodes_[o.node].path == path && o.streaming)
            return true;
    return false;
}

std::int32_t FakeV4l2::controlValue(const QString& path, std::uint32_t id) const
{
    std::lock_guard lock(mutex_);
    for (const Node& n : nodes_)
        if (n.path == path) {
            const auto it = n.controls.find(id);
            return it == n.controls.end() ? 0 : it->second.value;
        }
    return 0;
}

} // namespace platform
