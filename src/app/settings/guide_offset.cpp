#include "app/settings/guide_offset.h"

#include "app/settings/settings_file.h"
#include "platform/codepage.h"
#include "platform/paths.h"
#include "translation/translated_texts.h"

#include <QFile>
#include <charconv>

TGuideOffsetTable GuideOffsetTable;

namespace Preferences {
namespace {

std::int32_t numberOr0(const QString& text)
{
    const QByteArray s = text.trimmed().toLatin1();
    std::int32_t v = 0;
    const char* b = s.constBegin();
    if (b != s.constEnd() && *b == '+')
        ++b;
    const auto [end, ec] = std::from_chars(b, s.constEnd(), v);
    return ec == std::errc() && end == s.constEnd() && b != s.constEnd() ? v : 0;
}

} // namespace

bool LoadGuideOffsetFile(const QString& fileName)
{
    if (fileName.trimmed().isEmpty())
        return false;
    QFile f(platform::resolveDataFile(fileName));
    if (!f.open(QIODevice::ReadOnly))
        return false;
    QString text = platform::fromCp1252(f.readAll());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');

    TGuideOffsetTable table;
    int skippedBeyond = 0;
    for (const QString& line : text.split(u'\n')) {
        const qsizetype comma = line.indexOf(u',');
        if (line.contains(QLatin1String("//")) || comma < 0 || line.endsWith(u','))
            continue;
        if (table.count == TGuideOffsetTable::kCapacity) {
            ++skippedBeyond;
            continue;
        }
        table.pairs[table.count] = {numberOr0(line.left(comma)), numberOr0(line.mid(comma + 1))};
        ++table.count;
    }
    if (table.count == 0)
        return false;
    if (skippedBeyond > 0) {
        Settings::AddLoadNotes({TranslatedTexts.MSG_Reglages_Decalage_Lignes
                                    .arg(f.fileName())
                                    .arg(TGuideOffsetTable::kCapacity)
                                    .arg(skippedBeyond)});
    }
    GuideOffsetTable = table;
    return true;
}

} // namespace Preferences
