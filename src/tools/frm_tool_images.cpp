#include "tools/frm_tool_images.h"

#include "app/align_v_features.h"
#include "app/controls/page_control.h"
#include "app/ui/button_pictures.h"
#include "app/ui/caption_labels.h"
#include "app/ui/control_adapters.h"
#include "app/ui/readouts.h"

#include "imaging/display_helpers.h"
#include "imaging/pipeline_state.h"
#include "tools/util_images.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

#include <algorithm>

TFRM_Tool_Images* FRM_Tool_Images = nullptr;
bool AviTypeListed = false;

// The captions beside the thresholds, the addition counters, the dark and
// selection values that the language files name; the sound check box of
// the selection, which nothing here plays, is kept hidden.
void TFRM_Tool_Images::addCaptions()
{
    const struct {
        QWidget* control;
        const char* name;
        const char* text;
    } captions[] = {
        {TNI_Seuil_Min, "LBL_SeuilMin", "Min"},
        {TNI_Seuil_Max, "LBL_SeuilMax", "Max"},
        {TNI_Seuil_MinMin, "LBL_SeuilBas", "Bas"},
        {TNI_Seuil_MaxMin, "LBL_SeuilHaut", "Haut"},
        {TNI_Min, "LBL_Actuel", "Actuel"},
        {SPED_Nb_Bitmap, "LBL_Nb_Images", "Nb Images"},
        {EDT_NBCaps, "LBL_Img", "Nb. Images"},
        {EDT_Decompte, "LBL_Decompte", "Décompte"},
        {CKB_Filtre, "LBL_Filtre", "Filtre"},
        {TNI_MaxDark, "LBL_DarkApplique", "Appliqué"},
        {SPED_RDark, "LBL_Rayon_Action", "Rayon d'action"},
        {SCB_Seuil_dark, "LBL_Seuil_Dark", "Seuil"},
        {TNI_Meilleure_Qualite, "LBL_Select_Meilleure", "Meilleure"},
        {TNI_Pire_Qualite, "LBL_Select_Pire", "Pire"},
        {TNI_Qualite_Actuelle, "LBL_Select_Actuelle", "Actuelle"},
    };
    for (const auto& c : captions)
        app::AddCaptionBefore(c.control, c.name, QString::fromUtf8(c.text));
    auto* sound = new QCheckBox(QStringLiteral("Son"), TBS_Select_Images);
    sound->setObjectName(QStringLiteral("CKB_Select_Son"));
    sound->setToolTip(QStringLiteral("Activer les informations sonores"));
    sound->hide();
}

// Read-only counts, sizes and coefficients as wide as the widest value they
// show, not a line of text: the pages then fit the window's width.
void TFRM_Tool_Images::fitFieldsToTheirValues()
{
    int count = 0;
    const app::ReadoutWidth* readouts = app::ReadoutWidths(count);
    for (int i = 0; i < count; ++i) {
        if (qstrcmp(readouts[i].window, "FRM_Tool_Images") != 0)
            continue;
        if (auto* field = findChild<QLineEdit*>(QString::fromLatin1(readouts[i].control)))
            field->setMaximumWidth(app::WidthToShow(field, QString::fromUtf8(readouts[i].widest)));
    }
    // The mixer's gains (0.10 to 2.00).
    for (QLineEdit* gain : {TNI_Mult_R, TNI_Mult_G, TNI_Mult_B})
        gain->setMaximumWidth(app::WidthToShow(gain, QStringLiteral("0.00")));
    // The one-letter reset buttons of the curves, the kernel and the
    // wavelets: as wide as their letter, not a full push button.
    for (QPushButton* b : findChildren<QPushButton*>()) {
        if (b->text().size() != 1)
            continue;
        const int margin = style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, b)
                           + 2 * style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, b);
        b->setMaximumWidth(std::max(b->fontMetrics().horizontalAdvance(b->text()) + 2 * margin, b->sizeHint().height()));
    }
}

TFRM_Tool_Images::TFRM_Tool_Images(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    addCaptions();
    fitFieldsToTheirValues();
    ConnectSavingHandlers();
    // The sequencer's start, pause and stop show pictures; their hints,
    // from the language file, name them.
    BTN_Demarrer_Sauv->setIcon(app::PictureOf(app::ButtonPicture::Run));
    BTN_Pause_sauv->setIcon(app::PictureOf(app::ButtonPicture::Pause));
    BTN_Arreter_Sauv->setIcon(app::PictureOf(app::ButtonPicture::Stop));
    GroupSequenceButtons();
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
    Util_Images::EnableLevelControls(*this, false);
    // Near its design size on any screen: a page that needs more room
    // scrolls inside the window.
    ScrollEveryPage(*PGC_Images);
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
