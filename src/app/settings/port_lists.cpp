#include "app/settings/port_lists.h"

#include "app/settings/settings_file.h"
#include "platform/codepage.h"
#include "platform/paths.h"
#include "translation/translated_texts.h"

#include <QComboBox>
#include <QFile>

namespace Settings {

QStringList ReadPortList(const QString& fileName)
{
    QString path = platform::findFileNoCase(platform::programDir(), fileName);
    if (path.isEmpty())
        path = platform::joinPath(platform::programDir(), fileName);
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        AddLoadNotes({TranslatedTexts.MSG_Reglages_Ports_Introuvable.arg(path)});
        return {};
    }
    QString text = platform::fromCp1252(f.readAll());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    QStringList lines = text.split(u'\n');
    // A final line end does not start another item.
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    return lines;
}

void FillPortCombo(QComboBox* combo, const QString& fileName, int index)
{
    const QStringList items = ReadPortList(fileName);
    if (!combo)
        return;
    combo->clear();
    combo->addItems(items);
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

} // namespace Settings
