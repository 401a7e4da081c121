#include "guide_setup.h"
#include "mount_fixture.h"

#include "app/controls/num_inp.h"
#include "app/frm_pref.h"
#include "capture/camera_slots.h"
#include "imaging/display_zone.h"
#include "imaging/pipeline_state.h"
#include "telescope/frm_tool_suivi.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_mesures.h"
#include "telescope/tracking/tracking_state.h"

#include <QCheckBox>
#include <QRadioButton>
#include <QSpinBox>

testsupport::StarField guideStarSky()
{
    for (std::uint32_t seed = 1;; ++seed) {
        testsupport::StarField f({.width = 320, .height = 240, .seed = seed, .stars = 1, .minPeak = 200, .maxPeak = 200});
        const auto& s = f.stars()[0];
        if (s.x > 60 && s.x < 260 && s.y > 60 && s.y < 180)
            return f;
    }
}

void aimTheGuideCameraAt(const testsupport::StarField& field, QPoint star)
{
    Align_V::CreateMissingSlotBitmaps();
    Align_V::CreateMissingWorkBitmaps();
    Align_V::ResetPipelineStartValues();
    Align_V::ResetTrackingState();
    CameraSlots[1].width = field.options().width;
    CameraSlots[1].height = field.options().height;
    CurrentCameraSlot = GuideSourceSlot = 1;
    PipelineActive = 1;
    ProcedureState = 0;
    TrackedStarPos = PreviousTrackedStarPos = DisplayZoneCenter = star;
    DisplayZoneOffset = PreviousDisplayZoneOffset = QPoint();
    Align_V::ComputeDisplayZone(1);
}

void plainGuideMoves(TFRM_Pref& p)
{
    p.SPED_Neutre->setValue(0);
    p.TNI_Jeu_AD->SetValue(0);
    p.TNI_Jeu_Dec->SetValue(0);
    p.RDB_Pourcent_Inertie_AD->setChecked(true);
    p.RDB_Pourcent_Inertie_Dec->setChecked(true);
    p.SPED_Pourcent_Inertie_AD->setValue(0);
    p.SPED_Pourcent_Inertie_Dec->setValue(0);
}

void startAutoguidingOnTheStar(const testsupport::StarField& sky, TFRM_Pref& p)
{
    const QPoint star(int(std::lround(sky.stars()[0].x)), int(std::lround(sky.stars()[0].y)));
    aimTheGuideCameraAt(sky, star);
    plainGuideMoves(p);
    FRM_Tool_Mesures->TNI_Echantillonnage->SetValue(2);
    FRM_Tool_Affichage->TNI_Taille_ZDetect->SetValue(40);
    auto* s = FRM_Tool_Suivi;
    s->SPED_Intervalle_Guidage->setValue(1);
    s->SPED_Intervalle_Moy->setValue(1);
    ASSERT_TRUE(clickOnScreen(s->CKB_Suivi));
    ASSERT_TRUE(clickOnScreen(s->RDB_Autoguidage));
}
