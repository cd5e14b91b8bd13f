#ifndef GLINTVIEW_DEVICEPROPERTIESTEXT_H
#define GLINTVIEW_DEVICEPROPERTIESTEXT_H

#include "zeph/zeph.h"

#include <string>

// The "Device properties" text for a device information record. The product
// name and serial number are read no further than their fields: the device
// need not terminate them.
std::string DevicePropertiesText(const ZephDeviceInfo &info);

#endif
