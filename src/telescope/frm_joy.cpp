#include "telescope/frm_joy.h"

#include "app/ui/event_boundary.h"
#include "platform/ini_document.h"
#include "platform/paths.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <linux/joystick.h>
#include <unistd.h>

TfrmJoy* frmJoy = nullptr;

TfrmJoy::TfrmJoy(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(50);
    connect(Timer1, &QTimer::timeout, this, [this] { app::runGuarded(QStringLiteral("Timer1Timer"), [this] { Timer1Timer(); }); });
    Timer1->start();
}

TfrmJoy::~TfrmJoy()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void TfrmJoy::LoadCalibration()
{
    const platform::IniDocument ini(platform::joinPath(Folder, QStringLiteral("Joystick.ini")));
    const QString section = QStringLiteral("Calibration");
    static const char* const axes[] = {"X", "Y", "Z", "R"};
    for (int i = 0; i < 4; ++i) {
        const QString a = QString::fromLatin1(axes[i]);
        auto read = [&](const QString& key, std::uint16_t& into) {
            const int v = ini.readInteger(section, key, into);
            if (v >= 0 && v <= 65535)
                into = std::uint16_t(v);
        };
        auto& c = Calibration[std::size_t(i)];
        c = AxisCalibration{};
        read(QStringLiteral("Cent") + a + QStringLiteral("Min"), c.centreMin);
        read(QStringLiteral("Cent") + a + QStringLiteral("Max"), c.centreMax);
        read(QStringLiteral("maxJoyVal") + a, c.maxValue);
    }
}

double TfrmJoy::MapAxis(int axis, std::uint16_t position, const AxisCalibration& c)
{
    const bool increasing = axis == 0 || axis == 3;
    double v = 1.0;
    if (position < c.centreMin) {
        const double part = double(position) / c.centreMin;
        v = increasing ? part : 2 - part;
    } else if (position > c.centreMax) {
        // A full scale at the dead zone's bound reads as the end of travel.
        const double span = double(c.maxValue) - c.centreMax;
        const double part = span > 0 ? std::min(1.0, (position - c.centreMax) / span) : 1.0;
        v = increasing ? 1 + part : 1 - part;
    }
    return std::clamp(v, 0.0, 2.0);
}

bool TfrmJoy::readDevice()
{
    if (fd_ < 0)
        fd_ = ::open(DevicePath.toLocal8Bit().constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0)
        return false;
    js_event e;
    for (;;) {
        const ssize_t n = ::read(fd_, &e, sizeof e);
        if (n == sizeof e) {
            const int type = e.type & ~JS_EVENT_INIT;
            if (type == JS_EVENT_AXIS && e.number < 4)
                Position[e.number] = std::uint16_t(int(e.value) + 32768);
            else if (type == JS_EVENT_BUTTON && e.number < 32)
                Buttons = e.value ? (Buttons | (1u << e.number)) : (Buttons & ~(1u << e.number));
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            return true;
        if (n == 0)
            return true;   // nothing more for now
        ::close(fd_);
        fd_ = -1;
        return false;
    }
}

void TfrmJoy::Timer1Timer()
{
    const bool read = readDevice();
    if (read) {
        centreHanded_ = false;
        for (std::size_t i = 0; i < 4; ++i)
            Calibration[i].maxValue = std::max({Calibration[i].maxValue, Position[i], std::uint16_t(1)});
    }
    if (!handler_ || !Active)
        return;
    if (!read) {
        // An unplugged stick must not keep the mount moving on its last values.
        if (!centreHanded_)
            handler_(0, 1.0, 1.0, 1.0, 1.0);
        centreHanded_ = true;
        return;
    }
    handler_(std::uint16_t(Buttons & 0xFFFF), MapAxis(0, Position[0], Calibration[0]), MapAxis(1, Position[1], Calibration[1]),
             MapAxis(2, Position[2], Calibration[2]), MapAxis(3, Position[3], Calibration[3]));
}
