// Script commands of the two camera slots: start and stop, frame rate,
// refresh time and capture mode. They act as the user's clicks on the main
// window's menus and the display tool's controls would.

#include "app/frm_alv.h"
#include "app/settings.h"
#include "scripting/command_fields.h"
#include "scripting/script_commands.h"
#include "scripting/script_language.h"
#include "scripting/script_texts.h"
#include "scripting/scripts.h"
#include "tools/frm_tool_affichage.h"

#include "platform/message_service.h"

#include <QAction>
#include <QComboBox>
#include <QScrollBar>
#include <QToolButton>

namespace Scripts {

void CmdCamera(std::uint8_t, const QString& arguments)
{
    const int cam = CameraField(CommandField(arguments, 1));
    if (cam == 0)
        return;
    const QString action = CommandField(arguments, 2);
    if (action == QLatin1String("start")) {
        // The start of the menus; a camera that does not start (its driver
        // choice cancelled, a device that cannot open, a plug-in refusing)
        // fails the statement.
        if (!StatementAction([cam] { return FRM_Alv->StartCamera(cam); }, ScriptTexts::kNoCameraStarted))
            return;
    } else if (action == QLatin1String("stop")) {
        cam == 1 ? FRM_Alv->MNU_Cam1_ArreterClick() : FRM_Alv->MNU_Cam2_ArreterClick();
    } else {
        ScriptError(action);
        return;
    }
    CommandDone();
}

void CmdCameraFramerate(std::uint8_t, const QString& arguments)
{
    const QString camText = CommandField(arguments, 1);
    QString rate = CommandField(arguments, 2);
    if (rate == QLatin1String("auto")) {
        rate = QStringLiteral("10");
    } else if (rate != QLatin1String("custom")) {
        QString value;
        if (!EvalField(rate, TypeInteger, value))
            return;
        rate = value;
    }
    const int cam = CameraField(camText);
    if (cam == 0)
        return;
    QComboBox* box = cam == 1 ? FRM_Tool_Affichage->CBX_Cam1_IPS : FRM_Tool_Affichage->CBX_Cam2_IPS;
    int found = -1;
    for (int i = 0; i < box->count() && found < 0; ++i)
        if (box->itemText(i).compare(rate, Qt::CaseInsensitive) == 0)
            found = i;
    box->setCurrentIndex(found);
    cam == 1 ? FRM_Tool_Affichage->CBX_Cam1_IPSChange() : FRM_Tool_Affichage->CBX_Cam2_IPSChange();
    CommandDone();
}

void CmdCameraRefreshtime(std::uint8_t, const QString& arguments)
{
    bool camOk = false;
    const int camNumber = CommandField(arguments, 1).trimmed().toInt(&camOk);
    std::int32_t ms = 0;
    if (!EvalIntField(CommandField(arguments, 2), 200, ms))
        return;
    const int cam = CameraField(camOk ? QString::number(camNumber) : QStringLiteral("1"));
    if (cam == 0)
        return;
    QScrollBar* bar = cam == 1 ? FRM_Tool_Affichage->SCB_Cam1_Tps_Rafraichissement
                               : FRM_Tool_Affichage->SCB_Cam2_Tps_Rafraichissement;
    bar->setValue(ms);   // runs the bar's change handler
    CommandDone();
}

// camera.mode and camera.role: the capture mode of a running camera.
void CmdCameraMode(std::uint8_t, const QString& arguments)
{
    const int cam = CameraField(CommandField(arguments, 1));
    if (cam == 0)
        return;
    QAction* start = cam == 1 ? FRM_Alv->MNU_Cam1_Demarrer : FRM_Alv->MNU_Cam2_Demarrer;
    if (start->isEnabled()) {
        platform::messages().show({QStringLiteral("Camera %1 offline...").arg(cam), platform::MsgKind::Error,
                                   platform::MsgButtons::Ok, {}, {}});
        StopScript();
        return;
    }
    const QString mode = CommandField(arguments, 2);
    const bool one = cam == 1;
    if (mode == QLatin1String("frame")) {
        // The next statement is armed before the click, which may take a while.
        ScriptNext(150);
        (one ? FRM_Alv->SPDB_Cam1_Image : FRM_Alv->SPDB_Cam2_Image)->setChecked(true);
        one ? RunCommandHandler(QStringLiteral("FRM_Alv.SPDB_Cam1_ImageClick"))
            : RunCommandHandler(QStringLiteral("FRM_Alv.SPDB_Cam2_ImageClick"));
    } else if (mode == QLatin1String("stream")) {
        ScriptNext(150);
        (one ? FRM_Alv->SPDB_Cam1_Stream : FRM_Alv->SPDB_Cam2_Stream)->setChecked(true);
        one ? RunCommandHandler(QStringLiteral("FRM_Alv.SPDB_Cam1_StreamClick"))
            : RunCommandHandler(QStringLiteral("FRM_Alv.SPDB_Cam2_StreamClick"));
    } else if (mode == QLatin1String("longexposure")) {
        ScriptNext(150);
        (one ? FRM_Alv->SPDB_Cam1_PoseLongue : FRM_Alv->SPDB_Cam2_Poselongue)->setChecked(true);
        one ? RunCommandHandler(QStringLiteral("FRM_Alv.SPDB_Cam1_PoseLongueClick"))
            : RunCommandHandler(QStringLiteral("FRM_Alv.SPDB_Cam2_PoseLongueClick"));
    } else {
        ScriptError(mode);
    }
}

} // namespace Scripts

namespace {
const Scripts::CommandRegistrar registrar{
    {"camera", Scripts::CmdCamera},
    {"camera.framerate", Scripts::CmdCameraFramerate},
    {"camera.refreshtime", Scripts::CmdCameraRefreshtime},
    {"camera.mode", Scripts::CmdCameraMode},
    {"camera.role", Scripts::CmdCameraMode},
};
}
