#include "camera_road_fixture.h"

#include "app/frm_alv.h"
#include "app/frm_message.h"
#include "capture/camera_slots.h"
#include "capture/driver_list.h"
#include "capture/frm_longuepose.h"
#include "capture/frm_wdm_control.h"
#include "capture/wdm_capture.h"
#include "imaging/pipeline_state.h"
#include "platform/fake_v4l2.h"
#include "platform/v4l2_camera.h"
#include "scripting/scripts.h"
#include "support/user_input.h"
#include "app/controls/coord_pad.h"
#include "app/frm_pref.h"
#include "capture/capture_helpers.h"
#include "capture/grab_road.h"
#include "kernels/raster.h"
#include "tools/frm_tool_affichage.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QStyle>
#include <QTest>
#include <linux/videodev2.h>

namespace {

// A click of the mouse on the arrow at the end of a scroll bar (`add`: the
// end that increases the position).
void clickArrow(QScrollBar* bar, bool add)
{
    testsupport::clickScrollBar(bar, add ? QStyle::SC_ScrollBarAddLine : QStyle::SC_ScrollBarSubLine);
}

} // namespace

namespace {

class Webcam : public CameraRoad {
protected:
    void SetUp() override
    {
        CameraRoad::SetUp();
        platform::setStreamCameras(&family);
        FRM_Tool_Affichage->CBX_Cam1_IPS->setCurrentText(QStringLiteral("Auto"));
        TWDMCapture::formatPage() = [this](const std::vector<platform::V4l2Camera::FormatEntry>& f,
                                           TWDMCapture::FormatChoice& c) {
            offered = f;
            c.width = 320;
            c.height = 240;
            return true;
        };
    }
    void TearDown() override
    {
        CameraRoad::TearDown();
        TWDMCapture::formatPage() = saved;
    }
    // Starts slot 1 on the fake webcam (line 1, after the simulated grab camera).
    void startWebcam()
    {
        answerDriverDialog(1);
        FRM_Alv->MNU_Cam1_DemarrerClick();
    }
    template <class Pred>
    bool pumpUntil(Pred done)
    {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < 3000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return done();
    }
    // The columns of the fake's bright bar in the source view's top row.
    int barColumn()
    {
        const QImage img = FRM_Alv->Image1->Picture();
        for (int x = 0; x < img.width(); ++x)
            if (qGray(img.pixel(x, 0)) > 200)
                return x;
        return -1;
    }

    platform::FakeV4l2 fake{{platform::FakeV4l2::webcam("/dev/video0", "Fake Cam")}};
    platform::V4l2Family family{fake};
    std::vector<platform::V4l2Camera::FormatEntry> offered;
    TWDMCapture::FormatPage saved = TWDMCapture::formatPage();
};

} // namespace

TEST_F(Webcam, StreamsIntoTheViewFollowsTheFormatSendsControlsAndReleasesTheDevice)
{
    std::vector<TDriver> list = Capture::BuildDriverList(1);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1].Line(), "(WDM):Fake Cam");

    startWebcam();
    ASSERT_EQ(CameraSlots[1].sourceKind, 1);
    EXPECT_EQ(CameraSlots[1].width, 640);
    EXPECT_EQ(CameraSlots[1].height, 480);
    TWDMCapture& cap = *WdmCaptures[1];
    EXPECT_EQ(cap.AvailableDialogs, (1u << 3) | (1u << 4));
    EXPECT_TRUE(fake.streaming("/dev/video0"));
    ASSERT_TRUE(pumpUntil([&] { return barColumn() >= 0; })) << "the moving pattern reaches Image1";
    const int first = barColumn();
    EXPECT_TRUE(pumpUntil([&] { return barColumn() != first && barColumn() >= 0; })) << "and moves";

    // A kind the device does not offer changes nothing.
    EXPECT_FALSE(cap.ShowDialog(TWDMCapture::dkFormat));
    EXPECT_EQ(cap.PendingDialog, TWDMCapture::dkNoDialog);

    // Format: 320 x 240 is granted, adopted and shown; the motion reference goes.
    MotionReferenceSet = 1;
    FRM_Alv->MNU_Cam1_FormatClick();
    EXPECT_FALSE(offered.empty());
    EXPECT_EQ(CameraSlots[1].width, 320);
    EXPECT_EQ(cap.Width, 320);
    EXPECT_EQ(cap.Height, 240);
    EXPECT_EQ(MotionReferenceSet, 0);
    EXPECT_EQ(FRM_Alv->Image1->Picture().size(), QSize(320, 240));
    EXPECT_TRUE(pumpUntil([&] { return barColumn() >= 0; }));

    // The control window: ranges from the device, scrolls sent at once.
    FRM_Alv->MNU_Cam1_WDMControlClick();
    TFRM_WDMControl& w = *FRM_WDMControl;
    EXPECT_EQ(w.windowTitle(), "WDM Advanced Control");
    EXPECT_EQ(w.SCB_WDM_Brightness->maximum(), 255);
    EXPECT_EQ(w.SCB_WDM_Brightness->pageStep(), 7);
    EXPECT_EQ(w.SCB_WDM_Brightness->value(), 128);
    EXPECT_FALSE(w.SCB_WDM_Zoom->isEnabled()) << "no zoom control";
    EXPECT_TRUE(w.SCB_WDM_Sharpness->isEnabled());
    EXPECT_EQ(w.SCB_WDM_Sharpness->pageStep(), 1) << "a range narrower than 32";
    EXPECT_EQ(w.TNI_WDM_Exposure->Value(), 0) << "camera rows open with the value last shown";
    w.SCB_WDM_Brightness->setValue(200);
    w.SCB_WDM_ProcAmpScroll(0);
    EXPECT_EQ(fake.controlValue("/dev/video0", V4L2_CID_BRIGHTNESS), 200);
    w.SCB_WDM_Gain->setValue(40);
    w.SCB_WDM_ProcAmpScroll(9);
    EXPECT_EQ(fake.controlValue("/dev/video0", V4L2_CID_AUTOGAIN), 0) << "manual first turns automatic gain off";
    EXPECT_EQ(fake.controlValue("/dev/video0", V4L2_CID_GAIN), 40);
    w.SCB_WDM_Exposure->setValue(500);
    w.SCB_WDM_CameraScroll(0);
    EXPECT_EQ(fake.controlValue("/dev/video0", V4L2_CID_EXPOSURE_ABSOLUTE), 500);
    EXPECT_EQ(fake.controlValue("/dev/video0", V4L2_CID_EXPOSURE_AUTO), V4L2_EXPOSURE_MANUAL);
    // The mouse on a bar's arrow and the keys send the position the bar
    // moves to, not the one it leaves.
    clickArrow(w.SCB_WDM_Brightness, true);
    EXPECT_EQ(w.SCB_WDM_Brightness->value(), 201);
    EXPECT_EQ(w.TNI_WDM_Brightness->Value(), 201);
    EXPECT_EQ(fake.controlValue("/dev/video0", V4L2_CID_BRIGHTNESS), 201);
    clickArrow(w.SCB_WDM_Brightness, false);
    clickArrow(w.SCB_WDM_Brightness, false);
    EXPECT_EQ(fake.controlValue("/dev/video0", V4L2_CID_BRIGHTNESS), 199);
    clickArrow(w.SCB_WDM_Brightness, true);
    EXPECT_EQ(fake.controlValue("/dev/video0", V4L2_CID_BRIGHTNESS), 200);
    QTest::keyClick(w.SCB_WDM_Exposure, Qt::Key_PageUp);
    EXPECT_NE(w.SCB_WDM_Exposure->value(), 500);
    EXPECT_EQ(fake.controlValue("/dev/video0", V4L2_CID_EXPOSURE_ABSOLUTE), w.SCB_WDM_Exposure->value());
    EXPECT_EQ(w.TNI_WDM_Exposure->Value(), w.SCB_WDM_Exposure->value());

    // The pad: Pan's range on X, Tilt's on Y; moves sent at once.
    EXPECT_TRUE(w.CPC_PanTilt->isEnabled());
    EXPECT_EQ(w.CPC_PanTilt->Xmax(), 36000);
    EXPECT_EQ(w.CPC_PanTilt->Ymin(), -36000);
    const QRect pad = w.CPC_PanTilt->geometry();
    EXPECT_EQ(pad.left() + pad.width() / 2, 175) << pad.left() << " " << pad.width();
    EXPECT_TRUE(pad.left() >= 0 && pad.right() < w.CPC_PanTilt->parentWidget()->width());
    w.CPC_PanTilt->SetXCoordinate(3600);
    EXPECT_EQ(fake.controlValue("/dev/video0", V4L2_CID_PAN_ABSOLUTE), 3600);
    EXPECT_EQ(w.TNI_WDM_Pan->Value(), 3600);

    // The stop leaves nothing streaming, mapped or open; the window then sends nothing.
    FRM_Alv->MNU_Cam1_ArreterClick();
    EXPECT_FALSE(fake.streaming("/dev/video0"));
    EXPECT_EQ(fake.mappedBuffers(), 0);
    EXPECT_EQ(fake.openDescriptors(), 0);
    w.SCB_WDM_Brightness->setValue(10);
    w.SCB_WDM_ProcAmpScroll(0);
    EXPECT_EQ(fake.controlValue("/dev/video0", V4L2_CID_BRIGHTNESS), 200);
}

TEST_F(Webcam, AnUnpluggedCameraStopsItsSlotWithOneMessage)
{
    startWebcam();
    ASSERT_TRUE(WdmCaptures[1] && WdmCaptures[1]->Running());
    FRM_Message->MEMO_Message->clear();
    fake.unplugged = true;
    EXPECT_TRUE(pumpUntil([] { return !WdmCaptures[1]->Running(); }));
    QCoreApplication::processEvents();
    EXPECT_FALSE(Scripts::Cam1Online);
    EXPECT_TRUE(FRM_Alv->SPDB_Cam1_Start->isEnabled());
    EXPECT_EQ(messageText().count("Impossible de demarrer la camera # 1"), 1) << messageText().toStdString();
    EXPECT_TRUE(messageText().contains("/dev/video0"));
    EXPECT_EQ(fake.mappedBuffers(), 0);
    EXPECT_EQ(fake.openDescriptors(), 0);
}

TEST_F(Webcam, RefusedStartsAndValuesAreToldOnce)
{
    fake.nodeTable()[0].openError = EACCES;
    startWebcam();
    EXPECT_TRUE(messageText().contains("video")) << messageText().toStdString();
    EXPECT_FALSE(Scripts::Cam1Online);

    fake.nodeTable()[0].openError = 0;
    fake.nodeTable()[0].grantedOverride = {1600, 1200};
    startWebcam();
    EXPECT_FALSE(Scripts::Cam1Online) << "a granted size above 1280 is refused";
    EXPECT_EQ(fake.openDescriptors(), 0);

    fake.nodeTable()[0].grantedOverride = {};
    startWebcam();
    ASSERT_TRUE(Scripts::Cam1Online);
    FRM_Message->MEMO_Message->clear();
    WdmCaptures[1]->SetVideoProcs(0, 999);   // out of range
    WdmCaptures[1]->SetVideoProcs(0, 998);
    EXPECT_EQ(messageText().count("Brightness"), 1) << messageText().toStdString();
}

TEST_F(Webcam, GrabRoadDecodesRawFramesIntoTheLiveBitmapAndStopsWithItsCallbacks)
{
    answerDriverDialog(0);   // the simulated grab camera
    FRM_Alv->MNU_Cam1_DemarrerClick();
    ASSERT_TRUE(GrabDevices[1]);
    auto fillAll = [](kernels::Bitmap24& b, std::uint8_t v) { kernels::fillRect(b, kernels::boundsOf(b), kernels::Colour(v) * 0x010101u); };
    auto changed = [](const kernels::Bitmap24& b, std::uint8_t v) {
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x)
                if (b.scanLine(y)[3 * x] != v)
                    return true;
        return false;
    };
    kernels::Bitmap24& live = *SlotBitmaps[1][0];
    kernels::Bitmap24& other = *SlotBitmaps[1][2];

    Align_V::RemoveCaptureCallbacks(1);
    fillAll(live, 7);
    EXPECT_FALSE(Align_V::GrabFrameViaClipboard(live, 0, 1, 0));
    EXPECT_FALSE(changed(live, 7)) << "no frame after the callbacks are removed";
    Align_V::InstallCaptureCallbacks(1);

    FRM_Pref->CKB_Raw->setChecked(true);
    fillAll(other, 7);
    EXPECT_TRUE(Align_V::GrabFrameViaClipboard(other, 2, 1, 0));
    EXPECT_FALSE(changed(other, 7)) << "a raw frame always goes to the live bitmap";
    EXPECT_TRUE(changed(live, 7));
    FRM_Pref->CKB_Raw->setChecked(false);

    FRM_Alv->Timer_Cam1->stop();
    const int before = FrameCounters[1];
    FRM_Alv->StartSequence(1);
    EXPECT_EQ(CameraSlots[1].streamMode, 1);
    EXPECT_TRUE(pumpUntil([&] { return FrameCounters[1] >= before + 2; })) << "the sequence's frames run the frame routine";
    FRM_Alv->MNU_Cam1_ArreterClick();
    EXPECT_EQ(CameraSlots[1].streamMode, 0);
    EXPECT_FALSE(PluginFrameBitmaps[1].armed());
}

TEST_F(Webcam, ARefusedFormatRestartsWithThePreviousOneOrStopsTheSlot)
{
    startWebcam();
    ASSERT_TRUE(Scripts::Cam1Online);
    fake.nodeTable()[0].refusedRequest = {320, 240};
    MotionReferenceSet = 1;
    FRM_Alv->MNU_Cam1_FormatClick();
    ASSERT_TRUE(WdmCaptures[1]->Running()) << "back on the previous format";
    EXPECT_EQ(WdmCaptures[1]->Width, 640);
    EXPECT_EQ(CameraSlots[1].width, 640);
    EXPECT_TRUE(fake.streaming("/dev/video0"));
    EXPECT_TRUE(pumpUntil([&] { return barColumn() >= 0; }));

    fake.nodeTable()[0].refusedRequest = {};
    fake.nodeTable()[0].sizes.clear();   // nothing can be granted any more
    FRM_Message->MEMO_Message->clear();
    FRM_Alv->MNU_Cam1_FormatClick();
    EXPECT_FALSE(WdmCaptures[1]->Running());
    EXPECT_FALSE(Scripts::Cam1Online);
    EXPECT_EQ(messageText().count("Impossible de demarrer la camera # 1"), 1) << messageText().toStdString();
    EXPECT_EQ(fake.openDescriptors(), 0);
    EXPECT_EQ(fake.mappedBuffers(), 0);
}

// A grab of a long exposure waits for the stream's next frame; the
// long-exposure window shows how many passes that wait took.
TEST_F(Webcam, ALongExposureGrabShowsItsWaitInTheLongExposureWindow)
{
    startWebcam();
    ASSERT_TRUE(WdmCaptures[1] && WdmCaptures[1]->Running());
    FRM_Longuepose->LBL_cpt->setText(QStringLiteral("LBL_cpt"));
    LongExposureRunning[1] = 1;
    const bool grabbed = Align_V::GrabFrameViaClipboard(*SlotBitmaps[1][0], 0, 1, 0);
    LongExposureRunning[1] = 0;
    EXPECT_TRUE(grabbed);
    bool number = false;
    const int passes = FRM_Longuepose->LBL_cpt->text().toInt(&number);
    EXPECT_TRUE(number) << FRM_Longuepose->LBL_cpt->text().toStdString();
    EXPECT_GE(passes, 0);
    FRM_Alv->MNU_Cam1_ArreterClick();
}

// The control window as "Avancé" opens it: the pan/tilt pad whole in it,
// centred at 175, its arrows and point drawn; the mouse and the keys on it
// move the camera.
TEST_F(Webcam, TheControlWindowShowsThePanTiltPadWholeAndItsMovesReachTheCamera)
{
    startWebcam();
    ASSERT_TRUE(WdmCaptures[1] && WdmCaptures[1]->Running());
    QTest::mouseClick(FRM_Alv->SPDB_Cam1_WDMControl_B, Qt::LeftButton);
    TFRM_WDMControl& w = *FRM_WDMControl;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    TcpCoord* pad = w.CPC_PanTilt;
    const QRect onWindow(pad->mapTo(&w, QPoint(0, 0)), pad->size());
    EXPECT_TRUE(w.rect().contains(onWindow)) << onWindow.y() << "+" << onWindow.height() << " in " << w.height();
    EXPECT_EQ(onWindow.left() + onWindow.width() / 2, 175);

    // Drawn: the zone's colour at its corners, a glyph on each arrow, the point.
    const QImage shot = w.grab().toImage();
    const QColor zone(0x00, 0x80, 0x80);
    const int b = TcpCoord::kBorder;
    for (const QPoint corner : {QPoint(b, b), QPoint(pad->width() - b - 1, b), QPoint(b, pad->height() - b - 1),
                                QPoint(pad->width() - b - 1, pad->height() - b - 1)})
        EXPECT_EQ(shot.pixelColor(onWindow.topLeft() + corner), zone) << corner.x() << "," << corner.y();
    const auto inked = [&](const QRect& r, auto differs) {
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                if (const QPoint at = onWindow.topLeft() + QPoint(x, y);
                    shot.rect().contains(at) && differs(shot.pixelColor(at)))
                    return true;
        return false;
    };
    for (TcpSpeedButton* arrow : {pad->LeftButton(), pad->RightButton(), pad->UpButton(), pad->DownButton()})
        EXPECT_TRUE(arrow->isVisible() && inked(arrow->geometry(), [](QColor c) { return c.lightness() < 100; }))
            << arrow->objectName().toStdString();
    const QPoint point = pad->ThumbCentre().toPoint();
    EXPECT_TRUE(inked(QRect(point - QPoint(6, 4), QSize(13, 9)), [&](QColor c) { return c != zone; }));

    // The mouse at three quarters of the zone, an arrow, then Home: each
    // point reaches the camera, the longest text still within the zone.
    const QSize zoneSize = pad->size() - QSize(2 * b, 2 * b);
    QTest::mouseClick(pad, Qt::LeftButton, {}, QPoint(b + zoneSize.width() * 3 / 4, b + zoneSize.height() * 3 / 4));
    EXPECT_NEAR(pad->XCoordinate(), 18000, 1000);
    EXPECT_NEAR(pad->YCoordinate(), 18000, 1000);
    EXPECT_EQ(fake.controlValue("/dev/video0", V4L2_CID_PAN_ABSOLUTE), pad->XCoordinate());
    EXPECT_EQ(fake.controlValue("/dev/video0", V4L2_CID_TILT_ABSOLUTE), pad->YCoordinate());
    const int x = pad->XCoordinate();
    QTest::mouseClick(pad->LeftButton(), Qt::LeftButton);
    EXPECT_EQ(fake.controlValue("/dev/video0", V4L2_CID_PAN_ABSOLUTE), x - 1);
    QTest::keyClick(pad, Qt::Key_Home);
    EXPECT_EQ(w.TNI_WDM_Pan->Value(), -36000);
    EXPECT_EQ(fake.controlValue("/dev/video0", V4L2_CID_TILT_ABSOLUTE), -36000);
    EXPECT_LE(pad->fontMetrics().horizontalAdvance(pad->ThumbText()), zoneSize.width())
        << pad->ThumbText().toStdString();
    FRM_Alv->MNU_Cam1_ArreterClick();
}
