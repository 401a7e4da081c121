#include "telescope/frm_prg_action.h"

#include "app/frm_pref.h"
#include "app/ui/control_adapters.h"
#include "app/ui/event_boundary.h"
#include "platform/dialog_service.h"
#include "platform/paths.h"
#include "telescope/frm_detect_mvt.h"
#include "translation/translated_texts.h"

#include <QFileInfo>

TFRM_Prg_Action* FRM_Prg_Action = nullptr;

namespace Align_V {

bool ActionFileExists(const QString& text)
{
    if (text.trimmed().isEmpty())
        return false;
    return QFileInfo(platform::resolveDataFile(platform::fromStoredPath(text.trimmed()))).isFile();
}

QString ActionScriptPath(const QString& name)
{
    // The scripts folder as read from the dialog ends with its separator.
    const QString folder = FRM_Pref ? FRM_Pref->ScriptsFolder() : QString();
    return platform::resolveDataFile(folder + platform::fromStoredPath(name));
}

void UncheckMissingSound(QCheckBox* box, const QLineEdit* edit)
{
    if (!ActionFileExists(edit->text()))
        box->setChecked(false);
}

void ChooseActionSound(QCheckBox* box, QLineEdit* edit, const QString& emptyFolder)
{
    platform::FileDialogRequest request;
    request.title = TranslatedTexts.MSG_Titre_Son_A_Jouer;
    if (edit->text().isEmpty())
        request.directory = emptyFolder;
    else
        request.fileName = edit->text();
    request.filter = QStringLiteral("Son (*.wav)");
    if (const std::optional<QString> chosen = platform::dialogs().openFile(request))
        edit->setText(*chosen);
    else
        UncheckMissingSound(box, edit);
}

void ChooseActionScript(QLineEdit* edit, const QString& filter)
{
    platform::FileDialogRequest request;
    request.title = QStringLiteral("Script");
    request.directory = FRM_Pref ? FRM_Pref->ScriptsFolder() : QString();
    request.filter = filter;
    if (const std::optional<QString> chosen = platform::dialogs().openFile(request))
        edit->setText(QFileInfo(platform::fromStoredPath(*chosen)).fileName());
}

} // namespace Align_V

TFRM_Prg_Action::TFRM_Prg_Action(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    TMR_Restart_Detecting = new QTimer(this);
    TMR_Restart_Detecting->setObjectName(QStringLiteral("TMR_Restart_Detecting"));
    TMR_Restart_Detecting->setInterval(3000);
    using W = TFRM_Prg_Action;
    app::bindButtonClick(BTN_ChargeSon, this, &W::BTN_ChargeSonClick);
    app::bindCheckBoxClick(CKB_Jouer_un_son, this, &W::CKB_Jouer_un_sonClick);
    app::bindEditUserChange(EDT_Son_a_jouer, this, &W::EDT_Son_a_jouerChange);
    app::bindButtonClick(BBTN_Action_Detect_Script, this, &W::BBTN_Action_Detect_ScriptClick);
    app::bindButtonClick(BTN_Ok, this, &W::BTN_OkClick);
    connect(TMR_Restart_Detecting, &QTimer::timeout, this,
            [this] { app::runGuarded(QStringLiteral("TMR_Restart_Detecting"), [this] { TMR_Restart_DetectingTimer(); }); });
}

void TFRM_Prg_Action::BTN_ChargeSonClick()
{
    Align_V::ChooseActionSound(CKB_Jouer_un_son, EDT_Son_a_jouer, QString());
}

void TFRM_Prg_Action::CKB_Jouer_un_sonClick()
{
    Align_V::UncheckMissingSound(CKB_Jouer_un_son, EDT_Son_a_jouer);
}

void TFRM_Prg_Action::EDT_Son_a_jouerChange()
{
    Align_V::UncheckMissingSound(CKB_Jouer_un_son, EDT_Son_a_jouer);
}

void TFRM_Prg_Action::BBTN_Action_Detect_ScriptClick()
{
    Align_V::ChooseActionScript(EDT_Action_Detect_Script, QStringLiteral("Script (*.txt)"));
}

void TFRM_Prg_Action::TMR_Restart_DetectingTimer()
{
    TMR_Restart_Detecting->stop();
    // "Reprise au bout de" unticked during the pause asks for no restart.
    if (FRM_Detect_Mvt && CKB_Restart_Detecting->isChecked())
        FRM_Detect_Mvt->CKB_Detection_Mvt->setChecked(true);
}

void TFRM_Prg_Action::BTN_OkClick()
{
    close();
}
