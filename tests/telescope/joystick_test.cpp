#include "app/frm_pref.h"
#include "support/fakes.h"
#include "support/temp_program_dir.h"
#include "telescope/frm_joy.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <gtest/gtest.h>
#include <linux/joystick.h>

namespace {

QByteArray event(std::uint8_t type, std::uint8_t number, std::int16_t value)
{
    js_event e{0, value, type, number};
    return QByteArray(reinterpret_cast<const char*>(&e), sizeof e);
}

struct Call {
    std::uint16_t buttons;
    double x, y, z, r;
};

} // namespace

TEST(Joystick, AxesMapAroundTheDeadZoneAndStayInRange)
{
    const TfrmJoy::AxisCalibration byDefault;
    EXPECT_EQ(TfrmJoy::MapAxis(0, 0, byDefault), 0.0);
    EXPECT_EQ(TfrmJoy::MapAxis(1, 0, byDefault), 2.0) << "Y decreases: forward is above 1";
    EXPECT_EQ(TfrmJoy::MapAxis(0, 1, byDefault), 1.0) << "a bound is inside the dead zone";
    EXPECT_EQ(TfrmJoy::MapAxis(3, 3, byDefault), 2.0);
    // A full scale at the dead zone's bound: no division by zero.
    const TfrmJoy::AxisCalibration flat{10, 20, 20};
    EXPECT_EQ(TfrmJoy::MapAxis(0, 40000, flat), 2.0);
    EXPECT_EQ(TfrmJoy::MapAxis(2, 40000, flat), 0.0);
    EXPECT_DOUBLE_EQ(TfrmJoy::MapAxis(0, 15000, {10000, 20000, 30000}), 1.0);
    EXPECT_DOUBLE_EQ(TfrmJoy::MapAxis(0, 25000, {10000, 20000, 30000}), 1.5);
}

TEST(Joystick, CalibrationFileAndDeviceReadsAreBounded)
{
    testsupport::TempProgramDir dir;
    dir.writeFile(QStringLiteral("Joystick.ini"),
                  "[Calibration]\r\nCentXMin=70000\r\nCentYMin=500\r\nCentYMax=100\r\nCentZMin=30000\r\nCentZMax=35000\r\n"
                  "maxJoyValZ=65535\r\n");
    TfrmJoy joy;
    joy.Timer1->stop();
    joy.Folder = dir.path();
    joy.LoadCalibration();
    EXPECT_EQ(joy.Calibration[0].centreMin, 1) << "beyond 16 bits: the default";
    for (std::uint16_t p : {0, 300, 65535})
        EXPECT_TRUE(TfrmJoy::MapAxis(1, p, joy.Calibration[1]) >= 0 && TfrmJoy::MapAxis(1, p, joy.Calibration[1]) <= 2)
            << "minimum above maximum";
    EXPECT_EQ(joy.Calibration[2].centreMin, 30000);

    // A fake device: X pushed right, button 2 down; the full scale grows.
    dir.writeFile(QStringLiteral("js0"), event(JS_EVENT_AXIS | JS_EVENT_INIT, 0, 0) + event(JS_EVENT_AXIS, 0, 20000)
                                             + event(JS_EVENT_BUTTON, 2, 1));
    std::vector<Call> calls;
    joy.SetJoystickHandler([&](std::uint16_t b, double x, double y, double z, double r) { calls.push_back({b, x, y, z, r}); });
    joy.DevicePath = dir.filePath(QStringLiteral("js0"));
    joy.Timer1Timer();
    EXPECT_TRUE(calls.empty()) << "nothing while the joystick is off";
    joy.Active = true;
    joy.Timer1Timer();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].buttons, 4);
    EXPECT_EQ(calls[0].x, 2.0);
    EXPECT_EQ(joy.Calibration[0].maxValue, 52768);

    // A stick that cannot be read hands the centre once, then nothing.
    TfrmJoy gone;
    gone.Timer1->stop();
    gone.Active = true;
    gone.DevicePath = dir.path();   // a folder: every read fails
    calls.clear();
    gone.SetJoystickHandler([&](std::uint16_t b, double x, double y, double z, double r) { calls.push_back({b, x, y, z, r}); });
    gone.Timer1Timer();
    gone.Timer1Timer();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].x, 1.0);
    EXPECT_EQ(calls[0].y, 1.0);
}

TEST(Joystick, WizardCentresTheDeadZonesAndOkWritesTheFileInOrder)
{
    testsupport::TempProgramDir dir;
    TfrmJoy joy;
    joy.Timer1->stop();
    joy.Folder = dir.path();
    const QString device = dir.filePath(QStringLiteral("js0"));
    auto send = [&](const QByteArray& events) {
        QFile f(device);
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write(events);
    };
    send(event(JS_EVENT_AXIS | JS_EVENT_INIT, 0, 1000) + event(JS_EVENT_AXIS | JS_EVENT_INIT, 1, 0));
    joy.DevicePath = device;

    TfrmJoy::SetAnswerer([&](TfrmJoy& f) {
        EXPECT_TRUE(f.Memo1->toPlainText().startsWith(QStringLiteral("Press Next-Button")));
        f.butNext->click();
        EXPECT_TRUE(f.Memo1->toPlainText().startsWith(QStringLiteral("Move the Joystick")));
        EXPECT_FALSE(f.butOK->isEnabled());
        f.butNext->click();   // the dead zones close on the centre
        EXPECT_EQ(f.Calibration[0].centreMin, 33768);
        EXPECT_EQ(f.Calibration[0].centreMax, 33768);
        EXPECT_TRUE(f.Memo1->toPlainText().contains(QStringLiteral("\"unsensible range\"")));
        send(event(JS_EVENT_AXIS, 0, -1000) + event(JS_EVENT_BUTTON, 0, 1));
        f.Timer1Timer();      // jiggling widens them
        EXPECT_EQ(f.Calibration[0].centreMin, 31768);
        EXPECT_EQ(f.Calibration[0].centreMax, 33768);
        EXPECT_EQ(f.lblPos1->text(), QStringLiteral("Position : [31768,32768]"));
        EXPECT_EQ(f.ButtonIndicators[0]->property("down").toBool(), true);
        f.butNext->click();
        EXPECT_TRUE(f.Memo1->toPlainText().startsWith(QStringLiteral("The Joystick is now configured")));
        EXPECT_TRUE(f.butOK->isEnabled());
        EXPECT_FALSE(f.butNext->isEnabled());
        f.Timer1Timer();      // no more widening after the last step
        f.butCancel->click();
    });
    TfrmJoy* const previous = frmJoy;
    frmJoy = &joy;
    EXPECT_FALSE(Preferences::RunJoystickCalibration()) << "the window installs the Preferences hook";
    frmJoy = previous;
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("Joystick.ini")))) << "Cancel writes nothing";

    TfrmJoy::SetAnswerer([](TfrmJoy& f) { f.butOK->click(); });
    EXPECT_TRUE(joy.ShowModal());
    TfrmJoy::SetAnswerer({});
    QFile file(dir.filePath(QStringLiteral("Joystick.ini")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QStringList keys;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (line.contains('='))
            keys << QString::fromLatin1(line.left(line.indexOf('=')));
    EXPECT_EQ(keys.join(u' '), QStringLiteral("CentXMin CentXMax maxJoyValX CentYMin CentYMax maxJoyValY CentZMin CentZMax "
                                               "maxJoyValZ CentRMin CentRMax maxJoyValR"));
    TfrmJoy reread;
    reread.Timer1->stop();
    reread.Folder = dir.path();
    reread.LoadCalibration();
    EXPECT_EQ(reread.Calibration[0].centreMin, 31768);
    EXPECT_EQ(reread.Calibration[1].maxValue, 32768);

    // A file that cannot be written (a folder in its place): OK says so,
    // and the calibration holds for the run.
    testsupport::RecordingMessageService boxes;
    file.close();
    ASSERT_TRUE(QFile::remove(file.fileName()));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("Joystick.ini")));
    joy.Calibration[2].centreMin = 1234;
    TfrmJoy::SetAnswerer([](TfrmJoy& f) { QTest::mouseClick(f.butOK, Qt::LeftButton); });
    EXPECT_TRUE(joy.ShowModal());
    TfrmJoy::SetAnswerer({});
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, platform::MsgKind::Error);
    EXPECT_TRUE(boxes.shown[0].text.contains(file.fileName())) << boxes.shown[0].text.toStdString();
    EXPECT_EQ(joy.Calibration[2].centreMin, 1234);
}

// The wizard answered from the keyboard alone: Enter presses the focused
// button (Cancel cancels), Escape cancels; only OK writes the file.
TEST(Joystick, TheWizardIsAnsweredFromTheKeyboard)
{
    testsupport::TempProgramDir dir;
    TfrmJoy joy;
    joy.Timer1->stop();
    joy.Folder = dir.path();
    joy.DevicePath = dir.filePath(QStringLiteral("absent"));
    const QString file = dir.filePath(QStringLiteral("Joystick.ini"));
    const auto answer = [&](QPushButton* TfrmJoy::*focused, int key) {
        TfrmJoy::SetAnswerer([=](TfrmJoy& f) {
            (f.*focused)->setFocus();
            QTest::keyClick(f.focusWidget(), Qt::Key(key));
        });
        const bool ok = joy.ShowModal();
        TfrmJoy::SetAnswerer({});
        return ok;
    };
    EXPECT_FALSE(answer(&TfrmJoy::butCancel, Qt::Key_Return));
    EXPECT_FALSE(answer(&TfrmJoy::butOK, Qt::Key_Escape));
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_TRUE(answer(&TfrmJoy::butOK, Qt::Key_Enter));
    EXPECT_TRUE(QFile::exists(file));
}

// The stick is read only while it drives the mount (or its window shows),
// and an absent device is looked for at most once a second.
TEST(Joystick, ReadOnlyWhileOnAndAnAbsentDeviceLookedForOnceASecond)
{
    testsupport::FakeClock clock;
    testsupport::TempProgramDir dir;
    TfrmJoy joy;
    joy.Timer1->stop();
    std::vector<Call> calls;
    joy.SetJoystickHandler([&](std::uint16_t b, double x, double y, double z, double r) { calls.push_back({b, x, y, z, r}); });
    joy.DevicePath = dir.filePath(QStringLiteral("js0"));
    dir.writeFile(QStringLiteral("js0"), event(JS_EVENT_AXIS, 0, 20000));
    joy.Timer1Timer();
    EXPECT_EQ(joy.Position[0], 0) << "off and hidden: the device is not read";

    // Switched on with the device absent: one look, then none for a second.
    QFile::remove(joy.DevicePath);
    joy.Active = true;
    joy.Timer1Timer();
    ASSERT_EQ(calls.size(), 1u) << "the centre, once";
    dir.writeFile(QStringLiteral("js0"), event(JS_EVENT_AXIS, 0, 20000));
    clock.advanceMs(500);
    joy.Timer1Timer();
    EXPECT_EQ(joy.Position[0], 0) << "looked for again only a second after the last look";
    EXPECT_EQ(calls.size(), 1u);
    clock.advanceMs(500);
    joy.Timer1Timer();
    EXPECT_EQ(joy.Position[0], 52768);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].x, 2.0);
}
