#pragma once
// The translated message and word strings; the defaults are French.

#include <QString>

struct TTranslatedTexts {
    QString MSG_Script_not_found = QStringLiteral("Script introuvable");
    QString MSG_Object_not_found = QStringLiteral("Objet non trouvé");
    QString MSG_Settings_not_saved = QStringLiteral("Les réglages n'ont pas pu être enregistrés");
    // The pixel-size assistant's instructions.
    QString MSG_TailleOrientCapt1 = QStringLiteral("Cliquer sur une etoile");
    QString MSG_TailleOrientCapt2 = QStringLiteral("Arreter le suivi du telescope");
    QString MSG_TailleOrientCapt3 = QStringLiteral("Cliquer sur le bouton \"Executer\"");
    QString MSG_TailleOrientCapt4 = QStringLiteral("Attendre le message de fin d'execution");
    QString Txt_Nord = QStringLiteral("Nord");
    QString Txt_Sud = QStringLiteral("Sud");
    QString Txt_Est = QStringLiteral("Est");
    QString Txt_Ouest = QStringLiteral("Ouest");
};

extern TTranslatedTexts TranslatedTexts;
