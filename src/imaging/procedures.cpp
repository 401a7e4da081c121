// The star-measurement procedures: one step per frame of the current slot
// while ProcedureState holds a running (even) value, and their end when the
// tracking step loses the star.

#include "imaging/frame_helpers.h"

#include "app/controls/float_text.h"
#include "app/controls/num_inp.h"
#include "app/frm_alv.h"
#include "app/frm_message.h"
#include "app/frm_pref.h"
#include "app/helpers/calc_helpers.h"
#include "app/settings.h"
#include "capture/camera_slots.h"
#include "imaging/display_helpers.h"
#include "imaging/overlays.h"
#include "imaging/pipeline_state.h"
#include "platform/clock.h"
#include "telescope/frm_err_period.h"
#include "telescope/frm_mise_en_station.h"
#include "telescope/frm_tool_suivi.h"
#include "telescope/mount_state.h"
#include "telescope/prg_suivi.h"
#include "telescope/tracking/tracking_state.h"
#include "tools/frm_tool_mesures.h"
#include "translation/translated_texts.h"

#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace Align_V {

namespace {

constexpr double kSiderealRate = 15.041017;        // seconds of arc per second of time
constexpr double kEarthRotation = 7.29209e-05;     // radians per second
constexpr double kDegToRad = M_PI / 180;
constexpr double kArcsecToRad = M_PI / 648000;
constexpr kernels::Colour kMagenta = 16711935;

void setNum(TCustomNumInp* input, double value)
{
    if (!input || !std::isfinite(value))
        return;
    input->SetValue(std::clamp<long double>(value, input->Min(), input->Max()));
}

double num(const TCustomNumInp* input)
{
    return input ? double(input->Value()) : 0.0;
}

double sampling()
{
    return FRM_Tool_Mesures ? num(FRM_Tool_Mesures->TNI_Echantillonnage) : 0.0;
}

QString general(double value)
{
    return app::FloatToStrF(value, app::FloatFormat::General, 4, 2);
}

// The common end: back to the armed value, the execute button enabled and
// "Execution terminée" alone in the message window.
void endProcedure(std::uint8_t state)
{
    ProcedureState = std::uint8_t(state - 1);
    if (FRM_Alv)
        FRM_Alv->SPDB_Executer->setEnabled(true);
    Msg::ShowMessageText(true, TranslatedTexts.MSG_ExecutionTerminee);
}

struct Step {
    double dx = 0, dy = 0, length = 0, t = 0, direction = 0, S = 0;
};

Step measure(const QPointF& pos)
{
    Step s;
    s.dx = pos.x() - ProcedureStart.pos.x();
    s.dy = pos.y() - ProcedureStart.pos.y();
    s.length = std::hypot(s.dx, s.dy);
    s.t = double(platform::clock().monotonicMs() - ProcedureStart.time_ms) / 1000.0;
    s.direction = CalcHelpers::DriftDirection(s.dx, s.dy, s.length);
    s.S = sampling();
    ProcedureElapsed = s.t;
    return s;
}

int trail(double d)
{
    return std::max(int(std::abs(std::nearbyint(d))), 1);
}

// ---- 8: star declination and field orientation ----------------------------

void declination(const Step& s)
{
    // Nothing is measured before any time has passed.
    if (s.t <= 0)
        return;
    FieldOrientation = s.direction;
    auto* m = FRM_Tool_Mesures;
    if (m) {
        m->SCB_Orient->setValue(int(std::trunc(s.direction)) * 10);
        setNum(m->TNI_Orient, s.direction);
    }
    const double rate = s.S * s.length / s.t;
    const double decl = CalcHelpers::ArcCos(std::min(1.0, rate / kSiderealRate)) * 648000 / M_PI;
    if (FRM_MiseEnStation)
        setNum(FRM_MiseEnStation->TNI_Decl_Etoile, decl / 3600);
    if (m) {
        setNum(m->TNI_Vitesse_Etoile, rate);
        m->EDT_Decl_Etoile->setText(CalcHelpers::DecToStr(decl));
    }
}

// ---- 12: drift speed -------------------------------------------------------

void driftSpeed(const Step& s)
{
    if (s.t <= 0 || !FRM_Tool_Suivi)
        return;
    setNum(FRM_Tool_Suivi->TNI_Vitesse_Derive_AD, s.S * s.dx / s.t);
    setNum(FRM_Tool_Suivi->TNI_Vitesse_Derive_Dec, s.S * s.dy / s.t);
}

// ---- 6: pixel size ----------------------------------------------------------

void pixelSize(const Step& s, std::uint8_t slot)
{
    const double size = std::max(PixelSizeFromAngle(DriftScaleAngle(s.length)), 1.0);
    if (FRM_Pref) {
        setNum(FRM_Pref->TNI_Larg_Pix, size);
        setNum(FRM_Pref->TNI_Haut_Pix, size);
    }
    if (FRM_Tool_Mesures && FRM_Tool_Mesures->RDB_Preferences->isChecked()) {
        setNum(FRM_Tool_Mesures->TNI_Larg_Pix, size);
        setNum(FRM_Tool_Mesures->TNI_Haut_Pix, size);
    }
    Settings::SetAngleUnitCaptions(slot);
}

// ---- 2 and 10: polar alignment (Bigourdan) and periodic error ---------------

double skyAngle(const Step& s)
{
    const double orient = FRM_Tool_Mesures ? num(FRM_Tool_Mesures->TNI_Orient) : 0.0;
    return CalcHelpers::AddAngles(-orient, s.direction);
}

void bigourdan(const Step& s)
{
    auto* w = FRM_MiseEnStation;
    const double angle = skyAngle(s);
    ProcedureDirection = angle;
    if (!w)
        return;
    setNum(w->TNI_Long_Trainee_X, trail(s.dx));
    setNum(w->TNI_Long_Trainee_Y, trail(s.dy));
    w->BTN_Premiere_Correction->setEnabled(true);
    const bool inverted = angle >= 180;
    if (w->RDB_Sud->isChecked()) {
        const bool az = FRM_Pref && FRM_Pref->CKB_Inverse_Az->isChecked();
        w->EDT_Correct->setText(DirectionName(false, az != inverted));
    } else {
        const bool alt = FRM_Pref && FRM_Pref->CKB_Inverse_Alt->isChecked();
        w->EDT_Correct->setText(DirectionName(true, (alt != w->RDB_Est->isChecked()) != inverted));
    }
    if (s.t > 3) {
        setNum(w->TNI_Duree_Pose, s.t);
        Settings::RunHandler(QStringLiteral("FRM_MiseEnStation.BTN_CalculerClick"));
    }
}

void periodicError(const Step& s)
{
    PeriodicErrorTrail = QPoint(trail(s.dx), trail(s.dy));
    ProcedureDirection = skyAngle(s);
    if (s.t >= 3) {
        if (FRM_ErrPeriod)
            setNum(FRM_ErrPeriod->TNI_Duree_Pose, s.t);
        Settings::RunHandler(QStringLiteral("ErrPeriod.MeasurePeriodicError"));
    }
}

// ---- 4: polar alignment (King) ------------------------------------------------

// A dotted circle of the not-xor pen, as a polygon fine enough for its size.
void dottedCircle(kernels::DottedNotXorPen& pen, QPoint c, int radius)
{
    constexpr int kSides = 48;
    pen.moveTo(c.x() + radius, c.y());
    for (int i = 1; i <= kSides; ++i) {
        const double a = 2 * M_PI * i / kSides;
        pen.lineTo(c.x() + int(std::lround(radius * std::cos(a))), c.y() + int(std::lround(radius * std::sin(a))));
    }
}

void king(const Step& start, kernels::Bitmap24& picture)
{
    auto* w = FRM_MiseEnStation;
    const double S = start.S;
    const double t = start.t;
    if (t > 3) {
        const QPointF cur = StarPosPrecise;
        const Step s = measure(cur);
        if (w)
            setNum(w->TNI_Duree_Pose_King, t);
        if (!KingPaused) {
            const double wt = kEarthRotation * t;
            const double X = s.dx / 2 - s.dy / wt, Y = s.dx / wt + s.dy / 2;
            KingOffset = QPoint(int(std::trunc(X)), int(std::trunc(Y)));
            if (FRM_Pref && FRM_Pref->CKB_RenvoiCoude->isChecked())
                KingOffset = -KingOffset;
            KingTarget = ProcedureStarPos + KingOffset;
        }
        const double vx = KingTarget.x() - cur.x(), vy = KingTarget.y() - cur.y();
        const double d = std::hypot(vx, vy);
        const double a = CalcHelpers::DriftDirection(vx, vy, d);
        // The pointer's end stays inside the picture, whatever its size.
        const int ex = std::clamp(int(std::lround(cur.x() + 100 * std::cos(a * kDegToRad))), 0, picture.width());
        const int ey = std::clamp(int(std::lround(cur.y() + 100 * std::sin(a * kDegToRad))), 0, picture.height());
        kernels::DottedNotXorPen pen(picture, kMagenta);
        if (picture.contains(KingTarget.x(), KingTarget.y()))
            dottedCircle(pen, KingTarget, 15);
        pen.moveTo(int(std::lround(cur.x())), int(std::lround(cur.y())));
        pen.lineTo(ex, ey);
        TextOut(picture, ex, ey, CalcHelpers::DecToStr(std::abs(S * d)), kGreen);
        if (!KingPaused) {
            const double orient = FRM_Tool_Mesures ? num(FRM_Tool_Mesures->TNI_Orient) : 0.0;
            const double b = std::fmod(a - orient, 360.0) * kDegToRad;
            KingOffset = QPoint(int(std::trunc(d * std::cos(b))), int(std::trunc(d * std::sin(b))));
        }
    }
    if (!w || !FRM_Pref)
        return;
    const TFRM_Pref& p = *FRM_Pref;
    w->EDT_CorrectKingEO->setText(DirectionName(false, p.CKB_Inverse_Az->isChecked() != (KingOffset.x() <= 0)));
    w->EDT_CorrectKingNS->setText(DirectionName(true, p.CKB_Inverse_Alt->isChecked() != (KingOffset.y() <= 0)));
    const double eo = std::abs(KingOffset.x() * S * kArcsecToRad * num(p.TNI_Rayon_Az));
    const double ns = std::abs(KingOffset.y() * S * kArcsecToRad * num(p.TNI_Rayon_Alt));
    w->EDT_DistanceX_DMS->setText(CalcHelpers::DecToStr(std::abs(KingOffset.x() * S)));
    w->EDT_DistanceY_DMS->setText(CalcHelpers::DecToStr(std::abs(KingOffset.y() * S)));
    w->EDT_Deplacement_EstOuest->setText(general(eo));
    w->EDT_Deplacement_NordSud->setText(general(ns));
    w->EDT_Deplacement_EstOuest_Tours->setText(general(eo / std::max(0.001, num(p.TNI_Fil_Az))));
    w->EDT_Deplacement_NordSud_Tours->setText(general(ns / std::max(0.001, num(p.TNI_Fil_Alt))));
}

// ---- 14: motor speed learning ----------------------------------------------

constexpr std::uint8_t kLearnDone = 10;
// The moves of sub-states 5 to 8, in their order, and the Preferences'
// speed of each (the sums keep the same order).
constexpr std::array<std::uint8_t, 4> kLearnMoves{dirWest, dirNorth, dirEast, dirSouth};

std::array<TCustomNumInp*, 4> learnSpeeds(TFRM_Pref& p)
{
    return {p.TNI_Vitesse_Ouest, p.TNI_Vitesse_Nord, p.TNI_Vitesse_Est, p.TNI_Vitesse_Sud};
}

bool learnMoving(std::uint8_t step)
{
    return step >= 5 && step <= 8;
}

void stopLearningTimer()
{
    if (FRM_Alv)
        FRM_Alv->TMR_Appr->stop();
}

void startLearningMove(std::uint8_t step)
{
    MotionSource = 1;
    Prg_Suivi::StartMotion(kLearnMoves[std::size_t(step - 5)], false, true, Prg_Suivi::kUntilStopped);
}

// Advances the sub-state when the current move has lasted its test time.
void learningStep()
{
    TLearning& L = Learning;
    if (L.step != 0 && !L.tick)
        return;
    stopLearningTimer();
    const int iterations = FRM_Pref ? FRM_Pref->SPED_Iterations->value() : 1;
    if (L.step == 0) {
        L.step = 5;
        startLearningMove(L.step);
    } else if (learnMoving(L.step)) {
        Prg_Suivi::StopMountDirection(kLearnMoves[std::size_t(L.step - 5)]);
        ++L.step;
        if (learnMoving(L.step))
            startLearningMove(L.step);
    } else if (L.step == 9) {
        if (iterations >= L.counter) {
            L.step = 5;
            startLearningMove(L.step);
        } else {
            L.step = kLearnDone;
        }
    }
    if (L.step == kLearnDone)
        return;
    ProcedureStart.time_ms = platform::clock().monotonicMs();
    ProcedureStart.pos = QPointF(TrackedStarPos);
    L.tick = 0;
    if (FRM_Alv && FRM_Pref) {
        FRM_Alv->TMR_Appr->setInterval(std::max(int(std::lround(num(FRM_Pref->TNI_Duree_test) - 0.5)), 1));
        FRM_Alv->TMR_Appr->start();
    }
}

void learningMeasure()
{
    TLearning& L = Learning;
    const Step s = measure(QPointF(TrackedStarPos));
    const double t = std::max(s.t, 0.01);
    FieldOrientation = s.direction;
    const double rate = s.length / t * s.S;
    TFRM_Pref* p = FRM_Pref;
    if (!p)
        return;
    const auto speeds = learnSpeeds(*p);
    if (learnMoving(L.step)) {
        setNum(speeds[std::size_t(L.step - 5)], rate);
    } else if (L.step == 9) {
        for (std::size_t i = 0; i < speeds.size(); ++i)
            L.sums[i] += num(speeds[i]);
        ++L.cycles;
        L.tick = 1;
        if (p->SPED_Iterations->value() > L.counter)
            ++L.counter;
        else
            L.step = kLearnDone;
    }
    p->EDT_Etape_Appr->setText(QString::number(L.counter));
}

// The end of the learning, normal or not: every move and the timer stopped,
// the averages of the completed cycles kept (none: the old speeds stay).
void endLearning()
{
    stopLearningTimer();
    TLearning& L = Learning;
    // The move under way first, on the interface that started it.
    if (learnMoving(L.step))
        Prg_Suivi::StopMountDirection(kLearnMoves[std::size_t(L.step - 5)]);
    Prg_Suivi::StopGuidePort();
    L.step = kLearnDone;
    if (!FRM_Pref)
        return;
    const auto speeds = learnSpeeds(*FRM_Pref);
    std::array<double*, 4> inForce{&MotorSpeeds.West, &MotorSpeeds.North, &MotorSpeeds.East, &MotorSpeeds.South};
    for (std::size_t i = 0; i < speeds.size(); ++i) {
        // Without a completed cycle the fields showed partial measures only.
        if (L.cycles > 0) {
            setNum(speeds[i], L.sums[i] / L.cycles);
            *inForce[i] = num(speeds[i]);
        } else {
            setNum(speeds[i], *inForce[i]);
        }
    }
}

} // namespace

void AdvanceProcedures(std::uint8_t slot, std::uint8_t trackResult)
{
    const std::uint8_t state = ProcedureState;
    if (state == 0 || state == 2 || state == 6 || state == 8 || state == 10 || state == 12 || state == 14)
        ProcedureStarPos = TrackedStarPos;
    if (state % 2 != 0 || state == 0 || state >= 16)
        return;

    if (state == 14) {
        if (trackResult != 0) {
            learningStep();
            if (Learning.step != kLearnDone)
                learningMeasure();
        }
        if (trackResult == 0 || Learning.step == kLearnDone) {
            endLearning();
            endProcedure(state);
            if (Learning.cycles == 0)
                Msg::ShowMessageText(false, TranslatedTexts.MSG_Apprentissage_Interrompu);
        }
        return;
    }

    if (trackResult == 0) {
        if (state == 12) {
            const double t = double(platform::clock().monotonicMs() - ProcedureStart.time_ms) / 1000.0;
            DriftGuideSeconds = std::int32_t(std::trunc(std::max(t, 0.0)));
            TrackDrift.reset();
        }
        // The windows of the measurement show it has ended.
        if (state == 10 && FRM_ErrPeriod)
            FRM_ErrPeriod->RecordingStopped();
        if (state == 4 && FRM_MiseEnStation)
            FRM_MiseEnStation->KingStopped();
        endProcedure(state);
        return;
    }

    const Step s = measure(QPointF(ProcedureStarPos));
    switch (state) {
    case 2:
        bigourdan(s);
        break;
    case 4:
        if (FRM_Alv) {
            TImageView* view = slot == 2 ? FRM_Alv->Image2 : FRM_Alv->Image1;
            king(s, view->Bitmap());
            view->Changed();
        }
        break;
    case 6:
        pixelSize(s, slot);
        break;
    case 8:
        declination(s);
        break;
    case 10:
        periodicError(s);
        break;
    case 12:
        driftSpeed(s);
        break;
    default:
        break;
    }
}

void StopLearning()
{
    if (ProcedureState == 14)
        endLearning();
}

void EndLearningOnSourceStop(int slot)
{
    if (ProcedureState == 14 && slot == CurrentCameraSlot)
        AdvanceProcedures(std::uint8_t(slot), 0);
}

} // namespace Align_V
