#pragma once
// The translated message and word strings; the defaults are French.

#include <QString>

struct TTranslatedTexts {
    QString MSG_Script_not_found = QStringLiteral("Script introuvable");
    QString MSG_Object_not_found = QStringLiteral("Objet non trouvé");
    QString MSG_Settings_not_saved = QStringLiteral("Les réglages n'ont pas pu être enregistrés");
    QString Txt_Nord = QStringLiteral("Nord");
    QString Txt_Sud = QStringLiteral("Sud");
    QString Txt_Est = QStringLiteral("Est");
    QString Txt_Ouest = QStringLiteral("Ouest");
    QString Txt_TOP = QStringLiteral("TOP");
    QString Txt_OUI = QStringLiteral("OUI");
    QString Txt_NON = QStringLiteral("NON");
    QString MSG_Prepare_Buffer = QStringLiteral("Preparation du buffer d'intégration");
    QString MSG_Buffer_Too_Large = QStringLiteral(
        "Mémoire insuffisante pour le buffer d'intégration : réduisez le nombre d'images ou la taille de la zone");
    QString MSG_Buffer_Missing = QStringLiteral("Le buffer d'intégration en boucle n'est pas prêt : image non calculée");
    QString MSG_Planes_Missing = QStringLiteral("Mémoire insuffisante pour les plans d'addition : image non calculée");
};

extern TTranslatedTexts TranslatedTexts;
