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

// The telescopes that answer discovery on that UDP port (broadcast and
// 127.0.0.1) within timeout_ms, as "host:port/N" followed by " - " and
// their names.
QStringList Discover(quint16 discoveryPort, int timeout_ms);
// The discovery port in force (32227; tests choose a free one).
extern quint16 DiscoveryPort;

// The choice dialog: the entries found and the current text; the text
// chosen or typed, none when cancelled. Replaced in tests.
using ChooserDialog = std::function<std::optional<QString>(const QStringList& entries, const QString& current)>;
void SetChooserDialog(ChooserDialog dialog);

void StartBridge();
void ChooseTelescope();
void ConfigureTelescope();
void RegisterHandlers();

} // namespace Alpaca
