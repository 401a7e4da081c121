// Every window walked in each language: the texts a switch leaves in the
// other language are listed, and a switch there and back changes nothing.

#include "translation_fixture.h"
#include "text_snapshot.h"

#include "app/frm_alv.h"
#include "app/frm_pref.h"
#include "app/settings.h"

#include <QFile>
#include <QRegularExpression>

TEST_F(LanguageFiles, ASwitchThereAndBackLeavesEveryWindowAsItWas)
{
    for (const char* name : {"Lang_English.ini", "Lang_Francais.ini"}) {
        QFile f(QStringLiteral(NJ_SOURCE_DIR "/resources/programdir/") + QLatin1String(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name;
        dir.writeFile(QString::fromLatin1(name), f.readAll());
    }
    dir.writeFile(Settings::kSettingsFileName, "[Prefs]\r\nLangue=1\r\n");
    FRM_Alv->FormActivate();
    ASSERT_EQ(FRM_Pref->CBX_Langue->currentText(), QStringLiteral("Francais"));
    const TextSnapshot french = SnapshotTexts();
    FRM_Pref->CBX_Langue->setCurrentIndex(0);
    FRM_Pref->CBX_LangueChange();
    const TextSnapshot english = SnapshotTexts();
    FRM_Pref->CBX_Langue->setCurrentIndex(1);
    FRM_Pref->CBX_LangueChange();
    const TextSnapshot back = SnapshotTexts();
    EXPECT_EQ(french, back) << SnapshotDiff(french, back);

    // Texts that read the same in English and in French: words of both
    // languages ("Stop", "Flat", "ASCOM") and texts still to translate. The
    // list only shrinks; NJ_WRITE_LANGUAGE_WALK=1 rewrites it.
    QStringList same;
    const QRegularExpression word(QStringLiteral("[A-Za-z\u00C0-\u00FF]{3}"));
    for (auto it = french.cbegin(); it != french.cend(); ++it)
        if (english.value(it.key()) == it.value() && it.value().contains(word))
            same << it.key();
    same.sort();
    const QString listPath = QStringLiteral(NJ_SOURCE_DIR "/tests/translation/language_walk_pending.inc");
    if (qEnvironmentVariable("NJ_WRITE_LANGUAGE_WALK") == QLatin1String("1")) {
        QFile out(listPath);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write("// Texts the same in English and in French (written by the language walk test).\n");
        for (const QString& key : same)
            out.write((QStringLiteral("QStringLiteral(\"") + key + QStringLiteral("\"),  // ") + french.value(key).simplified()
                       + QLatin1Char('\n')).toUtf8());
        return;
    }
    static const QStringList pending = {
#include "language_walk_pending.inc"
    };
    QStringList leftOver;
    for (const QString& key : same)
        if (!pending.contains(key))
            leftOver << key + QStringLiteral(" = ") + french.value(key);
    QStringList translated;
    for (const QString& key : pending)
        if (!same.contains(key))
            translated << key;
    EXPECT_TRUE(leftOver.isEmpty()) << "the same in English and in French (translate, or list it):\n"
                                    << leftOver.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(translated.isEmpty()) << "translated now, drop from the list:\n"
                                      << translated.join(QLatin1Char('\n')).toStdString();
}
