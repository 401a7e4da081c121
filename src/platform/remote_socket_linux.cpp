#include "platform/remote_socket.h"

#include "platform/platform_texts.h"

#include <QDir>

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::remote {

unsigned OwnUid() { return static_cast<unsigned>(::getuid()); }

QString SocketPath(const QString& service, bool create, QString* error)
{
    const QString fileName = service + QStringLiteral(".dde");
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists())
        return QDir(runtime).filePath(fileName);

    const QString folder = QStringLiteral("/tmp/%1-%2").arg(service).arg(OwnUid());
    const QByteArray native = QFile::encodeName(folder);
    if (create && ::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
        if (error)
            *error = QStringLiteral("%1 : %2").arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
        return {};
    }
    struct stat st{};
    if (::lstat(native.constData(), &st) != 0) {
        if (error)
            *error = QStringLiteral("%1 : %2").arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
        return {};
    }
    QString why;
    if (S_ISLNK(st.st_mode) || !S_ISDIR(st.st_mode))
        why = platform::text(platform::PlatformText::MSG_Dossier_Pas_Dossier);
    else if (st.st_uid != ::getuid())
        why = platform::text(platform::PlatformText::MSG_Dossier_Autre_Utilisateur);
    else if ((st.st_mode & 07777) != 0700)
        why = platform::text(platform::PlatformText::MSG_Dossier_Ouvert);
    if (!why.isEmpty()) {
        if (error)
            *error = folder + QLatin1Char(' ') + why;
        return {};
    }
    return QDir(folder).filePath(fileName);
}

std::optional<unsigned> PeerUid(qintptr socketDescriptor)
{
    struct ucred cred{};
    socklen_t size = sizeof cred;
    if (socketDescriptor < 0
        || ::getsockopt(static_cast<int>(socketDescriptor), SOL_SOCKET, SO_PEERCRED, &cred, &size) != 0)
        return std::nullopt;
    return static_cast<unsigned>(cred.uid);
}

bool IsSocketFile(const QString& path)
{
    struct stat st{};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISSOCK(st.st_mode);
}

bool RestrictToOwner(const QString& path)
{
    return ::chmod(QFile::encodeName(path).constData(), 0600) == 0;
}

} // namespace platform::remote
