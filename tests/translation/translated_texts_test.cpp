#include "translation/translated_texts.h"

#include <gtest/gtest.h>

#include <QSet>

namespace {

QString defaultOf(const char* key)
{
    const TTranslatedTextEntry* e = Translation::FindText(QString::fromLatin1(key));
    return e ? e->defaultText() : QStringLiteral("<missing>");
}

} // namespace

TEST(TranslatedTexts, DefaultsAreKeptVerbatim)
{
    EXPECT_EQ(defaultOf("Lebas"), QStringLiteral("le bas"));
    EXPECT_EQ(defaultOf("MSG_Planif_PNumero"), QStringLiteral("N°"));
    EXPECT_EQ(defaultOf("MSG_MES3"), QStringLiteral("Cliquer sur le bouton \"Executer\""));
    EXPECT_EQ(defaultOf("MSG_PT_No_Rights_2"), QStringLiteral(" le driver PortTalk n'est ni installé ni demarré. Demandez à"));
    EXPECT_EQ(defaultOf("MSG_PT_error_Starting_2"),
              QStringLiteral("PortTalk.SYS existe-t-il bien dans le dossier\\System32\\Drivers?"));

    // Keys compare without letter case; names follow the keys with "." as "_".
    const TTranslatedTextEntry* e = Translation::FindText(u"frm_pilote.caption");
    ASSERT_NE(e, nullptr);
    EXPECT_STREQ(e->name, "FRM_Pilote_Caption");
    EXPECT_EQ(Translation::FindText(u"FRM_Pilote_Caption"), nullptr);
    EXPECT_EQ(Translation::FindText(u"Txt_Nord"), nullptr);
}

TEST(TranslatedTexts, EveryFieldHasExactlyOneKey)
{
    const auto entries = Translation::TextEntries();
    // Every member of the struct is a text with its own table row (no
    // member without a key, none listed twice).
    EXPECT_EQ(sizeof(TTranslatedTexts), entries.size() * sizeof(QString));
    EXPECT_EQ(entries.size(), 362u); // the 97 shared texts, the settings-save failure, the range message,
                                     // no operation, the seven operation names, the four refused
                                     // disconnections, and the other texts of the program's own
                                     // and of the layers below it

    QSet<QString> keys;
    QSet<const QString*> members;
    for (const TTranslatedTextEntry& e : entries) {
        keys.insert(QString::fromLatin1(e.key).toLower());
        members.insert(&(TranslatedTexts.*e.text));
        EXPECT_FALSE(e.defaultText().isEmpty()) << e.key;
        EXPECT_EQ(Translation::TextByKey(QString::fromLatin1(e.key)), &(TranslatedTexts.*e.text)) << e.key;
    }
    EXPECT_EQ(keys.size(), qsizetype(entries.size()));
    EXPECT_EQ(members.size(), qsizetype(entries.size()));
}

TEST(TranslatedTexts, EmptyUntilTheFirstPassThenReadFromTheReader)
{
    const TTranslatedTexts fresh;
    EXPECT_TRUE(fresh.Txt_OUI.isEmpty());
    EXPECT_TRUE(fresh.MSG_PT_Access_Error_3.isEmpty());
    EXPECT_FALSE(fresh.MSG_Settings_not_saved.isEmpty());
    EXPECT_FALSE(fresh.MSG_Valeur_Hors_Limites.isEmpty());

    Translation::ReadTexts([](const QString& key, const QString& def) {
        return key == QLatin1String("OUI") ? QStringLiteral("YES") : def;
    });
    EXPECT_EQ(TranslatedTexts.Txt_OUI, QStringLiteral("YES"));
    EXPECT_EQ(TranslatedTexts.Txt_NON, QStringLiteral("NON"));
    Translation::ResetTexts();
    EXPECT_EQ(TranslatedTexts.Txt_OUI, QStringLiteral("OUI"));
}
