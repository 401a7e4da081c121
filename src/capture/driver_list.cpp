#include "capture/driver_list.h"

#include "capture/camera_slots.h"
#include "capture/plugin_mgr.h"
#include "platform/camera_device.h"

int VfwDriverCount = 0;
int CaptureDeviceCount = 0;

namespace Align_V {

void EnumVfwDrivers(std::vector<TDriver>& list)
{
    const auto devices = platform::grabCameras().devices();
    const int n = std::min(static_cast<int>(devices.size()), platform::kMaxGrabDevices);
    for (int i = 0; i < n; ++i)
        list.push_back({QStringLiteral("(VFW)"), 0, devices[i].name + QLatin1Char(' ') + devices[i].version, nullptr});
}

void EnumWdmDevices(int slot, std::vector<TDriver>& list)
{
    for (const QString& name : Wdm::ListVideoDevices(slot))
        list.push_back({QStringLiteral("(WDM)"), 1, name, nullptr});
}

} // namespace Align_V

namespace Wdm {

QStringList ListVideoDevices(int slot)
{
    WdmDeviceIndex[slot] = 0;
    QStringList names;   // one pass: listing opens every node
    for (const auto& d : platform::streamCameras().devices())
        names << d.name;
    return names;
}

} // namespace Wdm

namespace Capture {

std::vector<TDriver> BuildDriverList(int slot)
{
    std::vector<TDriver> list;
    Align_V::EnumVfwDrivers(list);
    VfwDriverCount = static_cast<int>(list.size());
    Align_V::EnumWdmDevices(slot, list);
    CaptureDeviceCount = static_cast<int>(list.size());
    if (PluginManager)
        PluginManager->AddDriverEntries(1, list);
    return list;
}

} // namespace Capture
