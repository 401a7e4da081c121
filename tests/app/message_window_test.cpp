#include "program_windows_fixture.h"

#include "app/frm_message.h"
#include "scripting/frm_script.h"
#include "scripting/scripts.h"
#include "telescope/frm_raquette.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTest>

#include "support/x11_keyboard.h"

namespace {

void startWaitingScript()
{
    Scripts::StopAll();
    TScript& s = Scripts::CurrentScript();
    s.Pass = 2;
    s.LineCount = 3;
    s.CurrentLine = 1;
    // As messagebox.showwait does: the script waits for the user's answer.
    Scripts::BeginWaitForUser();
    Scripts::ScriptRunning = true;
}

// A key pressed and released while the message window has the focus.
void typeKey(int key)
{
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(FRM_Message, &down);
    QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(FRM_Message, &up);
}

} // namespace

TEST_F(ProgramWindows, MessageWindowAppendsAndClears)
{
    Msg::ShowMessageText(false, QStringLiteral("premier"));
    Msg::ShowMessageText(false, QStringLiteral("second"));
    EXPECT_TRUE(FRM_Message->isVisible());
    EXPECT_TRUE(FRM_Message->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(FRM_Message->MEMO_Message->toPlainText(), QStringLiteral("premier\nsecond"));
    EXPECT_FALSE(FRM_Message->BTN_Poursuivre->isVisibleTo(FRM_Message));

    Msg::ShowMessageText(true, QStringLiteral("ligne 1\r\nligne 2"));
    EXPECT_EQ(FRM_Message->MEMO_Message->toPlainText(), QStringLiteral("ligne 1\nligne 2"));

    FRM_Message->BTN_EffacerClick();
    EXPECT_TRUE(FRM_Message->MEMO_Message->toPlainText().isEmpty());

    // Any key pressed and released in it closes it.
    typeKey(Qt::Key_A);
    EXPECT_FALSE(FRM_Message->isVisible());
}

TEST_F(ProgramWindows, TheKeyThatAnsweredABoxOrAScriptsWaitLeaveTheMessageWindowOnScreen)
{
    // Enter closed a box on its press; its release comes to this window,
    // which has the focus once the box is gone.
    Msg::ShowMessageText(false, QStringLiteral("Début de la nuit"));
    QKeyEvent up(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(FRM_Message, &up);
    EXPECT_TRUE(FRM_Message->isVisible());

    // While a script waits for "Poursuivre" no key takes it away.
    startWaitingScript();
    Msg::ShowMessageAndWait(false, QStringLiteral("Mettre le cache puis Poursuivre"));
    typeKey(Qt::Key_Escape);
    typeKey(Qt::Key_Space);
    EXPECT_TRUE(FRM_Message->isVisible());
    EXPECT_TRUE(FRM_Message->BTN_Poursuivre->isVisibleTo(FRM_Message));
    FRM_Message->BTN_Poursuivre->click();
    EXPECT_EQ(Scripts::CurrentScript().State, Scripts::StateRunning);
    typeKey(Qt::Key_A);
    EXPECT_FALSE(FRM_Message->isVisible());
}

// Return, pressed and released in the message window as X11 delivers it,
// presses "Poursuivre" for the script that waits; the window stays, as
// after a click.
TEST_F(ProgramWindows, ReturnPressesPoursuivreWhileAScriptWaits)
{
    startWaitingScript();
    Msg::ShowMessageAndWait(false, QStringLiteral("Mettre le cache puis Poursuivre"));
    FRM_Message->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(FRM_Message));
    testsupport::X11Keyboard keyboard;
    QWidget* focus = QApplication::focusWidget();
    keyboard.tap(focus ? focus : FRM_Message, Qt::Key_Return, 90);
    EXPECT_EQ(Scripts::CurrentScript().State, Scripts::StateRunning);
    EXPECT_FALSE(FRM_Message->BTN_Poursuivre->isVisibleTo(FRM_Message));
    EXPECT_TRUE(FRM_Message->isVisible());
}

TEST_F(ProgramWindows, PoursuivreResumesTheWaitingScriptAndSurvivesLaterMessages)
{
    startWaitingScript();
    Msg::ShowMessageAndWait(false, QStringLiteral("Placez le filtre"));
    EXPECT_TRUE(FRM_Message->BTN_Poursuivre->isVisibleTo(FRM_Message));

    // Another part of the program writes while the script waits: the button
    // stays, or the script could never be resumed.
    Msg::ShowMessageText(false, QStringLiteral("Monture connectée"));
    EXPECT_TRUE(FRM_Message->BTN_Poursuivre->isVisibleTo(FRM_Message));
    EXPECT_FALSE(FRM_Script->TMR_Script->isActive());

    FRM_Message->BTN_Poursuivre->click();
    EXPECT_EQ(Scripts::CurrentScript().State, Scripts::StateRunning);
    EXPECT_TRUE(FRM_Script->TMR_Script->isActive());
    EXPECT_EQ(FRM_Script->TMR_Script->interval(), 50);
    EXPECT_FALSE(FRM_Message->BTN_Poursuivre->isVisibleTo(FRM_Message));
    EXPECT_TRUE(FRM_Message->isVisible());

    // Without a running script the button only hides.
    Scripts::StopAll();
    Msg::ShowMessageAndWait(false, QStringLiteral("x"));
    FRM_Message->BTN_PoursuivreClick();
    EXPECT_FALSE(FRM_Script->TMR_Script->isActive());
    EXPECT_FALSE(FRM_Message->BTN_Poursuivre->isVisibleTo(FRM_Message));
}

TEST_F(ProgramWindows, NumLockInTheMessageWindowGoesOnToTheHandPad)
{
    FRM_Raquette->show();
    Msg::ShowMessageText(false, QStringLiteral("x"));
    typeKey(Qt::Key_NumLock);
    EXPECT_FALSE(FRM_Message->isVisible());
    EXPECT_TRUE(FRM_Raquette->isVisible());
}
