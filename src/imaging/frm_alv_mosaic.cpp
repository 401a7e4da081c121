// The mosaic page of the main window: the canvas on which the per-frame
// routine pastes the result images side by side, where a click places the
// next tile, the switch that turns the mosaic on, and the option panel with
// the drift of the tiles (following the software tracking, or an
// independent drift in seconds of arc or pixels per second, reversed on
// demand, for a given duration). Beside them, three small handlers of the
// main window: "Ouvrir sequence", the beginner tool bar's open button and
// the blinking of the recording indicator.

#include "app/frm_alv.h"

#include "app/align_v_features.h"
#include "app/frm_message.h"
#include "app/settings.h"
#include "app/ui/control_adapters.h"
#include "app/ui/event_boundary.h"
#include "capture/camera_slots.h"
#include "capture/file_sources.h"
#include "capture/frm_chargeseq.h"
#include "imaging/frame_helpers.h"
#include "imaging/pipeline_state.h"
#include "platform/clock.h"
#include "platform/message_service.h"
#include "scripting/frm_script.h"
#include "scripting/scripts.h"
#include "telescope/tracking/tracking_state.h"
#include "tools/frm_tool_mesures.h"
#include "translation/translated_texts.h"

#include <QFileInfo>
#include <QMouseEvent>
#include <QSignalBlocker>

#include <algorithm>
#include <cmath>

namespace {

double imageScale() { return FRM_Tool_Mesures ? double(FRM_Tool_Mesures->TNI_Echantillonnage->Value()) : 0.0; }

double valueOf(const TCustomNumInp* input) { return double(input->Value()); }

// The drift of the tiles starts again from here: no fraction carried, and
// no time counted from before.
void restartMosaicDrift()
{
    MosaicDrift.reset();
    LastMosaicDriftStamp_ms = platform::clock().monotonicMs();
}

// Drags the option panel over the page with the left button, from the panel
// itself, its groups or its speed labels; it stays inside the page.
class PanelDrag final : public QObject {
public:
    PanelDrag(QWidget* panel) : QObject(panel), panel_(panel) {}

    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto* e = static_cast<QMouseEvent*>(event);
            if (e->button() != Qt::LeftButton)
                return false;
            dragging_ = true;
            grab_ = e->globalPosition().toPoint() - panel_->pos();
            return true;
        }
        case QEvent::MouseMove: {
            auto* e = static_cast<QMouseEvent*>(event);
            if (!dragging_ || !(e->buttons() & Qt::LeftButton)) {
                dragging_ = false;
                return false;
            }
            const QWidget* page = panel_->parentWidget();
            QPoint to = e->globalPosition().toPoint() - grab_;
            if (page) {
                to.setX(std::clamp(to.x(), 0, std::max(0, page->width() - panel_->width())));
                to.setY(std::clamp(to.y(), 0, std::max(0, page->height() - panel_->height())));
            }
            panel_->move(to);
            return true;
        }
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && dragging_) {
                dragging_ = false;
                return true;
            }
            return false;
        default:
            return false;
        }
    }

private:
    QWidget* panel_;
    bool dragging_ = false;
    QPoint grab_;
};

} // namespace

void TFRM_Alv::ConnectMosaicHandlers()
{
    using W = TFRM_Alv;
    app::bindButtonClick(BTN_Mosaique_Initialiser, this, &W::BTN_Mosaique_InitialiserClick);
    app::bindButtonClick(BTN_Mosaique_Options, this, &W::BTN_Mosaique_OptionsClick);
    app::bindButtonClick(BTN_Option_Mosaic_OK, this, &W::BTN_Option_Mosaic_OKClick);
    // "Actif": the user's click (mouse or key); code that sets the box runs
    // nothing but the countdown below.
    connect(CKB_Mosaique_Active, &QAbstractButton::clicked, this,
            [this] { app::runGuarded(QStringLiteral("CKB_Mosaique_Active"), [this] { CKB_Mosaique_ActiveMouseUp(); }); });
    // A timed mosaic counts its duration from the moment it is switched on,
    // by the user, a script or the toggle routine, as from an initialisation
    // while it is on; switched off, its countdown is over.
    app::bindCheckBoxClick(CKB_Mosaique_Active, [this] {
        Align_V::StartMosaicCountdown(CKB_Mosaique_Active->isChecked(), SPED_Mosaique_Duree->value());
    }, this);
    app::bindRadioClick(RDB_Mosaique_Suivi_Logiciel, this, &W::RDB_Mosaique_Suivi_LogicielClick);
    app::bindRadioClick(RDB_Mosaique_Derive_Independante, this, &W::RDB_Mosaique_Derive_IndependanteClick);
    app::bindRadioClick(RDB_Secarcs_S, this, &W::RDB_Secarcs_SClick);
    app::bindRadioClick(RDB_Pixels_S, this, &W::RDB_Pixels_SClick);
    app::bindNumInpExit(TNI_Mosaic_Vitesse_Derive_AD, this, &W::TNI_Mosaic_Vitesse_Derive_ADExit);
    app::bindNumInpExit(TNI_Mosaic_Vitesse_Derive_Dec, this, &W::TNI_Mosaic_Vitesse_Derive_DecExit);
    app::bindNumInpExit(TNI_Mosaic_Vitesse_Derive_AD_Pixels, this, &W::TNI_Mosaic_Vitesse_Derive_AD_PixelsExit);
    app::bindNumInpExit(TNI_Mosaic_Vitesse_Derive_Dec_Pixels, this, &W::TNI_Mosaic_Vitesse_Derive_Dec_PixelsExit);
    app::bindSpinEditChange(SPED_Mosaique_Duree, this, &W::SPED_Mosaique_DureeChange);

    for (QWidget* w : std::initializer_list<QWidget*>{PNL_Option_Mosaic, GRB_Mosaique_Deplacements,
                                                      GRB_Mosaique_Vitesse_Derive, LBL_Mosaique_Derive_AD,
                                                      LBL_Mosaique_Derive_Dec})
        w->installEventFilter(new PanelDrag(PNL_Option_Mosaic));
    PNL_Option_Mosaic->raise();

    TMR_Blink->setInterval(1000);
    connect(TMR_Blink, &QTimer::timeout, this,
            [this] { app::runGuarded(QStringLiteral("TMR_Blink"), [this] { TMR_BlinkTimer(); }); });

    const std::pair<const char*, void (W::*)()> named[] = {
        {"FRM_Alv.BTN_Mosaique_InitialiserClick", &W::BTN_Mosaique_InitialiserClick},
        {"FRM_Alv.CKB_Mosaique_ActiveClick", &W::CKB_Mosaique_ActiveClick},
        {"FRM_Alv.CKB_Mosaique_ActiveMouseUp", &W::CKB_Mosaique_ActiveMouseUp},
        {"FRM_Alv.BTN_Option_Mosaic_OKClick", &W::BTN_Option_Mosaic_OKClick},
        {"FRM_Alv.BTN_Mosaique_OptionsClick", &W::BTN_Mosaique_OptionsClick},
        {"FRM_Alv.RDB_Mosaique_Suivi_LogicielClick", &W::RDB_Mosaique_Suivi_LogicielClick},
        {"FRM_Alv.RDB_Mosaique_Derive_IndependanteClick", &W::RDB_Mosaique_Derive_IndependanteClick},
        {"FRM_Alv.RDB_Secarcs_SClick", &W::RDB_Secarcs_SClick},
        {"FRM_Alv.RDB_Pixels_SClick", &W::RDB_Pixels_SClick},
        {"FRM_Alv.SPED_Mosaique_DureeChange", &W::SPED_Mosaique_DureeChange},
        {"FRM_Alv.TMR_BlinkTimer", &W::TMR_BlinkTimer},
        {"FRM_Alv.MNU_OuvrirsequenceClick", &W::MNU_OuvrirsequenceClick},
        {"FRM_Alv.SPDB_Ouvrir_BClick", &W::SPDB_Ouvrir_BClick},
    };
    for (const auto& [name, method] : named)
        Settings::RegisterHandler(QString::fromLatin1(name), [m = method] {
            if (FRM_Alv)
                (FRM_Alv->*m)();
        });
}

void TFRM_Alv::BTN_Mosaique_InitialiserClick()
{
    if (CKB_Mosaique_Active->isChecked())
        Align_V::StartMosaicCountdown(true, SPED_Mosaique_Duree->value());
    const int width = std::max(SPED_Mosaic_Width->value(), 0), height = std::max(SPED_Mosaic_Height->value(), 0);
    kernels::Bitmap24& canvas = IMG_Mosaic->Bitmap();
    if (canvas.width() == width && canvas.height() == height) {
        std::fill_n(canvas.bits(), canvas.byteCount(), std::uint8_t(0));
    } else {
        // The new canvas is made beside the old one, which stays when there
        // is no room for it.
        kernels::Bitmap24 fresh;
        if (!fresh.resize(width, height)) {
            platform::messages().show({TranslatedTexts.MSG_Mosaique_Memoire
                                           .arg(width)
                                           .arg(height),
                                       platform::MsgKind::Error, platform::MsgButtons::Ok,
                                       QStringLiteral("BTN_Mosaique_Initialiser"), {}});
            return;
        }
        std::swap(canvas, fresh);
    }
    IMG_Mosaic->resize(width, height);
    IMG_Mosaic->Changed();
    if (MosaicTileCentre == QPoint(-1, -1))
        MosaicTileCentre = QPoint(width / 2, height / 2);
    CKB_Mosaique_Active->setEnabled(true);
}

void TFRM_Alv::IMG_MosaicMouseUp(QObject*, int button, int, int x, int y)
{
    if (button != 0)
        return;
    if (CKB_Mosaique_AutoInit->isChecked())
        BTN_Mosaique_InitialiserClick();
    const kernels::Bitmap24& result = Image3->Bitmap();
    MosaicTileCentre = QPoint(x + result.width() / 2, y + result.height() / 2);
    restartMosaicDrift();
}

void TFRM_Alv::CKB_Mosaique_ActiveMouseUp()
{
    // The click has toggled the box already; the toggle routine toggles it
    // once more, so the box is first put back.
    {
        const QSignalBlocker quiet(CKB_Mosaique_Active);
        CKB_Mosaique_Active->setChecked(!CKB_Mosaique_Active->isChecked());
    }
    Align_V::ToggleMosaic();
    if (CKB_Mosaique_Active->isChecked())
        restartMosaicDrift();
}

void TFRM_Alv::BTN_Mosaique_OptionsClick()
{
    PNL_Option_Mosaic->show();
    PNL_Option_Mosaic->raise();
}

void TFRM_Alv::RDB_Mosaique_Suivi_LogicielClick()
{
    for (QWidget* w : std::initializer_list<QWidget*>{RDB_Secarcs_S, RDB_Pixels_S, TNI_Mosaic_Vitesse_Derive_AD,
                                                      TNI_Mosaic_Vitesse_Derive_Dec, TNI_Mosaic_Vitesse_Derive_AD_Pixels,
                                                      TNI_Mosaic_Vitesse_Derive_Dec_Pixels})
        w->setEnabled(false);
}

void TFRM_Alv::RDB_Mosaique_Derive_IndependanteClick()
{
    RDB_Secarcs_S->setEnabled(true);
    RDB_Pixels_S->setEnabled(true);
    const bool arcsec = RDB_Secarcs_S->isChecked(), pixels = RDB_Pixels_S->isChecked();
    TNI_Mosaic_Vitesse_Derive_AD->setEnabled(arcsec);
    TNI_Mosaic_Vitesse_Derive_Dec->setEnabled(arcsec);
    TNI_Mosaic_Vitesse_Derive_AD_Pixels->setEnabled(pixels);
    TNI_Mosaic_Vitesse_Derive_Dec_Pixels->setEnabled(pixels);
}

void TFRM_Alv::RDB_Secarcs_SClick()
{
    TNI_Mosaic_Vitesse_Derive_AD->setEnabled(true);
    TNI_Mosaic_Vitesse_Derive_Dec->setEnabled(true);
    TNI_Mosaic_Vitesse_Derive_AD_Pixels->setEnabled(false);
    TNI_Mosaic_Vitesse_Derive_Dec_Pixels->setEnabled(false);
}

void TFRM_Alv::RDB_Pixels_SClick()
{
    TNI_Mosaic_Vitesse_Derive_AD->setEnabled(false);
    TNI_Mosaic_Vitesse_Derive_Dec->setEnabled(false);
    TNI_Mosaic_Vitesse_Derive_AD_Pixels->setEnabled(true);
    TNI_Mosaic_Vitesse_Derive_Dec_Pixels->setEnabled(true);
}

// Without a known image scale (0 or less) a twin is left as it is: there is
// no pixel speed to give for seconds of arc, nor the reverse.
void TFRM_Alv::TNI_Mosaic_Vitesse_Derive_ADExit()
{
    if (const double s = imageScale(); s > 0)
        TNI_Mosaic_Vitesse_Derive_AD_Pixels->SetValue(valueOf(TNI_Mosaic_Vitesse_Derive_AD) / s);
}

void TFRM_Alv::TNI_Mosaic_Vitesse_Derive_DecExit()
{
    if (const double s = imageScale(); s > 0)
        TNI_Mosaic_Vitesse_Derive_Dec_Pixels->SetValue(valueOf(TNI_Mosaic_Vitesse_Derive_Dec) / s);
}

void TFRM_Alv::TNI_Mosaic_Vitesse_Derive_AD_PixelsExit()
{
    if (const double s = imageScale(); s > 0)
        TNI_Mosaic_Vitesse_Derive_AD->SetValue(valueOf(TNI_Mosaic_Vitesse_Derive_AD_Pixels) * s);
}

void TFRM_Alv::TNI_Mosaic_Vitesse_Derive_Dec_PixelsExit()
{
    if (const double s = imageScale(); s > 0)
        TNI_Mosaic_Vitesse_Derive_Dec->SetValue(valueOf(TNI_Mosaic_Vitesse_Derive_Dec_Pixels) * s);
}

void TFRM_Alv::SPED_Mosaique_DureeChange()
{
    TNI_Mosaique_Timer->setVisible(SPED_Mosaique_Duree->value() != 0);
}

void TFRM_Alv::BTN_Option_Mosaic_OKClick()
{
    // Speeds typed in pixels are taken as they are, whether or not their
    // input was left; speeds in seconds of arc need the image scale.
    const double s = imageScale();
    bool set = false;
    if (RDB_Pixels_S->isChecked()) {
        MosaicDriftSpeedX = valueOf(TNI_Mosaic_Vitesse_Derive_AD_Pixels);
        MosaicDriftSpeedY = valueOf(TNI_Mosaic_Vitesse_Derive_Dec_Pixels);
        set = true;
    } else if (s > 0) {
        MosaicDriftSpeedX = valueOf(TNI_Mosaic_Vitesse_Derive_AD) / s;
        MosaicDriftSpeedY = valueOf(TNI_Mosaic_Vitesse_Derive_Dec) / s;
        set = true;
    }
    if (set && CKB_Mosaique_Derive_Inverse->isChecked()) {
        MosaicDriftSpeedX = -MosaicDriftSpeedX;
        MosaicDriftSpeedY = -MosaicDriftSpeedY;
    }
    PNL_Option_Mosaic->hide();
}

void TFRM_Alv::MNU_OuvrirsequenceClick()
{
    if (!FRM_Chargeseq)
        return;
    if (FRM_Chargeseq->ShowModal() != TSeqResult::mrOk) {
        if (Scripts::ScriptRunning && FRM_Script)
            FRM_Script->MNU_ArreterClick();
        return;
    }
    QStringList list = FRM_Chargeseq->Sequence();
    FileSources::SortPlayList(list);
    // A sequence that lists nothing, or whose first file is not there, is
    // told and the source in place goes on: nothing is stopped for it.
    if (!list.isEmpty() && !QFileInfo(list.first()).isFile()) {
        Msg::ShowMessageText(true, TranslatedTexts.MSG_Sequence_Non_Ouverte.arg(list.first()));
    } else {
        OpenFileSource(list, 0, true);
    }
    // A script waiting for the user's "Poursuivre" goes on only with it.
    if (!Scripts::WaitsForUserAnswer())
        Scripts::ResumeIfWaiting();
}

void TFRM_Alv::SPDB_Ouvrir_BClick()
{
    Settings::RunHandler(QStringLiteral("FRM_Alv.MNU_Ouvrir_ImageClick"));
    SPDB_Ouvrir_B->setChecked(false);
}

void TFRM_Alv::TMR_BlinkTimer()
{
    LBL_Rec->setHidden(!LBL_Rec->isHidden());
}
