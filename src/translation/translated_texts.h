#pragma once
// The texts that the program builds its messages, titles and labels from at
// run time. Each one has a key in the language file and a French default.
// The texts are empty until the first translation pass, which sets every one
// of them to the language file's value for its key or to its French default;
// readers take the current value each time they build a text, so a language
// change shows in the next message.

#include <QString>
#include <QStringView>

#include <span>

// X(name, key, French default). A name is its key with "." made "_"; the nine
// fixed words carry "Txt_" before the key.
#define NJ_TRANSLATED_TEXTS(X) \
    /* Fixed words (sound-resource names among them). */ \
    X(Txt_Nord, "Nord", "Nord") \
    X(Txt_Sud, "Sud", "Sud") \
    X(Txt_Est, "Est", "Est") \
    X(Txt_Ouest, "Ouest", "Ouest") \
    X(Txt_Lebas, "Lebas", "le bas") \
    X(Txt_Lehaut, "Lehaut", "le haut") \
    X(Txt_TOP, "TOP", "TOP") \
    X(Txt_OUI, "OUI", "OUI") \
    X(Txt_NON, "NON", "NON") \
    /* Titles and labels that windows take at run time. */ \
    X(POPUP_SKY_Cursor_Caption, "POPUP_SKY_Cursor.Caption", "Curseur") \
    X(BTNPref_Caption, "BTNPref_Caption", "Propriétés du bouton") \
    X(FRM_Pilote_Caption, "FRM_Pilote.Caption", "Pilote de capture") \
    X(MSG_OK, "MSG_OK", "OK") \
    X(MSG_Annuler, "MSG_Annuler", "Annuler") \
    X(MSG_Recherche_CielProfond, "MSG_Recherche_CielProfond", "Recherche Ciel Profond") \
    X(MSG_Recherche_NGCIC, "MSG_Recherche_NGCIC", "Recherche NGC/IC") \
    X(MSG_Recherche_Messier, "MSG_Recherche_Messier", "Recherche Messier") \
    X(MSG_Recherche_SAO, "MSG_Recherche_SAO", "Recherche SAO") \
    X(MSG_Recherche_Etoile_Pop, "MSG_Recherche_Etoile_Pop", "Recherche Etoile Nom Populaire") \
    X(MSG_Recherche_Constellation, "MSG_Recherche_Constellation", "Recherche Constellation") \
    X(MSG_AD, "MSG_AD", "A.D.") \
    X(MSG_Dec, "MSG_Dec", "Dec.") \
    X(MSG_Planif_PNumero, "MSG_Planif_PNumero", "N°") \
    X(MSG_Planif_PCommand, "MSG_Planif_PCommand", "Commande") \
    X(MSG_Planif_PCoord, "MSG_Planif_PCoord", "Coord.") \
    X(MSG_Planif_PADh, "MSG_Planif_PADh", "A.D.h") \
    X(MSG_Planif_PADm, "MSG_Planif_PADm", "A.D.m") \
    X(MSG_Planif_PADs, "MSG_Planif_PADs", "A.D.s") \
    X(MSG_Planif_PDEd, "MSG_Planif_PDEd", "Dec.d") \
    X(MSG_Planif_PDEm, "MSG_Planif_PDEm", "Dec.m") \
    X(MSG_Planif_PDEs, "MSG_Planif_PDEs", "Dec.s") \
    X(MSG_Planif_PType, "MSG_Planif_PType", "Type") \
    X(MSG_Planif_PDuree, "MSG_Planif_PDuree", "Durée") \
    X(MSG_Planif_PNombre, "MSG_Planif_PNombre", "Nombre") \
    X(MSG_Planif_PPrefixe, "MSG_Planif_PPrefixe", "Préfixe") \
    /* Lines of the assisted-measurement instructions (the readers number and join them). */ \
    X(MSG_TailleOrientCapt1, "MSG_TailleOrientCapt1", "Cliquer sur une etoile") \
    X(MSG_TailleOrientCapt2, "MSG_TailleOrientCapt2", "Arreter le suivi du telescope") \
    X(MSG_TailleOrientCapt3, "MSG_TailleOrientCapt3", "Cliquer sur le bouton \"Executer\"") \
    X(MSG_TailleOrientCapt4, "MSG_TailleOrientCapt4", "Attendre le message de fin d'execution") \
    X(MSG_TailleOrientCapt5, "MSG_TailleOrientCapt5", "ou cliquer sur \"Arrêter\"") \
    X(MSG_Setderive1, "MSG_Setderive1", "Cliquer sur l'etoile") \
    X(MSG_Setderive2, "MSG_Setderive2", "Cliquer sur le bouton \"Executer\"") \
    X(MSG_Setderive3, "MSG_Setderive3", "Attendre le message de fin d'execution") \
    X(MSG_Setderive4, "MSG_Setderive4", "ou cliquer sur \"Arrêter\"") \
    X(MSG_DeclEtoile1, "MSG_DeclEtoile1", "Cliquer sur l'etoile") \
    X(MSG_DeclEtoile2, "MSG_DeclEtoile2", "Arreter le suivi du telescope") \
    X(MSG_DeclEtoile3, "MSG_DeclEtoile3", "Cliquer sur le bouton \"Executer\"") \
    X(MSG_DeclEtoile4, "MSG_DeclEtoile4", "Attendre le message de fin d'execution") \
    X(MSG_DeclEtoile5, "MSG_DeclEtoile5", "ou cliquer sur \"Arrêter\"") \
    X(MSG_MES1, "MSG_MES1", "Demarrer le suivi du telescope") \
    X(MSG_MES2, "MSG_MES2", "Cliquer sur l'etoile") \
    X(MSG_MES3, "MSG_MES3", "Cliquer sur le bouton \"Executer\"") \
    X(MSG_MES4, "MSG_MES4", "Attendre le message de fin d'execution") \
    X(MSG_MES5, "MSG_MES5", "ou cliquer sur \"Arrêter\"") \
    X(MSG_ExecutionTerminee, "MSG_ExecutionTerminee", "Execution terminée") \
    /* Messages of images, files, scripts and the mount. */ \
    X(MSG_Cannot_Start_Cam1, "MSG_Cannot_Start_Cam1", "Impossible de demarrer la camera #") \
    X(MSG_Cannot_Start_Cam2, "MSG_Cannot_Start_Cam2", ", verifier le branchement et les pilotes.") \
    X(MSG_Cannot_Set_Format, "MSG_Cannot_Set_Format", "Impossible de determiner le format des images, veuillez en choisir un autre.") \
    X(MSG_Prepare_Buffer, "MSG_Prepare_Buffer", "Preparation du buffer d'intégration") \
    X(MSG_Buffer_Too_Large, "MSG_Buffer_Too_Large", "Mémoire insuffisante pour le buffer d'intégration : réduisez le nombre d'images ou la taille de la zone") \
    X(MSG_Buffer_Missing, "MSG_Buffer_Missing", "Le buffer d'intégration en boucle n'est pas prêt : image non calculée") \
    X(MSG_Planes_Missing, "MSG_Planes_Missing", "Mémoire insuffisante pour les plans d'addition : image non calculée") \
    X(MSG_Ecrasement1, "MSG_Ecrasement1", "Attention !!!") \
    X(MSG_Ecrasement2, "MSG_Ecrasement2", "La sequence que vous allez enregistrer existe déjà !") \
    X(MSG_Ecrasement3, "MSG_Ecrasement3", "Elle sera ecrasée si vous continuez !") \
    X(MSG_NOT_CRV_FILE, "MSG_NOT_CRV_FILE", "Ce n'est pas un fichier de courbes") \
    X(MSG_Remplacer_Fichier, "MSG_Remplacer_Fichier", "Voulez vous remplacer le fichier") \
    X(MSG_NotFound, "MSG_NotFound", "non trouvé") \
    X(MSG_Script_not_found, "MSG_Script_not_found", "Script introuvable") \
    X(MSG_Object_not_found, "MSG_Object_not_found", "Objet non trouvé") \
    /* Messages of the port-driver set-up (numbered families are the lines of one message; a leading blank is kept because the readers join the parts without adding one). */ \
    X(MSG_PT_NotFound_1, "MSG_PT_NotFound_1", "PortTalk: Impossible de trouver le dossier systeme.") \
    X(MSG_PT_NotFound_2, "MSG_PT_NotFound_2", "La taille du nom du dossier est-elle > 55 caracteres ?") \
    X(MSG_PT_NotFound_3, "MSG_PT_NotFound_3", "Le fichier a donc été mis dans le dossier courant.") \
    X(MSG_PT_NotFound_4, "MSG_PT_NotFound_4", "Copiez manuellement Porttalk.sys vers votre dossier system32/driver.") \
    X(MSG_PT_CannotCopy_1, "MSG_PT_CannotCopy_1", "PortTalk: Impossible de copier le driver vers") \
    X(MSG_PT_CannotCopy_2, "MSG_PT_CannotCopy_2", "Le fichier a donc été mis dans le dossier courant.") \
    X(MSG_PT_CannotCopy_3, "MSG_PT_CannotCopy_3", "Copiez manuellement Porttalk.sys vers votre dossier system32/driver.") \
    X(MSG_PT_Exists, "MSG_PT_Exists", "PortTalk: Le driver existe déjà. Aucune action effectuée.") \
    X(MSG_PT_Error_Unknown, "MSG_PT_Error_Unknown", "PortTalk: Erreur inconnue en créant le service.") \
    X(MSG_PT_Install_OK, "MSG_PT_Install_OK", "PortTalk: Le driver a été correctement installé.") \
    X(MSG_PT_No_Rights_1, "MSG_PT_No_Rights_1", "PortTalk: Vous n'avez pas les droits d'acceder au Service Control Manager et") \
    X(MSG_PT_No_Rights_2, "MSG_PT_No_Rights_2", " le driver PortTalk n'est ni installé ni demarré. Demandez à") \
    X(MSG_PT_No_Rights_3, "MSG_PT_No_Rights_3", " votre administrateur systeme d'installer le pilote pour vous.") \
    X(MSG_PT_No_Db_Rights, "MSG_PT_No_Db_Rights", "PortTalk: Vous n'avez pas les droits pour acceder au PortTalk service database.") \
    X(MSG_PT_Service_invalid, "MSG_PT_Service_invalid", "PortTalk: Le nom de service specifié est invalide.") \
    X(MSG_PT_NT_Detected_1, "MSG_PT_NT_Detected_1", "Windows NT a été detecté.") \
    X(MSG_PT_NT_Detected_2, "MSG_PT_NT_Detected_2", "Installation du driver Porttalk en cours.") \
    X(MSG_PT_NT_Detected_3, "MSG_PT_NT_Detected_3", "Ceci peut durer jusqu'à 30 secondes sur certaines machines . .") \
    X(MSG_PT_Already_running, "MSG_PT_Already_running", "PortTalk: Le driver PortTalk tourne déjà.") \
    X(MSG_PT_error_Starting_1, "MSG_PT_error_Starting_1", "PortTalk: Erreur inconnue en démarrant le service PortTalk.") \
    X(MSG_PT_error_Starting_2, "MSG_PT_error_Starting_2", "PortTalk.SYS existe-t-il bien dans le dossier\\System32\\Drivers?") \
    X(MSG_PT_error_Starting_3, "MSG_PT_error_Starting_3", "Le driver a donc été réinstallé, veuillez redemarrer l'application") \
    X(MSG_PT_IOCTL_Error_1, "MSG_PT_IOCTL_Error_1", "PortTalk: Erreur") \
    X(MSG_PT_IOCTL_Error_2, "MSG_PT_IOCTL_Error_2", " survenue dans IOCTL_IOPM_RESTRICT_ALL_ACCESS") \
    X(MSG_PT_Access_Error_1, "MSG_PT_Access_Error_1", "PortTalk: Une erreur") \
    X(MSG_PT_Access_Error_2, "MSG_PT_Access_Error_2", " est survenue en contactant le Driver") \
    X(MSG_PT_Access_Error_3, "MSG_PT_Access_Error_3", "Le driver PortTalk a défini l'IOPM pour le ProcessID #") \
    /* end */

// French defaults of the texts below that are not in the shared list.
inline constexpr char kDeconnexionAutoguidage[] =
    "Déconnexion impossible : l'autoguidage envoie ses corrections par cette liaison. Arrêtez-le d'abord : dans "
    "la fenêtre Suivi/Autoguidage, décochez « Activé » ou choisissez « Suivi logiciel ».";
inline constexpr char kDeconnexionRecentrage[] =
    "Déconnexion impossible : le recentrage mécanique du suivi envoie ses corrections par cette liaison. "
    "Arrêtez-le d'abord : dans la fenêtre Suivi/Autoguidage, décochez « Activé » ou « Recentrage mecanique ».";
inline constexpr char kDeconnexionAutofocus[] =
    "Déconnexion impossible : l'autofocus déplace la mise au point par cette liaison. Arrêtez-le d'abord avec "
    "« Arrêter » dans le groupe Autofocus de la raquette.";
inline constexpr char kDeconnexionApprentissage[] =
    "Déconnexion impossible : l'apprentissage des vitesses des moteurs déplace la monture par cette liaison. "
    "Arrêtez-le d'abord avec le bouton d'arrêt à côté de « Opération » dans la fenêtre principale.";

struct TTranslatedTexts {
#define NJ_TRANSLATED_TEXT_FIELD(name, key, frenchDefault) QString name;
    NJ_TRANSLATED_TEXTS(NJ_TRANSLATED_TEXT_FIELD)
#undef NJ_TRANSLATED_TEXT_FIELD

    // Shown when the settings file cannot be written at the program's end,
    // which may come before any translation pass: it starts with its default.
    QString MSG_Settings_not_saved = QStringLiteral("Les réglages n'ont pas pu être enregistrés");
    // Shown when a typed value is outside its field's bounds, which the two
    // "%g" take in order; a field may be left before any translation pass.
    QString MSG_Valeur_Hors_Limites = QStringLiteral("La valeur doit être comprise entre %g et %g");
    // The main window's operation panel when no operation is under way.
    QString MSG_Aucune_Operation = QStringLiteral("Aucune");
    // The operation panel's name of each operation, armed or running.
    QString MSG_Operation_MES = QStringLiteral("M.en station");
    QString MSG_Operation_Orientation = QStringLiteral("Orientation");
    QString MSG_Operation_Decl_Etoile = QStringLiteral("Decl. Etoile");
    QString MSG_Operation_Err_Periodique = QStringLiteral("Err.Periodique");
    QString MSG_Operation_Def_Derive = QStringLiteral("Def. Derive");
    QString MSG_Operation_Appr_Guidage = QStringLiteral("Appr.Guidage");
    QString MSG_Operation_Collimation = QStringLiteral("Collimation");
    // What a "Deconnecter" says when the link it would close is in use by
    // something that sends on its own and would connect it again at its
    // next step; nothing is disconnected.
    QString MSG_Deconnexion_Autoguidage = QString::fromUtf8(kDeconnexionAutoguidage);
    QString MSG_Deconnexion_Recentrage = QString::fromUtf8(kDeconnexionRecentrage);
    QString MSG_Deconnexion_Autofocus = QString::fromUtf8(kDeconnexionAutofocus);
    QString MSG_Deconnexion_Apprentissage = QString::fromUtf8(kDeconnexionApprentissage);
};

extern TTranslatedTexts TranslatedTexts;

// One text of TranslatedTexts with its language-file key.
struct TTranslatedTextEntry {
    const char* name;          // the member's name
    const char* key;           // the language-file key (compared case-insensitively)
    const char* frenchDefault; // UTF-8
    QString TTranslatedTexts::*text;

    QString defaultText() const { return QString::fromUtf8(frenchDefault); }
};

namespace Translation {

// Every text in the order the translation pass reads them: the fixed words,
// the titles and labels, the assistant lines, the messages.
std::span<const TTranslatedTextEntry> TextEntries();

// The entry of a key, letter case ignored; nullptr for an unknown key.
const TTranslatedTextEntry* FindText(QStringView key);

// The text of a key inside TranslatedTexts; nullptr for an unknown key.
QString* TextByKey(QStringView key);

// Sets every text from a reader of (key, French default), as the translation
// pass does; with no language file the reader gives back the default.
template <typename Reader>
void ReadTexts(Reader&& read)
{
    for (const TTranslatedTextEntry& e : TextEntries())
        TranslatedTexts.*e.text = read(QString::fromLatin1(e.key), e.defaultText());
}

// Every text to its French default.
void ResetTexts();

} // namespace Translation
