#include "tools/frm_small.h"

#include "app/frm_alv.h"
#include "app/settings.h"
#include "app/ui/event_boundary.h"
#include "capture/frm_play_control.h"
#include "imaging/display_zone.h"
#include "imaging/overlays.h"
#include "imaging/pipeline_state.h"

#include <QMouseEvent>
#include <cmath>

TFRM_Small* FRM_Small = nullptr;

TFRM_Small::TFRM_Small(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    setWindowFlag(Qt::Tool, true);
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    Img_Small->installEventFilter(this);
}

void TFRM_Small::FormCreate() { Img_Small->SetOpaqueStyle(); }

QSize TFRM_Small::PreviewSizeFor(int clientHeight, int panelHeight, double aspect)
{
    // Never below one pixel, so that the scale stays a number.
    const int h = std::max(1, clientHeight - panelHeight);
    const double a = aspect > 0 && std::isfinite(aspect) ? aspect : 4.0 / 3.0;
    // In extended precision: 120 x (640 / 480) stays just under 160.
    return {std::max(1, int(std::trunc(static_cast<long double>(h) * static_cast<long double>(a)))), h};
}

void TFRM_Small::FormResize()
{
    const QSize size = PreviewSizeFor(centralWidget()->height(), PNL_Source->height(), FrameAspect);
    Img_Small->setFixedSize(size);
    Img_Small->SetPictureSize(size.width(), size.height());
    if (FRM_Alv) {
        const TImageView* source = RDB_Source1->isChecked() ? FRM_Alv->Image1 : FRM_Alv->Image2;
        MiniScale = double(source->Bitmap().width()) / size.width();
    }
    redrawZones();
    if (FRM_PlayControl && FRM_PlayControl->isVisible() && FRM_Alv)
        FRM_Alv->LoadImage();
}

void TFRM_Small::redrawZones()
{
    if (SourceViewShown && ZoneFrameBitmap)
        Align_V::DrawZoneRect(*ZoneFrameBitmap, ZoneImageRect, 1);
    if (isVisible()) {
        Align_V::ComputeDisplayZone(RDB_Source1->isChecked() ? 1 : 2);
        if (MiniZoneFrameBitmap)
            Align_V::DrawZoneRect(*MiniZoneFrameBitmap, MiniZoneImageRect, 1);
    }
}

void TFRM_Small::FormActivate() { redrawZones(); }

void TFRM_Small::FormHide() { redrawZones(); }

void TFRM_Small::Img_SmallMouseUp(int button, int shift, int x, int y)
{
    if (!FRM_Alv)
        return;
    const int fx = int(std::trunc(x * MiniScale)), fy = int(std::trunc(y * MiniScale));
    if (RDB_Source1->isChecked())
        FRM_Alv->Image1MouseUp(Img_Small, button, shift, fx, fy);
    else if (RDB_Source2->isChecked())
        FRM_Alv->Image2MouseUp(Img_Small, button, shift, fx, fy);
}

void TFRM_Small::resizeEvent(QResizeEvent* e)
{
    TForm::resizeEvent(e);
    app::runGuarded(QStringLiteral("FRM_Small.FormResize"), [this] { FormResize(); });
}

void TFRM_Small::hideEvent(QHideEvent* e)
{
    TForm::hideEvent(e);
    app::runGuarded(QStringLiteral("FRM_Small.FormHide"), [this] { FormHide(); });
}

bool TFRM_Small::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == Img_Small && e->type() == QEvent::MouseButtonRelease) {
        auto* m = static_cast<QMouseEvent*>(e);
        const int button = m->button() == Qt::LeftButton ? 0 : m->button() == Qt::RightButton ? 1 : 2;
        const Qt::KeyboardModifiers k = m->modifiers();
        const int shift =
            (k & Qt::ShiftModifier ? 1 : 0) | (k & Qt::AltModifier ? 2 : 0) | (k & Qt::ControlModifier ? 4 : 0);
        const QPoint p = m->position().toPoint();
        app::runGuarded(QStringLiteral("FRM_Small.Img_SmallMouseUp"),
                        [&] { Img_SmallMouseUp(button, shift, p.x(), p.y()); });
    }
    return TForm::eventFilter(watched, e);
}
