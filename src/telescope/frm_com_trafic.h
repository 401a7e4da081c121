#pragma once
// The serial traffic window "Comm Trafic": the last 100 lines written to the
// ports (Preferences::AddTrafficLine). It stays above the other windows and
// is shown and hidden by the Preferences box CKB_Historique_Comm.

#include "app/form.h"
#include "ui_frm_com_trafic.h"

class TFRM_ComTrafic : public TForm, public Ui::TFRM_ComTrafic {
    Q_OBJECT
public:
    explicit TFRM_ComTrafic(QWidget* parent = nullptr);

    // Closing the window unticks CKB_Historique_Comm.
    void FormCloseQuery(bool& canClose) override;
};

extern TFRM_ComTrafic* FRM_ComTrafic;
