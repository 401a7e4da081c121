// The script window: files, search, close and the engine's states.

#include "script_fixture.h"

#include "app/frm_alv.h"
#include "app/frm_btnpref.h"
#include "app/frm_pref.h"
#include "app/settings.h"
#include "app/ui/window_front.h"
#include "scripting/find_dialog.h"
#include "scripting/frm_script.h"
#include "support/file_size_limit.h"
#include "support/user_input.h"
#include "translation/translated_texts.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QWindow>

using scripttest::logged;

namespace {

class ScriptEditor : public ScriptFixture {
protected:
    void SetUp() override
    {
        ScriptFixture::SetUp();
        Translation::ResetTexts();
        FRM_Pref->EDT_Repertoire_Scripts->setText(dir.path() + QStringLiteral("/"));
        Settings::RegisterHandler(QStringLiteral("Align_V.BuildCustomFunctionMenu"), [this] { ++menuBuilds; });
    }
    void TearDown() override
    {
        Settings::UnregisterHandler(QStringLiteral("Align_V.BuildCustomFunctionMenu"));
        ScriptFixture::TearDown();
    }
    QString editorText() const { return FRM_Script->Memo_Script->toPlainText(); }
    void placeCaret(int editorPosition)
    {
        QTextCursor c = FRM_Script->Memo_Script->textCursor();
        c.setPosition(editorPosition);
        FRM_Script->Memo_Script->setTextCursor(c);
    }

    testsupport::RecordingDialogService dialogs;
    int menuBuilds = 0;
};

TEST_F(ScriptEditor, OpenStopsEveryLevelAndShowsTheFileOnlyWhenAccepted)
{
    TFRM_Script* w = FRM_Script;
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Script"));
    EXPECT_FALSE(w->MNU_Enregistrer->isEnabled());
    EXPECT_TRUE(w->windowFlags() & Qt::WindowStaysOnTopHint);

    // A caller waiting below a called script that waits too.
    dir.writeFile(QStringLiteral("sous.script"), "test.wait\r\n");
    dir.writeFile(QStringLiteral("nuit.script"), "test.log(un)\r\ntest.log(\xe9t\xe9)\rtest.log(trois)\n");
    runScript(QStringLiteral("callfar(\"sous.script\")\ntest.log(après)"));
    ASSERT_EQ(Scripts::CurrentLevel, 1);

    // Cancelled: nothing changes and the script runs on.
    dialogs.openAnswers.push_back(std::nullopt);
    w->MNU_OuvrirClick();
    ASSERT_EQ(dialogs.requests.size(), 1u);
    // It starts at the file the save dialog names (the called script's).
    EXPECT_EQ(dialogs.requests[0].fileName, dir.filePath(QStringLiteral("sous.script")));
    EXPECT_EQ(Scripts::CurrentLevel, 1);
    EXPECT_TRUE(Scripts::ScriptRunning);

    dialogs.openAnswers.push_back(dir.filePath(QStringLiteral("nuit.script")));
    w->MNU_OuvrirClick();
    EXPECT_EQ(Scripts::CurrentLevel, 0);
    EXPECT_FALSE(Scripts::ScriptRunning);
    EXPECT_TRUE(w->MNU_ExecuterDuDebut->isEnabled());
    EXPECT_TRUE(w->MNU_Executer->menuAction()->isEnabled());
    EXPECT_FALSE(w->MNU_Arreter->isEnabled());
    EXPECT_EQ(editorText(), QStringLiteral("test.log(un)\ntest.log(été)\ntest.log(trois)"));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Scripts : ") + dir.filePath(QStringLiteral("nuit.script")));
    EXPECT_TRUE(w->MNU_Enregistrer->isEnabled());
    EXPECT_EQ(w->SVD_Script.FileName, dir.filePath(QStringLiteral("nuit.script")));
    EXPECT_TRUE(boxes.shown.empty());

    // The loaded file runs as shown.
    run();
    ticks();
    EXPECT_EQ(logged, (QStringList{QStringLiteral("un"), QStringLiteral("été"), QStringLiteral("trois")}));

    // NUL bytes and 100,000 lines load whole, and the search reaches the end.
    QByteArray big("a\0b\r\n", 5);
    for (int i = 1; i < 100000; ++i)
        big += "wait(1)\r\n";
    big += "fin";
    dir.writeFile(QStringLiteral("grand.script"), big);
    dialogs.openAnswers.push_back(dir.filePath(QStringLiteral("grand.script")));
    w->MNU_OuvrirClick();
    EXPECT_EQ(w->Memo_Script->document()->blockCount(), 100001);
    EXPECT_EQ(w->EditorLines().first(), QString::fromLatin1("a\0b", 3));
    w->FindPosition = 0;
    w->SearchNext(QStringLiteral("FIN"));
    EXPECT_EQ(w->FindPosition, big.size());
    EXPECT_TRUE(boxes.shown.empty());

    // A file gone between the dialog and the read: one message, text kept.
    dialogs.openAnswers.push_back(dir.filePath(QStringLiteral("parti.script")));
    w->MNU_OuvrirClick();
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(w->Memo_Script->document()->blockCount(), 100001);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Scripts : ") + dir.filePath(QStringLiteral("grand.script")));

    // Nor does a file there that cannot be read stop the script that waits:
    // it goes on under its own text and file once its action ends.
    dir.writeFile(QStringLiteral("attente.script"), "test.wait\r\ntest.log(fin)\r\n");
    dialogs.openAnswers.push_back(dir.filePath(QStringLiteral("attente.script")));
    w->MNU_Ouvrir->trigger();
    run();
    ticks();
    ASSERT_EQ(Scripts::CurrentScript().State, Scripts::StateWaiting);
    boxes.clear();
    logged.clear();
    const QString shut = dir.filePath(QStringLiteral("ferme.script"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/proc/sys/vm/drop_caches"), shut));
    dialogs.openAnswers.push_back(shut);
    w->MNU_Ouvrir->trigger();
    ASSERT_EQ(boxes.texts().size(), 1);
    EXPECT_TRUE(boxes.texts().front().startsWith(shut + QStringLiteral(" : "))) << boxes.texts().front().toStdString();
    EXPECT_TRUE(Scripts::ScriptRunning);
    EXPECT_EQ(Scripts::CurrentScript().State, Scripts::StateWaiting);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Scripts : ") + dir.filePath(QStringLiteral("attente.script")));
    EXPECT_TRUE(Scripts::ResumeIfWaiting(Scripts::WaitSequence));
    ticks();
    EXPECT_EQ(logged, QStringList{QStringLiteral("fin")});
}

TEST_F(ScriptEditor, SavingWritesCp1252WithCrLfAndNeverOverwritesUnasked)
{
    TFRM_Script* w = FRM_Script;
    setText(QStringLiteral("wait(10)\ntest.log(été)"));
    const QByteArray expected("wait(10)\r\ntest.log(\xe9t\xe9)\r\n");

    // Without a name, save runs save as; no extension gets ".txt".
    dialogs.saveAnswers.push_back(dir.filePath(QStringLiteral("nuit")));
    w->MNU_EnregistrerClick();
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_FALSE(dialogs.requests[0].confirmOverwrite);
    EXPECT_EQ(dir.readFile(QStringLiteral("nuit.txt")), expected);
    const QString path = dir.filePath(QStringLiteral("nuit.txt"));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Scripts : ") + path);
    EXPECT_EQ(w->OPD_Script.FileName, path);
    EXPECT_TRUE(w->MNU_Enregistrer->isEnabled());
    EXPECT_EQ(Scripts::CurrentScript().Lines, (QStringList{QStringLiteral("wait(10)"), QStringLiteral("test.log(été)")}));
    EXPECT_EQ(menuBuilds, 1);

    // Save goes to the same file without a dialog.
    setText(QStringLiteral("wait(20)"));
    w->MNU_EnregistrerClick();
    EXPECT_EQ(dir.readFile(QStringLiteral("nuit.txt")), QByteArray("wait(20)\r\n"));
    EXPECT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(menuBuilds, 2);

    // Save as onto an existing file, answered No: nothing written, names kept.
    dir.writeFile(QStringLiteral("autre.txt"), "ancien\r\n");
    dialogs.saveAnswers.push_back(dir.filePath(QStringLiteral("autre.txt")));
    boxes.answers.push_back(platform::MsgResult::No);
    w->MNU_Enregistrer_sousClick();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Voulez vous remplacer le fichier autre.txt ?")});
    EXPECT_EQ(dir.readFile(QStringLiteral("autre.txt")), QByteArray("ancien\r\n"));
    EXPECT_EQ(w->SVD_Script.FileName, path);
    EXPECT_EQ(w->OPD_Script.FileName, path);
    EXPECT_EQ(menuBuilds, 2);

    // A full disk: one message, the old file and the text kept.
    boxes.clear();
    setText(QString(4096, QLatin1Char('x')));
    {
        testsupport::FileSizeLimit fullDisk(1000);
        w->MNU_EnregistrerClick();
    }
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(dir.readFile(QStringLiteral("nuit.txt")).size(), 10);
    EXPECT_EQ(dir.readFile(QStringLiteral("nuit.txt")), QByteArray("wait(20)\r\n"));
    EXPECT_EQ(editorText().size(), 4096);
    EXPECT_EQ(menuBuilds, 2);
}

TEST_F(ScriptEditor, NewEmptiesTheLevelAndEditsAreNeverDroppedUnasked)
{
    TFRM_Script* w = FRM_Script;
    dir.writeFile(QStringLiteral("a.script"), "test.wait\r\n");
    dialogs.openAnswers.push_back(dir.filePath(QStringLiteral("a.script")));
    w->MNU_OuvrirClick();
    run();
    ticks();
    ASSERT_TRUE(Scripts::ScriptRunning);

    // Text edited and never saved (typed while the script stood paused):
    // New asks, and Cancel keeps everything.
    QTextCursor edit(w->Memo_Script->document());
    edit.movePosition(QTextCursor::End);
    edit.insertText(QStringLiteral("\n// x"));
    boxes.answers.push_back(platform::MsgResult::Cancel);
    w->MNU_NouveauClick();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].buttons, platform::MsgButtons::YesNoCancel);
    EXPECT_TRUE(Scripts::ScriptRunning);
    EXPECT_FALSE(editorText().isEmpty());

    boxes.answers.push_back(platform::MsgResult::No);   // the edit is dropped
    w->MNU_NouveauClick();
    EXPECT_EQ(dir.readFile(QStringLiteral("a.script")), "test.wait\r\n");
    EXPECT_FALSE(Scripts::ScriptRunning);
    EXPECT_TRUE(editorText().isEmpty());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Scripts : Nouveau script"));
    EXPECT_FALSE(w->MNU_Enregistrer->isEnabled());
    EXPECT_TRUE(w->OPD_Script.FileName.isEmpty());
    EXPECT_TRUE(w->SVD_Script.FileName.isEmpty());
    EXPECT_TRUE(Scripts::CurrentScript().FileName.isEmpty());
    EXPECT_TRUE(Scripts::CurrentScript().Lines.isEmpty());

    // Nothing typed since: no question; with both names forgotten, open
    // starts in the scripts folder.
    boxes.clear();
    w->MNU_NouveauClick();
    EXPECT_TRUE(boxes.shown.empty());
    dialogs.openAnswers.push_back(std::nullopt);
    w->MNU_OuvrirClick();
    EXPECT_EQ(dialogs.requests.back().directory, FRM_Pref->ScriptsFolder());
    EXPECT_TRUE(dialogs.requests.back().fileName.isEmpty());
}

TEST_F(ScriptEditor, SearchWalksEveryOccurrenceFromTheCaretThenReportsNotFound)
{
    TFRM_Script* w = FRM_Script;
    setText(QStringLiteral("Abc\nxx abc\nABC"));
    w->MNU_RechercherClick();
    EXPECT_TRUE(w->FND_Recherche->isVisible());
    w->FND_Recherche->SetFindText(QStringLiteral("aBc"));

    // Positions count each line break as two characters.
    std::vector<int> ends;
    for (int i = 0; i < 3; ++i) {
        w->FND_RechercheFind();
        ends.push_back(w->FindPosition);
        EXPECT_EQ(w->Memo_Script->textCursor().selectedText().toLower(), QStringLiteral("abc"));
    }
    EXPECT_EQ(ends, (std::vector<int>{3, 11, 16}));
    EXPECT_TRUE(boxes.shown.empty());

    // F3 after the last hit: not found, selection and position unchanged.
    const int selStart = w->Memo_Script->textCursor().selectionStart();
    w->MNU_Occurrence_SuivanteClick();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("aBc: non trouvé")});
    EXPECT_EQ(w->FindPosition, 16);
    EXPECT_EQ(w->Memo_Script->textCursor().selectionStart(), selStart);

    // A click in the editor moves the start; F3 released does not.
    placeCaret(5);   // inside "xx abc"
    QTest::mouseRelease(w->Memo_Script->viewport(), Qt::LeftButton, {}, QPoint(200, 200));
    EXPECT_EQ(w->FindPosition, 6);
    QTest::keyRelease(w->Memo_Script, Qt::Key_F3);
    EXPECT_EQ(w->FindPosition, 6);
    w->MNU_Occurrence_SuivanteClick();
    EXPECT_EQ(w->FindPosition, 11);

    // Empty text and a position beyond the text: reported, nothing moves.
    boxes.clear();
    w->SearchNext(QString());
    w->FindPosition = 100000;
    w->SearchNext(QStringLiteral("abc"));
    EXPECT_EQ(boxes.texts(), (QStringList{QStringLiteral(": non trouvé"), QStringLiteral("abc: non trouvé")}));
}

TEST_F(ScriptEditor, ClosingHidesTheWindowAndTheScriptTicksOn)
{
    TFRM_Script* w = FRM_Script;
    w->show();
    setText(QStringLiteral("test.log(1)\ntest.log(2)"));
    run();
    FRM_Script->TMR_ScriptTimer();
    w->MNU_FermerClick();
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(menuBuilds, 1);
    EXPECT_TRUE(clockArmed());
    ticks();
    EXPECT_EQ(logged, (QStringList{QStringLiteral("1"), QStringLiteral("2")}));

    // Other windows reach the window's handlers by name.
    EXPECT_TRUE(Settings::RunHandler(QStringLiteral("FRM_Script.Show")));
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(Settings::RunHandler(QStringLiteral("FRM_Script.MNU_NouveauClick")));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Scripts : Nouveau script"));
}

} // namespace

TEST_F(ScriptEditor, KeysReachingTheEditorWhileAScriptRunsLeaveItsStatementsAlone)
{
    // The window takes the focus at every statement with the statement's
    // line selected: Enter held down to answer a dialog, or typed for a box
    // that is already gone, comes here.
    FRM_Script->show();
    setText(QStringLiteral("test.log(1)\ntest.wait\ntest.log(2)\ntest.log(3)"));
    run();
    ticks();
    ASSERT_EQ(Scripts::CurrentScript().State, Scripts::StateWaiting);
    EXPECT_TRUE(FRM_Script->Memo_Script->isReadOnly());
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(FRM_Script->Memo_Script, Qt::Key_Return);
    QTest::keyClicks(FRM_Script->Memo_Script, QStringLiteral("x"));
    EXPECT_EQ(editorText(), QStringLiteral("test.log(1)\ntest.wait\ntest.log(2)\ntest.log(3)"));
    EXPECT_TRUE(Scripts::ResumeIfWaiting(Scripts::WaitSequence));
    ticks();
    EXPECT_EQ(logged, (QStringList{"1", "2", "3"}));
    EXPECT_TRUE(boxes.shown.empty());

    // Paused or stopped, the text is the user's to edit.
    EXPECT_FALSE(FRM_Script->Memo_Script->isReadOnly());
    setText(QStringLiteral("test.log(1)\ntest.log(2)"));
    run();
    EXPECT_TRUE(FRM_Script->Memo_Script->isReadOnly());
    FRM_Script->MNU_PauseClick();
    EXPECT_FALSE(FRM_Script->Memo_Script->isReadOnly());
    FRM_Script->MNU_ExecuterDuDebutClick(nullptr);
    EXPECT_TRUE(FRM_Script->Memo_Script->isReadOnly());
    FRM_Script->MNU_ArreterClick();
    EXPECT_FALSE(FRM_Script->Memo_Script->isReadOnly());
}

namespace {

// An item of the script window's menus chosen with the mouse: a menu of its
// bar opened and its item clicked, or an item of the bar itself clicked.
void choose(QAction* item, QMenu* menu = nullptr)
{
    if (menu) {
        menu->popup(QPoint(10, 10));
        QCoreApplication::processEvents();
        const QRect place = menu->actionGeometry(item);
        QTest::mouseMove(menu, place.center());
        QTest::mouseClick(menu, Qt::LeftButton, {}, place.center());
        menu->hide();
        return;
    }
    QMenuBar* bar = FRM_Script->MainMenu1;
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(item).center());
}

} // namespace

// The line selected where a script stops on an error, or where it stands when
// paused, is the statement without its line break: the user types the
// corrected statement over it and the next line stays a line of its own, run
// after it. The offset recorded for a line counts each earlier line break as
// two characters.
TEST_F(ScriptEditor, AStatementTypedOverTheSelectedLineKeepsTheNextLineApart)
{
    TFRM_Script* w = FRM_Script;
    w->show();
    QApplication::setActiveWindow(w);
    setText(QStringLiteral("test.log(1)\ngoto.destination(301500,-19380)\ntest.log(2)"));
    choose(w->MNU_ExecuterDuDebut, w->MNU_Executer);
    ticks();
    ASSERT_FALSE(Scripts::ScriptRunning);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.texts()[0].startsWith(QStringLiteral("Line 2 : "))) << boxes.texts()[0].toStdString();
    EXPECT_EQ(w->Memo_Script->textCursor().selectedText(), QStringLiteral("goto.destination(301500,-19380)"));
    EXPECT_EQ(Scripts::CurrentScript().LineOffset, 11 + 2);

    w->Memo_Script->setFocus();
    QTest::keyClicks(w->Memo_Script, QStringLiteral("goto.destination(5h35m0s,-5d23m0s)"));
    EXPECT_EQ(editorText(),
              QStringLiteral("test.log(1)\ngoto.destination(5h35m0s,-5d23m0s)\ntest.log(2)"));
    logged.clear();
    boxes.clear();
    // From the caret, left on the corrected line: the line above it, the
    // corrected statement, then the next line on its own.
    choose(w->MNU_ExecuterDuCurseur, w->MNU_Executer);
    ticks();
    EXPECT_EQ(logged, (QStringList{"1", "2"}));
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join(u'|').toStdString();

    // Paused where it waits: the waiting statement is selected, alone.
    setText(QStringLiteral("test.log(1)\ntest.wait\ntest.log(2)\ntest.log(3)"));
    choose(w->MNU_ExecuterDuDebut, w->MNU_Executer);
    ticks();
    ASSERT_EQ(Scripts::CurrentScript().State, Scripts::StateWaiting);
    choose(w->MNU_Pause);
    ASSERT_TRUE(Scripts::ScriptPaused);
    EXPECT_EQ(w->Memo_Script->textCursor().selectedText(), QStringLiteral("test.wait"));
    EXPECT_EQ(Scripts::CurrentScript().LineOffset, 11 + 2);
    w->Memo_Script->setFocus();
    QTest::keyClicks(w->Memo_Script, QStringLiteral("test.log(9)"));
    EXPECT_EQ(editorText(), QStringLiteral("test.log(1)\ntest.log(9)\ntest.log(2)\ntest.log(3)"));
    logged.clear();
    choose(w->MNU_ExecuterDuCurseur, w->MNU_Executer);
    ticks();
    EXPECT_EQ(logged, (QStringList{"9", "2", "3"}));
}

// The program closed with a script typed and never saved, through the main
// window's menu File > Fermer or its close box (the window system's close):
// New's question; the program closes only once the script is saved or let go.
TEST_F(ScriptEditor, ClosingTheProgramAsksForAnEditedScriptAsNewAsks)
{
    TFRM_Script* w = FRM_Script;
    bool closed = false;
    QObject::connect(FRM_Alv, &TForm::formClosed, [&] { closed = true; });
    auto* fichier = FRM_Alv->findChild<QMenu*>(QStringLiteral("MNU_Fichier"));
    ASSERT_TRUE(fichier);
    FRM_Alv->setEnabled(true);   // as its first activation leaves it
    SettingsFilePath = dir.filePath(QStringLiteral("NightjarPro.ini"));
    FRM_Alv->show();
    w->show();
    QApplication::setActiveWindow(w);
    w->Memo_Script->setFocus();
    QTest::keyClicks(w->Memo_Script, QStringLiteral("test.log(m31)"));
    boxes.answers = {platform::MsgResult::Cancel};
    w->MNU_NouveauClick();
    ASSERT_EQ(boxes.shown.size(), 1u);
    const platform::Message asked = boxes.shown[0];

    // Cancel, or Yes with the save dialog cancelled: open, with the edit.
    boxes.answers = {platform::MsgResult::Cancel, platform::MsgResult::Yes};
    EXPECT_TRUE(testsupport::chooseMenuItem(fichier, FRM_Alv->MNU_Fermer));
    FRM_Alv->windowHandle()->close();
    ASSERT_EQ(boxes.shown.size(), 3u);
    for (const platform::Message& m : {boxes.shown[1], boxes.shown[2]})
        EXPECT_TRUE(m.text == asked.text && m.buttons == platform::MsgButtons::YesNoCancel);
    EXPECT_EQ(dialogs.requests.size(), 1u);
    EXPECT_FALSE(closed);
    EXPECT_FALSE(dir.exists(QStringLiteral("NightjarPro.ini"))) << "the close went on";
    EXPECT_EQ(editorText(), QStringLiteral("test.log(m31)"));

    // Yes and a file chosen: the script is written, the program closes and
    // saves its settings. No closes without writing.
    dialogs.saveAnswers.push_back(dir.filePath(QStringLiteral("m31.txt")));
    boxes.answers = {platform::MsgResult::Yes};
    FRM_Alv->windowHandle()->close();
    EXPECT_EQ(dir.readFile(QStringLiteral("m31.txt")), "test.log(m31)\r\n");
    EXPECT_TRUE(closed);
    EXPECT_TRUE(dir.exists(QStringLiteral("NightjarPro.ini")));
    closed = false;
    FRM_Alv->show();
    QTest::keyClicks(w->Memo_Script, QStringLiteral(" x"));
    boxes.answers = {platform::MsgResult::No};
    EXPECT_TRUE(testsupport::chooseMenuItem(fichier, FRM_Alv->MNU_Fermer));
    EXPECT_TRUE(closed);
    EXPECT_EQ(dir.readFile(QStringLiteral("m31.txt")), "test.log(m31)\r\n");
}

// A script edited with the keyboard while it stood paused, run on into a
// script it calls: the caller's text comes back when the called script
// ends with its edits still unsaved, so New and the program's close ask
// before they go, and a yes saves them to the caller's own file. While the
// called script is shown, the hidden caller's edits are asked for too,
// named by its file; a script run by another program's callfar gives the
// editor's text back the same way.
TEST_F(ScriptEditor, ACallersEditsStayUnsavedAfterTheScriptItCalledReturns)
{
    TFRM_Script* w = FRM_Script;
    QTextDocument* doc = w->Memo_Script->document();
    bool closed = false;
    QObject::connect(FRM_Alv, &TForm::formClosed, [&] { closed = true; });
    FRM_Alv->setEnabled(true);
    SettingsFilePath = dir.filePath(QStringLiteral("NightjarPro.ini"));
    FRM_Alv->show();
    w->show();
    QApplication::setActiveWindow(w);
    dir.writeFile(QStringLiteral("sous.script"), "test.wait\r\ntest.log(sous)\r\n");
    dir.writeFile(QStringLiteral("appel.script"), "test.wait\r\ncallfar(\"sous.script\")\r\ntest.log(apres)\r\n");
    const QString caller = dir.filePath(QStringLiteral("appel.script"));
    dialogs.openAnswers.push_back(caller);
    w->MNU_OuvrirClick();

    // Paused where it waits, a line typed at the end, then run on.
    choose(w->MNU_ExecuterDuDebut, w->MNU_Executer);
    ticks();
    ASSERT_EQ(Scripts::CurrentScript().State, Scripts::StateWaiting);
    choose(w->MNU_Pause);
    w->Memo_Script->setFocus();
    QTest::keyClick(w->Memo_Script, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(w->Memo_Script, Qt::Key_Return);
    QTest::keyClicks(w->Memo_Script, QStringLiteral("test.log(fin)"));
    const QString edited = editorText();
    ASSERT_TRUE(doc->isModified());
    // Run on from where it stood: the wait again, then the called script.
    choose(w->MNU_ExecuterDuCurseur, w->MNU_Executer);
    ticks();
    ASSERT_TRUE(Scripts::ResumeIfWaiting(Scripts::WaitSequence));
    ticks();
    ASSERT_EQ(Scripts::CurrentLevel, 1);
    ASSERT_TRUE(Scripts::ResumeIfWaiting(Scripts::WaitSequence));
    ticks();
    EXPECT_EQ(logged, (QStringList{"sous", "apres", "fin"}));
    ASSERT_FALSE(Scripts::ScriptRunning);
    EXPECT_EQ(editorText(), edited);
    EXPECT_TRUE(doc->isModified()) << "the edit came back marked as saved";
    EXPECT_EQ(w->SVD_Script.FileName, caller);

    // New and the close ask; Cancel keeps the program open with the edit.
    boxes.answers = {platform::MsgResult::Cancel, platform::MsgResult::Cancel};
    w->MNU_NouveauClick();
    FRM_Alv->windowHandle()->close();
    ASSERT_EQ(boxes.shown.size(), 2u);
    for (const platform::Message& m : boxes.shown)
        EXPECT_EQ(m.buttons, platform::MsgButtons::YesNoCancel);
    EXPECT_FALSE(closed);
    EXPECT_EQ(editorText(), edited);

    // Run again and left waiting in the called script: the caller's edits,
    // out of sight, are asked for by its name, and Yes writes them there.
    logged.clear();
    boxes.clear();
    choose(w->MNU_ExecuterDuDebut, w->MNU_Executer);
    ticks();
    ASSERT_TRUE(Scripts::ResumeIfWaiting(Scripts::WaitSequence));
    ticks();
    ASSERT_EQ(Scripts::CurrentLevel, 1);
    ASSERT_FALSE(doc->isModified());
    boxes.answers = {platform::MsgResult::Yes};
    w->MNU_NouveauClick();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, QStringLiteral("Scripts : ") + caller);
    EXPECT_EQ(dir.readFile(QStringLiteral("appel.script")),
              "test.wait\r\ncallfar(\"sous.script\")\r\ntest.log(apres)\r\ntest.log(fin)\r\n");
    EXPECT_EQ(Scripts::CurrentLevel, 0);
    EXPECT_TRUE(editorText().isEmpty());

    // A script another program runs by callfar over a text typed, never
    // saved: the text comes back unsaved.
    boxes.clear();
    QTest::keyClicks(w->Memo_Script, QStringLiteral("test.log(m31)"));
    ASSERT_TRUE(Scripts::ExecuteMacroLine(QStringLiteral("callfar(\"sous.script\")")));
    ticks();
    ASSERT_TRUE(Scripts::ResumeIfWaiting(Scripts::WaitSequence));
    ticks();
    ASSERT_EQ(Scripts::CurrentLevel, 0);
    EXPECT_EQ(editorText(), QStringLiteral("test.log(m31)"));
    EXPECT_TRUE(doc->isModified());
    boxes.answers = {platform::MsgResult::No};
    w->MNU_NouveauClick();
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(editorText().isEmpty());
}

// A function button's script opened from the button's properties over an
// edited text asks first, as Open does, and keeps its own file while it
// runs and calls another script: the question asked meanwhile names it, and
// after the called script returns the edits are still unsaved and a save
// writes them to it, never to the file opened before.
TEST_F(ScriptEditor, AButtonsScriptKeepsItsOwnFileAcrossTheScriptsItCalls)
{
    TFRM_Script* w = FRM_Script;
    QTextDocument* doc = w->Memo_Script->document();
    w->show();
    QApplication::setActiveWindow(w);
    const QByteArray first = "test.log(haut)\r\n";
    dir.writeFile(QStringLiteral("haut.script"), first);
    dir.writeFile(QStringLiteral("bouton.script"), "callfar(\"fond.script\")\r\ntest.log(bouton)\r\n");
    dir.writeFile(QStringLiteral("fond.script"), "test.wait\r\ntest.log(fond)\r\n");
    const QString button = dir.filePath(QStringLiteral("bouton.script"));
    dialogs.openAnswers.push_back(dir.filePath(QStringLiteral("haut.script")));
    w->MNU_OuvrirClick();
    w->Memo_Script->setFocus();
    QTest::keyClick(w->Memo_Script, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(w->Memo_Script, QStringLiteral("//"));
    ASSERT_TRUE(doc->isModified());
    const QString typed = editorText();

    // The button's script over the edited text: Cancel keeps the text, No
    // drops it.
    FRM_BTNPref->EDT_Script->setText(QStringLiteral("bouton.script"));
    Systeme::ShowFormOnScreen(FRM_BTNPref);
    boxes.answers = {platform::MsgResult::Cancel};
    QTest::mouseClick(FRM_BTNPref->SPDB_Scripts, Qt::LeftButton);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].buttons, platform::MsgButtons::YesNoCancel);
    EXPECT_EQ(editorText(), typed);
    boxes.clear();
    boxes.answers = {platform::MsgResult::No};
    QTest::mouseClick(FRM_BTNPref->SPDB_Scripts, Qt::LeftButton);
    ASSERT_EQ(boxes.shown.size(), 1u);
    ASSERT_EQ(w->SVD_Script.FileName, button);
    EXPECT_FALSE(doc->isModified());
    FRM_BTNPref->hide();
    QApplication::setActiveWindow(w);

    w->Memo_Script->setFocus();
    QTest::keyClick(w->Memo_Script, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(w->Memo_Script, Qt::Key_Return);
    QTest::keyClicks(w->Memo_Script, QStringLiteral("test.log(ajout)"));
    const QString edited = editorText();
    choose(w->MNU_ExecuterDuDebut, w->MNU_Executer);
    ticks();
    ASSERT_EQ(Scripts::CurrentLevel, 1);

    boxes.clear();
    boxes.answers = {platform::MsgResult::Cancel};
    w->MNU_NouveauClick();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, QStringLiteral("Scripts : ") + button);
    ASSERT_EQ(Scripts::CurrentLevel, 1);

    ASSERT_TRUE(Scripts::ResumeIfWaiting(Scripts::WaitSequence));
    ticks();
    EXPECT_EQ(logged, (QStringList{"fond", "bouton", "ajout"}));
    ASSERT_FALSE(Scripts::ScriptRunning);
    EXPECT_EQ(editorText(), edited);
    EXPECT_TRUE(doc->isModified());
    EXPECT_EQ(w->SVD_Script.FileName, button);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Scripts : ") + button);
    w->MNU_EnregistrerClick();
    EXPECT_EQ(dir.readFile(QStringLiteral("bouton.script")),
              "callfar(\"fond.script\")\r\ntest.log(bouton)\r\ntest.log(ajout)\r\n");
    EXPECT_EQ(dir.readFile(QStringLiteral("haut.script")), first);

    // A file that could not be opened names nothing: run again, the text
    // comes back from the called script under its own file still.
    boxes.clear();
    dialogs.openAnswers.push_back(dir.filePath(QStringLiteral("parti.script")));
    w->MNU_OuvrirClick();
    ASSERT_EQ(boxes.shown.size(), 1u);
    choose(w->MNU_ExecuterDuDebut, w->MNU_Executer);
    ticks();
    ASSERT_EQ(Scripts::CurrentLevel, 1);
    ASSERT_TRUE(Scripts::ResumeIfWaiting(Scripts::WaitSequence));
    ticks();
    ASSERT_EQ(Scripts::CurrentLevel, 0);
    EXPECT_EQ(w->SVD_Script.FileName, button);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Scripts : ") + button);
}
