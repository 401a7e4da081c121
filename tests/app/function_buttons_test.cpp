// Function buttons, script collections, the button properties window and
// the custom-function menu.

#include "program_windows_fixture.h"

#include "app/frm_btnpref.h"
#include "app/frm_pref.h"
#include "app/function_buttons.h"
#include "app/script_collections.h"
#include "app/settings.h"
#include "app/systeme.h"
#include "scripting/frm_script.h"
#include "scripting/scripts.h"
#include "translation/translated_texts.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

namespace {

class FunctionButtons : public ProgramWindows {
protected:
    void SetUp() override
    {
        ProgramWindows::SetUp();
        asStarted();
        FRM_Pref->EDT_Repertoire_Scripts->setText(QStringLiteral("Scripts\\"));
        FRM_Pref->EDT_Repertoire_Icones->setText(QStringLiteral("Icons\\"));
        QDir().mkpath(dir.filePath(QStringLiteral("Scripts")));
        QDir().mkpath(dir.filePath(QStringLiteral("Icons")));
    }
    void TearDown() override
    {
        ScriptButtons = {};
        ScriptCollectionFilePath.clear();
        CurrentScriptCollectionIndex = 0;
        ProgramWindows::TearDown();
    }
    void runToEnd()
    {
        for (int tick = 0; tick < 20 && Scripts::ScriptRunning; ++tick)
            FRM_Script->TMR_ScriptTimer();
    }
    static QToolButton* button(int n, bool beginner = false)
    {
        return beginner ? ScriptBar::BeginnerButton(n) : ScriptBar::ExpertButton(n);
    }

    testsupport::RecordingDialogService dialogs;
};

using CustomFunctions = FunctionButtons;
using ScriptCollections = FunctionButtons;

} // namespace

TEST_F(FunctionButtons, RightClickOpensTheButtonsPropertiesAndLeftClickRunsItsScript)
{
    dir.writeFile(QStringLiteral("Script_Nuit.ini"),
                  "[PFonctions]\r\nBTN_Script_1=flat.txt\r\nBTN_Hint_1=Flats\r\nBTN_Script_3=absent.txt\r\n");
    dir.writeFile(QStringLiteral("Scripts/flat.txt"), "// un\r\n// deux\r\n");
    LoadScriptCollection();
    EXPECT_EQ(button(1)->toolTip(), QStringLiteral("Flats"));

    // Right click: the properties of that button, nothing runs.
    QTest::mouseClick(button(3, true), Qt::RightButton);
    EXPECT_TRUE(FRM_BTNPref->isVisible());
    EXPECT_EQ(FRM_BTNPref->windowTitle(), QStringLiteral("Propriétés du bouton 3"));
    EXPECT_EQ(FRM_BTNPref->EDT_Script->text(), QStringLiteral("absent.txt"));
    EXPECT_EQ(EditedButtonIndex, 3);
    EXPECT_FALSE(Scripts::ScriptRunning);
    EXPECT_TRUE(boxes.shown.empty());

    // Left click on button 1 runs its script to the end; it does not change
    // the button the open window edits.
    QTest::mouseClick(button(1), Qt::LeftButton);
    EXPECT_TRUE(Scripts::ScriptRunning);
    EXPECT_TRUE(FRM_Script->windowTitle().endsWith(QStringLiteral("Scripts/flat.txt")));
    runToEnd();
    EXPECT_FALSE(Scripts::ScriptRunning);
    EXPECT_EQ(EditedButtonIndex, 3);
    FRM_BTNPref->EDT_Hint->setText(QStringLiteral("Manquant"));
    FRM_BTNPref->BTN_Ok->click();
    EXPECT_EQ(ScriptButtons[3].Hint, QStringLiteral("Manquant"));
    EXPECT_EQ(ScriptButtons[1].Hint, QStringLiteral("Flats"));
    EXPECT_EQ(EditedButtonIndex, 0);
    EXPECT_FALSE(FRM_BTNPref->isVisible());

    // An empty button does nothing; a missing file is told with its path.
    QTest::mouseClick(button(7), Qt::LeftButton);
    EXPECT_TRUE(boxes.shown.empty());
    QTest::mouseClick(button(3), Qt::MiddleButton);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Script introuvable : ") + dir.path() + QStringLiteral("/Scripts/absent.txt"));
    EXPECT_FALSE(Scripts::ScriptRunning);
}

TEST_F(FunctionButtons, PropertiesWindowBrowsesKeepsNamesAndCancelsCleanly)
{
    LoadScriptCollection();
    QTest::mouseClick(button(2), Qt::RightButton);
    dialogs.openAnswers = {QStringLiteral("/ailleurs/lune.txt"), QStringLiteral("/ailleurs/lune.bmp")};
    FRM_BTNPref->BBTN_Script->click();
    FRM_BTNPref->BBTN_Icone->click();
    EXPECT_EQ(FRM_BTNPref->EDT_Script->text(), QStringLiteral("lune.txt"));
    EXPECT_EQ(FRM_BTNPref->EDT_Icone->text(), QStringLiteral("lune.bmp"));
    // The script button opens the named script in the editor, or a new one.
    dir.writeFile(QStringLiteral("Scripts/lune.txt"), "// lune\r\n");
    FRM_BTNPref->SPDB_Scripts->click();
    EXPECT_TRUE(FRM_Script->isVisible());
    EXPECT_EQ(FRM_Script->Memo_Script->toPlainText(), QStringLiteral("// lune"));
    EXPECT_EQ(FRM_Script->SVD_Script.FileName, dir.path() + QStringLiteral("/Scripts/lune.txt"));
    EXPECT_FALSE(FRM_BTNPref->SPDB_Scripts->isChecked());
    bool fresh = false;
    Settings::RegisterHandler(QStringLiteral("FRM_Script.MNU_NouveauClick"), [&] { fresh = true; });
    FRM_BTNPref->EDT_Script->setText(QStringLiteral("absent.txt"));
    FRM_BTNPref->SPDB_Scripts->click();
    Settings::UnregisterHandler(QStringLiteral("FRM_Script.MNU_NouveauClick"));
    EXPECT_TRUE(fresh);

    FRM_BTNPref->BTN_Annuler->click();
    EXPECT_TRUE(ScriptButtons[2].Script.isEmpty());
    EXPECT_FALSE(dir.exists(QStringLiteral("Script_.ini")));
    EXPECT_EQ(EditedButtonIndex, 0);
    EXPECT_EQ(EditedButton, nullptr);
}

TEST_F(ScriptCollections, WithoutCollectionsTheButtonsShowTheirNumbers)
{
    LoadScriptCollection();
    EXPECT_EQ(FRM_Alv->CBX_ScriptCollection->count(), 0);
    EXPECT_EQ(FRM_Alv->CBX_ScriptCollection_B->count(), 0);
    EXPECT_EQ(ScriptCollectionFilePath, dir.path() + QStringLiteral("/Script_.ini"));
    for (int n = 1; n <= 20; ++n)
        for (bool beginner : {false, true}) {
            EXPECT_EQ(button(n, beginner)->text(), QString::number(n));
            EXPECT_TRUE(button(n, beginner)->icon().isNull());
        }

    // Truncated or binary files and "\" paths give what can be read.
    dir.writeFile(QStringLiteral("script_Bruit.ini"), QByteArray("[PFonctions]\r\nBTN_Script_2=sous\\a.txt\r\nBTN_Hi\0\xff\x01", 40));
    LoadScriptCollection();
    EXPECT_EQ(FRM_Alv->CBX_ScriptCollection->currentText(), QStringLiteral("Bruit"));
    EXPECT_EQ(ScriptButtons[2].Script, QStringLiteral("sous\\a.txt"));
    EXPECT_EQ(button(2)->text(), QStringLiteral("2"));
}

TEST_F(ScriptCollections, OkWritesTheWholeCollectionByteForByte)
{
    QImage picture(6, 6, QImage::Format_RGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(dir.filePath(QStringLiteral("Icons/lune.bmp")), "BMP"));
    dir.writeFile(QStringLiteral("Icons/dessin.wmf"), "not a picture");
    dir.writeFile(QStringLiteral("Script_Nuit.ini"),
                  "[PFonctions]\r\nBTN_Script_1=a.txt\r\nBTN_Icone_3=lune.bmp\r\nBTN_Hint_3=Lune\r\nBTN_Icone_4=dessin.wmf\r\n");
    LoadScriptCollection();
    for (bool beginner : {false, true}) {
        EXPECT_FALSE(button(3, beginner)->icon().isNull());
        EXPECT_TRUE(button(3, beginner)->text().isEmpty());
    }
    // The unreadable picture keeps the number, with one message naming it.
    EXPECT_EQ(button(4)->text(), QStringLiteral("4"));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].text.contains(QStringLiteral("dessin.wmf")));

    // Clearing the picture of button 3 shows its number again; the file is
    // rewritten whole, in the collection format.
    QTest::mouseClick(button(3), Qt::RightButton);
    FRM_BTNPref->EDT_Icone->clear();
    FRM_BTNPref->EDT_Script->setText(QStringLiteral("é.txt"));
    FRM_BTNPref->BTN_Ok->click();
    for (bool beginner : {false, true}) {
        EXPECT_TRUE(button(3, beginner)->icon().isNull());
        EXPECT_EQ(button(3, beginner)->text(), QStringLiteral("3"));
    }
    QByteArray expected = "[PFonctions]\r\n";
    for (int n = 1; n <= 20; ++n) {
        const QByteArray script = n == 1 ? "a.txt" : n == 3 ? "\xE9.txt" : "";
        const QByteArray icon = n == 4 ? "dessin.wmf" : "";
        const QByteArray hint = n == 3 ? "Lune" : "";
        expected += "BTN_Script_" + QByteArray::number(n) + "=" + script + "\r\n";
        expected += "BTN_Icone_" + QByteArray::number(n) + "=" + icon + "\r\n";
        expected += "BTN_Hint_" + QByteArray::number(n) + "=" + hint + "\r\n";
    }
    // A new collection is written in the same order from the start.
    QFile::remove(dir.filePath(QStringLiteral("Script_Nuit.ini")));
    ASSERT_TRUE(SaveScriptBar(ScriptCollectionFilePath));
    EXPECT_EQ(dir.readFile(QStringLiteral("Script_Nuit.ini")), expected);

    // A file that cannot be written: one message, buttons and file intact.
    boxes.clear();
    ScriptCollectionFilePath = dir.filePath(QStringLiteral("Icons"));   // a folder, not a file
    QTest::mouseClick(button(5), Qt::RightButton);
    FRM_BTNPref->EDT_Script->setText(QStringLiteral("b.txt"));
    FRM_BTNPref->BTN_Ok->click();
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(ScriptButtons[5].Script.isEmpty());
    EXPECT_EQ(dir.readFile(QStringLiteral("Script_Nuit.ini")), expected);
}

TEST_F(ScriptCollections, EnterOnANewNameCreatesACollectionFromTheCurrentButtons)
{
    dir.writeFile(QStringLiteral("Script_Nuit.ini"), "[PFonctions]\r\nBTN_Script_1=a.txt\r\n");
    dir.writeFile(QStringLiteral("Script_Aube.ini"), "[PFonctions]\r\nBTN_Script_1=aube.txt\r\n");
    LoadScriptCollection();
    EXPECT_EQ(ScriptCollectionList, (QStringList{"Aube", "Nuit"}));
    QComboBox* box = FRM_Alv->CBX_ScriptCollection_B;
    box->setCurrentIndex(1);
    FRM_Alv->CBX_ScriptCollectionChange(box);
    EXPECT_EQ(FRM_Alv->CBX_ScriptCollection->currentText(), QStringLiteral("Nuit"));
    EXPECT_EQ(ScriptButtons[1].Script, QStringLiteral("a.txt"));

    box->setEditText(QStringLiteral("Lune"));
    QTest::keyClick(box->lineEdit(), Qt::Key_Return);
    EXPECT_TRUE(dir.readFile(QStringLiteral("Script_Lune.ini")).contains("BTN_Script_1=a.txt\r\n"));
    EXPECT_EQ(ScriptCollectionList, (QStringList{"Aube", "Lune", "Nuit"}));
    EXPECT_EQ(FRM_Alv->CBX_ScriptCollection->currentText(), QStringLiteral("Lune"));
    EXPECT_EQ(FRM_Alv->CBX_ScriptCollection_B->currentText(), QStringLiteral("Lune"));

    // An existing name (any letter case) writes nothing; a bad name is refused.
    const QByteArray aube = dir.readFile(QStringLiteral("Script_Aube.ini"));
    FRM_Alv->CBX_ScriptCollectionKeyUp(box, 13);
    box->setEditText(QStringLiteral("aube"));
    FRM_Alv->CBX_ScriptCollectionKeyUp(box, 13);
    EXPECT_EQ(dir.readFile(QStringLiteral("Script_Aube.ini")), aube);
    box->setEditText(QStringLiteral("../evasion"));
    FRM_Alv->CBX_ScriptCollectionKeyUp(box, 13);
    EXPECT_EQ(boxes.shown.size(), 1u);
    // Entered from the keyboard, the refused name is selected, to be typed over.
    box->lineEdit()->setFocus();
    box->lineEdit()->end(false);
    QTest::keyClick(box->lineEdit(), Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_GT(boxes.shown.size(), 1u);
    EXPECT_EQ(box->lineEdit()->selectedText(), QStringLiteral("../evasion"));
    EXPECT_EQ(QDir(dir.path()).entryList({"Script_*"}).size(), 3);
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("../evasion.ini"))));

    // Opening a list reads the collections again.
    dir.writeFile(QStringLiteral("Script_Zenith.ini"), "[PFonctions]\r\n");
    FRM_Alv->CBX_ScriptCollection->showPopup();
    FRM_Alv->CBX_ScriptCollection->hidePopup();
    EXPECT_EQ(ScriptCollectionList, (QStringList{"Aube", "Lune", "Nuit", "Zenith"}));
    EXPECT_EQ(FRM_Alv->CBX_ScriptCollection_B->count(), 4);
}

TEST_F(CustomFunctions, MarkedScriptsBecomeItemsSortedByCaption)
{
    dir.writeFile(QStringLiteral("Scripts/z.txt"), "// premier\r\n@menu(Alpha)\r\n");
    dir.writeFile(QStringLiteral("Scripts/a.TXT"), "@MENU(Zeta \"(x)\" fin)\n");
    dir.writeFile(QStringLiteral("Scripts/b.txt"), "@Menu(Sans fin\r\n");
    dir.writeFile(QStringLiteral("Scripts/c.txt"), "@Menu(Mise|au point)\r\n");
    dir.writeFile(QStringLiteral("Scripts/d.script"), "@Menu(Pas un txt)\r\n");
    dir.writeFile(QStringLiteral("Scripts/e.txt"), QByteArray(3 << 20, 'x') + QByteArray("\0@Menu(Long)", 12));
    FRM_Alv->MNU_PFonctions->addAction(QStringLiteral("ancien"));
    Settings::RunHandler(QStringLiteral("Align_V.BuildCustomFunctionMenu"));

    QStringList captions;
    for (QAction* a : FRM_Alv->MNU_PFonctions->actions())
        captions << a->text();
    EXPECT_EQ(captions, (QStringList{"Alpha", "Long", "Mise|au point", "Zeta \"(x)\" fin"}));
    ASSERT_EQ(FRM_Alv->CustomFunctionList.size(), 4);
    EXPECT_EQ(FRM_Alv->CustomFunctionList[0], QStringLiteral("Alpha|") + dir.path() + QStringLiteral("/Scripts/z.txt"));

    // The caption with "|" runs its own file; a file gone since is told.
    dir.writeFile(QStringLiteral("Scripts/c.txt"), "// rien\r\n");
    FRM_Alv->MNU_PFonctions->actions()[2]->trigger();
    EXPECT_TRUE(FRM_Script->windowTitle().endsWith(QStringLiteral("Scripts/c.txt")));
    runToEnd();
    QFile::remove(dir.filePath(QStringLiteral("Scripts/z.txt")));
    FRM_Alv->MNU_PFonctions->actions()[0]->trigger();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].text.startsWith(QStringLiteral("Script introuvable : ")));
}

TEST_F(CustomFunctions, AtMost127ItemsInColumnsOf32Then33)
{
    for (int i = 0; i < 130; ++i)
        dir.writeFile(QStringLiteral("Scripts/f%1.txt").arg(i, 3, 10, QLatin1Char('0')),
                      QStringLiteral("@Menu(Fonction %1)\r\n").arg(i, 3, 10, QLatin1Char('0')).toLatin1());
    Align_V::BuildCustomFunctionMenu();
    ASSERT_EQ(FRM_Alv->CustomFunctionList.size(), 127);
    QList<QAction*> items = FRM_Alv->MNU_PFonctions->actions();
    QList<int> breaks;
    for (int i = 0; i < 127; ++i)
        if (items[i]->property("BarBreak").toBool())
            breaks << i;
    EXPECT_EQ(breaks, (QList<int>{32, 65, 98}));
    EXPECT_EQ(items.last()->objectName(), QStringLiteral("Fonction_Columns"));
}

// On a screen of 800 x 600 the first column of 32 does not fit: it goes on
// in the next column, and every item opened from the menu bar lies on the
// screen and runs its own script when clicked.
TEST_F(CustomFunctions, EveryItemCanBeChosenOnASmallScreen)
{
    Systeme::SetScreenSizeProvider([] { return QSize(800, 600); });
    const QRect screen(0, 0, 800, 600);
    constexpr int kCount = 70;
    for (int i = 0; i < kCount; ++i)
        dir.writeFile(QStringLiteral("Scripts/f%1.txt").arg(i, 2, 10, QLatin1Char('0')),
                      QStringLiteral("// @Menu(Fonction numero %1)\r\n").arg(i, 2, 10, QLatin1Char('0')).toLatin1());
    Align_V::BuildCustomFunctionMenu();
    QMenu* menu = FRM_Alv->MNU_PFonctions;
    FRM_Alv->show();
    for (int i = 0; i < kCount; ++i) {
        SCOPED_TRACE(i);
        menu->popup(FRM_Alv->mapToGlobal(QPoint(200, 20)));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
        auto* b = menu->findChildren<QPushButton*>().value(i);
        ASSERT_NE(b, nullptr);
        ASSERT_TRUE(b->isVisible());
        // The whole menu fits the screen's height (where the menu bar puts
        // it is the platform's), and the item is whole in it.
        EXPECT_LE(menu->height(), screen.height());
        const QRect at(b->mapTo(menu, QPoint(0, 0)), b->size());
        EXPECT_TRUE(menu->rect().contains(at)) << at.x() << "," << at.y() << " in " << menu->width() << "x" << menu->height();
        QTest::mouseClick(b, Qt::LeftButton);
        EXPECT_FALSE(menu->isVisible());
        EXPECT_TRUE(FRM_Script->windowTitle().endsWith(QStringLiteral("Scripts/f%1.txt").arg(i, 2, 10, QLatin1Char('0'))))
            << FRM_Script->windowTitle().toStdString();
        runToEnd();
    }
    // The columns keep their breaks: the 33rd and 66th items start one.
    for (int i : {32, 65}) {
        auto* first = menu->findChildren<QPushButton*>().value(i);
        auto* before = menu->findChildren<QPushButton*>().value(i - 1);
        EXPECT_GT(first->x(), before->x());
        EXPECT_LT(first->y(), before->y());
    }

    // As many as the menu takes, with long captions: wider than the screen,
    // the columns scroll sideways under the bar; the last item is reached
    // by the bar and runs its script.
    for (int i = kCount; i < 130; ++i)
        dir.writeFile(QStringLiteral("Scripts/f%1.txt").arg(i, 3, 10, QLatin1Char('0')),
                      QStringLiteral("// @Menu(Fonction au nom assez long %1)\r\n").arg(i, 3, 10, QLatin1Char('0')).toLatin1());
    Align_V::BuildCustomFunctionMenu();
    menu = FRM_Alv->MNU_PFonctions;
    menu->popup(FRM_Alv->mapToGlobal(QPoint(200, 20)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
    EXPECT_LE(menu->width(), screen.width());
    EXPECT_LE(menu->height(), screen.height());
    auto* scroll = menu->findChild<QScrollArea*>();
    ASSERT_NE(scroll, nullptr);
    QScrollBar* bar = scroll->horizontalScrollBar();
    ASSERT_TRUE(bar->isVisible());
    QPushButton* last = menu->findChildren<QPushButton*>().value(Align_V::kMaxCustomFunctions - 1);
    ASSERT_NE(last, nullptr);
    const auto inView = [&] {
        return scroll->viewport()->rect().contains(QRect(last->mapTo(scroll->viewport(), QPoint(0, 0)), last->size()));
    };
    EXPECT_FALSE(inView());
    for (int page = 0; page < 20 && !inView(); ++page)
        QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() - bar->height() - 4, bar->height() / 2));
    ASSERT_TRUE(inView());
    QTest::mouseClick(last, Qt::LeftButton);
    EXPECT_EQ(FRM_Script->windowTitle(), QStringLiteral("Scripts : ") + FRM_Alv->CustomFunctionList.last().section(u'|', 1));
    runToEnd();
    Systeme::SetScreenSizeProvider({});
}

// The menu opens from the menu bar after a rebuild (the script window's
// save), also once it was opened while it held nothing, and keeps its place
// in the bar, its name and its title; built by the start while the window
// is still off, it is on with the window. (Its Alt key and a slide from the
// menu beside it are tried in the running program, script_dialogs_e2e.sh.)
TEST_F(CustomFunctions, TheMenuOpensFromTheMenuBarAfterARebuildEvenOnceOpenedEmpty)
{
    QMenuBar* bar = FRM_Alv->MainMenu1;
    FRM_Alv->setEnabled(false);   // as the window is made
    FRM_Alv->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(FRM_Alv));
    activate();
    ASSERT_TRUE(steps.contains(QStringLiteral("LoadSettings")));
    const int place = int(bar->actions().indexOf(FRM_Alv->MNU_PFonctions->menuAction()));
    const QString title = FRM_Alv->MNU_PFonctions->title();
    const auto clickTitle = [bar] {
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(FRM_Alv->MNU_PFonctions->menuAction()).center());
    };

    clickTitle();
    EXPECT_TRUE(FRM_Alv->MNU_PFonctions->actions().isEmpty());
    while (QWidget* popup = QApplication::activePopupWidget())
        QTest::keyClick(popup, Qt::Key_Escape);

    dialogs.saveAnswers.push_back(dir.filePath(QStringLiteral("Scripts/premier.txt")));
    FRM_Script->Memo_Script->setPlainText(QStringLiteral("@Menu(Premier)\n// rien"));
    FRM_Script->MNU_Enregistrer_sousClick();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(FRM_Alv->findChildren<QMenu*>(QStringLiteral("MNU_PFonctions")).size(), 1);
    QMenu* menu = FRM_Alv->MNU_PFonctions;
    EXPECT_EQ(menu->title(), title);
    EXPECT_EQ(bar->actions().indexOf(menu->menuAction()), place);
    clickTitle();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
    ASSERT_EQ(QApplication::activePopupWidget(), menu);
    const QRect first = menu->actionGeometry(menu->actions().value(0));
    QTest::mouseMove(menu, first.center());
    QTest::mouseClick(menu, Qt::LeftButton, {}, first.center());
    EXPECT_TRUE(FRM_Script->windowTitle().endsWith(QStringLiteral("Scripts/premier.txt")));
    runToEnd();
}
