// Script commands of the real-time stacking and the live sharpening filter
// of the image tool window. They set the controls and run the handlers the
// user's clicks would run.

#include "app/controls/num_inp.h"
#include "app/settings.h"
#include "scripting/command_fields.h"
#include "scripting/script_commands.h"
#include "scripting/scripts.h"
#include "tools/frm_tool_images.h"

#include <QCheckBox>
#include <QRadioButton>
#include <QSpinBox>

#include <algorithm>
#include <functional>

namespace Scripts {

namespace {

// "on" / "off" into a check box, whose click handler the box runs when its
// state changes; then the handler once more. False for another value.
bool SetOnOff(const QString& value, QCheckBox* box, const std::function<void()>& click)
{
    if (value != QLatin1String("on") && value != QLatin1String("off"))
        return false;
    box->setChecked(value == QLatin1String("on"));
    click();
    return true;
}

// Checks a radio button whose click handler belongs to the filter work,
// then runs that handler (by its name).
void Check(QRadioButton* radio, const std::function<void()>& click)
{
    radio->setChecked(true);
    click();
}

} // namespace

void CmdIntegration(std::uint8_t, const QString& arguments)
{
    TFRM_Tool_Images* w = FRM_Tool_Images;
    if (arguments == QLatin1String("start") || arguments == QLatin1String("startwait")) {
        StartAction(arguments, WaitIntegration, [w] {
            if (w->AdditionRuns())
                return ActionStart::Runs;
            // Refused with integration off; a rolling loop whose frames find
            // no memory has told why.
            const bool ready = w->AdditionCanStart();
            if (w->BTN_Demarrer_AddClick())
                return ActionStart::Runs;
            return ready ? ActionStart::FailedAndTold : ActionStart::Refused;
        });
        return;
    }
    if (arguments == QLatin1String("stop"))
        w->BTN_Arreter_AddClick();
    else if (arguments == QLatin1String("reset"))
        w->BTN_Reset_AddClick();
    else if (!SetOnOff(arguments, w->CKB_Integration, [w] { w->CKB_IntegrationClick(); })) {
        ScriptError(arguments);
        return;
    }
    CommandDone();
}

void CmdIntegrationType(std::uint8_t, const QString& arguments)
{
    TFRM_Tool_Images* w = FRM_Tool_Images;
    if (arguments == QLatin1String("unique")) {
        w->RDB_Unique->setChecked(true);
        w->RDB_UniqueClick();
    } else if (arguments == QLatin1String("loop")) {
        w->RDB_Boucle->setChecked(true);
        w->RDB_BoucleClick();
    } else if (arguments == QLatin1String("dark")) {
        w->RDB_Dark->setChecked(true);
        w->RDB_DarkClick();
    } else if (arguments == QLatin1String("flat")) {
        w->RDB_Flat->setChecked(true);
        w->RDB_FlatClick();
    } else {
        ScriptError(arguments);
        return;
    }
    CommandDone();
}

void CmdIntegrationFulltimeview(std::uint8_t, const QString& arguments)
{
    TFRM_Tool_Images* w = FRM_Tool_Images;
    SetOnOff(arguments, w->CKB_Visu_Permanente, [w] { w->CKB_Visu_PermanenteClick(); });   // others: nothing
    CommandDone();
}

void CmdIntegrationCount(std::uint8_t, const QString& arguments)
{
    std::int32_t v = 0;
    if (!EvalIntField(arguments, 1, v))
        return;
    FRM_Tool_Images->SPED_Nb_Bitmap->setValue(v);   // clamped to its range
    CommandDone();
}

void CmdFilter(std::uint8_t, const QString& arguments)
{
    if (!SetOnOff(arguments, FRM_Tool_Images->CKB_Filtre,
                  [] { RunCommandHandler(QStringLiteral("FRM_Tool_Images.CKB_FiltreClick")); })) {
        ScriptError(arguments);
        return;
    }
    CommandDone();
}

void CmdFilterType(std::uint8_t, const QString& arguments)
{
    TFRM_Tool_Images* w = FRM_Tool_Images;
    if (arguments == QLatin1String("deconvolution"))
        Check(w->RDB_Deconvolution, [] { RunCommandHandler(QStringLiteral("FRM_Tool_Images.RDB_DeconvolutionClick")); });
    else if (arguments == QLatin1String("umask"))
        Check(w->RDB_MasqueFlou, [] { RunCommandHandler(QStringLiteral("FRM_Tool_Images.RDB_MasqueFlouClick")); });
    else if (arguments == QLatin1String("wavelet"))
        Check(w->RDB_Ondelettes, [] { RunCommandHandler(QStringLiteral("FRM_Tool_Images.RDB_OndelettesClick")); });
    else {
        ScriptError(arguments);
        return;
    }
    CommandDone();
}

void CmdFilterDeconvolutionSize(std::uint8_t, const QString& arguments)
{
    TFRM_Tool_Images* w = FRM_Tool_Images;
    if (arguments == QLatin1String("3x3"))
        Check(w->RDB_3x3, [] { RunCommandHandler(QStringLiteral("FRM_Tool_Images.RDB_3x3Click")); });
    else if (arguments == QLatin1String("5x5"))
        Check(w->RDB_5x5, [] { RunCommandHandler(QStringLiteral("FRM_Tool_Images.RDB_5x5Click")); });
    else if (arguments == QLatin1String("7x7"))
        Check(w->RDB_7x7, [] { RunCommandHandler(QStringLiteral("FRM_Tool_Images.RDB_7x7Click")); });
    else if (arguments == QLatin1String("9x9"))
        Check(w->RDB_9x9, [] { RunCommandHandler(QStringLiteral("FRM_Tool_Images.RDB_9x9Click")); });
    else {
        ScriptError(arguments);
        return;
    }
    CommandDone();
}

void CmdFilterDeconvolutionValue(std::uint8_t, const QString& arguments)
{
    const QString which = CommandField(arguments, 1);
    std::int32_t v = 0;
    bool converted = false;
    if (!EvalIntField(CommandField(arguments, 2), 0, v, &converted))
        return;
    TFRM_Tool_Images* w = FRM_Tool_Images;
    // The centre coefficient falls back to 1000, the outer ones to 0.
    if (which == QLatin1String("1")) {
        w->TNI_Set_1->SetValue(converted ? v : 1000);
        RunCommandHandler(QStringLiteral("FRM_Tool_Images.TNI_Set_1Exit"));
    } else if (which == QLatin1String("3")) {
        w->TNI_Set_3->SetValue(v);
        RunCommandHandler(QStringLiteral("FRM_Tool_Images.TNI_Set_3Exit"));
    } else if (which == QLatin1String("5")) {
        w->TNI_Set_5->SetValue(v);
        RunCommandHandler(QStringLiteral("FRM_Tool_Images.TNI_Set_5Exit"));
    } else if (which == QLatin1String("7")) {
        w->TNI_Set_7->SetValue(v);
        RunCommandHandler(QStringLiteral("FRM_Tool_Images.TNI_Set_7Exit"));
    } else if (which == QLatin1String("9")) {
        w->TNI_Set_9->SetValue(v);
        RunCommandHandler(QStringLiteral("FRM_Tool_Images.TNI_Set_9Exit"));
    } else {
        ScriptError(arguments);
        return;
    }
    CommandDone();
}

void CmdFilterRefreshrate(std::uint8_t, const QString& arguments)
{
    std::int32_t v = 0;
    if (!EvalIntField(arguments, 10, v))
        return;
    FRM_Tool_Images->SPED_Frequence_Filtre->setValue(std::max(1, v));
    CommandDone();
}

void CmdFilterRepeat(std::uint8_t, const QString& arguments)
{
    std::int32_t v = 0;
    if (!EvalIntField(arguments, 1, v))
        return;
    FRM_Tool_Images->SPED_Repete_Filtre->setValue(std::max(1, v));
    CommandDone();
}

} // namespace Scripts

namespace {
const Scripts::CommandRegistrar registrar{
    {"integration", Scripts::CmdIntegration},
    {"integration.type", Scripts::CmdIntegrationType},
    {"integration.fulltimeview", Scripts::CmdIntegrationFulltimeview},
    {"integration.count", Scripts::CmdIntegrationCount},
    {"filter", Scripts::CmdFilter},
    {"filter.type", Scripts::CmdFilterType},
    {"filter.deconvolution.size", Scripts::CmdFilterDeconvolutionSize},
    {"filter.deconvolution.value", Scripts::CmdFilterDeconvolutionValue},
    {"filter.refreshrate", Scripts::CmdFilterRefreshrate},
    {"filter.repeat", Scripts::CmdFilterRepeat},
};
}
