// The program's own messages, questions and dialog texts follow the chosen
// language as the shared texts do, down to the layers below the program.

#include "translation_fixture.h"

#include "app/frm_pref.h"
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
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
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
