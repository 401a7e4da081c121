#pragma once
// Where the remote-control socket of a service lives, and who is on the other
// end of a connection. Only the user who runs the program may drive it.

#include <QString>
#include <optional>

namespace platform::remote {

// $XDG_RUNTIME_DIR/<service>.dde; without that folder,
// /tmp/<service>-<uid>/<service>.dde in a folder of ours with mode 0700
// (made when create is set). Empty, with the reason, when the folder is a
// link, another user's, or open to others.
QString SocketPath(const QString& service, bool create, QString* error);

// The user id of the process at the other end of a connected local socket.
std::optional<unsigned> PeerUid(qintptr socketDescriptor);
unsigned OwnUid();

// True when path is a socket file (not a link, not a plain file).
bool IsSocketFile(const QString& path);
// Restricts a socket file to its owner: read and write, mode 0600.
bool RestrictToOwner(const QString& path);

} // namespace platform::remote
