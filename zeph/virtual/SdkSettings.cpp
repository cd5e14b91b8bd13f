#include "SdkSettings.h"

#include "DeviceConfigCodec.h"

namespace zvc {

void SdkSettings::reset()
{
    config_ = ZephSdkConfig{};
    config_.commStd = ZEPH_COMM_USB;
    config_.enableLog = 0;
    config_.uartBaudrate = 115200;
    config_.uartFlowControl = 0;
    config_.flowControlOn = 1;
}

bool SdkSettings::isValid(const ZephSdkConfig &c)
{
    // The boolean words are checked whole: stray upper bytes mean the caller
    // passed a record it never filled.
    return (c.commStd == ZEPH_COMM_USB || c.commStd == ZEPH_COMM_UART) && c.enableLog <= 1
           && DeviceConfigCodec::isStandardBaudrate(c.uartBaudrate) && c.uartFlowControl <= 1
           && c.flowControlOn <= 1;
}

ZephResult SdkSettings::apply(const ZephSdkConfig &config)
{
    if (!isValid(config))
        return ZEPH_ERR_INVALID_PARAMETER;
    config_ = config;
    return ZEPH_OK;
}

} // namespace zvc
