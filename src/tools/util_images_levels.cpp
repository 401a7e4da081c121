// The level controls of the image tool as one group, the refresh of the
// result after a setting change, and the glyphs of the tool-bar buttons
// that show the image tool's state.

#include "tools/util_images.h"

#include "app/frm_alv.h"
#include "app/frm_pref.h"
#include "app/ui/button_pictures.h"
#include "capture/camera_slots.h"
#include "imaging/display_helpers.h"
#include "imaging/pipeline_state.h"
#include "imaging/process_frame.h"
#include "imaging/result_render.h"
#include "platform/paths.h"
#include "tools/frm_tool_images.h"

#include <QAbstractButton>
#include <QAction>
#include <QIcon>
#include <QImage>
#include <QPixmap>

namespace Util_Images {

void EnableLevelControls(bool enabled)
{
    if (FRM_Tool_Images)
        EnableLevelControls(*FRM_Tool_Images, enabled);
}

void EnableLevelControls(TFRM_Tool_Images& window, bool enabled)
{
    TFRM_Tool_Images* const t = &window;
    for (QWidget* w : std::initializer_list<QWidget*>{
             t->TNI_Seuil_MinMin, t->TNI_Seuil_MinMax, t->TNI_Seuil_MaxMin, t->TNI_Seuil_MaxMax, t->TNI_Seuil_Min,
             t->TNI_Seuil_Max, t->SCB_Minimum, t->SCB_Maximum, t->RDB_NB, t->RDB_Couleur, t->CKB_Seuils_Evol,
             t->CKB_L, t->CKB_Red, t->CKB_Green, t->CKB_Blue, t->PNL_EQZ, t->CKB_Equal, t->BTN_Reset_equal})
        w->setEnabled(enabled);
    QWidget* const tracks[] = {t->TRKB_EQ1, t->TRKB_EQ2, t->TRKB_EQ3, t->TRKB_EQ4, t->TRKB_EQ5,
                               t->TRKB_EQ6, t->TRKB_EQ7, t->TRKB_EQ8, t->TRKB_EQ9};
    QWidget* const boxes[] = {t->CKB_EQ1, t->CKB_EQ2, t->CKB_EQ3, t->CKB_EQ4, t->CKB_EQ5,
                              t->CKB_EQ6, t->CKB_EQ7, t->CKB_EQ8, t->CKB_EQ9};
    QWidget* const resets[] = {t->BTN_Reset_EQU1, t->BTN_Reset_EQU2, t->BTN_Reset_EQU3,
                               t->BTN_Reset_EQU4, t->BTN_Reset_EQU5, t->BTN_Reset_EQU6,
                               t->BTN_Reset_EQU7, t->BTN_Reset_EQU8, t->BTN_Reset_EQU9};
    for (QWidget* w : tracks)
        w->setEnabled(enabled);
    for (QWidget* w : boxes)
        w->setEnabled(enabled);
    for (QWidget* w : resets)
        w->setEnabled(enabled);
}

void DisableLevelControlsUnlessUsed(std::initializer_list<const QAction*> items)
{
    const auto* t = FRM_Tool_Images;
    if (!t || t->CKB_Integration->isChecked() || t->CKB_utiliser_seuils->isChecked())
        return;
    for (const QAction* a : items)
        if (a && a->isChecked())
            return;
    EnableLevelControls(false);
}

void RefreshResultImage()
{
    auto* t = FRM_Tool_Images;
    if (!t || !FRM_Alv || ZoneResetPending)
        return;
    const bool integration = t->CKB_Integration->isChecked();
    Align_V::RenderResult(Align_V::GetIntegrationKind(), 0, integration ? 0 : 1, PermanentDisplay);
    // A running addition shows the new levels with its next frame; running
    // the frame routine now would add the same frame once more.
    if (!(integration && !t->BTN_Demarrer_Add->isEnabled())) {
        std::uint8_t keep = 0;
        Align_V::ProcessFrame(1, keep, CurrentCameraSlot);
    }
    Align_V::ShowResultFullScreen();
}

void ShowButtonState(std::initializer_list<QAbstractButton*> buttons, const QString& name, bool on,
                     const QString& folder)
{
    const QString where = !folder.isEmpty() ? folder : FRM_Pref ? FRM_Pref->IconsFolder() : QString();
    const QString path = where.isEmpty() ? QString()
                                         : platform::findFileNoCase(where, name + (on ? QStringLiteral("_I.bmp")
                                                                                      : QStringLiteral(".bmp")));
    const QImage glyph = path.isEmpty() ? QImage() : QImage(path);
    for (QAbstractButton* button : buttons) {
        if (!button)
            continue;
        if (glyph.isNull())
            app::ShowOwnPicture(button, on);
        else
            button->setIcon(QIcon(QPixmap::fromImage(glyph)));
    }
}

} // namespace Util_Images
