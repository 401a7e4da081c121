// Loading the catalogues of the program directory into the chart's tables.

#include "app/frm_message.h"
#include "platform/paths.h"
#include "telescope/sky/catalogues.h"

#include <QFile>

namespace Sky {

std::vector<StarRecord> StarCatalogue;
std::vector<DeepSkyRecord> DeepSkyCatalogue;
std::vector<ConstellationSegment> ConstellationLines;
bool CataloguesLoaded = false;
bool DeepSkyLoaded = false;

namespace {

template <class Record>
LoadReport loadFile(const QString& fileName, std::vector<Record>& table,
                    LoadReport (*read)(const QByteArray&, std::vector<Record>&))
{
    QString path = platform::findFileNoCase(platform::programDir(), fileName);
    QFile file(path);
    LoadReport report;
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        table.clear();
        report.missing = true;
    } else {
        report = read(file.readAll(), table);
    }
    const QString text = report.message(fileName);
    if (!text.isEmpty())
        Msg::ShowMessageText(false, text);
    return report;
}

} // namespace

LoadReport LoadStars() { return loadFile(QStringLiteral("Catalog.dat"), StarCatalogue, ReadStars); }

LoadReport LoadDeepSky()
{
    LoadReport r = loadFile(QStringLiteral("SAC72.dat"), DeepSkyCatalogue, ReadDeepSky);
    DeepSkyLoaded = true;
    return r;
}

LoadReport LoadConstellationLines()
{
    return loadFile(QStringLiteral("Conlines.dat"), ConstellationLines, ReadConstellationLines);
}

void LoadCatalogues()
{
    LoadStars();
    LoadDeepSky();
    LoadConstellationLines();
    CataloguesLoaded = true;
}

} // namespace Sky
