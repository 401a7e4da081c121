// The interface choices, their connections and what they lock, driven as a
// user does: the mount and guide pages' buttons clicked, the tracking
// window's "Autoguidage" ticked with the mouse; and autoguiding from a fresh
// program directory on the shipped simulated mount.

#include "guide_setup.h"
#include "mount_fixture.h"

#include "app/controls/num_inp.h"
#include "app/frm_alv.h"
#include "app/frm_message.h"
#include "app/settings.h"
#include "app/systeme.h"
#include "capture/camera_slots.h"
#include "capture/plugin_mgr.h"
#include "imaging/pipeline_state.h"
#include "imaging/process_frame.h"
#include "platform/com_io.h"
#include "platform/port_access_linux.h"
#include "platform/simulated_camera.h"
#include "support/scripted_mount.h"
#include "telescope/frm_prg_suivi.h"
#include "telescope/guide_protocols.h"
#include "telescope/frm_tool_suivi.h"
#include "telescope/mount_state.h"
#include "telescope/prg_suivi.h"
#include "telescope/sim/mount_simulator_device.h"
#include "telescope/sim/simulated_lx200_mount.h"
#include "telescope/tracking/tracking_state.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_mesures.h"
#include "translation/translated_texts.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <sys/ioctl.h>
#include <cmath>

namespace com_io = platform::com_io;

namespace {

// A fresh program directory: the shipped files, no settings yet; the first
// activation then makes the settings from the shipped template. What the
// activation set up for the whole program (the settings file, the plug-ins
// found) is forgotten when the test ends.
struct ForgetTheActivation {
    ~ForgetTheActivation()
    {
        SettingsFilePath.clear();
        PluginManager.reset();
    }
};

void startInAFreshProgramDirectory(const testsupport::TempProgramDir& dir)
{
    const QDir shipped(QStringLiteral(NJ_SOURCE_DIR "/resources/programdir"));
    const QStringList files = shipped.entryList(QDir::Files);
    ASSERT_TRUE(files.contains(QStringLiteral("nightjarpro.one")));
    for (const QString& name : files)
        ASSERT_TRUE(QFile::copy(shipped.filePath(name), dir.filePath(name))) << name.toStdString();
    FRM_Alv->FormActivate();
}

// The entry of a combo box chosen from the keyboard (Home, then Down), as a
// user who opened the page does.
void chooseEntry(QComboBox* combo, int index)
{
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Home);
    for (int i = 0; i < index; ++i)
        QTest::keyClick(combo, Qt::Key_Down);
}

std::vector<QRadioButton*> disabledOf(const std::vector<QRadioButton*>& radios)
{
    std::vector<QRadioButton*> off;
    for (QRadioButton* r : radios)
        if (!r->isEnabled())
            off.push_back(r);
    return off;
}

// One frame of the guide camera with the star dx, dy pixels from its start.
void frameWithStarAt(const testsupport::StarField& field, double dx, double dy, std::uint32_t frame)
{
    field.renderInto(*SlotBitmaps[1][0], dx, dy, frame);
    std::uint8_t keep = 0;
    Align_V::ProcessFrame(1, keep, 1);
}

bool isMove(const QByteArray& command)
{
    return command == ":Mn#" || command == ":Ms#" || command == ":Me#" || command == ":Mw#";
}

} // namespace

// A connection gives back every choice it held once it ends, unless the
// other connection still holds it: the mount's holds the guide boxes as
// long as it is up, the guide port's every guide choice.
TEST_F(MountTest, ADisconnectionGivesBackTheChoicesItsConnectionHeld)
{
    TFRM_Pref& p = pref();
    const std::vector<QRadioButton*> guideBoxes{p.RDB_Autoguide_Marrick, p.RDB_Autoguide_Venner, p.RDB_Autoguide_Quillon,
                                           p.RDB_Autoguide_KitsRus108, p.RDB_Autoguide_Plugin};
    const std::vector<QRadioButton*> mountChoices{p.RDB_Mount_Aucun, p.RDB_Mount_ASCOM, p.RDB_Mount_LX200};
    ASSERT_TRUE(clickOnScreen(p.RDB_Mount_LX200));
    ASSERT_TRUE(clickOnScreen(p.BTN_Mount_Connecter));
    EXPECT_EQ(disabledOf(guideBoxes), guideBoxes);
    EXPECT_EQ(disabledOf(mountChoices), mountChoices);
    ASSERT_TRUE(clickOnScreen(p.BTN_Mount_Deconnecter));
    EXPECT_TRUE(disabledOf(guideBoxes).empty()) << "every guide box can be chosen again";
    EXPECT_TRUE(disabledOf(mountChoices).empty());

    // The guide port (Quillon) and the mount both connected: the mount let
    // go, the guide port still holds its choices; then it lets go too.
    ASSERT_TRUE(clickOnScreen(p.RDB_Autoguide_Quillon));
    ASSERT_TRUE(clickOnScreen(p.BTN_Autoguide_Connecter));
    ASSERT_TRUE(clickOnScreen(p.BTN_Mount_Connecter));
    ASSERT_TRUE(clickOnScreen(p.BTN_Mount_Deconnecter));
    EXPECT_EQ(disabledOf(guideBoxes), guideBoxes);
    EXPECT_FALSE(p.RDB_Autoguide_Aucun->isEnabled());
    EXPECT_TRUE(disabledOf(mountChoices).empty());
    ASSERT_TRUE(clickOnScreen(p.BTN_Autoguide_Deconnecter));
    EXPECT_TRUE(disabledOf(guideBoxes).empty());
    EXPECT_TRUE(p.RDB_Autoguide_Aucun->isEnabled());
    ASSERT_TRUE(clickOnScreen(p.RDB_Autoguide_Marrick));
    EXPECT_TRUE(p.RDB_Autoguide_Marrick->isChecked());
    EXPECT_TRUE(reports.isEmpty()) << reports.join('\n').toStdString();
}

// From a fresh program directory: the mount page's "Connecter" is off while
// no mount is chosen and on once one is; the shipped serial list names the
// register addresses of COM1 and COM2, through which Venner connects, as
// guide port and as focuser, on the registers of the port chosen.
TEST_F(MountTest, AFreshProgramDirectoryOffersWhatItsInterfacesNeed)
{
    const ForgetTheActivation forget;
    ASSERT_NO_FATAL_FAILURE(startInAFreshProgramDirectory(dir));
    TFRM_Pref& p = pref();
    ASSERT_TRUE(p.RDB_Mount_Aucun->isChecked());
    EXPECT_FALSE(p.BTN_Mount_Connecter->isEnabled()) << "nothing to connect";
    ASSERT_TRUE(clickOnScreen(p.RDB_Mount_LX200));
    EXPECT_TRUE(p.BTN_Mount_Connecter->isEnabled());
    ASSERT_TRUE(clickOnScreen(p.RDB_Mount_Aucun));
    EXPECT_FALSE(p.BTN_Mount_Connecter->isEnabled());

    QComboBox* serial = p.CBX_AG_PortSerie;
    ASSERT_EQ(serial->count(), 20);
    EXPECT_EQ(serial->itemText(0), QStringLiteral("$03F8(COM1)"));
    EXPECT_EQ(serial->itemText(1), QStringLiteral("$02F8(COM2)"));
    EXPECT_EQ(serial->itemText(19), QStringLiteral("      COM20"));

    // Venner as guide port on COM2: the initialisation, then a press of "E"
    // clocks the east bit, all on COM2's registers.
    ASSERT_TRUE(clickOnScreen(p.RDB_Autoguide_Venner));
    chooseEntry(serial, 1);
    ASSERT_EQ(serial->currentIndex(), 1);
    ports.clearWrites();
    ASSERT_TRUE(clickOnScreen(p.BTN_Autoguide_Connecter));
    ASSERT_TRUE(p.BTN_Autoguide_Est->isEnabled()) << boxes.texts().join('\n').toStdString();
    ASSERT_TRUE(pressOnScreen(p.BTN_Autoguide_Est));
    ASSERT_TRUE(releaseOnScreen(p.BTN_Autoguide_Est));
    ASSERT_FALSE(ports.writes().empty());
    for (const auto& w : ports.writes())
        EXPECT_TRUE(w.address == 0x2FB || w.address == 0x2FC) << std::hex << w.address;
    EXPECT_EQ(ports.peek(0x2FB) & 0x40, 0x40) << "the outputs latched";
    ASSERT_TRUE(clickOnScreen(p.BTN_Autoguide_Deconnecter));

    // The focuser's list is the same file; Venner on COM1's registers.
    ASSERT_TRUE(clickOnScreen(p.RDB_Focus_Venner));
    ASSERT_EQ(p.CBX_AG_Focus_PortSerie->count(), 20);
    chooseEntry(p.CBX_AG_Focus_PortSerie, 0);
    ports.clearWrites();
    ASSERT_TRUE(clickOnScreen(p.BTN_Focus_Connecter));
    EXPECT_TRUE(p.BTN_Focus_Deconnecter->isEnabled());
    ASSERT_FALSE(ports.writes().empty());
    for (const auto& w : ports.writes())
        EXPECT_TRUE(w.address == 0x3FB || w.address == 0x3FC) << std::hex << w.address;
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join('\n').toStdString();

    // A register file the port layer cannot reach: told, nothing connected.
    ASSERT_TRUE(clickOnScreen(p.BTN_Focus_Deconnecter));
    Systeme::ClosePortDriver();
    ASSERT_TRUE(clickOnScreen(p.BTN_Focus_Connecter));
    EXPECT_TRUE(p.BTN_Focus_Connecter->isEnabled());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.texts()[0].contains(QStringLiteral("3F8"))) << boxes.texts()[0].toStdString();

    // A focuser kind that connects nothing says so when "Connecter" is
    // pressed; its commands stay silent.
    ASSERT_TRUE(clickOnScreen(p.RDB_Focus_Aucun));
    ASSERT_TRUE(clickOnScreen(p.BTN_Focus_Connecter));
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_TRUE(boxes.texts()[1].contains(QStringLiteral("mise au point"))) << boxes.texts()[1].toStdString();
    Prg_Suivi::StartFocuser(0, false);
    Prg_Suivi::StopFocuser(0);
    EXPECT_EQ(boxes.shown.size(), 2u);
}

// An LX200 mount and no guide interface: ticking "Autoguidage" connects the
// mount's line (a mount that answers late, as on the field) and the
// corrections go to the mount; "Suivi logiciel" leaves the mount connected.
// With neither chosen the guide page's "Connecter" says what is missing.
TEST_F(MountTest, WithNoGuideInterfaceAutoguidingGuidesThroughTheMount)
{
    testsupport::ScriptedMount field;
    ASSERT_TRUE(field.isOpen());
    field.setDelay(400);
    com_io::SetDevicePath(3, field.devicePath());
    TFRM_Pref& p = pref();
    p.SPED_Delai_Serie->setValue(0);
    ASSERT_TRUE(clickOnScreen(p.RDB_Mount_LX200));
    ASSERT_TRUE(p.RDB_Autoguide_Aucun->isChecked());

    const testsupport::StarField sky = guideStarSky();
    ASSERT_NO_FATAL_FAILURE(startAutoguidingOnTheStar(sky, p));
    auto* s = FRM_Tool_Suivi;
    EXPECT_TRUE(s->RDB_Autoguidage->isChecked()) << "autoguiding stays ticked";
    EXPECT_TRUE(com_io::channel(1).open);
    EXPECT_TRUE(p.BTN_Mount_Deconnecter->isEnabled()) << "the mount's page shows its line connected";
    EXPECT_TRUE(p.BTN_Autoguide_Nord->isEnabled());

    // The star 6 pixels right and 4 down: West and South to the mount.
    frameWithStarAt(sky, 6, 4, 1);
    QElapsedTimer waited;
    waited.start();
    QList<QByteArray> got;
    while (waited.elapsed() < 3000) {
        got = field.commands();
        if (got.contains(":Mw#") && got.contains(":Ms#"))
            break;
        QThread::msleep(5);
    }
    EXPECT_TRUE(got.contains(":Mw#") && got.contains(":Ms#")) << got.join(' ').toStdString();
    EXPECT_FALSE(got.contains(":Me#") || got.contains(":Mn#")) << got.join(' ').toStdString();
    Prg_Suivi::StopMount();

    ASSERT_TRUE(clickOnScreen(s->RDB_Suivi_logiciel));
    EXPECT_TRUE(com_io::channel(1).open) << "the mount keeps its line";
    EXPECT_TRUE(p.BTN_Mount_Deconnecter->isEnabled());
    EXPECT_FALSE(p.BTN_Autoguide_Nord->isEnabled());
    ASSERT_TRUE(clickOnScreen(s->CKB_Suivi));
    EXPECT_TRUE(reports.isEmpty()) << reports.join('\n').toStdString();
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join('\n').toStdString();

    ASSERT_TRUE(clickOnScreen(p.BTN_Mount_Deconnecter));
    ASSERT_TRUE(clickOnScreen(p.RDB_Mount_Aucun));
    ASSERT_TRUE(clickOnScreen(p.BTN_Autoguide_Connecter));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.texts()[0].contains(QStringLiteral("Aucune interface"))) << boxes.texts()[0].toStdString();
    EXPECT_FALSE(com_io::channel(1).open);
}

// "Apprendre" with autoguiding and re-centring on: both go off, tracking
// stays on, and from then on the drifting star sends the mount no
// correction (the learning's own moves are the only ones it gets).
TEST_F(MountTest, LearningTheSpeedsTurnsAutoguidingOffAndSendsNoCorrection)
{
    TFRM_Pref& p = pref();
    p.SPED_Delai_Serie->setValue(0);
    ASSERT_TRUE(clickOnScreen(p.RDB_Mount_LX200));
    const testsupport::StarField sky = guideStarSky();
    const QPoint star(int(std::lround(sky.stars()[0].x)), int(std::lround(sky.stars()[0].y)));
    ASSERT_NO_FATAL_FAILURE(startAutoguidingOnTheStar(sky, p));
    auto* s = FRM_Tool_Suivi;
    ASSERT_TRUE(s->RDB_Autoguidage->isChecked());
    ASSERT_TRUE(clickOnScreen(s->CKB_Recentrage));

    ASSERT_TRUE(clickOnScreen(p.BTN_Apprendre));
    EXPECT_FALSE(s->RDB_Autoguidage->isChecked());
    EXPECT_FALSE(s->CKB_Recentrage->isChecked()) << "re-centring would correct as well";
    EXPECT_TRUE(s->RDB_Suivi_logiciel->isChecked());
    EXPECT_TRUE(s->CKB_Suivi->isChecked());
    EXPECT_EQ(ProcedureState, 13);

    // The star drifts 5 pixels a second for 3 s: software tracking follows
    // it, no move reaches the mount.
    mount.clearRecords();
    for (int i = 1; i <= 30; ++i) {
        clock.advanceMs(100);
        frameWithStarAt(sky, 0.5 * i, 0.2 * i, std::uint32_t(i));
        mount.pump();
    }
    const QList<QByteArray> sent = mount.commands();
    EXPECT_TRUE(std::none_of(sent.begin(), sent.end(), isMove)) << sent.join(' ').toStdString();
    EXPECT_NE(TrackedStarPos, star) << "the zone follows the star";
    EXPECT_EQ(MovingFlags, (std::array<std::uint8_t, 4>{}));

    // Running, each step of the learning moves the mount through its line
    // (connecting it first): a "Deconnecter" of that line says to stop the
    // learning first and changes nothing. Stopped, the line closes and no
    // frame opens it again.
    // (The main window's execute and abort buttons are wired at its first
    // activation, which would load the settings over the choices made here:
    // their handlers run as the buttons would.)
    FRM_Alv->SPDB_ExecuterClick();
    ASSERT_EQ(ProcedureState, 14);
    FRM_Message->MEMO_Message->clear();
    ASSERT_TRUE(clickOnScreen(p.BTN_Mount_Deconnecter));
    EXPECT_TRUE(FRM_Message->MEMO_Message->toPlainText().contains(TranslatedTexts.MSG_Deconnexion_Apprentissage))
        << FRM_Message->MEMO_Message->toPlainText().toStdString();
    EXPECT_TRUE(com_io::channel(1).open);
    EXPECT_TRUE(p.BTN_Mount_Deconnecter->isEnabled());
    EXPECT_FALSE(p.BTN_Mount_Connecter->isEnabled());
    FRM_Alv->SPDB_AbortClick();
    EXPECT_EQ(ProcedureState, 13);
    ASSERT_TRUE(clickOnScreen(p.BTN_Mount_Deconnecter));
    EXPECT_FALSE(com_io::channel(1).open);
    for (int i = 31; i <= 35; ++i) {
        clock.advanceMs(100);
        frameWithStarAt(sky, 0.5 * i, 0.2 * i, std::uint32_t(i));
    }
    EXPECT_FALSE(com_io::channel(1).open);
    EXPECT_TRUE(p.BTN_Mount_Connecter->isEnabled());
}

// From a fresh program directory with the shipped settings, as a new user
// does it: the LX200 mount on COM20 (the shipped simulator), tracking,
// autoguiding and the guide log ticked in the tracking window, nothing
// typed. The simulated cameras' sky drifts 1.5 and 0.4 pixels a second and
// follows the simulator's moves; for 2 minutes the star stays near its
// place, as each line of the guide log says.
TEST_F(MountTest, TheShippedSimulatorHoldsTheStarWithTheShippedSettings)
{
    const ForgetTheActivation forget;
    ASSERT_NO_FATAL_FAILURE(startInAFreshProgramDirectory(dir));
    struct StopSimulator {
        ~StopSimulator() { Telescope::StopMountSimulator(); }
    } stopSimulator;
    TFRM_Pref& p = pref();
    ASSERT_TRUE(clickOnScreen(p.RDB_Mount_LX200));
    chooseEntry(p.CBX_AG_PortSerie, 19);
    ASSERT_EQ(p.CBX_AG_PortSerie->currentText().trimmed(), QStringLiteral("COM20"));
    ASSERT_GT(double(FRM_Tool_Mesures->TNI_Echantillonnage->Value()), 0) << "the scale of the shipped optics";

    const testsupport::StarField sky = guideStarSky();
    const QPoint star(int(std::lround(sky.stars()[0].x)), int(std::lround(sky.stars()[0].y)));
    aimTheGuideCameraAt(sky, star);
    auto* s = FRM_Tool_Suivi;
    ASSERT_TRUE(clickOnScreen(s->CKB_Suivi));
    ASSERT_TRUE(clickOnScreen(s->RDB_Autoguidage));
    ASSERT_TRUE(s->RDB_Autoguidage->isChecked()) << boxes.texts().join('\n').toStdString();
    Telescope::SimulatedLx200Mount* sim = Telescope::MountSimulator();
    ASSERT_NE(sim, nullptr);
    sim->stop();   // from here it moves on this test's steps of the clock
    const QString log = dir.filePath(QStringLiteral("guidage.txt"));
    s->EDT_Nom_Log_Guidage->setFocus();
    QTest::keyClicks(s->EDT_Nom_Log_Guidage, log);
    ASSERT_TRUE(clickOnScreen(s->CKB_Log_Guidage));
    ASSERT_TRUE(GuideLog);

    // 2 minutes, a frame every 100 ms; the pulse timers fire on the clock.
    std::int64_t raDue = -1, decDue = -1;
    const auto due = [&](QTimer* t, std::int64_t& at) {
        if (t->isActive() && at < 0)
            at = clock.monotonicMs() + t->interval();
    };
    const auto fire = [&](QTimer* t, std::int64_t& at, void (TFRM_Prg_Suivi::*handler)()) {
        if (at >= 0 && clock.monotonicMs() >= at) {
            at = -1;
            if (t->isActive())
                (FRM_Prg_Suivi->*handler)();
        }
    };
    const std::int64_t t0 = clock.monotonicMs();
    double farthest = 0;
    for (std::uint32_t frame = 0; clock.monotonicMs() - t0 < 120000;) {
        clock.advanceMs(1);
        sim->pump();
        fire(FRM_Prg_Suivi->TMR_Suivi_AD, raDue, &TFRM_Prg_Suivi::TMR_Suivi_ADTimer);
        fire(FRM_Prg_Suivi->TMR_Suivi_Dec, decDue, &TFRM_Prg_Suivi::TMR_Suivi_DecTimer);
        if ((clock.monotonicMs() - t0) % 100 != 0)
            continue;
        const double t = double(clock.monotonicMs() - t0) / 1000;
        double x = 0, y = 0;
        platform::simulatedMountOffset(x, y);
        const double dx = 1.5 * t + x, dy = 0.4 * t + y;
        farthest = std::max(farthest, std::hypot(dx, dy));
        frameWithStarAt(sky, dx, dy, ++frame);
        sim->pump();
        due(FRM_Prg_Suivi->TMR_Suivi_AD, raDue);
        due(FRM_Prg_Suivi->TMR_Suivi_Dec, decDue);
    }
    ASSERT_TRUE(clickOnScreen(s->CKB_Log_Guidage));
    ASSERT_TRUE(clickOnScreen(s->CKB_Suivi));
    EXPECT_EQ(MovingFlags, (std::array<std::uint8_t, 4>{}));

    // One line a correction (every tenth frame), the star's offsets in
    // pixels in its second and sixth fields.
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromLatin1(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 100);
    double worst = 0;
    for (const QString& line : lines.mid(1)) {
        const QStringList f = line.split(u';');
        ASSERT_EQ(f.size(), 9) << line.toStdString();
        worst = std::max({worst, std::abs(f[1].toDouble()), std::abs(f[5].toDouble())});
    }
    EXPECT_LE(worst, 4.0) << "the guide log's largest offset";
    EXPECT_LE(farthest, 5.0) << "the star left its place by " << farthest << " pixels";
    EXPECT_EQ(TrackedStarPos, star) << "autoguiding keeps the zone";
    EXPECT_TRUE(reports.isEmpty()) << reports.join('\n').toStdString();
}

namespace {

// A Venner box on a serial line, seen through the system's modem-line and
// break requests: each rising edge of RTS shifts DTR into its register,
// and setting the break shows the register on its outputs.
class VennerBoxLine final : public platform::PortDeviceIo {
public:
    int openDevice(const QString& path) override
    {
        paths.push_back(path);
        return int(paths.size()) - 1;
    }
    void closeDevice(int) override {}
    int control(int handle, unsigned long request, void* arg) override
    {
        if (paths.at(std::size_t(handle)) != QLatin1String("/dev/ttyS1"))
            return -ENOTTY;
        const int* set = static_cast<int*>(arg);
        switch (request) {
        case TIOCMGET:
            *static_cast<int*>(arg) = lines_;
            return 0;
        case TIOCMSET:
            if ((*set & TIOCM_RTS) && !(lines_ & TIOCM_RTS))
                shift_ = std::uint8_t(shift_ << 1 | ((*set & TIOCM_DTR) ? 1 : 0));
            lines_ = *set;
            return 0;
        case TIOCSBRK:
            outputs = shift_;
            ++latches;
            return 0;
        case TIOCCBRK:
            return 0;
        }
        return -ENOTTY;
    }
    std::vector<QString> paths;
    std::uint8_t outputs = 0xFF;
    int latches = 0;

private:
    int lines_ = 0;
    std::uint8_t shift_ = 0;
};

} // namespace

// Venner through the system's port layer: COM2's registers ($02F8) mapped
// to a serial line, the box on it lights the east output while "E" is
// held and none after; COM1, mapped to nothing, is refused with a message,
// and so is a Quillon guide port or focuser on a parallel port mapped to
// nothing (an adapter unplugged), whose moves would switch no line.
TEST_F(MountTest, VennerDrivesTheBoxOnTheLineMappedToItsAddress)
{
    VennerBoxLine box;
    platform::LinuxPortAccess linuxPorts(
        [] { return platform::PortMap{{{0x2F8, QStringLiteral("/dev/ttyS1"), platform::PortKind::Serial}}, {}, true}; },
        box);
    struct BackToTheSimulatedPorts {
        platform::SimulatedPortAccess& ports;
        ~BackToTheSimulatedPorts()
        {
            Systeme::ClosePortDriver();
            platform::setPortAccess(&ports);
            Systeme::OpenPortDriver();
        }
    } back{ports};
    Systeme::ClosePortDriver();
    platform::setPortAccess(&linuxPorts);
    ASSERT_TRUE(Systeme::OpenPortDriver());

    TFRM_Pref& p = pref();
    ASSERT_TRUE(clickOnScreen(p.RDB_Autoguide_Venner));
    chooseEntry(p.CBX_AG_PortSerie, 1);
    ASSERT_EQ(p.CBX_AG_PortSerie->currentText(), QStringLiteral("$02F8(COM2)"));
    ASSERT_TRUE(clickOnScreen(p.BTN_Autoguide_Connecter));
    ASSERT_TRUE(p.BTN_Autoguide_Est->isEnabled()) << boxes.texts().join('\n').toStdString();
    EXPECT_EQ(box.outputs, 0) << "all off once initialised";
    ASSERT_TRUE(pressOnScreen(p.BTN_Autoguide_Est));
    EXPECT_EQ(box.outputs, 1 << GuideProtocol::VennerOutput(dirEast));
    ASSERT_TRUE(releaseOnScreen(p.BTN_Autoguide_Est));
    EXPECT_EQ(box.outputs, 0);
    ASSERT_TRUE(clickOnScreen(p.BTN_Autoguide_Deconnecter));
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join('\n').toStdString();

    chooseEntry(p.CBX_AG_PortSerie, 0);
    const int latches = box.latches;
    ASSERT_TRUE(clickOnScreen(p.BTN_Autoguide_Connecter));
    EXPECT_TRUE(p.BTN_Autoguide_Connecter->isEnabled()) << "not connected";
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.texts()[0].contains(QStringLiteral("$03F8(COM1)"))) << boxes.texts()[0].toStdString();
    EXPECT_EQ(box.latches, latches);

    ASSERT_TRUE(clickOnScreen(p.RDB_Autoguide_Quillon));
    chooseEntry(p.CBX_AG_PortParallele, 0);
    ASSERT_TRUE(clickOnScreen(p.BTN_Autoguide_Connecter));
    EXPECT_TRUE(p.BTN_Autoguide_Connecter->isEnabled()) << "not connected";
    EXPECT_FALSE(p.BTN_Autoguide_Nord->isEnabled());
    ASSERT_TRUE(clickOnScreen(p.RDB_Focus_Quillon));
    chooseEntry(p.CBX_AG_Focus_PortParallele, 0);
    ASSERT_TRUE(clickOnScreen(p.BTN_Focus_Connecter));
    EXPECT_TRUE(p.BTN_Focus_Connecter->isEnabled()) << "not connected";
    EXPECT_FALSE(p.BTN_In->isEnabled());
    ASSERT_EQ(boxes.shown.size(), 3u) << boxes.texts().join('\n').toStdString();
    for (int i : {1, 2})
        EXPECT_TRUE(boxes.texts()[i].contains(QStringLiteral("(adresse 378)"))) << boxes.texts()[i].toStdString();
    ASSERT_TRUE(clickOnScreen(p.RDB_Autoguide_Aucun));
    ASSERT_TRUE(clickOnScreen(p.RDB_Focus_Aucun));
}
