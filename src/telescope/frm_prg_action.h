#pragma once
// What a motion detection does: a long exposure, automatic saving, a sound,
// a script, and stopping detection (restarted after a delay if wished).
// The actions themselves run in Align_V::RunMotionActions.

#include "app/form.h"
#include "ui_frm_prg_action.h"
#include <QTimer>

class TFRM_Prg_Action : public TForm, public Ui::TFRM_Prg_Action {
    Q_OBJECT
public:
    explicit TFRM_Prg_Action(QWidget* parent = nullptr);
    QTimer* TMR_Restart_Detecting = nullptr;

public slots:
    void BTN_ChargeSonClick();
    void CKB_Jouer_un_sonClick();
    void EDT_Son_a_jouerChange();
    void BBTN_Action_Detect_ScriptClick();
    void TMR_Restart_DetectingTimer();
    void BTN_OkClick();
};

extern TFRM_Prg_Action* FRM_Prg_Action;

namespace Align_V {
// A file named in an action's edit exists (relative names are taken in the
// program directory).
bool ActionFileExists(const QString& text);
// The file an action's script name stands for: the scripts folder followed
// directly by the name, as the script runner takes it.
QString ActionScriptPath(const QString& name);
// The action's sound box is unchecked when its file does not exist.
void UncheckMissingSound(QCheckBox* box, const QLineEdit* edit);
// The sound dialog of an action window, on the edit's file or, when the
// edit is empty, in emptyFolder: a choice goes to the edit; a cancel
// unchecks the box when the edit's file does not exist.
void ChooseActionSound(QCheckBox* box, QLineEdit* edit, const QString& emptyFolder);
// The script dialog of an action window, in the scripts folder: the chosen
// file's name without its folder goes to the edit.
void ChooseActionScript(QLineEdit* edit, const QString& filter);
} // namespace Align_V
