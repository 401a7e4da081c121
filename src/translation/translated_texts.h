#pragma once
// The texts that the program builds its messages, titles and labels from at
// run time. Each one has a key in the language file and a French default.
// The texts are empty until the first translation pass, which sets every one
// of them to the language file's value for its key or to its French default;
// readers take the current value each time they build a text, so a language
// change shows in the next message.

#include "platform/platform_texts.h"

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

// The texts the program's own messages, questions and dialogs are built from,
// beyond the shared list above. X(name, French default); the name is also the
// language-file key. They hold their French default from the start, since
// some may be shown before the first translation pass.
#define NJ_PROGRAM_TEXTS(X) \
    /* The settings file cannot be written at the program's end. */ \
    X(MSG_Settings_not_saved, "Les réglages n'ont pas pu être enregistrés") \
    /* A typed value outside its field's bounds, which the two "%g" take in order. */ \
    X(MSG_Valeur_Hors_Limites, "La valeur doit être comprise entre %g et %g") \
    /* The main window's operation panel: no operation, then each operation's name. */ \
    X(MSG_Aucune_Operation, "Aucune") \
    X(MSG_Operation_MES, "M.en station") \
    X(MSG_Operation_Orientation, "Orientation") \
    X(MSG_Operation_Decl_Etoile, "Decl. Etoile") \
    X(MSG_Operation_Err_Periodique, "Err.Periodique") \
    X(MSG_Operation_Def_Derive, "Def. Derive") \
    X(MSG_Operation_Appr_Guidage, "Appr.Guidage") \
    X(MSG_Operation_Collimation, "Collimation") \
    /* What a "Deconnecter" says when the link it would close is in use by something \
       that sends on its own and would connect it again; nothing is disconnected. */ \
    X(MSG_Deconnexion_Autoguidage, "Déconnexion impossible : l'autoguidage envoie ses corrections par cette liaison. " \
      "Arrêtez-le d'abord : dans la fenêtre Suivi/Autoguidage, décochez « Activé » ou choisissez « Suivi logiciel ».") \
    X(MSG_Deconnexion_Recentrage, "Déconnexion impossible : le recentrage mécanique du suivi envoie ses corrections par " \
      "cette liaison. Arrêtez-le d'abord : dans la fenêtre Suivi/Autoguidage, décochez « Activé » ou « Recentrage mecanique ».") \
    X(MSG_Deconnexion_Autofocus, "Déconnexion impossible : l'autofocus déplace la mise au point par cette liaison. " \
      "Arrêtez-le d'abord avec « Arrêter » dans le groupe Autofocus de la raquette.") \
    X(MSG_Deconnexion_Apprentissage, "Déconnexion impossible : l'apprentissage des vitesses des moteurs déplace la " \
      "monture par cette liaison. Arrêtez-le d'abord avec le bouton d'arrêt à côté de « Opération » dans la fenêtre principale.") \
    /* Messages, questions, titles and buttons of the program's own. */ \
    X(MSG_Lecture_Fichier_Impossible, "Impossible de lire le fichier %1 (%2).") \
    X(MSG_Position_Telescope_Inconnue, "Position actuelle du telescope inconnue.") \
    X(MSG_Synchroniser_Avant_Goto, "Synchroniser le telescope sur un objet avant le goto.") \
    X(MSG_Aucune_Image_A_Enregistrer, "Aucune image à enregistrer : ") \
    X(MSG_Aide_Introuvable, "Impossible d'ouvrir le fichier d'aide : ") \
    X(MSG_Titre_Choisir_Repertoire, "Choisir un répertoire") \
    X(MSG_Titre_Son_A_Jouer, "Son à jouer") \
    X(MSG_Octet_Binaire, "\"%1\" n'est pas un octet en binaire (8 chiffres 0 ou 1).") \
    X(MSG_Pont_ASCOM_Indisponible, "Le pont ASCOM n'est pas disponible.") \
    X(MSG_Titre_Fichier_Decalage, "Fichier de décalage") \
    X(MSG_Titre_Script_Fin_Goto, "Script de fin de GOTO") \
    X(MSG_Journal_Impossible, "Impossible de créer le fichier journal : %1") \
    X(MSG_Profil_Nom_Refuse, "Le nom « %1 » ne peut pas être utilisé : %2.") \
    X(MSG_Profil_Nom_Vide, "il est vide") \
    X(MSG_Profil_Nom_Blanc, "il commence ou finit par un blanc") \
    X(MSG_Profil_Nom_Controle, "il contient un caractère de contrôle") \
    X(MSG_Profil_Nom_Contient, "il contient « %1 »") \
    X(MSG_Image_Bouton_Illisible, "Image de bouton illisible : ") \
    X(MSG_Reglages_Defaut_Pris, " ; les valeurs par défaut sont prises et le fichier ne sera pas remplacé") \
    X(MSG_Reglages_Titre, "Réglages (%1) :") \
    /* A value of the settings file not taken: control (section/key) : why ; what is done instead. */ \
    X(MSG_Reglages_Refus, "%1 (%2/%3) : %4 ; %5") \
    X(MSG_Reglages_Pas_Entre, "%1 n'est pas entre %2 et %3") \
    X(MSG_Reglages_Pas_Dans_Liste, "« %1 » n'est pas dans la liste") \
    X(MSG_Reglages_Element_Absent, "l'élément %1 n'existe pas (la liste en a %2)") \
    X(MSG_Reglages_Valeur_Gardee, "la valeur en place est gardée") \
    X(MSG_Reglages_Pas_Duree, "%1 n'est pas une durée") \
    X(MSG_Reglages_Texte_Long, "texte de plus de %1 caractères") \
    X(MSG_Reglages_Profil_Defaut, "ce profil prend les valeurs par défaut") \
    X(MSG_Reglages_Aucun_Profil, "aucun profil n'est choisi, les valeurs par défaut sont prises") \
    X(MSG_Reglages_Pas_Couleur, "%1 n'est pas une couleur") \
    X(MSG_Reglages_Pas_Entier, "« %1 » n'est pas un nombre entier utilisable") \
    X(MSG_Reglages_Defaut_Prise, "la valeur par défaut est prise") \
    X(MSG_Reglages_Decalage_Lignes, "Fichier de décalage %1 : seules les %2 premières lignes sont utilisées, %3 lignes ignorées") \
    X(MSG_Reglages_Ports_Introuvable, "Liste des ports introuvable : %1 (liste vide)") \
    X(MSG_Reglages_Type_Fichier, "CBX_TypeFichier (Prefs/Type_Fichier) : « %1 » n'est pas dans la liste ; la valeur en place est gardée") \
    X(MSG_Reglages_Langue_Absente, "CBX_Langue (Prefs/Langue) : la langue %1 n'existe pas (la liste en a %2) ; la valeur en place est gardée") \
    X(MSG_Codec_Non_Enregistre, "Impossible d'enregistrer le choix du codec dans %1 : %2") \
    X(MSG_Video_Creation_Impossible, "Impossible de créer la vidéo %1 : %2") \
    X(MSG_Video_Codec_Refuse, "Le codec %1 (%2) ne peut pas compresser des images de %3 x %4 : %5") \
    X(MSG_Video_Fichier_Impossible, "Impossible de créer le fichier vidéo %1 : %2") \
    X(MSG_Video_Entete_Impossible, "Impossible d'écrire l'en-tête de la vidéo %1 : %2") \
    X(MSG_Video_Ecriture_Erreur, "Erreur d'écriture de la vidéo %1 : %2") \
    X(MSG_Video_Images_Conservees, "Le fichier est fermé ; les images déjà enregistrées sont conservées.") \
    X(MSG_Video_Fermeture_Erreur, "Erreur à la fermeture de la vidéo %1 : %2") \
    X(MSG_Fichier_Vide, "fichier vide") \
    X(MSG_Fichier_Lecture_Impossible, "Impossible de lire le fichier %1 : %2") \
    X(MSG_Aucune_Image_A_Lire, "Aucune image à lire : la liste des fichiers est vide.") \
    X(MSG_Film_Image_Illisible, "Impossible de lire l'image %1 du film %2") \
    X(MSG_Film_Tronque, "Le film %1 s'arrête avant la fin annoncée : %2 images sur %3 peuvent être lues.") \
    X(MSG_Titre_Premier_Fichier, "Premier fichier") \
    X(MSG_Titre_Dernier_Fichier, "Dernier fichier") \
    X(MSG_Sequence_Trop_Longue, "La séquence compte plus de %1 fichiers.") \
    X(MSG_Poses_Longues_Sans_Camera, "Poses longues : aucune caméra n'est en marche.") \
    X(MSG_Poses_Longues_Sans_Port, "Poses longues : le port des lignes n'a pas d'adresse valide, rien n'est écrit.") \
    X(MSG_Poses_Longues_Port_Ecriture, "Poses longues : le port %1 ne peut pas être écrit, les lignes ne sont pas commutées.") \
    X(MSG_Poses_Longues_Lignes_Serie, "Poses longues : les lignes RTS et DTR du port %1 ne peuvent pas être commutées : %2") \
    X(MSG_Enregistrement_Impossible, "Impossible d'enregistrer ") \
    X(MSG_Port_Lecture_Impossible, "Port %1 : lecture impossible, l'accès aux ports n'est pas ouvert ; la dernière valeur écrite est utilisée.") \
    X(MSG_Camera_Valeur_Refusee, "La caméra refuse la valeur %1 pour « %2 ».") \
    X(MSG_Fichier_Son_Introuvable, "Fichier son introuvable : ") \
    X(MSG_Sequence_Non_Ouverte, "Séquence non ouverte : le fichier %1 est introuvable.") \
    X(MSG_Apprentissage_Interrompu, "Apprentissage interrompu : vitesses inchangées") \
    X(MSG_Controle_Distance_Autre, "Contrôle à distance : une autre instance du programme répond déjà sur ") \
    X(MSG_Controle_Distance_Desactive, "Contrôle à distance désactivé : ") \
    X(MSG_Valeur_Non_Numerique, "'%1' n'est pas une valeur numérique valide") \
    X(MSG_Inclusion_Introuvable, "Fichier à inclure introuvable : %1") \
    X(MSG_Inclusion_Trop_Grande, "Fichier à inclure trop grand pour un script : %1") \
    X(MSG_Inclusion_Illisible, "Fichier à inclure illisible : %1") \
    X(MSG_Inclusion_Pas_Texte, "Le fichier à inclure n'est pas un texte : %1") \
    X(MSG_Profil_Vitesse_Script, "Le profil de vitesse \"%1\" ne peut pas être écrit dans un script : son nom contient une virgule, une parenthèse ou un guillemet.") \
    X(MSG_Nom_Pose_Guillemet, "Le nom de la pose ne peut pas contenir de guillemet (\").") \
    X(MSG_Aucun_Champ, "Aucun champ à ajouter : la carte du ciel n'a pas encore placé de champs (il lui faut l'échantillonnage et la taille du capteur de la fenêtre des mesures).") \
    X(MSG_Script_En_Cours_Mosaique, "Un script est en cours : arrêtez-le avant de générer la mosaïque.") \
    X(MSG_Script_Modifie_Enregistrer, "Le script a été modifié et n'est pas enregistré. Enregistrer les modifications ?") \
    X(MSG_Titre_Enregistrer_Sous, "Enregistrer sous") \
    X(MSG_Curseur_Hors_Script, "Le curseur n'est sur aucune ligne du script : rien à exécuter.") \
    X(MSG_Recherche_Titre, "Rechercher") \
    X(MSG_Recherche_Texte, "Rechercher :") \
    X(MSG_Recherche_Suivant, "Suivant") \
    X(MSG_Recherche_Fermer, "Fermer") \
    X(MSG_Alpaca_Aucun_Reseau, "Aucun télescope Alpaca n'a répondu sur le réseau local. Saisissez son adresse (hôte:port/N) dans le champ du télescope.") \
    X(MSG_Alpaca_Recherche, "Recherche des télescopes Alpaca...") \
    X(MSG_Alpaca_Titre_Choix, "Choix du télescope") \
    X(MSG_Alpaca_Champ_Choix, "Télescope Alpaca (hôte:port/N) :") \
    X(MSG_Alpaca_Etat, "Télescope Alpaca : %1") \
    X(MSG_Calibration_Refusee, "Calibration refusée : la vitesse %1 calculée, %2\"/s (%3\" en %4 s), est hors des vitesses possibles (de %5 à %6\"/s, zéro exclu). Vérifiez l'origine et la destination. Les vitesses et le profil restent inchangés.") \
    X(MSG_Entier_Invalide, "'%1' n'est pas un nombre entier valide") \
    X(MSG_Coordonnees_Hors_Limites, "Coordonnées hors limites : l'A.D. va de 0 h à 24 h et la déclinaison de -90° à +90°. Rien n'a été envoyé à la monture.") \
    X(MSG_Port_Parallele_Sans_Adresse, "Port parallèle « %1 » : pas d'adresse, aucune ligne n'est commandée.") \
    X(MSG_Port_Ferme, "port fermé") \
    X(MSG_Monture_Refuse, "%1 : la monture refuse %2") \
    X(MSG_Monture_Muette, "%1 : pas de réponse de la monture à %2") \
    X(MSG_Port_Serie_Inconnu, "« %1 » ne nomme pas de port série (COM1 à COM20).") \
    X(MSG_Venner_Sans_Adresse, "Le port « %1 » n'a pas d'adresse de registres : l'interface Venner demande un port avec adresse, par exemple $03F8(COM1).") \
    X(MSG_Venner_Registres, "Interface Venner : les registres du port « %1 » (adresse %2) ne sont pas accessibles. Voyez le fichier ports.map du répertoire du programme et les droits sur le périphérique.") \
    X(MSG_Quillon_Port, "Interface Quillon(//) : le port parallèle « %1 » (adresse %2) n'est pas accessible. Voyez le fichier ports.map du répertoire du programme et les droits sur le périphérique.") \
    X(MSG_Port_Parallele_Adresse, "« %1 » n'est pas une adresse de port parallèle (par exemple $378).") \
    X(MSG_Connexion_En_Cours, "Connexion au télescope en cours...") \
    X(MSG_Connexion_Sans_Alpaca, "Connexion au télescope impossible : aucun télescope Alpaca choisi (adresse hôte:port/N dans les Préférences).") \
    X(MSG_Pont_ASCOM_Arrete, "Le pont ASCOM n'est pas démarré : choisissez de nouveau l'interface ASCOM.") \
    X(MSG_Plugin_Aucun_Guide, "Aucun guide de plugin n'est choisi dans la liste des plugins.") \
    X(MSG_Plugin_Guide_Impossible, "Le plugin « %1 » n'a pas pu créer son guide.") \
    X(MSG_Plugin_Guide_Refuse, "Le guide du plugin « %1 » refuse la connexion (code %2).") \
    X(MSG_Aucune_Interface, "Aucune interface n'est choisie : choisissez la monture ou l'interface d'autoguidage dans les Préférences (Controle du Telescope, Interfaces).") \
    X(MSG_Deconnexion_En_Cours, "Déconnexion du télescope en cours...") \
    X(MSG_Focus_Sans_Interface, "La mise au point se connecte par une interface LX200, Venner ou Quillon(//) : choisissez-en une dans les Préférences (Controle du Telescope, Interfaces, Mise au point).") \
    X(MSG_Port_Serie_Vitesse, "Vitesse du port série « %1 » : ce n'est pas un nombre de bauds.") \
    X(MSG_Port_Serie_Bits, "Bits de données « %1 » : ce n'est pas un nombre.") \
    X(MSG_Goto_Reponse_Illisible, "%1 : réponse illisible de la monture à %2 : %3") \
    X(MSG_Goto_Monture_Muette, "Goto interrompu, la monture ne répond plus. %1") \
    X(MSG_Goto_Rien_Ne_Bouge, "Goto impossible : aucune monture ni interface de guidage n'est choisie dans les préférences, rien ne peut bouger.") \
    X(MSG_Goto_Aucune_Monture, "Goto impossible : aucune monture n'est choisie dans les préférences.") \
    X(MSG_Goto_Relatif_Seul, "Goto impossible : la monture choisie n'a pas de goto à elle, seul le mode relatif peut la déplacer.") \
    X(MSG_Goto_Coordonnee_Refusee, "coordonnée refusée (%1)") \
    X(MSG_Goto_Refuse, "Goto refusé par la monture : %1") \
    X(MSG_Goto_Impossible, "Goto impossible : %1") \
    X(MSG_Goto_Monture_Deconnectee, "Goto interrompu : la monture a été déconnectée.") \
    X(MSG_Goto_Guidage_Deconnecte, "Goto interrompu : l'interface de guidage a été déconnectée.") \
    X(MSG_Goto_Sans_Coordonnees, "Goto impossible : le télescope n'est pas connecté ou ne sait pas aller à des coordonnées.") \
    X(MSG_Catalogue_Absent, "Catalogue absent : %1") \
    X(MSG_Catalogue_Lignes_Illisibles, "%1 : %2 ligne(s) illisible(s) ignorée(s), la première est la ligne %3") \
    X(MSG_Catalogue_Trop_De_Lignes, "%1 : trop de lignes, seules les %2 premières sont lues") \
    X(MSG_Autoguidage_Sans_Echantillonnage, "Autoguidage : aucune correction n'est envoyée à la monture, l'échantillonnage de l'image est nul. Indiquez la focale et la taille des pixels de la caméra (fenêtre Mesures, onglet Echantillonnage, ou Préférences) pour que les corrections aient une durée.") \
    X(MSG_Rapport_Ecriture_Impossible, "Impossible d'écrire le rapport %1 : %2") \
    X(MSG_Rapport_Existe, "Le rapport %1 existe déjà : il n'est pas remplacé.") \
    X(MSG_Rapport_Creation_Impossible, "Impossible de créer le rapport %1 : %2") \
    X(MSG_Rapport_Absent, "Aucun rapport de séquence n'est ouvert (\"Un seul fichier\") : les paramètres de cette image ne sont pas enregistrés.") \
    X(MSG_Fichier_Ecriture_Impossible, "Impossible d'écrire le fichier ") \
    X(MSG_Pas_Fichier_Filtre, "Ce n'est pas un fichier de filtre : ") \
    X(MSG_Enregistrement_Erreur, "Erreur d'enregistrement : %1") \
    X(MSG_Aucun_Numero_Libre, "Aucun numéro libre pour %1 : les fichiers existent déjà jusqu'au numéro %2, rien n'est enregistré pour ne pas les remplacer.") \
    X(MSG_Fichier_Existe_Autre_Nom, "%1 existe déjà : rien n'est remplacé, l'enregistrement se fait sous %2.") \
    X(MSG_Repertoire_Creation_Impossible, "Impossible de créer le répertoire %1") \
    X(MSG_Repertoire_Creer_Question, "Le répertoire n'existe pas, voulez vous le créer ?") \
    X(MSG_Espace_Disque_Critique, "Espace disque critique, capture arrêtée") \
    X(MSG_Sequence_Non_Demarree, "la séquence n'a pas démarré (%1)") \
    X(MSG_Port_Controle_Invalide, "Port de contrôle invalide : \"%1\". Aucune écriture sur le port.") \
    X(MSG_Video_Codec_Inconnu, "Codec \"%1\" inconnu : la vidéo %2 est enregistrée sans compression.") \
    X(MSG_Poses_Longues_Port_Invalide, "Poses longues : port série invalide \"%1\"") \
    X(MSG_Mouvement_Non_Connecte, "Mouvement non fait : la monture ne s'est pas connectée.") \
    X(MSG_Mouvement_Interface_Changee, "Mouvement non fait : l'interface de la monture a changé.") \
    /* A sync or a position read whose mount's "Connecter" is off: nothing can connect it. */ \
    X(MSG_Monture_Non_Connectee, "La monture n'est pas connectée : connectez-la dans les Préférences (Controle du Telescope, Interfaces, Monture).") \
    X(MSG_Sync_Impossible, "Synchronisation impossible : le télescope n'est pas connecté ou ne sait pas se synchroniser.") \
    /* The mosaic's canvas could not be made. */ \
    X(MSG_Mosaique_Memoire, "Mémoire insuffisante pour une mosaïque de %1 x %2 pixels.") \
    /* A number input left with a text that is no number. */ \
    X(MSG_Saisie_Non_Numerique, "'%1' n'est pas une valeur numérique valable.") \
    X(MSG_Nom_Pose_Vide, "Vous devez donner un nom à la pose") \
    /* The drift of the tracking window confirmed without an image scale. */ \
    X(MSG_Derive_Sans_Camera, "Demarrer la camera avant d'effectuer cette opération") \
    /* A serial exchange with the mount that failed: port, error, command; the port or the channel with no port. */ \
    X(MSG_Liaison_Echec, "%1 : %2 pendant %3") \
    X(MSG_Liaison_Canal, "canal %1") \
    /* Progress of the script's pre-scan; caption of a script window with no file. */ \
    X(MSG_Preanalyse, "Preanalyse en cours...") \
    X(MSG_Nouveau_Script, "Nouveau script") \
    /* A link or document the desktop opened with no program. */ \
    X(MSG_Ouverture_Sans_Programme, "Impossible d'ouvrir %1 : aucun programme ne l'a pris en charge.") \
    /* The video writer's refusals. */ \
    X(MSG_Video_Taille_Invalide, "Impossible de créer la vidéo %1 : taille d'image %2 x %3 invalide.") \
    X(MSG_Video_Image_Refusee, "Image de %1 x %2 refusée : la vidéo %3 est ouverte pour des images de %4 x %5.") \
    /* A plug-in the manager does not load. */ \
    X(MSG_Plugin_Version_Refusee, "Plug-in %1 refusé : version d'interface %2, version attendue %3.") \
    X(MSG_Plugin_Point_Entree_Absent, "Plug-in %1 refusé : le point d'entrée %2 est absent.") \
    /* The first and last files of a sequence to open do not share their prefix. */ \
    X(MSG_Sequence_Prefixes_Differents, "Le prefixe des fichiers doivent être identiques") \
    /* The two lines of a camera format too large for the frame road. */ \
    X(MSG_Taille_Video_Limitee, "La taille des images video est limitée à %1x%1") \
    X(MSG_Taille_Video_Actuelle, "La taille actuelle est %1x%2, veuillez choisir un autre format.") \
    /* The unit of the measurement window's field of view. */ \
    X(MSG_Unite_Secondes, "(Secondes)") \
    X(MSG_Unite_Minutes, "(Minutes)") \
    X(MSG_Unite_Degres, "(Degrés)") \
    /* The polar alignment's King pause button, paused or not, and its new radius for the altitude adjuster (the azimuth one is the language file's caption). */ \
    X(MSG_King_Pause, "Pause pour corriger l'orientation de la monture") \
    X(MSG_King_Reactiver, "Reactiver") \
    X(MSG_Nouveau_Rayon_Altitude, "Nouveau rayon du dispositif de reglage en altitude (mm):") \
    /* The goto dialog's calibration button while a calibration runs. */ \
    X(MSG_Calibration_Valider, "Valider") \
    /* Titles and filter names of the file dialogs. */ \
    X(MSG_Titre_Enregistrer, "Enregistrer") \
    X(MSG_Titre_Ouvrir, "Ouvrir") \
    X(MSG_Titre_Prefixe, "Prefixe") \
    X(MSG_Titre_Fichier, "Fichier") \
    X(MSG_Filtre_Tous, "Tous") \
    X(MSG_Filtre_Texte, "Texte") \
    X(MSG_Filtre_Fichiers_Texte, "Fichiers texte") \
    /* The codec list's uncompressed entry, and the mark of the lossless codecs. */ \
    X(MSG_Codec_Non_Compresse, "Images complètes (non compressées)") \
    X(MSG_Codec_Sans_Perte, "(sans perte)") \
    /* end */

struct TTranslatedTexts {
#define NJ_TRANSLATED_TEXT_FIELD(name, key, frenchDefault) QString name;
    NJ_TRANSLATED_TEXTS(NJ_TRANSLATED_TEXT_FIELD)
#undef NJ_TRANSLATED_TEXT_FIELD

#define NJ_PROGRAM_TEXT_FIELD(name, frenchDefault) QString name = QString::fromUtf8(frenchDefault);
    NJ_PROGRAM_TEXTS(NJ_PROGRAM_TEXT_FIELD)
    // The texts of the layers below, handed down to them after each pass.
    NJ_PLATFORM_TEXTS(NJ_PROGRAM_TEXT_FIELD)
#undef NJ_PROGRAM_TEXT_FIELD
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
// the titles and labels, the assistant lines, the messages; then the
// program's own texts and those of the layers below.
std::span<const TTranslatedTextEntry> TextEntries();

// The program's own texts and those of the layers below: the part of
// TextEntries() after the shared list.
std::span<const TTranslatedTextEntry> OwnTextEntries();

// The entry of a key, letter case ignored; nullptr for an unknown key.
const TTranslatedTextEntry* FindText(QStringView key);

// The text of a key inside TranslatedTexts; nullptr for an unknown key.
QString* TextByKey(QStringView key);

// Gives the layers below the program their texts as TranslatedTexts holds them.
void HandDownPlatformTexts();

// Sets every text from a reader of (key, French default), as the translation
// pass does; with no language file the reader gives back the default.
template <typename Reader>
void ReadTexts(Reader&& read)
{
    for (const TTranslatedTextEntry& e : TextEntries())
        TranslatedTexts.*e.text = read(QString::fromLatin1(e.key), e.defaultText());
    HandDownPlatformTexts();
}

// Every text to its French default.
void ResetTexts();

// The entry of a file dialog's filter that lists every file matching
// `pattern`: "Tous (*)" in French.
inline QString AllFilesFilter(const QString& pattern = QStringLiteral("*"))
{
    return TranslatedTexts.MSG_Filtre_Tous + QStringLiteral(" (") + pattern + QLatin1Char(')');
}

} // namespace Translation
