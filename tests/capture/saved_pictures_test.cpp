// Every file type the image tool writes, from every kind of camera, before
// and after processing: the saved picture holds the sky at the size its
// report states, without the overlays drawn for the screen (the tracking
// zone's box, the reticle) and without a band of empty rows.

#include "camera_road_fixture.h"

#include "app/frm_alv.h"
#include "capture/avi_compression.h"
#include "capture/camera_slots.h"
#include "capture/avi_writer.h"
#include "capture/file_sources.h"
#include "capture/frm_play_control.h"
#include "kernels/image_files.h"
#include "capture/plugin_mgr.h"
#include "capture/wdm_capture.h"
#include "support/user_input.h"
#include "imaging/pipeline_state.h"
#include "platform/fake_v4l2.h"
#include "platform/v4l2_camera.h"
#include "telescope/frm_tool_suivi.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_images.h"
#include "tools/frm_tool_mesures.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QTabWidget>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QRegularExpression>
#include <QtEndian>
#include <tiffio.h>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <tuple>
#include <vector>

namespace {

// A saved picture brought to 8-bit RGB.
struct Picture {
    int width = 0, height = 0;
    std::vector<int> rgb;
    int at(int x, int y, int c) const { return rgb[(std::size_t(y) * width + x) * 3 + c]; }
};

Picture fromQImage(const QImage& read)
{
    Picture p;
    if (read.isNull())
        return p;
    const QImage img = read.convertToFormat(QImage::Format_RGB888);
    p.width = img.width();
    p.height = img.height();
    p.rgb.reserve(std::size_t(p.width) * p.height * 3);
    for (int y = 0; y < p.height; ++y) {
        const uchar* line = img.constScanLine(y);
        p.rgb.insert(p.rgb.end(), line, line + p.width * 3);
    }
    return p;
}

// The first page of a 16-bit RGB TIFF.
Picture readTiff(const QString& path)
{
    Picture p;
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
    TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), "r");
    if (!tif)
        return p;
    std::uint32_t w = 0, h = 0;
    std::uint16_t bits = 0, spp = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
    TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetField(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
    if (bits == 16 && spp == 3) {
        p.width = int(w);
        p.height = int(h);
        std::vector<std::uint16_t> line(std::size_t(w) * 3);
        for (std::uint32_t y = 0; y < h; ++y) {
            TIFFReadScanline(tif, line.data(), y);
            for (std::uint16_t v : line)
                p.rgb.push_back(v >> 8);
        }
    }
    TIFFClose(tif);
    return p;
}

// The first frame of an uncompressed, bottom-up AVI, at the size its main header states.
Picture readAviFrame(const QString& path)
{
    Picture p;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return p;
    const QByteArray data = f.readAll();
    const int avih = data.indexOf("avih");
    const int movi = data.indexOf("movi");
    if (avih < 0 || movi < 0)
        return p;
    const int w = qFromLittleEndian<qint32>(data.constData() + avih + 8 + 32);
    const int h = qFromLittleEndian<qint32>(data.constData() + avih + 8 + 36);
    // Uncompressed frames go by either chunk name.
    int chunk = data.indexOf("00db", movi);
    if (chunk < 0)
        chunk = data.indexOf("00dc", movi);
    if (chunk < 0 || w <= 0 || h <= 0)
        return p;
    const int size = qFromLittleEndian<qint32>(data.constData() + chunk + 4);
    const int stride = size == w * 3 * h ? w * 3 : (w * 3 + 3) & ~3;
    if (size < stride * h || chunk + 8 + stride * h > data.size())
        return p;
    p.width = w;
    p.height = h;
    for (int y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const uchar*>(data.constData()) + chunk + 8 + std::size_t(h - 1 - y) * stride;
        for (int x = 0; x < w; ++x)
            p.rgb.insert(p.rgb.end(), {row[x * 3 + 2], row[x * 3 + 1], row[x * 3]});
    }
    return p;
}

Picture fromBitmap(const kernels::Bitmap24& bmp)
{
    Picture p;
    p.width = bmp.width();
    p.height = bmp.height();
    p.rgb.reserve(std::size_t(p.width) * p.height * 3);
    for (int y = 0; y < p.height; ++y) {
        const std::uint8_t* line = bmp.scanLine(y);
        for (int x = 0; x < p.width; ++x)
            p.rgb.insert(p.rgb.end(), {line[x * 3 + 2], line[x * 3 + 1], line[x * 3]});
    }
    return p;
}

int distance(const Picture& a, int ax, int ay, const Picture& b, int bx, int by)
{
    int d = 0;
    for (int c = 0; c < 3; ++c)
        d += std::abs(a.at(ax, ay, c) - b.at(bx, by, c));
    return d;
}

int chroma(const Picture& p, int x, int y)
{
    const int r = p.at(x, y, 0), g = p.at(x, y, 1), b = p.at(x, y, 2);
    return std::max({r, g, b}) - std::min({r, g, b});
}

// What the screen showed when a picture was saved: the picture it was taken
// from, the same with the overlays drawn for the screen, and where the saved
// picture's corner lies in them.
struct Shown {
    Picture clean, screen;
    int left = 0, top = 0;
};

// The overlays' pixels (where the screen clearly differs from the clean
// picture) and how many of them the saved picture holds. The 16-bit files
// hold the result's data before the display's levels: only the overlay's own
// colour counts there.
struct OverlayCount {
    int shown = 0, saved = 0;
};

OverlayCount countOverlay(const Picture& file, const Shown& s)
{
    OverlayCount n;
    for (int y = 0; y < file.height; ++y)
        for (int x = 0; x < file.width; ++x) {
            const int sx = x + s.left, sy = y + s.top;
            if (sx >= s.clean.width || sy >= s.clean.height || sx >= s.screen.width || sy >= s.screen.height)
                continue;
            if (distance(s.clean, sx, sy, s.screen, sx, sy) < 120)
                continue;
            ++n.shown;
            // The overlay's own colour, give or take a lossy file's error.
            const int toScreen = distance(file, x, y, s.screen, sx, sy);
            if (toScreen < 40 && toScreen < distance(file, x, y, s.clean, sx, sy)
                && chroma(file, x, y) * 2 >= chroma(s.screen, sx, sy))
                ++n.saved;
        }
    return n;
}

bool rowIsUniform(const Picture& p, int y)
{
    for (int x = 1; x < p.width; ++x)
        for (int c = 0; c < 3; ++c)
            if (p.at(x, y, c) != p.at(0, y, c))
                return false;
    return true;
}

// Whether most rows are uniform: a 16-bit file read at 8 bits shows
// little more than its brightest stars.
bool mostlyUniform(const Picture& p)
{
    int uniform = 0;
    for (int y = 0; y < p.height; ++y)
        uniform += rowIsUniform(p, y);
    return uniform * 2 > p.height;
}

enum class Kind { BuiltIn, PlugIn, Webcam };

struct FileType {
    const char* item;   // the start of the type list's item
    const char* ext;
    bool sequence;      // written through the sequence's start and stop
};

const FileType kTypes[] = {
    {"BMP", ".bmp", false}, {"JPG", ".jpg", false}, {"PNG", ".png", false},
    {"TIFF", ".tif", false}, {"TFV", ".tif", true}, {"AVI", ".avi", true},
};

class SavedPictures : public CameraRoad, public ::testing::WithParamInterface<Kind> {
protected:
    void SetUp() override
    {
        CameraRoad::SetUp();
        // Films are written uncompressed, whatever an earlier test chose.
        savedCompression = AVICompression::CompressOptions;
        AVICompression::CompressOptions.fccHandler = 0;
        TWDMCapture::formatPage() = [](const std::vector<platform::V4l2Camera::FormatEntry>&,
                                       TWDMCapture::FormatChoice& c) {
            c.width = 320;
            c.height = 240;
            return true;
        };
    }
    void TearDown() override
    {
        CameraRoad::TearDown();
        TWDMCapture::formatPage() = savedPage;
        AVICompression::CompressOptions = savedCompression;
    }

    void start(Kind kind)
    {
        FRM_Tool_Affichage->CBX_Cam1_IPS->setCurrentText(QStringLiteral("Auto"));
        if (kind == Kind::PlugIn) {
            if (!QFile::exists(dir.filePath(QStringLiteral("Plugins/NJ_Simulator.so")))) {   // not on a second start
                ASSERT_NO_FATAL_FAILURE(useSimulatorPlugin());
            }
        } else if (kind == Kind::Webcam) {
            platform::setStreamCameras(&family);
        }
        answerDriverDialog(kind == Kind::BuiltIn ? 0 : 1);   // after the simulated grab camera
        FRM_Alv->MNU_Cam1_DemarrerClick();
        ASSERT_TRUE(SlotModes[1] != 0 || FRM_Alv->Timer_Cam1->isActive()) << messageText().toStdString();
    }

    // Lets the camera deliver a few frames through the frame routine.
    void runFrames(Kind kind, int count)
    {
        if (kind == Kind::BuiltIn) {
            for (int i = 0; i < count; ++i)
                FRM_Alv->Timer_Cam1Timer();
            return;
        }
        const int before = FrameCounters[1];
        QElapsedTimer t;
        t.start();
        while (FrameCounters[1] < before + count && t.elapsed() < 3000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        ASSERT_GE(FrameCounters[1], before + count) << "the camera's frames run";
    }

    Picture read(const FileType& type, const QString& path)
    {
        if (QLatin1String(type.item) == QLatin1String("AVI"))
            return readAviFrame(path);
        if (QLatin1String(type.ext) == QLatin1String(".tif"))
            return readTiff(path);
        return fromQImage(QImage(path));
    }

    platform::FakeV4l2 fake{{platform::FakeV4l2::webcam("/dev/video0", "Fake Cam")}};
    platform::V4l2Family family{fake};
    TWDMCapture::FormatPage savedPage = TWDMCapture::formatPage();
    decltype(AVICompression::CompressOptions) savedCompression{};
};

} // namespace

TEST_P(SavedPictures, EveryFileTypeHoldsTheSkyAtItsReportedSizeWithoutOverlaysBeforeAndAfterProcessing)
{
    const Kind kind = GetParam();
    ASSERT_NO_FATAL_FAILURE(start(kind));
    auto* t = FRM_Tool_Images;
    // The screen shows the tracking zone's box and the reticle on both views.
    FRM_Tool_Suivi->CKB_Suivi->setChecked(true);
    FRM_Tool_Mesures->CKB_Reticule->setChecked(true);
    FRM_Tool_Mesures->CKB_Reticule_resultat->setChecked(true);
    t->CKB_utiliser_seuils->setChecked(true);
    t->CKB_Enreg_Params->setChecked(true);
    t->RDB_Une_Fois->setChecked(true);
    t->AddAviFileType();
    FRM_Alv->PGC_Main->setCurrentWidget(FRM_Alv->TBS_Source1);
    ASSERT_NO_FATAL_FAILURE(runFrames(kind, 3));

    const QRegularExpression sizeLine(QStringLiteral("Dimensions de l'image\\s*: (\\d+) x (\\d+) pixels"));
    int n = 0;
    for (const bool before : {true, false}) {
        (before ? t->RDB_Images_Avant_Traitement : t->RDB_Images_Apres_Traitement)->setChecked(true);
        for (const FileType& type : kTypes) {
            const QString what = QStringLiteral("%1 %2").arg(QLatin1String(type.item), before ? "before" : "after");
            SCOPED_TRACE(what.toStdString());
            const int index = t->CBX_TypeFichier->findText(QLatin1String(type.item), Qt::MatchStartsWith);
            ASSERT_GE(index, 0);
            t->CBX_TypeFichier->setCurrentIndex(index);
            const QString prefix = QStringLiteral("s%1_").arg(++n);
            t->EDT_Nom_Image->setText(dir.filePath(prefix));
            if (type.sequence) {
                t->BTN_Demarrer_SauvClick();
                t->BTN_Arreter_SauvClick();
            } else {
                t->BTN_Enregistrer_ImageClick();
            }
            // The save took the zone of the camera's frame, or the part of
            // the result that holds the frame.
            const QString key = QString::fromLatin1(type.item).left(3);
            const bool deepStill = key == QLatin1String("PNG") || key == QLatin1String("TIF");
            Shown shown;
            if (before && !deepStill) {
                shown.clean = fromBitmap(*SlotBitmaps[1][0]);
                shown.screen = fromBitmap(FRM_Alv->Image1->Bitmap());
                shown.left = DisplayZoneRect.left;
                shown.top = DisplayZoneRect.top;
            } else {
                shown.screen = fromBitmap(FRM_Alv->Image3->Bitmap());
                shown.clean = ResultOverlaid ? fromBitmap(ResultWithoutOverlay) : shown.screen;
                shown.left = TFRM_Tool_Images::SavedResultRect().left;
                shown.top = TFRM_Tool_Images::SavedResultRect().top;
            }
            const QStringList saved =
                QDir(dir.path()).entryList({prefix + QLatin1Char('*') + QLatin1String(type.ext)}, QDir::Files);
            ASSERT_EQ(saved.size(), 1) << messageText().toStdString();
            const Picture p = read(type, dir.filePath(saved.front()));
            ASSERT_GT(p.width, 0) << "a readable picture";

            const QStringList reports = QDir(dir.path()).entryList({prefix + QStringLiteral("*.par")}, QDir::Files);
            ASSERT_FALSE(reports.isEmpty());
            QFile par(dir.filePath(reports.front()));
            ASSERT_TRUE(par.open(QIODevice::ReadOnly));
            const QString report = QString::fromLatin1(par.readAll());
            const auto size = sizeLine.match(report);
            ASSERT_TRUE(size.hasMatch()) << report.toStdString();
            EXPECT_EQ(p.width, size.captured(1).toInt());
            EXPECT_EQ(p.height, size.captured(2).toInt()) << "not squashed";
            // Neither a dark nor a flat was applied, and the report says none was.
            EXPECT_FALSE(report.contains(QRegularExpression(QStringLiteral("Dark appliqué \\(Nb Img\\)\\s*: [1-9]"))))
                << report.toStdString();
            EXPECT_FALSE(report.contains(QRegularExpression(QStringLiteral("Flat appliqué\\s*\\(O/N\\)\\s*: O"))));

            const OverlayCount overlay = countOverlay(p, shown);
            EXPECT_GT(overlay.shown, 0) << "the screen shows an overlay over the saved part";
            EXPECT_EQ(overlay.saved, 0) << "pixels drawn for the screen, of " << overlay.shown;
            EXPECT_FALSE((rowIsUniform(p, 0) || rowIsUniform(p, p.height - 1)) && !mostlyUniform(p))
                << "a band of empty rows";
        }
    }
    FRM_Alv->MNU_Cam1_ArreterClick();
    EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join(u'|').toStdString();
}

// The 16-bit files of a running camera, chosen and saved with the mouse and
// the keyboard: without the addition or the thresholds nothing renders into
// the 16-bit plane, and a still (the flash button, a sequence's saves) or a
// multi-page file's page is the result view at its size, its levels x 257;
// with the thresholds on, the rendered plane at the same size. Never an
// empty picture, never a box.
TEST_P(SavedPictures, SixteenBitFilesOfARunningCameraHoldTheResultViewWithOrWithoutProcessing)
{
    using testsupport::click;
    const Kind kind = GetParam();
    ASSERT_NO_FATAL_FAILURE(start(kind));
    auto* t = FRM_Tool_Images;
    if (kind == Kind::BuiltIn)
        FRM_Alv->Timer_Cam1->stop();   // its frames come with the test's ticks only
    ASSERT_NO_FATAL_FAILURE(runFrames(kind, 3));
    int n = 0;
    for (const bool thresholds : {false, true}) {
        if (thresholds) {
            click(t->RDB_Images_Apres_Traitement);   // the multi-page file takes the plane too
            click(t->CKB_utiliser_seuils);
            ASSERT_NO_FATAL_FAILURE(runFrames(kind, 2));
        }
        for (const char* type : {"TIFF (48 bit RGB)", "PNG (48 bit RGB)", "TFV (48 bit Video)"}) {
            SCOPED_TRACE(std::string(type) + (thresholds ? " with thresholds" : " without processing"));
            const QString prefix = QStringLiteral("p%1_").arg(++n);
            testsupport::typeInto(t->EDT_Nom_Image, dir.filePath(prefix));
            testsupport::pick(t->CBX_TypeFichier, QLatin1String(type));
            const bool still = t->BTN_Enregistrer_Image->isEnabled();
            const QString flash = prefix + QString::number(int(t->TNI_Num_Suffixe->Value()));
            if (still)
                click(t->BTN_Enregistrer_Image);
            // What the view showed at the flash save.
            const Picture view = fromBitmap(ResultOverlaid ? ResultWithoutOverlay : FRM_Alv->Image3->Bitmap());
            const kernels::Rect part = TFRM_Tool_Images::SavedResultRect();
            click(t->BTN_Demarrer_Sauv);
            ASSERT_NO_FATAL_FAILURE(runFrames(kind, 2));
            click(t->BTN_Arreter_Sauv);
            ASSERT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join(u'|').toStdString();

            const QString ext = QLatin1String(type).startsWith(QLatin1String("PNG")) ? QStringLiteral(".png") : QStringLiteral(".tif");
            const QStringList saved = QDir(dir.path()).entryList({prefix + QLatin1Char('*') + ext}, QDir::Files, QDir::Name);
            ASSERT_GE(saved.size(), still ? 3 : 1) << "the flash, the start's and the frames' saves";
            std::vector<Picture> files;
            for (const QString& name : saved) {
                const QString path = dir.filePath(name);
                files.push_back(ext == QLatin1String(".tif") ? readTiff(path) : fromQImage(QImage(path)));
                EXPECT_EQ(files.back().width, part.width()) << name.toStdString();
                EXPECT_EQ(files.back().height, part.height()) << name.toStdString();
            }
            if (!still || thresholds || kind != Kind::BuiltIn)
                continue;
            // The flash save is the view, level for level (x 257, read back as 8 bits).
            const Picture& p = files[std::size_t(saved.indexOf(flash + ext))];
            int differing = 0;
            for (int y = 0; y < p.height; ++y)
                for (int x = 0; x < p.width; ++x)
                    differing += distance(p, x, y, view, x + part.left, y + part.top) != 0;
            EXPECT_EQ(differing, 0);
        }
    }
    FRM_Alv->MNU_Cam1_ArreterClick();
}

// Whichever ratio is clicked, the zone a start gives is the frame's width
// and, with "Ecran", taller than a 4:3 frame: the result shows the whole
// frame row for row, so does the addition's input once binned, wherever
// the zone is moved (a right click on the source view, or the tracked star
// it is linked to), and a BMP saved after processing holds it whole.
TEST_P(SavedPictures, AZoneLargerThanTheFrameShowsAndSavesTheWholeFrameWithEitherRatio)
{
    using testsupport::click;
    const Kind kind = GetParam();
    TFRM_Alv* w = FRM_Alv;
    auto* t = FRM_Tool_Images;
    // Rows of `shown` (at least the frame's size) that are not the frame's own.
    const auto rowsOff = [](const kernels::Bitmap24& shown) {
        const kernels::Bitmap24& frame = *SlotBitmaps[1][0];
        const int W = CameraSlots[1].width, H = CameraSlots[1].height;
        int off = 0;
        for (int y = 0; y < H; ++y)
            off += y >= shown.height() || W > shown.width()
                   || std::memcmp(shown.scanLine(y), frame.scanLine(y), std::size_t(W) * 3) != 0;
        return off;
    };
    const auto result = [] { return ResultOverlaid ? ResultWithoutOverlay : FRM_Alv->Image3->Bitmap(); };
    int n = 0;
    for (QRadioButton* ratio : {FRM_Tool_Affichage->RDB_Ratio_Libre, FRM_Tool_Affichage->RDB_Ratio_Ecran}) {
        SCOPED_TRACE(ratio->text().toStdString());
        click(ratio);
        ASSERT_NO_FATAL_FAILURE(start(kind));
        if (kind == Kind::BuiltIn)
            w->Timer_Cam1->start(3600000);   // its frames come with the test's ticks only
        if (kind == Kind::Webcam) {   // its format page answers 320 x 240
            ASSERT_TRUE(chooseMenuItem(w->MNU_Camera1, w->MNU_Cam1_Format));
        }
        ASSERT_NO_FATAL_FAILURE(runFrames(kind, 2));
        const int W = CameraSlots[1].width, H = CameraSlots[1].height;
        ASSERT_EQ(W * 3, H * 4) << "a 4:3 frame";
        EXPECT_EQ(QSize(result().width(), result().height()), QSize(W, H));
        EXPECT_EQ(rowsOff(result()), 0);

        // The zone moved by a right click, then with the tracked star.
        w->PGC_Main->setCurrentWidget(w->TBS_Source1);
        QTest::mouseClick(w->Image1, Qt::RightButton, {}, QPoint(W / 5, H / 5));
        ASSERT_NO_FATAL_FAILURE(runFrames(kind, 1));
        EXPECT_EQ(rowsOff(result()), 0) << "a zone moved by a right click";
        click(FRM_Tool_Affichage->CKB_Zones_Liees);
        QTest::mouseClick(w->Image1, Qt::LeftButton, {}, QPoint(W * 3 / 4, H * 4 / 5));
        ASSERT_NO_FATAL_FAILURE(runFrames(kind, 1));
        EXPECT_EQ(rowsOff(result()), 0) << "a zone that follows the tracked star";
        click(FRM_Tool_Affichage->CKB_Zones_Liees);

        // A BMP saved after processing: the frame, pixel for pixel.
        click(t->RDB_Images_Apres_Traitement);
        const QString prefix = QStringLiteral("w%1_").arg(++n);
        testsupport::typeInto(t->EDT_Nom_Image, dir.filePath(prefix));
        testsupport::pick(t->CBX_TypeFichier, QStringLiteral("BMP (24 bits RGB)"));
        click(t->BTN_Enregistrer_Image);
        const QStringList saved = QDir(dir.path()).entryList({prefix + QStringLiteral("*.bmp")}, QDir::Files);
        ASSERT_EQ(saved.size(), 1) << messageText().toStdString();
        const Picture p = fromQImage(QImage(dir.filePath(saved.front())));
        const Picture frame = fromBitmap(*SlotBitmaps[1][0]);
        ASSERT_EQ(QSize(p.width, p.height), QSize(W, H));
        int differing = 0;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                differing += distance(p, x, y, frame, x, y) != 0;
        EXPECT_EQ(differing, 0) << "pixels of the saved picture not at their place in the frame";

        // Binned, the addition reads the whole frame.
        ASSERT_TRUE(chooseMenuItem(w->MNU_Cam1_Binning, w->MNU_Cam1_Binning_2x2));
        ASSERT_NO_FATAL_FAILURE(runFrames(kind, 1));
        EXPECT_EQ(QSize(result().width(), result().height()), QSize(W / 2, H / 2));
        EXPECT_EQ(rowsOff(*ZoneBitmap), 0) << "the binned result's input";
        ASSERT_TRUE(chooseMenuItem(w->MNU_Cam1_Binning, w->MNU_Cam1_Binning_1x1));
        w->MNU_Cam1_ArreterClick();
    }
    EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join(u'|').toStdString();
}

INSTANTIATE_TEST_SUITE_P(EachCamera, SavedPictures, ::testing::Values(Kind::BuiltIn, Kind::PlugIn, Kind::Webcam),
                         [](const ::testing::TestParamInfo<Kind>& info) {
                             switch (info.param) {
                             case Kind::BuiltIn: return std::string("BuiltIn");
                             case Kind::PlugIn: return std::string("PlugIn");
                             default: return std::string("Webcam");
                             }
                         });

namespace {

// A picture of one level everywhere.
kernels::Bitmap24 uniform(int width, int height, int level)
{
    kernels::Bitmap24 b(width, height);
    kernels::fillRect(b, kernels::boundsOf(b), kernels::rgbColour(level, level, level));
    return b;
}

// Two grab cameras of different sizes and levels on the two slots.
class EitherSlot : public CameraRoad {
protected:
    void SetUp() override
    {
        CameraRoad::SetUp();
        savedCompression = AVICompression::CompressOptions;
        AVICompression::CompressOptions.fccHandler = 0;
        for (const auto& [name, w, h, level] : {std::tuple{"Claire", 640, 480, 200}, std::tuple{"Sombre", 320, 240, 60}})
            grab.add({QString::fromLatin1(name), QStringLiteral("2")}, [w = w, h = h, level = level] {
                return std::make_unique<FakeGrabDevice>(platform::CameraFormat{w, h, 24}, w, h, std::uint8_t(level));
            });
    }
    void TearDown() override
    {
        if (SequenceSaving)
            FRM_Tool_Images->BTN_Arreter_SauvClick();
        PlayCount = PlayPosition = 0;
        PlayKind = 0;
        PlayListIsPictures = 1;
        CameraRoad::TearDown();
        AVICompression::CompressOptions = savedCompression;
    }
    // The page of a slot shown with a click on its tab; the slot made the
    // image source in the display tool.
    void prepare(int slot, QWidget* page)
    {
        QCheckBox* box = slot == 1 ? FRM_Tool_Affichage->CKB_Src1_Image : FRM_Tool_Affichage->CKB_Src2_Image;
        if (!box->isChecked())
            testsupport::click(box);
        ASSERT_EQ(CurrentCameraSlot, slot);
        QTabBar* tabs = FRM_Alv->PGC_Main->tabBar();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(FRM_Alv->PGC_Main->indexOf(page)).center());
        ASSERT_EQ(FRM_Alv->PGC_Main->currentWidget(), page);
    }
    void tick(int slot, int n = 1)
    {
        for (int i = 0; i < n; ++i)
            slot == 1 ? FRM_Alv->Timer_Cam1Timer() : FRM_Alv->Timer_Cam2Timer();
    }
    // Saves in `type` (its list item's start) as the user does: the flash
    // button for a still that has it, else a sequence's start and stop with
    // `frames` run in between. The first picture written, or none.
    Picture save(const char* type, const QString& prefix, const std::function<void()>& frames)
    {
        auto* t = FRM_Tool_Images;
        const int index = t->CBX_TypeFichier->findText(QLatin1String(type), Qt::MatchStartsWith);
        testsupport::typeInto(t->EDT_Nom_Image, dir.filePath(prefix));
        testsupport::pick(t->CBX_TypeFichier, t->CBX_TypeFichier->itemText(index));
        if (t->BTN_Enregistrer_Image->isEnabled()) {
            testsupport::click(t->BTN_Enregistrer_Image);
        } else {
            testsupport::click(t->BTN_Demarrer_Sauv);
            frames();
            testsupport::click(t->BTN_Arreter_Sauv);
        }
        const QString key = QString::fromLatin1(type).left(3);
        const QString ext = key == QLatin1String("TFV") ? QStringLiteral(".tif") : u'.' + key.toLower();
        const QStringList saved = QDir(dir.path()).entryList({prefix + QLatin1Char('*') + ext}, QDir::Files, QDir::Name);
        if (saved.isEmpty())
            return {};
        const QString path = dir.filePath(saved.front());
        return key == QLatin1String("AVI") ? readAviFrame(path)
               : ext == QLatin1String(".tif") ? readTiff(path)
                                              : fromQImage(QImage(path));
    }

    testsupport::RecordingDialogService dialogs;
    decltype(AVICompression::CompressOptions) savedCompression{};
};

} // namespace

// Every file type saved from either slot while the other slot's page is
// shown, with neither addition nor thresholds and with the thresholds on
// (the zone before processing): the file holds that slot's frame, never the
// other camera's. Then pictures, a film and a dark opened into either slot
// the same way: they are saved, and the dark built, as their own frames.
TEST_F(EitherSlot, EveryFileTypeAndFileSourceOfEitherSlotWithTheOtherPageShownIsThatSlots)
{
    TFRM_Alv* w = FRM_Alv;
    auto* t = FRM_Tool_Images;
    t->AddAviFileType();
    w->show();
    answerDriverDialog(1);
    ASSERT_TRUE(chooseMenuItem(w->MNU_Camera1, w->MNU_Cam1_Demarrer));
    answerDriverDialog(2);
    ASSERT_TRUE(chooseMenuItem(w->MNU_Camera2, w->MNU_Cam2_Demarrer));
    ASSERT_TRUE(GrabDevices[1] && GrabDevices[2]) << messageText().toStdString();
    struct Camera {
        int slot, width, height, level;
        QWidget* otherPage;
    };
    const Camera cameras[] = {{1, 640, 480, 200, w->TBS_Source2}, {2, 320, 240, 60, w->TBS_Source1}};
    int n = 0;
    for (const Camera& c : cameras) {
        ASSERT_NO_FATAL_FAILURE(prepare(c.slot, c.otherPage));
        // The test ticks the slots itself.
        w->Timer_Cam1->start(3600000);
        w->Timer_Cam2->start(3600000);
        tick(1, 2);
        tick(2, 2);
        for (const bool thresholds : {false, true}) {
            if (thresholds)
                testsupport::click(t->CKB_utiliser_seuils);
            tick(c.slot);
            for (const char* type : {"BMP", "JPG", "PNG", "TIFF", "TFV", "AVI"}) {
                SCOPED_TRACE(std::string(type) + " from slot " + std::to_string(c.slot) + (thresholds ? " with thresholds" : ""));
                const Picture p = save(type, QStringLiteral("e%1_").arg(++n), [&] {
                    tick(c.slot, 2);
                    tick(3 - c.slot, 2);
                });
                ASSERT_GT(p.width, 0) << boxes.texts().join(u'|').toStdString() << messageText().toStdString();
                // The frame's zone before processing, whole; else the part of
                // the result that holds the frame.
                const bool deepStill = !std::strcmp(type, "PNG") || !std::strcmp(type, "TIFF");
                EXPECT_EQ(p.width, c.width);
                EXPECT_EQ(p.height, thresholds && !deepStill ? c.height : TFRM_Tool_Images::SavedResultRect().height());
                EXPECT_EQ(p.height, c.height) << "the whole frame";
                // (The rendered plane holds the addition's sums, not levels.)
                if (!thresholds || !deepStill) {
                    EXPECT_NEAR(p.at(p.width / 2, p.height / 2, 1), c.level, 3) << "that slot's frame";
                }
            }
        }
        testsupport::click(t->CKB_utiliser_seuils);
    }

    const QString film = dir.filePath(QStringLiteral("film.avi"));
    ASSERT_TRUE(writeFilm(film, {uniform(96, 64, 150), uniform(96, 64, 160)}));
    const QString pictures[] = {dir.filePath(QStringLiteral("a.bmp")), dir.filePath(QStringLiteral("b.bmp")),
                                dir.filePath(QStringLiteral("dark.bmp"))};
    ASSERT_TRUE(kernels::ImageFiles::WriteBmp24(pictures[0], uniform(200, 150, 90)));
    ASSERT_TRUE(kernels::ImageFiles::WriteBmp24(pictures[1], uniform(200, 150, 120)));
    ASSERT_TRUE(kernels::ImageFiles::WriteBmp24(pictures[2], uniform(160, 120, 20)));
    for (const Camera& c : cameras) {
        ASSERT_NO_FATAL_FAILURE(prepare(c.slot, c.otherPage));
        for (const auto& [files, width, level, type] :
             {std::tuple{QStringList{pictures[0], pictures[1]}, 200, 90, "AVI"}, std::tuple{QStringList{film}, 96, 150, "TFV"},
              std::tuple{QStringList{pictures[0], pictures[1]}, 200, 90, "BMP"}}) {
            SCOPED_TRACE(std::string(type) + " of a file in slot " + std::to_string(c.slot));
            dialogs.openManyAnswers = {files};
            ASSERT_TRUE(chooseMenuItem(w->MNU_Ouvrir, w->MNU_Ouvrir_Image));
            ASSERT_EQ(PlayerSlot, c.slot);
            (c.slot == 1 ? w->Timer_Cam1 : w->Timer_Cam2)->start(3600000);
            const Picture p = save(type, QStringLiteral("f%1_").arg(++n), [&] {
                FRM_PlayControl->Press(FRM_PlayControl->SPDB_PlayForward);
                tick(c.slot);
            });
            ASSERT_GT(p.width, 0) << boxes.texts().join(u'|').toStdString() << messageText().toStdString();
            EXPECT_EQ(p.width, width);
            EXPECT_NEAR(p.at(p.width / 2, p.height / 2, 1), level, 3) << "the file's first frame";
        }
        dialogs.openManyAnswers = {QStringList{pictures[2]}};
        ASSERT_TRUE(chooseMenuItem(w->MNU_Ouvrir, w->MNU_Ouvrir_Dark));
        EXPECT_EQ(DeepImagePlanes().pixel(1, 80, 60)[1], 20) << "the dark built from the slot's file";
        EXPECT_EQ(DisplayZoneRect.right - DisplayZoneRect.left, 160) << "the zone of the slot's frame";
        testsupport::click(t->RDB_Unique);
    }
    EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join(u'|').toStdString();
}
