#include "capture/system_device_enum.h"

int TSystemDeviceEnum::Count() const
{
    return static_cast<int>(platform::streamCameras().devices().size());
}

QString TSystemDeviceEnum::GetFriendlyName(int index) const
{
    const auto list = platform::streamCameras().devices();
    return index >= 0 && index < static_cast<int>(list.size()) ? list[index].name : QString();
}

std::unique_ptr<platform::CameraDevice> TSystemDeviceEnum::GetMoniker(int index) const
{
    return platform::streamCameras().create(index);
}
