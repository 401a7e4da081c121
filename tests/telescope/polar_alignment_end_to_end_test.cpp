// Polar alignment and periodic error end to end: frames of a simulated sky
// pass the frame pipeline, software tracking follows the clicked star, and
// the measurement windows turn its drift into their results. The time is
// the fake clock's.

#include "tracking_fixture.h"

#include "app/frm_alv.h"
#include "app/frm_pref.h"
#include "app/log.h"
#include "app/settings.h"
#include "capture/camera_slots.h"
#include "imaging/display_zone.h"
#include "imaging/pipeline_state.h"
#include "imaging/process_frame.h"
#include "support/star_field.h"
#include "telescope/frm_err_period.h"
#include "telescope/frm_mise_en_station.h"
#include "telescope/frm_tool_suivi.h"
#include "telescope/mount_state.h"
#include "telescope/periodic_error_chart.h"
#include "telescope/track_step.h"
#include "telescope/tracking/tracking_state.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_mesures.h"

#include <QFile>
#include <cmath>

namespace {

constexpr double kArcsecPerPixel = 1.1551;   // 5.6 um at 1000 mm

QStringList fileLines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

// A 320 x 240 sky with one bright star well inside the frame.
testsupport::StarField oneStarSky(double periodicError_px = 0, double period_s = 0)
{
    for (std::uint32_t seed = 1;; ++seed) {
        testsupport::StarField f({.width = 320,
                                  .height = 240,
                                  .seed = seed,
                                  .stars = 1,
                                  .minPeak = 200,
                                  .maxPeak = 200,
                                  .periodicError_px = periodicError_px,
                                  .periodicPeriod_s = period_s});
        const auto& s = f.stars()[0];
        if (s.x > 100 && s.x < 220 && s.y > 60 && s.y < 140)
            return f;
    }
}

class MeasuredSky : public TrackingTest {
protected:
    void SetUp() override
    {
        TrackingTest::SetUp();
        if (HasFatalFailure())
            return;
        Telescope::SetEarthRotationRate();
        CameraSlots[1].width = 320;
        CameraSlots[1].height = 240;
        EffectiveFocalLength = 1000;
        FRM_Tool_Mesures->TNI_Larg_Pix->SetValue(5.6);
        FRM_Tool_Mesures->TNI_Haut_Pix->SetValue(5.6);
        FRM_Tool_Mesures->TNI_Orient->SetValue(0);
        FRM_Tool_Mesures->TNI_Echantillonnage->SetValue(kArcsecPerPixel);
        FRM_Pref->TNI_NbPix_X->SetValue(320);
        FRM_Pref->TNI_NbPix_Y->SetValue(240);
        FRM_Pref->TNI_Rayon_Az->SetValue(150);
        FRM_Pref->TNI_Fil_Az->SetValue(0.5);
        FRM_Tool_Affichage->TNI_Taille_ZDetect->SetValue(30);
        FRM_Alv->setEnabled(true);
        KingPaused = 0;
        start_ms = clock.monotonicMs();
    }
    void TearDown() override
    {
        TLog::Close(PeLog);
        TrackingTest::TearDown();
    }

    // The user clicks the star of the first frame.
    void clickStar(const testsupport::StarField& field)
    {
        field.renderInto(*SlotBitmaps[1][0], 0, 0, 0, 0);
        const QPoint star = QPointF(field.stars()[0].x, field.stars()[0].y).toPoint();
        TrackedStarPos = PreviousTrackedStarPos = DisplayZoneCenter = star;
        TrackedStarPosF = QPointF(star);
        DisplayZoneOffset = PreviousDisplayZoneOffset = QPoint();
        Align_V::ComputeDisplayZone(1);
        Align_V::TrackStep(star.x(), star.y(), 30, 30, 1, 0, 1, 0, TrackResult, 0);
    }

    // Frames every `period_ms` until `seconds` have passed on the fake
    // clock; the star drifts by `driftY` pixels a second in Y.
    void run(const testsupport::StarField& field, double seconds, int period_ms, double driftY = 0,
             const std::function<void()>& each = {})
    {
        const std::int64_t end = clock.monotonicMs() + std::int64_t(seconds * 1000);
        while (clock.monotonicMs() < end) {
            clock.advanceMs(period_ms);
            const double t = double(clock.monotonicMs() - start_ms) / 1000;
            field.renderInto(*SlotBitmaps[1][0], 0, driftY * t, std::uint32_t(++frame_), t);
            std::uint8_t keep = 0;
            Align_V::ProcessFrame(1, keep, 1);
            if (each)
                each();
        }
    }

    std::int64_t start_ms = 0;
    std::uint32_t frame_ = 0;
};

TFRM_MiseEnStation& mes() { return *FRM_MiseEnStation; }
TFRM_ErrPeriod& ep() { return *FRM_ErrPeriod; }

} // namespace

// The star drifts 0.1167 pixel a second in declination only (a polar axis
// about half a degree off): after 120 s the trail is 14 pixels and the
// polar error about 0.515 degree.
TEST_F(MeasuredSky, BigourdanMeasuresThePolarErrorFromTheDrift)
{
    const testsupport::StarField field = oneStarSky();
    clickStar(field);
    FRM_Alv->MNU_Erreur_MESClick();
    mes().FormActivate();
    mes().BTN_Demar_MES->click();
    ASSERT_TRUE(FRM_Tool_Suivi->CKB_Suivi->isChecked());
    ASSERT_EQ(ProcedureState, 1);
    FRM_Alv->SPDB_Executer->click();
    ASSERT_EQ(ProcedureState, 2);
    run(field, 120, 500, 0.1167);

    EXPECT_EQ(ProcedureState, 2) << "the star was followed all along";
    EXPECT_NEAR(double(mes().TNI_Duree_Pose->Value()), 120, 0.6);
    EXPECT_NEAR(double(mes().TNI_Long_Trainee_Y->Value()), 14, 1);
    EXPECT_LE(double(mes().TNI_Long_Trainee_X->Value()), 1);
    const QString polar = mes().EDT_Erreur_polaire->text();
    ASSERT_FALSE(polar.isEmpty());
    // "  0° 30' 52.76"": degrees, minutes and seconds.
    const QStringList parts = polar.simplified().remove(QChar(0xB0)).remove(QLatin1Char('\'')).remove(QLatin1Char('"')).split(QLatin1Char(' '));
    ASSERT_EQ(parts.size(), 3) << polar.toStdString();
    const double degrees = parts[0].toDouble() + parts[1].toDouble() / 60 + parts[2].toDouble() / 3600;
    EXPECT_NEAR(degrees, 0.515, 0.0515) << polar.toStdString();
    EXPECT_FALSE(mes().EDT_Deplacement->text().isEmpty());

    FRM_Alv->SPDB_AbortClick();
    mes().close();
    EXPECT_EQ(ProcedureState, 0);
}

// The simulated mount's periodic error, 8 pixels over 120 s: each point of
// the graph is the star's east-west offset since the start in seconds of
// arc, with its sign reversed, and each has its line in the file.
TEST_F(MeasuredSky, PeriodicErrorFollowsTheSimulatedMountsSwing)
{
    const testsupport::StarField field = oneStarSky(8, 120);
    const QString path = dir.path() + QStringLiteral("/pe.txt");
    clickStar(field);
    FRM_Alv->MNU_Erreur_PeriodiqueClick();
    ep().BTN_Reinit_GrapheClick();
    ep().CKB_Fichier_EP->setChecked(true);
    ep().EDT_Nom_FichierPE->setText(path);
    ep().BTN_Demar_EP->click();
    ASSERT_EQ(ProcedureState, 9);
    FRM_Alv->SPDB_Executer->click();
    ASSERT_EQ(ProcedureState, 10);
    ASSERT_TRUE(PeLog);
    const double t0 = double(clock.monotonicMs() - start_ms) / 1000;
    run(field, 240, 500);
    EXPECT_EQ(ProcedureState, 10);

    const std::vector<QPointF>& points = ep().CHRT_Erreur_Periodique->Points();
    ASSERT_GT(points.size(), 450u);
    double worst = 0;
    for (const QPointF& p : points) {
        const double expected = -kArcsecPerPixel * (field.periodicOffset(t0 + p.x()) - field.periodicOffset(t0));
        worst = std::max(worst, std::abs(p.y() - expected));
    }
    EXPECT_LE(worst, 2.5);

    // Abort closes the file: one line a point; the controls are free again.
    FRM_Alv->SPDB_AbortClick();
    EXPECT_FALSE(PeLog);
    EXPECT_EQ(ProcedureState, 9);
    const QStringList lines = fileLines(path);
    ASSERT_EQ(lines.size(), qsizetype(points.size()));
    const QStringList first = lines[0].split(QLatin1Char(';'));
    ASSERT_EQ(first.size(), 2);
    EXPECT_DOUBLE_EQ(first[0].toDouble(), points[0].x());
    EXPECT_DOUBLE_EQ(first[1].toDouble(), points[0].y());
    EXPECT_TRUE(ep().CKB_Fichier_EP->isEnabled());
    EXPECT_TRUE(ep().EDT_Nom_FichierPE->isEnabled());
    EXPECT_TRUE(ep().BTN_Demar_EP->isEnabled());

    // A second start rewrites it.
    const std::size_t firstRun = points.size();
    FRM_Alv->SPDB_ExecuterClick();
    run(field, 5, 500);
    FRM_Alv->SPDB_AbortClick();
    EXPECT_EQ(fileLines(path).size(), qsizetype(ep().CHRT_Erreur_Periodique->Points().size() - firstRun));
    EXPECT_GT(fileLines(path).size(), 0);
    EXPECT_LT(fileLines(path).size(), 10);
}

// King: armed, executed and followed for a while, paused; Abort while
// paused releases the pause first and disables the pause button.
TEST_F(MeasuredSky, KingPausedThenAborted)
{
    const testsupport::StarField field = oneStarSky();
    clickStar(field);
    mes().BTN_Demarre_King->click();
    ASSERT_EQ(ProcedureState, 3);
    FRM_Alv->SPDB_Executer->click();
    ASSERT_EQ(ProcedureState, 4);
    EXPECT_TRUE(mes().BTN_Pause->isEnabled());
    run(field, 10, 500, 0.1167);
    EXPECT_NEAR(double(mes().TNI_Duree_Pose_King->Value()), 10, 0.6);
    EXPECT_FALSE(mes().EDT_CorrectKingNS->text().isEmpty());
    mes().BTN_Pause->click();
    ASSERT_EQ(KingPaused, 1);
    const QPoint frozen = KingOffset;
    run(field, 5, 500, 0.1167);
    EXPECT_EQ(KingOffset, frozen) << "nothing is evaluated while paused";
    FRM_Alv->SPDB_Abort->setEnabled(true);
    FRM_Alv->SPDB_Abort->click();
    EXPECT_EQ(ProcedureState, 3);
    EXPECT_EQ(KingPaused, 0);
    EXPECT_EQ(mes().BTN_Pause->text(), QStringLiteral("Pause pour corriger l'orientation de la monture"));
    EXPECT_FALSE(mes().BTN_Pause->isEnabled());
}
