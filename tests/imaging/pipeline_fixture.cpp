#include "pipeline_fixture.h"

#include "app/frm_alv.h"
#include "app/frm_pref.h"
#include "app/startup.h"
#include "app/ui/event_boundary.h"
#include "capture/camera_slots.h"
#include "capture/plugin_mgr.h"
#include "capture/wdm_capture.h"
#include "imaging/display_helpers.h"
#include "imaging/display_zone.h"
#include "imaging/pipeline_state.h"
#include "imaging/process_frame.h"
#include "kernels/raster.h"
#include "platform/port_access.h"
#include "platform/simulated_camera.h"
#include "scripting/scripts.h"
#include "support/program/driver_choice.h"
#include "support/program/fresh_process.h"
#include "support/user_input.h"
#include "tools/frm_full_screen.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_images.h"
#include "tools/util_images.h"
#include "translation/translated_texts.h"

#include <QApplication>
#include <QTimer>


void PipelineTest::SetUp()
{
    testsupport::StartAsAFreshProcess();
    platform::setPortAccess(&ports);
    Startup::CreateWindows();
    // The tests hand the per-frame routine each frame themselves. The slots'
    // frame timers may tick while a test shows a window or runs the event
    // loop (the program starts them with the saved frame rate), but with no
    // camera on the slots a tick processes nothing: no frame came.
    Translation::ResetTexts();   // the French texts, as after the first translation pass
    app::resetReportedCauses();
    app::setErrorSink([this](const QString& r) { reports << r; });

    Align_V::CreateMissingSlotBitmaps();
    Align_V::CreateMissingWorkBitmaps();
    Align_V::ResetPipelineStartValues();
    Align_V::ResetQualityHistory();
    DeepImagePlanes().clearAll();
    if (FrameRingAllocated)
        Align_V::FreeFrameRing(FrameRingCount);
    FrameRingCount = 0;
    RingSize = RingHead = RingTail = RingFilled = 0;
    FlatChannelMeans = {};
    ToneCurveActive = false;
    ToneCurve = nullptr;
    ProcedureState = 0;
    MotionReferenceSet = MotionFired = 0;
    SequenceSaving = false;
    FocusTolerance = FocusSensitivity = 0;
    FocusHistory = {};
    Util_Images::FilterFrameCounter = 0;
    Util_Images::ConvolutionKernel = {};

    CameraSlots[1].width = 640;
    CameraSlots[1].height = 480;
    CameraSlots[2].width = CameraSlots[2].height = 0;
    CameraSlots[1].recordLayout = CameraSlots[2].recordLayout = 0;
    CurrentCameraSlot = 1;
    GuideSourceSlot = 1;
    PipelineActive = 1;
    TrackedStarPos = PreviousTrackedStarPos = DisplayZoneCenter = QPoint(320, 240);
    DisplayZoneOffset = PreviousDisplayZoneOffset = QPoint(0, 0);
    Align_V::ComputeDisplayZone(1);
    setResultSize(320, 256);
    setFrame(field.render());
}

void PipelineTest::TearDown()
{
    if (FRM_Alv && FRM_Alv->MNU_Cam1_Arreter->isEnabled())
        FRM_Alv->SPDB_Cam1_StopClick();
    platform::setGrabCameras(nullptr);
    if (FrameRingAllocated)
        Align_V::FreeFrameRing(FrameRingCount);
    Startup::DestroyWindows();
    PluginManager.reset();
    Scripts::StopAll();
    app::setErrorSink({});
    platform::setPortAccess(nullptr);
}

void PipelineTest::setFrame(const kernels::Bitmap24& frame, int slot)
{
    kernels::bitBlt(*SlotBitmaps[slot][0], 0, 0, frame.width(), frame.height(), frame, 0, 0,
                    kernels::RasterOp::SrcCopy);
}

std::uint8_t PipelineTest::processFrame(std::uint8_t draw, std::uint8_t slot)
{
    std::uint8_t keep = 7;
    Align_V::ProcessFrame(draw, keep, slot);
    return keep;
}

void PipelineTest::setResultSize(int width, int height)
{
    FRM_Alv->Image3->SetPictureSize(width, height);
}

std::uint32_t PipelineTest::at(const kernels::Bitmap24& b, int x, int y)
{
    return kernels::pixel(b, x, y);
}

bool PipelineTest::allBlack(const kernels::Bitmap24& b)
{
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x)
            if (kernels::pixel(b, x, y) != kernels::kBlack)
                return false;
    return true;
}

bool PipelineTest::fullScreenShowsTheResult()
{
    const kernels::Bitmap24& full = FRM_FullScreen->IMG_FullScreen->Bitmap();
    kernels::Bitmap24 stretched(full.width(), full.height());
    kernels::stretchBlt(stretched, kernels::boundsOf(stretched), FRM_Alv->Image3->Bitmap(),
                        kernels::boundsOf(FRM_Alv->Image3->Bitmap()), kernels::RasterOp::SrcCopy);
    return FRM_FullScreen->isVisible() && !full.isEmpty() && kernels::SamePixels(full, stretched);
}

QWidget* PipelineTest::shownTwin(QWidget* expert, QWidget* beginner)
{
    return expert->isVisibleTo(FRM_Alv) ? expert : beginner;
}

void PipelineTest::startStarFieldCamera()
{
    grabCameras.add({QStringLiteral("Simulateur ciel etoile"), QStringLiteral("1.0")},
                    [] { return std::make_unique<platform::SimulatedCamera>(); });
    platform::setGrabCameras(&grabCameras);
    // The driver dialog waits for its answer: the first line, the camera.
    testsupport::AnswerDriverChoice(0);
    testsupport::click(shownTwin(FRM_Alv->SPDB_Cam1_Start, FRM_Alv->SPDB_Cam1_Start_B));
    ASSERT_TRUE(FRM_Alv->MNU_Cam1_Arreter->isEnabled()) << "camera 1 started";
}

void PipelineTest::cameraFrames(int n)
{
    for (int i = 0; i < n; ++i)
        FRM_Alv->Timer_Cam1Timer();
}

void PipelineTest::chooseCameraFormat(int width, int height)
{
    const TWDMCapture::FormatPage page = TWDMCapture::formatPage();
    TWDMCapture::formatPage() = [width, height](const auto&, TWDMCapture::FormatChoice& c) {
        c.width = width;
        c.height = height;
        return true;
    };
    FRM_Alv->MNU_Cam1_Format->trigger();
    TWDMCapture::formatPage() = page;
}

void PipelineTest::stackCameraFrames(int n)
{
    TFRM_Tool_Images* t = FRM_Tool_Images;
    if (!t->CKB_Integration->isChecked())
        testsupport::click(t->CKB_Integration);
    testsupport::typeInto(t->SPED_Nb_Bitmap, QString::number(n));
    ASSERT_EQ(t->SPED_Nb_Bitmap->value(), n);
    testsupport::click(t->BTN_Demarrer_Add);
    ASSERT_TRUE(t->BTN_Arreter_Add->isEnabled()) << "the stack runs";
    cameraFrames(n);
    ASSERT_TRUE(t->BTN_Demarrer_Add->isEnabled()) << "the stack ended by itself";
}
