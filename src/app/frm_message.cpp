#include "app/frm_message.h"

#include "app/systeme.h"
#include "app/ui/control_adapters.h"
#include "scripting/scripts.h"
#include "telescope/frm_raquette.h"

#include <QScrollBar>

TFRM_Message* FRM_Message = nullptr;

TFRM_Message::TFRM_Message(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    setWindowFlags(windowFlags() | Qt::Tool | Qt::WindowStaysOnTopHint);
    KeyPreview = true;
    app::bindButtonClick(BTN_Poursuivre, this, &TFRM_Message::BTN_PoursuivreClick);
    app::bindButtonClick(BTN_Effacer, this, &TFRM_Message::BTN_EffacerClick);
}

void TFRM_Message::ShowText(bool clearFirst, const QString& text, bool wait)
{
    Systeme::ShowFormOnScreen(this);
    // A script that waits for "Poursuivre" keeps its button whatever other
    // messages come meanwhile; otherwise it could never be resumed.
    if (wait)
        waitPending_ = true;
    else if (waitPending_ && !Scripts::ScriptRunning)
        waitPending_ = false;
    BTN_Poursuivre->setVisible(waitPending_);
    if (clearFirst)
        MEMO_Message->clear();
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const int scroll = MEMO_Message->verticalScrollBar()->value();
    MEMO_Message->appendPlainText(t);
    if (clearFirst)
        MEMO_Message->verticalScrollBar()->setValue(0);
    else
        MEMO_Message->verticalScrollBar()->setValue(scroll);
}

void TFRM_Message::BTN_PoursuivreClick()
{
    // Only a script waiting for this answer goes on: a script waiting for a
    // sequence or a move under a box another program showed keeps waiting.
    if (Scripts::WaitsForUserAnswer())
        Scripts::ResumeIfWaiting();
    EndWait();
}

void TFRM_Message::EndWait()
{
    waitPending_ = false;
    BTN_Poursuivre->hide();
}

void TFRM_Message::BTN_EffacerClick()
{
    MEMO_Message->clear();
}

void TFRM_Message::FormKeyDown(int& key, Qt::KeyboardModifiers)
{
    pressedHere_.insert(key);
}

void TFRM_Message::FormKeyUp(int& key, Qt::KeyboardModifiers)
{
    // The release of a key pressed in another window (the Enter that closed
    // a box, after which this window has the focus) is not the user's.
    if (!pressedHere_.remove(key))
        return;
    // A script waiting for "Poursuivre" could never go on without it: Enter
    // presses it (and the window stays, as after a click); other keys leave
    // it waiting.
    if (waitPending_ && Scripts::ScriptRunning) {
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            BTN_Poursuivre->click();
        return;
    }
    if ((key == Qt::Key_Delete || key == Qt::Key_NumLock) && FRM_Raquette && FRM_Raquette->isVisible()) {
        FRM_Raquette->raise();
        FRM_Raquette->activateWindow();
    }
    close();
}

namespace Msg {

void ShowMessageText(bool clearFirst, const QString& text)
{
    if (FRM_Message)
        FRM_Message->ShowText(clearFirst, text, false);
    else
        qInfo("%s", qUtf8Printable(text));
}

void ShowMessageAndWait(bool clearFirst, const QString& text)
{
    if (FRM_Message)
        FRM_Message->ShowText(clearFirst, text, true);
    else
        qInfo("%s", qUtf8Printable(text));
}

} // namespace Msg
