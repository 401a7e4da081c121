#pragma once
// The script window: the editor holding the script of the current call
// level, and the run, pause and stop controls of the script engine. Its
// timer TMR_Script is the script clock: one statement per tick.

#include "app/form.h"
#include "ui_frm_script.h"
#include <QTimer>

// What the window's open and save dialogs remember between uses.
struct TFileDialogState {
    QString FileName;
};

class TFRM_Script : public TForm, public Ui::TFRM_Script {
    Q_OBJECT
public:
    explicit TFRM_Script(QWidget* parent = nullptr);
    QTimer* TMR_Script = nullptr;
    TFileDialogState OPD_Script;
    TFileDialogState SVD_Script;

    // Run from the start; the editor's text is taken only when sender is
    // the menu item itself (other callers run the level's text as loaded).
    void MNU_ExecuterDuDebutClick(QObject* sender);
    void MNU_ExecuterDuCurseurClick();
    void MNU_PauseClick();
    void MNU_ArreterClick();

    // One line of the running script per tick.
    void TMR_ScriptTimer();
};

extern TFRM_Script* FRM_Script;
