#include "translation/translated_texts.h"

#include <array>

TTranslatedTexts TranslatedTexts;

namespace {

#define NJ_TRANSLATED_TEXT_ENTRY(name, key, frenchDefault) \
    TTranslatedTextEntry{#name, key, frenchDefault, &TTranslatedTexts::name},

constexpr std::array kEntries{
    NJ_TRANSLATED_TEXTS(NJ_TRANSLATED_TEXT_ENTRY)
    TTranslatedTextEntry{"MSG_Settings_not_saved", "MSG_Settings_not_saved",
                         "Les réglages n'ont pas pu être enregistrés", &TTranslatedTexts::MSG_Settings_not_saved},
    TTranslatedTextEntry{"MSG_Valeur_Hors_Limites", "MSG_Valeur_Hors_Limites",
                         "La valeur doit être comprise entre %g et %g", &TTranslatedTexts::MSG_Valeur_Hors_Limites},
    TTranslatedTextEntry{"MSG_Aucune_Operation", "MSG_Aucune_Operation", "Aucune", &TTranslatedTexts::MSG_Aucune_Operation},
    TTranslatedTextEntry{"MSG_Operation_MES", "MSG_Operation_MES", "M.en station", &TTranslatedTexts::MSG_Operation_MES},
    TTranslatedTextEntry{"MSG_Operation_Orientation", "MSG_Operation_Orientation", "Orientation", &TTranslatedTexts::MSG_Operation_Orientation},
    TTranslatedTextEntry{"MSG_Operation_Decl_Etoile", "MSG_Operation_Decl_Etoile", "Decl. Etoile", &TTranslatedTexts::MSG_Operation_Decl_Etoile},
    TTranslatedTextEntry{"MSG_Operation_Err_Periodique", "MSG_Operation_Err_Periodique", "Err.Periodique", &TTranslatedTexts::MSG_Operation_Err_Periodique},
    TTranslatedTextEntry{"MSG_Operation_Def_Derive", "MSG_Operation_Def_Derive", "Def. Derive", &TTranslatedTexts::MSG_Operation_Def_Derive},
    TTranslatedTextEntry{"MSG_Operation_Appr_Guidage", "MSG_Operation_Appr_Guidage", "Appr.Guidage", &TTranslatedTexts::MSG_Operation_Appr_Guidage},
    TTranslatedTextEntry{"MSG_Operation_Collimation", "MSG_Operation_Collimation", "Collimation", &TTranslatedTexts::MSG_Operation_Collimation},
    TTranslatedTextEntry{"MSG_Deconnexion_Autoguidage", "MSG_Deconnexion_Autoguidage", kDeconnexionAutoguidage,
                         &TTranslatedTexts::MSG_Deconnexion_Autoguidage},
    TTranslatedTextEntry{"MSG_Deconnexion_Recentrage", "MSG_Deconnexion_Recentrage", kDeconnexionRecentrage,
                         &TTranslatedTexts::MSG_Deconnexion_Recentrage},
    TTranslatedTextEntry{"MSG_Deconnexion_Autofocus", "MSG_Deconnexion_Autofocus", kDeconnexionAutofocus,
                         &TTranslatedTexts::MSG_Deconnexion_Autofocus},
    TTranslatedTextEntry{"MSG_Deconnexion_Apprentissage", "MSG_Deconnexion_Apprentissage", kDeconnexionApprentissage,
                         &TTranslatedTexts::MSG_Deconnexion_Apprentissage},
};

#undef NJ_TRANSLATED_TEXT_ENTRY

} // namespace

namespace Translation {

std::span<const TTranslatedTextEntry> TextEntries()
{
    return kEntries;
}

const TTranslatedTextEntry* FindText(QStringView key)
{
    for (const TTranslatedTextEntry& e : kEntries) {
        if (key.compare(QLatin1StringView(e.key), Qt::CaseInsensitive) == 0)
            return &e;
    }
    return nullptr;
}

QString* TextByKey(QStringView key)
{
    const TTranslatedTextEntry* e = FindText(key);
    return e ? &(TranslatedTexts.*e->text) : nullptr;
}

void ResetTexts()
{
    ReadTexts([](const QString&, const QString& frenchDefault) { return frenchDefault; });
}

} // namespace Translation
