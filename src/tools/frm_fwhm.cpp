#include "tools/frm_fwhm.h"

#include "tools/frm_tool_affichage.h"

TFRM_FWHM* FRM_FWHM = nullptr;

TFRM_FWHM::TFRM_FWHM(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    setWindowFlag(Qt::Tool, true);
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
}

void TFRM_FWHM::FormCloseQuery(bool& canClose)
{
    canClose = true;
    if (FRM_Tool_Affichage && FRM_Tool_Affichage->CKB_GROS_FWHM->isChecked()) {
        // Unchecking closes this window through the box's handler; a close
        // under way needs nothing more.
        FRM_Tool_Affichage->CKB_GROS_FWHM->blockSignals(true);
        FRM_Tool_Affichage->CKB_GROS_FWHM->setChecked(false);
        FRM_Tool_Affichage->CKB_GROS_FWHM->blockSignals(false);
    }
}
