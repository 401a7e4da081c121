#include "script_fixture.h"

#include "app/frm_alv.h"
#include "app/settings.h"
#include "app/frm_pref.h"
#include "scripting/frm_progress.h"
#include "scripting/frm_script.h"
#include "tools/frm_tool_images.h"

#include <QFile>
#include <QTest>
#include <QTextBlock>
#include <QToolButton>
#include <QTextCursor>
#include <QTextDocument>

using scripttest::logged;

TEST_F(ScriptFixture, SkippedLinesTakeOneShortStepEachAndTheEndStopsQuietly)
{
    const auto intervals =
        runScript(QStringLiteral("\n// comment\n@Menu Nuit\n@button x\nvar(n,integer)\n:debut\n   :indente"));
    // The start waits 50 ms; then 7 lines and the empty line past the text.
    ASSERT_EQ(intervals.size(), 8u);
    EXPECT_EQ(intervals.front(), 50);
    EXPECT_TRUE(std::all_of(intervals.begin() + 1, intervals.end(), [](int i) { return i == 10; }));
    EXPECT_FALSE(Scripts::ScriptRunning);
    EXPECT_FALSE(clockArmed());
    EXPECT_TRUE(FRM_Script->MNU_Executer->menuAction()->isEnabled());
    EXPECT_FALSE(FRM_Script->MNU_Arreter->isEnabled());
    EXPECT_FALSE(FRM_Script->MNU_Pause->isEnabled());
    EXPECT_TRUE(boxes.shown.empty());

    // An empty text runs nothing, but pause and stop stay offered.
    EXPECT_TRUE(runScript(QString()).empty());
    EXPECT_FALSE(Scripts::ScriptRunning);
    EXPECT_TRUE(FRM_Script->MNU_Pause->isEnabled());
    EXPECT_TRUE(FRM_Script->MNU_Arreter->isEnabled());
}

TEST_F(ScriptFixture, PreAnalysisDeclaresEverythingBeforeTheFirstStatementAndStopsOnItsErrors)
{
    FRM_Progress->SetProgress(QString(), 50, 100);
    ASSERT_TRUE(FRM_Progress->isVisible());
    setText(QStringLiteral("jump(fin)\ntest.log(saute)\n:fin\ntest.snapshot\nvar(n,integer)"));
    run();
    // The pass ends at 100 %, which hides the progress window.
    EXPECT_EQ(FRM_Progress->windowTitle(), QStringLiteral("Preanalyse en cours..."));
    EXPECT_FALSE(FRM_Progress->isVisible());
    ticks();
    EXPECT_TRUE(logged.isEmpty());
    EXPECT_EQ(value(QStringLiteral("n")), QStringLiteral("0"));   // declared on the last line

    runScript(QStringLiteral("test.log(1)\n:a\n:A,commentaire\ntest.log(2)"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Line 3 : A :Duplicated")});
    EXPECT_TRUE(logged.isEmpty());   // execution never began
    EXPECT_FALSE(Scripts::ScriptRunning);

    boxes.clear();
    runScript(QStringLiteral("var(x,entier)"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Line 1 : entier")});

    // An indented label declares nothing.
    boxes.clear();
    runScript(QStringLiteral("  :ici\njump(ici)"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Line 2 : ici : Unknown label")});
}

TEST_F(ScriptFixture, AStatementThatIsNoCommandBringsTheWindowAndStops)
{
    FRM_Script->hide();
    runScript(QStringLiteral("var(jump,integer)\ntest.log(1)\nfrobnicate(3)\ntest.log(2)"));
    EXPECT_TRUE(FRM_Script->isVisible());
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Error, Line 3 : Unknown Command")});
    EXPECT_EQ(logged, QStringList{QStringLiteral("1")});
    EXPECT_FALSE(Scripts::ScriptRunning);

    // A variable named like a command never shadows it.
    boxes.clear();
    logged.clear();
    runScript(QStringLiteral("var(jump,integer)\njump(x)\ntest.log(skipped)\n:x\nJUMP(ailleurs)"));
    EXPECT_TRUE(logged.isEmpty());
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Line 5 : ailleurs : Unknown label")});
}

TEST_F(ScriptFixture, PauseAndRunAgainNeitherSkipNorRepeatAStatement)
{
    setText(QStringLiteral("test.log(1)\ntest.log(2)\ntest.log(3)\ntest.log(4)"));
    run();
    ticks(2);
    FRM_Script->MNU_PauseClick();
    EXPECT_FALSE(Scripts::ScriptRunning);
    EXPECT_TRUE(Scripts::ScriptPaused);
    EXPECT_FALSE(clockArmed());
    EXPECT_EQ(Scripts::CurrentScript().State, Scripts::StatePaused);
    EXPECT_TRUE(FRM_Script->MNU_ExecuterDuCurseur->isEnabled());
    EXPECT_FALSE(FRM_Script->MNU_ExecuterDuDebut->isEnabled());
    EXPECT_FALSE(FRM_Script->MNU_Pause->isEnabled());

    // "Du début" while paused goes on with the statement that was due.
    run();
    EXPECT_TRUE(Scripts::ScriptRunning);
    ticks(1);
    FRM_Script->MNU_PauseClick();
    // Run from the caret goes on in the same way.
    FRM_Script->MNU_ExecuterDuCurseurClick();
    ticks();
    EXPECT_EQ(logged, (QStringList{"1", "2", "3", "4"}));

    // Paused in a waiting statement, run from the caret runs that statement again.
    logged.clear();
    setText(QStringLiteral("test.log(a)\ntest.wait\ntest.log(b)"));
    run();
    ticks();
    EXPECT_TRUE(Scripts::ScriptRunning);
    FRM_Script->MNU_PauseClick();
    FRM_Script->MNU_ExecuterDuCurseurClick();
    EXPECT_EQ(Scripts::CurrentScript().State, Scripts::StateRunning);
    ticks();
    EXPECT_EQ(Scripts::CurrentScript().State, Scripts::StateWaiting);
    EXPECT_EQ(logged, (QStringList{"a"}));
    FRM_Script->MNU_ArreterClick();

    // Not paused, run from the caret starts with the line above the caret's.
    logged.clear();
    setText(QStringLiteral("test.log(1)\ntest.log(2)\ntest.log(3)"));
    QTextCursor c(FRM_Script->Memo_Script->document()->findBlockByNumber(2));
    FRM_Script->Memo_Script->setTextCursor(c);
    FRM_Script->MNU_ExecuterDuCurseurClick();
    ticks();
    EXPECT_EQ(logged, (QStringList{"2", "3"}));
}

// Every road to a run: F9, the main window's run button after a pause, F8
// after a pause, a call from another program. While the script runs (or
// waits) the run items are off and their keys start nothing: a second run
// would restart it from the caret with its variables lost.
TEST_F(ScriptFixture, WhileAScriptRunsTheRunItemsAreOffAndTheirKeysStartNothing)
{
    FRM_Alv->setEnabled(true);   // as at the end of its first activation
    FRM_Script->show();
    const auto activate = [] {
        FRM_Script->activateWindow();
        return QTest::qWaitForWindowActive(FRM_Script);
    };
    ASSERT_TRUE(activate());
    const auto runItemsOff = [] {
        return !FRM_Script->MNU_Executer->menuAction()->isEnabled() && !FRM_Script->MNU_ExecuterDuDebut->isEnabled()
               && !FRM_Script->MNU_ExecuterDuCurseur->isEnabled() && FRM_Script->MNU_Pause->isEnabled()
               && FRM_Script->MNU_Arreter->isEnabled();
    };
    // The caret on the last line: a run from there would skip the assignment.
    const auto pressRunKeys = [&] {
        FRM_Script->Memo_Script->moveCursor(QTextCursor::End);
        activate();
        QTest::keyClick(FRM_Script, Qt::Key_F8);
        QTest::keyClick(FRM_Script, Qt::Key_F9);
    };
    const auto pause = [&] {
        activate();
        QTest::keyClick(FRM_Script, Qt::Key_P, Qt::ControlModifier);
        return Scripts::ScriptPaused && FRM_Script->MNU_ExecuterDuCurseur->isEnabled();
    };
    const QString script = QStringLiteral("var(n,integer)\nn:=7\ntest.wait\ntest.snapshot\ntest.log(end)");
    const auto finish = [&] {
        Scripts::ResumeIfWaiting(Scripts::WaitSequence);
        ticks();
        EXPECT_EQ(value(QStringLiteral("n")), QStringLiteral("7"));
        EXPECT_EQ(logged, QStringList{QStringLiteral("end")});
        EXPECT_FALSE(Scripts::ScriptRunning);
        EXPECT_TRUE(FRM_Script->MNU_Executer->menuAction()->isEnabled());
        logged.clear();
    };

    setText(script);
    QTest::keyClick(FRM_Script, Qt::Key_F9);
    ticks();
    ASSERT_EQ(Scripts::CurrentScript().State, Scripts::StateWaiting);
    EXPECT_TRUE(runItemsOff());
    pressRunKeys();
    // Paused, then resumed with the main window's run button: the waiting
    // statement runs again.
    ASSERT_TRUE(pause());
    QToolButton* runButton = FRM_Alv->SPDB_Executer_Script;
    ASSERT_TRUE(runButton->isEnabled());
    QTest::mouseClick(runButton, Qt::LeftButton, {}, runButton->rect().center());
    ticks();
    ASSERT_EQ(Scripts::CurrentScript().State, Scripts::StateWaiting);
    EXPECT_TRUE(runItemsOff());
    EXPECT_FALSE(runButton->isEnabled());
    pressRunKeys();
    // Paused, then resumed with F8.
    ASSERT_TRUE(pause());
    QTest::keyClick(FRM_Script, Qt::Key_F8);
    ticks();
    ASSERT_EQ(Scripts::CurrentScript().State, Scripts::StateWaiting);
    EXPECT_TRUE(runItemsOff());
    pressRunKeys();
    finish();

    // Called by another program.
    FRM_Pref->EDT_Repertoire_Scripts->setText(dir.path() + QStringLiteral("/"));
    dir.writeFile(QStringLiteral("distant.script"), script.toLatin1().replace("\n", "\r\n"));
    Scripts::ExecuteMacroLine(QStringLiteral("callfar(\"distant.script\")"));
    ticks();
    ASSERT_EQ(Scripts::CurrentScript().State, Scripts::StateWaiting);
    EXPECT_TRUE(runItemsOff());
    pressRunKeys();
    finish();
}

TEST_F(ScriptFixture, ResumeProtocolContinuesAWaitingScriptOnceAndOnlyThen)
{
    setText(QStringLiteral("test.wait\ntest.log(apres)"));
    run();
    ticks();
    // Waiting: running, clock stopped, flag set.
    EXPECT_TRUE(Scripts::ScriptRunning);
    EXPECT_FALSE(clockArmed());
    EXPECT_TRUE(Scripts::WaitSequence);
    EXPECT_FALSE(Scripts::ResumeIfWaiting(Scripts::WaitMove));   // another action's end

    EXPECT_TRUE(Scripts::ResumeIfWaiting(Scripts::WaitSequence));
    EXPECT_FALSE(Scripts::WaitSequence);
    EXPECT_EQ(Scripts::CurrentScript().State, Scripts::StateRunning);
    EXPECT_EQ(FRM_Script->TMR_Script->interval(), 50);
    // A second end of the same action does not advance the script again.
    Scripts::WaitSequence = true;
    EXPECT_FALSE(Scripts::ResumeIfWaiting(Scripts::WaitSequence));
    EXPECT_FALSE(Scripts::WaitSequence);
    ticks();
    EXPECT_EQ(logged, QStringList{QStringLiteral("apres")});
    EXPECT_FALSE(Scripts::ScriptRunning);

    // A stop at level 0 forgets the waits and stops a sequence being saved.
    run();
    ticks();
    SequenceSaving = true;
    FRM_Script->MNU_ArreterClick();
    EXPECT_FALSE(Scripts::WaitSequence);
    EXPECT_FALSE(SequenceSaving);
    EXPECT_FALSE(Scripts::ResumeIfWaiting());
    EXPECT_FALSE(clockArmed());
}

TEST_F(ScriptFixture, CalledScriptsRunOnTheirOwnLevelAndHandBackToTheirCaller)
{
    FRM_Pref->EDT_Repertoire_Scripts->setText(dir.path() + QStringLiteral("/"));
    dir.writeFile(QStringLiteral("sous.script"), "var(x,integer)\r\nx:=7\r\ntest.log(sous)\r\n");
    setText(QStringLiteral("var(x,integer)\nx:=5\ncallfar(\"sous.script\")\ntest.snapshot"));
    run();
    const auto intervals = ticks();
    EXPECT_EQ(logged, QStringList{QStringLiteral("sous")});
    EXPECT_EQ(value(QStringLiteral("x")), QStringLiteral("5"));
    // The caller goes on 50 ms after the called script's last step.
    ASSERT_GE(intervals.size(), 3u);
    EXPECT_EQ(intervals[intervals.size() - 2], 50);
    EXPECT_EQ(Scripts::CurrentLevel, 0);
    EXPECT_FALSE(Scripts::ScriptRunning);
    EXPECT_TRUE(boxes.shown.empty());
    // The caller's text is back in the editor.
    EXPECT_TRUE(FRM_Script->Memo_Script->toPlainText().startsWith(QStringLiteral("var(x,integer)\nx:=5")));

    runScript(QStringLiteral("callfar(\"absent.script\")"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Line 1 : Script not found : absent.script")});

    // A called file that is there but cannot be read (a file the kernel
    // refuses to read, whoever asks) stops its caller with the reason, in
    // one box, rather than leaving it halted for a script that never ran.
    boxes.clear();
    logged.clear();
    const QString shut = dir.filePath(QStringLiteral("ferme.script"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/proc/sys/vm/drop_caches"), shut));
    runScript(QStringLiteral("callfar(\"ferme.script\")\ntest.log(jamais)"));
    ASSERT_EQ(boxes.texts().size(), 1);
    EXPECT_TRUE(boxes.texts().front().startsWith(QStringLiteral("Line 1 : ") + shut + QStringLiteral(" : ")))
        << boxes.texts().front().toStdString();
    EXPECT_FALSE(Scripts::ScriptRunning);
    EXPECT_EQ(Scripts::CurrentLevel, 0);
    EXPECT_TRUE(logged.isEmpty());
    EXPECT_TRUE(FRM_Script->MNU_ExecuterDuDebut->isEnabled());
    EXPECT_FALSE(FRM_Script->MNU_Arreter->isEnabled());

    // A script that calls itself ends in an error at the deepest level; the
    // callers stay halted until stopped one by one.
    boxes.clear();
    dir.writeFile(QStringLiteral("boucle.script"), "callfar(\"boucle.script\")\r\n");
    runScript(QStringLiteral("callfar(\"boucle.script\")"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Line 1 : Too many nested scripts")});
    EXPECT_EQ(Scripts::CurrentLevel, Scripts::kLevelCount - 2);
    EXPECT_TRUE(Scripts::ScriptRunning);
    EXPECT_FALSE(clockArmed());
    for (int i = 0; i < Scripts::kLevelCount && Scripts::ScriptRunning; ++i)
        FRM_Script->MNU_ArreterClick();
    EXPECT_EQ(Scripts::CurrentLevel, 0);
    EXPECT_FALSE(Scripts::ScriptRunning);
}

TEST_F(ScriptFixture, FaultsShowTheStandardErrorBoxAndLeaveTheScriptHalted)
{
    runScript(QStringLiteral("var(x,integer)\nx:=1/0\ntest.log(jamais)"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Division by zero")});
    EXPECT_TRUE(Scripts::ScriptRunning);
    EXPECT_FALSE(clockArmed());
    EXPECT_TRUE(logged.isEmpty());
    FRM_Script->MNU_ArreterClick();

    boxes.clear();
    runScript(QStringLiteral("test.throw\ntest.log(jamais)"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("boom")});
    EXPECT_TRUE(Scripts::ScriptRunning);
    EXPECT_FALSE(clockArmed());
    FRM_Script->MNU_ArreterClick();

    // Tables are bounded.
    QString vars, labels;
    for (int i = 0; i <= Scripts::kMaxVariables; ++i)
        vars += QStringLiteral("var(v%1,integer)\n").arg(i);
    for (int i = 0; i <= Scripts::kMaxLabels; ++i)
        labels += QStringLiteral(":l%1\n").arg(i);
    boxes.clear();
    runScript(vars);
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Line 129 : Too many variables")});
    boxes.clear();
    runScript(labels);
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Line 129 : Too many labels")});
}

TEST_F(ScriptFixture, TheClockIntervalComesFromTheSettingsAndDelaysAreAtLeastOneMillisecond)
{
    EXPECT_EQ(FRM_Script->TMR_Script->interval(), 250);
    EXPECT_FALSE(clockArmed());
    SettingsFilePath = dir.filePath(QStringLiteral("NightjarPro.ini"));
    dir.writeFile(QStringLiteral("NightjarPro.ini"), "[Scripts]\r\nScriptrate=400\r\n");
    Settings::LoadSettings();
    EXPECT_EQ(FRM_Script->TMR_Script->interval(), 400);

    const auto intervals = runScript(QStringLiteral("test.delay(0)\ntest.delay(-20)\ntest.delay(1200)"));
    EXPECT_EQ(intervals, (std::vector<int>{50, 1, 1, 1200}));
}

TEST_F(ScriptFixture, BadTextsEndInAnErrorOrRunNeverCrashOrHang)
{
    // 100,000 lines: the pre-analysis declares the label at the end at once.
    QString big = QStringLiteral("jump(fin)\n");
    for (int i = 0; i < 100000; ++i)
        big += QStringLiteral("// ligne\n");
    big += QStringLiteral(":fin\ntest.log(fin)");
    runScript(big, 10);
    EXPECT_EQ(logged, QStringList{QStringLiteral("fin")});
    EXPECT_FALSE(Scripts::ScriptRunning);

    // CR-only line ends in a file, NUL bytes, unbalanced quotes and parentheses.
    logged.clear();
    FRM_Pref->EDT_Repertoire_Scripts->setText(dir.path() + QStringLiteral("/"));
    dir.writeFile(QStringLiteral("cr.script"), "test.log(1)\rtest.log(2)\r");
    runScript(QStringLiteral("callfar(\"cr.script\")"));
    EXPECT_EQ(logged, (QStringList{"1", "2"}));
    for (const QString& text : {QString::fromLatin1("test.log(a\0b)\nfoo\0bar", 21), QStringLiteral("var(s,string)\ns:=\"abc"),
                                QStringLiteral("jumpif(\"a=\"b,x"), QStringLiteral("jump((x"),
                                QStringLiteral("var(s,string)\ns:=\"a\"+\"b")}) {
        boxes.clear();
        runScript(text, 100);
        EXPECT_FALSE(clockArmed()) << qPrintable(text);
        FRM_Script->MNU_ArreterClick();
    }

    // Text edited during a run is executed as edited.
    logged.clear();
    setText(QStringLiteral("test.log(1)\ntest.log(2)\ntest.log(3)"));
    run();
    ticks(1);
    setText(QStringLiteral("test.log(1)\ntest.log(deux)"));
    ticks();
    EXPECT_EQ(logged, (QStringList{"1", "deux"}));
    EXPECT_FALSE(Scripts::ScriptRunning);
}

// Both tool bars' run buttons follow the engine from the start: at rest
// only "run" is offered. A run from the caret with the caret below the last
// line has nothing to run: it says so and leaves the script as it was,
// paused with its controls, or at rest.
TEST_F(ScriptFixture, RunButtonsFollowTheEngineAndARunFromBelowTheTextSaysItRunsNothing)
{
    const auto buttons = [] {
        QString states;
        for (const char* name : {"SPDB_Executer_Script", "SPDB_Pauser_Script", "SPDB_Arreter_Script"})
            for (const QString& twin : {QString::fromLatin1(name), QString::fromLatin1(name) + QStringLiteral("_B")})
                states += FRM_Alv->findChild<QWidget*>(twin)->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
        return states;   // run, run, pause, pause, stop, stop
    };
    FRM_Alv->setEnabled(true);   // as at the end of its first activation
    EXPECT_EQ(buttons(), QStringLiteral("110000"));

    setText(QStringLiteral("test.log(1)\ntest.log(2)\ntest.log(3)\n"));
    run();
    ticks(1);
    EXPECT_EQ(buttons(), QStringLiteral("001111"));
    FRM_Script->MNU_PauseClick();
    EXPECT_EQ(buttons(), QStringLiteral("110011"));

    FRM_Script->Memo_Script->moveCursor(QTextCursor::End);   // the empty line after the text
    FRM_Script->MNU_ExecuterDuCurseurClick();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Le curseur n'est sur aucune ligne du script : rien à exécuter.")});
    EXPECT_TRUE(Scripts::ScriptPaused);
    EXPECT_FALSE(Scripts::ScriptRunning);
    EXPECT_EQ(Scripts::CurrentScript().State, Scripts::StatePaused);
    EXPECT_EQ(buttons(), QStringLiteral("110011"));
    EXPECT_TRUE(FRM_Script->MNU_ExecuterDuCurseur->isEnabled());
    EXPECT_FALSE(FRM_Script->MNU_Pause->isEnabled());
    EXPECT_TRUE(FRM_Script->MNU_Arreter->isEnabled());

    // From a line of the text it goes on.
    FRM_Script->Memo_Script->moveCursor(QTextCursor::Start);
    FRM_Script->MNU_ExecuterDuCurseurClick();
    ticks();
    EXPECT_EQ(logged.size(), 3);
    EXPECT_EQ(buttons(), QStringLiteral("110000"));

    // At rest, the same: told, nothing offered that is not.
    boxes.clear();
    FRM_Script->Memo_Script->moveCursor(QTextCursor::End);
    FRM_Script->MNU_ExecuterDuCurseurClick();
    EXPECT_EQ(boxes.texts().size(), 1);
    EXPECT_FALSE(Scripts::ScriptRunning);
    EXPECT_EQ(buttons(), QStringLiteral("110000"));
    EXPECT_FALSE(FRM_Script->MNU_Pause->isEnabled());
}
