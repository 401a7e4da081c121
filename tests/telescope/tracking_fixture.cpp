#include "tracking_fixture.h"

#include "app/frm_pref.h"
#include "app/settings.h"
#include "app/startup.h"
#include "app/systeme.h"
#include "app/ui/event_boundary.h"
#include "capture/camera_slots.h"
#include "imaging/display_zone.h"
#include "imaging/pipeline_state.h"
#include "platform/port_access.h"
#include "scripting/scripts.h"
#include "support/program/fresh_process.h"
#include "telescope/guide_plugin.h"
#include "telescope/mount_state.h"
#include "telescope/prg_suivi.h"
#include "telescope/track_step.h"
#include "telescope/tracking/tracking_state.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_mesures.h"
#include "translation/translated_texts.h"

#include <cmath>

namespace {

std::int32_t guiderCreate(std::int32_t, const char*, const char*, std::int32_t) { return 5; }
std::int32_t guiderConnect(std::int32_t) { return 0; }
void guiderNone(std::int32_t) {}
void guiderMove(std::int32_t, std::int32_t d) { TrackingTest::calls() << QStringLiteral("move %1").arg(d); }
void guiderStop(std::int32_t, std::int32_t d) { TrackingTest::calls() << QStringLiteral("stop %1").arg(d); }
const TGuidePluginTable kGuider{.autoguide_create = guiderCreate,
                                .autoguide_connect = guiderConnect,
                                .autoguide_disconnect = guiderNone,
                                .autoguide_free = guiderNone,
                                .autoguide_move = guiderMove,
                                .autoguide_stop = guiderStop};

} // namespace

QStringList& TrackingTest::calls()
{
    static QStringList c;
    return c;
}

void TrackingTest::SetUp()
{
    testsupport::StartAsAFreshProcess();
    platform::setPortAccess(&ports);
    Startup::CreateWindows();
    Translation::ResetTexts();
    app::resetReportedCauses();
    Align_V::CreateMissingSlotBitmaps();
    Align_V::CreateMissingWorkBitmaps();
    Align_V::ResetPipelineStartValues();
    Align_V::ResetTrackingState();
    Prg_Suivi::ResetMotionState();
    ProcedureState = 0;
    CameraSlots[1].width = 640;
    CameraSlots[1].height = 480;
    CurrentCameraSlot = GuideSourceSlot = 1;
    PipelineActive = 1;
    TrackedStarPos = PreviousTrackedStarPos = DisplayZoneCenter = QPoint(320, 240);
    DisplayZoneOffset = PreviousDisplayZoneOffset = QPoint(0, 0);
    Align_V::ComputeDisplayZone(1);
    GuideAverageInterval = 1;
    TrackDriftSpeedX = TrackDriftSpeedY = 0;

    // The guider plug-in moves the mount; pulses are exactly distance /
    // speed: no backlash, no inertia, 1"/pixel, 15"/s.
    TFRM_Pref& p = *FRM_Pref;
    ASSERT_TRUE(Systeme::OpenPortDriver());
    GuidePlugin::SetProvider([](int) { return TGuidePluginChoice{QStringLiteral("Sim"), 1, &kGuider}; });
    p.CBX_Autoguide_Plugin->addItem(QStringLiteral("Sim:guider"));
    p.RDB_Autoguide_Plugin->setChecked(true);
    p.TNI_Jeu_AD->SetValue(0);
    p.TNI_Jeu_Dec->SetValue(0);
    p.RDB_Pourcent_Inertie_AD->setChecked(true);
    p.RDB_Pourcent_Inertie_Dec->setChecked(true);
    p.SPED_Pourcent_Inertie_AD->setValue(0);
    p.SPED_Pourcent_Inertie_Dec->setValue(0);
    MotorSpeeds = TMotorSpeeds{};
    FRM_Tool_Mesures->TNI_Echantillonnage->SetValue(1);
    FRM_Tool_Affichage->TNI_Taille_ZDetect->SetValue(40);
    calls().clear();
    showStar(320, 240);
}

void TrackingTest::TearDown()
{
    GuideLog.reset();
    FwhmLog.reset();
    Startup::DestroyWindows();
    GuidePlugin::SetProvider({});
    Prg_Suivi::ResetMotionState();
    Scripts::StopAll();
    Systeme::ClosePortDriver();
    platform::setPortAccess(nullptr);
}

void TrackingTest::showStar(double x0, double y0, int peak, bool dark)
{
    kernels::Bitmap24& b = *SlotBitmaps[1][0];
    for (int y = 0; y < 480; ++y) {
        std::uint8_t* p = b.scanLine(y);
        for (int x = 0; x < 640; ++x, p += 3) {
            const double d2 = (x - x0) * (x - x0) + (y - y0) * (y - y0);
            const double v = 20 + peak * std::exp(-d2 / 8.0);
            p[0] = p[1] = p[2] = std::uint8_t(std::lround(dark ? 255 - v : v));
        }
    }
}

std::uint8_t TrackingTest::step(int Z)
{
    return Align_V::TrackStep(TrackedStarPos.x(), TrackedStarPos.y(), Z, Z, 1, 0, 1, 0, TrackResult, 0);
}
