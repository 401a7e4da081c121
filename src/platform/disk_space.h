#pragma once
// Free space of the file system holding a folder, for the warnings and the
// stop of the image tool when the disk is nearly full.

#include <QString>

namespace DiskSpace {

// Bytes free for this user on the file system of `path` (the current
// directory for an empty path); -1 when the query fails, e.g. for a
// missing path.
double DiskFreeSpace(const QString& path);

} // namespace DiskSpace
