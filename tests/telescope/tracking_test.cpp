#include "tracking_fixture.h"

#include "app/frm_pref.h"
#include "app/settings.h"
#include "capture/camera_slots.h"
#include "imaging/pipeline_state.h"
#include "kernels/raster.h"
#include "telescope/frm_prg_suivi.h"
#include "telescope/frm_raquette.h"
#include "telescope/frm_tool_suivi.h"
#include "telescope/mount_state.h"
#include "telescope/track_step.h"
#include "telescope/tracking/guide_log.h"
#include "telescope/tracking/tracking_state.h"
#include "tools/frm_fwhm.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_mesures.h"

#include <QFile>
#include <QRadioButton>

namespace {

TFRM_Tool_Suivi& suivi() { return *FRM_Tool_Suivi; }

QStringList logLines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

int redPixels(const kernels::Bitmap24& b)
{
    int n = 0;
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x)
            n += kernels::pixel(b, x, y) == 255;
    return n;
}

} // namespace

TEST_F(TrackingTest, SoftwareTrackingFollowsTheStarWithEachMethod)
{
    struct Method {
        QRadioButton* radio;
        bool dark;
    };
    for (const Method m : {Method{suivi().RDB_Colimacon, false}, Method{suivi().RDB_Somax, false},
                           Method{suivi().RDB_Somax, true}, Method{suivi().RDB_Cadres, false}}) {
        SCOPED_TRACE(m.radio->objectName().toStdString() + (m.dark ? " dark" : ""));
        m.radio->setChecked(true);
        suivi().CKB_Inversion_Video->setChecked(m.dark);
        TrackedStarPos = QPoint(316, 243);
        showStar(320.3, 239.6, 200, m.dark);
        EXPECT_EQ(step(), 1);
        EXPECT_NEAR(StarPosPrecise.x(), 320.3, 0.5);
        EXPECT_NEAR(StarPosPrecise.y(), 239.6, 0.5);
        EXPECT_EQ(TrackedStarPos, QPoint(320, 240));
        EXPECT_EQ(PreviousStarPos, QPoint(316, 243));
        EXPECT_EQ(DisplayZoneCenter, TrackedStarPos);
        EXPECT_EQ(TrackResult.level, ZoneLevelMax);
    }
    EXPECT_GT(TrackResult.level, 200);

    // Correlation: the first frame after the capture keeps the zone; then
    // the star is found 6 pixels away.
    suivi().RDB_Correlation->setChecked(true);
    suivi().SPED_Correl_Precision->setValue(10);
    TrackedStarPos = QPoint(320, 240);
    showStar(320, 240);
    Align_V::CaptureZoneReference(Align_V::SourceFrame(1, 0, false), 320, 240, 40, 40, 10, 0);
    showStar(326, 237);
    step();
    EXPECT_EQ(TrackedStarPos, QPoint(320, 240));
    step();
    EXPECT_EQ(TrackedStarPos, QPoint(326, 237));

    // Drift: 2 and -1 pixels a second, 1.6 s later: the zone moves (3, -1)
    // and keeps the fractions.
    suivi().RDB_Derive->setChecked(true);
    Align_V::ResetDriftClocks();
    TrackDriftSpeedX = 2;
    TrackDriftSpeedY = -1;
    clock.advanceMs(1600);
    step();
    EXPECT_EQ(TrackedStarPos, QPoint(329, 236));
    EXPECT_NEAR(TrackDrift.accX, 0.2, 1e-9);
    EXPECT_NEAR(TrackDrift.accY, -0.6, 1e-9);

    // Collimation: the radial scan's centre of a ring becomes the second star.
    suivi().RDB_Cadres->setChecked(true);
    ProcedureState = 16;
    kernels::Bitmap24& b = *SlotBitmaps[1][0];
    kernels::fillRect(b, kernels::boundsOf(b), kernels::rgbColour(10, 10, 10));
    for (int y = 200; y < 280; ++y)
        for (int x = 280; x < 360; ++x)
            if (std::abs(std::hypot(x - 322.0, y - 238.0) - 9) < 2)
                kernels::setPixel(b, x, y, kernels::rgbColour(200, 200, 200));
    TrackedStarPos = QPoint(320, 240);
    step();
    EXPECT_NEAR(SecondStarPos.x(), 322, 1);
    EXPECT_NEAR(SecondStarPos.y(), 238, 1);
}

TEST_F(TrackingTest, BorderDarkZonesAndBadSizes)
{
    suivi().RDB_Colimacon->setChecked(true);
    // A star at the border: the zone is pushed back inside and the step
    // reports it.
    showStar(3, 100);
    TrackedStarPos = QPoint(5, 100);
    EXPECT_EQ(step(), 0);
    EXPECT_EQ(TrackedStarPos, QPoint(21, 100));
    // A star darker than the detection threshold: the zone stays, result 1.
    showStar(330, 245, 20);
    TrackedStarPos = QPoint(320, 240);
    EXPECT_EQ(step(), 1);
    EXPECT_EQ(TrackedStarPos, QPoint(320, 240));
    EXPECT_LT(TrackResult.level, 50);

    // Zones larger than the frame, of half size 0, a detection zone of 0
    // (mean level), a frame of 1 x 1: no read outside, a sound answer.
    showStar(330, 245);
    for (QRadioButton* r : {suivi().RDB_Colimacon, suivi().RDB_Somax, suivi().RDB_Cadres, suivi().RDB_Correlation,
                            suivi().RDB_Derive}) {
        r->setChecked(true);
        for (int Z : {2000, 1, 0}) {
            TrackedStarPos = QPoint(320, 240);
            step(Z);
        }
    }
    FRM_Tool_Affichage->TNI_Taille_ZDetect->SetMin(0);
    FRM_Tool_Affichage->TNI_Taille_ZDetect->SetValue(0);
    TrackedStarPos = QPoint(320, 240);
    step();
    EXPECT_EQ(ZoneMeanLevel, 0);
    CameraSlots[1].width = CameraSlots[1].height = 1;
    suivi().RDB_Somax->setChecked(true);
    EXPECT_EQ(step(), 0);
    EXPECT_EQ(TrackedStarPos, QPoint(21, 21));

    // The star profile of a half width 0, or of a row outside the frame,
    // is an empty read-out.
    for (auto [y, half] : {std::pair{10, 0}, {-5, 20}, {5000, 20}}) {
        Align_V::DrawStarProfile(1, 10, y, 0, half);
        EXPECT_EQ(redPixels(FRM_FWHM->IMG_FWHM->Bitmap()), 0);
    }

    // The lost-star search: the brightest pixel of nearly the whole frame,
    // the zone placed on it without the border clamp.
    CameraSlots[1].width = 640;
    CameraSlots[1].height = 480;
    showStar(600, 30);
    Align_V::TrackStep(320, 240, 638, 478, 1, 0, 1, 1, TrackResult, 0);
    EXPECT_EQ(TrackedStarPos, QPoint(600, 30));
}

TEST_F(TrackingTest, AveragingIntervalAndDriftStarStep)
{
    suivi().RDB_Colimacon->setChecked(true);
    suivi().RDB_Autoguidage->setChecked(true);
    suivi().SPED_Intervalle_Guidage->setValue(10);
    showStar(323, 240);
    // Corrections go out on steps 1, 11 and 21; the zone itself stays.
    std::vector<int> corrected;
    for (int i = 1; i <= 25; ++i) {
        calls().clear();
        step();
        if (calls().contains(QStringLiteral("move 3")))
            corrected.push_back(i);
    }
    EXPECT_EQ(corrected, (std::vector<int>{1, 11, 21}));
    EXPECT_EQ(TrackedStarPos, QPoint(320, 240));
    EXPECT_EQ(FRM_Prg_Suivi->TMR_Suivi_AD->interval(), 200);   // 3" at 15"/s

    // Averaging over 3: the correction uses the mean of the last three.
    suivi().SPED_Intervalle_Guidage->setValue(1);
    GuideAverageInterval = 3;
    for (double x : {321.0, 324.0, 332.0}) {
        showStar(x, 240);
        step();
    }
    EXPECT_NEAR(FRM_Prg_Suivi->TNI_TR_AD->Value(), 17.0 / 3, 1e-9);   // (1 + 4 + 12) / 3
    // Span 1: the last measurement alone.
    GuideAverageInterval = 1;
    step();
    EXPECT_NEAR(FRM_Prg_Suivi->TNI_TR_AD->Value(), 12, 1e-9);

    // Drift-star guiding with an interval of 1: the inner step only moves
    // the zone along the drift, once per frame.
    suivi().CKB_Drift_Star->setChecked(true);
    DriftDefined = 1;
    TrackDriftSpeedX = 1;
    Align_V::ResetDriftClocks();
    GuideCounter = 0;
    TrackAverageCount = 0;
    for (int i = 0; i < 3; ++i) {
        clock.advanceMs(1000);
        step();
    }
    EXPECT_EQ(TrackedStarPos, QPoint(323, 240));
    EXPECT_EQ(GuideCounter, 1);
    EXPECT_EQ(TrackAverageCount, 1);
}

TEST_F(TrackingTest, CorrectionDirectionsNeutralZoneAndSeparateAxes)
{
    TFRM_Pref& p = *FRM_Pref;
    // The guider's calls of one correction while every direction moves, so
    // that each stop shows.
    const auto correct = [](double dx, double dy) {
        MovingFlags.fill(1);
        calls().clear();
        Align_V::SendGuideCorrection(dx, dy);
        return calls();
    };
    // With a wide neutral zone every correction only stops the directions
    // it chose: 90 West and South, 270 East and North, 180 East and South,
    // 0 West and no Dec axis.
    p.SPED_Neutre->setValue(200);
    EXPECT_EQ(correct(0, 5), (QStringList{"stop 3", "stop 1"}));
    EXPECT_EQ(correct(0, -5), (QStringList{"stop 2", "stop 0"}));
    EXPECT_EQ(correct(-5, 0), (QStringList{"stop 2", "stop 1"}));
    EXPECT_EQ(correct(5, 0), QStringList{"stop 3"});
    EXPECT_EQ(FRM_Prg_Suivi->EDT_Sens_Erreur->text(), QStringLiteral("0"));

    // Neutral zone 10: 5 pixels in RA stop the direction, 6 move it.
    p.SPED_Neutre->setValue(10);
    EXPECT_EQ(correct(5, 0), QStringList{"stop 3"});
    EXPECT_EQ(correct(6, 0), (QStringList{"stop 2", "move 3"}));
    // The camera's orientation turns the offset; the declination scales RA.
    FRM_Tool_Mesures->TNI_Orient->SetValue(90);
    suivi().SPED_Declinaison_Guide->setValue(60);
    EXPECT_EQ(correct(0, 30), (QStringList{"stop 2", "move 3"}));   // 90 - 90 = 0: West
    EXPECT_NEAR(FRM_Prg_Suivi->TMR_Suivi_AD->interval(), 4000, 1);   // 30" / cos 60 at 15"/s
    FRM_Tool_Mesures->TNI_Orient->SetValue(0);

    // Separate axes: a full stop and the delay before each correction,
    // which serves RA and Dec in turn.
    p.CKB_Axes_Separes->setChecked(true);
    p.SPED_Delai_Separes->setValue(25);
    p.SPED_Neutre->setValue(0);
    for (const QString& axisMove : {QStringLiteral("move 3"), QStringLiteral("move 1")}) {
        sleeper.waits.clear();
        EXPECT_EQ(correct(20, 20), (QStringList{"stop 2", "stop 3", "stop 0", "stop 1", axisMove}));
        EXPECT_EQ(sleeper.waits, std::vector<std::int64_t>{25});
    }

    // Signed pulses of the goto dialog; with separate axes Dec waits.
    MovingFlags.fill(0);
    calls().clear();
    Align_V::SendCorrectionPulses(-30, -45);
    EXPECT_EQ(calls(), QStringList{"move 2"});
    EXPECT_EQ(PendingDecPulse, -45);
    p.CKB_Axes_Separes->setChecked(false);
    Align_V::SendCorrectionPulses(0, 15);
    ASSERT_FALSE(calls().isEmpty());
    EXPECT_EQ(calls().last(), QStringLiteral("move 0"));
}

TEST_F(TrackingTest, GuideLogAndFocusHistory)
{
    // One guide-log line per correction: durations negative unless West or North.
    const QString guidePath = dir.path() + QStringLiteral("/guide.log");
    suivi().EDT_Nom_Log_Guidage->setText(guidePath);
    suivi().CKB_Log_Guidage->setChecked(true);
    Align_V::SendGuideCorrection(-7.5, 3.25);
    suivi().CKB_Log_Guidage->setChecked(false);
    const QStringList lines = logLines(guidePath);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral(";-7.5;7.5;-500;Est;3.25;3.25;-216;Sud"))) << lines[1].toStdString();
    EXPECT_EQ(GuideLogText::GuideLine(1.23456, 0, "80", "Ouest", -2, 2, "9", "Nord", "Ouest", "Nord"),
              QStringLiteral("1.235;0;80;Ouest;-2;2;9;Nord"));

    // Focus mode with N = 10: the mean of the last ten diameters, the
    // threshold half the last brightest level, the log line once full.
    const QString fwhmPath = dir.path() + QStringLiteral("/fwhm.log");
    FwhmLog = TLog::Create(fwhmPath, LogTimeMode::None);
    auto* a = FRM_Tool_Affichage;
    a->CKB_MAP->setChecked(true);
    a->RDB_Methode_FWHM->setChecked(true);
    a->EDT_Save_FWHM->setText(fwhmPath);   // the log above stays the one open
    a->CKB_Save_FWHM->setChecked(true);
    a->TNI_Meilleur_FWHM->SetValue(99999);
    a->TNI_Pire_FWHM->SetValue(0);
    FRM_Pref->SPED_Nb_Mesures->setValue(10);
    suivi().RDB_Colimacon->setChecked(true);
    showStar(320, 240);
    for (int i = 0; i < 9; ++i)
        step();
    EXPECT_EQ(FwhmHistory.full, 0);
    EXPECT_TRUE(logLines(fwhmPath).isEmpty());
    step();
    EXPECT_EQ(FwhmHistory.full, 1);
    EXPECT_EQ(logLines(fwhmPath).size(), 1);
    // The first measure (threshold 0, from no level before) has left the
    // history after ten more.
    for (int i = 0; i < 10; ++i)
        step();
    EXPECT_EQ(a->SPED_Seuil_MAP->value(), 110);   // 220 / 2
    const double diameter = 2 * std::sqrt(ZoneBrightCount / M_PI);
    EXPECT_NEAR(double(a->TNI_FWHM->Value()), diameter, 1e-9);
    EXPECT_NEAR(double(FRM_FWHM->TNI_GROS_FWHM->Value()), diameter, 1e-9);
    EXPECT_NEAR(double(a->TNI_Meilleur_FWHM->Value()), diameter, 1e-9);
    EXPECT_GT(double(a->TNI_Pire_FWHM->Value()), diameter + 1);
    FwhmLog.reset();
    const QStringList fwhm = logLines(fwhmPath);
    ASSERT_EQ(fwhm.size(), 11);
    EXPECT_EQ(fwhm.last(), QStringLiteral("%1;%2;220;110;%3;%4;1600;%5;")
                               .arg(GuideLogText::FormatFloat3(diameter))
                               .arg(ZoneSum)
                               .arg(ZoneBrightCount)
                               .arg(a->SCB_Taille_ZDetect->value())
                               .arg(GuideLogText::FormatFloat3(ZoneSum / 1600.0)));
    // The profile of the star's row: red on black in the focusing window.
    const kernels::Bitmap24& profile = FRM_FWHM->IMG_FWHM->Bitmap();
    ASSERT_EQ(profile.width(), 128);
    EXPECT_EQ(kernels::pixel(profile, 0, 0), kernels::kBlack);
    EXPECT_GT(redPixels(profile), 40);
}

TEST_F(TrackingTest, HandPadAutofocusStepsOnTheTrackingStepsFocusMeasures)
{
    // "Demarrer" switches the focusing measure on; every SPED_Nb_Mesures
    // frames of the tracking step make one step of the automatic focusing,
    // until the measured FWHM reaches the target.
    ASSERT_NE(FRM_Raquette, nullptr);
    auto* a = FRM_Tool_Affichage;
    a->RDB_Methode_FWHM->setChecked(true);
    suivi().RDB_Colimacon->setChecked(true);
    FRM_Pref->SPED_Nb_Mesures->setValue(3);
    FRM_Pref->SPED_Tps_Base_Autofocus->setValue(60000);
    FRM_Pref->TNI_FWHM_Stop->SetValue(0.5);
    FRM_Raquette->BTN_Demarrer_Autofocus->click();
    EXPECT_TRUE(a->CKB_MAP->isChecked());
    showStar(320, 240);
    // The history is full from the third frame on; three measures of a full
    // history make the first step, inwards.
    for (int i = 0; i < 4; ++i)
        step();
    EXPECT_FALSE(FRM_Raquette->TMR_Autofocus->isActive());
    step();
    ASSERT_TRUE(FRM_Raquette->TMR_Autofocus->isActive());
    EXPECT_EQ(FocusDirection, 0);
    const double first = AutofocusPrevFWHM;
    EXPECT_NEAR(first, double(a->TNI_FWHM->Value()), 1e-9);
    // Frames while the focuser runs count for nothing.
    for (int i = 0; i < 5; ++i)
        step();
    EXPECT_EQ(AutofocusPrevFWHM, first);
    // The step's end: three more frames, a focus no worse, the same way.
    FRM_Raquette->TMR_AutofocusTimer();
    for (int i = 0; i < 3; ++i)
        step();
    EXPECT_TRUE(FRM_Raquette->TMR_Autofocus->isActive());
    EXPECT_EQ(FocusDirection, 0);
    // The target within reach: the next measure stops the focusing.
    FRM_Pref->TNI_FWHM_Stop->SetValue(first + 1);
    FRM_Raquette->TMR_AutofocusTimer();
    for (int i = 0; i < 3; ++i)
        step();
    EXPECT_TRUE(FRM_Raquette->BTN_Demarrer_Autofocus->isEnabled());
    EXPECT_FALSE(FRM_Raquette->TMR_Autofocus->isActive());
    EXPECT_FALSE(a->CKB_MAP->isChecked());
}
