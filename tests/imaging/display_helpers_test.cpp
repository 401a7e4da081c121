#include "pipeline_fixture.h"

#include "app/frm_alv.h"
#include "app/frm_pref.h"
#include "app/settings.h"
#include "imaging/display_helpers.h"
#include "imaging/focus_aids.h"
#include "imaging/overlays.h"
#include "imaging/pipeline_state.h"
#include "platform/memory_status.h"
#include "scripting/frm_progress.h"
#include "tools/frm_fwhm.h"
#include "tools/frm_ressources.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_images.h"

#include <QGridLayout>
#include <QLabel>

#include <cmath>

using testsupport::uniformBitmap;

TEST_F(PipelineTest, IntegrationKindFollowsTheImageTool)
{
    auto* t = FRM_Tool_Images;
    t->CKB_Integration->setChecked(true);
    EXPECT_EQ(Align_V::GetIntegrationKind(), 0);   // single image chosen
    t->RDB_Dark->setChecked(true);
    EXPECT_EQ(Align_V::GetIntegrationKind(), 1);
    t->RDB_Flat->setChecked(true);
    EXPECT_EQ(Align_V::GetIntegrationKind(), 2);
    t->CKB_Integration->setChecked(false);
    EXPECT_EQ(Align_V::GetIntegrationKind(), 0);
    t->RDB_Boucle->setChecked(true);
    EXPECT_EQ(Align_V::GetIntegrationKind(), 0);
}

TEST_F(PipelineTest, TheResourcesWindowNamesEachFigureItShows)
{
    // Each read-only figure sits beside the label that says what it is.
    const std::pair<QLineEdit*, const char*> figures[] = {
        {FRM_Ressources->EDT_Memoryload, "% d'utilisation :"},
        {FRM_Ressources->EDT_TotalPhys, "Memoire physique totale :"},
        {FRM_Ressources->EDT_AvailVirtual, "Memoire utilisateur libre :"},
        {FRM_Ressources->EDT_Temps_addition, "Temps d'addition (ms) :"},
        {FRM_Ressources->EDT_Temps_BitBlt, "Temps Bitblt (ms) :"},
    };
    auto* grid = qobject_cast<QGridLayout*>(FRM_Ressources->centralWidget()->layout());
    ASSERT_TRUE(grid);
    for (const auto& [edit, caption] : figures) {
        int row = -1, column = -1, rows = 0, columns = 0;
        grid->getItemPosition(grid->indexOf(edit), &row, &column, &rows, &columns);
        ASSERT_GT(column, 0) << caption;
        auto* label = qobject_cast<QLabel*>(grid->itemAtPosition(row, column - 1)->widget());
        ASSERT_TRUE(label) << caption;
        EXPECT_EQ(label->text(), QString::fromUtf8(caption));
        EXPECT_TRUE(edit->isReadOnly()) << caption;
    }
}

TEST_F(PipelineTest, FrameRingStopsAtTheMemoryBudget)
{
    // 1,000,000 kB of memory keep a margin of 256 MiB: 264,100 kB available
    // leave a budget of 2,002,944 bytes, eight bitmaps of 320 x 257.
    dir.writeFile(QStringLiteral("meminfo"), "MemTotal: 1000000 kB\nMemAvailable: 264100 kB\n");
    platform::setMeminfoPath(dir.filePath(QStringLiteral("meminfo")));

    ASSERT_EQ(Align_V::AllocFrameRing(5, 320, 257, 24), 5);
    EXPECT_TRUE(FrameRingAllocated);
    EXPECT_EQ(FrameRingCount, 5);
    ASSERT_TRUE(FrameRing[5]);
    EXPECT_EQ(FrameRing[5]->width(), 320);
    EXPECT_FALSE(FRM_Alv->ExtraProgress->isVisible());
    EXPECT_EQ(FRM_Ressources->EDT_AvailPhys->text(), QString::number(264100ull * 1024));
    EXPECT_TRUE(boxes.shown.empty());
    Align_V::FreeFrameRing(FrameRingCount);
    EXPECT_FALSE(FrameRingAllocated);
    EXPECT_TRUE(FrameRing.empty());

    // Beyond the budget the ring stops there, is kept and is reported once;
    // so is one beyond the 16-bit count.
    EXPECT_EQ(Align_V::AllocFrameRing(999991, 320, 257, 24), 8);
    EXPECT_TRUE(FrameRingAllocated);
    EXPECT_EQ(FrameRingCount, 8);
    EXPECT_EQ(FrameRing.size(), 9u);
    EXPECT_TRUE(FrameRing[8]);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].text.endsWith(QStringLiteral("(8)")));
    // Not even one bitmap: nothing, and the old ring is gone.
    EXPECT_EQ(Align_V::AllocFrameRing(3, 1280, 1024, 24), 0);
    EXPECT_FALSE(FrameRingAllocated);
    EXPECT_TRUE(FrameRing.empty());
    EXPECT_EQ(boxes.shown.size(), 2u);

    // A failure midway frees what was made and closes the progress window.
    Align_V::testing::failRingAllocationAt = 3;
    EXPECT_EQ(Align_V::AllocFrameRing(5, 320, 257, 24), 0);
    Align_V::testing::failRingAllocationAt = 0;
    EXPECT_TRUE(FrameRing.empty());
    EXPECT_FALSE(FrameRingAllocated);
    EXPECT_FALSE(FRM_Alv->ExtraProgress->isVisible());
    EXPECT_EQ(boxes.shown.size(), 3u);

    // A count of 0 frees an existing ring and makes nothing.
    Align_V::AllocFrameRing(2, 10, 10, 24);
    EXPECT_EQ(Align_V::AllocFrameRing(0, 10, 10, 24), 0);
    EXPECT_FALSE(FrameRingAllocated);
    platform::setMeminfoPath({});
}

TEST(DisplayHelpers, BlendDoublingAndDriftScale)
{
    const kernels::Bitmap24 src = uniformBitmap(4, 4, 100, 100, 100);
    kernels::Bitmap24 dst = uniformBitmap(6, 6, 0, 0, 0);
    Align_V::BlendIntoBitmap(src, {0, 0, 4, 4}, dst, 1, {1, 1, 5, 5});
    EXPECT_EQ(kernels::pixel(dst, 1, 1), 0x646464u);
    EXPECT_EQ(kernels::pixel(dst, 0, 0), 0u);
    // N = 5: a fifth of the way; N of 0 or less counts as 1.
    dst = uniformBitmap(6, 6, 0, 0, 0);
    Align_V::BlendIntoBitmap(src, {0, 0, 4, 4}, dst, 5, {1, 1, 5, 5});
    EXPECT_EQ(kernels::pixel(dst, 4, 4), 0x141414u);
    Align_V::BlendIntoBitmap(src, {0, 0, 4, 4}, dst, 0, {1, 1, 5, 5});
    EXPECT_EQ(kernels::pixel(dst, 4, 4), 0x646464u);
    // Partly outside the destination: only the overlap is blended.
    dst = uniformBitmap(6, 6, 0, 0, 0);
    Align_V::BlendIntoBitmap(src, {0, 0, 4, 4}, dst, 1, {-2, 4, 2, 8});
    EXPECT_EQ(kernels::pixel(dst, 1, 5), 0x646464u);
    EXPECT_EQ(kernels::pixel(dst, 2, 5), 0u);

    // 2 x 2 doubled: corners are the source pixels, the centre their mean.
    kernels::Bitmap24 s(2, 2), d(4, 4);
    kernels::setPixel(s, 0, 0, 0x000000);
    kernels::setPixel(s, 1, 0, 0x040404);
    kernels::setPixel(s, 0, 1, 0x080808);
    kernels::setPixel(s, 1, 1, 0x0C0C0C);
    Align_V::Upscale2x(s, d);
    EXPECT_EQ(kernels::pixel(d, 0, 0), 0x000000u);
    EXPECT_EQ(kernels::pixel(d, 3, 3), 0x0C0C0Cu);
    EXPECT_EQ(kernels::pixel(d, 1, 1), 0x060606u);
    EXPECT_EQ(kernels::pixel(d, 1, 0), 0x020202u);   // along the edge, two pixels

    ProcedureElapsed = 1.5;
    EXPECT_DOUBLE_EQ(Align_V::DriftScaleAngle(10), M_PI / 648000);
    ProcedureElapsed = 10;
    EXPECT_DOUBLE_EQ(Align_V::DriftScaleAngle(0), M_PI / 648000);
    EXPECT_DOUBLE_EQ(Align_V::DriftScaleAngle(15.041017), 10.0 / 648000 * M_PI);
    EffectiveFocalLength = 1000;
    EXPECT_NEAR(Align_V::PixelSizeFromAngle(M_PI / 648000), 4.848, 1e-3);
}

TEST_F(PipelineTest, FocusAidsAtTheirTolerances)
{
    FocusTolerance = 0.01;
    FocusSensitivity = 0.01;
    // Within 1 % of the best: "TOP" and the green lamp in both windows.
    Align_V::PlayFocusSound(false, 1000, 2000, 1985, 1900);
    Align_V::UpdateFocusIndicators(1, false, 1000, 2000, 1985, 1900);
    EXPECT_EQ(sounds.played, QStringList{"TOP"});
    EXPECT_EQ(Align_V::PanelColour(FRM_FWHM->PNL_Vert), Align_V::kGreen);
    EXPECT_EQ(Align_V::PanelColour(FRM_Tool_Affichage->PNL_Vert), Align_V::kGreen);
    EXPECT_EQ(Align_V::PanelColour(FRM_Tool_Affichage->PNL_Rouge), Align_V::kLampSilver);
    // Better by more than the sensitivity: "OUI" and orange; worse: "NON" and red.
    Align_V::PlayFocusSound(false, 1000, 2000, 1800, 1700);
    Align_V::UpdateFocusIndicators(1, false, 1000, 2000, 1800, 1700);
    EXPECT_EQ(Align_V::PanelColour(FRM_FWHM->PNL_Orange), Align_V::kLampOrange);
    Align_V::PlayFocusSound(true, 4, 2, 3.5, 3);
    Align_V::UpdateFocusIndicators(0, true, 4, 2, 3.5, 3);
    EXPECT_EQ(sounds.played, (QStringList{"TOP", "OUI", "NON"}));
    EXPECT_EQ(Align_V::PanelColour(FRM_FWHM->PNL_Rouge), Align_V::kRed);
    EXPECT_EQ(FocusHistory[128].Colour, std::int32_t(Align_V::kRed));
    // With no tolerance only the best itself is "TOP".
    FocusTolerance = 0;
    Align_V::PlayFocusSound(false, 1000, 2000, 1999, 1999);
    Align_V::PlayFocusSound(false, 1000, 2000, 2000, 1999);
    EXPECT_EQ(sounds.played.mid(3), QStringList{"TOP"});

    // The graph: equal best and worst give a range of 0.1; huge values stay
    // on the graph instead of overflowing it.
    for (int i = 0; i < 130; ++i)
        Align_V::DrawFocusHistory(1, std::int32_t(Align_V::kGreen), 5, 5, i % 2 ? 1e300 : -1e300);
    const kernels::Bitmap24& g = FRM_FWHM->IMG_HistFWHM->Bitmap();
    EXPECT_EQ(g.width(), 128);
    EXPECT_EQ(kernels::pixel(g, 50, 0) == Align_V::kGreen || kernels::pixel(g, 51, 0) == Align_V::kGreen, true);
    Align_V::DrawFocusHistory(1, 0, std::nan(""), 5, std::nan(""));
}
