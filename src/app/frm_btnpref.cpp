#include "app/frm_btnpref.h"

#include "app/align_v_features.h"
#include "app/frm_pref.h"
#include "app/script_collections.h"
#include "app/settings.h"
#include "app/ui/button_pictures.h"
#include "app/ui/control_adapters.h"
#include "platform/dialog_service.h"
#include "platform/paths.h"
#include "scripting/frm_script.h"
#include "scripting/scripts.h"

#include <QFileInfo>

TFRM_BTNPref* FRM_BTNPref = nullptr;

namespace {

const QString kIconFilter = QStringLiteral(
    "Tout (*.jpg *.jpeg *.bmp *.ico *.emf *.wmf);;JPEG Image File (*.jpg);;JPEG Image File (*.jpeg);;"
    "Bitmaps (*.bmp);;Icônes (*.ico);;MétaFichiers améliorés (*.emf);;MetaFichiers (*.wmf)");

// A chosen file is kept by its name only: it is looked for in the folder.
void browse(QLineEdit* edit, const QString& folder, const QString& filter)
{
    platform::FileDialogRequest request;
    request.directory = folder;
    request.fileName = edit->text();
    request.filter = filter;
    if (const std::optional<QString> chosen = platform::dialogs().openFile(request))
        edit->setText(QFileInfo(platform::fromStoredPath(*chosen)).fileName());
}

} // namespace

TFRM_BTNPref::TFRM_BTNPref(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    // The script editor's picture, as on the main window's tool bar.
    SPDB_Scripts->setIcon(app::PictureOf(app::ButtonPicture::ScriptEditor));
    SPDB_Scripts->setText(QString());
    using W = TFRM_BTNPref;
    app::bindButtonClick(BBTN_Script, this, &W::BBTN_ScriptClick);
    app::bindButtonClick(BBTN_Icone, this, &W::BBTN_IconeClick);
    app::bindSpeedButtonClick(SPDB_Scripts, this, &W::SPDB_ScriptsClick);
    app::bindButtonClick(BTN_Ok, this, &W::BTN_OkClick);
    app::bindButtonClick(BTN_Annuler, this, &W::BTN_AnnulerClick);
}

void TFRM_BTNPref::BBTN_ScriptClick()
{
    browse(EDT_Script, FRM_Pref ? FRM_Pref->ScriptsFolder() : QString(), QStringLiteral("txt (*.txt)"));
}

void TFRM_BTNPref::BBTN_IconeClick()
{
    browse(EDT_Icone, FRM_Pref ? FRM_Pref->IconsFolder() : QString(), kIconFilter);
}

void TFRM_BTNPref::SPDB_ScriptsClick()
{
    const QString folder = FRM_Pref ? FRM_Pref->ScriptsFolder() : QString();
    const QString name = EDT_Script->text().trimmed();
    const QString path = platform::resolveDataFile(folder + platform::fromStoredPath(name));
    if (!name.isEmpty() && QFileInfo(path).isFile() && FRM_Script) {
        Align_V::ShowScriptWindow();
        // A running script keeps its text: the file is opened once it ends.
        // Otherwise it is opened as the editor's Open does: unsaved edits
        // asked for first, a paused script stopped.
        if (!Scripts::ScriptRunning && FRM_Script->MayDiscardEdits())
            FRM_Script->OpenFile(path);
    } else {
        Settings::RunHandler(QStringLiteral("FRM_Script.MNU_NouveauClick"));
        Align_V::ShowScriptWindow();
    }
    SPDB_Scripts->setChecked(false);
}

void TFRM_BTNPref::BTN_OkClick()
{
    const int n = EditedButtonIndex;
    if (n >= 1 && n <= kFunctionButtonCount) {
        const TScriptButton kept = ScriptButtons[n];
        ScriptButtons[n] = {EDT_Script->text(), EDT_Hint->text(), EDT_Icone->text()};
        if (!SaveScriptBar(ScriptCollectionFilePath)) {
            // The file is as it was: so are the buttons; the dialog stays open.
            ScriptButtons[n] = kept;
            return;
        }
        QStringList unreadable;
        ScriptBar::ApplyButtonFace(n, &unreadable);
        ScriptBar::ReportUnreadable(unreadable);
    }
    close();
}

void TFRM_BTNPref::BTN_AnnulerClick()
{
    close();
}

void TFRM_BTNPref::FormClose(TCloseAction& action)
{
    EditedButtonIndex = 0;
    EditedButton = nullptr;
    EditedButtonB = nullptr;
    action = TCloseAction::caHide;
}
