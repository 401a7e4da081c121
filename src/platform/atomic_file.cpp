#include "platform/atomic_file.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <optional>

namespace platform {

namespace {

// The file's own mode bits (owner, group, others), without the bits that
// only say what the running user may do.
constexpr QFileDevice::Permissions kModeBits =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup
    | QFileDevice::WriteGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::WriteOther
    | QFileDevice::ExeOther;

std::optional<QFileDevice::Permissions> modeOf(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return std::nullopt;
    return info.permissions() & kModeBits;
}

} // namespace

bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* error)
{
    // The new file takes the old one's mode exactly: a user who may rewrite
    // a read-only file (its owner as root) still finds it read-only.
    const std::optional<QFileDevice::Permissions> mode = modeOf(path);
    // Unbuffered, and the size checked before the rename: a buffered write
    // cut short by a full disk is not always reported, and the rename would
    // then put a truncated file in place of the old one.
    QSaveFile file(path);
    // A write cut short (the disk filled up part way) reports no error;
    // the next write of the rest fails with the system's reason.
    const auto writeAll = [&] {
        qint64 done = 0;
        while (done < bytes.size()) {
            const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
            if (n <= 0)
                return false;
            done += n;
        }
        return true;
    };
    const bool written = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && writeAll() && file.flush()
                         && file.size() == bytes.size();
    if (written && file.commit()) {
        if (mode && modeOf(path) != mode)
            QFile::setPermissions(path, *mode);
        return true;
    }
    if (error)
        *error = file.errorString();
    file.cancelWriting();
    return false;
}

} // namespace platform
