// Motor-speed profiles of the Preferences dialog's speed page.

#include "settings_store_fixture.h"

#include "app/frm_pref.h"
#include "app/profiles.h"
#include "telescope/mount_state.h"
#include "telescope/frm_object_action.h"
#include "telescope/frm_raquette.h"

#include <QAbstractItemView>
#include <QTest>

class SpeedProfiles : public SettingsStore {
protected:
    void SetUp() override
    {
        SettingsStore::SetUp();
        writeSettings("[Vitesse_Moteur.A]\r\nAG_Vitesse_Est=1000\r\n"
                      "[Vitesse_Moteur.B]\r\nAG_Vitesse_Est=2000\r\nCKB_Correct_SID=0\r\n"
                      "[Vitesse_Moteur.C]\r\nAG_Vitesse_Est=3000\r\nCKB_Correct_SID=0\r\n");
        combo()->clear();
        combo()->addItems({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
        ProfileComboTouched = false;
    }
    QComboBox* combo() { return FRM_Pref->CBX_Vitesse_Moteur; }
    double east() { return double(FRM_Pref->TNI_Vitesse_Est->Value()); }
};

TEST_F(SpeedProfiles, OnlyATouchedComboLoadsAndTheSpeedsFollow)
{
    FRM_Pref->TNI_Vitesse_Est->SetValue(9);
    combo()->setCurrentIndex(1);
    FRM_Pref->CBX_Vitesse_MoteurChange();   // a typed or set name loads nothing
    EXPECT_EQ(east(), 9);
    EXPECT_EQ(CurrentSpeedProfileName, QStringLiteral("B"));

    FRM_Pref->CBX_Vitesse_MoteurKeyDown(40);
    EXPECT_TRUE(ProfileComboTouched);
    FRM_Pref->CBX_Vitesse_MoteurChange();
    EXPECT_FALSE(ProfileComboTouched);
    EXPECT_EQ(east(), 2);
    EXPECT_DOUBLE_EQ(MotorSpeeds.East, 2);   // the exits ran

    // The arrow keys in the combo itself.
    combo()->setFocus();
    QTest::keyClick(combo(), Qt::Key_Down);
    EXPECT_EQ(combo()->currentText(), QStringLiteral("C"));
    EXPECT_EQ(east(), 3);
    EXPECT_EQ(CurrentSpeedProfileName, QStringLiteral("C"));
}

TEST_F(SpeedProfiles, AddSaveAndEraseKeepTheListAndTheFileInStep)
{
    combo()->setEditText(QStringLiteral("D"));
    FRM_Pref->TNI_Vitesse_Est->SetValue(4);
    FRM_Pref->BTN_Nouveau_VitesseClick();
    EXPECT_EQ(combo()->count(), 4);
    // The list stays sorted, letter case aside.
    combo()->setEditText(QStringLiteral("b2"));
    FRM_Pref->BTN_Nouveau_VitesseClick();
    EXPECT_EQ(combo()->itemText(2), QStringLiteral("b2"));
    combo()->setCurrentIndex(2);
    FRM_Pref->BTN_Sup_VitesseClick();
    EXPECT_EQ(combo()->count(), 4);
    EXPECT_EQ(file().readString(QStringLiteral("Vitesse_Moteur.D"), QStringLiteral("AG_Vitesse_Est"), {}),
              QStringLiteral("4000"));

    // Erasing B selects and loads C, the entry that followed it.
    combo()->setCurrentIndex(1);
    FRM_Pref->BTN_Sup_VitesseClick();
    EXPECT_FALSE(file().readSections().contains(QStringLiteral("Vitesse_Moteur.B")));
    EXPECT_EQ(combo()->currentText(), QStringLiteral("C"));
    EXPECT_EQ(east(), 3);

    // Erasing the last entry chooses none and loads nothing: the speeds in
    // use stay.
    combo()->setCurrentIndex(combo()->count() - 1);
    ProfileComboTouched = true;
    FRM_Pref->CBX_Vitesse_MoteurChange();
    ASSERT_EQ(east(), 4);
    FRM_Pref->BTN_Sup_VitesseClick();
    EXPECT_EQ(combo()->currentText(), QString());
    EXPECT_EQ(east(), 4);
    EXPECT_EQ(combo()->count(), 2);
    EXPECT_EQ(CurrentSpeedProfileName, QString());

    // The guiding page's save button saves the speed profile too.
    combo()->setCurrentIndex(0);
    FRM_Pref->TNI_Vitesse_Est->SetValue(6);
    FRM_Pref->BTN_Enregistrer_AutoguidageClick();
    EXPECT_EQ(file().readString(QStringLiteral("Vitesse_Moteur.A"), QStringLiteral("AG_Vitesse_Est"), {}),
              QStringLiteral("6000"));
}

TEST_F(SpeedProfiles, LeavingTheComboHandsTheNameToTheOtherWindowsInOrder)
{
    QStringList order;
    for (const char* w : {"FRM_ObjectAction", "FRM_Planificateur", "FRM_Raquette"})
        Settings::RegisterHandler(QString::fromLatin1(w) + QStringLiteral(".CBX_Vitesse_MoteurChange"),
                                  [&order, w] { order << QString::fromLatin1(w); });
    FRM_Raquette->CBX_Vitesse_Moteur->addItems({QStringLiteral("A"), QStringLiteral("C")});
    combo()->setCurrentIndex(2);
    FRM_Pref->CBX_Vitesse_MoteurExit();
    EXPECT_EQ(order, (QStringList{"FRM_ObjectAction", "FRM_Planificateur", "FRM_Raquette"}));
    EXPECT_EQ(FRM_Raquette->CBX_Vitesse_Moteur->currentText(), QStringLiteral("C"));
    EXPECT_EQ(FRM_ObjectAction->CBX_Vitesse_Moteur->currentText(), QStringLiteral("C"));
    for (const char* w : {"FRM_ObjectAction", "FRM_Planificateur", "FRM_Raquette"})
        Settings::UnregisterHandler(QString::fromLatin1(w) + QStringLiteral(".CBX_Vitesse_MoteurChange"));
}

TEST_F(SpeedProfiles, TheGotoDialogFollowsTheNameThroughItsOwnHandler)
{
    combo()->setCurrentIndex(1);
    FRM_Pref->CBX_Vitesse_MoteurExit();
    EXPECT_EQ(FRM_ObjectAction->CBX_Vitesse_Moteur->currentText(), QStringLiteral("B"));
    EXPECT_EQ(CurrentSpeedProfileName, QStringLiteral("B"));
}

// The speed lists of the hand pad and of the goto dialog: a name chosen from
// the opened list loads that profile, as in the Preferences.
TEST_F(SpeedProfiles, ChoosingFromTheHandPadOrTheGotoDialogListLoadsTheSpeeds)
{
    auto choose = [](QComboBox* list, int index) {
        list->showPopup();   // the user opens the list...
        QAbstractItemView* view = list->view();
        view->setCurrentIndex(view->model()->index(index, 0));
        QTest::keyClick(view, Qt::Key_Return);   // ...and takes an entry
        ASSERT_EQ(list->currentIndex(), index);
    };

    FRM_Raquette->FormActivate();
    FRM_Pref->TNI_Vitesse_Est->SetValue(9);
    choose(FRM_Raquette->CBX_Vitesse_Moteur, 1);
    EXPECT_EQ(combo()->currentText(), QStringLiteral("B"));
    EXPECT_EQ(east(), 2);
    EXPECT_DOUBLE_EQ(MotorSpeeds.East, 2);
    EXPECT_FALSE(ProfileComboTouched);

    // The goto dialog's estimate is timed with the chosen speeds.
    GotoDistanceRA = -3600;   // an hour of arc to the east
    GotoDistanceDec = 0;
    FRM_ObjectAction->FormActivate();
    choose(FRM_ObjectAction->CBX_Vitesse_Moteur, 2);
    EXPECT_EQ(combo()->currentText(), QStringLiteral("C"));
    EXPECT_EQ(east(), 3);
    EXPECT_DOUBLE_EQ(MotorSpeeds.East, 3);
    EXPECT_EQ(FRM_ObjectAction->EDT_Tps_Estime->text(), QStringLiteral("1200"));
    EXPECT_EQ(CurrentSpeedProfileName, QStringLiteral("C"));
    choose(FRM_ObjectAction->CBX_Vitesse_Moteur, 0);
    EXPECT_EQ(FRM_ObjectAction->EDT_Tps_Estime->text(), QStringLiteral("3600"));

    // A profile the hand pad takes times the goto dialog's estimate too.
    choose(FRM_Raquette->CBX_Vitesse_Moteur, 1);
    EXPECT_EQ(FRM_ObjectAction->CBX_Vitesse_Moteur->currentText(), QStringLiteral("B"));
    EXPECT_EQ(FRM_ObjectAction->EDT_Tps_Estime->text(), QStringLiteral("1800"));
    GotoDistanceRA = 0;
}
