// The telescope-control pages of the Preferences dialog driven as a user
// would: interface buttons, connection, direction and stop buttons, motor
// speeds and inversions.

#include "mount_fixture.h"

#include "app/settings.h"
#include "app/settings/settings_file.h"
#include "platform/paths.h"
#include "telescope/ascom_bridge.h"
#include "telescope/frm_com_trafic.h"
#include "telescope/frm_prg_suivi.h"
#include "telescope/frm_raquette.h"
#include "telescope/frm_tool_suivi.h"
#include "telescope/mount_state.h"
#include "telescope/prg_suivi.h"
#include "telescope/sim/mount_simulator_device.h"
#include "telescope/sim/simulated_lx200_mount.h"
#include "support/screen_boxes.h"
#include "support/scripted_mount.h"
#include "app/frm_alv.h"
#include "app/frm_message.h"
#include "imaging/pipeline_state.h"
#include "platform/com_io.h"
#include "telescope/frm_joy.h"
#include "translation/translated_texts.h"

#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QElapsedTimer>
#include <QTest>
#include <QThread>

namespace {

class TelescopePages : public MountTest {
protected:
    void TearDown() override
    {
        MountTest::TearDown();
        Telescope::StopMountSimulator();
        SettingsFilePath.clear();
    }
    // The commands the mount received, waiting until `last` is among them
    // (wait_ms of real time at most).
    QList<QByteArray> receivedUntil(const QByteArray& last, int wait_ms = 10000)
    {
        QElapsedTimer t;
        t.start();
        while (!mount.commands().contains(last) && t.elapsed() < wait_ms) {
            mount.pump();
            QCoreApplication::processEvents();
            QThread::msleep(1);
        }
        return mount.commands();
    }
};

QList<QByteArray> waitForCommand(const QByteArray& command)
{
    QElapsedTimer t;
    t.start();
    for (;;) {
        Telescope::SimulatedLx200Mount* sim = Telescope::MountSimulator();
        const QList<QByteArray> seen = sim ? sim->commands() : QList<QByteArray>{};
        if (seen.contains(command) || t.elapsed() > 10000)
            return seen;
        QCoreApplication::processEvents();
        QThread::msleep(5);
    }
}

} // namespace

TEST_F(TelescopePages, LX200OnTheSimulatorPortMovesNorthWhileHeldAndStops)
{
    dir.writeFile(QStringLiteral("comports.map"), "COM20=SIM\n");
    pref().CKB_Historique_Comm->setChecked(true);
    pref().RDB_Mount_LX200->click();
    ASSERT_TRUE(pref().BTN_Mount_Connecter->isEnabled());
    pref().CBX_AG_PortSerie->setCurrentIndex(pref().CBX_AG_PortSerie->findText(QStringLiteral("      COM20")));
    pref().BTN_Mount_Connecter->click();
    ASSERT_NE(Telescope::MountSimulator(), nullptr);

    QTest::mousePress(pref().BTN_Mount_Nord, Qt::LeftButton);
    QTest::qWait(300);
    QTest::mouseRelease(pref().BTN_Mount_Nord, Qt::LeftButton);
    const QList<QByteArray> seen = waitForCommand(":Qn#");
    const qsizetype start = seen.indexOf(":Mn#");
    ASSERT_GE(start, 0);
    EXPECT_GT(seen.indexOf(":Qn#", start), start);
    EXPECT_EQ(MovingFlags[dirNorth], 0);
    const QString traffic = FRM_ComTrafic->Memo_Historique_Comm->toPlainText();
    EXPECT_TRUE(traffic.contains(QStringLiteral(":Mn#"))) << traffic.toStdString();
    EXPECT_TRUE(traffic.contains(QStringLiteral(":Qn#")));
    EXPECT_TRUE(FRM_ComTrafic->isVisible());

    pref().BTN_Mount_Stop->click();
    EXPECT_TRUE(waitForCommand(":Q#").contains(":Q#"));
    EXPECT_TRUE(reports.isEmpty()) << reports.join(u'\n').toStdString();
}

// Before any connection the disconnection and test buttons of the three
// sub-pages are off: a click on them and an arrow key in the command window
// move nothing. Each connection switches its page's on, each disconnection
// off again; a page whose link went with another page's shows it too.
TEST_F(TelescopePages, ConnectionButtonsStartOffAndFollowEachConnection)
{
    TFRM_Pref& p = pref();
    const std::vector<QPushButton*> mountButtons{p.BTN_Mount_Deconnecter, p.BTN_Mount_Nord, p.BTN_Mount_Sud,
                                                 p.BTN_Mount_Est, p.BTN_Mount_Ouest, p.BTN_Mount_Stop};
    const std::vector<QPushButton*> guideButtons{p.BTN_Autoguide_Deconnecter, p.BTN_Autoguide_Nord,
                                                 p.BTN_Autoguide_Sud, p.BTN_Autoguide_Est,
                                                 p.BTN_Autoguide_Ouest, p.BTN_Autoguide_Stop};
    const std::vector<QPushButton*> focuserButtons{p.BTN_Focus_Deconnecter, p.BTN_In, p.BTN_Out};
    const auto enabled = [](const std::vector<QPushButton*>& buttons) {
        QStringList on;
        for (QPushButton* b : buttons)
            if (b->isEnabled())
                on << b->objectName();
        return on.join(u' ').toStdString();
    };
    EXPECT_EQ(enabled(mountButtons) + enabled(guideButtons) + enabled(focuserButtons), "");

    p.RDB_Mount_LX200->click();
    ASSERT_TRUE(p.BTN_Mount_Connecter->isEnabled());
    pressOnScreen(p.BTN_Mount_Nord);
    releaseOnScreen(p.BTN_Mount_Nord);
    clickOnScreen(p.BTN_Mount_Stop);
    FRM_Prg_Suivi->show();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
    QApplication::sendEvent(FRM_Prg_Suivi, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Up, Qt::NoModifier);
    QApplication::sendEvent(FRM_Prg_Suivi, &release);
    ASSERT_TRUE(settle());
    EXPECT_TRUE(mount.commands().isEmpty()) << mount.commands().join(' ').toStdString();
    EXPECT_EQ(MovingFlags, (std::array<std::uint8_t, 4>{}));
    EXPECT_FALSE(platform::com_io::channel(1).open) << "nothing connected";

    // The mount: its buttons with its connection, and they drive it.
    ASSERT_TRUE(clickOnScreen(p.BTN_Mount_Connecter));
    EXPECT_EQ(enabled(mountButtons), "BTN_Mount_Deconnecter BTN_Mount_Nord BTN_Mount_Sud BTN_Mount_Est "
                                     "BTN_Mount_Ouest BTN_Mount_Stop");
    EXPECT_FALSE(p.BTN_Mount_Connecter->isEnabled());
    pressOnScreen(p.BTN_Mount_Nord);
    releaseOnScreen(p.BTN_Mount_Nord);
    EXPECT_TRUE(receivedUntil(":Qn#").contains(":Mn#"));
    ASSERT_TRUE(clickOnScreen(p.BTN_Mount_Deconnecter));
    EXPECT_EQ(enabled(mountButtons), "");
    EXPECT_TRUE(p.BTN_Mount_Connecter->isEnabled());

    // The guide port on the mount's LX200 line: letting go of it closes the
    // line, and the mount's page says so as well.
    ASSERT_TRUE(clickOnScreen(p.BTN_Mount_Connecter));
    p.RDB_Autoguide_LX200->click();
    ASSERT_TRUE(clickOnScreen(p.BTN_Autoguide_Connecter));
    EXPECT_EQ(enabled(guideButtons), "BTN_Autoguide_Deconnecter BTN_Autoguide_Nord BTN_Autoguide_Sud "
                                     "BTN_Autoguide_Est BTN_Autoguide_Ouest BTN_Autoguide_Stop");
    ASSERT_TRUE(clickOnScreen(p.BTN_Autoguide_Deconnecter));
    EXPECT_FALSE(platform::com_io::channel(1).open);
    EXPECT_EQ(enabled(guideButtons) + enabled(mountButtons), "");
    EXPECT_TRUE(p.BTN_Mount_Connecter->isEnabled());
    EXPECT_TRUE(p.BTN_Autoguide_Connecter->isEnabled());

    // The focuser on the same port; its "Deconnecter" takes the mount along.
    ASSERT_TRUE(clickOnScreen(p.BTN_Mount_Connecter));
    p.RDB_Focus_LX200->click();
    ASSERT_TRUE(clickOnScreen(p.BTN_Focus_Connecter));
    EXPECT_EQ(enabled(focuserButtons), "BTN_Focus_Deconnecter BTN_In BTN_Out");
    ASSERT_TRUE(clickOnScreen(p.BTN_Focus_Deconnecter));
    EXPECT_EQ(enabled(mountButtons) + enabled(guideButtons) + enabled(focuserButtons), "");

    // No mount: the guide port and the focuser on one port through channels
    // of their own. Closing the guide port's closes the port: the focuser
    // moving (automatic focusing) is stopped first, its page says it is
    // disconnected, and its next move connects again.
    p.RDB_Mount_Aucun->click();
    p.RDB_Focus_LX200->click();
    ASSERT_TRUE(clickOnScreen(p.BTN_Autoguide_Connecter));
    ASSERT_TRUE(clickOnScreen(p.BTN_Focus_Connecter));
    ASSERT_NE(Prg_Suivi::FocuserChannel(), 1);
    ASSERT_TRUE(platform::com_io::channel(Prg_Suivi::FocuserChannel()).open);
    mount.clearRecords();
    Prg_Suivi::StartFocuser(0, false);
    ASSERT_TRUE(clickOnScreen(p.BTN_Autoguide_Deconnecter));
    EXPECT_EQ(receivedUntil(":FQ#").join(' ').toStdString(), ":FS# :F-# :FQ#");
    EXPECT_FALSE(platform::com_io::channel(Prg_Suivi::FocuserChannel()).open);
    EXPECT_EQ(enabled(guideButtons) + enabled(focuserButtons), "");
    EXPECT_TRUE(p.BTN_Focus_Connecter->isEnabled());
    mount.clearRecords();
    ASSERT_TRUE(pressOnScreen(FRM_Raquette->BTN_Focus_In));
    releaseOnScreen(FRM_Raquette->BTN_Focus_In);
    EXPECT_TRUE(receivedUntil(":FQ#").contains(":F-#"));
    EXPECT_EQ(enabled(focuserButtons), "BTN_Focus_Deconnecter BTN_In BTN_Out");

    // The automatic focusing moves the focuser at each of its steps: while
    // it runs, neither the focuser's "Deconnecter" nor the guide page's,
    // whose port the focuser shares, closes the port; the message window
    // says to stop it first. Stopped, the focuser's closes it.
    ASSERT_TRUE(clickOnScreen(p.BTN_Autoguide_Connecter));
    ASSERT_TRUE(clickOnScreen(FRM_Raquette->BTN_Demarrer_Autofocus));
    ASSERT_TRUE(clickOnScreen(p.BTN_Focus_Deconnecter));
    ASSERT_TRUE(clickOnScreen(p.BTN_Autoguide_Deconnecter));
    EXPECT_EQ(FRM_Message->MEMO_Message->toPlainText().count(TranslatedTexts.MSG_Deconnexion_Autofocus), 2);
    EXPECT_TRUE(platform::com_io::channel(Prg_Suivi::FocuserChannel()).open);
    EXPECT_EQ(enabled(guideButtons) + " " + enabled(focuserButtons),
              "BTN_Autoguide_Deconnecter BTN_Autoguide_Nord BTN_Autoguide_Sud BTN_Autoguide_Est BTN_Autoguide_Ouest "
              "BTN_Autoguide_Stop BTN_Focus_Deconnecter BTN_In BTN_Out");
    ASSERT_TRUE(clickOnScreen(FRM_Raquette->BTN_Arreter_Autofocus));
    ASSERT_TRUE(clickOnScreen(p.BTN_Focus_Deconnecter));
    EXPECT_FALSE(platform::com_io::channel(Prg_Suivi::FocuserChannel()).open);
    EXPECT_EQ(enabled(guideButtons) + enabled(focuserButtons), "");
}

TEST_F(TelescopePages, ReleaseStopsExactlyWhatThePressStarted)
{
    pref().RDB_Mount_LX200->click();
    pref().CKB_GUIDE_InverseDEC->setChecked(true);

    // A guide correction in between switches the motion source: the release
    // still stops the north move the press started.
    pref().BTN_Mount_NordMouseDown();
    EXPECT_EQ(MotionSource, 0);
    MotionSource = 1;
    pref().BTN_Mount_NordMouseUp();
    QList<QByteArray> seen = receivedUntil(":Qn#");
    EXPECT_TRUE(seen.contains(":Mn#"));
    EXPECT_TRUE(seen.contains(":Qn#"));
    EXPECT_FALSE(seen.contains(":Qs#"));
    EXPECT_EQ(MovingFlags[dirNorth], 0);

    // The guide port's button moves with the guiding's inversions, and its
    // release stops that inverted direction.
    pref().BTN_Autoguide_NordMouseDown();
    EXPECT_EQ(MotionSource, 1);
    MotionSource = 0;
    pref().BTN_Mount_NordMouseUp();
    seen = receivedUntil(":Qs#");
    EXPECT_TRUE(seen.contains(":Ms#"));
    EXPECT_TRUE(seen.contains(":Qs#"));
    EXPECT_EQ(MovingFlags[dirSouth], 0);

    // Hiding the dialog lets go of a held button.
    pref().show();
    pref().BTN_Mount_EstMouseDown();
    EXPECT_EQ(MovingFlags[dirEast], 1);
    pref().hide();
    EXPECT_TRUE(receivedUntil(":Qe#").contains(":Qe#"));
    EXPECT_EQ(MovingFlags[dirEast], 0);
}

TEST_F(TelescopePages, InterfaceButtonsSetTheCodesAndThePages)
{
    // A fresh dialog shows only the group of the interface chosen.
    pref().show();
    EXPECT_FALSE(pref().GRB_Aucun->isHidden());
    for (QWidget* g : {static_cast<QWidget*>(pref().GRB_ASCOM), static_cast<QWidget*>(pref().GRB_InterfaceSerie),
                       static_cast<QWidget*>(pref().GRB_InterfaceParallele)})
        EXPECT_TRUE(g->isHidden()) << g->objectName().toStdString();
    pref().hide();

    pref().RDB_Mount_LX200->click();
    EXPECT_EQ(GuideInterfaceCode, 1);
    EXPECT_EQ(FRM_Raquette->CBX_Rate->count(), 4);
    EXPECT_EQ(FRM_Raquette->CBX_Rate->itemText(3), QStringLiteral("Guide"));
    EXPECT_FALSE(pref().GRB_InterfaceSerie->isHidden());
    EXPECT_TRUE(pref().GRB_Aucun->isHidden());
    EXPECT_TRUE(FRM_Tool_Suivi->RDB_Autoguidage->isEnabled());

    pref().RDB_Autoguide_Marrick->click();
    EXPECT_EQ(GuideInterfaceCode, 3);
    EXPECT_TRUE(pref().SPED_Duree_impulsions->isEnabled());
    pref().RDB_Autoguide_Venner->click();
    EXPECT_EQ(GuideInterfaceCode, 4);
    pref().RDB_Autoguide_KitsRus108->click();
    EXPECT_EQ(GuideInterfaceCode, 5);
    EXPECT_FALSE(pref().BTN_Choix_Relais->isHidden());
    pref().BTN_Choix_RelaisClick();
    EXPECT_FALSE(pref().GRB_Choix_Relais->isHidden());
    pref().BTN_Interface_SetupClick();
    EXPECT_TRUE(pref().GRB_Choix_Relais->isHidden());
    EXPECT_FALSE(pref().GRB_InterfaceSerie->isHidden());
    pref().RDB_Autoguide_Quillon->click();
    EXPECT_EQ(GuideInterfaceCode, 6);
    EXPECT_FALSE(pref().GRB_InterfaceParallele->isHidden());

    // No guide box beside the mount: the mount stays usable.
    pref().RDB_Autoguide_LX200->click();
    pref().RDB_Autoguide_Aucun->click();
    EXPECT_TRUE(pref().BTN_Mount_Connecter->isEnabled());
    EXPECT_FALSE(pref().GRB_InterfaceSerie->isHidden());
    EXPECT_TRUE(FRM_Tool_Suivi->RDB_Autoguidage->isEnabled());

    pref().RDB_Autoguide_Quillon->click();
    pref().RDB_Mount_Aucun->click();
    EXPECT_EQ(GuideInterfaceCode, 6);   // unchanged
    EXPECT_FALSE(pref().BTN_Mount_Connecter->isEnabled());
    EXPECT_FALSE(FRM_Tool_Suivi->RDB_Autoguidage->isEnabled());
    EXPECT_FALSE(pref().GRB_Aucun->isHidden());

    // ASCOM with no bridge to start: said on the page, nothing connects.
    Settings::RegisterHandler(QStringLiteral("AscomBridge.Start"), [] {});
    pref().RDB_Mount_ASCOM->click();
    EXPECT_FALSE(AscomBridge::Running());
    EXPECT_FALSE(pref().LBL_Error_Ascom->text().isEmpty());
    EXPECT_FALSE(pref().GRB_ASCOM->isHidden());
}

TEST_F(TelescopePages, OneBridgeServesEveryAscomButtonAndTheChooserIsAwaited)
{
    struct Bridge final : AscomBridge::Bridge {
        QList<int> signalled;
        bool answer = false;
        void Signal(int r) override { signalled << r; }
        bool WaitDataSet(int) override { return std::exchange(answer, false); }
    } bridge;
    int starts = 0;
    Settings::RegisterHandler(QStringLiteral("AscomBridge.Start"), [&] {
        ++starts;
        AscomBridge::Install(&bridge);
    });
    pref().RDB_Mount_ASCOM->click();
    pref().RDB_Focus_ASCOM->click();
    pref().RDB_Autoguide_ASCOM->click();
    EXPECT_EQ(starts, 1);

    // The chooser: a cancel changes nothing; a choice comes in its own time.
    pref().BTN_Mount_Connecter->setEnabled(true);
    pref().BTN_ChooseClick();
    EXPECT_TRUE(bridge.signalled.contains(AscomBridge::rqChoose));
    bridge.answer = true;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !bridge.answer; }, 10000)) << "the answer looked for";
    EXPECT_TRUE(pref().BTN_Mount_Connecter->isEnabled());
    pref().BTN_ChooseClick();
    QTest::qWait(250);
    AscomBridge::AscomSharedData.Name = QStringLiteral("Simulateur");
    AscomBridge::AscomSharedData.Connected = 1;
    bridge.answer = true;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !bridge.answer; }, 10000));
    EXPECT_EQ(pref().EDT_ASCOM_Telescope->text(), QStringLiteral("Simulateur"));
    EXPECT_FALSE(pref().BTN_Mount_Connecter->isEnabled());
    EXPECT_TRUE(pref().BTN_Mount_Deconnecter->isEnabled());

    // A guide box beside the ASCOM mount keeps the driver; once nothing is on
    // ASCOM any more the bridge ends.
    pref().RDB_Focus_Aucun->click();
    pref().RDB_Autoguide_Marrick->click();
    EXPECT_TRUE(AscomBridge::Running());
    pref().RDB_Mount_LX200->click();
    EXPECT_FALSE(AscomBridge::Running());
    Settings::UnregisterHandler(QStringLiteral("AscomBridge.Start"));
}

TEST_F(TelescopePages, FocuserPortComesFromTheListAndTheStoredIndex)
{
    SettingsFilePath = platform::joinPath(dir.path(), QStringLiteral("NightjarPro.ini"));
    dir.writeFile(QStringLiteral("sports.ini"), "$03F8(COM1)\r\n$02F8(COM2)\r\n      COM3\r\n");
    dir.writeFile(QStringLiteral("NightjarPro.ini"), "[Focus]\r\nAG_Focus_PortSerie=2\r\n");
    pref().RDB_Mount_LX200->click();
    pref().RDB_Focus_LX200->click();
    EXPECT_EQ(pref().CBX_AG_Focus_PortSerie->count(), 3);
    EXPECT_EQ(pref().CBX_AG_Focus_PortSerie->currentText(), QStringLiteral("      COM3"));
    EXPECT_EQ(FocuserInterfaceCode, 1);   // on the mount's port

    dir.writeFile(QStringLiteral("NightjarPro.ini"), "[Focus]\r\nAG_Focus_PortSerie=9\r\n");
    pref().RDB_Focus_Aucun->click();
    pref().RDB_Focus_LX200->click();
    EXPECT_EQ(pref().CBX_AG_Focus_PortSerie->currentIndex(), -1);
    EXPECT_EQ(FocuserInterfaceCode, 2);

    pref().RDB_Focus_Venner->click();
    EXPECT_EQ(FocuserInterfaceCode, 4);
}

TEST_F(TelescopePages, MotorSpeedsFollowTheSiderealCorrectionAndInversions)
{
    pref().TNI_Vitesse_Est->SetValue(5);
    pref().TNI_Vitesse_Ouest->SetValue(10);
    pref().TNI_Vitesse_Nord->SetValue(7);
    pref().TNI_Vitesse_Sud->SetValue(8);
    pref().CKB_GOTO_InverseAD->setChecked(false);
    pref().CKB_Correct_Sid->setChecked(false);
    pref().CKB_Correct_Sid->setChecked(true);
    EXPECT_DOUBLE_EQ(MotorSpeeds.East, 20.041017);
    EXPECT_DOUBLE_EQ(MotorSpeeds.West, 0.1);
    EXPECT_DOUBLE_EQ(MotorSpeeds.North, 7);
    EXPECT_DOUBLE_EQ(MotorSpeeds.South, 8);

    pref().CKB_GOTO_InverseAD->setChecked(true);
    EXPECT_DOUBLE_EQ(MotorSpeeds.East, 0.1);
    EXPECT_DOUBLE_EQ(MotorSpeeds.West, 25.041017);
    EXPECT_TRUE(FRM_Raquette->CKB_GOTO_InverseAD->isChecked());
    EXPECT_TRUE(FRM_Tool_Suivi->findChild<QCheckBox*>(QStringLiteral("CKB_GOTO_InverseAD"))->isChecked());

    pref().CKB_Correct_Sid->setChecked(false);
    EXPECT_DOUBLE_EQ(MotorSpeeds.East, 5);
    EXPECT_DOUBLE_EQ(MotorSpeeds.West, 10);

    // A speed of 0 counts as the slowest one.
    pref().TNI_Vitesse_Nord->SetValue(0);
    pref().TNI_Vitesse_NordExit();
    EXPECT_DOUBLE_EQ(MotorSpeeds.North, 0.1);
}

TEST_F(TelescopePages, AMountThatGoesAwayWhileHeldIsToldOnceAndNothingStaysMoving)
{
    testsupport::ScriptedMount scripted;
    ASSERT_TRUE(scripted.isOpen());
    platform::com_io::SetDevicePath(3, scripted.devicePath());
    pref().RDB_Mount_LX200->click();
    pref().BTN_Mount_Connecter->click();
    QTest::mousePress(pref().BTN_Mount_Nord, Qt::LeftButton);
    Prg_Suivi::StartMotion(dirEast, true, false, 5000);   // a pulse under way
    ASSERT_EQ(MovingFlags[dirEast], 1);
    scripted.hangUp();
    QTest::mouseRelease(pref().BTN_Mount_Nord, Qt::LeftButton);
    EXPECT_EQ(MovingFlags, (std::array<std::uint8_t, 4>{}));
    EXPECT_EQ(reports.size(), 1) << reports.join(u'\n').toStdString();
}

TEST_F(TelescopePages, LearningCalibrationOffsetsAndEndOfGotoHandlers)
{
    // Learning: the four steps in the message window, the assistant at 13.
    pref().BTN_ApprendreClick();
    const QString text = FRM_Message->MEMO_Message->toPlainText();
    EXPECT_TRUE(text.contains(QStringLiteral("1- ") + TranslatedTexts.MSG_MES1)) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("4- ") + TranslatedTexts.MSG_MES4));
    EXPECT_EQ(ProcedureState, 13);
    EXPECT_TRUE(FRM_Tool_Suivi->CKB_Suivi->isChecked());
    EXPECT_FALSE(FRM_Tool_Suivi->RDB_Autoguidage->isChecked());

    // Joystick calibration: anything but OK puts the copy back, joystick off.
    frmJoy->Active = true;
    const auto before = frmJoy->Calibration;
    // The hand pad's button runs the same wizard; Cancel after a full run.
    TfrmJoy::SetAnswerer([](TfrmJoy& joy) {
        for (int i = 0; i < 3; ++i)
            joy.butNext->click();
        joy.Calibration[0].maxValue = 999;
        joy.butCancel->click();
    });
    FRM_Raquette->BTN_Settings_Joystick->click();
    TfrmJoy::SetAnswerer({});
    EXPECT_EQ(frmJoy->Step, 3);
    EXPECT_EQ(frmJoy->Calibration[0].maxValue, before[0].maxValue);
    EXPECT_FALSE(frmJoy->Active);
    EXPECT_FALSE(FRM_Raquette->CKB_Active_Joystick->isChecked());
    const auto installed = Preferences::RunJoystickCalibration;
    Preferences::RunJoystickCalibration = [] { return true; };
    pref().BTN_Calibrate_JoystickClick();
    EXPECT_TRUE(frmJoy->Active);
    Preferences::RunJoystickCalibration = installed;

    // End of goto: a missing file unchecks its box.
    pref().EDT_Fin_GOTO_Son_a_jouer->setText(QStringLiteral("absent.wav"));
    pref().CKB_Fin_Goto_Jouer_un_son->setChecked(true);
    EXPECT_FALSE(pref().CKB_Fin_Goto_Jouer_un_son->isChecked());
    dir.writeFile(QStringLiteral("fin.wav"), "RIFF");
    pref().EDT_Fin_GOTO_Son_a_jouer->setText(dir.filePath(QStringLiteral("fin.wav")));
    pref().CKB_Fin_Goto_Jouer_un_son->setChecked(true);
    EXPECT_TRUE(pref().CKB_Fin_Goto_Jouer_un_son->isChecked());

    // The offset file chosen: loaded, its box checked and enabled.
    dir.writeFile(QStringLiteral("decalage.txt"), "12,34\r\n// note\r\n");
    testsupport::RecordingDialogService dialogs;
    dialogs.openAnswers.push_back(dir.filePath(QStringLiteral("decalage.txt")));
    pref().BBTN_Fichier_DecalageClick();
    EXPECT_TRUE(pref().CKB_Fichier_decalage->isEnabled());
    EXPECT_TRUE(pref().CKB_Fichier_decalage->isChecked());
    dialogs.openAnswers.push_back(dir.filePath(QStringLiteral("absent.txt")));
    pref().BBTN_Fichier_DecalageClick();
    EXPECT_FALSE(pref().CKB_Fichier_decalage->isEnabled());
    EXPECT_FALSE(pref().CKB_Fichier_decalage->isChecked());

    EXPECT_TRUE(Preferences::DirectionName(true, true) == TranslatedTexts.Txt_Lebas);
    EXPECT_TRUE(Preferences::DirectionName(false, false) == TranslatedTexts.Txt_Ouest);
}

TEST_F(TelescopePages, TheHandPadIsRefreshedOnlyWhileShownOnceStartUpHasLoaded)
{
    int refreshes = 0;
    Settings::RegisterHandler(QStringLiteral("Raquette.RefreshControls"), [&] { ++refreshes; });
    StartupPrefsLoaded = false;
    FRM_Raquette->show();
    pref().RDB_Mount_LX200->click();
    EXPECT_EQ(refreshes, 0);
    StartupPrefsLoaded = true;
    pref().RDB_Autoguide_Marrick->click();
    EXPECT_EQ(refreshes, 1);
    FRM_Raquette->hide();
    pref().RDB_Autoguide_Venner->click();
    EXPECT_EQ(refreshes, 1);
    pref().RDB_Focus_Venner->click();   // focuser buttons never refresh it
    EXPECT_EQ(refreshes, 1);
    Settings::UnregisterHandler(QStringLiteral("Raquette.RefreshControls"));
    StartupPrefsLoaded = false;
}

// A click on the focuser's test buttons that would leave a field holding an
// entry it refuses starts nothing: with the box answered by the mouse (which
// took the release) "In" is not left drawn down with the focuser moving in,
// and with the release coming after the box "Out" runs no move either. Once
// the entry is mended the buttons move the focuser and stop it.
TEST_F(TelescopePages, AClickThatLeavesARefusedEntryStartsNoFocuserMove)
{
    TFRM_Pref& p = pref();
    p.RDB_Mount_LX200->click();
    ASSERT_TRUE(clickOnScreen(p.BTN_Mount_Connecter));
    p.RDB_Focus_LX200->click();
    ASSERT_TRUE(clickOnScreen(p.BTN_Focus_Connecter));
    ASSERT_TRUE(p.BTN_In->isEnabled());
    ASSERT_TRUE(settle());
    p.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&p));
    ASSERT_TRUE(clickOnScreen(p.TNI_FWHM_Stop));
    ASSERT_EQ(QApplication::focusWidget(), p.TNI_FWHM_Stop);
    p.TNI_FWHM_Stop->selectAll();
    QTest::keyClicks(p.TNI_FWHM_Stop, QStringLiteral("1e"));
    mount.clearRecords();
    const QString refused = QStringLiteral("'1e' n'est pas une valeur numérique valable.");
    {
        testsupport::ScreenBoxes screen;
        ASSERT_TRUE(pressOnScreen(p.BTN_In));
        QTest::qWait(60);
        EXPECT_FALSE(p.BTN_In->isDown());
        EXPECT_EQ(screen.texts, QStringList{refused});
    }
    ASSERT_TRUE(clickOnScreen(p.BTN_Out));
    EXPECT_EQ(boxes.texts(), QStringList{refused});
    EXPECT_EQ(receivedUntil(":F-#", 400), QList<QByteArray>{});
    EXPECT_EQ(p.focusWidget(), p.TNI_FWHM_Stop);

    p.TNI_FWHM_Stop->selectAll();
    QTest::keyClicks(p.TNI_FWHM_Stop, QStringLiteral("3.5"));
    ASSERT_TRUE(pressOnScreen(p.BTN_In));
    releaseOnScreen(p.BTN_In);
    EXPECT_EQ(receivedUntil(":FQ#"), (QList<QByteArray>{":FS#", ":F-#", ":FQ#"}));
    EXPECT_EQ(p.TNI_FWHM_Stop->Value(), 3.5L);
}
