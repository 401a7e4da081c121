#pragma once
// The texts that the layers below the program put into their messages and
// reasons (sound output, WAV and picture files, ports, serial lines, cameras,
// the remote-control folder), and those of the program's conversations that
// run on worker threads (the Alpaca telescope). They start French; the program hands the
// texts of the chosen language down after each translation pass, so these
// layers never reach up into the translation. Readable from any thread.

#include <QString>

// X(name, French default); the name is also the language-file key.
#define NJ_PLATFORM_TEXTS(X) \
    X(MSG_Son_Aucune_Sortie, "Aucune sortie audio : les sons ne sont pas joués") \
    X(MSG_Son_Integre_Illisible, "Son intégré %1 illisible : %2") \
    X(MSG_Son_Fichier_Non_Joue, "Fichier son %1 non joué : %2") \
    X(MSG_Son_Sortie_Par_Defaut, "par défaut") \
    X(MSG_Son_Format_Refuse, "La sortie audio %1 ne joue pas ce format (%2 voies, %3 Hz) : %4") \
    X(MSG_Son_Sortie_Muette, "La sortie audio %1 ne peut pas jouer de son") \
    X(MSG_Wav_Entete_Court, "en-tête de format trop court") \
    X(MSG_Wav_Compresse, "son compressé (format %1) non pris en charge") \
    X(MSG_Wav_Format, "format non pris en charge (%1 voies, %2 Hz, %3 bits)") \
    X(MSG_Wav_Pas_Wav, "pas un fichier WAV") \
    X(MSG_Wav_Entete_Tronque, "en-tête de format tronqué") \
    X(MSG_Wav_Donnees_Avant_Entete, "données avant l'en-tête de format") \
    X(MSG_Wav_Aucun_Son, "aucun son dans le fichier") \
    X(MSG_Wav_Entete_Absent, "en-tête de format absent") \
    X(MSG_Fichier_Introuvable, "fichier introuvable") \
    X(MSG_Fichier_Trop_Grand, "fichier trop grand") \
    X(MSG_Lecture_Impossible, "lecture impossible") \
    X(MSG_Ports_Acces_Refuse, " : accès refusé. Ajoutez votre compte au groupe %1 (sudo usermod -aG %1 $USER) puis ouvrez une nouvelle session.") \
    X(MSG_Ports_Parallele_Absent, " : port absent (pas de port parallèle à cette adresse, ou module ppdev non chargé : sudo modprobe ppdev).") \
    X(MSG_Ports_Serie_Absent, " : port absent (pas de port série à cette adresse).") \
    X(MSG_Ports_Occupe, " : port occupé par un autre programme ou pilote.") \
    X(MSG_Ports_Ouverture_Impossible, " : ouverture impossible (%1).") \
    X(MSG_Ports_Ligne_Map, "Ports: ports.map, ligne %1") \
    X(MSG_Ports_Ligne_Ignoree, " : « %1 » ignorée (attendu par exemple : 0378=/dev/parport0).") \
    X(MSG_Ports_Recouvrement, " : l'adresse %1 recouvre les registres de %2 (%3), ligne ignorée.") \
    X(MSG_Ports_Map_Illisible, "Ports: %1 illisible (%2).") \
    X(MSG_Ports_Aucune_Adresse, "Ports: aucune adresse de port n'est définie.") \
    X(MSG_Ports_Reservation, " : le port ne peut pas être réservé (%1).") \
    X(MSG_Ports_Pas_Ligne_Serie, " : ce périphérique n'est pas une ligne série.") \
    X(MSG_Ports_Lignes_Illisibles, " : lignes de contrôle illisibles (%1).") \
    X(MSG_Com_Aucun_Port, "canal %1 : aucun port série n'est ouvert") \
    X(MSG_Com_Pas_Port_Serie, " : ce périphérique n'est pas un port série") \
    X(MSG_Com_Indisponible, " : périphérique indisponible") \
    X(MSG_Com_Vitesse, " : vitesse de %1 bauds non prise en charge") \
    X(MSG_Com_Bits, " : %1 bits de données non pris en charge") \
    X(MSG_Camera_Acces_Refuse, "Accès refusé à %1 : ajoutez l'utilisateur au groupe « video ».") \
    X(MSG_Camera_Occupee, "%1 est déjà utilisé par un autre programme.") \
    X(MSG_Camera_Debranchee, "%1 n'est plus branché.") \
    X(MSG_Camera_Muette, "%1 ne livre plus d'images.") \
    X(MSG_Dossier_Pas_Dossier, "n'est pas un dossier") \
    X(MSG_Dossier_Autre_Utilisateur, "appartient à un autre utilisateur") \
    X(MSG_Dossier_Ouvert, "est ouvert à d'autres utilisateurs") \
    X(MSG_Image_Ecriture_Impossible, "Impossible d'écrire le fichier %1 : %2") \
    X(MSG_Image_Vide, "l'image est vide (0 x 0)") \
    X(MSG_Image_Trop_Grande_BMP, "image trop grande pour un fichier BMP") \
    X(MSG_Fichier_Non_Ouvert, "le fichier n'est pas ouvert") \
    X(MSG_Image_Taille_Refusee, "taille d'image non prise en charge (%1 x %2)") \
    X(MSG_Pas_BMP, "ce n'est pas un fichier BMP") \
    X(MSG_Fichier_Tronque, "fichier tronqué") \
    X(MSG_BMP_Entete, "en-tête BMP non pris en charge (%1 octets)") \
    X(MSG_BMP_Format, "format BMP non pris en charge (%1 bits par pixel)") \
    X(MSG_BMP_Compresse, "BMP compressé non pris en charge") \
    X(MSG_BMP_Palette, "palette BMP invalide (%1 couleurs)") \
    X(MSG_Pas_JPEG, "ce n'est pas un fichier JPEG") \
    X(MSG_JPEG_Invalide, "JPEG invalide : %1") \
    /* The Alpaca telescope's conversation, on its worker thread. */ \
    X(MSG_Alpaca_Pas_De_Reponse, "connected : pas de réponse en %1 s") \
    X(MSG_Alpaca_Aucun_Choisi, "aucun télescope Alpaca choisi") \
    X(MSG_Alpaca_Adresse, "« %1 » n'est pas une adresse Alpaca hôte:port/N") \
    X(MSG_Alpaca_Valeur_Inattendue, " : valeur inattendue") \
    X(MSG_Alpaca_Reste_Deconnecte, "connected : le télescope reste déconnecté") \
    X(MSG_Alpaca_Axe_Non_Arrete, "moveaxis : l'axe %1 n'a pas pu être arrêté (%2)") \
    X(MSG_Alpaca_Axe_Sans_Vitesse, "moveaxis : l'axe %1 n'admet aucune vitesse jusqu'à %2 °/s") \
    X(MSG_Alpaca_Adresse_IPv4, "adresse IPv4 attendue : %1") \
    X(MSG_Alpaca_Pas_De_Connexion, "pas de connexion à %1:%2 (%3)") \
    X(MSG_Alpaca_Connexion_Delai, "pas de connexion à %1:%2 (délai dépassé)") \
    X(MSG_Alpaca_Requete_Non_Envoyee, "requête non envoyée (%1)") \
    X(MSG_Alpaca_Delai, "délai dépassé (%1 ms)") \
    X(MSG_Alpaca_Reponse_Non_Recue, "réponse non reçue (%1)") \
    X(MSG_Alpaca_Reponse_HTTP, "réponse HTTP %1") \
    X(MSG_Alpaca_Reponse_HTTP_Illisible, "réponse HTTP illisible") \
    X(MSG_Alpaca_Connexion_Fermee, "connexion fermée") \
    X(MSG_Alpaca_Reponse_Illisible, "réponse Alpaca illisible") \
    X(MSG_Alpaca_Erreur, "erreur Alpaca %1 : %2") \
    X(MSG_Alpaca_Sans_Valeur, "réponse Alpaca sans valeur") \
    /* The remote-control socket, and the serial line's failures (the operation's name, this, the error code). */ \
    X(MSG_Prise_Invalide, "%1 n'est pas une prise de communication") \
    X(MSG_Com_Erreur, ", erreur = ") \
    /* end */

namespace platform {

enum class PlatformText {
#define NJ_PLATFORM_TEXT_ID(name, frenchDefault) name,
    NJ_PLATFORM_TEXTS(NJ_PLATFORM_TEXT_ID)
#undef NJ_PLATFORM_TEXT_ID
};

// The text in force.
QString text(PlatformText id);
// Puts the text of the chosen language in place of the one in force.
void setText(PlatformText id, const QString& value);

} // namespace platform
