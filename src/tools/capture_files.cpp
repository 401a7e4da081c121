// Capture file names, the free-space read-out and the 16-bit files of the
// image tool.

#include "tools/util_images.h"

#include "capture/long_exposure.h"
#include "imaging/pipeline_state.h"
#include "platform/disk_space.h"
#include "platform/paths.h"
#include "tools/frm_tool_images.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <limits>

namespace Util_Images {

namespace {

std::int32_t truncInt(long double value)
{
    if (!(value == value))
        return 0;
    const long double t = std::trunc(value);
    if (t <= std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    if (t >= std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    return std::int32_t(t);
}

} // namespace

std::int32_t CurrentImageNumber() { return truncInt(FRM_Tool_Images->TNI_Num_Suffixe->Value()); }

QString BuildCaptureFileName(std::int32_t number)
{
    const auto* t = FRM_Tool_Images;
    QString name = platform::fromStoredPath(t->EDT_Nom_Image->text());
    if (t->CKB_Longueur_Fixe->isChecked())
        name += QString::number(number).rightJustified(truncInt(t->TNI_Longueur_Sequence->Value()), u'0');
    else
        name += QString::number(CurrentImageNumber());
    if (t->CKB_Duree_Exposition->isChecked())
        name += QStringLiteral("-D") + QString::number(LastExposureDurationMs / 1000);
    return name;
}

QString StripImageExtension(const QString& prefix)
{
    QString result = prefix;
    for (const QLatin1String ext : {QLatin1String(".bmp"), QLatin1String(".avi"), QLatin1String(".jpg")})
        if (result.endsWith(ext, Qt::CaseInsensitive))
            result.chop(ext.size());
    return result;
}

std::optional<std::int64_t> FreeDiskSpaceKB(const QString& prefix)
{
    QString folder = QFileInfo(platform::fromStoredPath(prefix)).absolutePath();
    while (!QFileInfo(folder).isDir()) {
        const QString up = QFileInfo(folder).path();
        if (up == folder)
            break;
        folder = up;
    }
    const double bytes = DiskSpace::DiskFreeSpace(folder);
    if (bytes < 0)
        return std::nullopt;
    return std::int64_t(bytes / 1024);
}

void ShowFreeDiskSpace()
{
    const QString prefix = FRM_Tool_Images->EDT_Nom_Image->text();
    if (prefix.isEmpty())
        return;
    FRM_Tool_Images->EDT_FreeDiskSpaceMb->setText(QString::number(FreeDiskSpaceKB(prefix).value_or(0)));
}

kernels::Deep16Image ResultPlaneImage(int width, int height)
{
    const kernels::DeepPlanes& planes = DeepImagePlanes();
    width = std::min(width, ResultPlaneSize.width());
    height = std::min(height, ResultPlaneSize.height());
    const kernels::DeepPlanes::ConstRegion r = planes.region(5, std::max(width, 0), std::max(height, 0));
    return {r.base, kernels::DeepPlanes::kRowWords, r.width, r.height};
}

kernels::Deep16Image ResultPlaneImage(const kernels::Rect& area)
{
    const int left = std::clamp(area.left, 0, std::max(ResultPlaneSize.width(), 0));
    const int top = std::clamp(area.top, 0, std::max(ResultPlaneSize.height(), 0));
    const int right = std::clamp(area.right, left, std::max(ResultPlaneSize.width(), 0));
    const int bottom = std::clamp(area.bottom, top, std::max(ResultPlaneSize.height(), 0));
    const kernels::DeepPlanes& planes = DeepImagePlanes();
    const kernels::DeepPlanes::ConstRegion r = planes.region(5, right, bottom);
    if (!r || r.width < right || r.height < bottom)
        return ResultPlaneImage(0, 0);
    const std::uint16_t* base = r.base + std::ptrdiff_t(top) * kernels::DeepPlanes::kRowWords
                                + std::ptrdiff_t(left) * kernels::DeepPlanes::kWordsPerPixel;
    return {base, kernels::DeepPlanes::kRowWords, right - left, bottom - top};
}

void WritePng16(const kernels::Deep16Image& picture, const QString& fileName)
{
    QString error;
    if (!kernels::ImageFiles::WritePng48(fileName, picture, kPngZlibLevel, &error))
        throw SaveError(error);
}

void WriteTiff16(const kernels::Deep16Image& picture, const QString& fileName)
{
    QString error;
    if (!kernels::ImageFiles::WriteTiff48(fileName, picture, &error))
        throw SaveError(error);
}

void WritePng16(int width, int height, const QString& fileName)
{
    WritePng16(ResultPlaneImage(width, height), fileName);
}

void WriteTiff16(int width, int height, const QString& fileName)
{
    WriteTiff16(ResultPlaneImage(width, height), fileName);
}

} // namespace Util_Images
