// The star-measurement procedures, one step per frame, on the fake clock.

#include "pipeline_fixture.h"

#include "app/frm_alv.h"
#include "app/frm_message.h"
#include "app/frm_pref.h"
#include "app/helpers/calc_helpers.h"
#include "app/settings.h"
#include "imaging/frame_helpers.h"
#include "imaging/pipeline_state.h"
#include "telescope/frm_err_period.h"
#include "telescope/frm_mise_en_station.h"
#include "telescope/frm_tool_suivi.h"
#include "telescope/mount_state.h"
#include "telescope/tracking/tracking_state.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_mesures.h"

#include <QScrollBar>

namespace {

class MeasureProcedures : public PipelineTest {
protected:
    void SetUp() override
    {
        PipelineTest::SetUp();
        FRM_Tool_Mesures->TNI_Echantillonnage->SetValue(2);
        FRM_Tool_Mesures->TNI_Orient->SetValue(0);
        FRM_Alv->SPDB_Executer->setEnabled(false);
        KingPaused = 0;
        KingOffset = KingTarget = QPoint();
    }
    void TearDown() override
    {
        for (const char* name : {"FRM_MiseEnStation.BTN_CalculerClick", "ErrPeriod.MeasurePeriodicError"})
            Settings::UnregisterHandler(QString::fromLatin1(name));
        PipelineTest::TearDown();
    }

    // Starts a procedure with the star at `from`, now.
    void start(std::uint8_t state, QPoint from)
    {
        ProcedureState = state;
        TrackedStarPos = ProcedureStarPos = from;
        ProcedureStart = {QPointF(from), clock.monotonicMs()};
    }
    // One frame after `ms` more milliseconds with the star at `at`.
    void frame(std::int64_t ms, QPoint at, std::uint8_t trackResult = 1)
    {
        clock.advanceMs(ms);
        TrackedStarPos = at;
        Align_V::AdvanceProcedures(1, trackResult);
    }
    // The common end: armed value, execute button, the message alone.
    void expectEnded(std::uint8_t armed)
    {
        EXPECT_EQ(ProcedureState, armed);
        EXPECT_TRUE(FRM_Alv->SPDB_Executer->isEnabledTo(FRM_Alv));
        EXPECT_EQ(FRM_Message->MEMO_Message->toPlainText(), QStringLiteral("Execution terminée"));
    }
};

double num(const TCustomNumInp* input)
{
    return double(input->Value());
}

} // namespace

TEST_F(MeasureProcedures, DriftSpeedMeasuresFromTheStartAndEndsForDriftGuiding)
{
    auto* s = FRM_Tool_Suivi;
    s->TNI_Vitesse_Derive_AD->SetValue(9);
    s->TNI_Vitesse_Derive_Dec->SetValue(9);
    Msg::ShowMessageText(true, QStringLiteral("ancien texte"));
    start(12, {100, 100});
    // No time has passed yet: nothing is written (no division by 0).
    frame(0, {100, 100});
    EXPECT_EQ(num(s->TNI_Vitesse_Derive_AD), 9);
    frame(10'000, {130, 100});
    EXPECT_DOUBLE_EQ(num(s->TNI_Vitesse_Derive_AD), 6);
    EXPECT_DOUBLE_EQ(num(s->TNI_Vitesse_Derive_Dec), 0);
    EXPECT_EQ(ProcedureState, 12);

    TrackDrift.accX = 0.7;
    TrackDrift.accY = -0.3;
    frame(500, {131, 100}, 0);
    expectEnded(11);
    EXPECT_EQ(DriftGuideSeconds, 10);
    EXPECT_EQ(TrackDrift.accX, 0);
    EXPECT_EQ(TrackDrift.accY, 0);
}

TEST_F(MeasureProcedures, DeclinationAndOrientationFromTheStarsRate)
{
    auto* m = FRM_Tool_Mesures;
    start(8, {100, 100});
    frame(10'000, {100, 130});
    EXPECT_DOUBLE_EQ(num(m->TNI_Vitesse_Etoile), 6);
    EXPECT_NEAR(num(FRM_MiseEnStation->TNI_Decl_Etoile), 66.49, 0.01);
    EXPECT_EQ(m->EDT_Decl_Etoile->text(), CalcHelpers::DecToStr(num(FRM_MiseEnStation->TNI_Decl_Etoile) * 3600));
    EXPECT_EQ(m->SCB_Orient->value(), 900);
    EXPECT_DOUBLE_EQ(num(m->TNI_Orient), 90);
    EXPECT_DOUBLE_EQ(FieldOrientation, 90);

    // At or above the sidereal rate the star is on the equator.
    frame(0, {100, 100 + 76});
    EXPECT_NEAR(num(m->TNI_Vitesse_Etoile), 15.2, 1e-9);
    EXPECT_EQ(num(FRM_MiseEnStation->TNI_Decl_Etoile), 0);

    // A frame off the guide slot has no tracking step: the measure ends.
    GuideSourceSlot = 2;
    processFrame();
    expectEnded(7);
}

TEST_F(MeasureProcedures, PixelSizeFromTheDriftGoesToThePreferencesAndTheMeasurementWindow)
{
    EffectiveFocalLength = 1000;
    FRM_Tool_Mesures->RDB_Preferences->setChecked(true);
    start(6, {100, 100});
    frame(10'000, {130, 100});
    EXPECT_NEAR(num(FRM_Pref->TNI_Larg_Pix), 24.31, 0.01);
    EXPECT_NEAR(num(FRM_Pref->TNI_Haut_Pix), 24.31, 0.01);
    EXPECT_NEAR(num(FRM_Tool_Mesures->TNI_Larg_Pix), 24.31, 0.01);

    // No focal length: the size never falls under 1 micrometre.
    EffectiveFocalLength = 0;
    frame(1000, {140, 100});
    EXPECT_EQ(num(FRM_Pref->TNI_Larg_Pix), 1.0);
    frame(0, {140, 100}, 0);
    expectEnded(5);
}

TEST_F(MeasureProcedures, BigourdanAndPeriodicErrorFillTheirWindowsAndCallTheirComputations)
{
    int computed = 0, measured = 0;
    Settings::RegisterHandler(QStringLiteral("FRM_MiseEnStation.BTN_CalculerClick"), [&] { ++computed; });
    Settings::RegisterHandler(QStringLiteral("ErrPeriod.MeasurePeriodicError"), [&] { ++measured; });
    auto* w = FRM_MiseEnStation;
    w->RDB_Sud->setChecked(true);
    w->BTN_Premiere_Correction->setEnabled(false);
    FRM_Tool_Mesures->TNI_Orient->SetValue(90);

    start(2, {200, 200});
    frame(2000, {200, 200});
    // No drift yet: trails of at least 1 pixel; no computation before 3 s.
    EXPECT_EQ(num(w->TNI_Long_Trainee_X), 1);
    EXPECT_EQ(num(w->TNI_Long_Trainee_Y), 1);
    EXPECT_TRUE(w->BTN_Premiere_Correction->isEnabled());
    EXPECT_EQ(computed, 0);
    frame(2000, {180, 205});
    EXPECT_EQ(num(w->TNI_Long_Trainee_X), 20);
    EXPECT_EQ(num(w->TNI_Long_Trainee_Y), 5);
    const double direction = CalcHelpers::DriftDirection(-20, 5, std::hypot(20.0, 5.0));
    EXPECT_DOUBLE_EQ(ProcedureDirection, CalcHelpers::AddAngles(-90, direction));
    // About 76 degrees: West with the azimuth not inverted.
    EXPECT_EQ(w->EDT_Correct->text(), Align_V::DirectionName(false, false));
    EXPECT_DOUBLE_EQ(num(w->TNI_Duree_Pose), 4);
    EXPECT_EQ(computed, 1);
    frame(0, {180, 205}, 0);
    expectEnded(1);

    FRM_ErrPeriod->BTN_Demar_EP->setEnabled(false);
    start(10, {200, 200});
    frame(2500, {203, 196});
    EXPECT_EQ(PeriodicErrorTrail, QPoint(3, 4));
    EXPECT_EQ(measured, 0);
    frame(500, {203, 196});
    EXPECT_EQ(measured, 1);
    EXPECT_DOUBLE_EQ(num(FRM_ErrPeriod->TNI_Duree_Pose), 3);
    frame(0, {203, 196}, 0);
    expectEnded(9);
    EXPECT_TRUE(FRM_ErrPeriod->BTN_Demar_EP->isEnabled());
}

TEST_F(MeasureProcedures, KingDrawsInsideLargePicturesAndKeepsAFrozenTarget)
{
    // A source view larger than 640 x 480.
    FRM_Alv->Image1->SetPictureSize(1280, 960);
    kernels::Bitmap24& view = FRM_Alv->Image1->Bitmap();
    kernels::fillRect(view, kernels::boundsOf(view), kernels::kBlack);
    TFRM_Pref& p = *FRM_Pref;
    p.TNI_Rayon_Az->SetValue(100);
    p.TNI_Fil_Az->SetValue(0.5);
    p.CKB_Inverse_Az->setChecked(false);
    p.CKB_Inverse_Alt->setChecked(false);

    start(4, {700, 400});
    KingPaused = 1;
    KingOffset = {10, -20};
    KingTarget = {900, 400};
    StarPosPrecise = QPointF(700, 400);
    frame(2000, {700, 400});
    // Before 3 s only the fields.
    EXPECT_EQ(at(view, 750, 400), 0u);
    EXPECT_EQ(FRM_MiseEnStation->EDT_CorrectKingEO->text(), Align_V::DirectionName(false, false));
    EXPECT_EQ(FRM_MiseEnStation->EDT_CorrectKingNS->text(), Align_V::DirectionName(true, true));
    // |10 px x 2"/px| on a 100 mm radius: 0.009696 mm, on a 0.5 mm pitch.
    EXPECT_EQ(FRM_MiseEnStation->EDT_Deplacement_EstOuest->text(), QStringLiteral("0.009696"));
    EXPECT_EQ(FRM_MiseEnStation->EDT_Deplacement_EstOuest_Tours->text(), QStringLiteral("0.01939"));
    EXPECT_EQ(FRM_MiseEnStation->EDT_DistanceX_DMS->text(), CalcHelpers::DecToStr(20));

    frame(2000, {700, 400});
    // The dotted line runs right beyond x = 640, the circle surrounds the target.
    int drawn = 0;
    for (int x = 700; x < 800; ++x)
        drawn += at(view, x, 400) != 0;
    EXPECT_GE(drawn, 40);
    EXPECT_NE(at(view, 915, 400) | at(view, 914, 400), 0u);
    EXPECT_EQ(KingOffset, QPoint(10, -20)) << "frozen while paused";
    EXPECT_EQ(KingTarget, QPoint(900, 400));
    EXPECT_DOUBLE_EQ(num(FRM_MiseEnStation->TNI_Duree_Pose_King), 4);

    // Running again: the target follows the measure.
    KingPaused = 0;
    StarPosPrecise = QPointF(710, 400);
    frame(6000, {710, 400});
    const double wt = 7.29209e-05 * 10;
    EXPECT_EQ(KingTarget, QPoint(700 + int(std::trunc(10 / 2.0)), 400 + int(std::trunc(10 / wt))));
    frame(0, {710, 400}, 0);
    expectEnded(3);
}

TEST_F(MeasureProcedures, LearningLostBeforeACycleKeepsTheSpeedsAndStopsEverything)
{
    MotorSpeeds = {15, 15, 15, 15};
    TFRM_Pref& p = *FRM_Pref;
    p.TNI_Vitesse_Ouest->SetValue(3);   // a partial measure shown
    ProcedureState = 14;
    Learning = {};
    Learning.step = 6;
    FRM_Alv->TMR_Appr->start(1000);
    Align_V::AdvanceProcedures(1, 0);
    EXPECT_EQ(ProcedureState, 13);
    EXPECT_FALSE(FRM_Alv->TMR_Appr->isActive());
    EXPECT_EQ(num(p.TNI_Vitesse_Ouest), 15);
    EXPECT_EQ(MotorSpeeds.North, 15);
    EXPECT_TRUE(FRM_Message->MEMO_Message->toPlainText().startsWith(QStringLiteral("Execution terminée")));

    // Two cycles done, the third lost: the average of the two.
    ProcedureState = 14;
    Learning = {};
    Learning.step = 5;
    Learning.cycles = 2;
    Learning.sums = {20, 22, 24, 26};
    Align_V::AdvanceProcedures(1, 0);
    EXPECT_EQ(ProcedureState, 13);
    EXPECT_EQ(num(p.TNI_Vitesse_Ouest), 10);
    EXPECT_EQ(MotorSpeeds.South, 13);

    // The source stops while a move runs: no frame will come to end it.
    ProcedureState = 14;
    Learning = {};
    Learning.step = 7;
    FRM_Alv->TMR_Appr->start(1000);
    Align_V::EndLearningOnSourceStop(2);
    EXPECT_EQ(ProcedureState, 14) << "not the learning's source";
    Align_V::EndLearningOnSourceStop(1);
    EXPECT_EQ(ProcedureState, 13);
    EXPECT_FALSE(FRM_Alv->TMR_Appr->isActive());
    EXPECT_TRUE(reports.isEmpty()) << reports.join('\n').toStdString();
}
