// The host side of the library: which link it drives and how the serial
// port is set up. Kept in memory only, like a driver's session settings.
#ifndef ZEPH_VIRTUAL_SDKSETTINGS_H
#define ZEPH_VIRTUAL_SDKSETTINGS_H

#include "zeph/zeph.h"

namespace zvc {

class SdkSettings {
public:
    SdkSettings() { reset(); }

    // USB, logging off, 115200 baud, no hardware flow control, flow control on.
    void reset();

    const ZephSdkConfig &config() const { return config_; }
    // ZEPH_ERR_INVALID_PARAMETER when a field holds a value the library cannot use.
    ZephResult apply(const ZephSdkConfig &config);

    bool usesUart() const { return config_.commStd == ZEPH_COMM_UART; }

    static bool isValid(const ZephSdkConfig &config);

private:
    ZephSdkConfig config_{};
};

} // namespace zvc

#endif
