#pragma once
// Starting, choosing and configuring the Alpaca telescope from the
// Preferences dialog: the bridge's start and stop, the choice dialog fed by
// discovery, and the driver's own setup page. Registered by name:
// "AscomBridge.Start", "AscomBridge.Stop", "AscomBridge.Choose",
// "AscomBridge.Configure".

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace Alpaca {

// The telescopes that answer discovery on those UDP ports (127.0.0.1, and
// the local network's broadcast when asked) within timeout_ms, as
// "host:port/N" followed by " – " and their names. Blocks: run it off the
// interface thread.
QStringList Discover(const QList<quint16>& discoveryPorts, int timeout_ms, bool broadcast);
// The discovery ports in force ({32227}) and whether the local network is
// asked too (tests keep to 127.0.0.1 with ports of their own).
extern QList<quint16> DiscoveryPorts;
extern bool DiscoveryBroadcast;
inline constexpr int kDiscoveryWait_ms = 700;

// The choice dialog: the entries found and the current text; the text
// chosen or typed, none when cancelled. Replaced in tests.
using ChooserDialog = std::function<std::optional<QString>(const QStringList& entries, const QString& current)>;
void SetChooserDialog(ChooserDialog dialog);

void StartBridge();
// "...": the discovery runs in the background; the choice dialog (or one
// message when nothing answered) follows, then the chosen telescope is
// written into EDT_ASCOM_Telescope and connected.
void ChooseTelescope();
void ConfigureTelescope();
void RegisterHandlers();

} // namespace Alpaca
