#include "app/align_v_features.h"

#include "app/frm_pref.h"
#include "platform/paths.h"
#include "scripting/scripts.h"
#include "telescope/frm_raquette.h"

#include <QFileInfo>

namespace Align_V {

bool RunScriptByName(const QString& fileName)
{
    const QString folder = FRM_Pref ? FRM_Pref->EDT_Repertoire_Scripts->text() : QString();
    // The folder text ends with its separator; the name follows directly.
    const QString path = platform::resolveDataFile(platform::fromStoredPath(folder + fileName));
    if (fileName.trimmed().isEmpty() || !QFileInfo(path).isFile())
        return false;
    Scripts::RunScriptFile(path);
    return true;
}

void UpdateHandPadControls()
{
    if (!FRM_Raquette || !FRM_Pref)
        return;
    TFRM_Raquette& r = *FRM_Raquette;
    if (!FRM_Pref->RDB_Mount_LX200->isChecked()) {
        for (QWidget* w : std::initializer_list<QWidget*>{r.BTN_Sync, r.BTN_GOTO, r.RDB_Messier, r.RDB_NGC, r.RDB_IC,
                                                          r.RDB_UGC, r.RDB_Etoile_SAO, r.RDB_Coords, r.EDT_Numero,
                                                          r.RDB_Relatif})
            w->setEnabled(true);
        for (QWidget* w : std::initializer_list<QWidget*>{r.RDB_Etoile, r.RDB_Planete, r.CBX_Planete})
            w->setEnabled(false);
    }
    r.CKB_Assist_Vocal->setEnabled(true);
}

} // namespace Align_V
