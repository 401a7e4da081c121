// The polar-alignment assistant and the periodic-error recording: their
// windows, the arming of the main window's measurement, the computations
// from measured trails, the graph and the output file.

#include "tracking_fixture.h"

#include "mount_fixture.h"

#include "app/frm_alv.h"
#include "app/frm_message.h"
#include "app/frm_pref.h"
#include "app/log.h"
#include "app/settings.h"
#include "capture/camera_slots.h"
#include "imaging/frame_helpers.h"
#include "imaging/pipeline_state.h"
#include "platform/dialog_service.h"
#include "telescope/frm_err_period.h"
#include "telescope/frm_mise_en_station.h"
#include "telescope/frm_tool_suivi.h"
#include "telescope/mount_state.h"
#include "telescope/periodic_error_chart.h"
#include "telescope/tracking/tracking_state.h"
#include "tools/frm_tool_mesures.h"

#include <QApplication>
#include <QChart>
#include <QFile>
#include <QLineSeries>
#include <QPainter>
#include <QTabWidget>
#include <QTest>
#include <functional>
#include <cmath>

namespace {

QStringList fileLines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

QString messageText()
{
    return FRM_Message->MEMO_Message->toPlainText();
}

class PolarAlignmentTest : public TrackingTest {
protected:
    void SetUp() override
    {
        TrackingTest::SetUp();
        if (HasFatalFailure())
            return;
        platform::setDialogService(&dialogs);
        Telescope::SetEarthRotationRate();
        // The optics of the worked examples: 1000 mm, 5.6 um square pixels,
        // a 640 x 480 frame of a 640 x 480 sensor; azimuth radius 150 mm
        // and pitch 0.5 mm.
        EffectiveFocalLength = 1000;
        FRM_Tool_Mesures->TNI_Larg_Pix->SetValue(5.6);
        FRM_Tool_Mesures->TNI_Haut_Pix->SetValue(5.6);
        FRM_Pref->TNI_NbPix_X->SetValue(640);
        FRM_Pref->TNI_NbPix_Y->SetValue(480);
        FRM_Pref->TNI_Rayon_Az->SetValue(150);
        FRM_Pref->TNI_Fil_Az->SetValue(0.5);
        FRM_Pref->TNI_Rayon_Alt->SetValue(100);
        FRM_Pref->TNI_Fil_Alt->SetValue(1);
        FRM_Alv->setEnabled(true);
        KingPaused = 0;
        PeriodicErrorTrail = QPoint(1, 1);
        ProcedureDirection = 0;
    }
    void TearDown() override
    {
        TLog::Close(PeLog);
        platform::setDialogService(nullptr);
        TrackingTest::TearDown();
    }

    // The measured trails and time of the Corrections page.
    void measured(double seconds, double trailX, double trailY, double direction)
    {
        TFRM_MiseEnStation& m = *FRM_MiseEnStation;
        m.TNI_Duree_Pose->SetValue(seconds);
        m.TNI_Long_Trainee_X->SetValue(trailX);
        m.TNI_Long_Trainee_Y->SetValue(trailY);
        ProcedureDirection = direction;
    }

    testsupport::RecordingDialogService dialogs;
};

TFRM_MiseEnStation& mes() { return *FRM_MiseEnStation; }
TFRM_ErrPeriod& ep() { return *FRM_ErrPeriod; }

} // namespace

TEST_F(PolarAlignmentTest, WindowsCarryTheirControlsAndTheirFirstActivationSetsTheMinimums)
{
    TFRM_MiseEnStation& m = mes();
    EXPECT_EQ(m.windowTitle(), QStringLiteral("Mise en station"));
    EXPECT_EQ(m.PCTRL_Methode->tabText(0), QStringLiteral("Bigourdan"));
    EXPECT_EQ(m.PCTRL_Methode->tabText(1), QStringLiteral("King"));
    EXPECT_EQ(m.PCTRL_Bigourdan->tabText(0), QStringLiteral("Parametrage"));
    EXPECT_EQ(m.PCTRL_Bigourdan->tabText(1), QStringLiteral("Corrections à apporter"));
    EXPECT_EQ(m.PCTRL_Bigourdan->tabText(2), QStringLiteral("Rectification parametres monture"));
    EXPECT_TRUE(m.RDB_Sud->isChecked());
    EXPECT_TRUE(m.RDB_Correct_Azimuth->isChecked());
    EXPECT_EQ(m.BTN_Demar_MES->text(), QStringLiteral("Demarrer la procedure"));
    EXPECT_EQ(m.BTN_Demarre_King->text(), QStringLiteral("Demarrer la procédure"));
    EXPECT_EQ(m.BTN_Pause->text(), QStringLiteral("Pause pour corriger l'orientation de la monture"));
    EXPECT_FALSE(m.BTN_Pause->isEnabled());
    EXPECT_EQ(m.LBL_Altaz->text(), QStringLiteral("azimuth (mm) :"));
    EXPECT_EQ(m.BTN_Quitter->text(), QStringLiteral("Quitter"));

    TFRM_ErrPeriod& e = ep();
    EXPECT_EQ(e.windowTitle(), QStringLiteral("Erreur Periodique"));
    auto* chart = qobject_cast<QChartView*>(e.findChild<QWidget*>(QStringLiteral("CHRT_Erreur_Periodique")));
    ASSERT_TRUE(chart);
    EXPECT_EQ(chart->chart()->title(), QStringLiteral("Evolution de l'erreur periodique"));
    QLineSeries* series = e.CHRT_Erreur_Periodique->Series1();
    EXPECT_EQ(series->objectName(), QStringLiteral("Series1"));
    EXPECT_EQ(series->color(), QColor(Qt::red));
    EXPECT_EQ(e.CKB_Fichier_EP->text(), QStringLiteral("Fichier sortant"));
    EXPECT_FALSE(e.EDT_Nom_FichierPE->isEnabled());
    EXPECT_FALSE(e.BBTN_Charge_FichierPE->isEnabled());

    FRM_Pref->TNI_Larg_Pix->SetMin(3);
    m.FormActivate();
    EXPECT_EQ(FRM_Pref->TNI_Larg_Pix->Min(), 0);
    EXPECT_EQ(FRM_Pref->TNI_Haut_Pix->Min(), 0);
    EXPECT_EQ(m.TNI_Duree_Pose->Min(), 1);
    EXPECT_EQ(m.TNI_Long_Trainee_X->Min(), 1);
    EXPECT_EQ(m.TNI_Long_Trainee_Y->Min(), 1);
}

TEST_F(PolarAlignmentTest, StartButtonsTrackTheStarAndArmTheirMethod)
{
    TFRM_Alv& w = *FRM_Alv;
    Msg::ShowMessageText(true, QStringLiteral("before"));
    ASSERT_FALSE(FRM_Tool_Suivi->CKB_Suivi->isChecked());
    mes().BTN_Demar_MES->click();
    EXPECT_TRUE(FRM_Tool_Suivi->CKB_Suivi->isChecked());
    EXPECT_TRUE(FRM_Tool_Suivi->RDB_Cadres->isChecked());
    EXPECT_NEAR(PixelAngle, std::atan(5.6e-3 / 1000), 1e-15);
    EXPECT_EQ(ProcedureState, 1);
    EXPECT_EQ(w.PNL_Action->text(), QStringLiteral("M.en station"));
    EXPECT_TRUE(w.SPDB_Executer->isEnabled());
    const QString lines = QStringLiteral(
        "1-Demarrer le suivi du telescope\n2-Cliquer sur l'etoile\n3-Cliquer sur le bouton \"Executer\"\n"
        "4-Attendre le message de fin d'execution\n  ou cliquer sur \"Arrêter\"");
    EXPECT_EQ(messageText(), lines);

    // King: the same lines after those already there; tracking on stays on.
    KingPaused = 1;
    FRM_Tool_Suivi->RDB_Somax->setChecked(true);
    mes().BTN_Demarre_King->click();
    EXPECT_TRUE(FRM_Tool_Suivi->RDB_Somax->isChecked());
    EXPECT_EQ(ProcedureState, 3);
    EXPECT_EQ(KingPaused, 0);
    EXPECT_EQ(messageText(), lines + QLatin1Char('\n') + lines);

    // The pause toggles, by its button and by name.
    mes().BTN_Pause->setEnabled(true);
    mes().BTN_Pause->click();
    EXPECT_EQ(KingPaused, 1);
    EXPECT_EQ(mes().BTN_Pause->text(), QStringLiteral("Reactiver"));
    Settings::RunHandler(QStringLiteral("FRM_MiseEnStation.BTN_PauseClick"));
    EXPECT_EQ(KingPaused, 0);
    EXPECT_EQ(mes().BTN_Pause->text(), QStringLiteral("Pause pour corriger l'orientation de la monture"));

    // Executed, paused, aborted: the pause is released first and its button disabled.
    w.SPDB_ExecuterClick();
    EXPECT_EQ(ProcedureState, 4);
    EXPECT_TRUE(mes().BTN_Pause->isEnabled());
    mes().BTN_PauseClick();
    w.SPDB_AbortClick();
    EXPECT_EQ(ProcedureState, 3);
    EXPECT_EQ(KingPaused, 0);
    EXPECT_FALSE(mes().BTN_Pause->isEnabled());
    EXPECT_EQ(mes().BTN_Pause->text(), QStringLiteral("Pause pour corriger l'orientation de la monture"));

    // Bigourdan executed turns to the Corrections page.
    mes().BTN_Demar_MESClick();
    w.SPDB_ExecuterClick();
    EXPECT_EQ(ProcedureState, 2);
    EXPECT_EQ(mes().PCTRL_Bigourdan->currentWidget(), mes().TBS_Correct);

    // King started again while it runs paused: the pause goes with it.
    ASSERT_TRUE(clickOnScreen(mes().BTN_Demarre_King));
    QTest::mouseClick(w.SPDB_Executer, Qt::LeftButton);
    ASSERT_TRUE(clickOnScreen(mes().BTN_Pause));
    ASSERT_EQ(KingPaused, 1);
    ASSERT_TRUE(clickOnScreen(mes().BTN_Demarre_King));
    EXPECT_EQ(ProcedureState, 3);
    EXPECT_EQ(KingPaused, 0);
    EXPECT_EQ(mes().BTN_Pause->text(), QStringLiteral("Pause pour corriger l'orientation de la monture"));
    EXPECT_FALSE(mes().BTN_Pause->isEnabled());
}

TEST_F(PolarAlignmentTest, BigourdanWorkedExampleAndTheAxisOfTheCorrection)
{
    TFRM_MiseEnStation& m = mes();
    m.FormActivate();
    measured(120, 1, 14, 90);
    Settings::RunHandler(QStringLiteral("FRM_MiseEnStation.BTN_CalculerClick"));
    EXPECT_EQ(m.EDT_Erreur_polaire->text(), QStringLiteral("  0° 30' 52.76\""));
    EXPECT_EQ(m.EDT_Deplacement->text(), QStringLiteral("1.347"));
    EXPECT_EQ(m.EDT_Tours->text(), QStringLiteral("2.695"));
    EXPECT_NEAR(double(m.TNI_Erreur_Vitesse->Value()), 0, 1e-12);
    EXPECT_FALSE(m.EDT_AngleTraineeNS->text().isEmpty());

    // East or west: the altitude radius (100 mm) and pitch (1 mm).
    m.RDB_Est->setChecked(true);
    m.BTN_CalculerClick();
    EXPECT_EQ(m.EDT_Deplacement->text(), QStringLiteral("0.8982"));
    EXPECT_EQ(m.EDT_Tours->text(), QStringLiteral("0.8982"));
    m.RDB_Ouest->setChecked(true);
    m.BTN_CalculerClick();
    EXPECT_EQ(m.EDT_Tours->text(), QStringLiteral("0.8982"));
    m.RDB_Sud->setChecked(true);

    // Rectangular pixels: the X trail is scaled by the height-based angle
    // (here all the drift is east-west, so the rate error shows it).
    FRM_Tool_Mesures->TNI_Haut_Pix->SetValue(11.2);
    measured(120, 14, 1, 0);
    m.BTN_CalculerClick();
    const double aX = std::atan(5.6e-3 / 1000), aY = std::atan(11.2e-3 / 1000);
    EXPECT_NEAR(double(m.TNI_Erreur_Vitesse->Value()), std::hypot(14 * aY, aX) * 648000 / M_PI / 120, 1e-12);
    EXPECT_EQ(m.TNI_Erreur_Vitesse->text(), QStringLiteral("0.2697"));
    FRM_Tool_Mesures->TNI_Haut_Pix->SetValue(5.6);

    // A noisy measure (a north-south drift larger than the hour angle can
    // give) clamps q: the error is 180 degrees, never NaN.
    measured(1, 1, 400, 90);
    m.BTN_CalculerClick();
    EXPECT_TRUE(m.EDT_Erreur_polaire->text().startsWith(QStringLiteral("180°"))) << m.EDT_Erreur_polaire->text().toStdString();
}

TEST_F(PolarAlignmentTest, BigourdanWithoutUsableInputsShowsNoResult)
{
    TFRM_MiseEnStation& m = mes();
    const auto empty = [&m] {
        for (QLineEdit* e : {m.EDT_Deplacement, m.EDT_Tours, m.EDT_Erreur_polaire, m.EDT_AngleTraineeNS, m.EDT_AngleTraineeEO})
            if (!e->text().isEmpty())
                return false;
        return true;
    };
    const auto fresh = [&] {
        measured(120, 1, 14, 90);
        m.BTN_CalculerClick();
        ASSERT_FALSE(empty());
    };
    fresh();
    CameraSlots[1].width = CameraSlots[1].height = 0;   // no camera running
    m.BTN_CalculerClick();
    EXPECT_TRUE(empty());
    CameraSlots[1].width = 640;
    CameraSlots[1].height = 480;
    fresh();
    EffectiveFocalLength = 0;
    m.BTN_CalculerClick();
    EXPECT_TRUE(empty());
    EffectiveFocalLength = 1000;
    fresh();
    m.TNI_Decl_Etoile->SetValue(90);
    m.BTN_CalculerClick();
    EXPECT_TRUE(empty());
    m.TNI_Decl_Etoile->SetValue(-90);
    m.BTN_CalculerClick();
    EXPECT_TRUE(empty());
    m.TNI_Decl_Etoile->SetValue(0);
    fresh();
    measured(0, 1, 14, 90);   // before the first activation's minimums
    m.BTN_CalculerClick();
    EXPECT_TRUE(empty());
    fresh();
    FRM_Pref->TNI_Fil_Az->SetMin(0);
    FRM_Pref->TNI_Fil_Az->SetValue(0);
    m.BTN_CalculerClick();
    EXPECT_TRUE(empty());
    EXPECT_FALSE(m.TNI_Erreur_Vitesse->text().contains(QStringLiteral("NAN")));
    EXPECT_FALSE(m.TNI_Erreur_Vitesse->text().contains(QStringLiteral("INF")));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(PolarAlignmentTest, RectificationScalesTheRadiusByTheCorrectionReallyNeeded)
{
    TFRM_MiseEnStation& m = mes();
    measured(120, 1, 14, 90);
    m.BTN_CalculerClick();
    m.BTN_Premiere_Correction->setEnabled(true);
    m.BTN_Premiere_Correction->click();
    EXPECT_NEAR(double(m.TNI_Premiere_Correction->Value()), 1.347, 1e-9);

    // Not a number: the standard conversion message, nothing changed.
    for (const QString& bad : {QString(), QStringLiteral("abc")}) {
        m.EDT_Deplacement->setText(bad);
        boxes.clear();
        m.BTN_Premiere_CorrectionClick();
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, QStringLiteral("'%1' is not a valid floating point value").arg(bad));
        EXPECT_NEAR(double(m.TNI_Premiere_Correction->Value()), 1.347, 1e-9);
    }

    m.TNI_Premiere_Correction->SetValue(2);
    m.TNI_Correction_Effective->SetValue(3);
    m.BTN_Calculer->click();
    EXPECT_EQ(double(m.TNI_Nouveau_Rayon->Value()), 225);
    EXPECT_EQ(m.EDT_Deplacement->text(), QStringLiteral("1.347")) << "the corrections recomputed";
    // A first correction of 0 keeps the radius; the corrections are still computed.
    m.TNI_Premiere_Correction->SetValue(0);
    m.EDT_Deplacement->clear();
    m.BTN_CalculerClick();
    EXPECT_EQ(double(m.TNI_Nouveau_Rayon->Value()), 225);
    EXPECT_EQ(m.EDT_Deplacement->text(), QStringLiteral("1.347"));

    m.BTN_Applique_Modif->click();
    EXPECT_EQ(double(FRM_Pref->TNI_Rayon_Az->Value()), 225);
    EXPECT_EQ(double(FRM_Pref->TNI_Rayon_Alt->Value()), 100);
    m.RDB_Correct_Altitude->setChecked(true);
    EXPECT_EQ(m.LBL_Altaz->text(), QStringLiteral("altitude (mm):"));
    // The altitude radius is the one rectified now.
    m.TNI_Premiere_Correction->SetValue(2);
    m.TNI_Correction_Effective->SetValue(1);
    m.BTN_CalculerClick();
    EXPECT_EQ(double(m.TNI_Nouveau_Rayon->Value()), 50);
    m.BTN_Applique_ModifClick();
    EXPECT_EQ(double(FRM_Pref->TNI_Rayon_Alt->Value()), 50);
    EXPECT_EQ(double(FRM_Pref->TNI_Rayon_Az->Value()), 225);
    m.RDB_Correct_Azimuth->setChecked(true);
    EXPECT_EQ(m.LBL_Altaz->text(), QStringLiteral("azimuth (mm):"));
}

TEST_F(PolarAlignmentTest, PeriodicErrorWorkedExampleDrawsLogsAndShowsTheRate)
{
    TFRM_Alv& w = *FRM_Alv;
    TFRM_ErrPeriod& e = ep();
    Msg::ShowMessageText(true, QStringLiteral("before"));
    e.BTN_Demar_EP->click();
    EXPECT_EQ(ProcedureState, 9);
    EXPECT_EQ(w.PNL_Action->text(), QStringLiteral("Err.Periodique"));
    EXPECT_TRUE(w.SPDB_Executer->isEnabled());
    EXPECT_EQ(messageText(), QStringLiteral("Demarrer le suivi du telescope\nCliquer sur l'etoile\n"
                                            "Cliquer sur le bouton \"Executer\"\nAttendre le message de fin d'execution\n"
                                            "ou cliquer sur \"Arrêter\""));

    const QString path = dir.path() + QStringLiteral("/pe.txt");
    e.CKB_Fichier_EP->setChecked(true);
    e.EDT_Nom_FichierPE->setText(path);
    w.SPDB_ExecuterClick();
    ASSERT_EQ(ProcedureState, 10);
    ASSERT_TRUE(PeLog);
    EXPECT_FALSE(e.BBTN_Charge_FichierPE->isEnabled());

    PeriodicErrorTrail = QPoint(10, 1);
    ProcedureDirection = 0;
    e.TNI_Duree_Pose->SetValue(20);
    Settings::RunHandler(QStringLiteral("ErrPeriod.MeasurePeriodicError"));
    e.CHRT_Erreur_Periodique->Flush();
    const QList<QPointF> points = e.CHRT_Erreur_Periodique->Series1()->points();
    ASSERT_EQ(points.size(), 1);
    EXPECT_EQ(points[0].x(), 20);
    EXPECT_NEAR(points[0].y(), -11.608, 5e-4);
    EXPECT_EQ(e.EDT_Senserreur->text(), QStringLiteral("0"));
    EXPECT_NEAR(double(e.TNI_Erreur_Vitesse->Value()), -0.5804, 5e-5);
    EXPECT_EQ(e.TNI_Erreur_Vitesse->text(), QStringLiteral("-0.5804"));
    EXPECT_FALSE(e.EDT_AngleTraineeEO->text().isEmpty());

    // Elapsed 0: the point, no rate.
    e.TNI_Duree_Pose->SetValue(0);
    ErrPeriod::MeasurePeriodicError();
    EXPECT_EQ(e.TNI_Erreur_Vitesse->text(), QStringLiteral("-0.5804"));
    // No frame: nothing measured.
    CameraSlots[1].width = 0;
    ErrPeriod::MeasurePeriodicError();
    EXPECT_EQ(e.CHRT_Erreur_Periodique->Points().size(), 2u);
    EXPECT_TRUE(e.EDT_AngleTraineeEO->text().isEmpty());
    CameraSlots[1].width = 640;

    w.SPDB_AbortClick();
    EXPECT_FALSE(PeLog);
    EXPECT_EQ(fileLines(path), (QStringList{QStringLiteral("20;-11.608439627547"), QStringLiteral("0;-11.608439627547")}));
    EXPECT_TRUE(e.EDT_Nom_FichierPE->isEnabled());
    EXPECT_TRUE(e.BBTN_Charge_FichierPE->isEnabled());
    EXPECT_TRUE(e.CKB_Fichier_EP->isEnabled());
    EXPECT_TRUE(e.BTN_Demar_EP->isEnabled());

    // The graph keeps its points across runs until it is reset.
    w.SPDB_ExecuterClick();
    e.TNI_Duree_Pose->SetValue(5);
    ErrPeriod::MeasurePeriodicError();
    w.SPDB_AbortClick();
    EXPECT_EQ(e.CHRT_Erreur_Periodique->Series1()->count(), 3);
    EXPECT_EQ(fileLines(path), QStringList{QStringLiteral("5;-11.608439627547")}) << "a new start rewrites the file";
    e.BTN_Reinit_Graphe->click();
    EXPECT_EQ(e.CHRT_Erreur_Periodique->Series1()->count(), 0);
    EXPECT_TRUE(e.CHRT_Erreur_Periodique->Points().empty());
}

TEST_F(PolarAlignmentTest, OutputFileBoxNameAndBrowsing)
{
    TFRM_ErrPeriod& e = ep();
    e.CKB_Fichier_EP->setChecked(true);
    EXPECT_TRUE(e.EDT_Nom_FichierPE->isEnabled());
    EXPECT_TRUE(e.BBTN_Charge_FichierPE->isEnabled());
    dialogs.saveAnswers.push_back(std::nullopt);
    dialogs.saveAnswers.push_back(dir.path() + QStringLiteral("/night"));
    e.EDT_Nom_FichierPE->setText(QStringLiteral("kept.txt"));
    e.BBTN_Charge_FichierPE->click();
    EXPECT_EQ(e.EDT_Nom_FichierPE->text(), QStringLiteral("kept.txt")) << "cancelled";
    e.BBTN_Charge_FichierPE->click();
    EXPECT_EQ(e.EDT_Nom_FichierPE->text(), dir.path() + QStringLiteral("/night.txt"));
    ASSERT_EQ(dialogs.requests.size(), 2u);
    EXPECT_EQ(dialogs.requests[0].filter, QStringLiteral("text (*.txt)"));
    e.CKB_Fichier_EP->setChecked(false);
    EXPECT_FALSE(e.EDT_Nom_FichierPE->isEnabled());
    EXPECT_FALSE(e.BBTN_Charge_FichierPE->isEnabled());

    // Unchecked: no file at the start, and none after.
    const QString path = dir.path() + QStringLiteral("/none.txt");
    e.EDT_Nom_FichierPE->setText(path);
    e.BTN_Demar_EPClick();
    FRM_Alv->SPDB_ExecuterClick();
    EXPECT_FALSE(PeLog);
    ErrPeriod::MeasurePeriodicError();
    FRM_Alv->SPDB_AbortClick();
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_FALSE(e.EDT_Nom_FichierPE->isEnabled()) << "the name follows the box after a run";

    // An empty or unwritable name: the log's message, the box unchecked,
    // the recording goes on without a file.
    for (const QString& name : {QString(), dir.path() + QStringLiteral("/no/such/folder/pe.txt")}) {
        boxes.clear();
        e.CKB_Fichier_EP->setChecked(true);
        e.EDT_Nom_FichierPE->setText(name);
        FRM_Alv->SPDB_ExecuterClick();
        EXPECT_EQ(ProcedureState, 10);
        EXPECT_FALSE(PeLog);
        EXPECT_FALSE(e.CKB_Fichier_EP->isChecked());
        EXPECT_EQ(boxes.shown.size(), 1u) << name.toStdString();
        const std::size_t before = e.CHRT_Erreur_Periodique->Points().size();
        ErrPeriod::MeasurePeriodicError();
        EXPECT_EQ(e.CHRT_Erreur_Periodique->Points().size(), before + 1);
        FRM_Alv->SPDB_AbortClick();
    }
}

TEST_F(PolarAlignmentTest, ClosingAWindowEndsOnlyItsOwnOperation)
{
    TFRM_Alv& w = *FRM_Alv;
    const QString path = dir.path() + QStringLiteral("/pe.txt");

    // The polar window aborts and clears its running measurement.
    w.MNU_Erreur_MESClick();
    EXPECT_FALSE(w.MNU_Operations->isEnabled());
    EXPECT_EQ(mes().PCTRL_Bigourdan->currentWidget(), mes().TBS_Parametres);
    mes().BTN_Demar_MESClick();
    w.SPDB_ExecuterClick();
    mes().close();
    EXPECT_EQ(ProcedureState, 0);
    EXPECT_EQ(w.PNL_Action->text(), QStringLiteral("Aucune"));
    EXPECT_TRUE(w.MNU_Operations->isEnabled());
    EXPECT_FALSE(w.SPDB_Executer->isEnabled());
    EXPECT_FALSE(w.SPDB_Abort->isEnabled());

    // ... but leaves a periodic-error recording going.
    ep().CKB_Fichier_EP->setChecked(true);
    ep().EDT_Nom_FichierPE->setText(path);
    ep().BTN_Demar_EPClick();
    w.SPDB_ExecuterClick();
    ASSERT_TRUE(PeLog);
    w.MNU_Erreur_MESClick();
    mes().BTN_Quitter->click();
    EXPECT_EQ(ProcedureState, 10);
    EXPECT_TRUE(PeLog);

    // The periodic-error window stops its recording (file closed) and
    // nothing stays armed behind it.
    const auto atRest = [&] {
        return ProcedureState == 0 && w.PNL_Action->text() == QStringLiteral("Aucune") && !w.SPDB_Executer->isEnabled()
               && !w.SPDB_Abort->isEnabled() && w.MNU_Operations->isEnabled();
    };
    w.MNU_Erreur_PeriodiqueClick();
    ASSERT_TRUE(clickOnScreen(ep().BTN_Quitter));
    EXPECT_TRUE(atRest());
    EXPECT_FALSE(PeLog);
    EXPECT_TRUE(ep().BTN_Demar_EP->isEnabled());

    // Armed but not started, either window: "Quitter" drops it, and Execute
    // can no longer start a measurement whose window is closed.
    for (QPushButton* start : {ep().BTN_Demar_EP, mes().BTN_Demar_MES, mes().BTN_Demarre_King}) {
        SCOPED_TRACE(start->objectName().toStdString());
        QPushButton* quit = start->window() == &ep() ? ep().BTN_Quitter : mes().BTN_Quitter;
        (start->window() == &ep() ? w.MNU_Erreur_PeriodiqueClick() : w.MNU_Erreur_MESClick());
        ASSERT_TRUE(clickOnScreen(start));
        ASSERT_TRUE(w.SPDB_Executer->isEnabled());
        ASSERT_TRUE(clickOnScreen(quit));
        EXPECT_FALSE(start->window()->isVisible());
        EXPECT_TRUE(atRest()) << int(ProcedureState);
        QTest::mouseClick(w.SPDB_Executer, Qt::LeftButton);
        EXPECT_EQ(ProcedureState, 0);
        EXPECT_FALSE(PeLog);
    }

    // ... and leaves the polar window's measurement alone.
    mes().BTN_Demar_MESClick();
    w.SPDB_ExecuterClick();
    ep().close();
    EXPECT_EQ(ProcedureState, 2);

    // Another measurement armed while the recording runs stops it first, as
    // its abort would: its file closed, its window's controls given back.
    ep().close();
    w.MNU_Erreur_PeriodiqueClick();
    ASSERT_TRUE(clickOnScreen(ep().BTN_Demar_EP));
    QTest::mouseClick(w.SPDB_Executer, Qt::LeftButton);
    ASSERT_EQ(ProcedureState, 10);
    ASSERT_TRUE(PeLog);
    ASSERT_FALSE(ep().BTN_Demar_EP->isEnabled());
    ASSERT_TRUE(clickOnScreen(mes().BTN_Demar_MES));
    EXPECT_EQ(ProcedureState, 1);
    EXPECT_FALSE(PeLog);
    EXPECT_TRUE(ep().BTN_Demar_EP->isEnabled());
    EXPECT_TRUE(ep().CKB_Fichier_EP->isEnabled());
    EXPECT_TRUE(ep().EDT_Nom_FichierPE->isEnabled());

    // The orientation button leaves the orientation armed, whatever the window.
    mes().BTN_Orientation->click();
    EXPECT_EQ(ProcedureState, 7);
    EXPECT_EQ(w.PNL_Action->text(), QStringLiteral("Orientation"));
    ep().BTN_Orientation->click();
    EXPECT_EQ(ProcedureState, 7);
    EXPECT_FALSE(w.MNU_Operations->isEnabled());
}

// A measurement needs the source it measures on: when that source stops, the
// running one ends as its abort ends it, none stays armed, and whatever the
// arming took away is there again for the next start.
TEST_F(PolarAlignmentTest, StoppingTheMeasuredSourceEndsTheOperationAndGivesItsControlsBack)
{
    TFRM_Alv& w = *FRM_Alv;
    const QString path = dir.path() + QStringLiteral("/pe.txt");
    w.SetOperationsSource(true);   // as a camera's start marks it

    // A periodic-error recording into a file, started from its window.
    w.MNU_Erreur_PeriodiqueClick();
    ep().CKB_Fichier_EP->setChecked(true);
    ep().EDT_Nom_FichierPE->setText(path);
    ep().BTN_Demar_EP->click();
    w.SPDB_Executer->click();
    ASSERT_EQ(ProcedureState, 10);
    ASSERT_TRUE(PeLog);

    w.MNU_Cam2_ArreterClick();
    EXPECT_EQ(ProcedureState, 0);
    EXPECT_FALSE(PeLog) << "the file is closed with the recording";
    EXPECT_TRUE(ep().BTN_Demar_EP->isEnabled());
    EXPECT_EQ(w.PNL_Action->text(), QStringLiteral("Aucune"));
    EXPECT_FALSE(w.SPDB_Executer->isEnabled());
    EXPECT_FALSE(w.SPDB_Abort->isEnabled());
    EXPECT_FALSE(w.MNU_Operations->menuAction()->isEnabled()) << "nothing to measure on";
    EXPECT_FALSE(w.MNU_Operations->isEnabled()) << "held while its window is open";
    ASSERT_TRUE(clickOnScreen(ep().BTN_Quitter));
    EXPECT_TRUE(w.MNU_Operations->isEnabled());
    EXPECT_FALSE(w.MNU_Operations->menuAction()->isEnabled()) << "still nothing to measure on";

    // The orientation armed from the menu, which nothing but its abort gave back.
    w.SetOperationsSource(true);   // the source again
    w.MNU_TailleOrientCaptClick();
    ASSERT_FALSE(w.MNU_Operations->isEnabled());
    ASSERT_FALSE(w.MNU_Operations->menuAction()->isEnabled());
    w.MNU_Cam2_ArreterClick();
    EXPECT_EQ(ProcedureState, 0);
    EXPECT_FALSE(w.MNU_Operations->menuAction()->isEnabled());
    w.SetOperationsSource(true);
    EXPECT_TRUE(w.MNU_Operations->isEnabled());
    EXPECT_TRUE(w.MNU_Operations->menuAction()->isEnabled());
}

// The graph keeps every point, but shows at most a few thousand: the lowest
// and highest of each run of consecutive points, in time order.
TEST_F(PolarAlignmentTest, GraphShowsABoundedEnvelopeOfEveryPoint)
{
    TPeriodicErrorChart& chart = *ep().CHRT_Erreur_Periodique;
    const int n = 50000;
    for (int i = 0; i < n; ++i)
        chart.AddPoint(i * 0.5, 8 * std::sin(2 * M_PI * i / 240.0) + (i == 31234 ? 40 : 0));
    chart.Flush();
    EXPECT_EQ(chart.Points().size(), std::size_t(n));
    const QList<QPointF> shown = chart.Series1()->points();
    EXPECT_LE(shown.size(), qsizetype(2 * TPeriodicErrorChart::kShownRuns));
    EXPECT_GT(shown.size(), qsizetype(TPeriodicErrorChart::kShownRuns / 2));
    double top = -1e9, bottom = 1e9;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        top = std::max(top, shown[i].y());
        bottom = std::min(bottom, shown[i].y());
        if (i > 0) {
            EXPECT_LE(shown[i - 1].x(), shown[i].x());
        }
    }
    EXPECT_EQ(top, 8 * std::sin(2 * M_PI * 31234 / 240.0) + 40) << "a lone spike is never lost";
    EXPECT_NEAR(bottom, -8, 1e-3);
    EXPECT_EQ(shown.front(), chart.Points().front());

    // Drawing it.
    chart.resize(400, 300);
    QImage image(400, 300, QImage::Format_RGB32);
    QPainter painter(&image);
    chart.render(&painter);
}

// The star lost during a measurement ends it; the windows show it.
TEST_F(PolarAlignmentTest, AStarLostMidMeasurementLeavesTheWindowsConsistent)
{
    TFRM_Alv& w = *FRM_Alv;
    TFRM_ErrPeriod& e = ep();
    const QString path = dir.path() + QStringLiteral("/pe.txt");
    e.CKB_Fichier_EP->setChecked(true);
    e.EDT_Nom_FichierPE->setText(path);
    e.BTN_Demar_EPClick();
    w.SPDB_ExecuterClick();
    ASSERT_TRUE(PeLog);
    Align_V::AdvanceProcedures(1, 0);
    EXPECT_EQ(ProcedureState, 9);
    EXPECT_FALSE(PeLog) << "the file is closed with the recording";
    EXPECT_TRUE(e.CKB_Fichier_EP->isEnabled());
    EXPECT_TRUE(e.EDT_Nom_FichierPE->isEnabled());
    EXPECT_TRUE(e.BTN_Demar_EP->isEnabled());
    EXPECT_TRUE(w.SPDB_Executer->isEnabled());

    mes().BTN_Demarre_KingClick();
    w.SPDB_ExecuterClick();
    mes().BTN_PauseClick();
    Align_V::AdvanceProcedures(1, 0);
    EXPECT_EQ(ProcedureState, 3);
    EXPECT_EQ(KingPaused, 0);
    EXPECT_FALSE(mes().BTN_Pause->isEnabled());
}

// The abort and execute buttons sit left of the operation's name: whatever
// the operation armed, and whoever armed it (the menu, a tool window, the
// Preferences), the panel names it, a click where the user saw "Arrêter"
// drops it while armed or stops it while it runs, and one where "Executer"
// was starts it; at rest both are greyed.
TEST_F(PolarAlignmentTest, ExecuteAndAbortKeepTheirPlacesWhateverTheOperation)
{
    TFRM_Alv& w = *FRM_Alv;
    // Camera 1 runs: the Preferences' measurements have nothing to start.
    w.SPDB_Cam1_Start->setEnabled(false);
    w.resize(800, 600);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    ASSERT_EQ(w.PNL_Action->text(), QStringLiteral("Aucune"));
    const auto centre = [&](QWidget* b) { return b->mapTo(&w, b->rect().center()); };
    const QPoint abortAt = centre(w.SPDB_Abort), executeAt = centre(w.SPDB_Executer);
    const auto clickAt = [&](QPoint at) {
        QWidget* hit = w.childAt(at);
        ASSERT_NE(hit, nullptr);
        QTest::mouseClick(hit, Qt::LeftButton, {}, hit->mapFrom(&w, at));
    };

    const auto atRest = [&] {
        return ProcedureState == 0 && w.PNL_Action->text() == QStringLiteral("Aucune") && !w.SPDB_Executer->isEnabled()
               && !w.SPDB_Abort->isEnabled();
    };
    ASSERT_TRUE(atRest());
    const std::pair<std::function<void()>, const char*> operations[] = {
        {[&] { clickOnScreen(mes().BTN_Demar_MES); }, "M.en station"},
        {[&] { clickOnScreen(mes().BTN_Demarre_King); }, "M.en station"},
        {[&] { clickOnScreen(ep().BTN_Demar_EP); }, "Err.Periodique"},
        {[&] { clickOnScreen(FRM_Pref->BTN_Calculer_TaillePix); }, "Orientation"},
        {[&] { clickOnScreen(FRM_Pref->BTN_Apprendre); }, "Appr.Guidage"},
        {[&] { w.MNU_TailleOrientCapt->trigger(); }, "Orientation"},
        {[&] { w.MNU_Decl_Etoile->trigger(); }, "Decl. Etoile"},
        {[&] { w.MNU_Collimation->trigger(); }, "Collimation"},
        {[&] { w.BTN_SetDeriveClick(); }, "Def. Derive"},
    };
    for (const auto& [armIt, name] : operations) {
        SCOPED_TRACE(name);
        // Armed, then dropped where "Arrêter" was: at rest again.
        armIt();
        QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        ASSERT_EQ(w.PNL_Action->text(), QString::fromUtf8(name));
        EXPECT_TRUE(w.SPDB_Executer->isEnabled());
        EXPECT_TRUE(w.SPDB_Abort->isEnabled());
        clickAt(abortAt);
        QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        EXPECT_TRUE(atRest()) << int(ProcedureState) << " " << w.PNL_Action->text().toStdString();

        armIt();
        QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        ASSERT_EQ(w.PNL_Action->text(), QString::fromUtf8(name));
        const std::uint8_t armed = ProcedureState;
        EXPECT_EQ(centre(w.SPDB_Abort), abortAt);
        EXPECT_EQ(centre(w.SPDB_Executer), executeAt);
        // Started where "Executer" was, stopped where "Arrêter" was: armed
        // again; stopped once more, no operation.
        clickAt(executeAt);
        EXPECT_EQ(ProcedureState, armed + 1);
        clickAt(abortAt);
        EXPECT_EQ(ProcedureState, armed);
        clickAt(abortAt);
        QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        EXPECT_TRUE(atRest());
        EXPECT_EQ(centre(w.SPDB_Abort), abortAt);
    }
    TLog::Close(PeLog);
}
