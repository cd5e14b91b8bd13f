// What each camera model reports about itself out of the box.
#ifndef ZEPH_VIRTUAL_DEVICEMODELS_H
#define ZEPH_VIRTUAL_DEVICEMODELS_H

#include "zeph/virtual_camera.h"

#include <string>

namespace zvc {

class DeviceModels {
public:
    static bool isKnownModel(int32_t model);
    static bool isKnownLink(int32_t link);

    // Product data of the model; the serial number is derived from the
    // device name so it stays the same from run to run.
    static ZephDeviceInfo info(int32_t model, const std::string &name);
    // Factory configuration; the stream format follows the link (raw frames
    // on USB, JPEG on the slower serial link).
    static ZephDeviceConfig factoryConfig(int32_t link);
};

} // namespace zvc

#endif
