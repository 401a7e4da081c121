#include "capture/frm_longuepose.h"

#include "app/align_v_features.h"
#include "app/ui/control_adapters.h"

TFRM_Longuepose* FRM_Longuepose = nullptr;

TFRM_Longuepose::TFRM_Longuepose(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    app::bindButtonClick(CKB_Holdspan, [] { Align_V::ApplyHoldspan(); }, this);
}
