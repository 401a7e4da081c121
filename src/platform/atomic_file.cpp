#include "platform/atomic_file.h"

#include <QSaveFile>

namespace platform {

bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* error)
{
    // Unbuffered, and the size checked before the rename: a buffered write
    // cut short by a full disk is not always reported, and the rename would
    // then put a truncated file in place of the old one.
    QSaveFile file(path);
    const bool written = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)
                         && file.write(bytes) == bytes.size() && file.flush() && file.size() == bytes.size();
    if (written && file.commit())
        return true;
    if (error)
        *error = file.errorString();
    file.cancelWriting();
    return false;
}

} // namespace platform
