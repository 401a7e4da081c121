#include "app/align_v_features.h"

#include "app/frm_pref.h"
#include "app/systeme.h"
#include "platform/paths.h"
#include "scripting/scripts.h"
#include "telescope/frm_raquette.h"
#include "telescope/frm_sky.h"
#include "telescope/sky/sky_chart.h"

#include <QFileInfo>

namespace Align_V {

bool RunScriptByName(const QString& fileName)
{
    // The scripts folder as read from the dialog ends with its separator.
    const QString folder = FRM_Pref ? FRM_Pref->ScriptsFolder() : QString();
    const QString path = platform::resolveDataFile(folder + platform::fromStoredPath(fileName));
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

void ShowSkyChart()
{
    if (!FRM_Sky)
        return;
    Systeme::ShowFormOnScreen(FRM_Sky);
    Sky::RedrawChart();
}

} // namespace Align_V
