// File sources: the play list's order, the sequence chooser, the picture
// loader, AVI reading, and the player driving the frame road end to end.

#include "camera_road_fixture.h"

#include "app/frm_alv.h"
#include "app/frm_message.h"
#include "app/frm_pref.h"
#include "app/settings.h"
#include "capture/avi_compression.h"
#include "capture/avi_reader.h"
#include "capture/avi_writer.h"
#include "capture/camera_slots.h"
#include "capture/file_sources.h"
#include "capture/frm_chargeseq.h"
#include "capture/frm_play_control.h"
#include "imaging/pipeline_state.h"
#include "kernels/image_files.h"
#include "scripting/frm_script.h"
#include "scripting/scripts.h"
#include "support/star_field.h"
#include "support/user_input.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_images.h"
#include "translation/translated_texts.h"

#include <QCoreApplication>
#include <QDir>
#include <QTabBar>
#include <QTest>
#include <QFile>
#include <QtEndian>

#include <functional>

using FileSources::Sequence;

namespace {

kernels::Bitmap24& live() { return *SlotBitmaps[1][0]; }

// A frame whose first pixel tells which one it is.
kernels::Bitmap24 markedFrame(int mark, int w = 96, int h = 64)
{
    testsupport::StarField field({.width = w, .height = h, .seed = 5, .stars = 6});
    kernels::Bitmap24 b = field.render(0, 0, static_cast<std::uint32_t>(mark));
    // A block of the mark's level at the top left, whole for JPEG's blocks.
    for (int y = 0; y < 16; ++y)
        std::fill_n(b.scanLine(y), 3 * 16, static_cast<std::uint8_t>(mark));
    return b;
}


// A level-0 script waiting as a command that started a lasting action leaves it.
void waitingScript(bool* flag)
{
    Scripts::CurrentLevel = 0;
    TScript& s = Scripts::CurrentScript();
    s.Lines = QStringList{QStringLiteral("wait(10)"), QStringLiteral("wait(10)")};
    s.LineCount = 2;
    s.Pass = 2;
    Scripts::ScriptRunning = true;
    if (flag)
        Scripts::BeginWait(*flag);
    else
        Scripts::BeginWait();
    FRM_Script->TMR_Script->stop();
}

bool scriptResumed() { return Scripts::CurrentScript().State == Scripts::StateRunning && FRM_Script->TMR_Script->isActive(); }

QString writeAvi(const QString& path, const QString& codec, std::vector<kernels::Bitmap24>& frames, int firstMark = 0)
{
    AVICompression::CompressOptions = AVICompression::DefaultCompressOptions();
    AVICompression::CompressOptions.fccHandler = AVICompression::StrToFourCC(codec);
    AVICompression::CompressOptions.dwQuality = 10000;
    AVICompression::AVIParams params;
    AVICompression::InitAVIParams(params, 10000, 25, 0, 0);
    params.Width = 96;
    params.Height = 64;
    TAVICompressor writer;
    if (!writer.Open(path, params))
        return {};
    for (int i = 0; i < 20; ++i) {
        frames.push_back(markedFrame(firstMark + i * 10));
        writer.WriteFrame(frames.back());
    }
    writer.Close();
    return path;
}

// Cuts the film short 100 bytes into the data of frame `frame`, as a
// recording that never ended or a copy broken off leaves it: the frames
// before it are whole, that one and those after are not. False when the
// film has no such frame.
bool cutFilmInFrame(const QString& path, int frame)
{
    QFile f(path);
    const QByteArray bytes = f.open(QIODevice::ReadWrite) ? f.readAll() : QByteArray();
    // The chunks of the film's list one after the other: a frame's named
    // "00db" or "00dc", its size after the name, its data padded to even.
    for (qsizetype at = bytes.indexOf("movi") + 4, seen = -1; at > 3 && at + 8 <= bytes.size();) {
        const QByteArray tag = bytes.mid(at, 4);
        if ((tag == "00db" || tag == "00dc") && ++seen == frame)
            return f.resize(at + 8 + 100);
        const quint32 size = qFromLittleEndian<quint32>(bytes.constData() + at + 4);
        at += 8 + size + (size & 1);
    }
    return false;
}

class FileSource : public CameraRoad {
protected:
    void SetUp() override
    {
        CameraRoad::SetUp();
        platform::setSleeper(&sleeper);
        boxes.clear();
    }
    void TearDown() override
    {
        CloseAviFile();
        PlayCount = PlayPosition = 0;
        PlayKind = 0;
        PlayListIsPictures = 1;
        platform::setSleeper(nullptr);
        CameraRoad::TearDown();
    }
    void tick(int n = 1)
    {
        for (int i = 0; i < n; ++i)
            FRM_Alv->Timer_Cam1Timer();
    }
    TFRM_PlayControl& player() { return *FRM_PlayControl; }

    testsupport::RecordingDialogService dialogs;
    testsupport::FakeSleeper sleeper;
};

} // namespace

TEST(PlayList, DigitRunsCompareByValueAndOtherTextWithoutCase)
{
    QStringList list{QStringLiteral("img12.bmp"), QStringLiteral("IMG9.bmp"), QStringLiteral("img10.bmp"),
                     QStringLiteral("img8.bmp"), QStringLiteral("img10.bmp"), QStringLiteral("a.bmp")};
    FileSources::SortPlayList(list);
    EXPECT_EQ(list, (QStringList{QStringLiteral("a.bmp"), QStringLiteral("img8.bmp"), QStringLiteral("IMG9.bmp"),
                                 QStringLiteral("img10.bmp"), QStringLiteral("img12.bmp")}));
    QStringList padded{QStringLiteral("f010.jpg"), QStringLiteral("f002.jpg"), QStringLiteral("f100.jpg")};
    FileSources::SortPlayList(padded);
    EXPECT_EQ(padded.first(), QStringLiteral("f002.jpg"));
    EXPECT_EQ(padded.last(), QStringLiteral("f100.jpg"));
}

TEST(SequenceNames, TheNumberBetweenPrefixAndExtensionRunsFromFirstToLast)
{
    QStringList list;
    ASSERT_EQ(FileSources::BuildSequence(QStringLiteral("/d/img8.bmp"), QStringLiteral("/d/img12.bmp"), list),
              Sequence::Built);
    EXPECT_EQ(list, (QStringList{QStringLiteral("/d/img8.bmp"), QStringLiteral("/d/img9.bmp"),
                                 QStringLiteral("/d/img10.bmp"), QStringLiteral("/d/img11.bmp"),
                                 QStringLiteral("/d/img12.bmp")}));
    ASSERT_EQ(FileSources::BuildSequence(QStringLiteral("/d/a007.JPG"), QStringLiteral("/d/a010.JPG"), list),
              Sequence::Built);
    EXPECT_EQ(list, (QStringList{QStringLiteral("/d/a007.JPG"), QStringLiteral("/d/a008.JPG"),
                                 QStringLiteral("/d/a009.JPG"), QStringLiteral("/d/a010.JPG")}))
        << "three digits kept, and the extension's case";
    ASSERT_EQ(FileSources::BuildSequence(QStringLiteral("/d/s1.bmp"), QStringLiteral("/d/s10.bmp"), list),
              Sequence::Built)
        << "one name a prefix of the other";
    EXPECT_EQ(list.size(), 10);
    ASSERT_EQ(FileSources::BuildSequence(QStringLiteral("/d/s9.bmp"), QStringLiteral("/d/s3.bmp"), list),
              Sequence::Built);
    EXPECT_TRUE(list.isEmpty());

    EXPECT_EQ(FileSources::BuildSequence(QStringLiteral("/d/x1.bmp"), QStringLiteral("/d/x1.bmp"), list),
              Sequence::SameName);
    for (const auto& [first, last] : {std::pair{"/d/run01.bmp", "/d/test01.bmp"}, {"/d/n-1.bmp", "/d/n2.bmp"},
                                      {"/d/n1.5.bmp", "/d/n2.5.bmp"}, {"/d/n1.bmp", "/d/n99999999999.bmp"},
                                      {"/d/n1.bmp", "/d/n2.jpg"}})
        EXPECT_EQ(FileSources::BuildSequence(QLatin1String(first), QLatin1String(last), list), Sequence::NotNumbers)
            << first << " " << last;
    EXPECT_EQ(FileSources::BuildSequence(QStringLiteral("/d/n1.bmp"), QStringLiteral("/d/n2000000.bmp"), list),
              Sequence::TooMany);
}

TEST(PictureLoader, TriesAFileStillBeingWrittenAndReportsWhatCannotBeRead)
{
    testsupport::TempProgramDir dir;
    testsupport::FakeSleeper sleeper;
    platform::setSleeper(&sleeper);
    kernels::Bitmap24 b = markedFrame(3);
    EXPECT_TRUE(FileSources::LoadPictureFile(b, dir.filePath(QStringLiteral("x.png"))))
        << "another kind of file loads nothing";
    QString error;
    EXPECT_FALSE(FileSources::LoadPictureFile(b, dir.filePath(QStringLiteral("missing.bmp")), &error));
    EXPECT_EQ(sleeper.waits.size(), std::size_t(FileSources::kReadAttempts - 1));
    EXPECT_TRUE(error.contains(QStringLiteral("missing.bmp")));
    EXPECT_EQ(b.scanLine(0)[0], 3) << "the bitmap is kept";

    const QString bmp = dir.filePath(QStringLiteral("y.bmp"));
    ASSERT_TRUE(kernels::ImageFiles::WriteBmp24(bmp, markedFrame(7)));
    QFile::resize(bmp, 1000);   // half written
    EXPECT_FALSE(FileSources::LoadPictureFile(b, bmp, &error));
    ASSERT_TRUE(kernels::ImageFiles::WriteBmp24(bmp, markedFrame(7)));
    EXPECT_TRUE(FileSources::LoadPictureFile(b, bmp));
    EXPECT_EQ(b.scanLine(0)[0], 7);
    platform::setSleeper(nullptr);
}

TEST(AviReader, GivesTheFramesTheWriterWroteInOrderAndAtRandom)
{
    testsupport::TempProgramDir dir;
    testsupport::RecordingMessageService boxes;
    for (const QString& codec : {QStringLiteral("DIB "), QStringLiteral("MJPG")}) {
        std::vector<kernels::Bitmap24> frames;
        const QString path = writeAvi(dir.filePath(codec.trimmed() + QStringLiteral(".avi")), codec, frames);
        ASSERT_FALSE(path.isEmpty()) << codec.toStdString();
        TAviReader reader;
        ASSERT_TRUE(reader.Open(path)) << codec.toStdString();
        EXPECT_EQ(reader.FrameCount(), 20);
        // In order first; then out of order, which must give the very same frames.
        std::vector<kernels::Bitmap24> inOrder(20);
        for (int i = 0; i < 20; ++i)
            ASSERT_TRUE(reader.ReadFrame(i, inOrder[i])) << i;
        kernels::Bitmap24 got;
        for (int i : {19, 18, 7, 8, 0, 12, 13, 3}) {
            ASSERT_TRUE(reader.ReadFrame(i, got)) << i;
            EXPECT_TRUE(kernels::SamePixels(got, inOrder[i])) << codec.toStdString() << " frame " << i;
            if (codec == QStringLiteral("DIB "))
                EXPECT_TRUE(kernels::SamePixels(got, frames[i])) << "frame " << i;
            else
                EXPECT_NEAR(got.scanLine(8)[3 * 8], i * 10, 3) << "frame " << i;
        }
        EXPECT_FALSE(reader.ReadFrame(20, got));
        EXPECT_EQ(reader.AnnouncedFrameCount(), 20);

        // Cut short inside frame 12: the twelve whole frames read as written,
        // the broken one and those after are refused.
        const QString cut = dir.filePath(codec.trimmed() + QStringLiteral("-cut.avi"));
        ASSERT_TRUE(QFile::copy(path, cut));
        ASSERT_TRUE(cutFilmInFrame(cut, 12));
        TAviReader shortReader;
        ASSERT_TRUE(shortReader.Open(cut)) << codec.toStdString();
        EXPECT_EQ(shortReader.FrameCount(), 12) << codec.toStdString();
        EXPECT_EQ(shortReader.AnnouncedFrameCount(), 20);
        for (int i : {11, 0, 5, 6, 10, 11}) {
            ASSERT_TRUE(shortReader.ReadFrame(i, got)) << codec.toStdString() << " frame " << i;
            EXPECT_TRUE(kernels::SamePixels(got, inOrder[i])) << codec.toStdString() << " frame " << i;
        }
        EXPECT_FALSE(shortReader.ReadFrame(12, got));
    }
    // A film cut inside its first frame holds nothing to show.
    const QString none = dir.filePath(QStringLiteral("no-frame.avi"));
    ASSERT_TRUE(QFile::copy(dir.filePath(QStringLiteral("DIB.avi")), none));
    ASSERT_TRUE(cutFilmInFrame(none, 0));
    TAviReader empty;
    QString why;
    EXPECT_FALSE(empty.Open(none, &why));
    EXPECT_EQ(why, QStringLiteral("Cannot open AVI file"));

    // Files that are not films: the texts of the open failure.
    const QString text = dir.filePath(QStringLiteral("text.avi"));
    QFile f(text);
    f.open(QIODevice::WriteOnly);
    f.write("RIFF this is not a film at all, just some text for the reader to refuse");
    f.close();
    std::int32_t count = 5;
    EXPECT_FALSE(OpenAviFile(text, count));
    EXPECT_EQ(count, 0);
    EXPECT_FALSE(OpenAviFile(dir.filePath(QStringLiteral("none.avi")), count));
    EXPECT_EQ(boxes.texts(), (QStringList{QStringLiteral("The file couldn't be read, bad format"),
                                          QStringLiteral("A disk error occurred while opening the file.")}));
    EXPECT_FALSE(AviFileOpen);
    EXPECT_EQ(CloseAviFile(), 1);

    // A film of a codec nobody knows.
    QFile raw(dir.filePath(QStringLiteral("DIB.avi")));
    raw.open(QIODevice::ReadOnly);
    QByteArray bytes = raw.readAll();
    const qsizetype strf = bytes.indexOf("strf");
    ASSERT_GT(strf, 0);
    bytes.replace(strf + 8 + 16, 4, "QZX9");   // the format's compression code
    QFile unknown(dir.filePath(QStringLiteral("unknown.avi")));
    unknown.open(QIODevice::WriteOnly);
    unknown.write(bytes);
    unknown.close();
    boxes.clear();
    EXPECT_FALSE(OpenAviFile(unknown.fileName(), count));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Cannot find decompressor")});
}

TEST_F(FileSource, ASequenceOfPicturesPlaysInOrderSavesEveryThirdFrameAndResumesTheScript)
{
    for (int n = 8; n <= 19; ++n)
        ASSERT_TRUE(kernels::ImageFiles::WriteBmp24(dir.filePath(QStringLiteral("f%1.bmp").arg(n)), markedFrame(n)));
    // The chooser: first and last file of the same folder.
    dialogs.openAnswers = {dir.filePath(QStringLiteral("f8.bmp")), dir.filePath(QStringLiteral("f19.bmp"))};
    FRM_Chargeseq->SPDB_Sequence_PremierClick();
    FRM_Chargeseq->SPDB_Sequence_DernierClick();
    FRM_Chargeseq->BTN_OKClick();
    ASSERT_EQ(FRM_Chargeseq->ModalResult(), TSeqResult::mrOk);
    ASSERT_EQ(FRM_Chargeseq->Sequence().size(), 12);
    FRM_Alv->OpenFileSource(FRM_Chargeseq->Sequence(), 0, true);
    ASSERT_TRUE(PlayerActive);
    EXPECT_EQ(live().scanLine(0)[0], 8);
    EXPECT_EQ(PlayCount, 12);
    EXPECT_FALSE(player().SPDB_BACK1->isEnabled());
    EXPECT_TRUE(player().SPDB_PlayForward->isEnabled());
    EXPECT_TRUE(FRM_Alv->Timer_Cam1->isActive()) << "the slot's timer paces the player";

    FRM_Tool_Images->EDT_Nom_Image->setText(dir.filePath(QStringLiteral("seq")));
    FRM_Tool_Images->SPED_Freq_Sauve->setValue(3);
    FRM_Tool_Images->BTN_Demarrer_SauvClick();
    const int atStart = SequenceFrameCounter;
    waitingScript(&Scripts::WaitPlayer);
    player().Press(player().SPDB_PlayForward);
    std::vector<int> shown;
    for (int i = 0; i < 11; ++i) {
        tick();
        shown.push_back(live().scanLine(0)[0]);
    }
    EXPECT_EQ(shown, (std::vector<int>{9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19}));
    EXPECT_FALSE(scriptResumed()) << "not before the end";
    tick();
    EXPECT_TRUE(scriptResumed()) << "the end of the list";
    EXPECT_FALSE(player().SPDB_PlayForward->isEnabled());
    EXPECT_EQ(SequenceFrameCounter - atStart, 3) << "frames 3, 6 and 9 of the play";
    EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral("seq*.bmp")}, QDir::Files).size(), 4)
        << "the start's frame and three of the play";
    FRM_Tool_Images->BTN_Arreter_SauvClick();

    // A gap in the sequence: one message naming the file, the frame before it
    // stays, playback goes on.
    QFile::remove(dir.filePath(QStringLiteral("f17.bmp")));
    player().Press(player().SPDB_PlayBackwards);
    tick(3);
    EXPECT_EQ(PlayPosition, 8);
    EXPECT_EQ(live().scanLine(0)[0], 16);
    EXPECT_EQ(messageText().count(QStringLiteral("f17.bmp")), 1);
    player().Press(player().SPDB_PlayForward);
    tick(2);
    EXPECT_EQ(messageText().count(QStringLiteral("f17.bmp")), 1) << "told once";
    EXPECT_EQ(live().scanLine(0)[0], 18);
}

TEST_F(FileSource, AnAviFilmOpensFromTheDialogAndTheButtonsReachItsEnds)
{
    std::vector<kernels::Bitmap24> frames;
    const QString path = writeAvi(dir.filePath(QStringLiteral("film.avi")), QStringLiteral("DIB "), frames);
    LastOpenDir = dir.path() + QLatin1Char('/');
    dialogs.openManyAnswers = {QStringList{path}};
    waitingScript(nullptr);
    FRM_Alv->MNU_Ouvrir_ImageClick();
    EXPECT_TRUE(scriptResumed()) << "a script waiting for the dialog goes on";
    EXPECT_EQ(dialogs.requests.back().directory, LastOpenDir);
    ASSERT_EQ(PlayCount, 20);
    EXPECT_EQ(player().TNI_NbFrames->Value(), 20);
    EXPECT_EQ(player().EDT_Fichier->text(), QStringLiteral("Frame 0"));
    EXPECT_TRUE(kernels::SamePixels(live(), frames[0]));

    player().Press(player().SPDB_FF);
    tick();
    EXPECT_EQ(player().EDT_Fichier->text(), QStringLiteral("Frame 19"));
    EXPECT_TRUE(kernels::SamePixels(live(), frames[19]));
    player().Press(player().SPDB_BACK1);
    tick();
    EXPECT_EQ(PlayPosition, 18);
    EXPECT_TRUE(kernels::SamePixels(live(), frames[18]));

    // Loop: backwards from the first frame wraps to the last.
    player().Press(player().SPDB_REW);
    tick();
    EXPECT_EQ(PlayPosition, 0);
    player().Press(player().SPDB_BACK1);
    tick();
    EXPECT_EQ(PlayPosition, 0);
    EXPECT_FALSE(player().SPDB_BACK1->isEnabled()) << "at the first frame without loop";
    player().SPDB_Loop->setChecked(true);
    tick();
    player().Press(player().SPDB_PlayBackwards);
    tick();
    EXPECT_EQ(PlayPosition, 19);
    // Stop shows the frame once more; the scroll bar moves through Stop.
    int pos = 50;
    player().SCB_PlayControlScroll(4, pos);
    EXPECT_TRUE(player().SPDB_Stop->isChecked());
    tick();
    EXPECT_EQ(PlayPosition, 19);
    EXPECT_FALSE(player().SPDB_Stop->isChecked());
    int key = Qt::Key_Home;
    player().FormKeyUp(key, {});
    EXPECT_TRUE(player().SPDB_REW->isChecked());
    EXPECT_FALSE(player().SPDB_PlayBackwards->isChecked()) << "one button of the group down at a time";
    // While the film is the slot's source the close box does not hide the player.
    player().show();
    EXPECT_FALSE(player().close());
    EXPECT_TRUE(player().isVisible());
}

TEST_F(FileSource, DarkFlatCancelAndUnreadableSourcesStartNothingHalfWay)
{
    const QString dark = dir.filePath(QStringLiteral("dark.bmp"));
    ASSERT_TRUE(kernels::ImageFiles::WriteBmp24(dark, markedFrame(40)));
    LastOpenDir = QStringLiteral("/somewhere/");
    dialogs.openManyAnswers = {QStringList{dark}};
    FRM_Alv->MNU_Ouvrir_DarkClick();
    EXPECT_EQ(LastOpenDir, QStringLiteral("/somewhere/")) << "the dark's folder is not remembered";
    EXPECT_EQ(FRM_Tool_Images->EDT_Fichier_Dark->text(), dark);
    EXPECT_EQ(PlayKind, 1);
    EXPECT_TRUE(FRM_Tool_Images->RDB_Dark->isChecked());

    // A cancel stops only a script that waits for the dialog.
    waitingScript(&Scripts::WaitSequence);
    Scripts::CurrentScript().State = Scripts::StateRunning;
    FRM_Alv->MNU_Ouvrir_ImageClick();
    EXPECT_TRUE(Scripts::ScriptRunning);
    Scripts::CurrentScript().State = Scripts::StateWaiting;
    FRM_Alv->MNU_Ouvrir_ImageClick();
    EXPECT_FALSE(Scripts::ScriptRunning);

    // An empty list (a sequence whose first number is above the last), a
    // picture that cannot be read and one larger than a frame may be: one
    // message each, and the dark in place stays as it was.
    FRM_Message->MEMO_Message->clear();
    const auto before = live().scanLine(5)[5];
    const QSize size(live().width(), live().height());
    FRM_Alv->OpenFileSource({}, 0, false);
    EXPECT_TRUE(PlayerActive) << "the dark in place stays";
    EXPECT_EQ(PlayList->size(), 1);
    EXPECT_FALSE(messageText().isEmpty());
    const QString broken = dir.filePath(QStringLiteral("broken.jpg"));
    QFile f(broken);
    f.open(QIODevice::WriteOnly);
    f.write("\xFF\xD8 not a picture");
    f.close();
    Align_V::OpenImageFile(broken, 0);
    EXPECT_TRUE(messageText().contains(QStringLiteral("broken.jpg")));
    const QString big = dir.filePath(QStringLiteral("big.bmp"));
    ASSERT_TRUE(kernels::ImageFiles::WriteBmp24(big, kernels::Bitmap24(1281, 4)));
    Align_V::OpenImageFile(big, 0);
    EXPECT_TRUE(messageText().contains(QStringLiteral("1280")));
    EXPECT_TRUE(PlayerActive);
    EXPECT_EQ(PlayKind, 1);
    EXPECT_EQ(*PlayList, QStringList{dark});
    EXPECT_EQ(QSize(live().width(), live().height()), size);
    EXPECT_EQ(QSize(CameraSlots[1].width, CameraSlots[1].height), size);
    EXPECT_EQ(live().scanLine(5)[5], before);
}

// A flat opened from a file, or added from a picture with the player's
// "Ajouter", then the camera started again: the flat is applied to the
// camera's frames, scaled by its own means (an even flat leaves them as they
// are, not black), and its "Actif" box is offered so that the user can turn
// it off.
TEST_F(FileSource, AFlatOpenedOrAddedFromAFileIsAppliedToTheFramesThatFollowAndCanBeTurnedOff)
{
    TFRM_Alv* w = FRM_Alv;
    w->show();
    answerDriverDialog(0);
    ASSERT_TRUE(chooseMenuItem(w->MNU_Camera1, w->MNU_Cam1_Demarrer));
    ASSERT_TRUE(GrabDevices[1]);
    tick(2);
    // The flat of the camera's frame size.
    const QString flat = dir.filePath(QStringLiteral("flat.bmp"));
    ASSERT_TRUE(kernels::ImageFiles::WriteBmp24(flat, testsupport::uniformBitmap(live().width(), live().height(), 120,
                                                                                 120, 120)));
    const auto mean = [](const kernels::Bitmap24& b) {
        std::uint64_t sum = 0;
        for (int y = 0; y < b.height(); ++y)
            for (int x = 0; x < 3 * b.width(); ++x)
                sum += b.scanLine(y)[x];
        return b.isEmpty() ? 0.0 : double(sum) / (3.0 * b.width() * b.height());
    };
    dialogs.openManyAnswers = {QStringList{flat}};
    ASSERT_TRUE(chooseMenuItem(w->MNU_Ouvrir, w->MNU_Ouvrir_Flat));
    ASSERT_EQ(PlayKind, 2);
    answerDriverDialog(0);
    ASSERT_TRUE(chooseMenuItem(w->MNU_Camera1, w->MNU_Cam1_Demarrer));
    ASSERT_TRUE(GrabDevices[1]);
    tick(3);
    const double frame = mean(live());
    ASSERT_GT(frame, 2.0);
    EXPECT_NEAR(mean(w->Image3->Bitmap()), frame, 1.5) << "the even flat leaves the frame as it is";

    ASSERT_NO_FATAL_FAILURE(testsupport::click(FRM_Tool_Images->CKB_Active_Flat));
    EXPECT_FALSE(FRM_Tool_Images->CKB_Active_Flat->isChecked());

    // A flat made anew from the picture with the player's "Ajouter" is
    // applied to the camera's frames with its own means too.
    TFRM_Tool_Images* t = FRM_Tool_Images;
    FlatChannelMeans = {};
    dialogs.openManyAnswers = {QStringList{flat}};
    ASSERT_TRUE(chooseMenuItem(w->MNU_Ouvrir, w->MNU_Ouvrir_Image));
    for (QWidget* control : std::initializer_list<QWidget*>{t->CKB_Integration, t->RDB_Flat, t->BTN_Reset_Add,
                                                             player().BTN_Ajouter, t->CKB_Integration})
        ASSERT_NO_FATAL_FAILURE(testsupport::click(control));
    ASSERT_TRUE(t->CKB_Active_Flat->isChecked());
    answerDriverDialog(0);
    ASSERT_TRUE(chooseMenuItem(w->MNU_Camera1, w->MNU_Cam1_Demarrer));
    tick(3);
    EXPECT_NEAR(mean(w->Image3->Bitmap()), mean(live()), 1.5);
}

TEST_F(FileSource, ARawColourMosaicIsRebuiltWithTheChosenArrangement)
{
    // An RGGB mosaic of wide coloured stars, held as grey, and the same field in colour.
    platform::StarFieldSettings s;
    s.width = 160, s.height = 120, s.noise = 0, s.fwhm = 16, s.starCount = 6, s.driftX_pxPerS = 0;
    s.driftY_pxPerS = 0, s.tremble_px = 0, s.minPeak = 150, s.maxPeak = 200;
    platform::StarField colour(s);
    s.bayer = true;
    platform::StarField mosaic(s);
    kernels::Bitmap24 reference(160, 120), raw(160, 120);
    colour.render(0, 0, 0, 0, 1, reference.bits(), reference.stride());
    std::vector<std::uint8_t> samples(mosaic.frameBytes());
    mosaic.render(0, 0, 0, 0, 1, samples.data(), mosaic.minStride());
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x)
            std::fill_n(raw.scanLine(y) + 3 * x, 3, samples[std::size_t(y) * 160 + x]);
    const QString path = dir.filePath(QStringLiteral("raw.bmp"));
    ASSERT_TRUE(kernels::ImageFiles::WriteBmp24(path, raw));

    FRM_Pref->CKB_Raw->setChecked(true);
    FRM_Pref->RDB_RAWMode_2->setChecked(true);
    ASSERT_EQ(RawBayerMode, 2);
    Align_V::OpenImageFile(path, 0);
    ASSERT_TRUE(PlayerActive);
    for (const auto& star : colour.stars()) {
        const int x = int(std::lround(star.x)), y = int(std::lround(star.y));
        if (x < 2 || y < 2 || x > 157 || y > 117)
            continue;
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(live().scanLine(y)[3 * x + c], reference.scanLine(y)[3 * x + c], 6)
                << "star at " << x << ", " << y << " channel " << c;
    }
    FRM_Pref->CKB_Raw->setChecked(false);
}

TEST_F(FileSource, TheChooserRefusesNamesThatMakeNoSequence)
{
    LastOpenDir = dir.path() + QLatin1Char('/');
    dialogs.openAnswers = {dir.filePath(QStringLiteral("run01.bmp")), QStringLiteral("/other/test01.bmp"),
                           dir.filePath(QStringLiteral("test01.bmp"))};
    FRM_Chargeseq->SPDB_Sequence_PremierClick();
    FRM_Chargeseq->SPDB_Sequence_DernierClick();
    EXPECT_TRUE(FRM_Chargeseq->EDT_Sequence_Dernier->text().isEmpty()) << "another folder is ignored";
    FRM_Chargeseq->SPDB_Sequence_DernierClick();
    FRM_Chargeseq->show();
    FRM_Chargeseq->BTN_OKClick();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Le prefixe des fichiers doivent être identiques")});
    EXPECT_TRUE(FRM_Chargeseq->isVisible());
    FRM_Chargeseq->BTN_AnnulerClick();
    EXPECT_EQ(FRM_Chargeseq->ModalResult(), TSeqResult::mrCancel);
}

TEST_F(FileSource, AFrameOfAFilmThatCannotBeDecodedKeepsThePreviousOneAndIsToldOncePerFilm)
{
    std::vector<kernels::Bitmap24> frames;
    const QString path = writeAvi(dir.filePath(QStringLiteral("damaged.avi")), QStringLiteral("MJPG"), frames);
    ASSERT_FALSE(path.isEmpty());
    // The picture data of frame 5 is overwritten: its JPEG has no start any more.
    QFile film(path);
    ASSERT_TRUE(film.open(QIODevice::ReadWrite));
    QByteArray bytes = film.readAll();
    qsizetype chunk = bytes.indexOf("movi");
    for (int i = 0; i <= 5 && chunk >= 0; ++i)
        chunk = bytes.indexOf("00dc", chunk + 4);
    ASSERT_GT(chunk, 0);
    const qint32 size = qFromLittleEndian<qint32>(bytes.constData() + chunk + 4);
    bytes.replace(chunk + 8, size, QByteArray(size, '\x55'));
    film.seek(0);
    film.write(bytes);
    film.close();

    LastOpenDir = dir.path() + QLatin1Char('/');
    dialogs.openManyAnswers = {QStringList{path}};
    FRM_Alv->MNU_Ouvrir_ImageClick();
    ASSERT_EQ(PlayCount, 20);
    player().Press(player().SPDB_PlayForward);
    tick(4);
    ASSERT_EQ(PlayPosition, 4);
    EXPECT_NEAR(live().scanLine(8)[3 * 8], 40, 3);
    tick();   // frame 5
    EXPECT_NEAR(live().scanLine(8)[3 * 8], 40, 3) << "the frame before stays";
    EXPECT_EQ(messageText().count(QStringLiteral("damaged.avi")), 1);
    EXPECT_TRUE(AviFileOpen) << "the reader stays open for the next frame";
    tick();   // frame 6
    EXPECT_EQ(PlayPosition, 6);
    EXPECT_NEAR(live().scanLine(8)[3 * 8], 60, 3);

    // Back over the damaged frame: not told again.
    player().Press(player().SPDB_PlayBackwards);
    tick();
    EXPECT_EQ(PlayPosition, 5);
    EXPECT_EQ(messageText().count(QStringLiteral("damaged.avi")), 1);
    EXPECT_NEAR(live().scanLine(8)[3 * 8], 60, 3);
    tick();
    EXPECT_EQ(PlayPosition, 4);
    EXPECT_NEAR(live().scanLine(8)[3 * 8], 40, 3);
}

// Pictures, a film, a dark and a flat opened from the menus into a slot
// while the other slot's page is shown (the grab camera of slot 1 running
// before): the slot's view holds the first frame at once, and the page shows
// it when the user comes to it, without a step of the player. The same into
// slot 2, chosen as the image source, with the page of slot 1 shown.
TEST_F(FileSource, AFileOpenedWhileTheOtherPageIsShownShowsItsFirstFrameInItsSlotsView)
{
    QStringList pictures;
    for (int n = 1; n <= 12; ++n) {
        pictures << dir.filePath(QStringLiteral("img%1.bmp").arg(n));
        ASSERT_TRUE(kernels::ImageFiles::WriteBmp24(pictures.back(), markedFrame(n * 10, 320, 240)));
    }
    std::vector<kernels::Bitmap24> filmFrames;
    const QString film = writeAvi(dir.filePath(QStringLiteral("film.avi")), QStringLiteral("DIB "), filmFrames, 70);
    ASSERT_FALSE(film.isEmpty());
    const QString dark = dir.filePath(QStringLiteral("dark.bmp"));
    const QString flat = dir.filePath(QStringLiteral("flat.bmp"));
    ASSERT_TRUE(kernels::ImageFiles::WriteBmp24(dark, markedFrame(30, 160, 120)));
    ASSERT_TRUE(kernels::ImageFiles::WriteBmp24(flat, markedFrame(200, 160, 120)));

    TFRM_Alv* w = FRM_Alv;
    w->show();
    auto showPage = [w](QWidget* page) {
        QTabBar* tabs = w->PGC_Main->tabBar();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(w->PGC_Main->indexOf(page)).center());
        QCoreApplication::processEvents();
        return w->PGC_Main->currentWidget() == page;
    };
    // What the page shows at its top left, where each frame holds its mark.
    auto shown = [](TImageView* view) { return qRed(view->grab().toImage().pixel(4, 4)); };

    answerDriverDialog(0);
    ASSERT_TRUE(chooseMenuItem(w->MNU_Camera1, w->MNU_Cam1_Demarrer));
    ASSERT_TRUE(GrabDevices[1]);
    tick(2);

    struct Opened {
        const char* what;
        QAction* item;
        QStringList files;
        int mark;
    };
    const Opened opened[] = {{"pictures", w->MNU_Ouvrir_Image, pictures, 10},
                             {"film", w->MNU_Ouvrir_Image, {film}, 70},
                             {"dark", w->MNU_Ouvrir_Dark, {dark}, 30},
                             {"flat", w->MNU_Ouvrir_Flat, {flat}, 200}};
    for (const Opened& o : opened) {
        SCOPED_TRACE(o.what);
        ASSERT_TRUE(showPage(w->TBS_Source2));
        dialogs.openManyAnswers = {o.files};
        ASSERT_TRUE(chooseMenuItem(w->MNU_Ouvrir, o.item));
        ASSERT_TRUE(PlayerActive) << messageText().toStdString();
        EXPECT_FALSE(GrabDevices[1]) << "the camera of the slot stopped";
        EXPECT_EQ(w->Image1->Bitmap().scanLine(4)[3 * 4], o.mark) << "the view holds the first frame at once";
        ASSERT_TRUE(showPage(w->TBS_Source1));
        EXPECT_EQ(shown(w->Image1), o.mark) << "the page shows it";
    }

    // Slot 2 as the image source; its page hidden behind slot 1's.
    ASSERT_NO_FATAL_FAILURE(testsupport::click(FRM_Tool_Affichage->CKB_Src2_Image));
    ASSERT_EQ(CurrentCameraSlot, 2);
    ASSERT_TRUE(showPage(w->TBS_Source1));
    dialogs.openManyAnswers = {QStringList{pictures.mid(3, 2)}};
    ASSERT_TRUE(chooseMenuItem(w->MNU_Ouvrir, w->MNU_Ouvrir_Image));
    EXPECT_EQ(w->Image2->Bitmap().scanLine(4)[3 * 4], 40);
    ASSERT_TRUE(showPage(w->TBS_Source2));
    EXPECT_EQ(shown(w->Image2), 40);
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join(u'|').toStdString();
}

// A film cut short (a recording that never ended) opened from the menu: the
// opening tells once which file it is and how many of the frames its header
// announces can be read; the player counts those, its buttons and the play
// stop at the last of them, shown as written, and nothing more is told.
TEST_F(FileSource, AFilmCutShortIsToldOnceAndPlaysTheFramesItHolds)
{
    std::vector<kernels::Bitmap24> frames;
    const QString path = writeAvi(dir.filePath(QStringLiteral("cut.avi")), QStringLiteral("DIB "), frames);
    ASSERT_TRUE(cutFilmInFrame(path, 12));
    FRM_Tool_Affichage->TNI_Cam1_Tps_Rafraichissement->SetValue(60000);   // the test ticks
    FRM_Alv->show();
    FRM_Message->MEMO_Message->clear();
    dialogs.openManyAnswers = {QStringList{path}};
    ASSERT_TRUE(chooseMenuItem(FRM_Alv->MNU_Ouvrir, FRM_Alv->MNU_Ouvrir_Image));
    EXPECT_EQ(messageText(), TranslatedTexts.MSG_Film_Tronque.arg(path).arg(12).arg(20));
    EXPECT_EQ(player().TNI_NbFrames->Value(), 12);

    ASSERT_NO_FATAL_FAILURE(testsupport::click(player().SPDB_FF));
    tick(2);
    EXPECT_EQ(player().EDT_Fichier->text(), QStringLiteral("Frame 11"));
    EXPECT_TRUE(kernels::SamePixels(live(), frames[11]));
    EXPECT_FALSE(player().SPDB_FF->isEnabled()) << "the last frame held";
    ASSERT_NO_FATAL_FAILURE(testsupport::click(player().SPDB_REW));
    tick(2);   // the second away from the last frame, where the way forward opens
    ASSERT_NO_FATAL_FAILURE(testsupport::click(player().SPDB_PlayForward));
    tick(14);
    EXPECT_EQ(PlayPosition, 11) << "the play stops at the last frame held";
    EXPECT_TRUE(kernels::SamePixels(live(), frames[11]));
    EXPECT_EQ(messageText(), TranslatedTexts.MSG_Film_Tronque.arg(path).arg(12).arg(20)) << "nothing more is told";
}

// A script waiting for the play of a film goes on when the play ends
// another way than at the end of the film: the user's Stop, or a jump to
// its last frame. It never waits for a play that no longer runs.
TEST_F(FileSource, AScriptWaitingForThePlayGoesOnWhenTheUserEndsThePlay)
{
    std::vector<kernels::Bitmap24> frames;
    const QString path = writeAvi(dir.filePath(QStringLiteral("film.avi")), QStringLiteral("DIB "), frames);
    FRM_Tool_Affichage->TNI_Cam1_Tps_Rafraichissement->SetValue(60000);   // the test ticks
    FRM_Alv->show();
    dialogs.openManyAnswers = {QStringList{path}};
    ASSERT_TRUE(chooseMenuItem(FRM_Alv->MNU_Ouvrir, FRM_Alv->MNU_Ouvrir_Image));
    const auto playUntil = [&](QToolButton* end) {
        boxes.clear();
        runScriptText(QStringLiteral("player.play(startwait,forward)\nmessage.show(\"after\")"));
        ASSERT_TRUE(QTest::qWaitFor([] { return Scripts::CurrentScript().State == Scripts::StateWaiting; }, 5000));
        tick(3);
        ASSERT_TRUE(player().SPDB_PlayForward->isChecked()) << "it plays";
        ASSERT_NO_FATAL_FAILURE(testsupport::click(end));
        tick();
        EXPECT_TRUE(QTest::qWaitFor([] { return !Scripts::ScriptRunning; }, 5000));
        EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("after")});
        EXPECT_FALSE(Scripts::WaitPlayer);
    };
    playUntil(player().SPDB_Stop);
    EXPECT_EQ(PlayPosition, 3) << "stopped at the frame shown";
    ASSERT_NO_FATAL_FAILURE(testsupport::click(player().SPDB_REW));
    tick(2);
    playUntil(player().SPDB_FF);
    EXPECT_EQ(PlayPosition, 19);
}

// A camera start that does not happen, whichever way it was asked for and
// however it ends (the driver choice given up with "Annuler", a camera whose
// frames are too large, a plug-in camera that does not connect), leaves a
// film or pictures as they were: at their frame, the player shown, the play
// going on at the next tick, or again on its button. Only the slot's online
// flag is cleared. A camera that does start takes the slot.
TEST_F(FileSource, ACameraStartThatDoesNotHappenLeavesTheFilmOrPicturesPlaying)
{
    grab.add({QStringLiteral("Trop grande"), QStringLiteral("1")},
             [] { return std::make_unique<FakeGrabDevice>(platform::CameraFormat{1281, 960, 24}, 1281, 960); });
    ASSERT_NO_FATAL_FAILURE(usePlugins({QStringLiteral("NJ_ConnectFails")}));
    TFRM_Alv* w = FRM_Alv;
    w->show();
    FRM_Tool_Affichage->TNI_Cam1_Tps_Rafraichissement->SetValue(60000);   // the test ticks
    FRM_Tool_Affichage->TNI_Cam2_Tps_Rafraichissement->SetValue(10000);
    auto tick2 = [w](int n = 1) {
        for (int i = 0; i < n; ++i)
            w->Timer_Cam2Timer();
    };
    std::vector<kernels::Bitmap24> frames;
    const QString film = writeAvi(dir.filePath(QStringLiteral("film.avi")), QStringLiteral("DIB "), frames);
    dialogs.openManyAnswers = {QStringList{film}};
    ASSERT_TRUE(chooseMenuItem(w->MNU_Ouvrir, w->MNU_Ouvrir_Image));
    ASSERT_NO_FATAL_FAILURE(testsupport::click(player().SPDB_PlayForward));
    tick();

    auto menu = [&](int cam) {
        return [&, cam] { ASSERT_TRUE(chooseMenuItem(cam == 1 ? w->MNU_Camera1 : w->MNU_Camera2,
                                                     cam == 1 ? w->MNU_Cam1_Demarrer : w->MNU_Cam2_Demarrer)); };
    };
    auto button = [&](QRadioButton* layout, QToolButton* start) {
        return [=] {
            ASSERT_NO_FATAL_FAILURE(testsupport::click(layout));
            ASSERT_NO_FATAL_FAILURE(testsupport::click(start));
        };
    };
    struct Way {
        const char* what;
        int cam, line;
        std::function<void()> start;
    };
    const Way ways[] = {
        {"the menu, Annuler", 1, -1, menu(1)},
        {"the tool bar, Annuler", 1, -1, button(FRM_Pref->RDB_WM_Expert, w->SPDB_Cam1_Start)},
        {"the beginner's tool bar, Annuler", 1, -1, button(FRM_Pref->RDB_WM_Beginner, w->SPDB_Cam1_Start_B)},
        {"camera 2, Annuler", 2, -1, menu(2)},
        {"frames too large", 1, 1, menu(1)},
        {"a plug-in camera that does not connect", 1, 2, menu(1)},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.what);
        const int at = PlayPosition;
        Scripts::Cam1Online = Scripts::Cam2Online = true;
        answerDriverDialog(way.line);
        ASSERT_NO_FATAL_FAILURE(way.start());
        EXPECT_TRUE(PlayerActive && AviFileOpen && player().isVisible() && w->Timer_Cam1->isActive());
        EXPECT_TRUE(player().SPDB_PlayForward->isChecked());
        EXPECT_EQ(PlayPosition, at);
        EXPECT_EQ(QSize(CameraSlots[1].width, CameraSlots[1].height), QSize(96, 64));
        EXPECT_NE(Scripts::Cam1Online, way.cam == 1) << "only the slot's online flag is cleared";
        EXPECT_NE(Scripts::Cam2Online, way.cam == 2);
        tick();
        EXPECT_EQ(PlayPosition, at + 1);
        EXPECT_TRUE(kernels::SamePixels(live(), frames[at + 1]));
    }
    EXPECT_FALSE(messageText().contains(film)) << "every frame read: " << messageText().toStdString();
    // Stopped, the film plays again on its button.
    ASSERT_NO_FATAL_FAILURE(testsupport::click(player().SPDB_Stop));
    tick();
    const int at = PlayPosition;
    answerDriverDialog(-1);
    ASSERT_NO_FATAL_FAILURE(menu(1)());
    ASSERT_NO_FATAL_FAILURE(testsupport::click(player().SPDB_PlayForward));
    tick();
    EXPECT_EQ(PlayPosition, at + 1);
    EXPECT_TRUE(kernels::SamePixels(live(), frames[at + 1]));

    // Pictures playing backwards on slot 2, then camera 2 started there.
    QStringList pictures;
    for (int n = 1; n <= 4; ++n) {
        pictures << dir.filePath(QStringLiteral("p%1.bmp").arg(n));
        ASSERT_TRUE(kernels::ImageFiles::WriteBmp24(pictures.back(), markedFrame(n * 10)));
    }
    ASSERT_NO_FATAL_FAILURE(testsupport::click(FRM_Tool_Affichage->CKB_Src2_Image));
    dialogs.openManyAnswers = {pictures};
    ASSERT_TRUE(chooseMenuItem(w->MNU_Ouvrir, w->MNU_Ouvrir_Image));
    ASSERT_NO_FATAL_FAILURE(testsupport::click(player().SPDB_FF));
    tick2(2);   // the second away from the first picture, where the way back opens
    ASSERT_NO_FATAL_FAILURE(testsupport::click(player().SPDB_PlayBackwards));
    answerDriverDialog(-1);
    ASSERT_NO_FATAL_FAILURE(menu(2)());
    tick2();
    EXPECT_EQ(PlayPosition, 2);
    EXPECT_EQ(SlotBitmaps[2][0]->scanLine(0)[0], 30);
    answerDriverDialog(0);
    ASSERT_NO_FATAL_FAILURE(menu(2)());
    EXPECT_TRUE(GrabDevices[2] && !PlayerActive && !player().isVisible());
    w->MNU_Cam2_ArreterClick();
    ASSERT_NO_FATAL_FAILURE(testsupport::click(FRM_Tool_Affichage->CKB_Src1_Image));
}
