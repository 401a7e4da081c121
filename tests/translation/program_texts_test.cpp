// The program's own messages, questions and dialog texts follow the chosen
// language as the shared texts do, down to the layers below the program.

#include "translation_fixture.h"
#include "text_snapshot.h"

#include "app/frm_pref.h"
#include "app/ui/widget_dialog_service.h"
#include "capture/frm_codec_choice.h"
#include "kernels/picture_files.h"
#include "platform/platform_texts.h"
#include "scripting/find_dialog.h"
#include "scripting/frm_planificateur.h"
#include "scripting/frm_script.h"
#include "telescope/frm_mise_en_station.h"
#include "tools/frm_tool_images.h"
#include "translation/language.h"
#include "translation/language_file.h"
#include "translation/translated_texts.h"
#include "translation/translation_table.h"
#include "support/user_input.h"

#include <QApplication>
#include <QDirIterator>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSet>
#include <QTimer>
#include <algorithm>
#include <vector>
#include <QTest>
#include <QXmlStreamReader>

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
// program's own messages, titles, filters and labels) that English does not
// use.
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
                       "|reglages|attention|oui|parcourir|ajouter|supprimer|generer|effacer|quitter|valider|calibrer"
                       "|prochain|evenement|profil|objets|couleurs|rouge|vert|bleu|seuil|seuils|diametre|lignes|inertie"
                       "|actif|nord|sud|ouest|jeu|optique|affichage|compresseur|taille|hote|memoire|premier|dernier"
                       "|boucle|definir|trouver|montrer|inverser|carte|moteurs|suivi|reticule|nombre|niveau|echelle"
                       "|ressources|recherche|chargement|monture|vitesse|pose|poses|longue|haut|bas)"
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
    // Sample texts that size the read-outs, the names of the coordinate
    // pad's arrow buttons, a key of the settings file, the tip of a hidden
    // check box: none is shown.
    {"app/ui/readouts.cpp", "le haut|Ouest|Nord"},
    {"app/controls/coord_pad.cpp", "Gauche|Droite|Haut|Bas"},
    {"app/settings.cpp", "Couleurs Nuit"},
    {"capture/long_exposure_cycle.cpp", "Longue pose active"},
    // The name the fake video layer's demonstration webcam gives itself, as
    // a device names itself.
    {"platform/camera_device.cpp", "Webcam de démonstration"},
    // Texts of a window's design that the translation table does not reach:
    // the filter of the icon dialog OPD_Icone of the button properties.
    {"app/frm_btnpref.cpp", "Tout \\(.*|.*Icônes.*"},
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
    {"tools/frm_tool_images.cpp", "Bas", "FRM_Tool_Images", "LBL_SeuilBas"},
    {"tools/frm_tool_images.cpp", "Haut", "FRM_Tool_Images", "LBL_SeuilHaut"},
    {"tools/frm_tool_images.cpp", "Seuil", "FRM_Tool_Images", "LBL_Seuil_Dark"},
    {"scripting/frm_planificateur.cpp", "Taille", "FRM_Planificateur", "LBL_Taille"},
};


// A text a window layout (".ui" file) shows: the window, the component that
// shows it (empty for the window itself) and its kind ("caption" for texts,
// titles and tab titles, "hint" for tips, "item" for list items,
// "placeholder").
struct LayoutText {
    QString window;
    QString component;
    QString kind;
    QString text;
};

std::vector<LayoutText> layoutTexts(const QByteArray& xml)
{
    struct Open {
        QString tag, name;
    };
    std::vector<Open> open;
    std::vector<LayoutText> out;
    QString window;
    QXmlStreamReader r(xml);
    while (!r.atEnd()) {
        r.readNext();
        if (r.isEndElement() && !open.empty())
            open.pop_back();
        if (!r.isStartElement())
            continue;
        if (r.name() != u"string") {
            open.push_back({r.name().toString(), r.attributes().value(QLatin1String("name")).toString()});
            if (window.isEmpty() && r.name() == u"widget")
                window = open.back().name;
            continue;
        }
        const QString text = r.readElementText();  // its end read with it
        if (open.size() < 2 || text.isEmpty())
            continue;
        const Open& holder = open.back();
        QString kind;
        if (holder.tag == u"attribute" && holder.name == u"title")
            kind = QStringLiteral("caption");
        else if (holder.tag != u"property")
            continue;
        else if (open[open.size() - 2].tag == u"item")
            kind = QStringLiteral("item");
        else if (holder.name == u"text" || holder.name == u"title" || holder.name == u"windowTitle")
            kind = QStringLiteral("caption");
        else if (holder.name == u"toolTip" || holder.name == u"statusTip" || holder.name == u"whatsThis")
            kind = QStringLiteral("hint");
        else if (holder.name == u"placeholderText")
            kind = QStringLiteral("placeholder");
        else
            continue;
        QString component;
        for (auto it = open.rbegin(); it != open.rend() && component.isEmpty(); ++it)
            if (it->tag == u"widget" || it->tag == u"action")
                component = it->name;
        out.push_back({window, component == window ? QString() : component, kind, text});
    }
    return out;
}

// Where the translation writes: "window/component#kind", letter case ignored,
// for every entry of the table and of the program's own, copies included.
QSet<QString> translatedPlaces()
{
    const auto kind = [](Translation::TextTarget t) {
        switch (t) {
        case Translation::TextTarget::Hint: return QStringLiteral("hint");
        case Translation::TextTarget::ListItem: return QStringLiteral("item");
        case Translation::TextTarget::Placeholder: return QStringLiteral("placeholder");
        default: return QStringLiteral("caption");
        }
    };
    QSet<QString> out;
    for (const auto& table : {Translation::TranslationTable(), Translation::OwnTranslationTable()}) {
        for (const Translation::TranslationEntry& e : table) {
            out.insert((e.windowName() + u'/' + e.componentName() + u'#' + kind(e.target)).toLower());
            if (e.copyWindow)
                out.insert((QString::fromLatin1(e.copyWindow) + u'/' + QString::fromLatin1(e.copyComponent) + u'#' +
                            kind(e.target)).toLower());
        }
    }
    return out;
}

// French texts of the layouts that are right to stay as they are.
struct LayoutTextThatStays {
    const char* file;        // under src/
    const char* components;  // a regular expression the component's name matches ("" the window)
};

const LayoutTextThatStays kLayoutTextsThatStay[] = {
    // Texts the windows' design gives that no key of the language files
    // reaches: they stay in every language.
    {"app/frm_alv.ui", "LBL_Operation"},
    {"app/frm_btnpref.ui", "BTN_Annuler"},
    {"app/frm_message.ui", "BTN_Annuler|BTN_Effacer"},
    {"app/frm_pref.ui", "CKB_Multi_CPU|BTN_Choix_Relais|GRB_Choix_Relais|RDB_Autoguide_Aucun|CBX_Ligne_guidage"
                        "|LBL_Relais_Etat_Actif|LBL_Rafraichissement_Carte|LBL_Adresse_Serveur"},
    {"capture/frm_chargeseq.ui", "|BTN_Annuler|LBL_Sequence_Premier|LBL_Sequence_Dernier"},
    {"capture/frm_play_control.ui", "LBL_Fichier|SPDB_Loop"},
    {"scripting/frm_input.ui", "BTN_Annuler"},
    {"scripting/frm_scr_cmd.ui", "BTN_Memoire[123]"},
    {"telescope/frm_err_period.ui", ""},
    {"telescope/frm_img_ref.ui", "CBX_Unite"},
    {"telescope/frm_mise_en_station.ui", "LBL_Long_Trainee_[XY]"},
    {"telescope/frm_prg_action.ui",
     "BTN_Action_Port|CKB_Action_Detect_Script|CKB_Action_Port|CKB_Restart_Detecting|CKB_Stop_Detecting"},
    {"telescope/frm_prg_action_ls.ui", "CKB_Restart_Guiding"},
    {"telescope/frm_raquette.ui", "RDB_Coords"},
    {"telescope/frm_recherche.ui", "BTN_Annuler"},
    {"telescope/frm_tool_suivi.ui", "BTN_SetDerive_Guidage|CKB_Derive_Inverse|CKB_(GOTO|GUIDE)_Inverse(AD|DEC)"
                                    "|CKB_Inverse(AD|DEC)_Carte|GRB_Inverse_.*|GRB_Vitesse_Derive|SCB_Taille_ZDetect"},
    {"tools/frm_info.ui", "CKB_Satur|LBL_Echelle|LBL_Niveau|LBL_Nombre"},
    {"tools/frm_matdec.ui", ""},
    {"tools/frm_ressources.ui", "|LBL_.*"},
    {"tools/frm_tool_affichage.ui", "CKB_Src[12]_(Reticule|Suivi)"},
    {"tools/frm_tool_images.ui", "BTN_FindStars|BTN_ShowStars|CKB_Seuils_Evol"},
    {"tools/frm_tool_mesures.ui", "Button1|CBX_Unite|TBS_Reticule"},
    // Texts the program writes over when it shows them, from texts that
    // follow the language: the operation panel, the titles of the button
    // properties, the capture driver's and the catalogue's dialogs, the
    // capture driver's cancel button, the King pause button, the field's
    // unit.
    {"app/frm_alv.ui", "PNL_Action"},
    {"app/frm_btnpref.ui", ""},
    {"capture/frm_pilote.ui", "|BTN_Annuler"},
    {"telescope/frm_recherche.ui", ""},
    {"telescope/frm_mise_en_station.ui", "BTN_Pause"},
    {"tools/frm_tool_mesures.ui", "LBL_Unite_champ"},
    // The hand pad's north-east button.
    {"telescope/frm_raquette.ui", "BTN_NE"},
};

// The constructors of a C++ source text, each with its class and the line
// it starts on, and its initializers and body.
struct Constructor {
    QString className;
    int line;
    QString code;
};

std::vector<Constructor> constructors(const QString& source)
{
    std::vector<Constructor> out;
    static const QRegularExpression head(QStringLiteral("\\b(\\w+)::\\1\\s*\\("));
    // The index just past the bracket that closes the one at `i`.
    const auto closing = [&source](qsizetype i) {
        const QChar open = source[i];
        const QChar close = open == u'(' ? u')' : u'}';
        int depth = 0;
        for (; i < source.size(); ++i) {
            depth += source[i] == open ? 1 : source[i] == close ? -1 : 0;
            if (depth == 0)
                return i + 1;
        }
        return source.size();
    };
    for (auto it = head.globalMatch(source); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        qsizetype i = closing(m.capturedEnd() - 1);
        // Initializers, then the body.
        while (i < source.size() && source[i] != u'{' && source[i] != u';') {
            if (source[i].isLetterOrNumber() || source[i] == u'_') {
                while (i < source.size() && (source[i].isLetterOrNumber() || source[i] == u'_' || source[i] == u':'))
                    ++i;
                if (i < source.size() && (source[i] == u'(' || source[i] == u'{'))
                    i = closing(i);
            } else {
                i = source[i] == u'(' ? closing(i) : i + 1;
            }
        }
        if (i >= source.size() || source[i] == u';')
            continue;  // a declaration or a call
        const qsizetype end = closing(i);
        out.push_back({m.captured(1), int(QStringView(source).left(m.capturedStart()).count(u'\n')) + 1,
                       source.mid(m.capturedStart(), end - m.capturedStart())});
    }
    return out;
}

// Classes whose constructors may take translated texts: they are made once
// the language is read.
const char* const kMadeAfterTheLanguageIsRead[] = {
    // The capture driver's choice, made each time it opens.
    "TFRM_Pilote",
    // A failed serial exchange: its message in the language of that moment.
    "ExCom",
    // The sound output tells, at once, of a built-in sound it cannot read:
    // a message of that moment, not a text it keeps.
    "AudioSoundService",
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
          "Le script a été modifié et n'est pas enregistré. Enregistrer les modifications ?",
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

    // The layouts' texts: a French one is written over by the translation
    // (an entry of the table or of the program's own) or is one that stays.
    const QSet<QString> written = translatedPlaces();
    std::vector<int> stays(std::size(kLayoutTextsThatStay), 0);
    QStringList untranslated;
    for (QDirIterator it(root, {QStringLiteral("*.ui")}, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        const QString path = it.next();
        const QString name = path.mid(root.size());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << qPrintable(path);
        for (const LayoutText& t : layoutTexts(f.readAll())) {
            if (!looksFrench(t.text) || written.contains((t.window + u'/' + t.component + u'#' + t.kind).toLower()))
                continue;
            bool allowed = false;
            for (std::size_t i = 0; i < std::size(kLayoutTextsThatStay) && !allowed; ++i) {
                const LayoutTextThatStays& a = kLayoutTextsThatStay[i];
                const QRegularExpression components(QRegularExpression::anchoredPattern(QString::fromLatin1(a.components)),
                                                    QRegularExpression::CaseInsensitiveOption);
                allowed = name == QLatin1String(a.file) && components.match(t.component).hasMatch();
                stays[i] += allowed;
            }
            if (!allowed)
                untranslated << QStringLiteral("%1: %2 %3: %4").arg(name, t.component.isEmpty() ? t.window : t.component,
                                                                   t.kind, t.text);
        }
    }
    EXPECT_TRUE(untranslated.isEmpty()) << untranslated.size() << " French texts of the layouts outside the translation:\n"
                                        << untranslated.join(u'\n').toStdString();
    for (std::size_t i = 0; i < std::size(kLayoutTextsThatStay); ++i)
        EXPECT_GT(stays[i], 0) << kLayoutTextsThatStay[i].file << ": " << kLayoutTextsThatStay[i].components
                               << " matches no French text";

    // Texts copied before the language is read: a window is made before it,
    // so what its constructor takes of the translated texts stays French
    // (and so does a static's first value); they are read when shown, or
    // written by the pass.
    static const QRegularExpression reads(
        QStringLiteral("TranslatedTexts\\.|AllFilesFilter\\(|platform::text\\(|TextByKey\\("));
    static const QRegularExpression staticCopy(QStringLiteral(
        "\\bstatic\\s+(const\\s+)?QString(List)?\\s+\\w+\\s*[={][^;]*(TranslatedTexts\\.|AllFilesFilter\\(|platform::text\\()"));
    std::vector<int> madeLater(std::size(kMadeAfterTheLanguageIsRead), 0);
    QStringList copiedEarly;
    for (QDirIterator it(root, {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                         QDirIterator::Subdirectories);
         it.hasNext();) {
        const QString path = it.next();
        const QString name = path.mid(root.size());
        if (name.startsWith(QLatin1String("translation/")))
            continue;
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << qPrintable(path);
        const QString source = QString::fromUtf8(f.readAll());
        for (const Constructor& c : constructors(source)) {
            if (!c.code.contains(reads))
                continue;
            const auto later = std::find_if(std::begin(kMadeAfterTheLanguageIsRead), std::end(kMadeAfterTheLanguageIsRead),
                                            [&c](const char* n) { return c.className == QLatin1String(n); });
            if (later != std::end(kMadeAfterTheLanguageIsRead))
                ++madeLater[later - std::begin(kMadeAfterTheLanguageIsRead)];
            else
                copiedEarly << QStringLiteral("%1:%2: the constructor of %3").arg(name).arg(c.line).arg(c.className);
        }
        for (auto m = staticCopy.globalMatch(source); m.hasNext();) {
            const QRegularExpressionMatch s = m.next();
            copiedEarly << QStringLiteral("%1:%2: %3")
                               .arg(name)
                               .arg(QStringView(source).left(s.capturedStart()).count(u'\n') + 1)
                               .arg(s.captured().simplified());
        }
    }
    EXPECT_TRUE(copiedEarly.isEmpty()) << "translated texts taken before the language is read:\n"
                                       << copiedEarly.join(u'\n').toStdString();
    for (std::size_t i = 0; i < std::size(kMadeAfterTheLanguageIsRead); ++i)
        EXPECT_GT(madeLater[i], 0) << kMadeAfterTheLanguageIsRead[i] << " takes no translated text any more";

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
    boxes.answers = {platform::MsgResult::Cancel};
    QTest::keyClick(FRM_Script, Qt::Key_N, Qt::ControlModifier);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text.toStdString(), "The script was changed and is not saved. Save the changes?");
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
    boxes.answers = {platform::MsgResult::No};
    ASSERT_TRUE(activate());
    QTest::keyClick(FRM_Script, Qt::Key_N, Qt::ControlModifier);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text.toStdString(),
              "Le script a été modifié et n'est pas enregistré. Enregistrer les modifications ?");
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

// The labels this program added and the texts a window writes as it works
// follow the chosen language: the image tool's recording page, the polar
// alignment's new radius (one sentence naming the axis chosen, whichever was
// chosen when the language changed) and its King pause button, and a dialog
// made once the language is read.
TEST_F(TranslationTable, WithEnglishChosenTheTextsThisProgramAddedReadEnglish)
{
    chooseShippedEnglish(dir);
    EXPECT_EQ(FRM_Tool_Images->LBL_Incremente_suffixe->text().toStdString(), "Increment:");
    EXPECT_EQ(FRM_Tool_Images->LBL_SeqTimer->text().toStdString(), "Next event (s):");
    EXPECT_EQ(FRM_Pref->LBL_Profil_Optique->text().toStdString(), "Profile:");
    {
        TFRM_CodecChoice codecs;
        EXPECT_EQ(codecs.windowTitle().toStdString(), "Video compression");
        EXPECT_EQ(codecs.LBL_Qualite->text().toStdString(), "Compression quality:");
    }

    TFRM_MiseEnStation& w = *FRM_MiseEnStation;
    w.show();
    w.PCTRL_Bigourdan->setCurrentWidget(w.TBS_Rectif);
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    const auto radius = [&w] { return w.LBL_NouveauRayon->text().toStdString(); };
    EXPECT_EQ(radius(), "New radius of the azimuth adjuster (mm):");
    EXPECT_FALSE(w.LBL_Altaz->isVisible());
    // A radio button takes a click on its mark or its caption, at its left.
    const auto choose = [](QRadioButton* axis) {
        QTest::mouseClick(axis, Qt::LeftButton, {}, QPoint(8, axis->height() / 2));
        EXPECT_TRUE(axis->isChecked()) << axis->objectName().toStdString();
    };
    choose(w.RDB_Correct_Altitude);
    EXPECT_EQ(radius(), "New radius of the altitude adjuster (mm):");
    w.BTN_Pause->setEnabled(true);  // as while the King measurement runs
    EXPECT_EQ(w.BTN_Pause->text().toStdString(), "Pause to correct the mount's alignment");
    QTest::mouseClick(w.BTN_Pause, Qt::LeftButton);
    EXPECT_EQ(w.BTN_Pause->text().toStdString(), "Resume");

    useNoLanguage();
    EXPECT_EQ(radius(), "Nouveau rayon du dispositif de reglage en altitude (mm):");
    EXPECT_EQ(w.BTN_Pause->text().toStdString(), "Reactiver");
    choose(w.RDB_Correct_Azimuth);
    EXPECT_EQ(radius(), "Nouveau rayon du dispositif de reglage en azimuth (mm):");
    QTest::mouseClick(w.BTN_Pause, Qt::LeftButton);
    EXPECT_EQ(w.BTN_Pause->text(), QStringLiteral("Pause pour corriger l'orientation de la monture"));
    EXPECT_EQ(FRM_Tool_Images->LBL_Incremente_suffixe->text(), QStringLiteral("Incrément :"));
    w.BTN_Pause->setEnabled(false);
    w.hide();
}

// The labels and group titles this program added to the Preferences, each
// named after what it stands for, read the language the user picks on page
// "Langue": French, then English again. A few are checked where the user
// sees them, beside the control they name.
TEST_F(TranslationTable, ThePreferencesOwnLabelsReadTheLanguagePickedOnPageLangue)
{
    dir.copyShipped({"Lang_English.ini", "Lang_Francais.ini"});
    Settings::LoadLanguageChoice();  // English, as the start-up finds it
    Settings::ApplyTranslation();
    TFRM_Pref& p = *FRM_Pref;
    p.resize(900, 700);
    // A label and the control it names on its row; a group and a control in it.
    const std::pair<const char*, QWidget*> beside[] = {
        {"LBL_Profil_Optique", p.CBX_Optique},        {"LBL_Profil_Monture", p.CBX_Monture},
        {"LBL_Profil_Camera", p.CBX_Camera},          {"LBL_Profil_Vitesse_Moteur", p.CBX_Vitesse_Moteur},
        {"LBL_Vitesse_Est", p.TNI_Vitesse_Est},       {"LBL_Vitesse_Sud", p.TNI_Vitesse_Sud},
        {"LBL_Jeu_Dec", p.TNI_Jeu_Dec},               {"LBL_Resolution_Y", p.TNI_NbPix_Y},
        {"LBL_Schema", p.CBX_NiteColor},              {"GRB_Repertoires", p.EDT_Repertoire_Bitmaps},
        {"GRB_Reglages_Optique", p.TNI_Focale},       {"GRB_Couleurs", p.PNL_Color_Scrollbar},
    };
    for (const char* language : {"Francais", "English"}) {
        SCOPED_TRACE(language);
        testsupport::pick(p.CBX_Langue, QString::fromLatin1(language));
        Translation::LanguageFile file;
        file.parse(dir.readFile(QStringLiteral("Lang_%1.ini").arg(QString::fromLatin1(language))),
                   QString::fromLatin1(language));
        const TextSnapshot shown = SnapshotTexts();
        for (const Translation::TranslationEntry& e : Translation::OwnTranslationTable()) {
            if (qstrcmp(e.window, "FRM_Pref") == 0 && e.target == Translation::TextTarget::Caption) {
                EXPECT_EQ(shown.value(SnapshotKey(e.windowName(), e.componentName(), "caption"), QStringLiteral("<none>")),
                          file.value(e.keyName()).value_or(QStringLiteral("<no line>")))
                    << e.component;
            }
        }
        for (const auto& [name, control] : beside) {
            testsupport::bringForward(control);
            auto* own = p.findChild<QWidget*>(QString::fromLatin1(name));
            ASSERT_NE(own, nullptr) << name;
            ASSERT_TRUE(own->isVisible()) << name;
            const QRect at(own->mapTo(&p, QPoint()), own->size());
            const QRect named(control->mapTo(&p, QPoint()), control->size());
            if (qobject_cast<QGroupBox*>(own)) {
                EXPECT_TRUE(at.contains(named)) << name;
            } else {
                EXPECT_LT(at.right(), named.left()) << name;
                EXPECT_TRUE(at.top() < named.bottom() && named.top() < at.bottom()) << name << " stands on another row";
            }
        }
    }
    p.hide();
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
