#include "tools/frm_tool_images.h"

#include "app/align_v_features.h"
#include "app/ui/control_adapters.h"

#include "imaging/display_helpers.h"
#include "imaging/pipeline_state.h"

TFRM_Tool_Images* FRM_Tool_Images = nullptr;
bool AviTypeListed = false;

TFRM_Tool_Images::TFRM_Tool_Images(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    ConnectSavingHandlers();
    // The colour mixer's pads (red, green, blue zones) and the luminance pad.
    const struct {
        TcpCoord* pad;
        int xmax, ymax, x, y;
        std::uint32_t zone;
    } pads[] = {{CPC_R, 64, 32, 32, 0, 0x0000FF}, {CPC_G, 64, 32, 0, 32, 0x008000},
                {CPC_B, 64, 32, 32, 32, 0xFF0000}, {CPC_L, 128, 64, 64, 42, 0x000000}};
    for (const auto& p : pads) {
        p.pad->SetRanges(0, p.xmax, 0, p.ymax);
        p.pad->SetCoordinates(p.x, p.y);
        p.pad->SetColorZone(p.zone);
        p.pad->SetThumbStyle(TCroixstyle::csCircle);
        p.pad->SetPadSize(p.xmax, p.ymax);
    }
    // The toggles of the main window apply a user's click.
    app::bindButtonClick(CKB_Filtre, [this] { CKB_FiltreClick(); }, this);
    app::bindButtonClick(CKB_L, [] { Align_V::ApplyLuminance(); }, this);
    app::bindButtonClick(CKB_Equal, [] { Align_V::ApplyCurves(); }, this);
}

TFRM_Tool_Images::~TFRM_Tool_Images() = default;

void TFRM_Tool_Images::AddAviFileType()
{
    if (AviTypeListed)
        return;
    CBX_TypeFichier->addItem(QStringLiteral("AVI"));
    AviTypeListed = true;
}

void TFRM_Tool_Images::BTN_Arreter_AddClick()
{
    // frm_tool_images_stacking.cpp
    stopOrLetTheScriptGoOn();
}
