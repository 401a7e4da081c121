#include "tracking_fixture.h"
#include "mount_fixture.h"

#include "app/frm_alv.h"
#include "app/frm_message.h"
#include "app/frm_pref.h"
#include "app/settings.h"
#include "app/settings/guide_offset.h"
#include "capture/camera_slots.h"
#include "imaging/frame_helpers.h"
#include "imaging/pipeline_state.h"
#include "imaging/process_frame.h"
#include "telescope/frm_err_period.h"
#include "telescope/frm_prg_action_ls.h"
#include "telescope/frm_raquette.h"
#include "telescope/frm_tool_suivi.h"
#include "telescope/mount_state.h"
#include "telescope/prg_suivi.h"
#include "telescope/track_step.h"
#include "telescope/tracking/find_best_zone.h"
#include "telescope/tracking/tracking_state.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_mesures.h"
#include "translation/translated_texts.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QSpinBox>
#include <QTest>
#include <QThread>
#include <QTimer>

namespace {

TFRM_Tool_Suivi& suivi() { return *FRM_Tool_Suivi; }

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

bool waitUntil(const std::function<bool()>& pred, int timeout_ms = 10000)
{
    QElapsedTimer t;
    t.start();
    while (!pred() && t.elapsed() < timeout_ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return pred();
}

// One frame of slot 1 through the frame routine, as a camera delivers it.
void deliverFrame()
{
    std::uint8_t keep = 0;
    Align_V::ProcessFrame(1, keep, 1);
}

} // namespace

TEST_F(TrackingTest, TrackingSwitchGuidePortAndResultGuiding)
{
    TFRM_Tool_Suivi& s = suivi();
    FRM_Alv->setEnabled(true);
    GuideCounter = 5;
    TrackAverageCount = 3;
    s.CKB_Suivi->setChecked(true);
    EXPECT_EQ(GuideCounter, 0);
    EXPECT_EQ(TrackAverageCount, 0);
    EXPECT_FALSE(FRM_Alv->SPDB_Cam1_Format->isEnabled());
    EXPECT_FALSE(FRM_Alv->MNU_Cam1_Format->isEnabled());

    s.RDB_Autoguidage->setChecked(true);
    EXPECT_TRUE(s.RDB_Autoguidage->isChecked());
    EXPECT_FALSE(FRM_Pref->BTN_Autoguide_Deconnecter->isEnabled());
    EXPECT_TRUE(s.CKB_Guide_On_Result->isEnabled());
    // Guiding on the result: the display zone is the whole frame, its bars locked.
    s.CKB_Guide_On_Result->setChecked(true);
    EXPECT_EQ(FRM_Tool_Affichage->SCB_Taille_ZAffich->value(), 640);
    EXPECT_EQ(FRM_Tool_Affichage->SCB_Taille_ZAffichV->value(), 480);
    EXPECT_FALSE(FRM_Tool_Affichage->SCB_Taille_ZAffich->isEnabled());
    s.CKB_Guide_On_Result->setChecked(false);
    EXPECT_TRUE(FRM_Tool_Affichage->SCB_Taille_ZAffich->isEnabled());

    // Tracking off stops every guide direction and frees the format again.
    Prg_Suivi::StartMotion(dirNorth, false, true, Prg_Suivi::kUntilStopped);
    Prg_Suivi::StartMotion(dirWest, false, true, Prg_Suivi::kUntilStopped);
    calls().clear();
    s.CKB_Suivi->setChecked(false);
    EXPECT_TRUE(calls().contains(QStringLiteral("stop 0"))) << calls().join(',').toStdString();
    EXPECT_TRUE(calls().contains(QStringLiteral("stop 3"))) << calls().join(',').toStdString();
    EXPECT_TRUE(FRM_Alv->SPDB_Cam1_Format->isEnabled());

    s.RDB_Suivi_logiciel->setChecked(true);
    EXPECT_FALSE(s.CKB_Guide_On_Result->isEnabled());
    EXPECT_FALSE(s.CKB_Guide_On_Result->isChecked());

    // A guide interface that cannot connect: autoguiding refused, neither kind left chosen.
    FRM_Pref->RDB_Autoguide_Aucun->setChecked(true);
    s.RDB_Autoguidage->setChecked(true);
    EXPECT_FALSE(s.RDB_Autoguidage->isChecked());
    EXPECT_FALSE(s.RDB_Suivi_logiciel->isChecked());

    // Re-centring with no mount nor guide interface to move: told, and not
    // left ticked as if the star would be brought back.
    ASSERT_TRUE(FRM_Pref->RDB_Mount_Aucun->isChecked());
    ASSERT_TRUE(clickOnScreen(s.CKB_Recentrage));
    EXPECT_FALSE(s.CKB_Recentrage->isChecked());
    EXPECT_EQ(messageText().count(TranslatedTexts.MSG_Aucune_Interface), 1) << messageText().toStdString();
    // With the guider chosen it is taken.
    ASSERT_TRUE(clickOnScreen(FRM_Pref->RDB_Autoguide_Plugin));
    TrackedStarPos = QPoint(300, 200);
    ASSERT_TRUE(clickOnScreen(s.CKB_Recentrage));
    EXPECT_TRUE(s.CKB_Recentrage->isChecked());
    EXPECT_EQ(RecentreTarget, QPoint(300, 200));
    EXPECT_EQ(messageText().count(TranslatedTexts.MSG_Aucune_Interface), 1);
    ASSERT_TRUE(clickOnScreen(s.CKB_Recentrage));
}

// Autoguiding holds the guide port: the guide page's "Deconnecter" stays off
// while it is chosen and comes back when the hand pad ends it.
TEST_F(TrackingTest, TheGuidePortsDisconnectComesBackWhenAutoguidingIsLeft)
{
    TFRM_Tool_Suivi& s = suivi();
    FRM_Alv->setEnabled(true);
    s.CKB_Suivi->setChecked(true);
    ASSERT_TRUE(clickOnScreen(s.RDB_Autoguidage));
    ASSERT_TRUE(s.RDB_Autoguidage->isChecked());
    ASSERT_TRUE(FRM_Pref->BTN_Autoguide_Nord->isEnabled()) << "autoguiding connects the guide port";
    EXPECT_FALSE(FRM_Pref->BTN_Autoguide_Deconnecter->isEnabled());

    // A press on the hand pad leaves autoguiding, not the port it holds.
    ASSERT_TRUE(clickOnScreen(FRM_Raquette->BTN_N));
    EXPECT_FALSE(s.RDB_Autoguidage->isChecked());
    EXPECT_TRUE(FRM_Pref->BTN_Autoguide_Nord->isEnabled());
    EXPECT_TRUE(FRM_Pref->BTN_Autoguide_Deconnecter->isEnabled());

    ASSERT_TRUE(clickOnScreen(s.RDB_Autoguidage));
    EXPECT_FALSE(FRM_Pref->BTN_Autoguide_Deconnecter->isEnabled());
    // Software tracking lets the port go.
    ASSERT_TRUE(clickOnScreen(s.RDB_Suivi_logiciel));
    EXPECT_TRUE(FRM_Pref->BTN_Autoguide_Connecter->isEnabled());
    EXPECT_FALSE(FRM_Pref->BTN_Autoguide_Deconnecter->isEnabled());
    s.CKB_Suivi->setChecked(false);
    FRM_Raquette->hide();
    s.hide();
}

// Tracking switched off stops the guide port through the same rule as every
// command: it connects only an interface that is chosen. With none there
// is nothing to connect and nothing to tell, also when the lost-star alarm
// stops and restarts tracking over and over; an interface that cannot
// connect is told once, not at every restart; and once the guider is
// chosen, the restarted tracking guides the mount.
TEST_F(TrackingTest, TrackingOffAndALostStarsRestartsTellAMissingInterfaceAtMostOnce)
{
    TFRM_Tool_Suivi& s = suivi();
    TFRM_Pref& p = *FRM_Pref;
    TFRM_PRG_Action_LS& l = *FRM_PRG_Action_LS;
    FRM_Alv->setEnabled(true);
    ASSERT_TRUE(clickOnScreen(p.RDB_Autoguide_Aucun));
    ASSERT_TRUE(p.RDB_Mount_Aucun->isChecked());
    p.hide();
    boxes.shown.clear();
    ASSERT_TRUE(clickOnScreen(s.CKB_Suivi));
    ASSERT_TRUE(clickOnScreen(s.CKB_Suivi));
    ASSERT_FALSE(s.CKB_Suivi->isChecked());
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join('\n').toStdString();
    EXPECT_TRUE(FRM_Alv->SPDB_Cam1_Format->isEnabled());

    // The alarm stops tracking and takes it up again at once.
    ASSERT_TRUE(clickOnScreen(l.CKB_Stop_Guiding));
    ASSERT_TRUE(clickOnScreen(l.CKB_Restart_Guiding));
    l.SPED_Restart_Guiding->setValue(0);
    l.hide();
    ASSERT_TRUE(clickOnScreen(s.CKB_Lost_Star_Alert));
    ASSERT_TRUE(clickOnScreen(s.CKB_Suivi));
    const auto loseTheStarThrice = [&] {
        for (int cycle = 0; cycle < 3; ++cycle) {
            showStar(320, 240, 0);
            deliverFrame();
            ASSERT_FALSE(s.CKB_Suivi->isChecked()) << "the star was lost, cycle " << cycle;
            ASSERT_TRUE(waitUntil([&] { return s.CKB_Suivi->isChecked(); })) << "restarted, cycle " << cycle;
        }
    };
    ASSERT_NO_FATAL_FAILURE(loseTheStarThrice());
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join('\n').toStdString();
    EXPECT_TRUE(messageText().isEmpty()) << messageText().toStdString();

    // A guide box on a serial entry that names no register address.
    const int addressless = p.CBX_AG_PortSerie->findText(QStringLiteral("      COM3"));
    ASSERT_NE(addressless, -1);
    p.CBX_AG_PortSerie->setCurrentIndex(addressless);
    ASSERT_TRUE(clickOnScreen(p.RDB_Autoguide_Venner));
    p.hide();
    ASSERT_NO_FATAL_FAILURE(loseTheStarThrice());
    ASSERT_EQ(boxes.shown.size(), 1u) << boxes.texts().join('\n').toStdString();
    EXPECT_TRUE(boxes.texts()[0].contains(QStringLiteral("COM3"))) << boxes.texts()[0].toStdString();
    // Asked for by the user, the failure is told again.
    ASSERT_TRUE(clickOnScreen(p.BTN_Autoguide_Connecter));
    EXPECT_EQ(boxes.shown.size(), 2u);

    // The guider chosen: the restart tracks and autoguiding corrects.
    ASSERT_TRUE(clickOnScreen(p.RDB_Autoguide_Plugin));
    p.hide();
    ASSERT_TRUE(clickOnScreen(s.RDB_Autoguidage));
    ASSERT_TRUE(s.RDB_Autoguidage->isChecked());
    s.SPED_Intervalle_Guidage->setValue(1);
    s.SPED_Intervalle_Moy->setValue(1);
    boxes.shown.clear();
    ASSERT_NO_FATAL_FAILURE(loseTheStarThrice());
    calls().clear();
    for (int frame = 0; frame < 20 && !calls().contains(QStringLiteral("move 3")); ++frame) {
        showStar(326, 240);
        deliverFrame();
    }
    EXPECT_TRUE(calls().contains(QStringLiteral("move 3"))) << calls().join(',').toStdString();
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join('\n').toStdString();
    ASSERT_TRUE(clickOnScreen(s.CKB_Lost_Star_Alert));
    ASSERT_TRUE(clickOnScreen(s.CKB_Suivi));
    s.hide();
}

TEST_F(TrackingTest, MethodSettingsZoneSizeDriftAndInversions)
{
    TFRM_Tool_Suivi& s = suivi();
    EXPECT_EQ(s.CBX_Couleurs_Suivi->currentIndex(), 0);
    s.RDB_Correlation->setChecked(true);
    EXPECT_TRUE(s.SPED_Correl_Precision->isEnabled());
    EXPECT_TRUE(s.CBX_Couleurs_Suivi->isEnabled());
    s.RDB_Colimacon->setChecked(true);
    EXPECT_FALSE(s.SPED_Correl_Precision->isEnabled());
    EXPECT_FALSE(s.CBX_Couleurs_Suivi->isEnabled());

    s.SPED_Sensibilite->setValue(17);
    EXPECT_EQ(TrackSensitivity, 17);
    TrackAverageCount = 4;
    s.SPED_Intervalle_Moy->setValue(7);
    EXPECT_EQ(GuideAverageInterval, 7);
    EXPECT_EQ(TrackAverageCount, 0);

    // Scrolling the zone size keeps both windows equal and never runs a
    // tracking step on the same frame again.
    const QPoint before = TrackedStarPos;
    showStar(330, 245);
    int pos = 60;
    s.SCB_Taille_ZDetectScroll(5, pos);
    EXPECT_EQ(int(s.TNI_Taille_ZDetect->Value()), 60);
    EXPECT_EQ(int(FRM_Tool_Affichage->TNI_Taille_ZDetect->Value()), 60);
    EXPECT_EQ(FRM_Tool_Affichage->SCB_Taille_ZDetect->value(), 60);
    EXPECT_EQ(TrackedStarPos, before);
    s.TNI_Taille_ZDetect->SetValue(25);
    s.TNI_Taille_ZDetectExit();
    EXPECT_EQ(s.SCB_Taille_ZDetect->value(), 25);
    EXPECT_EQ(int(FRM_Tool_Affichage->TNI_Taille_ZDetect->Value()), 25);

    // Drift at 2"/px; reversed; without a scale the speeds stay.
    FRM_Tool_Mesures->TNI_Echantillonnage->SetValue(2);
    s.TNI_Vitesse_Derive_AD->SetValue(3);
    s.TNI_Vitesse_Derive_Dec->SetValue(-1);
    s.PNL_SetDerive->show();
    s.BTN_Derive_Ok->click();
    EXPECT_DOUBLE_EQ(TrackDriftSpeedX, 1.5);
    EXPECT_DOUBLE_EQ(TrackDriftSpeedY, -0.5);
    EXPECT_FALSE(s.PNL_SetDerive->isVisible());
    EXPECT_EQ(DriftDefined, 1);
    s.CKB_Derive_Inverse->setChecked(true);
    s.BTN_Derive_Ok->click();
    EXPECT_DOUBLE_EQ(TrackDriftSpeedX, -1.5);
    EXPECT_DOUBLE_EQ(TrackDriftSpeedY, 0.5);
    FRM_Tool_Mesures->TNI_Echantillonnage->SetValue(0);
    DriftDefined = 0;
    boxes.clear();
    s.BTN_Derive_Ok->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Demarrer la camera avant d'effectuer cette opération")});
    EXPECT_DOUBLE_EQ(TrackDriftSpeedX, -1.5);
    EXPECT_EQ(DriftDefined, 1);

    // Inversion boxes reach the Preferences and the hand pad.
    s.CKB_GUIDE_InverseAD->setChecked(true);
    s.CKB_InverseDEC_Carte->setChecked(true);
    EXPECT_TRUE(FRM_Pref->CKB_GUIDE_InverseAD->isChecked());
    EXPECT_TRUE(FRM_Raquette->CKB_GUIDE_InverseAD->isChecked());
    EXPECT_TRUE(FRM_Pref->CKB_InverseDEC_Carte->isChecked());
    s.CKB_GUIDE_InverseAD->setChecked(false);
    EXPECT_FALSE(FRM_Raquette->CKB_GUIDE_InverseAD->isChecked());
}

TEST_F(TrackingTest, GuideLogOpensOnlyWithAWritableName)
{
    TFRM_Tool_Suivi& s = suivi();
    s.CKB_Log_Guidage->setChecked(true);
    EXPECT_FALSE(s.CKB_Log_Guidage->isChecked());
    EXPECT_FALSE(GuideLog);

    boxes.clear();
    s.EDT_Nom_Log_Guidage->setText(dir.path() + QStringLiteral("/absent/folder/guide.txt"));
    s.CKB_Log_Guidage->setChecked(true);
    EXPECT_FALSE(s.CKB_Log_Guidage->isChecked());
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(s.EDT_Nom_Log_Guidage->isEnabled());

    const QString path = dir.path() + QStringLiteral("/guide.txt");
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old night\r\n");
    old.close();
    s.EDT_Nom_Log_Guidage->setText(path);
    s.CKB_Log_Guidage->setChecked(true);
    EXPECT_TRUE(GuideLog);
    EXPECT_FALSE(s.EDT_Nom_Log_Guidage->isEnabled());
    EXPECT_FALSE(s.BBTN_Charge_Fichier_Guidage->isEnabled());
    Align_V::SendGuideCorrection(4, 0);
    Align_V::SendGuideCorrection(0, -3);
    s.CKB_Log_Guidage->setChecked(false);
    EXPECT_FALSE(GuideLog);
    EXPECT_TRUE(s.EDT_Nom_Log_Guidage->isEnabled());
    const QStringList lines = fileLines(path);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].endsWith(
        QStringLiteral("Trainee_X;Tr_AD;Durée_corr_AD;Dir_corr_AD;Trainee_Y;Tr_Dec;Durée_corr_Dec;Dir_corr_Dec")));
    EXPECT_EQ(lines[1].split(QLatin1Char(';')).size(), 9);
}

// As at the telescope: the box clicked with no name is refused; a name is
// typed and the box clicked again: the log opens and takes the corrections,
// and the next click closes it.
TEST_F(TrackingTest, GuideLogClickedAgainAfterARefusalOpensTheLog)
{
    TFRM_Tool_Suivi& s = suivi();
    s.show();
    const auto click = [](QCheckBox* box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2)); };

    click(s.CKB_Log_Guidage);
    EXPECT_FALSE(s.CKB_Log_Guidage->isChecked());
    EXPECT_TRUE(s.EDT_Nom_Log_Guidage->isEnabled());

    const QString path = dir.path() + QStringLiteral("/guide.txt");
    QTest::keyClicks(s.EDT_Nom_Log_Guidage, path);
    click(s.CKB_Log_Guidage);
    EXPECT_TRUE(s.CKB_Log_Guidage->isChecked());
    ASSERT_TRUE(GuideLog) << "the handler ran for the second click";
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_FALSE(s.EDT_Nom_Log_Guidage->isEnabled());
    Align_V::SendGuideCorrection(4, 0);

    click(s.CKB_Log_Guidage);
    EXPECT_FALSE(s.CKB_Log_Guidage->isChecked());
    EXPECT_FALSE(GuideLog);
    EXPECT_TRUE(s.EDT_Nom_Log_Guidage->isEnabled());
    EXPECT_EQ(fileLines(path).size(), 2) << "header and the correction";
    s.hide();
}

TEST_F(TrackingTest, FindBestZoneHalvesToTheDetailedQuarter)
{
    // A star off the centre: four rounds bring the zone onto it.
    showStar(430, 280);
    CameraSlots[1].sourceKind = 3;   // a live plug-in camera takes clicks
    suivi().BTN_FindBestClick();
    CameraSlots[1].sourceKind = 0;
    EXPECT_LE(std::abs(TrackedStarPos.x() - 430), 10);
    EXPECT_LE(std::abs(TrackedStarPos.y() - 280), 10);

    // Small frames give their centre; a wide, short one stops before its
    // quarters lose their rows; no frame, no click.
    kernels::Bitmap24 small(40, 30);
    EXPECT_EQ(Align_V::FindBestZoneCentre(small, 40, 30, 30), QPoint(20, 15));
    kernels::Bitmap24 strip(1280, 8);
    const auto c = Align_V::FindBestZoneCentre(strip, 1280, 8, 30);
    ASSERT_TRUE(c);
    EXPECT_TRUE(c->y() >= 0 && c->y() < 8 && c->x() >= 0 && c->x() < 1280);
    EXPECT_FALSE(Align_V::FindBestZoneCentre(kernels::Bitmap24(), 0, 0, 30));
    const QPoint where = TrackedStarPos;
    SlotBitmaps[1][0].reset();
    CameraSlots[1].sourceKind = 3;
    suivi().BTN_FindBestClick();
    CameraSlots[1].sourceKind = 0;
    EXPECT_EQ(TrackedStarPos, where);
}

TEST_F(TrackingTest, OperationsArmStartAndAbort)
{
    TFRM_Alv& w = *FRM_Alv;
    w.setEnabled(true);
    // Orientation: instructions 1-, 2-, 3-, 5- and an unnumbered line; Execute,
    // Abort, Abort.
    w.MNU_TailleOrientCaptClick();
    EXPECT_TRUE(suivi().CKB_Suivi->isChecked());
    EXPECT_FALSE(w.MNU_Operations->isEnabled());
    const QStringList lines = messageText().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 5);
    EXPECT_TRUE(lines[3].startsWith(QStringLiteral("5-")));
    EXPECT_EQ(lines[4], QStringLiteral("ou cliquer sur \"Arrêter\""));
    EXPECT_EQ(ProcedureState, 7);
    EXPECT_EQ(w.PNL_Action->text(), QStringLiteral("Orientation"));
    TrackedStarPos = QPoint(100, 90);
    w.SPDB_ExecuterClick();
    EXPECT_EQ(ProcedureState, 8);
    EXPECT_EQ(ProcedureStart.pos, QPointF(100, 90));
    EXPECT_EQ(ProcedureStart.time_ms, clock.monotonicMs());
    EXPECT_FALSE(w.SPDB_Executer->isEnabled());
    EXPECT_TRUE(w.SPDB_Abort->isEnabled());
    w.SPDB_AbortClick();
    EXPECT_EQ(ProcedureState, 7);
    EXPECT_EQ(w.PNL_Action->text(), QStringLiteral("Orientation"));
    EXPECT_TRUE(w.SPDB_Executer->isEnabled());
    EXPECT_EQ(messageText(), QStringLiteral("Execution terminée"));
    w.SPDB_AbortClick();
    EXPECT_EQ(ProcedureState, 0);
    EXPECT_EQ(w.PNL_Action->text(), QStringLiteral("Aucune"));
    EXPECT_TRUE(w.MNU_Operations->isEnabled());
    EXPECT_FALSE(w.SPDB_Executer->isEnabled());
    w.SPDB_AbortClick();   // twice: nothing more
    EXPECT_EQ(ProcedureState, 0);

    // Star declination with the drift method switches to the brightest pixel.
    suivi().RDB_Derive->setChecked(true);
    w.MNU_Decl_EtoileClick();
    EXPECT_TRUE(suivi().RDB_Colimacon->isChecked());
    EXPECT_EQ(messageText().split(QLatin1Char('\n')).last(), QStringLiteral("  ou cliquer sur \"Arrêter\""));
    EXPECT_EQ(w.PNL_Action->text(), QStringLiteral("Decl. Etoile"));
    suivi().BTN_SetDerive->setEnabled(true);
    suivi().BTN_SetDerive->click();
    EXPECT_EQ(ProcedureState, 11);
    EXPECT_EQ(w.PNL_Action->text(), QStringLiteral("Def. Derive"));

    // The learning: its move stops on abort, and on arming another operation.
    for (const bool byArming : {false, true}) {
        ProcedureState = 13;
        w.SPDB_ExecuterClick();
        EXPECT_EQ(ProcedureState, 14);
        EXPECT_EQ(FRM_Pref->EDT_Etape_Appr->text(), QStringLiteral("1"));
        calls().clear();
        Align_V::AdvanceProcedures(1, 1);
        ASSERT_TRUE(w.TMR_Appr->isActive());
        EXPECT_TRUE(calls().contains(QStringLiteral("move 3"))) << calls().join(',').toStdString();
        calls().clear();
        if (byArming)
            w.MNU_TailleOrientCaptClick();
        else
            w.SPDB_AbortClick();
        EXPECT_FALSE(w.TMR_Appr->isActive());
        EXPECT_TRUE(calls().contains(QStringLiteral("stop 3"))) << calls().join(',').toStdString();
        EXPECT_EQ(ProcedureState, byArming ? 7 : 13);
    }
    w.TMR_ApprTimer();
    EXPECT_EQ(Learning.tick, 1);
}

TEST_F(TrackingTest, PeriodicErrorRecordingKeepsOneLogPerStart)
{
    TFRM_Alv& w = *FRM_Alv;
    const QString path = dir.path() + QStringLiteral("/pe.txt");
    FRM_ErrPeriod->CKB_Fichier_EP->setChecked(true);
    FRM_ErrPeriod->EDT_Nom_FichierPE->setText(path);
    ProcedureState = 9;
    w.SPDB_ExecuterClick();
    EXPECT_EQ(w.PNL_Action->text(), QStringLiteral("Err.Periodique"));
    ASSERT_TRUE(PeLog);
    EXPECT_FALSE(FRM_ErrPeriod->CKB_Fichier_EP->isEnabled());
    PeLog->Add(QStringLiteral("first"));
    w.SPDB_AbortClick();
    EXPECT_FALSE(PeLog);
    EXPECT_TRUE(FRM_ErrPeriod->BTN_Demar_EP->isEnabled());
    EXPECT_EQ(fileLines(path), QStringList{QStringLiteral("first")});
    // A recording that ended by itself leaves its log open; the next start
    // closes it and rewrites the file.
    w.SPDB_ExecuterClick();
    PeLog->Add(QStringLiteral("second"));
    ProcedureState = 9;
    w.SPDB_ExecuterClick();
    PeLog->Add(QStringLiteral("third"));
    w.SPDB_AbortClick();
    EXPECT_EQ(fileLines(path), QStringList{QStringLiteral("third")});
}

TEST_F(TrackingTest, GuideShiftsStepTheOffsetTableCyclically)
{
    TFRM_Tool_Suivi& s = suivi();
    GuideOffsetTable.pairs[0] = {5, -2};
    GuideOffsetTable.pairs[1] = {-1, 4};
    GuideOffsetTable.count = 2;
    GuideOffsetTable.position = 0;
    FRM_Pref->CKB_Fichier_decalage->setChecked(true);
    // Software tracking: no shift.
    s.CKB_Suivi->setChecked(true);
    s.BTN_Decaler->click();
    EXPECT_EQ(TrackedStarPos, QPoint(320, 240));
    s.RDB_Autoguidage->setChecked(true);
    ASSERT_TRUE(s.RDB_Autoguidage->isChecked());
    s.BTN_Decaler->click();
    EXPECT_EQ(TrackedStarPos, QPoint(325, 238));
    FRM_Alv->BTN_DecalerClick();
    EXPECT_EQ(TrackedStarPos, QPoint(324, 242));
    s.BTN_Decaler->click();   // back to the first pair
    EXPECT_EQ(TrackedStarPos, QPoint(329, 240));
    EXPECT_EQ(PreviousTrackedStarPos, QPoint(324, 242));
    GuideOffsetTable = {};
}
