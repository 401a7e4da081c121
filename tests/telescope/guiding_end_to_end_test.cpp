// Guiding end to end: frames of a drifting sky pass the frame pipeline, the
// tracking step measures the guide star and sends corrections, and the mount
// they reach moves the sky back. The time is simulated: the frames, the
// mount and the pulse timers all run on the fake clock.

#include "mount_fixture.h"

#include "app/settings.h"
#include "capture/camera_slots.h"
#include "imaging/display_zone.h"
#include "imaging/pipeline_state.h"
#include "imaging/process_frame.h"
#include "support/star_field.h"
#include "telescope/frm_prg_suivi.h"
#include "telescope/frm_tool_suivi.h"
#include "telescope/mount_state.h"
#include "telescope/prg_suivi.h"
#include "telescope/tracking/tracking_state.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_mesures.h"

#include <QRadioButton>
#include <QTimer>
#include <cmath>

namespace {

constexpr double kScale = 5;          // seconds of arc per pixel
constexpr double kDriftX = 1.0;       // pixels per second
constexpr double kDriftY = -0.4;
constexpr int kFramePeriod_ms = 100;
constexpr int kTick_ms = 5;

// Sets up the tracking window and the pipeline for autoguiding slot 1 on a
// one-star sky; returns the star's start position.
QPointF prepareGuiding(const testsupport::StarField& field)
{
    Align_V::CreateMissingSlotBitmaps();
    Align_V::CreateMissingWorkBitmaps();
    Align_V::ResetPipelineStartValues();
    Align_V::ResetTrackingState();
    CameraSlots[1].width = field.options().width;
    CameraSlots[1].height = field.options().height;
    CurrentCameraSlot = GuideSourceSlot = 1;
    PipelineActive = 1;
    ProcedureState = 0;
    const QPointF star(field.stars()[0].x, field.stars()[0].y);
    TrackedStarPos = PreviousTrackedStarPos = DisplayZoneCenter = star.toPoint();
    DisplayZoneOffset = PreviousDisplayZoneOffset = QPoint();
    Align_V::ComputeDisplayZone(1);

    auto* s = FRM_Tool_Suivi;
    s->CKB_Suivi->setChecked(true);
    s->RDB_Autoguidage->setChecked(true);
    s->RDB_Somax->setChecked(true);
    s->SPED_Intervalle_Guidage->setValue(5);
    GuideAverageInterval = 3;
    FRM_Tool_Affichage->TNI_Taille_ZDetect->SetValue(40);
    FRM_Tool_Mesures->TNI_Echantillonnage->SetValue(kScale);
    TFRM_Pref& p = *FRM_Pref;
    p.SPED_Neutre->setValue(0);
    p.TNI_Jeu_AD->SetValue(0);
    p.TNI_Jeu_Dec->SetValue(0);
    p.RDB_Pourcent_Inertie_AD->setChecked(true);
    p.RDB_Pourcent_Inertie_Dec->setChecked(true);
    p.SPED_Pourcent_Inertie_AD->setValue(0);
    p.SPED_Pourcent_Inertie_Dec->setValue(0);
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

// A 320 x 240 sky with one star, well inside the frame.
testsupport::StarField oneStarSky()
{
    for (std::uint32_t seed = 1;; ++seed) {
        testsupport::StarField f({.width = 320, .height = 240, .seed = seed, .stars = 1, .minPeak = 200, .maxPeak = 200});
        const auto& s = f.stars()[0];
        if (s.x > 60 && s.x < 260 && s.y > 60 && s.y < 180)
            return f;
    }
}

} // namespace

// The LX200 mount on a pseudo-terminal moves the sky while ":Mw#" ... are
// held, at its guide rate of 30"/s, 6 pixels a second at 5"/pixel.
TEST_F(MountTest, GuidingThroughTheLx200MountHoldsTheDriftingStar)
{
    pref().RDB_Mount_LX200->setChecked(true);
    pref().SPED_Delai_Serie->setValue(0);
    ASSERT_TRUE(Prg_Suivi::ConnectMount());
    MotorSpeeds = {30, 30, 30, 30};
    const double ra0 = 20000, dec0 = 1000;
    mount.setPosition(ra0, dec0);

    const testsupport::StarField field = oneStarSky();
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
