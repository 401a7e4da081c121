#include "telescope/frm_mise_en_station.h"

TFRM_MiseEnStation* FRM_MiseEnStation = nullptr;

TFRM_MiseEnStation::TFRM_MiseEnStation(QWidget* parent) : TForm(parent)
{
    setupUi(this);
}
