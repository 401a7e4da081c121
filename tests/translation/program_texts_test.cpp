// The program's own messages, questions and dialog texts follow the chosen
// language as the shared texts do, down to the layers below the program.

#include "translation_fixture.h"

#include "app/frm_pref.h"
#include "app/ui/widget_dialog_service.h"
#include "kernels/picture_files.h"
#include "platform/platform_texts.h"
#include "scripting/find_dialog.h"
#include "scripting/frm_planificateur.h"
#include "scripting/frm_script.h"
#include "translation/language_file.h"
#include "translation/translated_texts.h"
#include "translation/translation_table.h"

#include <QApplication>
#include <QDirIterator>
#include <QFileDialog>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTimer>
#include <algorithm>
#include <vector>
#include <QTest>

namespace {

QByteArray shippedFile(const char* name)
{
    QFile f(QStringLiteral(NJ_SOURCE_DIR "/resources/programdir/") + QLatin1String(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The shipped English file, picked in the Preferences as a user would.
void chooseShippedEnglish(testsupport::TempProgramDir& dir)
{
    const QByteArray en = shippedFile("Lang_English.ini");
    dir.writeFile(QStringLiteral("Lang_English.ini"), en);
    QComboBox* combo = FRM_Pref->CBX_Langue;
    if (combo->findText(QStringLiteral("English")) < 0)
        combo->addItem(QStringLiteral("English"));
    combo->setCurrentIndex(combo->findText(QStringLiteral("English")));
    FRM_Pref->CBX_LangueChange();
}

QSet<QString> placeholders(const QString& text)
{
    QSet<QString> out;
    static const QRegularExpression re(QStringLiteral("%(\\d|g)"));
    for (auto it = re.globalMatch(text); it.hasNext();)
        out.insert(it.next().captured());
    return out;
}

// A string literal of a source file, its escapes as written.
struct SourceLiteral {
    int line;
    QString text;
};

// The string literals of C++ source text, comments and character literals
// left out.
std::vector<SourceLiteral> stringLiterals(const QString& source)
{
    std::vector<SourceLiteral> out;
    int line = 1;
    const qsizetype n = source.size();
    const auto at = [&](qsizetype i, QStringView s) { return QStringView(source).mid(i).startsWith(s); };
    for (qsizetype i = 0; i < n;) {
        const QChar c = source[i];
        if (c == u'\n') {
            ++line;
            ++i;
        } else if (at(i, u"//")) {
            i = source.indexOf(u'\n', i);
            if (i < 0)
                break;
        } else if (at(i, u"/*")) {
            const qsizetype end = source.indexOf(QStringLiteral("*/"), i + 2);
            if (end < 0)
                break;
            line += int(QStringView(source).mid(i, end - i).count(u'\n'));
            i = end + 2;
        } else if (c == u'R' && at(i + 1, u"\"") && (i == 0 || !(source[i - 1].isLetterOrNumber() || source[i - 1] == u'_'))) {
            const qsizetype open = source.indexOf(u'(', i);
            const QString close = u')' + source.mid(i + 2, open - i - 2) + u'"';
            const qsizetype end = source.indexOf(close, open);
            if (open < 0 || end < 0)
                break;
            const QString text = source.mid(open + 1, end - open - 1);
            out.push_back({line, text});
            line += int(text.count(u'\n'));
            i = end + close.size();
        } else if (c == u'\'' && !(i > 0 && source[i - 1].isDigit() && i + 1 < n && source[i + 1].isLetterOrNumber())) {
            qsizetype j = i + 1;
            while (j < n && source[j] != u'\'' && source[j] != u'\n')
                j += source[j] == u'\\' ? 2 : 1;
            i = j + 1;
        } else if (c == u'"') {
            qsizetype j = i + 1;
            while (j < n && source[j] != u'"' && source[j] != u'\n')
                j += source[j] == u'\\' ? 2 : 1;
            out.push_back({line, source.mid(i + 1, j - i - 1)});
            i = j + 1;
        } else {
            ++i;
        }
    }
    return out;
}

// French prose, whatever its wording: a letter with a French accent, an
// elided article or pronoun ("l'", "d'", "n'", "qu'"), or a word among the
// commonest French ones (articles, prepositions, and the words of the
// program's own messages, titles and filters) that English does not use.
// Names of keys, controls and files (one word with "_", ".", "/", "\\" or
// "=") are no prose.
bool looksFrench(const QString& text)
{
    static const QRegularExpression blank(QStringLiteral("\\s"));
    static const QRegularExpression nameMark(QStringLiteral("[_./\\\\=]"));
    if (!text.contains(blank) && text.contains(nameMark))
        return false;
    static const QRegularExpression accent(QStringLiteral("[àâäçéèêëîïôöùûüÿœæÀÂÄÇÉÈÊËÎÏÔÖÙÛÜŸŒÆ]"));
    static const QRegularExpression word(
        QStringLiteral("(?<![\\w'])(le|la|les|des|du|de|un|une|et|ou|est|sont|pas|ne|ni|aucun|aucune|avec|pour|dans|sur"
                       "|sous|par|vous|votre|vos|nous|tous|tout|toute|toutes|sans|pendant|inconnu|inconnue|introuvable"
                       "|fichier|fichiers|erreur|secondes|souris|nouveau|nouvelle|cours|canal|texte|heure|heures|nom"
                       "|enregistrer|ouvrir|fermer|annuler|charger|choisir|demarrer|arreter|suivant|precedent|prefixe"
                       "|reglages|attention|oui|parcourir|ajouter|supprimer|generer|effacer|quitter|valider|calibrer)"
                       "(?![\\w'])|(?<![\\w'])(qu|[dlnsjc])'\\w"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    return text.contains(accent) || text.contains(word);
}

// French texts of src/ that are right to stay as they are.
struct AllowedFrenchText {
    const char* file;   // under src/; a folder when it ends in "/"
    const char* text;   // a regular expression the whole literal matches
    // The design text of a component that the translation pass writes over
    // (the table must hold that window and component); null otherwise.
    const char* window = nullptr;
    const char* component = nullptr;
};

const AllowedFrenchText kAllowedFrenchTexts[] = {
    // The simulated mount and Alpaca telescope answer as a device does, in
    // their own words; what the program makes of an answer is translated.
    {"telescope/sim/", ".*"},
    // Lines of the ".par" capture report: a file whose wording is given,
    // written, never shown.
    {"tools/capture_report.cpp", ".*"},
    // The last line of the mosaic script the planner writes, a script whose
    // words are given (in both languages).
    {"scripting/frm_planificateur.cpp", "messagebox\\.show\\(.*\\)"},
    // Settings keys and the names of the spoken prompts' sound resources.
    {"app/settings/key_table.cpp", ".*"},
    {"platform/audio_sound_service.cpp", "OUI"},
    // Sample texts that size the read-outs; never shown.
    {"app/ui/readouts.cpp", "le haut"},
    // The name the fake video layer's demonstration webcam gives itself, as
    // a device names itself.
    {"platform/camera_device.cpp", "Webcam de démonstration"},
    // Texts of a window's design that the translation table does not reach:
    // the filter of the icon dialog OPD_Icone of the button properties, and
    // the two captions of the polar alignment's King pause button.
    {"app/frm_btnpref.cpp", "Tout \\(.*|.*Icônes.*"},
    {"telescope/frm_mise_en_station.cpp", "Pause pour corriger l'orientation de la monture"},
    // Design texts of components made in code, which the pass writes over.
    {"telescope/frm_sky.cpp", "Souris :|Centre de l'ecran :", "FRM_Sky", "STB_Ciel"},
    {"telescope/periodic_error_chart.cpp", "Evolution de l'erreur periodique|Temps \\(Secondes\\)|Ecart \\(Secondes d'arc\\)",
     "FRM_ErrPeriod", "CHRT_Erreur_Periodique"},
    {"app/frm_pref.cpp", "DirectShow \\(Nécessite DirectX 8\\.1 ou supérieur\\)", "FRM_Pref", "RDB_DirectShow"},
    {"app/frm_pref.cpp", "Vitesse des moteurs", "FRM_Pref", "LBL_Vitesse_Moteurs"},
    {"app/frm_pref.cpp", "Temps d'inertie \\(ms\\)", "FRM_Pref", "LBL_Tps_Inertie"},
    {"app/frm_pref.cpp", "Télescope", "FRM_Pref", "LBL_ASCOM_Telescope"},
    {"tools/frm_tool_images.cpp", "Décompte", "FRM_Tool_Images", "LBL_Decompte"},
    {"tools/frm_tool_images.cpp", "Appliqué", "FRM_Tool_Images", "LBL_DarkApplique"},
    {"tools/frm_tool_images.cpp", "Rayon d'action", "FRM_Tool_Images", "LBL_Rayon_Action"},
    {"tools/frm_tool_images.cpp", "Activer les informations sonores", "FRM_Tool_Images", "CKB_Select_Son"},
};

} // namespace

TEST_F(TranslationTable, EveryTextOfTheProgramsOwnHasItsKeyAndItsEnglishLine)
{
    const auto own = Translation::OwnTextEntries();
    ASSERT_GT(own.size(), 200u);

    // The keys of the shared texts and of the windows are not taken.
    QSet<QString> sharedKeys;
    for (const Translation::TranslationEntry& e : Translation::TranslationTable())
        sharedKeys.insert(e.keyName().toLower());
    for (const TTranslatedTextEntry& t : Translation::TextEntries().first(Translation::TextEntries().size() - own.size()))
        sharedKeys.insert(QString::fromLatin1(t.key).toLower());

    Translation::LanguageFile en;
    en.parse(shippedFile("Lang_English.ini"), QStringLiteral("English"));
    // Words that are the same in both languages.
    const QSet<QString> same{QStringLiteral("Orientation"), QStringLiteral("Collimation"), QStringLiteral("(Minutes)")};
    QSet<QString> ownKeys;
    QHash<QString, QString> keyOfFrench;
    for (const TTranslatedTextEntry& t : own) {
        const QString key = QString::fromLatin1(t.key);
        EXPECT_FALSE(sharedKeys.contains(key.toLower())) << t.key << " is a key of the shared texts or windows";
        EXPECT_FALSE(ownKeys.contains(key.toLower())) << t.key << " twice";
        ownKeys.insert(key.toLower());
        keyOfFrench.insert(t.defaultText(), key);

        const std::optional<QString> english = en.value(key);
        ASSERT_TRUE(english.has_value()) << "no English line for " << t.key;
        if (!same.contains(*english)) {
            EXPECT_NE(*english, t.defaultText()) << t.key << " is still French in English";
        }
        // A translation that loses a "%1" would lose the file name or number.
        EXPECT_EQ(placeholders(*english), placeholders(t.defaultText())) << t.key;
    }

    // Texts a user met in French with English chosen.
    for (const char* french :
         {"Aucune sortie audio : les sons ne sont pas joués",
          "Le script a été modifié et n'est pas enregistré. Abandonner les modifications ?",
          "Un script est en cours : arrêtez-le avant de générer la mosaïque.",
          "Le curseur n'est sur aucune ligne du script : rien à exécuter.", "Aucune image à enregistrer : ",
          "Rechercher", "Suivant", "Fermer", "Le répertoire n'existe pas, voulez vous le créer ?",
          "Espace disque critique, capture arrêtée", "Mémoire insuffisante pour une mosaïque de %1 x %2 pixels.",
          "'%1' n'est pas une valeur numérique valable.", "Vous devez donner un nom à la pose"})
        EXPECT_TRUE(keyOfFrench.contains(QString::fromUtf8(french))) << french;

    // No call site keeps its own copy of a text of the table: every one of
    // them reads the table.
    QStringList copies;
    static const QRegularExpression literal(QStringLiteral("QStringLiteral\\(\"((?:[^\"\\\\]|\\\\.)*)\"\\)"));
    for (QDirIterator it(QStringLiteral(NJ_SOURCE_DIR "/src"), {QStringLiteral("*.cpp"), QStringLiteral("*.h")},
                         QDir::Files, QDirIterator::Subdirectories);
         it.hasNext();) {
        const QString path = it.next();
        if (path.contains(QLatin1String("/translation/")) || path.endsWith(QLatin1String("platform_texts.h")))
            continue;
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << qPrintable(path);
        const QString source = QString::fromUtf8(f.readAll());
        for (auto m = literal.globalMatch(source); m.hasNext();) {
            QString text = m.next().captured(1);
            text.replace(QLatin1String("\\\""), QLatin1String("\""));
            if (keyOfFrench.contains(text))
                copies << path.mid(path.indexOf(QLatin1String("/src/")) + 1) + QStringLiteral(": ") + text;
        }
    }
    EXPECT_TRUE(copies.isEmpty()) << copies.join(u'\n').toStdString();
}

// No French text reaches the user outside the translation: every French
// literal of src/ is a text of the translation's own tables, or one of the
// texts allowed above.
TEST(ProgramTexts, NoFrenchTextOfTheProgramIsLeftOutsideTheTranslation)
{
    const QString root = QStringLiteral(NJ_SOURCE_DIR "/src/");
    std::vector<int> used(std::size(kAllowedFrenchTexts), 0);
    QStringList found;
    for (QDirIterator it(root, {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                         QDirIterator::Subdirectories);
         it.hasNext();) {
        const QString path = it.next();
        const QString name = path.mid(root.size());
        // The tables of the translated texts and of the layers' texts.
        if (name.startsWith(QLatin1String("translation/")) || name == QLatin1String("platform/platform_texts.h"))
            continue;
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << qPrintable(path);
        for (const SourceLiteral& l : stringLiterals(QString::fromUtf8(f.readAll()))) {
            if (!looksFrench(l.text))
                continue;
            bool allowed = false;
            for (std::size_t i = 0; i < std::size(kAllowedFrenchTexts) && !allowed; ++i) {
                const AllowedFrenchText& a = kAllowedFrenchTexts[i];
                const QString file = QString::fromUtf8(a.file);
                const bool inFile = file.endsWith(u'/') ? name.startsWith(file) : name == file;
                const QRegularExpression text(QRegularExpression::anchoredPattern(QString::fromUtf8(a.text)));
                allowed = inFile && text.match(l.text).hasMatch();
                used[i] += allowed;
            }
            if (!allowed)
                found << QStringLiteral("%1:%2: %3").arg(name).arg(l.line).arg(l.text);
        }
    }
    EXPECT_TRUE(found.isEmpty()) << found.size() << " French texts outside the translation:\n"
                                 << found.join(u'\n').toStdString();

    // Every allowance is still needed, and a design text is one the pass
    // writes over.
    for (std::size_t i = 0; i < std::size(kAllowedFrenchTexts); ++i) {
        const AllowedFrenchText& a = kAllowedFrenchTexts[i];
        EXPECT_GT(used[i], 0) << a.file << ": " << a.text << " matches nothing";
        if (!a.component)
            continue;
        const auto table = Translation::TranslationTable();
        EXPECT_TRUE(std::any_of(table.begin(), table.end(), [&a](const Translation::TranslationEntry& e) {
            return qstricmp(e.window, a.window) == 0 && qstricmp(e.component, a.component) == 0;
        })) << a.window << "." << a.component << " is written by no entry of the table";
    }

    // The scan finds what it is meant to find.
    const auto frenchIn = [](const char* source) {
        QStringList out;
        for (const SourceLiteral& l : stringLiterals(QString::fromUtf8(source)))
            if (looksFrench(l.text))
                out << l.text;
        return out;
    };
    EXPECT_EQ(frenchIn(R"x(// "Réglages" in a comment
        /* "Fichier" in a comment */ tell(QStringLiteral("Vous devez donner un nom a la pose"));
        show(u"Arreter", "Ouvrir", "Tous (*)", 'a', 1'000'000, "Valeur: l'image", R"(Durée)");
        key("Prefs", "Qualité_Compression_Jpeg"); info("Stop", "Unknown Command", "Not a WAV sound file : ");)x"),
              (QStringList{"Vous devez donner un nom a la pose", "Arreter", "Ouvrir", "Tous (*)", "Valeur: l'image",
                           "Durée"}));
}

TEST_F(TranslationTable, WithEnglishChosenTheScriptWindowAsksAndSearchesInEnglish)
{
    chooseShippedEnglish(dir);
    FRM_Script->show();
    const auto activate = [] {
        FRM_Script->activateWindow();
        return QTest::qWaitForWindowActive(FRM_Script);
    };
    ASSERT_TRUE(activate());

    // A script typed and never saved, then "New": the question is English.
    FRM_Script->Memo_Script->setFocus();
    QTest::keyClicks(FRM_Script->Memo_Script, QStringLiteral("beep"));
    boxes.answers = {platform::MsgResult::No};
    QTest::keyClick(FRM_Script, Qt::Key_N, Qt::ControlModifier);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text.toStdString(), "The script was changed and is not saved. Discard the changes?");
    EXPECT_EQ(FRM_Script->Memo_Script->toPlainText(), QStringLiteral("beep"));

    // The find dialog opened with its keys: English title, label and buttons,
    // and its close button closes it.
    ASSERT_TRUE(activate());
    QTest::keyClick(FRM_Script, Qt::Key_F, Qt::ControlModifier);
    TFindDialog* find = FRM_Script->FND_Recherche;
    ASSERT_TRUE(find->isVisible());
    EXPECT_EQ(find->windowTitle(), QStringLiteral("Find"));
    EXPECT_EQ(find->LBL_Rechercher->text(), QStringLiteral("Find:"));
    EXPECT_EQ(find->BTN_Suivant->text(), QStringLiteral("Next"));
    EXPECT_EQ(find->BTN_Fermer->text(), QStringLiteral("Close"));
    QTest::mouseClick(find->BTN_Fermer, Qt::LeftButton);
    EXPECT_FALSE(find->isVisible());

    // Back to French: the next opening and the next question are French.
    useNoLanguage();
    ASSERT_TRUE(activate());
    QTest::keyClick(FRM_Script, Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(find->BTN_Suivant->text(), QStringLiteral("Suivant"));
    find->hide();
    boxes.clear();
    boxes.answers = {platform::MsgResult::Yes};
    ASSERT_TRUE(activate());
    QTest::keyClick(FRM_Script, Qt::Key_N, Qt::ControlModifier);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text.toStdString(),
              "Le script a été modifié et n'est pas enregistré. Abandonner les modifications ?");
    FRM_Script->hide();
}

// The folder dialog of Préférences > Répertoires, opened with a click on a
// "..." button through the real dialogs, is titled in the chosen language,
// and in French again once no language is chosen.
TEST_F(TranslationTable, TheFolderDialogOfThePreferencesIsTitledInTheChosenLanguage)
{
    app::WidgetDialogService real;
    platform::setDialogService(&real);
    TFRM_Pref& p = *FRM_Pref;
    const auto titleOpenedBy = [&p](QAbstractButton* browse) {
        p.show();
        p.PGC_Preferences->setCurrentWidget(p.TBS_Repertoires);
        p.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&p));
        QString title;
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&title] {
            if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
                title = dialog->windowTitle();
                dialog->reject();
            }
        });
        answer.start(10);
        QTest::mouseClick(browse, Qt::LeftButton);
        return title;
    };

    chooseShippedEnglish(dir);
    EXPECT_EQ(titleOpenedBy(p.BBTN_Repertoire_Bitmaps).toStdString(), "Choose a folder");
    EXPECT_EQ(titleOpenedBy(p.BBTN_Repertoire_Scripts).toStdString(), "Choose a folder");
    useNoLanguage();
    EXPECT_EQ(titleOpenedBy(p.BBTN_Repertoire_Sons), QStringLiteral("Choisir un répertoire"));
    p.hide();
    platform::setDialogService(nullptr);
}

// A number typed wrong and an exposure added without a name, as a user
// meets them with English chosen, then with French again.
TEST_F(TranslationTable, WithEnglishChosenANumberTypedWrongAndANamelessExposureAreRefusedInEnglish)
{
    TFRM_Pref& p = *FRM_Pref;
    const auto typeIntoFocalLength = [&p](const QString& typed) {
        p.show();
        p.PGC_Preferences->setCurrentWidget(p.TBS_Optique);
        p.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&p));
        QTest::mouseClick(p.TNI_Focale, Qt::LeftButton);
        EXPECT_EQ(QApplication::focusWidget(), p.TNI_Focale);
        QTest::keyClick(p.TNI_Focale, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(p.TNI_Focale, typed);
        QTest::keyClick(p.TNI_Focale, Qt::Key_Tab);
    };
    const auto addNamelessExposure = [] {
        TFRM_Planificateur* planner = FRM_Planificateur;
        planner->show();
        planner->EDT_Nom_Pose->clear();
        QTest::mouseClick(planner->BTN_Ajouter, Qt::LeftButton);
        planner->hide();
    };

    chooseShippedEnglish(dir);
    typeIntoFocalLength(QStringLiteral("1e"));
    addNamelessExposure();
    EXPECT_EQ(boxes.texts().join(u'\n').toStdString(),
              "'1e' is not a valid numeric value.\nYou must give the exposure a name");

    boxes.clear();
    useNoLanguage();
    typeIntoFocalLength(QStringLiteral("2e"));
    addNamelessExposure();
    EXPECT_EQ(boxes.texts().join(u'\n').toStdString(),
              "'2e' n'est pas une valeur numérique valable.\nVous devez donner un nom à la pose");
    p.TNI_Focale->setText(QStringLiteral("1000"));
    p.hide();
}

TEST_F(TranslationTable, TheLayersBelowTheProgramTakeTheChosenLanguage)
{
    const auto reasonOfJunk = [] {
        const std::uint8_t junk[] = {'X', 'Y', 0, 0};
        kernels::Bitmap24 out;
        QString reason;
        kernels::PictureFiles::DecodeBmp(junk, sizeof junk, out, &reason);
        return reason;
    };
    useNoLanguage();
    EXPECT_EQ(platform::text(platform::PlatformText::MSG_Son_Aucune_Sortie),
              QStringLiteral("Aucune sortie audio : les sons ne sont pas joués"));
    EXPECT_EQ(reasonOfJunk(), QStringLiteral("ce n'est pas un fichier BMP"));

    chooseShippedEnglish(dir);
    EXPECT_EQ(platform::text(platform::PlatformText::MSG_Son_Aucune_Sortie),
              QStringLiteral("No audio output: sounds are not played"));
    EXPECT_EQ(reasonOfJunk(), QStringLiteral("this is not a BMP file"));

    // A language file without the key puts the French text back.
    useLanguage(QStringLiteral("Vide"), "MSG_OK=Okay\r\n");
    EXPECT_EQ(reasonOfJunk(), QStringLiteral("ce n'est pas un fichier BMP"));
}
