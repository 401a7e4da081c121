// Long exposures of a modified webcam and of a plug-in camera: the line
// bytes of a series and when they are written, the end of a series and of a
// camera, the serial control lines, the capture modes and the window.

#include "camera_road_fixture.h"
#include "camera_control_probe.h"

#include "app/frm_alv.h"
#include "app/frm_message.h"
#include "app/frm_pref.h"
#include "app/settings/guide_offset.h"
#include "app/systeme.h"
#include "capture/camera_control_lib.h"
#include "capture/camera_slots.h"
#include "capture/frm_longuepose.h"
#include "capture/long_exposure.h"
#include "capture/plugin_mgr.h"
#include "imaging/frame_helpers.h"
#include "imaging/pipeline_state.h"
#include "kernels/deep_planes.h"
#include "platform/com_io.h"
#include "platform/port_access_linux.h"
#include "platform/pseudo_terminal.h"
#include "scripting/frm_script.h"
#include "scripting/scripts.h"
#include "support/user_input.h"
#include "telescope/frm_prg_action.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_images.h"
#include "translation/translated_texts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace {

using LongExposure::Assert;
using LongExposure::Deassert;

struct Written {
    std::uint8_t value;
    std::int64_t at_ms;
    bool operator==(const Written&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Written& w)
{
    return os << "0x" << std::hex << int(w.value) << std::dec << " at " << w.at_ms;
}

double meanLevel(const QImage& image)
{
    double sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            sum += qGray(image.pixel(x, y));
    return image.isNull() ? 0 : sum / (double(image.width()) * image.height());
}

} // namespace

TEST(LongExposureLines, ALineOfActiveLevelZeroNeverChangesAndSettingsOtherThanZeroOrOneLeaveTheLine)
{
    EXPECT_EQ(Deassert(0xFF, 2, 1), 0xFB);
    EXPECT_EQ(Assert(0x00, 7, 1), 0x80);
    EXPECT_EQ(Deassert(0xFF, 2, 0), 0xFF);
    EXPECT_EQ(Assert(0x00, 2, 0), 0x00);
    EXPECT_EQ(LongExposure::LineLevel(1), std::optional<bool>(true));
    EXPECT_EQ(LongExposure::LineLevel(0), std::optional<bool>(false));
    EXPECT_EQ(LongExposure::LineLevel(2), std::nullopt);
    EXPECT_EQ(LongExposure::LineLevel(-1), std::nullopt);
}

class LongExposureCycle : public CameraRoad {
protected:
    void SetUp() override
    {
        CameraRoad::SetUp();
        FRM_Pref->CKB_VestaMod->setChecked(true);
        FRM_Pref->RDB_QV_Parallel->setChecked(true);
        FRM_Pref->CBX_Vesta_Port->clear();
        FRM_Pref->CBX_Vesta_Port->addItem(QStringLiteral("$0378(LPT1)"));
        FRM_Pref->CKB_LongueposePermanent->setChecked(false);
        FRM_Pref->SPED_Vesta_Interpose->setValue(100);
        FRM_Pref->SPED_Avance->setValue(200);
        Preferences::ApplyLongExposureSettings();
        ports.poke(0x378, 0x80);   // a bit of another use, kept by every write
    }
    void TearDown() override
    {
        LongExposureParams = {};
        LongExposureClock = {};
        CameraRoad::TearDown();
    }
    // Camera 1 as the simulated grab camera, in long-exposure mode.
    void startCamera()
    {
        answerDriverDialog(0);
        FRM_Alv->MNU_Cam1_DemarrerClick();
        ASSERT_TRUE(GrabDevices[1]);
        FRM_Alv->SPDB_Cam1_PoseLongueClick();
        ASSERT_EQ(LongExposureRunning[1], 1);
        ports.clearWrites();
    }
    std::vector<Written> written(std::int64_t origin) const
    {
        std::vector<Written> out;
        for (const auto& w : ports.writes()) {
            EXPECT_EQ(w.address, 0x378);
            out.push_back({w.value, w.time_ms - origin});
        }
        return out;
    }
    testsupport::FakeClock clock;
};

TEST_F(LongExposureCycle, TwoExposuresOfASecondSwitchTheLinesInOrderAtTheirTimes)
{
    startCamera();
    auto* d = FRM_Longuepose;
    EXPECT_TRUE(d->isVisible());
    d->SPED_Vesta_Pose->setValue(1000);
    d->SPED_Nb_Poses->setValue(2);
    SaveFramesEnabled = 1;
    const std::int64_t t0 = clock.monotonicMs();
    d->BTN_Demarrer_Pose->click();
    EXPECT_TRUE(FRM_Alv->CKB_Longuepose_Active->isChecked());
    EXPECT_FALSE(d->CBX_TypePose->isEnabled());
    EXPECT_EQ(d->TNI_Posenum->Value(), 1);

    FRM_Alv->Timer_Cam1Timer();   // the frame tick arms the exposure timer
    EXPECT_TRUE(FRM_Alv->TMR_Exposure->isActive());
    EXPECT_EQ(FRM_Alv->TMR_Exposure->interval(), 1000);
    clock.advanceMs(850);
    FRM_Alv->Timer_Cam1Timer();   // within the lead time: the amplifier comes on
    FRM_Alv->Timer_Cam1Timer();   // already on: not written again
    clock.advanceMs(150);
    FRM_Alv->TMR_ExposureTimer();   // the exposure timer ends the first exposure
    EXPECT_EQ(d->TNI_Posenum->Value(), 2);
    EXPECT_EQ(FRM_Alv->TMR_Exposure->interval(), 100) << "the pause";
    FRM_Alv->Timer_Cam1Timer();
    EXPECT_TRUE(FRM_Alv->TMR_Exposure->isActive());
    clock.advanceMs(100);
    FRM_Alv->TMR_ExposureTimer();   // the pause ends: the second exposure
    clock.advanceMs(850);
    FRM_Alv->Timer_Cam1Timer();
    clock.advanceMs(650);
    FRM_Alv->Timer_Cam1Timer();   // half a second late: the frame tick ends it

    const std::vector<Written> expected = {
        {0x80, 0},      // switched on: odd, even, amplifier and long-exposure lines off
        {0x84, 850},    // amplifier ahead of the end
        {0x87, 1000},   // read-out: odd and even lines on
        {0x80, 1100},   // next exposure
        {0x84, 1950},
        {0x87, 2600},
        {0x8F, 2600},   // series over: every line back, the long-exposure line too
    };
    EXPECT_EQ(written(t0), expected);
    EXPECT_FALSE(FRM_Alv->CKB_Longuepose_Active->isChecked());
    EXPECT_FALSE(FRM_Alv->TMR_Exposure->isActive());
    EXPECT_EQ(d->TNI_Posenum->Value(), 0);
    EXPECT_TRUE(d->BTN_Demarrer_Pose->isEnabled());
    EXPECT_FALSE(d->BTN_Arreter_Pose->isEnabled());
    EXPECT_EQ(LastExposureDurationMs, 1500);
    EXPECT_EQ(SequenceFrameTick, 2) << "each read-out offered once, the last ending inside a frame tick";
    EXPECT_EQ(FRM_Pref->EDT_TestValue->text(), QStringLiteral("10001111"));

    // A new length applies from the next exposure.
    d->SPED_Vesta_Pose->setValue(3000);
    EXPECT_EQ(LongExposureParams.ExposureMs, 3000);
}

// A series started while no camera runs, or whose lines cannot be switched,
// does not start, and the image tool keeps what it had: the dark built
// before, its threshold and the stacking mode are not reset for exposures
// that never come.
TEST_F(LongExposureCycle, AStartWithNoCameraOrNoLinesLeavesTheDarkBuiltBefore)
{
    answerDriverDialog(0);
    FRM_Alv->MNU_Cam1_DemarrerClick();
    ASSERT_TRUE(GrabDevices[1]);
    TFRM_Tool_Images* t = FRM_Tool_Images;
    t->CKB_Integration->click();
    t->RDB_Dark->click();
    t->SPED_Nb_Bitmap->setValue(3);
    t->BTN_Demarrer_Add->click();
    for (int i = 0; i < 6 && t->BTN_Arreter_Add->isEnabled(); ++i)
        FRM_Alv->Timer_Cam1Timer();
    ASSERT_EQ(AdditionFrameCount[1], 3);
    t->RDB_Unique->click();
    t->SCB_Seuil_dark->setValue(40);
    FRM_Alv->MNU_Cam1_ArreterClick();
    ASSERT_FALSE(GrabDevices[1]);
    const auto dark = [] {
        std::uint64_t sum = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x)
                sum += DeepImagePlanes().pixel(1, x, y)[1];
        return sum;
    };
    const std::uint64_t built = dark();
    ASSERT_GT(built, 0u);
    const bool integration = t->CKB_Integration->isChecked();

    auto* d = FRM_Longuepose;
    d->CBX_TypePose->setCurrentText(QStringLiteral("Dark"));
    d->BTN_Demarrer_Pose->click();
    EXPECT_FALSE(FRM_Alv->CKB_Longuepose_Active->isChecked());
    EXPECT_TRUE(messageText().contains(TranslatedTexts.MSG_Poses_Longues_Sans_Camera)) << messageText().toStdString();
    EXPECT_EQ(AdditionFrameCount[1], 3);
    EXPECT_EQ(dark(), built);
    EXPECT_EQ(t->SCB_Seuil_dark->value(), 40);
    EXPECT_TRUE(t->RDB_Unique->isChecked());
    EXPECT_EQ(t->CKB_Integration->isChecked(), integration);
    EXPECT_TRUE(d->BTN_Demarrer_Pose->isEnabled());
    EXPECT_FALSE(d->BTN_Arreter_Pose->isEnabled());
    EXPECT_TRUE(d->CBX_TypePose->isEnabled());
    EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join(u'|').toStdString();

    // The camera runs again, but the port takes no byte: the start, clicked,
    // is refused with the port's failure and prepares nothing either.
    ASSERT_NO_FATAL_FAILURE(startCamera());
    ports.close();
    FRM_Message->MEMO_Message->clear();
    ASSERT_NO_FATAL_FAILURE(testsupport::click(d->BTN_Demarrer_Pose));
    EXPECT_FALSE(FRM_Alv->CKB_Longuepose_Active->isChecked());
    EXPECT_TRUE(messageText().contains(TranslatedTexts.MSG_Poses_Longues_Port_Ecriture.arg(QStringLiteral("0378"))))
        << messageText().toStdString();
    EXPECT_EQ(AdditionFrameCount[1], 3);
    EXPECT_EQ(dark(), built);
    EXPECT_EQ(t->SCB_Seuil_dark->value(), 40);
    EXPECT_TRUE(t->RDB_Unique->isChecked());
    EXPECT_TRUE(d->BTN_Demarrer_Pose->isEnabled());
}

TEST_F(LongExposureCycle, AStopMidSeriesLeavesTheLinesAtRestAndNothingRunsAfterIt)
{
    startCamera();
    auto* d = FRM_Longuepose;
    d->SPED_Vesta_Pose->setValue(1000);
    d->SPED_Nb_Poses->setValue(0);   // no limit
    SaveFramesEnabled = 1;
    d->BTN_Demarrer_Pose->click();
    FRM_Alv->Timer_Cam1Timer();
    clock.advanceMs(1000);
    FRM_Alv->TMR_ExposureTimer();
    FRM_Alv->Timer_Cam1Timer();
    EXPECT_EQ(SequenceFrameTick, 1) << "the read-out was offered to the sequence";
    clock.advanceMs(100);
    FRM_Alv->TMR_ExposureTimer();   // exposing again
    ports.clearWrites();
    // (The camera's tick lets the program's own exposure timer run: on a
    // busy machine it may have started the next exposure already, which
    // the call above then read out. Whatever came before the stop counts.)
    const int saved = SequenceFrameTick;

    FRM_Alv->SPDB_Cam1_StopClick();
    ASSERT_EQ(ports.writes().size(), 2u);
    EXPECT_EQ(ports.writes()[0].value, 0x8F) << "the cycle switched off";
    EXPECT_EQ(ports.writes()[1].value, 0x8F) << "the stop's rest state";
    EXPECT_FALSE(FRM_Alv->CKB_Longuepose_Active->isChecked());
    EXPECT_FALSE(FRM_Alv->TMR_Exposure->isActive());
    EXPECT_EQ(ExposureTimerRearm, 0);
    EXPECT_EQ(LongExposureRunning[1], 0);
    ports.clearWrites();

    // Ticks of the other slot, the timer handlers, a held-span measure: nothing.
    clock.advanceMs(5000);
    FRM_Alv->Timer_Cam2Timer();
    FRM_Alv->TMR_ExposureTimer();
    FRM_Alv->TMR_Exposure_GuideTimer();
    FRM_Alv->Timer_Cam2Timer();
    EXPECT_FALSE(FRM_Alv->TMR_Exposure->isActive());
    EXPECT_TRUE(ports.writes().empty());
    EXPECT_EQ(SequenceFrameTick, saved);

    // A slot never started: controls and flags only.
    FRM_Alv->MNU_Cam2_ArreterClick();
    EXPECT_TRUE(ports.writes().empty());
}

TEST_F(LongExposureCycle, SelfGuidingAlternatesTheLinesAndJoinsTwoHalvesIntoOneCountedFrame)
{
    FRM_Pref->CBX_Ligne_guidage->setCurrentIndex(0);   // "Alterner"
    startCamera();
    auto* d = FRM_Longuepose;
    d->SPED_Vesta_Pose->setValue(1);   // halves of 0 ms last 1 ms
    d->SPED_Nb_Poses->setValue(1);
    d->CKB_Selfguide_Active->setChecked(true);
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("Video1.bmp")));   // cannot be written
    FRM_Pref->CKB_Fichier_decalage->setEnabled(true);
    FRM_Pref->CKB_Fichier_decalage->setChecked(true);   // with no offset loaded: no shift
    GuideOffsetTable = {};
    const QPoint target = TrackedStarPos;
    d->BTN_Demarrer_Pose->click();
    EXPECT_EQ(FRM_Alv->TMR_Exposure->interval(), 1);
    EXPECT_EQ(LongExposureParams.GuideLineBit, LongExposureParams.OddLineBit);
    FRM_Alv->TMR_ExposureTimer();   // odd half read
    EXPECT_EQ(d->TNI_Posenum->Value(), 1) << "a half is not counted";
    EXPECT_EQ(LongExposureParams.GuideLineBit, LongExposureParams.EvenLineBit);
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("Video2.bmp"))));
    FRM_Alv->TMR_ExposureTimer();   // the pause
    FRM_Alv->TMR_ExposureTimer();   // even half read, joined, counted: the series of one ends
    EXPECT_EQ(messageText().count(QStringLiteral("enregistrer Video1.bmp")), 1) << messageText().toStdString();
    EXPECT_EQ(TrackedStarPos, target);
    EXPECT_FALSE(FRM_Alv->CKB_Longuepose_Active->isChecked());
    EXPECT_EQ(d->TNI_Posenum->Value(), 0);
}

TEST_F(LongExposureCycle, HoldspanSavesOnlyLongEnoughExposuresAndTogglesOncePerClick)
{
    startCamera();
    auto* d = FRM_Longuepose;
    EXPECT_FALSE(d->SPED_MinExp->isEnabled());
    d->CKB_Holdspan->click();
    EXPECT_TRUE(d->CKB_Holdspan->isChecked());
    EXPECT_TRUE(d->SPED_MinExp->isEnabled());
    d->CKB_Holdspan->click();
    EXPECT_FALSE(d->CKB_Holdspan->isChecked());
    EXPECT_FALSE(d->SPED_MinExp->isEnabled());
    d->CKB_Holdspan->click();
    d->SPED_MinExp->setValue(2000);
    d->SPED_Vesta_Pose->setValue(5000);
    SaveFramesEnabled = 1;
    d->BTN_Demarrer_Pose->click();
    clock.advanceMs(1500);
    FRM_Alv->TMR_ExposureTimer();   // ended early (a held span lost its star)
    EXPECT_EQ(SequenceFrameTick, 0);
    FRM_Alv->Timer_Cam1Timer();
    clock.advanceMs(100);
    FRM_Alv->TMR_ExposureTimer();
    clock.advanceMs(2500);
    FRM_Alv->TMR_ExposureTimer();
    EXPECT_EQ(SequenceFrameTick, 1);
}

TEST_F(LongExposureCycle, ClosingTheWindowDuringASeriesStopsItAndReturnsToImageMode)
{
    startCamera();
    auto* d = FRM_Longuepose;
    d->CBX_TypePose->setCurrentText(QStringLiteral("Dark"));
    d->SPED_Nb_Poses->setValue(4);
    d->BTN_Demarrer_Pose->click();
    EXPECT_TRUE(FRM_Tool_Images->CKB_Integration->isChecked());
    EXPECT_TRUE(FRM_Tool_Images->RDB_Dark->isChecked());
    EXPECT_EQ(FRM_Tool_Images->SPED_Nb_Bitmap->value(), 4);
    d->close();
    EXPECT_FALSE(FRM_Alv->CKB_Longuepose_Active->isChecked());
    EXPECT_FALSE(FRM_Tool_Images->CKB_Integration->isChecked());
    EXPECT_EQ(LongExposureRunning[1], 0);
    EXPECT_TRUE(FRM_Alv->MNU_Cam1_Image->isChecked());
    EXPECT_FALSE(FRM_Alv->MNU_Cam1_PoseLongue->isChecked());
    EXPECT_TRUE(FRM_Alv->TMR_Insiste->isActive());
    FRM_Alv->TMR_InsisteTimer();
    EXPECT_TRUE(FRM_Alv->SPDB_Cam1_Image->isChecked());
    EXPECT_FALSE(FRM_Alv->TMR_Insiste->isActive());
}

TEST_F(LongExposureCycle, StreamModeIsLeftForImageModeAndNeverStartsTwice)
{
    answerDriverDialog(0);
    FRM_Alv->MNU_Cam1_DemarrerClick();
    ASSERT_TRUE(GrabDevices[1]);
    FRM_Alv->SPDB_Cam1_StreamClick();
    ASSERT_EQ(CameraSlots[1].streamMode, 1);
    EXPECT_FALSE(FRM_Alv->Timer_Cam1->isActive());
    EXPECT_FALSE(FRM_Alv->SPDB_Cam1_Stop->isEnabled());
    EXPECT_TRUE(FRM_Alv->SPDB_Cam1_Stream->isChecked());
    FRM_Alv->MNU_Cam1_StreamClick();   // already streaming
    EXPECT_EQ(CameraSlots[1].streamMode, 1);
    FRM_Alv->MNU_Cam1_ImageClick();
    EXPECT_EQ(CameraSlots[1].streamMode, 0);
    EXPECT_TRUE(FRM_Alv->Timer_Cam1->isActive());
    EXPECT_TRUE(FRM_Alv->SPDB_Cam1_Stop->isEnabled());
    EXPECT_TRUE(FRM_Alv->SPDB_Cam1_PoseLongue->isEnabled()) << "the camera is modified";
    FRM_Alv->BTN_TurboClick(1);
    EXPECT_EQ(CameraSlots[1].streamMode, 1);
    FRM_Alv->BTN_TurboClick(1);
    EXPECT_EQ(CameraSlots[1].streamMode, 0);
}

TEST_F(LongExposureCycle, SerialLinesFollowTheirSettingsAndTheChannelClosesWithCamera2AloneOnASharedPort)
{
    platform::PseudoTerminal pty;
    ASSERT_TRUE(pty.isOpen()) << pty.error().toStdString();
    platform::com_io::SetDevicePath(7, pty.slavePath());
    std::vector<std::pair<platform::com_io::ModemLine, bool>> lines;
    platform::com_io::SetModemLineObserver([&](std::uint8_t port, platform::com_io::ModemLine line, bool raised) {
        EXPECT_EQ(port, 7);
        lines.emplace_back(line, raised);
    });
    using L = platform::com_io::ModemLine;
    FRM_Pref->RDB_QV_Serial->setChecked(true);
    FRM_Pref->CBX_Vesta_Port->clear();
    FRM_Pref->CBX_Vesta_Port->addItem(QStringLiteral("$03F8(COM7)"));
    FRM_Pref->TNI_Initialisation_RTS->SetValue(1);
    FRM_Pref->TNI_Initialisation_DTR->SetValue(0);
    FRM_Pref->TNI_LonguePose_On_RTS->SetValue(0);
    FRM_Pref->TNI_LonguePose_On_DTR->SetValue(1);
    FRM_Pref->TNI_LonguePose_Off_RTS->SetValue(1);
    FRM_Pref->TNI_LonguePose_Off_DTR->SetValue(0);
    answerDriverDialog(0);
    FRM_Alv->MNU_Cam2_DemarrerClick();
    ASSERT_TRUE(platform::com_io::channel(kLongExposureChannel).open) << messageText().toStdString();
    EXPECT_EQ(lines, (decltype(lines){{L::Rts, true}, {L::Dtr, false}}));
    lines.clear();
    FRM_Alv->MNU_Cam2_ArreterClick();
    EXPECT_EQ(lines, (decltype(lines){{L::Rts, true}, {L::Dtr, false}})) << "the read-out levels";
    EXPECT_FALSE(platform::com_io::channel(kLongExposureChannel).open);

    // The mount's page connected on the same port: its "Deconnecter" under
    // camera 2 closes its link and leaves the lines their port, which still
    // switch at the stop; camera 2's stop lets go of the lines alone, the
    // mount's link stays open and its page shows it.
    TFRM_Pref& p = *FRM_Pref;
    p.RDB_Autoguide_Aucun->setChecked(true);
    p.RDB_Mount_LX200->setChecked(true);
    p.CBX_AG_PortSerie->addItem(QStringLiteral("$03F8(COM7)"));
    p.CBX_AG_PortSerie->setCurrentIndex(p.CBX_AG_PortSerie->count() - 1);
    p.SPED_Delai_Serie->setValue(0);
    const auto startCamera2 = [&] {
        answerDriverDialog(0);
        FRM_Alv->MNU_Cam2_DemarrerClick();
        return platform::com_io::channel(kLongExposureChannel).open;
    };
    p.BTN_Mount_Connecter->click();
    ASSERT_TRUE(p.BTN_Mount_Deconnecter->isEnabled()) << boxes.texts().join('\n').toStdString();
    const std::uint8_t mountChannel = platform::com_io::find_channel(7);
    ASSERT_NE(mountChannel, 0);
    ASSERT_TRUE(startCamera2());
    ASSERT_EQ(platform::com_io::channel(kLongExposureChannel).handle, platform::com_io::channel(mountChannel).handle);
    p.BTN_Mount_Deconnecter->click();
    EXPECT_FALSE(platform::com_io::channel(mountChannel).open);
    EXPECT_TRUE(p.BTN_Mount_Connecter->isEnabled());
    lines.clear();
    FRM_Alv->MNU_Cam2_ArreterClick();
    EXPECT_EQ(lines, (decltype(lines){{L::Rts, true}, {L::Dtr, false}})) << "the lines kept their port";
    EXPECT_FALSE(platform::com_io::channel(kLongExposureChannel).open);

    p.BTN_Mount_Connecter->click();
    ASSERT_TRUE(platform::com_io::channel(mountChannel).open);
    ASSERT_TRUE(startCamera2());
    FRM_Alv->MNU_Cam2_ArreterClick();
    EXPECT_FALSE(platform::com_io::channel(kLongExposureChannel).open);
    EXPECT_TRUE(platform::com_io::channel(mountChannel).open);
    EXPECT_TRUE(p.BTN_Mount_Deconnecter->isEnabled());
    p.BTN_Mount_Deconnecter->click();
    p.RDB_Mount_Aucun->setChecked(true);
    platform::com_io::SetModemLineObserver({});

    // An entry of the shipped list past COM9 opens its own port.
    platform::com_io::SetDevicePath(12, pty.slavePath());
    FRM_Pref->CBX_Vesta_Port->clear();
    FRM_Pref->CBX_Vesta_Port->addItem(QStringLiteral("      COM12"));
    answerDriverDialog(0);
    FRM_Alv->MNU_Cam2_DemarrerClick();
    ASSERT_TRUE(platform::com_io::channel(kLongExposureChannel).open) << messageText().toStdString();
    EXPECT_EQ(platform::com_io::channel(kLongExposureChannel).port, 12);
    FRM_Alv->MNU_Cam2_ArreterClick();
    platform::com_io::ClearDevicePaths();

    // A port that cannot be opened is told, and the start goes on.
    FRM_Pref->CBX_Vesta_Port->clear();
    FRM_Pref->CBX_Vesta_Port->addItem(QStringLiteral("COM19"));
    platform::com_io::SetDevicePath(19, dir.filePath(QStringLiteral("no-such-device")));
    answerDriverDialog(0);
    FRM_Alv->MNU_Cam2_DemarrerClick();
    EXPECT_TRUE(messageText().contains(QStringLiteral("open_com, erreur = "))) << messageText().toStdString();
    EXPECT_TRUE(GrabDevices[2]);
    platform::com_io::ClearDevicePaths();
}

// The serial lines of a series are switched or the series does not run: a
// port whose adapter is missing ("comports.map" naming a device that is not
// there) is told at the camera's start and refuses every series, a port
// without modem lines (a pseudo-terminal) refuses it too, and a port that
// goes away during a series stops it at the first line it cannot switch,
// with the script waiting for it; each told once.
TEST_F(LongExposureCycle, ASeriesWhoseSerialLinesCannotBeSwitchedDoesNotRunAsIfTheyWere)
{
    FRM_Pref->RDB_QV_Serial->setChecked(true);
    FRM_Pref->CBX_Vesta_Port->clear();
    FRM_Pref->CBX_Vesta_Port->addItem(QStringLiteral("COM19"));
    FRM_Pref->TNI_LonguePose_On_RTS->SetValue(0);
    FRM_Pref->TNI_LonguePose_On_DTR->SetValue(1);
    FRM_Pref->TNI_LonguePose_Off_RTS->SetValue(1);
    FRM_Pref->TNI_LonguePose_Off_DTR->SetValue(0);
    const auto mapCom19 = [&](const QString& device) {
        QFile map(dir.filePath(QStringLiteral("comports.map")));
        ASSERT_TRUE(map.open(QIODevice::WriteOnly | QIODevice::Truncate));
        map.write(QStringLiteral("COM19=%1\n").arg(device).toUtf8());
    };
    FRM_Alv->show();
    auto* d = FRM_Longuepose;
    const QString failure = TranslatedTexts.MSG_Poses_Longues_Lignes_Serie.arg(QStringLiteral("COM19"), QString());
    const auto start = [&](const char* why) {
        FRM_Message->MEMO_Message->clear();
        answerDriverDialog(0);
        ASSERT_TRUE(chooseMenuItem(FRM_Alv->MNU_Camera1, FRM_Alv->MNU_Cam1_Demarrer)) << why;
        ASSERT_TRUE(GrabDevices[1]) << why;
        ASSERT_NO_FATAL_FAILURE(testsupport::click(FRM_Pref->RDB_WM_Expert));   // the full tool bar
        ASSERT_NO_FATAL_FAILURE(testsupport::click(FRM_Alv->SPDB_Cam1_PoseLongue));
        ASSERT_EQ(LongExposureRunning[1], 1) << why;
        d->SPED_Vesta_Pose->setValue(1000);
        d->SPED_Nb_Poses->setValue(0);
    };
    const auto expectRefused = [&](const char* why, const QString& cause) {
        FRM_Message->MEMO_Message->clear();
        ASSERT_NO_FATAL_FAILURE(testsupport::click(d->BTN_Demarrer_Pose));
        EXPECT_FALSE(FRM_Alv->CKB_Longuepose_Active->isChecked()) << why;
        EXPECT_TRUE(d->BTN_Demarrer_Pose->isEnabled()) << why;
        EXPECT_FALSE(d->BTN_Arreter_Pose->isEnabled()) << why;
        FRM_Alv->Timer_Cam1Timer();
        EXPECT_FALSE(FRM_Alv->TMR_Exposure->isActive()) << why;
        EXPECT_EQ(messageText().count(failure), 1) << why << ": " << messageText().toStdString();
        EXPECT_TRUE(messageText().contains(cause)) << why << ": " << messageText().toStdString();
    };

    // The adapter is not plugged in.
    ASSERT_NO_FATAL_FAILURE(mapCom19(dir.filePath(QStringLiteral("ttyUSB-absent"))));
    ASSERT_NO_FATAL_FAILURE(start("missing adapter"));
    EXPECT_EQ(messageText().count(QStringLiteral("open_com, erreur = 2")), 1) << messageText().toStdString();
    expectRefused("missing adapter", QStringLiteral("set_modem_line, erreur = "));
    FRM_Alv->MNU_Cam1_ArreterClick();

    // A device without modem lines.
    platform::PseudoTerminal pty;
    ASSERT_TRUE(pty.isOpen()) << pty.error().toStdString();
    ASSERT_NO_FATAL_FAILURE(mapCom19(pty.slavePath()));
    ASSERT_NO_FATAL_FAILURE(start("pseudo-terminal"));
    ASSERT_TRUE(platform::com_io::channel(kLongExposureChannel).open) << messageText().toStdString();
    EXPECT_EQ(messageText().count(failure), 1) << "the camera's start: " << messageText().toStdString();
    expectRefused("pseudo-terminal", pty.slavePath());

    // Lines that switch (seen on their way to the device) until the device
    // goes away between two exposures of a series a script waits for.
    using L = platform::com_io::ModemLine;
    std::vector<std::pair<L, bool>> lines;
    platform::com_io::SetModemLineObserver([&](std::uint8_t, L line, bool raised) { lines.emplace_back(line, raised); });
    FRM_Message->MEMO_Message->clear();
    boxes.clear();
    runScriptText(QStringLiteral("longexposure(startwait)\nmessage.show(\"after\")"));
    ASSERT_TRUE(QTest::qWaitFor([] { return FRM_Alv->CKB_Longuepose_Active->isChecked(); }, 5000));
    ASSERT_TRUE(Scripts::WaitLongExposure);
    FRM_Alv->Timer_Cam1Timer();
    clock.advanceMs(1000);
    FRM_Alv->TMR_ExposureTimer();
    ASSERT_EQ(d->TNI_Posenum->Value(), 2);
    EXPECT_EQ(lines, (decltype(lines){{L::Rts, false}, {L::Dtr, true}, {L::Rts, true}, {L::Dtr, false}}))
        << "exposing, then read-out";
    FRM_Alv->Timer_Cam1Timer();
    platform::com_io::SetModemLineObserver({});
    pty.hangUp();
    clock.advanceMs(100);
    FRM_Alv->TMR_ExposureTimer();
    EXPECT_FALSE(FRM_Alv->CKB_Longuepose_Active->isChecked());
    EXPECT_TRUE(d->BTN_Demarrer_Pose->isEnabled());
    EXPECT_FALSE(Scripts::ScriptRunning);
    EXPECT_FALSE(Scripts::WaitLongExposure);
    EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join(u'|').toStdString();
    clock.advanceMs(5000);
    FRM_Alv->Timer_Cam1Timer();
    FRM_Alv->MNU_Cam1_ArreterClick();
    EXPECT_EQ(d->TNI_Posenum->Value(), 2) << "nothing more counted";
    EXPECT_EQ(messageText().count(failure), 1) << messageText().toStdString();
}

TEST_F(CameraRoad, APluginSeriesOfThreeSavesThreeExposuresBrighterThanVideoAndResumesTheScript)
{
    ASSERT_NO_FATAL_FAILURE(useSimulatorPlugin());
    FRM_Tool_Affichage->CBX_Cam1_IPS->setCurrentText(QStringLiteral("Auto"));
    const QString folder = dir.filePath(QStringLiteral("m51"));
    ASSERT_TRUE(QDir().mkpath(folder));
    answerDriverDialog(1);   // after the simulated grab camera: the plug-in's first camera
    FRM_Alv->MNU_Cam1_DemarrerClick();
    ASSERT_EQ(CameraSlots[1].sourceKind, 3);
    QElapsedTimer waited;
    waited.start();
    while (FrameCounters[1] < 3 && waited.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_GE(FrameCounters[1], 3) << "the camera's video runs";
    FRM_Script->Memo_Script->setPlainText(QStringLiteral("camera.mode(1,longexposure)\n"
                                                         "longexposure.length(2000)\nlongexposure.count(3)\n"
                                                         "longexposure.type(image)\n"
                                                         "image.sequence.prefix(\"%1/m51_\")\nimage.sequence(start)\n"
                                                         "longexposure(startwait)\nimage.sequence(stop)\ncamera(1,stop)")
                                              .arg(folder));
    FRM_Script->MNU_ExecuterDuDebutClick(FRM_Script->MNU_ExecuterDuDebut);
    QElapsedTimer t;
    t.start();
    while (Scripts::ScriptRunning && t.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_FALSE(Scripts::ScriptRunning) << messageText().toStdString();
    EXPECT_EQ(CameraSlots[1].pluginHandle, 0) << "the script went on to the camera's stop";

    // The sequence's start saved the live video frame; the series three exposures.
    QStringList files = QDir(folder).entryList(QDir::Files, QDir::Name);
    QString levels;
    for (const QString& f : files)
        levels += f + QStringLiteral("=") + QString::number(meanLevel(QImage(folder + u'/' + f))) + u' ';
    ASSERT_EQ(files.size(), 4) << levels.toStdString();
    const double video = meanLevel(QImage(folder + u'/' + files.takeFirst()));
    EXPECT_GT(video, 0) << "a video frame";
    for (const QString& f : files)
        EXPECT_GT(meanLevel(QImage(folder + u'/' + f)), video + 1) << f.toStdString();
}

TEST_F(LongExposureCycle, TheGuideExposureWaitsForTheMainReadOutWithoutSpinningAndSwitchesOnlyItsLine)
{
    FRM_Pref->CBX_Ligne_guidage->setCurrentIndex(1);   // "Lignes impaires"
    startCamera();
    auto* d = FRM_Longuepose;
    d->CKB_Selfguide_Active->setChecked(true);
    d->SPED_Vesta_Pose_Guidage->setValue(700);
    d->BTN_Demarrer_Pose->click();
    FRM_Alv->Timer_Cam1Timer();
    EXPECT_TRUE(FRM_Alv->TMR_Exposure_Guide->isActive());
    EXPECT_EQ(FRM_Alv->TMR_Exposure_Guide->interval(), 700);
    FRM_Alv->TMR_Exposure_GuideTimer();   // a guide exposure starts
    EXPECT_EQ(LongExposureParams.GuideArmed, 1);
    ports.clearWrites();

    MainReadoutDone = 0;   // the main read-out is being made
    FRM_Alv->TMR_Exposure_GuideTimer();
    EXPECT_TRUE(ports.writes().empty());
    EXPECT_TRUE(FRM_Alv->TMR_Exposure_Guide->isActive()) << "it tries again shortly";
    EXPECT_LT(FRM_Alv->TMR_Exposure_Guide->interval(), 700);
    MainReadoutDone = 1;
    FRM_Alv->TMR_Exposure_GuideTimer();
    ASSERT_EQ(ports.writes().size(), 1u);
    EXPECT_EQ(ports.writes()[0].value, 0x85) << "the odd line and the amplifier";
    EXPECT_EQ(LongExposureParams.GuideArmed, 0);
    EXPECT_EQ(GuideTimerRearm, 1);
    EXPECT_EQ(FRM_Alv->TMR_Exposure_Guide->interval(), 100);
    ports.clearWrites();

    // The main read-out of a self-guided exposure leaves the guide line alone.
    clock.advanceMs(5000);
    FRM_Alv->TMR_ExposureTimer();
    ASSERT_FALSE(ports.writes().empty());
    EXPECT_EQ(ports.writes().back().value & 0x01, 0x01) << "left as the guide cycle put it";
    EXPECT_EQ(ports.writes().back().value & 0x06, 0x06) << "even line and amplifier on";
}

TEST_F(LongExposureCycle, TheExposureOfADetectionActionIsSingleAndAPortWithoutAddressIsToldOnce)
{
    startCamera();
    auto* d = FRM_Longuepose;
    d->SPED_Nb_Poses->setValue(5);
    d->BTN_Demarrer_Pose->click();
    MotionFired = 1;
    clock.advanceMs(5000);
    FRM_Alv->TMR_ExposureTimer();
    EXPECT_EQ(MotionFired, 0);
    EXPECT_FALSE(FRM_Alv->CKB_Longuepose_Active->isChecked());
    EXPECT_EQ(ExposureTimerRearm, 0);
    d->BTN_Arreter_Pose->click();

    // The exposure a detection action started, cut short by the camera's
    // stop from its menu, frees detection as its own end does.
    FRM_Prg_Action->CKB_Action_Pose_longue->setChecked(true);
    Align_V::RunMotionActions();
    ASSERT_TRUE(FRM_Alv->CKB_Longuepose_Active->isChecked());
    ASSERT_EQ(MotionFired, 1);
    EXPECT_TRUE(testsupport::chooseMenuItem(FRM_Alv->MNU_Camera1, FRM_Alv->MNU_Cam1_Arreter));
    EXPECT_FALSE(FRM_Alv->CKB_Longuepose_Active->isChecked());
    EXPECT_EQ(MotionFired, 0) << "detection held for an exposure that was stopped";
    FRM_Prg_Action->CKB_Action_Pose_longue->setChecked(false);
    startCamera();

    // A port without address switches no line: no series starts on it, and
    // each start the user asks for is told once.
    FRM_Pref->CBX_Vesta_Port->clear();
    FRM_Pref->CBX_Vesta_Port->addItem(QStringLiteral("LPT?"));
    FRM_Message->MEMO_Message->clear();
    ports.clearWrites();
    d->BTN_Demarrer_Pose->click();
    EXPECT_FALSE(FRM_Alv->CKB_Longuepose_Active->isChecked());
    EXPECT_TRUE(d->BTN_Demarrer_Pose->isEnabled());
    d->BTN_Arreter_Pose->click();
    d->BTN_Demarrer_Pose->click();
    FRM_Alv->Timer_Cam1Timer();
    EXPECT_FALSE(FRM_Alv->TMR_Exposure->isActive());
    EXPECT_TRUE(ports.writes().empty());
    EXPECT_EQ(messageText().count(QStringLiteral("adresse")), 2) << messageText().toStdString();
}

// The lines of a series through the parallel port reach the port or the
// series does not run: a port whose device is missing from the machine
// ("ports.map" naming a device that is not there) refuses the start, told
// once, the long-exposure window offering its start again, a script's
// longexposure(startwait) failing; a port that stops taking the bytes
// during a series stops it at that line, and a script waiting for it.
TEST_F(LongExposureCycle, ASeriesWhoseParallelLinesCannotBeWrittenDoesNotRunAsIfTheyWere)
{
    startCamera();
    auto* d = FRM_Longuepose;
    d->SPED_Vesta_Pose->setValue(1000);
    d->SPED_Nb_Poses->setValue(0);
    const QString failure = TranslatedTexts.MSG_Poses_Longues_Port_Ecriture.arg(QStringLiteral("0378"));
    const auto expectOff = [&](const char* why) {
        EXPECT_FALSE(FRM_Alv->CKB_Longuepose_Active->isChecked()) << why;
        EXPECT_FALSE(FRM_Alv->TMR_Exposure->isActive()) << why;
        EXPECT_TRUE(d->BTN_Demarrer_Pose->isEnabled()) << why;
        EXPECT_FALSE(d->BTN_Arreter_Pose->isEnabled()) << why;
        EXPECT_EQ(messageText().count(failure), 1) << why << ": " << messageText().toStdString();
    };

    // The port stops taking bytes between two exposures of a series that a
    // script waits for.
    runScriptText(QStringLiteral("longexposure(startwait)\nmessage.show(\"after\")"));
    ASSERT_TRUE(QTest::qWaitFor([] { return FRM_Alv->CKB_Longuepose_Active->isChecked(); }, 5000));
    ASSERT_TRUE(Scripts::WaitLongExposure);
    FRM_Alv->Timer_Cam1Timer();
    clock.advanceMs(1000);
    FRM_Alv->TMR_ExposureTimer();   // the first read-out
    ASSERT_EQ(d->TNI_Posenum->Value(), 2);
    FRM_Alv->Timer_Cam1Timer();
    ports.close();
    clock.advanceMs(100);
    FRM_Alv->TMR_ExposureTimer();   // the second exposure cannot start
    expectOff("the port gone during the series");
    EXPECT_FALSE(Scripts::ScriptRunning);
    EXPECT_FALSE(Scripts::WaitLongExposure);
    EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join(u'|').toStdString();
    clock.advanceMs(5000);
    FRM_Alv->Timer_Cam1Timer();
    FRM_Alv->TMR_ExposureTimer();
    EXPECT_EQ(d->TNI_Posenum->Value(), 2) << "nothing more counted";

    // The ports of the machine, the parallel port's device missing.
    QFile map(dir.filePath(QStringLiteral("ports.map")));
    ASSERT_TRUE(map.open(QIODevice::WriteOnly));
    map.write(QStringLiteral("0378=%1\n").arg(dir.filePath(QStringLiteral("parport0"))).toUtf8());
    map.close();
    platform::LinuxPortAccess machine([&] { return platform::loadPortMap(dir.path()); }, platform::systemPortDeviceIo());
    platform::setPortAccess(&machine);
    Systeme::ClosePortDriver();
    FRM_Message->MEMO_Message->clear();
    Systeme::OpenPortDriver();
    ASSERT_TRUE(messageText().contains(QStringLiteral("parport0"))) << messageText().toStdString();
    ASSERT_NO_FATAL_FAILURE(testsupport::click(d->BTN_Demarrer_Pose));
    expectOff("a missing device");
    boxes.clear();
    runScriptText(QStringLiteral("longexposure(startwait)\nmessage.show(\"after\")"));
    EXPECT_TRUE(QTest::qWaitFor([] { return !Scripts::ScriptRunning; }, 5000));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Line 1 : startwait")});
    EXPECT_FALSE(Scripts::WaitLongExposure);
    EXPECT_EQ(messageText().count(failure), 2) << "once per start asked for";
    Systeme::ClosePortDriver();
    platform::setPortAccess(&ports);
}

TEST_F(CameraRoad, APluginExposureEndsWithItsImageOnlyAndAStopNeverWaitsForIt)
{
    using Deliver = std::int32_t (*)(std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::uint8_t);
    testsupport::FakeClock clock;
    usePlugins({QStringLiteral("NJ_Pair1")});
    auto deliver = reinterpret_cast<Deliver>(pluginFunction(QStringLiteral("NJ_Pair1"), "fake_deliver"));
    ASSERT_TRUE(deliver);
    FRM_Tool_Affichage->CBX_Cam1_IPS->setCurrentText(QStringLiteral("Auto"));
    answerDriverDialog(2);   // after the simulated grab camera: plug-in camera 1
    FRM_Alv->MNU_Cam1_DemarrerClick();
    ASSERT_EQ(CameraSlots[1].sourceKind, 3);
    const std::int32_t h = CameraSlots[1].pluginHandle;
    FRM_Alv->MNU_Cam1_PoseLongueClick();
    EXPECT_TRUE(FRM_Alv->Timer_Cam1->isActive()) << "frames paced at 200 ms";
    EXPECT_EQ(FRM_Alv->Timer_Cam1->interval(), 200);
    auto* d = FRM_Longuepose;
    d->SPED_Vesta_Pose->setValue(1000);
    d->BTN_Demarrer_Pose->click();
    ASSERT_TRUE(FRM_Alv->CKB_Longuepose_Active->isChecked());
    EXPECT_EQ(LongExposureParams.ExposureArmed, 0) << "nothing exposes before the first start";

    FRM_Alv->Timer_Cam1Timer();
    FRM_Alv->TMR_ExposureTimer();   // the first exposure starts
    EXPECT_TRUE(PluginExposurePending);
    clock.advanceMs(5000);
    FRM_Alv->Timer_Cam1Timer();   // long past its length: the exposure waits for its image
    EXPECT_EQ(d->TNI_Posenum->Value(), 1);

    SaveFramesEnabled = 1;
    FRM_Tool_Images->SPED_Freq_Sauve->setValue(1);
    int saved = SequenceFrameTick;
    deliver(h, h, 320, 240, 200);
    QCoreApplication::processEvents();
    EXPECT_EQ(d->TNI_Posenum->Value(), 2);
    EXPECT_FALSE(PluginExposurePending);
    EXPECT_EQ(SlotBitmaps[1][0]->scanLine(10)[30], 200) << "the image is the exposure";
    EXPECT_EQ(SequenceFrameTick, saved + 1) << "the exposure went to the saver";

    // An image past the program's limit is told and ends its exposure; the
    // live bitmap still holds the previous one, which is not shown or saved
    // again as this exposure.
    FRM_Message->MEMO_Message->clear();
    saved = SequenceFrameTick;
    FRM_Alv->Timer_Cam1Timer();
    FRM_Alv->TMR_ExposureTimer();
    ASSERT_TRUE(PluginExposurePending);
    clock.advanceMs(1000);
    deliver(h, h, 1400, 1000, 90);
    QCoreApplication::processEvents();
    EXPECT_FALSE(PluginExposurePending) << "the exposure does not wait for an image that will not come";
    EXPECT_EQ(d->TNI_Posenum->Value(), 3);
    EXPECT_EQ(SequenceFrameTick, saved) << "the previous exposure is not saved again";
    EXPECT_EQ(messageText().count(QStringLiteral("La taille actuelle est 1400x1000")), 1)
        << messageText().toStdString();
    SaveFramesEnabled = 0;

    FRM_Alv->Timer_Cam1Timer();
    FRM_Alv->TMR_ExposureTimer();   // the next one, whose image never comes
    EXPECT_TRUE(PluginExposurePending);
    FRM_Alv->MNU_Cam1_ArreterClick();
    EXPECT_FALSE(FRM_Alv->CKB_Longuepose_Active->isChecked());
    EXPECT_FALSE(PluginExposurePending);
    EXPECT_FALSE(FRM_Alv->TMR_Exposure->isActive());
    EXPECT_EQ(CameraSlots[1].pluginHandle, 0);
}

// A USB camera whose exposures the camera-control library triggers: the level
// chosen in the Preferences is sent at the camera start, at each exposure
// start and end of a series of three, and when the series stops.
TEST_F(LongExposureCycle, TheCameraControlLibraryGetsTheLevelsOfTheChosenModeThroughASeries)
{
    CameraControlProbe probe;
    ASSERT_NO_FATAL_FAILURE(probe.open(dir));
    ASSERT_TRUE(Align_V::LoadLedControlDll());   // kept loaded from one camera start to the next
    FRM_Pref->RDB_QV_USB->click();
    EXPECT_FALSE(FRM_Pref->GRB_QV_USB->isHidden()) << "the library's levels in place of the port lines";
    EXPECT_TRUE(FRM_Pref->GRB_QV_Parallel->isHidden());
    EXPECT_TRUE(FRM_Pref->GRB_QV_Serial->isHidden());
    EXPECT_TRUE(FRM_Pref->RDB_Ledlex_on_blink->isChecked()) << "blinking at first";
    auto* d = FRM_Longuepose;

    const auto series = [&](QRadioButton* mode) {
        mode->click();
        probe.reset(0, 0, 0, 0);
        startCamera();
        d->SPED_Vesta_Pose->setValue(1000);
        d->SPED_Nb_Poses->setValue(3);
        d->BTN_Demarrer_Pose->click();
        for (int i = 0; i < 3; ++i) {
            FRM_Alv->Timer_Cam1Timer();   // arms the exposure timer
            clock.advanceMs(1000);
            FRM_Alv->TMR_ExposureTimer();   // read-out
            if (i == 2)
                break;
            FRM_Alv->Timer_Cam1Timer();
            clock.advanceMs(100);
            FRM_Alv->TMR_ExposureTimer();   // the pause is over
        }
        EXPECT_FALSE(FRM_Alv->CKB_Longuepose_Active->isChecked()) << "the series is over";
        const std::string out = probe.calls();
        FRM_Alv->MNU_Cam1_ArreterClick();
        return out;
    };
    // "Fixe (0)": 0 at rest, 1 while exposing.
    EXPECT_EQ(series(FRM_Pref->RDB_Ledlex_off_fixe), "InitLedCtrl,EnumCams,SetCam(0),CamTrigger(0),"   // start
                                                     "CamTrigger(1),CamTrigger(0),"   // first exposure
                                                     "CamTrigger(1),CamTrigger(0),"   // second
                                                     "CamTrigger(1),CamTrigger(0),"   // third
                                                     "CamTrigger(0)");                // series over
    EXPECT_FALSE(FRM_Pref->RDB_Ledlex_on_blink->isChecked());
    // "Blink (1)": 1 at rest, 0 while exposing.
    EXPECT_EQ(series(FRM_Pref->RDB_Ledlex_on_blink), "InitLedCtrl,EnumCams,SetCam(0),CamTrigger(1),"
                                                      "CamTrigger(0),CamTrigger(1),"
                                                      "CamTrigger(0),CamTrigger(1),"
                                                      "CamTrigger(0),CamTrigger(1),"
                                                      "CamTrigger(1)");
    EXPECT_TRUE(messageText().contains(QStringLiteral("ResLedLex = 0")));
    EXPECT_TRUE(ports.writes().empty()) << "no port line is touched";

    // A library that found no camera triggers nothing: no series starts.
    probe.reset(0, 2, 0, 0);
    startCamera();
    FRM_Message->MEMO_Message->clear();
    ASSERT_NO_FATAL_FAILURE(testsupport::click(d->BTN_Demarrer_Pose));
    EXPECT_FALSE(FRM_Alv->CKB_Longuepose_Active->isChecked());
    EXPECT_TRUE(d->BTN_Demarrer_Pose->isEnabled());
    EXPECT_EQ(messageText(), QStringLiteral("EnumCams = -1 !!"));
    EXPECT_STREQ(probe.calls(), "InitLedCtrl,EnumCams");
    FRM_Alv->MNU_Cam1_ArreterClick();
    probe.unload();
    Align_V::FreeLedControlDll();
}
