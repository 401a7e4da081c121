#pragma once
// The stream devices of the system (V4L2 capture nodes, or the family a test
// or the demo installs), in node order: count, names and a device for an index.

#include "platform/camera_device.h"

#include <QString>
#include <memory>

class TSystemDeviceEnum {
public:
    int Count() const;
    // Empty when there is no such device (any more).
    QString GetFriendlyName(int index) const;
    // A new, unopened device; null when there is no such device (any more).
    std::unique_ptr<platform::CameraDevice> GetMoniker(int index) const;
};
