#pragma once

#include "app/form.h"
#include "ui_frm_mise_en_station.h"

class TFRM_MiseEnStation : public TForm, public Ui::TFRM_MiseEnStation {
    Q_OBJECT
public:
    explicit TFRM_MiseEnStation(QWidget* parent = nullptr);
};

extern TFRM_MiseEnStation* FRM_MiseEnStation;
