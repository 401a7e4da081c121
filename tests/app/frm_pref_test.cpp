// Behaviour of the Preferences dialog's handlers: OK, the long-exposure test
// buttons on the simulated port, folders, the debug log, sounds, colours.

#include "app/controls/color_panel.h"
#include "app/frm_message.h"
#include "app/frm_pref.h"
#include "app/profiles.h"
#include "app/settings.h"
#include "app/systeme.h"
#include "capture/long_exposure.h"
#include "platform/port_access_sim.h"
#include "program_windows_fixture.h"
#include "support/user_input.h"
#include "telescope/frm_sky.h"
#include "tools/frm_tool_images.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// The dialog with its port writes recorded, on a simulated open port.
class PortPref : public TFRM_Pref {
public:
    QStringList labels;

protected:
    bool WritePort(std::uint16_t port, std::uint8_t value, const QString& label) override
    {
        labels << label;
        return TFRM_Pref::WritePort(port, value, label);
    }
};

struct PrefEnv : ::testing::Test {
    testsupport::TempProgramDir dir;
    testsupport::RecordingMessageService boxes;
    testsupport::RecordingDialogService dialogs;
    platform::SimulatedPortAccess ports;
    PrefEnv() { platform::setPortAccess(&ports); }
    ~PrefEnv() override
    {
        Systeme::ClosePortDriver();
        platform::setPortAccess(nullptr);
        TLog::Close(DebugLog);
    }
};

std::vector<int> written(const platform::SimulatedPortAccess& ports, std::uint16_t address)
{
    std::vector<int> values;
    for (const auto& w : ports.writes())
        if (w.address == address)
            values.push_back(w.value);
    return values;
}

} // namespace

TEST_F(PrefEnv, TestButtonsWriteTheirPatternsWithTheirLabels)
{
    ASSERT_TRUE(Systeme::OpenPortDriver());
    PortPref w;
    w.CBX_Vesta_Port->addItem(QStringLiteral("$0378 (LPT1)"));
    w.TNI_Amp_ActiveValue->SetValue(0);
    w.TNI_Bit_Longexp_Active->SetValue(9);   // data bit 7

    w.EDT_TestValue->setText(QStringLiteral("11111110"));
    w.BTN_TestWrite->click();
    w.BTN_TestPlus->click();   // 255
    w.BTN_TestPlus->click();   // stays at 255: nothing written
    w.BTN_Start_Pose->click(); // every line at the opposite of its level
    EXPECT_EQ(w.EDT_TestValue->text(), QStringLiteral("00000100"));
    w.BTN_Stop_Pose->click();  // every line at its active level
    EXPECT_EQ(w.EDT_TestValue->text(), QStringLiteral("10000011"));
    EXPECT_EQ(written(ports, 0x378), (std::vector<int>{254, 255, 4, 131}));
    EXPECT_EQ(w.labels, (QStringList{"Write", "Write", "Test_Start_Pose", "Test_Stop_Pose"}));

    w.EDT_TestValue->setText(QStringLiteral("00000000"));
    w.BTN_TestWrite->click();
    w.BTN_TestMoins->click();   // at 0: nothing
    EXPECT_EQ(written(ports, 0x378).size(), 5u);
    EXPECT_EQ(LongExposureTestByte, 0);

    // Serial lines: the test buttons write nothing.
    w.RDB_QV_Serial->setChecked(true);
    w.BTN_Stop_Pose->click();
    w.BTN_TestPlus->click();
    EXPECT_EQ(ports.writes().size(), 5u);
    EXPECT_TRUE(boxes.shown.empty());
}

// A port that cannot be written (the ports shut; a ports.map line to a
// device that is not there) is told at each press, and the field and the
// byte "+" steps from stay the last ones written.
TEST_F(PrefEnv, TestButtonsOnAPortThatCannotBeWrittenTellItAndShowNothingAsWritten)
{
    const auto pressAll = [&](PortPref& w) {
        w.CBX_Vesta_Port->addItem(QStringLiteral("$0378 (LPT1)"));
        LongExposureTestByte = 0;
        w.EDT_TestValue->setText(QStringLiteral("00000011"));
        boxes.clear();
        for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{w.BTN_TestWrite, w.BTN_TestPlus,
                                                                          w.BTN_Start_Pose, w.BTN_Stop_Pose})
            testsupport::click(b);
        EXPECT_EQ(boxes.shown.size(), 4u);
        for (const auto& box : boxes.shown)
            EXPECT_TRUE(box.text.contains(QStringLiteral("0378"))) << box.text.toStdString();
        EXPECT_EQ(w.EDT_TestValue->text(), QStringLiteral("00000011"));
        EXPECT_EQ(LongExposureTestByte, 0);
    };
    {
        PortPref w;   // the ports not opened
        pressAll(w);
        EXPECT_TRUE(ports.writes().empty());
    }
    // The machine's own port access, its map naming a device that is gone.
    dir.writeFile(QStringLiteral("ports.map"), "378=" + dir.filePath(QStringLiteral("parport-gone")).toUtf8() + "\n");
    platform::setPortAccess(nullptr);
    Systeme::OpenPortDriver();
    PortPref w;
    pressAll(w);
}

TEST_F(PrefEnv, PortTextWithoutAddressIsRefusedWithAMessage)
{
    ASSERT_TRUE(Systeme::OpenPortDriver());
    PortPref w;
    for (const QString& text : {QString(), QStringLiteral("      COM3"), QStringLiteral("LPT1"), QStringLiteral("$")}) {
        w.CBX_Vesta_Port->clear();
        w.CBX_Vesta_Port->addItem(text);
        boxes.clear();
        w.BTN_Stop_Pose->click();
        EXPECT_EQ(boxes.shown.size(), 1u) << text.toStdString();
    }
    EXPECT_TRUE(ports.writes().empty());
    EXPECT_TRUE(w.labels.isEmpty());
    EXPECT_EQ(w.EDT_TestValue->text(), QStringLiteral("00000000"));   // nothing shown as written
    EXPECT_FALSE(w.VestaPortAddress());

    // A test value that is no byte is refused as well.
    w.CBX_Vesta_Port->clear();
    w.CBX_Vesta_Port->addItem(QStringLiteral("$0278(LPT2)"));
    EXPECT_EQ(w.VestaPortAddress(), std::optional<std::uint16_t>(0x278));
    boxes.clear();
    w.EDT_TestValue->setText(QStringLiteral("1020"));
    w.BTN_TestWrite->click();
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(ports.writes().empty());
}

TEST_F(PrefEnv, FoldersAreCompletedWhenEditingFinishes)
{
    TFRM_Pref w;
    QLineEdit* scripts = w.EDT_Repertoire_Scripts;
    scripts->clear();
    QTest::keyClicks(scripts, "Mes\\Scripts");
    EXPECT_EQ(scripts->text(), QStringLiteral("Mes\\Scripts"));   // nothing added while typing
    QTest::keyClick(scripts, Qt::Key_Return);
    EXPECT_EQ(scripts->text(), QStringLiteral("Mes/Scripts/"));
    EXPECT_EQ(w.ScriptsFolder(), dir.path() + QStringLiteral("/Mes/Scripts/"));

    // Cleared folders take their own defaults (the sounds folder its own).
    for (QLineEdit* e : {w.EDT_Repertoire_Sons, w.EDT_Repertoire_Scripts, w.EDT_Repertoire_Bitmaps}) {
        e->setText(QStringLiteral("x"));
        e->clear();
        emit e->editingFinished();
    }
    EXPECT_EQ(w.EDT_Repertoire_Sons->text(), dir.path() + QStringLiteral("/Sounds/"));
    EXPECT_EQ(w.EDT_Repertoire_Scripts->text(), dir.path() + QStringLiteral("/Scripts/"));
    EXPECT_EQ(w.EDT_Repertoire_Bitmaps->text(), dir.path() + QStringLiteral("/Bitmaps/"));

    // A folder read while its edit is empty or unfinished is complete too.
    w.EDT_Repertoire_Icones->setText(QStringLiteral("Astro\\Icones"));
    w.EDT_Repertoire_Filtres->clear();
    EXPECT_EQ(w.FiltersFolder(), dir.path() + QStringLiteral("/Filters/"));

    // The filters' folder button browses the filters' folder.
    dialogs.folderAnswers.push_back(dir.path() + QStringLiteral("/Filtres"));
    w.BBTN_Repertoire_Filtres->click();
    EXPECT_EQ(w.EDT_Repertoire_Filtres->text(), dir.path() + QStringLiteral("/Filtres/"));
    EXPECT_EQ(w.IconsFolder(), dir.path() + QStringLiteral("/Astro/Icones/"));
}

TEST_F(PrefEnv, DebugLogAlwaysInTheProgramDirectory)
{
    TFRM_Pref w;
    QTemporaryDir elsewhere;
    QDir::setCurrent(elsewhere.path());   // a file dialog may have moved it
    w.CKB_Debug->setChecked(true);
    ASSERT_TRUE(DebugLog);
    EXPECT_EQ(DebugLog->fileName(), dir.filePath(QStringLiteral("Debug.log")));
    EXPECT_EQ(DebugLog->mode(), LogTimeMode::FromStart);
    EXPECT_TRUE(dir.exists(QStringLiteral("Debug.log")));
    w.CKB_Debug->setChecked(false);
    EXPECT_FALSE(DebugLog);

    // A log that cannot be created leaves the box unchecked, told once.
    QDir(dir.path()).remove(QStringLiteral("Debug.log"));
    QDir(dir.path()).mkdir(QStringLiteral("Debug.log"));
    w.CKB_Debug->setChecked(true);
    EXPECT_FALSE(DebugLog);
    EXPECT_FALSE(w.CKB_Debug->isChecked());
    EXPECT_EQ(boxes.shown.size(), 1u);
}

// The boxes that need a file refuse a click while it is missing, at every
// click, and take the first click once it is there.
TEST_F(PrefEnv, BoxesNeedingAFileRefuseEveryClickUntilItExists)
{
    TFRM_Pref w;
    w.show();
    const struct {
        QCheckBox* box;
        QLineEdit* edit;
        const char* file;
    } needing[] = {{w.CKB_Jouer_un_son, w.EDT_Son_a_jouer, "Sounds/bip.wav"},
                   {w.CKB_Fin_Goto_Jouer_un_son, w.EDT_Fin_GOTO_Son_a_jouer, "Sounds/fin.wav"},
                   {w.CKB_Fin_GOTO_ExecuteScript, w.EDT_Fin_GOTO_Script, "Scripts/fin.script"}};
    for (const auto& n : needing) {
        // The box's page in front, as the user sees it.
        for (QWidget* p = n.box; p->parentWidget(); p = p->parentWidget())
            if (auto* pages = qobject_cast<QStackedWidget*>(p->parentWidget()))
                pages->setCurrentWidget(p);
        const auto click = [&] { QTest::mouseClick(n.box, Qt::LeftButton, {}, QPoint(8, n.box->height() / 2)); };
        const QString path = dir.filePath(QString::fromLatin1(n.file));
        n.edit->setText(path);
        click();
        click();
        EXPECT_FALSE(n.box->isChecked()) << n.file;
        dir.writeFile(QString::fromLatin1(n.file), "RIFF");
        click();
        EXPECT_TRUE(n.box->isChecked()) << n.file;
    }
}

TEST_F(PrefEnv, SoundAndStartupScriptMustExist)
{
    TFRM_Pref w;
    dir.writeFile(QStringLiteral("Sounds/bip.wav"), "RIFF");
    w.EDT_Son_a_jouer->setText(dir.filePath(QStringLiteral("Sounds/bip.wav")));
    w.CKB_Jouer_un_son->setChecked(true);
    EXPECT_TRUE(w.CKB_Jouer_un_son->isChecked());
    w.EDT_Son_a_jouer->setText(QStringLiteral("absent.wav"));   // from code: no check
    EXPECT_TRUE(w.CKB_Jouer_un_son->isChecked());
    QTest::keyClicks(w.EDT_Son_a_jouer, "x");                   // the user's edit
    EXPECT_FALSE(w.CKB_Jouer_un_son->isChecked());

    // The sound dialog opens in the sounds folder when no sound is named.
    w.EDT_Son_a_jouer->clear();
    w.CKB_Jouer_un_son->setChecked(false);
    dialogs.openAnswers.push_back(dir.filePath(QStringLiteral("Sounds/bip.wav")));
    w.BTN_ChargeSon->click();
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(dialogs.requests[0].directory, dir.path() + QStringLiteral("/Sounds/"));
    EXPECT_EQ(w.EDT_Son_a_jouer->text(), dir.filePath(QStringLiteral("Sounds/bip.wav")));

    dir.writeFile(QStringLiteral("Scripts/start.script"), "wait(1)\r\n");
    w.EDT_Startup_Script->setText(QStringLiteral("start.script"));
    w.CKB_Startup_Script->setChecked(true);
    EXPECT_TRUE(w.CKB_Startup_Script->isChecked());
    w.EDT_Startup_Script->setText(QStringLiteral("autre.script"));
    EXPECT_FALSE(w.CKB_Startup_Script->isChecked());
}

TEST_F(PrefEnv, HandlersKeepTheirValues)
{
    TFRM_Pref w;
    w.SCB_Precision_MAP->setValue(950);
    w.SCB_Finesse_Selection->setValue(81);
    EXPECT_EQ(w.TNI_Precision_MAP->Value(), 950);
    EXPECT_NEAR(double(FocusTolerance), 0.05, 1e-12);
    EXPECT_EQ(w.TNI_Finesse_Selection->Value(), 20);

    ProfileComboTouched = false;
    w.CBX_Camera->addItem(QStringLiteral("Defaut"));
    w.CBX_Camera->showPopup();   // opening a profile list arms the next change
    EXPECT_TRUE(ProfileComboTouched);
    w.CBX_Camera->hidePopup();
    w.CKB_VestaMod->setChecked(true);
    EXPECT_TRUE(w.PGC_Preferences->isTabVisible(w.PGC_Preferences->indexOf(w.TBS_Poselongue)));

    // Port lists: the serial list is read; a missing list gives an empty
    // combo and a note in the message window.
    dir.writeFile(QStringLiteral("SPORTS.INI"), "$03F8(COM1)\r\n$02F8(COM2)\r\n");
    w.RDB_QV_Serial->setChecked(true);
    EXPECT_EQ(w.CBX_Vesta_Port->count(), 2);
    EXPECT_EQ(w.CBX_Vesta_Port->currentText(), QStringLiteral("$03F8(COM1)"));
    w.RDB_QV_Parallel->setChecked(true);
    EXPECT_EQ(w.CBX_Vesta_Port->count(), 0);
    EXPECT_TRUE(boxes.shown.empty());

    // A colour panel takes the colour chosen in the colour dialog.
    w.show();
    w.PGC_Preferences->setCurrentWidget(w.TBS_Carte);
    dialogs.colorAnswers.push_back(128);
    QTest::mouseClick(w.PNL_Carte_Couleur_Gx, Qt::LeftButton);
    EXPECT_EQ(dialogs.colorRequests, std::vector<std::int32_t>{255});
    EXPECT_EQ(w.PNL_Carte_Couleur_Gx->Color(), 128);
}

TEST_F(ProgramWindows, OkAppliesSavesAndRedrawsTheChartOnlyFromItsPage)
{
    SettingsFilePath = dir.filePath(QStringLiteral("NightjarPro.ini"));
    FRM_Pref->CBX_Vesta_Port->addItem(QStringLiteral("$0278 (LPT2)"));
    FRM_Pref->CBX_Ligne_guidage->setCurrentIndex(2);
    FRM_Pref->show();
    FRM_Pref->BTN_OK->click();
    EXPECT_TRUE(FRM_Pref->isHidden());
    EXPECT_FALSE(FRM_Sky->isVisible());
    EXPECT_TRUE(dir.exists(QStringLiteral("NightjarPro.ini")));
    EXPECT_EQ(LongExposureParams.PortAddress, std::optional<std::uint16_t>(0x278));
    EXPECT_EQ(LongExposureParams.GuideLineBit, 1);
    EXPECT_EQ(LongExposureParams.InterposeMs, 100);

    FRM_Pref->show();
    FRM_Pref->PGC_Preferences->setCurrentWidget(FRM_Pref->TBS_Carte);
    FRM_Pref->BTN_OK->click();
    EXPECT_TRUE(FRM_Sky->isVisible());

    // Tool bars of the main window and its long-exposure commands.
    FRM_Pref->RDB_WM_Expert->setChecked(true);
    EXPECT_FALSE(FRM_Alv->PNL_Toolbar_Expert->isHidden());
    EXPECT_TRUE(FRM_Alv->PNL_Toolbar_Beginner->isHidden());
    EXPECT_TRUE(FRM_Pref->GRB_MenuTabPosition->isHidden());
    FRM_Pref->RDB_WM_Beginner->setChecked(true);
    EXPECT_FALSE(FRM_Alv->PNL_Toolbar_Beginner->isHidden());
    EXPECT_FALSE(FRM_Pref->GRB_MenuTabPosition->isHidden());
    FRM_Alv->MNU_Cam1_PoseLongue->setEnabled(false);
    FRM_Pref->CKB_VestaMod->setChecked(true);
    EXPECT_TRUE(FRM_Alv->MNU_Cam1_PoseLongue->isEnabled());

    // A save that fails is reported once and the dialog stays open.
    QFile::remove(SettingsFilePath);
    QDir(dir.path()).mkdir(QStringLiteral("NightjarPro.ini"));
    FRM_Pref->show();
    FRM_Pref->BTN_OK->click();
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(FRM_Pref->isVisible());
}

TEST_F(ProgramWindows, ProfilesAreListedOnlyWhenSavedAndLoadedOnlyFromTheList)
{
    SettingsFilePath = dir.filePath(QStringLiteral("NightjarPro.ini"));
    TFRM_Pref& p = *FRM_Pref;
    p.CBX_Optique->setEditText(QStringLiteral("C8 f/10"));   // "/" cannot be part of a section name
    p.BTN_Nouveau_Optique->click();
    EXPECT_EQ(p.CBX_Optique->count(), 0);
    EXPECT_EQ(boxes.shown.size(), 1u);

    p.TNI_Focale->SetValue(1000);
    p.CBX_Optique->setEditText(QStringLiteral("C8"));
    p.BTN_Nouveau_Optique->click();
    p.CBX_Optique->setEditText(QStringLiteral("Apo"));
    p.TNI_Focale->SetValue(500);
    p.BTN_Nouveau_Optique->click();
    EXPECT_EQ(p.CBX_Optique->itemText(0), QStringLiteral("Apo"));   // kept sorted
    EXPECT_EQ(Profiles::ListProfiles(QStringLiteral("Optique.")), (QStringList{"C8", "Apo"}));

    // Choosing from the opened list loads the profile; a typed name does not.
    p.CBX_Optique->setCurrentIndex(1);
    p.CBX_OptiqueChange();
    EXPECT_EQ(p.TNI_Focale->Value(), 500);
    ProfileComboTouched = true;
    p.CBX_OptiqueChange();
    EXPECT_EQ(p.TNI_Focale->Value(), 1000);
    EXPECT_FALSE(ProfileComboTouched);

    p.BTN_Sup_Optique->click();
    EXPECT_EQ(p.CBX_Optique->findText(QStringLiteral("C8")), -1);
    EXPECT_EQ(Profiles::ListProfiles(QStringLiteral("Optique.")), QStringList{"Apo"});
}

// A click that would leave a field of the dialog holding an entry it
// refuses is refused with it, whatever it lands on: another page's tab
// brings the field's page back with the field focused and its entry
// selected, and "OK" neither closes the dialog nor applies the value the
// field kept. Once mended, the same clicks go through.
TEST_F(ProgramWindows, AClickThatLeavesARefusedEntryOfTheDialogKeepsItsPageAndTheDialog)
{
    TFRM_Pref& p = *FRM_Pref;
    p.PGC_Preferences->setCurrentWidget(p.TBS_Optique);
    p.show();
    p.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&p));
    QTest::mouseClick(p.TNI_Focale, Qt::LeftButton);
    ASSERT_EQ(QApplication::focusWidget(), p.TNI_Focale);
    const long double focal = p.TNI_Focale->Value();
    p.TNI_Focale->selectAll();
    QTest::keyClicks(p.TNI_Focale, QStringLiteral("1e"));
    QTabBar* tabs = p.PGC_Preferences->tabBar();
    const auto clickTab = [&](QWidget* page) {
        const QPoint at = tabs->tabRect(p.PGC_Preferences->indexOf(page)).center();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, at);
        QCoreApplication::processEvents();
    };

    clickTab(p.TBS_Monture);
    EXPECT_EQ(p.PGC_Preferences->currentWidget(), p.TBS_Optique);
    EXPECT_EQ(p.focusWidget(), p.TNI_Focale);
    EXPECT_EQ(p.TNI_Focale->selectedText(), "1e");
    QTest::mouseClick(p.BTN_OK, Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_TRUE(p.isVisible());
    EXPECT_FALSE(p.BTN_OK->isDown());
    EXPECT_EQ(boxes.texts(), QStringList(2, QStringLiteral("'1e' n'est pas une valeur numérique valable.")));
    EXPECT_EQ(p.TNI_Focale->Value(), focal);

    QTest::keyClicks(p.TNI_Focale, QStringLiteral("1500"));
    clickTab(p.TBS_Monture);
    EXPECT_EQ(p.PGC_Preferences->currentWidget(), p.TBS_Monture);
    EXPECT_EQ(p.TNI_Focale->Value(), 1500);
    EXPECT_EQ(boxes.shown.size(), 2u);
}
