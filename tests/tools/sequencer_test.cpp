// The capture sequencer under the fake clock: every rhythm, duration and
// repetition, pause, the numbering jump, containers and failed starts.

#include "image_tool_fixture.h"

#include "app/controls/num_inp.h"
#include "app/frm_alv.h"
#include "app/frm_pref.h"
#include "app/ui/long_timer.h"
#include "capture/avi_compression.h"
#include "capture/avi_reader.h"
#include "imaging/pipeline_state.h"
#include "scripting/scripts.h"
#include "translation/language.h"
#include "support/file_size_limit.h"
#include "tools/frm_tool_images.h"
#include "tools/util_images.h"
#include "support/user_input.h"

#include <QFile>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <tiffio.h>

#include <array>

namespace {

TFRM_Tool_Images& tool() { return *FRM_Tool_Images; }

int saved() { return SequenceFrameCounter; }

void every(int value, int unitIndex)
{
    tool().SPED_Freq_Sauve->setValue(value);
    tool().CBX_Unite->setCurrentIndex(unitIndex);
}

void during(int value, int unitIndex)
{
    tool().RDB_Pendant->setChecked(true);
    tool().SPED_Pendant->setValue(value);
    tool().CBX_Pendant->setCurrentIndex(unitIndex);
}

int tiffPages(const QString& path)
{
    TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), "r");
    if (!tif)
        return 0;
    int pages = TIFFNumberOfDirectories(tif);
    TIFFClose(tif);
    return pages;
}

} // namespace

TEST_F(ImageTool, FrameDrivenSequencesSaveOnTheirTicks)
{
    // Once, every image, until stopped: the start saves, then every kept frame.
    EXPECT_TRUE(FRM_Alv->LBL_Rec->isHidden());
    tool().BTN_Demarrer_SauvClick();
    EXPECT_EQ(saved(), 1);
    EXPECT_FALSE(tool().BTN_Demarrer_Sauv->isEnabled());
    EXPECT_TRUE(FRM_Alv->TMR_Blink->isActive());
    EXPECT_FALSE(FRM_Alv->LBL_Rec->isHidden());
    frames(3);
    EXPECT_EQ(saved(), 4);
    tool().BTN_Arreter_SauvClick();
    EXPECT_FALSE(FRM_Alv->TMR_Blink->isActive());
    EXPECT_TRUE(FRM_Alv->LBL_Rec->isHidden());
    frames(3);
    EXPECT_EQ(saved(), 4);

    // Every 5 images: ticks 5, 10 and 15; the pause holds the hook back.
    every(5, 0);
    tool().BTN_Demarrer_SauvClick();
    std::vector<int> savedOn;
    for (int tick = 1; tick <= 17; ++tick) {
        const int before = saved();
        frames(1);
        if (saved() > before)
            savedOn.push_back(tick);
    }
    EXPECT_EQ(savedOn, (std::vector<int>{5, 10, 15}));
    tool().BTN_Pause_sauv->setChecked(true);
    frames(10);
    EXPECT_EQ(saved(), 4);
    tool().BTN_Pause_sauv->setChecked(false);
    tool().BTN_Arreter_SauvClick();

    // During 3 images: three saves, the start's own included, then the stop.
    every(1, 0);
    during(3, 0);
    waitingScript();
    tool().BTN_Demarrer_SauvClick();
    frames(10);
    EXPECT_EQ(saved(), 3);
    EXPECT_FALSE(SequenceSaving);
    EXPECT_TRUE(scriptResumed());
    EXPECT_EQ(files(QStringLiteral("bmp")).size(), 4 + 4 + 3);

    // During 1 image: the start's save is the whole sequence.
    during(1, 0);
    tool().BTN_Demarrer_SauvClick();
    EXPECT_FALSE(SequenceSaving);
    frames(3);
    EXPECT_EQ(saved(), 1);
}

TEST_F(ImageTool, TimeDrivenSequenceEndsAfterItsDurationAndResumesTheScript)
{
    every(2, 1);        // every 2 seconds
    during(10, 1);      // during 10 seconds
    waitingScript();
    tool().BTN_Demarrer_SauvClick();
    EXPECT_EQ(saved(), 1);
    EXPECT_EQ(SequenceClock.next_ms - clock.monotonicMs(), 2000) << "the countdown's next event";
    tool().BTN_Pause_sauv->setChecked(true);   // does not hold timed saves back
    for (int i = 0; i < 4; ++i)
        advance(2000);
    EXPECT_EQ(saved(), 5);
    EXPECT_TRUE(SequenceSaving);
    EXPECT_FALSE(scriptResumed());
    advance(2000);
    EXPECT_EQ(saved(), 6) << "the save due with the end is made first";
    EXPECT_FALSE(SequenceSaving);
    EXPECT_FALSE(tool().TMR_Sauve->isEnabled());
    EXPECT_TRUE(scriptResumed());

    // 65,535 hours do not fit a Qt timer: the wait is kept in 64 bits.
    every(65535, 3);
    during(1, 0);
    tool().RDB_Arret->setChecked(true);
    tool().BTN_Demarrer_SauvClick();
    EXPECT_EQ(tool().TMR_Sauve->interval(), 65535LL * 3600000);
    advance(30LL * 24 * 3600000);
    EXPECT_EQ(saved(), 1);
    advance(65535LL * 3600000 - 30LL * 24 * 3600000);
    EXPECT_EQ(saved(), 2);
}

TEST_F(ImageTool, RepeatedBurstsOpenAndCloseAndJumpTheNumbering)
{
    tool().RDB_Toutes_Les->setChecked(true);
    tool().SPED_Toutes_les->setValue(1);
    tool().CBX_Toutes_les->setCurrentIndex(1);   // every minute
    during(10, 1);                              // bursts of 10 s
    tool().CKB_Saut_Numerotation->setChecked(true);
    tool().TNI_Num_Suffixe->SetValue(1234);
    tool().BTN_Demarrer_SauvClick();
    EXPECT_EQ(files(QStringLiteral("bmp")), QStringList{QStringLiteral("lune2000.bmp")});
    EXPECT_TRUE(SaveFramesEnabled);
    frames(2);
    advance(10000);
    EXPECT_FALSE(SaveFramesEnabled) << "the burst closed";
    EXPECT_TRUE(SequenceSaving);
    frames(5);
    EXPECT_EQ(saved(), 3);

    tool().TNI_Num_Suffixe->SetValue(1600);
    const QByteArray first = dir.readFile(QStringLiteral("lune2000.bmp"));
    advance(50000);   // next minute: a new burst at the next thousand
    EXPECT_TRUE(SaveFramesEnabled);
    EXPECT_FALSE(dir.exists(QStringLiteral("lune1600.bmp")));
    // 2000 to 2002 hold the first burst's images: kept, the save takes 2003.
    EXPECT_EQ(dir.readFile(QStringLiteral("lune2000.bmp")), first);
    EXPECT_TRUE(dir.exists(QStringLiteral("lune2003.bmp")));
    EXPECT_EQ(tool().TNI_Num_Suffixe->Value(), 2004);
    advance(10000);
    tool().BTN_Pause_sauv->setChecked(true);   // no burst while paused
    advance(50000);
    EXPECT_FALSE(SaveFramesEnabled);
    EXPECT_EQ(saved(), 4);
    EXPECT_TRUE(SequenceSaving);
}

TEST_F(ImageTool, MultiPageTiffSequenceClosesItsFileAndStepsTheNumber)
{
    chooseType(QStringLiteral("TFV (48 bit Video)"));
    tool().CKB_utiliser_seuils->setChecked(true);
    tool().RDB_Images_Apres_Traitement->setChecked(true);
    tool().BTN_Demarrer_SauvClick();
    frames(2);
    tool().BTN_Arreter_SauvClick();
    EXPECT_EQ(tiffPages(dir.filePath(QStringLiteral("lune1.tif"))), 3) << "the start's save, then two frames";
    EXPECT_EQ(tool().TNI_Num_Suffixe->Value(), 2);
    EXPECT_TRUE(boxes.shown.empty());

    // A file that cannot be created: the start names it and a waiting
    // script stops with an error.
    setPrefix(QStringLiteral("absent/lune"));
    waitingScript();
    tool().BTN_Demarrer_SauvClick();
    EXPECT_FALSE(SequenceSaving);
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_TRUE(boxes.texts()[0].contains(dir.filePath(QStringLiteral("absent/lune2.tif"))));
    EXPECT_TRUE(boxes.texts()[1].startsWith(QStringLiteral("Line 1 : "))) << boxes.texts()[1].toStdString();
    EXPECT_FALSE(Scripts::ScriptRunning);
    EXPECT_TRUE(tool().BTN_Demarrer_Sauv->isEnabled());
}

TEST_F(ImageTool, AviSequenceAtTheAppendedSizeAndAFailedAppendNeverReopensTheName)
{
    chooseType(QStringLiteral("AVI"));
    FRM_Alv->Image3->SetPictureSize(640, 480);
    tool().BTN_Demarrer_SauvClick();
    frames(9);
    EXPECT_EQ(tool().EDT_Taille_Enreg->text(), QStringLiteral("9002"));   // (640 x 480 x 3 x 10 + 2560) div 1024
    EXPECT_EQ(tool().EDT_Compte_trames->text(), QStringLiteral("10"));
    tool().BTN_Arreter_SauvClick();
    EXPECT_FALSE(AviWriterOpen);
    EXPECT_EQ(tool().TNI_Num_Suffixe->Value(), 2);

    // The zone before processing is appended: the stream takes its size,
    // the zone as the frame shows it.
    tool().CKB_Integration->setChecked(true);
    FRM_Tool_Images->RDB_Images_Avant_Traitement->setChecked(true);
    DisplayZoneRect = {10, 20, 170, 140};
    tool().BTN_Demarrer_SauvClick();
    EXPECT_EQ(AviWriter->Width(), 160);
    EXPECT_EQ(AviWriter->Height(), 120);
    tool().BTN_Arreter_SauvClick();
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join('|').toStdString();

    // A full disk: the writer tells it once, the sequence stops, the partial
    // file stays, and the next sequence takes the next number.
    tool().CKB_Integration->setChecked(false);   // gives the result the zone's size
    FRM_Alv->Image3->SetPictureSize(640, 480);
    ZoneImageRect = {0, 0, 640, 480};            // the frame fills the view
    {
        testsupport::FileSizeLimit limit(2 * 1024 * 1024);
        tool().BTN_Demarrer_SauvClick();
        frames(10);
    }
    EXPECT_FALSE(SequenceSaving);
    EXPECT_EQ(boxes.shown.size(), 1u);
    const qint64 partial = QFileInfo(dir.filePath(QStringLiteral("lune3.avi"))).size();
    EXPECT_GT(partial, 640 * 480 * 3);
    frames(3);
    tool().BTN_Demarrer_SauvClick();
    tool().BTN_Arreter_SauvClick();
    EXPECT_EQ(QFileInfo(dir.filePath(QStringLiteral("lune3.avi"))).size(), partial);
    EXPECT_TRUE(dir.exists(QStringLiteral("lune4.avi")));

    // A codec that will not open at this size: the writer says so once and
    // nothing starts.
    AVICompression::CompressOptions.fccHandler = AVICompression::StrToFourCC(QStringLiteral("H263"));
    FRM_Alv->Image3->SetPictureSize(641, 480);
    boxes.clear();
    tool().BTN_Demarrer_SauvClick();
    EXPECT_FALSE(SequenceSaving);
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(tool().BTN_Demarrer_Sauv->isEnabled());
}

TEST_F(ImageTool, DuringNImagesWritesNFilesFramesOrPages)
{
    FRM_Alv->Image3->SetPictureSize(64, 48);
    during(5, 0);
    tool().BTN_Demarrer_SauvClick();
    frames(10);
    EXPECT_FALSE(SequenceSaving);
    EXPECT_EQ(files(QStringLiteral("bmp")).size(), 5);

    chooseType(QStringLiteral("AVI"));
    tool().BTN_Demarrer_SauvClick();
    const QString film = Util_Images::BuildCaptureFileName(Util_Images::CurrentImageNumber()) + QStringLiteral(".avi");
    frames(10);
    EXPECT_FALSE(SequenceSaving);
    TAviReader reader;
    ASSERT_TRUE(reader.Open(film));
    EXPECT_EQ(reader.FrameCount(), 5);
    reader.Close();

    chooseType(QStringLiteral("TFV (48 bit Video)"));
    const QString pages = Util_Images::BuildCaptureFileName(Util_Images::CurrentImageNumber()) + QStringLiteral(".tif");
    tool().BTN_Demarrer_SauvClick();
    frames(10);
    EXPECT_FALSE(SequenceSaving);
    EXPECT_EQ(tiffPages(pages), 5);
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join('|').toStdString();
}

// The recording page scrolled with the wheel while the user is in the
// prefix field: the lists and spin edits the pointer passes over keep what
// the sequence will save by ("images", every 1), and the page scrolls. The
// one the user clicked takes the wheel.
TEST_F(ImageTool, TheWheelScrollsTheRecordingPageWithoutChangingTheSettingsItPasses)
{
    TFRM_Tool_Images& t = tool();
    ASSERT_NO_FATAL_FAILURE(testsupport::bringForward(t.CBX_Unite));
    QScrollArea* area = nullptr;
    for (QWidget* w = t.CBX_Unite; w && !area; w = w->parentWidget())
        area = qobject_cast<QScrollArea*>(w);
    ASSERT_TRUE(area);
    t.resize(t.width(), 260);   // a page taller than the window
    QCoreApplication::processEvents();
    QScrollBar* bar = area->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    QApplication::setActiveWindow(&t);
    testsupport::click(t.EDT_Nom_Image);
    ASSERT_TRUE(t.EDT_Nom_Image->hasFocus());

    for (QWidget* control : std::initializer_list<QWidget*>{t.CBX_Unite, t.SPED_Freq_Sauve}) {
        SCOPED_TRACE(control->objectName().toStdString());
        area->ensureWidgetVisible(control);
        const int before = bar->value();
        testsupport::turnWheel(control, before < bar->maximum() ? -1 : 1);
        EXPECT_NE(bar->value(), before) << "the page scrolls";
        EXPECT_TRUE(t.EDT_Nom_Image->hasFocus());
    }
    EXPECT_EQ(t.CBX_Unite->currentText(), QStringLiteral("images"));
    EXPECT_EQ(t.SPED_Freq_Sauve->value(), 1);

    area->ensureWidgetVisible(t.SPED_Freq_Sauve);
    testsupport::click(t.SPED_Freq_Sauve);
    ASSERT_TRUE(t.SPED_Freq_Sauve->hasFocus());
    const int page = bar->value();
    testsupport::turnWheel(t.SPED_Freq_Sauve, 1);
    EXPECT_EQ(t.SPED_Freq_Sauve->value(), 2);
    EXPECT_EQ(bar->value(), page);
}

// Start, pause and stop are pictures without a caption, named by hints
// from the language file the user picks; clicked, they start a sequence,
// hold its saves back and stop it.
TEST_F(ImageTool, TheSequencerButtonsArePicturesNamedInTheChosenLanguage)
{
    TFRM_Tool_Images& t = tool();
    dir.copyShipped({"Lang_English.ini", "Lang_Francais.ini"});
    Settings::LoadLanguageChoice();
    QToolButton* const buttons[] = {t.BTN_Demarrer_Sauv, t.BTN_Pause_sauv, t.BTN_Arreter_Sauv};
    const std::pair<const char*, std::array<const char*, 3>> hints[] = {{"Francais", {"Demarrer", "Pause", "Arrêter"}},
                                                                        {"English", {"Start", "Pause", "Stop"}}};
    for (const auto& [language, names] : hints) {
        testsupport::pick(FRM_Pref->CBX_Langue, QString::fromLatin1(language));
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(buttons[i]->text().toStdString(), "") << buttons[i]->objectName().toStdString();
            EXPECT_FALSE(buttons[i]->icon().isNull()) << buttons[i]->objectName().toStdString();
            EXPECT_EQ(buttons[i]->toolTip().toStdString(), names[std::size_t(i)]) << language;
        }
    }
    FRM_Pref->hide();

    testsupport::click(t.BTN_Demarrer_Sauv);
    ASSERT_TRUE(SequenceSaving);
    EXPECT_EQ(saved(), 1);
    testsupport::click(t.BTN_Pause_sauv);
    frames(3);
    EXPECT_EQ(saved(), 1) << "paused";
    testsupport::click(t.BTN_Pause_sauv);
    frames(2);
    EXPECT_EQ(saved(), 3);
    testsupport::click(t.BTN_Arreter_Sauv);
    EXPECT_FALSE(SequenceSaving);
    EXPECT_TRUE(t.BTN_Demarrer_Sauv->isEnabled());
}

// Pause left down, pressed while idle or during the last sequence, never
// holds back the next start: a sequence of N images ends by itself and a
// script waiting for it goes on; the first of repeated bursts starts at once.
TEST_F(ImageTool, StartingLetsPauseUpSoThatASequenceOfNImagesEndsByItself)
{
    TFRM_Tool_Images& t = tool();
    during(3, 0);
    testsupport::click(t.BTN_Pause_sauv);
    ASSERT_TRUE(t.BTN_Pause_sauv->isChecked());
    waitingScript();
    testsupport::click(t.BTN_Demarrer_Sauv);
    EXPECT_FALSE(t.BTN_Pause_sauv->isChecked());
    frames(10);
    EXPECT_FALSE(SequenceSaving);
    EXPECT_EQ(files(QStringLiteral("bmp")).size(), 3);
    EXPECT_TRUE(scriptResumed());

    t.RDB_Toutes_Les->setChecked(true);   // every minute, until stopped
    t.CBX_Toutes_les->setCurrentIndex(1);
    t.RDB_Arret->setChecked(true);
    testsupport::click(t.BTN_Demarrer_Sauv);
    testsupport::click(t.BTN_Pause_sauv);
    testsupport::click(t.BTN_Arreter_Sauv);   // the stop lets pause up
    EXPECT_FALSE(t.BTN_Pause_sauv->isChecked());
    testsupport::click(t.BTN_Pause_sauv);
    testsupport::click(t.BTN_Demarrer_Sauv);
    EXPECT_TRUE(SaveFramesEnabled);
    frames(2);
    EXPECT_EQ(saved(), 3);
}
