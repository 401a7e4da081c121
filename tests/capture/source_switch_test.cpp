// Switching a slot from one source to another: a camera started where a
// smaller picture was shown delivers its own frames at its own size to the
// view and the saved files, a frame larger than the slot is followed or told,
// each frame is processed, counted and added once, and the player keeps to
// its file while the other slot's camera keeps to its own.

#include "camera_road_fixture.h"

#include "app/frm_alv.h"
#include "app/frm_message.h"
#include "app/frm_pref.h"
#include "capture/camera_slots.h"
#include "capture/capture_helpers.h"
#include "capture/file_sources.h"
#include "capture/frm_longuepose.h"
#include "capture/frm_play_control.h"
#include "capture/long_exposure.h"
#include "capture/plugin_mgr.h"
#include "capture/wdm_capture.h"
#include "imaging/pipeline_state.h"
#include "kernels/image_files.h"
#include "kernels/raster.h"
#include "platform/fake_v4l2.h"
#include "platform/v4l2_camera.h"
#include "scripting/frm_script.h"
#include "scripting/scripts.h"
#include "support/fakes.h"
#include "support/user_input.h"
#include "telescope/frm_tool_suivi.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_images.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <functional>

namespace {

using Deliver = std::int32_t (*)(std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::uint8_t);

constexpr std::uint8_t kPictureLevel = 200;

// The picture shown before the camera: one level everywhere.
kernels::Bitmap24 flatPicture(int w, int h)
{
    kernels::Bitmap24 b(w, h);
    kernels::fillRect(b, kernels::boundsOf(b), kernels::rgbColour(kPictureLevel, kPictureLevel, kPictureLevel));
    return b;
}

// Whether any pixel right of column x, or below row y, is lit: a picture of
// x by y pixels leaves everything there black.
bool litBeyond(const QImage& img, int x, int y)
{
    for (int j = 0; j < img.height(); ++j)
        for (int i = 0; i < img.width(); ++i)
            if ((i >= x || j >= y) && qGray(img.pixel(i, j)) > 0)
                return true;
    return false;
}

// The share of the top-left w by h pixels that still hold the picture's level.
double pictureShare(const QImage& img, int w, int h)
{
    int same = 0;
    for (int j = 0; j < h && j < img.height(); ++j)
        for (int i = 0; i < w && i < img.width(); ++i)
            same += img.pixel(i, j) == qRgb(kPictureLevel, kPictureLevel, kPictureLevel) ? 1 : 0;
    return double(same) / (double(w) * h);
}

// Waits (handling events) until `done` holds, at most `ms`.
bool waitFor(const std::function<bool()>& done, int ms = 5000)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

// Clicks a check box or button of a tool window as the user does, its page
// shown.
void clickBox(QWidget* window, QAbstractButton* box)
{
    window->show();
    for (QWidget* p = box->parentWidget(); p; p = p->parentWidget())
        if (auto* tabs = qobject_cast<QTabWidget*>(p->parentWidget() ? p->parentWidget()->parentWidget() : nullptr);
            tabs && tabs->indexOf(p) >= 0)
            tabs->setCurrentWidget(p);
    QCoreApplication::processEvents();
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
}

enum class Road { GrabImage, GrabStream, PluginVideo, PluginExposure, Webcam };
enum class File { Bitmap, Jpeg, Film };

// The film of flat frames a user may have recorded from the display zone.
bool writeFilm(const QString& path, int w, int h)
{
    return writeFilm(path, std::vector<kernels::Bitmap24>(3, flatPicture(w, h)));
}

// The frames of a stream camera, pushed by the test as the camera would
// send them, at the size and level the test sets (a camera whose binning
// changes on its own side sends larger frames).
struct StreamFeed {
    platform::CameraDevice::FrameCallback sink;   // while the camera streams
    int width = 640, height = 480;
    std::uint8_t level = 40;
    void push() const
    {
        if (!sink)
            return;
        std::vector<std::uint8_t> px(static_cast<std::size_t>(width) * height * 3, level);
        sink({width, height, width * 3, platform::PixelFormat::Bgr24, px.data(), px.size()});
    }
};

class FedStreamDevice final : public platform::CameraDevice {
public:
    explicit FedStreamDevice(std::shared_ptr<StreamFeed> feed) : feed_(std::move(feed)) {}
    ~FedStreamDevice() override { stopStream(); }
    bool open() override { return open_ = true; }
    void close() override
    {
        stopStream();
        open_ = false;
    }
    bool isOpen() const override { return open_; }
    platform::CameraFormat format() const override { return {feed_->width, feed_->height, 24}; }
    bool setFormat(const platform::CameraFormat& f) override
    {
        feed_->width = f.width;
        feed_->height = f.height;
        return true;
    }
    bool grabFrame(const FrameCallback&) override { return false; }
    bool startStream(FrameCallback callback, double) override
    {
        feed_->sink = std::move(callback);
        return true;
    }
    void stopStream() override { feed_->sink = nullptr; }

private:
    std::shared_ptr<StreamFeed> feed_;
    bool open_ = false;
};

class SourceSwitch : public CameraRoad {
protected:
    void SetUp() override
    {
        CameraRoad::SetUp();
        FRM_Tool_Affichage->CBX_Cam1_IPS->setCurrentText(QStringLiteral("Auto"));
    }
    void TearDown() override
    {
        if (FRM_Tool_Images && SequenceSaving)
            FRM_Tool_Images->BTN_Arreter_SauvClick();
        PlayCount = PlayPosition = 0;
        PlayKind = 0;
        PlayListIsPictures = 1;
        CameraRoad::TearDown();
    }

    // Starts the built-in camera on slot 1 (640 x 480) and a smaller one
    // (320 x 240, the last argument its brightness) on slot 2, each through
    // its driver choice, as the user does.
    void startTwoCamerasOfTwoSizes(int brightness)
    {
        grab.add({QStringLiteral("Petite"), QStringLiteral("2")}, [brightness] {
            return std::make_unique<FakeGrabDevice>(platform::CameraFormat{320, 240, 24}, 320, 240, brightness);
        });
        answerDriverDialog(0);
        FRM_Alv->MNU_Cam1_DemarrerClick();
        answerDriverDialog(1);
        FRM_Alv->MNU_Cam2_DemarrerClick();
    }

    // Opens a picture of w by h through the open menu, as the user does.
    void openPicture(int w, int h, const QString& name = QStringLiteral("small.bmp"))
    {
        ASSERT_NO_FATAL_FAILURE(openFile(File::Bitmap, w, h, name));
    }
    void openFile(File kind, int w, int h, QString name = {})
    {
        if (name.isEmpty())
            name = kind == File::Bitmap ? QStringLiteral("small.bmp")
                   : kind == File::Jpeg ? QStringLiteral("small.jpg")
                                        : QStringLiteral("small.avi");
        const QString path = dir.filePath(name);
        switch (kind) {
        case File::Bitmap: ASSERT_TRUE(kernels::ImageFiles::WriteBmp24(path, flatPicture(w, h))); break;
        case File::Jpeg: ASSERT_TRUE(kernels::ImageFiles::WriteJpeg(path, flatPicture(w, h), 95)); break;
        case File::Film: ASSERT_TRUE(writeFilm(path, w, h)); break;
        }
        dialogs.openManyAnswers = {QStringList{path}};
        FRM_Alv->MNU_Ouvrir_ImageClick();
        ASSERT_EQ(PlayerActive, 1);
        ASSERT_EQ(CameraSlots[1].width, w);
    }

    void startCamera(Road road)
    {
        if (road == Road::PluginVideo || road == Road::PluginExposure) {
            ASSERT_NO_FATAL_FAILURE(useSimulatorPlugin());
        }
        if (road == Road::Webcam)
            platform::setStreamCameras(&family);
        answerDriverDialog(road == Road::GrabImage || road == Road::GrabStream ? 0 : 1);
        FRM_Alv->MNU_Cam1_DemarrerClick();
        ASSERT_TRUE(Scripts::Cam1Online) << messageText().toStdString();
        if (road == Road::GrabStream)
            FRM_Alv->MNU_Cam1_StreamClick();
        if (road == Road::PluginExposure)
            FRM_Alv->MNU_Cam1_PoseLongueClick();
    }

    // Lets the camera's frames run through the frame road: three frames, or
    // one long exposure.
    void runFrames(Road road)
    {
        if (road == Road::GrabImage) {
            for (int i = 0; i < 3; ++i)
                FRM_Alv->Timer_Cam1Timer();
            return;
        }
        if (road == Road::PluginExposure) {
            auto* d = FRM_Longuepose;
            d->SPED_Vesta_Pose->setValue(200);
            d->BTN_Demarrer_Pose->click();
            ASSERT_TRUE(waitFor([d] { return d->TNI_Posenum->Value() >= 2; }, 10000)) << "an exposure was taken";
            d->BTN_Arreter_Pose->click();
            return;
        }
        const int before = FrameCounters[1];
        ASSERT_TRUE(waitFor([before] { return FrameCounters[1] >= before + 3; })) << "the camera's frames run";
    }

    void startModifiedWebcam(const std::shared_ptr<StreamFeed>& feed, QTimer& camera);

    testsupport::RecordingDialogService dialogs;
    platform::FakeV4l2 fake{{platform::FakeV4l2::webcam("/dev/video0", "Fake Cam")}};
    platform::V4l2Family family{fake};
};

// A camera road, and the smaller file shown on the slot before it.
struct AfterFile {
    Road road;
    File file;
    int width, height;
};

class EachCameraRoad : public SourceSwitch, public ::testing::WithParamInterface<AfterFile> {};

} // namespace

// After a smaller picture or film the slot's camera of 640 x 480 is
// started: its frames, not the file's, reach the source view and the saved
// sequence, at the camera's size, on every road a camera delivers by.
TEST_P(EachCameraRoad, ACameraStartedAfterASmallerPictureOrFilmShowsAndSavesItsOwnFrames)
{
    const auto [road, file, w, h] = GetParam();
    ASSERT_NO_FATAL_FAILURE(openFile(file, w, h));
    ASSERT_NO_FATAL_FAILURE(startCamera(road));
    EXPECT_EQ(CameraSlots[1].width, 640);
    EXPECT_EQ(CameraSlots[1].height, 480);

    auto* t = FRM_Tool_Images;
    t->RDB_Images_Avant_Traitement->setChecked(true);
    t->RDB_Une_Fois->setChecked(true);
    t->CBX_TypeFichier->setCurrentIndex(t->CBX_TypeFichier->findText(QStringLiteral("BMP"), Qt::MatchStartsWith));
    t->EDT_Nom_Image->setText(dir.filePath(QStringLiteral("seq_")));
    t->BTN_Demarrer_SauvClick();
    ASSERT_NO_FATAL_FAILURE(runFrames(road));
    t->BTN_Arreter_SauvClick();

    ASSERT_TRUE(SlotBitmaps[1][0]);
    EXPECT_EQ(SlotBitmaps[1][0]->width(), 640);
    EXPECT_EQ(SlotBitmaps[1][0]->height(), 480);
    const QImage shown = FRM_Alv->Image1->Picture();
    EXPECT_EQ(shown.size(), QSize(640, 480));
    EXPECT_TRUE(litBeyond(shown, w, h)) << "the camera's frame fills the view";
    EXPECT_LT(pictureShare(shown, w, h), 0.5) << "not the file's";

    QStringList saved = QDir(dir.path()).entryList({QStringLiteral("seq_*.bmp")}, QDir::Files, QDir::Name);
    ASSERT_GE(saved.size(), 2) << messageText().toStdString();
    const QImage last(dir.filePath(saved.last()));
    EXPECT_EQ(last.width(), 640) << saved.last().toStdString();
    EXPECT_TRUE(litBeyond(last, w, h)) << "the saved frame is the camera's";
    EXPECT_LT(pictureShare(last, w, h), 0.5);
    FRM_Alv->MNU_Cam1_ArreterClick();
}

INSTANTIATE_TEST_SUITE_P(AfterAFile, EachCameraRoad,
                         ::testing::Values(AfterFile{Road::GrabImage, File::Jpeg, 400, 300},
                                           AfterFile{Road::GrabStream, File::Film, 320, 240},
                                           AfterFile{Road::PluginVideo, File::Bitmap, 320, 240},
                                           AfterFile{Road::PluginExposure, File::Film, 320, 240},
                                           AfterFile{Road::Webcam, File::Jpeg, 400, 300}),
                         [](const ::testing::TestParamInfo<AfterFile>& info) {
                             const char* file = info.param.file == File::Bitmap ? "Bitmap"
                                                : info.param.file == File::Jpeg ? "Jpeg"
                                                                                : "Film";
                             switch (info.param.road) {
                             case Road::GrabImage: return std::string("BuiltInImageModeAfterA") + file;
                             case Road::GrabStream: return std::string("BuiltInStreamModeAfterA") + file;
                             case Road::PluginVideo: return std::string("PlugInVideoAfterA") + file;
                             case Road::PluginExposure: return std::string("PlugInLongExposureAfterA") + file;
                             default: return std::string("WebcamAfterA") + file;
                             }
                         });

// A plug-in camera whose frames grow past the slot (its binning changed on
// the camera's side): the slot takes the new size and shows them. Frames
// past the program's limit are told once, not dropped without a word.
TEST_F(SourceSwitch, AFrameLargerThanTheSlotIsFollowedOrToldOnce)
{
    usePlugins({QStringLiteral("NJ_Pair1")});
    auto deliver = reinterpret_cast<Deliver>(pluginFunction(QStringLiteral("NJ_Pair1"), "fake_deliver"));
    ASSERT_TRUE(deliver);
    answerDriverDialog(2);   // after the simulated grab camera: plug-in camera 1
    FRM_Alv->MNU_Cam1_DemarrerClick();
    ASSERT_EQ(CameraSlots[1].width, 320) << "640 / binning 2";
    const std::int32_t h = CameraSlots[1].pluginHandle;
    FRM_Message->MEMO_Message->clear();

    for (int i = 0; i < 3; ++i) {
        deliver(h, h, 640, 480, static_cast<std::uint8_t>(90 + i));
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(CameraSlots[1].width, 640);
    EXPECT_EQ(CameraSlots[1].height, 480);
    EXPECT_EQ(FRM_Alv->Image1->Picture().size(), QSize(640, 480));
    EXPECT_EQ(qGray(FRM_Alv->Image1->Picture().pixel(600, 450)), 92) << "the latest frame, whole";
    EXPECT_TRUE(messageText().isEmpty()) << messageText().toStdString();

    const int frames = FrameCounters[1];
    for (int i = 0; i < 3; ++i) {
        deliver(h, h, 1400, 1000, 50);
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(messageText().count(QStringLiteral("La taille actuelle est 1400x1000")), 1) << messageText().toStdString();
    EXPECT_EQ(FrameCounters[1], frames);
    EXPECT_EQ(CameraSlots[1].width, 640) << "the slot keeps a size it can show";
    deliver(h, h, 640, 480, 77);
    QCoreApplication::processEvents();
    EXPECT_EQ(qGray(FRM_Alv->Image1->Picture().pixel(600, 450)), 77);
    FRM_Alv->MNU_Cam1_ArreterClick();
}

// At a fixed frame rate the frame timer ticks whether or not a frame came:
// only the frames that came are processed, counted in the rate read-out and
// added. A camera that falls silent, or a slot left without its source,
// adds nothing however long an addition runs.
TEST_F(SourceSwitch, EachArrivedFrameIsCountedAndAddedOnceWhateverTheTicks)
{
    testsupport::FakeClock clock;
    usePlugins({QStringLiteral("NJ_Pair1")});
    auto deliver = reinterpret_cast<Deliver>(pluginFunction(QStringLiteral("NJ_Pair1"), "fake_deliver"));
    ASSERT_TRUE(deliver);
    FRM_Tool_Affichage->CBX_Cam1_IPS->setCurrentText(QStringLiteral("20"));
    auto* fps = FRM_Tool_Affichage->EDT_Cam1_FPS;
    fps->setText(QStringLiteral("5"));   // the rate of the slot's last source
    answerDriverDialog(2);
    FRM_Alv->MNU_Cam1_DemarrerClick();
    ASSERT_EQ(CameraSlots[1].frameHandOver, 0) << "the timer paces the frames";
    EXPECT_TRUE(fps->text().isEmpty()) << "no rate before the camera's frames give one";
    const std::int32_t h = CameraSlots[1].pluginHandle;
    auto* t = FRM_Tool_Images;
    t->SPED_Nb_Bitmap->setValue(0);   // no frame limit
    t->CKB_Integration->setChecked(true);
    t->BTN_Demarrer_AddClick();
    ASSERT_FALSE(t->BTN_Demarrer_Add->isEnabled());
    const int added = AdditionFrameCount[0];

    // Ticks every 50 ms, a frame every 100 ms.
    for (int i = 1; i <= 20; ++i) {
        clock.advanceMs(50);
        if (i % 2 == 0) {
            deliver(h, h, 320, 240, static_cast<std::uint8_t>(i));
            QCoreApplication::processEvents();
        }
        FRM_Alv->Timer_Cam1Timer();
    }
    EXPECT_EQ(FrameCounters[1], 10);
    EXPECT_EQ(fps->text(), QStringLiteral("10")) << "frames a second, not ticks";
    EXPECT_EQ(AdditionFrameCount[0] - added, 10);

    // Silent: the ticks go on, nothing is counted or added.
    for (int i = 0; i < 10; ++i) {
        clock.advanceMs(50);
        FRM_Alv->Timer_Cam1Timer();
    }
    EXPECT_EQ(FrameCounters[1], 10);
    EXPECT_EQ(fps->text(), QStringLiteral("10"));
    EXPECT_EQ(AdditionFrameCount[0] - added, 10);
    FRM_Alv->MNU_Cam1_ArreterClick();

    // A picture on slot 1 with an addition running, then a camera started
    // on slot 2: the picture is no source any more, and slot 1's timer,
    // still ticking, adds nothing.
    ASSERT_NO_FATAL_FAILURE(openPicture(320, 240));
    t->CKB_Integration->setChecked(true);
    t->BTN_Demarrer_AddClick();
    const int kept = AdditionFrameCount[0];
    answerDriverDialog(0);
    FRM_Alv->MNU_Cam2_DemarrerClick();
    ASSERT_TRUE(GrabDevices[2]);
    ASSERT_EQ(PlayerActive, 0);
    for (int i = 0; i < 3; ++i)
        FRM_Alv->Timer_Cam1Timer();
    EXPECT_EQ(AdditionFrameCount[0], kept);
    FRM_Alv->MNU_Cam2_ArreterClick();
}

// The player stands while its file source is the slot's source: its close
// box is refused. Its "Ajouter" is there only while integration is on.
TEST_F(SourceSwitch, ThePlayerRefusesItsCloseBoxWhileAFilePlaysAndAddFollowsIntegration)
{
    ASSERT_NO_FATAL_FAILURE(openPicture(320, 240));
    TFRM_PlayControl* p = FRM_PlayControl;
    ASSERT_TRUE(p->isVisible());
    EXPECT_FALSE(p->BTN_Ajouter->isEnabled()) << "integration is off";

    QCoreApplication::processEvents();
    ASSERT_TRUE(p->windowHandle());
    p->windowHandle()->close();   // the close box, through the window system
    QCoreApplication::processEvents();
    EXPECT_TRUE(p->isVisible()) << "the file source still plays";

    clickBox(FRM_Tool_Images, FRM_Tool_Images->CKB_Integration);
    ASSERT_TRUE(FRM_Tool_Images->CKB_Integration->isChecked());
    EXPECT_TRUE(p->BTN_Ajouter->isEnabled());
    // A new file with integration on keeps the button; switched off, it goes.
    ASSERT_NO_FATAL_FAILURE(openPicture(200, 100, QStringLiteral("other.bmp")));
    EXPECT_TRUE(p->BTN_Ajouter->isEnabled());
    clickBox(FRM_Tool_Images, FRM_Tool_Images->CKB_Integration);
    ASSERT_FALSE(FRM_Tool_Images->CKB_Integration->isChecked());
    EXPECT_FALSE(p->BTN_Ajouter->isEnabled());

    // A camera started in the file's place ends the file source: the player
    // goes, and may be closed.
    answerDriverDialog(0);
    FRM_Alv->MNU_Cam1_DemarrerClick();
    EXPECT_FALSE(p->isVisible());
    FRM_Alv->MNU_Cam1_ArreterClick();
}

// A file opened on a slot whose plug-in camera stays open: the camera's
// frames no longer reach the slot. A file playing on slot 1 and a camera on
// slot 2: each timer keeps to its own source, whichever slot is current.
TEST_F(SourceSwitch, AFileAndACameraEachKeepToTheirOwnSlot)
{
    usePlugins({QStringLiteral("NJ_Pair1")});
    auto deliver = reinterpret_cast<Deliver>(pluginFunction(QStringLiteral("NJ_Pair1"), "fake_deliver"));
    ASSERT_TRUE(deliver);
    answerDriverDialog(2);
    FRM_Alv->MNU_Cam1_DemarrerClick();
    const std::int32_t h = CameraSlots[1].pluginHandle;
    ASSERT_NE(h, 0);
    ASSERT_NO_FATAL_FAILURE(openPicture(320, 240));
    EXPECT_NE(CameraSlots[1].pluginHandle, 0) << "a plug-in camera is not stopped by a file";
    const int frames = FrameCounters[1];
    deliver(h, h, 320, 240, 33);
    QCoreApplication::processEvents();
    EXPECT_EQ(qGray(FRM_Alv->Image1->Picture().pixel(5, 5)), kPictureLevel) << "the file's picture stays";
    EXPECT_EQ(kernels::pixel(*SlotBitmaps[1][0], 5, 5), kernels::rgbColour(kPictureLevel, kPictureLevel, kPictureLevel));
    EXPECT_EQ(FrameCounters[1], frames);
    FRM_Alv->MNU_Cam1_ArreterClick();

    // Camera 2 first, then three pictures played on slot 1.
    answerDriverDialog(0);
    FRM_Alv->MNU_Cam2_DemarrerClick();
    ASSERT_TRUE(GrabDevices[2]);
    QStringList files;
    for (int i = 0; i < 3; ++i) {
        files << dir.filePath(QStringLiteral("p%1.bmp").arg(i));
        kernels::Bitmap24 b(320, 240);
        kernels::fillRect(b, kernels::boundsOf(b), kernels::rgbColour(50 + i, 50 + i, 50 + i));
        ASSERT_TRUE(kernels::ImageFiles::WriteBmp24(files.last(), b));
    }
    dialogs.openManyAnswers = {files};
    FRM_Alv->MNU_Ouvrir_ImageClick();
    ASSERT_EQ(PlayerActive, 1);
    ASSERT_TRUE(GrabDevices[2]) << "the other slot's camera stays";
    FRM_PlayControl->Press(FRM_PlayControl->SPDB_PlayForward);
    // The test ticks both slots itself.
    FRM_Alv->Timer_Cam1->stop();
    FRM_Alv->Timer_Cam2->stop();
    const int before2 = FrameCounters[2];
    for (int i = 0; i < 3; ++i)
        FRM_Alv->Timer_Cam2Timer();
    EXPECT_EQ(FrameCounters[2], before2 + 3) << "camera 2's ticks take camera 2's frames";
    EXPECT_EQ(PlayPosition, 0) << "and do not step the player";
    FRM_Alv->Timer_Cam1Timer();
    EXPECT_EQ(PlayPosition, 1);
    EXPECT_EQ(kernels::pixel(*SlotBitmaps[1][0], 5, 5), kernels::rgbColour(51, 51, 51));

    // Camera 2 made the current slot: the player still plays on slot 1.
    clickBox(FRM_Tool_Affichage, FRM_Tool_Affichage->CKB_Src2_Image);
    ASSERT_EQ(CurrentCameraSlot, 2);
    FRM_Alv->Timer_Cam1Timer();
    EXPECT_EQ(PlayPosition, 2);
    EXPECT_EQ(kernels::pixel(*SlotBitmaps[1][0], 5, 5), kernels::rgbColour(52, 52, 52));
    EXPECT_EQ(SlotBitmaps[2][0]->width(), 640) << "camera 2's frame is left alone";
    FRM_Alv->Timer_Cam2Timer();
    EXPECT_EQ(FrameCounters[2], before2 + 4);
    EXPECT_NE(kernels::pixel(*SlotBitmaps[2][0], 5, 5), kernels::rgbColour(52, 52, 52));
    clickBox(FRM_Tool_Affichage, FRM_Tool_Affichage->CKB_Src1_Image);
    FRM_Alv->MNU_Cam2_ArreterClick();
}

// The format of a running camera changes: in stream mode the grab device
// keeps streaming; a stream camera given a larger format after a smaller
// picture shows its frames at that size.
TEST_F(SourceSwitch, AFormatChangeWhileStreamingKeepsTheFramesComingAtTheNewSize)
{
    answerDriverDialog(0);
    FRM_Alv->MNU_Cam1_DemarrerClick();
    FRM_Alv->MNU_Cam1_StreamClick();
    ASSERT_EQ(CameraSlots[1].streamMode, 1);
    FRM_Alv->MNU_Cam1_FormatClick();
    EXPECT_EQ(CameraSlots[1].streamMode, 1) << "still streaming";
    int before = FrameCounters[1];
    EXPECT_TRUE(waitFor([before] { return FrameCounters[1] >= before + 2; })) << "the frames keep coming";
    FRM_Alv->MNU_Cam1_ArreterClick();

    ASSERT_NO_FATAL_FAILURE(openPicture(320, 240));
    platform::setStreamCameras(&family);
    answerDriverDialog(1);
    FRM_Alv->MNU_Cam1_DemarrerClick();
    ASSERT_EQ(CameraSlots[1].sourceKind, 1);
    chooseFormat(1, 1280, 960);
    ASSERT_EQ(CameraSlots[1].width, 1280);
    before = FrameCounters[1];
    EXPECT_TRUE(waitFor([before] { return FrameCounters[1] >= before + 2; })) << "the frames at the new size come";
    EXPECT_EQ(SlotBitmaps[1][0]->width(), 1280);
    EXPECT_EQ(FRM_Alv->Image1->Picture().size(), QSize(1280, 960));
    EXPECT_TRUE(litBeyond(FRM_Alv->Image1->Picture(), 640, 480));
    FRM_Alv->MNU_Cam1_ArreterClick();
}

// The current slot switched to a camera of another size: the display zone
// and the result take that camera's frame.
TEST_F(SourceSwitch, SwitchingTheCurrentSlotGivesTheZoneAndTheResultTheOtherCamerasFrame)
{
    startTwoCamerasOfTwoSizes(40);
    ASSERT_EQ(CameraSlots[2].width, 320);
    FRM_Alv->Timer_Cam1Timer();
    ASSERT_GT(FRM_Alv->Image3->PictureSize().width(), 320) << "slot 1's zone";

    clickBox(FRM_Tool_Affichage, FRM_Tool_Affichage->CKB_Src2_Image);
    ASSERT_EQ(CurrentCameraSlot, 2);
    FRM_Alv->Timer_Cam2Timer();
    FRM_Alv->Timer_Cam1Timer();
    EXPECT_LE(DisplayZoneRect.right, 320);
    EXPECT_LE(DisplayZoneRect.bottom, 240);
    const kernels::Bitmap24 result = FRM_Alv->Image3->Bitmap();
    EXPECT_LE(result.width(), 320);
    EXPECT_LE(result.height(), 240);
    const kernels::Rect z = ZoneImageRect;
    EXPECT_EQ(kernels::pixel(result, z.left + 2, z.top + 2), kernels::rgbColour(40, 40, 40));
    EXPECT_EQ(kernels::pixel(result, std::min(z.right, result.width()) - 3, std::min(z.bottom, result.height()) - 3),
              kernels::rgbColour(40, 40, 40));

    clickBox(FRM_Tool_Affichage, FRM_Tool_Affichage->CKB_Src1_Image);
    ASSERT_EQ(CurrentCameraSlot, 1);
    FRM_Alv->Timer_Cam1Timer();
    EXPECT_GT(FRM_Alv->Image3->PictureSize().width(), 320) << "slot 1's zone again";
    EXPECT_GT(DisplayZoneRect.right, 320);
    FRM_Alv->MNU_Cam2_ArreterClick();
    FRM_Alv->MNU_Cam1_ArreterClick();
}

// A new frame size while an addition runs: the addition ends first and
// keeps what it built; no frame of the old size, and no blank one, is added
// to it afterwards.
TEST_F(SourceSwitch, ANewFrameSizeEndsARunningAdditionWithWhatItBuilt)
{
    answerDriverDialog(0);
    FRM_Alv->MNU_Cam1_DemarrerClick();
    auto* t = FRM_Tool_Images;
    t->SPED_Nb_Bitmap->setValue(0);
    t->CKB_Integration->setChecked(true);
    t->BTN_Demarrer_AddClick();
    const int first = AdditionFrameCount[0];
    for (int i = 0; i < 2; ++i)
        FRM_Alv->Timer_Cam1Timer();
    const int added = first + 2;
    ASSERT_EQ(AdditionFrameCount[0], added);
    const std::uint16_t summed = DeepImagePlanes().pixel(0, 10, 10)[1];

    chooseFormat(1, 320, 240);
    ASSERT_EQ(CameraSlots[1].width, 320);
    EXPECT_FALSE(t->BTN_Arreter_Add->isEnabled()) << "the addition ended";
    EXPECT_TRUE(t->BTN_Demarrer_Add->isEnabled());
    EXPECT_EQ(AdditionFrameCount[0], added) << "nothing added by the change";
    EXPECT_EQ(DeepImagePlanes().pixel(0, 10, 10)[1], summed) << "what it built is kept";
    FRM_Alv->Timer_Cam1Timer();
    EXPECT_EQ(AdditionFrameCount[0], added);
    FRM_Alv->MNU_Cam1_ArreterClick();
}

// A camera started again after a stop offers its modes in its Mode menu as
// its buttons do: the user leaves a plug-in camera's long exposures for its
// video through "Image", and enters and leaves those of a modified grab
// camera there too.
TEST_F(SourceSwitch, AfterAStopAndAStartTheModeMenuLeadsIntoLongExposuresAndBack)
{
    ASSERT_NO_FATAL_FAILURE(useSimulatorPlugin());
    TFRM_Alv* w = FRM_Alv;
    for (int round = 1; round <= 2; ++round) {   // the first start, then one after a stop
        SCOPED_TRACE(round);
        answerDriverDialog(1);
        ASSERT_TRUE(chooseMenuItem(w->MNU_Camera1, w->MNU_Cam1_Demarrer));
        ASSERT_EQ(CameraSlots[1].sourceKind, 3);
        ASSERT_TRUE(chooseMenuItem(w->MNU_Cam1_Mode, w->MNU_Cam1_PoseLongue));
        ASSERT_EQ(LongExposureRunning[1], 1);
        ASSERT_TRUE(FRM_Longuepose->isVisible());
        EXPECT_TRUE(chooseMenuItem(w->MNU_Cam1_Mode, w->MNU_Cam1_Image)) << "the way back to the video";
        EXPECT_EQ(LongExposureRunning[1], 0);
        EXPECT_FALSE(FRM_Longuepose->isVisible());
        EXPECT_TRUE(w->MNU_Cam1_Image->isChecked());
        const int frames = FrameCounters[1];
        EXPECT_TRUE(waitFor([frames] { return FrameCounters[1] >= frames + 2; })) << "the video runs again";
        EXPECT_FALSE(chooseMenuItem(w->MNU_Cam1_Mode, w->MNU_Cam1_Stream)) << "no stream for a plug-in camera";
        ASSERT_TRUE(chooseMenuItem(w->MNU_Camera1, w->MNU_Cam1_Arreter));
    }

    clickBox(FRM_Pref, FRM_Pref->CKB_VestaMod);
    ASSERT_TRUE(FRM_Pref->CKB_VestaMod->isChecked());
    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE(round);
        answerDriverDialog(0);
        ASSERT_TRUE(chooseMenuItem(w->MNU_Camera1, w->MNU_Cam1_Demarrer));
        ASSERT_TRUE(GrabDevices[1]);
        EXPECT_TRUE(chooseMenuItem(w->MNU_Cam1_Mode, w->MNU_Cam1_PoseLongue)) << "as its button offers";
        EXPECT_EQ(LongExposureRunning[1], 1);
        EXPECT_TRUE(chooseMenuItem(w->MNU_Cam1_Mode, w->MNU_Cam1_Image));
        EXPECT_EQ(LongExposureRunning[1], 0);
        EXPECT_TRUE(w->Timer_Cam1->isActive());
        ASSERT_TRUE(chooseMenuItem(w->MNU_Camera1, w->MNU_Cam1_Arreter));
    }
}

// The Mode menu ticks the mode the slot runs in, whatever set it: the grab
// camera put in stream mode, a film opened as the slot's source (which stops
// the camera), the camera started again (in image mode); long exposures and
// back; a stop.
TEST_F(SourceSwitch, TheModeMenuTicksTheModeTheSlotRunsInWhateverSetIt)
{
    TFRM_Alv* w = FRM_Alv;
    auto ticked = [w] {
        QStringList on;
        for (QAction* a : {w->MNU_Cam1_Image, w->MNU_Cam1_Stream, w->MNU_Cam1_PoseLongue})
            if (a->isChecked())
                on << a->objectName();
        return on.join(u' ').toStdString();
    };
    auto pressed = [w] {
        QStringList down;
        for (QToolButton* b : std::initializer_list<QToolButton*>{w->SPDB_Cam1_Image, w->SPDB_Cam1_Stream, w->SPDB_Cam1_PoseLongue, w->SPDB_Cam1_Image_B,
                               w->SPDB_Cam1_Stream_B, w->SPDB_Cam1_PoseLongue_B})
            if (b->isChecked())
                down << b->objectName();
        return down.join(u' ').toStdString();
    };
    clickBox(FRM_Pref, FRM_Pref->CKB_VestaMod);   // a camera modified for long exposures
    ASSERT_TRUE(FRM_Pref->CKB_VestaMod->isChecked());
    answerDriverDialog(0);
    ASSERT_TRUE(chooseMenuItem(w->MNU_Camera1, w->MNU_Cam1_Demarrer));
    ASSERT_TRUE(GrabDevices[1]);
    EXPECT_EQ(ticked(), "MNU_Cam1_Image");
    ASSERT_TRUE(chooseMenuItem(w->MNU_Cam1_Mode, w->MNU_Cam1_Stream));
    ASSERT_EQ(CameraSlots[1].streamMode, 1);
    EXPECT_EQ(ticked(), "MNU_Cam1_Stream");
    EXPECT_EQ(pressed(), "SPDB_Cam1_Stream SPDB_Cam1_Stream_B");

    const QString film = dir.filePath(QStringLiteral("film.avi"));
    ASSERT_TRUE(writeFilm(film, 320, 240));
    dialogs.openManyAnswers = {QStringList{film}};
    ASSERT_TRUE(chooseMenuItem(w->MNU_Ouvrir, w->MNU_Ouvrir_Image));
    ASSERT_EQ(PlayerActive, 1);
    ASSERT_FALSE(GrabDevices[1]) << "the film stopped the camera";
    EXPECT_NE(ticked(), "MNU_Cam1_Stream") << "nothing streams";

    answerDriverDialog(0);
    ASSERT_TRUE(chooseMenuItem(w->MNU_Camera1, w->MNU_Cam1_Demarrer));
    ASSERT_TRUE(GrabDevices[1]);
    ASSERT_EQ(CameraSlots[1].streamMode, 0);
    EXPECT_EQ(ticked(), "MNU_Cam1_Image");
    EXPECT_EQ(pressed(), "SPDB_Cam1_Image SPDB_Cam1_Image_B");

    ASSERT_TRUE(chooseMenuItem(w->MNU_Cam1_Mode, w->MNU_Cam1_PoseLongue));
    ASSERT_EQ(LongExposureRunning[1], 1);
    EXPECT_EQ(ticked(), "MNU_Cam1_PoseLongue");
    EXPECT_TRUE(chooseMenuItem(w->MNU_Cam1_Mode, w->MNU_Cam1_Image));
    EXPECT_EQ(ticked(), "MNU_Cam1_Image");
    ASSERT_TRUE(chooseMenuItem(w->MNU_Cam1_Mode, w->MNU_Cam1_Stream));
    ASSERT_TRUE(chooseMenuItem(w->MNU_Camera1, w->MNU_Cam1_Arreter));
    EXPECT_NE(ticked(), "MNU_Cam1_Stream") << "a stopped slot streams nothing";
    EXPECT_EQ(pressed(), "");
}

// Two cameras share the result side by side. A display zone clipped by the
// frame's edge leaves part of each camera's place without a frame pixel:
// that part is black at every frame of that camera, never what an earlier
// frame put there, while the other camera's place keeps its own frame.
TEST_F(SourceSwitch, TwoCamerasSharingTheResultLeaveWhatAClippedZoneMissesBlack)
{
    const auto level = [](std::uint8_t v) { return kernels::rgbColour(v, v, v); };
    grab.add({QStringLiteral("Claire"), QStringLiteral("2")},
             [] { return std::make_unique<FakeGrabDevice>(platform::CameraFormat{640, 480, 24}, 640, 480, 200); });
    grab.add({QStringLiteral("Sombre"), QStringLiteral("3")},
             [] { return std::make_unique<FakeGrabDevice>(platform::CameraFormat{640, 480, 24}, 640, 480, 90); });
    answerDriverDialog(1);
    FRM_Alv->MNU_Cam1_DemarrerClick();
    answerDriverDialog(2);
    FRM_Alv->MNU_Cam2_DemarrerClick();
    ASSERT_TRUE(GrabDevices[1] && GrabDevices[2]);
    // The test ticks both slots itself; their timers run, but not before it ends.
    FRM_Alv->Timer_Cam1->start(3600000);
    FRM_Alv->Timer_Cam2->start(3600000);
    auto* a = FRM_Tool_Affichage;
    clickBox(a, a->CKB_DoubleEnreg);
    ASSERT_TRUE(a->CKB_DoubleEnreg->isChecked());

    for (QToolButton* layout : {a->SPDB_Src2_Disposition2, a->SPDB_Src2_Disposition3}) {
        const bool beside = layout == a->SPDB_Src2_Disposition2;
        SCOPED_TRACE(beside ? "camera 2 right of camera 1" : "camera 2 below camera 1");
        clickBox(a, layout);
        ASSERT_EQ(CameraSlots[2].recordLayout, beside ? 1 : 2);
        // The whole zone first: each camera fills its own place.
        QTest::mouseClick(FRM_Alv->Image1, Qt::RightButton, {}, QPoint(320, 240));
        FRM_Alv->Timer_Cam1Timer();
        FRM_Alv->Timer_Cam2Timer();
        const kernels::Rect z = ZoneImageRect;
        const kernels::Rect other = beside ? ZoneImageRectRight : ZoneImageRectBelow;
        ASSERT_EQ(kernels::pixel(FRM_Alv->Image3->Bitmap(), z.left + 3, z.top + 3), level(200));
        ASSERT_EQ(kernels::pixel(FRM_Alv->Image3->Bitmap(), other.left + 3, other.top + 3), level(90));

        // The zone centred near the frame's top-left corner.
        QTest::mouseClick(FRM_Alv->Image1, Qt::RightButton, {}, QPoint(1, 1));
        FRM_Alv->Timer_Cam1Timer();
        const kernels::Rect c = ZoneImageRect;
        const kernels::Rect c2 = beside ? ZoneImageRectRight : ZoneImageRectBelow;
        ASSERT_GT(c.left, 5);
        ASSERT_GT(c.top, 5);
        const kernels::Bitmap24 once = FRM_Alv->Image3->Bitmap();
        EXPECT_EQ(kernels::pixel(once, c.left + 2, c.top + 2), level(200));
        EXPECT_EQ(kernels::pixel(once, 3, 3), 0u) << "left of and above camera 1's zone";
        EXPECT_EQ(kernels::pixel(once, c.left + 2, 3), 0u);
        EXPECT_EQ(kernels::pixel(once, 3, c.top + 2), 0u);
        EXPECT_EQ(kernels::pixel(once, c2.left + 3, c2.top + 3), level(90))
            << "camera 2's place keeps camera 2's frame";

        FRM_Alv->Timer_Cam2Timer();
        const kernels::Bitmap24 both = FRM_Alv->Image3->Bitmap();
        EXPECT_EQ(kernels::pixel(both, c2.left + 2, c2.top + 2), level(90));
        EXPECT_EQ(kernels::pixel(both, c.left + 2, c.top + 2), level(200)) << "camera 1's place keeps its frame";
        if (beside) {
            EXPECT_EQ(kernels::pixel(both, c2.left + 2, 3), 0u) << "above camera 2's zone";
            EXPECT_EQ(kernels::pixel(both, both.width() - 3, c2.top + 2), 0u) << "right of it";
        } else {
            EXPECT_EQ(kernels::pixel(both, 3, c2.top + 2), 0u) << "left of camera 2's zone";
            EXPECT_EQ(kernels::pixel(both, c2.left + 2, both.height() - 3), 0u) << "below it";
        }
        EXPECT_EQ(kernels::pixel(both, 3, 3), 0u);
    }
    clickBox(a, a->CKB_DoubleEnreg);
    FRM_Alv->MNU_Cam2_ArreterClick();
    FRM_Alv->MNU_Cam1_ArreterClick();
}

// The guiding moves to the other camera while tracking runs: the tracked
// star, placed on the larger frame of camera 1, comes inside camera 2's
// smaller frame, the detection zone keeps within that frame, and the format
// kept still for tracking is camera 2's from then on, camera 1's given back.
TEST_F(SourceSwitch, GuidingMovedToTheOtherCameraTracksInsideItsFrameAndLocksItsFormat)
{
    startTwoCamerasOfTwoSizes(40);
    ASSERT_EQ(CameraSlots[1].width, 640);
    ASSERT_EQ(CameraSlots[2].width, 320);
    // The test ticks both slots itself; their timers run, but not before it ends.
    FRM_Alv->Timer_Cam1->start(3600000);
    FRM_Alv->Timer_Cam2->start(3600000);
    TFRM_Alv* w = FRM_Alv;
    auto* a = FRM_Tool_Affichage;
    ASSERT_EQ(GuideSourceSlot, 1);
    clickBox(FRM_Tool_Suivi, FRM_Tool_Suivi->CKB_Suivi);
    ASSERT_TRUE(FRM_Tool_Suivi->CKB_Suivi->isChecked());
    QTest::mouseClick(w->Image1, Qt::LeftButton, {}, QPoint(560, 420));
    ASSERT_EQ(TrackedStarPos, QPoint(560, 420));
    EXPECT_FALSE(w->MNU_Cam1_Format->isEnabled()) << "the guided camera's format stays while tracking";
    EXPECT_TRUE(w->MNU_Cam2_Format->isEnabled());
    a->SCB_Taille_ZDetect->setValue(a->SCB_Taille_ZDetect->maximum());
    ASSERT_GT(a->SCB_Taille_ZDetect->value(), 320);

    clickBox(a, a->CKB_Src2_Autoguidage);
    ASSERT_EQ(GuideSourceSlot, 2);
    EXPECT_LE(a->SCB_Taille_ZDetect->maximum(), 320) << "the zone fits camera 2's frame";
    EXPECT_LE(a->TNI_Taille_ZDetect->Value(), 320);
    EXPECT_GE(TrackedStarPos.x(), 0);
    EXPECT_GE(TrackedStarPos.y(), 0);
    EXPECT_LT(TrackedStarPos.x(), 320) << "inside camera 2's frame";
    EXPECT_LT(TrackedStarPos.y(), 240);
    EXPECT_TRUE(w->MNU_Cam1_Format->isEnabled()) << "camera 1 is not guided any more";
    EXPECT_TRUE(w->SPDB_Cam1_Format->isEnabled());
    EXPECT_FALSE(w->MNU_Cam2_Format->isEnabled());
    EXPECT_FALSE(w->SPDB_Cam2_Format->isEnabled());
    const QPoint placed = TrackedStarPos;
    w->Timer_Cam2Timer();
    EXPECT_EQ(TrackedStarPos, placed) << "a uniform frame holds no star to follow";

    clickBox(a, a->CKB_Src1_Autoguidage);
    ASSERT_EQ(GuideSourceSlot, 1);
    EXPECT_FALSE(w->MNU_Cam1_Format->isEnabled());
    EXPECT_TRUE(w->MNU_Cam2_Format->isEnabled());
    EXPECT_EQ(TrackedStarPos, placed) << "inside camera 1's frame too: it stays";
    clickBox(FRM_Tool_Suivi, FRM_Tool_Suivi->CKB_Suivi);
    EXPECT_TRUE(w->MNU_Cam1_Format->isEnabled());
    EXPECT_TRUE(w->MNU_Cam2_Format->isEnabled());
    w->MNU_Cam2_ArreterClick();
    w->MNU_Cam1_ArreterClick();
}

// A camera started after a picture keeps the tracked star where the picture
// left it (only the display zone's anchor follows the new size), unless the
// larger picture left it outside the camera's frame: then it comes inside.
TEST_F(SourceSwitch, ACameraStartedAfterAPictureKeepsTheTrackedStarOrBringsItInside)
{
    ASSERT_NO_FATAL_FAILURE(openPicture(320, 240));
    ASSERT_EQ(TrackedStarPos, QPoint(160, 120)) << "a file is centred";
    answerDriverDialog(0);
    FRM_Alv->MNU_Cam1_DemarrerClick();
    ASSERT_EQ(CameraSlots[1].width, 640);
    EXPECT_EQ(TrackedStarPos, QPoint(160, 120));
    FRM_Alv->MNU_Cam1_ArreterClick();

    ASSERT_NO_FATAL_FAILURE(openPicture(1280, 960, QStringLiteral("large.bmp")));
    ASSERT_EQ(TrackedStarPos, QPoint(640, 480));
    answerDriverDialog(0);
    FRM_Alv->MNU_Cam1_DemarrerClick();
    ASSERT_EQ(CameraSlots[1].width, 640);
    const int d = FRM_Tool_Affichage->SCB_Taille_ZDetect->value() / 2;
    EXPECT_EQ(TrackedStarPos, QPoint(640 - d - 1, 480 - d - 1)) << "d + 1 inside the frame's edge";
    EXPECT_EQ(DisplayZoneCenter, QPoint(320, 240)) << "the display zone shows the same part of the picture";
    FRM_Alv->MNU_Cam1_ArreterClick();
}

// A webcam modified for long exposures on the parallel port, started on
// slot 1 and put into long exposures by a script, as the user does; the
// test's timer sends its frames every 30 ms.
void SourceSwitch::startModifiedWebcam(const std::shared_ptr<StreamFeed>& feed, QTimer& camera)
{
    FRM_Pref->CKB_VestaMod->setChecked(true);
    FRM_Pref->RDB_QV_Parallel->setChecked(true);
    FRM_Pref->CBX_Vesta_Port->clear();
    FRM_Pref->CBX_Vesta_Port->addItem(QStringLiteral("$0378(LPT1)"));
    FRM_Pref->SPED_Vesta_Interpose->setValue(100);
    Preferences::ApplyLongExposureSettings();
    stream.add({QStringLiteral("Webcam modifiee"), QStringLiteral("1")},
               [feed] { return std::make_unique<FedStreamDevice>(feed); });
    answerDriverDialog(1);   // after the simulated grab camera
    FRM_Alv->MNU_Cam1_DemarrerClick();
    ASSERT_EQ(CameraSlots[1].sourceKind, 1);
    QObject::connect(&camera, &QTimer::timeout, [feed] { feed->push(); });
    camera.start(30);
    FRM_Script->Memo_Script->setPlainText(QStringLiteral("camera.mode(1,longexposure)"));
    FRM_Script->MNU_ExecuterDuDebutClick(FRM_Script->MNU_ExecuterDuDebut);
    ASSERT_TRUE(waitFor([] { return LongExposureRunning[1] == 1; })) << "long exposures through the script";
}

// A modified webcam's long exposures: a read-out waits for the webcam's next
// frame. When its frames come larger than the slot (its binning changed on
// its side), the frame that came ends the wait all the same: one the slot
// can take is followed and read, one past the program's limit is told once
// and the series goes on; none keeps the read-out waiting for another.
TEST_F(SourceSwitch, AWebcamFrameLargerThanTheSlotEndsTheLongExposureReadOutItCameTo)
{
    auto feed = std::make_shared<StreamFeed>();
    QTimer camera;
    ASSERT_NO_FATAL_FAILURE(startModifiedWebcam(feed, camera));
    ASSERT_EQ(CameraSlots[1].width, 640);
    auto* d = FRM_Longuepose;
    d->SPED_Vesta_Pose->setValue(300);
    ASSERT_TRUE(d->BTN_Demarrer_Pose->isEnabled());
    QTest::mouseClick(d->BTN_Demarrer_Pose, Qt::LeftButton);
    ASSERT_TRUE(FRM_Alv->CKB_Longuepose_Active->isChecked());
    const auto exposures = [d] { return static_cast<int>(d->TNI_Posenum->Value()); };
    ASSERT_TRUE(waitFor([&] { return exposures() >= 2; }, 6000)) << "a read-out at the webcam's own size";
    FRM_Message->MEMO_Message->clear();

    // Past the limit: told once, and the read-outs go on, none of them
    // saving the older frame the slot still holds as its exposure.
    SaveFramesEnabled = 1;
    FRM_Tool_Images->SPED_Freq_Sauve->setValue(1);
    feed->width = 1400;
    feed->height = 1000;
    // The read-out under way, and a frame already on its way, may still fit.
    int before = exposures() + 2;
    ASSERT_TRUE(waitFor([&] { return exposures() >= before; }, 6000));
    int saved = SequenceFrameTick;
    EXPECT_TRUE(waitFor([&] { return exposures() >= before + 2; }, 6000))
        << "no read-out waits for a frame that fits";
    EXPECT_EQ(SequenceFrameTick, saved);
    EXPECT_EQ(messageText().count(QStringLiteral("La taille actuelle est 1400x1000")), 1) << messageText().toStdString();
    EXPECT_EQ(CameraSlots[1].width, 640);

    // A size the slot can take: followed, and read at that size.
    feed->width = 1280;
    feed->height = 960;
    feed->level = 150;
    before = exposures();
    saved = SequenceFrameTick;
    EXPECT_TRUE(waitFor([&] { return exposures() >= before + 2; }, 6000));
    EXPECT_GT(SequenceFrameTick, saved) << "its exposures are saved";
    SaveFramesEnabled = 0;
    EXPECT_EQ(CameraSlots[1].width, 1280);
    ASSERT_EQ(SlotBitmaps[1][0]->width(), 1280);
    EXPECT_EQ(kernels::pixel(*SlotBitmaps[1][0], 1200, 900), kernels::rgbColour(150, 150, 150));

    QTest::mouseClick(d->BTN_Arreter_Pose, Qt::LeftButton);
    camera.stop();
    FRM_Alv->MNU_Cam1_ArreterClick();
    LongExposureParams = {};
}

// Self-guided with alternating lines, a webcam's exposure is read in two
// halves: the first half read is the webcam's frame, saved as it came,
// not what the half's bitmap held before.
TEST_F(SourceSwitch, AWebcamsFirstSelfGuidedHalfIsTheFrameItSent)
{
    auto feed = std::make_shared<StreamFeed>();
    feed->level = 120;
    QTimer camera;
    FRM_Pref->CBX_Ligne_guidage->setCurrentIndex(0);   // "Alterner"
    ASSERT_NO_FATAL_FAILURE(startModifiedWebcam(feed, camera));
    auto* d = FRM_Longuepose;
    d->SPED_Vesta_Pose->setValue(300);
    d->SPED_Nb_Poses->setValue(1);
    d->CKB_Selfguide_Active->setChecked(true);   // offered with a guide interface only
    const QString half = dir.filePath(QStringLiteral("Video2.bmp"));
    QTest::mouseClick(d->BTN_Demarrer_Pose, Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return QFile::exists(half); }, 6000)) << "the first half was read";
    const QImage saved(half);
    ASSERT_EQ(saved.size(), QSize(640, 480));
    EXPECT_EQ(qGray(saved.pixel(320, 240)), 120);
    EXPECT_EQ(qGray(saved.pixel(630, 470)), 120);
    if (FRM_Alv->CKB_Longuepose_Active->isChecked())
        QTest::mouseClick(d->BTN_Arreter_Pose, Qt::LeftButton);
    camera.stop();
    FRM_Alv->MNU_Cam1_ArreterClick();
    LongExposureParams = {};
}

// While an addition runs, the binning of neither camera can change, and
// making the other camera current (another size, another binning) ends the
// addition with what it built: none of that camera's frames is added to it.
TEST_F(SourceSwitch, ABinningOrCameraSwitchNeverReachesARunningAddition)
{
    startTwoCamerasOfTwoSizes(90);
    TFRM_Alv* w = FRM_Alv;
    ASSERT_EQ(CameraSlots[2].width, 320);
    ASSERT_TRUE(chooseMenuItem(w->MNU_Cam2_Binning, w->MNU_Cam2_Binning_2x2));
    ASSERT_TRUE(w->MNU_Cam2_Binning_2x2->isChecked());
    // The test ticks both slots itself; their timers run, but not before it ends.
    w->Timer_Cam1->start(3600000);
    w->Timer_Cam2->start(3600000);

    auto* t = FRM_Tool_Images;
    t->SPED_Nb_Bitmap->setValue(0);   // no frame limit
    clickBox(t, t->CKB_Integration);
    ASSERT_TRUE(t->CKB_Integration->isChecked());
    QTest::mouseClick(t->BTN_Demarrer_Add, Qt::LeftButton);
    ASSERT_TRUE(t->BTN_Arreter_Add->isEnabled());
    EXPECT_FALSE(w->MNU_Cam1_Binning->menuAction()->isEnabled());
    EXPECT_FALSE(w->MNU_Cam2_Binning->menuAction()->isEnabled());
    for (int i = 0; i < 2; ++i)
        w->Timer_Cam1Timer();
    const int added = AdditionFrameCount[0];
    const kernels::Rect z = ZoneImageRect;
    const std::uint16_t summed = DeepImagePlanes().pixel(0, z.left + 5, z.top + 5)[1];
    ASSERT_GT(summed, 0);

    clickBox(FRM_Tool_Affichage, FRM_Tool_Affichage->CKB_Src2_Image);
    ASSERT_EQ(CurrentCameraSlot, 2);
    EXPECT_FALSE(t->BTN_Arreter_Add->isEnabled()) << "the addition ended";
    EXPECT_TRUE(t->BTN_Demarrer_Add->isEnabled());
    for (int i = 0; i < 2; ++i) {
        w->Timer_Cam2Timer();
        w->Timer_Cam1Timer();
    }
    EXPECT_EQ(AdditionFrameCount[0], added) << "nothing of either camera added since";
    EXPECT_EQ(DeepImagePlanes().pixel(0, z.left + 5, z.top + 5)[1], summed) << "what it built is kept";
    clickBox(FRM_Tool_Affichage, FRM_Tool_Affichage->CKB_Src1_Image);
    clickBox(t, t->CKB_Integration);
    EXPECT_TRUE(w->MNU_Cam1_Binning->menuAction()->isEnabled());
    w->MNU_Cam2_ArreterClick();
    w->MNU_Cam1_ArreterClick();
}

namespace {

// Camera 1 started through its menu, as the user does, its frames or its
// long exposures running; a file of the slot opened through the open menu.
class CameraUnderAFile : public SourceSwitch, public ::testing::WithParamInterface<Road> {
protected:
    void startCameraOne(Road road)
    {
        TFRM_Alv* w = FRM_Alv;
        if (road == Road::PluginVideo || road == Road::PluginExposure) {
            ASSERT_NO_FATAL_FAILURE(useSimulatorPlugin());
        }
        if (road == Road::Webcam)
            platform::setStreamCameras(&family);
        answerDriverDialog(road == Road::GrabImage || road == Road::GrabStream ? 0 : 1);
        ASSERT_TRUE(chooseMenuItem(w->MNU_Camera1, w->MNU_Cam1_Demarrer));
        ASSERT_TRUE(Scripts::Cam1Online) << messageText().toStdString();
        if (road == Road::GrabStream) {
            ASSERT_TRUE(chooseMenuItem(w->MNU_Cam1_Mode, w->MNU_Cam1_Stream));
        }
        if (road == Road::PluginExposure) {
            ASSERT_TRUE(chooseMenuItem(w->MNU_Cam1_Mode, w->MNU_Cam1_PoseLongue));
            auto* d = FRM_Longuepose;
            testsupport::typeInto(d->SPED_Vesta_Pose, QStringLiteral("200"));
            testsupport::typeInto(d->SPED_Nb_Poses, QStringLiteral("0"));
            QTest::mouseClick(d->BTN_Demarrer_Pose, Qt::LeftButton);
            ASSERT_TRUE(w->CKB_Longuepose_Active->isChecked());
        }
    }

    // Whether `count` more frames of camera 1, or exposures of its series,
    // reached slot 1 within a few seconds each.
    static bool cameraGoesOn(Road road, int count)
    {
        if (road == Road::PluginExposure) {
            const auto exposures = [] { return static_cast<int>(FRM_Longuepose->TNI_Posenum->Value()); };
            const int target = exposures() + count;
            return waitFor([&] { return exposures() >= target; }, 4000 * count);
        }
        const int target = FrameCounters[1] + count;
        return waitFor([target] { return FrameCounters[1] >= target; });
    }

    void openThroughMenu(const QString& path)
    {
        dialogs.openManyAnswers = {QStringList{path}};
        ASSERT_TRUE(chooseMenuItem(FRM_Alv->MNU_Ouvrir, FRM_Alv->MNU_Ouvrir_Image));
    }

    static bool cameraOneOpen()
    {
        return GrabDevices[1] || (WdmCaptures[1] && WdmCaptures[1]->Running()) || CameraSlots[1].pluginHandle != 0;
    }

    void stopAll()
    {
        if (FRM_Alv->CKB_Longuepose_Active->isChecked())
            QTest::mouseClick(FRM_Longuepose->BTN_Arreter_Pose, Qt::LeftButton);
        FRM_Alv->MNU_Cam2_ArreterClick();
        FRM_Alv->MNU_Cam1_ArreterClick();
    }
};

std::string roadName(const ::testing::TestParamInfo<Road>& info)
{
    switch (info.param) {
    case Road::GrabImage: return "BuiltInImageMode";
    case Road::GrabStream: return "BuiltInStreamMode";
    case Road::PluginVideo: return "PlugInVideo";
    case Road::PluginExposure: return "PlugInLongExposures";
    default: return "Webcam";
    }
}

class CameraLeftUnderAFile : public CameraUnderAFile {};
class CameraRefusingAFile : public CameraUnderAFile {};

} // namespace

// A picture shown on the slot of a camera that goes on running (a plug-in
// camera, a webcam): once another camera's start ends the file source, the
// camera's next frames (or exposures) are shown on the slot again, at the
// camera's own size, the picture gone.
TEST_P(CameraLeftUnderAFile, ShowsItsFramesAgainOnceTheFileShownOnItsSlotEnds)
{
    const Road road = GetParam();
    ASSERT_NO_FATAL_FAILURE(startCameraOne(road));
    ASSERT_TRUE(cameraGoesOn(road, 2));
    const QString picture = dir.filePath(QStringLiteral("small.bmp"));
    ASSERT_TRUE(kernels::ImageFiles::WriteBmp24(picture, flatPicture(320, 240)));
    ASSERT_NO_FATAL_FAILURE(openThroughMenu(picture));
    ASSERT_EQ(PlayerActive, 1);
    ASSERT_TRUE(cameraOneOpen()) << "such a camera is not stopped by a file";
    ASSERT_EQ(SlotBitmaps[1][0]->width(), 320);

    answerDriverDialog(0);   // the built-in camera on slot 2
    ASSERT_TRUE(chooseMenuItem(FRM_Alv->MNU_Camera2, FRM_Alv->MNU_Cam2_Demarrer));
    ASSERT_EQ(PlayerActive, 0);
    EXPECT_TRUE(cameraGoesOn(road, 2)) << "camera 1's frames reach its slot again";
    EXPECT_EQ(CameraSlots[1].width, 640);
    EXPECT_EQ(CameraSlots[1].height, 480);
    EXPECT_EQ(SlotBitmaps[1][0]->width(), 640);
    const QImage shown = FRM_Alv->Image1->Picture();
    EXPECT_EQ(shown.size(), QSize(640, 480));
    EXPECT_TRUE(litBeyond(shown, 320, 240)) << "the camera's frame fills the view";
    EXPECT_LT(pictureShare(shown, 320, 240), 0.5) << "not the picture";
    stopAll();
}

INSTANTIATE_TEST_SUITE_P(CameraRoads, CameraLeftUnderAFile,
                         ::testing::Values(Road::PluginVideo, Road::PluginExposure, Road::Webcam), roadName);

// A picture too large for a frame, opened on the slot of a running camera:
// the size message, and nothing of the slot changes. The camera is neither
// stopped nor frozen: its frames (or exposures) keep coming to the view at
// its size, no band of the refused picture left there.
TEST_P(CameraRefusingAFile, ARefusedPictureChangesNothingOfTheSlotItsCameraRunsOn)
{
    const Road road = GetParam();
    ASSERT_NO_FATAL_FAILURE(startCameraOne(road));
    ASSERT_TRUE(cameraGoesOn(road, 2));
    const QSize size(CameraSlots[1].width, CameraSlots[1].height);
    FRM_Message->MEMO_Message->clear();
    const QString band = dir.filePath(QStringLiteral("band.bmp"));
    ASSERT_TRUE(kernels::ImageFiles::WriteBmp24(band, flatPicture(1300, 100)));
    ASSERT_NO_FATAL_FAILURE(openThroughMenu(band));

    EXPECT_TRUE(messageText().contains(QStringLiteral("La taille actuelle est 1300x100"))) << messageText().toStdString();
    EXPECT_EQ(PlayerActive, 0);
    EXPECT_TRUE(cameraOneOpen()) << "the camera was not stopped for a file it never showed";
    EXPECT_TRUE(Scripts::Cam1Online);
    EXPECT_EQ(QSize(CameraSlots[1].width, CameraSlots[1].height), size);
    EXPECT_EQ(QSize(SlotBitmaps[1][0]->width(), SlotBitmaps[1][0]->height()), size);
    EXPECT_TRUE(cameraGoesOn(road, 3)) << "its frames keep coming";
    const QImage shown = FRM_Alv->Image1->Picture();
    EXPECT_EQ(shown.size(), size);
    EXPECT_LT(pictureShare(shown, size.width(), 100), 0.5) << "no band of the refused picture";
    stopAll();
}

INSTANTIATE_TEST_SUITE_P(CameraRoads, CameraRefusingAFile,
                         ::testing::Values(Road::GrabImage, Road::PluginVideo, Road::PluginExposure, Road::Webcam),
                         roadName);

namespace {

class SequenceOnACamera : public CameraUnderAFile {
protected:
    int filesWritten() const
    {
        return int(QDir(dir.path()).entryList({QStringLiteral("seq_*.bmp")}, QDir::Files).size());
    }
    // Real time passes for the camera's frames; `clockMs` passes on the
    // sequence's clock, whose timers then run.
    void live(testsupport::FakeClock& clock, int clockMs, int frames)
    {
        const int target = FrameCounters[1] + frames;
        ASSERT_TRUE(waitFor([target] { return FrameCounters[1] >= target; })) << "the camera's frames come";
        clock.advanceMs(clockMs);
        FRM_Tool_Images->PollSequenceTimers();
    }
};

} // namespace

// The recording page's rhythm holds whichever road the camera's frames take,
// counted in the files written: a time-driven sequence ("every 2 seconds
// for 7 seconds") writes one file a period however many frames come, and a
// frame-driven burst ("every image for 2 images", repeated every minute)
// writes its count and nothing between bursts.
TEST_P(SequenceOnACamera, SavesAtItsRhythmWhicheverRoadTheFramesTake)
{
    const Road road = GetParam();
    ASSERT_NO_FATAL_FAILURE(startCameraOne(road));
    testsupport::FakeClock clock;
    TFRM_Tool_Images* t = FRM_Tool_Images;
    ASSERT_NO_FATAL_FAILURE(testsupport::pick(t->CBX_TypeFichier, QStringLiteral("BMP (24 bits RGB)")));
    testsupport::typeInto(t->EDT_Nom_Image, dir.filePath(QStringLiteral("seq_")));
    testsupport::typeInto(t->SPED_Freq_Sauve, QStringLiteral("2"));
    ASSERT_NO_FATAL_FAILURE(testsupport::pick(t->CBX_Unite, QStringLiteral("seconds")));
    testsupport::click(t->RDB_Pendant);
    testsupport::typeInto(t->SPED_Pendant, QStringLiteral("7"));
    ASSERT_NO_FATAL_FAILURE(testsupport::pick(t->CBX_Pendant, QStringLiteral("seconds")));
    testsupport::click(t->BTN_Demarrer_Sauv);
    ASSERT_TRUE(SequenceSaving);
    for (int second = 1; second <= 7; ++second)
        ASSERT_NO_FATAL_FAILURE(live(clock, 1000, 2));
    EXPECT_FALSE(SequenceSaving) << "ended after 7 seconds";
    EXPECT_EQ(filesWritten(), 4) << "at 0, 2, 4 and 6 seconds";

    testsupport::click(t->RDB_Toutes_Les);
    testsupport::typeInto(t->SPED_Toutes_les, QStringLiteral("1"));
    ASSERT_NO_FATAL_FAILURE(testsupport::pick(t->CBX_Toutes_les, QStringLiteral("minutes")));
    testsupport::typeInto(t->SPED_Freq_Sauve, QStringLiteral("1"));
    ASSERT_NO_FATAL_FAILURE(testsupport::pick(t->CBX_Unite, QStringLiteral("images")));
    testsupport::typeInto(t->SPED_Pendant, QStringLiteral("2"));
    ASSERT_NO_FATAL_FAILURE(testsupport::pick(t->CBX_Pendant, QStringLiteral("images")));
    testsupport::click(t->BTN_Demarrer_Sauv);
    ASSERT_NO_FATAL_FAILURE(live(clock, 1000, 4));
    EXPECT_EQ(filesWritten(), 4 + 2) << "the burst's start and the next frame";
    ASSERT_NO_FATAL_FAILURE(live(clock, 59000, 4));
    ASSERT_NO_FATAL_FAILURE(live(clock, 0, 4));
    EXPECT_EQ(filesWritten(), 4 + 4) << "the next minute's burst";
    testsupport::click(t->BTN_Arreter_Sauv);
    stopAll();
}

INSTANTIATE_TEST_SUITE_P(CameraModes, SequenceOnACamera, ::testing::Values(Road::GrabImage, Road::GrabStream),
                         roadName);
