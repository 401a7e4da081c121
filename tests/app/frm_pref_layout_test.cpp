// The Preferences dialog's layout: every control that settings, scripts and
// other windows look up by name exists with that name, its kind and its
// design default.

#include "app/controls/color_panel.h"
#include "app/controls/num_inp.h"
#include "app/frm_pref.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabWidget>
#include <cmath>
#include <gtest/gtest.h>

namespace {

template <class T>
T* control(const QWidget& w, const QString& name)
{
    T* c = w.findChild<T*>(name);
    EXPECT_TRUE(c) << name.toStdString();
    return c;
}

template <class T>
void expectKind(const QWidget& w, const QString& names)
{
    for (const QString& n : names.split(u' ', Qt::SkipEmptyParts))
        control<T>(w, n);
}

QStringList tabTitles(const QTabWidget* tabs)
{
    QStringList titles;
    for (int i = 0; tabs && i < tabs->count(); ++i)
        titles << tabs->widget(i)->objectName() + u'=' + tabs->tabText(i);
    return titles;
}

const QStringList kChartClasses = {"Etoile", "Gx", "OC", "Gb", "Nb", "Pl", "C_N", "Galcl", "Autres"};

} // namespace

TEST(PrefLayout, PagesInTabOrder)
{
    TFRM_Pref w;
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Preferences"));
    EXPECT_EQ(tabTitles(w.PGC_Preferences).join(u'|'),
              "TBS_General=General|TBS_Repertoires=Répertoires/Disque|TBS_Optique=Optique|TBS_Monture=Monture|"
              "TBS_Telescope=Controle du Telescope|TBS_Camera=Camera|TBS_Poselongue=Longues Poses|"
              "TBS_MES=Mise en Station|TBS_Selection=Selection d'images|TBS_MAP=Mise au point|TBS_Langue=Langue|"
              "TBS_Network=Réseau/DDE|TBS_Carte=Carte|TBS_Mire=Mire|TBS_NiteColors=Couleurs Nuit|TBS_Scripts=Scripts");
    EXPECT_EQ(tabTitles(control<QTabWidget>(w, "PGC_Ctrl_Telescope")).join(u'|'),
              "TBS_Interfaces=Interfaces|TBS_Autoguidage_GOTO=Autoguidage/GOTO|"
              "TBS_Vitesse_Moteurs=Vitesse des moteurs (Sec.Arc/seconde)|TBS_GOTO=GOTO|TBS_Inversions=Inversions|"
              "TBS_Joystick=Joystick");
    EXPECT_EQ(tabTitles(control<QTabWidget>(w, "PGC_Ctrl")).join(u'|'),
              "TBS_Ctrl_Monture=Monture|TBS_Ctrl_MAP=Mise au point|TBS_Ctrl_Autoguide=Autoguidage|TabSheet1=Porte-filtres");
    // The long-exposure page shows only with the camera modification.
    EXPECT_FALSE(w.PGC_Preferences->isTabVisible(w.PGC_Preferences->indexOf(w.TBS_Poselongue)));
}

TEST(PrefLayout, ControlsByNameAndKind)
{
    TFRM_Pref w;
    expectKind<QCheckBox>(w, "CKB_Multi_CPU CKB_Arreter_Sauvegarde CKB_Jouer_un_son CKB_TailleMaxVideo "
                             "CKB_Msg_FichierExiste CKB_Barlow CKB_Reducteur CKB_RenvoiCoude CKB_VestaMod CKB_Raw "
                             "CKB_LongueposePermanent CKB_Inverse_Az CKB_Inverse_Alt CKB_Gx_E CKB_Gx_S CKB_Gx_SB CKB_Gx_Ir "
                             "CKB_Pn_1 CKB_Pn_6 CKB_DateHeure CKB_Startup_Script CKB_Debug CKB_Historique_Comm CKB_CR CKB_LF "
                             "CKB_Fichier_decalage CKB_Axes_Separes CKB_Affiche_Etendu CKB_Correct_Est CKB_Correct_Ouest "
                             "CKB_Correct_Nord CKB_Correct_Sud CKB_Correct_Sid CKB_Fin_GOTO_Afficher_Message "
                             "CKB_Fin_Goto_Jouer_un_son CKB_Fin_GOTO_ExecuteScript CKB_GOTO_InverseDEC CKB_GOTO_InverseAD "
                             "CKB_GUIDE_InverseDEC CKB_GUIDE_InverseAD CKB_InverseDEC_Carte CKB_InverseAD_Carte "
                             "CKB_Carte_Etoiles CKB_Carte_Etoiles_Leg CKB_Carte_Galcl CKB_Carte_GalCl_Leg CKB_Carte_C_N_Leg "
                             "CKB_Carte_Constell CKB_Carte_Grille CKB_Intensite_Max CKB_Intensite_Min CKB_FWHM CKB_IPS");
    expectKind<QRadioButton>(w, "RDB_WM_Expert RDB_Onglets_Menu_En_Bas RDB_RAWMode_2 RDB_RAWMode_3 RDB_RAWMode_4 "
                                "RDB_QV_Serial RDB_QV_USB RDB_Client RDB_Serveur RDB_Carre RDB_Croix RDB_Vesta RDB_Toucam "
                                "RDB_Mount_LX200 RDB_Mount_ASCOM RDB_Mgxyyyy RDB_Focus_LX200 RDB_Focus_Quillon "
                                "RDB_Focus_Venner RDB_Focus_Plugin RDB_Focus_Kitsrus RDB_Focus_ASCOM RDB_Autoguide_Marrick "
                                "RDB_Autoguide_LX200 RDB_Autoguide_Quillon RDB_Autoguide_Venner RDB_Autoguide_ASCOM "
                                "RDB_Autoguide_KitsRus108 RDB_Autoguide_Plugin RDB_Temps_Inertie_AD RDB_Temps_Inertie_Dec");
    expectKind<QLineEdit>(w, "EDT_Repertoire_Bitmaps EDT_Repertoire_Scripts EDT_Repertoire_Icones EDT_Repertoire_Filtres "
                             "EDT_Repertoire_Sons EDT_Son_a_jouer EDT_Adresse_Serveur EDT_Startup_Script EDT_ASCOM_Telescope "
                             "EDT_Etape_Appr EDT_Fin_GOTO_Son_a_jouer EDT_Fin_GOTO_Script");
    expectKind<QComboBox>(w, "CBX_Optique CBX_Monture CBX_Camera CBX_Vesta_Port CBX_Langue CBX_NiteColor CBX_AG_PortParallele "
                             "CBX_AG_PortSerie CBX_AG_Parite CBX_AG_Databits CBX_AG_StopBits CBX_Mount_Plugin "
                             "CBX_AG_Focus_PortParallele CBX_AG_Focus_PortSerie CBX_Autoguide_Plugin CBX_Vitesse_Moteur");
    expectKind<QPushButton>(w, "BTN_ChargeSon BTN_Calculer_TaillePix BTN_TestWrite BTN_TestPlus BTN_TestMoins BTN_Start_Pose "
                               "BTN_Stop_Pose BTN_GetFromWindows BTN_Nouveau_Optique BTN_Sup_Monture BTN_Enregistrer_Camera "
                               "BTN_Nouveau_Couleur_Nuit BTN_Sup_Couleur_Nuit BTN_Enregistrer_Couleur_Nuit BBTN_Repertoire_Bitmaps "
                               "BBTN_Repertoire_Scripts BBTN_Repertoire_Icones BBTN_Repertoire_Filtres BBTN_Repertoire_Sons "
                               "BBTN_Startup_Script BTN_Mount_Connecter BTN_Mount_Stop BTN_Choix_Relais BTN_Interface_Setup "
                               "BTN_Choose BTN_ASCOM_Configurer BTN_In BTN_Out BTN_Autoguide_Ouest BBTN_Fichier_Decalage "
                               "BTN_Apprendre BTN_Nouveau_Vitesse BTN_Fin_GOTO_ChargeSon BBTN_Fin_GOTO_Script BTN_Calibrate_Joystick");
    expectKind<QGroupBox>(w, "GRB_MenuTabPosition GRB_QV_Parallel GRB_QV_Serial GRB_QV_USB GRB_Aucun GRB_InterfaceParallele "
                             "GRB_InterfaceSerie GRB_Choix_Relais GRB_Choix_Plugins_Mount GRB_ASCOM GRB_Test_Telescope "
                             "GRB_LX200_Guidemode GRB_Focus_InterfaceParallele GRB_Focus_InterfaceSerie GRB_Focus_Aucun");
    for (const QString& c : kChartClasses) {
        expectKind<TNumInp>(w, QStringLiteral("TNI_Carte_MagMin_%1 TNI_Carte_MagMax_%1 TNI_Carte_MagMin_%1_Leg "
                                              "TNI_Carte_MagMax_%1_Leg").arg(c));
        control<TColorPanel>(w, QStringLiteral("PNL_Carte_Couleur_") + c);
    }
    EXPECT_EQ(w.TBS_NiteColors->findChildren<TColorPanel*>().size(), 29);
    expectKind<TColorPanel>(w, "PNL_Color_Scrollbar PNL_Color_Hightlight_text PNL_Color_Gradient_Inactive_title");
    EXPECT_EQ(w.BTN_OK->text(), QStringLiteral("Ok"));
    EXPECT_TRUE(w.CKB_Debug->isHidden());
    EXPECT_TRUE(w.CKB_Correct_Sid->isHidden());
    EXPECT_FALSE(w.CKB_Fichier_decalage->isEnabled());
    EXPECT_FALSE(w.RDB_Mount_Quillon->isEnabled());
}

TEST(PrefLayout, DesignDefaultsAndRanges)
{
    TFRM_Pref w;
    // value, min, max of numeric inputs (NaN: not checked)
    const double any = std::nan("");
    const struct { const char* name; double value, min, max; } inputs[] = {
        {"TNI_Focale", 2000, 1, 99999}, {"TNI_Barlow", 2, 1, 10}, {"TNI_Reducteur", 0.63, 0.01, 1},
        {"TNI_Rayon_Az", 80, 1, 9999}, {"TNI_Rayon_Alt", 80, 1, 9999}, {"TNI_Fil_Az", 1, 0.1, 10}, {"TNI_Fil_Alt", 1, 0.1, 10},
        {"TNI_Larg_Pix", 5.6, any, any}, {"TNI_Haut_Pix", 5.6, any, any}, {"TNI_NbPix_X", 640, 20, 10000},
        {"TNI_NbPix_Y", 480, 20, 10000}, {"TNI_Bit_Active_Odd", 2, 2, 9}, {"TNI_Bit_Active_Even", 3, 2, 9},
        {"TNI_Bit_Amp_Active", 4, 2, 9}, {"TNI_Bit_Longexp_Active", 5, 2, 9}, {"TNI_Vesta_ActiveValue_Odd", 1, 0, 1},
        {"TNI_Longexp_ActiveValue", 1, 0, 1}, {"TNI_LonguePose_On_RTS", any, 0, 1}, {"TNI_Initialisation_DTR", any, 0, 1},
        {"TNI_Finesse_Selection", 30, any, any}, {"TNI_Port", any, 0, 65535}, {"TNI_Ecart_Ra", 5, 1, 30},
        {"TNI_Ecart_Dec", 5, 1, 30}, {"TNI_Carte_MagMin_Gx", 11, -26, 21}, {"TNI_Carte_MagMax_Gx", 0, -26, 21},
        {"TNI_Carte_MagMin_Etoile", 8, -26, 21}, {"TNI_Carte_MagMax_Etoile_Leg", -3, -26, 21}, {"TNI_Bit_Nord", 8, 2, 9},
        {"TNI_Bit_Sud", 9, 2, 9}, {"TNI_Bit_Est", 6, 2, 9}, {"TNI_Bit_Ouest", 7, 2, 9}, {"TNI_Relay_KitsRus_S", 4, 1, 8},
        {"TNI_Relay_KitsRus_Active_E", 1, 0, 1}, {"TNI_Duree_test", 1000, 250, 3600000}, {"TNI_Tps_Inertie_AD", 100, any, 10000},
    };
    for (const auto& i : inputs) {
        const TNumInp* c = control<TNumInp>(w, i.name);
        if (!c)
            continue;
        const double actual[] = {double(c->Value()), double(c->Min()), double(c->Max())};
        const double expected[] = {i.value, i.min, i.max};
        for (int k = 0; k < 3; ++k) {
            if (!std::isnan(expected[k])) {
                EXPECT_NEAR(actual[k], expected[k], 1e-9) << i.name << " field " << k;
            }
        }
    }
    EXPECT_EQ(w.TNI_Larg_Pix->text(), QStringLiteral("5.60"));   // fixed, 2 decimals
    EXPECT_EQ(w.TNI_Carte_MagMin_Gx->Digits(), 6);
    EXPECT_EQ(w.TNI_Port->Datatype(), dtWord);

    const struct { const char* name; int value, min, max; } spins[] = {
        {"SPED_MinFreeDiskSpace", 150, 0, 1000000}, {"SPED_TailleMaxVideo", 1999000, 1, 2000000000},
        {"SPED_Vesta_Interpose", 100, 1, 43200000}, {"SPED_Avance", 400, 0, 100000}, {"SPED_Avance_Serial", 400, 0, 100000},
        {"SPED_Nb_Mesures", 10, 2, 50}, {"SPED_Delai_Serie", 20, 0, 10000}, {"SPED_Tps_Base_Autofocus", 10000, 0, 60000},
        {"SPED_Duree_impulsions", 195, 15, 945}, {"SPED_Impulsions_Maxi", 945, 15, 99000}, {"SPED_Neutre", 2, 0, 200},
        {"SPED_Delai_Separes", 25, 0, 10000}, {"SPED_Pourcent_Inertie_AD", 20, 0, 100}, {"SPED_Iterations", 2, 1, 10},
        {"SPED_Amort_delay", 2000, 0, 10000}, {"SPED_Rafraichissement_Carte", 1000, 0, 60000},
    };
    for (const auto& s : spins) {
        if (const QSpinBox* c = control<QSpinBox>(w, s.name)) {
            EXPECT_EQ(QList<int>({c->value(), c->minimum(), c->maximum()}), QList<int>({s.value, s.min, s.max})) << s.name;
        }
    }
    const struct { const char* name; int value, min, max; } bars[] = {
        {"SCB_Finesse_Selection", 70, 1, 100}, {"SCB_Precision_MAP", 990, 900, 1000}, {"SCB_Sensibilite_MAP", 990, 900, 1000}};
    for (const auto& s : bars) {
        if (const QScrollBar* c = control<QScrollBar>(w, s.name)) {
            EXPECT_EQ(QList<int>({c->value(), c->minimum(), c->maximum()}), QList<int>({s.value, s.min, s.max})) << s.name;
        }
    }

    for (const char* on : {"RDB_WM_Beginner", "RDB_Onglets_Menu_En_Haut", "RDB_RAWMode_1", "RDB_QV_Parallel", "RDB_Monoposte",
                           "RDB_Cercle", "RDB_Point", "RDB_Mount_Aucun", "RDB_Mx", "RDB_Focus_Aucun", "RDB_Autoguide_Aucun",
                           "RDB_Pourcent_Inertie_AD", "RDB_Pourcent_Inertie_Dec"}) {
        if (const QRadioButton* r = control<QRadioButton>(w, on)) {
            EXPECT_TRUE(r->isChecked()) << on;
        }
    }
    EXPECT_EQ(w.EDT_Repertoire_drivers->text(), QStringLiteral("\\drivers"));
    EXPECT_EQ(w.EDT_TestValue->text(), QStringLiteral("00000000"));
    EXPECT_EQ(w.EDT_Fichier_Decalage->text(), QStringLiteral("Decalage.txt"));
    EXPECT_EQ(w.CBX_Ligne_guidage->currentText(), QStringLiteral("Alterner"));
    EXPECT_EQ(w.CBX_Ligne_guidage->count(), 3);
    // A name typed into a profile list is listed only once saved.
    EXPECT_EQ(w.CBX_Optique->insertPolicy(), QComboBox::NoInsert);
    EXPECT_EQ(w.CBX_AG_Vitesse->count(), 15);
    EXPECT_EQ(w.CBX_AG_Vitesse->itemText(14), QStringLiteral("256000"));
    EXPECT_EQ(w.CKB_Pn_3->toolTip(), QStringLiteral("Irregular disk "));
    EXPECT_EQ(w.CKB_VestaMod->text(), QStringLiteral("Camera modifiée Q.V."));
}
