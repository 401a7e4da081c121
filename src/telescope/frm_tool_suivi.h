#pragma once

#include "app/form.h"
#include "ui_frm_tool_suivi.h"

#include <memory>
#include <optional>

class TLog;

// The tool window "Suivi/Autoguidage": the settings the tracking step reads
// on every frame, the guide port's connection, the programmed drift, the
// inversion boxes and the guide log.
class TFRM_Tool_Suivi : public TForm, public Ui::TFRM_Tool_Suivi {
    Q_OBJECT
public:
    explicit TFRM_Tool_Suivi(QWidget* parent = nullptr);

    void CKB_SuiviClick();
    void RDB_AutoguidageClick();
    // The guide port's connection answered: autoguiding stays chosen, or is
    // refused.
    void GuidePortAnswered(bool connected);
    void RDB_Suivi_logicielClick();
    void CKB_Guide_On_ResultClick();
    void RDB_DeriveClick();
    void RDB_ColimaconClick();
    void RDB_SomaxClick();
    void RDB_CadresClick();
    void RDB_CorrelationClick();
    void SPED_SensibiliteChange();
    void SPED_Intervalle_MoyChange();
    void TNI_Taille_ZDetectExit();
    void SCB_Taille_ZDetectScroll(int scrollCode, int& scrollPos);
    void BTN_SetDerive_GuidageClick();
    void BTN_InversionsClick();
    void BTN_Inversion_OkClick();
    void BTN_Derive_OkClick();
    void BTN_SetDeriveClick();
    void BTN_Param_AutoguidageClick();
    void BTN_DecalerClick();
    void BTN_Config_lost_starClick();
    void CKB_RecentrageClick();
    void BBTN_Charge_Fichier_GuidageClick();
    void CKB_Log_GuidageClick();
    // Places the guide zone on the most detailed part of slot 1's frame (also
    // run by the frame routine when the mosaic loses its star).
    void BTN_FindBestClick();

    // The correlation reference of the guide slot's frame at the tracked
    // star, when tracking with correlation.
    void CaptureReferenceIfCorrelating();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void EnableCorrelationControls();
    void CopyInversion(QCheckBox* box);
    QPoint dragOffset_;
    QWidget* dragged_ = nullptr;
};

extern TFRM_Tool_Suivi* FRM_Tool_Suivi;

namespace Align_V {

// Steps the guide target to the next pair of the offset file (cyclic), only
// while tracking with autoguiding and the offset file ticked.
void ApplyNextShift();
// The step both the autoguiding shift and the self-guided exposures take:
// the table's next pair (cyclic) moves the tracked star's target. Returns
// the pair, or nothing when the table is empty.
std::optional<QPoint> StepGuideOffset();

} // namespace Align_V
