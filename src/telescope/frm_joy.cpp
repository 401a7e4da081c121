#include "telescope/frm_joy.h"

#include "platform/clock.h"

#include "app/ui/event_boundary.h"
#include "app/ui/widget_message_service.h"
#include "platform/ini_document.h"
#include "platform/paths.h"

#include "app/frm_pref.h"
#include "app/settings/settings_file.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QEventLoop>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <algorithm>
#include <cmath>
#include <cerrno>
#include <fcntl.h>
#include <linux/joystick.h>
#include <unistd.h>

TfrmJoy* frmJoy = nullptr;

namespace {

std::function<void(TfrmJoy&)> answerer;

const char* const kStartText = "Press Next-Button to calibrate your Joystick, or customize the Joystick-firebuttons. "
                               "Cancel returns you to Main-program";
const char* const kMoveText = "Move the Joystick as far as possible into every direction release it and then press the "
                              "next-button";
const char* const kCentreText = "To avoid over-sensibility for Joystick-action we will now determine an \"unsensible "
                                "range\" of Joystick-movement.Jiggle the Joystick round the center-position and press "
                                "the Next-Button";
const char* const kDoneText = "The Joystick is now configured completely.Press OK to save configuration or Cancel to "
                              "abandon it";

bool outsideCentre(std::uint16_t position, const TfrmJoy::AxisCalibration& c)
{
    return position < c.centreMin || position > c.centreMax;
}

} // namespace

void TfrmJoy::SetAnswerer(std::function<void(TfrmJoy&)> a) { answerer = std::move(a); }

TfrmJoy::TfrmJoy(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(50);
    connect(Timer1, &QTimer::timeout, this, [this] { app::runGuarded(QStringLiteral("Timer1Timer"), [this] { Timer1Timer(); }); });
    Timer1->start();

    auto* grid = qobject_cast<QGridLayout*>(GRB_JoystickButtons->layout());
    for (int i = 0; i < 32; ++i) {
        auto* shape = new QLabel(QString::number(i + 1), GRB_JoystickButtons);
        shape->setObjectName(QStringLiteral("SHP_Button%1").arg(i + 1));
        shape->setAlignment(Qt::AlignCenter);
        shape->setMinimumSize(22, 18);
        shape->setStyleSheet(QStringLiteral("background-color: red;"));
        grid->addWidget(shape, i / 16, i % 16);
        ButtonIndicators.append(shape);
    }
    auto click = [this](QPushButton* b, const char* name, void (TfrmJoy::*handler)()) {
        connect(b, &QPushButton::clicked, this,
                [this, name, handler] { app::runGuarded(QString::fromLatin1(name), [this, handler] { (this->*handler)(); }); });
    };
    click(butNext, "butNextClick", &TfrmJoy::butNextClick);
    click(butOK, "butOKClick", &TfrmJoy::butOKClick);
    click(butCancel, "butCancelClick", &TfrmJoy::butCancelClick);
    Preferences::RunJoystickCalibration = [] { return frmJoy && frmJoy->ShowModal(); };
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

bool TfrmJoy::SaveCalibration()
{
    platform::IniDocument ini(platform::joinPath(Folder, QStringLiteral("Joystick.ini")));
    const QString section = QStringLiteral("Calibration");
    static const char* const axes[] = {"X", "Y", "Z", "R"};
    for (int i = 0; i < 4; ++i) {
        const QString a = QString::fromLatin1(axes[i]);
        const auto& c = Calibration[std::size_t(i)];
        ini.writeInteger(section, QStringLiteral("Cent") + a + QStringLiteral("Min"), c.centreMin);
        ini.writeInteger(section, QStringLiteral("Cent") + a + QStringLiteral("Max"), c.centreMax);
        ini.writeInteger(section, QStringLiteral("maxJoyVal") + a, c.maxValue);
    }
    if (ini.save())
        return true;
    Settings::ReportWriteError(ini.fileName(), ini.errorString());
    return false;
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
    if (fd_ < 0) {
        // An absent stick is looked for again about once a second, not on
        // every tick.
        const std::int64_t now = platform::clock().monotonicMs();
        if (lastOpenAttempt_ms_ >= 0 && now - lastOpenAttempt_ms_ < kReopenInterval_ms && lastOpenPath_ == DevicePath)
            return false;
        lastOpenAttempt_ms_ = now;
        lastOpenPath_ = DevicePath;
        fd_ = ::open(DevicePath.toLocal8Bit().constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        ++OpenAttempts;
    }
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

void TfrmJoy::PollJoystick()
{
    lastReadOk_ = readDevice();
    if (lastReadOk_) {
        for (std::size_t i = 0; i < 4; ++i) {
            auto& c = Calibration[i];
            c.maxValue = std::max({c.maxValue, Position[i], std::uint16_t(1)});
            if (Step == 2) {
                c.centreMin = std::min(c.centreMin, Position[i]);
                c.centreMax = std::max(c.centreMax, Position[i]);
            }
        }
    }
    auto bar = [this](std::size_t i) { return int(std::lround(double(Position[i]) / Calibration[i].maxValue * 16)); };
    TRB_Joy1_X->setValue(bar(0));
    TRB_Joy1_Y->setValue(bar(1));
    TRB_Joy2_X->setValue(bar(3));
    TRB_Joy2_Y->setValue(bar(2));
    for (int i = 0; i < ButtonIndicators.size(); ++i) {
        const bool down = Buttons & (1u << i);
        if (ButtonIndicators[i]->property("down").toBool() != down) {
            ButtonIndicators[i]->setProperty("down", down);
            ButtonIndicators[i]->setStyleSheet(down ? QStringLiteral("background-color: lime;")
                                                    : QStringLiteral("background-color: red;"));
        }
    }
    chkCenter1->setChecked(outsideCentre(Position[0], Calibration[0]) || outsideCentre(Position[1], Calibration[1]));
    chkCenter2->setChecked(outsideCentre(Position[2], Calibration[2]) || outsideCentre(Position[3], Calibration[3]));
}

void TfrmJoy::Timer1Timer()
{
    // The stick is read only while it drives the mount or the wizard shows.
    if (!(handler_ && Active) && !modal_ && !isVisible())
        return;
    PollJoystick();
    const bool read = lastReadOk_;
    if (read)
        centreHanded_ = false;
    const QString format = QStringLiteral("Position : [%1,%2]");
    lblPos1->setText(format.arg(Position[0], 5).arg(Position[1], 5));
    lblPos2->setText(format.arg(Position[2], 5).arg(Position[3], 5));
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

void TfrmJoy::FormShow()
{
    Step = 0;
    Memo1->setPlainText(QString::fromLatin1(kStartText));
    butNext->setEnabled(true);
    butOK->setEnabled(true);
}

void TfrmJoy::butNextClick()
{
    switch (Step) {
    case 0:
        Memo1->setPlainText(QString::fromLatin1(kMoveText));
        butOK->setEnabled(false);
        break;
    case 1:
        PollJoystick();
        for (std::size_t i = 0; i < 4; ++i)
            Calibration[i].centreMin = Calibration[i].centreMax = Position[i];
        Memo1->setPlainText(QString::fromLatin1(kCentreText));
        break;
    case 2:
        Memo1->setPlainText(QString::fromLatin1(kDoneText));
        butOK->setEnabled(true);
        butNext->setEnabled(false);
        break;
    default:
        return;
    }
    ++Step;
}

void TfrmJoy::butOKClick()
{
    // A file that cannot be written is told; the calibration still holds
    // for this run.
    SaveCalibration();
    endModal(true);
}

void TfrmJoy::butCancelClick() { endModal(false); }

void TfrmJoy::endModal(bool ok)
{
    modalOk_ = ok;
    if (loop_)
        loop_->quit();
    else if (!answerer)
        hide();
}

void TfrmJoy::keyPressEvent(QKeyEvent* e)
{
    if (!modal_) {
        TForm::keyPressEvent(e);
        return;
    }
    switch (e->key()) {
    case Qt::Key_Escape:
        app::runGuarded(QStringLiteral("butCancelClick"), [this] { butCancelClick(); });
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Reached when the focused control leaves the key: a button here
        // does not act on Enter by itself outside a dialog.
        if (auto* button = qobject_cast<QAbstractButton*>(focusWidget());
            button && button->window() == this && button->isVisible() && button->isEnabled())
            button->click();
        return;
    default:
        TForm::keyPressEvent(e);
    }
}

void TfrmJoy::closeEvent(QCloseEvent* e)
{
    // Closing the window is a Cancel.
    if (loop_) {
        e->ignore();
        endModal(false);
        return;
    }
    TForm::closeEvent(e);
}

bool TfrmJoy::ShowModal()
{
    if (modal_)
        return false;
    modal_ = true;
    modalOk_ = false;
    FormShow();
    setWindowModality(Qt::ApplicationModal);
    // It waits for its answer: in front of every window, the hand pad it is
    // opened from and the windows kept on top included.
    app::KeepInFrontOfEveryWindow(*this);
    show();
    QPointer<TfrmJoy> self(this);
    if (answerer) {
        answerer(*this);
    } else {
        app::TakeKeyboard(*this);
        QEventLoop loop;
        loop_ = &loop;
        loop.exec(QEventLoop::DialogExec);
        if (!self)
            return false;
        loop_ = nullptr;
    }
    if (!self)
        return false;
    hide();
    setWindowModality(Qt::NonModal);
    modal_ = false;
    return modalOk_;
}
