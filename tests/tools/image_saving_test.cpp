// Saving from the image tool: file names, the capture report's bytes, each
// format, the prefix edit, the free-space stop and write failures.

#include "image_tool_fixture.h"

#include "app/controls/num_inp.h"
#include "app/frm_alv.h"
#include "app/frm_message.h"
#include "app/frm_pref.h"
#include "app/ui/long_timer.h"
#include "capture/avi_compression.h"
#include "capture/camera_slots.h"
#include "capture/long_exposure.h"
#include "imaging/overlays.h"
#include "imaging/pipeline_state.h"
#include "platform/disk_space.h"
#include "telescope/frm_tool_suivi.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_images.h"
#include "tools/util_images.h"
#include "support/user_input.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QImage>
#include <QTest>
#include <QtEndian>

#include <map>
#include <tiffio.h>

using namespace Util_Images;

namespace {

TFRM_Tool_Images& tool() { return *FRM_Tool_Images; }

// Width and height from a PNG's header or a TIFF's first directory.
QSize pngSize(const QByteArray& bytes)
{
    return {int(qFromBigEndian<std::uint32_t>(bytes.constData() + 16)),
            int(qFromBigEndian<std::uint32_t>(bytes.constData() + 20))};
}

QSize tiffSize(const QString& path)
{
    TIFFSetErrorHandler(nullptr);
    TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), "r");
    if (!tif)
        return {};
    std::uint32_t w = 0, h = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
    TIFFClose(tif);
    return {int(w), int(h)};
}

const char* const kBlockOff =
    "Date/heure                      : 06/12/2026 21:00:01.234\r\n"
    "Resolution video                : 640 x 480 pixels\r\n"
    "Dimensions de l'image          : 64 x 48 pixels\r\n"
    "Position (X,Y) de l'image       : (5,7)\r\n"
    "Nombre d'images indiv.         : 1\r\n"
    "Mode Boucle                     : N\r\n"
    "Dur\xE9""e (poses longues uniquement): N/A\r\n"
    "\r\n"
    "Intensit\xE9 Minimale              : \r\n"
    "Intensit\xE9 Maximale              : \r\n"
    "Seuil Bas                       : N/A\r\n"
    "Seuil Haut                      : N/A\r\n"
    "Dark appliqu\xE9 (Nb Img)          : N/A\r\n"
    "Flat appliqu\xE9   (O/N)           : N/A\r\n"
    "\r\n"
    "Noir et Blanc   (O/N)           : N\r\n"
    "Rouge           (O/N)           : O\r\n"
    "Vert            (O/N)           : O\r\n"
    "Bleu            (O/N)           : O\r\n"
    "\r\n"
    "Type de suivi                   : Aucun\r\n"
    "Taille zone de detect\xB0          : N/A\r\n"
    "Inversion video/suivi           : N\r\n"
    "\r\n"
    "Qualit\xE9 de l'image              : N/A\r\n"
    "Meilleure image                 : N/A\r\n"
    "Plus mauvaise image             : N/A\r\n"
    "Seuil de selection              : N/A\r\n";

} // namespace

TEST_F(ImageTool, CaptureNamesAndTheFreeSpaceReadOut)
{
    const QString p = dir.filePath(QStringLiteral("lune"));
    tool().CKB_Longueur_Fixe->setChecked(true);
    tool().TNI_Longueur_Sequence->SetValue(4);
    EXPECT_EQ(BuildCaptureFileName(7), p + "0007");
    EXPECT_EQ(BuildCaptureFileName(123456), p + "123456");
    EXPECT_EQ(BuildCaptureFileName(-5), p + "00-5");
    tool().CKB_Longueur_Fixe->setChecked(false);
    tool().TNI_Num_Suffixe->SetValue(12);
    EXPECT_EQ(BuildCaptureFileName(40), p + "12");
    tool().CKB_Duree_Exposition->setChecked(true);
    LastExposureDurationMs = 0;
    EXPECT_EQ(BuildCaptureFileName(1), p + "12-D0");
    LastExposureDurationMs = 2999;
    EXPECT_EQ(BuildCaptureFileName(1), p + "12-D2");
    LastExposureDurationMs = 0;

    EXPECT_EQ(StripImageExtension(QStringLiteral("/n/lune.bmp")), QStringLiteral("/n/lune"));
    EXPECT_EQ(StripImageExtension(QStringLiteral("/n/LUNE.BMP")), QStringLiteral("/n/LUNE"));
    EXPECT_EQ(StripImageExtension(QStringLiteral("/n/lune.png")), QStringLiteral("/n/lune.png"));
    EXPECT_EQ(StripImageExtension(QStringLiteral("/nuit.avi/lune")), QStringLiteral("/nuit.avi/lune"));

    // The nearest existing folder of the prefix, in KB; an empty prefix
    // leaves the read-out alone.
    QString asked;
    DiskSpace::SetFreeSpaceQuery([&](const QString& path) {
        asked = path;
        return 153600.0 * 1024 + 1023;
    });
    setPrefix(QStringLiteral("pas/encore/lune"));
    EXPECT_EQ(asked, dir.path());
    EXPECT_EQ(tool().EDT_FreeDiskSpaceMb->text(), QStringLiteral("153600"));
    tool().EDT_Nom_Image->clear();
    EXPECT_EQ(tool().EDT_FreeDiskSpaceMb->text(), QStringLiteral("153600"));
}

TEST_F(ImageTool, ReportBytesPerImageAndInOneFileForTheSequence)
{
    clock.advanceMs(1234);
    CameraSlots[1].width = 640;
    CameraSlots[1].height = 480;
    CurrentCameraSlot = 1;
    DisplayZoneRect = {5, 7, 69, 55};
    tool().CKB_Enreg_Params->setChecked(true);
    tool().BTN_Enregistrer_ImageClick();
    EXPECT_EQ(dir.readFile(QStringLiteral("lune1.par")), QByteArray(kBlockOff));
    EXPECT_TRUE(dir.exists(QStringLiteral("lune1.bmp")));

    // One file for the sequence: integration and tracking on, the heading once,
    // one line per save; a longer name is never cut.
    tool().CKB_Integration->setChecked(true);
    tool().RDB_Boucle->setChecked(true);
    tool().SPED_Nb_Bitmap->setValue(12);
    tool().CKB_Active_Flat->setChecked(true);
    // The handlers above resized the zone and re-rendered: the read-outs and
    // the zone as the report is to show them.
    FRM_Alv->Image3->SetPictureSize(64, 48);
    DisplayZoneRect = {5, 7, 69, 55};
    tool().TNI_Seuil_Max->SetValue(2500);
    tool().EDT_NBCaps->setText(QStringLiteral("7"));
    tool().TNI_Min->SetValue(10);
    tool().TNI_Max->SetValue(2500);
    tool().TNI_MaxDark->SetValue(2);
    tool().RDB_NB->setChecked(true);
    tool().CKB_Red->setChecked(false);
    FRM_Tool_Suivi->CKB_Suivi->setChecked(true);
    FRM_Tool_Suivi->RDB_Colimacon->setChecked(true);
    FrameStamps[1].Wall = QDateTime(QDate(2026, 12, 6), QTime(21, 0, 1, 5));
    tool().CKB_Un_seul_fichier->setChecked(true);
    setPrefix(QStringLiteral("une_tres_longue_sequence_de_lune_"));
    tool().BTN_Demarrer_SauvClick();
    tool().BTN_Arreter_SauvClick();

    QByteArray block(kBlockOff);
    for (auto [from, to] : std::initializer_list<std::pair<const char*, const char*>>{
             {"indiv.         : 1", "indiv.         : 7"},
             {"Boucle                     : N", "Boucle                     : 12 images"},
             {"Minimale              : ", "Minimale              : 10"},
             {"Maximale              : ", "Maximale              : 2500"},
             {"Seuil Bas                       : N/A", "Seuil Bas                       : 0"},
             {"Seuil Haut                      : N/A", "Seuil Haut                      : 2500"},
             {"Img)          : N/A", "Img)          : 0 / 2"},
             {"(O/N)           : N/A", "(O/N)           : O"},
             {"Noir et Blanc   (O/N)           : N", "Noir et Blanc   (O/N)           : O"},
             {"Rouge           (O/N)           : O", "Rouge           (O/N)           : N"},
             {"Aucun", "Pixel Brillant"},
             {"detect\xB0          : N/A", "detect\xB0          : 40 pixels"}})
        block.replace(from, to);
    block += "\r\nListe des images enregistr\xE9""es\r\n" + QByteArray(63, '=') + "\r\n"
             "      Cam 1                   | Cam 2                          \r\n"
             "Nom   Date       Heure        | Date       Heure          Delta\r\n"
             "une_tres_longue_sequence_de_lune_2" "06/12/2026 21:00:01.005\r\n";
    EXPECT_EQ(dir.readFile(QStringLiteral("une_tres_longue_sequence_de_lune_2.par")), block);
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join('|').toStdString();

    // With both boxes on and no sequence, a save keeps its image and tells
    // the missing report once.
    tool().BTN_Enregistrer_ImageClick();
    tool().BTN_Enregistrer_ImageClick();
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(files(QStringLiteral("bmp")).size(), 4);
}

TEST_F(ImageTool, StillSavesTakeTheirPicturesAndStepTheNumberAfterTheReport)
{
    tool().SPED_Incremente_suffixe->setValue(2);
    tool().CKB_Enreg_Params->setChecked(true);
    tool().BTN_Enregistrer_ImageClick();
    EXPECT_EQ(files(QStringLiteral("bmp")), QStringList{QStringLiteral("lune1.bmp")});
    EXPECT_TRUE(dir.exists(QStringLiteral("lune1.par")));
    EXPECT_EQ(tool().TNI_Num_Suffixe->Value(), 3);

    // 16-bit files without addition or thresholds: nothing renders into the
    // plane, so the result view (64 x 48) is written, its levels widened to
    // 16 bits, not what the plane kept of an earlier render (37 x 23).
    kernels::Bitmap24& view = FRM_Alv->Image3->Bitmap();
    view.scanLine(5)[3 * 7 + 2] = 200;   // red at (7, 5)
    chooseType(QStringLiteral("PNG (48 bit RGB)"));
    tool().BTN_Enregistrer_ImageClick();
    EXPECT_EQ(pngSize(dir.readFile(QStringLiteral("lune3.png"))), QSize(64, 48));
    EXPECT_EQ(QImage(dir.filePath(QStringLiteral("lune3.png"))).pixelColor(7, 5).rgba64().red(), 200 * 257);
    chooseType(QStringLiteral("TIFF (48 bit RGB)"));
    tool().BTN_Enregistrer_ImageClick();
    EXPECT_TRUE(dir.exists(QStringLiteral("lune5.tif")));
    // Nothing rendered at all: the view all the same, never an empty file.
    ResultPlaneSize = QSize();
    tool().BTN_Enregistrer_ImageClick();
    EXPECT_EQ(tiffSize(dir.filePath(QStringLiteral("lune7.tif"))), QSize(64, 48));
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join('|').toStdString();

    // "AVANT" with integration on: the display zone of the frame as received.
    chooseType(QStringLiteral("BMP (24 bits RGB)"));
    tool().CKB_Integration->setChecked(true);
    FRM_Tool_Affichage->TNI_Taille_ZAffich->SetValue(30);
    FRM_Tool_Affichage->TNI_Taille_ZAffichV->SetValue(20);
    ZoneCaptureBitmap = kernels::Bitmap24();
    kernels::Bitmap24& frame = *SlotBitmaps[1][0];
    frame.scanLine(12)[3 * 11 + 2] = 200;   // red at (11, 12)
    DisplayZoneRect = {10, 10, 40, 30};
    tool().TNI_Num_Suffixe->SetValue(9);
    tool().BTN_Enregistrer_ImageClick();
    const QByteArray bmp = dir.readFile(QStringLiteral("lune9.bmp"));
    ASSERT_EQ(bmp.size(), 54 + 92 * 20);
    EXPECT_EQ(qFromLittleEndian<std::int32_t>(bmp.constData() + 18), 30);
    EXPECT_EQ(std::uint8_t(bmp[54 + (19 - 2) * 92 + 3 * 1 + 2]), 200);
}

TEST_F(ImageTool, PrefixEditWarnsOnlyWhenAskedAndOffersToCreateAMissingFolder)
{
    dir.writeFile(QStringLiteral("lune1.bmp"), "x");
    setPrefix(QStringLiteral("soleil"));
    setPrefix(QStringLiteral("lune"));
    EXPECT_TRUE(boxes.shown.empty()) << "warning not asked for";
    FRM_Pref->CKB_Msg_FichierExiste->setChecked(true);
    setPrefix(QStringLiteral("soleil"));
    setPrefix(QStringLiteral("lune"));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.texts()[0], QStringLiteral("Attention !!!\nLa sequence que vous allez enregistrer existe déjà !\n"
                                               "Elle sera ecrasée si vous continuez !"));

    // Leaving the edit after typing: a missing folder is offered, and made on Yes.
    boxes.clear();
    tool().EDT_Nom_Image->setText(dir.filePath(QStringLiteral("nuit.avi/a/lune")));
    QTest::keyClicks(tool().EDT_Nom_Image, QStringLiteral(".AVI"));
    boxes.answers = {platform::MsgResult::No};
    tool().EDT_Nom_ImageExit();
    EXPECT_EQ(tool().EDT_Nom_Image->text(), dir.filePath(QStringLiteral("nuit.avi/a/lune")));
    EXPECT_FALSE(dir.exists(QStringLiteral("nuit.avi/a")));
    QTest::keyClicks(tool().EDT_Nom_Image, QStringLiteral("2"));
    tool().EDT_Nom_ImageExit();
    EXPECT_TRUE(dir.exists(QStringLiteral("nuit.avi/a")));
    EXPECT_EQ(boxes.shown.size(), 2u);
    tool().EDT_Nom_ImageExit();
    tool().EDT_Nom_Image->clear();
    tool().EDT_Nom_ImageExit();
    EXPECT_EQ(boxes.shown.size(), 2u) << "not typed since: no question";
}

TEST_F(ImageTool, TheFreeSpaceAlarmPlaysOnThroughTheFramesSavedWhileItSounds)
{
    FRM_Pref->SPED_MinFreeDiskSpace->setValue(150);
    dir.writeFile(QStringLiteral("alarme.wav"), "RIFF");
    FRM_Pref->EDT_Son_a_jouer->setText(dir.filePath(QStringLiteral("alarme.wav")));
    FRM_Pref->CKB_Jouer_un_son->setChecked(true);
    FRM_Pref->CKB_Arreter_Sauvegarde->setChecked(false);
    freeBytes = 100.0 * 1024 * 1024;   // below the minimum, saving goes on
    tool().BTN_Demarrer_SauvClick();
    ASSERT_TRUE(SequenceSaving);
    sounds.stillPlaying = true;
    frames(3);
    EXPECT_EQ(sounds.playedFiles.size(), 1);
    sounds.stillPlaying = false;
    frames(1);
    EXPECT_EQ(sounds.playedFiles.size(), 2);
    tool().BTN_Arreter_SauvClick();
}

TEST_F(ImageTool, CriticalFreeSpaceStopsTheSequenceWithASoundAndWritesNothing)
{
    tool().RDB_Pendant->setChecked(true);
    tool().SPED_Pendant->setValue(5);
    tool().CBX_Pendant->setCurrentIndex(1);   // during 5 seconds
    FRM_Pref->SPED_MinFreeDiskSpace->setValue(150);
    dir.writeFile(QStringLiteral("alarme.wav"), "RIFF");
    FRM_Pref->EDT_Son_a_jouer->setText(dir.filePath(QStringLiteral("alarme.wav")));
    FRM_Pref->CKB_Jouer_un_son->setChecked(true);
    FRM_Pref->CKB_Arreter_Sauvegarde->setChecked(true);
    tool().BTN_Demarrer_SauvClick();
    ASSERT_TRUE(SequenceSaving);
    EXPECT_EQ(files(QStringLiteral("bmp")).size(), 1);

    freeBytes = 153600.0 * 1024;   // equal to the minimum: critical
    waitingScript();
    frames(1);
    EXPECT_FALSE(SequenceSaving);
    EXPECT_EQ(sounds.playedFiles, QStringList{dir.filePath(QStringLiteral("alarme.wav"))});
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Espace disque critique, capture arrêtée")});
    EXPECT_EQ(files(QStringLiteral("bmp")).size(), 1);
    EXPECT_TRUE(scriptResumed());

    // A start whose first save meets the critical disk does not run on.
    tool().BTN_Demarrer_SauvClick();
    EXPECT_FALSE(SequenceSaving);
    EXPECT_FALSE(tool().TMR_Pendant->isEnabled());
    EXPECT_TRUE(tool().BTN_Demarrer_Sauv->isEnabled());

    // Space that cannot be read is not taken for a full disk.
    freeBytes = -1;
    tool().BTN_Enregistrer_ImageClick();
    EXPECT_EQ(files(QStringLiteral("bmp")).size(), 2);
    EXPECT_EQ(boxes.shown.size(), 2u);
}

TEST_F(ImageTool, AWriteFailureInASequenceStopsItOnceAndKeepsTheFilesBefore)
{
    // The third image goes to a full disk.
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/full"), dir.filePath(QStringLiteral("lune3.bmp"))));
    tool().BTN_Demarrer_SauvClick();
    frames(5);
    EXPECT_FALSE(SequenceSaving);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.texts()[0].contains(dir.filePath(QStringLiteral("lune3.bmp"))));
    EXPECT_EQ(files(QStringLiteral("bmp")), (QStringList{QStringLiteral("lune1.bmp"), QStringLiteral("lune2.bmp")}));
    EXPECT_EQ(dir.readFile(QStringLiteral("lune1.bmp")).size(), 54 + 192 * 48);

    // An unwritable folder outside a sequence: one message per save.
    setPrefix(QStringLiteral("absent/lune"));
    boxes.clear();
    tool().BTN_Enregistrer_ImageClick();
    EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST_F(ImageTool, SavedResultsHoldTheFramesPartWithoutTheScreensOverlays)
{
    // The zone's shape leaves four empty rows above and below the frame in
    // the 64 x 48 result view; a reticle is drawn over it for the screen.
    kernels::Bitmap24& view = FRM_Alv->Image3->Bitmap();
    kernels::fillRect(view, kernels::boundsOf(view), kernels::kBlack);
    kernels::fillRect(view, {0, 4, 64, 44}, kernels::Colour(0x505050));
    ResultWithoutOverlay.resize(64, 48);
    kernels::bitBlt(ResultWithoutOverlay, 0, 0, 64, 48, view, 0, 0, kernels::RasterOp::SrcCopy);
    ResultOverlaid = true;
    kernels::fillRect(view, {30, 20, 34, 24}, Align_V::kRed);
    ZoneImageRect = {0, 4, 64, 44};

    tool().BTN_Enregistrer_ImageClick();
    const QImage saved(dir.filePath(QStringLiteral("lune1.bmp")));
    ASSERT_EQ(saved.size(), QSize(64, 40)) << "no empty rows";
    for (int y = 0; y < saved.height(); ++y)
        for (int x = 0; x < saved.width(); ++x)
            ASSERT_EQ(saved.pixel(x, y), qRgb(0x50, 0x50, 0x50)) << x << "," << y;

    // The 16-bit files: the same part of what the render pass wrote.
    ZoneImageRect = {0, 4, 37, 20};
    chooseType(QStringLiteral("PNG (48 bit RGB)"));
    tool().BTN_Enregistrer_ImageClick();
    EXPECT_EQ(pngSize(dir.readFile(QStringLiteral("lune2.png"))), QSize(37, 16));
    const kernels::Deep16Image part = ResultPlaneImage(ZoneImageRect);
    ASSERT_EQ(part.height, 16);
    EXPECT_EQ(part.base[1], 4) << "the first row is the frame's";
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join('|').toStdString();
}

TEST_F(ImageTool, TheReportTellsTheDarkAndFlatAsTheResultGotThem)
{
    // A dark of 12 frames subtracted and the flat on, without stacking.
    FRM_Tool_Images->TNI_MaxDark->SetValue(100);
    const std::int32_t frames = AdditionFrameCount[1];
    AdditionFrameCount[1] = 12;
    FRM_Tool_Images->CKB_Active_Flat->setChecked(true);
    tool().CKB_Enreg_Params->setChecked(true);
    tool().BTN_Enregistrer_ImageClick();
    const QByteArray report = dir.readFile(QStringLiteral("lune1.par"));
    EXPECT_TRUE(report.contains("Dark appliqu\xE9 (Nb Img)          : 12 / 100\r\n")) << report.toStdString();
    EXPECT_TRUE(report.contains("Flat appliqu\xE9   (O/N)           : O\r\n"));

    // Neither: the report says so rather than a count of none.
    FRM_Tool_Images->TNI_MaxDark->SetValue(0);
    FRM_Tool_Images->CKB_Active_Flat->setChecked(false);
    tool().BTN_Enregistrer_ImageClick();
    const QByteArray plain = dir.readFile(QStringLiteral("lune2.par"));
    EXPECT_TRUE(plain.contains("Dark appliqu\xE9 (Nb Img)          : N/A\r\n")) << plain.toStdString();
    EXPECT_TRUE(plain.contains("Flat appliqu\xE9   (O/N)           : N/A\r\n"));
    AdditionFrameCount[1] = frames;
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join('|').toStdString();
}

using testsupport::click;
using testsupport::pick;
using testsupport::typeInto;

// Five stills with their reports, then a film of five frames with the same
// prefix, then a still at a number already used: every file written before
// keeps its bytes. A frame's report is named after its film and the frame
// ("seq_0006_0003.par"); a still whose number is taken goes to the first
// free number and the message window says so.
TEST_F(ImageTool, NoPictureOrReportIsEverReplaced)
{
    TFRM_Tool_Images& t = tool();
    FRM_Tool_Images->AddAviFileType();
    typeInto(t.EDT_Nom_Image, dir.filePath(QStringLiteral("seq_")));
    click(t.CKB_Longueur_Fixe);
    ASSERT_TRUE(t.CKB_Longueur_Fixe->isChecked());
    ASSERT_EQ(double(t.TNI_Longueur_Sequence->Value()), 4);
    click(t.CKB_Enreg_Params);
    for (int i = 0; i < 5; ++i) {
        clock.advanceMs(1000);
        click(t.BTN_Enregistrer_Image);
    }
    const QStringList stills{QStringLiteral("seq_0001"), QStringLiteral("seq_0002"), QStringLiteral("seq_0003"),
                             QStringLiteral("seq_0004"), QStringLiteral("seq_0005")};
    QStringList names;
    for (const QString& s : stills)
        names << s + QStringLiteral(".bmp");
    ASSERT_EQ(files(QStringLiteral("bmp")), names);
    std::map<QString, QByteArray> before;
    for (const QString& s : stills)
        for (const char* ext : {".bmp", ".par"})
            before[s + QLatin1String(ext)] = dir.readFile(s + QLatin1String(ext));
    ASSERT_FALSE(before[QStringLiteral("seq_0001.par")].isEmpty());

    // A film of five frames, "during 5 images", with the same prefix.
    pick(t.CBX_TypeFichier, QStringLiteral("AVI"));
    click(t.RDB_Pendant);
    typeInto(t.SPED_Pendant, QStringLiteral("5"));
    ASSERT_EQ(t.CBX_Pendant->currentIndex(), 0);
    clock.advanceMs(60000);
    click(t.BTN_Demarrer_Sauv);
    frames(10);
    ASSERT_FALSE(SequenceSaving);
    EXPECT_TRUE(dir.exists(QStringLiteral("seq_0006.avi")));
    QStringList frameReports;
    for (int f = 1; f <= 5; ++f)
        frameReports << QStringLiteral("seq_0006_%1.par").arg(f, 4, 10, QLatin1Char('0'));
    for (const QString& r : frameReports)
        EXPECT_TRUE(dir.readFile(r).startsWith("Date/heure")) << r.toStdString();
    for (const auto& [name, bytes] : before)
        EXPECT_EQ(dir.readFile(name), bytes) << name.toStdString() << " was replaced";
    EXPECT_EQ(double(t.TNI_Num_Suffixe->Value()), 7);

    // Back to stills at number 1: 1 to 5 are taken, the still goes to 6
    // (the film of that number has no still or report of its own there).
    pick(t.CBX_TypeFichier, QStringLiteral("BMP (24 bits RGB)"));
    typeInto(t.TNI_Num_Suffixe, QStringLiteral("1"));
    ASSERT_EQ(double(t.TNI_Num_Suffixe->Value()), 1);
    FRM_Message->MEMO_Message->clear();
    click(t.BTN_Enregistrer_Image);
    for (const auto& [name, bytes] : before)
        EXPECT_EQ(dir.readFile(name), bytes) << name.toStdString() << " was replaced";
    EXPECT_TRUE(dir.exists(QStringLiteral("seq_0006.bmp")));
    EXPECT_TRUE(dir.readFile(QStringLiteral("seq_0006.par")).startsWith("Date/heure"));
    EXPECT_EQ(double(t.TNI_Num_Suffixe->Value()), 7);
    const QString told = FRM_Message->MEMO_Message->toPlainText();
    EXPECT_TRUE(told.contains(QStringLiteral("seq_0001.bmp existe déjà")) && told.contains(QStringLiteral("seq_0006.bmp")))
        << told.toStdString();

    // One report for a sequence of two stills, started at number 1 again:
    // the sequence's report and its images take the first free number.
    typeInto(t.TNI_Num_Suffixe, QStringLiteral("1"));
    typeInto(t.SPED_Pendant, QStringLiteral("2"));
    click(t.CKB_Un_seul_fichier);
    ASSERT_TRUE(t.CKB_Un_seul_fichier->isChecked());
    click(t.BTN_Demarrer_Sauv);
    frames(3);
    ASSERT_FALSE(SequenceSaving);
    for (const auto& [name, bytes] : before)
        EXPECT_EQ(dir.readFile(name), bytes) << name.toStdString() << " was replaced";
    EXPECT_TRUE(dir.readFile(QStringLiteral("seq_0007.par")).contains("Liste des images"));
    EXPECT_TRUE(dir.exists(QStringLiteral("seq_0007.bmp")));
    EXPECT_TRUE(dir.exists(QStringLiteral("seq_0008.bmp")));
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join('|').toStdString();
}

// A step of 0 is the user's word that one name is rewritten at every save (a
// picture kept fresh for another program to read): flash saves and a
// sequence until stopped write the same file, with no word per save; the
// prefix's overwrite warning stays the one check. Back to a step of 1, a
// taken number is passed over and said once.
TEST_F(ImageTool, AStepOfZeroRewritesOneNameAtEverySave)
{
    TFRM_Tool_Images& t = tool();
    FRM_Pref->CKB_Msg_FichierExiste->setChecked(true);
    dir.writeFile(QStringLiteral("cible1.bmp"), "written by hand");
    typeInto(t.SPED_Incremente_suffixe, QStringLiteral("0"));
    ASSERT_EQ(t.SPED_Incremente_suffixe->value(), 0);
    boxes.clear();
    typeInto(t.EDT_Nom_Image, dir.filePath(QStringLiteral("cible")));
    EXPECT_FALSE(boxes.shown.empty()) << "the prefix warns that cible1.bmp will be rewritten";
    boxes.clear();
    FRM_Message->MEMO_Message->clear();

    kernels::Bitmap24& view = FRM_Alv->Image3->Bitmap();
    kernels::fillRect(view, kernels::boundsOf(view), kernels::rgbColour(0x10, 0x20, 0x30));
    click(t.BTN_Enregistrer_Image);
    EXPECT_EQ(dir.readFile(QStringLiteral("cible1.bmp")).size(), 54 + 192 * 48) << "rewritten";
    kernels::fillRect(view, kernels::boundsOf(view), kernels::rgbColour(0x40, 0x50, 0x60));
    click(t.BTN_Enregistrer_Image);
    EXPECT_EQ(QImage(dir.filePath(QStringLiteral("cible1.bmp"))).pixel(3, 3), qRgb(0x40, 0x50, 0x60))
        << "the last save is the file";
    EXPECT_EQ(double(t.TNI_Num_Suffixe->Value()), 1);

    // A sequence until stopped, a save at every frame, in each still type;
    // the choice of a type whose file is there warns, the saves do not.
    for (const QString& type : {QStringLiteral("BMP (24 bits RGB)"), QStringLiteral("PNG (48 bit RGB)")}) {
        pick(t.CBX_TypeFichier, type);
        boxes.clear();
        click(t.BTN_Demarrer_Sauv);
        ASSERT_TRUE(SequenceSaving);
        frames(6);
        EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join('|').toStdString();
        click(t.BTN_Arreter_Sauv);
        ASSERT_FALSE(SequenceSaving);
    }
    EXPECT_EQ(files(QStringLiteral("bmp")), QStringList{QStringLiteral("cible1.bmp")});
    EXPECT_EQ(files(QStringLiteral("png")), QStringList{QStringLiteral("cible1.png")});
    EXPECT_FALSE(FRM_Message->MEMO_Message->toPlainText().contains(QStringLiteral("existe déjà")))
        << FRM_Message->MEMO_Message->toPlainText().toStdString();

    // The parameters recorded: each picture's report is rewritten with it,
    // and so is a sequence's one report file, run after run.
    click(t.CKB_Enreg_Params);
    for (int save = 0; save < 2; ++save)
        click(t.BTN_Enregistrer_Image);
    for (bool single : {false, true}) {
        if (single)
            click(t.CKB_Un_seul_fichier);
        for (int run = 0; run < 2; ++run) {
            click(t.BTN_Demarrer_Sauv);
            ASSERT_TRUE(SequenceSaving) << boxes.texts().join('|').toStdString();
            frames(3);
            click(t.BTN_Arreter_Sauv);
        }
    }
    click(t.CKB_Un_seul_fichier);
    click(t.CKB_Enreg_Params);
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join('|').toStdString();
    EXPECT_EQ(files(QStringLiteral("par")), QStringList{QStringLiteral("cible1.par")});
    EXPECT_TRUE(dir.readFile(QStringLiteral("cible1.par")).contains("Liste des images"));

    // A step of 1: the taken number is passed over, told once.
    typeInto(t.SPED_Incremente_suffixe, QStringLiteral("1"));
    click(t.BTN_Demarrer_Sauv);
    frames(3);
    click(t.BTN_Arreter_Sauv);
    EXPECT_EQ(files(QStringLiteral("png")).size(), 5);
    EXPECT_TRUE(dir.exists(QStringLiteral("cible2.png")));
    EXPECT_EQ(FRM_Message->MEMO_Message->toPlainText().count(QStringLiteral("existe déjà")), 1);
}
