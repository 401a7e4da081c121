// Every window walked in each language: the texts a switch leaves in the
// other language are listed, and a switch there and back changes nothing.

#include "translation_fixture.h"
#include "text_snapshot.h"

#include "app/frm_alv.h"
#include "app/frm_pref.h"
#include "app/settings.h"

#include <QFile>
#include <QRegularExpression>

#include <algorithm>

namespace {

QString pendingLine(const QString& key, const QString& french)
{
    return QStringLiteral("QStringLiteral(\"") + key + QStringLiteral("\"),  // ") + french.simplified();
}

// Rewrites the list of texts alike in both languages, keeping its groups and
// their comments: texts translated since leave it, a group left empty loses
// its comment, and new texts go to the end, to be sorted into a group.
bool rewritePendingList(const QString& path, const QStringList& same, const TextSnapshot& french)
{
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QStringList old = QString::fromUtf8(in.readAll()).split(u'\n');
    in.close();
    const QRegularExpression entry(QStringLiteral("^QStringLiteral\\(\"([^\"]+)\"\\)"));
    QList<QStringList> blocks{{}};  // separated by blank lines
    QStringList listed;
    for (const QString& line : old) {
        if (line.trimmed().isEmpty()) {
            blocks.append(QStringList());
            continue;
        }
        const QRegularExpressionMatch m = entry.match(line);
        if (!m.hasMatch()) {
            blocks.last() << line;
        } else if (same.contains(m.captured(1))) {
            blocks.last() << pendingLine(m.captured(1), french.value(m.captured(1)));
            listed << m.captured(1);
        }
    }
    QStringList fresh;
    for (const QString& key : same)
        if (!listed.contains(key))
            fresh << pendingLine(key, french.value(key));
    if (!fresh.isEmpty())
        blocks.append(QStringList{QStringLiteral("// New, to sort into a group above.")} + fresh);
    QStringList out;
    for (qsizetype i = 0; i < blocks.size(); ++i) {
        const bool onlyComments =
            std::all_of(blocks[i].cbegin(), blocks[i].cend(), [](const QString& l) { return l.startsWith(QLatin1String("//")); });
        if (blocks[i].isEmpty() || (i > 0 && onlyComments))
            continue;
        if (!out.isEmpty())
            out << QString();
        out << blocks[i];
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    file.write((out.join(u'\n') + u'\n').toUtf8());
    return true;
}

} // namespace

TEST_F(LanguageFiles, ASwitchThereAndBackLeavesEveryWindowAsItWas)
{
    dir.copyShipped({"Lang_English.ini", "Lang_Francais.ini"});
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

    // Texts that read the same in English and in French: names, words of
    // both languages ("Stop", "Flat", "ASCOM"), script keywords, texts the
    // windows write as they work. The list only shrinks;
    // NJ_WRITE_LANGUAGE_WALK=1 rewrites it.
    QStringList same;
    const QRegularExpression word(QStringLiteral("[A-Za-z\u00C0-\u00FF]{3}"));
    for (auto it = french.cbegin(); it != french.cend(); ++it)
        if (english.value(it.key()) == it.value() && it.value().contains(word))
            same << it.key();
    same.sort();
    const QString listPath = QStringLiteral(NJ_SOURCE_DIR "/tests/translation/language_walk_pending.inc");
    if (qEnvironmentVariable("NJ_WRITE_LANGUAGE_WALK") == QLatin1String("1")) {
        ASSERT_TRUE(rewritePendingList(listPath, same, french));
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
