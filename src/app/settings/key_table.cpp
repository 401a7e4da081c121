#include "app/settings/key_table.h"

#include "platform/ini_document.h"

#include <array>

namespace Settings {
namespace {

using K = KeySpec;
constexpr Rounding Tr = Rounding::Trunc;
constexpr Rounding Ro = Rounding::Round;

// Builders: section, key, window, control (or variable when window is null), default.
constexpr K B(const char* s, const char* k, const char* w, const char* c, const char* d)
{
    return K{.section = s, .name = k, .kind = KeyKind::Bool, .def = d, .window = w, .control = c};
}
constexpr K I(const char* s, const char* k, const char* w, const char* c, const char* d)
{
    return K{.section = s, .name = k, .kind = KeyKind::Integer, .def = d, .window = w, .control = c};
}
constexpr K N(const char* s, const char* k, const char* w, const char* c, int scale, Rounding r, const char* d)
{
    return K{.section = s, .name = k, .kind = KeyKind::Scaled, .scale = scale, .rounding = r, .def = d,
             .window = w, .control = c};
}
constexpr K T(const char* s, const char* k, const char* w, const char* c, const char* d)
{
    return K{.section = s, .name = k, .kind = KeyKind::Text, .def = d, .window = w, .control = c};
}
constexpr K Of(KeyKind kind, const char* s, const char* k, const char* w, const char* c, const char* d)
{
    return K{.section = s, .name = k, .kind = kind, .def = d, .window = w, .control = c};
}
constexpr K Ch(const char* s, const char* k, const char* w, const ChoiceSpec* choice, const char* d)
{
    return K{.section = s, .name = k, .kind = KeyKind::Choice, .def = d, .window = w, .choice = choice};
}
constexpr K G(const char* k, const char* w, const char* property, const char* d)
{
    return K{.section = "Windows", .name = k, .kind = KeyKind::Geometry, .def = d, .window = w, .control = property,
             .flags = MachineDefault};
}

constexpr const char* Pref = "FRM_Pref";
constexpr const char* Img = "FRM_Tool_Images";
constexpr const char* Aff = "FRM_Tool_Affichage";
constexpr const char* Mes = "FRM_Tool_Mesures";
constexpr const char* Suivi = "FRM_Tool_Suivi";
constexpr const char* LS = "FRM_PRG_Action_LS";
constexpr const char* Pad = "FRM_Raquette";

constexpr ChoiceOption kTraitementOptions[] = {{0, "RDB_Images_Avant_Traitement"}, {1, "RDB_Images_Apres_Traitement"}};
constexpr ChoiceSpec kTraitement{kTraitementOptions, true, true, false};
constexpr ChoiceOption kControlPortOptions[] = {{1, "RDB_QV_Parallel"}, {2, "RDB_QV_Serial"}, {3, "RDB_QV_USB"}};
constexpr ChoiceSpec kControlPort{kControlPortOptions, false, true, false};
constexpr ChoiceOption kSrc1CamOptions[] = {{1, "RDB_Src1_Cam1"}, {2, "RDB_Src1_Cam2"}};
constexpr ChoiceSpec kSrc1Cam{kSrc1CamOptions, false, false, true};
constexpr ChoiceOption kSrcImageOptions[] = {{1, "CKB_Src1_Image"}, {2, "CKB_Src2_Image"}};
constexpr ChoiceSpec kSrcImage{kSrcImageOptions, true, false, true};
constexpr ChoiceOption kSrcGuideOptions[] = {{1, "CKB_Src1_Autoguidage"}, {2, "CKB_Src2_Autoguidage"}};
constexpr ChoiceSpec kSrcGuide{kSrcGuideOptions, true, false, true};
constexpr ChoiceOption kMatrixOptions[] = {{3, "RDB_3x3"}, {5, "RDB_5x5"}, {7, "RDB_7x7"}, {9, "RDB_9x9"}};
constexpr ChoiceSpec kMatrix{kMatrixOptions, false, false, false};
constexpr ChoiceOption kGotoModeOptions[] = {{1, "RDB_Absolu"}, {2, "RDB_Relatif"}};
constexpr ChoiceSpec kGotoMode{kGotoModeOptions, false, true, false};
// The hand pad's catalogue, numbered as its keyboard control chooses them.
constexpr ChoiceOption kPadCatalogueOptions[] = {{1, "RDB_Messier"}, {2, "RDB_NGC"},        {3, "RDB_IC"},
                                                 {4, "RDB_UGC"},     {5, "RDB_Etoile_SAO"}, {6, "RDB_Etoile"},
                                                 {7, "RDB_Planete"}, {8, "RDB_Coords"}};
constexpr ChoiceSpec kPadCatalogue{kPadCatalogueOptions, false, false, false};

// clang-format off
constexpr K kTable[] = {
    // ---- Prefs, in written order; the read-only keys last.
    // The shipped template picks the second of the shipped languages
    // (English, Francais): a fresh program directory starts in French.
    Of(KeyKind::ComboIndex, "Prefs", "Langue", Pref, "CBX_Langue", "1").only(Write),
    Of(KeyKind::ComboText, "Prefs", "Optique_Courante", Pref, "CBX_Optique", "Defaut").at(5).with(ProfileName),
    Of(KeyKind::ComboTextIndex, "Prefs", "Monture_Courante", Pref, "CBX_Monture", "Defaut").at(8).with(ProfileName),
    Of(KeyKind::ComboText, "Prefs", "Camera_Courante", Pref, "CBX_Camera", "Defaut").at(17).with(ProfileName),
    Of(KeyKind::ComboText, "Prefs", "Vitesse_Moteur_Courante", Pref, "CBX_Vitesse_Moteur", "Defaut").at(9).with(ProfileName),
    Of(KeyKind::ComboText, "Prefs", "Couleurs Nuit", Pref, "CBX_NiteColor", "Default").at(10, 1),
    // Folder defaults are folders of the program directory.
    Of(KeyKind::Folder, "Prefs", "Repertoire_Bitmaps", Pref, "EDT_Repertoire_Bitmaps", "Bitmaps").at(11, 0).with(MachineDefault),
    Of(KeyKind::Folder, "Prefs", "Repertoire_Filtres", Pref, "EDT_Repertoire_Filtres", "Filters").at(11, 4).with(MachineDefault),
    Of(KeyKind::Folder, "Prefs", "Repertoire_Icones", Pref, "EDT_Repertoire_Icones", "Icons").at(11, 1).with(MachineDefault),
    Of(KeyKind::Folder, "Prefs", "Repertoire_Scripts", Pref, "EDT_Repertoire_Scripts", "Scripts").at(11, 2).with(MachineDefault),
    Of(KeyKind::Folder, "Prefs", "Repertoire_Sons", Pref, "EDT_Repertoire_Sons", "Sounds").at(11, 3).with(MachineDefault),
    B("Prefs", "CKB_Startup_Script.Checked", Pref, "CKB_Startup_Script", "0").at(12, 1),
    T("Prefs", "EDT_Startup_Script.Text", Pref, "EDT_Startup_Script", "").at(12, 0),
    T("Prefs", "Dernier_Repertoire_ouvert", nullptr, "LastOpenDir", "").at(13, 4),
    T("Prefs", "Nom_Image", Img, "EDT_Nom_Image", "").at(13, 2),
    N("Prefs", "Num_Suffixe", Img, "TNI_Num_Suffixe", 1, Tr, "1").reads("Num_suffixe").at(13, 2),
    Of(KeyKind::ComboText, "Prefs", "Type_Fichier", Img, "CBX_TypeFichier", "BMP").only(Write),
    Ch("Prefs", "Traitement_AvantApres", Img, &kTraitement, "0").at(13, 2),
    B("Prefs", "Longueur_Fixe", Img, "CKB_Longueur_Fixe", "0").at(13, 5),
    N("Prefs", "Longueur_Sequence", Img, "TNI_Longueur_Sequence", 1, Ro, "4").at(13, 5),
    I("Prefs", "Finesse_Selection", Pref, "SCB_Finesse_Selection", "70").at(13, 5),
    B("Prefs", "Enreg_Params_Image", Img, "CKB_Enreg_Params", "0").at(13, 5),
    B("Prefs", "Un_seul_fichier", Img, "CKB_Un_seul_fichier", "0").at(13, 5),
    B("Prefs", "Duree_Exposition", Img, "CKB_Duree_Exposition", "0").at(13, 5),
    I("Prefs", "Qualit\xE9_Compression_Jpeg", Img, "SPED_Qualite_Jpeg", "80").at(13, 5),
    I("Prefs", "Sensibilite_MAP", Pref, "SCB_Sensibilite_MAP", "990").at(13, 5),
    I("Prefs", "Precision_MAP", Pref, "SCB_Precision_MAP", "990").at(13, 5),
    B("Prefs", "RDB_WM_Beginner.checked", Pref, "RDB_WM_Beginner", "1").reads("RDB_WM_Beginner.Checked").at(23, 0),
    B("Prefs", "RDB_WM_Expert.checked", Pref, "RDB_WM_Expert", "0").reads("RDB_WM_Expert.Checked").at(23, 0),
    B("Prefs", "RDB_Onglets_Menu_En_Haut.Checked", Pref, "RDB_Onglets_Menu_En_Haut", "1").at(23, 1),
    B("Prefs", "RDB_Onglets_Menu_En_Bas.Checked", Pref, "RDB_Onglets_Menu_En_Bas", "0").at(23, 1),
    Ch("Prefs", "Vesta_Controlport", Pref, &kControlPort, "1").at(15, 0),
    Of(KeyKind::ComboText, "Prefs", "IPS_Cam1", Aff, "CBX_Cam1_IPS", "5").at(22, 0),
    Of(KeyKind::ComboText, "Prefs", "IPS_Cam2", Aff, "CBX_Cam2_IPS", "5").at(22, 0),
    I("Prefs", "Tps_Rafraichissement_Cam1", Aff, "SCB_Cam1_Tps_Rafraichissement", "50").at(22, 0),
    I("Prefs", "Tps_Rafraichissement_Cam2", Aff, "SCB_Cam2_Tps_Rafraichissement", "50").at(22, 0),
    I("Prefs", "Taille_Zaffich", nullptr, "SavedZoneSize", "640").at(22, 2),
    B("Prefs", "CKB_Zones_Liees", Aff, "CKB_Zones_Liees", "0").at(22, 1),
    B("Prefs", "CKB_Assist_Vocal.Checked", "FRM_Raquette", "CKB_Assist_Vocal", "0").only(Write).with(OnlyWhenWindowEnabled),
    Ch("Prefs", "Src1Cam", Aff, &kSrc1Cam, "1").only(Read).at(21),
    Ch("Prefs", "SrcImage", Aff, &kSrcImage, "1").only(Read).at(21),
    Ch("Prefs", "SrcAutoguidage", Aff, &kSrcGuide, "1").only(Read).at(21),
    B("Prefs", "CKB_Multi_CPU.Checked", Pref, "CKB_Multi_CPU", "1").only(Read).at(23, 2),
    T("Prefs", "EDT_Repertoire_drivers", Pref, "EDT_Repertoire_drivers", "\\drivers").only(Read),
    Of(KeyKind::ComboIndex, "Prefs", "Couleur_Nuit", Pref, "CBX_NiteColor", "0").only(Read).at(10, 0),

    // ---- SpaceManagement
    I("SpaceManagement", "SPED_MinFreeDiskSpace.Value", Pref, "SPED_MinFreeDiskSpace", "150").at(13, 0),
    B("SpaceManagement", "CKB_Arreter_Sauvegarde.Checked", Pref, "CKB_Arreter_Sauvegarde", "0").at(13, 0),
    B("SpaceManagement", "CKB_Jouer_un_Son.Checked", Pref, "CKB_Jouer_un_son", "0").at(13, 0),
    T("SpaceManagement", "EDT_Son_a_jouer", Pref, "EDT_Son_a_jouer", "").at(13, 0),
    B("SpaceManagement", "CKB_TailleMaxVideo.Checked", Pref, "CKB_TailleMaxVideo", "0").at(13, 0),
    B("SpaceManagement", "CKB_MSG_FichierExiste.Checked", Pref, "CKB_Msg_FichierExiste", "0")
        .reads("CKB_Msg_FichierExiste.Checked").at(13, 0),

    // ---- GOTOManagement
    B("GOTOManagement", "CKB_Fin_GOTO_Afficher_Message.Checked", Pref, "CKB_Fin_GOTO_Afficher_Message", "0").at(13, 1),
    B("GOTOManagement", "CKB_Fin_GOTO_Jouer_un_Son.Checked", Pref, "CKB_Fin_Goto_Jouer_un_son", "0").at(13, 1),
    T("GOTOManagement", "EDT_Fin_GOTO_Son_a_jouer", Pref, "EDT_Fin_GOTO_Son_a_jouer", "").at(13, 1),
    B("GOTOManagement", "CKB_Fin_GOTO_ExecuteScript.Checked", Pref, "CKB_Fin_GOTO_ExecuteScript", "0").at(13, 1),
    T("GOTOManagement", "EDT_Fin_GOTO_Script", Pref, "EDT_Fin_GOTO_Script", "").at(13, 1),
    I("GOTOManagement", "SPED_Rafraichissement_Carte.Value", Pref, "SPED_Rafraichissement_Carte", "1000").at(13, 1),

    // ---- Ears
    N("Ears", "TNI_Seuil_Max_Detect", Img, "TNI_Seuil_Max_Detect", 1, Tr, "180").at(13, 3),
    N("Ears", "TNI_Seuil_Min_Detect", Img, "TNI_Seuil_Min_Detect", 1, Tr, "100").at(13, 3),
    N("Ears", "TNI_Taille_Max_Etoiles", Img, "TNI_Taille_Max_Etoiles", 1, Tr, "16").at(13, 3),
    N("Ears", "TNI_Rapport_Rayon", Img, "TNI_Rapport_Rayon", 1000, Ro, "800").at(13, 3),
    N("Ears", "TNI_linearite", Img, "TNI_Linearite", 1000, Ro, "2500").at(13, 3),

    // ---- System
    I("System", "DriverIndex1", nullptr, "CameraSlots[1].driverIndex", "-1").at(14),
    I("System", "DriverIndex2", nullptr, "CameraSlots[2].driverIndex", "-1").at(14),

    // ---- Exposure
    I("Exposure", "Vesta_Port", nullptr, "VestaPortIndex", "0").at(15, 1),
    I("Exposure", "Vesta_Port_RS232", nullptr, "VestaSerialPortIndex", "0").at(15, 1),
    I("Exposure", "Vesta_InterPose", Pref, "SPED_Vesta_Interpose", "150").at(16),
    N("Exposure", "TNI_Bit_Active_Odd", Pref, "TNI_Bit_Active_Odd", 1, Tr, "2").at(16),
    N("Exposure", "TNI_Vesta_Activevalue_Odd", Pref, "TNI_Vesta_ActiveValue_Odd", 1, Tr, "1").at(16),
    N("Exposure", "TNI_Bit_Active_Even", Pref, "TNI_Bit_Active_Even", 1, Tr, "3").at(16),
    N("Exposure", "TNI_Vesta_Activevalue_Even", Pref, "TNI_Vesta_ActiveValue_Even", 1, Tr, "1").at(16),
    N("Exposure", "TNI_Bit_Amp_Active", Pref, "TNI_Bit_Amp_Active", 1, Tr, "4").at(16),
    N("Exposure", "TNI_Amp_ActiveValue", Pref, "TNI_Amp_ActiveValue", 1, Tr, "1").at(16),
    N("Exposure", "TNI_Bit_Longexp_Active", Pref, "TNI_Bit_Longexp_Active", 1, Tr, "5").at(16),
    N("Exposure", "TNI_Longexp_ActiveValue", Pref, "TNI_Longexp_ActiveValue", 1, Tr, "1").at(16),
    I("Exposure", "SPED_Avance", Pref, "SPED_Avance", "200").at(16),
    Of(KeyKind::ComboIndex, "Exposure", "CBX_Ligne_Guidage", Pref, "CBX_Ligne_guidage", "0").at(16),
    B("Exposure", "CKB_LongueposePermanent", Pref, "CKB_LongueposePermanent", "0").at(17, 1),
    N("Exposure", "TNI_Initialisation_RTS", Pref, "TNI_Initialisation_RTS", 1, Ro, "1").at(16),
    N("Exposure", "TNI_Initialisation_DTR", Pref, "TNI_Initialisation_DTR", 1, Ro, "1").at(16),
    N("Exposure", "TNI_Longuepose_On_RTS", Pref, "TNI_LonguePose_On_RTS", 1, Ro, "0").at(16),
    N("Exposure", "TNI_Longuepose_On_DTR", Pref, "TNI_LonguePose_On_DTR", 1, Ro, "0").at(16),
    N("Exposure", "TNI_Amp_Off_RTS", Pref, "TNI_Amp_Off_RTS", 1, Ro, "1").at(16),
    N("Exposure", "TNI_Amp_Off_DTR", Pref, "TNI_Amp_Off_DTR", 1, Ro, "0").at(16),
    N("Exposure", "TNI_Longuepose_Off_RTS", Pref, "TNI_LonguePose_Off_RTS", 1, Ro, "1").at(16),
    N("Exposure", "TNI_Longuepose_Off_DTR", Pref, "TNI_LonguePose_Off_DTR", 1, Ro, "1").at(16),
    I("Exposure", "LastVideoWidth", nullptr, "LastVideoWidth", "640")
        .from(nullptr, "SourceImageWidth").with(OnlyWithSourceImage).at(6),
    I("Exposure", "LastVideoHeight", nullptr, "LastVideoHeight", "480")
        .from(nullptr, "SourceImageHeight").with(OnlyWithSourceImage).at(6),
    N("Exposure", "LastEchantillonage", nullptr, "LastSampling", 1000, Tr, "630")
        .from(Mes, "TNI_Echantillonnage").with(OnlyWithSourceImage).at(6),
    I("Exposure", "Vesta-Pose", "FRM_Longuepose", "SPED_Vesta_Pose", "5000").at(17, 1),
    I("Exposure", "Vesta-Pose-Guidage", "FRM_Longuepose", "SPED_Vesta_Pose_Guidage", "500").at(17, 1),

    // ---- Seuils
    N("Seuils", "Seuil_MinMin", Img, "TNI_Seuil_MinMin", 1, Ro, "0").at(18, 0),
    N("Seuils", "Seuil_MaxMin", Img, "TNI_Seuil_MaxMin", 1, Ro, "0").at(18, 0),
    N("Seuils", "Seuil_MinMax", Img, "TNI_Seuil_MinMax", 1, Ro, "65535").at(18, 0),
    N("Seuils", "Seuil_MaxMax", Img, "TNI_Seuil_MaxMax", 1, Ro, "65535").at(18, 0),
    N("Seuils", "Seuil_Min", Img, "TNI_Seuil_Min", 1, Ro, "0").at(18, 1),
    N("Seuils", "Seuil_Max", Img, "TNI_Seuil_Max", 1, Ro, "2500").at(18, 2),
    Of(KeyKind::Position, "Seuils", "CPC_R.XCoordinate", Img, "CPC_R.XCoordinate", "32").at(19, 1),
    Of(KeyKind::Position, "Seuils", "CPC_R.YCoordinate", Img, "CPC_R.YCoordinate", "0").at(19, 1),
    Of(KeyKind::Position, "Seuils", "CPC_G.XCoordinate", Img, "CPC_G.XCoordinate", "0").at(19, 1),
    Of(KeyKind::Position, "Seuils", "CPC_G.YCoordinate", Img, "CPC_G.YCoordinate", "32").at(19, 1),
    Of(KeyKind::Position, "Seuils", "CPC_B.XCoordinate", Img, "CPC_B.XCoordinate", "32").at(19, 1),
    Of(KeyKind::Position, "Seuils", "CPC_B.YCoordinate", Img, "CPC_B.YCoordinate", "32").at(19, 1),
    Of(KeyKind::Position, "Seuils", "CPC_L.XCoordinate", Img, "CPC_L.XCoordinate", "32").at(19, 1),
    Of(KeyKind::Position, "Seuils", "CPC_L.YCoordinate", Img, "CPC_L.YCoordinate", "42").at(19, 1),
    N("Seuils", "TNI_Mult_R.Value", Img, "TNI_Mult_R", 10, Tr, "10").runs("FRM_Tool_Images.UPD_Mult_RFollow").at(19, 1),
    N("Seuils", "TNI_Mult_G.Value", Img, "TNI_Mult_G", 10, Tr, "10").runs("FRM_Tool_Images.UPD_Mult_GFollow").at(19, 1),
    N("Seuils", "TNI_Mult_B.Value", Img, "TNI_Mult_B", 10, Tr, "10").runs("FRM_Tool_Images.UPD_Mult_BFollow").at(19, 1),
    I("Seuils", "SCB_Saturation.Position", Img, "SCB_Saturation", "100").at(19, 1),

    // ---- Integration
    B("Integration", "CKB_Visu_Permanente.Checked", Img, "CKB_Visu_Permanente", "1").also("PermanentDisplay").at(19, 0),

    // ---- Filtres
    Ch("Filtres", "RDB_Matrice", Img, &kMatrix, "9").at(20, 0),
    N("Filtres", "TNI_Set_1", Img, "TNI_Set_1", 1, Ro, "900").with(ThroughScrollBar).runs("FRM_Tool_Images.TNI_Set_1Change").at(20, 1),
    N("Filtres", "TNI_Set_3", Img, "TNI_Set_3", 1, Ro, "0").with(ThroughScrollBar).runs("FRM_Tool_Images.TNI_Set_3Change").at(20, 1),
    N("Filtres", "TNI_Set_5", Img, "TNI_Set_5", 1, Ro, "0").with(ThroughScrollBar).runs("FRM_Tool_Images.TNI_Set_5Change").at(20, 1),
    N("Filtres", "TNI_Set_7", Img, "TNI_Set_7", 1, Ro, "0").with(ThroughScrollBar).runs("FRM_Tool_Images.TNI_Set_7Change").at(20, 1),
    N("Filtres", "TNI_Set_9", Img, "TNI_Set_9", 1, Ro, "0").with(ThroughScrollBar).runs("FRM_Tool_Images.TNI_Set_9Change").at(20, 1),
    I("Filtres", "SPED_Frequence_Filtre", Img, "SPED_Frequence_Filtre", "10").at(20, 2),

    // ---- Autoguide
    T("Autoguide", "AG_Fichier_Decalage", Pref, "EDT_Fichier_Decalage", "").at(28),
    I("Autoguide", "AG_SPED_Seuil_Detect_Min", Suivi, "SPED_Seuil_Detect_Min", "50").at(26, 2),
    I("Autoguide", "AG_SPED_Declinaison_Guide", Suivi, "SPED_Declinaison_Guide", "0").at(26, 2),
    I("Autoguide", "AG_Intervalle_Guidage", Suivi, "SPED_Intervalle_Guidage", "10").at(26, 2),
    I("Autoguide", "AG_Intervalle_Moy", Suivi, "SPED_Intervalle_Moy", "10").at(26, 2),
    B("Autoguide", "AG_RDB_Colimacon", Suivi, "RDB_Colimacon", "0").at(26, 3),
    B("Autoguide", "AG_RDB_Somax", Suivi, "RDB_Somax", "0").at(26, 3),
    B("Autoguide", "AG_RDB_Cadres", Suivi, "RDB_Cadres", "1").at(26, 3),
    B("Autoguide", "AG_RDB_Correlation", Suivi, "RDB_Correlation", "0").at(26, 3),
    I("Autoguide", "SPED_Correl_Precision", Suivi, "SPED_Correl_Precision", "9").at(26, 3),
    B("Autoguide", "LS_CKB_Stop_Guiding", LS, "CKB_Stop_Guiding", "0").at(26, 1),
    B("Autoguide", "LS_CKB_Jouer_un_Son", LS, "CKB_Jouer_un_son", "0").at(26, 1),
    T("Autoguide", "LS_EDT_Son_a_jouer", LS, "EDT_Son_a_jouer", "").at(26, 1),
    T("Autoguide", "LS_EDT_Script", LS, "EDT_Lost_Star_Script", "").at(26, 1),
    B("Autoguide", "LS_CKB_ExecuteScript.Checked", LS, "CKB_Lost_Star_ExecuteScript", "0").at(26, 1),
    B("Autoguide", "RDB_Aucun.Checked", Pref, "RDB_Mount_Aucun", "1").at(24, 0),
    B("Autoguide", "RDB_ASCOM.Checked", Pref, "RDB_Mount_ASCOM", "0").at(24, 0),
    B("Autoguide", "RDB_LX200.Checked", Pref, "RDB_Mount_LX200", "0").at(24, 0),
    // The guide port's own choices beside the guide boxes stored above and
    // below: read before those, so that a file written without them keeps
    // the guide box it names.
    B("Autoguide", "RDB_Autoguide_Aucun.Checked", Pref, "RDB_Autoguide_Aucun", "1").at(24, 0),
    B("Autoguide", "RDB_Autoguide_LX200.Checked", Pref, "RDB_Autoguide_LX200", "0").at(24, 0),
    B("Autoguide", "RDB_Autoguide_ASCOM.Checked", Pref, "RDB_Autoguide_ASCOM", "0").at(24, 0),
    B("Autoguide", "RDB_Autoguide_Plugin.Checked", Pref, "RDB_Autoguide_Plugin", "0").at(24, 0),
    B("Autoguide", "RDB_Marrick.Checked", Pref, "RDB_Autoguide_Marrick", "0").at(24, 0),
    B("Autoguide", "RDB_Venner.Checked", Pref, "RDB_Autoguide_Venner", "0").at(24, 0),
    B("Autoguide", "RDB_Quillon.Checked", Pref, "RDB_Autoguide_Quillon", "0").at(24, 0),
    B("Autoguide", "RDB_KitsRus108.Checked", Pref, "RDB_Autoguide_KitsRus108", "0").at(24, 0),
    T("Autoguide", "ASCOM_Telescope", Pref, "EDT_ASCOM_Telescope", "").at(26, 0),
    Of(KeyKind::ComboIndex, "Autoguide", "AG_PortSerie", Pref, "CBX_AG_PortSerie", "0").at(24, 1),
    Of(KeyKind::ComboIndex, "Autoguide", "AG_PortParallele", Pref, "CBX_AG_PortParallele", "0").at(24, 2),
    Of(KeyKind::ComboIndex, "Autoguide", "AG_Vitesse", Pref, "CBX_AG_Vitesse", "6").at(24, 3),
    Of(KeyKind::ComboIndex, "Autoguide", "AG_Parite", Pref, "CBX_AG_Parite", "3").also("GuidePortParity").at(24, 3),
    Of(KeyKind::ComboIndex, "Autoguide", "AG_Databits", Pref, "CBX_AG_Databits", "1").at(24, 3),
    Of(KeyKind::ComboIndex, "Autoguide", "AG_StopBits", Pref, "CBX_AG_StopBits", "0").at(24, 3),
    I("Autoguide", "AG_Neutre", Pref, "SPED_Neutre", "2").at(24, 3),
    B("Autoguide", "CKB_CR", Pref, "CKB_CR", "0").at(24, 3),
    B("Autoguide", "CKB_LF", Pref, "CKB_LF", "0").at(24, 3),
    B("Autoguide", "RDB_Mx", Pref, "RDB_Mx", "1").at(24, 3),
    B("Autoguide", "RDB_MGxyyyy", Pref, "RDB_Mgxyyyy", "0").at(24, 3),
    I("Autoguide", "SPED_Delai_Serie", Pref, "SPED_Delai_Serie", "20").at(24, 3),
    N("Autoguide", "TNI_Bit_Est", Pref, "TNI_Bit_Est", 1, Tr, "6").at(24, 3),
    N("Autoguide", "TNI_Est_Activevalue", Pref, "TNI_Est_ActiveValue", 1, Tr, "1").at(24, 3),
    N("Autoguide", "TNI_Bit_Ouest", Pref, "TNI_Bit_Ouest", 1, Tr, "7").at(24, 3),
    N("Autoguide", "TNI_Ouest_Activevalue", Pref, "TNI_Ouest_ActiveValue", 1, Tr, "1").at(24, 3),
    N("Autoguide", "TNI_Bit_Nord", Pref, "TNI_Bit_Nord", 1, Tr, "8").at(24, 3),
    N("Autoguide", "TNI_Nord_Activevalue", Pref, "TNI_Nord_ActiveValue", 1, Tr, "1").at(24, 3),
    N("Autoguide", "TNI_Bit_Sud", Pref, "TNI_Bit_Sud", 1, Tr, "9").at(24, 3),
    N("Autoguide", "TNI_Sud_Activevalue", Pref, "TNI_Sud_ActiveValue", 1, Tr, "1").at(24, 3),
    N("Autoguide", "TNI_Relay_KitsRus_N", Pref, "TNI_Relay_KitsRus_N", 1, Tr, "1").at(24, 3),
    N("Autoguide", "TNI_Relay_KitsRus_W", Pref, "TNI_Relay_KitsRus_W", 1, Tr, "2").at(24, 3),
    N("Autoguide", "TNI_Relay_KitsRus_E", Pref, "TNI_Relay_KitsRus_E", 1, Tr, "3").at(24, 3),
    N("Autoguide", "TNI_Relay_KitsRus_S", Pref, "TNI_Relay_KitsRus_S", 1, Tr, "4").at(24, 3),
    N("Autoguide", "TNI_Relay_KitsRus_Active_N", Pref, "TNI_Relay_KitsRus_Active_N", 1, Tr, "1").at(24, 3),
    N("Autoguide", "TNI_Relay_KitsRus_Active_W", Pref, "TNI_Relay_KitsRus_Active_W", 1, Tr, "1").at(24, 3),
    N("Autoguide", "TNI_Relay_KitsRus_Active_E", Pref, "TNI_Relay_KitsRus_Active_E", 1, Tr, "1").at(24, 3),
    N("Autoguide", "TNI_Relay_KitsRus_Active_S", Pref, "TNI_Relay_KitsRus_Active_S", 1, Tr, "1").at(24, 3),
    I("Autoguide", "AG_Duree_impulsions", Pref, "SPED_Duree_impulsions", "200").at(29, 0),
    B("Autoguide", "CKB_Axes_Separes", Pref, "CKB_Axes_Separes", "0").at(29, 0),
    I("Autoguide", "SPED_Delai_Separes", Pref, "SPED_Delai_Separes", "25").at(29, 0),
    B("Autoguide", "CKB_Lost_Star_Alert.Checked", Suivi, "CKB_Lost_Star_Alert", nullptr).only(Write),
    B("Autoguide", "CKB_Lost_Star_Stop_Guiding.Checked", LS, "CKB_Stop_Guiding", nullptr).only(Write),
    B("Autoguide", "CKB_Lost_Star_Jouer_un_son.Checked", LS, "CKB_Jouer_un_son", nullptr).only(Write),
    T("Autoguide", "EDT_Lost_Star_Son_a_jouer", LS, "EDT_Son_a_jouer", nullptr).only(Write),
    B("Autoguide", "GOTO_InverseAD", Pref, "CKB_GOTO_InverseAD", "0").at(29, 0),
    B("Autoguide", "GOTO_InverseDEC", Pref, "CKB_GOTO_InverseDEC", "0").at(29, 0),
    B("Autoguide", "GUIDE_InverseAD", Pref, "CKB_GUIDE_InverseAD", "0").at(29, 0),
    B("Autoguide", "GUIDE_InverseDEC", Pref, "CKB_GUIDE_InverseDEC", "0").at(29, 0),
    B("Autoguide", "InverseAD_Carte", Pref, "CKB_InverseAD_Carte", "0").at(29, 0),
    B("Autoguide", "InverseDEC_Carte", Pref, "CKB_InverseDEC_Carte", "0").at(29, 0),

    // ---- Mesures
    N("Mesures", "TNI_DistObjet.Value", Mes, "TNI_DistObjet", 1, Tr, "1000000").at(26, 3),
    Of(KeyKind::ComboIndex, "Mesures", "CBX_Unite.IdemIndex", Mes, "CBX_Unite", "1").at(26, 3),

    // ---- Focus
    B("Focus", "Aucun", Pref, "RDB_Focus_Aucun", "1").at(25, 0),
    B("Focus", "Focus_LX200", Pref, "RDB_Focus_LX200", "0").at(25, 0),
    B("Focus", "Focus_Venner", Pref, "RDB_Focus_Venner", "0").at(25, 0),
    B("Focus", "Focus_Quillon", Pref, "RDB_Focus_Quillon", "0").at(25, 0),
    B("Focus", "Focus_Kitsrus", Pref, "RDB_Focus_Kitsrus", "0").at(25, 0),
    B("Focus", "Focus_Plugin", Pref, "RDB_Focus_Plugin", "0").at(25, 0),
    B("Focus", "Focus_ASCOM", Pref, "RDB_Focus_ASCOM", "0").at(25, 0),
    Of(KeyKind::ComboIndex, "Focus", "AG_Focus_PortSerie", Pref, "CBX_AG_Focus_PortSerie", "0").at(25, 2),
    Of(KeyKind::ComboIndex, "Focus", "AG_Focus_PortParallele", Pref, "CBX_AG_Focus_PortParallele", "0").at(25, 1),
    Of(KeyKind::ComboIndex, "Focus", "AG_Focus_Vitesse", Pref, "CBX_AG_Focus_Vitesse", "6").at(25, 3),
    Of(KeyKind::ComboIndex, "Focus", "AG_Focus_Parite", Pref, "CBX_AG_Focus_Parite", "3").also("FocusPortParity").at(25, 3),
    Of(KeyKind::ComboIndex, "Focus", "AG_Focus_Databits", Pref, "CBX_AG_Focus_Databits", "1").at(25, 3),
    Of(KeyKind::ComboIndex, "Focus", "AG_Focus_StopBits", Pref, "CBX_AG_Focus_StopBits", "0").at(25, 3),

    // ---- AutoFocus
    I("AutoFocus", "SPED_TPS_Base_Autofocus", Pref, "SPED_Tps_Base_Autofocus", "10000").at(29, 1),
    N("AutoFocus", "TNI_FWHM_Stop", Pref, "TNI_FWHM_Stop", 1000, Tr, "4000").at(29, 1),

    // ---- Mire
    B("Mire", "CKB_Intensite_Max", Pref, "CKB_Intensite_Max", "0").at(29, 3),
    B("Mire", "CKB_Intensite_Min", Pref, "CKB_Intensite_Min", "0").at(29, 3),
    B("Mire", "FWHM", Pref, "CKB_FWHM", "0").at(29, 3),
    B("Mire", "IPS", Pref, "CKB_IPS", "0").at(29, 3),
    B("Mire", "RDB_Carre", Pref, "RDB_Carre", "1").runs("FRM_Pref.RDB_CarreClick").with(HandlerIfChecked).at(29, 3),
    B("Mire", "RDB_Cercle", Pref, "RDB_Cercle", "0").runs("FRM_Pref.RDB_CercleClick").with(HandlerIfChecked).at(29, 3),
    B("Mire", "RDB_Croix", Pref, "RDB_Croix", "1").runs("FRM_Pref.RDB_CroixClick").with(HandlerIfChecked).at(29, 3),
    B("Mire", "RDB_Point", Pref, "RDB_Point", "0").runs("FRM_Pref.RDB_PointClick").with(HandlerIfChecked).at(29, 3),

    // ---- GOTO
    Ch("GOTO", "GotoMode", "FRM_ObjectAction", &kGotoMode, "1").only(Write),
    // The hand pad's target as the user left it: number, lists and typed
    // coordinates (seconds times 1000), then the catalogue, whose inputs
    // are enabled once it is back.
    T("GOTO", "Raquette_Numero", Pad, "EDT_Numero", "").at(30, 2),
    Of(KeyKind::ComboIndex, "GOTO", "Raquette_Etoile", Pad, "CBX_Etoile", "0").at(30, 2),
    Of(KeyKind::ComboIndex, "GOTO", "Raquette_Planete", Pad, "CBX_Planete", "0").at(30, 2),
    N("GOTO", "Raquette_RaH", Pad, "TNI_RaH", 1, Tr, "0").at(30, 2),
    N("GOTO", "Raquette_RaM", Pad, "TNI_RaM", 1, Tr, "0").at(30, 2),
    N("GOTO", "Raquette_RaS", Pad, "TNI_RaS", 1000, Ro, "0").at(30, 2),
    N("GOTO", "Raquette_DecD", Pad, "TNI_DecD", 1, Tr, "0").at(30, 2),
    N("GOTO", "Raquette_DecM", Pad, "TNI_DecM", 1, Tr, "0").at(30, 2),
    N("GOTO", "Raquette_DecS", Pad, "TNI_DecS", 1000, Ro, "0").at(30, 2),
    Ch("GOTO", "Raquette_Catalogue", Pad, &kPadCatalogue, "1").runs("Raquette.ShowChosenCatalogue").at(30, 2),

    // ---- Carte: magnitude limits, class switches, then the chart state.
#define NJ_MAG(k, def) N("Carte", "TNI_Carte_" k ".Value", Pref, "TNI_Carte_" k, 1000, Tr, def).at(30, 0)
    NJ_MAG("MagMin_Etoile", "6000"), NJ_MAG("MagMin_Gx", "6000"), NJ_MAG("MagMin_Galcl", "6000"),
    NJ_MAG("MagMin_OC", "6000"), NJ_MAG("MagMin_Gb", "6000"), NJ_MAG("MagMin_Nb", "6000"),
    NJ_MAG("MagMin_Pl", "6000"), NJ_MAG("MagMin_C_N", "6000"), NJ_MAG("MagMin_Autres", "6000"),
    NJ_MAG("MagMax_Etoile", "-3000"), NJ_MAG("MagMax_Gx", "0"), NJ_MAG("MagMax_Galcl", "0"),
    NJ_MAG("MagMax_OC", "0"), NJ_MAG("MagMax_Gb", "0"), NJ_MAG("MagMax_Nb", "0"),
    NJ_MAG("MagMax_Pl", "0"), NJ_MAG("MagMax_C_N", "0"), NJ_MAG("MagMax_Autres", "0"),
    NJ_MAG("MagMin_Etoile_Leg", "4000"), NJ_MAG("MagMin_Gx_Leg", "6000"), NJ_MAG("MagMin_Galcl_Leg", "6000"),
    NJ_MAG("MagMin_OC_Leg", "6000"), NJ_MAG("MagMin_Gb_Leg", "6000"), NJ_MAG("MagMin_Nb_Leg", "6000"),
    NJ_MAG("MagMin_Pl_Leg", "6000"), NJ_MAG("MagMin_C_N_Leg", "6000"), NJ_MAG("MagMin_Autres_Leg", "6000"),
    NJ_MAG("MagMax_Etoile_Leg", "-3000"), NJ_MAG("MagMax_Gx_Leg", "0"), NJ_MAG("MagMax_Galcl_Leg", "0"),
    NJ_MAG("MagMax_OC_Leg", "0"), NJ_MAG("MagMax_Gb_Leg", "0"), NJ_MAG("MagMax_Nb_Leg", "0"),
    NJ_MAG("MagMax_Pl_Leg", "0"), NJ_MAG("MagMax_C_N_Leg", "0"), NJ_MAG("MagMax_Autres_Leg", "0"),
#undef NJ_MAG
#define NJ_CLASS(k) B("Carte", "CKB_Carte_" k ".Checked", Pref, "CKB_Carte_" k, "1").at(30, 0)
    NJ_CLASS("Etoiles"), NJ_CLASS("Gx"), NJ_CLASS("Galcl"), NJ_CLASS("OC"), NJ_CLASS("Gb"), NJ_CLASS("Nb"),
    NJ_CLASS("Pl"), NJ_CLASS("C_N"), NJ_CLASS("Autres"),
    NJ_CLASS("Etoiles_Leg"), NJ_CLASS("Gx_Leg"),
    B("Carte", "CKB_Carte_Galcl_Leg.Checked", Pref, "CKB_Carte_GalCl_Leg", "1").at(30, 0),
    NJ_CLASS("OC_Leg"), NJ_CLASS("Gb_Leg"), NJ_CLASS("Nb_Leg"), NJ_CLASS("Pl_Leg"), NJ_CLASS("C_N_Leg"),
    NJ_CLASS("Autres_Leg"),
#undef NJ_CLASS
    N("Carte", "CurrentRa", nullptr, "GotoCurrentRA", 1000, Tr, "0").at(30, 1),
    N("Carte", "CurrentDec", nullptr, "GotoCurrentDec", 1000, Tr, "0").at(30, 1),
    N("Carte", "Destination_Ra", nullptr, "GotoDestinationRA", 1000, Tr, "0").at(30, 1),
    N("Carte", "Destination_Dec", nullptr, "GotoDestinationDec", 1000, Tr, "0").at(30, 1),
    N("Carte", "Origine_Ra", nullptr, "GotoOriginRA", 1000, Tr, "0").at(30, 1),
    N("Carte", "Origine_Dec", nullptr, "GotoOriginDec", 1000, Tr, "0").at(30, 1),
    N("Carte", "PointRa", nullptr, "ChartCentreRA", 1000, Tr, "0").at(30, 1),
    N("Carte", "PointDec", nullptr, "ChartCentreDec", 1000, Tr, "795").at(30, 1),
    N("Carte", "Largeur", nullptr, "ChartFieldWidth", 1000000, Tr, "1570796").at(30, 1),

    // ---- Network (kept for the user; nothing else reads them)
    B("Network", "Mode_Monoposte", Pref, "RDB_Monoposte", "1").at(29, 2),
    B("Network", "Mode_Client", Pref, "RDB_Client", "0").at(29, 2),
    B("Network", "Mode_Serveur", Pref, "RDB_Serveur", "0").at(29, 2),
    T("Network", "Adresse_Serveur", Pref, "EDT_Adresse_Serveur", "127.0.0.1").at(29, 2),
    // Missing: the input keeps its present value.
    N("Network", "Port", Pref, "TNI_Port", 1, Tr, nullptr).at(29, 2),

    // ---- Windows (read by LoadMiscPrefs and LoadWindowLayout; centred
    // defaults are computed there).
    G("FRM_Alv_Top", "FRM_Alv", "Top", "0").reads("FRM_AlV_Top"),
    G("FRM_Alv_Left", "FRM_Alv", "Left", "0").reads("FRM_AlV_Left"),
    G("FRM_Alv_Height", "FRM_Alv", "Height", "600").reads("FRM_AlV_Height"),
    G("FRM_Alv_Width", "FRM_Alv", "Width", "800").reads("FRM_AlV_Width"),
    G("FRM_AlV_WindowState", "FRM_Alv", "WindowState", "0"),
    G("FRM_MiseEnStation_Top", "FRM_MiseEnStation", "Top", "0"),
    G("FRM_MiseEnStation_Left", "FRM_MiseEnStation", "Left", "0"),
    G("FRM_MiseEnstation_visible", "FRM_MiseEnStation", "visible", "0"),
#define NJ_TLV(w) G(w "_Top", w, "Top", "0"), G(w "_Left", w, "Left", "0"), G(w "_visible", w, "visible", "0")
#define NJ_TL(w) G(w "_Top", w, "Top", "0"), G(w "_Left", w, "Left", "0")
    NJ_TLV("FRM_Pref"), NJ_TLV("FRM_Tool_Affichage"), NJ_TLV("FRM_Tool_Images"), NJ_TLV("FRM_Tool_Mesures"),
    NJ_TL("FRM_Longuepose"),
    NJ_TLV("FRM_ObjectAction"), NJ_TLV("FRM_ImgRef"), NJ_TLV("FRM_Detect_Mvt"), NJ_TLV("FRM_ComTrafic"),
    NJ_TL("FRM_Message"), NJ_TL("FRM_PlayControl"),
    NJ_TLV("FRM_Prg_Suivi"), NJ_TLV("FRM_FWHM"), NJ_TLV("FRM_Raquette"),
    G("FRM_Script_Top", "FRM_Script", "Top", "0"), G("FRM_Script_Left", "FRM_Script", "Left", "0"),
    G("FRM_Script_Height", "FRM_Script", "Height", "300"), G("FRM_Script_Width", "FRM_Script", "Width", "400"),
    G("FRM_Script_visible", "FRM_Script", "visible", "0"),
    G("FRM_Sky_Top", "FRM_Sky", "Top", "0"), G("FRM_Sky_Left", "FRM_Sky", "Left", "0"),
    G("FRM_Sky_Height", "FRM_Sky", "Height", "480"), G("FRM_Sky_Width", "FRM_Sky", "Width", "640"),
    G("FRM_Sky_visible", "FRM_Sky", "visible", "0"),
    NJ_TLV("FRM_ScrCmd"), NJ_TLV("FRM_Tool_Suivi"),
#undef NJ_TLV
#undef NJ_TL
    // The message window's size is read but never written.
    G("FRM_Message_Width", "FRM_Message", "Width", "250").only(Read),
    G("FRM_Message_Height", "FRM_Message", "Height", "350").only(Read),
    // Beside the place of a window stored where the program put it (never
    // shown, or shown only at its first place, and closed): that place,
    // "Left,Top". Such a place is not the user's: the window takes a first
    // place again at the next start. Without this key, or when it names
    // another place than the one stored (a file of an earlier version, a
    // place changed since), the stored place is the user's.
#define NJ_FIRST(w) G(w "_FirstPlace", w, "FirstPlace", nullptr).with(OnlyWhileHeld)
    NJ_FIRST("FRM_MiseEnStation"), NJ_FIRST("FRM_Pref"), NJ_FIRST("FRM_Tool_Affichage"),
    NJ_FIRST("FRM_Tool_Images"), NJ_FIRST("FRM_Tool_Mesures"), NJ_FIRST("FRM_Longuepose"),
    NJ_FIRST("FRM_ObjectAction"), NJ_FIRST("FRM_ImgRef"), NJ_FIRST("FRM_Detect_Mvt"), NJ_FIRST("FRM_ComTrafic"),
    NJ_FIRST("FRM_Message"), NJ_FIRST("FRM_PlayControl"), NJ_FIRST("FRM_Prg_Suivi"), NJ_FIRST("FRM_FWHM"),
    NJ_FIRST("FRM_Raquette"), NJ_FIRST("FRM_Script"), NJ_FIRST("FRM_Sky"), NJ_FIRST("FRM_ScrCmd"),
    NJ_FIRST("FRM_Tool_Suivi"),
#undef NJ_FIRST
    // The windows on the screen as the program closes, bottom to top, by
    // name ("FRM_Alv,FRM_Raquette,FRM_Script"): they are put back in that
    // order once the window layout has shown them. Without this key (a file
    // of an earlier version) they stand as they are shown.
    G("Empilement", "FRM_Alv", "Stacking", nullptr).with(OnlyWhileHeld),

    // ---- Scripts (read only)
    I("Scripts", "Scriptrate", "FRM_Script", "TMR_Script", "250").only(Read).at(12, 2),

    // ---- Equipment profiles: the section is the prefix followed by the name.
    N("Optique.", "Focale", Pref, "TNI_Focale", 10000, Ro, "20000000").with(ProfileKey | Sentinel),
    B("Optique.", "BarlowChecked", Pref, "CKB_Barlow", "0").with(ProfileKey),
    N("Optique.", "Barlow", Pref, "TNI_Barlow", 1000, Ro, "2000").floor(1.0).with(ProfileKey),
    B("Optique.", "ReducteurChecked", Pref, "CKB_Reducteur", "0").with(ProfileKey),
    N("Optique.", "Reducteur", Pref, "TNI_Reducteur", 1000, Ro, "630").floor(0.01).with(ProfileKey),
    B("Optique.", "RenvoiCoudeChecked", Pref, "CKB_RenvoiCoude", "0").with(ProfileKey),

    N("Monture.", "Rayon_Az", Pref, "TNI_Rayon_Az", 1, Ro, "15").with(ProfileKey | Sentinel),
    N("Monture.", "Rayon_Alt", Pref, "TNI_Rayon_Alt", 1, Ro, "15").with(ProfileKey),
    N("Monture.", "Fil_Az", Pref, "TNI_Fil_Az", 1000, Ro, "1000").with(ProfileKey),
    N("Monture.", "Fil_Alt", Pref, "TNI_Fil_Alt", 1000, Ro, "1000").with(ProfileKey),
    B("Monture.", "Inverse_Az", Pref, "CKB_Inverse_Az", "0").with(ProfileKey),
    B("Monture.", "Inverse_Alt", Pref, "CKB_Inverse_Alt", "0").with(ProfileKey),

    N("Vitesse_Moteur.", "AG_Tps_Inertie_Dec", Pref, "TNI_Tps_Inertie_Dec", 1, Ro, "100").with(ProfileKey),
    N("Vitesse_Moteur.", "AG_Tps_Inertie_AD", Pref, "TNI_Tps_Inertie_AD", 1, Ro, "100").with(ProfileKey),
    I("Vitesse_Moteur.", "AG_Pourcent_Inertie_Dec", Pref, "SPED_Pourcent_Inertie_Dec", "20").with(ProfileKey),
    I("Vitesse_Moteur.", "AG_Pourcent_Inertie_AD", Pref, "SPED_Pourcent_Inertie_AD", "20").with(ProfileKey),
    N("Vitesse_Moteur.", "AG_Jeu_AD", Pref, "TNI_Jeu_AD", 1, Ro, "20").with(ProfileKey),
    N("Vitesse_Moteur.", "AG_Jeu_Dec", Pref, "TNI_Jeu_Dec", 1, Ro, "20").with(ProfileKey),
    N("Vitesse_Moteur.", "AG_Vitesse_Nord", Pref, "TNI_Vitesse_Nord", 1000, Ro, "5000").with(ProfileKey),
    N("Vitesse_Moteur.", "AG_Vitesse_Ouest", Pref, "TNI_Vitesse_Ouest", 1000, Ro, "5000").with(ProfileKey),
    N("Vitesse_Moteur.", "AG_Vitesse_Est", Pref, "TNI_Vitesse_Est", 1000, Ro, "5000").with(ProfileKey),
    N("Vitesse_Moteur.", "AG_Vitesse_Sud", Pref, "TNI_Vitesse_Sud", 1000, Ro, "5000").with(ProfileKey),
    B("Vitesse_Moteur.", "CKB_Correct_Ouest", Pref, "CKB_Correct_Ouest", "1").with(ProfileKey),
    B("Vitesse_Moteur.", "CKB_Correct_Est", Pref, "CKB_Correct_Est", "1").with(ProfileKey),
    B("Vitesse_Moteur.", "CKB_Correct_Nord", Pref, "CKB_Correct_Nord", "1").with(ProfileKey),
    B("Vitesse_Moteur.", "CKB_Correct_Sud", Pref, "CKB_Correct_Sud", "1").with(ProfileKey),
    // Off unless a stored profile says otherwise: the box is hidden, and on
    // it would time West pulses of a guide speed under the sidereal rate at
    // 0.1"/s.
    B("Vitesse_Moteur.", "CKB_Correct_SID", Pref, "CKB_Correct_Sid", "0").with(ProfileKey),
    B("Vitesse_Moteur.", "AG_Choix_Tps_Inertie_Dec", Pref, "RDB_Temps_Inertie_Dec", "1").with(ProfileKey),
    B("Vitesse_Moteur.", "AG_Choix_Prc_Inertie_Dec", Pref, "RDB_Pourcent_Inertie_Dec", "0").with(ProfileKey),
    B("Vitesse_Moteur.", "AG_Choix_Tps_Inertie_AD", Pref, "RDB_Temps_Inertie_AD", "1").with(ProfileKey),
    B("Vitesse_Moteur.", "AG_Choix_Prc_Inertie_AD", Pref, "RDB_Pourcent_Inertie_AD", "0").with(ProfileKey),

    N("Camera.", "Larg_Pix", Pref, "TNI_Larg_Pix", 1000, Ro, "7400").with(ProfileKey | Sentinel),
    N("Camera.", "Haut_Pix", Pref, "TNI_Haut_Pix", 1000, Ro, "7400").with(ProfileKey),
    N("Camera.", "NbPix_X", Pref, "TNI_NbPix_X", 1, Ro, "640").with(ProfileKey),
    N("Camera.", "NbPix_Y", Pref, "TNI_NbPix_Y", 1, Ro, "480").with(ProfileKey),
    B("Camera.", "VestaModChecked", Pref, "CKB_VestaMod", "0").with(ProfileKey),
    B("Camera.", "CKB_RAW.Checked", Pref, "CKB_Raw", "0").with(ProfileKey),
    B("Camera.", "RDB_RAWMode_1.Checked", Pref, "RDB_RAWMode_1", "1").with(ProfileKey),
    B("Camera.", "RDB_RAWMode_2.Checked", Pref, "RDB_RAWMode_2", "0").with(ProfileKey),
    B("Camera.", "RDB_RAWMode_3.Checked", Pref, "RDB_RAWMode_3", "0").with(ProfileKey),
    B("Camera.", "RDB_RAWMode_4.Checked", Pref, "RDB_RAWMode_4", "0").with(ProfileKey),

    // ---- Night-colour scheme files, one key per system colour index 0..28.
#define NJ_NITE(k, def) Of(KeyKind::Colour, "NiteColor", "PNL_Color_" k, Pref, "PNL_Color_" k, def).with(SchemeKey)
    NJ_NITE("Scrollbar", "64"), NJ_NITE("Background", "0"), NJ_NITE("Active_window_title", "64"),
    NJ_NITE("Inactive_window_title", "0"), NJ_NITE("Window_menu", "128"), NJ_NITE("Window", "128"),
    NJ_NITE("Window_frame", "0"), NJ_NITE("Window_menu_text", "0"), NJ_NITE("Window_text", "255"),
    NJ_NITE("Window_title_text", "255"), NJ_NITE("Active_window_border", "128"),
    NJ_NITE("Inactive_window_border", "64"), NJ_NITE("App_workspace", "0"), NJ_NITE("Highlight", "128"),
    NJ_NITE("Hightlight_text", "0"), NJ_NITE("Button_face", "128"), NJ_NITE("Button_shadow", "0"),
    NJ_NITE("Gray_text", "8421504"),
    // Missing: the panel keeps its present colour.
    NJ_NITE("Button_text", nullptr),
    NJ_NITE("Inactive_title_text", "128"), NJ_NITE("Button_highlight", "255"),
    NJ_NITE("Button_dark_shadow", "0"), NJ_NITE("Button_light", "0"), NJ_NITE("Tooltip_text", "255"),
    NJ_NITE("Tooltip_background", "128"), NJ_NITE("Button_Alt_face", "128"),
    NJ_NITE("Hottracking_color", "128"), NJ_NITE("Gradient_active_title", "64"),
    NJ_NITE("Gradient_Inactive_title", "0"),
#undef NJ_NITE
};
// clang-format on

constexpr const char* kSectionOrder[] = {
    "Prefs", "SpaceManagement", "GOTOManagement", "Ears", "System", "Exposure", "Seuils", "Integration",
    "Filtres", "Autoguide", "Mesures", "Focus", "AutoFocus", "Mire", "GOTO", "Carte", "Network", "Windows",
};

std::span<const KeySpec> range(bool (*pred)(const KeySpec&))
{
    const KeySpec* first = nullptr;
    const KeySpec* last = nullptr;
    for (const KeySpec& k : kTable) {
        if (pred(k)) {
            if (!first)
                first = &k;
            last = &k;
        }
    }
    return first ? std::span<const KeySpec>(first, last + 1) : std::span<const KeySpec>();
}

} // namespace

std::span<const KeySpec> KeyTable() { return kTable; }

std::span<const char* const> SectionOrder() { return kSectionOrder; }

const KeySpec* FindKey(QStringView section, QStringView key)
{
    const QString s = platform::foldIniName(section.toString());
    const QString k = platform::foldIniName(key.toString());
    for (const KeySpec& spec : kTable) {
        if (platform::foldIniName(spec.sectionName()) != s)
            continue;
        if (platform::foldIniName(spec.keyName()) == k || platform::foldIniName(spec.readKeyName()) == k)
            return &spec;
    }
    return nullptr;
}

std::span<const KeySpec> ProfileKeys(QStringView prefix)
{
    const QString p = prefix.toString();
    std::span<const KeySpec> all = range([](const KeySpec& k) { return k.has(ProfileKey); });
    const KeySpec* first = nullptr;
    const KeySpec* last = nullptr;
    for (const KeySpec& k : all) {
        if (k.sectionName() == p) {
            if (!first)
                first = &k;
            last = &k;
        }
    }
    return first ? std::span<const KeySpec>(first, last + 1) : std::span<const KeySpec>();
}

std::span<const KeySpec> SchemeKeys()
{
    return range([](const KeySpec& k) { return k.has(SchemeKey); });
}

} // namespace Settings
