// The views' mouse handling driven through the real widgets: clicks place
// the tracking and display zones, ask the mount for corrections, set the
// reticle's centre and the distance measure; moves report pixels and drag
// the zones.

#include "pipeline_fixture.h"

#include "app/frm_alv.h"
#include "app/frm_pref.h"
#include "app/helpers/calc_helpers.h"
#include "app/settings.h"
#include "capture/camera_slots.h"
#include "imaging/display_zone.h"
#include "imaging/image_mouse.h"
#include "imaging/pipeline_state.h"
#include "kernels/raster.h"
#include "telescope/frm_prg_suivi.h"
#include "telescope/frm_tool_suivi.h"
#include "telescope/tracking/tracking_state.h"
#include "tools/frm_info.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_images.h"
#include "tools/frm_tool_mesures.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QTest>

namespace {

class ImageMouse : public PipelineTest {
protected:
    void SetUp() override
    {
        PipelineTest::SetUp();
        FRM_Alv->setEnabled(true);   // as after its first activation
        // Slot 1 delivers frames: its frame timer runs (it never fires here).
        FRM_Alv->Timer_Cam1->start(3'600'000);
        FRM_Tool_Suivi->CKB_Suivi->setChecked(false);
        FRM_Tool_Affichage->CKB_Zones_Liees->setChecked(false);
        FRM_Pref->RDB_Mount_Aucun->setChecked(true);
        MouseButtonHeld.fill(0);
        PipelineActive = 0;
    }
    void TearDown() override
    {
        FRM_Alv->Timer_Cam1->stop();
        FRM_Alv->Timer_Cam2->stop();
        PipelineTest::TearDown();
    }

    static void click(QWidget* view, QPoint at, Qt::KeyboardModifiers keys = {}, Qt::MouseButton b = Qt::LeftButton)
    {
        QTest::mouseClick(view, b, keys, at);
    }
    // A pointer move with these buttons and keys down, as the window system
    // sends it.
    static void move(QWidget* view, QPoint at, Qt::MouseButtons buttons, Qt::KeyboardModifiers keys = {})
    {
        QMouseEvent e(QEvent::MouseMove, QPointF(at), view->mapToGlobal(QPointF(at)), Qt::NoButton, buttons, keys);
        QCoreApplication::sendEvent(view, &e);
    }
    static void flush() { QCoreApplication::processEvents(); }

    // The direction of the last correction sent, or empty.
    static QString correction() { return FRM_Prg_Suivi->EDT_Sens_Erreur->text(); }
};

} // namespace

TEST_F(ImageMouse, APlainLeftClickPlacesTheTrackingZoneAndTheDisplayZoneStaysUnlessLinked)
{
    TrackAverageCount = 7;
    clock.setWall(QDateTime(QDate(2026, 12, 7), QTime(1, 2, 3, 400)));
    click(FRM_Alv->Image1, QPoint(100, 80));
    EXPECT_EQ(TrackedStarPos, QPoint(100, 80));
    EXPECT_EQ(DisplayZoneCenter, QPoint(100, 80));
    // The offset takes back the star's move: the display zone is still.
    EXPECT_EQ(DisplayZoneOffset, QPoint(220, 160));
    EXPECT_EQ(DisplayZoneCenter + DisplayZoneOffset, QPoint(320, 240));
    EXPECT_EQ(TrackedStarPosF, QPointF(100, 80));
    EXPECT_EQ(TrackTimeStamp.Time, ((1 * 60 + 2) * 60 + 3) * 1000 + 400);
    EXPECT_EQ(TrackTimeStamp.Date, QDate(1899, 12, 30).daysTo(QDate(2026, 12, 7)));
    EXPECT_EQ(TrackAverageCount, 0);
    EXPECT_EQ(PipelineActive, 1);
    EXPECT_EQ(MouseButtonHeld, (std::array<std::uint8_t, 3>{}));

    // Linked zones: the display zone moves with the star.
    FRM_Tool_Affichage->CKB_Zones_Liees->setChecked(true);
    click(FRM_Alv->Image1, QPoint(200, 150));
    EXPECT_EQ(TrackedStarPos, QPoint(200, 150));
    EXPECT_EQ(DisplayZoneOffset, QPoint(220, 160));

    // Another slot shown: the guided slot's zone moves, the offset is kept.
    FRM_Tool_Affichage->CKB_Zones_Liees->setChecked(false);
    CurrentCameraSlot = 2;
    click(FRM_Alv->Image1, QPoint(10, 20));
    EXPECT_EQ(TrackedStarPos, QPoint(10, 20));
    EXPECT_EQ(DisplayZoneCenter, QPoint(200, 150));
    EXPECT_EQ(DisplayZoneOffset, QPoint(220, 160));
    EXPECT_TRUE(reports.isEmpty()) << reports.join('\n').toStdString();
}

TEST_F(ImageMouse, APlainClickWithTrackingOnRunsOneStepTakesTheReferenceAndRecentres)
{
    // The brightest star well inside the frame.
    auto stars = field.stars();
    std::erase_if(stars, [](const auto& s) { return s.x < 40 || s.y < 40 || s.x > 600 || s.y > 440; });
    const auto best = *std::max_element(stars.begin(), stars.end(),
                                        [](const auto& a, const auto& b) { return a.peak < b.peak; });
    const QPoint star(int(std::lround(best.x)), int(std::lround(best.y)));
    auto* s = FRM_Tool_Suivi;
    {
        const QSignalBlocker quiet(s->CKB_Suivi);
        s->CKB_Suivi->setChecked(true);
    }
    s->RDB_Somax->setChecked(true);
    FRM_Tool_Affichage->TNI_Taille_ZDetect->SetValue(30);
    const QPoint near = star + QPoint(3, -2);
    click(FRM_Alv->Image1, near);
    EXPECT_LE(std::abs(TrackedStarPos.x() - star.x()) + std::abs(TrackedStarPos.y() - star.y()), 2)
        << "one tracking step found the star: " << TrackedStarPos.x() << "," << TrackedStarPos.y();
    EXPECT_EQ(TrackedStarPosF, QPointF(near));

    // Correlation: the reference is the zone around the click; re-centring
    // aims at the click.
    s->RDB_Correlation->setChecked(true);
    {
        // Ticked as if a mount were chosen: the box itself refuses with none.
        const QSignalBlocker quiet(s->CKB_Recentrage);
        s->CKB_Recentrage->setChecked(true);
    }
    GuideReference = {};
    click(FRM_Alv->Image1, star);
    EXPECT_EQ(GuideReference.bitmap.width(), 30);
    EXPECT_GT(GuideReference.sumSq, 0) << "a star in the reference";
    EXPECT_EQ(RecentreTarget, star);
}

TEST_F(ImageMouse, ShiftCentresTheZonesAndARightClickPlacesTheDisplayZone)
{
    click(FRM_Alv->Image1, QPoint(100, 80));
    click(FRM_Alv->Image1, QPoint(5, 5), Qt::ShiftModifier);
    EXPECT_EQ(TrackedStarPos, QPoint(320, 240));

    DisplayZoneCenter = QPoint(300, 200);
    click(FRM_Alv->Image1, QPoint(5, 5), Qt::ShiftModifier, Qt::RightButton);
    EXPECT_EQ(DisplayZoneOffset, QPoint(20, 40));
    click(FRM_Alv->Image1, QPoint(400, 260), {}, Qt::RightButton);
    EXPECT_EQ(DisplayZoneOffset, QPoint(100, 60));
    EXPECT_EQ(TrackedStarPos, QPoint(320, 240)) << "the right button leaves the tracking zone";
    // Alt, Ctrl and their pairs do nothing with the right button.
    for (Qt::KeyboardModifiers keys : {Qt::KeyboardModifiers(Qt::AltModifier), Qt::KeyboardModifiers(Qt::ControlModifier),
                                       Qt::ControlModifier | Qt::ShiftModifier})
        click(FRM_Alv->Image1, QPoint(1, 1), keys, Qt::RightButton);
    EXPECT_EQ(DisplayZoneOffset, QPoint(100, 60));
}

TEST_F(ImageMouse, CtrlShiftAndCtrlAltAskTheMountToMoveOnlyWhenThereIsOne)
{
    TrackedStarPos = QPoint(300, 200);
    click(FRM_Alv->Image1, QPoint(312, 200), Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(correction().isEmpty()) << "no mount: nothing is sent";
    EXPECT_EQ(TrackedStarPos, QPoint(300, 200));

    FRM_Pref->RDB_Mount_LX200->setChecked(true);
    FRM_Tool_Mesures->TNI_Orient->SetValue(0);
    click(FRM_Alv->Image1, QPoint(312, 200), Qt::ControlModifier | Qt::ShiftModifier);
    const QString toward = correction();
    ASSERT_FALSE(toward.isEmpty());
    FRM_Prg_Suivi->EDT_Sens_Erreur->clear();
    click(FRM_Alv->Image1, QPoint(312, 200), Qt::ControlModifier | Qt::AltModifier);
    const QString away = correction();
    ASSERT_FALSE(away.isEmpty());
    EXPECT_NEAR(std::fmod(toward.toDouble() - away.toDouble() + 360, 360), 180, 1e-6)
        << "toward " << toward.toStdString() << ", away " << away.toStdString();
    EXPECT_EQ(TrackedStarPos, QPoint(300, 200)) << "corrections leave the zone";

    // On the second view Ctrl+Alt is a plain click.
    GuideSourceSlot = CurrentCameraSlot = 2;
    CameraSlots[2].width = 640;
    CameraSlots[2].height = 480;
    FRM_Alv->Timer_Cam2->start(3'600'000);
    FRM_Prg_Suivi->EDT_Sens_Erreur->clear();
    click(FRM_Alv->Image2, QPoint(50, 60), Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(TrackedStarPos, QPoint(50, 60));
    EXPECT_TRUE(correction().isEmpty());
}

TEST_F(ImageMouse, CtrlSetsTheReticleCentreAndAltMeasuresTheDistance)
{
    auto* m = FRM_Tool_Mesures;
    const auto overlayLit = [] {
        const kernels::Bitmap24& b = OverlayBitmap->bitmap;
        return std::any_of(b.bits(), b.bits() + b.byteCount(), [](std::uint8_t v) { return v != 0; });
    };
    // With the reticle: drawn at the click, with its cross.
    m->CKB_Reticule->setChecked(true);
    m->CKB_Croix->setChecked(true);
    m->TNI_Orient->SetValue(0);
    click(FRM_Alv->Image1, QPoint(200, 100), Qt::ControlModifier);
    EXPECT_EQ(MeasureCentre, QPoint(200, 100));
    EXPECT_EQ(kernels::pixel(OverlayBitmap->bitmap, 260, 100) & 0xFF, 255u) << "the cross's red arm";
    // Without it: the overlay is cleared, the centre still set.
    m->CKB_Reticule->setChecked(false);
    click(FRM_Alv->Image1, QPoint(123, 45), Qt::ControlModifier);
    EXPECT_EQ(MeasureCentre, QPoint(123, 45));
    EXPECT_FALSE(overlayLit());
    EXPECT_EQ(TrackedStarPos, QPoint(320, 240)) << "Ctrl alone leaves the tracking zone";

    // On the second view only with the reticle shown.
    GuideSourceSlot = CurrentCameraSlot = 2;
    CameraSlots[2].width = 640;
    CameraSlots[2].height = 480;
    FRM_Alv->Timer_Cam2->start(3'600'000);
    click(FRM_Alv->Image2, QPoint(7, 8), Qt::ControlModifier);
    EXPECT_EQ(MeasureCentre, QPoint(123, 45));
    m->CKB_Reticule->setChecked(true);
    click(FRM_Alv->Image2, QPoint(7, 8), Qt::ControlModifier);
    EXPECT_EQ(MeasureCentre, QPoint(7, 8));
    GuideSourceSlot = CurrentCameraSlot = 1;

    // Two Alt-clicks 5 pixels apart at 2"/pixel: 10 seconds of arc; at a
    // distance of 1000 that spans 2 x 1000 x tan(5") = 0.0485.
    m->TNI_Echantillonnage->SetValue(2);
    m->TNI_DistObjet->SetValue(1000);
    click(FRM_Alv->Image1, QPoint(10, 10), Qt::AltModifier);
    click(FRM_Alv->Image1, QPoint(13, 14), Qt::AltModifier);
    EXPECT_EQ(PreviousMeasurePoint, QPoint(10, 10));
    EXPECT_EQ(MeasurePoint, QPoint(13, 14));
    EXPECT_EQ(MeasureDelta, QPoint(3, 4));
    EXPECT_DOUBLE_EQ(MeasuredAngle, 10);
    EXPECT_EQ(m->EDT_Angle_Calcule->text(), CalcHelpers::DecToStr(10));
    EXPECT_EQ(m->EDT_Distance_Calculee->text(), QStringLiteral("0.0485"));
    EXPECT_NEAR(MeasuredSize, 2000 * std::tan(5.0 / 648000 * M_PI), 1e-12);
    // The measurement window recomputes it by name when its scale changes.
    m->TNI_Echantillonnage->SetValue(4);
    ASSERT_TRUE(Settings::RunHandler(QStringLiteral("Align_V.UpdateDistanceMeasure")));
    EXPECT_DOUBLE_EQ(MeasuredAngle, 20);
}

TEST_F(ImageMouse, DuringADarkOrFlatOnlyCtrlAndAltActAndNothingOnANonLiveSlot)
{
    auto* t = FRM_Tool_Images;
    {
        const QSignalBlocker a(t->RDB_Dark), b(t->CKB_Integration);
        t->RDB_Dark->setChecked(true);
        t->CKB_Integration->setChecked(true);
    }
    TrackAverageCount = 3;
    click(FRM_Alv->Image1, QPoint(100, 80));
    click(FRM_Alv->Image1, QPoint(100, 80), Qt::ShiftModifier);
    click(FRM_Alv->Image1, QPoint(100, 80), {}, Qt::RightButton);
    EXPECT_EQ(TrackedStarPos, QPoint(320, 240));
    EXPECT_EQ(DisplayZoneOffset, QPoint(0, 0));
    EXPECT_EQ(TrackAverageCount, 0);
    click(FRM_Alv->Image1, QPoint(30, 40), Qt::ControlModifier);
    EXPECT_EQ(MeasureCentre, QPoint(30, 40));
    click(FRM_Alv->Image1, QPoint(31, 41), Qt::AltModifier);
    EXPECT_EQ(MeasurePoint, QPoint(31, 41));
    {
        const QSignalBlocker a(t->RDB_Dark), b(t->CKB_Integration);
        t->CKB_Integration->setChecked(false);
    }

    // A slot that delivers nothing: the click is ignored, but the first
    // view's release still ends a held button.
    FRM_Alv->Timer_Cam1->stop();
    PipelineActive = 0;
    MouseButtonHeld[0] = 1;
    click(FRM_Alv->Image1, QPoint(100, 80));
    EXPECT_EQ(TrackedStarPos, QPoint(320, 240));
    EXPECT_EQ(PipelineActive, 0);
    EXPECT_EQ(MouseButtonHeld[0], 0);
    // A plug-in camera is live without a timer.
    CameraSlots[1].sourceKind = 3;
    click(FRM_Alv->Image1, QPoint(100, 80));
    CameraSlots[1].sourceKind = 0;
    EXPECT_EQ(TrackedStarPos, QPoint(100, 80));
    EXPECT_EQ(PipelineActive, 1);
}

TEST_F(ImageMouse, ClicksBeyondThePictureCountAtItsEdge)
{
    FRM_Alv->SetSourceDimensions(1);
    ASSERT_EQ(FRM_Alv->Image1->Bitmap().width(), 640);
    // A release past the edge (the press was inside: the view keeps the mouse).
    QTest::mousePress(FRM_Alv->Image1, Qt::LeftButton, {}, QPoint(600, 400));
    QTest::mouseRelease(FRM_Alv->Image1, Qt::LeftButton, {}, QPoint(700, -30));
    EXPECT_EQ(TrackedStarPos, QPoint(639, 0));
    EXPECT_EQ(MouseButtonHeld[0], 0);
    // Made-up clicks beyond the frame keep the zones inside it.
    FRM_Tool_Affichage->CKB_Zones_Liees->setChecked(true);
    FRM_Alv->Image1MouseUp(FRM_Alv, 0, 0, -50, 5000);
    EXPECT_TRUE(DisplayZoneRect.left >= 0 && DisplayZoneRect.bottom <= 480)
        << DisplayZoneRect.left << " " << DisplayZoneRect.bottom;
    EXPECT_TRUE(reports.isEmpty()) << reports.join('\n').toStdString();
}

TEST_F(ImageMouse, TheResultViewGuidesOnlyWhenAskedAndMeasuresInFramePixels)
{
    auto* s = FRM_Tool_Suivi;
    DisplayZoneRect = kernels::Rect{100, 50, 420, 306};
    // Not guiding on the result: the click measures only.
    click(FRM_Alv->Image3, QPoint(20, 30));
    EXPECT_EQ(TrackedStarPos, QPoint(320, 240));
    EXPECT_EQ(PipelineActive, 0);
    click(FRM_Alv->Image3, QPoint(20, 30), Qt::ControlModifier);
    EXPECT_EQ(MeasureCentre, QPoint(120, 80));
    click(FRM_Alv->Image3, QPoint(1, 2), Qt::AltModifier);
    EXPECT_EQ(MeasurePoint, QPoint(101, 52));

    {
        const QSignalBlocker a(s->CKB_Guide_On_Result), b(s->RDB_Autoguidage);
        s->CKB_Guide_On_Result->setChecked(true);
        s->RDB_Autoguidage->setChecked(true);
    }
    click(FRM_Alv->Image3, QPoint(20, 30));
    EXPECT_EQ(PipelineActive, 1);
    EXPECT_EQ(TrackedStarPos, QPoint(20, 30)) << "result-image coordinates";
    EXPECT_EQ(TrackedStarPosF, QPointF(20, 30));
    // Ctrl+Alt is a plain click here; Shift centres.
    click(FRM_Alv->Image3, QPoint(40, 50), Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(TrackedStarPos, QPoint(40, 50));
    click(FRM_Alv->Image3, QPoint(40, 50), Qt::ShiftModifier);
    EXPECT_EQ(TrackedStarPos, QPoint(320, 240));
    // With the first slot and linked zones the offset is left alone.
    FRM_Tool_Affichage->CKB_Zones_Liees->setChecked(true);
    const QPoint offset = DisplayZoneOffset;
    click(FRM_Alv->Image3, QPoint(60, 70));
    EXPECT_EQ(DisplayZoneOffset, offset);
    // A slot that delivers nothing: measures only.
    FRM_Alv->Timer_Cam1->stop();
    click(FRM_Alv->Image3, QPoint(5, 5));
    EXPECT_EQ(TrackedStarPos, QPoint(60, 70));
    {
        const QSignalBlocker a(s->CKB_Guide_On_Result), b(s->RDB_Autoguidage);
        s->CKB_Guide_On_Result->setChecked(false);
    }
}

TEST_F(ImageMouse, MovesReportThePixelAndADragKeepsTheZoneUnderThePointer)
{
    FRM_Info->show();
    kernels::Bitmap24& frame = *SlotBitmaps[1][0];
    frame.scanLine(33)[3 * 22 + 0] = 7;
    frame.scanLine(33)[3 * 22 + 1] = 8;
    frame.scanLine(33)[3 * 22 + 2] = 9;
    move(FRM_Alv->Image1, QPoint(22, 33), Qt::NoButton);
    flush();
    EXPECT_EQ(InfoPoint.source, 1);
    EXPECT_EQ(InfoPoint.pixel, QPoint(22, 33));
    EXPECT_EQ(FRM_Info->EDT_R->text(), QStringLiteral("9"));
    EXPECT_EQ(FRM_Info->EDT_B->text(), QStringLiteral("7"));
    move(FRM_Alv->Image3, QPoint(4, 6), Qt::NoButton);
    flush();
    EXPECT_EQ(InfoPoint.source, 3);
    EXPECT_EQ(TrackedStarPos, QPoint(320, 240)) << "no button held: nothing moves";
    FRM_Info->hide();

    // A left drag whatever the keys: every move of a turn of the event loop
    // counts once, at its last position.
    QTest::mousePress(FRM_Alv->Image1, Qt::LeftButton, {}, QPoint(300, 200));
    EXPECT_EQ(MouseButtonHeld[0], 1);
    EXPECT_EQ(TrackedStarPos, QPoint(320, 240)) << "the press alone places nothing";
    move(FRM_Alv->Image1, QPoint(310, 205), Qt::LeftButton, Qt::ControlModifier);
    move(FRM_Alv->Image1, QPoint(320, 210), Qt::LeftButton, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(TrackedStarPos, QPoint(320, 240)) << "moves wait for the next turn of the event loop";
    flush();
    EXPECT_EQ(TrackedStarPos, QPoint(320, 210)) << "the last move of the turn";
    move(FRM_Alv->Image1, QPoint(330, 215), Qt::LeftButton, Qt::AltModifier);
    flush();
    EXPECT_EQ(TrackedStarPos, QPoint(330, 215));
    QTest::mouseRelease(FRM_Alv->Image1, Qt::LeftButton, {}, QPoint(335, 216));
    flush();
    EXPECT_EQ(TrackedStarPos, QPoint(335, 216));
    EXPECT_EQ(MouseButtonHeld[0], 0);

    // A right drag moves the display zone.
    DisplayZoneCenter = QPoint(300, 200);
    QTest::mousePress(FRM_Alv->Image1, Qt::RightButton, {}, QPoint(300, 200));
    move(FRM_Alv->Image1, QPoint(350, 260), Qt::RightButton);
    flush();
    EXPECT_EQ(DisplayZoneOffset, QPoint(50, 60));
    QTest::mouseRelease(FRM_Alv->Image1, Qt::RightButton, {}, QPoint(350, 260));
}

TEST_F(ImageMouse, AReleaseLostToAMessageBoxEndsTheDragAtTheNextMove)
{
    QTest::mousePress(FRM_Alv->Image1, Qt::LeftButton, {}, QPoint(300, 200));
    ASSERT_EQ(MouseButtonHeld[0], 1);
    // The release went to a box the click opened; the next move shows no button.
    move(FRM_Alv->Image1, QPoint(50, 60), Qt::NoButton);
    flush();
    EXPECT_EQ(MouseButtonHeld[0], 0);
    EXPECT_EQ(TrackedStarPos, QPoint(320, 240)) << "a move with no button down drags nothing";
    move(FRM_Alv->Image1, QPoint(70, 80), Qt::NoButton);
    flush();
    EXPECT_EQ(TrackedStarPos, QPoint(320, 240));
}
