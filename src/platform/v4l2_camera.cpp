#include "platform/v4l2_camera.h"

#include "platform/platform_texts.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/mman.h>

namespace platform {
namespace {

constexpr int kBufferCount = 4;
constexpr int kPoll_ms = 200;

bool isCaptureNode(const v4l2_capability& cap)
{
    const std::uint32_t caps = (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
    return (caps & V4L2_CAP_VIDEO_CAPTURE) && (caps & V4L2_CAP_STREAMING);
}

QString cardName(const v4l2_capability& cap)
{
    const auto* p = reinterpret_cast<const char*>(cap.card);
    return QString::fromUtf8(p, static_cast<int>(strnlen(p, sizeof cap.card)));
}

} // namespace

V4l2Camera::V4l2Camera(V4l2Io& io, QString path) : io_(io), path_(std::move(path)) {}

V4l2Camera::~V4l2Camera()
{
    close();
}

bool V4l2Camera::fail(int err)
{
    lastErrno_ = err;
    return false;
}

QString V4l2Camera::errorText() const
{
    switch (lastErrno_) {
    case 0:
        return {};
    case EACCES:
    case EPERM:
        return platform::text(platform::PlatformText::MSG_Camera_Acces_Refuse).arg(path_);
    case EBUSY:
        return platform::text(platform::PlatformText::MSG_Camera_Occupee).arg(path_);
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return platform::text(platform::PlatformText::MSG_Camera_Debranchee).arg(path_);
    case ETIMEDOUT:
        return platform::text(platform::PlatformText::MSG_Camera_Muette).arg(path_);
    default:
        return QStringLiteral("%1 : %2").arg(path_, QString::fromLocal8Bit(std::strerror(lastErrno_)));
    }
}

bool V4l2Camera::open()
{
    if (fd_ >= 0)
        return true;
    lastErrno_ = 0;
    const int fd = io_.open(path_, O_RDWR | O_NONBLOCK);
    if (fd < 0)
        return fail(errno);
    v4l2_capability cap{};
    if (io_.ioctl(fd, VIDIOC_QUERYCAP, &cap) < 0 || !isCaptureNode(cap)) {
        const int err = errno ? errno : ENODEV;
        io_.close(fd);
        return fail(err);
    }
    fd_ = fd;
    v4l2_format f{};
    f.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (io_.ioctl(fd_, VIDIOC_G_FMT, &f) == 0) {
        fourcc_ = f.fmt.pix.pixelformat;
        format_ = {static_cast<int>(f.fmt.pix.width), static_cast<int>(f.fmt.pix.height), 24};
    }
    return true;
}

void V4l2Camera::close()
{
    stopStream();
    if (fd_ >= 0)
        io_.close(fd_);
    fd_ = -1;
}

CameraFormat V4l2Camera::format() const
{
    return fd_ >= 0 ? format_ : CameraFormat{0, 0, 0};
}

std::vector<std::pair<std::uint32_t, QString>> V4l2Camera::pixelFormats() const
{
    std::vector<std::pair<std::uint32_t, QString>> out;
    for (std::uint32_t i = 0; fd_ >= 0 && i < 64; ++i) {
        v4l2_fmtdesc d{};
        d.index = i;
        d.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        if (io_.ioctl(fd_, VIDIOC_ENUM_FMT, &d) < 0)
            break;
        const auto* text = reinterpret_cast<const char*>(d.description);
        out.emplace_back(d.pixelformat, QString::fromUtf8(text, static_cast<int>(strnlen(text, sizeof d.description))));
    }
    return out;
}

std::vector<V4l2Camera::FormatEntry> V4l2Camera::formats() const
{
    std::vector<FormatEntry> out;
    if (fd_ < 0)
        return out;
    for (const auto& [fourcc, description] : pixelFormats()) {
        for (std::uint32_t k = 0; k < 64; ++k) {
            v4l2_frmsizeenum s{};
            s.index = k;
            s.pixel_format = fourcc;
            if (io_.ioctl(fd_, VIDIOC_ENUM_FRAMESIZES, &s) < 0)
                break;
            if (s.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
                out.push_back({fourcc, description, static_cast<int>(s.discrete.width),
                               static_cast<int>(s.discrete.height)});
            } else {
                // A stepwise range: its smallest and largest sizes.
                out.push_back({fourcc, description, static_cast<int>(s.stepwise.min_width),
                               static_cast<int>(s.stepwise.min_height)});
                out.push_back({fourcc, description, static_cast<int>(s.stepwise.max_width),
                               static_cast<int>(s.stepwise.max_height)});
                break;
            }
        }
    }
    return out;
}

bool V4l2Camera::negotiate(int width, int height)
{
    // BGR24 when the device (or libv4l2 for it) offers it, else its grey format.
    std::uint32_t want = requestedFourcc_;
    if (want == 0) {
        bool bgr = false, grey = false, y16 = false;
        for (const auto& f : pixelFormats()) {
            bgr |= f.first == V4L2_PIX_FMT_BGR24;
            grey |= f.first == V4L2_PIX_FMT_GREY;
            y16 |= f.first == V4L2_PIX_FMT_Y16;
        }
        want = bgr || (!grey && !y16) ? V4L2_PIX_FMT_BGR24 : grey ? V4L2_PIX_FMT_GREY : V4L2_PIX_FMT_Y16;
    }
    v4l2_format f{};
    f.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    f.fmt.pix.width = static_cast<std::uint32_t>(std::max(0, width));
    f.fmt.pix.height = static_cast<std::uint32_t>(std::max(0, height));
    f.fmt.pix.pixelformat = want;
    f.fmt.pix.field = V4L2_FIELD_ANY;
    if (io_.ioctl(fd_, VIDIOC_S_FMT, &f) < 0)
        return fail(errno);
    const std::uint32_t got = f.fmt.pix.pixelformat;
    if (got != V4L2_PIX_FMT_BGR24 && got != V4L2_PIX_FMT_GREY && got != V4L2_PIX_FMT_Y16)
        return fail(EINVAL);
    fourcc_ = got;
    const int bytes = got == V4L2_PIX_FMT_BGR24 ? 3 : got == V4L2_PIX_FMT_Y16 ? 2 : 1;
    bytesPerLine_ = std::max<std::uint32_t>(f.fmt.pix.bytesperline, f.fmt.pix.width * bytes);
    format_ = {static_cast<int>(f.fmt.pix.width), static_cast<int>(f.fmt.pix.height), got == V4L2_PIX_FMT_BGR24 ? 24 : 8};
    if (format_.width <= 0 || format_.height <= 0)
        return fail(EINVAL);
    return true;
}

bool V4l2Camera::setFormat(const CameraFormat& format)
{
    if (fd_ < 0 || streaming())
        return fail(EBUSY);
    return negotiate(format.width, format.height);
}

void V4l2Camera::applyFrameRate(double frameRate)
{
    v4l2_streamparm p{};
    p.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (frameRate > 0) {
        p.parm.capture.timeperframe.numerator = static_cast<std::uint32_t>(std::clamp(1e7 / frameRate, 1.0, 1e9));
        p.parm.capture.timeperframe.denominator = 10000000;
        io_.ioctl(fd_, VIDIOC_S_PARM, &p);   // a device without rate control keeps its own
    }
    v4l2_streamparm g{};
    g.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    interval100ns_ = 0;
    if (io_.ioctl(fd_, VIDIOC_G_PARM, &g) == 0 && g.parm.capture.timeperframe.denominator > 0)
        interval100ns_ = static_cast<std::int64_t>(g.parm.capture.timeperframe.numerator) * 10000000
                         / g.parm.capture.timeperframe.denominator;
}

bool V4l2Camera::startStream(FrameCallback callback, double frameRate)
{
    if (fd_ < 0)
        return fail(ENODEV);
    stopStream();
    if (fourcc_ == 0 || format_.width <= 0)
        if (!negotiate(format_.width > 0 ? format_.width : 640, format_.height > 0 ? format_.height : 480))
            return false;
    applyFrameRate(frameRate);
    v4l2_requestbuffers req{};
    req.count = kBufferCount;
    req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    req.memory = V4L2_MEMORY_MMAP;
    if (io_.ioctl(fd_, VIDIOC_REQBUFS, &req) < 0 || req.count == 0)
        return fail(errno ? errno : ENOMEM);
    for (std::uint32_t i = 0; i < req.count; ++i) {
        v4l2_buffer b{};
        b.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        b.memory = V4L2_MEMORY_MMAP;
        b.index = i;
        if (io_.ioctl(fd_, VIDIOC_QUERYBUF, &b) < 0) {
            const int err = errno;
            releaseBuffers();
            return fail(err);
        }
        void* p = io_.mmap(b.length, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, b.m.offset);
        if (p == MAP_FAILED || p == nullptr) {
            const int err = errno;
            releaseBuffers();
            return fail(err);
        }
        buffers_.push_back({p, b.length});
        if (io_.ioctl(fd_, VIDIOC_QBUF, &b) < 0) {
            const int err = errno;
            releaseBuffers();
            return fail(err);
        }
    }
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (io_.ioctl(fd_, VIDIOC_STREAMON, &type) < 0) {
        const int err = errno;
        releaseBuffers();
        return fail(err);
    }
    grey_.assign(fourcc_ == V4L2_PIX_FMT_Y16 ? static_cast<std::size_t>(format_.width) * format_.height : 0, 0);
    callback_ = std::move(callback);
    stop_ = false;
    thread_ = std::thread([this] { run(); });
    return true;
}

void V4l2Camera::releaseBuffers()
{
    for (const Buffer& b : buffers_)
        io_.munmap(b.data, b.length);
    buffers_.clear();
    v4l2_requestbuffers req{};
    req.count = 0;
    req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    req.memory = V4L2_MEMORY_MMAP;
    io_.ioctl(fd_, VIDIOC_REQBUFS, &req);
}

void V4l2Camera::stopStream()
{
    if (!thread_.joinable())
        return;
    stop_ = true;
    thread_.join();
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    io_.ioctl(fd_, VIDIOC_STREAMOFF, &type);
    releaseBuffers();
    callback_ = nullptr;
}

void V4l2Camera::run()
{
    using Clock = std::chrono::steady_clock;
    auto lastFrame = Clock::now();
    // A slow frame rate is no stall: three frame intervals at least.
    const std::int64_t stall_ms = std::max<std::int64_t>(stallTimeout_ms_, interval100ns_ * 3 / 10000);
    auto lost = [this](int err) {
        lastErrno_ = err;
        if (streamLost_)
            streamLost_(err);
    };
    const std::size_t rowBytes =
        static_cast<std::size_t>(format_.width) * (fourcc_ == V4L2_PIX_FMT_BGR24 ? 3 : fourcc_ == V4L2_PIX_FMT_Y16 ? 2 : 1);
    const std::size_t needed = static_cast<std::size_t>(bytesPerLine_) * (format_.height - 1) + rowBytes;
    while (!stop_) {
        const int r = io_.poll(fd_, kPoll_ms);
        if (r < 0) {
            lost(errno ? errno : ENODEV);
            return;
        }
        if (r == 0) {
            if (stallTimeout_ms_ > 0 && Clock::now() - lastFrame > std::chrono::milliseconds(stall_ms)) {
                lost(ETIMEDOUT);
                return;
            }
            continue;
        }
        v4l2_buffer b{};
        b.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        b.memory = V4L2_MEMORY_MMAP;
        if (io_.ioctl(fd_, VIDIOC_DQBUF, &b) < 0) {
            if (errno == EAGAIN)
                continue;
            lost(errno);
            return;
        }
        if (b.index < buffers_.size()) {
            lastFrame = Clock::now();
            const Buffer& buf = buffers_[b.index];
            const std::size_t used = std::min<std::size_t>(b.bytesused ? b.bytesused : buf.length, buf.length);
            // A short frame is skipped; a long one is read only up to its last row.
            if (used >= needed && callback_) {
                FrameView v;
                v.width = format_.width;
                v.height = format_.height;
                const auto* src = static_cast<const std::uint8_t*>(buf.data);
                if (fourcc_ == V4L2_PIX_FMT_Y16) {
                    // Little-endian 16-bit grey: its high byte.
                    std::uint8_t* out = grey_.data();
                    for (int y = 0; y < v.height; ++y) {
                        const std::uint8_t* row = src + static_cast<std::size_t>(y) * bytesPerLine_;
                        for (int x = 0; x < v.width; ++x)
                            *out++ = row[2 * x + 1];
                    }
                    v.format = PixelFormat::Mono8;
                    v.stride = v.width;
                    v.data = grey_.data();
                    v.size = grey_.size();
                } else {
                    v.format = fourcc_ == V4L2_PIX_FMT_BGR24 ? PixelFormat::Bgr24 : PixelFormat::Mono8;
                    v.stride = bytesPerLine_;
                    v.data = src;
                    v.size = needed;
                }
                callback_(v);
            }
        }
        if (io_.ioctl(fd_, VIDIOC_QBUF, &b) < 0 && errno != EINVAL) {
            lost(errno);
            return;
        }
    }
}

V4l2Camera::Control V4l2Camera::control(std::uint32_t id) const
{
    Control c;
    if (fd_ < 0)
        return c;
    v4l2_queryctrl q{};
    q.id = id;
    if (io_.ioctl(fd_, VIDIOC_QUERYCTRL, &q) < 0 || (q.flags & V4L2_CTRL_FLAG_DISABLED))
        return c;
    c.present = true;
    c.min = q.minimum;
    c.max = q.maximum;
    c.step = std::max(1, q.step);
    v4l2_control v{id, q.default_value};
    io_.ioctl(fd_, VIDIOC_G_CTRL, &v);
    c.value = v.value;
    return c;
}

bool V4l2Camera::setControl(std::uint32_t id, std::int32_t value, std::int32_t* readBack)
{
    if (fd_ < 0)
        return fail(ENODEV);
    v4l2_control v{id, value};
    const bool ok = io_.ioctl(fd_, VIDIOC_S_CTRL, &v) == 0;
    if (!ok)
        lastErrno_ = errno;
    if (readBack) {
        v4l2_control g{id, 0};
        *readBack = io_.ioctl(fd_, VIDIOC_G_CTRL, &g) == 0 ? g.value : 0;
    }
    return ok;
}

bool V4l2Camera::hasControls() const
{
    if (fd_ < 0)
        return false;
    v4l2_queryctrl q{};
    q.id = V4L2_CTRL_FLAG_NEXT_CTRL;
    if (io_.ioctl(fd_, VIDIOC_QUERYCTRL, &q) == 0)
        return true;
    for (std::uint32_t id = V4L2_CID_BASE; id < V4L2_CID_LASTP1; ++id) {
        v4l2_queryctrl b{};
        b.id = id;
        if (io_.ioctl(fd_, VIDIOC_QUERYCTRL, &b) == 0)
            return true;
    }
    return false;
}

// ---- The family ------------------------------------------------------------

QStringList V4l2Family::captureNodes(std::vector<CameraDeviceInfo>* infos) const
{
    QStringList paths;
    for (const QString& path : io_.nodes()) {
        const int fd = io_.open(path, O_RDWR | O_NONBLOCK);
        if (fd < 0) {
            // A node the user may not open is listed under its path, so that
            // choosing it tells why it cannot start.
            if (errno == EACCES || errno == EPERM) {
                paths << path;
                if (infos)
                    infos->push_back({path, QString()});
            }
            continue;
        }
        v4l2_capability cap{};
        const bool ok = io_.ioctl(fd, VIDIOC_QUERYCAP, &cap) == 0 && isCaptureNode(cap);
        io_.close(fd);
        if (!ok)
            continue;
        paths << path;
        if (infos)
            infos->push_back({cardName(cap), QString()});
    }
    return paths;
}

std::vector<CameraDeviceInfo> V4l2Family::devices() const
{
    std::vector<CameraDeviceInfo> out;
    captureNodes(&out);
    return out;
}

std::unique_ptr<CameraDevice> V4l2Family::create(int index)
{
    const QStringList paths = captureNodes(nullptr);
    if (index < 0 || index >= paths.size())
        return nullptr;
    return std::make_unique<V4l2Camera>(io_, paths[index]);
}

} // namespace platform
