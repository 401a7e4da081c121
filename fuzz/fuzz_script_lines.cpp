// Scripts through the language: declarations, assignments, arithmetic,
// conditions, jumps, calls and returns of any text run for a bounded number
// of steps without fault, and the engine's state stays within its limits
// (level, return stack, current line, variable types). Lines naming a
// command of the devices, dialogs or files are left out.

#include "app/startup.h"
#include "app/helpers/str_helpers.h"
#include "fuzz_check.h"
#include "platform/message_service.h"
#include "platform/paths.h"
#include "scripting/frm_script.h"
#include "scripting/script_commands.h"
#include "scripting/scripts.h"

#include <QApplication>
#include <QDir>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdlib>

namespace {

class Silent : public platform::MessageService {
public:
    platform::MsgResult show(const platform::Message&) override { return platform::MsgResult::Ok; }
};

const QStringList kLanguage = {"var", "jump", "call", "return", "jumpif", "int", ":", "//", ""};

// The line, or nothing when it names a command beyond the language.
QString languageOnly(const QString& line)
{
    const QString keyword = StrHelpers::ExtractCommandWord(line.trimmed()).toLower();
    if (kLanguage.contains(keyword) || !Scripts::FindCommand(keyword))
        return line;
    return {};
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Never destroyed: the windows live until the process ends, and Qt's
    // per-thread state must not outlive the application object.
    new QApplication(*argc, *argv);
    static QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    platform::setProgramDir(dir.path());
    static Silent silent;
    platform::setMessageService(&silent);
    Startup::CreateWindows();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 1024)
        return 0;
    const QString text = QString::fromLatin1(reinterpret_cast<const char*>(data), qsizetype(size));
    QStringList lines;
    for (const QString& line : text.split(u'\n'))
        lines << languageOnly(line);

    Scripts::StopAll();
    FRM_Script->Memo_Script->setPlainText(lines.join(u'\n'));
    FRM_Script->MNU_ExecuterDuDebutClick(FRM_Script->MNU_ExecuterDuDebut);
    for (int step = 0; step < 200 && FRM_Script->TMR_Script->isActive(); ++step) {
        FRM_Script->TMR_ScriptTimer();
        NJ_FUZZ_CHECK(Scripts::CurrentLevel >= 0 && Scripts::CurrentLevel < Scripts::kLevelCount,
                      QString::number(Scripts::CurrentLevel));
        const TScript& s = Scripts::CurrentScript();
        NJ_FUZZ_CHECK(s.StackCount >= 0 && s.StackCount <= Scripts::kReturnStackSize, QString::number(s.StackCount));
        NJ_FUZZ_CHECK(s.CurrentLine >= 0 && s.CurrentLine <= s.LineCount + 1,
                      QStringLiteral("line %1 of %2").arg(s.CurrentLine).arg(s.LineCount));
        NJ_FUZZ_CHECK(s.VarCount() <= Scripts::kMaxVariables && s.LabelCount() <= Scripts::kMaxLabels, QString());
        for (const TVariable& v : s.Variables)
            NJ_FUZZ_CHECK(v.VarType <= 2, v.Name);
    }
    Scripts::StopAll();
    return 0;
}
