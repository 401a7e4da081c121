#include "tools/frm_full_screen.h"

#include "app/frm_alv.h"
#include "app/ui/control_adapters.h"
#include "app/ui/event_boundary.h"
#include "app/ui/window_stacking.h"
#include "capture/camera_slots.h"
#include "imaging/display_zone.h"
#include "imaging/image_mouse.h"
#include "imaging/overlays.h"
#include "imaging/pipeline_state.h"
#include "imaging/process_frame.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_mesures.h"

#include <QActionGroup>
#include <QMouseEvent>
#include <cmath>

TFRM_FullScreen* FRM_FullScreen = nullptr;
std::unique_ptr<kernels::Bitmap24> FullScreenZoom2, FullScreenZoom4;

TFRM_FullScreen::TFRM_FullScreen(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    KeyPreview = true;
    // Kept on top as it first opens, in its normal state, as the style
    // switch keeps it afterwards: it takes its first place as such a window.
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    auto* modes = new QActionGroup(this);
    for (QAction* item : {MNU_Standard, MNU_Bilinear, MNU_Bilinear_X2})
        modes->addAction(item);
    app::bindMenuItemClick(MNU_Standard, this, &TFRM_FullScreen::MNU_StandardClick);
    app::bindMenuItemClick(MNU_Bilinear, this, &TFRM_FullScreen::MNU_BilinearClick);
    app::bindMenuItemClick(MNU_Bilinear_X2, this, &TFRM_FullScreen::MNU_Bilinear_X2Click);
    IMG_FullScreen->setMouseTracking(true);
    IMG_FullScreen->installEventFilter(this);
}

QEvent::Type TFRM_FullScreen::FullScreenResizeEvent()
{
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
}

void TFRM_FullScreen::FormCreate() { FullScreenResizeEvent(); }

void TFRM_FullScreen::FormActivate()
{
    FormResize();
    Closing = 0;
}

void TFRM_FullScreen::FormCloseQuery(bool& canClose)
{
    Closing = 1;
    canClose = true;
}

void TFRM_FullScreen::FormClose(TCloseAction&)
{
    if (!FRM_Alv)
        return;
    FRM_Alv->MNU_PleinEcran->setChecked(false);
    FRM_Alv->SPDB_PleinEcran->setChecked(false);
}

double TFRM_FullScreen::displayRatio() const
{
    const TFRM_Tool_Affichage* a = FRM_Tool_Affichage;
    if (!a)
        return 1.25;
    double r = Align_V::GetDisplayRatio(a->SCB_Taille_ZAffich->value(), a->SCB_Taille_ZAffichV->value());
    if (a->CKB_DoubleEnreg->isChecked()) {
        const int current = CurrentCameraSlot == 2 ? 2 : 1;
        std::uint8_t layout = CameraSlots[std::size_t(current)].recordLayout;
        if (layout == 0)
            layout = CameraSlots[std::size_t(3 - current)].recordLayout;
        if (layout == 1)
            r *= 2;
        else if (layout == 2)
            r /= 2;
    }
    return r;
}

QSize TFRM_FullScreen::ImageSizeFor(QSize client, double ratio)
{
    if (!(ratio > 0) || !std::isfinite(ratio))
        ratio = 1;
    int h = std::max(client.height(), 0);
    int w = int(std::trunc(h * ratio));
    if (client.width() < w) {
        w = std::max(client.width(), 0);
        h = int(std::trunc(w / ratio));
    }
    return {std::max(w, 1), std::max(h, 1)};
}

void TFRM_FullScreen::FormResize()
{
    QCoreApplication::postEvent(this, new QEvent(FullScreenResizeEvent()));
    if (Closing || !isVisible())
        return;
    const QSize size = ImageSizeFor(centralWidget()->size(), displayRatio());
    IMG_FullScreen->SetPictureSize(size.width(), size.height());
    IMG_FullScreen->setGeometry(0, 0, size.width(), size.height());
    // Resized, the picture is blank: the result is shown again at once
    // rather than with the next frame, which a finished stack never has.
    Align_V::ShowResultFullScreen();
}

void TFRM_FullScreen::resizeEvent(QResizeEvent* e)
{
    TForm::resizeEvent(e);
    app::runGuarded(QStringLiteral("FRM_FullScreen.FormResize"), [this] { FormResize(); });
}

void TFRM_FullScreen::changeEvent(QEvent* e)
{
    TForm::changeEvent(e);
    // Maximised or restored at the size it has, or back to one the window
    // system gives it later: the style follows the state in every case.
    if (e->type() == QEvent::WindowStateChange)
        QCoreApplication::postEvent(this, new QEvent(FullScreenResizeEvent()));
}

void TFRM_FullScreen::switchWindowStyle()
{
    const bool onTop = windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    const bool maximised = windowState().testFlag(Qt::WindowMaximized);
    if (maximised && onTop)
        app::SetWindowHint(*this, Qt::WindowStaysOnTopHint, false);
    else if (!maximised && !windowState().testFlag(Qt::WindowMinimized) && !onTop)
        app::SetWindowHint(*this, Qt::WindowStaysOnTopHint, true);
}

bool TFRM_FullScreen::event(QEvent* e)
{
    if (e->type() == FullScreenResizeEvent()) {
        app::runGuarded(QStringLiteral("FRM_FullScreen.FullScreenResize"), [this] { switchWindowStyle(); });
        return true;
    }
    return TForm::event(e);
}

void TFRM_FullScreen::MNU_StandardClick() { chooseScaling(MNU_Standard); }

void TFRM_FullScreen::MNU_BilinearClick()
{
    if (!FullScreenZoom2)
        FullScreenZoom2 = std::make_unique<kernels::Bitmap24>();
    chooseScaling(MNU_Bilinear);
}

void TFRM_FullScreen::MNU_Bilinear_X2Click()
{
    if (!FullScreenZoom2)
        FullScreenZoom2 = std::make_unique<kernels::Bitmap24>();
    if (!FullScreenZoom4)
        FullScreenZoom4 = std::make_unique<kernels::Bitmap24>();
    chooseScaling(MNU_Bilinear_X2);
}

void TFRM_FullScreen::chooseScaling(QAction* item)
{
    item->setChecked(true);
    // The result is shown again at once in the new scaling: a stack that
    // has ended has no frame to come that would.
    Align_V::ShowResultFullScreen();
}

void TFRM_FullScreen::IMG_FullScreenMouseMove(int y)
{
    if (!windowState().testFlag(Qt::WindowMaximized))
        return;
    const bool borderless = windowFlags().testFlag(Qt::FramelessWindowHint);
    if (y == 0 && borderless) {
        app::SetWindowHint(*this, Qt::FramelessWindowHint, false);
        MainMenu1->show();
    } else if (y != 0 && !borderless) {
        app::SetWindowHint(*this, Qt::FramelessWindowHint, true);
        MainMenu1->hide();
    }
}

void TFRM_FullScreen::IMG_FullScreenMouseUp(int button, int shift, int x, int y)
{
    PipelineActive = 1;
    if (button != 0 || !FRM_Alv)
        return;
    const kernels::Bitmap24& result = FRM_Alv->Image3->Bitmap();
    const kernels::Bitmap24& full = IMG_FullScreen->Bitmap();
    if (full.width() <= 0 || full.height() <= 0)
        return;
    const int fx = int(std::trunc(double(result.width()) / full.width() * x)) + DisplayZoneRect.left;
    const int fy = int(std::trunc(double(result.height()) / full.height() * y)) + DisplayZoneRect.top;
    const std::uint8_t slot = CurrentCameraSlot == 2 ? 2 : 1;
    const int modifiers = shift & 7;
    if (modifiers == 4) {
        MeasureCentre = QPoint(fx, fy);
        Align_V::ClearOverlay();
        if (TFRM_Tool_Mesures* m = FRM_Tool_Mesures) {
            if (m->CKB_Reticule->isChecked())
                Align_V::DrawReticle(fx, fy, m->CKB_Croix->isChecked(), double(m->TNI_Echantillonnage->Value()),
                                     double(m->TNI_Orient->Value()), m->CKB_Cercles->isChecked(), slot);
            if (m->CKB_Fichier_Comparaison->isChecked() && !m->OverlayPictureRecord.Picture.isEmpty())
                Align_V::DrawOverlayPicture(fx, fy);
        }
        std::uint8_t keep = 0;
        Align_V::ProcessFrame(1, keep, slot);
    } else if (modifiers == 2) {
        PreviousMeasurePoint = MeasurePoint;
        MeasurePoint = QPoint(fx, fy);
        Align_V::UpdateDistanceMeasure();
        MeasureDelta = MeasurePoint - PreviousMeasurePoint;
        Align_V::UpdateDistanceMeasure();
    }
}

bool TFRM_FullScreen::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == IMG_FullScreen) {
        if (e->type() == QEvent::MouseMove) {
            const int y = static_cast<QMouseEvent*>(e)->position().toPoint().y();
            app::runGuarded(QStringLiteral("FRM_FullScreen.IMG_FullScreenMouseMove"),
                            [this, y] { IMG_FullScreenMouseMove(y); });
        } else if (e->type() == QEvent::MouseButtonRelease) {
            auto* m = static_cast<QMouseEvent*>(e);
            const int button = m->button() == Qt::LeftButton ? 0 : m->button() == Qt::RightButton ? 1 : 2;
            const Qt::KeyboardModifiers k = m->modifiers();
            const int shift = (k & Qt::ShiftModifier ? 1 : 0) | (k & Qt::AltModifier ? 2 : 0)
                              | (k & Qt::ControlModifier ? 4 : 0);
            const QPoint p = m->position().toPoint();
            app::runGuarded(QStringLiteral("FRM_FullScreen.IMG_FullScreenMouseUp"),
                            [&] { IMG_FullScreenMouseUp(button, shift, p.x(), p.y()); });
        }
    }
    return TForm::eventFilter(watched, e);
}
