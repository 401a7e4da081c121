#include "support/program/fresh_process.h"

#include "app/frm_pref.h"
#include "app/settings.h"
#include "app/settings/key_engine.h"
#include "app/ui/event_boundary.h"
#include "capture/avi_compression.h"
#include "capture/camera_slots.h"
#include "capture/plugin_mgr.h"
#include "capture/slot_sources.h"
#include "imaging/pipeline_state.h"
#include "scripting/scripts.h"
#include "telescope/ascom_bridge.h"
#include "telescope/frm_object_action.h"
#include "telescope/guide_plugin.h"
#include "telescope/mount_state.h"
#include "telescope/prg_suivi.h"
#include "telescope/sky/sky_chart.h"
#include "telescope/tracking/tracking_state.h"
#include "translation/translated_texts.h"

#include <numbers>

namespace testsupport {

void StartAsAFreshProcess()
{
    app::resetReportedCauses();
    Settings::ForgetUnappliedKeys();
    ProfileComboTouched = false;

    Scripts::StopAll();
    Scripts::Cam1Online = Scripts::Cam2Online = Scripts::ObjectInField = false;

    // The main window's first activation loads the plug-ins; its close,
    // which the tests seldom run, lets them go.
    for (int slot = 1; slot <= 2; ++slot)
        Capture::ReleaseSlotSource(slot);
    PluginManager.reset();
    GuidePlugin::SetProvider({});
    Prg_Suivi::ResetMotionState();
    // Nothing of a telescope driver is known before its first connection.
    AscomBridge::AscomSharedData = {};
    CameraSlots = {};
    CurrentCameraSlot = 1;
    SlotModes = {};
    LongExposureRunning = {};
    PlayerActive = 0;
    // No source has laid out the zones yet, and nothing was added.
    ZoneResetPending = 1;
    Align_V::ResetPipelineStartValues();

    // The tracking values a fresh tracking window stands for.
    Align_V::ResetTrackingState();
    TrackSensitivity = 0;
    GuideAverageInterval = 10;
    TrackDriftSpeedX = TrackDriftSpeedY = 0;
    MosaicDriftSpeedX = MosaicDriftSpeedY = 0;

    // Where the mount was last seen, and the goto dialog's and the sky
    // chart's points: a fresh process has none set and the chart on its
    // start view, whatever an earlier test typed or pointed at.
    TelescopeRA = TelescopeDec = 0;
    Sky::GotoOriginRA = Sky::GotoOriginDec = Sky::kUnset;
    Sky::GotoDestinationRA = Sky::GotoDestinationDec = Sky::kUnset;
    Sky::GotoCurrentRA = Sky::GotoCurrentDec = 0;
    Sky::ChartCentreRA = 0;
    Sky::ChartCentreDec = 0.795;
    Sky::ChartFieldWidth = std::numbers::pi / 2;
    Sky::LastScale = {};
    GotoDistanceRA = GotoDistanceDec = 0;
    GotoTimeRA = GotoTimeDec = GotoPrefTimeRA = GotoPrefTimeDec = 0;
    MemorisedRA = MemorisedDec = 0;
    HandPadCalibrating = 0;
    NorthSouthHoldMs = WestEastHoldMs = 0;

    AVICompression::CompressOptions = AVICompression::DefaultCompressOptions();
    AVICompression::OptionsLoaded = false;

    // No translation pass has run: the texts are as at start, French.
    TranslatedTexts = TTranslatedTexts();
    Translation::HandDownPlatformTexts();
}

} // namespace testsupport
