#pragma once
// The capture-driver list: one line per source a slot can start, grab devices
// first, then stream devices, then plug-in cameras.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

class TPluginInfo;

struct TDriver {
    QString Tag;                   // "(VFW)", "(WDM)" or "(PLUGIN):" + friendly name
    std::uint8_t Kind = 0;         // 0 grab device, 1 stream device, 3 plug-in camera
    QString DeviceName;            // grab: name + " " + version; stream: friendly name; plug-in: camera name
    TPluginInfo* Plugin = nullptr;

    // The line of the driver dialog: Tag + ":" + DeviceName.
    QString Line() const { return Tag + QLatin1Char(':') + DeviceName; }
};

// Counts of the last list built: entries after the grab pass, and after the
// stream pass. The index of a line alone then tells its family.
extern int VfwDriverCount;
extern int CaptureDeviceCount;

namespace Align_V {
// Appends the grab devices (at most 10).
void EnumVfwDrivers(std::vector<TDriver>& list);
// Appends the stream devices.
void EnumWdmDevices(int slot, std::vector<TDriver>& list);
} // namespace Align_V

namespace Wdm {
// Friendly names of the stream devices.
QStringList ListVideoDevices(int slot);
} // namespace Wdm

namespace Capture {
// The whole list of the driver dialog, setting the two counts.
std::vector<TDriver> BuildDriverList(int slot);
} // namespace Capture
