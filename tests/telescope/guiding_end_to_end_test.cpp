// Guiding end to end: frames of a drifting sky pass the frame pipeline, the
// tracking step measures the guide star and sends corrections, and the mount
// they reach moves the sky back. The time is simulated: the frames, the
// mount and the pulse timers all run on the fake clock.

#include "guide_setup.h"
#include "mount_fixture.h"

#include "app/controls/num_inp.h"
#include "app/frm_alv.h"
#include "app/frm_message.h"
#include "app/ui/control_adapters.h"
#include "app/settings.h"
#include "app/startup.h"
#include "capture/camera_slots.h"
#include "capture/plugin_mgr.h"
#include "capture/slot_sources.h"
#include "imaging/display_zone.h"
#include "imaging/pipeline_state.h"
#include "imaging/process_frame.h"
#include "kernels/guide_measure.h"
#include "platform/camera_device.h"
#include "platform/clock.h"
#include "platform/com_io.h"
#include "platform/port_access.h"
#include "platform/simulated_camera.h"
#include "scripting/scripts.h"
#include "support/program/driver_choice.h"
#include "support/program/fresh_process.h"
#include "support/scripted_mount.h"
#include "support/star_field.h"
#include "support/temp_program_dir.h"
#include "support/user_input.h"
#include "telescope/guide_plugin.h"
#include "telescope/frm_prg_suivi.h"
#include "telescope/frm_raquette.h"
#include "telescope/frm_tool_suivi.h"
#include "telescope/mount_state.h"
#include "telescope/prg_suivi.h"
#include "telescope/sim/mount_simulator_device.h"
#include "telescope/sim/simulated_lx200_mount.h"
#include "telescope/track_step.h"
#include "telescope/tracking/tracking_state.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_images.h"
#include "tools/frm_tool_mesures.h"
#include "translation/translated_texts.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLibrary>
#include <QLineF>
#include <QRadioButton>
#include <QTimer>
#include <QSignalBlocker>
#include <QTest>
#include <QThread>
#include <cmath>
#include <numeric>

namespace {

constexpr double kScale = 5;          // seconds of arc per pixel
constexpr double kDriftX = 1.0;       // pixels per second
constexpr double kDriftY = -0.4;
constexpr int kFramePeriod_ms = 100;
constexpr int kTick_ms = 5;

// The LX200 mount chosen and connected, no delay between its serial
// commands, every guide speed 30"/s.
void connectTheLx200Mount()
{
    FRM_Pref->RDB_Mount_LX200->setChecked(true);
    FRM_Pref->SPED_Delai_Serie->setValue(0);
    ASSERT_TRUE(Prg_Suivi::ConnectMount());
    MotorSpeeds = {30, 30, 30, 30};
}

// Sets up the tracking window and the pipeline for autoguiding slot 1 on a
// one-star sky; returns the star's start position.
QPointF prepareGuiding(const testsupport::StarField& field)
{
    const QPointF star(field.stars()[0].x, field.stars()[0].y);
    aimTheGuideCameraAt(field, star.toPoint());

    auto* s = FRM_Tool_Suivi;
    s->CKB_Suivi->setChecked(true);
    {
        // The mount itself takes the guide moves: no guide port to connect.
        const QSignalBlocker quiet(s->RDB_Autoguidage);
        s->RDB_Autoguidage->setChecked(true);
    }
    s->RDB_Somax->setChecked(true);
    s->SPED_Intervalle_Guidage->setValue(5);
    GuideAverageInterval = 3;
    FRM_Tool_Affichage->TNI_Taille_ZDetect->SetValue(40);
    FRM_Tool_Mesures->TNI_Echantillonnage->SetValue(kScale);
    TFRM_Pref& p = *FRM_Pref;
    plainGuideMoves(p);
    return star;
}

// Runs the pulse timers of the command layer on the fake clock: a timer
// armed when a move command reached the mount fires once its interval has
// passed.
class PulseClock {
public:
    PulseClock(testsupport::FakeClock& clock) : clock_(clock) {}

    // After a frame: the axes whose move started during it.
    void noteStarts(bool raStarted, bool decStarted)
    {
        if (raStarted && FRM_Prg_Suivi->TMR_Suivi_AD->isActive())
            raDue_ = clock_.monotonicMs() + FRM_Prg_Suivi->TMR_Suivi_AD->interval();
        if (decStarted && FRM_Prg_Suivi->TMR_Suivi_Dec->isActive())
            decDue_ = clock_.monotonicMs() + FRM_Prg_Suivi->TMR_Suivi_Dec->interval();
    }
    void fireDue()
    {
        const std::int64_t now = clock_.monotonicMs();
        if (raDue_ >= 0 && now >= raDue_) {
            raDue_ = -1;
            if (FRM_Prg_Suivi->TMR_Suivi_AD->isActive())
                FRM_Prg_Suivi->TMR_Suivi_ADTimer();
        }
        if (decDue_ >= 0 && now >= decDue_) {
            decDue_ = -1;
            if (FRM_Prg_Suivi->TMR_Suivi_Dec->isActive())
                FRM_Prg_Suivi->TMR_Suivi_DecTimer();
        }
    }

private:
    testsupport::FakeClock& clock_;
    std::int64_t raDue_ = -1, decDue_ = -1;
};

int countOf(const QList<QByteArray>& commands, std::initializer_list<const char*> names)
{
    int n = 0;
    for (const QByteArray& c : commands)
        for (const char* name : names)
            n += c == name;
    return n;
}

} // namespace

// The LX200 mount on a pseudo-terminal moves the sky while ":Mw#" ... are
// held, at its guide rate of 30"/s, 6 pixels a second at 5"/pixel.
TEST_F(MountTest, GuidingThroughTheLx200MountHoldsTheDriftingStar)
{
    ASSERT_NO_FATAL_FAILURE(connectTheLx200Mount());
    const double ra0 = 20000, dec0 = 1000;
    mount.setPosition(ra0, dec0);

    const testsupport::StarField field = guideStarSky();
    const QPointF start = prepareGuiding(field);
    PulseClock pulses(clock);
    const std::int64_t t0 = clock.monotonicMs();
    double worst = 0;
    int frames = 0, raMoves = 0, decMoves = 0;
    for (std::int64_t t = 0; frames < 200; t += kTick_ms) {
        clock.advanceMs(kTick_ms);
        mount.pump();
        pulses.fireDue();
        if (t % kFramePeriod_ms != 0)
            continue;
        // The sky drifts; the mount's moves since the start carry it back.
        const double seconds = double(clock.monotonicMs() - t0) / 1000;
        const double dx = kDriftX * seconds + (mount.ra() - ra0) / kScale;
        const double dy = kDriftY * seconds + (mount.dec() - dec0) / kScale;
        field.renderInto(*SlotBitmaps[1][0], dx, dy, std::uint32_t(frames));
        worst = std::max(worst, std::hypot(dx, dy));
        const QList<QByteArray> before = mount.commands();
        std::uint8_t keep = 0;
        Align_V::ProcessFrame(1, keep, 1);
        mount.pump();
        const QList<QByteArray> sent = mount.commands().mid(before.size());
        const int ra = countOf(sent, {":Mw#", ":Me#"}), dec = countOf(sent, {":Mn#", ":Ms#"});
        raMoves += ra;
        decMoves += dec;
        pulses.noteStarts(ra > 0, dec > 0);
        ++frames;
    }
    EXPECT_LE(worst, 2.0) << "the star left its place by " << worst << " pixels";
    // Both axes were corrected: West and North moves that took up the 20
    // seconds of drift.
    EXPECT_GT(raMoves, 10);
    EXPECT_GT(decMoves, 3);
    const double seconds = double(clock.monotonicMs() - t0) / 1000;
    EXPECT_NEAR((mount.ra() - ra0) / kScale, -kDriftX * seconds, 2);
    EXPECT_NEAR((mount.dec() - dec0) / kScale, -kDriftY * seconds, 2);
    EXPECT_EQ(TrackedStarPos, start.toPoint()) << "autoguiding keeps the zone";
    EXPECT_TRUE(reports.isEmpty()) << reports.join('\n').toStdString();
}

// "Recentrage mecanique": with software tracking and re-centring on, a
// click near the star makes the click the target, and the LX200 mount's
// moves bring the drifting star there: the pulses shrink as it comes near
// and it stays. A Ctrl+Shift click then moves it the same way.
TEST_F(MountTest, RecentringBringsTheDriftingStarToTheTargetThroughTheLx200Mount)
{
    ASSERT_NO_FATAL_FAILURE(connectTheLx200Mount());
    const double ra0 = 20000, dec0 = 1000;
    mount.setPosition(ra0, dec0);

    const testsupport::StarField field = guideStarSky();
    const QPointF start = prepareGuiding(field);
    auto* s = FRM_Tool_Suivi;
    s->RDB_Suivi_logiciel->setChecked(true);
    s->CKB_Recentrage->setChecked(true);
    s->SPED_Intervalle_Guidage->setValue(10);
    FRM_Tool_Affichage->TNI_Taille_ZDetect->SetValue(90);
    FRM_Alv->setEnabled(true);
    FRM_Alv->Timer_Cam1->start(3'600'000);   // slot 1 delivers frames (the timer never fires here)
    field.renderInto(*SlotBitmaps[1][0], 0, 0, 0);
    const QPoint target = start.toPoint() + QPoint(-30, 12);
    mount.clearRecords();
    QTest::mouseClick(FRM_Alv->Image1, Qt::LeftButton, {}, target);
    ASSERT_EQ(RecentreTarget, target);
    mount.pump();
    // The star is right of and above the target: West and North only.
    EXPECT_EQ(countOf(mount.commands(), {":Me#", ":Ms#"}), 0) << mount.commands().join(' ').toStdString();
    EXPECT_EQ(countOf(mount.commands(), {":Mw#"}), 1) << mount.commands().join(' ').toStdString();

    PulseClock pulses(clock);
    pulses.noteStarts(FRM_Prg_Suivi->TMR_Suivi_AD->isActive(), FRM_Prg_Suivi->TMR_Suivi_Dec->isActive());
    QList<int> raPulses;   // each started RA pulse's length, ms
    if (FRM_Prg_Suivi->TMR_Suivi_AD->isActive())
        raPulses << FRM_Prg_Suivi->TMR_Suivi_AD->interval();
    const std::int64_t t0 = clock.monotonicMs();
    const double farAtStart = QLineF(start, QPointF(target)).length();
    double farthest = 0, nearLater = 0;
    QPointF star = start;
    auto run = [&](int count) {
        for (int frames = 0; frames < count;) {
            clock.advanceMs(kTick_ms);
            mount.pump();
            pulses.fireDue();
            if ((clock.monotonicMs() - t0) % kFramePeriod_ms != 0)
                continue;
            const double seconds = double(clock.monotonicMs() - t0) / 1000;
            const double dx = kDriftX * seconds + (mount.ra() - ra0) / kScale;
            const double dy = kDriftY * seconds + (mount.dec() - dec0) / kScale;
            field.renderInto(*SlotBitmaps[1][0], dx, dy, std::uint32_t(frames));
            star = start + QPointF(dx, dy);
            const QList<QByteArray> before = mount.commands();
            std::uint8_t keep = 0;
            Align_V::ProcessFrame(1, keep, 1);
            mount.pump();
            const QList<QByteArray> sent = mount.commands().mid(before.size());
            const int ra = countOf(sent, {":Mw#", ":Me#"}), dec = countOf(sent, {":Mn#", ":Ms#"});
            if (ra > 0)
                raPulses << FRM_Prg_Suivi->TMR_Suivi_AD->interval();
            pulses.noteStarts(ra > 0, dec > 0);
            ++frames;
        }
    };
    // 40 s: the star comes to the target within 15 s and stays there.
    for (int second = 0; second < 40; ++second) {
        run(10);
        const double off = QLineF(star, QPointF(target)).length();
        farthest = std::max(farthest, off);
        if (second >= 15)
            nearLater = std::max(nearLater, off);
    }
    EXPECT_LE(farthest, farAtStart + 2) << "the star went away from the target";
    EXPECT_LE(nearLater, 2.0) << "the star stayed " << nearLater << " pixels from the target";
    EXPECT_LE(std::abs(TrackedStarPos.x() - target.x()) + std::abs(TrackedStarPos.y() - target.y()), 3)
        << "the zone follows the star to the target";
    // The pulses shrink as the star comes near: the last ones only take up
    // the drift.
    ASSERT_GT(raPulses.size(), 10);
    const int firstLongest = *std::max_element(raPulses.begin(), raPulses.begin() + 3);
    EXPECT_GE(firstLongest, 2500) << "the first pulses take up most of the 30 pixels";
    for (qsizetype i = raPulses.size() - 10; i < raPulses.size(); ++i)
        EXPECT_LT(raPulses[i], 500) << "pulse " << i;

    // Ctrl+Shift 15 pixels left of the star, re-centring off and its last
    // pulse over: the star goes there, the same way.
    s->CKB_Recentrage->setChecked(false);
    run(5);
    const QPoint pointer = TrackedStarPos + QPoint(-15, 0);
    const QPointF before = star;
    // (a second later: not a double click)
    QTest::mouseClick(FRM_Alv->Image1, Qt::LeftButton, Qt::ControlModifier | Qt::ShiftModifier, pointer, 1000);
    mount.pump();
    pulses.noteStarts(FRM_Prg_Suivi->TMR_Suivi_AD->isActive(), FRM_Prg_Suivi->TMR_Suivi_Dec->isActive());
    run(25);
    EXPECT_LT(star.x(), before.x() - 10) << "the star moved toward the pointer";
    FRM_Alv->Timer_Cam1->stop();
    EXPECT_TRUE(reports.isEmpty()) << reports.join('\n').toStdString();
}

// Connecting the LX200 mount selects the hand pad's rate, "Slew" at first.
// A guide pulse then sets the guide rate first, so the mount moves at its
// guide speed (30"/s here, not 4 degrees a second), and the hand pad shows
// "Guide"; a rate the hand pad sets below "Find" is kept.
TEST_F(MountTest, GuidePulsesGoAtTheGuideRateWhateverRateTheConnectionSelected)
{
    pref().RDB_Mount_LX200->setChecked(true);
    pref().SPED_Delai_Serie->setValue(0);
    FRM_Raquette->CBX_Rate->clear();
    FRM_Raquette->CBX_Rate->addItems({"Slew", "Find", "Cntr", "Guide"});
    FRM_Raquette->CBX_Rate->setCurrentIndex(0);
    Prg_Suivi::MountConnectClick();
    ASSERT_EQ(mount.commands(), QList<QByteArray>{":RS#"});
    plainGuideMoves(pref());
    MotorSpeeds = {30, 30, 30, 30};
    FRM_Tool_Mesures->TNI_Echantillonnage->SetValue(kScale);
    FRM_Tool_Mesures->TNI_Orient->SetValue(0);
    const double ra0 = 20000, dec0 = 1000;
    mount.setPosition(ra0, dec0);
    mount.clearRecords();

    PulseClock pulses(clock);
    auto pulse = [&](double dx) {
        Align_V::SendGuideCorrection(dx, 0);
        mount.pump();
        pulses.noteStarts(true, false);
        for (int ms = 0; ms < 2000; ms += kTick_ms) {
            clock.advanceMs(kTick_ms);
            mount.pump();
            pulses.fireDue();
        }
        mount.pump();
    };
    // 6 pixels at 5"/pixel: one second at the guide speed.
    pulse(6);
    const QList<QByteArray> moves = mount.commands();
    ASSERT_GE(moves.size(), 2);
    EXPECT_EQ(moves[0], ":RG#") << "the guide rate before the pulse";
    EXPECT_EQ(countOf(moves, {":RG#"}), 1);
    EXPECT_NEAR(std::fabs(mount.ra() - ra0), 30, 3) << "moved at the guide speed";
    EXPECT_TRUE(FRM_Raquette->RDB_Guide->isChecked());
    EXPECT_EQ(FRM_Raquette->CBX_Rate->currentText(), QStringLiteral("Guide"));

    // Once at the guide rate, pulses go without another rate command.
    mount.clearRecords();
    pulse(-6);
    EXPECT_EQ(countOf(mount.commands(), {":RG#", ":RC#", ":RM#", ":RS#"}), 0);
    EXPECT_NEAR(mount.ra(), ra0, 3);

    // "Cntr" chosen on the hand pad stays; "Find" does not.
    FRM_Raquette->RDB_Cntr->click();
    mount.pump();
    mount.clearRecords();
    pulse(1);
    EXPECT_EQ(countOf(mount.commands(), {":RG#"}), 0);
    FRM_Raquette->RDB_Find->click();
    mount.pump();
    mount.clearRecords();
    pulse(1);
    ASSERT_FALSE(mount.commands().isEmpty());
    EXPECT_EQ(mount.commands().first(), ":RG#");
    EXPECT_TRUE(reports.isEmpty()) << reports.join('\n').toStdString();
}

// Without an image scale no correction has a length: nothing goes to the
// mount, the user is told once what to set, and guiding holds the star as
// soon as the scale is typed into the measurement window.
TEST_F(MountTest, GuidingWithoutAnImageScaleTellsOnceWhatToSetAndSendsNothing)
{
    ASSERT_NO_FATAL_FAILURE(connectTheLx200Mount());
    const double ra0 = 20000, dec0 = 1000;
    mount.setPosition(ra0, dec0);
    const testsupport::StarField field = guideStarSky();
    const QPointF start = prepareGuiding(field);
    auto* scale = app::findControl<TCustomNumInp>(FRM_Tool_Mesures, QStringLiteral("TNI_Echantillonnage"));
    ASSERT_TRUE(scale);
    scale->SetValue(0);   // no optics entered yet
    const std::int32_t lastWidth = LastVideoWidth;
    LastVideoWidth = CameraSlots[1].width;   // the camera that ran last is this one
    // Optics typed by the user, control by control: 10 um pixels, the whole
    // sensor on the frame, and the focal length that makes 5 seconds of arc
    // a pixel.
    auto enterOpticsGivingTheScale = [] {
        auto control = [](const char* name) {
            return app::findControl<TCustomNumInp>(FRM_Tool_Mesures, QString::fromLatin1(name));
        };
        app::findControl<QRadioButton>(FRM_Tool_Mesures, QStringLiteral("RDB_Manuelle"))->click();
        const double focal_mm = 0.010 / std::tan(kScale / 206264.806);
        for (const auto& [name, text] : {std::pair{"TNI_Larg_Pix", QStringLiteral("10")},
                                         std::pair{"TNI_NbPix_X", QString::number(CameraSlots[1].width)},
                                         std::pair{"TNI_Focale", QString::number(focal_mm, 'f', 3)}}) {
            TCustomNumInp* input = control(name);
            ASSERT_TRUE(input) << name;
            input->setText(text);
            ASSERT_TRUE(input->DoExit()) << name;
        }
    };
    FRM_Message->MEMO_Message->clear();
    reports.clear();

    PulseClock pulses(clock);
    const std::int64_t t0 = clock.monotonicMs();
    int frames = 0, moves = 0;
    double worstWithScale = 0;
    for (std::int64_t t = 0; frames < 300; t += kTick_ms) {
        clock.advanceMs(kTick_ms);
        mount.pump();
        pulses.fireDue();
        if (t % kFramePeriod_ms != 0)
            continue;
        if (frames == 100)
            enterOpticsGivingTheScale();   // the user types the optics into the measurement window
        const double seconds = double(clock.monotonicMs() - t0) / 1000;
        const double dx = kDriftX * seconds + (mount.ra() - ra0) / kScale;
        const double dy = kDriftY * seconds + (mount.dec() - dec0) / kScale;
        field.renderInto(*SlotBitmaps[1][0], dx, dy, std::uint32_t(frames));
        const QList<QByteArray> before = mount.commands();
        std::uint8_t keep = 0;
        Align_V::ProcessFrame(1, keep, 1);
        mount.pump();
        const QList<QByteArray> sent = mount.commands().mid(before.size());
        const int ra = countOf(sent, {":Mw#", ":Me#"}), dec = countOf(sent, {":Mn#", ":Ms#"});
        if (frames < 100)
            EXPECT_EQ(ra + dec, 0) << "frame " << frames << ": a move without a length";
        else
            moves += ra + dec;
        pulses.noteStarts(ra > 0, dec > 0);
        if (frames >= 200)
            worstWithScale = std::max(worstWithScale, std::hypot(dx, dy));
        ++frames;
    }
    const QString told = FRM_Message->MEMO_Message->toPlainText();
    EXPECT_EQ(told.count(QStringLiteral("Autoguidage : aucune correction")), 1) << told.toStdString();
    EXPECT_TRUE(told.contains(QStringLiteral("Mesures"))) << "names where to set it";
    LastVideoWidth = lastWidth;
    EXPECT_NEAR(double(scale->Value()), kScale, 0.01) << "the scale the measurement window computed";
    EXPECT_GT(moves, 5);
    EXPECT_LE(worstWithScale, 3.0) << "caught up once the scale was there";
    EXPECT_EQ(TrackedStarPos, start.toPoint());
}

// ---- Through the simulator plug-in ------------------------------------------

namespace {

// The simulator plug-in's time taken in hand through its test entry points:
// it stands still and moves by steps to the next frame, handing that frame
// over, and on the way ends the guide pulses that fall due (their timers run
// on this time instead of the real clock). A busy machine changes nothing.
class SteppedPluginTime {
public:
    static constexpr std::int64_t kFramePeriod_ms = 100;

    explicit SteppedPluginTime(const QString& library) : lib_(library)
    {
        manual_ = reinterpret_cast<void (*)(std::int32_t)>(lib_.resolve("nj_simulator_manual_clock"));
        advance_ = reinterpret_cast<void (*)(std::int32_t, std::int32_t)>(lib_.resolve("nj_simulator_advance_ms"));
        if (ready())
            manual_(1);
    }
    ~SteppedPluginTime()
    {
        if (ready())
            manual_(0);
    }
    bool ready() const { return manual_ && advance_; }
    std::int64_t nowMs() const { return now_; }
    // Time each direction has moved, ms.
    const std::array<std::int64_t, 4>& movedMs() const { return moved_; }

    // To the next frame's time; the plug-in hands the frame over there.
    void toNextFrame()
    {
        for (;;) {
            takeStartedPulses();
            std::int64_t next = nextFrame_;
            for (std::int64_t due : dues_)
                if (due >= 0)
                    next = std::min(next, due);
            const bool frame = next == nextFrame_;
            advance_(std::int32_t(next - now_), frame ? 1 : 0);
            for (std::size_t d = 0; d < 4; ++d)
                moved_[d] += MovingFlags[d] ? next - now_ : 0;
            now_ = next;
            endDuePulses();
            if (frame) {
                nextFrame_ += kFramePeriod_ms;
                return;
            }
        }
    }

private:
    QTimer* timer(std::size_t axis) const
    {
        return axis == 0 ? FRM_Prg_Suivi->TMR_Suivi_AD : FRM_Prg_Suivi->TMR_Suivi_Dec;
    }
    // A pulse armed since the last look started at this time: it ends on
    // this time, never on the real clock.
    void takeStartedPulses()
    {
        for (std::size_t axis = 0; axis < 2; ++axis)
            if (timer(axis)->isActive()) {
                dues_[axis] = now_ + timer(axis)->interval();
                timer(axis)->stop();
            }
    }
    void endDuePulses()
    {
        for (std::size_t axis = 0; axis < 2; ++axis)
            if (dues_[axis] >= 0 && now_ >= dues_[axis]) {
                dues_[axis] = -1;
                axis == 0 ? FRM_Prg_Suivi->TMR_Suivi_ADTimer() : FRM_Prg_Suivi->TMR_Suivi_DecTimer();
            }
    }

    QLibrary lib_;
    void (*manual_)(std::int32_t) = nullptr;
    void (*advance_)(std::int32_t, std::int32_t) = nullptr;
    std::int64_t now_ = 0, nextFrame_ = kFramePeriod_ms;
    std::array<std::int64_t, 2> dues_{-1, -1};
    std::array<std::int64_t, 4> moved_{};
};

// The program's windows with the simulator plug-in in the program's Plugins
// folder and no other camera; the plug-in's camera streams on its own
// thread in real time, or on its stepped time once a test takes it in hand.
class SimulatorGuiding : public ::testing::Test {
protected:
    void SetUp() override
    {
        testsupport::StartAsAFreshProcess();
        platform::setPortAccess(&ports);
        // The port lists the Preferences offer, as shipped.
        dir.copyShipped({"sports.ini", "pports.ini"});
        Startup::CreateWindows();
        FRM_Alv->FormActivate();
        platform::setGrabCameras(&noCameras);
        platform::setStreamCameras(&noCameras);
        QDir().mkpath(dir.filePath(QStringLiteral("Plugins")));
        ASSERT_TRUE(QFile::copy(QStringLiteral(NJ_SIMULATOR_PLUGIN), dir.filePath(QStringLiteral("Plugins/NJ_Simulator.so"))));
        PluginManager = std::make_unique<TPluginMgr>(FRM_Alv, 255u, dir.filePath(QStringLiteral("Plugins")));
        Capture::InstallGuiderProvider();
    }
    void TearDown() override
    {
        Capture::ReleaseSlotSource(1);
        stepped.reset();
        Prg_Suivi::StopGuidePort();
        Prg_Suivi::DisconnectGuidePort();
        Prg_Suivi::ResetMotionState();
        PluginManager.reset();
        GuidePlugin::SetProvider({});
        platform::setGrabCameras(nullptr);
        platform::setStreamCameras(nullptr);
        Startup::DestroyWindows();
        CameraSlots = {};
        CurrentCameraSlot = 1;
        SlotModes = {};
        Scripts::StopAll();
        platform::setPortAccess(nullptr);
    }

    // Starts the plug-in's first camera on slot 1 (each frame handed over
    // at once) and chooses its guider, with no neutral zone, backlash or
    // inertia; scale in seconds of arc per pixel.
    void startPluginCameraAndGuider(double scale)
    {
        ASSERT_FALSE(PluginManager->Cameras.empty());
        ASSERT_FALSE(PluginManager->Guiders.empty());
        FRM_Tool_Affichage->CBX_Cam1_IPS->setCurrentText(QStringLiteral("Auto"));
        testsupport::AnswerDriverChoice(0);
        FRM_Alv->MNU_Cam1_DemarrerClick();
        ASSERT_EQ(CameraSlots[1].sourceKind, 3);
        ASSERT_TRUE(runFrames(3));

        TFRM_Pref& p = *FRM_Pref;
        p.CBX_Autoguide_Plugin->addItem(PluginManager->Guiders[0]->Name);
        p.CBX_Autoguide_Plugin->setCurrentIndex(0);
        p.RDB_Autoguide_Plugin->setChecked(true);
        MotorSpeeds = {6, 6, 6, 6};
        FRM_Tool_Mesures->TNI_Orient->SetValue(180);
        FRM_Tool_Mesures->TNI_Echantillonnage->SetValue(scale);
        plainGuideMoves(p);
    }

    // Tracking by the brightest star of slot 1's frames (Somme Axes), its
    // zone zoneSize pixels wide: one tracking step over the whole frame
    // finds it and makes it the tracked star.
    void lockTheBrightestStar(int zoneSize)
    {
        Align_V::ResetTrackingState();
        GuideSourceSlot = CurrentCameraSlot = 1;
        FRM_Tool_Suivi->RDB_Somax->setChecked(true);
        FRM_Tool_Affichage->TNI_Taille_ZDetect->SetValue(zoneSize);
        const int W = CameraSlots[1].width, H = CameraSlots[1].height;
        Align_V::TrackStep(W / 2, H / 2, W - 2, H - 2, 1, 0, 1, 1, TrackResult, 0);
    }

    // Processes events until the slot has handed over `frames` more frames
    // (false after 60 s without them); `each` runs after every frame. On
    // stepped time each frame is handed over by a step and processed before
    // the next.
    bool runFrames(int frames, const std::function<void()>& each = {})
    {
        if (stepped) {
            for (int i = 0; i < frames; ++i) {
                const int before = FrameCounters[1];
                stepped->toNextFrame();
                QElapsedTimer waited;
                waited.start();
                while (FrameCounters[1] == before) {
                    if (waited.elapsed() > 60000)
                        return false;
                    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
                }
                if (each)
                    each();
            }
            return true;
        }
        QElapsedTimer waited;
        waited.start();
        const int target = FrameCounters[1] + frames;
        int seen = FrameCounters[1];
        while (FrameCounters[1] < target) {
            if (waited.elapsed() > 60000)
                return false;
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
            if (FrameCounters[1] != seen) {
                seen = FrameCounters[1];
                if (each)
                    each();
            }
        }
        return true;
    }

    // The boxes shown so far that contain `what`.
    int told(const char* what) const
    {
        int n = 0;
        for (const QString& text : boxes.texts())
            n += text.contains(QLatin1String(what));
        return n;
    }
    // A comports.map line naming a missing device for COM3 (an adapter unplugged).
    QByteArray missingCom3() const { return "COM3=" + dir.filePath(QStringLiteral("absent/ttyUSB0")).toUtf8() + '\n'; }

    // The plug-in camera and guider running on time the test steps, COM3
    // mapped to a missing device, serial commands sent without delay.
    void startWithCom3Missing()
    {
        ASSERT_NO_FATAL_FAILURE(stepThePluginsTime());
        ASSERT_NO_FATAL_FAILURE(startPluginCameraAndGuider(1));
        dir.writeFile(QStringLiteral("comports.map"), missingCom3());
        FRM_Pref->SPED_Delai_Serie->setValue(0);
    }

    // Takes the plug-in's time in hand until the test ends.
    void stepThePluginsTime()
    {
        stepped = std::make_unique<SteppedPluginTime>(dir.filePath(QStringLiteral("Plugins/NJ_Simulator.so")));
        ASSERT_TRUE(stepped->ready());
    }

    testsupport::TempProgramDir dir;
    testsupport::RecordingMessageService boxes;
    platform::SimulatedPortAccess ports;
    platform::CameraTable noCameras;
    std::unique_ptr<SteppedPluginTime> stepped;
};

// Centre of the light above the sky within 12 pixels of `near`.
QPointF starCentre(const kernels::Bitmap24& frame, QPoint near, int sky)
{
    double sx = 0, sy = 0, sw = 0;
    for (int y = near.y() - 12; y <= near.y() + 12; ++y)
        for (int x = near.x() - 12; x <= near.x() + 12; ++x) {
            if (!frame.contains(x, y))
                continue;
            const double w = std::max(0, kernels::guide::greyOf(frame.scanLine(y) + 3 * x) - sky);
            sx += w * x;
            sy += w * y;
            sw += w;
        }
    return sw > 0 ? QPointF(sx / sw, sy / sw) : QPointF(near);
}

} // namespace

// The simulator's camera drifts its sky by (1.5, 0.4) pixels a second; its
// guider moves the sky at 6 pixels a second, and it turns it as a camera
// turned by 180 degrees would, which the measurement tool's orientation says.
// Five minutes of the plug-in's time, a frame each 100 ms, stepped.
TEST_F(SimulatorGuiding, GuidingThroughThePluginsGuiderHoldsItsDriftingStar)
{
    stepThePluginsTime();
    if (HasFatalFailure())
        return;
    // The camera, and the guider at its rate, 1"/pixel.
    startPluginCameraAndGuider(1);
    if (HasFatalFailure())
        return;

    // The guide star: the brightest of the frame; then autoguiding.
    auto* s = FRM_Tool_Suivi;
    s->SPED_Intervalle_Guidage->setValue(3);
    GuideAverageInterval = 3;
    lockTheBrightestStar(30);
    const int W = CameraSlots[1].width;
    const QPoint zone = TrackedStarPos;
    ASSERT_GT(zone.x(), 40);
    ASSERT_LT(zone.x(), W - 40);
    FRM_Pref->RDB_Autoguide_Plugin->click();
    s->RDB_Autoguidage->click();
    ASSERT_TRUE(s->RDB_Autoguidage->isChecked());
    s->CKB_Suivi->click();
    const std::array<std::int64_t, 4> movedBefore = stepped->movedMs();
    const std::int64_t t0 = stepped->nowMs();

    // The star's place, smoothed over five frames against the seeing's
    // tremble, never leaves its start by more than 2 pixels.
    std::vector<QPointF> seen;
    const auto measure = [&] { seen.push_back(starCentre(*SlotBitmaps[1][0], zone, 40)); };
    ASSERT_TRUE(runFrames(3000, measure));
    const auto mean5 = [&](std::size_t i) {
        return (seen[i] + seen[i + 1] + seen[i + 2] + seen[i + 3] + seen[i + 4]) / 5;
    };
    const QPointF start = mean5(0);
    double worst = 0;
    for (std::size_t i = 0; i + 4 < seen.size(); ++i)
        worst = std::max(worst, QLineF(start, mean5(i)).length());
    EXPECT_LE(worst, 2.0) << "the star left its place by " << worst << " pixels";
    EXPECT_EQ(TrackedStarPos, zone) << "autoguiding keeps the zone";

    // Unguided, it would have gone 450 pixels to the right and 120 down:
    // the moves took that back at 6 pixels a second, East for 75 s more
    // than West and North for 20 s more than South (within the 2 pixels the
    // star may be off, a third of a second).
    const double seconds = double(stepped->nowMs() - t0) / 1000;
    EXPECT_NEAR(seconds, 300, 0.2);
    const auto moved = [&](std::uint8_t d) { return double(stepped->movedMs()[d] - movedBefore[d]) / 1000; };
    EXPECT_NEAR(moved(dirEast) - moved(dirWest), 1.5 * seconds / 6, 0.4)
        << moved(dirEast) << " s East, " << moved(dirWest) << " s West";
    EXPECT_NEAR(moved(dirNorth) - moved(dirSouth), 0.4 * seconds / 6, 0.4)
        << moved(dirNorth) << " s North, " << moved(dirSouth) << " s South";

    // Tracking off: nothing moves any more, the star drifts with the sky
    // alone (15 pixels right and 4 down in 10 s).
    s->CKB_Suivi->click();
    EXPECT_EQ(MovingFlags, (std::array<std::uint8_t, 4>{}));
    const std::array<std::int64_t, 4> movedAtStop = stepped->movedMs();
    const QPointF before = starCentre(*SlotBitmaps[1][0], zone, 40);
    std::vector<QPointF> after;
    ASSERT_TRUE(runFrames(100, [&] { after.push_back(starCentre(*SlotBitmaps[1][0], (before + QPointF(15, 4)).toPoint(), 40)); }));
    const QPointF last = (after[95] + after[96] + after[97] + after[98] + after[99]) / 5;
    EXPECT_NEAR(last.x() - before.x(), 14.7, 1.5);
    EXPECT_NEAR(last.y() - before.y(), 3.9, 1.5);
    EXPECT_EQ(stepped->movedMs(), movedAtStop);
}

// A Ctrl+Shift click 12 pixels right of the tracked star asks the plug-in's
// guider to bring the star there: the sky moves until the star is under the
// pointer (within 2 pixels), as the frames show it.
TEST_F(SimulatorGuiding, ACtrlShiftClickBringsTheStarUnderThePointer)
{
    startPluginCameraAndGuider(1);
    if (HasFatalFailure())
        return;
    auto* s = FRM_Tool_Suivi;
    lockTheBrightestStar(30);
    const int W = CameraSlots[1].width;
    ASSERT_GT(TrackedStarPos.x(), 40);
    ASSERT_LT(TrackedStarPos.x(), W - 60);
    // Software tracking: the zone follows the star, the mount is left alone.
    s->RDB_Suivi_logiciel->setChecked(true);
    s->CKB_Suivi->setChecked(true);
    ASSERT_TRUE(runFrames(3));

    // Corrections are asked only of a mount: the plug-in serves both.
    FRM_Pref->RDB_Mount_Plugin->setChecked(true);
    const QPoint click = TrackedStarPos + QPoint(12, 0);
    QTest::mouseClick(FRM_Alv->Image1, Qt::LeftButton, Qt::ControlModifier | Qt::ShiftModifier, click);
    double nearest = 1e9;
    const auto measure = [&] {
        const QPointF star = starCentre(*SlotBitmaps[1][0], TrackedStarPos, 40);
        nearest = std::min(nearest, QLineF(star, QPointF(click)).length());
    };
    for (int i = 0; i < 80 && nearest > 2; ++i)
        ASSERT_TRUE(runFrames(1, measure));
    EXPECT_LE(nearest, 2.0) << "the star came no nearer the click than " << nearest << " pixels";
}

// Re-centring through the plug-in's guider: a click 12 pixels right of the
// star with "Recentrage mecanique" on makes the click the target, and the
// sky moves until the star is there and stays, as a Ctrl+Shift click does.
TEST_F(SimulatorGuiding, RecentringBringsTheStarToTheClickedTarget)
{
    startPluginCameraAndGuider(1);
    if (HasFatalFailure())
        return;
    auto* s = FRM_Tool_Suivi;
    s->SPED_Intervalle_Guidage->setValue(3);
    lockTheBrightestStar(40);
    const int W = CameraSlots[1].width;
    ASSERT_GT(TrackedStarPos.x(), 40);
    ASSERT_LT(TrackedStarPos.x(), W - 60);
    s->RDB_Suivi_logiciel->setChecked(true);
    s->CKB_Suivi->setChecked(true);
    FRM_Pref->RDB_Mount_Plugin->setChecked(true);
    s->CKB_Recentrage->setChecked(true);
    ASSERT_TRUE(runFrames(3));

    const QPoint target = TrackedStarPos + QPoint(12, 0);
    QTest::mouseClick(FRM_Alv->Image1, Qt::LeftButton, {}, target);
    ASSERT_EQ(RecentreTarget, target);
    std::vector<double> off;
    const auto measure = [&] {
        off.push_back(QLineF(starCentre(*SlotBitmaps[1][0], TrackedStarPos, 40), QPointF(target)).length());
    };
    ASSERT_TRUE(runFrames(120, measure));
    const double farthest = *std::max_element(off.begin(), off.end());
    const double lastMean = std::accumulate(off.end() - 20, off.end(), 0.0) / 20;
    EXPECT_LE(farthest, 16) << "the star went away from the target";
    EXPECT_LE(lastMean, 2.0) << "the star stayed " << lastMean << " pixels from the target";
    s->CKB_Suivi->click();
}

TEST_F(SimulatorGuiding, ThePluginButtonListsEveryGuiderAsPluginColonDevice)
{
    ASSERT_FALSE(PluginManager->Guiders.empty());
    FRM_Pref->CBX_Autoguide_Plugin->addItem(QStringLiteral("stale"));
    FRM_Pref->RDB_Autoguide_Plugin->click();
    const QComboBox* list = FRM_Pref->CBX_Autoguide_Plugin;
    ASSERT_EQ(list->count(), int(PluginManager->Guiders.size()));
    const TGuiderRecord* first = PluginManager->Guiders.front();
    EXPECT_EQ(list->itemText(0), first->Guider.Owner->FriendlyName + u':' + first->Name);
    EXPECT_FALSE(first->Name.isEmpty());
    EXPECT_EQ(list->currentIndex(), 0);
    EXPECT_FALSE(FRM_Pref->GRB_Choix_Plugins_Mount->isHidden());
}

// Choosing the plug-in's guider opens autoguiding and the telescope menu as
// every other guide interface does; the guide page's buttons connect it
// (locking the page's choices) and disconnect it again (unlocking them),
// and the mount is left as it was.
TEST_F(SimulatorGuiding, TheGuidePageConnectsAndDisconnectsThePluginsGuiderForAutoguiding)
{
    ASSERT_FALSE(PluginManager->Guiders.empty());
    TFRM_Pref& p = *FRM_Pref;
    ASSERT_TRUE(p.RDB_Mount_Aucun->isChecked());
    ASSERT_FALSE(FRM_Tool_Suivi->RDB_Autoguidage->isEnabled()) << "no guide interface yet";
    p.RDB_Autoguide_Plugin->click();
    EXPECT_TRUE(FRM_Tool_Suivi->RDB_Autoguidage->isEnabled());
    EXPECT_TRUE(FRM_Alv->MNU_Telescope->isEnabled());

    p.BTN_Autoguide_Connecter->click();
    EXPECT_NE(GuidePlugin::Instance.handle, 0);
    EXPECT_FALSE(p.RDB_Autoguide_LX200->isEnabled());
    EXPECT_FALSE(p.BTN_Autoguide_Connecter->isEnabled());
    ASSERT_TRUE(p.BTN_Autoguide_Deconnecter->isEnabled());
    p.BTN_Autoguide_Deconnecter->click();
    EXPECT_EQ(GuidePlugin::Instance.handle, 0);
    EXPECT_TRUE(p.RDB_Autoguide_LX200->isEnabled());
    EXPECT_TRUE(p.RDB_Autoguide_Plugin->isEnabled());
    EXPECT_TRUE(p.BTN_Autoguide_Connecter->isEnabled());
    EXPECT_FALSE(p.BTN_Autoguide_Deconnecter->isEnabled());
    EXPECT_TRUE(p.RDB_Mount_Aucun->isChecked());
    EXPECT_EQ(MovingFlags, (std::array<std::uint8_t, 4>{}));
}

// Motor-speed learning on the plug-in's guider (6 pixels a second, 12"/s at
// 2"/pixel): West, North, East and South for two seconds each (long enough
// for the whole-pixel star positions and the frames' delay to matter
// little), one move at a time, each stopped before the next; the camera's
// sky drifts by (1.5, 0.4) pixels a second besides, which opposite
// directions cancel.
TEST_F(SimulatorGuiding, LearningTheMotorSpeedsMovesEachDirectionInTurn)
{
    startPluginCameraAndGuider(2);
    if (HasFatalFailure())
        return;
    TFRM_Pref& p = *FRM_Pref;
    p.TNI_Duree_test->SetValue(2000);
    p.SPED_Iterations->setValue(1);

    // Tracking on a bright star, not autoguiding, as the learn button sets it.
    lockTheBrightestStar(40);
    auto* s = FRM_Tool_Suivi;
    s->SPED_Seuil_Detect_Min->setValue(0);
    s->RDB_Cadres->setChecked(true);
    s->CKB_Suivi->setChecked(true);

    // The execute button's start, and the learning timer's tick.
    Learning = {};
    ProcedureStart = {QPointF(TrackedStarPos), platform::clock().monotonicMs()};
    ProcedureState = 14;
    QObject::connect(FRM_Alv->TMR_Appr, &QTimer::timeout, FRM_Alv, [] { Learning.tick = 1; });

    std::vector<int> order;
    bool together = false, guidingSource = true;
    const auto watch = [&] {
        int moving = -1, count = 0;
        for (int d = 0; d < 4; ++d)
            if (MovingFlags[std::size_t(d)]) {
                moving = d;
                ++count;
            }
        together |= count > 1;
        if (count == 1) {
            guidingSource &= MotionSource == 1;
            if (order.empty() || order.back() != moving)
                order.push_back(moving);
        }
    };
    QElapsedTimer waited;
    waited.start();
    while (ProcedureState == 14 && waited.elapsed() < 30000)
        ASSERT_TRUE(runFrames(1, watch));

    EXPECT_EQ(ProcedureState, 13);
    EXPECT_EQ(order, (std::vector<int>{dirWest, dirNorth, dirEast, dirSouth}));
    EXPECT_FALSE(together);
    EXPECT_TRUE(guidingSource);
    EXPECT_EQ(MovingFlags, (std::array<std::uint8_t, 4>{}));
    EXPECT_FALSE(FRM_Alv->TMR_Appr->isActive());
    const double west = double(p.TNI_Vitesse_Ouest->Value()), east = double(p.TNI_Vitesse_Est->Value());
    const double north = double(p.TNI_Vitesse_Nord->Value()), south = double(p.TNI_Vitesse_Sud->Value());
    // The drift adds up to 3"/s to one direction of an axis and takes it
    // from the other. The star's place is measured in whole pixels (one
    // pixel is 1"/s over two seconds) on frames that arrive late when the
    // machine is busy: a fifth either way.
    for (double v : {west, east, north, south})
        EXPECT_NEAR(v, 12, 6) << west << " " << east << " " << north << " " << south;
    EXPECT_NEAR((west + east) / 2, 12, 2.4) << west << " " << east;
    EXPECT_NEAR((north + south) / 2, 12, 2.4) << north << " " << south;
    EXPECT_EQ(MotorSpeeds.West, west);
}

// An LX200 mount and guide port on COM3, whose device is missing (an
// unplugged adapter) or goes away while guiding, beside a sequence of five
// pictures, one every image: every frame is kept and saved as without
// guiding and the sequence ends. Choosing autoguiding on the missing device
// tells why and leaves "Autoguidage" unchecked; a device gone, and a
// correction that finds the port missing again, are each told once however
// many corrections meet them (not the writes to the port that did not
// open), and "Connecter" tells it again.
TEST_F(SimulatorGuiding, AGuidePortThatCannotOpenOrGoesAwayCostsNoPictureOfASequence)
{
    ASSERT_NO_FATAL_FAILURE(startWithCom3Missing());
    TFRM_Pref& p = *FRM_Pref;
    const QByteArray missing = missingCom3();
    ASSERT_TRUE(clickOnScreen(p.RDB_Mount_LX200));
    ASSERT_TRUE(clickOnScreen(p.RDB_Autoguide_LX200));
    testsupport::pick(p.CBX_AG_PortSerie, QStringLiteral("      COM3"));
    auto* s = FRM_Tool_Suivi;
    s->SPED_Intervalle_Guidage->setValue(1);
    s->SPED_Intervalle_Moy->setValue(1);
    lockTheBrightestStar(30);
    ASSERT_TRUE(clickOnScreen(s->CKB_Suivi));
    // Five pictures, one every image, saved under prefix while 2 + frames
    // frames come (meanwhile runs after the first two): all of them, and
    // the sequence has ended.
    auto* t = FRM_Tool_Images;
    const auto sequence = [&](const QString& prefix, int frames, const std::function<void()>& meanwhile) {
        testsupport::typeInto(t->EDT_Nom_Image, dir.filePath(prefix));
        testsupport::click(t->RDB_Pendant);
        testsupport::typeInto(t->SPED_Pendant, QStringLiteral("5"));
        testsupport::click(t->BTN_Demarrer_Sauv);
        ASSERT_TRUE(SequenceSaving);
        ASSERT_TRUE(runFrames(2));
        if (meanwhile)
            meanwhile();
        ASSERT_TRUE(runFrames(frames));
        EXPECT_FALSE(SequenceSaving) << prefix.toStdString();
        EXPECT_EQ(QDir(dir.path()).entryList({prefix + u'*'}, QDir::Files).size(), 5) << prefix.toStdString();
    };

    ASSERT_TRUE(clickOnScreen(s->RDB_Autoguidage));
    EXPECT_FALSE(s->RDB_Autoguidage->isChecked()) << "the port could not be connected";
    EXPECT_EQ(told("open_com, erreur = 2"), 1) << boxes.texts().join(u'|').toStdString();
    EXPECT_TRUE(p.BTN_Autoguide_Connecter->isEnabled());
    ASSERT_NO_FATAL_FAILURE(sequence(QStringLiteral("missing_"), 6, {}));

    // The device there: autoguiding connects and corrects, until it goes.
    testsupport::ScriptedMount scripted;
    ASSERT_TRUE(scripted.isOpen());
    dir.writeFile(QStringLiteral("comports.map"), "COM3=" + scripted.devicePath().toUtf8() + '\n');
    ASSERT_TRUE(clickOnScreen(s->RDB_Autoguidage));
    ASSERT_TRUE(s->RDB_Autoguidage->isChecked());
    ASSERT_NO_FATAL_FAILURE(sequence(QStringLiteral("gone_"), 10, [&] {
        scripted.waitUntilRead();
        EXPECT_FALSE(scripted.commands().isEmpty()) << "the corrections reached the mount";
        scripted.hangUp();
    }));
    EXPECT_TRUE(s->RDB_Autoguidage->isChecked());
    EXPECT_EQ(told("put_string, erreur = "), 1) << boxes.texts().join(u'|').toStdString();

    // Tracking off, the line closed; tracking on again with the device
    // missing: each correction connects first and fails.
    ASSERT_TRUE(clickOnScreen(s->CKB_Suivi));
    ASSERT_TRUE(clickOnScreen(p.BTN_Mount_Deconnecter));
    ASSERT_TRUE(p.BTN_Mount_Connecter->isEnabled());
    dir.writeFile(QStringLiteral("comports.map"), missing);
    ASSERT_TRUE(clickOnScreen(s->CKB_Suivi));
    ASSERT_NO_FATAL_FAILURE(sequence(QStringLiteral("again_"), 10, {}));
    EXPECT_EQ(told("open_com, erreur = 2"), 2) << boxes.texts().join(u'|').toStdString();
    EXPECT_EQ(told("put_string, erreur = "), 1) << "nothing more of the port that did not open";
    ASSERT_TRUE(clickOnScreen(p.BTN_Mount_Connecter));
    EXPECT_EQ(told("open_com, erreur = 2"), 3) << "asked for, it is told again";

    ASSERT_TRUE(clickOnScreen(s->CKB_Suivi));
    ASSERT_TRUE(clickOnScreen(p.RDB_Mount_Aucun));
    ASSERT_TRUE(clickOnScreen(p.RDB_Autoguide_Aucun));
}

// The automatic focusing on an LX200 focuser on COM3 whose device is missing
// (an unplugged adapter) or goes away between a step's start and its stop:
// the focusing ends as "Arrêter" ends it, "Demarrer" offered again and the
// focusing measure off, the failure told once, and the camera's frames go
// on being measured.
TEST_F(SimulatorGuiding, AnAutofocusWhoseFocuserCannotBeReachedEnds)
{
    ASSERT_NO_FATAL_FAILURE(startWithCom3Missing());
    TFRM_Pref& p = *FRM_Pref;
    p.SPED_Nb_Mesures->setValue(2);
    p.SPED_Tps_Base_Autofocus->setValue(400);
    p.TNI_FWHM_Stop->SetValue(0.1);
    ASSERT_TRUE(clickOnScreen(p.RDB_Focus_LX200));
    testsupport::pick(p.CBX_AG_Focus_PortSerie, QStringLiteral("      COM3"));
    lockTheBrightestStar(30);
    auto* r = FRM_Raquette;
    auto* a = FRM_Tool_Affichage;
    const auto atRest = [&] {
        return r->BTN_Demarrer_Autofocus->isEnabled() && !r->AutofocusRunning() && !r->TMR_Autofocus->isActive()
               && !a->CKB_MAP->isChecked();
    };

    // "Arrêter" before any step: its stop meets the missing device.
    ASSERT_TRUE(clickOnScreen(r->BTN_Demarrer_Autofocus));
    ASSERT_TRUE(clickOnScreen(r->BTN_Arreter_Autofocus));
    EXPECT_TRUE(atRest()) << "stopped by the user";
    QTRY_COMPARE(told("open_com, erreur = 2"), 1);
    // Left running, its first step meets it.
    ASSERT_TRUE(clickOnScreen(r->BTN_Demarrer_Autofocus));
    ASSERT_TRUE(a->CKB_MAP->isChecked());
    ASSERT_TRUE(runFrames(8));
    EXPECT_TRUE(atRest()) << "missing device";
    EXPECT_EQ(told("open_com, erreur = 2"), 1) << boxes.texts().join(u'|').toStdString();
    EXPECT_GT(double(a->TNI_FWHM->Value()), 0) << "the frames were measured";

    // The device there, gone once the step has started the focuser.
    testsupport::ScriptedMount scripted;
    dir.writeFile(QStringLiteral("comports.map"), "COM3=" + scripted.devicePath().toUtf8() + '\n');
    ASSERT_TRUE(clickOnScreen(r->BTN_Demarrer_Autofocus));
    for (int i = 0; i < 8 && !r->TMR_Autofocus->isActive(); ++i)
        ASSERT_TRUE(runFrames(1));
    ASSERT_TRUE(r->TMR_Autofocus->isActive()) << boxes.texts().join(u'|').toStdString();
    scripted.waitUntilRead();
    EXPECT_TRUE(scripted.commands().contains(":F-#"));
    scripted.hangUp();
    QTRY_VERIFY_WITH_TIMEOUT(atRest(), 10000);
    ASSERT_TRUE(runFrames(4));
    EXPECT_TRUE(atRest()) << "device gone";
    EXPECT_EQ(told("put_string, erreur = "), 1) << boxes.texts().join(u'|').toStdString();
    EXPECT_EQ(told("open_com, erreur = 2"), 1);
}

// ---- Through the simulated mount on COM20, with the guide log ---------------

namespace {

// The moves a guide log line says were sent, RA then Dec: ":Mw#" ... for
// each axis whose pulse lasted longer than 0 ms.
QList<QByteArray> movesOfLogLine(const QString& line)
{
    const QStringList f = line.split(QLatin1Char(';'));
    QList<QByteArray> moves;
    if (f.size() != 9)
        return {QByteArrayLiteral("bad line: ") + line.toUtf8()};
    const auto add = [&](const QString& duration, const QString& direction) {
        if (duration.toLongLong() == 0)
            return;
        const QString words[] = {TranslatedTexts.Txt_Nord, TranslatedTexts.Txt_Sud, TranslatedTexts.Txt_Est,
                                 TranslatedTexts.Txt_Ouest};
        const char* codes[] = {":Mn#", ":Ms#", ":Me#", ":Mw#"};
        for (int d = 0; d < 4; ++d)
            if (direction == words[d])
                return void(moves << codes[d]);
        moves << QByteArrayLiteral("unknown direction ") + direction.toUtf8();
    };
    add(f[3], f[4]);
    add(f[7], f[8]);
    return moves;
}

// The simulator's commands once it has received `count` of `kinds` (10 s
// of real time at most: it reads the port on a thread of its own).
QList<QByteArray> simulatorCommandsOnce(int count, std::initializer_list<const char*> kinds)
{
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        const QList<QByteArray> seen = Telescope::MountSimulator()->commands();
        if (countOf(seen, kinds) >= count || waited.elapsed() > 10000)
            return seen;
        QThread::msleep(5);
    }
}

QStringList fileLines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

// Disconnects the guide port and stops the simulator, however the test ends.
struct SimulatorGuard {
    ~SimulatorGuard()
    {
        Prg_Suivi::StopGuidePort();
        Prg_Suivi::DisconnectGuidePort();
        Telescope::StopMountSimulator();
    }
};

} // namespace

// The program's own simulated mount as the guide port, the log ticked: each
// correction writes one line whose directions are the moves the mount got,
// in the same order, each ended by a stop; tracking off leaves nothing
// moving. The star trembles around its place by up to 2.5 pixels a frame.
// Then the camera orientation operation is armed, run and aborted twice.
TEST_F(MountTest, GuideLogLinesMatchThePulsesTheSimulatedMountGot)
{
    const SimulatorGuard guard;
    Translation::ResetTexts();   // the direction words of the log
    dir.writeFile(QStringLiteral("comports.map"), "COM20=SIM\n");
    pref().SPED_Delai_Serie->setValue(0);
    pref().RDB_Autoguide_LX200->click();
    pref().CBX_AG_PortSerie->setCurrentIndex(pref().CBX_AG_PortSerie->findText(QStringLiteral("      COM20")));
    ASSERT_FALSE(pref().RDB_Mgxyyyy->isChecked());
    pref().BTN_Autoguide_Connecter->click();
    ASSERT_NE(Telescope::MountSimulator(), nullptr);
    MotorSpeeds = {30, 30, 30, 30};

    const testsupport::StarField field = guideStarSky();
    prepareGuiding(field);
    auto* s = FRM_Tool_Suivi;
    s->RDB_Autoguidage->setChecked(false);
    s->RDB_Autoguidage->setChecked(true);   // the guide port is connected: accepted
    ASSERT_TRUE(s->RDB_Autoguidage->isChecked());
    s->SPED_Intervalle_Guidage->setValue(1);
    s->SPED_Intervalle_Moy->setValue(1);
    // 0.5"/pixel: the longest pulse (3.5 pixels) lasts 58 ms, within a frame.
    FRM_Tool_Mesures->TNI_Echantillonnage->SetValue(0.5);
    const QString path = dir.path() + QStringLiteral("/guide.txt");
    s->EDT_Nom_Log_Guidage->setText(path);
    s->CKB_Log_Guidage->setChecked(true);
    ASSERT_TRUE(GuideLog);
    Telescope::MountSimulator()->clearRecords();

    PulseClock pulses(clock);
    std::uint32_t noise = 12345;
    const auto tremble = [&noise] {
        noise = noise * 1103515245u + 12345u;
        return double(int((noise >> 16) % 51) - 25) / 10;   // -2.5 ... 2.5
    };
    int frames = 0;
    for (std::int64_t t = 0; frames < 100; t += kTick_ms) {
        clock.advanceMs(kTick_ms);
        pulses.fireDue();
        if (t % kFramePeriod_ms != 0)
            continue;
        const double dx = tremble(), dy = tremble();
        field.renderInto(*SlotBitmaps[1][0], dx, dy, std::uint32_t(frames));
        const std::array<std::uint8_t, 4> before = MovingFlags;
        std::uint8_t keep = 0;
        Align_V::ProcessFrame(1, keep, 1);
        pulses.noteStarts(MovingFlags[dirWest] + MovingFlags[dirEast] > before[dirWest] + before[dirEast],
                          MovingFlags[dirNorth] + MovingFlags[dirSouth] > before[dirNorth] + before[dirSouth]);
        ++frames;
    }
    for (int i = 0; i < 20; ++i) {   // the last pulses end
        clock.advanceMs(kTick_ms);
        pulses.fireDue();
    }
    s->CKB_Log_Guidage->setChecked(false);
    s->CKB_Suivi->setChecked(false);
    EXPECT_EQ(MovingFlags, (std::array<std::uint8_t, 4>{}));

    const QStringList lines = fileLines(path);
    ASSERT_EQ(lines.size(), 101) << "a header and one line a correction";
    QList<QByteArray> logged;
    for (const QString& line : lines.mid(1))
        logged += movesOfLogLine(line);
    ASSERT_GT(logged.size(), 150);
    const std::initializer_list<const char*> moveCodes = {":Mn#", ":Ms#", ":Me#", ":Mw#"};
    const QList<QByteArray> got = simulatorCommandsOnce(int(logged.size()), moveCodes);
    QList<QByteArray> moves;
    for (const QByteArray& c : got)
        if (countOf({c}, moveCodes))
            moves << c;
    EXPECT_EQ(moves.join(' ').toStdString(), logged.join(' ').toStdString());

    // Every move was stopped after it: nothing is left moving.
    const QList<QByteArray> all = simulatorCommandsOnce(int(logged.size()), {":Qn#", ":Qs#", ":Qe#", ":Qw#", ":Q#"});
    for (qsizetype i = 0; i < all.size(); ++i) {
        if (!countOf({all[i]}, moveCodes))
            continue;
        const QByteArray stop = ":Q" + all[i].mid(2);
        bool stopped = false;
        for (qsizetype j = i + 1; j < all.size() && !stopped; ++j)
            stopped = all[j] == stop || all[j] == ":Q#";
        EXPECT_TRUE(stopped) << "command " << i << " " << all[i].toStdString() << " never stopped";
    }

    // The camera's orientation through its menu entry and the buttons:
    // Execute, Abort, Abort.
    TFRM_Alv& w = *FRM_Alv;
    w.setEnabled(true);
    w.MNU_TailleOrientCapt->trigger();
    ASSERT_EQ(ProcedureState, 7);
    QStringList captions;
    for (QAbstractButton* b : {w.SPDB_Executer, w.SPDB_Abort, w.SPDB_Abort}) {
        b->click();
        captions << w.PNL_Action->text();
    }
    EXPECT_EQ(captions, (QStringList{QStringLiteral("Orientation"), QStringLiteral("Orientation"), QStringLiteral("Aucune")}));
    EXPECT_EQ(ProcedureState, 0);
    EXPECT_EQ(MovingFlags, (std::array<std::uint8_t, 4>{}));
    EXPECT_TRUE(reports.isEmpty()) << reports.join('\n').toStdString();
}

// The simulated LX200 on COM20 carries the sky of the built-in simulated
// cameras, so that guiding on them closes its loop in the running program:
// a West move held for a second takes the stars 30" towards smaller x at
// the cameras' scale, North towards greater y; a West move from right
// ascension 0 (where the mount starts) is no jump across the whole circle;
// once the simulator stops, the sky no longer follows it.
TEST_F(MountTest, TheSimulatedMountOnCom20CarriesTheSimulatedCamerasSky)
{
    const SimulatorGuard guard;
    dir.writeFile(QStringLiteral("comports.map"), "COM20=SIM\n");
    pref().SPED_Delai_Serie->setValue(0);
    pref().RDB_Autoguide_LX200->click();
    pref().CBX_AG_PortSerie->setCurrentIndex(pref().CBX_AG_PortSerie->findText(QStringLiteral("      COM20")));
    pref().BTN_Autoguide_Connecter->click();
    Telescope::SimulatedLx200Mount* sim = Telescope::MountSimulator();
    ASSERT_NE(sim, nullptr);
    const double scale = Telescope::kSimulatedSkyScale;
    EXPECT_NEAR(scale, 0.763, 0.001) << "the optics of a fresh program directory";
    double x, y;
    platform::simulatedMountOffset(x, y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    const double ra0 = sim->ra(), dec0 = sim->dec();

    // West through the Preferences' test button, for one second of the
    // mount's time (its thread moves it on the program's clock).
    emit pref().BTN_Autoguide_Ouest->pressed();
    ASSERT_EQ(countOf(simulatorCommandsOnce(1, {":Mw#"}), {":Mw#"}), 1);
    clock.advanceMs(1000);
    QElapsedTimer waited;
    waited.start();
    while (sim->ra() == ra0 && waited.elapsed() < 10000)
        QThread::msleep(5);
    emit pref().BTN_Autoguide_Ouest->released();
    ASSERT_EQ(countOf(simulatorCommandsOnce(1, {":Qw#", ":Q#"}), {":Qw#", ":Q#"}), 1);
    platform::simulatedMountOffset(x, y);
    EXPECT_NEAR(x, -Telescope::kSimulatorGuideRate / scale, 0.01);
    EXPECT_NEAR(y, 0, 0.01);

    sim->setPosition(ra0 + 12, dec0 + 45);   // 12" East and 45" North of the start
    platform::simulatedMountOffset(x, y);
    EXPECT_NEAR(x, 12 / scale, 0.01);
    EXPECT_NEAR(y, 45 / scale, 0.01);

    Telescope::StopMountSimulator();
    platform::simulatedMountOffset(x, y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
}

// Autoguiding set up from a fresh program directory through the windows, as
// a user does it: the simulated LX200 on COM20 as the guide port and its
// speeds in the Preferences, the optics typed into the measurement window,
// then in the tracking window a star, tracking, autoguiding and the guide
// log. The sky drifts for 5 minutes of simulated time and is carried back
// by the moves the program holds: the star stays in its zone, each log line
// names the direction and duration of the pulse the mount got, and stopping
// the tracking leaves nothing moving.
TEST_F(MountTest, AutoguidingSetUpThroughTheWindowsHoldsTheDriftingStar)
{
    const SimulatorGuard guard;
    Translation::ResetTexts();
    dir.writeFile(QStringLiteral("comports.map"), "COM20=SIM\n");
    auto typeInto = [](QWidget* window, const char* name, const QString& text) {
        auto* input = app::findControl<TCustomNumInp>(window, QString::fromLatin1(name));
        ASSERT_TRUE(input) << name;
        input->setText(text);
        ASSERT_TRUE(input->DoExit()) << name;
    };

    // Preferences: the guide port, guide moves of exactly their length, and
    // the mount's guide speed of 30"/s each way.
    TFRM_Pref& p = pref();
    p.SPED_Delai_Serie->setValue(0);
    p.RDB_Autoguide_LX200->click();
    p.CBX_AG_PortSerie->setCurrentIndex(p.CBX_AG_PortSerie->findText(QStringLiteral("      COM20")));
    p.BTN_Autoguide_Connecter->click();
    ASSERT_NE(Telescope::MountSimulator(), nullptr);
    plainGuideMoves(p);
    for (const char* speed : {"TNI_Vitesse_Ouest", "TNI_Vitesse_Est", "TNI_Vitesse_Nord", "TNI_Vitesse_Sud"})
        typeInto(FRM_Pref, speed, QStringLiteral("30"));
    if (HasFatalFailure())
        return;
    const TMotorSpeeds speeds = MotorSpeeds;
    ASSERT_GT(speeds.West, 0);
    ASSERT_GT(speeds.North, 0);

    // The guide camera's frames on slot 1.
    const testsupport::StarField field = guideStarSky();
    Align_V::CreateMissingSlotBitmaps();
    Align_V::CreateMissingWorkBitmaps();
    Align_V::ResetPipelineStartValues();
    Align_V::ResetTrackingState();
    CameraSlots[1].width = field.options().width;
    CameraSlots[1].height = field.options().height;
    CurrentCameraSlot = GuideSourceSlot = 1;
    PipelineActive = 1;
    ProcedureState = 0;

    // The measurement window: 10 um pixels, the whole sensor on the frame,
    // and the focal length that makes half a second of arc a pixel.
    constexpr double scale = 0.5;
    app::findControl<QRadioButton>(FRM_Tool_Mesures, QStringLiteral("RDB_Manuelle"))->click();
    typeInto(FRM_Tool_Mesures, "TNI_Larg_Pix", QStringLiteral("10"));
    typeInto(FRM_Tool_Mesures, "TNI_NbPix_X", QString::number(CameraSlots[1].width));
    typeInto(FRM_Tool_Mesures, "TNI_Focale", QString::number(0.010 / std::tan(scale / 206264.806), 'f', 3));
    if (HasFatalFailure())
        return;
    ASSERT_NEAR(double(FRM_Tool_Mesures->TNI_Echantillonnage->Value()), scale, 0.01);

    // The tracking window: the star, tracking, autoguiding, the log.
    const QPoint start(int(std::lround(field.stars()[0].x)), int(std::lround(field.stars()[0].y)));
    TrackedStarPos = PreviousTrackedStarPos = DisplayZoneCenter = start;
    DisplayZoneOffset = PreviousDisplayZoneOffset = QPoint();
    Align_V::ComputeDisplayZone(1);
    FRM_Tool_Affichage->TNI_Taille_ZDetect->SetValue(40);
    auto* s = FRM_Tool_Suivi;
    s->RDB_Somax->click();
    s->SPED_Intervalle_Guidage->setValue(1);
    s->SPED_Intervalle_Moy->setValue(1);
    s->CKB_Suivi->click();
    s->RDB_Autoguidage->click();
    ASSERT_TRUE(s->CKB_Suivi->isChecked());
    ASSERT_TRUE(s->RDB_Autoguidage->isChecked());
    const QString path = dir.path() + QStringLiteral("/guide.txt");
    s->EDT_Nom_Log_Guidage->setText(path);
    s->CKB_Log_Guidage->click();
    ASSERT_TRUE(GuideLog);
    Telescope::MountSimulator()->clearRecords();

    // 5 minutes of drift (1 and -0.4 pixels a second), one frame each 100 ms,
    // the pulse timers on the fake clock (1 ms steps). The sky moves back
    // while a guide move is held, at the mount's speed.
    PulseClock pulses(clock);
    QList<std::int64_t> raPulses, decPulses;   // each started pulse's length, ms
    double backX = 0, backY = 0, worst = 0, farthestFromZone = 0;
    const std::int64_t t0 = clock.monotonicMs();
    int frames = 0;
    for (std::int64_t t = 0; frames < 3000; ++t) {
        clock.advanceMs(1);
        backX += (MovingFlags[dirEast] * speeds.East - MovingFlags[dirWest] * speeds.West) / 1000 / scale;
        backY += (MovingFlags[dirNorth] * speeds.North - MovingFlags[dirSouth] * speeds.South) / 1000 / scale;
        pulses.fireDue();
        if (t % kFramePeriod_ms != 0)
            continue;
        const double seconds = double(clock.monotonicMs() - t0) / 1000;
        const double dx = kDriftX * seconds + backX, dy = kDriftY * seconds + backY;
        field.renderInto(*SlotBitmaps[1][0], dx, dy, std::uint32_t(frames));
        worst = std::max(worst, std::hypot(dx, dy));
        const std::array<std::uint8_t, 4> before = MovingFlags;
        std::uint8_t keep = 0;
        Align_V::ProcessFrame(1, keep, 1);
        const bool raStarted = MovingFlags[dirWest] + MovingFlags[dirEast] > before[dirWest] + before[dirEast];
        const bool decStarted = MovingFlags[dirNorth] + MovingFlags[dirSouth] > before[dirNorth] + before[dirSouth];
        if (raStarted)
            raPulses << FRM_Prg_Suivi->TMR_Suivi_AD->interval();
        if (decStarted)
            decPulses << FRM_Prg_Suivi->TMR_Suivi_Dec->interval();
        pulses.noteStarts(raStarted, decStarted);
        const QPoint star = (QPointF(start) + QPointF(dx, dy)).toPoint() - TrackedStarPos;
        farthestFromZone = std::max(farthestFromZone, double(std::max(std::abs(star.x()), std::abs(star.y()))));
        ++frames;
    }
    for (int i = 0; i < 100; ++i) {   // the last pulses end
        clock.advanceMs(1);
        pulses.fireDue();
    }
    EXPECT_LE(worst, 2.0) << "the star left its place by " << worst << " pixels";
    EXPECT_LT(farthestFromZone, 20) << "the star left its 40-pixel zone";
    EXPECT_EQ(TrackedStarPos, start) << "autoguiding keeps the zone";

    // Stopping: the log closes, tracking off, nothing left moving.
    s->CKB_Log_Guidage->click();
    s->CKB_Suivi->click();
    EXPECT_FALSE(s->CKB_Suivi->isChecked());
    EXPECT_EQ(MovingFlags, (std::array<std::uint8_t, 4>{}));
    EXPECT_FALSE(FRM_Prg_Suivi->TMR_Suivi_AD->isActive());
    EXPECT_FALSE(FRM_Prg_Suivi->TMR_Suivi_Dec->isActive());

    // The log: one line a correction, its directions the moves the mount
    // got in the same order, its durations the pulses' lengths.
    const QStringList lines = fileLines(path);
    ASSERT_GT(lines.size(), 50);
    QList<QByteArray> logged;
    QList<std::int64_t> loggedRa, loggedDec;
    for (const QString& line : lines.mid(1)) {
        logged += movesOfLogLine(line);
        const QStringList f = line.split(QLatin1Char(';'));
        if (f.size() != 9)
            continue;
        // Signed by the side of the move; the direction field names it.
        if (const std::int64_t ms = std::abs(f[3].toLongLong()))
            loggedRa << ms;
        if (const std::int64_t ms = std::abs(f[7].toLongLong()))
            loggedDec << ms;
    }
    ASSERT_GT(logged.size(), 20);
    EXPECT_EQ(loggedRa, raPulses);
    EXPECT_EQ(loggedDec, decPulses);
    const std::initializer_list<const char*> moveCodes = {":Mn#", ":Ms#", ":Me#", ":Mw#"};
    const QList<QByteArray> got = simulatorCommandsOnce(int(logged.size()), moveCodes);
    QList<QByteArray> moves;
    for (const QByteArray& c : got)
        if (countOf({c}, moveCodes))
            moves << c;
    EXPECT_EQ(moves.join(' ').toStdString(), logged.join(' ').toStdString());
    const QList<QByteArray> all = simulatorCommandsOnce(int(logged.size()), {":Qn#", ":Qs#", ":Qe#", ":Qw#", ":Q#"});
    for (qsizetype i = 0; i < all.size(); ++i) {
        if (!countOf({all[i]}, moveCodes))
            continue;
        const QByteArray stop = ":Q" + all[i].mid(2);
        bool stopped = false;
        for (qsizetype j = i + 1; j < all.size() && !stopped; ++j)
            stopped = all[j] == stop || all[j] == ":Q#";
        EXPECT_TRUE(stopped) << "command " << i << " " << all[i].toStdString() << " never stopped";
    }
    EXPECT_TRUE(reports.isEmpty()) << reports.join('\n').toStdString();
}

// The simulated LX200 on COM20 as mount, guide port and focuser, autoguiding
// on: a "Deconnecter" of the line its corrections go through, the mount's
// or the focuser's (which takes the mount along), says in the message
// window to stop autoguiding first and changes nothing; the corrections
// still reach the mount. Tracking off, the line closes and every page shows
// it; tracking on again, the next correction connects the line, and the
// guide page autoguiding holds shows it connected too. Software tracking
// chosen meanwhile closes nothing the mount holds, nor a goto on it; with
// re-centring it keeps its line the same way, from the guide page too. So
// are the parallel lines of a guide box that the mount's page connects too;
// and connecting a Venner box's lines again under a correction leaves them.
TEST_F(MountTest, TheLineGuidingSendsThroughIsNotDisconnectedUnderIt)
{
    const SimulatorGuard guard;
    Translation::ResetTexts();
    dir.writeFile(QStringLiteral("comports.map"), "COM20=SIM\n");
    TFRM_Pref& p = pref();
    p.SPED_Delai_Serie->setValue(0);
    const int com20 = p.CBX_AG_PortSerie->findText(QStringLiteral("      COM20"));
    ASSERT_TRUE(clickOnScreen(p.RDB_Mount_LX200));
    p.CBX_AG_PortSerie->setCurrentIndex(com20);
    ASSERT_TRUE(clickOnScreen(p.BTN_Mount_Connecter));
    ASSERT_TRUE(clickOnScreen(p.RDB_Autoguide_LX200));
    ASSERT_TRUE(clickOnScreen(p.BTN_Autoguide_Connecter));
    ASSERT_TRUE(clickOnScreen(p.RDB_Focus_LX200));
    p.CBX_AG_Focus_PortSerie->setCurrentIndex(com20);
    ASSERT_TRUE(clickOnScreen(p.BTN_Focus_Connecter));
    ASSERT_EQ(Prg_Suivi::FocuserChannel(), 1);

    const testsupport::StarField sky = guideStarSky();
    ASSERT_NO_FATAL_FAILURE(startAutoguidingOnTheStar(sky, p));
    auto* s = FRM_Tool_Suivi;
    // Each correction, once the pulses of the one before have ended: the
    // star 6 pixels right and 4 down, West and South.
    std::uint32_t frames = 0;
    const auto correction = [&] {
        if (FRM_Prg_Suivi->TMR_Suivi_AD->isActive())
            FRM_Prg_Suivi->TMR_Suivi_ADTimer();
        if (FRM_Prg_Suivi->TMR_Suivi_Dec->isActive())
            FRM_Prg_Suivi->TMR_Suivi_DecTimer();
        Telescope::MountSimulator()->clearRecords();
        sky.renderInto(*SlotBitmaps[1][0], 6, 4, ++frames);
        std::uint8_t keep = 0;
        Align_V::ProcessFrame(1, keep, 1);
        return countOf(simulatorCommandsOnce(1, {":Mw#"}), {":Mw#"}) == 1;
    };
    const auto pages = [&p] {
        QStringList on;
        for (QPushButton* b : {p.BTN_Mount_Connecter, p.BTN_Mount_Deconnecter, p.BTN_Autoguide_Connecter,
                               p.BTN_Autoguide_Deconnecter, p.BTN_Autoguide_Nord, p.BTN_Focus_Connecter,
                               p.BTN_Focus_Deconnecter})
            if (b->isEnabled())
                on << b->objectName();
        return on.join(u' ').toStdString();
    };
    const std::string connected = "BTN_Mount_Deconnecter BTN_Autoguide_Nord BTN_Focus_Deconnecter";
    const auto told = [](const QString& text) { return FRM_Message->MEMO_Message->toPlainText().count(text); };
    EXPECT_EQ(pages(), connected) << "autoguiding holds the guide page's Deconnecter";
    ASSERT_TRUE(correction());

    ASSERT_TRUE(clickOnScreen(p.BTN_Mount_Deconnecter));
    ASSERT_TRUE(clickOnScreen(p.BTN_Focus_Deconnecter));
    EXPECT_EQ(told(TranslatedTexts.MSG_Deconnexion_Autoguidage), 2);
    EXPECT_TRUE(FRM_Message->isVisible());
    EXPECT_TRUE(platform::com_io::channel(1).open);
    EXPECT_EQ(pages(), connected);
    EXPECT_TRUE(correction()) << "guiding goes on";

    ASSERT_TRUE(clickOnScreen(s->CKB_Suivi));
    ASSERT_TRUE(clickOnScreen(p.BTN_Mount_Deconnecter));
    EXPECT_FALSE(platform::com_io::channel(1).open);
    EXPECT_EQ(pages(), "BTN_Mount_Connecter BTN_Autoguide_Connecter BTN_Focus_Connecter");
    ASSERT_TRUE(clickOnScreen(s->CKB_Suivi));
    EXPECT_TRUE(correction());
    EXPECT_TRUE(platform::com_io::channel(1).open);
    EXPECT_EQ(pages(), "BTN_Mount_Deconnecter BTN_Autoguide_Nord BTN_Focus_Connecter")
        << "the guide port autoguiding holds is on the line the correction connected";

    // Software tracking chosen while the mount slews to a goto lets go of
    // nothing the mount's page holds: the shared line stays open, the goto
    // goes on, and the guide page, no longer held by autoguiding, shows the
    // line connected and offers its "Deconnecter". With re-centring on,
    // that line is kept from either page.
    ASSERT_TRUE(Prg_Suivi::GotoCoordinates(5 * 54000.0, -1800.0));
    ASSERT_TRUE(settle());
    ASSERT_TRUE(Scripts::GotoRunning);
    ASSERT_TRUE(clickOnScreen(s->RDB_Suivi_logiciel));
    EXPECT_TRUE(platform::com_io::channel(1).open);
    EXPECT_TRUE(Scripts::GotoRunning) << "the goto goes on";
    EXPECT_EQ(pages(), "BTN_Mount_Deconnecter BTN_Autoguide_Deconnecter BTN_Autoguide_Nord BTN_Focus_Connecter");
    ASSERT_TRUE(clickOnScreen(s->CKB_Recentrage));
    ASSERT_TRUE(clickOnScreen(p.BTN_Autoguide_Deconnecter));
    ASSERT_TRUE(clickOnScreen(p.BTN_Mount_Deconnecter));
    EXPECT_EQ(told(TranslatedTexts.MSG_Deconnexion_Recentrage), 2);
    EXPECT_TRUE(platform::com_io::channel(1).open);

    // No mount chosen beside the Quillon guide box: the mount's page and the
    // guide port's connect the same parallel lines. A "Deconnecter" of the
    // mount's page while a correction moves the mount on them is refused
    // the same way, and the correction goes on; tracking off, both pages
    // let go of the lines.
    ASSERT_TRUE(clickOnScreen(s->CKB_Recentrage));
    ASSERT_TRUE(clickOnScreen(s->CKB_Suivi));
    ASSERT_TRUE(clickOnScreen(p.BTN_Mount_Deconnecter));
    ASSERT_TRUE(clickOnScreen(p.RDB_Mount_Aucun));
    ASSERT_TRUE(clickOnScreen(p.RDB_Autoguide_Quillon));
    ASSERT_TRUE(clickOnScreen(p.BTN_Mount_Connecter));
    ASSERT_TRUE(clickOnScreen(s->RDB_Autoguidage));
    ASSERT_TRUE(clickOnScreen(s->CKB_Suivi));
    EXPECT_EQ(pages(), "BTN_Mount_Deconnecter BTN_Autoguide_Nord BTN_Focus_Connecter");
    sky.renderInto(*SlotBitmaps[1][0], 6, 4, ++frames);
    std::uint8_t keep = 0;
    Align_V::ProcessFrame(1, keep, 1);
    ASSERT_TRUE(MovingFlags[dirWest]) << "the correction moves the mount on the lines";
    ASSERT_TRUE(clickOnScreen(p.BTN_Mount_Deconnecter));
    EXPECT_EQ(told(TranslatedTexts.MSG_Deconnexion_Autoguidage), 3);
    EXPECT_EQ(pages(), "BTN_Mount_Deconnecter BTN_Autoguide_Nord BTN_Focus_Connecter");
    EXPECT_TRUE(MovingFlags[dirWest]) << "the correction goes on";
    ASSERT_TRUE(clickOnScreen(s->CKB_Suivi));
    ASSERT_TRUE(clickOnScreen(p.BTN_Mount_Deconnecter));
    EXPECT_EQ(pages(), "BTN_Mount_Connecter BTN_Autoguide_Connecter BTN_Focus_Connecter");

    // The Venner box on COM2's registers, connected by autoguiding from the
    // guide page: the mount's page connecting the same lines while a
    // correction moves the mount on them, and the focuser's connecting
    // COM1's, leave the box as it is; the correction's end reaches it.
    const auto touched = [this](std::uint16_t base) {
        int n = 0;
        for (const auto& w : ports.writes())
            n += w.address >= base && w.address < base + 8;
        return n;
    };
    ASSERT_TRUE(clickOnScreen(p.RDB_Autoguide_Venner));
    p.CBX_AG_PortSerie->setCurrentIndex(p.CBX_AG_PortSerie->findText(QStringLiteral("$02F8(COM2)")));
    ASSERT_TRUE(clickOnScreen(p.RDB_Focus_Venner));
    p.CBX_AG_Focus_PortSerie->setCurrentIndex(p.CBX_AG_Focus_PortSerie->findText(QStringLiteral("$03F8(COM1)")));
    ASSERT_TRUE(clickOnScreen(s->CKB_Suivi));
    sky.renderInto(*SlotBitmaps[1][0], 6, 4, ++frames);
    Align_V::ProcessFrame(1, keep, 1);
    ASSERT_TRUE(MovingFlags[dirWest]) << "the correction moves the mount on the box";
    EXPECT_EQ(pages(), "BTN_Mount_Connecter BTN_Autoguide_Nord BTN_Focus_Connecter");
    ports.clearWrites();
    ASSERT_TRUE(clickOnScreen(p.BTN_Mount_Connecter));
    EXPECT_EQ(touched(0x2F8), 0) << "the box's lines are left under the correction";
    ASSERT_TRUE(clickOnScreen(p.BTN_Focus_Connecter));
    EXPECT_GT(touched(0x3F8), 0) << "the focuser's lines are set up";
    EXPECT_EQ(touched(0x2F8), 0);
    EXPECT_EQ(pages(), "BTN_Mount_Deconnecter BTN_Autoguide_Nord BTN_Focus_Deconnecter");
    EXPECT_TRUE(MovingFlags[dirWest]) << "the correction goes on";
    ports.clearWrites();
    FRM_Prg_Suivi->TMR_Suivi_ADTimer();
    EXPECT_FALSE(MovingFlags[dirWest]);
    EXPECT_GT(touched(0x2F8), 0) << "the correction's end goes to the box";
    EXPECT_EQ(touched(0x3F8), 0);
    ASSERT_TRUE(clickOnScreen(s->CKB_Suivi));
    EXPECT_TRUE(reports.isEmpty()) << reports.join('\n').toStdString();
}
