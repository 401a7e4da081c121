#include "telescope/frm_detect_mvt.h"

#include "app/settings.h"
#include "app/systeme.h"
#include "app/ui/control_adapters.h"
#include "imaging/focus_aids.h"
#include "imaging/frame_helpers.h"
#include "imaging/overlays.h"
#include "telescope/frm_img_ref.h"
#include "telescope/frm_prg_action.h"
#include "tools/frm_tool_images.h"

TFRM_Detect_Mvt* FRM_Detect_Mvt = nullptr;

TFRM_Detect_Mvt::TFRM_Detect_Mvt(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    Align_V::SetPanelColour(PNL_ImageRefLoaded, Align_V::kRed);
    using W = TFRM_Detect_Mvt;
    app::bindCheckBoxClick(CKB_Detection_Mvt, this, &W::CKB_Detection_MvtClick);
    app::bindScrollBarChange(SCB_Seuil_Detection_Niveau, this, &W::SCB_Seuil_Detection_NiveauChange);
    app::bindScrollBarChange(SCB_Seuil_Detection_Nbre, this, &W::SCB_Seuil_Detection_NbreChange);
    app::bindButtonClick(BTN_ImageRef, this, &W::BTN_ImageRefClick);
    app::bindButtonClick(BTN_Def_Action, this, &W::BTN_Def_ActionClick);

    // The frame helpers other windows call by name.
    Settings::RegisterHandler(QStringLiteral("Align_V.DefineMotionReference"), &Align_V::DefineMotionReference);
    Settings::RegisterHandler(QStringLiteral("Align_V.InvalidateMotionReference"),
                              &Align_V::InvalidateMotionReference);
    Settings::RegisterHandler(QStringLiteral("Align_V.HideRecIndicator"), &Align_V::HideRecIndicator);
    Settings::RegisterHandler(QStringLiteral("Align_V.RunMotionActions"), &Align_V::RunMotionActions);
    Settings::RegisterHandler(QStringLiteral("Align_V.RunLostStarActions"), &Align_V::RunLostStarActions);
}

void TFRM_Detect_Mvt::CKB_Detection_MvtClick()
{
    // Detection switched on or off meanwhile: a restart still due after a
    // detection's stop no longer applies.
    if (FRM_Prg_Action)
        FRM_Prg_Action->TMR_Restart_Detecting->stop();
    const bool on = CKB_Detection_Mvt->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{BTN_Def_Action, BTN_ImageRef, TNI_Diff_actuel,
                                                      SCB_Seuil_Detection_Niveau, SCB_Seuil_Detection_Nbre,
                                                      TNI_Seuil_Detection_Niveau, TNI_Seuil_Detection_Nbre,
                                                      CKB_Detection_Action})
        w->setEnabled(on);
    if (on) {
        if (FRM_ImgRef)
            FRM_ImgRef->BTN_Def_ImgRef_ManuelClick();
        else
            Align_V::DefineMotionReference();
    } else if (!keepSequence_ && FRM_Tool_Images && FRM_Tool_Images->BTN_Arreter_Sauv->isEnabled()) {
        FRM_Tool_Images->BTN_Arreter_SauvClick();
    }
}

void TFRM_Detect_Mvt::SwitchOffByAction()
{
    keepSequence_ = true;
    CKB_Detection_Mvt->setChecked(false);
    keepSequence_ = false;
}

void TFRM_Detect_Mvt::SCB_Seuil_Detection_NiveauChange()
{
    TNI_Seuil_Detection_Niveau->SetValue(SCB_Seuil_Detection_Niveau->value());
}

void TFRM_Detect_Mvt::SCB_Seuil_Detection_NbreChange()
{
    TNI_Seuil_Detection_Nbre->SetValue(SCB_Seuil_Detection_Nbre->value());
}

void TFRM_Detect_Mvt::BTN_ImageRefClick()
{
    if (FRM_ImgRef)
        Systeme::ShowFormOnScreen(FRM_ImgRef);
}

void TFRM_Detect_Mvt::BTN_Def_ActionClick()
{
    if (FRM_Prg_Action)
        Systeme::ShowFormOnScreen(FRM_Prg_Action);
}
