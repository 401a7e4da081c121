#include "scripting/command_fields.h"

#include "app/helpers/str_helpers.h"
#include "app/settings.h"
#include "platform/paths.h"
#include "scripting/script_language.h"
#include "scripting/scripts.h"

#include <QAbstractButton>
#include <QFileInfo>

namespace Scripts {

QString ScriptImageName;

QString CommandField(const QString& arguments, int n)
{
    return StrHelpers::ExtractField(arguments, QLatin1Char(','), n);
}

bool EvalField(const QString& text, int wantedType, QString& result)
{
    const int pos = EvalOperand(text.trimmed(), wantedType, 1, result);
    if (pos == kNotFound)
        return false;
    if (pos == kWrongType)
        result.clear();
    return true;
}

QString ExistingPath(const QString& written)
{
    if (written.isEmpty() || QFileInfo::exists(written))
        return written;
    const QString found = platform::resolveDataFile(written);
    return QFileInfo::exists(found) ? found : written;
}

QString NewFilePath(const QString& written)
{
    const QString local = platform::fromStoredPath(written);
    const qsizetype cut = local.lastIndexOf(u'/');
    if (cut < 0)
        return written;   // in the program directory
    const QString folder = local.left(cut + 1);
    if (QFileInfo(folder).isDir())
        return written;
    const QString found = platform::resolveDataFile(folder);
    if (!QFileInfo(found).isDir())
        return written;
    return platform::joinPath(found, local.mid(cut + 1));
}

bool EvalIntField(const QString& text, std::int32_t fallback, std::int32_t& value, bool* converted)
{
    QString result;
    if (!EvalField(text, TypeInteger, result))
        return false;
    bool ok = false;
    const std::int32_t v = result.trimmed().toInt(&ok);
    value = ok ? v : fallback;
    if (converted)
        *converted = ok;
    return true;
}

int CameraField(const QString& field)
{
    bool ok = false;
    const int cam = field.trimmed().toInt(&ok);
    if (ok && (cam == 1 || cam == 2))
        return cam;
    ScriptError(QStringLiteral("Cam = ") + field + QStringLiteral(", (0 < Cam < 3)"));
    return 0;
}

void CommandDone()
{
    ScriptNext(50);
}

void ChooseRadio(const QString& arguments, std::initializer_list<RadioChoice> choices)
{
    for (const RadioChoice& c : choices) {
        if (arguments == QLatin1String(c.word)) {
            c.button->setChecked(true);
            Settings::RunHandler(QLatin1String(c.handler));
            CommandDone();
            return;
        }
    }
    ScriptError(arguments);
}

} // namespace Scripts
