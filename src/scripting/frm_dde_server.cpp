#include "scripting/frm_dde_server.h"

TFRM_DDEServer* FRM_DDEServer = nullptr;

TFRM_DDEServer::TFRM_DDEServer(QWidget* parent) : TForm(parent)
{
    setupUi(this);
}
