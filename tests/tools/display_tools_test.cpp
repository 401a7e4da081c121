// The display tool's zones, focusing aid, refresh rates and source roles,
// the full-screen view, the mini preview and the information window,
// driven as the user and the other windows drive them.

#include "imaging/pipeline_fixture.h"

#include "app/frm_alv.h"
#include "app/frm_pref.h"
#include "app/helpers/calc_helpers.h"
#include "app/log.h"
#include "capture/camera_slots.h"
#include "imaging/display_helpers.h"
#include "imaging/pipeline_state.h"
#include "scripting/scripts.h"
#include "support/user_input.h"
#include "telescope/frm_tool_suivi.h"
#include "telescope/tracking/guide_log.h"
#include "telescope/tracking/tracking_state.h"
#include "tools/frm_full_screen.h"
#include "tools/frm_fwhm.h"
#include "tools/frm_info.h"
#include "tools/frm_ressources.h"
#include "tools/frm_small.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_images.h"
#include "tools/frm_tool_mesures.h"
#include "tools/util_affichage.h"

#include <QCoreApplication>
#include <QPainter>
#include <QFile>
#include <QStyle>
#include <QStyleOptionFrame>
#include <cmath>
#include <numbers>

namespace {

class DisplayTools : public PipelineTest {
protected:
    void SetUp() override
    {
        PipelineTest::SetUp();
        a = FRM_Tool_Affichage;
    }
    void TearDown() override
    {
        if (FwhmLog)
            FwhmLog.reset();
        if (FRM_Alv)
            FRM_Alv->Timer_Cam1->stop();
        PipelineTest::TearDown();
    }
    void binning(bool oneByOne)
    {
        oneByOne ? FRM_Alv->MNU_Cam1_Binning_1x1Click() : FRM_Alv->MNU_Cam1_Binning_2x2Click();
    }
    QStringList fileLines(const QString& path) const
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromLatin1(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    }
    TFRM_Tool_Affichage* a = nullptr;
};

} // namespace

TEST_F(DisplayTools, ZoneSizesFollowTheRatioTheBinningAndTheCodecSnap)
{
    binning(true);
    // "Ecran", 1x1, snapped, line up from 322: 257 high, then 321 x 256, then 320 x 256.
    a->CKB_XVid_Compatible->setChecked(true);
    int pos = 322;
    a->SCB_Taille_ZAffichScroll(a->SCB_Taille_ZAffich, 0, pos);
    EXPECT_EQ(a->SCB_Taille_ZAffich->value(), 320);
    EXPECT_EQ(a->SCB_Taille_ZAffichV->value(), 256);
    EXPECT_EQ(a->PNL_DivXCompatible->palette().color(QPalette::Window), QColor(0, 255, 0));
    EXPECT_EQ(FRM_Tool_Images->EDT_Taille_Fichier->text(), QString::number(320 * 256 * 3 + 368));

    // The end of a scroll only gives the bar back the width shown.
    int end = 500;
    a->SCB_Taille_ZAffichScroll(a->SCB_Taille_ZAffich, 8, end);
    EXPECT_EQ(end, 320);
    EXPECT_EQ(a->SCB_Taille_ZAffichV->value(), 256);

    // A binned slot with "Libre": 320 x 240 shows as 160 x 120.
    a->CKB_XVid_Compatible->setChecked(false);
    a->RDB_Ratio_Libre->setChecked(true);
    EXPECT_TRUE(a->SCB_Taille_ZAffichV->isEnabled());
    binning(false);
    a->SCB_Taille_ZAffichV->setValue(240);
    a->TNI_Taille_ZAffichV->SetValue(240);
    int w320 = 320;
    a->SCB_Taille_ZAffichScroll(a->SCB_Taille_ZAffich, 4, w320);
    EXPECT_EQ(FRM_Alv->Image3->Bitmap().width(), 160);
    EXPECT_EQ(FRM_Alv->Image3->Bitmap().height(), 120);
    // Moving the height bar of a binned slot keeps the zone's width.
    int h = 200;
    a->SCB_Taille_ZAffichVScroll(a->SCB_Taille_ZAffichV, 4, h);
    a->SCB_Taille_ZAffichVScroll(a->SCB_Taille_ZAffichV, 4, h);
    EXPECT_EQ(a->SCB_Taille_ZAffich->value(), 320);

    // Binned and snapped: the height steps alone, the width is kept.
    Util_Affichage::ZoneRules rules{.binning1x1 = false, .ecran = true, .frameWidth = 640, .frameHeight = 480};
    std::int32_t w = 330, zh = 0;
    Util_Affichage::AdjustZoneSize(3, w, zh, rules);
    Util_Affichage::SnapZoneToMultipleOf4(w, zh, -1, rules);
    EXPECT_EQ(w, 164);
    EXPECT_EQ(zh, 64);
    EXPECT_EQ(Util_Affichage::ZoneMultipleOf4State(6, 8), 2);
}

// The other windows apply the width shown; with a binned slot and the
// "Ecran" ratio the zone keeps its width however often they do.
TEST_F(DisplayTools, ABinnedZoneKeepsItsWidthWhenTheOtherWindowsApplyIt)
{
    binning(false);
    a->RDB_Ratio_Ecran->click();
    // A new source size applies the whole frame width.
    FRM_Alv->SetSourceDimensions(1);
    EXPECT_EQ(a->SCB_Taille_ZAffich->value(), CameraSlots[1].width);

    int w320 = 320;
    a->SCB_Taille_ZAffichScroll(a->SCB_Taille_ZAffich, 4, w320);
    ASSERT_EQ(a->SCB_Taille_ZAffich->value(), 320);
    const int height = a->SCB_Taille_ZAffichV->value();
    const QSize result(FRM_Alv->Image3->Bitmap().width(), FRM_Alv->Image3->Bitmap().height());
    EXPECT_EQ(result.width(), 160) << "the binned result shows half the zone";

    a->CKB_DoubleEnreg->click();
    a->CKB_DoubleEnreg->click();
    FRM_Tool_Images->RDB_Boucle->click();
    FRM_Tool_Images->RDB_Unique->click();
    int again = a->SCB_Taille_ZAffich->value();
    a->SCB_Taille_ZAffichScroll(a->SCB_Taille_ZAffich, 4, again);
    EXPECT_EQ(a->SCB_Taille_ZAffich->value(), 320);
    EXPECT_EQ(a->TNI_Taille_ZAffich->Value(), 320);
    EXPECT_EQ(a->SCB_Taille_ZAffichV->value(), height);
    EXPECT_EQ(QSize(FRM_Alv->Image3->Bitmap().width(), FRM_Alv->Image3->Bitmap().height()), result);
    // A flat takes the whole frame, and keeps it.
    FRM_Tool_Images->RDB_Flat->click();
    FRM_Tool_Images->RDB_Flat->click();
    EXPECT_EQ(a->SCB_Taille_ZAffich->value(), CameraSlots[1].width);
}

TEST_F(DisplayTools, CentringAndTheDetectionZoneOfTheTrackingWindow)
{
    TrackedStarPos = QPoint(100, 100);
    DisplayZoneCenter = QPoint(100, 100);
    DisplayZoneOffset = QPoint(0, 0);
    a->CKB_Zones_Liees->setChecked(false);
    a->BTN_Centrer_DetectClick();
    EXPECT_EQ(TrackedStarPos, QPoint(320, 240));
    EXPECT_EQ(DisplayZoneCenter + DisplayZoneOffset, QPoint(100, 100)) << "unlinked, the display zone stays";

    TrackedStarPos = DisplayZoneCenter = QPoint(100, 100);
    DisplayZoneOffset = QPoint(0, 0);
    a->CKB_Zones_Liees->setChecked(true);
    a->BTN_Centrer_DetectClick();
    EXPECT_EQ(DisplayZoneCenter + DisplayZoneOffset, QPoint(320, 240)) << "linked, it moves with the detection zone";
    DisplayZoneOffset = QPoint(5, 5);
    a->BTN_Centrer_Affich_MireClick();
    EXPECT_EQ(DisplayZoneOffset, QPoint(5, 5));
    a->CKB_Zones_Liees->setChecked(false);
    a->BTN_Centrer_Affich_MireClick();
    EXPECT_EQ(DisplayZoneOffset, QPoint(0, 0));

    DisplayZoneCenter = QPoint(50, 60);
    a->BTN_Centrer_AffichClick();
    EXPECT_EQ(DisplayZoneCenter + DisplayZoneOffset, QPoint(320, 240));

    // The tracking window's "guide on the result" centres the display zone by name.
    DisplayZoneOffset = QPoint(0, 0);
    FRM_Tool_Suivi->CKB_Guide_On_Result->setEnabled(true);
    FRM_Tool_Suivi->CKB_Guide_On_Result->setChecked(true);
    EXPECT_EQ(DisplayZoneCenter + DisplayZoneOffset, QPoint(320, 240));

    int n = 64;
    a->SCB_Taille_ZDetectScroll(4, n);
    EXPECT_EQ(FRM_Tool_Suivi->TNI_Taille_ZDetect->Value(), 64);
    EXPECT_EQ(FRM_Tool_Suivi->SCB_Taille_ZDetect->value(), 64);

    a->CKB_DoubleEnreg->setChecked(true);
    EXPECT_FALSE(FRM_Tool_Images->CKB_Integration->isEnabled());
    a->CKB_DoubleEnreg->setChecked(false);
    EXPECT_TRUE(FRM_Tool_Images->CKB_Integration->isEnabled());

    // Layout: doubling one result leaves only the plain layout to the other.
    a->SPDB_Src1_Disposition2->click();
    EXPECT_EQ(CameraSlots[1].recordLayout, 1);
    EXPECT_FALSE(a->SPDB_Src2_Disposition2->isEnabled());
    EXPECT_TRUE(a->SPDB_Src2_Disposition1->isEnabled());
    a->SPDB_Src1_Disposition1->click();
    EXPECT_EQ(CameraSlots[1].recordLayout, 0);
    EXPECT_TRUE(a->SPDB_Src2_Disposition3->isEnabled());
}

TEST_F(DisplayTools, FocusingAidOnAndOffWithTheLargeReadOut)
{
    a->CKB_MAP->setEnabled(true);
    FwhmHistory.samples[3] = 5;
    FwhmHistory.full = 1;
    a->TNI_FWHM->SetValue(3);
    a->BTN_Reset_MAPClick();
    EXPECT_EQ(FwhmHistory.full, 1) << "reset does nothing while off";

    a->CKB_MAP->setChecked(true);
    EXPECT_EQ(FwhmHistory.full, 0);
    EXPECT_EQ(FwhmHistory.samples[3], 0);
    EXPECT_TRUE(FRM_Tool_Suivi->CKB_Suivi->isChecked());
    EXPECT_EQ(a->TNI_Meilleur_FWHM->Value(), 99999);
    EXPECT_EQ(a->TNI_Pire_FWHM->Value(), 0);
    EXPECT_FALSE(FRM_Tool_Images->CKB_Selection->isEnabled());
    a->RDB_Methode_DCT->setChecked(true);
    EXPECT_EQ(a->TNI_Meilleur_FWHM->Value(), 0);
    EXPECT_EQ(a->TNI_Pire_FWHM->Value(), 99999);

    // Turning the aid off closes the log.
    a->EDT_Save_FWHM->setText(dir.filePath(QStringLiteral("focus.log")));
    a->CKB_Save_FWHM->setChecked(true);
    ASSERT_TRUE(FwhmLog);
    a->CKB_MAP->setChecked(false);
    EXPECT_TRUE(FRM_Tool_Images->CKB_Selection->isEnabled());
    EXPECT_FALSE(a->CKB_Save_FWHM->isChecked());
    EXPECT_FALSE(FwhmLog);

    a->CKB_GROS_FWHM->setChecked(true);
    EXPECT_TRUE(FRM_FWHM->isVisible());
    EXPECT_EQ(FRM_FWHM->LBL_Type->text(), QStringLiteral("FWHM:"));
    EXPECT_EQ(FRM_FWHM->PNL_Vert->palette().color(QPalette::Window), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(a->PNL_Rouge->palette().color(QPalette::Window), QColor(0xC0, 0xC0, 0xC0));
    FRM_FWHM->close();
    EXPECT_FALSE(a->CKB_GROS_FWHM->isChecked());
    EXPECT_FALSE(FRM_FWHM->isVisible());
}

// The focusing measures read to the hundredth, and the large read-out shows
// the whole number from its first digit, up to the largest contrast
// measures, at its window's size.
TEST_F(DisplayTools, FocusReadOutsShowTwoDecimalsAndTheLargeOneShowsTheWholeNumber)
{
    for (TCustomNumInp* n : {a->TNI_FWHM, a->TNI_Meilleur_FWHM, a->TNI_Pire_FWHM}) {
        n->SetValue(3.3767);
        EXPECT_EQ(n->text(), QStringLiteral("3.38")) << n->objectName().toStdString();
    }
    a->CKB_MAP->setEnabled(true);
    a->CKB_MAP->setChecked(true);
    EXPECT_EQ(a->TNI_FWHM->text(), QStringLiteral("0.00"));
    EXPECT_EQ(a->TNI_Meilleur_FWHM->text(), QStringLiteral("99999.00"));
    EXPECT_EQ(a->TNI_Pire_FWHM->text(), QStringLiteral("0.00"));

    a->CKB_GROS_FWHM->setChecked(true);
    ASSERT_TRUE(FRM_FWHM->isVisible());
    TCustomNumInp* big = FRM_FWHM->TNI_GROS_FWHM;
    for (const auto& [value, shown] : {std::pair{3.3767, "3.38"}, std::pair{541.6, "541.60"},
                                       std::pair{99999.0, "99999.00"}, std::pair{123456.789, "123456.79"}}) {
        big->SetValue(value);
        EXPECT_EQ(big->text(), QString::fromLatin1(shown));
        QStyleOptionFrame option;
        option.initFrom(big);
        const QRect field = big->style()->subElementRect(QStyle::SE_LineEditContents, &option, big);
        EXPECT_LE(big->fontMetrics().horizontalAdvance(big->text()), field.width() - 4) << shown;
    }
}

TEST_F(DisplayTools, FwhmLogFileStartsFreshAndAFailedFileLeavesLoggingOff)
{
    a->CKB_Save_FWHM->setChecked(true);
    EXPECT_FALSE(a->CKB_Save_FWHM->isChecked()) << "no file name";
    EXPECT_TRUE(a->EDT_Save_FWHM->isEnabled());

    const QString path = dir.filePath(QStringLiteral("fwhm.log"));
    a->EDT_Save_FWHM->setText(path);
    a->CKB_Save_FWHM->setChecked(true);
    EXPECT_FALSE(a->EDT_Save_FWHM->isEnabled());
    EXPECT_FALSE(a->SPDB_Save_FWHM->isEnabled());
    FwhmLog->Add(GuideLogText::FwhmLine(2.5, 100, 200, 100, 12, 40, 1600, 80.25));
    a->CKB_Save_FWHM->setChecked(false);
    EXPECT_TRUE(a->EDT_Save_FWHM->isEnabled());
    QStringList lines = fileLines(path);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], QStringLiteral("Date-Time(dd/mm/yyyy HH:MM:SS.SSSS);FWHM;Sum of RGB values /3;Max RGB Value;"
                                       "Half Maximum;Pixels above H.M.;Zone width;Zone Surface;Avg. Brightness"));
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral(";2.5;100;200;100;12;40;1600;80.25;"))) << lines[1].toStdString();

    a->CKB_Save_FWHM->setChecked(true);
    a->CKB_Save_FWHM->setChecked(false);
    EXPECT_EQ(fileLines(path).size(), 1) << "checked again, the file starts with its header alone";

    // A folder that does not exist: told once, the box unchecked, the name editable.
    a->EDT_Save_FWHM->setText(dir.filePath(QStringLiteral("no/such/folder/fwhm.log")));
    a->CKB_Save_FWHM->setChecked(true);
    EXPECT_FALSE(a->CKB_Save_FWHM->isChecked());
    EXPECT_TRUE(a->EDT_Save_FWHM->isEnabled());
    EXPECT_TRUE(a->SPDB_Save_FWHM->isEnabled());
    EXPECT_FALSE(FwhmLog);
}

TEST_F(DisplayTools, RefreshRatesAndTheRolesOfTheTwoSources)
{
    FRM_Alv->Timer_Cam1->stop();
    CameraSlots[1].sourceKind = 0;
    auto choose = [&](const QString& text) {
        a->CBX_Cam1_IPS->setCurrentText(text);
        a->CBX_Cam1_IPSChange();
        return FRM_Alv->Timer_Cam1->interval();
    };
    EXPECT_EQ(choose(QStringLiteral("1")), 1000);
    EXPECT_EQ(choose(QStringLiteral("100")), 10);
    EXPECT_EQ(choose(QStringLiteral("30")), 32);
    EXPECT_EQ(a->TNI_Cam1_Tps_Rafraichissement->Value(), 33);
    a->SCB_Cam1_Tps_Rafraichissement->setValue(200);
    EXPECT_EQ(choose(QStringLiteral("Custom")), 200);
    EXPECT_TRUE(a->SCB_Cam1_Tps_Rafraichissement->isEnabled());
    a->SCB_Cam1_Tps_Rafraichissement->setValue(450);
    EXPECT_EQ(FRM_Alv->Timer_Cam1->interval(), 450);
    EXPECT_TRUE(FRM_Alv->Timer_Cam1->isActive());
    choose(QStringLiteral("Auto"));
    EXPECT_TRUE(FRM_Alv->Timer_Cam1->isActive()) << "a grab camera keeps its timer";
    FRM_Alv->Timer_Cam1->stop();

    a->CKB_Src1_Image->setChecked(false);
    EXPECT_TRUE(a->CKB_Src2_Image->isChecked());
    EXPECT_EQ(CurrentCameraSlot, 2);
    a->CKB_Src2_Image->setChecked(false);
    EXPECT_TRUE(a->CKB_Src1_Image->isChecked());
    EXPECT_EQ(CurrentCameraSlot, 1);
    a->CKB_Src1_Autoguidage->setChecked(false);
    EXPECT_TRUE(a->CKB_Src2_Autoguidage->isChecked());
    EXPECT_EQ(GuideSourceSlot, 2);
    a->CKB_Src2_Autoguidage->setChecked(false);
    EXPECT_EQ(GuideSourceSlot, 1);
    a->RDB_Src1_Cam2->setChecked(true);
    EXPECT_TRUE(a->RDB_Src2_Cam1->isChecked());
}

TEST_F(DisplayTools, FullScreenSizesAtTheZoneRatioAndPlacesTheReticleInFramePixels)
{
    EXPECT_EQ(TFRM_FullScreen::ImageSizeFor({1000, 600}, 1.25), QSize(750, 600));
    EXPECT_EQ(TFRM_FullScreen::ImageSizeFor({600, 1000}, 1.25), QSize(600, 480));
    EXPECT_EQ(TFRM_FullScreen::ImageSizeFor({1000, 600}, 2.5), QSize(1000, 400));

    TFRM_FullScreen* f = FRM_FullScreen;
    FRM_Alv->MNU_PleinEcranClick();
    ASSERT_TRUE(f->isVisible());
    f->resize(1000, 600 + f->MainMenu1->height());
    QCoreApplication::processEvents();
    EXPECT_TRUE(f->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) << "restored, it stays on top";
    // The same window all along: one made anew would lose its state and
    // the size it is restored to.
    const WId id = f->winId();
    f->showMaximized();
    QCoreApplication::processEvents();
    EXPECT_FALSE(f->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) << "maximised, it does not";
    // Maximised, the border and the menu go away off the top row and come back on it.
    f->IMG_FullScreenMouseMove(5);
    EXPECT_TRUE(f->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(f->MainMenu1->isHidden());
    f->IMG_FullScreenMouseMove(0);
    EXPECT_FALSE(f->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_FALSE(f->MainMenu1->isHidden());
    f->showNormal();
    QCoreApplication::processEvents();
    EXPECT_TRUE(f->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(f->winId(), id);
    EXPECT_TRUE(f->isVisible());

    // The picture takes the zone's shape, a free one and the screen's again.
    const auto pictureRatio = [f] {
        const QSize p = f->IMG_FullScreen->PictureSize();
        return p.height() > 0 ? double(p.width()) / p.height() : 0.0;
    };
    EXPECT_NEAR(pictureRatio(), 1.25, 0.01);
    testsupport::click(a->RDB_Ratio_Libre);
    const auto freeRatio = [this] { return double(a->SCB_Taille_ZAffich->value()) / a->SCB_Taille_ZAffichV->value(); };
    for (int i = 0; i < 40 && freeRatio() < 2; ++i)
        testsupport::clickScrollBar(a->SCB_Taille_ZAffichV, QStyle::SC_ScrollBarSubPage);
    ASSERT_GE(freeRatio(), 2);
    EXPECT_NEAR(pictureRatio(), freeRatio(), 0.02);
    testsupport::click(a->RDB_Ratio_Ecran);
    testsupport::clickScrollBar(a->SCB_Taille_ZAffich, QStyle::SC_ScrollBarSubLine);
    EXPECT_NEAR(pictureRatio(), 1.25, 0.01) << "not the free zone's strip";

    FRM_Alv->Image3->SetPictureSize(320, 256);
    f->IMG_FullScreen->SetPictureSize(640, 512);
    PipelineActive = 0;
    f->IMG_FullScreenMouseUp(0, 4, 0, 0);
    EXPECT_EQ(MeasureCentre, QPoint(DisplayZoneRect.left, DisplayZoneRect.top));
    EXPECT_EQ(PipelineActive, 1);

    MeasurePoint = QPoint(0, 0);
    f->IMG_FullScreenMouseUp(0, 2, 20, 40);
    EXPECT_EQ(MeasurePoint, QPoint(DisplayZoneRect.left + 10, DisplayZoneRect.top + 20));
    EXPECT_EQ(MeasureDelta, MeasurePoint);

    const QPoint reticle = MeasureCentre, point = MeasurePoint;
    for (int shift : {0, 1, 6}) {
        PipelineActive = 0;
        f->IMG_FullScreenMouseUp(0, shift, 100, 100);
        EXPECT_EQ(PipelineActive, 1);
        EXPECT_EQ(MeasureCentre, reticle);
        EXPECT_EQ(MeasurePoint, point);
    }

    f->MNU_Bilinear_X2Click();
    EXPECT_TRUE(FullScreenZoom2 && FullScreenZoom4);
    EXPECT_TRUE(f->MNU_Bilinear_X2->isChecked());
    EXPECT_FALSE(f->MNU_Standard->isChecked());
    f->MNU_StandardClick();

    f->close();
    EXPECT_FALSE(FRM_Alv->MNU_PleinEcran->isChecked());
    EXPECT_EQ(f->Closing, 1);
}

TEST_F(DisplayTools, MiniPreviewAndTheLevelReadOut)
{
    // 141 client pixels less the 21 of the panel, at 1.33333 or 640 / 480.
    EXPECT_EQ(TFRM_Small::PreviewSizeFor(141, 21, 1.33333), QSize(159, 120));
    EXPECT_EQ(TFRM_Small::PreviewSizeFor(141, 21, 640.0 / 480.0), QSize(159, 120));
    EXPECT_EQ(TFRM_Small::PreviewSizeFor(10, 21, 640.0 / 480.0), QSize(1, 1));

    // A click in the preview reaches the source view scaled: a left click
    // places the tracked star of the live guide slot.
    FRM_Alv->Timer_Cam1->start(100000);
    MiniScale = 4;
    FRM_Small->RDB_Source1->setChecked(true);
    FRM_Small->Img_SmallMouseUp(0, 0, 80, 60);
    EXPECT_EQ(TrackedStarPos, QPoint(320, 240));
    FRM_Small->Img_SmallMouseUp(0, 0, 81, 61);   // 324, 244
    EXPECT_EQ(TrackedStarPos, QPoint(324, 244));

    HistogramRed[255] = 3072;
    HistogramGreen[255] = 0;
    FRM_Info->Img_HistogrammeMouseMove(255);
    EXPECT_EQ(FRM_Info->EDT_Niveau->text(), QStringLiteral("255"));
    EXPECT_EQ(FRM_Info->EDT_Nbre_R->text(), QStringLiteral("3072"));
    EXPECT_EQ(FRM_Info->EDT_Prc_R->text(), QStringLiteral("1.0000000"));
    EXPECT_EQ(FRM_Info->EDT_Prc_V->text(), QStringLiteral("0.0000000"));
    CameraSlots[1].width = CameraSlots[1].height = 0;
    FRM_Info->Img_HistogrammeMouseMove(255);
    EXPECT_EQ(FRM_Info->EDT_Prc_R->text(), QStringLiteral("0.0000000")) << "no frame: no pixels to share";
    CameraSlots[1].width = 640;
    CameraSlots[1].height = 480;

    FRM_Info->SCB_Seuil_Satur->setValue(200);
    EXPECT_EQ(FRM_Info->TNI_Seuil_Satur->Value(), 200);
}

TEST_F(DisplayTools, ScaleFullScreenReticleAndFocusLogOnALiveStarField)
{
    // The optics a user enters in the Preferences reach the scale.
    FRM_Pref->TNI_Focale->SetValue(2000);
    FRM_Pref->TNI_Larg_Pix->SetValue(5.6);
    FRM_Pref->TNI_NbPix_X->SetValue(640);
    FRM_Pref->TNI_Larg_PixExit();
    TFRM_Tool_Mesures* m = FRM_Tool_Mesures;
    EXPECT_EQ(m->TNI_Echantillonnage->text(), QStringLiteral("0.58"));

    // A Ctrl+click in the full-screen view puts the reticle on the source view.
    FRM_Alv->Timer_Cam1->start(100000);
    m->CKB_Reticule->setEnabled(true);
    m->CKB_Reticule->setChecked(true);
    FRM_Alv->PGC_Main->setCurrentWidget(FRM_Alv->TBS_Source1);
    FRM_Alv->PGC_MainChange();
    FRM_Alv->MNU_PleinEcranClick();
    TFRM_FullScreen* f = FRM_FullScreen;
    f->resize(640, 480);
    QCoreApplication::processEvents();
    const kernels::Bitmap24& full = f->IMG_FullScreen->Bitmap();
    ASSERT_GT(full.width(), 0);
    f->IMG_FullScreenMouseUp(0, 4, full.width() / 2, full.height() / 2);
    const QPoint at = MeasureCentre;
    EXPECT_TRUE(DisplayZoneRect.left <= at.x() && at.x() < DisplayZoneRect.right);
    processFrame();
    const kernels::Bitmap24& source = FRM_Alv->Image1->Bitmap();
    int marked = 0;
    for (int x = at.x() - 30; x <= at.x() + 30; ++x)
        marked += kernels::pixel(source, x, at.y()) != kernels::pixel(*SlotBitmaps[1][0], x, at.y());
    EXPECT_GT(marked, 0) << "the reticle's cross crosses the source view";
    f->close();

    // Focusing aid and its log over 20 frames of a star.
    FRM_Tool_Mesures->CKB_Reticule->setChecked(false);
    a->CKB_MAP->setEnabled(true);
    a->CKB_MAP->setChecked(true);
    const QString path = dir.filePath(QStringLiteral("focus.log"));
    a->EDT_Save_FWHM->setText(path);
    a->CKB_Save_FWHM->setChecked(true);
    TrackedStarPos = QPoint(320, 240);
    kernels::Bitmap24 frame = field.render();
    for (int y = 236; y <= 244; ++y)
        for (int x = 316; x <= 324; ++x)
            kernels::setPixel(frame, x, y, kernels::rgbColour(220, 220, 220));
    setFrame(frame);
    for (int i = 0; i < 20; ++i) {
        clock.advanceMs(40);
        processFrame();
    }
    a->CKB_Save_FWHM->setChecked(false);
    const QStringList lines = fileLines(path);
    ASSERT_GT(lines.size(), 1);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Date-Time(dd/mm/yyyy HH:MM:SS.SSSS);FWHM;")));
    for (int i = 1; i < lines.size(); ++i) {
        EXPECT_TRUE(lines[i].endsWith(u';')) << lines[i].toStdString();
        EXPECT_EQ(lines[i].count(u';'), 9) << lines[i].toStdString();
    }
}

TEST(FullScreenZoom, DoublingAveragesTheFourNeighboursWithTheEdgesRepeated)
{
    // The definition, pixel by pixel: output (2x + i, 2y + j) is the mean
    // of source columns x - 1 + i, x + i and rows y - 1 + j, y + j.
    auto reference = [](const kernels::Bitmap24& s, int dw, int dh) {
        kernels::Bitmap24 d(dw, dh);
        const int W = s.width(), H = s.height();
        for (int dy = 0; dy < std::min(dh, 2 * H); ++dy)
            for (int dx = 0; dx < std::min(dw, 2 * W); ++dx) {
                const int x = dx / 2, i = dx % 2, y = dy / 2, j = dy % 2;
                const int xs[2] = {std::clamp(x - 1 + i, 0, W - 1), std::clamp(x + i, 0, W - 1)};
                const int ys[2] = {std::clamp(y - 1 + j, 0, H - 1), std::clamp(y + j, 0, H - 1)};
                for (int c = 0; c < 3; ++c) {
                    int sum = 0;
                    for (int yy : ys)
                        for (int xx : xs)
                            sum += s.scanLine(yy)[xx * 3 + c];
                    d.scanLine(dy)[dx * 3 + c] = std::uint8_t(sum / 4);
                }
            }
        return d;
    };
    kernels::Bitmap24 source(13, 7);
    for (std::size_t k = 0; k < source.byteCount(); ++k)
        source.bits()[k] = std::uint8_t(k * 37 + k / 5);
    for (QSize out : {QSize(26, 14), QSize(25, 13), QSize(30, 20)}) {
        kernels::Bitmap24 doubled(out.width(), out.height());
        Align_V::Upscale2x(source, doubled);
        EXPECT_TRUE(kernels::SamePixels(doubled, reference(source, out.width(), out.height())))
            << out.width() << "x" << out.height();
    }
}

// The resource window's three small read-outs show the drift vector of the
// last direction the guiding computed; a vector of length 0 leaves them.
TEST_F(DisplayTools, TheResourceWindowShowsTheLastDriftVector)
{
    ASSERT_TRUE(FRM_Ressources);
    EXPECT_DOUBLE_EQ(CalcHelpers::DriftDirection(-3, 4, 5), std::atan(4.0 / -3.0) * 180 / std::numbers::pi + 180);
    EXPECT_EQ(FRM_Ressources->Edit1->text(), QStringLiteral("-3"));
    EXPECT_EQ(FRM_Ressources->Edit2->text(), QStringLiteral("4"));
    EXPECT_EQ(FRM_Ressources->Edit3->text(), QStringLiteral("5"));
    CalcHelpers::DriftDirection(0, 0, 0);
    EXPECT_EQ(FRM_Ressources->Edit3->text(), QStringLiteral("5"));
    CalcHelpers::DriftDirection(0.5, 0, 0.5);
    EXPECT_EQ(FRM_Ressources->Edit1->text(), QStringLiteral("0.5"));
}

// A stack of the camera's frames that has ended stays shown, cut or padded
// to the new size, on "Resultat" and in the full-screen view, whatever
// changes the size of the result: the bars, the ratio, guiding on the
// result, a script, a new frame size. (The thresholds are held, so that
// the levels of the part shown do not move them; followed, a stack padded
// looks as it did.) The full-screen view's scaling shows it at once.
TEST_F(DisplayTools, AnEndedStackStaysShownWhateverResizesTheResult)
{
    ASSERT_NO_FATAL_FAILURE(startStarFieldCamera());
    testsupport::click(FRM_Tool_Images->CKB_Integration);
    // With the thresholds following the levels, a stack shown in a wider
    // zone looks as it did, black around it: the padding is none of its
    // pixels and moves no level.
    ASSERT_TRUE(FRM_Tool_Images->CKB_Seuils_Evol->isChecked());
    testsupport::clickScrollBar(a->SCB_Taille_ZAffich, QStyle::SC_ScrollBarSubPage);
    ASSERT_NO_FATAL_FAILURE(stackCameraFrames(4));
    testsupport::click(shownTwin(FRM_Alv->SPDB_PleinEcran, FRM_Alv->SPDB_PleinEcran_B));
    const QImage narrow = FRM_Alv->Image3->Picture();
    const double lowThreshold = double(FRM_Tool_Images->TNI_Seuil_Min->Value());
    testsupport::clickScrollBar(a->SCB_Taille_ZAffich, QStyle::SC_ScrollBarAddPage);
    cameraFrames(1);
    const QImage wide = FRM_Alv->Image3->Picture().convertToFormat(QImage::Format_RGB32);
    ASSERT_GT(wide.width(), narrow.width()) << "the zone widened";
    QImage padded(wide.size(), QImage::Format_RGB32);
    padded.fill(Qt::black);
    QPainter(&padded).drawImage(0, 0, narrow);
    EXPECT_EQ(wide, padded);
    EXPECT_EQ(double(FRM_Tool_Images->TNI_Seuil_Min->Value()), lowThreshold);
    EXPECT_TRUE(fullScreenShowsTheResult());
    // Narrowed to a corner of dark sky, it is cut as it stood: the levels
    // stay those of all its pixels rather than the few left, which would
    // stretch the sky's noise over the whole range.
    const double highThreshold = double(FRM_Tool_Images->TNI_Seuil_Max->Value());
    int pages = 0;
    while (FRM_Alv->Image3->PictureSize().width() > 60 && pages < 70) {
        testsupport::clickScrollBar(a->SCB_Taille_ZAffich, QStyle::SC_ScrollBarSubPage);
        ++pages;
    }
    const QImage corner = FRM_Alv->Image3->Picture().convertToFormat(QImage::Format_RGB32);
    ASSERT_LE(corner.width(), 60);
    EXPECT_EQ(corner, padded.copy(0, 0, corner.width(), corner.height()));
    EXPECT_EQ(double(FRM_Tool_Images->TNI_Seuil_Max->Value()), highThreshold);
    EXPECT_EQ(double(FRM_Tool_Images->TNI_Seuil_Min->Value()), lowThreshold);
    EXPECT_TRUE(fullScreenShowsTheResult());
    for (; pages > 0; --pages)
        testsupport::clickScrollBar(a->SCB_Taille_ZAffich, QStyle::SC_ScrollBarAddPage);
    EXPECT_EQ(FRM_Alv->Image3->Picture().convertToFormat(QImage::Format_RGB32), wide);
    // The full-screen view's scaling chosen shows the stack in it at once.
    const kernels::Bitmap24 standard = FRM_FullScreen->IMG_FullScreen->Bitmap();
    ASSERT_TRUE(testsupport::chooseMenuItem(FRM_FullScreen->MNU_Mode, FRM_FullScreen->MNU_Bilinear));
    EXPECT_FALSE(kernels::SamePixels(FRM_FullScreen->IMG_FullScreen->Bitmap(), standard)) << "smoothed";
    ASSERT_TRUE(testsupport::chooseMenuItem(FRM_FullScreen->MNU_Mode, FRM_FullScreen->MNU_Standard));
    EXPECT_TRUE(fullScreenShowsTheResult());
    testsupport::click(FRM_Tool_Images->CKB_Seuils_Evol);
    ASSERT_FALSE(FRM_Tool_Images->CKB_Seuils_Evol->isChecked());
    ASSERT_NO_FATAL_FAILURE(stackCameraFrames(4));
    const QImage stacked = FRM_Alv->Image3->Picture();
    ASSERT_FALSE(allBlack(FRM_Alv->Image3->Bitmap()));
    // The high threshold lowered and raised back draws the stack again in
    // each, there and in the full-screen view.
    testsupport::clickScrollBar(FRM_Tool_Images->SCB_Maximum, QStyle::SC_ScrollBarSubPage);
    EXPECT_NE(FRM_Alv->Image3->Picture(), stacked) << "brighter";
    EXPECT_TRUE(fullScreenShowsTheResult());
    testsupport::clickScrollBar(FRM_Tool_Images->SCB_Maximum, QStyle::SC_ScrollBarAddPage);
    EXPECT_EQ(FRM_Alv->Image3->Picture(), stacked);
    EXPECT_TRUE(fullScreenShowsTheResult());
    const std::pair<const char*, std::function<void()>> changes[] = {
        {"a page of the width bar",
         [this] { testsupport::clickScrollBar(a->SCB_Taille_ZAffich, QStyle::SC_ScrollBarSubPage); }},
        {"the height bar's arrow, free ratio", [this] {
             testsupport::click(a->RDB_Ratio_Libre);
             testsupport::clickScrollBar(a->SCB_Taille_ZAffichV, QStyle::SC_ScrollBarSubLine);
         }},
        {"the screen ratio and the width left", [this] {
             testsupport::click(a->RDB_Ratio_Ecran);
             testsupport::typeInto(a->TNI_Taille_ZAffich, QString());
         }},
        {"a script's zone size", [] { Scripts::ExecuteMacroLine(QStringLiteral("display.zone.size(300)")); }},
        {"guiding on the result", [] {
             FRM_Tool_Suivi->CKB_Guide_On_Result->setEnabled(true);   // as autoguiding gives it
             testsupport::click(FRM_Tool_Suivi->CKB_Guide_On_Result);
         }},
        {"the camera's new format", [] { chooseCameraFormat(320, 240); }},
    };
    for (const auto& [what, change] : changes) {
        const QSize before = FRM_Alv->Image3->PictureSize();
        change();
        cameraFrames(1);
        const QImage shown = FRM_Alv->Image3->Picture();
        EXPECT_NE(shown.size(), before) << what;
        EXPECT_EQ(shown, stacked.copy(0, 0, shown.width(), shown.height())) << what;
        EXPECT_TRUE(fullScreenShowsTheResult()) << what;
    }
    // A dark or a flat stays shown once its camera is stopped, although the
    // stop leaves the integration page on the single image, whose plane
    // holds the stack of images above.
    for (QRadioButton* mode : {FRM_Tool_Images->RDB_Dark, FRM_Tool_Images->RDB_Flat}) {
        const char* what = mode == FRM_Tool_Images->RDB_Dark ? "dark" : "flat";
        if (!FRM_Alv->MNU_Cam1_Arreter->isEnabled()) {
            ASSERT_NO_FATAL_FAILURE(startStarFieldCamera());
        }
        if (!FRM_Tool_Images->CKB_Integration->isChecked())
            testsupport::click(FRM_Tool_Images->CKB_Integration);
        testsupport::click(mode);
        ASSERT_NO_FATAL_FAILURE(stackCameraFrames(3));
        const QImage kept = FRM_Alv->Image3->Picture();
        testsupport::click(shownTwin(FRM_Alv->SPDB_Cam1_Stop, FRM_Alv->SPDB_Cam1_Stop_B));
        ASSERT_FALSE(FRM_Alv->MNU_Cam1_Arreter->isEnabled()) << what;
        const QImage atStop = FRM_Alv->Image3->Picture();
        EXPECT_EQ(atStop, kept.copy(0, 0, atStop.width(), atStop.height())) << what << " at the camera's stop";
        const QSize before = FRM_Alv->Image3->PictureSize();
        testsupport::clickScrollBar(a->SCB_Taille_ZAffich, QStyle::SC_ScrollBarSubPage);
        const QImage shown = FRM_Alv->Image3->Picture();
        EXPECT_NE(shown.size(), before) << what;
        EXPECT_EQ(shown, kept.copy(0, 0, shown.width(), shown.height())) << what;
        EXPECT_TRUE(fullScreenShowsTheResult()) << what;
    }
}
