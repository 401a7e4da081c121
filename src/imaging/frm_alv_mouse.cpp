// Clicks, drags and moves on the main window's views: the two source views
// place the tracking zone (left button on the guided slot) and the display
// zone (right button on the current slot), ask the mount for a manual
// correction toward or away from the click, set the reticle's centre and
// the ends of the distance measure; the result view does the same in
// result-image coordinates when guiding on the result. Moves report the
// pixel under the pointer and, while a button pressed on the first source
// view is held, drag the zones.
//
// Every handler takes the shift state as a set: 1 Shift, 2 Alt, 4 Ctrl,
// 8 left, 16 right, 32 middle button. Only the sets 1, 5, 6, 2 and 4 are
// special; any other set, button bits included, is a plain click. Other
// windows and scripts call the mouse-up handlers with a made-up click and
// the main window itself as the sender.

#include "app/frm_alv.h"

#include "app/frm_pref.h"
#include "app/helpers/calc_helpers.h"
#include "app/settings.h"
#include "app/controls/float_text.h"
#include "app/ui/event_boundary.h"
#include "capture/camera_slots.h"
#include "imaging/display_zone.h"
#include "imaging/image_mouse.h"
#include "imaging/overlays.h"
#include "imaging/pipeline_state.h"
#include "imaging/process_frame.h"
#include "platform/clock.h"
#include "telescope/frm_tool_suivi.h"
#include "telescope/track_step.h"
#include "telescope/tracking/tracking_state.h"
#include "tools/frm_info.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_images.h"
#include "tools/frm_tool_mesures.h"
#include "tools/util_images.h"

#include <QDate>
#include <QMouseEvent>
#include <QPointer>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr int kShift = 1, kAlt = 2, kCtrl = 4, kCtrlShift = 5, kCtrlAlt = 6;

bool isPlainClick(int shift)
{
    return shift != kShift && shift != kAlt && shift != kCtrl && shift != kCtrlShift && shift != kCtrlAlt;
}

bool timerRunning(const TFRM_Alv& w, int slot)
{
    const QTimer* timer = slot == 1 ? w.Timer_Cam1 : w.Timer_Cam2;
    return timer && timer->isActive();
}

// A slot that delivers frames: its frame timer runs, it streams, or it is a
// WDM device or a plug-in camera (driven by their frame messages).
bool slotIsLive(const TFRM_Alv& w, int slot)
{
    const TCameraSlot& s = CameraSlots[std::size_t(slot)];
    return timerRunning(w, slot) || s.streamMode || s.sourceKind == 1 || s.sourceKind == 3;
}

bool darkOrFlatIntegrating()
{
    const auto* t = FRM_Tool_Images;
    return t && t->CKB_Integration->isChecked() && (t->RDB_Dark->isChecked() || t->RDB_Flat->isChecked());
}

bool noMount() { return !FRM_Pref || FRM_Pref->RDB_Mount_Aucun->isChecked(); }

bool checked(const QAbstractButton* box) { return box && box->isChecked(); }

int detectionZoneSize()
{
    return FRM_Tool_Affichage ? int(std::trunc(double(FRM_Tool_Affichage->TNI_Taille_ZDetect->Value()))) : 0;
}

QPoint frameCentre(int slot)
{
    const TCameraSlot& s = CameraSlots[std::size_t(slot)];
    return QPoint(s.width / 2, s.height / 2);
}

// Moves the tracked star to p, keeping where it was; the display zone's
// centre follows it when the guided slot is the one shown.
void placeTrackedStar(QPoint p)
{
    PreviousTrackedStarPos = TrackedStarPos;
    TrackedStarPos = p;
    if (GuideSourceSlot == CurrentCameraSlot)
        DisplayZoneCenter = TrackedStarPos;
}

// The display zone stays where it was while the tracking zone moves: its
// offset takes back the star's move.
void keepDisplayZone()
{
    PreviousDisplayZoneOffset = DisplayZoneOffset;
    DisplayZoneOffset -= TrackedStarPos - PreviousTrackedStarPos;
}

void stampTrackedStar(int x, int y)
{
    TrackedStarPosF = QPointF(x, y);
    auto& c = platform::clock();
    TrackTimeStamp.Wall = c.wallNow();
    TrackTimeStamp.Monotonic_ms = c.monotonicMs();
    TrackTimeStamp.Time = TrackTimeStamp.Wall.time().msecsSinceStartOfDay();
    TrackTimeStamp.Date = std::int32_t(QDate(1899, 12, 30).daysTo(TrackTimeStamp.Wall.date()));
}

// A manual correction that moves the star by (dx, dy) in the frame; never
// with no mount. The correction takes the star's offset from where it
// should be, the opposite of the move.
void manualCorrection(double dx, double dy)
{
    if (noMount())
        return;
    Align_V::TrackDriftStar();
    Align_V::SendGuideCorrection(-dx, -dy);
}

void processFrame(int slot)
{
    std::uint8_t keep = 0;
    Align_V::ProcessFrame(1, keep, std::uint8_t(slot));
}

// The slot's display zone recomputed, its outline drawn on the views that
// show it, and the slot's frame processed again.
void redraw(int slot)
{
    Align_V::RedrawDisplayZone(std::uint8_t(slot));
    processFrame(slot);
}

// The reticle (and the comparison picture when it fits) at MeasureCentre.
void drawMeasureCentre(int slot)
{
    Align_V::ClearOverlay();
    const auto* m = FRM_Tool_Mesures;
    if (!m)
        return;
    if (m->CKB_Reticule->isChecked())
        Align_V::DrawReticle(MeasureCentre.x(), MeasureCentre.y(), m->CKB_Croix->isChecked(),
                             double(m->TNI_Echantillonnage->Value()), double(m->TNI_Orient->Value()),
                             m->CKB_Cercles->isChecked(), std::uint8_t(slot));
    if (m->CKB_Fichier_Comparaison->isChecked() && m->OverlayPictureRecord.Valid)
        Align_V::DrawOverlayPicture(MeasureCentre.x(), MeasureCentre.y());
}

void measurePoint(QPoint p)
{
    PreviousMeasurePoint = MeasurePoint;
    MeasurePoint = p;
    Align_V::UpdateDistanceMeasure();
    MeasureDelta = MeasurePoint - PreviousMeasurePoint;
    Align_V::UpdateDistanceMeasure();
}

// Left click on the guided source view, the tracking part.
void placeTrackingZone(int slot, int shift, int x, int y)
{
    switch (shift) {
    case kShift:
        placeTrackedStar(frameCentre(slot));
        if (!(checked(FRM_Tool_Affichage->CKB_Zones_Liees) || slot != CurrentCameraSlot))
            keepDisplayZone();
        redraw(slot);
        return;
    case kCtrlShift:
        manualCorrection(x - TrackedStarPos.x(), y - TrackedStarPos.y());
        return;
    case kCtrlAlt:
        if (slot == 1) {
            manualCorrection(TrackedStarPos.x() - x, TrackedStarPos.y() - y);
            return;
        }
        break;   // the second view has no "away": a plain click
    case kAlt:
    case kCtrl:
        return;
    default:
        break;
    }
    placeTrackedStar(QPoint(x, y));
    stampTrackedStar(x, y);
    if (!(checked(FRM_Tool_Affichage->CKB_Zones_Liees) || slot != CurrentCameraSlot))
        keepDisplayZone();
    const auto* s = FRM_Tool_Suivi;
    if (s && s->CKB_Suivi->isChecked()) {
        const int Z = detectionZoneSize();
        if (s->RDB_Correlation->isChecked()) {
            if (slot == 1)
                PreviousStarPos = TrackedStarPos;
            Align_V::CaptureZoneReference(Align_V::SourceFrame(std::uint8_t(slot), 0, false), x, y, Z, Z,
                                          s->SPED_Correl_Precision->value(), s->CBX_Couleurs_Suivi->currentIndex());
        }
        // The click is the new target before the step runs: a correction
        // the step sends goes there, never to the old target.
        if (s->CKB_Recentrage->isChecked())
            RecentreTarget = QPoint(x, y);
        Align_V::TrackStep(x, y, Z, Z, 1, 0, std::uint8_t(slot), 0, TrackResult, 0);
        if (s->CKB_Recentrage->isChecked()) {
            if (!noMount())
                Align_V::SendGuideCorrection(TrackedStarPos.x() - RecentreTarget.x(),
                                             TrackedStarPos.y() - RecentreTarget.y());
        }
    }
    redraw(slot);
}

void sourceMouseUp(TFRM_Alv& w, QObject* sender, int slot, int button, int shift, int x, int y)
{
    if (slot == 1 && sender != &w && button >= 0 && button < 3)
        MouseButtonHeld[std::size_t(button)] = 0;
    if (!slotIsLive(w, slot))
        return;
    PipelineActive = 1;
    const bool integrating = darkOrFlatIntegrating();
    if (button == 0 && slot == GuideSourceSlot) {
        TrackAverageCount = 0;
        if (!integrating)
            placeTrackingZone(slot, shift, x, y);
        if (shift == kCtrl && (slot == 1 || (FRM_Tool_Mesures && FRM_Tool_Mesures->CKB_Reticule->isChecked()))) {
            MeasureCentre = QPoint(x, y);
            drawMeasureCentre(slot);
            processFrame(slot);
        } else if (shift == kAlt) {
            measurePoint(QPoint(x, y));
        }
    } else if (button == 1 && slot == CurrentCameraSlot) {
        if (integrating)
            return;
        QPoint target;
        if (shift == kShift)
            target = frameCentre(slot);
        else if (isPlainClick(shift))
            target = QPoint(x, y);
        else
            return;
        PreviousDisplayZoneOffset = DisplayZoneOffset;
        DisplayZoneOffset = target - DisplayZoneCenter;
        redraw(slot);
    }
}

// The first held button in the order left, right, middle, or -1. A button
// the move's state shows up was released where no view saw it (a message
// box opened by the click took the release): it is no longer held.
int heldButton(int shift)
{
    for (int b = 0; b < 3; ++b)
        if (MouseButtonHeld[std::size_t(b)] && !(shift & (8 << b)))
            MouseButtonHeld[std::size_t(b)] = 0;
    for (int b = 0; b < 3; ++b)
        if (MouseButtonHeld[std::size_t(b)])
            return b;
    return -1;
}

void showPixel(int source, int x, int y)
{
    InfoPoint = TInfoPoint{source, QPoint(x, y)};
    if (FRM_Info && FRM_Info->isVisible())
        Util_Images::ShowPixelValues(source, x, y);
}

// ---- the views' mouse events ------------------------------------------------

int buttonNumber(Qt::MouseButton b)
{
    switch (b) {
    case Qt::LeftButton:
        return 0;
    case Qt::RightButton:
        return 1;
    case Qt::MiddleButton:
        return 2;
    default:
        return -1;
    }
}

int shiftState(const QMouseEvent& e)
{
    int s = 0;
    const Qt::KeyboardModifiers m = e.modifiers();
    if (m & Qt::ShiftModifier)
        s |= kShift;
    if (m & Qt::AltModifier)
        s |= kAlt;
    if (m & Qt::ControlModifier)
        s |= kCtrl;
    const Qt::MouseButtons b = e.buttons();
    if (b & Qt::LeftButton)
        s |= 8;
    if (b & Qt::RightButton)
        s |= 16;
    if (b & Qt::MiddleButton)
        s |= 32;
    return s;
}

// Turns the mouse events of the views into the handlers' calls, positions
// in picture pixels: inside the picture (a release or a drag past its edge
// counts at the edge). Moves are coalesced: however many arrive, the
// handler runs once per turn of the event loop with the last of them.
class ViewMouse final : public QObject {
public:
    ViewMouse(TFRM_Alv* window, TImageView* view) : QObject(view), window_(window), view_(view) {}

    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseButtonRelease: {
            auto* e = static_cast<QMouseEvent*>(event);
            const int button = buttonNumber(e->button());
            if (button < 0)
                break;
            const QPoint p = pixel(*e);
            const int shift = shiftState(*e);
            const bool press = event->type() != QEvent::MouseButtonRelease;
            if (!press)
                movePending_ = false;   // the release stands for the last move
            app::runGuarded(view_->objectName(), [&] { dispatchButton(press, button, shift, p); });
            return true;
        }
        case QEvent::MouseMove: {
            auto* e = static_cast<QMouseEvent*>(event);
            lastMove_ = pixel(*e);
            lastShift_ = shiftState(*e);
            if (!movePending_) {
                movePending_ = true;
                QMetaObject::invokeMethod(this, [this] { runMove(); }, Qt::QueuedConnection);
            }
            return true;
        }
        default:
            break;
        }
        return false;
    }

private:
    QPoint pixel(const QMouseEvent& e) const
    {
        const QPoint p = e.position().toPoint();
        const kernels::Bitmap24& b = view_->Bitmap();
        const int w = b.isEmpty() ? view_->width() : b.width();
        const int h = b.isEmpty() ? view_->height() : b.height();
        return QPoint(std::clamp(p.x(), 0, std::max(w - 1, 0)), std::clamp(p.y(), 0, std::max(h - 1, 0)));
    }

    void dispatchButton(bool press, int button, int shift, QPoint p)
    {
        TFRM_Alv& w = *window_;
        if (view_ == w.Image1) {
            if (press)
                w.Image1MouseDown(view_, button, shift, p.x(), p.y());
            else
                w.Image1MouseUp(view_, button, shift, p.x(), p.y());
        } else if (press) {
            return;
        } else if (view_ == w.Image2) {
            w.Image2MouseUp(view_, button, shift, p.x(), p.y());
        } else if (view_ == w.Image3) {
            w.Image3MouseUp(view_, button, shift, p.x(), p.y());
        } else if (view_ == w.IMG_Mosaic) {
            w.IMG_MosaicMouseUp(view_, button, shift, p.x(), p.y());
        }
    }

    void runMove()
    {
        if (!movePending_ || !window_)
            return;
        movePending_ = false;
        TFRM_Alv& w = *window_;
        app::runGuarded(view_->objectName(), [&] {
            if (view_ == w.Image1)
                w.Image1MouseMove(view_, lastShift_, lastMove_.x(), lastMove_.y());
            else if (view_ == w.Image2)
                w.Image2MouseMove(view_, lastShift_, lastMove_.x(), lastMove_.y());
            else if (view_ == w.Image3)
                w.Image3MouseMove(view_, lastShift_, lastMove_.x(), lastMove_.y());
        });
    }

    QPointer<TFRM_Alv> window_;
    TImageView* view_;
    bool movePending_ = false;
    QPoint lastMove_;
    int lastShift_ = 0;
};

} // namespace

void TFRM_Alv::ConnectMouseHandlers()
{
    for (TImageView* view : {Image1, Image2, Image3, IMG_Mosaic}) {
        view->setMouseTracking(view != IMG_Mosaic);
        view->installEventFilter(new ViewMouse(this, view));
    }
    Settings::RegisterHandler(QStringLiteral("Align_V.UpdateDistanceMeasure"), [] { Align_V::UpdateDistanceMeasure(); });
}

void TFRM_Alv::Image1MouseDown(QObject*, int button, int, int, int)
{
    if (button >= 0 && button < 3)
        MouseButtonHeld[std::size_t(button)] = 1;
}

void TFRM_Alv::Image1MouseUp(QObject* sender, int button, int shift, int x, int y)
{
    sourceMouseUp(*this, sender, 1, button, shift, x, y);
}

void TFRM_Alv::Image2MouseUp(QObject* sender, int button, int shift, int x, int y)
{
    sourceMouseUp(*this, sender, 2, button, shift, x, y);
}

void TFRM_Alv::Image3MouseUp(QObject*, int button, int shift, int x, int y)
{
    const int slot = CurrentCameraSlot;
    const auto* s = FRM_Tool_Suivi;
    const bool guideOnResult = s && s->CKB_Guide_On_Result->isChecked() && s->RDB_Autoguidage->isChecked();
    if (guideOnResult && (slot == 1 || slot == 2) && slotIsLive(*this, slot)) {
        PipelineActive = 1;
        if (button == 0 && GuideSourceSlot == slot && !checked(FRM_Tool_Images->RDB_Dark)) {
            const bool linkedOnFirst = checked(FRM_Tool_Affichage->CKB_Zones_Liees) && GuideSourceSlot == 1;
            if (shift == kShift || isPlainClick(shift) || shift == kCtrlAlt) {
                const bool centre = shift == kShift;
                placeTrackedStar(centre ? frameCentre(slot) : QPoint(x, y));
                if (!centre)
                    stampTrackedStar(x, y);
                if (!linkedOnFirst)
                    keepDisplayZone();
            } else if (shift == kCtrlShift) {
                manualCorrection(x - TrackedStarPos.x(), y - TrackedStarPos.y());
            }
            if (shift != kAlt && shift != kCtrl) {
                if (s->CKB_Suivi->isChecked()) {
                    const int Z = detectionZoneSize();
                    Align_V::TrackStep(x, y, Z, Z, 1, 0, std::uint8_t(slot), 0, TrackResult, 0);
                }
                if (shift != kCtrlShift)
                    processFrame(slot);
            }
        }
    }
    if (button != 0)
        return;
    // Result pixels to frame pixels: the result shows the display zone.
    const QPoint corner(DisplayZoneRect.left, DisplayZoneRect.top);
    if (shift == kCtrl) {
        MeasureCentre = QPoint(x, y) + corner;
        drawMeasureCentre(slot);
        processFrame(slot);
    } else if (shift == kAlt) {
        measurePoint(QPoint(x, y) + corner);
    }
}

void TFRM_Alv::Image1MouseMove(QObject*, int shift, int x, int y)
{
    showPixel(1, x, y);
    if (const int b = heldButton(shift); b >= 0)
        Image1MouseUp(this, b, shift, x, y);
}

void TFRM_Alv::Image2MouseMove(QObject*, int shift, int x, int y)
{
    if (const int b = heldButton(shift); b >= 0)
        Image2MouseUp(this, b, shift, x, y);
}

void TFRM_Alv::Image3MouseMove(QObject*, int, int x, int y)
{
    showPixel(3, x, y);
}

namespace Align_V {

void UpdateDistanceMeasure()
{
    auto* m = FRM_Tool_Mesures;
    const double scale = m ? double(m->TNI_Echantillonnage->Value()) : 0.0;
    MeasuredAngle = std::hypot(double(MeasureDelta.x()), double(MeasureDelta.y())) * scale;
    // The linear size that angle spans at the object's distance, in the
    // distance's own unit.
    const double distance = m ? double(m->TNI_DistObjet->Value()) : 0.0;
    MeasuredSize = 2 * distance * std::tan(std::numbers::pi * MeasuredAngle / 648000 / 2);
    if (!m)
        return;
    m->EDT_Angle_Calcule->setText(CalcHelpers::DecToStr(MeasuredAngle));
    m->EDT_Distance_Calculee->setText(app::FloatToStrF(MeasuredSize, app::FloatFormat::General, 3, 0));
}

} // namespace Align_V
