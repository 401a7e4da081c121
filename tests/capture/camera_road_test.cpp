#include "camera_road_fixture.h"
#include "camera_control_probe.h"

#include "app/frm_alv.h"
#include "app/frm_pref.h"
#include "capture/camera_control_lib.h"
#include "capture/long_exposure.h"
#include "app/frm_message.h"
#include "capture/camera_slots.h"
#include "capture/capture_helpers.h"
#include "capture/driver_list.h"
#include "capture/grab_road.h"
#include "kernels/frame_copy.h"
#include "capture/plugin_mgr.h"
#include "capture/wdm_capture.h"
#include "telescope/guide_plugin.h"
#include "imaging/pipeline_state.h"
#include "platform/simulated_camera.h"
#include "scripting/scripts.h"
#include "app/controls/num_inp.h"
#include "app/ui/control_adapters.h"
#include "imaging/overlays.h"
#include "kernels/raster.h"
#include "telescope/frm_tool_suivi.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_mesures.h"
#include "tools/frm_tool_images.h"
#include "translation/translated_texts.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRadioButton>
#include <QScrollArea>
#include <QTest>
#include <QWheelEvent>
#include <cmath>
#include <dlfcn.h>
#include <random>
#include <vector>

namespace {

bool anyLight(const QImage& img)
{
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qGray(img.pixel(x, y)) > 100)
                return true;
    return false;
}

using Deliver = std::int32_t (*)(std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::uint8_t);
using Counts = void (*)(std::int32_t*, std::int32_t*, std::int32_t*);

const QString kCannotStart1 = QStringLiteral("Impossible de demarrer la camera # 1, verifier le branchement et les pilotes.");

} // namespace

TEST_F(CameraRoad, SimulatedCameraStartsShowsItsStarsAndStops)
{
    answerDriverDialog(0);
    FRM_Alv->MNU_Cam1_DemarrerClick();

    ASSERT_NE(GrabDevices[1], nullptr);
    EXPECT_EQ(CameraSlots[1].sourceKind, 0);
    EXPECT_EQ(CameraSlots[1].driverIndex, 0);
    EXPECT_EQ(CameraSlots[1].width, 640);
    EXPECT_EQ(CameraSlots[1].height, 480);
    EXPECT_TRUE(Scripts::Cam1Online);
    EXPECT_TRUE(FRM_Alv->Timer_Cam1->isActive());
    EXPECT_EQ(FRM_Alv->Timer_Cam1->interval(), 200);
    EXPECT_FALSE(FRM_Alv->SPDB_Cam1_Start->isEnabled());
    EXPECT_TRUE(FRM_Alv->MNU_Cam1_Arreter->isEnabled());
    EXPECT_TRUE(FRM_Alv->SPDB_Cam1_Image->isChecked());
    EXPECT_TRUE(FRM_Alv->SPDB_Cam1_Stream->isEnabled());
    EXPECT_FALSE(FRM_Alv->SPDB_Cam1_WDMControl->isEnabled());
    EXPECT_EQ(ZoneAnchor, QPoint(320, 240));

    FRM_Alv->Timer_Cam1Timer();
    const QImage shown = FRM_Alv->Image1->Picture();
    EXPECT_EQ(shown.size(), QSize(640, 480));
    EXPECT_TRUE(anyLight(shown)) << "stars in the source view";

    FRM_Alv->SPDB_Cam1_StopClick();
    EXPECT_EQ(GrabDevices[1], nullptr);
    EXPECT_FALSE(FRM_Alv->Timer_Cam1->isActive());
    EXPECT_TRUE(FRM_Alv->SPDB_Cam1_Start->isEnabled());
    EXPECT_FALSE(FRM_Alv->SPDB_Cam1_Stop->isEnabled());
    EXPECT_FALSE(Scripts::Cam1Online);
}

TEST_F(CameraRoad, FrameSizeIsCheckedAndEveryRefusedStartReleasesTheSlot)
{
    EXPECT_EQ(Align_V::RowBytes(24 * 641), 1924);
    EXPECT_EQ(Align_V::RowBytes(8 * 3), 4);

    CameraSlots[2].width = CameraSlots[2].height = 1280;
    EXPECT_TRUE(Align_V::CheckFrameSize(2));
    CameraSlots[2].width = 1281;
    CameraSlots[2].height = 960;
    EXPECT_FALSE(Align_V::CheckFrameSize(2));
    EXPECT_TRUE(messageText().contains(QStringLiteral("1280x1280")));
    EXPECT_TRUE(messageText().contains(QStringLiteral("La taille actuelle est 1281x960, veuillez choisir un autre format.")));
    CameraSlots[2].width = 0;
    EXPECT_FALSE(Align_V::CheckFrameSize(2));
    EXPECT_EQ(messageText(), TranslatedTexts.MSG_Cannot_Set_Format) << "the window is cleared first";

    auto expectStopped = [&](const char* why) {
        EXPECT_FALSE(FRM_Alv->SPDB_Cam1_Start->isChecked()) << why;
        EXPECT_TRUE(FRM_Alv->SPDB_Cam1_Start->isEnabled()) << why;
        EXPECT_FALSE(FRM_Alv->MNU_Cam1_Arreter->isEnabled()) << why;
        EXPECT_EQ(GrabDevices[1], nullptr) << why;
        EXPECT_FALSE(Scripts::Cam1Online) << why;
    };
    grab.clear();
    grab.add({QStringLiteral("Large"), QStringLiteral("1")},
             [] { return std::make_unique<FakeGrabDevice>(platform::CameraFormat{1281, 960, 24}, 1281, 960); });
    grab.add({QStringLiteral("Gone"), QStringLiteral("1")}, [] { return nullptr; });

    FRM_Alv->SPDB_Cam1_Start->setChecked(true);
    answerDriverDialog(0);
    FRM_Alv->SPDB_Cam1_StartClick();
    EXPECT_TRUE(messageText().contains(QStringLiteral("La taille actuelle est 1281x960")));
    expectStopped("size over 1280");

    FRM_Alv->SPDB_Cam1_Start->setChecked(true);
    answerDriverDialog(1);
    FRM_Alv->SPDB_Cam1_StartClick();
    EXPECT_EQ(messageText(), kCannotStart1);
    EXPECT_EQ(CameraSlots[1].driverListIndex, -1);
    expectStopped("device vanished since the list");

    grab.clear();
    FRM_Alv->SPDB_Cam1_Start->setChecked(true);
    answerDriverDialog(-1);
    FRM_Alv->SPDB_Cam1_StartClick();
    expectStopped("dialog cancelled");
    FRM_Alv->SPDB_Cam1_Start->setChecked(true);
    answerDriverDialog(0);   // an empty list and OK
    FRM_Alv->SPDB_Cam1_StartClick();
    EXPECT_EQ(messageText(), kCannotStart1);
    expectStopped("empty list");
}

// A script's or another program's camera start that starts nothing - the
// driver choice cancelled, a device gone since the list, a plug-in camera
// that does not connect - fails its statement: the script stops there with
// the statement named, the other program is refused with that text; a start
// that starts goes on to the next line.
TEST_F(CameraRoad, ACameraStartThatStartsNothingFailsItsStatement)
{
    usePlugins({QStringLiteral("NJ_ConnectFails")});
    grab.clear();
    grab.add({QStringLiteral("Gone"), QStringLiteral("1")}, [] { return nullptr; });
    const QString failed = QStringLiteral("Line 1 : camera(1,start) : no camera started");
    const auto runScript = [&](int driverLine) {
        boxes.clear();
        answerDriverDialog(driverLine);
        runScriptText(QStringLiteral("camera(1,start)\nmessage.show(\"after\")"));
        EXPECT_TRUE(QTest::qWaitFor([] { return !Scripts::ScriptRunning; }, 10000)) << driverLine;
        return boxes.texts();
    };
    EXPECT_EQ(runScript(-1), QStringList{failed}) << "driver choice cancelled";
    EXPECT_EQ(runScript(0), QStringList{failed}) << "device gone";
    EXPECT_EQ(messageText(), kCannotStart1);
    EXPECT_EQ(runScript(1), QStringList{failed}) << "plug-in camera refusing";
    EXPECT_EQ(CameraSlots[1].pluginCamera, -1);

    for (int line : {-1, 0, 1}) {
        QString reason;
        answerDriverDialog(line);
        EXPECT_FALSE(Scripts::ExecuteMacroLine(QStringLiteral("camera(2,start)"), [&](const QString& r) { reason = r; }));
        EXPECT_EQ(reason, QStringLiteral("Line %1 : camera(2,start) : no camera started")
                              .arg(Scripts::CurrentScript().CurrentLine + 1)) << line;
        EXPECT_FALSE(FRM_Alv->MNU_Cam2_Arreter->isEnabled()) << line;
    }

    grab.add({QStringLiteral("Simulated"), QStringLiteral("1")}, [] {
        return std::make_unique<FakeGrabDevice>(platform::CameraFormat{320, 240, 24}, 320, 240);
    });
    EXPECT_EQ(runScript(1), QStringList{QStringLiteral("after")}) << "the camera runs";
    EXPECT_TRUE(GrabDevices[1]);
    FRM_Alv->MNU_Cam1_ArreterClick();
}

TEST_F(CameraRoad, AFormatWithoutSizeIsLearnedFromOneGrabAndTheDumpIsLogged)
{
    grab.clear();
    grab.add({QStringLiteral("Blind"), QStringLiteral("2")},
             [] { return std::make_unique<FakeGrabDevice>(platform::CameraFormat{0, 0, 24}, 320, 240); });
    FRM_Pref->CKB_Debug->setChecked(true);
    answerDriverDialog(0);
    FRM_Alv->MNU_Cam1_DemarrerClick();
    EXPECT_EQ(CameraSlots[1].width, 320);
    EXPECT_EQ(CameraSlots[1].height, 240);
    EXPECT_EQ(CameraSlots[1].bitCount, 24);
    Capture::CloseCaptureDebugFile();

    QStringList lines;   // without the time column
    for (const QString& l : QString::fromLatin1(dir.readFile(QStringLiteral("Debug.log"))).split(QStringLiteral("\r\n")))
        lines << l.section(QLatin1Char(';'), 1);
    lines.removeAll(QString());
    const QStringList expected = {"bisize          = 40", "biWidth         = 0", "biHeight        = 0",
                                  "biPlanes        = 1", "biBitCount      = 24", "biCompression   = 0",
                                  "biSizeImage     = 0", "biXPelsPerMeter = 0", "biYPelsPerMeter = 0",
                                  "biClrUsed       = 0", "biClrImportant  = 0", "VideoCap1.CapWidth   = 0",
                                  "VideoCap1.CapHeight  = 0", "bmiHeader.biBitCount = 24", "FrIma.Width       = 320",
                                  "FrIma.Height      = 240", "FrIma.PixelFormat = 6"};
    ASSERT_GE(lines.size(), expected.size());
    EXPECT_EQ(lines.mid(0, expected.size()), expected);
}

TEST_F(CameraRoad, DriverListRunsGrabThenStreamThenPluginCameras)
{
    grab.clear();
    for (const char* n : {"G0", "G1", "G2"})
        grab.add({QLatin1String(n), QStringLiteral("1.0")}, [] { return std::make_unique<platform::SimulatedCamera>(); });
    for (const char* n : {"S0", "S1"})
        stream.add({QLatin1String(n), {}}, [] { return std::make_unique<platform::SimulatedCamera>(); });
    usePlugins({QStringLiteral("NJ_Both")});

    const auto list = Capture::BuildDriverList(1);
    QStringList lines;
    for (const auto& d : list)
        lines << d.Line();
    EXPECT_EQ(lines, (QStringList{"(VFW):G0 1.0", "(VFW):G1 1.0", "(VFW):G2 1.0", "(WDM):S0", "(WDM):S1",
                                  "(PLUGIN):Fake 3:Fake 3 cam 0"}));
    EXPECT_EQ(VfwDriverCount, 3);
    EXPECT_EQ(CaptureDeviceCount, 5);

    answerDriverDialog(4);
    ASSERT_TRUE(FRM_Alv->GetDriver(1));
    EXPECT_TRUE(driverDialogOnTop) << "a modal dialog under the windows kept on top would freeze the program";
    EXPECT_EQ(CameraSlots[1].sourceKind, 1);
    EXPECT_EQ(WdmDeviceIndex[1], 1);
    answerDriverDialog(5);
    ASSERT_TRUE(FRM_Alv->GetDriver(1));
    EXPECT_EQ(CameraSlots[1].sourceKind, 3);
    EXPECT_EQ(WdmDeviceIndex[1], 0);
    EXPECT_EQ(CameraSlots[1].driverListIndex, 5);
    answerDriverDialog(-1);
    EXPECT_FALSE(FRM_Alv->GetDriver(1));
    EXPECT_EQ(CameraSlots[1].sourceKind, 3) << "Cancel changes nothing";
    EXPECT_EQ(WdmDeviceIndex[1], 0);

    // More than ten grab devices: only the first ten are offered.
    for (int i = 0; i < 9; ++i)
        grab.add({QStringLiteral("More"), {}}, [] { return std::make_unique<platform::SimulatedCamera>(); });
    std::vector<TDriver> vfw;
    Align_V::EnumVfwDrivers(vfw);
    EXPECT_EQ(vfw.size(), 10u);
}

TEST_F(CameraRoad, PluginsAreSortedByCapabilityAndRefusedOnesAreNamed)
{
    usePlugins({"NJ_Pair2", "NJ_Pair1", "NJ_Both", "NJ_Odd", "NJ_NoDevice", "NJ_NoConnect", "NJ_OldAbi"});
    dir.writeFile(QStringLiteral("Plugins/NJ_Broken.so"), "not a library");
    PluginManager = std::make_unique<TPluginMgr>(FRM_Alv, 255u, dir.filePath(QStringLiteral("Plugins")));
    const TPluginMgr& m = *PluginManager;

    QStringList files;
    for (const auto& p : m.Plugins)
        files << QFileInfo(p->FileName).fileName();
    EXPECT_EQ(files, (QStringList{"NJ_Both.so", "NJ_Broken.so", "NJ_NoConnect.so", "NJ_OldAbi.so", "NJ_Pair1.so",
                                  "NJ_Pair2.so"}))
        << "0x0100 and a library without device entry points are dropped";
    EXPECT_EQ(m.PluginFiles(), (QStringList{"NJ_Both.so", "NJ_Pair1.so", "NJ_Pair2.so"}));

    QStringList cameras;
    for (const TCameraRecord* c : m.Cameras)
        cameras << c->Name;
    EXPECT_EQ(cameras, (QStringList{"Fake 3 cam 0", "Fake 1 cam 0", "Fake 1 cam 1", "Fake 2 cam 0", "Fake 2 cam 1"}));
    ASSERT_EQ(m.GuidePlugins.size(), 1u);
    EXPECT_EQ(m.GuidePlugins[0]->FriendlyName, QStringLiteral("Fake 3"));
    ASSERT_EQ(m.Guiders.size(), 1u);
    EXPECT_EQ(m.Guiders[0]->Name, QStringLiteral("Fake 3 guider 0"));
    EXPECT_EQ(m.Guiders[0]->Guider.Kind, 2);
    EXPECT_NE(m.Guiders[0]->Guider.Api->autoguide_move, nullptr);
    EXPECT_EQ(m.FilterByCapability(4).size(), 1u);
    Capture::InstallGuiderProvider();
    const auto guider = GuidePlugin::Choice(0);
    ASSERT_TRUE(guider.has_value()) << "the command layer finds the guider";
    EXPECT_EQ(guider->name, QStringLiteral("Fake 3 guider 0"));
    EXPECT_EQ(guider->table, m.Guiders[0]->Guider.Api);
    EXPECT_FALSE(GuidePlugin::Choice(1).has_value());
    EXPECT_TRUE(messageText().contains(QStringLiteral("NJ_NoConnect.so refusé : le point d'entrée camera_connect est absent.")));
    EXPECT_TRUE(messageText().contains(QStringLiteral("NJ_OldAbi.so refusé : version d'interface 0")));

    PluginManager->UnloadAll();
    EXPECT_TRUE(m.Cameras.empty());
    EXPECT_TRUE(m.GuidePlugins.empty());
    EXPECT_TRUE(m.Guiders.empty());
    EXPECT_TRUE(m.Plugins.empty());
}

TEST_F(CameraRoad, PluginFramesAreHandedOverOnceAndIgnoredAfterTheStop)
{
    usePlugins({QStringLiteral("NJ_Pair1")});
    auto deliver = reinterpret_cast<Deliver>(pluginFunction(QStringLiteral("NJ_Pair1"), "fake_deliver"));
    auto counts = reinterpret_cast<Counts>(pluginFunction(QStringLiteral("NJ_Pair1"), "fake_counts"));
    ASSERT_TRUE(deliver && counts);

    FRM_Alv->MNU_Cam1_PoseLongue->setEnabled(false);
    FRM_Tool_Affichage->CBX_Cam1_IPS->setCurrentText(QStringLiteral("Auto"));
    answerDriverDialog(2);   // after the simulated grab camera: plug-in camera 1
    FRM_Alv->MNU_Cam1_DemarrerClick();
    ASSERT_EQ(CameraSlots[1].sourceKind, 3);
    EXPECT_EQ(CameraSlots[1].pluginCamera, 1);
    EXPECT_EQ(CameraSlots[1].width, 320) << "640 / binning 2";
    EXPECT_EQ(CameraSlots[1].height, 240);
    EXPECT_EQ(CameraSlots[1].frameHandOver, 1) << "rate choice Auto";
    EXPECT_EQ(SlotModes[1], 2);
    EXPECT_FALSE(FRM_Alv->MNU_Cam1_PoseLongue->isEnabled()) << "maximum exposure 999 ms";
    const std::int32_t h = CameraSlots[1].pluginHandle;

    for (int i = 0; i < 50; ++i)
        deliver(h, h, 320, 240, static_cast<std::uint8_t>(100 + i));
    EXPECT_EQ(PluginFrameBitmaps[1].announcements(), 1u) << "one pending event for fifty frames";
    deliver(h, h + 1, 320, 240, 7);   // a camera the slot does not know
    EXPECT_EQ(PluginFrameBitmaps[1].framesDelivered(), 50u);
    QCoreApplication::processEvents();
    EXPECT_FALSE(PluginFrameBitmaps[1].pending());
    EXPECT_EQ(FrameCounters[1], 1) << "one tick for the announcement";
    EXPECT_EQ(qGray(FRM_Alv->Image1->Picture().pixel(5, 5)), 149) << "the latest frame is shown";

    FRM_Alv->MNU_Cam1_ArreterClick();
    std::int32_t creates = 0, frees = 0, running = 0;
    counts(&creates, &frees, &running);
    EXPECT_EQ(creates, 1);
    EXPECT_EQ(frees, 1);
    EXPECT_EQ(running, 0);
    EXPECT_EQ(deliver(h, h, 320, 240, 1), 1) << "a late callback after the stop";
    EXPECT_FALSE(PluginFrameBitmaps[1].pending());
    QCoreApplication::processEvents();
    EXPECT_EQ(SlotModes[1], 0) << "the late callback does not re-arm the slot";
    EXPECT_EQ(FrameCounters[1], 1);
}

// The manager going away (its owner resets it, or replaces it with a new
// one) lets go of the camera it opened before its library is unloaded.
TEST_F(CameraRoad, TheManagersEndStopsAndFreesItsCameraBeforeTheLibraryGoes)
{
    usePlugins({QStringLiteral("NJ_Pair1")});
    // Kept mapped past the unload, so its counts can still be read.
    void* keep = dlopen(QFile::encodeName(dir.filePath(QStringLiteral("Plugins/NJ_Pair1.so"))).constData(),
                        RTLD_NOW | RTLD_NODELETE);
    ASSERT_NE(keep, nullptr);
    auto counts = reinterpret_cast<Counts>(dlsym(keep, "fake_counts"));
    ASSERT_TRUE(counts);
    answerDriverDialog(2);
    FRM_Alv->MNU_Cam1_DemarrerClick();
    ASSERT_EQ(CameraSlots[1].sourceKind, 3);
    ASSERT_NE(CameraSlots[1].pluginHandle, 0);

    PluginManager.reset();
    std::int32_t creates = 0, frees = 0, running = 0;
    counts(&creates, &frees, &running);
    EXPECT_EQ(frees, 1);
    EXPECT_EQ(running, 0);
    EXPECT_EQ(CameraSlots[1].pluginHandle, 0);
    EXPECT_FALSE(PluginFrameBitmaps[1].armed());
    dlclose(keep);
}

TEST_F(CameraRoad, APluginCameraThatDoesNotConnectIsFreedWithoutAMessage)
{
    usePlugins({QStringLiteral("NJ_ConnectFails")});
    auto counts = reinterpret_cast<Counts>(pluginFunction(QStringLiteral("NJ_ConnectFails"), "fake_counts"));
    FRM_Alv->SPDB_Cam1_Start->setChecked(true);
    answerDriverDialog(1);
    FRM_Alv->SPDB_Cam1_StartClick();
    std::int32_t creates = 0, frees = 0, running = 0;
    counts(&creates, &frees, &running);
    EXPECT_EQ(creates, 1);
    EXPECT_EQ(frees, 1);
    EXPECT_TRUE(messageText().isEmpty()) << qPrintable(messageText());
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(CameraSlots[1].pluginCamera, -1);
    EXPECT_EQ(SlotModes[1], 0);
    EXPECT_FALSE(FRM_Alv->SPDB_Cam1_Start->isChecked());
    EXPECT_FALSE(FRM_Alv->MNU_Cam1_Arreter->isEnabled());
}

TEST_F(CameraRoad, FrameTimerSavesEveryThirdKeptFrameAndShowsTheRateOnTheMonotonicClock)
{
    testsupport::FakeClock clock;
    answerDriverDialog(0);
    FRM_Alv->MNU_Cam1_DemarrerClick();
    ASSERT_NE(GrabDevices[1], nullptr);
    SaveFramesEnabled = 1;
    FRM_Tool_Images->SPED_Freq_Sauve->setValue(3);
    const int saved0 = SequenceFrameCounter;
    auto* fps = FRM_Tool_Affichage->EDT_Cam1_FPS;
    fps->clear();

    for (int i = 1; i <= 9; ++i) {
        clock.advanceMs(40);
        FRM_Alv->Timer_Cam1Timer();
        if (i == 5) {
            EXPECT_TRUE(fps->text().isEmpty()) << "no rate from a single stamp";
        }
    }
    EXPECT_EQ(SequenceFrameCounter - saved0, 3) << "frames 3, 6 and 9";
    clock.advanceMs(40);
    FRM_Alv->Timer_Cam1Timer();
    EXPECT_EQ(fps->text(), QStringLiteral("25"));

    // Frames that are not kept do not count towards the cadence.
    const int counted = SequenceFrameTick;
    LongExposureRunning[1] = 1;
    for (int i = 0; i < 3; ++i)
        FRM_Alv->Timer_Cam1Timer();
    LongExposureRunning[1] = 0;
    EXPECT_EQ(SequenceFrameTick, counted);

    // Five frames with no time passing: no rate, no division by zero.
    for (int i = 0; i < 5; ++i)
        FRM_Alv->Timer_Cam1Timer();
    EXPECT_EQ(fps->text(), QStringLiteral("25"));
}

TEST_F(CameraRoad, TheWheelStepsOncePerWholeNotch)
{
    QScrollBar* bar = FRM_Tool_Affichage->SCB_Taille_ZAffich;
    bar->setRange(4, 125);
    bar->setValue(100);
    FRM_Alv->MouseWheel(40);
    FRM_Alv->MouseWheel(40);
    EXPECT_EQ(bar->value(), 100);
    FRM_Alv->MouseWheel(40);
    EXPECT_EQ(bar->value(), 110);
    FRM_Alv->MouseWheel(240);
    EXPECT_EQ(bar->value(), 125) << "two notches, the second stops at the maximum";
    FRM_Alv->MouseWheel(-119);
    EXPECT_EQ(bar->value(), 125);
    FRM_Alv->MouseWheel(-1);
    EXPECT_EQ(bar->value(), 115);
}

// A notch of the wheel over the images sizes the display zone as the width
// bar would: its read-out, the zone's height and the result view follow.
TEST_F(CameraRoad, AWheelNotchOverTheImagesResizesTheZoneAndTheResult)
{
    answerDriverDialog(0);
    FRM_Alv->MNU_Cam1_DemarrerClick();
    FRM_Alv->MNU_Cam1_Binning_1x1Click();
    TFRM_Tool_Affichage* a = FRM_Tool_Affichage;
    a->RDB_Ratio_Ecran->click();
    const int w = CameraSlots[1].width, h = CameraSlots[1].height;
    ASSERT_GT(w, 100);
    int start = w - 100;
    a->SCB_Taille_ZAffichScroll(a->SCB_Taille_ZAffich, 4, start);
    QWidget* over = FRM_Alv->SBX_Images->viewport();
    const auto turn = [over](int delta) {
        QWheelEvent e(QPointF(10, 10), over->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(over, &e);
    };
    const auto heightFor = [h](int width) { return std::min(h, int(std::nearbyint(width / 1.25 - 0.5))); };

    turn(-120);
    EXPECT_EQ(a->SCB_Taille_ZAffich->value(), w - 110);
    EXPECT_EQ(a->TNI_Taille_ZAffich->Value(), w - 110);
    EXPECT_EQ(a->TNI_Taille_ZAffichV->Value(), heightFor(w - 110));
    EXPECT_EQ(FRM_Alv->Image3->Bitmap().width(), w - 110);
    EXPECT_EQ(FRM_Alv->Image3->Bitmap().height(), heightFor(w - 110));
    turn(120);
    turn(120);
    EXPECT_EQ(a->TNI_Taille_ZAffich->Value(), w - 90);
    EXPECT_EQ(FRM_Alv->Image3->Bitmap().width(), w - 90);

    // "Libre": the height stays and the result takes the bars' own ratio.
    a->RDB_Ratio_Libre->click();
    int tall = 100;
    a->SCB_Taille_ZAffichVScroll(a->SCB_Taille_ZAffichV, 4, tall);
    const int height = a->SCB_Taille_ZAffichV->value();
    turn(-120);
    EXPECT_EQ(a->TNI_Taille_ZAffich->Value(), w - 100);
    EXPECT_EQ(a->SCB_Taille_ZAffichV->value(), height);
    EXPECT_EQ(FRM_Alv->Image3->Bitmap().width(), w - 100);

    // A binned slot: the wheel steps the width, never halves it.
    FRM_Alv->MNU_Cam1_Binning_2x2Click();
    a->RDB_Ratio_Ecran->click();
    turn(-120);
    turn(-120);
    EXPECT_EQ(a->SCB_Taille_ZAffich->value(), w - 120);
    EXPECT_EQ(FRM_Alv->Image3->Bitmap().width(), int(std::nearbyint((w - 120) / 2.0 - 0.5)));
    FRM_Alv->MNU_Cam1_ArreterClick();
}

TEST_F(CameraRoad, StartRaisesTheLinesOfACameraModifiedForLongExposures)
{
    FRM_Pref->CKB_VestaMod->setChecked(true);
    FRM_Pref->RDB_QV_Parallel->setChecked(true);
    FRM_Pref->CKB_LongueposePermanent->setChecked(false);
    const TLongExposureParams saved = LongExposureParams;
    LongExposureParams.PortAddress = 0x378;
    LongExposureParams.OddLineBit = 0;
    LongExposureParams.EvenLineBit = 1;
    LongExposureParams.AmpBit = 2;
    LongExposureParams.LongExpBit = 3;
    ports.poke(0x378, 0x80);
    ports.clearWrites();
    answerDriverDialog(0);
    FRM_Alv->MNU_Cam1_DemarrerClick();
    ASSERT_FALSE(ports.writes().empty());
    EXPECT_EQ(ports.writes().back().address, 0x378);
    EXPECT_EQ(ports.writes().back().value, 0x8F);
    EXPECT_EQ(FRM_Pref->EDT_TestValue->text(), QStringLiteral("10001111"));
    LongExposureParams = saved;
}

TEST_F(CameraRoad, StartPreparesAUsbCameraThroughTheCameraControlLibraryAndTheStopLetsItGo)
{
    CameraControlProbe probe;
    ASSERT_NO_FATAL_FAILURE(probe.open(dir));
    ASSERT_TRUE(Align_V::LoadLedControlDll());   // the test's own reference keeps it loaded throughout
    FRM_Pref->CKB_VestaMod->setChecked(true);
    FRM_Pref->RDB_QV_USB->setChecked(true);

    probe.reset(0, 0, 0, 5);
    answerDriverDialog(0);
    FRM_Alv->MNU_Cam1_DemarrerClick();
    EXPECT_STREQ(probe.calls(), "InitLedCtrl,EnumCams,SetCam(0),CamTrigger(1)");
    EXPECT_EQ(messageText(), QStringLiteral("InitLedCtrl = 0\nResLedLex = 5"));
    EXPECT_EQ(Align_V::LedControlReferences(), 2);
    FRM_Alv->MNU_Cam1_ArreterClick();
    EXPECT_EQ(Align_V::LedControlReferences(), 1);

    FRM_Message->MEMO_Message->clear();
    probe.reset(0, 2, 0, 0);
    answerDriverDialog(0);
    FRM_Alv->MNU_Cam1_DemarrerClick();
    EXPECT_EQ(messageText(), QStringLiteral("InitLedCtrl = 0\nEnumCams = -1 !!"));
    FRM_Alv->MNU_Cam1_ArreterClick();
    probe.unload();
    Align_V::FreeLedControlDll();
}

// The format page slows the slot's frame timer while it is open; the next
// tick of that slot's own timer gives the interval back, whichever timer
// ticks first. The other slot's tick neither takes it nor changes its own.
TEST_F(CameraRoad, TheFormatPageGivesTheFrameRateBackToItsOwnSlot)
{
    const TWDMCapture::FormatPage savedPage = TWDMCapture::formatPage();
    TWDMCapture::formatPage() = [](const std::vector<platform::V4l2Camera::FormatEntry>&, TWDMCapture::FormatChoice& c) {
        c.width = 1280;
        c.height = 960;
        return true;
    };
    answerDriverDialog(0);
    FRM_Alv->MNU_Cam1_DemarrerClick();
    FRM_Tool_Affichage->CBX_Cam1_IPS->setCurrentText(QStringLiteral("30"));
    FRM_Tool_Affichage->CBX_Cam1_IPSChange();
    const int frameInterval = FRM_Alv->Timer_Cam1->interval();
    ASSERT_LE(frameInterval, 34);
    const int otherInterval = FRM_Alv->Timer_Cam2->interval();

    FRM_Alv->MNU_Cam1_FormatClick();
    TWDMCapture::formatPage() = savedPage;
    EXPECT_EQ(CameraSlots[1].width, 1280);
    EXPECT_EQ(FRM_Alv->Timer_Cam1->interval(), 1000) << "quiet while the page was open";
    FRM_Alv->Timer_Cam2Timer();
    EXPECT_EQ(FRM_Alv->Timer_Cam2->interval(), otherInterval);
    FRM_Alv->Timer_Cam1Timer();
    EXPECT_EQ(FRM_Alv->Timer_Cam1->interval(), frameInterval) << "30 frames a second again";
    EXPECT_EQ(FRM_Alv->Timer_Cam2->interval(), otherInterval);
}

// With the raw option a grabbed frame's colours are rebuilt straight from
// its rows: the live bitmap gets the bytes of the copy then rebuild, for
// three-byte and one-byte pixels, padded or packed rows, odd sizes, every
// arrangement, a frame smaller than the live bitmap too. Frames it cannot
// take leave the live bitmap as it was.
TEST_F(CameraRoad, ARawFrameIsRebuiltFromItsRowsAsFromACopy)
{
    ASSERT_TRUE(SlotBitmaps[1][0]);
    kernels::Bitmap24& live = *SlotBitmaps[1][0];
    const kernels::Bitmap24 kept = live;   // put back for the tests after this one
    const std::uint8_t keptMode = RawBayerMode;
    kernels::Bitmap24 target(8, 8);
    std::mt19937 rng(5);
    const auto fillLive = [&](int w, int h) {
        live.resize(w, h);
        for (int y = 0; y < h; ++y)
            for (int i = 0; i < 3 * w; ++i)
                live.scanLine(y)[i] = std::uint8_t(7 + i + y);
    };
    FRM_Pref->CKB_Raw->setChecked(true);
    struct Shape {
        int width, height;
        platform::PixelFormat format;
        int padding;
    };
    for (const Shape& shape : {Shape{37, 21, platform::PixelFormat::Bgr24, 7}, Shape{37, 21, platform::PixelFormat::Mono8, 3},
                               Shape{64, 48, platform::PixelFormat::Mono8, 0}, Shape{64, 48, platform::PixelFormat::Bgr24, 0},
                               Shape{35, 47, platform::PixelFormat::Bgr24, 1}})
        for (int mode = 1; mode <= 4; ++mode) {
            RawBayerMode = std::uint8_t(mode);
            const std::ptrdiff_t stride = std::ptrdiff_t(shape.width) * platform::bytesPerPixel(shape.format) + shape.padding;
            std::vector<std::uint8_t> pixels(std::size_t(stride) * std::size_t(shape.height));
            for (auto& b : pixels)
                b = std::uint8_t(rng());
            const platform::FrameView frame{shape.width, shape.height, stride, shape.format, pixels.data(), pixels.size()};

            fillLive(64, 48);
            kernels::Bitmap24 expected = live, raw;
            ASSERT_TRUE(kernels::CopyFrameToBitmap(frame, raw));
            Align_V::RebuildBayerColours(raw, expected);

            fillLive(64, 48);
            EXPECT_TRUE(Align_V::DecodeGrabFrame(1, frame, target));
            EXPECT_TRUE(kernels::SamePixels(live, expected))
                << shape.width << " x " << shape.height << " format " << int(shape.format) << " padding " << shape.padding
                << " mode " << mode;
        }

    // Too large for the live bitmap, or not all delivered: nothing changes.
    std::vector<std::uint8_t> pixels(65 * 49 * 3, 200);
    for (const platform::FrameView& frame : {platform::FrameView{65, 48, 65 * 3, platform::PixelFormat::Bgr24, pixels.data(), pixels.size()},
                                             platform::FrameView{32, 32, 32 * 3, platform::PixelFormat::Bgr24, pixels.data(), 32 * 3 * 31},
                                             platform::FrameView{32, 32, 31, platform::PixelFormat::Mono8, pixels.data(), pixels.size()}}) {
        fillLive(64, 48);
        const kernels::Bitmap24 before = live;
        EXPECT_FALSE(Align_V::DecodeGrabFrame(1, frame, target)) << frame.width << " x " << frame.height;
        EXPECT_TRUE(kernels::SamePixels(live, before)) << frame.width << " x " << frame.height;
    }
    FRM_Pref->CKB_Raw->setChecked(false);
    RawBayerMode = keptMode;
    live = kept;
}

// A camera restarted with another format keeps its display zone on the same
// part of the picture: the zone's anchor is rescaled with the frame and the
// zone follows it; a format that changes only one side leaves both.
TEST_F(CameraRoad, ANewFormatMovesTheDisplayZoneWithItsAnchor)
{
    grab.clear();
    grab.add({QStringLiteral("Big"), QStringLiteral("1")},
             [] { return std::make_unique<FakeGrabDevice>(platform::CameraFormat{640, 480, 24}, 640, 480); });
    grab.add({QStringLiteral("Small"), QStringLiteral("1")},
             [] { return std::make_unique<FakeGrabDevice>(platform::CameraFormat{320, 240, 24}, 320, 240); });
    grab.add({QStringLiteral("Wide"), QStringLiteral("1")},
             [] { return std::make_unique<FakeGrabDevice>(platform::CameraFormat{400, 240, 24}, 400, 240); });
    const auto startOn = [&](int line) {
        answerDriverDialog(line);
        FRM_Alv->MNU_Cam1_DemarrerClick();
        ASSERT_TRUE(GrabDevices[1]);
    };
    startOn(0);
    EXPECT_EQ(DisplayZoneCenter, QPoint(320, 240));
    DisplayZoneCenter = QPoint(400, 300);   // the user moved the zone
    FRM_Alv->MNU_Cam1_ArreterClick();

    startOn(1);
    EXPECT_EQ(ZoneAnchor, QPoint(200, 150));
    EXPECT_EQ(DisplayZoneCenter, QPoint(200, 150));
    FRM_Alv->MNU_Cam1_ArreterClick();

    startOn(2);
    EXPECT_EQ(ZoneAnchor, QPoint(200, 150)) << "only the width changed";
    EXPECT_EQ(DisplayZoneCenter, QPoint(200, 150));
    FRM_Alv->MNU_Cam1_ArreterClick();
}

// The optics typed into the measurement window give the image scale of the
// frame the camera delivers: recomputed at each start and format change,
// with the field, the reticle graduated at that scale (also one switched on
// before the first start), the display zone's height, and the buttons of a
// running guide camera.
TEST_F(CameraRoad, EachStartAndFormatChangeGivesTheScaleOfItsFrameAndRedrawsTheReticle)
{
    auto* m = FRM_Tool_Mesures;
    auto typeInto = [m](const char* name, const QString& text) {
        auto* input = app::findControl<TCustomNumInp>(m, QString::fromLatin1(name));
        ASSERT_TRUE(input) << name;
        input->setText(text);
        ASSERT_TRUE(input->DoExit()) << name;
    };
    // 10 um pixels, 640 of them across, the focal length that makes one
    // second of arc a pixel on a 640-pixel frame.
    constexpr double kScale640 = 1.0;
    app::findControl<QRadioButton>(m, QStringLiteral("RDB_Manuelle"))->click();
    typeInto("TNI_Larg_Pix", QStringLiteral("10"));
    typeInto("TNI_NbPix_X", QStringLiteral("640"));
    typeInto("TNI_Focale", QString::number(0.010 / std::tan(kScale640 / 206264.806), 'f', 3));
    if (HasFatalFailure())
        return;
    // The reticle, with its circles, switched on before the first start.
    m->CKB_Croix->setChecked(true);
    m->CKB_Cercles->setChecked(true);
    m->CKB_Reticule->setChecked(true);
    MeasureCentre = QPoint(300, 200);
    Align_V::ClearOverlay();
    EXPECT_FALSE(FRM_Tool_Suivi->BTN_SetDerive->isEnabled());

    auto reticleDrawnAt = [](double scale, int width) {
        const Align_V::ReticleScale s = Align_V::ComputeReticleScale(scale, width);
        if (s.radii.isEmpty())
            return false;
        const kernels::Bitmap24& o = OverlayBitmap->bitmap;
        for (int r : s.radii) {
            bool lit = false;
            for (int d = -1; d <= 1 && !lit; ++d)
                lit = kernels::pixel(o, MeasureCentre.x() + d, MeasureCentre.y() - r) == Align_V::kRed;
            if (!lit && MeasureCentre.y() - r > 0)
                return false;
        }
        return true;
    };
    auto expectScale = [m](double scale, int width, int height) {
        EXPECT_NEAR(double(m->TNI_Echantillonnage->Value()), scale, 0.01);
        EXPECT_EQ(int(m->TNI_Lx->Value()), width);
        EXPECT_EQ(int(m->TNI_Ly->Value()), height);
        // The field in minutes of arc once it passes two.
        EXPECT_NEAR(double(m->TNI_ChampX->Value()), width * scale / 60, 0.05);
        EXPECT_NEAR(double(m->TNI_ChampY->Value()), height * scale / 60, 0.05);
    };

    answerDriverDialog(0);
    FRM_Alv->MNU_Cam1_DemarrerClick();
    ASSERT_EQ(CameraSlots[1].width, 640);
    expectScale(kScale640, 640, 480);
    EXPECT_TRUE(reticleDrawnAt(kScale640, 640)) << "the reticle is whole after the start";
    EXPECT_TRUE(FRM_Tool_Suivi->BTN_SetDerive->isEnabled());
    EXPECT_TRUE(m->BTN_Def_Declinaison->isEnabled());
    auto* a = FRM_Tool_Affichage;
    EXPECT_EQ(int(a->TNI_Taille_ZAffichV->Value()),
              int(std::nearbyint(std::min(480.0, std::nearbyint(double(a->TNI_Taille_ZAffich->Value()) / (640.0 / 480))) - 0.5)));

    // Half the width: twice the angle a pixel.
    chooseFormat(1, 320, 240);
    ASSERT_EQ(CameraSlots[1].width, 320);
    expectScale(2 * kScale640, 320, 240);
    EXPECT_TRUE(reticleDrawnAt(2 * kScale640, 320)) << "graduated at the new scale";

    // The stop leaves the guide camera's buttons off. A camera of 320 x 240
    // started next has that frame's scale, with the optics typed meanwhile;
    // the first camera, started again, its own.
    FRM_Alv->SPDB_Cam1_StopClick();
    EXPECT_FALSE(m->BTN_Def_Declinaison->isEnabled());
    EXPECT_FALSE(FRM_Tool_Suivi->BTN_SetDerive->isEnabled());
    typeInto("TNI_Focale", QString::number(0.010 / std::tan(0.5 / 206264.806), 'f', 3));   // 0.5"/px at 640
    if (HasFatalFailure())
        return;
    grab.add({QStringLiteral("Petite"), QStringLiteral("2")},
             [] { return std::make_unique<FakeGrabDevice>(platform::CameraFormat{320, 240, 24}, 320, 240); });
    answerDriverDialog(int(grab.devices().size()) - 1);
    FRM_Alv->MNU_Cam1_DemarrerClick();
    ASSERT_EQ(CameraSlots[1].width, 320);
    expectScale(1.0, 320, 240);
    EXPECT_TRUE(reticleDrawnAt(1.0, 320));
    FRM_Alv->SPDB_Cam1_StopClick();
    answerDriverDialog(0);
    FRM_Alv->MNU_Cam1_DemarrerClick();
    ASSERT_EQ(CameraSlots[1].width, 640);
    expectScale(0.5, 640, 480);
    FRM_Alv->SPDB_Cam1_StopClick();
}
