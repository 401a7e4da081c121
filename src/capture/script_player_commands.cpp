// Script commands of the long-exposure window and of the file player. The
// player's transport buttons have no click handlers: the player reads their
// state on every frame, so the commands only press them.

#include "app/frm_alv.h"
#include "app/settings.h"
#include "capture/camera_slots.h"
#include "capture/frm_longuepose.h"
#include "capture/frm_play_control.h"
#include "scripting/command_fields.h"
#include "scripting/script_commands.h"
#include "scripting/script_texts.h"
#include "scripting/scripts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSpinBox>
#include <QToolButton>

namespace Scripts {

namespace {

// A whole-number setting of the long-exposure window. A value that is no
// integer is refused on the failed conversion itself, so every value of the
// control's range stays usable.
void SetLongExposureNumber(const QString& arguments, const char* control)
{
    std::int32_t v = 0;
    bool converted = false;
    if (!EvalIntField(arguments, 0, v, &converted))
        return;
    if (!converted) {
        ScriptError(QStringLiteral("9999999"));
        return;
    }
    auto* spin = FRM_Longuepose ? FRM_Longuepose->findChild<QSpinBox*>(QString::fromLatin1(control)) : nullptr;
    if (!spin) {
        ScriptError(arguments);   // the window has no such setting: nothing is silently lost
        return;
    }
    spin->setValue(v);   // clamped to the control's range
    CommandDone();
}

// Presses a transport button of the player; with no file open nothing
// would ever move, and the statement fails.
bool PressPlayer(QToolButton* button)
{
    return StatementAction(
        [button] {
            if (PlayerActive == 0)
                return false;
            FRM_PlayControl->Press(button);
            return true;
        },
        ScriptTexts::kNoFileOpen);
}

} // namespace

void CmdLongexposure(std::uint8_t, const QString& arguments)
{
    if (arguments == QLatin1String("start") || arguments == QLatin1String("startwait")) {
        StartAction(arguments, WaitLongExposure, [] {
            // A series that did not start (no camera runs: the window has
            // said so) would never end a wait, nor expose anything.
            if (!Settings::RunHandler(QStringLiteral("FRM_Longuepose.BTN_Demarrer_PoseClick")))
                return ActionStart::Refused;
            const bool running = FRM_Alv && FRM_Alv->CKB_Longuepose_Active && FRM_Alv->CKB_Longuepose_Active->isChecked();
            return running ? ActionStart::Runs : ActionStart::Refused;
        });
        return;
    }
    if (arguments == QLatin1String("stop"))
        Settings::RunHandler(QStringLiteral("FRM_Longuepose.BTN_Arreter_PoseClick"));
    else {
        ScriptError(arguments);
        return;
    }
    CommandDone();
}

void CmdLongexposureLength(std::uint8_t, const QString& arguments)
{
    SetLongExposureNumber(arguments, "SPED_Vesta_Pose");
}

void CmdLongexposureCount(std::uint8_t, const QString& arguments)
{
    SetLongExposureNumber(arguments, "SPED_Nb_Poses");   // 0: no limit
}

void CmdLongexposureType(std::uint8_t, const QString& arguments)
{
    const QString type = CommandField(arguments, 1);
    auto* box = FRM_Longuepose ? FRM_Longuepose->findChild<QComboBox*>(QStringLiteral("CBX_TypePose")) : nullptr;
    int entry = -1;
    for (int i = 0; box && i < box->count() && entry < 0; ++i)
        if (box->itemText(i).toLower() == type)
            entry = i;
    if (entry < 0) {
        ScriptError(type);
        return;
    }
    box->setCurrentIndex(entry);   // no change handler, as the command has always done
    CommandDone();
}

void CmdPlayerGo(std::uint8_t, const QString& arguments)
{
    QToolButton* button = nullptr;
    if (arguments == QLatin1String("first"))
        button = FRM_PlayControl->SPDB_REW;
    else if (arguments.isEmpty())
        button = FRM_PlayControl->SPDB_FF;
    else {
        ScriptError(arguments);
        return;
    }
    if (PressPlayer(button))
        CommandDone();
}

void CmdPlayerPlay(std::uint8_t, const QString& arguments)
{
    const QString how = CommandField(arguments, 1);
    const QString direction = CommandField(arguments, 2);
    const bool wait = how == QLatin1String("startwait");
    if (!wait && how != QLatin1String("start")) {
        ScriptError(how);
        return;
    }
    QToolButton* button = nullptr;
    if (direction == QLatin1String("forward"))
        button = FRM_PlayControl->SPDB_PlayForward;
    else if (direction == QLatin1String("reverse"))
        button = FRM_PlayControl->SPDB_PlayBackwards;
    if (!button) {
        ScriptError(arguments);
        return;
    }
    if (!wait) {
        WaitPlayer = false;
        if (PressPlayer(button))
            CommandDone();
        return;
    }
    // Without a file source nothing would ever end the wait: no wait is
    // left behind.
    if (PlayerActive == 0) {
        PressPlayer(button);
        return;
    }
    BeginWait(WaitPlayer);
    FRM_PlayControl->Press(button);
}

void CmdPlayerStep(std::uint8_t, const QString& arguments)
{
    QToolButton* button = nullptr;
    if (arguments == QLatin1String("forward"))
        button = FRM_PlayControl->SPDB_Forw1;
    else if (arguments == QLatin1String("reverse"))
        button = FRM_PlayControl->SPDB_BACK1;
    else {
        ScriptError(arguments);
        return;
    }
    if (PressPlayer(button))
        CommandDone();
}

void CmdPlayerStop(std::uint8_t, const QString&)
{
    FRM_PlayControl->Press(FRM_PlayControl->SPDB_Stop);
    CommandDone();
}

void CmdPlayerLoop(std::uint8_t, const QString& arguments)
{
    if (arguments != QLatin1String("on") && arguments != QLatin1String("off")) {
        ScriptError(arguments);
        return;
    }
    FRM_PlayControl->SPDB_Loop->setChecked(arguments == QLatin1String("on"));
    CommandDone();
}

} // namespace Scripts

namespace {
const Scripts::CommandRegistrar registrar{
    {"longexposure", Scripts::CmdLongexposure},
    {"longexposure.length", Scripts::CmdLongexposureLength},
    {"longexposure.count", Scripts::CmdLongexposureCount},
    {"longexposure.type", Scripts::CmdLongexposureType},
    {"player.go", Scripts::CmdPlayerGo},
    {"player.play", Scripts::CmdPlayerPlay},
    {"player.step", Scripts::CmdPlayerStep},
    {"player.stop", Scripts::CmdPlayerStop},
    {"player.loop", Scripts::CmdPlayerLoop},
};
}
