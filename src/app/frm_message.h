#pragma once
// The shared message window: any part of the program appends lines to it;
// a waiting script shows "Poursuivre" to be resumed.

#include "app/form.h"
#include "ui_frm_message.h"

#include <QSet>

class TFRM_Message : public TForm, public Ui::TFRM_Message {
    Q_OBJECT
public:
    explicit TFRM_Message(QWidget* parent = nullptr);

    void BTN_PoursuivreClick();
    void BTN_EffacerClick();
    void FormKeyDown(int& key, Qt::KeyboardModifiers shift) override;
    void FormKeyUp(int& key, Qt::KeyboardModifiers shift) override;

    // True from ShowMessageAndWait until "Poursuivre" is pressed or the
    // script that waited for it stops.
    bool WaitPending() const { return waitPending_; }
    // The script no longer waits for the user: "Poursuivre" goes.
    void EndWait();

    // Shared body of the two show operations.
    void ShowText(bool clearFirst, const QString& text, bool wait);

private:
    bool waitPending_ = false;
    // Keys pressed while the window had the focus: only their release
    // closes it, not the release of a key that answered a box.
    QSet<int> pressedHere_;
};

extern TFRM_Message* FRM_Message;

namespace Msg {

// Shows the window and appends the text (one line per line of the text);
// with clearFirst only the new text stays, scrolled to the top.
void ShowMessageText(bool clearFirst, const QString& text);
// The same with "Poursuivre" shown; a script then waits for it.
void ShowMessageAndWait(bool clearFirst, const QString& text);

} // namespace Msg
