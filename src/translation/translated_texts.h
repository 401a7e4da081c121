#pragma once
// The translated message and word strings; the defaults are French.

#include <QString>

struct TTranslatedTexts {
    QString MSG_Script_not_found = QStringLiteral("Script introuvable");
    QString MSG_Object_not_found = QStringLiteral("Objet non trouvé");
    QString MSG_Settings_not_saved = QStringLiteral("Les réglages n'ont pas pu être enregistrés");
    QString MSG_Cannot_Start_Cam1 = QStringLiteral("Impossible de demarrer la camera #");
    QString MSG_Cannot_Start_Cam2 = QStringLiteral(", verifier le branchement et les pilotes.");
    QString MSG_Cannot_Set_Format =
        QStringLiteral("Impossible de determiner le format des images, veuillez en choisir un autre.");
    QString FRM_Pilote_Caption = QStringLiteral("Pilote de capture");
    QString MSG_OK = QStringLiteral("OK");
    QString MSG_Annuler = QStringLiteral("Annuler");
    QString Txt_Nord = QStringLiteral("Nord");
    QString Txt_Sud = QStringLiteral("Sud");
    QString Txt_Est = QStringLiteral("Est");
    QString Txt_Ouest = QStringLiteral("Ouest");
};

extern TTranslatedTexts TranslatedTexts;
