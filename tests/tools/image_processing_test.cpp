// The processing pages of the image tool: kernel rings and grids, kernel and
// curve files, the colour mixer, the shadow correction page, the star
// search, the file type, and the pixel read-out.

#include "image_tool_fixture.h"

#include "app/controls/num_inp.h"
#include "app/frm_alv.h"
#include "app/frm_pref.h"
#include "app/settings.h"
#include "app/ui/window_front.h"
#include "app/ui/window_placement.h"
#include "capture/camera_slots.h"
#include "imaging/pipeline_state.h"
#include "imaging/wavelet_module.h"
#include "kernels/raster.h"
#include "kernels/tool_files.h"
#include "support/star_field.h"
#include "support/user_input.h"
#include "tools/frm_info.h"
#include "tools/frm_matdec.h"
#include "tools/frm_tool_images.h"
#include "tools/star_detection.h"
#include "tools/util_images.h"
#include "translation/language.h"
#include "translation/translated_texts.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QScrollArea>
#include <QTableWidget>
#include <cmath>

using namespace Util_Images;

namespace {

TFRM_Tool_Images& tool() { return *FRM_Tool_Images; }
TFRM_Matdec& grids() { return *FRM_Matdec; }

int cell(int n, int c, int r) { return grids().Cell(n, c, r).toInt(); }

void setRing(int k, double value)
{
    TCustomNumInp* inputs[] = {tool().TNI_Set_1, tool().TNI_Set_3, tool().TNI_Set_5, tool().TNI_Set_7,
                               tool().TNI_Set_9};
    inputs[(k - 1) / 2]->SetValue(value);
    Settings::RunHandler(QStringLiteral("FRM_Tool_Images.TNI_Set_%1Change").arg(k));
}

// A user's edit of one cell of grid n.
void editCell(int n, int c, int r, const QString& text) { grids().Grid(n)->item(r, c)->setText(text); }

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

TEST_F(ImageTool, RingLevelsWriteTheirRingsAndAutoSetsCentreAndDivisor)
{
    // Auto with the rings at 0: centre 1000, divisor 1000 (gain 1).
    ASSERT_TRUE(tool().CKB_Diviseur_Auto->isChecked());
    ASSERT_TRUE(tool().RDB_9x9->isChecked());
    setRing(1, 1000);
    EXPECT_EQ(ConvolutionKernel.Coefficients[40], 1000);
    EXPECT_EQ(ConvolutionKernel.Divisor, 1000);
    EXPECT_EQ(tool().SPED_Diviseur->value(), 1000);

    // Ring 3 at 5 writes "5" into the eight cells at distance 1 only.
    setRing(3, 5);
    for (int r = 0; r < 9; ++r)
        for (int c = 0; c < 9; ++c) {
            const int d = std::max(std::abs(r - 4), std::abs(c - 4));
            EXPECT_EQ(cell(9, c, r), d == 1 ? 5 : d == 0 ? 1000 : 0) << r << "," << c;
        }
    EXPECT_EQ(cell(3, 0, 0), 5);   // the centre squares follow
    EXPECT_EQ(tool().EDT_Total_Filtre->text(), QStringLiteral("1040"));

    // Ring 3 at -200 (sum -600): centre 1600, its maximum raised, sum 0, divisor 1.
    tool().TNI_Set_1->SetMax(1500);
    setRing(3, -200);
    EXPECT_EQ(cell(9, 4, 4), 1600);
    EXPECT_EQ(double(tool().TNI_Set_1->Value()), 1600);
    EXPECT_EQ(double(tool().TNI_Set_1->Max()), 1601);
    EXPECT_EQ(tool().SCB_Set_1->value(), 1600);
    EXPECT_EQ(tool().EDT_Total_Filtre->text(), QStringLiteral("0"));
    EXPECT_EQ(ConvolutionKernel.Divisor, 1);

    // Back to 0: the centre returns to 1000 and the divisor is the new sum,
    // not the sum before the centre changed.
    setRing(3, 0);
    EXPECT_EQ(cell(9, 4, 4), 1000);
    EXPECT_EQ(ConvolutionKernel.Divisor, 1000);
    EXPECT_EQ(tool().SPED_Diviseur->value(), 1000);

    // A sum beyond the divisor box's 1000 is shown whole, its maximum raised.
    setRing(3, -50);
    EXPECT_EQ(ConvolutionKernel.Divisor, 600);
    setRing(3, 100);
    EXPECT_EQ(ConvolutionKernel.Divisor, 1800);
    EXPECT_EQ(tool().SPED_Diviseur->value(), 1800);
    EXPECT_GE(tool().SPED_Diviseur->maximum(), 1800);
}

TEST_F(ImageTool, ResetButtonsAndTheSizeChoice)
{
    tool().CKB_Diviseur_Auto->setChecked(false);
    EXPECT_TRUE(tool().SCB_Set_1->isEnabled());
    tool().SPED_Diviseur->setValue(77);
    setRing(3, 12);
    setRing(9, -4);
    tool().BTN_Reset_Filtre->click();
    EXPECT_EQ(cell(9, 4, 4), 900);
    EXPECT_EQ(double(tool().TNI_Set_1->Value()), 900);
    EXPECT_EQ(cell(9, 3, 3), 0);
    EXPECT_EQ(cell(9, 0, 0), 0);
    EXPECT_EQ(tool().SCB_Set_3->value(), 0);
    EXPECT_EQ(ConvolutionKernel.Divisor, 77);   // kept without "Auto"
    tool().BTN_Reset_Set_1->click();
    EXPECT_EQ(cell(9, 4, 4), 1000);
    EXPECT_TRUE(KernelAutoRebuild);

    // 5 x 5: only that grid and the rings up to 5.
    tool().RDB_5x5->click();
    EXPECT_EQ(ConvolutionKernel.Size, 5);
    EXPECT_FALSE(grids().STG_Matrice_5x5->isHidden());
    for (QWidget* w : {grids().STG_Matrice_9x9, grids().STG_Matrice_7x7, grids().STG_Matrice_3x3})
        EXPECT_TRUE(w->isHidden());
    EXPECT_FALSE(tool().TNI_Set_5->isHidden());
    EXPECT_FALSE(tool().BTN_Reset_Set_5->isHidden());
    EXPECT_TRUE(tool().TNI_Set_7->isHidden());
    EXPECT_TRUE(tool().SCB_Set_9->isHidden());
    EXPECT_TRUE(tool().LBL_Set_7->isHidden());
    EXPECT_FALSE(tool().TNI_Set_1->isHidden());
    ASSERT_TRUE(Settings::RunHandler(QStringLiteral("FRM_Tool_Images.RDB_9x9Click")));
    EXPECT_EQ(ConvolutionKernel.Size, 9);

    // "Auto" takes the centre's bar away from the user.
    tool().CKB_Diviseur_Auto->setChecked(true);
    EXPECT_FALSE(tool().SCB_Set_1->isEnabled());
}

TEST_F(ImageTool, GridEditsStayInStepAndTheWindowFollowsItsBox)
{
    tool().CKB_Diviseur_Auto->setChecked(false);
    // An edit of the 3 x 3 grid changes the 9 x 9 only in rows and columns 3..5.
    std::vector<int> before;
    for (int r = 0; r < 9; ++r)
        for (int c = 0; c < 9; ++c)
            before.push_back(cell(9, c, r));
    editCell(3, 0, 2, QStringLiteral("-7"));
    for (int r = 0; r < 9; ++r)
        for (int c = 0; c < 9; ++c)
            EXPECT_EQ(cell(9, c, r), r == 5 && c == 3 ? -7 : before[std::size_t(r * 9 + c)]);
    EXPECT_EQ(cell(7, 2, 4), -7);
    EXPECT_EQ(cell(5, 1, 3), -7);
    EXPECT_EQ(ConvolutionKernel.Coefficients[5 * 9 + 3], -7);

    // Text that is no 32-bit integer counts 0.
    editCell(9, 0, 0, QStringLiteral("abc"));
    EXPECT_EQ(ConvolutionKernel.Coefficients[0], 0);
    editCell(9, 0, 0, QStringLiteral("99999999999"));
    EXPECT_EQ(ConvolutionKernel.Coefficients[0], 0);
    editCell(9, 0, 0, QStringLiteral("12"));
    EXPECT_EQ(ConvolutionKernel.Coefficients[0], 12);

    EXPECT_EQ(grids().windowTitle(), QStringLiteral("Matrice de Deconvolution"));
    tool().CKB_ShowMatrix->setChecked(true);
    EXPECT_TRUE(grids().isVisible());
    grids().close();
    EXPECT_FALSE(tool().CKB_ShowMatrix->isChecked());
    EXPECT_FALSE(grids().isVisible());
}

TEST_F(ImageTool, KernelFilesWholeOrNothing)
{
    setRing(3, -50);
    const QString flt = dir.filePath(QStringLiteral("net.flt"));
    dialogs.saveAnswers.push_back(flt);
    tool().BTN_Ecrire_FiltreClick();
    const QByteArray written = readAll(flt);
    ASSERT_EQ(written.size(), 332);
    EXPECT_EQ(written.left(4), QByteArray("DCV\x09", 4));
    EXPECT_EQ(tool().EDT_NomFiltre->text(), flt);
    const auto record = kernels::ToolFiles::decodeKernel(
        std::span(reinterpret_cast<const std::uint8_t*>(written.constData()), 332));
    ASSERT_TRUE(record);
    EXPECT_EQ(record->Divisor, 600);
    EXPECT_EQ(record->Coefficients[3 * 9 + 3], -50);

    // Reset, then reading it back gives the same kernel and the same bytes.
    tool().BTN_Reset_Filtre->click();
    EXPECT_EQ(cell(9, 3, 3), 0);
    dialogs.openAnswers.push_back(flt);
    tool().BTN_Lire_FiltreClick();
    EXPECT_EQ(cell(9, 3, 3), -50);
    EXPECT_EQ(ConvolutionKernel.Divisor, 600);
    EXPECT_EQ(tool().SCB_Set_3->value(), -50);
    const QString again = dir.filePath(QStringLiteral("again.flt"));
    ASSERT_TRUE(WriteKernelFile(again));
    EXPECT_EQ(readAll(again), written);

    // A ring whose cells differ becomes uniform from its corner cell; the
    // size and divisor are restored.
    auto k = *record;
    k.Size = 5;
    k.Coefficients[3 * 9 + 4] = 33;   // ring 3, not its corner
    k.Coefficients[2 * 9 + 2] = -3;   // ring 5's corner
    k.Coefficients[40] = 1000;
    const auto bytes = kernels::ToolFiles::encodeKernel(k);
    const QString mixed = dir.filePath(QStringLiteral("mixed.flt"));
    writeAll(mixed, QByteArray(reinterpret_cast<const char*>(bytes.data()), 332));
    tool().CKB_Diviseur_Auto->setChecked(false);
    ASSERT_TRUE(ReadKernelFile(mixed));
    EXPECT_TRUE(tool().RDB_5x5->isChecked());
    EXPECT_EQ(ConvolutionKernel.Size, 5);
    EXPECT_EQ(cell(9, 4, 3), -50);
    EXPECT_EQ(cell(9, 6, 2), -3);
    EXPECT_EQ(ConvolutionKernel.Divisor, 600);
    tool().RDB_9x9->click();

    // A short file, a folder, an unreadable name: told, nothing changed.
    const auto kept = ConvolutionKernel.Coefficients;
    writeAll(dir.filePath(QStringLiteral("short.flt")), written.left(331));
    boxes.clear();
    tool().EDT_NomFiltre->setText(QStringLiteral("keep"));
    for (const QString& bad : {dir.filePath(QStringLiteral("short.flt")), dir.path(),
                               dir.filePath(QStringLiteral("none.flt"))}) {
        dialogs.openAnswers.push_back(bad);
        tool().BTN_Lire_FiltreClick();
    }
    EXPECT_EQ(boxes.shown.size(), 3u);
    EXPECT_EQ(ConvolutionKernel.Coefficients, kept);
    EXPECT_EQ(tool().EDT_NomFiltre->text(), QStringLiteral("keep"));

    // Size 11, divisor 0 and 70000, extreme coefficients.
    k.Size = 11;
    k.Divisor = 0;
    k.Coefficients.fill(INT32_MIN);
    k.Coefficients[40] = INT32_MAX;
    auto b2 = kernels::ToolFiles::encodeKernel(k);
    writeAll(mixed, QByteArray(reinterpret_cast<const char*>(b2.data()), 332));
    ASSERT_TRUE(ReadKernelFile(mixed));
    EXPECT_TRUE(tool().RDB_9x9->isChecked());
    EXPECT_EQ(ConvolutionKernel.Divisor, 1);
    k.Divisor = 70000;
    b2 = kernels::ToolFiles::encodeKernel(k);
    writeAll(mixed, QByteArray(reinterpret_cast<const char*>(b2.data()), 332));
    ASSERT_TRUE(ReadKernelFile(mixed));
    EXPECT_EQ(ConvolutionKernel.Divisor, 70000);
    EXPECT_EQ(tool().SPED_Diviseur->value(), 70000);

    // An unwritable folder: told, the shown name stays.
    boxes.clear();
    dialogs.saveAnswers.push_back(dir.filePath(QStringLiteral("missing/folder/x.flt")));
    tool().BTN_Ecrire_FiltreClick();
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(tool().EDT_NomFiltre->text(), QStringLiteral("keep"));
}

TEST_F(ImageTool, CurvesFromTheTrackBarsAndCurveFiles)
{
    auto& curve = Equalizer();
    tool().CKB_utiliser_seuils->setChecked(true);   // the level group is on
    tool().TRKB_EQ1->setValue(255);
    tool().TRKB_EQ2->setValue(0);
    tool().TRKB_EQ3->setValue(510);
    ApplyCurves();
    EXPECT_EQ(curve.Points[0].Y, 2);
    EXPECT_EQ(curve.Points[1].Y, 257);
    EXPECT_EQ(curve.Points[2].Y, -253);
    EXPECT_EQ(curve.Points[0].X, 0);
    EXPECT_EQ(curve.Points[8].X, 255);
    EXPECT_EQ(curve.Points[4].X, 128);
    EXPECT_EQ(ToneCurve, curve.LUT.data());

    // Bars act only while the curves are on.
    tool().CKB_Equal->setEnabled(true);
    tool().CKB_Equal->setChecked(false);
    tool().TRKB_EQ4->setValue(100);
    EXPECT_NE(curve.Points[3].Y, 157);
    tool().CKB_Equal->setChecked(true);
    tool().TRKB_EQ4->setValue(101);
    EXPECT_EQ(curve.Points[3].Y, 156);

    // An unchecked inner point keeps its x and its bar is moved onto the
    // curve without running its handler.
    curve.Points[4].X = 77;
    tool().CKB_EQ5->setChecked(false);
    tool().TRKB_EQ5->blockSignals(false);
    ApplyCurves();
    EXPECT_EQ(curve.Points[4].X, 77);
    EXPECT_EQ(curve.Points[4].Active, 0);
    ASSERT_TRUE(curve.SliderPositions[3]);
    EXPECT_EQ(tool().TRKB_EQ5->value(), *curve.SliderPositions[3]);

    // A file written and read back restores positions and boxes.
    const QString crv = dir.filePath(QStringLiteral("c.crv"));
    dialogs.saveAnswers.push_back(crv);
    tool().BTN_Ecrire_EQZClick();
    ASSERT_EQ(readAll(crv).size(), 48);
    std::vector<int> positions;
    for (QSlider* s : {tool().TRKB_EQ1, tool().TRKB_EQ2, tool().TRKB_EQ3, tool().TRKB_EQ4, tool().TRKB_EQ5})
        positions.push_back(s->value());

    tool().BTN_Reset_equal->click();
    for (const auto& p : curve.Points)
        if (&p - curve.Points.data() < 9) {
            EXPECT_EQ(p.Y, 2);
        }
    tool().CKB_EQ5->setChecked(true);
    dialogs.openAnswers.push_back(crv);
    tool().BTN_Lire_EQZClick();
    EXPECT_FALSE(tool().CKB_EQ5->isChecked());
    EXPECT_EQ(tool().TRKB_EQ2->value(), positions[1]);
    EXPECT_EQ(tool().TRKB_EQ3->value(), positions[2]);
    EXPECT_EQ(tool().TRKB_EQ4->value(), positions[3]);

    // A foreign or short file is refused with the message, nothing changed.
    QByteArray foreign = readAll(crv);
    foreign[0] = 'X';
    writeAll(dir.filePath(QStringLiteral("f.crv")), foreign);
    writeAll(dir.filePath(QStringLiteral("s.crv")), readAll(crv).left(40));
    boxes.clear();
    tool().TRKB_EQ2->setValue(300);
    for (const char* name : {"f.crv", "s.crv"}) {
        dialogs.openAnswers.push_back(dir.filePath(QString::fromLatin1(name)));
        tool().BTN_Lire_EQZClick();
    }
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Ce n'est pas un fichier de courbes"));
    EXPECT_EQ(tool().TRKB_EQ2->value(), 300);

    // Positions -5 and 9999 stay inside the bars.
    kernels::ToolFiles::CurveRecord r;
    r.Positions = {-5, 9999, 255, 255, 255, 255, 255, 255, 255};
    r.Active.fill(1);
    const auto bytes = kernels::ToolFiles::encodeCurves(r);
    writeAll(dir.filePath(QStringLiteral("x.crv")), QByteArray(reinterpret_cast<const char*>(bytes.data()), 48));
    ASSERT_TRUE(ReadCurvesFile(dir.filePath(QStringLiteral("x.crv"))));
    EXPECT_EQ(tool().TRKB_EQ1->value(), 0);
    EXPECT_EQ(tool().TRKB_EQ2->value(), 510);
}

TEST_F(ImageTool, ColourMixerAndLuminanceWeights)
{
    tool().CPC_R->SetCoordinates(32, 0);
    tool().UpdateMix(0);
    EXPECT_DOUBLE_EQ(ChannelMixR.WeightR, 1.0);
    EXPECT_DOUBLE_EQ(ChannelMixR.WeightG, 0.0);
    EXPECT_DOUBLE_EQ(ChannelMixR.WeightB, 0.0);
    EXPECT_EQ(tool().EDT_RR->text(), QStringLiteral("100"));
    EXPECT_EQ(tool().EDT_RG->text(), QStringLiteral("0"));
    tool().CPC_G->SetCoordinates(0, 32);
    tool().UpdateMix(1);
    EXPECT_DOUBLE_EQ(ChannelMixG.WeightR, 0.0);
    EXPECT_DOUBLE_EQ(ChannelMixG.WeightG, 1.0);
    EXPECT_DOUBLE_EQ(ChannelMixG.WeightB, 0.0);
    for (int x : {0, 13, 50, 64})
        for (int y : {0, 7, 21, 32}) {
            tool().CPC_B->SetCoordinates(x, y);
            tool().UpdateMix(2);
            EXPECT_NEAR(ChannelMixB.WeightR + ChannelMixB.WeightG + ChannelMixB.WeightB, 1.0, 1e-12);
        }

    // The luminance pad's start position.
    tool().CPC_L->SetCoordinates(64, 42);
    UpdateLuminanceMix();
    EXPECT_DOUBLE_EQ(LuminanceMix.WeightR, 0.34375);
    EXPECT_DOUBLE_EQ(LuminanceMix.WeightG, 0.328125);
    EXPECT_DOUBLE_EQ(LuminanceMix.WeightB, 0.328125);
    EXPECT_EQ(tool().EDT_L_R->text() + tool().EDT_L_G->text() + tool().EDT_L_B->text(), QStringLiteral("343333"));
    // Moving the pad recomputes the read-outs, halves going to the even
    // neighbour: 12.5 % of red shows as 12.
    tool().CPC_L->SetCoordinates(64, 56);
    EXPECT_DOUBLE_EQ(LuminanceMix.WeightR, 0.125);
    EXPECT_EQ(tool().EDT_L_R->text() + tool().EDT_L_G->text() + tool().EDT_L_B->text(), QStringLiteral("124444"));

    // The green multiplier at 20 changes only the green output's.
    const auto blue = ChannelMixB;
    tool().UPD_Mult_G->setValue(20);
    EXPECT_DOUBLE_EQ(double(tool().TNI_Mult_G->Value()), 2.0);
    EXPECT_DOUBLE_EQ(ChannelMixG.Multiplier, 2.0);
    EXPECT_EQ(ChannelMixB.Multiplier, blue.Multiplier);
    EXPECT_EQ(ChannelMixB.WeightB, blue.WeightB);
    // The output's box switches it without touching its weights.
    tool().CKB_Mix_G->setChecked(true);
    EXPECT_EQ(ChannelMixG.Enabled, 1);
    tool().CKB_Mix_G->setChecked(false);
    EXPECT_EQ(ChannelMixG.Enabled, 0);
    EXPECT_DOUBLE_EQ(ChannelMixG.WeightG, 1.0);

    tool().SCB_Saturation->setValue(150);
    EXPECT_EQ(double(tool().TNI_Saturation->Value()), 50);
    tool().BTN_Satur_Reset->click();
    EXPECT_EQ(double(tool().TNI_Saturation->Value()), 0);

    tool().RDB_LRGB_Std->click();
    EXPECT_TRUE(tool().CPC_L->isHidden());
    EXPECT_TRUE(tool().EDT_L_B->isHidden());
    tool().RDB_LRGB_Adaptative->click();
    EXPECT_FALSE(tool().CPC_L->isHidden());
}

// The mixer's three pads, the blue one on the page's last row, are alike
// whatever the window's size and language, and the mouse reaches every row
// of each: the page scrolls rather than a pad shrinks to the room left.
TEST_F(ImageTool, TheThreeMixerPadsAreAlikeAndTheMouseReachesTheirWholeRange)
{
    TFRM_Tool_Images& t = tool();
    dir.copyShipped({"Lang_English.ini", "Lang_Francais.ini"});
    Settings::LoadLanguageChoice();
    auto* scroll = t.TBS_Seuils->findChild<QScrollArea*>();
    ASSERT_NE(scroll, nullptr);
    // A click on a pixel of the blue pad's zone, as the user sees it.
    auto clickBlue = [&](int x, int y) {
        scroll->ensureWidgetVisible(t.CPC_B, 0, 0);
        const QPoint at(x, y);
        const QPoint shown = t.CPC_B->mapTo(scroll->viewport(), at);
        EXPECT_TRUE(scroll->viewport()->rect().contains(shown)) << shown.x() << "," << shown.y();
        QTest::mouseClick(t.CPC_B, Qt::LeftButton, {}, at);
        return (t.EDT_BR->text() + u'/' + t.EDT_BG->text() + u'/' + t.EDT_BB->text()).toStdString();
    };
    const std::pair<const char*, QSize> cases[] = {{"Francais", {800, 600}}, {"English", {800, 600}},
                                                   {"Francais", {1280, 1024}}, {"English", {1280, 1024}}};
    QSize opened;
    for (const auto& [language, screen] : cases) {
        SCOPED_TRACE(std::string(language) + (screen.width() > 800 ? ", enlarged" : ", 800 x 600"));
        Systeme::SetScreenSizeProvider([screen] { return screen; });
        testsupport::pick(FRM_Pref->CBX_Langue, QString::fromLatin1(language));
        FRM_Pref->hide();
        if (opened.isValid())
            t.resize(opened);   // as the window opens at every start
        Systeme::ShowFormOnScreen(&t);
        opened = t.size();
        // Activated, the window asks its pads' sizes again; then the user
        // may enlarge it.
        QApplication::setActiveWindow(&t);
        testsupport::bringForward(t.CPC_B);
        if (screen.width() > 800)
            t.resize(screen.width() - 100, screen.height() - 100);
        QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QApplication::processEvents();
        for (TcpCoord* pad : {t.CPC_R, t.CPC_G, t.CPC_B}) {
            EXPECT_EQ(pad->size(), QSize(95, 63)) << pad->objectName().toStdString();
            EXPECT_DOUBLE_EQ(pad->CellHeight(), 1) << pad->objectName().toStdString();
        }
        // The zone's corners: its right column is blue, its left green, its
        // top row red; the row above the bottom one a little red.
        const int right = t.CPC_B->width() - 16, bottom = t.CPC_B->height() - 16;
        EXPECT_EQ(clickBlue(right, bottom), "0/0/100");
        EXPECT_EQ(clickBlue(15, bottom), "0/100/0");
        EXPECT_EQ(clickBlue(right, bottom - 1), "3/0/97");
        EXPECT_EQ(clickBlue(15, 15), "100/0/0");
        EXPECT_EQ(t.CPC_B->YCoordinate(), 0);
        t.hide();
    }
    Systeme::SetScreenSizeProvider({});
}

TEST_F(ImageTool, FileTypeFilterTypeAndTheShadowPage)
{
    chooseType(QStringLiteral("TFV (48 bit Video)"));
    tool().CBX_TypeFichierChange();
    EXPECT_FALSE(tool().BTN_Enregistrer_Image->isEnabled());
    EXPECT_FALSE(tool().EDT_Compte_trames->isHidden());
    EXPECT_TRUE(tool().LBL_AVICompression->isHidden());
    chooseType(QStringLiteral("AVI"));
    tool().CBX_TypeFichierChange();
    EXPECT_FALSE(tool().LBL_AVICompression->isHidden()) << "shown with the codec choice";
    EXPECT_FALSE(tool().EDT_AVICompression->isHidden());
    EXPECT_TRUE(tool().CKB_Nouvelle_Video->isHidden());
    chooseType(QStringLiteral("JPG (24 bit RGB)"));
    tool().CBX_TypeFichierChange();
    EXPECT_FALSE(tool().BTN_Enregistrer_Image->isEnabled());
    EXPECT_FALSE(tool().SPED_Qualite_Jpeg->isHidden());
    chooseType(QStringLiteral("BMP (24 bits RGB)"));
    ASSERT_TRUE(Settings::RunHandler(QStringLiteral("FRM_Tool_Images.CBX_TypeFichierChange")));
    EXPECT_TRUE(tool().BTN_Enregistrer_Image->isEnabled());
    EXPECT_TRUE(tool().SPED_Qualite_Jpeg->isHidden());

    // The warning only with the option on and the next file there.
    FRM_Pref->CKB_Msg_FichierExiste->setChecked(false);
    chooseType(QStringLiteral("TFV (48 bit Video)"));
    writeAll(BuildCaptureFileName(CurrentImageNumber()) + QStringLiteral(".tif"), "x");
    boxes.clear();
    tool().CBX_TypeFichierChange();
    EXPECT_TRUE(boxes.shown.empty());
    FRM_Pref->CKB_Msg_FichierExiste->setChecked(true);
    tool().CBX_TypeFichierChange();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].text.startsWith(QStringLiteral("Attention !!!")));

    // Wavelets, deconvolution, wavelets: a fresh filter.
    tool().RDB_Ondelettes->click();
    ASSERT_TRUE(WaveletModule);
    ASSERT_TRUE(WaveletWorkBitmap);
    const TWaveletModule* first = WaveletModule.get();
    tool().RDB_Deconvolution->click();
    EXPECT_FALSE(WaveletModule);
    EXPECT_FALSE(WaveletWorkBitmap);
    ASSERT_TRUE(Settings::RunHandler(QStringLiteral("FRM_Tool_Images.RDB_OndelettesClick")));
    ASSERT_TRUE(WaveletModule);
    (void)first;
    // A weight shows in its read-out and never reaches the kernel.
    const auto kernel = ConvolutionKernel.Coefficients;
    tool().SCB_Wavelet1->setValue(9000);
    EXPECT_EQ(double(tool().TNI_Wavelet1->Value()), 9000);
    tool().BTN_Reset_Wavelet1->click();
    EXPECT_EQ(tool().SCB_Wavelet1->value(), 0);
    EXPECT_EQ(ConvolutionKernel.Coefficients, kernel);
    tool().RDB_Deconvolution->click();

    // The linearity and radius bars give position / 100.
    tool().SCB_FishEyeScroll(tool().SCB_Linearite, 137);
    EXPECT_DOUBLE_EQ(double(tool().TNI_Linearite->Value()), 1.37);
    tool().SCB_FishEyeScroll(tool().SCB_Rapport_Rayon, 45);
    EXPECT_DOUBLE_EQ(double(tool().TNI_Rapport_Rayon->Value()), 0.45);
    tool().SCB_FishEyeScroll(tool().SCB_Seuil_Max_Detect, 170);
    EXPECT_EQ(double(tool().TNI_Seuil_Max_Detect->Value()), 170);
    tool().CKB_Merlan_Auto->setChecked(true);
    tool().CKB_Merlan_Auto->setChecked(false);
}

TEST_F(ImageTool, PixelReadOutShowsThePositionFirst)
{
    kernels::Bitmap24& result = FRM_Alv->Image3->Bitmap();
    kernels::setPixel(result, 0, 0, kernels::rgbColour(10, 20, 30));
    Util_Images::ShowPixelValues(3, 0, 0);
    EXPECT_EQ(FRM_Info->EDT_X->text(), QStringLiteral("0"));
    EXPECT_EQ(FRM_Info->EDT_Y->text(), QStringLiteral("0"));
    EXPECT_EQ(FRM_Info->EDT_R->text(), QStringLiteral("10"));
    EXPECT_EQ(FRM_Info->EDT_V->text(), QStringLiteral("20"));
    EXPECT_EQ(FRM_Info->EDT_B->text(), QStringLiteral("30"));
    // Outside the bitmap, or another view: the position shows, the colours stay.
    Util_Images::ShowPixelValues(3, 5, 4000);
    EXPECT_EQ(FRM_Info->EDT_Y->text(), QStringLiteral("4000"));
    EXPECT_EQ(FRM_Info->EDT_R->text(), QStringLiteral("10"));
    Util_Images::ShowPixelValues(2, 7, 1);
    EXPECT_EQ(FRM_Info->EDT_X->text(), QStringLiteral("7"));
    EXPECT_EQ(FRM_Info->EDT_B->text(), QStringLiteral("30"));
}

TEST_F(ImageTool, OtherSwitchesOfTheWindow)
{
    tool().CKB_Stop_Satur->setChecked(false);
    EXPECT_FALSE(tool().SPED_Satur_Limit->isEnabled());
    tool().CKB_Stop_Satur->setChecked(true);
    EXPECT_TRUE(tool().SPED_Satur_Limit->isEnabled());

    // "Forcer" gives the level controls; unchecked, they go unless in use.
    tool().CKB_utiliser_seuils->setChecked(true);
    EXPECT_TRUE(tool().SCB_Minimum->isEnabled());
    EXPECT_TRUE(tool().TRKB_EQ5->isEnabled());
    FRM_Alv->MNU_Cam1_PoseLongue->setChecked(true);
    tool().CKB_utiliser_seuils->setChecked(false);
    EXPECT_TRUE(tool().SCB_Minimum->isEnabled());
    FRM_Alv->MNU_Cam1_PoseLongue->setChecked(false);
    tool().CKB_utiliser_seuils->setChecked(true);
    tool().CKB_utiliser_seuils->setChecked(false);
    EXPECT_FALSE(tool().SCB_Minimum->isEnabled());
}
