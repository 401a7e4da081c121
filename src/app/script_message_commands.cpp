// Script commands that talk to the user (beeps, sounds, message boxes and
// the message window), pause the script, and start other programs.

#include "app/desktop.h"
#include "app/frm_message.h"
#include "scripting/command_fields.h"
#include "scripting/script_commands.h"
#include "scripting/script_language.h"
#include "scripting/scripts.h"

#include "platform/message_service.h"
#include "platform/sound_service.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace Scripts {

namespace {

const QString kUnknownParameter = QStringLiteral("Unknown parameter : ");
const QString kFileNotFound = QStringLiteral("File not found : ");
const QString kNotASoundFile = QStringLiteral("Not a WAV sound file : ");
const QString kCannotStart = QStringLiteral("shellexec : cannot start ");

// The text of a value field: as a string, else as an integer, else (with
// withDouble) as a double. False after an error the evaluator has shown
// (nothing more is reported); a field of no such type gives its own text
// as the value.
bool DisplayText(const QString& field, bool withDouble, QString& text)
{
    const QString trimmed = field.trimmed();
    for (const int type : {int(TypeString), int(TypeInteger), int(TypeDouble)}) {
        if (type == TypeDouble && !withDouble)
            break;
        const int pos = EvalOperand(trimmed, type, 1, text);
        if (pos == kNotFound)
            return false;
        if (pos != kWrongType)
            return true;
    }
    text = trimmed;
    return true;
}

// A RIFF/WAVE file, the only kind the sound service plays.
bool IsWaveFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = f.read(12);
    return head.size() == 12 && head.startsWith("RIFF") && head.mid(8, 4) == "WAVE";
}

// The program a shellexec names: a path (relative to the given folder, else
// to the program directory) or a name found on the search path.
QString ProgramPath(const QString& file, const QString& folder)
{
    const QFileInfo asGiven(file);
    if (asGiven.isAbsolute())
        return ExistingPath(file);
    if (!folder.isEmpty()) {
        const QString inFolder = ExistingPath(QDir(folder).filePath(file));
        if (QFileInfo::exists(inFolder))
            return QFileInfo(inFolder).absoluteFilePath();
    }
    const QString here = ExistingPath(file);
    if (QFileInfo::exists(here) || file.contains(QLatin1Char('/')))
        return QFileInfo(here).absoluteFilePath();
    return QStandardPaths::findExecutable(file);
}

} // namespace

void CmdBeep(std::uint8_t, const QString& arguments)
{
    int code = 0;
    if (arguments == QLatin1String("beep"))
        code = -1;
    else if (arguments == QLatin1String("asterisk"))
        code = 64;
    else if (arguments == QLatin1String("exclamation"))
        code = 48;
    else if (arguments == QLatin1String("hand"))
        code = 16;
    else if (arguments == QLatin1String("question"))
        code = 32;
    else if (arguments == QLatin1String("ok"))
        code = 0;
    else {
        ScriptError(kUnknownParameter + arguments);
        return;
    }
    platform::sound().beep(code);
    CommandDone();
}

void CmdPlaysound(std::uint8_t, const QString& arguments)
{
    QString file;
    if (!EvalField(arguments, TypeString, file))
        return;
    const QString path = ExistingPath(file);
    if (!QFileInfo(path).isFile()) {
        ScriptError(kFileNotFound + file);
        return;
    }
    if (!IsWaveFile(path)) {
        ScriptError(kNotASoundFile + file);
        return;
    }
    platform::sound().playFile(path);
    CommandDone();
}

// A plain delay: the level stays running, so a called script that waited
// hands back to its caller as usual. 0 and below wait 1 ms.
void CmdWait(std::uint8_t, const QString& arguments)
{
    std::int32_t ms = 0;
    if (!EvalIntField(arguments, 50, ms))
        return;
    ScriptNext(std::max<std::int32_t>(ms, 1));
}

void CmdMessageShow(std::uint8_t, const QString& arguments)
{
    QString text;
    if (!DisplayText(arguments, true, text))
        return;
    // Modal: the script goes on only once the box is closed.
    platform::messages().show({text, platform::MsgKind::Information, platform::MsgButtons::Ok, {}, {}});
    CommandDone();
}

void CmdMessageboxShow(std::uint8_t, const QString& arguments)
{
    QString text;
    if (!DisplayText(arguments, true, text))
        return;
    Msg::ShowMessageText(false, text);
    CommandDone();
}

void CmdMessageboxShowwait(std::uint8_t, const QString& arguments)
{
    QString text;
    if (!DisplayText(arguments, false, text))
        return;
    BeginWaitForUser();   // only "Poursuivre" resumes the script
    Msg::ShowMessageAndWait(false, text);
}

void CmdMessageboxClear(std::uint8_t, const QString&)
{
    Msg::ShowMessageText(true, QString());
    CommandDone();
}

void CmdMessageboxHide(std::uint8_t, const QString&)
{
    if (FRM_Message)
        FRM_Message->hide();
    CommandDone();
}

// Starts a program with its parameters in a folder, or opens a document
// with the desktop's application. Never through a shell: the parameters
// reach the program as written. A failure is one line in the message
// window; the script goes on.
void CmdShellexec(std::uint8_t, const QString& arguments)
{
    QString file, parameters, folder;
    if (!EvalField(CommandField(arguments, 1), TypeString, file)
        || !EvalField(CommandField(arguments, 2), TypeString, parameters)
        || !EvalField(CommandField(arguments, 3), TypeString, folder))
        return;
    folder = ExistingPath(folder);
    bool started = false;
    if (!file.isEmpty() && !file.startsWith(QLatin1Char('-'))) {
        const QString path = ProgramPath(file, folder);
        const QFileInfo info(path);
        if (!path.isEmpty() && info.isFile()) {
            if (info.isExecutable())
                started = QProcess::startDetached(path, QProcess::splitCommand(parameters),
                                                  folder.isEmpty() ? QString() : folder);
            else
                started = Desktop::OpenDocument(path);
        }
    }
    if (!started)
        Msg::ShowMessageText(false, kCannotStart + file);
    CommandDone();
}

} // namespace Scripts

namespace {
const Scripts::CommandRegistrar registrar{
    {"beep", Scripts::CmdBeep},
    {"playsound", Scripts::CmdPlaysound},
    {"wait", Scripts::CmdWait},
    {"message.show", Scripts::CmdMessageShow},
    {"messagebox.show", Scripts::CmdMessageboxShow},
    {"messagebox.showwait", Scripts::CmdMessageboxShowwait},
    {"messagebox.clear", Scripts::CmdMessageboxClear},
    {"messagebox.hide", Scripts::CmdMessageboxHide},
    {"shellexec", Scripts::CmdShellexec},
};
}
