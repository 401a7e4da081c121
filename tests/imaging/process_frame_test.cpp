#include "pipeline_fixture.h"

#include "app/frm_alv.h"
#include "app/controls/num_inp.h"
#include "app/frm_pref.h"
#include "capture/camera_slots.h"
#include "capture/frm_longuepose.h"
#include "imaging/focus_aids.h"
#include "imaging/overlays.h"
#include "imaging/pipeline_state.h"
#include "imaging/process_frame.h"
#include "kernels/raster.h"
#include "capture/long_exposure.h"
#include "platform/com_io.h"
#include "platform/message_service.h"
#include "platform/sound_service.h"
#include "scripting/scripts.h"
#include "support/user_input.h"
#include "telescope/frm_prg_action_ls.h"
#include "telescope/frm_tool_suivi.h"
#include "telescope/tracking/tracking_state.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_mesures.h"
#include "tools/frm_tool_images.h"
#include "tools/util_images.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QLineF>
#include <QSignalBlocker>
#include <QListWidget>
#include <QSpinBox>
#include <cstring>
#include <stdexcept>
#include <utility>
#include <vector>

namespace {

// The zone of the frame where the plain display puts it in the result.
std::uint32_t zonePixel(int rx, int ry)
{
    return kernels::pixel(*SlotBitmaps[1][0], DisplayZoneRect.left + rx - ZoneImageRect.left,
                          DisplayZoneRect.top + ry - ZoneImageRect.top);
}

bool isBlack(const kernels::Bitmap24& b)
{
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width() * 3; ++x)
            if (b.scanLine(y)[x])
                return false;
    return true;
}

} // namespace

TEST_F(PipelineTest, PipelineActiveDrawAndKeepDecideWhatRuns)
{
    // Inactive: the source view and the stamp only; nothing is kept.
    PipelineActive = 0;
    EXPECT_EQ(processFrame(), 0);
    kernels::Bitmap24& source = FRM_Alv->Image1->Bitmap();
    ASSERT_EQ(source.width(), 640);
    EXPECT_EQ(at(source, 100, 100), at(*SlotBitmaps[1][0], 100, 100));
    EXPECT_TRUE(isBlack(FRM_Alv->Image3->Bitmap()));
    EXPECT_EQ(FrameStamps[1].Time, 21 * 3600 * 1000);
    EXPECT_EQ(FrameStampText(1), QStringLiteral("06/12/2026 21:00:00.000"));

    // Active without selection or motion detection: every frame is kept,
    // and with draw 0 the result view stays untouched.
    PipelineActive = 1;
    EXPECT_EQ(processFrame(0), 1);
    EXPECT_TRUE(isBlack(FRM_Alv->Image3->Bitmap()));
    EXPECT_EQ(Align_V::PanelColour(FRM_Tool_Images->PNL_Image_Selected), Align_V::kGreen);

    // Plain display copies the display zone to its place in the result.
    EXPECT_EQ(processFrame(1), 1);
    const kernels::Bitmap24& result = FRM_Alv->Image3->Bitmap();
    EXPECT_EQ(ZoneImageRect, (kernels::Rect{0, 0, 321, 257}));
    for (auto [x, y] : {std::pair{0, 0}, {160, 128}, {319, 255}, {77, 201}})
        EXPECT_EQ(at(result, x, y), zonePixel(x, y)) << x << "," << y;

    // A slot that does not exist changes nothing.
    std::uint8_t keep = 1;
    Align_V::ProcessFrame(1, keep, 3);
    EXPECT_EQ(keep, 0);
    Align_V::ProcessFrame(1, keep, 0);
    EXPECT_EQ(keep, 0);
}

TEST_F(PipelineTest, SelectionBelowTheThresholdKeepsNothingAndTurnsThePanelRed)
{
    auto* t = FRM_Tool_Images;
    t->CKB_Selection->setChecked(true);
    t->TNI_Seuil_Selection->SetValue(1e7);
    EXPECT_EQ(processFrame(), 0);
    EXPECT_EQ(Align_V::PanelColour(t->PNL_Image_Selected), Align_V::kRed);
    EXPECT_TRUE(isBlack(FRM_Alv->Image3->Bitmap()));
    EXPECT_GT(t->TNI_Qualite_Actuelle->Value(), 0);

    t->TNI_Seuil_Selection->SetValue(0);
    EXPECT_EQ(processFrame(), 1);
    EXPECT_EQ(Align_V::PanelColour(t->PNL_Image_Selected), Align_V::kGreen);
    EXPECT_FALSE(isBlack(FRM_Alv->Image3->Bitmap()));

    // A frame of a slot that is neither current nor captured in parallel
    // only refreshes its source view.
    CameraSlots[2].width = 640;
    CameraSlots[2].height = 480;
    EXPECT_EQ(processFrame(1, 2), 0);
    EXPECT_EQ(Align_V::PanelColour(t->PNL_Image_Selected), Align_V::kRed);
}

TEST_F(PipelineTest, QualityRingFillsBeforeBestAndWorstFollowAndRestartsWhenItsLengthChanges)
{
    QSpinBox* measures = FRM_Pref->SPED_Nb_Mesures;
    ASSERT_EQ(measures->value(), 10);
    auto* t = FRM_Tool_Images;
    t->TNI_Pire_Qualite->SetValue(9999999);   // as the first activation leaves it
    t->CKB_Selection->setChecked(true);
    const double measure = double(Align_V::MeasureZoneQuality(1));
    ASSERT_GT(measure, 0);

    for (int i = 1; i <= 9; ++i)
        processFrame();
    EXPECT_EQ(QualityFilled, 0);
    EXPECT_EQ(t->TNI_Meilleure_Qualite->Value(), 0);
    EXPECT_EQ(t->TNI_Pire_Qualite->Value(), 9999999);
    // The tenth frame fills the ring: the mean of the last 9 measures.
    processFrame();
    EXPECT_EQ(QualityFilled, 1);
    EXPECT_DOUBLE_EQ(double(t->TNI_Qualite_Actuelle->Value()), measure);
    EXPECT_DOUBLE_EQ(double(t->TNI_Meilleure_Qualite->Value()), measure);
    EXPECT_DOUBLE_EQ(double(t->TNI_Pire_Qualite->Value()), measure);

    // Another length empties the ring together with its sum and index.
    measures->setValue(4);
    processFrame();
    EXPECT_EQ(QualityFilled, 0);
    EXPECT_EQ(QualityHistory.index, 1);
    EXPECT_DOUBLE_EQ(QualityHistory.sum, measure);
    EXPECT_DOUBLE_EQ(double(t->TNI_Qualite_Actuelle->Value()), measure / 3);
    processFrame();
    processFrame();
    processFrame();
    EXPECT_EQ(QualityFilled, 1);
    EXPECT_DOUBLE_EQ(double(t->TNI_Qualite_Actuelle->Value()), measure);
}

TEST_F(PipelineTest, PlainDisplayPutsEachLayoutInItsPlace)
{
    FRM_Tool_Affichage->CKB_DoubleEnreg->setChecked(true);   // re-applies the zone width
    setResultSize(642, 514);
    const kernels::Rect z = ZoneImageRect;
    CameraSlots[1].recordLayout = 1;   // right of the other slot's result
    processFrame();
    const kernels::Bitmap24& result = FRM_Alv->Image3->Bitmap();
    EXPECT_EQ(at(result, z.right + 10, 20), zonePixel(10, 20));
    EXPECT_EQ(at(result, 10, 20), 0u);

    Align_V::ClearImage3();
    CameraSlots[1].recordLayout = 2;   // below it
    processFrame();
    EXPECT_EQ(at(result, 10, z.bottom + 20), zonePixel(10, 20));
    EXPECT_EQ(at(result, 10, 20), 0u);

    Align_V::ClearImage3();
    CameraSlots[1].recordLayout = 0;
    processFrame();
    EXPECT_EQ(at(result, 10, 20), zonePixel(10, 20));
    EXPECT_EQ(at(result, z.right + 10, 20), 0u);
}

TEST_F(PipelineTest, AFailingStepIsReportedOnceAndTheNextFrameRuns)
{
    struct FailingSound final : platform::SoundService {
        FailingSound() { platform::setSoundService(this); }
        ~FailingSound() override { platform::setSoundService(nullptr); }
        void playResource(const QString&) override { throw std::runtime_error("no sound device"); }
    } failing;
    auto* a = FRM_Tool_Affichage;
    a->CKB_MAP->setChecked(true);
    a->RDB_Methode_DCT->setChecked(true);
    a->CKB_Son_MAP->setChecked(true);
    processFrame();
    clock.advanceMs(40);
    processFrame();
    EXPECT_EQ(reports, QStringList{QStringLiteral("ProcessFrame: no sound device")});
    // The frame after the failure was stamped and shown all the same.
    EXPECT_EQ(FrameStamps[1].Monotonic_ms, clock.monotonicMs());
}

TEST_F(PipelineTest, SequenceCountdownRunsOnTheMonotonicClockAcrossMidnight)
{
    clock.setWall(QDateTime(QDate(2026, 12, 6), QTime(23, 59, 59)));
    SequenceSaving = true;
    SequenceClock.next_ms = clock.monotonicMs() + 3400;
    PipelineActive = 0;   // the end step runs whatever
    processFrame();
    clock.advanceMs(1500);   // past midnight
    processFrame();
    EXPECT_EQ(FRM_Tool_Images->TNI_SeqTimer->Value(), 2);
    clock.advanceMs(5000);
    processFrame();
    EXPECT_EQ(FRM_Tool_Images->TNI_SeqTimer->Value(), 0);
}

TEST_F(PipelineTest, LevelLabelsStayInsideTheView)
{
    TrackedStarPos = QPoint(5, 5);
    processFrame();
    // The detection zone (40 pixels) clamped into the view.
    EXPECT_EQ(LevelLabelRect, (kernels::Rect{0, 0, 25, 25}));
    TrackedStarPos = QPoint(630, 470);
    processFrame();
    EXPECT_EQ(LevelLabelRect, (kernels::Rect{610, 450, 640, 480}));
}

TEST_F(PipelineTest, BadInputNeitherCrashesNorStopsTheFrames)
{
    // A slot without a frame size, a zone left outside the frame, a number
    // of measures outside 2..50 and inverted thresholds.
    QSpinBox* measures = FRM_Pref->SPED_Nb_Mesures;
    measures->setRange(-5, 500);
    measures->setValue(500);
    FRM_Tool_Images->CKB_Selection->setChecked(true);
    processFrame();
    EXPECT_EQ(QualityHistory.length, 50);
    measures->setValue(-5);
    processFrame();
    EXPECT_EQ(QualityHistory.length, 2);

    FRM_Tool_Images->CKB_Selection->setChecked(false);
    FRM_Tool_Images->CKB_utiliser_seuils->setChecked(true);
    FRM_Tool_Images->CKB_Seuils_Evol->setChecked(false);
    FRM_Tool_Images->SCB_Minimum->setValue(3000);
    FRM_Tool_Images->SCB_Maximum->setValue(1000);
    EXPECT_EQ(processFrame(), 1);

    DisplayZoneOffset = QPoint(100000, -100000);
    processFrame();
    EXPECT_TRUE(DisplayZoneRect.isEmpty());
    CameraSlots[1].width = 0;
    CameraSlots[1].height = 0;
    DisplayZoneOffset = QPoint(0, 0);
    processFrame();
    EXPECT_TRUE(DisplayZoneRect.isEmpty());
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(PipelineTest, StarMarksShowOnTheSourceViewButNeverInTheFrameOrTheSaves)
{
    auto* t = FRM_Tool_Images;
    FRM_Alv->PGC_Main->setCurrentWidget(FRM_Alv->TBS_Source1);
    t->SPED_Seuil->setValue(60);
    t->CBX_TypeFichier->setCurrentText(QStringLiteral("BMP (24 bits RGB)"));
    t->EDT_Nom_Image->setText(dir.filePath(QStringLiteral("ciel")));
    const kernels::Bitmap24 sky = field.render();
    const kernels::Bitmap24& view = FRM_Alv->Image1->Bitmap();
    const auto redPixels = [](const kernels::Bitmap24& b) {
        int n = 0;
        for (int y = 0; y < b.height(); ++y)
            for (int x = 0; x < b.width(); ++x)
                n += kernels::pixel(b, x, y) == Align_V::kRed;
        return n;
    };
    const auto savedPixels = [&](const QString& name) {
        const QImage saved(dir.filePath(name));
        std::vector<QRgb> pixels;
        for (int y = 0; y < saved.height(); ++y)
            for (int x = 0; x < saved.width(); ++x)
                pixels.push_back(saved.pixel(x, y));
        return pixels;
    };

    // The same frame without the search, as the reference.
    processFrame();
    const int plainRed = redPixels(view);
    t->TNI_Num_Suffixe->SetValue(1);
    t->BTN_Enregistrer_ImageClick();

    t->CKB_FS_Video->setChecked(true);
    setFrame(sky);
    processFrame();
    ASSERT_GE(t->LSB_BSC_OK->count(), 2) << "stars of the frame are found";
    EXPECT_GT(redPixels(view), plainRed + 10 * t->LSB_BSC_OK->count()) << "circles and numbers are on the view";
    // Where the view is not marked it shows this very frame.
    int same = 0, other = 0;
    for (int y = 0; y < view.height(); ++y)
        for (int x = 0; x < view.width(); ++x) {
            const std::uint32_t v = kernels::pixel(view, x, y);
            if (v != Align_V::kRed)
                (v == kernels::pixel(sky, x, y) ? same : other)++;
        }
    EXPECT_GT(same, 99 * other);

    // The frame itself, the result made from it and a save hold only the sky.
    const kernels::Bitmap24& frame = *SlotBitmaps[1][0];
    int changedRows = 0;
    for (int y = 0; y < sky.height(); ++y)
        changedRows += std::memcmp(frame.scanLine(y), sky.scanLine(y), std::size_t(sky.width()) * 3) != 0;
    EXPECT_EQ(changedRows, 0);
    t->TNI_Num_Suffixe->SetValue(2);
    t->BTN_Enregistrer_ImageClick();
    const std::vector<QRgb> plain = savedPixels(QStringLiteral("ciel1.bmp"));
    ASSERT_FALSE(plain.empty());
    EXPECT_TRUE(plain == savedPixels(QStringLiteral("ciel2.bmp")));
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join('|').toStdString();

    // With another page shown the view keeps its marks from frame to frame;
    // the search neither finds them (they pass this threshold) nor piles
    // new ones on them.
    const int stars = t->LSB_BSC_OK->count();
    const kernels::Bitmap24 marked = view;
    FRM_Alv->PGC_Main->setCurrentWidget(FRM_Alv->TBS_Resultat);
    for (int i = 0; i < 2; ++i) {
        setFrame(sky);
        processFrame();
    }
    EXPECT_EQ(t->LSB_BSC_OK->count(), stars);
    int changedPixels = 0;
    for (int y = 0; y < view.height(); ++y)
        for (int x = 0; x < view.width(); ++x)
            changedPixels += kernels::pixel(view, x, y) != kernels::pixel(marked, x, y);
    EXPECT_EQ(changedPixels, 0);
}

// ---- The tracking step of the guide slot ---------------------------------------

namespace {

// A sky of one bright star well inside a 640 x 480 frame.
testsupport::StarField oneStar()
{
    for (std::uint32_t seed = 1;; ++seed) {
        testsupport::StarField f({.width = 640, .height = 480, .seed = seed, .stars = 1, .minPeak = 220, .maxPeak = 220});
        const auto& s = f.stars()[0];
        if (s.x > 100 && s.x < 400 && s.y > 100 && s.y < 380)
            return f;
    }
}

// Notes where the tracked star was when a sound began: the lost-star
// actions play one.
class SoundAtTrackedStar final : public platform::SoundService {
public:
    void playResource(const QString&) override {}
    void playFile(const QString&) override { at << TrackedStarPos; }
    QList<QPoint> at;
};

bool near(QPoint a, QPointF b, double within = 2) { return QLineF(QPointF(a), b).length() <= within; }

} // namespace

// Tracking on: each frame one step follows the star and tells the scripts
// whether it is in the field. A star lost from the zone is searched for on
// the whole frame when the lost-star window says so, the actions running
// after the search while autoguiding and before it in software tracking;
// with the alarm off the zone stays where it was.
TEST_F(PipelineTest, TheGuideSlotsTrackingStepFollowsTellsAndSearchesALostStar)
{
    const testsupport::StarField sky = oneStar();
    const QPointF star(sky.stars()[0].x, sky.stars()[0].y);
    kernels::Bitmap24 frame = sky.render();
    auto* s = FRM_Tool_Suivi;
    {
        const QSignalBlocker quiet(s->CKB_Suivi);
        s->CKB_Suivi->setChecked(true);
    }
    s->RDB_Suivi_logiciel->setChecked(true);
    s->RDB_Somax->setChecked(true);
    s->SPED_Seuil_Detect_Min->setValue(60);
    s->CKB_Lost_Star_Alert->setChecked(false);
    FRM_Tool_Affichage->TNI_Taille_ZDetect->SetValue(40);
    FRM_Tool_Mesures->TNI_Echantillonnage->SetValue(1);
    TrackedStarPos = star.toPoint() + QPoint(4, -3);
    setFrame(frame);
    processFrame();
    EXPECT_TRUE(near(TrackedStarPos, star)) << TrackedStarPos.x() << "," << TrackedStarPos.y();
    EXPECT_TRUE(Scripts::ObjectInField);

    // The star jumps 150 pixels right: out of the zone, not in the field;
    // without the alarm nothing else happens.
    const QPoint before = TrackedStarPos;
    const QPointF moved = star + QPointF(150, 0);
    sky.renderInto(frame, 150, 0, 1);
    setFrame(frame);
    processFrame();
    EXPECT_FALSE(Scripts::ObjectInField);
    EXPECT_EQ(TrackedStarPos, before);

    // The alarm with a sound and the search: software tracking runs the
    // actions first, then finds the star.
    SoundAtTrackedStar sound;
    platform::setSoundService(&sound);
    dir.writeFile(QStringLiteral("perdu.wav"), QByteArray("RIFF"));
    auto* ls = FRM_PRG_Action_LS;
    ls->EDT_Son_a_jouer->setText(QStringLiteral("perdu.wav"));
    ls->CKB_Jouer_un_son->setChecked(true);
    ls->CKB_Stop_Guiding->setChecked(false);
    ls->CKB_Find_New_Star->setChecked(true);
    s->CKB_Lost_Star_Alert->setChecked(true);
    processFrame();
    ASSERT_EQ(sound.at.size(), 1);
    EXPECT_EQ(sound.at[0], before) << "the actions before the search";
    EXPECT_TRUE(near(TrackedStarPos, moved)) << TrackedStarPos.x() << "," << TrackedStarPos.y();

    // Autoguiding: the search first, then the actions.
    TrackedStarPos = before;
    {
        const QSignalBlocker quiet(s->RDB_Autoguidage);
        s->RDB_Autoguidage->setChecked(true);
    }
    processFrame();
    ASSERT_EQ(sound.at.size(), 2);
    EXPECT_TRUE(near(sound.at[1], moved)) << "the search before the actions";
    EXPECT_TRUE(near(TrackedStarPos, moved));
    platform::setSoundService(&sounds);
    EXPECT_TRUE(reports.isEmpty()) << reports.join('\n').toStdString();
}

// Tracking off: autoguiding measures the whole frame every "Intervalle"
// frames, software tracking the zone each frame, for the image tool's
// level; neither moves the zone. Under a long exposure whose guiding is
// held the zone stays while the star moves, and follows it again after;
// whatever the step meets on its way to a device, the frame is kept.
TEST_F(PipelineTest, TrackingOffMeasuresOnlyAndAHeldLongExposureKeepsTheZone)
{
    const testsupport::StarField sky = oneStar();
    const QPointF star(sky.stars()[0].x, sky.stars()[0].y);
    kernels::Bitmap24 frame = sky.render();
    setFrame(frame);
    auto* s = FRM_Tool_Suivi;
    {
        const QSignalBlocker quiet(s->CKB_Suivi);
        s->CKB_Suivi->setChecked(false);
    }
    s->RDB_Somax->setChecked(true);
    s->SPED_Intervalle_Guidage->setValue(3);
    FRM_Tool_Affichage->TNI_Taille_ZDetect->SetValue(40);
    auto* notEmpty = FRM_Tool_Images->findChild<QCheckBox*>(QStringLiteral("CKB_Nonvide"));
    ASSERT_TRUE(notEmpty);
    notEmpty->setChecked(true);
    const QPoint zone = star.toPoint() + QPoint(100, 0);   // an empty part of the sky
    TrackedStarPos = zone;
    {
        const QSignalBlocker quiet(s->RDB_Autoguidage);
        s->RDB_Autoguidage->setChecked(true);
    }
    GuideSearchCounter = 0;
    QList<bool> measured;
    for (int i = 0; i < 7; ++i) {
        ZoneMeanLevel = -1;
        processFrame();
        measured << (ZoneMeanLevel != -1);
    }
    EXPECT_EQ(measured, (QList<bool>{true, false, false, true, false, false, true}));
    EXPECT_EQ(TrackedStarPos, zone);
    s->RDB_Suivi_logiciel->setChecked(true);
    ZoneMeanLevel = -1;
    processFrame();
    EXPECT_NE(ZoneMeanLevel, -1) << "the zone measured each frame";
    EXPECT_EQ(TrackedStarPos, zone);

    // A long exposure holding its guiding: the zone stays on the star's old
    // place; released, it follows the star again.
    {
        const QSignalBlocker quiet(s->CKB_Suivi);
        s->CKB_Suivi->setChecked(true);
    }
    {
        const QSignalBlocker quiet(FRM_Alv->CKB_Longuepose_Active);
        FRM_Alv->CKB_Longuepose_Active->setChecked(true);
    }
    TrackedStarPos = star.toPoint();
    LongExposureParams.ExposureArmed = 1;
    sky.renderInto(frame, 6, 4, 1);
    setFrame(frame);
    processFrame();
    EXPECT_EQ(TrackedStarPos, star.toPoint()) << "held";
    LongExposureParams.ExposureArmed = 0;
    processFrame();
    EXPECT_TRUE(near(TrackedStarPos, star + QPointF(6, 4))) << TrackedStarPos.x() << "," << TrackedStarPos.y();
    {
        const QSignalBlocker quiet(FRM_Alv->CKB_Longuepose_Active);
        FRM_Alv->CKB_Longuepose_Active->setChecked(false);
    }
    EXPECT_TRUE(reports.isEmpty()) << reports.join('\n').toStdString();

    // Holding the star's place ("Holdspan"), a star that leaves it makes the
    // step switch the exposure's lines: on a port that went away they fail,
    // and each frame is kept and shown all the same, the failure told once.
    {
        const QSignalBlocker quiet(FRM_Longuepose->CKB_Holdspan);
        FRM_Longuepose->CKB_Holdspan->setChecked(true);
    }
    const auto lines = std::exchange(TrackingHooks.ExposureTimer, [] {
        throw platform::com_io::ExCom(QStringLiteral("set_modem_line"), 5);
    });
    for (int i = 0; i < 3; ++i) {
        TrackedStarPos = star.toPoint();
        const int x = (ZoneImageRect.left + ZoneImageRect.right) / 2, y = (ZoneImageRect.top + ZoneImageRect.bottom) / 2;
        kernels::setPixel(FRM_Alv->Image3->Bitmap(), x, y, 0);
        EXPECT_EQ(processFrame(), 1) << "frame " << i;
        EXPECT_EQ(at(FRM_Alv->Image3->Bitmap(), x, y), zonePixel(x, y)) << "frame " << i;
        EXPECT_NE(zonePixel(x, y), 0u);
    }
    TrackingHooks.ExposureTimer = lines;
    EXPECT_EQ(reports, QStringList{QStringLiteral("TrackStep: set_modem_line, erreur = 5")});
}

// Autoguiding through an LX200 mount whose port cannot be opened, camera 1
// live, a sequence saving every frame: the first correction's connection
// tells why in a box, and the camera's frames go on being saved while the
// box waits for its answer (a user away from the screen).
TEST_F(PipelineTest, ABoxTellingAGuidePortThatCannotOpenLetsTheFramesComeMeanwhile)
{
    struct Unanswered final : platform::MessageService {
        QStringList texts;
        int savedWhileShown = -1;
        platform::MsgResult show(const platform::Message& m) override
        {
            texts << m.text;
            const int before = SequenceFrameCounter;
            QEventLoop waiting;
            QTimer::singleShot(1500, &waiting, &QEventLoop::quit);
            waiting.exec();
            savedWhileShown = SequenceFrameCounter - before;
            return platform::MsgResult::Ok;
        }
    } box;
    dir.copyShipped({"sports.ini", "pports.ini"});
    ASSERT_NO_FATAL_FAILURE(startStarFieldCamera());
    platform::setMessageService(&box);
    TFRM_Pref& p = *FRM_Pref;
    p.RDB_Mount_LX200->setChecked(true);
    p.CBX_AG_PortSerie->setCurrentIndex(p.CBX_AG_PortSerie->findText(QStringLiteral("      COM3")));
    platform::com_io::SetDevicePath(3, dir.filePath(QStringLiteral("absent/ttyUSB0")));
    auto* s = FRM_Tool_Suivi;
    {
        const QSignalBlocker quiet(s->CKB_Suivi);
        s->CKB_Suivi->setChecked(true);
        const QSignalBlocker chosen(s->RDB_Autoguidage);
        s->RDB_Autoguidage->setChecked(true);
    }
    s->SPED_Intervalle_Guidage->setValue(1);
    FRM_Tool_Mesures->TNI_Echantillonnage->SetValue(1);
    testsupport::typeInto(FRM_Tool_Images->EDT_Nom_Image, dir.filePath(QStringLiteral("seq_")));
    testsupport::click(FRM_Tool_Images->BTN_Demarrer_Sauv);
    QElapsedTimer waited;
    waited.start();
    while (box.savedWhileShown < 0 && waited.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    platform::setMessageService(&boxes);
    testsupport::click(FRM_Tool_Images->BTN_Arreter_Sauv);
    platform::com_io::ClearDevicePaths();
    ASSERT_EQ(box.texts.size(), 1) << box.texts.join(u'|').toStdString();
    EXPECT_TRUE(box.texts[0].startsWith(QStringLiteral("open_com, erreur = 2"))) << box.texts[0].toStdString();
    EXPECT_GE(box.savedWhileShown, 3) << "frames saved while the box waited";
}
