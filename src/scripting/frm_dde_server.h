#pragma once

#include "app/form.h"
#include "ui_frm_dde_server.h"

class TFRM_DDEServer : public TForm, public Ui::TFRM_DDEServer {
    Q_OBJECT
public:
    explicit TFRM_DDEServer(QWidget* parent = nullptr);
};

extern TFRM_DDEServer* FRM_DDEServer;
