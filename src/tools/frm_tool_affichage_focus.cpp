// The "Mise au point" page of the display tool: the focusing aid switch,
// its statistics, the large read-out window and the FWHM log.

#include "tools/frm_tool_affichage.h"

#include "app/frm_alv.h"
#include "app/log.h"
#include "app/settings.h"
#include "app/systeme.h"
#include "app/ui/control_adapters.h"
#include "imaging/focus_aids.h"
#include "platform/dialog_service.h"
#include "telescope/frm_tool_suivi.h"
#include "telescope/tracking/tracking_state.h"
#include "tools/frm_fwhm.h"
#include "tools/frm_tool_images.h"
#include "tools/util_images.h"
#include "translation/translated_texts.h"

#include <QFileInfo>

namespace {

constexpr kernels::Colour kSilver = kernels::rgbColour(0xC0, 0xC0, 0xC0);

const QString kFwhmHeader = QStringLiteral(
    "FWHM;Sum of RGB values /3;Max RGB Value;Half Maximum;Pixels above H.M.;Zone width;Zone Surface;Avg. Brightness");

// History, current measure, best and worst by method.
void resetStatistics(TFRM_Tool_Affichage& a)
{
    FwhmHistory.reset();
    a.TNI_FWHM->SetValue(0);
    const bool fwhm = a.RDB_Methode_FWHM->isChecked();
    a.TNI_Meilleur_FWHM->SetValue(fwhm ? 99999 : 0);
    a.TNI_Pire_FWHM->SetValue(fwhm ? 0 : 99999);
}

} // namespace

void TFRM_Tool_Affichage::bindFocusHandlers()
{
    using W = TFRM_Tool_Affichage;
    app::bindCheckBoxClick(CKB_MAP, this, &W::CKB_MAPClick);
    app::bindButtonClick(BTN_Reset_MAP, this, &W::BTN_Reset_MAPClick);
    app::bindRadioClick(RDB_Methode_FWHM, this, &W::RDB_Methode_FWHMClick);
    app::bindRadioClick(RDB_Methode_DCT, this, &W::RDB_Methode_DCTClick);
    app::bindCheckBoxClick(CKB_FWHM_Auto, this, &W::CKB_FWHM_AutoClick);
    app::bindCheckBoxClick(CKB_GROS_FWHM, this, &W::CKB_GROS_FWHMClick);
    app::bindSpeedButtonClick(SPDB_Save_FWHM, this, &W::SPDB_Save_FWHMClick);
    app::bindCheckBoxClick(CKB_Save_FWHM, this, &W::CKB_Save_FWHMClick);
}

void TFRM_Tool_Affichage::CKB_MAPClick()
{
    if (CKB_MAP->isChecked()) {
        if (FRM_Alv)
            Util_Images::ShowButtonState({FRM_Alv->SPDB_Focus}, QStringLiteral("Focus"), true);
        FwhmHistory.reset();
        if (RDB_Methode_FWHM->isChecked() && FRM_Tool_Suivi) {
            FRM_Tool_Suivi->CKB_Suivi->setChecked(true);
            Settings::RunHandler(QStringLiteral("FRM_Tool_Suivi.CKB_SuiviClick"));
        }
        resetStatistics(*this);
        if (FRM_Tool_Images)
            FRM_Tool_Images->CKB_Selection->setEnabled(false);
    } else {
        if (FRM_Tool_Images)
            FRM_Tool_Images->CKB_Selection->setEnabled(true);
        if (FRM_Alv)
            Util_Images::ShowButtonState({FRM_Alv->SPDB_Focus}, QStringLiteral("Focus"), false);
        if (CKB_Save_FWHM->isChecked())
            CKB_Save_FWHM->setChecked(false);
    }
}

void TFRM_Tool_Affichage::BTN_Reset_MAPClick()
{
    if (CKB_MAP->isChecked())
        resetStatistics(*this);
}

void TFRM_Tool_Affichage::RDB_Methode_FWHMClick()
{
    TNI_Meilleur_FWHM->SetValue(99999);
    TNI_Pire_FWHM->SetValue(0);
}

void TFRM_Tool_Affichage::RDB_Methode_DCTClick()
{
    TNI_Meilleur_FWHM->SetValue(0);
    TNI_Pire_FWHM->SetValue(99999);
}

void TFRM_Tool_Affichage::CKB_FWHM_AutoClick() { SPED_Seuil_MAP->setEnabled(!CKB_FWHM_Auto->isChecked()); }

void TFRM_Tool_Affichage::CKB_GROS_FWHMClick()
{
    TFRM_FWHM* big = FRM_FWHM;
    if (!big)
        return;
    if (CKB_GROS_FWHM->isChecked()) {
        big->LBL_Type->setText(QStringLiteral("FWHM:"));
        for (QWidget* light : std::initializer_list<QWidget*>{PNL_Rouge, PNL_Orange, PNL_Vert, big->PNL_Rouge,
                                                              big->PNL_Orange, big->PNL_Vert})
            Align_V::SetPanelColour(light, kSilver);
        Systeme::ShowFormOnScreen(big);
    } else {
        big->close();
    }
}

void TFRM_Tool_Affichage::SPDB_Save_FWHMClick()
{
    platform::FileDialogRequest request;
    // Titled as the check box that switches the log on.
    request.title = CKB_Save_FWHM->text();
    request.fileName = EDT_Save_FWHM->text();
    request.filter = QStringLiteral("Log (*.log);;") + Translation::AllFilesFilter();
    std::optional<QString> chosen = platform::dialogs().saveFile(request);
    if (!chosen)
        return;
    if (QFileInfo(*chosen).suffix().isEmpty())
        *chosen += QStringLiteral(".log");
    EDT_Save_FWHM->setText(*chosen);
}

void TFRM_Tool_Affichage::CKB_Save_FWHMClick()
{
    if (!CKB_Save_FWHM->isChecked()) {
        TLog::Close(FwhmLog);
        EDT_Save_FWHM->setEnabled(true);
        SPDB_Save_FWHM->setEnabled(true);
        return;
    }
    if (EDT_Save_FWHM->text().isEmpty()) {
        CKB_Save_FWHM->setChecked(false);
        return;
    }
    EDT_Save_FWHM->setEnabled(false);
    SPDB_Save_FWHM->setEnabled(false);
    if (!FwhmLog)
        FwhmLog = TLog::Create(EDT_Save_FWHM->text(), LogTimeMode::DateTime, kFwhmHeader);
    // A file that cannot be created (the user was told) leaves logging off.
    if (!FwhmLog)
        CKB_Save_FWHM->setChecked(false);
}
