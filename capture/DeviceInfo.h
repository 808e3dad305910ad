// One video capture device as the system device enumerator reports it.
#pragma once

#include <string>

struct DeviceInfo {
    // Each is empty when the device does not report the property.
    std::string m_strFriendlyName; // "FriendlyName"
    std::string m_strDescription;  // "Description"
    std::string m_strDevicePath;   // "DevicePath"
};
