// Script commands of the mosaic page of the main window: switching the
// mosaic on, its canvas, the tile filled next and the drift between tiles.
// Each sets the page's controls and runs the handler the user's action runs.

#include "app/controls/num_inp.h"
#include "app/frm_alv.h"
#include "app/settings.h"
#include "scripting/command_fields.h"
#include "scripting/script_commands.h"
#include "scripting/script_language.h"
#include "scripting/scripts.h"

#include <QCheckBox>
#include <QRadioButton>
#include <QSpinBox>

namespace Scripts {

namespace {

constexpr std::int32_t kNoInteger = 9999999;
constexpr std::int32_t kNoPosition = 99999;

// "on" / "off" into a check box, then the named handler. False for another
// value (case matters).
bool SetOnOff(const QString& value, QCheckBox* box, const char* handler)
{
    if (value != QLatin1String("on") && value != QLatin1String("off"))
        return false;
    box->setChecked(value == QLatin1String("on"));
    if (handler)
        Settings::RunHandler(QString::fromLatin1(handler));
    return true;
}

// The whole argument as an integer into a spin edit.
void SetCount(const QString& arguments, QSpinBox* spin)
{
    std::int32_t v = 0;
    if (!EvalIntField(arguments, kNoInteger, v))
        return;
    if (v == kNoInteger) {
        ScriptError(QString::number(kNoInteger));
        return;
    }
    spin->setValue(v);
    CommandDone();
}

// A drift speed: read as a double, kept only when it is a whole number, into
// the input of the unit chosen; then the options are applied.
void SetRate(const QString& arguments, TCustomNumInp* arcsecInput, TCustomNumInp* pixelInput)
{
    QString result;
    if (!EvalField(arguments, TypeDouble, result))
        return;
    const std::int32_t v = StrToIntDef(result, kNoInteger);
    if (v == kNoInteger) {
        ScriptError(QString::number(kNoInteger));
        return;
    }
    if (FRM_Alv->RDB_Secarcs_S->isChecked())
        arcsecInput->SetValue(v);
    else if (FRM_Alv->RDB_Pixels_S->isChecked())
        pixelInput->SetValue(v);
    Settings::RunHandler(QStringLiteral("FRM_Alv.BTN_Option_Mosaic_OKClick"));
    CommandDone();
}

} // namespace

void CmdMosaic(std::uint8_t, const QString& arguments)
{
    if (!SetOnOff(arguments, FRM_Alv->CKB_Mosaique_Active, "FRM_Alv.CKB_Mosaique_ActiveClick")) {
        ScriptError(arguments);
        return;
    }
    CommandDone();
}

void CmdMosaicCount(std::uint8_t, const QString& arguments) { SetCount(arguments, FRM_Alv->SPED_Mosaic_NbCompo); }
void CmdMosaicWidth(std::uint8_t, const QString& arguments) { SetCount(arguments, FRM_Alv->SPED_Mosaic_Width); }
void CmdMosaicHeight(std::uint8_t, const QString& arguments) { SetCount(arguments, FRM_Alv->SPED_Mosaic_Height); }
void CmdMosaicDuration(std::uint8_t, const QString& arguments) { SetCount(arguments, FRM_Alv->SPED_Mosaique_Duree); }

void CmdMosaicInit(std::uint8_t, const QString&)
{
    Settings::RunHandler(QStringLiteral("FRM_Alv.BTN_Mosaique_InitialiserClick"));
    CommandDone();
}

void CmdMosaicPosition(std::uint8_t, const QString& arguments)
{
    std::int32_t x = 0, y = 0;
    if (!EvalIntField(CommandField(arguments, 1), kNoPosition, x)
        || !EvalIntField(CommandField(arguments, 2), kNoPosition, y))
        return;
    if (x == kNoPosition) {
        ScriptError(CommandField(arguments, 1));
        return;
    }
    if (y == kNoPosition) {
        ScriptError(CommandField(arguments, 2));
        return;
    }
    // A left-button release without shift keys on the mosaic.
    FRM_Alv->IMG_MosaicMouseUp(FRM_Alv->IMG_Mosaic, 0, 0, x, y);
    CommandDone();
}

void CmdMosaicOptionsMovementsMode(std::uint8_t, const QString& arguments)
{
    ChooseRadio(arguments,
                {{"softtrack", FRM_Alv->RDB_Mosaique_Suivi_Logiciel, "FRM_Alv.RDB_Mosaique_Suivi_LogicielClick"},
                 {"standalone", FRM_Alv->RDB_Mosaique_Derive_Independante,
                  "FRM_Alv.RDB_Mosaique_Derive_IndependanteClick"}});
}

void CmdMosaicOptionsMovementsStandaloneUnit(std::uint8_t, const QString& arguments)
{
    ChooseRadio(arguments, {{"secarcs", FRM_Alv->RDB_Secarcs_S, "FRM_Alv.RDB_Secarcs_SClick"},
                            {"pixels", FRM_Alv->RDB_Pixels_S, "FRM_Alv.RDB_Pixels_SClick"}});
}

void CmdMosaicOptionsMovementsStandaloneRateX(std::uint8_t, const QString& arguments)
{
    SetRate(arguments, FRM_Alv->TNI_Mosaic_Vitesse_Derive_AD, FRM_Alv->TNI_Mosaic_Vitesse_Derive_AD_Pixels);
}

void CmdMosaicOptionsMovementsStandaloneRateY(std::uint8_t, const QString& arguments)
{
    SetRate(arguments, FRM_Alv->TNI_Mosaic_Vitesse_Derive_Dec, FRM_Alv->TNI_Mosaic_Vitesse_Derive_Dec_Pixels);
}

void CmdMosaicOptionsMovementsReverse(std::uint8_t, const QString& arguments)
{
    // The reversal is read when the drift options are applied.
    if (!SetOnOff(arguments, FRM_Alv->CKB_Mosaique_Derive_Inverse, nullptr)) {
        ScriptError(arguments);
        return;
    }
    CommandDone();
}

} // namespace Scripts

namespace {
const Scripts::CommandRegistrar registrar{
    {"mosaic", Scripts::CmdMosaic},
    {"mosaic.count", Scripts::CmdMosaicCount},
    {"mosaic.width", Scripts::CmdMosaicWidth},
    {"mosaic.height", Scripts::CmdMosaicHeight},
    {"mosaic.duration", Scripts::CmdMosaicDuration},
    {"mosaic.init", Scripts::CmdMosaicInit},
    {"mosaic.position", Scripts::CmdMosaicPosition},
    {"mosaic.options.movements.mode", Scripts::CmdMosaicOptionsMovementsMode},
    {"mosaic.options.movements.standalone.unit", Scripts::CmdMosaicOptionsMovementsStandaloneUnit},
    {"mosaic.options.movements.standalone.rate.x", Scripts::CmdMosaicOptionsMovementsStandaloneRateX},
    {"mosaic.options.movements.standalone.rate.y", Scripts::CmdMosaicOptionsMovementsStandaloneRateY},
    {"mosaic.options.movements.reverse", Scripts::CmdMosaicOptionsMovementsReverse},
};
}
