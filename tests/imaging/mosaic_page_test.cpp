// The mosaic page: the canvas, placing the next tile, the switch, the drift
// options, the countdown, and the mosaic built from frames as the sky drifts.

#include "pipeline_fixture.h"

#include "app/frm_alv.h"
#include "app/settings.h"
#include "imaging/frame_helpers.h"
#include "imaging/pipeline_state.h"
#include "kernels/raster.h"
#include "support/user_input.h"
#include "telescope/tracking/tracking_state.h"
#include "tools/frm_tool_mesures.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QScrollArea>
#include <QTest>

#include <array>
#include <fstream>
#include <sys/resource.h>

namespace {

class MosaicPage : public PipelineTest {
protected:
    void SetUp() override
    {
        PipelineTest::SetUp();
        FRM_Alv->setEnabled(true);   // as after its first activation
        Align_V::ResetTrackingState();
        MosaicDriftSpeedX = MosaicDriftSpeedY = 0;
    }
    void TearDown() override
    {
        MosaicDriftSpeedX = MosaicDriftSpeedY = 0;
        PipelineTest::TearDown();
    }
    static TFRM_Alv& w() { return *FRM_Alv; }
    static void scale(double arcsecPerPixel) { FRM_Tool_Mesures->TNI_Echantillonnage->SetValue(arcsecPerPixel); }
};

} // namespace

TEST_F(MosaicPage, ThePageStartsWithItsDefaultsAndTheOptionsHidden)
{
    EXPECT_EQ(w().PGC_Main->tabText(w().PGC_Main->indexOf(w().TBS_Mosaique)), QStringLiteral("Mosaïque"));
    EXPECT_EQ(w().CKB_Mosaique_Active->text(), QStringLiteral("Actif"));
    EXPECT_FALSE(w().CKB_Mosaique_Active->isEnabled()) << "until the first initialisation";
    EXPECT_EQ(w().SPED_Mosaic_Width->value(), 640);
    EXPECT_EQ(w().SPED_Mosaic_Width->maximum(), 10240);
    EXPECT_EQ(w().SPED_Mosaic_Height->value(), 480);
    EXPECT_EQ(w().SPED_Mosaic_Height->maximum(), 7680);
    EXPECT_EQ(w().SPED_Mosaic_NbCompo->value(), 5);
    EXPECT_EQ(w().SPED_Mosaique_Duree->value(), 0);
    EXPECT_EQ(w().BTN_Mosaique_Initialiser->text(), QStringLiteral("Initialiser"));
    EXPECT_EQ(w().BTN_Option_Mosaic_OK->text(), QStringLiteral("Ok"));
    EXPECT_EQ(w().RDB_Mosaique_Suivi_Logiciel->text(), QStringLiteral("Calqués sur le Suivi Logiciel"));
    EXPECT_EQ(w().CKB_Mosaique_AutoInit->text(), QStringLiteral("Initialisation automatique lors du placement"));
    EXPECT_EQ(w().LBL_Mosaique_Duree->text(), QStringLiteral("Durée (ms) :"));
    EXPECT_EQ(w().SCB_Mosaique->widget(), w().IMG_Mosaic);
    EXPECT_TRUE(w().RDB_Mosaique_Suivi_Logiciel->isChecked());
    EXPECT_TRUE(w().RDB_Secarcs_S->isChecked());
    for (QWidget* c : std::initializer_list<QWidget*>{w().TNI_Mosaic_Vitesse_Derive_AD, w().TNI_Mosaic_Vitesse_Derive_Dec,
                                                      w().TNI_Mosaic_Vitesse_Derive_AD_Pixels,
                                                      w().TNI_Mosaic_Vitesse_Derive_Dec_Pixels})
        EXPECT_FALSE(c->isEnabled()) << c->objectName().toStdString();
    EXPECT_TRUE(w().PNL_Option_Mosaic->isHidden());
    EXPECT_TRUE(w().TNI_Mosaique_Timer->isHidden());
    EXPECT_TRUE(w().TNI_Mosaique_Timer->isReadOnly());
    EXPECT_EQ(double(w().TNI_Mosaique_Timer->Min()), -100);
    EXPECT_EQ(MosaicTileCentre, QPoint(-1, -1));
    EXPECT_FALSE(w().TMR_Blink->isActive());
    EXPECT_EQ(w().TMR_Blink->interval(), 1000);
}

TEST_F(MosaicPage, InitialiseMakesABlackCanvasAndCentresTheFirstTileOnce)
{
    w().BTN_Mosaique_Initialiser->click();
    const kernels::Bitmap24& canvas = w().IMG_Mosaic->Bitmap();
    ASSERT_EQ(canvas.width(), 640);
    ASSERT_EQ(canvas.height(), 480);
    EXPECT_EQ(w().IMG_Mosaic->size(), QSize(640, 480));
    EXPECT_EQ(MosaicTileCentre, QPoint(320, 240));
    EXPECT_TRUE(w().CKB_Mosaique_Active->isEnabled());

    // Painted over, then initialised again at the same size: black again,
    // the tile centre kept.
    kernels::fillRect(w().IMG_Mosaic->Bitmap(), kernels::boundsOf(canvas), kernels::kWhite);
    MosaicTileCentre = QPoint(10, 20);
    const std::uint8_t* before = canvas.bits();
    w().BTN_Mosaique_Initialiser->click();
    EXPECT_EQ(canvas.bits(), before) << "the same size keeps its pixels' memory";
    EXPECT_TRUE(std::all_of(canvas.bits(), canvas.bits() + canvas.byteCount(), [](std::uint8_t b) { return b == 0; }));
    EXPECT_EQ(MosaicTileCentre, QPoint(10, 20));

    // Switched on with a duration: the countdown ends at now + duration.
    w().CKB_Mosaique_Active->setChecked(true);
    w().SPED_Mosaique_Duree->setValue(2500);
    clock.advanceMs(100);
    w().BTN_Mosaique_Initialiser->click();
    EXPECT_EQ(MosaicEnd_ms, clock.monotonicMs() + 2500);
    EXPECT_EQ(MosaicCountdownRunning, 1);

    // Sizes at their bounds.
    w().SPED_Mosaic_Width->setValue(0);
    w().BTN_Mosaique_Initialiser->click();
    EXPECT_TRUE(canvas.isEmpty());
    setFrame(field.render());
    processFrame();   // a tile on an empty canvas
    w().SPED_Mosaic_Width->setValue(99999);
    EXPECT_EQ(w().SPED_Mosaic_Width->value(), 10240);
    EXPECT_TRUE(reports.isEmpty()) << reports.join('\n').toStdString();
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
TEST_F(MosaicPage, ACanvasThatCannotBeMadeLeavesTheOldOneWithAMessage)
{
    w().BTN_Mosaique_Initialiser->click();
    kernels::fillRect(w().IMG_Mosaic->Bitmap(), kernels::boundsOf(w().IMG_Mosaic->Bitmap()), kernels::kWhite);
    // Room for 64 MB more, not for the largest canvas (236 MB).
    long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    rlimit old{};
    getrlimit(RLIMIT_AS, &old);
    rlimit tight = old;
    tight.rlim_cur = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + (64u << 20);
    w().SPED_Mosaic_Width->setValue(10240);
    w().SPED_Mosaic_Height->setValue(7680);
    ASSERT_EQ(setrlimit(RLIMIT_AS, &tight), 0);
    w().BTN_Mosaique_Initialiser->click();
    setrlimit(RLIMIT_AS, &old);
    EXPECT_EQ(w().IMG_Mosaic->Bitmap().width(), 640);
    EXPECT_EQ(kernels::pixel(w().IMG_Mosaic->Bitmap(), 5, 5), kernels::kWhite) << "the old canvas is kept";
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.texts().first().contains(QStringLiteral("10240 x 7680")));
}
#endif

TEST_F(MosaicPage, AClickMarksTheTopLeftCornerOfTheNextTile)
{
    setResultSize(320, 240);
    w().CKB_Mosaique_AutoInit->setChecked(true);
    MosaicDrift.accX = 0.7;
    MosaicDrift.accY = -0.4;
    QTest::mouseClick(w().IMG_Mosaic, Qt::LeftButton, {}, QPoint(100, 50));
    EXPECT_EQ(MosaicTileCentre, QPoint(260, 170));
    EXPECT_EQ(MosaicDrift.accX, 0);
    EXPECT_EQ(MosaicDrift.accY, 0);
    EXPECT_EQ(w().IMG_Mosaic->Bitmap().width(), 640) << "initialised first";
    EXPECT_TRUE(w().CKB_Mosaique_Active->isEnabled());
    // Other buttons place nothing; a made-up click (a script's) does.
    QTest::mouseClick(w().IMG_Mosaic, Qt::RightButton, {}, QPoint(10, 10));
    EXPECT_EQ(MosaicTileCentre, QPoint(260, 170));
    w().IMG_MosaicMouseUp(&w(), 0, 0, 0, 0);
    EXPECT_EQ(MosaicTileCentre, QPoint(160, 120));

    // A result of no size: the click is the tile's place; frames paste nothing.
    setResultSize(0, 0);
    w().IMG_MosaicMouseUp(&w(), 0, 0, 30, 40);
    EXPECT_EQ(MosaicTileCentre, QPoint(30, 40));
    w().CKB_Mosaique_Active->setChecked(true);
    Align_V::PlaceMosaicTile(w().Image3->Bitmap(), 0, 0);
    EXPECT_TRUE(reports.isEmpty()) << reports.join('\n').toStdString();
}

TEST_F(MosaicPage, AClickOnActifKeepsTheStateItGaveAndSwitchingOnRestartsTheDrift)
{
    w().BTN_Mosaique_Initialiser->click();
    MosaicDrift.accX = 0.5;
    LastMosaicDriftStamp_ms = clock.monotonicMs() - 600'000;   // switched off ten minutes ago
    QTest::mouseClick(w().CKB_Mosaique_Active, Qt::LeftButton);
    EXPECT_TRUE(w().CKB_Mosaique_Active->isChecked());
    EXPECT_EQ(MosaicDrift.accX, 0);
    EXPECT_EQ(LastMosaicDriftStamp_ms, clock.monotonicMs()) << "the time switched off is no drift";
    MosaicDrift.accX = 0.5;
    QTest::mouseClick(w().CKB_Mosaique_Active, Qt::LeftButton);
    EXPECT_FALSE(w().CKB_Mosaique_Active->isChecked());
    EXPECT_EQ(MosaicDrift.accX, 0.5) << "switching off keeps the drift";
    ASSERT_TRUE(Settings::RunHandler(QStringLiteral("FRM_Alv.CKB_Mosaique_ActiveClick")));
    EXPECT_FALSE(w().CKB_Mosaique_Active->isChecked());
}

TEST_F(MosaicPage, TheOptionsTurnSecondsOfArcIntoPixelsAtTheImageScale)
{
    w().BTN_Mosaique_Options->click();
    EXPECT_FALSE(w().PNL_Option_Mosaic->isHidden());

    // Enabling of the mode and the unit.
    w().RDB_Mosaique_Derive_Independante->setChecked(true);
    EXPECT_TRUE(w().RDB_Secarcs_S->isEnabled());
    EXPECT_TRUE(w().RDB_Pixels_S->isEnabled());
    EXPECT_TRUE(w().TNI_Mosaic_Vitesse_Derive_AD->isEnabled());
    EXPECT_FALSE(w().TNI_Mosaic_Vitesse_Derive_AD_Pixels->isEnabled());
    w().RDB_Pixels_S->setChecked(true);
    EXPECT_FALSE(w().TNI_Mosaic_Vitesse_Derive_Dec->isEnabled());
    EXPECT_TRUE(w().TNI_Mosaic_Vitesse_Derive_Dec_Pixels->isEnabled());
    w().RDB_Mosaique_Suivi_Logiciel->setChecked(true);
    EXPECT_FALSE(w().RDB_Pixels_S->isEnabled());
    EXPECT_FALSE(w().TNI_Mosaic_Vitesse_Derive_Dec_Pixels->isEnabled());
    w().RDB_Mosaique_Derive_Independante->setChecked(true);
    EXPECT_TRUE(w().TNI_Mosaic_Vitesse_Derive_Dec_Pixels->isEnabled()) << "pixels stay the unit";
    w().RDB_Secarcs_S->setChecked(true);

    // 2"/pixel: 10"/s in RA is 5 pixels a second.
    scale(2);
    w().TNI_Mosaic_Vitesse_Derive_AD->setText(QStringLiteral("10"));
    ASSERT_TRUE(w().TNI_Mosaic_Vitesse_Derive_AD->DoExit());
    EXPECT_EQ(double(w().TNI_Mosaic_Vitesse_Derive_AD_Pixels->Value()), 5);
    w().TNI_Mosaic_Vitesse_Derive_Dec_Pixels->setText(QStringLiteral("-1.5"));
    ASSERT_TRUE(w().TNI_Mosaic_Vitesse_Derive_Dec_Pixels->DoExit());
    EXPECT_EQ(double(w().TNI_Mosaic_Vitesse_Derive_Dec->Value()), -3);
    w().BTN_Option_Mosaic_OK->click();
    EXPECT_EQ(MosaicDriftSpeedX, 5);
    EXPECT_EQ(MosaicDriftSpeedY, -1.5);
    EXPECT_TRUE(w().PNL_Option_Mosaic->isHidden());
    w().CKB_Mosaique_Derive_Inverse->setChecked(true);
    w().BTN_Option_Mosaic_OK->click();
    EXPECT_EQ(MosaicDriftSpeedX, -5);
    EXPECT_EQ(MosaicDriftSpeedY, 1.5);
    w().CKB_Mosaique_Derive_Inverse->setChecked(false);

    // No image scale: leaving an input leaves its twin (no infinite speed),
    // and "Ok" only hides the panel.
    scale(0);
    w().BTN_Mosaique_Options->click();
    w().TNI_Mosaic_Vitesse_Derive_AD->setText(QStringLiteral("30"));
    ASSERT_TRUE(w().TNI_Mosaic_Vitesse_Derive_AD->DoExit());
    EXPECT_EQ(double(w().TNI_Mosaic_Vitesse_Derive_AD_Pixels->Value()), 5);
    w().BTN_Option_Mosaic_OK->click();
    EXPECT_EQ(MosaicDriftSpeedX, -5);
    EXPECT_TRUE(w().PNL_Option_Mosaic->isHidden());
    EXPECT_TRUE(boxes.shown.empty());

    // Pixel speeds set without leaving their inputs (as a script sets
    // them) count when the unit is pixels.
    scale(2);
    w().RDB_Pixels_S->setChecked(true);
    w().TNI_Mosaic_Vitesse_Derive_AD_Pixels->SetValue(7);
    w().TNI_Mosaic_Vitesse_Derive_Dec_Pixels->SetValue(0.25);
    ASSERT_TRUE(Settings::RunHandler(QStringLiteral("FRM_Alv.BTN_Option_Mosaic_OKClick")));
    EXPECT_EQ(MosaicDriftSpeedX, 7);
    EXPECT_EQ(MosaicDriftSpeedY, 0.25);

    // The duration shows the countdown whenever it is not 0.
    w().SPED_Mosaique_Duree->setValue(1000);
    EXPECT_FALSE(w().TNI_Mosaique_Timer->isHidden());
    w().SPED_Mosaique_Duree->setValue(0);
    EXPECT_TRUE(w().TNI_Mosaique_Timer->isHidden());
    w().SPED_Mosaique_Duree->setValue(-5);
    EXPECT_FALSE(w().TNI_Mosaique_Timer->isHidden());
}

// The drift mode and its unit are two choices of the options: a click on
// the one already chosen keeps it, and choosing one never takes the other.
TEST_F(MosaicPage, TheDriftModeAndItsUnitAreChosenApart)
{
    w().PGC_Main->setCurrentWidget(w().TBS_Mosaique);
    w().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w()));
    QTest::mouseClick(w().BTN_Mosaique_Options, Qt::LeftButton);
    QRadioButton* tracking = w().RDB_Mosaique_Suivi_Logiciel;
    QRadioButton* own = w().RDB_Mosaique_Derive_Independante;
    QRadioButton* pixels = w().RDB_Pixels_S;
    // Clicked, then the mode and the unit chosen.
    const std::array<std::array<QRadioButton*, 3>, 6> steps{{{tracking, tracking, w().RDB_Secarcs_S},
                                                             {own, own, w().RDB_Secarcs_S},
                                                             {pixels, own, pixels},
                                                             {pixels, own, pixels},
                                                             {own, own, pixels},
                                                             {tracking, tracking, pixels}}};
    for (const auto& [clicked, mode, unit] : steps) {
        QTest::mouseClick(clicked, Qt::LeftButton, {}, QPoint(8, clicked->height() / 2));
        for (QRadioButton* r : {tracking, own, w().RDB_Secarcs_S, pixels})
            EXPECT_EQ(r->isChecked(), r == mode || r == unit)
                << clicked->objectName().toStdString() << " clicked: " << r->objectName().toStdString();
    }
    w().RDB_Secarcs_S->setChecked(true);
    w().PNL_Option_Mosaic->hide();
    w().hide();
}

TEST_F(MosaicPage, ThePanelIsDraggedByItsFrameAndStaysOnThePage)
{
    w().resize(1024, 740);
    w().PGC_Main->setCurrentWidget(w().TBS_Mosaique);
    w().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w()));
    w().BTN_Mosaique_Options->click();
    QWidget* panel = w().PNL_Option_Mosaic;
    const QPoint start = panel->pos();
    QTest::mousePress(panel, Qt::LeftButton, {}, QPoint(3, 3));
    QMouseEvent drag(QEvent::MouseMove, QPointF(33, 23), panel->mapToGlobal(QPointF(33, 23)), Qt::NoButton,
                     Qt::LeftButton, {});
    QCoreApplication::sendEvent(panel, &drag);
    EXPECT_EQ(panel->pos(), start + QPoint(30, 20));
    QMouseEvent far(QEvent::MouseMove, QPointF(-5000, -5000), panel->mapToGlobal(QPointF(-5000, -5000)),
                    Qt::NoButton, Qt::LeftButton, {});
    QCoreApplication::sendEvent(panel, &far);
    EXPECT_EQ(panel->pos(), QPoint(0, 0));
    QTest::mouseRelease(panel, Qt::LeftButton, {}, QPoint(3, 3));
    w().hide();
}

TEST_F(MosaicPage, TheRecordingIndicatorBlinksEachTickInPlace)
{
    w().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w()));
    EXPECT_FALSE(w().LBL_Rec->isVisible()) << "nothing records at start";
    QLayout* status = w().SPDB_Nite->parentWidget()->layout();
    status->activate();
    const int nightButton = w().SPDB_Nite->x();
    w().LBL_Rec->show();
    w().TMR_BlinkTimer();
    EXPECT_TRUE(w().LBL_Rec->isHidden());
    status->activate();
    EXPECT_EQ(w().SPDB_Nite->x(), nightButton) << "the night button stays where it is as Rec blinks";
    w().TMR_BlinkTimer();
    EXPECT_FALSE(w().LBL_Rec->isHidden());
    status->activate();
    EXPECT_EQ(w().SPDB_Nite->x(), nightButton);
    EXPECT_EQ(w().LBL_Rec->text(), QStringLiteral(" Rec"));
    w().hide();
}

// The simulated camera's sky drifts under a mosaic with an independent
// drift of 5 pixels a second: two seconds later the tile has moved 10 pixels
// and the canvas holds the result around it; a duration ends it once.
TEST_F(MosaicPage, TilesFollowTheIndependentDriftAndTheDurationEndsTheMosaic)
{
    setResultSize(160, 120);
    w().BTN_Mosaique_Initialiser->click();
    w().RDB_Mosaique_Derive_Independante->setChecked(true);
    w().RDB_Pixels_S->setChecked(true);
    w().TNI_Mosaic_Vitesse_Derive_AD_Pixels->SetValue(5);
    w().TNI_Mosaic_Vitesse_Derive_Dec_Pixels->SetValue(0);
    w().BTN_Option_Mosaic_OK->click();
    w().SPED_Mosaic_NbCompo->setValue(1);
    w().SPED_Mosaique_Duree->setValue(2000);
    QTest::mouseClick(w().CKB_Mosaique_Active, Qt::LeftButton);
    ASSERT_TRUE(w().CKB_Mosaique_Active->isChecked());
    const QPoint first = MosaicTileCentre;
    ASSERT_EQ(first, QPoint(320, 240));

    processFrame();
    EXPECT_EQ(MosaicTileCentre, first);
    clock.advanceMs(1000);
    processFrame();
    clock.advanceMs(1000);
    processFrame();
    EXPECT_EQ(MosaicTileCentre, first + QPoint(10, 0));
    // The result is on the canvas around the tile centre.
    const kernels::Bitmap24& canvas = w().IMG_Mosaic->Bitmap();
    const kernels::Bitmap24& result = w().Image3->Bitmap();
    const QPoint c = MosaicTileCentre;
    int same = 0, lit = 0;
    for (int y = 0; y < 120; y += 7)
        for (int x = 0; x < 160; x += 7) {
            const std::uint32_t r = at(result, x, y);
            same += at(canvas, c.x() - 80 + x, c.y() - 60 + y) == r;
            lit += r != 0;
        }
    EXPECT_GT(lit, 0);
    EXPECT_EQ(same, 23 * 18);
    EXPECT_EQ(at(canvas, c.x() + 90, c.y()), 0u) << "nothing beyond the last tile's right edge";
    EXPECT_FALSE(w().CKB_Mosaique_Active->isChecked()) << "2000 ms after it was switched on";

    // Once per countdown: switched on again by code, the next frames go on.
    w().SPED_Mosaique_Duree->setValue(0);
    w().CKB_Mosaique_Active->setChecked(true);
    w().SPED_Mosaique_Duree->setValue(2000);
    clock.advanceMs(5000);
    processFrame();
    EXPECT_TRUE(w().CKB_Mosaique_Active->isChecked());
}

// A timed mosaic ends by itself only on a countdown started for its run: a
// duration typed in the options while it runs waits for "Initialiser" or
// "Actif", and an earlier run's end counts for nothing. The camera is live.
TEST_F(MosaicPage, ADurationTypedWhileTheMosaicRunsWaitsForACountdownOfItsRun)
{
    using testsupport::click;
    QCheckBox* actif = w().CKB_Mosaique_Active;
    const auto frameAfter = [this](int ms) {
        clock.advanceMs(ms);
        cameraFrames(1);
        return double(w().TNI_Mosaique_Timer->Value());
    };
    startStarFieldCamera();
    click(w().BTN_Mosaique_Initialiser);
    click(actif);
    click(w().BTN_Mosaique_Options);
    testsupport::typeInto(w().SPED_Mosaique_Duree, QStringLiteral("4000"));
    click(w().BTN_Option_Mosaic_OK);
    ASSERT_EQ(w().SPED_Mosaique_Duree->value(), 4000);
    frameAfter(6000);
    EXPECT_TRUE(actif->isChecked()) << "no countdown was started for this run";
    EXPECT_FALSE(allBlack(w().IMG_Mosaic->Bitmap())) << "tiles are pasted";

    click(w().BTN_Mosaique_Initialiser);
    EXPECT_EQ(frameAfter(1500), 2);
    EXPECT_EQ(frameAfter(2500), 0);
    EXPECT_FALSE(actif->isChecked()) << "4 s after Initialiser";
    click(actif);
    EXPECT_EQ(frameAfter(3000), 1);
    frameAfter(9000);
    EXPECT_FALSE(actif->isChecked()) << "a late frame ends a countdown that was started";

    // On, off a second later, on again without a duration, then one given.
    click(actif);
    frameAfter(1000);
    click(actif);
    w().SPED_Mosaique_Duree->setValue(0);
    click(actif);
    w().SPED_Mosaique_Duree->setValue(4000);
    frameAfter(6000);
    EXPECT_TRUE(actif->isChecked()) << "the earlier run's end is no end of this one";
    click(actif);
}
