#include "pipeline_fixture.h"

#include "app/frm_alv.h"
#include "imaging/pipeline_state.h"
#include "imaging/display_zone.h"
#include "imaging/overlays.h"
#include "kernels/raster.h"
#include "support/star_field.h"
#include "tools/frm_tool_images.h"

#include <QCoreApplication>
#include <QImage>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabWidget>

#include <vector>

namespace {

// Colour of the result pixel (rx, ry) that the plain display takes from `frame`.
std::uint32_t expectedPixel(const kernels::Bitmap24& frame, int rx, int ry)
{
    return kernels::pixel(frame, DisplayZoneRect.left + rx - ZoneImageRect.left,
                          DisplayZoneRect.top + ry - ZoneImageRect.top);
}

std::uint32_t colourOf(const QImage& image, int x, int y)
{
    const QRgb c = image.pixel(x, y);
    return std::uint32_t(qRed(c)) | std::uint32_t(qGreen(c)) << 8 | std::uint32_t(qBlue(c)) << 16;
}

} // namespace

// The plain display draws the result view at each frame only while the view
// shows. Hidden, the view is drawn when it is shown again or its picture is
// read, from the last frame processed: never an older one.
TEST_F(PipelineTest, AHiddenResultViewIsDrawnWhenShownOrReadAndNeverStale)
{
    FRM_Alv->resize(800, 600);
    FRM_Alv->show();
    FRM_Alv->PGC_Main->setCurrentWidget(FRM_Alv->TBS_Source1);
    QCoreApplication::processEvents();
    TImageView* result = FRM_Alv->Image3;
    ASSERT_FALSE(result->isVisible());

    const kernels::Bitmap24 first = field.render();
    kernels::Bitmap24 second = first;
    for (int y = 0; y < second.height(); ++y)
        for (int x = 0; x < second.width() * 3; ++x)
            second.scanLine(y)[x] ^= 0x55;
    const int rx = 10, ry = 20;
    ASSERT_NE(expectedPixel(first, rx, ry), expectedPixel(second, rx, ry));

    setFrame(first);
    processFrame();
    EXPECT_TRUE(result->FillWaiting()) << "nothing drawn into a hidden view";
    setFrame(second);
    processFrame();

    // Shown again, the view paints the last frame.
    FRM_Alv->PGC_Main->setCurrentWidget(FRM_Alv->TBS_Resultat);
    ASSERT_TRUE(result->isVisible());
    const QImage shown = result->grab().toImage();
    EXPECT_FALSE(result->FillWaiting());
    EXPECT_EQ(colourOf(shown, rx, ry), expectedPixel(second, rx, ry));

    // While it shows, each frame is drawn at once.
    setFrame(first);
    processFrame();
    EXPECT_FALSE(result->FillWaiting());
    EXPECT_EQ(colourOf(result->grab().toImage(), rx, ry), expectedPixel(first, rx, ry));

    // Hidden again: whoever reads the result (a save, a measure) gets the
    // last frame too.
    FRM_Alv->PGC_Main->setCurrentWidget(FRM_Alv->TBS_Source1);
    setFrame(second);
    processFrame();
    EXPECT_TRUE(result->FillWaiting());
    EXPECT_EQ(kernels::pixel(result->Bitmap(), rx, ry), expectedPixel(second, rx, ry));
    EXPECT_FALSE(result->FillWaiting());
    FRM_Alv->hide();
}

// With an addition running, the result is made at every frame whether its
// view shows or not; hidden, the view is filled from it only when shown or
// read. Counts, saves and what the view shows are those of a shown view.
TEST_F(PipelineTest, AHiddenAdditionResultIsCopiedIntoItsViewWhenShownOrRead)
{
    auto* t = FRM_Tool_Images;
    FRM_Alv->resize(800, 600);
    FRM_Alv->show();
    t->CKB_Seuils_Evol->setChecked(false);
    t->SCB_Minimum->setValue(0);
    t->SCB_Maximum->setValue(512);
    t->SPED_Nb_Bitmap->setValue(10);
    t->CBX_TypeFichier->setCurrentText(QStringLiteral("BMP (24 bits RGB)"));
    TImageView* view = FRM_Alv->Image3;

    // The same frame twice: each is kept, and the sum grows.
    const kernels::Bitmap24 sky = field.render();
    const auto total = [](const kernels::Bitmap24& b) {
        std::uint64_t sum = 0;
        for (int y = 0; y < b.height(); ++y)
            for (int x = 0; x < b.width() * 3; ++x)
                sum += b.scanLine(y)[x];
        return sum;
    };

    struct Run {
        int frames = 0;
        std::vector<QRgb> saved;
        QImage shown;
    };
    // Two frames added with the result page shown or not; then a save
    // (when `suffix` is given) and the result page shown.
    const auto run = [&](bool hidden, int suffix) {
        Run r;
        DeepImagePlanes().clear(0);
        AdditionFrameCount[0] = 0;
        Align_V::ClearImage3();
        t->CKB_Integration->setChecked(true);
        t->BTN_Demarrer_Add->setEnabled(false);
        t->BTN_Arreter_Add->setEnabled(true);
        FRM_Alv->PGC_Main->setCurrentWidget(hidden ? FRM_Alv->TBS_Source1 : FRM_Alv->TBS_Resultat);
        QCoreApplication::processEvents();
        EXPECT_EQ(view->isVisible(), !hidden);
        setFrame(sky);
        processFrame();
        const std::uint64_t afterFirst = total(*ResultBitmap);
        processFrame();
        EXPECT_GT(total(*ResultBitmap), afterFirst) << "the result is made at each frame";
        EXPECT_EQ(view->FillWaiting(), hidden);
        r.frames = AdditionFrameCount[0];
        if (suffix) {
            t->EDT_Nom_Image->setText(dir.filePath(QStringLiteral("somme")));
            t->RDB_Images_Apres_Traitement->setChecked(true);   // the result, not the zone
            EXPECT_FALSE(t->SaveZoneBeforeProcessing());
            t->TNI_Num_Suffixe->SetValue(suffix);
            t->BTN_Enregistrer_ImageClick();
            EXPECT_FALSE(view->FillWaiting()) << "the save read the result";
            const QImage saved(dir.filePath(QStringLiteral("somme%1.bmp").arg(suffix)));
            for (int y = 0; y < saved.height(); ++y)
                for (int x = 0; x < saved.width(); ++x)
                    r.saved.push_back(saved.pixel(x, y));
        }
        FRM_Alv->PGC_Main->setCurrentWidget(FRM_Alv->TBS_Resultat);
        r.shown = view->grab().toImage();
        EXPECT_FALSE(view->FillWaiting());
        t->BTN_Demarrer_Add->setEnabled(true);
        t->BTN_Arreter_Add->setEnabled(false);
        return r;
    };

    const Run shown = run(false, 1);
    ASSERT_EQ(shown.frames, 2);
    ASSERT_FALSE(shown.saved.empty());
    const Run saved = run(true, 2);
    EXPECT_EQ(saved.frames, 2);
    EXPECT_TRUE(saved.saved == shown.saved);
    EXPECT_EQ(saved.shown, shown.shown);
    const Run painted = run(true, 0);
    EXPECT_EQ(painted.frames, 2);
    EXPECT_EQ(painted.shown, shown.shown);
    FRM_Alv->hide();
}

// A display zone reaching past the frame's edge leaves part of the result
// without a frame pixel: that part is black at every frame, in the plain
// display and in the addition, never what an earlier frame put there.
TEST_F(PipelineTest, TheResultOutsideAZoneClippedByTheFrameIsBlack)
{
    const kernels::Bitmap24 bright = testsupport::uniformBitmap(640, 480, 200, 200, 200);
    const kernels::Bitmap24 dim = testsupport::uniformBitmap(640, 480, 60, 60, 60);
    const auto zoneAt = [](QPoint centre) {
        DisplayZoneCenter = centre;
        Align_V::ComputeDisplayZone(1);
    };

    // The result view as whoever reads it gets it.
    const auto result = [] { return FRM_Alv->Image3->Bitmap(); };

    // Plain display: a whole zone, then one in the frame's corner.
    setFrame(bright);
    processFrame();
    ASSERT_EQ(at(result(), 5, 5), at(bright, 0, 0));
    zoneAt(QPoint(0, 0));
    ASSERT_GT(ZoneImageRect.left, 5);
    ASSERT_GT(ZoneImageRect.top, 5);
    setFrame(dim);
    processFrame();
    EXPECT_EQ(at(result(), ZoneImageRect.left + 1, ZoneImageRect.top + 1), at(dim, 1, 1));
    EXPECT_EQ(at(result(), 5, 5), 0u) << "left of and above the clipped zone";
    EXPECT_EQ(at(result(), ZoneImageRect.left + 1, 5), 0u);
    EXPECT_EQ(at(result(), 5, ZoneImageRect.top + 1), 0u);
    // The same at the opposite corner.
    zoneAt(QPoint(320, 240));
    setFrame(bright);
    processFrame();
    zoneAt(QPoint(639, 479));
    setFrame(dim);
    processFrame();
    ASSERT_LT(ZoneImageRect.right, result().width() - 5);
    EXPECT_EQ(at(result(), ZoneImageRect.left + 1, ZoneImageRect.top + 1), at(dim, 1, 1));
    EXPECT_EQ(at(result(), result().width() - 5, result().height() - 5), 0u) << "right of and below it";

    // The addition adds black there, not an earlier zone.
    auto* t = FRM_Tool_Images;
    t->CKB_Seuils_Evol->setChecked(false);
    t->SCB_Minimum->setValue(0);
    t->SCB_Maximum->setValue(256);
    t->SPED_Nb_Bitmap->setValue(0);   // no frame limit
    t->CKB_Integration->setChecked(true);
    t->BTN_Demarrer_Add->setEnabled(false);
    t->BTN_Arreter_Add->setEnabled(true);
    zoneAt(QPoint(320, 240));
    setFrame(bright);
    processFrame();
    ASSERT_GT(DeepImagePlanes().pixel(0, 5, 5)[0], 0);
    DeepImagePlanes().clear(0);
    AdditionFrameCount[0] = 0;
    zoneAt(QPoint(0, 0));
    setFrame(dim);
    processFrame();
    EXPECT_EQ(DeepImagePlanes().pixel(0, 5, 5)[0], 0) << "nothing was added outside the zone";
    EXPECT_GT(DeepImagePlanes().pixel(0, ZoneImageRect.left + 1, ZoneImageRect.top + 1)[0], 0);
    EXPECT_EQ(at(*ResultBitmap, 5, 5), 0u);
}
