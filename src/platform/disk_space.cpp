#include "platform/disk_space.h"

#include <QFile>
#include <sys/statvfs.h>

namespace DiskSpace {

namespace {
std::function<double(const QString&)> g_query;
}

void SetFreeSpaceQuery(std::function<double(const QString&)> query) { g_query = std::move(query); }

double DiskFreeSpace(const QString& path)
{
    if (g_query)
        return g_query(path);
    const QByteArray native = QFile::encodeName(path.isEmpty() ? QStringLiteral(".") : path);
    struct statvfs info {};
    if (::statvfs(native.constData(), &info) != 0)
        return -1;
    return static_cast<double>(info.f_bavail) * static_cast<double>(info.f_frsize);
}

} // namespace DiskSpace
