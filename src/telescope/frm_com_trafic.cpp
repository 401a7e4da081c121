#include "telescope/frm_com_trafic.h"

#include "app/frm_pref.h"

TFRM_ComTrafic* FRM_ComTrafic = nullptr;

TFRM_ComTrafic::TFRM_ComTrafic(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
}

void TFRM_ComTrafic::FormCloseQuery(bool& canClose)
{
    if (FRM_Pref)
        FRM_Pref->CKB_Historique_Comm->setChecked(false);
    canClose = true;
}
