#include "translation_fixture.h"
#include "text_snapshot.h"

#include "app/frm_alv.h"
#include "app/frm_pref.h"
#include "app/settings/key_engine.h"
#include "capture/frm_codec_choice.h"
#include "capture/frm_wdm_format.h"
#include "platform/codepage.h"
#include "translation/language.h"
#include "translation/language_file.h"
#include "translation/translated_texts.h"
#include "translation/translation_table.h"

#include <QComboBox>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QSet>

#include <vector>

using Translation::TextTarget;
using Translation::TranslationEntry;

namespace {

const char* snapshotProperty(TextTarget t)
{
    switch (t) {
    case TextTarget::Hint: return "hint";
    case TextTarget::AxisLeft: return "leftAxisTitle";
    case TextTarget::AxisBottom: return "bottomAxisTitle";
    case TextTarget::ChartTitle: return "titleText";
    case TextTarget::Placeholder: return "placeholder";
    default: return "caption";
    }
}

// A name that a layout editor or a converter made up ("lbl_22", "grp_12",
// "label_3", "groupBox"): it says nothing of the control, and a label added
// or moved in the layout hands it to another control.
bool isGeneratedName(const QString& name)
{
    static const QRegularExpression generated(
        QStringLiteral("^(lbl|label|grp|group|groupbox|box|stack|frame|widget|tab|pushbutton|toolbutton|checkbox"
                       "|radiobutton|lineedit|combobox|spinbox)(_\\d+)?$"),
        QRegularExpression::CaseInsensitiveOption);
    return generated.match(name).hasMatch();
}

// The controls of `window` that answer to `name`, letter case ignored.
int controlsNamed(const char* window, const char* component)
{
    QWidget* w = Settings::FindWindow(QString::fromLatin1(window));
    if (!w || !*component)
        return w ? 1 : 0;
    const QString name = QString::fromLatin1(component);
    int n = 0;
    for (QObject* o : w->findChildren<QObject*>())
        n += o->objectName().compare(name, Qt::CaseInsensitive) == 0;
    return n;
}

bool exists(const char* window, const char* component)
{
    return controlsNamed(window, component) > 0;
}

// Every entry of a pass: the table's, then the program's own.
std::vector<TranslationEntry> allEntries()
{
    const auto table = Translation::TranslationTable();
    const auto own = Translation::OwnTranslationTable();
    std::vector<TranslationEntry> out(table.begin(), table.end());
    out.insert(out.end(), own.begin(), own.end());
    return out;
}

// Where an entry's text lands in a snapshot (list items: item and index).
QString destination(const TranslationEntry& e)
{
    const QString win = QString::fromLatin1(e.window);
    if (e.target == TextTarget::ListItem)
        return SnapshotKey(win, e.componentName(), "item") + QString::number(e.index);
    return SnapshotKey(win, e.componentName(), snapshotProperty(e.target));
}

// The language file of the shipped French texts: every key whose place
// exists, with the text the windows show without a language file. A key
// shared by places with different French texts is left out, so each keeps
// its own.
QByteArray frenchFileBytes(const TextSnapshot& french)
{
    QMap<QString, QString> valueOf;  // folded key -> value
    QStringList order;
    QSet<QString> conflicting;
    const auto add = [&](const QString& key, const QString& value) {
        const QString k = key.toLower();
        if (!valueOf.contains(k)) {
            valueOf.insert(k, value);
            order << key;
        } else if (valueOf.value(k) != value) {
            conflicting.insert(k);
        }
    };
    add(QStringLiteral("Charset"), QStringLiteral("1;Default charset"));
    for (const TranslationEntry& e : allEntries()) {
        if (exists(e.window, e.component))
            add(e.keyName(), e.target == TextTarget::StatusPanel ? e.defaultText() : french.value(destination(e), e.defaultText()));
    }
    for (const TTranslatedTextEntry& t : Translation::TextEntries())
        add(QString::fromLatin1(t.key), t.defaultText());
    QByteArray out = "[Francais]\r\n";
    for (const QString& key : order) {
        if (conflicting.contains(key.toLower()))
            continue;
        QString v = valueOf.value(key.toLower());
        if (v != v.trimmed() || (v.startsWith(u'"') && v.endsWith(u'"') && v.size() >= 2))
            v = u'"' + v + u'"';
        out += key.toLatin1() + '=' + platform::toCp1252(v) + "\r\n";
    }
    return out;
}

// The lines only one of the two files has ("-" shipped, "+" generated).
std::string lineChanges(const QByteArray& shippedBytes, const QByteArray& generatedBytes)
{
    const QList<QByteArray> a = shippedBytes.split('\n'), b = generatedBytes.split('\n');
    std::string out;
    for (const QByteArray& l : a)
        if (!b.contains(l))
            out += "- " + l.trimmed().toStdString() + "\n";
    for (const QByteArray& l : b)
        if (!a.contains(l))
            out += "+ " + l.trimmed().toStdString() + "\n";
    return out;
}

QByteArray shipped(const char* name)
{
    QFile f(QStringLiteral(NJ_SOURCE_DIR "/resources/programdir/") + QLatin1String(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST_F(TranslationTable, EntriesCountAndNameTheirPlaces)
{
    const auto table = Translation::TranslationTable();
    ASSERT_EQ(table.size(), 955u);
    QMap<TextTarget, int> kinds;
    QMap<QString, int> windows;
    int copiedCaptions = 0, copiedHints = 0;
    for (const TranslationEntry& e : table) {
        ++kinds[e.target];
        ++windows[e.windowName()];
        if (e.copyWindow)
            ++(e.target == TextTarget::Hint ? copiedHints : copiedCaptions);
        const QString key = e.keyName();
        if (e.target == TextTarget::Hint || e.target == TextTarget::Caption || e.target == TextTarget::MenuCaption) {
            EXPECT_TRUE(key.endsWith(QLatin1String(".caption"), Qt::CaseInsensitive) ||
                        key.endsWith(QLatin1String(".hint"), Qt::CaseInsensitive)) << e.key;
        }
    }
    EXPECT_EQ(kinds[TextTarget::Caption], 723);
    EXPECT_EQ(kinds[TextTarget::MenuCaption], 89);
    EXPECT_EQ(kinds[TextTarget::Hint], 120);
    EXPECT_EQ(kinds[TextTarget::ListItem], 18);
    EXPECT_EQ(kinds[TextTarget::AxisLeft] + kinds[TextTarget::AxisBottom], 2);
    EXPECT_EQ(kinds[TextTarget::ChartTitle], 1);
    EXPECT_EQ(kinds[TextTarget::StatusPanel], 2);
    EXPECT_EQ(windows.size(), 23);
    EXPECT_EQ(windows[QStringLiteral("FRM_Pref")], 259);
    EXPECT_EQ(windows[QStringLiteral("FRM_Alv")], 186);
    EXPECT_EQ(windows[QStringLiteral("FRM_Message")], 2);
    EXPECT_EQ(copiedCaptions, 15);
    EXPECT_EQ(copiedHints, 47);
    EXPECT_EQ(Translation::CharsetWindows().size(), 23u);
}

// Every entry names a control of its window once the windows are made (the
// dialogs made when they open among them), and so does every copy: the pass
// skips a missing control without a word, so a misspelt name would leave a
// text untranslated. The name is the control's own, one control of its
// window answers to it, and it says what the control is: a generated name
// ("lbl_22") passes to another label when one is added or moved in the
// layout, and the key follows it there without a word. A list the pass
// rebuilds gets all its items back. The program's own entries take no key of the table nor of the
// texts, and write no place of the table's, so a language file's line
// lands in one place only.
TEST_F(TranslationTable, EveryEntryNamesOneControlOfItsWindowByItsOwnNameAndWholeLists)
{
    TFRM_CodecChoice codecs;
    TFRM_WDMFormat formats({}, {});
    QMap<QString, int> listItems;
    QStringList missing, generated, ambiguous;
    QSet<QString> tableKeys, tablePlaces;
    for (const TranslationEntry& e : Translation::TranslationTable()) {
        tableKeys.insert(e.keyName().toLower());
        tablePlaces.insert(destination(e).toLower());
    }
    for (const TTranslatedTextEntry& t : Translation::TextEntries())
        tableKeys.insert(QString::fromLatin1(t.key).toLower());
    for (const TranslationEntry& e : Translation::OwnTranslationTable()) {
        EXPECT_FALSE(tableKeys.contains(e.keyName().toLower())) << e.key;
        EXPECT_FALSE(tablePlaces.contains(destination(e).toLower())) << e.key;
    }
    for (const TranslationEntry& e : allEntries()) {
        if (!exists(e.window, e.component))
            missing << QStringLiteral("%1/%2 (%3)").arg(e.windowName(), e.componentName(), e.keyName());
        if (e.copyWindow && !exists(e.copyWindow, e.copyComponent))
            missing << QStringLiteral("%1/%2 (copy of %3)")
                           .arg(QString::fromLatin1(e.copyWindow), QString::fromLatin1(e.copyComponent), e.keyName());
        for (const auto& [window, component] : {std::pair{e.window, e.component}, std::pair{e.copyWindow, e.copyComponent}}) {
            if (!window)
                continue;
            const QString place = QStringLiteral("%1/%2 (%3)").arg(QString::fromLatin1(window), QString::fromLatin1(component), e.keyName());
            if (isGeneratedName(QString::fromLatin1(component)))
                generated << place;
            if (controlsNamed(window, component) > 1 && e.target != TextTarget::MenuCaption)
                ambiguous << place;
        }
        if (e.target == TextTarget::ListItem) {
            EXPECT_EQ(e.index, listItems[e.windowName() + u'/' + e.componentName()]++) << e.key;
        }
    }
    EXPECT_TRUE(missing.isEmpty()) << missing.size() << " entries name no control:\n"
                                   << missing.join(u'\n').toStdString();
    EXPECT_TRUE(generated.isEmpty()) << generated.size() << " entries reach a control by a generated name:\n"
                                     << generated.join(u'\n').toStdString();
    EXPECT_TRUE(ambiguous.isEmpty()) << ambiguous.size() << " entries name more than one control:\n"
                                     << ambiguous.join(u'\n').toStdString();
    for (auto it = listItems.cbegin(); it != listItems.cend(); ++it) {
        const QStringList place = it.key().split(u'/');
        auto* combo = Settings::FindWindow(place[0])->findChild<QComboBox*>(place[1]);
        ASSERT_NE(combo, nullptr) << it.key().toStdString();
        EXPECT_EQ(combo->count(), it.value()) << it.key().toStdString();
    }
}

TEST_F(TranslationTable, EveryKeyReachesExactlyItsPlaces)
{
    useNoLanguage();
    const TextSnapshot before = SnapshotTexts();

    // Every key a distinct value, written in lower case.
    QMap<QString, QString> valueOfKey;
    QByteArray body;
    const std::vector<TranslationEntry> entries = allEntries();
    for (const TranslationEntry& e : entries) {
        const QString k = e.keyName().toLower();
        if (!valueOfKey.contains(k)) {
            valueOfKey.insert(k, QStringLiteral("v%1").arg(valueOfKey.size()));
            body += k.toLatin1() + '=' + valueOfKey.value(k).toLatin1() + "\r\n";
        }
    }
    useLanguage(QStringLiteral("Test"), body);
    const TextSnapshot after = SnapshotTexts();

    QMap<QString, QString> expected;  // the later entry wins
    for (const TranslationEntry& e : entries) {
        if (!exists(e.window, e.component) || e.target == TextTarget::StatusPanel)
            continue;
        const QString v = valueOfKey.value(e.keyName().toLower());
        expected.insert(destination(e), v);
        if (e.copyWindow && exists(e.copyWindow, e.copyComponent))
            expected.insert(SnapshotKey(QString::fromLatin1(e.copyWindow), QString::fromLatin1(e.copyComponent),
                                        snapshotProperty(e.target)), v);
    }
    ASSERT_GT(expected.size(), 300);
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        EXPECT_EQ(after.value(it.key(), QStringLiteral("<absent>")), it.value()) << it.key().toStdString();
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        if (!expected.contains(it.key()) && !it.key().endsWith(QLatin1String("#selected"))) {
            EXPECT_EQ(it.value(), before.value(it.key())) << "changed without a key: " << it.key().toStdString();
        }
    }
}

TEST_F(TranslationTable, ShippedLanguageFilesAreInStepWithTheWindows)
{
    useNoLanguage();
    const TextSnapshot french = SnapshotTexts();
    const QByteArray generated = frenchFileBytes(french);
    if (qEnvironmentVariableIsSet("NJ_WRITE_LANGUAGE")) {
        QFile out(QStringLiteral(NJ_SOURCE_DIR "/resources/programdir/Lang_Francais.ini"));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(generated);
    }
    const QByteArray fr = shipped("Lang_Francais.ini");
    EXPECT_EQ(lineChanges(fr, generated), "") << "the windows' French texts changed: run with NJ_WRITE_LANGUAGE=1";
    EXPECT_EQ(fr, generated);

    // A pass with the French file changes nothing.
    useLanguage(QStringLiteral("Francais"), fr.mid(fr.indexOf('\n') + 1));
    EXPECT_EQ(SnapshotDiff(SnapshotTexts(), french), "");
    EXPECT_EQ(::FontCharset, 1);

    // The English file: CP1252 with CR LF, every key of the table and of
    // the texts, no key the program does not know,
    // and the words the focus prompts play.
    const QByteArray en = shipped("Lang_English.ini");
    ASSERT_TRUE(en.startsWith("[English]\r\n"));
    EXPECT_EQ(en.count("\r\n"), en.count('\n'));
    Translation::LanguageFile enFile;
    enFile.parse(en, QStringLiteral("English"));
    QSet<QString> known{QStringLiteral("charset")};
    for (const TranslationEntry& e : allEntries()) {
        known.insert(e.keyName().toLower());
        EXPECT_TRUE(enFile.value(e.keyName()).has_value()) << "no English for " << e.key;
    }
    for (const TTranslatedTextEntry& t : Translation::TextEntries()) {
        known.insert(QString::fromLatin1(t.key).toLower());
        EXPECT_TRUE(enFile.value(QString::fromLatin1(t.key)).has_value()) << "no English for " << t.key;
    }
    for (const QByteArray& line : en.split('\n')) {
        const qsizetype eq = line.indexOf('=');
        if (eq > 0) {
            EXPECT_TRUE(known.contains(QString::fromLatin1(line.left(eq)).toLower())) << line.constData();
        }
    }
    EXPECT_EQ(enFile.read(u"OUI", {}), QStringLiteral("YES"));
    EXPECT_EQ(enFile.read(u"NON", {}), QStringLiteral("NO"));
}
