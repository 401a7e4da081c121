#pragma once
// Free space of the file system holding a folder, for the warnings and the
// stop of the image tool when the disk is nearly full.

#include <QString>
#include <functional>

namespace DiskSpace {

// Bytes free for this user on the file system of `path` (the current
// directory for an empty path); -1 when the query fails, e.g. for a
// missing path.
double DiskFreeSpace(const QString& path);

// Replaces the query (tests: a nearly full or unreadable disk); an empty
// function restores the system's.
void SetFreeSpaceQuery(std::function<double(const QString&)> query);

} // namespace DiskSpace
