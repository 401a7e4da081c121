// The measurement window driven as the user drives it: the optics and the
// image scale the guide corrections read, distances, the bright-object
// measure with its running mean, the reticle and the comparison picture.

#include "imaging/pipeline_fixture.h"

#include "app/controls/float_text.h"
#include "app/frm_alv.h"
#include "app/frm_pref.h"
#include "app/helpers/calc_helpers.h"
#include "app/settings.h"
#include "capture/camera_slots.h"
#include "imaging/image_mouse.h"
#include "imaging/overlays.h"
#include "imaging/pipeline_state.h"
#include "platform/ini_document.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_mesures.h"
#include "tools/util_mesure.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <cmath>
#include <numbers>

namespace {

class MeasurementWindow : public PipelineTest {
protected:
    void SetUp() override
    {
        PipelineTest::SetUp();
        m = FRM_Tool_Mesures;
        Util_Mesure::History.reset();
    }
    void TearDown() override
    {
        if (FRM_Alv)
            FRM_Alv->Timer_Cam1->stop();
        PipelineTest::TearDown();
    }
    // Types a value into an input and leaves it, as the user does.
    static void type(TCustomNumInp* input, const QString& text)
    {
        input->setText(text);
        ASSERT_TRUE(input->DoExit());
    }
    // A picture file of w x h in the program directory.
    QString picture(const QString& name, int w, int h)
    {
        QImage image(w, h, QImage::Format_RGB888);
        image.fill(Qt::white);
        const QString path = dir.filePath(name);
        QDir().mkpath(QFileInfo(path).path());
        EXPECT_TRUE(image.save(path, "BMP"));
        return path;
    }
    QString overlay(const QString& name, const QByteArray& body)
    {
        dir.writeFile(name, "[Main]\r\n" + body);
        return dir.filePath(name);
    }
    static double overlayPixel(int x, int y) { return kernels::pixel(OverlayBitmap->bitmap, x, y); }
    static bool overlayIsBlack()
    {
        const kernels::Bitmap24& b = OverlayBitmap->bitmap;
        return std::all_of(b.bits(), b.bits() + b.byteCount(), [](std::uint8_t v) { return v == 0; });
    }
    TFRM_Tool_Mesures* m = nullptr;
};

} // namespace

TEST_F(MeasurementWindow, OpticsTypedHereOrInThePreferencesGiveTheScaleTheGuidingReads)
{
    // Typed here: Barlow 2 and reducer 0.63 on 2000 mm give 2520 mm; an
    // unchecked box counts 1.
    m->RDB_Manuelle->setChecked(true);
    EXPECT_TRUE(m->TNI_Focale->isEnabled());
    type(m->TNI_Focale, QStringLiteral("2000"));
    EXPECT_DOUBLE_EQ(double(m->TNI_Focale_Reelle->Value()), 2000);
    m->CKB_Barlow->setChecked(true);
    m->CKB_Reducteur->setChecked(true);
    EXPECT_NEAR(double(m->TNI_Focale_Reelle->Value()), 2520, 1e-9);
    EXPECT_NEAR(double(EffectiveFocalLength), 2520, 1e-9);
    m->CKB_Barlow->setChecked(false);
    m->CKB_Reducteur->setChecked(false);

    // 5.6 um pixels of a 640-pixel sensor on a 640-wide frame at 2000 mm.
    type(m->TNI_Larg_Pix, QStringLiteral("5.6"));
    type(m->TNI_NbPix_X, QStringLiteral("640"));
    const double expected = std::atan(0.0056 / 2000) * 648000 / std::numbers::pi;
    EXPECT_NEAR(double(m->TNI_Echantillonnage->Value()), expected, 1e-9);
    EXPECT_EQ(m->TNI_Echantillonnage->text(), QStringLiteral("0.58"));

    // From the Preferences: the optics are copied and locked, and a change
    // typed there reaches the scale.
    FRM_Pref->TNI_Focale->SetValue(1000);
    FRM_Pref->TNI_Larg_Pix->SetValue(7.4);
    FRM_Pref->TNI_NbPix_X->SetValue(640);
    m->RDB_Preferences->setChecked(true);
    EXPECT_FALSE(m->TNI_Focale->isEnabled());
    EXPECT_FALSE(m->TNI_Larg_Pix->isEnabled());
    EXPECT_DOUBLE_EQ(double(m->TNI_Focale->Value()), 1000);
    EXPECT_NEAR(double(m->TNI_Larg_Pix->Value()), 7.4, 1e-12);
    EXPECT_NEAR(double(m->TNI_Echantillonnage->Value()), std::atan(0.0074 / 1000) * 648000 / std::numbers::pi, 1e-9);
    FRM_Pref->TNI_Focale->setText(QStringLiteral("2000"));
    ASSERT_TRUE(FRM_Pref->TNI_Focale->DoExit());
    FRM_Pref->TNI_FocaleExit();
    EXPECT_NEAR(double(m->TNI_Echantillonnage->Value()), std::atan(0.0074 / 2000) * 648000 / std::numbers::pi, 1e-9);
}

// The window shows one scale, which the guide corrections read: it is the
// guiding slot's, whatever the other slot's frame or the last video width
// an idle slot falls back on.
TEST_F(MeasurementWindow, TheScaleShownIsTheGuidingSlotsWhenTheSlotsFramesDiffer)
{
    const auto savedSlots = CameraSlots;
    const std::int32_t lastWidth = LastVideoWidth;
    const std::uint8_t guideSlot = GuideSourceSlot;
    CameraSlots[1].width = 320;   // the guiding camera
    CameraSlots[2].width = 0;     // idle: it falls back on the last video width
    LastVideoWidth = 640;
    GuideSourceSlot = 1;
    // 10 um pixels on a 320-pixel sensor at 1000 mm: slot 1 sees whole pixels,
    // an image twice as wide would see half-pixels and half the scale.
    const double whole = std::atan(0.010 / 1000) * 648000 / std::numbers::pi;
    m->RDB_Manuelle->setChecked(true);
    type(m->TNI_Larg_Pix, QStringLiteral("10"));
    type(m->TNI_NbPix_X, QStringLiteral("320"));
    type(m->TNI_Focale, QStringLiteral("1000"));
    EXPECT_NEAR(double(m->TNI_Echantillonnage->Value()), whole, 0.01);
    EXPECT_NEAR(LastSampling, whole, 0.01);

    // The same from the Preferences' optics.
    FRM_Pref->TNI_Focale->SetValue(2000);
    FRM_Pref->TNI_Larg_Pix->SetValue(10);
    FRM_Pref->TNI_NbPix_X->SetValue(320);
    m->RDB_Preferences->setChecked(true);
    FRM_Pref->TNI_FocaleExit();
    EXPECT_NEAR(double(m->TNI_Echantillonnage->Value()), whole / 2, 0.01);

    // Guiding on slot 2, 640 wide, while slot 1 runs at 320: slot 2's scale.
    CameraSlots[2].width = 640;
    GuideSourceSlot = 2;
    FRM_Pref->TNI_FocaleExit();
    EXPECT_NEAR(double(m->TNI_Echantillonnage->Value()), whole / 4, 0.01);
    m->RDB_Manuelle->setChecked(true);
    type(m->TNI_Focale, QStringLiteral("1000"));
    EXPECT_NEAR(double(m->TNI_Echantillonnage->Value()), whole / 2, 0.01);

    CameraSlots = savedSlots;
    LastVideoWidth = lastWidth;
    GuideSourceSlot = guideSlot;
}

TEST_F(MeasurementWindow, DistanceBetweenTwoPointsAndTheUnitsOfTheObjectDistance)
{
    m->RDB_Manuelle->setChecked(true);
    // About one second of arc per pixel: 2000 mm and 9.696 um pixels.
    type(m->TNI_Focale, QStringLiteral("2000"));
    type(m->TNI_Larg_Pix, QStringLiteral("9.696274"));
    const double scale = double(m->TNI_Echantillonnage->Value());
    ASSERT_NEAR(scale, 1.0, 1e-4);

    type(m->TNI_DistObjet, QStringLiteral("384400"));
    MeasureDelta = QPoint(60, 80);
    Align_V::UpdateDistanceMeasure();
    const double angle = 100 * scale;
    EXPECT_EQ(m->EDT_Angle_Calcule->text(), CalcHelpers::DecToStr(angle));
    EXPECT_EQ(m->EDT_Distance_Calculee->text(),
              app::FloatToStrF(2 * 384400 * std::tan(angle / 2 / 648000 * std::numbers::pi), app::FloatFormat::General,
                               3, 2));
    EXPECT_NEAR(Util_Mesure::AngularToLinearSize(100, 1000), 2 * 1000 * std::tan(50 / 648000.0 * std::numbers::pi),
                1e-12);

    const long double factors[] = {1, 1000, 149598000000.0L, 9454254955488000.0L};
    for (int unit = 0; unit < 4; ++unit) {
        m->CBX_Unite->setCurrentIndex(unit);
        m->TNI_DistObjetExit();
        EXPECT_EQ(Util_Mesure::ObjectDistanceMetres, 384400 * factors[unit]) << unit;
    }
    EXPECT_EQ(Util_Mesure::DistanceToMetres(4, 1), 0);
    EXPECT_EQ(Util_Mesure::DistanceToMetres(-1, 1), 0);
}

TEST_F(MeasurementWindow, BrightObjectPixelsCountByThresholdsAndMarkTheirEnds)
{
    using namespace Util_Mesure;
    MeasureLineTable table;
    kernels::Bitmap24 grey = testsupport::uniformBitmap(4, 3, 128, 128, 128);
    EXPECT_EQ(MeasureObjectPixels(grey, 100, 200, MeasureSurface, table), 8);   // every row but the last
    EXPECT_EQ(MeasureObjectPixels(grey, 130, 255, MeasureSurface, table), 0);
    kernels::Bitmap24 red = testsupport::uniformBitmap(4, 3, 10, 10, 250);
    EXPECT_EQ(MeasureObjectPixels(red, 200, 255, MeasureSurface, table), 8);
    EXPECT_EQ(MeasureObjectPixels(red, 0, 20, MeasureSurface, table), 8);

    // Width mode: a bar from x = 10 to 29 on every row gets its two ends red.
    kernels::Bitmap24 bar(64, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 10; x < 30; ++x)
            kernels::setPixel(bar, x, y, kernels::kWhite);
    EXPECT_EQ(MeasureObjectPixels(bar, 200, 255, MeasureWidth, table), 7 * 20);
    const kernels::Colour red255 = kernels::rgbColour(255, 0, 0);
    EXPECT_EQ(kernels::pixel(bar, 19 - 10, 3), red255);
    EXPECT_EQ(kernels::pixel(bar, 19 + 10, 3), red255);
    EXPECT_EQ(kernels::pixel(bar, 19, 7), kernels::kWhite);   // the last row is not measured

    // A frame wider and taller than 801 lines measures without leaving its table.
    kernels::Bitmap24 wide = testsupport::uniformBitmap(1280, 960, 255, 255, 255);
    EXPECT_EQ(MeasureObjectPixels(wide, 1, 255, MeasureHeight, table), 1280 * 959);
    EXPECT_EQ(MeasureObjectPixels(wide, 1, 255, MeasureWidth, table), 1280 * 959);

    // Through the window: a black result gives zeros, never a division by 0.
    FRM_Alv->PGC_Main->setCurrentWidget(FRM_Alv->TBS_Resultat);
    FRM_Alv->Image3->SetPictureSize(320, 240);
    std::fill_n(FRM_Alv->Image3->Bitmap().bits(), FRM_Alv->Image3->Bitmap().byteCount(), 0);
    m->TNI_Surface_Seuil_Min->SetValue(200);
    m->RDB_Largeur->setChecked(true);
    m->BTN_Surface_CalculerClick();
    EXPECT_EQ(m->EDT_Angle_Calcule_S->text(), CalcHelpers::DecToStr(0));
    EXPECT_EQ(m->EDT_Dimension_Calcule_S->text(), QStringLiteral("0"));
}

TEST_F(MeasurementWindow, RunningMeanOverTheFilledSlotsRestartsWithEveryChange)
{
    using Util_Mesure::History;
    EXPECT_DOUBLE_EQ(History.add(10, 3), 10);
    EXPECT_DOUBLE_EQ(History.add(20, 3), 15);   // the two values, not their sum over one
    EXPECT_DOUBLE_EQ(History.add(30, 3), 20);
    EXPECT_DOUBLE_EQ(History.add(40, 3), 30);   // the oldest has left the ring
    Util_Mesure::ResetMeasureHistory();
    EXPECT_DOUBLE_EQ(History.add(7, 3), 7);

    // Thresholds, mode, distance and count each restart the mean.
    auto restartsOn = [&](const std::function<void()>& change, const char* what) {
        History.add(5, 50);
        History.add(6, 50);
        change();
        EXPECT_EQ(History.filled, 0) << what;
    };
    restartsOn([&] { int p = 120; m->SCB_Surface_Seuil_MiniScroll(4, p); }, "min threshold");
    EXPECT_DOUBLE_EQ(double(m->TNI_Surface_Seuil_Min->Value()), 120);
    restartsOn([&] { int p = 240; m->SCB_Surface_Seuil_MaxiScroll(4, p); }, "max threshold");
    restartsOn([&] { m->RDB_Hauteur->setChecked(true); }, "mode");
    restartsOn([&] { m->SPED_Nb_images_moy->setValue(10); }, "count");
    restartsOn([&] { type(m->TNI_DistObjet1, QStringLiteral("2")); }, "distance");
}

TEST_F(MeasurementWindow, ReticleOnlyOverALiveGuideSlotAndItsCentring)
{
    m->CKB_Reticule->setEnabled(true);
    m->RDB_Manuelle->setChecked(true);
    type(m->TNI_Larg_Pix, QStringLiteral("9.696274"));
    MeasureCentre = QPoint(100, 100);
    CameraSlots[1].sourceKind = 0;
    CameraSlots[1].streamMode = 0;
    FRM_Alv->Timer_Cam1->stop();
    Align_V::ClearOverlay();
    m->CKB_Reticule->setChecked(true);
    EXPECT_TRUE(overlayIsBlack()) << "a stopped grab camera draws no reticle";

    FRM_Alv->Timer_Cam1->start(100000);
    m->CKB_ReticuleClick();
    EXPECT_FALSE(overlayIsBlack());

    // The diagonal mirror of the Preferences turns the reticle at once.
    if (!m->CKB_Croix->isChecked())
        m->CKB_Croix->click();
    const kernels::Bitmap24& overlay = OverlayBitmap->bitmap;
    const std::vector<std::uint8_t> upright(overlay.bits(), overlay.bits() + overlay.byteCount());
    FRM_Pref->CKB_RenvoiCoude->click();
    const std::vector<std::uint8_t> mirrored(overlay.bits(), overlay.bits() + overlay.byteCount());
    EXPECT_NE(mirrored, upright);
    FRM_Pref->CKB_RenvoiCoude->click();
    EXPECT_EQ(std::vector<std::uint8_t>(overlay.bits(), overlay.bits() + overlay.byteCount()), upright);

    int position = 1234;
    m->SCB_OrientScroll(4, position);
    EXPECT_NEAR(double(m->TNI_Orient->Value()), 123.4, 1e-9);

    TrackedStarPos = QPoint(200, 150);
    m->BTN_Centrer_reticule_sur_mireClick();
    EXPECT_EQ(MeasureCentre, QPoint(200, 150));
    m->BTN_Centrer_Reticule_sur_ecranClick();
    EXPECT_EQ(MeasureCentre, QPoint(320, 240));
}

TEST_F(MeasurementWindow, ComparisonPictureFilesAndTheirSizeCheck)
{
    testsupport::RecordingDialogService dialogs;
    m->RDB_Manuelle->setChecked(true);
    type(m->TNI_Larg_Pix, QStringLiteral("9.696274"));   // about 1"/px
    picture(QStringLiteral("pics/moon.bmp"), 40, 20);
    auto choose = [&](const QString& path) {
        dialogs.openAnswers.push_back(path);
        m->BTN_Image_ComparativeClick();
    };
    const TOverlayPictureRecord& rec = m->OverlayPictureRecord;

    // Kilometres: DX 3474 km is 3474000 m; without CX/CY the centre is the anchor.
    choose(overlay(QStringLiteral("moon.ovl"), "File=pics\\moon.bmp\r\nUnit=1\r\nDX=3474\r\nDY=3474\r\n"));
    EXPECT_TRUE(m->CKB_Fichier_Comparaison->isEnabled());
    EXPECT_EQ(rec.DX, 3474000.0L);
    EXPECT_EQ(rec.CX, 20);
    EXPECT_EQ(rec.CY, 10);
    // Astronomical units and light-years are the units' factors.
    choose(overlay(QStringLiteral("au.ovl"), "File=pics/moon.bmp\r\nUnit=2\r\nDX=1\r\nDY=0\r\nCX=3\r\nCY=4\r\n"));
    EXPECT_EQ(rec.DX, 149598000000.0L);
    EXPECT_EQ(rec.CX, 3);
    choose(overlay(QStringLiteral("ly.ovl"), "File=pics/moon.bmp\r\nUnit=3\r\nDX=1\r\nDY=1\r\n"));
    EXPECT_EQ(rec.DY, 9454254955488000.0L);
    // DX 0 with DY 500 is a size.
    choose(overlay(QStringLiteral("dy.ovl"), "File=pics/moon.bmp\r\nDX=0\r\nDY=500\r\n"));
    EXPECT_TRUE(m->CKB_Fichier_Comparaison->isEnabled());
    m->CKB_Fichier_Comparaison->setChecked(true);

    // Refused, each disabling and unchecking the box: no size, an unknown
    // unit, a size that is not a number, a missing picture or description.
    for (const QByteArray& body : {QByteArray("File=pics/moon.bmp\r\nDX=0\r\nDY=0\r\n"),
                                   QByteArray("File=pics/moon.bmp\r\nUnit=7\r\nDX=1\r\nDY=1\r\n"),
                                   QByteArray("File=pics/moon.bmp\r\nDX=abc\r\n"),
                                   QByteArray("File=pics/none.bmp\r\nDX=1\r\nDY=1\r\n")}) {
        choose(overlay(QStringLiteral("bad.ovl"), body));
        EXPECT_FALSE(m->CKB_Fichier_Comparaison->isEnabled()) << body.toStdString();
        EXPECT_FALSE(m->CKB_Fichier_Comparaison->isChecked()) << body.toStdString();
        m->CKB_Fichier_Comparaison->setEnabled(true);
        m->CKB_Fichier_Comparaison->setChecked(true);
    }
    choose(dir.filePath(QStringLiteral("missing.ovl")));
    EXPECT_FALSE(m->CKB_Fichier_Comparaison->isEnabled());
    dir.writeFile(QStringLiteral("junk.ovl"), QByteArray("\x01\x02 not an ini", 14));
    choose(dir.filePath(QStringLiteral("junk.ovl")));
    EXPECT_FALSE(m->CKB_Fichier_Comparaison->isEnabled());

    // The size check: half sizes up to 4096 pixels pass, 4097 warns.
    using Util_Mesure::FitOverlay;
    const double px = 648000 / std::numbers::pi;   // 1 m at 1 m, 1"/px: 2 atan(0.5) in pixels
    const double full = 2 * std::atan(0.5) * px;
    const double scaleFor4096 = full / 2 / 4096.5;   // half size 4096.5 -> 4096
    EXPECT_TRUE(FitOverlay(1, 1, 1, scaleFor4096).fits);
    EXPECT_EQ(FitOverlay(1, 1, 1, scaleFor4096).halfHeight, 4096);
    EXPECT_TRUE(FitOverlay(1, 1, 1, full / 2 / 4097.5).tooLarge);
    EXPECT_TRUE(FitOverlay(1e9, 1, 1, 1).tooLarge);          // far beyond int32
    EXPECT_FALSE(FitOverlay(1, 1, 1, 0).fits);               // no scale before a camera
    EXPECT_FALSE(FitOverlay(1, 1, 1, 0).tooLarge);

    // Too large through the window: the warning, no picture, the reticle still drawn.
    boxes.clear();
    choose(overlay(QStringLiteral("near.ovl"), "File=pics/moon.bmp\r\nDX=1000\r\nDY=1000\r\n"));
    m->CKB_Fichier_Comparaison->setChecked(true);
    type(m->TNI_DistObjet, QStringLiteral("1"));
    ASSERT_FALSE(boxes.texts().isEmpty());
    EXPECT_EQ(boxes.texts().last(), QStringLiteral("Warning ! Image too large.\r\nObject too close or focal length too long"));
    EXPECT_EQ(m->OverlayPictureRecord.Valid, 0);
}
